// The hierarchy walk that places every node of the model for a frame, and the render-mode
// table that says which meshes are drawn and how. The OpenGL renderer draws with the
// matrices this walk stores; picking and the status pass read them back.
#pragma once

#include <cstdint>
#include <vector>

#include "document/modes.h"
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
// only keeps it at every frame), the model matrix at the top. Stores every visited node's world matrix and returns the nodes in drawing order.
std::vector<NodeVisit> WalkHierarchy(CModel& model);

// The nodes in the walk's order, their world matrices left as they are.
std::vector<NodeVisit> NodeOrder(const CModel& model);

// Every mesh of the current geometry set placed by a node takes a copy of that node's
// world matrix (nodes in index order, so the last node naming a mesh wins).
void RecordMeshNodes(CModel& model);

struct MeshDrawStyle {
    bool drawn = false;
    bool solid = false;
};

// Whether a mesh is drawn in the render mode, and whether solid or as wireframes.
MeshDrawStyle MeshDrawMode(RenderMode renderMode, int32_t mesh, int32_t currentMesh);

}  // namespace orv
