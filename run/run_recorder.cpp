// Frame-time recording during a run.
#include "run/run_recorder.h"

#include <time.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>

#include "core/log_file.h"
#include "core/machine_records.h"
#include "core/output_file.h"
#include "gpuinfo/sysfs_reader.h"
#include "run/collect_system_facts.h"
#include "run/frame_timer.h"
#include "run/run_session.h"
#include "scene/demo.h"

namespace {

// Slack on top of the duration: the per-second windows drop their excess over 1000 ms, so a
// run closes slightly more windows than its duration in seconds.
constexpr std::size_t kSecondSlack = 16;

void ReportError(const std::string& message)
{
    std::fprintf(stderr, "gridfall: %s\n", message.c_str());
    ProgramLog().Write("%s", message.c_str());
}

}  // namespace

// Nanoseconds of the frame loop's clock (its counter is CLOCK_MONOTONIC in ns on a real run).
uint64_t RunRecorder::NowNs() const
{
    if (clock_) {
        const uint64_t f = clock_->Frequency();
        const uint64_t c = clock_->Counter();
        return f == 1000000000ull ? c
                                  : static_cast<uint64_t>(static_cast<long double>(c) * 1e9L / f);
    }
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

// Measuring starts (or, in a --repeat series, resumes) at the frame clock's mark: the time
// between two runs of a series (the next warm-up) is no frame's, so the log's elapsed time is
// the series' measured time.
void RunRecorder::StartFrameLogClock()
{
    frameLogMeasuring_ = true;
    frameLogStarted_ = true;
    frameLogMarkNs_ = lastFrameNs_;
}

void RunRecorder::BeginRun()
{
    const StartupOptions& o = settings_.options;
    std::size_t capacity = FrameTimeStats::kMaxSecondCapacity;
    if (settings_.Benchmark()) {
        capacity = o.active_time_based == 1 ? o.active_duration_ms / 1000 + kSecondSlack
                                            // a second holds at least one frame (frame times
                                            // are capped at 1000 ms)
                                            : std::size_t{o.active_max_frames} + kSecondSlack;
    }
    stats_.Begin(capacity);
    gpuTimes_.Begin(1);
    const std::string& logPath = settings_.automation.OutputFile("frame-log");
    if (!logPath.empty() && !frameLog_.IsOpen() && !frameLogStarted_) {
        frameLogError_.clear();
        frameLogSensors_ = {};
        std::string error;
        if (!frameLog_.Open(logPath,
                              MangoHudPreamble(CollectSystemFacts(Ridudedozu::SysfsRootFromEnvironment())),
                              &error)) {
            frameLogError_ = error;
            ReportError("Frame log not written: " + error);
        }
    }
    lastFrameNs_ = NowNs();
    // A stability test measures from its first frame; a benchmark after its warm-up.
    if (settings_.Benchmark())
        frameLogMeasuring_ = false;
    else
        StartFrameLogClock();
}

void RunRecorder::Restart()
{
    stats_.Restart();
    gpuTimes_.Restart();
    lastFrameNs_ = NowNs();
    StartFrameLogClock();
}

void RunRecorder::KeepRun(bool first, const RunResult& result)
{
    if (first)
        keptRuns_.clear();
    const BenchmarkScore score = ScoreOf(settings_, result);
    const FrameTimeSummary f = stats_.Summarize();
    RepeatRun run;
    run.score = score.score;
    run.total_frames = static_cast<uint32_t>(result.total_frames);
    run.elapsed_ms = result.elapsed_ms;
    run.fps_avg = run.elapsed_ms > 0 ? run.total_frames * 1000.0 / run.elapsed_ms : NAN;
    run.fps_min = stats_.MinWindowRate();
    run.fps_max = stats_.MaxWindowRate();
    run.p50_ms = f.p50_us / 1000.0;
    run.p99_ms = f.p99_us / 1000.0;
    run.low_1pct_fps = f.low_1pct_fps;
    run.low_01pct_fps = f.low_01pct_fps;
    keptRuns_.push_back(run);
}

void RunRecorder::EndRun()
{
    frameLogMeasuring_ = false;
    frameLogStarted_ = false;
    if (!frameLog_.IsOpen())
        return;
    const uint64_t rows = frameLog_.Rows();
    const std::string summary = frameLog_.SummaryText();
    std::string error;
    if (frameLog_.Finish(&error)) {
        ProgramLog().Write("Frame log written to %s (%llu frames).",
                           settings_.automation.OutputFile("frame-log").c_str(),
                           static_cast<unsigned long long>(rows));
        // MangoHud's summary beside it; like MangoHud, none for a log without frames.
        const std::string summaryPath = FrameLog::SummaryPath(settings_.automation.OutputFile("frame-log"));
        if (!summary.empty() && !WriteFileAtomically(summaryPath, summary, &error)) {
            frameLogError_ = error;
            ReportError("Frame log summary not written: " + error);
        }
    } else {
        frameLogError_ = error;
        ReportError("Frame log not written: " + error);
    }
}

void RunRecorder::RestartFrameClock() { lastFrameNs_ = NowNs(); }

void RunRecorder::RecordFrame(double gpuMs)
{
    const uint64_t now = NowNs();
    const uint64_t micros = (now - lastFrameNs_) / 1000;
    if (std::isfinite(gpuMs))
        gpuTimes_.RecordFrame(static_cast<uint32_t>(std::min(gpuMs * 1000.0, double(UINT32_MAX))));
    frameLogSensors_.gpu_frametime_ms = static_cast<float>(gpuMs);
    if (frameLogMeasuring_ && frameLog_.IsOpen()) {
        frameLog_.Row(now - frameLogMarkNs_, frameLogSensors_);
        frameLogMarkNs_ = now;
    }
    lastFrameNs_ = now;
    stats_.RecordFrame(static_cast<uint32_t>(std::min<uint64_t>(micros, UINT32_MAX)));
}

void RunRecorder::RecordSecond(const cHx7PDemo& scene, uint32_t frames, uint32_t windowMs,
                               uint32_t elapsedMs, bool partial)
{
    std::array<GpuSecondSample, kMaxRecordedGpus> gpus{};
    const std::size_t count = std::min({static_cast<std::size_t>(scene.gpuCount),
                                        scene.gpuRecords.size(), scene.temperatureHistory.size(),
                                        kMaxRecordedGpus});
    // A GPU without a temperature sensor has no history; clocks of 0 are clocks the driver
    // does not publish. Both stay absent (NaN) rather than reading as 0.
    const auto measured = [](float mhz) { return mhz > 0.0f ? mhz : std::numeric_limits<float>::quiet_NaN(); };
    for (std::size_t i = 0; i < count; ++i) {
        const auto& history = scene.temperatureHistory[i];
        if (!history.empty())
            gpus[i].temperature_c = history.back().temperature;
        gpus[i].core_clock_mhz = measured(scene.gpuRecords[i].maxCoreClock);
        gpus[i].memory_clock_mhz = measured(scene.gpuRecords[i].maxMemoryClock);
        gpus[i].power_w = scene.gpuRecords[i].power;
        gpus[i].fan_percent = scene.gpuRecords[i].fanPercent;
        gpus[i].fan_rpm = scene.gpuRecords[i].fanRpm;
    }
    // GPU-Z's live values, when it publishes them, are GPU 0's and fresher than the driver's
    // performance levels.
    if (count > 0 && scene.gpuzAvailable) {
        gpus[0].temperature_c = g_sensor_readings.gpu_temperature;
        gpus[0].core_clock_mhz = measured(g_sensor_readings.core_clock);
        gpus[0].memory_clock_mhz = measured(g_sensor_readings.memory_clock);
        if (g_sensor_readings.has_electrical)
            gpus[0].power_w = g_sensor_readings.power;
    }
    stats_.RecordSecond(frames, windowMs, elapsedMs, std::span(gpus.data(), count), partial);
    if (count > 0)
        frameLogSensors_ = {gpus[0].temperature_c, gpus[0].core_clock_mhz, gpus[0].memory_clock_mhz};
}

