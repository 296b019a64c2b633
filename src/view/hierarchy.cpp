#include "view/hierarchy.h"

#include <algorithm>

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
        const C3doNode& node = *model.nodes[static_cast<std::size_t>(p.node)];

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

namespace {

NodeVisit VisitOf(const CModel& model, int32_t i)
{
    NodeVisit visit;
    visit.node = i;
    const int32_t mesh = model.nodes[static_cast<std::size_t>(i)]->mesh;
    if (mesh >= 0 && model.MeshAt(mesh))
        visit.mesh = mesh;
    return visit;
}

}  // namespace

std::vector<NodeVisit> WalkHierarchy(CModel& model)
{
    std::vector<NodeVisit> order;
    order.reserve(model.nodes.size());
    const int32_t frame = model.currentFrame;
    WalkNodes(
        model, model.modelMatrix,
        [frame](const C3doNode& node) -> const Matrix4* {
            // A node the animation does not move keeps its one base pose at every frame
            // (it would otherwise fall onto its parent's origin: a walker's head into its
            // torso); an animated node without a pose for the frame takes its parent's
            // transform alone.
            if (frame < 0 || node.poses.empty())
                return nullptr;
            if (node.poses.size() == 1)
                return &node.poses.front();
            if (static_cast<std::size_t>(frame) >= node.poses.size())
                return nullptr;
            return &node.poses[static_cast<std::size_t>(frame)];
        },
        [&](int32_t i, const Matrix4& world) {
            model.nodes[static_cast<std::size_t>(i)]->matrix = world;
            order.push_back(VisitOf(model, i));
        });
    return order;
}

std::vector<NodeVisit> NodeOrder(const CModel& model)
{
    std::vector<NodeVisit> order;
    order.reserve(model.nodes.size());
    WalkNodes(
        model, Matrix4::Identity(), [](const C3doNode&) -> const Matrix4* { return nullptr; },
        [&](int32_t i, const Matrix4&) { order.push_back(VisitOf(model, i)); });
    return order;
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

namespace {

// Model-space matrix of each mesh index, from the last node naming it.
std::vector<Matrix4> MeshModelMatrices(const CModel& model, std::size_t meshCount)
{
    std::vector<Matrix4> result(meshCount, Matrix4::Identity());
    const std::vector<Matrix4> nodes = BaseNodeMatrices(model);
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        const int32_t mesh = model.nodes[i]->mesh;
        if (mesh >= 0 && static_cast<std::size_t>(mesh) < meshCount)
            result[static_cast<std::size_t>(mesh)] = nodes[i];
    }
    return result;
}

}  // namespace

int32_t NodeOfMesh(const CModel& model, int32_t mesh)
{
    if (mesh < 0)
        return -1;
    for (std::size_t i = model.nodes.size(); i-- > 0;)
        if (model.nodes[i]->mesh == mesh)
            return static_cast<int32_t>(i);
    return -1;
}

Matrix4 MeshModelMatrix(const CModel& model, int32_t mesh)
{
    const int32_t node = NodeOfMesh(model, mesh);
    return node < 0 ? Matrix4::Identity() : BaseNodeMatrices(model)[static_cast<std::size_t>(node)];
}

void UpdateModelRadii(CModel& model)
{
    std::size_t meshCount = 0;
    for (const auto& g : model.geosets)
        meshCount = std::max(meshCount, g->meshes.size());
    const std::vector<Matrix4> matrices = MeshModelMatrices(model, meshCount);

    constexpr float kEmpty = 1e11f;
    Vec3 allMin = Vec3::All(kEmpty), allMax = Vec3::All(-kEmpty);
    bool anyCorner = false;
    for (const auto& g : model.geosets)
        for (std::size_t k = 0; k < g->meshes.size(); ++k) {
            CMesh& mesh = *g->meshes[k];
            Vec3 mmin = Vec3::All(kEmpty), mmax = Vec3::All(-kEmpty);
            bool any = false;
            for (const auto& f : mesh.faces)
                for (const auto& c : f->corners) {
                    const Vec3 p = TransformPoint(c.Position(), matrices[k]);
                    mmin = Minimize(mmin, p);
                    mmax = Maximize(mmax, p);
                    any = true;
                }
            if (!any)
                continue;
            mesh.radius = 2.0f * BoxRadius(mmin, mmax);
            allMin = Minimize(allMin, mmin);
            allMax = Maximize(allMax, mmax);
            anyCorner = true;
        }
    if (anyCorner)
        model.radius = 2.0f * BoxRadius(allMin, allMax);
}

void RecordMeshNodes(CModel& model)
{
    for (auto& n : model.nodes) {
        if (n->mesh < 0)
            continue;
        if (CMesh* mesh = model.MeshAt(n->mesh)) {
            mesh->nodeMatrix = n->matrix;
        }
    }
}

MeshDrawStyle MeshDrawMode(int32_t renderMode, int32_t mesh, int32_t currentMesh)
{
    const bool current = mesh >= 0 && mesh == currentMesh;
    switch (renderMode) {
    case 1: return {true, false};
    case 2: return {true, current};
    case 3: return {current, current};
    case 4: return {current, false};
    default:
        // Mode 0, and any value out of range read from the settings, draws everything.
        return {true, true};
    }
}

}  // namespace orv
