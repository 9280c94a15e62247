// The table of output writers and the one function that walks it.
#include "results/output_writers.h"

#include <cstdio>

#include "core/log_file.h"
#include "core/output_file.h"
#include "results/results_csv.h"
#include "results/results_json.h"
#include "results/run_plot.h"

namespace {

bool WriteJson(const std::string& path, const RunReport& report, std::string* error)
{
    return WriteFileAtomically(path, FormatResultsJson(report), error);
}

bool WriteCsv(const std::string& path, const RunReport& report, std::string* error)
{
    return WriteFileAtomically(path, FormatResultsCsv(report), error);
}

bool WritePlot(const std::string& path, const RunReport& report, std::string* error)
{
    return WriteRunPlotFile(path, RunPlotSamplesFrom(report), error);
}

constexpr OutputWriter kWriters[] = {
    {"json", "Results written to %s.", "JSON results", WriteJson},
    {"csv", "Per-second log written to %s.", "CSV log", WriteCsv},
    {"plot", "Plot written to %s.", "Plot", WritePlot},
};

}  // namespace

std::span<const OutputWriter> OutputWriters() { return kWriters; }

bool WriteOutputs(const RunReport& report, const std::map<std::string, std::string, std::less<>>& files)
{
    bool ok = true;
    for (const OutputWriter& w : kWriters) {
        const auto it = files.find(w.option);
        if (it == files.end() || it->second.empty())
            continue;
        std::string error;
        if (w.write(it->second, report, &error)) {
            ProgramLog().Write(w.written, it->second.c_str());
        } else {
            std::fprintf(stderr, "gridfall: %s not written: %s\n", w.failed, error.c_str());
            ProgramLog().Write("%s not written: %s", w.failed, error.c_str());
            ok = false;
        }
    }
    return ok;
}
