// One run: the settings it reads, taken when it starts, and everything it records. The shell
// (app/) creates a RunSession for each start of rendering and hands it to the render thread;
// the frame loop writes it; the main thread reads it only after joining that thread, to
// collect the run's report.
#pragma once

#include <cstdint>
#include <utility>

#include "core/gnu_options.h"
#include "core/startup_options.h"
#include "results/scoring.h"
#include "run/run_recorder.h"
#include "run/run_state.h"

// The settings a run reads: a snapshot of the settings record and the automation options at
// its start, so that nothing the main thread or the options file changes later reaches a run
// under way. Key toggles (HUD, graphs, pause) are not settings: the scene reads them live.
struct RunSettings {
    StartupOptions options;
    AutomationOptions automation;

    static RunSettings Current() { return {g_startup_options, g_automation_options}; }
    bool Benchmark() const { return options.active_run_mode == kRunModeBenchmark; }
    bool Stability() const { return options.active_run_mode == kRunModeStability; }
    bool TimeBased() const { return options.active_time_based == 1; }
    // Runs of a --repeat series (1 for a stability test).
    uint32_t SeriesLength() const { return Benchmark() ? automation.repeat : 1; }
};

// The score of a finished benchmark run: frames and measured time against the settings.
BenchmarkScore ScoreOf(const RunSettings& settings, const RunResult& result);

class RunSession {
public:
    explicit RunSession(RunSettings settings = RunSettings::Current())
        : settings_(std::move(settings)), recorder_(settings_) {}
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

    const RunSettings& Settings() const { return settings_; }
    RunRecorder& Recorder() { return recorder_; }
    const RunRecorder& Recorder() const { return recorder_; }

    // The figures of the last finished (or, for a stability test, ended) run of the series;
    // written by the render thread before it ends.
    RunResult& Result() { return result_; }
    const RunResult& Result() const { return result_; }

    // The score of the finished benchmark run from its result.
    BenchmarkScore Score() const;

private:
    RunSettings settings_;
    RunRecorder recorder_;
    RunResult result_;
};
