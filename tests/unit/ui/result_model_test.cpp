// The result and About texts for the kinds of runs and machines a user meets.
#include "app/ui/result_model.h"

#include "gpuinfo/siliscan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

struct FinishedRun {
    StartupOptions options;
    RunResult result;
    SensorReadings sensors;
    SystemInfo system;
    uint32_t elapsed_ms = 0;
    int32_t vendor = Ridudedozu::kVendorNvidia;
    double fps_min_exact = std::numeric_limits<double>::quiet_NaN();
    double fps_max_exact = std::numeric_limits<double>::quiet_NaN();

    FinishedRun()
    {
        options.active_time_based = 1;
        options.active_duration_ms = 60000;
        options.client_width = 1280;
        options.client_height = 720;
        options.active_fullscreen = 0;
        result = {31, 77, 52, 2816};
        std::strcpy(system.renderer, "GeForce GTX 480");
        std::strcpy(system.os, "Debian GNU/Linux 12");
    }
    ResultTexts Texts() const
    {
        return BuildResultTexts({options, result, elapsed_ms, sensors, system, vendor, fps_min_exact,
                                 fps_max_exact});
    }
};

TEST(ResultModel, TimeBasedRun)
{
    FinishedRun run;
    EXPECT_EQ(run.Texts().max_temperature, "Max GPU temp: n.a.");   // no sensor: not "0°C"
    run.sensors.max_temperature = 81.9f;
    run.sensors.has_temperature = true;
    const ResultTexts t = run.Texts();
    EXPECT_EQ(t.title, "Lumetra Gridfall 0.3.0 - SCORE: 2816 points (60000 ms)");
    EXPECT_EQ(t.score, "SCORE: 2816 points, time: 60000 ms");
    EXPECT_EQ(t.max_temperature, "Max GPU temp: 81\u00B0C");
    EXPECT_EQ(t.settings, "Res:1280x720(W) - AA:Off - PostFX:OFF");
    EXPECT_EQ(t.fps, "FPS: min=31  max=77  avg=52");
    EXPECT_EQ(t.codepath, "Codepath: OpenGL 4 - Tessellation level: 32.0 - Map set 3");
    EXPECT_EQ(t.renderer, "GeForce GTX 480");
    EXPECT_EQ(t.os, "Debian GNU/Linux 12");
    EXPECT_EQ(t.more_link, "[More on Gridfall...]");
    EXPECT_EQ(t.build.rfind("Build: [", 0), 0u);
}

TEST(ResultModel, FrameCountRunFullscreenPostFxAndCurrent)
{
    FinishedRun run;
    run.options.active_time_based = 0;
    run.options.active_max_frames = 1000;
    run.options.active_fullscreen = 1;
    run.options.render_post_fx = 1;
    run.options.post_fx_index = 3;
    std::strcpy(run.options.aa_mode, "4X MSAA");
    run.system.msaa_samples = 4;
    run.elapsed_ms = 15432;
    run.sensors.max_temperature = 70.2f;
    run.sensors.has_temperature = true;
    run.sensors.max_current = 12.34f;
    const ResultTexts t = run.Texts();
    EXPECT_EQ(t.title, "Lumetra Gridfall 0.3.0 - SCORE: 15432 ms (1000 frames)");
    EXPECT_EQ(t.score, "SCORE: 15432 ms, frames: 1000");
    EXPECT_EQ(t.max_temperature, "Max GPU temp: 70\u00B0C - Max current: 12.3A");
    EXPECT_EQ(t.settings, "Res:1280x720(FS) - AA:4X MSAA - PostFX:ON");
    // The texts say what ran: a multisample mode the driver refused, an effect out of range.
    run.system.msaa_samples = 0;
    run.options.post_fx_index = 99;
    EXPECT_EQ(run.Texts().settings, "Res:1280x720(FS) - AA:Off - PostFX:OFF");
}

TEST(ResultModel, FpsLineNeverShowsAPlaceholderOrAWholeFrameCountOfASlowRun)
{
    FinishedRun run;
    // Five frames, no second completed: the records still hold their starting values.
    run.result = {10000, 0, 0, 5};
    run.elapsed_ms = 400;
    EXPECT_EQ(run.Texts().fps, "FPS: min=n.a.  max=n.a.  avg=n.a.");
    // 0.15 fps: each window holds one or two frames of several seconds.
    run.result = {1, 2, 1, 9};
    run.elapsed_ms = 60000;
    run.fps_min_exact = 0.1234;
    run.fps_max_exact = 0.3;
    EXPECT_EQ(run.Texts().fps, "FPS: min=0.12  max=0.30  avg=0.15");
    // A run at normal speed keeps the dialog's whole figures.
    run.result = {31, 77, 52, 3120};
    EXPECT_EQ(run.Texts().fps, "FPS: min=31  max=77  avg=52");
}

TEST(ResultModel, CodepathFollowsApiAndMapSetCountsFromOne)
{
    FinishedRun run;
    run.options.api3d = 11;
    run.options.map_set = 0;
    run.options.tess_level = 64.0f;
    EXPECT_EQ(run.Texts().codepath, "Codepath: Direct3D 11 - Tessellation level: 64.0 - Map set 1");
    run.options.api3d = 10;
    EXPECT_EQ(run.Texts().codepath.rfind("Codepath: OpenGL 4", 0), 0u);
}

TEST(ResultModel, ClocksByVendor)
{
    FinishedRun run;
    EXPECT_EQ(run.Texts().clocks, "Data not available");
    run.sensors.gpu0_core_clock = 700.9f;
    run.sensors.gpu0_memory_clock = 1848.0f;
    run.sensors.gpu0_shader_clock = 1401.0f;
    EXPECT_EQ(run.Texts().clocks, "GPU:700MHz, mem:1848MHz, shader:1401MHz");
    run.vendor = Ridudedozu::kVendorAmd;
    EXPECT_EQ(run.Texts().clocks, "GPU:700MHz, mem:1848MHz");
    run.vendor = Ridudedozu::kVendorNone;
    EXPECT_EQ(run.Texts().clocks, "GPU:700MHz, mem:1848MHz");
}

TEST(ResultModel, LongSystemTextsStayWithinTheDialogBuffer)
{
    FinishedRun run;
    std::memset(run.options.aa_mode, 'a', sizeof(run.options.aa_mode) - 1);
    run.options.client_width = -2147483647 - 1;
    EXPECT_LE(run.Texts().settings.size(), 255u);
}

TEST(ResultModel, ReportLinesAndAbout)
{
    FinishedRun run;
    const auto lines = ResultReportLines(run.Texts());
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[1].second, "SCORE: 2816 points, time: 60000 ms");
    EXPECT_EQ(lines[6].first, "Renderer");
    EXPECT_EQ(lines[8].first, "Clocks");

    const AboutTexts about = BuildAboutTexts();
    EXPECT_EQ(about.product_line.rfind("Lumetra Gridfall - v0.3.0 - Build [", 0), 0u);
    EXPECT_FALSE(about.credit.empty());
    EXPECT_FALSE(about.notice.empty());
}

}  // namespace
