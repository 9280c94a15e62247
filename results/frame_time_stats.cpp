// Frame-time histogram and per-second ring of a run.
#include "results/frame_time_stats.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

// Ranks are computed in floating point; 0.01 * 1000 is 10.000000000000002, which must still
// mean 10 frames, not 11.
uint64_t CeilCount(double fraction, uint64_t frames)
{
    const double exact = fraction * static_cast<double>(frames);
    return static_cast<uint64_t>(std::ceil(exact - 1e-9));
}

}  // namespace

FrameTimeStats::FrameTimeStats() = default;

void FrameTimeStats::Begin(std::size_t secondCapacity)
{
    secondCapacity = std::clamp<std::size_t>(secondCapacity, 1, kMaxSecondCapacity);
    // A fresh vector rather than resize(): a shorter run after a longer one gives memory back.
    std::vector<SecondSample>(secondCapacity).swap(seconds_);
    Restart();
}

void FrameTimeStats::Restart()
{
    bins_.fill(0);
    binSums_.fill(0);
    frames_ = 0;
    sumMicros_ = 0;
    minMicros_ = 0;
    maxMicros_ = 0;
    worstThisSecond_ = 0;
    windowFrames_ = 0;
    secondHead_ = 0;
    secondCount_ = 0;
    droppedSeconds_ = 0;
    completeWindows_ = 0;
    minRate_ = 0.0;
    maxRate_ = 0.0;
}

std::size_t FrameTimeStats::BinOf(uint32_t micros)
{
    if (micros < kExactLimit)
        return micros;
    const int e = std::bit_width(micros) - 1;                 // 8..31
    const uint32_t sub = (micros >> (e - 7)) & (kSubBins - 1);
    return kExactLimit + static_cast<std::size_t>(e - 8) * kSubBins + sub;
}

uint32_t FrameTimeStats::BinLow(std::size_t bin)
{
    if (bin < kExactLimit)
        return static_cast<uint32_t>(bin);
    const std::size_t k = bin - kExactLimit;
    const int e = 8 + static_cast<int>(k / kSubBins);
    const uint64_t sub = k % kSubBins;
    return static_cast<uint32_t>((kSubBins + sub) << (e - 7));
}

uint32_t FrameTimeStats::BinHigh(std::size_t bin)
{
    if (bin < kExactLimit)
        return static_cast<uint32_t>(bin);
    const std::size_t k = bin - kExactLimit;
    const int e = 8 + static_cast<int>(k / kSubBins);
    return static_cast<uint32_t>(uint64_t{BinLow(bin)} + (uint64_t{1} << (e - 7)) - 1);
}

double FrameTimeStats::BinValue(std::size_t bin) const
{
    if (bins_[bin] == 0)
        return static_cast<double>(BinLow(bin));
    return static_cast<double>(binSums_[bin]) / static_cast<double>(bins_[bin]);
}

void FrameTimeStats::RecordFrame(uint32_t frameMicros)
{
    const std::size_t bin = BinOf(frameMicros);
    ++bins_[bin];
    binSums_[bin] += frameMicros;
    if (frames_ == 0 || frameMicros < minMicros_)
        minMicros_ = frameMicros;
    maxMicros_ = std::max(maxMicros_, frameMicros);
    worstThisSecond_ = std::max(worstThisSecond_, frameMicros);
    if (windowFrames_ < kWindowSampleCapacity) {
        windowTimes_[windowFrames_] = frameMicros;
    } else {
        // Each of the window's frames ends up in the sample with the same chance.
        sampleState_ = sampleState_ * 6364136223846793005ull + 1442695040888963407ull;
        const uint64_t slot = (sampleState_ >> 11) % (windowFrames_ + 1);
        if (slot < kWindowSampleCapacity)
            windowTimes_[slot] = frameMicros;
    }
    ++windowFrames_;
    ++frames_;
    sumMicros_ += frameMicros;
}

void FrameTimeStats::RecordSecond(uint32_t frames, uint32_t windowMs, uint32_t elapsedMs,
                                  std::span<const GpuSecondSample> gpus, bool partial)
{
    const uint32_t worst = worstThisSecond_;
    worstThisSecond_ = 0;
    const std::size_t kept = static_cast<std::size_t>(std::min<uint64_t>(windowFrames_, kWindowSampleCapacity));
    windowFrames_ = 0;
    uint32_t p50 = 0, p99 = 0;
    if (kept > 0) {
        const auto rank = [&](double q) {
            return std::clamp<std::size_t>(static_cast<std::size_t>(CeilCount(q, kept)), 1, kept) - 1;
        };
        uint32_t* const times = windowTimes_.data();
        std::nth_element(times, times + rank(0.50), times + kept);
        p50 = times[rank(0.50)];
        std::nth_element(times, times + rank(0.99), times + kept);
        p99 = times[rank(0.99)];
    }
    if (!partial && windowMs > 0) {
        const double rate = frames * 1000.0 / windowMs;
        minRate_ = completeWindows_ == 0 ? rate : std::min(minRate_, rate);
        maxRate_ = completeWindows_ == 0 ? rate : std::max(maxRate_, rate);
        ++completeWindows_;
    }
    if (seconds_.empty())
        return;  // Begin was never called: nothing reserved, nothing to keep
    std::size_t slot;
    if (secondCount_ < seconds_.size()) {
        slot = (secondHead_ + secondCount_) % seconds_.size();
        ++secondCount_;
    } else {
        slot = secondHead_;
        secondHead_ = (secondHead_ + 1) % seconds_.size();
        ++droppedSeconds_;
    }
    SecondSample& s = seconds_[slot];
    s.elapsed_ms = elapsedMs;
    s.window_ms = windowMs;
    s.frames = frames;
    s.partial = partial;
    s.worst_frame_us = worst;
    s.p50_frame_us = p50;
    s.p99_frame_us = p99;
    s.gpu_count = static_cast<uint32_t>(std::min(gpus.size(), kMaxRecordedGpus));
    s.gpus = {};
    std::copy_n(gpus.begin(), s.gpu_count, s.gpus.begin());
}

const SecondSample& FrameTimeStats::Second(std::size_t i) const
{
    return seconds_[(secondHead_ + i) % seconds_.size()];
}

uint32_t FrameTimeStats::Percentile(double q) const
{
    if (frames_ == 0)
        return 0;
    const uint64_t rank = std::clamp<uint64_t>(CeilCount(q, frames_), 1, frames_);
    uint64_t seen = 0;
    for (std::size_t b = 0; b < kBinCount; ++b) {
        seen += bins_[b];
        if (seen >= rank)
            return static_cast<uint32_t>(std::lround(BinValue(b)));
    }
    return maxMicros_;
}

double FrameTimeStats::LowFps(double fraction) const
{
    if (frames_ == 0)
        return 0.0;
    const uint64_t wanted = std::clamp<uint64_t>(CeilCount(fraction, frames_), 1, frames_);
    uint64_t left = wanted;
    double sum = 0.0;
    for (std::size_t b = kBinCount; b-- > 0 && left > 0;) {
        const uint64_t take = std::min(left, bins_[b]);
        sum += static_cast<double>(take) * BinValue(b);
        left -= take;
    }
    const double mean = sum / static_cast<double>(wanted);
    return mean > 0.0 ? 1e6 / mean : 0.0;
}

FrameTimeSummary FrameTimeStats::Summarize() const
{
    FrameTimeSummary s;
    s.frames = frames_;
    if (frames_ == 0)
        return s;
    s.mean_us = static_cast<double>(sumMicros_) / static_cast<double>(frames_);
    s.min_us = minMicros_;
    s.max_us = maxMicros_;
    s.p50_us = Percentile(0.50);
    s.p95_us = Percentile(0.95);
    s.p99_us = Percentile(0.99);
    s.low_1pct_fps = LowFps(0.01);
    s.low_01pct_fps = LowFps(0.001);
    return s;
}

std::vector<SecondSample> FrameTimeStats::Seconds() const
{
    std::vector<SecondSample> out;
    out.reserve(secondCount_);
    for (std::size_t i = 0; i < secondCount_; ++i)
        out.push_back(Second(i));
    return out;
}
