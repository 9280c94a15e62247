// HUD text and overlay primitives on a compatibility-profile context: raster placement, the
// state DrawText leaves, glyph pixels, polylines and lines.
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

std::array<GLfloat, 4> RasterPosition()
{
    std::array<GLfloat, 4> p{};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, p.data());
    return p;
}

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

TEST_F(BitmapFontTest, CreatesListsWithoutDriverErrors)
{
    LogCapture log;
    cHx7PBitmapFont font;
    ASSERT_TRUE(font.Create(12, "Arial"));
    // An empty glyph compiled with a null bitmap would raise GL_OUT_OF_MEMORY on Mesa.
    EXPECT_GL_OK();
    EXPECT_TRUE(log.lines.empty());
    const GLuint base = font.GetListBase();
    ASSERT_NE(base, 0u);
    EXPECT_EQ(font.GetHeight(), 12);
    EXPECT_TRUE(glIsList(base + 'A'));
    EXPECT_TRUE(glIsList(base + ' '));
    EXPECT_TRUE(glIsList(base + 255));
    EXPECT_GT(font.GetAdvance('W'), font.GetAdvance('i'));
    EXPECT_GT(font.GetAdvance(' '), 0);
    EXPECT_EQ(font.GetAdvance(255), 0);
    EXPECT_EQ(font.GetTextWidth("AB"), font.GetAdvance('A') + font.GetAdvance('B'));
    font.Destroy();
    EXPECT_EQ(font.GetListBase(), 0u);
    EXPECT_FALSE(glIsList(base + 'A'));
    font.Destroy();
    EXPECT_GL_OK();
}

TEST_F(BitmapFontTest, RasterPositionFollowsTheTopLeftRule)
{
    cHx7PBitmapFont font;
    ASSERT_TRUE(font.Create(12, "Arial"));
    font.SetViewport(0, 0, 1024, 768);
    font.DrawText(0, 0, 1, 1, 1, 1, "%s", "");
    GLint valid = 0;
    glGetIntegerv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
    EXPECT_EQ(valid, GL_TRUE);
    auto p = RasterPosition();
    EXPECT_EQ(p[0], -1.0f);
    EXPECT_EQ(p[1], 755.0f);

    // Offsets of the text and of the viewport area; the raster advances by the glyphs.
    font.SetViewport(10, 20, 300, 200);
    font.DrawText(5, 7, 1, 1, 1, 1, "AB");
    p = RasterPosition();
    EXPECT_EQ(p[0], float(10 + 5 - 1 + font.GetTextWidth("AB")));
    EXPECT_EQ(p[1], float(200 - 12 + 20 - 7 - 1));
    EXPECT_GL_OK();
}

TEST_F(BitmapFontTest, DrawTextLeavesWhiteColourNoBlendNoDepthAndRestoresTransforms)
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

    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
    EXPECT_EQ(colour[3], 1.0f);
    GLint viewport[4], mode = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 3);
    EXPECT_EQ(viewport[1], 4);
    EXPECT_EQ(viewport[2], 100);
    EXPECT_EQ(viewport[3], 30);
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
    // Only red: the colour came from the raster position.
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
    EXPECT_EQ(font.GetListBase(), 0u);
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
    EXPECT_NE(font.GetListBase(), 0u);
    EXPECT_GL_OK();
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

    // An empty range draws nothing and is no error.
    strip.Draw(8, 100);
    strip.Draw(3, 2);
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
