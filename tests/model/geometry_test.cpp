#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "model/geometry.h"
#include "model/polygon.h"
#include "model/vertex.h"
#include "support/model_builder.h"

using namespace orv;

using orvtest::ExpectClose;

TEST(Geometry, RowVectorConventions)
{
    const float a = kPi / 2;
    // Row vectors, quarter turns: about X (0,1,0) -> (0,0,-1), about Z (1,0,0) -> (0,-1,0),
    // about Y (0,0,1) -> (-1,0,0).
    ExpectClose(TransformPoint({0, 1, 0}, Matrix4::RotationX(a)), {0, 0, -1});
    ExpectClose(TransformPoint({1, 0, 0}, Matrix4::RotationZ(a)), {0, -1, 0});
    ExpectClose(TransformPoint({0, 0, 1}, Matrix4::RotationY(a)), {-1, 0, 0});

    const Matrix4 t = Matrix4::Translation({1, 2, 3});
    ExpectClose(TransformPoint({0, 0, 0}, t), {1, 2, 3});
    ExpectClose(TransformDirection({4, 5, 6}, t), {4, 5, 6});
    // p * (A * B) applies A first.
    ExpectClose(TransformPoint({1, 0, 0}, Matrix4::RotationZ(a) * t), {1, 1, 3});
    EXPECT_EQ(Transform4({1, 2, 3, 1}, t), (std::array<float, 4>{2, 4, 6, 1}));

    // The camera rotation: a alone turns about z, b about y, c about x.
    ExpectClose(Matrix4::RotationAngles(0.4f, 0, 0), Matrix4::RotationZ(0.4f));
    ExpectClose(Matrix4::RotationAngles(0, 0.4f, 0), Matrix4::RotationY(0.4f));
    ExpectClose(Matrix4::RotationAngles(0, 0, 0.4f), Matrix4::RotationX(0.4f));
}

TEST(Geometry, InversesAndThePerspectiveDepthRange)
{
    // A rigid transform: both inverses agree.
    const Matrix4 m = Matrix4::RotationX(0.4f) * Matrix4::RotationY(-1.3f) * Matrix4::Translation({5, -1, 2});
    ExpectClose(InvertMatrix(m), InvertRigid(m));

    // General matrices that need row exchanges (zero leading entries), with scaling.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> d(-3, 3);
    for (int n = 0; n < 50; ++n) {
        Matrix4 g;
        for (auto& e : g.m)
            e = d(rng);
        g(0, 0) = g(1, 1) = 0.0f;
        ExpectClose(g * InvertMatrix(g), Matrix4::Identity(), 2e-3f);
    }
    // The projection maps the near plane to depth 0 and the far plane to 1, with w the view
    // depth; the view set-up times the projection inverts too (as picking needs).
    const Matrix4 p = Matrix4::Perspective(kPi / 3, 0.6f, 0.05f, 100.0f);
    const auto nearPt = Transform4({0, 0, 0.05f, 1}, p), farPt = Transform4({0, 0, 100.0f, 1}, p);
    EXPECT_NEAR(nearPt[2] / nearPt[3], 0.0f, 1e-5);
    EXPECT_NEAR(farPt[2] / farPt[3], 1.0f, 1e-5);
    EXPECT_EQ(farPt[3], 100.0f);
    const Matrix4 vp = Matrix4::Translation({0, -1, 4}) * p;
    ExpectClose(InvertMatrix(vp) * vp, Matrix4::Identity(), 1e-3f);

    // A row of zeros: the result is defined (no NaN), the zero pivot replaced.
    Matrix4 s = Matrix4::Identity();
    s(2, 2) = 0.0f;
    const Matrix4 inv = InvertMatrix(s);
    EXPECT_TRUE(std::none_of(std::begin(inv.m), std::end(inv.m), [](float e) { return std::isnan(e); }));
    EXPECT_FLOAT_EQ(inv(0, 0), 1.0f);
}

TEST(Geometry, RoundingHalvesAwayFromZero)
{
    for (auto [in, step, out] : {std::tuple{0.00016f, 10000, 0.0002f}, {0.25f, 2, 0.5f}, {0.24f, 2, 0.0f}}) {
        EXPECT_FLOAT_EQ(RoundToStep(in, step), out);
        EXPECT_FLOAT_EQ(RoundToStep(-in, step), -out);
    }
    // Texture coordinates: five decimals, then |t| < 0.001 becomes 0, so 0.001 itself stays
    // and so does a value that rounds up onto it.
    for (auto [in, out] : {std::pair{0.0004f, 0.0f},
                           {0.123456f, 0.12346f},
                           {-0.5f, -0.5f},
                           {-0.0009f, 0.0f},
                           {0.001f, 0.001f},
                           {0.000996f, 0.001f},
                           {0.000994f, 0.0f},
                           {1.234565f, 1.23457f}}) {
        float u = in, v = -in;
        CleanTexCoords(u, v);
        EXPECT_NEAR(u, out, 1e-6) << in;
        EXPECT_NEAR(v, -out, 1e-6) << in;
    }
}

TEST(Geometry, LineParameterUsesDominantAxis)
{
    EXPECT_FLOAT_EQ(LineParameter({0, 0, 0}, {2, 1, 0}, {1, 5, 7}), 0.5f);
    EXPECT_FLOAT_EQ(LineParameter({0, 0, 0}, {1, 4, 2}, {9, 2, 9}), 0.5f);
    EXPECT_FLOAT_EQ(LineParameter({0, 0, 1}, {1, 1, 5}, {0, 0, 2}), 0.25f);
    EXPECT_FLOAT_EQ(LineParameter({1, 1, 1}, {1, 1, 1}, {3, 3, 3}), 0.0f);
    // A tie between the two largest components falls to the later test.
    EXPECT_FLOAT_EQ(LineParameter({0, 0, 0}, {1, 1, 0}, {0.5f, 0.5f, 0}), 0.0f);
    EXPECT_FLOAT_EQ(LineParameter({0, 0, 0}, {2, 0, 2}, {1, 0, 0.5f}), 0.25f);
}

TEST(Geometry, ColoursAndTransformedVertices)
{
    // Stored colours are red in the low byte; the device wants 0xAARRGGBB.
    EXPECT_EQ(ToDeviceColor(18u | (52u << 8) | (86u << 16)), 0xFF000000u | (18u << 16) | (52u << 8) | 86u);
    EXPECT_EQ(Normalize({0, 0, 0}), Vec3(0, 0, 0));

    // A transformed vertex keeps everything but its position.
    VertexRecord r = orvtest::At({1, 2, 3});
    r.color = 0xFF112233;
    r.u = 0.5f;
    r.SetSelected(true);
    r.SetIntensity(0.75f);
    const VertexRecord t = TransformVertex(r, Matrix4::Translation({1, 1, 1}));
    EXPECT_EQ(t.Position(), Vec3(2, 3, 4));
    EXPECT_EQ(std::tie(t.color, t.reserved, t.specular, t.u), std::tie(r.color, r.reserved, r.specular, r.u));
    r.SetSelected(false);
    EXPECT_EQ(r.reserved, 0u);
}

// A corner on an edge of a convex face, as the file holds it (six decimals), is no
// concave corner: what the fit writes the check must take. A corner pushed in stays one.
TEST(Geometry, CornersOnAnEdgeStayConvexThroughTheFilesDecimals)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> along(0.05f, 0.95f), spin(0.0f, 6.28f);
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE(trial);
        // A turned, shifted pentagon with a corner put on each edge, written and read.
        const float turn = spin(random);
        const Vec3 at{along(random) * 40, along(random) * 40, along(random)};
        std::vector<Vec3> corners;
        const std::vector<Vec3> round = orvtest::RoundPolygon(5, at);
        for (std::size_t i = 0; i < round.size(); ++i) {
            const Vec3& a = round[i];
            const Vec3& b = round[(i + 1) % round.size()];
            const float t = along(random);
            for (const Vec3& p : {a, a + (b - a) * t}) {
                const float x = p.x - at.x, y = p.y - at.y;
                corners.push_back({PrintedValue(at.x + x * std::cos(turn) - y * std::sin(turn), 6),
                                   PrintedValue(at.y + x * std::sin(turn) + y * std::cos(turn), 6),
                                   PrintedValue(at.z + 0.3f * y, 6)});
            }
        }
        EXPECT_EQ(ShapeOf(corners), PolygonShape::Good);
        // The corner on the first edge moved towards the middle by a thousandth.
        corners[1] = corners[1] + (at - corners[1]) * (0.001f / Length(at - corners[1]));
        EXPECT_EQ(ShapeOf(corners), PolygonShape::Concave);
    }
}
