// The startup dialog's rules, free of any toolkit (see the header).
#include "app/ui/startup_dialog_model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

const std::array<const char*, kResolutionItemCount> kResolutionItems = {
    "Custom",
    "",
    "-------- [ 16/10 ]-",
    "640x400", "960x600", "1024x640", "1280x800", "1440x900", "1680x1050", "1920x1200",
    "2304x1440", "2560x1600",
    "",
    "-------- [ 16/9 ]-",
    "640x360", "960x540", "1024x576", "1280x720", "1366x768", "1600x900", "1920x1080",
    "2048x1152", "2560x1440",
    "",
    "-------- [ 4/3 ]-",
    "400x300", "512x384", "640x480", "800x600", "1024x768", "1280x960", "1280x1024",
    "1600x1200", "1920x1440", "2048x1536", "2560x1920",
};

const std::array<const char*, 4> kMapSetItems = {
    "Set 1 (512x512)", "Set 2 (512x512)", "Set 3 (512x512)", "Set 4 (2048x2048)"};
const std::array<const char*, 4> kTessellationItems = {
    "Moderate (X8)", "Normal (X16)", "Extreme (X32)", "Insane (X64)"};
const std::array<const char*, 4> kPostFxItems = {
    "Off", "Radial blur v1", "Radial blur v2", "NVIDIA FXAA v2"};

const char* const kOpenGl4ErrorText =
    "Your graphics card does not support OpenGL 4.\n\r\n\r"
    "OpenGL 4 is required for GPU tessellation.\n\r\n\r"
    "OpenGL 4 capable cards:\n\r"
    "- NVIDIA GeForce GTX 400 Series\n\r"
    "- ATI Radeon HD 5000 Series.";

namespace {

// Texts are compared and kept over at most this many characters, as the list entries are.
constexpr size_t kItemTextLimit = 63;
// Label texts are limited to 127 characters (counted in code points, not bytes).
constexpr size_t kLabelTextLimit = 127;

std::string Truncated(const std::string& text, size_t limit)
{
    return text.size() <= limit ? text : text.substr(0, limit);
}

// Cuts a UTF-8 text after `limit` code points without splitting one.
std::string TruncatedUtf8(const std::string& text, size_t limit)
{
    size_t points = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (points == limit)
                return text.substr(0, i);
            ++points;
        }
    }
    return text;
}

std::string Format256(const char* format, auto... args)
{
    char buffer[256];
    std::snprintf(buffer, sizeof(buffer), format, args...);
    return buffer;
}

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

std::vector<LabelRow> BuildLabelTable()
{
    const LabelRow rows[] = {
        {startup_ids::kFullscreen, "Fullscreen"},
        {startup_ids::kResolutionLabel, "Resolution"},
        {startup_ids::kAntiAliasingLabel, "Anti-aliasing"},
        {startup_ids::kDurationLabel, "Duration (ms)"},
        {startup_ids::kQuit, "Quit"},
        {startup_ids::kDemoMode, "Start demo mode"},
    };
    std::vector<LabelRow> table;
    for (const LabelRow& row : rows)
        table.push_back({row.control_id, TruncatedUtf8(row.text, kLabelTextLimit)});
    return table;
}

std::vector<AaEntry> BuildAntiAliasingList(int32_t api3d, const std::vector<int32_t>& msaaModes)
{
    std::vector<AaEntry> list;
    if (api3d == 9 || api3d == 10 || api3d == 11)
        return list;
    list.push_back({"Off", 0, true});
    for (int32_t samples : msaaModes) {
        switch (samples) {
        case 2: list.push_back({"2X MSAA", 2, true}); break;
        case 4: list.push_back({"4X MSAA", 4, true}); break;
        case 6: list.push_back({"6X MSAA", 6, true}); break;
        case 8: list.push_back({"8X MSAA", 8, true}); break;
        default: break;   // 16 and more, and odd counts, are not offered
        }
    }
    return list;
}

int FindResolutionItem(int32_t width, int32_t height)
{
    const std::string wanted = Truncated(Format256("%dx%d", width, height), kItemTextLimit);
    for (int i = 0; i < kResolutionItemCount; ++i)
        if (wanted == Truncated(kResolutionItems[i], kItemTextLimit))
            return i;
    return kResolutionCustomItem;
}

bool ResolutionItemIsCustom(const std::string& itemText)
{
    return itemText == kResolutionItems[kResolutionCustomItem];
}

StartupDialogState InitStartupDialog(StartupOptions& options, const DialogMachine& machine)
{
    StartupDialogState state;
    state.title = Format256("%s %d.%d.%d", kProductTitle, kVersionMajor, kVersionMinor,
                            kVersionPatch);
    state.renderer_line = Format256("Primary renderer: %s (%.4X-%.4X, %dSP)",
                                    machine.renderer.c_str(), machine.vendor_id,
                                    machine.device_id, machine.shader_count);

    // All four sets are selectable, so a stored fourth set must survive the dialog.
    options.map_set = std::clamp(options.map_set, 0, 3);
    state.map_set_item = options.map_set;

    // Out-of-range stored values would leave a combo without a selection, and applying it
    // would then store an index of -1; show the nearest preset instead.
    state.tessellation_item = std::clamp(options.tessellation_mode - 1, 0, 3);
    state.post_fx_item = std::clamp(options.post_fx_index, 0, 3);
    options.render_post_fx = state.post_fx_item != 0 ? 1 : 0;

    state.fullscreen = options.fullscreen != 0;

    state.resolution_item = FindResolutionItem(options.width, options.height);
    state.custom_size_enabled = state.resolution_item == kResolutionCustomItem;
    if (state.custom_size_enabled) {
        state.custom_width = Format256("%d", options.width);
        state.custom_height = Format256("%d", options.height);
    }

    state.aa_entries = BuildAntiAliasingList(options.api3d, machine.msaa_modes);
    state.aa_item = state.aa_entries.empty() ? -1 : 0;
    const std::string storedAa = Truncated(options.aa_mode, kItemTextLimit);
    for (size_t i = 0; i < state.aa_entries.size(); ++i)
        if (Truncated(state.aa_entries[i].text, kItemTextLimit) == storedAa)
            state.aa_item = static_cast<int>(i);

    state.duration = Format256("%d", options.max_time);

    if (options.display_app_latest_news) {
        options.display_app_latest_news = 0;
        state.open_latest_news = true;
    }
    return state;
}

int32_t ParseEditNumber(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    if (begin == end)
        return 0;
    int64_t value = 0;
    for (size_t i = begin; i < end; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return 0;
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX)
            return 0;
    }
    return static_cast<int32_t>(value);
}

void ApplyDialogSettings(const StartupDialogControls& controls, StartupOptions& options,
                         FrameStats& stats)
{
    stats.quit_requested = 0;

    options.fullscreen = controls.fullscreen ? 1 : 0;
    options.active_fullscreen = options.fullscreen;

    options.log_temperature = 0;

    options.post_fx_index = std::max(controls.post_fx_item, 0);
    options.render_post_fx = options.post_fx_index != 0 ? 1 : 0;

    const std::string& set = controls.map_set_text;
    if (Contains(set, "Set 1"))
        options.map_set = 0;
    else if (Contains(set, "Set 2"))
        options.map_set = 1;
    else if (Contains(set, "Set 3"))
        options.map_set = 2;
    else if (Contains(set, "Set 4"))
        options.map_set = 3;

    const std::string& tess = controls.tessellation_text;
    if (Contains(tess, "Moderate")) {
        options.tessellation_mode = 1;
        options.tess_level = 8.0f;
    } else if (Contains(tess, "Normal")) {
        options.tessellation_mode = 2;
        options.tess_level = 16.0f;
    } else if (Contains(tess, "Extreme")) {
        options.tessellation_mode = 3;
        options.tess_level = 32.0f;
    } else if (Contains(tess, "Insane")) {
        options.tessellation_mode = 4;
        options.tess_level = 64.0f;
    }
    // Deliberately not clamped to the card's maximum: the run gets what the user chose.
    options.tess_level_inner = options.tess_level;
    options.tess_level_outer = options.tess_level;

    int width = 0;
    int height = 0;
    if (!ResolutionItemIsCustom(controls.resolution_text)) {
        // Headings and empty lines read as 0 x 0; StartRun falls back to its smallest size.
        // What sscanf cannot read keeps its 0.
        (void)std::sscanf(controls.resolution_text.c_str(), "%dx%d", &width, &height);
    } else {
        width = ParseEditNumber(controls.custom_width);
        height = ParseEditNumber(controls.custom_height);
    }
    options.active_width = width;
    options.active_height = height;
    options.width = width;
    options.height = height;

    std::memset(options.aa_mode, 0, sizeof(options.aa_mode));
    std::strncpy(options.aa_mode, controls.aa_text.c_str(), sizeof(options.aa_mode) - 1);

    const int32_t duration = ParseEditNumber(controls.duration);
    options.active_duration_ms = static_cast<uint32_t>(duration);
    options.max_time = duration;
}

void PrepareBenchmarkRun(StartupOptions& options)
{
    options.max_time = static_cast<int32_t>(options.active_duration_ms);
    options.active_time_based = 1;
    options.time_based_benchmark = 1;
    options.active_max_frames = 0;
    options.active_run_mode = kRunModeBenchmark;
    options.run_mode = kRunModeBenchmark;
}

void PrepareDemoRun(StartupOptions& options)
{
    options.active_run_mode = kRunModeStability;
    options.run_mode = kRunModeStability;
}
