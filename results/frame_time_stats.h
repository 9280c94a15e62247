// Frame-time statistics of a run, gathered on the render thread without allocating: a
// log-scale histogram of frame times (percentiles and the 1 % / 0.1 % lows) and a bounded ring
// of per-second samples (frame rate, that second's worst frame, GPU temperatures and clocks).
// Memory is fixed when the run starts, however long the run lasts.
//
// Threading: written by the render thread only; read by the main thread after it has joined
// that thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

// At most this many GPUs are kept per second; further GPUs are not recorded.
inline constexpr std::size_t kMaxRecordedGpus = 4;

// A value that was not measured (a GPU without a temperature sensor, clocks the driver does
// not publish) is NaN, and the writers report it as absent, never as 0.
struct GpuSecondSample {
    float temperature_c = std::numeric_limits<float>::quiet_NaN();
    float core_clock_mhz = std::numeric_limits<float>::quiet_NaN();
    float memory_clock_mhz = std::numeric_limits<float>::quiet_NaN();
    float power_w = std::numeric_limits<float>::quiet_NaN();
    float fan_percent = std::numeric_limits<float>::quiet_NaN();
    float fan_rpm = std::numeric_limits<float>::quiet_NaN();
};

// One measuring window of the run: normally the frames of about one second, but a window
// closes only after the frame that completes it, so on a slow GPU it may last several
// seconds; its real length is kept so its rate is exact. The last window of a run, cut
// short by the end, is `partial`.
struct SecondSample {
    uint32_t elapsed_ms = 0;      // measured time at the end of this window
    uint32_t window_ms = 0;       // real length of this window
    uint32_t frames = 0;          // frames rendered in this window
    bool partial = false;         // the run ended before the window completed
    uint32_t worst_frame_us = 0;  // longest frame time recorded in this window
    // Median and 99th percentile (nearest rank) of the window's frame times; 0 without frames.
    // Exact up to kWindowSampleCapacity frames a window, from an even sample beyond.
    uint32_t p50_frame_us = 0;
    uint32_t p99_frame_us = 0;
    uint32_t gpu_count = 0;       // entries of `gpus` in use
    std::array<GpuSecondSample, kMaxRecordedGpus> gpus{};
    // Frames per second over the window's real length; NaN for an empty window.
    double Rate() const
    {
        return window_ms > 0 ? frames * 1000.0 / window_ms : std::numeric_limits<double>::quiet_NaN();
    }
};

struct FrameTimeSummary {
    uint64_t frames = 0;
    double mean_us = 0.0;
    uint32_t min_us = 0;
    uint32_t max_us = 0;
    uint32_t p50_us = 0;
    uint32_t p95_us = 0;
    uint32_t p99_us = 0;
    // Average frame rate over the slowest 1 % and 0.1 % of frames (at least one frame each):
    // 10^6 / mean frame time of those frames. 0 when nothing was recorded.
    double low_1pct_fps = 0.0;
    double low_01pct_fps = 0.0;
};

class FrameTimeStats {
public:
    // Histogram layout: times below kExactLimit microseconds have a bin each; above, every
    // power of two is split into kSubBins bins. Each bin also keeps the sum of its times and
    // reports their mean, so a reported time is exact when a bin holds one distinct time and
    // within the bin's width (1/128 of the time) otherwise. The top bin ends at 2^32 - 1 us.
    static constexpr uint32_t kExactLimit = 256;
    static constexpr uint32_t kSubBins = 128;
    static constexpr std::size_t kBinCount = kExactLimit + (32 - 8) * kSubBins;

    // Frame times a window keeps for its percentiles; a faster window keeps a uniform random
    // sample of this many (reservoir sampling), so memory and work stay fixed.
    static constexpr std::size_t kWindowSampleCapacity = 4096;

    // Largest per-second ring ever reserved (one day of samples, about 5.5 MB).
    static constexpr std::size_t kMaxSecondCapacity = 86400;

    FrameTimeStats();

    // Starts a run: forgets everything and reserves room for `secondCapacity` per-second
    // samples (clamped to 1..kMaxSecondCapacity). The only call that may allocate.
    void Begin(std::size_t secondCapacity);
    // Forgets everything recorded but keeps the reserved memory (the end of the warm-up).
    void Restart();

    // One frame of the given length.
    void RecordFrame(uint32_t frameMicros);
    // One measuring window of `windowMs` real milliseconds with `frames` frames, ending at
    // `elapsedMs` of measured time; `partial` for the last, incomplete one. GPUs beyond
    // kMaxRecordedGpus are dropped. When the ring is full the oldest sample is overwritten and
    // counted in DroppedSeconds().
    void RecordSecond(uint32_t frames, uint32_t windowMs, uint32_t elapsedMs,
                      std::span<const GpuSecondSample> gpus, bool partial = false);
    // Lowest and highest exact rate of the complete windows; NaN before one completed.
    double MinWindowRate() const { return completeWindows_ ? minRate_ : std::numeric_limits<double>::quiet_NaN(); }
    double MaxWindowRate() const { return completeWindows_ ? maxRate_ : std::numeric_limits<double>::quiet_NaN(); }

    uint64_t FrameCount() const { return frames_; }
    // Frame time at the given quantile (0 < q <= 1) by the nearest-rank rule: the smallest
    // recorded time t such that at least q of all frames took t or less. 0 with no frames.
    uint32_t Percentile(double q) const;
    // Average frame rate over the slowest `fraction` of the frames (at least one frame).
    double LowFps(double fraction) const;
    FrameTimeSummary Summarize() const;

    // Per-second samples in time order, oldest first.
    std::size_t SecondCount() const { return secondCount_; }
    // All of them, oldest first (a copy, for the report).
    std::vector<SecondSample> Seconds() const;
    const SecondSample& Second(std::size_t i) const;
    uint64_t DroppedSeconds() const { return droppedSeconds_; }
    std::size_t SecondCapacity() const { return seconds_.size(); }

    static std::size_t BinOf(uint32_t micros);
    // Smallest and largest time that falls into a bin.
    static uint32_t BinLow(std::size_t bin);
    static uint32_t BinHigh(std::size_t bin);

private:
    // The mean of the times recorded in a bin.
    double BinValue(std::size_t bin) const;

    std::array<uint64_t, kBinCount> bins_{};
    std::array<uint64_t, kBinCount> binSums_{};
    uint64_t frames_ = 0;
    uint64_t sumMicros_ = 0;
    uint32_t minMicros_ = 0;
    uint32_t maxMicros_ = 0;
    uint32_t worstThisSecond_ = 0;
    std::array<uint32_t, kWindowSampleCapacity> windowTimes_{};
    uint64_t windowFrames_ = 0;         // frames offered to windowTimes_ this window
    uint64_t sampleState_ = 0x9E3779B97F4A7C15ull;   // random numbers for the sample

    uint64_t completeWindows_ = 0;
    double minRate_ = 0.0;
    double maxRate_ = 0.0;

    std::vector<SecondSample> seconds_;   // ring; its size is the capacity
    std::size_t secondHead_ = 0;          // index of the oldest sample
    std::size_t secondCount_ = 0;
    uint64_t droppedSeconds_ = 0;
};
