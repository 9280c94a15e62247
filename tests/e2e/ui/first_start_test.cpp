// The whole program on the test display: a first start without an options file shows the
// startup dialog, Escape quits, and the options file written is the default one with the
// latest-news page marked as seen. An installed copy keeps that file under XDG and quits its
// dialog on SIGTERM; --no-gui on a display ends by itself with its result.
#include "core/options_file.h"
#include "core/startup_options.h"

#include "support/child_process.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

using gridfall_test::ChildProcess;
using gridfall_test::ChildLaunch;
using gridfall_test::ReadFile;

// An X server of the test's own: the key presses below go to whatever window has the focus,
// and on a shared display that may be another test's window.
class PrivateDisplay {
public:
    PrivateDisplay()
    {
        for (int n = 180; n < 240 && !server_; ++n) {
            const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            if (fs::exists(lock) || fs::exists(socket))
                continue;
            name_ = ":" + std::to_string(n);
            ChildLaunch launch;
            launch.program = "Xvfb";
            launch.args = {name_, "-screen", "0", "1024x768x24", "-noreset", "-nolisten", "tcp"};
            server_ = std::make_unique<ChildProcess>(launch);
            if (!server_->Started()) {
                server_.reset();
                return;
            }
            for (int i = 0; i < 100 && !fs::exists(socket); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (!fs::exists(socket))
                Stop();
        }
    }
    ~PrivateDisplay() { Stop(); }
    bool Ok() const { return server_ != nullptr; }
    const std::string& Name() const { return name_; }

private:
    void Stop()
    {
        if (!server_)
            return;
        // Xvfb removes its lock and socket on SIGTERM; SIGKILL (when the server goes with its
        // ChildProcess) only should it hang.
        server_->Signal(SIGTERM);
        server_->Wait(std::chrono::seconds(10));
        server_.reset();
    }
    std::unique_ptr<ChildProcess> server_;
    std::string name_;
};

TEST(FirstStart, EscapeQuitsAndWritesTheDefaultOptions)
{
    ASSERT_EQ(std::system("command -v xdotool >/dev/null && command -v Xvfb >/dev/null"), 0)
        << "needs xdotool and Xvfb";
    PrivateDisplay display;
    ASSERT_TRUE(display.Ok()) << "could not start Xvfb";

    const fs::path dir = fs::current_path() / "ui_first_start";
    fs::remove_all(dir);
    fs::create_directories(dir / "config");
    fs::create_directories(dir / "data");
    // A copy of the program, so that its options file lands in our own directory.
    const fs::path exe = dir / "gridfall";
    fs::copy_file(GRIDFALL_EXE, exe);
    ASSERT_FALSE(fs::exists(dir / kOptionsFileName));

    ChildLaunch launch;
    launch.program = exe;
    // No desktop entries: the latest-news page finds no browser to start.
    launch.environment = gridfall_test::ChildEnvironment(
        {"XDG_*", "HOME", "DISPLAY"},
        {"DISPLAY=" + display.Name(), "HOME=" + dir.string(),
         "XDG_CONFIG_HOME=" + (dir / "config").string(), "XDG_DATA_HOME=" + (dir / "data").string(),
         "XDG_DATA_DIRS=" + (dir / "data").string(), "LIBGL_ALWAYS_SOFTWARE=1"});
    launch.workDir = dir;
    ChildProcess app(launch);
    ASSERT_TRUE(app.Started()) << app.StartError();

    // The dialog's title tells it is up; focus it and press Escape (again, should the first
    // press come before the dialog takes keys).
    auto press = [&](int timeoutSeconds) {
        const std::string command =
            "DISPLAY=" + display.Name() + " timeout " + std::to_string(timeoutSeconds) +
            " xdotool search --sync --onlyvisible --pid " +
            std::to_string(app.Pid()) + " --name '^Lumetra Gridfall 0[.]3[.]0$'" +
            " windowfocus --sync key --clearmodifiers Escape >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    };
    // The dialog is the first window a launcher opens: its class is the one the desktop entry
    // names for startup notification.
    const std::string dialog = gridfall_test::CommandOutput(
        "DISPLAY=" + display.Name() + " timeout 90 xdotool search --sync --onlyvisible --pid " +
        std::to_string(app.Pid()) + " --name '^Lumetra Gridfall 0[.]3[.]0$' | head -n1");
    const std::string entry = ReadFile(fs::path(GRIDFALL_SOURCE_DIR) / "packaging/gridfall.desktop");
    const std::size_t key = entry.find("\nStartupWMClass=");
    ASSERT_NE(key, std::string::npos);
    const std::string wmClass = entry.substr(key + 16, entry.find('\n', key + 1) - key - 16);
    EXPECT_EQ(gridfall_test::CommandOutput("DISPLAY=" + display.Name() + " xprop -id '" + dialog +
                                           "' WM_CLASS"),
              "WM_CLASS(STRING) = \"gridfall\", \"" + wmClass + "\"");

    bool found = false;
    int status = -1;
    for (int attempt = 0; attempt < 8 && status < 0; ++attempt) {
        if (!press(attempt == 0 ? 90 : 5))
            break;   // no window (any more): the program is gone or going
        found = true;
        status = app.Wait(std::chrono::seconds(4));
    }
    if (status < 0)
        status = app.WaitOrKill(std::chrono::seconds(10));
    ASSERT_TRUE(found) << "the startup dialog did not appear";
    EXPECT_EQ(status, 0);

    StartupOptions expected;
    expected.display_app_latest_news = 0;
    const std::string written = ReadFile(dir / kOptionsFileName);
    EXPECT_EQ(written, FormatStartupOptionsFile(expected));
    EXPECT_NE(ReadFile(dir / "gridfall_log.txt").find("redirect.php?id=104"), std::string::npos)
        << "the latest-news page was due on the first start";
}

// `DESTDIR=... cmake --install` of this build: the staged copy is an installed one, so its
// settings go to $XDG_CONFIG_HOME even though the user owns and can write its bin/.
TEST(FirstStart, InstalledCopyQuitsOnSigtermAndKeepsItsSettingsUnderXdg)
{
    ASSERT_EQ(std::system("command -v xdotool >/dev/null && command -v Xvfb >/dev/null"), 0)
        << "needs xdotool and Xvfb";
    PrivateDisplay display;
    ASSERT_TRUE(display.Ok()) << "could not start Xvfb";

    const fs::path dir = fs::current_path() / "ui_installed_copy";
    fs::remove_all(dir);
    fs::create_directories(dir / "config");
    fs::create_directories(dir / "work");
    const std::string install = "DESTDIR='" + (dir / "stage").string() + "' cmake --install '" +
                                GRIDFALL_BINARY_DIR + "' --prefix /usr > '" +
                                (dir / "install.log").string() + "' 2>&1";
    ASSERT_EQ(std::system(install.c_str()), 0) << ReadFile(dir / "install.log");
    const fs::path exe = dir / "stage/usr/bin/gridfall";
    ASSERT_TRUE(fs::exists(exe));

    ChildLaunch launch;
    launch.program = exe;
    launch.environment = gridfall_test::ChildEnvironment(
        {"XDG_*", "HOME", "DISPLAY"},
        {"DISPLAY=" + display.Name(), "HOME=" + dir.string(),
         "XDG_CONFIG_HOME=" + (dir / "config").string(), "XDG_DATA_HOME=" + dir.string(),
         "XDG_DATA_DIRS=" + dir.string(), "LIBGL_ALWAYS_SOFTWARE=1"});
    launch.workDir = dir / "work";
    {
        ChildProcess app(launch);
        ASSERT_TRUE(app.Started()) << app.StartError();
        const std::string wait = "DISPLAY=" + display.Name() +
                                 " timeout 90 xdotool search --sync --onlyvisible --pid " +
                                 std::to_string(app.Pid()) +
                                 " --name '^Lumetra Gridfall 0[.]3[.]0$' >/dev/null 2>&1";
        ASSERT_EQ(std::system(wait.c_str()), 0) << "the startup dialog did not appear";
        app.Signal(SIGTERM);
        EXPECT_EQ(app.WaitOrKill(std::chrono::seconds(20)), 0) << "SIGTERM must quit the dialog";
    }
    StartupOptions expected;
    expected.display_app_latest_news = 0;
    EXPECT_EQ(ReadFile(dir / "config/gridfall" / kOptionsFileName), FormatStartupOptionsFile(expected));
    EXPECT_FALSE(fs::exists(exe.parent_path() / kOptionsFileName));

    // Unattended on a desktop: no result dialog waits for a click; the result is on stdout.
    launch.args = {"--no-gui", "--benchmark", "--frames", "3", "--resolution", "64x64", "--tess", "2"};
    launch.stdoutPath = dir / "out.txt";
    launch.stderrPath = dir / "err.txt";
    const gridfall_test::ChildResult run = gridfall_test::RunToEnd(launch, std::chrono::seconds(120));
    EXPECT_FALSE(run.timedOut) << "a --no-gui run waited";
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Gridfall Time: "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("FPS"), std::string::npos) << "the result report goes to stdout: " << run.out;
    EXPECT_EQ(run.out.find("min=10000"), std::string::npos) << "a starting value shown as a figure: " << run.out;
    fs::remove_all(dir);
}

// GTK takes the desktop's locale when it starts; the numbers on standard output and in the
// log stay as scripts read them. Under a German locale (decimal comma) a run on
// the display prints exactly what it prints under C.
TEST(FirstStart, NumbersDoNotFollowTheDesktopLocale)
{
    ASSERT_EQ(std::system("command -v Xvfb >/dev/null && command -v localedef >/dev/null"), 0)
        << "needs Xvfb and localedef (package locales)";
    const fs::path dir = fs::temp_directory_path() / ("gridfall_locale_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "locales");
    const std::string define = "localedef -i de_DE -f UTF-8 '" + (dir / "locales/de_DE.UTF-8").string() +
                               "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(define.c_str()), 0) << "could not build the de_DE.UTF-8 locale";
    PrivateDisplay display;
    ASSERT_TRUE(display.Ok()) << "could not start Xvfb";
    // A copy of the program beside an options file without the dialog and the result dialog:
    // GTK starts, nothing waits for a click.
    fs::create_directories(dir / "bin");
    const fs::path exe = dir / "bin/gridfall";
    fs::copy_file(GRIDFALL_EXE, exe);
    gridfall_test::WriteFile(dir / "bin" / kOptionsFileName,
                             "<startup_options display_gui=\"0\" display_score=\"0\" />\n");

    const auto run = [&](const std::string& locale) {
        const fs::path work = dir / locale;
        fs::create_directories(work);
        ChildLaunch launch;
        launch.program = exe;
        launch.args = {"--benchmark", "--frames", "3", "--resolution", "64x64", "--tess", "2"};
        launch.environment = gridfall_test::ChildEnvironment(
            {"LC_*", "LANG", "LANGUAGE", "DISPLAY", "XDG_*"},
            {"DISPLAY=" + display.Name(), "LC_ALL=" + locale, "LOCPATH=" + (dir / "locales").string(),
             "HOME=" + dir.string(), "XDG_CONFIG_HOME=" + (dir / "config").string(),
             "LIBGL_ALWAYS_SOFTWARE=1", "ASAN_OPTIONS=detect_leaks=0"});
        launch.workDir = work;
        launch.stdoutPath = work / "out.txt";
        launch.stderrPath = work / "err.txt";
        const gridfall_test::ChildResult r = gridfall_test::RunToEnd(launch, std::chrono::seconds(120));
        EXPECT_EQ(r.status, 0) << locale << ": " << r.err;
        return work;
    };
    const fs::path german = run("de_DE.UTF-8");
    const fs::path plain = run("C");
    // Frame rates differ from run to run; the forms of the numbers must not.
    const auto shape = [](std::string text) {
        return std::regex_replace(text, std::regex("[0-9]+"), "9");
    };
    const std::string out = ReadFile(german / "out.txt");
    EXPECT_NE(out.find("Gridfall Average FPS: "), std::string::npos) << out;
    EXPECT_EQ(shape(out), shape(ReadFile(plain / "out.txt")));
    const auto logLine = [](const fs::path& log, const std::string& start) {
        const std::string text = ReadFile(log);
        const auto at = text.find(start);
        return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
    };
    const std::string tess = logLine(german / "gridfall_log.txt", "Max tessellation level: ");
    EXPECT_FALSE(tess.empty());
    EXPECT_EQ(tess, logLine(plain / "gridfall_log.txt", "Max tessellation level: "));
    fs::remove_all(dir);
}

}  // namespace
