// Texture decoding and pixel operations, without GL.
#include "gfx/texture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// A binary PPM (P6) image, one of the formats the decoder reads; rows top first.
std::vector<unsigned char> MakePpm(int w, int h, unsigned char (*pixel)(int x, int y, int c))
{
    const std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    std::vector<unsigned char> out(header.begin(), header.end());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                out.push_back(pixel(x, y, c));
    return out;
}

unsigned char Gradient(int x, int y, int c) { return static_cast<unsigned char>((x * 7 + y * 3 + c * 50) & 0xFF); }

}  // namespace

TEST(TexturePixels, DecodesFromMemoryAndFileAsRgbTopRowFirst)
{
    const auto ppm = MakePpm(5, 3, Gradient);
    cHx7PTexture t;
    EXPECT_EQ(t.GetFormat(), GLenum(GL_BGR));
    ASSERT_TRUE(t.LoadFromMemory(ppm.data(), ppm.size()));
    EXPECT_EQ(t.GetWidth(), 5u);
    EXPECT_EQ(t.GetHeight(), 3u);
    EXPECT_EQ(t.GetFormat(), GLenum(GL_RGB));
    ASSERT_NE(t.GetRGBPixels(), nullptr);
    EXPECT_EQ(t.GetRGBAPixels(), nullptr);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(t.GetRGBPixels()[(y * 5 + x) * 3 + c], Gradient(x, y, c)) << x << "," << y;

    const std::string path = ::testing::TempDir() + "gfx_texture_test.ppm";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(ppm.data(), 1, ppm.size(), f);
    std::fclose(f);
    cHx7PTexture fromFile;
    ASSERT_TRUE(fromFile.LoadFromFile(path.c_str()));
    EXPECT_EQ(std::vector<unsigned char>(fromFile.GetRGBPixels(), fromFile.GetRGBPixels() + 45),
              std::vector<unsigned char>(t.GetRGBPixels(), t.GetRGBPixels() + 45));
    std::remove(path.c_str());
}

TEST(TexturePixels, BadInputLeavesTextureUnchanged)
{
    cHx7PTexture t;
    ASSERT_TRUE(t.AllocateRGB(2, 2));
    const unsigned char junk[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(t.LoadFromMemory(junk, sizeof junk));
    EXPECT_FALSE(t.LoadFromMemory(nullptr, 10));
    EXPECT_FALSE(t.LoadFromMemory(junk, 0));
    EXPECT_FALSE(t.LoadFromFile(nullptr));
    EXPECT_FALSE(t.LoadFromFile("/nonexistent/dir/image.jpg"));
    const std::string empty = "P6\n0 0\n255\n";
    EXPECT_FALSE(t.LoadFromMemory(reinterpret_cast<const unsigned char*>(empty.data()),
                                  empty.size()));
    EXPECT_EQ(t.GetWidth(), 2u);
    EXPECT_EQ(t.GetHeight(), 2u);
    EXPECT_NE(t.GetRGBPixels(), nullptr);
}

TEST(TexturePixels, AllocationSetsFormatAndRefusesEmptyOrOverflowingSizes)
{
    cHx7PTexture t;
    EXPECT_FALSE(t.AllocateRGBA(0, 10));
    EXPECT_FALSE(t.AllocateRGB(0xFFFFFFFFu, 0xFFFFFFFFu));
    EXPECT_EQ(t.GetWidth(), 0u);
    ASSERT_TRUE(t.AllocateRGBA(3, 2));
    EXPECT_EQ(t.GetFormat(), GLenum(GL_RGBA));
    for (int i = 0; i < 24; ++i)
        ASSERT_EQ(t.GetRGBAPixels()[i], 0);
    EXPECT_TRUE(t.FreePixels());
    EXPECT_EQ(t.GetWidth(), 0u);
    EXPECT_EQ(t.GetRGBAPixels(), nullptr);
}

TEST(TexturePixels, FillTruncatesChannelsAndNeedsRgba)
{
    cHx7PTexture t;
    EXPECT_FALSE(t.Fill(1, 1, 1, 1));
    ASSERT_TRUE(t.AllocateRGBA(2, 1));
    ASSERT_TRUE(t.Fill(0, 0, 1, 1));
    const unsigned char blue[8] = {0, 0, 255, 255, 0, 0, 255, 255};
    EXPECT_EQ(std::vector<unsigned char>(t.GetRGBAPixels(), t.GetRGBAPixels() + 8),
              std::vector<unsigned char>(blue, blue + 8));
    ASSERT_TRUE(t.Fill(0.5f, 0.999f, 0.1f, 0.0f));
    EXPECT_EQ(t.GetRGBAPixels()[0], 127);  // 127.5 truncated
    EXPECT_EQ(t.GetRGBAPixels()[1], 254);
    EXPECT_EQ(t.GetRGBAPixels()[2], 25);
    EXPECT_EQ(t.GetRGBAPixels()[3], 0);
    ASSERT_TRUE(t.Fill(-0.5f, 2.0f, 1.0f, 0.0f));  // out of range: clamped, not undefined
    EXPECT_EQ(t.GetRGBAPixels()[0], 0);
    EXPECT_EQ(t.GetRGBAPixels()[1], 255);
}

TEST(TexturePixels, ConvertToRgbaKeysWithinInclusiveTolerance)
{
    cHx7PTexture t;
    ASSERT_TRUE(t.AllocateRGB(4, 1));
    const unsigned char rgb[12] = {10, 20, 30, 12, 18, 32, 13, 20, 30, 10, 20, 30};
    std::copy(rgb, rgb + 12, t.GetRGBPixels());
    const unsigned char key[3] = {10, 20, 30};
    ASSERT_TRUE(t.ConvertToRGBA(key, 2));
    EXPECT_EQ(t.GetFormat(), GLenum(GL_RGBA));
    EXPECT_EQ(t.GetRGBPixels(), nullptr);
    const unsigned char* p = t.GetRGBAPixels();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 10);
    EXPECT_EQ(p[3], 0);     // exact key
    EXPECT_EQ(p[7], 0);     // every channel within 2
    EXPECT_EQ(p[11], 255);  // red 3 away
    EXPECT_EQ(p[15], 0);
    EXPECT_EQ(p[12], 10);

    // Second call: already RGBA, nothing changes.
    const std::vector<unsigned char> before(p, p + 16);
    ASSERT_TRUE(t.ConvertToRGBA(nullptr, 0));
    EXPECT_EQ(std::vector<unsigned char>(t.GetRGBAPixels(), t.GetRGBAPixels() + 16), before);
}

TEST(TexturePixels, ConvertToRgbaToleranceZeroAndNoKey)
{
    cHx7PTexture t;
    ASSERT_TRUE(t.AllocateRGB(2, 1));
    const unsigned char rgb[6] = {0, 0, 0, 0, 0, 1};
    std::copy(rgb, rgb + 6, t.GetRGBPixels());
    const unsigned char black[3] = {0, 0, 0};
    ASSERT_TRUE(t.ConvertToRGBA(black, 0));
    EXPECT_EQ(t.GetRGBAPixels()[3], 0);
    EXPECT_EQ(t.GetRGBAPixels()[7], 255);

    cHx7PTexture noKey;
    ASSERT_TRUE(noKey.AllocateRGB(2, 1));
    ASSERT_TRUE(noKey.ConvertToRGBA(nullptr, 255));
    EXPECT_EQ(noKey.GetRGBAPixels()[3], 255);
    EXPECT_EQ(noKey.GetRGBAPixels()[7], 255);

    // Key near the byte range ends: the range is not clamped, so 250 +- 10 still holds 255.
    cHx7PTexture high;
    ASSERT_TRUE(high.AllocateRGB(1, 1));
    std::fill(high.GetRGBPixels(), high.GetRGBPixels() + 3, 255);
    const unsigned char white[3] = {250, 250, 250};
    ASSERT_TRUE(high.ConvertToRGBA(white, 10));
    EXPECT_EQ(high.GetRGBAPixels()[3], 0);

    // No RGB buffer: only the format changes.
    cHx7PTexture empty;
    ASSERT_TRUE(empty.ConvertToRGBA(nullptr, 0));
    EXPECT_EQ(empty.GetFormat(), GLenum(GL_RGBA));
    EXPECT_EQ(empty.GetRGBAPixels(), nullptr);
}

TEST(TexturePixels, AlphaFromLuminanceOnlyForDarkPixels)
{
    cHx7PTexture t;
    EXPECT_FALSE(t.AlphaFromLuminance(100));
    ASSERT_TRUE(t.AllocateRGBA(3, 1));
    const unsigned char px[12] = {30, 30, 31, 200, 100, 100, 100, 200, 255, 255, 0, 0};
    std::copy(px, px + 12, t.GetRGBAPixels());
    ASSERT_TRUE(t.AlphaFromLuminance(0));
    EXPECT_EQ(std::vector<unsigned char>(t.GetRGBAPixels(), t.GetRGBAPixels() + 12),
              std::vector<unsigned char>(px, px + 12));
    ASSERT_TRUE(t.AlphaFromLuminance(85));
    EXPECT_EQ(t.GetRGBAPixels()[3], 30);   // (30 + 30 + 31) / 3
    EXPECT_EQ(t.GetRGBAPixels()[7], 200);  // luminance 100 is not below 85: kept
    EXPECT_EQ(t.GetRGBAPixels()[11], 0);  // luminance 170: kept
}

TEST(TexturePixels, FlipVerticalSwapsRows)
{
    cHx7PTexture t;
    EXPECT_FALSE(t.FlipVertical());
    ASSERT_TRUE(t.AllocateRGB(2, 3));
    for (int i = 0; i < 18; ++i)
        t.GetRGBPixels()[i] = static_cast<unsigned char>(i);
    ASSERT_TRUE(t.FlipVertical());
    const unsigned char expected[18] = {12, 13, 14, 15, 16, 17, 6, 7, 8, 9, 10, 11, 0, 1, 2, 3, 4, 5};
    EXPECT_EQ(std::vector<unsigned char>(t.GetRGBPixels(), t.GetRGBPixels() + 18),
              std::vector<unsigned char>(expected, expected + 18));

    cHx7PTexture oneRow;
    ASSERT_TRUE(oneRow.AllocateRGB(3, 1));
    oneRow.GetRGBPixels()[0] = 9;
    EXPECT_TRUE(oneRow.FlipVertical());
    EXPECT_EQ(oneRow.GetRGBPixels()[0], 9);
}

TEST(TexturePixels, MoveTransfersPixelsAndLeavesSourceEmpty)
{
    cHx7PTexture a;
    ASSERT_TRUE(a.AllocateRGB(4, 4));
    unsigned char* pixels = a.GetRGBPixels();
    cHx7PTexture b(std::move(a));
    EXPECT_EQ(b.GetRGBPixels(), pixels);
    EXPECT_EQ(b.GetWidth(), 4u);
    EXPECT_EQ(a.GetRGBPixels(), nullptr);
    EXPECT_EQ(a.GetWidth(), 0u);
    EXPECT_EQ(a.GetTextureName(), 0u);
    cHx7PTexture c;
    c = std::move(b);
    EXPECT_EQ(c.GetRGBPixels(), pixels);
    EXPECT_TRUE(b.Release());
    EXPECT_TRUE(b.Release());
}
