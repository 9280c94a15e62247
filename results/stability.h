// The stability test's judgement: check frames compared byte for byte with the run's first,
// GL errors, a lost context, hung frames and temperature limits become error events with the
// moment they happened; throttling is read from the per-second samples; the run ends with a
// verdict (PASS, FAIL or STOPPED) that scripts and fleets act on.
//
// Threading: written by the render thread during the run; the counters the HUD and the window
// title show are atomics; everything else is read by the main thread after it joined the
// render thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "results/frame_time_stats.h"
#include "results/check_image.h"

struct StabilitySettings {
    uint32_t check_interval_ms = 10000;   // 0: no check frames
    uint32_t hang_limit_ms = 5000;        // a frame longer than this is an error; 0: no limit
    float max_temp_c = std::numeric_limits<float>::quiet_NaN();   // NaN: no limit
    uint32_t duration_ms = 0;             // timed run; 0: until the user ends it
};

// GPU 0's sensor values at the moment of an event; NaN where not measured.
struct GpuMoment {
    float temperature_c = std::numeric_limits<float>::quiet_NaN();
    float core_clock_mhz = std::numeric_limits<float>::quiet_NaN();
    float memory_clock_mhz = std::numeric_limits<float>::quiet_NaN();
};

enum class StabilityEventKind { CheckMismatch, CheckFailed, GlError, ContextLost, Hang, TemperatureLimit };

struct StabilityEvent {
    StabilityEventKind kind = StabilityEventKind::CheckMismatch;
    uint32_t time_ms = 0;        // run time of the event
    uint64_t pixels = 0;         // differing pixels (check mismatch)
    uint32_t check = 0;          // number of the check frame (1 = the reference)
    uint32_t value = 0;          // GL error code, reset status, frame time in ms (hang), GPU index
    float limit = 0.0f;          // the limit a hang or a temperature passed
    const char* detail = nullptr;   // a GL error's name
    // A hang seen while it lasted: the frame had not finished after `value` ms (it may never).
    bool unfinished = false;
    GpuMoment gpu;
    std::string Describe() const;   // "check frame 4 at 00:30 differs in 1234 pixels (GPU at 71°C)"
    const char* KindName() const;   // "check_mismatch", "gl_error", ... (the JSON's names)
};

// How one GPU's core clock held up over the run.
struct GpuThrottling {
    uint32_t gpu = 0;
    bool has_clocks = false;               // false: the driver publishes no core clock
    float peak_core_clock_mhz = 0.0f;
    uint32_t throttled_ms = 0;             // time below 90 % of the peak, after first reaching it
    bool throttled = false;
    uint32_t started_at_ms = 0;            // run time of the first throttled window
    float started_temperature_c = std::numeric_limits<float>::quiet_NaN();
};

// NotCompared: the run ended without an error having compared no check frame with its
// reference (too short, or check frames off), so it proves nothing either way.
enum class StabilityVerdict { Pass, Fail, Stopped, NotCompared };


class StabilityMonitor {
public:
    // At most this many events are kept with their details; further ones are only counted.
    static constexpr std::size_t kMaxKeptEvents = 100;

    // A new run: forgets everything.
    void Begin(const StabilitySettings& settings);
    const StabilitySettings& Settings() const { return settings_; }

    // Whether a check frame is due at this run time (the first one at the first frame).
    bool CheckDue(uint32_t elapsedMs) const;
    // A check frame was drawn and read back at elapsedMs. The first becomes the reference;
    // every later one must equal it byte for byte. Returns true when it differed; `first`
    // says whether this is the first differing one (its picture is worth saving).
    bool OnCheckFrame(uint32_t elapsedMs, const CheckImage& image, const GpuMoment& gpu, bool* first);
    // A check frame could not be drawn or read (incomplete framebuffer, read error).
    void OnCheckFailed(uint32_t elapsedMs, const GpuMoment& gpu);
    // `name`: the error's name ("GL_INVALID_ENUM"), a text that lives for the program.
    void OnGlError(uint32_t elapsedMs, uint32_t code, const char* name, const GpuMoment& gpu);
    void OnContextLost(uint32_t elapsedMs, uint32_t resetStatus, const GpuMoment& gpu);
    // Every frame's real time, without any check frame drawn before it.
    void OnFrameTime(uint32_t elapsedMs, uint32_t frameMs, const GpuMoment& gpu);
    // The watchdog saw a frame (or check frame) that started at frameStartMs still unfinished
    // after runningMs, past the hang limit; the run ends with it.
    void OnUnfinishedFrame(uint32_t frameStartMs, uint32_t runningMs, const GpuMoment& gpu);
    // Every sensor reading: true when a GPU is above --max-temp (the run must end).
    bool OnTemperature(uint32_t elapsedMs, uint32_t gpuIndex, float celsius, const GpuMoment& gpu);

    uint32_t Checks() const { return checks_.load(std::memory_order_relaxed); }
    uint32_t Errors() const { return errors_.load(std::memory_order_relaxed); }
    bool HasReference() const { return haveReference_; }
    bool LimitHit() const { return limitHit_; }
    bool ContextLost() const { return contextLost_; }
    const std::vector<StabilityEvent>& Events() const { return events_; }
    const CheckImage& Reference() const { return reference_; }

    // Where the first differing check frame and its reference were saved (empty: none).
    void SetSavedPictures(std::string reference, std::string differing);
    const std::string& SavedReference() const { return savedReference_; }
    const std::string& SavedDiffering() const { return savedDiffering_; }

    // The verdict of a run that lasted elapsedMs; `stoppedEarly`: the user ended a timed run
    // before its duration.
    StabilityVerdict Verdict(bool stoppedEarly) const;
    // "PASS (12:00, 72 checks, 0 errors, max 78°C)", "FAIL (<first reason>)", "STOPPED (...)",
    // "NOT COMPARED (...)";
    // maxTemperature NaN when no sensor read one.
    std::string VerdictText(bool stoppedEarly, uint32_t elapsedMs, float maxTemperature) const;

private:
    void Add(const StabilityEvent& event);

    StabilitySettings settings_{};
    std::atomic<uint32_t> checks_{0};
    std::atomic<uint32_t> errors_{0};
    bool haveReference_ = false;
    bool savedOnce_ = false;
    bool limitHit_ = false;
    bool contextLost_ = false;
    uint32_t lastCheckMs_ = 0;
    uint32_t compared_ = 0;   // check frames compared with the reference
    CheckImage reference_;
    std::vector<StabilityEvent> events_;
    std::string savedReference_;
    std::string savedDiffering_;
};

// Throttling per GPU from the run's per-second samples: the peak core clock, and how long the
// clock stayed below 90 % of it after the GPU first reached it, from when and at what
// temperature.
std::vector<GpuThrottling> ThrottlingFromSamples(std::span<const SecondSample> seconds);

// "mm:ss", or "h:mm:ss" from an hour on.
std::string RunClock(uint32_t ms);

// A count with its noun: "1 check", "2 checks", "0 errors" (nouns with a plain plural -s).
std::string CountText(uint64_t n, const char* noun);

