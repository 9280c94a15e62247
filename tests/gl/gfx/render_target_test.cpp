// Off-screen render target: completeness, its colour texture, the window framebuffer after.
#include "gfx/render_target.h"

#include "gfx_gl_helpers.h"

using gfx_test::LogCapture;
using gridfall_test::GLTestContext;
using gridfall_test::GLTestFixture;

namespace {
class RenderTargetTest : public GLTestFixture {
protected:
    RenderTargetTest() : GLTestFixture(48, 32) {}
};

GLint BoundFramebuffer()
{
    GLint fb = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &fb);
    return fb;
}
}  // namespace

TEST_F(RenderTargetTest, CompletesStartsBlueAndHoldsWhatWasDrawn)
{
    LogCapture log;
    cHx7PRenderTarget target;
    ASSERT_TRUE(target.Init(48, 32));
    ASSERT_GL_OK();
    EXPECT_EQ(log.lines, std::vector<std::string>{"FBO status init: 8CD5"});
    EXPECT_EQ(BoundFramebuffer(), 0);
    EXPECT_FALSE(target.IsBound());

    cHx7PTexture* colour = target.GetColorTexture(0);
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(target.GetColorTexture(1), nullptr);
    EXPECT_EQ(target.GetColorTexture(7), nullptr);
    EXPECT_EQ(target.GetColorTexture(-1), nullptr);
    auto pixels = GLTestContext::ReadTexture(colour->GetTextureName());
    ASSERT_EQ(pixels.size(), 48u * 32u * 4u);
    EXPECT_EQ(gridfall_test::PackRGBA(&pixels[0]), 0x0000FFFFu);

    // Window cleared green, target cleared red: each keeps its own colour.
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    target.Bind();
    EXPECT_TRUE(target.IsBound());
    EXPECT_EQ(BoundFramebuffer(), GLint(target.GetFramebuffer()));
    glClearColor(1, 0, 0, 1);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The depth buffer works: a nearer quad in blue, then a farther one in white that loses.
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(0, 0, 1);
    glRectf(-0.5f, -0.5f, 0.5f, 0.5f);  // z = 0
    glBegin(GL_QUADS);
    glColor3f(1, 1, 1);
    glVertex3f(-1, -1, 0.5f);
    glVertex3f(1, -1, 0.5f);
    glVertex3f(1, 1, 0.5f);
    glVertex3f(-1, 1, 0.5f);
    glEnd();
    glDisable(GL_DEPTH_TEST);
    EXPECT_EQ(GLTestContext::PixelAt(24, 16), 0x0000FFFFu);
    EXPECT_EQ(GLTestContext::PixelAt(1, 1), 0xFFFFFFFFu);
    target.Unbind();
    EXPECT_EQ(BoundFramebuffer(), 0);
    EXPECT_FALSE(target.IsBound());
    glColor3f(1, 1, 1);

    pixels = GLTestContext::ReadTexture(colour->GetTextureName());
    EXPECT_EQ(gridfall_test::PackRGBA(&pixels[(16 * 48 + 24) * 4]), 0x0000FFFFu);
    EXPECT_EQ(gridfall_test::PackRGBA(&pixels[(1 * 48 + 1) * 4]), 0xFFFFFFFFu);
    EXPECT_EQ(GLTestContext::PixelAt(24, 16), 0x00FF00FFu);
    EXPECT_GL_OK();

    const GLuint fb = target.GetFramebuffer(), depth = target.GetDepthRenderbuffer();
    const GLuint tex = colour->GetTextureName();
    target.Release();
    EXPECT_EQ(target.GetFramebuffer(), 0u);
    EXPECT_EQ(target.GetDepthRenderbuffer(), 0u);
    EXPECT_EQ(colour->GetTextureName(), 0u);
    EXPECT_FALSE(glIsTexture(tex));
    auto isFramebuffer = reinterpret_cast<PFNGLISFRAMEBUFFEREXTPROC>(SDL_GL_GetProcAddress("glIsFramebufferEXT"));
    auto isRenderbuffer = reinterpret_cast<PFNGLISRENDERBUFFEREXTPROC>(SDL_GL_GetProcAddress("glIsRenderbufferEXT"));
    EXPECT_FALSE(isFramebuffer(fb));
    EXPECT_FALSE(isRenderbuffer(depth));
    target.Release();
    EXPECT_GL_OK();
}

TEST_F(RenderTargetTest, IncompleteTargetReportsItsStatusAndLeavesTheWindowBound)
{
    LogCapture log;
    cHx7PRenderTarget target;
    EXPECT_FALSE(target.Init(0, 0));  // zero-sized attachments cannot complete
    gridfall_test::DrainGLErrors();
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind("FBO status init: ", 0), 0u);
    EXPECT_EQ(log.lines[0].size(), std::string("FBO status init: 8CD5").size());
    EXPECT_NE(log.lines[0], "FBO status init: 8CD5");
    EXPECT_EQ(BoundFramebuffer(), 0);
    EXPECT_NE(target.GetFramebuffer(), 0u);  // kept until Release
    target.Release();
    EXPECT_GL_OK();
}

TEST_F(RenderTargetTest, ReleaseWithoutInitAndReInit)
{
    cHx7PRenderTarget never;
    never.Release();
    never.Release();
    EXPECT_EQ(never.GetColorTexture(0), nullptr);

    cHx7PRenderTarget target;
    ASSERT_TRUE(target.Init(16, 16));
    const GLuint firstTexture = target.GetColorTexture(0)->GetTextureName();
    ASSERT_TRUE(target.Init(32, 8));  // a new size needs new objects; the old ones go
    EXPECT_FALSE(glIsTexture(firstTexture) && firstTexture != target.GetColorTexture(0)->GetTextureName());
    EXPECT_EQ(target.GetColorTexture(0)->GetWidth(), 32u);

    cHx7PRenderTarget moved(std::move(target));
    EXPECT_EQ(target.GetFramebuffer(), 0u);
    EXPECT_NE(moved.GetFramebuffer(), 0u);
    EXPECT_EQ(target.GetColorTexture(0), nullptr);
    EXPECT_NE(moved.GetColorTexture(0), nullptr);
    EXPECT_GL_OK();
}
