// A still picture drawn once and sampled by each frame (see the header).
#include "gfx/still_layer.h"

#include "gfx/framework_log.h"

#include <SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>

namespace {

// The core (GL 3.0, ARB_framebuffer_object) names: a core-profile context has no EXT ones.
struct FramebufferProcs {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    bool Usable() const
    {
        return genFramebuffers && deleteFramebuffers && bindFramebuffer && framebufferTexture2D &&
               checkFramebufferStatus;
    }
};

template <typename T>
void Load(T& proc, const char* name)
{
    proc = reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
}

const FramebufferProcs& Procs()
{
    static const FramebufferProcs procs = [] {
        FramebufferProcs p;
        Load(p.genFramebuffers, "glGenFramebuffers");
        Load(p.deleteFramebuffers, "glDeleteFramebuffers");
        Load(p.bindFramebuffer, "glBindFramebuffer");
        Load(p.framebufferTexture2D, "glFramebufferTexture2D");
        Load(p.checkFramebufferStatus, "glCheckFramebufferStatus");
        return p;
    }();
    return procs;
}

}  // namespace

uint32_t cHx7PStillLayer::Texture(int width, int height, uint64_t key,
                                  const std::function<void()>& draw)
{
    if (failed_ || width <= 0 || height <= 0)
        return 0;
    if (texture_ && width == width_ && height == height_ && key == key_)
        return texture_;
    const FramebufferProcs& gl = Procs();
    if (!gl.Usable()) {
        failed_ = true;
        return 0;
    }
    // Once per size: the frame's own bindings, to put back after drawing into the layer.
    GLint drawBinding = 0, readBinding = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawBinding);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readBinding);
    if (!framebuffer_) {
        gl.genFramebuffers(1, &framebuffer_);
        glGenTextures(1, &texture_);
    }
    // Given as BGRA, the texture takes the layout of Mesa's own frame buffers, and llvmpipe
    // copies it into the frame rather than sampling it (given as RGBA, the layer saved
    // nothing there).
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    const bool complete = gl.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (complete) {
        glViewport(0, 0, width, height);
        draw();
        width_ = width;
        height_ = height;
        key_ = key;
        ++redraws_;
    }
    gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(drawBinding));
    gl.bindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(readBinding));
    if (!complete) {
        Hx7PFrameworkLogWrite("Still layer %dx%d: the framebuffer is incomplete; the picture is "
                              "drawn in each frame instead", width, height);
        Release();
        failed_ = true;
        return 0;
    }
    return texture_;
}

void cHx7PStillLayer::Release()
{
    if (!framebuffer_ && !texture_)
        return;
    if (framebuffer_ && Procs().deleteFramebuffers)
        Procs().deleteFramebuffers(1, &framebuffer_);
    if (texture_)
        glDeleteTextures(1, &texture_);
    framebuffer_ = texture_ = 0;
    width_ = height_ = 0;
}
