// cHx7PRenderTarget: an off-screen, single-sampled framebuffer with one RGBA colour texture
// (index 0) and a depth renderbuffer, through the EXT_framebuffer_object entry points.
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
    // A second Init releases the first set of objects.
    bool Init(uint32_t width, uint32_t height);
    void Bind();
    void Unbind();
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
    GLuint framebuffer = 0;
    GLuint depthRenderbuffer = 0;
    std::unique_ptr<cHx7PTexture> colorTextures[kMaxColorTextures];
    uint32_t width = 0;
    uint32_t height = 0;
    bool bound = false;
};
