// The results of a finished benchmark as a JSON document for scripts, CI systems and fleet
// tools. The layout is documented in packaging/results-schema.md; bump kResultsSchemaVersion when a
// field changes meaning or disappears (adding fields keeps the version).
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "results/frame_time_stats.h"
#include "results/repeat_summary.h"
#include "results/system_facts.h"
#include "core/machine_records.h"
#include "run/run_state.h"
#include "results/stability.h"
#include "results/scoring.h"

inline constexpr int kResultsSchemaVersion = 4;

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
    std::string reference_png, error_png; // saved check frames; empty when none
};

// Everything one report is made from, gathered once after the run so that the score line,
// the JSON and the CSV agree.
struct RunReport {
    // Settings of the run.
    int32_t run_mode = 1;            // 1 benchmark, 2 stability test
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
    SensorReadings sensors;
    std::string finished_at;         // UTC, ISO 8601
    StabilityReport stability;
    // Every finished run of a --repeat series, this one last. For a series the score is its
    // mean, and total_frames, elapsed_ms and the exact rates are the series'; the HUD figures,
    // the frame times and the seconds are the last run's. One entry (or none) for a single run.
    std::vector<RepeatRun> repeat_runs;
};

// For a --repeat series (more than one run kept): total_frames, elapsed_ms and the exact
// rates become the series' (all its measured frames over all its measured time, the slowest
// and fastest window of any run), so that the average-rate line and the JSON speak of it.
void ApplySeriesTotals(RunReport& report);

// Never null: the samples of the report's run (may be empty).
std::string FormatResultsJson(const RunReport& report, const FrameTimeStats& stats);

// JSON string literal (with the quotes) of arbitrary bytes: control characters escaped,
// invalid UTF-8 replaced by U+FFFD, so the document always parses.
std::string JsonQuote(const std::string& text);
// A number, locale-independent (a German desktop must not turn 1.5 into "1,5"); non-finite
// values become null.
std::string JsonNumber(double value, int decimals);
