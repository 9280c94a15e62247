// Benchmark run control arithmetic: the score and its companion value, the progress shown
// during the run, and the result texts built from them. Pure functions, so the HUD, the result
// dialog, the headless report and the automation output all agree.
#pragma once

#include <cstddef>
#include <cstdint>

// Score of a finished benchmark run.
//   time-based run:  score = frames rendered after the warm-up, unit "points",
//                    companion = the duration in ms;
//   frame-count run: score = elapsed ms after the warm-up when the frame limit was reached,
//                    unit "ms", companion = the frame limit.
struct BenchmarkScore {
    bool timeBased = true;
    int32_t score = 0;
    int32_t companion = 0;
};

BenchmarkScore ComputeBenchmarkScore(int32_t activeTimeBased, uint32_t totalFrames,
                                     uint32_t elapsedMs, uint32_t durationMs, uint32_t maxFrames);


// "points" or "ms".
const char* ScoreUnit(const BenchmarkScore& s);

// Whole percent of the run done: trunc(elapsed / duration * 100) for a time-based run,
// trunc(frames / limit * 100) for a frame-count run. A zero duration or limit has no meaningful
// progress and reads 0 rather than dividing by zero.
int32_t ProgressPercent(int32_t activeTimeBased, uint32_t elapsedMs, uint32_t durationMs,
                        uint32_t totalFrames, uint32_t maxFrames);

// Pixels the progress bar grows in one frame so that it reaches windowWidth when the run ends:
// windowWidth / duration_s * dt (time-based) or windowWidth / limit (frame-count). 0 for a zero
// duration or limit.
float ProgressBarStep(int32_t activeTimeBased, int32_t windowWidth, uint32_t durationMs,
                      uint32_t maxFrames, float dtSeconds);

// "SCORE: %d points, time: %d ms" or "SCORE: %d ms, frames: %d". Returns buf.
char* FormatScoreLine(char* buf, size_t size, const BenchmarkScore& s);
// "Lumetra Gridfall 0.3.0 - SCORE: %d points (%d ms)" or "... - SCORE: %d ms (%d frames)"
// ("1 frame" for a one-frame run).
char* FormatResultTitle(char* buf, size_t size, const BenchmarkScore& s);
// "Max GPU temp: %d°C - Max current: %.1fA" when the current is above 0, else
// "Max GPU temp: %d°C" (temperature truncated; UTF-8 degree sign). Without a temperature
// sensor the temperature reads "n.a.", not 0°C.
char* FormatMaxTemperatureLine(char* buf, size_t size, bool hasTemperature, float maxTemperature,
                               float maxCurrent);
