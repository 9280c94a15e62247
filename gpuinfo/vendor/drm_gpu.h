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

// One record per PCI bus of vendor 0x1002 (a card listed several times on one bus yields one
// record). Buses already in `seenBuses` are skipped; new ones are added to it.
void AmdgpuEnumerate(const std::string& root, const std::vector<DrmCard>& cards,
                     std::vector<std::unique_ptr<GpuRecord>>* gpus, std::set<uint32_t>* seenBuses);

// Display cards of any other vendor whose device has a hwmon directory, one per bus.
void HwmonEnumerate(const std::string& root, const std::vector<DrmCard>& cards,
                    std::vector<std::unique_ptr<GpuRecord>>* gpus, std::set<uint32_t>* seenBuses);

// hwmon temperature (millidegrees in the file) into temp_core; false when there is none.
bool DrmReadTemperature(GpuRecord* gpu);
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
// "0: 300Mhz\n1: 1000Mhz *\n"; lines that are not "<index>: <number>Mhz" are skipped.
std::vector<DpmLevel> ParseDpmLevels(std::string_view text);

}  // namespace Ridudedozu
