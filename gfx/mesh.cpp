// Mesh geometry, buffer upload and drawing.
#include "gfx/mesh.h"

#include "gfx/gl_procs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr uint32_t kMax16BitVertices = 65536;

std::unique_ptr<float[]> VectorArray(std::size_t count)
{
    std::unique_ptr<float[]> a(new (std::nothrow) float[count * 4]);
    if (a)
        for (std::size_t i = 0; i < count; ++i) {
            a[i * 4 + 0] = 0.0f;
            a[i * 4 + 1] = 0.0f;
            a[i * 4 + 2] = 0.0f;
            a[i * 4 + 3] = 1.0f;
        }
    return a;
}

void Set4(float* v, float x, float y, float z, float w)
{
    v[0] = x;
    v[1] = y;
    v[2] = z;
    v[3] = w;
}

}  // namespace

cHx7PMesh::~cHx7PMesh()
{
    ReleaseGPU();
    ReleaseCPU();
}

cHx7PMesh::cHx7PMesh(cHx7PMesh&& other) noexcept { *this = std::move(other); }

cHx7PMesh& cHx7PMesh::operator=(cHx7PMesh&& other) noexcept
{
    if (this == &other)
        return *this;
    ReleaseGPU();
    ReleaseCPU();
    std::memcpy(name, other.name, sizeof name);
    other.name[0] = '\0';
    for (int i = 0; i < kAttributeCount; ++i) {
        arrays[i] = std::move(other.arrays[i]);
        vertexBuffers[i] = std::exchange(other.vertexBuffers[i], 0);
    }
    for (int i = 0; i < kInstanceArrayCount; ++i) {
        instanceArrays[i] = std::move(other.instanceArrays[i]);
        instanceBuffers[i] = std::exchange(other.instanceBuffers[i], 0);
        instanceLocations[i] = other.instanceLocations[i];
    }
    vertexCount = std::exchange(other.vertexCount, 0);
    instanceCount = std::exchange(other.instanceCount, 0);
    vertexArrayObject = std::exchange(other.vertexArrayObject, 0);
    indices16 = std::move(other.indices16);
    indices32 = std::move(other.indices32);
    triangleCount = std::exchange(other.triangleCount, 0);
    indexType = std::exchange(other.indexType, 1);
    indexBuffer = std::exchange(other.indexBuffer, 0);
    positionLocation = other.positionLocation;
    normalLocation = other.normalLocation;
    colourLocation = other.colourLocation;
    uvLocation = other.uvLocation;
    return *this;
}

void cHx7PMesh::SetName(const char* text)
{
    std::snprintf(name, sizeof name, "%s", text ? text : "");
}

bool cHx7PMesh::AllocateVertices(uint32_t n)
{
    for (auto& a : arrays)
        a.reset();
    vertexCount = 0;
    for (auto& a : arrays) {
        a = VectorArray(n);
        if (!a) {
            for (auto& b : arrays)
                b.reset();
            return false;
        }
    }
    vertexCount = n;
    return true;
}

bool cHx7PMesh::AllocateTriangles(uint32_t n)
{
    indices16.reset();
    indices32.reset();
    triangleCount = 0;
    const std::size_t count = std::size_t(n) * 3u;
    if (vertexCount < kMax16BitVertices) {
        indexType = 1;
        indices16.reset(new (std::nothrow) uint16_t[count]());
        if (!indices16)
            return false;
    } else {
        indexType = 2;
        indices32.reset(new (std::nothrow) uint32_t[count]());
        if (!indices32)
            return false;
    }
    triangleCount = n;
    return true;
}

uint32_t cHx7PMesh::GetIndex(uint32_t k) const
{
    if (k >= triangleCount * 3ull)
        return 0;
    return indexType == 1 ? indices16[k] : indices32[k];
}

void cHx7PMesh::SetIndex(uint32_t k, uint32_t value)
{
    if (k >= triangleCount * 3ull)
        return;
    if (indexType == 1)
        indices16[k] = static_cast<uint16_t>(value);
    else
        indices32[k] = value;
}

void cHx7PMesh::BuildQuad()
{
    ReleaseCPU();
    if (!AllocateVertices(4) || !AllocateTriangles(2))
        return;
    const float corners[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    const float uvZ[4] = {0, 0, 1, 1};
    for (int v = 0; v < 4; ++v) {
        Set4(&arrays[kPositions][v * 4], corners[v][0], corners[v][1], 0.0f, 1.0f);
        Set4(&arrays[kNormals][v * 4], 0.0f, 0.0f, 1.0f, 0.0f);
        Set4(&arrays[kColours][v * 4], 1.0f, 1.0f, 1.0f, 1.0f);
        Set4(&arrays[kUVs][v * 4], corners[v][0], corners[v][1], uvZ[v], 1.0f);
    }
    const uint32_t idx[6] = {0, 1, 2, 2, 3, 0};
    for (uint32_t k = 0; k < 6; ++k)
        SetIndex(k, idx[k]);
}

void cHx7PMesh::BuildSphere(float radius, uint32_t stacks, uint32_t slices)
{
    ReleaseCPU();
    stacks = std::max(stacks, 2u);
    slices = std::max(slices, 3u);
    // Past these counts the 32-bit vertex and index arithmetic would wrap: build nothing.
    const uint64_t vertices = uint64_t(stacks + 1ull) * (slices + 1ull);
    const uint64_t triangles = 2ull * stacks * slices;
    if (vertices > 0xFFFFFFFFull || triangles * 3ull > 0xFFFFFFFFull)
        return;
    if (!AllocateVertices(uint32_t(vertices)) || !AllocateTriangles(uint32_t(triangles))) {
        ReleaseCPU();
        return;
    }
    const float pi = 3.14159265f;
    const float twoPi = 6.28318531f;
    for (uint32_t i = 0; i <= stacks; ++i) {
        const float theta = float(i) / float(stacks) * pi;
        for (uint32_t j = 0; j <= slices; ++j) {
            const float phi = float(j) * twoPi / float(slices);
            const uint32_t v = i * (slices + 1) + j;
            const float st = std::sin(theta), ct = std::cos(theta);
            const float sp = std::sin(phi), cp = std::cos(phi);
            Set4(&arrays[kPositions][v * 4], radius * st * sp, radius * st * cp, radius * ct, 1.0f);
            Set4(&arrays[kNormals][v * 4], st * sp, st * cp, ct, 1.0f);
            Set4(&arrays[kUVs][v * 4], float(j) / float(slices), float(i) / float(stacks), 0.0f,
                 1.0f);
            Set4(&arrays[kColours][v * 4], 1.0f, 1.0f, 1.0f, 1.0f);
        }
    }
    uint32_t k = 0;
    for (uint32_t i = 0; i < stacks; ++i)
        for (uint32_t j = 0; j < slices; ++j) {
            const uint32_t a = i * (slices + 1) + j;
            const uint32_t b = a + slices + 1;
            const uint32_t tri[6] = {a, a + 1, b, b, a + 1, b + 1};
            for (uint32_t c : tri)
                SetIndex(k++, c);
        }
}

bool cHx7PMesh::AllocateInstances(uint32_t count)
{
    for (auto& a : instanceArrays) {
        a = VectorArray(count);
        if (!a) {
            for (auto& b : instanceArrays)
                b.reset();
            instanceCount = 0;
            return false;
        }
    }
    instanceCount = count;
    return true;
}

GLint cHx7PMesh::LocationOf(int attribute) const
{
    switch (attribute) {
    case kPositions: return positionLocation;
    case kNormals: return normalLocation;
    case kColours: return colourLocation;
    default: return uvLocation;
    }
}

void cHx7PMesh::BindAttribute(int attribute)
{
    GLuint& buffer = vertexBuffers[attribute];
    if (buffer == 0) {
        Hx7PGLProcs.glGenBuffers(1, &buffer);
        Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, buffer);
        Hx7PGLProcs.glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertexCount) * 16,
                                 arrays[attribute].get(), GL_STATIC_DRAW);
    } else {
        Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, buffer);
    }
    const GLint location = LocationOf(attribute);
    if (location >= 0) {
        Hx7PGLProcs.glEnableVertexAttribArray(GLuint(location));
        Hx7PGLProcs.glVertexAttribPointer(GLuint(location), 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    }
}

void cHx7PMesh::BindIndexBuffer()
{
    if (indexBuffer == 0) {
        Hx7PGLProcs.glGenBuffers(1, &indexBuffer);
        Hx7PGLProcs.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
        const GLsizeiptr bytes = GLsizeiptr(triangleCount) * (indexType == 1 ? 6 : 12);
        const void* data = indexType == 1 ? static_cast<const void*>(indices16.get())
                                          : static_cast<const void*>(indices32.get());
        Hx7PGLProcs.glBufferData(GL_ELEMENT_ARRAY_BUFFER, bytes, data, GL_STATIC_DRAW);
    } else {
        Hx7PGLProcs.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    }
}

void cHx7PMesh::BindVertexArray()
{
    // Core profiles have no default vertex array object: without one bound, every attribute
    // call and every draw is an invalid operation (NVIDIA, radeonsi and iris enforce it;
    // llvmpipe's compatibility path does not). The mesh's own object is used in both
    // profiles; the attribute state is set again at every bind, since the programs that draw
    // one mesh may use different locations.
    if (!HasVertexArrayObjects())
        return;
    if (vertexArrayObject == 0)
        Hx7PGLProcs.glGenVertexArrays(1, &vertexArrayObject);
    Hx7PGLProcs.glBindVertexArray(vertexArrayObject);
}

void cHx7PMesh::UnbindVertexArray()
{
    if (vertexArrayObject != 0 && Hx7PGLProcs.glBindVertexArray)
        Hx7PGLProcs.glBindVertexArray(0);
}

void cHx7PMesh::Render(cHx7PMeshRenderOptions& options)
{
    if (!arrays[kPositions])
        return;
    BindVertexArray();
    BindAttribute(kPositions);
    if (options.useNormals && arrays[kNormals])
        BindAttribute(kNormals);
    if (options.useColours && arrays[kColours])
        BindAttribute(kColours);
    if (options.useUVs && arrays[kUVs])
        BindAttribute(kUVs);
    BindIndexBuffer();
    glDrawElements(GL_TRIANGLES, GLsizei(triangleCount * 3), GetIndexGLType(), nullptr);
    Hx7PGLProcs.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, 0);
    // All four, whatever the options said, so no array stays enabled for the next draw; a
    // negative location names no array (and would be an invalid-value error).
    for (int a = 0; a < kAttributeCount; ++a)
        if (LocationOf(a) >= 0)
            Hx7PGLProcs.glDisableVertexAttribArray(GLuint(LocationOf(a)));
    UnbindVertexArray();
}

void cHx7PMesh::Bind(cHx7PMeshRenderOptions& options)
{
    if (!arrays[kPositions])
        return;
    BindVertexArray();
    struct Step {
        int attribute;
        bool wanted;
        uint8_t* changed;
    };
    const Step steps[] = {
        {kPositions, true, &options.positionsChanged},
        {kNormals, options.useNormals != 0, &options.normalsChanged},
        {kColours, options.useColours != 0, &options.coloursChanged},
        {kUVs, options.useUVs != 0, &options.uvsChanged},
    };
    for (const Step& step : steps) {
        if (!step.wanted || !arrays[step.attribute])
            continue;
        const bool created = vertexBuffers[step.attribute] == 0;
        BindAttribute(step.attribute);
        if (*step.changed) {
            // A buffer made just now already holds the array.
            if (!created)
                Hx7PGLProcs.glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(vertexCount) * 16,
                                            arrays[step.attribute].get());
            *step.changed = 0;
        }
    }
    if (instanceCount > 1) {
        for (int i = 0; i < kInstanceArrayCount; ++i) {
            if (!instanceArrays[i])
                continue;
            if (instanceBuffers[i] == 0) {
                Hx7PGLProcs.glGenBuffers(1, &instanceBuffers[i]);
                Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, instanceBuffers[i]);
                Hx7PGLProcs.glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(instanceCount) * 16,
                                         instanceArrays[i].get(), GL_STATIC_DRAW);
            } else {
                Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, instanceBuffers[i]);
            }
            if (instanceLocations[i] < 0)
                continue;
            const GLuint location = GLuint(instanceLocations[i]);
            Hx7PGLProcs.glEnableVertexAttribArray(location);
            Hx7PGLProcs.glVertexAttribPointer(location, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
            Hx7PGLProcs.glVertexAttribDivisor(location, 1);
        }
    }
    BindIndexBuffer();
}

void cHx7PMesh::Draw(const cHx7PMeshRenderOptions& options)
{
    const GLenum mode = options.drawPatches ? GL_PATCHES : GL_TRIANGLES;
    const GLsizei count = GLsizei(triangleCount * 3);
    if (instanceCount > 1 && Hx7PGLProcs.glDrawElementsInstancedARB)
        Hx7PGLProcs.glDrawElementsInstancedARB(mode, count, GetIndexGLType(), nullptr,
                                               GLsizei(instanceCount));
    else
        glDrawElements(mode, count, GetIndexGLType(), nullptr);
}

void cHx7PMesh::DrawRange(const cHx7PMeshRenderOptions& options, uint32_t firstTriangle,
                          uint32_t count)
{
    if (firstTriangle >= triangleCount)
        return;
    count = std::min(count, triangleCount - firstTriangle);
    if (count == 0)
        return;
    const GLenum mode = options.drawPatches ? GL_PATCHES : GL_TRIANGLES;
    const std::size_t indexBytes = indexType == 1 ? 2 : 4;
    const void* offset =
        reinterpret_cast<const void*>(std::size_t(firstTriangle) * 3u * indexBytes);
    if (instanceCount > 1 && Hx7PGLProcs.glDrawElementsInstancedARB)
        Hx7PGLProcs.glDrawElementsInstancedARB(mode, GLsizei(count * 3), GetIndexGLType(), offset,
                                               GLsizei(instanceCount));
    else
        glDrawElements(mode, GLsizei(count * 3), GetIndexGLType(), offset);
}

void cHx7PMesh::DrawInChunks(const cHx7PMeshRenderOptions& options, uint32_t maxTrianglesPerDraw)
{
    if (maxTrianglesPerDraw == 0 || maxTrianglesPerDraw >= triangleCount) {
        Draw(options);
        return;
    }
    for (uint32_t first = 0; first < triangleCount; first += maxTrianglesPerDraw)
        DrawRange(options, first, maxTrianglesPerDraw);
}

void cHx7PMesh::Unbind()
{
    if (HasVertexArrayObjects()) {
        // The attribute switches below belong to the mesh's own object; a mesh that was never
        // bound has nothing enabled (and a core profile has no default object to touch).
        if (vertexArrayObject == 0) {
            Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, 0);
            return;
        }
        Hx7PGLProcs.glBindVertexArray(vertexArrayObject);
    }
    Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, 0);
    Hx7PGLProcs.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    for (int a = 0; a < kAttributeCount; ++a)
        if (LocationOf(a) >= 0)
            Hx7PGLProcs.glDisableVertexAttribArray(GLuint(LocationOf(a)));
    if (instanceCount > 1)
        for (GLint location : instanceLocations) {
            if (location < 0)
                continue;
            Hx7PGLProcs.glDisableVertexAttribArray(GLuint(location));
            Hx7PGLProcs.glVertexAttribDivisor(GLuint(location), 0);
        }
    UnbindVertexArray();
}

void cHx7PMesh::ReleaseGPU()
{
    // Before any context loaded the table there can be no buffers either; this keeps a mesh
    // that is only ever built on the CPU (unit tests, failed start-up) from calling null.
    if (!Hx7PGLProcs.glDeleteBuffers) {
        for (GLuint& b : vertexBuffers) b = 0;
        for (GLuint& b : instanceBuffers) b = 0;
        indexBuffer = 0;
        vertexArrayObject = 0;
        return;
    }
    for (GLuint& buffer : vertexBuffers)
        if (buffer) {
            Hx7PGLProcs.glDeleteBuffers(1, &buffer);
            buffer = 0;
        }
    for (GLuint& buffer : instanceBuffers)
        if (buffer) {
            Hx7PGLProcs.glDeleteBuffers(1, &buffer);
            buffer = 0;
        }
    if (indexBuffer) {
        Hx7PGLProcs.glDeleteBuffers(1, &indexBuffer);
        indexBuffer = 0;
    }
    if (vertexArrayObject && Hx7PGLProcs.glDeleteVertexArrays) {
        Hx7PGLProcs.glDeleteVertexArrays(1, &vertexArrayObject);
        vertexArrayObject = 0;
    }
}

void cHx7PMesh::ReleaseCPU()
{
    for (auto& a : arrays)
        a.reset();
    for (auto& a : instanceArrays)
        a.reset();
    indices16.reset();
    indices32.reset();
    vertexCount = 0;
    triangleCount = 0;
    instanceCount = 0;
}
