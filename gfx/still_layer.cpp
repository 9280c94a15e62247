// A still picture drawn once and sampled by each frame (see the header).
#include "gfx/still_layer.h"

#include "gfx/framework_log.h"
#include "gfx/gl_procs.h"

#include <GL/gl.h>
#include <GL/glext.h>

uint32_t cHx7PStillLayer::Texture(int width, int height, uint64_t key,
                                  const std::function<void()>& draw)
{
    if (failed_ || width <= 0 || height <= 0)
        return 0;
    if (texture_ && width == width_ && height == height_ && key == key_)
        return texture_;
    // The framework's table: its framebuffer entries are the core ones where the driver has
    // them, so they serve core-profile contexts too.
    const Hx7PGLProcTable& gl = Hx7PGLProcs;
    if (!gl.glGenFramebuffersEXT || !gl.glDeleteFramebuffersEXT || !gl.glBindFramebufferEXT ||
        !gl.glFramebufferTexture2DEXT || !gl.glCheckFramebufferStatusEXT) {
        failed_ = true;
        return 0;
    }
    // Once per size: the frame's own bindings, to put back after drawing into the layer.
    GLint drawBinding = 0, readBinding = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawBinding);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readBinding);
    if (!framebuffer_) {
        gl.glGenFramebuffersEXT(1, &framebuffer_);
        glGenTextures(1, &texture_);
    }
    // Given as BGRA, the texture takes the layout of Mesa's own frame buffers, which llvmpipe
    // draws from far more cheaply (given as RGBA, the layer saved nothing there).
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    gl.glBindFramebufferEXT(GL_FRAMEBUFFER, framebuffer_);
    gl.glFramebufferTexture2DEXT(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    const bool complete = gl.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (complete) {
        glViewport(0, 0, width, height);
        draw();
        width_ = width;
        height_ = height;
        key_ = key;
        ++redraws_;
    }
    gl.glBindFramebufferEXT(GL_DRAW_FRAMEBUFFER, GLuint(drawBinding));
    gl.glBindFramebufferEXT(GL_READ_FRAMEBUFFER, GLuint(readBinding));
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
    if (framebuffer_ && Hx7PGLProcs.glDeleteFramebuffersEXT)
        Hx7PGLProcs.glDeleteFramebuffersEXT(1, &framebuffer_);
    if (texture_)
        glDeleteTextures(1, &texture_);
    framebuffer_ = texture_ = 0;
    width_ = height_ = 0;
}
