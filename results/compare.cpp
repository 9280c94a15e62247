// Comparison of results files.
#include "results/compare.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "results/json_reader.h"
#include "results/results_json.h"

namespace {

using resultsjson::Value;

// Ten times what a day-long run on four GPUs writes (93 MB); a bigger file is not one of ours.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;
constexpr double kAlpha = 0.05;
constexpr const char* kTestName =
    "Mann-Whitney U test (two-sided, normal approximation with tie correction) on the "
    "per-second frame rates of the complete windows";

double NumberOr(const Value& v, double fallback = NAN)
{
    return v.kind == Value::Number ? v.n : fallback;
}

std::string ScalarText(const Value& v)
{
    switch (v.kind) {
    case Value::Null: return "null";
    case Value::Bool: return v.b ? "true" : "false";
    case Value::String: return v.s;
    case Value::Number: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", v.n);
        return buf;
    }
    default: return "(structure)";
    }
}

// Names and values from files go to a terminal: control bytes (an escape sequence, a carriage
// return that hides the line before it) are shown as \xNN instead.
std::string Printable(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

std::string Fixed(double v, int decimals)
{
    if (!std::isfinite(v))
        return "n.a.";
    return JsonNumber(v, decimals);
}

// Change of `v` against `base` in percent; NaN when either is missing or the base is 0.
double ChangePercent(double v, double base)
{
    if (!std::isfinite(v) || !std::isfinite(base) || base == 0)
        return NAN;
    return (v - base) / base * 100.0;
}

std::string ChangeText(double percent)
{
    if (!std::isfinite(percent))
        return "n.a.";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%+.2f %%", percent);
    return buf;
}

struct Metric {
    const char* heading;
    const char* json;
    int decimals;
    double CompareRun::*field;
};
constexpr Metric kMetrics[] = {
    {"score", "score", 2, &CompareRun::score},
    {"avg FPS", "fps_avg", 2, &CompareRun::fps_avg},
    {"p50 ms", "frame_time_p50_ms", 3, &CompareRun::p50_ms},
    {"p99 ms", "frame_time_p99_ms", 3, &CompareRun::p99_ms},
    {"1% low FPS", "low_1_percent_fps", 2, &CompareRun::low_1pct_fps},
    {"0.1% low FPS", "low_0_1_percent_fps", 2, &CompareRun::low_01pct_fps},
};

struct SettingDifference {
    std::string file, name, baseline, value;
};

std::vector<SettingDifference> DifferingSettings(const std::vector<CompareRun>& runs)
{
    std::vector<SettingDifference> out;
    const auto& base = runs[0].settings;
    for (std::size_t r = 1; r < runs.size(); ++r) {
        for (const auto& setting : runs[r].settings) {
            const auto it = std::find_if(base.begin(), base.end(),
                                         [&](const auto& b) { return b.first == setting.first; });
            const std::string baseValue = it == base.end() ? "(absent)" : it->second;
            if (baseValue != setting.second)
                out.push_back({runs[r].file, setting.first, baseValue, setting.second});
        }
        if (runs[r].score_unit != runs[0].score_unit)
            out.push_back({runs[r].file, "score.unit", runs[0].score_unit, runs[r].score_unit});
    }
    return out;
}

std::string NoiseText(const MannWhitneyResult& t)
{
    if (!t.enough)
        return "too few windows to tell";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s (p = %.4f)", t.p < kAlpha ? "beyond noise" : "within noise", t.p);
    return buf;
}

void PrintTable(const std::vector<CompareRun>& runs, const std::vector<MannWhitneyResult>& tests,
                std::FILE* out)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> head = {"run"};
    for (const Metric& m : kMetrics)
        head.push_back(m.heading);
    head.push_back("frame rate vs first run");
    rows.push_back(head);
    for (std::size_t r = 0; r < runs.size(); ++r) {
        std::vector<std::string> row = {Printable(runs[r].file)};
        for (const Metric& m : kMetrics) {
            const double v = runs[r].*m.field;
            // Scores are whole frames or milliseconds, a series' mean is not.
            const bool whole = m.field == &CompareRun::score && v == std::floor(v);
            std::string cell = Fixed(v, whole ? 0 : m.decimals);
            if (r > 0)
                cell += " (" + ChangeText(ChangePercent(runs[r].*m.field, runs[0].*m.field)) + ")";
            row.push_back(cell);
        }
        row.push_back(r == 0 ? "baseline" : NoiseText(tests[r]));
        rows.push_back(row);
    }
    std::vector<std::size_t> width(head.size(), 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            width[c] = std::max(width[c], row[c].size());
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size())
                line.append(width[c] - row[c].size() + 2, ' ');
        }
        std::fprintf(out, "%s\n", line.c_str());
    }
    std::fprintf(out, "\nNoise: %s; a change is beyond noise at p < %.2f.\n", kTestName, kAlpha);
    if (runs[0].score_unit == "ms")
        std::fprintf(out, "Scores are times to render the frame limit (lower is better).\n");
}

void PrintJson(const std::vector<CompareRun>& runs, const std::vector<MannWhitneyResult>& tests,
               const std::vector<SettingDifference>& diffs, std::FILE* out)
{
    std::string j = "{\n  \"test\": \"mann-whitney-u\",\n  \"test_description\": " +
                    JsonQuote(kTestName) + ",\n  \"alpha\": " + JsonNumber(kAlpha, 2) +
                    ",\n  \"baseline\": " + JsonQuote(runs[0].file) + ",\n  \"settings_differ\": [";
    for (std::size_t i = 0; i < diffs.size(); ++i) {
        j += i ? ",\n    " : "\n    ";
        j += "{\"file\": " + JsonQuote(diffs[i].file) + ", \"setting\": " + JsonQuote(diffs[i].name) +
             ", \"baseline\": " + JsonQuote(diffs[i].baseline) + ", \"value\": " +
             JsonQuote(diffs[i].value) + "}";
    }
    j += diffs.empty() ? "],\n  \"runs\": [" : "\n  ],\n  \"runs\": [";
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const CompareRun& run = runs[r];
        j += r ? ",\n    {" : "\n    {";
        j += "\"file\": " + JsonQuote(run.file) + ", \"score_unit\": " + JsonQuote(run.score_unit);
        for (const Metric& m : kMetrics)
            j += std::string(", \"") + m.json + "\": " + JsonNumber(run.*m.field, m.decimals);
        j += ", \"windows\": " + std::to_string(run.window_rates.size());
        if (r == 0) {
            j += ", \"change_percent\": null, \"noise\": null}";
            continue;
        }
        j += ", \"change_percent\": {";
        for (std::size_t k = 0; k < std::size(kMetrics); ++k) {
            j += k ? ", \"" : "\"";
            j += std::string(kMetrics[k].json) + "\": " +
                 JsonNumber(ChangePercent(run.*kMetrics[k].field, runs[0].*kMetrics[k].field), 2);
        }
        const MannWhitneyResult& t = tests[r];
        j += "}, \"noise\": {\"u\": " + JsonNumber(t.enough ? t.u : NAN, 1) +
             ", \"z\": " + JsonNumber(t.enough ? t.z : NAN, 4) +
             ", \"p_value\": " + JsonNumber(t.enough ? t.p : NAN, 6) +
             ", \"beyond_noise\": " + (t.enough ? (t.p < kAlpha ? "true" : "false") : "null") + "}}";
    }
    j += "\n  ]\n}\n";
    std::fputs(j.c_str(), out);
}

}  // namespace

namespace {

// What compare reads of a results document: the figures, the settings, and of the
// per-second windows only their rates, taken as each window is read.
class CompareFilter : public resultsjson::Filter {
public:
    explicit CompareFilter(std::vector<double>* rates) : rates_(rates) {}
    bool Keep(std::string_view path) const override
    {
        static constexpr std::string_view kWanted[] = {
            "schema", "schema_version", "repeat.mean", "score.value", "score.unit", "fps.avg",
            "frame_time_ms.p50", "frame_time_ms.p99", "lows_fps.low_1_percent",
            "lows_fps.low_0_1_percent", "seconds[].partial", "seconds[].fps",
            "repeat.per_run[].fps_avg", "repeat.per_run[].frame_time_p50_ms",
            "repeat.per_run[].frame_time_p99_ms", "repeat.per_run[].low_1_percent_fps",
            "repeat.per_run[].low_0_1_percent_fps"};
        if (path == "settings" || path.rfind("settings.", 0) == 0)
            return true;
        for (std::string_view w : kWanted)
            if (w == path || (w.rfind(path, 0) == 0 && (w[path.size()] == '.' || w[path.size()] == '[')))
                return true;
        return false;
    }
    bool Consume(std::string_view path, Value& window) override
    {
        if (path != "seconds[]")
            return false;
        if (!window["partial"].b && window["fps"].kind == Value::Number)
            rates_->push_back(window["fps"].n);
        return true;
    }

private:
    std::vector<double>* rates_;
};

// The file's bytes mapped read-only: the page cache holds them, not the heap.
class MappedFile {
public:
    ~MappedFile()
    {
        if (data_ && data_ != MAP_FAILED)
            ::munmap(data_, size_);
    }
    // False with the reason; refuses anything but a regular file (a FIFO would block, a
    // device never ends).
    bool Open(const std::string& path, std::string* error)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            *error = "cannot read " + path + ": " + std::strerror(errno);
            return false;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            *error = path + " is not a regular file";
            return false;
        }
        if (static_cast<std::size_t>(st.st_size) > kMaxFileBytes) {
            ::close(fd);
            *error = path + " is too large to be a Gridfall results file";
            return false;
        }
        size_ = static_cast<std::size_t>(st.st_size);
        if (size_ > 0) {
            data_ = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
            if (data_ == MAP_FAILED) {
                const int err = errno;
                ::close(fd);
                *error = "cannot read " + path + ": " + std::strerror(err);
                return false;
            }
        }
        ::close(fd);
        return true;
    }
    std::string_view Text() const
    {
        return size_ ? std::string_view(static_cast<const char*>(data_), size_) : std::string_view();
    }

private:
    void* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace

bool LoadCompareRun(const std::string& path, CompareRun* run, std::string* error)
{
    MappedFile file;
    if (!file.Open(path, error))
        return false;
    return ReadCompareRun(file.Text(), path, run, error);
}

bool ReadCompareRun(std::string_view text, const std::string& path, CompareRun* run, std::string* error)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        *error = path + " starts with a UTF-8 byte order mark, which a results file never has";
        return false;
    }
    CompareRun r;
    CompareFilter filter(&r.window_rates);
    Value doc;
    std::string why;
    if (!resultsjson::Parse(text, doc, &why, &filter)) {
        *error = path + " is not valid JSON (" + why + ")";
        return false;
    }
    if (doc.kind != Value::Object || doc["schema"].s != "gridfall-results") {
        *error = path + " is not a Gridfall results file";
        return false;
    }
    // Version 2 already has every figure compared here; later versions may move them.
    const std::string readable = "; this program reads versions 2 to " + std::to_string(kResultsSchemaVersion);
    const Value& versionValue = doc["schema_version"];
    if (versionValue.kind != Value::Number) {
        *error = path + (doc.Get("schema_version") ? " has a results schema version that is not a number (" +
                                                         Printable(versionValue.kind == Value::String
                                                                       ? JsonQuote(versionValue.s)
                                                                       : ScalarText(versionValue)) +
                                                         ")"
                                                   : std::string(" has no results schema version")) +
                 readable;
        return false;
    }
    const double version = versionValue.n;
    if (!(version >= 2 && version <= kResultsSchemaVersion && version == std::floor(version))) {
        *error = path + " has results schema version " + ScalarText(versionValue) + readable;
        return false;
    }
    r.file = path;
    // A --repeat series is compared as a series: its mean score, its average rate (from
    // version 4 fps.avg is the series'; before, the mean of its runs' is the nearest figure)
    // and the means of its runs' frame times and lows. Only the window rates are its last
    // run's, the one whose seconds the file keeps.
    const Value& repeat = doc["repeat"];
    const bool series = repeat.kind == Value::Object && !repeat["per_run"].a.empty();
    const auto seriesMean = [&](const char* key) {
        double sum = 0;
        for (const Value& run : repeat["per_run"].a)
            sum += NumberOr(run[key]);
        return sum / static_cast<double>(repeat["per_run"].a.size());
    };
    r.score = series ? NumberOr(repeat["mean"]) : NumberOr(doc["score"]["value"]);
    r.score_unit = doc["score"]["unit"].s;
    r.fps_avg = series && version < 4 ? seriesMean("fps_avg") : NumberOr(doc["fps"]["avg"]);
    r.p50_ms = series ? seriesMean("frame_time_p50_ms") : NumberOr(doc["frame_time_ms"]["p50"]);
    r.p99_ms = series ? seriesMean("frame_time_p99_ms") : NumberOr(doc["frame_time_ms"]["p99"]);
    r.low_1pct_fps = series ? seriesMean("low_1_percent_fps") : NumberOr(doc["lows_fps"]["low_1_percent"]);
    r.low_01pct_fps = series ? seriesMean("low_0_1_percent_fps") : NumberOr(doc["lows_fps"]["low_0_1_percent"]);
    for (const auto& [name, value] : doc["settings"].o)
        r.settings.emplace_back("settings." + name, ScalarText(value));
    *run = std::move(r);
    return true;
}

MannWhitneyResult MannWhitneyU(const std::vector<double>& a, const std::vector<double>& b)
{
    MannWhitneyResult t;
    t.p = NAN;
    if (a.size() < kMinWindows || b.size() < kMinWindows)
        return t;
    t.enough = true;
    std::vector<std::pair<double, int>> all;
    for (double v : a)
        all.emplace_back(v, 0);
    for (double v : b)
        all.emplace_back(v, 1);
    std::sort(all.begin(), all.end());
    const double n1 = static_cast<double>(a.size()), n2 = static_cast<double>(b.size());
    const double n = n1 + n2;
    double rankSumA = 0, tieTerm = 0;
    for (std::size_t i = 0; i < all.size();) {
        std::size_t j = i;
        while (j < all.size() && all[j].first == all[i].first)
            ++j;
        const double ties = static_cast<double>(j - i);
        const double rank = (static_cast<double>(i + 1) + static_cast<double>(j)) / 2;   // mean rank
        for (std::size_t k = i; k < j; ++k)
            if (all[k].second == 0)
                rankSumA += rank;
        tieTerm += ties * ties * ties - ties;
        i = j;
    }
    t.u = rankSumA - n1 * (n1 + 1) / 2;
    const double mean = n1 * n2 / 2;
    const double variance = n1 * n2 / 12 * ((n + 1) - tieTerm / (n * (n - 1)));
    if (!(variance > 0)) {
        t.z = 0;
        t.p = 1;   // every value the same: no difference at all
        return t;
    }
    const double diff = std::fabs(t.u - mean);
    t.z = (t.u > mean ? 1 : -1) * std::max(0.0, diff - 0.5) / std::sqrt(variance);
    t.p = std::min(1.0, std::erfc(std::fabs(t.z) / std::sqrt(2.0)));
    return t;
}

int RunCompareCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err)
{
    bool json = false;
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (a == "--json")
            json = true;
        else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(err, "gridfall compare: unrecognized option '%s'\n", Printable(a).c_str());
            return kCompareExitBadInput;
        } else
            files.push_back(a);
    }
    if (files.size() < 2) {
        std::fprintf(err, "Usage: gridfall compare A.json B.json [C.json ...] [--json]\n"
                          "Compares results files (from --json) with the first one.\n");
        return kCompareExitBadInput;
    }
    std::vector<CompareRun> runs(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string error;
        if (!LoadCompareRun(files[i], &runs[i], &error)) {
            std::fprintf(err, "gridfall compare: %s\n", Printable(error).c_str());
            return kCompareExitBadInput;
        }
    }
    const std::vector<SettingDifference> diffs = DifferingSettings(runs);
    for (const SettingDifference& d : diffs)
        std::fprintf(err, "gridfall compare: warning: %s ran with %s = %s, the first run with %s\n",
                     Printable(d.file).c_str(), Printable(d.name).c_str(), Printable(d.value).c_str(),
                     Printable(d.baseline).c_str());
    std::vector<MannWhitneyResult> tests(runs.size());
    for (std::size_t r = 1; r < runs.size(); ++r)
        tests[r] = MannWhitneyU(runs[0].window_rates, runs[r].window_rates);
    if (json)
        PrintJson(runs, tests, diffs, out);
    else
        PrintTable(runs, tests, out);
    return kCompareExitOk;
}
