// Texture decoding, pixel operations and upload.
#include "gfx/texture.h"

#include "gfx/framework_log.h"
#include "gfx/gl_context.h"

#include <GL/glext.h>
#include <SDL.h>

#include <climits>
#include <cstring>
#include <new>
#include <utility>

// The decoder's own code is not held to our warning set.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_FAILURE_USERMSG
#include <stb_image.h>
#pragma GCC diagnostic pop

#ifndef GL_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_TEXTURE_MAX_ANISOTROPY_EXT 0x84FE
#endif

namespace {

// width x height x channels as a byte count; 0 when it would not fit (or is empty).
std::size_t BufferSize(uint32_t width, uint32_t height, unsigned channels)
{
    const unsigned __int128 bytes = (unsigned __int128)width * height * channels;
    if (bytes == 0 || bytes > (unsigned __int128)PTRDIFF_MAX)
        return 0;
    return std::size_t(bytes);
}

std::unique_ptr<unsigned char[]> ZeroedBuffer(std::size_t size)
{
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[size]());
}

}  // namespace

cHx7PTexture::~cHx7PTexture() { Release(); }

cHx7PTexture::cHx7PTexture(cHx7PTexture&& other) noexcept { *this = std::move(other); }

cHx7PTexture& cHx7PTexture::operator=(cHx7PTexture&& other) noexcept
{
    if (this == &other)
        return *this;
    Release();
    width = std::exchange(other.width, 0);
    height = std::exchange(other.height, 0);
    format = std::exchange(other.format, GLenum(GL_BGR));
    internalFormat = std::exchange(other.internalFormat, GLenum(GL_RGBA));
    rgbPixels = std::move(other.rgbPixels);
    rgbaPixels = std::move(other.rgbaPixels);
    textureName = std::exchange(other.textureName, 0);
    return *this;
}

bool cHx7PTexture::AllocateRGB(uint32_t w, uint32_t h)
{
    const std::size_t size = BufferSize(w, h, 3);
    if (size == 0)
        return false;
    auto buffer = ZeroedBuffer(size);
    if (!buffer)
        return false;
    rgbPixels = std::move(buffer);
    width = w;
    height = h;
    format = GL_RGB;
    return true;
}

bool cHx7PTexture::AllocateRGBA(uint32_t w, uint32_t h)
{
    const std::size_t size = BufferSize(w, h, 4);
    if (size == 0)
        return false;
    auto buffer = ZeroedBuffer(size);
    if (!buffer)
        return false;
    rgbaPixels = std::move(buffer);
    width = w;
    height = h;
    format = GL_RGBA;
    return true;
}

bool cHx7PTexture::Fill(float r, float g, float b, float a)
{
    if (!rgbaPixels)
        return false;
    // Truncated like the integer conversion it is; values outside 0..1 are clamped first,
    // since converting an out-of-range float to a byte is undefined.
    auto toByte = [](float v) {
        const float scaled = v * 255.0f;
        if (!(scaled > 0.0f))
            return static_cast<unsigned char>(0);
        return scaled >= 255.0f ? static_cast<unsigned char>(255) : static_cast<unsigned char>(scaled);
    };
    const unsigned char px[4] = {toByte(r), toByte(g), toByte(b), toByte(a)};
    const std::size_t count = std::size_t(width) * height;
    unsigned char* p = rgbaPixels.get();
    for (std::size_t i = 0; i < count; ++i, p += 4)
        std::memcpy(p, px, 4);
    return true;
}

namespace {
// Copies a decoded image into the texture and frees the decoder's copy.
bool TakeDecoded(cHx7PTexture& texture, stbi_uc* decoded, int w, int h)
{
    if (!decoded)
        return false;
    bool ok = w > 0 && h > 0 && texture.AllocateRGB(uint32_t(w), uint32_t(h));
    if (ok)
        std::memcpy(texture.GetRGBPixels(), decoded, std::size_t(w) * std::size_t(h) * 3u);
    stbi_image_free(decoded);
    return ok;
}
}  // namespace

bool cHx7PTexture::LoadFromFile(const char* path)
{
    if (!path)
        return false;
    int w = 0, h = 0, channels = 0;
    stbi_uc* decoded = stbi_load(path, &w, &h, &channels, 3);
    return TakeDecoded(*this, decoded, w, h);
}

bool cHx7PTexture::LoadFromMemory(const unsigned char* bytes, std::size_t size)
{
    if (!bytes || size == 0 || size > std::size_t(INT_MAX))
        return false;
    int w = 0, h = 0, channels = 0;
    // Decode first: w and h are only known after the call.
    stbi_uc* decoded = stbi_load_from_memory(bytes, int(size), &w, &h, &channels, 3);
    return TakeDecoded(*this, decoded, w, h);
}

bool cHx7PTexture::ConvertToRGBA(const unsigned char* keyRGB, unsigned char tolerance)
{
    if (format == GL_RGBA)
        return true;
    if (!rgbPixels) {
        format = GL_RGBA;
        return true;
    }
    const std::size_t count = std::size_t(width) * height;
    auto rgba = ZeroedBuffer(count * 4);
    // Out of memory: keep the RGB image as it is rather than lose it.
    if (!rgba)
        return false;
    const unsigned char* src = rgbPixels.get();
    unsigned char* dst = rgba.get();
    for (std::size_t i = 0; i < count; ++i, src += 3, dst += 4) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        bool keyed = keyRGB != nullptr;
        for (int c = 0; c < 3 && keyed; ++c) {
            const int v = src[c];
            keyed = v >= int(keyRGB[c]) - int(tolerance) && v <= int(keyRGB[c]) + int(tolerance);
        }
        dst[3] = keyed ? 0 : 255;
    }
    rgbaPixels = std::move(rgba);
    rgbPixels.reset();
    format = GL_RGBA;
    return true;
}

bool cHx7PTexture::AlphaFromLuminance(int threshold)
{
    if (!rgbaPixels)
        return false;
    const std::size_t count = std::size_t(width) * height;
    unsigned char* p = rgbaPixels.get();
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        const int luminance = (int(p[0]) + int(p[1]) + int(p[2])) / 3;
        if (luminance < threshold)
            p[3] = static_cast<unsigned char>(luminance);
    }
    return true;
}

bool cHx7PTexture::FlipVertical()
{
    if (!rgbPixels)
        return false;
    if (height < 2)
        return true;
    const std::size_t rowBytes = std::size_t(width) * 3;
    unsigned char* pixels = rgbPixels.get();
    for (uint32_t i = 0; i < height / 2; ++i) {
        unsigned char* top = pixels + rowBytes * i;
        unsigned char* bottom = pixels + rowBytes * (height - 1 - i);
        for (std::size_t b = 0; b < rowBytes; ++b)
            std::swap(top[b], bottom[b]);
    }
    return true;
}

bool cHx7PTexture::CreateGLTexture(bool mipmaps)
{
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width > uint32_t(maxSize) || height > uint32_t(maxSize)) {
        Hx7PFrameworkLogWrite("OpenGL - texture loading failed (texture size must be <= %dx%d)",
                              maxSize, maxSize);
        return false;
    }
    // A second upload would otherwise orphan the first texture object.
    DeleteGLTexture();
    glGenTextures(1, &textureName);
    glBindTexture(GL_TEXTURE_2D, textureName);
    // Anisotropy is an extension; setting it where it is missing is an invalid-enum error.
    const bool anisotropy = HasGLExtension("GL_EXT_texture_filter_anisotropic") ||
                            HasGLExtension("GL_ARB_texture_filter_anisotropic");
    // GL_GENERATE_MIPMAP is gone from core profiles (an invalid-enum error there): a core
    // context builds the chain with glGenerateMipmap once the image is in place.
    const bool core = CurrentContextIsCore();
    if (mipmaps) {
        if (!core)
            glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        if (anisotropy)
            glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 16.0f);
    } else {
        // A new texture object never generates mipmaps, so nothing needs switching off.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        if (anisotropy)
            glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 4.0f);
    }
    if (rgbPixels) {
        // RGB rows are width x 3 bytes, not padded to four: with the default unpack alignment
        // an image such as 150 x 148 would arrive sheared.
        GLint unpackAlignment = 4;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(internalFormat), GLsizei(width), GLsizei(height), 0,
                     format, GL_UNSIGNED_BYTE, rgbPixels.get());
        glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    } else if (rgbaPixels) {
        // GL_RGBA8, not the legacy component count 4, which core profiles refuse.
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(width), GLsizei(height), 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, rgbaPixels.get());
    }
    if (mipmaps && core && (rgbPixels || rgbaPixels)) {
        if (auto generate = reinterpret_cast<PFNGLGENERATEMIPMAPPROC>(
                SDL_GL_GetProcAddress("glGenerateMipmap")))
            generate(GL_TEXTURE_2D);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    return true;
}

bool cHx7PTexture::DeleteGLTexture()
{
    if (textureName != 0) {
        glDeleteTextures(1, &textureName);
        textureName = 0;
    }
    return true;
}

bool cHx7PTexture::FreePixels()
{
    rgbPixels.reset();
    rgbaPixels.reset();
    width = 0;
    height = 0;
    return true;
}

bool cHx7PTexture::Release()
{
    DeleteGLTexture();
    FreePixels();
    return true;
}
