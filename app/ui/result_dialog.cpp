// Placeholder until the GTK dialogs land.
#include "app/ui/result_dialog.h"

void ShowResultDialog() {}
void ShowAboutDialog() {}
