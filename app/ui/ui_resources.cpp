// Embedded .ui files and artwork for the GTK views.
#include "app/ui/ui_resources.h"

#include "core/log_file.h"

#include <string>

GtkBuilder* LoadUiBuilder(const char* uiName)
{
    const std::span<const unsigned char> bytes = FindUiResource(uiName);
    if (bytes.empty()) {
        ProgramLog().Write("Dialog description %s is missing.", uiName);
        return nullptr;
    }
    GtkBuilder* builder = gtk_builder_new();
    GError* error = nullptr;
    if (!gtk_builder_add_from_string(builder, reinterpret_cast<const char*>(bytes.data()),
                                     bytes.size(), &error)) {
        ProgramLog().Write("Dialog description %s is broken: %s", uiName,
                           error ? error->message : "");
        g_clear_error(&error);
        g_object_unref(builder);
        return nullptr;
    }
    return builder;
}

GdkPixbuf* LoadUiPixbuf(const char* pngName)
{
    const std::span<const unsigned char> bytes = FindUiResource(pngName);
    if (bytes.empty())
        return nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
    if (!loader)
        return nullptr;
    GdkPixbuf* pixbuf = nullptr;
    if (gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), nullptr) &&
        gdk_pixbuf_loader_close(loader, nullptr)) {
        pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
        if (pixbuf)
            g_object_ref(pixbuf);
    } else {
        gdk_pixbuf_loader_close(loader, nullptr);
    }
    g_object_unref(loader);
    return pixbuf;
}

GtkWidget* FindControl(GtkBuilder* builder, int controlId)
{
    const std::string id = std::to_string(controlId);
    GObject* object = gtk_builder_get_object(builder, id.c_str());
    return object && GTK_IS_WIDGET(object) ? GTK_WIDGET(object) : nullptr;
}

void SetControlText(GtkWidget* widget, const char* text)
{
    if (!widget)
        return;
    if (GTK_IS_BUTTON(widget))
        gtk_button_set_label(GTK_BUTTON(widget), text);
    else if (GTK_IS_LABEL(widget))
        gtk_label_set_text(GTK_LABEL(widget), text);
    else if (GTK_IS_ENTRY(widget))
        gtk_entry_set_text(GTK_ENTRY(widget), text);
}

void SetImageFromResource(GtkWidget* image, const char* pngName)
{
    if (!image || !GTK_IS_IMAGE(image))
        return;
    if (GdkPixbuf* pixbuf = LoadUiPixbuf(pngName)) {
        gtk_image_set_from_pixbuf(GTK_IMAGE(image), pixbuf);
        g_object_unref(pixbuf);
    }
}

void InstallProgramIcon()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    if (GdkPixbuf* icon = LoadUiPixbuf(kProgramIcon)) {
        gtk_window_set_default_icon(icon);
        g_object_unref(icon);
    }
}
