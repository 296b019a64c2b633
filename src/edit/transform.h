// Move and rotate: the twelve nudges of the map toolbar. In mesh mode the current mesh's
// hierarchy node moves or turns; otherwise the selected vertices, or the current face
// (in face mode its group, InFaceGroup), with the vertices they share.
// A step that would bend a face out of its plane is taken back.
#pragma once

#include <cstdint>

#include "edit/view_commands.h"

namespace orv {

// The step of a move (model units) and of a rotation (degrees) by the modifier keys held
// when the command runs: none 0.005 / 6, Ctrl 0.001 / 1, Shift 0.01 / 45; Shift wins.
float MoveStep(Modifiers mods);
float RotateStep(Modifiers mods);

// Enabled with the grid off and either mesh mode with a current mesh, or a current mesh
// and face; rotations outside mesh mode also want no current node.
// WhyNotMove and WhyNotRotate say why not, for the status bar (nullptr: enabled).
const char* WhyNotMove(const EditContext& c);
const char* WhyNotRotate(const EditContext& c);

// One nudge: the axis (0 X, 1 Y, 2 Z of the model's axes) and the signed step, in model
// units for a move and degrees for a rotation.
struct NudgeParams {
    int axis = 0;
    float step = 0.0f;
};

// Moves the selection by the step. Changed when anything moved; a step that would bend a
// face out of its plane is taken back and leaves the model as it was (no change).
EditOutcome MoveSelection(EditContext& c, const NudgeParams& p);
// Rotates by the step: a face about its area-weighted centroid (a face group about the
// mean of their centroids), a mesh by its node's angles. Changed as for a move.
EditOutcome RotateSelection(EditContext& c, const NudgeParams& p);

}  // namespace orv
