#include <gtest/gtest.h>

#include "document/document.h"
#include "edit/carve.h"
#include "edit/clipboard.h"
#include "model/corners.h"
#include "model/undo.h"
#include "model/validate.h"
#include "scene_builder.h"

using namespace orv;

namespace {

// A character as real models are laid out: a "$$dummy" root without a mesh, the body
// below it, the head and an arm below the body; the nodes do not stand in mesh order
// (node 1 places mesh 2), and the model has four geometry sets (levels of detail) whose
// meshes line up.
std::unique_ptr<CModel> Character(int sets = 4)
{
    auto model = std::make_unique<CModel>();
    model->formatTag = "JK1";
    for (int g = 0; g < sets; ++g) {
        auto set = std::make_unique<CGeometry>();
        for (int m = 0; m < 3; ++m) {
            auto mesh = std::make_unique<CMesh>();
            mesh->name = std::string("part") + char('0' + m);
            orvtest::AddCube(*mesh, 0.1f * static_cast<float>(m + 1) / static_cast<float>(g + 1));
            set->meshes.push_back(std::move(mesh));
        }
        model->geosets.push_back(std::move(set));
    }
    auto node = [&](const char* name, int32_t mesh, int32_t child, int32_t sibling) {
        auto n = std::make_unique<C3doNode>();
        n->name = name;
        n->mesh = mesh;
        n->child = child;
        n->sibling = sibling;
        model->nodes.push_back(std::move(n));
    };
    node("$$dummy", -1, 1, -1);
    node("body", 2, 2, -1);
    node("head", 0, -1, 3);
    node("arm", 1, -1, -1);
    model->RebuildHierarchy();
    // Lists and corners as a model read from a file has them.
    for (auto& set : model->geosets)
        for (auto& mesh : set->meshes)
            mesh->RebuildMeshLists();
    BuildFaceCorners(*model);
    return model;
}

struct Scene {
    Settings settings;
    COrvaneDoc doc{settings, {}};
    Selection selection;
    Clipboard clip;
    explicit Scene(std::unique_ptr<CModel> m) { doc.model = std::move(m); }
    // One square of half-size 0.5 around the origin, its normal -z, current.
    Scene() : Scene(std::make_unique<CModel>())
    {
        orvtest::AddSquare(orvtest::AddMesh(*doc.model), 0, 0, 0, 0.5f);
        selection.currentMesh = 0;
        selection.currentFace = 0;
    }
    CMesh& Mesh() { return *doc.model->geosets[0]->meshes[0]; }
    ViewContext Ctx() { return ViewContext{*doc.model, doc.modes, settings, &selection, nullptr}; }
    // The model as a project file holds it (lists rebuilt from the corners).
    std::vector<uint8_t> Bytes() { return TakeSnapshot(*doc.model, {})->data; }
    void ExpectValid()
    {
        for (auto& g : doc.model->geosets)
            for (auto& m : g->meshes)
                m->RebuildMeshLists();
        const auto faults = ValidateModel(*doc.model);
        EXPECT_TRUE(faults.empty()) << faults.front();
    }
    // Undo gives back exactly the model as it was before the command.
    void ExpectUndoRestores(const std::vector<uint8_t>& before)
    {
        ViewState view;
        ASSERT_TRUE(doc.Undo(view));
        EXPECT_EQ(Bytes(), before);
    }
};

}  // namespace

TEST(Clipboard, CopyCutAndPasteInEachMode)
{
    Scene s(Character(1));
    ViewContext c = s.Ctx();
    s.selection.currentMesh = 0;  // the head: no children
    s.selection.currentFace = 1;

    // A face: pasting it onto another face gives that face its attributes only.
    s.doc.model->geosets[0]->meshes[0]->faces[1]->type = 0x4;
    s.doc.model->geosets[0]->meshes[0]->faces[1]->extraLight = 0.5f;
    Copy(c, s.clip);
    ASSERT_TRUE(s.clip.face);
    s.selection.currentFace = 3;
    const Vec3 kept = s.doc.model->geosets[0]->meshes[0]->faces[3]->corners[0].Position();
    ASSERT_TRUE(Paste(s.doc, c, s.clip).changed);
    const CFace& pasted = *s.doc.model->geosets[0]->meshes[0]->faces[3];
    EXPECT_EQ(std::pair(pasted.type, pasted.extraLight), std::pair(0x4u, 0.5f));
    EXPECT_EQ(pasted.corners[0].Position(), kept);

    // A face group: cut takes the faces of the current face's name, paste brings them back.
    for (int f : {2, 4})
        s.doc.model->geosets[0]->meshes[0]->faces[static_cast<std::size_t>(f)]->name = "rim";
    s.doc.modes.faceMode = true;
    s.selection.currentFace = 2;
    const auto beforeCut = s.Bytes();
    ASSERT_TRUE(Cut(s.doc, c, s.clip).changed);
    EXPECT_EQ(s.doc.model->geosets[0]->meshes[0]->faces.size(), 4u);
    EXPECT_EQ(s.selection.currentFace, -1);
    s.ExpectValid();
    s.ExpectUndoRestores(beforeCut);
    ViewContext after = s.Ctx();  // Undo put a new model in place
    s.selection.currentFace = 0;
    ASSERT_TRUE(Paste(s.doc, after, s.clip).changed);
    EXPECT_EQ(s.doc.model->geosets[0]->meshes[0]->faces.size(), 8u);

    // A mesh: pasted as a new last sibling of the current mesh's node, "Mesh%d".
    s.doc.modes.faceMode = false;
    s.doc.modes.meshMode = true;
    Copy(after, s.clip);
    ASSERT_TRUE(s.clip.mesh);
    ASSERT_TRUE(Paste(s.doc, after, s.clip).changed);
    ASSERT_EQ(s.doc.model->geosets[0]->meshes.size(), 4u);
    EXPECT_EQ(s.doc.model->geosets[0]->meshes[3]->name, "Mesh3");
    EXPECT_EQ(s.selection.currentMesh, 3);
    const C3doNode& added = *s.doc.model->nodes.back();
    EXPECT_EQ(std::tuple(added.name, added.mesh, added.type, added.parent), std::tuple("Mesh3", 3, 1u, 1));
    EXPECT_EQ(s.doc.model->nodes[3]->sibling, 4);  // after the arm, the head's last sibling
    s.ExpectValid();
}

// The refusals: the copy stands and the model is as before (Undo then gives it back).
TEST(Clipboard, CutRefusesAMeshWithChildrenAndTheOnlyGeometrySet)
{
    Scene s(Character(1));
    ViewContext c = s.Ctx();
    s.doc.modes.meshMode = true;
    s.selection.currentMesh = 2;  // the body, whose node has the head and arm below it
    const auto before = s.Bytes();
    const EditOutcome refused = Cut(s.doc, c, s.clip);
    EXPECT_FALSE(refused.changed);
    EXPECT_EQ(refused.message, "Cannot delete current mesh, since this contains a child mesh.");
    EXPECT_TRUE(s.clip.mesh);
    EXPECT_EQ(s.Bytes(), before);

    s.doc.modes.meshMode = false;
    s.selection.currentMesh = -1;
    const EditOutcome only = Cut(s.doc, c, s.clip);
    EXPECT_EQ(only.message, "Cannot delete current geometry set, since this is the only one.");
    EXPECT_TRUE(s.clip.Empty());  // nothing is copied then, so Paste stays off
    EXPECT_FALSE(CanPaste(c, s.clip));
}

// Deleting mesh k keeps every geometry set and the hierarchy consistent: mesh k goes from
// each set, the node placing it goes, mesh indices above k move down, the root without a
// mesh stays so, and the links are made whole again.
TEST(Clipboard, DeletingAMeshKeepsEverySetAndTheHierarchyConsistent)
{
    Scene s(Character(4));
    ViewContext c = s.Ctx();
    s.doc.modes.meshMode = true;
    s.selection.currentMesh = 0;  // the head, placed by node 2, the body's first child
    ASSERT_TRUE(Cut(s.doc, c, s.clip).changed);
    for (const auto& set : s.doc.model->geosets) {
        ASSERT_EQ(set->meshes.size(), 2u);
        EXPECT_EQ(set->meshes[0]->name, "part1");
    }
    const auto& nodes = s.doc.model->nodes;
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[0]->mesh, -1);
    EXPECT_EQ(std::tuple(nodes[1]->name, nodes[1]->mesh, nodes[1]->child), std::tuple("body", 1, 2));
    EXPECT_EQ(std::tuple(nodes[2]->name, nodes[2]->mesh, nodes[2]->parent), std::tuple("arm", 0, 1));
    EXPECT_EQ(nodes[1]->numChildren, 1);
    s.ExpectValid();
}

TEST(Clipboard, AddGeometryMeshAndFace)
{
    Scene s(Character(1));
    ViewContext c = s.Ctx();
    s.doc.model->materials = {"wall.mat"};
    s.selection.currentMesh = 0;
    s.selection.currentFace = 0;
    ASSERT_TRUE(AddMesh(s.doc, c).changed);
    ASSERT_TRUE(AddMesh(s.doc, c).changed);
    const auto& meshes = s.doc.model->geosets[0]->meshes;
    EXPECT_EQ(meshes[3]->name, "Mesh3");
    EXPECT_EQ(meshes[4]->name, "Mesh4");
    EXPECT_EQ(meshes[4]->faces.size(), 2u + 4u);  // the four-sided cylinder
    EXPECT_EQ(meshes[4]->faces[0]->material, 0);
    // The first new node hangs below the mesh that was current; the second (current mesh
    // 3 has no children) below that one.
    EXPECT_EQ(s.doc.model->nodes[4]->parent, 2);
    EXPECT_EQ(s.doc.model->nodes[5]->parent, 4);
    s.ExpectValid();

    s.selection.currentMesh = 0;
    s.selection.currentFace = 0;
    ASSERT_TRUE(AddFace(s.doc, c).changed);
    EXPECT_EQ(s.selection.currentFace, 6);
    ASSERT_TRUE(AddGeometry(s.doc, c).changed);
    EXPECT_EQ(s.doc.model->geosets.size(), 2u);
    EXPECT_EQ(s.doc.model->currentGeoset, 1);
    EXPECT_EQ(s.selection.currentMesh, -1);
    s.ExpectValid();
    EXPECT_EQ(s.doc.history.UndoList().size(), 4u);
}

// Carving a cube through its mid-plane leaves half of it closed by a four-cornered cap;
// clicking the nodes the other way round keeps the other half.
TEST(Carve, HalfACubeWithItsCap)
{
    for (const bool reversed : {false, true}) {
        Scene s(Character(1));
        ViewContext c = s.Ctx();
        s.doc.modes.meshMode = true;
        s.doc.modes.grid = true;
        s.selection.currentMesh = 0;
        const float h = 0.1f;
        std::vector<Vec3> nodes = {{0, -h, -h}, {0, h, -h}, {0, h, h}};
        if (reversed)
            std::reverse(nodes.begin(), nodes.end());
        s.selection.selectedPositions = nodes;
        ASSERT_EQ(CarveMesh(c), "");
        const CMesh& m = *s.doc.model->geosets[0]->meshes[0];
        ASSERT_EQ(m.faces.size(), 6u);
        EXPECT_EQ(m.faces.back()->corners.size(), 4u);
        for (const auto& f : m.faces)
            for (const auto& corner : f->corners)
                EXPECT_TRUE(reversed ? corner.x >= -1e-6f : corner.x <= 1e-6f) << corner.x;
        // The cap closes the cut: it lies on the plane and faces the side that went.
        EXPECT_NEAR(std::fabs(m.faces.back()->normal.x), 1.0f, 1e-5f);
        EXPECT_GT(m.faces.back()->normal.x * (reversed ? -1.0f : 1.0f), 0.0f);
        s.ExpectValid();
    }
}

TEST(Carve, RefusesNodesOnALineOrOnOneFace)
{
    Scene s(Character(1));
    ViewContext c = s.Ctx();
    s.doc.modes.meshMode = true;
    s.doc.modes.grid = true;
    s.selection.currentMesh = 0;
    s.selection.selectedPositions = {{-0.05f, 0, -0.1f}, {0, 0, -0.1f}, {0, 0.05f, -0.1f}};
    EXPECT_EQ(CarveMesh(c), "Cannot carve mesh. You must select 3 grid nodes not on the same face.");
    s.selection.selectedPositions = {{0, -0.05f, 0}, {0, 0, 0}, {0, 0.05f, 0}};
    EXPECT_EQ(CarveMesh(c), "Cannot carve mesh. You must select 3 grid nodes not on a line.");
    EXPECT_EQ(s.doc.model->geosets[0]->meshes[0]->faces.size(), 6u);
    // Nodes a small grid step apart at a right angle are not on a line: the plane x = 0
    // carves, however small the model.
    s.selection.selectedPositions = {{0, -0.01f, -0.01f}, {0, 0.01f, -0.01f}, {0, 0.01f, 0.01f}};
    EXPECT_EQ(CarveMesh(c), "");
    for (const auto& f : s.doc.model->geosets[0]->meshes[0]->faces)
        for (const auto& corner : f->corners)
            EXPECT_LE(corner.x, 1e-6f);
}

TEST(Extrude, ASquareBecomesAPrism)
{
    Scene s;
    ViewContext c = s.Ctx();
    ExtrudeFace(c, {.depth1 = 0.1f});
    const CMesh& m = s.Mesh();
    ASSERT_EQ(m.faces.size(), 5u);
    for (const auto& corner : m.faces[0]->corners)
        EXPECT_NEAR(corner.z, 0.1f, 1e-6f);  // moved by the depth against its normal
    // The side faces face outward from the prism's axis.
    for (std::size_t i = 1; i < 5; ++i) {
        const CFace& side = *m.faces[i];
        EXPECT_EQ(side.corners.size(), 4u);
        const Vec3 centre = side.Centroid();
        EXPECT_GT(Dot(side.normal, Vec3(centre.x, centre.y, 0)), 0.0f) << i;
    }
    s.ExpectValid();
}

TEST(Extrude, ChosenDepthsAndAnIndentLargerThanAVertexsDistance)
{
    EXPECT_EQ(CheckExtrudeParams({.firstVertex = 0, .secondVertex = 1, .thirdVertex = 1}, 4),
              "You must select three different vertices.");
    Scene s;
    ViewContext c = s.Ctx();
    ExtrudeFace(
        c, {.firstVertex = 0, .secondVertex = 1, .thirdVertex = 2, .depth1 = 0.1f, .depth2 = 0.2f, .depth3 = 0.3f});
    const CFace& top = *s.Mesh().faces[0];
    for (const auto& [k, depth] : {std::pair{0, 0.1f}, {1, 0.2f}, {2, 0.3f}, {3, 0.2f}})  // 3: on their plane
        EXPECT_NEAR(FaceVertex(top, k)->z, depth, 1e-5f) << k;

    // Every corner lies 0.707 from the centre: an indent of 1 leaves them where they are.
    for (const auto& [indent, x] : {std::pair{1.0f, 0.5f}, {0.2f, 0.5f - 0.2f / std::sqrt(2.0f)}}) {
        Scene t;
        ViewContext tc = t.Ctx();
        ExtrudeFace(tc, {.indent = indent});
        EXPECT_NEAR(std::fabs(t.Mesh().faces[0]->corners[0].x), x, 1e-5f) << indent;
    }
}

// Every structural command, then Undo: the model is byte for byte what it was.
TEST(Clipboard, EveryCommandIsUndoneExactly)
{
    struct Case {
        const char* name;
        bool meshMode, faceMode;
        int32_t mesh, face;
        std::function<bool(Scene&, ViewContext&)> run;
    };
    const std::vector<Case> cases = {
        {"cut face", false, false, 0, 1, [](Scene& s, ViewContext& c) { return Cut(s.doc, c, s.clip).changed; }},
        {"cut mesh", true, false, 1, -1, [](Scene& s, ViewContext& c) { return Cut(s.doc, c, s.clip).changed; }},
        {"paste mesh", true, false, 1, -1,
         [](Scene& s, ViewContext& c) {
             Copy(c, s.clip);
             return Paste(s.doc, c, s.clip).changed;
         }},
        {"paste onto face", false, false, 0, 2,
         [](Scene& s, ViewContext& c) {
             Copy(c, s.clip);
             s.clip.face->type = 0x5;  // as if copied from a face of other flags
             c.selection->currentFace = 3;
             return Paste(s.doc, c, s.clip).changed;
         }},
        {"add geometry", false, false, -1, -1, [](Scene& s, ViewContext& c) { return AddGeometry(s.doc, c).changed; }},
        {"add mesh", false, false, 1, 0, [](Scene& s, ViewContext& c) { return AddMesh(s.doc, c).changed; }},
        {"add face", false, false, 1, 0, [](Scene& s, ViewContext& c) { return AddFace(s.doc, c).changed; }},
        {"extrude", false, false, 1, 2,
         [](Scene& s, ViewContext& c) {
             s.doc.TakeSnapshot();
             ExtrudeFace(c, {});
             return true;
         }},
        {"carve", true, false, 2, -1,
         [](Scene& s, ViewContext& c) {
             s.doc.modes.grid = true;
             c.selection->selectedPositions = {{0, -0.3f, -0.3f}, {0, 0.3f, -0.3f}, {0, 0.3f, 0.3f}};
             s.doc.TakeSnapshot();
             return CarveMesh(c).empty();
         }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Scene s(Character(2));
        s.doc.modes.meshMode = k.meshMode;
        s.doc.modes.faceMode = k.faceMode;
        s.selection.currentMesh = k.mesh;
        s.selection.currentFace = k.face;
        const auto before = s.Bytes();
        ViewContext c = s.Ctx();
        ASSERT_TRUE(k.run(s, c));
        EXPECT_NE(s.Bytes(), before);
        s.ExpectValid();
        s.ExpectUndoRestores(before);
    }
}
