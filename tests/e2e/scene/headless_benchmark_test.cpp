// The whole program: a short headless benchmark renders the scene and reports a score equal to
// the frames the scene drew after the warm-up.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace {

struct RunOutput {
    int status = -1;
    std::string out;
};

RunOutput RunInDir(const std::string& dir, const std::string& args)
{
    // No display: the program must pick the offscreen path on its own with --headless.
    // Leak checking is left to the unit and gl tiers: Mesa's driver, unloaded at exit, leaves
    // allocations no suppression can name, which would turn the exit status into a leak report.
    const std::string cmd = "cd '" + dir +
                            "' && env -u DISPLAY LIBGL_ALWAYS_SOFTWARE=1 ASAN_OPTIONS=detect_leaks=0 "
                            "timeout -s KILL 240 '" +
                            std::string(GRIDFALL_EXE) + "' " + args + " 2>&1";
    RunOutput r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    r.status = pclose(p);
    return r;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(HeadlessBenchmark, ScoreEqualsTheFramesDrawnAfterTheWarmUp)
{
    char tmpl[] = "/tmp/gridfall_e2e_scene_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;

    const RunOutput run = RunInDir(
        dir, "--headless --benchmark --duration 2000 --resolution 320x240 --tess 2 --map-set 1");
    ASSERT_TRUE(WIFEXITED(run.status)) << run.out;
    EXPECT_EQ(WEXITSTATUS(run.status), 0) << run.out;

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
    rmdir(dir.c_str());
}

}  // namespace
