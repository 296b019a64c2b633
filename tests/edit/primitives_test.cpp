#include <gtest/gtest.h>

#include <tuple>

#include "edit/primitives.h"
#include "edit/selection.h"
#include "model/settings.h"
#include "support/model_compare.h"

using namespace orv;

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

const NewFaceStyle kStyle{"Shape", "WALL.MAT"};

}  // namespace

// A cylinder of six sides, a box (alone, and in a mesh its node moves away) and a dome,
// against their recorded files: corners, texture coordinates in texels of the material's
// size (the box has none: 1 x 1), face fields and outward normals.
TEST(Primitives, ShapesAsRecorded)
{
    const TextureSizeFn sizes = [](const std::string&) { return TextureSize{64, 32}; };
    Built cylinder;
    BuildCylinder(cylinder.model, *cylinder.mesh, Matrix4::Identity(), kFrame, {6, 0.05f, 0.1f}, kStyle, sizes);
    orvtest::ExpectModelAsFixture("primitive_cylinder", cylinder.model);
    // What a 3DO file does not keep: the style's name and half the texture's size as the
    // tool's scales.
    const CFace& f = cylinder.mesh->faces[3];
    EXPECT_EQ(f.name, "Shape");
    EXPECT_EQ(std::pair(f.uScale, f.vScale), std::pair(32.0f, 16.0f));
    EXPECT_EQ(f.corners[0].color, 0xFFFFFFFFu);

    Built box, placed;
    BuildBox(box.model, *box.mesh, Matrix4::Identity(), kFrame, {0.05f, 0.025f, 0.025f}, {"Box", ""});
    EXPECT_EQ(box.mesh->faces[0].uScale, 1.0f);
    BuildBox(placed.model, *placed.mesh, Matrix4::Translation({1, 2, 3}), kFrame, {}, kStyle);
    orvtest::ExpectModelAsFixture("primitive_box", box.model);
    orvtest::ExpectModelAsFixture("primitive_box_placed", placed.model);

    Built dome;
    DomeSize size;
    size.sides = 8;
    size.rings = 3;
    size.textureScale = 4;
    BuildDome(dome.model, *dome.mesh, Matrix4::Identity(), kFrame, size, kStyle, sizes);
    orvtest::ExpectModelAsFixture("primitive_dome", dome.model);
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

    // The current face's material; none for a face without one or whose index is past the
    // list; with no current face, the model's first.
    for (const auto& [face, expected] : {std::pair{0, "second.mat"}, {1, ""}, {2, ""}, {-1, "first.mat"}}) {
        selection.currentFace = face;
        EXPECT_EQ(DefaultPrimitiveMaterial(c), expected) << "current face " << face;
    }
    EXPECT_EQ(DefaultPrimitiveMaterial(EditContext(model, modes, settings)), "first.mat") << "no selection";
    model.materials.clear();
    EXPECT_EQ(DefaultPrimitiveMaterial(c), "") << "no current face and no materials";
}
