#include "render/hierarchy.h"

namespace orv {

std::vector<NodeVisit> WalkHierarchy(CModel& model)
{
    std::vector<NodeVisit> order;
    const auto count = static_cast<int32_t>(model.nodes.size());
    if (count == 0)
        return order;
    order.reserve(model.nodes.size());

    // An explicit stack instead of recursion: a deep chain cannot overflow the call
    // stack. Popping a node pushes its sibling (with the parent's matrix) below its
    // child (with the node's matrix), so the child's whole subtree is walked before the
    // sibling, exactly the order of the recursive walk.
    struct Pending {
        int32_t node;
        Matrix4 parent;
    };
    std::vector<Pending> stack;
    std::vector<bool> visited(model.nodes.size(), false);
    stack.push_back({0, model.modelMatrix});
    while (!stack.empty()) {
        const Pending p = stack.back();
        stack.pop_back();
        if (p.node < 0 || p.node >= count || visited[static_cast<std::size_t>(p.node)])
            continue;
        visited[static_cast<std::size_t>(p.node)] = true;
        C3doNode& node = *model.nodes[static_cast<std::size_t>(p.node)];

        Matrix4 world = p.parent;
        const int32_t frame = model.currentFrame;
        if (frame >= 0 && static_cast<std::size_t>(frame) < node.poses.size())
            world = node.poses[static_cast<std::size_t>(frame)] * world;
        node.matrix = world;

        NodeVisit visit;
        visit.node = p.node;
        if (node.mesh >= 0 && model.MeshAt(node.mesh))
            visit.mesh = node.mesh;
        order.push_back(visit);

        auto pending = [&](int32_t next) {
            return next >= 0 && next < count && !visited[static_cast<std::size_t>(next)];
        };
        if (pending(node.sibling))
            stack.push_back({node.sibling, p.parent});
        if (pending(node.child))
            stack.push_back({node.child, world});
    }
    return order;
}

void RecordMeshNodes(CModel& model)
{
    for (auto& n : model.nodes) {
        if (n->mesh < 0)
            continue;
        if (CMesh* mesh = model.MeshAt(n->mesh)) {
            mesh->node = n.get();
            mesh->nodeMatrix = n->matrix;
        }
    }
}

MeshDrawStyle MeshDrawMode(int32_t renderMode, int32_t mesh, int32_t currentMesh)
{
    const bool current = mesh >= 0 && mesh == currentMesh;
    switch (renderMode) {
    case 1:
        return {true, false};
    case 2:
        return {true, current};
    case 3:
        return {current, current};
    case 4:
        return {current, false};
    default:
        // Mode 0, and any value out of range read from the settings, draws everything.
        return {true, true};
    }
}

}  // namespace orv
