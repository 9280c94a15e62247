// DRM card enumeration details: PCI slot names, the order of cards, the primary choice and
// pci.ids names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>

#include "gpuinfo/driver_info.h"
#include "gpuinfo/drm_cards.h"
#include "gpuinfo/sysfs_reader.h"

using namespace Ridudedozu;

TEST(DrmCards, SlotNamesGiveBusNumbers)
{
    uint32_t bus = 99;
    EXPECT_TRUE(ParsePciSlotBus("0000:03:00.0", &bus));
    EXPECT_EQ(bus, 3u);
    uint32_t domain = 99;
    EXPECT_TRUE(ParsePciSlotBus("0001:c1:00.1", &bus, &domain));
    EXPECT_EQ(bus, 0xC1u);
    EXPECT_EQ(domain, 1u);
    EXPECT_TRUE(ParsePciSlotBus("10000:e1:00.0", &bus, &domain));   // VMD's domains
    EXPECT_EQ(domain, 0x10000u);
    // Bus 3 of two domains is two buses; a slot-less card never meets a real bus.
    EXPECT_NE(PciBusKey(true, 0, 3, 0), PciBusKey(true, 1, 3, 0));
    EXPECT_NE(PciBusKey(false, 0, 0, 3), PciBusKey(true, 0, 3, 0));
    bus = 99;
    for (const char* bad : {"", "garbage-slot", "0000:0g:00.0", "0000:3:00.0", "0000", "0000:03"})
        EXPECT_FALSE(ParsePciSlotBus(bad, &bus)) << bad;
    EXPECT_EQ(bus, 99u);
}

TEST(DrmCards, CardsInNumberOrderConnectorsLeftOut)
{
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("gridfall_drm_" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    for (const char* name : {"card10", "card2", "card2-DP-1", "renderD128", "card1"}) {
        const auto dev = root / "sys/class/drm" / name / "device";
        std::filesystem::create_directories(dev);
        std::ofstream(dev / "vendor") << "0x8086\n";
        std::ofstream(dev / "device") << "0x3e92\n";
        std::ofstream(dev / "class") << "0x030000\n";
    }
    // card1's device holds no ids: listed, but not a PCI display device.
    std::filesystem::remove(root / "sys/class/drm/card1/device/vendor");
    const auto cards = ListDrmCards(root.string());
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[0].card_number, 1);
    EXPECT_EQ(cards[1].card_number, 2);
    EXPECT_EQ(cards[2].card_number, 10);
    EXPECT_FALSE(cards[0].is_pci);
    EXPECT_TRUE(cards[1].is_display_class);
    EXPECT_FALSE(cards[1].has_bus);   // no uevent
    // No boot flags anywhere: the first PCI display device.
    ASSERT_NE(ChoosePrimaryCard(cards), nullptr);
    EXPECT_EQ(ChoosePrimaryCard(cards)->card_number, 2);
    std::filesystem::remove_all(root);

    EXPECT_TRUE(ListDrmCards("/nonexistent-root").empty());
    EXPECT_EQ(ChoosePrimaryCard({}), nullptr);
}

TEST(DrmCards, PrimaryPrefersBootDisplayThenBootVga)
{
    DrmCard a, b, c;
    for (DrmCard* x : {&a, &b, &c}) {
        x->is_pci = true;
        x->is_display_class = true;
    }
    a.card_number = 0;
    b.card_number = 1;
    c.card_number = 2;
    b.boot_vga = true;
    c.boot_display = true;
    EXPECT_EQ(ChoosePrimaryCard({a, b, c})->card_number, 2);
    EXPECT_EQ(ChoosePrimaryCard({a, b})->card_number, 1);
    c.is_display_class = false;   // a flag on a non-display function does not count
    EXPECT_EQ(ChoosePrimaryCard({a, b, c})->card_number, 1);
}

TEST(DrmCards, RenderingCardFromWhatTheContextSays)
{
    const auto cards = ListDrmCards(std::string(GRIDFALL_FIXTURES_DIR) + "/gpuinfo/amd_apu_dgpu");
    ASSERT_EQ(cards.size(), 2u);   // card0 the APU (boot_vga), card1 the RX 7600
    auto choose = [&](RendererIdentity id) { return ChooseRenderingCard(cards, id); };
    RendererIdentity id;
    EXPECT_EQ(choose(id).kind, RenderingKind::kUnknown);
    id.has_pci_ids = true;   // Mesa's answer for a driver without PCI ids
    EXPECT_EQ(choose(id).kind, RenderingKind::kUnknown);
    id.drm_node = "/dev/dri/card1";
    EXPECT_EQ(choose(id).card_index, 1);
    id.drm_node = "/dev/dri/renderD128";
    EXPECT_EQ(choose(id).card_index, 0);
    id.drm_node.clear();
    id.vendor_id = 0x1002;
    id.device_id = 0x7480;
    EXPECT_EQ(choose(id).card_index, 1);
    // Only the vendor is known: of two AMD cards, the boot display adapter.
    RendererIdentity byVendor;
    byVendor.gl_vendor = "AMD";
    EXPECT_EQ(choose(byVendor).card_index, 0);
    EXPECT_EQ(choose(byVendor).kind, RenderingKind::kCard);
    // A software renderer wins over everything the cards say.
    id.gl_renderer = "llvmpipe (LLVM 15.0.6, 256 bits)";
    EXPECT_EQ(choose(id).kind, RenderingKind::kSoftware);
    EXPECT_EQ(SoftwareRendererName("virgl (AMD Radeon RX 7600)"), "virgl");
    EXPECT_EQ(SoftwareRendererName("AMD Radeon RX 7600 (radeonsi, navi33)"), "");
}

TEST(DrmCards, PciNamesFromTheIdFile)
{
    const std::string known = PciDeviceDescription(0x10DE, 0x2206);
    EXPECT_NE(known.find("NVIDIA"), std::string::npos) << known;
    EXPECT_NE(known.find("GA102"), std::string::npos) << known;
    EXPECT_EQ(PciDeviceDescription(0x10DE, 0xFFFE), "PCI device 10DE:FFFE");
    EXPECT_EQ(PciDeviceDescription(0xFFFFFFFF, 0xFFFFFFFF), "PCI device FFFF:FFFF");
}

TEST(DrmCards, DriverVersionNeedsARealDrmNode)
{
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("gridfall_drmver_" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "dev/dri");
    // A regular file under the node's name is never handed to the driver ioctl.
    std::ofstream(root / "dev/dri/card0") << "not a device\n";
    EXPECT_FALSE(ReadDrmDriverVersion(root.string(), 0).valid);
    // A character device that is no DRM node refuses the version query.
    std::filesystem::create_symlink("/dev/null", root / "dev/dri/card1");
    EXPECT_FALSE(ReadDrmDriverVersion(root.string(), 1).valid);
    EXPECT_FALSE(ReadDrmDriverVersion(root.string(), 7).valid);
    EXPECT_FALSE(ReadDrmDriverVersion(root.string(), -1).valid);

    // Module versions: the module's own file, else the kernel release; odd names read nothing.
    std::filesystem::create_directories(root / "sys/module/amdgpu");
    std::filesystem::create_directories(root / "proc/sys/kernel");
    std::ofstream(root / "sys/module/amdgpu/version") << "5.18.13\n";
    std::ofstream(root / "proc/sys/kernel/osrelease") << "6.8.0-31-generic\n";
    EXPECT_EQ(KernelDriverVersion(root.string(), "amdgpu"), "5.18.13");
    EXPECT_EQ(KernelDriverVersion(root.string(), "i915"), "6.8.0-31-generic");
    EXPECT_EQ(KernelDriverVersion(root.string(), ""), "");
    EXPECT_EQ(KernelDriverVersion(root.string(), "../../proc"), "");
    // The driver texts name the driver; nvidia's version never is the kernel's release.
    EXPECT_EQ(KernelDriverText(root.string(), "amdgpu"), "amdgpu 5.18.13");
    EXPECT_EQ(KernelDriverText(root.string(), "i915"), "i915 6.8.0-31-generic");
    EXPECT_EQ(KernelDriverText(root.string(), "nvidia", "550.54.14"), "nvidia 550.54.14");
    std::filesystem::create_directories(root / "proc/driver/nvidia");
    std::ofstream(root / "proc/driver/nvidia/version")
        << "NVRM version: NVIDIA UNIX x86_64 Kernel Module  535.183.01  Sun May 12 19:39:15 UTC 2024\n";
    EXPECT_EQ(KernelDriverText(root.string(), "nvidia"), "nvidia 535.183.01");
    EXPECT_EQ(KernelDriverText(root.string(), ""), "");
    std::filesystem::remove_all(root);
}
