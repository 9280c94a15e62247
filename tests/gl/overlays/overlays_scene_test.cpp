// The overlays inside the real OpenGL 4 scene: post-processing choices, the temperature graphs
// and the HUD, judged from the finished frame.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/message_box.h"
#include "run/run_state.h"
#include "core/startup_options.h"
#include "gfx/bitmap_font.h"
#include "gfx/gl_context.h"
#include "gfx/gpu_program.h"
#include "gfx/polyline.h"
#include "gfx/render_target.h"
#include "scene/demo_opengl4.h"
#include "scene/hud.h"
#include "scene/overlays.h"
#include "results/rgb_image.h"
#include "scene/temperature_graph.h"
#include "support/gl_test_context.h"

namespace {

using gridfall_test::GLTestContext;
using Image = std::vector<unsigned char>;

class QuietSink : public MessageBoxSink {
public:
    void Show(MessageKind, const char*, const char* text) override { texts.emplace_back(text); }
    std::vector<std::string> texts;
};

struct Rgba {
    int r, g, b, a;
};

class OverlaysGL : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = g_startup_options;
        StartupOptions& o = g_startup_options;
        o.active_run_mode = 2;
        o.map_set = 0;
        o.tess_level = 2.0f;
        o.hud_visible = 0;
        o.render_post_fx = 0;
        o.post_fx_index = 0;
        o.render_temp_graphs = 0;
        o.render_general_indicators = 0;
        o.gl3_core_profile = 0;
        o.gpuz_polling = 0;
        std::snprintf(o.aa_mode, sizeof o.aa_mode, "Off");
        SetMessageBoxSink(&sink_);
    }
    void TearDown() override
    {
        Stop();
        pin_.reset();
        SetMessageBoxSink(nullptr);
        g_startup_options = saved_;
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

    bool Start(int width, int height)
    {
        Stop();
        width_ = width;
        height_ = height;
        // Keeps SDL video and the GL library loaded. It lives as long as the test: destroying it
        // would leave no context current behind the scene's back.
        if (!pin_)
            pin_ = std::make_unique<GLTestContext>(8, 8);
        if (!pin_->Ok()) {
            ADD_FAILURE() << pin_->Error();
            return false;
        }
        PrepareWindowPixelFormat(g_startup_options.aa_mode);
        window_ = SDL_CreateWindow("gridfall-overlays-test", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                                   height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window_) {
            ADD_FAILURE() << SDL_GetError();
            return false;
        }
        scene_ = std::make_unique<cHx7PDemo_OpenGL_4>();
        const bool ok = scene_->Initialize(window_, width, height);
        if (!ok)
            ADD_FAILURE() << (sink_.texts.empty() ? "Initialize failed" : sink_.texts.back());
        // The tessellated sphere costs seconds a frame on llvmpipe; the textured background and
        // the logos give the effects enough detail to work on.
        scene_->draw_tessellated_object = 0;
        return ok;
    }

    Image Frame(float dt = 0.0f)
    {
        scene_->DrawFrame(dt);
        glFinish();
        return GLTestContext::ReadPixels(0, 0, width_, height_);
    }
    Rgba At(const Image& img, int x, int y) const   // origin bottom left
    {
        const unsigned char* p = &img[(static_cast<size_t>(y) * width_ + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    int CountWhere(const Image& img, int x0, int y0, int x1, int y1, bool (*pred)(Rgba)) const
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += pred(At(img, x, y));
        return n;
    }

    // Two GPUs with a few samples each, as the sensor poll leaves them.
    void FeedTwoGpus()
    {
        scene_->gpuCount = 2;
        scene_->gpuRecords.assign(2, cHx7PGpuRecord{});
        std::snprintf(scene_->gpuRecords[0].name, sizeof scene_->gpuRecords[0].name, "First");
        scene_->graphExtremes.assign(2, cHx7PGraphExtremes{});
        scene_->temperatureHistory.assign(2, {});
        for (int i = 0; i < 40; ++i) {
            scene_->temperatureHistory[0].push_back({40.0f + static_cast<float>(i % 5), 0, 0, static_cast<float>(i)});
            scene_->temperatureHistory[1].push_back({50.0f, 0, 0, static_cast<float>(i)});
        }
    }

    QuietSink sink_;
    StartupOptions saved_;
    std::unique_ptr<GLTestContext> pin_;
    SDL_Window* window_ = nullptr;
    std::unique_ptr<cHx7PDemo_OpenGL_4> scene_;
    int width_ = 0;
    int height_ = 0;
};

bool IsCurveGreen(Rgba p) { return p.g > 200 && p.r < 60 && p.b < 120; }
bool IsYellowText(Rgba p) { return p.r > 200 && p.g > 200 && p.b < 60; }

}  // namespace

TEST_F(OverlaysGL, OffKeepsTheTargetButLeavesTheFrameUnchanged)
{
    ASSERT_TRUE(Start(96, 72));
    ASSERT_NE(scene_->postFxTarget, nullptr);
    EXPECT_NE(scene_->postFxTarget->GetFramebuffer(), 0u);   // allocated
    ASSERT_NE(scene_->postFxProgram, nullptr);                // the v1 program is built for "Off" too
    EXPECT_FALSE(IsPostProcessingActive(*scene_));

    BeginPostProcessing(*scene_);
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_FALSE(scene_->postFxTarget->IsBound());

    const Image off = Frame();
    // The same frame with no post-processing objects at all.
    std::unique_ptr<cHx7PRenderTarget> target = std::move(scene_->postFxTarget);
    const Image none = Frame();
    scene_->postFxTarget = std::move(target);
    EXPECT_EQ(off, none);
    EXPECT_GL_OK();
}

TEST_F(OverlaysGL, EffectsChangeThePicture)
{
    ASSERT_TRUE(Start(96, 72));
    const Image plain = Frame();
    for (int index : {1, 2, 3}) {
        g_startup_options.post_fx_index = index;
        g_startup_options.render_post_fx = 1;
        ASSERT_TRUE(Start(96, 72)) << index;
        ASSERT_TRUE(IsPostProcessingActive(*scene_)) << index;
        const Image processed = Frame();
        EXPECT_NE(processed, plain) << "effect " << index;
        GLint bound = -1;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        EXPECT_EQ(bound, 0) << "the pass must leave the window bound";
        EXPECT_GL_OK();
    }
    // A benchmark-sized window makes FXAA's frame size the window size.
    EXPECT_EQ(scene_->postFxTarget->GetWidth(), 96u);
    EXPECT_EQ(scene_->postFxTarget->GetHeight(), 72u);
    ReleasePostProcessing(*scene_);
    EXPECT_EQ(scene_->postFxTarget, nullptr);
    EXPECT_EQ(scene_->postFxProgram, nullptr);
    EXPECT_FALSE(IsPostProcessingActive(*scene_));
}

TEST_F(OverlaysGL, GraphsDrawOnePerGpuTwoHundredPixelsApart)
{
    ASSERT_TRUE(Start(640, 480));
    scene_->drawBackground = 0;
    FeedTwoGpus();
    g_startup_options.hud_visible = 1;
    const Image noGraphs = Frame();
    g_startup_options.render_temp_graphs = 1;
    const Image graphs = Frame();
    EXPECT_GL_OK();

    ASSERT_NE(scene_->graphStrip, nullptr);
    EXPECT_TRUE(scene_->graphExtremes[0].started);
    EXPECT_FLOAT_EQ(scene_->graphExtremes[0].minimum, 40.0f);
    EXPECT_FLOAT_EQ(scene_->graphExtremes[0].maximum, 44.0f);   // newest sample: 40 + 39 % 5
    EXPECT_FLOAT_EQ(scene_->graphExtremes[1].maximum, 50.0f);

    // GPU 0's curve: base 20 px above the bottom, 2 px per degree above 20: rows 60..68.
    // GPU 1's flat curve at 50 degrees: 220 + 60 = row 280. The curve spans the first 40 of
    // 1000 steps of 320 px from x = 170.
    EXPECT_EQ(CountWhere(noGraphs, 160, 50, 190, 300, IsCurveGreen), 0);
    EXPECT_GT(CountWhere(graphs, 168, 56, 184, 72, IsCurveGreen), 5);
    EXPECT_GT(CountWhere(graphs, 168, 276, 184, 285, IsCurveGreen), 5);
    EXPECT_EQ(CountWhere(graphs, 168, 120, 184, 260, IsCurveGreen), 0);

    // Benchmark runs never show graphs.
    g_startup_options.active_run_mode = 1;
    EXPECT_EQ(CountWhere(Frame(), 160, 50, 190, 300, IsCurveGreen), 0);
}

TEST_F(OverlaysGL, HudTextAppearsOnlyWhenVisibleAndIndicatorsOn)
{
    ASSERT_TRUE(Start(320, 240));
    scene_->drawBackground = 0;
    auto titleRowYellow = [&](const Image& img) { return CountWhere(img, 10, 200, 300, 232, IsYellowText); };

    g_startup_options.hud_visible = 1;
    g_startup_options.render_general_indicators = 0;
    EXPECT_EQ(titleRowYellow(Frame()), 0);
    g_startup_options.render_general_indicators = 1;
    EXPECT_GT(titleRowYellow(Frame()), 30);
    g_startup_options.hud_visible = 0;   // key I
    EXPECT_EQ(titleRowYellow(Frame()), 0);
    g_startup_options.hud_visible = 1;
    // The font needs no fixed-function pipeline: a core context shows the same text.
    const int compatibilityText = titleRowYellow(Frame());
    g_startup_options.gl3_core_profile = 1;
    ASSERT_TRUE(Start(320, 240));
    ASSERT_TRUE(scene_->coreProfile);
    scene_->drawBackground = 0;
    EXPECT_EQ(titleRowYellow(Frame()), compatibilityText);
    EXPECT_GL_OK();
}

namespace {

// One frame's HUD with every kind of line and character it can show, drawn by the HUD font
// over a coloured background. The reference pictures were drawn by the display-list font this
// batched font replaced (glBitmap glyphs at the raster colour); set GRIDFALL_WRITE_HUD_SHOTS to
// a folder to get the pictures this build draws.
struct HudShot {
    const char* name;
    int width;
    int height;
    HudInputs inputs;
};

std::vector<HudShot> HudShots()
{
    HudInputs bench;
    bench.runMode = 1;
    bench.requestedWidth = 640;
    bench.requestedHeight = 480;
    bench.windowWidth = 640;
    bench.currentFps = 57;
    bench.minFps = 50;
    bench.maxFps = 61;
    bench.avgFps = 55;
    bench.warmupDone = true;
    bench.elapsedMs = 12345;
    bench.totalFrames = 678;
    bench.renderer = "llvmpipe (LLVM 15.0.6, 256 bits)";
    bench.vendorId = 0x10DE;
    bench.deviceId = 0x2684;
    bench.aaMode = "4X";
    bench.tessLevel = bench.tessLevelInner = bench.tessLevelOuter = 8.0f;
    bench.sphereTriangles = 1800;
    bench.progressPercent = 42;

    HudInputs demo = bench;
    demo.runMode = 2;
    demo.requestedWidth = 1280;
    demo.requestedHeight = 720;
    demo.windowWidth = 1280;
    demo.renderer = "\xC3\x9C" "ber GPU\xE2\x84\xA2 \xE2\x82\xAC 100";   // U+00DC, U+2122, U+20AC
    demo.tessLevelInner = 4.0f;
    demo.gpuzAvailable = true;
    demo.gpuzCoreClock = 1830.0f;
    demo.gpuzMemoryClock = 10501.0f;
    demo.gpuzTemperature = 67.5f;
    demo.gpuzPower = 212.0f;
    demo.gpuzCurrent = 17.7f;
    demo.showHelp = true;
    demo.checkFrames = 12;
    demo.errorEvents = 1;
    return {{"hud_640x480", 640, 480, bench}, {"hud_1280x720", 1280, 720, demo}};
}

RgbImage DrawHudShot(const HudShot& shot)
{
    cHx7PBitmapFont font;
    EXPECT_TRUE(font.Create(12, "Arial"));
    font.SetViewport(0, 0, shot.width, shot.height);
    glViewport(0, 0, shot.width, shot.height);
    glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ComposeHud(shot.inputs, font);
    glFinish();
    const std::vector<unsigned char> rgba = GLTestContext::ReadPixels(0, 0, shot.width, shot.height);
    RgbImage image;
    image.width = shot.width;
    image.height = shot.height;
    image.rgb.resize(static_cast<size_t>(shot.width) * shot.height * 3);
    for (int y = 0; y < shot.height; ++y)   // GL rows are bottom first, the picture's top first
        for (int x = 0; x < shot.width; ++x)
            for (int c = 0; c < 3; ++c)
                image.rgb[(static_cast<size_t>(shot.height - 1 - y) * shot.width + x) * 3 + c] =
                    rgba[(static_cast<size_t>(y) * shot.width + x) * 4 + c];
    return image;
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buf[65536];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
            bytes.insert(bytes.end(), buf, buf + n);
        std::fclose(f);
    }
    return bytes;
}

}  // namespace

TEST(HudScreenshot, MatchesTheDisplayListFontPixelForPixel)
{
    for (const HudShot& shot : HudShots()) {
        SCOPED_TRACE(shot.name);
        GLTestContext gl(shot.width, shot.height);
        ASSERT_TRUE(gl.Ok()) << gl.Error();
        const RgbImage actual = DrawHudShot(shot);
        EXPECT_GL_OK();
        if (const char* dir = std::getenv("GRIDFALL_WRITE_HUD_SHOTS")) {
            const std::vector<uint8_t> png = EncodePng(actual);
            FILE* f = std::fopen((std::string(dir) + "/" + shot.name + ".png").c_str(), "wb");
            ASSERT_NE(f, nullptr);
            std::fwrite(png.data(), 1, png.size(), f);
            std::fclose(f);
        }
        const std::optional<RgbImage> reference =
            DecodePng(ReadBytes(std::string(GRIDFALL_FIXTURES_DIR) + "/hud/" + shot.name + ".png"));
        if (!reference) {
            ADD_FAILURE() << "no reference picture";
            continue;
        }
        // One-bit glyphs in flat colours on a flat background: nothing to round, so no tolerance.
        const ImageComparison cmp = CompareImages(actual, *reference, ImageTolerance{0, 0.0, 0.0});
        EXPECT_TRUE(cmp.passed) << "differing share " << cmp.bad_fraction << ", largest error " << cmp.max_error;
    }
}
