#include "edit/levels.h"

#include <meshoptimizer.h>

#include <array>
#include <bit>
#include <cstring>
#include <map>
#include <unordered_map>

#include "model/content.h"
#include "model/limits.h"
#include "model/model.h"
#include "model/radius.h"

namespace orv {

namespace {

// The words of a float as a key: 0.0 and -0.0 are one place.
uint32_t Bits(float f) { return std::bit_cast<uint32_t>(f == 0.0f ? 0.0f : f); }

// What makes two corners one vertex for the simplifier: the place, the texel and the
// surface of the face (material, type, modes, extra light). Corners that differ in any
// of these are different vertices at one place, and the simplifier keeps the edges
// between them where they are: texture seams and borders between surfaces survive.
struct CornerKey {
    std::array<uint32_t, 6> words{};  // x, y, z, u, v, surface
    bool operator==(const CornerKey&) const = default;
};

struct CornerKeyHash {
    std::size_t operator()(const CornerKey& k) const
    {
        uint64_t h = 0xCBF29CE484222325ull;
        for (uint32_t w : k.words)
            h = (h ^ w) * 0x100000001B3ull;
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
};

// A mesh of set 0 as the simplifier takes it: its distinct corners and its faces cut
// into triangles over them.
struct Prepared {
    std::vector<VertexRecord> corners;
    std::vector<float> positions;      // x, y, z of each corner
    std::vector<uint32_t> sourceFace;  // the first face met that has the corner
    std::vector<unsigned int> indices;
};

Prepared Prepare(const CMesh& mesh)
{
    Prepared p;
    std::map<std::array<uint32_t, kFaceSurfaceBytes / 4>, uint32_t> surfaces;
    std::unordered_map<CornerKey, uint32_t, CornerKeyHash> ids;
    std::vector<uint32_t> faceIds;
    for (std::size_t fi = 0; fi < mesh.faces.size(); ++fi) {
        const CFace& f = mesh.faces[fi];
        std::array<uint32_t, kFaceSurfaceBytes / 4> surface{};
        std::memcpy(surface.data(), &f.material, kFaceSurfaceBytes);
        const uint32_t surfaceId = surfaces.emplace(surface, static_cast<uint32_t>(surfaces.size())).first->second;
        faceIds.clear();
        for (VertexRecord r : f.corners) {
            float u = r.u, v = r.v;
            CleanTexCoords(u, v);
            const CornerKey key{{Bits(r.x), Bits(r.y), Bits(r.z), Bits(u), Bits(v), surfaceId}};
            const auto [it, added] = ids.emplace(key, static_cast<uint32_t>(p.corners.size()));
            if (added) {
                r.SetSelected(false);
                p.corners.push_back(r);
                p.positions.insert(p.positions.end(), {r.x, r.y, r.z});
                p.sourceFace.push_back(static_cast<uint32_t>(fi));
            }
            faceIds.push_back(it->second);
        }
        // The engine's faces are convex: a fan from the first corner covers each.
        for (std::size_t c = 1; c + 1 < faceIds.size(); ++c)
            p.indices.insert(p.indices.end(), {faceIds[0], faceIds[c], faceIds[c + 1]});
    }
    return p;
}

// The mesh simplified towards aimFaces triangles without deforming it by more than
// error (relative to its size); nullptr when nothing is left. Each triangle keeps the
// winding of the faces it came from.
std::optional<CMesh> Simplify(const CMesh& source, const Prepared& p, std::size_t aimFaces, float error,
                              std::vector<unsigned int>& scratch)
{
    if (p.indices.empty())
        return std::nullopt;
    scratch.resize(p.indices.size());
    // The open border stays put: a mesh cut from a larger surface meets its neighbours
    // there, and a moved border would open a crack between them.
    const std::size_t count =
        meshopt_simplify(scratch.data(), p.indices.data(), p.indices.size(), p.positions.data(), p.corners.size(),
                         3 * sizeof(float), 3 * aimFaces, error, meshopt_SimplifyLockBorder, nullptr);
    CMesh mesh = source;
    mesh.faces.clear();
    ClearLists(mesh);
    for (std::size_t t = 0; t + 2 < count; t += 3) {
        const VertexRecord& a = p.corners[scratch[t]];
        const VertexRecord& b = p.corners[scratch[t + 1]];
        const VertexRecord& c = p.corners[scratch[t + 2]];
        // A triangle folded flat onto a line covers nothing and has no normal.
        if (LengthSquared(Cross(b.Position() - a.Position(), c.Position() - a.Position())) == 0.0f)
            continue;
        auto face = source.faces[p.sourceFace[scratch[t]]];
        ClearLists(face);
        face.corners.clear();
        face.corners = {a, b, c};
        // The texture tool's start corner must be one of the three.
        if (face.startVertex < 0 || face.startVertex > 2)
            face.startVertex = 0;
        mesh.faces.push_back(std::move(face));
    }
    if (mesh.faces.empty())
        return std::nullopt;
    return mesh;
}

std::size_t FacesOf(const CGeometry& set)
{
    std::size_t n = 0;
    for (const auto& mesh : set.meshes)
        n += mesh.faces.size();
    return n;
}

}  // namespace

Result<LevelsReport> MakeLevelsOfDetail(CModel& model, std::size_t sets)
{
    if (sets < 1 || sets > kMaxGeometrySets)
        return Fail("a model has from 1 to " + std::to_string(kMaxGeometrySets) + " geometry sets, not " +
                    std::to_string(sets));
    if (model.geosets.empty() || FacesOf(model.geosets[0]) == 0)
        return Fail("geometry set 0 has no faces to make them from");
    CGeometry& full = model.geosets[0];
    // The limits are counted on the lists, which follow the corners.
    for (auto& mesh : full.meshes)
        RebuildListsIfChanged(model.caches, mesh);
    for (const LimitBreach& breach : CheckEngineLimits(model))
        if (breach.geoset == 0)
            return Fail("geometry set 0 must first keep to the engine's limits (" + breach.text + ")");

    LevelsReport report;
    std::vector<Prepared> prepared;
    prepared.reserve(full.meshes.size());
    for (const auto& mesh : full.meshes)
        prepared.push_back(Prepare(mesh));

    std::vector<CGeometry> made;
    std::vector<unsigned int> scratch;
    std::size_t divisor = 1;
    for (std::size_t level = 1; level < sets; ++level) {
        divisor *= kLevelFaceDivisor;
        const float error = LevelErrorBound(level);
        // Each set is made from the set above it.
        const CGeometry* above = made.empty() ? &full : &made.back();
        CGeometry set;
        std::size_t simplified = 0;
        for (std::size_t m = 0; m < full.meshes.size(); ++m) {
            const CMesh& source = full.meshes[m];
            const CMesh& previous = above->meshes[m];
            std::optional<CMesh> mesh;
            if (source.faces.size() >= kMinFacesToSimplify) {
                const std::size_t aim = (source.faces.size() + divisor - 1) / divisor;
                mesh = Simplify(source, prepared[m], aim, error, scratch);
                // No better than the set above: that one serves here too.
                if (mesh && mesh->faces.size() >= previous.faces.size())
                    mesh.reset();
            }
            if (mesh)
                ++simplified;
            else {
                mesh = previous;
                ClearLists(*mesh);
            }
            set.meshes.push_back(std::move(*mesh));
        }
        const std::size_t setNumber = made.size() + 1;
        if (simplified == 0) {
            report.notes.push_back("a set at 1/" + std::to_string(divisor) +
                                   " of the faces would be the same as geometry set " + std::to_string(setNumber - 1) +
                                   ": left out");
            continue;
        }
        const std::size_t faces = FacesOf(set);
        report.notes.push_back("geometry set " + std::to_string(setNumber) + ": " + std::to_string(faces) + " faces, " +
                               std::to_string(simplified) + " of " + std::to_string(set.meshes.size()) +
                               " meshes simplified, the others as in set " + std::to_string(setNumber - 1));
        made.push_back(std::move(set));
    }

    // Build and check the new sets in place of the old ones, which come back on failure.
    std::vector<CGeometry> replaced;
    for (std::size_t g = 1; g < model.geosets.size(); ++g)
        replaced.push_back(std::move(model.geosets[g]));
    model.geosets.resize(1);
    for (auto& set : made) {
        for (auto& mesh : set.meshes)
            RebuildListsIfChanged(model.caches, mesh);
        model.geosets.push_back(std::move(set));
    }
    for (const LimitBreach& breach : CheckEngineLimits(model))
        if (breach.geoset > 0) {
            model.geosets.resize(1);
            for (auto& set : replaced)
                model.geosets.push_back(std::move(set));
            return Fail("a lower set broke the engine's limits (" + breach.text + ")");
        }
    UpdateRadii(model);
    if (model.currentGeoset < 0 || static_cast<std::size_t>(model.currentGeoset) >= model.geosets.size())
        model.currentGeoset = 0;
    if (!replaced.empty())
        report.notes.push_back("the " + std::to_string(replaced.size()) +
                               " geometry sets that followed set 0 were replaced");
    for (const auto& set : model.geosets)
        report.facesPerSet.push_back(FacesOf(set));
    return report;
}

}  // namespace orv
