// Frame rate of the benchmark scene at each tessellation level (640 x 360), with the sphere in
// one draw and split into draws of at most 75,000 generated triangles; and one fixed-length
// run at level 1 for instruction counting under callgrind (bench/scene/callgrind_level1.sh).
//
// Runs under Xvfb (DISPLAY set) or headless (SDL's offscreen driver when DISPLAY is unset).
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/startup_options.h"
#include "gfx/gl_context.h"
#include "gfx/gl_workarounds.h"
#include "scene/demo_opengl4.h"
#include "scene/scene_assets.h"
#include "scene/tessellation.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;
constexpr uint32_t kChunkTriangles = 75000;

struct SceneRig {
    SDL_Window* window = nullptr;
    std::unique_ptr<cHx7PDemo_OpenGL_4> scene;

    bool Start()
    {
        const char* display = std::getenv("DISPLAY");
        if ((!display || !*display) && !std::getenv("SDL_VIDEODRIVER"))
            setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return false;
        StartupOptions& o = g_startup_options;
        o.active_run_mode = 2;
        o.hud_visible = 0;
        o.render_post_fx = 0;
        o.map_set = 0;
        o.tess_level = 1.0f;
        std::snprintf(o.aa_mode, sizeof o.aa_mode, "Off");
        PrepareWindowPixelFormat(o.aa_mode);
        window = SDL_CreateWindow("gridfall-bench", SDL_WINDOWPOS_UNDEFINED,
                                  SDL_WINDOWPOS_UNDEFINED, kWidth, kHeight,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window)
            return false;
        scene = std::make_unique<cHx7PDemo_OpenGL_4>();
        return scene->Initialize(window, kWidth, kHeight);
    }
    ~SceneRig()
    {
        if (scene)
            scene->Terminate();
        scene.reset();
        if (window)
            SDL_DestroyWindow(window);
    }
};

SceneRig& Rig()
{
    static SceneRig rig;
    static const bool ok = rig.Start();
    if (!ok) {
        std::fprintf(stderr, "scene bench: no scene (%s)\n", SDL_GetError());
        std::exit(1);
    }
    return rig;
}

// One frame, finished on the GPU. Not inlined so callgrind can collect exactly this.
__attribute__((noinline)) void BenchFrame(cHx7PDemo_OpenGL_4& scene, float dt)
{
    scene.DrawFrame(dt);
    glFinish();
}

void SetLevel(cHx7PDemo_OpenGL_4& scene, float level, bool chunked)
{
    g_startup_options.tess_level_inner = level;
    g_startup_options.tess_level_outer = level;
    scene.maxPatchesPerDraw =
        chunked ? PatchesPerDraw(DriverWorkarounds{kChunkTriangles}, WholeTessLevel(level)) : 0;
}

void BM_SceneFrame(benchmark::State& state)
{
    cHx7PDemo_OpenGL_4& scene = *Rig().scene;
    const float level = static_cast<float>(state.range(0));
    const bool chunked = state.range(1) != 0;
    SetLevel(scene, level, chunked);
    BenchFrame(scene, 0.016f);   // first use uploads the buffers
    for (auto _ : state)
        BenchFrame(scene, 0.016f);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                               benchmark::Counter::kIsRate);
    state.counters["patches_per_draw"] = scene.maxPatchesPerDraw;
    state.counters["triangles"] =
        static_cast<double>(TessTrianglesPerPatch(WholeTessLevel(level))) * kSphereTriangles;
}

// Chunked: all levels. One draw: levels up to 16 freely; 32 and 64 collapse on llvmpipe
// (tens of seconds a frame), so they get a single timed frame.
BENCHMARK(BM_SceneFrame)->ArgNames({"level", "chunked"})
    ->Args({1, 1})->Args({8, 1})->Args({16, 1})->Args({32, 1})->Args({64, 1})
    ->Args({1, 0})->Args({8, 0})->Args({16, 0})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_SceneFrame)->ArgNames({"level", "chunked"})
    ->Args({32, 0})->Args({64, 0})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// Fixed frame count for callgrind: instructions per frame = collected / 3. The first frames
// make llvmpipe compile its shader variants (hundreds of millions of instructions in LLVM),
// so they run outside BenchFrame, where callgrind does not collect.
void BM_SceneFrameCallgrind(benchmark::State& state)
{
    cHx7PDemo_OpenGL_4& scene = *Rig().scene;
    SetLevel(scene, 1.0f, false);
    for (int i = 0; i < 5; ++i) {
        scene.DrawFrame(0.016f);
        glFinish();
    }
    for (auto _ : state)
        BenchFrame(scene, 0.016f);
}
BENCHMARK(BM_SceneFrameCallgrind)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
