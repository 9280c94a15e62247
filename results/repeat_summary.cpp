// Statistics of a --repeat series.
#include "results/repeat_summary.h"

#include <cmath>
#include <limits>

#include "results/results_json.h"

double StudentT975(std::size_t df)
{
    // Quantiles for 1 to 30 degrees of freedom; beyond, the normal value is within 1 %.
    static constexpr double kTable[] = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306,
                                        2.262,  2.228, 2.201, 2.179, 2.160, 2.145, 2.131, 2.120,
                                        2.110,  2.101, 2.093, 2.086, 2.080, 2.074, 2.069, 2.064,
                                        2.060,  2.056, 2.052, 2.048, 2.045, 2.042};
    if (df == 0)
        return std::numeric_limits<double>::quiet_NaN();
    if (df <= std::size(kTable))
        return kTable[df - 1];
    return df <= 60 ? 2.000 : df <= 120 ? 1.980 : 1.960;
}

RepeatSummary SummarizeRepeat(const std::vector<double>& scores)
{
    RepeatSummary s;
    s.runs = scores.size();
    if (scores.empty()) {
        s.mean = s.stddev = s.cv_percent = s.ci95_low = s.ci95_high = NAN;
        return s;
    }
    double sum = 0;
    for (double v : scores)
        sum += v;
    s.mean = sum / static_cast<double>(scores.size());
    if (scores.size() < 2) {
        s.stddev = s.cv_percent = s.ci95_low = s.ci95_high = NAN;
        return s;
    }
    double squares = 0;
    for (double v : scores)
        squares += (v - s.mean) * (v - s.mean);
    s.stddev = std::sqrt(squares / static_cast<double>(scores.size() - 1));
    s.cv_percent = s.mean != 0 ? s.stddev / s.mean * 100.0 : NAN;
    const double half = StudentT975(scores.size() - 1) * s.stddev / std::sqrt(static_cast<double>(scores.size()));
    s.ci95_low = s.mean - half;
    s.ci95_high = s.mean + half;
    return s;
}

std::string FormatRepeatLines(const std::vector<RepeatRun>& runs, const char* unit)
{
    std::vector<double> scores;
    std::string line = "Repeat: " + std::to_string(runs.size()) + " runs:";
    for (std::size_t i = 0; i < runs.size(); ++i) {
        scores.push_back(runs[i].score);
        line += (i ? ", " : " ") + JsonNumber(runs[i].score, 0);
    }
    line += std::string(" ") + unit + "\n";
    const RepeatSummary s = SummarizeRepeat(scores);
    const auto n = [](double v) { return std::isfinite(v) ? JsonNumber(v, 2) : std::string("n.a."); };
    line += "Mean: " + n(s.mean) + " " + unit + ", standard deviation " + n(s.stddev) + ", CV " +
            n(s.cv_percent) + " %, 95 % interval " + n(s.ci95_low) + " to " + n(s.ci95_high) + "\n";
    return line;
}
