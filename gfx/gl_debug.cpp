// KHR_debug logging and the glGetError watch.
#include "gfx/gl_debug.h"

#include "core/log_file.h"

#include <GL/glext.h>
#include <SDL.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <utility>

namespace {

// A driver that reports something every frame would otherwise fill the disk: the first
// messages are logged, the rest only counted (the count is in the run's closing line).
constexpr uint32_t kMaxLoggedMessages = 1000;

std::atomic<uint32_t> g_messages{0};
std::atomic<uint32_t> g_errors{0};

std::mutex& ListenerMutex()
{
    static std::mutex m;
    return m;
}
std::function<void(const GLDebugMessage&)>& Listener()
{
    static std::function<void(const GLDebugMessage&)> listener;
    return listener;
}

const char* SourceName(GLenum source)
{
    switch (source) {
    case GL_DEBUG_SOURCE_API: return "API";
    case GL_DEBUG_SOURCE_WINDOW_SYSTEM: return "window system";
    case GL_DEBUG_SOURCE_SHADER_COMPILER: return "shader compiler";
    case GL_DEBUG_SOURCE_THIRD_PARTY: return "third party";
    case GL_DEBUG_SOURCE_APPLICATION: return "application";
    case GL_DEBUG_SOURCE_OTHER: return "other";
    default: return "unknown";
    }
}

const char* TypeName(GLenum type)
{
    switch (type) {
    case GL_DEBUG_TYPE_ERROR: return "error";
    case GL_DEBUG_TYPE_DEPRECATED_BEHAVIOR: return "deprecated behaviour";
    case GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR: return "undefined behaviour";
    case GL_DEBUG_TYPE_PORTABILITY: return "portability";
    case GL_DEBUG_TYPE_PERFORMANCE: return "performance";
    case GL_DEBUG_TYPE_MARKER: return "marker";
    case GL_DEBUG_TYPE_PUSH_GROUP: return "push group";
    case GL_DEBUG_TYPE_POP_GROUP: return "pop group";
    case GL_DEBUG_TYPE_OTHER: return "other";
    default: return "unknown";
    }
}

const char* SeverityName(GLenum severity)
{
    switch (severity) {
    case GL_DEBUG_SEVERITY_HIGH: return "high";
    case GL_DEBUG_SEVERITY_MEDIUM: return "medium";
    case GL_DEBUG_SEVERITY_LOW: return "low";
    case GL_DEBUG_SEVERITY_NOTIFICATION: return "notification";
    default: return "unknown";
    }
}

void APIENTRY OnDebugMessage(GLenum source, GLenum type, GLuint id, GLenum severity,
                             GLsizei length, const GLchar* message, const void*)
{
    const uint32_t n = g_messages.fetch_add(1) + 1;
    if (type == GL_DEBUG_TYPE_ERROR)
        g_errors.fetch_add(1);
    std::string text;
    if (message)
        text = length >= 0 ? std::string(message, std::size_t(length)) : std::string(message);
    // Drivers end some messages with a line break; the log wants one line per message.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (n <= kMaxLoggedMessages)
        ProgramLog().Write("OpenGL debug: source %s, type %s, id %u, severity %s: %s",
                           SourceName(source), TypeName(type), id, SeverityName(severity),
                           text.c_str());
    if (n == kMaxLoggedMessages)
        ProgramLog().Write("OpenGL debug: %u messages logged; further ones are only counted.",
                           kMaxLoggedMessages);
    std::lock_guard<std::mutex> lock(ListenerMutex());
    if (Listener())
        Listener()(GLDebugMessage{source, type, id, severity, std::move(text)});
}

bool HasKhrDebug()
{
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    if (major > 4 || (major == 4 && minor >= 3))
        return true;
    auto getStringi =
        reinterpret_cast<PFNGLGETSTRINGIPROC>(SDL_GL_GetProcAddress("glGetStringi"));
    if (!getStringi || major < 3)
        return false;
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const char* name = reinterpret_cast<const char*>(getStringi(GL_EXTENSIONS, GLuint(i)));
        if (name && std::strcmp(name, "GL_KHR_debug") == 0)
            return true;
    }
    return false;
}

}  // namespace

const char* GLErrorName(GLenum error)
{
    switch (error) {
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW: return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW: return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    case GL_INVALID_FRAMEBUFFER_OPERATION: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    case GL_CONTEXT_LOST: return "GL_CONTEXT_LOST";
    default: return nullptr;
    }
}

bool InstallGLDebugOutput()
{
    g_messages = 0;
    g_errors = 0;
    auto callback = reinterpret_cast<PFNGLDEBUGMESSAGECALLBACKPROC>(
        SDL_GL_GetProcAddress("glDebugMessageCallback"));
    auto control = reinterpret_cast<PFNGLDEBUGMESSAGECONTROLPROC>(
        SDL_GL_GetProcAddress("glDebugMessageControl"));
    if (!SDL_GL_GetCurrentContext() || !HasKhrDebug() || !callback || !control) {
        ProgramLog().Write("OpenGL debug: this context offers no debug output (KHR_debug); "
                           "only glGetError checks are made.");
        return false;
    }
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    callback(OnDebugMessage, nullptr);
    // Every source, type and severity, notifications included.
    control(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_TRUE);
    GLint flags = 0;
    glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
    ProgramLog().Write("OpenGL debug: KHR_debug messages are logged (synchronous output, %s "
                       "context).",
                       (flags & GL_CONTEXT_FLAG_DEBUG_BIT) ? "debug" : "non-debug");
    return true;
}

GLDebugCounts GLDebugOutputCounts() { return {g_messages.load(), g_errors.load()}; }

void SetGLDebugListener(std::function<void(const GLDebugMessage&)> listener)
{
    std::lock_guard<std::mutex> lock(ListenerMutex());
    Listener() = std::move(listener);
}

uint32_t cHx7PGLErrorWatch::Bit(GLenum error)
{
    return error >= 0x0500 && error <= 0x0507 ? 1u << (error - 0x0500) : 1u << 31;
}

uint32_t cHx7PGLErrorWatch::Drain(const char* step)
{
    uint32_t found = 0;
    // Bounded: a lost context may report an error on every call.
    for (int i = 0; i < 16; ++i) {
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR)
            break;
        ++found;
        lastError_ = error;
        const char* name = GLErrorName(error);
        const uint32_t bit = Bit(error);
        if (!step) {
            if (loggedKinds_ & bit)
                continue;
            loggedKinds_ |= bit;
            ProgramLog().Write("OpenGL error: %s (0x%04X) during the run; later errors of this "
                               "kind are not logged.",
                               name ? name : "unknown", unsigned(error));
            continue;
        }
        // One slot per distinct step name (the callers pass literals).
        int slot = -1;
        for (int s = 0; s < 32 && slot < 0; ++s) {
            if (steps_[s] == step || (steps_[s] && std::strcmp(steps_[s], step) == 0))
                slot = s;
            else if (!steps_[s]) {
                steps_[s] = step;
                slot = s;
            }
        }
        if (slot >= 0 && (stepKinds_[slot] & bit))
            continue;
        if (slot >= 0)
            stepKinds_[slot] |= bit;
        ProgramLog().Write("OpenGL error after %s: %s (0x%04X); later ones there are not logged.",
                           step, name ? name : "unknown", unsigned(error));
    }
    errorsSeen_ += found;
    return found;
}

void cHx7PGLErrorWatch::Tick(float dtSeconds)
{
    sinceCheck_ += dtSeconds;
    if (sinceCheck_ < 1.0f)
        return;
    sinceCheck_ = 0.0f;
    Drain(nullptr);
}

uint32_t cHx7PGLErrorWatch::CheckStep(const char* step) { return Drain(step ? step : "frame"); }
