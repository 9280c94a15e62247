// Processor, memory and OS facts, and the background clock measurement.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#include "gpuinfo/system_info.h"

using namespace Ridudedozu;

namespace {

const std::string kFixtures = GRIDFALL_FIXTURES_DIR "/gpuinfo";

// A scripted processor: leaf -> registers; a leaf it does not know answers zeros.
CpuidFunction ScriptedCpu(std::map<uint32_t, CpuidRegs> leaves)
{
    return [leaves](uint32_t leaf, CpuidRegs* r) {
        auto it = leaves.find(leaf);
        *r = it == leaves.end() ? CpuidRegs{} : it->second;
        return true;
    };
}

CpuidRegs VendorLeaf(uint32_t maxLeaf, const char* vendor)
{
    CpuidRegs r;
    r.eax = maxLeaf;
    std::memcpy(&r.ebx, vendor, 4);
    std::memcpy(&r.edx, vendor + 4, 4);
    std::memcpy(&r.ecx, vendor + 8, 4);
    return r;
}

}  // namespace

TEST(Cpuid, IntelCoresComeFromLeafFour)
{
    // Family 6, model 0xE, stepping 0xC, ext model 9; HTT set with 16 logical processors;
    // leaf 4 says 8 cores.
    CpuidRegs l1 {0x000906EC, 16u << 16, 0x1 | 0x40, (1u << 23) | (1u << 25) | (1u << 26) | (1u << 28)};
    CpuidRegs l4 {7u << 26, 0, 0, 0};
    SystemFacts f;
    ASSERT_TRUE(DecodeCpuid(ScriptedCpu({{0, VendorLeaf(0x16, "GenuineIntel")}, {1, l1}, {4, l4}}), &f));
    EXPECT_EQ(f.cpu_vendor, 1);
    EXPECT_EQ(f.family, 6u);
    EXPECT_EQ(f.model, 0xEu);
    EXPECT_EQ(f.stepping, 0xCu);
    EXPECT_EQ(f.ext_model, 9u);
    EXPECT_EQ(f.ext_stepping, 0u);
    EXPECT_TRUE(f.mmx && f.sse && f.sse2 && f.sse3 && f.feature_ecx6);
    EXPECT_EQ(f.cores_per_package, 8);
    EXPECT_FALSE(f.dual_core);
    EXPECT_FALSE(f.hyper_threading);
    EXPECT_STREQ(f.serial, "");   // no serial feature bit
}

TEST(Cpuid, OldIntelHyperThreadingAndSerial)
{
    // Family 15 with HTT, 4 logical processors in 2 cores; the serial bit set.
    CpuidRegs l1 {0x00000F41, 4u << 16, 0, (1u << 28) | (1u << 18)};
    CpuidRegs l3 {0, 0, 0x11112222, 0x33334444};
    CpuidRegs l4 {1u << 26, 0, 0, 0};
    SystemFacts f;
    ASSERT_TRUE(DecodeCpuid(ScriptedCpu({{0, VendorLeaf(4, "GenuineIntel")}, {1, l1}, {3, l3}, {4, l4}}), &f));
    EXPECT_EQ(f.family, 15u);
    EXPECT_EQ(f.cores_per_package, 2);
    EXPECT_TRUE(f.dual_core);
    EXPECT_TRUE(f.hyper_threading);   // 4 logical / 2 cores = 2
    EXPECT_STREQ(f.serial, "0000-0F41-3333-4444-1111-2222");

    // Without leaf 3 there is no serial even with the bit set.
    SystemFacts g;
    ASSERT_TRUE(DecodeCpuid(ScriptedCpu({{0, VendorLeaf(2, "GenuineIntel")}, {1, l1}}), &g));
    EXPECT_STREQ(g.serial, "");
}

TEST(Cpuid, AmdCoresAndOtherVendors)
{
    CpuidRegs ext0 {0x80000008u, 0, 0, 0};
    CpuidRegs ext1 {0x00A60F12, 0, 0, 0};
    CpuidRegs ext8 {0, 0, 15, 0};
    CpuidRegs l1 {0x00A60F12, 0, 0, 1u << 28};
    SystemFacts f;
    ASSERT_TRUE(DecodeCpuid(ScriptedCpu({{0, VendorLeaf(0x10, "AuthenticAMD")},
                                         {1, l1},
                                         {0x80000000u, ext0},
                                         {0x80000001u, ext1},
                                         {0x80000008u, ext8}}),
                            &f));
    EXPECT_EQ(f.cpu_vendor, 2);
    EXPECT_EQ(f.cores_per_package, 16);
    EXPECT_EQ(f.ext_family, 0x0Au);
    EXPECT_EQ(f.ext_model, 6u);
    EXPECT_EQ(f.ext_stepping, 2u);

    SystemFacts other;
    ASSERT_TRUE(DecodeCpuid(ScriptedCpu({{0, VendorLeaf(1, "HygonGenuine")}}), &other));
    EXPECT_EQ(other.cpu_vendor, 3);
    EXPECT_EQ(other.cores_per_package, 1);

    SystemFacts none;
    EXPECT_FALSE(DecodeCpuid([](uint32_t, CpuidRegs*) { return false; }, &none));
    EXPECT_STREQ(none.cpu_name, "n.a");
    EXPECT_EQ(none.cores_per_package, 1);
}

TEST(SystemFactsFromTrees, CpuMemoryAndOs)
{
    SystemFacts f;
    ASSERT_TRUE(DetectSystem(kFixtures + "/nvidia_amd", ScriptedCpu({{0, VendorLeaf(1, "GenuineIntel")}}), &f));
    EXPECT_STREQ(f.cpu_name, "Intel(R) Core(TM) i7-9700K CPU @ 3.60GHz");
    EXPECT_EQ(f.processor_count, 4u);
    EXPECT_EQ(f.memory_kb, 32768000u);
    EXPECT_EQ(f.memory_bytes, 0xFFFFFFFFu);   // more than the 32-bit field holds
    EXPECT_STREQ(f.os_name, "Debian GNU/Linux 12 (bookworm) 64-bit [Linux 6.1.0-18-amd64]");
    EXPECT_STREQ(f.os_family, "Debian GNU/Linux 12 (bookworm) 64-bit");
    EXPECT_TRUE(f.is_64bit);

    // os-release only under /usr/lib, without PRETTY_NAME.
    SystemFacts g;
    ASSERT_TRUE(DetectSystem(kFixtures + "/intel_hwmon", ScriptedCpu({{0, VendorLeaf(1, "GenuineIntel")}}), &g));
    EXPECT_STREQ(g.os_family, "Arch Linux 64-bit");
    EXPECT_EQ(g.memory_kb, 16252928u);

    // Damaged files: neutral values, no crash.
    SystemFacts h;
    ASSERT_TRUE(DetectSystem(kFixtures + "/garbage", ScriptedCpu({{0, VendorLeaf(1, "GenuineIntel")}}), &h));
    EXPECT_STREQ(h.cpu_name, "n.a");
    EXPECT_EQ(h.memory_kb, 0u);
    EXPECT_STREQ(h.os_family, "Linux 32-bit");
    EXPECT_EQ(ReadMemTotalKb(kFixtures + "/does-not-exist"), 0u);
    // Without /proc/meminfo the kernel's own count stands in: the same number.
    EXPECT_EQ(SysinfoMemTotalKb(), ReadMemTotalKb(""));
    EXPECT_EQ(ReadCpuName(kFixtures + "/does-not-exist"), "n.a");
}

TEST(SystemFactsFromTrees, OsNamesFromItsParts)
{
    const OsNames n = BuildOsNames("NAME=Gentoo\nVERSION=\"2.15\"\n", "Linux", "6.6.13-gentoo", "aarch64");
    EXPECT_EQ(n.short_name, "Gentoo 2.15 64-bit");
    EXPECT_EQ(n.long_name, "Gentoo 2.15 64-bit [Linux 6.6.13-gentoo]");
    EXPECT_EQ(BuildOsNames("", "Linux", "5.10", "armv7l").short_name, "Linux 32-bit");
    EXPECT_EQ(BuildOsNames("", "", "", "").long_name, "Linux 32-bit [Linux ]");
}

TEST(CpuSpeed, MeasuredOnceInTheBackgroundAndCached)
{
    std::atomic<int> calls {0};
    CpuSpeedMeter meter([&] {
        ++calls;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return 3600;
    });
    meter.Start();
    meter.Start();   // a second start does not measure again
    EXPECT_EQ(meter.Get(), 3600);
    EXPECT_EQ(meter.Get(), 3600);
    EXPECT_EQ(calls.load(), 1);

    // Never started: the first Get measures, later ones answer the cached value.
    CpuSpeedMeter lazy([&] { return ++calls * 1000; });
    EXPECT_EQ(lazy.Get(), 2000);
    EXPECT_EQ(lazy.Get(), 2000);
    lazy.Start();
    EXPECT_EQ(lazy.Get(), 2000);

    // Destroyed while measuring: the destructor waits for the worker.
    {
        CpuSpeedMeter abandoned([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return 1;
        });
        abandoned.Start();
    }
}
