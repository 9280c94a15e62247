// Gathers the facts of the machine and the run's GL context for the results (JSON system
// section, frame-log preamble).
#pragma once

#include <string>

#include "results/system_facts.h"

// Keeps the command line for the results; called once at start-up, before any run.
void KeepCommandLine(int argc, char** argv);

// The machine under `root` (the file-system root the GPU library reads, "" for the real one),
// the run's GL context from g_system_info and the kept command line.
RunSystemFacts CollectSystemFacts(const std::string& root);

// Distinct (physical id, core id) pairs of a /proc/cpuinfo text; -1 when it names no cores
// (many ARM kernels).
int64_t CountCpuCores(const std::string& cpuinfo);
