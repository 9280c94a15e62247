// The render window's keys: which key does what, and in which runs.
#pragma once

#include <SDL_keycode.h>

enum class RenderKeyAction {
    None,                     // not in the table, or ignored in this run
    EndRun,                   // Escape
    ToggleTessellatedObject,  // Space
    ToggleHud,                // I
    TogglePause,              // P
    ToggleTempGraphs,         // T
    ToggleHelp,               // F1
    ToggleWireframe,          // F2
};

// What a key-down of `key` does in a run of `activeRunMode` (kRunModeBenchmark or kRunModeStability).
// In a benchmark run only Escape acts, so that nothing can change the measured work.
RenderKeyAction KeyActionFor(SDL_Keycode key, int activeRunMode);

// Carries out a toggle on the main thread. Scene toggles go through the guarded current
// scene, so they never reach a scene that is being destroyed; with no scene they do nothing.
// Returns true when something changed. EndRun and None return false (the caller ends runs).
bool ApplyKeyAction(RenderKeyAction action);
