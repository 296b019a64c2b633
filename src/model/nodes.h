// The hierarchy of nodes in the model's own space: the walk from node 0 down the child
// and sibling links, each node's rest matrix, and which node places a mesh. Drawing,
// picking, editing and the radii the files store all place meshes this one way.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "model/model.h"

namespace orv {

// The walk itself: from node 0, each node's world matrix is its local pose (when
// localPose gives one) times the parent's world matrix, `top` above node 0; siblings share
// their parent's matrix. visit gets the nodes in drawing order (node, its children, its
// next sibling). A damaged hierarchy cannot hang it: links out of range end a chain, and
// a node reached a second time (a loop in the links) is not walked again.
void WalkNodes(const CModel& model, const Matrix4& top,
               const std::function<const Matrix4*(const C3doNode& node)>& localPose,
               const std::function<void(int32_t node, const Matrix4& world)>& visit);

// Every node's matrix in the model's own space: the base pose (rotation and position as
// the file gives them) down the hierarchy, with neither the view's scale and rotation
// nor an animation frame. Identity for nodes the walk does not reach.
std::vector<Matrix4> BaseNodeMatrices(const CModel& model);

// The hierarchy node that places mesh index k (the last naming it, as drawing records
// it), or -1. A node's mesh index applies to every geometry set.
int32_t NodeOfMesh(const CModel& model, int32_t mesh);

// The pivot that places the vertices of each mesh index below meshCount: that of the
// first node naming it (zero when none does). One pass over the nodes, however many
// meshes.
std::vector<Vec3> MeshPivots(const CModel& model, std::size_t meshCount);

// The model-space matrix of the node that places mesh index k (the last node naming it,
// as drawing records it), identity when no node does. A node's mesh index applies to
// every geometry set.
Matrix4 MeshModelMatrix(const CModel& model, int32_t mesh);

// The model-space rest matrix of every mesh index below meshCount, from the last node
// naming it (identity when none does).
std::vector<Matrix4> MeshModelMatrices(const CModel& model, std::size_t meshCount);

}  // namespace orv
