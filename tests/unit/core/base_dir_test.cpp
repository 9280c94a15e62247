// Where the options file is read from and written to.
#include <gtest/gtest.h>

#include <unistd.h>

#include "core/base_dir.h"
#include "tests/unit/core/temp_dir.h"

namespace {

TEST(BaseDir, ExecutableDirectoryEndsInASlash)
{
    const std::string dir = ExecutableDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.front(), '/');
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    EXPECT_EQ(DirectoryOfPath("/usr/bin/gridfall"), "/usr/bin/");
    EXPECT_EQ(DirectoryOfPath("gridfall"), "");
}

TEST(BaseDir, PortableProgramDirectoryHoldsTheFile)
{
    TempDir program;
    const std::string base = program.path().string() + "/";
    const OptionsFilePaths p = ResolveOptionsFilePaths(base, "startup_options.xml");
    EXPECT_EQ(p.read_path, base + "startup_options.xml");
    EXPECT_EQ(p.write_path, base + "startup_options.xml");
}

TEST(BaseDir, InstalledCopiesAreNotPortable)
{
    // An installed tree the user owns (cmake --install --prefix ~/x, DESTDIR staging) is told
    // apart by the marker the install puts beside bin/.
    TempDir prefix;
    const std::string bin = prefix.File("bin") + "/";
    ASSERT_TRUE(CreateParentDirectories(bin + "gridfall"));
    EXPECT_TRUE(IsPortableProgramDirectory(bin));
    EXPECT_EQ(std::string(InstalledMarkerPath()), "../share/gridfall/installed");
    const std::string marker = bin + InstalledMarkerPath();
    ASSERT_TRUE(CreateParentDirectories(marker));
    WriteFileBytes(marker, "x");
    EXPECT_FALSE(IsPortableProgramDirectory(bin));
    EXPECT_FALSE(IsPortableProgramDirectory(""));
    // A directory someone else owns (root's /usr/bin for a user; the user's for root).
    if (::geteuid() != 0) {
        EXPECT_FALSE(IsPortableProgramDirectory("/usr/bin/"));
    }
}

TEST(BaseDir, UnwritableProgramDirectoryFallsBackToXdg)
{
    TempDir program, config;
    const std::string base = program.path().string() + "/";
    const std::string xdg = config.path().string();

    // No file in the configuration directory yet: the packaged one beside the program is read.
    OptionsFilePaths p = ResolveOptionsFilePaths(base, "startup_options.xml", xdg.c_str(), "/home/u", false);
    EXPECT_EQ(p.read_path, base + "startup_options.xml");
    EXPECT_EQ(p.write_path, xdg + "/gridfall/startup_options.xml");
    ASSERT_TRUE(CreateParentDirectories(p.write_path));
    WriteFileBytes(p.write_path, "x");
    p = ResolveOptionsFilePaths(base, "startup_options.xml", xdg.c_str(), "/home/u", false);
    EXPECT_EQ(p.read_path, p.write_path);

    // $XDG_CONFIG_HOME unset or relative: ~/.config.
    p = ResolveOptionsFilePaths(base, "startup_options.xml", "relative", "/home/u", false);
    EXPECT_EQ(p.write_path, "/home/u/.config/gridfall/startup_options.xml");
    p = ResolveOptionsFilePaths(base, "startup_options.xml", nullptr, nullptr, false);
    EXPECT_EQ(p.write_path, "");
    EXPECT_EQ(p.read_path, base + "startup_options.xml");
    p = ResolveOptionsFilePaths("", "startup_options.xml", nullptr, nullptr, false);
    EXPECT_EQ(p.read_path, "");
    EXPECT_EQ(p.write_path, "");

    // Where the program directory is unknown, only the configuration directory is left.
    p = ResolveOptionsFilePaths("", "startup_options.xml", xdg.c_str(), nullptr, false);
    EXPECT_EQ(p.read_path, p.write_path);
}

TEST(BaseDir, CreatesNestedDirectories)
{
    TempDir root;
    const std::string file = root.File("a/b/c/startup_options.xml");
    EXPECT_TRUE(CreateParentDirectories(file));
    EXPECT_TRUE(std::filesystem::is_directory(root.File("a/b/c")));
    EXPECT_TRUE(CreateParentDirectories(file));  // again: nothing to do
    WriteFileBytes(root.File("plain"), "x");
    EXPECT_FALSE(CreateParentDirectories(root.File("plain/sub/file")));
}

}  // namespace
