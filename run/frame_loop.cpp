// The render thread and its frame loop.
#include "run/frame_loop.h"
#include "run/run_session.h"

#include "run/frame_timer.h"
#include "core/gnu_options.h"
#include "run/run_progress.h"
#include "results/stability.h"
#include "run/stability_report.h"
#include "gfx/gl_debug.h"
#include "core/log_file.h"
#include "core/priorities.h"
#include "core/process_mode.h"
#include "core/machine_records.h"
#include "run/run_state.h"
#include "core/startup_options.h"
#include "scene/demo.h"
#include "scene/demo_opengl4.h"

#include <unistd.h>

#include "gfx/gl_context.h"
#include "gfx/gpu_timer.h"
#include "gpuinfo/siliscan.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace {

SceneFactory g_scene_factory = nullptr;

// The render thread's current piece of work, for the main thread's watchdog: since when (a
// steady-clock stamp; 0: between frames; kTakenOver: the main thread owns the run now), what,
// and the run time it started at. The stamp is stored last (release) and taken with a
// compare-exchange by whichever thread gets there first, so the run's records have exactly one
// owner at a time.
constexpr int64_t kTakenOver = -1;
std::atomic<int64_t> g_work_since_ns{0};
std::atomic<uint8_t> g_work_kind{0};
std::atomic<uint32_t> g_work_run_ms{0};
// The loop's long-frame figures, for a run the main thread has to finish on its own.
std::atomic<uint32_t> g_long_frames{0};
std::atomic<uint32_t> g_longest_frame_ms{0};

int64_t SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count() | 1;   // never 0
}

void BeginWork(StuckWork kind, uint32_t runMs)
{
    g_work_kind.store(uint8_t(kind), std::memory_order_relaxed);
    g_work_run_ms.store(runMs, std::memory_order_relaxed);
    g_work_since_ns.store(SteadyNs(), std::memory_order_release);
}

// GPU 0's latest sensor values, for the moment of an event.
GpuMoment SensorMoment()
{
    const SensorReadings& r = g_sensor_readings;
    GpuMoment m;
    if (r.has_temperature)
        m.temperature_c = r.gpu_temperature;
    if (r.core_clock > 0.0f)
        m.core_clock_mhz = r.core_clock;
    if (r.memory_clock > 0.0f)
        m.memory_clock_mhz = r.memory_clock;
    return m;
}

// The watchdog gave up on this thread while it was stuck: the process is ending without it,
// and everything it would touch now belongs to the main thread.
[[noreturn]] void StayOutOfTheWay()
{
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}

void EndWork()
{
    int64_t since = g_work_since_ns.load(std::memory_order_relaxed);
    if (since == kTakenOver || !g_work_since_ns.compare_exchange_strong(since, 0, std::memory_order_acq_rel))
        StayOutOfTheWay();
}

// Test seam: the watchdog's own tests stall the render thread inside frame N, as a driver that
// never returns would. Not an option: nobody sets it by accident.
uint32_t StallFrameFromEnvironment()
{
    const char* n = std::getenv("GRIDFALL_TEST_STALL_FRAME");
    return n ? uint32_t(std::strtoul(n, nullptr, 10)) : 0;
}

// Guards the scene object against destruction while the main thread toggles one of its
// flags. The atomic pointer in FrameStats stays readable without it (the HUD, tests).
std::mutex g_scene_mutex;

void PublishScene(cHx7PDemo* scene)
{
    std::lock_guard<std::mutex> lock(g_scene_mutex);
    g_frame_stats.current_scene.store(scene);
}

// Terminates and destroys the scene on this thread, after taking it out of the main
// thread's reach.
void DestroyScene(std::unique_ptr<cHx7PDemo>& scene)
{
    PublishScene(nullptr);
    if (scene) {
        scene->Terminate();
        scene.reset();
    }
}

// The measuring state of one run. The FPS sum, count and first-sample flag are the loop's
// own; the live counters are published in g_frame_stats for the window title and the main
// thread, the figures the HUD shows are handed to the scene, and the result goes to the run.
class FrameLoop {
public:
    FrameLoop(RenderThreadHost& host, FrameTimer& timer, cHx7PDemo& scene, RunSession& run, RunProgress* progress)
        : host_(host), timer_(timer), scene_(scene), run_(run), settings_(run.Settings()),
          recorder_(run.Recorder()), stability_(run.Recorder().Stability()), progress_(progress) {}

    // Everything the start of a run and the end of the warm-up restart.
    void RestartMeasurement()
    {
        firstSample_ = false;
        fpsSum_ = 0;
        fpsCount_ = 0;
        elapsed_ = 0;
        windowTime_ = 0;
        framesInWindow_ = 0;
        totalFrames_ = 0;
        longFrames_ = 0;
        longestFrame_ = 0;
        g_long_frames.store(0, std::memory_order_relaxed);
        g_longest_frame_ms.store(0, std::memory_order_relaxed);
        lastWindowRate_ = NAN;
        FrameStats& fs = g_frame_stats;
        fs.elapsed_ms.store(0);
        fs.frames_in_window.store(0);
        fs.total_frames.store(0);
        fs.min_fps.store(10000);
        fs.max_fps.store(0);
        fs.current_fps.store(0);
        fs.avg_fps.store(0);
        fs.window_time_ms.store(0);
    }

    void Start()
    {
        // GPU time per frame where the driver has timer queries (the scene's context is
        // current on this thread); NaN figures where it has none.
        if (!gpuTimer_.Available() && !gpuTimer_.Init())
            ProgramLog().Write("OpenGL - no timer queries: the frames' GPU time is not measured.");
        gpuFrameMs_ = NAN;
        RestartMeasurement();
        g_frame_stats.run_finished.store(0);
        g_sensor_readings.ResetRun();
        recorder_.BeginRun();
        BeginStability();
        timer_.Reset();
        lastTime_ = timer_.ElapsedMs();
        g_frame_stats.last_time_ms.store(lastTime_);
        g_frame_stats.warmup_done.store(0);
    }

    // Runs until the benchmark ends (true) or a quit is requested (false).
    bool Run()
    {
        const bool benchmark = settings_.Benchmark();
        const bool timeBased = settings_.TimeBased();
        const uint32_t duration = settings_.options.active_duration_ms;
        const uint32_t maxFrames = settings_.options.active_max_frames;
        const bool windowed = settings_.options.active_fullscreen == 0;
        FrameStats& fs = g_frame_stats;

        while (!fs.quit_requested.load()) {
            if (benchmark && elapsed_ > kWarmupMs && !fs.warmup_done.load()) {
                fs.warmup_done.store(1);
                RestartMeasurement();
                lastTime_ = timer_.ElapsedMs();
                recorder_.Restart();
                if (progress_)   // the measured time starts now, not after its first frame
                    progress_->Update(RunPhase::Measuring, 0, 0, NAN, lastTime_);
            }

            const uint32_t now = timer_.ElapsedMs();
            const uint32_t delta = now - lastTime_;  // wraps like the tick it came from
            lastTime_ = now;
            // A check frame drawn since the last frame is real time of the run, but no frame's.
            const uint32_t frameMs = delta - std::min(delta, checkMs_);
            checkMs_ = 0;
            // The measured time is real time, however long a frame takes: on a slow GPU every
            // frame may last seconds, and the score must say so. Only the animation is held
            // back, so that a stall or a debugger break does not make the sphere jump.
            if (frameMs > kLongFrameMs) {
                ++longFrames_;
                longestFrame_ = std::max(longestFrame_, frameMs);
                g_long_frames.store(longFrames_, std::memory_order_relaxed);
                g_longest_frame_ms.store(longestFrame_, std::memory_order_relaxed);
            }
            scene_.frameDt = float(std::min(frameMs, kLongFrameMs)) * 0.001f;
            windowTime_ += delta;
            elapsed_ += delta;
            if (stabilityRun_) {
                stability_.OnFrameTime(elapsed_, frameMs, SensorMoment());
                PublishStability();
            }
            fs.last_time_ms.store(lastTime_, std::memory_order_relaxed);
            fs.window_time_ms.store(windowTime_, std::memory_order_relaxed);
            fs.elapsed_ms.store(elapsed_, std::memory_order_relaxed);

            // The end is tested only once the warm-up is over: a duration shorter than the
            // warm-up would otherwise end the run inside it and report warm-up frames as the
            // score. The frame that crosses the end is neither rendered nor counted.
            if (benchmark && fs.warmup_done.load()) {
                const bool ended = timeBased ? elapsed_ >= duration : totalFrames_ >= maxFrames;
                if (ended) {
                    FinishLastFrames();
                    CloseLastWindow();
                    return true;
                }
            }
            // A timed stability test ends after its duration; any stability test ends at once
            // when a temperature limit was passed or the context is gone.
            if (stabilityRun_) {
                const StabilityMonitor& m = stability_;
                const uint32_t length = settings_.options.active_stability_duration_ms;
                if ((length > 0 && elapsed_ >= length) || m.LimitHit() || m.ContextLost()) {
                    FinishLastFrames();
                    // A run that reached its duration closes with one more check frame, so
                    // every timed run that drew its reference compares at least once, however
                    // few of the interval's checks a slow GPU left room for.
                    if (!m.LimitHit() && !m.ContextLost() && m.HasReference())
                        DrawCheckFrame();
                    CloseLastWindow();
                    return true;
                }
            }

            PublishFigures();
            BeginWork(StuckWork::Frame, elapsed_);
            if (stallFrame_ != 0 && totalFrames_ + 1 == stallFrame_) {
                ProgramLog().Write("Test seam: frame %u stalls the render thread for good.", stallFrame_);
                StayOutOfTheWay();
            }
            gpuTimer_.BeginFrame();
            scene_.RenderFrame(scene_.frameDt);
            gpuTimer_.EndFrame();
            EndWork();
            // A frame or two late, never waited for; the newest result stands until the next.
            const double gpuMs = gpuTimer_.Collect();
            if (!std::isnan(gpuMs))
                gpuFrameMs_ = gpuMs;
            recorder_.RecordFrame(gpuMs);

            ++framesInWindow_;
            ++totalFrames_;
            fs.frames_in_window.store(framesInWindow_, std::memory_order_relaxed);
            fs.total_frames.store(totalFrames_, std::memory_order_relaxed);

            if (windowTime_ >= 1000) {
                CloseWindow(windowed);
            }
            if (stabilityRun_)
                WatchStability();
            if (progress_) {
                const RunPhase phase = !benchmark ? RunPhase::Running
                                       : fs.warmup_done.load() ? RunPhase::Measuring
                                                               : RunPhase::WarmUp;
                progress_->Update(phase, elapsed_, totalFrames_, lastWindowRate_, timer_.ElapsedMs());
            }

            host_.Sleep(scene_.draw_tessellated_object.load(std::memory_order_relaxed) == 0
                            ? 10u
                            : uint32_t(settings_.options.tone_down_delay_ms > 0
                                           ? settings_.options.tone_down_delay_ms
                                           : 0));
        }
        FinishLastFrames();
        CloseLastWindow();
        return false;
    }

    void PublishResult(bool finished) const
    {
        RunResult& r = run_.Result();
        r.finished = finished;
        r.elapsed_ms = elapsed_;
        r.min_fps = g_frame_stats.min_fps.load();
        r.max_fps = g_frame_stats.max_fps.load();
        r.avg_fps = g_frame_stats.avg_fps.load();
        r.total_frames = int32_t(totalFrames_);
        r.long_frames = longFrames_;
        r.longest_frame_ms = longestFrame_;
    }

    // The counted frames are the frames the GPU finished: the measured period ends when the
    // last of them was drawn, and the wait for it is the last frames' time.
    void FinishLastFrames()
    {
        if (!scene_.renderContext)
            return;
        BeginWork(StuckWork::Frame, elapsed_);
        scene_.renderContext->FinishFrames();
        EndWork();
        const uint32_t now = timer_.ElapsedMs();
        const uint32_t delta = now - lastTime_;
        lastTime_ = now;
        windowTime_ += delta;
        elapsed_ += delta;
        g_frame_stats.elapsed_ms.store(elapsed_, std::memory_order_relaxed);
    }

    // The timer queries go with the context: released before the scene is.
    void ReleaseGpuTimer() { gpuTimer_.Release(); }
    // The newest frame's GPU time in ms, NaN while none is known.
    double GpuFrameMs() const { return gpuFrameMs_; }

    // Whether this run's stability test (check frames, limits) is on: every stability-test run.
    bool Stability() const { return stabilityRun_; }

    // What the measured part of the run was, for the log and the progress line.
    void ReportEnd(bool stopped) const
    {
        if (longFrames_ > 0)
            ProgramLog().Write("Long frames (over %u ms): %u, the longest %u ms.", kLongFrameMs,
                               longFrames_, longestFrame_);
        if (progress_)
            progress_->End(elapsed_, totalFrames_, stopped);
    }

private:
    // The run ends inside a window: what it holds is kept as the run's last, partial sample,
    // so the samples add up to the whole measured time.
    void CloseLastWindow()
    {
        if (framesInWindow_ > 0 || windowTime_ > 0)
            recorder_.RecordSecond(scene_, framesInWindow_, windowTime_, elapsed_, true);
        framesInWindow_ = 0;
        windowTime_ = 0;
    }

    // One measuring window is complete: its frame count is the current frame rate (the HUD's
    // whole-frame figure). The window restarts at zero; the results keep its real length.
    void CloseWindow(bool windowed)
    {
        FrameStats& fs = g_frame_stats;
        const int32_t current = int32_t(framesInWindow_);
        const uint32_t windowLength = windowTime_;
        framesInWindow_ = 0;
        windowTime_ = 0;
        fs.current_fps.store(current);
        fs.frames_in_window.store(0);
        fs.window_time_ms.store(0);
        if (!firstSample_) {
            fs.min_fps.store(current);
            fs.max_fps.store(current);
            fpsSum_ = current;
            fpsCount_ = 1;
            fs.avg_fps.store(current);
            firstSample_ = true;
        } else {
            if (current < fs.min_fps.load())
                fs.min_fps.store(current);
            if (current > fs.max_fps.load())
                fs.max_fps.store(current);
            fpsSum_ += current;
            fpsCount_ += 1;
            fs.avg_fps.store(fpsSum_ / fpsCount_);
        }
        lastWindowRate_ = current * 1000.0 / windowLength;
        recorder_.RecordSecond(scene_, uint32_t(current), windowLength, elapsed_);
        if (stabilityRun_) {
            // Every GPU's newest temperature against --max-temp, once a window.
            const GpuMoment moment = SensorMoment();
            for (std::size_t i = 0; i < scene_.temperatureHistory.size(); ++i)
                if (!scene_.temperatureHistory[i].empty())
                    stability_.OnTemperature(elapsed_, uint32_t(i),
                                                 scene_.temperatureHistory[i].back().temperature, moment);
            if (g_sensor_readings.has_temperature && scene_.gpuzAvailable)
                stability_.OnTemperature(elapsed_, 0, g_sensor_readings.gpu_temperature, moment);
            PublishStability();
        }
        if (windowed) {
            char title[128];
            std::snprintf(title, sizeof title, "%s - %s - FPS=%d - Running...", kProductTitle,
                          scene_.apiName, current);
            if (const uint32_t errors = stability_.Errors(); stabilityRun_ && errors > 0) {
                const std::size_t used = std::strlen(title);
                std::snprintf(title + used, sizeof title - used, " - errors: %u", errors);
            }
            host_.SetTitle(title);
        }
    }

    void BeginStability()
    {
        const StartupOptions& o = settings_.options;
        const AutomationOptions& a = settings_.automation;
        stabilityRun_ = settings_.Stability();
        StabilitySettings settings;
        if (stabilityRun_) {
            settings.check_interval_ms = a.check_interval_ms;
            settings.hang_limit_ms = a.hang_limit_ms;
            settings.max_temp_c = a.max_temp_c;
            settings.duration_ms = o.active_stability_duration_ms;
        } else {
            settings.check_interval_ms = 0;
            settings.hang_limit_ms = 0;
        }
        stability_.Begin(settings);
        glErrorsSeen_ = scene_.GLErrorsSeen();
        checkNumber_ = 0;
        checkMs_ = 0;
        corruptCheck_ = 0;
        stallFrame_ = stabilityRun_ ? StallFrameFromEnvironment() : 0;
        // Test seam: the stability test's own tests make check frame N differ on purpose, to
        // see the failure path end to end. Not an option: nobody sets it by accident.
        if (const char* n = std::getenv("GRIDFALL_TEST_CORRUPT_CHECK"); stabilityRun_ && n)
            corruptCheck_ = uint32_t(std::strtoul(n, nullptr, 10));
        PublishStability();
    }

    // After a frame: GL errors and a lost context, and a check frame when one is due.
    void WatchStability()
    {
        StabilityMonitor& m = stability_;
        const uint32_t seen = scene_.GLErrorsSeen();
        for (; glErrorsSeen_ < seen; ++glErrorsSeen_)
            m.OnGlError(elapsed_, scene_.LastGLError(), GLErrorName(scene_.LastGLError()), SensorMoment());
        // The context is asked for a reset when a check is due; a lost one gets no more checks
        // (and ends the run at the next frame).
        if (const uint32_t reset = m.CheckDue(elapsed_) ? scene_.GraphicsResetStatus() : 0; reset != 0)
            m.OnContextLost(elapsed_, reset, SensorMoment());
        else if (m.CheckDue(elapsed_))
            DrawCheckFrame();
        PublishStability();
    }

    // Draws a check frame, reads it back and compares it with the reference (the first one
    // becomes the reference).
    void DrawCheckFrame()
    {
        StabilityMonitor& m = stability_;
        const uint32_t start = timer_.ElapsedMs();
        ++checkNumber_;
        // The read-back waits for the GPU: a check frame that never comes back is a hang.
        BeginWork(StuckWork::Frame, elapsed_);
        const bool drawn = scene_.RenderCheckFrame(checkImage_);
        EndWork();
        if (drawn) {
            if (checkNumber_ == corruptCheck_ && checkNumber_ > 1)
                for (std::size_t i = 0; i < checkImage_.rgba.size() && i < 4 * 4096; ++i)
                    checkImage_.rgba[i] ^= 0xFF;
            bool first = false;
            if (m.OnCheckFrame(elapsed_, checkImage_, SensorMoment(), &first) && first)
                SaveCheckPictures(m, checkImage_);
        } else {
            m.OnCheckFailed(elapsed_, SensorMoment());
        }
        checkMs_ = timer_.ElapsedMs() - start;
        // The check's time belongs to no frame: the next frame's time starts after it.
        recorder_.RestartFrameClock();
        PublishStability();
    }

    // What the HUD and the progress bar show this frame.
    void PublishFigures()
    {
        const FrameStats& fs = g_frame_stats;
        cHx7PRunFigures& f = scene_.runFigures;
        f.currentFps = fs.current_fps.load(std::memory_order_relaxed);
        f.minFps = fs.min_fps.load(std::memory_order_relaxed);
        f.maxFps = fs.max_fps.load(std::memory_order_relaxed);
        f.avgFps = fs.avg_fps.load(std::memory_order_relaxed);
        f.warmupDone = fs.warmup_done.load(std::memory_order_relaxed) != 0;
        f.elapsedMs = elapsed_;
        f.totalFrames = totalFrames_;
        f.checkFrames = fs.check_frames.load(std::memory_order_relaxed);
        f.errorEvents = fs.error_events.load(std::memory_order_relaxed);
        f.gpuFrameMs = gpuFrameMs_;
    }

    void PublishStability()
    {
        g_frame_stats.check_frames.store(stability_.Checks(), std::memory_order_relaxed);
        g_frame_stats.error_events.store(stability_.Errors(), std::memory_order_relaxed);
    }

    RenderThreadHost& host_;
    FrameTimer& timer_;
    cHx7PDemo& scene_;
    RunSession& run_;
    const RunSettings& settings_;
    RunRecorder& recorder_;
    StabilityMonitor& stability_;
    RunProgress* progress_;
    bool stabilityRun_ = false;
    uint32_t glErrorsSeen_ = 0;
    uint32_t checkNumber_ = 0;
    uint32_t checkMs_ = 0;
    uint32_t corruptCheck_ = 0;
    uint32_t stallFrame_ = 0;
    CheckImage checkImage_;
    bool firstSample_ = false;
    int32_t fpsSum_ = 0;
    int32_t fpsCount_ = 0;
    uint32_t lastTime_ = 0;
    uint32_t elapsed_ = 0;
    uint32_t windowTime_ = 0;
    uint32_t framesInWindow_ = 0;
    uint32_t totalFrames_ = 0;
    uint32_t longFrames_ = 0;
    uint32_t longestFrame_ = 0;
    double lastWindowRate_ = NAN;
    cHx7PGpuTimer gpuTimer_;
    double gpuFrameMs_ = NAN;
};

// Progress on standard error for headless runs, unless --quiet.
std::unique_ptr<RunProgress> MakeProgress(const RunSettings& settings)
{
    if (!IsHeadless() || settings.automation.quiet)
        return nullptr;
    return std::make_unique<RunProgress>(stderr, isatty(fileno(stderr)) == 1);
}

RunProgressSettings ProgressSettings(const RunSettings& settings)
{
    const StartupOptions& o = settings.options;
    RunProgressSettings p;
    p.width = o.client_width;
    p.height = o.client_height;
    p.tess_level = o.tess_level;
    p.post_fx = ActivePostFxName(o);
    p.benchmark = o.active_run_mode == kRunModeBenchmark;
    p.time_based = o.active_time_based == 1;
    p.duration_ms = p.benchmark ? (p.time_based ? o.active_duration_ms : 0) : o.active_stability_duration_ms;
    p.max_frames = o.active_max_frames;
    p.warmup_ms = p.benchmark ? kWarmupMs : 0;
    return p;
}

}  // namespace

void SetSceneFactory(SceneFactory factory) { g_scene_factory = factory; }

CurrentSceneLock::CurrentSceneLock()
    : lock_(g_scene_mutex), scene_(g_frame_stats.current_scene.load())
{
}

void RenderThreadMain(RenderThreadHost& host, FrameTimer& timer, RunSession& run)
{
    const RunSettings& settings = run.Settings();
    const StartupOptions& o = settings.options;
    // The recorded frame times come from the loop's own clock, for as long as this runs.
    struct ClockInUse {
        ClockInUse(RunRecorder& r, FrameClockSource& c) : recorder(r) { recorder.SetClock(&c); }
        ~ClockInUse() { recorder.SetClock(nullptr); }
        RunRecorder& recorder;
    } clockInUse(run.Recorder(), timer.Clock());
    // Without the switch the thread keeps the affinity the system gave it: pinning it would
    // also pin the GL driver's own threads it starts. Refusals (a mask outside the process
    // mask, a level without privilege) do not stop the run; a refused mask is logged, since the
    // user asked for it and would otherwise measure an unpinned thread unknowingly.
    if (o.rendering_cpu_affinity_given &&
        !SetThreadAffinityMask(0, o.rendering_cpu_affinity))
        ProgramLog().Write("Rendering thread CPU affinity 0x%x refused (the process may use "
                           "processors 0x%llx); the thread keeps the system's affinity.",
                           o.rendering_cpu_affinity,
                           static_cast<unsigned long long>(ProcessAffinityMask()));
    SetThreadPriorityLevel(0, o.rendering_thread_priority);

    const bool windowed = o.active_fullscreen == 0;
    char title[128];
    if (windowed) {
        std::snprintf(title, sizeof title, "%s - Init in progress...", kProductTitle);
        host.SetTitle(title);
    }

    std::unique_ptr<cHx7PDemo> scene =
        g_scene_factory ? g_scene_factory() : CreateOpenGL4Demo();
    PublishScene(scene.get());
    if (!scene || !scene->Initialize(host.Window(), o.client_width,
                                     o.client_height)) {
        if (!scene)
            ProgramLog().Write("The render thread could not create its scene.");
        DestroyScene(scene);
        SetRunOutcome(RunOutcome::Failed);
        host.PostCloseRequest();
        return;
    }

    host.OnSceneInitialised();
    if (windowed) {
        std::snprintf(title, sizeof title, "%s - Running...", kProductTitle);
        host.SetTitle(title);
    }

    std::unique_ptr<RunProgress> progress = MakeProgress(settings);
    FrameLoop loop(host, timer, *scene, run, progress.get());
    loop.Start();
    if (progress)
        progress->Begin(ProgressSettings(settings), timer.ElapsedMs());
    // A benchmark ends by its duration or frame limit, a stability test by its duration or a
    // limit; both publish their results. Otherwise the user ended the run.
    bool endedByItself = !g_frame_stats.quit_requested.load() && loop.Run();
    // --repeat: further benchmark runs in a row, each with its own warm-up; every finished
    // run's figures are kept for the summary.
    const uint32_t series = settings.SeriesLength();
    for (uint32_t n = 1; endedByItself && n < series; ++n) {
        loop.PublishResult(true);
        run.Recorder().KeepRun(n == 1, run.Result());
        loop.Start();
        endedByItself = !g_frame_stats.quit_requested.load() && loop.Run();
    }
    const bool timed = settings.Benchmark() || o.active_stability_duration_ms > 0;
    loop.ReportEnd(!endedByItself && timed);
    run.Recorder().EndRun();

    if (endedByItself) {
        // The result is complete before anyone hears of the end; the main thread reads it
        // only after joining this thread.
        loop.PublishResult(true);
        run.Recorder().KeepRun(series <= 1, run.Result());
        // The outcome before the flag: the main thread may report as soon as it sees the flag.
        SetRunOutcome(RunOutcome::Finished);
        g_frame_stats.run_finished.store(1);
        // The main thread writes the results while the scene goes: a teardown stuck in the
        // driver must cost none of them.
        host.PostCloseRequest();
        BeginWork(StuckWork::Teardown, g_frame_stats.elapsed_ms.load());
        loop.ReleaseGpuTimer();
        DestroyScene(scene);
        EndWork();
        return;
    }

    // Quit: stopping a benchmark before its end is a stop; ending a demo is its normal end,
    // and its figures are still reported.
    if (loop.Stability())
        loop.PublishResult(false);
    SetRunOutcome(settings.Benchmark() ? RunOutcome::Stopped
                                                         : RunOutcome::Finished);
    BeginWork(StuckWork::Teardown, g_frame_stats.elapsed_ms.load());
    loop.ReleaseGpuTimer();
    DestroyScene(scene);
    EndWork();
}

StuckWork TakeOverStuckRun(RunSession& run, uint32_t frameLimitMs, uint32_t teardownLimitMs, uint32_t recordHangMs)
{
    int64_t since = g_work_since_ns.load(std::memory_order_acquire);
    if (since <= 0)
        return StuckWork::None;
    // The kind was stored before the stamp: it belongs to this piece of work.
    const StuckWork kind = StuckWork(g_work_kind.load(std::memory_order_relaxed));
    const uint32_t limitMs = kind == StuckWork::Teardown ? teardownLimitMs : frameLimitMs;
    const int64_t runningNs = SteadyNs() - since;
    if (limitMs == 0 || runningNs < int64_t(limitMs) * 1000000)
        return StuckWork::None;
    if (!g_work_since_ns.compare_exchange_strong(since, kTakenOver, std::memory_order_acq_rel))
        return StuckWork::None;   // the work ended just now (or another began)
    if (kind != StuckWork::Frame)
        return kind;   // the run was over and published; only its teardown is stuck

    const uint32_t startedAt = g_work_run_ms.load(std::memory_order_relaxed);
    const uint32_t runningMs = uint32_t(runningNs / 1000000);
    FrameStats& fs = g_frame_stats;
    // The stuck frame's time is real time of the run, though no frame of it.
    fs.elapsed_ms.store(startedAt + runningMs);
    RunResult& result = run.Result();
    result.finished = false;
    result.elapsed_ms = startedAt + runningMs;
    result.min_fps = fs.min_fps.load();
    result.max_fps = fs.max_fps.load();
    result.avg_fps = fs.avg_fps.load();
    result.total_frames = int32_t(fs.total_frames.load());
    result.long_frames = g_long_frames.load();
    result.longest_frame_ms = g_longest_frame_ms.load();
    if (recordHangMs > 0 && runningMs >= recordHangMs) {
        GpuMoment moment = SensorMoment();
        // The render thread's readings are as old as its last frame; the temperature is read
        // afresh, as it stands while the GPU hangs.
        if (auto* lib = Ridudedozu::SiliscanLib::Instance(); lib && lib->GetNumGpus() > 0) {
            float core = NAN;
            if (lib->GetGpuTemperatures(0, &core, nullptr, nullptr, nullptr) && std::isfinite(core))
                moment.temperature_c = core;
        }
        run.Recorder().Stability().OnUnfinishedFrame(startedAt, runningMs, moment);
        ProgramLog().Write("The GPU did not finish a frame within %u ms (started at %s, %u ms ago); "
                           "the run ends without it.", recordHangMs, RunClock(startedAt).c_str(), runningMs);
    }
    run.Recorder().EndRun();
    return kind;
}
