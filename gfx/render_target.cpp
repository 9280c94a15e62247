// Off-screen render target.
#include "gfx/render_target.h"

#include "gfx/framework_log.h"
#include "gfx/gl_procs.h"

#include <SDL.h>

#include <utility>

cHx7PRenderTarget::~cHx7PRenderTarget()
{
    Release();
    for (auto& texture : colorTextures)
        texture.reset();
}

cHx7PRenderTarget::cHx7PRenderTarget(cHx7PRenderTarget&& other) noexcept
{
    *this = std::move(other);
}

cHx7PRenderTarget& cHx7PRenderTarget::operator=(cHx7PRenderTarget&& other) noexcept
{
    if (this == &other)
        return *this;
    Release();
    framebuffer = std::exchange(other.framebuffer, 0);
    depthRenderbuffer = std::exchange(other.depthRenderbuffer, 0);
    msFramebuffer = std::exchange(other.msFramebuffer, 0);
    msColorRenderbuffer = std::exchange(other.msColorRenderbuffer, 0);
    msDepthRenderbuffer = std::exchange(other.msDepthRenderbuffer, 0);
    samples_ = std::exchange(other.samples_, 0);
    for (int i = 0; i < kMaxColorTextures; ++i)
        colorTextures[i] = std::move(other.colorTextures[i]);
    width = std::exchange(other.width, 0);
    height = std::exchange(other.height, 0);
    bound = std::exchange(other.bound, false);
    return *this;
}

bool cHx7PRenderTarget::Init(uint32_t w, uint32_t h, int samples)
{
    Release();
    width = w;
    height = h;
    Hx7PGLProcs.glGenFramebuffersEXT(1, &framebuffer);
    Hx7PGLProcs.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);

    // Opaque blue until the first frame lands in it, so a missing pass is plain to see.
    auto color = std::make_unique<cHx7PTexture>();
    if (color->AllocateRGBA(w, h))
        color->Fill(0.0f, 0.0f, 1.0f, 1.0f);
    glGenTextures(1, &color->textureName);
    glBindTexture(GL_TEXTURE_2D, color->textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, GLsizei(w), GLsizei(h), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 color->GetRGBAPixels());
    glBindTexture(GL_TEXTURE_2D, 0);
    colorTextures[0] = std::move(color);

    Hx7PGLProcs.glGenRenderbuffersEXT(1, &depthRenderbuffer);
    Hx7PGLProcs.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, depthRenderbuffer);
    Hx7PGLProcs.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT, GLsizei(w),
                                         GLsizei(h));
    Hx7PGLProcs.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);

    Hx7PGLProcs.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    Hx7PGLProcs.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    Hx7PGLProcs.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                                          GL_TEXTURE_2D, colorTextures[0]->textureName, 0);
    Hx7PGLProcs.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                             GL_RENDERBUFFER_EXT, depthRenderbuffer);
    const GLenum status = Hx7PGLProcs.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    Hx7PFrameworkLogWrite("FBO status init: %.4X", unsigned(status));
    Hx7PGLProcs.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    bound = false;
    const bool complete = status == GL_FRAMEBUFFER_COMPLETE_EXT;
    if (complete && samples > 1)
        InitMultisampled(samples);
    return complete;
}

bool cHx7PRenderTarget::InitMultisampled(int samples)
{
    if (!Hx7PGLProcs.glRenderbufferStorageMultisampleEXT || !Hx7PGLProcs.glBlitFramebufferEXT) {
        Hx7PFrameworkLogWrite("FBO multisampling: no multisample renderbuffers or blit");
        return false;
    }
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES_EXT, &maxSamples);
    if (maxSamples < 2) {
        Hx7PFrameworkLogWrite("FBO multisampling: the driver offers none (GL_MAX_SAMPLES %d)",
                              maxSamples);
        return false;
    }
    const GLsizei n = samples < maxSamples ? samples : maxSamples;
    Hx7PGLProcs.glGenRenderbuffersEXT(1, &msColorRenderbuffer);
    Hx7PGLProcs.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, msColorRenderbuffer);
    Hx7PGLProcs.glRenderbufferStorageMultisampleEXT(GL_RENDERBUFFER_EXT, n, GL_RGBA8,
                                                    GLsizei(width), GLsizei(height));
    Hx7PGLProcs.glGenRenderbuffersEXT(1, &msDepthRenderbuffer);
    Hx7PGLProcs.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, msDepthRenderbuffer);
    Hx7PGLProcs.glRenderbufferStorageMultisampleEXT(GL_RENDERBUFFER_EXT, n, GL_DEPTH_COMPONENT24,
                                                    GLsizei(width), GLsizei(height));
    Hx7PGLProcs.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    Hx7PGLProcs.glGenFramebuffersEXT(1, &msFramebuffer);
    Hx7PGLProcs.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, msFramebuffer);
    Hx7PGLProcs.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                                             GL_RENDERBUFFER_EXT, msColorRenderbuffer);
    Hx7PGLProcs.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                             GL_RENDERBUFFER_EXT, msDepthRenderbuffer);
    const GLenum status = Hx7PGLProcs.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    Hx7PGLProcs.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    GLint got = 0;
    // The driver may round the count up; what it made is what the log reports.
    auto getParameter = reinterpret_cast<PFNGLGETRENDERBUFFERPARAMETERIVPROC>(
        SDL_GL_GetProcAddress("glGetRenderbufferParameteriv"));
    if (status == GL_FRAMEBUFFER_COMPLETE_EXT && getParameter) {
        Hx7PGLProcs.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, msColorRenderbuffer);
        getParameter(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &got);
        Hx7PGLProcs.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    }
    Hx7PFrameworkLogWrite("FBO multisample status init: %.4X (%d samples)", unsigned(status), got);
    if (status != GL_FRAMEBUFFER_COMPLETE_EXT || got < 2) {
        ReleaseMultisampled();
        return false;
    }
    samples_ = got;
    return true;
}

void cHx7PRenderTarget::ReleaseMultisampled()
{
    samples_ = 0;
    if (!Hx7PGLProcs.glDeleteFramebuffersEXT) {
        msFramebuffer = msColorRenderbuffer = msDepthRenderbuffer = 0;
        return;
    }
    for (GLuint* rb : {&msColorRenderbuffer, &msDepthRenderbuffer})
        if (*rb) {
            Hx7PGLProcs.glDeleteRenderbuffersEXT(1, rb);
            *rb = 0;
        }
    if (msFramebuffer) {
        Hx7PGLProcs.glDeleteFramebuffersEXT(1, &msFramebuffer);
        msFramebuffer = 0;
    }
}

void cHx7PRenderTarget::Bind()
{
    Hx7PGLProcs.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, msFramebuffer ? msFramebuffer : framebuffer);
    bound = true;
}

void cHx7PRenderTarget::Resolve()
{
    if (!msFramebuffer)
        return;
    Hx7PGLProcs.glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, msFramebuffer);
    Hx7PGLProcs.glBindFramebufferEXT(GL_DRAW_FRAMEBUFFER_EXT, framebuffer);
    // Same size, colour only: the resolve averages each pixel's samples.
    Hx7PGLProcs.glBlitFramebufferEXT(0, 0, GLint(width), GLint(height), 0, 0, GLint(width),
                                     GLint(height), GL_COLOR_BUFFER_BIT, GL_NEAREST);
    Hx7PGLProcs.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

void cHx7PRenderTarget::Unbind()
{
    if (bound)
        Resolve();
    Hx7PGLProcs.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    bound = false;
}

cHx7PTexture* cHx7PRenderTarget::GetColorTexture(int index) const
{
    if (index < 0 || index >= kMaxColorTextures)
        return nullptr;
    return colorTextures[index].get();
}

void cHx7PRenderTarget::Release()
{
    for (auto& texture : colorTextures)
        if (texture)
            texture->DeleteGLTexture();
    ReleaseMultisampled();
    if (!Hx7PGLProcs.glDeleteFramebuffersEXT) {  // no context ever loaded the table
        depthRenderbuffer = framebuffer = 0;
        bound = false;
        return;
    }
    if (depthRenderbuffer != 0) {
        Hx7PGLProcs.glDeleteRenderbuffersEXT(1, &depthRenderbuffer);
        depthRenderbuffer = 0;
    }
    if (framebuffer != 0) {
        Hx7PGLProcs.glDeleteFramebuffersEXT(1, &framebuffer);
        framebuffer = 0;
    }
    bound = false;
}
