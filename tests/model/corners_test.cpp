#include <gtest/gtest.h>

#include "model/corners.h"
#include "model/model.h"

using namespace orv;

namespace {

VertexRecord Vertex(float x, float y, float z, float intensity = 0.0f)
{
    VertexRecord r;
    r.SetPosition({x, y, z});
    r.SetIntensity(intensity);
    return r;
}

VertexRecord TexVertex(float u, float v)
{
    VertexRecord r;
    r.u = u;
    r.v = v;
    return r;
}

// One geometry set with two meshes; mesh 1 is placed by nodes 1 and 2.
struct Fixture {
    CModel model;
    Fixture()
    {
        model.materials = {"a.mat", "b.mat"};
        model.geosets.push_back(std::make_unique<CGeometry>());
        for (int k = 0; k < 2; ++k) {
            auto mesh = std::make_unique<CMesh>();
            mesh->vertices = {Vertex(0, 0, 0, 0.25f), Vertex(1, 0, 0, 0.5f), Vertex(0, 0, 1, 0.75f)};
            mesh->textureVertices = {TexVertex(0, 0), TexVertex(32, 0), TexVertex(0, 16)};
            auto face = std::make_unique<CFace>();
            face->material = k == 0 ? -1 : 1;
            face->vertexIndices = {0, 1, 2};
            face->textureVertexIndices = {0, 1, 2};
            mesh->faces.push_back(std::move(face));
            model.geosets[0]->meshes.push_back(std::move(mesh));
        }
        for (int i = 0; i < 3; ++i) {
            auto node = std::make_unique<C3doNode>();
            node->mesh = i == 0 ? -1 : 1;
            node->pivot = Vec3(static_cast<float>(i), 10.0f, 0.0f);
            model.nodes.push_back(std::move(node));
        }
    }
    CMesh& Mesh(int k) { return *model.geosets[0]->meshes[static_cast<std::size_t>(k)]; }
    CFace& Face(int k) { return *Mesh(k).faces[0]; }
};

}  // namespace

TEST(BuildFaceCorners, BuildsReversedCornersWithPlacementAndIntensity)
{
    Fixture fx;
    BuildFaceCorners(fx.model);

    // Mesh 0 has no node: no offset. Corners run opposite to the index list.
    const CFace& f0 = fx.Face(0);
    ASSERT_EQ(f0.corners.size(), 3u);
    EXPECT_EQ(f0.corners[0].Position(), Vec3(0, 0, 1));
    EXPECT_EQ(f0.corners[2].Position(), Vec3(0, 0, 0));
    EXPECT_EQ(f0.corners[0].Intensity(), 0.75f);
    EXPECT_EQ(f0.corners[2].Intensity(), 0.25f);
    EXPECT_EQ(f0.corners[0].color, 0x00FFFFFFu);
    EXPECT_EQ(f0.corners[0].reserved, 0u);
    // Without a material: 1 x 1, so u and v stay in texels; scales default to 1.
    EXPECT_EQ(f0.corners[0].v, 16.0f);
    EXPECT_EQ(f0.uScale, 1.0f);
    EXPECT_EQ(f0.vScale, 1.0f);
    EXPECT_EQ(f0.normal, Vec3(0, 1, 0));

    // Mesh 1 takes the pivot of the first node that places it (node 1, not node 2).
    EXPECT_EQ(fx.Mesh(1).placementOffset, Vec3(1, 10, 0));
    EXPECT_EQ(fx.Face(1).corners[1].Position(), Vec3(2, 10, 0));
    // Unknown material size: 1 x 1, and the scales wait for the real size.
    EXPECT_EQ(fx.Face(1).uScale, 0.0f);
}

TEST(BuildFaceCorners, DividesByTheKnownTextureSize)
{
    Fixture fx;
    std::vector<std::string> asked;
    BuildFaceCorners(fx.model, [&](const std::string& name) -> std::optional<TextureSize> {
        asked.push_back(name);
        return TextureSize{64, 32};
    });
    EXPECT_EQ(asked, std::vector<std::string>{"b.mat"});
    const CFace& f = fx.Face(1);
    EXPECT_EQ(f.textureWidth, 64);
    EXPECT_EQ(f.textureHeight, 32);
    EXPECT_EQ(f.corners[1].u, 0.5f);   // 32 / 64
    EXPECT_EQ(f.corners[0].v, 0.5f);   // 16 / 32
    EXPECT_EQ(f.uScale, 32.0f);
    EXPECT_EQ(f.vScale, 16.0f);

    // A scale already set is kept; a second pass gives the same corners.
    fx.Face(1).uScale = 3.0f;
    const auto before = f.corners;
    BuildFaceCorners(fx.model, [](const std::string&) { return std::optional<TextureSize>(TextureSize{64, 32}); });
    EXPECT_EQ(f.uScale, 3.0f);
    ASSERT_EQ(f.corners.size(), before.size());
    EXPECT_EQ(f.corners[1].u, before[1].u);
}

TEST(BuildFaceCorners, SkipsWhatItCannotResolve)
{
    Fixture fx;
    CFace& f = fx.Face(0);
    f.vertexIndices = {0, 7, -1, 2, 1};
    f.textureVertexIndices = {1, 0, 0, 99};  // one short, one out of range
    fx.Face(1).material = 5;                 // no such material
    BuildFaceCorners(fx.model, [](const std::string&) { return std::optional<TextureSize>(TextureSize{8, 8}); });
    // Vertices 7 and -1 do not exist; vertex 2 has no texture vertex 99 and vertex 1 no
    // texture index at all: both keep their positions with u = v = 0.
    ASSERT_EQ(f.corners.size(), 3u);
    EXPECT_EQ(f.corners[0].Position(), Vec3(1, 0, 0));
    EXPECT_EQ(f.corners[0].u, 0.0f);
    EXPECT_EQ(f.corners[1].Position(), Vec3(0, 0, 1));
    EXPECT_EQ(f.corners[1].v, 0.0f);
    EXPECT_EQ(f.corners[2].u, 32.0f);
    EXPECT_EQ(fx.Face(1).textureWidth, 1);
}
