// The whole program from the outside, without a display: the version query, the command
// line's exit statuses, the start-up log, the options file left alone, and logs that cannot
// or must not be written.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/options_file.h"
#include "core/startup_options.h"
#include "support/child_process.h"
#include "support/program_log.h"

namespace {

namespace fs = std::filesystem;

using gridfall_test::ChildResult;
using gridfall_test::LogMessages;
using gridfall_test::ReadFile;
using gridfall_test::WriteFile;

// One copy of the program per test in a directory of its own, so that its options file
// (kept beside the executable) is ours; runs in `work` as its current directory.
class StartupE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        root_ = fs::current_path() / "e2e_startup" / name;
        fs::remove_all(root_);
        fs::create_directories(root_ / "bin");
        fs::create_directories(work_ = root_ / "work");
        fs::create_directories(root_ / "config");
        exe_ = root_ / "bin" / "gridfall";
        // A hard link where the file system allows it: the sanitizer build is large.
        std::error_code ec;
        fs::create_hard_link(GRIDFALL_EXE, exe_, ec);
        if (ec)
            fs::copy_file(GRIDFALL_EXE, exe_);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(work_, fs::perms::owner_all, fs::perm_options::add, ec);
        if (!HasFailure())
            fs::remove_all(root_, ec);
    }

    ChildResult Run(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {},
                    std::chrono::seconds limit = std::chrono::seconds(120))
    {
        gridfall_test::ChildLaunch launch;
        launch.program = exe_;
        launch.args = args;
        // No desktop: message boxes go to standard error, nothing waits for a click.
        std::vector<std::string> add = {"HOME=" + root_.string(),
                                        "XDG_CONFIG_HOME=" + (root_ / "config").string(),
                                        "LIBGL_ALWAYS_SOFTWARE=1"};
        add.insert(add.end(), extraEnv.begin(), extraEnv.end());
        launch.environment = gridfall_test::ChildEnvironment({"DISPLAY", "WAYLAND_DISPLAY"}, add);
        launch.workDir = work_;
        launch.stdoutPath = root_ / "stdout.txt";
        launch.stderrPath = root_ / "stderr.txt";
        return gridfall_test::RunToEnd(launch, limit);
    }

    fs::path Log() const { return work_ / "gridfall_log.txt"; }
    fs::path OptionsFile() const { return root_ / "bin" / kOptionsFileName; }

    // The first lines every start writes.
    static void ExpectHeader(const std::vector<std::string>& lines)
    {
        ASSERT_GE(lines.size(), 6u);
        EXPECT_EQ(lines[0], "Lumetra Gridfall is starting up.");
        EXPECT_EQ(lines[1].rfind("Build: 0.3.0 [", 0), 0u) << lines[1];
        EXPECT_EQ(lines[2].rfind("CPU Arch: ", 0), 0u) << lines[2];
        EXPECT_EQ(lines[3].rfind("CPU Level: ", 0), 0u) << lines[3];
        EXPECT_EQ(lines[4].rfind("# of CPU processors: ", 0), 0u) << lines[4];
        EXPECT_EQ(lines[5].rfind("Kernel: ", 0), 0u) << lines[5];
        EXPECT_NE(lines[5].find(" - Version: "), std::string::npos) << lines[5];
    }

    fs::path root_, work_, exe_;
};

TEST_F(StartupE2E, VersionSwitchShowsOnlyTheVersion)
{
    WriteFile(OptionsFile(), "<startup_options width=\"640\"/>");
    const ChildResult r = Run({"x/versionx"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Lumetra Gridfall Information: Lumetra Gridfall v0.3.0\n");
    const auto lines = LogMessages(Log());
    ExpectHeader(lines);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[6], "Lumetra Gridfall v0.3.0");
    EXPECT_EQ(ReadFile(OptionsFile()), "<startup_options width=\"640\"/>");

    // The same from the options file; a second start leaves only its own lines.
    StartupOptions stored;
    stored.display_version = 1;
    const std::string bytes = FormatStartupOptionsFile(stored);
    WriteFile(OptionsFile(), bytes);
    const ChildResult again = Run({});
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.err.find("Lumetra Gridfall v0.3.0"), std::string::npos);
    EXPECT_EQ(LogMessages(Log()).size(), 7u);
    EXPECT_EQ(ReadFile(OptionsFile()), bytes);
}

TEST_F(StartupE2E, GnuOptionsHelpVersionAndBadUsage)
{
    ChildResult r = Run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Lumetra Gridfall v0.3.0\n");
    r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--headless"), std::string::npos);
    EXPECT_NE(r.out.find("--map-set N"), std::string::npos);
    EXPECT_NE(r.out.find("full-screen mode (default: off)"), std::string::npos) << r.out;
    // Asking for help or the version leaves nothing behind in the current directory.
    EXPECT_FALSE(fs::exists(Log()));
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"--msaa", "3"}, {"--duration"}, {"--resolution=big"},
             {"--headless", "--frames", "3", "extra"}, {"--headless", "--json", "--quiet"},
             {"--headless", "--demo", "--frames", "10"}}) {
        r = Run(bad);
        EXPECT_EQ(r.status, 2) << bad[0];
        EXPECT_NE(r.err.find("gridfall: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
    }
    EXPECT_NE(Run({"--headless", "--frames", "3", "extra"}).err.find("extra operand 'extra'"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(OptionsFile()));
}

TEST_F(StartupE2E, DialogWithoutADisplayFails)
{
    const ChildResult r = Run({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Lumetra Gridfall Error: No display could be opened", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;  // nothing else said
    EXPECT_FALSE(fs::exists(OptionsFile()));
    const auto lines = LogMessages(Log());
    ExpectHeader(lines);
    EXPECT_NE(lines.back().find("--headless"), std::string::npos);
}

// A log name that is a planted symbolic link is refused: the file it points to survives and
// the program runs on without a log. So does a working directory it cannot write.
TEST_F(StartupE2E, UnusableLogNeverStopsTheProgram)
{
    const fs::path victim = root_ / "precious.txt";
    WriteFile(victim, "keep me");
    fs::create_symlink(victim, Log());
    ChildResult r = Run({"/version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFile(victim), "keep me");
    fs::remove(Log());

    // A FIFO nobody reads would block the open for good; a directory cannot take the log.
    // Either way the program says so once and goes on.
    ASSERT_EQ(::mkfifo(Log().c_str(), 0644), 0);
    r = Run({"/version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("gridfall: no log written to gridfall_log.txt: it is not a regular file\n"),
              std::string::npos)
        << r.err;
    fs::remove(Log());
    fs::create_directory(Log());
    r = Run({"/version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("gridfall: no log written to gridfall_log.txt: Is a directory\n"), std::string::npos)
        << r.err;
    fs::remove(Log());

    fs::permissions(work_, fs::perms::owner_read | fs::perms::owner_exec);
    r = Run({"/version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("v0.3.0"), std::string::npos);
    if (::access(work_.c_str(), W_OK) != 0) {   // root writes anyway
        EXPECT_NE(r.err.find("gridfall: no log written to gridfall_log.txt: Permission denied\n"),
                  std::string::npos)
            << r.err;
    }
}

// Results files that cannot be created are refused before the run (which would otherwise
// render for the whole duration and then lose its results).
TEST_F(StartupE2E, UnwritableResultsPathsAreRefusedBeforeTheRun)
{
    fs::create_directory(work_ / "taken");
    // A link is refused whatever it points to: the file is put in place by renaming, which
    // would replace /dev/stdout (a link) for everyone on the machine.
    fs::create_symlink("/dev/null", work_ / "devnull.json");
    fs::create_symlink(work_ / "regular.svg", work_ / "linked.svg");
    WriteFile(work_ / "regular.svg", "keep");
    ASSERT_EQ(::mkfifo((work_ / "fifo.csv").c_str(), 0644), 0);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--json", "missing/r.json"}, "gridfall: cannot create missing/r.json: No such file or directory\n"},
        {{"--csv", "taken"}, "gridfall: cannot write taken: Is a directory\n"},
        {{"--frame-log", "missing/f.csv"}, "gridfall: cannot create missing/f.csv: No such file or directory\n"},
        {{"--plot", "taken/p.svg"}, "gridfall: cannot write taken/p.svg: Is a directory\n"},
        {{"--frame-log", "taken/"}, "gridfall: cannot write taken/: Is a directory\n"},
        {{"--frame-log", "fifo.csv"}, "gridfall: cannot write fifo.csv: not a regular file\n"},
        {{"--json", "devnull.json"}, "gridfall: cannot write devnull.json: it is a symbolic link\n"},
        {{"--plot", "linked.svg"}, "gridfall: cannot write linked.svg: it is a symbolic link\n"},
        {{"--json", "r.json", "--frame-log", "./r.json"}, "gridfall: --json and --frame-log name the same file ./r.json\n"},
        {{"--json", "f_summary.csv", "--frame-log", "f.csv"},
         "gridfall: --json and the frame log's summary name the same file f_summary.csv\n"},
        {{"--demo", "--json", "taken/r.json"},
         "gridfall: cannot write taken/gridfall_check_error.png: Is a directory\n"}};
    fs::create_directory(work_ / "taken/gridfall_check_error.png");
    fs::create_directory(work_ / "taken/p.svg");
    for (const auto& [args, said] : cases) {
        // Short, so that a path found only after the run fails here rather than hangs.
        std::vector<std::string> all = {"--headless", "--duration", "1000"};
        if (args.front() != "--demo")
            all.push_back("--benchmark");
        all.insert(all.end(), args.begin(), args.end());
        const ChildResult r = Run(all);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.err, said);
        const auto lines = LogMessages(Log());
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "Command line: " + said.substr(10, said.size() - 11));
    }
    EXPECT_TRUE(fs::is_directory(work_ / "taken"));
    EXPECT_FALSE(fs::exists(work_ / "missing"));
    EXPECT_TRUE(fs::is_symlink(work_ / "devnull.json"));
    EXPECT_EQ(ReadFile(work_ / "regular.svg"), "keep");
}

// A short headless benchmark: the whole start-up report lands in the log in order, the run
// ends by itself, and a run without the dialog writes no options file.
TEST_F(StartupE2E, HeadlessRunLogsTheMachineAndLeavesTheOptionsFile)
{
    StartupOptions stored;
    stored.display_gui = 1;  // the command line turns the dialog off for this start only
    const std::string bytes = FormatStartupOptionsFile(stored);
    WriteFile(OptionsFile(), bytes);
    const ChildResult r = Run({"--headless", "--benchmark", "--duration", "500", "--resolution", "64x64",
                           "--tess", "1", "/app_cpu_affinity=3"},
                          {}, std::chrono::seconds(240));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(OptionsFile()), bytes);
    const auto lines = LogMessages(Log());
    ExpectHeader(lines);
    const std::vector<std::string> inOrder = {
        "Main graphics card device ID: ", "Max tessellation level: ", "Detected graphics cards and GPUs:",
        "Main OpenGL graphics card: ", "Max viewport size: ", "Main graphics drivers: ",
        "OpenGL: version ", "CPU: ", "CPU speed: ", "System memory: ", "OS: "};
    std::size_t at = 6;
    for (const std::string& prefix : inOrder) {
        while (at < lines.size() && lines[at].rfind(prefix, 0) != 0)
            ++at;
        EXPECT_LT(at, lines.size()) << "missing or out of order: " << prefix;
    }
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Exit from Lumetra Gridfall.");
}

// An OpenGL older than 2.0 is refused with its version in the message.
TEST_F(StartupE2E, OldOpenGLIsRefused)
{
    const ChildResult r = Run({"--headless"}, {"MESA_GL_VERSION_OVERRIDE=1.5"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("OpenGL: version 2.0 or higher required (current version detected: 1.5)."),
              std::string::npos)
        << r.err;
    auto lines = LogMessages(Log());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "OpenGL: version 2.0 or higher required (current version detected: 1.5).");
    EXPECT_EQ(lines.back(), "Exit from Lumetra Gridfall.");

    // What an ssh -X user gets: the X server refuses the indirect context with an X error,
    // which must not end the process before it has said so.
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return;
    // Short and small, should the display be unreachable and the run go ahead headless.
    const ChildResult indirect = Run({"--no-gui", "--duration", "1000", "--resolution", "64x64"},
                                     {"LIBGL_ALWAYS_INDIRECT=1", std::string("DISPLAY=") + display});
    EXPECT_EQ(indirect.status, 1) << indirect.err;
    EXPECT_NE(indirect.err.find("OpenGL: version 2.0 or higher required"), std::string::npos) << indirect.err;
    const std::string log = gridfall_test::ReadFile(Log());
    EXPECT_NE(log.find("LIBGL_ALWAYS_INDIRECT is set"), std::string::npos) << log;
    lines = LogMessages(Log());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Exit from Lumetra Gridfall.");
}

}  // namespace

namespace {

// Without the dialog a run that cannot start its scene (no OpenGL 4 context) still reaches
// the shutdown: status 1, the options file left alone, the exit logged.
TEST_F(StartupE2E, FailedRunWithoutTheDialogEndsTheProgram)
{
    const ChildResult r = Run({"--no-gui", "--resolution", "64x64", "/app_cpu_affinity=3"},
                          {"MESA_GL_VERSION_OVERRIDE=3.3"}, std::chrono::seconds(180));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_FALSE(fs::exists(OptionsFile()));
    const std::string log = gridfall_test::ReadFile(Log());
    const auto lines = LogMessages(Log());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Exit from Lumetra Gridfall.");
    // The refusal names what it found, and a run that never rendered counts no frames.
    EXPECT_NE(log.find(">> Found: OpenGL 3.3 on "), std::string::npos) << log;
    EXPECT_EQ(log.find("frames rendered"), std::string::npos) << log;
}

}  // namespace
