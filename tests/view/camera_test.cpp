#include <gtest/gtest.h>

#include <cmath>

#include "edit/view_commands.h"
#include "support/model_builder.h"
#include "view/camera.h"

using namespace orv;
using orvtest::CameraAt;
using orvtest::ExpectClose;

namespace {

constexpr Modifiers kShift{true, false, false}, kCtrl{false, true, false}, kAlt{false, false, true};

// A camera turned away from every axis: tilted while level, then turned about y. (A tilt
// after a turn leaves the view a little skewed; these tests want exact rotations.)
Camera TurnedCamera()
{
    Camera c = CameraAt({0.3f, 0.2f, -2.0f});
    EXPECT_TRUE(c.KeyTiltLoop(true, false, kShift));
    EXPECT_TRUE(c.OrbitCamera({0, 1, 0}, 0.7f));
    c.UpdateEyeFromView();
    return c;
}

}  // namespace

TEST(Camera, ProjectionAndAlt)
{
    Camera c;
    c.SetProjection(800, 600, false);
    // Field of view pi/3 (cot pi/6 = sqrt 3), the window's aspect h / w (a square stays
    // square), depth 0.05 .. 100.
    EXPECT_NEAR(c.projection(1, 1), std::sqrt(3.0f), 1e-5f);
    EXPECT_NEAR(c.projection(0, 0), std::sqrt(3.0f) * 0.75f, 1e-5f);
    EXPECT_NEAR(c.projection(2, 2), 100.0f / 99.95f, 1e-6f);
    c.SetProjection(800, 600, true);  // enlarged: pi/8
    EXPECT_NEAR(c.projection(1, 1), 5.0273395f, 1e-4f);
    c.SetProjection(0, 0, false);  // a window with no area yet
    EXPECT_TRUE(std::isfinite(c.projection(0, 0)));

    // Alt keeps the view and only reads the eye back; moving with it goes the same way.
    Camera t = TurnedCamera();
    const Vec3 eye = t.eye;
    const Matrix4 before = t.view;
    t.SetCameraPosition({5, 5, 5}, kAlt);
    EXPECT_EQ(t.view, before);
    ExpectClose(t.eye, eye);
    Camera alt = t;
    t.MoveCamera(0.25f);
    alt.MoveCamera(0.25f, kAlt);
    ExpectClose(t.eye, eye + 0.25f * t.direction);
    ExpectClose(alt.eye, t.eye);
}

TEST(Camera, TurnsOrbitTheOrigin)
{
    // Where a turn takes the eye is in the command sweep's record. Half the 0.1 step; Shift
    // doubles it and wins over Ctrl; Ctrl halves it. Left turns back.
    const std::pair<Modifiers, float> steps[] = {{{}, 0.05f}, {{true, true, false}, 0.1f}, {kCtrl, 0.025f}};
    for (const auto& [mods, yaw] : steps) {
        Camera s = CameraAt({0, 0, -3});
        s.KeyTurnLoop(false, true, mods);
        s.UpdateViewInfo();
        EXPECT_NEAR(std::fabs(s.yaw), yaw, 1e-5f);
        s.KeyTurnLoop(true, false, mods);
        s.UpdateViewInfo();
        EXPECT_NEAR(s.yaw, 0.0f, 1e-5f);
    }

    EXPECT_FALSE(CameraAt({0, 0, -3}).KeyTurnLoop(false, false, {}));  // no key held: the loop ends
}

TEST(Camera, TiltStopsShortOfVertical)
{
    for (const bool pageUp : {true, false}) {
        Camera c = CameraAt({0, 0, -3});
        int refusedFrom = -1;
        for (int i = 0; i < 60; ++i) {
            const Matrix4 before = c.view;
            c.KeyTiltLoop(pageUp, !pageUp, {});
            EXPECT_LE(std::fabs(c.direction.y), 0.99f) << i;
            EXPECT_GE(c.up.y, 0.0f) << i;
            if (c.view == before && refusedFrom < 0)
                refusedFrom = i;
            EXPECT_TRUE(refusedFrom < 0 || c.view == before) << "once refused, held keys change nothing";
        }
        ASSERT_GT(refusedFrom, 5) << "the tilt should move for a while first";
        // Page Up looks up, Page Down down, both ending close to the limit.
        EXPECT_GT(pageUp ? c.direction.y : -c.direction.y, 0.95f);
    }
}

TEST(Camera, MoveStepsFollowModifiersAndScale)
{
    const std::tuple<Modifiers, int, bool, float> cases[] = {{{}, 0, false, 0.01f},
                                                             {kCtrl, 0, false, 0.005f},
                                                             {kShift, 0, false, 0.02f},
                                                             {{}, 2, false, 0.04f},
                                                             {{}, -1, true, -0.005f}};
    for (const auto& [mods, e, down, expected] : cases) {
        Camera c = CameraAt({0, 0, -3});
        ASSERT_TRUE(c.KeyMoveLoop(!down, down, mods, e));
        EXPECT_NEAR(c.eye.z, -3.0f + expected, 1e-6f);
    }
}

TEST(Camera, PanLineStepsAreAsymmetric)
{
    Camera c = CameraAt({0, 0, -3});
    c.PanHorizontal(kScrollLineDown, 0, false);  // line right
    EXPECT_EQ(c.hScrollPos, 1);
    EXPECT_NEAR(c.eye.x, 1.9f * 0.002f, 1e-7f);
    c.PanHorizontal(kScrollLineUp, 0, false);  // line left: position 0, the eye kept 0.9 of a step
    EXPECT_EQ(c.hScrollPos, 0);
    ExpectClose(c.eye, {0.9f * 0.002f, 0, -3}, 1e-7f);
    // Thumb tracking goes to the position given; unknown codes move nothing.
    c.PanHorizontal(kScrollThumbTrack, 4, false);
    c.PanHorizontal(8, 100, false);
    EXPECT_EQ(c.hScrollPos, 4);
    EXPECT_NEAR(c.eye.x, 4.9f * 0.002f, 1e-6f);

    // Enlarged, a page of 5 pans 0.2 of the distance.
    Camera e = CameraAt({0, 0, -3});
    e.PanHorizontal(kScrollPageDown, 0, true);
    EXPECT_EQ(e.hScrollPos, 5);
    EXPECT_NEAR(e.eye.x, 0.2f * 5 * 0.002f, 1e-7f);

    // A vertical line moves its own bar (the eye's vertical steps are in the command sweep's record).
    Camera v = CameraAt({0, 0, -3});
    v.PanVertical(kScrollLineUp, 0, false);
    EXPECT_EQ(std::pair(v.vScrollPos, v.hScrollPos), std::pair(-1, 0));
}

TEST(Camera, BookmarksRestoreExactly)
{
    CModel model;
    Camera c = TurnedCamera();
    model.modelMatrix = Matrix4::Scaling(2, 2, 2) * Matrix4::RotationY(1.1f);
    const Camera marked = c;
    const Matrix4 world = model.modelMatrix;
    for (const int i : {5, 10, -1})  // outside 0..9: not stored
        c.StoreBookmark(model, i);
    ASSERT_EQ(model.bookmarks.size(), 6u);

    c.KeyTurnLoop(true, false, {});
    c.KeyMoveLoop(true, false, {}, 0);
    model.modelMatrix = Matrix4::Identity();
    // Nothing stored, beyond the array, or a record without a camera (as a project file
    // reads them back): nothing is recalled.
    model.bookmarks[3] = CameraBookmark();
    for (const int i : {2, 3, 9})
        EXPECT_FALSE(c.RecallBookmark(model, i)) << i;
    EXPECT_EQ(model.modelMatrix, Matrix4::Identity());

    ASSERT_TRUE(c.RecallBookmark(model, 5));
    EXPECT_EQ(std::tuple(c.eye, c.direction, c.up, c.lookPoint),
              std::tuple(marked.eye, marked.direction, marked.up, marked.eye));
    EXPECT_EQ(model.modelMatrix, world);
    ExpectClose(c.view, marked.view);
}

TEST(Camera, MouseDragTurnsAndMoves)
{
    const ViewSize size{400, 400, 400, 400, false};
    Camera c = CameraAt({0, 0, -3});
    ASSERT_TRUE(c.MouseCamera(true, 100, 100, size, {}, 0));  // the first move only takes the point
    c.MouseCamera(true, 100, 90, size, {}, 0);                // up by 10: forward by 10 * 0.2 * 0.01
    EXPECT_NEAR(c.eye.z, -2.98f, 1e-6f);
    c.MouseCamera(true, 110, 90, size, {}, 0);  // sideways: turns where it stands
    c.UpdateViewInfo();
    EXPECT_NEAR(std::fabs(c.yaw), 0.2f * 10 * 0.05f, 1e-5f);
    EXPECT_NEAR(c.eye.z, -2.98f, 1e-5f);

    // A move without the button forgets the point: the next drag starts afresh.
    EXPECT_FALSE(c.MouseCamera(false, 300, 300, size, {}, 0));
    const Vec3 before = c.eye;
    c.MouseCamera(true, 300, 300, size, {}, 0);
    ExpectClose(c.eye, before, 1e-6f);

    // On a surface stretched to twice the window, window pixels count double; Shift
    // doubles the step and the scale exponent scales it.
    Camera s = CameraAt({0, 0, -3});
    const ViewSize stretched{200, 200, 400, 400, true};
    s.MouseCamera(true, 50, 50, stretched, kShift, 1);
    s.MouseCamera(true, 50, 45, stretched, kShift, 1);
    EXPECT_NEAR(s.eye.z, -3.0f + 10 * 0.4f * 2 * 0.01f, 1e-6f);
}

// Every box is framed whole, whatever its size, shape and place and the window's shape:
// all corners in the picture (the tighter side at the margin) and between the planes.
TEST(Camera, FramingShowsTheWholeBox)
{
    const std::pair<Vec3, Vec3> boxes[] = {
        {{-1, -0.5f, -0.25f}, {1, 1.5f, 2}},                    // off the origin in y
        {{-6, -0.5f, -1}, {4, 0.5f, 1}},                        // long: the sides bind
        {{-0.5f, -0.5f, -4}, {0.5f, 0.5f, 4}},                  // deep
        {{990, -383, -200}, {1010, 383, 200}},                  // large, far from the origin
        {{0.002f, 0.002f, 0.002f}, {0.004f, 0.003f, 0.0025f}},  // tiny
    };
    const std::tuple<int, int, bool> windows[] = {{400, 300, false}, {200, 400, false}, {400, 300, true}};
    for (const auto& [lo, hi] : boxes)
        for (const auto& [w, h, enlarge] : windows) {
            SCOPED_TRACE(::testing::Message() << lo.x << " " << hi.x << " " << w << "x" << h << " " << enlarge);
            Camera c = TurnedCamera();
            c.SetProjection(w, h, enlarge);
            c.hScrollPos = 4;
            c.FrameBox(lo, hi);
            EXPECT_EQ(std::tuple(c.direction, c.up, c.hScrollPos), std::tuple(Vec3(0, 0, 1), Vec3(0, 1, 0), 0));
            const Vec3 middle = 0.5f * (lo + hi);
            EXPECT_NEAR(c.eye.x, middle.x, 1e-4f * std::fabs(middle.x) + 1e-6f);
            EXPECT_NEAR(c.eye.y, middle.y, 1e-4f * std::fabs(middle.y) + 1e-6f);
            float widest = 0.0f;
            for (int i = 0; i < 8; ++i) {
                const Vec3 p{(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z};
                const auto q = Transform4({p.x, p.y, p.z, 1.0f}, c.view * c.projection);
                EXPECT_GT(q[3], c.nearPlane) << i;
                EXPECT_LT(q[3], c.farPlane) << i;
                widest = std::max({widest, std::fabs(q[0] / q[3]), std::fabs(q[1] / q[3])});
            }
            EXPECT_LE(widest, Camera::kFrameMargin + 1e-4f);
            EXPECT_GE(widest, Camera::kFrameMargin - 1e-4f) << "farther back than needed";
        }

    // Nothing to frame: the origin, with the default planes.
    Camera e;
    e.FrameBox(Vec3::All(1e11f), Vec3::All(-1e11f));
    ExpectClose(e.eye, {0, 0, -2 * Camera::kNear});
    EXPECT_EQ(std::pair(e.nearPlane, e.farPlane), std::pair(Camera::kNear, Camera::kFar));
}

// "Middle" turns the model to the front and frames it as now placed, not the box of the
// last frame.
TEST(Camera, CenterViewFramesTheModelFromTheFront)
{
    CModel model;
    orvtest::AddCube(orvtest::AddMesh(model));
    model.nodes[0].position = {3, 0, 0};
    orvtest::Place(model);
    EditModes modes;
    modes.scaleMatrix = Matrix4::Scaling(2, 2, 2);
    Camera c;
    c.SetProjection(400, 300, false);
    c.boxMin = {-1, -1, -1};
    c.boxMax = {1, 1, 1};
    Settings settings;
    EditContext context(model, modes, settings, nullptr, &c);
    CenterView(context);
    ExpectClose(model.modelMatrix, modes.scaleMatrix * Matrix4::RotationY(kPi));
    // Turned about y, the cube's middle (3, 0, 0), twice as large, is at x = -6.
    ExpectClose(c.boxMin, {-7, -1, -1}, 1e-5f);
    ExpectClose(c.eye, {-6, 0, c.eye.z});
    EXPECT_LT(c.eye.z, -1.0f);
}

// Each notch of the wheel moves a share of the way to the model's middle: forward zooms
// in, Shift twice and Ctrl a third as far; out again ends before the far plane.
TEST(Camera, WheelZoomsByShareOfTheDistance)
{
    auto at = [](float z) {
        Camera c = CameraAt({0, 0, z});
        c.boxMin = {-1, -1, -1};
        c.boxMax = {1, 1, 1};
        return c;
    };
    const std::tuple<int32_t, Modifiers, float> cases[] = {{120, {}, -8.5f},
                                                           {240, {}, -10 * 0.85f * 0.85f},
                                                           {-120, {}, -10 / 0.85f},
                                                           {120, kShift, -7},
                                                           {120, kCtrl, -9.5f}};
    for (const auto& [delta, mods, z] : cases) {
        Camera c = at(-10);
        ASSERT_TRUE(c.WheelZoom(delta, mods));
        EXPECT_NEAR(c.eye.z, z, 1e-4f) << delta;
    }
    Camera c = at(-10);
    EXPECT_FALSE(c.WheelZoom(0));
    // Inside the model it still moves, by a share of the model's size.
    c = at(0.5f);
    ASSERT_TRUE(c.WheelZoom(120));
    EXPECT_NEAR(c.eye.z, 0.5f + 0.15f * 0.5f * std::sqrt(3.0f), 1e-5f);

    c = at(-10);
    for (int i = 0; i < 100; ++i)
        c.WheelZoom(-120);
    EXPECT_NEAR(0.5f * Length(c.boxMax - c.boxMin) - c.eye.z, 0.99f * c.farPlane, 1e-3f);
    EXPECT_FALSE(c.WheelZoom(-120));
    EXPECT_TRUE(c.WheelZoom(120));
}

// The renderer's tests pace whole frames at a usual rate; here the odd rates.
TEST(Pacing, StepsFollowTheFrameRate)
{
    EXPECT_FALSE(StepDue(1999, 1000, 0));  // below 1 counts as 1 frame a second
    EXPECT_TRUE(StepDue(2000, 1000, -4));
    EXPECT_TRUE(StepDue(1001, 1000, 5000));

    FramePacer pacer;
    EXPECT_TRUE(pacer.Due(5, 33));  // the first frame is always due
    pacer.FrameDone(5, 25);
    EXPECT_EQ(pacer.measuredFrameRate, 50);
    pacer.FrameDone(35, 35);  // no time measured: the rate stays
    EXPECT_EQ(pacer.measuredFrameRate, 50);
}
