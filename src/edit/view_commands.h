// The document's view and edit-mode commands: render modes, standard views, the
// rotating view, scale, grid and node-size steps, and the edit-mode switches, each with
// its enabling rule. Every command checks its own rule and returns false, changing
// nothing, when it is not enabled; after a true result the caller redraws all views.
#pragma once

#include <cstdint>

#include "document/modes.h"
#include "edit/selection.h"
#include "model/model.h"
#include "model/settings.h"
#include "view/camera.h"

namespace orv {

// What a command works on. The selection and the camera belong to the view's renderer
// and are absent until the view has one; the switches still change without them.
struct ViewContext {
    CModel& model;
    EditModes& modes;
    Settings& settings;
    Selection* selection = nullptr;
    Camera* camera = nullptr;

    bool HasCurrentMesh() const;
    bool HasCurrentFace() const;
};

// The view's node markers and chosen grid nodes go, with the grid (only the grid
// without a selection): what a command that changes the model or the view leaves.
void ClearNodes(ViewContext& c);

// The model as the front of a continuously drawn view shows it, at the view's scale.
Matrix4 FrontModelMatrix(const EditModes& m);

// Enters a continuously drawn view (rotating or animating): every mesh drawn, the model
// seen from the front, no current mesh, face or node.
void EnterContinuousView(ViewContext& c, int32_t viewKind);

// Render modes 0..4; 2-4 need a current mesh.
bool CanSetRenderMode(const ViewContext& c, int32_t mode);
bool SetRenderMode(ViewContext& c, int32_t mode);

// Front, left, right, back, top, bottom (view kinds 0..5).
bool ShowStandardView(ViewContext& c, int32_t viewKind);
// "Rotate View": the model turns by -0.05 radian about Y every drawn frame.
bool StartRotateView(ViewContext& c);

bool CanScaleUp(const ViewContext& c);
bool CanScaleDown(const ViewContext& c);
bool ScaleUp(ViewContext& c);
bool ScaleDown(ViewContext& c);

bool CanToggleGrid(const ViewContext& c);
bool ToggleGrid(ViewContext& c);
bool CanGridSmaller(const ViewContext& c);
bool CanGridLarger(const ViewContext& c);
bool GridSmaller(ViewContext& c);
bool GridLarger(ViewContext& c);
bool CanToggleFaceOnly(const ViewContext& c);
bool ToggleFaceOnly(ViewContext& c);
bool CanToggleEdgesOnly(const ViewContext& c);
bool ToggleEdgesOnly(ViewContext& c);

// "Nodes/Vertices larger" / "smaller": the "VertexScaling" setting in 0.00125 steps.
bool CanNodesLarger(const ViewContext& c);
bool CanNodesSmaller(const ViewContext& c);
bool NodesLarger(ViewContext& c);
bool NodesSmaller(ViewContext& c);

bool CanToggleMeshMode(const ViewContext& c);
bool ToggleMeshMode(ViewContext& c);
bool CanToggleFaceMode(const ViewContext& c);
bool ToggleFaceMode(ViewContext& c);
bool CanToggleTexturingMode(const ViewContext& c);
bool ToggleTexturingMode(ViewContext& c);
bool CanToggleCoordinateMode(const ViewContext& c);
bool ToggleCoordinateMode(ViewContext& c);
// Animate mode: the caller then rebuilds the node poses for the current keyframe.
bool CanToggleAnimateMode(const ViewContext& c);
bool ToggleAnimateMode(ViewContext& c);

}  // namespace orv
