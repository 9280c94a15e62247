// Meshes drawn on llvmpipe: buffers, attribute state, patches through a pass-through
// tessellation program, chunked and instanced draws.
#include "gfx/gl_workarounds.h"
#include "gfx/gpu_program.h"
#include "gfx/mesh.h"

#include "gfx_gl_helpers.h"

using gfx_test::CountPrimitives;
using gfx_test::TestProcs;
using gridfall_test::GLTestContext;
using gridfall_test::GLTestFixture;

namespace {
class MeshDrawTest : public GLTestFixture {
protected:
    MeshDrawTest() : GLTestFixture(32, 32) {}

    // The entry points can only be looked up once the context (and its GL library) exists.
    void SetUp() override
    {
        GLTestFixture::SetUp();
        procs = TestProcs();
    }

    bool BuildColourProgram(cHx7PGpuProgram& p)
    {
        return p.SetVertexShader(gfx_test::kQuadVS, sizeof gfx_test::kQuadVS) &&
               p.SetPixelShader(gfx_test::kColourFS, sizeof gfx_test::kColourFS) && p.Bind();
    }
    bool BuildTessProgram(cHx7PGpuProgram& p)
    {
        return p.AddShader(kShaderStageVertex, gfx_test::kPassVS, sizeof gfx_test::kPassVS) &&
               p.AddShader(kShaderStageTessControl, gfx_test::kPassTCS, sizeof gfx_test::kPassTCS) &&
               p.AddShader(kShaderStageTessEvaluation, gfx_test::kPassTES, sizeof gfx_test::kPassTES) &&
               p.AddShader(kShaderStagePixel, gfx_test::kColourFS, sizeof gfx_test::kColourFS) &&
               p.Bind();
    }

    TestProcs procs;
};

GLint Binding(GLenum which)
{
    GLint v = -1;
    glGetIntegerv(which, &v);
    return v;
}
}  // namespace

TEST_F(MeshDrawTest, RenderFillsTheViewportAndLeavesNothingBound)
{
    cHx7PGpuProgram program;
    ASSERT_TRUE(BuildColourProgram(program));
    program.SetUniform4f("colour", 1, 0, 1, 1);
    cHx7PMesh quad;
    quad.BuildQuad();
    quad.positionLocation = program.GetAttribLocation("In_Position");
    ASSERT_GE(quad.positionLocation, 0);
    quad.normalLocation = -1;
    quad.colourLocation = -1;
    quad.uvLocation = -1;
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    cHx7PMeshRenderOptions options;
    options.drawPatches = 1;  // Render always draws triangles
    quad.Render(options);
    ASSERT_GL_OK();
    EXPECT_EQ(GLTestContext::PixelAt(0, 0), 0xFF00FFFFu);
    EXPECT_EQ(GLTestContext::PixelAt(31, 31), 0xFF00FFFFu);
    EXPECT_EQ(Binding(GL_ARRAY_BUFFER_BINDING), 0);
    EXPECT_EQ(Binding(GL_ELEMENT_ARRAY_BUFFER_BINDING), 0);
    EXPECT_EQ(procs.AttribEnabled(GLuint(quad.positionLocation)), GL_FALSE);

    // Buffers were made once; a second Render reuses them.
    const GLuint positions = quad.GetVertexBuffer(cHx7PMesh::kPositions);
    const GLuint indices = quad.GetIndexBuffer();
    ASSERT_NE(positions, 0u);
    ASSERT_NE(indices, 0u);
    EXPECT_EQ(quad.GetVertexBuffer(cHx7PMesh::kNormals), 0u);  // not asked for
    quad.Render(options);
    EXPECT_EQ(quad.GetVertexBuffer(cHx7PMesh::kPositions), positions);
    cHx7PGpuProgram::Unbind();

    quad.ReleaseGPU();
    EXPECT_EQ(quad.GetVertexBuffer(cHx7PMesh::kPositions), 0u);
    EXPECT_FALSE(procs.glIsBuffer(positions));
    EXPECT_FALSE(procs.glIsBuffer(indices));
    quad.ReleaseGPU();
    EXPECT_GL_OK();
}

TEST_F(MeshDrawTest, NegativeLocationsAreSkippedAndUnbindLeavesThemAlone)
{
    cHx7PGpuProgram program;
    ASSERT_TRUE(BuildColourProgram(program));
    cHx7PMesh quad;
    quad.BuildQuad();
    quad.positionLocation = program.GetAttribLocation("In_Position");
    quad.normalLocation = -1;
    quad.colourLocation = 2;
    quad.uvLocation = -1;
    // Somebody else's array at location 1 must survive our Bind/Unbind.
    const GLuint other = quad.positionLocation == 1 ? 5 : 1;
    Hx7PGLProcs.glEnableVertexAttribArray(other);
    cHx7PMeshRenderOptions options;
    options.useNormals = options.useColours = options.useUVs = 1;
    quad.Bind(options);
    EXPECT_EQ(procs.AttribEnabled(2), GL_TRUE);
    EXPECT_NE(quad.GetVertexBuffer(cHx7PMesh::kNormals), 0u);  // uploaded, just not pointed
    quad.Draw(options);
    quad.Unbind();
    EXPECT_EQ(procs.AttribEnabled(2), GL_FALSE);
    EXPECT_EQ(procs.AttribEnabled(other), GL_TRUE);
    Hx7PGLProcs.glDisableVertexAttribArray(other);
    cHx7PGpuProgram::Unbind();
    EXPECT_GL_OK();
}

TEST_F(MeshDrawTest, ChangedFlagsReuploadOnceAndAreCleared)
{
    cHx7PGpuProgram program;
    ASSERT_TRUE(BuildColourProgram(program));
    cHx7PMesh quad;
    quad.BuildQuad();
    quad.positionLocation = program.GetAttribLocation("In_Position");
    quad.normalLocation = quad.colourLocation = quad.uvLocation = -1;
    cHx7PMeshRenderOptions options;
    options.positionsChanged = 1;  // nothing on the GPU yet: the first upload covers it
    quad.Bind(options);
    EXPECT_EQ(options.positionsChanged, 0);
    quad.Unbind();

    auto gpuX = [&](int vertex) {
        float v[4] = {};
        Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, quad.GetVertexBuffer(cHx7PMesh::kPositions));
        procs.glGetBufferSubData(GL_ARRAY_BUFFER, vertex * 16, 16, v);
        Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, 0);
        return v[0];
    };
    quad.GetPositions()[2 * 4] = 0.25f;
    quad.Bind(options);  // flag clear: no upload
    quad.Unbind();
    EXPECT_EQ(gpuX(2), 1.0f);
    options.positionsChanged = 1;
    options.normalsChanged = 1;  // normals not in use: the flag stays
    quad.Bind(options);
    quad.Unbind();
    EXPECT_EQ(gpuX(2), 0.25f);
    EXPECT_EQ(options.positionsChanged, 0);
    EXPECT_EQ(options.normalsChanged, 1);
    cHx7PGpuProgram::Unbind();
    EXPECT_GL_OK();
}

TEST_F(MeshDrawTest, SpherePatchesMakeTheExpectedPrimitiveCounts)
{
    cHx7PGpuProgram program;
    ASSERT_TRUE(BuildTessProgram(program)) << (program.GetLastLog() ? program.GetLastLog() : "");
    cHx7PMesh sphere;
    sphere.BuildSphere(0.8f, 1, 1);  // 2 x 3 after clamping
    ASSERT_EQ(sphere.GetTriangleCount(), 12u);
    sphere.positionLocation = program.GetAttribLocation("In_Position");
    sphere.normalLocation = sphere.colourLocation = sphere.uvLocation = -1;
    cHx7PMeshRenderOptions options;
    options.drawPatches = 1;
    sphere.Bind(options);
    for (uint32_t level : {1u, 2u, 3u, 4u}) {
        program.SetUniform1f("level", float(level));
        const GLuint n = CountPrimitives(procs, [&] { sphere.Draw(options); });
        EXPECT_EQ(n, 12u * TessTrianglesPerPatch(level)) << "level " << level;
    }
    sphere.Unbind();

    // A bigger sphere drawn in chunks generates exactly what one draw does.
    cHx7PMesh big;
    big.BuildSphere(0.8f, 6, 10);
    big.positionLocation = sphere.positionLocation;
    big.normalLocation = big.colourLocation = big.uvLocation = -1;
    program.SetUniform1f("level", 2.0f);
    big.Bind(options);
    const GLuint whole = CountPrimitives(procs, [&] { big.Draw(options); });
    const GLuint chunked = CountPrimitives(procs, [&] { big.DrawInChunks(options, 7); });
    const GLuint ranged = CountPrimitives(procs, [&] {
        big.DrawRange(options, 0, 100);
        big.DrawRange(options, 100, 1000);  // clipped to the mesh
        big.DrawRange(options, 500, 1);     // past the end: nothing
    });
    big.Unbind();
    EXPECT_EQ(whole, 120u * 6u);
    EXPECT_EQ(chunked, whole);
    EXPECT_EQ(ranged, whole);
    cHx7PGpuProgram::Unbind();
    EXPECT_GL_OK();
}

TEST_F(MeshDrawTest, LargeMeshUploadsThirtyTwoBitIndices)
{
    cHx7PGpuProgram program;
    ASSERT_TRUE(BuildColourProgram(program));
    cHx7PMesh sphere;
    sphere.BuildSphere(1.0f, 300, 300);
    ASSERT_EQ(sphere.GetIndexType(), 2);
    sphere.positionLocation = program.GetAttribLocation("In_Position");
    sphere.normalLocation = sphere.colourLocation = sphere.uvLocation = -1;
    cHx7PMeshRenderOptions options;
    sphere.Bind(options);
    GLint size = 0;
    procs.glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, GLint(sphere.GetTriangleCount() * 12));
    uint32_t last[3] = {};
    procs.glGetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, size - 12, 12, last);
    const uint32_t k = sphere.GetTriangleCount() * 3 - 3;
    EXPECT_EQ(last[0], sphere.GetIndex(k));
    EXPECT_EQ(last[2], 90600u);
    const GLuint n = CountPrimitives(procs, [&] { sphere.Draw(options); });
    EXPECT_EQ(n, sphere.GetTriangleCount());
    sphere.Unbind();
    cHx7PGpuProgram::Unbind();
    EXPECT_GL_OK();
}

TEST_F(MeshDrawTest, InstancedDrawRepeatsTheMeshAndUnbindResetsDivisors)
{
    ASSERT_NE(Hx7PGLProcs.glDrawElementsInstancedARB, nullptr);
    cHx7PGpuProgram program;
    ASSERT_TRUE(BuildColourProgram(program));
    cHx7PMesh quad;
    quad.BuildQuad();
    quad.positionLocation = program.GetAttribLocation("In_Position");
    quad.normalLocation = quad.colourLocation = quad.uvLocation = -1;
    ASSERT_TRUE(quad.AllocateInstances(3));
    cHx7PMeshRenderOptions options;
    quad.Bind(options);
    GLint divisor = -1;
    procs.glGetVertexAttribiv(4, GL_VERTEX_ATTRIB_ARRAY_DIVISOR, &divisor);
    EXPECT_EQ(divisor, 1);
    EXPECT_EQ(procs.AttribEnabled(6), GL_TRUE);
    const GLuint n = CountPrimitives(procs, [&] { quad.Draw(options); });
    EXPECT_EQ(n, 3u * 2u);
    quad.Unbind();
    procs.glGetVertexAttribiv(4, GL_VERTEX_ATTRIB_ARRAY_DIVISOR, &divisor);
    EXPECT_EQ(divisor, 0);
    EXPECT_EQ(procs.AttribEnabled(4), GL_FALSE);
    EXPECT_EQ(procs.AttribEnabled(6), GL_FALSE);
    cHx7PGpuProgram::Unbind();
    EXPECT_GL_OK();
}
