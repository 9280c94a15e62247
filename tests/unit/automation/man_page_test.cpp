// The manual page is generated from the option table: every option, its value placeholder and
// its help text must be there, in roff that cannot be misread.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/gnu_options.h"
#include "core/option_docs.h"
#include "packaging/man/man_page.h"

namespace {

TEST(ManPage, DocumentsEveryOptionOfTheTable)
{
    const std::string page = FormatManPage(GnuOptionTable(), "2026-12-08");
    ASSERT_FALSE(GnuOptionTable().empty());
    for (const GnuOption& o : GnuOptionTable()) {
        std::string entry = ".B \\-\\-" + RoffEscape(o.name);
        if (o.argument)
            entry += " \\fI" + RoffEscape(o.argument) + "\\fR";
        entry += "\n" + RoffEscape(o.help) + "\n";
        EXPECT_NE(page.find(".TP\n" + entry), std::string::npos) << o.name;
        // --help is generated from the same rows.
        EXPECT_NE(FormatGnuHelp().find(std::string("--") + o.name), std::string::npos) << o.name;
    }
    // --help and the page agree on defaults, switches, environment and exit statuses; all
    // come from the same tables.
    const std::string help = FormatGnuHelp();
    auto unwrapped = [](std::string text) {   // --help wraps its rows
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' || text[i] == ' ') {
                if (out.empty() || out.back() != ' ')
                    out += ' ';
            } else {
                out += text[i];
            }
        }
        return out;
    };
    const std::string flatHelp = unwrapped(help);
    int defaults = 0;
    for (const GnuOption& o : GnuOptionTable()) {
        const std::string def = GnuOptionDefault(o);
        if (def.empty())
            continue;
        ++defaults;
        EXPECT_NE(page.find(RoffEscape(o.help) + "\n.br\nDefault: " + RoffEscape(def) + ".\n"),
                  std::string::npos) << o.name;
        EXPECT_NE(flatHelp.find(unwrapped(std::string(o.help) + " (default: " + def + ")")),
                  std::string::npos) << o.name;
    }
    EXPECT_GE(defaults, 8);
    EXPECT_NE(flatHelp.find("(default: 60000)"), std::string::npos);
    for (const char* option : {"check-interval", "hang-limit", "repeat", "max-temp"}) {
        for (const GnuOption& o : GnuOptionTable()) {
            if (option == std::string_view(o.name)) {
                EXPECT_FALSE(GnuOptionDefault(o).empty()) << option;
            }
        }
    }
    EXPECT_NE(flatHelp.find("(default: 10000)"), std::string::npos);
    EXPECT_NE(flatHelp.find("(default: 5000)"), std::string::npos);
    EXPECT_NE(flatHelp.find("(default: 32; the startup dialog's preset gives its own level)"), std::string::npos);
    for (const SwitchDoc& sw : SwitchTable()) {
        EXPECT_NE(page.find(RoffEscape(sw.name)), std::string::npos) << sw.name;
        EXPECT_NE(page.find(RoffEscape(sw.help)), std::string::npos) << sw.name;
        EXPECT_NE(flatHelp.find(unwrapped(sw.help)), std::string::npos) << sw.name;
    }
    EXPECT_NE(page.find(".B /gpuz_polling\n"), std::string::npos);
    EXPECT_NE(page.find(".B /log_temperature\nsets log_temperature in the options file"), std::string::npos);
    for (const char* name : {"GRIDFALL_SYSFS_ROOT", "GRIDFALL_NVML_LIBRARY", "XDG_CONFIG_HOME"}) {
        EXPECT_NE(page.find(".B " + RoffEscape(name) + "\n"), std::string::npos) << name;
        EXPECT_NE(help.find(name), std::string::npos) << name;
    }
    for (const ExitStatusDoc& e : ExitStatusTable()) {
        EXPECT_NE(page.find(".B " + std::to_string(e.status) + "\n" + RoffEscape(e.help)),
                  std::string::npos) << e.status;
        EXPECT_NE(flatHelp.find(unwrapped(e.help)), std::string::npos) << e.status;
    }
    for (const char* section : {".SH DEFAULTS\n", ".SH ENVIRONMENT\n", ".SH FILES\n",
                                ".SH EXIT STATUS\n", ".SH SEE ALSO\n"})
        EXPECT_NE(page.find(section), std::string::npos) << section;

    EXPECT_EQ(page.rfind(".\\\" Generated", 0), 0u);
    EXPECT_NE(page.find(".TH GRIDFALL 1 \"2026-12-08\" \"Gridfall 0.3.0\""), std::string::npos);
    EXPECT_NE(page.find("Gridfall Score:"), std::string::npos);
}

TEST(ManPage, EscapesTextForRoff)
{
    EXPECT_EQ(RoffEscape("map-set"), "map\\-set");
    EXPECT_EQ(RoffEscape("a\\b"), "a\\eb");
    // A line starting with a control character would be taken as a request.
    EXPECT_EQ(RoffEscape(".hidden"), "\\&.hidden");
    EXPECT_EQ(RoffEscape("x\n'quoted"), "x\n\\&'quoted");
    EXPECT_EQ(RoffEscape("not.at.start"), "not.at.start");

    // Help text with roff-special characters cannot break the page's structure.
    const GnuOption tricky[] = {{"x-y", "A\\B", ".so /etc/passwd"}};
    const std::string page = FormatManPage(tricky, "2026-01-01");
    EXPECT_NE(page.find(".B \\-\\-x\\-y \\fIA\\eB\\fR\n\\&.so /etc/passwd\n"), std::string::npos);
    EXPECT_EQ(page.find("\n.so"), std::string::npos);
}

}  // namespace
