// Process-wide records shared between the main thread and the render thread: the frame loop's
// counters (FrameStats), the result of a finished benchmark run (RunResult), the machine texts
// gathered at start-up (SystemInfo), the sensor values of the run (SensorReadings) and the
// machine facts the start-up sequence stores for the run (MachineFacts).
//
// Threading: FrameStats fields are atomics (written by the render thread, read by the HUD, the
// window title and the main thread). RunResult, SensorReadings and the run-state parts of
// SystemInfo are written by the render thread and read by the main thread only after it has
// joined that thread.
#pragma once

#include <atomic>
#include <cstdint>

class cHx7PDemo;

struct FrameStats {
    std::atomic<int32_t> quit_requested{0};
    std::atomic<int32_t> run_finished{0};
    std::atomic<uint8_t> warmup_done{0};
    std::atomic<uint32_t> elapsed_ms{0};
    std::atomic<uint32_t> total_frames{0};
    std::atomic<uint32_t> frames_in_window{0};
    std::atomic<uint32_t> window_time_ms{0};
    std::atomic<uint32_t> last_time_ms{0};
    std::atomic<int32_t> current_fps{0};
    std::atomic<int32_t> min_fps{10000};
    std::atomic<int32_t> max_fps{0};
    std::atomic<int32_t> avg_fps{0};
    // Stability test: check frames drawn and error events so far (the HUD's "Checks:" line).
    std::atomic<uint32_t> check_frames{0};
    std::atomic<uint32_t> error_events{0};
    // The running render thread's scene, null otherwise. Key handling on the main thread
    // reaches the scene only through LockCurrentScene() (app/render_thread.h), never directly.
    std::atomic<cHx7PDemo*> current_scene{nullptr};
};

struct RunResult {
    int32_t min_fps = 0;
    int32_t max_fps = 0;
    int32_t avg_fps = 0;
    int32_t total_frames = 0;
    // Frames of the measured time that took longer than a second (kLongFrameMs), and the
    // longest of them in ms (0 when none).
    uint32_t long_frames = 0;
    uint32_t longest_frame_ms = 0;
};

// A frame longer than this is a "long frame": it counts with its real length in the measured
// time, but the scene's animation advances by at most this much, so a stall does not make the
// sphere jump.
inline constexpr uint32_t kLongFrameMs = 1000;

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

extern FrameStats g_frame_stats;
extern RunResult g_run_result;
extern SystemInfo g_system_info;
extern SensorReadings g_sensor_readings;
extern MachineFacts g_machine_facts;
