#include "model/limits.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/text.h"
#include "model/polygon.h"

namespace orv {

namespace {

// The coordinate of v that breaks the limit first, if any.
const float* FirstFault(const Vec3& v)
{
    for (const float* c : {&v.x, &v.y, &v.z})
        if (!CoordinateFits(*c))
            return c;
    return nullptr;
}

std::string Where(std::size_t g, std::size_t m, const CMesh& mesh)
{
    return "geometry set " + std::to_string(g) + ", mesh " + std::to_string(m) + " (" + mesh.name + ")";
}

std::string Count(std::size_t n, const char* what, std::size_t limit)
{
    return std::to_string(n) + " " + what + " (at most " + std::to_string(limit) + ")";
}

std::string LongName(const std::string& name)
{
    return "the name \"" + name + "\" has " + std::to_string(name.size()) + " characters (at most " +
           std::to_string(kMaxNameLength) + "; the game keeps only the first " + std::to_string(kMaxNameLength) + ")";
}

}  // namespace

bool CoordinateFits(float value) { return std::isfinite(value) && std::fabs(value) <= kMaxCoordinate; }

std::string CoordinateFault(float value)
{
    // The shortest text that reads back as the same number: 10000.01 is not "10000".
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    const std::string number(text, end);
    return "coordinate " + number + (std::isnan(value) ? " is not a number" : " lies beyond \u00b110,000 units");
}

std::vector<LimitBreach> CheckEngineLimits(const CModel& model)
{
    std::vector<LimitBreach> out;
    // where and what are kept apart as well as joined, for reports that place them.
    auto add = [&out](int32_t g, int32_t m, int32_t f, const std::string& where, std::string what, int32_t node = -1,
                      int32_t material = -1) {
        out.push_back({g, m, f, where + ": " + what, std::move(what), node, material});
    };
    if (model.geosets.size() > kMaxGeometrySets)
        add(-1, -1, -1, "the model", Count(model.geosets.size(), "geometry sets", kMaxGeometrySets));
    for (std::size_t g = 0; g < model.geosets.size(); ++g) {
        const auto& meshes = model.geosets[g].meshes;
        const auto gi = static_cast<int32_t>(g);
        for (std::size_t m = 0; m < meshes.size(); ++m) {
            const CMesh& mesh = meshes[m];
            const auto mi = static_cast<int32_t>(m);
            const std::string where = Where(g, m, mesh);
            if (mesh.name.size() > kMaxNameLength)
                add(gi, mi, -1, where, LongName(mesh.name));
            if (mesh.vertices.size() > kMaxMeshVertices)
                add(gi, mi, -1, where, Count(mesh.vertices.size(), "vertices", kMaxMeshVertices));
            if (mesh.textureVertices.size() > kMaxMeshTextureVertices)
                add(gi, mi, -1, where, Count(mesh.textureVertices.size(), "texture vertices", kMaxMeshTextureVertices));
            if (mesh.faces.size() > kMaxMeshFaces)
                add(gi, mi, -1, where, Count(mesh.faces.size(), "faces", kMaxMeshFaces));
            // One line a mesh: a model scaled up wrongly has all of its vertices out.
            std::size_t outside = 0;
            std::string firstAt, first;
            for (std::size_t v = 0; v < mesh.vertices.size(); ++v)
                if (const float* c = FirstFault(mesh.vertices[v].Position()); c && outside++ == 0) {
                    firstAt = where + ", vertex " + std::to_string(v);
                    first = CoordinateFault(*c);
                }
            if (outside > 1)
                first += " (and " + std::to_string(outside - 1) + (outside == 2 ? " more vertex)" : " more vertices)");
            if (outside > 0) {
                add(gi, mi, -1, firstAt, first);
                out.back().what = firstAt.substr(where.size() + 2) + ": " + first;  // "vertex 7: ..."
            }
            for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
                const CFace& face = mesh.faces[f];
                const auto fi = static_cast<int32_t>(f);
                const std::size_t corners = face.vertexIndices.size();
                const std::string at = where + ", face " + std::to_string(f);
                if (corners < kMinFaceCorners || corners > kMaxFaceCorners)
                    add(gi, mi, fi, at,
                        std::to_string(corners) + " corners (from " + std::to_string(kMinFaceCorners) + " to " +
                            std::to_string(kMaxFaceCorners) + ")");
                if (face.material < -1 ||
                    (face.material >= 0 && static_cast<std::size_t>(face.material) >= model.materials.size()))
                    add(gi, mi, fi, at,
                        "material " + std::to_string(face.material) + " is not in the list of " +
                            std::to_string(model.materials.size()) + " materials");
            }
        }
    }
    for (std::size_t i = 0; i < model.materials.size(); ++i)
        if (model.materials[i].size() > kMaxNameLength)
            add(-1, -1, -1, "material " + std::to_string(i), LongName(model.materials[i]), -1, static_cast<int32_t>(i));
    for (std::size_t n = 0; n < model.nodes.size(); ++n) {
        const C3doNode& node = model.nodes[n];
        const std::string where = "node " + std::to_string(n) + " (" + node.name + ")";
        const auto ni = static_cast<int32_t>(n);
        if (node.name.size() > kMaxNameLength)
            add(-1, -1, -1, where, LongName(node.name), ni);
        for (const auto& [field, value] : {std::pair{"position", &node.position}, std::pair{"pivot", &node.pivot}})
            if (const float* c = FirstFault(*value)) {
                add(-1, -1, -1, where + ", " + field, CoordinateFault(*c), ni);
                out.back().what = std::string(field) + ": " + out.back().what;
            }
        // A node's mesh index applies to every geometry set.
        for (std::size_t g = 0; g < model.geosets.size(); ++g) {
            const std::size_t count = model.geosets[g].meshes.size();
            if (node.mesh < -1 || (node.mesh >= 0 && static_cast<std::size_t>(node.mesh) >= count)) {
                add(static_cast<int32_t>(g), -1, -1, where,
                    "mesh " + std::to_string(node.mesh) + " is not among the " + std::to_string(count) +
                        " meshes of geometry set " + std::to_string(g),
                    ni);
            }
        }
    }
    return out;
}

std::vector<LimitBreach> CheckFaceShapes(const CModel& model)
{
    std::vector<LimitBreach> out;
    std::vector<Vec3> p;
    for (std::size_t g = 0; g < model.geosets.size(); ++g) {
        const auto& meshes = model.geosets[g].meshes;
        for (std::size_t m = 0; m < meshes.size(); ++m) {
            const CMesh& mesh = meshes[m];
            for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
                p.clear();
                for (const VertexRecord& r : mesh.faces[f].corners)
                    p.push_back(r.Position());
                const PolygonShape shape = ShapeOf(p);
                if (shape != PolygonShape::Bent && shape != PolygonShape::Concave)
                    continue;
                std::string what = shape == PolygonShape::Bent ? "bent (its corners are not in one plane)"
                                                               : "concave (the engine draws convex faces)";
                out.push_back({static_cast<int32_t>(g), static_cast<int32_t>(m), static_cast<int32_t>(f),
                               Where(g, m, mesh) + ", face " + std::to_string(f) + ": " + what, what});
            }
        }
    }
    return out;
}

}  // namespace orv
