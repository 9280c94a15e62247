// Reports of a stability test (see the header).
#include "run/stability_report.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "core/gnu_options.h"
#include "core/log_file.h"
#include "core/output_file.h"
#include "results/results_json.h"
#include "run/collect_report.h"
#include "core/startup_options.h"
#include "core/std_streams.h"
#include "results/rgb_image.h"

namespace {

std::string ResultsDirectory()
{
    const AutomationOptions& a = g_automation_options;
    const std::string& anchor = !a.OutputFile("json").empty() ? a.OutputFile("json") : a.OutputFile("csv");
    const auto slash = anchor.rfind('/');
    if (anchor.empty() || slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : anchor.substr(0, slash);
}

// GL's rows come bottom first; a picture file's top first.
RgbImage ToRgb(const CheckImage& image)
{
    RgbImage out;
    out.width = image.width;
    out.height = image.height;
    out.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::size_t from = (static_cast<std::size_t>(image.height - 1 - y) * image.width + x) * 4;
            const std::size_t to = (static_cast<std::size_t>(y) * image.width + x) * 3;
            for (int c = 0; c < 3; ++c)
                out.rgb[to + c] = image.rgba[from + c];
        }
    return out;
}

bool SavePng(const std::string& path, const CheckImage& image)
{
    const std::vector<uint8_t> png = EncodePng(ToRgb(image));
    std::string error;
    if (png.empty() || !WriteFileAtomically(path, std::string(png.begin(), png.end()), &error)) {
        std::fprintf(stderr, "gridfall: check frame not saved: %s\n", error.c_str());
        ProgramLog().Write("Check frame not saved: %s", error.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> CheckPicturePaths()
{
    const std::string dir = ResultsDirectory();
    return {dir + "/gridfall_check_reference.png", dir + "/gridfall_check_error.png"};
}

void SaveCheckPictures(StabilityMonitor& monitor, const CheckImage& differing)
{
    const std::vector<std::string> paths = CheckPicturePaths();
    const std::string& reference = paths[0];
    const std::string& error = paths[1];
    const bool savedReference = SavePng(reference, monitor.Reference());
    const bool savedError = SavePng(error, differing);
    monitor.SetSavedPictures(savedReference ? reference : std::string(), savedError ? error : std::string());
    if (savedReference && savedError)
        ProgramLog().Write("First differing check frame saved as %s (reference: %s).", error.c_str(),
                           reference.c_str());
}

RunOutcome ReportStabilityRun(const RunSession& run)
{
    const RunReport report = CollectRunReport(run);
    const StabilityReport& st = report.stability;
    const uint32_t elapsed = report.elapsed_ms;
    const std::string& line = st.verdict_line;

    // The files before anything is printed: a reader of standard output that goes away early
    // must not cost them.
    const bool written = WriteRunOutputs(run, report);

    // What a person reads: duration, checks, errors with their moments, throttling.
    std::printf("Stability test: %s, %s, %s\n", RunClock(elapsed).c_str(),
                CountText(st.checks, "check").c_str(), CountText(st.errors, "error").c_str());
    for (const StabilityEvent& e : st.events)
        std::printf("Error: %s\n", e.Describe().c_str());
    if (st.errors > st.events.size())
        std::printf("... and %s more\n", CountText(st.errors - st.events.size(), "error").c_str());
    for (const GpuThrottling& t : st.throttling) {
        if (!t.has_clocks)
            std::printf("GPU %u throttling: n.a. (no core clock)\n", t.gpu + 1);
        else if (!t.throttled)
            std::printf("GPU %u throttling: none (peak %.0f MHz)\n", t.gpu + 1, double(t.peak_core_clock_mhz));
        else
            std::printf("GPU %u throttling: %s below 90 %% of %.0f MHz, from %s%s\n", t.gpu + 1,
                        RunClock(t.throttled_ms).c_str(), double(t.peak_core_clock_mhz),
                        RunClock(t.started_at_ms).c_str(),
                        std::isfinite(t.started_temperature_c)
                            ? (" at " + std::to_string(int(t.started_temperature_c)) + "\u00B0C").c_str()
                            : "");
    }
    if (!st.error_png.empty())
        std::printf("First differing check frame: %s (reference: %s)\n", st.error_png.c_str(),
                    st.reference_png.c_str());
    ProgramLog().Write("Gridfall Stability: %s", line.c_str());

    // Last on standard output, for scripts and fleets.
    std::fflush(stderr);
    std::printf("Gridfall Stability: %s\n", line.c_str());
    NoteStandardStreamErrors();
    if (!written)
        return RunOutcome::Failed;
    if (st.verdict == "FAIL")
        return RunOutcome::StabilityFailed;
    if (st.verdict == "STOPPED")
        return RunOutcome::Stopped;
    return RunOutcome::Finished;
}
