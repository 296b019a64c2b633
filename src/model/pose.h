// How the model's pose moves (ModelPose: never stored, never in an undo step): the
// playing clock of the keyframe, and where the nodes stand for the frame -- the world
// matrices that drawing, picking and editing read. Only the core writes the pose (the
// document places the nodes after every change and steps the continuous views); the
// renderer reads it.
#pragma once

#include <cstdint>
#include <vector>

#include "model/model.h"
#include "model/nodes.h"

namespace orv {

// One node met by the walk, in drawing order. mesh is the node's mesh index in the
// current geometry set, or -1 when the node carries none or its index cannot be resolved.
// The node's world matrix is in the model's pose (ModelPose::nodeMatrices).
struct NodeVisit {
    int32_t node = -1;
    int32_t mesh = -1;
};

// The walk as drawing does it: the pose of the current frame (a node with its base pose
// only keeps it at every frame), the model matrix at the top. Stores every visited node's
// world matrix and returns the nodes in drawing order.
std::vector<NodeVisit> WalkHierarchy(CModel& model);

// The nodes in the walk's order, their world matrices left as they are.
std::vector<NodeVisit> NodeOrder(const CModel& model);

// Every mesh of the current geometry set placed by a node takes a copy of that node's
// world matrix (nodes in index order, so the last node naming a mesh wins).
void RecordMeshNodes(CModel& model);

// Both: every node and every mesh placed for the model's frame and model matrix as they
// stand.
void PlaceNodes(CModel& model);

// Adds dt seconds to the playing time; when it passes the frame time (strictly), the
// current frame steps by one (back to 0 at the frame count) and the collected time is
// dropped, so a frame steps at most once per call. Callers give the real time since the
// previous call.
void AdvanceAnimation(CModel& model, float dt);

// Milliseconds until AdvanceAnimation would step, when `since` seconds have passed since
// its last call (at least 1 beyond the exact moment, since the test is strict); -1 when
// it never steps (a frame time that is infinite or not a number).
int64_t MsUntilFrameStep(const CModel& model, double since);

}  // namespace orv
