// `cmake --install` of this build puts the program, its desktop integration, the manual page
// and the results schema where a desktop and `man` look for them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/child_process.h"

namespace {

namespace fs = std::filesystem;

using gridfall_test::ReadFile;

TEST(Install, PlacesProgramDesktopEntryIconMetadataAndManualPage)
{
    const fs::path prefix = fs::temp_directory_path() / ("gridfall_install_" + std::to_string(getpid()));
    fs::remove_all(prefix);
    const std::string cmd = "cmake --install '" + std::string(GRIDFALL_BINARY_DIR) + "' --prefix '" +
                            prefix.string() + "' > '" + prefix.string() + ".log' 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadFile(prefix.string() + ".log");

    const std::string id = "example.lumetra.Gridfall";
    EXPECT_TRUE(fs::exists(prefix / "bin/gridfall"));
    const fs::path desktop = prefix / "share/applications" / (id + ".desktop");
    ASSERT_TRUE(fs::exists(desktop));
    const std::string entry = ReadFile(desktop);
    EXPECT_NE(entry.find("\nExec=gridfall\n"), std::string::npos);
    EXPECT_NE(entry.find("\nIcon=" + id + "\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(prefix / "share/icons/hicolor/scalable/apps" / (id + ".svg")));
    EXPECT_TRUE(fs::exists(prefix / "share/icons/hicolor/256x256/apps" / (id + ".png")));
    const fs::path metainfo = prefix / "share/metainfo" / (id + ".metainfo.xml");
    ASSERT_TRUE(fs::exists(metainfo));
    EXPECT_NE(ReadFile(metainfo).find("<launchable type=\"desktop-id\">" + id + ".desktop</launchable>"),
              std::string::npos);
    const fs::path man = prefix / "share/man/man1/gridfall.1";
    ASSERT_TRUE(fs::exists(man));
    EXPECT_NE(ReadFile(man).find(".B \\-\\-validate"), std::string::npos);
    EXPECT_TRUE(fs::exists(prefix / "share/doc/Gridfall/results.schema.json"));

    // The distribution tools accept the metadata when they are installed here.
    if (std::system("command -v appstreamcli > /dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(("appstreamcli validate --no-net '" + metainfo.string() +
                               "' > /dev/null 2>&1").c_str()),
                  0);
    }
    if (std::system("command -v groff > /dev/null 2>&1") == 0) {
        const std::string warnings = prefix.string() + ".groff";
        std::system(("groff -man -Tutf8 -ww -z '" + man.string() + "' 2> '" + warnings + "'").c_str());
        EXPECT_EQ(ReadFile(warnings), "");
    }
    fs::remove_all(prefix);
    fs::remove(prefix.string() + ".log");
    fs::remove(prefix.string() + ".groff");
}

}  // namespace
