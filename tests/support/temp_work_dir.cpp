// Linked into every test program: runs it in a fresh folder of its own under $TMPDIR (or /tmp),
// so nothing a test or the program it starts writes into the current directory (the log, an
// options file, a run's results) lands in the checkout or the build tree, or reaches a later
// test. Tests make their work folders below it. It is removed at exit unless a test failed:
// then it is kept for a person to look at, and its name is printed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class TempWorkDir : public ::testing::Environment {
public:
    TempWorkDir()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/gridfall_test_XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0) {
            std::perror("gridfall tests: cannot make and enter a temporary working folder");
            std::exit(1);
        }
        dir_ = pattern;
        owner_ = ::getpid();
    }
    void TearDown() override { failed_ = ::testing::UnitTest::GetInstance()->Failed(); }
    ~TempWorkDir() override
    {
        // A forked child that exits normally (a death test) must not take the folder away.
        if (::getpid() != owner_)
            return;
        if (failed_) {
            std::fprintf(stderr, "gridfall tests: kept the working folder %s\n", dir_.c_str());
            return;
        }
        std::error_code ec;
        std::filesystem::current_path("/", ec);
        std::filesystem::remove_all(dir_, ec);
    }

private:
    std::string dir_;
    pid_t owner_ = 0;
    bool failed_ = false;
};

// gtest owns and deletes the environments it is given, after the tests and before exit.
[[maybe_unused]] ::testing::Environment* const g_work_dir =
    ::testing::AddGlobalTestEnvironment(new TempWorkDir);

}  // namespace
