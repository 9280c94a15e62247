// How much geometry the tessellator makes from the sphere's patches, and how the patches are
// split across draw calls where a driver needs it.
#pragma once

#include <cstdint>

// Triangles the fixed-function tessellator generates for one triangle patch with equal inner
// and outer levels and equal spacing: the level is rounded up to a whole number (1..64); an
// even level n gives 1.5 n^2 triangles, an odd one 1.5 n^2 - 0.5 (so level 1 gives one).
uint32_t TessTrianglesPerPatch(float level);

// Patches per draw call that keep each draw at or under maxTrianglesPerDraw generated
// triangles (at least one patch per draw). 0 when no limit applies (maxTrianglesPerDraw 0) or
// when the whole mesh fits in one draw. Levels are the larger of inner and outer.
uint32_t PatchesPerDraw(uint32_t maxTrianglesPerDraw, float outerLevel, float innerLevel,
                        uint32_t patchCount);

// The polygon estimate shown beside the level: trunc(1.5 L^2) x triangles / 1000, integer.
int32_t TessellatedPolygonsK(float level, uint32_t meshTriangles);
