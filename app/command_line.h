// The "/switches" of the command line.
#pragma once

#include <string>

#include "app/startup_options.h"

// The argument vector (without the program name) joined with single blanks.
std::string JoinCommandLine(int argc, char** argv);
// Applies the switches found in the command-line text to the record.
void ApplyCommandLine(const char* commandLine, StartupOptions& options);
