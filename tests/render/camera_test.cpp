#include <gtest/gtest.h>

#include <cmath>

#include "render/camera.h"
#include "scene_builder.h"

using namespace orv;
using orvtest::CameraAt;

namespace {

void ExpectNear(const Vec3& a, const Vec3& b, float tol = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

void ExpectNear(const Matrix4& a, const Matrix4& b, float tol = 1e-5f)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a(i, j), b(i, j), tol) << "element (" << i << "," << j << ")";
}

// A camera turned away from every axis, as after some orbiting: tilted while level,
// then turned about y. (A tilt after a turn is taken with three-angle rotations that
// leave the view a little skewed; these tests want exact rotations.)
Camera TurnedCamera()
{
    Camera c = CameraAt({0.3f, 0.2f, -2.0f});
    EXPECT_TRUE(c.KeyTiltLoop(true, false, Modifiers{true, false, false}));
    EXPECT_TRUE(c.OrbitCamera({0, 1, 0}, 0.7f));
    c.UpdateEyeFromView();
    EXPECT_GT(c.direction.y, 0.15f);
    EXPECT_GT(std::fabs(c.direction.x), 0.3f);
    return c;
}

}  // namespace

TEST(Camera, ProjectionValues)
{
    Camera c;
    c.SetProjection(800, 600, false);
    const float cot = 1.0f / std::tan(1.0471976f / 2.0f);
    EXPECT_NEAR(c.projection(1, 1), cot, 1e-5f);
    EXPECT_NEAR(c.projection(0, 0), cot * 600.0f * 0.8f / 800.0f, 1e-5f);
    EXPECT_NEAR(c.projection(2, 2), 100.0f / (100.0f - 0.05f), 1e-6f);
    EXPECT_NEAR(c.projection(3, 2), -0.05f * 100.0f / (100.0f - 0.05f), 1e-6f);
    EXPECT_FLOAT_EQ(c.halfScaleY, c.projection(1, 1) * 0.5f);
    EXPECT_FLOAT_EQ(c.halfScaleX, c.projection(0, 0) * 0.5f);
    EXPECT_FLOAT_EQ(c.negHalfScaleY, -c.halfScaleY);

    // Enlarged: the field of view narrows to pi/8.
    c.SetProjection(800, 600, true);
    EXPECT_NEAR(c.projection(1, 1), 1.0f / std::tan(0.3926991f / 2.0f), 1e-4f);

    // A window with no area still gives a finite projection.
    c.SetProjection(0, 0, false);
    EXPECT_TRUE(std::isfinite(c.projection(0, 0)));
    EXPECT_GT(c.halfScaleY, 0.0f);
}

TEST(Camera, OrientationAndPositionBuildTheView)
{
    Camera c;
    c.SetCameraOrientation({0, 0, 1}, {0, 1, 0});
    // right = up x direction.
    EXPECT_EQ(c.view(0, 0), 1.0f);
    EXPECT_EQ(c.view(1, 0), 0.0f);
    EXPECT_EQ(c.view(2, 0), 0.0f);

    Camera t = TurnedCamera();
    const Vec3 eye{1.5f, -0.5f, 2.0f};
    t.SetCameraPosition(eye);
    EXPECT_EQ(t.eye, eye);
    // The eye maps to the origin of view space, a point ahead of it onto the +z axis.
    ExpectNear(TransformPoint(eye, t.view), {0, 0, 0});
    ExpectNear(TransformPoint(eye + 2.0f * t.direction, t.view), {0, 0, 2});
    ExpectNear(TransformPoint(eye + t.up, t.view), {0, 1, 0});

    // The eye read back from the view is the one placed.
    t.eye = {};
    t.UpdateEyeFromView();
    ExpectNear(t.eye, eye);
    ExpectNear(t.lookPoint, eye + 0.05f * t.direction);

    Vec3 d, u;
    t.GetCameraVectors(d, u);
    ExpectNear(d, t.direction);
    ExpectNear(u, t.up);
}

TEST(Camera, AltKeepsTheViewAndReadsTheEyeBack)
{
    Camera c = CameraAt({0, 0, -3});
    const Matrix4 before = c.view;
    c.SetCameraPosition({5, 5, 5}, Modifiers{false, false, true});
    EXPECT_EQ(c.view, before);
    ExpectNear(c.eye, {0, 0, -3});

    // Moving with and without Alt goes the same way along the view.
    Camera plain = TurnedCamera(), alt = TurnedCamera();
    const Vec3 start = plain.eye;
    plain.MoveCamera(0.25f);
    alt.MoveCamera(0.25f, Modifiers{false, false, true});
    ExpectNear(plain.eye, start + 0.25f * plain.direction);
    ExpectNear(alt.eye, plain.eye);
}

TEST(Camera, OrbitTurnsAboutTheOrigin)
{
    Camera c = CameraAt({0, 0, -3});
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(c.KeyTurnLoop(false, true, {}));
    // Still 3 from the origin, still looking at it, still level.
    EXPECT_NEAR(Length(c.eye), 3.0f, 1e-4f);
    ExpectNear(Cross(c.direction, -c.eye), {0, 0, 0}, 1e-4f);
    EXPECT_NEAR(c.direction.y, 0.0f, 1e-6f);
    EXPECT_GT(std::fabs(c.eye.x), 0.5f);

    // Each plain step turns by half the 0.1 step; Left turns back the same amount.
    Camera a = CameraAt({0, 0, -3});
    a.KeyTurnLoop(false, true, {});
    a.UpdateViewInfo();
    EXPECT_NEAR(std::fabs(a.yaw), 0.05f, 1e-5f);
    a.KeyTurnLoop(true, false, {});
    a.UpdateViewInfo();
    EXPECT_NEAR(a.yaw, 0.0f, 1e-5f);
    ExpectNear(a.eye, {0, 0, -3}, 1e-5f);

    // Shift doubles the step and wins over Ctrl; Ctrl halves it.
    Camera s = CameraAt({0, 0, -3});
    s.KeyTurnLoop(false, true, Modifiers{true, true, false});
    s.UpdateViewInfo();
    EXPECT_NEAR(std::fabs(s.yaw), 0.1f, 1e-5f);
    Camera k = CameraAt({0, 0, -3});
    k.KeyTurnLoop(false, true, Modifiers{false, true, false});
    k.UpdateViewInfo();
    EXPECT_NEAR(std::fabs(k.yaw), 0.025f, 1e-5f);

    // No key held: no step, and the loop ends.
    Camera n = CameraAt({0, 0, -3});
    EXPECT_FALSE(n.KeyTurnLoop(false, false, {}));
    EXPECT_FALSE(n.KeyTiltLoop(false, false, {}));
    EXPECT_FALSE(n.KeyMoveLoop(false, false, {}, 0));
    ExpectNear(n.eye, {0, 0, -3}, 0.0f);
}

TEST(Camera, TiltStopsShortOfVertical)
{
    for (const bool pageUp : {true, false}) {
        Camera c = CameraAt({0, 0, -3});
        float previous = 0.0f;
        int refusedFrom = -1;
        for (int i = 0; i < 60; ++i) {
            const Matrix4 before = c.view;
            c.KeyTiltLoop(pageUp, !pageUp, {});
            EXPECT_LE(std::fabs(c.direction.y), 0.99f);
            EXPECT_GE(c.up.y, 0.0f);
            if (c.view == before && refusedFrom < 0)
                refusedFrom = i;
            if (refusedFrom >= 0) {
                // Once refused, held keys change nothing any more.
                EXPECT_EQ(c.view, before);
            }
            previous = c.direction.y;
        }
        ASSERT_GT(refusedFrom, 5) << "the tilt should move for a while first";
        // Page Up looks up, Page Down looks down, and both end close to the limit.
        EXPECT_GT(pageUp ? previous : -previous, 0.95f);
    }
}

TEST(Camera, MoveStepsFollowModifiersAndScale)
{
    struct Case {
        Modifiers mods;
        int e;
        bool down;
        float expected;
    };
    const Case cases[] = {
        {{}, 0, false, 0.01f},
        {{false, true, false}, 0, false, 0.005f},
        {{true, false, false}, 0, false, 0.02f},
        {{true, true, false}, 0, false, 0.02f},  // Shift wins over Ctrl
        {{}, 2, false, 0.04f},
        {{}, -1, true, -0.005f},
    };
    for (const auto& k : cases) {
        Camera c = CameraAt({0, 0, -3});
        ASSERT_TRUE(c.KeyMoveLoop(!k.down, k.down, k.mods, k.e));
        EXPECT_NEAR(c.eye.z, -3.0f + k.expected, 1e-6f);
    }
}

TEST(Camera, PanLineStepsAreAsymmetric)
{
    Camera c = CameraAt({0, 0, -3});
    c.PanHorizontal(kScrollLineDown, 0, false);  // line right
    EXPECT_EQ(c.hScrollPos, 1);
    EXPECT_NEAR(c.eye.x, 1.9f * 0.002f, 1e-7f);
    c.PanHorizontal(kScrollLineUp, 0, false);  // line left
    EXPECT_EQ(c.hScrollPos, 0);
    // Back at scroll position 0, but the eye kept 0.9 of a step to the right.
    EXPECT_NEAR(c.eye.x, 0.9f * 0.002f, 1e-7f);
    EXPECT_FLOAT_EQ(c.eye.y, 0.0f);
    EXPECT_FLOAT_EQ(c.eye.z, -3.0f);

    // Enlarged: a page pans 0.2 of the normal distance.
    Camera n = CameraAt({0, 0, -3}), e = CameraAt({0, 0, -3});
    n.PanHorizontal(kScrollPageDown, 0, false);
    e.PanHorizontal(kScrollPageDown, 0, true);
    EXPECT_NEAR(n.eye.x, 0.01f, 1e-7f);
    EXPECT_NEAR(e.eye.x, 0.2f * 0.01f, 1e-7f);
    EXPECT_EQ(e.hScrollPos, 5);

    // Thumb tracking moves to the given position; unknown codes move nothing.
    Camera t = CameraAt({0, 0, -3});
    t.PanHorizontal(kScrollThumbTrack, 7, false);
    EXPECT_EQ(t.hScrollPos, 7);
    EXPECT_NEAR(t.eye.x, 7 * 0.002f, 1e-6f);
    t.PanHorizontal(kScrollThumbTrack, 4, false);
    EXPECT_EQ(t.hScrollPos, 4);
    EXPECT_NEAR(t.eye.x, 4 * 0.002f, 1e-6f);
    t.PanHorizontal(8, 100, false);
    EXPECT_EQ(t.hScrollPos, 4);
    EXPECT_NEAR(t.eye.x, 4 * 0.002f, 1e-6f);

    // Vertical lines are symmetric and follow the up vector; line up raises the eye.
    Camera v = CameraAt({0, 0, -3});
    v.PanVertical(kScrollLineUp, 0, false);
    EXPECT_EQ(v.vScrollPos, -1);
    EXPECT_NEAR(v.eye.y, 0.002f, 1e-7f);
    v.PanVertical(kScrollLineDown, 0, false);
    EXPECT_NEAR(v.eye.y, 0.0f, 1e-7f);
}

TEST(Camera, BookmarkRestoresExactly)
{
    CModel model;
    Camera c = TurnedCamera();
    model.modelMatrix = Matrix4::Scaling(2, 2, 2) * Matrix4::RotationY(1.1f);
    const Vec3 eye = c.eye, dir = c.direction, up = c.up;
    const Matrix4 view = c.view, world = model.modelMatrix;
    c.StoreBookmark(model, 5);
    ASSERT_EQ(model.bookmarks.size(), 6u);
    EXPECT_EQ(model.bookmarks[2], nullptr);

    c.KeyTurnLoop(true, false, {});
    c.KeyMoveLoop(true, false, {}, 0);
    c.PanHorizontal(kScrollPageUp, 0, false);
    model.modelMatrix = Matrix4::Identity();

    EXPECT_FALSE(c.RecallBookmark(model, 3));  // nothing stored there
    EXPECT_FALSE(c.RecallBookmark(model, 9));  // beyond the array
    EXPECT_EQ(model.modelMatrix, Matrix4::Identity());

    ASSERT_TRUE(c.RecallBookmark(model, 5));
    EXPECT_EQ(c.eye, eye);
    EXPECT_EQ(c.direction, dir);
    EXPECT_EQ(c.up, up);
    EXPECT_EQ(c.lookPoint, eye);
    EXPECT_EQ(model.modelMatrix, world);
    ExpectNear(c.view, view, 1e-5f);

    // Storing again replaces the entry; indices outside 0..9 are not stored.
    c.MoveCamera(1.0f);
    c.StoreBookmark(model, 5);
    c.StoreBookmark(model, 10);
    c.StoreBookmark(model, -1);
    EXPECT_EQ(model.bookmarks.size(), 6u);
    EXPECT_EQ(model.bookmarks[5]->eye, c.eye);
}

TEST(Camera, BookmarkWithoutCameraIsNotRecalled)
{
    // A project file keeps only the number of bookmarks; the records read back are empty.
    CModel model;
    model.bookmarks.push_back(std::make_unique<UndoSnapshot>());
    Camera c = CameraAt({0, 0, -3});
    const Matrix4 view = c.view;
    EXPECT_FALSE(c.RecallBookmark(model, 0));
    EXPECT_EQ(c.view, view);
}

TEST(Camera, MouseDragTurnsAndMoves)
{
    ViewSize size{400, 400, 400, 400, false};
    Camera c = CameraAt({0, 0, -3});
    // The first move with the button down only takes the point.
    ASSERT_TRUE(c.MouseCamera(true, 100, 100, size, {}, 0));
    ExpectNear(c.eye, {0, 0, -3}, 1e-6f);
    // Up by 10 pixels moves forward by 10 * 0.2 * 0.01.
    c.MouseCamera(true, 100, 90, size, {}, 0);
    EXPECT_NEAR(c.eye.z, -3.0f + 0.02f, 1e-6f);
    // Sideways motion turns the camera in place (the eye stays).
    c.MouseCamera(true, 110, 90, size, {}, 0);
    c.UpdateViewInfo();
    EXPECT_NEAR(std::fabs(c.yaw), 0.2f * 10 * 0.05f, 1e-5f);
    EXPECT_NEAR(c.eye.z, -2.98f, 1e-5f);

    // A move without the button forgets the last point: the next drag starts afresh.
    EXPECT_FALSE(c.MouseCamera(false, 300, 300, size, {}, 0));
    const Vec3 before = c.eye;
    c.MouseCamera(true, 300, 300, size, {}, 0);
    ExpectNear(c.eye, before, 1e-6f);

    // With a stretched surface twice the window, window pixels count double.
    ViewSize stretched{200, 200, 400, 400, true};
    Camera s = CameraAt({0, 0, -3});
    s.MouseCamera(true, 50, 50, stretched, Modifiers{true, false, false}, 1);
    s.MouseCamera(true, 50, 45, stretched, Modifiers{true, false, false}, 1);
    EXPECT_NEAR(s.eye.z, -3.0f + 10 * 2.0f * 0.4f * 0.01f, 1e-6f);
}

TEST(Camera, CenterViewFramesTheBox)
{
    CModel model;
    Camera c;
    c.SetProjection(400, 300, false);
    c.boxMin = {-1, -0.5f, 0.25f};
    c.boxMax = {1, 1.5f, 2};
    c.hScrollPos = 4;
    c.vScrollPos = -2;
    const Matrix4 scale = Matrix4::Scaling(0.5f, 0.5f, 0.5f);
    c.CenterView(model, scale);
    const float d = 2.0f * 0.05f / c.halfScaleY;
    ExpectNear(c.eye, {0, 0.5f, -0.05f - 13 * d - 0.25f});
    EXPECT_EQ(c.direction, Vec3(0, 0, 1));
    EXPECT_EQ(c.up, Vec3(0, 1, 0));
    EXPECT_EQ(c.hScrollPos, 0);
    EXPECT_EQ(c.vScrollPos, 0);
    ExpectNear(model.modelMatrix, scale * Matrix4::RotationY(kPi));

    // Before any frame the box is empty: the camera looks at the origin from just in front.
    Camera e;
    e.SetProjection(400, 300, false);
    e.boxMin = Vec3::All(1e11f);
    e.boxMax = Vec3::All(-1e11f);
    e.CenterView(model, Matrix4::Identity());
    ExpectNear(e.eye, {0, 0, -0.05f});
}

TEST(Camera, CenterViewConvergesOnAModel)
{
    // A box lying off centre in z, so that turning it to the front view moves it.
    CModel model;
    CMesh& mesh = orvtest::AddMesh(model);
    for (float z : {0.5f, 1.5f})
        orvtest::AddSquare(mesh, 0, 0.25f, z, 0.5f);
    Camera c;
    c.SetProjection(400, 300, false);
    Settings settings;
    EditModes modes;
    model.RebuildHierarchy();

    std::vector<Vec3> eyes;
    for (int i = 0; i < 20; ++i) {
        WalkHierarchy(model);
        c.UpdateViewStatus(model, modes, -1, settings, "");
        c.CenterView(model, modes.scaleMatrix);
        eyes.push_back(c.eye);
    }
    // The first step used the unturned model; from the second on the fit is stable.
    EXPECT_GT(std::fabs(eyes[0].z - eyes[1].z), 0.5f);
    for (std::size_t i = 2; i < eyes.size(); ++i)
        ExpectNear(eyes[i], eyes[1], 1e-6f);
    // The turned box spans z -1.5 .. -0.5 and y -0.25 .. 0.75.
    ExpectNear(c.boxMin, {-0.5f, -0.25f, -1.5f}, 1e-5f);
    ExpectNear(c.boxMax, {0.5f, 0.75f, -0.5f}, 1e-5f);
    const float d = 1.0f * 0.05f / c.halfScaleY;
    ExpectNear(c.eye, {0, 0.25f, -0.05f - 13 * d - 1.5f}, 1e-5f);
    // The box centre is in the middle of the picture.
    const auto px = orvtest::ToPixel(c, {0, 0.25f, -1.0f}, 400, 300);
    EXPECT_EQ(px.first, 200);
    EXPECT_EQ(px.second, 150);
}

TEST(Camera, StandardViewRotations)
{
    ExpectNear(TransformPoint({0, 0, 1}, StandardViewRotation(kViewFront)), {0, 0, -1});
    ExpectNear(TransformPoint({0, 0, 1}, StandardViewRotation(kViewLeft)), {-1, 0, 0});
    ExpectNear(TransformPoint({0, 0, 1}, StandardViewRotation(kViewRight)), {1, 0, 0});
    EXPECT_EQ(StandardViewRotation(kViewBack), Matrix4::Identity());
    ExpectNear(StandardViewRotation(kViewTop), Matrix4::RotationY(kPi) * Matrix4::RotationX(kPi / 2));
    // Top: the model's up axis turns towards the camera (-z), bottom away from it.
    ExpectNear(TransformPoint({0, 1, 0}, StandardViewRotation(kViewTop)), {0, 0, -1});
    ExpectNear(TransformPoint({0, 1, 0}, StandardViewRotation(kViewBottom)), {0, 0, 1});
}

TEST(Pacing, StepsFollowTheFrameRate)
{
    EXPECT_FALSE(StepDue(1029, 1000, 33));  // 1000 / 33 = 30 ms
    EXPECT_TRUE(StepDue(1030, 1000, 33));
    EXPECT_FALSE(StepDue(1999, 1000, 0));  // below 1 counts as 1 frame a second
    EXPECT_TRUE(StepDue(2000, 1000, 0));
    EXPECT_FALSE(StepDue(1999, 1000, -4));
    EXPECT_TRUE(StepDue(1001, 1000, 5000));

    FramePacer pacer;
    EXPECT_TRUE(pacer.Due(5, 33));  // the first frame is always due
    pacer.FrameDone(5, 25);
    EXPECT_EQ(pacer.measuredFrameRate, 50);
    EXPECT_FALSE(pacer.Due(34, 33));
    EXPECT_TRUE(pacer.Due(35, 33));
    pacer.FrameDone(35, 35);  // no time measured: the rate stays
    EXPECT_EQ(pacer.measuredFrameRate, 50);
}

TEST(Camera, StartsAtTheOriginLookingAlongZ)
{
    Camera c;
    EXPECT_EQ(c.eye, Vec3(0, 0, 0));
    EXPECT_EQ(c.view, Matrix4::Identity());
    Vec3 d, u;
    c.GetCameraVectors(d, u);
    EXPECT_EQ(c.direction, d);
    EXPECT_EQ(c.up, u);
    EXPECT_GT(c.halfScaleY, 0.0f);
    EXPECT_EQ(c.hScrollPos, 0);
    // A first "Middle" before any frame stays finite.
    CModel model;
    c.CenterView(model, Matrix4::Identity());
    EXPECT_TRUE(std::isfinite(c.eye.z));
}
