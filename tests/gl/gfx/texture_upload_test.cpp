// Texture uploads read back from GL, including rows that are not a multiple of four bytes.
#include "gfx/texture.h"

#include "gfx_gl_helpers.h"

using gfx_test::LogCapture;
using gridfall_test::GLTestContext;
using gridfall_test::GLTestFixture;

namespace {
class TextureUploadTest : public GLTestFixture {};

void FillPattern(cHx7PTexture& t)
{
    unsigned char* p = t.GetRGBPixels();
    for (uint32_t y = 0; y < t.GetHeight(); ++y)
        for (uint32_t x = 0; x < t.GetWidth(); ++x, p += 3) {
            p[0] = static_cast<unsigned char>(x);
            p[1] = static_cast<unsigned char>(y);
            p[2] = static_cast<unsigned char>(x ^ y);
        }
}

GLint TexParam(GLenum name)
{
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &v);
    return v;
}
}  // namespace

TEST_F(TextureUploadTest, OddWidthRgbArrivesUnshearedAndAlignmentIsRestored)
{
    cHx7PTexture t;
    ASSERT_TRUE(t.AllocateRGB(150, 148));  // 450-byte rows: not a multiple of four
    FillPattern(t);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    ASSERT_TRUE(t.CreateGLTexture(false));
    ASSERT_GL_OK();
    GLint align = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &align);
    EXPECT_EQ(align, 4);
    EXPECT_EQ(TexParam(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParam(GL_TEXTURE_MAX_LEVEL), 0);
    EXPECT_EQ(TexParam(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(TexParam(GL_TEXTURE_WRAP_T), GL_REPEAT);

    const auto back = GLTestContext::ReadTexture(t.GetTextureName());
    ASSERT_EQ(back.size(), 150u * 148u * 4u);
    int mismatches = 0;
    for (uint32_t i = 0; i < 150u * 148u; ++i)
        for (int c = 0; c < 3; ++c)
            mismatches += back[i * 4 + c] != t.GetRGBPixels()[i * 3 + c];
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(back[3], 255);
    EXPECT_GL_OK();
}

TEST_F(TextureUploadTest, MipmappedUploadBuildsTheChain)
{
    cHx7PTexture t;
    ASSERT_TRUE(t.AllocateRGB(64, 32));
    FillPattern(t);
    ASSERT_TRUE(t.CreateGLTexture(true));
    EXPECT_EQ(TexParam(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    GLint w1 = 0, w6 = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &w1);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 6, GL_TEXTURE_WIDTH, &w6);
    EXPECT_EQ(w1, 32);
    EXPECT_EQ(w6, 1);
    // Level 1 is the average of level 0, not left undefined.
    const auto level1 = GLTestContext::ReadTexture(t.GetTextureName(), 1);
    ASSERT_EQ(level1.size(), 32u * 16u * 4u);
    EXPECT_NEAR(level1[(0 * 32 + 5) * 4 + 0], 10.5, 1.0);  // red = x: (10 + 11) / 2
    EXPECT_GL_OK();
}

TEST_F(TextureUploadTest, RgbaUploadKeepsAlphaAndRenderTargetColourStaysBlue)
{
    cHx7PTexture t;
    ASSERT_TRUE(t.AllocateRGB(3, 2));
    FillPattern(t);
    const unsigned char key[3] = {1, 1, 0};  // pixel (1, 1)
    ASSERT_TRUE(t.ConvertToRGBA(key, 0));
    ASSERT_TRUE(t.CreateGLTexture(false));
    const auto back = GLTestContext::ReadTexture(t.GetTextureName());
    ASSERT_EQ(back.size(), 24u);
    EXPECT_EQ(back[(1 * 3 + 1) * 4 + 3], 0);
    EXPECT_EQ(back[3], 255);
    EXPECT_EQ(back[(1 * 3 + 2) * 4 + 0], 2);
    EXPECT_GL_OK();
}

TEST_F(TextureUploadTest, SecondUploadReplacesTheFirstTextureObject)
{
    cHx7PTexture t;
    ASSERT_TRUE(t.AllocateRGBA(4, 4));
    ASSERT_TRUE(t.Fill(1, 0, 0, 1));
    ASSERT_TRUE(t.CreateGLTexture(false));
    const GLuint first = t.GetTextureName();
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(t.CreateGLTexture(true));
    EXPECT_FALSE(glIsTexture(first) && first != t.GetTextureName());
    EXPECT_TRUE(glIsTexture(t.GetTextureName()));
    const GLuint second = t.GetTextureName();
    EXPECT_TRUE(t.DeleteGLTexture());
    EXPECT_EQ(t.GetTextureName(), 0u);
    EXPECT_FALSE(glIsTexture(second));
    EXPECT_NE(t.GetRGBAPixels(), nullptr);  // pixels stay
    EXPECT_TRUE(t.Release());
    EXPECT_TRUE(t.Release());
    EXPECT_GL_OK();
}

TEST_F(TextureUploadTest, RefusesImagesLargerThanTheDriverAllows)
{
    LogCapture log;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    ASSERT_GT(maxSize, 0);
    for (int wide = 0; wide < 2; ++wide) {
        cHx7PTexture t;
        ASSERT_TRUE(wide ? t.AllocateRGB(uint32_t(maxSize) + 1, 1) : t.AllocateRGB(1, uint32_t(maxSize) + 1));
        GLint before = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &before);
        EXPECT_FALSE(t.CreateGLTexture(true));
        EXPECT_EQ(t.GetTextureName(), 0u);
        GLint after = -2;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &after);
        EXPECT_EQ(before, after);
    }
    const std::string expected = "OpenGL - texture loading failed (texture size must be <= " +
                                 std::to_string(maxSize) + "x" + std::to_string(maxSize) + ")";
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0], expected);
    // Exactly the limit is accepted.
    cHx7PTexture atLimit;
    ASSERT_TRUE(atLimit.AllocateRGB(uint32_t(maxSize), 1));
    EXPECT_TRUE(atLimit.CreateGLTexture(false));
    EXPECT_GL_OK();
}
