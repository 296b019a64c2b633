#include "model/radius.h"

#include <algorithm>
#include <cmath>

#include "model/content.h"
#include "model/fingerprint.h"
#include "model/nodes.h"

namespace orv {

namespace {

bool CornersBuilt(const CMesh& mesh)
{
    return std::any_of(mesh.faces.begin(), mesh.faces.end(), [](const auto& f) { return !f->corners.empty(); });
}

// Positions in a node's space: the corners as drawn, or the listed vertices moved by the
// pivot when the corners are not built.
std::vector<Vec3> NodePoints(const CMesh& mesh, const Vec3& pivot)
{
    std::vector<Vec3> points = MeshPoints(mesh);
    const Vec3 offset = CornersBuilt(mesh) ? mesh.placementOffset : pivot;
    for (auto& p : points)
        p += offset;
    return points;
}

std::vector<Vec3> RestPoints(const CModel& model)
{
    std::size_t meshCount = 0;
    for (const auto& g : model.geosets)
        meshCount = std::max(meshCount, g->meshes.size());
    const std::vector<Matrix4> matrices = MeshModelMatrices(model, meshCount);
    const std::vector<Vec3> pivots = MeshPivots(model, meshCount);
    std::vector<Vec3> points;
    for (const auto& g : model.geosets)
        for (std::size_t k = 0; k < g->meshes.size(); ++k)
            for (const Vec3& p : NodePoints(*g->meshes[k], pivots[k]))
                points.push_back(TransformPoint(p, matrices[k]));
    return points;
}

float FarthestFromOrigin(const std::vector<Vec3>& points)
{
    float farthest = 0.0f;
    for (const Vec3& p : points)
        if (const float d = Length(p); d > farthest)  // a NaN never wins
            farthest = d;
    return farthest;
}

// Geometry that went through the corners and back (texture sizes changed, an undo step)
// may differ from its lists in the last bit of a float without anything having moved.
bool SameGeometry(const std::vector<Vec3>& a, const std::vector<Vec3>& b)
{
    if (a.size() != b.size())
        return false;
    auto same = [](float x, float y) {
        if (std::isnan(x) || std::isnan(y))
            return std::isnan(x) && std::isnan(y);
        return std::fabs(x - y) <= 1e-5f * (1.0f + std::max(std::fabs(x), std::fabs(y)));
    };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!same(a[i].x, b[i].x) || !same(a[i].y, b[i].y) || !same(a[i].z, b[i].z))
            return false;
    return true;
}

}  // namespace

std::vector<Vec3> MeshPoints(const CMesh& mesh)
{
    std::vector<Vec3> points;
    if (CornersBuilt(mesh)) {
        for (const auto& f : mesh.faces)
            for (const auto& c : f->corners)
                points.push_back(c.Position() - mesh.placementOffset);
        return points;
    }
    // The corners' order: index positions from the last to the first, leaving out
    // indices that point nowhere, as building the corners does.
    for (const auto& f : mesh.faces)
        for (std::size_t i = f->vertexIndices.size(); i-- > 0;) {
            const int32_t v = f->vertexIndices[i];
            if (v >= 0 && static_cast<std::size_t>(v) < mesh.vertices.size())
                points.push_back(mesh.vertices[static_cast<std::size_t>(v)].Position());
        }
    return points;
}

float MeshRadius(const CMesh& mesh) { return FarthestFromOrigin(MeshPoints(mesh)); }

float ModelRadius(const CModel& model) { return FarthestFromOrigin(RestPoints(model)); }

void MarkRadiiCurrent(CModel& model)
{
    for (auto& g : model.geosets)
        for (auto& mesh : g->meshes) {
            mesh->radiusBasis = MeshPoints(*mesh);
            mesh->radiusChecked.reset();
        }
    model.radiusBasis = RestPoints(model);
    model.radiusChecked.reset();
}

void UpdateRadii(CModel& model)
{
    std::vector<std::vector<uint64_t>> fingerprints;
    for (const auto& g : model.geosets) {
        fingerprints.emplace_back();
        for (const auto& mesh : g->meshes)
            fingerprints.back().push_back(FacesFingerprint(*mesh));
    }
    UpdateRadii(model, fingerprints);
}

void UpdateRadii(CModel& model, const std::vector<std::vector<uint64_t>>& facesFingerprints)
{
    // What places the model's vertices at rest: every mesh's faces and the nodes' places.
    Fingerprint rest;
    for (std::size_t g = 0; g < model.geosets.size(); ++g) {
        rest.Value(static_cast<uint64_t>(model.geosets[g]->meshes.size()));
        for (std::size_t k = 0; k < model.geosets[g]->meshes.size(); ++k) {
            CMesh& mesh = *model.geosets[g]->meshes[k];
            const uint64_t faces = facesFingerprints[g][k];
            rest.Value(faces);
            if (mesh.radiusChecked == faces)
                continue;  // the geometry the last check found its radius belonged to
            std::vector<Vec3> points = MeshPoints(mesh);
            if (!mesh.radiusBasis || !SameGeometry(*mesh.radiusBasis, points)) {
                mesh.radius = FarthestFromOrigin(points);
                mesh.radiusBasis = std::move(points);
            }
            mesh.radiusChecked = faces;
        }
    }
    rest.Value(static_cast<uint64_t>(model.nodes.size()));
    for (const auto& node : model.nodes) {
        rest.Value(node->position);
        rest.Value(node->rotation);
        rest.Value(node->pivot);
        rest.Value(node->mesh);
        rest.Value(node->child);
        rest.Value(node->sibling);
    }
    const uint64_t placed = rest.Finish();
    if (model.radiusChecked == placed)
        return;
    std::vector<Vec3> points = RestPoints(model);
    if (!model.radiusBasis || !SameGeometry(*model.radiusBasis, points)) {
        model.radius = FarthestFromOrigin(points);
        model.radiusBasis = std::move(points);
    }
    model.radiusChecked = placed;
}

}  // namespace orv
