#include <gtest/gtest.h>

#include <algorithm>

#include "model/corners.h"
#include "model/model.h"
#include "model/radius.h"

using namespace orv;

namespace {

// One geometry set with two meshes (face 0 without a material, face 1 on "b.mat"); mesh 1
// is placed by nodes 1 and 2.
struct Fixture {
    CModel model;
    Fixture()
    {
        model.materials = {"a.mat", "b.mat"};
        model.geosets.push_back(CGeometry());
        for (int k = 0; k < 2; ++k) {
            CMesh mesh;
            for (auto [x, z, i] : {std::tuple{0.f, 0.f, 0.25f}, {1.f, 0.f, 0.5f}, {0.f, 1.f, 0.75f}}) {
                mesh.vertices.emplace_back().SetPosition({x, 0, z});
                mesh.vertices.back().SetIntensity(i);
            }
            for (auto [u, v] : {std::pair{0.f, 0.f}, {32.f, 0.f}, {0.f, 16.f}}) {
                mesh.textureVertices.emplace_back().u = u;
                mesh.textureVertices.back().v = v;
            }
            CFace face;
            face.material = k == 0 ? -1 : 1;
            face.vertexIndices = face.textureVertexIndices = {0, 1, 2};
            mesh.faces.push_back(std::move(face));
            model.geosets[0].meshes.push_back(std::move(mesh));
        }
        for (int i = 0; i < 3; ++i) {
            model.nodes.push_back(C3doNode());
            model.nodes.back().mesh = i == 0 ? -1 : 1;
            model.nodes.back().pivot = Vec3(static_cast<float>(i), 10.0f, 0.0f);
        }
    }
    CMesh& Mesh(int k) { return model.geosets[0].meshes[static_cast<std::size_t>(k)]; }
    CFace& Face(int k) { return Mesh(k).faces[0]; }
};

std::optional<TextureSize> Size64x32(const std::string&) { return TextureSize{64, 32}; }

}  // namespace

TEST(BuildFaceCorners, BuildsReversedCornersWithPlacementAndIntensity)
{
    Fixture fx;
    BuildFaceCorners(fx.model);
    // Mesh 0 has no node: no offset. Corners run opposite to the index list.
    const CFace& f0 = fx.Face(0);
    ASSERT_EQ(f0.corners.size(), 3u);
    EXPECT_EQ(std::make_pair(f0.corners[0].Position(), f0.corners[2].Position()),
              std::make_pair(Vec3(0, 0, 1), Vec3()));
    EXPECT_EQ(std::make_pair(f0.corners[0].Intensity(), f0.corners[2].Intensity()), std::make_pair(0.75f, 0.25f));
    EXPECT_EQ(std::tie(f0.corners[0].color, f0.corners[0].reserved), std::make_tuple(0x00FFFFFFu, 0u));
    // Corners hold u and v in texels; without a material the scales default to 1.
    EXPECT_EQ(std::tie(f0.corners[0].v, f0.uScale, f0.vScale), std::make_tuple(16.0f, 1.0f, 1.0f));
    EXPECT_EQ(f0.normal, Vec3(0, 1, 0));
    // Mesh 1 takes the pivot of the first node that places it (node 1, not node 2).
    EXPECT_EQ(fx.Mesh(1).placementOffset, Vec3(1, 10, 0));
    EXPECT_EQ(fx.Face(1).corners[1].Position(), Vec3(2, 10, 0));
    // Unknown material size: 1 x 1, and the scales wait for the real size.
    EXPECT_EQ(fx.Face(1).uScale, 0.0f);
}

TEST(BuildFaceCorners, KnownTextureSizesSetTheScalesNotTheCorners)
{
    Fixture fx;
    std::vector<std::string> asked;
    BuildFaceCorners(fx.model, [&](const std::string& name) {
        asked.push_back(name);
        return Size64x32(name);
    });
    EXPECT_EQ(asked, std::vector<std::string>{"b.mat"});
    CFace& f = fx.Face(1);
    EXPECT_EQ(FaceTextureSize(fx.model, f, Size64x32), (TextureSize{64, 32}));
    EXPECT_EQ(std::tie(f.corners[1].u, f.corners[0].v), std::make_tuple(32.0f, 16.0f));  // texels as listed
    EXPECT_EQ(std::tie(f.uScale, f.vScale), std::make_tuple(32.0f, 16.0f));
    // A scale already set is kept; a second pass gives the same corners.
    f.uScale = 3.0f;
    const auto before = f.corners;
    BuildFaceCorners(fx.model, Size64x32);
    EXPECT_EQ(f.uScale, 3.0f);
    EXPECT_EQ(f.corners, before);

    // What cannot be resolved is skipped: vertices 7 and -1 do not exist; vertex 2 has no
    // texture vertex 99 and vertex 1 no texture index at all: both keep their positions
    // with u = v = 0. Material 5 does not exist: 1 x 1.
    CFace& g = fx.Face(0);
    g.vertexIndices = {0, 7, -1, 2, 1};
    g.textureVertexIndices = {1, 0, 0, 99};
    f.material = 5;
    BuildFaceCorners(fx.model, Size64x32);
    ASSERT_EQ(g.corners.size(), 3u);
    EXPECT_EQ(std::make_pair(g.corners[0].Position(), g.corners[0].u), std::make_pair(Vec3(1, 0, 0), 0.0f));
    EXPECT_EQ(std::make_pair(g.corners[1].Position(), g.corners[1].v), std::make_pair(Vec3(0, 0, 1), 0.0f));
    EXPECT_EQ(g.corners[2].u, 32.0f);
    EXPECT_EQ(FaceTextureSize(fx.model, f, Size64x32), (TextureSize{1, 1}));
}

// A wide model: many meshes, each placed by a node far down the list. Each mesh takes the
// pivot of the first node naming it, found in one pass over the nodes for all of them; a
// search per mesh (which made a model of 50,000 placed meshes take half a minute to open)
// takes minutes here and runs out of the time the build gives this suite.
TEST(Scale, ManyMeshesFindTheirNodesInOnePass)
{
    const std::size_t n = 200000;
    const std::size_t probed[] = {0, n / 2, n - 1};
    CModel model;
    model.geosets.push_back(CGeometry());
    for (std::size_t k = 0; k < n; ++k) {
        CMesh mesh;
        if (std::find(std::begin(probed), std::end(probed), k) != std::end(probed)) {
            mesh.vertices.emplace_back();
            mesh.faces.push_back(CFace());
            mesh.faces.back().vertexIndices = {0};
        }
        model.geosets[0].meshes.push_back(std::move(mesh));
        model.nodes.push_back(C3doNode());
        model.nodes.back().mesh = static_cast<int32_t>(n - 1 - k);
        model.nodes.back().pivot = {static_cast<float>(k), 0, 0};
    }
    // Mesh n - 1 is named by node 0 and again by a last node: node 0's pivot counts.
    model.nodes.front().pivot.y = 1;
    model.nodes.push_back(C3doNode());
    model.nodes.back().mesh = static_cast<int32_t>(n - 1);
    BuildFaceCorners(model);
    UpdateRadii(model);
    for (const std::size_t k : probed)
        EXPECT_EQ(model.geosets[0].meshes[k].faces[0].corners[0].Position(),
                  Vec3(static_cast<float>(n - 1 - k), k == n - 1, 0));
    EXPECT_FLOAT_EQ(model.radius, static_cast<float>(n - 1));
}
