// The driver workaround list.
#include "gfx/gl_workarounds.h"

#include <algorithm>
#include <cstring>

namespace {

struct Entry {
    const char* rendererSubstring;
    DriverWorkarounds workarounds;
};

const Entry kEntries[] = {
    {"llvmpipe", {75000, true}},
    {"softpipe", {75000, true}},
};

}  // namespace

DriverWorkarounds WorkaroundsFor(const char* glRenderer)
{
    if (!glRenderer)
        return {};
    for (const Entry& e : kEntries)
        if (std::strstr(glRenderer, e.rendererSubstring))
            return e.workarounds;
    return {};
}

uint32_t TessTrianglesPerPatch(uint32_t level)
{
    level = std::max(level, 1u);
    if (level == 1)
        return 1;
    // Each ring between an outer edge of `a` segments and an inner edge of `a - 2` makes
    // a + (a - 2) triangles per side; an odd level ends in one inner triangle, an even one in
    // a centre point.
    uint64_t triangles = 0;
    uint32_t a = level;
    for (; a >= 2; a -= 2)
        triangles += 3ull * (2ull * a - 2ull);
    if (a == 1)
        triangles += 1;
    return uint32_t(std::min<uint64_t>(triangles, 0xFFFFFFFFull));
}

uint32_t PatchesPerDraw(const DriverWorkarounds& workarounds, uint32_t tessLevel)
{
    if (workarounds.maxTessTrianglesPerDraw == 0)
        return 0;
    return std::max(1u, workarounds.maxTessTrianglesPerDraw / TessTrianglesPerPatch(tessLevel));
}
