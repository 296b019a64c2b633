#include <gtest/gtest.h>

#include "document/document.h"
#include "edit/properties.h"
#include "edit/view_commands.h"
#include "formats/samplemodel.h"
#include "model/corners.h"
#include "model/radius.h"
#include "support/model_compare.h"
#include "support/opened_sample.h"

using namespace orv;
using orvtest::ExpectClose;

namespace {

// A closed cube of half-size 0.5 as one mesh, its faces outward; placed by one node.
std::unique_ptr<CModel> Cube()
{
    auto model = std::make_unique<CModel>();
    CMesh& m = orvtest::AddMesh(*model);
    orvtest::AddCube(m);
    model->formatTag = "JK1";
    model->RebuildHierarchy();
    return model;
}

// The panes show the radii the next save writes (the window measures them first).
struct Doc : orvtest::ModelDoc {
    explicit Doc(std::unique_ptr<CModel> m) : ModelDoc(std::move(m)) { UpdateRadii(*doc.model); }
};

}  // namespace

// Vertex 0 of a face is its last corner; the pane gives model space in file axes.
TEST(VertexPane, ShowsModelSpaceInFileAxesWhateverTheView)
{
    Doc d(Cube());
    d.doc.model->nodes[0].position = {1, 2, 3};  // internal axes: file (1, 3, 2)
    d.doc.model->RebuildHierarchy();
    const auto f = VertexFieldsOf(*d.doc.model, 0, 0, 0, {});
    ASSERT_TRUE(f);
    // Face 0's last corner is (0.5, -0.5, -0.5): moved by the node, then y and z swapped.
    ExpectClose(f->filePosition, {1.5f, 2.5f, 1.5f});
    // The view's scale and rotation are no part of it.
    d.doc.model->modelMatrix = Matrix4::Scaling(2, 2, 2) * Matrix4::RotationY(1.0f);
    const auto turned = VertexFieldsOf(*d.doc.model, 0, 0, 0, {});
    ASSERT_TRUE(turned);
    ExpectClose(turned->filePosition, {1.5f, 2.5f, 1.5f});
    EXPECT_FALSE(VertexFieldsOf(*d.doc.model, 0, 0, 4, {}));  // a quad has vertices 0..3
    EXPECT_FALSE(VertexFieldsOf(*d.doc.model, 0, 6, 0, {}));
}

TEST(VertexPane, MovingAVertexTakesItsSharedCornersAlong)
{
    Doc d(Cube());
    d.doc.model->nodes[0].position = {1, 0, 0};
    d.doc.model->RebuildHierarchy();
    const auto shown = VertexFieldsOf(*d.doc.model, 0, 0, 0, {});
    ASSERT_TRUE(shown);
    VertexFields typed = *shown;
    typed.filePosition.x = 2.0f;   // corner x becomes 1.0
    typed.filePosition.z = 0.25f;  // the file's z, the model's y: file vertex 7 at (1, -0.5, 0.25)
    typed.u = 0.25f;
    const Vec3 sideNormal = d.Mesh().faces[3].normal;
    ASSERT_TRUE(d.Set(SetVertexFields, VertexEdit{0, 0, 0, typed}));
    // The three faces that met at (0.5, -0.5, -0.5) all follow: still 8 corners, closed.
    // u belongs to the one corner.
    orvtest::ExpectModelAsFixture("vertex_pane_move", *d.doc.model);
    // A written file's normals are computed afresh: the moved faces' own are checked here.
    EXPECT_NE(d.Mesh().faces[3].normal, sideNormal);
    // The same values again change nothing.
    EXPECT_FALSE(d.Set(SetVertexFields, VertexEdit{0, 0, 0, *VertexFieldsOf(*d.doc.model, 0, 0, 0, {})}));
}

TEST(Properties, EachPaneChangesItsFieldsAndNoChangeChangesNothing)
{
    Doc d(Cube());
    d.doc.model->geosets.push_back(CGeometry());
    orvtest::AddFace(d.Mesh(), {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}).name = "lid";
    d.Mesh().faces[0].name = "lid";
    UpdateRadii(*d.doc.model);  // the panes show the radii measured for the new face

    MeshFields mesh = MeshFieldsOf(d.Mesh());
    EXPECT_FALSE(d.Set(SetMeshFields, MeshEdit{0, mesh}));
    mesh.name = "box";
    mesh.lightingMode = 3;
    EXPECT_TRUE(d.Set(SetMeshFields, MeshEdit{0, mesh}));
    EXPECT_EQ(std::tie(d.Mesh().name, d.Mesh().lightingMode), std::make_tuple(std::string("box"), 3));
    EXPECT_FALSE(d.Set(SetMeshFields, MeshEdit{5, mesh}));

    FaceFields face = FaceFieldsOf(d.Mesh().faces[0]);
    face.name = "top";
    face.type = 5;
    EXPECT_TRUE(d.Set(SetFaceFields, FaceEdit{0, 0, face, /*renameGroup=*/true}));
    EXPECT_EQ(d.Mesh().faces[6].name, "top");  // the group follows in face mode
    EXPECT_EQ(d.Mesh().faces[0].type, 5u);

    GeosetFields geo = GeosetFieldsOf(*d.doc.model);
    geo.geoset = 1;
    geo.insertOffset = {0, 0, 1};
    EXPECT_TRUE(d.Set(SetGeosetFields, geo));
    EXPECT_EQ(d.doc.model->currentGeoset, 1);
    EXPECT_EQ(d.doc.model->insertOffset, Vec3(0, 0, 1));
    geo.geoset = 7;  // no such set: the shown one stays
    EXPECT_FALSE(d.Set(SetGeosetFields, geo));
}

TEST(Corners, RebuildingForNewTextureSizesKeepsEdits)
{
    Doc d(Cube());
    d.doc.model->materials = {"wall.mat"};
    for (auto& f : d.Mesh().faces)
        f.material = 0;
    d.Mesh().faces[0].corners[0].u = 32.0f;
    d.Mesh().faces[0].corners[0].SetPosition({-0.75f, -0.5f, -0.5f});
    const TextureSizeFn sizes = [](const std::string&) { return TextureSize{64, 16}; };
    RebuildFaceCorners(*d.doc.model, sizes);
    const CFace& f = d.Mesh().faces[0];
    // Without lists the corners would be built from no vertices at all.
    ASSERT_EQ(f.corners.size(), 4u);
    EXPECT_EQ(f.corners[0].Position(), Vec3(-0.75f, -0.5f, -0.5f));
    EXPECT_EQ(f.corners[0].u, 32.0f);
    EXPECT_EQ(f.uScale, 32.0f);  // the tool's scale, unset until now, follows the size

    // A mesh whose corners were never built keeps its lists.
    CModel listsOnly;
    CMesh& m = orvtest::AddMesh(listsOnly);
    m.vertices.resize(3);
    CFace face;
    face.vertexIndices = {0, 1, 2};
    m.faces.push_back(std::move(face));
    RebuildFaceCorners(listsOnly);
    EXPECT_EQ(m.vertices.size(), 3u);
    EXPECT_EQ(m.faces[0].corners.size(), 3u);
}
