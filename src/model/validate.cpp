#include "model/validate.h"

#include <cmath>

namespace orv {

namespace {

bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

std::string MeshName(std::size_t g, std::size_t m)
{
    return "geometry set " + std::to_string(g) + ", mesh " + std::to_string(m);
}

}  // namespace

std::vector<std::string> ValidateModel(const CModel& model, bool withLimitChecks)
{
    std::vector<std::string> faults;
    const auto nodeCount = static_cast<int32_t>(model.nodes.size());
    if (!model.geosets.empty() &&
        (model.currentGeoset < 0 || static_cast<std::size_t>(model.currentGeoset) >= model.geosets.size()))
        faults.push_back("the current geometry set " + std::to_string(model.currentGeoset) + " does not exist");
    for (std::size_t g = 0; g < model.geosets.size(); ++g) {
        const auto& meshes = model.geosets[g].meshes;
        for (std::size_t m = 0; m < meshes.size(); ++m) {
            const CMesh& mesh = meshes[m];
            for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
                const CFace& face = mesh.faces[f];
                const std::string where = MeshName(g, m) + ", face " + std::to_string(f);
                if (withLimitChecks && face.corners.size() < 3)
                    faults.push_back(where + " has " + std::to_string(face.corners.size()) + " corners");
                for (const auto& c : face.corners)
                    if ((withLimitChecks && !Finite(c.Position())) || !std::isfinite(c.u) || !std::isfinite(c.v)) {
                        faults.push_back(where + " has a corner that is no number");
                        break;
                    }
                if (!Finite(face.normal))
                    faults.push_back(where + " has a normal that is no number");
                if (withLimitChecks &&
                    (face.material < -1 ||
                     (face.material >= 0 && static_cast<std::size_t>(face.material) >= model.materials.size())))
                    faults.push_back(where + " names material " + std::to_string(face.material));
                if (face.vertexIndices.size() != face.corners.size())
                    continue;  // lists not rebuilt since the last edit
                for (const int32_t i : face.vertexIndices)
                    if (i < 0 || static_cast<std::size_t>(i) >= mesh.vertices.size()) {
                        faults.push_back(where + " names vertex " + std::to_string(i));
                        break;
                    }
                for (const int32_t i : face.textureVertexIndices)
                    if (i < 0 || static_cast<std::size_t>(i) >= mesh.textureVertices.size()) {
                        faults.push_back(where + " names texture vertex " + std::to_string(i));
                        break;
                    }
            }
            for (const auto& n : mesh.vertexNormals)
                if (!Finite(n.Position())) {
                    faults.push_back(MeshName(g, m) + " has a vertex normal that is no number");
                    break;
                }
        }
    }

    auto link = [nodeCount](int32_t i) { return i >= -1 && i < nodeCount; };
    for (int32_t n = 0; n < nodeCount; ++n) {
        const C3doNode& node = model.nodes[static_cast<std::size_t>(n)];
        const std::string where = "node " + std::to_string(n) + " (" + node.name + ")";
        if (!link(node.parent) || !link(node.child) || !link(node.sibling))
            faults.push_back(where + " links to a node that does not exist");
        if (node.child == n || node.sibling == n || node.parent == n)
            faults.push_back(where + " links to itself");
        for (std::size_t g = 0; withLimitChecks && g < model.geosets.size(); ++g)
            if (node.mesh < -1 ||
                (node.mesh >= 0 && static_cast<std::size_t>(node.mesh) >= model.geosets[g].meshes.size())) {
                faults.push_back(where + " places mesh " + std::to_string(node.mesh) + ", which geometry set " +
                                 std::to_string(g) + " does not have");
                break;
            }
        if (!Finite(node.rotation) || (withLimitChecks && (!Finite(node.position) || !Finite(node.pivot))))
            faults.push_back(where + " has a placement that is no number");
    }
    // The walk from node 0 along child and sibling links meets every node at most once,
    // and a child's parent is the node whose chain it is on.
    std::vector<int> seen(static_cast<std::size_t>(nodeCount), 0);
    std::vector<std::pair<int32_t, int32_t>> stack;  // node, parent
    if (nodeCount > 0)
        stack.push_back({0, -1});
    while (!stack.empty()) {
        const auto [n, parent] = stack.back();
        stack.pop_back();
        if (n < 0 || n >= nodeCount)
            continue;
        if (seen[static_cast<std::size_t>(n)]++) {
            faults.push_back("the hierarchy reaches node " + std::to_string(n) + " twice (its links run in a circle)");
            break;
        }
        const C3doNode& node = model.nodes[static_cast<std::size_t>(n)];
        if (node.parent != parent)
            faults.push_back("node " + std::to_string(n) + " names parent " + std::to_string(node.parent) +
                             " but hangs below " + std::to_string(parent));
        stack.push_back({node.sibling, parent});
        stack.push_back({node.child, n});
    }
    return faults;
}

}  // namespace orv
