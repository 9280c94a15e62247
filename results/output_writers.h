// The files a finished run leaves, one table row each: the option that names the file, the
// texts that say it was or was not written, and the function that writes it from the report.
// A new output format is one writer, one row here and one command-line option whose value is
// a FILE. (The frame log is written while the run goes on, by the run's recorder, and the
// stability test's check pictures when they differ; neither waits for the report.)
#pragma once

#include <functional>
#include <map>
#include <span>
#include <string>

#include "results/run_report.h"

struct OutputWriter {
    const char* option;    // "json" for --json FILE
    const char* written;   // the log line once written; %s: the path
    const char* failed;    // "JSON results": "JSON results not written: <reason>"
    // Writes the whole file (through a temporary file renamed over the target); false with
    // the reason.
    bool (*write)(const std::string& path, const RunReport& report, std::string* error);
};

std::span<const OutputWriter> OutputWriters();

// Writes every file in `files` (option name to path) that a writer of the table knows, in
// the table's order. A file that cannot be written is told on standard error and in the log;
// the others are still written. False when one failed.
bool WriteOutputs(const RunReport& report, const std::map<std::string, std::string, std::less<>>& files);
