// HUD text and overlay primitives: text placement, the state DrawText leaves, glyph pixels,
// batches, the core profile, polylines and lines.
#include "gfx/bitmap_font.h"
#include "gfx/polyline.h"

#include "gfx_gl_helpers.h"

#include <algorithm>
#include <array>

using gfx_test::LogCapture;
using gridfall_test::GLTestContext;
using gridfall_test::GLTestFixture;

namespace {
class BitmapFontTest : public GLTestFixture {
protected:
    BitmapFontTest() : GLTestFixture(160, 40) {}
};

// Bounding box of pixels whose red channel is lit, in window coordinates.
struct Box {
    int minX = 1 << 30, minY = 1 << 30, maxX = -1, maxY = -1, count = 0;
};
Box RedBox(int w, int h)
{
    const auto px = GLTestContext::ReadPixels(0, 0, w, h);
    Box b;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (px[(y * w + x) * 4] > 128) {
                b.minX = std::min(b.minX, x);
                b.maxX = std::max(b.maxX, x);
                b.minY = std::min(b.minY, y);
                b.maxY = std::max(b.maxY, y);
                ++b.count;
            }
    return b;
}
}  // namespace

TEST_F(BitmapFontTest, CreatesTheAtlasWithoutDriverErrors)
{
    LogCapture log;
    cHx7PBitmapFont font;
    ASSERT_TRUE(font.Create(12, "Arial"));
    EXPECT_GL_OK();
    EXPECT_TRUE(log.lines.empty());
    const GLuint atlas = font.GetAtlasTexture();
    ASSERT_NE(atlas, 0u);
    EXPECT_TRUE(glIsTexture(atlas));
    EXPECT_GT(font.GetAtlasHeight(), 0);
    EXPECT_EQ(font.GetHeight(), 12);
    EXPECT_GT(font.GetAdvance('W'), font.GetAdvance('i'));
    EXPECT_GT(font.GetAdvance(' '), 0);
    EXPECT_EQ(font.GetAdvance(255), 0);
    EXPECT_EQ(font.GetTextWidth("AB"), font.GetAdvance('A') + font.GetAdvance('B'));
    font.Destroy();
    EXPECT_EQ(font.GetAtlasTexture(), 0u);
    EXPECT_FALSE(glIsTexture(atlas));
    EXPECT_EQ(font.GetAdvance('W'), 0);
    font.Destroy();
    EXPECT_GL_OK();
}

TEST_F(BitmapFontTest, PenFollowsTheTopLeftRule)
{
    cHx7PBitmapFont font;
    ASSERT_TRUE(font.Create(12, "Arial"));
    glClearColor(0, 0, 0, 1);
    auto drawn = [&](int vx, int vy, int vw, int vh, int x, int y) {
        glClear(GL_COLOR_BUFFER_BIT);
        font.SetViewport(vx, vy, vw, vh);
        font.DrawText(x, y, 1, 0, 0, 1, "H");
        return RedBox(160, 40);
    };
    // The pen starts at window (viewportX + x - 1, viewportHeight - height + viewportY - y - 1):
    // each term moves the glyph by exactly its own amount.
    const Box base = drawn(0, 0, 160, 40, 10, 5);
    ASSERT_GT(base.count, 0);
    const Box moved = drawn(0, 0, 160, 40, 13, 7);
    EXPECT_EQ(moved.minX, base.minX + 3);
    EXPECT_EQ(moved.minY, base.minY - 2);
    const Box area = drawn(4, 3, 160, 40, 10, 5);
    EXPECT_EQ(area.minX, base.minX + 4);
    EXPECT_EQ(area.minY, base.minY + 3);
    const Box shorter = drawn(0, 0, 160, 30, 10, 5);
    EXPECT_EQ(shorter.minX, base.minX);
    EXPECT_EQ(shorter.minY, base.minY - 10);
    EXPECT_EQ(shorter.count, base.count);
    // 'H' has no descender: its bottom row is the baseline, window y = 40 - 12 - 5 - 1.
    EXPECT_EQ(base.minY, 22);
    EXPECT_GL_OK();
}

TEST_F(BitmapFontTest, DrawTextLeavesWhiteColourNoBlendNoDepthNoBindingsAndTheTransforms)
{
    cHx7PBitmapFont font;
    ASSERT_TRUE(font.Create(12, "Arial"));
    font.SetViewport(0, 0, 160, 40);
    glViewport(3, 4, 100, 30);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 10, 0, 10, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    glEnable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    GLfloat projection[16], modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);

    font.DrawText(2, 2, 0.2f, 0.4f, 0.6f, 0.8f, "State %d", 1);

    // Nothing of the text's own objects stays bound for the next draw to trip over.
    GLint bound = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &bound);
    EXPECT_EQ(bound, 0);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
    EXPECT_EQ(colour[3], 1.0f);
    // The text area is the viewport the text was drawn in (reading the caller's back would
    // be a query per frame); the HUD's area is the window, which the overlays use anyway.
    GLint viewport[4], mode = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 160);
    EXPECT_EQ(viewport[3], 40);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLfloat projectionAfter[16], modelviewAfter[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projectionAfter);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelviewAfter);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(projection[i], projectionAfter[i]);
        EXPECT_EQ(modelview[i], modelviewAfter[i]);
    }
    GLint depth = -1;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_GL_OK();
}

TEST_F(BitmapFontTest, GlyphsLandOnTheBaselineInTheRasterColour)
{
    cHx7PBitmapFont font;
    ASSERT_TRUE(font.Create(12, "Arial"));
    font.SetViewport(0, 0, 160, 40);
    glViewport(0, 0, 160, 40);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    font.DrawText(10, 5, 1, 0, 0, 1, "HH");
    const Box box = RedBox(160, 40);
    ASSERT_GT(box.count, 10);
    // Baseline at window y = 40 - 12 - 5 - 1 = 22; capitals stand on it and stay within the
    // cell above it; the text starts at x = 9 plus the glyph's small left bearing.
    EXPECT_EQ(box.minY, 22);
    EXPECT_LE(box.maxY, 22 + 12);
    EXPECT_GE(box.maxY, 22 + 6);
    EXPECT_GE(box.minX, 9);
    EXPECT_LE(box.minX, 11);
    EXPECT_LT(box.maxX, 9 + font.GetTextWidth("HH"));
    // Only red: the colour is the text's own.
    const auto px = GLTestContext::ReadPixels(0, 0, 160, 40);
    for (std::size_t i = 0; i < px.size(); i += 4)
        ASSERT_EQ(px[i + 1], 0);

    // A degree sign in UTF-8 draws the same glyph as the single byte.
    glClear(GL_COLOR_BUFFER_BIT);
    font.DrawText(10, 5, 1, 0, 0, 1, "\xC2\xB0");
    const Box utf8 = RedBox(160, 40);
    glClear(GL_COLOR_BUFFER_BIT);
    font.DrawText(10, 5, 1, 0, 0, 1, "\xB0");
    const Box byte = RedBox(160, 40);
    EXPECT_GT(byte.count, 0);
    EXPECT_EQ(utf8.count, byte.count);
    EXPECT_EQ(utf8.minX, byte.minX);
    EXPECT_EQ(utf8.minY, byte.minY);
    EXPECT_GL_OK();
}

TEST_F(BitmapFontTest, UnloadableFontFailsAfterRetriesAndDrawsNothing)
{
    LogCapture log;
    cHx7PBitmapFont font;
    font.SetFontFile("/nonexistent/gridfall-font.ttf");
    EXPECT_FALSE(font.Create(12, "Arial"));
    EXPECT_EQ(font.GetAtlasTexture(), 0u);
    EXPECT_EQ(log.lines, std::vector<std::string>{"Unable to create a FreeType font. Very strange..."});
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    font.SetViewport(0, 0, 160, 40);
    font.DrawText(10, 5, 1, 0, 0, 1, "Nothing");
    EXPECT_EQ(RedBox(160, 40).count, 0);
    EXPECT_GL_OK();

    // Clearing the file override goes back to fontconfig, and the same object recovers.
    font.SetFontFile("");
    EXPECT_TRUE(font.Create(10, "Liberation Sans"));
    EXPECT_NE(font.GetAtlasTexture(), 0u);
    EXPECT_GL_OK();
}

TEST_F(BitmapFontTest, ABatchDrawsEveryTextAtItsEndAsSeparateDrawsWould)
{
    cHx7PBitmapFont font;
    ASSERT_TRUE(font.Create(12, "Arial"));
    font.SetViewport(0, 0, 160, 40);
    glClearColor(0, 0, 0, 1);
    auto texts = [&] {
        font.DrawText(2, 0, 1, 0, 0, 1, "Red %d", 1);
        font.DrawText(2, 14, 0, 1, 0, 1, "Green");
        font.DrawText(60, 14, 0.5f, 0.5f, 1, 1, "Blue \xC2\xB0");
    };
    glClear(GL_COLOR_BUFFER_BIT);
    texts();
    const auto separate = GLTestContext::ReadPixels(0, 0, 160, 40);

    glClear(GL_COLOR_BUFFER_BIT);
    const auto blank = GLTestContext::ReadPixels(0, 0, 160, 40);
    font.BeginBatch();
    texts();
    EXPECT_TRUE(font.IsBatching());
    EXPECT_EQ(font.GetQueuedGlyphs(), 14u);   // "Red1", "Green", "Blue", the degree: blanks need no quad
    EXPECT_EQ(GLTestContext::ReadPixels(0, 0, 160, 40), blank) << "nothing drawn before the end";
    font.EndBatch();
    EXPECT_FALSE(font.IsBatching());
    EXPECT_EQ(font.GetQueuedGlyphs(), 0u);
    EXPECT_EQ(GLTestContext::ReadPixels(0, 0, 160, 40), separate);
    EXPECT_GL_OK();
}

// The same font in a core-profile context: no fixed-function call, the same pixels.
TEST(BitmapFontCoreTest, DrawsTheSamePixelsInACoreProfileContext)
{
    auto draw = [](bool core) {
        GLTestContext gl(160, 40, core ? 3 : 4, core ? 2 : 0, core);
        EXPECT_TRUE(gl.Ok()) << gl.Error();
        GLint mask = 0;
        glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
        EXPECT_EQ((mask & GL_CONTEXT_CORE_PROFILE_BIT) != 0, core);
        cHx7PBitmapFont font;
        EXPECT_TRUE(font.Create(12, "Arial"));
        font.SetViewport(0, 0, 160, 40);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        font.BeginBatch();
        font.DrawText(10, 5, 1, 0.5f, 0, 1, "Core \xE2\x82\xAC %d", 42);
        font.EndBatch();
        EXPECT_GL_OK();
        return GLTestContext::ReadPixels(0, 0, 160, 40);
    };
    const auto compat = draw(false);
    const auto core = draw(true);
    EXPECT_EQ(core, compat);
    EXPECT_NE(std::count(compat.begin(), compat.end(), 255), 0);
}

TEST_F(BitmapFontTest, PolylineDrawsOnlyTheRequestedPoints)
{
    glViewport(0, 0, 160, 40);
    SetOrthoProjection(0, 160, 0, 40, -1, 1);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    cHx7PPolyline strip;
    ASSERT_TRUE(strip.Allocate(8));
    for (uint32_t i = 0; i < 8; ++i) {
        // Points 0..4 along row 10.5, points 5..7 along row 30.5.
        const float p[4] = {10.5f + 20.0f * float(i % 5), i < 5 ? 10.5f : 30.5f, 0, 1};
        strip.SetVertex(i, p);
    }
    strip.SetColor(1, 0, 0, 1);
    strip.Draw(5, 100);
    const auto px = GLTestContext::ReadPixels(0, 0, 160, 40);
    auto red = [&](int x, int y) { return px[(y * 160 + x) * 4] > 128; };
    EXPECT_TRUE(red(20, 30));
    EXPECT_TRUE(red(45, 30));
    EXPECT_FALSE(red(60, 30));  // point 7 is at x = 50.5
    for (int x = 0; x < 160; ++x)
        ASSERT_FALSE(red(x, 10)) << x;

    // The points went through the strip's buffer, which is not left bound or enabled.
    const GLuint buffer = strip.GetBuffer();
    ASSERT_NE(buffer, 0u);
    auto isBuffer = reinterpret_cast<PFNGLISBUFFERPROC>(SDL_GL_GetProcAddress("glIsBuffer"));
    ASSERT_NE(isBuffer, nullptr);
    EXPECT_TRUE(isBuffer(buffer));
    GLint bound = -1;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));

    // An empty range draws nothing and is no error.
    strip.Draw(8, 100);
    strip.Draw(3, 2);
    EXPECT_GL_OK();
    strip.Release();
    EXPECT_EQ(strip.GetBuffer(), 0u);
    EXPECT_FALSE(isBuffer(buffer));
    strip.Release();
    EXPECT_GL_OK();
}

TEST_F(BitmapFontTest, DrawLineSetsStippleAndWidthAndBlendsColours)
{
    glViewport(0, 0, 160, 40);
    SetOrthoProjection(0, 160, 0, 40, -1, 1);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glShadeModel(GL_SMOOTH);
    const float p1[4] = {0.5f, 20.5f, 0, 1}, p2[4] = {159.5f, 20.5f, 0, 1};
    const float red[4] = {1, 0, 0, 1}, green[4] = {0, 1, 0, 1};
    DrawLine(p1, red, p2, green, 1.0f, 2, 0x0F0F);
    GLint pattern = 0, factor = 0;
    glGetIntegerv(GL_LINE_STIPPLE_PATTERN, &pattern);
    glGetIntegerv(GL_LINE_STIPPLE_REPEAT, &factor);
    EXPECT_EQ(pattern, 0x0F0F);
    EXPECT_EQ(factor, 2);
    EXPECT_FALSE(glIsEnabled(GL_LINE_STIPPLE));  // the caller's choice
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1.0f);
    const uint32_t left = GLTestContext::PixelAt(2, 20);
    const uint32_t right = GLTestContext::PixelAt(157, 20);
    EXPECT_GT(left >> 24, 200u);                // red end
    EXPECT_GT((right >> 16) & 0xFF, 200u);      // green end
    EXPECT_GL_OK();
}
