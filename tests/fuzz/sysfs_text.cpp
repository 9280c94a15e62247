// The sysfs and procfs parsers on arbitrary text: PCI ids, uevent and os-release lines, DPM
// level lists, NVIDIA's version file, GL version texts, /proc/cpuinfo and /proc/meminfo (the
// last through a fake root, as the program reads them), never a crash or undefined behaviour.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "gpuinfo/driver_info.h"
#include "gpuinfo/drm_cards.h"
#include "gpuinfo/gl_probe.h"
#include "gpuinfo/sysfs_reader.h"
#include "gpuinfo/system_info.h"
#include "gpuinfo/vendor/drm_gpu.h"

using namespace Ridudedozu;

namespace {

const std::string& FakeRoot()
{
    static const std::string root = [] {
        // Memory-backed where there is one: rewriting a file on ext4 three times an input waits
        // for the disk and slows the run twentyfold.
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        std::string pattern = (base / "gridfall-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        std::filesystem::create_directories(pattern + "/proc");
        return pattern;
    }();
    static const struct Cleanup {
        ~Cleanup()
        {
            std::error_code ec;
            std::filesystem::remove_all(root, ec);
        }
    } cleanup;
    return root;
}

void Put(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    ParseHexField(text);
    ParseSysfsHexId(text);
    FindKeyValue(text, "PRETTY_NAME");
    FindKeyValue(text, "DRIVER");
    for (const DpmLevel& level : ParseDpmLevels(text))
        if (level.mhz < 0)
            std::abort();
    ParseNvidiaProcVersion(text);
    GlDriverText(text);
    BiosVersionFromString(text);
    BuildOsNames(text, "Linux", "6.1.0", "x86_64");
    uint32_t bus = 0;
    ParsePciSlotBus(text, &bus);
    ParseGlVersion(text.c_str(), 4, 1);
    char small[8];
    CopyText(small, sizeof small, text);
    if (!std::memchr(small, '\0', sizeof small))
        std::abort();

    const std::string& root = FakeRoot();
    Put(root + "/value", text);
    Put(root + "/proc/cpuinfo", text);
    Put(root + "/proc/meminfo", text);
    ReadUnsigned(root + "/value");
    ReadSigned(root + "/value");
    ReadFirstLine(root + "/value");
    ReadCpuName(root);
    CountProcessors(root);
    ReadMemTotalKb(root);
    return 0;
}
