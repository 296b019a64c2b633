#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

#include "edit/primitives.h"
#include "edit/selection.h"
#include "model/settings.h"
#include "support/model_builder.h"

using namespace orv;
using orvtest::ExpectClose;

namespace {

// The camera at the origin looking along +z with y up: the model's own axes.
const CameraFrame kFrame{{0, 0, 0}, {0, 0, 1}, {0, 1, 0}};

struct Built {
    CModel model;
    CMesh* mesh = nullptr;
    Built()
    {
        mesh = &orvtest::AddMesh(model);
        model.materials = {"wall.mat"};
    }
};

// Every face's normal points away from centre: the shape is seen from outside.
void ExpectOutward(const CMesh& mesh, const Vec3& centre)
{
    for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
        const CFace& f = mesh.faces[i];
        EXPECT_GT(Dot(f.normal, f.Centroid() - centre), 0.0f) << "face " << i;
    }
}

const NewFaceStyle kStyle{"Shape", "WALL.MAT"};

}  // namespace

TEST(Primitives, CylinderEndsSidesAndTheirCorners)
{
    Built b;
    const CylinderSize size{6, 0.05f, 0.1f};
    BuildCylinder(b.model, *b.mesh, Matrix4::Identity(), kFrame, size, kStyle, [](const std::string&) {
        return TextureSize{64, 32};
    });
    ASSERT_EQ(b.mesh->faces.size(), 2u + 6u);
    EXPECT_EQ(b.mesh->faces[0].corners.size(), 6u);
    EXPECT_EQ(b.mesh->faces[2].corners.size(), 4u);
    // Corner 0 of the first end by hand: a = 30 degrees, d = 0.025 / cos 30 degrees,
    // the offset (-cos a, sin a) * d goes to (z, -y) of the centre (0, 0, 0.05).
    const float a = 3.1415927f / 6.0f, d = 0.025f / std::cos(a);
    // The first end lists its corners last to first.
    ExpectClose(b.mesh->faces[0].corners[5].Position(), {-0.05f, -std::sin(a) * d, 0.05f + std::cos(a) * d});
    ExpectClose(b.mesh->faces[1].corners[0].Position(), {0.05f, -std::sin(a) * d, 0.05f + std::cos(a) * d});
    ExpectOutward(*b.mesh, {0, 0, 0.05f});
    // The new faces' fields: the style's name, the material found without regard to case,
    // its size and half of it as the tool's scales.
    const CFace& f = b.mesh->faces[3];
    EXPECT_EQ(f.name, "Shape");
    EXPECT_EQ(f.material, 0);
    EXPECT_EQ(std::tuple(f.geometryMode, f.lightingMode, f.textureMode, f.type), std::tuple(4, 3, 2, 0u));
    EXPECT_EQ(std::pair(f.uScale, f.vScale), std::pair(32.0f, 16.0f));
    // Corners count the texels of that size: the end's corner 0 lies at (cos a, sin a).
    const VertexRecord& end = b.mesh->faces[1].corners[0];
    EXPECT_NEAR(end.u, std::cos(a) * 64.0f, 1e-4f);
    EXPECT_NEAR(end.v, std::sin(a) * 32.0f, 1e-4f);
    EXPECT_EQ(f.corners[0].color, 0xFFFFFFFFu);
}

TEST(Primitives, BoxIsAFourSidedPrism)
{
    Built b;
    BuildBox(b.model, *b.mesh, Matrix4::Identity(), kFrame, {0.05f, 0.025f, 0.025f}, {"Box", ""});
    ASSERT_EQ(b.mesh->faces.size(), 6u);
    for (const auto& f : b.mesh->faces)
        EXPECT_EQ(f.corners.size(), 4u);
    // The centre lies a width in front of the camera; corner 0 of the first end is the
    // cross-section point c0 moved back by half the width.
    ExpectClose(b.mesh->faces[0].corners[3].Position(), {-0.025f, -0.0125f, 0.05f - 0.0125f});
    ExpectOutward(*b.mesh, {0, 0, 0.05f});
    EXPECT_EQ(b.mesh->faces[0].material, -1);  // no material: 1 x 1 texels, scales 1
    EXPECT_EQ(b.mesh->faces[0].uScale, 1.0f);

    // A shape goes into the mesh's own coordinates, whatever places the mesh.
    Built placed;
    BuildBox(placed.model, *placed.mesh, Matrix4::Translation({1, 2, 3}), kFrame, {}, kStyle);
    ExpectClose(placed.mesh->faces[0].corners[3].Position(), Vec3(-0.025f, -0.0125f, 0.0375f) - Vec3(1, 2, 3));
}

TEST(Primitives, SizesOutsideTheDialogsRangesAreRefused)
{
    EXPECT_TRUE(CheckCylinderSize({}).empty());
    EXPECT_FALSE(CheckCylinderSize({4, 0.005f, 0.1f}).empty());
    EXPECT_TRUE(CheckCylinderSize({4, 0.01f, 0.1f}).empty());
    EXPECT_FALSE(CheckCylinderSize({25, 0.05f, 0.1f}).empty());
    EXPECT_FALSE(CheckDomeSize({0.05f, 0.05f, 16, 0, 4}).empty());
    EXPECT_FALSE(CheckBoxSize({0.05f, 0.025f, 200}).empty());
}

// u runs once around, v from the bottom rim to 0 at the apex; faces agree at a corner but
// at the seam and the apex.
TEST(Primitives, DomeRingsCloseAtTheTopAndItsTextureRunsAroundOnce)
{
    Built b;
    DomeSize size;
    size.sides = 8;
    size.rings = 3;
    size.textureScale = 4;
    BuildDome(b.model, *b.mesh, Matrix4::Identity(), kFrame, size, kStyle, [](const std::string&) {
        return TextureSize{64, 32};
    });
    ASSERT_EQ(b.mesh->faces.size(), 8u * 3u);
    EXPECT_EQ(b.mesh->faces[0].corners.size(), 4u);
    EXPECT_EQ(b.mesh->faces[23].corners.size(), 3u);  // the top ring's triangles meet the axis
    // The top ring's apex lies on the axis through the centre (0, 0, 0.05).
    const Vec3 apex = b.mesh->faces[23].corners[1].Position();
    EXPECT_NEAR(apex.x, 0, 1e-6f);
    EXPECT_NEAR(apex.z, 0.05f, 1e-6f);
    // The bottom ring starts half the height below the centre.
    EXPECT_NEAR(b.mesh->faces[0].corners[0].y, -0.025f, 1e-6f);
    ExpectOutward(*b.mesh, {0, -0.025f, 0.05f});
    const float width = 4 * 64.0f, height = 4 * 32.0f, tol = 1e-3f;

    using Key = std::tuple<float, float, float>;
    auto key = [](const Vec3& p) {
        auto round = [](float x) { return std::round(x * 1.0e5f) / 1.0e5f + 0.0f; };
        return Key{round(p.x), round(p.y), round(p.z)};
    };
    std::map<Key, std::vector<std::pair<float, float>>> at;
    float lowest = 1e9f, highest = -1e9f;
    for (std::size_t i = 0; i < b.mesh->faces.size(); ++i) {
        const CFace& f = b.mesh->faces[i];
        float uMin = 1e9f, uMax = -1e9f;
        for (const auto& corner : f.corners) {
            EXPECT_GE(corner.u, -tol) << "face " << i;
            EXPECT_LE(corner.u, width + tol) << "face " << i;
            EXPECT_GE(corner.v, -tol) << "face " << i;
            EXPECT_LE(corner.v, height + tol) << "face " << i;
            uMin = std::min(uMin, corner.u);
            uMax = std::max(uMax, corner.u);
            lowest = std::min(lowest, corner.y);
            highest = std::max(highest, corner.y);
            at[key(corner.Position())].emplace_back(corner.u, corner.v);
        }
        // Each side takes its own eighth of the width, the last one up to the seam.
        EXPECT_NEAR(uMax - uMin, width / 8, tol) << "face " << i;
        EXPECT_NEAR(uMin, static_cast<float>(i % 8) * width / 8, tol) << "face " << i;
    }

    std::size_t seam = 0;
    for (const auto& [p, uvs] : at) {
        const float y = std::get<1>(p);
        if (std::fabs(y - highest) < 1e-5f) {
            EXPECT_EQ(uvs.size(), 8u) << "the apex is shared by every top triangle";
            for (const auto& [u, v] : uvs)
                EXPECT_NEAR(v, 0, tol) << "apex";
            continue;
        }
        if (std::fabs(y - lowest) < 1e-5f) {
            for (const auto& [u, v] : uvs)
                EXPECT_NEAR(v, height, tol) << "bottom rim";
        }
        bool onSeam = false;
        for (const auto& [u, v] : uvs) {
            EXPECT_NEAR(v, uvs.front().second, tol) << "faces disagree on v at y = " << y;
            onSeam = onSeam || std::fabs(u) < tol || std::fabs(u - width) < tol;
        }
        if (onSeam) {
            ++seam;
            for (const auto& [u, v] : uvs)
                EXPECT_TRUE(std::fabs(u) < tol || std::fabs(u - width) < tol) << "seam corner with u " << u;
            continue;
        }
        for (const auto& [u, v] : uvs)
            EXPECT_NEAR(u, uvs.front().first, tol) << "faces disagree on u at y = " << y;
    }
    EXPECT_EQ(seam, 3u) << "the seam runs up the bottom rim and the two rings above it";
}

TEST(Primitives, DefaultMaterialFollowsTheCurrentFace)
{
    CModel model;
    CMesh& mesh = orvtest::AddMesh(model);
    model.materials = {"first.mat", "second.mat"};
    for (const int32_t material : {1, -1, 2}) {
        orvtest::AddSquare(mesh, 0, 0, 0, 0.5f).material = material;
    }
    EditModes modes;
    Settings settings;
    Selection selection;
    selection.currentMesh = 0;
    EditContext c(model, modes, settings, &selection);

    selection.currentFace = 0;
    EXPECT_EQ(DefaultPrimitiveMaterial(c), "second.mat") << "the current face's material";
    selection.currentFace = 1;
    EXPECT_EQ(DefaultPrimitiveMaterial(c), "") << "a current face without a material";
    selection.currentFace = 2;
    EXPECT_EQ(DefaultPrimitiveMaterial(c), "") << "a current face whose index is past the list";
    selection.currentFace = -1;
    EXPECT_EQ(DefaultPrimitiveMaterial(c), "first.mat") << "no current face: the model's first";
    EXPECT_EQ(DefaultPrimitiveMaterial(EditContext(model, modes, settings)), "first.mat") << "no selection";
    model.materials.clear();
    EXPECT_EQ(DefaultPrimitiveMaterial(c), "") << "no current face and no materials";
}
