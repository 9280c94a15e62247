// Storage of the run records.
#include "run/run_state.h"

FrameStats g_frame_stats;
RunResult g_run_result;
