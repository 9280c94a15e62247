// gridfall(1) from the option table.
#include "packaging/man/man_page.h"

#include <cstdio>

#include "core/option_docs.h"
#include "core/startup_options.h"

std::string RoffEscape(const std::string& text)
{
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == '.' || c == '\''))
            out += "\\&";
        lineStart = c == '\n';
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    return out;
}

std::string FormatManPage(std::span<const GnuOption> options, const std::string& date)
{
    char version[32];
    std::snprintf(version, sizeof version, "%d.%d.%d", kVersionMajor, kVersionMinor, kVersionPatch);
    std::string m;
    m += ".\\\" Generated from the program's option table; do not edit.\n";
    m += ".TH GRIDFALL 1 \"" + date + "\" \"Gridfall " + version + "\" \"User Commands\"\n";
    m += ".SH NAME\ngridfall \\- OpenGL 4 tessellation benchmark and GPU stability test\n";
    m += ".SH SYNOPSIS\n.B gridfall\n[\\fIOPTION\\fR]... [\\fI/SWITCH\\fR]...\n"
         ".br\n.B gridfall compare\n\\fIA.json\\fR \\fIB.json\\fR [\\fIC.json\\fR]... [\\fB\\-\\-json\\fR]\n";
    m += ".SH DESCRIPTION\n"
         "Gridfall renders an animated, displaced and normal\\-mapped sphere whose triangles are "
         "subdivided on the GPU by OpenGL 4 tessellation shaders. A benchmark run warms up for "
         "four seconds and then counts the frames rendered within the chosen duration: that "
         "count is the score, in points. A stability\\-test (demo) run renders until it is "
         "stopped and shows one temperature graph per GPU.\n"
         ".PP\n"
         "Without options the startup dialog opens; its settings are kept in\n"
         ".I startup_options.xml\n"
         "(see FILES). Options are applied after the switches and change the settings of this "
         "start; with the dialog they preselect its controls, and what the dialog holds when it "
         "is quit, options included, is stored. A run without the dialog never writes the "
         "options file. The log is written to\n.I gridfall_log.txt\n"
         "in the current directory.\n"
         ".PP\n"
         "The command line is strict: a word that is neither an option nor holds a switch, a "
         "value that starts with \"\\-\\-\" (unless joined with \"=\"), contradicting options "
         "and an option the chosen run does not use end the program with exit status 2; an "
         "unknown word that starts with \"/\" is warned about and ignored.\n";
    m += ".SH OPTIONS\n";
    for (const GnuOption& o : options) {
        m += ".TP\n.B \\-\\-" + RoffEscape(o.name);
        if (o.argument)
            m += " \\fI" + RoffEscape(o.argument) + "\\fR";
        m += "\n" + RoffEscape(o.help) + "\n";
        if (const std::string def = GnuOptionDefault(o); !def.empty())
            m += ".br\nDefault: " + RoffEscape(def) + ".\n";
    }
    m += ".SH DEFAULTS\n"
         "The defaults above are the built\\-in ones. The options file's settings replace "
         "them, and the command line replaces both for one start. A run started from the "
         "startup dialog renders at its preset's level (Normal, 16, unless the dialog stored "
         "another); a run without the dialog at level 32, whatever the stored preset, so that "
         "scripted scores stay comparable;\n.B \\-\\-tess\noverrides both, and a preset's "
         "level selects that preset in the dialog.\n";
    m += ".SH SWITCHES\n"
         "Windows\\-style switches are accepted as well. Each is looked up anywhere in the "
         "command line, once, from its first occurrence.\n";
    for (const SwitchDoc& sw : SwitchTable()) {
        m += ".TP\n";
        if (sw.argument)
            m += ".BI " + RoffEscape(sw.name) + "= " + RoffEscape(sw.argument) + "\n";
        else
            m += ".B " + RoffEscape(sw.name) + "\n";
        m += RoffEscape(sw.help) + "\n";
        if (const std::string def = SwitchDefault(sw); !def.empty())
            m += ".br\nDefault: " + RoffEscape(def) + ".\n";
    }
    m += ".PP\nWithout an affinity switch no thread is pinned: a mask would also pin the GL "
         "driver's own threads (its rasteriser, Mesa's glthread, NVIDIA's threaded "
         "optimisation), and the benchmark would measure the affinity instead of the GPU.\n";
    m += ".SH OUTPUT\n"
         "At the end of a finished benchmark the last line on standard output is the score. "
         "A time\\-based run prints the frames rendered in the measured time (higher is "
         "better):\n"
         ".RS\n.B Gridfall Score: \\fIN\\fR\n.RE\n"
         "A run with\n.B \\-\\-frames\nprints the real time the frames took (lower is better):\n"
         ".RS\n.B Gridfall Time: \\fIN\\fR ms\n.RE\n"
         "Frames that take longer than a second count their real time. The line before the "
         "score,\n"
         ".BR \"Gridfall Average FPS: \" \\fIX\\fR ,\n"
         "is the exact frame rate over the measured time (two decimals). With\n"
         ".B \\-\\-repeat\nboth lines speak of the series (its mean score, its frames over "
         "its time), after one line with every run's score and one with the mean's spread.\n"
         "A stability test started from the command line ends with\n"
         ".RS\n.B Gridfall Stability: PASS\n(duration, checks, errors, maximum temperature)\n.RE\n"
         "or FAIL with the first error (a frame still unfinished after the hang limit ends the run "
         "at once, exit status 4, even when the driver never returns), or STOPPED (exit status 3) "
         "when a timed run was ended early, or NOT COMPARED (exit status 0) when no check frame "
         "was compared with the reference.\n"
         "A headless run reports its progress on standard error (one line rewritten in place "
         "on a terminal, otherwise a line every 5 seconds);\n.B \\-\\-quiet\nturns that off.\n"
         ".PP\n"
         "With\n.B \\-\\-json\n"
         "the program writes a results document (settings, system and GPU identity, score, frame rates, "
         "frame\\-time percentiles and lows, sensor maxima and per\\-second samples; its JSON "
         "Schema is installed as\n.IR results.schema.json )\n"
         "and with\n.B \\-\\-csv\n"
         "a per\\-second log (elapsed time, exact frame rate, the window's worst frame time, "
         "frames, window length, temperature and clocks per GPU). Figures that were not "
         "measured are null or empty, never 0.\n";
    m += ".SH COMPARING RUNS\n"
         ".B gridfall compare\n"
         "prints the score, average frame rate, p50 and p99 frame time and the 1 % and 0.1 % lows "
         "of each results file with the change against the first, warns about differing "
         "settings, and tells whether the frame rate changed by more than the runs' own noise "
         "(a Mann\\-Whitney U test on the per\\-second rates).\n"
         ".B \\-\\-json\n"
         "prints the same as JSON. It exits 0, or 2 on a file it cannot read.\n";
    m += ".SH EXIT STATUS\n";
    for (const ExitStatusDoc& e : ExitStatusTable())
        m += ".TP\n.B " + std::to_string(e.status) + "\n" + RoffEscape(e.help) + "\n";
    m += ".SH ENVIRONMENT\n";
    for (const EnvironmentDoc& e : EnvironmentTable())
        m += ".TP\n.B " + RoffEscape(e.name) + "\n" + RoffEscape(e.help) + "\n";
    m += ".SH EXAMPLES\n"
         ".nf\n"
         "gridfall \\-\\-headless \\-\\-benchmark \\-\\-duration 10000 \\-\\-json r.json\n"
         "gridfall \\-\\-no\\-gui \\-\\-demo \\-\\-resolution 1920x1080 \\-\\-fullscreen\n"
         "gridfall \\-\\-headless \\-\\-validate\n"
         ".fi\n";
    m += ".SH FILES\n"
         ".TP\n.I startup_options.xml\n"
         "the startup dialog's settings, read at every start and written when the dialog is "
         "quit. An installed copy (under an install prefix, marked by\n"
         ".IR share/gridfall/installed ,\n"
         "or in a directory the user does not own) keeps it in\n"
         ".IR $XDG_CONFIG_HOME/gridfall/\n"
         "(default\n.IR ~/.config/gridfall/ );\n"
         "until a file exists there, one beside the executable is read. A portable copy (a "
         "build tree, an unpacked folder the user owns) keeps it beside the executable.\n"
         ".TP\n.I gridfall_log.txt\n"
         "the log of the last start, in the current directory; recreated at every start, "
         "never through a symbolic link\n"
         ".TP\n.I /GPUZShMem\n"
         "GPU\\-Z's shared memory, read with\n.B /gpuz_polling\n";
    m += ".SH SEE ALSO\n"
         ".BR glxinfo (1),\n"
         ".BR eglinfo (1),\n"
         ".BR phoronix\\-test\\-suite (1)\n"
         ".PP\nThe results schema,\n.IR results.schema.json ,\n"
         "in the package's documentation directory.\n";
    return m;
}
