// cHx7PRenderTarget: an off-screen framebuffer with one RGBA colour texture (index 0) and a
// depth renderbuffer. With samples, the drawing goes into a multisampled colour and depth pair
// instead, resolved (blitted) into the colour texture when the target is unbound, so whatever
// reads the texture sees the anti-aliased picture.
#pragma once

#include "gfx/texture.h"

#include <GL/gl.h>

#include <cstdint>
#include <memory>

class cHx7PRenderTarget {
public:
    static constexpr int kMaxColorTextures = 4;

    cHx7PRenderTarget() = default;
    ~cHx7PRenderTarget();
    cHx7PRenderTarget(const cHx7PRenderTarget&) = delete;
    cHx7PRenderTarget& operator=(const cHx7PRenderTarget&) = delete;
    cHx7PRenderTarget(cHx7PRenderTarget&& other) noexcept;
    cHx7PRenderTarget& operator=(cHx7PRenderTarget&& other) noexcept;

    // Needs a current context. True when the framebuffer is complete; the objects exist
    // either way, and the window framebuffer (0) is bound afterwards. Logs the status.
    // A second Init releases the first set of objects. samples > 1 asks for a multisampled
    // drawing buffer (limited to GL_MAX_SAMPLES); when the driver cannot make a complete one
    // the target stays single-sampled (GetSamples() says which, the log says why).
    bool Init(uint32_t width, uint32_t height, int samples = 0);
    void Bind();
    // Resolves a multisampled target into the colour texture, then binds the window.
    void Unbind();
    // The multisample resolve on its own (Unbind does it); leaves the window bound for drawing.
    void Resolve();
    int GetSamples() const { return samples_; }
    // Index 0..3; null for a missing one or an index out of range.
    cHx7PTexture* GetColorTexture(int index) const;
    // Deletes every GL object and zeroes the names; safe to repeat.
    void Release();

    GLuint GetFramebuffer() const { return framebuffer; }
    GLuint GetDepthRenderbuffer() const { return depthRenderbuffer; }
    uint32_t GetWidth() const { return width; }
    uint32_t GetHeight() const { return height; }
    bool IsBound() const { return bound; }

private:
    bool InitMultisampled(int samples);
    void ReleaseMultisampled();

    GLuint framebuffer = 0;
    GLuint depthRenderbuffer = 0;
    GLuint msFramebuffer = 0;
    GLuint msColorRenderbuffer = 0;
    GLuint msDepthRenderbuffer = 0;
    int samples_ = 0;
    std::unique_ptr<cHx7PTexture> colorTextures[kMaxColorTextures];
    uint32_t width = 0;
    uint32_t height = 0;
    bool bound = false;
};
