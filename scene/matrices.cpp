// Matrix toolkit of the scene (column-major, element = column * 4 + row).
#include "scene/matrices.h"

#include <cmath>

namespace {

// Degrees to radians with the factor the animation was tuned with.
constexpr float kDegToRad = 0.0174533f;

Vec3 Sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
float Dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
// A zero vector stays zero instead of dividing by zero.
Vec3 NormalizeOrZero(const Vec3& v)
{
    const float len = std::sqrt(Dot(v, v));
    if (len == 0.0f)
        return {0.0f, 0.0f, 0.0f};
    return {v[0] / len, v[1] / len, v[2] / len};
}

}  // namespace

Mat4 MatIdentity()
{
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

float AspectRatio(int width, int height)
{
    if (height == 0)
        return 1.0f;
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    return aspect == 0.0f ? 1.0f : aspect;
}

Mat4 MatPerspective(float fovYDegrees, float aspect, float zNear, float zFar)
{
    Mat4 m{};
    const float f = 1.0f / std::tan(0.5f * fovYDegrees * kDegToRad);
    m[0] = f / aspect;
    m[5] = f;
    m[10] = -(zFar + zNear) / (zFar - zNear);
    m[11] = -1.0f;
    m[14] = -2.0f * zFar * zNear / (zFar - zNear);
    return m;
}

Mat4 MatSceneProjection(int width, int height)
{
    return MatPerspective(60.0f, AspectRatio(width, height), 0.1f, 50.0f);
}

Mat4 MatOverlayProjection()
{
    Mat4 m{};
    m[0] = 2.0f;
    m[5] = 2.0f;
    m[10] = -1.0f;
    m[12] = -1.0f;
    m[13] = -1.0f;
    m[15] = 1.0f;
    return m;
}

Mat4 MatLookAt(const Vec3& eye, const Vec3& centre, const Vec3& up)
{
    const Vec3 z = NormalizeOrZero(Sub(eye, centre));
    const Vec3 x = NormalizeOrZero(Cross(up, z));
    const Vec3 y = Cross(z, x);
    Mat4 m{};
    m[0] = x[0]; m[4] = x[1]; m[8] = x[2];
    m[1] = y[0]; m[5] = y[1]; m[9] = y[2];
    m[2] = z[0]; m[6] = z[1]; m[10] = z[2];
    m[12] = -Dot(eye, x);
    m[13] = -Dot(eye, y);
    m[14] = -Dot(eye, z);
    m[15] = 1.0f;
    return m;
}

Mat4 MatRotation(float a, float b, float c)
{
    const float ca = std::cos(a * kDegToRad), sa = std::sin(a * kDegToRad);
    const float cb = std::cos(b * kDegToRad), sb = std::sin(b * kDegToRad);
    const float cc = std::cos(c * kDegToRad), sc = std::sin(c * kDegToRad);
    Mat4 m{};
    m[0] = cc * cb + sc * sb * sa;
    m[1] = sc * cb - cc * sb * sa;
    m[2] = sb * ca;
    m[4] = -ca * sc;
    m[5] = ca * cc;
    m[6] = sa;
    m[8] = sc * cb * sa - cc * sb;
    m[9] = -sb * sc - cc * cb * sa;
    m[10] = cb * ca;
    m[15] = 1.0f;
    return m;
}

Mat4 MatMultiply(const Mat4& a, const Mat4& b)
{
    Mat4 r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a[k * 4 + row] * b[col * 4 + k];
            r[col * 4 + row] = sum;
        }
    return r;
}

Mat3 MatUpper3x3(const Mat4& m)
{
    return {m[0], m[1], m[2], m[4], m[5], m[6], m[8], m[9], m[10]};
}

Vec4 MatTransform(const Mat4& m, const Vec4& v)
{
    Vec4 r{};
    for (int row = 0; row < 4; ++row)
        r[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
    return r;
}
