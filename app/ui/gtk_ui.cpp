// GTK start-up and the GTK message-box sink.
#include "app/ui/gtk_ui.h"

#include "app/message_box.h"
#include "app/process_mode.h"

#include <gtk/gtk.h>

#include <algorithm>
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

void RunMessageDialog(MessageKind kind, const std::string& caption, const std::string& text)
{
    GtkWidget* dialog = gtk_message_dialog_new(
        nullptr, GTK_DIALOG_MODAL, kind == MessageKind::Error ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO,
        GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    RunModalDialog(dialog);
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
            RunMessageDialog(kind, caption ? caption : "", body);
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
                RunMessageDialog(b->kind, b->caption, b->text);
                return G_SOURCE_REMOVE;
            },
            box, [](gpointer data) { delete static_cast<PendingBox*>(data); });
    }
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
    if (!gtk_init_check(argc, argv))
        return false;
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
