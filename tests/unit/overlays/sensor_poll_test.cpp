// The once-per-second sensor poll against scripted library and GPU-Z sources.
#include <gtest/gtest.h>

#include <cmath>

#include <map>
#include <vector>

#include "core/machine_records.h"
#include "scene/sensor_poll.h"

namespace {

struct PerfLevel {
    float core, memory, shader, volts;
};

class FakeLibrary : public GpuSensorSource {
public:
    uint32_t GetNumGpus() override { return gpus; }
    bool GetGpuCoreTemperature(uint32_t gpu, float* c) override
    {
        auto it = temperature.find(gpu);
        if (it == temperature.end())
            return false;
        *c = it->second;
        return true;
    }
    uint32_t GetGpuNumPerfLevels(uint32_t gpu) override { return static_cast<uint32_t>(levels[gpu].size()); }
    bool GetGpuPerfLevel(uint32_t gpu, uint32_t level, float* c, float* m, float* s, float* v) override
    {
        const PerfLevel& l = levels[gpu].at(level);
        *c = l.core;
        *m = l.memory;
        *s = l.shader;
        *v = l.volts;
        return true;
    }
    bool GetGpuPower(uint32_t gpu, float* watts) override
    {
        if (gpu != 0 || powerW < 0)
            return false;
        *watts = powerW;
        return true;
    }
    uint32_t gpus = 0;
    float powerW = -1;   // GPU 0's board power; negative: not published
    std::map<uint32_t, float> temperature;
    std::map<uint32_t, std::vector<PerfLevel>> levels;
};

class FakeGpuz : public GpuzSource {
public:
    bool Poll(GpuzValues& out) override
    {
        ++polls;
        if (!available)
            return false;
        out = values;
        return true;
    }
    bool available = false;
    GpuzValues values;
    int polls = 0;
};

struct PollFixture : ::testing::Test {
    explicit PollFixture(uint32_t gpus = 2)
        : records(gpus), histories(gpus), state{pollClock, lastPollTime, records, histories, gpuzAvailable}
    {
        library.gpus = gpus;
    }
    float pollClock = 0.0f;
    float lastPollTime = -3.0f;
    std::vector<cHx7PGpuRecord> records;
    std::vector<std::vector<cHx7PTemperatureSample>> histories;
    bool gpuzAvailable = false;
    SensorPollState state;
    FakeLibrary library;
    FakeGpuz gpuz;
    SensorReadings readings;
};

}  // namespace

TEST(SensorPollTiming, FirstFramePollsThenOncePerSecond)
{
    float clock = 0.0f, last = -3.0f;
    EXPECT_TRUE(SensorPollDue(clock, last, 0.016f));
    EXPECT_FLOAT_EQ(last, 0.016f);
    int polls = 0;
    for (int frame = 0; frame < 250; ++frame)   // 4 s at 62.5 fps
        polls += SensorPollDue(clock, last, 0.016f);
    EXPECT_EQ(polls, 3);   // strictly more than a second apart: every 63rd frame
    EXPECT_NEAR(clock, 0.016f * 251, 1e-3);
    // A long frame (the loop caps it at 1 s) polls at once; exactly one second later does not.
    clock = 10.0f;
    last = 9.0f;
    EXPECT_FALSE(SensorPollDue(clock, last, 0.0f));
    EXPECT_TRUE(SensorPollDue(clock, last, 1.0f));
}

TEST_F(PollFixture, TwoGpusGetHistoriesAndTheMaximumCoversBoth)
{
    library.temperature = {{0, 55.0f}, {1, 71.0f}};
    library.levels[0] = {{300, 400, 600, 0.8f}, {900, 1250, 1800, 1.1f}, {500, 1300, 0, 0.9f}};
    library.levels[1] = {{700, 900, 1400, 1.0f}};
    library.powerW = 142.5f;
    pollClock = 0.5f;
    RunSensorPoll(state, library, gpuz, readings);
    // Power where the driver has it; fans nowhere (the default source answers none).
    EXPECT_FLOAT_EQ(records[0].power, 142.5f);
    EXPECT_TRUE(std::isnan(records[1].power));
    EXPECT_TRUE(std::isnan(records[0].fanPercent));

    ASSERT_EQ(histories[0].size(), 1u);
    ASSERT_EQ(histories[1].size(), 1u);
    EXPECT_FLOAT_EQ(histories[0][0].temperature, 55.0f);
    EXPECT_FLOAT_EQ(histories[0][0].reserved0, 0.0f);
    EXPECT_FLOAT_EQ(histories[0][0].clock, 0.5f);
    EXPECT_FLOAT_EQ(histories[1][0].temperature, 71.0f);
    EXPECT_FLOAT_EQ(readings.max_temperature, 71.0f);

    // Maxima over the levels, each on its own.
    EXPECT_FLOAT_EQ(records[0].maxCoreClock, 900);
    EXPECT_FLOAT_EQ(records[0].maxMemoryClock, 1300);
    EXPECT_FLOAT_EQ(records[0].maxShaderClock, 1800);
    EXPECT_FLOAT_EQ(records[0].maxVoltage, 1.1f);
    EXPECT_FLOAT_EQ(records[1].maxCoreClock, 700);
    EXPECT_FLOAT_EQ(readings.gpu0_core_clock, 900);
    EXPECT_FLOAT_EQ(readings.gpu0_memory_clock, 1300);
    EXPECT_FLOAT_EQ(readings.gpu0_shader_clock, 1800);

    // No GPU-Z: the live values come from GPU 0.
    EXPECT_FALSE(gpuzAvailable);
    EXPECT_FALSE(readings.gpuz_stale);
    EXPECT_FLOAT_EQ(readings.core_clock, 900);
    EXPECT_FLOAT_EQ(readings.memory_clock, 1300);
    EXPECT_FLOAT_EQ(readings.gpu_temperature, 55.0f);
    EXPECT_FLOAT_EQ(readings.max_current, 0.0f);

    // GPU 0 fails to report: no sample for it, its temperature of this poll is 0; the maximum
    // of the run stays.
    library.temperature = {{1, 66.0f}};
    RunSensorPoll(state, library, gpuz, readings);
    EXPECT_EQ(histories[0].size(), 1u);
    EXPECT_EQ(histories[1].size(), 2u);
    EXPECT_FLOAT_EQ(readings.gpu_temperature, 0.0f);
    EXPECT_FLOAT_EQ(readings.max_temperature, 71.0f);
}

TEST_F(PollFixture, GpuzValuesReplaceTheLibraryValues)
{
    library.temperature = {{0, 60.0f}, {1, 50.0f}};
    library.levels[0] = {{900, 1250, 1800, 1.1f}};
    gpuz.available = true;
    gpuz.values = {1500.0f, 2000.0f, 83.0f, 20.0f, 1.2f};
    RunSensorPoll(state, library, gpuz, readings);
    EXPECT_TRUE(gpuzAvailable);
    EXPECT_FLOAT_EQ(readings.core_clock, 1500.0f);
    EXPECT_FLOAT_EQ(readings.memory_clock, 2000.0f);
    EXPECT_FLOAT_EQ(readings.gpu_temperature, 83.0f);
    EXPECT_FLOAT_EQ(readings.max_temperature, 83.0f);
    EXPECT_FLOAT_EQ(readings.core_voltage, 1.2f);
    EXPECT_FLOAT_EQ(readings.core_current, 20.0f);
    EXPECT_FLOAT_EQ(readings.power, 24.0f);
    EXPECT_FLOAT_EQ(readings.max_power, 24.0f);
    EXPECT_FLOAT_EQ(readings.gpu0_core_clock, 900);   // GPU 0's clocks still come from the library

    EXPECT_FALSE(readings.gpuz_stale);
    gpuz.values = {1400.0f, 1900.0f, 79.0f, 10.0f, 1.0f, true};
    RunSensorPoll(state, library, gpuz, readings);
    EXPECT_TRUE(readings.gpuz_stale);
    EXPECT_FLOAT_EQ(readings.power, 10.0f);
    EXPECT_FLOAT_EQ(readings.max_power, 24.0f);
    EXPECT_FLOAT_EQ(readings.max_current, 20.0f);
    EXPECT_FLOAT_EQ(readings.max_voltage, 1.2f);
    EXPECT_FLOAT_EQ(readings.max_temperature, 83.0f);

    // GPU-Z goes away: back to the library.
    gpuz.available = false;
    RunSensorPoll(state, library, gpuz, readings);
    EXPECT_FALSE(gpuzAvailable);
    EXPECT_FALSE(readings.gpuz_stale);
    EXPECT_FLOAT_EQ(readings.core_clock, 900);
    EXPECT_FLOAT_EQ(readings.gpu_temperature, 60.0f);
}

TEST_F(PollFixture, MoreGpusReportedThanRecordsAreSkipped)
{
    library.gpus = 5;   // the library found more GPUs after Initialize
    library.temperature = {{0, 40.0f}, {1, 41.0f}, {4, 99.0f}};
    RunSensorPoll(state, library, gpuz, readings);
    EXPECT_EQ(histories[0].size(), 1u);
    EXPECT_EQ(histories[1].size(), 1u);
    EXPECT_FLOAT_EQ(readings.max_temperature, 41.0f);
}

// GPU 0 is a software renderer (or an i915 card) without a sensor: it gets no samples, so no
// graph, while its clocks and the other GPU's temperature still count.
TEST_F(PollFixture, GpuWithoutSensorGetsNoSamples)
{
    library.temperature = {{1, 47.0f}};
    library.levels[0] = {{1450, 0, 0, 0}};
    RunSensorPoll(state, library, gpuz, readings);
    RunSensorPoll(state, library, gpuz, readings);
    EXPECT_TRUE(histories[0].empty());
    EXPECT_EQ(histories[1].size(), 2u);
    EXPECT_FLOAT_EQ(readings.max_temperature, 47.0f);
    EXPECT_FLOAT_EQ(records[0].maxCoreClock, 1450);
}

TEST_F(PollFixture, TickPollsOnlyWhenDue)
{
    library.temperature = {{0, 45.0f}, {1, 46.0f}};
    int polls = 0;
    for (int frame = 0; frame < 100; ++frame)   // 2.5 s at 40 fps
        polls += PollSensorsTick(state, 0.025f, library, gpuz, readings);
    EXPECT_EQ(polls, 3);
    EXPECT_EQ(gpuz.polls, 3);
    ASSERT_EQ(histories[0].size(), 3u);
    EXPECT_LT(histories[0][0].clock, histories[0][1].clock);
    EXPECT_GT(histories[0][1].clock - histories[0][0].clock, 1.0f);
}
