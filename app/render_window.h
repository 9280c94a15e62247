// The render window of a run and the main thread's side of a run: StartRun, StopRendering,
// EndRun, the key table, the full-screen display-mode switch, the plain message loop.
//
// Threads: everything here runs on the main thread, which owns the SDL window. The render
// thread only renders and swaps; its title changes and its close request arrive here as SDL
// user events, handled by PumpRenderWindowEvents or RunPlainMessageLoop.
#pragma once

class RunSession;

struct SDL_Window;

// Something that wants to know when runs start and end (the startup dialog disables and
// re-enables its run buttons through this).
class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void OnRunStarted() = 0;
    virtual void OnRunEnded() = 0;
};
// Not owned; nullptr removes it.
void SetRunObserver(RunObserver* observer);

// Creates the render window for the active run settings and starts the render thread.
// False when the window or the full-screen switch was refused (the user has been told of a
// refused switch), or when a run is already active.
bool StartRun();
// Stops a running render thread (waits until it has ended; logs when that takes longer than
// 2500 ms), destroys the window, restores the display mode. Does nothing when nothing runs.
void StopRendering();
// The end of a run on the main thread (close request, Escape, Exit): StopRendering, then the
// result of a finished benchmark when display_score is on.
void EndRun();
// True while a render window or a render thread exists.
bool IsRunActive();
// The run of the last start of rendering (null before the first); read it only while no
// render thread runs.
const RunSession* LastRun();

// The message loop used without the startup dialog: returns when the run has ended.
void RunPlainMessageLoop();
// Handles the render window's pending events (keys, close box, the render thread's close
// request and title changes) without blocking. The startup dialog's GTK loop calls this from
// a GLib source while a run is active.
void PumpRenderWindowEvents();

// The current render window (null when none); for tests and diagnostics.
SDL_Window* RenderWindowHandle();
// True while the display mode is switched for a full-screen run.
bool DisplayModeChanged();

// The full-screen refusal text shown in the error box.
inline constexpr const char* kFullscreenRefusedText =
    "Could not switch to fullscreen mode.\n\rPlease try another resolution.";
// How long StopRendering waits before it logs that the render thread is late.
inline constexpr unsigned kRenderThreadJoinLogMs = 2500;
