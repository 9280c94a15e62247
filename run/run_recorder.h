// What a run records for its report: the frame times and measuring windows (FrameTimeStats),
// the per-frame log (--frame-log), the figures of each finished run of a --repeat series, and
// the stability test's monitor. One object, owned by the run (run/run.h).
//
// Where the calls go, all on the render thread (the main thread reads the recorder only after
// joining it):
//   at the start of each run of a series, after the loop reset its counters:  BeginRun();
//   when the warm-up ends, after the measurement restarted:                   Restart();
//   after every frame:                                                        RecordFrame();
//   when a measuring window closes, and for the last, partial one:            RecordSecond(...);
//   after a check frame (its time is no frame's):                             RestartFrameClock();
//   after each finished benchmark run of a series, its result published:      KeepRun(...);
//   when the run is over (finished, stopped or ended):                        EndRun();
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "results/frame_log.h"
#include "results/frame_time_stats.h"
#include "results/repeat_summary.h"
#include "results/stability.h"

class cHx7PDemo;
class FrameClockSource;
struct RunResult;
struct RunSettings;

class RunRecorder {
public:
    explicit RunRecorder(const RunSettings& settings) : settings_(settings) {}
    RunRecorder(const RunRecorder&) = delete;
    RunRecorder& operator=(const RunRecorder&) = delete;

    // The clock the frame times are read from: the frame loop's, for the time it runs
    // (nullptr: CLOCK_MONOTONIC). The source must outlive its use.
    void SetClock(FrameClockSource* clock) { clock_ = clock; }

    // Reserves the per-second ring for the run: the duration plus some slack for a time-based
    // benchmark, a day's worth for an endless stability test; opens the frame log.
    void BeginRun();
    // Forgets what the warm-up recorded and starts the frame clock afresh.
    void Restart();
    // Records the time since the previous call (or since the start / restart) as one frame, and
    // the GPU time the timer queries delivered with it (NaN: none arrived).
    void RecordFrame(double gpuMs = std::numeric_limits<double>::quiet_NaN());
    // The next frame's time starts now: what happened since the last frame (a check frame of
    // the stability test) is no frame's time.
    void RestartFrameClock();
    // Records one measuring window with the GPUs' latest temperatures and clocks from the
    // scene's sensor records.
    void RecordSecond(const cHx7PDemo& scene, uint32_t frames, uint32_t windowMs, uint32_t elapsedMs,
                      bool partial = false);
    // Keeps the figures of the benchmark run that just finished for the series summary
    // (first: the series' first run).
    void KeepRun(bool first, const RunResult& result);
    // Finishes the per-frame log, whatever way the run ended.
    void EndRun();

    const FrameTimeStats& Stats() const { return stats_; }
    // The frames' GPU times (only the frame histogram is used).
    const FrameTimeStats& GpuTimes() const { return gpuTimes_; }
    const std::vector<RepeatRun>& KeptRuns() const { return keptRuns_; }
    StabilityMonitor& Stability() { return stability_; }
    const StabilityMonitor& Stability() const { return stability_; }
    // Why the frame log or its summary could not be written; empty when it was (or none was
    // asked for).
    const std::string& FrameLogError() const { return frameLogError_; }

private:
    uint64_t NowNs() const;
    void StartFrameLogClock();

    const RunSettings& settings_;
    FrameClockSource* clock_ = nullptr;
    FrameTimeStats stats_;
    FrameTimeStats gpuTimes_;
    // CLOCK_MONOTONIC nanoseconds of the previous frame mark.
    uint64_t lastFrameNs_ = 0;
    // Only measured frames go into the frame log: warm-ups are left out. Its frames are
    // measured from its own mark, which a check frame does not move, so the log's frame times
    // cover all of the measured time and add up to its elapsed column.
    FrameLog frameLog_;
    bool frameLogMeasuring_ = false;
    bool frameLogStarted_ = false;
    uint64_t frameLogMarkNs_ = 0;
    FrameLogSensors frameLogSensors_;
    std::string frameLogError_;
    std::vector<RepeatRun> keptRuns_;
    StabilityMonitor stability_;
};
