// What the Hierarchy Nodes dialog shows and changes, without a window: the tree of the
// nodes and one node's flags, type, position, rotation and pivot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/edit_context.h"
#include "model/model.h"

namespace orv {

// One node of the dialog's tree, in the order of insertion. under is the node it hangs
// below, kUnderRoot for the root item "Hierarchy Nodes" and kTopLevel for the tree's top
// level (a node whose parent is not in the tree yet when it is reached).
struct HierarchyTreeItem {
    static constexpr int32_t kUnderRoot = -1;
    static constexpr int32_t kTopLevel = -2;
    int32_t node = -1;
    int32_t under = kUnderRoot;
};

// Node 0 and its family, depth first: a node, its first child's family, then its next
// sibling's; each node under the item of its parent (its parent -1: under the root item),
// once only, whatever loops the links make. Nodes the walk does not reach follow at the
// end, so that every node can be edited. The tree nests at most kMaxTreeDepth levels:
// a node deeper stands on the last level, beside its forebear there (the window's tree
// lays out its items by recursion, and a chain of tens of thousands overflows it).
inline constexpr std::size_t kMaxTreeDepth = 1000;
std::vector<HierarchyTreeItem> HierarchyTree(const CModel& model);

struct NodeFields {
    uint32_t flags = 0;
    uint32_t type = 0;
    Vec3 position;
    Vec3 rotation;  // as held: pitch, roll, yaw
    Vec3 pivot;
};
NodeFields FieldsOfNode(const C3doNode& node);

// "&Apply": stores the fields into the node (changed only when something differs) and
// rebuilds the hierarchy, which also leaves any animation; a new pivot moves the
// corners of the meshes it places.
struct NodeEdit {
    int32_t node = -1;
    NodeFields fields;
};
EditOutcome ApplyNodeFields(EditContext& c, const NodeEdit& edit);

}  // namespace orv
