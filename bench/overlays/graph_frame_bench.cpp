// Frame cost of one GPU's temperature graph as the run grows: a fresh run, the moment the graph
// fills (1,000 samples), and a day of history (86,400 samples, one per second). The graph copies
// and draws only the newest 1,000 samples, so the last two must cost the same.
// BM_WholeHistoryCopy shows what copying the whole history every frame would cost instead.
#include <benchmark/benchmark.h>

#include <vector>

#include "scene/demo.h"
#include "scene/temperature_graph.h"

namespace {

// Consumes what the graph draws without a GL context.
class NullCanvas final : public GraphCanvas {
public:
    void Begin2D(int, int, float, float) override {}
    void End2D() override {}
    void SetStripVertex(unsigned, const float xyzw[4]) override { sink += xyzw[1]; }
    void DrawGraphStrip(unsigned count) override { sink += static_cast<float>(count); }
    void DrawOverlayLine(const float p1[4], const float*, const float*, const float*, float, int,
                         unsigned short) override
    {
        sink += p1[1];
    }
    void DrawText(int x, int, const float*, const char* text) override { sink += static_cast<float>(x + text[0]); }
    float sink = 0;
};

std::vector<cHx7PTemperatureSample> History(std::size_t n)
{
    std::vector<cHx7PTemperatureSample> h(n);
    for (std::size_t i = 0; i < n; ++i)
        h[i] = {45.0f + static_cast<float>(i % 37), 0.0f, 0.0f, static_cast<float>(i)};
    return h;
}

void BM_GraphFrame(benchmark::State& state)
{
    const auto history = History(static_cast<std::size_t>(state.range(0)));
    NullCanvas canvas;
    GraphWindow window;
    GraphExtremes extremes;
    for (auto _ : state) {
        window.Fill(history.size(), [&](std::size_t k) { return history[k].temperature; });
        DrawTemperatureGraph(canvas, 1920, 1080, 0, "GPU", history.front().temperature, window.Samples(), extremes);
        benchmark::DoNotOptimize(canvas.sink);
    }
    state.counters["samples"] = static_cast<double>(history.size());
}
BENCHMARK(BM_GraphFrame)->Arg(60)->Arg(1000)->Arg(86400);

// The per-frame copy of the whole history the graph used to take before drawing its tail.
void BM_WholeHistoryCopy(benchmark::State& state)
{
    const auto history = History(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::vector<cHx7PTemperatureSample> copy(history);
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_WholeHistoryCopy)->Arg(1000)->Arg(86400);

}  // namespace

BENCHMARK_MAIN();
