// The priority-to-nice table and the affinity rules.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <thread>

#include "core/priorities.h"

namespace {

TEST(Priorities, ClassAndLevelTable)
{
    EXPECT_EQ(NiceOfPriorityClass(kNormalPriorityClass), 0);
    EXPECT_EQ(NiceOfPriorityClass(kIdlePriorityClass), 19);
    EXPECT_EQ(NiceOfPriorityClass(kBelowNormalPriorityClass), 10);
    EXPECT_EQ(NiceOfPriorityClass(kAboveNormalPriorityClass), -5);
    EXPECT_EQ(NiceOfPriorityClass(kHighPriorityClass), -10);
    EXPECT_EQ(NiceOfPriorityClass(kRealtimePriorityClass), -20);
    EXPECT_FALSE(NiceOfPriorityClass(0).has_value());
    EXPECT_FALSE(NiceOfPriorityClass(33).has_value());

    EXPECT_EQ(NiceOfThreadPriority(0, 0), 0);
    EXPECT_EQ(NiceOfThreadPriority(0, -1), 2);
    EXPECT_EQ(NiceOfThreadPriority(0, 2), -4);
    EXPECT_EQ(NiceOfThreadPriority(10, -2), 14);
    EXPECT_EQ(NiceOfThreadPriority(19, -2), 19);    // clamped to the range
    EXPECT_EQ(NiceOfThreadPriority(-20, 2), -20);
    EXPECT_EQ(NiceOfThreadPriority(-10, -15), 19);  // idle whatever the class
    EXPECT_EQ(NiceOfThreadPriority(19, 15), -20);   // time critical
    EXPECT_FALSE(NiceOfThreadPriority(0, 3).has_value());
    EXPECT_FALSE(NiceOfThreadPriority(0, -7).has_value());
}

TEST(Priorities, ThreadMaskMustLieWithinTheProcessMask)
{
    EXPECT_TRUE(ThreadMaskAllowed(0b11, 0b01));
    EXPECT_TRUE(ThreadMaskAllowed(0b11, 0b11));
    EXPECT_FALSE(ThreadMaskAllowed(0b01, 0b10));
    EXPECT_FALSE(ThreadMaskAllowed(0b11, 0));
}

// Runs on the real process: narrows to the first processor, checks that a thread that
// already existed follows and that a mask outside is refused, then widens again.
TEST(Priorities, ProcessMaskReachesEveryThread)
{
    const uint64_t original = ProcessAffinityMask();
    if ((original & 1) == 0 || (original & 2) == 0)
        GTEST_SKIP() << "needs the first two processors";
    std::atomic<bool> stop{false};
    std::atomic<pid_t> otherTid{0};
    std::thread other([&] {
        otherTid = CurrentThreadId();
        while (!stop)
            std::this_thread::yield();
    });
    while (otherTid == 0)
        std::this_thread::yield();

    ASSERT_TRUE(SetProcessAffinityMask(1));
    cpu_set_t set;
    CPU_ZERO(&set);
    ASSERT_EQ(sched_getaffinity(otherTid, sizeof(set), &set), 0);
    EXPECT_EQ(CPU_COUNT(&set), 1);
    EXPECT_TRUE(CPU_ISSET(0, &set));
    EXPECT_FALSE(SetThreadAffinityMask(0, 2));   // outside the process mask
    EXPECT_TRUE(SetThreadAffinityMask(0, 1));
    EXPECT_FALSE(SetProcessAffinityMask(0));
    EXPECT_FALSE(SetProcessAffinityMask(1u << 31));  // a processor we cannot use

    ASSERT_TRUE(SetProcessAffinityMask(static_cast<uint32_t>(original)));
    EXPECT_TRUE(SetThreadAffinityMask(0, 2));
    stop = true;
    other.join();
    SetThreadAffinityMask(0, static_cast<uint32_t>(original));
}

TEST(Priorities, LevelsBecomeNiceValues)
{
    // In a thread of its own: an unprivileged thread cannot get its priority back.
    std::thread t([] {
        EXPECT_TRUE(SetThreadPriorityLevel(0, -2));
        EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(CurrentThreadId())), ProcessClassNice() + 4);
        EXPECT_FALSE(SetThreadPriorityLevel(0, 7));
    });
    t.join();
    EXPECT_FALSE(SetProcessPriorityClass(12345));
}

}  // namespace
