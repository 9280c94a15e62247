// A small GL context for the gl test tier: an SDL window (hidden under X11, or SDL's offscreen
// driver over EGL when DISPLAY is unset) with a current GL 4.x compatibility-profile context
// (or, asked for, a core-profile one),
// the framework's entry points loaded, and helpers to read pixels back and to check glGetError.
//
// What Mesa llvmpipe offers here (LIBGL_ALWAYS_SOFTWARE=1, Mesa 22.3.6, LLVM 15):
// "4.5 (Compatibility Profile) Mesa 22.3.6", renderer "llvmpipe (LLVM 15.0.6, 256 bits)", both
// under Xvfb (GLX) and offscreen (EGL); GLSL 4.50, tessellation stages, display lists,
// glBitmap, GL_PRIMITIVES_GENERATED queries. Keep targets tiny (64x64 .. 320x240) and
// tessellation levels low: llvmpipe rasterises on the CPU.
//
// Use:
//   GLTestContext gl(128, 96);             // or GLTestContext gl; (64 x 64)
//   ASSERT_TRUE(gl.Ok()) << gl.Error();
//   ... draw ...
//   EXPECT_GL_OK();                        // glGetError drained, nothing pending
//   uint32_t rgba = gl.PixelAt(10, 20);    // window coordinates, origin bottom left
//
// Or derive a fixture from GLTestFixture, which makes a context per test and fails the test
// when none can be made.
//
// Look up any extra entry point (SDL_GL_GetProcAddress) only after a context exists: before
// the first one SDL has not loaded the GL library and answers null. Once loaded, the library
// and SDL's video subsystem stay for the whole test process, so later contexts are quick and
// framework objects destroyed after their context call harmless no-context stubs.
#pragma once

#include "gfx/gl_procs.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace gridfall_test {

// Names every pending GL error ("GL_INVALID_ENUM GL_OUT_OF_MEMORY"); empty when none.
// Bounded: a lost context can report errors forever.
inline std::string DrainGLErrors()
{
    std::string out;
    for (int i = 0; i < 32; ++i) {
        const GLenum e = glGetError();
        if (e == GL_NO_ERROR)
            break;
        const char* name = nullptr;
        switch (e) {
        case GL_INVALID_ENUM: name = "GL_INVALID_ENUM"; break;
        case GL_INVALID_VALUE: name = "GL_INVALID_VALUE"; break;
        case GL_INVALID_OPERATION: name = "GL_INVALID_OPERATION"; break;
        case GL_STACK_OVERFLOW: name = "GL_STACK_OVERFLOW"; break;
        case GL_STACK_UNDERFLOW: name = "GL_STACK_UNDERFLOW"; break;
        case GL_OUT_OF_MEMORY: name = "GL_OUT_OF_MEMORY"; break;
        case 0x0506: name = "GL_INVALID_FRAMEBUFFER_OPERATION"; break;
        default: break;
        }
        if (!out.empty())
            out += ' ';
        if (name) {
            out += name;
        } else {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%04X", e);
            out += buf;
        }
    }
    return out;
}

#define EXPECT_GL_OK() EXPECT_EQ(::gridfall_test::DrainGLErrors(), std::string())
#define ASSERT_GL_OK() ASSERT_EQ(::gridfall_test::DrainGLErrors(), std::string())

// Packs a pixel as 0xRRGGBBAA, so failures print readably.
inline uint32_t PackRGBA(const unsigned char* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

class GLTestContext {
public:
    explicit GLTestContext(int width = 64, int height = 64, int major = 4, int minor = 0, bool core = false)
        : width_(width), height_(height)
    {
        // Without a display SDL's X11 driver fails; the offscreen driver gives an EGL context
        // on a surfaceless pbuffer with the same llvmpipe renderer.
        const char* display = std::getenv("DISPLAY");
        if ((!display || !*display) && !std::getenv("SDL_VIDEODRIVER"))
            setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (!PinVideoAndGL(error_))
            return;
        SDL_GL_ResetAttributes();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, major);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, minor);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK,
                            core ? SDL_GL_CONTEXT_PROFILE_CORE : SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        window_ = SDL_CreateWindow("gridfall-gl-test", SDL_WINDOWPOS_UNDEFINED,
                                   SDL_WINDOWPOS_UNDEFINED, width, height,
                                   SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window_) {
            error_ = std::string("SDL_CreateWindow: ") + SDL_GetError();
            return;
        }
        context_ = SDL_GL_CreateContext(window_);
        if (!context_) {
            error_ = std::string("SDL_GL_CreateContext: ") + SDL_GetError();
            return;
        }
        SDL_GL_MakeCurrent(window_, context_);
        LoadGLEntryPoints();
        glViewport(0, 0, width, height);
        glReadBuffer(GL_BACK);
        glDrawBuffer(GL_BACK);
        DrainGLErrors();
    }

    ~GLTestContext()
    {
        if (context_) {
            SDL_GL_MakeCurrent(window_, nullptr);
            SDL_GL_DeleteContext(context_);
        }
        if (window_)
            SDL_DestroyWindow(window_);
        // Hx7PGLProcs keeps its entries: the GL library stays loaded (PinVideoAndGL), and
        // objects destroyed after the context then call harmless no-context stubs.
    }

    GLTestContext(const GLTestContext&) = delete;
    GLTestContext& operator=(const GLTestContext&) = delete;

    bool Ok() const { return context_ != nullptr; }
    const std::string& Error() const { return error_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    SDL_Window* Window() const { return window_; }
    SDL_GLContext Context() const { return context_; }

    void MakeCurrent() { SDL_GL_MakeCurrent(window_, context_); }
    void Swap() { SDL_GL_SwapWindow(window_); }

    // RGBA8 rows, bottom row first, from the framebuffer bound for reading (the window's back
    // buffer unless the test bound another one).
    static std::vector<unsigned char> ReadPixels(int x, int y, int w, int h)
    {
        std::vector<unsigned char> out(size_t(w) * size_t(h) * 4u);
        GLint packAlign = 4;
        glGetIntegerv(GL_PACK_ALIGNMENT, &packAlign);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        glPixelStorei(GL_PACK_ALIGNMENT, packAlign);
        return out;
    }
    std::vector<unsigned char> ReadAll() const { return ReadPixels(0, 0, width_, height_); }

    // One pixel as 0xRRGGBBAA.
    static uint32_t PixelAt(int x, int y)
    {
        const auto px = ReadPixels(x, y, 1, 1);
        return PackRGBA(px.data());
    }

    // Reads a texture level back as RGBA8, bottom row first (GL order).
    static std::vector<unsigned char> ReadTexture(GLuint texture, int level = 0)
    {
        GLint prev = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &prev);
        glBindTexture(GL_TEXTURE_2D, texture);
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
        std::vector<unsigned char> out(size_t(w) * size_t(h) * 4u);
        GLint packAlign = 4;
        glGetIntegerv(GL_PACK_ALIGNMENT, &packAlign);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        if (!out.empty())
            glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        glPixelStorei(GL_PACK_ALIGNMENT, packAlign);
        glBindTexture(GL_TEXTURE_2D, GLuint(prev));
        return out;
    }

private:
    // SDL unloads the GL library (and Mesa its driver) when the last GL window goes; allocations
    // the driver leaks then show up as leaks from an unknown module that no suppression can
    // name. Keeping video and the GL library loaded for the whole test process avoids that and
    // makes each further context quicker.
    static bool PinVideoAndGL(std::string& error)
    {
        static std::string pinError = [] {
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
                return std::string("SDL_InitSubSystem: ") + SDL_GetError();
            if (SDL_GL_LoadLibrary(nullptr) != 0)
                return std::string("SDL_GL_LoadLibrary: ") + SDL_GetError();
            return std::string();
        }();
        error = pinError;
        return pinError.empty();
    }

    int width_ = 0;
    int height_ = 0;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    std::string error_;
};

// A fixture that gives each test its own context of the size the derived class passes.
class GLTestFixture : public ::testing::Test {
protected:
    explicit GLTestFixture(int width = 64, int height = 64) : width_(width), height_(height) {}

    void SetUp() override
    {
        gl_ = std::make_unique<GLTestContext>(width_, height_);
        ASSERT_TRUE(gl_->Ok()) << "no GL context: " << gl_->Error();
    }
    void TearDown() override { gl_.reset(); }

    GLTestContext& gl() { return *gl_; }

private:
    int width_;
    int height_;
    std::unique_ptr<GLTestContext> gl_;
};

}  // namespace gridfall_test
