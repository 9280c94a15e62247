// cHx7PBitmapFont: HUD text as one-bit glyphs from a texture atlas, coloured by the text's colour.
// Glyphs come from FreeType, for the fontconfig match of the face name in bold ("Arial" ->
// Liberation Sans Bold on Debian), at a cell height in pixels, and are put into one atlas
// texture when the font is created. A text becomes one instance per glyph (quad, atlas corner,
// colour: ten floats), and the vertex shader makes each quad's two triangles; between
// BeginBatch and EndBatch every text of a frame goes into one vertex buffer and one instanced
// draw, so the HUD costs the same few GL calls however many glyphs it shows. Shaders only:
// works in core- and compatibility-profile contexts alike (GL 3.3, or 3.2 with instanced
// arrays).
//
// Text is drawn through the cHx7PTextSink seam (gfx/text_sink.h): DrawText formats, DrawString
// draws. Byte codes index the glyphs in Windows-1252 order; UTF-8 sequences in the text are
// translated to those codes first, so "\u00B0C" and the single byte 0xB0 both print a degree.
#pragma once

#include "gfx/text_sink.h"

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class cHx7PGpuProgram;

class cHx7PBitmapFont : public cHx7PTextSink {
public:
    static constexpr int kListCount = 256;
    // Attempts of the glyph build before Create gives up.
    static constexpr int kCreateAttempts = 11;
    // Floats per queued glyph: its quad's corner and size in window pixels (4), its bitmap's
    // corner in the atlas (2), colour (4). The vertex shader makes the quad's two triangles.
    static constexpr int kGlyphFloats = 10;

    cHx7PBitmapFont();
    ~cHx7PBitmapFont() override;
    cHx7PBitmapFont(const cHx7PBitmapFont&) = delete;
    cHx7PBitmapFont& operator=(const cHx7PBitmapFont&) = delete;
    cHx7PBitmapFont(cHx7PBitmapFont&& other) noexcept;
    cHx7PBitmapFont& operator=(cHx7PBitmapFont&& other) noexcept;

    // Needs a current context. Null face name: false, nothing created. Builds glyphs for codes
    // 0..254 (255 stays empty) into the atlas. When no font can be loaded: nothing is kept,
    // the failure is logged and the result is false; text then draws nothing.
    bool Create(int height, const char* faceName);
    // The window area text is placed in; drawing makes it the GL viewport.
    void SetViewport(int x, int y, int width, int height);
    // Deletes the atlas, the buffers and the program (if any).
    void Destroy();

    // The text's pen starts at window (viewportX + x - 1, viewportHeight - height + viewportY -
    // y - 1), i.e. its baseline one cell below y counted from the top. Outside a batch the text
    // is drawn at once, inside one it is queued. Drawing leaves GL_BLEND and GL_DEPTH_TEST
    // disabled, no program, vertex array, buffer or texture bound, the viewport at the text
    // area and (compatibility profile) the current colour white; the matrices are untouched.
    void DrawString(int x, int y, float r, float g, float b, float a, const char* text) override;

    // Texts drawn from BeginBatch to EndBatch reach the screen together, at EndBatch, with one
    // draw call, in the order they were given.
    void BeginBatch() { batching = true; }
    void EndBatch();
    bool IsBatching() const { return batching; }
    // Glyph quads queued for the next draw.
    std::size_t GetQueuedGlyphs() const { return vertices.size() / kGlyphFloats; }

    // Loads this font file instead of asking fontconfig (tests; a deliberate font choice).
    // Empty: fontconfig again.
    void SetFontFile(const std::string& path) { fontFile = path; }

    // The atlas texture; 0 = no font.
    GLuint GetAtlasTexture() const { return atlasTexture; }
    int GetAtlasWidth() const { return atlasWidth; }
    int GetAtlasHeight() const { return atlasHeight; }
    int GetHeight() const { return height; }
    // Advance of a code in pixels (0 before Create) and of a whole text, as the pen moves.
    int GetAdvance(unsigned char code) const { return glyphs[code].advance; }
    int GetTextWidth(const char* text) const;

    // UTF-8 to the glyph codes: code points U+0000..U+00FF and the Windows-1252 extras map to
    // their byte, other code points to '?'; bytes that are not valid UTF-8 pass unchanged.
    static std::string ToListCodes(const char* text);

private:
    struct Glyph {
        int atlasX = 0, atlasY = 0;   // lower-left texel of the bitmap in the atlas
        int width = 0, rows = 0;      // bitmap size in pixels
        int left = 0, top = 0;        // bitmap corner from the pen: right, and up to its top row
        int advance = 0;
    };
    bool BuildAtlas();
    bool CreateGLObjects();
    void Queue(int x, int y, const float rgba[4], const std::string& codes);
    void Flush();

    GLuint atlasTexture = 0;
    GLuint vertexBuffer = 0;
    GLuint vertexArray = 0;
    std::unique_ptr<cHx7PGpuProgram> program;
    int areaSizeLoc = -1;
    bool coreProfile = false;
    bool batching = false;
    int atlasWidth = 0;
    int atlasHeight = 0;
    int height = 14;
    int viewportX = 0;
    int viewportY = 0;
    int viewportWidth = 0;
    int viewportHeight = 0;
    Glyph glyphs[kListCount] = {};
    std::vector<float> vertices;   // kGlyphFloats per glyph
    std::string fontFile;
    std::string faceName_;
};
