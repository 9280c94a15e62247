// Process-wide presentation mode.
#include "core/process_mode.h"

namespace {
std::atomic<bool> g_headless{false};
}

void SetHeadless(bool headless) { g_headless.store(headless); }
bool IsHeadless() { return g_headless.load(); }

namespace {
std::atomic<RunOutcome> g_outcome{RunOutcome::None};
}

void SetRunOutcome(RunOutcome outcome) { g_outcome.store(outcome); }
RunOutcome GetRunOutcome() { return g_outcome.load(); }
