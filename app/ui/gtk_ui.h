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
