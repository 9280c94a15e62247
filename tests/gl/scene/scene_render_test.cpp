// The OpenGL 4 scene on a real (software) context: initialisation, the tessellated primitive
// count, and what the frame shows.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/gnu_options.h"
#include "core/log_file.h"
#include "core/message_box.h"
#include "core/machine_records.h"
#include "run/run_state.h"
#include "core/startup_options.h"
#include "app/validate.h"
#include "gfx/bitmap_font.h"
#include "gfx/gl_context.h"
#include "gfx/gl_debug.h"
#include "gfx/gl_procs.h"
#include "gfx/gpu_program.h"
#include "gfx/mesh.h"
#include "gfx/render_target.h"
#include "gfx/texture.h"
#include "scene/demo_opengl4.h"
#include "scene/scene_assets.h"
#include "scene/tessellation.h"
#include "support/gl_test_context.h"

namespace {

using gridfall_test::GLTestContext;

constexpr int kWidth = 320;
constexpr int kHeight = 240;

class RecordingSink : public MessageBoxSink {
public:
    void Show(MessageKind, const char*, const char* text) override { texts.emplace_back(text); }
    std::vector<std::string> texts;
};

using Image = std::vector<unsigned char>;

RgbImage ToRgb(const Image& rgba)
{
    RgbImage out;
    out.width = kWidth;
    out.height = kHeight;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4)
        out.rgb.insert(out.rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    return out;
}

uint32_t Pixel(const Image& img, int x, int y)
{
    return gridfall_test::PackRGBA(&img[(size_t(y) * kWidth + x) * 4]);
}

// Bounding box of the pixels that differ between two frames; false when none do.
struct Box {
    int x0 = kWidth, y0 = kHeight, x1 = -1, y1 = -1;
};
bool DiffBox(const Image& a, const Image& b, Box* box)
{
    Box r;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (Pixel(a, x, y) != Pixel(b, x, y)) {
                r.x0 = std::min(r.x0, x); r.y0 = std::min(r.y0, y);
                r.x1 = std::max(r.x1, x); r.y1 = std::max(r.y1, y);
            }
    if (box)
        *box = r;
    return r.x1 >= 0;
}

class SceneGL : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = g_startup_options;
        savedAutomation_ = g_automation_options;
        StartupOptions& o = g_startup_options;
        o.active_run_mode = 2;     // stability test: no warm-up bar, keys active
        o.map_set = 0;
        o.tess_level = 2.0f;
        o.hud_visible = 0;
        o.render_post_fx = 0;
        o.post_fx_index = 0;
        o.gl3_core_profile = 0;
        std::snprintf(o.aa_mode, sizeof o.aa_mode, "Off");
        SetMessageBoxSink(&sink_);
    }
    void TearDown() override
    {
        if (scene_) {
            scene_->Terminate();
            scene_.reset();
        }
        if (window_)
            SDL_DestroyWindow(window_);
        SetMessageBoxSink(nullptr);
        SetGLDebugListener(nullptr);
        g_startup_options = saved_;
        g_automation_options = savedAutomation_;
    }

    // A window as the render window makes it, and the scene initialised on it.
    bool Start()
    {
        {
            // The shared test context pins SDL video and the GL library for the process. It
            // must be gone before the scene makes its own context current: its destructor
            // releases the current context and clears the entry-point table.
            GLTestContext pin(8, 8);
            if (!pin.Ok()) {
                ADD_FAILURE() << pin.Error();
                return false;
            }
        }
        PrepareWindowPixelFormat(g_startup_options.aa_mode);
        window_ = SDL_CreateWindow("gridfall-scene-test", SDL_WINDOWPOS_UNDEFINED,
                                   SDL_WINDOWPOS_UNDEFINED, kWidth, kHeight,
                                   SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window_) {
            ADD_FAILURE() << SDL_GetError();
            return false;
        }
        scene_ = std::make_unique<cHx7PDemo_OpenGL_4>();
        return scene_->Initialize(window_, kWidth, kHeight);
    }

    void Stop()
    {
        if (scene_) {
            scene_->Terminate();
            scene_.reset();
        }
        if (window_)
            SDL_DestroyWindow(window_);
        window_ = nullptr;
    }

    Image Frame(float dt = 0.0f)
    {
        scene_->DrawFrame(dt);
        glFinish();
        return GLTestContext::ReadPixels(0, 0, kWidth, kHeight);
    }

    RecordingSink sink_;
    StartupOptions saved_;
    AutomationOptions savedAutomation_;
    SDL_Window* window_ = nullptr;
    std::unique_ptr<cHx7PDemo_OpenGL_4> scene_;
};

TEST_F(SceneGL, InitializeBuildsTheGLSideAndReportsTheContext)
{
    const std::string logPath = std::filesystem::current_path().string() + "/gl_scene_init_log.txt";
    const std::string oldName = ProgramLog().FileName();
    ProgramLog().SetFileName(logPath);
    ProgramLog().Open();
    const bool ok = Start();
    ProgramLog().Close();
    ProgramLog().SetFileName(oldName);
    ASSERT_TRUE(ok) << (sink_.texts.empty() ? "" : sink_.texts.back());
    EXPECT_TRUE(sink_.texts.empty());
    EXPECT_EQ(std::strncmp(scene_->apiName, "OpenGL 4.", 9), 0) << scene_->apiName;
    EXPECT_EQ(scene_->apiCode, 4);
    EXPECT_NE(scene_->tessProgram, nullptr);
    EXPECT_NE(scene_->texturedProgram, nullptr);
    EXPECT_NE(scene_->colorProgram, nullptr);
    EXPECT_GE(scene_->tessPositionLoc, 0);
    EXPECT_GE(scene_->tessNormalLoc, 0);
    EXPECT_GE(scene_->tessUVLoc, 0);
    EXPECT_GE(scene_->texturedPositionLoc, 0);
    EXPECT_GE(scene_->texturedUVLoc, 0);
    EXPECT_GE(scene_->colorPositionLoc, 0);
    for (int slot : {kTexDiffuse, kTexBump, kTexNormal, kTexBackground, kTexSmallLogo, kTexApiLogo})
        EXPECT_NE(scene_->textures[slot]->GetTextureName(), 0u) << slot;
    EXPECT_EQ(g_system_info.scene_width, kWidth);
    EXPECT_EQ(g_system_info.scene_height, kHeight);
    // llvmpipe is the driver that needs the sphere split into draws, but level 2 fits one.
    EXPECT_GE(scene_->maxPatchesPerDraw, 1800u);

    std::ifstream in(logPath);
    std::stringstream log;
    log << in.rdbuf();
    EXPECT_NE(log.str().find(" context with compatibility profile init ok."), std::string::npos)
        << log.str();
    EXPECT_NE(log.str().find("OpenGL 4 VAO (Vertex Array Objects) supported. VAO will be used "
                             "for mesh rendering."),
              std::string::npos);
    std::remove(logPath.c_str());

    Frame(0.016f);
    EXPECT_GL_OK();
}

TEST_F(SceneGL, TessellatedPrimitiveCountMatchesTheLevel)
{
    ASSERT_TRUE(Start());
    auto genQueries = reinterpret_cast<PFNGLGENQUERIESPROC>(SDL_GL_GetProcAddress("glGenQueries"));
    auto beginQuery = reinterpret_cast<PFNGLBEGINQUERYPROC>(SDL_GL_GetProcAddress("glBeginQuery"));
    auto endQuery = reinterpret_cast<PFNGLENDQUERYPROC>(SDL_GL_GetProcAddress("glEndQuery"));
    auto getResult = reinterpret_cast<PFNGLGETQUERYOBJECTUIVPROC>(
        SDL_GL_GetProcAddress("glGetQueryObjectuiv"));
    auto deleteQueries =
        reinterpret_cast<PFNGLDELETEQUERIESPROC>(SDL_GL_GetProcAddress("glDeleteQueries"));
    ASSERT_TRUE(genQueries && beginQuery && endQuery && getResult && deleteQueries);
    GLuint query = 0;
    genQueries(1, &query);

    auto count = [&](float level, uint32_t patchesPerDraw) {
        g_startup_options.tess_level_inner = level;
        g_startup_options.tess_level_outer = level;
        scene_->maxPatchesPerDraw = patchesPerDraw;
        beginQuery(GL_PRIMITIVES_GENERATED, query);
        scene_->DrawSphere();
        endQuery(GL_PRIMITIVES_GENERATED);
        GLuint n = 0;
        getResult(query, GL_QUERY_RESULT, &n);
        return n;
    };
    for (float level : {2.0f, 4.0f, 6.0f}) {
        const GLuint expected = GLuint(1.5f * level * level) * 1800u;
        EXPECT_EQ(count(level, 0), expected) << "level " << level;
        // Split into uneven chunks the draws still cover every patch exactly once.
        EXPECT_EQ(count(level, 7), expected) << "level " << level << " in chunks";
    }
    EXPECT_EQ(count(1.0f, 0), 1800u);
    deleteQueries(1, &query);
    EXPECT_GL_OK();
}

TEST_F(SceneGL, SphereInTheMiddleBackgroundAtTheCorners)
{
    ASSERT_TRUE(Start());
    const Image withSphere = Frame();
    scene_->ToggleTessellatedObject();
    const Image backgroundOnly = Frame();
    scene_->drawBackground = 0;
    const Image clearOnly = Frame();

    // The sphere covers the centre.
    for (auto [x, y] : {std::pair{160, 120}, {150, 110}, {170, 130}})
        EXPECT_NE(Pixel(withSphere, x, y), Pixel(backgroundOnly, x, y)) << x << "," << y;
    // The upper corners are clear of the sphere and the logos: background, not clear colour.
    for (auto [x, y] : {std::pair{2, kHeight - 3}, {kWidth - 3, kHeight - 3}}) {
        EXPECT_EQ(Pixel(withSphere, x, y), Pixel(backgroundOnly, x, y)) << x << "," << y;
        EXPECT_NE(Pixel(backgroundOnly, x, y), Pixel(clearOnly, x, y)) << x << "," << y;
    }
    // Without the background the frame clears to the clear colour (0.2 grey by default).
    const uint32_t grey = Pixel(clearOnly, 2, kHeight - 3);
    EXPECT_NEAR(int(grey >> 24), 51, 1);
    EXPECT_NEAR(int((grey >> 16) & 0xFF), 51, 1);
    EXPECT_NEAR(int((grey >> 8) & 0xFF), 51, 1);
    // The background was drawn once into its layer and every frame since shows the layer;
    // drawing the image into the frame itself gives the same bytes.
    EXPECT_EQ(scene_->backgroundLayer.Redraws(), 1u);
    scene_->drawBackground = 1;
    scene_->copyBackground = 0;
    scene_->ToggleTessellatedObject();
    Box box;
    EXPECT_FALSE(DiffBox(Frame(), withSphere, &box))
        << "copied and drawn backgrounds differ in " << box.x0 << "," << box.y0 << " - " << box.x1
        << "," << box.y1;
    EXPECT_GL_OK();
}

TEST_F(SceneGL, LogosStayInsideTheirViewports)
{
    ASSERT_TRUE(Start());
    const Image full = Frame();

    scene_->textures[kTexSmallLogo].reset();
    const Image noSmallLogo = Frame();
    Box box;
    ASSERT_TRUE(DiffBox(full, noSmallLogo, &box));
    EXPECT_GE(box.x0, 0);
    EXPECT_LT(box.x1, 150);
    EXPECT_LT(box.y1, 150);

    scene_->textures[kTexApiLogo].reset();
    const Image noLogos = Frame();
    ASSERT_TRUE(DiffBox(noSmallLogo, noLogos, &box));
    EXPECT_GE(box.x0, kWidth - 128);
    EXPECT_GE(box.y0, 15);
    EXPECT_LT(box.y1, 15 + 64);
    EXPECT_GL_OK();
}

TEST_F(SceneGL, WireframeDiffersFromFill)
{
    ASSERT_TRUE(Start());
    const Image fill = Frame();
    scene_->ToggleWireframe();
    const Image wire = Frame();
    Box box;
    ASSERT_TRUE(DiffBox(fill, wire, &box));
    // Only the sphere changes: the corners keep the background.
    EXPECT_EQ(Pixel(fill, 2, kHeight - 3), Pixel(wire, 2, kHeight - 3));
    EXPECT_GL_OK();
}

TEST_F(SceneGL, PauseFreezesThePictureAndResumeMovesOn)
{
    ASSERT_TRUE(Start());
    const Image a = Frame(0.5f);
    const Image b = Frame(0.5f);
    EXPECT_TRUE(DiffBox(a, b, nullptr)) << "the sphere rocks while running";

    scene_->TogglePause();
    const Image p1 = Frame(0.5f);
    const Image p2 = Frame(0.7f);
    EXPECT_FALSE(DiffBox(p1, p2, nullptr)) << "paused frames must match";
    EXPECT_TRUE(scene_->paused);

    scene_->TogglePause();
    const Image r = Frame(0.5f);
    EXPECT_FALSE(scene_->paused);
    EXPECT_NEAR(scene_->pausedTotal, 1.2f, 1e-4f);
    EXPECT_TRUE(DiffBox(p2, r, nullptr));
    EXPECT_GL_OK();
}

TEST_F(SceneGL, HiddenObjectLeavesOnlyTheStillBackground)
{
    ASSERT_TRUE(Start());
    const Image withSphere = Frame(0.0f);
    scene_->ToggleTessellatedObject();
    const Image a = Frame(0.4f);
    const Image b = Frame(0.9f);
    EXPECT_FALSE(DiffBox(a, b, nullptr)) << "nothing moves without the sphere";
    EXPECT_TRUE(DiffBox(withSphere, a, nullptr));
    // Same as a frame whose sphere draw was never attempted.
    scene_->tessProgram.reset();
    scene_->ToggleTessellatedObject();
    const Image noProgram = Frame(0.3f);
    EXPECT_FALSE(DiffBox(a, noProgram, nullptr));
    EXPECT_GL_OK();
}

TEST_F(SceneGL, CheckFramesAreTheSameBytesAtAnyMomentAndLeaveTheRunningPictureAlone)
{
    ASSERT_TRUE(Start());
    Frame(0.3f);
    CheckImage first;
    ASSERT_TRUE(scene_->RenderCheckFrame(first));
    ASSERT_EQ(first.rgba.size(), size_t(kCheckFrameSize) * kCheckFrameSize * 4);
    // The sphere is in it: the centre is not the clear colour of the corner.
    const size_t centre = (size_t(kCheckFrameSize / 2) * kCheckFrameSize + kCheckFrameSize / 2) * 4;
    EXPECT_NE(std::memcmp(&first.rgba[centre], &first.rgba[0], 4), 0);

    // Later, in wireframe and paused: the check frame is still the very same bytes.
    Frame(2.1f);
    scene_->ToggleWireframe();
    scene_->TogglePause();
    const Image before = Frame(0.4f);
    const float time = scene_->time;
    CheckImage second;
    ASSERT_TRUE(scene_->RenderCheckFrame(second));
    EXPECT_TRUE(first.rgba == second.rgba);
    // The run goes on where it was: same time, pose and switches, same next picture.
    EXPECT_EQ(scene_->time, time);
    EXPECT_EQ(scene_->wireframe.load(), 1);
    EXPECT_FALSE(DiffBox(before, Frame(0.0f), nullptr));
    EXPECT_GL_OK();
}

TEST_F(SceneGL, FourthMapSetOrbitsTheCamera)
{
    g_startup_options.map_set = 3;
    ASSERT_TRUE(Start());
    EXPECT_EQ(scene_->textures[kTexDiffuse]->GetWidth(), 1024u);
    Frame(20.0f);
    const float t = 20.0f * 0.05f;
    EXPECT_NEAR(scene_->cameraPosition[0], 3.0f * std::cos(t), 1e-4f);
    EXPECT_NEAR(scene_->cameraPosition[1], 3.3f * std::sin(2.0f * t), 1e-4f);
    EXPECT_NEAR(scene_->cameraPosition[2], 3.0f * std::sin(t), 1e-4f);
    // The orbit is the scene's own: the settings record keeps the camera Initialize set.
    EXPECT_EQ(g_startup_options.camera_position[1], 0.0f);
    EXPECT_EQ(scene_->world, MatRotation(90.0f, 0.0f, 0.0f));
    EXPECT_GL_OK();
}

TEST_F(SceneGL, BenchmarkProgressBarGrowsAfterTheWarmUp)
{
    g_startup_options.active_run_mode = 1;
    g_startup_options.active_time_based = 1;
    g_startup_options.active_duration_ms = 2000;
    g_startup_options.hud_visible = 0;
    ASSERT_TRUE(Start());
    g_startup_options.hud_visible = 0;   // the benchmark forced it on; keep the text away
    scene_->runFigures.warmupDone = false;
    const Image before = Frame(0.5f);
    EXPECT_EQ(scene_->progressWidth, 0.0f);
    scene_->runFigures.warmupDone = true;
    const Image during = Frame(0.5f);
    EXPECT_NEAR(scene_->progressWidth, kWidth / 2.0f * 0.5f, 1e-3f);
    // The bar band at the top changes; the bottom half does not depend on it.
    const int y = kHeight - 20;
    EXPECT_NE(Pixel(before, 10, y), Pixel(during, 10, y));
    EXPECT_GL_OK();
}

// The core path (core shader sources, vertex array objects, no fixed-function call) draws
// the picture the compatibility path draws.
TEST_F(SceneGL, CoreProfileRendersTheSameSphereAsCompatibility)
{
    ASSERT_TRUE(Start());
    ASSERT_FALSE(scene_->coreProfile);
    const Image compat = Frame(0.25f);
    Stop();

    g_startup_options.gl3_core_profile = 1;
    ASSERT_TRUE(Start()) << (sink_.texts.empty() ? "" : sink_.texts.back());
    ASSERT_TRUE(scene_->coreProfile) << "llvmpipe offers core-profile 4.5 contexts";
    EXPECT_TRUE(CurrentContextIsCore());
    EXPECT_NE(scene_->hudFont->GetAtlasTexture(), 0u) << "the HUD's font works in a core context";
    const Image core = Frame(0.25f);
    EXPECT_GL_OK();
    const ImageComparison c = CompareImages(ToRgb(core), ToRgb(compat), kDriverTolerance);
    EXPECT_TRUE(c.passed) << c.bad_fraction * 100.0 << "% differ, mean " << c.mean_error;
    // And it is the sphere, not two equally empty frames.
    scene_->ToggleTessellatedObject();
    const Image noSphere = Frame(0.0f);
    EXPECT_NE(Pixel(core, 160, 120), Pixel(noSphere, 160, 120));
}

// Every map set, every effect, multisampling on and off, both profiles, under the driver's
// debug output: no error message and nothing left in glGetError after any frame step. The
// combinations are spread over four runs per profile (llvmpipe renders on the CPU).
TEST_F(SceneGL, EveryConfigurationRendersWithoutGLErrors)
{
    std::vector<std::string> errors;
    SetGLDebugListener([&](const GLDebugMessage& m) {
        if (m.type == GL_DEBUG_TYPE_ERROR || m.severity == GL_DEBUG_SEVERITY_HIGH)
            errors.push_back(m.text);
    });
    g_automation_options.gl_debug = true;   // restored by TearDown
    struct Config {
        int mapSet;
        int postFx;
        const char* msaa;
    };
    const Config configs[] = {
        {0, 0, "Off"}, {1, 1, "4X MSAA"}, {2, 2, "Off"}, {3, 3, "4X MSAA"},
    };
    bool listenerHeard = false;
    for (int core = 0; core < 2; ++core) {
        for (const Config& c : configs) {
            SCOPED_TRACE(std::string(core ? "core" : "compatibility") + ", map set " +
                         std::to_string(c.mapSet + 1) + ", effect " + std::to_string(c.postFx) +
                         ", " + c.msaa);
            StartupOptions& o = g_startup_options;
            o.gl3_core_profile = core;
            o.map_set = c.mapSet;
            o.post_fx_index = c.postFx;
            o.render_post_fx = c.postFx != 0;
            std::snprintf(o.aa_mode, sizeof o.aa_mode, "%s", c.msaa);
            // The overlays draw in both profiles (a core one shows the HUD text alone).
            o.hud_visible = 1;
            o.render_general_indicators = 1;
            o.render_temp_graphs = 1;
            o.tess_level = 1.0f;
            ASSERT_TRUE(Start()) << (sink_.texts.empty() ? "" : sink_.texts.back());
            EXPECT_EQ(scene_->coreProfile, core != 0);
            // With an effect the scene is drawn into the target, which carries the MSAA level.
            ASSERT_NE(scene_->postFxTarget, nullptr);
            EXPECT_EQ(scene_->postFxTarget->GetSamples(),
                      c.postFx != 0 ? MultisampleSamplesForName(c.msaa) : 0);
            scene_->RenderFrame(0.5f);
            scene_->RenderFrame(0.6f);
            glFinish();
            EXPECT_EQ(scene_->glErrors.ErrorsSeen(), 0u);
            EXPECT_EQ(errors, std::vector<std::string>());
            errors.clear();
            if (!listenerHeard) {
                // The listener hears a real error, so silence above means no error.
                glEnable(0x1234);
                listenerHeard = !errors.empty();
                errors.clear();
                glGetError();
                ASSERT_TRUE(listenerHeard) << "the debug callback reported nothing";
            }
            Stop();
        }
    }
}

}  // namespace
