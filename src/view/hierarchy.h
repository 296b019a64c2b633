// The hierarchy walk that places every node of the model for a frame, and the render-mode
// table that says which meshes are drawn and how. The OpenGL renderer draws with the
// matrices this walk stores; picking and the status pass read them back.
#pragma once

#include <cstdint>
#include <functional>
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

// The walk itself: from node 0, each node's world matrix is its local pose (when
// localPose gives one) times the parent's world matrix, `top` above node 0; siblings share
// their parent's matrix. visit gets the nodes in drawing order (node, its children, its
// next sibling). A damaged hierarchy cannot hang it: links out of range end a chain, and
// a node reached a second time (a loop in the links) is not walked again.
void WalkNodes(const CModel& model, const Matrix4& top,
               const std::function<const Matrix4*(const C3doNode& node)>& localPose,
               const std::function<void(int32_t node, const Matrix4& world)>& visit);

// The walk as drawing does it: the pose of the current frame (a node with its base pose
// only keeps it at every frame), the model matrix at the top. Stores every visited node's world matrix and returns the nodes in drawing order.
std::vector<NodeVisit> WalkHierarchy(CModel& model);

// The nodes in the walk's order, their world matrices left as they are.
std::vector<NodeVisit> NodeOrder(const CModel& model);

// Every node's matrix in the model's own space: the base pose (rotation and position as
// the file gives them) down the hierarchy, with neither the view's scale and rotation
// nor an animation frame. Identity for nodes the walk does not reach.
std::vector<Matrix4> BaseNodeMatrices(const CModel& model);

// The hierarchy node that places mesh index k (the last naming it, as drawing records
// it), or -1. A node's mesh index applies to every geometry set.
int32_t NodeOfMesh(const CModel& model, int32_t mesh);

// The model-space matrix of the node that places mesh index k (the last node naming it,
// as drawing records it), identity when no node does. A node's mesh index applies to
// every geometry set.
Matrix4 MeshModelMatrix(const CModel& model, int32_t mesh);

// The radii the files store: twice the box radius of each mesh's corners, and of every
// corner of the model, measured in the model's own space (BaseNodeMatrices), so that they
// never depend on how the model is looked at. A mesh without corners keeps its radius;
// the model keeps its own when no mesh has any.
void UpdateModelRadii(CModel& model);

// Every mesh of the current geometry set placed by a node takes a copy of that node's
// world matrix (nodes in index order, so the last node naming a mesh wins).
void RecordMeshNodes(CModel& model);

struct MeshDrawStyle {
    bool drawn = false;
    bool solid = false;
};

// Whether a mesh is drawn in the render mode, and whether solid or as wireframes.
MeshDrawStyle MeshDrawMode(int32_t renderMode, int32_t mesh, int32_t currentMesh);

}  // namespace orv
