// Tessellation levels and the polygon estimate.
#include "scene/tessellation.h"

#include <algorithm>
#include <cmath>

uint32_t WholeTessLevel(float level)
{
    if (!(level >= 1.0f))   // also catches NaN
        return 1;
    return static_cast<uint32_t>(std::ceil(std::min(level, 64.0f)));
}

int32_t TessellatedPolygonsK(float level, uint32_t meshTriangles)
{
    const int64_t perPatch = static_cast<int64_t>(1.5f * level * level);
    return static_cast<int32_t>(perPatch * meshTriangles / 1000);
}
