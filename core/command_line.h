// The "/switches" of the command line.
#pragma once

#include <string>
#include <string_view>

#include "core/startup_options.h"

// The argument vector (without the program name) joined with single blanks.
std::string JoinCommandLine(int argc, char** argv);
// Applies the switches found in the command-line text to the record.
void ApplyCommandLine(const char* commandLine, StartupOptions& options);

// Whether the word holds one of the switches (they are looked up as substrings).
bool ContainsSwitch(std::string_view word);
// The switch a word that names none was most likely meant to be ("/app_cpu_affinity=" for
// "/app_cpu_afinity=1"), or "" when none is close.
std::string NearestSwitch(std::string_view word);
