// Off-screen render target.
#include "gfx/render_target.h"

#include "gfx/framework_log.h"
#include "gfx/gl_procs.h"

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
    for (int i = 0; i < kMaxColorTextures; ++i)
        colorTextures[i] = std::move(other.colorTextures[i]);
    width = std::exchange(other.width, 0);
    height = std::exchange(other.height, 0);
    bound = std::exchange(other.bound, false);
    return *this;
}

bool cHx7PRenderTarget::Init(uint32_t w, uint32_t h)
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
    return status == GL_FRAMEBUFFER_COMPLETE_EXT;
}

void cHx7PRenderTarget::Bind()
{
    Hx7PGLProcs.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    bound = true;
}

void cHx7PRenderTarget::Unbind()
{
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
