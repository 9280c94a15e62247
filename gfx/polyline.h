// cHx7PPolyline: a coloured line strip for the HUD's graphs and bars, drawn from a vertex
// buffer with one draw call through the fixed-function pipeline (compatibility profile). Also
// the two free overlay helpers, DrawLine and SetOrthoProjection.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <memory>

class cHx7PPolyline {
public:
    cHx7PPolyline() = default;
    ~cHx7PPolyline();
    cHx7PPolyline(const cHx7PPolyline&) = delete;
    cHx7PPolyline& operator=(const cHx7PPolyline&) = delete;
    cHx7PPolyline(cHx7PPolyline&& other) noexcept;
    cHx7PPolyline& operator=(cHx7PPolyline&& other) noexcept;

    // n points, each (0, 0, 0, 1). False (and no points) when the allocation fails.
    bool Allocate(uint32_t n);
    // Copies x, y, z, w into point i; ignored for i >= count or a null pointer.
    void SetVertex(uint32_t i, const float* xyzw);
    void SetColor(float r, float g, float b, float a);
    // Two integers kept for the owner (the HUD stores the window size); unused here.
    void SetSize(int w, int h);
    // Points first .. min(last, count) - 1 as one GL_LINE_STRIP in the strip's colour: the
    // points go into the strip's vertex buffer (made on the first draw) and out in one draw.
    void Draw(uint32_t first, uint32_t last) const;
    // Deletes the vertex buffer; needs the context it was made in. Safe to repeat.
    void Release();
    GLuint GetBuffer() const { return buffer; }

    uint32_t GetCount() const { return count; }
    const float* GetVertex(uint32_t i) const { return i < count ? &vertices[std::size_t(i) * 4] : nullptr; }
    const float* GetColor() const { return colour; }
    int GetWidth() const { return width; }
    int GetHeight() const { return height; }

private:
    std::unique_ptr<float[]> vertices;
    uint32_t count = 0;
    float colour[4] = {1.0f, 1.0f, 0.0f, 1.0f};
    int width = 0;
    int height = 0;
    mutable GLuint buffer = 0;
};

// Projection = glOrtho(...) on identity, modelview = identity; leaves the matrix mode at
// modelview.
void SetOrthoProjection(float left, float right, float bottom, float top, float nearZ, float farZ);

// One GL_LINES segment from p1 (colour c1) to p2 (colour c2), 4 floats each. Sets the line
// stipple and width but does not enable GL_LINE_STIPPLE: the caller does, for patterns other
// than 0xFFFF.
void DrawLine(const float* p1, const float* c1, const float* p2, const float* c2, float width,
              int stippleFactor, unsigned short stipplePattern);
