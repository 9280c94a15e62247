// The start-up report against a fake GPU information library, the tessellation clamp and the
// active run settings.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "core/startup_sequence.h"
#include "support/program_log.h"
#include "tests/unit/core/temp_dir.h"

namespace {

struct FakeGpu {
    uint32_t vendor;
    uint32_t device;
    const char* name;
    float temperature;
    bool temperature_ok;
};

// Answers the facade's questions from plain fields.
struct FakeLibrary {
    std::vector<FakeGpu> gpus;
    int sorts = 0;
    int vendor_kind = 1;
    double max_tess = 64.0;
    const char* boot_adapter = "";
    bool software = false;

    uint32_t GetMainVendorId() { return 0x10DE; }
    uint32_t GetMainDeviceId() { return 0x1B80; }
    double GetMaxTessLevel() { return max_tess; }
    uint32_t GetNumGpus() { return static_cast<uint32_t>(gpus.size()); }
    bool SortGpusByBus() { ++sorts; return true; }
    bool GetGpuPciIds(uint32_t i, uint32_t* v, uint32_t* d, uint32_t* sv, uint32_t* sd)
    {
        *v = gpus[i].vendor;
        *d = gpus[i].device;
        *sv = 0;
        *sd = 0;
        return true;
    }
    bool GetGpuTemperatures(uint32_t i, float* core, float*, float*, float*)
    {
        *core = 123.0f;  // garbage on failure must not be logged
        if (!gpus[i].temperature_ok)
            return false;
        *core = gpus[i].temperature;
        return true;
    }
    const char* GetGpuName(uint32_t i) { return gpus[i].name; }
    const char* GetGpuDriver(uint32_t) { return "nvidia 535.104"; }
    const char* GetMainRenderer() { return "NVIDIA GeForce GTX 1080/PCIe/SSE2"; }
    int32_t GetMaxViewportSize() { return 32768; }
    int32_t GetMainVendorKind() { return vendor_kind; }
    const char* GetMainDriver() { return "nvidia 535.104.05 - NVIDIA 535.104.05"; }
    bool IsSoftwareRenderer() { return software; }
    const char* GetBootAdapterName() { return boot_adapter; }
    uint32_t GetBootAdapterVendorId() { return 0x8086; }
    uint32_t GetBootAdapterDeviceId() { return 0x9A49; }
    int32_t GetGlMajor() { return 4; }
    int32_t GetGlMinor() { return 6; }
    const char* GetCpuName() { return "Some CPU"; }
    int32_t GetCpuSpeedMhz() { return 3600; }
    uint32_t GetSystemMemoryKb() { return 16 * 1024 * 1024 + 1023; }
    const char* GetOsName() { return "Debian GNU/Linux 12 (bookworm)"; }
};

class StartupReport : public ::testing::Test {
protected:
    std::vector<std::string> Report(FakeLibrary& lib)
    {
        LogFile log(path_.c_str(), false, true);
        log.Open();
        ReportGraphicsAndSystem(lib, options_, facts_, info_, log);
        log.Close();
        return gridfall_test::LogMessages(path_);
    }
    TempDir dir_;
    std::string path_ = dir_.File("log.txt");
    StartupOptions options_;
    MachineFacts facts_;
    SystemInfo info_;
};

TEST_F(StartupReport, LogsTheMachineLineByLine)
{
    FakeLibrary lib;
    lib.gpus = {{0x10DE, 0x1B80, "GeForce GTX 1080", 45.25f, true}, {0x8086, 0x3E92, "UHD 630", 0, false}};
    info_.msaa_samples = 8;
    const std::vector<std::string> expected = {
        "Main graphics card device ID: 10DE-1B80",
        "Max tessellation level: 64.0",
        "Detected graphics cards and GPUs:",
        "- GPU 1:  GeForce GTX 1080",
        "- Device ID: 10DE-1B80",
        "----> GPU temperature: 45.250\xC2\xB0" "C",
        "----> Graphics driver: nvidia 535.104",
        "- GPU 2:  UHD 630",
        "- Device ID: 8086-3E92",
        "----> GPU temperature: n.a.",
        "----> Graphics driver: nvidia 535.104",
        "Main OpenGL graphics card: NVIDIA GeForce GTX 1080/PCIe/SSE2",
        "Max viewport size: 32768 px",
        "Main graphics drivers: nvidia 535.104.05 - NVIDIA 535.104.05",
        "OpenGL: version 4.6 detected.",
        "CPU: Some CPU",
        "CPU speed: 3600 MHz",
        "System memory: 16384 MiB",
        "OS: Debian GNU/Linux 12 (bookworm)",
    };
    EXPECT_EQ(Report(lib), expected);
    EXPECT_EQ(lib.sorts, 1);
    EXPECT_EQ(facts_.main_vendor_id, 0x10DEu);
    EXPECT_EQ(facts_.max_viewport_size, 32768);
    EXPECT_EQ(facts_.cpu_speed_mhz, 3600u);
    EXPECT_EQ(info_.gpu_count, 2u);
    EXPECT_EQ(info_.msaa_samples, 0);  // the record is cleared first
    EXPECT_STREQ(info_.renderer, "NVIDIA GeForce GTX 1080/PCIe/SSE2");
    EXPECT_STREQ(info_.cpu_speed, "3600 MHz");
    EXPECT_STREQ(info_.memory, "16384 MiB");
}

TEST_F(StartupReport, GpuListIsSortedOnceUnlessAllAreAmd)
{
    FakeLibrary amd;
    amd.gpus = {{0x1002, 1, "a", 0, true}, {0x1002, 2, "b", 0, true}};
    Report(amd);
    EXPECT_EQ(amd.sorts, 0);
    FakeLibrary mixed;
    mixed.gpus = {{0x1002, 1, "a", 0, true}, {0x10DE, 2, "b", 0, true}, {0x8086, 3, "c", 0, true}};
    Report(mixed);
    EXPECT_EQ(mixed.sorts, 1);
    FakeLibrary none;
    const auto lines = Report(none);
    EXPECT_EQ(none.sorts, 0);
    EXPECT_EQ(info_.gpu_count, 0u);
    EXPECT_EQ(lines[3], "Main OpenGL graphics card: NVIDIA GeForce GTX 1080/PCIe/SSE2");
}

TEST_F(StartupReport, NamesTheRenderingGpuBesideTheBootAdapter)
{
    FakeLibrary lib;
    lib.vendor_kind = 2;   // no vendor has a driver-package text of its own
    auto lines = Report(lib);
    EXPECT_STREQ(info_.drivers, "nvidia 535.104.05 - NVIDIA 535.104.05");
    EXPECT_EQ(lines[4], "Max viewport size: 32768 px");   // the boot adapter renders: no line

    lib.boot_adapter = "Intel Iris Xe Graphics";
    lines = Report(lib);
    EXPECT_EQ(lines[4], "Rendering GPU: NVIDIA GeForce GTX 1080/PCIe/SSE2 (10DE-1B80); "
                        "boot display adapter: Intel Iris Xe Graphics (8086-9A49)");
    lib.software = true;
    lines = Report(lib);
    EXPECT_EQ(lines[4], "Software renderer: NVIDIA GeForce GTX 1080/PCIe/SSE2; "
                        "boot display adapter: Intel Iris Xe Graphics (8086-9A49)");
    lib.boot_adapter = "";
    lines = Report(lib);
    EXPECT_EQ(lines[4], "Software renderer: NVIDIA GeForce GTX 1080/PCIe/SSE2");
}

TEST_F(StartupReport, TessellationLevelIsClampedToTheGpu)
{
    FakeLibrary lib;
    lib.max_tess = 32.0;
    options_.tess_level = 64.0f;
    Report(lib);
    EXPECT_FLOAT_EQ(options_.tess_level, 32.0f);
    EXPECT_FLOAT_EQ(options_.tess_level_inner, 32.0f);
    EXPECT_FLOAT_EQ(options_.tess_level_outer, 32.0f);

    StartupOptions o;
    o.tess_level = 0.5f;
    ClampTessellationLevel(o, 64.0f);
    EXPECT_FLOAT_EQ(o.tess_level, 1.0f);
    EXPECT_FLOAT_EQ(o.tess_level_inner, 1.0f);
    o.tess_level = 16.0f;
    ClampTessellationLevel(o, 0.0f);  // no tessellation support reported
    EXPECT_FLOAT_EQ(o.tess_level_outer, 1.0f);
}

TEST(ActiveRunSettings, DerivedFromTheStoredOptions)
{
    StartupOptions o;
    o.width = 800;
    o.height = 600;
    o.fullscreen = 5;
    o.run_mode = 2;
    o.max_time = 0;
    DeriveActiveRunSettings(o);
    EXPECT_EQ(o.active_width, 800);
    EXPECT_EQ(o.active_height, 600);
    EXPECT_EQ(o.active_fullscreen, 1);
    EXPECT_EQ(o.active_run_mode, 2);
    EXPECT_EQ(o.active_time_based, 1);
    EXPECT_EQ(o.active_duration_ms, 60000u);  // no frame limit and no time: one minute

    StartupOptions frames;
    frames.time_based_benchmark = 0;
    frames.max_frames = 500;
    DeriveActiveRunSettings(frames);
    EXPECT_EQ(frames.active_time_based, 0);
    EXPECT_EQ(frames.active_max_frames, 500u);
    EXPECT_EQ(frames.active_fullscreen, 0);

    StartupOptions timeWins;
    timeWins.max_frames = 500;
    timeWins.max_time = 2000;
    DeriveActiveRunSettings(timeWins);
    EXPECT_EQ(timeWins.active_time_based, 1);
    EXPECT_EQ(timeWins.active_duration_ms, 2000u);

    StartupOptions negative;
    negative.max_time = -5;  // would be 49 days as an unsigned duration
    DeriveActiveRunSettings(negative);
    EXPECT_EQ(negative.active_duration_ms, 60000u);
}

TEST(HostFacts, KernelVersionAndLines)
{
    unsigned major = 9, minor = 9;
    ParseKernelVersion("6.1.0-13-amd64", major, minor);
    EXPECT_EQ(major, 6u);
    EXPECT_EQ(minor, 1u);
    ParseKernelVersion("5", major, minor);
    EXPECT_EQ(major, 5u);
    EXPECT_EQ(minor, 0u);
    ParseKernelVersion("weird", major, minor);
    EXPECT_EQ(major, 0u);
    ParseKernelVersion(nullptr, major, minor);

    const HostFacts facts = QueryHostFacts();
    EXPECT_GE(facts.processors, 1u);
    EXPECT_FALSE(facts.kernel_release.empty());
#if defined(__x86_64__)
    EXPECT_EQ(facts.architecture, 9);
    EXPECT_GT(facts.level, 0);
#endif
    TempDir dir;
    LogFile log(dir.File("log.txt").c_str(), false, true);
    log.Open();
    LogHostFacts(log, HostFacts{9, 6, 2, "6.1.0-13-amd64", 6, 1});
    log.Close();
    const std::vector<std::string> expected = {"CPU Arch: 9", "CPU Level: 6", "# of CPU processors: 2",
                                               "Kernel: 6.1.0-13-amd64 - Version: 6.1"};
    EXPECT_EQ(gridfall_test::LogMessages(dir.File("log.txt")), expected);
}

}  // namespace
