// Overlay pieces without GL: polyline storage, text formatting seam, code-page mapping, the
// driver workaround list.
#include "gfx/bitmap_font.h"
#include "gfx/gl_workarounds.h"
#include "gfx/polyline.h"
#include "gfx/text_sink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
struct RecordingSink : cHx7PTextSink {
    struct Line {
        int x, y;
        float rgba[4];
        std::string text;
    };
    std::vector<Line> lines;
    void DrawString(int x, int y, float r, float g, float b, float a, const char* text) override
    {
        lines.push_back({x, y, {r, g, b, a}, text});
    }
};
}  // namespace

TEST(PolylinePoints, AllocateSetVertexAndBounds)
{
    cHx7PPolyline line;
    EXPECT_EQ(line.GetColor()[0], 1.0f);
    EXPECT_EQ(line.GetColor()[2], 0.0f);
    ASSERT_TRUE(line.Allocate(8));
    EXPECT_EQ(line.GetCount(), 8u);
    EXPECT_EQ(line.GetVertex(7)[3], 1.0f);
    EXPECT_EQ(line.GetVertex(8), nullptr);
    const float p[4] = {1, 2, 3, 4};
    line.SetVertex(3, p);
    line.SetVertex(8, p);  // out of range: ignored
    line.SetVertex(2, nullptr);
    EXPECT_EQ(line.GetVertex(3)[1], 2.0f);
    EXPECT_EQ(line.GetVertex(2)[0], 0.0f);
    line.SetSize(640, 480);
    EXPECT_EQ(line.GetWidth(), 640);
    ASSERT_TRUE(line.Allocate(2));  // replaces the points
    EXPECT_EQ(line.GetVertex(1)[1], 0.0f);
}

TEST(TextSink, FormatsAndTruncatesLongText)
{
    RecordingSink sink;
    sink.DrawText(3, 4, 0.1f, 0.2f, 0.3f, 1.0f, "FPS: %d (%s)", 60, "max");
    sink.DrawText(0, 0, 1, 1, 1, 1, nullptr);
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0].text, "FPS: 60 (max)");
    EXPECT_EQ(sink.lines[0].x, 3);
    EXPECT_EQ(sink.lines[0].rgba[2], 0.3f);

    const std::string huge(10000, 'a');
    sink.DrawText(0, 0, 1, 1, 1, 1, "%s|%s", huge.c_str(), "tail");
    ASSERT_EQ(sink.lines.size(), 2u);
    EXPECT_EQ(sink.lines[1].text.size(), cHx7PTextSink::kTextBufferSize - 1);
    EXPECT_EQ(sink.lines[1].text, std::string(4095, 'a'));
}

TEST(BitmapFontCodes, Utf8MapsToWindows1252ListCodes)
{
    EXPECT_EQ(cHx7PBitmapFont::ToListCodes("GPU 65 \xC2\xB0" "C"), "GPU 65 \xB0" "C");
    EXPECT_EQ(cHx7PBitmapFont::ToListCodes("\xB0" "C"), "\xB0" "C");  // a lone byte passes
    EXPECT_EQ(cHx7PBitmapFont::ToListCodes("\xE2\x82\xAC 5"), "\x80 5");  // euro sign
    EXPECT_EQ(cHx7PBitmapFont::ToListCodes("\xE4\xB8\xAD"), "?");          // no glyph code
    EXPECT_EQ(cHx7PBitmapFont::ToListCodes("\xF0\x9F\x98\x80!"), "?!");
    EXPECT_EQ(cHx7PBitmapFont::ToListCodes("\xC3\xA9t\xC3\xA9"), "\xE9t\xE9");
    EXPECT_EQ(cHx7PBitmapFont::ToListCodes("\xC3("), "\xC3(");  // broken sequence kept as bytes
    EXPECT_EQ(cHx7PBitmapFont::ToListCodes("\xE0\x80\xAF"), "\xE0\x80\xAF");  // overlong
    EXPECT_EQ(cHx7PBitmapFont::ToListCodes(""), "");
    EXPECT_EQ(cHx7PBitmapFont::ToListCodes(nullptr), "");
}

TEST(BitmapFontCodes, UncreatedFontHasNoAtlasAndZeroWidth)
{
    cHx7PBitmapFont font;
    EXPECT_EQ(font.GetAtlasTexture(), 0u);
    EXPECT_EQ(font.GetHeight(), 14);
    EXPECT_EQ(font.GetTextWidth("abc"), 0);
    EXPECT_FALSE(font.Create(12, nullptr));
    font.Destroy();
    font.Destroy();
}

TEST(DriverWorkaroundList, KeyedByRendererText)
{
    EXPECT_EQ(WorkaroundsFor("llvmpipe (LLVM 15.0.6, 256 bits)").maxTessTrianglesPerDraw, 75000u);
    EXPECT_EQ(WorkaroundsFor("softpipe").maxTessTrianglesPerDraw, 75000u);
    EXPECT_EQ(WorkaroundsFor("NVIDIA GeForce RTX 4090/PCIe/SSE2").maxTessTrianglesPerDraw, 0u);
    EXPECT_EQ(WorkaroundsFor("AMD Radeon RX 7900 XTX (radeonsi, navi31, LLVM 15.0.7)").maxTessTrianglesPerDraw, 0u);
    EXPECT_EQ(WorkaroundsFor(nullptr).maxTessTrianglesPerDraw, 0u);
}

TEST(DriverWorkaroundList, PatchesPerDrawStaysWithinLimit)
{
    EXPECT_EQ(TessTrianglesPerPatch(0), 1u);
    EXPECT_EQ(TessTrianglesPerPatch(1), 1u);
    EXPECT_EQ(TessTrianglesPerPatch(2), 6u);
    EXPECT_EQ(TessTrianglesPerPatch(3), 13u);
    EXPECT_EQ(TessTrianglesPerPatch(4), 24u);
    EXPECT_EQ(TessTrianglesPerPatch(64), 3u * 64 * 64 / 2);
    const DriverWorkarounds llvmpipe = WorkaroundsFor("llvmpipe");
    for (uint32_t level : {1u, 8u, 16u, 32u, 64u}) {
        const uint32_t patches = PatchesPerDraw(llvmpipe, level);
        ASSERT_GE(patches, 1u);
        EXPECT_LE(uint64_t(patches) * TessTrianglesPerPatch(level), 75000u) << level;
        EXPECT_GT(uint64_t(patches + 1) * TessTrianglesPerPatch(level), 75000u) << level;
    }
    EXPECT_EQ(PatchesPerDraw(DriverWorkarounds{}, 32), 0u);
    // A limit below one patch's output still draws one patch at a time.
    EXPECT_EQ(PatchesPerDraw(DriverWorkarounds{10}, 64), 1u);
}
