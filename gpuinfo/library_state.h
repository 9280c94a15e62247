// The library's internal objects: the probe window (RenderWindow) with its SystemProbe, and
// the process-wide snapshot (LibraryState) that Start fills and Stop clears.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gpuinfo/drm_cards.h"
#include "gpuinfo/gl_probe.h"
#include "gpuinfo/gpu_record.h"
#include "gpuinfo/system_info.h"
#include "gpuinfo/vendor/nvml.h"

namespace Ridudedozu {

// Everything one detection pass finds out about the machine.
struct SystemProbe {
    SystemProbe();

    // Primary adapter.
    char adapter_device_name[64] = {};
    char adapter_description[256] = {};
    char pnp_device_id[256] = {};          // the PCI slot ("0000:03:00.0")
    uint32_t vendor_id = 0xFFFFFFFF;
    uint32_t device_id = 0xFFFFFFFF;
    uint32_t subsys_vendor_id = 0xFFFFFFFF;
    uint32_t subsys_device_id = 0xFFFFFFFF;
    uint32_t revision = 0xFFFFFFFF;
    bool primary_adapter = false;
    bool primary_is_pci = false;           // false: the adapter is the GL renderer alone
    int32_t vendor_kind = 0;
    DrmCard primary_card;
    // The boot display adapter (boot_display/boot_vga), which need not be the card that renders.
    DrmCard boot_card;
    bool has_boot_card = false;
    bool boot_card_renders = true;
    // A software renderer renders the context ("llvmpipe", ...); empty for a hardware one.
    std::string software_renderer;
    // The layer a GPU renders through ("zink", "d3d12", "virgl"); empty for its own driver.
    std::string renderer_layer;

    SystemFacts system;
    bool system_detected = false;
    CpuSpeedMeter cpu_speed;

    // Driver identification.
    std::string driver_version = "Unknown version";
    std::string driver_desc;
    std::string driver_date;
    std::string device_description;
    std::string gl_driver_name;
    std::string adapter_string;
    std::string bios_string;
    std::string catalyst_version;
    std::string release_version;
    uint64_t registry_memory_bytes = 0;    // 64 bits: cards with more than 4 GiB are common
    std::string nvidia_release;
    std::string kernel_driver_text;        // "amdgpu 6.8.0-45-generic", "llvmpipe", ...
    std::string main_driver_text;          // kernel part and OpenGL driver part

    GlProbe gl;
    std::unique_ptr<NvmlLibrary> nvml;
    NvmlFacts nvml_facts;
    uint32_t amd_multi_gpu_count = 1;
};

class RenderWindow {
public:
    RenderWindow();
    virtual ~RenderWindow();
    RenderWindow(const RenderWindow&) = delete;
    RenderWindow& operator=(const RenderWindow&) = delete;

    uint32_t id = 0;
    std::unique_ptr<SystemProbe> probe;
    uint32_t reserved = 0;
    bool attrib_context = false;
    int32_t requested_major = 2;
    int32_t requested_minor = 0;
};

struct LibraryState {
    bool initialised = false;
    int32_t main_gpu_index = -1;
    std::vector<std::unique_ptr<GpuRecord>> gpus;
    std::vector<std::unique_ptr<RenderWindow>> render_windows;
    RenderWindow* current_window = nullptr;
    bool probe_window_open = false;
    bool driver_detected = false;
    bool vista = false;
    uint32_t physx_version = 0;
    bool physx_on_gpu = false;
    std::string main_renderer;
    std::string main_driver = "unknown";
    bool software_renderer = false;
    // Set only when the boot display adapter is not the device that renders.
    std::string boot_adapter_name;
    uint32_t boot_vendor_id = 0xFFFFFFFF;
    uint32_t boot_device_id = 0xFFFFFFFF;
    std::string main_codename;
    int32_t tdp_watts = 0;
    int32_t unified_shaders = 0;
    int32_t vertex_shaders = 0;
    int32_t pixel_shaders = 0;
    int32_t texture_units = 0;
    int32_t rops = 0;
    uint32_t video_memory_mb = 0;
    std::string bios_version = "n.a.";
    uint32_t main_vendor_id = 0xFFFFFFFF;
    uint32_t main_device_id = 0xFFFFFFFF;
    uint32_t physical_gpu_count = 1;
    uint32_t logical_gpu_count = 1;
    std::string cpu_name;
    std::string os_name;
    std::string os_family;
    int32_t gl_major = 1;
    int32_t gl_minor = 1;
    GlLimits limits;
    std::vector<std::string> extensions;
    int32_t max_tess_level = 0;
    int32_t max_msaa_samples = 1;
    std::vector<MsaaMode> msaa_modes;

    // Back to the defaults above, destroying everything owned.
    void Reset();
};

LibraryState& GetLibraryState();

// The detection pass behind Start, on the given file-system root (tests pass fake trees).
// Fills the probe, the GPU list and, when a primary adapter was found, the snapshot.
bool RunDetection(LibraryState& state, const std::string& root, int32_t x, int32_t y, int32_t width,
                  int32_t height, int32_t glMajor, int32_t glMinor);

// Frees everything and deletes the singleton whether or not detection succeeded (what Stop
// does for a started library; tests use it between cases).
void DestroyLibrary();

// Replaces the one-second clock measurement of probes made from now on (tests); null
// restores the time-stamp counter measurement.
void SetCpuSpeedMeasure(CpuSpeedMeter::Measure measure);

// Stands in for the probe context's answer to "which device renders?" in detections made from
// now on (tests without a context); null restores the probe's own answer.
void SetRendererIdentityOverride(const RendererIdentity* identity);

// Bubble sort of the GPU list by PCI domain and bus, the rendering GPU first; records with
// equal keys keep their order.
void SortGpuRecordsByBus(std::vector<std::unique_ptr<GpuRecord>>* gpus);

}  // namespace Ridudedozu
