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
gridfall_test::ChildResult RunInDir(const std::string& dir, const std::vector<std::string>& args,
                                    const std::string& extraEnv = {})
{
    gridfall_test::ChildLaunch launch;
    launch.program = GRIDFALL_EXE;
    launch.args = args;
    // No display: the program must pick the offscreen path on its own with --headless.
    // Leak checking is left to the unit and gl tiers: Mesa's driver, unloaded at exit, leaves
    // allocations no suppression can name, which would turn the exit status into a leak report.
    std::vector<std::string> env = {"LIBGL_ALWAYS_SOFTWARE=1", "ASAN_OPTIONS=detect_leaks=0"};
    if (!extraEnv.empty())
        env.push_back(extraEnv);
    launch.environment = gridfall_test::ChildEnvironment({"DISPLAY", "MESA_GL_VERSION_OVERRIDE"}, env);
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

// A core-profile context, asked for with /gl3_core_profile or the end of the version chain on
// a driver without a compatibility 4.x profile (Mesa's forward-compatible core override),
// renders the frames the validation references show, without a GL error.
TEST(HeadlessBenchmark, CoreProfileContextsRenderTheValidationPictures)
{
    char tmpl[] = "/tmp/gridfall_e2e_core_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const struct {
        std::vector<std::string> args;
        std::string env;
        bool fromChain;
    } runs[] = {
        {{"--headless", "--validate", "--gl-debug", "/gl3_core_profile"}, "", false},
        {{"--headless", "--validate", "--gl-debug"}, "MESA_GL_VERSION_OVERRIDE=4.1FC", true},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.fromChain ? "core from the version chain" : "/gl3_core_profile");
        const gridfall_test::ChildResult run = RunInDir(dir, r.args, r.env);
        ASSERT_FALSE(run.timedOut) << run.out;
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("\nValidation: Success"), std::string::npos) << run.out;
        const std::string log = ReadFile(dir + "/gridfall_log.txt");
        EXPECT_NE(log.find(" context with core profile init ok."), std::string::npos) << log;
        const bool noted = log.find("the driver gave a core-profile context for a compatibility "
                                    "request") != std::string::npos;
        EXPECT_EQ(noted, r.fromChain) << log;
        EXPECT_NE(log.find("OpenGL debug: 0 driver messages (0 errors), 0 glGetError errors."),
                  std::string::npos)
            << log;
    }
    std::remove((dir + "/gridfall_log.txt").c_str());
    std::remove((dir + "/startup_options.xml").c_str());
    std::remove((dir + "/output.txt").c_str());
    rmdir(dir.c_str());
}

}  // namespace
