#include "edit/view_commands.h"

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

void EnterContinuousView(EditContext& c, int32_t viewKind)
{
    c.modes().viewKind = viewKind;
    if (c.modes().renderMode != kRenderAll && c.modes().renderMode != kRenderAllWireframe)
        c.modes().renderMode = kRenderAll;
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

bool CanSetRenderMode(const EditContext& c, int32_t mode)
{
    if (mode < kRenderAll || mode > kRenderMeshWireframe)
        return false;
    return mode <= kRenderAllWireframe || HasCurrentMesh(c);
}

EditOutcome SetRenderMode(EditContext& c, int32_t mode)
{
    if (!CanSetRenderMode(c, mode))
        return {};
    c.modes().renderMode = mode;
    if (c.selection)
        c.selection->currentFace = -1;
    ClearNodes(c);
    return EditOutcome::Done(kViewStateChanged);
}

EditOutcome ShowStandardView(EditContext& c, int32_t viewKind)
{
    if (viewKind < kViewFront || viewKind > kViewBottom)
        return {};
    c.modes().viewKind = viewKind;
    ClearNodes(c);
    c.model().RebuildHierarchy();
    c.model().modelMatrix = c.modes().scaleMatrix * StandardViewRotation(viewKind);
    if (c.camera) {
        c.camera->SetCameraOrientation({0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f});
        c.camera->UpdateEyeFromView();
    }
    return EditOutcome::Done(kViewStateChanged);
}

EditOutcome StartRotateView(EditContext& c)
{
    EnterContinuousView(c, kViewRotating);
    c.model().RebuildHierarchy();
    c.model().rotationStep = Matrix4::RotationAngles(0.0f, -0.05f, 0.0f);
    c.model().baseMatrix = c.model().modelMatrix;
    return EditOutcome::Done(kViewStateChanged);
}

// ---- scale -------------------------------------------------------------------------------

bool CanScaleUp(const EditContext& c) { return c.modes().scaleExponent < kMaxScaleExponent; }
bool CanScaleDown(const EditContext& c) { return c.modes().scaleExponent > -kMaxScaleExponent; }

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
    if (!CanScaleUp(c))
        return {};
    Rescale(c, 1, 2.0f);
    return EditOutcome::Done(kViewStateChanged);
}

EditOutcome ScaleDown(EditContext& c)
{
    if (!CanScaleDown(c))
        return {};
    Rescale(c, -1, 0.5f);
    return EditOutcome::Done(kViewStateChanged);
}

// ---- grid and node size ------------------------------------------------------------------

bool CanToggleGrid(const EditContext& c)
{
    return HasCurrentMesh(c) && !c.modes().animateMode && (c.modes().meshMode || HasCurrentFace(c));
}

EditOutcome ToggleGrid(EditContext& c)
{
    if (!CanToggleGrid(c))
        return {};
    c.modes().grid = !c.modes().grid;
    ForgetCurrentNode(c);
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

bool CanGridSmaller(const EditContext& c) { return c.modes().grid && c.settings->grid > 0.02f; }
bool CanGridLarger(const EditContext& c) { return c.modes().grid && c.settings->grid < 0.2f; }

EditOutcome GridSmaller(EditContext& c)
{
    if (!CanGridSmaller(c))
        return {};
    c.settings->grid -= 0.02f;
    if (c.settings->grid < 0.02f)
        c.settings->grid = 0.02f;
    ForgetCurrentNode(c);
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

EditOutcome GridLarger(EditContext& c)
{
    if (!CanGridLarger(c))
        return {};
    c.settings->grid += 0.02f;
    ForgetCurrentNode(c);
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

bool CanToggleFaceOnly(const EditContext& c) { return HasCurrentMesh(c) && c.modes().meshMode; }

EditOutcome ToggleFaceOnly(EditContext& c)
{
    if (!CanToggleFaceOnly(c))
        return {};
    c.modes().gridFaceOnly = !c.modes().gridFaceOnly;
    if (c.modes().gridFaceOnly)
        c.modes().gridEdgesOnly = false;
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

bool CanToggleEdgesOnly(const EditContext& c) { return c.modes().grid; }

EditOutcome ToggleEdgesOnly(EditContext& c)
{
    if (!CanToggleEdgesOnly(c))
        return {};
    c.modes().gridEdgesOnly = !c.modes().gridEdgesOnly;
    if (c.modes().gridEdgesOnly)
        c.modes().gridFaceOnly = false;
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

bool CanNodesLarger(const EditContext& c)
{
    return HasCurrentMesh(c) && HasCurrentFace(c) && c.settings->vertexScaling < 0.1f;
}

bool CanNodesSmaller(const EditContext& c)
{
    return HasCurrentMesh(c) && HasCurrentFace(c) && c.settings->vertexScaling > 0.002f;
}

EditOutcome NodesLarger(EditContext& c)
{
    if (!CanNodesLarger(c))
        return {};
    c.settings->vertexScaling += 0.00125f;
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

EditOutcome NodesSmaller(EditContext& c)
{
    if (!CanNodesSmaller(c))
        return {};
    c.settings->vertexScaling -= 0.00125f;
    Rebuild(c);
    return EditOutcome::Done(kViewStateChanged);
}

// ---- edit modes --------------------------------------------------------------------------

bool CanToggleMeshMode(const EditContext& c) { return HasCurrentMesh(c); }

EditOutcome ToggleMeshMode(EditContext& c)
{
    if (!CanToggleMeshMode(c))
        return {};
    EditModes& m = c.modes();
    m.meshMode = !m.meshMode;
    m.grid = m.faceMode = m.texturingMode = m.animateMode = false;
    Rebuild(c);
    ForgetCurrentNode(c);
    return EditOutcome::Done(kViewStateChanged);
}

bool CanToggleFaceMode(const EditContext& c) { return HasCurrentMesh(c) && HasCurrentFace(c); }

EditOutcome ToggleFaceMode(EditContext& c)
{
    if (!CanToggleFaceMode(c))
        return {};
    EditModes& m = c.modes();
    m.faceMode = !m.faceMode;
    m.grid = m.meshMode = m.texturingMode = m.animateMode = false;
    Rebuild(c);
    ForgetCurrentNode(c);
    return EditOutcome::Done(kViewStateChanged);
}

bool CanToggleTexturingMode(const EditContext& c)
{
    return !c.modes().meshMode && HasCurrentMesh(c) && HasCurrentFace(c);
}

EditOutcome ToggleTexturingMode(EditContext& c)
{
    if (!CanToggleTexturingMode(c))
        return {};
    c.modes().texturingMode = !c.modes().texturingMode;
    ClearNodes(c);
    c.modes().faceMode = c.modes().animateMode = false;
    c.model().RebuildHierarchy();
    return EditOutcome::Done(kViewStateChanged);
}

bool CanToggleCoordinateMode(const EditContext& c) { return c.modes().viewKind != kViewAnimating; }

EditOutcome ToggleCoordinateMode(EditContext& c)
{
    if (!CanToggleCoordinateMode(c))
        return {};
    c.modes().coordinateMode = !c.modes().coordinateMode;
    return EditOutcome::Done(kViewStateChanged);
}

bool CanToggleAnimateMode(const EditContext& c) { return c.modes().meshMode && c.model().keyframe != nullptr; }

EditOutcome ToggleAnimateMode(EditContext& c)
{
    if (!CanToggleAnimateMode(c))
        return {};
    c.modes().animateMode = !c.modes().animateMode;
    c.modes().grid = false;
    c.model().modelMatrix = FrontModelMatrix(c.modes());
    ClearNodes(c);
    return EditOutcome::Done(kViewStateChanged);
}

}  // namespace orv
