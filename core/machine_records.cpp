// Storage of the machine records.
#include "core/machine_records.h"

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
