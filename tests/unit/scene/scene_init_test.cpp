// The scene's API-independent set-up: forced benchmark settings, GPU records, matrices, the
// images in their slots and decoding failures, the sphere, pause bookkeeping, and release.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/message_box.h"
#include "core/startup_options.h"
#include "gfx/gl_context.h"
#include "gfx/mesh.h"
#include "gfx/texture.h"
#include "scene/demo.h"
#include "scene/demo_opengl4.h"
#include "scene/scene_assets.h"

std::span<const unsigned char> FindSceneResource(std::string_view baseName);

namespace {

// The base class with the GL-side slots left empty.
class CpuOnlyScene : public cHx7PDemo {
public:
    void RenderFrame(float) override {}
    void Begin2D(int, int, float, float) override {}
    void End2D() override {}
    void DrawGraphStrip(unsigned) override {}
    void DrawOverlayLine(const float*, const float*, const float*, const float*, float, int,
                         unsigned short) override {}
    using cHx7PDemo::BuildMatrices;
};

class RecordingSink : public MessageBoxSink {
public:
    void Show(MessageKind, const char*, const char* text) override { texts.emplace_back(text); }
    std::vector<std::string> texts;
};

// Bytes that are not an image, and the names that get them.
const unsigned char kGarbage[] = {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'};
std::vector<std::string> g_broken;
std::span<const unsigned char> BreakingLookup(std::string_view name)
{
    for (const std::string& b : g_broken)
        if (name == b)
            return kGarbage;
    return FindSceneResource(name);
}

class SceneInit : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = g_startup_options;
        g_startup_options.active_run_mode = 2;
        g_startup_options.map_set = 0;
        g_startup_options.tess_level = 8.0f;
        std::memset(g_startup_options.image_paths, 0, sizeof g_startup_options.image_paths);
        SetMessageBoxSink(&sink_);
        g_broken.clear();
        SetSceneResourceLookup(&BreakingLookup);
    }
    void TearDown() override
    {
        SetSceneResourceLookup(nullptr);
        SetMessageBoxSink(nullptr);
        g_startup_options = saved_;
    }

    RecordingSink sink_;
    StartupOptions saved_;
};

TEST_F(SceneInit, BenchmarkRunForcesItsSettingsAndDemoRunKeepsThem)
{
    StartupOptions& o = g_startup_options;
    o.log_temperature = 1;
    o.gpuz_polling = 1;
    o.gl3_core_profile = 1;
    o.hud_visible = 0;
    {
        CpuOnlyScene demo;
        ASSERT_TRUE(demo.Initialize(nullptr, 64, 48));
        EXPECT_EQ(o.log_temperature.get(), 1);
        EXPECT_EQ(o.gpuz_polling.get(), 1);
        EXPECT_EQ(o.gl3_core_profile.get(), 1);
        EXPECT_EQ(o.hud_visible.get(), 0);
        demo.Terminate();
    }
    o.active_run_mode = 1;
    CpuOnlyScene bench;
    ASSERT_TRUE(bench.Initialize(nullptr, 64, 48));
    EXPECT_EQ(o.log_temperature.get(), 0);
    EXPECT_EQ(o.gpuz_polling.get(), 0);
    EXPECT_EQ(o.gl3_core_profile.get(), 0);
    EXPECT_EQ(o.hud_visible.get(), 1);
    bench.Terminate();
}

TEST_F(SceneInit, SceneValuesCameraAndMatrices)
{
    g_startup_options.tess_level = 16.0f;
    g_startup_options.tess_level_inner = 3.0f;
    CpuOnlyScene demo;
    ASSERT_TRUE(demo.Initialize(nullptr, 320, 240));
    const StartupOptions& o = g_startup_options;
    EXPECT_EQ(o.tess_level_inner, 16.0f);
    EXPECT_EQ(o.tess_level_outer, 16.0f);
    EXPECT_EQ(o.uv_scale, 4.0f);
    EXPECT_EQ(o.bump_scale, 0.5f);
    const float camera[4] = {0, 0, 4, 1};
    EXPECT_EQ(std::memcmp(demo.cameraPosition, camera, sizeof camera), 0);
    EXPECT_EQ(std::memcmp(o.camera_position, camera, sizeof camera), 0);
    EXPECT_EQ(demo.projection, MatSceneProjection(320, 240));
    EXPECT_EQ(demo.overlayProjection, MatOverlayProjection());
    EXPECT_FLOAT_EQ(demo.view[14], -4.0f);
    EXPECT_EQ(demo.worldViewProjection, MatMultiply(demo.projection, demo.view));
    EXPECT_EQ(demo.lastPollTime, -3.0f);
    EXPECT_EQ(demo.pollClock, 0.0f);
    EXPECT_FALSE(demo.gpuzAvailable);
    EXPECT_EQ(demo.progressWidth, 0.0f);
    EXPECT_NE(demo.renderContext, nullptr);
    EXPECT_FALSE(demo.renderContext->initialized);
    EXPECT_EQ(demo.gpuRecords.size(), demo.gpuCount);
    EXPECT_EQ(demo.temperatureHistory.size(), demo.gpuCount);
    EXPECT_EQ(demo.graphExtremes.size(), demo.gpuCount);
    demo.Terminate();
}

TEST_F(SceneInit, ZeroHeightUsesAspectOne)
{
    CpuOnlyScene demo;
    ASSERT_TRUE(demo.Initialize(nullptr, 640, 0));
    EXPECT_NEAR(demo.projection[0], 1.7320508f, 1e-5f);
    EXPECT_NEAR(demo.projection[5], 1.7320508f, 1e-5f);
    demo.Terminate();
}

TEST_F(SceneInit, ImagesFillTheirSlotsForEveryMapSet)
{
    for (int set = 0; set < 4; ++set) {
        SCOPED_TRACE(set);
        g_startup_options.map_set = set;
        CpuOnlyScene demo;
        ASSERT_TRUE(demo.Initialize(nullptr, 64, 48));
        const unsigned mapSize = set == 3 ? 1024u : 512u;
        for (int slot : {kTexDiffuse, kTexBump, kTexNormal}) {
            ASSERT_NE(demo.textures[slot], nullptr) << slot;
            EXPECT_EQ(demo.textures[slot]->GetWidth(), mapSize);
            EXPECT_EQ(demo.textures[slot]->GetHeight(), mapSize);
        }
        ASSERT_NE(demo.textures[kTexBackground], nullptr);
        EXPECT_EQ(demo.textures[kTexBackground]->GetWidth(), 512u);
        ASSERT_NE(demo.textures[kTexSmallLogo], nullptr);
        EXPECT_EQ(demo.textures[kTexSmallLogo]->GetWidth(), 150u);
        EXPECT_EQ(demo.textures[kTexSmallLogo]->GetHeight(), 148u);
        ASSERT_NE(demo.textures[kTexApiLogo], nullptr);
        EXPECT_EQ(demo.textures[kTexApiLogo]->GetWidth(), 256u);
        EXPECT_EQ(demo.textures[kTexApiLogo]->GetHeight(), 128u);
        for (int spare : {kTexSpare3, kTexSpare5, kTexSpare7, kTexSpare8})
            EXPECT_EQ(demo.textures[spare], nullptr);
        if (set == 1) {
            // One image serves as colour and height.
            const cHx7PTexture& d = *demo.textures[kTexDiffuse];
            const cHx7PTexture& b = *demo.textures[kTexBump];
            ASSERT_NE(d.GetRGBPixels(), nullptr);
            ASSERT_NE(b.GetRGBPixels(), nullptr);
            EXPECT_EQ(std::memcmp(d.GetRGBPixels(), b.GetRGBPixels(), size_t(512) * 512 * 3), 0);
        }
        demo.Terminate();
    }
    EXPECT_TRUE(sink_.texts.empty());
}

TEST_F(SceneInit, SmallLogoSurroundBecomesTransparent)
{
    CpuOnlyScene demo;
    ASSERT_TRUE(demo.Initialize(nullptr, 64, 48));
    const cHx7PTexture& logo = *demo.textures[kTexSmallLogo];
    ASSERT_NE(logo.GetRGBAPixels(), nullptr);
    EXPECT_EQ(logo.GetRGBPixels(), nullptr);
    // The corner lies in the black surround; the centre is drawn content.
    const unsigned char* corner = logo.GetRGBAPixels();
    EXPECT_LT(corner[3], 4);
    int opaque = 0;
    for (size_t i = 0; i < size_t(150) * 148; ++i)
        opaque += logo.GetRGBAPixels()[i * 4 + 3] == 255;
    EXPECT_GT(opaque, 1000);
    demo.Terminate();
}

TEST_F(SceneInit, TheSphereIsTheThirtyByThirtyBall)
{
    CpuOnlyScene demo;
    ASSERT_TRUE(demo.Initialize(nullptr, 64, 48));
    ASSERT_NE(demo.sphereMesh, nullptr);
    const cHx7PMesh& m = *demo.sphereMesh;
    EXPECT_STREQ(m.GetName(), "VazadUdoz");
    EXPECT_EQ(m.GetVertexCount(), 961u);
    EXPECT_EQ(m.GetTriangleCount(), 1800u);
    // Every vertex lies on the radius-2 sphere.
    for (uint32_t v = 0; v < m.GetVertexCount(); ++v) {
        const float* p = &m.GetArray(cHx7PMesh::kPositions)[v * 4];
        EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 4.0f, 1e-4f) << v;
    }
    ASSERT_NE(demo.texturedQuad, nullptr);
    ASSERT_NE(demo.colorQuad, nullptr);
    EXPECT_EQ(demo.texturedQuad->GetTriangleCount(), 2u);
    demo.Terminate();
}

TEST_F(SceneInit, FailingMapStopsDecodingWithItsMessage)
{
    struct Case {
        const char* broken;
        const char* message;
        int firstMissing;   // slot that must stay empty after the failure
    } cases[] = {
        {"set1_diffuse.jpg", "Diffuse map loading failed", kTexDiffuse},
        {"set1_bump.jpg", "Bump map loading failed", kTexBump},
        {"set1_normal.jpg", "Normal map loading failed", kTexNormal},
        {"logo_small.jpg", "Texture 03 loading failed", kTexSmallLogo},
        {"api_badge.jpg", "OpenGL logo loading failed", kTexApiLogo},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.broken);
        g_broken = {c.broken};
        sink_.texts.clear();
        CpuOnlyScene demo;
        EXPECT_FALSE(demo.Initialize(nullptr, 64, 48));
        ASSERT_EQ(sink_.texts.size(), 1u);
        EXPECT_EQ(sink_.texts[0], c.message);
        EXPECT_EQ(demo.textures[c.firstMissing], nullptr);
        if (c.firstMissing == kTexDiffuse) {
            EXPECT_EQ(demo.textures[kTexBump], nullptr);
            EXPECT_EQ(demo.textures[kTexSmallLogo], nullptr);
        }
        // No sphere is built after a failed image.
        EXPECT_EQ(demo.sphereMesh, nullptr);
        demo.Terminate();
    }
}

TEST_F(SceneInit, UnknownMapSetFailsAtTheDiffuseMap)
{
    g_startup_options.map_set = 4;
    CpuOnlyScene demo;
    EXPECT_FALSE(demo.Initialize(nullptr, 64, 48));
    ASSERT_EQ(sink_.texts.size(), 1u);
    EXPECT_EQ(sink_.texts[0], "Diffuse map loading failed");
    demo.Terminate();
}

TEST_F(SceneInit, MissingBackgroundIsNoError)
{
    g_broken = {"background.jpg"};
    CpuOnlyScene demo;
    EXPECT_TRUE(demo.Initialize(nullptr, 64, 48));
    EXPECT_EQ(demo.textures[kTexBackground], nullptr);
    EXPECT_TRUE(sink_.texts.empty());
    demo.Terminate();
}

TEST_F(SceneInit, BackgroundFileReplacesTheEmbeddedImage)
{
    // A readable image file named as the background wins; a bad path falls back.
    const std::string path = std::string(GRIDFALL_SOURCE_DIR) + "/scene/assets/api_badge.jpg";
    std::snprintf(g_startup_options.image_paths[0], 1024, "%s", path.c_str());
    CpuOnlyScene demo;
    ASSERT_TRUE(demo.Initialize(nullptr, 64, 48));
    ASSERT_NE(demo.textures[kTexBackground], nullptr);
    EXPECT_EQ(demo.textures[kTexBackground]->GetWidth(), 256u);
    demo.Terminate();

    std::snprintf(g_startup_options.image_paths[0], 1024, "/nonexistent/background.png");
    CpuOnlyScene fallback;
    ASSERT_TRUE(fallback.Initialize(nullptr, 64, 48));
    EXPECT_EQ(fallback.textures[kTexBackground]->GetWidth(), 512u);
    fallback.Terminate();
}

TEST_F(SceneInit, GlSceneReportsTheBaseFailureAndCleansUp)
{
    g_broken = {"set1_diffuse.jpg"};
    cHx7PDemo_OpenGL_4 demo;
    EXPECT_EQ(demo.apiCode, 4);
    EXPECT_FALSE(demo.Initialize(nullptr, 64, 48));
    ASSERT_EQ(sink_.texts.size(), 2u);
    EXPECT_EQ(sink_.texts[0], "Diffuse map loading failed");
    EXPECT_EQ(sink_.texts[1], "OpenGL initialization failed!");
    EXPECT_STREQ(demo.apiName, "OpenGL 4");
    // Initialize has terminated the scene already; the caller's Terminate is harmless.
    EXPECT_EQ(demo.renderContext, nullptr);
    demo.Terminate();
    demo.Terminate();
    demo.RenderFrame(0.016f);   // no context: nothing happens
    EXPECT_EQ(demo.time, 0.0f);
}

TEST_F(SceneInit, TerminateReleasesOnce)
{
    CpuOnlyScene demo;
    ASSERT_TRUE(demo.Initialize(nullptr, 64, 48));
    demo.Terminate();
    EXPECT_EQ(demo.renderContext, nullptr);
    EXPECT_EQ(demo.sphereMesh, nullptr);
    EXPECT_EQ(demo.textures[kTexDiffuse], nullptr);
    EXPECT_EQ(demo.hudFont, nullptr);
    demo.Terminate();
}

TEST_F(SceneInit, PauseAccountsForThePausedSpan)
{
    CpuOnlyScene demo;
    demo.time = 10.0f;
    demo.TogglePause();
    demo.ApplyPauseRequests();
    EXPECT_TRUE(demo.paused);
    EXPECT_EQ(demo.pauseStart, 10.0f);
    demo.time = 13.5f;
    demo.TogglePause();
    demo.ApplyPauseRequests();
    EXPECT_FALSE(demo.paused);
    EXPECT_EQ(demo.pauseEnd, 13.5f);
    EXPECT_EQ(demo.pausedTotal, 3.5f);
    // Two presses between frames cancel out without adding a paused span.
    demo.TogglePause();
    demo.TogglePause();
    demo.ApplyPauseRequests();
    EXPECT_FALSE(demo.paused);
    EXPECT_EQ(demo.pausedTotal, 3.5f);
}

}  // namespace
