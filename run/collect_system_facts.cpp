// Facts of the machine and the GL context for the results.
#include "run/collect_system_facts.h"

#include <SDL.h>

#include <set>
#include <sstream>
#include <utility>

#include "core/process_mode.h"
#include "core/machine_records.h"
#include "gpuinfo/driver_info.h"
#include "gpuinfo/siliscan.h"
#include "gpuinfo/sysfs_reader.h"
#include "gpuinfo/system_info.h"

namespace {

std::vector<std::string> g_command_line;

std::string Trimmed(const std::string& s)
{
    const std::size_t a = s.find_first_not_of(" \t");
    const std::size_t b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

}  // namespace

void KeepCommandLine(int argc, char** argv)
{
    g_command_line.clear();
    for (int i = 0; i < argc && argv && argv[i]; ++i)
        g_command_line.emplace_back(argv[i]);
}

int64_t CountCpuCores(const std::string& cpuinfo)
{
    std::set<std::pair<std::string, std::string>> cores;
    std::string physical;
    std::istringstream in(cpuinfo);
    for (std::string line; std::getline(in, line);) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string key = Trimmed(line.substr(0, colon));
        const std::string value = Trimmed(line.substr(colon + 1));
        if (key == "processor")
            physical.clear();
        else if (key == "physical id")
            physical = value;
        else if (key == "core id")
            cores.emplace(physical, value);
    }
    return cores.empty() ? RunSystemFacts::kUnknown : static_cast<int64_t>(cores.size());
}

RunSystemFacts CollectSystemFacts(const std::string& root)
{
    using namespace Ridudedozu;
    RunSystemFacts f;
    f.cpu_model = ReadCpuName(root);
    if (f.cpu_model == "n.a")
        f.cpu_model.clear();
    if (const uint32_t n = CountProcessors(root); n > 0)
        f.cpu_threads = n;
    if (auto text = ReadTextFile(RootedPath(root, "/proc/cpuinfo"), 1 << 20))
        f.cpu_cores = CountCpuCores(*text);
    if (g_machine_facts.cpu_speed_mhz > 0)
        f.cpu_speed_mhz = g_machine_facts.cpu_speed_mhz;
    if (auto g = ReadFirstLine(RootedPath(root, "/sys/devices/system/cpu/cpu0/cpufreq/scaling_governor")))
        f.cpu_governor = *g;
    if (const uint32_t kb = ReadMemTotalKb(root); kb > 0)
        f.memory_kib = kb;
    f.kernel = KernelRelease(root);
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        if (auto text = ReadTextFile(RootedPath(root, path), 1 << 16)) {
            if (auto pretty = FindKeyValue(*text, "PRETTY_NAME"))
                f.distribution = *pretty;
            break;
        }
    }
    if (IsHeadless()) {
        f.display_server = "headless";
    } else if (const char* driver = SDL_GetCurrentVideoDriver()) {
        f.display_server = driver;
    }
    f.command_line = g_command_line;

    if (Ridudedozu::SiliscanLib* lib = Ridudedozu::SiliscanLib::Instance(); lib && lib->GetGlMajor() > 0) {
        const auto textOf = [](const char* t) { return t ? std::string(t) : std::string(); };
        f.rendering_gpu = textOf(lib->GetMainRenderer());
        f.rendering_vendor_id = lib->GetMainVendorId();
        f.rendering_device_id = lib->GetMainDeviceId();
        f.rendering_driver = textOf(lib->GetMainDriver());
        f.software_renderer = lib->IsSoftwareRenderer();
        f.boot_adapter = textOf(lib->GetBootAdapterName());
        f.boot_vendor_id = lib->GetBootAdapterVendorId();
        f.boot_device_id = lib->GetBootAdapterDeviceId();
    }

    const SystemInfo& s = g_system_info;
    f.gl_vendor = s.gl_vendor;
    f.gl_renderer = s.gl_renderer;
    f.gl_version = s.gl_version;
    f.gl_driver_version = GlDriverVersion(f.gl_version);
    f.gl_profile = s.gl_profile;
    if (s.swap_interval != kSwapIntervalNotRead)
        f.swap_interval = s.swap_interval;
    return f;
}
