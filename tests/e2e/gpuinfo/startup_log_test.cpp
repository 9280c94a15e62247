// The whole program, headless, against fake machines: what the start-up log says about the
// graphics cards, the driver and the system.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/program_log.h"

namespace {

const std::string kFixtures = GRIDFALL_FIXTURES_DIR "/gpuinfo";

struct Machine {
    std::string sysfsRoot;     // "" for the real machine
    std::string nvmlScript;    // "" for no NVML
};

using gridfall_test::LogMessages;

bool HasOsLine(const std::vector<std::string>& lines)
{
    for (const auto& l : lines)
        if (l.rfind("OS: ", 0) == 0)
            return true;
    return false;
}

// Starts gridfall headless in a fresh directory and returns its log's messages (the date
// prefix removed) once the start-up lines are written. The run itself is not waited for:
// the program is killed as soon as the log holds its "OS:" line (or after two minutes).
std::vector<std::string> StartUpLog(const Machine& m, const std::string& name)
{
    const std::filesystem::path dir = std::filesystem::path(GRIDFALL_BINARY_DIR) / "e2e_gpuinfo" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);

    std::vector<std::string> add = {"LIBGL_ALWAYS_SOFTWARE=1"};
    if (!m.sysfsRoot.empty())
        add.push_back("GRIDFALL_SYSFS_ROOT=" + kFixtures + "/" + m.sysfsRoot);
    if (m.nvmlScript.empty()) {
        add.push_back("GRIDFALL_NVML_LIBRARY=/nonexistent/libnvidia-ml.so.1");
    } else {
        add.push_back(std::string("GRIDFALL_NVML_LIBRARY=") + FAKE_NVML_PATH);
        add.push_back("FAKE_NVML_SCRIPT=" + kFixtures + "/" + m.nvmlScript);
    }
    gridfall_test::ChildLaunch launch;
    launch.program = GRIDFALL_EXE;
    launch.args = {"--headless", "--benchmark", "--frames", "1", "--tess", "8", "--resolution", "64x64"};
    launch.environment = gridfall_test::ChildEnvironment({"DISPLAY", "GRIDFALL_*", "FAKE_NVML_*"}, add);
    launch.workDir = dir;
    launch.stdoutPath = "/dev/null";
    launch.stderrPath = "/dev/null";

    // Ended with SIGKILL (SDL catches SIGTERM); the log is flushed line by line, so nothing
    // is lost.
    gridfall_test::ChildProcess child(launch);
    EXPECT_TRUE(child.Started()) << child.StartError();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (child.Started() && std::chrono::steady_clock::now() < deadline) {
        if (HasOsLine(LogMessages(dir / "gridfall_log.txt")) ||
            child.Wait(std::chrono::milliseconds(0)) != gridfall_test::kNotEnded)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    child.Kill();
    return LogMessages(dir / "gridfall_log.txt");
}

// The lines from "Main graphics card device ID" up to "OS:", the part this library feeds.
std::vector<std::string> GraphicsPart(const std::vector<std::string>& log)
{
    std::vector<std::string> part;
    bool in = false;
    for (const std::string& l : log) {
        if (l.rfind("Main graphics card device ID", 0) == 0)
            in = true;
        if (in)
            part.push_back(l);
        if (in && l.rfind("OS: ", 0) == 0)
            break;
    }
    return part;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::ostringstream s;
    for (const auto& l : lines)
        s << l << "\n";
    return s.str();
}

}  // namespace

TEST(GpuinfoStartUp, ThisMachineReportsItsSoftwareRenderer)
{
    const auto part = GraphicsPart(StartUpLog({}, "real"));
    ASSERT_GE(part.size(), 10u) << Joined(part);
    EXPECT_EQ(part[0], "Main graphics card device ID: FFFFFFFF-FFFFFFFF") << Joined(part);
    EXPECT_EQ(part[1], "Max tessellation level: 64.0");
    EXPECT_EQ(part[2], "Detected graphics cards and GPUs:");
    EXPECT_EQ(part[3].rfind("Main OpenGL graphics card: llvmpipe", 0), 0u) << part[3];
    EXPECT_EQ(part[4].rfind("Max viewport size: ", 0), 0u);
    EXPECT_EQ(part[5].rfind("Main graphics drivers: Mesa ", 0), 0u) << part[5];
    EXPECT_EQ(part[6].rfind("OpenGL: version 4.", 0), 0u) << part[6];
    EXPECT_EQ(part[7].rfind("CPU: ", 0), 0u);
    EXPECT_EQ(part[8].rfind("CPU speed: ", 0), 0u);
    EXPECT_NE(part[8], "CPU speed: 0 MHz");

    // MemTotal / 1024, as the machine says it.
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    unsigned long long kb = 0;
    meminfo >> key >> kb;
    EXPECT_EQ(part[9], "System memory: " + std::to_string(kb / 1024) + " MB");
    EXPECT_EQ(part.back().rfind("OS: ", 0), 0u);
}

TEST(GpuinfoStartUp, NvidiaAndAmdMachineListsSortedNamedGpus)
{
    const auto part = GraphicsPart(StartUpLog({"nvidia_amd", "nvml_two_gpus.txt"}, "nvidia_amd"));
    const std::string text = Joined(part);
    ASSERT_GE(part.size(), 16u) << text;
    EXPECT_EQ(part[0], "Main graphics card device ID: 10DE-2206");
    EXPECT_EQ(part[1], "Max tessellation level: 64.0");
    EXPECT_EQ(part[2], "Detected graphics cards and GPUs:");
    // Not all ATI/AMD: sorted by bus (1, 3, 8).
    EXPECT_EQ(part[3], "- GPU 1:  NVIDIA GeForce RTX 3080");
    EXPECT_EQ(part[4], "- Device ID: 10DE-2206");
    EXPECT_EQ(part[5].rfind("----> GPU temperature: 63.000", 0), 0u) << part[5];
    EXPECT_EQ(part[6], "----> Graphics driver: 550.54.14");
    EXPECT_EQ(part[7], "- GPU 2:  AMD Radeon RX 6800/6800 XT/6900 XT");
    EXPECT_EQ(part[8], "- Device ID: 1002-73BF");
    EXPECT_EQ(part[9].rfind("----> GPU temperature: 54.000", 0), 0u) << part[9];
    EXPECT_EQ(part[10], "----> Graphics driver: 6.1.0-18-amd64");
    EXPECT_EQ(part[11], "- GPU 3:  NVIDIA Future GPU");
    EXPECT_EQ(part[12], "- Device ID: 10DE-FFF0");
    EXPECT_EQ(part[15], "Main OpenGL graphics card: NVIDIA GeForce RTX 3080");
    EXPECT_NE(text.find("Main graphics drivers: Forceware 550.54.14 () - GL:Mesa "), std::string::npos) << text;
    EXPECT_NE(text.find("CPU: Intel(R) Core(TM) i7-9700K CPU @ 3.60GHz"), std::string::npos);
    EXPECT_NE(text.find("System memory: 32000 MB"), std::string::npos);
    EXPECT_NE(text.find("OS: Debian GNU/Linux 12 (bookworm) 64-bit [Linux 6.1.0-18-amd64]"), std::string::npos);
}

TEST(GpuinfoStartUp, AllAmdMachineKeepsItsOrderAndComposesItsDriverText)
{
    const auto part = GraphicsPart(StartUpLog({"two_amd", ""}, "two_amd"));
    const std::string text = Joined(part);
    ASSERT_GE(part.size(), 12u) << text;
    EXPECT_EQ(part[0], "Main graphics card device ID: 1002-68F9");
    // Every GPU is ATI/AMD: the enumeration order stays (bus 2 before bus 1).
    EXPECT_EQ(part[3], "- GPU 1:  AMD Radeon RX 7900 XT/7900 XTX/7900 GRE");
    EXPECT_EQ(part[7], "- GPU 2:  ATI Radeon HD 6350");
    EXPECT_EQ(part[10], "----> Graphics driver: 5.18.13");
    EXPECT_NE(text.find("Main OpenGL graphics card: ATI Radeon HD 6350"), std::string::npos);
    EXPECT_NE(text.find("Main graphics drivers: Catalyst Mesa "), std::string::npos) << text;
    EXPECT_NE(text.find(" - 5.18.13 ()"), std::string::npos) << text;
}
