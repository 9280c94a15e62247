// Storage of the live run counters.
#include "run/run_state.h"

FrameStats g_frame_stats;
