#include "edit/fit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "base/text.h"
#include "edit/levels.h"
#include "edit/selection.h"
#include "model/content.h"
#include "model/limits.h"
#include "model/polygon.h"
#include "model/radius.h"

namespace orv {

namespace {

struct Counts {
    std::size_t cutFaces = 0;      // bent or concave
    std::size_t bigFaces = 0;      // more than 24 corners
    std::size_t droppedFaces = 0;  // no area and a corner count the engine refuses
    std::size_t joinedSaved = 0;   // faces saved by joining triangles
    std::size_t splitMeshes = 0;
    std::size_t newMeshes = 0;
    std::size_t newNodes = 0;
    std::size_t renamed = 0;
};

bool CornersMissing(const CMesh& mesh)
{
    return std::any_of(mesh.faces.begin(), mesh.faces.end(),
                       [](const auto& f) { return f.corners.empty() && !f.vertexIndices.empty(); });
}

std::vector<Vec3> Positions(const CFace& face)
{
    std::vector<Vec3> p;
    p.reserve(face.corners.size());
    for (const VertexRecord& r : face.corners)
        p.push_back(r.Position());
    return p;
}

// Faces cut into flat convex pieces; faces the engine cannot take and that draw nothing
// left out. Returns whether the mesh changed.
bool CutFaces(CMesh& mesh, Counts& counts)
{
    bool changed = false;
    std::vector<CFace> out;
    out.reserve(mesh.faces.size());
    for (auto& face : mesh.faces) {
        const std::vector<Vec3> p = Positions(face);
        const PolygonShape shape = ShapeOf(p);
        if (shape == PolygonShape::Good ||
            (shape == PolygonShape::Degenerate && p.size() >= kMinFaceCorners && p.size() <= kMaxFaceCorners)) {
            out.push_back(std::move(face));
            continue;
        }
        changed = true;
        if (shape == PolygonShape::Degenerate) {
            ++counts.droppedFaces;
            continue;
        }
        ++(shape == PolygonShape::TooManyCorners ? counts.bigFaces : counts.cutFaces);
        for (const std::vector<std::size_t>& piece : SplitPolygon(p, kMaxFaceCorners)) {
            CFace part = face;
            ClearLists(part);
            part.corners.clear();
            for (const std::size_t i : piece)
                part.corners.push_back(face.corners[i]);
            part.ComputeFaceNormal();
            out.push_back(std::move(part));
        }
    }
    mesh.faces = std::move(out);  // every face moved over, changed or not
    return changed;
}

// Everything of a face but its corners, as bytes: faces join only when it is the same.
std::string LookOf(const CFace& f)
{
    std::string key = f.name;
    key += '\0';
    auto put = [&key](const auto& v) { key.append(reinterpret_cast<const char*>(&v), sizeof v); };
    put(f.material);
    put(f.type);
    put(f.geometryMode);
    put(f.lightingMode);
    put(f.textureMode);
    put(f.extraLight);
    put(f.startVertex);
    put(f.angle);
    put(f.uOffset);
    put(f.vOffset);
    put(f.uScale);
    put(f.vScale);
    put(f.mirror);
    return key;
}

// A corner as a join sees it: where it is, its texture coordinates and its intensity.
struct CornerKey {
    std::array<uint32_t, 6> w;
    bool operator==(const CornerKey&) const = default;
};
struct CornerKeyHash {
    std::size_t operator()(const CornerKey& k) const
    {
        uint64_t h = 0x9E3779B97F4A7C15ull;
        for (const uint32_t x : k.w)
            h = (h ^ x) * 0x100000001B3ull;
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
};
uint32_t Bits(float f)
{
    f += 0.0f;  // -0 is 0
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}
CornerKey KeyOf(const VertexRecord& r) { return {{Bits(r.x), Bits(r.y), Bits(r.z), Bits(r.u), Bits(r.v), r.specular}}; }

// Coplanar triangles of the same look joined into convex polygons. Returns whether the
// mesh changed.
bool JoinTriangles(CMesh& mesh, Counts& counts)
{
    const std::size_t n = mesh.faces.size();
    std::unordered_map<CornerKey, uint32_t, CornerKeyHash> ids;
    std::vector<Vec3> points;
    std::vector<VertexRecord> records;
    std::vector<std::vector<uint32_t>> pieces(n);
    std::vector<bool> joinable(n, false);
    std::vector<uint32_t> group(n, 0);
    std::unordered_map<std::string, uint32_t> looks;
    std::size_t triangles = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const CFace& f = mesh.faces[k];
        if (f.corners.size() != 3)
            continue;
        ++triangles;
        joinable[k] = true;
        group[k] = looks.try_emplace(LookOf(f), static_cast<uint32_t>(looks.size())).first->second;
        for (const VertexRecord& r : f.corners) {
            const auto [it, added] = ids.try_emplace(KeyOf(r), static_cast<uint32_t>(points.size()));
            if (added) {
                points.push_back(r.Position());
                records.push_back(r);
            }
            pieces[k].push_back(it->second);
        }
    }
    if (triangles < 2)
        return false;
    std::vector<JoinedPiece> joined = JoinConvexPieces(pieces, points, kMaxFaceCorners, joinable, group);
    if (joined.size() == n)
        return false;
    std::vector<CFace> out;
    out.reserve(joined.size());
    for (JoinedPiece& piece : joined) {
        CFace& face = mesh.faces[piece.first];
        // A triangle that joined nothing keeps its own corners.
        if (joinable[piece.first] && piece.cycle.size() > 3) {
            face.corners.clear();
            for (const uint32_t id : piece.cycle)
                face.corners.push_back(records[id]);
            face.ComputeFaceNormal();
        }
        out.push_back(std::move(face));
    }
    counts.joinedSaved += n - out.size();
    mesh.faces = std::move(out);
    return true;
}

// The faces of a mesh in runs that each fit the engine's limits, in the faces' order.
std::vector<std::vector<CFace>> Partition(CMesh& mesh)
{
    std::vector<std::vector<CFace>> parts(1);
    struct P3 {
        uint32_t a, b, c;
        bool operator==(const P3&) const = default;
    };
    struct P3Hash {
        std::size_t operator()(const P3& p) const
        {
            return (std::size_t{p.a} * 73856093u) ^ (std::size_t{p.b} * 19349663u) ^ (std::size_t{p.c} * 83492791u);
        }
    };
    std::unordered_set<P3, P3Hash> positions, texels;
    std::vector<P3> newPositions, newTexels;
    auto keys = [&](const CFace& f) {
        newPositions.clear();
        newTexels.clear();
        for (const VertexRecord& r : f.corners) {
            const Vec3 p = r.Position() - mesh.placementOffset;
            const P3 pk{Bits(p.x), Bits(p.y), Bits(p.z)};
            float u = r.u, v = r.v;
            CleanTexCoords(u, v);
            const P3 tk{Bits(u), Bits(v), 0};
            if (!positions.count(pk) && std::find(newPositions.begin(), newPositions.end(), pk) == newPositions.end())
                newPositions.push_back(pk);
            if (!texels.count(tk) && std::find(newTexels.begin(), newTexels.end(), tk) == newTexels.end())
                newTexels.push_back(tk);
        }
    };
    for (auto& face : mesh.faces) {
        keys(face);
        if (!parts.back().empty() &&
            (parts.back().size() + 1 > kMaxMeshFaces || positions.size() + newPositions.size() > kMaxMeshVertices ||
             texels.size() + newTexels.size() > kMaxMeshTextureVertices)) {
            parts.emplace_back();
            positions.clear();
            texels.clear();
            keys(face);
        }
        positions.insert(newPositions.begin(), newPositions.end());
        texels.insert(newTexels.begin(), newTexels.end());
        parts.back().push_back(std::move(face));
    }
    return parts;
}

bool OverLimits(ModelCaches& caches, CMesh& mesh)
{
    RebuildListsIfChanged(caches, mesh);
    return mesh.faces.size() > kMaxMeshFaces || mesh.vertices.size() > kMaxMeshVertices ||
           mesh.textureVertices.size() > kMaxMeshTextureVertices;
}

CMesh NewMeshLike(const CMesh& source)
{
    CMesh mesh = source;
    mesh.faces.clear();
    ClearLists(mesh);
    mesh.radius = 0.0f;
    return mesh;
}

// Meshes over the limits split; the new parts placed by new nodes. Returns whether
// anything changed.
bool SplitMeshes(CModel& model, Counts& counts)
{
    const std::size_t sets = model.geosets.size();
    std::size_t slots = 0;
    for (const auto& g : model.geosets)
        slots = std::max(slots, g.meshes.size());
    bool changed = false;
    UniqueNames nodeNames(kMaxNameLength);
    for (const auto& node : model.nodes)
        nodeNames.Add(node.name);
    for (std::size_t k = 0; k < slots; ++k) {
        // The parts of mesh k in every set.
        std::vector<std::vector<std::vector<CFace>>> parts(sets);
        std::size_t extra = 0;
        for (std::size_t g = 0; g < sets; ++g) {
            auto& meshes = model.geosets[g].meshes;
            if (k >= meshes.size() || CornersMissing(meshes[k]) || !OverLimits(model.caches, meshes[k]))
                continue;
            parts[g] = Partition(meshes[k]);
            extra = std::max(extra, parts[g].size() - 1);
        }
        if (extra == 0)
            continue;
        changed = true;
        // Every set gets the same slots, after the last mesh of any set.
        std::size_t base = 0;
        for (const auto& g : model.geosets)
            base = std::max(base, g.meshes.size());
        for (std::size_t g = 0; g < sets; ++g) {
            auto& meshes = model.geosets[g].meshes;
            while (meshes.size() < base) {
                CMesh pad;
                pad.name = "mesh" + std::to_string(meshes.size());
                meshes.push_back(std::move(pad));
                ++counts.newMeshes;
            }
            const bool source = k < meshes.size();
            if (!parts[g].empty()) {
                ++counts.splitMeshes;
                meshes[k].faces = std::move(parts[g][0]);
            }
            // A copy, not a pointer: adding the parts below may move the list.
            const CMesh like = source ? NewMeshLike(meshes[k]) : CMesh();
            for (std::size_t p = 1; p <= extra; ++p) {
                CMesh mesh = like;
                mesh.name = (source ? like.name : "mesh") + "_" + std::to_string(p + 1);
                if (p < parts[g].size())
                    mesh.faces = std::move(parts[g][p]);
                meshes.push_back(std::move(mesh));
                ++counts.newMeshes;
            }
        }
        // A node under every node that places mesh k, for each new slot.
        const std::size_t nodeCount = model.nodes.size();
        for (std::size_t n = 0; n < nodeCount; ++n) {
            if (model.nodes[n].mesh != static_cast<int32_t>(k))
                continue;
            for (std::size_t p = 1; p <= extra; ++p) {
                const C3doNode& owner = model.nodes[n];
                C3doNode node;
                node.name = nodeNames.Take(owner.name + "_" + std::to_string(p + 1));
                node.type = owner.type;
                node.flags = owner.flags;
                node.pivot = owner.pivot;
                node.parent = static_cast<int32_t>(n);
                node.mesh = static_cast<int32_t>(base + p - 1);
                node.sibling = owner.child;
                node.num = static_cast<int32_t>(model.nodes.size());
                model.nodes[n].child = node.num;
                model.nodes.push_back(std::move(node));
                ++counts.newNodes;
            }
        }
    }
    if (changed)
        model.RebuildHierarchy();
    return changed;
}

bool UniqueMeshNames(CModel& model, Counts& counts)
{
    bool changed = false;
    for (auto& g : model.geosets) {
        UniqueNames taken(kMaxNameLength);
        for (auto& mesh : g.meshes) {
            const std::string name = taken.Take(mesh.name);
            if (name != mesh.name) {
                mesh.name = name;
                ++counts.renamed;
                changed = true;
            }
        }
    }
    return changed;
}

}  // namespace

FitReport FitToEngineLimits(CModel& model, const FitOptions& options)
{
    Counts counts;
    bool changed = false;
    for (auto& g : model.geosets)
        for (auto& mesh : g.meshes) {
            if (CornersMissing(mesh))
                continue;
            bool meshChanged = CutFaces(mesh, counts);
            if (options.joinTriangles)
                meshChanged = JoinTriangles(mesh, counts) || meshChanged;
            if (meshChanged)
                RebuildListsIfChanged(model.caches, mesh);
            changed = changed || meshChanged;
        }
    changed = SplitMeshes(model, counts) || changed;
    changed = UniqueMeshNames(model, counts) || changed;

    FitReport report;
    std::vector<std::string> levelLines;  // told after what the fit did
    if (options.levels > 0) {
        // The lower sets' faces, to tell whether making them again changed them.
        auto lowerSets = [](const CModel& m) {
            std::vector<uint64_t> prints;
            for (std::size_t g = 1; g < m.geosets.size(); ++g)
                for (const auto& mesh : m.geosets[g].meshes)
                    prints.push_back(FacesFingerprint(mesh));
            return std::make_pair(m.geosets.size(), prints);
        };
        // Making the sets again measures every radius again; a float step off would change
        // a saved file that the fit reports as left alone.
        CModel asItWas = model;
        // Simplified sets are triangles: where coplanar ones join, the game draws fewer faces.
        Counts lower;
        LevelMeshFinish join;
        if (options.joinTriangles)
            join = [&lower](CMesh& mesh) { JoinTriangles(mesh, lower); };
        if (Result<LevelsReport> made = MakeLevelsOfDetail(model, static_cast<std::size_t>(options.levels), join);
            made) {
            if (lowerSets(model) != lowerSets(asItWas)) {
                changed = true;
                levelLines = made->notes;
                std::string faces;
                for (const auto& set : model.geosets) {
                    std::size_t n = 0;
                    for (const auto& mesh : set.meshes)
                        n += mesh.faces.size();
                    faces += (faces.empty() ? "" : " / ") + std::to_string(n);
                }
                levelLines.push_back("faces by geometry set after joining coplanar triangles: " + faces);
            } else {
                model = std::move(asItWas);
                if (model.geosets.size() < static_cast<std::size_t>(options.levels)) {
                    // Asked for and not made: the user learns why.
                    for (const std::string& note : made->notes)
                        report.problems.push_back("levels of detail: " + note);
                }
            }
        } else {
            report.problems.push_back("levels of detail not made: " + made.error());
        }
    }
    if (!changed)
        return report;
    for (auto& g : model.geosets)
        for (auto& mesh : g.meshes)
            RebuildListsIfChanged(model.caches, mesh);
    UpdateRadii(model);
    auto line = [&report](std::size_t n, const std::string& text) {
        if (n > 0)
            report.lines.push_back(text + ": " + std::to_string(n));
    };
    line(counts.cutFaces, "faces that are not flat and convex cut into flat convex pieces");
    line(counts.bigFaces, "faces of more than 24 corners cut into smaller ones");
    line(counts.droppedFaces, "faces without an area left out");
    line(counts.joinedSaved, "faces saved by joining coplanar triangles into convex polygons");
    line(counts.splitMeshes, "meshes over the engine's limits split");
    line(counts.newMeshes, "meshes added");
    line(counts.newNodes, "nodes added to place the new meshes");
    line(counts.renamed, "meshes renamed to unique names of at most 31 characters");
    report.lines.insert(report.lines.end(), levelLines.begin(), levelLines.end());
    return report;
}

const char* WhyNotFitToLimits(const EditContext& c)
{
    if (!c.HasModel() || c.model().geosets.empty())
        return "Fit to Engine Limits needs a model with geometry";
    if (c.modes().animateMode)
        return "Fit to Engine Limits is not available in Animate Mode";
    return nullptr;
}


EditOutcome FitToLimits(EditContext& c, const FitOptions& options, FitReport& report)
{
    if (const char* why = WhyNotFitToLimits(c))
        return EditOutcome::Refused(why);
    report = FitToEngineLimits(c.model(), options);
    if (!report.Changed())
        return EditOutcome::Done(0);
    // Faces and meshes were replaced: what was current may be gone.
    if (c.selection) {
        c.selection->currentFace = -1;
        if (CMesh* mesh = c.selection->CurrentMesh(c.model()); !mesh)
            c.selection->currentMesh = -1;
        c.selection->ClearNodes(c.modes());
    }
    return EditOutcome::Changed(kModelChanged | kSelectionChanged | kViewStateChanged);
}

}  // namespace orv
