// The facade over fake sysfs/procfs trees and the scripted NVML library, without OpenGL
// (requested major version 0 skips the probe context).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "gpuinfo/library_state.h"
#include "gpuinfo/siliscan.h"

using namespace Ridudedozu;

namespace {

const std::string kFixtures = GRIDFALL_FIXTURES_DIR "/gpuinfo";

class SiliscanFacade : public ::testing::Test {
protected:
    void SetUp() override
    {
        DestroyLibrary();
        SetCpuSpeedMeasure([] { return 3210; });
        setenv("GRIDFALL_NVML_LIBRARY", "/nonexistent/libnvidia-ml.so.1", 1);
        unsetenv("FAKE_NVML_SCRIPT");
    }
    void TearDown() override
    {
        DestroyLibrary();
        SetRendererIdentityOverride(nullptr);
        SetCpuSpeedMeasure(nullptr);
        unsetenv("GRIDFALL_SYSFS_ROOT");
        unsetenv("GRIDFALL_NVML_LIBRARY");
        unsetenv("FAKE_NVML_SCRIPT");
    }

    SiliscanLib* StartOn(const std::string& tree, const char* nvmlScript = nullptr,
                         const char* nvmlLibrary = FAKE_NVML_PATH)
    {
        setenv("GRIDFALL_SYSFS_ROOT", (kFixtures + "/" + tree).c_str(), 1);
        if (nvmlScript) {
            setenv("GRIDFALL_NVML_LIBRARY", nvmlLibrary, 1);
            setenv("FAKE_NVML_SCRIPT", (kFixtures + "/" + nvmlScript).c_str(), 1);
        }
        SiliscanLib* lib = SiliscanLib::Instance();
        EXPECT_NE(lib, nullptr);
        EXPECT_TRUE(lib->Start(0, 0, 32, 32, 0, 0));
        return lib;
    }
};

}  // namespace

TEST_F(SiliscanFacade, NothingStartedAnswersNeutralDefaults)
{
    SiliscanLib* lib = SiliscanLib::Instance();
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(SiliscanLib::Instance(), lib);
    EXPECT_FALSE(lib->Stop());   // not initialised
    EXPECT_EQ(lib->GetNumGpus(), 0u);
    EXPECT_FALSE(lib->SortGpusByBus());
    EXPECT_EQ(lib->GetGpuName(0), nullptr);
    EXPECT_EQ(lib->GetGpuDriver(0), nullptr);
    EXPECT_FALSE(lib->IsDriverDetected());
    EXPECT_EQ(lib->GetMainVendorId(), 0xFFFFFFFFu);
    EXPECT_EQ(lib->GetMainDeviceId(), 0xFFFFFFFFu);
    EXPECT_STREQ(lib->GetMainRenderer(), "");
    EXPECT_STREQ(lib->GetMainDriver(), "unknown");
    EXPECT_EQ(lib->GetMainVendorKind(), kVendorNone);
    EXPECT_EQ(lib->GetGlMajor(), 1);
    EXPECT_EQ(lib->GetGlMinor(), 1);
    EXPECT_EQ(lib->GetMaxViewportSize(), 1024);
    EXPECT_EQ(lib->GetMaxTessLevel(), 0.0);
    EXPECT_EQ(lib->GetNumMsaaModes(), 0u);
    EXPECT_EQ(lib->GetMsaaMode(0), 0);
    EXPECT_STREQ(lib->GetCpuName(), "");
    EXPECT_STREQ(lib->GetOsName(), "");
}

TEST_F(SiliscanFacade, NvidiaAndAmdMachine)
{
    SiliscanLib* lib = StartOn("nvidia_amd", "nvml_two_gpus.txt");
    EXPECT_TRUE(lib->IsDriverDetected());
    EXPECT_EQ(lib->GetMainVendorId(), 0x10DEu);
    EXPECT_EQ(lib->GetMainDeviceId(), 0x2206u);
    EXPECT_EQ(lib->GetMainVendorKind(), kVendorNvidia);
    EXPECT_STREQ(lib->GetMainRenderer(), "NVIDIA GeForce RTX 3080");
    // No OpenGL driver name without a probe context: the kernel driver alone.
    EXPECT_STREQ(lib->GetMainDriver(), "nvidia 550.54.14");
    EXPECT_STREQ(lib->GetCpuName(), "Intel(R) Core(TM) i7-9700K CPU @ 3.60GHz");
    EXPECT_STREQ(lib->GetOsName(), "Debian GNU/Linux 12 (bookworm) 64-bit [Linux 6.1.0-18-amd64]");
    EXPECT_EQ(lib->GetSystemMemoryKb(), 32768000u);
    EXPECT_EQ(lib->GetCpuSpeedMhz(), 3210);
    EXPECT_EQ(lib->GetGlMajor(), 1);

    // Two NVIDIA GPUs from NVML (buses 1 and 8), then the Radeon on bus 3.
    ASSERT_EQ(lib->GetNumGpus(), 3u);
    EXPECT_STREQ(lib->GetGpuName(0), "NVIDIA GeForce RTX 3080");       // from the tables
    EXPECT_STREQ(lib->GetGpuName(1), "NVIDIA Future GPU");              // NVML's own name
    EXPECT_STREQ(lib->GetGpuName(2), "AMD Radeon RX 6800/6800 XT/6900 XT");
    EXPECT_STREQ(lib->GetGpuDriver(0), "nvidia 550.54.14");
    EXPECT_STREQ(lib->GetGpuDriver(2), "amdgpu 6.1.0-18-amd64");   // in-tree driver: the kernel's release

    ASSERT_TRUE(lib->SortGpusByBus());
    EXPECT_STREQ(lib->GetGpuName(1), "AMD Radeon RX 6800/6800 XT/6900 XT");
    EXPECT_STREQ(lib->GetGpuName(2), "NVIDIA Future GPU");

    uint32_t v = 0, d = 0, sv = 0, again = 0;
    ASSERT_TRUE(lib->GetGpuPciIds(0, &v, &d, &sv, &again));
    EXPECT_EQ(v, 0x10DEu);
    EXPECT_EQ(d, 0x2206u);
    EXPECT_EQ(sv, 0x1043u);
    EXPECT_EQ(again, 0x2206u);
    EXPECT_EQ(lib->GetGpuShaderCount(0), 8704);
    EXPECT_EQ(lib->GetGpuShaderCount(1), 0);   // Navi 21 covers several boards: unknown

    float core = -1, board = -1, memory = -1, psu = -1;
    ASSERT_TRUE(lib->GetGpuTemperatures(0, &core, &board, &memory, &psu));
    EXPECT_FLOAT_EQ(core, 63);
    EXPECT_FLOAT_EQ(board, 0);
    EXPECT_FLOAT_EQ(memory, 0);
    EXPECT_FLOAT_EQ(psu, 0);
    ASSERT_TRUE(lib->GetGpuTemperatures(1, &core, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(core, 54);
    ASSERT_TRUE(lib->GetGpuTemperatures(2, &core, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(core, 41);

    // NVIDIA levels: the maximum clocks, then the current ones with the performance state.
    ASSERT_EQ(lib->GetGpuNumPerfLevels(0), 2u);
    float id = -1, c = -1, m = -1, s = -1, volts = -1;
    ASSERT_TRUE(lib->GetGpuPerfLevel(0, 0, &id, &c, &m, &s, &volts));
    EXPECT_FLOAT_EQ(c, 2100);
    EXPECT_FLOAT_EQ(m, 9751);
    EXPECT_FLOAT_EQ(s, 2100);
    EXPECT_FLOAT_EQ(volts, 0);
    ASSERT_TRUE(lib->GetGpuPerfLevel(0, 1, &id, &c, &m, &s, nullptr));
    EXPECT_FLOAT_EQ(id, 2);
    EXPECT_FLOAT_EQ(c, 1710);
    EXPECT_FLOAT_EQ(m, 9501);
    EXPECT_FALSE(lib->GetGpuPerfLevel(0, 2, &id, &c, &m, &s, &volts));
    // The unknown NVIDIA chip has no clocks: its level read fails.
    EXPECT_EQ(lib->GetGpuNumPerfLevels(2), 0u);
    EXPECT_FALSE(lib->GetGpuPerfLevel(2, 0, &id, &c, &m, &s, &volts));

    // amdgpu: three engine levels, two memory levels, the voltage on the current one.
    ASSERT_EQ(lib->GetGpuNumPerfLevels(1), 3u);
    ASSERT_TRUE(lib->GetGpuPerfLevel(1, 1, &id, &c, &m, &s, &volts));
    EXPECT_FLOAT_EQ(id, 0);
    EXPECT_FLOAT_EQ(c, 1800);
    EXPECT_FLOAT_EQ(m, 1000);
    EXPECT_FLOAT_EQ(s, 0);
    EXPECT_FLOAT_EQ(volts, 1.05f);
    ASSERT_TRUE(lib->GetGpuPerfLevel(1, 2, &id, &c, &m, &s, &volts));
    EXPECT_FLOAT_EQ(c, 2250);
    EXPECT_FLOAT_EQ(m, 0);
    EXPECT_FLOAT_EQ(volts, 0);
    EXPECT_FALSE(lib->GetGpuPerfLevel(1, 3, &id, &c, &m, &s, &volts));

    const LibraryState& st = GetLibraryState();
    EXPECT_EQ(st.video_memory_mb, 10240u);
    EXPECT_EQ(st.bios_version, "94.02.42.00.A9");
    EXPECT_EQ(st.main_codename, "GA102");
    EXPECT_EQ(st.physical_gpu_count, 2u);
    EXPECT_EQ(st.tdp_watts, 320);
    EXPECT_TRUE(lib->Stop());
}

TEST_F(SiliscanFacade, BadIndicesWriteNothing)
{
    SiliscanLib* lib = StartOn("two_amd");
    ASSERT_EQ(lib->GetNumGpus(), 2u);
    for (uint32_t bad : {2u, 3u, 0xFFFFFFFFu}) {
        float f[5] = {7, 7, 7, 7, 7};
        uint32_t u[4] = {7, 7, 7, 7};
        EXPECT_EQ(lib->GetGpuName(bad), nullptr);
        EXPECT_EQ(lib->GetGpuDriver(bad), nullptr);
        EXPECT_FALSE(lib->GetGpuTemperatures(bad, &f[0], &f[1], &f[2], &f[3]));
        EXPECT_FALSE(lib->GetGpuPciIds(bad, &u[0], &u[1], &u[2], &u[3]));
        EXPECT_EQ(lib->GetGpuShaderCount(bad), 0);
        EXPECT_EQ(lib->GetGpuNumPerfLevels(bad), 0u);
        EXPECT_FALSE(lib->GetGpuPerfLevel(bad, 0, &f[0], &f[1], &f[2], &f[3], &f[4]));
        for (float x : f)
            EXPECT_EQ(x, 7);
        for (uint32_t x : u)
            EXPECT_EQ(x, 7u);
    }
    float f[5] = {7, 7, 7, 7, 7};
    EXPECT_FALSE(lib->GetGpuPerfLevel(0, lib->GetGpuNumPerfLevels(0), &f[0], &f[1], &f[2], &f[3], &f[4]));
    for (float x : f)
        EXPECT_EQ(x, 7);
    // Only the first two out-pointers.
    uint32_t v = 0, d = 0;
    EXPECT_TRUE(lib->GetGpuPciIds(0, &v, &d, nullptr, nullptr));
    EXPECT_EQ(v, 0x1002u);
    EXPECT_EQ(d, 0x68F9u);   // the main card leads

    // Power and fan where hwmon publishes them (the RX 7900's power1_average, in microwatts);
    // the other card has no power file, so its power is absent, not 0.
    float watts = 7, percent = 7, rpm = 7;
    EXPECT_FALSE(lib->GetGpuPower(0, &watts));
    EXPECT_EQ(watts, 7);
    EXPECT_TRUE(lib->GetGpuPower(1, &watts));
    EXPECT_FLOAT_EQ(watts, 187.0f);
    EXPECT_TRUE(lib->GetGpuFan(1, &percent, &rpm));
    EXPECT_NEAR(percent, 40.0f, 0.01f);   // pwm1 102 of 255
    EXPECT_FLOAT_EQ(rpm, 1420.0f);
    EXPECT_FALSE(lib->GetGpuPower(2, &watts));
    EXPECT_FALSE(lib->GetGpuFan(2, &percent, &rpm));
}

TEST_F(SiliscanFacade, TwoAmdGpusSortByBusAndTheCedarOverride)
{
    SiliscanLib* lib = StartOn("two_amd");
    // Primary: boot_vga on the second card, the subsystem that renames the Cedar board.
    EXPECT_EQ(lib->GetMainVendorKind(), kVendorAmd);
    EXPECT_EQ(lib->GetMainDeviceId(), 0x68F9u);
    EXPECT_STREQ(lib->GetMainRenderer(), "ATI Radeon HD 6350");
    // The kernel module's own version serves as driver and release.
    EXPECT_STREQ(lib->GetCatalystRelease(), "5.18.13");
    EXPECT_STREQ(lib->GetCatalystVersion(), "");   // no OpenGL driver text without a context
    EXPECT_STREQ(lib->GetMainDriver(), "amdgpu 5.18.13");

    // Without a context the boot adapter stands for the rendering GPU, and GPU 0 is the main card.
    ASSERT_EQ(lib->GetNumGpus(), 2u);
    EXPECT_STREQ(lib->GetGpuName(0), "ATI Radeon HD 6350");
    EXPECT_STREQ(lib->GetGpuName(1), "AMD Radeon RX 7900 XT/7900 XTX/7900 GRE");
    EXPECT_STREQ(lib->GetBootAdapterName(), "");
    ASSERT_TRUE(lib->SortGpusByBus());
    EXPECT_STREQ(lib->GetGpuName(0), "ATI Radeon HD 6350");
    EXPECT_EQ(lib->GetGpuShaderCount(0), 80);
    EXPECT_EQ(lib->GetGpuShaderCount(0), 80);   // kept in the record
    EXPECT_EQ(GetLibraryState().gpus[0]->shader_count, 80);

    // Levels: two engine levels, three memory levels; the count is the longer list.
    ASSERT_EQ(lib->GetGpuNumPerfLevels(0), 3u);
    float id, c, m, s, volts;
    ASSERT_TRUE(lib->GetGpuPerfLevel(0, 0, &id, &c, &m, &s, &volts));
    EXPECT_FLOAT_EQ(c, 400);
    EXPECT_FLOAT_EQ(m, 400);
    EXPECT_FLOAT_EQ(volts, 0.9f);
    ASSERT_TRUE(lib->GetGpuPerfLevel(0, 2, &id, &c, &m, &s, &volts));
    EXPECT_FLOAT_EQ(c, 0);
    EXPECT_FLOAT_EQ(m, 900);

    const LibraryState& st = GetLibraryState();
    EXPECT_EQ(st.video_memory_mb, 1024u);
    EXPECT_EQ(st.bios_version, "113-C0902100-O01");
    EXPECT_EQ(st.main_codename, "Cedar");
    EXPECT_EQ(st.unified_shaders, 80);
    EXPECT_EQ(st.texture_units, 8);
    EXPECT_EQ(st.physical_gpu_count, 1u);
}

TEST_F(SiliscanFacade, OneAmdBoardWithManyOutputsIsOneGpu)
{
    SiliscanLib* lib = StartOn("amd_multi_output");
    ASSERT_EQ(lib->GetNumGpus(), 1u);
    EXPECT_STREQ(lib->GetGpuName(0), "ATI Radeon HD 5870");
    EXPECT_STREQ(lib->GetMainRenderer(), "ATI Radeon HD 5870");
    EXPECT_EQ(GetLibraryState().gpus[0]->bus, 5u);
    EXPECT_EQ(GetLibraryState().gpus[0]->adapter_index, 0);
    EXPECT_TRUE(lib->SortGpusByBus());   // one GPU: nothing to move, still true
}

TEST_F(SiliscanFacade, IntelGpuWithHwmonIsListedAndSensed)
{
    SiliscanLib* lib = StartOn("intel_hwmon");
    EXPECT_EQ(lib->GetMainVendorKind(), kVendorIntel);
    EXPECT_STREQ(lib->GetMainRenderer(), "Intel UHD Graphics 630");
    EXPECT_STREQ(lib->GetOsName(), "Arch Linux 64-bit [Linux 6.1.0-18-amd64]");
    // The compute-class function beside it is no display device.
    ASSERT_EQ(lib->GetNumGpus(), 1u);
    EXPECT_STREQ(lib->GetGpuName(0), "Intel UHD Graphics 630");
    float core = 0;
    ASSERT_TRUE(lib->GetGpuTemperatures(0, &core, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(core, 47);
    ASSERT_EQ(lib->GetGpuNumPerfLevels(0), 2u);
    float c = 0;
    ASSERT_TRUE(lib->GetGpuPerfLevel(0, 0, nullptr, &c, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(c, 1200);
    ASSERT_TRUE(lib->GetGpuPerfLevel(0, 1, nullptr, &c, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(c, 350);
    EXPECT_EQ(lib->GetGpuShaderCount(0), 24);
}

TEST_F(SiliscanFacade, VirtualMachineWithoutAnyDisplayDevice)
{
    SiliscanLib* lib = StartOn("vm_no_drm");
    // Without a PCI device and without a probe context there is no renderer at all.
    EXPECT_FALSE(lib->IsDriverDetected());
    EXPECT_EQ(lib->GetNumGpus(), 0u);
    EXPECT_EQ(lib->GetMainVendorId(), 0xFFFFFFFFu);
    EXPECT_STREQ(lib->GetMainRenderer(), "");
    EXPECT_STREQ(lib->GetCpuName(), "");   // the snapshot is not taken
    EXPECT_EQ(lib->GetSystemMemoryKb(), 4030464u);
    // A second Start detects again without listing anything twice; Stop stays false.
    EXPECT_TRUE(lib->Start(0, 0, 32, 32, 0, 0));
    EXPECT_EQ(lib->GetNumGpus(), 0u);
    EXPECT_FALSE(lib->Stop());
}

TEST_F(SiliscanFacade, DamagedTreesGiveNeutralValues)
{
    SiliscanLib* lib = StartOn("garbage");
    // card0's device id is garbage: it is no PCI device. card1 is the first display device.
    EXPECT_TRUE(lib->IsDriverDetected());
    EXPECT_EQ(lib->GetMainDeviceId(), 0x73BFu);
    // The Radeon and the Intel card whose hwmon has no temperature.
    ASSERT_EQ(lib->GetNumGpus(), 2u);
    EXPECT_STREQ(lib->GetGpuName(1), "Intel HD Graphics 2000");
    float t = 5;
    EXPECT_FALSE(lib->GetGpuTemperatures(1, &t, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(t, 5);
    EXPECT_EQ(lib->GetGpuNumPerfLevels(1), 0u);
    float core = 5;
    // temp1_input "52" would be 0.052 C: a driver writing whole degrees, absent rather than 0.
    EXPECT_FALSE(lib->GetGpuTemperatures(0, &core, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(core, 5);
    // "nanMhz" and "infMhz" are no clocks.
    EXPECT_EQ(lib->GetGpuNumPerfLevels(0), 0u);
    EXPECT_FALSE(lib->GetGpuPerfLevel(0, 0, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ(lib->GetCpuName(), "n.a");
    EXPECT_EQ(lib->GetSystemMemoryKb(), 0u);
    EXPECT_EQ(GetLibraryState().bios_version, "n.a.");
    EXPECT_EQ(GetLibraryState().gpus[0]->fan_rpm, -1.0f);
    EXPECT_EQ(GetLibraryState().gpus[0]->fan_percent, -1.0f);
}

TEST_F(SiliscanFacade, StartTwiceAndStopDeletesTheSingleton)
{
    SiliscanLib* lib = StartOn("two_amd");
    EXPECT_TRUE(lib->Start(0, 0, 32, 32, 0, 0));
    EXPECT_EQ(lib->GetNumGpus(), 2u);   // the second Start did nothing
    EXPECT_TRUE(lib->Stop());
    EXPECT_EQ(GetLibraryState().gpus.size(), 0u);
    EXPECT_EQ(GetLibraryState().current_window, nullptr);
    SiliscanLib* fresh = SiliscanLib::Instance();
    ASSERT_NE(fresh, nullptr);
    EXPECT_FALSE(fresh->IsDriverDetected());
    EXPECT_FALSE(fresh->Stop());
}

TEST_F(SiliscanFacade, FailingNvmlCallsLeaveTheRecordListed)
{
    SiliscanLib* lib = StartOn("nvidia_amd", "nvml_failing.txt");
    ASSERT_EQ(lib->GetNumGpus(), 2u);
    EXPECT_STREQ(lib->GetGpuName(0), "NVIDIA GeForce RTX 3080");
    float core = 9;
    EXPECT_FALSE(lib->GetGpuTemperatures(0, &core, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(core, 9);
    EXPECT_EQ(lib->GetGpuNumPerfLevels(0), 0u);
    EXPECT_FALSE(lib->GetGpuPerfLevel(0, 0, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(GetLibraryState().gpus[0]->fan_percent, -1.0f);
    // No NVML memory: the snapshot falls back to what the driver's sysfs says (nothing here).
    EXPECT_EQ(GetLibraryState().video_memory_mb, 0u);
}

TEST_F(SiliscanFacade, NvmlThatFailsToStartOrLacksEntryPoints)
{
    SiliscanLib* lib = StartOn("nvidia_amd", "nvml_init_fails.txt");
    // The NVIDIA card is still a GPU of the machine, named and versioned from sysfs; it only
    // has no temperature.
    ASSERT_EQ(lib->GetNumGpus(), 2u);
    EXPECT_STREQ(lib->GetGpuName(0), "NVIDIA GeForce RTX 3080");
    EXPECT_STREQ(lib->GetGpuName(1), "AMD Radeon RX 6800/6800 XT/6900 XT");
    float t = 7;
    EXPECT_FALSE(lib->GetGpuTemperatures(0, &t, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(t, 7);
    EXPECT_STREQ(lib->GetGpuDriver(0), "nvidia 550.54.14");
    EXPECT_STREQ(lib->GetMainDriver(), "nvidia 550.54.14");
    EXPECT_TRUE(lib->Stop());

    // Plain (unversioned) entry points and no sensor calls at all.
    lib = StartOn("nvidia_amd", "nvml_two_gpus.txt", FAKE_NVML_PLAIN_PATH);
    ASSERT_EQ(lib->GetNumGpus(), 3u);
    EXPECT_STREQ(lib->GetGpuName(0), "NVIDIA GeForce RTX 3080");
    EXPECT_STREQ(lib->GetGpuName(1), "unknown");   // no name call, no table row
    float core = 0;
    EXPECT_FALSE(lib->GetGpuTemperatures(0, &core, nullptr, nullptr, nullptr));
    EXPECT_FALSE(lib->GetGpuPerfLevel(0, 0, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_TRUE(lib->Stop());

    // A library that is not NVML at all.
    lib = StartOn("nvidia_amd", "nvml_two_gpus.txt", "libm.so.6");
    EXPECT_EQ(lib->GetNumGpus(), 2u);
}

// The device that renders is the main card and GPU 0, whatever the boot display adapter is.
TEST_F(SiliscanFacade, HybridLaptopNamesTheGpuThatRenders)
{
    // PRIME offload to the NVIDIA GPU: its own driver, recognised by GL_VENDOR.
    RendererIdentity nvidia;
    nvidia.gl_vendor = "NVIDIA Corporation";
    nvidia.gl_renderer = "NVIDIA GeForce RTX 3060 Laptop GPU/PCIe/SSE2";
    SetRendererIdentityOverride(&nvidia);
    for (const char* script : {"nvml_laptop.txt", "nvml_init_fails.txt"}) {
        SiliscanLib* lib = StartOn("hybrid_intel_nvidia", script);
        EXPECT_EQ(lib->GetMainVendorId(), 0x10DEu) << script;
        EXPECT_EQ(lib->GetMainDeviceId(), 0x2520u);
        EXPECT_STREQ(lib->GetMainDriver(), "nvidia 550.54.14");
        EXPECT_STREQ(lib->GetBootAdapterName(), "Intel Iris Xe Graphics");
        EXPECT_EQ(lib->GetBootAdapterDeviceId(), 0x9A49u);
        // Both GPUs are listed, the rendering one first also after sorting by bus.
        ASSERT_EQ(lib->GetNumGpus(), 2u);
        ASSERT_TRUE(lib->SortGpusByBus());
        EXPECT_STREQ(lib->GetGpuName(1), "Intel Iris Xe Graphics");
        EXPECT_STREQ(lib->GetGpuDriver(1), "i915 6.1.0-26-amd64");
        uint32_t v = 0;
        lib->GetGpuPciIds(0, &v, nullptr, nullptr, nullptr);
        EXPECT_EQ(v, 0x10DEu);
        float t = -1;
        // i915 has no hwmon: no temperature, but its clocks.
        EXPECT_FALSE(lib->GetGpuTemperatures(1, &t, nullptr, nullptr, nullptr));
        EXPECT_EQ(lib->GetGpuNumPerfLevels(1), 2u);
        // With NVML the NVIDIA GPU has its temperature; without it none (not 0).
        EXPECT_EQ(lib->GetGpuTemperatures(0, &t, nullptr, nullptr, nullptr),
                  std::string(script) == "nvml_laptop.txt");
        EXPECT_TRUE(lib->Stop());
    }

    // The panel's Intel GPU renders (Mesa answers its PCI ids): nothing else to say.
    RendererIdentity intel;
    intel.has_pci_ids = true;
    intel.vendor_id = 0x8086;
    intel.device_id = 0x9A49;
    intel.gl_renderer = "Mesa Intel(R) Xe Graphics (TGL GT2)";
    SetRendererIdentityOverride(&intel);
    SiliscanLib* lib = StartOn("hybrid_intel_nvidia");
    EXPECT_EQ(lib->GetMainDeviceId(), 0x9A49u);
    EXPECT_STREQ(lib->GetBootAdapterName(), "");
    EXPECT_STREQ(lib->GetGpuName(0), "Intel Iris Xe Graphics");
    EXPECT_STREQ(lib->GetGpuName(1), "NVIDIA GeForce RTX 3060 Laptop GPU");
    EXPECT_TRUE(lib->Stop());

    // Mesa's zink over NVK renders on the NVIDIA GPU: Mesa's GL_VENDOR, the GPU in the name.
    RendererIdentity zink;
    zink.gl_vendor = "Mesa";
    zink.gl_renderer = "zink Vulkan 1.3(NVIDIA GeForce RTX 3060 Laptop GPU (MESA_NVK))";
    SetRendererIdentityOverride(&zink);
    lib = StartOn("hybrid_intel_nvidia", "nvml_laptop.txt");
    EXPECT_EQ(lib->GetMainDeviceId(), 0x2520u);
    EXPECT_FALSE(lib->IsSoftwareRenderer());
    EXPECT_STREQ(lib->GetGpuName(0), "NVIDIA GeForce RTX 3060 Laptop GPU");
    float t = -1;
    EXPECT_TRUE(lib->GetGpuTemperatures(0, &t, nullptr, nullptr, nullptr));
    EXPECT_TRUE(lib->Stop());

    // WSL: d3d12 over the Windows driver's GPU, no DRM card, NVML answering for it.
    RendererIdentity wsl;
    wsl.gl_vendor = "Microsoft Corporation";
    wsl.gl_renderer = "D3D12 (NVIDIA GeForce RTX 3060 Laptop GPU)";
    SetRendererIdentityOverride(&wsl);
    lib = StartOn("vm_no_drm", "nvml_laptop.txt");
    EXPECT_STREQ(lib->GetMainRenderer(), "NVIDIA GeForce RTX 3060 Laptop GPU");
    EXPECT_EQ(lib->GetMainVendorKind(), 1);
    EXPECT_FALSE(lib->IsSoftwareRenderer());
    ASSERT_EQ(lib->GetNumGpus(), 1u);
    t = -1;
    EXPECT_TRUE(lib->GetGpuTemperatures(0, &t, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(t, 48.0f);
}

TEST_F(SiliscanFacade, ApuAndDiscreteCardFollowTheEglDevice)
{
    RendererIdentity egl;
    egl.drm_node = "/dev/dri/renderD129";
    egl.gl_renderer = "AMD Radeon RX 7600 (radeonsi, navi33, LLVM 17.0.6, DRM 3.57, 6.8.0-45-generic)";
    SetRendererIdentityOverride(&egl);
    SiliscanLib* lib = StartOn("amd_apu_dgpu");
    EXPECT_EQ(lib->GetMainDeviceId(), 0x7480u);
    EXPECT_STREQ(lib->GetMainRenderer(), "AMD Radeon RX 7600/7600 XT/7700S/7600S");
    EXPECT_STREQ(lib->GetMainDriver(), "amdgpu 6.8.0-45-generic");
    EXPECT_STREQ(lib->GetBootAdapterName(), "AMD Radeon 780M / 760M Graphics");
    EXPECT_EQ(lib->GetMainVendorKind(), kVendorAmd);
    ASSERT_EQ(lib->GetNumGpus(), 2u);
    float t = 0;
    ASSERT_TRUE(lib->GetGpuTemperatures(0, &t, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(t, 52);   // the rendering GPU's, not the APU's 41
    EXPECT_EQ(GetLibraryState().video_memory_mb, 8176u);
    EXPECT_TRUE(lib->Stop());

    // A software renderer is reported as one, whatever cards exist, and leads the list.
    RendererIdentity soft;
    soft.gl_vendor = "Mesa";
    soft.gl_renderer = "llvmpipe (LLVM 15.0.6, 256 bits)";
    SetRendererIdentityOverride(&soft);
    lib = StartOn("amd_apu_dgpu");
    EXPECT_TRUE(lib->IsDriverDetected());
    EXPECT_TRUE(lib->IsSoftwareRenderer());
    EXPECT_EQ(lib->GetMainVendorId(), 0xFFFFFFFFu);
    EXPECT_STREQ(lib->GetMainRenderer(), "llvmpipe (LLVM 15.0.6, 256 bits)");
    EXPECT_STREQ(lib->GetMainDriver(), "llvmpipe");
    EXPECT_STREQ(lib->GetBootAdapterName(), "AMD Radeon 780M / 760M Graphics");
    ASSERT_EQ(lib->GetNumGpus(), 3u);
    ASSERT_TRUE(lib->SortGpusByBus());
    EXPECT_STREQ(lib->GetGpuName(0), "llvmpipe (LLVM 15.0.6, 256 bits)");
    EXPECT_FALSE(lib->GetGpuTemperatures(0, &t, nullptr, nullptr, nullptr));
    EXPECT_EQ(lib->GetGpuNumPerfLevels(0), 0u);
    EXPECT_STREQ(lib->GetGpuName(1), "AMD Radeon RX 7600/7600 XT/7700S/7600S");   // bus 3 before bus 0xC4
}

TEST_F(SiliscanFacade, IntelGpuWithoutHwmonIsStillAGpu)
{
    SiliscanLib* lib = StartOn("intel_no_hwmon");
    ASSERT_EQ(lib->GetNumGpus(), 1u);
    EXPECT_STREQ(lib->GetGpuName(0), "Intel UHD Graphics 770");
    EXPECT_STREQ(lib->GetGpuDriver(0), "i915 6.1.0-26-amd64");
    float t = 3;
    EXPECT_FALSE(lib->GetGpuTemperatures(0, &t, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(t, 3);
    float c = 0;
    ASSERT_TRUE(lib->GetGpuPerfLevel(0, 1, nullptr, &c, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(c, 350);
}
