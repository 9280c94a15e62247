// Cost of the frame-time recording on the render thread, and of the end-of-run reports for
// long runs.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <string>

#include "results/frame_log.h"
#include "results/frame_time_stats.h"
#include "results/results_csv.h"
#include "results/results_json.h"

namespace {

// One frame's recording: what the frame loop pays per frame.
void BM_RecordFrame(benchmark::State& state)
{
    FrameTimeStats stats;
    stats.Begin(3600);
    uint32_t t = 16000;
    for (auto _ : state) {
        stats.RecordFrame(t);
        t = t * 1103515245u + 12345u;  // spread over the bins
        t = 1000 + (t >> 16);
    }
    benchmark::DoNotOptimize(stats.FrameCount());
}
BENCHMARK(BM_RecordFrame);

void BM_RecordSecond(benchmark::State& state)
{
    FrameTimeStats stats;
    stats.Begin(3600);
    GpuSecondSample gpus[2] = {{60.0f, 1800.0f, 7000.0f}, {55.0f, 1500.0f, 6000.0f}};
    uint32_t ms = 0;
    for (auto _ : state)
        stats.RecordSecond(60, 1000, ms += 1000, gpus);
}
BENCHMARK(BM_RecordSecond);

// Percentiles and lows at the end of a run of a million frames.
void BM_Summarize(benchmark::State& state)
{
    FrameTimeStats stats;
    stats.Begin(16);
    for (uint32_t i = 0; i < 1000000; ++i)
        stats.RecordFrame(8000 + (i * 7919u) % 9000u);
    for (auto _ : state)
        benchmark::DoNotOptimize(stats.Summarize());
}
BENCHMARK(BM_Summarize);

// Reports of a one-hour run (3600 per-second samples, two GPUs).
void BM_FormatReportsOneHour(benchmark::State& state)
{
    FrameTimeStats stats;
    stats.Begin(3600);
    GpuSecondSample gpus[2] = {{60.0f, 1800.0f, 7000.0f}, {55.0f, 1500.0f, 6000.0f}};
    for (uint32_t s = 1; s <= 3600; ++s) {
        for (int f = 0; f < 60; ++f)
            stats.RecordFrame(16000 + f * 11);
        stats.RecordSecond(60, 1000, s * 1000, gpus);
    }
    RunReport report;
    report.frame_times = stats.Summarize();
    report.seconds = stats.Seconds();
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatResultsJson(report));
        benchmark::DoNotOptimize(FormatResultsCsv(report));
    }
}
BENCHMARK(BM_FormatReportsOneHour)->Unit(benchmark::kMillisecond);

}  // namespace

// One per-frame log row (--frame-log), the buffer's write(2) every few hundred rows included:
// what the frame loop pays per frame on top of the recording.
void BM_FrameLogRow(benchmark::State& state)
{
    const std::string path = "/tmp/gridfall_bench_frame_log_" + std::to_string(getpid()) + ".csv";
    FrameLog log;
    std::string error;
    if (!log.Open(path, {}, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const FrameLogSensors sensors{61.5f, 1800.0f, 7000.0f};
    for (auto _ : state)
        log.Row(16666667, sensors);
    log.Discard();
}
BENCHMARK(BM_FrameLogRow);

BENCHMARK_MAIN();
