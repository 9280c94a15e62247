// The scene's small matrix toolkit: 4x4 float matrices in column-major order (element index =
// column * 4 + row, the OpenGL convention), angles in degrees.
#pragma once

#include <array>

using Mat4 = std::array<float, 16>;
using Mat3 = std::array<float, 9>;
using Vec3 = std::array<float, 3>;
using Vec4 = std::array<float, 4>;

Mat4 MatIdentity();

// Aspect ratio width / height; 1.0 for a zero height or a zero ratio, so a minimised or
// not-yet-sized window never yields an infinite or degenerate projection.
float AspectRatio(int width, int height);

// Perspective projection with a vertical field of view in degrees.
Mat4 MatPerspective(float fovYDegrees, float aspect, float zNear, float zFar);

// The scene's projection: 60 degrees vertical, near 0.1, far 50, aspect from the window size.
Mat4 MatSceneProjection(int width, int height);

// Maps the unit square [0, 1] x [0, 1] onto the whole viewport.
Mat4 MatOverlayProjection();

// Camera matrix looking from eye at centre. A zero-length forward or side axis stays the zero
// vector rather than becoming NaN.
Mat4 MatLookAt(const Vec3& eye, const Vec3& centre, const Vec3& up);

// Rotation from three angles in degrees (a, b, c); see matrices.cpp for the element layout.
Mat4 MatRotation(float a, float b, float c);

// Column-major product, left operand first: (a x b) x v = a x (b x v).
Mat4 MatMultiply(const Mat4& a, const Mat4& b);

// Upper-left 3x3 of m, column-major. The scene's world matrices are pure rotations, so no
// inverse-transpose is needed for normals.
Mat3 MatUpper3x3(const Mat4& m);

// m x v.
Vec4 MatTransform(const Mat4& m, const Vec4& v);
