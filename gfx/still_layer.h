// A picture that stays the same from frame to frame (the scene's background), drawn once into
// a texture of the frame's size, for the frame to sample one texel per pixel (nearest, no
// mipmaps). Drawing a large image scaled through its mipmaps costs every pixel a trilinear
// fetch each frame; sampling the layer gives the same bytes, since the picture was rasterised
// at the same size with the same state. Render thread only; the context must be current.
#pragma once

#include <cstdint>
#include <functional>

class cHx7PStillLayer {
public:
    cHx7PStillLayer() = default;
    ~cHx7PStillLayer() { Release(); }
    cHx7PStillLayer(const cHx7PStillLayer&) = delete;
    cHx7PStillLayer& operator=(const cHx7PStillLayer&) = delete;

    // The layer's texture for a frame of this size. When the size or `key` changed since the
    // last call, `draw` first renders the picture into it, with the viewport at (0, 0, width,
    // height) and the layer bound; the framebuffer bindings are put back afterwards, whatever
    // else `draw` changes stays changed. 0, with nothing changed, where the context has no
    // framebuffer objects or cannot make the layer: the caller draws the picture itself.
    uint32_t Texture(int width, int height, uint64_t key, const std::function<void()>& draw);
    // Deletes the GL objects; the next call draws again. Safe to repeat, and without GL names.
    void Release();

    // Times the picture was drawn into the layer (a new size or key, or the first call).
    uint64_t Redraws() const { return redraws_; }

private:
    uint32_t framebuffer_ = 0;
    uint32_t texture_ = 0;
    int width_ = 0;
    int height_ = 0;
    uint64_t key_ = 0;
    uint64_t redraws_ = 0;
    bool failed_ = false;   // the driver refused once: stop asking
};
