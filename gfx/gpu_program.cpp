// GLSL program wrapper.
#include "gfx/gpu_program.h"

#include "gfx/framework_log.h"
#include "gfx/gl_procs.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

struct StageInfo {
    GLenum type;
    const char* name;
};

constexpr StageInfo kStages[kShaderStageCount] = {
    {GL_VERTEX_SHADER, "Vertex"},
    {GL_FRAGMENT_SHADER, "Pixel"},
    {GL_GEOMETRY_SHADER, "Geometry"},
    {GL_TESS_CONTROL_SHADER, "Tessellation control"},
    {GL_TESS_EVALUATION_SHADER, "Tessellation evaluation"},
};

// Compiles one shader; returns the compile status.
GLint CompileShader(GLuint shader, const char* source)
{
    Hx7PGLProcs.glShaderSource(shader, 1, &source, nullptr);
    Hx7PGLProcs.glCompileShader(shader);
    GLint status = 0;
    Hx7PGLProcs.glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    return status;
}

void DetachAndDelete(GLuint program, GLuint& shader)
{
    if (shader == 0)
        return;
    Hx7PGLProcs.glDetachShader(program, shader);
    Hx7PGLProcs.glDeleteShader(shader);
    shader = 0;
}

}  // namespace

cHx7PGpuProgram::~cHx7PGpuProgram() { Release(); }

cHx7PGpuProgram::cHx7PGpuProgram(cHx7PGpuProgram&& other) noexcept { *this = std::move(other); }

cHx7PGpuProgram& cHx7PGpuProgram::operator=(cHx7PGpuProgram&& other) noexcept
{
    if (this == &other)
        return *this;
    Release();
    program = std::exchange(other.program, 0);
    linked = std::exchange(other.linked, 0);
    vertexShader = std::exchange(other.vertexShader, 0);
    pixelShader = std::exchange(other.pixelShader, 0);
    for (int i = 0; i < kShaderStageCount; ++i)
        stageShaders[i] = std::exchange(other.stageShaders[i], 0);
    vertexSource = std::move(other.vertexSource);
    vertexSourceLength = std::exchange(other.vertexSourceLength, 0);
    pixelSource = std::move(other.pixelSource);
    pixelSourceLength = std::exchange(other.pixelSourceLength, 0);
    lastLog = std::move(other.lastLog);
    uniforms = std::move(other.uniforms);
    other.uniforms.clear();
    return *this;
}

void cHx7PGpuProgram::EnsureProgram()
{
    if (!Hx7PGLProcs.glIsProgram(program))
        program = Hx7PGLProcs.glCreateProgram();
}

bool cHx7PGpuProgram::TakeInfoLog(GLuint object, bool isProgram)
{
    GLint length = 0;
    if (isProgram)
        Hx7PGLProcs.glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        Hx7PGLProcs.glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 0)
        return false;
    // Zero-filled, one byte more than the driver's count, so the text always ends.
    lastLog = std::make_unique<char[]>(std::size_t(length) + 1);
    if (isProgram)
        Hx7PGLProcs.glGetProgramInfoLog(object, length, nullptr, lastLog.get());
    else
        Hx7PGLProcs.glGetShaderInfoLog(object, length, nullptr, lastLog.get());
    return true;
}

bool cHx7PGpuProgram::AddShader(int stage, const char* source, std::size_t length)
{
    if (!source || length == 0 || stage < 0 || stage >= kShaderStageCount)
        return false;
    EnsureProgram();
    // A shader already in the slot is replaced, as before; it stays attached until Release
    // would have found it, so delete it now rather than leak it.
    DetachAndDelete(program, stageShaders[stage]);
    GLuint shader = Hx7PGLProcs.glCreateShader(kStages[stage].type);
    stageShaders[stage] = shader;
    if (CompileShader(shader, source)) {
        Hx7PGLProcs.glAttachShader(program, shader);
        return true;
    }
    char stageName[64];
    std::snprintf(stageName, sizeof stageName, "%s", kStages[stage].name);
    if (TakeInfoLog(shader, false))
        Hx7PFrameworkLogWrite("%s shader error: %s", stageName, lastLog.get());
    Hx7PGLProcs.glDeleteShader(shader);
    stageShaders[stage] = 0;
    return false;
}

bool cHx7PGpuProgram::CompileCopied(GLenum type, const char* source, std::size_t length,
                                    std::unique_ptr<char[]>& copy, std::size_t& copyLength,
                                    GLuint& shader, const char* errorFormat)
{
    if (!source || length == 0)
        return false;
    // One extra zero byte: a caller that passed the length without the NUL still gets a
    // terminated text instead of a read past the copy.
    copy = std::make_unique<char[]>(length + 1);
    std::memcpy(copy.get(), source, length);
    copyLength = length;
    EnsureProgram();
    DetachAndDelete(program, shader);
    shader = Hx7PGLProcs.glCreateShader(type);
    if (CompileShader(shader, copy.get())) {
        Hx7PGLProcs.glAttachShader(program, shader);
        return true;
    }
    if (TakeInfoLog(shader, false))
        Hx7PFrameworkLogWrite(errorFormat, lastLog.get());
    // Never attached, so it cannot be detached later (that is an error in GL): drop it now.
    Hx7PGLProcs.glDeleteShader(shader);
    shader = 0;
    return false;
}

bool cHx7PGpuProgram::SetVertexShader(const char* source, std::size_t length)
{
    return CompileCopied(GL_VERTEX_SHADER, source, length, vertexSource, vertexSourceLength,
                         vertexShader, "Vertex Shader Error: %s");
}

bool cHx7PGpuProgram::SetPixelShader(const char* source, std::size_t length)
{
    return CompileCopied(GL_FRAGMENT_SHADER, source, length, pixelSource, pixelSourceLength,
                         pixelShader, "Pixel Shader Error: %s");
}

bool cHx7PGpuProgram::Bind()
{
    // Nothing was ever added: there is no program to link (linking name 0 is a GL error).
    if (program == 0)
        return false;
    if (!linked) {
        Hx7PGLProcs.glLinkProgram(program);
        GLint status = 0;
        Hx7PGLProcs.glGetProgramiv(program, GL_LINK_STATUS, &status);
        if (!status) {
            if (TakeInfoLog(program, true))
                Hx7PFrameworkLogWrite("Shader program Error: %s", lastLog.get());
            return false;
        }
        linked = 1;
        ReadUniformLocations();
    }
    Hx7PGLProcs.glUseProgram(program);
    return true;
}

void cHx7PGpuProgram::Unbind() { Hx7PGLProcs.glUseProgram(0); }

GLint cHx7PGpuProgram::GetAttribLocation(const char* name) const
{
    // Asking an unlinked program is a GL error; it has no locations yet anyway.
    if (!name || !linked)
        return -1;
    return Hx7PGLProcs.glGetAttribLocation(program, name);
}

void cHx7PGpuProgram::ReadUniformLocations()
{
    uniforms.clear();
    GLint count = 0, longest = 0;
    Hx7PGLProcs.glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    Hx7PGLProcs.glGetProgramiv(program, GL_ACTIVE_UNIFORM_MAX_LENGTH, &longest);
    if (count <= 0 || longest <= 0 || !Hx7PGLProcs.glGetActiveUniform)
        return;
    std::vector<char> buffer(std::size_t(longest) + 1, '\0');
    for (GLint i = 0; i < count; ++i) {
        GLsizei length = 0;
        GLint size = 0;
        GLenum type = 0;
        Hx7PGLProcs.glGetActiveUniform(program, GLuint(i), GLsizei(buffer.size()), &length, &size, &type,
                                       buffer.data());
        std::string name(buffer.data(), std::size_t(std::max<GLsizei>(length, 0)));
        // Block members and built-ins have no location; nothing sets them by name.
        const GLint location = Hx7PGLProcs.glGetUniformLocation(program, name.c_str());
        if (location < 0)
            continue;
        uniforms.push_back({name, location});
        // The driver names an array "a[0]"; callers say "a".
        if (name.size() > 3 && name.compare(name.size() - 3, 3, "[0]") == 0)
            uniforms.push_back({name.substr(0, name.size() - 3), location});
    }
}

GLint cHx7PGpuProgram::UniformLocation(const char* name) const
{
    if (!name || !linked)
        return -1;
    for (const UniformEntry& u : uniforms)
        if (u.name == name)
            return u.location;
    return -1;
}

void cHx7PGpuProgram::SetUniform1i(const char* name, GLint value) const
{
    const GLint loc = UniformLocation(name);
    if (loc >= 0)
        Hx7PGLProcs.glUniform1i(loc, value);
}

void cHx7PGpuProgram::SetUniform1f(const char* name, GLfloat value) const
{
    const GLint loc = UniformLocation(name);
    if (loc >= 0)
        Hx7PGLProcs.glUniform1f(loc, value);
}

void cHx7PGpuProgram::SetUniform4f(const char* name, GLfloat x, GLfloat y, GLfloat z,
                                   GLfloat w) const
{
    const GLint loc = UniformLocation(name);
    if (loc >= 0)
        Hx7PGLProcs.glUniform4f(loc, x, y, z, w);
}

void cHx7PGpuProgram::SetUniformMatrix3(const char* name, const GLfloat* m) const
{
    const GLint loc = UniformLocation(name);
    if (loc >= 0 && m)
        Hx7PGLProcs.glUniformMatrix3fv(loc, 1, GL_FALSE, m);
}

void cHx7PGpuProgram::SetUniformMatrix4(const char* name, const GLfloat* m) const
{
    const GLint loc = UniformLocation(name);
    if (loc >= 0 && m)
        Hx7PGLProcs.glUniformMatrix4fv(loc, 1, GL_FALSE, m);
}

void cHx7PGpuProgram::Release()
{
    if (program == 0)
        return;
    if (!Hx7PGLProcs.glDeleteProgram) {  // no context ever loaded the table
        program = 0;
        return;
    }
    for (GLuint& shader : stageShaders)
        DetachAndDelete(program, shader);
    DetachAndDelete(program, vertexShader);
    vertexSource.reset();
    vertexSourceLength = 0;
    DetachAndDelete(program, pixelShader);
    pixelSource.reset();
    pixelSourceLength = 0;
    Hx7PGLProcs.glDeleteProgram(program);
    program = 0;
    linked = 0;
    uniforms.clear();
}
