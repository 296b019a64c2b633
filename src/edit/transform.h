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
bool CanMove(const ViewContext& c);
bool CanRotate(const ViewContext& c);

enum class TransformOutcome {
    Unchanged,  // nothing to move
    Done,
    TakenBack,  // the step would have bent a face out of its plane: everything is as before
};

// Moves by step (signed, model units) along axis 0 X, 1 Y, 2 Z of the model's axes.
// The caller has taken the undo snapshot.
TransformOutcome MoveSelection(ViewContext& c, int axis, float step);
// Rotates by degrees (signed) about axis 0 X, 1 Y, 2 Z: a face about its area-weighted
// centroid (a face group about the mean of their centroids), a mesh by its node's angles.
TransformOutcome RotateSelection(ViewContext& c, int axis, float degrees);

}  // namespace orv
