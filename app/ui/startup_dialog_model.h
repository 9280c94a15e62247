// The startup dialog's rules without any toolkit: what each control holds when the dialog
// opens, what applying the controls writes into StartupOptions, and what each run button sets
// before a run starts. The GTK view only binds widgets to these values.
#pragma once

#include "run/run_state.h"
#include "core/startup_options.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Control ids of the startup dialog; the GTK widgets carry them as their builder ids.
namespace startup_ids {
inline constexpr int kRendererLine = 1052;
inline constexpr int kMapSet = 1126;
inline constexpr int kTessellation = 1127;
inline constexpr int kFullscreen = 1006;
inline constexpr int kResolution = 1067;
inline constexpr int kResolutionLabel = 1014;
inline constexpr int kCustomWidth = 1004;
inline constexpr int kCustomSign = 1139;
inline constexpr int kCustomHeight = 1005;
inline constexpr int kAntiAliasing = 1061;
inline constexpr int kAntiAliasingLabel = 1042;
inline constexpr int kPostFx = 1141;
inline constexpr int kDurationLabel = 1021;
inline constexpr int kDuration = 1019;
inline constexpr int kStartBenchmark = 1100;
inline constexpr int kDemoMode = 1;
inline constexpr int kAbout = 1082;
inline constexpr int kQuit = 2;
inline constexpr int kScoresLink = 1138;
}  // namespace startup_ids

// The 36 items of the resolution list: "Custom", then three groups, each behind an empty line
// and a heading. Every item is selectable; a heading or an empty line gives a size of 0 x 0.
inline constexpr int kResolutionItemCount = 36;
extern const std::array<const char*, kResolutionItemCount> kResolutionItems;
inline constexpr int kResolutionCustomItem = 0;

extern const std::array<const char*, 4> kMapSetItems;
extern const std::array<const char*, 4> kTessellationItems;
extern const std::array<const char*, 4> kPostFxItems;

// One row of the label table: a control and the text it is given when the dialog opens.
struct LabelRow {
    int control_id;
    std::string text;   // UTF-8, at most 127 characters
};
// The label table, in the order its rows are applied.
std::vector<LabelRow> BuildLabelTable();

// One entry of the anti-aliasing list.
struct AaEntry {
    std::string text;   // at most 63 characters
    int32_t samples = 0;
    bool enabled = true;
};
// Empty for the Direct3D codepaths (api3d 9, 10, 11); otherwise "Off" and one entry per
// reported multisample mode of 2, 4, 6 or 8 samples, in the library's order (repeats kept).
std::vector<AaEntry> BuildAntiAliasingList(int32_t api3d, const std::vector<int32_t>& msaaModes);

// What the dialog needs to know about the machine (from the GPU information library).
struct DialogMachine {
    int32_t gl_major = 0;
    std::string renderer;             // main OpenGL renderer name
    uint32_t vendor_id = 0xFFFFFFFF;  // main card
    uint32_t device_id = 0xFFFFFFFF;
    int32_t shader_count = 0;         // GPU 0
    std::vector<int32_t> msaa_modes;  // sample count of each mode, in the library's order
};

// Everything the controls show when the dialog opens.
struct StartupDialogState {
    std::string title;
    std::string renderer_line;
    int map_set_item = 0;
    int tessellation_item = 0;
    int post_fx_item = 0;
    bool fullscreen = false;
    int resolution_item = 0;
    bool custom_size_enabled = false;   // edits 1004, 1005 and the sign 1139
    std::string custom_width;           // written only when "Custom" is selected
    std::string custom_height;
    std::vector<AaEntry> aa_entries;
    int aa_item = 0;                    // -1 when the list is empty
    std::string duration;
    bool open_latest_news = false;      // the latest-news page is due (once)
};

// The dialog's initialisation. Also writes what it settles into the options: the clamped map
// set, render_post_fx from the post-processing index, and display_app_latest_news cleared when
// the latest-news page is due.
StartupDialogState InitStartupDialog(StartupOptions& options, const DialogMachine& machine);

// Index of the resolution item whose text is "<width>x<height>", else the "Custom" item.
int FindResolutionItem(int32_t width, int32_t height);
// Whether choosing this resolution item enables the custom size edits.
bool ResolutionItemIsCustom(const std::string& itemText);

// What the controls hold when the settings are applied.
struct StartupDialogControls {
    bool fullscreen = false;
    int post_fx_item = 0;
    std::string map_set_text;
    std::string tessellation_text;
    std::string resolution_text;
    std::string custom_width;
    std::string custom_height;
    std::string aa_text;
    std::string duration;
};

// Reads an edit control's text as a non-negative decimal number; anything that is not one
// (empty, letters, a value beyond 2^31 - 1) counts as 0.
int32_t ParseEditNumber(const std::string& text);

// Copies the controls into the options, in the dialog's fixed order.
void ApplyDialogSettings(const StartupDialogControls& controls, StartupOptions& options,
                         FrameStats& stats);

// What a run button does after applying the settings, before StartRun.
void PrepareBenchmarkRun(StartupOptions& options);
void PrepareDemoRun(StartupOptions& options);

// Shown instead of a run when the card has no OpenGL 4.
extern const char* const kOpenGl4ErrorText;
