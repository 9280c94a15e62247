// The shared GL test context itself: a 4.x context is current, clears read back, errors drain.
#include "support/gl_test_context.h"

#include <cstring>

using gridfall_test::GLTestContext;

TEST(GLTestContext, MakesCurrentGL4ContextWithEntryPoints)
{
    GLTestContext gl(64, 48);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    GLint major = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    EXPECT_GE(major, 4) << reinterpret_cast<const char*>(glGetString(GL_VERSION));
    EXPECT_NE(Hx7PGLProcs.glCreateProgram, nullptr);
    EXPECT_NE(Hx7PGLProcs.glPatchParameteri, nullptr);
    // Compatibility profile: fixed-function calls are legal.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    EXPECT_GL_OK();
}

TEST(GLTestContext, ClearReadsBackAndErrorsDrain)
{
    GLTestContext gl(32, 16);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 8, 8);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    EXPECT_EQ(gl.PixelAt(2, 2), 0x00FF00FFu);
    EXPECT_EQ(gl.PixelAt(20, 10), 0xFF0000FFu);
    EXPECT_EQ(gl.ReadAll().size(), 32u * 16u * 4u);

    glEnable(0xFFFF);  // invalid enum on purpose
    EXPECT_EQ(gridfall_test::DrainGLErrors(), "GL_INVALID_ENUM");
    EXPECT_EQ(gridfall_test::DrainGLErrors(), "");
}

TEST(GLTestContext, SecondContextAfterFirstIsGone)
{
    { GLTestContext a; ASSERT_TRUE(a.Ok()) << a.Error(); }
    GLTestContext b(16, 16);
    ASSERT_TRUE(b.Ok()) << b.Error();
    EXPECT_NE(glGetString(GL_RENDERER), nullptr);
    std::printf("GL_VERSION %s / %s\n", glGetString(GL_VERSION), glGetString(GL_RENDERER));
}
