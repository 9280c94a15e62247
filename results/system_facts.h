// The machine and the GL context a run measured, as separate facts for scripts (the JSON's
// "system" section, the frame log's preamble). Gathered by the program at the end of a run;
// this header only describes them, so every writer is tested without the machine.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// A count or size that could not be read is kUnknown and reported as null.
struct RunSystemFacts {
    static constexpr int64_t kUnknown = -1;

    std::string cpu_model;               // /proc/cpuinfo's "model name" (or its equivalent)
    int64_t cpu_cores = kUnknown;        // distinct physical cores
    int64_t cpu_threads = kUnknown;      // logical processors
    int64_t cpu_speed_mhz = kUnknown;    // measured from the time-stamp counter
    std::string cpu_governor;            // cpufreq scaling governor of CPU 0
    int64_t memory_kib = kUnknown;       // MemTotal
    std::string kernel;                  // kernel release
    std::string distribution;            // os-release PRETTY_NAME
    std::string display_server;          // "x11", "wayland", "headless", or SDL's driver name
    std::vector<std::string> command_line;

    // The context the run rendered with.
    std::string gl_vendor, gl_renderer, gl_version;
    std::string gl_driver_version;       // GL_VERSION after the version number: "Mesa 22.3.6"
    std::string gl_profile;              // "core" or "compatibility"; empty when unknown
    int64_t swap_interval = std::numeric_limits<int64_t>::min();   // min: not read
};

// The vendor-specific text after the version number in a GL_VERSION string, without the
// profile in parentheses: "4.5 (Core Profile) Mesa 22.3.6" -> "Mesa 22.3.6",
// "4.6.0 NVIDIA 550.54.14" -> "NVIDIA 550.54.14".
std::string GlDriverVersion(const std::string& glVersion);
