// The startup dialog: the program's main window and message loop when display_gui is set.
#pragma once

// Builds and shows the dialog and runs its loop until the user quits. Returns true when the
// dialog was shown (so the options are saved at shutdown), false when it could not be shown.
bool RunStartupDialog();
