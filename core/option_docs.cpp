// Defaults, switches, environment and exit statuses for --help and the manual page.
#include "core/option_docs.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/startup_options.h"

namespace {

constexpr SwitchDoc kSwitches[] = {
    {"/version", nullptr, "show the version and exit"},
    {"/app_thread_priority", "N",
     "main thread priority level: -15 idle, -2, -1, 0 normal, 1, 2, 15 time critical"},
    {"/rendering_thread_priority", "N", "render thread priority level, the same levels"},
    {"/app_process_priority", "N",
     "process priority class: 64 idle, 16384 below normal, 32 normal, 32768 above normal, "
     "128 high, 256 realtime"},
    {"/app_cpu_affinity", "MASK",
     "processors of the process (bit 0 = first); without it no thread is pinned"},
    {"/rendering_cpu_affinity", "MASK",
     "processors of the render thread, within the process's; without it the thread keeps "
     "the system's affinity"},
    {"/log_temperature", nullptr,
     "sets log_temperature in the options file, which is written when the startup dialog is "
     "quit; a run clears it again. No other effect"},
    {"/gl3_core_profile", nullptr, "core-profile context, HUD text without graphs (demo runs)"},
    {"/gpuz_polling", nullptr, "read GPU-Z's shared memory /GPUZShMem during demo runs"},
};

constexpr EnvironmentDoc kEnvironment[] = {
    {"XDG_CONFIG_HOME",
     "where an installed copy keeps startup_options.xml (in gridfall/ below it; default "
     "~/.config)"},
    {"GRIDFALL_SYSFS_ROOT",
     "read /sys and /proc below this directory instead (a fake machine, for tests)"},
    {"GRIDFALL_NVML_LIBRARY",
     "the NVIDIA management library to load instead of libnvidia-ml.so.1"},
    {"DISPLAY, WAYLAND_DISPLAY",
     "the desktop session; without either a run is headless and the dialog cannot open"},
};

constexpr ExitStatusDoc kExitStatuses[] = {
    {0, "a finished run, a passed validation, a stability test with the verdict PASS, or a "
        "normal quit"},
    {1, "a failure: a start-up check, a run that could not start, a results file that could "
        "not be written, a failed validation"},
    {2, "a bad command line: an unknown option, a bad value, an extra operand, options that "
        "contradict each other or one the chosen run does not use"},
    {3, "a benchmark, or a timed stability test, stopped by the user before its end"},
    {4, "a stability test with the verdict FAIL"},
};

// The record as a start without options file or command line has it.
const StartupOptions& BuiltInDefaults()
{
    static const StartupOptions defaults;
    return defaults;
}

}  // namespace

std::string GnuOptionDefault(const GnuOption& option)
{
    const StartupOptions& d = BuiltInDefaults();
    const AutomationOptions automation;
    const std::string_view name = option.name;
    char text[64] = "";
    if (name == "benchmark" && d.run_mode == kRunModeBenchmark)
        return "on";
    if (name == "demo" && d.run_mode == kRunModeStability)
        return "on";
    if (name == "duration")
        std::snprintf(text, sizeof text, "%d", d.max_time);
    else if (name == "frames")
        return d.max_frames > 0 ? std::to_string(d.max_frames) : "off, the run ends by time";
    else if (name == "tess")
        std::snprintf(text, sizeof text, "%g; the startup dialog's preset gives its own level", d.tess_level);
    else if (name == "resolution")
        std::snprintf(text, sizeof text, "%dx%d", d.width, d.height);
    else if (name == "fullscreen")
        return d.fullscreen ? "on" : "off";
    else if (name == "msaa")
        // "Off" reads as 0 samples, "4X MSAA" as 4.
        std::snprintf(text, sizeof text, "%d", std::atoi(d.aa_mode));
    else if (name == "postfx")
        return PostFxName(d.post_fx_index);
    else if (name == "map-set")
        std::snprintf(text, sizeof text, "%d", d.map_set + 1);
    else if (name == "check-interval")
        std::snprintf(text, sizeof text, "%u", automation.check_interval_ms);
    else if (name == "hang-limit")
        std::snprintf(text, sizeof text, "%u", automation.hang_limit_ms);
    else if (name == "repeat")
        std::snprintf(text, sizeof text, "%u", automation.repeat);
    else if (name == "max-temp")
        return std::isnan(automation.max_temp_c) ? "none" : std::to_string(automation.max_temp_c);
    return text;
}

std::span<const SwitchDoc> SwitchTable() { return kSwitches; }

std::string SwitchDefault(const SwitchDoc& doc)
{
    const StartupOptions& d = BuiltInDefaults();
    const std::string_view name = doc.name;
    if (name == "/app_thread_priority")
        return std::to_string(d.app_thread_priority);
    if (name == "/rendering_thread_priority")
        return std::to_string(d.rendering_thread_priority);
    if (name == "/app_process_priority")
        return std::to_string(d.app_process_priority);
    return {};
}

std::span<const EnvironmentDoc> EnvironmentTable() { return kEnvironment; }
std::span<const ExitStatusDoc> ExitStatusTable() { return kExitStatuses; }
