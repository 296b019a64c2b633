#include "model/pose.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv {

namespace {

NodeVisit VisitOf(const CModel& model, int32_t i)
{
    NodeVisit visit;
    visit.node = i;
    const int32_t mesh = model.nodes[static_cast<std::size_t>(i)].mesh;
    if (mesh >= 0 && model.MeshAt(mesh))
        visit.mesh = mesh;
    return visit;
}

// Stores every node's world matrix for the model's frame and model matrix; visit meets
// each node in drawing order.
template <typename Visit>
void StoreWorldMatrices(CModel& model, Visit visit)
{
    model.nodeMatrices.assign(model.nodes.size(), Matrix4::Identity());
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
            model.nodeMatrices[static_cast<std::size_t>(i)] = world;
            visit(i);
        });
}

}  // namespace

std::vector<NodeVisit> WalkHierarchy(CModel& model)
{
    std::vector<NodeVisit> order;
    order.reserve(model.nodes.size());
    StoreWorldMatrices(model, [&](int32_t i) { order.push_back(VisitOf(model, i)); });
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

void RecordMeshNodes(CModel& model)
{
    const CGeometry* geoset = model.CurrentGeoset();
    model.meshMatrices.assign(geoset ? geoset->meshes.size() : 0, Matrix4::Identity());
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        const int32_t mesh = model.nodes[i].mesh;
        if (mesh >= 0 && static_cast<std::size_t>(mesh) < model.meshMatrices.size())
            model.meshMatrices[static_cast<std::size_t>(mesh)] = model.NodeMatrix(i);
    }
}

void PlaceNodes(CModel& model)
{
    StoreWorldMatrices(model, [](int32_t) {});
    RecordMeshNodes(model);
}

void AdvanceAnimation(CModel& model, float dt)
{
    model.timeAccumulator += dt;
    if (model.frameTime < model.timeAccumulator) {
        model.currentFrame =
            model.currentFrame == std::numeric_limits<int32_t>::max() ? model.frameCount : model.currentFrame + 1;
        model.timeAccumulator = 0.0f;
        if (model.currentFrame >= model.frameCount)
            model.currentFrame = 0;
    }
}

int64_t MsUntilFrameStep(const CModel& model, double since)
{
    const double frameTime = model.frameTime;
    if (std::isnan(frameTime) || std::isinf(frameTime))
        return -1;
    const double left = frameTime - double(model.timeAccumulator) - since;
    if (left < 0.0)
        return 0;
    return static_cast<int64_t>(std::min(std::floor(left * 1000.0), 1.0e9)) + 1;
}

}  // namespace orv
