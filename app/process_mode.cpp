// Process-wide presentation mode.
#include "app/process_mode.h"

namespace {
std::atomic<bool> g_headless{false};
}

void SetHeadless(bool headless) { g_headless.store(headless); }
bool IsHeadless() { return g_headless.load(); }
