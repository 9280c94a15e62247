// The machine's records: the texts gathered at start-up and the run's context facts
// (SystemInfo), the sensor values of the run (SensorReadings) and the machine facts the start-up
// sequence stores for the runs and dialogs (MachineFacts).
//
// Threading: the run-state parts of SystemInfo and SensorReadings are written by the render
// thread and read by the main thread only after it has joined that thread.
#pragma once

#include <cstdint>

inline constexpr int32_t kSwapIntervalNotRead = INT32_MIN;

struct SystemInfo {
    int32_t msaa_samples = 0;     // sample buffers of the run's context (scene Initialize)
    uint32_t gpu_count = 0;
    char renderer[256] = {};
    char drivers[256] = {};
    char cpu[256] = {};
    char cpu_speed[256] = {};
    char memory[256] = {};
    char os[256] = {};
    int32_t scene_width = 0;      // written by the scene's Initialize
    int32_t scene_height = 0;
    // The run's own context, as the driver names it (the scene's Initialize).
    char gl_vendor[128] = {};
    char gl_renderer[256] = {};
    char gl_version[256] = {};
    char gl_profile[16] = {};     // "core", "compatibility" or empty
    int32_t swap_interval = kSwapIntervalNotRead;   // the interval the driver accepted; not read
                                                    // when it refused
    void Clear() { *this = SystemInfo{}; }
};

struct SensorReadings {
    float core_clock = 0;         // MHz
    float memory_clock = 0;       // MHz
    float gpu_temperature = 0;    // degrees C
    float core_voltage = 0;       // V
    float core_current = 0;       // A
    float power = 0;              // W
    float max_temperature = 0;
    float max_voltage = 0;
    float max_current = 0;
    float max_power = 0;
    // Which of the values above were measured in this run: a machine without a temperature
    // sensor, or without GPU-Z's voltage and current, has none, and its 0 above means "absent",
    // never "0 degrees".
    bool has_temperature = false;
    bool has_electrical = false;   // voltage, current and power (GPU-Z)
    // GPU 0's clock maxima at the last poll; kept across runs. 0 when the driver has none.
    float gpu0_core_clock = 0;
    float gpu0_memory_clock = 0;
    float gpu0_shader_clock = 0;
    // GPU-Z's block has not changed for a while: its producer has probably stopped.
    bool gpuz_stale = false;
    // Everything but the GPU 0 clocks back to 0 (the render thread, at the start of a run).
    void ResetRun();
};

// Facts the start-up sequence stores for later use by the run and the dialogs.
struct MachineFacts {
    uint32_t main_vendor_id = 0xFFFFFFFF;
    uint32_t main_device_id = 0xFFFFFFFF;
    float max_tess_level = 0.0f;
    int32_t max_viewport_size = 0;
    uint32_t cpu_speed_mhz = 0;
    char base_dir[1024] = {};     // directory of the executable, ending in '/'
};

extern SystemInfo g_system_info;
extern SensorReadings g_sensor_readings;
extern MachineFacts g_machine_facts;
