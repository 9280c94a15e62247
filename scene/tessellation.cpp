// Tessellated geometry counts.
#include "scene/tessellation.h"

#include <algorithm>
#include <cmath>

uint32_t TessTrianglesPerPatch(float level)
{
    // Equal spacing rounds the level up to an integer within the implementation's range.
    const float clamped = std::clamp(std::isfinite(level) ? level : 1.0f, 1.0f, 64.0f);
    const uint32_t n = static_cast<uint32_t>(std::ceil(clamped));
    // Concentric rings: a ring whose outer edges have a segments and inner edges a - 2 holds
    // 3 (2a - 2) triangles; an odd level ends in one centre triangle, an even one in a point.
    uint32_t total = 0;
    uint32_t a = n;
    for (; a >= 2; a -= 2)
        total += 3 * (2 * a - 2);
    if (a == 1)
        total += 1;
    return total;
}

uint32_t PatchesPerDraw(uint32_t maxTrianglesPerDraw, float outerLevel, float innerLevel,
                        uint32_t patchCount)
{
    if (maxTrianglesPerDraw == 0)
        return 0;
    const uint32_t perPatch = TessTrianglesPerPatch(std::max(outerLevel, innerLevel));
    const uint32_t patches = std::max<uint32_t>(1, maxTrianglesPerDraw / perPatch);
    return patches >= patchCount ? 0 : patches;
}

int32_t TessellatedPolygonsK(float level, uint32_t meshTriangles)
{
    const int64_t perPatch = static_cast<int64_t>(1.5f * level * level);
    return static_cast<int32_t>(perPatch * meshTriangles / 1000);
}
