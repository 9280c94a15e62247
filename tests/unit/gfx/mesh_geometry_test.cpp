// Mesh geometry on the CPU: quad, sphere, index width.
#include "gfx/mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

TEST(MeshGeometry, QuadHasFourCornersAndTwoTriangles)
{
    cHx7PMesh m;
    m.BuildQuad();
    ASSERT_EQ(m.GetVertexCount(), 4u);
    ASSERT_EQ(m.GetTriangleCount(), 2u);
    EXPECT_EQ(m.GetIndexType(), 1);
    const float pos[4][4] = {{0, 0, 0, 1}, {0, 1, 0, 1}, {1, 1, 0, 1}, {1, 0, 0, 1}};
    const float uv[4][4] = {{0, 0, 0, 1}, {0, 1, 0, 1}, {1, 1, 1, 1}, {1, 0, 1, 1}};
    for (int v = 0; v < 4; ++v)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(m.GetPositions()[v * 4 + c], pos[v][c]);
            EXPECT_EQ(m.GetUVs()[v * 4 + c], uv[v][c]);
            EXPECT_EQ(m.GetColours()[v * 4 + c], 1.0f);
            EXPECT_EQ(m.GetNormals()[v * 4 + c], c == 2 ? 1.0f : 0.0f);
        }
    const uint32_t idx[6] = {0, 1, 2, 2, 3, 0};
    for (uint32_t k = 0; k < 6; ++k)
        EXPECT_EQ(m.GetIndex(k), idx[k]);
}

TEST(MeshGeometry, SmallestSphereAfterClamping)
{
    cHx7PMesh m;
    m.BuildSphere(1.0f, 1, 1);  // clamped to 2 stacks, 3 slices
    EXPECT_EQ(m.GetVertexCount(), 12u);
    EXPECT_EQ(m.GetTriangleCount(), 12u);
    // First ring, first segment: a = 0, b = 4.
    const uint32_t first[6] = {0, 1, 4, 4, 1, 5};
    for (uint32_t k = 0; k < 6; ++k)
        EXPECT_EQ(m.GetIndex(k), first[k]);
    // Last triangle: i = 1, j = 2 -> a = 6, b = 10 -> (10, 7, 11).
    EXPECT_EQ(m.GetIndex(33), 10u);
    EXPECT_EQ(m.GetIndex(34), 7u);
    EXPECT_EQ(m.GetIndex(35), 11u);
    for (uint32_t k = 0; k < 36; ++k)
        EXPECT_LT(m.GetIndex(k), 12u);
}

TEST(MeshGeometry, SphereVerticesLieOnTheSphereWithSeamAndPoles)
{
    cHx7PMesh m;
    const uint32_t stacks = 6, slices = 8;
    const float r = 2.5f;
    m.BuildSphere(r, stacks, slices);
    ASSERT_EQ(m.GetVertexCount(), (stacks + 1) * (slices + 1));
    ASSERT_EQ(m.GetTriangleCount(), 2 * stacks * slices);
    for (uint32_t v = 0; v < m.GetVertexCount(); ++v) {
        const float* p = &m.GetPositions()[v * 4];
        const float* n = &m.GetNormals()[v * 4];
        EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), r, 1e-5f);
        EXPECT_EQ(p[3], 1.0f);
        EXPECT_NEAR(n[0] * r, p[0], 1e-5f);
        EXPECT_EQ(n[3], 1.0f);  // normals keep w = 1
    }
    // Top pole ring: every vertex at (0, 0, r); bottom at (0, 0, -r).
    for (uint32_t j = 0; j <= slices; ++j) {
        EXPECT_NEAR(m.GetPositions()[j * 4 + 2], r, 1e-6f);
        EXPECT_NEAR(m.GetPositions()[(stacks * (slices + 1) + j) * 4 + 2], -r, 1e-5f);
    }
    // Seam column repeats column 0 with u = 1; v runs i / stacks.
    for (uint32_t i = 0; i <= stacks; ++i) {
        const uint32_t a = i * (slices + 1), b = a + slices;
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(m.GetPositions()[a * 4 + c], m.GetPositions()[b * 4 + c], 1e-5f);
        EXPECT_EQ(m.GetUVs()[a * 4], 0.0f);
        EXPECT_EQ(m.GetUVs()[b * 4], 1.0f);
        EXPECT_FLOAT_EQ(m.GetUVs()[a * 4 + 1], float(i) / float(stacks));
    }
    // Vertex (1, 2): theta = pi / 6, phi = pi / 2 -> x = r sin(theta), y ~ 0.
    const float* p = &m.GetPositions()[(1 * (slices + 1) + 2) * 4];
    EXPECT_NEAR(p[0], r * 0.5f, 1e-5f);
    EXPECT_NEAR(p[1], 0.0f, 1e-5f);
}

TEST(MeshGeometry, IndexWidthFollowsVertexCount)
{
    cHx7PMesh small;
    ASSERT_TRUE(small.AllocateVertices(65535));
    ASSERT_TRUE(small.AllocateTriangles(1));
    EXPECT_EQ(small.GetIndexType(), 1);
    EXPECT_EQ(small.GetIndexGLType(), GLenum(GL_UNSIGNED_SHORT));
    EXPECT_NE(small.GetIndices16(), nullptr);

    cHx7PMesh edge;
    ASSERT_TRUE(edge.AllocateVertices(65536));
    ASSERT_TRUE(edge.AllocateTriangles(1));
    EXPECT_EQ(edge.GetIndexType(), 2);
    EXPECT_EQ(edge.GetIndexGLType(), GLenum(GL_UNSIGNED_INT));
    EXPECT_EQ(edge.GetIndices16(), nullptr);
    ASSERT_NE(edge.GetIndices32(), nullptr);

    // A sphere past 65,535 vertices keeps its large indices intact.
    cHx7PMesh big;
    big.BuildSphere(1.0f, 300, 300);  // 301 x 301 = 90,601 vertices
    ASSERT_EQ(big.GetVertexCount(), 90601u);
    EXPECT_EQ(big.GetIndexType(), 2);
    uint32_t maxIndex = 0;
    for (uint32_t k = 0; k < big.GetTriangleCount() * 3; ++k)
        maxIndex = std::max(maxIndex, big.GetIndex(k));
    EXPECT_EQ(maxIndex, 90600u);

    // Vertices start as (0, 0, 0, 1) in every array.
    cHx7PMesh fresh;
    ASSERT_TRUE(fresh.AllocateVertices(2));
    for (int a = 0; a < cHx7PMesh::kAttributeCount; ++a)
        for (int c = 0; c < 8; ++c)
            EXPECT_EQ(fresh.GetArray(cHx7PMesh::Attribute(a))[c], (c % 4 == 3) ? 1.0f : 0.0f);
}

TEST(MeshGeometry, ReleaseMoveAndName)
{
    cHx7PMesh m;
    EXPECT_EQ(m.positionLocation, 0);
    EXPECT_EQ(m.normalLocation, 1);
    EXPECT_EQ(m.colourLocation, 1);
    EXPECT_EQ(m.uvLocation, 3);
    m.SetName(std::string(300, 'x').c_str());
    EXPECT_EQ(std::string(m.GetName()).size(), 127u);
    m.BuildSphere(1.0f, 4, 4);
    cHx7PMesh n(std::move(m));
    EXPECT_EQ(n.GetTriangleCount(), 32u);
    EXPECT_EQ(m.GetTriangleCount(), 0u);
    EXPECT_EQ(m.GetPositions(), nullptr);
    n.ReleaseCPU();
    n.ReleaseCPU();
    n.ReleaseGPU();  // no context, no buffers: nothing to do
    EXPECT_EQ(n.GetVertexCount(), 0u);
    EXPECT_EQ(n.GetPositions(), nullptr);
}
