// The once-per-second sensor poll: GPU temperatures into the histories the graphs draw, the
// clock maxima of every GPU's performance levels, GPU-Z's live values when it publishes them,
// and the run maxima of SensorReadings.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/demo.h"

struct SensorReadings;

// The GPU information library's sensor calls, behind an interface so tests can feed values.
class GpuSensorSource {
public:
    virtual ~GpuSensorSource() = default;
    virtual uint32_t GetNumGpus() = 0;
    // The GPU's core temperature in degrees C; false when it cannot be read.
    virtual bool GetGpuCoreTemperature(uint32_t gpu, float* celsius) = 0;
    virtual uint32_t GetGpuNumPerfLevels(uint32_t gpu) = 0;
    virtual bool GetGpuPerfLevel(uint32_t gpu, uint32_t level, float* coreMhz, float* memoryMhz,
                                 float* shaderMhz, float* coreVolts) = 0;
    // Board power in W and fan speed; false where the GPU publishes none.
    virtual bool GetGpuPower(uint32_t gpu, float* watts) { (void)gpu; (void)watts; return false; }
    virtual bool GetGpuFan(uint32_t gpu, float* percent, float* rpm)
    {
        (void)gpu; (void)percent; (void)rpm;
        return false;
    }
};

// The live values of the GPU-Z feed.
struct GpuzValues {
    float coreClock = 0.0f;     // MHz
    float memoryClock = 0.0f;   // MHz
    float temperature = 0.0f;   // degrees C
    float current = 0.0f;       // A
    float voltage = 0.0f;       // V
    bool stale = false;         // the block has not changed for kGpuzStaleAfterMs
};
class GpuzSource {
public:
    virtual ~GpuzSource() = default;
    // False when GPU-Z polling is off or no block is published.
    virtual bool Poll(GpuzValues& out) = 0;
};

// The program's sources: the Siliscan library and the process-wide GPU-Z reader.
GpuSensorSource& LibrarySensorSource();
GpuzSource& ProcessGpuzSource();

// The scene state the poll reads and writes.
struct SensorPollState {
    float& pollClock;
    float& lastPollTime;
    std::vector<cHx7PGpuRecord>& gpuRecords;
    std::vector<std::vector<cHx7PTemperatureSample>>& temperatureHistory;
    bool& gpuzAvailable;
};

// Advances pollClock by the frame time; true (and lastPollTime = pollClock) once more than a
// second has passed since the last poll. lastPollTime starts at -3 so the first frame polls.
bool SensorPollDue(float& pollClock, float& lastPollTime, float dtSeconds);

// One poll. GPUs the library reports beyond the scene's records (a count that changed after
// Initialize) are skipped rather than written past the records.
void RunSensorPoll(SensorPollState& state, GpuSensorSource& library, GpuzSource& gpuz,
                   SensorReadings& readings);

// SensorPollDue followed, when due, by RunSensorPoll. Returns whether a poll ran.
bool PollSensorsTick(SensorPollState& state, float dtSeconds, GpuSensorSource& library, GpuzSource& gpuz,
                     SensorReadings& readings);
