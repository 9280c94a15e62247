// cHx7PBitmapFont: HUD text from 256 GL display lists of one-bit glyph bitmaps (glBitmap), so
// the current raster colour colours the text. Glyphs come from FreeType, for the fontconfig
// match of the face name in bold ("Arial" -> Liberation Sans Bold on Debian), at a cell height
// in pixels. Needs a compatibility-profile context (display lists, raster position).
//
// Text is drawn through the cHx7PTextSink seam (gfx/text_sink.h): DrawText formats, DrawString
// draws. Byte codes index the lists in Windows-1252 order; UTF-8 sequences in the text are
// translated to those codes first, so "\u00B0C" and the single byte 0xB0 both print a degree.
#pragma once

#include "gfx/text_sink.h"

#include <GL/gl.h>

#include <cstdint>
#include <string>

class cHx7PBitmapFont : public cHx7PTextSink {
public:
    static constexpr int kListCount = 256;
    // Attempts of the glyph build before Create gives up.
    static constexpr int kCreateAttempts = 11;

    cHx7PBitmapFont() = default;
    ~cHx7PBitmapFont() override;
    cHx7PBitmapFont(const cHx7PBitmapFont&) = delete;
    cHx7PBitmapFont& operator=(const cHx7PBitmapFont&) = delete;
    cHx7PBitmapFont(cHx7PBitmapFont&& other) noexcept;
    cHx7PBitmapFont& operator=(cHx7PBitmapFont&& other) noexcept;

    // Needs a current context. Null face name: false, nothing created. Builds lists for codes
    // 0..254 (255 stays empty). When no font can be loaded: the lists are deleted, listBase is
    // 0, the failure is logged and the result is false.
    bool Create(int height, const char* faceName);
    void SetViewport(int x, int y, int width, int height);
    // Deletes the lists (if any) and sets listBase to 0.
    void Destroy();

    // Raster position at window (viewportX + x - 1, viewportHeight - height + viewportY - y - 1),
    // i.e. the text's baseline one cell below y counted from the top. Leaves GL_BLEND and
    // GL_DEPTH_TEST disabled and the current colour white; matrices and viewport as before.
    void DrawString(int x, int y, float r, float g, float b, float a, const char* text) override;

    // Loads this font file instead of asking fontconfig (tests; a deliberate font choice).
    // Empty: fontconfig again.
    void SetFontFile(const std::string& path) { fontFile = path; }

    GLuint GetListBase() const { return listBase; }
    int GetHeight() const { return height; }
    // Advance of a code in pixels (0 before Create) and of a whole text, as DrawString would
    // move the raster position.
    int GetAdvance(unsigned char code) const { return advances[code]; }
    int GetTextWidth(const char* text) const;

    // UTF-8 to the list codes: code points U+0000..U+00FF and the Windows-1252 extras map to
    // their byte, other code points to '?'; bytes that are not valid UTF-8 pass unchanged.
    static std::string ToListCodes(const char* text);

private:
    bool BuildGlyphLists();

    GLuint listBase = 0;
    int height = 14;
    int viewportX = 0;
    int viewportY = 0;
    int viewportWidth = 0;
    int viewportHeight = 0;
    int advances[kListCount] = {};
    std::string fontFile;
    std::string faceName_;
};
