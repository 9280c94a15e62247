// The test programs' leak check against the one case that crashed it: a dynamic TLS block 16
// bytes past a page boundary (tests/support/leak_check_probe.cpp). With the built-in settings
// the check survives it and still reports a leak; a tracer that dies must fail the program.
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

gridfall_test::ChildResult Probe(const std::vector<std::string>& args, const std::string& asanOptions)
{
    gridfall_test::ChildLaunch launch;
    launch.program = GRIDFALL_LEAK_CHECK_PROBE;
    launch.args = args;
    launch.environment = gridfall_test::ChildEnvironment({"ASAN_OPTIONS", "LSAN_OPTIONS"},
                                                         {"ASAN_OPTIONS=" + asanOptions});
    launch.stdoutPath = fs::current_path() / "probe_out.txt";
    launch.stderrPath = fs::current_path() / "probe_err.txt";
    return gridfall_test::RunToEnd(launch, std::chrono::seconds(120));
}

TEST(LeakCheck, SurvivesATlsBlockOnAPageBoundaryAndStillFindsLeaks)
{
#ifndef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the leak check runs in the AddressSanitizer build";
#endif
    // Freed chunks are reused at once, so the probe can place the block.
    const std::string place = "quarantine_size_mb=0:thread_local_quarantine_size_kb=0";

    gridfall_test::ChildResult r = Probe({GRIDFALL_TLS_BLOCK_LIBRARY}, place);
    ASSERT_EQ(r.out, "steered 1\n") << r.err;   // the case is really there
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("LeakSanitizer"), std::string::npos) << r.err;

    r = Probe({GRIDFALL_TLS_BLOCK_LIBRARY, "leak"}, place);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("Direct leak of 77 byte(s)"), std::string::npos) << r.err;

    // The interceptor back on: GCC 12's runtime dies in the tracer here. However the check
    // ends, it must not end as a success.
    r = Probe({GRIDFALL_TLS_BLOCK_LIBRARY, "leak"}, place + ":intercept_tls_get_addr=1");
    EXPECT_NE(r.status, 0) << r.err;
}

}  // namespace
