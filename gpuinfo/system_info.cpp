// Processor, memory and operating-system facts.
#include "gpuinfo/system_info.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sched.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define GRIDFALL_HAVE_X86 1
#endif

#include "gpuinfo/driver_info.h"
#include "gpuinfo/sysfs_reader.h"

namespace Ridudedozu {

CpuidFunction HardwareCpuid()
{
#ifdef GRIDFALL_HAVE_X86
    return [](uint32_t leaf, CpuidRegs* r) {
        unsigned a = 0, b = 0, c = 0, d = 0;
        __cpuid_count(leaf, 0, a, b, c, d);
        r->eax = a;
        r->ebx = b;
        r->ecx = c;
        r->edx = d;
        return true;
    };
#else
    return [](uint32_t, CpuidRegs*) { return false; };
#endif
}

bool DecodeCpuid(const CpuidFunction& cpuid, SystemFacts* f)
{
    CpuidRegs r0;
    if (!cpuid || !cpuid(0, &r0))
        return false;
    const uint32_t maxBasic = r0.eax;
    char vendor[13] = {};
    std::memcpy(vendor, &r0.ebx, 4);
    std::memcpy(vendor + 4, &r0.edx, 4);
    std::memcpy(vendor + 8, &r0.ecx, 4);
    const bool intel = std::strcmp(vendor, "GenuineIntel") == 0;
    const bool amd = !intel && std::strcmp(vendor, "AuthenticAMD") == 0;
    f->cpu_vendor = intel ? 1 : amd ? 2 : 3;

    CpuidRegs ext;
    uint32_t maxExt = 0, extSignature = 0;
    if (cpuid(0x80000000u, &ext)) {
        maxExt = ext.eax;
        if (maxExt > 0x80000000u) {
            CpuidRegs e1;
            if (cpuid(0x80000001u, &e1))
                extSignature = e1.eax;
        }
    }

    CpuidRegs r1;
    if (maxBasic >= 1 && cpuid(1, &r1)) {
        f->family = (r1.eax >> 8) & 0xF;
        f->model = (r1.eax >> 4) & 0xF;
        f->stepping = r1.eax & 0xF;
        f->mmx = (r1.edx >> 23) & 1;
        f->sse = (r1.edx >> 25) & 1;
        f->sse2 = (r1.edx >> 26) & 1;
        f->sse3 = r1.ecx & 1;
        f->feature_ecx6 = (r1.ecx >> 6) & 1;
    }

    auto leaf4Cores = [&]() -> int32_t {
        CpuidRegs r4;
        if (maxBasic >= 4 && cpuid(4, &r4))
            return static_cast<int32_t>((r4.eax >> 26) & 0x3F) + 1;
        return -1;
    };
    uint32_t keptLogical = 0;
    if (intel && ((r1.edx >> 28) & 1)) {
        const uint32_t logical = (r1.ebx >> 16) & 0xFF;
        if (f->family == 15) {
            keptLogical = logical;
            f->hyper_threading = true;
        } else {
            f->cores_per_package = static_cast<int32_t>(logical);
        }
        if (int32_t c = leaf4Cores(); c > 0)
            f->cores_per_package = c;
    } else if (amd) {
        CpuidRegs r8;
        if (maxExt >= 0x80000008u && cpuid(0x80000008u, &r8))
            f->cores_per_package = static_cast<int32_t>(r8.ecx & 0xFF) + 1;
    } else if (intel) {
        if (int32_t c = leaf4Cores(); c > 0)
            f->cores_per_package = c;
    }
    // A reported count of 0 logical processors is no count at all.
    if (f->cores_per_package < 1)
        f->cores_per_package = 1;
    f->dual_core = f->cores_per_package == 2;
    if (intel && f->family == 15 && f->hyper_threading) {
        if (f->cores_per_package >= 2)
            keptLogical /= static_cast<uint32_t>(f->cores_per_package);
        if (keptLogical < 2)
            f->hyper_threading = false;
    }

    if (intel) {
        f->ext_family = (r1.eax >> 20) & 0xFF;
        f->ext_model = (r1.eax >> 16) & 0xF;
        f->ext_stepping = 0;
    } else {
        f->ext_family = (extSignature >> 20) & 0xFF;
        f->ext_model = (extSignature >> 16) & 0xF;
        f->ext_stepping = extSignature & 0xF;
    }

    f->serial[0] = '\0';
    if (maxBasic >= 3 && ((r1.edx >> 18) & 1)) {
        CpuidRegs s1, s3;
        if (cpuid(1, &s1) && cpuid(3, &s3))
            std::snprintf(f->serial, sizeof(f->serial), "%04X-%04X-%04X-%04X-%04X-%04X", s1.eax >> 16,
                          s1.eax & 0xFFFF, s3.edx >> 16, s3.edx & 0xFFFF, s3.ecx >> 16, s3.ecx & 0xFFFF);
    }
    return true;
}

namespace {

// "key<TAB>: value" lines of /proc/cpuinfo.
std::string CpuinfoValue(const std::string& text, const char* key)
{
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string k = line.substr(0, colon);
        while (!k.empty() && std::isspace(static_cast<unsigned char>(k.back())))
            k.pop_back();
        if (k != key)
            continue;
        size_t v = colon + 1;
        while (v < line.size() && std::isspace(static_cast<unsigned char>(line[v])))
            ++v;
        std::string value = line.substr(v);
        while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back())))
            value.pop_back();
        return value;
    }
    return {};
}

}  // namespace

std::string ReadCpuName(const std::string& root)
{
    auto text = ReadTextFile(RootedPath(root, "/proc/cpuinfo"), 1 << 20);
    if (text) {
        for (const char* key : {"model name", "Processor", "cpu model", "Hardware", "cpu"}) {
            std::string v = CpuinfoValue(*text, key);
            if (!v.empty())
                return v;
        }
    }
    return "n.a";
}

uint32_t CountProcessors(const std::string& root)
{
    uint32_t n = 0;
    if (auto text = ReadTextFile(RootedPath(root, "/proc/cpuinfo"), 1 << 20)) {
        size_t pos = 0;
        while ((pos = text->find("processor", pos)) != std::string::npos) {
            if (pos == 0 || (*text)[pos - 1] == '\n')
                ++n;
            pos += 9;
        }
    }
    if (n == 0 && root.empty()) {
        const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
        n = online > 0 ? static_cast<uint32_t>(online) : 1;
    }
    return n;
}

uint32_t ReadMemTotalKb(const std::string& root)
{
    auto text = ReadTextFile(RootedPath(root, "/proc/meminfo"), 1 << 16);
    if (!text)
        return 0;
    const std::string v = CpuinfoValue(*text, "MemTotal");
    unsigned long long kb = 0;
    char unit[8] = {};
    if (std::sscanf(v.c_str(), "%llu %7s", &kb, unit) < 1)
        return 0;
    return kb > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(kb);
}

uint32_t SysinfoMemTotalKb()
{
    struct sysinfo info {};
    if (::sysinfo(&info) != 0)
        return 0;
    const unsigned long long kb =
        static_cast<unsigned long long>(info.totalram) * (info.mem_unit ? info.mem_unit : 1) / 1024;
    return kb > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(kb);
}

namespace {

bool Is64BitMachine(const std::string& machine)
{
    return machine.find("64") != std::string::npos || machine == "s390x";
}

}  // namespace

OsNames BuildOsNames(const std::string& osReleaseText, const std::string& kernelName,
                     const std::string& kernelRelease, const std::string& machine)
{
    std::string distro;
    if (auto pretty = FindKeyValue(osReleaseText, "PRETTY_NAME"); pretty && !pretty->empty()) {
        distro = *pretty;
    } else if (auto name = FindKeyValue(osReleaseText, "NAME"); name && !name->empty()) {
        distro = *name;
        if (auto ver = FindKeyValue(osReleaseText, "VERSION"); ver && !ver->empty())
            distro += " " + *ver;
    } else {
        distro = kernelName.empty() ? "Linux" : kernelName;
    }
    OsNames names;
    const int bits = Is64BitMachine(machine) ? 64 : 32;
    char buf[256];
    std::snprintf(buf, sizeof(buf), "%s %d-bit", distro.c_str(), bits);
    names.short_name = buf;
    std::snprintf(buf, sizeof(buf), "%s %d-bit [%s %s]", distro.c_str(), bits,
                  kernelName.empty() ? "Linux" : kernelName.c_str(), kernelRelease.c_str());
    names.long_name = buf;
    return names;
}

OsNames ReadOsNames(const std::string& root)
{
    std::string osRelease;
    if (auto t = ReadTextFile(RootedPath(root, "/etc/os-release"), 1 << 16))
        osRelease = *t;
    else if (auto t2 = ReadTextFile(RootedPath(root, "/usr/lib/os-release"), 1 << 16))
        osRelease = *t2;
    std::string kernelName, machine;
    if (auto t = ReadFirstLine(RootedPath(root, "/proc/sys/kernel/ostype")))
        kernelName = *t;
    // The machine has no procfs file; a fake tree may name it in proc/sys/kernel/arch.
    if (auto t = ReadFirstLine(RootedPath(root, "/proc/sys/kernel/arch")))
        machine = *t;
    if (root.empty()) {
        utsname u {};
        if (::uname(&u) == 0) {
            if (kernelName.empty())
                kernelName = u.sysname;
            if (machine.empty())
                machine = u.machine;
        }
    }
    return BuildOsNames(osRelease, kernelName, KernelRelease(root), machine);
}

bool DetectSystem(const std::string& root, const CpuidFunction& cpuid, SystemFacts* facts)
{
    // CPUID decides whether this step runs at all; the rest is the operating system's.
    if (!DecodeCpuid(cpuid, facts))
        return false;
    CopyText(facts->cpu_name, sizeof(facts->cpu_name), ReadCpuName(root));
    facts->memory_kb = ReadMemTotalKb(root);
    // Only the real machine can answer for itself; a fake tree without the file has no memory.
    if (facts->memory_kb == 0 && root.empty())
        facts->memory_kb = SysinfoMemTotalKb();
    const uint64_t bytes = static_cast<uint64_t>(facts->memory_kb) * 1024;
    facts->memory_bytes = bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(bytes);
    facts->processor_count = CountProcessors(root);
    const OsNames os = ReadOsNames(root);
    CopyText(facts->os_name, sizeof(facts->os_name), os.long_name);
    CopyText(facts->os_family, sizeof(facts->os_family), os.short_name);
    CopyText(facts->service_pack, sizeof(facts->service_pack), KernelRelease(root));
    facts->is_64bit = os.short_name.find("64-bit") != std::string::npos;
    return true;
}

int32_t MeasureCpuSpeedMhz()
{
#ifdef GRIDFALL_HAVE_X86
    // Stay on one processor so both counter reads come from the same counter; the first one
    // the thread may run on, as the process mask can exclude processor 0.
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof(allowed), &allowed) == 0) {
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &allowed)) {
                cpu_set_t one;
                CPU_ZERO(&one);
                CPU_SET(cpu, &one);
                sched_setaffinity(0, sizeof(one), &one);
                break;
            }
        }
    }
    timespec t0 {}, t1 {};
    clock_gettime(CLOCK_MONOTONIC, &t0);
    const unsigned long long tsc0 = __rdtsc();
    // Sleeping instead of spinning keeps the second core free for the GL probe that runs at
    // the same time; the counter's rate does not depend on what the core does. Both ends are
    // read back to back, so 50 ms already give the rate to a few parts per million (well
    // below the 1 MHz the figure is given in), and start-up never waits for a longer sample.
    timespec wait {0, 50 * 1000 * 1000};
    while (nanosleep(&wait, &wait) != 0) {
    }
    const unsigned long long tsc1 = __rdtsc();
    clock_gettime(CLOCK_MONOTONIC, &t1);
    sched_setaffinity(0, sizeof(allowed), &allowed);
    const long long ns = (t1.tv_sec - t0.tv_sec) * 1000000000LL + (t1.tv_nsec - t0.tv_nsec);
    if (ns <= 0 || tsc1 <= tsc0)
        return 0;
    // ticks per microsecond = MHz
    const unsigned long long mhz = (tsc1 - tsc0) * 1000ull / static_cast<unsigned long long>(ns);
    return mhz > 0x7FFFFFFF ? 0 : static_cast<int32_t>(mhz);
#else
    return 0;
#endif
}

CpuSpeedMeter::CpuSpeedMeter(Measure measure) : measure_(std::move(measure)) {}

CpuSpeedMeter::~CpuSpeedMeter() { Finish(); }

void CpuSpeedMeter::Start()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (done_ || thread_.joinable())
        return;
    thread_ = std::thread([this] { mhz_ = measure_ ? measure_() : 0; });
}

int32_t CpuSpeedMeter::Get()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (thread_.joinable()) {
        thread_.join();
        done_ = true;
    } else if (!done_) {
        mhz_ = measure_ ? measure_() : 0;
        done_ = true;
    }
    return mhz_;
}

void CpuSpeedMeter::Finish()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (thread_.joinable()) {
        thread_.join();
        done_ = true;
    }
}

}  // namespace Ridudedozu
