// The gridfall(1) manual page, generated from the same option table as --help so the two
// cannot drift apart.
#pragma once

#include <span>
#include <string>

#include "core/gnu_options.h"

// roff source of the page. `date` goes into the title line ("2026-12-08").
std::string FormatManPage(std::span<const GnuOption> options, const std::string& date);

// Text made safe for roff: backslashes doubled, hyphens as \-, and a line that would start
// with '.' or '\'' guarded with \&.
std::string RoffEscape(const std::string& text);
