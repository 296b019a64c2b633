#include "edit/view_commands.h"

namespace orv {

namespace {

void Rebuild(ViewContext& c)
{
    if (c.selection)
        c.selection->RebuildNodes(c.model, c.modes, c.settings);
}

void ForgetCurrentNode(ViewContext& c)
{
    if (c.selection)
        c.selection->currentNode = -1;
}

}  // namespace

void ClearNodes(ViewContext& c)
{
    if (c.selection)
        c.selection->ClearNodes(c.modes);
    else
        c.modes.grid = false;
}

Matrix4 FrontModelMatrix(const EditModes& m) { return m.scaleMatrix * Matrix4::RotationY(kPi); }

void EnterContinuousView(ViewContext& c, int32_t viewKind)
{
    c.modes.viewKind = viewKind;
    if (c.modes.renderMode != kRenderAll && c.modes.renderMode != kRenderAllWireframe)
        c.modes.renderMode = kRenderAll;
    c.model.modelMatrix = FrontModelMatrix(c.modes);
    if (c.selection) {
        c.selection->currentNode = -1;
        c.selection->currentFace = -1;
        c.selection->currentMesh = -1;
    }
    ClearNodes(c);
}

bool ViewContext::HasCurrentMesh() const { return selection && selection->CurrentMesh(model); }
bool ViewContext::HasCurrentFace() const { return selection && selection->CurrentFace(model); }

// ---- render modes and views -------------------------------------------------------------

bool CanSetRenderMode(const ViewContext& c, int32_t mode)
{
    if (mode < kRenderAll || mode > kRenderMeshWireframe)
        return false;
    return mode <= kRenderAllWireframe || c.HasCurrentMesh();
}

bool SetRenderMode(ViewContext& c, int32_t mode)
{
    if (!CanSetRenderMode(c, mode))
        return false;
    c.modes.renderMode = mode;
    if (c.selection)
        c.selection->currentFace = -1;
    ClearNodes(c);
    return true;
}

bool ShowStandardView(ViewContext& c, int32_t viewKind)
{
    if (viewKind < kViewFront || viewKind > kViewBottom)
        return false;
    c.modes.viewKind = viewKind;
    ClearNodes(c);
    c.model.RebuildHierarchy();
    c.model.modelMatrix = c.modes.scaleMatrix * StandardViewRotation(viewKind);
    if (c.camera) {
        c.camera->SetCameraOrientation({0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f});
        c.camera->UpdateEyeFromView();
    }
    return true;
}

bool StartRotateView(ViewContext& c)
{
    EnterContinuousView(c, kViewRotating);
    c.model.RebuildHierarchy();
    c.model.rotationStep = Matrix4::RotationAngles(0.0f, -0.05f, 0.0f);
    c.model.baseMatrix = c.model.modelMatrix;
    return true;
}

// ---- scale -------------------------------------------------------------------------------

bool CanScaleUp(const ViewContext& c) { return c.modes.scaleExponent < kMaxScaleExponent; }
bool CanScaleDown(const ViewContext& c) { return c.modes.scaleExponent > -kMaxScaleExponent; }

namespace {

void Rescale(ViewContext& c, int32_t step, float factor)
{
    c.modes.scaleExponent += step;
    const Matrix4 s = Matrix4::Scaling(factor, factor, factor);
    c.modes.scaleMatrix = c.modes.scaleMatrix * s;
    c.model.modelMatrix = c.model.modelMatrix * s;
    ClearNodes(c);
}

}  // namespace

bool ScaleUp(ViewContext& c)
{
    if (!CanScaleUp(c))
        return false;
    Rescale(c, 1, 2.0f);
    return true;
}

bool ScaleDown(ViewContext& c)
{
    if (!CanScaleDown(c))
        return false;
    Rescale(c, -1, 0.5f);
    return true;
}

// ---- grid and node size ------------------------------------------------------------------

bool CanToggleGrid(const ViewContext& c)
{
    return c.HasCurrentMesh() && !c.modes.animateMode && (c.modes.meshMode || c.HasCurrentFace());
}

bool ToggleGrid(ViewContext& c)
{
    if (!CanToggleGrid(c))
        return false;
    c.modes.grid = !c.modes.grid;
    ForgetCurrentNode(c);
    Rebuild(c);
    return true;
}

bool CanGridSmaller(const ViewContext& c) { return c.modes.grid && c.settings.grid > 0.02f; }
bool CanGridLarger(const ViewContext& c) { return c.modes.grid && c.settings.grid < 0.2f; }

bool GridSmaller(ViewContext& c)
{
    if (!CanGridSmaller(c))
        return false;
    c.settings.grid -= 0.02f;
    if (c.settings.grid < 0.02f)
        c.settings.grid = 0.02f;
    ForgetCurrentNode(c);
    Rebuild(c);
    return true;
}

bool GridLarger(ViewContext& c)
{
    if (!CanGridLarger(c))
        return false;
    c.settings.grid += 0.02f;
    ForgetCurrentNode(c);
    Rebuild(c);
    return true;
}

bool CanToggleFaceOnly(const ViewContext& c) { return c.HasCurrentMesh() && c.modes.meshMode; }

bool ToggleFaceOnly(ViewContext& c)
{
    if (!CanToggleFaceOnly(c))
        return false;
    c.modes.gridFaceOnly = !c.modes.gridFaceOnly;
    if (c.modes.gridFaceOnly)
        c.modes.gridEdgesOnly = false;
    Rebuild(c);
    return true;
}

bool CanToggleEdgesOnly(const ViewContext& c) { return c.modes.grid; }

bool ToggleEdgesOnly(ViewContext& c)
{
    if (!CanToggleEdgesOnly(c))
        return false;
    c.modes.gridEdgesOnly = !c.modes.gridEdgesOnly;
    if (c.modes.gridEdgesOnly)
        c.modes.gridFaceOnly = false;
    Rebuild(c);
    return true;
}

bool CanNodesLarger(const ViewContext& c)
{
    return c.HasCurrentMesh() && c.HasCurrentFace() && c.settings.vertexScaling < 0.1f;
}

bool CanNodesSmaller(const ViewContext& c)
{
    return c.HasCurrentMesh() && c.HasCurrentFace() && c.settings.vertexScaling > 0.002f;
}

bool NodesLarger(ViewContext& c)
{
    if (!CanNodesLarger(c))
        return false;
    c.settings.vertexScaling += 0.00125f;
    Rebuild(c);
    return true;
}

bool NodesSmaller(ViewContext& c)
{
    if (!CanNodesSmaller(c))
        return false;
    c.settings.vertexScaling -= 0.00125f;
    Rebuild(c);
    return true;
}

// ---- edit modes --------------------------------------------------------------------------

bool CanToggleMeshMode(const ViewContext& c) { return c.HasCurrentMesh(); }

bool ToggleMeshMode(ViewContext& c)
{
    if (!CanToggleMeshMode(c))
        return false;
    EditModes& m = c.modes;
    m.meshMode = !m.meshMode;
    m.grid = m.faceMode = m.texturingMode = m.animateMode = false;
    Rebuild(c);
    ForgetCurrentNode(c);
    return true;
}

bool CanToggleFaceMode(const ViewContext& c) { return c.HasCurrentMesh() && c.HasCurrentFace(); }

bool ToggleFaceMode(ViewContext& c)
{
    if (!CanToggleFaceMode(c))
        return false;
    EditModes& m = c.modes;
    m.faceMode = !m.faceMode;
    m.grid = m.meshMode = m.texturingMode = m.animateMode = false;
    Rebuild(c);
    ForgetCurrentNode(c);
    return true;
}

bool CanToggleTexturingMode(const ViewContext& c)
{
    return !c.modes.meshMode && c.HasCurrentMesh() && c.HasCurrentFace();
}

bool ToggleTexturingMode(ViewContext& c)
{
    if (!CanToggleTexturingMode(c))
        return false;
    c.modes.texturingMode = !c.modes.texturingMode;
    ClearNodes(c);
    c.modes.faceMode = c.modes.animateMode = false;
    c.model.RebuildHierarchy();
    return true;
}

bool CanToggleCoordinateMode(const ViewContext& c) { return c.modes.viewKind != kViewAnimating; }

bool ToggleCoordinateMode(ViewContext& c)
{
    if (!CanToggleCoordinateMode(c))
        return false;
    c.modes.coordinateMode = !c.modes.coordinateMode;
    return true;
}

bool CanToggleAnimateMode(const ViewContext& c) { return c.modes.meshMode && c.model.keyframe != nullptr; }

bool ToggleAnimateMode(ViewContext& c)
{
    if (!CanToggleAnimateMode(c))
        return false;
    c.modes.animateMode = !c.modes.animateMode;
    c.modes.grid = false;
    c.model.modelMatrix = FrontModelMatrix(c.modes);
    ClearNodes(c);
    return true;
}

}  // namespace orv
