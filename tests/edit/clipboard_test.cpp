#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <tuple>

#include "document/document.h"
#include "edit/carve.h"
#include "edit/clipboard.h"
#include "edit/materials.h"
#include "edit/properties.h"
#include "edit/selection.h"
#include "edit/texture_tool.h"
#include "edit/transform.h"
#include "formats/model3do.h"
#include "model/corners.h"
#include "model/validate.h"
#include "support/opened_sample.h"

using namespace orv;

namespace {

using orvtest::Character;

struct Scene : orvtest::ModelDoc {
    using ModelDoc::ModelDoc;
    // One square of half-size 0.5 around the origin, its normal -z, current.
    Scene() : ModelDoc(std::make_unique<CModel>())
    {
        orvtest::AddSquare(orvtest::AddMesh(*doc.model), 0, 0, 0, 0.5f);
        selection.currentMesh = 0;
        selection.currentFace = 0;
    }
    // A command as the table runs it: through the document, one undo step.
    EditOutcome Run(EditContext& c, EditOutcome (*op)(EditContext&)) { return doc.Run(c, op); }
    void ExpectValid()
    {
        for (auto& g : doc.model->geosets)
            for (auto& m : g.meshes)
                m.RebuildMeshLists();
        const auto faults = ValidateModel(*doc.model);
        EXPECT_TRUE(faults.empty()) << faults.front();
    }
};

}  // namespace

TEST(Clipboard, CopyCutAndPasteInEachMode)
{
    Scene s(Character(1));
    EditContext c = s.Ctx();
    s.selection.currentMesh = 0;  // the head: no children
    s.selection.currentFace = 1;

    // Pasted onto another face, a face gives its attributes only.
    s.doc.model->geosets[0].meshes[0].faces[1].type = 0x4;
    s.doc.model->geosets[0].meshes[0].faces[1].extraLight = 0.5f;
    Copy(c);
    s.selection.currentFace = 3;
    const Vec3 kept = s.doc.model->geosets[0].meshes[0].faces[3].corners[0].Position();
    ASSERT_TRUE(s.Run(c, Paste).changed);
    const CFace& pasted = s.doc.model->geosets[0].meshes[0].faces[3];
    EXPECT_EQ(std::pair(pasted.type, pasted.extraLight), std::pair(0x4u, 0.5f));
    EXPECT_EQ(pasted.corners[0].Position(), kept);

    // A face group: cut takes the faces of the current face's name, paste brings them back.
    for (int f : {2, 4})
        s.doc.model->geosets[0].meshes[0].faces[static_cast<std::size_t>(f)].name = "rim";
    s.doc.modes.faceMode = true;
    s.selection.currentFace = 2;
    ASSERT_TRUE(s.Run(c, Cut).changed);
    EXPECT_EQ(s.doc.model->geosets[0].meshes[0].faces.size(), 4u);
    s.selection.currentFace = 0;
    ASSERT_TRUE(s.Run(c, Paste).changed);
    EXPECT_EQ(s.doc.model->geosets[0].meshes[0].faces.size(), 6u);

    // A mesh: pasted as a new last sibling of the current mesh's node, "Mesh%d".
    s.doc.modes.faceMode = false;
    s.doc.modes.meshMode = true;
    Copy(c);
    ASSERT_TRUE(s.Run(c, Paste).changed);
    ASSERT_EQ(s.doc.model->geosets[0].meshes.size(), 4u);
    EXPECT_EQ(s.selection.currentMesh, 3);
    const C3doNode& added = s.doc.model->nodes.back();
    EXPECT_EQ(std::tuple(added.name, added.mesh, added.type, added.parent), std::tuple("Mesh3", 3, 1u, 1));
    EXPECT_EQ(s.doc.model->nodes[3].sibling, 4);  // after the arm, the head's last sibling
    s.ExpectValid();
}

// A face read from a 3DO file has no name: in face mode it is a group of its own.
TEST(FaceMode, AFaceReadFromA3doFileIsAGroupOfItsOwn)
{
    auto read = std::make_unique<CModel>();
    {
        auto built = Character(1);
        TextBuffer text(Format3do(*built, "character.3do"));
        ASSERT_TRUE(Read3do(*read, text).complete);
        BuildFaceCorners(*read);
    }
    Scene s(std::move(read));
    s.doc.modes.faceMode = true;
    s.selection.currentMesh = 0;
    s.selection.currentFace = 2;
    EditContext c = s.Ctx();
    CMesh& mesh = s.doc.model->geosets[0].meshes[0];
    EXPECT_EQ(s.selection.MarkedFaces(*s.doc.model, s.doc.modes), std::vector<std::size_t>{2});
    Copy(c);
    ASSERT_TRUE(s.clip.mesh);
    EXPECT_EQ(s.clip.mesh->faces.size(), 1u) << "Copy took more than the clicked face";
    auto cornersOfOthers = [&] {
        std::vector<Vec3> out;
        for (std::size_t i = 0; i < mesh.faces.size(); ++i)
            if (i != 2)
                for (const auto& corner : mesh.faces[i].corners)
                    out.push_back(corner.Position());
        return out;
    };
    const auto others = cornersOfOthers();
    ASSERT_TRUE(MoveSelection(c, {0, 0.01f}).changed);
    ASSERT_TRUE(RotateSelection(c, {0, 6.0f}).changed);
    EXPECT_EQ(cornersOfOthers(), others) << "a face-mode step moved faces beside the clicked one";

    EXPECT_EQ(RelayStoredTextures(mesh, &mesh.faces[2], true, false, [](const CFace&) { return TextureSize{}; }), 1);
    FaceFields fields = FaceFieldsOf(mesh.faces[2]);
    fields.name = "lid";
    ASSERT_TRUE(s.doc.Run(c, SetFaceFields, FaceEdit{0, 2, fields, /*renameGroup=*/true}).changed);
    for (std::size_t i = 0; i < s.Mesh().faces.size(); ++i)
        EXPECT_EQ(s.Mesh().faces[i].name, i == 2 ? "lid" : "") << "face " << i;
    s.Mesh().faces[2].name.clear();
    ASSERT_TRUE(s.Run(c, Cut).changed);
    EXPECT_EQ(s.Mesh().faces.size(), 5u) << "Cut removed more than the clicked face";
}

// The refusals: the copy stands and the model is as before (Undo then gives it back).
TEST(Clipboard, CutRefusesAMeshWithChildrenAndTheOnlyGeometrySet)
{
    Scene s(Character(1));
    EditContext c = s.Ctx();
    s.doc.modes.meshMode = true;
    s.selection.currentMesh = 2;  // the body, whose node has the head and arm below it
    const auto before = s.Bytes();
    EXPECT_EQ(s.Run(c, Cut).message, "Cannot delete current mesh, since this contains a child mesh.");
    EXPECT_TRUE(s.clip.mesh);
    EXPECT_EQ(s.Bytes(), before);

    s.doc.modes.meshMode = false;
    s.selection.currentMesh = -1;
    EXPECT_EQ(s.Run(c, Cut).message, "Cannot delete current geometry set, since this is the only one.");
    EXPECT_NE(WhyNotPaste(c), nullptr);  // nothing is copied then
}

// Mesh k goes from each set with its node; indices above k move down, links are mended.
TEST(Clipboard, DeletingAMeshKeepsEverySetAndTheHierarchyConsistent)
{
    Scene s(Character(4));
    EditContext c = s.Ctx();
    s.doc.modes.meshMode = true;
    s.selection.currentMesh = 0;  // the head, placed by node 2, the body's first child
    ASSERT_TRUE(s.Run(c, Cut).changed);
    for (const auto& set : s.doc.model->geosets) {
        ASSERT_EQ(set.meshes.size(), 2u);
        EXPECT_EQ(set.meshes[0].name, "part1");
    }
    const auto& nodes = s.doc.model->nodes;
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[0].mesh, -1);
    EXPECT_EQ(std::tuple(nodes[1].name, nodes[1].mesh, nodes[1].child), std::tuple("body", 1, 2));
    EXPECT_EQ(std::tuple(nodes[2].name, nodes[2].mesh, nodes[2].parent), std::tuple("arm", 0, 1));
    EXPECT_EQ(nodes[1].numChildren, 1);
}

// Set 0 holds a fourth mesh no node places: no node may come to place another mesh.
TEST(Clipboard, GeometrySetsOfDifferentMeshCountsStayConsistent)
{
    // What each node places in each set, by names.
    auto placements = [](const CModel& m) {
        std::map<std::string, std::vector<std::string>> out;
        for (const auto& n : m.nodes)
            for (const auto& g : m.geosets)
                out[n.name].push_back(n.mesh >= 0 && static_cast<std::size_t>(n.mesh) < g.meshes.size()
                                          ? g.meshes[static_cast<std::size_t>(n.mesh)].name
                                          : "");
        return out;
    };
    auto faceCounts = [](const CModel& m) {
        std::map<std::pair<std::size_t, std::string>, std::size_t> out;
        for (std::size_t g = 0; g < m.geosets.size(); ++g)
            for (const auto& mesh : m.geosets[g].meshes)
                out[{g, mesh.name}] = mesh.faces.size();
        return out;
    };
    struct Case {
        const char* name;
        int32_t set, mesh;
        std::function<EditOutcome(Scene&, EditContext&)> run;
        bool adds;
    };
    const auto add = [](Scene& s, EditContext& c) { return s.Run(c, AddMesh); };
    const auto cut = [](Scene& s, EditContext& c) {
        s.doc.modes.meshMode = true;
        return s.Run(c, Cut);
    };
    const std::vector<Case> cases = {
        {"add mesh in the larger set", 0, 0, add, true},
        {"add mesh in the smaller set", 1, 0, add, true},
        {"paste mesh in the smaller set", 1, 1,
         [](Scene& s, EditContext& c) {
             s.doc.modes.meshMode = true;
             Copy(c);
             return s.Run(c, Paste);
         },
         true},
        {"cut a mesh both sets have", 1, 1, cut, false},
        {"cut the larger set's own mesh", 0, 3, cut, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Scene s(Character(2));
        CMesh extra;
        extra.name = "extra";
        orvtest::AddCube(extra);
        extra.RebuildMeshLists();
        s.doc.model->geosets[0].meshes.push_back(std::move(extra));
        BuildFaceCorners(*s.doc.model);
        s.doc.model->currentGeoset = k.set;
        s.selection.currentMesh = k.mesh;
        s.selection.currentFace = 0;
        const auto placed = placements(*s.doc.model);
        const auto faces = faceCounts(*s.doc.model);
        const std::size_t nodes = s.doc.model->nodes.size();
        EditContext c = s.Ctx();
        ASSERT_TRUE(k.run(s, c).changed);

        const CModel& m = *s.doc.model;
        const auto now = placements(m);
        for (const auto& [node, meshes] : placed)
            EXPECT_TRUE(!now.count(node) || now.at(node) == meshes) << node << " places another mesh than before";
        for (const auto& [mesh, count] : faceCounts(m))
            EXPECT_TRUE(!faces.count(mesh) || count == faces.at(mesh)) << mesh.second << " got other faces";
        if (k.adds) {
            ASSERT_EQ(m.nodes.size(), nodes + 1);
            const auto& added = now.at(m.nodes.back().name);
            for (std::size_t g = 0; g < added.size(); ++g)
                EXPECT_FALSE(faces.count({g, added[g]})) << "the new node places an old mesh: " << added[g];
            EXPECT_EQ(s.selection.currentMesh, m.nodes.back().mesh);
        }
        s.ExpectValid();  // every node places a mesh of every set
    }
}

// The material list may have changed since Copy: Paste finds materials by name.
TEST(Clipboard, PasteFindsTheCopiedMaterialsByName)
{
    for (const auto& [faceMode, meshMode] : {std::pair{false, false}, {false, true}, {true, false}}) {
        SCOPED_TRACE(meshMode ? "mesh" : (faceMode ? "face group" : "onto a face"));
        Scene s(Character(1));
        s.doc.modes.faceMode = faceMode;
        s.doc.modes.meshMode = meshMode;
        s.doc.model->materials = {"a.mat", "b.mat"};
        for (auto& f : s.doc.model->geosets[0].meshes[0].faces)
            f.material = 1;
        s.selection.currentMesh = 0;
        s.selection.currentFace = 1;
        EditContext c = s.Ctx();
        Copy(c);
        ASSERT_TRUE(DeleteModelMaterial(*s.doc.model, 0));  // b.mat is now 0
        s.selection.currentFace = 3;
        // Face 3 has the copied face's material and attributes already.
        EXPECT_EQ(s.Run(c, Paste).changed, faceMode || meshMode);
        const CModel& m = *s.doc.model;
        EXPECT_EQ(m.materials, std::vector<std::string>{"b.mat"});
        const CMesh& pasted = m.geosets[0].meshes[meshMode ? 3 : 0];
        for (const auto& f : pasted.faces)
            EXPECT_EQ(f.material, 0) << "a pasted face names no material of the list";
    }

    // The name gone from the list altogether comes back at the end.
    Scene s(Character(1));
    CModel& m = *s.doc.model;
    m.materials = {"a.mat", "b.mat"};
    m.geosets[0].meshes[0].faces[1].material = 1;
    m.geosets[0].meshes[0].faces[2].material = 7;  // names nothing
    s.selection.currentMesh = 0;
    s.selection.currentFace = 1;
    EditContext c = s.Ctx();
    Copy(c);
    ASSERT_TRUE(DeleteModelMaterial(m, 1));
    s.selection.currentFace = 3;
    ASSERT_TRUE(s.Run(c, Paste).changed);
    EXPECT_EQ(m.materials, (std::vector<std::string>{"a.mat", "b.mat"}));
    EXPECT_EQ(m.geosets[0].meshes[0].faces[3].material, 1);
    // A face whose material named nothing when copied names nothing when pasted.
    s.selection.currentFace = 2;
    Copy(c);
    s.selection.currentFace = 4;
    s.Mesh().faces[4].material = 0;
    ASSERT_TRUE(s.Run(c, Paste).changed);
    EXPECT_EQ(s.doc.model->geosets[0].meshes[0].faces[4].material, -1);
}

TEST(Clipboard, AddGeometryMeshAndFace)
{
    Scene s(Character(1));
    EditContext c = s.Ctx();
    s.doc.model->materials = {"wall.mat"};
    s.selection.currentMesh = 0;
    s.selection.currentFace = 0;
    ASSERT_TRUE(s.Run(c, AddMesh).changed);
    ASSERT_TRUE(s.Run(c, AddMesh).changed);
    const auto& meshes = s.doc.model->geosets[0].meshes;
    EXPECT_EQ(meshes[3].name, "Mesh3");
    EXPECT_EQ(meshes[4].name, "Mesh4");
    EXPECT_EQ(meshes[4].faces.size(), 2u + 4u);  // the four-sided cylinder
    EXPECT_EQ(meshes[4].faces[0].material, 0);
    // The first new node hangs below the mesh that was current; the second (current mesh
    // 3 has no children) below that one.
    EXPECT_EQ(s.doc.model->nodes[4].parent, 2);
    EXPECT_EQ(s.doc.model->nodes[5].parent, 4);
    s.ExpectValid();

    s.selection.currentMesh = 0;
    s.selection.currentFace = 0;
    ASSERT_TRUE(s.Run(c, AddFace).changed);
    EXPECT_EQ(s.selection.currentFace, 6);
    ASSERT_TRUE(s.Run(c, AddGeometry).changed);
    EXPECT_EQ(s.doc.model->geosets.size(), 2u);
    EXPECT_EQ(s.doc.model->currentGeoset, 1);
    EXPECT_EQ(s.selection.currentMesh, -1);
    s.ExpectValid();
}

// The order of the clicked nodes chooses the half that stays.
TEST(Carve, HalfACubeWithItsCap)
{
    for (const bool reversed : {false, true}) {
        Scene s(Character(1));
        EditContext c = s.Ctx();
        s.doc.modes.meshMode = true;
        s.doc.modes.grid = true;
        s.selection.currentMesh = 0;
        const float h = 0.1f;
        std::vector<Vec3> nodes = {{0, -h, -h}, {0, h, -h}, {0, h, h}};
        if (reversed)
            std::reverse(nodes.begin(), nodes.end());
        s.selection.selectedPositions = nodes;
        ASSERT_TRUE(CarveMesh(c).changed);
        const CMesh& m = s.doc.model->geosets[0].meshes[0];
        ASSERT_EQ(m.faces.size(), 6u);
        for (const auto& f : m.faces)
            for (const auto& corner : f.corners)
                EXPECT_TRUE(reversed ? corner.x >= -1e-6f : corner.x <= 1e-6f) << corner.x;
        // The cap closes the cut: it lies on the plane and faces the side that went.
        EXPECT_NEAR(m.faces.back().normal.x * (reversed ? -1.0f : 1.0f), 1.0f, 1e-5f);
        s.ExpectValid();
    }
}

TEST(Carve, RefusesNodesOnALineOrOnOneFace)
{
    Scene s(Character(1));
    EditContext c = s.Ctx();
    s.doc.modes.meshMode = true;
    s.doc.modes.grid = true;
    s.selection.currentMesh = 0;
    s.selection.selectedPositions = {{-0.05f, 0, -0.1f}, {0, 0, -0.1f}, {0, 0.05f, -0.1f}};
    EXPECT_EQ(CarveMesh(c).message, "Cannot carve mesh. You must select 3 grid nodes not on the same face.");
    s.selection.selectedPositions = {{0, -0.05f, 0}, {0, 0, 0}, {0, 0.05f, 0}};
    EXPECT_EQ(CarveMesh(c).message, "Cannot carve mesh. You must select 3 grid nodes not on a line.");
    // Nodes a small grid step apart at a right angle are not on a line.
    s.selection.selectedPositions = {{0, -0.01f, -0.01f}, {0, 0.01f, -0.01f}, {0, 0.01f, 0.01f}};
    EXPECT_TRUE(CarveMesh(c).changed);
}

// A box whose top is a square within four trapezoids; sides take the trapezoids' texture.
TEST(Extrude, AClosedMeshStaysClosedWithEveryFaceOutwardEitherWay)
{
    for (const bool out : {false, true}) {
        SCOPED_TRACE(out ? "out of the mesh" : "into the mesh");
        Scene s(std::make_unique<CModel>());
        CMesh& m = orvtest::AddMesh(*s.doc.model);
        orvtest::AddCube(m);
        m.faces.erase(m.faces.begin() + 4);  // the top, y = 0.5: made of five faces instead
        const float h = 0.5f, q = 0.25f;
        auto outward = [&](std::initializer_list<Vec3> points) -> CFace& {
            CFace& f = orvtest::AddFace(m, points);
            if (Dot(f.normal, f.Centroid()) < 0) {
                std::reverse(f.corners.begin(), f.corners.end());
                f.ComputeFaceNormal();
            }
            return f;
        };
        for (const auto& [a, b] : {std::pair{Vec3{h, h, -h}, Vec3{h, h, h}},
                                   {Vec3{h, h, h}, Vec3{-h, h, h}},
                                   {Vec3{-h, h, h}, Vec3{-h, h, -h}},
                                   {Vec3{-h, h, -h}, Vec3{h, h, -h}}}) {
            auto inner = [&](const Vec3& p) { return Vec3{p.x * q / h, h, p.z * q / h}; };
            CFace& rim = outward({a, b, inner(b), inner(a)});
            rim.uScale = 2;
            rim.vScale = 3;
            for (auto& corner : rim.corners)
                std::tie(corner.u, corner.v) = std::pair(2 * corner.x, 3 * corner.z);
        }
        CFace& top = outward({{-q, h, -q}, {-q, h, q}, {q, h, q}, {q, h, -q}});
        top.uScale = top.vScale = 1;
        for (auto& corner : top.corners)
            corner.u = corner.v = 0.5f;
        ASSERT_NEAR(orvtest::SignedVolume(m), 1.0f, 1e-5f);

        s.selection.currentMesh = 0;
        s.selection.currentFace = static_cast<int32_t>(m.faces.size() - 1);
        EditContext c = s.Ctx();
        ASSERT_TRUE(ExtrudeFace(c, {.depth1 = 0.1f, .outward = out}).changed);
        ASSERT_EQ(m.faces.size(), 14u);

        for (const auto& corner : top.corners)
            EXPECT_NEAR(corner.y, out ? h + 0.1f : h - 0.1f, 1e-6f);
        const auto edges = orvtest::DirectedEdges(m, true);
        for (const auto& [edge, count] : edges) {
            EXPECT_EQ(count, 1) << "an edge is run twice the same way: a face is wound against its neighbours";
            EXPECT_TRUE(edges.count({edge.second, edge.first})) << "the mesh is not closed";
        }
        EXPECT_NEAR(orvtest::SignedVolume(m), 1.0f + (out ? 1 : -1) * 0.5f * 0.5f * 0.1f, 1e-5f)
            << "faces face into the solid";

        for (std::size_t i = m.faces.size() - 4; i < m.faces.size(); ++i) {
            const CFace& side = m.faces[i];
            EXPECT_EQ(std::pair(side.uScale, side.vScale), std::pair(2.0f, 3.0f)) << "side " << i;
            // The edge along the rim carries the rim's coordinates.
            for (const auto& corner : side.corners)
                if (std::fabs(corner.y - h) < 1e-6f) {
                    EXPECT_NEAR(corner.u, 2 * corner.x, 1e-5f) << "side " << i;
                    EXPECT_NEAR(corner.v, 3 * corner.z, 1e-5f) << "side " << i;
                }
        }
        s.ExpectValid();
    }
}

TEST(Extrude, ChosenDepthsAndAnIndentLargerThanAVertexsDistance)
{
    EXPECT_EQ(CheckExtrudeParams({.firstVertex = 0, .secondVertex = 1, .thirdVertex = 1}, 4),
              "You must select three different vertices.");
    // The square's normal is -z: into the mesh is +z, out of it -z.
    for (const float way : {1.0f, -1.0f}) {
        Scene s;
        EditContext c = s.Ctx();
        (void)ExtrudeFace(c, {.firstVertex = 0,
                              .secondVertex = 1,
                              .thirdVertex = 2,
                              .depth1 = 0.1f,
                              .depth2 = 0.2f,
                              .depth3 = 0.3f,
                              .outward = way < 0});
        const CFace& top = s.Mesh().faces[0];
        for (const auto& [k, depth] : {std::pair{0, 0.1f}, {1, 0.2f}, {2, 0.3f}, {3, 0.2f}})  // 3: on their plane
            EXPECT_NEAR(FaceVertex(top, k)->z, way * depth, 1e-5f) << k << (way < 0 ? " out" : " in");
    }
    // Turned towards the centre, the end face lies level with its deepest corner.
    Scene r;
    EditContext rc = r.Ctx();
    (void)ExtrudeFace(rc,
                      {.firstVertex = 0, .secondVertex = 1, .thirdVertex = 2, .depth3 = 0.3f, .rotatedEndFace = true});
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(FaceVertex(r.Mesh().faces[0], k)->z, 0.3f, 1e-5f) << k;

    // Every corner lies 0.707 from the centre: an indent of 1 leaves them where they are.
    for (const auto& [indent, x] : {std::pair{1.0f, 0.5f}, {0.2f, 0.5f - 0.2f / std::sqrt(2.0f)}}) {
        Scene t;
        EditContext tc = t.Ctx();
        ASSERT_TRUE(ExtrudeFace(tc, {.indent = indent}).changed);
        EXPECT_NEAR(std::fabs(t.Mesh().faces[0].corners[0].x), x, 1e-5f) << indent;
    }
}

// The side along the shared edge x = 0 carries the neighbour's texture (u = 2x + 1, v = 3y
// in units) on as if folded flat, in the texels of its own 64 x 64 picture.
TEST(Extrude, ASideContinuesItsNeighboursTextureOverTheFold)
{
    const TextureSizeFn sizes = [](const std::string& material) -> std::optional<TextureSize> {
        if (material == "face.mat")
            return TextureSize{64, 64};
        if (material == "wall.mat")
            return TextureSize{32, 16};
        return std::nullopt;
    };
    Scene s(std::make_unique<CModel>(), sizes);
    s.doc.model->materials = {"face.mat", "wall.mat"};
    CMesh& m = orvtest::AddMesh(*s.doc.model);
    CFace& face = orvtest::AddSquare(m, 0.5f, 0.5f, 0, 0.5f);
    face.material = 0;
    for (auto& corner : face.corners)
        corner.u = corner.v = 7;  // the square's own coordinates, which no side must show
    CFace& wall = orvtest::AddSquare(m, -0.5f, 0.5f, 0, 0.5f);
    wall.material = 1;
    wall.uScale = 2;
    wall.vScale = 3;
    for (auto& corner : wall.corners)
        std::tie(corner.u, corner.v) = std::pair((2 * corner.x + 1) * 32, 3 * corner.y * 16);
    s.selection.currentMesh = 0;
    s.selection.currentFace = 0;
    EditContext c = s.Ctx();
    ASSERT_TRUE(ExtrudeFace(c, {.depth1 = 0.1f}).changed);
    ASSERT_EQ(m.faces.size(), 6u);

    const CFace* side = nullptr;
    for (std::size_t i = 2; i < m.faces.size(); ++i)
        if (std::all_of(m.faces[i].corners.begin(), m.faces[i].corners.end(),
                        [](const VertexRecord& r) { return std::fabs(r.x) < 1e-6f; }))
            side = &m.faces[i];
    ASSERT_NE(side, nullptr) << "no side along the shared edge";
    for (const auto& corner : side->corners) {
        const float x = corner.z;  // flat beyond the edge: the depth becomes x
        EXPECT_NEAR(corner.u, (2 * x + 1) * 64, 1e-3f) << "corner at y " << corner.y << ", z " << corner.z;
        EXPECT_NEAR(corner.v, 3 * corner.y * 64, 1e-3f) << "corner at y " << corner.y << ", z " << corner.z;
    }
    EXPECT_EQ(std::pair(side->uScale, side->vScale), std::pair(2.0f, 3.0f)) << "the neighbour's tool scales";
}

// Turned by t: u = x cos t - y sin t, v = x sin t + y cos t on the neighbour too. The
// stored angle is counted as the tool always has: the diagonals turn by a quadrant or mirror.
TEST(Clipboard, PasteOntoAFaceContinuesATurnedTexture)
{
    const std::vector<Vec3> copied = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const std::vector<Vec3> target = {{1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}};
    auto through = [](CMesh& m, const std::vector<Vec3>& v) -> CFace& {
        return orvtest::AddFace(m, {v[3], v[2], v[1], v[0]});  // vertex k at v[k]
    };
    for (const auto& [turn, stored] : {std::pair{90.0f, 0.0f},
                                       {180.0f, 180.0f},
                                       {45.0f, 135.0f},
                                       {135.0f, 225.0f},
                                       {225.0f, 315.0f},
                                       {315.0f, 45.0f}}) {
        SCOPED_TRACE("turned by " + std::to_string(turn));
        Scene s(std::make_unique<CModel>(), [](const std::string&) { return TextureSize{64, 32}; });
        s.doc.model->materials = {"wall.mat"};
        CMesh& m = orvtest::AddMesh(*s.doc.model);
        CFace& from = through(m, copied);
        from.material = 0;
        TextureLayout layout;
        layout.angle = turn;
        layout.uScale = layout.vScale = 1;
        ASSERT_TRUE(ApplyTextureLayout(from, layout, {64, 32}));
        through(m, target).material = 0;
        s.selection.currentMesh = 0;
        s.selection.currentFace = 0;
        EditContext c = s.Ctx();
        Copy(c);
        s.selection.currentFace = 1;
        ASSERT_TRUE(Paste(c).changed);

        const CFace& onto = m.faces[1];
        const float t = turn * 3.1415927f / 180.0f;
        for (int k = 0; k < 4; ++k) {
            const Vec3& p = target[static_cast<std::size_t>(k)];
            EXPECT_NEAR(FaceVertex(onto, k)->u, (p.x * std::cos(t) - p.y * std::sin(t)) * 64, 1e-3f) << "vertex " << k;
            EXPECT_NEAR(FaceVertex(onto, k)->v, (p.x * std::sin(t) + p.y * std::cos(t)) * 32, 1e-3f) << "vertex " << k;
        }
        EXPECT_EQ(onto.startVertex, 0);
        EXPECT_NEAR(onto.uOffset, std::cos(t), 1e-4f) << "offsets in units";
        EXPECT_NEAR(onto.vOffset, std::sin(t), 1e-4f) << "offsets in units";
        EXPECT_NEAR(onto.angle, stored, 1e-3f) << "the tool's angle";
    }
}
