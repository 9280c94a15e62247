// Placeholder until the GTK dialog lands.
#include "app/ui/startup_dialog.h"

bool RunStartupDialog() { return false; }
