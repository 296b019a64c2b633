#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

#include "document/document.h"
#include "edit/selection.h"
#include "support/files.h"
#include "support/model_builder.h"

using namespace orv;
using orvtest::AddFace;
using orvtest::AddSquare;

namespace {

constexpr int kSize = 400;
constexpr Modifiers kCtrl{false, true, false};

// Mesh 0: two 2 × 2 squares at z = 0 sharing the edge x = 1; mesh 1 a small square in front.
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

    PickRequest Request(int x, int y, Modifiers mods = {}, ViewSize size = {kSize, kSize, kSize, kSize, false}) const
    {
        return {.x = x, .y = y, .size = size, .view = camera.view, .projection = camera.projection, .mods = mods};
    }
    PickRequest RequestAt(const Vec3& p, Modifiers mods = {}) const
    {
        const auto [x, y] = orvtest::ToPixel(camera, p, kSize, kSize);
        return Request(x, y, mods);
    }
    PickResult ClickAt(const Vec3& p, Modifiers mods = {})
    {
        return sel.Pick(model, modes, settings, RequestAt(p, mods));
    }
    PickResult ClickPixel(int x, int y, ViewSize size = {kSize, kSize, kSize, kSize, false})
    {
        return sel.Pick(model, modes, settings, Request(x, y, {}, size));
    }

    RayHit Cast(const Vec3& from, float reach = 100.0f) const
    {
        return sel.RayCast(model, modes, from, {0, 0, 1}, reach);
    }

    CFace& Face(int mesh, int face) { return model.MeshAt(mesh)->faces[static_cast<std::size_t>(face)]; }

    // The grid of a face (or, in mesh mode, of the mesh) at spacing 0.5.
    const std::vector<NodeMarker>& Grid(int mesh, int face)
    {
        sel.currentMesh = mesh;
        sel.currentFace = face;
        settings.grid = 0.5f;
        modes.grid = true;
        sel.RebuildNodes(model, modes, settings);
        return sel.nodes;
    }
};

}  // namespace

TEST_F(PickScene, NearestFrontFaceWithinReach)
{
    RayHit hit = Cast({1.5f, 0.5f, -2.9f});
    ASSERT_TRUE(hit.hit);
    EXPECT_EQ(std::pair(hit.mesh, hit.normal), std::pair(1, Face(1, 0).normal));  // in front of face 1 of mesh 0
    EXPECT_NEAR(hit.point.z, -1.0f, 1e-5f);
    EXPECT_FALSE(Cast({-0.5f, -0.5f, -100.01f}).hit);
    EXPECT_TRUE(Cast({-0.5f, -0.5f, -99.99f}).hit);
    EXPECT_FALSE(Cast({-0.5f, -0.5f, -2.9f}, 2.8f).hit);
}

// Each click and what it left, against the recorded log: the result, the current mesh,
// face and node, every node marker (l linked, u unlinked, s selected, g grid) and the
// marked corners of mesh 0.
TEST_F(PickScene, ClicksAndWhatTheyLeave)
{
    const uint32_t link = ToDeviceColor(settings.colorLink), unlink = ToDeviceColor(settings.colorUnlink),
                   select = ToDeviceColor(settings.colorSelect), grid = ToDeviceColor(settings.colorGrid);
    const char* const said[] = {"ignored", "missed", "grid node", "selected"};  // in PickResult's order
    std::string log;
    auto note = [&](const char* what, PickResult r) {
        char line[160];
        std::snprintf(line, sizeof line, "%s: %s, mesh %d face %d node %d, nodes", what, said[static_cast<int>(r)],
                      sel.currentMesh, sel.currentFace, sel.currentNode);
        log += line;
        for (const NodeMarker& n : sel.nodes) {
            std::snprintf(line, sizeof line, " (%g %g %g v%d %c)", n.position.x, n.position.y, n.position.z, n.vertex,
                          n.color == link     ? 'l'
                          : n.color == unlink ? 'u'
                          : n.color == select ? 's'
                          : n.color == grid   ? 'g'
                                              : '?');
            log += line;
        }
        log += ", marked";
        const auto& faces = model.MeshAt(0)->faces;
        for (std::size_t f = 0; f < faces.size(); ++f)
            for (std::size_t k = 0; k < faces[f].corners.size(); ++k)
                if (faces[f].corners[k].Selected())
                    log += " face " + std::to_string(f) + " corner " + std::to_string(k);
        log += "\n";
    };
    // A click reaches as far as the view draws: to the far plane of a large model.
    camera = orvtest::CameraAt({0, 0, -300}, true, kSize, kSize);
    camera.SetDepthRange({5.0f, 500.0f});
    note("from afar, face 0", ClickAt({-0.5f, -0.5f, 0}));
    camera = orvtest::CameraAt({0, 0, -3}, true, kSize, kSize);
    note("face 0", ClickAt({-0.5f, -0.5f, 0}));
    // Selected wins over linked; the mark sits on the corner drawn at that place.
    note("the vertex at (1, 1), shared with face 1", ClickAt({1, 1, 0}));
    note("the vertex at (-1, -1)", ClickAt({-1, -1, 0}));
    note("Ctrl, the vertex at (-1, 1)", ClickAt({-1, 1, 0}, kCtrl));
    note("the empty corner of the view", ClickPixel(3, 3));
    for (const ViewKind kind : {ViewKind::Rotating, ViewKind::Animating}) {
        modes.viewKind = kind;
        note(kind == ViewKind::Rotating ? "rotating view" : "animating view", ClickAt({2, 0, 0}));
    }
    modes.viewKind = ViewKind::Front;
    note("face 0 again", ClickAt({-0.5f, -0.5f, 0}));

    // Render modes 3 and 4 keep the current mesh: the mesh not drawn cannot be hit.
    const Vec3 overlap{1.5f, 0.5f, -1.0f};
    note("mesh 1 in front of face 1", ClickAt(overlap));
    modes.renderMode = RenderMode::Mesh;
    sel.currentMesh = 0;
    note("mode 3, mesh 0 current, there again", ClickAt(overlap));
    modes.renderMode = RenderMode::MeshWireframe;
    sel.currentMesh = 1;
    sel.currentFace = -1;
    note("mode 4, mesh 1 current, mesh 0 alone", ClickAt({-0.5f, -0.5f, 0}));
    note("mode 4, mesh 1", ClickAt(overlap));
    // Even a marker standing for another mesh only sets the current face and node.
    modes.grid = true;
    sel.nodes.clear();
    ASSERT_TRUE(sel.AddNode({-0.5f, -0.5f, -0.5f}, settings.colorGrid, 0, 1, -1, 0.02f, 0.05f));
    note("mode 4, a grid node of mesh 0", ClickAt({-0.5f, -0.5f, -0.5f}));

    // Only the front side is picked.
    modes.grid = false;
    modes.renderMode = RenderMode::All;
    camera = orvtest::CameraAt({0, 0, 3}, false, kSize, kSize);
    note("face 0 from behind", ClickAt({-0.5f, -0.5f, 0}));
    orvtest::ExpectSameAsFixture("expected", "selection_clicks.txt", log);
}

// An undo used to take a click's vertex mark back with the change that followed it.
TEST_F(PickScene, AClickMakesNoStepAndTheNextStepKeepsItsMark)
{
    COrvaneDoc doc(settings, {});
    doc.model = std::make_unique<CModel>(model);
    EditContext c(doc, settings, &sel, &camera);
    auto click = [&](const Vec3& p) { return doc.Run(c, PickAt, RequestAt(p)).effects; };
    auto changeMesh1 = [&] {
        return doc.Run(c, [](EditContext& e) {
            e.model().MeshAt(1)->faces[0].corners[0].x += 0.01f;
            EditOutcome o = EditOutcome::Changed(kModelChanged);
            o.faces = MeshScope::OneMesh(0, 1);
            return o;
        });
    };
    auto marked = [&] {
        return std::count_if(doc.model->MeshAt(0)->faces[0].corners.begin(),
                             doc.model->MeshAt(0)->faces[0].corners.end(),
                             [](const VertexRecord& v) { return v.Selected(); });
    };
    EXPECT_EQ(click({-0.5f, -0.5f, 0}), kViewStateChanged | kSelectionChanged);
    ASSERT_TRUE(changeMesh1().changed);
    EXPECT_EQ(click({-1, -1, 0}), kViewStateChanged | kSelectionChanged);  // a vertex node
    ASSERT_EQ(marked(), 1);
    ASSERT_TRUE(changeMesh1().changed);
    EXPECT_EQ(doc.history.UndoList().size(), 2u);
    ViewState view;
    ASSERT_TRUE(doc.Undo(view));
    EXPECT_EQ(marked(), 1);
}

TEST_F(PickScene, GridNodeBehindAFaceWinsWithTheGridOn)
{
    ASSERT_TRUE(sel.AddNode({-0.5f, -0.5f, 0.5f}, settings.colorGrid, 0, -1, -1, 0.02f, 0.02f));
    RayHit hit = Cast({-0.5f, -0.5f, -2.95f});
    EXPECT_EQ(std::pair(hit.node, hit.face), std::pair(-1, 0));  // grid off: the face hides it
    modes.grid = true;
    hit = Cast({-0.5f, -0.5f, -2.95f});
    EXPECT_EQ(std::tuple(hit.node, hit.mesh, hit.face), std::tuple(0, 0, -1));
    EXPECT_NEAR(hit.point.z, 0.48f, 1e-5f);  // its front side
    EXPECT_NEAR(hit.normal.z, -1.0f, 1e-5f);
}

TEST_F(PickScene, HalfSpacingRule)
{
    const float g = 0.01f;
    EXPECT_TRUE(sel.AddNode({0, 0, 0}, 0x0000FF, 0, 0, 1, g, 0.5f));
    EXPECT_FALSE(sel.AddNode({0.004f, 0, 0}, 0, 0, 0, 2, g, 0.5f));  // closer than g/2: the first stays
    EXPECT_TRUE(sel.AddNode({0.006f, 0, 0}, 0, 0, 0, 3, g, 0.5f));
    EXPECT_FALSE(sel.AddNode({0.00004f, 0, 0}, 0, 0, 0, 4, g, 0.5f));  // rounds onto it
    // Rounded to 1/10000 and sorted in between by x.
    EXPECT_TRUE(sel.AddNode({0.00016f, 5, 0}, 0, 0, 0, 5, g, 0.5f));
    EXPECT_FALSE(sel.AddNode({0.0001f, 0.001f, 0}, 0, 0, 0, 6, g, 0.5f));  // its left neighbour is close
    // Only the neighbours in the sorted list count: (0,0,0) is close but not adjacent.
    EXPECT_TRUE(sel.AddNode({0.0003f, 0, 0}, 0, 0, 0, 7, g, 0.5f));
    EXPECT_FALSE(sel.AddNode({NAN, 0, 0}, 0, 0, 0, 8, g, 0.5f));
    EXPECT_FALSE(sel.AddNode({-0.003f, 0, 0}, 0, 0, 0, 9, g, 0.5f));  // its right neighbour is close

    std::vector<Vec3> kept;
    for (const auto& n : sel.nodes)
        kept.push_back(n.position);
    EXPECT_EQ(kept, (std::vector<Vec3>{{0, 0, 0}, {0.0002f, 5, 0}, {0.0003f, 0, 0}, {0.006f, 0, 0}}));
    EXPECT_EQ(sel.nodes[0].vertex, 1);
    EXPECT_EQ(sel.nodes[0].color, 0xFFFF0000u);  // red as a device colour
}

// Each grid as text, against the recorded one. A face's 2-unit edges are cut into
// trunc((2 + 0.5) / 0.5) = 5 pieces and the inside carries the 0.5 lattice lifted onto the
// face; the scale exponent scales spacing and markers. A triangle's grid stops at its long
// edge; a face across the x axis is laid out on y and z. A mesh's lattice fills its box
// widened by a quarter on every side; face only, it is the faces' grids marked with the
// current face.
TEST_F(PickScene, GridsOfFacesAndMeshes)
{
    CMesh& mesh = orvtest::AddMesh(model);
    AddFace(mesh, {{-1, -1, 0}, {-1, 1, 0}, {1, -1, 0}});
    AddFace(mesh, {{0, -1, -1}, {0, -1, 1}, {0, 1, 1}, {0, 1, -1}});  // in the plane x = 0
    // A damaged face spanning 1e30 units can neither hang the rebuild nor fill memory.
    AddFace(mesh, {{-1e30f, -1e30f, 0}, {-1e30f, 1e30f, 0}, {1e30f, 1e30f, 0}, {1e30f, -1e30f, 0}});
    orvtest::AddCube(orvtest::AddMesh(model), 0.5f);  // around the origin: the box is -0.5..0.5
    orvtest::Place(model);
    std::string text;
    auto print = [&text, this](const char* what) {
        text += std::string(what) + ":\n";
        for (const NodeMarker& n : sel.nodes) {
            char line[128];
            std::snprintf(line, sizeof line, "  %.4f %.4f %.4f  mesh %d face %d vertex %d  half %.4f  %08x\n",
                          n.position.x, n.position.y, n.position.z, n.mesh, n.face, n.vertex, n.halfSize, n.color);
            text += line;
        }
    };
    Grid(0, 0);
    print("a square");
    modes.gridEdgesOnly = true;
    sel.RebuildNodes(model, modes, settings);
    print("its edges");
    modes.gridEdgesOnly = false;
    modes.scaleExponent = -1;
    sel.RebuildNodes(model, modes, settings);
    print("at scale exponent -1");
    modes.scaleExponent = 0;
    Grid(2, 0);
    print("a triangle");
    Grid(2, 1);
    print("a face in the plane x = 0");
    EXPECT_LE(Grid(2, 2).size(), Selection::kMaxNodes);
    modes.meshMode = true;
    modes.gridFaceOnly = false;
    Grid(3, 2);
    print("a cube's lattice");
    modes.gridFaceOnly = true;
    Grid(3, 2);
    print("a cube's faces");
    orvtest::ExpectSameAsFixture("expected", "selection_grids.txt", text);
}

TEST_F(PickScene, TextureDragFollowsTheMouse)
{
    sel.currentMesh = 0;
    sel.currentFace = 0;
    CFace& f = Face(0, 0);
    for (auto& c : f.corners)
        c.u = c.v = 0.5f;
    EXPECT_FALSE(sel.TextureDrag(model, modes, true, 10, 10, {}, {}));  // not in texturing mode
    modes.texturingMode = true;
    EXPECT_TRUE(sel.TextureDrag(model, modes, true, 10, 10, {}, {}));  // takes the point
    EXPECT_TRUE(sel.TextureDrag(model, modes, true, 5, 10, {}, {}));
    EXPECT_FLOAT_EQ(f.corners[2].u, 0.5f - 5 * 0.2f * 0.01f);
    // Releasing the button forgets the point: the next drag starts without a jump. The
    // next move counts from the last one; Ctrl drags slowly.
    EXPECT_FALSE(sel.TextureDrag(model, modes, false, 100, 100, {}, {}));
    EXPECT_TRUE(sel.TextureDrag(model, modes, true, 300, 300, {}, {}));
    EXPECT_TRUE(sel.TextureDrag(model, modes, true, 300, 310, kCtrl, {}));
    EXPECT_TRUE(sel.TextureDrag(model, modes, true, 300, 323, kCtrl, {}));
    EXPECT_FLOAT_EQ(f.corners[1].v, 0.5f + 23 * 0.1f * 0.01f);
    EXPECT_FLOAT_EQ(f.corners[1].u, 0.49f);
    // The steps are texture units: a face on a 64 x 32 texture moves by as many texels.
    model.materials = {"wall.mat"};
    f.material = 0;
    const TextureSizeFn sizes = [](const std::string&) { return TextureSize{64, 32}; };
    EXPECT_FALSE(sel.TextureDrag(model, modes, false, 0, 0, {}, sizes));
    const float u = f.corners[1].u, v = f.corners[1].v;
    EXPECT_TRUE(sel.TextureDrag(model, modes, true, 300, 300, {}, sizes));
    EXPECT_TRUE(sel.TextureDrag(model, modes, true, 295, 310, {}, sizes));
    // (Units are rounded to five decimals, which the texels scale up.)
    EXPECT_NEAR(f.corners[1].u, u - 5 * 0.2f * 0.01f * 64, 64 * 1e-5f);
    EXPECT_NEAR(f.corners[1].v, v + 10 * 0.2f * 0.01f * 32, 32 * 1e-5f);
}

TEST_F(PickScene, DamagedIndicesAreSkipped)
{
    // A node naming a mesh that does not exist, a face with two corners, a vertex node
    // whose vertex index is out of range, and current indices out of range.
    model.nodes[1].mesh = 9;
    AddFace(*model.MeshAt(0), {{5, 5, 0}, {6, 6, 0}});
    orvtest::Place(model);
    EXPECT_FALSE(Cast({5.5f, 5.5f, -2}).hit);
    EXPECT_EQ(Cast({1.5f, 0.5f, -2.9f}).mesh, 0);  // mesh 1 in front is gone

    sel.currentMesh = 0;
    sel.currentFace = 0;
    ASSERT_TRUE(sel.AddNode({-0.5f, -0.5f, 0}, 0, 0, 0, 50, 0.02f, 0.05f));
    EXPECT_EQ(ClickAt({-0.5f, -0.5f, 0}), PickResult::Selected);
    for (const auto& c : Face(0, 0).corners)
        EXPECT_FALSE(c.Selected());

    sel.currentFace = 99;
    sel.RebuildNodes(model, modes, settings);
    EXPECT_TRUE(sel.nodes.empty());
    sel.currentMesh = -3;
    EXPECT_EQ(sel.CurrentMesh(model), nullptr);
    EXPECT_EQ(FaceVertex(Face(0, 0), 4), nullptr);
    EXPECT_EQ(ClickPixel(1, 1, {kSize, kSize, 0, kSize, false}), PickResult::Missed);  // no surface
}

// Inserting each face's nodes into the sorted list froze the editor on a real model.
TEST(Selection, AMeshGridOfManyFacesIsSortedAndSpaced)
{
    CModel model;
    CMesh& mesh = orvtest::AddMesh(model);
    // From the right to the left: every face's nodes come before those in the list.
    for (int i = 23; i >= 0; --i)
        for (int j = 23; j >= 0; --j)
            orvtest::AddSquare(mesh, static_cast<float>(i), static_cast<float>(j), 0, 0.5f);
    orvtest::Place(model);
    Settings settings;
    settings.grid = 0.02f;
    EditModes modes;
    modes.meshMode = modes.grid = true;
    Selection sel;
    sel.currentMesh = 0;
    sel.RebuildNodes(model, modes, settings);
    ASSERT_GT(sel.nodes.size(), 1'000'000u);
    for (std::size_t i = 1; i < sel.nodes.size(); ++i) {
        const Vec3 a = sel.nodes[i - 1].position, b = sel.nodes[i].position;
        ASSERT_TRUE(std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z)) << "out of order at " << i;
        ASSERT_GE(Length(b - a), 0.01f) << "closer than half a step at " << i;
    }
}
