// The report's own arithmetic and the lines it leaves on standard output.
#include "results/run_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/std_streams.h"
#include "results/results_json.h"

void ApplySeriesTotals(RunReport& r)
{
    if (r.repeat_runs.size() < 2)
        return;
    uint64_t frames = 0, ms = 0;
    double slowest = NAN, fastest = NAN;
    for (const RepeatRun& run : r.repeat_runs) {
        frames += run.total_frames;
        ms += run.elapsed_ms;
        slowest = std::fmin(slowest, run.fps_min);   // fmin and fmax skip a NaN
        fastest = std::fmax(fastest, run.fps_max);
    }
    r.total_frames = static_cast<uint32_t>(std::min<uint64_t>(frames, UINT32_MAX));
    r.elapsed_ms = static_cast<uint32_t>(std::min<uint64_t>(ms, UINT32_MAX));
    r.fps_min_exact = slowest;
    r.fps_max_exact = fastest;
}

std::string ScoreOutputLine(const RunReport& report)
{
    // A frame-count run's figure is a time (lower is better); a parser of the score line must
    // not mistake it for points.
    // A series reports its mean, which is rarely a whole number.
    if (report.repeat_runs.size() > 1) {
        double sum = 0;
        for (const RepeatRun& run : report.repeat_runs)
            sum += run.score;
        const std::string mean = JsonNumber(sum / static_cast<double>(report.repeat_runs.size()), 2);
        return report.score.timeBased ? "Gridfall Score: " + mean : "Gridfall Time: " + mean + " ms";
    }
    if (!report.score.timeBased)
        return "Gridfall Time: " + std::to_string(report.score.score) + " ms";
    return "Gridfall Score: " + std::to_string(report.score.score);
}

std::string AverageFpsOutputLine(const RunReport& report)
{
    // The exact rate over the measured real time (of the whole series for --repeat), as the
    // JSON's fps.avg (two decimals); nothing when no time was measured, never a stand-in.
    if (report.elapsed_ms == 0)
        return {};
    char line[64];
    std::snprintf(line, sizeof line, "Gridfall Average FPS: %.2f",
                  report.total_frames * 1000.0 / report.elapsed_ms);
    return line;
}

void PrintScoreLines(const RunReport& report)
{
    if (report.repeat_runs.size() > 1)
        std::fputs(FormatRepeatLines(report.repeat_runs, report.score.timeBased ? "points" : "ms").c_str(),
                   stdout);
    // Last on standard output, so `tail -n 1` and test harnesses find it.
    std::fflush(stderr);
    if (const std::string fps = AverageFpsOutputLine(report); !fps.empty())
        std::printf("%s\n", fps.c_str());
    std::printf("%s\n", ScoreOutputLine(report).c_str());
    NoteStandardStreamErrors();
}
