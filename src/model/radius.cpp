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
    return std::any_of(mesh.faces.begin(), mesh.faces.end(), [](const CFace& f) { return !f.corners.empty(); });
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

float FarthestFromOrigin(const std::vector<Vec3>& points)
{
    float farthest = 0.0f;
    for (const Vec3& p : points)
        if (const float d = Length(p); d > farthest)  // a NaN never wins
            farthest = d;
    return farthest;
}

uint64_t PointsPrint(const std::vector<Vec3>& points)
{
    Fingerprint fp;
    fp.List(points);
    return fp.Finish();
}

bool SameValue(float x, float y)
{
    if (std::isnan(x) || std::isnan(y))
        return std::isnan(x) && std::isnan(y);
    return std::fabs(x - y) <= 1e-5f * (1.0f + std::max(std::fabs(x), std::fabs(y)));
}

bool SamePoint(const Vec3& a, const Vec3& b)
{
    return SameValue(a.x, b.x) && SameValue(a.y, b.y) && SameValue(a.z, b.z);
}

// Geometry that went through the corners and back (texture sizes changed, an undo step)
// may differ from its lists in the last bit of a float without anything having moved.
bool SameGeometry(const std::vector<Vec3>& a, const std::vector<Vec3>& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SamePoint);
}

using RestPoints = std::vector<std::vector<std::vector<Vec3>>>;  // by geometry set and mesh

// The same for every geometry set's points taken one after the other, however they are
// cut into meshes.
bool SameGeometry(const RestPoints& a, const RestPoints& b)
{
    auto flat = [](const RestPoints& r) {
        std::vector<const Vec3*> out;
        for (const auto& g : r)
            for (const auto& m : g)
                for (const Vec3& p : m)
                    out.push_back(&p);
        return out;
    };
    const auto x = flat(a), y = flat(b);
    return x.size() == y.size() &&
           std::equal(x.begin(), x.end(), y.begin(), [](const Vec3* p, const Vec3* q) { return SamePoint(*p, *q); });
}

std::size_t MeshCount(const CModel& model)
{
    std::size_t meshCount = 0;
    for (const auto& g : model.geosets)
        meshCount = std::max(meshCount, g.meshes.size());
    return meshCount;
}

// What places the model's meshes at rest, besides their faces: the nodes.
uint64_t NodesPrint(const CModel& model)
{
    Fingerprint rest;
    rest.Value(static_cast<uint64_t>(model.nodes.size()));
    for (const auto& node : model.nodes) {
        rest.Value(node.position);
        rest.Value(node.rotation);
        rest.Value(node.pivot);
        rest.Value(node.mesh);
        rest.Value(node.child);
        rest.Value(node.sibling);
    }
    return rest.Finish();
}

// Mesh k's vertices at rest in the model's space.
class RestPlacer {
public:
    explicit RestPlacer(const CModel& model)
        : meshCount_(MeshCount(model)),
          matrices_(MeshModelMatrices(model, meshCount_)),
          pivots_(MeshPivots(model, meshCount_))
    {}
    std::vector<Vec3> Points(const CMesh& mesh, std::size_t k) const
    {
        std::vector<Vec3> points = NodePoints(mesh, pivots_[k]);
        for (Vec3& p : points)
            p = TransformPoint(p, matrices_[k]);
        return points;
    }

private:
    std::size_t meshCount_;
    std::vector<Matrix4> matrices_;
    std::vector<Vec3> pivots_;
};

RestPoints AllRestPoints(const CModel& model)
{
    const RestPlacer placer(model);
    RestPoints points(model.geosets.size());
    for (std::size_t g = 0; g < model.geosets.size(); ++g)
        for (std::size_t k = 0; k < model.geosets[g].meshes.size(); ++k)
            points[g].push_back(placer.Points(model.geosets[g].meshes[k], k));
    return points;
}

std::vector<std::vector<float>> Farthest(const RestPoints& points)
{
    std::vector<std::vector<float>> out(points.size());
    for (std::size_t g = 0; g < points.size(); ++g)
        for (const auto& m : points[g])
            out[g].push_back(FarthestFromOrigin(m));
    return out;
}

float MaxOf(const std::vector<std::vector<float>>& values)
{
    float farthest = 0.0f;
    for (const auto& g : values)
        for (float d : g)
            if (d > farthest)
                farthest = d;
    return farthest;
}

template <typename T>
bool SameShape(const std::vector<std::vector<T>>& a, const std::vector<std::vector<uint64_t>>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t g = 0; g < a.size(); ++g)
        if (a[g].size() != b[g].size())
            return false;
    return true;
}

// The mesh radius: measured again only when the faces changed and their geometry is not
// that the radius belongs to. The basis of a mesh is looked for at its index first, then
// among the others of its geometry set (meshes removed or put in before it shift it).
void UpdateMeshRadius(CMesh& mesh, uint64_t faces, std::vector<MeshRadiusBasis>& old, std::size_t k,
                      MeshRadiusBasis& out)
{
    if (k < old.size() && old[k].checked == faces) {
        out = std::move(old[k]);
        return;
    }
    std::vector<Vec3> points = MeshPoints(mesh);
    const uint64_t print = PointsPrint(points);
    MeshRadiusBasis* basis = nullptr;
    if (k < old.size() && old[k].points && (old[k].pointsPrint == print || SameGeometry(*old[k].points, points)))
        basis = &old[k];
    for (std::size_t i = 0; !basis && i < old.size(); ++i)
        if (old[i].points && old[i].pointsPrint == print && *old[i].points == points)
            basis = &old[i];
    if (basis) {
        out.points = std::move(basis->points);
        out.pointsPrint = basis->pointsPrint;
    } else {
        mesh.radius = FarthestFromOrigin(points);
        out.points = std::move(points);
        out.pointsPrint = print;
    }
    out.checked = faces;
}

// The model radius. While the nodes are as at the last check, only the meshes whose faces
// changed are placed again; otherwise every one is.
void UpdateModelRadius(CModel& model, const std::vector<std::vector<uint64_t>>& facesFingerprints)
{
    RadiusCaches& c = model.caches.radii;
    const uint64_t nodes = NodesPrint(model);
    if (c.rest && c.restNodesChecked == nodes && SameShape(*c.rest, facesFingerprints) &&
        SameShape(c.restFacesChecked, facesFingerprints)) {
        std::optional<RestPlacer> placer;
        bool moved = false;
        for (std::size_t g = 0; g < facesFingerprints.size(); ++g)
            for (std::size_t k = 0; k < facesFingerprints[g].size(); ++k) {
                if (c.restFacesChecked[g][k] == facesFingerprints[g][k])
                    continue;
                if (!placer)
                    placer.emplace(model);
                std::vector<Vec3> points = placer->Points(model.geosets[g].meshes[k], k);
                if (!SameGeometry((*c.rest)[g][k], points)) {
                    c.restFarthest[g][k] = FarthestFromOrigin(points);
                    (*c.rest)[g][k] = std::move(points);
                    moved = true;
                }
                c.restFacesChecked[g][k] = facesFingerprints[g][k];
            }
        if (moved)
            model.radius = MaxOf(c.restFarthest);
        return;
    }
    RestPoints points = AllRestPoints(model);
    if (!c.rest || !SameGeometry(*c.rest, points)) {
        c.restFarthest = Farthest(points);
        model.radius = MaxOf(c.restFarthest);
        c.rest = std::move(points);
    } else if (!SameShape(*c.rest, facesFingerprints)) {
        // The same points cut into other meshes: the basis follows the meshes.
        c.restFarthest = Farthest(points);
        c.rest = std::move(points);
    }
    c.restNodesChecked = nodes;
    c.restFacesChecked = facesFingerprints;
}

}  // namespace

std::vector<Vec3> MeshPoints(const CMesh& mesh)
{
    std::vector<Vec3> points;
    if (CornersBuilt(mesh)) {
        for (const auto& f : mesh.faces)
            for (const auto& c : f.corners)
                points.push_back(c.Position() - mesh.placementOffset);
        return points;
    }
    // The corners' order: index positions from the last to the first, leaving out
    // indices that point nowhere, as building the corners does.
    for (const auto& f : mesh.faces)
        for (std::size_t i = f.vertexIndices.size(); i-- > 0;) {
            const int32_t v = f.vertexIndices[i];
            if (v >= 0 && static_cast<std::size_t>(v) < mesh.vertices.size())
                points.push_back(mesh.vertices[static_cast<std::size_t>(v)].Position());
        }
    return points;
}

float MeshRadius(const CMesh& mesh) { return FarthestFromOrigin(MeshPoints(mesh)); }

float ModelRadius(const CModel& model) { return MaxOf(Farthest(AllRestPoints(model))); }

void ForgetRadius(CModel& model) { model.caches.radii.rest.reset(); }

void ForgetRadius(CModel& model, std::size_t geoset, std::size_t mesh)
{
    auto& meshes = model.caches.radii.meshes;
    if (geoset < meshes.size() && mesh < meshes[geoset].size())
        meshes[geoset][mesh] = {};
}

void MarkRadiiCurrent(CModel& model)
{
    RadiusCaches& c = model.caches.radii;
    c.meshes.assign(model.geosets.size(), {});
    for (std::size_t g = 0; g < model.geosets.size(); ++g)
        for (const auto& mesh : model.geosets[g].meshes) {
            MeshRadiusBasis& b = c.meshes[g].emplace_back();
            b.points = MeshPoints(mesh);
            b.pointsPrint = PointsPrint(*b.points);
        }
    c.rest = AllRestPoints(model);
    c.restFarthest = Farthest(*c.rest);
    c.restNodesChecked.reset();
    c.restFacesChecked.clear();
}

std::optional<uint64_t> CheckedFacesFingerprint(const CModel& model, std::size_t geoset, std::size_t mesh)
{
    const auto& meshes = model.caches.radii.meshes;
    if (geoset >= meshes.size() || mesh >= meshes[geoset].size() || model.geosets.size() != meshes.size() ||
        model.geosets[geoset].meshes.size() != meshes[geoset].size())
        return std::nullopt;
    return meshes[geoset][mesh].checked;
}

void UpdateRadii(CModel& model)
{
    std::vector<std::vector<uint64_t>> fingerprints;
    for (const auto& g : model.geosets) {
        fingerprints.emplace_back();
        for (const auto& mesh : g.meshes)
            fingerprints.back().push_back(FacesFingerprint(mesh));
    }
    UpdateRadii(model, fingerprints);
}

void UpdateRadii(CModel& model, const std::vector<std::vector<uint64_t>>& facesFingerprints)
{
    RadiusCaches& c = model.caches.radii;
    std::vector<std::vector<MeshRadiusBasis>> meshes(model.geosets.size());
    for (std::size_t g = 0; g < model.geosets.size(); ++g) {
        std::vector<MeshRadiusBasis> none;
        std::vector<MeshRadiusBasis>& old = g < c.meshes.size() ? c.meshes[g] : none;
        meshes[g].resize(model.geosets[g].meshes.size());
        for (std::size_t k = 0; k < meshes[g].size(); ++k)
            UpdateMeshRadius(model.geosets[g].meshes[k], facesFingerprints[g][k], old, k, meshes[g][k]);
    }
    c.meshes = std::move(meshes);
    UpdateModelRadius(model, facesFingerprints);
}

}  // namespace orv
