// The framework's own table of OpenGL entry points beyond version 1.1, loaded by name from the
// driver once a context is current. Every framework class calls through Hx7PGLProcs; only the
// capability probe of the GPU information library uses GLEW.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

// gl.h declares the GL 1.3 client-texture call but not always its pointer type.
typedef void(APIENTRYP Hx7PClientActiveTextureProc)(GLenum texture);

// X(type, name): the table's entries in load order. The WGL entries of the original table have
// no counterpart here: SDL chooses pixel formats, creates contexts and sets the swap interval.
#define HX7P_GL_PROCS(X)                                                     \
    X(PFNGLDRAWELEMENTSINSTANCEDARBPROC, glDrawElementsInstancedARB)         \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                               \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                               \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                                     \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                                 \
    X(PFNGLDETACHSHADERPROC, glDetachShader)                                 \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                   \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                                 \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                         \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                     \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                                       \
    X(PFNGLUNIFORM1IVPROC, glUniform1iv)                                     \
    X(PFNGLUNIFORM2IVPROC, glUniform2iv)                                     \
    X(PFNGLUNIFORM3IVPROC, glUniform3iv)                                     \
    X(PFNGLUNIFORM4IVPROC, glUniform4iv)                                     \
    X(PFNGLUNIFORM1FPROC, glUniform1f)                                       \
    X(PFNGLUNIFORM1FVPROC, glUniform1fv)                                     \
    X(PFNGLUNIFORM2FVPROC, glUniform2fv)                                     \
    X(PFNGLUNIFORM3FVPROC, glUniform3fv)                                     \
    X(PFNGLUNIFORM4FVPROC, glUniform4fv)                                     \
    X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv)                         \
    X(PFNGLUNIFORMMATRIX3FVPROC, glUniformMatrix3fv)                         \
    X(PFNGLGETATTRIBLOCATIONPROC, glGetAttribLocation)                       \
    X(PFNGLVERTEXATTRIB1FPROC, glVertexAttrib1f)                             \
    X(PFNGLVERTEXATTRIB1FVPROC, glVertexAttrib1fv)                           \
    X(PFNGLVERTEXATTRIB2FVPROC, glVertexAttrib2fv)                           \
    X(PFNGLVERTEXATTRIB3FVPROC, glVertexAttrib3fv)                           \
    X(PFNGLVERTEXATTRIB4FVPROC, glVertexAttrib4fv)                           \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)           \
    X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, glDisableVertexAttribArray)         \
    X(PFNGLBINDATTRIBLOCATIONPROC, glBindAttribLocation)                     \
    X(PFNGLISPROGRAMPROC, glIsProgram)                                       \
    X(PFNGLUNIFORM2FPROC, glUniform2f)                                       \
    X(PFNGLUNIFORM3FPROC, glUniform3f)                                       \
    X(PFNGLUNIFORM4FPROC, glUniform4f)                                       \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                       \
    X(PFNGLGENVERTEXARRAYSPROC, glGenVertexArrays)                           \
    X(PFNGLDELETEVERTEXARRAYSPROC, glDeleteVertexArrays)                     \
    X(PFNGLBINDVERTEXARRAYPROC, glBindVertexArray)                           \
    X(PFNGLCREATESHADERPROC, glCreateShader)                                 \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                                 \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                                 \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                               \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                   \
    X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                               \
    X(PFNGLGENBUFFERSPROC, glGenBuffers)                                     \
    X(PFNGLBINDBUFFERPROC, glBindBuffer)                                     \
    X(PFNGLBUFFERDATAPROC, glBufferData)                                     \
    X(PFNGLBUFFERSUBDATAPROC, glBufferSubData)                               \
    X(PFNGLMAPBUFFERPROC, glMapBuffer)                                       \
    X(PFNGLUNMAPBUFFERPROC, glUnmapBuffer)                                   \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)                   \
    X(PFNGLBINDFRAMEBUFFEREXTPROC, glBindFramebufferEXT)                     \
    X(PFNGLGENFRAMEBUFFERSEXTPROC, glGenFramebuffersEXT)                     \
    X(PFNGLDELETEFRAMEBUFFERSEXTPROC, glDeleteFramebuffersEXT)               \
    X(PFNGLGENRENDERBUFFERSEXTPROC, glGenRenderbuffersEXT)                   \
    X(PFNGLBINDRENDERBUFFEREXTPROC, glBindRenderbufferEXT)                   \
    X(PFNGLRENDERBUFFERSTORAGEEXTPROC, glRenderbufferStorageEXT)             \
    X(PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC, glFramebufferRenderbufferEXT)     \
    X(PFNGLDELETERENDERBUFFERSEXTPROC, glDeleteRenderbuffersEXT)             \
    X(PFNGLFRAMEBUFFERTEXTURE2DEXTPROC, glFramebufferTexture2DEXT)           \
    X(PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC, glCheckFramebufferStatusEXT)       \
    X(PFNGLBLITFRAMEBUFFEREXTPROC, glBlitFramebufferEXT)                     \
    X(PFNGLRENDERBUFFERSTORAGEMULTISAMPLEEXTPROC, glRenderbufferStorageMultisampleEXT) \
    X(Hx7PClientActiveTextureProc, glClientActiveTexture)                    \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                               \
    X(PFNGLDRAWRANGEELEMENTSPROC, glDrawRangeElements)                       \
    X(PFNGLSAMPLECOVERAGEPROC, glSampleCoverage)                             \
    X(PFNGLVERTEXATTRIBDIVISORPROC, glVertexAttribDivisor)                   \
    X(PFNGLDRAWARRAYSINSTANCEDPROC, glDrawArraysInstanced)                   \
    X(PFNGLBLENDEQUATIONPROC, glBlendEquation)                               \
    X(PFNGLPATCHPARAMETERIPROC, glPatchParameteri)                           \
    X(PFNGLGETACTIVEUNIFORMPROC, glGetActiveUniform)

struct Hx7PGLProcTable {
#define HX7P_DECLARE_PROC(type, name) type name = nullptr;
    HX7P_GL_PROCS(HX7P_DECLARE_PROC)
#undef HX7P_DECLARE_PROC
};

// The one process-wide table; all entries null until LoadGLEntryPoints.
extern Hx7PGLProcTable Hx7PGLProcs;

// Stores the driver's address for every name, null results included. Needs a current context.
// Always true; a missing entry stays null.
bool LoadGLEntryPoints();
// True when the three vertex-array-object entries are all present.
bool HasVertexArrayObjects();
