// How much CPU the main thread spends while a run renders: it should sleep in its event wait,
// woken only by the render thread's once-a-second title and by input. Runs one 20-second demo
// run (GRIDFALL_BENCH_SECONDS overrides) of a clear-and-present scene through StartRun and the
// plain message loop, under X when DISPLAY is set, else headless on SDL's offscreen driver.
#include "core/process_mode.h"
#include "run/frame_loop.h"
#include "app/render_window.h"
#include "run/run_state.h"
#include "core/startup_options.h"
#include "gfx/gl_context.h"
#include "tests/unit/render_loop/fake_scene.h"

#include <GL/gl.h>
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

class ClearScene : public gridfall_test::FakeScene {
public:
    bool Initialize(SDL_Window* window, int width, int height) override
    {
        if (!context_.Init(window, unsigned(width), unsigned(height), 4, "Off", false))
            return false;
        context_.SetSwapInterval(false);
        return true;
    }
    void Terminate() override { context_.Shutdown(); }
    void RenderFrame(float) override
    {
        glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        context_.Present();
    }

private:
    cHx7PGLContext context_;
};

std::unique_ptr<cHx7PDemo> MakeClearScene() { return std::make_unique<ClearScene>(); }

double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void BM_MainThreadCpuDuringRun(benchmark::State& state)
{
    const char* display = std::getenv("DISPLAY");
    const bool headless = !display || !*display;
    if (headless)
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SetHeadless(headless);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    const char* secondsText = std::getenv("GRIDFALL_BENCH_SECONDS");
    const int seconds = secondsText ? std::atoi(secondsText) : 20;

    StartupOptions& o = g_startup_options;
    o.active_fullscreen = 0;
    o.active_width = 320;
    o.active_height = 240;
    o.active_run_mode = 2;
    o.display_score = 0;
    std::strcpy(o.aa_mode, "Off");
    SetSceneFactory(MakeClearScene);

    for (auto _ : state) {
        if (!StartRun()) {
            state.SkipWithError("StartRun failed");
            break;
        }
        // Ends the run from outside as a signal would: SDL_QUIT wakes the loop.
        std::thread stopper([seconds] {
            std::this_thread::sleep_for(std::chrono::seconds(seconds));
            SDL_Event quit;
            SDL_zero(quit);
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        });
        const double cpu0 = ThreadCpuMs();
        const auto wall0 = std::chrono::steady_clock::now();
        RunPlainMessageLoop();
        const double cpu = ThreadCpuMs() - cpu0;
        const double wall = std::chrono::duration<double, std::milli>(
                                std::chrono::steady_clock::now() - wall0)
                                .count();
        stopper.join();
        state.counters["main_cpu_ms"] = cpu;
        state.counters["wall_ms"] = wall;
        state.counters["main_cpu_pct"] = 100.0 * cpu / wall;
        state.counters["frames"] = double(g_frame_stats.total_frames.load());
        state.counters["headless"] = headless ? 1 : 0;
    }
    SetSceneFactory(nullptr);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
BENCHMARK(BM_MainThreadCpuDuringRun)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
