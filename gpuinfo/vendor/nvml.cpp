// NVML loader and the NVIDIA GPU records.
#include "gpuinfo/vendor/nvml.h"

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

#include "gpuinfo/drm_cards.h"
#include "gpuinfo/gpu_database.h"
#include "gpuinfo/sysfs_reader.h"
#include "gpuinfo/vendor/vendor_logs.h"

namespace Ridudedozu {

namespace {

template <typename Fn>
void Bind(Fn*& target, void* symbol)
{
    target = reinterpret_cast<Fn*>(symbol);
}

}  // namespace

std::string NvmlLibrary::DefaultPath()
{
    const char* env = std::getenv("GRIDFALL_NVML_LIBRARY");
    if (env && *env)
        return env;
    return "libnvidia-ml.so.1";
}

void* NvmlLibrary::Symbol(const char* versioned, const char* plain) const
{
    void* s = versioned ? ::dlsym(module_, versioned) : nullptr;
    if (!s && plain)
        s = ::dlsym(module_, plain);
    return s;
}

std::unique_ptr<NvmlLibrary> NvmlLibrary::Load(const std::string& path)
{
    std::unique_ptr<NvmlLibrary> lib(new NvmlLibrary());
    lib->module_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib->module_)
        return nullptr;
    int (*init)() = nullptr;
    Bind(init, lib->Symbol("nvmlInit_v2", "nvmlInit"));
    if (!init || init() != 0)
        return nullptr;   // the destructor closes the module
    lib->initialised_ = true;
    Bind(lib->shutdown_, lib->Symbol(nullptr, "nvmlShutdown"));
    Bind(lib->driverVersion_, lib->Symbol(nullptr, "nvmlSystemGetDriverVersion"));
    Bind(lib->count_, lib->Symbol("nvmlDeviceGetCount_v2", "nvmlDeviceGetCount"));
    Bind(lib->handle_, lib->Symbol("nvmlDeviceGetHandleByIndex_v2", "nvmlDeviceGetHandleByIndex"));
    Bind(lib->name_, lib->Symbol(nullptr, "nvmlDeviceGetName"));
    Bind(lib->pci_, lib->Symbol("nvmlDeviceGetPciInfo_v3", "nvmlDeviceGetPciInfo_v2"));
    if (!lib->pci_)
        Bind(lib->pci_, lib->Symbol(nullptr, "nvmlDeviceGetPciInfo"));
    Bind(lib->temperature_, lib->Symbol(nullptr, "nvmlDeviceGetTemperature"));
    Bind(lib->clock_, lib->Symbol(nullptr, "nvmlDeviceGetClockInfo"));
    Bind(lib->maxClock_, lib->Symbol(nullptr, "nvmlDeviceGetMaxClockInfo"));
    Bind(lib->power_, lib->Symbol(nullptr, "nvmlDeviceGetPowerUsage"));
    Bind(lib->fan_, lib->Symbol(nullptr, "nvmlDeviceGetFanSpeed"));
    Bind(lib->memory_, lib->Symbol(nullptr, "nvmlDeviceGetMemoryInfo"));
    Bind(lib->vbios_, lib->Symbol(nullptr, "nvmlDeviceGetVbiosVersion"));
    Bind(lib->pstate_, lib->Symbol(nullptr, "nvmlDeviceGetPerformanceState"));
    return lib;
}

NvmlLibrary::~NvmlLibrary()
{
    if (initialised_ && shutdown_)
        shutdown_();
    if (module_)
        ::dlclose(module_);
}

namespace {

// NVML writes a terminated string on success; the buffer is terminated here as well so that a
// misbehaving library cannot make us read past it.
bool CallText(int (*fn)(char*, unsigned), std::string* out)
{
    if (!fn)
        return false;
    char buf[256] = {};
    if (fn(buf, sizeof(buf) - 1) != 0)
        return false;
    buf[sizeof(buf) - 1] = '\0';
    *out = buf;
    return true;
}

bool CallDeviceText(int (*fn)(void*, char*, unsigned), void* dev, std::string* out)
{
    if (!fn)
        return false;
    char buf[256] = {};
    // 96 bytes is NVML's name buffer size; the VBIOS text is shorter still.
    if (fn(dev, buf, 96) != 0)
        return false;
    buf[sizeof(buf) - 1] = '\0';
    *out = buf;
    return true;
}

}  // namespace

bool NvmlLibrary::SystemDriverVersion(std::string* version) const { return CallText(driverVersion_, version); }
bool NvmlLibrary::DeviceCount(unsigned* count) const { return count_ && count_(count) == 0; }
bool NvmlLibrary::DeviceHandle(unsigned index, void** device) const { return handle_ && handle_(index, device) == 0; }
bool NvmlLibrary::DeviceName(void* device, std::string* name) const { return CallDeviceText(name_, device, name); }
bool NvmlLibrary::DevicePciInfo(void* device, NvmlPciInfo* info) const
{
    if (!pci_)
        return false;
    std::memset(info, 0, sizeof(*info));
    return pci_(device, info) == 0;
}
bool NvmlLibrary::DeviceTemperature(void* device, unsigned* celsius) const
{
    return temperature_ && temperature_(device, 0, celsius) == 0;
}
bool NvmlLibrary::DeviceClock(void* device, unsigned type, unsigned* mhz) const
{
    return clock_ && clock_(device, static_cast<int>(type), mhz) == 0;
}
bool NvmlLibrary::DeviceMaxClock(void* device, unsigned type, unsigned* mhz) const
{
    return maxClock_ && maxClock_(device, static_cast<int>(type), mhz) == 0;
}
bool NvmlLibrary::DevicePowerUsage(void* device, unsigned* milliwatts) const
{
    return power_ && power_(device, milliwatts) == 0;
}
bool NvmlLibrary::DeviceFanSpeed(void* device, unsigned* percent) const { return fan_ && fan_(device, percent) == 0; }
bool NvmlLibrary::DeviceMemory(void* device, NvmlMemory* memory) const
{
    if (!memory_)
        return false;
    std::memset(memory, 0, sizeof(*memory));
    return memory_(device, memory) == 0;
}
bool NvmlLibrary::DeviceVbios(void* device, std::string* version) const { return CallDeviceText(vbios_, device, version); }
bool NvmlLibrary::DevicePerformanceState(void* device, int* pstate) const { return pstate_ && pstate_(device, pstate) == 0; }

void NvmlEnumerate(const NvmlLibrary& nvml, std::vector<std::unique_ptr<GpuRecord>>* gpus, NvmlFacts* facts)
{
    if (nvml.SystemDriverVersion(&facts->driver_version))
        NvapiLog().Write("NVML - driver version: %s", facts->driver_version.c_str());
    unsigned count = 0;
    if (!nvml.DeviceCount(&count))
        return;
    // A broken library could claim millions of devices; no machine holds more than this.
    if (count > 64)
        count = 64;
    for (unsigned i = 0; i < count; ++i) {
        void* dev = nullptr;
        if (!nvml.DeviceHandle(i, &dev))
            continue;
        auto gpu = std::make_unique<GpuRecord>();
        gpu->kind = kGpuKindNvml;
        gpu->adapter_index = static_cast<int32_t>(i);
        gpu->nvml_device = dev;

        NvmlPciInfo pci {};
        // Without PCI facts the record gets a key of its own, far from any card number's.
        gpu->bus_key = PciBusKey(false, 0, 0, 0x8000 + static_cast<int32_t>(i));
        if (nvml.DevicePciInfo(dev, &pci)) {
            gpu->bus = pci.bus;
            gpu->bus_key = PciBusKey(true, pci.domain, pci.bus, 0);
            gpu->raw_device_id = pci.pciDeviceId;
            gpu->raw_subsys_id = pci.pciSubSystemId;
            gpu->vendor_id = pci.pciDeviceId & 0xFFFF;
            gpu->device_id = pci.pciDeviceId >> 16;
            gpu->subsys_vendor_id = pci.pciSubSystemId & 0xFFFF;
            gpu->subsys_device_id = pci.pciSubSystemId >> 16;
        }
        const int32_t row = GpuDatabase::Lookup(gpu->vendor_id, gpu->device_id);
        std::string nvmlName;
        if (row >= 0) {
            CopyText(gpu->name, sizeof(gpu->name), GpuDatabase::FullName(gpu->vendor_id, row));
            CopyText(gpu->codename, sizeof(gpu->codename), GpuDatabase::Codename(gpu->vendor_id, row));
        } else if (nvml.DeviceName(dev, &nvmlName) && !nvmlName.empty()) {
            CopyText(gpu->name, sizeof(gpu->name), nvmlName);
        }
        NvmlReadTemperatures(nvml, gpu.get());
        NvmlMemory mem {};
        if (nvml.DeviceMemory(dev, &mem)) {
            const unsigned long long kb = mem.total / 1024;
            gpu->fb_physical_kb = kb > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(kb);
            gpu->fb_virtual_kb = gpu->fb_physical_kb;
            gpu->memory_mb = static_cast<uint32_t>(mem.total >> 20);
            if (facts->first_gpu_memory_kb == 0)
                facts->first_gpu_memory_kb = gpu->fb_physical_kb;
        }
        NvmlReadPerfLevels(nvml, gpu.get());
        unsigned fan = 0;
        if (nvml.DeviceFanSpeed(dev, &fan))
            gpu->fan_percent = static_cast<float>(fan);
        CopyText(gpu->driver_version, sizeof(gpu->driver_version),
                 facts->driver_version.empty() ? std::string("nvidia") : "nvidia " + facts->driver_version);
        std::string vbios;
        if (nvml.DeviceVbios(dev, &vbios))
            CopyText(gpu->bios_string, sizeof(gpu->bios_string), vbios);
        NvapiLog().Write("NVML - GPU %u - Bus ID:%u - name=%s - GPU temp: %.1f", i, gpu->bus, gpu->name,
                         static_cast<double>(gpu->temp_core));
        gpus->push_back(std::move(gpu));
        ++facts->gpu_count;
    }
}

bool NvmlReadTemperatures(const NvmlLibrary& nvml, GpuRecord* gpu)
{
    unsigned t = 0;
    // The same plausible range as hwmon's: a vGPU or a card in a low-power state that answers
    // 0 has no reading, not one of 0 degrees.
    if (!nvml.DeviceTemperature(gpu->nvml_device, &t) || t < kMinGpuMilliCelsius / 1000 ||
        t > kMaxGpuMilliCelsius / 1000)
        return false;
    gpu->temp_core = static_cast<float>(t);
    return true;
}

bool NvmlReadPerfLevels(const NvmlLibrary& nvml, GpuRecord* gpu)
{
    void* dev = gpu->nvml_device;
    PerfLevel top, current;
    unsigned v = 0;
    bool any = false;
    if (nvml.DeviceMaxClock(dev, kNvmlClockGraphics, &v)) {
        top.core_mhz = static_cast<float>(v);
        any = true;
    }
    if (nvml.DeviceMaxClock(dev, kNvmlClockMemory, &v))
        top.memory_mhz = static_cast<float>(v);
    if (nvml.DeviceMaxClock(dev, kNvmlClockSm, &v))
        top.shader_mhz = static_cast<float>(v);
    if (nvml.DeviceClock(dev, kNvmlClockGraphics, &v)) {
        current.core_mhz = static_cast<float>(v);
        any = true;
    }
    if (nvml.DeviceClock(dev, kNvmlClockMemory, &v))
        current.memory_mhz = static_cast<float>(v);
    if (nvml.DeviceClock(dev, kNvmlClockSm, &v))
        current.shader_mhz = static_cast<float>(v);
    int pstate = 0;
    // NVML answers 32 for "unknown"; keep it as it comes, as the level id is only shown.
    if (nvml.DevicePerformanceState(dev, &pstate))
        current.level_id = pstate;
    if (!any)
        return false;
    // The array is sized once and then reused, so a reader never sees it reallocated.
    if (gpu->levels.size() != 2)
        gpu->levels.resize(2);
    gpu->levels[0] = top;
    gpu->levels[1] = current;
    return true;
}

}  // namespace Ridudedozu
