// GNU-style long options: table, parser and their effect on the settings.
#include "core/gnu_options.h"
#include "core/command_line.h"
#include "core/option_docs.h"
#include "core/startup_sequence.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include <strings.h>

AutomationOptions g_automation_options;

const std::string& AutomationOptions::OutputFile(std::string_view option) const
{
    static const std::string kNone;
    const auto it = output_files.find(option);
    return it != output_files.end() ? it->second : kNone;
}

namespace {

constexpr GnuOption kOptions[] = {
    {"help", nullptr, "show this help and exit"},
    {"version", nullptr, "print the program's name and version and exit"},
    {"headless", nullptr, "render without a display (offscreen), no dialogs; implies --no-gui"},
    {"benchmark", nullptr, "run a benchmark (scored, ends after the duration)", kForBenchmark},
    {"demo", nullptr, "run the stability test (until stopped, or for --duration)", kForDemo},
    {"duration", "MS", "length of a benchmark or stability-test run in milliseconds", kForBenchmark | kForDemo},
    {"frames", "N", "end the benchmark after N frames instead of a time", kForBenchmark},
    {"tess", "LEVEL", "tessellation level (limited to what the GPU supports)", kForBenchmark | kForDemo},
    {"resolution", "WxH", "render window size in pixels, e.g. 1280x720", kForBenchmark | kForDemo},
    {"fullscreen", nullptr, "run in full-screen mode", kForBenchmark | kForDemo},
    {"msaa", "N", "multisample anti-aliasing: 0 (off), 2, 4, 6 or 8 samples", kForBenchmark | kForDemo},
    {"postfx", "EFFECT", "post-processing effect: off, blur1, blur2 or fxaa", kForBenchmark | kForDemo},
    {"map-set", "N", "texture map set 1 to 4", kForBenchmark | kForDemo},
    {"no-gui", nullptr, "start the run at once, without the startup dialog"},
    {"json", "FILE", "write the results as JSON to FILE", kForBenchmark | kForDemo},
    {"csv", "FILE", "write a per-second CSV log of the run to FILE", kForBenchmark | kForDemo},
    {"frame-log", "FILE", "write every measured frame to FILE in MangoHud's CSV log layout, and its summary beside it", kForBenchmark | kForDemo},
    {"repeat", "N", "run the benchmark N times in a row and report the mean score", kForBenchmark},
    {"plot", "FILE", "draw the run's frame rate, frame times and sensors to FILE (.svg or .png)", kForBenchmark | kForDemo},
    {"validate", nullptr, "render fixed frames and compare them with reference images", kForValidate},
    {"quiet", nullptr, "no progress lines on standard error during a headless run", kForBenchmark | kForDemo},
    {"check-interval", "MS", "stability test: draw and compare a check frame every MS ms (0: none)", kForDemo},
    {"hang-limit", "MS", "stability test: a frame longer than MS ms is an error (0: no limit)", kForDemo},
    {"max-temp", "C", "stability test: end as a failure when a GPU passes C degrees Celsius", kForDemo},
    {"gl-debug", nullptr, "log the GL driver's debug messages and every GL error (slower)"},
};

// An option whose value names a file the run writes (--json, --csv, --frame-log, --plot):
// stored in AutomationOptions::output_files under its name, and checked before the run.
bool IsOutputFileOption(const GnuOption& o) { return o.argument && std::strcmp(o.argument, "FILE") == 0; }

const GnuOption* FindOption(std::string_view name)
{
    for (const GnuOption& o : kOptions)
        if (name == o.name)
            return &o;
    return nullptr;
}

// Whole-text decimal integer in [lo, hi].
std::optional<long> ParseInt(const std::string& text, long lo, long hi)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < lo || value > hi)
        return std::nullopt;
    return value;
}

std::optional<std::pair<int, int>> ParseResolution(const std::string& text)
{
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        return std::nullopt;
    const auto w = ParseInt(text.substr(0, x), 1, 16384);
    const auto h = ParseInt(text.substr(x + 1), 1, 16384);
    if (!w || !h || text[x + 1] == '+' || text[0] == '+')
        return std::nullopt;
    return std::make_pair(static_cast<int>(*w), static_cast<int>(*h));
}

std::optional<float> ParseLevel(const std::string& text)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const float value = std::strtof(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value <= 0.0f)
        return std::nullopt;
    return value;
}

constexpr const char* kPostFxNames[] = {"off", "blur1", "blur2", "fxaa"};

// post_fx_index of an effect name; -1 when unknown.
int PostFxIndex(const std::string& text)
{
    for (int i = 0; i < 4; ++i)
        if (text == kPostFxNames[i])
            return i;
    return -1;
}

// Checks a value; returns the complaint, or an empty text when it is good.
std::string CheckValue(const GnuOption& o, const std::string& v)
{
    const std::string_view name = o.name;
    bool good = true;
    const char* expected = "";
    if (name == "duration" || name == "frames") {
        good = ParseInt(v, 1, INT32_MAX).has_value();
        expected = "a positive whole number";
    } else if (name == "tess") {
        good = ParseLevel(v).has_value();
        expected = "a number above 0";
    } else if (name == "check-interval" || name == "hang-limit") {
        good = ParseInt(v, 0, INT32_MAX).has_value();
        expected = "a whole number of milliseconds, 0 to turn it off";
    } else if (name == "max-temp") {
        const auto t = ParseLevel(v);
        good = t && *t <= 200.0f;
        expected = "degrees Celsius above 0, at most 200";
    } else if (name == "resolution") {
        good = ParseResolution(v).has_value();
        expected = "WIDTHxHEIGHT, each 1 to 16384";
    } else if (name == "msaa") {
        const auto n = ParseInt(v, 0, 8);
        good = n && (*n == 0 || *n == 2 || *n == 4 || *n == 6 || *n == 8);
        expected = "0, 2, 4, 6 or 8";
    } else if (name == "postfx") {
        good = PostFxIndex(v) >= 0;
        expected = "off, blur1, blur2 or fxaa";
    } else if (name == "plot") {
        const auto ends = [&](const char* suffix) {
            return v.size() > 4 && strcasecmp(v.c_str() + v.size() - 4, suffix) == 0;
        };
        good = ends(".svg") || ends(".png");
        expected = "a file name ending in .svg or .png";
    } else if (name == "repeat") {
        good = ParseInt(v, 1, 1000).has_value();
        expected = "1 to 1000";
    } else if (name == "map-set") {
        good = ParseInt(v, 1, 4).has_value();
        expected = "1, 2, 3 or 4";
    } else if (IsOutputFileOption(o)) {
        good = !v.empty();
        expected = "a file name";
    }
    if (good)
        return {};
    return "invalid value '" + v + "' for --" + std::string(name) + " (expected " + expected + ")";
}

}  // namespace

std::span<const GnuOption> GnuOptionTable() { return kOptions; }

const char* PostFxName(int postFxIndex)
{
    return postFxIndex >= 0 && postFxIndex < 4 ? kPostFxNames[postFxIndex] : "off";
}

const char* ActivePostFxName(const StartupOptions& o)
{
    return o.render_post_fx ? PostFxName(o.post_fx_index) : "off";
}

bool ParseGnuCommandLine(int argc, char** argv, GnuCommandLine& out, std::string& error)
{
    out = GnuCommandLine{};
    bool optionsEnded = false;
    auto addSwitchText = [&](const char* arg) {
        if (!out.switch_text.empty())
            out.switch_text += ' ';
        out.switch_text += arg;
    };
    for (int i = 1; i < argc; ++i) {
        if (!argv || !argv[i])
            continue;
        const std::string_view arg = argv[i];
        if (optionsEnded || !arg.starts_with("--")) {
            // Not an option: a word holding a switch, or a mistake a script must hear of.
            if (ContainsSwitch(arg)) {
                addSwitchText(argv[i]);
                continue;
            }
            if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
                error = "unrecognized option '" + std::string(arg) + "'";
                return false;
            }
            if (arg.starts_with("/")) {
                // Switches are looked up as substrings, so a path-like word may be meant for
                // one; tell of it rather than stop a run over it.
                std::string warning = "unknown switch '" + std::string(arg) + "' ignored";
                if (const std::string near = NearestSwitch(arg); !near.empty())
                    warning += " (did you mean '" + near + "'?)";
                out.warnings.push_back(std::move(warning));
                continue;
            }
            error = "extra operand '" + std::string(arg) + "'";
            return false;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t eq = arg.find('=');
        const std::string_view name = arg.substr(2, eq == std::string_view::npos ? arg.npos : eq - 2);
        const GnuOption* option = FindOption(name);
        if (!option) {
            error = "unrecognized option '--" + std::string(name) + "'";
            return false;
        }
        std::string value;
        if (option->argument) {
            if (eq != std::string_view::npos) {
                value = std::string(arg.substr(eq + 1));
            } else if (i + 1 < argc && argv[i + 1] && !std::string_view(argv[i + 1]).starts_with("--")) {
                value = argv[++i];
            } else {
                // "--json --quiet" is a forgotten file name far more often than a file called
                // "--quiet"; such a name can still be given as "--json=--quiet".
                error = "option '--" + std::string(name) + "' requires an argument " +
                        option->argument;
                if (i + 1 < argc && argv[i + 1])
                    error += " (a value that starts with '--' is given as '--" + std::string(name) +
                             "=" + argv[i + 1] + "')";
                return false;
            }
            if (std::string complaint = CheckValue(*option, value); !complaint.empty()) {
                error = complaint;
                return false;
            }
        } else if (eq != std::string_view::npos) {
            error = "option '--" + std::string(name) + "' doesn't allow an argument";
            return false;
        }
        out.options.emplace_back(option, std::move(value));
    }

    // Contradictions: a later option must not quietly undo an earlier one.
    const auto given = [&](const char* name) {
        for (const auto& [option, value] : out.options)
            if (std::strcmp(option->name, name) == 0)
                return true;
        return false;
    };
    if (given("frames") && given("duration")) {
        error = "options '--frames' and '--duration' cannot be used together (a benchmark ends "
                "either after N frames or after a time)";
        return false;
    }
    const char* modes[] = {"benchmark", "demo", "validate"};
    const char* chosen = nullptr;
    for (const char* mode : modes) {
        if (!given(mode))
            continue;
        if (chosen) {
            error = std::string("options '--") + chosen + "' and '--" + mode +
                    "' cannot be used together (each chooses what the program runs)";
            return false;
        }
        chosen = mode;
    }
    return true;
}

bool CheckOptionsForMode(const GnuCommandLine& parsed, const StartupOptions& o,
                         const AutomationOptions& a, std::vector<std::string>& warnings,
                         std::string& error)
{
    unsigned mode = 0;
    const char* modeName = "";
    if (a.validate) {
        mode = kForValidate;
        modeName = "--validate";
    } else if (o.display_gui != 0 && !a.no_gui) {
        return true;   // the startup dialog chooses the run
    } else if (o.run_mode == kRunModeBenchmark) {
        mode = kForBenchmark;
        modeName = "a benchmark run";
    } else {
        mode = kForDemo;
        modeName = "the stability test (demo mode)";
    }
    bool modeGiven = false;
    for (const auto& [option, value] : parsed.options)
        for (const char* name : {"benchmark", "demo", "validate"})
            if (std::strcmp(option->name, name) == 0)
                modeGiven = true;
    for (const auto& [option, value] : parsed.options) {
        if (option->modes & mode)
            continue;
        const std::string text = "option '--" + std::string(option->name) + "' is not used by " + modeName;
        if (modeGiven) {
            error = text;
            return false;
        }
        warnings.push_back(text + " (run_mode of the options file); ignored");
    }
    return true;
}

void ApplyGnuOptions(const GnuCommandLine& parsed, StartupOptions& o, AutomationOptions& a)
{
    for (const auto& [option, value] : parsed.options) {
        const std::string_view name = option->name;
        if (name == "help") {
            a.help = true;
        } else if (name == "version") {
            a.version = true;
        } else if (name == "headless") {
            // No window system: the startup dialog cannot be shown either.
            a.headless = true;
            a.no_gui = true;
            o.display_gui = 0;
        } else if (name == "no-gui") {
            a.no_gui = true;
            o.display_gui = 0;
        } else if (name == "benchmark") {
            o.run_mode = kRunModeBenchmark;
        } else if (name == "demo") {
            o.run_mode = kRunModeStability;
        } else if (name == "duration") {
            o.max_time = static_cast<int32_t>(*ParseInt(value, 1, INT32_MAX));
            o.time_based_benchmark = 1;
            a.duration_given = true;
        } else if (name == "frames") {
            // A frame-count run: the start-up sequence derives active_time_based 0 and
            // active_max_frames from these two.
            o.max_frames = static_cast<int32_t>(*ParseInt(value, 1, INT32_MAX));
            o.time_based_benchmark = 0;
        } else if (name == "tess") {
            const float level = *ParseLevel(value);
            o.tess_level = level;
            o.tess_level_inner = level;
            o.tess_level_outer = level;
            // A preset's level also selects that preset, so the startup dialog shows (and
            // runs) what the command line asked for.
            for (int32_t mode = 1; mode <= 4; ++mode)
                if (level == TessellationPresetLevel(mode))
                    o.tessellation_mode = mode;
        } else if (name == "resolution") {
            const auto [w, h] = *ParseResolution(value);
            o.width = w;
            o.height = h;
        } else if (name == "fullscreen") {
            o.fullscreen = 1;
        } else if (name == "msaa") {
            const long n = *ParseInt(value, 0, 8);
            std::memset(o.aa_mode, 0, sizeof(o.aa_mode));
            if (n == 0)
                std::snprintf(o.aa_mode, sizeof(o.aa_mode), "Off");
            else
                std::snprintf(o.aa_mode, sizeof(o.aa_mode), "%ldX MSAA", n);
        } else if (name == "postfx") {
            const int index = PostFxIndex(value);
            o.post_fx_index = index;
            o.render_post_fx = index != 0 ? 1 : 0;
        } else if (name == "map-set") {
            o.map_set = static_cast<int32_t>(*ParseInt(value, 1, 4)) - 1;
        } else if (IsOutputFileOption(*option)) {
            a.output_files[std::string(name)] = value;
        } else if (name == "repeat") {
            a.repeat = static_cast<uint32_t>(*ParseInt(value, 1, 1000));
        } else if (name == "validate") {
            a.validate = true;
        } else if (name == "quiet") {
            a.quiet = true;
        } else if (name == "check-interval") {
            a.check_interval_ms = static_cast<uint32_t>(*ParseInt(value, 0, INT32_MAX));
        } else if (name == "hang-limit") {
            a.hang_limit_ms = static_cast<uint32_t>(*ParseInt(value, 0, INT32_MAX));
        } else if (name == "max-temp") {
            a.max_temp_c = *ParseLevel(value);
        } else if (name == "gl-debug") {
            a.gl_debug = true;
        }
    }
}

namespace {

// "  left" padded to the help column, then the text wrapped at 79 columns below that column.
void AppendHelpRow(std::string& out, std::string left, const std::string& text,
                   std::size_t column)
{
    left.insert(0, "  ");
    if (left.size() + 2 > column) {
        out += left + "\n";
        left.clear();
    }
    left.resize(column, ' ');
    std::string line = left;
    std::size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        std::size_t end = text.find(' ', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(pos, end - pos);
        if (!first && line.size() + 1 + word.size() > 79) {
            out += line + "\n";
            line = std::string(column, ' ');
            first = true;
        }
        if (!first)
            line += ' ';
        line += word;
        first = false;
        pos = end + 1;
    }
    out += line + "\n";
}

}  // namespace

std::string FormatGnuHelp()
{
    std::string text =
        "Usage: gridfall [OPTION]... [/SWITCH]...\n"
        "  or:  gridfall compare A.json B.json [C.json]... [--json]\n"
        "OpenGL 4 tessellation benchmark and GPU stability test.\n"
        "Without options the startup dialog opens; its settings are saved in\n"
        "startup_options.xml (beside a portable copy, in $XDG_CONFIG_HOME/gridfall/ for an\n"
        "installed one). Options change the settings of this start; with the dialog they\n"
        "preselect its controls, and what it holds when it is quit is stored. Defaults are\n"
        "the built-in ones; the options file's settings replace them.\n\n"
        "Options:\n";
    for (const GnuOption& o : kOptions) {
        std::string left = std::string("--") + o.name;
        if (o.argument) {
            left += ' ';
            left += o.argument;
        }
        std::string help = o.help;
        if (const std::string def = GnuOptionDefault(o); !def.empty())
            help += " (default: " + def + ")";
        AppendHelpRow(text, left, help, 24);
    }
    text += "\nSwitches (looked up anywhere in the command line):\n";
    for (const SwitchDoc& s : SwitchTable()) {
        std::string left = s.name;
        if (s.argument)
            left += std::string("=") + s.argument;
        std::string help = s.help;
        if (const std::string def = SwitchDefault(s); !def.empty())
            help += " (default: " + def + ")";
        AppendHelpRow(text, left, help, 34);
    }
    text += "\nEnvironment:\n";
    for (const EnvironmentDoc& e : EnvironmentTable())
        AppendHelpRow(text, e.name, e.help, 24);
    text += "\nExit status:\n";
    for (const ExitStatusDoc& e : ExitStatusTable())
        AppendHelpRow(text, std::to_string(e.status), e.help, 6);
    return text;
}
