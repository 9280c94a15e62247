// FreeType glyphs in one atlas texture, texts as textured quads drawn in one batch.
#include "gfx/bitmap_font.h"

#include "gfx/framework_log.h"
#include "gfx/gl_procs.h"
#include "gfx/gpu_program.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

namespace {

// Windows-1252 code points of bytes 0x80..0x9F (0 = undefined there).
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0,
};

uint32_t CodePointOf(unsigned code)
{
    if (code >= 0x80 && code < 0xA0)
        return kCp1252High[code - 0x80];
    return code;
}

// Font file and face index for the face name in bold, from fontconfig.
bool MatchFont(const char* faceName, int pixelHeight, std::string& file, int& index)
{
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(faceName));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixelHeight);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;
    FcChar8* path = nullptr;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
    if (ok) {
        file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch)
            index = 0;
    }
    FcPatternDestroy(match);
    return ok;
}

}  // namespace

namespace {

// One instance per glyph: its quad's lower-left corner and size in window pixels relative to
// the text area's lower-left corner, its bitmap's lower-left texel in the atlas, its colour.
// The six vertices of the two triangles are the quad's corners in the order the CPU once
// wrote them, so the rasterised pixels are the same. The atlas texel reaches the pixel shader
// unfiltered: every glyph pixel is exactly one texel.
constexpr char kTextVS[] = R"(#version 150
in vec4 In_Quad;
in vec2 In_Texel;
in vec4 In_Color;
uniform vec2 areaSize;
out vec2 texel;
flat out vec4 color;
const vec2 corners[6] = vec2[6](vec2(0.0, 0.0), vec2(1.0, 0.0), vec2(1.0, 1.0),
                                vec2(0.0, 0.0), vec2(1.0, 1.0), vec2(0.0, 1.0));
void main()
{
    vec2 corner = corners[gl_VertexID] * In_Quad.zw;
    texel = In_Texel + corner;
    color = In_Color;
    gl_Position = vec4((In_Quad.xy + corner) / areaSize * 2.0 - 1.0, 0.0, 1.0);
}
)";

// A set glyph bit is the text's colour, unblended; the rest of the quad is left alone.
constexpr char kTextFS[] = R"(#version 150
uniform sampler2D atlas;
in vec2 texel;
flat in vec4 color;
out vec4 fragColor;
void main()
{
    if (texelFetch(atlas, ivec2(texel), 0).r < 0.5)
        discard;
    fragColor = color;
}
)";

// Width of the atlas in texels; glyphs are packed in rows, one texel apart.
constexpr int kAtlasWidth = 256;

}  // namespace

cHx7PBitmapFont::cHx7PBitmapFont() = default;

cHx7PBitmapFont::~cHx7PBitmapFont() { Destroy(); }

cHx7PBitmapFont::cHx7PBitmapFont(cHx7PBitmapFont&& other) noexcept { *this = std::move(other); }

cHx7PBitmapFont& cHx7PBitmapFont::operator=(cHx7PBitmapFont&& other) noexcept
{
    if (this == &other)
        return *this;
    Destroy();
    atlasTexture = std::exchange(other.atlasTexture, 0);
    vertexBuffer = std::exchange(other.vertexBuffer, 0);
    vertexArray = std::exchange(other.vertexArray, 0);
    program = std::move(other.program);
    areaSizeLoc = std::exchange(other.areaSizeLoc, -1);
    coreProfile = other.coreProfile;
    batching = std::exchange(other.batching, false);
    atlasWidth = std::exchange(other.atlasWidth, 0);
    atlasHeight = std::exchange(other.atlasHeight, 0);
    height = other.height;
    viewportX = other.viewportX;
    viewportY = other.viewportY;
    viewportWidth = other.viewportWidth;
    viewportHeight = other.viewportHeight;
    std::copy(std::begin(other.glyphs), std::end(other.glyphs), std::begin(glyphs));
    std::fill(std::begin(other.glyphs), std::end(other.glyphs), Glyph{});
    vertices = std::move(other.vertices);
    other.vertices.clear();
    fontFile = std::move(other.fontFile);
    faceName_ = std::move(other.faceName_);
    return *this;
}

bool cHx7PBitmapFont::Create(int cellHeight, const char* faceName)
{
    if (!faceName)
        return false;
    Destroy();
    height = cellHeight;
    faceName_ = faceName;
    GLint mask = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    glGetError();   // a context older than 3.2 has no profile mask: compatibility
    coreProfile = (mask & GL_CONTEXT_CORE_PROFILE_BIT) != 0;
    bool built = false;
    // Loading a font can fail for passing reasons (a font cache being rebuilt); a few more
    // tries cost nothing at start-up.
    for (int attempt = 0; attempt < kCreateAttempts && !built; ++attempt)
        built = BuildAtlas();
    if (!built) {
        Destroy();
        Hx7PFrameworkLogWrite("Unable to create a FreeType font. Very strange...");
        return false;
    }
    if (!CreateGLObjects()) {
        Destroy();
        Hx7PFrameworkLogWrite("Unable to create the text program: %s",
                              program && program->GetLastLog() ? program->GetLastLog() : "no shaders");
        return false;
    }
    return true;
}

bool cHx7PBitmapFont::BuildAtlas()
{
    std::string file = fontFile;
    int faceIndex = 0;
    if (file.empty() && !MatchFont(faceName_.c_str(), height, file, faceIndex))
        return false;

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return false;
    FT_Face face = nullptr;
    bool ok = FT_New_Face(library, file.c_str(), faceIndex, &face) == 0;
    if (ok) {
        // A positive height is the character cell (ascent + descent), not the em size.
        FT_Size_RequestRec request{};
        request.type = FT_SIZE_REQUEST_TYPE_CELL;
        request.height = FT_Long(height) * 64;
        ok = height > 0 && FT_Request_Size(face, &request) == 0;
    }
    // Each glyph's bits, one byte per pixel (0 or 255), rows bottom first as the atlas holds them.
    std::vector<std::vector<uint8_t>> bitmaps(kListCount);
    int penX = 1, penY = 1, rowHeight = 0;
    for (int code = 0; ok && code < kListCount; ++code) {
        Glyph& g = glyphs[code];
        g = Glyph{};
        const uint32_t cp = CodePointOf(unsigned(code));
        // Control codes and 255 (reserved) stay empty.
        const bool drawable = code < kListCount - 1 && cp >= 0x20 && cp != 0x7F;
        if (!drawable || FT_Load_Char(face, cp, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0 ||
            FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0)
            continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        g.advance = int((slot->advance.x + 32) >> 6);
        if (bm.width == 0 || bm.rows == 0 || !bm.buffer || bm.pixel_mode != FT_PIXEL_MODE_MONO)
            continue;
        // A blank bitmap (the space, in some faces) needs no quad.
        bool anyBit = false;
        for (unsigned r = 0; r < bm.rows && !anyBit; ++r)
            for (unsigned b = 0; b < (bm.width + 7) / 8 && !anyBit; ++b)
                anyBit = bm.buffer[std::ptrdiff_t(r) * bm.pitch + b] != 0;
        if (!anyBit)
            continue;
        g.width = int(bm.width);
        g.rows = int(bm.rows);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        if (penX + g.width + 1 > kAtlasWidth) {
            penX = 1;
            penY += rowHeight + 1;
            rowHeight = 0;
        }
        g.atlasX = penX;
        g.atlasY = penY;
        penX += g.width + 1;
        rowHeight = std::max(rowHeight, g.rows);
        std::vector<uint8_t>& bits = bitmaps[code];
        bits.assign(std::size_t(g.width) * std::size_t(g.rows), 0);
        for (int r = 0; r < g.rows; ++r) {
            const unsigned char* src = bm.buffer + std::ptrdiff_t(r) * bm.pitch;
            for (int c = 0; c < g.width; ++c)
                if (src[c >> 3] & (0x80 >> (c & 7)))
                    bits[std::size_t(g.rows - 1 - r) * std::size_t(g.width) + std::size_t(c)] = 255;
        }
    }
    if (face)
        FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (!ok)
        return false;

    atlasWidth = kAtlasWidth;
    atlasHeight = penY + rowHeight + 1;
    std::vector<uint8_t> atlas(std::size_t(atlasWidth) * std::size_t(atlasHeight), 0);
    for (int code = 0; code < kListCount; ++code) {
        const Glyph& g = glyphs[code];
        for (int r = 0; r < g.rows; ++r)
            std::copy_n(&bitmaps[code][std::size_t(r) * std::size_t(g.width)], g.width,
                        &atlas[std::size_t(g.atlasY + r) * std::size_t(atlasWidth) + std::size_t(g.atlasX)]);
    }
    // Tightly packed rows; the caller's unpack state is put back afterwards.
    GLint alignment = 4, rowLength = 0, skipRows = 0, skipPixels = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &skipRows);
    glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &skipPixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    if (atlasTexture == 0)
        glGenTextures(1, &atlasTexture);
    glBindTexture(GL_TEXTURE_2D, atlasTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, atlasWidth, atlasHeight, 0, GL_RED, GL_UNSIGNED_BYTE, atlas.data());
    // One level, never filtered: texelFetch reads it, but only a complete texture answers.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipPixels);
    return atlasTexture != 0;
}

bool cHx7PBitmapFont::CreateGLObjects()
{
    if (!HasVertexArrayObjects() || !Hx7PGLProcs.glGenBuffers || !Hx7PGLProcs.glVertexAttribDivisor ||
        !Hx7PGLProcs.glDrawArraysInstanced)
        return false;
    program = std::make_unique<cHx7PGpuProgram>();
    if (!program->SetVertexShader(kTextVS, sizeof kTextVS) || !program->SetPixelShader(kTextFS, sizeof kTextFS) ||
        !program->Bind())
        return false;
    program->SetUniform1i("atlas", 0);
    const GLint position = program->GetAttribLocation("In_Quad");
    const GLint texel = program->GetAttribLocation("In_Texel");
    const GLint colour = program->GetAttribLocation("In_Color");
    cHx7PGpuProgram::Unbind();
    if (position < 0 || texel < 0 || colour < 0)
        return false;
    areaSizeLoc = Hx7PGLProcs.glGetUniformLocation(program->GetProgram(), "areaSize");

    // The layout is recorded once in the vertex array; a draw only refills the buffer. Every
    // attribute advances once per glyph (instance), not per vertex.
    Hx7PGLProcs.glGenVertexArrays(1, &vertexArray);
    Hx7PGLProcs.glGenBuffers(1, &vertexBuffer);
    Hx7PGLProcs.glBindVertexArray(vertexArray);
    Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    const GLsizei stride = GLsizei(kGlyphFloats * sizeof(float));
    const struct {
        GLint location;
        GLint size;
        std::size_t offset;
    } attributes[] = {{position, 4, 0}, {texel, 2, 4}, {colour, 4, 6}};
    for (const auto& a : attributes) {
        Hx7PGLProcs.glEnableVertexAttribArray(GLuint(a.location));
        Hx7PGLProcs.glVertexAttribPointer(GLuint(a.location), a.size, GL_FLOAT, GL_FALSE, stride,
                                          reinterpret_cast<const void*>(a.offset * sizeof(float)));
        Hx7PGLProcs.glVertexAttribDivisor(GLuint(a.location), 1);
    }
    Hx7PGLProcs.glBindVertexArray(0);
    Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, 0);
    return vertexArray != 0 && vertexBuffer != 0;
}

void cHx7PBitmapFont::SetViewport(int x, int y, int width, int h)
{
    viewportX = x;
    viewportY = y;
    viewportWidth = width;
    viewportHeight = h;
}

void cHx7PBitmapFont::Destroy()
{
    // Without the framework's entry points no context ever held these names.
    if (vertexArray != 0 && Hx7PGLProcs.glDeleteVertexArrays)
        Hx7PGLProcs.glDeleteVertexArrays(1, &vertexArray);
    if (vertexBuffer != 0 && Hx7PGLProcs.glDeleteBuffers)
        Hx7PGLProcs.glDeleteBuffers(1, &vertexBuffer);
    if (atlasTexture != 0)
        glDeleteTextures(1, &atlasTexture);
    vertexArray = vertexBuffer = atlasTexture = 0;
    program.reset();
    areaSizeLoc = -1;
    atlasWidth = atlasHeight = 0;
    std::fill(std::begin(glyphs), std::end(glyphs), Glyph{});
    vertices.clear();
}

void cHx7PBitmapFont::DrawString(int x, int y, float r, float g, float b, float a, const char* text)
{
    if (!text)
        return;
    const float rgba[4] = {r, g, b, a};
    Queue(x, y, rgba, ToListCodes(text));
    if (!batching)
        Flush();
}

void cHx7PBitmapFont::EndBatch()
{
    batching = false;
    Flush();
}

void cHx7PBitmapFont::Queue(int x, int y, const float rgba[4], const std::string& codes)
{
    if (atlasTexture == 0)
        return;
    // The pen, relative to the text area's lower-left corner (window y counts upwards).
    int penX = x - 1;
    const int penY = viewportHeight - height - y - 1;
    for (unsigned char c : codes) {
        const Glyph& g = glyphs[c];
        if (g.width > 0) {
            const float glyph[kGlyphFloats] = {float(penX + g.left), float(penY + g.top - g.rows),
                                               float(g.width),       float(g.rows),
                                               float(g.atlasX),      float(g.atlasY),
                                               rgba[0], rgba[1], rgba[2], rgba[3]};
            vertices.insert(vertices.end(), glyph, glyph + kGlyphFloats);
        }
        penX += g.advance;
    }
}

void cHx7PBitmapFont::Flush()
{
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    if (!vertices.empty() && atlasTexture != 0 && viewportWidth > 0 && viewportHeight > 0) {
        glViewport(viewportX, viewportY, viewportWidth, viewportHeight);
        program->Bind();
        Hx7PGLProcs.glUniform2f(areaSizeLoc, float(viewportWidth), float(viewportHeight));
        Hx7PGLProcs.glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, atlasTexture);
        Hx7PGLProcs.glBindVertexArray(vertexArray);
        Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
        // A fresh store each time: the driver need not wait for the previous frame's text.
        Hx7PGLProcs.glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(float)), vertices.data(),
                                 GL_STREAM_DRAW);
        Hx7PGLProcs.glDrawArraysInstanced(GL_TRIANGLES, 0, 6, GLsizei(vertices.size() / kGlyphFloats));
        Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, 0);
        Hx7PGLProcs.glBindVertexArray(0);
        glBindTexture(GL_TEXTURE_2D, 0);
        cHx7PGpuProgram::Unbind();
    }
    vertices.clear();
    if (!coreProfile)
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

int cHx7PBitmapFont::GetTextWidth(const char* text) const
{
    if (!text)
        return 0;
    int width = 0;
    for (unsigned char c : ToListCodes(text))
        width += glyphs[c].advance;
    return width;
}

std::string cHx7PBitmapFont::ToListCodes(const char* text)
{
    std::string out;
    if (!text)
        return out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        const unsigned char c = *p;
        int extra = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : 0;
        if (c < 0xC2 || c >= 0xF5)
            extra = 0;
        uint32_t cp = 0;
        bool valid = extra > 0;
        if (valid) {
            cp = c & (0x3F >> extra);
            for (int k = 1; k <= extra; ++k) {
                if ((p[k] & 0xC0) != 0x80) {
                    valid = false;
                    break;
                }
                cp = (cp << 6) | (p[k] & 0x3F);
            }
            // Overlong or surrogate forms are not UTF-8: take the lead byte as it stands.
            if (valid && ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))) ||
                          (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))))
                valid = false;
        }
        if (!valid) {
            out.push_back(char(c));
            ++p;
            continue;
        }
        p += extra + 1;
        char code = '?';
        if (cp <= 0xFF && !(cp >= 0x80 && cp < 0xA0)) {
            code = char(cp);
        } else {
            for (int k = 0; k < 32; ++k)
                if (kCp1252High[k] == cp && cp != 0)
                    code = char(0x80 + k);
        }
        out.push_back(code);
    }
    return out;
}
