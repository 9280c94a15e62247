// The report of a finished run (results/run_report.h), gathered once from the run, its
// recorder and the machine's records, after the main thread has joined the render thread.
#pragma once

#include "results/run_report.h"
#include "run/run_session.h"

RunReport CollectRunReport(const RunSession& run);

// Writes the files the run was asked for (the table of output writers) and folds in the
// frame log's fate. False when one could not be written; the reason went to standard error
// and the log.
bool WriteRunOutputs(const RunSession& run, const RunReport& report);
