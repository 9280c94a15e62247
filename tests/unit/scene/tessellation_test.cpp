// Tessellation levels, the split of the sphere into draws on drivers that need it, and the
// polygon estimate.
#include "scene/tessellation.h"

#include <gtest/gtest.h>

#include <cmath>

#include "gfx/gl_workarounds.h"
#include "scene/scene_assets.h"

namespace {

TEST(Tessellation, WholeLevelRoundsUpWithinTheHardwareRange)
{
    EXPECT_EQ(WholeTessLevel(1.0f), 1u);
    EXPECT_EQ(WholeTessLevel(7.2f), 8u);
    EXPECT_EQ(WholeTessLevel(32.0f), 32u);
    EXPECT_EQ(WholeTessLevel(0.0f), 1u);
    EXPECT_EQ(WholeTessLevel(-5.0f), 1u);
    EXPECT_EQ(WholeTessLevel(std::nanf("")), 1u);
    EXPECT_EQ(WholeTessLevel(1000.0f), 64u);
}

TEST(Tessellation, SoftwareRendererDrawsTheSphereInBoundedChunks)
{
    const DriverWorkarounds llvmpipe = WorkaroundsFor("llvmpipe (LLVM 15.0.6, 256 bits)");
    const DriverWorkarounds hardware = WorkaroundsFor("NVIDIA GeForce RTX 4090/PCIe/SSE2");
    EXPECT_EQ(PatchesPerDraw(hardware, WholeTessLevel(64.0f)), 0u);
    for (float level : {8.0f, 16.0f, 32.0f, 64.0f}) {
        const uint32_t whole = WholeTessLevel(level);
        const uint32_t n = PatchesPerDraw(llvmpipe, whole);
        ASSERT_GT(n, 0u) << level;
        // Each draw stays within the limit, and the chunks are as large as the limit allows.
        EXPECT_LE(n * TessTrianglesPerPatch(whole), 75000u) << level;
        EXPECT_GT((n + 1) * TessTrianglesPerPatch(whole), 75000u) << level;
    }
    // Level 32: 1536 triangles a patch, 48 patches a draw, 38 draws for the 1800 patches.
    EXPECT_EQ(PatchesPerDraw(llvmpipe, 32), 48u);
    EXPECT_EQ((kSphereTriangles + 47) / 48, 38u);
}

TEST(Tessellation, PolygonEstimateInThousands)
{
    EXPECT_EQ(TessellatedPolygonsK(32.0f, 1800), 2764);
    EXPECT_EQ(TessellatedPolygonsK(64.0f, 1800), 11059);
    EXPECT_EQ(TessellatedPolygonsK(1.0f, 1800), 1);
}

}  // namespace
