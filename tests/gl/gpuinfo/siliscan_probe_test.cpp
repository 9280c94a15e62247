// The library on this machine's real OpenGL driver: the probe context over GLX (under the
// test display) and over EGL (SDL's offscreen driver), its limits, and a machine whose only
// renderer is the OpenGL one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "gpuinfo/driver_info.h"
#include "gpuinfo/library_state.h"
#include "gpuinfo/siliscan.h"

using namespace Ridudedozu;

namespace {

const std::string kFixtures = GRIDFALL_FIXTURES_DIR "/gpuinfo";

class SiliscanProbe : public ::testing::Test {
protected:
    void SetUp() override
    {
        DestroyLibrary();
        unsetenv("GRIDFALL_SYSFS_ROOT");
        setenv("GRIDFALL_NVML_LIBRARY", "/nonexistent/libnvidia-ml.so.1", 1);
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        savedDriver_ = driver ? driver : "";
        hadDriver_ = driver != nullptr;
    }
    void TearDown() override
    {
        DestroyLibrary();
        SetCpuSpeedMeasure(nullptr);
        unsetenv("GRIDFALL_NVML_LIBRARY");
        unsetenv("GRIDFALL_SYSFS_ROOT");
        if (hadDriver_)
            setenv("SDL_VIDEODRIVER", savedDriver_.c_str(), 1);
        else
            unsetenv("SDL_VIDEODRIVER");
    }

    static void ExpectSaneProbe(SiliscanLib* lib)
    {
        EXPECT_TRUE(lib->IsDriverDetected());
        EXPECT_GE(lib->GetGlMajor(), 2);
        EXPECT_GT(std::strlen(lib->GetMainRenderer()), 0u);
        EXPECT_GE(lib->GetMaxViewportSize(), 1024);
        if (lib->GetGlMajor() >= 4) {
            EXPECT_GE(lib->GetMaxTessLevel(), 64.0);
        }
        for (uint32_t i = 1; i < lib->GetNumMsaaModes(); ++i)
            EXPECT_GT(lib->GetMsaaMode(i), lib->GetMsaaMode(i - 1));
        EXPECT_EQ(lib->GetMsaaMode(lib->GetNumMsaaModes()), 0);

        const GlProbe& probe = GetLibraryState().current_window->probe->gl;
        EXPECT_TRUE(probe.context_ready);
        EXPECT_GT(probe.gl_extension_count, 0u);
        EXPECT_GE(probe.extensions.size(), probe.gl_extension_count);
        EXPECT_EQ(probe.HasExtension("GL_ARB_tessellation_shader"), lib->GetMaxTessLevel() > 0.0);
        EXPECT_EQ(probe.Flag(GlProbe::kTessellationShader), lib->GetMaxTessLevel() > 0.0);
        EXPECT_EQ(probe.Flag(GlProbe::kMajor4), lib->GetGlMajor() >= 4);
        EXPECT_FALSE(probe.Flag(GlProbe::kNumFlags));   // out of range reads false
        // Flags follow the driver's extension list, not entry points that merely resolve (Mesa
        // resolves those of extensions it does not offer).
        EXPECT_EQ(probe.Flag(GlProbe::kBindableUniform), probe.HasExtension("GL_EXT_bindable_uniform"));
        EXPECT_EQ(probe.Flag(GlProbe::kGeometryShader4), probe.HasExtension("GL_EXT_geometry_shader4"));
        if (!probe.HasExtension("GL_NV_gpu_program4")) {
            EXPECT_EQ(probe.limits.min_program_texel_offset, 0);
            EXPECT_EQ(probe.limits.max_program_texel_offset, 0);
        }
        EXPECT_NE(probe.glsl_version, "n.a.");
        EXPECT_NE(probe.vendor, "n.a.");
    }

    std::string savedDriver_;
    bool hadDriver_ = false;
};

}  // namespace

TEST_F(SiliscanProbe, RealMachineWithItsOwnDisplay)
{
    if (!std::getenv("DISPLAY"))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SiliscanLib* lib = SiliscanLib::Instance();
    ASSERT_NE(lib, nullptr);
    ASSERT_TRUE(lib->Start(0, 0, 32, 32, 4, 1));
    ExpectSaneProbe(lib);
    EXPECT_GT(lib->GetSystemMemoryKb(), 0u);
    EXPECT_GT(std::strlen(lib->GetOsName()), 0u);
    EXPECT_STRNE(lib->GetMainDriver(), "unknown");
    // The real time-stamp counter measurement: some plausible clock.
    const int32_t mhz = lib->GetCpuSpeedMhz();
    EXPECT_GT(mhz, 100);
    EXPECT_EQ(lib->GetCpuSpeedMhz(), mhz);
    EXPECT_TRUE(lib->Stop());
}

TEST_F(SiliscanProbe, HeadlessProbeUsesEglConfigsAndNames)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SetCpuSpeedMeasure([] { return 1000; });
    SiliscanLib* lib = SiliscanLib::Instance();
    ASSERT_TRUE(lib->Start(0, 0, 32, 32, 4, 1));
    ExpectSaneProbe(lib);
    const GlProbe& probe = GetLibraryState().current_window->probe->gl;
    EXPECT_TRUE(probe.egl);
    bool eglName = false;
    for (size_t i = probe.gl_extension_count; i < probe.extensions.size(); ++i)
        eglName |= probe.extensions[i].rfind("EGL_", 0) == 0;
    EXPECT_TRUE(eglName);
    EXPECT_TRUE(lib->Stop());
}

TEST_F(SiliscanProbe, SoftwareRendererStandsInForTheMissingPciDevice)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("GRIDFALL_SYSFS_ROOT", (kFixtures + "/vm_no_drm").c_str(), 1);
    SetCpuSpeedMeasure([] { return 1000; });
    SiliscanLib* lib = SiliscanLib::Instance();
    ASSERT_TRUE(lib->Start(0, 0, 32, 32, 4, 1));
    ExpectSaneProbe(lib);
    const GlProbe& probe = GetLibraryState().current_window->probe->gl;
    EXPECT_STREQ(lib->GetMainRenderer(), probe.renderer.c_str());
    EXPECT_EQ(lib->GetMainVendorId(), 0xFFFFFFFFu);
    EXPECT_EQ(lib->GetMainDeviceId(), 0xFFFFFFFFu);
    EXPECT_EQ(lib->GetMainVendorKind(), VendorKindFromGlVendor(probe.vendor.c_str()));
    EXPECT_STREQ(lib->GetCpuName(), "QEMU Virtual CPU version 2.5+");
    EXPECT_STREQ(lib->GetOsName(), "Ubuntu 22.04.4 LTS 64-bit [Linux 6.1.0-18-amd64]");
    // llvmpipe renders: it is GPU 0, without sensors, and names itself in the driver text.
    EXPECT_TRUE(lib->IsSoftwareRenderer());
    ASSERT_EQ(lib->GetNumGpus(), 1u);
    EXPECT_STREQ(lib->GetGpuName(0), probe.renderer.c_str());
    float t = 5;
    EXPECT_FALSE(lib->GetGpuTemperatures(0, &t, nullptr, nullptr, nullptr));
    EXPECT_EQ(lib->GetGpuNumPerfLevels(0), 0u);
    const std::string driver = lib->GetMainDriver();
    EXPECT_EQ(driver, SoftwareRendererName(probe.renderer) + " - " + GlDriverText(probe.version_string));
    EXPECT_STREQ(lib->GetGpuDriver(0), driver.c_str());
    EXPECT_TRUE(lib->Stop());
}

TEST_F(SiliscanProbe, SoftwareRendererIsTheMainCardWhateverCardsExist)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("GRIDFALL_SYSFS_ROOT", (kFixtures + "/intel_hwmon").c_str(), 1);
    SetCpuSpeedMeasure([] { return 1000; });
    SiliscanLib* lib = SiliscanLib::Instance();
    ASSERT_TRUE(lib->Start(0, 0, 32, 32, 4, 1));
    const GlProbe& probe = GetLibraryState().current_window->probe->gl;
    // The context itself says it is Mesa's software device (EGL) or has no PCI ids.
    const RendererIdentity& id = probe.render_identity;
    EXPECT_TRUE(id.software_device || !id.has_pci_ids || id.vendor_id == 0xFFFFFFFFu) << id.vendor_id;
    EXPECT_STREQ(lib->GetMainRenderer(), probe.renderer.c_str());
    EXPECT_EQ(lib->GetMainVendorId(), 0xFFFFFFFFu);
    EXPECT_STREQ(lib->GetBootAdapterName(), "Intel UHD Graphics 630");
    ASSERT_EQ(lib->GetNumGpus(), 2u);
    EXPECT_STREQ(lib->GetGpuName(1), "Intel UHD Graphics 630");
    EXPECT_STREQ(lib->GetGpuDriver(1), "i915 6.1.0-18-amd64");
    EXPECT_EQ(std::string(lib->GetMainDriver()).rfind("llvmpipe - Mesa ", 0), 0u) << lib->GetMainDriver();
    EXPECT_TRUE(lib->Stop());
}

TEST_F(SiliscanProbe, NoContextRequestedKeepsTheOpenGlDefaults)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("GRIDFALL_SYSFS_ROOT", (kFixtures + "/two_amd").c_str(), 1);
    SetCpuSpeedMeasure([] { return 1000; });
    SiliscanLib* lib = SiliscanLib::Instance();
    ASSERT_TRUE(lib->Start(0, 0, 32, 32, 0, 0));
    EXPECT_TRUE(lib->IsDriverDetected());
    EXPECT_EQ(lib->GetGlMajor(), 1);
    EXPECT_EQ(lib->GetGlMinor(), 1);
    EXPECT_EQ(lib->GetMaxViewportSize(), 1024);
    EXPECT_EQ(lib->GetMaxTessLevel(), 0.0);
    EXPECT_EQ(lib->GetNumMsaaModes(), 0u);
    EXPECT_TRUE(lib->Stop());
}

TEST_F(SiliscanProbe, OlderRequestGetsAPlainContext)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SetCpuSpeedMeasure([] { return 1000; });
    SiliscanLib* lib = SiliscanLib::Instance();
    ASSERT_TRUE(lib->Start(0, 0, 32, 32, 2, 0));
    EXPECT_FALSE(GetLibraryState().current_window->attrib_context);
    EXPECT_GE(lib->GetGlMajor(), 2);
    EXPECT_TRUE(lib->Stop());
}
