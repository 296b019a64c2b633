#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "edit/view_commands.h"
#include "support/files.h"
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

// The keys, the scroll bars, the mouse and the wheel, each step on a camera at (0, 0, z)
// before the box of side 2 around the origin, or on the one the step before left. A turn
// orbits the origin by half the 0.1 step, Shift doubles it and wins over Ctrl, Ctrl halves
// it. A line right pans 1.9 steps of 0.002 and moves the bar by one, a line left one step,
// the thumb to where it is dragged; enlarged, a page of 5 pans 0.2 as far. A drag up moves
// forward 0.2 * 0.01 a pixel, a sideways one turns in place; on a surface stretched to
// twice the window, window pixels count double. Each wheel notch moves 0.15 of the way to
// the box's middle (Shift 0.3, Ctrl 0.05), inside the box a share of its size; backing off
// ends with the box's far side at 0.99 of the far plane (100).
TEST(Camera, KeyScrollMouseAndWheelSteps)
{
    const ViewSize window{400, 400, 400, 400, false}, stretched{200, 200, 400, 400, true};
    const Modifiers kShiftCtrl{true, true, false};
    Camera c;
    bool answer = true;
    const std::tuple<std::optional<float>, const char*, std::function<void()>> steps[] = {
        {-3, "turn right", [&] { answer = c.KeyTurnLoop(false, true, {}); }},
        {{}, "turn left", [&] { answer = c.KeyTurnLoop(true, false, {}); }},
        {{}, "turn right, Shift Ctrl", [&] { answer = c.KeyTurnLoop(false, true, kShiftCtrl); }},
        {{}, "turn left, Shift Ctrl", [&] { answer = c.KeyTurnLoop(true, false, kShiftCtrl); }},
        {{}, "turn right, Ctrl", [&] { answer = c.KeyTurnLoop(false, true, kCtrl); }},
        {{}, "turn left, Ctrl", [&] { answer = c.KeyTurnLoop(true, false, kCtrl); }},
        {{}, "no key held", [&] { answer = c.KeyTurnLoop(false, false, {}); }},
        {-3, "move up", [&] { answer = c.KeyMoveLoop(true, false, {}, 0); }},
        {{}, "move up, Ctrl", [&] { answer = c.KeyMoveLoop(true, false, kCtrl, 0); }},
        {{}, "move up, Shift", [&] { answer = c.KeyMoveLoop(true, false, kShift, 0); }},
        {{}, "move up, scale 2", [&] { answer = c.KeyMoveLoop(true, false, {}, 2); }},
        {{}, "move down, scale -1", [&] { answer = c.KeyMoveLoop(false, true, {}, -1); }},
        {-3, "line right", [&] { c.PanHorizontal(kScrollLineDown, 0, false); }},
        {{}, "thumb to 4", [&] { c.PanHorizontal(kScrollThumbTrack, 4, false); }},
        {{}, "line left", [&] { c.PanHorizontal(kScrollLineUp, 0, false); }},
        {{}, "unknown code 8", [&] { c.PanHorizontal(8, 100, false); }},
        {{}, "page right, enlarged", [&] { c.PanHorizontal(kScrollPageDown, 0, true); }},
        {{}, "vertical line up", [&] { c.PanVertical(kScrollLineUp, 0, false); }},
        {-3, "drag from 100 100", [&] { answer = c.MouseCamera(true, 100, 100, window, {}, 0); }},
        {{}, "drag to 100 90", [&] { answer = c.MouseCamera(true, 100, 90, window, {}, 0); }},
        {{}, "drag to 110 90", [&] { answer = c.MouseCamera(true, 110, 90, window, {}, 0); }},
        {{}, "button up at 300 300", [&] { answer = c.MouseCamera(false, 300, 300, window, {}, 0); }},
        {{}, "drag from 300 300", [&] { answer = c.MouseCamera(true, 300, 300, window, {}, 0); }},
        {-3, "stretched, from 50 50", [&] { answer = c.MouseCamera(true, 50, 50, stretched, kShift, 1); }},
        {{}, "stretched, to 50 45", [&] { answer = c.MouseCamera(true, 50, 45, stretched, kShift, 1); }},
        {-10, "wheel 120", [&] { answer = c.WheelZoom(120); }},
        {-10, "wheel 240", [&] { answer = c.WheelZoom(240); }},
        {-10, "wheel -120", [&] { answer = c.WheelZoom(-120); }},
        {-10, "wheel 120, Shift", [&] { answer = c.WheelZoom(120, kShift); }},
        {-10, "wheel 120, Ctrl", [&] { answer = c.WheelZoom(120, kCtrl); }},
        {{}, "wheel 0", [&] { answer = c.WheelZoom(0); }},
        {0.5f, "wheel 120", [&] { answer = c.WheelZoom(120); }},
        {-10, "wheel -120 a hundred times",
         [&] {
             for (int i = 0; i < 100; ++i)
                 answer = c.WheelZoom(-120);
         }},
        {{}, "wheel -120", [&] { answer = c.WheelZoom(-120); }},
        {{}, "wheel 120", [&] { answer = c.WheelZoom(120); }},
    };
    std::string text = "step: answer, eye x y z, yaw, scroll bars h v\n";
    char line[160];
    // Rounding leaves some zeros a hair below 0; they print as 0.
    auto shown = [](float v) { return std::fabs(v) < 5e-5f ? 0.0 : static_cast<double>(v); };
    for (const auto& [from, what, step] : steps) {
        if (from) {
            c = CameraAt({0, 0, *from});
            c.boxMin = {-1, -1, -1};
            c.boxMax = {1, 1, 1};
            std::snprintf(line, sizeof line, "at z %.1f\n", *from);
            text += line;
        }
        answer = true;  // the scroll bars' steps answer nothing
        step();
        c.UpdateViewInfo();
        std::snprintf(line, sizeof line, "%s: %d, %.4f %.4f %.4f, %.4f, %d %d\n", what, answer, shown(c.eye.x),
                      shown(c.eye.y), shown(c.eye.z), shown(c.yaw), c.hScrollPos, c.vScrollPos);
        text += line;
    }
    orvtest::ExpectSameAsFixture("expected", "camera_steps.txt", text);
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
