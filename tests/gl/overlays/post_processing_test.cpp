// The post-processing effects on llvmpipe: a scene drawn into the render target, the pass into
// the window, pixels read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "gfx/gpu_program.h"
#include "gfx/render_target.h"
#include "scene/matrices.h"
#include "scene/post_processing.h"
#include "support/gl_test_context.h"

using gridfall_test::GLTestContext;

namespace {

uint8_t R(uint32_t p) { return static_cast<uint8_t>(p >> 24); }
uint8_t G(uint32_t p) { return static_cast<uint8_t>(p >> 16); }
uint8_t B(uint32_t p) { return static_cast<uint8_t>(p >> 8); }

// The unit quad with texture coordinates, drawn from client memory-free buffers of its own so
// the pass is tested apart from the mesh class.
class UnitQuad {
public:
    UnitQuad()
    {
        const float data[] = {0, 0, 0, 1, 0, 0, 0, 1,  1, 0, 0, 1, 1, 0, 0, 1,
                              0, 1, 0, 1, 0, 1, 0, 1,  1, 1, 0, 1, 1, 1, 0, 1};
        Hx7PGLProcs.glGenBuffers(1, &vbo_);
        Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, vbo_);
        Hx7PGLProcs.glBufferData(GL_ARRAY_BUFFER, sizeof data, data, GL_STATIC_DRAW);
        Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, 0);
    }
    ~UnitQuad() { Hx7PGLProcs.glDeleteBuffers(1, &vbo_); }
    void Draw(int positionLoc, int uvLoc) const
    {
        Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, vbo_);
        const GLsizei stride = 8 * sizeof(float);
        if (positionLoc >= 0) {
            Hx7PGLProcs.glEnableVertexAttribArray(positionLoc);
            Hx7PGLProcs.glVertexAttribPointer(positionLoc, 4, GL_FLOAT, GL_FALSE, stride, nullptr);
        }
        if (uvLoc >= 0) {
            Hx7PGLProcs.glEnableVertexAttribArray(uvLoc);
            Hx7PGLProcs.glVertexAttribPointer(uvLoc, 4, GL_FLOAT, GL_FALSE, stride,
                                              reinterpret_cast<const void*>(4 * sizeof(float)));
        }
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        if (positionLoc >= 0)
            Hx7PGLProcs.glDisableVertexAttribArray(positionLoc);
        if (uvLoc >= 0)
            Hx7PGLProcs.glDisableVertexAttribArray(uvLoc);
        Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, 0);
    }

private:
    GLuint vbo_ = 0;
};

// Draws a scene with the fixed-function pipeline (compatibility context): clear colour and an
// optional white triangle in window pixels.
void DrawScene(int w, int h, float r, float g, float b, const float* tri = nullptr)
{
    glViewport(0, 0, w, h);
    glDisable(GL_DEPTH_TEST);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (tri) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, w, 0, h, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor4f(1, 1, 1, 1);
        glBegin(GL_TRIANGLES);
        for (int i = 0; i < 3; ++i)
            glVertex2f(tri[2 * i], tri[2 * i + 1]);
        glEnd();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
    }
}

struct Pass {
    PostFxProgram fx;
    cHx7PRenderTarget target;
};

// Renders `scene` into a target, then the effect into the window.
template <class SceneFn>
void RenderThrough(GLTestContext& gl, PostFxKind kind, Pass& pass, SceneFn scene, int samples = 0)
{
    const int w = gl.Width(), h = gl.Height();
    std::string error;
    const Mat4 overlay = MatOverlayProjection();
    pass.fx = CreatePostFxProgram(kind, w, h, overlay.data(), &error);
    ASSERT_TRUE(pass.fx.program) << error;
    ASSERT_GE(pass.fx.positionLoc, 0);
    ASSERT_GE(pass.fx.uvLoc, 0);
    ASSERT_TRUE(pass.target.Init(w, h, samples));
    if (samples > 1) {
        ASSERT_EQ(pass.target.GetSamples(), samples);
    }
    pass.target.Bind();
    scene();
    pass.target.Unbind();
    UnitQuad quad;
    RunPostFxPass(*pass.fx.program, pass.target.GetColorTexture(0)->GetTextureName(), 1.5f, w, h,
                  [&] { quad.Draw(pass.fx.positionLoc, pass.fx.uvLoc); });
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_GL_OK();
}

}  // namespace

TEST(PostProcessing, SelectionAndSources)
{
    EXPECT_EQ(PostFxKindFor(0), PostFxKind::RadialBlurV1);   // "Off" still builds the v1 program
    EXPECT_EQ(PostFxKindFor(1), PostFxKind::RadialBlurV1);
    EXPECT_EQ(PostFxKindFor(2), PostFxKind::RadialBlurV2);
    EXPECT_EQ(PostFxKindFor(3), PostFxKind::Fxaa);
    EXPECT_EQ(PostFxKindFor(-1), PostFxKind::RadialBlurV1);
    EXPECT_EQ(PostFxKindFor(17), PostFxKind::RadialBlurV1);
    EXPECT_GE(kRadialBlurSamples, 1);
    EXPECT_LT(kRadialBlurScaleMul, 1.0f);
    EXPECT_GT(kRadialBlurScaleMul, 0.0f);
    EXPECT_FALSE(PostFxActive(false, true, true));
    EXPECT_FALSE(PostFxActive(true, false, true));
    EXPECT_FALSE(PostFxActive(true, true, false));
    EXPECT_TRUE(PostFxActive(true, true, true));
}

TEST(PostProcessing, EveryEffectCompilesAndLinks)
{
    GLTestContext gl(64, 48);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    for (PostFxKind kind : {PostFxKind::RadialBlurV1, PostFxKind::RadialBlurV2, PostFxKind::Fxaa}) {
        std::string error;
        const Mat4 overlay = MatOverlayProjection();
        PostFxProgram fx = CreatePostFxProgram(kind, 64, 48, overlay.data(), &error);
        EXPECT_TRUE(fx.program) << static_cast<int>(kind) << ": " << error;
        EXPECT_TRUE(error.empty());
    }
    EXPECT_GL_OK();
}

TEST(PostProcessing, RadialBlurSmearsOutwardFromTheCentre)
{
    GLTestContext gl(128, 128);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    Pass pass;
    // A white square of 40 px around the centre on black.
    RenderThrough(gl, PostFxKind::RadialBlurV1, pass, [] {
        DrawScene(128, 128, 0, 0, 0);
        glEnable(GL_SCISSOR_TEST);
        glScissor(44, 44, 40, 40);
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
    });
    // Inside the square every tap is pulled towards the centre and stays inside: white.
    EXPECT_GE(R(gl.PixelAt(64, 64)), 250);
    EXPECT_GE(R(gl.PixelAt(80, 64)), 250);
    // Just outside its right edge the inner taps reach into the square: a grey streak.
    const uint8_t streak = R(gl.PixelAt(88, 64));
    EXPECT_GT(streak, 20);
    EXPECT_LT(streak, 235);
    // Far out the taps stay on the black surroundings.
    EXPECT_LE(R(gl.PixelAt(125, 64)), 5);
    EXPECT_LE(R(gl.PixelAt(2, 2)), 5);
}

TEST(PostProcessing, RadialBlurV2RingIsGreyInsideAndOutsideKeepColour)
{
    GLTestContext gl(256, 256);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    Pass pass;
    RenderThrough(gl, PostFxKind::RadialBlurV2, pass, [] { DrawScene(256, 256, 1, 0, 0); });
    // Centre (blurred red) and corner (plain red) stay red after the tone curve.
    for (uint32_t p : {gl.PixelAt(128, 128), gl.PixelAt(3, 3), gl.PixelAt(252, 128)}) {
        EXPECT_GE(R(p), 250);
        EXPECT_LE(G(p), 5);
        EXPECT_LE(B(p), 5);
    }
    // The ring sits at 0.39 .. 0.394 of the width from the centre; along the middle row its
    // pixels are grey (equal channels) where the scene is pure red.
    int grey = 0;
    for (int x = 128; x < 256; ++x) {
        const uint32_t p = gl.PixelAt(x, 128);
        if (R(p) > 40 && R(p) == G(p) && G(p) == B(p))
            ++grey;
    }
    EXPECT_GE(grey, 1);
    EXPECT_LE(grey, 4);
}

TEST(PostProcessing, FxaaSoftensAHardEdge)
{
    GLTestContext gl(128, 128);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    const float tri[] = {0, 0, 128, 0, 0, 40};   // a shallow, aliased edge
    auto countSoft = [&] {
        int soft = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const uint8_t r = R(gl.PixelAt(x, y));
                soft += r > 10 && r < 245;
            }
        return soft;
    };
    // Without the pass the edge is pure black and white.
    DrawScene(128, 128, 0, 0, 0, tri);
    ASSERT_EQ(countSoft(), 0);

    Pass pass;
    RenderThrough(gl, PostFxKind::Fxaa, pass, [&] { DrawScene(128, 128, 0, 0, 0, tri); });
    EXPECT_GE(countSoft(), 60);   // one softened pixel per column along the edge, most columns
    // Away from the edge nothing changes.
    EXPECT_GE(R(gl.PixelAt(5, 3)), 250);
    EXPECT_LE(R(gl.PixelAt(100, 100)), 5);
}

// With multisampling the scene is drawn into a multisampled buffer and resolved before the
// effect: edges then come out close to their true coverage, closer than FXAA alone makes them.
TEST(PostProcessing, MultisampledTargetIsResolvedBeforeTheEffect)
{
    GLTestContext gl(128, 128);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    const float tri[] = {0, 0, 128, 0, 0, 40};
    // Mean distance (0..255) of the pixels along the edge from the triangle's exact coverage
    // of each pixel (16 x 16 points per pixel).
    auto edgeError = [&] {
        double sum = 0;
        int n = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 128; ++x) {
                int inside = 0;
                for (int sy = 0; sy < 16; ++sy)
                    for (int sx = 0; sx < 16; ++sx) {
                        const float px = x + (sx + 0.5f) / 16.0f, py = y + (sy + 0.5f) / 16.0f;
                        inside += py < 40.0f * (1.0f - px / 128.0f);
                    }
                const double coverage = inside / 256.0;
                if (coverage <= 0.0 || coverage >= 1.0)
                    continue;
                sum += std::abs(R(gl.PixelAt(x, y)) - 255.0 * coverage);
                ++n;
            }
        return n ? sum / n : 255.0;
    };
    DrawScene(128, 128, 0, 0, 0, tri);
    const double aliased = edgeError();

    Pass fxaaOnly;
    RenderThrough(gl, PostFxKind::Fxaa, fxaaOnly, [&] { DrawScene(128, 128, 0, 0, 0, tri); });
    const double fxaa = edgeError();

    Pass msaaFxaa;
    glEnable(GL_MULTISAMPLE);
    RenderThrough(gl, PostFxKind::Fxaa, msaaFxaa, [&] { DrawScene(128, 128, 0, 0, 0, tri); }, 4);
    const double msaa = edgeError();
    // Away from the edge the picture is the same.
    EXPECT_GE(R(gl.PixelAt(5, 3)), 250);
    EXPECT_LE(R(gl.PixelAt(100, 100)), 5);

    EXPECT_LT(fxaa, aliased);
    EXPECT_LT(msaa, fxaa * 0.75) << "aliased " << aliased << ", FXAA " << fxaa << ", 4X MSAA + FXAA " << msaa;
    EXPECT_GL_OK();
}
