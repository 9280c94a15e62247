// Progress of a headless run on standard error.
#include "run/run_progress.h"

#include <cmath>

#include "results/stability.h"

namespace {

constexpr uint32_t kTerminalIntervalMs = 1000;
constexpr uint32_t kPlainIntervalMs = 5000;
// A rate over less time than this is one or two frames' worth of noise (a first frame of
// 1 ms reads as 1000 fps), so none is shown before.
constexpr uint32_t kMinRateSpanMs = 1000;

std::string Printf(const char* format, auto... args)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, format, args...);
    return buf;
}

std::string Seconds(uint32_t ms) { return Printf("%.1f", ms / 1000.0); }

std::string TimeLeft(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return {};
    const auto s = static_cast<unsigned long>(std::lround(seconds));
    if (s < 100)
        return Printf(", about %lu s left", s);
    return Printf(", about %lu min %02lu s left", s / 60, s % 60);
}

}  // namespace

std::string RunProgress::DescribeRun(const RunProgressSettings& s)
{
    std::string text = Printf("gridfall: %s, %dx%d, tessellation level %.1f, post-processing %s, ",
                              s.benchmark ? "benchmark" : "stability test", s.width, s.height,
                              static_cast<double>(s.tess_level), s.post_fx ? s.post_fx : "off");
    if (s.benchmark && s.time_based)
        text += Printf("%s s measured after a %s s warm-up", Seconds(s.duration_ms).c_str(),
                       Seconds(s.warmup_ms).c_str());
    else if (s.benchmark)
        text += Printf("%s measured after a %s s warm-up", CountText(s.max_frames, "frame").c_str(),
                       Seconds(s.warmup_ms).c_str());
    else if (s.duration_ms > 0)
        text += Printf("%s s", Seconds(s.duration_ms).c_str());
    else
        text += "until stopped";
    return text;
}

std::string RunProgress::StatusText(RunPhase phase, uint32_t phaseElapsedMs, uint32_t phaseFrames,
                                    double windowRate) const
{
    const RunProgressSettings& s = settings_;
    // The last complete window's rate; before one closed, the phase's average so far.
    double rate = windowRate;
    if (!std::isfinite(rate) && phaseElapsedMs >= kMinRateSpanMs)
        rate = phaseFrames * 1000.0 / phaseElapsedMs;
    const std::string rateText = std::isfinite(rate) ? Printf("%.2f fps", rate) : std::string("-- fps");
    // Seconds a frame-count run still needs at this rate.
    const auto framesLeft = [&](uint32_t done) {
        return rate > 0 && s.max_frames > done ? (s.max_frames - done) / rate : 0.0;
    };

    switch (phase) {
    case RunPhase::WarmUp: {
        const double warmLeft = s.warmup_ms > phaseElapsedMs ? (s.warmup_ms - phaseElapsedMs) / 1000.0 : 0.0;
        const double measureLeft = s.time_based ? s.duration_ms / 1000.0 : (rate > 0 ? framesLeft(0) : NAN);
        return Printf("warm-up: %s of %s s, %s", Seconds(phaseElapsedMs).c_str(),
                      Seconds(s.warmup_ms).c_str(), rateText.c_str()) +
               TimeLeft(warmLeft + measureLeft);
    }
    case RunPhase::Measuring:
        if (s.time_based) {
            const double left = s.duration_ms > phaseElapsedMs ? (s.duration_ms - phaseElapsedMs) / 1000.0 : 0.0;
            return Printf("measuring: %s of %s s, %s, %s", Seconds(phaseElapsedMs).c_str(),
                          Seconds(s.duration_ms).c_str(), CountText(phaseFrames, "frame").c_str(),
                          rateText.c_str()) +
                   TimeLeft(left);
        }
        return Printf("measuring: %u of %s, %s s, %s", phaseFrames, CountText(s.max_frames, "frame").c_str(),
                      Seconds(phaseElapsedMs).c_str(), rateText.c_str()) +
               TimeLeft(rate > 0 ? framesLeft(phaseFrames) : NAN);
    case RunPhase::Running:
        if (s.duration_ms > 0) {
            const double left = s.duration_ms > phaseElapsedMs ? (s.duration_ms - phaseElapsedMs) / 1000.0 : 0.0;
            return Printf("running: %s of %s s, %s, %s", Seconds(phaseElapsedMs).c_str(),
                          Seconds(s.duration_ms).c_str(), CountText(phaseFrames, "frame").c_str(),
                          rateText.c_str()) +
                   TimeLeft(left);
        }
        return Printf("running: %s s, %s, %s", Seconds(phaseElapsedMs).c_str(),
                      CountText(phaseFrames, "frame").c_str(), rateText.c_str());
    }
    return {};
}

void RunProgress::Emit(const std::string& text)
{
    if (terminal_)
        std::fprintf(out_, "\r%s\033[K", text.c_str());   // rewrite the line, clear what is left of it
    else
        std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

void RunProgress::Begin(const RunProgressSettings& settings, uint32_t nowMs)
{
    settings_ = settings;
    started_ = true;
    printedOnce_ = false;
    lastPrintMs_ = nowMs;
    std::fprintf(out_, "%s\n", DescribeRun(settings).c_str());
    std::fflush(out_);
}

void RunProgress::Update(RunPhase phase, uint32_t phaseElapsedMs, uint32_t phaseFrames, double windowRate,
                         uint32_t nowMs)
{
    if (!started_)
        return;
    const bool phaseChanged = !printedOnce_ || phase != lastPhase_;
    const uint32_t interval = terminal_ ? kTerminalIntervalMs : kPlainIntervalMs;
    if (!phaseChanged && nowMs - lastPrintMs_ < interval)
        return;
    if (terminal_ && printedOnce_ && phase != lastPhase_)
        std::fputc('\n', out_);   // keep the finished phase's last line on screen
    lastPhase_ = phase;
    printedOnce_ = true;
    lastPrintMs_ = nowMs;
    Emit(StatusText(phase, phaseElapsedMs, phaseFrames, windowRate));
}

void RunProgress::End(uint32_t measuredMs, uint32_t frames, bool stopped)
{
    if (!started_)
        return;
    started_ = false;
    if (terminal_ && printedOnce_)
        std::fputc('\n', out_);
    const double rate = measuredMs >= kMinRateSpanMs ? frames * 1000.0 / measuredMs : NAN;
    std::string text = Printf("%s: %s in %s s measured", stopped ? "stopped" : "done",
                              CountText(frames, "frame").c_str(), Seconds(measuredMs).c_str());
    if (std::isfinite(rate))
        text += Printf(" (%.2f fps)", rate);
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}
