// Overlay primitives: the line strip from a vertex buffer, single lines in immediate mode.
#include "gfx/polyline.h"

#include "gfx/gl_procs.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

cHx7PPolyline::~cHx7PPolyline() { Release(); }

cHx7PPolyline::cHx7PPolyline(cHx7PPolyline&& other) noexcept { *this = std::move(other); }

cHx7PPolyline& cHx7PPolyline::operator=(cHx7PPolyline&& other) noexcept
{
    if (this == &other)
        return *this;
    Release();
    vertices = std::move(other.vertices);
    count = std::exchange(other.count, 0);
    std::memcpy(colour, other.colour, sizeof colour);
    width = other.width;
    height = other.height;
    buffer = std::exchange(other.buffer, 0);
    return *this;
}

void cHx7PPolyline::Release()
{
    // Without the framework's entry points no context ever held the buffer.
    if (buffer != 0 && Hx7PGLProcs.glDeleteBuffers)
        Hx7PGLProcs.glDeleteBuffers(1, &buffer);
    buffer = 0;
}

bool cHx7PPolyline::Allocate(uint32_t n)
{
    vertices.reset();
    count = 0;
    if (n == 0)
        return true;
    vertices.reset(new (std::nothrow) float[std::size_t(n) * 4]);
    if (!vertices)
        return false;
    for (uint32_t i = 0; i < n; ++i) {
        float* v = &vertices[std::size_t(i) * 4];
        v[0] = v[1] = v[2] = 0.0f;
        v[3] = 1.0f;
    }
    count = n;
    return true;
}

void cHx7PPolyline::SetVertex(uint32_t i, const float* xyzw)
{
    if (i >= count || !xyzw)
        return;
    std::memcpy(&vertices[std::size_t(i) * 4], xyzw, 4 * sizeof(float));
}

void cHx7PPolyline::SetColor(float r, float g, float b, float a)
{
    colour[0] = r;
    colour[1] = g;
    colour[2] = b;
    colour[3] = a;
}

void cHx7PPolyline::SetSize(int w, int h)
{
    width = w;
    height = h;
}

void cHx7PPolyline::Draw(uint32_t first, uint32_t last) const
{
    const uint32_t end = std::min(last, count);
    glColor4fv(colour);
    if (first >= end || !Hx7PGLProcs.glGenBuffers)
        return;
    if (buffer == 0)
        Hx7PGLProcs.glGenBuffers(1, &buffer);
    Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, buffer);
    // A fresh store per draw: the strip changes every frame, and the driver need not wait
    // for the previous frame's copy.
    Hx7PGLProcs.glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(end - first) * GLsizeiptr(4 * sizeof(float)),
                             &vertices[std::size_t(first) * 4], GL_STREAM_DRAW);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(4, GL_FLOAT, 0, nullptr);
    glDrawArrays(GL_LINE_STRIP, 0, GLsizei(end - first));
    glDisableClientState(GL_VERTEX_ARRAY);
    Hx7PGLProcs.glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void SetOrthoProjection(float left, float right, float bottom, float top, float nearZ, float farZ)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(left, right, bottom, top, nearZ, farZ);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void DrawLine(const float* p1, const float* c1, const float* p2, const float* c2, float width,
              int stippleFactor, unsigned short stipplePattern)
{
    if (!p1 || !c1 || !p2 || !c2)
        return;
    glLineStipple(stippleFactor, stipplePattern);
    glLineWidth(width);
    glBegin(GL_LINES);
    glColor4fv(c1);
    glVertex4fv(p1);
    glColor4fv(c2);
    glVertex4fv(p2);
    glEnd();
}
