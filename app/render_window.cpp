// The render window, the display-mode switch, the run's start and end on the main thread.
#include "app/render_window.h"
#include "run/collect_report.h"
#include "run/run_session.h"
#include "run/stability_report.h"
#include "results/stability.h"

#include "run/frame_timer.h"
#include "app/key_table.h"
#include "app/startup.h"
#include "core/gnu_options.h"
#include "core/log_file.h"
#include "core/message_box.h"
#include "core/process_mode.h"
#include "run/frame_loop.h"
#include "core/machine_records.h"
#include "run/run_state.h"
#include "core/startup_options.h"
#include "app/x11_window_class.h"
#include "gpuinfo/gl_probe.h"
#include "app/ui/gtk_ui.h"
#include "app/ui/result_dialog.h"
#include "app/ui/ui_resources.h"
#include "gfx/gl_context.h"

#include <SDL.h>
#include <gtk/gtk.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <optional>
#include <mutex>
#include <thread>

namespace {

constexpr const char* kWindowTitle = "Orvane";
constexpr const char* kWindowClass = "Orvane3DWindow";
// How often the plain loop looks for input while nothing wakes it.
constexpr int kPlainLoopPollMs = 50;

// User-event codes posted by the render thread.
enum : Sint32 { kEventTitle = 1, kEventClose = 2 };

RunObserver* g_observer = nullptr;
SDL_Window* g_window = nullptr;
bool g_fullscreen_window = false;
int g_display_mode_changed = 0;
std::atomic<int> g_scene_initialised{0};
Uint32 g_event_type = 0;
// Each run's events carry its serial, so a close request that arrives after its run has
// already been ended (Escape pressed as the benchmark finished) cannot end the next one.
uint32_t g_run_serial = 0;

std::thread g_render_thread;
FrameTimer g_frame_timer;
// The run the render thread works on (or last worked on): created with the thread, read by
// the end-of-run dispatch after the join.
std::unique_ptr<RunSession> g_run;

// The render thread's end, for the bounded wait before the unbounded one.
std::mutex g_done_mutex;
std::condition_variable g_done_cv;
bool g_thread_done = false;

// The render thread was left stuck in the driver: it is never joined, and nothing it may still
// use (the window, the context) is destroyed; the process ends once the run is reported.
bool g_render_thread_abandoned = false;
// The ending run's results are already out (written before the scene's teardown).
bool g_end_reported = false;
// How long the end of a run waits for a render thread inside one frame (without a hang limit)
// before it reports and ends without it: long enough for a software renderer's first frames
// (they compile every shader) on a machine whose cores are all taken, where single frames were
// seen to pass 10 s; short against a service manager's stop timeout (systemd waits 90 s).
constexpr uint32_t kStuckFrameEndMs = 30000;
// How long a run whose results are out waits for its scene's teardown: a driver that hangs in
// destroying its context (lavapipe's eglDestroyContext) must not hold the exit back.
constexpr uint32_t kStuckTeardownMs = 2000;

// The title the render thread wants, handed over without allocating: the render thread
// writes it under the lock and posts one event while no title event is pending.
std::mutex g_title_mutex;
char g_pending_title[128] = {};
bool g_title_pending = false;

// Wakes a headless plain loop, which has no window system to wait on.
std::mutex g_wake_mutex;
std::condition_variable g_wake_cv;
bool g_wake = false;

void Wake()
{
    {
        std::lock_guard<std::mutex> lock(g_wake_mutex);
        g_wake = true;
    }
    g_wake_cv.notify_one();
}

void PushRunEvent(Sint32 code, uint32_t serial)
{
    SDL_Event event;
    SDL_zero(event);
    event.type = g_event_type;
    event.user.code = code;
    event.user.data1 = reinterpret_cast<void*>(uintptr_t(serial));
    SDL_PushEvent(&event);
    Wake();
}

class WindowHost : public RenderThreadHost {
public:
    WindowHost(SDL_Window* window, uint32_t serial) : window_(window), serial_(serial) {}

    SDL_Window* Window() override { return window_; }

    void SetTitle(const char* title) override
    {
        bool post = false;
        {
            std::lock_guard<std::mutex> lock(g_title_mutex);
            std::snprintf(g_pending_title, sizeof g_pending_title, "%s", title);
            post = !g_title_pending;
            g_title_pending = true;
        }
        if (post)
            PushRunEvent(kEventTitle, serial_);
    }

    void PostCloseRequest() override { PushRunEvent(kEventClose, serial_); }

    void OnSceneInitialised() override { g_scene_initialised.store(1); }

    void Sleep(uint32_t ms) override
    {
        if (ms == 0)
            sched_yield();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }

private:
    SDL_Window* window_;
    uint32_t serial_;
};

void ClampActiveSize()
{
    StartupOptions& o = g_startup_options;
    const int32_t maxViewport = g_machine_facts.max_viewport_size;
    if (o.active_width < 1)
        o.active_width = 640;
    if (maxViewport > 0 && o.active_width > maxViewport)
        o.active_width = maxViewport;
    if (o.active_height < 1)
        o.active_height = 480;
    if (maxViewport > 0 && o.active_height > maxViewport)
        o.active_height = maxViewport;
}

void StoreClientSize(SDL_Window* window)
{
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    g_startup_options.client_width = w;
    g_startup_options.client_height = h;
}

// The program icon, the one the dialogs show, for the task bar and the window switcher.
// gdk-pixbuf decodes the embedded PNG to 8-bit RGB(A) in memory order, which is SDL's RGBA32
// (or RGB24) whatever the machine's endianness.
void SetProgramIcon(SDL_Window* window)
{
    GdkPixbuf* icon = LoadUiPixbuf(kProgramIcon);
    if (!icon)
        return;
    const bool alpha = gdk_pixbuf_get_has_alpha(icon);
    if (gdk_pixbuf_get_bits_per_sample(icon) == 8 &&
        gdk_pixbuf_get_n_channels(icon) == (alpha ? 4 : 3)) {
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
            gdk_pixbuf_get_pixels(icon), gdk_pixbuf_get_width(icon), gdk_pixbuf_get_height(icon),
            alpha ? 32 : 24, gdk_pixbuf_get_rowstride(icon),
            alpha ? SDL_PIXELFORMAT_RGBA32 : SDL_PIXELFORMAT_RGB24);
        if (surface) {
            SDL_SetWindowIcon(window, surface);  // SDL copies the pixels
            SDL_FreeSurface(surface);
        }
    }
    g_object_unref(icon);
}

// A centred window whose outer size (frame included) is the active size. The frame is known
// only once the window manager has decorated the mapped window; without a window manager
// (Xvfb, offscreen) there is none and the client area is the whole size.
bool CreateWindowedWindow()
{
    const int w = g_startup_options.active_width;
    const int h = g_startup_options.active_height;
    SDL_Window* window = SDL_CreateWindow(kWindowTitle, SDL_WINDOWPOS_CENTERED,
                                          SDL_WINDOWPOS_CENTERED, w, h,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        ProgramLog().Write("The render window could not be created: %s", SDL_GetError());
        return false;
    }
    SetX11WindowClass(window, kWindowClass);  // before mapping: window managers read it then
    SetProgramIcon(window);
    SDL_ShowWindow(window);
    SDL_PumpEvents();
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) == 0 &&
        (top + bottom > 0 || left + right > 0) && w > left + right && h > top + bottom) {
        SDL_SetWindowSize(window, w - left - right, h - top - bottom);
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(window), &desktop) == 0) {
            // SDL places the client area; centre the outer rectangle.
            SDL_SetWindowPosition(window, desktop.w / 2 - w / 2 + left, desktop.h / 2 - h / 2 + top);
        }
    }
    g_window = window;
    g_fullscreen_window = false;
    StoreClientSize(window);
    return true;
}

// Whether the display offers exactly this size (any format and refresh rate). SDL would
// otherwise quietly switch to the closest mode, which is not the mode asked for.
bool DisplayOffersMode(int display, int w, int h, SDL_DisplayMode* found)
{
    const int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display, i, &mode) == 0 && mode.w == w && mode.h == h) {
            *found = mode;
            return true;
        }
    }
    return false;
}

void RestoreDisplayMode()
{
    if (g_window && g_fullscreen_window)
        SDL_SetWindowFullscreen(g_window, 0);  // SDL puts the desktop mode back
    if (g_display_mode_changed) {
        SDL_ShowCursor(SDL_ENABLE);
        g_display_mode_changed = 0;
    }
}

void DestroyRenderWindow()
{
    RestoreDisplayMode();
    if (g_window) {
        SDL_DestroyWindow(g_window);
        g_window = nullptr;
        g_fullscreen_window = false;
    }
}

// A borderless window covering the display in a real display-mode change of the active
// size. SDL_SetWindowFullscreen can report success although no mode matched (Xvfb), so the
// switch is judged by the resulting display mode and window size.
bool CreateFullscreenWindow()
{
    const int w = g_startup_options.active_width;
    const int h = g_startup_options.active_height;
    const int display = 0;
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(display, &desktop) != 0) {
        ProgramLog().Write("The display mode could not be read: %s", SDL_GetError());
        return false;
    }
    SDL_DisplayMode wanted;
    if (!DisplayOffersMode(display, w, h, &wanted)) {
        ProgramLog().Write("The display offers no %dx%d mode.", w, h);
        return false;
    }
    SDL_Window* window = SDL_CreateWindow(kWindowTitle, 0, 0, w, h,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN |
                                              SDL_WINDOW_BORDERLESS);
    if (!window) {
        ProgramLog().Write("The render window could not be created: %s", SDL_GetError());
        return false;
    }
    SetX11WindowClass(window, kWindowClass);
    SetProgramIcon(window);
    g_window = window;
    g_fullscreen_window = true;
    SDL_SetWindowDisplayMode(window, &wanted);
    // From here on the mode may have changed, so every failure restores it.
    g_display_mode_changed = 1;
    SDL_ShowCursor(SDL_DISABLE);
    SDL_ClearError();
    const int rc = SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
    SDL_ShowWindow(window);
    SDL_PumpEvents();
    SDL_DisplayMode now;
    int ww = 0, wh = 0;
    SDL_GetWindowSize(window, &ww, &wh);
    // Wayland clients cannot change the display's mode: SDL emulates a smaller one by having
    // the compositor scale the full-screen surface, and the display keeps its own mode. The
    // window being full screen at the asked size is the success there.
    const char* videoDriver = SDL_GetCurrentVideoDriver();
    const bool emulated = videoDriver && std::strcmp(videoDriver, "wayland") == 0 &&
                          (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
    const bool modeOk = SDL_GetCurrentDisplayMode(display, &now) == 0 &&
                        ((now.w == w && now.h == h) || emulated);
    if (rc != 0 || !modeOk || ww != w || wh != h) {
        const char* error = SDL_GetError();
        ProgramLog().Write("The switch to %dx%d full screen was refused (%s).", w, h,
                           error && *error ? error : "the display kept its mode");
        return false;
    }
    if (emulated && (now.w != w || now.h != h))
        ProgramLog().Write("Full screen at %dx%d: the compositor scales it to the display's %dx%d "
                           "(Wayland has no display-mode change).", w, h, now.w, now.h);
    SDL_RaiseWindow(window);
    StoreClientSize(window);
    return true;
}

void RenderThreadEntry(SDL_Window* window, uint32_t serial, RunSession* run)
{
    WindowHost host(window, serial);
    RenderThreadMain(host, g_frame_timer, *run);
    {
        std::lock_guard<std::mutex> lock(g_done_mutex);
        g_thread_done = true;
    }
    g_done_cv.notify_all();
}

// Main thread: gives up on a render thread that has been inside one frame for longer than the
// stability test's hang limit, or (ending: the run is being ended) inside a frame for longer
// than kStuckFrameEndMs or in its teardown for longer than kStuckTeardownMs. True once it has
// been given up on.
bool WatchRenderThread(bool ending)
{
    if (g_render_thread_abandoned || !g_render_thread.joinable())
        return g_render_thread_abandoned;
    if (!g_run)
        return false;
    // The run's own snapshot of the settings: the options record may have changed since.
    const bool stability = g_run->Settings().Stability();
    const uint32_t hang = stability ? g_run->Settings().automation.hang_limit_ms : 0;
    const uint32_t frameLimit =
        ending ? (hang > 0 ? std::min<uint32_t>(hang, kStuckFrameEndMs) : kStuckFrameEndMs) : hang;
    const uint32_t teardownLimit = ending ? kStuckTeardownMs : hang;
    const StuckWork stuck = TakeOverStuckRun(*g_run, frameLimit, teardownLimit, hang);
    if (stuck == StuckWork::None)
        return false;
    g_render_thread_abandoned = true;
    if (stuck == StuckWork::Teardown) {
        ProgramLog().Write("The render thread's teardown did not end within %u ms; the process ends without it.",
                           teardownLimit);
    } else {
        ProgramLog().Write("The render thread did not come back from the driver within %u ms; the run ends "
                           "without it.", frameLimit);
        // A benchmark stuck while being ended is a stopped benchmark; a stability test's own
        // report decides its outcome.
        if (!stability)
            SetRunOutcome(RunOutcome::Stopped);
    }
    return true;
}

// False when the render thread was given up on instead (see WatchRenderThread).
bool JoinRenderThread()
{
    if (!g_render_thread.joinable())
        return true;
    if (g_render_thread_abandoned)
        return false;
    const auto start = std::chrono::steady_clock::now();
    bool logged = false;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(g_done_mutex);
            if (g_done_cv.wait_for(lock, std::chrono::milliseconds(kPlainLoopPollMs), [] { return g_thread_done; }))
                break;
        }
        if (WatchRenderThread(true))
            return false;
        if (!logged && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(kRenderThreadJoinLogMs)) {
            // Destroying the window under a thread that still renders into it would crash in
            // the driver; waiting is the only safe choice while it is not stuck in one place.
            ProgramLog().Write("The render thread did not end within %u ms; waiting for it.",
                               kRenderThreadJoinLogMs);
            logged = true;
        }
    }
    g_render_thread.join();
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    if (waited.count() > kRenderThreadJoinLogMs)
        ProgramLog().Write("The render thread ended after %lld ms.",
                           static_cast<long long>(waited.count()));
    return true;
}

bool IsOurWindow(Uint32 windowID) { return g_window && SDL_GetWindowID(g_window) == windowID; }

bool GtkIsUp() { return !IsHeadless() && IsGtkUiReady(); }

enum MenuCommand { kMenuNone = 0, kMenuAbout = 104, kMenuExit = 105 };

// File/Exit and Help/About... as a popup menu where the window was clicked: SDL windows have
// no menu bar. GTK places it on the render window seen through GDK, as it has no GTK event to
// take the pointer from. The menu runs its own nested loop (as a modal dialog does), so it
// works both inside the startup dialog's GTK loop and from the plain SDL loop.
void ShowPopupMenu(int x, int y)
{
    GdkWindow* parent = GdkWindowOfSdlWindow(g_window);
    if (!parent)
        return;  // not on X11: no menu to offer
    static int command;
    command = kMenuNone;
    GtkWidget* menu = gtk_menu_new();
    auto addSubmenu = [menu](const char* label, const char* itemLabel, int code) {
        GtkWidget* top = gtk_menu_item_new_with_mnemonic(label);
        GtkWidget* sub = gtk_menu_new();
        GtkWidget* item = gtk_menu_item_new_with_mnemonic(itemLabel);
        g_signal_connect(item, "activate",
                         G_CALLBACK(+[](GtkMenuItem*, gpointer data) {
                             command = int(reinterpret_cast<intptr_t>(data));
                         }),
                         reinterpret_cast<gpointer>(intptr_t(code)));
        gtk_menu_shell_append(GTK_MENU_SHELL(sub), item);
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), sub);
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), top);
    };
    addSubmenu("_File", "E_xit", kMenuExit);
    addSubmenu("_Help", "_About ...", kMenuAbout);
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_signal_connect_swapped(menu, "deactivate", G_CALLBACK(g_main_loop_quit), loop);
    gtk_widget_show_all(menu);
    // The click as GTK would have seen it: the menu takes its pointer and keyboard grab from
    // the trigger's device.
    GdkEvent* trigger = gdk_event_new(GDK_BUTTON_PRESS);
    trigger->button.window = parent;  // the event owns this reference now
    trigger->button.time = GDK_CURRENT_TIME;
    trigger->button.button = 3;
    trigger->button.x = x;
    trigger->button.y = y;
    gdk_event_set_device(
        trigger, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_window_get_display(parent))));
    const GdkRectangle at{x, y, 1, 1};
    gtk_menu_popup_at_rect(GTK_MENU(menu), parent, &at, GDK_GRAVITY_NORTH_WEST,
                           GDK_GRAVITY_NORTH_WEST, trigger);
    if (gtk_widget_get_visible(menu))
        g_main_loop_run(loop);
    g_main_loop_unref(loop);
    gtk_widget_destroy(menu);
    gdk_event_free(trigger);

    if (command == kMenuExit)
        EndRun();
    else if (command == kMenuAbout)
        ShowAboutDialog();
}

void HandleEvent(const SDL_Event& event)
{
    if (g_event_type != 0 && event.type == g_event_type) {
        const uint32_t serial = uint32_t(reinterpret_cast<uintptr_t>(event.user.data1));
        if (serial != g_run_serial || !g_window)
            return;  // from a run that has already ended
        if (event.user.code == kEventTitle) {
            char title[128];
            {
                std::lock_guard<std::mutex> lock(g_title_mutex);
                std::memcpy(title, g_pending_title, sizeof title);
                g_title_pending = false;
            }
            SDL_SetWindowTitle(g_window, title);
        } else if (event.user.code == kEventClose) {
            EndRun();
        }
        return;
    }
    switch (event.type) {
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE && IsOurWindow(event.window.windowID))
            EndRun();
        break;
    case SDL_KEYDOWN: {
        // SDL stamps a key with the window it believes has the keyboard focus; a full-screen
        // window without a window manager may never be told it has it, so a key of no window
        // during a run is ours too (the run's window is the only SDL window then).
        if (!g_window || (event.key.windowID != 0 && !IsOurWindow(event.key.windowID)))
            break;
        const RenderKeyAction action =
            KeyActionFor(event.key.keysym.sym, g_startup_options.active_run_mode);
        if (action == RenderKeyAction::EndRun)
            EndRun();
        else if (!event.key.repeat)  // a held key toggles once
            ApplyKeyAction(action);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_RIGHT && IsOurWindow(event.button.windowID) &&
            g_startup_options.display_menu_bar && !g_fullscreen_window && GtkIsUp())
            ShowPopupMenu(event.button.x, event.button.y);
        break;
    case SDL_QUIT:
        // SIGINT/SIGTERM (SDL turns them into SDL_QUIT) end a run like its close box. The
        // SDL_QUIT that follows closing the last window finds no run.
        if (IsRunActive())
            EndRun();
        break;
    default:
        break;
    }
}

bool g_in_end_run = false;

}  // namespace

void SetRunObserver(RunObserver* observer) { g_observer = observer; }

SDL_Window* RenderWindowHandle() { return g_window; }
bool DisplayModeChanged() { return g_display_mode_changed != 0; }
bool IsRunActive() { return g_window != nullptr || g_render_thread.joinable(); }

const RunSession* LastRun() { return g_run.get(); }

bool StartRun()
{
    if (IsRunActive())
        return false;
    if (g_event_type == 0) {
        g_event_type = SDL_RegisterEvents(1);
        if (g_event_type == Uint32(-1)) {
            g_event_type = 0;
            ProgramLog().Write("No SDL user event is left for the render window.");
            SetRunOutcome(RunOutcome::Failed);
            return false;
        }
    }
    ClampActiveSize();
    g_frame_stats.quit_requested.store(0);
    // A run that fails before its end must not show the previous run's result.
    g_frame_stats.run_finished.store(0);
    {
        std::lock_guard<std::mutex> lock(g_title_mutex);
        g_title_pending = false;
    }

    // GLX requests the X server refuses come back as X errors, which Xlib's default handler
    // answers by ending the process: here they fail the step that caused them.
    // Let go before the render thread starts: its context creation takes a trap of its own.
    std::optional<Ridudedozu::XErrorTrap> xErrors(std::in_place);
    // The visual is fixed when the window is made, so the multisample level is chosen now.
    // A refused probe only costs the multisampling.
    PrepareWindowPixelFormat(g_startup_options.aa_mode);
    if (const std::string x = xErrors->Check(nullptr); !x.empty())
        ProgramLog().Write("OpenGL - the multisample probe failed: %s", x.c_str());

    // A headless run has no display mode to change: it renders offscreen at the active size.
    if (g_startup_options.active_fullscreen && !IsHeadless()) {
        if (!CreateFullscreenWindow()) {
            DestroyRenderWindow();
            SetRunOutcome(RunOutcome::Failed);
            ShowErrorBox("%s", kFullscreenRefusedText);
            return false;
        }
    } else {
        g_display_mode_changed = 0;
        if (!CreateWindowedWindow()) {
            SetRunOutcome(RunOutcome::Failed);
            return false;
        }
    }
    if (const std::string x = xErrors->Check(g_window); !x.empty()) {
        ProgramLog().Write("The render window could not be created: %s", x.c_str());
        xErrors.reset();
        DestroyRenderWindow();
        SetRunOutcome(RunOutcome::Failed);
        return false;
    }
    xErrors.reset();

    ++g_run_serial;
    {
        std::lock_guard<std::mutex> lock(g_done_mutex);
        g_thread_done = false;
    }
    // The run takes its settings now: what the main thread changes from here on (the options
    // file, the dialog) does not reach it.
    g_run = std::make_unique<RunSession>();
    g_render_thread = std::thread(RenderThreadEntry, g_window, g_run_serial, g_run.get());
    if (g_observer)
        g_observer->OnRunStarted();
    // Give the thread a moment to set its first title before the caller goes on.
    SDL_Delay(100);
    return true;
}

namespace {

// The results of the run that just ended, once: a finished benchmark's files, dialog and score
// lines; a stability test's report however it ended.
void ReportEndedRun()
{
    if (g_startup_options.active_run_mode == kRunModeBenchmark && g_frame_stats.run_finished.load()) {
        // The files first: a reader of standard output that stops early must not cost them,
        // nor must a user who leaves the result dialog open. Scripts read the score from the
        // last line on standard output, so that line comes after everything the run printed.
        const RunReport report = CollectRunReport(*g_run);
        const bool written = WriteRunOutputs(*g_run, report);
        if (g_startup_options.display_score) {
            ShowResultDialog(*g_run, report);
            g_frame_stats.run_finished.store(0);
        }
        PrintScoreLines(report);
        if (!written)
            SetRunOutcome(RunOutcome::Failed);
    } else if (g_startup_options.active_run_mode == kRunModeStability && g_startup_options.active_stability_report &&
               GetRunOutcome() != RunOutcome::Failed) {
        // A stability test is worth its results however it ended: by its duration, a limit,
        // Escape, the close box, a signal or a GPU that never came back.
        SetRunOutcome(ReportStabilityRun(*g_run));
    } else if (g_startup_options.active_run_mode == kRunModeStability && g_render_thread_abandoned &&
               g_run->Recorder().Stability().Verdict(false) == StabilityVerdict::Fail) {
        SetRunOutcome(RunOutcome::StabilityFailed);
    }
}

// The render thread is stuck in the driver and holds the window and the context: nothing can
// be torn down safely, so the run is reported and the process ends here with the run's status.
[[noreturn]] void LeaveStuckRun()
{
    if (!g_end_reported)
        ReportEndedRun();
    const int status = ExitStatusOfRun();
    ProgramLog().Write("Gridfall ends with its render thread stuck in the driver (exit status %d).", status);
    std::fflush(nullptr);
    _exit(status);
}

}  // namespace

void StopRendering()
{
    const bool wasActive = IsRunActive();
    g_frame_stats.quit_requested.store(1);
    if (!JoinRenderThread())
        LeaveStuckRun();
    DestroyRenderWindow();
    // Events of the ended run are stale now; the serial check would drop them anyway.
    if (g_event_type != 0)
        SDL_FlushEvent(g_event_type);
    if (wasActive && g_observer)
        g_observer->OnRunEnded();
}

void EndRun()
{
    // The result dialog runs a nested loop that may deliver another end request (Escape and
    // the benchmark's own close request together); one end is enough.
    if (g_in_end_run)
        return;
    g_in_end_run = true;
    // A run that finished by itself published everything before tearing its scene down: its
    // results go out first, so a teardown stuck in the driver costs none of them.
    g_end_reported = g_frame_stats.run_finished.load() != 0 && !g_render_thread_abandoned;
    if (g_end_reported)
        ReportEndedRun();
    StopRendering();
    if (!g_end_reported)
        ReportEndedRun();
    g_end_reported = false;
    g_in_end_run = false;
}

void PumpRenderWindowEvents()
{
    if (WatchRenderThread(false))
        EndRun();
    SDL_Event event;
    while (SDL_PollEvent(&event))
        HandleEvent(event);
}

void RunPlainMessageLoop()
{
    // The loop sleeps on its own condition variable, woken by the render thread's events, and
    // looks at SDL and GTK every 50 ms for input. Not SDL_WaitEventTimeout: under X11 the
    // render thread's buffer swaps go over the same display connection, whose socket then
    // reads as ready again and again, and the wait spins (a quarter of a core measured at
    // 300 frames a second); the offscreen driver has nothing to wait on and polls every
    // millisecond. Message boxes that the render thread hands to GTK are served each pass,
    // and once more after the run, so a failed scene's message is shown.
    while (IsRunActive()) {
        {
            std::unique_lock<std::mutex> lock(g_wake_mutex);
            g_wake_cv.wait_for(lock, std::chrono::milliseconds(kPlainLoopPollMs),
                               [] { return g_wake; });
            g_wake = false;
        }
        if (WatchRenderThread(false))
            EndRun();
        SDL_Event event;
        while (IsRunActive() && SDL_PollEvent(&event))
            HandleEvent(event);
        ServeGtkUi();
    }
    ServeGtkUi();
}
