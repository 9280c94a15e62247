// Tessellation levels as the tessellator uses them, and the polygon estimate shown beside them.
#pragma once

#include <cstdint>

// The whole level the tessellator uses for a requested level with equal spacing: rounded up,
// within 1..64 (the largest level any implementation offers); NaN counts as 1.
uint32_t WholeTessLevel(float level);

// The polygon estimate shown beside the level: trunc(1.5 L^2) x triangles / 1000, integer.
int32_t TessellatedPolygonsK(float level, uint32_t meshTriangles);
