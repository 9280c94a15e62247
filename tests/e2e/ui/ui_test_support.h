// Helpers for the GTK view tests: GTK on the test display, a recording message-box sink and
// web-link launcher, event pumping, synthetic input and screenshots.
#pragma once

#include "core/message_box.h"
#include "app/ui/gtk_ui.h"
#include "app/ui/web_link.h"

#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace uitest {

// GTK on $DISPLAY (the test run provides an Xvfb). Fails the test when there is none.
inline bool GtkReady()
{
    static const bool ready = [] {
        int argc = 0;
        char** argv = nullptr;
        return InitGtkUi(&argc, &argv);
    }();
    return ready;
}

// Runs pending GTK work, then keeps going for at least `ms` so that windows map and draw.
inline void Pump(int ms = 0)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        while (gtk_events_pending())
            gtk_main_iteration_do(FALSE);
        if (ms > 0)
            g_usleep(2000);
    } while (std::chrono::steady_clock::now() < end);
}

// Message boxes and web pages are recorded instead of shown or opened.
class Recorder : public MessageBoxSink {
public:
    Recorder()
    {
        // GTK first: starting it installs its own sink, which would replace this one.
        GtkReady();
        SetMessageBoxSink(this);
        SetWebLinkLauncher([this](const std::string& url, std::string&) {
            urls.push_back(url);
            return true;
        });
    }
    ~Recorder() override
    {
        SetMessageBoxSink(nullptr);
        SetWebLinkLauncher({});
    }
    void Show(MessageKind kind, const char* caption, const char* text) override
    {
        boxes.push_back({kind, caption, text});
    }
    struct Box {
        MessageKind kind;
        std::string caption;
        std::string text;
    };
    std::vector<Box> boxes;
    std::vector<std::string> urls;
};

// Sends a synthetic event to a realized widget's window.
inline void SendKey(GtkWidget* window, guint keyval)
{
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->key.keyval = keyval;
    // Key bindings (a dialog's Escape) look at the hardware code, not the keyval.
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()),
                                          keyval, &keys, &count) && count > 0)
        event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    g_free(keys);
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    gdk_event_set_device(event, gdk_seat_get_keyboard(
                                    gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_widget_event(window, event);
    gdk_event_free(event);
}

inline void SendCrossing(GtkWidget* widget, GdkEventType type)
{
    GdkEvent* event = gdk_event_new(type);
    event->crossing.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
    event->crossing.send_event = TRUE;
    event->crossing.mode = GDK_CROSSING_NORMAL;
    event->crossing.detail = GDK_NOTIFY_ANCESTOR;
    gtk_widget_event(widget, event);
    gdk_event_free(event);
}

// A press and release of the first button in the middle of the widget.
inline void Click(GtkWidget* widget)
{
    GtkAllocation a;
    gtk_widget_get_allocation(widget, &a);
    for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
        event->button.send_event = TRUE;
        event->button.button = 1;
        event->button.x = a.width / 2.0;
        event->button.y = a.height / 2.0;
        gdk_event_set_device(event, gdk_seat_get_pointer(
                                        gdk_display_get_default_seat(gdk_display_get_default())));
        gtk_widget_event(widget, event);
        gdk_event_free(event);
    }
}

// Saves what the window shows as build/<dir>/ui_screenshots/<name>.png, for a person to look
// at. True when a picture with the window's size was written.
inline bool Screenshot(GtkWidget* window, const char* name)
{
    Pump(300);
    GdkWindow* gdkWindow = gtk_widget_get_window(window);
    if (!gdkWindow)
        return false;
    const int w = gdk_window_get_width(gdkWindow);
    const int h = gdk_window_get_height(gdkWindow);
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gdkWindow, 0, 0, w, h);
    if (!pixbuf)
        return false;
    const std::filesystem::path dir = std::filesystem::path(GRIDFALL_BINARY_DIR) / "ui_screenshots";
    std::filesystem::create_directories(dir);
    const bool ok = gdk_pixbuf_save(pixbuf, (dir / (std::string(name) + ".png")).c_str(), "png",
                                    nullptr, nullptr);
    g_object_unref(pixbuf);
    return ok;
}

// The text colour GTK draws a widget with, as 8-bit RGB.
inline std::vector<int> TextColor(GtkWidget* widget)
{
    GdkRGBA c;
    GtkStyleContext* style = gtk_widget_get_style_context(widget);
    gtk_style_context_get_color(style, gtk_style_context_get_state(style), &c);
    return {int(c.red * 255 + 0.5), int(c.green * 255 + 0.5), int(c.blue * 255 + 0.5)};
}

}  // namespace uitest
