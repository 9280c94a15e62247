// FreeType glyphs compiled into glBitmap display lists.
#include "gfx/bitmap_font.h"

#include "gfx/framework_log.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstring>
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

cHx7PBitmapFont::~cHx7PBitmapFont() { Destroy(); }

cHx7PBitmapFont::cHx7PBitmapFont(cHx7PBitmapFont&& other) noexcept { *this = std::move(other); }

cHx7PBitmapFont& cHx7PBitmapFont::operator=(cHx7PBitmapFont&& other) noexcept
{
    if (this == &other)
        return *this;
    Destroy();
    listBase = std::exchange(other.listBase, 0);
    height = other.height;
    viewportX = other.viewportX;
    viewportY = other.viewportY;
    viewportWidth = other.viewportWidth;
    viewportHeight = other.viewportHeight;
    std::memcpy(advances, other.advances, sizeof advances);
    fontFile = std::move(other.fontFile);
    faceName_ = std::move(other.faceName_);
    return *this;
}

bool cHx7PBitmapFont::Create(int cellHeight, const char* faceName)
{
    if (!faceName)
        return false;
    Destroy();
    listBase = glGenLists(kListCount);
    height = cellHeight;
    faceName_ = faceName;
    bool built = false;
    // Loading a font can fail for passing reasons (a font cache being rebuilt); a few more
    // tries cost nothing at start-up.
    for (int attempt = 0; attempt < kCreateAttempts && !built && listBase != 0; ++attempt)
        built = BuildGlyphLists();
    if (!built) {
        if (listBase != 0)
            glDeleteLists(listBase, kListCount);
        listBase = 0;
        std::memset(advances, 0, sizeof advances);
        Hx7PFrameworkLogWrite("Unable to create a FreeType font. Very strange...");
        return false;
    }
    return true;
}

bool cHx7PBitmapFont::BuildGlyphLists()
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
    if (ok) {
        // glBitmap reads rows bottom first, packed to bytes, through the unpack state.
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
        glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
        // Mesa refuses glBitmap with a null pointer inside a display list (out of memory,
        // empty list): empty glyphs get this byte instead.
        static const GLubyte kEmpty[1] = {0};
        std::vector<GLubyte> rows;
        for (int code = 0; code < kListCount; ++code) {
            glNewList(listBase + GLuint(code), GL_COMPILE);
            advances[code] = 0;
            const uint32_t cp = CodePointOf(unsigned(code));
            // Control codes and 255 (reserved) stay empty lists.
            const bool drawable = code < kListCount - 1 && cp >= 0x20 && cp != 0x7F;
            if (drawable && FT_Load_Char(face, cp, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) == 0 &&
                FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) == 0) {
                const FT_GlyphSlot slot = face->glyph;
                const FT_Bitmap& bm = slot->bitmap;
                const int advance = int((slot->advance.x + 32) >> 6);
                advances[code] = advance;
                const unsigned w = bm.width, h = bm.rows;
                const unsigned rowBytes = (w + 7) / 8;
                if (w > 0 && h > 0 && bm.buffer && bm.pixel_mode == FT_PIXEL_MODE_MONO) {
                    rows.assign(std::size_t(rowBytes) * h, 0);
                    for (unsigned r = 0; r < h; ++r) {
                        const unsigned char* src = bm.buffer + std::ptrdiff_t(r) * bm.pitch;
                        std::memcpy(&rows[std::size_t(h - 1 - r) * rowBytes], src, rowBytes);
                    }
                    // The raster position is the glyph origin on the baseline.
                    glBitmap(GLsizei(w), GLsizei(h), GLfloat(-slot->bitmap_left),
                             GLfloat(int(h) - slot->bitmap_top), GLfloat(advance), 0.0f,
                             rows.data());
                } else {
                    glBitmap(0, 0, 0.0f, 0.0f, GLfloat(advance), 0.0f, kEmpty);
                }
            } else {
                glBitmap(0, 0, 0.0f, 0.0f, 0.0f, 0.0f, kEmpty);
            }
            glEndList();
        }
        glPopClientAttrib();
    }
    if (face)
        FT_Done_Face(face);
    FT_Done_FreeType(library);
    return ok;
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
    if (listBase != 0)
        glDeleteLists(listBase, kListCount);
    listBase = 0;
}

void cHx7PBitmapFont::DrawString(int x, int y, float r, float g, float b, float a,
                                 const char* text)
{
    if (!text)
        return;
    const std::string codes = ToListCodes(text);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glColor4f(r, g, b, a);
    glPushAttrib(GL_TRANSFORM_BIT | GL_VIEWPORT_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    // A 0 x 0 viewport whose corner is the wanted window position: with identity matrices the
    // raster position (0, 0, 0, 1) lands exactly on that corner, even outside the window.
    glViewport(viewportX + x - 1, viewportHeight - height + viewportY - y - 1, 0, 0);
    glRasterPos4f(0.0f, 0.0f, 0.0f, 1.0f);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
    if (!codes.empty()) {
        glListBase(listBase);
        glCallLists(GLsizei(codes.size()), GL_UNSIGNED_BYTE, codes.data());
    }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

int cHx7PBitmapFont::GetTextWidth(const char* text) const
{
    if (!text)
        return 0;
    int width = 0;
    for (unsigned char c : ToListCodes(text))
        width += advances[c];
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
