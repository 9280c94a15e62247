// Storage of the process-wide run records.
#include "app/run_state.h"

FrameStats g_frame_stats;
RunResult g_run_result;
SystemInfo g_system_info;
SensorReadings g_sensor_readings;
MachineFacts g_machine_facts;

void SensorReadings::ResetRun()
{
    const float c = gpu0_core_clock, m = gpu0_memory_clock, s = gpu0_shader_clock;
    *this = SensorReadings{};
    gpu0_core_clock = c;
    gpu0_memory_clock = m;
    gpu0_shader_clock = s;
}
