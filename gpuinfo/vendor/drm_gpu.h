// GPU records for DRM cards: amdgpu (ATI/AMD) and the cards of every other driver that
// exposes hwmon (i915, xe, nouveau, radeon, ...). All reads go through sysfs.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "gpuinfo/drm_cards.h"
#include "gpuinfo/gpu_record.h"

namespace Ridudedozu {

// The name a card is listed under: the database's (with its board override), else pci.ids.
std::string DrmCardName(const DrmCard& card);

// One record per PCI bus of vendor 0x1002 (a card listed several times on one bus yields one
// record). Buses (PciBusKey) already in `seenBuses` are skipped; new ones are added to it.
void AmdgpuEnumerate(const std::string& root, const std::vector<DrmCard>& cards,
                     std::vector<std::unique_ptr<GpuRecord>>* gpus, std::set<uint64_t>* seenBuses);

// Every other PCI display card, one per bus, with or without hwmon: a card without sensors is
// still a GPU of the machine (its readings are then absent).
void HwmonEnumerate(const std::string& root, const std::vector<DrmCard>& cards,
                    std::vector<std::unique_ptr<GpuRecord>>* gpus, std::set<uint64_t>* seenBuses);

// hwmon temperature (millidegrees in the file) into temp_core; false when there is none or the
// file holds no plausible one (see kMinGpuMilliCelsius).
bool DrmReadTemperature(GpuRecord* gpu);
// Board power from power1_average (else power1_input), microwatts, in W.
bool DrmReadPower(const GpuRecord& gpu, float* watts);
// Fan speed from fan1_input (RPM) and pwm1 (0-255, stored as percent).
bool DrmReadFanSpeed(GpuRecord* gpu);

// amdgpu levels from pp_dpm_sclk / pp_dpm_mclk (core and memory clock per level), the core
// voltage (in0_input) on the current engine level. The level count is fixed by the first read.
bool AmdgpuReadPerfLevels(GpuRecord* gpu);
// i915 (gt_max_freq_mhz, gt_act_freq_mhz) and xe (tile0/gt0/freq0) clocks: level 0 the
// maximum, level 1 the actual clock. False for drivers that publish no clocks.
bool HwmonReadPerfLevels(GpuRecord* gpu);

struct DpmLevel {
    float mhz = 0;
    bool current = false;
};
// "0: 300Mhz\n1: 1000Mhz *\n"; lines that are not "<index>: <integer>Mhz" are skipped (the
// kernel prints whole MHz: "nan", "inf", fractions and signs are no clock).
std::vector<DpmLevel> ParseDpmLevels(std::string_view text);

}  // namespace Ridudedozu
