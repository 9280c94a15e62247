// The render thread's cost of a frame against the sphere alone, in one process and one
// context: the scene as a measuring benchmark run shows it (background, sphere, logos,
// progress bar, HUD) and the same sphere with the scene's own shaders, uniforms, map set and
// draw split and nothing else, in alternating blocks of presented frames. Prints, per kind,
// the thread's CPU time per frame and the frames per second of wall time.
//
//   bench_frame_cost [--level L] [--blocks B] [--frames F] [--only-sphere] [--seconds S]
//                    [--no-background] [--draw-background]
// --only-sphere draws just the sphere (the frame-rate reference for a whole-program run);
// --seconds keeps drawing blocks until S seconds of them have passed; --no-background leaves the
// textured background out of the whole frame (what its fill costs a CPU rasteriser);
// --draw-background draws the background image into every frame instead of copying the
// still layer it was drawn into once (what the copy saves).
// Runs under Xvfb (DISPLAY set) or headless (SDL's offscreen driver when DISPLAY is unset).
#include <GL/gl.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "core/startup_options.h"
#include "gfx/gl_context.h"
#include "scene/demo_opengl4.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;
constexpr float kFrameDt = 0.016f;

double Seconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Tally {
    double cpu = 0.0;    // s of this thread's CPU time
    double wall = 0.0;   // s of real time
    long frames = 0;
};

// The sphere on a cleared frame, as the scene draws it, then presented.
void SphereFrame(cHx7PDemo_OpenGL_4& scene)
{
    const StartupOptions& o = g_startup_options;
    scene.time += kFrameDt;
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(o.clear_color[0], o.clear_color[1], o.clear_color[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene.DrawSphere();
    scene.renderContext->Present();
}

void WholeFrame(cHx7PDemo_OpenGL_4& scene) { scene.RenderFrame(kFrameDt); }

void Block(cHx7PDemo_OpenGL_4& scene, void (*frame)(cHx7PDemo_OpenGL_4&), long frames, Tally& t)
{
    const double cpu0 = Seconds(CLOCK_THREAD_CPUTIME_ID), wall0 = Seconds(CLOCK_MONOTONIC);
    for (long i = 0; i < frames; ++i)
        frame(scene);
    glFinish();
    t.cpu += Seconds(CLOCK_THREAD_CPUTIME_ID) - cpu0;
    t.wall += Seconds(CLOCK_MONOTONIC) - wall0;
    t.frames += frames;
}

void Print(const char* kind, const Tally& t)
{
    std::printf("%s: frames %ld, cpu_ms_per_frame %.4f, fps %.2f\n", kind, t.frames,
                t.frames ? t.cpu * 1000.0 / static_cast<double>(t.frames) : 0.0,
                t.wall > 0.0 ? static_cast<double>(t.frames) / t.wall : 0.0);
}

}  // namespace

int main(int argc, char** argv)
{
    float level = 1.0f;
    long blocks = 10, frames = 200;
    bool onlySphere = false;
    double seconds = 0.0;
    bool background = true;
    bool copyBackground = true;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--level") && i + 1 < argc)
            level = static_cast<float>(std::atof(argv[++i]));
        else if (!std::strcmp(argv[i], "--blocks") && i + 1 < argc)
            blocks = std::atol(argv[++i]);
        else if (!std::strcmp(argv[i], "--frames") && i + 1 < argc)
            frames = std::atol(argv[++i]);
        else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--no-background"))
            background = false;
        else if (!std::strcmp(argv[i], "--draw-background"))
            copyBackground = false;
        else if (!std::strcmp(argv[i], "--only-sphere"))
            onlySphere = true;
        else {
            std::fprintf(stderr, "usage: %s [--level L] [--blocks B] [--frames F] [--only-sphere] [--seconds S] [--no-background] [--draw-background]\n",
                         argv[0]);
            return 2;
        }
    }
    const char* display = std::getenv("DISPLAY");
    if ((!display || !*display) && !std::getenv("SDL_VIDEODRIVER"))
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return 1;
    // A measuring benchmark run at 640x360 with the program's defaults otherwise.
    StartupOptions& o = g_startup_options;
    o.active_run_mode = 1;
    o.active_width = kWidth;
    o.active_height = kHeight;
    o.hud_visible = 1;
    o.render_post_fx = 0;
    o.tess_level = o.tess_level_inner = o.tess_level_outer = level;
    std::snprintf(o.aa_mode, sizeof o.aa_mode, "Off");
    PrepareWindowPixelFormat(o.aa_mode);
    SDL_Window* window = SDL_CreateWindow("gridfall-frame-cost", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                          kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    auto scene = std::make_unique<cHx7PDemo_OpenGL_4>();
    if (!window || !scene->Initialize(window, kWidth, kHeight)) {
        std::fprintf(stderr, "frame cost: no scene (%s)\n", SDL_GetError());
        return 1;
    }
    scene->drawBackground = background;
    scene->copyBackground = copyBackground;
    scene->runFigures.warmupDone = true;   // the progress bar and the measuring HUD
    scene->runFigures.currentFps = scene->runFigures.maxFps = scene->runFigures.avgFps = 1234;
    scene->runFigures.minFps = 1000;

    // The first frames compile the driver's shader variants: not counted.
    Tally warm;
    Block(*scene, SphereFrame, 5, warm);
    if (!onlySphere)
        Block(*scene, WholeFrame, 5, warm);
    Tally whole, sphere;
    for (long b = 0; b < blocks || whole.wall + sphere.wall < seconds; ++b) {
        if (!onlySphere)
            Block(*scene, WholeFrame, frames, whole);
        Block(*scene, SphereFrame, frames, sphere);
    }
    if (!onlySphere)
        Print("frame", whole);
    Print("sphere", sphere);
    scene->Terminate();
    scene.reset();
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
