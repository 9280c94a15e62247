// The render thread's frame loop driven by a fake clock: warm-up, per-second windows, the end
// of a benchmark, quits at every stage, failed initialisation, titles and sleeps.
#include "core/gnu_options.h"
#include "core/process_mode.h"
#include "run/frame_loop.h"
#include "run/run_progress.h"
#include "run/run_session.h"
#include "run/run_state.h"
#include "results/frame_log.h"
#include "results/stability.h"
#include "core/startup_options.h"
#include "tests/unit/render_loop/fake_scene.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <unistd.h>

#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

namespace {

using gridfall_test::FakeFrameClock;
using gridfall_test::FakeHost;
using gridfall_test::FakeScene;

using gridfall_test::FakeSceneRecord;

std::unique_ptr<FakeScene> g_next_scene;

std::unique_ptr<cHx7PDemo> TakeNextScene() { return std::move(g_next_scene); }
std::unique_ptr<cHx7PDemo> NoScene() { return nullptr; }

// A frame log's rows, the sum of their frame times and the last elapsed value, both in ns
// (frame times are written in ms with six decimals, so exactly in ns).
struct FrameLogTotals {
    int rows = 0;
    uint64_t frameSumNs = 0;
    uint64_t lastElapsedNs = 0;
};
FrameLogTotals ReadFrameLogTotals(const std::string& path)
{
    FrameLogTotals t;
    std::ifstream in(path);
    std::string line;
    for (int skip = 0; skip < 3 && std::getline(in, line); ++skip) {
    }
    while (std::getline(in, line)) {
        const std::size_t a = line.find(',') + 1, b = line.find(',', a), dot = line.find('.', a);
        t.frameSumNs += std::stoull(line.substr(a, dot - a)) * 1000000 + std::stoull(line.substr(dot + 1, b - dot - 1));
        // elapsed is MangoHud's last column, the 16th; Gridfall's gpu_frametime follows it.
        std::size_t at = 0;
        for (int field = 0; field < 15; ++field)
            at = line.find(',', at) + 1;
        t.lastElapsedNs = std::stoull(line.substr(at, line.find(',', at) - at));
        ++t.rows;
    }
    return t;
}

std::string TempFrameLogPath()
{
    return (std::filesystem::temp_directory_path() /
            ("gridfall_frame_log_" + std::to_string(getpid()) + ".csv")).string();
}

class FrameLoopTest : public ::testing::Test {
protected:
    FrameLoopTest() : saved_(std::make_unique<StartupOptions>(g_startup_options)) {}

    // Also called again by tests that run several rounds.
    void SetUp() override
    {
        g_next_scene.reset();
        g_startup_options.active_fullscreen = 0;
        g_startup_options.active_run_mode = 1;
        g_startup_options.active_time_based = 1;
        g_startup_options.active_duration_ms = 2500;
        g_startup_options.active_max_frames = 0;
        g_startup_options.tone_down_delay_ms = 0;
        g_startup_options.client_width = 320;
        g_startup_options.client_height = 240;
        // Leave the test process's scheduling alone.
        g_startup_options.rendering_cpu_affinity = 0;
        g_startup_options.rendering_thread_priority = 0;
        g_frame_stats.quit_requested = 0;
        g_frame_stats.run_finished = 0;
        SetRunOutcome(RunOutcome::None);
        FakeScene::destroyed() = 0;
        FakeScene::terminated() = 0;
        record_ = FakeSceneRecord{};
        g_next_scene = std::make_unique<FakeScene>(&clock_, &record_);
        scene_ = g_next_scene.get();
        SetSceneFactory(TakeNextScene);
    }
    void TearDown() override
    {
        SetSceneFactory(nullptr);
        g_next_scene.reset();
        g_startup_options = *saved_;
        g_frame_stats.quit_requested = 0;
    }

    // Runs the render thread's body on this thread, on a run that takes the settings as the
    // test left them.
    void Run()
    {
        FrameTimer timer(clock_);
        run_ = std::make_unique<RunSession>();
        RenderThreadMain(host_, timer, *run_);
    }

    FakeFrameClock clock_;
    FakeHost host_;
    FakeScene* scene_ = nullptr;  // owned by the render thread once it runs
    FakeSceneRecord record_;
    std::unique_ptr<StartupOptions> saved_;
    std::unique_ptr<RunSession> run_;
};

TEST_F(FrameLoopTest, BenchmarkCountsOnlyFramesAfterTheWarmupUntilTheDuration)
{
    int frames = 0;
    bool sawWarmupDoneBeforeEnd = false;
    scene_->perFrame = [&](int) {
        ++frames;
        sawWarmupDoneBeforeEnd |= g_frame_stats.warmup_done.load() != 0;
        return 10u;
    };
    Run();

    // 10 ms frames, 2500 ms measured: frames at elapsed 0, 10, ..., 2490 count; the frame
    // that reaches 2500 is neither rendered nor counted.
    EXPECT_EQ(run_->Result().total_frames, 250);
    EXPECT_EQ(g_frame_stats.total_frames.load(), 250u);
    EXPECT_EQ(g_frame_stats.elapsed_ms.load(), 2500u);
    // The first window holds the restart frame (0 ms) and closes at 1000 ms with 101
    // frames; the second holds 100. The last 500 ms never complete a window.
    EXPECT_EQ(run_->Result().max_fps, 101);
    EXPECT_EQ(run_->Result().min_fps, 100);
    EXPECT_EQ(run_->Result().avg_fps, 100);  // (101 + 100) / 2, truncated
    EXPECT_EQ(g_frame_stats.run_finished.load(), 1);
    EXPECT_TRUE(sawWarmupDoneBeforeEnd);
    EXPECT_GT(frames, 250 + 390);  // the warm-up frames were rendered, just not counted
    EXPECT_EQ(host_.closeRequests.load(), 1);
    EXPECT_EQ(FakeScene::terminated(), 1);
    EXPECT_EQ(FakeScene::destroyed(), 1);
    EXPECT_EQ(g_frame_stats.current_scene.load(), nullptr);
    EXPECT_EQ(GetRunOutcome(), RunOutcome::Finished);
}

// --repeat 2 with --frame-log: two runs, each with its own warm-up, both kept; the log holds
// the measured frames of both and none of the warm-ups, and its elapsed time is theirs.
TEST_F(FrameLoopTest, RepeatedRunsEachWarmUpAndTheFrameLogHoldsOnlyMeasuredFrames)
{
    const std::string log = TempFrameLogPath();
    const AutomationOptions savedAutomation = g_automation_options;
    g_automation_options.repeat = 2;
    g_automation_options.output_files["frame-log"] = log;
    int frames = 0;
    scene_->perFrame = [&](int) {
        ++frames;
        return 10u;
    };
    Run();
    g_automation_options = savedAutomation;

    ASSERT_EQ(run_->Recorder().KeptRuns().size(), 2u);
    for (const RepeatRun& run : run_->Recorder().KeptRuns()) {
        EXPECT_EQ(run.score, 250);
        EXPECT_EQ(run.elapsed_ms, 2500u);
    }
    EXPECT_GT(frames, 2 * (250 + 390));   // both warm-ups were rendered
    EXPECT_EQ(g_frame_stats.run_finished.load(), 1);
    const FrameLogTotals totals = ReadFrameLogTotals(log);
    EXPECT_EQ(totals.rows, 2 * 250);
    EXPECT_EQ(totals.frameSumNs, totals.lastElapsedNs);
    // MangoHud's summary beside it.
    EXPECT_TRUE(std::filesystem::exists(FrameLog::SummaryPath(log)));
    std::filesystem::remove(log);
    std::filesystem::remove(FrameLog::SummaryPath(log));
}

TEST_F(FrameLoopTest, StatisticsBeforeTheFirstCompleteSecond)
{
    g_startup_options.active_run_mode = 2;
    scene_->perFrame = [&](int frame) {
        if (frame == 50) {
            // Half a second in: no window has completed yet.
            EXPECT_EQ(g_frame_stats.min_fps.load(), 10000);
            EXPECT_EQ(g_frame_stats.avg_fps.load(), 0);
            EXPECT_EQ(g_frame_stats.current_fps.load(), 0);
        }
        if (frame == 150) {
            // One window of 101 frames (the first frame took 0 ms).
            EXPECT_EQ(g_frame_stats.min_fps.load(), 101);
            EXPECT_EQ(g_frame_stats.max_fps.load(), 101);
            EXPECT_EQ(g_frame_stats.avg_fps.load(), 101);
            g_frame_stats.quit_requested = 1;
        }
        return 10u;
    };
    Run();
    EXPECT_EQ(record_.frames, 150);
}

TEST_F(FrameLoopTest, SlowFramesCountTheirRealTimeAndAreReportedAsLong)
{
    // A GPU that needs 2.4 s a frame: the score is what it really rendered in the duration,
    // not one frame per second.
    g_startup_options.active_duration_ms = 10000;
    scene_->perFrame = [&](int) { return 2400u; };
    Run();
    // Measured frames start at 0, 2.4, 4.8, 7.2 and 9.6 s; the one that would start at 12 s
    // is past the duration.
    EXPECT_EQ(run_->Result().total_frames, 5);
    EXPECT_EQ(g_frame_stats.elapsed_ms.load(), 12000u);
    EXPECT_EQ(run_->Result().long_frames, 5u);
    EXPECT_EQ(run_->Result().longest_frame_ms, 2400u);

    // The windows keep their real lengths, add up to the measured time, and the last one,
    // which the end cut short, is marked partial.
    const FrameTimeStats& stats = run_->Recorder().Stats();
    ASSERT_GE(stats.SecondCount(), 2u);
    uint32_t windowSum = 0, frameSum = 0;
    for (std::size_t i = 0; i < stats.SecondCount(); ++i) {
        windowSum += stats.Second(i).window_ms;
        frameSum += stats.Second(i).frames;
        EXPECT_EQ(stats.Second(i).partial, i + 1 == stats.SecondCount()) << i;
    }
    EXPECT_EQ(windowSum, 12000u);
    EXPECT_EQ(frameSum, 5u);
    EXPECT_DOUBLE_EQ(stats.Second(1).Rate(), 1000.0 / 2400.0);
}

TEST_F(FrameLoopTest, RenderThreadIsPinnedOnlyWhenAsked)
{
    cpu_set_t before;
    ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
    if (CPU_COUNT(&before) < 2)
        GTEST_SKIP() << "needs two processors";
    cpu_set_t during;
    const auto probe = [&](int) {
        sched_getaffinity(0, sizeof during, &during);
        g_frame_stats.quit_requested = 1;
        return 10u;
    };

    // The default mask alone pins nothing: the driver's threads would follow it.
    g_startup_options.active_run_mode = 2;
    g_startup_options.rendering_cpu_affinity = 1;
    g_startup_options.rendering_cpu_affinity_given = 0;
    scene_->perFrame = probe;
    Run();
    EXPECT_EQ(CPU_COUNT(&during), CPU_COUNT(&before));

    SetUp();
    g_startup_options.active_run_mode = 2;
    g_startup_options.rendering_cpu_affinity = 1;
    g_startup_options.rendering_cpu_affinity_given = 1;
    scene_->perFrame = probe;
    Run();
    EXPECT_EQ(CPU_COUNT(&during), 1);
    EXPECT_TRUE(CPU_ISSET(0, &during));
    sched_setaffinity(0, sizeof before, &before);
}

TEST_F(FrameLoopTest, FrameDtIsTheClampedFrameTimeInSeconds)
{
    g_startup_options.active_run_mode = 2;
    std::vector<float>* dts = &scene_->frameDts;
    std::vector<float> seen;
    scene_->perFrame = [&](int frame) {
        seen = *dts;
        if (frame == 3)
            g_frame_stats.quit_requested = 1;
        return frame == 1 ? 25u : 5000u;
    };
    Run();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_FLOAT_EQ(seen[0], 0.0f);
    EXPECT_FLOAT_EQ(seen[1], 0.025f);
    EXPECT_FLOAT_EQ(seen[2], 1.0f);
}

TEST_F(FrameLoopTest, FrameCountRunEndsAtTheFrameLimitAfterTheWarmup)
{
    g_startup_options.active_time_based = 0;
    g_startup_options.active_max_frames = 50;
    Run();
    EXPECT_EQ(run_->Result().total_frames, 50);
    EXPECT_EQ(g_frame_stats.total_frames.load(), 50u);
    EXPECT_EQ(g_frame_stats.run_finished.load(), 1);
    EXPECT_EQ(host_.closeRequests.load(), 1);
}

TEST_F(FrameLoopTest, ADurationShorterThanTheWarmupStillMeasuresAfterIt)
{
    g_startup_options.active_duration_ms = 1000;
    Run();
    EXPECT_EQ(g_frame_stats.warmup_done.load(), 1);
    EXPECT_EQ(run_->Result().total_frames, 100);
    EXPECT_EQ(g_frame_stats.run_finished.load(), 1);
}

TEST_F(FrameLoopTest, QuitDuringInitialisationRendersNothing)
{
    scene_->onInitialize = [] { g_frame_stats.quit_requested = 1; };
    Run();
    EXPECT_EQ(record_.frames, 0);
    EXPECT_EQ(host_.closeRequests.load(), 0);
    EXPECT_EQ(g_frame_stats.run_finished.load(), 0);
    EXPECT_EQ(FakeScene::terminated(), 1);
    EXPECT_EQ(FakeScene::destroyed(), 1);
    EXPECT_EQ(GetRunOutcome(), RunOutcome::Stopped);
}

TEST_F(FrameLoopTest, QuitDuringWarmupOrMeasuringEndsWithoutAResult)
{
    for (const int quitFrame : {5, 500}) {  // warm-up ends at frame 402
        SCOPED_TRACE(quitFrame);
        SetUp();
        scene_->perFrame = [&](int frame) {
            if (frame == quitFrame)
                g_frame_stats.quit_requested = 1;
            return 10u;
        };
        Run();
        EXPECT_EQ(host_.closeRequests.load(), 0);
        EXPECT_EQ(g_frame_stats.run_finished.load(), 0);
        EXPECT_EQ(run_->Result().total_frames, 0);
        EXPECT_EQ(FakeScene::destroyed(), 1);
        EXPECT_EQ(GetRunOutcome(), RunOutcome::Stopped);
        EXPECT_EQ(g_frame_stats.warmup_done.load(), quitFrame > 400 ? 1 : 0);
        TearDown();
    }
}

TEST_F(FrameLoopTest, DemoRunsNeverEndByThemselves)
{
    g_startup_options.active_run_mode = 2;
    g_startup_options.active_duration_ms = 1000;
    g_startup_options.active_time_based = 0;  // no frame limit either
    scene_->perFrame = [&](int frame) {
        if (frame == 6000)  // a simulated minute
            g_frame_stats.quit_requested = 1;
        return 10u;
    };
    Run();
    EXPECT_EQ(g_frame_stats.total_frames.load(), 6000u);
    EXPECT_EQ(g_frame_stats.warmup_done.load(), 0);
    EXPECT_EQ(host_.closeRequests.load(), 0);
    EXPECT_EQ(g_frame_stats.run_finished.load(), 0);
    EXPECT_EQ(GetRunOutcome(), RunOutcome::Finished);
}

TEST_F(FrameLoopTest, FailedInitialisationTearsDownAndAsksToClose)
{
    scene_->initResult = false;
    Run();
    EXPECT_EQ(FakeScene::terminated(), 1);
    EXPECT_EQ(FakeScene::destroyed(), 1);
    EXPECT_EQ(host_.closeRequests.load(), 1);
    EXPECT_EQ(host_.initialised.load(), 0);
    EXPECT_EQ(g_frame_stats.current_scene.load(), nullptr);
    EXPECT_EQ(GetRunOutcome(), RunOutcome::Failed);
    ASSERT_EQ(host_.titles.size(), 1u);
    EXPECT_EQ(host_.titles[0], "Lumetra Gridfall - Init in progress...");
}

TEST_F(FrameLoopTest, AMissingSceneCountsAsAFailedInitialisation)
{
    SetSceneFactory(NoScene);
    Run();
    EXPECT_EQ(host_.closeRequests.load(), 1);
    EXPECT_EQ(GetRunOutcome(), RunOutcome::Failed);
}

TEST_F(FrameLoopTest, TheSceneIsInitialisedWithTheClientSize)
{
    scene_->initResult = false;
    Run();
    EXPECT_EQ(record_.initWidth, 320);
    EXPECT_EQ(record_.initHeight, 240);
}

TEST_F(FrameLoopTest, WindowedRunsTitleEverySecondFullScreenRunsNever)
{
    for (const int fullscreen : {0, 1}) {
        SCOPED_TRACE(fullscreen);
        SetUp();
        g_startup_options.active_fullscreen = fullscreen;
        g_startup_options.active_run_mode = 2;
        std::strcpy(scene_->apiName, "Test API");
        scene_->perFrame = [&](int frame) {
            if (frame == 250)
                g_frame_stats.quit_requested = 1;
            return 10u;
        };
        Run();
        if (fullscreen) {
            EXPECT_TRUE(host_.titles.empty());
        } else {
            ASSERT_EQ(host_.titles.size(), 4u);
            EXPECT_EQ(host_.titles[0], "Lumetra Gridfall - Init in progress...");
            EXPECT_EQ(host_.titles[1], "Lumetra Gridfall - Running...");
            EXPECT_EQ(host_.titles[2], "Lumetra Gridfall - Test API - FPS=101 - Running...");
            EXPECT_EQ(host_.titles[3], "Lumetra Gridfall - Test API - FPS=100 - Running...");
        }
        host_.titles.clear();
        TearDown();
    }
}

TEST_F(FrameLoopTest, SleepsTenMillisecondsWhileTheObjectIsHiddenElseTheToneDownDelay)
{
    g_startup_options.active_run_mode = 2;
    g_startup_options.tone_down_delay_ms = 3;
    FakeScene* scene = scene_;
    scene_->perFrame = [&](int frame) {
        if (frame == 2)
            scene->ToggleTessellatedObject();
        if (frame == 3)
            g_frame_stats.quit_requested = 1;
        return 10u;
    };
    Run();
    ASSERT_EQ(host_.sleeps.size(), 3u);
    EXPECT_EQ(host_.sleeps[0], 3u);
    EXPECT_EQ(host_.sleeps[1], 10u);
    EXPECT_EQ(host_.sleeps[2], 10u);
}

// The main thread toggling keys while the render thread ends its run and destroys its scene:
// under ThreadSanitizer and AddressSanitizer this catches a toggle racing the destruction.
TEST_F(FrameLoopTest, KeyTogglesNeverReachADestroyedScene)
{
    for (int round = 0; round < 20; ++round) {
        SetUp();
        g_startup_options.active_run_mode = 2;
        scene_->perFrame = [&](int frame) {
            if (frame == 200)
                g_frame_stats.quit_requested = 1;
            return 1u;
        };
        std::atomic<bool> done{false};
        std::thread render([&] {
            Run();
            done = true;
        });
        // Toggles as fast as keys could come, but not a spin on the lock: a thread that
        // takes an unfair mutex back at once can starve the render thread's teardown under
        // a loaded sanitizer build, and the test would time out on that instead.
        while (!done) {
            {
                CurrentSceneLock scene = LockCurrentScene();
                if (scene) {
                    scene->ToggleWireframe();
                    scene->TogglePause();
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        render.join();
        EXPECT_EQ(g_frame_stats.current_scene.load(), nullptr);
        EXPECT_FALSE(LockCurrentScene());
        TearDown();
    }
}

}  // namespace

namespace {

// Everything a RunProgress wrote, through a memory stream.
struct CapturedProgress {
    char* data = nullptr;
    size_t size = 0;
    FILE* file = open_memstream(&data, &size);
    ~CapturedProgress() { std::free(data); }
};

TEST(RunProgress, PlainLinesEveryFiveSecondsAndAtEachPhaseTheTerminalLineInPlace)
{
    RunProgressSettings s;
    s.width = 640;
    s.height = 360;
    s.tess_level = 32.0f;
    s.duration_ms = 10000;
    s.warmup_ms = 4000;

    CapturedProgress plain;
    RunProgress p(plain.file, false);
    p.Begin(s, 0);
    p.Update(RunPhase::WarmUp, 0, 1, NAN, 0);
    p.Update(RunPhase::WarmUp, 2400, 2, NAN, 2400);          // not due: under 5 s
    p.Update(RunPhase::Measuring, 0, 0, 0.5, 4100);          // a new phase: at once
    p.Update(RunPhase::Measuring, 4000, 2, 0.5, 8100);       // not due
    p.Update(RunPhase::Measuring, 5000, 3, 0.42, 9100);      // due
    p.End(12000, 5, false);
    fclose(plain.file);
    EXPECT_EQ(std::string(plain.data, plain.size),
              "gridfall: benchmark, 640x360, tessellation level 32.0, post-processing off, "
              "10.0 s measured after a 4.0 s warm-up\n"
              "warm-up: 0.0 of 4.0 s, -- fps, about 14 s left\n"
              "measuring: 0.0 of 10.0 s, 0 frames, 0.50 fps, about 10 s left\n"
              "measuring: 5.0 of 10.0 s, 3 frames, 0.42 fps, about 5 s left\n"
              "done: 5 frames in 12.0 s measured (0.42 fps)\n");

    // On a terminal: one line rewritten, at most once a second; a finished phase keeps its line.
    CapturedProgress tty;
    RunProgress t(tty.file, true);
    t.Begin(s, 0);
    t.Update(RunPhase::WarmUp, 0, 1, NAN, 0);
    t.Update(RunPhase::WarmUp, 500, 2, NAN, 500);
    t.Update(RunPhase::WarmUp, 1000, 3, 3.0, 1000);
    t.Update(RunPhase::Measuring, 0, 0, 3.0, 4000);
    t.End(10000, 30, true);
    fclose(tty.file);
    const std::string out(tty.data, tty.size);
    EXPECT_NE(out.find("\rwarm-up: 0.0 of 4.0 s, -- fps, about 14 s left\033[K\rwarm-up: 1.0 of 4.0 s, 3.00 fps"),
              std::string::npos) << out;
    EXPECT_NE(out.find("\033[K\n\rmeasuring: 0.0 of 10.0 s"), std::string::npos) << out;
    const std::string last = "\nstopped: 30 frames in 10.0 s measured (3.00 fps)\n";
    ASSERT_GE(out.size(), last.size());
    EXPECT_EQ(out.substr(out.size() - last.size()), last) << out;

    // One frame of a millisecond is no rate; one frame is "1 frame".
    EXPECT_EQ(t.StatusText(RunPhase::WarmUp, 1, 1, NAN), "warm-up: 0.0 of 4.0 s, -- fps, about 14 s left");
    EXPECT_EQ(t.StatusText(RunPhase::Measuring, 1, 1, NAN), "measuring: 0.0 of 10.0 s, 1 frame, -- fps, about 10 s left");
}

}  // namespace

namespace {

TEST_F(FrameLoopTest, TimedStabilityTestChecksItsFramesAndKeepsEachErrorWithItsMoment)
{
    const AutomationOptions savedAutomation = g_automation_options;
    g_automation_options.check_interval_ms = 1000;
    g_automation_options.hang_limit_ms = 5000;
    g_startup_options.active_run_mode = 2;
    g_startup_options.active_stability_duration_ms = 5000;
    const std::string log = TempFrameLogPath();
    g_automation_options.output_files["frame-log"] = log;
    scene_->checkMs = 30;
    int drawn = 0;   // the scene is gone after the run
    scene_->checkFrame = [&drawn](int check, CheckImage& out) {
        ++drawn;
        out.width = out.height = 2;
        out.rgba.assign(16, 0x40);
        if (check == 3)
            out.rgba[5] ^= 1;   // one wrong bit in one pixel of the third check
        return true;
    };
    scene_->perFrame = [](int frame) { return frame == 300 ? 5200u : 10u; };   // a hung frame
    Run();
    g_automation_options = savedAutomation;
    g_startup_options.active_stability_duration_ms = 0;

    // It ended by itself, past its duration, and published its figures.
    EXPECT_EQ(host_.closeRequests.load(), 1);
    EXPECT_EQ(g_frame_stats.run_finished.load(), 1);
    EXPECT_GE(g_frame_stats.elapsed_ms.load(), 5000u);
    EXPECT_EQ(run_->Result().long_frames, 1u);
    EXPECT_EQ(run_->Result().longest_frame_ms, 5200u);   // the checks' time is no frame's

    const StabilityMonitor& m = run_->Recorder().Stability();
    // At the first frame, then every second until the hang, and the closing one at the end.
    EXPECT_EQ(m.Checks(), 5u);
    EXPECT_EQ(drawn, 5);
    ASSERT_EQ(m.Events().size(), 2u);
    EXPECT_EQ(m.Events()[0].kind, StabilityEventKind::CheckMismatch);
    EXPECT_EQ(m.Events()[0].check, 3u);
    EXPECT_EQ(m.Events()[0].pixels, 1u);
    EXPECT_GE(m.Events()[0].time_ms, 2000u);
    EXPECT_LT(m.Events()[0].time_ms, 2100u);
    EXPECT_EQ(m.Events()[1].kind, StabilityEventKind::Hang);
    EXPECT_EQ(m.Events()[1].value, 5200u);
    EXPECT_EQ(m.VerdictText(false, 8000, NAN), "FAIL (check frame 3 at 00:02 differs in 1 pixel)");
    EXPECT_EQ(g_frame_stats.error_events.load(), 2u);   // what the HUD shows
    bool titled = false;
    for (const std::string& t : host_.titles)
        titled |= t.find("Running... - errors: 1") != std::string::npos;
    EXPECT_TRUE(titled);

    // The frame log holds every frame, and a check frame's time is in the next frame's row:
    // the frame times add up to the elapsed time, and that is the run's (on the loop's clock)
    // up to its last frame, short only of a check drawn after it, so a viewer's frame rate is
    // the run's.
    const FrameLogTotals totals = ReadFrameLogTotals(log);
    EXPECT_EQ(static_cast<uint32_t>(totals.rows), g_frame_stats.total_frames.load());
    EXPECT_GT(totals.rows, 0);
    EXPECT_EQ(totals.frameSumNs, totals.lastElapsedNs);
    const uint64_t runNs = uint64_t{g_frame_stats.elapsed_ms.load()} * 1000000;
    EXPECT_LE(totals.lastElapsedNs, runNs);
    EXPECT_GE(totals.lastElapsedNs + 30000000, runNs);
    std::filesystem::remove(log);
    std::filesystem::remove(FrameLog::SummaryPath(log));
}

TEST(StabilityMonitor, VerdictsThrottlingAndTemperatureLimit)
{
    StabilityMonitor m;
    StabilitySettings settings;
    settings.duration_ms = 720000;
    settings.max_temp_c = 90.0f;
    m.Begin(settings);
    CheckImage image{1, 1, {1, 2, 3, 4}};
    m.OnCheckFrame(0, image, {}, nullptr);
    // The reference alone proves nothing: no PASS without a comparison.
    EXPECT_EQ(m.Verdict(false), StabilityVerdict::NotCompared);
    EXPECT_EQ(m.VerdictText(false, 2000, NAN),
              "NOT COMPARED (00:02, 1 check, 0 errors, max n.a., temperature limit not checked: no sensor: "
              "no check frame was compared with the reference)");
    m.OnCheckFrame(10000, image, {}, nullptr);
    EXPECT_EQ(m.VerdictText(false, 720000, 78.4f), "PASS (12:00, 2 checks, 0 errors, max 78\u00B0C)");
    // A limit given where no sensor read a temperature was never checked, and says so.
    EXPECT_EQ(m.VerdictText(true, 192000, NAN),
              "STOPPED (at 03:12 of 12:00, 2 checks, 0 errors, max n.a., temperature limit not checked: no sensor)");
    EXPECT_EQ(m.Verdict(true), StabilityVerdict::Stopped);
    GpuMoment hot;
    EXPECT_FALSE(m.OnTemperature(300000, 0, 89.9f, hot));
    EXPECT_TRUE(m.OnTemperature(310000, 1, 91.0f, hot));   // ends the run
    EXPECT_EQ(m.Verdict(true), StabilityVerdict::Fail);    // an error outweighs the stop
    EXPECT_EQ(m.VerdictText(false, 310000, 91.0f), "FAIL (GPU 2 reached 91\u00B0C at 05:10 (limit 90\u00B0C))");

    // A hang seen by the watchdog while it lasts reads as one.
    settings.hang_limit_ms = 3000;
    m.Begin(settings);
    m.OnUnfinishedFrame(65000, 3050, hot);
    EXPECT_EQ(m.Verdict(false), StabilityVerdict::Fail);
    EXPECT_EQ(m.VerdictText(false, 68050, NAN), "FAIL (the GPU did not finish a frame within 3000 ms at 01:05, "
                                                "temperature limit not checked: no sensor)");
    EXPECT_EQ(m.Events()[0].KindName(), std::string("hang"));

    // Clock ramps up to 2000 MHz, drops below 90 % for 3 s at 85 °C, recovers; the second GPU
    // publishes no clock; the ramp at the start is no throttling.
    FrameTimeStats stats;
    stats.Begin(16);
    const float clocks[] = {800, 2000, 1990, 1700, 1650, 1700, 1980};
    for (uint32_t i = 0; i < 7; ++i) {
        GpuSecondSample gpus[2];
        gpus[0] = {70.0f + 5 * i, clocks[i], 7000.0f};
        stats.RecordSecond(60, 1000, (i + 1) * 1000, gpus);
    }
    const std::vector<GpuThrottling> t = ThrottlingFromSamples(stats.Seconds());
    ASSERT_EQ(t.size(), 2u);
    EXPECT_FLOAT_EQ(t[0].peak_core_clock_mhz, 2000.0f);
    EXPECT_TRUE(t[0].throttled);
    EXPECT_EQ(t[0].throttled_ms, 3000u);
    EXPECT_EQ(t[0].started_at_ms, 3000u);
    EXPECT_FLOAT_EQ(t[0].started_temperature_c, 85.0f);
    EXPECT_FALSE(t[1].has_clocks);
}

}  // namespace
