// `cmake --install` of this build puts the program, its desktop integration, the manual page
// and the results schema where a desktop and `man` look for them; the release tarball builds
// on its own, and the .deb and the test-suite profile made from it say what they hold.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/child_process.h"

namespace {

namespace fs = std::filesystem;

using gridfall_test::CommandOutput;
using gridfall_test::ReadFile;

// Runs a shell command with its output into `log`; true when it exited 0.
bool RunLogged(const std::string& command, const fs::path& log)
{
    return std::system((command + " > '" + log.string() + "' 2>&1").c_str()) == 0;
}

// The text between <tag> and </tag>; "" when absent.
std::string XmlField(const std::string& xml, const std::string& tag)
{
    const std::size_t open = xml.find("<" + tag + ">");
    const std::size_t close = xml.find("</" + tag + ">");
    if (open == std::string::npos || close == std::string::npos)
        return {};
    const std::size_t start = open + tag.size() + 2;
    return xml.substr(start, close - start);
}

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
    EXPECT_TRUE(fs::exists(prefix / "share/doc/gridfall/results.schema.json"));

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

// The heavy one: a Release build of the program from the tarball, in a clean directory, then
// the .deb of that build. Nothing is installed on this machine.
TEST(Install, ReleaseTarballBuildsAndItsDebAndProfileDescribeThemselves)
{
    if (!fs::exists(fs::path(GRIDFALL_SOURCE_DIR) / ".git"))
        GTEST_SKIP() << "the tarball is made from a git checkout";
    // Under the build directory: ccache rewrites paths below its base directory, so a second
    // run compiles from the cache.
    const fs::path dir = fs::path(GRIDFALL_BINARY_DIR) / "release_tarball";
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_TRUE(RunLogged("'" + std::string(GRIDFALL_SOURCE_DIR) + "/scripts/make-dist.sh' '" +
                        (dir / "dist").string() + "'",
                    dir / "dist.log"))
        << ReadFile(dir / "dist.log");
    const fs::path tarball = dir / "dist/gridfall-0.3.0.tar.gz";
    ASSERT_TRUE(fs::exists(tarball));

    // The profile's downloads.xml names this very tarball, and every profile file is XML.
    const fs::path profile = dir / "dist/pts/gridfall";
    const std::string downloads = ReadFile(profile / "downloads.xml");
    EXPECT_EQ(XmlField(downloads, "FileName"), "gridfall-0.3.0.tar.gz");
    EXPECT_EQ(XmlField(downloads, "FileSize"), std::to_string(fs::file_size(tarball)));
    EXPECT_EQ(XmlField(downloads, "SHA256"),
              CommandOutput("sha256sum '" + tarball.string() + "' | cut -d' ' -f1"));
    for (const char* file : {"downloads.xml", "test-definition.xml", "results-definition.xml"})
        EXPECT_TRUE(RunLogged("xmllint --noout '" + (profile / file).string() + "'", dir / "xmllint.log"))
            << file << ": " << ReadFile(dir / "xmllint.log");
    // The version in every profile file is the one the tarball carries.
    const std::string install = ReadFile(profile / "install.sh");
    EXPECT_NE(install.find("tar -xf gridfall-0.3.0.tar.gz"), std::string::npos);
    EXPECT_EQ(install.find("@GRIDFALL_VERSION@"), std::string::npos);
    EXPECT_EQ(XmlField(ReadFile(profile / "test-definition.xml"), "AppVersion"), "0.3.0");
    EXPECT_TRUE(RunLogged("sh -n '" + (profile / "install.sh").string() + "'", dir / "sh.log"));

    // Tracked files only: nothing of this build tree travels in the tarball.
    const std::string listing = CommandOutput("tar -tzf '" + tarball.string() + "'");
    EXPECT_NE(listing.find("gridfall-0.3.0/CMakeLists.txt\n"), std::string::npos);
    EXPECT_EQ(listing.find("CMakeCache.txt"), std::string::npos);

    ASSERT_TRUE(RunLogged("tar -xzf '" + tarball.string() + "' -C '" + dir.string() + "'", dir / "tar.log"));
    const std::string launcher =
        std::system("command -v ccache > /dev/null 2>&1") == 0
            ? " -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
            : "";
    const fs::path build = dir / "build";
    ASSERT_TRUE(RunLogged("cmake -S '" + (dir / "gridfall-0.3.0").string() + "' -B '" + build.string() +
                        "' -G Ninja -DCMAKE_BUILD_TYPE=Release -DGRIDFALL_TESTS=OFF" + launcher,
                    dir / "configure.log"))
        << ReadFile(dir / "configure.log");
    // The program and the manual page, which is all an installation needs.
    ASSERT_TRUE(RunLogged("cmake --build '" + build.string() + "' --target gridfall gridfall_man",
                    dir / "build.log"))
        << ReadFile(dir / "build.log");
    EXPECT_EQ(CommandOutput("'" + (build / "app/gridfall").string() + "' --version"),
              "Lumetra Gridfall v0.3.0");

    ASSERT_TRUE(RunLogged("cd '" + build.string() + "' && cpack -G DEB", dir / "cpack.log"))
        << ReadFile(dir / "cpack.log");
    const std::string deb = CommandOutput("ls '" + build.string() + "'/gridfall_0.3.0_*.deb");
    ASSERT_FALSE(deb.empty()) << ReadFile(dir / "cpack.log");
    const std::string files = CommandOutput("dpkg-deb -c '" + deb + "'");
    for (const char* path : {"./usr/bin/gridfall", "./usr/share/man/man1/gridfall.1.gz",
                             "./usr/share/doc/gridfall/copyright", "./usr/share/doc/gridfall/changelog.gz",
                             "./usr/share/gridfall/installed",
                             "./usr/share/applications/example.lumetra.Gridfall.desktop",
                             "./usr/share/icons/hicolor/scalable/apps/example.lumetra.Gridfall.svg"})
        EXPECT_NE(files.find(path), std::string::npos) << path << " missing in\n" << files;
    EXPECT_EQ(files.find("gridfall_manpage"), std::string::npos) << files;
    EXPECT_EQ(CommandOutput("dpkg-deb -f '" + deb + "' Package"), "gridfall");
    EXPECT_EQ(CommandOutput("dpkg-deb -f '" + deb + "' Version"), "0.3.0");
    // Depends comes from the libraries the program links (dpkg-shlibdeps), not from a list.
    const std::string depends = CommandOutput("dpkg-deb -f '" + deb + "' Depends");
    for (const char* package : {"libc6", "libsdl2-2.0-0", "libgtk-3-0", "libdrm2", "libpci3",
                                "fonts-liberation"})
        EXPECT_NE(depends.find(package), std::string::npos) << package << " not in " << depends;

    // Debian's own checker finds no error in it (scripts/setup-deps.sh installs lintian).
    ASSERT_EQ(std::system("command -v lintian > /dev/null 2>&1"), 0) << "lintian is not installed";
    RunLogged("lintian --tag-display-limit 0 '" + deb + "'", dir / "lintian.log");
    const std::string lintian = ReadFile(dir / "lintian.log");
    EXPECT_EQ(("\n" + lintian).find("\nE: "), std::string::npos) << lintian;
    fs::remove_all(dir);
}

}  // namespace
