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

std::unique_ptr<RendererIdentity> g_rendererOverride;

int32_t VendorKindOf(uint32_t vendorId)
{
    switch (vendorId) {
    case 0xFFFFFFFF: return kVendorNone;
    case kPciVendorNvidia: return kVendorNvidia;
    case kPciVendorAmd: return kVendorAmd;
    case kPciVendorS3: return kVendorS3;
    case kPciVendorIntel: return kVendorIntel;
    default: return kVendorOther;
    }
}

void UseCardAsPrimary(SystemProbe* p, const DrmCard& card)
{
    p->primary_card = card;
    p->primary_is_pci = true;
    p->vendor_id = card.vendor_id;
    p->device_id = card.device_id;
    p->subsys_vendor_id = card.subsys_vendor_id;
    p->subsys_device_id = card.subsys_device_id;
    p->revision = card.revision;
    CopyText(p->adapter_device_name, sizeof(p->adapter_device_name), "card" + std::to_string(card.card_number));
    CopyText(p->pnp_device_id, sizeof(p->pnp_device_id), card.pci_slot);
    CopyText(p->adapter_description, sizeof(p->adapter_description),
             PciDeviceDescription(card.vendor_id, card.device_id));
    p->primary_adapter = p->adapter_description[0] != '\0';
    p->vendor_kind = VendorKindOf(p->vendor_id);
}

// The main card is the device that renders the probe context; the boot display adapter only
// stands in when nothing tells which device that is (no context, an unknown driver).
void ChooseMainCard(SystemProbe* p, const std::vector<DrmCard>& cards)
{
    const DrmCard* boot = ChoosePrimaryCard(cards);
    p->has_boot_card = boot != nullptr;
    if (boot)
        p->boot_card = *boot;
    p->boot_card_renders = true;

    const RendererIdentity* identity = g_rendererOverride.get();
    if (!identity && p->gl.context_ready)
        identity = &p->gl.render_identity;
    const RenderingChoice choice = identity ? ChooseRenderingCard(cards, *identity) : RenderingChoice{};
    switch (choice.kind) {
    case RenderingKind::kSoftware:
        p->software_renderer = SoftwareRendererName(identity->gl_renderer);
        if (p->software_renderer.empty())
            p->software_renderer = "software";
        p->primary_is_pci = false;
        CopyText(p->adapter_description, sizeof(p->adapter_description), identity->gl_renderer);
        p->primary_adapter = !identity->gl_renderer.empty() && identity->gl_renderer != "n.a.";
        p->vendor_kind = p->primary_adapter ? VendorKindFromGlVendor(identity->gl_vendor.c_str()) : kVendorNone;
        p->boot_card_renders = !boot;
        return;
    case RenderingKind::kCard:
        UseCardAsPrimary(p, cards[static_cast<size_t>(choice.card_index)]);
        p->renderer_layer = ParseRendererStack(identity->gl_renderer).layer;
        p->boot_card_renders = !boot || boot == &cards[static_cast<size_t>(choice.card_index)];
        return;
    case RenderingKind::kLayeredDevice: {
        // The GPU is real but no card here: it is named as the layer names it.
        const RendererStack stack = ParseRendererStack(identity->gl_renderer);
        p->renderer_layer = stack.layer;
        p->primary_is_pci = false;
        CopyText(p->adapter_description, sizeof(p->adapter_description), stack.device);
        p->primary_adapter = !stack.device.empty();
        p->vendor_kind = p->primary_adapter ? VendorKindOf(VendorIdFromDeviceName(stack.device)) : kVendorNone;
        p->boot_card_renders = !boot;
        return;
    }
    case RenderingKind::kUnknown:
        break;
    }
    if (boot) {
        UseCardAsPrimary(p, *boot);
        return;
    }
    // Software rendering or a virtual GPU without a PCI device: the OpenGL renderer then is the
    // adapter, so such machines can run.
    if (p->gl.context_ready && p->gl.renderer != "n.a." && !p->gl.renderer.empty()) {
        CopyText(p->adapter_description, sizeof(p->adapter_description), p->gl.renderer);
        p->primary_adapter = true;
        p->vendor_kind = VendorKindFromGlVendor(p->gl.vendor.c_str());
    }
}

void IdentifyPrimaryDriver(SystemProbe* p, const std::string& root, const LibraryState& state)
{
    p->gl_driver_name = p->gl.context_ready ? GlDriverText(p->gl.version_string) : std::string();
    // A GPU under zink, d3d12 or virgl: its own driver's name, and the stack the GL runs on.
    if (!p->renderer_layer.empty() && !p->gl_driver_name.empty())
        p->gl_driver_name += " (" + p->renderer_layer + ")";
    p->device_description = p->adapter_description;
    if (!p->primary_is_pci) {
        // No card renders: the software rasteriser's name stands where the kernel driver's would.
        p->kernel_driver_text = p->software_renderer;
        p->driver_version = p->gl_driver_name;
        p->main_driver_text = FormatDriverText(p->kernel_driver_text, p->gl_driver_name);
        return;
    }
    const DrmCard& card = p->primary_card;
    const DrmDriverVersion drm = ReadDrmDriverVersion(root, card.card_number);
    const std::string driver = card.driver.empty() ? drm.name : card.driver;
    p->driver_desc = drm.valid && !drm.desc.empty() ? drm.desc : driver;
    p->driver_date = drm.date;
    p->driver_version = KernelDriverVersion(root, driver);
    if (p->vendor_kind == kVendorNvidia) {
        p->nvidia_release = p->nvml_facts.driver_version;
        if (p->nvidia_release.empty())
            p->nvidia_release = NvidiaProcDriverVersion(root);
        if (!p->nvidia_release.empty())
            p->driver_version = p->nvidia_release;
    }
    p->kernel_driver_text = KernelDriverText(root, driver, p->nvml_facts.driver_version);
    p->main_driver_text = FormatDriverText(p->kernel_driver_text, p->gl_driver_name);
    // Linux has no Catalyst package: no version of one, and the kernel driver's as the release.
    p->catalyst_version.clear();
    p->release_version = p->vendor_kind == kVendorAmd ? p->driver_version : std::string();
    if (auto vram = ReadUnsigned(card.device_dir + "/mem_info_vram_total"))
        p->registry_memory_bytes = *vram;
    if (auto vbios = ReadFirstLine(card.device_dir + "/vbios_version"); vbios && !vbios->empty())
        p->bios_string = *vbios;
    const uint64_t key = PciBusKey(card.has_bus, card.domain, card.bus, card.card_number);
    for (const auto& g : state.gpus)
        if (g->kind == kGpuKindNvml && card.has_bus && g->bus_key == key && g->bios_string[0])
            p->bios_string = g->bios_string;
    p->adapter_string = p->adapter_description;
}

// GPU 0 is the device that renders: the sensors, the graphs and the HUD read GPU 0 as the
// main card. A software renderer gets a record of its own, without sensors.
// GPU i renders the context: its driver is also the OpenGL driver (the whole text), and it
// moves to the front of the list.
void MarkRenderingGpuFirst(LibraryState& s, size_t i, const std::string& driverText)
{
    GpuRecord* g = s.gpus[i].get();
    g->renders = true;
    CopyText(g->driver_version, sizeof(g->driver_version), driverText);
    std::rotate(s.gpus.begin(), s.gpus.begin() + static_cast<std::ptrdiff_t>(i),
                s.gpus.begin() + static_cast<std::ptrdiff_t>(i) + 1);
}

void PutRenderingGpuFirst(LibraryState& s, SystemProbe* p)
{
    if (!p->software_renderer.empty() || (!p->primary_is_pci && !p->renderer_layer.empty())) {
        if (!p->primary_adapter)
            return;
        // NVML answers under WSL, where the GPU is no PCI device: its record is this GPU.
        for (size_t i = 0; i < s.gpus.size() && p->software_renderer.empty(); ++i) {
            GpuRecord* g = s.gpus[i].get();
            if (std::strcmp(g->name, p->adapter_description) != 0)
                continue;
            MarkRenderingGpuFirst(s, i, p->main_driver_text);
            return;
        }
        auto gpu = std::make_unique<GpuRecord>();
        gpu->kind = kGpuKindSoftware;
        gpu->renders = true;
        gpu->bus_key = 0;
        gpu->vendor_id = gpu->device_id = gpu->subsys_vendor_id = gpu->subsys_device_id = 0xFFFFFFFF;
        CopyText(gpu->name, sizeof(gpu->name), p->adapter_description);
        CopyText(gpu->driver_version, sizeof(gpu->driver_version), p->main_driver_text);
        s.gpus.insert(s.gpus.begin(), std::move(gpu));
        return;
    }
    if (!p->primary_is_pci)
        return;
    const DrmCard& card = p->primary_card;
    const uint64_t key = PciBusKey(card.has_bus, card.domain, card.bus, card.card_number);
    for (size_t i = 0; i < s.gpus.size(); ++i) {
        GpuRecord* g = s.gpus[i].get();
        if (g->bus_key != key)
            continue;
        MarkRenderingGpuFirst(s, i, p->main_driver_text);
        return;
    }
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
    s.main_driver = p->main_driver_text.empty() ? std::string("unknown") : p->main_driver_text;
    s.software_renderer = !p->software_renderer.empty();
    if (p->has_boot_card && !p->boot_card_renders) {
        s.boot_adapter_name = DrmCardName(p->boot_card);
        s.boot_vendor_id = p->boot_card.vendor_id;
        s.boot_device_id = p->boot_card.device_id;
    }
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
        s.video_memory_mb = static_cast<uint32_t>(std::min<uint64_t>(p->registry_memory_bytes / 1048576u, 0xFFFFFFFFu));
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

void SetRendererIdentityOverride(const RendererIdentity* identity)
{
    g_rendererOverride = identity ? std::make_unique<RendererIdentity>(*identity) : nullptr;
}

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
    // Exchange sort: a stable sort, so records sharing a bus keep their order. The rendering
    // GPU stays in front: GPU 0 is the main card.
    auto after = [](const GpuRecord& a, const GpuRecord& b) {
        if (a.renders != b.renders)
            return b.renders;
        return a.bus_key > b.bus_key;
    };
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (size_t i = 1; i < gpus->size(); ++i) {
            if (after(*(*gpus)[i - 1], *(*gpus)[i])) {
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
    p->system_detected = DetectSystem(root, HardwareCpuid(), &p->system);
    // The one-second clock measurement runs beside the rest of the detection.
    p->cpu_speed.Start();

    std::set<uint64_t> seenBuses;
    p->nvml = NvmlLibrary::Load(NvmlLibrary::DefaultPath());
    if (p->nvml) {
        NvmlEnumerate(*p->nvml, &s.gpus, &p->nvml_facts);
        for (const auto& g : s.gpus)
            seenBuses.insert(g->bus_key);
    }
    p->amd_multi_gpu_count = 1;
    AdlLog().Write("AtiMultiGPUAdapters = %u", p->amd_multi_gpu_count);
    AmdgpuEnumerate(root, cards, &s.gpus, &seenBuses);
    HwmonEnumerate(root, cards, &s.gpus, &seenBuses);

    if (glMajor >= 1 && p->gl.Create(x, y, width, height, glMajor, glMinor))
        window->attrib_context = p->gl.attrib_context;
    ChooseMainCard(p, cards);
    IdentifyPrimaryDriver(p, root, s);
    PutRenderingGpuFirst(s, p);

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

bool SiliscanLib::GetGpuPower(uint32_t index, float* watts)
{
    GpuRecord* g = GpuAt(index);
    if (!g || !watts)
        return false;
    if (g->kind == kGpuKindNvml) {
        SystemProbe* p = CurrentProbe();
        unsigned milliwatts = 0;
        if (!p || !p->nvml || !p->nvml->DevicePowerUsage(g->nvml_device, &milliwatts) || milliwatts > 2000000u)
            return false;
        *watts = static_cast<float>(milliwatts) / 1000.0f;
        return true;
    }
    return (g->kind == kGpuKindAmdgpu || g->kind == kGpuKindHwmon) && DrmReadPower(*g, watts);
}

bool SiliscanLib::GetGpuFan(uint32_t index, float* percent, float* rpm)
{
    GpuRecord* g = GpuAt(index);
    if (!g)
        return false;
    if (g->kind == kGpuKindNvml) {
        SystemProbe* p = CurrentProbe();
        unsigned fan = 0;
        if (!p || !p->nvml || !p->nvml->DeviceFanSpeed(g->nvml_device, &fan) || fan > 100u)
            return false;
        g->fan_percent = static_cast<float>(fan);
    } else if (g->kind != kGpuKindAmdgpu && g->kind != kGpuKindHwmon) {
        return false;
    } else {
        g->fan_percent = g->fan_rpm = -1.0f;
        if (!DrmReadFanSpeed(g))
            return false;
    }
    if (percent && g->fan_percent >= 0.0f)
        *percent = g->fan_percent;
    if (rpm && g->fan_rpm >= 0.0f)
        *rpm = g->fan_rpm;
    return true;
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
    // A sensor that does not answer is absent, never a reading of 0.
    case kGpuKindAmdgpu:
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

bool SiliscanLib::IsSoftwareRenderer() { return GetLibraryState().software_renderer; }
const char* SiliscanLib::GetBootAdapterName() { return GetLibraryState().boot_adapter_name.c_str(); }
uint32_t SiliscanLib::GetBootAdapterVendorId() { return GetLibraryState().boot_vendor_id; }
uint32_t SiliscanLib::GetBootAdapterDeviceId() { return GetLibraryState().boot_device_id; }

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
