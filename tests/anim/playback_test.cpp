#include <gtest/gtest.h>

#include <cmath>

#include "anim/playback.h"
#include "formats/keyfile.h"
#include "support/model_builder.h"
#include "test_util.h"

using namespace orv;

namespace {

// Nodes "hip", "leg" (twice, as a model may name two nodes alike) and "arm", each
// placing a mesh; a keyframe of frameCount frames animates "LEG" (other letter case).
struct Rig {
    std::unique_ptr<CModel> model = std::make_unique<CModel>();
    Settings settings;
    EditModes modes;
    Selection selection;

    explicit Rig(int32_t frameCount)
    {
        for (const char* name : {"hip", "leg", "leg", "arm"}) {
            orvtest::AddMesh(*model);
            model->nodes.back().name = name;
            model->nodes.back().position = {0.5f, 0.25f, 0.0f};
        }
        model->RebuildHierarchy();
        model->frameCount = frameCount;
        model->frameTime = 1.0f / 10.0f;
        model->keyframe = CKeyframe();
        model->keyframe->name = "rig.key";
        model->keyframe->frames = frameCount;
        // Each entry's num, frame, flags, position, rotation and their deltas.
        model->keyframe->nodes = {{"LEG",
                                   {{0, 0, 0, {0, 0, 0}, {0, 0, 0}, {0.1f, 0, 0}, {0, 10, 0}},
                                    {0, 5, 0, {1, 1, 1}, {90, 0, 0}, {0, -0.2f, 0}, {-5, 0, 0}}}}};
    }
    EditContext Ctx() { return EditContext{*model, modes, settings, &selection, nullptr}; }
    const std::vector<Matrix4>& Poses(int node) { return model->nodes[static_cast<std::size_t>(node)].poses; }
};

}  // namespace

// At 0.05 s a drawn frame FPS 10 steps on every third: two make the frame time exactly.
TEST(Playback, AdvanceStepsStrictlyPastTheFrameTimeAndWraps)
{
    CModel m;
    m.frameCount = 20;
    m.frameTime = 1.0f / 10.0f;
    std::vector<int32_t> frames;
    for (int i = 0; i < 6; ++i) {
        AdvanceAnimation(m, 0.05f);
        frames.push_back(m.currentFrame);
    }
    EXPECT_EQ(frames, (std::vector<int32_t>{0, 0, 1, 1, 1, 2}));

    m.frameTime = 1.0f / 30.0f;
    m.currentFrame = 0;
    m.timeAccumulator = 0;
    for (int i = 1; i <= 20; ++i) {
        AdvanceAnimation(m, 0.05f);
        ASSERT_EQ(m.currentFrame, i % 20);  // the last frame wraps to the first
    }

    // The wait until the next step: 0.1 s frame time, 0.03 s collected, 0.02 s since.
    m.frameTime = 0.1f;
    m.timeAccumulator = 0.03f;
    EXPECT_EQ(MsUntilFrameStep(m, 0.02), 51);
    EXPECT_EQ(MsUntilFrameStep(m, 0.2), 0);
    m.frameTime = 1.0f / 0.0f;  // FPS 0
    EXPECT_EQ(MsUntilFrameStep(m, 0.0), -1);
}

// Entries at frames 0 and 5 with 10 frames: poses 0-4 step from the first entry by its
// own deltas, poses 5-9 from the second by its deltas (worked by hand below).
TEST(Playback, PosesStepEachEntryByItsDeltasForEveryNodeOfTheName)
{
    Rig r(10);
    r.model->currentFrame = 3;
    ASSERT_TRUE(orvtest::Ok(BuildAnimationPoses(*r.model)));
    EXPECT_EQ(r.model->currentFrame, 0);
    ASSERT_EQ(r.Poses(1).size(), 10u);
    EXPECT_EQ(r.Poses(2), r.Poses(1));  // both nodes named "leg"
    EXPECT_EQ(r.Poses(0).size(), 1u);   // "hip" keeps its base pose

    const auto rad = [](float deg) { return deg * 3.1415927f / 180.0f; };
    // Pose 3: position (0.3, 0, 0), roll 30 degrees: m(0,1) = -sin r, m(1,1) = cos r.
    const Matrix4& p3 = r.Poses(1)[3];
    orvtest::ExpectClose(Vec3(p3(3, 0), p3(3, 1), p3(3, 2)), {0.3f, 0, 0});
    EXPECT_NEAR(p3(0, 1), -std::sin(rad(30)), 1e-5f);
    EXPECT_NEAR(p3(1, 1), std::cos(rad(30)), 1e-5f);
    // Pose 7: the second entry two steps on: position (1, 0.6, 1), pitch 80 degrees:
    // m(2,1) = sin p, m(1,1) = cos p.
    const Matrix4& p7 = r.Poses(1)[7];
    orvtest::ExpectClose(Vec3(p7(3, 0), p7(3, 1), p7(3, 2)), {1, 0.6f, 1});
    EXPECT_NEAR(p7(2, 1), std::sin(rad(80)), 1e-5f);
    EXPECT_NEAR(p7(1, 1), std::cos(rad(80)), 1e-5f);

    // A keyframe that no longer names "leg": back to the base pose.
    r.model->keyframe->nodes[0].meshName = "arm";
    ASSERT_TRUE(orvtest::Ok(BuildAnimationPoses(*r.model)));
    EXPECT_EQ(r.Poses(1).size(), 1u);
    EXPECT_EQ(r.Poses(3).size(), 10u);
}

TEST(Playback, AnimatingViewAnimateModeAndFrameSteps)
{
    Rig r(10);
    EditContext c = r.Ctx();
    r.modes.renderMode = RenderMode::Mesh;
    r.selection.currentMesh = 1;
    r.selection.currentFace = 0;
    ASSERT_TRUE(orvtest::Ran(StartAnimatingView(c)));
    EXPECT_EQ(std::pair(r.modes.viewKind, r.modes.renderMode), std::pair(ViewKind::Animating, RenderMode::All));
    EXPECT_EQ(r.Poses(1).size(), 10u);

    // Animate mode brings mesh mode with it.
    r.modes.faceMode = true;
    ASSERT_TRUE(orvtest::Ran(SwitchAnimateMode(c)));
    EXPECT_TRUE(r.modes.animateMode && r.modes.meshMode && !r.modes.faceMode);
    ASSERT_TRUE(orvtest::Ran(NextFrame(c)));
    // Switching off builds the poses again at frame 0.
    ASSERT_TRUE(orvtest::Ran(SwitchAnimateMode(c)));
    EXPECT_EQ(r.model->currentFrame, 0);
}

// After undo or a dialog the animation comes back where it was, within its frames. Two
// billion poses are refused at once: base poses at frame 0, and why; the views that would
// play them do not start.
TEST(Playback, RestoreAnimationAtKeepsTheFrameInRangeAndAHugeKeyframeIsRefused)
{
    Rig r(10);
    ASSERT_TRUE(orvtest::Ok(RestoreAnimationAt(*r.model, 7)));
    EXPECT_EQ(std::pair(r.model->currentFrame, r.Poses(1).size()), std::pair(7, std::size_t{10}));
    ASSERT_TRUE(orvtest::Ok(RestoreAnimationAt(*r.model, 25)));
    EXPECT_EQ(r.model->currentFrame, 9) << "a frame past the end shows the last";
    ASSERT_TRUE(orvtest::Ok(RestoreAnimationAt(*r.model, -3)));
    EXPECT_EQ(r.model->currentFrame, 0);

    r.model->nodes[1].name = "torso";
    TextBuffer text(orvtest::FixtureText("key", "frames_two_billion.key"));
    r.model->keyframe = ReadKey(*r.model, text).keyframe;
    r.model->keyframe->name = "frames_two_billion.key";
    ASSERT_EQ(r.model->frameCount, 2000000000);
    r.model->currentFrame = 4;
    EXPECT_NE(RestoreAnimationAt(*r.model, 6).error().find("frames_two_billion.key cannot be played"),
              std::string::npos);
    EXPECT_EQ(std::pair(r.model->currentFrame, r.Poses(1).size()), std::pair(0, std::size_t{1}));
    r.selection.currentMesh = 1;
    EditContext c = r.Ctx();
    EXPECT_FALSE(orvtest::Ran(StartAnimatingView(c)));
    EXPECT_EQ(r.modes.viewKind, ViewKind::Front);
    r.modes.meshMode = true;
    EXPECT_FALSE(orvtest::Ran(SwitchAnimateMode(c)));
    EXPECT_FALSE(r.modes.animateMode);
}
