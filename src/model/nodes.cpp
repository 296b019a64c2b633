#include "model/nodes.h"

namespace orv {

void WalkNodes(const CModel& model, const Matrix4& top,
               const std::function<const Matrix4*(const C3doNode& node)>& localPose,
               const std::function<void(int32_t node, const Matrix4& world)>& visit)
{
    const auto count = static_cast<int32_t>(model.nodes.size());
    if (count == 0)
        return;

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
    stack.push_back({0, top});
    while (!stack.empty()) {
        const Pending p = stack.back();
        stack.pop_back();
        if (p.node < 0 || p.node >= count || visited[static_cast<std::size_t>(p.node)])
            continue;
        visited[static_cast<std::size_t>(p.node)] = true;
        const C3doNode& node = model.nodes[static_cast<std::size_t>(p.node)];

        Matrix4 world = p.parent;
        if (const Matrix4* pose = localPose(node))
            world = *pose * world;
        visit(p.node, world);

        auto pending = [&](int32_t next) {
            return next >= 0 && next < count && !visited[static_cast<std::size_t>(next)];
        };
        if (pending(node.sibling))
            stack.push_back({node.sibling, p.parent});
        if (pending(node.child))
            stack.push_back({node.child, world});
    }
}

std::vector<Matrix4> BaseNodeMatrices(const CModel& model)
{
    std::vector<Matrix4> world(model.nodes.size(), Matrix4::Identity());
    Matrix4 pose;
    WalkNodes(
        model, Matrix4::Identity(),
        [&pose](const C3doNode& node) {
            pose = PoseMatrix(node.rotation, node.position);
            return &pose;
        },
        [&world](int32_t i, const Matrix4& m) { world[static_cast<std::size_t>(i)] = m; });
    return world;
}

std::vector<Matrix4> MeshModelMatrices(const CModel& model, std::size_t meshCount)
{
    std::vector<Matrix4> result(meshCount, Matrix4::Identity());
    const std::vector<Matrix4> nodes = BaseNodeMatrices(model);
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        const int32_t mesh = model.nodes[i].mesh;
        if (mesh >= 0 && static_cast<std::size_t>(mesh) < meshCount)
            result[static_cast<std::size_t>(mesh)] = nodes[i];
    }
    return result;
}

int32_t NodeOfMesh(const CModel& model, int32_t mesh)
{
    if (mesh < 0)
        return -1;
    for (std::size_t i = model.nodes.size(); i-- > 0;)
        if (model.nodes[i].mesh == mesh)
            return static_cast<int32_t>(i);
    return -1;
}

std::vector<Vec3> MeshPivots(const CModel& model, std::size_t meshCount)
{
    std::vector<Vec3> pivots(meshCount);
    std::vector<bool> placed(meshCount, false);
    for (const auto& node : model.nodes)
        if (node.mesh >= 0 && static_cast<std::size_t>(node.mesh) < meshCount &&
            !placed[static_cast<std::size_t>(node.mesh)]) {
            placed[static_cast<std::size_t>(node.mesh)] = true;
            pivots[static_cast<std::size_t>(node.mesh)] = node.pivot;
        }
    return pivots;
}

Matrix4 MeshModelMatrix(const CModel& model, int32_t mesh)
{
    const int32_t node = NodeOfMesh(model, mesh);
    return node < 0 ? Matrix4::Identity() : BaseNodeMatrices(model)[static_cast<std::size_t>(node)];
}

}  // namespace orv
