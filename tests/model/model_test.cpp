#include <gtest/gtest.h>

#include <cmath>

#include "model/model.h"
#include "support/model_builder.h"

using namespace orv;

using orvtest::At;

TEST(RebuildMeshLists, SurvivesNaNCoordinates)
{
    CMesh m;
    const float nan = std::nanf("");
    orvtest::AddFace(m, {{nan, 0, 0}, {1, nan, 0}, {0, 1, 0}, {nan, 0, 0}});
    orvtest::AddFace(m, {{1, 1, 1}, {nan, nan, nan}, {0, 1, 0}});
    m.RebuildMeshLists();
    for (const auto& f : m.faces)
        for (int32_t i : f.vertexIndices)
            EXPECT_LT(static_cast<std::size_t>(i), m.vertices.size());
}

TEST(FaceOps, NormalPlanarityAndCentroid)
{
    // Each corner is measured against the mean plane of Newell's normal. For a unit square
    // whose fourth corner is lifted by h, every corner lies h/4 off that plane: a lift of
    // 0.008 puts corners twice the tolerance (0.002) off and fails, 0.002 passes.
    for (auto [lift, planar] : {std::pair{0.008f, 0}, std::pair{0.002f, 1}, std::pair{0.0f, 1}}) {
        CFace f;
        f.corners = {At({0, 0, 0}), At({1, 0, 0}), At({1, 1, lift}), At({0, 1, 0})};
        EXPECT_EQ(f.ComputeFaceNormal(), planar) << lift;
        // Counter-clockwise seen from +z: the sum as written points to -z, negated to +z.
        if (lift == 0.0f) {
            EXPECT_EQ(f.normal, Vec3(0, 0, 1));
        }
    }
    // Collinear corners: a zero normal and the mean of the corners, not NaN.
    CFace line;
    line.corners = {At({0, 0, 0}), At({2, 0, 0}), At({4, 0, 0})};
    EXPECT_EQ(line.ComputeFaceNormal(), 1);
    EXPECT_EQ(line.normal, Vec3(0, 0, 0));
    EXPECT_EQ(line.Centroid(), Vec3(2, 0, 0));
    // Fan triangles (c0,c1,c2) and (c0,c2,c3) of this trapezoid weigh 4 and 2, with centres
    // (7/3, 1/3) and (4/3, 2/3); the plain corner mean would be (2, 0.5).
    CFace f;
    f.corners = {At({0, 0, 0}), At({4, 0, 0}), At({3, 1, 0}), At({1, 1, 0})};
    orvtest::ExpectClose(f.Centroid(), {2.0f, 4.0f / 9.0f, 0});
}

TEST(Hierarchy, SiblingChainsPosesAndDamagedLinks)
{
    CModel model;
    model.nodes.resize(11);
    model.nodes[0].child = 3;
    model.nodes[3].sibling = 5;
    model.nodes[5].sibling = 7;
    model.nodes[0].position = {1, 2, 3};
    model.nodes[3].parent = 6;  // wrong link, repaired
    // A damaged chain: a sibling loop and a child out of range neither hang nor overrun.
    model.nodes[8].child = 9;
    model.nodes[9].sibling = 10;
    model.nodes[10].sibling = 9;
    model.nodes[10].child = 99;
    model.currentFrame = 9;
    model.RebuildHierarchy();
    EXPECT_EQ(model.nodes[0].numChildren, 3);
    for (int i : {3, 5, 7})
        EXPECT_EQ(model.nodes[static_cast<std::size_t>(i)].parent, 0);
    EXPECT_EQ(model.nodes[9].parent, 8);
    EXPECT_EQ(model.nodes[10].parent, 8);
    EXPECT_EQ(model.nodes[10].numChildren, 0);
    EXPECT_EQ(model.currentFrame, 0);
    ASSERT_EQ(model.nodes[0].poses.size(), 1u);
    EXPECT_EQ(model.nodes[0].poses[0], Matrix4::Translation({1, 2, 3}));
}

// Points are rows multiplied from the left, so the pose turns a point by roll about z
// first, then by pitch about x, then by yaw about y. Any other order gives other entries
// for angles like these, where no two of the turns commute.
TEST(Hierarchy, PoseMatrixTurnsByRollThenPitchThenYaw)
{
    const float pitch = 30, yaw = 50, roll = -70;
    const float rad = 3.1415927f / 180;
    const Matrix4 want = Matrix4::RotationZ(roll * rad) * Matrix4::RotationX(pitch * rad) *
                         Matrix4::RotationY(yaw * rad) * Matrix4::Translation({4, 5, 6});
    orvtest::ExpectClose(PoseMatrix({pitch, roll, yaw}, {4, 5, 6}), want, 1e-6f);
}
