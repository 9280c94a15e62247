// The per-second log of a run as CSV: one row per completed second of measured time.
//
//   elapsed_s,fps,worst_frame_ms,gpu0_temperature_c,gpu0_core_clock_mhz,gpu0_memory_clock_mhz,...
//
// One group of three GPU columns per GPU (as many as the sample with the most GPUs has; a
// second without a value for a GPU leaves its cells empty). Numbers use '.' whatever the
// locale; lines end in LF.
#pragma once

#include <string>

#include "app/frame_time_stats.h"

std::string FormatResultsCsv(const FrameTimeStats& stats);
