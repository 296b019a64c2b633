#include <gtest/gtest.h>

#include <array>

#include "support/model_builder.h"
#include "view/hierarchy.h"

using namespace orv;
using orvtest::ExpectClose;

namespace {

// Gives the model n bare nodes, linked as given: {node, child, sibling}.
void Link(CModel& m, int n, std::initializer_list<std::array<int32_t, 3>> links)
{
    m.nodes.resize(static_cast<std::size_t>(n));
    for (const auto& [node, child, sibling] : links) {
        m.nodes[static_cast<std::size_t>(node)].child = child;
        m.nodes[static_cast<std::size_t>(node)].sibling = sibling;
    }
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
    Link(m, 4, {{0, 2, 1}, {2, -1, 3}});
    m.nodes[0].position = {1, 0, 0};
    m.nodes[0].rotation = {0, 0, 90};
    m.nodes[1].position = {0, 5, 0};
    m.nodes[2].position = {0, 0, 2};
    m.nodes[3].position = {0, 3, 0};
    m.RebuildHierarchy();
    m.modelMatrix = Matrix4::Scaling(2, 2, 2);

    EXPECT_EQ(Order(WalkHierarchy(m)), (std::vector<int32_t>{0, 2, 3, 1}));
    // Node 0's yaw of 90 turns node 2's (0, 0, 2) onto -x; it moves by (1, 0, 0), the
    // model scales by 2.
    ExpectClose(TransformPoint({0, 0, 0}, m.NodeMatrix(2)), {-2, 0, 0});
    // The sibling of a child hangs from the parent, not from its brother.
    ExpectClose(TransformPoint({0, 0, 0}, m.NodeMatrix(3)), {2, 6, 0});
    // A sibling of the top node hangs from the model matrix alone.
    ExpectClose(TransformPoint({0, 0, 0}, m.NodeMatrix(1)), {0, 10, 0});
}

// An animated node past its poses hangs from its parent alone; a node the animation does
// not move keeps its base pose at every frame.
TEST(HierarchyWalk, AFrameWithoutAPoseKeepsTheParentTransform)
{
    CModel m;
    Link(m, 2, {{0, 1, -1}});
    m.nodes[0].position = {1, 2, 3};
    m.nodes[1].position = {7, 7, 7};
    m.RebuildHierarchy();
    // Node 0 has an animated pose at frame 1, node 1 only its base pose.
    m.nodes[0].poses.push_back(Matrix4::Translation({0, 0, 9}));
    m.currentFrame = 1;
    WalkHierarchy(m);
    ExpectClose(m.NodeMatrix(1), Matrix4::Translation({7, 7, 16}));
    m.currentFrame = 2;
    WalkHierarchy(m);
    ExpectClose(m.NodeMatrix(1), Matrix4::Translation({7, 7, 7}));
    m.currentFrame = -1;  // below 0: no pose at all
    WalkHierarchy(m);
    ExpectClose(m.NodeMatrix(1), Matrix4::Identity());
}

TEST(HierarchyWalk, DamagedLinksEndTheWalk)
{
    // A loop back to the top, a node its own sibling, links out of range.
    CModel m;
    Link(m, 3, {{0, 1, -7}, {1, 0, 1}, {2, -1, 99}});
    m.RebuildHierarchy();
    EXPECT_EQ(Order(WalkHierarchy(m)), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(m.NodeMatrix(2), Matrix4::Identity());  // unreachable: keeps its matrix
    CModel empty;
    EXPECT_TRUE(WalkHierarchy(empty).empty());

    // A chain far deeper than the call stack could hold.
    const int n = 200000;
    CModel deep;
    for (int i = 0; i < n; ++i) {
        deep.nodes.push_back(C3doNode());
        deep.nodes.back().child = i + 1 < n ? i + 1 : -1;
        deep.nodes.back().poses.push_back(Matrix4::Translation({0, 0.001f, 0}));
    }
    ASSERT_EQ(WalkHierarchy(deep).size(), static_cast<std::size_t>(n));
    EXPECT_NEAR(deep.nodeMatrices.back()(3, 1), n * 0.001f, 0.5f);
}
