// The machine besides its graphics: processor (CPUID, /proc/cpuinfo), memory (/proc/meminfo),
// operating system (os-release, kernel) and the CPU clock measured from the time-stamp counter.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace Ridudedozu {

struct CpuidRegs {
    uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};
// Runs CPUID for a leaf (sub-leaf 0); false when the processor has no CPUID.
using CpuidFunction = std::function<bool(uint32_t leaf, CpuidRegs* regs)>;
// The processor's own CPUID on x86-64; elsewhere a function that always fails.
CpuidFunction HardwareCpuid();

struct SystemFacts {
    char cpu_name[128] = "n.a";
    int32_t cpu_vendor = 0;        // 1 GenuineIntel, 2 AuthenticAMD, 3 other
    uint32_t family = 0, model = 0, stepping = 0;
    uint32_t ext_family = 0, ext_model = 0, ext_stepping = 0;
    bool mmx = false, sse = false, sse2 = false, sse3 = false, feature_ecx6 = false;
    bool dual_core = false, hyper_threading = false;
    int32_t cores_per_package = 1;
    uint32_t processor_count = 0;
    char serial[128] = {};
    uint32_t memory_bytes = 0;     // clamped to 4 GiB - 1, as the legacy query reports
    uint32_t memory_kb = 0;
    char os_name[128] = {};        // long form
    char os_family[128] = {};      // short form
    char service_pack[128] = {};   // the kernel release on this platform
    bool is_64bit = false;
};

// CPUID fields (vendor, signature, features, cores, serial). False without CPUID; the fields
// then keep their initial values.
bool DecodeCpuid(const CpuidFunction& cpuid, SystemFacts* facts);

// "model name" of the first processor in <root>/proc/cpuinfo (other architectures: "Processor",
// "cpu model", "Hardware"); "n.a" when there is none.
std::string ReadCpuName(const std::string& root);
uint32_t CountProcessors(const std::string& root);
// MemTotal in KiB; 0 when unreadable.
uint32_t ReadMemTotalKb(const std::string& root);
// The kernel's total RAM through sysinfo(), in KiB: the same count as MemTotal, for machines
// (containers, early boot) without a readable /proc/meminfo. 0 when the call fails.
uint32_t SysinfoMemTotalKb();

struct OsNames {
    std::string long_name;
    std::string short_name;
};
// From os-release text (PRETTY_NAME, else NAME VERSION), the kernel's name and release and the
// machine: long "Debian GNU/Linux 12 (bookworm) 64-bit [Linux 6.1.0-18-amd64]", short
// "Debian GNU/Linux 12 (bookworm) 64-bit".
OsNames BuildOsNames(const std::string& osReleaseText, const std::string& kernelName,
                     const std::string& kernelRelease, const std::string& machine);
OsNames ReadOsNames(const std::string& root);

// Everything above for the machine under root, CPUID from the given function.
bool DetectSystem(const std::string& root, const CpuidFunction& cpuid, SystemFacts* facts);

// The CPU clock in MHz from the time-stamp counter over about 50 ms (the thread sleeps;
// the counter runs at a constant rate on every processor this program supports). 0 without a
// time-stamp counter.
int32_t MeasureCpuSpeedMhz();

// Runs one measurement in the background from Start; Get waits for it (or measures at once
// when it was never started) and caches the result. Not copyable; the destructor joins.
class CpuSpeedMeter {
public:
    using Measure = std::function<int32_t()>;
    explicit CpuSpeedMeter(Measure measure = MeasureCpuSpeedMhz);
    ~CpuSpeedMeter();
    CpuSpeedMeter(const CpuSpeedMeter&) = delete;
    CpuSpeedMeter& operator=(const CpuSpeedMeter&) = delete;

    void Start();
    int32_t Get();
    // Waits for a running measurement (used at Stop).
    void Finish();

private:
    Measure measure_;
    std::mutex mutex_;
    std::thread thread_;
    bool done_ = false;
    int32_t mhz_ = 0;       // written by the worker, read after the join
};

}  // namespace Ridudedozu
