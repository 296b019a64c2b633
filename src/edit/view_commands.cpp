#include "edit/view_commands.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "document/document.h"
#include "model/file_kind.h"
#include "model/pose.h"

namespace orv {

namespace {

void Rebuild(EditContext& c)
{
    if (c.selection)
        c.selection->RebuildNodes(c.model(), c.modes(), *c.settings);
}

void ForgetCurrentNode(EditContext& c)
{
    if (c.selection)
        c.selection->currentNode = -1;
}

}  // namespace

void ClearNodes(EditContext& c)
{
    if (c.selection)
        c.selection->ClearNodes(c.modes());
    else
        c.modes().grid = false;
}

Matrix4 FrontModelMatrix(const EditModes& m) { return m.scaleMatrix * Matrix4::RotationY(kPi); }

void EnterContinuousView(EditContext& c, ViewKind viewKind)
{
    c.modes().viewKind = viewKind;
    if (c.modes().renderMode != RenderMode::All && c.modes().renderMode != RenderMode::AllWireframe)
        c.modes().renderMode = RenderMode::All;
    c.model().modelMatrix = FrontModelMatrix(c.modes());
    if (c.selection) {
        c.selection->currentNode = -1;
        c.selection->currentFace = -1;
        c.selection->currentMesh = -1;
    }
    ClearNodes(c);
}

bool HasCurrentMesh(const EditContext& c) { return c.selection && c.selection->CurrentMesh(c.model()); }
bool HasCurrentFace(const EditContext& c) { return c.selection && c.selection->CurrentFace(c.model()); }

// ---- render modes and views -------------------------------------------------------------

const char* WhyNotSetRenderMode(const EditContext& c, RenderMode mode)
{
    if (mode == RenderMode::All || mode == RenderMode::AllWireframe || HasCurrentMesh(c))
        return nullptr;
    return "This render mode shows the current mesh: click a mesh first";
}

EditOutcome SetRenderMode(EditContext& c, RenderMode mode)
{
    if (WhyNotSetRenderMode(c, mode))
        return {};
    c.modes().renderMode = mode;
    if (c.selection)
        c.selection->currentFace = -1;
    ClearNodes(c);
    return EditOutcome::Done(kViewStateChanged);
}

EditOutcome ToggleGameView(EditContext& c)
{
    c.modes().gameView = !c.modes().gameView;
    return EditOutcome::Done(kViewStateChanged);
}

const char* WhyNotToggleGameCameraLight(const EditContext& c)
{
    return c.modes().gameView ? nullptr : "The light at the camera lights the Game View: turn it on first";
}

EditOutcome ToggleGameCameraLight(EditContext& c)
{
    if (WhyNotToggleGameCameraLight(c))
        return {};
    c.modes().gameCameraLight = !c.modes().gameCameraLight;
    return EditOutcome::Done(kViewStateChanged);
}

EditOutcome SetGameAmbient(EditContext& c, float level)
{
    // A NaN from a bad field would light nothing and stay: it counts as no light.
    const float clamped = std::isnan(level) ? 0.0f : std::clamp(level, 0.0f, 1.0f);
    if (clamped == c.modes().gameAmbient)
        return {};
    c.modes().gameAmbient = clamped;
    return EditOutcome::Done(kViewStateChanged);
}

EditOutcome ShowStandardView(EditContext& c, ViewKind viewKind)
{
    if (viewKind == ViewKind::Rotating || viewKind == ViewKind::Animating)
        return {};
    c.modes().viewKind = viewKind;
    ClearNodes(c);
    c.model().RebuildHierarchy();
    c.model().modelMatrix = c.modes().scaleMatrix * StandardViewRotation(viewKind);
    // Turned, the model's size along the view changes: the camera frames it afresh
    // (from where it was, a model's height would now be its depth), placed as turned.
    PlaceNodes(c.model());
    if (c.camera)
        c.camera->FrameModel(c.model(), c.modes(), c.selection ? c.selection->currentMesh : -1);
    return EditOutcome::Done(kViewStateChanged);
}

EditOutcome CenterView(EditContext& c)
{
    if (!c.camera)
        return {};
    c.model().modelMatrix = FrontModelMatrix(c.modes());
    PlaceNodes(c.model());
    c.camera->FrameModel(c.model(), c.modes(), c.selection ? c.selection->currentMesh : -1, c.mods);
    return EditOutcome::Done(kViewStateChanged | kMeasure);
}

void PlaceInitialCamera(EditContext& c)
{
    if (!c.camera || !c.HasModel())
        return;
    const std::string path = c.doc ? c.doc->PathName() : std::string();
    const CameraState saved = c.doc ? c.doc->savedCamera : CameraState{};
    // A project without a camera (zero direction or up) would show nothing from a
    // degenerate view; it is framed like a model file instead.
    const bool usableSaved = LengthSquared(saved.direction) > 0.0f && LengthSquared(saved.up) > 0.0f &&
                             LengthSquared(Cross(saved.up, saved.direction)) > 0.0f;
    if ((path.empty() || FileKindOf(path) == FileKind::Project) && usableSaved) {
        c.camera->SetCameraOrientation(saved.direction, saved.up);
        c.camera->SetCameraPosition(saved.eye, c.mods);
        return;
    }
    (void)CenterView(c);
}

EditOutcome StartRotateView(EditContext& c)
{
    EnterContinuousView(c, ViewKind::Rotating);
    c.model().RebuildHierarchy();
    c.model().rotationStep = Matrix4::RotationAngles(0.0f, -0.05f, 0.0f);
    c.model().baseMatrix = c.model().modelMatrix;
    return EditOutcome::Done(kViewStateChanged);
}

// ---- scale -------------------------------------------------------------------------------

const char* WhyNotScaleUp(const EditContext& c)
{
    return c.modes().scaleExponent < kMaxScaleExponent ? nullptr : "The view is at its largest scale";
}
const char* WhyNotScaleDown(const EditContext& c)
{
    return c.modes().scaleExponent > -kMaxScaleExponent ? nullptr : "The view is at its smallest scale";
}

namespace {

void Rescale(EditContext& c, int32_t step, float factor)
{
    c.modes().scaleExponent += step;
    const Matrix4 s = Matrix4::Scaling(factor, factor, factor);
    c.modes().scaleMatrix = c.modes().scaleMatrix * s;
    c.model().modelMatrix = c.model().modelMatrix * s;
    ClearNodes(c);
}

}  // namespace

EditOutcome ScaleUp(EditContext& c)
{
    if (WhyNotScaleUp(c))
        return {};
    Rescale(c, 1, 2.0f);
    return EditOutcome::Done(kViewStateChanged);
}

EditOutcome ScaleDown(EditContext& c)
{
    if (WhyNotScaleDown(c))
        return {};
    Rescale(c, -1, 0.5f);
    return EditOutcome::Done(kViewStateChanged);
}

// ---- grid and node size ------------------------------------------------------------------

const char* WhyNotToggleGrid(const EditContext& c)
{
    if (c.modes().animateMode)
        return "The grid is not shown in Animate Mode";
    if (!HasCurrentMesh(c) || (!c.modes().meshMode && !HasCurrentFace(c)))
        return "The grid needs a current face, or a current mesh in Mesh Mode";
    return nullptr;
}

EditOutcome ToggleGrid(EditContext& c)
{
    if (WhyNotToggleGrid(c))
        return {};
    c.modes().grid = !c.modes().grid;
    ForgetCurrentNode(c);
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

const char* WhyNotGridSmaller(const EditContext& c)
{
    if (!c.modes().grid)
        return "Show the grid first (G)";
    return c.settings->grid > kGridRange.min ? nullptr : "The grid is at its smallest";
}
const char* WhyNotGridLarger(const EditContext& c)
{
    if (!c.modes().grid)
        return "Show the grid first (G)";
    return c.settings->grid < kGridRange.max ? nullptr : "The grid is at its largest";
}

EditOutcome GridSmaller(EditContext& c)
{
    if (WhyNotGridSmaller(c))
        return {};
    c.settings->grid = kGridRange.StepDown(c.settings->grid, kGridStep);
    ForgetCurrentNode(c);
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

EditOutcome GridLarger(EditContext& c)
{
    if (WhyNotGridLarger(c))
        return {};
    c.settings->grid = kGridRange.StepUp(c.settings->grid, kGridStep);
    ForgetCurrentNode(c);
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

const char* WhyNotToggleFaceOnly(const EditContext& c)
{
    return HasCurrentMesh(c) && c.modes().meshMode ? nullptr : "Face Only needs Mesh Mode with a current mesh";
}

EditOutcome ToggleFaceOnly(EditContext& c)
{
    if (WhyNotToggleFaceOnly(c))
        return {};
    c.modes().gridFaceOnly = !c.modes().gridFaceOnly;
    if (c.modes().gridFaceOnly)
        c.modes().gridEdgesOnly = false;
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

const char* WhyNotToggleEdgesOnly(const EditContext& c)
{
    return c.modes().grid ? nullptr : "Edges Only needs the grid shown (G)";
}

EditOutcome ToggleEdgesOnly(EditContext& c)
{
    if (WhyNotToggleEdgesOnly(c))
        return {};
    c.modes().gridEdgesOnly = !c.modes().gridEdgesOnly;
    if (c.modes().gridEdgesOnly)
        c.modes().gridFaceOnly = false;
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

const char* WhyNotNodesLarger(const EditContext& c)
{
    if (!HasCurrentMesh(c) || !HasCurrentFace(c))
        return "The nodes and vertices are shown on a current face: click a face first";
    return c.settings->vertexScaling < kVertexScalingRange.max ? nullptr
                                                               : "The nodes and vertices are at their largest";
}
const char* WhyNotNodesSmaller(const EditContext& c)
{
    if (!HasCurrentMesh(c) || !HasCurrentFace(c))
        return "The nodes and vertices are shown on a current face: click a face first";
    return c.settings->vertexScaling > kVertexScalingRange.min ? nullptr
                                                               : "The nodes and vertices are at their smallest";
}

EditOutcome NodesLarger(EditContext& c)
{
    if (WhyNotNodesLarger(c))
        return {};
    c.settings->vertexScaling = kVertexScalingRange.StepUp(c.settings->vertexScaling, kVertexScalingStep);
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

EditOutcome NodesSmaller(EditContext& c)
{
    if (WhyNotNodesSmaller(c))
        return {};
    c.settings->vertexScaling = kVertexScalingRange.StepDown(c.settings->vertexScaling, kVertexScalingStep);
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

// ---- edit modes --------------------------------------------------------------------------

const char* WhyNotToggleMeshMode(const EditContext& c)
{
    return HasCurrentMesh(c) ? nullptr : "Mesh Mode needs a current mesh: click a mesh first";
}

EditOutcome ToggleMeshMode(EditContext& c)
{
    if (WhyNotToggleMeshMode(c))
        return {};
    EditModes& m = c.modes();
    m.meshMode = !m.meshMode;
    m.grid = m.faceMode = m.texturingMode = m.animateMode = false;
    Rebuild(c);
    ForgetCurrentNode(c);
    return EditOutcome::Done(kViewStateChanged);
}

const char* WhyNotToggleFaceMode(const EditContext& c)
{
    return HasCurrentMesh(c) && HasCurrentFace(c) ? nullptr : "Face Mode needs a current face: click a face first";
}

EditOutcome ToggleFaceMode(EditContext& c)
{
    if (WhyNotToggleFaceMode(c))
        return {};
    EditModes& m = c.modes();
    m.faceMode = !m.faceMode;
    m.grid = m.meshMode = m.texturingMode = m.animateMode = false;
    Rebuild(c);
    ForgetCurrentNode(c);
    return EditOutcome::Done(kViewStateChanged);
}

const char* WhyNotToggleTexturingMode(const EditContext& c)
{
    if (c.modes().meshMode)
        return "Texturing Mode works on faces: leave Mesh Mode first";
    if (!HasCurrentMesh(c) || !HasCurrentFace(c))
        return "Texturing Mode needs a current face: click a face first";
    return nullptr;
}

EditOutcome ToggleTexturingMode(EditContext& c)
{
    if (WhyNotToggleTexturingMode(c))
        return {};
    c.modes().texturingMode = !c.modes().texturingMode;
    ClearNodes(c);
    c.modes().faceMode = c.modes().animateMode = false;
    c.model().RebuildHierarchy();
    return EditOutcome::Done(kViewStateChanged);
}

const char* WhyNotToggleCoordinateMode(const EditContext& c)
{
    return c.modes().viewKind != ViewKind::Animating ? nullptr
                                                     : "Coordinate Mode is not available in the Animating View";
}

EditOutcome ToggleCoordinateMode(EditContext& c)
{
    if (WhyNotToggleCoordinateMode(c))
        return {};
    c.modes().coordinateMode = !c.modes().coordinateMode;
    return EditOutcome::Done(kViewStateChanged);
}

bool PuppetKeyframesMissing(const CModel& model)
{
    return !model.keyframe && std::any_of(model.puppetModes.begin(), model.puppetModes.end(),
                                          [](const auto& m) { return !m.items.empty(); });
}

const char* WhyNotToggleAnimateMode(const EditContext& c)
{
    if (c.model().keyframe)
        return nullptr;
    return PuppetKeyframesMissing(c.model())
               ? "Animate Mode needs a keyframe: choose one that is found in Tools > Animation Sequence "
                 "(Tools > Check Model lists those that are not)"
               : "Animate Mode needs a keyframe: choose one in Tools > Animation Sequence";
}

EditOutcome ToggleAnimateMode(EditContext& c)
{
    if (WhyNotToggleAnimateMode(c))
        return {};
    EditModes& m = c.modes();
    m.animateMode = !m.animateMode;
    // Animate mode poses whole meshes: it brings Mesh Mode with it, so a model that opens
    // ready to play steps through its frames at once and a clicked mesh nudges its keyframe
    // entry rather than its vertices.
    if (m.animateMode && !m.meshMode) {
        m.meshMode = true;
        m.faceMode = m.texturingMode = false;
    }
    m.grid = false;
    c.model().modelMatrix = FrontModelMatrix(c.modes());
    ClearNodes(c);
    return EditOutcome::Done(kViewStateChanged);
}

}  // namespace orv
