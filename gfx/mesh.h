// cHx7PMesh: an indexed triangle mesh on the CPU (arrays of 4-float vectors) mirrored lazily
// into vertex buffer objects; builds the unit quad and the UV sphere, draws triangles or
// three-vertex patches, optionally instanced.
#pragma once

#include "gfx/mesh_render_options.h"

#include <GL/gl.h>

#include <cstdint>
#include <memory>

class cHx7PMesh {
public:
    // Attribute arrays in buffer order.
    enum Attribute { kPositions = 0, kNormals = 1, kColours = 2, kUVs = 3, kAttributeCount = 4 };
    static constexpr int kInstanceArrayCount = 3;

    cHx7PMesh() = default;
    ~cHx7PMesh();
    cHx7PMesh(const cHx7PMesh&) = delete;
    cHx7PMesh& operator=(const cHx7PMesh&) = delete;
    cHx7PMesh(cHx7PMesh&& other) noexcept;
    cHx7PMesh& operator=(cHx7PMesh&& other) noexcept;

    // n vertices, every vector (0, 0, 0, 1). Frees the previous vertex arrays. False when the
    // allocation fails (the mesh is then empty).
    bool AllocateVertices(uint32_t n);
    // 3 x n indices: 16-bit while vertexCount < 65,536, else 32-bit. Set the vertices first.
    bool AllocateTriangles(uint32_t n);
    void BuildQuad();
    // stacks >= 2, slices >= 3 after clamping.
    void BuildSphere(float radius, uint32_t stacks, uint32_t slices);

    // Needs a current context and the drawing program bound.
    void Render(cHx7PMeshRenderOptions& options);
    void Bind(cHx7PMeshRenderOptions& options);
    void Draw(const cHx7PMeshRenderOptions& options);
    // Draws triangles [firstTriangle, firstTriangle + count) of the bound mesh (one patch per
    // triangle when drawPatches is set), clipped to the mesh. Lets a caller split a heavy
    // tessellated draw into several (see gfx/gl_workarounds.h).
    void DrawRange(const cHx7PMeshRenderOptions& options, uint32_t firstTriangle, uint32_t count);
    // Draw split into draws of at most maxTrianglesPerDraw triangles (0 = one draw).
    void DrawInChunks(const cHx7PMeshRenderOptions& options, uint32_t maxTrianglesPerDraw);
    void Unbind();

    void ReleaseGPU();
    void ReleaseCPU();

    // Owner-set label, NUL-terminated, truncated to 127 characters.
    void SetName(const char* text);
    const char* GetName() const { return name; }

    uint32_t GetVertexCount() const { return vertexCount; }
    uint32_t GetTriangleCount() const { return triangleCount; }
    int GetIndexType() const { return indexType; }  // 1 = 16-bit, 2 = 32-bit
    GLenum GetIndexGLType() const { return indexType == 1 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT; }
    // Index of triangle corner k (0 .. 3 x triangleCount - 1) whatever the index width.
    uint32_t GetIndex(uint32_t k) const;
    void SetIndex(uint32_t k, uint32_t value);

    float* GetArray(Attribute a) { return arrays[a].get(); }
    const float* GetArray(Attribute a) const { return arrays[a].get(); }
    float* GetPositions() { return arrays[kPositions].get(); }
    float* GetNormals() { return arrays[kNormals].get(); }
    float* GetColours() { return arrays[kColours].get(); }
    float* GetUVs() { return arrays[kUVs].get(); }
    const uint16_t* GetIndices16() const { return indices16.get(); }
    const uint32_t* GetIndices32() const { return indices32.get(); }

    GLuint GetVertexBuffer(Attribute a) const { return vertexBuffers[a]; }
    GLuint GetIndexBuffer() const { return indexBuffer; }

    // Attribute locations from the drawing program; negative disables that attribute.
    GLint positionLocation = 0;
    GLint normalLocation = 1;
    GLint colourLocation = 1;
    GLint uvLocation = 3;

    // Instancing: set instanceCount > 1 and fill the per-instance arrays
    // (AllocateInstances), each instanceCount x 4 floats, at instanceLocations.
    bool AllocateInstances(uint32_t count);
    float* GetInstanceArray(int i) { return (i >= 0 && i < kInstanceArrayCount) ? instanceArrays[i].get() : nullptr; }
    uint32_t instanceCount = 0;
    GLint instanceLocations[kInstanceArrayCount] = {4, 5, 6};

private:
    GLint LocationOf(int attribute) const;
    // Creates (and fills) the buffer on first use, else binds it; then points the location.
    void BindAttribute(int attribute);
    void BindIndexBuffer();
    // Creates the mesh's vertex array object on first use and binds it; Render and Unbind
    // bind 0 again, so no later draw records into it by accident.
    void BindVertexArray();
    void UnbindVertexArray();

    char name[128] = {};
    std::unique_ptr<float[]> arrays[kAttributeCount];
    uint32_t vertexCount = 0;
    GLuint vertexBuffers[kAttributeCount] = {};
    GLuint instanceBuffers[kInstanceArrayCount] = {};
    std::unique_ptr<float[]> instanceArrays[kInstanceArrayCount];
    GLuint vertexArrayObject = 0;
    std::unique_ptr<uint16_t[]> indices16;
    std::unique_ptr<uint32_t[]> indices32;
    uint32_t triangleCount = 0;
    int indexType = 1;
    GLuint indexBuffer = 0;
};
