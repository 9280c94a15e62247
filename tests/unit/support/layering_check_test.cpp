// The layering check of the test script: the tree as committed passes it, and an include that
// points up the tree is named and fails it.
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string kScript = std::string(GRIDFALL_SOURCE_DIR) + "/scripts/check-layering.sh";

int CheckTree(const std::string& root, std::string* out)
{
    *out = gridfall_test::CommandOutput(kScript + " '" + root + "' 2>&1; echo \"status=$?\"");
    const auto at = out->rfind("status=");
    return at == std::string::npos ? -1 : std::stoi(out->substr(at + 7));
}

TEST(LayeringCheck, TheTreePassesAndAnIncludeThatPointsUpFails)
{
    std::string out;
    EXPECT_EQ(CheckTree(GRIDFALL_SOURCE_DIR, &out), 0) << out;

    // A copy of the rule's shape: a lower folder reaching into the shell, a middle library
    // into its peer, and includes that point down, which pass.
    const fs::path root = fs::current_path() / "tree";
    for (const char* folder : {"core", "gfx", "results", "scene", "run", "app"})
        fs::create_directories(root / folder);
    gridfall_test::WriteFile(root / "scene/hud.cpp", "#include \"core/log_file.h\"\n#include \"gfx/texture.h\"\n");
    gridfall_test::WriteFile(root / "app/main.cpp", "#include \"run/frame_loop.h\"\n");
    EXPECT_EQ(CheckTree(root.string(), &out), 0) << out;

    gridfall_test::WriteFile(root / "gfx/gl_debug.cpp", "#include <GL/gl.h>\n  #include \"app/log.h\"\n");
    gridfall_test::WriteFile(root / "results/json.cpp", "#include \"gfx/texture.h\"\n");
    EXPECT_EQ(CheckTree(root.string(), &out), 1);
    EXPECT_NE(out.find("gfx/gl_debug.cpp:2 includes app/ from gfx/"), std::string::npos) << out;
    EXPECT_NE(out.find("results/json.cpp:1 includes gfx/ from results/"), std::string::npos) << out;
}

}  // namespace
