// The end-to-end tests' child-process helper, on /bin/sh: what a child gets (environment,
// directory, standard streams, signal dispositions), how its end is read, and that it never
// outlives the test that started it.
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace gridfall_test;
using namespace std::chrono_literals;

class ChildProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("gridfall_child_process_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    ChildLaunch Shell(const std::string& script) const
    {
        ChildLaunch launch;
        launch.program = "/bin/sh";
        launch.args = {"-c", script};
        launch.stdoutPath = dir_ / "out.txt";
        launch.stderrPath = dir_ / "err.txt";
        return launch;
    }

    fs::path dir_;
};

TEST_F(ChildProcessTest, EnvironmentDropsNamesAndPrefixesAndTheTestsOwnValuesWin)
{
    setenv("GF_CHILD_KEEP", "kept", 1);
    setenv("GF_CHILD_DROP", "x", 1);
    setenv("GF_CHILD_DROPPED", "kept too", 1);  // only the exact name goes
    setenv("GF_PREFIX_A", "x", 1);
    setenv("GF_PREFIX_B", "x", 1);
    setenv("GF_CHILD_SET", "inherited", 1);
    const std::vector<std::string> env = ChildEnvironment(
        {"GF_CHILD_DROP", "GF_PREFIX_*"}, {"GF_CHILD_SET=first", "GF_NEW=1", "GF_CHILD_SET=mine"});
    for (const char* name : {"GF_CHILD_KEEP", "GF_CHILD_DROP", "GF_CHILD_DROPPED", "GF_PREFIX_A", "GF_PREFIX_B",
                             "GF_CHILD_SET"})
        unsetenv(name);

    auto count = [&](const std::string& entry) { return std::count(env.begin(), env.end(), entry); };
    EXPECT_EQ(count("GF_CHILD_KEEP=kept"), 1);
    EXPECT_EQ(count("GF_CHILD_DROPPED=kept too"), 1);
    EXPECT_EQ(count("GF_CHILD_DROP=x"), 0);
    EXPECT_EQ(count("GF_PREFIX_A=x") + count("GF_PREFIX_B=x"), 0);
    EXPECT_EQ(count("GF_CHILD_SET=inherited") + count("GF_CHILD_SET=first"), 0);
    EXPECT_EQ(count("GF_CHILD_SET=mine"), 1);
    EXPECT_EQ(count("GF_NEW=1"), 1);

    // The child sees exactly that.
    ChildLaunch launch = Shell("echo \"$GF_CHILD_SET $GF_CHILD_KEEP ${GF_PREFIX_A-none}\"");
    launch.environment = env;
    EXPECT_EQ(RunToEnd(launch, 30s).out, "mine kept none\n");
}

TEST_F(ChildProcessTest, RunToEndCapturesStatusOutputDirectoryAndNoInput)
{
    fs::create_directories(dir_ / "work");
    ChildLaunch launch = Shell("pwd; cat; echo oops >&2; exit 3");
    launch.workDir = dir_ / "work";
    ChildResult r = RunToEnd(launch, 30s);  // cat ends at once: standard input is /dev/null
    EXPECT_EQ(r.status, 3);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.out, fs::canonical(dir_ / "work").string() + "\n");
    EXPECT_EQ(r.err, "oops\n");

    // One file for both keeps the order they were written in.
    launch = Shell("echo 1; echo 2 >&2; echo 3");
    launch.stderrPath = launch.stdoutPath;
    r = RunToEnd(launch, 30s);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1\n2\n3\n");
    EXPECT_EQ(r.err, "");

    // Ended by a signal reads as a shell says it.
    r = RunToEnd(Shell("kill -SEGV $$"), 30s);
    EXPECT_EQ(r.status, 128 + SIGSEGV);
    EXPECT_FALSE(r.timedOut);

    // Late: killed, and said so.
    const auto start = std::chrono::steady_clock::now();
    r = RunToEnd(Shell("echo started; exec sleep 30"), 500ms);
    EXPECT_EQ(r.status, kNotEnded);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.out, "started\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
}

TEST_F(ChildProcessTest, StartedChildCanBeWaitedForSignalledAndKilled)
{
    // SIGINT ignored here (as under `nohup` or a background job) must not be passed on: SDL
    // would never see the user's Ctrl+C.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ignore, &previous);
    ChildProcess child(Shell("exec sleep 30"));
    sigaction(SIGINT, &previous, nullptr);
    ASSERT_TRUE(child.Started()) << child.StartError();
    EXPECT_EQ(child.Wait(0ms), kNotEnded);
    EXPECT_EQ(child.Wait(200ms), kNotEnded);  // left running
    EXPECT_TRUE(child.Signal(SIGINT));
    EXPECT_EQ(child.Wait(10s), 128 + SIGINT);
    EXPECT_EQ(child.Wait(0ms), 128 + SIGINT);  // the status stays once collected
    EXPECT_FALSE(child.Signal(SIGINT));        // its pid may be someone else's by now

    ChildProcess late(Shell("exec sleep 30"));
    ASSERT_TRUE(late.Started());
    const pid_t pid = late.Pid();
    EXPECT_EQ(late.WaitOrKill(200ms), kNotEnded);
    EXPECT_NE(kill(pid, 0), 0) << "killed and collected";
    EXPECT_EQ(late.Wait(0ms), 128 + SIGKILL);
}

TEST_F(ChildProcessTest, StartFailuresSayWhichStepFailed)
{
    ChildLaunch launch = Shell("true");
    launch.program = dir_ / "no-such-program";
    ChildProcess missing(launch);
    EXPECT_FALSE(missing.Started());
    EXPECT_EQ(missing.StartError().rfind("execve " + launch.program.string() + ": ", 0), 0u) << missing.StartError();

    launch = Shell("true");
    launch.workDir = dir_ / "no-such-dir";
    ChildProcess noDir(launch);
    EXPECT_FALSE(noDir.Started());
    EXPECT_EQ(noDir.StartError(), "chdir " + launch.workDir.string() + ": No such file or directory");

    launch = Shell("true");
    launch.program = "gridfall-no-such-tool-on-path";
    ChildProcess notOnPath(launch);
    EXPECT_FALSE(notOnPath.Started());
    EXPECT_EQ(notOnPath.StartError(), "gridfall-no-such-tool-on-path: not found");

    // A bare name is looked up in PATH.
    launch = Shell("exit 4");
    launch.program = "sh";
    EXPECT_EQ(RunToEnd(launch, 30s).status, 4);
}

// A test killed by its time limit takes its child with it. The starter here is a forked copy
// of this test that exits at once; as the subreaper, this process inherits the orphan and
// sees how it ended.
TEST_F(ChildProcessTest, ChildDiesWithItsStarter)
{
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t starter = fork();
    ASSERT_GE(starter, 0);
    if (starter == 0) {
        close(pipeFds[0]);
        ChildLaunch launch = Shell("exec sleep 30");
        ChildProcess child(launch);
        const pid_t pid = child.Pid();
        [[maybe_unused]] const ssize_t n = write(pipeFds[1], &pid, sizeof pid);
        _exit(0);  // no destructors: the child is left behind
    }
    close(pipeFds[1]);
    pid_t orphan = -1;
    ASSERT_EQ(read(pipeFds[0], &orphan, sizeof orphan), static_cast<ssize_t>(sizeof orphan));
    close(pipeFds[0]);
    ASSERT_EQ(waitpid(starter, nullptr, 0), starter);
    ASSERT_GT(orphan, 0);

    int wstatus = 0;
    pid_t done = 0;
    for (int i = 0; i < 500 && done == 0; ++i) {
        done = waitpid(orphan, &wstatus, WNOHANG);
        if (done == 0)
            std::this_thread::sleep_for(10ms);
    }
    if (done == 0) {
        kill(orphan, SIGKILL);
        waitpid(orphan, nullptr, 0);
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    ASSERT_EQ(done, orphan) << "the child outlived its starter";
    EXPECT_TRUE(WIFSIGNALED(wstatus) && WTERMSIG(wstatus) == SIGKILL) << wstatus;
}

}  // namespace
