// The parts of the start-up sequence that need no window system: the machine facts of the
// first log lines, the tessellation clamp, the GPU report against the GPU information library
// (a template, so tests drive it with a fake library), and the active run settings.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/log_file.h"
#include "core/machine_records.h"
#include "core/startup_options.h"

// What the log's first lines tell about the machine.
struct HostFacts {
    // Processor architecture numbered as Windows does (0 x86, 5 ARM, 9 x86-64, 12 ARM64,
    // 0xFFFF unknown), so logs compare across platforms.
    int architecture = 0xFFFF;
    // CPU family from CPUID (base family plus extended family, as Windows reports its
    // processor level); 0 where there is no CPUID.
    int level = 0;
    unsigned processors = 1;
    std::string kernel_release;   // uname -r
    unsigned kernel_major = 0;
    unsigned kernel_minor = 0;
};
HostFacts QueryHostFacts();
// "6.1.0-13-amd64" -> 6, 1. Missing parts stay 0.
void ParseKernelVersion(const char* release, unsigned& major, unsigned& minor);
// Writes "CPU Arch", "CPU Level", "# of CPU processors" and "Kernel" lines.
void LogHostFacts(LogFile& log, const HostFacts& facts);

// The level of a tessellation preset (1 Moderate 8, 2 Normal 16, 3 Extreme 32, 4 Insane 64);
// a mode out of range gives the nearest preset's level, as the startup dialog shows it.
float TessellationPresetLevel(int32_t tessellationMode);
// Limits the tessellation level to the GPU's maximum, then to at least 1.0, and copies it
// into the inner and outer levels.
void ClampTessellationLevel(StartupOptions& options, float maxLevel);

// The active run settings from the stored ones. A stored frame limit with
// time_based_benchmark 0 selects a frame-count run; otherwise the run ends by time, and a
// stored duration of 0 becomes 60000 ms.
void DeriveActiveRunSettings(StartupOptions& options);

// The GPU part of the start-up report: stores the main card's identity, clamps the
// tessellation level, sorts the GPU list (once, unless every GPU is AMD), fills SystemInfo
// and writes the log lines from "Main graphics card device ID" to "OS".
template <typename Library>
void ReportGraphicsAndSystem(Library& lib, StartupOptions& options, MachineFacts& facts,
                             SystemInfo& info, LogFile& log)
{
    facts.main_vendor_id = lib.GetMainVendorId();
    facts.main_device_id = lib.GetMainDeviceId();
    log.Write("Main graphics card device ID: %.4X-%.4X", facts.main_vendor_id, facts.main_device_id);

    facts.max_tess_level = static_cast<float>(lib.GetMaxTessLevel());
    log.Write("Max tessellation level: %.1f", facts.max_tess_level);
    ClampTessellationLevel(options, facts.max_tess_level);

    const uint32_t count = lib.GetNumGpus();
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t vendor = 0, device = 0, subsysVendor = 0, subsysDevice = 0;
        lib.GetGpuPciIds(i, &vendor, &device, &subsysVendor, &subsysDevice);
        if (vendor != 0x1002) {
            lib.SortGpusByBus();
            break;
        }
    }

    info.Clear();
    info.gpu_count = count;
    log.Write("Detected graphics cards and GPUs:");
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t vendor = 0, device = 0, subsysVendor = 0, subsysDevice = 0;
        lib.GetGpuPciIds(i, &vendor, &device, &subsysVendor, &subsysDevice);
        float core = 0.0f, board = 0.0f, memory = 0.0f, psu = 0.0f;
        const bool hasTemperature = lib.GetGpuTemperatures(i, &core, &board, &memory, &psu);
        const char* name = lib.GetGpuName(i);
        const char* driver = lib.GetGpuDriver(i);
        log.Write("- GPU %d:  %s", static_cast<int>(i + 1), name ? name : "");
        log.Write("- Device ID: %.4X-%.4X", vendor, device);
        // A GPU without a temperature sensor has no temperature, not one of 0 degrees.
        if (hasTemperature)
            log.Write("----> GPU temperature: %.3f\u00B0C", core);
        else
            log.Write("----> GPU temperature: n.a.");
        log.Write("----> Graphics driver: %s", driver ? driver : "");
    }

    auto text = [](const char* s) { return s ? s : ""; };
    const char* renderer = lib.GetMainRenderer();
    log.Write("Main OpenGL graphics card: %s", renderer ? renderer : "");
    std::snprintf(info.renderer, sizeof(info.renderer), "%s", renderer ? renderer : "");
    // The main card is the device that renders; say so when that is not what the machine boots
    // its display on, or when no card renders at all.
    const std::string bootAdapter = text(lib.GetBootAdapterName());
    std::string rendering;
    if (lib.IsSoftwareRenderer()) {
        rendering = std::string("Software renderer: ") + text(renderer);
    } else if (!bootAdapter.empty()) {
        char ids[32];
        std::snprintf(ids, sizeof(ids), " (%.4X-%.4X)", facts.main_vendor_id, facts.main_device_id);
        rendering = std::string("Rendering GPU: ") + text(renderer) + ids;
    }
    if (!bootAdapter.empty()) {
        char ids[32];
        std::snprintf(ids, sizeof(ids), " (%.4X-%.4X)", lib.GetBootAdapterVendorId(), lib.GetBootAdapterDeviceId());
        rendering += "; boot display adapter: " + bootAdapter + ids;
    }
    if (!rendering.empty())
        log.Write("%s", rendering.c_str());

    facts.max_viewport_size = lib.GetMaxViewportSize();
    log.Write("Max viewport size: %d px", facts.max_viewport_size);

    // Linux's driver text (kernel driver and OpenGL driver) for every vendor: there are no
    // Catalyst or Forceware packages to name.
    const std::string drivers = text(lib.GetMainDriver());
    std::snprintf(info.drivers, sizeof(info.drivers), "%s", drivers.c_str());
    log.Write("Main graphics drivers: %s", info.drivers);

    log.Write("OpenGL: version %d.%d detected.", lib.GetGlMajor(), lib.GetGlMinor());

    std::snprintf(info.cpu, sizeof(info.cpu), "%s", text(lib.GetCpuName()));
    log.Write("CPU: %s", info.cpu);
    const int32_t mhz = lib.GetCpuSpeedMhz();
    facts.cpu_speed_mhz = static_cast<uint32_t>(mhz);
    std::snprintf(info.cpu_speed, sizeof(info.cpu_speed), "%d MHz", mhz);
    log.Write("CPU speed: %d MHz", mhz);
    std::snprintf(info.memory, sizeof(info.memory), "%d MiB",
                  static_cast<int>(lib.GetSystemMemoryKb() / 1024u));
    log.Write("System memory: %s", info.memory);
    std::snprintf(info.os, sizeof(info.os), "%s", text(lib.GetOsName()));
    log.Write("OS: %s", info.os);
}
