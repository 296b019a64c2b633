#include <gtest/gtest.h>

#include <cmath>

#include "support/model_builder.h"
#include "view/camera.h"
#include "view/hierarchy.h"

using namespace orv;

namespace {

struct StatusScene {
    CModel model;
    Camera camera = orvtest::CameraAt({1, 2, -3});
    EditModes modes;
    Settings settings;

    StatusScene()
    {
        // Mesh 0: a unit square around the origin; mesh 1: a small square off to the right
        // and behind, lifted by its node; mesh 2: no faces yet, its radius as read.
        orvtest::AddSquare(orvtest::AddMesh(model), 0, 0, 0, 0.5f);
        orvtest::AddSquare(orvtest::AddMesh(model), 3, 0, 4, 0.25f);
        orvtest::AddMesh(model).radius = 0.7f;
        model.nodes[1].position = {0, 1, 0};
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

TEST(ViewStatus, BoxAndScrollBarsLeaveTheRadiiAlone)
{
    StatusScene s;
    const ViewStatus st = s.Run();
    EXPECT_EQ(s.camera.boxMin, Vec3(-0.5f, -0.5f, 0.0f));
    EXPECT_EQ(s.camera.boxMax, Vec3(3.25f, 1.25f, 4.0f));
    // Drawing measures the box only: the radii the files store are the model's own.
    EXPECT_EQ(std::tuple(s.model.MeshAt(0)->radius, s.model.MeshAt(2)->radius, s.model.radius),
              std::tuple(0.0f, 0.7f, 0.0f));
    // Horizontal extent from x and z together, vertical from y; a page is a tenth.
    EXPECT_EQ(std::tuple(st.horizontal.min, st.horizontal.max, st.horizontal.page), std::tuple(-4000, 4000, 800));
    EXPECT_EQ(std::tuple(st.vertical.min, st.vertical.max, st.vertical.page), std::tuple(-1250, 1250, 250));

    // Render mode 3: only the current mesh counts for the box.
    s.modes.renderMode = RenderMode::Mesh;
    s.camera.hScrollPos = 3;
    const ViewStatus only = s.Run(0);
    EXPECT_EQ(s.camera.boxMax, Vec3(0.5f, 0.5f, 0.0f));
    EXPECT_EQ(std::pair(only.horizontal.max, only.horizontal.pos), std::pair(500, 3));

    // Nothing drawn: empty scroll bars.
    EXPECT_EQ(s.Run(-1).horizontal.max, 0);
}

TEST(ViewStatus, PaneTexts)
{
    StatusScene s;
    s.camera.measuredFrameRate = 27;
    const ViewStatus st = s.Run();
    const std::array<std::string, 8> expected = {"llvmpipe",    "Scale: 1:1",  "Yaw: 0",      "Tilt: 0",
                                                 "X:     1.00", "Y:     2.00", "Z:    -2.95", "FR: 27"};
    EXPECT_EQ(st.panes, expected);  // the look point lies 0.05 in front of the eye

    // Grid on shows the spacing instead; animate mode the model's frame.
    s.modes.grid = true;
    s.settings.grid = 0.06f;
    s.modes.animateMode = true;
    s.model.currentFrame = 12;
    const ViewStatus grid = s.Run();
    EXPECT_EQ(grid.panes[1], "Grid:  0.06");
    EXPECT_EQ(grid.panes[7], "FR: 12");

    // Turned a quarter to the right, and looking straight up.
    s.camera.SetCameraOrientation({1, 0, 0}, {0, 1, 0});
    EXPECT_EQ(s.Run().panes[2], "Yaw: 90");
    s.camera.SetCameraOrientation({0, 1, 0}, {0, 0, -1});
    EXPECT_EQ(s.Run().panes[3], "Tilt: 90");
}

// The status pass keeps the grid spacing on its 0.02 steps; half steps round up, so the
// default 0.01 becomes 0.02, not 0, and every step up to 0.2 survives float rounding.
TEST(ViewStatus, GridSpacingIsKeptOnItsSteps)
{
    StatusScene s;
    std::vector<std::pair<float, float>> cases = {{0.01f, 0.02f}, {0.029f, 0.02f}, {0.03f, 0.04f}, {-1.0f, 0.02f}};
    for (int k = 1; k <= 10; ++k)
        cases.emplace_back(static_cast<float>(k * 0.02), static_cast<float>(k * 0.02));
    for (const auto& [in, out] : cases) {
        s.settings.grid = in;
        s.Run();
        EXPECT_FLOAT_EQ(s.settings.grid, out) << "from " << in;
    }
}
