// Where the nodes of another tool's file stand, in doubles: affine maps, and the rotation
// a node of the model holds of one. The model import and the animation import share them,
// so that a keyframe turns a node about the same axes the model import gave it.
#pragma once

#include <assimp/matrix4x4.h>

#include "interchange/axes.h"
#include "model/polygon.h"

namespace orv {

// An affine map of column vectors: 3 × 3 linear part and a translation.
struct Affine {
    Matrix3d m{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    Vec3d t{0, 0, 0};
};

Affine Compose(const Affine& a, const Affine& b);  // a after b
Affine FromAssimp(const aiMatrix4x4& a);

// The rotation nearest a node's axes as a node can hold it: its x axis kept, y made
// square to it, z the cross product (always a proper rotation).
Matrix3d RotationOf(const Matrix3d& m);

Matrix3d Multiply(const Matrix3d& a, const Matrix3d& b);
Matrix3d Transpose(const Matrix3d& m);

// A node's turn in the world from its parent's: the turns of the nodes' own transforms,
// their scales left out. A node under a parent of unequal scale keeps the angles it was
// keyed with (the world's columns there are no longer square).
Matrix3d ChainTurn(const Matrix3d& parentChain, const Affine& own);

}  // namespace orv
