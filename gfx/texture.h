// cHx7PTexture: a 2D texture with its CPU-side pixels. Images decode (stb_image) to tightly
// packed 8-bit RGB, top row first; pixel operations run without a GL context; CreateGLTexture
// uploads once into a GL texture object.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>
#include <cstdint>
#include <memory>

class cHx7PRenderTarget;

class cHx7PTexture {
public:
    cHx7PTexture() = default;
    ~cHx7PTexture();
    cHx7PTexture(const cHx7PTexture&) = delete;
    cHx7PTexture& operator=(const cHx7PTexture&) = delete;
    cHx7PTexture(cHx7PTexture&& other) noexcept;
    cHx7PTexture& operator=(cHx7PTexture&& other) noexcept;

    // Zero-filled buffers; false when the size overflows or the allocation fails (the old
    // buffer and size are then kept).
    bool AllocateRGB(uint32_t width, uint32_t height);
    bool AllocateRGBA(uint32_t width, uint32_t height);
    // Channels 0..1, each times 255 truncated. Needs the RGBA buffer.
    bool Fill(float r, float g, float b, float a);

    bool LoadFromFile(const char* path);
    bool LoadFromMemory(const unsigned char* bytes, std::size_t size);

    // RGB -> RGBA; alpha 0 where every channel lies within key +- tolerance (inclusive),
    // 255 elsewhere or when keyRGB is null. Frees the RGB buffer.
    bool ConvertToRGBA(const unsigned char* keyRGB, unsigned char tolerance);
    // alpha = (R + G + B) / 3 where that is below threshold. Needs the RGBA buffer.
    bool AlphaFromLuminance(int threshold);
    // Reverses the row order of the RGB buffer.
    bool FlipVertical();

    // Needs a current context. Refuses (with a log line) an image larger than
    // GL_MAX_TEXTURE_SIZE. A second call replaces the first texture object.
    bool CreateGLTexture(bool mipmaps);
    bool DeleteGLTexture();
    bool FreePixels();
    bool Release();

    uint32_t GetWidth() const { return width; }
    uint32_t GetHeight() const { return height; }
    GLenum GetFormat() const { return format; }
    GLenum GetInternalFormat() const { return internalFormat; }
    void SetInternalFormat(GLenum value) { internalFormat = value; }
    unsigned char* GetRGBPixels() { return rgbPixels.get(); }
    const unsigned char* GetRGBPixels() const { return rgbPixels.get(); }
    unsigned char* GetRGBAPixels() { return rgbaPixels.get(); }
    const unsigned char* GetRGBAPixels() const { return rgbaPixels.get(); }
    GLuint GetTextureName() const { return textureName; }

private:
    // The render target builds its colour attachment's GL object itself.
    friend class cHx7PRenderTarget;

    uint32_t width = 0;
    uint32_t height = 0;
    GLenum format = GL_BGR;
    GLenum internalFormat = GL_RGBA;
    std::unique_ptr<unsigned char[]> rgbPixels;
    std::unique_ptr<unsigned char[]> rgbaPixels;
    GLuint textureName = 0;
};
