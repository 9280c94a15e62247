// Process and thread scheduling from the Windows-style values of the command line: affinity
// bit masks (bit 0 = first processor), priority classes (32 = normal) and thread priority
// levels (0 = normal), mapped onto Linux affinity and nice values. Every call may be refused
// by the system (invalid value, missing privilege); callers ignore such failures.
#pragma once

#include <cstdint>
#include <optional>
#include <sys/types.h>

// Windows priority classes as the command line gives them.
inline constexpr uint32_t kIdlePriorityClass = 0x40;
inline constexpr uint32_t kBelowNormalPriorityClass = 0x4000;
inline constexpr uint32_t kNormalPriorityClass = 0x20;
inline constexpr uint32_t kAboveNormalPriorityClass = 0x8000;
inline constexpr uint32_t kHighPriorityClass = 0x80;
inline constexpr uint32_t kRealtimePriorityClass = 0x100;

// Nice value of a priority class; nullopt for a value that is no class.
std::optional<int> NiceOfPriorityClass(uint32_t priorityClass);
// Nice value of a thread at a priority level within a class's nice value; nullopt for a level
// that does not exist. Always within -20..19.
std::optional<int> NiceOfThreadPriority(int classNice, int32_t level);

// True when a thread mask is acceptable under a process mask: not empty and within it.
bool ThreadMaskAllowed(uint64_t processMask, uint64_t threadMask);

// The process's processor mask: initially the processors this process may use at start
// (as limited by the system or by taskset), narrowed by SetProcessAffinityMask.
uint64_t ProcessAffinityMask();
// Linux has no process-wide mask: sets the mask on every thread of the process (threads made
// later inherit it from their creator) and remembers it. False when the mask is empty or
// names processors the process cannot use.
bool SetProcessAffinityMask(uint32_t mask);
// Sets a thread's mask (tid 0 = the calling thread). Refused, as on Windows, when the mask
// does not lie within the process mask.
bool SetThreadAffinityMask(pid_t tid, uint32_t mask);

// Sets every thread of the process to the class's nice value and remembers the class.
bool SetProcessPriorityClass(uint32_t priorityClass);
// Nice value of the remembered class (0 until a class was set).
int ProcessClassNice();
// Sets a thread (tid 0 = the calling thread) to its level within the process's class.
bool SetThreadPriorityLevel(pid_t tid, int32_t level);

// The calling thread's id.
pid_t CurrentThreadId();

// The main thread's id, remembered by the start-up sequence when it applies the priorities.
void RememberMainThread();
pid_t MainThreadId();
