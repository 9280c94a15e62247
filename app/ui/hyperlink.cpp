// Hyperlink labels (see the header).
#include "app/ui/hyperlink.h"

#include "app/ui/result_model.h"
#include "app/ui/web_link.h"

namespace {

constexpr const char* kLinkKey = "gridfall-hyperlink";

struct LinkState {
    std::function<void()> on_click;
    bool underlined = false;
    GdkCursor* cursor = nullptr;
};

GtkLabel* LinkLabel(GtkWidget* eventBox)
{
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(eventBox));
    return child && GTK_IS_LABEL(child) ? GTK_LABEL(child) : nullptr;
}

LinkState* StateOf(GtkWidget* eventBox)
{
    return static_cast<LinkState*>(g_object_get_data(G_OBJECT(eventBox), kLinkKey));
}

void ApplyLook(GtkWidget* eventBox, bool underlined)
{
    GtkLabel* label = LinkLabel(eventBox);
    if (!label)
        return;
    PangoAttrList* attrs = pango_attr_list_new();
    // Pango colours are 16 bits per channel.
    pango_attr_list_insert(attrs, pango_attr_foreground_new(kHyperlinkColor.r * 257,
                                                            kHyperlinkColor.g * 257,
                                                            kHyperlinkColor.b * 257));
    if (underlined)
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    gtk_label_set_attributes(label, attrs);
    pango_attr_list_unref(attrs);
}

void OnRealize(GtkWidget* eventBox, gpointer)
{
    LinkState* state = StateOf(eventBox);
    if (!state)
        return;
    if (!state->cursor) {
        GdkDisplay* display = gtk_widget_get_display(eventBox);
        state->cursor = gdk_cursor_new_from_name(display, "pointer");
        if (!state->cursor)
            state->cursor = gdk_cursor_new_from_name(display, "hand2");
        // No hand in the cursor theme: the window keeps the arrow.
    }
    if (GdkWindow* window = gtk_widget_get_window(eventBox))
        gdk_window_set_cursor(window, state->cursor);
}

}  // namespace

void HyperlinkPointerEntered(GtkWidget* eventBox)
{
    LinkState* state = StateOf(eventBox);
    if (!state || state->underlined)
        return;
    state->underlined = true;
    ApplyLook(eventBox, true);
}

void HyperlinkPointerLeft(GtkWidget* eventBox)
{
    LinkState* state = StateOf(eventBox);
    if (!state || !state->underlined)
        return;
    state->underlined = false;
    ApplyLook(eventBox, false);
}

void HyperlinkClicked(GtkWidget* eventBox)
{
    LinkState* state = StateOf(eventBox);
    if (state && state->on_click)
        state->on_click();
}

bool HyperlinkIsUnderlined(GtkWidget* eventBox)
{
    GtkLabel* label = LinkLabel(eventBox);
    if (!label)
        return false;
    PangoAttrList* attrs = gtk_label_get_attributes(label);
    if (!attrs)
        return false;
    PangoAttrIterator* it = pango_attr_list_get_iterator(attrs);
    PangoAttribute* underline = pango_attr_iterator_get(it, PANGO_ATTR_UNDERLINE);
    const bool on = underline &&
                    reinterpret_cast<PangoAttrInt*>(underline)->value != PANGO_UNDERLINE_NONE;
    pango_attr_iterator_destroy(it);
    return on;
}

void MakeHyperlink(GtkWidget* eventBox, std::function<void()> onClick)
{
    if (!eventBox || !GTK_IS_EVENT_BOX(eventBox))
        return;
    if (LinkState* existing = StateOf(eventBox)) {
        existing->on_click = std::move(onClick);
        return;
    }
    auto* state = new LinkState{std::move(onClick)};
    g_object_set_data_full(G_OBJECT(eventBox), kLinkKey, state, [](gpointer data) {
        auto* s = static_cast<LinkState*>(data);
        if (s->cursor)
            g_object_unref(s->cursor);
        delete s;
    });
    gtk_widget_add_events(eventBox, GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK |
                                        GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
    // A window of its own: the hand cursor is set on it, and an input-only window would leave
    // gtk_widget_get_window() answering the dialog's window (the hand over the whole dialog).
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(eventBox), TRUE);
    gtk_event_box_set_above_child(GTK_EVENT_BOX(eventBox), FALSE);
    ApplyLook(eventBox, false);

    g_signal_connect(eventBox, "realize", G_CALLBACK(OnRealize), nullptr);
    if (gtk_widget_get_realized(eventBox))
        OnRealize(eventBox, nullptr);
    g_signal_connect(eventBox, "enter-notify-event",
                     G_CALLBACK(+[](GtkWidget* w, GdkEventCrossing*, gpointer) -> gboolean {
                         HyperlinkPointerEntered(w);
                         return FALSE;
                     }),
                     nullptr);
    g_signal_connect(eventBox, "leave-notify-event",
                     G_CALLBACK(+[](GtkWidget* w, GdkEventCrossing*, gpointer) -> gboolean {
                         HyperlinkPointerLeft(w);
                         return FALSE;
                     }),
                     nullptr);
    // A click is a press and a release of the first button over the link; letting go
    // elsewhere cancels it, as with a button.
    g_signal_connect(eventBox, "button-release-event",
                     G_CALLBACK(+[](GtkWidget* w, GdkEventButton* e, gpointer) -> gboolean {
                         if (e->button != 1)
                             return FALSE;
                         GtkAllocation a;
                         gtk_widget_get_allocation(w, &a);
                         if (e->x < 0 || e->y < 0 || e->x >= a.width || e->y >= a.height)
                             return FALSE;
                         HyperlinkClicked(w);
                         return TRUE;
                     }),
                     nullptr);
}

void MakeHyperlinkToPage(GtkWidget* eventBox, int pageId)
{
    MakeHyperlink(eventBox, [pageId] { OpenWebPage(pageId); });
}
