// The hierarchy walk that places every node of the model for a frame, and the render-mode
// table that says which meshes are drawn and how. The OpenGL renderer draws with the
// matrices this walk stores; picking and the status pass read them back.
#pragma once

#include <cstdint>
#include <vector>

#include "model/model.h"

namespace orv {

// One node met by the walk, in drawing order. mesh is the node's mesh index in the
// current geometry set, or -1 when the node carries none or its index cannot be resolved.
// The node's world matrix is in the model's node (C3doNode::matrix).
struct NodeVisit {
    int32_t node = -1;
    int32_t mesh = -1;
};

// Walks the hierarchy from node 0 as drawing does: each node's world matrix is its pose
// of the current frame (when it has one) times the parent's world matrix, the model
// matrix at the top; siblings share their parent's matrix. Stores every visited node's
// world matrix and returns the nodes in drawing order (node, its children, its next
// sibling). A damaged hierarchy cannot hang it: links out of range end a chain, and a
// node reached a second time (a loop in the links) is not walked again.
std::vector<NodeVisit> WalkHierarchy(CModel& model);

// Every mesh of the current geometry set placed by a node records that node and a copy
// of its world matrix (nodes in index order, so the last node naming a mesh wins).
void RecordMeshNodes(CModel& model);

struct MeshDrawStyle {
    bool drawn = false;
    bool solid = false;
};

// Whether a mesh is drawn in the render mode, and whether solid or as wireframes.
MeshDrawStyle MeshDrawMode(int32_t renderMode, int32_t mesh, int32_t currentMesh);

}  // namespace orv
