// The per-second log of a run as CSV: one row per measuring window of measured time, the
// last (partial) window of the run included.
//
//   elapsed_s,fps,worst_frame_ms,frames,window_ms,partial,gpu0_temperature_c,gpu0_core_clock_mhz,
//   gpu0_memory_clock_mhz,gpu0_power_w,gpu0_fan_percent,...
//
// fps is the window's exact rate (frames over its real length, which exceeds a second when a
// frame does); partial is 1 for the window the end of the run cut short. One group of five
// GPU columns per GPU (as many as the sample with the most GPUs has); a value that was not
// measured, or a GPU missing from a window, leaves its cell empty. Numbers use '.' whatever
// the locale; lines end in LF.
#pragma once

#include <string>

#include "results/run_report.h"

std::string FormatResultsCsv(const RunReport& report);
