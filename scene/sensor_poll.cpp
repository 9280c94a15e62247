// Sensor poll arithmetic and the program's sensor sources.
#include "scene/sensor_poll.h"

#include <algorithm>
#include <limits>

#include "core/machine_records.h"
#include "gpuinfo/siliscan.h"
#include "scene/gpuz_feed.h"

namespace {

class SiliscanSensorSource final : public GpuSensorSource {
public:
    uint32_t GetNumGpus() override { return Ridudedozu::SiliscanLib::Instance()->GetNumGpus(); }
    bool GetGpuCoreTemperature(uint32_t gpu, float* celsius) override
    {
        float board = 0, memory = 0, psu = 0;
        return Ridudedozu::SiliscanLib::Instance()->GetGpuTemperatures(gpu, celsius, &board, &memory, &psu);
    }
    uint32_t GetGpuNumPerfLevels(uint32_t gpu) override
    {
        return Ridudedozu::SiliscanLib::Instance()->GetGpuNumPerfLevels(gpu);
    }
    bool GetGpuPerfLevel(uint32_t gpu, uint32_t level, float* coreMhz, float* memoryMhz, float* shaderMhz,
                         float* coreVolts) override
    {
        float levelId = 0;   // not used, but the library writes every out-value it is given
        return Ridudedozu::SiliscanLib::Instance()->GetGpuPerfLevel(gpu, level, &levelId, coreMhz, memoryMhz,
                                                                     shaderMhz, coreVolts);
    }
    bool GetGpuPower(uint32_t gpu, float* watts) override
    {
        return Ridudedozu::SiliscanLib::Instance()->GetGpuPower(gpu, watts);
    }
    bool GetGpuFan(uint32_t gpu, float* percent, float* rpm) override
    {
        return Ridudedozu::SiliscanLib::Instance()->GetGpuFan(gpu, percent, rpm);
    }
};

class ProcessGpuz final : public GpuzSource {
public:
    bool Poll(GpuzValues& out) override
    {
        if (!PollGpuz())
            return false;
        out.coreClock = GetGpuzCoreClock();
        out.memoryClock = GetGpuzMemoryClock();
        out.temperature = GetGpuzTemperature();
        out.current = GetGpuzCurrent();
        out.voltage = GetGpuzVoltage();
        out.stale = IsGpuzStale();
        return true;
    }
};

}  // namespace

GpuSensorSource& LibrarySensorSource()
{
    static SiliscanSensorSource source;
    return source;
}

GpuzSource& ProcessGpuzSource()
{
    static ProcessGpuz source;
    return source;
}

bool SensorPollDue(float& pollClock, float& lastPollTime, float dtSeconds)
{
    pollClock += dtSeconds;
    if (!(pollClock - lastPollTime > 1.0f))
        return false;
    lastPollTime = pollClock;
    return true;
}

void RunSensorPoll(SensorPollState& state, GpuSensorSource& library, GpuzSource& gpuz, SensorReadings& readings)
{
    float gpu0Temperature = 0.0f;
    const uint32_t reported = library.GetNumGpus();
    const uint32_t gpus = std::min<uint32_t>(
        reported, static_cast<uint32_t>(std::min(state.gpuRecords.size(), state.temperatureHistory.size())));
    for (uint32_t i = 0; i < gpus; ++i) {
        float t = 0.0f;
        if (library.GetGpuCoreTemperature(i, &t)) {
            state.temperatureHistory[i].push_back(cHx7PTemperatureSample{t, 0.0f, 0.0f, state.pollClock});
            if (i == 0)
                gpu0Temperature = t;
            readings.max_temperature = readings.has_temperature ? std::max(readings.max_temperature, t) : t;
            readings.has_temperature = true;
        }
        float core = 0, memory = 0, shader = 0, volts = 0;
        const uint32_t levels = library.GetGpuNumPerfLevels(i);
        for (uint32_t level = 0; level < levels; ++level) {
            float c = 0, m = 0, s = 0, v = 0;
            if (!library.GetGpuPerfLevel(i, level, &c, &m, &s, &v))
                continue;
            core = std::max(core, c);
            memory = std::max(memory, m);
            shader = std::max(shader, s);
            volts = std::max(volts, v);
        }
        cHx7PGpuRecord& record = state.gpuRecords[i];
        record.maxCoreClock = core;
        record.maxMemoryClock = memory;
        record.maxShaderClock = shader;
        record.maxVoltage = volts;
        constexpr float kAbsent = std::numeric_limits<float>::quiet_NaN();
        float watts = kAbsent, percent = kAbsent, rpm = kAbsent;
        record.power = library.GetGpuPower(i, &watts) ? watts : kAbsent;
        const bool fan = library.GetGpuFan(i, &percent, &rpm);
        record.fanPercent = fan ? percent : kAbsent;
        record.fanRpm = fan ? rpm : kAbsent;
    }

    if (!state.gpuRecords.empty()) {
        readings.gpu0_core_clock = state.gpuRecords[0].maxCoreClock;
        readings.gpu0_memory_clock = state.gpuRecords[0].maxMemoryClock;
        readings.gpu0_shader_clock = state.gpuRecords[0].maxShaderClock;
    }

    GpuzValues live;
    state.gpuzAvailable = gpuz.Poll(live);
    readings.gpuz_stale = state.gpuzAvailable && live.stale;
    if (state.gpuzAvailable) {
        readings.has_electrical = true;
        readings.core_voltage = live.voltage;
        readings.max_voltage = std::max(readings.max_voltage, live.voltage);
        readings.core_current = live.current;
        readings.max_current = std::max(readings.max_current, live.current);
        readings.power = live.current * live.voltage;
        readings.core_clock = live.coreClock;
        readings.memory_clock = live.memoryClock;
        readings.gpu_temperature = live.temperature;
        readings.max_temperature =
            readings.has_temperature ? std::max(readings.max_temperature, live.temperature) : live.temperature;
        readings.has_temperature = true;
        readings.max_power = std::max(readings.max_power, readings.power);
    } else {
        readings.core_clock = state.gpuRecords.empty() ? 0.0f : state.gpuRecords[0].maxCoreClock;
        readings.memory_clock = state.gpuRecords.empty() ? 0.0f : state.gpuRecords[0].maxMemoryClock;
        readings.gpu_temperature = gpu0Temperature;
    }
}

bool PollSensorsTick(SensorPollState& state, float dtSeconds, GpuSensorSource& library, GpuzSource& gpuz,
                     SensorReadings& readings)
{
    if (!SensorPollDue(state.pollClock, state.lastPollTime, dtSeconds))
        return false;
    RunSensorPoll(state, library, gpuz, readings);
    return true;
}
