// The GPU-Z block reader on arbitrary bytes (zero-padded or cut to the block's size): sensor
// lookup and value conversion never read outside the copy, and every value is a plain number
// within the sensor's range.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "scene/gpuz_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> block(kGpuzBlockSize, 0);
    // Short inputs fill the sensor records first: that is where the reader looks.
    if (size <= kGpuzBlockSize - kGpuzSensorsOffset)
        std::memcpy(block.data() + kGpuzSensorsOffset, data, size);
    else
        std::memcpy(block.data(), data, std::min(size, kGpuzBlockSize));
    int64_t now = 0;
    GpuzFeed feed("/gridfall-fuzz-unused", [&now] { return now; });
    feed.AcceptBlock(block.data());
    now += kGpuzStaleAfterMs;
    feed.AcceptBlock(block.data());
    if (!feed.Located() || !feed.Stale())
        std::abort();
    for (int kind = 0; kind < kGpuzSensorKinds; ++kind) {
        const auto sensor = static_cast<GpuzSensor>(kind);
        const int32_t index = feed.Index(sensor);
        if (index < -1 || index >= static_cast<int32_t>(kGpuzSensorCount))
            std::abort();
        const float value = feed.Value(sensor);
        if (!std::isfinite(value) || std::fabs(value) > 100000.0f)
            std::abort();
        // The HUD's integer conversion of the value must be defined.
        volatile int shown = static_cast<int>(value);
        (void)shown;
    }
    return 0;
}
