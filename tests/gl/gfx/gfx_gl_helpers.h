// Helpers shared by the framework's gl tests: log capture, the few GL entry points the tests
// need beyond the framework's table, and small shader sources.
#pragma once

#include "gfx/framework_log.h"
#include "gfx/gl_procs.h"
#include "support/gl_test_context.h"

#include <SDL.h>

#include <string>
#include <vector>

namespace gfx_test {

// Collects framework log lines while alive.
class LogCapture {
public:
    LogCapture()
    {
        SetHx7PFrameworkLogSink([this](const std::string& line) { lines.push_back(line); });
    }
    ~LogCapture() { SetHx7PFrameworkLogSink({}); }
    bool Contains(const std::string& prefix) const
    {
        for (const auto& l : lines)
            if (l.rfind(prefix, 0) == 0)
                return true;
        return false;
    }
    std::vector<std::string> lines;
};

// Entry points only the tests call (queries, buffer read-back, attribute state).
struct TestProcs {
    PFNGLGENQUERIESPROC glGenQueries = nullptr;
    PFNGLDELETEQUERIESPROC glDeleteQueries = nullptr;
    PFNGLBEGINQUERYPROC glBeginQuery = nullptr;
    PFNGLENDQUERYPROC glEndQuery = nullptr;
    PFNGLGETQUERYOBJECTUIVPROC glGetQueryObjectuiv = nullptr;
    PFNGLGETBUFFERSUBDATAPROC glGetBufferSubData = nullptr;
    PFNGLGETBUFFERPARAMETERIVPROC glGetBufferParameteriv = nullptr;
    PFNGLGETVERTEXATTRIBIVPROC glGetVertexAttribiv = nullptr;
    PFNGLISBUFFERPROC glIsBuffer = nullptr;

    TestProcs()
    {
#define GFX_TEST_LOAD(name) name = reinterpret_cast<decltype(name)>(SDL_GL_GetProcAddress(#name))
        GFX_TEST_LOAD(glGenQueries);
        GFX_TEST_LOAD(glDeleteQueries);
        GFX_TEST_LOAD(glBeginQuery);
        GFX_TEST_LOAD(glEndQuery);
        GFX_TEST_LOAD(glGetQueryObjectuiv);
        GFX_TEST_LOAD(glGetBufferSubData);
        GFX_TEST_LOAD(glGetBufferParameteriv);
        GFX_TEST_LOAD(glGetVertexAttribiv);
        GFX_TEST_LOAD(glIsBuffer);
#undef GFX_TEST_LOAD
    }

    GLint AttribEnabled(GLuint location) const
    {
        GLint enabled = -1;
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        return enabled;
    }
};

// Counts GL_PRIMITIVES_GENERATED over a callable's draws.
template <class Draw>
GLuint CountPrimitives(const TestProcs& gl, Draw&& draw)
{
    GLuint query = 0;
    gl.glGenQueries(1, &query);
    gl.glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    draw();
    gl.glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint count = 0;
    gl.glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
    gl.glDeleteQueries(1, &query);
    return count;
}

// Maps the unit quad (0..1) onto the whole viewport; colour from a uniform.
inline const char kQuadVS[] =
    "#version 400\n"
    "in vec4 In_Position;\n"
    "void main() { gl_Position = vec4(In_Position.xy * 2.0 - 1.0, 0.0, 1.0); }\n";
inline const char kColourFS[] =
    "#version 400\n"
    "uniform vec4 colour;\n"
    "uniform float unusedScale;\n"
    "out vec4 fragColour;\n"
    "void main() { fragColour = colour; }\n";

// Pass-through tessellation of three-vertex patches at one uniform level.
inline const char kPassVS[] =
    "#version 400\n"
    "in vec4 In_Position;\n"
    "void main() { gl_Position = In_Position; }\n";
inline const char kPassTCS[] =
    "#version 400\n"
    "layout(vertices = 3) out;\n"
    "uniform float level;\n"
    "void main() {\n"
    "  gl_out[gl_InvocationID].gl_Position = gl_in[gl_InvocationID].gl_Position;\n"
    "  if (gl_InvocationID == 0) {\n"
    "    gl_TessLevelOuter[0] = level; gl_TessLevelOuter[1] = level;\n"
    "    gl_TessLevelOuter[2] = level; gl_TessLevelInner[0] = level;\n"
    "  }\n"
    "}\n";
inline const char kPassTES[] =
    "#version 400\n"
    "layout(triangles, equal_spacing, ccw) in;\n"
    "void main() {\n"
    "  gl_Position = gl_TessCoord.x * gl_in[0].gl_Position +\n"
    "                gl_TessCoord.y * gl_in[1].gl_Position +\n"
    "                gl_TessCoord.z * gl_in[2].gl_Position;\n"
    "}\n";

}  // namespace gfx_test
