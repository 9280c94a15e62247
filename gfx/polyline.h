// cHx7PPolyline: a coloured line strip for the HUD's graphs and bars, drawn in immediate mode
// (compatibility profile). Also the two free overlay helpers, DrawLine and SetOrthoProjection.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <memory>

class cHx7PPolyline {
public:
    cHx7PPolyline() = default;
    cHx7PPolyline(const cHx7PPolyline&) = delete;
    cHx7PPolyline& operator=(const cHx7PPolyline&) = delete;
    cHx7PPolyline(cHx7PPolyline&&) noexcept = default;
    cHx7PPolyline& operator=(cHx7PPolyline&&) noexcept = default;

    // n points, each (0, 0, 0, 1). False (and no points) when the allocation fails.
    bool Allocate(uint32_t n);
    // Copies x, y, z, w into point i; ignored for i >= count or a null pointer.
    void SetVertex(uint32_t i, const float* xyzw);
    void SetColor(float r, float g, float b, float a);
    // Two integers kept for the owner (the HUD stores the window size); unused here.
    void SetSize(int w, int h);
    // Points first .. min(last, count) - 1 as one GL_LINE_STRIP in the strip's colour.
    void Draw(uint32_t first, uint32_t last) const;

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
};

// Projection = glOrtho(...) on identity, modelview = identity; leaves the matrix mode at
// modelview.
void SetOrthoProjection(float left, float right, float bottom, float top, float nearZ, float farZ);

// One GL_LINES segment from p1 (colour c1) to p2 (colour c2), 4 floats each. Sets the line
// stipple and width but does not enable GL_LINE_STIPPLE: the caller does, for patterns other
// than 0xFFFF.
void DrawLine(const float* p1, const float* c1, const float* p2, const float* c2, float width,
              int stippleFactor, unsigned short stipplePattern);
