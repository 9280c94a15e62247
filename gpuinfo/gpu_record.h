// One GPU as the library lists it, and its performance levels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Ridudedozu {

// How a GPU was found, which decides how its sensors are read.
enum GpuKind : uint32_t {
    kGpuKindNone = 0,
    kGpuKindNvml = 1,    // NVIDIA, through NVML
    kGpuKindAmdgpu = 2,  // ATI/AMD, through amdgpu's sysfs files and hwmon
    // Any other DRM display card (i915, xe, nouveau, nvidia without NVML, ...): named from the
    // database or pci.ids, temperature from hwmon where the driver has one (i915 has none),
    // clocks where the driver publishes them.
    kGpuKindHwmon = 3,
    // The software renderer (llvmpipe, ...) when it renders the context, or a GPU that is no
    // device of this machine (WSL's under d3d12, a host's under virgl): no sensors at all.
    kGpuKindSoftware = 4,
};

// A GPU core temperature in millidegrees is plausible from 1 to 150 degrees C. Below that the
// sensor is unpowered (0) or the driver wrote whole degrees (hwmon's "52" would be 0.052 C);
// above it no silicon still runs. Anything else is no reading.
constexpr int64_t kMinGpuMilliCelsius = 1000;
constexpr int64_t kMaxGpuMilliCelsius = 150000;

struct PerfLevel {
    int32_t level_id = 0;
    float core_mhz = 0;
    float memory_mhz = 0;
    float shader_mhz = 0;
    float core_volts = 0;
};

struct GpuRecord {
    uint32_t kind = kGpuKindNone;
    uint32_t bus = 0;
    uint64_t bus_key = 0;                // PciBusKey: domain and bus, so two domains never merge
    bool renders = false;                // the device that renders the OpenGL context
    int32_t adapter_index = -1;          // NVML device index, or the DRM card number
    void* nvml_device = nullptr;         // nvmlDevice_t
    std::string device_dir;              // .../sys/class/drm/cardN/device (DRM kinds)
    std::string hwmon_dir;               // its hwmon directory, empty when none
    std::string drm_card_dir;            // .../sys/class/drm/cardN

    char name[128] = "unknown";
    char codename[128] = "unknown";

    float temp_core = 0;                 // degrees C; valid only when the getter says so
    float temp_psu = 0;
    float temp_board = 0;
    float temp_memory = 0;

    char memory_type[128] = "unknown";
    uint32_t fb_bus_width = 0;
    uint32_t fb_location = 0;
    uint32_t fb_physical_kb = 0;
    uint32_t fb_virtual_kb = 0;

    std::vector<PerfLevel> levels;       // count = levels.size(), as found by the last read

    float fan_percent = -1.0f;
    float fan_rpm = -1.0f;

    uint32_t vendor_id = 0;
    uint32_t device_id = 0;
    uint32_t subsys_vendor_id = 0;
    uint32_t subsys_device_id = 0;
    uint32_t raw_device_id = 0;          // NVML: device << 16 | vendor
    uint32_t raw_subsys_id = 0;
    uint32_t revision_id = 0;

    int32_t shader_count = 0;

    char driver_version[256] = {};
    char driver_date[256] = {};
    char release_version[256] = {};
    char catalyst_version[256] = {};
    char adapter_string[256] = {};
    char bios_string[256] = {};
    uint32_t memory_mb = 0;
};

}  // namespace Ridudedozu
