// How this process presents itself: with a desktop (dialogs, windows) or headless (SDL's
// offscreen driver over EGL, message boxes on standard error, the result on standard output).
#pragma once

#include <atomic>

// Set once by the start-up sequence before any window or thread exists.
void SetHeadless(bool headless);
bool IsHeadless();

// How the last run ended, for the process's exit status.
enum class RunOutcome {
    None,       // no run was started
    Finished,   // a benchmark reached its end, or a demo ran until the user ended it normally
    Failed,     // the window, the context or the scene could not be set up
    Stopped,    // the user stopped a benchmark, or a timed stability test, before its end
    StabilityFailed,   // a stability test ended with the verdict FAIL
};
void SetRunOutcome(RunOutcome outcome);
RunOutcome GetRunOutcome();
