// cHx7PGpuProgram: one GLSL program object and its shader objects. Stages compile as they are
// added, the program links lazily on the first Bind, and uniforms are set by name. The names'
// locations are read once, when the program links, so setting a uniform never asks the driver.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// Stage index of AddShader; also the slot in the program's stage table.
enum ShaderStage : int {
    kShaderStageVertex = 0,
    kShaderStagePixel = 1,
    kShaderStageGeometry = 2,
    kShaderStageTessControl = 3,
    kShaderStageTessEvaluation = 4,
};
constexpr int kShaderStageCount = 5;

class cHx7PGpuProgram {
public:
    cHx7PGpuProgram() = default;
    ~cHx7PGpuProgram();
    cHx7PGpuProgram(const cHx7PGpuProgram&) = delete;
    cHx7PGpuProgram& operator=(const cHx7PGpuProgram&) = delete;
    cHx7PGpuProgram(cHx7PGpuProgram&& other) noexcept;
    cHx7PGpuProgram& operator=(cHx7PGpuProgram&& other) noexcept;

    // source must be NUL-terminated and is used in place; length only has to be non-zero.
    // A stage outside 0..4 is refused (false, no GL call).
    bool AddShader(int stage, const char* source, std::size_t length);
    // The text is copied: length bytes including the terminating NUL.
    bool SetVertexShader(const char* source, std::size_t length);
    bool SetPixelShader(const char* source, std::size_t length);

    // Links on first use (once; a failed link is retried next time), then makes it current.
    bool Bind();
    static void Unbind();

    GLint GetAttribLocation(const char* name) const;

    // Act on the current program; a uniform the compiler removed (location -1) is ignored.
    // The name is found in the table read at link time: no GL query.
    void SetUniform1i(const char* name, GLint value) const;
    void SetUniform1f(const char* name, GLfloat value) const;
    void SetUniform4f(const char* name, GLfloat x, GLfloat y, GLfloat z, GLfloat w) const;
    void SetUniformMatrix3(const char* name, const GLfloat* m) const;  // 9 floats, column-major
    void SetUniformMatrix4(const char* name, const GLfloat* m) const;  // 16 floats, column-major

    // Text of the most recent non-empty compile or link info log; null before any.
    const char* GetLastLog() const { return lastLog.get(); }

    // Safe to repeat; nothing happens while no program exists.
    void Release();

    GLuint GetProgram() const { return program; }
    bool IsLinked() const { return linked != 0; }
    // Active uniforms whose locations were read at link time.
    std::size_t GetUniformCount() const { return uniforms.size(); }
    GLuint GetStageShader(int stage) const
    {
        return (stage >= 0 && stage < kShaderStageCount) ? stageShaders[stage] : 0;
    }

private:
    bool CompileCopied(GLenum type, const char* source, std::size_t length,
                       std::unique_ptr<char[]>& copy, std::size_t& copyLength, GLuint& shader,
                       const char* errorFormat);
    void EnsureProgram();
    // Replaces lastLog with the shader's (or program's) info log; false when that log is empty.
    bool TakeInfoLog(GLuint object, bool isProgram);
    GLint UniformLocation(const char* name) const;
    // Every active uniform's name and location, read right after a successful link.
    void ReadUniformLocations();

    GLuint program = 0;
    GLint linked = 0;
    GLuint vertexShader = 0;
    GLuint pixelShader = 0;
    GLuint stageShaders[kShaderStageCount] = {};
    std::unique_ptr<char[]> vertexSource;
    std::size_t vertexSourceLength = 0;
    std::unique_ptr<char[]> pixelSource;
    std::size_t pixelSourceLength = 0;
    std::unique_ptr<char[]> lastLog;
    struct UniformEntry {
        std::string name;   // array uniforms under their plain name and with "[0]"
        GLint location;
    };
    std::vector<UniformEntry> uniforms;
};
