// The startup dialog's rules: what the controls show for stored options and what applying
// them and the run buttons store.
#include "app/ui/startup_dialog_model.h"

#include "core/gnu_options.h"
#include "core/startup_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <string>
#include <vector>

namespace {

DialogMachine Machine()
{
    DialogMachine m;
    m.gl_major = 4;
    m.renderer = "llvmpipe (LLVM 15.0.6, 256 bits)";
    m.vendor_id = 0x10DE;
    m.device_id = 0x6C0;
    m.shader_count = 480;
    m.msaa_modes = {2, 4, 8};
    return m;
}

// The controls as the dialog shows them right after it opened.
StartupDialogControls ControlsOf(const StartupDialogState& s)
{
    StartupDialogControls c;
    c.fullscreen = s.fullscreen;
    c.post_fx_item = s.post_fx_item;
    c.map_set_text = kMapSetItems[s.map_set_item];
    c.tessellation_text = kTessellationItems[s.tessellation_item];
    c.resolution_text = kResolutionItems[s.resolution_item];
    c.custom_width = s.custom_width;
    c.custom_height = s.custom_height;
    c.aa_text = s.aa_item >= 0 ? s.aa_entries[s.aa_item].text : "";
    c.duration = s.duration;
    return c;
}

TEST(StartupDialogModel, TitleRendererLineAndLabelTable)
{
    StartupOptions o;
    const StartupDialogState s = InitStartupDialog(o, Machine());
    EXPECT_EQ(s.title, "Lumetra Gridfall 0.3.0");
    EXPECT_EQ(s.renderer_line, "Primary renderer: llvmpipe (LLVM 15.0.6, 256 bits) (10DE-06C0, 480SP)");

    const std::vector<LabelRow> table = BuildLabelTable();
    ASSERT_EQ(table.size(), 6u);
    const std::pair<int, const char*> expected[] = {{1006, "Fullscreen"}, {1014, "Resolution"},
        {1042, "Anti-aliasing"}, {1021, "Duration (ms)"}, {2, "Quit"}, {1, "Start demo mode"}};
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].control_id, expected[i].first);
        EXPECT_EQ(table[i].text, expected[i].second);
    }
}

TEST(StartupDialogModel, ResolutionListAndStoredSizes)
{
    ASSERT_EQ(kResolutionItems.size(), 36u);
    EXPECT_STREQ(kResolutionItems[0], "Custom");
    EXPECT_STREQ(kResolutionItems[1], "");
    EXPECT_STREQ(kResolutionItems[12], "");
    EXPECT_STREQ(kResolutionItems[23], "");
    EXPECT_STREQ(kResolutionItems[13], "-------- [ 16/9 ]-");
    EXPECT_STREQ(kResolutionItems[35], "2560x1920");

    StartupOptions o;
    o.width = 1280;
    o.height = 720;
    StartupDialogState s = InitStartupDialog(o, Machine());
    EXPECT_EQ(s.resolution_item, 17);
    EXPECT_FALSE(s.custom_size_enabled);
    EXPECT_TRUE(s.custom_width.empty());

    o.width = 1000;
    o.height = 700;
    s = InitStartupDialog(o, Machine());
    EXPECT_EQ(s.resolution_item, 0);
    EXPECT_TRUE(s.custom_size_enabled);
    EXPECT_EQ(s.custom_width, "1000");
    EXPECT_EQ(s.custom_height, "700");

    EXPECT_EQ(FindResolutionItem(2560, 1920), 35);
    EXPECT_EQ(FindResolutionItem(0, 0), 0);
    EXPECT_TRUE(ResolutionItemIsCustom("Custom"));
    EXPECT_FALSE(ResolutionItemIsCustom("640x480"));
}

TEST(StartupDialogModel, SizeFromListHeadingAndCustomEdits)
{
    StartupOptions o;
    FrameStats stats;
    StartupDialogControls c = ControlsOf(InitStartupDialog(o, Machine()));

    c.resolution_text = "1920x1080";
    ApplyDialogSettings(c, o, stats);
    EXPECT_EQ(o.width, 1920);
    EXPECT_EQ(o.height, 1080);
    EXPECT_EQ(o.active_width, 1920);
    EXPECT_EQ(o.active_height, 1080);

    // A heading gives 0 x 0, stored as such; the run itself falls back to 640 x 480.
    for (int item : {1, 2, 12, 13, 23, 24}) {
        c.resolution_text = kResolutionItems[item];
        ApplyDialogSettings(c, o, stats);
        EXPECT_EQ(o.width, 0) << item;
        EXPECT_EQ(o.height, 0) << item;
        EXPECT_EQ(o.active_width, 0) << item;
        EXPECT_EQ(o.active_height, 0) << item;
    }

    c.resolution_text = "Custom";
    c.custom_width = "1000";
    c.custom_height = "abc";
    ApplyDialogSettings(c, o, stats);
    EXPECT_EQ(o.width, 1000);
    EXPECT_EQ(o.height, 0);
}

TEST(StartupDialogModel, EditNumbers)
{
    EXPECT_EQ(ParseEditNumber("60000"), 60000);
    EXPECT_EQ(ParseEditNumber(" 42 "), 42);
    EXPECT_EQ(ParseEditNumber(""), 0);
    EXPECT_EQ(ParseEditNumber("12a"), 0);
    EXPECT_EQ(ParseEditNumber("-5"), 0);
    EXPECT_EQ(ParseEditNumber("2147483647"), 2147483647);
    EXPECT_EQ(ParseEditNumber("2147483648"), 0);
    EXPECT_EQ(ParseEditNumber("99999999999999999999999"), 0);
}

TEST(StartupDialogModel, MapSetKeepsTheFourthSet)
{
    StartupOptions o;
    FrameStats stats;
    o.map_set = 3;
    StartupDialogState s = InitStartupDialog(o, Machine());
    EXPECT_EQ(s.map_set_item, 3);
    EXPECT_EQ(o.map_set, 3);
    ApplyDialogSettings(ControlsOf(s), o, stats);
    EXPECT_EQ(o.map_set, 3);

    o.map_set = 7;
    EXPECT_EQ(InitStartupDialog(o, Machine()).map_set_item, 3);
    o.map_set = -2;
    EXPECT_EQ(InitStartupDialog(o, Machine()).map_set_item, 0);
    EXPECT_EQ(o.map_set, 0);

    StartupDialogControls c = ControlsOf(s);
    c.map_set_text = "Set 2 (512x512)";
    ApplyDialogSettings(c, o, stats);
    EXPECT_EQ(o.map_set, 1);
    c.map_set_text = "";   // nothing chosen: unchanged
    ApplyDialogSettings(c, o, stats);
    EXPECT_EQ(o.map_set, 1);
}

TEST(StartupDialogModel, TessellationPresets)
{
    StartupOptions o;
    FrameStats stats;
    o.tessellation_mode = 0;
    StartupDialogState s = InitStartupDialog(o, Machine());
    EXPECT_EQ(s.tessellation_item, 0);
    EXPECT_STREQ(kTessellationItems[s.tessellation_item], "Moderate (X8)");
    ApplyDialogSettings(ControlsOf(s), o, stats);
    EXPECT_EQ(o.tessellation_mode, 1);
    EXPECT_FLOAT_EQ(o.tess_level, 8.0f);
    EXPECT_FLOAT_EQ(o.tess_level_inner, 8.0f);
    EXPECT_FLOAT_EQ(o.tess_level_outer, 8.0f);

    o.tessellation_mode = 9;   // beyond the list: the nearest preset, never "no selection"
    EXPECT_EQ(InitStartupDialog(o, Machine()).tessellation_item, 3);

    // The level is what the user chose, even above the card's maximum.
    StartupDialogControls c = ControlsOf(s);
    c.tessellation_text = "Insane (X64)";
    ApplyDialogSettings(c, o, stats);
    EXPECT_EQ(o.tessellation_mode, 4);
    EXPECT_FLOAT_EQ(o.tess_level, 64.0f);
    EXPECT_FLOAT_EQ(o.tess_level_outer, 64.0f);
    c.tessellation_text = "Extreme (X32)";
    ApplyDialogSettings(c, o, stats);
    EXPECT_EQ(o.tessellation_mode, 3);
    EXPECT_FLOAT_EQ(o.tess_level_inner, 32.0f);
}

// A run with the dialog and one without start from the same stored defaults and the same
// command line, and render the same settings: the dialog preselects what the command line set.
TEST(StartupDialogModel, CommandLineAndDirectRunAgreeWithTheDialog)
{
    const std::vector<std::vector<std::string>> lines = {
        {},
        {"--tess", "8"},
        {"--tess=64"},
        {"--resolution", "1920x1080", "--postfx", "fxaa", "--msaa", "4", "--duration", "5000",
         "--map-set", "4"},
    };
    for (const auto& line : lines) {
        std::vector<std::string> storage = {"gridfall"};
        storage.insert(storage.end(), line.begin(), line.end());
        std::vector<char*> argv;
        for (std::string& a : storage)
            argv.push_back(a.data());
        GnuCommandLine parsed;
        std::string error;
        ASSERT_TRUE(ParseGnuCommandLine(static_cast<int>(argv.size()), argv.data(), parsed, error));

        StartupOptions direct;
        AutomationOptions automation;
        ApplyGnuOptions(parsed, direct, automation);

        StartupOptions dialog = direct;
        FrameStats stats;
        ApplyDialogSettings(ControlsOf(InitStartupDialog(dialog, Machine())), dialog, stats);
        const std::string what = line.empty() ? "defaults" : line.front();
        // Without --tess the two keep their own defaults: a direct run renders at 32 whatever
        // the stored preset, the dialog at its preset (Normal, 16 by default).
        const bool tessGiven =
            std::any_of(line.begin(), line.end(), [](const std::string& a) { return a.rfind("--tess", 0) == 0; });
        if (!tessGiven) {
            EXPECT_FLOAT_EQ(direct.tess_level, 32.0f);
            EXPECT_FLOAT_EQ(dialog.tess_level, 16.0f);
        } else {
            EXPECT_FLOAT_EQ(dialog.tess_level, direct.tess_level) << what;
        }
        EXPECT_EQ(dialog.width, direct.width) << what;
        EXPECT_EQ(dialog.height, direct.height) << what;
        EXPECT_STREQ(dialog.aa_mode, direct.aa_mode) << what;
        EXPECT_EQ(dialog.post_fx_index, direct.post_fx_index) << what;
        EXPECT_EQ(dialog.map_set, direct.map_set) << what;
        EXPECT_EQ(dialog.max_time, direct.max_time) << what;
    }
    // The stored default preset is Normal.
    EXPECT_FLOAT_EQ(TessellationPresetLevel(StartupOptions{}.tessellation_mode), 16.0f);
    EXPECT_FLOAT_EQ(TessellationPresetLevel(0), 8.0f);
    EXPECT_FLOAT_EQ(TessellationPresetLevel(9), 64.0f);
}

TEST(StartupDialogModel, AntiAliasingList)
{
    std::vector<AaEntry> list = BuildAntiAliasingList(0, {2, 4, 6, 8, 16});
    std::vector<std::string> texts;
    for (const AaEntry& e : list)
        texts.push_back(e.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Off", "2X MSAA", "4X MSAA", "6X MSAA", "8X MSAA"}));
    EXPECT_EQ(list[3].samples, 6);

    list = BuildAntiAliasingList(0, {4, 4, 3, 32});
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1].text, "4X MSAA");
    EXPECT_EQ(list[2].text, "4X MSAA");

    for (int api : {9, 10, 11})
        EXPECT_TRUE(BuildAntiAliasingList(api, {2, 4}).empty()) << api;
    EXPECT_EQ(BuildAntiAliasingList(12, {}).size(), 1u);
}

TEST(StartupDialogModel, AntiAliasingSelection)
{
    StartupOptions o;
    FrameStats stats;
    DialogMachine m = Machine();
    m.msaa_modes = {4, 6, 4};
    std::strcpy(o.aa_mode, "4X MSAA");
    StartupDialogState s = InitStartupDialog(o, m);
    EXPECT_EQ(s.aa_item, 3);   // the last of the repeated entries

    std::strcpy(o.aa_mode, "6X MSAA");
    s = InitStartupDialog(o, m);
    EXPECT_EQ(s.aa_item, 2);
    ApplyDialogSettings(ControlsOf(s), o, stats);
    EXPECT_STREQ(o.aa_mode, "6X MSAA");

    std::strcpy(o.aa_mode, "32X MSAA");
    EXPECT_EQ(InitStartupDialog(o, m).aa_item, 0);

    // With a Direct3D codepath the list is empty and applying stores an empty mode.
    o.api3d = 11;
    s = InitStartupDialog(o, m);
    EXPECT_EQ(s.aa_item, -1);
    ApplyDialogSettings(ControlsOf(s), o, stats);
    EXPECT_STREQ(o.aa_mode, "");

    // An over-long text is cut to the field, never past it.
    StartupDialogControls c = ControlsOf(s);
    c.aa_text = std::string(200, 'x');
    ApplyDialogSettings(c, o, stats);
    EXPECT_EQ(std::strlen(o.aa_mode), 63u);
}

TEST(StartupDialogModel, PostFxFullscreenDurationAndFlags)
{
    StartupOptions o;
    FrameStats stats;
    o.post_fx_index = 2;
    o.render_post_fx = 0;
    o.fullscreen = 1;
    o.max_time = 12345;
    StartupDialogState s = InitStartupDialog(o, Machine());
    EXPECT_EQ(s.post_fx_item, 2);
    EXPECT_EQ(o.render_post_fx, 1);
    EXPECT_TRUE(s.fullscreen);
    EXPECT_EQ(s.duration, "12345");

    StartupDialogControls c = ControlsOf(s);
    c.post_fx_item = 0;
    c.fullscreen = false;
    c.duration = "30000";
    stats.quit_requested = 1;
    o.log_temperature = 1;
    ApplyDialogSettings(c, o, stats);
    EXPECT_EQ(stats.quit_requested.load(), 0);
    EXPECT_EQ(o.log_temperature.get(), 0);
    EXPECT_EQ(o.post_fx_index, 0);
    EXPECT_EQ(o.render_post_fx, 0);
    EXPECT_EQ(o.fullscreen, 0);
    EXPECT_EQ(o.active_fullscreen, 0);
    EXPECT_EQ(o.active_duration_ms, 30000u);
    EXPECT_EQ(o.max_time, 30000);

    c.fullscreen = true;
    c.post_fx_item = 3;
    ApplyDialogSettings(c, o, stats);
    EXPECT_EQ(o.active_fullscreen, 1);
    EXPECT_EQ(o.render_post_fx, 1);
    EXPECT_EQ(o.post_fx_index, 3);
}

TEST(StartupDialogModel, LatestNewsOpensOnce)
{
    StartupOptions o;
    ASSERT_EQ(o.display_app_latest_news, 1);
    EXPECT_TRUE(InitStartupDialog(o, Machine()).open_latest_news);
    EXPECT_EQ(o.display_app_latest_news, 0);
    EXPECT_FALSE(InitStartupDialog(o, Machine()).open_latest_news);
}

TEST(StartupDialogModel, RunButtons)
{
    StartupOptions o;
    o.active_duration_ms = 20000;
    o.active_max_frames = 500;
    o.time_based_benchmark = 0;
    PrepareBenchmarkRun(o);
    EXPECT_EQ(o.max_time, 20000);
    EXPECT_EQ(o.active_time_based, 1);
    EXPECT_EQ(o.time_based_benchmark, 1);
    EXPECT_EQ(o.active_max_frames, 0u);
    EXPECT_EQ(o.active_run_mode, 1);
    EXPECT_EQ(o.run_mode, 1);

    PrepareDemoRun(o);
    EXPECT_EQ(o.active_run_mode, 2);
    EXPECT_EQ(o.run_mode, 2);
    EXPECT_EQ(o.max_time, 20000);
}

}  // namespace
