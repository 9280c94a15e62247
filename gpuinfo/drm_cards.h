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
    uint32_t bus = 0;
    uint32_t vendor_id = 0xFFFFFFFF;
    uint32_t device_id = 0xFFFFFFFF;
    uint32_t subsys_vendor_id = 0xFFFFFFFF;
    uint32_t subsys_device_id = 0xFFFFFFFF;
    uint32_t revision = 0xFFFFFFFF;
    std::string hwmon_dir;           // first hwmon directory of the device, empty when none
};

// Every cardN (connector entries such as card0-DP-1 are not cards), in card-number order.
std::vector<DrmCard> ListDrmCards(const std::string& root);

// The bus number of a PCI slot name ("0000:03:00.0" -> 3); false when the text is not one.
bool ParsePciSlotBus(const std::string& slot, uint32_t* bus);

// The primary display device: boot_display set, else boot_vga set, else the first PCI display
// device. Null when the tree has no PCI display device.
const DrmCard* ChoosePrimaryCard(const std::vector<DrmCard>& cards);

// pci.ids name ("NVIDIA Corporation GA102 [GeForce RTX 3080]") through libpci; never empty
// for a valid id pair (libpci answers numbers for unknown ids).
std::string PciDeviceDescription(uint32_t vendorId, uint32_t deviceId);

}  // namespace Ridudedozu
