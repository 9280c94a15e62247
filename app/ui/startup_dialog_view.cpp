// The startup dialog's GTK view (see the header).
#include "app/ui/startup_dialog_view.h"

#include "core/message_box.h"
#include "app/ui/gtk_ui.h"
#include "app/ui/hyperlink.h"
#include "app/ui/ui_resources.h"
#include "app/ui/web_link.h"

#include <glib-unix.h>
#include <signal.h>

#include <cctype>
#include <string>

namespace {

// How often the render window is served while a run is active; short enough that keys and
// the end of a run feel immediate, long enough to cost nothing.
constexpr guint kPumpIntervalMs = 10;

std::string ComboText(GtkWidget* combo)
{
    if (!combo)
        return {};
    gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo));
    std::string out = text ? text : "";
    g_free(text);
    return out;
}

std::string EntryText(GtkWidget* entry)
{
    return entry ? gtk_entry_get_text(GTK_ENTRY(entry)) : "";
}

void FillCombo(GtkWidget* combo, auto const& items, int selected)
{
    if (!combo)
        return;
    gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(combo));
    for (const auto& item : items)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), item);
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), selected);
}

// Number-only edits: typed or pasted text with anything but digits is refused.
void OnDigitsOnlyInsert(GtkEditable* editable, const gchar* text, gint length, gint*, gpointer)
{
    for (gint i = 0; i < length; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            g_signal_stop_emission_by_name(editable, "insert-text");
            gtk_widget_error_bell(GTK_WIDGET(editable));
            return;
        }
    }
}

template <auto Method>
void Connect(GtkWidget* widget, const char* signal, StartupDialogView* view)
{
    if (!widget)
        return;
    g_signal_connect_swapped(widget, signal,
                             G_CALLBACK(+[](StartupDialogView* v) { (v->*Method)(); }), view);
}

}  // namespace

StartupDialogView::StartupDialogView(StartupOptions& options, FrameStats& stats,
                                     const DialogMachine& machine, StartupRunControl& runs)
    : options_(options), stats_(stats), machine_(machine), runs_(runs)
{
}

StartupDialogView::~StartupDialogView()
{
    runs_.SetRunObserver(nullptr);
    for (guint source : signal_sources_)
        if (source)
            g_source_remove(source);
    if (pump_source_)
        g_source_remove(pump_source_);
    if (window_)
        gtk_widget_destroy(window_);
    if (builder_)
        g_object_unref(builder_);
    if (loop_)
        g_main_loop_unref(loop_);
}

GtkWidget* StartupDialogView::Control(int id) const
{
    return builder_ ? FindControl(builder_, id) : nullptr;
}

bool StartupDialogView::Build()
{
    builder_ = LoadUiBuilder("startup_dialog.ui");
    if (!builder_)
        return false;
    window_ = GTK_WIDGET(gtk_builder_get_object(builder_, "startup_dialog"));
    if (!window_)
        return false;
    // A toplevel is kept alive by GTK itself; the view destroys it.
    loop_ = g_main_loop_new(nullptr, FALSE);

    InstallProgramIcon();
    SetImageFromResource(GTK_WIDGET(gtk_builder_get_object(builder_, "banner")), kBannerImage);
    Fill();

    using V = StartupDialogView;
    Connect<&V::StartBenchmark>(Control(startup_ids::kStartBenchmark), "clicked", this);
    Connect<&V::StartDemo>(Control(startup_ids::kDemoMode), "clicked", this);
    Connect<&V::About>(Control(startup_ids::kAbout), "clicked", this);
    Connect<&V::Quit>(Control(startup_ids::kQuit), "clicked", this);
    Connect<&V::ResolutionChanged>(Control(startup_ids::kResolution), "changed", this);
    for (int id : {startup_ids::kCustomWidth, startup_ids::kCustomHeight, startup_ids::kDuration})
        if (GtkWidget* edit = Control(id))
            g_signal_connect(edit, "insert-text", G_CALLBACK(OnDigitsOnlyInsert), nullptr);
    g_signal_connect(window_, "delete-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEvent*, StartupDialogView* v) -> gboolean {
                         v->Quit();
                         return TRUE;   // the view destroys the window itself
                     }),
                     this);
    g_signal_connect(window_, "key-press-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventKey* e, StartupDialogView* v) -> gboolean {
                         if (e->keyval != GDK_KEY_Escape)
                             return FALSE;
                         v->Quit();
                         return TRUE;
                     }),
                     this);
    MakeHyperlink(Control(startup_ids::kScoresLink), [this] { ScoresLinkClicked(); });

    if (GtkWidget* demo = Control(startup_ids::kDemoMode)) {
        gtk_widget_set_can_default(demo, TRUE);
        gtk_window_set_default(GTK_WINDOW(window_), demo);
    }
    // SIGTERM and SIGINT (a session ending, a service manager, Ctrl+C in the terminal) quit
    // as the Quit button does: a run stops and the settings are saved. GLib takes the
    // signals from SDL's handler while the dialog is up; dialogs and message boxes that are
    // open would otherwise wait for a click.
    int slot = 0;
    for (int signalNumber : {SIGTERM, SIGINT})
        signal_sources_[slot++] = g_unix_signal_add(
            signalNumber,
            [](gpointer data) -> gboolean {
                CloseModalDialogs();
                static_cast<StartupDialogView*>(data)->Quit();
                return G_SOURCE_CONTINUE;
            },
            this);
    runs_.SetRunObserver(this);
    return true;
}

void StartupDialogView::Fill()
{
    for (const LabelRow& row : BuildLabelTable())
        SetControlText(Control(row.control_id), row.text.c_str());

    state_ = InitStartupDialog(options_, machine_);
    gtk_window_set_title(GTK_WINDOW(window_), state_.title.c_str());
    SetControlText(Control(startup_ids::kRendererLine), state_.renderer_line.c_str());

    FillCombo(Control(startup_ids::kMapSet), kMapSetItems, state_.map_set_item);
    FillCombo(Control(startup_ids::kTessellation), kTessellationItems, state_.tessellation_item);
    FillCombo(Control(startup_ids::kPostFx), kPostFxItems, state_.post_fx_item);
    if (GtkWidget* box = Control(startup_ids::kFullscreen)) {
        // The box sits right of its text.
        gtk_widget_set_direction(box, GTK_TEXT_DIR_RTL);
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), state_.fullscreen);
    }
    FillCombo(Control(startup_ids::kResolution), kResolutionItems, state_.resolution_item);
    for (int id : {startup_ids::kCustomWidth, startup_ids::kCustomHeight, startup_ids::kCustomSign})
        if (GtkWidget* w = Control(id))
            gtk_widget_set_sensitive(w, state_.custom_size_enabled);
    if (state_.custom_size_enabled) {
        SetControlText(Control(startup_ids::kCustomWidth), state_.custom_width.c_str());
        SetControlText(Control(startup_ids::kCustomHeight), state_.custom_height.c_str());
    }
    std::vector<const char*> aaTexts;
    for (const AaEntry& entry : state_.aa_entries)
        aaTexts.push_back(entry.text.c_str());
    FillCombo(Control(startup_ids::kAntiAliasing), aaTexts, state_.aa_item);
    SetControlText(Control(startup_ids::kDuration), state_.duration.c_str());

    if (state_.open_latest_news)
        OpenWebPage(kLatestNewsPage);
}

void StartupDialogView::Run()
{
    if (!window_)
        return;
    gtk_widget_show(window_);
    if (!quit_)
        g_main_loop_run(loop_);
    gtk_widget_hide(window_);
}

StartupDialogControls StartupDialogView::ReadControls() const
{
    StartupDialogControls c;
    if (GtkWidget* box = Control(startup_ids::kFullscreen))
        c.fullscreen = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box));
    if (GtkWidget* postFx = Control(startup_ids::kPostFx))
        c.post_fx_item = gtk_combo_box_get_active(GTK_COMBO_BOX(postFx));
    c.map_set_text = ComboText(Control(startup_ids::kMapSet));
    c.tessellation_text = ComboText(Control(startup_ids::kTessellation));
    c.resolution_text = ComboText(Control(startup_ids::kResolution));
    c.custom_width = EntryText(Control(startup_ids::kCustomWidth));
    c.custom_height = EntryText(Control(startup_ids::kCustomHeight));
    c.aa_text = ComboText(Control(startup_ids::kAntiAliasing));
    c.duration = EntryText(Control(startup_ids::kDuration));
    return c;
}

bool StartupDialogView::OpenGl4Available() const
{
    if (machine_.gl_major >= 4)
        return true;
    ShowErrorBox("%s", kOpenGl4ErrorText);
    return false;
}

void StartupDialogView::StartRunNow()
{
    if (runs_.StartRun())
        EnsurePumpSource();
    // A refused run has told the user already; the dialog simply stays idle.
}

void StartupDialogView::StartBenchmark()
{
    if (runs_.IsRunActive() || !OpenGl4Available())
        return;
    ApplyDialogSettings(ReadControls(), options_, stats_);
    PrepareBenchmarkRun(options_);
    StartRunNow();
}

void StartupDialogView::StartDemo()
{
    if (runs_.IsRunActive() || !OpenGl4Available())
        return;
    ApplyDialogSettings(ReadControls(), options_, stats_);
    PrepareDemoRun(options_);
    StartRunNow();
}

void StartupDialogView::About()
{
    runs_.ShowAbout();
}

void StartupDialogView::Quit()
{
    if (quit_)
        return;
    quit_ = true;
    // The render thread reads the settings while it runs: stop it before the controls are
    // copied into them.
    if (runs_.IsRunActive())
        runs_.StopRendering();
    // Copying the controls clears /log_temperature, as every run start does; quitting starts
    // no run, so the switch's setting is what gets stored.
    const uint8_t logTemperature = options_.log_temperature;
    ApplyDialogSettings(ReadControls(), options_, stats_);
    options_.log_temperature = logTemperature;
    if (loop_ && g_main_loop_is_running(loop_))
        g_main_loop_quit(loop_);
}

void StartupDialogView::ResolutionChanged()
{
    const bool custom = ResolutionItemIsCustom(ComboText(Control(startup_ids::kResolution)));
    for (int id : {startup_ids::kCustomWidth, startup_ids::kCustomHeight, startup_ids::kCustomSign})
        if (GtkWidget* w = Control(id))
            gtk_widget_set_sensitive(w, custom);
}

void StartupDialogView::ScoresLinkClicked()
{
    OpenWebPage(kScoresComparisonPage);
}

void StartupDialogView::SetRunButtonsEnabled(bool enabled)
{
    for (int id : {startup_ids::kDemoMode, startup_ids::kStartBenchmark})
        if (GtkWidget* w = Control(id))
            gtk_widget_set_sensitive(w, enabled);
}

void StartupDialogView::OnRunStarted()
{
    SetRunButtonsEnabled(false);
    EnsurePumpSource();
}

void StartupDialogView::OnRunEnded()
{
    SetRunButtonsEnabled(true);
}

void StartupDialogView::EnsurePumpSource()
{
    if (pump_source_)
        return;
    pump_source_ = g_timeout_add(
        kPumpIntervalMs,
        [](gpointer data) -> gboolean {
            auto* view = static_cast<StartupDialogView*>(data);
            view->runs_.PumpEvents();
            if (view->runs_.IsRunActive())
                return G_SOURCE_CONTINUE;
            view->pump_source_ = 0;
            return G_SOURCE_REMOVE;
        },
        this);
}
