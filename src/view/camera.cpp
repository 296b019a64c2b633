#include "view/camera.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "formats/textformat.h"
#include "view/hierarchy.h"

namespace orv {

namespace {

int32_t ClampToInt32(double v)
{
    if (!(v == v))
        return 0;
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(std::trunc(v), lo, hi));
}

Vec3 Column(const Matrix4& m, int c) { return {m(0, c), m(1, c), m(2, c)}; }

void SetColumn(Matrix4& m, int c, const Vec3& v)
{
    m(0, c) = v.x;
    m(1, c) = v.y;
    m(2, c) = v.z;
}

constexpr float kEmptyBox = 1e11f;

bool BoxIsEmpty(const Vec3& min, const Vec3& max) { return min.x > max.x || min.y > max.y || min.z > max.z; }

// Half the box's diagonal, at least 1e-4 (a single point); 0 for an empty box or one out
// of all measure (a damaged file), which is not framed.
double BoxSize(const Vec3& min, const Vec3& max)
{
    if (BoxIsEmpty(min, max))
        return 0.0;
    const double dx = double{max.x} - min.x, dy = double{max.y} - min.y, dz = double{max.z} - min.z;
    const double size = 0.5 * std::sqrt(dx * dx + dy * dy + dz * dz);
    const double far = std::max({std::fabs(double{min.x}), std::fabs(double{min.y}), std::fabs(double{min.z}),
                                 std::fabs(double{max.x}), std::fabs(double{max.y}), std::fabs(double{max.z})});
    if (!std::isfinite(size) || !(far <= 1e30))
        return 0.0;
    return std::max(size, 1e-4);
}

// Calls visit with every corner of the meshes the render mode draws, placed by their
// nodes' world matrices.
template <typename Visit>
void ForEachDrawnCorner(const CModel& model, RenderMode renderMode, int32_t currentMesh, Visit visit)
{
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        const C3doNode& n = model.nodes[i];
        if (n.mesh < 0 || !MeshDrawMode(renderMode, n.mesh, currentMesh).drawn)
            continue;
        if (const CMesh* mesh = model.MeshAt(n.mesh))
            for (const auto& f : mesh->faces)
                for (const auto& c : f.corners)
                    visit(TransformPoint(c.Position(), model.NodeMatrix(i)));
    }
}

// A scroll-bar command's step (lines, pages or the thumb's move), which also moves the
// bar's position.
float ScrollStep(int32_t code, int32_t pos, int32_t& scrollPos, float lineDown)
{
    float delta = 0.0f;
    switch (code) {
    case kScrollLineUp: delta = -1.0f; break;
    case kScrollLineDown: delta = lineDown; break;
    case kScrollPageUp: delta = -5.0f; break;
    case kScrollPageDown: delta = 5.0f; break;
    case kScrollThumbTrack: delta = static_cast<float>(int64_t{pos} - scrollPos); break;
    default: break;
    }
    scrollPos = ClampToInt32(static_cast<double>(scrollPos) + std::trunc(static_cast<double>(delta)));
    return delta;
}

}  // namespace

// ---- sizes and pacing ------------------------------------------------------

void ViewSize::ToSurface(int32_t& x, int32_t& y) const
{
    if (!stretched || clientWidth <= 0 || clientHeight <= 0)
        return;
    x = static_cast<int32_t>(int64_t{x} * surfaceWidth / clientWidth);
    y = static_cast<int32_t>(int64_t{y} * surfaceHeight / clientHeight);
}

bool StepDue(int64_t nowMs, int64_t lastMs, int32_t frameRate)
{
    const int64_t period = 1000 / (frameRate < 1 ? 1 : frameRate);
    return nowMs - lastMs >= period;
}

bool FramePacer::Due(int64_t nowMs, int32_t frameRate) const
{
    return !lastFrameMs || StepDue(nowMs, *lastFrameMs, frameRate);
}

void FramePacer::FrameDone(int64_t startMs, int64_t endMs)
{
    lastFrameMs = startMs;
    if (endMs > startMs)
        measuredFrameRate = static_cast<int32_t>(1000 / (endMs - startMs));
}

// ---- projection and placement ------------------------------------------------

DepthRange DepthRangeOf(const Vec3& min, const Vec3& max)
{
    const double size = BoxSize(min, max);
    if (size == 0.0)
        return {Camera::kNear, Camera::kFar};
    // 1/40 of the size lets the camera come close to the model; 50 times it leaves room to
    // back off from a framed model. Their ratio, and so the depth precision, stays the same
    // for every size.
    return {static_cast<float>(size / 40.0), static_cast<float>(std::max(size * 50.0, double{Camera::kFar}))};
}

Camera::Camera() { SetProjection(1, 1, false); }

void Camera::SetProjection(int32_t w, int32_t h, bool enlarge)
{
    // A minimised or not yet laid out window has no area; the aspect must stay finite.
    w = std::max(w, 1);
    h = std::max(h, 1);
    fov_ = enlarge ? 0.3926991f : 1.0471976f;
    aspect_ = static_cast<float>(static_cast<double>(h) / w);
    UpdateProjection();
}

void Camera::SetDepthRange(const DepthRange& range)
{
    nearPlane = range.nearPlane;
    farPlane = range.farPlane;
    UpdateProjection();
}

void Camera::UpdateProjection()
{
    projection = Matrix4::Perspective(fov_, aspect_, nearPlane, farPlane);
    halfScaleX = projection(0, 0) * 0.5f;
    halfScaleY = projection(1, 1) * 0.5f;
    negHalfScaleX = -halfScaleX;
    negHalfScaleY = -halfScaleY;
}

void Camera::PlaceAt(const Vec3& p)
{
    view(3, 0) = view(3, 1) = view(3, 2) = 0.0f;
    eye = p;
    view = Matrix4::Translation(-p) * view;
}

void Camera::SetCameraPosition(const Vec3& p, Modifiers mods)
{
    if (mods.alt) {
        UpdateEyeFromView();
        return;
    }
    PlaceAt(p);
}

void Camera::SetCameraOrientation(const Vec3& dir, const Vec3& upVector)
{
    const Vec3 right = Cross(upVector, dir);
    SetColumn(view, 0, right);
    SetColumn(view, 1, upVector);
    SetColumn(view, 2, dir);
    direction = dir;
    up = upVector;
}

void Camera::UpdateEyeFromView()
{
    const Matrix4 inv = InvertMatrix(view);
    eye = {inv(3, 0), inv(3, 1), inv(3, 2)};
    lookPoint = eye + nearPlane * Column(view, 2);
}

void Camera::GetCameraVectors(Vec3& dir, Vec3& upVector) const
{
    dir = Column(view, 2);
    upVector = Column(view, 1);
}

void Camera::UpdateViewInfo()
{
    GetCameraVectors(direction, up);
    yaw = std::atan2(direction.x, direction.z);
    lookPoint = eye + nearPlane * direction;
}

// ---- movements -----------------------------------------------------------------

void Camera::MoveCamera(float d, Modifiers mods)
{
    if (mods.alt) {
        view(3, 2) -= d;
        UpdateEyeFromView();
        return;
    }
    PlaceAt(eye + d * Column(view, 2));
}

bool Camera::OrbitCamera(const Vec3& axis, float angle)
{
    const Matrix4 r = Matrix4::RotationAngles(axis.z * angle, axis.y * angle, axis.x * angle);
    Matrix4 m = r * view;
    const Vec3 dir = Column(m, 2);
    const Vec3 right = Normalize({m(0, 0), 0.0f, m(2, 0)});
    // A right vector with no horizontal part (a camera rolled on its side) cannot be
    // levelled; the result would be a degenerate view.
    if (LengthSquared(right) == 0.0f)
        return false;
    const Vec3 upVector = Cross(dir, right);
    SetColumn(m, 0, right);
    SetColumn(m, 1, upVector);
    SetColumn(m, 2, dir);
    if (!(std::fabs(dir.y) <= 0.99f && upVector.y >= 0.0f))
        return false;
    view = m;
    direction = dir;
    up = upVector;
    return true;
}

bool Camera::KeyMoveLoop(bool upHeld, bool downHeld, Modifiers mods, int32_t scaleExponent)
{
    if (!upHeld && !downHeld)
        return false;
    float d = ModifierStep(mods, 0.02f, 0.005f, 0.01f) * std::ldexp(1.0f, scaleExponent);
    if (downHeld)
        d = -d;
    MoveCamera(d, mods);
    return true;
}

bool Camera::KeyTurnLoop(bool leftHeld, bool rightHeld, Modifiers mods)
{
    if (!leftHeld && !rightHeld)
        return false;
    float angle = ModifierStep(mods, 0.2f, 0.05f, 0.1f);
    if (leftHeld)
        angle = -angle;
    OrbitCamera({0.0f, 1.0f, 0.0f}, angle * 0.5f);
    UpdateEyeFromView();
    return true;
}

bool Camera::KeyTiltLoop(bool pageUpHeld, bool pageDownHeld, Modifiers mods)
{
    if (!pageUpHeld && !pageDownHeld)
        return false;
    const Vec3 axis = Cross(direction, up);
    float angle = ModifierStep(mods, 0.2f, 0.05f, 0.1f);
    if (pageDownHeld)
        angle = -angle;
    OrbitCamera({axis.x, 0.0f, axis.z}, angle);
    UpdateEyeFromView();
    return true;
}

void Camera::Pan(float delta, const Vec3& along, bool enlarge, Modifiers mods)
{
    if (enlarge)
        delta *= 0.2f;
    SetCameraPosition(eye - along * (delta * 0.002f), mods);
}

void Camera::PanHorizontal(int32_t code, int32_t pos, bool enlarge, Modifiers mods)
{
    const float delta = ScrollStep(code, pos, hScrollPos, 1.9f);
    Pan(delta, {-direction.z, 0.0f, direction.x}, enlarge, mods);
}

void Camera::PanVertical(int32_t code, int32_t pos, bool enlarge, Modifiers mods)
{
    const float delta = ScrollStep(code, pos, vScrollPos, 1.0f);
    Pan(delta, up, enlarge, mods);
}

bool Camera::MouseCamera(bool rightButton, int32_t x, int32_t y, const ViewSize& size, Modifiers mods,
                         int32_t scaleExponent)
{
    size.ToSurface(x, y);
    const auto step = drag_.Move(rightButton, x, y);
    if (!step)
        return false;
    const float s = ModifierStep(mods, 0.4f, 0.1f, 0.2f);
    OrbitCamera({0.0f, 1.0f, 0.0f}, -s * step->dx * 0.05f);
    MoveCamera(step->dy * std::ldexp(1.0f, scaleExponent) * s * 0.01f, mods);
    return true;
}

// ---- bookmarks and absolute placements ---------------------------------------

void Camera::StoreBookmark(CModel& model, int32_t i) const
{
    if (i < 0 || i > 9)
        return;
    CameraBookmark mark;
    mark.eye = eye;
    mark.direction = direction;
    mark.up = up;
    mark.modelMatrix = model.modelMatrix;
    if (model.bookmarks.size() <= static_cast<std::size_t>(i))
        model.bookmarks.resize(static_cast<std::size_t>(i) + 1);
    model.bookmarks[static_cast<std::size_t>(i)] = std::move(mark);
}

bool Camera::RecallBookmark(CModel& model, int32_t i, Modifiers mods)
{
    if (i < 0 || static_cast<std::size_t>(i) >= model.bookmarks.size())
        return false;
    const std::optional<CameraBookmark>& mark = model.bookmarks[static_cast<std::size_t>(i)];
    // A project file keeps only the number of bookmarks: those read back hold no camera
    // (zero direction and up) and would leave a degenerate view.
    if (!mark || LengthSquared(mark->direction) == 0.0f || LengthSquared(mark->up) == 0.0f)
        return false;
    model.modelMatrix = mark->modelMatrix;
    SetCameraOrientation(mark->direction, mark->up);
    SetCameraPosition(mark->eye, mods);
    lookPoint = eye;
    return true;
}

bool Camera::WheelZoom(int32_t delta, Modifiers mods)
{
    if (delta == 0)
        return false;
    const Vec3 dir = Column(view, 2);
    const bool empty = BoxIsEmpty(boxMin, boxMax);
    const float size = empty ? 0.0f : 0.5f * Length(boxMax - boxMin);
    const Vec3 middle = empty ? eye + dir : 0.5f * (boxMin + boxMax);
    if (!std::isfinite(size) || !std::isfinite(middle.x) || !std::isfinite(middle.y) || !std::isfinite(middle.z))
        return false;
    // Near the middle (or past it) the steps keep a share of the model's size, so that the
    // camera can still go into the model.
    const float ahead = Dot(middle - eye, dir);
    const float distance = std::max({ahead, 0.5f * size, nearPlane});
    const float share = ModifierStep(mods, 0.3f, 0.05f, 0.15f);
    float move = distance - distance * std::pow(1.0f - share, static_cast<float>(delta) / 120.0f);
    // Backing off ends where the far side of the model would pass the far plane.
    move = std::max(move, std::min(0.0f, ahead + size - farPlane * 0.99f));
    if (!std::isfinite(move) || move == 0.0f)
        return false;
    MoveCamera(move, mods);
    return true;
}

float Camera::FitDistance(const Vec3& p, const Vec3& middle, float front) const
{
    // Seen from in front, a point is in the picture when its offset from the middle, times
    // the projection's scale on that axis, stays within the margin of its depth.
    const float across =
        std::max(std::fabs(p.x - middle.x) * projection(0, 0), std::fabs(p.y - middle.y) * projection(1, 1));
    return across / kFrameMargin - (p.z - front);
}

void Camera::FrameAt(const Vec3& lo, const Vec3& hi, float back, Modifiers mods)
{
    back = std::max(back, 2.0f * nearPlane);
    // A window far taller than wide would want the camera farther back than the far plane
    // reaches: the model then runs past the sides, but is drawn.
    back = std::min(back, 0.99f * farPlane - (hi.z - lo.z));
    const Vec3 middle = 0.5f * (lo + hi);
    SetCameraOrientation({0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f});
    SetCameraPosition({middle.x, middle.y, lo.z - back}, mods);
    UpdateEyeFromView();
    hScrollPos = vScrollPos = 0;
}

void Camera::FrameBox(const Vec3& min, const Vec3& max, Modifiers mods)
{
    SetDepthRange(DepthRangeOf(min, max));
    // Without a model to measure, the origin.
    const bool usable = BoxSize(min, max) > 0.0;
    const Vec3 lo = usable ? min : Vec3{}, hi = usable ? max : Vec3{};
    float back = 0.0f;
    for (int i = 0; i < 8; ++i) {
        const Vec3 corner{(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z};
        back = std::max(back, FitDistance(corner, 0.5f * (lo + hi), lo.z));
    }
    FrameAt(lo, hi, back, mods);
}

void Camera::FrameModel(const CModel& model, const EditModes& modes, int32_t currentMesh, Modifiers mods)
{
    MeasureBox(model, modes.renderMode, currentMesh);
    if (BoxSize(boxMin, boxMax) == 0.0) {
        FrameBox(boxMin, boxMax, mods);
        return;
    }
    // The model's own corners rather than its box's: parts set back (the legs under a
    // head seen from above) look smaller, and the model can come closer.
    SetDepthRange(DepthRangeOf(boxMin, boxMax));
    const Vec3 middle = 0.5f * (boxMin + boxMax);
    float back = 0.0f;
    ForEachDrawnCorner(model, modes.renderMode, currentMesh,
                       [&](const Vec3& p) { back = std::max(back, FitDistance(p, middle, boxMin.z)); });
    FrameAt(boxMin, boxMax, back, mods);
}

Matrix4 StandardViewRotation(ViewKind viewKind)
{
    switch (viewKind) {
    case ViewKind::Front: return Matrix4::RotationY(kPi);
    case ViewKind::Left: return Matrix4::RotationY(kPi / 2.0f);
    case ViewKind::Right: return Matrix4::RotationY(-kPi / 2.0f);
    case ViewKind::Top: return Matrix4::RotationY(kPi) * Matrix4::RotationX(kPi / 2.0f);
    case ViewKind::Bottom: return Matrix4::RotationX(-kPi / 2.0f);
    default: return Matrix4::Identity();
    }
}

// ---- status pass -----------------------------------------------------------------

void Camera::MeasureBox(const CModel& model, RenderMode renderMode, int32_t currentMesh)
{
    Vec3 bmin = Vec3::All(kEmptyBox), bmax = Vec3::All(-kEmptyBox);
    ForEachDrawnCorner(model, renderMode, currentMesh, [&](const Vec3& p) {
        bmin = Minimize(bmin, p);
        bmax = Maximize(bmax, p);
    });
    boxMin = bmin;
    boxMax = bmax;
}

ViewStatus Camera::UpdateViewStatus(const CModel& model, const EditModes& modes, int32_t currentMesh, Settings& settings,
                                    const std::string& deviceName)
{
    // 1. The box of what the frame drew, through each placing node's world matrix; the
    // depth range follows its size.
    MeasureBox(model, modes.renderMode, currentMesh);
    SetDepthRange(DepthRangeOf(boxMin, boxMax));
    const Vec3 bmin = boxMin, bmax = boxMax;

    // 2. Scroll bars (an empty box gives empty ranges).
    ViewStatus status;
    if (!BoxIsEmpty(bmin, bmax)) {
        const double hExtent = std::max(std::fabs(std::min(bmin.x, bmin.z)), std::fabs(std::max(bmax.x, bmax.z)));
        const double vExtent = std::max(std::fabs(bmin.y), std::fabs(bmax.y));
        status.horizontal.min = ClampToInt32(-1000.0 * hExtent);
        status.horizontal.max = ClampToInt32(1000.0 * hExtent);
        status.vertical.min = ClampToInt32(-1000.0 * vExtent);
        status.vertical.max = ClampToInt32(1000.0 * vExtent);
    }
    for (ScrollBarState* s : {&status.horizontal, &status.vertical})
        s->page = static_cast<int32_t>((int64_t{s->max} - s->min) / 10);
    status.horizontal.pos = hScrollPos;
    status.vertical.pos = vScrollPos;

    // 3. The grid spacing stays on its 0.02 steps, a half step rounding up. The float
    // setting 0.01 (the default) lies a hair below the half step, and a plain truncation
    // would turn it into a spacing of 0, which lays no grid: a small tolerance keeps half
    // steps rounding up, and the spacing never goes below one step.
    const double steps = std::trunc((static_cast<double>(settings.grid) + 0.01) / 0.02 + 1e-4);
    settings.grid = static_cast<float>(std::max(steps, 1.0) * 0.02);

    // 4. Pane texts.
    auto& p = status.panes;
    p[0] = deviceName;
    if (modes.grid)
        p[1] = Format("Grid: %5.2f", {static_cast<double>(settings.grid)});
    else if (modes.scaleExponent < 0)
        p[1] = Format("Scale: 1:%.0f", {std::ldexp(1.0, -modes.scaleExponent)});
    else
        p[1] = Format("Scale: %.0f:1", {std::ldexp(1.0, modes.scaleExponent)});
    p[2] = Format("Yaw: %.0f", {static_cast<double>(yaw * 180.0f / 3.1415927f)});
    p[3] = Format("Tilt: %.0f", {static_cast<double>(direction.y * 90.0f)});
    p[4] = Format("X: %8.2f", {static_cast<double>(lookPoint.x)});
    p[5] = Format("Y: %8.2f", {static_cast<double>(lookPoint.y)});
    p[6] = Format("Z: %8.2f", {static_cast<double>(lookPoint.z)});
    p[7] = Format("FR: %d", {modes.animateMode ? model.currentFrame : measuredFrameRate});
    return status;
}

}  // namespace orv
