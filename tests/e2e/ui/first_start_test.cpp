// The whole program on the test display: a first start without an options file shows the
// startup dialog, Escape quits, and the options file written is the default one with the
// latest-news page marked as seen.
#include "app/options_file.h"
#include "app/startup_options.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Waits for the child's exit status; -1 when it outlives the limit, and then, with kill set,
// it is killed (SDL catches SIGTERM).
int WaitOrKill(pid_t pid, std::chrono::seconds limit, bool killLate)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (killLate) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    return -1;
}

// An X server of the test's own: the key presses below go to whatever window has the focus,
// and on a shared display that may be another test's window.
class PrivateDisplay {
public:
    PrivateDisplay()
    {
        for (int n = 180; n < 240 && pid_ == 0; ++n) {
            const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            if (fs::exists(lock) || fs::exists(socket))
                continue;
            name_ = ":" + std::to_string(n);
            std::string display = name_;
            char xvfb[] = "Xvfb";
            char screen[] = "-screen", zero[] = "0", size[] = "1024x768x24";
            char noreset[] = "-noreset", nolisten[] = "-nolisten", tcp[] = "tcp";
            char* argv[] = {xvfb, display.data(), screen, zero, size, noreset, nolisten, tcp, nullptr};
            if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, argv, environ) != 0) {
                pid_ = 0;
                return;
            }
            for (int i = 0; i < 100 && !fs::exists(socket); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (!fs::exists(socket)) {
                Stop();
                continue;
            }
        }
    }
    ~PrivateDisplay() { Stop(); }
    bool Ok() const { return pid_ != 0; }
    const std::string& Name() const { return name_; }

private:
    void Stop()
    {
        if (pid_ == 0)
            return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }
    pid_t pid_ = 0;
    std::string name_;
};

TEST(FirstStart, EscapeQuitsAndWritesTheDefaultOptions)
{
    ASSERT_EQ(std::system("command -v xdotool >/dev/null && command -v Xvfb >/dev/null"), 0)
        << "needs xdotool and Xvfb";
    PrivateDisplay display;
    ASSERT_TRUE(display.Ok()) << "could not start Xvfb";

    const fs::path dir = fs::path(GRIDFALL_BINARY_DIR) / "ui_first_start";
    fs::remove_all(dir);
    fs::create_directories(dir / "config");
    fs::create_directories(dir / "data");
    // A copy of the program, so that its options file lands in our own directory.
    const fs::path exe = dir / "gridfall";
    fs::copy_file(GRIDFALL_EXE, exe);
    ASSERT_FALSE(fs::exists(dir / kOptionsFileName));

    // No desktop entries: the latest-news page finds no browser to start.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("XDG_", 0) != 0 && entry.rfind("HOME=", 0) != 0 &&
            entry.rfind("DISPLAY=", 0) != 0)
            env.push_back(entry);
    }
    env.push_back("DISPLAY=" + display.Name());
    env.push_back("HOME=" + dir.string());
    env.push_back("XDG_CONFIG_HOME=" + (dir / "config").string());
    env.push_back("XDG_DATA_HOME=" + (dir / "data").string());
    env.push_back("XDG_DATA_DIRS=" + (dir / "data").string());
    env.push_back("LIBGL_ALWAYS_SOFTWARE=1");
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    std::string exePath = exe.string();
    char* argv[] = {exePath.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);

    // The dialog's title tells it is up; focus it and press Escape (again, should the first
    // press come before the dialog takes keys).
    auto press = [&](int timeoutSeconds) {
        const std::string command =
            "DISPLAY=" + display.Name() + " timeout " + std::to_string(timeoutSeconds) +
            " xdotool search --sync --onlyvisible --pid " +
            std::to_string(pid) + " --name '^Lumetra Gridfall 0[.]3[.]0$'" +
            " windowfocus --sync key --clearmodifiers Escape >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    };
    bool found = false;
    int status = -1;
    for (int attempt = 0; attempt < 8 && status < 0; ++attempt) {
        if (!press(attempt == 0 ? 90 : 5))
            break;   // no window (any more): the program is gone or going
        found = true;
        status = WaitOrKill(pid, std::chrono::seconds(4), false);
    }
    if (status < 0)
        status = WaitOrKill(pid, std::chrono::seconds(10), true);
    ASSERT_TRUE(found) << "the startup dialog did not appear";
    EXPECT_EQ(status, 0);

    StartupOptions expected;
    expected.display_app_latest_news = 0;
    const std::string written = ReadFile(dir / kOptionsFileName);
    EXPECT_EQ(written, FormatStartupOptionsFile(expected));
    EXPECT_NE(ReadFile(dir / "gridfall_log.txt").find("redirect.php?id=104"), std::string::npos)
        << "the latest-news page was due on the first start";
}

}  // namespace
