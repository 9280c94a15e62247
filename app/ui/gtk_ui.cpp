// GTK start-up and the GTK message-box sink.
#include "app/ui/gtk_ui.h"

#include "core/log_file.h"
#include "core/message_box.h"
#include "core/process_mode.h"

#include <SDL.h>
#include <fcntl.h>
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <clocale>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

bool g_ready = false;
std::thread::id g_gtk_thread;
// Dialogs being run, innermost last (main thread only), and whether a quit closed them.
std::vector<GtkWidget*> g_modal_dialogs;
bool g_modal_closed = false;

// Message-box texts break lines with "\n\r"; a GTK label would show the carriage returns.
std::string WithoutCarriageReturns(const char* text)
{
    std::string out;
    for (const char* p = text; p && *p; ++p)
        if (*p != '\r')
            out += *p;
    return out;
}

// Write end of the pipe that wakes the box now on screen when SIGTERM or SIGINT arrives.
std::atomic<int> g_box_signal_fd{-1};

void OnSignalDuringBox(int signal)
{
    const int fd = g_box_signal_fd.load();
    const unsigned char byte = static_cast<unsigned char>(signal);
    if (fd >= 0)
        [[maybe_unused]] ssize_t n = ::write(fd, &byte, 1);
}

struct BoxSignalWatch {
    GtkWidget* dialog;
    int signal = 0;
};

// Shows the dialog until the user closes it or SIGTERM/SIGINT arrives. SDL's own handlers only
// queue a quit event, which nobody reads while the dialog's loop runs, so for the dialog's
// lifetime the signals close it instead. Returns the signal that closed it, or 0.
int RunMessageDialog(MessageKind kind, const std::string& caption, const std::string& text)
{
    GtkWidget* dialog = gtk_message_dialog_new(
        nullptr, GTK_DIALOG_MODAL, kind == MessageKind::Error ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO,
        GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);

    BoxSignalWatch watch{dialog};
    int fds[2] = {-1, -1};
    guint source = 0;
    struct sigaction oldTerm {}, oldInt {};
    const int outerFd = g_box_signal_fd.load();
    const bool watching = ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0;
    if (watching) {
        source = g_unix_fd_add(fds[0], G_IO_IN, +[](gint fd, GIOCondition, gpointer data) -> gboolean {
            auto* w = static_cast<BoxSignalWatch*>(data);
            unsigned char byte = 0;
            if (::read(fd, &byte, 1) == 1 && w->signal == 0) {
                w->signal = byte;
                gtk_dialog_response(GTK_DIALOG(w->dialog), GTK_RESPONSE_DELETE_EVENT);
            }
            return G_SOURCE_CONTINUE;
        }, &watch);
        g_box_signal_fd.store(fds[1]);
        struct sigaction act {};
        act.sa_handler = OnSignalDuringBox;
        sigemptyset(&act.sa_mask);
        act.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &act, &oldTerm);
        sigaction(SIGINT, &act, &oldInt);
    }
    // A signal that came before our handlers went to SDL's, which only notes it and queues a
    // quit at its next event pump: a quit that this pump brings ends the box before it is
    // shown (and stays queued for the program's own loop). A quit already queued before, left
    // by a closed window, is not a signal and the box is shown.
    bool quitPending = false;
    if (SDL_WasInit(SDL_INIT_EVENTS) && SDL_HasEvent(SDL_QUIT) != SDL_TRUE) {
        SDL_PumpEvents();
        quitPending = SDL_HasEvent(SDL_QUIT) == SDL_TRUE;
    }
    // Through RunModalDialog, so a quit of the whole program (CloseModalDialogs) answers this
    // box as well; it destroys the dialog.
    if (!quitPending)
        RunModalDialog(dialog);
    else
        gtk_widget_destroy(dialog);
    if (watching) {
        // Handlers first, so no signal is written into a pipe about to be closed.
        sigaction(SIGTERM, &oldTerm, nullptr);
        sigaction(SIGINT, &oldInt, nullptr);
        g_box_signal_fd.store(outerFd);
        g_source_remove(source);
        ::close(fds[0]);
        ::close(fds[1]);
    }
    if (watch.signal != 0)
        ProgramLog().Write("Message box closed by %s.", watch.signal == SIGTERM ? "SIGTERM" : "SIGINT");
    else if (quitPending)
        ProgramLog().Write("Message box closed by a quit request.");
    return watch.signal;
}

// Hands a signal that closed a box on to whoever handled it before (SDL's quit request, or
// the default action that ends the process), so it does what it would have done without
// the box.
void PassOnSignal(int signal)
{
    if (signal != 0)
        ::raise(signal);
}

struct PendingBox {
    MessageKind kind;
    std::string caption;
    std::string text;
};

class GtkMessageBoxSink : public MessageBoxSink {
public:
    void Show(MessageKind kind, const char* caption, const char* text) override
    {
        std::string body = WithoutCarriageReturns(text);
        if (std::this_thread::get_id() == g_gtk_thread) {
            // Passed on in Finish, after the box's text is logged.
            pendingSignal_ = RunMessageDialog(kind, caption ? caption : "", body);
            return;
        }
        // GTK belongs to the main thread. The render thread must not wait for the user: the
        // main thread may itself be waiting for the render thread to end. The box is shown
        // by the main thread's loop as soon as it runs.
        auto* box = new PendingBox{kind, caption ? caption : "", std::move(body)};
        // An idle source, not g_main_context_invoke: invoke would run the box right here on
        // this thread whenever the main thread happens not to hold the context.
        g_idle_add_full(
            G_PRIORITY_DEFAULT,
            [](gpointer data) -> gboolean {
                auto* b = static_cast<PendingBox*>(data);
                PassOnSignal(RunMessageDialog(b->kind, b->caption, b->text));
                return G_SOURCE_REMOVE;
            },
            box, [](gpointer data) { delete static_cast<PendingBox*>(data); });
    }
    bool WaitsForUser() const override { return std::this_thread::get_id() == g_gtk_thread; }
    void Finish() override
    {
        if (std::this_thread::get_id() != g_gtk_thread)
            return;
        const int signal = pendingSignal_;
        pendingSignal_ = 0;
        PassOnSignal(signal);
    }

private:
    int pendingSignal_ = 0;
};

GtkMessageBoxSink g_sink;

}  // namespace

void RunModalDialog(GtkWidget* dialog)
{
    if (!dialog)
        return;
    if (!g_modal_closed) {
        g_modal_dialogs.push_back(dialog);
        gtk_dialog_run(GTK_DIALOG(dialog));
        g_modal_dialogs.erase(std::find(g_modal_dialogs.begin(), g_modal_dialogs.end(), dialog));
    }
    gtk_widget_destroy(dialog);
}

void CloseModalDialogs()
{
    g_modal_closed = true;
    for (GtkWidget* dialog : g_modal_dialogs)
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_DELETE_EVENT);
}

bool InitGtkUi(int* argc, char*** argv)
{
    if (g_ready)
        return true;
    if (IsHeadless())
        return false;
    const bool started = gtk_init_check(argc, argv);
    // GTK takes the whole locale from the environment, even when it cannot start. Texts may
    // follow it; numbers must not: "0,81" on the score lines, in the log and on the plot
    // would break every script that reads them.
    std::setlocale(LC_NUMERIC, "C");
    if (!started)
        return false;
    // The window class the desktop entry's StartupWMClass names, whatever name started us.
    gdk_set_program_class("Gridfall");
    g_gtk_thread = std::this_thread::get_id();
    g_ready = true;
    SetMessageBoxSink(&g_sink);
    return true;
}

bool IsGtkUiReady()
{
    return g_ready;
}

void ServeGtkUi()
{
    if (!g_ready)
        return;
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

void ShutdownGtkUi()
{
    if (!g_ready)
        return;
    if (&CurrentMessageBoxSink() == &g_sink)
        SetMessageBoxSink(nullptr);
    g_ready = false;
}
