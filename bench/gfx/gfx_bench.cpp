// Framework costs: CPU geometry and pixel paths at the sizes the scene uses, and the
// tessellated sphere on the current driver drawn in one draw versus in the chunks the driver
// workaround list asks for. The GL cases need a context: DISPLAY, or SDL's offscreen driver.
#include "gfx/bitmap_font.h"
#include "gfx/gl_procs.h"
#include "gfx/gl_workarounds.h"
#include "gfx/gpu_program.h"
#include "gfx/mesh.h"
#include "gfx/texture.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void BM_BuildSphere(benchmark::State& state)
{
    const auto n = uint32_t(state.range(0));
    cHx7PMesh mesh;
    for (auto _ : state) {
        mesh.BuildSphere(1.0f, n, n);
        benchmark::DoNotOptimize(mesh.GetPositions());
    }
    state.counters["vertices"] = double(mesh.GetVertexCount());
}
BENCHMARK(BM_BuildSphere)->Arg(30)->Arg(300);

void BM_ConvertToRGBA(benchmark::State& state)
{
    const auto side = uint32_t(state.range(0));
    const unsigned char key[3] = {0, 0, 0};
    for (auto _ : state) {
        state.PauseTiming();
        cHx7PTexture t;
        t.AllocateRGB(side, side);
        state.ResumeTiming();
        t.ConvertToRGBA(key, 8);
        benchmark::DoNotOptimize(t.GetRGBAPixels());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * side * side * 3);
}
BENCHMARK(BM_ConvertToRGBA)->Arg(512)->Arg(1024);

void BM_FlipVertical(benchmark::State& state)
{
    cHx7PTexture t;
    t.AllocateRGB(1024, 1024);
    for (auto _ : state) {
        t.FlipVertical();
        benchmark::DoNotOptimize(t.GetRGBPixels());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 1024 * 1024 * 3);
}
BENCHMARK(BM_FlipVertical);

void BM_ListCodes(benchmark::State& state)
{
    const char* line = "GPU 0: 65\xC2\xB0" "C - core: 1350 MHz - mem: 3500 MHz - FPS: 60 [min: 58]";
    for (auto _ : state)
        benchmark::DoNotOptimize(cHx7PBitmapFont::ToListCodes(line));
}
BENCHMARK(BM_ListCodes);

// One hidden window (or offscreen surface) with a GL 4 compatibility context for the GL cases.
struct GLBenchContext {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    GLBenchContext()
    {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return;
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        window = SDL_CreateWindow("gfx-bench", 0, 0, 128, 128, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window)
            context = SDL_GL_CreateContext(window);
        if (context)
            LoadGLEntryPoints();
    }
};

GLBenchContext& Context()
{
    static GLBenchContext c;
    return c;
}

const char kVS[] = "#version 400\nin vec4 In_Position;\nvoid main() { gl_Position = In_Position; }\n";
const char kTCS[] =
    "#version 400\nlayout(vertices = 3) out;\nuniform float level;\nvoid main() {\n"
    "  gl_out[gl_InvocationID].gl_Position = gl_in[gl_InvocationID].gl_Position;\n"
    "  if (gl_InvocationID == 0) { gl_TessLevelOuter[0] = level; gl_TessLevelOuter[1] = level;\n"
    "    gl_TessLevelOuter[2] = level; gl_TessLevelInner[0] = level; }\n}\n";
const char kTES[] =
    "#version 400\nlayout(triangles, equal_spacing, ccw) in;\nvoid main() {\n"
    "  gl_Position = gl_TessCoord.x * gl_in[0].gl_Position + gl_TessCoord.y * gl_in[1].gl_Position\n"
    "              + gl_TessCoord.z * gl_in[2].gl_Position;\n}\n";
const char kFS[] = "#version 400\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n";

// The scene's sphere (30 x 30) as patches at a tessellation level, one frame per iteration.
// range(1) = 0: one draw; 1: chunked as the workaround list says for this renderer.
void BM_TessellatedSphere(benchmark::State& state)
{
    if (!Context().context) {
        state.SkipWithError("no GL context");
        return;
    }
    const auto level = uint32_t(state.range(0));
    const bool chunked = state.range(1) != 0;
    cHx7PGpuProgram program;
    if (!program.AddShader(kShaderStageVertex, kVS, sizeof kVS) ||
        !program.AddShader(kShaderStageTessControl, kTCS, sizeof kTCS) ||
        !program.AddShader(kShaderStageTessEvaluation, kTES, sizeof kTES) ||
        !program.AddShader(kShaderStagePixel, kFS, sizeof kFS) || !program.Bind()) {
        state.SkipWithError("tessellation program failed");
        return;
    }
    program.SetUniform1f("level", float(level));
    cHx7PMesh sphere;
    sphere.BuildSphere(0.9f, 30, 30);
    sphere.positionLocation = program.GetAttribLocation("In_Position");
    sphere.normalLocation = sphere.colourLocation = sphere.uvLocation = -1;
    cHx7PMeshRenderOptions options;
    options.drawPatches = 1;
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const uint32_t perDraw = chunked ? PatchesPerDraw(WorkaroundsFor(renderer), level) : 0;
    sphere.Bind(options);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        sphere.DrawInChunks(options, perDraw);
        glFinish();
    }
    sphere.Unbind();
    cHx7PGpuProgram::Unbind();
    state.counters["patches_per_draw"] = double(perDraw);
    state.counters["triangles"] = double(sphere.GetTriangleCount()) * TessTrianglesPerPatch(level);
    state.SetLabel(renderer ? renderer : "");
}
BENCHMARK(BM_TessellatedSphere)
    ->Args({8, 0})->Args({8, 1})->Args({16, 0})->Args({16, 1})
    ->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
