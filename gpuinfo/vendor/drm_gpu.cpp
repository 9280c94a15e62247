// amdgpu and hwmon GPU records.
#include "gpuinfo/vendor/drm_gpu.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "gpuinfo/driver_info.h"
#include "gpuinfo/gpu_database.h"
#include "gpuinfo/sysfs_reader.h"
#include "gpuinfo/vendor/vendor_logs.h"

namespace Ridudedozu {

namespace {

std::unique_ptr<GpuRecord> MakeDrmRecord(const std::string& root, const DrmCard& card, GpuKind kind)
{
    // Named first, so a card the database knows is never looked up in pci.ids.
    auto gpu = std::make_unique<GpuRecord>();
    gpu->kind = kind;
    gpu->bus = card.bus;
    gpu->bus_key = PciBusKey(card.has_bus, card.domain, card.bus, card.card_number);
    gpu->adapter_index = card.card_number;
    gpu->device_dir = card.device_dir;
    gpu->drm_card_dir = card.card_dir;
    gpu->hwmon_dir = card.hwmon_dir;
    gpu->vendor_id = card.vendor_id;
    gpu->device_id = card.device_id;
    gpu->subsys_vendor_id = card.subsys_vendor_id;
    gpu->subsys_device_id = card.subsys_device_id;
    gpu->revision_id = card.revision;

    CopyText(gpu->name, sizeof(gpu->name), DrmCardName(card));
    const int32_t row = GpuDatabase::Lookup(card.vendor_id, card.device_id);
    if (row >= 0)
        CopyText(gpu->codename, sizeof(gpu->codename), GpuDatabase::Codename(card.vendor_id, row));

    CopyText(gpu->driver_version, sizeof(gpu->driver_version), KernelDriverText(root, card.driver));
    const DrmDriverVersion drm = ReadDrmDriverVersion(root, card.card_number);
    CopyText(gpu->driver_date, sizeof(gpu->driver_date), drm.date);

    if (auto vram = ReadUnsigned(card.device_dir + "/mem_info_vram_total"))
        gpu->memory_mb = static_cast<uint32_t>(std::min<uint64_t>(*vram >> 20, 0xFFFFFFFFu));
    if (auto vbios = ReadFirstLine(card.device_dir + "/vbios_version"); vbios && !vbios->empty())
        CopyText(gpu->bios_string, sizeof(gpu->bios_string), *vbios);
    return gpu;
}

bool ClaimBus(const DrmCard& card, std::set<uint64_t>* seenBuses)
{
    return seenBuses->insert(PciBusKey(card.has_bus, card.domain, card.bus, card.card_number)).second;
}

}  // namespace

std::string DrmCardName(const DrmCard& card)
{
    const int32_t row = GpuDatabase::Lookup(card.vendor_id, card.device_id);
    if (row >= 0)
        return GpuDatabase::NameWithOverride(card.vendor_id, card.device_id, card.subsys_device_id, row);
    return PciDeviceDescription(card.vendor_id, card.device_id);
}

void AmdgpuEnumerate(const std::string& root, const std::vector<DrmCard>& cards,
                     std::vector<std::unique_ptr<GpuRecord>>* gpus, std::set<uint64_t>* seenBuses)
{
    int index = 0;
    for (const DrmCard& card : cards) {
        if (!card.is_pci || card.vendor_id != kPciVendorAmd || !card.is_display_class)
            continue;
        if (!ClaimBus(card, seenBuses))
            continue;
        auto gpu = MakeDrmRecord(root, card, kGpuKindAmdgpu);
        if (!DrmReadTemperature(gpu.get()))
            AdlLog().Write("ATI/AMD - GPU %d - Bus ID:%u - Adapter index:%d - name=%s - GPU temp: ERROR!!!!", index,
                           gpu->bus, gpu->adapter_index, gpu->name);
        DrmReadFanSpeed(gpu.get());
        AdlLog().Write("ATI/AMD - GPU %d - Bus ID:%u - Adapter index:%d - name=%s - Fan speed:%f", index, gpu->bus,
                       gpu->adapter_index, gpu->name, static_cast<double>(gpu->fan_percent));
        AmdgpuReadPerfLevels(gpu.get());
        AdlLog().Write("ATI/AMD - GPU %d - Bus ID:%u - Adapter index:%d - name=%s - Perf levels:%d", index, gpu->bus,
                       gpu->adapter_index, gpu->name, static_cast<int>(gpu->levels.size()));
        gpus->push_back(std::move(gpu));
        ++index;
    }
}

void HwmonEnumerate(const std::string& root, const std::vector<DrmCard>& cards,
                    std::vector<std::unique_ptr<GpuRecord>>* gpus, std::set<uint64_t>* seenBuses)
{
    for (const DrmCard& card : cards) {
        if (!card.is_pci || card.vendor_id == kPciVendorAmd || !card.is_display_class)
            continue;
        if (!ClaimBus(card, seenBuses))
            continue;
        auto gpu = MakeDrmRecord(root, card, kGpuKindHwmon);
        DrmReadTemperature(gpu.get());
        DrmReadFanSpeed(gpu.get());
        HwmonReadPerfLevels(gpu.get());
        gpus->push_back(std::move(gpu));
    }
}

bool DrmReadTemperature(GpuRecord* gpu)
{
    if (gpu->hwmon_dir.empty())
        return false;
    auto milli = ReadSigned(gpu->hwmon_dir + "/temp1_input");
    if (!milli) {
        // Some drivers number their sensors from 2 (or expose only a junction sensor).
        for (const std::string& name : ListDirectory(gpu->hwmon_dir)) {
            if (name.size() > 10 && name.compare(0, 4, "temp") == 0 &&
                name.compare(name.size() - 6, 6, "_input") == 0) {
                milli = ReadSigned(gpu->hwmon_dir + "/" + name);
                if (milli)
                    break;
            }
        }
    }
    if (!milli || *milli < kMinGpuMilliCelsius || *milli > kMaxGpuMilliCelsius)
        return false;
    gpu->temp_core = static_cast<float>(*milli) / 1000.0f;
    return true;
}

bool DrmReadPower(const GpuRecord& gpu, float* watts)
{
    if (gpu.hwmon_dir.empty())
        return false;
    for (const char* file : {"/power1_average", "/power1_input"}) {
        // Up to 2 kW: anything above is a misread file, not a board.
        if (auto micro = ReadDecimal(gpu.hwmon_dir + file); micro && *micro <= 2000000000ull) {
            *watts = static_cast<float>(static_cast<double>(*micro) / 1e6);
            return true;
        }
    }
    return false;
}

bool DrmReadFanSpeed(GpuRecord* gpu)
{
    if (gpu->hwmon_dir.empty())
        return false;
    bool any = false;
    if (auto pwm = ReadDecimal(gpu->hwmon_dir + "/pwm1"); pwm && *pwm <= 255) {
        gpu->fan_percent = static_cast<float>(*pwm) * 100.0f / 255.0f;
        any = true;
    }
    if (auto rpm = ReadDecimal(gpu->hwmon_dir + "/fan1_input"); rpm && *rpm < 100000) {
        gpu->fan_rpm = static_cast<float>(*rpm);
        any = true;
    }
    return any;
}

std::vector<DpmLevel> ParseDpmLevels(std::string_view text)
{
    std::vector<DpmLevel> levels;
    size_t pos = 0;
    while (pos < text.size() && levels.size() < 64) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        size_t i = 0;
        while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])))
            ++i;
        // "S:" (the deep-sleep clock of newer kernels) and anything else without an index is
        // not a performance level.
        if (i == 0 || i >= line.size() || line[i] != ':')
            continue;
        ++i;
        while (i < line.size() && line[i] == ' ')
            ++i;
        // Whole MHz, as the kernel prints them: a float parser would take "nan" and "inf".
        uint32_t mhzValue = 0;
        auto [p, ec] = std::from_chars(line.data() + i, line.data() + line.size(), mhzValue);
        if (ec != std::errc() || mhzValue > 100000)
            continue;
        const float mhz = static_cast<float>(mhzValue);
        std::string_view rest(p, static_cast<size_t>(line.data() + line.size() - p));
        if (rest.size() < 3 || !(std::tolower(static_cast<unsigned char>(rest[0])) == 'm' &&
                                 std::tolower(static_cast<unsigned char>(rest[1])) == 'h' &&
                                 std::tolower(static_cast<unsigned char>(rest[2])) == 'z'))
            continue;
        DpmLevel level;
        level.mhz = mhz;
        level.current = rest.find('*') != std::string_view::npos;
        levels.push_back(level);
    }
    return levels;
}

bool AmdgpuReadPerfLevels(GpuRecord* gpu)
{
    auto sclkText = ReadTextFile(gpu->device_dir + "/pp_dpm_sclk", 4096);
    auto mclkText = ReadTextFile(gpu->device_dir + "/pp_dpm_mclk", 4096);
    const std::vector<DpmLevel> sclk = sclkText ? ParseDpmLevels(*sclkText) : std::vector<DpmLevel>{};
    const std::vector<DpmLevel> mclk = mclkText ? ParseDpmLevels(*mclkText) : std::vector<DpmLevel>{};
    if (sclk.empty() && mclk.empty())
        return false;
    // The first read fixes the count, so a reader on another call never sees the array move.
    if (gpu->levels.empty())
        gpu->levels.resize(std::max(sclk.size(), mclk.size()));
    float volts = 0;
    if (!gpu->hwmon_dir.empty())
        if (auto mv = ReadDecimal(gpu->hwmon_dir + "/in0_input"); mv && *mv < 10000)
            volts = static_cast<float>(*mv) / 1000.0f;
    for (size_t i = 0; i < gpu->levels.size(); ++i) {
        PerfLevel& l = gpu->levels[i];
        l.level_id = 0;
        l.core_mhz = i < sclk.size() ? sclk[i].mhz : 0;
        l.memory_mhz = i < mclk.size() ? mclk[i].mhz : 0;
        l.shader_mhz = 0;
        l.core_volts = (i < sclk.size() && sclk[i].current) ? volts : 0;
    }
    return true;
}

bool HwmonReadPerfLevels(GpuRecord* gpu)
{
    std::optional<uint64_t> maxMhz = ReadDecimal(gpu->drm_card_dir + "/gt_max_freq_mhz");
    std::optional<uint64_t> actMhz = ReadDecimal(gpu->drm_card_dir + "/gt_act_freq_mhz");
    if (!maxMhz && !actMhz) {
        const std::string xe = gpu->device_dir + "/tile0/gt0/freq0";
        maxMhz = ReadDecimal(xe + "/max_freq");
        actMhz = ReadDecimal(xe + "/act_freq");
    }
    // Beyond these no GPU clocks: the value is broken, not a clock.
    if (maxMhz && *maxMhz >= 100000)
        maxMhz.reset();
    if (actMhz && *actMhz >= 100000)
        actMhz.reset();
    if (!maxMhz && !actMhz)
        return false;
    if (gpu->levels.size() != 2)
        gpu->levels.resize(2);
    gpu->levels[0] = PerfLevel{};
    gpu->levels[1] = PerfLevel{};
    if (maxMhz)
        gpu->levels[0].core_mhz = static_cast<float>(*maxMhz);
    if (actMhz)
        gpu->levels[1].core_mhz = static_cast<float>(*actMhz);
    return true;
}

}  // namespace Ridudedozu
