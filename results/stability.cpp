// The stability test's judgement (see the header).
#include "results/stability.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {


std::string Printf(const char* format, auto... args)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, format, args...);
    return buf;
}

// ", GPU at 71°C" when the temperature was measured.
std::string GpuPart(const GpuMoment& gpu)
{
    if (!std::isfinite(gpu.temperature_c))
        return {};
    return Printf(" (GPU at %d\u00B0C)", static_cast<int>(gpu.temperature_c));
}

StabilityEvent MakeEvent(StabilityEventKind kind, uint32_t timeMs, const GpuMoment& gpu, uint32_t value = 0)
{
    StabilityEvent e;
    e.kind = kind;
    e.time_ms = timeMs;
    e.gpu = gpu;
    e.value = value;
    return e;
}

}  // namespace

std::string RunClock(uint32_t ms)
{
    const uint32_t s = ms / 1000;
    if (s >= 3600)
        return Printf("%u:%02u:%02u", s / 3600, s % 3600 / 60, s % 60);
    return Printf("%02u:%02u", s / 60, s % 60);
}

std::string CountText(uint64_t n, const char* noun)
{
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

const char* StabilityEvent::KindName() const
{
    switch (kind) {
    case StabilityEventKind::CheckMismatch: return "check_mismatch";
    case StabilityEventKind::CheckFailed: return "check_failed";
    case StabilityEventKind::GlError: return "gl_error";
    case StabilityEventKind::ContextLost: return "context_lost";
    case StabilityEventKind::Hang: return "hang";
    case StabilityEventKind::TemperatureLimit: return "temperature_limit";
    }
    return "unknown";
}

std::string StabilityEvent::Describe() const
{
    const std::string at = RunClock(time_ms);
    switch (kind) {
    case StabilityEventKind::CheckMismatch:
        return Printf("check frame %u at %s differs in %llu pixel%s", check, at.c_str(),
                      static_cast<unsigned long long>(pixels), pixels == 1 ? "" : "s") + GpuPart(gpu);
    case StabilityEventKind::CheckFailed:
        return Printf("check frame %u at %s could not be drawn or read back", check, at.c_str()) + GpuPart(gpu);
    case StabilityEventKind::GlError:
        return Printf("GL error %s (0x%04X) at %s", detail ? detail : "unknown", value, at.c_str()) + GpuPart(gpu);
    case StabilityEventKind::ContextLost:
        return Printf("GL context lost at %s (reset status 0x%04X)", at.c_str(), value) + GpuPart(gpu);
    case StabilityEventKind::Hang:
        if (unfinished)
            return Printf("the GPU did not finish a frame within %u ms at %s", static_cast<unsigned>(limit),
                          at.c_str()) + GpuPart(gpu);
        return Printf("a frame took %u ms at %s (limit %u ms)", value, at.c_str(), static_cast<unsigned>(limit));
    case StabilityEventKind::TemperatureLimit:
        return Printf("GPU %u reached %d\u00B0C at %s (limit %d\u00B0C)", value + 1,
                      static_cast<int>(gpu.temperature_c), at.c_str(), static_cast<int>(limit));
    }
    return "unknown event";
}

void StabilityMonitor::Begin(const StabilitySettings& settings)
{
    settings_ = settings;
    checks_.store(0);
    errors_.store(0);
    haveReference_ = false;
    savedOnce_ = false;
    limitHit_ = false;
    contextLost_ = false;
    lastCheckMs_ = 0;
    compared_ = 0;
    reference_ = CheckImage{};
    events_.clear();
    savedReference_.clear();
    savedDiffering_.clear();
}

void StabilityMonitor::Add(const StabilityEvent& event)
{
    if (events_.size() < kMaxKeptEvents)
        events_.push_back(event);
    errors_.fetch_add(1, std::memory_order_relaxed);
}

bool StabilityMonitor::CheckDue(uint32_t elapsedMs) const
{
    if (settings_.check_interval_ms == 0 || contextLost_)
        return false;
    return !haveReference_ || elapsedMs - lastCheckMs_ >= settings_.check_interval_ms;
}

bool StabilityMonitor::OnCheckFrame(uint32_t elapsedMs, const CheckImage& image, const GpuMoment& gpu,
                                    bool* first)
{
    if (first)
        *first = false;
    lastCheckMs_ = elapsedMs;
    const uint32_t number = checks_.fetch_add(1, std::memory_order_relaxed) + 1;
    if (!haveReference_) {
        reference_ = image;
        haveReference_ = true;
        return false;
    }
    ++compared_;
    // The same commands on the same driver give the same bytes: any difference is an error.
    uint64_t differing = 0;
    if (image.width != reference_.width || image.height != reference_.height ||
        image.rgba.size() != reference_.rgba.size()) {
        differing = static_cast<uint64_t>(reference_.width) * static_cast<uint64_t>(reference_.height);
    } else if (std::memcmp(image.rgba.data(), reference_.rgba.data(), image.rgba.size()) != 0) {
        for (std::size_t i = 0; i + 4 <= image.rgba.size(); i += 4)
            differing += std::memcmp(&image.rgba[i], &reference_.rgba[i], 4) != 0;
    }
    if (differing == 0)
        return false;
    StabilityEvent e = MakeEvent(StabilityEventKind::CheckMismatch, elapsedMs, gpu);
    e.pixels = differing;
    e.check = number;
    Add(e);
    if (first) {
        *first = !savedOnce_;
        savedOnce_ = true;
    }
    return true;
}

void StabilityMonitor::OnCheckFailed(uint32_t elapsedMs, const GpuMoment& gpu)
{
    lastCheckMs_ = elapsedMs;
    StabilityEvent e = MakeEvent(StabilityEventKind::CheckFailed, elapsedMs, gpu);
    e.check = checks_.fetch_add(1, std::memory_order_relaxed) + 1;
    Add(e);
}

void StabilityMonitor::OnGlError(uint32_t elapsedMs, uint32_t code, const char* name, const GpuMoment& gpu)
{
    StabilityEvent e = MakeEvent(StabilityEventKind::GlError, elapsedMs, gpu, code);
    e.detail = name;
    Add(e);
}

void StabilityMonitor::OnContextLost(uint32_t elapsedMs, uint32_t resetStatus, const GpuMoment& gpu)
{
    if (contextLost_)
        return;
    contextLost_ = true;
    Add(MakeEvent(StabilityEventKind::ContextLost, elapsedMs, gpu, resetStatus));
}

void StabilityMonitor::OnFrameTime(uint32_t elapsedMs, uint32_t frameMs, const GpuMoment& gpu)
{
    if (settings_.hang_limit_ms == 0 || frameMs <= settings_.hang_limit_ms)
        return;
    StabilityEvent e = MakeEvent(StabilityEventKind::Hang, elapsedMs, gpu, frameMs);
    e.limit = static_cast<float>(settings_.hang_limit_ms);
    Add(e);
}

void StabilityMonitor::OnUnfinishedFrame(uint32_t frameStartMs, uint32_t runningMs, const GpuMoment& gpu)
{
    StabilityEvent e = MakeEvent(StabilityEventKind::Hang, frameStartMs, gpu, runningMs);
    e.limit = static_cast<float>(settings_.hang_limit_ms);
    e.unfinished = true;
    Add(e);
}

bool StabilityMonitor::OnTemperature(uint32_t elapsedMs, uint32_t gpuIndex, float celsius, const GpuMoment& gpu)
{
    if (!std::isfinite(settings_.max_temp_c) || !std::isfinite(celsius) || celsius <= settings_.max_temp_c ||
        limitHit_)
        return limitHit_;
    limitHit_ = true;
    StabilityEvent e = MakeEvent(StabilityEventKind::TemperatureLimit, elapsedMs, gpu, gpuIndex);
    e.limit = settings_.max_temp_c;
    e.gpu.temperature_c = celsius;
    Add(e);
    return true;
}

void StabilityMonitor::SetSavedPictures(std::string reference, std::string differing)
{
    savedReference_ = std::move(reference);
    savedDiffering_ = std::move(differing);
}

StabilityVerdict StabilityMonitor::Verdict(bool stoppedEarly) const
{
    // An error outweighs an early stop: the card failed either way.
    if (Errors() > 0 || limitHit_)
        return StabilityVerdict::Fail;
    if (stoppedEarly)
        return StabilityVerdict::Stopped;
    return compared_ > 0 ? StabilityVerdict::Pass : StabilityVerdict::NotCompared;
}

std::string StabilityMonitor::VerdictText(bool stoppedEarly, uint32_t elapsedMs, float maxTemperature) const
{
    const std::string maxText = std::isfinite(maxTemperature)
                                    ? Printf("%d\u00B0C", static_cast<int>(maxTemperature))
                                    : std::string("n.a.");
    const uint32_t checks = Checks(), errors = Errors();
    // A limit nobody could check must not read as a limit kept.
    const std::string unchecked = std::isfinite(settings_.max_temp_c) && !std::isfinite(maxTemperature)
                                      ? ", temperature limit not checked: no sensor"
                                      : "";
    switch (Verdict(stoppedEarly)) {
    case StabilityVerdict::Fail:
        return "FAIL (" + (events_.empty() ? std::string("errors") : events_.front().Describe()) + unchecked + ")";
    case StabilityVerdict::Stopped:
        return Printf("STOPPED (at %s of %s, %s, %s, max %s%s)", RunClock(elapsedMs).c_str(),
                      RunClock(settings_.duration_ms).c_str(), CountText(checks, "check").c_str(),
                      CountText(errors, "error").c_str(), maxText.c_str(), unchecked.c_str());
    case StabilityVerdict::NotCompared:
        return Printf("NOT COMPARED (%s, %s, %s, max %s%s: no check frame was compared with the reference)",
                      RunClock(elapsedMs).c_str(), CountText(checks, "check").c_str(),
                      CountText(errors, "error").c_str(), maxText.c_str(), unchecked.c_str());
    case StabilityVerdict::Pass:
        break;
    }
    return Printf("PASS (%s, %s, %s, max %s%s)", RunClock(elapsedMs).c_str(), CountText(checks, "check").c_str(),
                  CountText(errors, "error").c_str(), maxText.c_str(), unchecked.c_str());
}

std::vector<GpuThrottling> ThrottlingFromSamples(std::span<const SecondSample> seconds)
{
    uint32_t gpus = 0;
    for (const SecondSample& s : seconds)
        gpus = std::max(gpus, s.gpu_count);
    std::vector<GpuThrottling> out(gpus);
    for (uint32_t g = 0; g < gpus; ++g) {
        GpuThrottling& t = out[g];
        t.gpu = g;
        for (const SecondSample& s : seconds) {
            if (g < s.gpu_count && std::isfinite(s.gpus[g].core_clock_mhz)) {
                t.has_clocks = true;
                t.peak_core_clock_mhz = std::max(t.peak_core_clock_mhz, s.gpus[g].core_clock_mhz);
            }
        }
        if (!t.has_clocks || t.peak_core_clock_mhz <= 0.0f)
            continue;
        // Below 90 % of the peak, counted only once the GPU had first reached it: the clock
        // ramping up at the start of the load is no throttling.
        const float floor = 0.9f * t.peak_core_clock_mhz;
        bool reached = false;
        for (const SecondSample& s : seconds) {
            if (g >= s.gpu_count || !std::isfinite(s.gpus[g].core_clock_mhz))
                continue;
            const float clock = s.gpus[g].core_clock_mhz;
            if (clock >= floor) {
                reached = true;
                continue;
            }
            if (!reached)
                continue;
            if (!t.throttled) {
                t.throttled = true;
                t.started_at_ms = s.elapsed_ms - s.window_ms;
                t.started_temperature_c = s.gpus[g].temperature_c;
            }
            t.throttled_ms += s.window_ms;
        }
    }
    return out;
}
