// The startup dialog on a real display: controls built from the .ui file, settings applied
// on the run buttons, run buttons disabled during a run, Quit / Escape / close box.
#include "app/ui/hyperlink.h"
#include "app/ui/startup_dialog_view.h"
#include "app/ui/web_link.h"
#include "tests/e2e/ui/ui_test_support.h"

#include <cstring>
#include <string>

namespace {

using namespace uitest;

class FakeRuns : public StartupRunControl {
public:
    explicit FakeRuns(const StartupOptions& options) : options_(options) {}

    bool StartRun() override
    {
        ++starts;
        at_start = options_;
        if (refuse)
            return false;
        active = true;
        if (observer)
            observer->OnRunStarted();
        return true;
    }
    void StopRendering() override
    {
        ++stops;
        options_at_stop = options_;
        EndRun();
    }
    bool IsRunActive() override { return active; }
    void PumpEvents() override { ++pumps; }
    void SetRunObserver(RunObserver* o) override { observer = o; }
    void ShowAbout() override { ++abouts; }

    // What the render window does when a run ends.
    void EndRun()
    {
        if (!active)
            return;
        active = false;
        if (observer)
            observer->OnRunEnded();
    }

    int starts = 0, stops = 0, pumps = 0, abouts = 0;
    bool active = false;
    bool refuse = false;
    RunObserver* observer = nullptr;
    StartupOptions at_start;
    StartupOptions options_at_stop;

private:
    const StartupOptions& options_;
};

DialogMachine Machine(int glMajor = 4)
{
    DialogMachine m;
    m.gl_major = glMajor;
    m.renderer = "llvmpipe (LLVM 15.0.6, 256 bits)";
    m.vendor_id = 0x1002;
    m.device_id = 0x6899;
    m.shader_count = 1600;
    m.msaa_modes = {2, 4, 8, 16};
    return m;
}

class StartupDialogViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(GtkReady()) << "no display: run under Xvfb (DISPLAY)";
        options.display_app_latest_news = 0;
    }
    // Builds and shows the dialog.
    std::unique_ptr<StartupDialogView> Open(int glMajor = 4)
    {
        auto view = std::make_unique<StartupDialogView>(options, stats, Machine(glMajor), runs);
        EXPECT_TRUE(view->Build());
        gtk_widget_show(view->Window());
        Pump(50);
        return view;
    }
    bool Sensitive(StartupDialogView& v, int id) { return gtk_widget_get_sensitive(v.Control(id)); }
    std::string Text(StartupDialogView& v, int id)
    {
        GtkWidget* w = v.Control(id);
        if (GTK_IS_BUTTON(w))
            return gtk_button_get_label(GTK_BUTTON(w));
        if (GTK_IS_ENTRY(w))
            return gtk_entry_get_text(GTK_ENTRY(w));
        return gtk_label_get_text(GTK_LABEL(w));
    }
    // Runs the dialog's loop with `action` done once it runs; fails instead of hanging.
    void RunWith(StartupDialogView& view, std::function<void()> action)
    {
        struct Ctx {
            std::function<void()> action;
            StartupDialogView* view;
            bool timed_out = false;
            bool acted = false;
        } ctx{std::move(action), &view};
        const guint idle = g_idle_add(+[](gpointer p) -> gboolean {
            auto* c = static_cast<Ctx*>(p);
            c->acted = true;
            c->action();
            return G_SOURCE_REMOVE;
        }, &ctx);
        const guint guard = g_timeout_add(10000, +[](gpointer p) -> gboolean {
            auto* c = static_cast<Ctx*>(p);
            c->timed_out = true;
            c->view->Quit();
            return G_SOURCE_REMOVE;
        }, &ctx);
        view.Run();
        // Neither source may outlive ctx.
        if (!ctx.acted)
            g_source_remove(idle);
        if (!ctx.timed_out)
            g_source_remove(guard);
        EXPECT_TRUE(ctx.acted) << "the dialog's loop ended before the action";
        EXPECT_FALSE(ctx.timed_out) << "the dialog's loop did not end";
    }

    StartupOptions options;
    FrameStats stats;
    FakeRuns runs{options};
    Recorder recorder;
};

TEST_F(StartupDialogViewTest, BuildsEveryControlWithItsTexts)
{
    options.width = 1280;
    options.height = 720;
    auto view = Open();
    for (int id : {1052, 1126, 1127, 1006, 1067, 1004, 1139, 1005, 1061, 1141, 1021, 1019, 1100,
                   1, 1082, 2, 1138, 1014, 1042})
        EXPECT_NE(view->Control(id), nullptr) << id;
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(view->Window())), "Lumetra Gridfall 0.3.0");
    EXPECT_EQ(Text(*view, 1052), "Primary renderer: llvmpipe (LLVM 15.0.6, 256 bits) (1002-6899, 1600SP)");
    // The label table's texts replace the resource texts.
    EXPECT_EQ(Text(*view, 1), "Start demo mode");
    EXPECT_EQ(Text(*view, 1006), "Fullscreen");
    EXPECT_EQ(Text(*view, 1021), "Duration (ms)");
    EXPECT_EQ(Text(*view, 1100), "Start benchmark");
    EXPECT_EQ(Text(*view, 1019), "60000");

    GtkTreeModel* resolutions = gtk_combo_box_get_model(GTK_COMBO_BOX(view->Control(1067)));
    EXPECT_EQ(gtk_tree_model_iter_n_children(resolutions, nullptr), 36);
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(view->Control(1067))), 17);
    GtkTreeModel* aa = gtk_combo_box_get_model(GTK_COMBO_BOX(view->Control(1061)));
    EXPECT_EQ(gtk_tree_model_iter_n_children(aa, nullptr), 4);   // Off, 2X, 4X, 8X
    for (int id : {1004, 1005, 1139})
        EXPECT_FALSE(Sensitive(*view, id)) << id;
    EXPECT_TRUE(Sensitive(*view, 1100));
    EXPECT_TRUE(Sensitive(*view, 1));
    EXPECT_TRUE(Screenshot(view->Window(), "startup_dialog"));
}

TEST_F(StartupDialogViewTest, StartBenchmarkAppliesTheControlsAndLocksTheRunButtons)
{
    auto view = Open();
    gtk_combo_box_set_active(GTK_COMBO_BOX(view->Control(1067)), 20);   // 1920x1080
    gtk_combo_box_set_active(GTK_COMBO_BOX(view->Control(1127)), 3);    // Insane (X64)
    gtk_combo_box_set_active(GTK_COMBO_BOX(view->Control(1126)), 3);    // Set 4
    gtk_combo_box_set_active(GTK_COMBO_BOX(view->Control(1061)), 2);    // 4X MSAA
    gtk_combo_box_set_active(GTK_COMBO_BOX(view->Control(1141)), 3);    // FXAA
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(view->Control(1006)), TRUE);
    gtk_entry_set_text(GTK_ENTRY(view->Control(1019)), "30000");
    options.log_temperature = 1;
    stats.quit_requested = 1;

    gtk_button_clicked(GTK_BUTTON(view->Control(1100)));
    ASSERT_EQ(runs.starts, 1);
    const StartupOptions& o = runs.at_start;
    EXPECT_EQ(o.active_width, 1920);
    EXPECT_EQ(o.active_height, 1080);
    EXPECT_EQ(o.active_fullscreen, 1);
    EXPECT_EQ(o.tessellation_mode, 4);
    EXPECT_FLOAT_EQ(o.tess_level, 64.0f);
    EXPECT_EQ(o.map_set, 3);
    EXPECT_STREQ(o.aa_mode, "4X MSAA");
    EXPECT_EQ(o.post_fx_index, 3);
    EXPECT_EQ(o.render_post_fx, 1);
    EXPECT_EQ(o.active_duration_ms, 30000u);
    EXPECT_EQ(o.max_time, 30000);
    EXPECT_EQ(o.active_run_mode, 1);
    EXPECT_EQ(o.active_time_based, 1);
    EXPECT_EQ(o.active_max_frames, 0u);
    EXPECT_EQ(o.log_temperature.get(), 0);
    EXPECT_EQ(stats.quit_requested.load(), 0);

    // During the run: no second run, the render window is served, the rest stays usable.
    EXPECT_FALSE(Sensitive(*view, 1100));
    EXPECT_FALSE(Sensitive(*view, 1));
    EXPECT_TRUE(Sensitive(*view, 2));
    EXPECT_TRUE(Sensitive(*view, 1082));
    gtk_button_clicked(GTK_BUTTON(view->Control(1)));
    EXPECT_EQ(runs.starts, 1);
    Pump(120);
    EXPECT_GT(runs.pumps, 0);

    runs.EndRun();
    EXPECT_TRUE(Sensitive(*view, 1100));
    EXPECT_TRUE(Sensitive(*view, 1));
    Pump(60);
    const int pumpsAfterEnd = runs.pumps;
    Pump(60);
    EXPECT_EQ(runs.pumps, pumpsAfterEnd) << "the render window is no longer served after the run";
}

TEST_F(StartupDialogViewTest, DemoModeHeadingSizeAndRefusedRun)
{
    options.run_mode = 1;
    options.max_time = 1234;
    auto view = Open();
    gtk_combo_box_set_active(GTK_COMBO_BOX(view->Control(1067)), 13);   // a heading
    runs.refuse = true;
    gtk_button_clicked(GTK_BUTTON(view->Control(1)));
    ASSERT_EQ(runs.starts, 1);
    EXPECT_EQ(runs.at_start.active_run_mode, 2);
    EXPECT_EQ(runs.at_start.run_mode, 2);
    EXPECT_EQ(runs.at_start.active_width, 0);
    EXPECT_EQ(runs.at_start.width, 0);
    // A refused run leaves the dialog idle.
    EXPECT_TRUE(Sensitive(*view, 1));
    EXPECT_TRUE(Sensitive(*view, 1100));
}

TEST_F(StartupDialogViewTest, CardWithoutOpenGl4GetsTheErrorAndNoRun)
{
    auto view = Open(3);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(view->Control(1006)), TRUE);
    for (int id : {1100, 1}) {
        gtk_button_clicked(GTK_BUTTON(view->Control(id)));
        ASSERT_EQ(recorder.boxes.size(), 1u) << id;
        EXPECT_EQ(recorder.boxes[0].kind, MessageKind::Error);
        EXPECT_NE(recorder.boxes[0].text.find("OpenGL 4 is required for GPU tessellation."),
                  std::string::npos);
        recorder.boxes.clear();
    }
    EXPECT_EQ(runs.starts, 0);
    EXPECT_EQ(options.fullscreen, 0) << "settings are not applied without OpenGL 4";
}

TEST_F(StartupDialogViewTest, CustomSizeEditsFollowTheResolutionChoice)
{
    options.width = 1000;
    options.height = 700;
    auto view = Open();
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(view->Control(1067))), 0);
    EXPECT_TRUE(Sensitive(*view, 1004));
    EXPECT_EQ(Text(*view, 1004), "1000");
    EXPECT_EQ(Text(*view, 1005), "700");

    gtk_combo_box_set_active(GTK_COMBO_BOX(view->Control(1067)), 27);
    for (int id : {1004, 1005, 1139})
        EXPECT_FALSE(Sensitive(*view, id)) << id;
    gtk_combo_box_set_active(GTK_COMBO_BOX(view->Control(1067)), 0);
    for (int id : {1004, 1005, 1139})
        EXPECT_TRUE(Sensitive(*view, id)) << id;

    // Number-only edits refuse letters, typed or pasted.
    GtkEditable* width = GTK_EDITABLE(view->Control(1004));
    gtk_editable_delete_text(width, 0, -1);
    gint pos = 0;
    gtk_editable_insert_text(width, "12a", -1, &pos);
    EXPECT_EQ(Text(*view, 1004), "");
    gtk_editable_insert_text(width, "1024", -1, &pos);
    EXPECT_EQ(Text(*view, 1004), "1024");
    gtk_entry_set_text(GTK_ENTRY(view->Control(1005)), "600");
    gtk_button_clicked(GTK_BUTTON(view->Control(1100)));
    ASSERT_EQ(runs.starts, 1);
    EXPECT_EQ(runs.at_start.active_width, 1024);
    EXPECT_EQ(runs.at_start.active_height, 600);
}

TEST_F(StartupDialogViewTest, LinksAboutAndLatestNews)
{
    options.display_app_latest_news = 1;
    auto view = Open();
    ASSERT_EQ(recorder.urls.size(), 1u);
    EXPECT_EQ(recorder.urls[0], WebLinkUrl(104));
    EXPECT_EQ(options.display_app_latest_news, 0);

    GtkWidget* link = view->Control(1138);
    EXPECT_FALSE(HyperlinkIsUnderlined(link));
    SendCrossing(link, GDK_ENTER_NOTIFY);
    EXPECT_TRUE(HyperlinkIsUnderlined(link));
    EXPECT_TRUE(Screenshot(view->Window(), "startup_dialog_link_hover"));
    SendCrossing(link, GDK_LEAVE_NOTIFY);
    EXPECT_FALSE(HyperlinkIsUnderlined(link));
    // The hand is on the link's own window, not on the whole dialog.
    EXPECT_NE(gdk_window_get_cursor(gtk_widget_get_window(link)), nullptr);
    EXPECT_EQ(gdk_window_get_cursor(gtk_widget_get_window(view->Window())), nullptr);
    Click(link);
    ASSERT_EQ(recorder.urls.size(), 2u);
    EXPECT_EQ(recorder.urls[1], WebLinkUrl(101));

    gtk_button_clicked(GTK_BUTTON(view->Control(1082)));
    EXPECT_EQ(runs.abouts, 1);
}

TEST_F(StartupDialogViewTest, QuitEscapeAndCloseBoxEndTheLoopWithTheSettingsApplied)
{
    const std::function<void(StartupDialogView&)> enders[] = {
        [](StartupDialogView& v) { gtk_button_clicked(GTK_BUTTON(v.Control(2))); },
        [](StartupDialogView& v) { SendKey(v.Window(), GDK_KEY_Escape); },
        [](StartupDialogView& v) { gtk_window_close(GTK_WINDOW(v.Window())); },
    };
    for (const auto& end : enders) {
        options.tessellation_mode = 2;
        options.log_temperature = 1;   // /log_temperature: no run clears it, so it is stored
        auto view = Open();
        gtk_combo_box_set_active(GTK_COMBO_BOX(view->Control(1127)), 0);
        RunWith(*view, [&] { end(*view); });
        EXPECT_TRUE(view->QuitRequested());
        EXPECT_EQ(options.tessellation_mode, 1) << "the controls are applied on the way out";
        EXPECT_EQ(options.log_temperature.get(), 1);
        EXPECT_EQ(runs.starts, 0);
    }
}

TEST_F(StartupDialogViewTest, QuitDuringARunStopsItBeforeApplyingTheSettings)
{
    auto view = Open();
    gtk_button_clicked(GTK_BUTTON(view->Control(1)));
    ASSERT_TRUE(runs.active);
    gtk_combo_box_set_active(GTK_COMBO_BOX(view->Control(1067)), 27);   // 640x480
    RunWith(*view, [&] { gtk_button_clicked(GTK_BUTTON(view->Control(2))); });
    EXPECT_EQ(runs.stops, 1);
    EXPECT_FALSE(runs.active);
    // While the render thread could still read them, the settings were those of the run.
    EXPECT_EQ(runs.options_at_stop.width, 1280);
    EXPECT_EQ(options.width, 640);
    EXPECT_EQ(options.height, 480);
}

}  // namespace
