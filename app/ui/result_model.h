// The texts of the result and About dialogs, computed from the run's records without any
// toolkit.
#pragma once

#include "core/machine_records.h"
#include "run/run_state.h"
#include "core/startup_options.h"

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace result_ids {
inline constexpr int kScore = 1019;
inline constexpr int kCompare = 1133;
inline constexpr int kMaxTemperature = 1024;
inline constexpr int kSettings = 1041;
inline constexpr int kFps = 1020;
inline constexpr int kCodepath = 1044;
inline constexpr int kRenderer = 1027;
inline constexpr int kDrivers = 1029;
inline constexpr int kClocks = 1046;
inline constexpr int kCpu = 1031;
inline constexpr int kCpuSpeed = 1034;
inline constexpr int kMemory = 1036;
inline constexpr int kOs = 1038;
inline constexpr int kBuild = 1047;
inline constexpr int kMoreLink = 1140;
inline constexpr int kOk = 1;
}  // namespace result_ids

namespace about_ids {
inline constexpr int kProductLine = 1062;
inline constexpr int kCredit = 1096;
inline constexpr int kNotice = 1135;
inline constexpr int kHomepageLink = 1138;
inline constexpr int kGalleryLink = 1137;
inline constexpr int kNewsLink = 1139;
inline constexpr int kOk = 1;
}  // namespace about_ids

// Everything the result dialog shows.
struct ResultTexts {
    std::string title;
    std::string build;
    std::string more_link;
    std::string score;
    std::string max_temperature;
    std::string settings;
    std::string fps;
    std::string codepath;
    std::string renderer;
    std::string drivers;
    std::string clocks;
    std::string cpu;
    std::string cpu_speed;
    std::string memory;
    std::string os;
};

// The inputs of the result texts, gathered so that tests can hand in any run.
struct ResultInputs {
    const StartupOptions& options;
    const RunResult& result;
    uint32_t elapsed_ms;             // elapsed time after the warm-up
    const SensorReadings& sensors;
    const SystemInfo& system;
    int32_t vendor_kind;             // Ridudedozu::VendorKind of the main adapter
    // Exact rates of the slowest and fastest complete window (frames over its real length);
    // NaN when unknown. A slow run's texts show these instead of whole frame counts.
    double fps_min_exact = std::numeric_limits<double>::quiet_NaN();
    double fps_max_exact = std::numeric_limits<double>::quiet_NaN();
};

ResultTexts BuildResultTexts(const ResultInputs& in);

// The fields in the order the dialog shows them, each with its label (empty for fields that
// carry no label); used for the headless report on standard output.
std::vector<std::pair<std::string, std::string>> ResultReportLines(const ResultTexts& texts);

// The About dialog's texts.
struct AboutTexts {
    std::string product_line;
    std::string credit;
    std::string notice;
};
AboutTexts BuildAboutTexts();

// Colours of the result dialog's value fields (8-bit RGB).
struct Rgb {
    int r, g, b;
};
inline constexpr Rgb kScoreColor{255, 0, 0};
inline constexpr Rgb kValueColor{60, 60, 180};
inline constexpr Rgb kHyperlinkColor{0, 0, 192};
