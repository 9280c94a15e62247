// Frame-time recording during a run and the reports written at its end.
#include "run/run_reports.h"
#include "run/run_state.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <vector>

#include "run/frame_timer.h"
#include "core/gnu_options.h"
#include "core/log_file.h"
#include "core/output_file.h"
#include "core/process_mode.h"
#include "core/std_streams.h"
#include "results/results_csv.h"
#include "core/startup_options.h"
#include "run/collect_system_facts.h"
#include "gfx/gl_context.h"
#include "gpuinfo/siliscan.h"
#include "gpuinfo/sysfs_reader.h"
#include "results/frame_log.h"
#include "results/run_plot.h"
#include "scene/demo.h"

BenchmarkScore CurrentBenchmarkScore()
{
    const StartupOptions& o = g_startup_options;
    return ComputeBenchmarkScore(o.active_time_based,
                                 static_cast<uint32_t>(g_run_result.total_frames),
                                 g_frame_stats.elapsed_ms.load(), o.active_duration_ms,
                                 o.active_max_frames);
}

namespace {

FrameTimeStats g_stats;
// CLOCK_MONOTONIC nanoseconds of the previous frame mark; render thread only.
uint64_t g_last_frame_ns = 0;

// The per-frame log (render thread; its error is read by the main thread after the join).
// Only measured frames go into it: warm-ups are left out. Its frames are measured from its
// own mark, which a check frame does not move, so the log's frame times cover all of the
// measured time and add up to its elapsed column.
FrameLog g_frame_log;
bool g_frame_log_measuring = false;
bool g_frame_log_started = false;
uint64_t g_frame_log_mark_ns = 0;
FrameLogSensors g_frame_log_sensors;
std::string g_frame_log_error;

// The finished runs of the current series (render thread; read after the join).
std::vector<RepeatRun> g_repeat_runs;

FrameClockSource* g_clock = nullptr;

// Nanoseconds of the frame loop's clock (its counter is CLOCK_MONOTONIC in ns on a real run).
uint64_t NowNs()
{
    if (g_clock) {
        const uint64_t f = g_clock->Frequency();
        const uint64_t c = g_clock->Counter();
        return f == 1000000000ull ? c
                                  : static_cast<uint64_t>(static_cast<long double>(c) * 1e9L / f);
    }
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

// Slack on top of the duration: the per-second windows drop their excess over 1000 ms, so a
// run closes slightly more windows than its duration in seconds.
constexpr std::size_t kSecondSlack = 16;

std::string Text(const char* s) { return s ? std::string(s) : std::string(); }

std::string UtcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

void ReportError(const std::string& message)
{
    std::fprintf(stderr, "gridfall: %s\n", message.c_str());
    ProgramLog().Write("%s", message.c_str());
}

// Measuring starts (or, in a --repeat series, resumes) at the frame clock's mark: the time
// between two runs of a series (the next warm-up) is no frame's, so the log's elapsed time is
// the series' measured time.
void StartFrameLogClock()
{
    g_frame_log_measuring = true;
    g_frame_log_started = true;
    g_frame_log_mark_ns = g_last_frame_ns;
}

}  // namespace

void SetRunReportsClock(FrameClockSource* clock) { g_clock = clock; }

FrameTimeStats& RunFrameTimeStats() { return g_stats; }

void RunReportsBeginRun()
{
    const StartupOptions& o = g_startup_options;
    std::size_t capacity = FrameTimeStats::kMaxSecondCapacity;
    if (o.active_run_mode == 1) {
        capacity = o.active_time_based == 1 ? o.active_duration_ms / 1000 + kSecondSlack
                                            // a second holds at least one frame (frame times
                                            // are capped at 1000 ms)
                                            : std::size_t{o.active_max_frames} + kSecondSlack;
    }
    g_stats.Begin(capacity);
    const std::string& logPath = g_automation_options.frame_log_path;
    if (!logPath.empty() && !g_frame_log.IsOpen() && !g_frame_log_started) {
        g_frame_log_error.clear();
        g_frame_log_sensors = {};
        std::string error;
        if (!g_frame_log.Open(logPath,
                              MangoHudPreamble(CollectSystemFacts(Ridudedozu::SysfsRootFromEnvironment())),
                              &error)) {
            g_frame_log_error = error;
            ReportError("Frame log not written: " + error);
        }
    }
    g_last_frame_ns = NowNs();
    // A stability test measures from its first frame; a benchmark after its warm-up.
    if (o.active_run_mode == 1)
        g_frame_log_measuring = false;
    else
        StartFrameLogClock();
}

void RunReportsRestart()
{
    g_stats.Restart();
    g_last_frame_ns = NowNs();
    StartFrameLogClock();
}

void RunReportsKeepRun(bool first)
{
    if (first)
        g_repeat_runs.clear();
    const BenchmarkScore score = CurrentBenchmarkScore();
    const FrameTimeSummary f = g_stats.Summarize();
    RepeatRun run;
    run.score = score.score;
    run.total_frames = static_cast<uint32_t>(g_run_result.total_frames);
    run.elapsed_ms = g_frame_stats.elapsed_ms.load();
    run.fps_avg = run.elapsed_ms > 0 ? run.total_frames * 1000.0 / run.elapsed_ms : NAN;
    run.fps_min = g_stats.MinWindowRate();
    run.fps_max = g_stats.MaxWindowRate();
    run.p50_ms = f.p50_us / 1000.0;
    run.p99_ms = f.p99_us / 1000.0;
    run.low_1pct_fps = f.low_1pct_fps;
    run.low_01pct_fps = f.low_01pct_fps;
    g_repeat_runs.push_back(run);
}

const std::vector<RepeatRun>& RunReportsKeptRuns() { return g_repeat_runs; }

void RunReportsEndRun()
{
    g_frame_log_measuring = false;
    g_frame_log_started = false;
    if (!g_frame_log.IsOpen())
        return;
    const uint64_t rows = g_frame_log.Rows();
    const std::string summary = g_frame_log.SummaryText();
    std::string error;
    if (g_frame_log.Finish(&error)) {
        ProgramLog().Write("Frame log written to %s (%llu frames).",
                           g_automation_options.frame_log_path.c_str(),
                           static_cast<unsigned long long>(rows));
        // MangoHud's summary beside it; like MangoHud, none for a log without frames.
        const std::string summaryPath = FrameLog::SummaryPath(g_automation_options.frame_log_path);
        if (!summary.empty() && !WriteFileAtomically(summaryPath, summary, &error)) {
            g_frame_log_error = error;
            ReportError("Frame log summary not written: " + error);
        }
    } else {
        g_frame_log_error = error;
        ReportError("Frame log not written: " + error);
    }
}

void RunReportsRestartFrameClock() { g_last_frame_ns = NowNs(); }

void RecordFrame()
{
    const uint64_t now = NowNs();
    const uint64_t micros = (now - g_last_frame_ns) / 1000;
    if (g_frame_log_measuring && g_frame_log.IsOpen()) {
        g_frame_log.Row(now - g_frame_log_mark_ns, g_frame_log_sensors);
        g_frame_log_mark_ns = now;
    }
    g_last_frame_ns = now;
    g_stats.RecordFrame(static_cast<uint32_t>(std::min<uint64_t>(micros, UINT32_MAX)));
}

void RecordSecond(const cHx7PDemo& scene, uint32_t frames, uint32_t windowMs, uint32_t elapsedMs,
                  bool partial)
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
    g_stats.RecordSecond(frames, windowMs, elapsedMs, std::span(gpus.data(), count), partial);
    if (count > 0)
        g_frame_log_sensors = {gpus[0].temperature_c, gpus[0].core_clock_mhz, gpus[0].memory_clock_mhz};
}

RunReport CollectRunReport()
{
    const StartupOptions& o = g_startup_options;
    RunReport r;
    r.run_mode = o.active_run_mode;
    r.time_based = o.active_time_based == 1;
    r.duration_ms = o.active_duration_ms;
    // A limit that did not end the run is not one of its settings.
    r.max_frames = o.active_run_mode == 1 && o.active_time_based != 1 ? o.active_max_frames : 0;
    r.width = g_system_info.scene_width ? g_system_info.scene_width : o.active_width;
    r.height = g_system_info.scene_height ? g_system_info.scene_height : o.active_height;
    r.fullscreen = o.active_fullscreen != 0;
    r.msaa_samples = g_system_info.msaa_samples;
    r.msaa_samples_requested = MultisampleSamplesForName(o.aa_mode);
    r.tess_level = o.tess_level;
    r.map_set = o.map_set + 1;
    r.post_fx = ActivePostFxName(o);
    r.headless = IsHeadless();

    const SystemInfo& s = g_system_info;
    r.renderer = s.renderer;
    r.drivers = s.drivers;
    r.cpu = s.cpu;
    r.cpu_speed = s.cpu_speed;
    r.memory = s.memory;
    r.os = s.os;
    r.facts = CollectSystemFacts(Ridudedozu::SysfsRootFromEnvironment());
    r.main_vendor_id = g_machine_facts.main_vendor_id;
    r.main_device_id = g_machine_facts.main_device_id;

    if (auto* lib = Ridudedozu::SiliscanLib::Instance()) {
        if (lib->GetGlMajor() > 0)
            r.gl_version = std::to_string(lib->GetGlMajor()) + "." + std::to_string(lib->GetGlMinor());
        for (uint32_t i = 0; i < lib->GetNumGpus(); ++i) {
            GpuIdentity g;
            g.name = Text(lib->GetGpuName(i));
            g.driver = Text(lib->GetGpuDriver(i));
            uint32_t subVendor = 0, subDevice = 0;
            lib->GetGpuPciIds(i, &g.vendor_id, &g.device_id, &subVendor, &subDevice);
            r.gpus.push_back(std::move(g));
        }
    }

    r.score = CurrentBenchmarkScore();
    r.fps_min = g_run_result.min_fps;
    r.fps_max = g_run_result.max_fps;
    r.fps_avg = g_run_result.avg_fps;
    r.total_frames = static_cast<uint32_t>(g_run_result.total_frames);
    r.elapsed_ms = g_frame_stats.elapsed_ms.load();
    r.long_frames = g_run_result.long_frames;
    r.longest_frame_ms = g_run_result.longest_frame_ms;
    r.fps_min_exact = g_stats.MinWindowRate();
    r.fps_max_exact = g_stats.MaxWindowRate();
    r.frame_times = g_stats.Summarize();
    r.sensors = g_sensor_readings;
    r.finished_at = UtcNow();
    r.repeat_runs = g_repeat_runs;
    ApplySeriesTotals(r);
    return r;
}

std::string ScoreOutputLine(const RunReport& report)
{
    // A frame-count run's figure is a time (lower is better); a parser of the score line must
    // not mistake it for points.
    // A series reports its mean, which is rarely a whole number.
    if (report.repeat_runs.size() > 1) {
        double sum = 0;
        for (const RepeatRun& run : report.repeat_runs)
            sum += run.score;
        const std::string mean = JsonNumber(sum / static_cast<double>(report.repeat_runs.size()), 2);
        return report.score.timeBased ? "Gridfall Score: " + mean : "Gridfall Time: " + mean + " ms";
    }
    if (!report.score.timeBased)
        return "Gridfall Time: " + std::to_string(report.score.score) + " ms";
    return "Gridfall Score: " + std::to_string(report.score.score);
}

std::string AverageFpsOutputLine(const RunReport& report)
{
    // The exact rate over the measured real time (of the whole series for --repeat), as the
    // JSON's fps.avg (two decimals); nothing when no time was measured, never a stand-in.
    if (report.elapsed_ms == 0)
        return {};
    char line[64];
    std::snprintf(line, sizeof line, "Gridfall Average FPS: %.2f",
                  report.total_frames * 1000.0 / report.elapsed_ms);
    return line;
}

bool WriteRequestedResults(const RunReport& report)
{
    bool ok = true;
    std::string error;
    const AutomationOptions& a = g_automation_options;
    if (!a.json_path.empty()) {
        if (WriteFileAtomically(a.json_path, FormatResultsJson(report, g_stats), &error))
            ProgramLog().Write("Results written to %s.", a.json_path.c_str());
        else {
            ReportError("JSON results not written: " + error);
            ok = false;
        }
    }
    if (!a.csv_path.empty()) {
        if (WriteFileAtomically(a.csv_path, FormatResultsCsv(g_stats), &error))
            ProgramLog().Write("Per-second log written to %s.", a.csv_path.c_str());
        else {
            ReportError("CSV log not written: " + error);
            ok = false;
        }
    }
    if (!a.plot_path.empty()) {
        if (WriteRunPlotFile(a.plot_path, RunPlotSamplesFrom(g_stats), &error))
            ProgramLog().Write("Plot written to %s.", a.plot_path.c_str());
        else {
            ReportError("Plot not written: " + error);
            ok = false;
        }
    }
    // The frame log was finished when the run ended; its failure was reported then.
    if (!g_frame_log_error.empty())
        ok = false;
    return ok;
}

void PrintScoreLines(const RunReport& report)
{
    if (report.repeat_runs.size() > 1)
        std::fputs(FormatRepeatLines(report.repeat_runs, report.score.timeBased ? "points" : "ms").c_str(),
                   stdout);
    // Last on standard output, so `tail -n 1` and test harnesses find it.
    std::fflush(stderr);
    if (const std::string fps = AverageFpsOutputLine(report); !fps.empty())
        std::printf("%s\n", fps.c_str());
    std::printf("%s\n", ScoreOutputLine(report).c_str());
    NoteStandardStreamErrors();
}
