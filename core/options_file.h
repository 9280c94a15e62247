// The options file "startup_options.xml": one startup_options element whose attributes are
// the stored options. Written byte for byte (CR LF line ends, no final line break).
#pragma once

#include <string>
#include <string_view>

#include "core/startup_options.h"

inline constexpr const char* kOptionsFileName = "startup_options.xml";

// Reads the file into the record; a missing or unreadable file leaves it unchanged.
// Returns true when the file was opened and parsed.
bool ReadStartupOptionsFile(const char* path, StartupOptions& options);
// The reader's work on the file's bytes, for callers that have them already (the fuzz target).
// A value outside what the command line accepts for the same setting (a size, the
// multisample mode, duration, frame limit, effect, map set, preset) gets its default, and a
// log line names `source` (the file's path) and the attribute.
bool ApplyStartupOptionsText(std::string_view fileBytes, StartupOptions& options,
                             const char* source = nullptr);
// The exact bytes the writer produces for a record.
std::string FormatStartupOptionsFile(const StartupOptions& options);
// Writes the file; false when it cannot be written.
bool WriteStartupOptionsFile(const char* path, const StartupOptions& options);
