// Priorities and affinity on Linux.
#include "core/priorities.h"

#include <dirent.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace {

// Windows priority class -> nice. Realtime has no unprivileged counterpart; the strongest
// nice value is the nearest, and it is refused without CAP_SYS_NICE as realtime is refused
// to ordinary users.
struct ClassNice {
    uint32_t priorityClass;
    int nice;
};
constexpr ClassNice kClassTable[] = {
    {kIdlePriorityClass, 19},         {kBelowNormalPriorityClass, 10},
    {kNormalPriorityClass, 0},        {kAboveNormalPriorityClass, -5},
    {kHighPriorityClass, -10},        {kRealtimePriorityClass, -20},
};

// Thread priority level -> nice offset from the class's value. Idle and time-critical pin the
// thread to the ends of the range whatever the class, as they do on Windows.
constexpr int kLevelIdle = -15;
constexpr int kLevelTimeCritical = 15;
struct LevelOffset {
    int32_t level;
    int offset;
};
constexpr LevelOffset kLevelTable[] = {
    {-2, 4},   // lowest
    {-1, 2},   // below normal
    {0, 0},    // normal
    {1, -2},   // above normal
    {2, -4},   // highest
};

std::atomic<int> g_class_nice{0};

uint64_t InitialMask()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) != 0)
        return ~0ull;
    uint64_t mask = 0;
    for (int cpu = 0; cpu < 64; ++cpu)
        if (CPU_ISSET(cpu, &set))
            mask |= 1ull << cpu;
    return mask;
}

// The processors this process could use when it started (all of them, or what taskset gave
// it); captured during static initialisation, before any thread changes its mask.
const uint64_t g_system_mask = InitialMask();

std::atomic<uint64_t>& ProcessMaskStore()
{
    static std::atomic<uint64_t> mask{g_system_mask};
    return mask;
}

bool SetTaskMask(pid_t tid, uint64_t mask)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int cpu = 0; cpu < 64; ++cpu)
        if (mask & (1ull << cpu))
            CPU_SET(cpu, &set);
    return sched_setaffinity(tid, sizeof(set), &set) == 0;
}

// Calls fn(tid) for every thread of this process; false when any call failed.
template <typename Fn>
bool ForEachTask(Fn fn)
{
    DIR* dir = opendir("/proc/self/task");
    if (!dir)
        return fn(0);
    bool ok = true;
    while (dirent* entry = readdir(dir)) {
        char* end = nullptr;
        const long tid = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || tid <= 0)
            continue;
        // A thread that ended meanwhile is no failure.
        if (!fn(static_cast<pid_t>(tid)) && errno != ESRCH)
            ok = false;
    }
    closedir(dir);
    return ok;
}

}  // namespace

std::optional<int> NiceOfPriorityClass(uint32_t priorityClass)
{
    for (const ClassNice& c : kClassTable)
        if (c.priorityClass == priorityClass)
            return c.nice;
    return std::nullopt;
}

std::optional<int> NiceOfThreadPriority(int classNice, int32_t level)
{
    if (level == kLevelIdle)
        return 19;
    if (level == kLevelTimeCritical)
        return -20;
    for (const LevelOffset& l : kLevelTable) {
        if (l.level == level) {
            const int nice = classNice + l.offset;
            return nice < -20 ? -20 : (nice > 19 ? 19 : nice);
        }
    }
    return std::nullopt;
}

bool ThreadMaskAllowed(uint64_t processMask, uint64_t threadMask)
{
    return threadMask != 0 && (threadMask & ~processMask) == 0;
}

uint64_t ProcessAffinityMask() { return ProcessMaskStore().load(); }

bool SetProcessAffinityMask(uint32_t mask)
{
    // The process may only narrow to processors it can use at all.
    if (!ThreadMaskAllowed(g_system_mask, mask))
        return false;
    const bool ok = ForEachTask([mask](pid_t tid) { return SetTaskMask(tid, mask); });
    if (ok)
        ProcessMaskStore().store(mask);
    return ok;
}

bool SetThreadAffinityMask(pid_t tid, uint32_t mask)
{
    if (!ThreadMaskAllowed(ProcessAffinityMask(), mask))
        return false;
    return SetTaskMask(tid, mask);
}

bool SetProcessPriorityClass(uint32_t priorityClass)
{
    const std::optional<int> nice = NiceOfPriorityClass(priorityClass);
    if (!nice)
        return false;
    const bool ok = ForEachTask([n = *nice](pid_t tid) {
        return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), n) == 0;
    });
    if (ok)
        g_class_nice.store(*nice);
    return ok;
}

int ProcessClassNice() { return g_class_nice.load(); }

bool SetThreadPriorityLevel(pid_t tid, int32_t level)
{
    const std::optional<int> nice = NiceOfThreadPriority(ProcessClassNice(), level);
    if (!nice)
        return false;
    // On Linux PRIO_PROCESS with a thread id addresses that one thread.
    return setpriority(PRIO_PROCESS, static_cast<id_t>(tid == 0 ? CurrentThreadId() : tid), *nice) == 0;
}

pid_t CurrentThreadId() { return static_cast<pid_t>(::syscall(SYS_gettid)); }

namespace {
std::atomic<pid_t> g_main_thread{0};
}

void RememberMainThread() { g_main_thread.store(CurrentThreadId()); }
pid_t MainThreadId() { return g_main_thread.load(); }
