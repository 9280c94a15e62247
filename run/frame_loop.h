// The render thread of a run: creates the scene, runs the frame loop (frame timing, the
// per-second frame-rate windows, the benchmark warm-up and end), tears the scene down. The
// OpenGL context and the scene belong to this thread from Initialize to Terminate.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

class cHx7PDemo;
class FrameTimer;
class RunSession;
struct SDL_Window;

// Makes the scene of a run. The default makes the OpenGL 4 benchmark scene; tests inject
// their own. A factory that returns null counts as a scene that failed to initialise.
using SceneFactory = std::unique_ptr<cHx7PDemo> (*)();
// nullptr restores the default. Set only while no render thread runs.
void SetSceneFactory(SceneFactory factory);

// What the render thread needs from the window side. The render thread never calls the
// window system itself except through the GL context; the host posts titles and the close
// request to the main thread.
class RenderThreadHost {
public:
    virtual ~RenderThreadHost() = default;
    virtual SDL_Window* Window() = 0;
    // At most 127 characters; the host copies the text.
    virtual void SetTitle(const char* title) = 0;
    // Asks the main thread to end the run (benchmark end, failed initialisation).
    virtual void PostCloseRequest() = 0;
    // The scene has initialised; the window need not erase its background any more.
    virtual void OnSceneInitialised() = 0;
    // The per-frame pause; 0 only yields the processor.
    virtual void Sleep(uint32_t ms) = 0;
};

// The thread body: runs one whole run (a --repeat series included) and returns when it has
// ended (benchmark end, quit request or failed initialisation), with the scene destroyed and
// the current scene cleared. Everything the run recorded is in `run`.
void RenderThreadMain(RenderThreadHost& host, FrameTimer& timer, RunSession& run);

// The main thread's guarded view of the running scene. While a lock is held the render
// thread cannot destroy the scene; it clears the current scene under the same lock first, so
// a key toggle either reaches a live scene or finds none. Hold it only for a toggle.
class CurrentSceneLock {
public:
    CurrentSceneLock();
    cHx7PDemo* get() const { return scene_; }
    cHx7PDemo* operator->() const { return scene_; }
    explicit operator bool() const { return scene_ != nullptr; }

private:
    std::unique_lock<std::mutex> lock_;
    cHx7PDemo* scene_;
};
inline CurrentSceneLock LockCurrentScene() { return CurrentSceneLock(); }

// What the main thread's watchdog found the render thread stuck in.
enum class StuckWork { None, Frame, Teardown };

// Main thread, while a run is active: when the render thread has spent frameLimitMs or more
// inside one frame, check frame or the wait for the last frames (Frame), or teardownLimitMs or
// more tearing its scene down after the run was over (Teardown), takes the run's records over
// from it and returns what it was stuck in; None otherwise (a limit of 0 never passes). The
// render thread, should its driver ever return, then stops without touching anything again;
// nothing it still uses (window, context) may be destroyed, and it is never joined: the
// process must end soon after. For a stuck frame the run's figures so far are published
// (elapsed time up to now) and the frame log is closed; with recordHangMs > 0 and the frame
// at least that old, the run's stability monitor gets the hang event.
StuckWork TakeOverStuckRun(RunSession& run, uint32_t frameLimitMs, uint32_t teardownLimitMs, uint32_t recordHangMs);

// Milliseconds of warm-up at the start of a benchmark run.
inline constexpr uint32_t kWarmupMs = 4000;
