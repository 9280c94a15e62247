// The results of a finished run as a JSON document for scripts, CI systems and fleet tools.
// The layout is documented in packaging/results-schema.md; bump kResultsSchemaVersion when a
// field changes meaning or disappears (adding fields keeps the version).
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "results/run_report.h"

inline constexpr int kResultsSchemaVersion = 4;

// The report as a JSON document. Never empty.
std::string FormatResultsJson(const RunReport& report);

// JSON string literal (with the quotes) of arbitrary bytes: control characters escaped,
// invalid UTF-8 replaced by U+FFFD, so the document always parses.
std::string JsonQuote(const std::string& text);
// A number, locale-independent (a German desktop must not turn 1.5 into "1,5"); non-finite
// values become null.
std::string JsonNumber(double value, int decimals);
