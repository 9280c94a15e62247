// The built program's runs without the startup dialog: a stability-test run under X whose
// window shows the frame rate in its title and ends on Escape, and a headless run that needs
// no display and ends on SIGINT. Both must shut down in order.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string ReadText(const fs::path& p)
{
    std::ifstream f(p);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// Output of a shell command, trailing newline removed.
std::string Capture(const std::string& cmd)
{
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

class Gridfall {
public:
    Gridfall(const fs::path& dir, const std::vector<std::string>& args, bool keepDisplay)
        : dir_(dir)
    {
        std::vector<std::string> argStore = {GRIDFALL_EXE};
        argStore.insert(argStore.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argStore)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> envStore;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (!keepDisplay && (entry.rfind("DISPLAY=", 0) == 0 ||
                                 entry.rfind("WAYLAND_DISPLAY=", 0) == 0))
                continue;
            if (entry.rfind("ASAN_OPTIONS=", 0) == 0)
                continue;   // replaced below: the first of two entries would win
            envStore.push_back(entry);
        }
        envStore.emplace_back("LIBGL_ALWAYS_SOFTWARE=1");
        // Mesa's EGL and GLX leaks carry stacks that end inside the driver, where no
        // suppression can name them; our own leaks are checked by the in-process tests.
        envStore.emplace_back("ASAN_OPTIONS=detect_leaks=0");
        std::vector<char*> envp;
        for (auto& e : envStore)
            envp.push_back(e.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
        posix_spawn_file_actions_addopen(&actions, 1, (dir / "stdout.txt").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (dir / "stderr.txt").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        // A SIGINT ignored by whoever started the tests would be inherited, and SDL only
        // catches signals that are at their default.
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGINT);
        sigaddset(&defaults, SIGTERM);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
        if (posix_spawn(&pid_, argv[0], &actions, &attr, argv.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Gridfall()
    {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);  // SDL catches SIGTERM
            waitpid(pid_, nullptr, 0);
        }
    }

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    // Exit status, or -1 when it had to be killed after `limit`.
    int Wait(std::chrono::seconds limit)
    {
        const auto deadline = Clock::now() + limit;
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) != pid_) {
            if (Clock::now() > deadline)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Log() const { return ReadText(dir_ / "gridfall_log.txt"); }
    std::string Err() const { return ReadText(dir_ / "stderr.txt"); }

private:
    fs::path dir_;
    pid_t pid_ = -1;
    bool exited_ = false;
};

class RunE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(GRIDFALL_BINARY_DIR) / "e2e_render_loop" / info->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    fs::path dir_;
};

TEST_F(RunE2E, DemoWindowTitlesItsFrameRateAndEscapeShutsDownInOrder)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "needs an X display (scripts/test.sh starts Xvfb)";
    Gridfall app(dir_, {"--no-gui", "--demo", "--resolution", "64x48", "--tess", "8"}, true);
    ASSERT_TRUE(app.Started());

    // "Lumetra Gridfall - Running..." once the scene is up, then every second
    // "Lumetra Gridfall - <api> - FPS=N - Running..." (the in-process window tests check that
    // form; the real scene on llvmpipe may not finish a second quickly on a busy machine).
    // The window is found by its title in the X server's window tree: xdotool's own search
    // does not see SDL's windows here (it answers nothing, even by class).
    const std::string search =
        "xwininfo -root -tree 2>/dev/null | grep -E '\"Lumetra Gridfall - .*Running\\.\\.\\.\"' "
        "| head -n1 | awk '{print $1}'";
    std::string window;
    // Generous: llvmpipe under the sanitizers on a busy machine sets the scene up slowly.
    const auto deadline = Clock::now() + std::chrono::seconds(240);
    while (window.empty() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        window = Capture(search);
    }
    ASSERT_FALSE(window.empty()) << "no running title; log:\n" << app.Log() << app.Err();
    EXPECT_EQ(Capture("xprop -id " + window + " WM_CLASS"),
              "WM_CLASS(STRING) = \"Orvane3DWindow\", \"Orvane3DWindow\"");

    ASSERT_EQ(std::system(("xdotool windowfocus --sync " + window +
                           " key Escape >/dev/null 2>&1").c_str()),
              0);
    EXPECT_EQ(app.Wait(std::chrono::seconds(240)), 0) << app.Log() << app.Err();
    const std::string log = app.Log();
    EXPECT_NE(log.find("Exit from Lumetra Gridfall."), std::string::npos) << log;
}

TEST_F(RunE2E, HeadlessDemoNeedsNoDisplayAndEndsOnInterrupt)
{
    Gridfall app(dir_, {"--headless", "--demo", "--resolution", "64x48", "--tess", "8"},
                 false);
    ASSERT_TRUE(app.Started());
    // Let the run get going, then interrupt it as a user's Ctrl+C would. It must not end by
    // itself meanwhile. Interrupting the scene's set-up is fine too: it ends after it.
    EXPECT_EQ(app.Wait(std::chrono::seconds(10)), -1) << app.Log() << app.Err();
    kill(app.Pid(), SIGINT);
    EXPECT_EQ(app.Wait(std::chrono::seconds(240)), 0) << app.Log() << app.Err();
    EXPECT_NE(app.Log().find("Exit from Lumetra Gridfall."), std::string::npos) << app.Log();
}

}  // namespace
