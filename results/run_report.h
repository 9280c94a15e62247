// The report of a finished run: one model of a benchmark or a stability test, read by every
// output. Gathered by the program at the end of a run; this header only describes it, so every
// writer is tested without a run.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/machine_records.h"
#include "core/startup_options.h"
#include "results/frame_time_stats.h"
#include "results/repeat_summary.h"
#include "results/scoring.h"
#include "results/stability.h"
#include "results/system_facts.h"

struct GpuIdentity {
    std::string name;
    std::string driver;
    uint32_t vendor_id = 0xFFFFFFFF;
    uint32_t device_id = 0xFFFFFFFF;
};

// The stability test's part of a report (absent for benchmarks).
struct StabilityReport {
    bool present = false;
    uint32_t duration_ms = 0;          // real time the run lasted
    uint32_t planned_ms = 0;           // --duration; 0: until the user ended it
    uint32_t check_interval_ms = 0;
    uint32_t hang_limit_ms = 0;
    float max_temp_c = std::numeric_limits<float>::quiet_NaN();
    uint32_t checks = 0;
    uint32_t errors = 0;
    std::vector<StabilityEvent> events;   // the first kMaxKeptEvents
    std::vector<GpuThrottling> throttling;
    std::vector<std::string> limits_hit;  // "max_temp", "context_lost"
    // Limits given but never checked: "max_temp" when no sensor read a temperature.
    std::vector<std::string> limits_unchecked;
    std::string verdict;                  // PASS, FAIL or STOPPED
    std::string summary;                  // the verdict line's text in parentheses
    std::string verdict_line;             // "PASS (00:24, 2 checks, ...)"
    std::string reference_png, error_png; // saved check frames; empty when none
};

// Everything one report is made from, gathered once after the run (run/ collects it), so that
// every output agrees: the score lines, the result dialog, the JSON, the CSV, the plot and
// compare all read this and nothing else.
struct RunReport {
    // Settings of the run.
    int32_t run_mode = kRunModeBenchmark;
    bool time_based = true;
    uint32_t duration_ms = 0;
    uint32_t max_frames = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool fullscreen = false;
    int32_t msaa_samples = 0;            // samples per pixel the window got
    int32_t msaa_samples_requested = 0;  // what the multisample setting asked for
    float tess_level = 0.0f;
    int32_t map_set = 1;             // 1..4, as on the command line
    std::string post_fx = "off";     // off, blur1, blur2, fxaa
    bool headless = false;

    // Machine identity: the facts one by one, and the texts the result dialog shows.
    RunSystemFacts facts;
    std::string renderer, drivers, cpu, cpu_speed, memory, os;
    std::string gl_version;          // "4.5"; empty when unknown
    uint32_t main_vendor_id = 0xFFFFFFFF;
    uint32_t main_device_id = 0xFFFFFFFF;
    std::vector<GpuIdentity> gpus;

    // Results.
    BenchmarkScore score;
    int32_t fps_min = 0, fps_max = 0, fps_avg = 0;   // the HUD's whole-frame figures
    // Exact rates of the complete measuring windows; NaN when none completed.
    double fps_min_exact = std::numeric_limits<double>::quiet_NaN();
    double fps_max_exact = std::numeric_limits<double>::quiet_NaN();
    uint32_t total_frames = 0;
    uint32_t elapsed_ms = 0;         // measured real time after the warm-up
    uint32_t long_frames = 0;        // frames longer than kLongFrameMs
    uint32_t longest_frame_ms = 0;
    FrameTimeSummary frame_times;
    // The frames' GPU times from timer queries (read a frame or two late); frames == 0: the
    // driver has none, and the JSON says null.
    FrameTimeSummary gpu_times;
    SensorReadings sensors;
    std::string finished_at;         // UTC, ISO 8601
    StabilityReport stability;
    // The run's measuring windows, oldest first (the recorder's ring: the oldest are dropped
    // when a run outlasts it), and how many were dropped.
    std::vector<SecondSample> seconds;
    uint64_t seconds_dropped = 0;
    // Every finished run of a --repeat series, this one last. For a series the score is its
    // mean, and total_frames, elapsed_ms and the exact rates are the series'; the HUD figures,
    // the frame times and the seconds are the last run's. One entry (or none) for a single run.
    std::vector<RepeatRun> repeat_runs;
};

// For a --repeat series (more than one run kept): total_frames, elapsed_ms and the exact
// rates become the series' (all its measured frames over all its measured time, the slowest
// and fastest window of any run), so that the average-rate line and the JSON speak of it.
void ApplySeriesTotals(RunReport& report);

// "Gridfall Score: N" (points, higher is better) for a time-based run, "Gridfall Time: N ms"
// (lower is better) for a frame-count run; no line end. The stable line scripts parse.
std::string ScoreOutputLine(const RunReport& report);
// "Gridfall Average FPS: 57.31", the exact frame rate over the measured time, printed just
// before the score line; empty when no time was measured.
std::string AverageFpsOutputLine(const RunReport& report);
// Prints a series' lines and the average frame rate and score lines last on standard output.
// Called after the files are written: a reader of standard output that goes away early
// (`| head -1`) must not cost the files.
void PrintScoreLines(const RunReport& report);
