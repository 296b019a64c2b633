#include <gtest/gtest.h>

#include "edit/transform.h"
#include "support/model_compare.h"
#include "support/opened_sample.h"

using namespace orv;
using orvtest::ExpectClose;

namespace {

// A closed cube of half-size 0.5 (faces outward), plus a lone square far away whose
// faces share no corner with the cube, both in mesh 0.
std::unique_ptr<CModel> Shapes()
{
    auto model = std::make_unique<CModel>();
    CMesh& m = orvtest::AddMesh(*model);
    orvtest::AddCube(m);
    orvtest::AddSquare(m, 5, 5, 5, 0.25f);  // face 6
    model->RebuildHierarchy();
    return model;
}

// The shapes in a document, face 0 of mesh 0 current.
struct Scene : orvtest::ModelDoc {
    Scene() : ModelDoc(Shapes())
    {
        selection.currentMesh = 0;
        selection.currentFace = 0;
    }
};

}  // namespace

TEST(Transform, EnablingRules)
{
    Scene s;
    EditContext c = s.Ctx();
    EXPECT_FALSE(WhyNotMove(c) || WhyNotRotate(c));
    s.selection.currentNode = 0;  // a vertex is current: moves act on it, rotations wait
    EXPECT_EQ(WhyNotMove(c), nullptr);
    EXPECT_NE(WhyNotRotate(c), nullptr);
    s.doc.modes.grid = true;
    EXPECT_NE(WhyNotMove(c), nullptr);
    s.doc.modes.grid = false;
    s.selection.currentFace = -1;
    EXPECT_NE(WhyNotMove(c), nullptr);
    s.doc.modes.meshMode = true;  // a mesh alone is enough in mesh mode
    EXPECT_FALSE(WhyNotMove(c) || WhyNotRotate(c));
}

TEST(Transform, AFaceMoveTakesItsSharedVerticesAlong)
{
    Scene s;
    EditContext c = s.Ctx();
    ASSERT_TRUE(MoveSelection(c, {2, -0.01f}).changed);
    // The whole front face moved; the four side faces stretched with it, still closed.
    orvtest::ExpectModelAsFixture("transform_face_move", *s.doc.model);
}

TEST(Transform, FaceModeMovesTheNamedGroupAndLeavesNeighboursBehind)
{
    Scene s;
    s.Mesh().faces[0].name = "lid";
    s.Mesh().faces[6].name = "lid";
    s.doc.modes.faceMode = true;
    EditContext c = s.Ctx();
    ASSERT_TRUE(MoveSelection(c, {2, -0.01f}).changed);
    // Faces 0 and 6 moved; face 2, which shares a corner with face 0, did not.
    orvtest::ExpectModelAsFixture("transform_group_move", *s.doc.model);
}

TEST(Transform, AStepThatBendsAFaceIsTakenBack)
{
    Scene s;
    CFace& face = s.Mesh().faces[0];
    FaceVertex(face, 0)->SetSelected(true);
    NodeMarker node;
    node.mesh = 0, node.face = 0, node.vertex = 0;
    s.selection.nodes = {node};
    s.selection.currentNode = 0;
    const auto before = s.Bytes();
    EditContext c = s.Ctx();
    const EditOutcome step = s.doc.Run(c, MoveSelection, NudgeParams{0, 0.01f});
    EXPECT_FALSE(step.changed);
    EXPECT_EQ(s.Bytes(), before);
    // Nothing changed, so nothing is left to undo.
    EXPECT_FALSE(s.doc.CanUndo());

    // A face that was bent already does not hold every other edit back.
    Scene t;
    t.Mesh().faces[6].corners[0].z += 0.1f;
    t.selection.currentFace = 0;
    EditContext tc = t.Ctx();
    EXPECT_TRUE(MoveSelection(tc, {2, -0.01f}).changed);
}

TEST(Transform, RotatingSixTimesAndBackReturnsTheFace)
{
    Scene s;
    s.selection.currentFace = 6;  // the lone square: nothing to bend
    EditContext c = s.Ctx();
    std::vector<Vec3> start;
    for (const auto& corner : s.Mesh().faces[6].corners)
        start.push_back(corner.Position());
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(RotateSelection(c, {1, 6.0f}).changed);
    // Thirty-six degrees about y through the centre (5, 5, 5).
    const float a = 36.0f * 3.1415927f / 180.0f;
    const Vec3 first = start[0] - Vec3(5, 5, 5);
    ExpectClose(s.Mesh().faces[6].corners[0].Position(),
                Vec3(5 + first.x * std::cos(a) - first.z * std::sin(a), 5 + first.y,
                     5 + first.x * std::sin(a) + first.z * std::cos(a)));
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(RotateSelection(c, {1, -6.0f}).changed);
    for (std::size_t k = 0; k < start.size(); ++k)
        ExpectClose(s.Mesh().faces[6].corners[k].Position(), start[k], 1e-5f);
}

// Which field each axis steps is in the command sweep's record; here that the pose follows
// at once, before the document rebuilds anything.
TEST(Transform, AMeshModeNudgeMovesTheNodesPoseAtOnce)
{
    Scene s;
    s.doc.modes.meshMode = true;
    EditContext c = s.Ctx();
    ASSERT_TRUE(MoveSelection(c, {1, 0.01f}).changed);
    ASSERT_TRUE(RotateSelection(c, {1, 45.0f}).changed);
    const C3doNode& n = s.doc.model->nodes[0];
    ExpectClose(n.poses[0], PoseMatrix(n.rotation, n.position));
}
