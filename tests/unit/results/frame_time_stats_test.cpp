// Frame-time statistics: percentile and low arithmetic on known frame-time lists, the
// histogram's precision, the per-second ring, and that recording never allocates.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <cstdlib>
#include <new>
#include <numeric>
#include <vector>

#include "results/frame_time_stats.h"

// Counts every allocation of this test program, so a test can prove a stretch of code made
// none.
namespace {
std::atomic<uint64_t> g_allocations{0};
}
void* operator new(std::size_t n)
{
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

FrameTimeStats Record(const std::vector<uint32_t>& micros)
{
    FrameTimeStats s;
    s.Begin(8);
    for (uint32_t m : micros)
        s.RecordFrame(m);
    return s;
}

TEST(FrameTimeStats, PercentilesFollowTheNearestRankRule)
{
    // 1..100 us (all in exact bins): the q-quantile is the value at rank ceil(q * 100).
    std::vector<uint32_t> t(100);
    std::iota(t.begin(), t.end(), 1u);
    FrameTimeStats s = Record(t);
    EXPECT_EQ(s.Percentile(0.50), 50u);
    EXPECT_EQ(s.Percentile(0.95), 95u);
    EXPECT_EQ(s.Percentile(0.99), 99u);
    EXPECT_EQ(s.Percentile(1.0), 100u);
    EXPECT_EQ(s.Percentile(0.001), 1u);  // rank rounds up to the first frame

    // Order of recording does not matter; ties count once per frame.
    FrameTimeStats u = Record({200, 10, 10, 10, 10, 10, 10, 10, 10, 10});
    EXPECT_EQ(u.Percentile(0.9), 10u);
    EXPECT_EQ(u.Percentile(0.91), 200u);

    FrameTimeSummary sum = s.Summarize();
    EXPECT_EQ(sum.frames, 100u);
    EXPECT_DOUBLE_EQ(sum.mean_us, 50.5);
    EXPECT_EQ(sum.min_us, 1u);
    EXPECT_EQ(sum.max_us, 100u);
    EXPECT_EQ(sum.p50_us, 50u);
    EXPECT_EQ(sum.p99_us, 99u);
}

TEST(FrameTimeStats, LowsAverageTheSlowestFrames)
{
    // 990 frames of 100 us and 10 of 200 us: the slowest 1 % are exactly the ten 200 us
    // frames (5000 fps); the slowest 0.1 % is one of them.
    std::vector<uint32_t> t(990, 100);
    t.insert(t.end(), 10, 200);
    FrameTimeStats s = Record(t);
    EXPECT_DOUBLE_EQ(s.LowFps(0.01), 5000.0);
    EXPECT_DOUBLE_EQ(s.LowFps(0.001), 5000.0);
    // 2 % mixes ten 200 us and ten 100 us frames: mean 150 us.
    EXPECT_NEAR(s.LowFps(0.02), 1e6 / 150.0, 1e-6);
    // With fewer than 100 frames the 1 % low is still at least the single slowest frame.
    FrameTimeStats few = Record({100, 100, 250});
    EXPECT_DOUBLE_EQ(few.LowFps(0.01), 4000.0);
}

TEST(FrameTimeStats, RealisticFrameTimesStayWithinTheBinPrecision)
{
    // 60 fps with a stutter: 16.6 ms frames, every 50th at 33.3 ms, one 120 ms hitch.
    std::vector<uint32_t> t;
    for (int i = 0; i < 5000; ++i)
        t.push_back(i % 50 == 49 ? 33333u : 16667u);
    t.push_back(120000);
    FrameTimeStats s = Record(t);
    // A bin holding one distinct time reports it exactly.
    EXPECT_EQ(s.Percentile(0.5), 16667u);
    EXPECT_EQ(s.Percentile(0.95), 16667u);
    EXPECT_EQ(s.Percentile(0.99), 33333u);
    EXPECT_EQ(s.Percentile(1.0), 120000u);
    EXPECT_EQ(s.Summarize().max_us, 120000u);
    // 0.1 % of 5001 frames is 6 frames: the hitch and five 33.3 ms frames.
    EXPECT_NEAR(s.LowFps(0.001), 1e6 / ((120000.0 + 5 * 33333.0) / 6), 1e-9);

    // Different times sharing a bin report their mean, within the bin's width of each.
    FrameTimeStats mixed = Record({16640, 16660, 16700});
    ASSERT_EQ(FrameTimeStats::BinOf(16640), FrameTimeStats::BinOf(16700));
    EXPECT_EQ(mixed.Percentile(0.5), 16667u);
    EXPECT_LE(std::abs(mixed.Percentile(1.0) - 16700.0), 16700.0 / 128);
}

TEST(FrameTimeStats, BinsCoverEveryTimeInOrder)
{
    EXPECT_EQ(FrameTimeStats::BinOf(0), 0u);
    EXPECT_EQ(FrameTimeStats::BinOf(UINT32_MAX), FrameTimeStats::kBinCount - 1);
    EXPECT_EQ(FrameTimeStats::BinHigh(FrameTimeStats::kBinCount - 1), UINT32_MAX);
    for (std::size_t b = 0; b + 1 < FrameTimeStats::kBinCount; ++b) {
        ASSERT_EQ(uint64_t{FrameTimeStats::BinHigh(b)} + 1, FrameTimeStats::BinLow(b + 1)) << b;
        ASSERT_EQ(FrameTimeStats::BinOf(FrameTimeStats::BinLow(b)), b);
        ASSERT_EQ(FrameTimeStats::BinOf(FrameTimeStats::BinHigh(b)), b);
        if (b >= FrameTimeStats::kExactLimit) {
            const double width = FrameTimeStats::BinHigh(b) - FrameTimeStats::BinLow(b) + 1.0;
            ASSERT_LE(width / FrameTimeStats::BinLow(b), 1.0 / 128) << b;
        } else {
            ASSERT_EQ(FrameTimeStats::BinLow(b), FrameTimeStats::BinHigh(b));
        }
    }
}

TEST(FrameTimeStats, EmptyAndRestartedRecordersReportNothing)
{
    FrameTimeStats s;
    EXPECT_EQ(s.Percentile(0.5), 0u);
    EXPECT_EQ(s.LowFps(0.01), 0.0);
    EXPECT_EQ(s.Summarize().frames, 0u);
    s.RecordSecond(60, 1000, 1000, {});   // before Begin: nothing reserved, nothing kept
    EXPECT_EQ(s.SecondCount(), 0u);

    s.Begin(4);
    s.RecordFrame(5000);
    s.RecordSecond(1, 1000, 1000, {});
    s.Restart();
    EXPECT_EQ(s.FrameCount(), 0u);
    EXPECT_EQ(s.SecondCount(), 0u);
    EXPECT_EQ(s.SecondCapacity(), 4u);
    s.RecordFrame(300);
    EXPECT_EQ(s.Summarize().min_us, 300u);  // the warm-up's 5000 us is forgotten
    s.RecordSecond(1, 1000, 1000, {});
    EXPECT_EQ(s.Second(0).worst_frame_us, 300u);
}

TEST(FrameTimeStats, WindowsKeepTheirLengthRateWorstFrameAndGpus)
{
    FrameTimeStats s;
    s.Begin(10);
    EXPECT_TRUE(std::isnan(s.MinWindowRate()));  // nothing measured yet: no figure, not 0
    s.RecordFrame(10000);
    s.RecordFrame(25000);
    GpuSecondSample gpus[6];
    for (int i = 0; i < 6; ++i)
        gpus[i] = {50.0f + i, 1000.0f + i, 2000.0f + i};
    s.RecordSecond(2, 1000, 1000, gpus);
    s.RecordFrame(2400000);
    s.RecordSecond(1, 2400, 3400, std::span(gpus, 1));  // one slow frame: a 2.4 s window
    s.RecordSecond(0, 300, 3700, {}, true);             // the run's end cut this one short
    ASSERT_EQ(s.SecondCount(), 3u);
    EXPECT_EQ(s.Second(0).worst_frame_us, 25000u);
    EXPECT_EQ(s.Second(0).gpu_count, kMaxRecordedGpus);  // the rest are not kept
    EXPECT_EQ(s.Second(0).gpus[3].temperature_c, 53.0f);
    EXPECT_DOUBLE_EQ(s.Second(0).Rate(), 2.0);
    EXPECT_EQ(s.Second(1).worst_frame_us, 2400000u);
    EXPECT_EQ(s.Second(1).gpu_count, 1u);
    EXPECT_TRUE(std::isnan(s.Second(1).gpus[1].temperature_c));  // no stale values from before
    EXPECT_NEAR(s.Second(1).Rate(), 1.0 / 2.4, 1e-12);
    EXPECT_TRUE(s.Second(2).partial);
    EXPECT_EQ(s.Second(2).worst_frame_us, 0u);
    // Min and max come from the complete windows only, exactly.
    EXPECT_NEAR(s.MinWindowRate(), 1.0 / 2.4, 1e-12);
    EXPECT_DOUBLE_EQ(s.MaxWindowRate(), 2.0);
    // The window's own frame-time percentiles (the plot's band).
    EXPECT_EQ(s.Second(0).p50_frame_us, 10000u);
    EXPECT_EQ(s.Second(0).p99_frame_us, 25000u);
    EXPECT_EQ(s.Second(1).p50_frame_us, 2400000u);

    // A window faster than the sample holds still gives its percentiles, within the spread.
    s.Begin(4);
    const uint32_t n = 3 * FrameTimeStats::kWindowSampleCapacity;
    for (uint32_t i = 0; i < n; ++i)
        s.RecordFrame(i % 100 == 0 ? 9000u : 1000u + i % 100);   // 1 % slow frames
    s.RecordSecond(n, 1000, 1000, {});
    EXPECT_NEAR(s.Second(0).p50_frame_us, 1050.0, 10.0);
    EXPECT_GE(s.Second(0).p99_frame_us, 1095u);
}

TEST(FrameTimeStats, FullRingDropsTheOldestSeconds)
{
    FrameTimeStats s;
    s.Begin(3);
    for (uint32_t i = 1; i <= 5; ++i)
        s.RecordSecond(i, 1000, i * 1000, {});
    ASSERT_EQ(s.SecondCount(), 3u);
    EXPECT_EQ(s.DroppedSeconds(), 2u);
    EXPECT_EQ(s.Second(0).frames, 3u);
    EXPECT_EQ(s.Second(2).frames, 5u);
    EXPECT_EQ(s.Second(2).elapsed_ms, 5000u);

    s.Begin(0);  // clamped to one sample, never zero
    EXPECT_EQ(s.SecondCapacity(), 1u);
    s.Begin(std::size_t{1} << 40);
    EXPECT_EQ(s.SecondCapacity(), FrameTimeStats::kMaxSecondCapacity);
}

TEST(FrameTimeStats, RecordingAllocatesNothing)
{
    auto s = std::make_unique<FrameTimeStats>();
    s->Begin(100);
    GpuSecondSample gpu{60.0f, 1500.0f, 7000.0f};
    const uint64_t before = g_allocations.load();
    // Ten times the reserved seconds: the ring wraps, the histogram fills.
    for (uint32_t second = 0; second < 1000; ++second) {
        for (uint32_t f = 0; f < 100; ++f)
            s->RecordFrame(9000 + f * 37 + second);
        s->RecordSecond(100, 1000, second * 1000, std::span(&gpu, 1));
    }
    s->Restart();
    s->RecordFrame(1);
    EXPECT_EQ(g_allocations.load(), before);
}

}  // namespace
