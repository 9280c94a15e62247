// Shader programs on a real context: compile and link failures, lazy link, uniforms by name.
#include "gfx/gpu_program.h"

#include "gfx_gl_helpers.h"

using gfx_test::LogCapture;
using gridfall_test::GLTestFixture;

namespace {
class GpuProgramTest : public GLTestFixture {};

const char kBrokenVS[] = "#version 400\nvoid main() { gl_Position = undefinedThing; }\n";
const char kBrokenFS[] = "#version 400\nout vec4 c;\nvoid main() { c = vec4(1) +; }\n";
// Compiles alone, fails to link: the function has no body anywhere.
const char kUnlinkableFS[] =
    "#version 400\nvec4 missing();\nout vec4 c;\nvoid main() { c = missing(); }\n";

GLint CurrentProgram()
{
    GLint p = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &p);
    return p;
}
}  // namespace

TEST_F(GpuProgramTest, CompileErrorsAreLoggedPerStageAndKeptAsLastLog)
{
    LogCapture log;
    cHx7PGpuProgram program;
    EXPECT_EQ(program.GetLastLog(), nullptr);
    EXPECT_FALSE(program.SetVertexShader(kBrokenVS, sizeof kBrokenVS));
    ASSERT_NE(program.GetLastLog(), nullptr);
    EXPECT_NE(std::string(program.GetLastLog()).find("undefinedThing"), std::string::npos);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], std::string("Vertex Shader Error: ") + program.GetLastLog());

    EXPECT_FALSE(program.SetPixelShader(kBrokenFS, sizeof kBrokenFS));
    EXPECT_TRUE(log.Contains("Pixel Shader Error: "));

    EXPECT_FALSE(program.AddShader(kShaderStageTessControl, kBrokenFS, sizeof kBrokenFS));
    EXPECT_TRUE(log.Contains("Tessellation control shader error: "));
    EXPECT_EQ(program.GetStageShader(kShaderStageTessControl), 0u);
    EXPECT_FALSE(program.AddShader(kShaderStageTessEvaluation, kBrokenVS, sizeof kBrokenVS));
    EXPECT_TRUE(log.Contains("Tessellation evaluation shader error: "));
    EXPECT_FALSE(program.AddShader(kShaderStageGeometry, kBrokenVS, sizeof kBrokenVS));
    EXPECT_TRUE(log.Contains("Geometry shader error: "));
    EXPECT_GL_OK();
    program.Release();
    program.Release();
    EXPECT_GL_OK();
}

TEST_F(GpuProgramTest, RefusesMissingSourcesAndUnknownStagesWithoutGL)
{
    LogCapture log;
    cHx7PGpuProgram program;
    EXPECT_FALSE(program.SetVertexShader(nullptr, 10));
    EXPECT_FALSE(program.SetPixelShader(gfx_test::kColourFS, 0));
    EXPECT_FALSE(program.AddShader(kShaderStageVertex, nullptr, 5));
    EXPECT_FALSE(program.AddShader(5, gfx_test::kQuadVS, sizeof gfx_test::kQuadVS));
    EXPECT_FALSE(program.AddShader(-1, gfx_test::kQuadVS, sizeof gfx_test::kQuadVS));
    EXPECT_EQ(program.GetProgram(), 0u);
    EXPECT_FALSE(program.Bind());  // nothing to link
    EXPECT_TRUE(log.lines.empty());
    program.Release();  // never used: nothing to do
    EXPECT_GL_OK();
}

TEST_F(GpuProgramTest, LinkFailureIsRetriedAndNeverMadeCurrent)
{
    LogCapture log;
    cHx7PGpuProgram program;
    ASSERT_TRUE(program.SetVertexShader(gfx_test::kQuadVS, sizeof gfx_test::kQuadVS));
    ASSERT_TRUE(program.SetPixelShader(kUnlinkableFS, sizeof kUnlinkableFS));
    EXPECT_TRUE(log.lines.empty());
    EXPECT_FALSE(program.Bind());
    EXPECT_FALSE(program.IsLinked());
    EXPECT_EQ(CurrentProgram(), 0);
    ASSERT_EQ(log.lines.size(), 1u);
    ASSERT_NE(program.GetLastLog(), nullptr);
    EXPECT_EQ(log.lines[0], std::string("Shader program Error: ") + program.GetLastLog());
    // Not linked, so the next Bind links (and fails) again.
    EXPECT_FALSE(program.Bind());
    EXPECT_EQ(log.lines.size(), 2u);
    // No locations from an unlinked program, and no GL error for asking.
    EXPECT_EQ(program.GetAttribLocation("In_Position"), -1);
    program.SetUniform1f("colour", 1.0f);
    EXPECT_GL_OK();
}

TEST_F(GpuProgramTest, LinksOnceAndSetsUniformsByName)
{
    LogCapture log;
    cHx7PGpuProgram program;
    ASSERT_TRUE(program.AddShader(kShaderStageVertex, gfx_test::kQuadVS, sizeof gfx_test::kQuadVS));
    ASSERT_TRUE(program.AddShader(kShaderStagePixel, gfx_test::kColourFS, sizeof gfx_test::kColourFS));
    ASSERT_TRUE(program.Bind());
    EXPECT_TRUE(program.IsLinked());
    EXPECT_EQ(CurrentProgram(), GLint(program.GetProgram()));
    EXPECT_GE(program.GetAttribLocation("In_Position"), 0);
    EXPECT_EQ(program.GetAttribLocation("In_Normal"), -1);

    // The compiler dropped unusedScale: setting it does nothing and says nothing.
    program.SetUniform1f("unusedScale", 2.0f);
    program.SetUniform1i("noSuchSampler", 3);
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    program.SetUniformMatrix4("noSuchMatrix", identity);
    program.SetUniformMatrix3("noSuchMatrix3", identity);
    EXPECT_GL_OK();
    EXPECT_TRUE(log.lines.empty());

    // Locations were read at link time: setting a uniform asks the driver nothing.
    static int lookups = 0;
    const PFNGLGETUNIFORMLOCATIONPROC realLookup = Hx7PGLProcs.glGetUniformLocation;
    Hx7PGLProcs.glGetUniformLocation = [](GLuint, const GLchar*) -> GLint { return ++lookups, -1; };
    program.SetUniform4f("colour", 0.0f, 1.0f, 0.0f, 1.0f);
    program.SetUniform1f("unusedScale", 2.0f);
    Hx7PGLProcs.glGetUniformLocation = realLookup;
    EXPECT_EQ(lookups, 0);
    EXPECT_GT(program.GetUniformCount(), 0u);
    GLfloat value[4] = {};
    const GLint loc = Hx7PGLProcs.glGetUniformLocation(program.GetProgram(), "colour");
    ASSERT_GE(loc, 0);
    auto getUniformfv = reinterpret_cast<PFNGLGETUNIFORMFVPROC>(SDL_GL_GetProcAddress("glGetUniformfv"));
    getUniformfv(program.GetProgram(), loc, value);
    EXPECT_EQ(value[1], 1.0f);

    cHx7PGpuProgram::Unbind();
    EXPECT_EQ(CurrentProgram(), 0);
    // Already linked: Bind only makes it current again.
    ASSERT_TRUE(program.Bind());
    EXPECT_EQ(CurrentProgram(), GLint(program.GetProgram()));
    cHx7PGpuProgram::Unbind();

    // Moving hands the GL names over; the moved-from object holds none.
    const GLuint name = program.GetProgram();
    cHx7PGpuProgram moved(std::move(program));
    EXPECT_EQ(moved.GetProgram(), name);
    EXPECT_EQ(program.GetProgram(), 0u);
    // ... and its uniform table with them.
    ASSERT_TRUE(moved.Bind());
    moved.SetUniform4f("colour", 0.0f, 0.5f, 0.0f, 1.0f);
    getUniformfv(moved.GetProgram(), loc, value);
    EXPECT_EQ(value[1], 0.5f);
    cHx7PGpuProgram::Unbind();
    moved.Release();
    EXPECT_FALSE(Hx7PGLProcs.glIsProgram(name));
    EXPECT_GL_OK();
}

TEST_F(GpuProgramTest, ReplacingAStageDoesNotKeepTheOldShaderAttached)
{
    cHx7PGpuProgram program;
    ASSERT_TRUE(program.AddShader(kShaderStageVertex, gfx_test::kQuadVS, sizeof gfx_test::kQuadVS));
    ASSERT_TRUE(program.AddShader(kShaderStageVertex, gfx_test::kQuadVS, sizeof gfx_test::kQuadVS));
    ASSERT_TRUE(program.AddShader(kShaderStagePixel, gfx_test::kColourFS, sizeof gfx_test::kColourFS));
    GLint attached = 0;
    Hx7PGLProcs.glGetProgramiv(program.GetProgram(), GL_ATTACHED_SHADERS, &attached);
    EXPECT_EQ(attached, 2);
    EXPECT_TRUE(program.Bind());
    cHx7PGpuProgram::Unbind();
    EXPECT_GL_OK();
}
