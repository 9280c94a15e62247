// The desktop face: GTK start-up and the GTK message-box sink.
#pragma once

// Initialises GTK when a display can be opened and installs the GTK message-box sink.
// False when there is no display (message boxes then stay on standard error).
bool InitGtkUi(int* argc, char*** argv);
