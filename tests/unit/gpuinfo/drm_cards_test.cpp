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
    // virgl names the host's GPU, which renders: no software renderer.
    EXPECT_EQ(SoftwareRendererName("virgl (AMD Radeon RX 7600)"), "");
    EXPECT_EQ(SoftwareRendererName("AMD Radeon RX 7600 (radeonsi, navi33)"), "");
}

TEST(DrmCards, RendererStacksFromRealRendererStrings)
{
    struct Row {
        const char* renderer;
        const char* layer;
        const char* device;
        const char* rasteriser;
        const char* softwareName;
        uint32_t vendor;   // of the named device
    };
    const Row rows[] = {
        // Drivers of their own device.
        {"AMD Radeon RX 7600 (radeonsi, navi33, LLVM 15.0.6, DRM 3.54, 6.5.0-1-amd64)", "",
         "AMD Radeon RX 7600 (radeonsi, navi33, LLVM 15.0.6, DRM 3.54, 6.5.0-1-amd64)", "", "", 0x1002},
        {"NVIDIA GeForce RTX 3080/PCIe/SSE2", "", "NVIDIA GeForce RTX 3080/PCIe/SSE2", "", "", 0x10DE},
        {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "", "Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "", "", 0x8086},
        {"NV167", "", "NV167", "", "", 0},   // nouveau
        {"llvmpipe (LLVM 15.0.6, 256 bits)", "", "llvmpipe (LLVM 15.0.6, 256 bits)", "llvmpipe", "llvmpipe", 0},
        {"softpipe", "", "softpipe", "softpipe", "softpipe", 0},
        {"Software Rasterizer", "", "Software Rasterizer", "swrast", "swrast", 0},
        // zink, the Mesa 22 form and the Mesa 23+ form with the Vulkan driver's id.
        {"zink (llvmpipe (LLVM 15.0.6, 256 bits))", "zink", "llvmpipe (LLVM 15.0.6, 256 bits)", "llvmpipe", "zink", 0},
        {"zink Vulkan 1.3(llvmpipe (LLVM 19.1.7, 256 bits) (MESA_LLVMPIPE))", "zink",
         "llvmpipe (LLVM 19.1.7, 256 bits)", "llvmpipe", "zink", 0},
        {"zink (NVIDIA GeForce RTX 4070)", "zink", "NVIDIA GeForce RTX 4070", "", "", 0x10DE},
        {"zink Vulkan 1.3(NVIDIA GeForce RTX 4070 (MESA_NVK))", "zink", "NVIDIA GeForce RTX 4070", "", "", 0x10DE},
        {"zink Vulkan 1.3(NVIDIA GeForce RTX 4070 (NVIDIA_PROPRIETARY))", "zink", "NVIDIA GeForce RTX 4070", "", "", 0x10DE},
        {"zink Vulkan 1.3(AMD Radeon RX 7600 (RADV NAVI33) (MESA_RADV))", "zink", "AMD Radeon RX 7600 (RADV NAVI33)", "", "", 0x1002},
        {"zink Vulkan 1.3(Intel(R) Arc(tm) A770 Graphics (DG2) (INTEL_OPEN_SOURCE_MESA))", "zink",
         "Intel(R) Arc(tm) A770 Graphics (DG2)", "", "", 0x8086},
        // WSL: d3d12 over the Windows GPU, or over WARP.
        {"D3D12 (NVIDIA GeForce RTX 3080)", "d3d12", "NVIDIA GeForce RTX 3080", "", "", 0x10DE},
        {"D3D12 (Microsoft Basic Render Driver)", "d3d12", "Microsoft Basic Render Driver", "warp", "d3d12", 0},
        // Virtual machines: virgl over the host's GL, which may itself be llvmpipe.
        {"virgl (AMD Radeon RX 7600 (radeonsi, navi33, LLVM 15.0.7, DRM 3.54, 6.5.0))", "virgl",
         "AMD Radeon RX 7600 (radeonsi, navi33, LLVM 15.0.7, DRM 3.54, 6.5.0)", "", "", 0x1002},
        {"virgl (llvmpipe (LLVM 15.0.6, 256 bits))", "virgl", "llvmpipe (LLVM 15.0.6, 256 bits)", "llvmpipe", "virgl", 0},
        {"virgl", "virgl", "", "", "virgl", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.renderer);
        const RendererStack stack = ParseRendererStack(row.renderer);
        EXPECT_EQ(stack.layer, row.layer);
        EXPECT_EQ(stack.device, row.device);
        EXPECT_EQ(stack.rasteriser, row.rasteriser);
        EXPECT_EQ(SoftwareRendererName(row.renderer), row.softwareName);
        EXPECT_EQ(VendorIdFromDeviceName(stack.device), row.vendor);
    }

    // Which card renders under a layer: the named device's, never a card of another vendor.
    const auto cards = ListDrmCards(std::string(GRIDFALL_FIXTURES_DIR) + "/gpuinfo/amd_apu_dgpu");
    ASSERT_EQ(cards.size(), 2u);
    RendererIdentity zink;
    zink.gl_vendor = "Mesa";
    zink.gl_renderer = "zink Vulkan 1.3(AMD Radeon RX 7600 (RADV NAVI33) (MESA_RADV))";
    zink.has_pci_ids = true;
    zink.vendor_id = 0x1002;
    zink.device_id = 0x7480;
    EXPECT_EQ(ChooseRenderingCard(cards, zink).card_index, 1);
    zink.has_pci_ids = false;   // only the name: an AMD card, the boot adapter among two
    EXPECT_EQ(ChooseRenderingCard(cards, zink).card_index, 0);
    RendererIdentity wsl;
    wsl.gl_vendor = "Microsoft Corporation";
    wsl.gl_renderer = "D3D12 (NVIDIA GeForce RTX 3080)";
    EXPECT_EQ(ChooseRenderingCard(cards, wsl).kind, RenderingKind::kLayeredDevice);
    RendererIdentity guest;
    guest.gl_renderer = "virgl (NVIDIA GeForce RTX 3060/PCIe/SSE2)";
    guest.drm_node = "/dev/dri/card0";   // the virtual card, not the host's NVIDIA
    EXPECT_EQ(ChooseRenderingCard(cards, guest).kind, RenderingKind::kLayeredDevice);
    RendererIdentity lavapipe;
    lavapipe.gl_renderer = "zink (llvmpipe (LLVM 15.0.6, 256 bits))";
    EXPECT_EQ(ChooseRenderingCard(cards, lavapipe).kind, RenderingKind::kSoftware);
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
