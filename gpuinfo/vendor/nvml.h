// NVIDIA's management library, loaded at run time. Only the few calls the library needs are
// declared here; every entry point is optional and a missing one reads as a failed call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gpuinfo/gpu_record.h"

namespace Ridudedozu {

// NVML's PCI record (the _v3 layout; the older layouts agree on every field read here).
struct NvmlPciInfo {
    char busIdLegacy[16];
    unsigned int domain;
    unsigned int bus;
    unsigned int device;
    unsigned int pciDeviceId;      // device << 16 | vendor
    unsigned int pciSubSystemId;   // subsystem device << 16 | subsystem vendor
    char busId[32];
};

struct NvmlMemory {
    unsigned long long total;
    unsigned long long free;
    unsigned long long used;
};

// NVML clock types.
constexpr unsigned kNvmlClockGraphics = 0;
constexpr unsigned kNvmlClockSm = 1;
constexpr unsigned kNvmlClockMemory = 2;

class NvmlLibrary {
public:
    ~NvmlLibrary();
    NvmlLibrary(const NvmlLibrary&) = delete;
    NvmlLibrary& operator=(const NvmlLibrary&) = delete;

    // dlopen's path (GRIDFALL_NVML_LIBRARY, else libnvidia-ml.so.1) and initialises NVML.
    // Null when the library or nvmlInit is missing or initialisation fails.
    static std::unique_ptr<NvmlLibrary> Load(const std::string& path);
    // GRIDFALL_NVML_LIBRARY or the system library's name.
    static std::string DefaultPath();

    bool SystemDriverVersion(std::string* version) const;
    bool DeviceCount(unsigned* count) const;
    bool DeviceHandle(unsigned index, void** device) const;
    bool DeviceName(void* device, std::string* name) const;
    bool DevicePciInfo(void* device, NvmlPciInfo* info) const;
    bool DeviceTemperature(void* device, unsigned* celsius) const;
    bool DeviceClock(void* device, unsigned type, unsigned* mhz) const;
    bool DeviceMaxClock(void* device, unsigned type, unsigned* mhz) const;
    bool DevicePowerUsage(void* device, unsigned* milliwatts) const;
    bool DeviceFanSpeed(void* device, unsigned* percent) const;
    bool DeviceMemory(void* device, NvmlMemory* memory) const;
    bool DeviceVbios(void* device, std::string* version) const;
    bool DevicePerformanceState(void* device, int* pstate) const;

private:
    NvmlLibrary() = default;
    void* Symbol(const char* versioned, const char* plain) const;

    void* module_ = nullptr;
    bool initialised_ = false;
    int (*shutdown_)() = nullptr;
    int (*driverVersion_)(char*, unsigned) = nullptr;
    int (*count_)(unsigned*) = nullptr;
    int (*handle_)(unsigned, void**) = nullptr;
    int (*name_)(void*, char*, unsigned) = nullptr;
    int (*pci_)(void*, NvmlPciInfo*) = nullptr;
    int (*temperature_)(void*, int, unsigned*) = nullptr;
    int (*clock_)(void*, int, unsigned*) = nullptr;
    int (*maxClock_)(void*, int, unsigned*) = nullptr;
    int (*power_)(void*, unsigned*) = nullptr;
    int (*fan_)(void*, unsigned*) = nullptr;
    int (*memory_)(void*, NvmlMemory*) = nullptr;
    int (*vbios_)(void*, char*, unsigned) = nullptr;
    int (*pstate_)(void*, int*) = nullptr;
};

// Facts of the NVIDIA driver as a whole.
struct NvmlFacts {
    std::string driver_version;   // "550.54.14", empty when unknown
    uint32_t gpu_count = 0;
    uint32_t first_gpu_memory_kb = 0;
};

// One record per NVML device, in NVML's order; names from the database when it knows the chip.
void NvmlEnumerate(const NvmlLibrary& nvml, std::vector<std::unique_ptr<GpuRecord>>* gpus, NvmlFacts* facts);

// Current GPU temperature into temp_core; false when NVML does not answer (the other three
// sensors have no NVML counterpart and keep their values).
bool NvmlReadTemperatures(const NvmlLibrary& nvml, GpuRecord* gpu);

// Two levels: 0 the maximum clocks (the card's top performance state, id 0), 1 the current
// clocks (id = the current performance state). NVML publishes no core voltage: 0 V. False when
// neither a current nor a maximum graphics clock could be read; earlier values then stay.
bool NvmlReadPerfLevels(const NvmlLibrary& nvml, GpuRecord* gpu);

}  // namespace Ridudedozu
