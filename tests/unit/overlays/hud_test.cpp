// The text HUD's lines, colours and positions, captured through a recording font.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "recorders.h"
#include "scene/hud.h"

using namespace overlays_test;
using ::testing::ElementsAre;

namespace {

HudInputs BenchmarkInputs()
{
    HudInputs in;
    in.runMode = 1;
    in.requestedWidth = 1280;
    in.requestedHeight = 720;
    in.windowWidth = 1280;
    in.currentFps = 57;
    in.renderer = "AMD Radeon RX 6600";
    in.vendorId = 0x1002;
    in.deviceId = 0x73FF;
    in.aaMode = "4X";
    in.tessLevel = 32.0f;
    in.tessLevelInner = 32.0f;
    in.tessLevelOuter = 32.0f;
    in.sphereTriangles = 1800;
    return in;
}

std::array<float, 4> Color(const float c[4]) { return {c[0], c[1], c[2], c[3]}; }

}  // namespace

TEST(Hud, WarmUpShowsTitleWarmingRendererAndTessellation)
{
    HudInputs in = BenchmarkInputs();
    RecordingFont font;
    ComposeHud(in, font);
    EXPECT_THAT(font.Texts(), ElementsAre("Lumetra Gridfall v0.3.0 - Benchmark mode, 1280x720 - 57 FPS",
                                          "Benchmarking - WARMING-UP...",
                                          "OpenGL renderer: AMD Radeon RX 6600 (1002-73FF) - MSAA: 4X",
                                          "Tessellation level: 32.0", "- tessellated polygons: 2764K"));
    ASSERT_EQ(font.calls.size(), 5u);
    const int ys[] = {10, 30, 50, 70, 85};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(font.calls[i].x, 10) << i;
        EXPECT_EQ(font.calls[i].y, ys[i]) << i;
    }
    EXPECT_EQ(font.calls[0].rgba, Color(kHudTitleColor));
    EXPECT_EQ(font.calls[1].rgba, Color(kHudWarmupColor));
    EXPECT_EQ(font.calls[2].rgba, Color(kHudTitleColor));
    EXPECT_EQ(font.calls[3].rgba, Color(kHudValueColor));
    EXPECT_EQ(font.calls[4].rgba, Color(kHudValueColor));
}

TEST(Hud, MeasuringBenchmarkMovesBelowTheBarAndShowsProgress)
{
    HudInputs in = BenchmarkInputs();
    in.warmupDone = true;
    in.minFps = 10000;   // no full second measured yet
    in.maxFps = 0;
    in.avgFps = 0;
    in.elapsedMs = 3723999;   // 1 h 2 min 3.999 s
    in.totalFrames = 4242;
    in.progressPercent = 42;
    RecordingFont font;
    ComposeHud(in, font);
    ASSERT_EQ(font.calls.size(), 7u);
    EXPECT_EQ(font.calls[0].y, 30);
    EXPECT_EQ(font.calls[1].text, "FPS - min:57, max:0, avg:0");   // current shown as the minimum
    EXPECT_EQ(font.calls[1].y, 50);
    EXPECT_EQ(font.calls[2].text, "Elapsed time: 01:02:03 (frames: 4242)");
    EXPECT_EQ(font.calls[2].y, 65);
    EXPECT_EQ(font.calls[3].y, 85);
    EXPECT_EQ(font.calls[4].y, 105);
    EXPECT_EQ(font.calls[5].y, 120);
    EXPECT_EQ(font.calls[6].text, "42 %");
    EXPECT_EQ(font.calls[6].x, 1280 / 2 - 10);
    EXPECT_EQ(font.calls[6].y, 10);
    EXPECT_EQ(font.calls[6].rgba, Color(kHudValueColor));

    in.minFps = 50;
    in.maxFps = 61;
    in.avgFps = 55;
    font.calls.clear();
    ComposeHud(in, font);
    EXPECT_EQ(font.calls[1].text, "FPS - min:50, max:61, avg:55");

    // A benchmark run never shows GPU-Z or help, even when they are available.
    in.gpuzAvailable = true;
    in.showHelp = true;
    font.calls.clear();
    ComposeHud(in, font);
    EXPECT_EQ(font.calls.size(), 7u);
}

TEST(Hud, DemoModeWithUnequalLevelsShowsKeyHintHigher)
{
    HudInputs in = BenchmarkInputs();
    in.runMode = 2;
    in.tessLevelInner = 16.0f;   // no polygon figure: the lines below move up by 15
    in.minFps = 40;
    in.maxFps = 60;
    in.avgFps = 50;
    in.elapsedMs = 59000;
    in.totalFrames = 3000;
    RecordingFont font;
    ComposeHud(in, font);
    EXPECT_THAT(font.Texts(), ElementsAre("Lumetra Gridfall v0.3.0 - Demo mode, 1280x720 - 57 FPS",
                                          "FPS - min:40, max:60, avg:50", "Elapsed time: 00:00:59 (frames: 3000)",
                                          "OpenGL renderer: AMD Radeon RX 6600 (1002-73FF) - MSAA: 4X",
                                          "Tessellation level: 32.0", "> F1: toggle help",
                                          "Checks: 0 - errors: 0"));
    EXPECT_EQ(font.calls[0].y, 10);
    EXPECT_EQ(font.calls[3].y, 65);
    EXPECT_EQ(font.calls[4].y, 85);
    EXPECT_EQ(font.calls[5].y, 105);
    EXPECT_EQ(font.calls[5].rgba, Color(kHudHelpColor));
    EXPECT_EQ(font.calls[6].y, 125);
    EXPECT_EQ(font.calls[6].rgba, Color(kHudValueColor));

    // The stability test's line turns red with the first error.
    in.checkFrames = 7;
    in.errorEvents = 1;
    font.calls.clear();
    ComposeHud(in, font);
    EXPECT_EQ(font.calls.back().text, "Checks: 7 - errors: 1");
    EXPECT_EQ(font.calls.back().rgba, Color(kHudErrorColor));

    // Where the driver measures the frames' GPU time, the renderer line carries it.
    in.gpuFrameMs = 4.256;
    font.calls.clear();
    ComposeHud(in, font);
    EXPECT_EQ(font.calls[3].text, "OpenGL renderer: AMD Radeon RX 6600 (1002-73FF) - MSAA: 4X - GPU: 4.26 ms/frame");
}

TEST(Hud, HelpLinesFollowTheKeyHint)
{
    HudInputs in = BenchmarkInputs();
    in.runMode = 2;
    in.showHelp = true;
    RecordingFont font;
    ComposeHud(in, font);
    ASSERT_EQ(font.calls.size(), 14u);
    EXPECT_EQ(font.calls[6].text, "> F1: toggle help");
    EXPECT_EQ(font.calls[6].y, 120);
    const char* help[] = {"> ESC: quit", "> F2: toggle wireframe / solid", "> SPACE: toggle tess object",
                          "> I: toggle all indicators", "> T: toggle temp. graphs", "> P: toggle pause animation"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(font.calls[7 + i].text, help[i]);
        EXPECT_EQ(font.calls[7 + i].y, 135 + 15 * i);
        EXPECT_EQ(font.calls[7 + i].rgba, Color(kHudHelpColor));
    }
}

TEST(Hud, GpuzLineLongWithPowerShortWithout)
{
    HudInputs in = BenchmarkInputs();
    in.runMode = 2;
    in.gpuzAvailable = true;
    in.gpuzCoreClock = 1410.9f;
    in.gpuzMemoryClock = 1750.2f;
    in.gpuzTemperature = 71.8f;
    in.gpuzCurrent = 12.34f;
    in.gpuzPower = 14.9f;
    RecordingFont font;
    ComposeHud(in, font);
    ASSERT_EQ(font.calls.size(), 9u);
    EXPECT_EQ(font.calls[6].text,
              "GPU-Z - core:1410MHz, mem:1750MHz, GPU temp:71\u00B0C, power draw:14W (12.3A)");
    EXPECT_EQ(font.calls[6].y, 120);
    EXPECT_EQ(font.calls[6].rgba, Color(kHudGpuzColor));
    EXPECT_EQ(font.calls[7].text, "> F1: toggle help");
    EXPECT_EQ(font.calls[7].y, 140);

    in.gpuzPower = 0.0f;
    font.calls.clear();
    ComposeHud(in, font);
    EXPECT_EQ(font.calls[6].text, "GPU-Z - core:1410MHz, mem:1750MHz, GPU temp:71\u00B0C");

    // A producer that stopped updating: the line says its values are old.
    in.gpuzStale = true;
    font.calls.clear();
    ComposeHud(in, font);
    EXPECT_EQ(font.calls[6].text,
              "GPU-Z - core:1410MHz, mem:1750MHz, GPU temp:71\u00B0C - stale: unchanged for 5 s");
}
