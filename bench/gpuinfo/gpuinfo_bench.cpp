// What the GPU information library costs the start-up: table lookups, one detection pass over
// a fake sysfs tree, and Start with the real probe context while the one-second clock
// measurement runs beside it (Start must not wait for that second).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "gpuinfo/gpu_database.h"
#include "gpuinfo/library_state.h"
#include "gpuinfo/siliscan.h"

using namespace Ridudedozu;

namespace {

const std::string kFixtures = GRIDFALL_SOURCE_DIR "/tests/fixtures/gpuinfo";

void BM_DatabaseLookupMiss(benchmark::State& state)
{
    // A miss scans a whole table, the worst case.
    uint32_t device = 0xBEE0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GpuDatabase::Lookup(0x10DE, device));
        benchmark::DoNotOptimize(GpuDatabase::Lookup(0x1002, device));
        device ^= 1;
    }
}
BENCHMARK(BM_DatabaseLookupMiss);

void BM_DetectionOnFakeTree(benchmark::State& state)
{
    setenv("GRIDFALL_SYSFS_ROOT", (kFixtures + "/nvidia_amd").c_str(), 1);
    setenv("GRIDFALL_NVML_LIBRARY", "/nonexistent/libnvidia-ml.so.1", 1);
    SetCpuSpeedMeasure([] { return 1000; });
    for (auto _ : state) {
        SiliscanLib* lib = SiliscanLib::Instance();
        benchmark::DoNotOptimize(lib->Start(0, 0, 32, 32, 0, 0));
        state.PauseTiming();
        DestroyLibrary();
        state.ResumeTiming();
    }
    SetCpuSpeedMeasure(nullptr);
    unsetenv("GRIDFALL_SYSFS_ROOT");
}
BENCHMARK(BM_DetectionOnFakeTree)->Unit(benchmark::kMicrosecond);

void BM_StartWithProbeContext(benchmark::State& state)
{
    // The real path: this machine's sysfs, the probe context and the time-stamp counter
    // measurement in the background. The Stop (which waits for the measurement) is not timed.
    unsetenv("GRIDFALL_SYSFS_ROOT");
    if (!std::getenv("DISPLAY"))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    for (auto _ : state) {
        SiliscanLib* lib = SiliscanLib::Instance();
        benchmark::DoNotOptimize(lib->Start(0, 0, 32, 32, 4, 1));
        state.PauseTiming();
        DestroyLibrary();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartWithProbeContext)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
