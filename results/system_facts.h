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

    // The device that renders: the main card and GPU 0 of every figure (its name, PCI ids and
    // the kernel and GL driver text), or a software rasteriser; and the boot display adapter
    // when that is another device (a hybrid laptop), else empty and 0xFFFFFFFF.
    std::string rendering_gpu;
    uint32_t rendering_vendor_id = 0xFFFFFFFF;
    uint32_t rendering_device_id = 0xFFFFFFFF;
    std::string rendering_driver;        // "amdgpu 6.8.0-45-generic - Mesa 24.0.5"
    bool software_renderer = false;
    std::string boot_adapter;
    uint32_t boot_vendor_id = 0xFFFFFFFF;
    uint32_t boot_device_id = 0xFFFFFFFF;

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
