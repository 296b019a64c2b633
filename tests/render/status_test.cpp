#include <gtest/gtest.h>

#include <cmath>

#include "render/camera.h"
#include "render/hierarchy.h"
#include "scene_builder.h"

using namespace orv;

namespace {

struct StatusScene {
    CModel model;
    Camera camera = orvtest::CameraAt({1, 2, -3});
    EditModes modes;
    Settings settings;

    StatusScene()
    {
        // Mesh 0: a unit square around the origin; mesh 1: a small square far off to the
        // right and behind, placed by a node moved by (0, 1, 0).
        orvtest::AddSquare(orvtest::AddMesh(model), 0, 0, 0, 0.5f);
        orvtest::AddSquare(orvtest::AddMesh(model), 3, 0, 4, 0.25f);
        model.nodes[1]->position = {0, 1, 0};
        model.RebuildHierarchy();
        WalkHierarchy(model);
    }

    ViewStatus Run(int32_t currentMesh = -1)
    {
        camera.UpdateViewInfo();
        return camera.UpdateViewStatus(model, modes, currentMesh, settings, "llvmpipe");
    }
};

}  // namespace

TEST(ViewStatus, BoxRadiiAndScrollBars)
{
    StatusScene s;
    const ViewStatus st = s.Run();
    // Both meshes drawn: the box spans both, the second one lifted by its node.
    EXPECT_EQ(s.camera.boxMin, Vec3(-0.5f, -0.5f, 0.0f));
    EXPECT_EQ(s.camera.boxMax, Vec3(3.25f, 1.25f, 4.0f));
    // Each mesh records its node and that node's world matrix.
    EXPECT_EQ(s.model.MeshAt(1)->node, s.model.nodes[1].get());
    EXPECT_EQ(s.model.MeshAt(1)->nodeMatrix, s.model.nodes[1]->matrix);
    // Radii are twice the box radius: the full diagonal of each box.
    EXPECT_NEAR(s.model.MeshAt(0)->radius, std::sqrt(2.0f), 1e-6f);
    EXPECT_NEAR(s.model.MeshAt(1)->radius, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(s.model.radius, Length(Vec3(3.75f, 1.75f, 4.0f)), 1e-5f);
    // Horizontal extent from x and z together, vertical from y.
    EXPECT_EQ(st.horizontal.min, -4000);
    EXPECT_EQ(st.horizontal.max, 4000);
    EXPECT_EQ(st.horizontal.page, 800);
    EXPECT_EQ(st.vertical.min, -1250);
    EXPECT_EQ(st.vertical.max, 1250);
    EXPECT_EQ(st.vertical.page, 250);

    // In render mode 3 only the current mesh counts for the box (the radii still cover all).
    s.modes.renderMode = kRenderMesh;
    s.camera.hScrollPos = 3;
    const ViewStatus only = s.Run(0);
    EXPECT_EQ(s.camera.boxMin, Vec3(-0.5f, -0.5f, 0.0f));
    EXPECT_EQ(s.camera.boxMax, Vec3(0.5f, 0.5f, 0.0f));
    EXPECT_EQ(only.horizontal.max, 500);
    EXPECT_EQ(only.horizontal.pos, 3);
    EXPECT_NEAR(s.model.radius, Length(Vec3(3.75f, 1.75f, 4.0f)), 1e-5f);
}

TEST(ViewStatus, NothingDrawnKeepsRadiiAndEmptiesScrollBars)
{
    CModel model;
    orvtest::AddMesh(model);  // a mesh with no faces yet
    model.MeshAt(0)->radius = 0.7f;
    model.radius = 1.5f;
    model.RebuildHierarchy();
    WalkHierarchy(model);
    Camera camera = orvtest::CameraAt({0, 0, -1});
    EditModes modes;
    Settings settings;
    const ViewStatus st = camera.UpdateViewStatus(model, modes, -1, settings, "");
    EXPECT_FLOAT_EQ(model.MeshAt(0)->radius, 0.7f);
    EXPECT_FLOAT_EQ(model.radius, 1.5f);
    EXPECT_EQ(st.horizontal.min, 0);
    EXPECT_EQ(st.horizontal.max, 0);
    EXPECT_EQ(st.vertical.page, 0);
}

TEST(ViewStatus, PaneTexts)
{
    StatusScene s;
    s.camera.measuredFrameRate = 27;
    ViewStatus st = s.Run();
    EXPECT_EQ(st.panes[0], "llvmpipe");
    EXPECT_EQ(st.panes[1], "Scale: 1:1");
    EXPECT_EQ(st.panes[2], "Yaw: 0");
    EXPECT_EQ(st.panes[3], "Tilt: 0");
    EXPECT_EQ(st.panes[4], "X:     1.00");
    EXPECT_EQ(st.panes[5], "Y:     2.00");
    EXPECT_EQ(st.panes[6], "Z:    -2.95");  // the look point is near (0.05) in front of the eye
    EXPECT_EQ(st.panes[7], "FR: 27");

    s.modes.scaleExponent = 5;
    EXPECT_EQ(s.Run().panes[1], "Scale: 32:1");
    s.modes.scaleExponent = -5;
    EXPECT_EQ(s.Run().panes[1], "Scale: 1:32");
    s.modes.scaleExponent = -1;
    EXPECT_EQ(s.Run().panes[1], "Scale: 1:2");

    // Grid on shows the spacing instead of the scale.
    s.modes.grid = true;
    s.settings.grid = 0.06f;
    EXPECT_EQ(s.Run().panes[1], "Grid:  0.06");

    // Animate mode shows the model's frame instead of the frame rate.
    s.modes.animateMode = true;
    s.model.currentFrame = 12;
    EXPECT_EQ(s.Run().panes[7], "FR: 12");

    // Turned a quarter to the right and looking straight up.
    s.camera.SetCameraOrientation({1, 0, 0}, {0, 1, 0});
    EXPECT_EQ(s.Run().panes[2], "Yaw: 90");
    s.camera.SetCameraOrientation({0, 1, 0}, {0, 0, -1});
    EXPECT_EQ(s.Run().panes[3], "Tilt: 90");
}

TEST(ViewStatus, GridSpacingIsKeptOnItsSteps)
{
    StatusScene s;
    // Half steps round up: the default 0.01 becomes 0.02, not 0.
    const std::pair<float, float> cases[] = {
        {0.01f, 0.02f}, {0.02f, 0.02f}, {0.029f, 0.02f}, {0.03f, 0.04f}, {0.031f, 0.04f},
        {0.04f, 0.04f}, {0.05f, 0.06f}, {0.2f, 0.2f},    {0.0f, 0.02f},  {-1.0f, 0.02f},
    };
    for (const auto& [in, out] : cases) {
        s.settings.grid = in;
        s.Run();
        EXPECT_FLOAT_EQ(s.settings.grid, out) << "from " << in;
    }
    // Every step from 0.02 to 0.2 is kept as it is.
    for (int k = 1; k <= 10; ++k) {
        s.settings.grid = static_cast<float>(k * 0.02);
        s.Run();
        EXPECT_FLOAT_EQ(s.settings.grid, static_cast<float>(k * 0.02)) << k;
    }
}
