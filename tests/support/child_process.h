// Running the built program (or a tool such as Xvfb) as a child of a test: its environment,
// working directory and output files, a started child to wait on, signal or kill later, and a
// run to the end that hands back the exit status with what it printed.
//
// Use:
//   ChildLaunch launch;
//   launch.program = GRIDFALL_EXE;
//   launch.args = {"--headless", "--frames", "1"};
//   launch.environment = ChildEnvironment({"DISPLAY", "XDG_*"}, {"LIBGL_ALWAYS_SOFTWARE=1"});
//   launch.workDir = dir;
//   launch.stdoutPath = dir / "stdout.txt";
//   launch.stderrPath = dir / "stderr.txt";
//   ChildResult r = RunToEnd(launch, std::chrono::seconds(120));   // r.status, r.out, r.err
// or
//   ChildProcess app(launch);
//   ASSERT_TRUE(app.Started()) << app.StartError();
//   ... send keys to its window, app.Signal(SIGINT) ...
//   EXPECT_EQ(app.Wait(std::chrono::seconds(60)), 0);
//
// Statuses read as a shell reports them: the exit status, or 128 + the signal that ended the
// child; kNotEnded (-1) when it had not ended within the time given. A child still running
// when its ChildProcess goes is killed with SIGKILL: SDL catches SIGTERM and SIGINT and turns
// them into a quit request that a stuck program never reads.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

namespace gridfall_test {

// A whole file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Replaces the file's contents with `bytes`, creating it if need be.
inline void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// What a shell command line prints on standard output, trailing line ends removed. For quick
// queries of the display (xprop, xwininfo); programs under test go through ChildProcess.
inline std::string CommandOutput(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

// "NAME" of a "NAME=value" entry.
inline std::string_view EnvironmentName(std::string_view entry)
{
    return entry.substr(0, entry.find('='));
}

// This process's environment without the variables `drop` names, followed by `add`
// ("NAME=value" entries). A name ending in '*' drops every variable starting with what comes
// before it ("XDG_*"). Variables that `add` sets are always dropped from what is inherited:
// with two entries of one name the first wins, so an inherited value would silently beat the
// test's own (a later entry of `add` replaces an earlier one of the same name).
inline std::vector<std::string> ChildEnvironment(std::initializer_list<std::string_view> drop,
                                                 const std::vector<std::string>& add = {})
{
    auto dropped = [&](std::string_view name) {
        for (std::string_view d : drop) {
            const bool prefix = !d.empty() && d.back() == '*';
            if (prefix ? name.substr(0, d.size() - 1) == d.substr(0, d.size() - 1) : name == d)
                return true;
        }
        for (const std::string& a : add)
            if (EnvironmentName(a) == name)
                return true;
        return false;
    };
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e)
        if (!dropped(EnvironmentName(*e)))
            env.emplace_back(*e);
    const std::size_t inherited = env.size();
    for (const std::string& a : add) {
        bool replaced = false;
        for (std::size_t i = inherited; i < env.size() && !replaced; ++i)
            if (EnvironmentName(env[i]) == EnvironmentName(a)) {
                env[i] = a;
                replaced = true;
            }
        if (!replaced)
            env.push_back(a);
    }
    return env;
}

// What to start and how.
struct ChildLaunch {
    // A path, or a bare name looked up in this process's PATH (as a shell would). It is also
    // the child's argv[0].
    std::filesystem::path program;
    std::vector<std::string> args;  // after argv[0]
    // "NAME=value" entries: the child's whole environment (see ChildEnvironment).
    std::vector<std::string> environment = ChildEnvironment({});
    std::filesystem::path workDir;  // empty: the test's own
    // Files the child's standard output and error are written to (created or truncated);
    // empty: the test's own. The same path for both gives one file with both, in the order
    // written, as 2>&1 would. Relative paths are taken from the test's directory, not from
    // workDir. Standard input is always /dev/null: nothing waits on a terminal.
    std::filesystem::path stdoutPath;
    std::filesystem::path stderrPath;
};

// How a child ended: exit status, 128 + signal, or this.
inline constexpr int kNotEnded = -1;

// The wait status as a shell reports it.
inline int StatusFromWait(int wstatus)
{
    if (WIFEXITED(wstatus))
        return WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus))
        return 128 + WTERMSIG(wstatus);
    return kNotEnded;
}

// A bare program name found in PATH; a name with a slash as it stands. Empty when not found.
inline std::string ResolveProgram(const std::filesystem::path& program)
{
    const std::string name = program.string();
    if (name.empty() || name.find('/') != std::string::npos)
        return name;
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const std::size_t colon = dirs.find(':');
        const std::string dir(dirs.substr(0, colon));
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string_view::npos)
            return {};
        dirs.remove_prefix(colon + 1);
    }
}

// A started child. Not copyable: exactly one owner waits for it.
class ChildProcess {
public:
    explicit ChildProcess(const ChildLaunch& launch) { Start(launch); }
    ~ChildProcess()
    {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            int wstatus = 0;
            while (waitpid(pid_, &wstatus, 0) < 0 && errno == EINTR) {
            }
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    // Why it did not start ("chdir /x: No such file or directory").
    const std::string& StartError() const { return startError_; }
    pid_t Pid() const { return pid_; }

    // The child's status once it has ended; kNotEnded while it is still running after
    // `limit`, and then it is left running. A zero limit only looks.
    int Wait(std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!Reap()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return kNotEnded;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return status_;
    }

    // As Wait, but a child still running after `limit` is killed (kNotEnded is returned).
    int WaitOrKill(std::chrono::milliseconds limit)
    {
        const int status = Wait(limit);
        if (status == kNotEnded && !reaped_)
            Kill();
        return status;
    }

    // Sends `signal` to a child that has not been waited for; false otherwise.
    bool Signal(int signal) { return pid_ > 0 && !reaped_ && kill(pid_, signal) == 0; }

    // SIGKILL and wait for it to go. Its status stays 128 + SIGKILL (or what it ended with).
    void Kill()
    {
        if (pid_ <= 0 || reaped_)
            return;
        kill(pid_, SIGKILL);
        int wstatus = 0;
        pid_t done = 0;
        while ((done = waitpid(pid_, &wstatus, 0)) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        status_ = done == pid_ ? StatusFromWait(wstatus) : kNotEnded;
    }

private:
    // The child's steps that can fail, as it reports them.
    enum Step { kDeathSignal, kOpenStdin, kOpenStdout, kOpenStderr, kChdir, kExec };

    // Collects the exit status if the child has ended; true when there is nothing left to
    // wait for.
    bool Reap()
    {
        if (pid_ <= 0 || reaped_)
            return true;
        int wstatus = 0;
        const pid_t done = waitpid(pid_, &wstatus, WNOHANG);
        if (done == 0 || (done < 0 && errno == EINTR))
            return false;
        reaped_ = true;
        status_ = done == pid_ ? StatusFromWait(wstatus) : kNotEnded;
        return true;
    }

    void Start(const ChildLaunch& launch)
    {
        // Everything the child touches is made here: between fork and exec only
        // async-signal-safe calls are allowed (the test process may have other threads).
        const std::string exe = ResolveProgram(launch.program);
        if (exe.empty()) {
            startError_ = launch.program.string() + ": not found";
            return;
        }
        std::vector<std::string> argStore = {launch.program.string()};
        argStore.insert(argStore.end(), launch.args.begin(), launch.args.end());
        std::vector<char*> argv;
        for (std::string& a : argStore)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> envStore = launch.environment;
        std::vector<char*> envp;
        for (std::string& e : envStore)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        const std::string workDir = launch.workDir.string();
        const std::string outPath = launch.stdoutPath.string();
        const std::string errPath = launch.stderrPath.string();
        const bool oneFile = !outPath.empty() && outPath == errPath;

        // The child reports a failed step through this pipe; exec closes it, so an empty read
        // means the program is running.
        int report[2];
        if (pipe2(report, O_CLOEXEC) != 0) {
            startError_ = std::string("pipe: ") + std::strerror(errno);
            return;
        }
        const pid_t parent = getpid();
        const pid_t pid = fork();
        if (pid < 0) {
            startError_ = std::string("fork: ") + std::strerror(errno);
            close(report[0]);
            close(report[1]);
            return;
        }
        if (pid == 0) {
            close(report[0]);
            auto fail = [&](int step) {
                const int failure[2] = {step, errno};
                [[maybe_unused]] const ssize_t n = write(report[1], failure, sizeof failure);
                _exit(127);
            };
            // The program dies with the test: a test killed by its time limit must not leave a
            // renderer (or an X server) running. Tied to the thread that forks, which for
            // GoogleTest is the main thread.
            if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
                fail(kDeathSignal);
            if (getppid() != parent)
                _exit(127);  // the test is already gone
            // A SIGINT or SIGTERM ignored by whoever started the tests would be inherited, and
            // SDL only catches signals that are at their default.
            struct sigaction byDefault;
            std::memset(&byDefault, 0, sizeof byDefault);
            byDefault.sa_handler = SIG_DFL;
            sigaction(SIGINT, &byDefault, nullptr);
            sigaction(SIGTERM, &byDefault, nullptr);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);

            // The descriptor open() hands out is closed once duplicated, leaving no spare copy
            // open in the program.
            auto redirect = [](const char* path, int flags, int target) {
                const int fd = open(path, flags, 0644);
                if (fd < 0)
                    return false;
                if (fd != target) {
                    if (dup2(fd, target) < 0)
                        return false;
                    close(fd);
                }
                return true;
            };
            if (!redirect("/dev/null", O_RDONLY, 0))
                fail(kOpenStdin);
            if (!outPath.empty() && (!redirect(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 1) ||
                                     (oneFile && dup2(1, 2) < 0)))
                fail(kOpenStdout);
            if (!errPath.empty() && !oneFile && !redirect(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 2))
                fail(kOpenStderr);
            if (!workDir.empty() && chdir(workDir.c_str()) != 0)
                fail(kChdir);
            execve(exe.c_str(), argv.data(), envp.data());
            fail(kExec);
        }
        close(report[1]);
        int failure[2] = {0, 0};
        ssize_t n = 0;
        while ((n = read(report[0], failure, sizeof failure)) < 0 && errno == EINTR) {
        }
        close(report[0]);
        pid_ = pid;
        if (n > 0) {
            std::string what;
            switch (failure[0]) {
            case kDeathSignal: what = "prctl(PR_SET_PDEATHSIG)"; break;
            case kOpenStdin: what = "open /dev/null"; break;
            case kOpenStdout: what = "open " + outPath; break;
            case kOpenStderr: what = "open " + errPath; break;
            case kChdir: what = "chdir " + workDir; break;
            default: what = "execve " + exe; break;
            }
            startError_ = what + ": " + std::strerror(failure[1]);
            Kill();  // reaps the child, which has exited or is about to
            pid_ = -1;
        }
    }

    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = kNotEnded;
    std::string startError_;
};

// How a run to the end went.
struct ChildResult {
    int status = kNotEnded;  // exit status; 128 + signal; kNotEnded when late or not started
    bool timedOut = false;   // killed for outliving its time limit
    std::string out;         // what it wrote to the launch's stdoutPath (both, for one file)
    std::string err;         // what it wrote to the launch's stderrPath (empty for one file)
};

// Starts the child, waits up to `limit` for it to end (killing it when late) and reads back
// its output files. A child that cannot be started fails the test.
inline ChildResult RunToEnd(const ChildLaunch& launch, std::chrono::milliseconds limit)
{
    ChildResult result;
    {
        ChildProcess child(launch);
        if (!child.Started()) {
            ADD_FAILURE() << "could not start " << launch.program << ": " << child.StartError();
            return result;
        }
        result.status = child.Wait(limit);
        if (result.status == kNotEnded) {
            child.Kill();
            result.timedOut = true;
        }
    }
    if (!launch.stdoutPath.empty())
        result.out = ReadFile(launch.stdoutPath);
    if (!launch.stderrPath.empty() && launch.stderrPath != launch.stdoutPath)
        result.err = ReadFile(launch.stderrPath);
    return result;
}

}  // namespace gridfall_test
