// Text parsing of sysfs/procfs values, driver texts and the probe's context-free rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gpuinfo/driver_info.h"
#include "gpuinfo/gl_probe.h"
#include "gpuinfo/sysfs_reader.h"
#include "gpuinfo/vendor/drm_gpu.h"

using namespace Ridudedozu;

TEST(SysfsText, HexFieldsFollowThePciRuleAndRefuseGarbage)
{
    EXPECT_EQ(ParseHexField("10DE"), 0x10DEu);
    EXPECT_EQ(ParseHexField("10de"), 0x10DEu);
    EXPECT_EQ(ParseHexField("68f9&SUBSYS"), 0x68F9u);   // only four characters count
    EXPECT_EQ(ParseHexField(""), std::nullopt);
    EXPECT_EQ(ParseHexField("1G02"), std::nullopt);
    EXPECT_EQ(ParseHexField(" 100"), std::nullopt);
    EXPECT_EQ(ParseHexField("10"), std::nullopt);   // truncated, not vendor 0x0010

    EXPECT_EQ(ParseSysfsHexId("0x1002\n"), 0x1002u);
    EXPECT_EQ(ParseSysfsHexId("0x1002"), 0x1002u);
    EXPECT_EQ(ParseSysfsHexId("0x3e92"), 0x3E92u);
    EXPECT_EQ(ParseSysfsHexId("0xzz!\n"), std::nullopt);
    EXPECT_EQ(ParseSysfsHexId(""), std::nullopt);
    EXPECT_EQ(ParseSysfsHexId("0x"), std::nullopt);
    EXPECT_EQ(ParseSysfsHexId("0x123456"), std::nullopt);
    EXPECT_EQ(ParseSysfsHexId("0x10\n"), std::nullopt);
}

TEST(SysfsText, KeyValuesAndFixedBuffers)
{
    const std::string osRelease = "NAME=\"Fedora Linux\"\nPRETTY_NAME='Fedora \\\"39\\\"'\nID=fedora\n";
    EXPECT_EQ(FindKeyValue(osRelease, "NAME"), "Fedora Linux");
    EXPECT_EQ(FindKeyValue(osRelease, "PRETTY_NAME"), "Fedora \"39\"");
    EXPECT_EQ(FindKeyValue(osRelease, "ID"), "fedora");
    EXPECT_EQ(FindKeyValue(osRelease, "VERSION"), std::nullopt);
    EXPECT_EQ(FindKeyValue("DRIVER=amdgpu", "DRIVER"), "amdgpu");

    char small[5];
    CopyText(small, sizeof(small), "abcdefgh");
    EXPECT_STREQ(small, "abcd");
    CopyText(small, sizeof(small), "");
    EXPECT_STREQ(small, "");
}

TEST(DpmLevels, ParsesLevelsAndTheCurrentMark)
{
    auto levels = ParseDpmLevels("0: 500Mhz\n1: 1800Mhz *\n2: 2250Mhz\n");
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_FLOAT_EQ(levels[0].mhz, 500);
    EXPECT_FALSE(levels[0].current);
    EXPECT_TRUE(levels[1].current);
    EXPECT_FLOAT_EQ(levels[2].mhz, 2250);

    // Newer kernels list a sleep clock as "S:" and some print "MHz".
    levels = ParseDpmLevels("S: 19Mhz\n0: 96MHz *\n");
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_FLOAT_EQ(levels[0].mhz, 96);

    EXPECT_TRUE(ParseDpmLevels("").empty());
    EXPECT_TRUE(ParseDpmLevels("0: fastMhz\n1:\n2: 300\n:\n").empty());
    // Whole MHz only: a float parser would store NaN or infinity as a clock.
    EXPECT_TRUE(ParseDpmLevels("0: nanMhz\n1: infMhz\n2: -5Mhz\n3: 1e3Mhz\n").empty());
    EXPECT_TRUE(ParseDpmLevels(std::string("\0\0\0", 3)).empty());
}

TEST(DriverText, KernelAndGlDriverParts)
{
    EXPECT_EQ(FormatDriverText("amdgpu 6.8.0-45-generic", "Mesa 24.0.5"), "amdgpu 6.8.0-45-generic - Mesa 24.0.5");
    EXPECT_EQ(FormatDriverText("llvmpipe", "Mesa 22.3.6"), "llvmpipe - Mesa 22.3.6");
    EXPECT_EQ(FormatDriverText("i915 6.1.0-26-amd64", ""), "i915 6.1.0-26-amd64");
    EXPECT_EQ(FormatDriverText("", "Mesa 22.3.6"), "Mesa 22.3.6");
    EXPECT_EQ(FormatDriverText("", ""), "unknown");
}

TEST(DriverText, VersionTextsOfDriversAndBios)
{
    EXPECT_EQ(GlDriverText("4.5 (Compatibility Profile) Mesa 23.2.1-1~bpo12+rc2"), "Mesa 23.2.1-1~bpo12+rc2");
    EXPECT_EQ(GlDriverText("4.6.0 NVIDIA 550.54.14"), "NVIDIA 550.54.14");
    EXPECT_EQ(GlDriverText("4.6.14830 Compatibility Profile Context 22.40.3"),
              "Compatibility Profile Context 22.40.3");
    EXPECT_EQ(GlDriverText("2.1"), "");
    EXPECT_EQ(GlDriverText(""), "");

    EXPECT_EQ(ParseNvidiaProcVersion(
                  "NVRM version: NVIDIA UNIX x86_64 Kernel Module  550.54.14  Thu Feb 22 01:44:30 UTC 2024\n"),
              "550.54.14");
    EXPECT_EQ(ParseNvidiaProcVersion("NVRM version: NVIDIA UNIX Open Kernel Module for x86_64  535.104.05  Release"),
              "535.104.05");
    EXPECT_EQ(ParseNvidiaProcVersion("garbage"), "");
    EXPECT_EQ(ParseNvidiaProcVersion("Kernel Module"), "");

    EXPECT_EQ(BiosVersionFromString(""), "n.a.");
    EXPECT_EQ(BiosVersionFromString("BIOS Version 62.04.4B"), " 62.04.4B");
    EXPECT_EQ(BiosVersionFromString("113-D4120100-100"), "113-D4120100-100");
}

TEST(GlProbeRules, VersionText)
{
    GlVersion v = ParseGlVersion("2.1.2 NVIDIA 340.108", 0, 0);
    EXPECT_EQ(v.major, 2);
    EXPECT_EQ(v.minor, 1);
    EXPECT_FLOAT_EQ(v.number, 2.1f);
    // 3.x and later: the integer queries decide.
    v = ParseGlVersion("4.5 (Compatibility Profile) Mesa 22.3.6", 4, 5);
    EXPECT_EQ(v.major, 4);
    EXPECT_EQ(v.minor, 5);
    v = ParseGlVersion("3.3.0", 3, 3);
    EXPECT_EQ(v.minor, 3);
    // Not a desktop version text: keep 1.1.
    for (const char* bad : {"OpenGL ES 3.2 Mesa", "", "4", "x.y"}) {
        v = ParseGlVersion(bad, 9, 9);
        EXPECT_EQ(v.major, 1) << bad;
        EXPECT_EQ(v.minor, 1) << bad;
    }
    v = ParseGlVersion(nullptr, 4, 1);
    EXPECT_EQ(v.major, 1);
}

TEST(GlProbeRules, ContextRequestsStepDownToWhatTheDriverOffers)
{
    const auto attempts = BuildContextAttempts(4, 1);
    const std::vector<ContextAttempt> expected = {
        {4, 1, true, false}, {4, 0, true, false}, {3, 3, true, false}, {3, 2, true, false},
        {3, 1, true, false}, {3, 0, true, false}, {4, 1, false, false}, {4, 0, false, false},
        {0, 0, false, true}};
    EXPECT_EQ(attempts, expected);

    // A driver that offers 3.3 at most answers the first request it can serve.
    const ContextAttempt* chosen = nullptr;
    for (const ContextAttempt& a : attempts)
        if (!a.legacy && a.major * 10 + a.minor <= 33) {
            chosen = &a;
            break;
        }
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->major, 3);
    EXPECT_EQ(chosen->minor, 3);
    EXPECT_TRUE(chosen->profile);

    // Below 3.0 only the plain context is asked for.
    EXPECT_EQ(BuildContextAttempts(2, 0), (std::vector<ContextAttempt>{{0, 0, false, true}}));
    EXPECT_EQ(BuildContextAttempts(3, 0).size(), 3u);   // 3.0 profile, 3.0 short, legacy
}

TEST(GlProbeRules, MultisampleModesStrictlyIncrease)
{
    auto fmt = [](int32_t index, int32_t sampleBuffers, int32_t samples) {
        PixelFormatDesc f;
        f.index = index;
        f.supports_gl = f.accelerated = f.draw_to_window = f.double_buffer = f.rgba = true;
        f.red = f.green = f.blue = f.alpha = 8;
        f.depth = 24;
        f.stencil = 8;
        f.sample_buffers = sampleBuffers;
        f.samples = samples;
        return f;
    };
    std::vector<PixelFormatDesc> formats = {fmt(1, 0, 0), fmt(2, 1, 4), fmt(3, 1, 2), fmt(4, 1, 8), fmt(5, 1, 8)};
    PixelFormatDesc slow = fmt(6, 1, 16);
    slow.accelerated = false;
    PixelFormatDesc noStencil = fmt(7, 1, 16);
    noStencil.stencil = 0;
    PixelFormatDesc pixmapOnly = fmt(8, 1, 16);
    pixmapOnly.draw_to_window = false;
    formats.insert(formats.end(), {slow, noStencil, pixmapOnly});

    int32_t plain = 0;
    const auto modes = BuildMsaaModes(formats, 24, 8, &plain);
    ASSERT_EQ(modes.size(), 2u);
    EXPECT_EQ(modes[0].samples, 4);
    EXPECT_EQ(modes[0].format, 2);
    EXPECT_EQ(modes[1].samples, 8);
    EXPECT_EQ(modes[1].format, 4);
    EXPECT_EQ(plain, 1);

    EXPECT_EQ(ChooseMsaaFormat(modes, 6), 4);
    EXPECT_EQ(ChooseMsaaFormat(modes, 2), 2);
    EXPECT_EQ(ChooseMsaaFormat(modes, 16), 0);   // the system chooses
    EXPECT_EQ(ChooseMsaaFormat(modes, -1), 4);
    EXPECT_EQ(ChooseMsaaFormat({}, 4), 0);
}

TEST(GlProbeRules, ExtensionNamesAndVendorKind)
{
    std::vector<std::string> names;
    SplitExtensionString("  GLX_ARB_multisample GLX_EXT_swap_control  ", &names);
    SplitExtensionString(nullptr, &names);
    SplitExtensionString((std::string(200, 'X') + " EGL_KHR_image").c_str(), &names);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], "GLX_ARB_multisample");
    EXPECT_EQ(names[1], "GLX_EXT_swap_control");
    EXPECT_EQ(names[2].size(), 127u);
    EXPECT_EQ(names[3], "EGL_KHR_image");

    EXPECT_EQ(VendorKindFromGlVendor("NVIDIA Corporation"), 1);
    EXPECT_EQ(VendorKindFromGlVendor("ATI Technologies Inc."), 2);
    EXPECT_EQ(VendorKindFromGlVendor("S3 Graphics"), 3);
    EXPECT_EQ(VendorKindFromGlVendor("Mesa"), 5);
    EXPECT_EQ(VendorKindFromGlVendor(nullptr), 5);
}
