// gridfall(1) from the option table.
#include "packaging/man/man_page.h"

#include <cstdio>

#include "app/startup_options.h"

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
         "beside the executable (or in\n.I ~/.config/gridfall/\n"
         "when that directory is not writable). Options change the settings of one start "
         "only and are applied after the switches; a run without the dialog never writes the "
         "options file. The log is written to\n.I gridfall_log.txt\n"
         "in the current directory.\n";
    m += ".SH OPTIONS\n";
    for (const GnuOption& o : options) {
        m += ".TP\n.B \\-\\-" + RoffEscape(o.name);
        if (o.argument)
            m += " \\fI" + RoffEscape(o.argument) + "\\fR";
        m += "\n" + RoffEscape(o.help) + "\n";
    }
    m += ".SH SWITCHES\n"
         "Windows\\-style switches are accepted as well:\n"
         ".TP\n.B /version\nprint the version and exit\n"
         ".TP\n.BI /app_thread_priority= N\n.TQ\n.BI /rendering_thread_priority= N\n"
         "thread priority level of the main or the render thread (\\-15, \\-2, \\-1, 0, 1, 2, "
         "15)\n"
         ".TP\n.BI /app_process_priority= N\nprocess priority class\n"
         ".TP\n.BI /app_cpu_affinity= MASK\n.TQ\n.BI /rendering_cpu_affinity= MASK\n"
         "CPU affinity bit masks of the process and of the render thread. Without them no "
         "thread is pinned: a mask would also pin the GL driver's own threads (its rasteriser, "
         "Mesa's glthread, NVIDIA's threaded optimisation), and the benchmark would measure the "
         "affinity instead of the GPU\n"
         ".TP\n.B /log_temperature\nwrite the GPU temperatures to the log once a second\n"
         ".TP\n.B /gl3_core_profile\nask for a core\\-profile context\n";
    m += ".SH OUTPUT\n"
         "At the end of a finished benchmark the last line on standard output is\n"
         ".RS\n.B Gridfall Score: \\fIN\\fR\n.RE\n"
         ".PP\n"
         "(frames rendered in the measured time, higher is better) or, for a run with\n"
         ".BR \\-\\-frames ,\n"
         ".RS\n.B Gridfall Time: \\fIN\\fR ms\n.RE\n"
         ".PP\n"
         "(the real time the frames took, lower is better). Frames that take longer than a "
         "second count their real time.\n"
         "A headless run reports its progress on standard error (one line rewritten in place "
         "on a terminal, otherwise a line every 5 seconds);\n.B \\-\\-quiet\nturns that off.\n"
         ".PP\n"
         "with\n.B \\-\\-json\n"
         "a results document (settings, system and GPU identity, score, frame rates, "
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
    m += ".SH EXIT STATUS\n"
         ".TP\n.B 0\na finished run (or a passed validation)\n"
         ".TP\n.B 1\na failure: the run could not start, a results file could not be written, "
         "or the validation failed\n"
         ".TP\n.B 2\nan unknown option or a bad value\n"
         ".TP\n.B 3\na benchmark stopped by the user before its end\n";
    m += ".SH EXAMPLES\n"
         ".nf\n"
         "gridfall \\-\\-headless \\-\\-benchmark \\-\\-duration 10000 \\-\\-json r.json\n"
         "gridfall \\-\\-no\\-gui \\-\\-demo \\-\\-resolution 1920x1080 \\-\\-fullscreen\n"
         "gridfall \\-\\-headless \\-\\-validate\n"
         ".fi\n";
    m += ".SH FILES\n"
         ".TP\n.I startup_options.xml\nthe settings of the startup dialog\n"
         ".TP\n.I gridfall_log.txt\nthe log of the last start\n";
    return m;
}
