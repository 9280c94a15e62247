// The GPU-Z block reader against blocks published through shm_open.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include "core/startup_options.h"
#include "gpuz_publisher.h"
#include "scene/gpuz_feed.h"

using namespace overlays_test;

namespace {

GpuzBlock TypicalBlock()
{
    GpuzBlock block;
    block.SetSensor(0, "GPU Core Clock", 850.0);
    block.SetSensor(1, "GPU Memory Clock", 1200.5);
    block.SetSensor(2, "GPU Temperature", 67.25);
    block.SetSensor(3, "Fan Speed", 40.0);
    block.SetSensor(4, "VDDC", 1.125);
    block.SetSensor(5, "VDDC Current", 31.5);
    block.SetSensor(6, "VDDC", 0.9);   // a second VDDC record on some cards: ignored
    return block;
}

}  // namespace

TEST(GpuzFeed, ReadsTheFiveSensorsOfAPublishedBlock)
{
    ShmPublisher pub(UniqueShmName("typical"));
    GpuzBlock block = TypicalBlock();
    ASSERT_TRUE(pub.Publish(block));

    GpuzFeed feed(pub.Name());
    ASSERT_TRUE(feed.Poll());
    EXPECT_TRUE(feed.LastResult());
    EXPECT_EQ(feed.Index(GpuzSensor::CoreClock), 0);
    EXPECT_EQ(feed.Index(GpuzSensor::MemoryClock), 1);
    EXPECT_EQ(feed.Index(GpuzSensor::Temperature), 2);
    EXPECT_EQ(feed.Index(GpuzSensor::Voltage), 4);   // first of the two "VDDC" records
    EXPECT_EQ(feed.Index(GpuzSensor::Current), 5);   // "VDDC Current" is not taken for "VDDC"
    EXPECT_FLOAT_EQ(feed.Value(GpuzSensor::CoreClock), 850.0f);
    EXPECT_FLOAT_EQ(feed.Value(GpuzSensor::MemoryClock), 1200.5f);
    EXPECT_FLOAT_EQ(feed.Value(GpuzSensor::Temperature), 67.25f);
    EXPECT_FLOAT_EQ(feed.Value(GpuzSensor::Voltage), 1.125f);
    EXPECT_FLOAT_EQ(feed.Value(GpuzSensor::Current), 31.5f);
}

TEST(GpuzFeed, MissingSensorsReadZeroAndNamesAreExact)
{
    ShmPublisher pub(UniqueShmName("missing"));
    GpuzBlock block;
    block.SetSensor(0, "gpu core clock", 999.0);      // case differs
    block.SetSensor(1, "GPU Core Clock ", 998.0);     // trailing blank
    block.SetSensor(2, "GPU Temperature", 55.0);
    ASSERT_TRUE(pub.Publish(block));

    GpuzFeed feed(pub.Name());
    ASSERT_TRUE(feed.Poll());
    EXPECT_EQ(feed.Index(GpuzSensor::CoreClock), -1);
    EXPECT_EQ(feed.Index(GpuzSensor::Voltage), -1);
    EXPECT_FLOAT_EQ(feed.Value(GpuzSensor::CoreClock), 0.0f);
    EXPECT_FLOAT_EQ(feed.Value(GpuzSensor::Current), 0.0f);
    EXPECT_FLOAT_EQ(feed.Value(GpuzSensor::Temperature), 55.0f);

    // Garbage in the other process's block reads as unpublished, never as NaN or infinity.
    block.SetSensor(2, "GPU Temperature", std::nan(""));
    block.SetSensor(3, "VDDC", 1e300);
    ASSERT_TRUE(pub.Publish(block));
    GpuzFeed garbage(pub.Name());
    ASSERT_TRUE(garbage.Poll());
    EXPECT_FLOAT_EQ(garbage.Value(GpuzSensor::Temperature), 0.0f);
    EXPECT_FLOAT_EQ(garbage.Value(GpuzSensor::Voltage), 0.0f);
}

TEST(GpuzFeed, AbsentOrShortBlockIsNotAvailable)
{
    ShmPublisher pub(UniqueShmName("short"));
    GpuzFeed feed(pub.Name());
    EXPECT_FALSE(feed.Poll());   // nothing published
    EXPECT_FALSE(feed.Located());

    // One byte short of the layout: the value of the last record would be read past the end.
    GpuzBlock shortBlock(kGpuzBlockSize - 1);
    shortBlock.SetSensor(0, "GPU Temperature", 70.0);
    ASSERT_TRUE(pub.Publish(shortBlock));
    EXPECT_FALSE(feed.Poll());
    EXPECT_FALSE(feed.LastResult());
    EXPECT_FALSE(feed.Located());

    GpuzBlock empty(0);
    ASSERT_TRUE(pub.Publish(empty));
    EXPECT_FALSE(feed.Poll());

    // A longer block is fine: only the layout's bytes are read.
    GpuzBlock longBlock(kGpuzBlockSize + 4096);
    longBlock.SetSensor(127, "GPU Temperature", 71.0);
    ASSERT_TRUE(pub.Publish(longBlock));
    EXPECT_TRUE(feed.Poll());
    EXPECT_EQ(feed.Index(GpuzSensor::Temperature), 127);
    EXPECT_FLOAT_EQ(feed.Value(GpuzSensor::Temperature), 71.0f);
}

TEST(GpuzFeed, LatePublisherIsPickedUpAndIndicesStayFixed)
{
    ShmPublisher pub(UniqueShmName("late"));
    GpuzFeed feed(pub.Name());
    EXPECT_FALSE(feed.Poll());

    GpuzBlock block = TypicalBlock();
    ASSERT_TRUE(pub.Publish(block));
    ASSERT_TRUE(feed.Poll());
    EXPECT_EQ(feed.Index(GpuzSensor::Temperature), 2);

    // New values arrive with every copy; the record order is not looked at again.
    block.SetSensor(2, "GPU Temperature", 80.0);
    block.SetSensor(9, "GPU Core Clock", 111.0);
    ASSERT_TRUE(pub.Publish(block));
    ASSERT_TRUE(feed.Poll());
    EXPECT_FLOAT_EQ(feed.Value(GpuzSensor::Temperature), 80.0f);
    EXPECT_EQ(feed.Index(GpuzSensor::CoreClock), 0);
    EXPECT_FLOAT_EQ(feed.Value(GpuzSensor::CoreClock), 850.0f);

    // GPU-Z quits: the poll fails, the indices stay for when it returns.
    pub.Withdraw();
    EXPECT_FALSE(feed.Poll());
    EXPECT_TRUE(feed.Located());
    EXPECT_EQ(feed.Index(GpuzSensor::Temperature), 2);
}

TEST(GpuzFeed, UnterminatedNamesAreComparedWithinTheirLength)
{
    unsigned char name[kGpuzNameChars * 2];
    std::memset(name, 'x', sizeof name);   // every unit 0x7878, no terminator anywhere
    EXPECT_FALSE(GpuzNameEquals(name, "VDDC"));
    for (std::size_t i = 0; i < kGpuzNameChars; ++i) {
        name[2 * i] = 'A';
        name[2 * i + 1] = 0;
    }
    EXPECT_TRUE(GpuzNameEquals(name, std::string(kGpuzNameChars, 'A').c_str()));
    EXPECT_FALSE(GpuzNameEquals(name, std::string(kGpuzNameChars - 1, 'A').c_str()));

    ShmPublisher pub(UniqueShmName("unterminated"));
    GpuzBlock block;
    block.SetUnterminatedName(0, "VDDC", 5.0);           // "VDDCxxxx..." fills all 256 units
    block.SetUnterminatedName(127, "GPU Temperature", 6.0);
    block.SetSensor(3, "VDDC", 1.05);
    ASSERT_TRUE(pub.Publish(block));
    GpuzFeed feed(pub.Name());
    ASSERT_TRUE(feed.Poll());
    EXPECT_EQ(feed.Index(GpuzSensor::Voltage), 3);
    EXPECT_EQ(feed.Index(GpuzSensor::Temperature), -1);
}

TEST(GpuzFeed, ProcessPollHonoursThePollingFlag)
{
    ShmPublisher pub(kGpuzShmName);
    GpuzBlock block = TypicalBlock();
    ASSERT_TRUE(pub.Publish(block));

    const uint8_t saved = g_startup_options.gpuz_polling;
    g_startup_options.gpuz_polling = 0;
    EXPECT_FALSE(PollGpuz());
    EXPECT_FALSE(ProcessGpuzFeed().Located());

    g_startup_options.gpuz_polling = 1;
    EXPECT_TRUE(PollGpuz());
    EXPECT_FLOAT_EQ(GetGpuzCoreClock(), 850.0f);
    EXPECT_FLOAT_EQ(GetGpuzMemoryClock(), 1200.5f);
    EXPECT_FLOAT_EQ(GetGpuzTemperature(), 67.25f);
    EXPECT_FLOAT_EQ(GetGpuzVoltage(), 1.125f);
    EXPECT_FLOAT_EQ(GetGpuzCurrent(), 31.5f);
    g_startup_options.gpuz_polling = saved;
}

// Anyone may publish the block and resize it at any time. A block that shrinks between the
// size check and the copy must read as absent; a mapped copy would die of SIGBUS here.
TEST(GpuzFeed, BlockShrinkingDuringThePollIsAbsentNotAFault)
{
    ShmPublisher pub(UniqueShmName("shrink"));
    GpuzBlock block = TypicalBlock();
    ASSERT_TRUE(pub.Publish(block));
    const int fd = shm_open(pub.Name().c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    std::atomic<bool> stop{false};
    std::atomic<int> resizes{0};
    std::thread shrinker([&] {
        // Each size held for a while, so that polls meet both and the change in between.
        while (!stop.load()) {
            (void)!ftruncate(fd, 4096);
            std::this_thread::sleep_for(std::chrono::microseconds(20));
            (void)!ftruncate(fd, static_cast<off_t>(kGpuzBlockSize));
            std::this_thread::sleep_for(std::chrono::microseconds(20));
            resizes.fetch_add(1);
        }
    });
    GpuzFeed feed(pub.Name());
    int available = 0;
    for (int i = 0; i < 20000; ++i) {
        if (!feed.Poll())
            continue;
        ++available;
        // Whatever part of the block survived, the values stay plain numbers.
        EXPECT_GE(feed.Value(GpuzSensor::CoreClock), 0.0f);
    }
    stop.store(true);
    shrinker.join();
    close(fd);
    EXPECT_GT(resizes.load(), 0);
    EXPECT_LT(available, 20000);   // the shrinking was seen
}

// Only a block of our own user (or root) is believed: another user could publish anything.
TEST(GpuzFeed, BlockOfAnotherUserIsIgnored)
{
    ShmPublisher pub(UniqueShmName("owner"));
    GpuzBlock block = TypicalBlock();
    ASSERT_TRUE(pub.Publish(block));
    GpuzFeed feed(pub.Name());
    ASSERT_TRUE(feed.Poll());
    const int fd = shm_open(pub.Name().c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    const bool chowned = fchown(fd, 65534, 65534) == 0;
    close(fd);
    if (!chowned)
        GTEST_SKIP() << "changing the owner needs root";
    EXPECT_FALSE(feed.Poll());
}

// A same-size block of garbage behind the located indices: every value that is no number or
// beyond what the sensor can read is absent (0), never a huge or undefined conversion.
TEST(GpuzFeed, ImplausibleValuesAreAbsent)
{
    ShmPublisher pub(UniqueShmName("garbage"));
    GpuzBlock block = TypicalBlock();
    ASSERT_TRUE(pub.Publish(block));
    GpuzFeed feed(pub.Name());
    ASSERT_TRUE(feed.Poll());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    block.SetSensor(0, "GPU Core Clock", 1e300);
    block.SetSensor(1, "GPU Memory Clock", -3e9);
    block.SetSensor(2, "GPU Temperature", nan);
    block.SetSensor(4, "VDDC", inf);
    block.SetSensor(5, "VDDC Current", -1.0);
    ASSERT_TRUE(pub.Publish(block));
    ASSERT_TRUE(feed.Poll());
    for (GpuzSensor s : {GpuzSensor::CoreClock, GpuzSensor::MemoryClock, GpuzSensor::Temperature,
                         GpuzSensor::Voltage, GpuzSensor::Current})
        EXPECT_EQ(feed.Value(s), 0.0f) << GpuzSensorName(s);

    block.SetSensor(2, "GPU Temperature", -12.5);   // a cold start outdoors is plausible
    ASSERT_TRUE(pub.Publish(block));
    ASSERT_TRUE(feed.Poll());
    EXPECT_FLOAT_EQ(feed.Value(GpuzSensor::Temperature), -12.5f);
}

// A producer that died leaves its last block behind: unchanged for 5 s, it is stale.
TEST(GpuzFeed, UnchangedBlockTurnsStaleAfterFiveSeconds)
{
    ShmPublisher pub(UniqueShmName("stale"));
    GpuzBlock block = TypicalBlock();
    ASSERT_TRUE(pub.Publish(block));
    int64_t now = 1000;
    GpuzFeed feed(pub.Name(), [&now] { return now; });
    ASSERT_TRUE(feed.Poll());
    now += kGpuzStaleAfterMs - 1;
    ASSERT_TRUE(feed.Poll());
    EXPECT_FALSE(feed.Stale());
    now += 1;
    ASSERT_TRUE(feed.Poll());
    EXPECT_TRUE(feed.Stale());
    EXPECT_FLOAT_EQ(feed.Value(GpuzSensor::CoreClock), 850.0f);   // still shown, marked stale

    block.SetSensor(2, "GPU Temperature", 68.0);   // the producer is back
    ASSERT_TRUE(pub.Publish(block));
    ASSERT_TRUE(feed.Poll());
    EXPECT_FALSE(feed.Stale());
}
