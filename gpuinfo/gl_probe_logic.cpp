// The probe's context-free rules: version text, context requests, multisample formats.
#include "gpuinfo/gl_probe.h"

#include <charconv>
#include <cstring>

namespace Ridudedozu {

GlVersion ParseGlVersion(const char* text, int32_t queriedMajor, int32_t queriedMinor)
{
    GlVersion v;
    if (!text || text[0] < '0' || text[0] > '9' || text[1] != '.')
        return v;
    v.major = text[0] - '0';
    if (v.major < 3) {
        v.minor = (text[2] >= '0' && text[2] <= '9') ? text[2] - '0' : 0;
    } else {
        v.major = queriedMajor;
        v.minor = queriedMinor;
    }
    // from_chars: the C library's strtod would read "2.1" as 2 under a comma-decimal locale.
    float number = 0;
    const char* end = text + std::strlen(text);
    auto [p, ec] = std::from_chars(text, end, number);
    (void)p;
    if (ec == std::errc())
        v.number = number;
    return v;
}

std::vector<ContextAttempt> BuildContextAttempts(int32_t major, int32_t minor)
{
    std::vector<ContextAttempt> out;
    if (major >= 3) {
        for (int32_t m = minor; m >= 0; --m)
            out.push_back({major, m, true, false});
        if (major > 3)
            for (int32_t m = 3; m >= 0; --m)
                out.push_back({major - 1, m, true, false});
        for (int32_t m = minor; m >= 0; --m)
            out.push_back({major, m, false, false});
    }
    out.push_back({0, 0, false, true});
    return out;
}

std::vector<MsaaMode> BuildMsaaModes(const std::vector<PixelFormatDesc>& formats, int32_t depth, int32_t stencil,
                                     int32_t* plainFormat)
{
    std::vector<MsaaMode> modes;
    int32_t highest = 1;
    for (const PixelFormatDesc& f : formats) {
        const bool qualifies = f.supports_gl && f.accelerated && f.draw_to_window && f.double_buffer && f.rgba &&
                               f.red == 8 && f.green == 8 && f.blue == 8 && f.depth == depth &&
                               f.stencil == stencil;
        if (!qualifies)
            continue;
        if (f.sample_buffers >= 1) {
            if (f.samples > highest) {
                modes.push_back({f.index, f.samples});
                highest = f.samples;
            }
        } else if (plainFormat) {
            *plainFormat = f.index;
        }
    }
    return modes;
}

int32_t ChooseMsaaFormat(const std::vector<MsaaMode>& modes, int32_t samples)
{
    if (modes.empty() || samples == 0)
        return 0;
    if (samples == -1)
        return modes.back().format;
    for (const MsaaMode& m : modes)
        if (m.samples >= samples)
            return m.format;
    return 0;
}

void SplitExtensionString(const char* text, std::vector<std::string>* out)
{
    if (!text)
        return;
    const char* p = text;
    while (*p) {
        while (*p == ' ')
            ++p;
        const char* start = p;
        while (*p && *p != ' ')
            ++p;
        if (p > start)
            out->emplace_back(start, static_cast<size_t>(p - start) > 127 ? 127 : static_cast<size_t>(p - start));
    }
}

int32_t VendorKindFromGlVendor(const char* vendor)
{
    if (!vendor)
        return 5;
    if (std::strstr(vendor, "NVIDIA"))
        return 1;
    if (std::strstr(vendor, "ATI"))
        return 2;
    if (std::strstr(vendor, "S3"))
        return 3;
    return 5;
}

}  // namespace Ridudedozu
