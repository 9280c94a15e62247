// The render window of a run and the main thread's side of a run: StartRun, StopRendering,
// EndRun, the key table, the full-screen display-mode switch, the plain message loop.
#pragma once

// Something that wants to know when runs start and end (the startup dialog disables and
// re-enables its run buttons through this).
class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void OnRunStarted() = 0;
    virtual void OnRunEnded() = 0;
};
void SetRunObserver(RunObserver* observer);

// Creates the render window for the active run settings and starts the render thread.
// False when the window or the full-screen switch was refused (the user has been told).
bool StartRun();
// Stops a running render thread, destroys the window, restores the display mode. Does
// nothing when nothing runs.
void StopRendering();
// The end of a run on the main thread (close request, Escape, Exit): waits for the thread,
// destroys the window, restores the display mode, shows the result of a finished benchmark.
void EndRun();
// True while a render window exists.
bool IsRunActive();

// The message loop used without the startup dialog: returns when the run has ended.
void RunPlainMessageLoop();
// Handles the render window's pending events (keys, close box, the render thread's close
// request and title changes) without blocking. The startup dialog's GTK loop calls this from
// a GLib source while a run is active.
void PumpRenderWindowEvents();
