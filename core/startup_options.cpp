// Defaults of the settings record.
#include "core/startup_options.h"

#include <cstring>
#include <thread>

StartupOptions g_startup_options;

void StartupOptions::ResetToDefaults()
{
    api3d = 0;
    display_gui = 1;
    display_menu_bar = 1;
    display_score = 1;
    display_version = 0;
    width = 1280;
    height = 720;
    custom_viewport_size = 0;
    std::memset(aa_mode, 0, sizeof(aa_mode));
    std::strcpy(aa_mode, "Off");
    fullscreen = 0;
    run_mode = kRunModeBenchmark;
    time_based_benchmark = 1;
    max_time = 60000;
    max_frames = 0;
    xtreme_burning = 0;
    log_temperature = 0;
    render_post_fx = 0;
    post_fx_index = 0;
    render_temp_graphs = 1;
    render_general_indicators = 1;
    map_set = 2;
    tessellation_mode = 2;
    display_app_latest_news = 1;
    enable_unlock_power_draw = 0;
    tone_down_delay_ms = 0;

    app_thread_priority = 0;
    rendering_thread_priority = 0;
    app_process_priority = 32;
    app_cpu_affinity = 1;
    // The render thread gets its own processor when there is more than one.
    rendering_cpu_affinity = std::thread::hardware_concurrency() > 1 ? 2u : 1u;
    app_cpu_affinity_given = 0;
    rendering_cpu_affinity_given = 0;
    gl3_core_profile = 0;

    hud_visible = 1;
    gpuz_polling = 0;
    const float camera[4] = {0.0f, 0.0f, 4.0f, 1.0f};
    std::memcpy(camera_position, camera, sizeof(camera));
    tess_level = 32.0f;
    tess_level_inner = 32.0f;
    tess_level_outer = 32.0f;
    bump_scale = 0.5f;
    uv_scale = 4.0f;
    const float l0[3] = {0.9f, 0.9f, 0.8f};
    const float l1[3] = {0.4f, 0.4f, 0.3f};
    const float specular[4] = {0.6f, 0.6f, 0.6f, 60.0f};
    const float clear[3] = {0.2f, 0.2f, 0.2f};
    std::memcpy(light0_diffuse, l0, sizeof(l0));
    std::memcpy(light1_diffuse, l1, sizeof(l1));
    std::memcpy(mat_specular, specular, sizeof(specular));
    std::memcpy(clear_color, clear, sizeof(clear));
    std::memset(image_paths, 0, sizeof(image_paths));
}
