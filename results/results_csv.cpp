// Per-second CSV log.
#include "results/results_csv.h"

#include <algorithm>
#include <cmath>

#include "results/results_json.h"

std::string FormatResultsCsv(const RunReport& report)
{
    uint32_t gpus = 0;
    for (const SecondSample& s : report.seconds)
        gpus = std::max(gpus, s.gpu_count);

    // Absent figures are empty fields: a spreadsheet reads them as missing, not as 0.
    const auto number = [](double v, int decimals) {
        return std::isfinite(v) ? JsonNumber(v, decimals) : std::string();
    };
    std::string out = "elapsed_s,fps,worst_frame_ms,frames,window_ms,partial";
    for (uint32_t g = 0; g < gpus; ++g) {
        const std::string p = ",gpu" + std::to_string(g);
        out += p + "_temperature_c" + p + "_core_clock_mhz" + p + "_memory_clock_mhz" + p + "_power_w" + p +
               "_fan_percent";
    }
    out += '\n';
    for (const SecondSample& s : report.seconds) {
        out += JsonNumber(s.elapsed_ms / 1000.0, 3);
        out += ',' + number(s.Rate(), 2);
        out += ',' + JsonNumber(s.worst_frame_us / 1000.0, 3);
        out += ',' + std::to_string(s.frames);
        out += ',' + std::to_string(s.window_ms);
        out += s.partial ? ",1" : ",0";
        for (uint32_t g = 0; g < gpus; ++g) {
            if (g < s.gpu_count) {
                out += ',' + number(s.gpus[g].temperature_c, 1);
                out += ',' + number(s.gpus[g].core_clock_mhz, 1);
                out += ',' + number(s.gpus[g].memory_clock_mhz, 1);
                out += ',' + number(s.gpus[g].power_w, 1);
                out += ',' + number(s.gpus[g].fan_percent, 1);
            } else {
                out += ",,,,,";
            }
        }
        out += '\n';
    }
    return out;
}
