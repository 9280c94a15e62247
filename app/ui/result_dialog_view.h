// GTK views of the result and About dialogs, built from their .ui files.
#pragma once

#include "app/ui/result_model.h"
#include "results/run_plot.h"

#include <gtk/gtk.h>

#include <vector>

// A result dialog filled with the texts and the chart (hidden when there are no samples).
// Null when it cannot be built. The caller destroys it; its builder goes with it.
GtkWidget* BuildResultDialog(const ResultTexts& texts, std::vector<RunPlotSample> samples);
// An About dialog with its texts and links. Null when it cannot be built.
GtkWidget* BuildAboutDialog();
// The control of a dialog built above, by its id (null when absent).
GtkWidget* DialogControl(GtkWidget* dialog, int id);
// Runs a dialog built above modally and destroys it.
void RunDialogModal(GtkWidget* dialog);

// Response ids.
inline constexpr int kResultOkResponse = 1;
inline constexpr int kAboutOkResponse = 2;
