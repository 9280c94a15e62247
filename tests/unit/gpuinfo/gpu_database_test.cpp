// The chip tables: the rows other code relies on, first-match lookup, the closing row.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "gpuinfo/drm_cards.h"
#include "gpuinfo/gpu_database.h"

using Ridudedozu::GpuDatabase;
using Ridudedozu::GpuDatabaseRow;
using Ridudedozu::PciDeviceDescription;

namespace {

const GpuDatabaseRow& RowFor(uint32_t vendor, uint32_t device)
{
    const int32_t i = GpuDatabase::Lookup(vendor, device);
    EXPECT_GE(i, 0) << std::hex << vendor << ":" << device;
    return GpuDatabase::Table(vendor)[static_cast<size_t>(i)];
}

void ExpectRow(uint32_t vendor, uint32_t device, const char* code, const char* shortName, const char* full, int d3d,
               int sp, int vs, int ps, int tmu, int rop, int tdp)
{
    const GpuDatabaseRow& r = RowFor(vendor, device);
    EXPECT_EQ(r.reserved, 0u);
    EXPECT_STREQ(r.codename, code);
    EXPECT_STREQ(r.short_model, shortName);
    EXPECT_STREQ(r.full_name, full);
    EXPECT_EQ(r.d3d_level, d3d);
    EXPECT_EQ(r.unified_shaders, sp);
    EXPECT_EQ(r.vertex_shaders, vs);
    EXPECT_EQ(r.pixel_shaders, ps);
    EXPECT_EQ(r.texture_units, tmu);
    EXPECT_EQ(r.rops, rop);
    EXPECT_EQ(r.tdp_watts, tdp);
}

}  // namespace

TEST(GpuDatabase, KnownRowsHoldTheirFacts)
{
    ExpectRow(0x10DE, 0x0090, "G70", "7800 GTX", "NVIDIA GeForce 7800 GTX", 90, 0, 8, 24, 24, 16, 81);
    ExpectRow(0x10DE, 0x06C0, "GF100", "GTX 480", "NVIDIA GeForce GTX 480", 110, 480, 0, 0, 0, 0, 250);
    ExpectRow(0x10DE, 0x0E22, "GF104", "GTX 460", "NVIDIA GeForce GTX 460", 110, 336, 0, 0, 0, 0, 160);
    ExpectRow(0x1002, 0x6898, "Cypress", "5870", "ATI Radeon HD 5870", 110, 1600, 0, 0, 80, 32, 188);
    ExpectRow(0x1002, 0x68F9, "Cedar", "5450", "ATI Radeon HD 5450", 110, 80, 0, 0, 8, 4, 19);
    ExpectRow(0x1002, 0x6718, "Cayman XT", "", "AMD Radeon HD 6970", 110, 1536, 0, 0, 0, 0, 250);
    ExpectRow(0x1002, 0x940F, "R600GL", "FireGL V7600", "ATI FireGL V7600", 100, 320, 0, 0, 32, 16, 0);
    ExpectRow(0x5333, 0x9042, "Chrome 440/430", "Chrome 440/430", "S3 Graphics Chrome 430/440 Series", 100, 64, 0, 0,
              16, 4, 0);
    ExpectRow(0x8086, 0x0102, "HD 2000", "", "Intel HD Graphics 2000", 100, 6, 0, 0, -1, -1, 95);
    // Rows that once named the wrong chip or boards.
    ExpectRow(0x1002, 0x68BE, "Juniper PRO", "5750", "ATI Radeon HD 5750", 110, 720, 0, 0, 36, 16, 86);
    EXPECT_STREQ(RowFor(0x1002, 0x73FF).full_name, "AMD Radeon RX 6600/6600 XT/6600M");
    EXPECT_STREQ(RowFor(0x1002, 0x73EF).full_name, "AMD Radeon RX 6650 XT / 6700S / 6800S");
    // The laptop RX 7600S has fewer shaders than the desktop boards of the same id.
    ExpectRow(0x1002, 0x7480, "Navi 33", "RX 7600", "AMD Radeon RX 7600/7600 XT/7700S/7600S", 120, -1, 0, 0, 0, 0, 0);
}

TEST(GpuDatabase, EveryTableEndsWithOneZeroRowAndHoldsSaneRows)
{
    for (uint32_t vendor : {0x10DEu, 0x1002u, 0x5333u, 0x8086u}) {
        const auto table = GpuDatabase::Table(vendor);
        ASSERT_GE(table.size(), 2u);
        const GpuDatabaseRow& last = table.back();
        EXPECT_EQ(last.device_id, 0u);
        EXPECT_EQ(last.codename, nullptr);
        EXPECT_EQ(last.full_name, nullptr);
        EXPECT_EQ(last.tdp_watts, 0);
        std::set<std::string> fullNames;
        for (size_t i = 0; i + 1 < table.size(); ++i) {
            const GpuDatabaseRow& r = table[i];
            SCOPED_TRACE(std::to_string(vendor) + " row " + std::to_string(i));
            // Only the closing row may carry id 0, and every id is a 16-bit PCI id or unknown.
            EXPECT_NE(r.device_id, 0u);
            EXPECT_TRUE(r.device_id <= 0xFFFF || r.device_id == 0xFFFFFFFFu);
            ASSERT_NE(r.codename, nullptr);
            ASSERT_NE(r.short_model, nullptr);
            ASSERT_NE(r.full_name, nullptr);
            EXPECT_GT(std::string(r.full_name).size(), 0u);
            EXPECT_TRUE(r.d3d_level == -1 || (r.d3d_level >= 80 && r.d3d_level <= 120));
            EXPECT_GE(r.unified_shaders, -1);
            EXPECT_GE(r.tdp_watts, 0);
        }
    }
}

// A mistyped id names some other chip, or none. Every id must be one the PCI id list knows
// under that vendor, apart from the few it lacks: chips newer than Debian's copy of the list
// and two older ones (checked against the kernel's and the vendors' own driver id lists).
TEST(GpuDatabase, EveryIdIsAKnownPciDeviceOfItsVendor)
{
    const std::set<uint32_t> newerThanPciIds = {
        0x10DE2702, 0x10DE2805, 0x10DE2705, 0x10DE2783, 0x10DE2882, 0x10DE2B85, 0x10DE2C02, 0x10DE2C05, 0x10DE2F04, 0x10DE2D04,
        0x10DE2D05, 0x1002747E, 0x10027550, 0x10027590, 0x80867D55, 0x80867DD5, 0x808664A0, 0x8086E20B,
        0x8086E20C, 0x80860D22, 0x53339042};
    if (PciDeviceDescription(0x10DE, 0x2206).rfind("PCI device", 0) == 0)
        GTEST_SKIP() << "no pci.ids on this machine";
    for (uint32_t vendor : {0x10DEu, 0x1002u, 0x5333u, 0x8086u}) {
        std::set<uint32_t> seen;
        const auto table = GpuDatabase::Table(vendor);
        for (size_t i = 0; i + 1 < table.size(); ++i) {
            const uint32_t id = table[i].device_id;
            // One id, one row: the second Cedar row is the only one that lookups never reach.
            EXPECT_TRUE(seen.insert(id).second || (vendor == 0x1002 && id == 0x68F9)) << std::hex << id;
            if (newerThanPciIds.count(vendor << 16 | id))
                continue;
            EXPECT_NE(PciDeviceDescription(vendor, id).rfind("PCI device", 0), 0u)
                << std::hex << vendor << ":" << id << " " << table[i].full_name;
        }
    }
}

TEST(GpuDatabase, LookupTakesTheFirstMatchAndKnowsOnlyFourVendors)
{
    const int32_t first = GpuDatabase::Lookup(0x1002, 0x68F9);
    EXPECT_STREQ(GpuDatabase::FullName(0x1002, first), "ATI Radeon HD 5450");
    // The later row with the same id exists but is never found.
    const auto table = GpuDatabase::Table(0x1002);
    bool laterRow = false;
    for (size_t i = static_cast<size_t>(first) + 1; i < table.size(); ++i)
        laterRow |= table[i].device_id == 0x68F9;
    EXPECT_TRUE(laterRow);

    // The closing row takes part in the scan.
    EXPECT_EQ(GpuDatabase::Lookup(0x10DE, 0), static_cast<int32_t>(GpuDatabase::Table(0x10DE).size() - 1));
    EXPECT_STREQ(GpuDatabase::FullName(0x10DE, GpuDatabase::Lookup(0x10DE, 0)), "Unknown");

    EXPECT_EQ(GpuDatabase::Lookup(0x1AF4, 0x1050), -1);   // virtio: no table
    EXPECT_EQ(GpuDatabase::Lookup(0xFFFFFFFF, 0xFFFFFFFF), -1);
    EXPECT_EQ(GpuDatabase::Lookup(0x10DE, 0xFFFFFFFF), -1);
    EXPECT_EQ(GpuDatabase::Lookup(0x10DE, 0xBEEF), -1);
    EXPECT_STREQ(GpuDatabase::Codename(0x1AF4, -1), "Unknown");
    EXPECT_STREQ(GpuDatabase::FullName(0x10DE, -1), "Unknown");
    EXPECT_STREQ(GpuDatabase::FullName(0x10DE, 100000), "Unknown");
    EXPECT_EQ(GpuDatabase::UnifiedShaders(0x10DE, -1), 0);
    EXPECT_EQ(GpuDatabase::TdpWatts(0x1AF4, 0), 0);
    EXPECT_EQ(GpuDatabase::Rops(0x1002, -1), 0);
}

TEST(GpuDatabase, CedarBoardWithItsOwnSubsystemHasItsOwnName)
{
    const int32_t i = GpuDatabase::Lookup(0x1002, 0x68F9);
    EXPECT_STREQ(GpuDatabase::NameWithOverride(0x1002, 0x68F9, 0x2126, i), "ATI Radeon HD 6350");
    EXPECT_STREQ(GpuDatabase::NameWithOverride(0x1002, 0x68F9, 0x2127, i), "ATI Radeon HD 5450");
    // Same numbers under another vendor: no override.
    EXPECT_STREQ(GpuDatabase::NameWithOverride(0x10DE, 0x68F9, 0x2126, -1), "Unknown");
}
