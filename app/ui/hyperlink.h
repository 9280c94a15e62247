// Static texts that act as hyperlinks: dark blue, underlined while the pointer is over them,
// the hand cursor, and an action on a click.
#pragma once

#include <gtk/gtk.h>

#include <functional>

// Turns an event box holding one GtkLabel into a hyperlink that calls onClick when clicked
// with the first button. The event box keeps what it needs; nothing to release.
void MakeHyperlink(GtkWidget* eventBox, std::function<void()> onClick);
// The usual form: the link opens one of the product's pages.
void MakeHyperlinkToPage(GtkWidget* eventBox, int pageId);

// What the pointer does, for the handlers and for tests that move no real pointer.
void HyperlinkPointerEntered(GtkWidget* eventBox);
void HyperlinkPointerLeft(GtkWidget* eventBox);
void HyperlinkClicked(GtkWidget* eventBox);
bool HyperlinkIsUnderlined(GtkWidget* eventBox);
