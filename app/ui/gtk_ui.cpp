// Placeholder until the GTK dialogs land.
#include "app/ui/gtk_ui.h"

bool InitGtkUi(int*, char***) { return false; }
