// Benchmark score, progress and result texts.
#include "results/scoring.h"

#include <cstdio>

#include "core/product.h"


BenchmarkScore ComputeBenchmarkScore(int32_t activeTimeBased, uint32_t totalFrames,
                                     uint32_t elapsedMs, uint32_t durationMs, uint32_t maxFrames)
{
    BenchmarkScore s;
    s.timeBased = activeTimeBased == 1;
    if (s.timeBased) {
        s.score = static_cast<int32_t>(totalFrames);
        s.companion = static_cast<int32_t>(durationMs);
    } else {
        s.score = static_cast<int32_t>(elapsedMs);
        s.companion = static_cast<int32_t>(maxFrames);
    }
    return s;
}

const char* ScoreUnit(const BenchmarkScore& s) { return s.timeBased ? "points" : "ms"; }

int32_t ProgressPercent(int32_t activeTimeBased, uint32_t elapsedMs, uint32_t durationMs,
                        uint32_t totalFrames, uint32_t maxFrames)
{
    // 64-bit products: elapsed * 100 overflows 32 bits after about 12 hours.
    if (activeTimeBased == 1) {
        if (durationMs == 0)
            return 0;
        return static_cast<int32_t>(uint64_t(elapsedMs) * 100u / durationMs);
    }
    if (maxFrames == 0)
        return 0;
    return static_cast<int32_t>(uint64_t(totalFrames) * 100u / maxFrames);
}

float ProgressBarStep(int32_t activeTimeBased, int32_t windowWidth, uint32_t durationMs,
                      uint32_t maxFrames, float dtSeconds)
{
    if (activeTimeBased == 1) {
        if (durationMs == 0)
            return 0.0f;
        return static_cast<float>(windowWidth) / (static_cast<float>(durationMs) * 0.001f) *
               dtSeconds;
    }
    if (maxFrames == 0)
        return 0.0f;
    return static_cast<float>(windowWidth) / static_cast<float>(maxFrames);
}

char* FormatScoreLine(char* buf, size_t size, const BenchmarkScore& s)
{
    if (s.timeBased)
        std::snprintf(buf, size, "SCORE: %d points, time: %d ms", s.score, s.companion);
    else
        std::snprintf(buf, size, "SCORE: %d ms, frames: %d", s.score, s.companion);
    return buf;
}

char* FormatResultTitle(char* buf, size_t size, const BenchmarkScore& s)
{
    if (s.timeBased)
        std::snprintf(buf, size, "%s %d.%d.%d - SCORE: %d points (%d ms)", kProductTitle,
                      kVersionMajor, kVersionMinor, kVersionPatch, s.score, s.companion);
    else
        std::snprintf(buf, size, "%s %d.%d.%d - SCORE: %d ms (%d frame%s)", kProductTitle,
                      kVersionMajor, kVersionMinor, kVersionPatch, s.score, s.companion,
                      s.companion == 1 ? "" : "s");
    return buf;
}

char* FormatMaxTemperatureLine(char* buf, size_t size, bool hasTemperature, float maxTemperature,
                               float maxCurrent)
{
    char temperature[32] = "n.a.";
    if (hasTemperature)
        std::snprintf(temperature, sizeof temperature, "%d\u00B0C",
                      static_cast<int>(maxTemperature));
    if (maxCurrent > 0.0f)
        std::snprintf(buf, size, "Max GPU temp: %s - Max current: %.1fA", temperature,
                      static_cast<double>(maxCurrent));
    else
        std::snprintf(buf, size, "Max GPU temp: %s", temperature);
    return buf;
}
