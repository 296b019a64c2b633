#include "edit/levels.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>

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

// Meshes that are simplified as one. The fit cuts a mesh over the engine's limits into
// parts hung on nodes of their own under the mesh's node; simplified alone, each part
// would have to hold the edges where it was cut, and the lower sets would barely shrink.
// A part is known by how it is placed, not by its name (names are made unique and users
// rename them): the one node naming it has no place or turn of its own and its parent's
// pivot, the parent places a mesh, and both meshes list their corners from one offset, so
// their corners share one space and move together. Such meshes join only where they share
// a corner's place: a detail hung on its parent that touches nothing stays alone, its
// change of shape measured against its own size.
std::vector<std::vector<std::size_t>> MeshGroups(const CModel& model)
{
    const auto& meshes = model.geosets[0].meshes;
    const std::size_t count = meshes.size();
    std::vector<std::size_t> up(count);
    for (std::size_t m = 0; m < count; ++m)
        up[m] = m;
    auto find = [&up](std::size_t m) {
        while (up[m] != m)
            m = up[m] = up[up[m]];
        return m;
    };
    auto join = [&](std::size_t a, std::size_t b) { up[std::max(find(a), find(b))] = std::min(find(a), find(b)); };

    std::vector<int> namers(count, 0);
    std::vector<std::size_t> nodeOf(count, 0);
    for (std::size_t n = 0; n < model.nodes.size(); ++n)
        if (const int32_t m = model.nodes[n].mesh; m >= 0 && static_cast<std::size_t>(m) < count) {
            ++namers[static_cast<std::size_t>(m)];
            nodeOf[static_cast<std::size_t>(m)] = n;
        }
    std::vector<std::pair<std::size_t, std::size_t>> parts;  // (part, the mesh above it)
    for (std::size_t m = 0; m < count; ++m) {
        if (namers[m] != 1)
            continue;
        const C3doNode& node = model.nodes[nodeOf[m]];
        if (node.position != Vec3() || node.rotation != Vec3() || node.parent < 0 ||
            static_cast<std::size_t>(node.parent) >= model.nodes.size())
            continue;
        const C3doNode& parent = model.nodes[static_cast<std::size_t>(node.parent)];
        if (parent.mesh < 0 || static_cast<std::size_t>(parent.mesh) >= count ||
            static_cast<std::size_t>(parent.mesh) == m || parent.pivot != node.pivot ||
            meshes[static_cast<std::size_t>(parent.mesh)].placementOffset != meshes[m].placementOffset)
            continue;
        parts.emplace_back(m, static_cast<std::size_t>(parent.mesh));
    }
    if (!parts.empty()) {
        // The candidates first, then whether they touch: a shared place joins two candidates
        // of one family.
        for (const auto& [part, above] : parts)
            join(part, above);
        std::vector<std::size_t> family(count), members(count, 0);
        for (std::size_t m = 0; m < count; ++m)
            ++members[family[m] = find(m)];
        for (std::size_t m = 0; m < count; ++m)
            up[m] = m;
        std::unordered_map<CornerKey, std::size_t, CornerKeyHash> firstAt;
        for (std::size_t m = 0; m < count; ++m) {
            if (members[family[m]] == 1)
                continue;
            for (const CFace& f : meshes[m].faces)
                for (const VertexRecord& r : f.corners) {
                    const CornerKey key{{Bits(r.x), Bits(r.y), Bits(r.z), static_cast<uint32_t>(family[m]), 0, 0}};
                    const auto [it, added] = firstAt.emplace(key, m);
                    if (!added && it->second != m)
                        join(it->second, m);
                }
        }
    }
    std::vector<std::vector<std::size_t>> groups;
    std::vector<std::size_t> groupOf(count);
    for (std::size_t m = 0; m < count; ++m) {
        if (find(m) == m) {
            groupOf[m] = groups.size();
            groups.emplace_back();
        }
        groups[groupOf[find(m)]].push_back(m);
    }
    return groups;
}

// A group of meshes of set 0 as the simplifier takes it: their distinct corners (one
// where the meshes meet) and their faces cut into triangles over them.
struct Prepared {
    std::vector<std::size_t> meshes;  // indices in set 0, in order
    std::size_t faces = 0;
    std::vector<VertexRecord> corners;
    std::vector<float> positions;  // x, y, z of each corner
    // Up to two of the group's meshes whose faces have the corner: (place in meshes,
    // the first such face), kNone when there is no second.
    std::vector<std::array<std::pair<uint32_t, uint32_t>, 2>> users;
    std::vector<unsigned int> indices;
};

constexpr uint32_t kNone = UINT32_MAX;

Prepared Prepare(const CGeometry& full, std::vector<std::size_t> meshes)
{
    Prepared p;
    p.meshes = std::move(meshes);
    std::map<std::array<uint32_t, kFaceSurfaceBytes / 4>, uint32_t> surfaces;
    std::unordered_map<CornerKey, uint32_t, CornerKeyHash> ids;
    std::vector<uint32_t> faceIds;
    for (std::size_t g = 0; g < p.meshes.size(); ++g) {
        const CMesh& mesh = full.meshes[p.meshes[g]];
        p.faces += mesh.faces.size();
        for (std::size_t fi = 0; fi < mesh.faces.size(); ++fi) {
            const CFace& f = mesh.faces[fi];
            std::array<uint32_t, kFaceSurfaceBytes / 4> surface{};
            std::memcpy(surface.data(), &f.material, kFaceSurfaceBytes);
            const uint32_t surfaceId =
                surfaces.emplace(surface, static_cast<uint32_t>(surfaces.size())).first->second;
            const std::pair user{static_cast<uint32_t>(g), static_cast<uint32_t>(fi)};
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
                    p.users.push_back({user, {kNone, kNone}});
                } else if (auto& users = p.users[it->second]; users[0].first != user.first && users[1].first == kNone)
                    users[1] = user;
                faceIds.push_back(it->second);
            }
            // The engine's faces are convex: a fan from the first corner covers each.
            for (std::size_t c = 1; c + 1 < faceIds.size(); ++c)
                p.indices.insert(p.indices.end(), {faceIds[0], faceIds[c], faceIds[c + 1]});
        }
    }
    return p;
}

// Places and texels a mesh has taken, to keep each mesh of a set within the engine's limits
// (counted on the corners as they are: never fewer than the lists will hold).
class Fill {
public:
    explicit Fill(const Vec3& offset) : offset_(offset) {}

    // Takes the face when the mesh can hold it.
    bool Take(const CFace& face)
    {
        newPlaces_.clear();
        newTexels_.clear();
        for (const VertexRecord& r : face.corners) {
            const Vec3 p = r.Position() - offset_;
            float u = r.u, v = r.v;
            CleanTexCoords(u, v);
            const CornerKey place{{Bits(p.x), Bits(p.y), Bits(p.z), 0, 0, 0}};
            const CornerKey texel{{Bits(u), Bits(v), 0, 0, 0, 0}};
            if (!places_.count(place) && std::find(newPlaces_.begin(), newPlaces_.end(), place) == newPlaces_.end())
                newPlaces_.push_back(place);
            if (!texels_.count(texel) && std::find(newTexels_.begin(), newTexels_.end(), texel) == newTexels_.end())
                newTexels_.push_back(texel);
        }
        if (faces_ + 1 > kMaxMeshFaces || places_.size() + newPlaces_.size() > kMaxMeshVertices ||
            texels_.size() + newTexels_.size() > kMaxMeshTextureVertices)
            return false;
        ++faces_;
        places_.insert(newPlaces_.begin(), newPlaces_.end());
        texels_.insert(newTexels_.begin(), newTexels_.end());
        return true;
    }

private:
    Vec3 offset_;
    std::size_t faces_ = 0;
    std::unordered_set<CornerKey, CornerKeyHash> places_, texels_;
    std::vector<CornerKey> newPlaces_, newTexels_;
};

// The group simplified towards aimFaces triangles without deforming it by more than error
// (relative to its size): a mesh for each of the group's meshes, in order, or nothing when
// the result is empty or cannot be held within the limits. Each triangle keeps the
// winding of the faces it came from and goes back to the mesh that has most of its
// corners, so placement, names and modes stay; a mesh that would overflow passes what it
// cannot hold to another of the group.
std::optional<std::vector<CMesh>> Simplify(const CGeometry& full, const Prepared& p, std::size_t aimFaces,
                                           float error, std::vector<unsigned int>& scratch)
{
    if (p.indices.empty())
        return std::nullopt;
    scratch.resize(p.indices.size());
    // The open border stays put: a mesh cut from a larger surface meets its neighbours
    // there, and a moved border would open a crack between them. Where the group's
    // meshes meet is no border: the corners there are shared.
    const std::size_t count =
        meshopt_simplify(scratch.data(), p.indices.data(), p.indices.size(), p.positions.data(), p.corners.size(),
                         3 * sizeof(float), 3 * aimFaces, error, meshopt_SimplifyLockBorder, nullptr);
    std::vector<std::vector<CFace>> faces(p.meshes.size());
    std::size_t made = 0;
    for (std::size_t t = 0; t + 2 < count; t += 3) {
        const std::array<unsigned int, 3> ids{scratch[t], scratch[t + 1], scratch[t + 2]};
        const VertexRecord& a = p.corners[ids[0]];
        const VertexRecord& b = p.corners[ids[1]];
        const VertexRecord& c = p.corners[ids[2]];
        // A triangle folded flat onto a line covers nothing and has no normal.
        if (LengthSquared(Cross(b.Position() - a.Position(), c.Position() - a.Position())) == 0.0f)
            continue;
        // The mesh most of the corners belong to, the first corner's first on a tie.
        std::pair<uint32_t, uint32_t> best{kNone, kNone};
        int bestVotes = 0;
        for (const unsigned int id : ids)
            for (const auto& user : p.users[id]) {
                if (user.first == kNone)
                    continue;
                int votes = 0;
                for (const unsigned int other : ids)
                    votes += p.users[other][0].first == user.first || p.users[other][1].first == user.first;
                if (votes > bestVotes) {
                    bestVotes = votes;
                    best = user;
                }
            }
        CFace face = full.meshes[p.meshes[best.first]].faces[best.second];
        ClearLists(face);
        face.corners = {a, b, c};
        // The texture tool's start corner must be one of the three.
        if (face.startVertex < 0 || face.startVertex > 2)
            face.startVertex = 0;
        faces[best.first].push_back(std::move(face));
        ++made;
    }
    if (made == 0)
        return std::nullopt;

    std::vector<CMesh> meshes;
    std::vector<Fill> fills;
    std::vector<CFace> over;
    for (std::size_t g = 0; g < p.meshes.size(); ++g) {
        CMesh& mesh = meshes.emplace_back(full.meshes[p.meshes[g]]);
        mesh.faces.clear();
        ClearLists(mesh);
        Fill& fill = fills.emplace_back(mesh.placementOffset);
        for (CFace& face : faces[g])
            if (fill.Take(face))
                mesh.faces.push_back(std::move(face));
            else
                over.push_back(std::move(face));
    }
    for (CFace& face : over) {
        std::size_t g = 0;
        while (g < meshes.size() && !fills[g].Take(face))
            ++g;
        if (g == meshes.size())
            return std::nullopt;
        meshes[g].faces.push_back(std::move(face));
    }
    return meshes;
}

std::size_t FacesOf(const CGeometry& set)
{
    std::size_t n = 0;
    for (const auto& mesh : set.meshes)
        n += mesh.faces.size();
    return n;
}

}  // namespace

Result<LevelsReport> MakeLevelsOfDetail(CModel& model, std::size_t sets, const LevelMeshFinish& finish)
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
    for (auto& group : MeshGroups(model))
        prepared.push_back(Prepare(full, std::move(group)));

    std::vector<CGeometry> made;
    std::vector<unsigned int> scratch;
    std::size_t divisor = 1, aboveDivisor = 1;  // of set 0's faces: the aim, the set above
    for (std::size_t level = 1; level < sets; ++level) {
        divisor *= kLevelFaceDivisor;
        const float error = LevelErrorBound(level);
        // A group that cannot do better keeps what the set above has.
        const CGeometry* above = made.empty() ? &full : &made.back();
        CGeometry set;
        set.meshes.resize(full.meshes.size());
        std::size_t simplified = 0;
        for (const Prepared& group : prepared) {
            std::size_t previous = 0;
            for (const std::size_t m : group.meshes)
                previous += above->meshes[m].faces.size();
            std::optional<std::vector<CMesh>> meshes;
            if (group.faces >= kMinFacesToSimplify) {
                // Half the faces of the set above, as drawn (a quarter when the set between was
                // left out); always from set 0, so that the change of shape is measured from it.
                const std::size_t step = divisor / aboveDivisor;
                const std::size_t aim = (previous + step - 1) / step;
                meshes = Simplify(full, group, aim, error, scratch);
                std::size_t faces = 0;
                for (std::size_t g = 0; meshes && g < group.meshes.size(); ++g)
                    faces += (*meshes)[g].faces.size();
                // No fewer triangles than the faces above: the simplifier found nothing to lose.
                if (meshes && faces >= previous)
                    meshes.reset();
                for (std::size_t g = 0; meshes && finish && g < group.meshes.size(); ++g)
                    finish((*meshes)[g]);
            }
            for (std::size_t g = 0; g < group.meshes.size(); ++g) {
                CMesh& mesh = set.meshes[group.meshes[g]];
                if (meshes) {
                    mesh = std::move((*meshes)[g]);
                    ++simplified;
                } else {
                    mesh = above->meshes[group.meshes[g]];
                    ClearLists(mesh);
                }
            }
        }
        const std::size_t setNumber = made.size() + 1;
        if (simplified == 0) {
            report.notes.push_back("a set at 1/" + std::to_string(divisor) +
                                   " of the faces would be the same as geometry set " + std::to_string(setNumber - 1) +
                                   ": left out");
            continue;
        }
        aboveDivisor = divisor;
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
