// GNU-style long options ("--headless", "--duration 5000", "--msaa=4") for scripts and CI,
// beside the "/switches". They are applied after the switches and change the settings for
// this run only: a run without the startup dialog never writes the options file.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/startup_options.h"

// One row of the option table. The table is data so that --help and the manual page are
// generated from the same rows.
// The runs an option is for, as bits.
enum GnuOptionMode : unsigned {
    kForBenchmark = 1u,
    kForDemo = 2u,       // the stability test
    kForValidate = 4u,
    kForEveryMode = kForBenchmark | kForDemo | kForValidate,
};

struct GnuOption {
    const char* name;       // without the leading "--"
    const char* argument;   // placeholder of the value ("MS", "WxH"); null: takes no value
    const char* help;       // one line
    unsigned modes = kForEveryMode;  // GnuOptionMode bits: the runs that use it
};

std::span<const GnuOption> GnuOptionTable();

// The --postfx name of an effect index ("off", "blur1", "blur2", "fxaa"; "off" out of range),
// and of the effect a run with these settings draws.
const char* PostFxName(int postFxIndex);
const char* ActivePostFxName(const StartupOptions& options);

// Settings of the automation features that are not part of StartupOptions. Filled by
// ApplyGnuOptions; acted on by the start-up sequence (headless, no_gui, help, version) and
// by the output writers and the validation run (output_files, validate).
struct AutomationOptions {
    bool help = false;
    bool version = false;
    bool headless = false;
    bool no_gui = false;
    bool validate = false;
    bool quiet = false;          // no progress on standard error
    bool duration_given = false; // --duration: also ends a stability test started without the dialog
    // Stability test: check frames, the hang limit and the temperature limit.
    uint32_t check_interval_ms = 10000;
    uint32_t hang_limit_ms = 5000;
    float max_temp_c = std::numeric_limits<float>::quiet_NaN();
    // --gl-debug: a debug context whose KHR_debug messages are logged, glGetError per step.
    bool gl_debug = false;
    uint32_t repeat = 1;         // benchmark runs in a row, each with its own warm-up
    // The files the run is asked to write, by the option that names them ("json" for
    // --json FILE): every option whose value is a FILE.
    std::map<std::string, std::string, std::less<>> output_files;

    // The file given with --`option`; empty when none was.
    const std::string& OutputFile(std::string_view option) const;
};

extern AutomationOptions g_automation_options;

// The command line split into the GNU options (checked, in order) and everything else.
struct GnuCommandLine {
    std::vector<std::pair<const GnuOption*, std::string>> options;
    // The arguments that are not GNU options or their values, joined with blanks: the text
    // the "/switches" are looked up in. Option values stay out of it, so a path such as
    // "--json /srv/version/r.json" cannot trigger "/version".
    std::string switch_text;
    // Words that look like mistyped switches: told on standard error, otherwise ignored.
    std::vector<std::string> warnings;
};

// Splits and checks argv (argv[0] is the program). False with a message for the user in
// `error` on an unknown option, a missing value or a bad value, a word that is neither an
// option nor a switch ("extra operand"), a value that is itself an option ("--json --quiet";
// "--json=--quiet" is a file name), and options that contradict each other.
bool ParseGnuCommandLine(int argc, char** argv, GnuCommandLine& out, std::string& error);

// Applies parsed options to the record and the automation settings, in command-line order.
void ApplyGnuOptions(const GnuCommandLine& parsed, StartupOptions& options,
                     AutomationOptions& automation);

// Options the run cannot use: --frames for a stability test, --json for a validation. When the
// mode was chosen on this command line (--benchmark, --demo, --validate) such an option is an
// error (false, with `error`); when it comes from the stored settings it is a warning, since
// the options file may say either. Nothing is checked when the startup dialog will choose.
bool CheckOptionsForMode(const GnuCommandLine& parsed, const StartupOptions& options,
                         const AutomationOptions& automation, std::vector<std::string>& warnings,
                         std::string& error);

// The --help text, generated from the table.
std::string FormatGnuHelp();
