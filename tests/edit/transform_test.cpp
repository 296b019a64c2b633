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

// The other rules are in the disabled-command record; no scene there has a current vertex,
// or a mesh without a face outside mesh mode.
TEST(Transform, EnablingRules)
{
    Scene s;
    EditContext c = s.Ctx();
    s.selection.currentNode = 0;  // a vertex is current: moves act on it, rotations wait
    EXPECT_EQ(WhyNotMove(c), nullptr);
    EXPECT_NE(WhyNotRotate(c), nullptr);
    s.selection.currentFace = -1;
    EXPECT_NE(WhyNotMove(c), nullptr);
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
    node.mesh = 0;
    node.face = 0;
    node.vertex = 0;
    s.selection.nodes = {node};
    s.selection.currentNode = 0;
    const auto before = s.Bytes();
    EditContext c = s.Ctx();
    s.doc.Run(c, MoveSelection, NudgeParams{0, 0.01f});
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
