// What a run leaves behind for scripts: the frame-time recording during the run, and at the
// end of a finished benchmark the score line on standard output plus the JSON and CSV files
// asked for with --json and --csv.
//
// Where the calls go:
//   render thread, at the start of a run (after the run's records are reset):
//       RunReportsBeginRun();
//   render thread, when the warm-up ends (after the measurement restarts):
//       RunReportsRestart();
//   render thread, after every RenderFrame:
//       RecordFrame();
//   render thread, when a one-second measuring window closes, and for the last, partial
//   window when the run ends:
//       RecordSecond(scene, frames, windowMs, elapsedMs, partial);
//   render thread, after each finished benchmark run of a series (--repeat), once its
//   result is published (first: the series' first run):
//       RunReportsKeepRun(first);
//   render thread, when the run is over (finished, stopped or ended):
//       RunReportsEndRun();
//   main thread, after joining the render thread of a benchmark that ended by itself
//   (run_finished): the files first, then the result block, then the score lines:
//       const RunReport report = CollectRunReport();
//       const bool written = WriteRequestedResults(report);
//       ... result dialog or block ...
//       PrintScoreLines(report);   // exit status 1 unless written
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "results/frame_time_stats.h"
#include "results/results_json.h"

class cHx7PDemo;
class FrameClockSource;

// The clock the frame times are read from: the frame loop's, set by the render thread for
// the time it runs (nullptr: CLOCK_MONOTONIC). The source must outlive its use.
void SetRunReportsClock(FrameClockSource* clock);

// The recorder of the current (or last) run.
FrameTimeStats& RunFrameTimeStats();

// Reserves the per-second ring for the active run settings: the duration plus some slack for
// a time-based benchmark, a day's worth for an endless stability test.
void RunReportsBeginRun();
// Forgets what the warm-up recorded and starts the frame clock afresh.
void RunReportsRestart();
// Keeps the figures of the benchmark run that just finished for the series summary.
void RunReportsKeepRun(bool first);
// The runs kept so far (read after the render thread has been joined).
const std::vector<RepeatRun>& RunReportsKeptRuns();
// Finishes the per-frame log of the run (--frame-log), whatever way the run ended.
void RunReportsEndRun();
// Records the time since the previous call (or since the start / restart) as one frame.
void RecordFrame();
// The next frame's time starts now: what happened since the last frame (a check frame of the
// stability test) is no frame's time.
void RunReportsRestartFrameClock();
// Records one measuring window with the GPUs' latest temperatures and clocks from the scene's
// sensor records (render thread only: the scene is the render thread's).
void RecordSecond(const cHx7PDemo& scene, uint32_t frames, uint32_t windowMs, uint32_t elapsedMs,
                  bool partial = false);

// The score from the run's records (g_startup_options, g_run_result, g_frame_stats), as they
// stand after the render thread has finished a benchmark run.
BenchmarkScore CurrentBenchmarkScore();

// The report of the finished run from the process-wide records.
RunReport CollectRunReport();

// "Gridfall Score: N" (points, higher is better) for a time-based run, "Gridfall Time: N ms"
// (lower is better) for a frame-count run; no line end. The stable line scripts parse.
std::string ScoreOutputLine(const RunReport& report);
// "Gridfall Average FPS: 57.31", the exact frame rate over the measured time, printed just
// before the score line; empty when no time was measured.
std::string AverageFpsOutputLine(const RunReport& report);

// Writes the files asked for (g_automation_options: --json, --csv, --plot) for a finished
// run's report. False when one could not be written (or the frame log failed); the reason
// went to standard error and the log.
bool WriteRequestedResults(const RunReport& report);

// Prints a series' lines and the average frame rate and score lines last on standard output.
// Called after the files are written: a reader of standard output that goes away early
// (`| head -1`) must not cost the files.
void PrintScoreLines(const RunReport& report);

