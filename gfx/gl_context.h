// The OpenGL drawing surface of a render window: the context of the requested generation
// (with a version and profile fallback chain), the multisample choice made before the window
// exists, presenting, vertical sync. Everything but the window-time multisample choice runs
// on the render thread.
#pragma once

#include <SDL.h>

// Samples for a multisample level name ("Off", "2X MSAA", "4X MSAA", "6X MSAA", "8X MSAA");
// compared byte for byte; any other text or null gives 0.
int MultisampleSamplesForName(const char* msaaName);

// Sets SDL's framebuffer attributes for the next window that will carry a GL context: RGBA
// with any alpha, 24-bit depth, 8-bit stencil, double buffered, and, when msaaName asks for
// two or more samples and a hidden probe window shows that the driver offers them, that
// multisample level (logged either way, as the probe's outcome). SDL fixes a window's visual
// when the window is made, so this must run before the window is created, on the thread that
// creates it. Returns the sample count chosen, 0 for none.
int PrepareWindowPixelFormat(const char* msaaName);
// How many probe windows PrepareWindowPixelFormat has made in this process.
int MultisampleProbeCount();

class cHx7PGLContext {
public:
    cHx7PGLContext() = default;
    ~cHx7PGLContext() { Shutdown(); }
    cHx7PGLContext(const cHx7PGLContext&) = delete;
    cHx7PGLContext& operator=(const cHx7PGLContext&) = delete;

    // Creates and makes current a context for the window: renderer type 2 (GL 2.0), 3 (3.3)
    // or 4 (4.1). For 3 and 4 the chain is: profile context at minor, minor-1 .. 0; plain
    // versioned context at minor .. 0; then a legacy context of whatever version the driver
    // gives (the caller checks GetGLVersion). The major version is never lowered. msaaName is
    // the level the window was prepared with; the window's own visual decides the samples.
    // Any other renderer type creates nothing and returns the previous result.
    bool Init(SDL_Window* window, unsigned width, unsigned height, int rendererType,
              const char* msaaName, bool coreProfile);
    bool MakeCurrent();
    // Swaps, puts a fence after the frame and waits until at most kFramesInFlight frames are
    // unfinished (the one just submitted included).
    bool Present();
    // Waits until the GPU has finished every frame presented so far: the end of a measured
    // period is when its last frame was drawn, not when it was handed to the driver.
    void FinishFrames();
    static constexpr int kFramesInFlight = 2;
    // Vertical sync on or off. A driver that refuses to switch it off is logged once per
    // context: frame rates may then be capped by the display's refresh rate.
    void SetSwapInterval(bool on);
    // Whether the driver accepted the last SetSwapInterval (SDL's own query would answer the
    // value asked for even when the driver refused it).
    bool SwapIntervalAccepted() const { return swapIntervalAccepted_; }
    // Releases the context (the window stays the caller's). Safe to call more than once.
    void Shutdown();
    void Release() { Shutdown(); }

    SDL_GLContext Context() const { return renderingContext; }
    SDL_Window* Window() const { return window; }
    // The version and profile of the attempt that succeeded (0.0 and false for legacy).
    int RequestedMajor() const { return createdMajor_; }
    int RequestedMinor() const { return createdMinor_; }
    bool CreatedWithProfile() const { return createdProfile_; }
    // The profile the driver really gave (GL_CONTEXT_PROFILE_MASK of a 3.2 or newer context):
    // a request without a profile bit yields a core context on Mesa, so the chain can end on
    // core even when compatibility was asked for. False for compatibility and older contexts.
    bool IsCoreProfile() const { return coreProfileObtained_; }

    // Set before Init (--gl-debug): ask for a debug context and log the driver's KHR_debug
    // messages from the start.
    bool debugOutput = false;

    unsigned width = 0;
    unsigned height = 0;
    bool initialized = false;
    int RendererType = 2;
    bool current = false;
    SDL_Window* window = nullptr;
    SDL_GLContext renderingContext = nullptr;

private:
    void ThrottleFrames();
    void WaitForFence(void*& fence);
    void DropFences();
    // The fences of the frames still in flight, oldest first from oldestFence_ (GLsync, kept
    // as void* so this header needs no GL one).
    void* fences_[kFramesInFlight] = {};
    int fencesInFlight_ = 0;
    int oldestFence_ = 0;
    bool swapIntervalAccepted_ = false;
    bool CreateContext(SDL_Window* target, int major, int minor, bool coreProfile);
    bool TryCreate(int major, int minor, int profileMask);

    int createdMajor_ = 0;
    int createdMinor_ = 0;
    bool createdProfile_ = false;
    bool coreProfileObtained_ = false;
};

// The current context's version: from GL_VERSION's first digits, or for 3.0 and newer from
// GL_MAJOR_VERSION and GL_MINOR_VERSION. False without a current context or with a version
// text that does not start with a digit.
bool GetGLVersion(int* major, int* minor);
// GL_SAMPLE_BUFFERS of the current context (0 without one).
int GetSampleBuffers();
// Whether the current context has the core profile (no fixed-function pipeline, no display
// lists, no legacy texture parameters). False without a context or before GL 3.2.
bool CurrentContextIsCore();
// Whether the current context lists the extension. Reads the list by index (glGetStringi) on
// GL 3.0 and newer, where a core profile no longer answers glGetString(GL_EXTENSIONS).
bool HasGLExtension(const char* name);
