#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <tuple>

#include "edit/view_commands.h"
#include "support/files.h"
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

    // Each command and what it left, a line of the recorded log; its first line names the
    // columns.
    std::string log = "command: ran, render mode, view, sector light, current mesh face node, frame, on (grid, "
                      "face only, edges only, face, mesh, texturing, animate, coordinates, game view, game light), "
                      "nodes, the first one's z and face\n";
    void Note(const char* what, const EditOutcome& outcome)
    {
        const bool any = !sel.nodes.empty();
        char line[200];
        std::snprintf(line, sizeof line, "%s: %s, %d, %d, %g, %d %d %d, %d, %d%d%d%d%d%d%d%d%d%d, %zu, %g %d\n", what,
                      Ran(outcome) ? "ran" : "refused", static_cast<int>(modes.renderMode),
                      static_cast<int>(modes.viewKind), modes.gameAmbient, sel.currentMesh, sel.currentFace,
                      sel.currentNode, model.currentFrame, modes.grid, modes.gridFaceOnly, modes.gridEdgesOnly,
                      modes.faceMode, modes.meshMode, modes.texturingMode, modes.animateMode, modes.coordinateMode,
                      modes.gameView, modes.gameCameraLight, sel.nodes.size(), any ? sel.nodes[0].position.z : 0.0f,
                      any ? sel.nodes[0].face : -1);
        log += line;
    }
};

}  // namespace

// Each command against the recorded log, a fresh document each part: the one-mesh render
// modes need a current mesh and drop the current face; the camera's light works only in
// the game view; the sector light stays within 0..1 (a NaN is none) and the same level
// asks for nothing; the edit modes exclude each other (Animate needs a keyframe and
// brings Mesh Mode); the grid needs a face, or a mesh in Mesh Mode, and its Face Only (on
// at first) and Edges Only each turn the other off, neither giving the mesh's lattice.
TEST_F(Doc, ModeCommandsAndWhatTheyLeave)
{
    EXPECT_EQ(RenderModeFromSetting(5), RenderMode::All);  // a setting out of range draws everything
    Note("all wireframe, nothing current", SetRenderMode(ctx, RenderMode::AllWireframe));
    Note("mesh wireframe, nothing current", SetRenderMode(ctx, RenderMode::MeshWireframe));
    SelectFace(1);
    modes.grid = true;
    Note("mesh, face 1 current, grid on", SetRenderMode(ctx, RenderMode::Mesh));

    modes = EditModes{};
    SelectFace(1);
    Note("game light, game view off", ToggleGameCameraLight(ctx));
    Note("game view", ToggleGameView(ctx));
    Note("game light", ToggleGameCameraLight(ctx));
    for (const auto& [what, level] : {std::pair{"sector light 2", 2.0f}, {"sector light -1", -1.0f},
                                      {"sector light 0.25", 0.25f}, {"sector light NaN", NAN},
                                      {"sector light 0.25", 0.25f}, {"sector light 0.25 again", 0.25f}})
        Note(what, SetGameAmbient(ctx, level));

    modes = EditModes{};
    sel = Selection{};
    Note("mesh mode, nothing current", ToggleMeshMode(ctx));
    SelectFace(0);
    modes.texturingMode = modes.animateMode = true;
    Note("face mode, texturing and animate on", ToggleFaceMode(ctx));
    Note("grid", ToggleGrid(ctx));
    sel.currentNode = 1;
    Note("mesh mode, node 1 current", ToggleMeshMode(ctx));
    Note("texturing in mesh mode", ToggleTexturingMode(ctx));
    Note("mesh mode off", ToggleMeshMode(ctx));
    model.currentFrame = 2;
    modes.faceMode = true;
    Note("texturing, face mode on, frame 2", ToggleTexturingMode(ctx));
    modes.viewKind = ViewKind::Animating;
    Note("coordinates in the animating view", ToggleCoordinateMode(ctx));
    Note("mesh mode", ToggleMeshMode(ctx));
    Note("animate without a keyframe", ToggleAnimateMode(ctx));
    model.keyframe = CKeyframe();
    Note("grid", ToggleGrid(ctx));
    modes.scaleMatrix = Matrix4::Scaling(2, 2, 2);
    Note("animate", ToggleAnimateMode(ctx));
    ExpectClose(model.modelMatrix, modes.scaleMatrix * Matrix4::RotationY(kPi));
    Note("grid in animate mode", ToggleGrid(ctx));

    modes = EditModes{};
    sel = Selection{};
    sel.currentMesh = 0;
    Note("grid, mesh 0 current, no face", ToggleGrid(ctx));
    Note("face only outside mesh mode", ToggleFaceOnly(ctx));
    Note("mesh mode", ToggleMeshMode(ctx));
    Note("edges only, grid off", ToggleEdgesOnly(ctx));
    settings.grid = 0.5f;
    Note("grid at 0.5: the faces, moved by the node", ToggleGrid(ctx));
    Note("edges only", ToggleEdgesOnly(ctx));
    Note("face only", ToggleFaceOnly(ctx));
    Note("face only off: the lattice", ToggleFaceOnly(ctx));
    Note("grid off", ToggleGrid(ctx));
    orvtest::ExpectSameAsFixture("expected", "view_mode_commands.txt", log);
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
        // The camera's framing is in the command sweep's record; the poses go back to their base.
        Note("standard view, frame 3, grid on", ShowStandardView(ctx, v.kind));
        ExpectClose(TransformPoint({0, 0, 1}, model.modelMatrix), v.front);
        ExpectClose(TransformPoint({0, 1, 0}, model.modelMatrix), v.top);
    }
    Note("standard view: rotating", ShowStandardView(ctx, ViewKind::Rotating));

    // Rotating: from the front, a step turns by -0.05 about y; it draws the whole model
    // (all-wireframe is kept) and has nothing current.
    SelectFace(0);
    modes.renderMode = RenderMode::Mesh;
    Note("rotating, face 0 current, the mesh drawn", StartRotateView(ctx));
    ExpectClose(model.modelMatrix, modes.scaleMatrix * Matrix4::RotationY(kPi));
    ExpectClose(model.rotationStep, Matrix4::RotationY(-0.05f));
    modes.renderMode = RenderMode::AllWireframe;
    Note("rotating, all wireframe", StartRotateView(ctx));
    orvtest::ExpectSameAsFixture("expected", "view_standard_and_rotating.txt", log);

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
