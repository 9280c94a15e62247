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
    const std::filesystem::path dir = std::filesystem::current_path() / "e2e_gpuinfo" / name;
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

// What every fake machine's log must hold, since llvmpipe renders all of them here: the
// software renderer as the main card and GPU 1, the Linux driver texts, no empty parentheses
// and no Windows driver package.
void ExpectSoftwareRendererLines(const std::vector<std::string>& part)
{
    const std::string text = Joined(part);
    ASSERT_GE(part.size(), 8u) << text;
    EXPECT_EQ(part[0], "Main graphics card device ID: FFFFFFFF-FFFFFFFF") << text;
    EXPECT_EQ(part[1], "Max tessellation level: 64.0");
    EXPECT_EQ(part[2], "Detected graphics cards and GPUs:");
    EXPECT_EQ(part[3].rfind("- GPU 1:  llvmpipe (LLVM ", 0), 0u) << text;
    EXPECT_EQ(part[4], "- Device ID: FFFFFFFF-FFFFFFFF");
    EXPECT_EQ(part[5], "----> GPU temperature: n.a.");
    EXPECT_EQ(part[6].rfind("----> Graphics driver: llvmpipe - Mesa ", 0), 0u) << part[6];
    EXPECT_NE(text.find("\nMain OpenGL graphics card: llvmpipe (LLVM "), std::string::npos) << text;
    EXPECT_NE(text.find("\nMain graphics drivers: llvmpipe - Mesa "), std::string::npos) << text;
    EXPECT_EQ(text.find("()"), std::string::npos) << text;
    EXPECT_EQ(text.find("Catalyst"), std::string::npos) << text;
    EXPECT_EQ(text.find("Forceware"), std::string::npos) << text;
    EXPECT_EQ(text.find(" 0.000"), std::string::npos) << text;   // absent is "n.a.", never 0
}

bool Has(const std::vector<std::string>& part, const std::string& line)
{
    for (const auto& l : part)
        if (l == line)
            return true;
    return false;
}

}  // namespace

TEST(GpuinfoStartUp, ThisMachineReportsItsSoftwareRenderer)
{
    const auto part = GraphicsPart(StartUpLog({}, "real"));
    ExpectSoftwareRendererLines(part);
    ASSERT_GE(part.size(), 15u) << Joined(part);
    // No card here: nothing but llvmpipe renders and nothing else boots the display.
    EXPECT_EQ(part[7].rfind("Main OpenGL graphics card: llvmpipe", 0), 0u) << part[7];
    EXPECT_EQ(part[8].rfind("Software renderer: llvmpipe (LLVM ", 0), 0u) << part[8];
    EXPECT_EQ(part[8].find("boot display adapter"), std::string::npos) << part[8];
    EXPECT_EQ(part[9].rfind("Max viewport size: ", 0), 0u);
    EXPECT_EQ(part[11].rfind("OpenGL: version 4.", 0), 0u) << part[11];
    EXPECT_EQ(part[12].rfind("CPU: ", 0), 0u);
    EXPECT_NE(part[13], "CPU speed: 0 MHz");

    // MemTotal / 1024, as the machine says it.
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    unsigned long long kb = 0;
    meminfo >> key >> kb;
    EXPECT_EQ(part[14], "System memory: " + std::to_string(kb / 1024) + " MiB");
    EXPECT_EQ(part.back().rfind("OS: ", 0), 0u);
}

TEST(GpuinfoStartUp, NvidiaAndAmdMachineListsSortedNamedGpus)
{
    const auto part = GraphicsPart(StartUpLog({"nvidia_amd", "nvml_two_gpus.txt"}, "nvidia_amd"));
    const std::string text = Joined(part);
    ExpectSoftwareRendererLines(part);
    ASSERT_GE(part.size(), 20u) << text;
    // Sorted by bus behind the renderer (1, 3, 8).
    EXPECT_EQ(part[7], "- GPU 2:  NVIDIA GeForce RTX 3080");
    EXPECT_EQ(part[8], "- Device ID: 10DE-2206");
    EXPECT_EQ(part[9].rfind("----> GPU temperature: 63.000", 0), 0u) << part[9];
    EXPECT_EQ(part[10], "----> Graphics driver: nvidia 550.54.14");
    EXPECT_EQ(part[11], "- GPU 3:  AMD Radeon RX 6800/6800 XT/6900 XT");
    EXPECT_EQ(part[12], "- Device ID: 1002-73BF");
    EXPECT_EQ(part[13].rfind("----> GPU temperature: 54.000", 0), 0u) << part[13];
    EXPECT_EQ(part[14], "----> Graphics driver: amdgpu 6.1.0-18-amd64");
    EXPECT_EQ(part[15], "- GPU 4:  NVIDIA Future GPU");
    EXPECT_EQ(part[16], "- Device ID: 10DE-FFF0");
    EXPECT_TRUE(Has(part, "Software renderer: " + part[3].substr(10) +
                              "; boot display adapter: NVIDIA GeForce RTX 3080 (10DE-2206)")) << text;
    EXPECT_NE(text.find("CPU: Intel(R) Core(TM) i7-9700K CPU @ 3.60GHz"), std::string::npos);
    EXPECT_NE(text.find("System memory: 32000 MiB"), std::string::npos);
    EXPECT_NE(text.find("OS: Debian GNU/Linux 12 (bookworm) 64-bit [Linux 6.1.0-18-amd64]"), std::string::npos);
}

TEST(GpuinfoStartUp, AllAmdMachineNamesItsKernelDriver)
{
    const auto part = GraphicsPart(StartUpLog({"two_amd", ""}, "two_amd"));
    const std::string text = Joined(part);
    ExpectSoftwareRendererLines(part);
    EXPECT_TRUE(Has(part, "- GPU 2:  ATI Radeon HD 6350")) << text;
    EXPECT_TRUE(Has(part, "- GPU 3:  AMD Radeon RX 7900 XT/7900 XTX/7900 GRE")) << text;
    EXPECT_TRUE(Has(part, "----> Graphics driver: amdgpu 5.18.13")) << text;
    EXPECT_NE(text.find("; boot display adapter: ATI Radeon HD 6350 (1002-68F9)"), std::string::npos) << text;
}

// The layouts most Linux users own: the GPU list holds every card, sensors or not.
TEST(GpuinfoStartUp, HybridLaptopWithAndWithoutNvml)
{
    for (const char* nvml : {"nvml_laptop.txt", ""}) {
        const auto part = GraphicsPart(StartUpLog({"hybrid_intel_nvidia", nvml}, "hybrid"));
        const std::string text = Joined(part);
        ExpectSoftwareRendererLines(part);
        ASSERT_GE(part.size(), 15u) << text;
        EXPECT_EQ(part[7], "- GPU 2:  Intel Iris Xe Graphics") << text;
        EXPECT_EQ(part[9], "----> GPU temperature: n.a.");   // i915 has no hwmon
        EXPECT_EQ(part[10], "----> Graphics driver: i915 6.1.0-26-amd64");
        EXPECT_EQ(part[12], "- Device ID: 10DE-2520");
        EXPECT_EQ(part[13], *nvml ? "----> GPU temperature: 48.000\xC2\xB0" "C" : "----> GPU temperature: n.a.");
        EXPECT_EQ(part[14], "----> Graphics driver: nvidia 550.54.14");
        EXPECT_NE(text.find("; boot display adapter: Intel Iris Xe Graphics (8086-9A49)\n"), std::string::npos) << text;
    }
}

TEST(GpuinfoStartUp, ApuWithDiscreteCardAndIntelWithoutHwmon)
{
    auto part = GraphicsPart(StartUpLog({"amd_apu_dgpu", ""}, "apu"));
    std::string text = Joined(part);
    ExpectSoftwareRendererLines(part);
    // Sorted by bus: the RX 7600 on bus 3 before the APU on bus 0xC4.
    EXPECT_TRUE(Has(part, "- Device ID: 1002-7480")) << text;
    EXPECT_TRUE(Has(part, "----> GPU temperature: 52.000\xC2\xB0" "C")) << text;
    EXPECT_TRUE(Has(part, "----> GPU temperature: 41.000\xC2\xB0" "C")) << text;
    EXPECT_TRUE(Has(part, "----> Graphics driver: amdgpu 6.8.0-45-generic")) << text;
    EXPECT_LT(text.find("1002-7480"), text.find("1002-15BF")) << text;
    EXPECT_NE(text.find("; boot display adapter: AMD Radeon 780M / 760M Graphics (1002-15BF)"), std::string::npos)
        << text;

    part = GraphicsPart(StartUpLog({"intel_no_hwmon", ""}, "intel_no_hwmon"));
    text = Joined(part);
    ExpectSoftwareRendererLines(part);
    EXPECT_TRUE(Has(part, "- GPU 2:  Intel UHD Graphics 770")) << text;
    EXPECT_TRUE(Has(part, "----> Graphics driver: i915 6.1.0-26-amd64")) << text;
}
