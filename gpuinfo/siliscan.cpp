// The SiliscanLib facade: lifecycle, the snapshot and the getters.
#include "gpuinfo/siliscan.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <set>

#include "gpuinfo/driver_info.h"
#include "gpuinfo/gpu_database.h"
#include "gpuinfo/library_state.h"
#include "gpuinfo/sysfs_reader.h"
#include "gpuinfo/vendor/drm_gpu.h"
#include "gpuinfo/vendor/vendor_logs.h"

namespace Ridudedozu {

namespace {

std::atomic<uint32_t> g_nextNodeId{1};
CpuSpeedMeter::Measure g_cpuMeasure;
SiliscanLib* g_instance = nullptr;

GpuRecord* GpuAt(uint32_t index)
{
    LibraryState& s = GetLibraryState();
    return index < s.gpus.size() ? s.gpus[index].get() : nullptr;
}

SystemProbe* CurrentProbe()
{
    RenderWindow* w = GetLibraryState().current_window;
    return w ? w->probe.get() : nullptr;
}

void DetectPrimaryAdapter(SystemProbe* p, const std::vector<DrmCard>& cards)
{
    if (p->primary_adapter)
        return;
    const DrmCard* card = ChoosePrimaryCard(cards);
    if (!card)
        return;
    p->primary_card = *card;
    p->primary_is_pci = true;
    p->vendor_id = card->vendor_id;
    p->device_id = card->device_id;
    p->subsys_vendor_id = card->subsys_vendor_id;
    p->subsys_device_id = card->subsys_device_id;
    p->revision = card->revision;
    CopyText(p->adapter_device_name, sizeof(p->adapter_device_name), "card" + std::to_string(card->card_number));
    CopyText(p->pnp_device_id, sizeof(p->pnp_device_id), card->pci_slot);
    CopyText(p->adapter_description, sizeof(p->adapter_description),
             PciDeviceDescription(card->vendor_id, card->device_id));
    p->primary_adapter = p->adapter_description[0] != '\0';
    switch (p->vendor_id) {
    case 0xFFFFFFFF: p->vendor_kind = kVendorNone; break;
    case kPciVendorNvidia: p->vendor_kind = kVendorNvidia; break;
    case kPciVendorAmd: p->vendor_kind = kVendorAmd; break;
    case kPciVendorS3: p->vendor_kind = kVendorS3; break;
    case kPciVendorIntel: p->vendor_kind = kVendorIntel; break;
    default: p->vendor_kind = kVendorOther; break;
    }
}

void IdentifyPrimaryDriver(SystemProbe* p, const std::string& root, const LibraryState& state)
{
    p->gl_driver_name = GlDriverText(p->gl.version_string);
    if (!p->primary_is_pci) {
        // Software rendering or a virtual GPU without a PCI device: the OpenGL driver is the
        // only driver there is.
        p->driver_version = p->gl_driver_name;
        p->gl_driver_name.clear();
        p->device_description = p->adapter_description;
        return;
    }
    const DrmCard& card = p->primary_card;
    const DrmDriverVersion drm = ReadDrmDriverVersion(root, card.card_number);
    p->driver_desc = drm.valid && !drm.desc.empty() ? drm.desc : card.driver;
    p->driver_date = drm.date;
    p->device_description = p->adapter_description;
    p->driver_version = KernelDriverVersion(root, card.driver.empty() ? drm.name : card.driver);
    if (p->vendor_kind == kVendorNvidia) {
        p->nvidia_release = p->nvml_facts.driver_version;
        if (p->nvidia_release.empty())
            p->nvidia_release = NvidiaProcDriverVersion(root);
        if (!p->nvidia_release.empty())
            p->driver_version = p->nvidia_release;
    }
    if (p->vendor_kind == kVendorAmd) {
        // amdgpu has no Catalyst package: its user-space driver (Mesa) takes that place, and
        // the kernel driver is the release.
        p->catalyst_version = p->gl_driver_name;
        p->release_version = p->driver_version;
    }
    if (auto vram = ReadUnsigned(card.device_dir + "/mem_info_vram_total"))
        p->registry_memory_bytes = static_cast<uint32_t>(std::min<uint64_t>(*vram, 0xFFFFFFFFu));
    if (auto vbios = ReadFirstLine(card.device_dir + "/vbios_version"); vbios && !vbios->empty())
        p->bios_string = *vbios;
    for (const auto& g : state.gpus)
        if (g->kind == kGpuKindNvml && card.has_bus && g->bus == card.bus && g->bios_string[0])
            p->bios_string = g->bios_string;
    p->adapter_string = p->adapter_description;
}

void TakeSnapshot(LibraryState& s, SystemProbe* p)
{
    s.initialised = true;
    s.main_gpu_index = GpuDatabase::Lookup(p->vendor_id, p->device_id);
    if (s.main_gpu_index >= 0)
        s.main_renderer =
            GpuDatabase::NameWithOverride(p->vendor_id, p->device_id, p->subsys_device_id, s.main_gpu_index);
    else
        s.main_renderer = p->adapter_description;
    s.main_driver = "unknown";
    s.main_driver = FormatMainDriverString(p->vendor_kind, p->nvidia_release, p->catalyst_version, p->driver_version,
                                           p->driver_date, p->gl_driver_name);
    if (s.main_gpu_index < 0) {
        s.main_codename = "n.a.";
    } else {
        s.main_codename = GpuDatabase::Codename(p->vendor_id, s.main_gpu_index);
        s.unified_shaders = GpuDatabase::UnifiedShaders(p->vendor_id, s.main_gpu_index);
        s.vertex_shaders = GpuDatabase::VertexShaders(p->vendor_id, s.main_gpu_index);
        s.pixel_shaders = GpuDatabase::PixelShaders(p->vendor_id, s.main_gpu_index);
        s.tdp_watts = GpuDatabase::TdpWatts(p->vendor_id, s.main_gpu_index);
        s.texture_units = GpuDatabase::TextureUnits(p->vendor_id, s.main_gpu_index);
        s.rops = GpuDatabase::Rops(p->vendor_id, s.main_gpu_index);
    }
    if (p->vendor_kind == kVendorNvidia && p->nvml_facts.first_gpu_memory_kb != 0)
        s.video_memory_mb = p->nvml_facts.first_gpu_memory_kb / 1024;
    else
        s.video_memory_mb = p->registry_memory_bytes / 1048576u;
    s.bios_version = BiosVersionFromString(p->bios_string);
    s.main_vendor_id = p->vendor_id;
    s.main_device_id = p->device_id;
    if (p->vendor_kind == kVendorNvidia) {
        s.logical_gpu_count = p->nvml_facts.gpu_count;
        s.physical_gpu_count = p->nvml_facts.gpu_count;
    } else if (p->vendor_kind == kVendorAmd) {
        s.logical_gpu_count = p->amd_multi_gpu_count;
        s.physical_gpu_count = p->amd_multi_gpu_count;
    }
    if (s.physical_gpu_count == 0)
        s.physical_gpu_count = 1;
    if (s.logical_gpu_count == 0)
        s.logical_gpu_count = 1;
    s.cpu_name = p->system.cpu_name;
    s.os_name = p->system.os_name;
    s.os_family = p->system.os_family;
    if (p->gl.context_ready) {
        s.gl_major = p->gl.version.major;
        s.gl_minor = p->gl.version.minor;
        s.limits = p->gl.limits;
        s.extensions = p->gl.extensions;
        s.max_tess_level = p->gl.limits.max_tess_gen_level;
        s.msaa_modes = p->gl.msaa_modes;
    }
}

}  // namespace

void SetCpuSpeedMeasure(CpuSpeedMeter::Measure measure) { g_cpuMeasure = std::move(measure); }

SystemProbe::SystemProbe() : cpu_speed(g_cpuMeasure ? g_cpuMeasure : CpuSpeedMeter::Measure(MeasureCpuSpeedMhz)) {}

RenderWindow::RenderWindow() : id(g_nextNodeId.fetch_add(1)), probe(std::make_unique<SystemProbe>()) {}

RenderWindow::~RenderWindow()
{
    if (probe) {
        probe->gl.Release();
        probe->cpu_speed.Finish();
        probe->nvml.reset();
    }
}

void LibraryState::Reset()
{
    // The GPU records may refer to the NVML library of a window: free them first.
    gpus.clear();
    current_window = nullptr;
    render_windows.clear();
    *this = LibraryState();
}

LibraryState& GetLibraryState()
{
    static LibraryState state;
    return state;
}

void SortGpuRecordsByBus(std::vector<std::unique_ptr<GpuRecord>>* gpus)
{
    // Exchange sort: a stable sort, so records sharing a bus keep their order.
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (size_t i = 1; i < gpus->size(); ++i) {
            if ((*gpus)[i - 1]->bus > (*gpus)[i]->bus) {
                std::swap((*gpus)[i - 1], (*gpus)[i]);
                swapped = true;
            }
        }
    }
}

bool RunDetection(LibraryState& s, const std::string& root, int32_t x, int32_t y, int32_t width, int32_t height,
                  int32_t glMajor, int32_t glMinor)
{
    if (s.initialised)
        return true;
    RenderWindow* window = s.current_window;
    if (!window || !window->probe)
        return false;
    if (s.probe_window_open) {
        // An earlier Start found no adapter: detect afresh instead of listing every GPU twice.
        s.gpus.clear();
        window->probe = std::make_unique<SystemProbe>();
    }
    SystemProbe* p = window->probe.get();
    window->requested_major = glMajor;
    window->requested_minor = glMinor;
    s.probe_window_open = true;

    const std::vector<DrmCard> cards = ListDrmCards(root);
    DetectPrimaryAdapter(p, cards);
    p->system_detected = DetectSystem(root, HardwareCpuid(), &p->system);
    // The one-second clock measurement runs beside the rest of the detection.
    p->cpu_speed.Start();

    std::set<uint32_t> seenBuses;
    p->nvml = NvmlLibrary::Load(NvmlLibrary::DefaultPath());
    if (p->nvml) {
        NvmlEnumerate(*p->nvml, &s.gpus, &p->nvml_facts);
        for (const auto& g : s.gpus)
            seenBuses.insert(g->bus);
    }
    p->amd_multi_gpu_count = 1;
    AdlLog().Write("AtiMultiGPUAdapters = %u", p->amd_multi_gpu_count);
    AmdgpuEnumerate(root, cards, &s.gpus, &seenBuses);
    HwmonEnumerate(root, cards, &s.gpus, &seenBuses);

    if (glMajor >= 1) {
        if (p->gl.Create(x, y, width, height, glMajor, glMinor)) {
            window->attrib_context = p->gl.attrib_context;
            // Software rendering and virtual GPUs have no PCI display device, yet they do
            // render: the OpenGL renderer then is the adapter, so such machines can run.
            if (!p->primary_adapter && p->gl.renderer != "n.a." && !p->gl.renderer.empty()) {
                CopyText(p->adapter_description, sizeof(p->adapter_description), p->gl.renderer);
                p->primary_adapter = true;
            }
            if (p->vendor_kind == kVendorNone && p->primary_adapter)
                p->vendor_kind = VendorKindFromGlVendor(p->gl.vendor.c_str());
        }
    }
    IdentifyPrimaryDriver(p, root, s);

    s.max_msaa_samples = p->gl.max_samples;
    s.vista = std::strstr(p->system.os_name, "Vista") != nullptr;
    // No physics runtime to ask on this platform: version 0, not on the GPU.
    s.physx_version = 0;
    s.physx_on_gpu = false;
    s.driver_detected = p->primary_adapter;
    if (!p->primary_adapter)
        return true;
    TakeSnapshot(s, p);
    return true;
}

SiliscanLib::SiliscanLib() = default;
SiliscanLib::~SiliscanLib() = default;

SiliscanLib* SiliscanLib::Instance()
{
    if (!g_instance) {
        g_instance = new (std::nothrow) SiliscanLib();
        if (!g_instance)
            return nullptr;
        LibraryState& s = GetLibraryState();
        auto* window = new (std::nothrow) RenderWindow();
        if (window) {
            s.render_windows.emplace_back(window);
            s.current_window = window;
        }
    }
    return g_instance;
}

bool SiliscanLib::Start(int32_t x, int32_t y, int32_t width, int32_t height, int32_t glMajor, int32_t glMinor)
{
    return RunDetection(GetLibraryState(), SysfsRootFromEnvironment(), x, y, width, height, glMajor, glMinor);
}

bool SiliscanLib::Stop()
{
    LibraryState& s = GetLibraryState();
    if (!s.initialised) {
        // Nothing was detected, so there is no snapshot to free; the probe's context and the
        // clock measurement are still ended, so no context or thread outlives the program's
        // shutdown.
        if (SystemProbe* p = CurrentProbe()) {
            p->gl.Release();
            p->cpu_speed.Finish();
        }
        return false;
    }
    DestroyLibrary();
    return true;
}

void DestroyLibrary()
{
    GetLibraryState().Reset();
    delete g_instance;
    g_instance = nullptr;
}

uint32_t SiliscanLib::GetNumGpus() { return static_cast<uint32_t>(GetLibraryState().gpus.size()); }

bool SiliscanLib::SortGpusByBus()
{
    LibraryState& s = GetLibraryState();
    if (s.gpus.empty())
        return false;
    SortGpuRecordsByBus(&s.gpus);
    return true;
}

const char* SiliscanLib::GetGpuName(uint32_t index)
{
    GpuRecord* g = GpuAt(index);
    return g ? g->name : nullptr;
}

const char* SiliscanLib::GetGpuDriver(uint32_t index)
{
    GpuRecord* g = GpuAt(index);
    return g ? g->driver_version : nullptr;
}

bool SiliscanLib::GetGpuTemperatures(uint32_t index, float* core, float* board, float* memory, float* psu)
{
    GpuRecord* g = GpuAt(index);
    if (!g)
        return false;
    bool ok = false;
    switch (g->kind) {
    case kGpuKindNvml: {
        SystemProbe* p = CurrentProbe();
        ok = p && p->nvml && NvmlReadTemperatures(*p->nvml, g);
        break;
    }
    case kGpuKindAmdgpu:
        // As with the AMD interface elsewhere: the reading counts as made whatever the
        // sensor answered; only the core value is refreshed.
        DrmReadTemperature(g);
        ok = true;
        break;
    case kGpuKindHwmon:
        ok = DrmReadTemperature(g);
        break;
    default:
        break;
    }
    if (!ok)
        return false;
    if (core)
        *core = g->temp_core;
    if (board)
        *board = g->temp_board;
    if (memory)
        *memory = g->temp_memory;
    if (psu)
        *psu = g->temp_psu;
    return true;
}

bool SiliscanLib::GetGpuPciIds(uint32_t index, uint32_t* vendorId, uint32_t* deviceId, uint32_t* subsysVendorId,
                               uint32_t* deviceIdAgain)
{
    GpuRecord* g = GpuAt(index);
    if (!g)
        return false;
    if (vendorId)
        *vendorId = g->vendor_id;
    if (deviceId)
        *deviceId = g->device_id;
    if (subsysVendorId)
        *subsysVendorId = g->subsys_vendor_id;
    if (deviceIdAgain)
        *deviceIdAgain = g->device_id;
    return true;
}

int32_t SiliscanLib::GetGpuShaderCount(uint32_t index)
{
    GpuRecord* g = GpuAt(index);
    if (!g)
        return 0;
    if (g->shader_count == 0) {
        const int32_t row = GpuDatabase::Lookup(g->vendor_id, g->device_id);
        if (row >= 0 && GpuDatabase::UnifiedShaders(g->vendor_id, row) > 0)
            g->shader_count = GpuDatabase::UnifiedShaders(g->vendor_id, row);
    }
    return g->shader_count;
}

uint32_t SiliscanLib::GetGpuNumPerfLevels(uint32_t index)
{
    GpuRecord* g = GpuAt(index);
    return g ? static_cast<uint32_t>(g->levels.size()) : 0;
}

bool SiliscanLib::GetGpuPerfLevel(uint32_t index, uint32_t level, float* levelId, float* coreMhz, float* memoryMhz,
                                  float* shaderMhz, float* coreVolts)
{
    GpuRecord* g = GpuAt(index);
    if (!g)
        return false;
    bool ok = false;
    switch (g->kind) {
    case kGpuKindNvml: {
        SystemProbe* p = CurrentProbe();
        ok = p && p->nvml && NvmlReadPerfLevels(*p->nvml, g);
        break;
    }
    case kGpuKindAmdgpu: ok = AmdgpuReadPerfLevels(g); break;
    case kGpuKindHwmon: ok = HwmonReadPerfLevels(g); break;
    default: break;
    }
    if (!ok || level >= g->levels.size())
        return false;
    const PerfLevel& l = g->levels[level];
    if (levelId)
        *levelId = static_cast<float>(l.level_id);
    if (coreMhz)
        *coreMhz = l.core_mhz;
    if (memoryMhz)
        *memoryMhz = l.memory_mhz;
    if (shaderMhz)
        *shaderMhz = l.shader_mhz;
    if (coreVolts)
        *coreVolts = l.core_volts;
    return true;
}

bool SiliscanLib::IsDriverDetected() { return GetLibraryState().driver_detected; }
uint32_t SiliscanLib::GetMainVendorId() { return GetLibraryState().main_vendor_id; }
uint32_t SiliscanLib::GetMainDeviceId() { return GetLibraryState().main_device_id; }
const char* SiliscanLib::GetMainRenderer() { return GetLibraryState().main_renderer.c_str(); }
const char* SiliscanLib::GetMainDriver() { return GetLibraryState().main_driver.c_str(); }

int32_t SiliscanLib::GetMainVendorKind()
{
    SystemProbe* p = CurrentProbe();
    return p ? p->vendor_kind : kVendorNone;
}

const char* SiliscanLib::GetDriverDate()
{
    SystemProbe* p = CurrentProbe();
    return p ? p->driver_date.c_str() : "";
}

const char* SiliscanLib::GetCatalystVersion()
{
    SystemProbe* p = CurrentProbe();
    return p ? p->catalyst_version.c_str() : "";
}

const char* SiliscanLib::GetCatalystRelease()
{
    SystemProbe* p = CurrentProbe();
    return p ? p->release_version.c_str() : "";
}

int32_t SiliscanLib::GetCpuSpeedMhz()
{
    SystemProbe* p = CurrentProbe();
    return p ? p->cpu_speed.Get() : 0;
}

uint32_t SiliscanLib::GetSystemMemoryKb()
{
    SystemProbe* p = CurrentProbe();
    return p ? p->system.memory_kb : 0;
}

const char* SiliscanLib::GetCpuName() { return GetLibraryState().cpu_name.c_str(); }
const char* SiliscanLib::GetOsName() { return GetLibraryState().os_name.c_str(); }
int32_t SiliscanLib::GetGlMajor() { return GetLibraryState().gl_major; }
int32_t SiliscanLib::GetGlMinor() { return GetLibraryState().gl_minor; }
int32_t SiliscanLib::GetMaxViewportSize() { return GetLibraryState().limits.max_viewport_size; }
double SiliscanLib::GetMaxTessLevel() { return static_cast<double>(GetLibraryState().max_tess_level); }
uint32_t SiliscanLib::GetNumMsaaModes() { return static_cast<uint32_t>(GetLibraryState().msaa_modes.size()); }

int32_t SiliscanLib::GetMsaaMode(uint32_t index)
{
    const auto& modes = GetLibraryState().msaa_modes;
    return index < modes.size() ? modes[index].samples : 0;
}

}  // namespace Ridudedozu
