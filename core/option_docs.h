// What --help and the manual page say beside the option table: each option's default (from
// the settings record's own defaults, so the texts cannot drift from the code), the
// "/switches", the environment variables and the exit statuses.
#pragma once

#include <span>
#include <string>

#include "core/gnu_options.h"

// The built-in default of an option ("60000", "1280x720", "off"), or "" where a default says
// nothing (--help, --json). An options file's settings replace these defaults.
std::string GnuOptionDefault(const GnuOption& option);

struct SwitchDoc {
    const char* name;       // with the leading '/'
    const char* argument;   // placeholder after '=' ("N", "MASK"); null: takes no value
    const char* help;
};
std::span<const SwitchDoc> SwitchTable();
// The built-in default of a switch's value, or "".
std::string SwitchDefault(const SwitchDoc& doc);

struct EnvironmentDoc {
    const char* name;
    const char* help;
};
std::span<const EnvironmentDoc> EnvironmentTable();

struct ExitStatusDoc {
    int status;
    const char* help;
};
std::span<const ExitStatusDoc> ExitStatusTable();
