// Siliscan, the program's GPU information library: one singleton facade over adapter
// detection, the GPU database, driver identification, sensors, system information and the
// OpenGL capability probe. Strings returned stay valid until Stop.
#pragma once

#include <cstdint>

namespace Ridudedozu {

void DestroyLibrary();

// Vendor classification of the main adapter.
enum VendorKind : int32_t {
    kVendorNone = 0,
    kVendorNvidia = 1,   // 0x10DE
    kVendorAmd = 2,      // 0x1002
    kVendorS3 = 3,       // 0x5333
    kVendorIntel = 4,    // 0x8086
    kVendorOther = 5,
};

class SiliscanLib {
public:
    // The singleton, created on the first call.
    static SiliscanLib* Instance();

    // Runs every detection step once (probe context at the given rectangle with the requested
    // OpenGL version). True also when no adapter was found; false when the library cannot run.
    bool Start(int32_t x, int32_t y, int32_t width, int32_t height, int32_t glMajor, int32_t glMinor);
    // False when not initialised. Deletes the singleton.
    bool Stop();

    uint32_t GetNumGpus();
    bool SortGpusByBus();
    const char* GetGpuName(uint32_t index);
    const char* GetGpuDriver(uint32_t index);
    bool GetGpuTemperatures(uint32_t index, float* core, float* board, float* memory, float* psu);
    // Board power in W, and fan speed in percent of full duty and in RPM, read now. False, with
    // the values left alone, when the GPU's driver publishes none of them.
    bool GetGpuPower(uint32_t index, float* watts);
    bool GetGpuFan(uint32_t index, float* percent, float* rpm);
    bool GetGpuPciIds(uint32_t index, uint32_t* vendorId, uint32_t* deviceId,
                      uint32_t* subsysVendorId, uint32_t* deviceIdAgain);
    int32_t GetGpuShaderCount(uint32_t index);
    uint32_t GetGpuNumPerfLevels(uint32_t index);
    bool GetGpuPerfLevel(uint32_t index, uint32_t level, float* levelId, float* coreMhz,
                         float* memoryMhz, float* shaderMhz, float* coreVolts);

    bool IsDriverDetected();
    uint32_t GetMainVendorId();
    uint32_t GetMainDeviceId();
    const char* GetMainRenderer();
    const char* GetMainDriver();
    int32_t GetMainVendorKind();
    const char* GetDriverDate();
    const char* GetCatalystVersion();
    const char* GetCatalystRelease();
    // True when a software rasteriser (llvmpipe, softpipe, swrast, virgl) renders.
    bool IsSoftwareRenderer();
    // The boot display adapter's name and ids when it is not the device that renders; "" and
    // 0xFFFFFFFF when it renders or there is none.
    const char* GetBootAdapterName();
    uint32_t GetBootAdapterVendorId();
    uint32_t GetBootAdapterDeviceId();

    int32_t GetCpuSpeedMhz();
    uint32_t GetSystemMemoryKb();
    const char* GetCpuName();
    const char* GetOsName();

    int32_t GetGlMajor();
    int32_t GetGlMinor();
    int32_t GetMaxViewportSize();
    double GetMaxTessLevel();
    uint32_t GetNumMsaaModes();
    int32_t GetMsaaMode(uint32_t index);

private:
    friend void DestroyLibrary();
    SiliscanLib();
    ~SiliscanLib();
    SiliscanLib(const SiliscanLib&) = delete;
    SiliscanLib& operator=(const SiliscanLib&) = delete;
};

}  // namespace Ridudedozu
