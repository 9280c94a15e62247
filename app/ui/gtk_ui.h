// The desktop face: GTK start-up and the GTK message-box sink.
#pragma once

// Initialises GTK when a display can be opened and installs the GTK message-box sink.
// False when there is no display or the process is headless (message boxes then stay on
// standard error).
bool InitGtkUi(int* argc, char*** argv);
// True after InitGtkUi succeeded.
bool IsGtkUiReady();
// Runs whatever the GTK main context has pending without blocking (message boxes handed over
// by other threads, redraws). Loops other than the startup dialog's call this each pass.
void ServeGtkUi();
// Removes the GTK sink again (standard error takes over); for shutdown and tests.
void ShutdownGtkUi();

typedef struct _GtkWidget GtkWidget;
// Runs a dialog (a GtkDialog) modally until it is answered, then destroys it. Every dialog
// and message box goes through here, so that CloseModalDialogs can answer them all.
void RunModalDialog(GtkWidget* dialog);
// Answers every dialog that RunModalDialog is running, and from then on shows none: a quit
// signal ends the program without waiting for anybody to click.
void CloseModalDialogs();
