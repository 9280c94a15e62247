// The summary of a --repeat series: N benchmark runs in a row, each with its own warm-up.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

// What is kept of each finished run of a series.
struct RepeatRun {
    double score = 0;                // points, or ms for a frame-count run
    uint32_t total_frames = 0;
    uint32_t elapsed_ms = 0;
    double fps_avg = 0;              // exact: frames over the measured time
    double fps_min = NAN, fps_max = NAN;  // exact rates of its slowest and fastest complete window
    double p50_ms = 0, p99_ms = 0;
    double low_1pct_fps = 0, low_01pct_fps = 0;
};

// Mean, sample standard deviation (n - 1), coefficient of variation and the 95 % interval of
// the mean by Student's t distribution. With one run the spread is unknown: NaN.
struct RepeatSummary {
    std::size_t runs = 0;
    double mean = 0;
    double stddev = 0;
    double cv_percent = 0;
    double ci95_low = 0, ci95_high = 0;
};
RepeatSummary SummarizeRepeat(const std::vector<double>& scores);

// Two-sided 97.5 % quantile of Student's t distribution with `df` degrees of freedom.
double StudentT975(std::size_t df);

// The lines printed on standard output before the score line, each ending in '\n':
//   "Repeat: 3 runs: 1234, 1250, 1240 points"
//   "Mean: 1241.33 points, standard deviation 8.08, CV 0.65 %, 95 % interval 1221.25 to 1261.41"
std::string FormatRepeatLines(const std::vector<RepeatRun>& runs, const char* unit);
