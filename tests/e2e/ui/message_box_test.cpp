// Message boxes on a desktop: modal GTK dialogs with the program's captions, shown by the main
// thread also when another thread asks for one.
#include "app/message_box.h"
#include "tests/e2e/ui/ui_test_support.h"

#include <thread>

namespace {

using namespace uitest;

struct SeenBox {
    std::string title;
    std::string text;
    bool modal = false;
    GtkMessageType type = GTK_MESSAGE_OTHER;
};

// The message dialog currently shown, or null.
GtkMessageDialog* FindMessageDialog()
{
    GList* toplevels = gtk_window_list_toplevels();
    GtkMessageDialog* found = nullptr;
    for (GList* l = toplevels; l; l = l->next)
        if (GTK_IS_MESSAGE_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
            found = GTK_MESSAGE_DIALOG(l->data);
    g_list_free(toplevels);
    return found;
}

// Closes the next message dialog once it shows, remembering what it showed.
guint CloseNextBox(SeenBox* seen)
{
    return g_timeout_add(50, +[](gpointer p) -> gboolean {
        GtkMessageDialog* dialog = FindMessageDialog();
        if (!dialog)
            return G_SOURCE_CONTINUE;
        auto* s = static_cast<SeenBox*>(p);
        s->title = gtk_window_get_title(GTK_WINDOW(dialog));
        s->modal = gtk_window_get_modal(GTK_WINDOW(dialog));
        g_object_get(dialog, "message-type", &s->type, nullptr);
        gchar* text = nullptr;
        g_object_get(dialog, "text", &text, nullptr);
        s->text = text ? text : "";
        g_free(text);
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
        return G_SOURCE_REMOVE;
    }, seen);
}

TEST(GtkMessageBoxes, CaptionedModalAndWithoutCarriageReturns)
{
    ASSERT_TRUE(GtkReady()) << "no display: run under Xvfb (DISPLAY)";
    SeenBox seen;
    CloseNextBox(&seen);
    ShowErrorBox("first line\n\rsecond line %d", 2);   // returns once the box is closed
    EXPECT_EQ(seen.title, "Lumetra Gridfall Error");
    EXPECT_EQ(seen.text, "first line\nsecond line 2");
    EXPECT_TRUE(seen.modal);
    EXPECT_EQ(seen.type, GTK_MESSAGE_ERROR);

    SeenBox info;
    CloseNextBox(&info);
    ShowInfoBox("%s", "Lumetra Gridfall v0.3.0");
    EXPECT_EQ(info.title, "Lumetra Gridfall Information");
    EXPECT_EQ(info.type, GTK_MESSAGE_INFO);
}

TEST(GtkMessageBoxes, AnotherThreadsBoxIsShownByTheMainThreadWithoutBlockingIt)
{
    ASSERT_TRUE(GtkReady()) << "no display: run under Xvfb (DISPLAY)";
    // The render thread reports a failure; it must go on (and end) while the box waits.
    std::thread worker([] { ShowErrorBox("The scene could not be set up."); });
    worker.join();
    SeenBox seen;
    const guint closer = CloseNextBox(&seen);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen.title.empty() && std::chrono::steady_clock::now() < end)
        Pump(20);
    if (seen.title.empty())
        g_source_remove(closer);
    EXPECT_EQ(seen.title, "Lumetra Gridfall Error");
    EXPECT_EQ(seen.text, "The scene could not be set up.");
}

}  // namespace
