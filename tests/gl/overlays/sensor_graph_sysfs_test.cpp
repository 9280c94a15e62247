// Temperature graphs fed end to end by the GPU information library reading a fake amdgpu sysfs
// tree whose hwmon temperature changes between polls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/machine_records.h"
#include "gpuinfo/library_state.h"
#include "gpuinfo/siliscan.h"
#include "scene/sensor_poll.h"
#include "scene/temperature_graph.h"
#include "unit/overlays/recorders.h"

namespace fs = std::filesystem;
using Ridudedozu::SiliscanLib;

namespace {

void WriteFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// One amdgpu card with a hwmon temperature and two clock levels.
class FakeAmdgpuTree {
public:
    FakeAmdgpuTree()
    {
        root_ = fs::temp_directory_path() / ("gridfall-overlays-sysfs-" + std::to_string(getpid()));
        fs::remove_all(root_);
        const fs::path dev = root_ / "sys/class/drm/card0/device";
        WriteFile(dev / "vendor", "0x1002\n");
        WriteFile(dev / "device", "0x73ff\n");
        WriteFile(dev / "subsystem_vendor", "0x1002\n");
        WriteFile(dev / "subsystem_device", "0x0e14\n");
        WriteFile(dev / "revision", "0xc7\n");
        WriteFile(dev / "class", "0x030000\n");
        WriteFile(dev / "boot_vga", "1\n");
        WriteFile(dev / "uevent", "DRIVER=amdgpu\nPCI_SLOT_NAME=0000:03:00.0\n");
        WriteFile(dev / "pp_dpm_sclk", "0: 500Mhz\n1: 2491Mhz *\n");
        WriteFile(dev / "pp_dpm_mclk", "0: 96Mhz\n1: 875Mhz *\n");
        WriteFile(dev / "hwmon/hwmon3/in0_input", "1100\n");
        SetTemperature(45000);
    }
    ~FakeAmdgpuTree() { fs::remove_all(root_); }
    void SetTemperature(int millidegrees)
    {
        WriteFile(root_ / "sys/class/drm/card0/device/hwmon/hwmon3/temp1_input", std::to_string(millidegrees) + "\n");
    }
    std::string Root() const { return root_.string(); }

private:
    fs::path root_;
};

class NoGpuz : public GpuzSource {
public:
    bool Poll(GpuzValues&) override { return false; }
};

}  // namespace

TEST(SensorGraphFromSysfs, ChangingHwmonTemperatureDrivesHistoryMaximumAndGraph)
{
    FakeAmdgpuTree tree;
    setenv("GRIDFALL_SYSFS_ROOT", tree.Root().c_str(), 1);
    setenv("GRIDFALL_NVML_LIBRARY", "/nonexistent/libnvidia-ml.so.1", 1);
    // As if the fake card rendered the context (llvmpipe does here): it is then GPU 0.
    Ridudedozu::RendererIdentity card;
    card.has_pci_ids = true;
    card.vendor_id = 0x1002;
    card.device_id = 0x73FF;
    Ridudedozu::SetRendererIdentityOverride(&card);
    SiliscanLib* lib = SiliscanLib::Instance();
    ASSERT_NE(lib, nullptr);
    ASSERT_TRUE(lib->Start(0, 0, 32, 32, 4, 1));
    Ridudedozu::SetRendererIdentityOverride(nullptr);
    ASSERT_EQ(lib->GetNumGpus(), 1u);

    float pollClock = 0.0f, lastPollTime = -3.0f;
    bool gpuzAvailable = true;
    std::vector<cHx7PGpuRecord> records(1);
    std::vector<std::vector<cHx7PTemperatureSample>> histories(1);
    SensorPollState state{pollClock, lastPollTime, records, histories, gpuzAvailable};
    SensorReadings readings;
    NoGpuz gpuz;

    const int temps[] = {45000, 52500, 71000, 64000};
    for (int t : temps) {
        tree.SetTemperature(t);
        ASSERT_TRUE(PollSensorsTick(state, 1.1f, LibrarySensorSource(), gpuz, readings));
    }
    lib->Stop();
    unsetenv("GRIDFALL_SYSFS_ROOT");
    unsetenv("GRIDFALL_NVML_LIBRARY");

    ASSERT_EQ(histories[0].size(), 4u);
    EXPECT_FLOAT_EQ(histories[0][0].temperature, 45.0f);
    EXPECT_FLOAT_EQ(histories[0][1].temperature, 52.5f);
    EXPECT_FLOAT_EQ(histories[0][3].temperature, 64.0f);
    EXPECT_FLOAT_EQ(readings.max_temperature, 71.0f);
    EXPECT_FLOAT_EQ(readings.gpu_temperature, 64.0f);
    EXPECT_FALSE(gpuzAvailable);
    EXPECT_FLOAT_EQ(records[0].maxCoreClock, 2491.0f);
    EXPECT_FLOAT_EQ(records[0].maxMemoryClock, 875.0f);
    EXPECT_FLOAT_EQ(readings.core_clock, 2491.0f);

    overlays_test::RecordingCanvas canvas;
    GraphWindow window;
    GraphExtremes extremes;
    const auto& h = histories[0];
    window.Fill(h.size(), [&](std::size_t i) { return h[i].temperature; });
    DrawTemperatureGraph(canvas, 640, 480, 0, "AMD Radeon", h.front().temperature, window.Samples(), extremes);
    ASSERT_EQ(canvas.stripDraws.size(), 1u);
    EXPECT_EQ(canvas.stripDraws[0], 4u);
    const GraphLayout g = GraphLayoutFor(640, 480, 0);
    EXPECT_FLOAT_EQ(canvas.strip[2][1], g.y0 + 2.0f * (71.0f - 20.0f));
    EXPECT_FLOAT_EQ(extremes.maximum, 64.0f);   // the maximum counts samples that were newest at a drawn frame
    EXPECT_FLOAT_EQ(extremes.minimum, 45.0f);
    ASSERT_EQ(canvas.texts.size(), 2u);
    EXPECT_EQ(canvas.texts[0].text, "GPU 1: AMD Radeon - cur:64\u00B0C - max:64\u00B0C");
}
