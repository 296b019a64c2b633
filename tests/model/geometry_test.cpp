#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model/geometry.h"
#include "model/vertex.h"

using namespace orv;

namespace {

void ExpectNear(const Vec3& a, const Vec3& b, float tol = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

void ExpectNear(const Matrix4& a, const Matrix4& b, float tol = 1e-5f)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a(i, j), b(i, j), tol) << "element (" << i << "," << j << ")";
}

}  // namespace

TEST(Geometry, RowVectorConventions)
{
    const float a = kPi / 2;
    // About X by 90 degrees, row vectors: (0,1,0) -> (0,0,-1).
    ExpectNear(TransformPoint({0, 1, 0}, Matrix4::RotationX(a)), {0, 0, -1});
    // About Z by 90 degrees: (1,0,0) -> (0,-1,0).
    ExpectNear(TransformPoint({1, 0, 0}, Matrix4::RotationZ(a)), {0, -1, 0});
    // About Y by 90 degrees: (0,0,1) -> (-1,0,0) (the cyclic rule of the three axes).
    ExpectNear(TransformPoint({0, 0, 1}, Matrix4::RotationY(a)), {-1, 0, 0});

    const Matrix4 t = Matrix4::Translation({1, 2, 3});
    ExpectNear(TransformPoint({0, 0, 0}, t), {1, 2, 3});
    ExpectNear(TransformDirection({4, 5, 6}, t), {4, 5, 6});

    // p * (A * B) applies A first: translate then rotate differs from rotate then translate.
    const Matrix4 r = Matrix4::RotationZ(a);
    ExpectNear(TransformPoint({1, 0, 0}, t * r), TransformPoint(TransformPoint({1, 0, 0}, t), r));
    ExpectNear(TransformPoint({1, 0, 0}, r * t), {1, 1, 3});

    const auto w = Transform4({1, 2, 3, 1}, t);
    EXPECT_FLOAT_EQ(w[0], 2);
    EXPECT_FLOAT_EQ(w[2], 6);
    EXPECT_FLOAT_EQ(w[3], 1);
}

TEST(Geometry, PerspectiveAndAngleRotation)
{
    const Matrix4 p = Matrix4::Perspective(kPi / 3, 0.6f, 0.05f, 100.0f);
    const float cot = 1.0f / std::tan(kPi / 6);
    EXPECT_NEAR(p(0, 0), cot * 0.6f, 1e-5);
    EXPECT_NEAR(p(1, 1), cot, 1e-5);
    const float q = 100.0f / (100.0f - 0.05f);
    EXPECT_NEAR(p(2, 2), q, 1e-6);
    EXPECT_EQ(p(2, 3), 1.0f);
    EXPECT_NEAR(p(3, 2), -q * 0.05f, 1e-7);
    EXPECT_EQ(p(3, 3), 0.0f);
    // A point on the near plane maps to depth 0, on the far plane to depth w (0..1 range).
    auto nearPt = Transform4({0, 0, 0.05f, 1}, p);
    auto farPt = Transform4({0, 0, 100.0f, 1}, p);
    EXPECT_NEAR(nearPt[2] / nearPt[3], 0.0f, 1e-5);
    EXPECT_NEAR(farPt[2] / farPt[3], 1.0f, 1e-5);

    // The camera rotation is orthonormal; a alone turns about z, b about y, c about x.
    const Matrix4 r = Matrix4::RotationAngles(0.3f, -0.7f, 1.1f);
    ExpectNear(r * InvertRigid(r), Matrix4::Identity());
    ExpectNear(Matrix4::RotationAngles(0.4f, 0, 0), Matrix4::RotationZ(0.4f));
    ExpectNear(Matrix4::RotationAngles(0, 0.4f, 0), Matrix4::RotationY(0.4f));
    ExpectNear(Matrix4::RotationAngles(0, 0, 0.4f), Matrix4::RotationX(0.4f));
}

TEST(Geometry, Inverses)
{
    ExpectNear(InvertMatrix(Matrix4::Identity()), Matrix4::Identity());
    ExpectNear(InvertMatrix(Matrix4::Translation({1, -2, 3})), Matrix4::Translation({-1, 2, -3}));
    ExpectNear(InvertRigid(Matrix4::Translation({1, -2, 3})), Matrix4::Translation({-1, 2, -3}));
    for (float a : {0.3f, 1.2f, -2.5f}) {
        for (auto rot : {&Matrix4::RotationX, &Matrix4::RotationY, &Matrix4::RotationZ}) {
            ExpectNear(InvertMatrix(rot(a)), rot(-a));
            ExpectNear(InvertRigid(rot(a)), rot(-a));
        }
    }
    // A rigid transform: both inverses agree and undo it.
    const Matrix4 m = Matrix4::RotationX(0.4f) * Matrix4::RotationY(-1.3f) * Matrix4::Translation({5, -1, 2});
    ExpectNear(InvertMatrix(m), InvertRigid(m), 1e-5f);
    ExpectNear(m * InvertMatrix(m), Matrix4::Identity(), 1e-5f);

    // General matrices that need row exchanges (zero leading entries), with scaling.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> d(-3, 3);
    for (int n = 0; n < 50; ++n) {
        Matrix4 g;
        for (auto& e : g.m)
            e = d(rng);
        g(0, 0) = 0.0f;
        g(1, 1) = 0.0f;
        ExpectNear(g * InvertMatrix(g), Matrix4::Identity(), 2e-3f);
    }
    // The view set-up times a projection inverts too (as picking needs).
    const Matrix4 vp = Matrix4::Translation({0, -1, 4}) * Matrix4::Perspective(kPi / 3, 0.6f, 0.05f, 100.0f);
    ExpectNear(InvertMatrix(vp) * vp, Matrix4::Identity(), 1e-3f);
}

TEST(Geometry, SingularMatricesDoNotPoisonTheResult)
{
    // A row of zeros: the result is defined (no NaN), the zero pivot replaced.
    Matrix4 s = Matrix4::Identity();
    s(2, 2) = 0.0f;
    const Matrix4 inv = InvertMatrix(s);
    for (float e : inv.m)
        EXPECT_FALSE(std::isnan(e));
    EXPECT_FLOAT_EQ(inv(0, 0), 1.0f);
}

TEST(Geometry, RoundingHalvesAwayFromZero)
{
    EXPECT_FLOAT_EQ(RoundToStep(0.00016f, 10000), 0.0002f);
    EXPECT_FLOAT_EQ(RoundToStep(-0.00016f, 10000), -0.0002f);
    EXPECT_FLOAT_EQ(RoundToStep(0.25f, 2), 0.5f);
    EXPECT_FLOAT_EQ(RoundToStep(-0.25f, 2), -0.5f);
    EXPECT_FLOAT_EQ(RoundToStep(0.24f, 2), 0.0f);

    float u = 0.0004f, v = 0.123456f;
    CleanTexCoords(u, v);
    EXPECT_EQ(u, 0.0f);
    EXPECT_FLOAT_EQ(v, 0.12346f);
    u = -0.5f;
    v = -0.0009f;
    CleanTexCoords(u, v);
    EXPECT_EQ(u, -0.5f);
    EXPECT_EQ(v, 0.0f);
    // The threshold applies after rounding: 0.001 itself stays, and so does a value that
    // rounds up onto it.
    u = 0.001f;
    v = 0.000996f;
    CleanTexCoords(u, v);
    EXPECT_FLOAT_EQ(u, 0.001f);
    EXPECT_FLOAT_EQ(v, 0.001f);
    u = 0.000994f;
    v = 1.234565f;
    CleanTexCoords(u, v);
    EXPECT_EQ(u, 0.0f);
    EXPECT_NEAR(v, 1.23457f, 1e-6);
}

TEST(Geometry, LineParameterUsesDominantAxis)
{
    EXPECT_FLOAT_EQ(LineParameter({0, 0, 0}, {2, 1, 0}, {1, 5, 7}), 0.5f);
    EXPECT_FLOAT_EQ(LineParameter({0, 0, 0}, {1, 4, 2}, {9, 2, 9}), 0.5f);
    EXPECT_FLOAT_EQ(LineParameter({0, 0, 1}, {1, 1, 5}, {0, 0, 2}), 0.25f);
    // A tie between the two largest components falls to the later test.
    EXPECT_FLOAT_EQ(LineParameter({0, 0, 0}, {1, 1, 0}, {0.5f, 0.5f, 0}), 0.0f);
    EXPECT_FLOAT_EQ(LineParameter({0, 0, 0}, {2, 0, 2}, {1, 0, 0.5f}), 0.25f);
    EXPECT_FLOAT_EQ(LineParameter({1, 1, 1}, {1, 1, 1}, {3, 3, 3}), 0.0f);
}

TEST(Geometry, DeviceColorAndBoxRadius)
{
    const uint32_t stored = 18u | (52u << 8) | (86u << 16);  // red 18, green 52, blue 86
    EXPECT_EQ(ToDeviceColor(stored), 0xFF000000u | (18u << 16) | (52u << 8) | 86u);
    EXPECT_EQ(ToDeviceColor(0x0000FF), 0xFFFF0000u);  // red
    EXPECT_EQ(ToDeviceColor(0xFF0000), 0xFF0000FFu);  // blue

    EXPECT_FLOAT_EQ(BoxRadius({-1, -1, -1}, {1, 1, 1}), std::sqrt(3.0f));
    EXPECT_FLOAT_EQ(BoxRadius({2, 0, 0}, {4, 0, 0}), 1.0f);

    ExpectNear(Normalize({3, 0, 4}), {0.6f, 0, 0.8f});
    EXPECT_EQ(Normalize({0, 0, 0}), Vec3(0, 0, 0));
    EXPECT_EQ(Cross({1, 0, 0}, {0, 1, 0}), Vec3(0, 0, 1));
}

TEST(Geometry, VertexRecordLayoutAndCube)
{
    VertexRecord r;
    r.x = 1;
    r.y = 2;
    r.z = 3;
    r.color = 0xFF112233;
    r.u = 0.5f;
    r.SetSelected(true);
    r.SetIntensity(0.75f);
    const VertexRecord t = TransformVertex(r, Matrix4::Translation({1, 1, 1}));
    EXPECT_EQ(t.Position(), Vec3(2, 3, 4));
    EXPECT_EQ(t.color, r.color);
    EXPECT_TRUE(t.Selected());
    EXPECT_EQ(t.Intensity(), 0.75f);
    EXPECT_EQ(t.u, 0.5f);
    r.SetSelected(false);
    EXPECT_EQ(r.reserved, 0u);

    const auto& cube = UnitCubeCorners();
    EXPECT_EQ(cube[0].Position(), Vec3(-1, -1, -1));
    EXPECT_EQ(cube[2].Position(), Vec3(1, -1, 1));
    EXPECT_EQ(cube[6].Position(), Vec3(1, 1, 1));
    EXPECT_EQ(cube[7].Position(), Vec3(1, 1, -1));
    for (const auto& c : cube)
        EXPECT_EQ(c.color | c.reserved | c.specular, 0u);
}
