// The built-in table of known GPU chips, one table per vendor, looked up by PCI device id.
#pragma once

#include <cstdint>
#include <span>

namespace Ridudedozu {

// Twelve cells per row. The last row of every table is all zero (null texts included).
struct GpuDatabaseRow {
    uint32_t device_id;       // 0xFFFFFFFF: chip whose id is not known (never matches)
    uint32_t reserved;        // always 0
    const char* codename;
    const char* short_model;  // may be empty
    const char* full_name;
    int32_t d3d_level;        // Direct3D feature level x 10; -1 unknown
    int32_t unified_shaders;  // 0: separate vertex/pixel units; -1 unknown
    int32_t vertex_shaders;
    int32_t pixel_shaders;
    int32_t texture_units;
    int32_t rops;
    int32_t tdp_watts;        // 0 when not known
};

constexpr uint32_t kPciVendorNvidia = 0x10DE;
constexpr uint32_t kPciVendorAmd = 0x1002;
constexpr uint32_t kPciVendorS3 = 0x5333;
constexpr uint32_t kPciVendorIntel = 0x8086;

class GpuDatabase {
public:
    // The table of a vendor, closing zero row included; empty for any other vendor.
    static std::span<const GpuDatabaseRow> Table(uint32_t vendorId);
    // Index of the first row (closing row included) whose device id equals deviceId; -1 when
    // none does or the vendor has no table.
    static int32_t Lookup(uint32_t vendorId, uint32_t deviceId);

    // Getters by (vendor, row index); "Unknown" or 0 for index -1 or any bad index.
    static const char* Codename(uint32_t vendorId, int32_t index);
    static const char* FullName(uint32_t vendorId, int32_t index);
    static int32_t UnifiedShaders(uint32_t vendorId, int32_t index);
    static int32_t VertexShaders(uint32_t vendorId, int32_t index);
    static int32_t PixelShaders(uint32_t vendorId, int32_t index);
    static int32_t TextureUnits(uint32_t vendorId, int32_t index);
    static int32_t Rops(uint32_t vendorId, int32_t index);
    static int32_t TdpWatts(uint32_t vendorId, int32_t index);

    // The marketing name of a chip, with the one board whose subsystem tells it apart from the
    // table's first row for that device id.
    static const char* NameWithOverride(uint32_t vendorId, uint32_t deviceId, uint32_t subsysDeviceId,
                                        int32_t index);
};

}  // namespace Ridudedozu
