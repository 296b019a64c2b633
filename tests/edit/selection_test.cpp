#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "edit/selection.h"
#include "scene_builder.h"

using namespace orv;
using orvtest::AddFace;
using orvtest::AddSquare;

namespace {

constexpr int kSize = 400;

// Mesh 0: two unit squares side by side in the plane z = 0 (faces 0 and 1, sharing the
// edge x = 1), facing a camera on the -z side. Mesh 1: a small square at z = -1 in front
// of face 1.
struct PickScene : ::testing::Test {
    CModel model;
    EditModes modes;
    Settings settings;
    Selection sel;
    Camera camera = orvtest::CameraAt({0, 0, -3}, true, kSize, kSize);

    void SetUp() override
    {
        CMesh& m0 = orvtest::AddMesh(model);
        AddSquare(m0, 0, 0, 0, 1);
        AddSquare(m0, 2, 0, 0, 1);
        AddSquare(orvtest::AddMesh(model), 1.5f, 0.5f, -1, 0.2f);
        orvtest::Place(model);
        settings.vertexScaling = 0.1f;  // markers 0.04 wide: a few pixels at this distance
        settings.grid = 0.02f;
    }

    PickResult ClickAt(const Vec3& p, Modifiers mods = {})
    {
        const auto px = orvtest::ToPixel(camera, p, kSize, kSize);
        return ClickPixel(px.first, px.second, mods);
    }

    PickResult ClickPixel(int x, int y, Modifiers mods = {})
    {
        PickRequest r;
        r.x = x;
        r.y = y;
        r.size = {kSize, kSize, kSize, kSize, false};
        r.view = camera.view;
        r.projection = camera.projection;
        r.mods = mods;
        return sel.Pick(model, modes, settings, r);
    }

    CFace& Face(int mesh, int face) { return *model.MeshAt(mesh)->faces[static_cast<std::size_t>(face)]; }

    int NodeAt(const Vec3& p) const
    {
        for (std::size_t i = 0; i < sel.nodes.size(); ++i)
            if (Length(sel.nodes[i].position - p) < 1e-4f)
                return static_cast<int>(i);
        return -1;
    }

    bool IsSorted() const
    {
        return std::is_sorted(sel.nodes.begin(), sel.nodes.end(), [](const NodeMarker& a, const NodeMarker& b) {
            const Vec3 p = a.position, q = b.position;
            return p.x != q.x ? p.x < q.x : (p.y != q.y ? p.y < q.y : p.z < q.z);
        });
    }
};

}  // namespace

TEST_F(PickScene, RayThroughAPixel)
{
    const auto centre = PickRay(200, 200, kSize, kSize, Matrix4::Identity(), camera.view, camera.projection);
    ASSERT_TRUE(centre);
    EXPECT_NEAR(centre->direction.z, 1.0f, 1e-5f);
    EXPECT_NEAR(centre->origin.z, -3.0f + Camera::kNear, 1e-4f);
    EXPECT_NEAR(centre->origin.x, 0.0f, 1e-5f);

    // Left and top of the picture are -x and +y of the world for this camera.
    const auto left = PickRay(0, 200, kSize, kSize, Matrix4::Identity(), camera.view, camera.projection);
    const auto top = PickRay(200, 0, kSize, kSize, Matrix4::Identity(), camera.view, camera.projection);
    EXPECT_LT(left->direction.x, -0.1f);
    EXPECT_GT(top->direction.y, 0.1f);
    EXPECT_NEAR(Length(left->direction), 1.0f, 1e-5f);

    // The ray through the pixel of a point passes within a pixel of it.
    const Vec3 p{0.7f, -0.3f, 0.4f};
    const auto px = orvtest::ToPixel(camera, p, kSize, kSize);
    const auto r = PickRay(px.first, px.second, kSize, kSize, Matrix4::Identity(), camera.view, camera.projection);
    const Vec3 off = p - r->origin;
    EXPECT_LT(Length(Cross(off, r->direction)), 0.01f);

    EXPECT_FALSE(PickRay(1, 1, 0, kSize, Matrix4::Identity(), camera.view, camera.projection));
}

TEST_F(PickScene, FrontSideOnly)
{
    ASSERT_EQ(ClickAt({-0.5f, -0.5f, 0}), PickResult::Selected);
    EXPECT_EQ(sel.currentMesh, 0);
    EXPECT_EQ(sel.currentFace, 0);
    EXPECT_EQ(sel.currentNode, -1);
    // The face's vertex nodes: one per vertex, each naming its vertex.
    ASSERT_EQ(sel.nodes.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const int k = NodeAt(FaceVertex(Face(0, 0), i)->Position());
        ASSERT_GE(k, 0);
        EXPECT_EQ(sel.nodes[static_cast<std::size_t>(k)].vertex, i);
        EXPECT_EQ(sel.nodes[static_cast<std::size_t>(k)].face, 0);
    }

    // From behind, the same spot is not picked.
    sel.currentMesh = 1;
    sel.currentFace = 0;
    camera = orvtest::CameraAt({0, 0, 3}, false, kSize, kSize);
    EXPECT_EQ(ClickAt({-0.5f, -0.5f, 0}), PickResult::Missed);
    EXPECT_EQ(sel.currentMesh, 1);
    EXPECT_EQ(sel.currentFace, 0);
}

TEST_F(PickScene, NearestFrontFaceWins)
{
    RayHit hit = sel.RayCast(model, modes, {1.5f, 0.5f, -2.9f}, {0, 0, 1});
    ASSERT_TRUE(hit.hit);
    EXPECT_EQ(hit.mesh, 1);
    EXPECT_NEAR(hit.point.z, -1.0f, 1e-5f);
    EXPECT_EQ(hit.normal, Face(1, 0).normal);
    // Face 1 of mesh 0 beside it.
    hit = sel.RayCast(model, modes, {2.5f, 0.5f, -2.9f}, {0, 0, 1});
    EXPECT_EQ(hit.mesh, 0);
    EXPECT_EQ(hit.face, 1);
    // Beside everything.
    EXPECT_FALSE(sel.RayCast(model, modes, {5, 5, -2.9f}, {0, 0, 1}).hit);
}

TEST_F(PickScene, ReachIsOneHundredUnits)
{
    EXPECT_FALSE(sel.RayCast(model, modes, {-0.5f, -0.5f, -100.01f}, {0, 0, 1}).hit);
    EXPECT_TRUE(sel.RayCast(model, modes, {-0.5f, -0.5f, -99.99f}, {0, 0, 1}).hit);

    camera = orvtest::CameraAt({0, 0, -100.5f}, true, kSize, kSize);
    EXPECT_EQ(ClickPixel(200, 200), PickResult::Missed);
    camera = orvtest::CameraAt({0, 0, -99.5f}, true, kSize, kSize);
    EXPECT_EQ(ClickPixel(200, 200), PickResult::Selected);
}

TEST_F(PickScene, RenderModesThreeAndFourKeepTheCurrentMesh)
{
    const Vec3 overlap{1.5f, 0.5f, -1.0f};
    ASSERT_EQ(ClickAt(overlap), PickResult::Selected);
    EXPECT_EQ(sel.currentMesh, 1);

    // Mode 3 with mesh 0 current: mesh 1 in front is not drawn and cannot be hit.
    modes.renderMode = kRenderMesh;
    sel.currentMesh = 0;
    ASSERT_EQ(ClickAt(overlap), PickResult::Selected);
    EXPECT_EQ(sel.currentMesh, 0);
    EXPECT_EQ(sel.currentFace, 1);

    // Mode 4 with mesh 1 current: mesh 0 alone under the cursor gives nothing.
    modes.renderMode = kRenderMeshWireframe;
    sel.currentMesh = 1;
    sel.currentFace = -1;
    EXPECT_EQ(ClickAt({-0.5f, -0.5f, 0}), PickResult::Missed);
    EXPECT_EQ(sel.currentMesh, 1);
    EXPECT_EQ(sel.currentFace, -1);
    ASSERT_EQ(ClickAt(overlap), PickResult::Selected);
    EXPECT_EQ(sel.currentMesh, 1);
    EXPECT_EQ(sel.currentFace, 0);

    // Even a marker standing for another mesh only sets the current face and node.
    modes.grid = true;
    sel.nodes.clear();
    ASSERT_TRUE(sel.AddNode({-0.5f, -0.5f, -0.5f}, settings.colorGrid, 0, 1, -1, 0.02f, 0.05f));
    ASSERT_EQ(ClickAt({-0.5f, -0.5f, -0.5f}), PickResult::GridNode);
    EXPECT_EQ(sel.currentMesh, 1);
    EXPECT_EQ(sel.currentFace, 1);
    EXPECT_EQ(sel.currentNode, 0);
}

TEST_F(PickScene, MissChangesNothing)
{
    ASSERT_EQ(ClickAt({-0.5f, -0.5f, 0}), PickResult::Selected);
    ASSERT_EQ(ClickAt({-1, -1, 0}), PickResult::Selected);  // a vertex node
    const auto nodes = sel.nodes;
    const int32_t mesh = sel.currentMesh, face = sel.currentFace, node = sel.currentNode;
    ASSERT_GE(node, 0);
    EXPECT_EQ(ClickPixel(3, 3), PickResult::Missed);
    EXPECT_EQ(sel.currentMesh, mesh);
    EXPECT_EQ(sel.currentFace, face);
    EXPECT_EQ(sel.currentNode, node);
    ASSERT_EQ(sel.nodes.size(), nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_EQ(sel.nodes[i].position, nodes[i].position);
        EXPECT_EQ(sel.nodes[i].color, nodes[i].color);
    }
    EXPECT_TRUE(FaceVertex(Face(0, 0), sel.nodes[static_cast<std::size_t>(node)].vertex)->Selected());
}

TEST_F(PickScene, VertexNodeColoursShowLinksAndSelection)
{
    ASSERT_EQ(ClickAt({-0.5f, -0.5f, 0}), PickResult::Selected);
    const uint32_t link = ToDeviceColor(settings.colorLink), unlink = ToDeviceColor(settings.colorUnlink),
                   select = ToDeviceColor(settings.colorSelect);
    // The edge x = 1 is shared with face 1.
    EXPECT_EQ(sel.nodes[static_cast<std::size_t>(NodeAt({1, 1, 0}))].color, link);
    EXPECT_EQ(sel.nodes[static_cast<std::size_t>(NodeAt({1, -1, 0}))].color, link);
    EXPECT_EQ(sel.nodes[static_cast<std::size_t>(NodeAt({-1, 1, 0}))].color, unlink);
    EXPECT_EQ(sel.nodes[static_cast<std::size_t>(NodeAt({-1, -1, 0}))].color, unlink);

    // Clicking the shared vertex selects it; selected wins over linked.
    ASSERT_EQ(ClickAt({1, 1, 0}), PickResult::Selected);
    const int shared = NodeAt({1, 1, 0});
    ASSERT_GE(shared, 0);
    EXPECT_EQ(sel.currentFace, 0);
    EXPECT_EQ(sel.currentNode, shared);
    EXPECT_EQ(sel.nodes[static_cast<std::size_t>(shared)].color, select);
    const int32_t v = sel.nodes[static_cast<std::size_t>(shared)].vertex;
    EXPECT_TRUE(FaceVertex(Face(0, 0), v)->Selected());
    // The flag sits on the corner drawn at that place: corner n-1-v.
    EXPECT_TRUE(Face(0, 0).corners[static_cast<std::size_t>(3 - v)].Selected());

    // A plain click elsewhere moves the selection; Ctrl extends it.
    ASSERT_EQ(ClickAt({-1, -1, 0}), PickResult::Selected);
    EXPECT_FALSE(FaceVertex(Face(0, 0), v)->Selected());
    ASSERT_EQ(ClickAt({-1, 1, 0}, Modifiers{false, true, false}), PickResult::Selected);
    int selected = 0;
    for (const auto& c : Face(0, 0).corners)
        selected += c.Selected() ? 1 : 0;
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(sel.nodes[static_cast<std::size_t>(NodeAt({-1, -1, 0}))].color, select);
    EXPECT_EQ(sel.nodes[static_cast<std::size_t>(NodeAt({-1, 1, 0}))].color, select);

    // A plain click on the face clears every flag of the mesh.
    ASSERT_EQ(ClickAt({-0.5f, -0.5f, 0}), PickResult::Selected);
    for (const auto& f : model.MeshAt(0)->faces)
        for (const auto& c : f->corners)
            EXPECT_FALSE(c.Selected());
}

TEST_F(PickScene, GridNodeBehindAFaceWinsWithTheGridOn)
{
    ASSERT_TRUE(sel.AddNode({-0.5f, -0.5f, 0.5f}, settings.colorGrid, 0, -1, -1, 0.02f, 0.02f));
    const Vec3 o{-0.5f, -0.5f, -2.95f}, d{0, 0, 1};
    RayHit hit = sel.RayCast(model, modes, o, d);
    EXPECT_EQ(hit.node, -1);  // grid off: the face in front hides it
    EXPECT_EQ(hit.face, 0);
    modes.grid = true;
    hit = sel.RayCast(model, modes, o, d);
    EXPECT_EQ(hit.node, 0);
    EXPECT_NEAR(hit.point.z, 0.48f, 1e-5f);  // its front side
    EXPECT_NEAR(hit.normal.z, -1.0f, 1e-5f);
    EXPECT_EQ(hit.mesh, 0);
    EXPECT_EQ(hit.face, -1);
}

TEST_F(PickScene, CtrlExtendsGridSelectionInClickOrder)
{
    ASSERT_EQ(ClickAt({-0.5f, -0.5f, 0}), PickResult::Selected);
    settings.grid = 0.5f;
    modes.grid = true;
    sel.RebuildNodes(model, modes, settings);
    const std::size_t count = sel.nodes.size();

    const Vec3 clicks[] = {{-0.5f, -0.5f, 0}, {0, 0, 0}, {1, 1, 0}, {-1, 0.6f, 0}};
    std::vector<Vec3> expected;
    for (std::size_t i = 0; i < 4; ++i) {
        const int k = NodeAt(clicks[i]);
        ASSERT_GE(k, 0) << i;
        expected.push_back(sel.nodes[static_cast<std::size_t>(k)].position);
        ASSERT_EQ(ClickAt(clicks[i], Modifiers{false, i > 0, false}), PickResult::GridNode) << i;
        EXPECT_EQ(sel.currentNode, k);
    }
    EXPECT_EQ(sel.selectedPositions, expected);
    EXPECT_EQ(sel.nodes.size(), count);  // a grid click keeps the node list
    const uint32_t select = ToDeviceColor(settings.colorSelect), grid = ToDeviceColor(settings.colorGrid);
    int selectedColour = 0;
    for (const auto& n : sel.nodes)
        selectedColour += n.color == select ? 1 : (n.color == grid ? 0 : 100);
    EXPECT_EQ(selectedColour, 4);

    // A plain click starts over with one position.
    ASSERT_GE(NodeAt({0.2f, -1, 0}), 0);
    ASSERT_EQ(ClickAt({0.2f, -1, 0}), PickResult::GridNode);
    ASSERT_EQ(sel.selectedPositions.size(), 1u);
    EXPECT_EQ(sel.selectedPositions[0], sel.nodes[static_cast<std::size_t>(NodeAt({0.2f, -1, 0}))].position);
    EXPECT_EQ(sel.nodes[static_cast<std::size_t>(sel.currentNode)].color, select);
    EXPECT_EQ(sel.nodes[static_cast<std::size_t>(NodeAt({0, 0, 0}))].color, grid);
}

TEST_F(PickScene, HalfSpacingRule)
{
    const float g = 0.01f;
    EXPECT_TRUE(sel.AddNode({0, 0, 0}, 0x0000FF, 0, 0, 1, g, 0.5f));
    EXPECT_FALSE(sel.AddNode({0.004f, 0, 0}, 0, 0, 0, 2, g, 0.5f));  // closer than g/2: the first stays
    EXPECT_TRUE(sel.AddNode({0.006f, 0, 0}, 0, 0, 0, 3, g, 0.5f));
    EXPECT_FALSE(sel.AddNode({0, 0, 0}, 0, 0, 0, 4, g, 0.5f));  // already there
    EXPECT_FALSE(sel.AddNode({0.00004f, 0, 0}, 0, 0, 0, 4, g, 0.5f));  // rounds onto it
    // Rounded to 1/10000 and sorted in between by x.
    EXPECT_TRUE(sel.AddNode({0.00016f, 5, 0}, 0, 0, 0, 5, g, 0.5f));
    EXPECT_FALSE(sel.AddNode({0.0001f, 0.001f, 0}, 0, 0, 0, 6, g, 0.5f));  // its left neighbour is close
    // Only the neighbours in the sorted list count: (0,0,0) is close but not adjacent.
    EXPECT_TRUE(sel.AddNode({0.0003f, 0, 0}, 0, 0, 0, 7, g, 0.5f));
    EXPECT_FALSE(sel.AddNode({NAN, 0, 0}, 0, 0, 0, 8, g, 0.5f));
    EXPECT_FALSE(sel.AddNode({-0.003f, 0, 0}, 0, 0, 0, 9, g, 0.5f));  // its right neighbour is close

    ASSERT_EQ(sel.nodes.size(), 4u);
    EXPECT_TRUE(IsSorted());
    EXPECT_EQ(sel.nodes[0].position, Vec3(0, 0, 0));
    EXPECT_EQ(sel.nodes[0].vertex, 1);
    EXPECT_EQ(sel.nodes[0].color, 0xFFFF0000u);  // red as a device colour
    EXPECT_EQ(sel.nodes[1].position, Vec3(RoundToStep(0.00016f, 10000), 5, 0));
    EXPECT_FLOAT_EQ(sel.nodes[1].position.x, 0.0002f);

    // The marker: a cube of the half-size around the position, 12 outward triangles.
    const auto v = sel.nodes[0].Vertices();
    EXPECT_EQ(v[0].Position(), Vec3(-0.5f, -0.5f, -0.5f));
    EXPECT_EQ(v[6].Position(), Vec3(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(v[3].color, 0xFFFF0000u);
    for (std::size_t t = 0; t < kMarkerIndices.size(); t += 3) {
        const Vec3 a = v[kMarkerIndices[t]].Position(), b = v[kMarkerIndices[t + 1]].Position(),
                   c = v[kMarkerIndices[t + 2]].Position();
        EXPECT_GT(Dot(Cross(b - a, c - b), (a + b + c) / 3.0f - sel.nodes[0].position), 0.0f) << t;
    }
}

TEST_F(PickScene, GridOfAFace)
{
    ASSERT_EQ(ClickAt({-0.5f, -0.5f, 0}), PickResult::Selected);
    settings.grid = 0.5f;
    modes.grid = true;
    sel.RebuildNodes(model, modes, settings);
    EXPECT_TRUE(IsSorted());
    for (const auto& n : sel.nodes) {
        EXPECT_EQ(n.mesh, 0);
        EXPECT_EQ(n.face, 0);
        EXPECT_EQ(n.vertex, -1);
        EXPECT_EQ(n.color, ToDeviceColor(settings.colorGrid));
        EXPECT_FLOAT_EQ(n.halfSize, 0.1f * 0.2f);
        EXPECT_LE(std::fabs(n.position.x), 1.0f);
        EXPECT_LE(std::fabs(n.position.y), 1.0f);
        EXPECT_EQ(n.position.z, 0.0f);
    }
    // Each 2-unit edge is cut into trunc((2 + 0.5) / 0.5) = 5 pieces; the inside carries
    // the 0.5 lattice lifted onto the face.
    for (const Vec3 p : {Vec3{1, -0.6f, 0}, Vec3{-0.2f, 1, 0}, Vec3{-1, -1, 0}, Vec3{0, 0, 0}, Vec3{-0.5f, 0.5f, 0},
                         Vec3{0.5f, -0.5f, 0}})
        EXPECT_GE(NodeAt(p), 0) << p.x << "," << p.y;
    const std::size_t full = sel.nodes.size();

    // Edges only: the 20 nodes of the outline and none inside.
    modes.gridEdgesOnly = true;
    sel.RebuildNodes(model, modes, settings);
    EXPECT_EQ(sel.nodes.size(), 20u);
    for (const auto& n : sel.nodes)
        EXPECT_TRUE(std::fabs(n.position.x) == 1.0f || std::fabs(n.position.y) == 1.0f);
    EXPECT_LT(sel.nodes.size(), full);

    // The scale exponent scales spacing and markers.
    modes.gridEdgesOnly = false;
    modes.scaleExponent = -1;
    sel.RebuildNodes(model, modes, settings);
    EXPECT_GT(sel.nodes.size(), 2 * full);
    EXPECT_FLOAT_EQ(sel.nodes[0].halfSize, 0.01f);
}

TEST(FaceGrid, TriangleAndSideways)
{
    CModel model;
    CMesh& mesh = orvtest::AddMesh(model);
    AddFace(mesh, {{-1, -1, 0}, {-1, 1, 0}, {1, -1, 0}});
    AddFace(mesh, {{0, -1, -1}, {0, -1, 1}, {0, 1, 1}, {0, 1, -1}});  // in the plane x = 0
    orvtest::Place(model);
    EditModes modes;
    modes.grid = true;
    Settings settings;
    settings.grid = 0.5f;
    Selection sel;
    sel.currentMesh = 0;
    sel.currentFace = 0;
    sel.RebuildNodes(model, modes, settings);
    bool inner = false;
    for (const auto& n : sel.nodes) {
        EXPECT_GE(n.position.x, -1.0001f);
        EXPECT_GE(n.position.y, -1.0001f);
        EXPECT_LE(n.position.x + n.position.y, 0.0001f);
        EXPECT_FLOAT_EQ(n.position.z, 0.0f);
        inner |= n.position == Vec3(-0.5f, -0.5f, 0);
    }
    EXPECT_TRUE(inner);

    // A face across the x axis lays its grid out on y and z, inside included.
    sel.currentFace = 1;
    sel.RebuildNodes(model, modes, settings);
    int inside = 0;
    for (const auto& n : sel.nodes) {
        EXPECT_FLOAT_EQ(n.position.x, 0.0f);
        inside += std::fabs(n.position.y) < 0.9f && std::fabs(n.position.z) < 0.9f ? 1 : 0;
    }
    EXPECT_GE(inside, 4);
}

TEST(FaceGrid, MeshLatticeAndFaceGrids)
{
    // A unit cube, every face outward.
    CModel model;
    CMesh& mesh = orvtest::AddMesh(model);
    AddFace(mesh, {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}});
    AddFace(mesh, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}});
    AddFace(mesh, {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}});
    AddFace(mesh, {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}});
    AddFace(mesh, {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}});
    AddFace(mesh, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}});
    orvtest::Place(model);
    EditModes modes;
    modes.meshMode = true;
    modes.grid = true;
    modes.gridFaceOnly = false;
    Settings settings;
    settings.grid = 0.5f;
    Selection sel;
    sel.currentMesh = 0;
    sel.currentFace = 2;
    sel.RebuildNodes(model, modes, settings);
    // The box widened by a quarter on every side: -0.25, 0.25, 0.75, 1.25 on each axis.
    ASSERT_EQ(sel.nodes.size(), 64u);
    EXPECT_TRUE(modes.grid);
    EXPECT_EQ(sel.nodes.front().position, Vec3(-0.25f, -0.25f, -0.25f));
    EXPECT_EQ(sel.nodes.back().position, Vec3(1.25f, 1.25f, 1.25f));
    for (const auto& n : sel.nodes) {
        EXPECT_EQ(n.face, -1);
        EXPECT_TRUE(n.IsGridNode());
    }

    // Face only: the grids of all six faces, on the surface, all marked with the current
    // face, some of them inside a face rather than on its edges.
    modes.gridFaceOnly = true;
    sel.RebuildNodes(model, modes, settings);
    int insideAFace = 0;
    for (const auto& n : sel.nodes) {
        EXPECT_EQ(n.face, 2);
        int onSide = 0, within = 0;
        for (float c : {n.position.x, n.position.y, n.position.z}) {
            EXPECT_GE(c, 0.0f);
            EXPECT_LE(c, 1.0f);
            onSide += (c == 0.0f || c == 1.0f) ? 1 : 0;
            within += (c > 0.01f && c < 0.99f) ? 1 : 0;
        }
        EXPECT_GE(onSide, 1);
        insideAFace += onSide == 1 && within == 2 ? 1 : 0;
    }
    EXPECT_GE(insideAFace, 6);
}

TEST(FaceGrid, HugeCoordinatesStayBounded)
{
    // A damaged face spanning 1e30 units cannot hang the rebuild or fill memory.
    CModel model;
    CMesh& mesh = orvtest::AddMesh(model);
    AddFace(mesh, {{-1e30f, -1e30f, 0}, {-1e30f, 1e30f, 0}, {1e30f, 1e30f, 0}, {1e30f, -1e30f, 0}});
    orvtest::Place(model);
    EditModes modes;
    modes.grid = true;
    Settings settings;
    Selection sel;
    sel.currentMesh = 0;
    sel.currentFace = 0;
    sel.RebuildNodes(model, modes, settings);
    EXPECT_LE(sel.nodes.size(), Selection::kMaxNodes);
    EXPECT_GT(sel.nodes.size(), 0u);
}

TEST_F(PickScene, TextureDragFollowsTheMouse)
{
    sel.currentMesh = 0;
    sel.currentFace = 0;
    CFace& f = Face(0, 0);
    for (auto& c : f.corners) {
        c.u = 0.5f;
        c.v = 0.5f;
    }
    // Not in texturing mode: nothing moves.
    EXPECT_FALSE(sel.TextureDrag(model, modes, true, 10, 10, {}));
    modes.texturingMode = true;
    EXPECT_TRUE(sel.TextureDrag(model, modes, true, 10, 10, {}));  // takes the point
    EXPECT_FLOAT_EQ(f.corners[0].u, 0.5f);
    EXPECT_TRUE(sel.TextureDrag(model, modes, true, 5, 10, {}));
    EXPECT_FLOAT_EQ(f.corners[0].u, 0.5f - 5 * 0.2f * 0.01f);
    EXPECT_FLOAT_EQ(f.corners[2].u, 0.49f);
    // The next move counts from the last one, with Shift's speed.
    EXPECT_TRUE(sel.TextureDrag(model, modes, true, 5, 0, Modifiers{true, true, false}));
    EXPECT_FLOAT_EQ(f.corners[1].v, 0.5f - 10 * 0.4f * 0.01f);
    EXPECT_FLOAT_EQ(f.corners[1].u, 0.49f);
    // Releasing the button forgets the point: the next drag starts without a jump.
    EXPECT_FALSE(sel.TextureDrag(model, modes, false, 100, 100, {}));
    EXPECT_TRUE(sel.TextureDrag(model, modes, true, 300, 300, {}));
    EXPECT_FLOAT_EQ(f.corners[1].v, 0.46f);
    // Ctrl drags slowly.
    EXPECT_TRUE(sel.TextureDrag(model, modes, true, 300, 300 + 23, Modifiers{false, true, false}));
    EXPECT_FLOAT_EQ(f.corners[1].v, 0.46f + 23 * 0.1f * 0.01f);
}

TEST_F(PickScene, ContinuousViewsIgnoreClicks)
{
    for (int32_t kind : {kViewRotating, kViewAnimating}) {
        modes.viewKind = kind;
        EXPECT_EQ(ClickAt({-0.5f, -0.5f, 0}), PickResult::Ignored);
        EXPECT_EQ(sel.currentMesh, -1);
        EXPECT_TRUE(sel.nodes.empty());
    }
}

TEST_F(PickScene, StretchedSurfaceRescalesTheClick)
{
    // The window is half the surface: (90, 110) in the window is (180, 220) on the
    // surface, near the centre, where face 0 of mesh 0 is.
    PickRequest r;
    r.x = 90;
    r.y = 110;
    r.size = {200, 200, kSize, kSize, true};
    r.view = camera.view;
    r.projection = camera.projection;
    ASSERT_EQ(sel.Pick(model, modes, settings, r), PickResult::Selected);
    EXPECT_EQ(sel.currentMesh, 0);
    // Unstretched, the same window pixel lies far up and left: nothing there.
    sel.currentMesh = -1;
    r.size = {kSize, kSize, kSize, kSize, false};
    r.x = 30;
    r.y = 30;
    EXPECT_EQ(sel.Pick(model, modes, settings, r), PickResult::Missed);
}

TEST_F(PickScene, DamagedIndicesAreSkipped)
{
    // A node naming a mesh that does not exist, a face with two corners, a vertex node
    // whose vertex index is out of range, and current indices out of range.
    model.nodes[1]->mesh = 9;
    AddFace(*model.MeshAt(0), {{5, 5, 0}, {6, 6, 0}});
    orvtest::Place(model);
    EXPECT_FALSE(sel.RayCast(model, modes, {5.5f, 5.5f, -2}, {0, 0, 1}).hit);
    EXPECT_EQ(sel.RayCast(model, modes, {0.5f, 0.5f, -2.9f}, {0, 0, 1}).mesh, 0);

    sel.currentMesh = 0;
    sel.currentFace = 0;
    ASSERT_TRUE(sel.AddNode({-0.5f, -0.5f, 0}, 0, 0, 0, 50, 0.02f, 0.05f));
    EXPECT_EQ(ClickAt({-0.5f, -0.5f, 0}), PickResult::Selected);
    for (const auto& c : Face(0, 0).corners)
        EXPECT_FALSE(c.Selected());

    sel.currentFace = 99;
    EXPECT_EQ(sel.CurrentFace(model), nullptr);
    sel.RebuildNodes(model, modes, settings);
    EXPECT_TRUE(sel.nodes.empty());
    sel.currentMesh = -3;
    EXPECT_EQ(sel.CurrentMesh(model), nullptr);
    EXPECT_EQ(FaceVertex(Face(0, 0), 4), nullptr);
    EXPECT_EQ(FaceVertex(Face(0, 0), -1), nullptr);
}
