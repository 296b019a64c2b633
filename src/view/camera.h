// The camera of a 3D view: eye, direction, up, the view matrix built from them and the
// projection, with every movement the keyboard, the mouse, the scroll bars and the View
// commands drive, the camera bookmarks, and the status texts written after a frame.
// Window-free: the view passes the modifier keys and window sizes in, and the OpenGL
// renderer reads the matrices from here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "document/modes.h"
#include "model/geometry.h"
#include "model/model.h"
#include "model/settings.h"
#include "view/drag.h"

namespace orv {

// Scroll-bar message codes as the window passes them to the pans (line left/up is 0).
inline constexpr int32_t kScrollLineUp = 0;
inline constexpr int32_t kScrollLineDown = 1;
inline constexpr int32_t kScrollPageUp = 2;
inline constexpr int32_t kScrollPageDown = 3;
inline constexpr int32_t kScrollThumbPosition = 4;
inline constexpr int32_t kScrollThumbTrack = 5;

// The view's client area and the surface drawn into. Without a fixed "StretchMode"
// surface both sizes are the same; with one, window pixels are rescaled to the surface.
struct ViewSize {
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    int32_t surfaceWidth = 0;
    int32_t surfaceHeight = 0;
    bool stretched = false;

    // A window pixel in surface pixels (integer arithmetic); unchanged when not stretched
    // or when the client area is empty.
    void ToSurface(int32_t& x, int32_t& y) const;
};

// Whether a held-key step (or a paced frame) is due: at least 1000 / frameRate ms
// (integer division; a rate below 1 counts as 1) have passed since the last one.
bool StepDue(int64_t nowMs, int64_t lastMs, int32_t frameRate);

// Frame pacing of the renderer, shared by all views: the last frame time and the frame
// rate measured from it.
struct FramePacer {
    std::optional<int64_t> lastFrameMs;  // none before the first frame: always due
    int32_t measuredFrameRate = 0;

    bool Due(int64_t nowMs, int32_t frameRate) const;
    // A frame that was started at startMs has been presented at endMs.
    void FrameDone(int64_t startMs, int64_t endMs);
};

struct ScrollBarState {
    int32_t min = 0;
    int32_t max = 0;
    int32_t page = 0;
    int32_t pos = 0;
};

// What the status pass hands to the window: the eight pane texts of the main frame's
// status bar and both scroll bars (shown disabled rather than hidden when unusable).
struct ViewStatus {
    std::array<std::string, 8> panes;
    ScrollBarState horizontal;
    ScrollBarState vertical;
};

// The near and far planes for a model whose drawn box is [min, max]: in proportion to its
// size (half the box's diagonal), so that a model of any size is drawn whole from where
// it is framed, with the same depth precision; never nearer than 1/40 of the size nor
// less far than 100. The defaults (0.05, 100) for an empty box.
struct DepthRange {
    float nearPlane;
    float farPlane;
};
DepthRange DepthRangeOf(const Vec3& min, const Vec3& max);

class Camera {
public:
    static constexpr float kNear = 0.05f;
    static constexpr float kFar = 100.0f;
    // How much of the picture a framed model fills, on its longer side.
    static constexpr float kFrameMargin = 0.9f;

    // At the origin with the identity view (looking along +z, +y up), and the projection of
    // a 1 x 1 area until the device sets the real one.
    Camera();

    Vec3 eye;
    Vec3 direction{0.0f, 0.0f, 1.0f};
    Vec3 up{0.0f, 1.0f, 0.0f};
    // Upper 3x3: column 0 right, column 1 up, column 2 direction; row 3 translation.
    Matrix4 view = Matrix4::Identity();
    Matrix4 projection = Matrix4::Identity();
    float nearPlane = kNear;
    float farPlane = kFar;
    float halfScaleX = 0.0f;
    float halfScaleY = 0.0f;
    float negHalfScaleX = 0.0f;
    float negHalfScaleY = 0.0f;
    float yaw = 0.0f;  // radians
    Vec3 lookPoint;
    // Bounds of the model as drawn in the last frame (written by the status pass).
    Vec3 boxMin;
    Vec3 boxMax;
    int32_t hScrollPos = 0;
    int32_t vScrollPos = 0;
    int32_t measuredFrameRate = 0;

    // The projection for a client area of w x h (field of view pi/3, or pi/8 when
    // enlarged; the area's own aspect, so that the model keeps its proportions; the near
    // and far planes as they are) and the half scales taken from it. An empty area counts
    // as 1 pixel wide or high.
    void SetProjection(int32_t w, int32_t h, bool enlarge);
    // New near and far planes for the projection of the same area.
    void SetDepthRange(const DepthRange& range);

    // Places the camera at p. With Alt held the view is kept and only the eye is read back
    // from it.
    void SetCameraPosition(const Vec3& p, Modifiers mods = {});
    // Turns the camera to look along direction with the given up vector; the translation
    // row is kept, so callers follow with SetCameraPosition or UpdateEyeFromView.
    void SetCameraOrientation(const Vec3& dir, const Vec3& upVector);
    // The eye from the view matrix (row 3 of its inverse) and the look point in front of
    // it, for movements that change the view matrix directly.
    void UpdateEyeFromView();
    // direction = column 2, up = column 1 of the view matrix.
    void GetCameraVectors(Vec3& dir, Vec3& upVector) const;
    // Direction, up, yaw and look point from the view matrix; run before every frame.
    void UpdateViewInfo();

    // Moves along the viewing direction (with Alt: along the view's own z).
    void MoveCamera(float d, Modifiers mods = {});
    // Rotates the whole view about the world origin. Refused (false, nothing changed) when
    // the result would look within 0.99 of straight up or down, turn upside down, or has
    // no horizontal right vector.
    bool OrbitCamera(const Vec3& axis, float angle);

    // One step of the held-key loops; each returns false, taking no step, when neither
    // of its keys is held (which ends the loop). The window paces the steps (StepDue)
    // and draws a frame after each.
    bool KeyMoveLoop(bool upHeld, bool downHeld, Modifiers mods, int32_t scaleExponent);
    bool KeyTurnLoop(bool leftHeld, bool rightHeld, Modifiers mods);
    bool KeyTiltLoop(bool pageUpHeld, bool pageDownHeld, Modifiers mods);

    // Scroll-bar panning by a scroll code and thumb position; a line to the right pans
    // 1.9 times as far as a line to the left while the scroll position moves by 1 either
    // way. Finer by 0.2 when the view is enlarged.
    void PanHorizontal(int32_t code, int32_t pos, bool enlarge, Modifiers mods = {});
    void PanVertical(int32_t code, int32_t pos, bool enlarge, Modifiers mods = {});

    // A mouse move (client pixels): with the right button held it turns the camera by the
    // horizontal motion and moves it by the vertical one; returns whether it moved. A move
    // without the right button forgets the last point.
    bool MouseCamera(bool rightButton, int32_t x, int32_t y, const ViewSize& size, Modifiers mods,
                     int32_t scaleExponent);

    // Camera bookmarks 0..9 in the model: eye, direction, up and the model matrix.
    void StoreBookmark(CModel& model, int32_t i) const;
    // Restores a stored bookmark; false (nothing changed) when none is stored at i.
    bool RecallBookmark(CModel& model, int32_t i, Modifiers mods = {});

    // The mouse wheel: delta in eighths of a degree (120 a notch), forward zooms in. Each
    // notch moves the camera a share (0.15; Shift 0.3, Ctrl 0.05) of its distance to the
    // middle of the last frame's box, so that it never reaches it, however many notches;
    // from inside the box, a share of the box's size. Zooming out stops where the box
    // would leave the far plane. Returns whether the camera moved.
    bool WheelZoom(int32_t delta, Modifiers mods = {});

    // Looks along +z with +y up at the middle of the box, back just far enough that the
    // whole box is in the picture (kFrameMargin of it on the tighter side), with the near
    // and far planes of its size. Both scroll positions return to 0. An empty box frames
    // the origin from the default distance.
    void FrameBox(const Vec3& min, const Vec3& max, Modifiers mods = {});
    // Frames the model as the next frame draws it (its nodes where the pose places them,
    // the meshes the render mode shows) as FrameBox does, fitting its corners rather than
    // its box's; the box is kept in boxMin/boxMax.
    void FrameModel(const CModel& model, const EditModes& modes, int32_t currentMesh, Modifiers mods = {});

    // The box of the meshes drawn in the render mode, through their nodes' world matrices
    // as the pose places them, into boxMin/boxMax (empty: min above max).
    void MeasureBox(const CModel& model, RenderMode renderMode, int32_t currentMesh);

    // The status pass after a frame: measures the box of the drawn meshes (kept in
    // boxMin/boxMax; the near and far planes follow its size), rounds the "Grid" setting
    // to its 0.02 steps, and returns the pane texts and scroll bars.
    ViewStatus UpdateViewStatus(const CModel& model, const EditModes& modes, int32_t currentMesh, Settings& settings,
                                const std::string& deviceName);

private:
    void PlaceAt(const Vec3& p);
    void UpdateProjection();
    // How far in front of the plane z = front the eye must stand for p to be in the
    // picture, looking along +z at middle.
    float FitDistance(const Vec3& p, const Vec3& middle, float front) const;
    // Looks along +z at the middle of [lo, hi] from back in front of it (kept between the
    // planes).
    void FrameAt(const Vec3& lo, const Vec3& hi, float back, Modifiers mods);
    void Pan(float delta, const Vec3& along, bool enlarge, Modifiers mods);

    DragTracker drag_;
    float fov_ = 1.0471976f;
    float aspect_ = 1.0f;
};

// The model rotation of a standard view (front, left, right, back, top, bottom); the
// model matrix of the view is the scale matrix times it. Identity for other kinds.
Matrix4 StandardViewRotation(ViewKind viewKind);

}  // namespace orv
