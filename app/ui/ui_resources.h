// The dialogs' embedded .ui files and artwork, and small helpers shared by the GTK views.
#pragma once

#include <gtk/gtk.h>

#include <span>
#include <string_view>

std::span<const unsigned char> FindUiResource(std::string_view baseName);

// A builder holding the objects of an embedded .ui file; null (and a log line) when the file
// is missing or broken. The caller unrefs it.
GtkBuilder* LoadUiBuilder(const char* uiName);
// An embedded PNG decoded, or null. The caller unrefs it.
GdkPixbuf* LoadUiPixbuf(const char* pngName);
// The widget whose builder id is the control id, or null.
GtkWidget* FindControl(GtkBuilder* builder, int controlId);
// Sets a label's or a button's text.
void SetControlText(GtkWidget* widget, const char* text);
// Puts an embedded PNG into a GtkImage.
void SetImageFromResource(GtkWidget* image, const char* pngName);
// Makes the program icon the default icon of every window (once).
void InstallProgramIcon();

// Names of the embedded artwork.
inline constexpr const char* kBannerImage = "banner.png";     // across the startup and About dialogs
inline constexpr const char* kPictureImage = "picture.png";   // beside the result's score
inline constexpr const char* kProgramIcon = "gridfall.png";
