// Hand-built models and cameras: corners, faces, meshes, cubes, a layered character.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "document/edit_context.h"
#include "model/corners.h"
#include "model/model.h"
#include "view/camera.h"
#include "view/hierarchy.h"

namespace orvtest {

// Whether an operation was carried out: it changed the model or asked for a refresh.
inline bool Ran(const orv::EditOutcome& o) { return o.changed || o.effects != 0; }

inline void ExpectClose(const orv::Vec3& a, const orv::Vec3& b, float tol = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

inline void ExpectClose(const orv::Matrix4& a, const orv::Matrix4& b, float tol = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[static_cast<std::size_t>(i)], b.m[static_cast<std::size_t>(i)], tol) << "element " << i;
}

inline orv::VertexRecord At(const orv::Vec3& p)
{
    orv::VertexRecord r;
    r.SetPosition(p);
    return r;
}

// The awkward polygons, offset by at: an L of six corners (concave), a quad with one
// corner lifted by lift (bent), and a flat round polygon of n corners.
inline std::vector<orv::Vec3> LShape(const orv::Vec3& at = {})
{
    std::vector<orv::Vec3> p = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
    for (auto& q : p)
        q += at;
    return p;
}
inline std::vector<orv::Vec3> BentQuad(const orv::Vec3& at = {}, float lift = 0.2f)
{
    return {at + orv::Vec3(0, 0, 0), at + orv::Vec3(1, 0, 0), at + orv::Vec3(1, 1, lift), at + orv::Vec3(0, 1, 0)};
}
inline std::vector<orv::Vec3> RoundPolygon(int n, const orv::Vec3& at = {})
{
    std::vector<orv::Vec3> p;
    for (int i = 0; i < n; ++i)
        p.push_back(at + orv::Vec3(std::cos(i * 6.2831853f / n), std::sin(i * 6.2831853f / n), 0));
    return p;
}

// A face whose corners are the given points, in their order; its normal is computed from them.
inline orv::CFace& AddFaceOf(orv::CMesh& mesh, const orv::Vec3* points, std::size_t count)
{
    orv::CFace f;
    for (std::size_t i = 0; i < count; ++i)
        f.corners.push_back(At(points[i]));
    f.ComputeFaceNormal();
    mesh.faces.push_back(std::move(f));
    return mesh.faces.back();
}
inline orv::CFace& AddFace(orv::CMesh& mesh, const std::vector<orv::Vec3>& corners)
{
    return AddFaceOf(mesh, corners.data(), corners.size());
}
// Braced lists of points come here: with only the vector overload they would be ambiguous
// with the AddFace overloads some test files add.
inline orv::CFace& AddFace(orv::CMesh& mesh, std::initializer_list<orv::Vec3> corners)
{
    return AddFaceOf(mesh, corners.begin(), corners.size());
}

// A square of half-size h around (cx, cy) in the plane z = z0, its front towards -z.
inline orv::CFace& AddSquare(orv::CMesh& mesh, float cx, float cy, float z0, float h)
{
    return AddFace(mesh, {{cx - h, cy - h, z0}, {cx - h, cy + h, z0}, {cx + h, cy + h, z0}, {cx + h, cy - h, z0}});
}

// A closed cube of half-size h around the origin, its six quads facing outward, without
// materials.
inline void AddCube(orv::CMesh& m, float h = 0.5f)
{
    AddFace(m, {{-h, -h, -h}, {-h, h, -h}, {h, h, -h}, {h, -h, -h}});
    AddFace(m, {{h, -h, h}, {h, h, h}, {-h, h, h}, {-h, -h, h}});
    AddFace(m, {{-h, -h, h}, {-h, h, h}, {-h, h, -h}, {-h, -h, -h}});
    AddFace(m, {{h, -h, -h}, {h, h, -h}, {h, h, h}, {h, -h, h}});
    AddFace(m, {{-h, h, -h}, {-h, h, h}, {h, h, h}, {h, h, -h}});
    AddFace(m, {{-h, -h, h}, {-h, -h, -h}, {h, -h, -h}, {h, -h, h}});
}

// The volume a closed mesh's faces enclose, positive when their normals point out of it
// (a turned winding makes it negative).
inline float SignedVolume(const orv::CMesh& m)
{
    double v = 0;
    for (const auto& f : m.faces)
        for (std::size_t k = 1; k + 1 < f.corners.size(); ++k)
            v += orv::Dot(f.corners[0].Position(), orv::Cross(f.corners[k].Position(), f.corners[k + 1].Position())) /
                 6.0;
    return static_cast<float>(v);
}

// A new mesh in geometry set 0 with a hierarchy node placing it; the nodes form one
// sibling chain from node 0.
inline orv::CMesh& AddMesh(orv::CModel& model)
{
    if (model.geosets.empty())
        model.geosets.push_back(orv::CGeometry());
    auto& meshes = model.geosets[0].meshes;
    meshes.push_back(orv::CMesh());
    orv::C3doNode node;
    node.mesh = static_cast<int32_t>(meshes.size() - 1);
    if (!model.nodes.empty())
        model.nodes.back().sibling = static_cast<int32_t>(model.nodes.size());
    model.nodes.push_back(std::move(node));
    return meshes.back();
}

// Poses, world matrices and the meshes' node matrices, as a drawn frame leaves them.
inline void Place(orv::CModel& model)
{
    model.RebuildHierarchy();
    orv::WalkHierarchy(model);
    orv::RecordMeshNodes(model);
}

// Whether every node and mesh stands where a placement for the model's frame and model
// matrix puts it.
inline bool NodesInPlace(const orv::CModel& model)
{
    orv::CModel placed = model;
    orv::PlaceNodes(placed);
    return placed.nodeMatrices == model.nodeMatrices && placed.meshMatrices == model.meshMatrices;
}

// A camera at eye looking along +z (or -z), with the projection of a w x h view.
inline orv::Camera CameraAt(const orv::Vec3& eye, bool towardsPlusZ = true, int w = 400, int h = 400)
{
    orv::Camera c;
    c.SetProjection(w, h, false);
    c.SetCameraOrientation({0.0f, 0.0f, towardsPlusZ ? 1.0f : -1.0f}, {0.0f, 1.0f, 0.0f});
    c.SetCameraPosition(eye);
    return c;
}

// The surface pixel on which a world point is drawn.
inline std::pair<int, int> ToPixel(const orv::Camera& c, const orv::Vec3& p, int w = 400, int h = 400)
{
    const auto q = orv::Transform4({p.x, p.y, p.z, 1.0f}, c.view * c.projection);
    const float nx = q[0] / q[3], ny = q[1] / q[3];
    return {static_cast<int>(std::lround((nx + 1.0f) * 0.5f * static_cast<float>(w))),
            static_cast<int>(std::lround((1.0f - ny) * 0.5f * static_cast<float>(h)))};
}

// A character as real models are laid out: a "$$dummy" root without a mesh, the body
// below it, the head and an arm below the body; the nodes do not stand in mesh order
// (node 1 places mesh 2), and the geometry sets (levels of detail) have meshes that line up.
inline std::unique_ptr<orv::CModel> Character(int sets = 4)
{
    auto model = std::make_unique<orv::CModel>();
    model->formatTag = "JK1";
    for (int g = 0; g < sets; ++g) {
        orv::CGeometry set;
        for (int m = 0; m < 3; ++m) {
            orv::CMesh mesh;
            mesh.name = std::string("part") + char('0' + m);
            AddCube(mesh, 0.1f * static_cast<float>(m + 1) / static_cast<float>(g + 1));
            set.meshes.push_back(std::move(mesh));
        }
        model->geosets.push_back(std::move(set));
    }
    auto node = [&](const char* name, int32_t mesh, int32_t child, int32_t sibling) {
        orv::C3doNode n;
        n.name = name;
        n.mesh = mesh;
        n.child = child;
        n.sibling = sibling;
        model->nodes.push_back(std::move(n));
    };
    node("$$dummy", -1, 1, -1);
    node("body", 2, 2, -1);
    node("head", 0, -1, 3);
    node("arm", 1, -1, -1);
    model->RebuildHierarchy();
    for (auto& set : model->geosets)
        for (auto& mesh : set.meshes)
            mesh.RebuildMeshLists();
    orv::BuildFaceCorners(*model);
    return model;
}

// Each edge of the mesh's faces by its end positions, from corner k to corner k+1 (or
// against the corners' order), rounded so that corners computed apart still meet.
using Point = std::tuple<float, float, float>;
inline std::map<std::pair<Point, Point>, int> DirectedEdges(const orv::CMesh& m, bool against = false,
                                                            float grain = 1.0e4f)
{
    auto key = [grain](const orv::VertexRecord& r) {
        auto round = [grain](float x) { return grain > 0 ? std::round(x * grain) / grain + 0.0f : x; };
        return Point{round(r.x), round(r.y), round(r.z)};
    };
    std::map<std::pair<Point, Point>, int> out;
    for (const auto& f : m.faces) {
        const std::size_t n = f.corners.size();
        for (std::size_t k = 0; k < n; ++k) {
            const auto a = key(f.corners[k]), b = key(f.corners[(k + 1) % n]);
            ++out[against ? std::pair(b, a) : std::pair(a, b)];
        }
    }
    return out;
}

}  // namespace orvtest
