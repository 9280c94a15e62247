// Frame timer with counter-leap correction.
#include "run/frame_timer.h"

#include <time.h>

uint64_t SystemFrameClock::Counter()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

uint64_t SystemFrameClock::Frequency() { return 1000000000ull; }

uint32_t SystemFrameClock::TickMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

SystemFrameClock& DefaultFrameClock()
{
    static SystemFrameClock clock;
    return clock;
}

void FrameTimer::Reset()
{
    frequency_ = clock_->Frequency();
    if (frequency_ == 0)
        frequency_ = 1;  // a broken source must not divide by zero
    startCounter_ = clock_->Counter();
    startTick_ = clock_->TickMs();
    previousDistance_ = 0;
    readings_ = 0;
}

// distance * 1000 / frequency without the 64-bit overflow that a nanosecond counter reaches
// after about seven months.
uint64_t FrameTimer::ToMs(uint64_t distance) const
{
    return uint64_t((unsigned __int128)distance * 1000u / frequency_);
}

uint32_t FrameTimer::ElapsedMs()
{
    const uint64_t counter = clock_->Counter();
    if (++readings_ >= kReadingsPerFrequencyQuery) {
        readings_ = 0;
        const uint64_t f = clock_->Frequency();
        if (f != 0)
            frequency_ = f;
    }
    uint64_t distance = counter - startCounter_;
    const uint64_t ms = ToMs(distance);

    // Signed 32-bit difference, so a tick that wrapped past 2^32 still compares correctly.
    const int32_t difference = int32_t(uint32_t(startTick_ + uint32_t(ms)) - clock_->TickMs());
    if (difference >= -kLeapToleranceMs && difference <= kLeapToleranceMs) {
        previousDistance_ = distance;
        return uint32_t(ms);
    }

    // The counter leapt: move the start by the disagreement, but never by more than the
    // counter advanced since the previous reading, so time already handed out stays valid.
    int64_t adjust = int64_t((__int128)difference * (__int128)frequency_ / 1000);
    const int64_t advance = int64_t(distance - previousDistance_);
    if (advance < adjust)
        adjust = advance;
    startCounter_ += uint64_t(adjust);
    distance -= uint64_t(adjust);
    previousDistance_ = distance;
    return uint32_t(ToMs(distance));
}
