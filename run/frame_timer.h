// The frame loop's millisecond clock: a high-resolution counter (CLOCK_MONOTONIC in
// nanoseconds, so the frequency is 10^9) cross-checked against a coarse millisecond tick from
// a second clock, so that a counter that leaps (a broken TSC, a VM migration) cannot make a
// frame look seconds long. Both clocks are injectable so the correction can be tested.
#pragma once

#include <cstdint>

// Where FrameTimer reads its time from.
class FrameClockSource {
public:
    virtual ~FrameClockSource() = default;
    virtual uint64_t Counter() = 0;     // high-resolution counter, free running
    virtual uint64_t Frequency() = 0;   // counter units per second
    virtual uint32_t TickMs() = 0;      // millisecond tick, wraps at 2^32
};

// CLOCK_MONOTONIC nanoseconds as the counter, CLOCK_MONOTONIC_COARSE milliseconds as the tick:
// the coarse clock is read from the vDSO without a syscall and runs from the same base, so on
// a healthy machine the two never disagree by more than a scheduler tick.
class SystemFrameClock : public FrameClockSource {
public:
    uint64_t Counter() override;
    uint64_t Frequency() override;
    uint32_t TickMs() override;
};
SystemFrameClock& DefaultFrameClock();

class FrameTimer {
public:
    // The source is not owned and must outlive the timer.
    explicit FrameTimer(FrameClockSource& clock = DefaultFrameClock()) : clock_(&clock) {}

    // The source it reads (the run's recorder times its frames by the same clock).
    FrameClockSource& Clock() const { return *clock_; }

    // Restarts the timer at zero.
    void Reset();
    // Milliseconds since Reset, corrected for counter leaps of more than 100 ms against the
    // tick.
    uint32_t ElapsedMs();

    // Readings between two frequency queries.
    static constexpr int kReadingsPerFrequencyQuery = 200;
    // Largest disagreement (ms) between counter and tick that is still taken as jitter.
    static constexpr int32_t kLeapToleranceMs = 100;

private:
    uint64_t ToMs(uint64_t distance) const;

    FrameClockSource* clock_;
    uint64_t frequency_ = 1;
    uint64_t startCounter_ = 0;
    uint32_t startTick_ = 0;
    uint64_t previousDistance_ = 0;
    int32_t readings_ = 0;
};
