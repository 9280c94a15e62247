// The whole program: a short headless benchmark renders the scene and reports a score equal to
// the frames the scene drew after the warm-up.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace {

using gridfall_test::ReadFile;

// Standard output and error together, in the order written.
gridfall_test::ChildResult RunInDir(const std::string& dir, const std::vector<std::string>& args)
{
    gridfall_test::ChildLaunch launch;
    launch.program = GRIDFALL_EXE;
    launch.args = args;
    // No display: the program must pick the offscreen path on its own with --headless.
    // Leak checking is left to the unit and gl tiers: Mesa's driver, unloaded at exit, leaves
    // allocations no suppression can name, which would turn the exit status into a leak report.
    launch.environment =
        gridfall_test::ChildEnvironment({"DISPLAY"}, {"LIBGL_ALWAYS_SOFTWARE=1", "ASAN_OPTIONS=detect_leaks=0"});
    launch.workDir = dir;
    launch.stdoutPath = dir + "/output.txt";
    launch.stderrPath = launch.stdoutPath;
    return gridfall_test::RunToEnd(launch, std::chrono::seconds(240));
}

TEST(HeadlessBenchmark, ScoreEqualsTheFramesDrawnAfterTheWarmUp)
{
    char tmpl[] = "/tmp/gridfall_e2e_scene_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;

    const gridfall_test::ChildResult run =
        RunInDir(dir, {"--headless", "--benchmark", "--duration", "2000", "--resolution", "320x240",
                       "--tess", "2", "--map-set", "1"});
    ASSERT_FALSE(run.timedOut) << run.out;
    EXPECT_EQ(run.status, 0) << run.out;

    std::smatch m;
    ASSERT_TRUE(std::regex_search(run.out, m, std::regex(R"(SCORE: (\d+) points, time: 2000 ms)")))
        << run.out;
    const long score = std::stol(m[1]);
    EXPECT_GT(score, 0);

    const std::string log = ReadFile(dir + "/gridfall_log.txt");
    EXPECT_NE(log.find(" context with compatibility profile init ok."), std::string::npos) << log;
    std::smatch f;
    ASSERT_TRUE(std::regex_search(log, f,
                                  std::regex(R"(Benchmark frames rendered after the warm-up: (\d+))")))
        << log;
    EXPECT_EQ(std::stol(f[1]), score);

    std::remove((dir + "/gridfall_log.txt").c_str());
    std::remove((dir + "/startup_options.xml").c_str());
    std::remove((dir + "/output.txt").c_str());
    rmdir(dir.c_str());
}

}  // namespace
