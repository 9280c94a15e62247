// Start-up pieces without a window system.
#include "core/startup_sequence.h"

#include <algorithm>
#include <cstdlib>
#include <sys/utsname.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

HostFacts QueryHostFacts()
{
    HostFacts facts;
#if defined(__x86_64__)
    facts.architecture = 9;
#elif defined(__i386__)
    facts.architecture = 0;
#elif defined(__aarch64__)
    facts.architecture = 12;
#elif defined(__arm__)
    facts.architecture = 5;
#endif
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        const unsigned base = (eax >> 8) & 0xF;
        const unsigned extended = (eax >> 20) & 0xFF;
        facts.level = static_cast<int>(base == 0xF ? base + extended : base);
    }
#endif
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    facts.processors = online > 0 ? static_cast<unsigned>(online) : 1u;
    utsname name{};
    if (::uname(&name) == 0) {
        facts.kernel_release = name.release;
        ParseKernelVersion(name.release, facts.kernel_major, facts.kernel_minor);
    }
    return facts;
}

void ParseKernelVersion(const char* release, unsigned& major, unsigned& minor)
{
    major = 0;
    minor = 0;
    if (!release)
        return;
    char* end = nullptr;
    const unsigned long ma = std::strtoul(release, &end, 10);
    if (end == release)
        return;
    major = static_cast<unsigned>(ma);
    if (*end != '.')
        return;
    const char* next = end + 1;
    const unsigned long mi = std::strtoul(next, &end, 10);
    if (end != next)
        minor = static_cast<unsigned>(mi);
}

void LogHostFacts(LogFile& log, const HostFacts& facts)
{
    log.Write("CPU Arch: %i", facts.architecture);
    log.Write("CPU Level: %i", facts.level);
    log.Write("# of CPU processors: %u", facts.processors);
    log.Write("Kernel: %s - Version: %u.%u", facts.kernel_release.c_str(), facts.kernel_major,
              facts.kernel_minor);
}

float TessellationPresetLevel(int32_t tessellationMode)
{
    const int32_t preset = std::clamp(tessellationMode, 1, 4);
    return static_cast<float>(4 << preset);
}

void ClampTessellationLevel(StartupOptions& options, float maxLevel)
{
    float level = options.tess_level;
    if (level > maxLevel)
        level = maxLevel;
    if (level < 1.0f)
        level = 1.0f;
    options.tess_level = level;
    options.tess_level_inner = level;
    options.tess_level_outer = level;
}

void DeriveActiveRunSettings(StartupOptions& o)
{
    o.active_fullscreen = o.fullscreen != 0 ? 1 : 0;
    o.active_run_mode = o.run_mode;
    o.active_width = o.width;
    o.active_height = o.height;
    o.active_duration_ms = static_cast<uint32_t>(o.max_time);
    o.active_max_frames = static_cast<uint32_t>(o.max_frames);
    // A stored frame limit counts only when the user also turned the time limit off; a
    // stored limit must be honoured, not silently replaced by a time-based run.
    if (o.max_frames > 0 && o.time_based_benchmark == 0)
        o.active_time_based = 0;
    else
        o.active_time_based = 1;
    if (o.active_time_based && o.max_time <= 0)
        o.active_duration_ms = 60000;
}
