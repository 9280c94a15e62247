// `gridfall compare A.json B.json [C.json ...] [--json]`: the results of several runs side by
// side, each against the first, with a test of whether a change in frame rate is larger than
// the runs' own second-to-second noise.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Exit status of the command: 0 compared, 2 bad input (usage, unreadable file, not a results
// document of a known schema version).
inline constexpr int kCompareExitOk = 0;
inline constexpr int kCompareExitBadInput = 2;

// The figures of one results file the comparison uses; NaN where the file has null.
struct CompareRun {
    std::string file;
    double score = 0;
    std::string score_unit;          // "points" (higher is better) or "ms" (lower is better)
    double fps_avg = 0, p50_ms = 0, p99_ms = 0, low_1pct_fps = 0, low_01pct_fps = 0;
    std::vector<double> window_rates;   // exact rates of the complete measuring windows
    std::vector<std::pair<std::string, std::string>> settings;   // name, value as written
};

// Reads one results document; false with a message naming the file. Only regular files are
// read, mapped rather than copied, and only the figures compared are kept: memory grows with
// the number of per-second windows, not with the file.
bool LoadCompareRun(const std::string& path, CompareRun* run, std::string* error);
// The same on a document already in memory; `path` names it in messages.
bool ReadCompareRun(std::string_view text, const std::string& path, CompareRun* run, std::string* error);

// Two-sided Mann-Whitney U test (normal approximation with tie correction and continuity
// correction). `enough` is false when a side has fewer than kMinWindows samples; p is then NaN.
struct MannWhitneyResult {
    double u = 0;       // U of the first sample
    double z = 0;
    double p = 0;
    bool enough = false;
};
inline constexpr std::size_t kMinWindows = 3;
MannWhitneyResult MannWhitneyU(const std::vector<double>& a, const std::vector<double>& b);

// Runs the command on its arguments (the ones after "compare"); the table or JSON goes to
// `out`, warnings and errors to `err`.
int RunCompareCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);
