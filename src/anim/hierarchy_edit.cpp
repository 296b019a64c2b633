#include "anim/hierarchy_edit.h"

#include <algorithm>

#include "model/corners.h"

namespace orv {

std::vector<HierarchyTreeItem> HierarchyTree(const CModel& model)
{
    const auto count = static_cast<int32_t>(model.nodes.size());
    std::vector<HierarchyTreeItem> items;
    std::vector<bool> placed(model.nodes.size(), false);
    std::vector<std::size_t> depth(model.nodes.size(), 1);    // levels of the tree down to the node's item
    std::vector<int32_t> under(model.nodes.size(), -1);       // the item each node hangs under
    auto valid = [count](int32_t i) { return i >= 0 && i < count; };
    auto place = [&](int32_t i) {
        const auto k = static_cast<std::size_t>(i);
        const int32_t parent = model.nodes[k].parent;
        HierarchyTreeItem item;
        item.node = i;
        if (parent == -1) {
            item.under = HierarchyTreeItem::kUnderRoot;
        } else if (valid(parent) && placed[static_cast<std::size_t>(parent)]) {
            const auto p = static_cast<std::size_t>(parent);
            item.under = depth[p] < kMaxTreeDepth ? parent : under[p];
            depth[k] = std::min(depth[p] + 1, kMaxTreeDepth);
        } else {
            item.under = HierarchyTreeItem::kTopLevel;
        }
        under[k] = item.under;
        placed[k] = true;
        items.push_back(item);
    };
    // The recursive walk (node, child family, sibling family) with a stack of its own.
    std::vector<int32_t> stack;
    if (count > 0)
        stack.push_back(0);
    while (!stack.empty()) {
        const int32_t i = stack.back();
        stack.pop_back();
        if (!valid(i) || placed[static_cast<std::size_t>(i)])
            continue;
        place(i);
        const C3doNode& n = model.nodes[static_cast<std::size_t>(i)];
        stack.push_back(n.sibling);
        stack.push_back(n.child);
    }
    for (int32_t i = 0; i < count; ++i)
        if (!placed[static_cast<std::size_t>(i)])
            place(i);
    return items;
}

NodeFields FieldsOfNode(const C3doNode& node)
{
    NodeFields f;
    f.flags = node.flags;
    f.type = node.type;
    f.position = node.position;
    f.rotation = node.rotation;
    f.pivot = node.pivot;
    return f;
}

EditOutcome ApplyNodeFields(EditContext& c, const NodeEdit& edit)
{
    CModel& model = c.model();
    if (edit.node < 0 || static_cast<std::size_t>(edit.node) >= model.nodes.size())
        return {};
    const NodeFields& f = edit.fields;
    C3doNode& n = model.nodes[static_cast<std::size_t>(edit.node)];
    const NodeFields before = FieldsOfNode(n);
    EditOutcome r = EditOutcome::Done(kModelChanged);
    if (before.flags != f.flags || before.type != f.type || !(before.position == f.position) ||
        !(before.rotation == f.rotation) || !(before.pivot == f.pivot)) {
        n.flags = f.flags;
        n.type = f.type;
        n.position = f.position;
        n.rotation = f.rotation;
        n.pivot = f.pivot;
        // The pivot places the mesh's corners: they move with it at once.
        if (!(before.pivot == f.pivot))
            RebuildFaceCorners(model, c.TextureSizes());
        r.changed = true;
    }
    model.RebuildHierarchy();
    return r;
}

}  // namespace orv
