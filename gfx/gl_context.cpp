// OpenGL context creation through SDL.
#include "gfx/gl_context.h"

#include "core/log_file.h"
#include "gfx/gl_procs.h"

#include "gfx/gl_debug.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<int> g_probe_count{0};

struct MsaaLevel {
    const char* name;
    int samples;
};
// "6X MSAA" is offered by the startup dialog, so it has to be here too, or a run asking for
// it would silently get no multisampling.
constexpr MsaaLevel kMsaaLevels[] = {
    {"Off", 0}, {"2X MSAA", 2}, {"4X MSAA", 4}, {"6X MSAA", 6}, {"8X MSAA", 8},
};

// The ordinary request: 32-bit colour with any alpha, 24-bit depth, 8-bit stencil, double
// buffered, no multisampling.
void SetLegacyFramebufferAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
}

// A context of whatever version the driver gives without asking for one.
void SetLegacyContextAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
}

// Makes a hidden window with the multisample request and checks what the driver really gave.
// Returns the samples of the visual (>= samples) or 0.
int ProbeMultisampleFormat(int samples)
{
    g_probe_count.fetch_add(1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples);
    SetLegacyContextAttributes();

    SDL_Window* const previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext const previousContext = SDL_GL_GetCurrentContext();

    int result = 0;
    SDL_Window* probe = SDL_CreateWindow("HX7P_DummyRW", 0, 0, 100, 100,
                                         SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN |
                                             SDL_WINDOW_BORDERLESS);
    if (probe) {
        SDL_GLContext context = SDL_GL_CreateContext(probe);
        if (context) {
            GLint buffers = 0, got = 0;
            glGetIntegerv(GL_SAMPLE_BUFFERS, &buffers);
            glGetIntegerv(GL_SAMPLES, &got);
            if (buffers > 0 && got >= samples)
                result = got;
            SDL_GL_MakeCurrent(probe, nullptr);
            SDL_GL_DeleteContext(context);
        }
        SDL_DestroyWindow(probe);
    }
    // Leave the calling thread as it was (the start-up probe context may be current).
    if (previousContext)
        SDL_GL_MakeCurrent(previousWindow, previousContext);

    if (result > 0) {
        // SDL has no pixel-format index; the visual is identified by its sample count.
        ProgramLog().Write("OpenGL - initMSAA: %dX MSAA supported (format=%d).", samples, result);
    } else {
        ProgramLog().Write("ERROR - OpenGL - initMSAA: %dX MSAA NOT supported!", samples);
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
    }
    return result > 0 ? samples : 0;
}

// glFenceSync and friends, or null before GL 3.2 (the caller then falls back to glFinish).
struct SyncProcs {
    PFNGLFENCESYNCPROC fence = nullptr;
    PFNGLCLIENTWAITSYNCPROC clientWait = nullptr;
    PFNGLDELETESYNCPROC remove = nullptr;
    bool Usable() const { return fence && clientWait && remove; }
};
const SyncProcs& Sync()
{
    static const SyncProcs procs{
        reinterpret_cast<PFNGLFENCESYNCPROC>(SDL_GL_GetProcAddress("glFenceSync")),
        reinterpret_cast<PFNGLCLIENTWAITSYNCPROC>(SDL_GL_GetProcAddress("glClientWaitSync")),
        reinterpret_cast<PFNGLDELETESYNCPROC>(SDL_GL_GetProcAddress("glDeleteSync"))};
    return procs;
}

}  // namespace

int MultisampleSamplesForName(const char* msaaName)
{
    if (!msaaName)
        return 0;
    for (const MsaaLevel& level : kMsaaLevels) {
        if (std::strcmp(level.name, msaaName) == 0)
            return level.samples;
    }
    return 0;
}

int MultisampleProbeCount() { return g_probe_count.load(); }

int PrepareWindowPixelFormat(const char* msaaName)
{
    SetLegacyFramebufferAttributes();
    const int samples = MultisampleSamplesForName(msaaName);
    if (samples <= 1)
        return 0;
    return ProbeMultisampleFormat(samples);
}

bool cHx7PGLContext::TryCreate(int major, int minor, int profileMask)
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, major);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, minor);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, profileMask);
    // Never forward-compatible; a debug context only for --gl-debug, where drivers report
    // more through KHR_debug than in an ordinary context.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, debugOutput ? SDL_GL_CONTEXT_DEBUG_FLAG : 0);
    renderingContext = SDL_GL_CreateContext(window);
    if (!renderingContext) {
        FrameworkLog().Write("(HX7P) OpenGL %d.%d context (profile mask %d) refused: %s", major,
                             minor, profileMask, SDL_GetError());
        return false;
    }
    createdMajor_ = major;
    createdMinor_ = minor;
    createdProfile_ = profileMask != 0;
    return true;
}

bool cHx7PGLContext::CreateContext(SDL_Window* target, int major, int minor, bool coreProfile)
{
    window = target;
    if (!window)
        return false;
    createdMajor_ = createdMinor_ = 0;
    createdProfile_ = false;
    coreProfileObtained_ = false;

    bool created = false;
    if (major >= 3) {
        const int profile =
            coreProfile ? SDL_GL_CONTEXT_PROFILE_CORE : SDL_GL_CONTEXT_PROFILE_COMPATIBILITY;
        for (int m = minor; m >= 0 && !created; --m)
            created = TryCreate(major, m, profile);
        for (int m = minor; m >= 0 && !created; --m)
            created = TryCreate(major, m, 0);
    }
    if (!created) {
        SetLegacyContextAttributes();
        renderingContext = SDL_GL_CreateContext(window);
        if (!renderingContext)
            return false;
    }
    // SDL_GL_CreateContext leaves the new context current; make sure of it all the same.
    if (SDL_GL_MakeCurrent(window, renderingContext) != 0)
        return false;
    current = true;
    coreProfileObtained_ = CurrentContextIsCore();

    if (GetSampleBuffers() != 0)
        glEnable(GL_MULTISAMPLE);
    else
        glDisable(GL_MULTISAMPLE);
    return true;
}

bool cHx7PGLContext::Init(SDL_Window* target, unsigned w, unsigned h, int rendererType,
                          const char* msaaName, bool coreProfile)
{
    (void)msaaName;  // the window's visual was chosen for it when the window was made
    width = w;
    height = h;
    RendererType = rendererType;
    int major = 0, minor = 0;
    switch (rendererType) {
    case 2: major = 2; minor = 0; break;
    case 3: major = 3; minor = 3; break;
    case 4: major = 4; minor = 1; break;
    default: return initialized;
    }
    Shutdown();
    RendererType = rendererType;
    width = w;
    height = h;
    if (!CreateContext(target, major, minor, coreProfile)) {
        initialized = false;
        return false;
    }
    LoadGLEntryPoints();
    if (debugOutput)
        InstallGLDebugOutput();
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR)
        FrameworkLog().Write("(HX7P) OpenGL error: %d", int(error));
    initialized = true;
    return true;
}

bool cHx7PGLContext::MakeCurrent()
{
    if (!initialized)
        return false;
    if (!current) {
        if (SDL_GL_MakeCurrent(window, renderingContext) != 0)
            return false;
        current = true;
    }
    return true;
}

bool cHx7PGLContext::Present()
{
    if (!window || !renderingContext)
        return false;
    SDL_GL_SwapWindow(window);
    ThrottleFrames();
    return true;
}

// Neither an offscreen pbuffer nor every windowed driver holds the render thread back: zink
// over lavapipe queued minutes of frames behind a swap that returned at once, so the loop
// counted frames handed to the driver, not frames drawn. A fence after each frame, and a wait
// for the frame kFramesInFlight back, bound the queue on every path. Two, as a double-buffered
// swap chain allows: the CPU prepares the next frame while the GPU draws this one (one would
// leave the GPU idle while the CPU works), and any more would only add latency and queued
// memory, never throughput, since the GPU cannot draw two frames at once.
void cHx7PGLContext::ThrottleFrames()
{
    // Benchmark seam (bench/render_loop/fence_cost.sh): what the fences cost, measured against
    // a loop without them. Not an option: with it a run scores frames handed to the driver.
    static const bool unbounded = std::getenv("GRIDFALL_BENCH_NO_FENCES") != nullptr;
    if (unbounded)
        return;
    const SyncProcs& sync = Sync();
    if (!sync.Usable()) {
        glFinish();   // before GL 3.2: nothing in flight rather than a thousand frames
        return;
    }
    // Frame N's fence goes in; frame N+1-k must be finished before N+1 is submitted, so
    // k-1 frames stay in flight when this returns.
    fences_[(oldestFence_ + fencesInFlight_) % kFramesInFlight] = sync.fence(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    ++fencesInFlight_;
    glFlush();
    if (fencesInFlight_ == kFramesInFlight) {
        WaitForFence(fences_[oldestFence_]);
        oldestFence_ = (oldestFence_ + 1) % kFramesInFlight;
        --fencesInFlight_;
    }
}

void cHx7PGLContext::WaitForFence(void*& fence)
{
    const SyncProcs& sync = Sync();
    if (fence) {
        sync.clientWait(static_cast<GLsync>(fence), GL_SYNC_FLUSH_COMMANDS_BIT, GLuint64(-1));
        sync.remove(static_cast<GLsync>(fence));
    }
    fence = nullptr;
}

void cHx7PGLContext::FinishFrames()
{
    if (!renderingContext)
        return;
    if (!Sync().Usable()) {
        glFinish();
        return;
    }
    for (; fencesInFlight_ > 0; --fencesInFlight_) {
        WaitForFence(fences_[oldestFence_]);
        oldestFence_ = (oldestFence_ + 1) % kFramesInFlight;
    }
}

void cHx7PGLContext::DropFences()
{
    // A sync object belongs to the context's share group: deleted while it is current.
    const SyncProcs& sync = Sync();
    for (void*& f : fences_) {
        if (f && sync.remove)
            sync.remove(static_cast<GLsync>(f));
        f = nullptr;
    }
    fencesInFlight_ = 0;
    oldestFence_ = 0;
}

void cHx7PGLContext::SetSwapInterval(bool on)
{
    if (!renderingContext)
        return;
    swapIntervalAccepted_ = SDL_GL_SetSwapInterval(on ? 1 : 0) == 0;
    if (!swapIntervalAccepted_ && !on) {
        ProgramLog().Write("OpenGL - the driver refused to switch vertical sync off (%s): "
                           "frame rates may be capped by the display's refresh rate.",
                           SDL_GetError());
    }
}

void cHx7PGLContext::Shutdown()
{
    if (renderingContext) {
        if (current)
            DropFences();
        if (window)
            SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(renderingContext);
        renderingContext = nullptr;
    }
    initialized = false;
    current = false;
}

bool GetGLVersion(int* major, int* minor)
{
    if (!SDL_GL_GetCurrentContext())
        return false;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version || version[0] < '0' || version[0] > '9')
        return false;
    int maj = version[0] - '0';
    int min = 0;
    if (maj >= 3) {
        glGetIntegerv(0x821B /* GL_MAJOR_VERSION */, &maj);
        glGetIntegerv(0x821C /* GL_MINOR_VERSION */, &min);
    } else if (version[1] == '.' && version[2] >= '0' && version[2] <= '9') {
        min = version[2] - '0';
    }
    if (major)
        *major = maj;
    if (minor)
        *minor = min;
    return true;
}

int GetSampleBuffers()
{
    GLint value = 0;
    if (SDL_GL_GetCurrentContext())
        glGetIntegerv(GL_SAMPLE_BUFFERS, &value);
    return value;
}

bool CurrentContextIsCore()
{
    int major = 0, minor = 0;
    if (!GetGLVersion(&major, &minor) || major < 3 || (major == 3 && minor < 2))
        return false;
    GLint mask = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    return (mask & GL_CONTEXT_CORE_PROFILE_BIT) != 0 &&
           (mask & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT) == 0;
}

bool HasGLExtension(const char* name)
{
    if (!name || !*name || !SDL_GL_GetCurrentContext())
        return false;
    int major = 0;
    GetGLVersion(&major, nullptr);
    auto getStringi =
        reinterpret_cast<PFNGLGETSTRINGIPROC>(SDL_GL_GetProcAddress("glGetStringi"));
    if (major >= 3 && getStringi) {
        GLint count = 0;
        glGetIntegerv(GL_NUM_EXTENSIONS, &count);
        for (GLint i = 0; i < count; ++i) {
            const char* e = reinterpret_cast<const char*>(getStringi(GL_EXTENSIONS, GLuint(i)));
            if (e && std::strcmp(e, name) == 0)
                return true;
        }
        return false;
    }
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!list)
        return false;
    const std::size_t n = std::strlen(name);
    for (const char* p = std::strstr(list, name); p; p = std::strstr(p + 1, name))
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0'))
            return true;
    return false;
}
