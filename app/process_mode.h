// How this process presents itself: with a desktop (dialogs, windows) or headless (SDL's
// offscreen driver over EGL, message boxes on standard error, the result on standard output).
#pragma once

#include <atomic>

// Set once by the start-up sequence before any window or thread exists.
void SetHeadless(bool headless);
bool IsHeadless();
