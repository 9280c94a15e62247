// Making GL errors visible: the driver's KHR_debug messages (--gl-debug) and the frame loop's
// glGetError watch. Both log to the program log; llvmpipe forgives much that NVIDIA's driver,
// radeonsi and iris refuse, so an error that draws nothing here must not go unseen there.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <functional>
#include <string>

// "GL_INVALID_ENUM" ... ; null for a code that is no GL error.
const char* GLErrorName(GLenum error);

struct GLDebugMessage {
    GLenum source = 0;
    GLenum type = 0;
    GLuint id = 0;
    GLenum severity = 0;
    std::string text;
};

// Installs a synchronous KHR_debug callback on the current context (GL 4.3 or GL_KHR_debug)
// that logs every message with its source, type, id and severity. Synchronous output makes the
// driver report from inside the call that caused the message. False, with a log line, when the
// context offers no debug output. Counts restart at each install.
bool InstallGLDebugOutput();

struct GLDebugCounts {
    uint32_t messages = 0;
    uint32_t errors = 0;   // messages of type GL_DEBUG_TYPE_ERROR
};
GLDebugCounts GLDebugOutputCounts();

// Receives every message besides the log (tests). Set it before the context renders, clear it
// (empty function) after; not guarded against a change while the render thread reports.
void SetGLDebugListener(std::function<void(const GLDebugMessage&)> listener);

// glGetError on the render thread, in two strengths:
//  - Tick: at most once per second of frame time, drains the pending errors and logs the first
//    of each kind in the run, so a broken draw shows in the log without a check per call;
//  - CheckStep: after one step of a frame (--gl-debug), drains and logs what the step left,
//    the first time each step leaves each kind.
class cHx7PGLErrorWatch {
public:
    void Tick(float dtSeconds);
    // Errors this step left behind (all of them, logged or not).
    uint32_t CheckStep(const char* step);
    uint32_t ErrorsSeen() const { return errorsSeen_; }
    // The code of the latest error seen; 0 before the first.
    uint32_t LastError() const { return lastError_; }

private:
    // Bit per error code 0x0500 .. 0x0507: kinds already logged.
    static uint32_t Bit(GLenum error);
    uint32_t Drain(const char* step);

    float sinceCheck_ = 0.0f;
    uint32_t loggedKinds_ = 0;
    uint32_t errorsSeen_ = 0;
    uint32_t lastError_ = 0;
    // Steps already logged per kind, as a bit per step slot (first 32 distinct names).
    const char* steps_[32] = {};
    uint32_t stepKinds_[32] = {};
};
