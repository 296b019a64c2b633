#include <gtest/gtest.h>

#include "render/hierarchy.h"
#include "scene_builder.h"

using namespace orv;

namespace {

void ExpectNear(const Matrix4& a, const Matrix4& b, float tol = 1e-5f)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a(i, j), b(i, j), tol) << "element (" << i << "," << j << ")";
}

C3doNode& AddNode(CModel& m, int32_t mesh = -1)
{
    m.nodes.push_back(std::make_unique<C3doNode>());
    m.nodes.back()->mesh = mesh;
    return *m.nodes.back();
}

std::vector<int32_t> Order(const std::vector<NodeVisit>& visits)
{
    std::vector<int32_t> out;
    for (const auto& v : visits)
        out.push_back(v.node);
    return out;
}

}  // namespace

TEST(HierarchyWalk, ChildrenAndSiblingsInheritTheRightMatrices)
{
    // 0 -child-> 2 -sibling-> 3, and 0 -sibling-> 1 (a second top-level chain).
    CModel m;
    for (int i = 0; i < 4; ++i)
        AddNode(m);
    m.nodes[0]->child = 2;
    m.nodes[0]->sibling = 1;
    m.nodes[2]->sibling = 3;
    m.nodes[0]->position = {1, 0, 0};
    m.nodes[0]->rotation = {0, 0, 90};
    m.nodes[1]->position = {0, 5, 0};
    m.nodes[2]->position = {0, 0, 2};
    m.nodes[3]->position = {0, 3, 0};
    m.RebuildHierarchy();
    m.modelMatrix = Matrix4::Scaling(2, 2, 2);

    const auto visits = WalkHierarchy(m);
    EXPECT_EQ(Order(visits), (std::vector<int32_t>{0, 2, 3, 1}));
    const Matrix4 p0 = m.nodes[0]->poses[0] * m.modelMatrix;
    ExpectNear(m.nodes[0]->matrix, p0);
    ExpectNear(m.nodes[2]->matrix, m.nodes[2]->poses[0] * p0);
    // The sibling of a child gets the parent's matrix, not its brother's.
    ExpectNear(m.nodes[3]->matrix, m.nodes[3]->poses[0] * p0);
    // A sibling of the top node hangs from the model matrix alone.
    ExpectNear(m.nodes[1]->matrix, m.nodes[1]->poses[0] * m.modelMatrix);
    // Spot check through a point: node 2's origin is (0,0,2) turned by node 0, moved, scaled.
    const Vec3 o = TransformPoint({0, 0, 0}, m.nodes[2]->matrix);
    const Vec3 expected = TransformPoint(TransformPoint({0, 0, 2}, m.nodes[0]->poses[0]), m.modelMatrix);
    EXPECT_NEAR(o.x, expected.x, 1e-5f);
    EXPECT_NEAR(o.y, expected.y, 1e-5f);
    EXPECT_NEAR(o.z, expected.z, 1e-5f);
}

TEST(HierarchyWalk, MissingPoseUsesTheParentTransform)
{
    CModel m;
    AddNode(m).child = 1;
    AddNode(m);
    m.nodes[0]->position = {1, 2, 3};
    m.nodes[1]->position = {7, 7, 7};
    m.RebuildHierarchy();
    // Node 0 has an animated pose at frame 1, node 1 only its base pose.
    m.nodes[0]->poses.push_back(Matrix4::Translation({0, 0, 9}));
    m.currentFrame = 1;
    WalkHierarchy(m);
    ExpectNear(m.nodes[0]->matrix, Matrix4::Translation({0, 0, 9}));
    ExpectNear(m.nodes[1]->matrix, m.nodes[0]->matrix);

    // A frame below 0 picks no pose at all.
    m.currentFrame = -1;
    WalkHierarchy(m);
    ExpectNear(m.nodes[1]->matrix, Matrix4::Identity());
}

TEST(HierarchyWalk, DamagedLinksEndTheWalk)
{
    CModel m;
    AddNode(m).child = 1;
    AddNode(m).child = 0;      // a loop back to the top
    m.nodes[1]->sibling = 1;   // and onto itself
    AddNode(m).sibling = 99;   // unreachable, out of range
    m.nodes[0]->sibling = -7;
    m.RebuildHierarchy();
    const auto visits = WalkHierarchy(m);
    EXPECT_EQ(Order(visits), (std::vector<int32_t>{0, 1}));
    // An unreachable node keeps its old matrix.
    EXPECT_EQ(m.nodes[2]->matrix, Matrix4::Identity());

    CModel empty;
    EXPECT_TRUE(WalkHierarchy(empty).empty());
}

TEST(HierarchyWalk, DeepChainDoesNotExhaustTheStack)
{
    CModel m;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        C3doNode& node = AddNode(m);
        node.child = i + 1 < n ? i + 1 : -1;
        node.poses.push_back(Matrix4::Translation({0, 0.001f, 0}));
    }
    const auto visits = WalkHierarchy(m);
    ASSERT_EQ(visits.size(), static_cast<std::size_t>(n));
    EXPECT_NEAR(m.nodes.back()->matrix(3, 1), n * 0.001f, 0.5f);
}

TEST(HierarchyWalk, MeshesResolveInTheCurrentGeometrySet)
{
    CModel m;
    orvtest::AddMesh(m);
    orvtest::AddMesh(m);
    m.nodes[1]->mesh = 5;  // no such mesh
    m.nodes[1]->position = {0, 4, 0};
    m.RebuildHierarchy();
    const auto visits = WalkHierarchy(m);
    ASSERT_EQ(visits.size(), 2u);
    EXPECT_EQ(visits[0].mesh, 0);
    EXPECT_EQ(visits[1].mesh, -1);

    // Recording: the mesh placed by node 0 takes node 0 and its matrix; the unresolved
    // index records nothing.
    m.nodes[0]->position = {1, 0, 0};
    m.RebuildHierarchy();
    WalkHierarchy(m);
    RecordMeshNodes(m);
    EXPECT_EQ(m.MeshAt(0)->node, m.nodes[0].get());
    EXPECT_EQ(m.MeshAt(0)->nodeMatrix, Matrix4::Translation({1, 0, 0}));
    EXPECT_EQ(m.MeshAt(1)->node, nullptr);
}

TEST(HierarchyWalk, RenderModeTable)
{
    struct Row {
        int32_t mode;
        MeshDrawStyle current, other;
    };
    const Row rows[] = {
        {0, {true, true}, {true, true}},   {1, {true, false}, {true, false}}, {2, {true, true}, {true, false}},
        {3, {true, true}, {false, false}}, {4, {true, false}, {false, false}},
    };
    for (const auto& r : rows) {
        const MeshDrawStyle c = MeshDrawMode(r.mode, 2, 2), o = MeshDrawMode(r.mode, 1, 2);
        EXPECT_EQ(c.drawn, r.current.drawn) << "mode " << r.mode;
        EXPECT_EQ(c.solid, r.current.solid) << "mode " << r.mode;
        EXPECT_EQ(o.drawn, r.other.drawn) << "mode " << r.mode;
        EXPECT_EQ(o.solid, r.other.solid) << "mode " << r.mode;
    }
    // Without a current mesh, modes 3 and 4 draw nothing.
    EXPECT_FALSE(MeshDrawMode(4, 0, -1).drawn);
    EXPECT_FALSE(MeshDrawMode(3, -1, -1).drawn);
}
