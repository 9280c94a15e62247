// Tessellated geometry counts and the split of the sphere into draw calls.
#include "scene/tessellation.h"

#include <gtest/gtest.h>

namespace {

TEST(Tessellation, TrianglesPerPatchFollowTheRingCount)
{
    EXPECT_EQ(TessTrianglesPerPatch(1.0f), 1u);
    EXPECT_EQ(TessTrianglesPerPatch(2.0f), 6u);
    EXPECT_EQ(TessTrianglesPerPatch(3.0f), 13u);
    for (int level : {2, 4, 8, 16, 32, 64})
        EXPECT_EQ(TessTrianglesPerPatch(float(level)), uint32_t(1.5 * level * level)) << level;
    // Fractional levels round up; out-of-range levels are clamped like the hardware does.
    EXPECT_EQ(TessTrianglesPerPatch(7.2f), TessTrianglesPerPatch(8.0f));
    EXPECT_EQ(TessTrianglesPerPatch(0.0f), 1u);
    EXPECT_EQ(TessTrianglesPerPatch(-5.0f), 1u);
    EXPECT_EQ(TessTrianglesPerPatch(1000.0f), TessTrianglesPerPatch(64.0f));
}

TEST(Tessellation, PatchesPerDrawKeepsEachDrawUnderTheLimit)
{
    // No limit: one draw.
    EXPECT_EQ(PatchesPerDraw(0, 32, 32, 1800), 0u);
    // Level 1 or 8 fits in one draw of 75,000 triangles.
    EXPECT_EQ(PatchesPerDraw(75000, 1, 1, 1800), 0u);
    EXPECT_EQ(PatchesPerDraw(75000, 4, 4, 1800), 0u);
    for (float level : {16.0f, 32.0f, 64.0f}) {
        const uint32_t n = PatchesPerDraw(75000, level, level, 1800);
        ASSERT_GT(n, 0u) << level;
        EXPECT_LE(n * TessTrianglesPerPatch(level), 75000u) << level;
        EXPECT_GT((n + 1) * TessTrianglesPerPatch(level), 75000u) << level;
    }
    EXPECT_EQ(PatchesPerDraw(75000, 32, 32, 1800), 48u);
    // A limit below one patch still draws one patch at a time.
    EXPECT_EQ(PatchesPerDraw(100, 64, 64, 1800), 1u);
    // The larger of the two levels decides.
    EXPECT_EQ(PatchesPerDraw(75000, 8, 64, 1800), PatchesPerDraw(75000, 64, 64, 1800));
}

TEST(Tessellation, PolygonEstimateInThousands)
{
    EXPECT_EQ(TessellatedPolygonsK(32.0f, 1800), 2764);
    EXPECT_EQ(TessellatedPolygonsK(64.0f, 1800), 11059);
    EXPECT_EQ(TessellatedPolygonsK(1.0f, 1800), 1);
}

}  // namespace
