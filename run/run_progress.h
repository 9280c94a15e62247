// Progress of a headless run on standard error, so that a run that takes minutes on a slow GPU
// does not look hung: first what runs, then the phase, how far it is, the current frame rate
// and the expected time left. On a terminal one line is rewritten in place at most once a
// second; otherwise (a log file, a CI job) plain lines every 5 s and at each change of phase.
// Standard output is left alone: scripts parse it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct RunProgressSettings {
    int32_t width = 0;
    int32_t height = 0;
    float tess_level = 0.0f;
    const char* post_fx = "off";
    bool benchmark = true;        // false: stability test
    bool time_based = true;
    uint32_t duration_ms = 0;     // time-based benchmark; 0 for an endless stability test
    uint32_t max_frames = 0;      // frame-count benchmark
    uint32_t warmup_ms = 0;       // benchmark only
};

enum class RunPhase { WarmUp, Measuring, Running };

class RunProgress {
public:
    // `terminal`: the stream is a terminal (rewrite one line) rather than a file or pipe.
    RunProgress(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

    // Prints what runs. nowMs: any millisecond clock; the same one for every call.
    void Begin(const RunProgressSettings& settings, uint32_t nowMs);
    // After every frame: phase, time spent in it, frames counted in it and the rate of the
    // last measuring window (NaN before one closed). Prints only when due.
    void Update(RunPhase phase, uint32_t phaseElapsedMs, uint32_t phaseFrames, double windowRate,
                uint32_t nowMs);
    // The run ended: a last line with what was measured ("stopped" when ended early).
    void End(uint32_t measuredMs, uint32_t frames, bool stopped);

    // The status text for a state, without line control: pure, for the tests.
    std::string StatusText(RunPhase phase, uint32_t phaseElapsedMs, uint32_t phaseFrames,
                           double windowRate) const;
    static std::string DescribeRun(const RunProgressSettings& settings);

private:
    void Emit(const std::string& text);

    std::FILE* out_;
    bool terminal_;
    RunProgressSettings settings_{};
    bool started_ = false;
    bool printedOnce_ = false;
    RunPhase lastPhase_ = RunPhase::WarmUp;
    uint32_t lastPrintMs_ = 0;
};
