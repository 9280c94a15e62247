// Driver workarounds, one documented list keyed by the GL_RENDERER text of the context the
// scene draws with. Each entry says what the driver does wrong and what we do instead.
//
//   llvmpipe (Mesa's CPU rasteriser): a single draw whose tessellator output exceeds roughly
//     100,000 triangles falls off a cliff (tessellation level 32 in one draw: 47 s a frame;
//     split into draws of 50 patches: 2 frames a second). Keep each draw's generated
//     triangles at or below 75,000.
//     Anisotropic filtering is also a cliff there: the tessellated sphere with its maps at
//     anisotropy 4 takes from 7 s to over 200 s a frame at 320 x 240 (level 2), against
//     2-3 s with plain linear filtering. Filter with anisotropy 1.
//   softpipe (Mesa's reference rasteriser): the same pipeline structure, treated alike.
//
// Other renderers need nothing; every field's neutral value means "no workaround".
#pragma once

#include <cstdint>

struct DriverWorkarounds {
    // Most tessellator-generated triangles one draw may produce; 0 = no limit.
    uint32_t maxTessTrianglesPerDraw = 0;
    // Set GL_TEXTURE_MAX_ANISOTROPY_EXT back to 1 on uploaded textures.
    bool noAnisotropicFiltering = false;
};

// glRenderer may be null (no context): no workarounds.
DriverWorkarounds WorkaroundsFor(const char* glRenderer);

// Triangles the tessellator makes from one triangle patch when the inner and all outer levels
// equal `level` with equal (integer) spacing: 3L^2/2 for even L, (3L^2 - 1)/2 for odd L.
// Levels below 1 count as 1.
uint32_t TessTrianglesPerPatch(uint32_t level);

// Patches (mesh triangles) per draw so one draw stays within the workaround's limit at this
// level; 0 = draw everything at once. At least 1 when a limit applies.
uint32_t PatchesPerDraw(const DriverWorkarounds& workarounds, uint32_t tessLevel);
