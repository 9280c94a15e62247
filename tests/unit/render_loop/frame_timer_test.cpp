// FrameTimer: milliseconds from the counter, and the correction of a counter that leaps
// against the millisecond tick.
#include "run/frame_timer.h"
#include "tests/unit/render_loop/fake_scene.h"

#include <gtest/gtest.h>

namespace {

using gridfall_test::FakeFrameClock;

TEST(FrameTimer, CountsMillisecondsOfTheCounterSinceReset)
{
    FakeFrameClock clock;
    clock.counter = 123456789;  // the counter need not start at zero
    clock.tick = 5000;
    FrameTimer timer(clock);
    timer.Reset();
    EXPECT_EQ(timer.ElapsedMs(), 0u);
    clock.AdvanceMs(16);
    EXPECT_EQ(timer.ElapsedMs(), 16u);
    // Jitter between the two clocks up to 100 ms is taken as it is.
    clock.counter += 90ull * 1000000ull;
    EXPECT_EQ(timer.ElapsedMs(), 106u);
    clock.tick += 90;
    clock.AdvanceMs(1000);
    EXPECT_EQ(timer.ElapsedMs(), 1106u);
}

TEST(FrameTimer, ForwardLeapIsTakenOutButTimeAlreadyHandedOutStays)
{
    FakeFrameClock clock;
    FrameTimer timer(clock);
    timer.Reset();
    clock.AdvanceMs(1000);
    ASSERT_EQ(timer.ElapsedMs(), 1000u);

    // The counter jumps 5 s ahead while 16 ms really pass.
    clock.counter += 5000ull * 1000000ull;
    clock.AdvanceMs(16);
    EXPECT_EQ(timer.ElapsedMs(), 1016u);
    // And the correction sticks: later readings continue from there.
    clock.AdvanceMs(10);
    EXPECT_EQ(timer.ElapsedMs(), 1026u);
}

TEST(FrameTimer, ForwardCorrectionNeverExceedsTheCounterAdvance)
{
    FakeFrameClock clock;
    FrameTimer timer(clock);
    timer.Reset();
    clock.AdvanceMs(1000);
    ASSERT_EQ(timer.ElapsedMs(), 1000u);
    // The tick goes back 500 ms (it is the one that misbehaves) while the counter moves
    // 200 ms: the correction may take back at most those 200 ms, never time already handed
    // out, so the reading does not go backwards.
    clock.counter += 200ull * 1000000ull;
    clock.tick -= 500;
    EXPECT_EQ(timer.ElapsedMs(), 1000u);
}

TEST(FrameTimer, BackwardLeapFollowsTheTick)
{
    FakeFrameClock clock;
    FrameTimer timer(clock);
    timer.Reset();
    clock.AdvanceMs(1000);
    ASSERT_EQ(timer.ElapsedMs(), 1000u);
    // The counter stalls for 3 s (a suspended VM) while the tick runs on.
    clock.tick += 3000;
    clock.AdvanceMs(16);
    EXPECT_EQ(timer.ElapsedMs(), 4016u);
}

TEST(FrameTimer, WrappingClocksNeedNoCorrection)
{
    FakeFrameClock clock;
    clock.tick = 0xFFFFFFFFu - 300;                       // the tick wraps after 300 ms
    clock.counter = ~0ull - 500ull * 1000000ull + 1;      // the counter after 500 ms
    FrameTimer timer(clock);
    timer.Reset();
    for (int i = 0; i < 10; ++i)
        clock.AdvanceMs(100);
    EXPECT_EQ(timer.ElapsedMs(), 1000u);
}

TEST(FrameTimer, RereadsTheFrequencyEvery200Readings)
{
    FakeFrameClock clock;
    clock.frequency = 1000;  // a 1 kHz counter
    FrameTimer timer(clock);
    timer.Reset();
    clock.counter = 2000;
    clock.tick = 2000;
    for (int i = 0; i < 199; ++i)
        ASSERT_EQ(timer.ElapsedMs(), 2000u);
    // The counter now runs at 2 kHz; the 200th reading queries it and reads 4100 units as
    // 2050 ms (with the stale frequency it would read 4100 ms and be cut back to 2000).
    clock.frequency = 2000;
    clock.counter = 4100;
    EXPECT_EQ(timer.ElapsedMs(), 2050u);
}

TEST(FrameTimer, LongRunsOfANanosecondCounterDoNotOverflow)
{
    FakeFrameClock clock;
    FrameTimer timer(clock);
    timer.Reset();
    // 300 days: distance * 1000 exceeds 64 bits.
    const uint64_t ms = 300ull * 24 * 3600 * 1000;
    clock.counter += ms * 1000000ull;
    clock.tick += uint32_t(ms);
    EXPECT_EQ(timer.ElapsedMs(), uint32_t(ms));
}

TEST(FrameTimer, AZeroFrequencyDoesNotDivideByZero)
{
    FakeFrameClock clock;
    clock.frequency = 0;
    FrameTimer timer(clock);
    timer.Reset();
    clock.counter = 5;
    (void)timer.ElapsedMs();
    SUCCEED();
}

TEST(FrameTimer, SystemClockAdvances)
{
    FrameTimer timer;  // CLOCK_MONOTONIC and its coarse twin
    timer.Reset();
    const uint32_t a = timer.ElapsedMs();
    struct timespec ts = {0, 20 * 1000000};
    nanosleep(&ts, nullptr);
    const uint32_t b = timer.ElapsedMs();
    EXPECT_GE(b, a + 19);
    EXPECT_EQ(DefaultFrameClock().Frequency(), 1000000000ull);
}

}  // namespace
