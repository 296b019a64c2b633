#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "edit/view_commands.h"
#include "support/model_builder.h"

using namespace orv;
using orvtest::ExpectClose;
using orvtest::Ran;

namespace {

// One mesh with two faces, its node moved to z = 1, a camera, a selection: a document's view.
struct Doc : ::testing::Test {
    CModel model;
    EditModes modes;
    Settings settings;
    Selection sel;
    Camera camera = orvtest::CameraAt({0, 0, -3});
    EditContext ctx{model, modes, settings, &sel, &camera};

    void SetUp() override
    {
        CMesh& m = orvtest::AddMesh(model);
        orvtest::AddSquare(m, 0, 0, 0, 1);
        orvtest::AddSquare(m, 2, 0, 0, 1);
        model.nodes[0].position = {0, 0, 1};
        orvtest::Place(model);
    }

    void SelectFace(int face)
    {
        sel.currentMesh = 0;
        sel.currentFace = face;
        sel.RebuildNodes(model, modes, settings);
    }

    std::string ScalePane() { return camera.UpdateViewStatus(model, modes, 0, settings, "").panes[1]; }
};

}  // namespace

TEST_F(Doc, RenderModes)
{
    EXPECT_EQ(WhyNotSetRenderMode(ctx, RenderMode::AllWireframe), nullptr);
    EXPECT_FALSE(Ran(SetRenderMode(ctx, RenderMode::MeshWireframe)));  // modes 3 and 4 need a current mesh
    EXPECT_EQ(RenderModeFromSetting(5), RenderMode::All);              // a setting out of range draws everything
    EXPECT_EQ(modes.renderMode, RenderMode::All);

    SelectFace(1);
    modes.grid = true;
    ASSERT_TRUE(Ran(SetRenderMode(ctx, RenderMode::Mesh)));
    EXPECT_EQ(modes.renderMode, RenderMode::Mesh);  // the current face dropped: in the command sweep's record
    EXPECT_TRUE(sel.nodes.empty());
    EXPECT_FALSE(modes.grid);
}

// The game view's light: the camera's light only while the view is on, the sector's
// light within 0..1 (a NaN is no light), the selection and the render mode untouched.
TEST_F(Doc, GameViewAndItsLight)
{
    SelectFace(1);
    EXPECT_FALSE(Ran(ToggleGameCameraLight(ctx)));  // its reason is in the disabled-command record
    ASSERT_TRUE(Ran(ToggleGameView(ctx)));
    ASSERT_TRUE(Ran(ToggleGameCameraLight(ctx)));
    EXPECT_EQ(std::tuple(modes.gameView, modes.gameCameraLight, sel.currentFace), std::tuple(true, false, 1));
    for (const auto& [level, kept] : {std::pair(2.0f, 1.0f), {-1.0f, 0.0f}, {NAN, 0.0f}, {0.25f, 0.25f}}) {
        SetGameAmbient(ctx, level);
        EXPECT_EQ(modes.gameAmbient, kept) << level;
    }
    EXPECT_FALSE(Ran(SetGameAmbient(ctx, 0.25f)));  // no change, no redraw
    EXPECT_EQ(modes.renderMode, RenderMode::All);
}

TEST_F(Doc, StandardAndRotatingViewsTurnTheModelNotTheCamera)
{
    ASSERT_TRUE(camera.KeyTurnLoop(false, true, {}));
    modes.scaleMatrix = Matrix4::Scaling(2, 2, 2);
    const struct {
        ViewKind kind;
        Vec3 front, top;  // where the model's +z and +y end up
    } views[] = {{ViewKind::Front, {0, 0, -2}, {0, 2, 0}}, {ViewKind::Left, {-2, 0, 0}, {0, 2, 0}},
                 {ViewKind::Right, {2, 0, 0}, {0, 2, 0}},  {ViewKind::Back, {0, 0, 2}, {0, 2, 0}},
                 {ViewKind::Top, {0, -2, 0}, {0, 0, -2}},  {ViewKind::Bottom, {0, -2, 0}, {0, 0, 2}}};
    for (const auto& v : views) {
        SCOPED_TRACE(static_cast<int>(v.kind));
        model.currentFrame = 3;
        SelectFace(0);
        modes.grid = true;
        ASSERT_TRUE(Ran(ShowStandardView(ctx, v.kind)));  // the camera's framing: in the command sweep's record
        EXPECT_EQ(std::tuple(modes.viewKind, model.currentFrame, modes.grid, sel.nodes.empty()),
                  std::tuple(v.kind, 0, false, true));  // poses back to their base
        ExpectClose(TransformPoint({0, 0, 1}, model.modelMatrix), v.front);
        ExpectClose(TransformPoint({0, 1, 0}, model.modelMatrix), v.top);
    }
    EXPECT_FALSE(Ran(ShowStandardView(ctx, ViewKind::Rotating)));

    // Rotating: from the front, a step turns by -0.05 about y; it draws the whole model
    // (all-wireframe is kept) and has nothing current.
    SelectFace(0);
    modes.renderMode = RenderMode::Mesh;
    ASSERT_TRUE(Ran(StartRotateView(ctx)));
    EXPECT_EQ(std::pair(modes.viewKind, modes.renderMode), std::pair(ViewKind::Rotating, RenderMode::All));
    EXPECT_EQ(std::pair(sel.currentMesh, sel.currentFace), std::pair(-1, -1));
    EXPECT_TRUE(sel.nodes.empty());
    ExpectClose(model.modelMatrix, modes.scaleMatrix * Matrix4::RotationY(kPi));
    ExpectClose(model.rotationStep, Matrix4::RotationY(-0.05f));
    modes.renderMode = RenderMode::AllWireframe;
    StartRotateView(ctx);
    EXPECT_EQ(modes.renderMode, RenderMode::AllWireframe);

    // Without a renderer the document still changes its state.
    EditContext bare{model, modes, settings};
    ASSERT_TRUE(Ran(ShowStandardView(bare, ViewKind::Back)));
    ExpectClose(model.modelMatrix, modes.scaleMatrix);
}

TEST_F(Doc, ScaleStaysWithinFiveSteps)
{
    SelectFace(0);
    modes.grid = true;
    const Matrix4 start = model.modelMatrix = Matrix4::RotationY(kPi);
    int steps = 0;
    while (Ran(ScaleUp(ctx)))
        ++steps;
    EXPECT_EQ(steps, 5);
    EXPECT_FALSE(modes.grid);
    ExpectClose(model.modelMatrix, start * Matrix4::Scaling(32, 32, 32), 1e-4f);
    EXPECT_EQ(ScalePane(), "Scale: 32:1");
    while (Ran(ScaleDown(ctx)))
        ++steps;
    EXPECT_EQ(steps, 15);
    ExpectClose(modes.scaleMatrix, Matrix4::Scaling(1.0f / 32, 1.0f / 32, 1.0f / 32));
    EXPECT_EQ(ScalePane(), "Scale: 1:32");
}

// The steps land on the ends of the ranges exactly, however the float steps add up.
TEST_F(Doc, GridAndNodeSizeStepsStopAtTheirRanges)
{
    EXPECT_FALSE(Ran(GridSmaller(ctx)));  // grid off
    EXPECT_FALSE(Ran(NodesLarger(ctx)));  // no current face
    SelectFace(0);
    ASSERT_TRUE(Ran(ToggleGrid(ctx)));
    EXPECT_FALSE(Ran(GridSmaller(ctx)));  // the default 0.01 lies below the range
    settings.grid = 0.03f;
    sel.currentNode = 3;
    ASSERT_TRUE(Ran(GridSmaller(ctx)));
    EXPECT_FLOAT_EQ(settings.grid, 0.02f);  // never below 0.02
    EXPECT_EQ(sel.currentNode, -1);
    settings.grid = Settings{}.grid;

    const float before = sel.nodes.at(0).halfSize;
    using Step = EditOutcome (*)(EditContext&);
    using Why = const char* (*)(const EditContext&);
    const struct {
        float Settings::*value;
        SettingRange<float> range;
        Step up, down;
        Why cannotUp, cannotDown;
        int upSteps, downSteps;
    } settingSteps[] = {
        {&Settings::grid, kGridRange, GridLarger, GridSmaller, WhyNotGridLarger, WhyNotGridSmaller, 10, 9},
        {&Settings::vertexScaling, kVertexScalingRange, NodesLarger, NodesSmaller, WhyNotNodesLarger,
         WhyNotNodesSmaller, 72, 79},
    };
    auto reason = [](const char* why) { return std::string(why ? why : ""); };
    for (const auto& s : settingSteps) {
        SCOPED_TRACE(s.upSteps);
        int steps = 0;
        while (Ran(s.up(ctx)))
            ASSERT_LT(++steps, 200);
        EXPECT_EQ(steps, s.upSteps);
        EXPECT_EQ(settings.*s.value, s.range.max);
        EXPECT_TRUE(reason(s.cannotUp(ctx)).ends_with("largest")) << reason(s.cannotUp(ctx));
        for (steps = 0; Ran(s.down(ctx));)
            ASSERT_LT(++steps, 200);
        EXPECT_EQ(steps, s.downSteps);
        EXPECT_EQ(settings.*s.value, s.range.min);
        EXPECT_TRUE(reason(s.cannotDown(ctx)).ends_with("smallest")) << reason(s.cannotDown(ctx));
    }

    // A size stored past the range (by hand, or by an older version) steps back into it.
    settings.vertexScaling = 0.5f;
    ASSERT_TRUE(Ran(NodesSmaller(ctx)));
    EXPECT_EQ(settings.vertexScaling, kVertexScalingRange.max);

    // The vertex nodes are rebuilt at once, at the new size.
    ASSERT_TRUE(Ran(ToggleGrid(ctx)));
    settings.vertexScaling = 0.01f;
    ASSERT_TRUE(Ran(NodesLarger(ctx)));
    EXPECT_FLOAT_EQ(sel.nodes.at(0).halfSize, before + 0.00125f * 0.2f);
}

TEST_F(Doc, EditModesExcludeEachOther)
{
    EXPECT_FALSE(Ran(ToggleMeshMode(ctx)));  // needs a current mesh
    SelectFace(0);
    modes.texturingMode = modes.animateMode = true;
    ASSERT_TRUE(Ran(ToggleFaceMode(ctx)));
    EXPECT_EQ(std::tuple(modes.faceMode, modes.texturingMode, modes.animateMode, modes.meshMode),
              std::tuple(true, false, false, false));

    ASSERT_TRUE(Ran(ToggleGrid(ctx)));
    sel.currentNode = 1;
    ASSERT_TRUE(Ran(ToggleMeshMode(ctx)));
    EXPECT_EQ(std::tuple(modes.meshMode, modes.faceMode, modes.grid, sel.currentNode), std::tuple(true, false, false, -1));
    EXPECT_TRUE(sel.nodes.empty());  // no vertex nodes in mesh mode

    // Texturing needs mesh mode off; it clears the nodes, face mode and the pose.
    EXPECT_FALSE(Ran(ToggleTexturingMode(ctx)));
    ASSERT_TRUE(Ran(ToggleMeshMode(ctx)));
    model.currentFrame = 2;
    modes.faceMode = true;
    ASSERT_TRUE(Ran(ToggleTexturingMode(ctx)));
    EXPECT_EQ(std::tuple(modes.texturingMode, modes.faceMode, sel.nodes.empty(), model.currentFrame),
              std::tuple(true, false, true, 0));

    // Coordinates: not in the animating view. Animate: mesh mode with a keyframe; from the front.
    modes.viewKind = ViewKind::Animating;
    EXPECT_FALSE(Ran(ToggleCoordinateMode(ctx)));
    ASSERT_TRUE(Ran(ToggleMeshMode(ctx)));
    EXPECT_NE(WhyNotToggleAnimateMode(ctx), nullptr);  // no keyframe
    model.keyframe = CKeyframe();
    ASSERT_TRUE(Ran(ToggleGrid(ctx)));
    modes.scaleMatrix = Matrix4::Scaling(2, 2, 2);
    ASSERT_TRUE(Ran(ToggleAnimateMode(ctx)));
    EXPECT_EQ(std::pair(modes.animateMode, modes.grid), std::pair(true, false));
    ExpectClose(model.modelMatrix, modes.scaleMatrix * Matrix4::RotationY(kPi));
    EXPECT_NE(WhyNotToggleGrid(ctx), nullptr);
}

// The grid's layouts themselves are tested with the selection; here the switches' rules.
TEST_F(Doc, GridSwitchesAndTheirRules)
{
    sel.currentMesh = 0;
    EXPECT_NE(WhyNotToggleGrid(ctx), nullptr);  // neither mesh mode nor a face
    EXPECT_FALSE(Ran(ToggleFaceOnly(ctx)));     // needs mesh mode
    ASSERT_TRUE(Ran(ToggleMeshMode(ctx)));
    EXPECT_FALSE(Ran(ToggleEdgesOnly(ctx)));  // needs the grid on
    settings.grid = 0.5f;
    ASSERT_TRUE(Ran(ToggleGrid(ctx)));
    EXPECT_TRUE(modes.gridFaceOnly);  // face only starts on
    const std::size_t faces = sel.nodes.size();
    ASSERT_GT(faces, 0u);
    EXPECT_EQ(sel.nodes[0].position.z, 1.0f);  // on the faces, moved by the node

    // Edges only and face only exclude each other; neither gives the mesh's lattice.
    ASSERT_TRUE(Ran(ToggleEdgesOnly(ctx)));
    EXPECT_EQ(std::pair(modes.gridEdgesOnly, modes.gridFaceOnly), std::pair(true, false));
    EXPECT_LT(sel.nodes.size(), faces);
    ASSERT_TRUE(Ran(ToggleFaceOnly(ctx)));
    EXPECT_EQ(std::pair(modes.gridEdgesOnly, modes.gridFaceOnly), std::pair(false, true));
    ASSERT_TRUE(Ran(ToggleFaceOnly(ctx)));
    EXPECT_EQ(std::pair(modes.gridEdgesOnly, modes.gridFaceOnly), std::pair(false, false));
    EXPECT_EQ(sel.nodes.at(0).face, -1);

    // Grid off in mesh mode: no nodes at all.
    ASSERT_TRUE(Ran(ToggleGrid(ctx)));
    EXPECT_TRUE(sel.nodes.empty());
}
