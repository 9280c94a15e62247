// The manual page is generated from the option table: every option, its value placeholder and
// its help text must be there, in roff that cannot be misread.
#include <gtest/gtest.h>

#include <string>

#include "app/gnu_options.h"
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
