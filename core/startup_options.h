// The one settings record of the program: stored options (the options file's attributes),
// process options from the command line, the active settings of the current run, and the
// display and scene values. One process-wide instance, g_startup_options.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/product.h"

// Single-byte flag that the main thread and the render thread share during a run (key toggles,
// flags the scene clears at the start of a benchmark run). Reads and writes are relaxed: each
// flag has one writer at a time and is read once per frame.
class SharedFlag {
public:
    SharedFlag(uint8_t v = 0) : value_(v) {}
    SharedFlag& operator=(uint8_t v) { value_.store(v, std::memory_order_relaxed); return *this; }
    SharedFlag& operator=(const SharedFlag& other) { return *this = other.get(); }
    SharedFlag(const SharedFlag& other) : value_(other.get()) {}
    operator uint8_t() const { return get(); }
    uint8_t get() const { return value_.load(std::memory_order_relaxed); }
    // Flips between 0 and 1; returns the new value.
    uint8_t Toggle() { return static_cast<uint8_t>(value_.fetch_xor(1, std::memory_order_relaxed) ^ 1); }
private:
    std::atomic<uint8_t> value_;
};

// The two kinds of run (StartupOptions::run_mode and active_run_mode; stored as these numbers
// in the options file).
inline constexpr int32_t kRunModeBenchmark = 1;
inline constexpr int32_t kRunModeStability = 2;

struct StartupOptions {
    // --- Stored options (attributes of the options file) ---
    int32_t api3d;
    int32_t display_gui;
    int32_t display_menu_bar;
    int32_t display_score;
    int32_t display_version;
    int32_t width;
    int32_t height;
    uint8_t custom_viewport_size;
    char aa_mode[64];
    int32_t fullscreen;
    int32_t run_mode;                 // kRunModeBenchmark or kRunModeStability
    uint8_t time_based_benchmark;
    int32_t max_time;                 // ms
    int32_t max_frames;
    uint8_t xtreme_burning;
    SharedFlag log_temperature;
    uint8_t render_post_fx;
    int32_t post_fx_index;            // 0 off, 1 radial blur v1, 2 radial blur v2, 3 FXAA
    SharedFlag render_temp_graphs;    // T key
    uint8_t render_general_indicators;
    int32_t map_set;                  // 0..3
    int32_t tessellation_mode;        // 1 Moderate, 2 Normal, 3 Extreme, 4 Insane
    uint8_t display_app_latest_news;
    // Read from the file but never written back.
    uint8_t enable_unlock_power_draw;
    int32_t tone_down_delay_ms;

    // --- Process options (command line only) ---
    int32_t app_thread_priority;
    int32_t rendering_thread_priority;
    uint32_t app_process_priority;    // 32 = the normal priority class
    uint32_t app_cpu_affinity;
    uint32_t rendering_cpu_affinity;
    // Whether the masks above came from the command line. Without them no thread is pinned:
    // the default masks would also pin the GL driver's own threads (its rasteriser, Mesa's
    // glthread, NVIDIA's threaded optimisation) to one processor, and the benchmark would
    // measure the affinity instead of the GPU.
    uint8_t app_cpu_affinity_given;
    uint8_t rendering_cpu_affinity_given;
    SharedFlag gl3_core_profile;

    // --- Active run settings ---
    int32_t client_width = 1280;
    int32_t client_height = 1024;
    int32_t active_width = 1280;
    int32_t active_height = 1024;
    int32_t active_fullscreen = 1;
    int32_t active_run_mode = kRunModeBenchmark;
    int32_t active_time_based = 1;
    uint32_t active_duration_ms = 60000;
    uint32_t active_max_frames = 10000;
    // A stability test started without the dialog: its length (0: until the user ends it) and
    // whether its results and verdict are reported at its end. The dialog's demo runs leave
    // both 0: they are endless and report nothing.
    uint32_t active_stability_duration_ms = 0;
    uint8_t active_stability_report = 0;

    // --- Display and scene values (not in the file) ---
    SharedFlag hud_visible;           // I key
    SharedFlag gpuz_polling;          // read GPU-Z's shared memory each poll
    float camera_position[4];
    float tess_level;                 // chosen by the preset: 8, 16, 32 or 64
    float tess_level_inner;
    float tess_level_outer;
    float bump_scale;
    float uv_scale;
    float light0_diffuse[3];
    float light1_diffuse[3];
    float mat_specular[4];            // colour and exponent
    float clear_color[3];
    char image_paths[4][1024];        // tried before the embedded images; nothing fills them

    StartupOptions() { ResetToDefaults(); }

    // Sets every field except the active run settings to its default.
    void ResetToDefaults();
};

extern StartupOptions g_startup_options;
