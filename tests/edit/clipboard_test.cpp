#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
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
#include "support/model_compare.h"
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
};

}  // namespace

TEST(Clipboard, CopyCutAndPasteInEachMode)
{
    Scene s(Character(1));
    EditContext c = s.Ctx();
    s.selection.currentMesh = 0;  // the head: no children
    s.selection.currentFace = 1;

    // Pasted onto another face (3), a face gives its attributes only, not its corners.
    s.Mesh().faces[1].type = 0x4;
    s.Mesh().faces[1].extraLight = 0.5f;
    Copy(c);
    s.selection.currentFace = 3;
    ASSERT_TRUE(s.doc.Run(c, Paste).changed);

    // A face group: cut takes the faces of the current face's name, paste brings them
    // back at the end.
    for (int f : {2, 4})
        s.Mesh().faces[static_cast<std::size_t>(f)].name = "rim";
    s.doc.modes.faceMode = true;
    s.selection.currentFace = 2;
    ASSERT_TRUE(s.doc.Run(c, Cut).changed);
    s.selection.currentFace = 0;
    ASSERT_TRUE(s.doc.Run(c, Paste).changed);

    // A mesh: pasted as "Mesh3", its node the last sibling of the head's (after the arm).
    s.doc.modes.faceMode = false;
    s.doc.modes.meshMode = true;
    Copy(c);
    ASSERT_TRUE(s.doc.Run(c, Paste).changed);
    orvtest::ExpectModelAsFixture("clipboard_each_mode", *s.doc.model);
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
    ASSERT_TRUE(MoveSelection(c, {0, 0.01f}).changed);
    ASSERT_TRUE(RotateSelection(c, {0, 6.0f}).changed);
    // Face 2 moved and turned, the faces beside it stayed.
    orvtest::ExpectModelAsFixture("face_mode_step", *s.doc.model);

    EXPECT_EQ(RelayStoredTextures(mesh, &mesh.faces[2], true, false, [](const CFace&) { return TextureSize{}; }), 1);
    FaceFields fields = FaceFieldsOf(mesh.faces[2]);
    fields.name = "lid";
    ASSERT_TRUE(s.doc.Run(c, SetFaceFields, FaceEdit{0, 2, fields, /*renameGroup=*/true}).changed);
    for (std::size_t i = 0; i < s.Mesh().faces.size(); ++i)
        EXPECT_EQ(s.Mesh().faces[i].name, i == 2 ? "lid" : "") << "face " << i;
    s.Mesh().faces[2].name.clear();
    ASSERT_TRUE(s.doc.Run(c, Cut).changed);
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
    EXPECT_EQ(s.doc.Run(c, Cut).message, "Cannot delete current mesh, since this contains a child mesh.");
    EXPECT_TRUE(s.clip.mesh);
    EXPECT_EQ(s.Bytes(), before);

    s.doc.modes.meshMode = false;
    s.selection.currentMesh = -1;
    EXPECT_EQ(s.doc.Run(c, Cut).message, "Cannot delete current geometry set, since this is the only one.");
    EXPECT_NE(WhyNotPaste(c), nullptr);  // nothing is copied then
}

// Set 0 holds a fourth mesh no node places: no node may come to place another mesh. Mesh
// k goes from each set with its node; indices above k move down, links are mended.
TEST(Clipboard, GeometrySetsOfDifferentMeshCountsStayConsistent)
{
    struct Case {
        const char* name;
        int32_t set, mesh;
        std::function<EditOutcome(Scene&, EditContext&)> run;
    };
    const auto add = [](Scene& s, EditContext& c) { return s.doc.Run(c, AddMesh); };
    const auto cut = [](Scene& s, EditContext& c) {
        s.doc.modes.meshMode = true;
        return s.doc.Run(c, Cut);
    };
    const std::vector<Case> cases = {
        {"add_larger", 0, 2, add},  // the body: its node has children
        {"add_smaller", 1, 0, add},
        {"paste_smaller", 1, 1,
         [](Scene& s, EditContext& c) {
             s.doc.modes.meshMode = true;
             Copy(c);
             return s.doc.Run(c, Paste);
         }},
        {"cut_shared", 1, 1, cut},
        {"cut_own", 0, 3, cut},
        {"cut_first_child", 0, 0, cut},  // the head, placed by node 2, the body's first child
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
        EditContext c = s.Ctx();
        ASSERT_TRUE(k.run(s, c).changed);
        // Every node still places the meshes it placed, a new one new meshes, in every set.
        orvtest::ExpectModelAsFixture(std::string("clipboard_sets_") + k.name, *s.doc.model);
    }
}

// The material list may have changed since Copy: Paste finds materials by name.
TEST(Clipboard, PasteFindsTheCopiedMaterialsByName)
{
    for (const auto& [faceMode, meshMode, recorded] : {std::tuple{false, false, "paste_materials_face"},
                                                       {false, true, "paste_materials_mesh"},
                                                       {true, false, "paste_materials_group"}}) {
        SCOPED_TRACE(recorded);
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
        EXPECT_EQ(s.doc.Run(c, Paste).changed, faceMode || meshMode);
        // Every pasted face names b.mat, now material 0.
        orvtest::ExpectModelAsFixture(recorded, *s.doc.model);
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
    ASSERT_TRUE(s.doc.Run(c, Paste).changed);
    // A face whose material named nothing when copied names nothing when pasted.
    s.selection.currentFace = 2;
    Copy(c);
    s.selection.currentFace = 4;
    s.Mesh().faces[4].material = 0;
    ASSERT_TRUE(s.doc.Run(c, Paste).changed);
    // Materials a.mat and b.mat again, face 3 on b.mat (1), face 4 on none (-1).
    orvtest::ExpectModelAsFixture("paste_materials_gone", m);
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
        // The cap closes the cut: it lies on the plane and faces the side that went.
        orvtest::ExpectModelAsFixture(reversed ? "carve_half_cube_reversed" : "carve_half_cube", *s.doc.model);
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
        EXPECT_NEAR(orvtest::SignedVolume(m), 1.0f + (out ? 1 : -1) * 0.5f * 0.5f * 0.1f, 1e-5f)
            << "faces face into the solid";
        // Closed, each side carrying its rim's coordinates on along the rim.
        orvtest::ExpectModelAsFixture(out ? "extrude_box_out" : "extrude_box_in", *s.doc.model);
    }
}

TEST(Extrude, ChosenDepthsAndAnIndentLargerThanAVertexsDistance)
{
    EXPECT_EQ(CheckExtrudeParams({.firstVertex = 0, .secondVertex = 1, .thirdVertex = 1}, 4),
              "You must select three different vertices.");
    // The square's normal is -z: into the mesh is +z, out of it -z.
    // Vertices 0, 1, 2 at depths 0.1, 0.2, 0.3 and vertex 3 on their plane (at 0.2), into
    // the mesh and out of it; turned towards the centre, the end face level with its
    // deepest corner; every corner lies 0.707 from the centre: an indent of 1 leaves them
    // where they are, one of 0.2 draws them in by 0.2.
    const ExtrudeParams in{.firstVertex = 0, .secondVertex = 1, .thirdVertex = 2, .depth1 = 0.1f, .depth2 = 0.2f,
                           .depth3 = 0.3f};
    ExtrudeParams out = in;
    out.outward = true;
    const struct {
        const char* name;
        ExtrudeParams params;
    } cases[] = {
        {"in", in},
        {"out", out},
        {"rotated", {.firstVertex = 0, .secondVertex = 1, .thirdVertex = 2, .depth3 = 0.3f, .rotatedEndFace = true}},
        {"indent_1", {.indent = 1.0f}},
        {"indent_0.2", {.indent = 0.2f}},
    };
    for (const auto& k : cases) {
        Scene s;
        EditContext c = s.Ctx();
        ASSERT_TRUE(ExtrudeFace(c, k.params).changed) << k.name;
        orvtest::ExpectModelAsFixture(std::string("extrude_depths_") + k.name, *s.doc.model);
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
    // The side at x = 0 (face 4): u = (2z + 1) * 64, v = 3y * 64, with the depth z as x.
    orvtest::ExpectModelAsFixture("extrude_side_texture", *s.doc.model);
    EXPECT_EQ(std::pair(m.faces[4].uScale, m.faces[4].vScale), std::pair(2.0f, 3.0f)) << "the neighbour's tool scales";
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
