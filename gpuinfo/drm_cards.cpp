// DRM card enumeration over sysfs and the pci.ids names of their devices.
#include "gpuinfo/drm_cards.h"

#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

extern "C" {
#include <pci/pci.h>
}

#include "gpuinfo/sysfs_reader.h"

namespace Ridudedozu {

namespace {

bool IsCardName(const std::string& name)
{
    if (name.size() < 5 || name.compare(0, 4, "card") != 0)
        return false;
    for (size_t i = 4; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return name.size() < 14;
}

uint32_t ReadId(const std::string& path)
{
    auto text = ReadTextFile(path, 64);
    if (!text)
        return 0xFFFFFFFF;
    auto id = ParseSysfsHexId(*text);
    return id ? *id : 0xFFFFFFFF;
}

bool ReadFlag(const std::string& path)
{
    auto v = ReadUnsigned(path);
    return v && *v == 1;
}

}  // namespace

bool ParsePciSlotBus(const std::string& slot, uint32_t* bus, uint32_t* domain)
{
    // domain:bus:device.function, e.g. 0000:03:00.0; the bus is the two hex digits after the
    // first colon, the domain the (four, on VMD hosts five) digits before it.
    const size_t colon = slot.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 8 || colon + 3 > slot.size() ||
        slot.find(':', colon + 1) != colon + 3)
        return false;
    auto hexDigit = [](char c, uint32_t* d) {
        if (c >= '0' && c <= '9')
            *d = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            *d = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            *d = static_cast<uint32_t>(c - 'A' + 10);
        else
            return false;
        return true;
    };
    uint32_t domainValue = 0, value = 0, d = 0;
    for (size_t i = 0; i < colon; ++i) {
        if (!hexDigit(slot[i], &d))
            return false;
        domainValue = domainValue * 16 + d;
    }
    for (size_t i = colon + 1; i < colon + 3; ++i) {
        if (!hexDigit(slot[i], &d))
            return false;
        value = value * 16 + d;
    }
    if (bus)
        *bus = value;
    if (domain)
        *domain = domainValue;
    return true;
}

uint64_t PciBusKey(bool hasBus, uint32_t domain, uint32_t bus, int32_t cardNumber)
{
    if (!hasBus)
        return (uint64_t{1} << 48) + static_cast<uint32_t>(cardNumber);
    return (static_cast<uint64_t>(domain) << 8) | (bus & 0xFF);
}

std::vector<DrmCard> ListDrmCards(const std::string& root)
{
    std::vector<DrmCard> cards;
    const std::string drmDir = RootedPath(root, "/sys/class/drm");
    for (const std::string& name : ListDirectory(drmDir)) {
        if (!IsCardName(name))
            continue;
        DrmCard card;
        card.card_number = std::atoi(name.c_str() + 4);
        card.card_dir = drmDir + "/" + name;
        card.device_dir = card.card_dir + "/device";
        if (!IsDirectory(card.device_dir))
            continue;

        if (auto uevent = ReadTextFile(card.device_dir + "/uevent")) {
            if (auto drv = FindKeyValue(*uevent, "DRIVER"))
                card.driver = *drv;
            if (auto slot = FindKeyValue(*uevent, "PCI_SLOT_NAME"))
                card.pci_slot = *slot;
        }
        card.has_bus = ParsePciSlotBus(card.pci_slot, &card.bus, &card.domain);

        card.vendor_id = ReadId(card.device_dir + "/vendor");
        card.device_id = ReadId(card.device_dir + "/device");
        card.subsys_vendor_id = ReadId(card.device_dir + "/subsystem_vendor");
        card.subsys_device_id = ReadId(card.device_dir + "/subsystem_device");
        if (auto rev = ReadUnsigned(card.device_dir + "/revision"); rev && *rev <= 0xFF)
            card.revision = static_cast<uint32_t>(*rev);
        card.is_pci = card.vendor_id != 0xFFFFFFFF && card.device_id != 0xFFFFFFFF;
        if (auto cls = ReadUnsigned(card.device_dir + "/class"))
            card.is_display_class = ((*cls >> 16) & 0xFF) == 0x03;
        card.boot_display = ReadFlag(card.device_dir + "/boot_display");
        card.boot_vga = ReadFlag(card.device_dir + "/boot_vga");

        const std::string hwmonBase = card.device_dir + "/hwmon";
        for (const std::string& h : ListDirectory(hwmonBase)) {
            if (h.compare(0, 5, "hwmon") == 0 && IsDirectory(hwmonBase + "/" + h)) {
                card.hwmon_dir = hwmonBase + "/" + h;
                break;
            }
        }
        for (const std::string& node : ListDirectory(card.device_dir + "/drm")) {
            if (node.rfind("renderD", 0) == 0 && node.size() < 16) {
                card.render_node = node;
                break;
            }
        }
        cards.push_back(std::move(card));
    }
    return cards;
}

const DrmCard* ChoosePrimaryCard(const std::vector<DrmCard>& cards)
{
    auto displayDevice = [](const DrmCard& c) { return c.is_pci && c.is_display_class; };
    for (const DrmCard& c : cards)
        if (displayDevice(c) && c.boot_display)
            return &c;
    for (const DrmCard& c : cards)
        if (displayDevice(c) && c.boot_vga)
            return &c;
    for (const DrmCard& c : cards)
        if (displayDevice(c))
            return &c;
    return nullptr;
}

namespace {

// Mesa drivers that run OpenGL on another API. Each names the device underneath in
// parentheses after its own name; zink since Mesa 23 also puts the Vulkan version before and
// the Vulkan driver's id after it: "zink Vulkan 1.3(NVIDIA GeForce RTX 4070 (NVIDIA_PROPRIETARY))".
struct LayerEntry {
    const char* prefix;   // how GL_RENDERER begins
    const char* layer;    // our name for the stack
};
const LayerEntry kLayers[] = {
    {"zink", "zink"},
    {"D3D12", "d3d12"},
    {"virgl", "virgl"},
};

// Software rasterisers, by a text in the renderer (or in the device under a layer) or by the
// Vulkan driver id zink appends. lavapipe calls its device "llvmpipe (LLVM ...)"; Windows'
// WARP is "Microsoft Basic Render Driver".
struct SoftwareEntry {
    const char* text;
    const char* rasteriser;
};
const SoftwareEntry kSoftware[] = {
    {"llvmpipe", "llvmpipe"},
    {"MESA_LLVMPIPE", "llvmpipe"},
    {"lavapipe", "llvmpipe"},
    {"softpipe", "softpipe"},
    {"Software Rasterizer", "swrast"},
    {"swrast", "swrast"},
    {"SwiftShader", "swiftshader"},
    {"GOOGLE_SWIFTSHADER", "swiftshader"},
    {"Microsoft Basic Render Driver", "warp"},
};

std::string Trim(std::string t)
{
    while (!t.empty() && t.back() == ' ')
        t.pop_back();
    size_t first = 0;
    while (first < t.size() && t[first] == ' ')
        ++first;
    return t.substr(first);
}

}  // namespace

RendererStack ParseRendererStack(const std::string& r)
{
    RendererStack stack;
    stack.device = r;
    for (const LayerEntry& l : kLayers) {
        if (r.rfind(l.prefix, 0) != 0)
            continue;
        stack.layer = l.layer;
        const size_t open = r.find('(');
        const size_t close = r.rfind(')');
        stack.device = open != std::string::npos && close != std::string::npos && close > open
                           ? Trim(r.substr(open + 1, close - open - 1))
                           : std::string();
        // zink's trailing Vulkan driver id: "NVIDIA GeForce RTX 4070 (NVIDIA_PROPRIETARY)".
        if (stack.layer == "zink" && !stack.device.empty() && stack.device.back() == ')') {
            const size_t idOpen = stack.device.rfind('(');
            const std::string id = stack.device.substr(idOpen + 1, stack.device.size() - idOpen - 2);
            if (idOpen != std::string::npos && !id.empty() &&
                id.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") == std::string::npos) {
                stack.vulkan_driver = id;
                stack.device = Trim(stack.device.substr(0, idOpen));
            }
        }
        break;
    }
    for (const SoftwareEntry& e : kSoftware)
        if (stack.device.find(e.text) != std::string::npos || stack.vulkan_driver == e.text) {
            stack.rasteriser = e.rasteriser;
            break;
        }
    return stack;
}

std::string SoftwareRendererName(const std::string& r)
{
    const RendererStack stack = ParseRendererStack(r);
    if (!stack.rasteriser.empty())
        return stack.layer.empty() ? stack.rasteriser : stack.layer;
    // virgl without the host's renderer in its name: the host's GPU draws, but which one is
    // unknown and no card of this machine renders.
    if (!stack.layer.empty() && stack.device.empty())
        return stack.layer;
    return {};
}

uint32_t VendorIdFromDeviceName(const std::string& name)
{
    struct Entry {
        const char* text;
        uint32_t vendor;
    };
    static const Entry kVendors[] = {
        {"NVIDIA", 0x10DE}, {"GeForce", 0x10DE}, {"Quadro", 0x10DE},
        {"AMD", 0x1002},    {"Radeon", 0x1002},  {"ATI ", 0x1002},
        {"Intel", 0x8086},
    };
    for (const Entry& e : kVendors)
        if (name.find(e.text) != std::string::npos)
            return e.vendor;
    return 0;
}

RenderingChoice ChooseRenderingCard(const std::vector<DrmCard>& cards, const RendererIdentity& id)
{
    RenderingChoice choice;
    if (id.software_device || !SoftwareRendererName(id.gl_renderer).empty()) {
        choice.kind = RenderingKind::kSoftware;
        return choice;
    }
    // A layered driver (zink, d3d12, virgl) is Mesa's, whatever GPU it runs on: the device it
    // names tells the vendor, and a card of another vendor (virgl's virtio card) is not it.
    const RendererStack stack = ParseRendererStack(id.gl_renderer);
    const uint32_t layeredVendor = stack.layer.empty() ? 0 : VendorIdFromDeviceName(stack.device);
    auto pick = [&](auto matches) {
        int32_t first = -1;
        for (size_t i = 0; i < cards.size(); ++i) {
            const DrmCard& c = cards[i];
            if (!c.is_pci || !c.is_display_class || !matches(c))
                continue;
            if (layeredVendor != 0 && c.vendor_id != layeredVendor)
                continue;
            if (c.boot_display || c.boot_vga)
                return static_cast<int32_t>(i);
            if (first < 0)
                first = static_cast<int32_t>(i);
        }
        return first;
    };
    int32_t index = -1;
    if (!id.drm_node.empty()) {
        const size_t slash = id.drm_node.rfind('/');
        const std::string node = id.drm_node.substr(slash == std::string::npos ? 0 : slash + 1);
        index = pick([&](const DrmCard& c) {
            return node == "card" + std::to_string(c.card_number) || (!c.render_node.empty() && node == c.render_node);
        });
    }
    // Mesa answers 0xFFFFFFFF (or 0) for drivers without PCI ids.
    if (index < 0 && id.has_pci_ids && id.vendor_id != 0xFFFFFFFF && id.vendor_id != 0)
        index = pick([&](const DrmCard& c) { return c.vendor_id == id.vendor_id && c.device_id == id.device_id; });
    // NVIDIA's own driver offers neither query, but renders only on its own cards; so do
    // AMD's and Intel's drivers when nothing better identifies the device.
    uint32_t vendor = 0;
    if (id.gl_vendor.find("NVIDIA") != std::string::npos)
        vendor = 0x10DE;
    else if (id.gl_vendor.find("ATI Technologies") != std::string::npos || id.gl_vendor == "AMD")
        vendor = 0x1002;
    else if (id.gl_vendor.rfind("Intel", 0) == 0)
        vendor = 0x8086;
    if (!stack.layer.empty())
        vendor = layeredVendor;
    if (index < 0 && vendor != 0)
        index = pick([vendor](const DrmCard& c) { return c.vendor_id == vendor; });
    if (index >= 0) {
        choice.kind = RenderingKind::kCard;
        choice.card_index = index;
    } else if (!stack.layer.empty()) {
        // WSL's GPU (d3d12) or a virtual machine's host GPU (virgl): a GPU, not one of ours.
        choice.kind = RenderingKind::kLayeredDevice;
    }
    return choice;
}

namespace {

// libpci reports fatal errors through a callback that must not return (its default exits the
// process). A missing access method must not end our start-up, so the callback jumps back.
thread_local std::jmp_buf* t_pciEscape = nullptr;

// The GNU spelling: libpci's error pointer carries noreturn in its type, which clang checks.
__attribute__((noreturn)) void PciError(char*, ...)
{
    std::longjmp(*t_pciEscape, 1);
}

void PciQuiet(char*, ...) {}

std::mutex g_pciMutex;

// One libpci handle for the process: libpci reads the whole id file into its hash on the first
// lookup (tens of milliseconds), and a handle kept open answers every later one from memory.
struct PciAccessDeleter {
    void operator()(pci_access* acc) const { pci_cleanup(acc); }
};
std::unique_ptr<pci_access, PciAccessDeleter> g_pciAccess;

}  // namespace

std::string PciDeviceDescription(uint32_t vendorId, uint32_t deviceId)
{
    char fallback[64];
    std::snprintf(fallback, sizeof(fallback), "PCI device %04X:%04X", vendorId & 0xFFFF, deviceId & 0xFFFF);
    if (vendorId > 0xFFFF || deviceId > 0xFFFF)
        return fallback;

    std::lock_guard<std::mutex> lock(g_pciMutex);
    if (!g_pciAccess) {
        g_pciAccess.reset(pci_alloc());
        if (!g_pciAccess)
            return fallback;
        g_pciAccess->error = PciError;
        g_pciAccess->warning = PciQuiet;
        g_pciAccess->debug = PciQuiet;
    }
    std::string result = fallback;
    std::jmp_buf escape;
    t_pciEscape = &escape;
    if (setjmp(escape) == 0) {
        // No pci_init: a name lookup needs only the id file, not access to the bus.
        char buf[512];
        const char* name = pci_lookup_name(g_pciAccess.get(), buf, sizeof(buf),
                                           PCI_LOOKUP_VENDOR | PCI_LOOKUP_DEVICE | PCI_LOOKUP_NO_NUMBERS,
                                           static_cast<int>(vendorId), static_cast<int>(deviceId));
        if (name && *name)
            result = name;
    } else {
        // libpci gave up halfway (no id file, out of memory): start afresh next time.
        g_pciAccess.reset();
    }
    t_pciEscape = nullptr;
    return result;
}

}  // namespace Ridudedozu
