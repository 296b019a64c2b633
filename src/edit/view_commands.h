// The document's view and edit-mode commands: render modes, standard views, the
// rotating view, scale, grid and node-size steps, and the edit-mode switches, each with
// its enabling rule. Every command checks its own rule and does nothing (no effects)
// when it is not enabled; when it ran it asks the window to refresh every view
// (kViewStateChanged). None changes the model's stored data.
#pragma once

#include <cstdint>

#include "document/edit_context.h"
#include "document/modes.h"
#include "edit/selection.h"
#include "model/model.h"
#include "model/settings.h"
#include "view/camera.h"

namespace orv {

// Whether the view's selection names a current mesh (face) of the model.
bool HasCurrentMesh(const EditContext& c);
bool HasCurrentFace(const EditContext& c);

// The view's node markers and chosen grid nodes go, with the grid (only the grid
// without a selection): what a command that changes the model or the view leaves.
void ClearNodes(EditContext& c);

// The model as the front of a continuously drawn view shows it, at the view's scale.
Matrix4 FrontModelMatrix(const EditModes& m);

// Enters a continuously drawn view (rotating or animating): every mesh drawn, the model
// seen from the front, no current mesh, face or node.
void EnterContinuousView(EditContext& c, ViewKind viewKind);

// Each WhyNotX says why X is not possible now, a short text for the status bar, or
// nullptr when it is: the one rule for both the enabled state and the reason.

// Render modes 0..4; 2-4 need a current mesh.
const char* WhyNotSetRenderMode(const EditContext& c, RenderMode mode);
EditOutcome SetRenderMode(EditContext& c, RenderMode mode);

// "Game View" on or off; the light at its camera on or off (only while it is on); the
// sector's light it draws in, clamped to 0..1. The light belongs to the view, not to the
// model: none of them is an undo step.
EditOutcome ToggleGameView(EditContext& c);
const char* WhyNotToggleGameCameraLight(const EditContext& c);
EditOutcome ToggleGameCameraLight(EditContext& c);
EditOutcome SetGameAmbient(EditContext& c, float level);

// "Middle": the model turned to the front (at the view's scale), its nodes placed, and
// framed by the camera. Needs the camera.
EditOutcome CenterView(EditContext& c);
// The camera as a newly shown document wants it: the saved camera for a project or an
// unnamed document, else (a 3DO file, an imported model, or a project without a camera)
// "Middle". Needs the camera, with the projection of its view.
void PlaceInitialCamera(EditContext& c);

// Front, left, right, back, top, bottom (view kinds 0..5): the model turned to show that
// side, in its base pose, and framed whole by the camera, looking along +z.
EditOutcome ShowStandardView(EditContext& c, ViewKind viewKind);
// "Rotate View": the model turns by -0.05 radian about Y every drawn frame.
EditOutcome StartRotateView(EditContext& c);

const char* WhyNotScaleUp(const EditContext& c);
const char* WhyNotScaleDown(const EditContext& c);
EditOutcome ScaleUp(EditContext& c);
EditOutcome ScaleDown(EditContext& c);

const char* WhyNotToggleGrid(const EditContext& c);
EditOutcome ToggleGrid(EditContext& c);
// "Grid smaller" / "larger": the grid spacing in 0.02 steps within kGridRange.
const char* WhyNotGridSmaller(const EditContext& c);
const char* WhyNotGridLarger(const EditContext& c);
EditOutcome GridSmaller(EditContext& c);
EditOutcome GridLarger(EditContext& c);
const char* WhyNotToggleFaceOnly(const EditContext& c);
EditOutcome ToggleFaceOnly(EditContext& c);
const char* WhyNotToggleEdgesOnly(const EditContext& c);
EditOutcome ToggleEdgesOnly(EditContext& c);

// "Nodes/Vertices larger" / "smaller": the "VertexScaling" setting in 0.00125 steps,
// within the range the Options sheet takes (kVertexScalingRange); disabled at its ends.
const char* WhyNotNodesLarger(const EditContext& c);
const char* WhyNotNodesSmaller(const EditContext& c);
EditOutcome NodesLarger(EditContext& c);
EditOutcome NodesSmaller(EditContext& c);

const char* WhyNotToggleMeshMode(const EditContext& c);
EditOutcome ToggleMeshMode(EditContext& c);
const char* WhyNotToggleFaceMode(const EditContext& c);
EditOutcome ToggleFaceMode(EditContext& c);
const char* WhyNotToggleTexturingMode(const EditContext& c);
EditOutcome ToggleTexturingMode(EditContext& c);
const char* WhyNotToggleCoordinateMode(const EditContext& c);
EditOutcome ToggleCoordinateMode(EditContext& c);
// Whether the model's puppet names keyframes and none of them is loaded (one chosen, or
// all of them, was not found): the commands that need a keyframe then say that Tools >
// Check Model lists those not found.
bool PuppetKeyframesMissing(const CModel& model);
// Animate mode: the caller then rebuilds the node poses for the current keyframe.
const char* WhyNotToggleAnimateMode(const EditContext& c);
EditOutcome ToggleAnimateMode(EditContext& c);

}  // namespace orv
