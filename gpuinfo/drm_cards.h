// The DRM cards of a sysfs tree and the PCI facts of the device behind each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Ridudedozu {

struct DrmCard {
    int32_t card_number = -1;        // N of cardN
    std::string card_dir;            // <root>/sys/class/drm/cardN
    std::string device_dir;          // <root>/sys/class/drm/cardN/device
    std::string driver;              // kernel driver ("amdgpu", "i915", "nvidia", ...), may be empty
    std::string pci_slot;            // "0000:03:00.0", may be empty
    bool is_pci = false;             // the device has PCI ids
    bool is_display_class = false;   // PCI class 0x03xxxx
    bool boot_display = false;
    bool boot_vga = false;
    bool has_bus = false;
    uint32_t domain = 0;             // PCI domain (segment); machines with several have equal buses
    uint32_t bus = 0;
    uint32_t vendor_id = 0xFFFFFFFF;
    uint32_t device_id = 0xFFFFFFFF;
    uint32_t subsys_vendor_id = 0xFFFFFFFF;
    uint32_t subsys_device_id = 0xFFFFFFFF;
    uint32_t revision = 0xFFFFFFFF;
    std::string hwmon_dir;           // first hwmon directory of the device, empty when none
    std::string render_node;         // "renderD128" when the device has one, else empty
};

// One key per PCI bus, domain included; a card without a PCI slot gets a key of its own (from
// its card number) that no real bus can have.
uint64_t PciBusKey(bool hasBus, uint32_t domain, uint32_t bus, int32_t cardNumber);

// Every cardN (connector entries such as card0-DP-1 are not cards), in card-number order.
std::vector<DrmCard> ListDrmCards(const std::string& root);

// The bus number (and domain) of a PCI slot name ("0000:03:00.0" -> bus 3, domain 0;
// "10000:e1:00.0" -> bus 0xE1, domain 0x10000); false when the text is not one.
bool ParsePciSlotBus(const std::string& slot, uint32_t* bus, uint32_t* domain = nullptr);

// The primary display device: boot_display set, else boot_vga set, else the first PCI display
// device. Null when the tree has no PCI display device.
const DrmCard* ChoosePrimaryCard(const std::vector<DrmCard>& cards);

// What the OpenGL context tells about the device that renders it.
struct RendererIdentity {
    bool has_pci_ids = false;        // GLX_MESA_query_renderer answered
    uint32_t vendor_id = 0xFFFFFFFF;
    uint32_t device_id = 0xFFFFFFFF;
    bool software_device = false;    // EGL's device is Mesa's software device
    std::string drm_node;            // EGL device's node, "/dev/dri/card1" or "/dev/dri/renderD129"
    std::string gl_vendor;
    std::string gl_renderer;
};

enum class RenderingKind {
    kUnknown,    // nothing identifies the device: the boot display adapter stands for it
    kCard,       // one of the DRM cards
    kSoftware,   // a software rasteriser (or virgl naming no device), not a card here
    kLayeredDevice,  // a GPU under zink, d3d12 or virgl that is no DRM card of this machine
};
struct RenderingChoice {
    RenderingKind kind = RenderingKind::kUnknown;
    int32_t card_index = -1;         // into the card list, for kCard
};

// What a GL_RENDERER text says about the stack that renders.
struct RendererStack {
    std::string layer;          // "zink", "d3d12", "virgl"; "" for a driver of its own device
    std::string device;         // the device the layer runs on, or the whole text without a layer
    std::string vulkan_driver;  // zink's Vulkan driver id ("MESA_NVK"), when it names one
    std::string rasteriser;     // "llvmpipe", "softpipe", "swrast", "warp", ... when software
                                // draws in the end; "" for a GPU
};
RendererStack ParseRendererStack(const std::string& glRenderer);

// The short name of a renderer no GPU of this machine runs: the rasteriser ("llvmpipe",
// "softpipe", ...), or the layer over one ("zink" over lavapipe, "d3d12" over WARP), or
// "virgl" when it names no host device; "" for a GPU, layered or not.
std::string SoftwareRendererName(const std::string& glRenderer);

// 0x10DE, 0x1002, 0x8086 from a device name ("NVIDIA GeForce RTX 4070"); 0 when none fits.
uint32_t VendorIdFromDeviceName(const std::string& deviceName);

// Which card renders: a software renderer first (whatever cards exist), then the EGL device's
// node, the Mesa PCI ids, then GL_VENDOR's vendor (NVIDIA's own driver answers neither query);
// among equal cards the boot display adapter wins, else the first.
RenderingChoice ChooseRenderingCard(const std::vector<DrmCard>& cards, const RendererIdentity& identity);

// pci.ids name ("NVIDIA Corporation GA102 [GeForce RTX 3080]") through libpci; never empty
// for a valid id pair (libpci answers numbers for unknown ids).
std::string PciDeviceDescription(uint32_t vendorId, uint32_t deviceId);

}  // namespace Ridudedozu
