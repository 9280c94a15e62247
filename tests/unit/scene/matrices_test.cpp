// The scene's matrices, element by element.
#include "scene/matrices.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void ExpectMat(const Mat4& actual, const Mat4& expected, float tol = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], expected[i], tol) << "element m" << i;
}

TEST(Matrices, SceneProjectionHasTheFixedLensAndClipPlanes)
{
    const Mat4 p = MatSceneProjection(640, 480);
    const float aspect = 640.0f / 480.0f;
    Mat4 expected{};
    expected[0] = 1.7320508f / aspect;
    expected[5] = 1.7320508f;
    expected[10] = -1.004008f;
    expected[11] = -1.0f;
    expected[14] = -0.2004008f;
    ExpectMat(p, expected);
}

TEST(Matrices, DegenerateWindowSizesUseAspectOne)
{
    EXPECT_FLOAT_EQ(AspectRatio(640, 0), 1.0f);
    EXPECT_FLOAT_EQ(AspectRatio(0, 480), 1.0f);
    EXPECT_FLOAT_EQ(AspectRatio(320, 240), 4.0f / 3.0f);
    const Mat4 p = MatSceneProjection(800, 0);
    EXPECT_NEAR(p[0], 1.7320508f, 1e-5f);
    EXPECT_NEAR(p[5], 1.7320508f, 1e-5f);
    for (float v : p)
        EXPECT_TRUE(std::isfinite(v));
}

TEST(Matrices, OverlayProjectionMapsTheUnitSquareToClipSpace)
{
    const Mat4 o = MatOverlayProjection();
    Mat4 expected{};
    expected[0] = 2; expected[5] = 2; expected[10] = -1;
    expected[12] = -1; expected[13] = -1; expected[15] = 1;
    ExpectMat(o, expected, 0.0f);
    const Vec4 lo = MatTransform(o, {0, 0, 0, 1});
    const Vec4 hi = MatTransform(o, {1, 1, 0, 1});
    EXPECT_FLOAT_EQ(lo[0], -1.0f); EXPECT_FLOAT_EQ(lo[1], -1.0f);
    EXPECT_FLOAT_EQ(hi[0], 1.0f); EXPECT_FLOAT_EQ(hi[1], 1.0f);
}

TEST(Matrices, LookAtFromTheInitialCamera)
{
    const Mat4 v = MatLookAt({0, 0, 4}, {0, 0, 0}, {0, 1, 0});
    Mat4 expected = MatIdentity();
    expected[14] = -4.0f;
    ExpectMat(v, expected);
}

TEST(Matrices, LookAtRowsAreTheCameraAxes)
{
    const Vec3 eye{3, 2, 1};
    const Mat4 v = MatLookAt(eye, {0, 0, 0}, {0, 1, 0});
    // The eye goes to the origin of view space; the centre lies on the -z axis.
    const Vec4 e = MatTransform(v, {3, 2, 1, 1});
    EXPECT_NEAR(e[0], 0, 1e-5f); EXPECT_NEAR(e[1], 0, 1e-5f); EXPECT_NEAR(e[2], 0, 1e-5f);
    const Vec4 c = MatTransform(v, {0, 0, 0, 1});
    EXPECT_NEAR(c[0], 0, 1e-5f); EXPECT_NEAR(c[1], 0, 1e-5f);
    EXPECT_NEAR(c[2], -std::sqrt(14.0f), 1e-5f);
    // z row = normalize(eye - centre).
    const float n = std::sqrt(14.0f);
    EXPECT_NEAR(v[2], 3 / n, 1e-6f); EXPECT_NEAR(v[6], 2 / n, 1e-6f); EXPECT_NEAR(v[10], 1 / n, 1e-6f);
    // x row = normalize(up x z) = normalize((1, 0, -3)).
    const float nx = std::sqrt(10.0f);
    EXPECT_NEAR(v[0], 1 / nx, 1e-6f); EXPECT_NEAR(v[4], 0, 1e-6f); EXPECT_NEAR(v[8], -3 / nx, 1e-6f);
    EXPECT_FLOAT_EQ(v[3], 0); EXPECT_FLOAT_EQ(v[7], 0); EXPECT_FLOAT_EQ(v[11], 0);
    EXPECT_FLOAT_EQ(v[15], 1);
}

TEST(Matrices, LookAtWithDegenerateAxesStaysFinite)
{
    // Eye on the centre: zero forward axis. Up parallel to the view direction: zero side axis.
    for (const Mat4& v : {MatLookAt({1, 1, 1}, {1, 1, 1}, {0, 1, 0}),
                          MatLookAt({0, 5, 0}, {0, 0, 0}, {0, 1, 0})}) {
        for (float f : v)
            EXPECT_TRUE(std::isfinite(f));
        EXPECT_FLOAT_EQ(v[15], 1.0f);
    }
    const Mat4 v = MatLookAt({0, 5, 0}, {0, 0, 0}, {0, 1, 0});
    EXPECT_FLOAT_EQ(v[0], 0); EXPECT_FLOAT_EQ(v[4], 0); EXPECT_FLOAT_EQ(v[8], 0);
    EXPECT_NEAR(v[6], 1.0f, 1e-6f);
}

TEST(Matrices, RotationElementsFollowTheAngleFormulas)
{
    const float a = 30, b = 45, c = 60;
    const float k = 0.0174533f;
    const float ca = std::cos(a * k), sa = std::sin(a * k);
    const float cb = std::cos(b * k), sb = std::sin(b * k);
    const float cc = std::cos(c * k), sc = std::sin(c * k);
    Mat4 expected{};
    expected[0] = cc * cb + sc * sb * sa;
    expected[1] = sc * cb - cc * sb * sa;
    expected[2] = sb * ca;
    expected[4] = -ca * sc;
    expected[5] = ca * cc;
    expected[6] = sa;
    expected[8] = sc * cb * sa - cc * sb;
    expected[9] = -sb * sc - cc * cb * sa;
    expected[10] = cb * ca;
    expected[15] = 1;
    ExpectMat(MatRotation(a, b, c), expected, 1e-6f);
}

TEST(Matrices, RestingSphereRotationPutsThePolesOnTheVerticalAxis)
{
    // rotation(90, 0, 0): the sphere's poles (its z axis) lie on the vertical axis, its y axis
    // faces the camera.
    const Mat4 r = MatRotation(90, 0, 0);
    const Vec4 z = MatTransform(r, {0, 0, 1, 0});
    EXPECT_NEAR(z[0], 0, 1e-5f); EXPECT_NEAR(z[1], -1, 1e-5f); EXPECT_NEAR(z[2], 0, 1e-5f);
    const Vec4 y = MatTransform(r, {0, 1, 0, 0});
    EXPECT_NEAR(y[2], 1, 1e-5f);
    // Orthonormal: r x r^T = identity.
    Mat4 rt{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            rt[c * 4 + row] = r[row * 4 + c];
    ExpectMat(MatMultiply(r, rt), MatIdentity());
}

TEST(Matrices, ProductIsColumnMajorLeftOperandFirst)
{
    Mat4 translate = MatIdentity();
    translate[12] = 5;
    const Mat4 scale = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1};
    // translate x scale: scale first, then translate.
    const Vec4 p = MatTransform(MatMultiply(translate, scale), {1, 1, 1, 1});
    EXPECT_FLOAT_EQ(p[0], 7); EXPECT_FLOAT_EQ(p[1], 2); EXPECT_FLOAT_EQ(p[2], 2);
    const Vec4 q = MatTransform(MatMultiply(scale, translate), {1, 1, 1, 1});
    EXPECT_FLOAT_EQ(q[0], 12);
    Mat4 a{}, b{};
    for (int i = 0; i < 16; ++i) { a[i] = float(i + 1); b[i] = float(16 - i); }
    const Mat4 ab = MatMultiply(a, b);
    // Element (row 1, column 2) = sum_k a(1,k) * b(k,2).
    float expected = 0;
    for (int k = 0; k < 4; ++k)
        expected += a[k * 4 + 1] * b[2 * 4 + k];
    EXPECT_FLOAT_EQ(ab[2 * 4 + 1], expected);
}

TEST(Matrices, NormalMatrixIsTheUpperLeftBlock)
{
    Mat4 m{};
    for (int i = 0; i < 16; ++i) m[i] = float(i);
    const Mat3 n = MatUpper3x3(m);
    const Mat3 expected = {0, 1, 2, 4, 5, 6, 8, 9, 10};
    EXPECT_EQ(n, expected);
}

}  // namespace
