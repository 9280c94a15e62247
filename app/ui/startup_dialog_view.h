// The startup dialog's GTK view: builds the window from its .ui file, shows the model's state,
// reads the controls back for the model, and runs the program's message loop.
#pragma once

#include "app/render_window.h"
#include "run/run_state.h"
#include "core/startup_options.h"
#include "app/ui/startup_dialog_model.h"

#include <gtk/gtk.h>

// The run side the dialog drives; the program passes the render window's functions, tests a
// recording fake.
class StartupRunControl {
public:
    virtual ~StartupRunControl() = default;
    virtual bool StartRun() = 0;
    virtual void StopRendering() = 0;
    virtual bool IsRunActive() = 0;
    // Serves the render window (keys, close requests) without blocking.
    virtual void PumpEvents() = 0;
    virtual void SetRunObserver(RunObserver* observer) = 0;
    virtual void ShowAbout() = 0;
};

class StartupDialogView : public RunObserver {
public:
    StartupDialogView(StartupOptions& options, FrameStats& stats, const DialogMachine& machine,
                      StartupRunControl& runs);
    ~StartupDialogView() override;
    StartupDialogView(const StartupDialogView&) = delete;
    StartupDialogView& operator=(const StartupDialogView&) = delete;

    // Builds the window and fills its controls. False when the dialog cannot be built.
    bool Build();
    // Shows the window and runs the main loop until Quit, the close box or Escape.
    void Run();

    GtkWidget* Window() const { return window_; }
    GtkWidget* Control(int id) const;
    const StartupDialogState& InitialState() const { return state_; }
    bool QuitRequested() const { return quit_; }

    // The controls' commands (the widgets' signals call these).
    void StartBenchmark();
    void StartDemo();
    void About();
    void Quit();
    void ResolutionChanged();
    void ScoresLinkClicked();

    // What the controls hold now, in the model's terms.
    StartupDialogControls ReadControls() const;

    void OnRunStarted() override;
    void OnRunEnded() override;

private:
    bool OpenGl4Available() const;
    void StartRunNow();
    void SetRunButtonsEnabled(bool enabled);
    void EnsurePumpSource();
    void Fill();

    StartupOptions& options_;
    FrameStats& stats_;
    DialogMachine machine_;
    StartupRunControl& runs_;
    GtkBuilder* builder_ = nullptr;
    GtkWidget* window_ = nullptr;
    GMainLoop* loop_ = nullptr;
    guint pump_source_ = 0;
    guint signal_sources_[2] = {0, 0};   // SIGTERM, SIGINT
    bool quit_ = false;
    StartupDialogState state_;
};
