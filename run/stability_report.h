// What a stability test leaves behind: the first differing check frame and its reference as
// PNG beside the results, and at the end the summary on standard output with the verdict line
// "Gridfall Stability: PASS (...)" last, plus the JSON and CSV asked for.
#pragma once

#include <string>
#include <vector>

#include "core/process_mode.h"
#include "results/stability.h"

class RunSession;

// Where SaveCheckPictures puts the reference and the differing frame: checked with the other
// outputs before the run.
std::vector<std::string> CheckPicturePaths();

// Render thread, at the first differing check frame: writes the reference and `differing`
// as PNG files into the results' directory (that of --json or --csv, else the current one)
// and tells the monitor where.
void SaveCheckPictures(StabilityMonitor& monitor, const CheckImage& differing);

// Main thread, after joining the render thread of a stability test started without the
// dialog. Returns how the run ended for the exit status: Finished (PASS), StabilityFailed
// (FAIL), Stopped (STOPPED), or Failed when a results file could not be written.
RunOutcome ReportStabilityRun(const RunSession& run);
