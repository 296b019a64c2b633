#include "edit/levels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

#include "edit/fit.h"
#include "formats/model3do.h"
#include "model/content.h"
#include "model/corners.h"
#include "model/limits.h"
#include "model/model.h"
#include "model/radius.h"
#include "support/model_builder.h"
#include "support/undo_probe.h"
#include "test_util.h"

using namespace orv;

namespace {

constexpr float kTexels = 64.0f;  // the materials' pictures are 64 x 64

VertexRecord Corner(const Vec3& p, float u, float v)
{
    VertexRecord r;
    r.SetPosition(p);
    r.u = u;
    r.v = v;
    r.color = 0x00FFFFFF;
    return r;
}

CFace Face(std::vector<VertexRecord> corners, int32_t material)
{
    CFace f;
    f.material = material;
    f.geometryMode = 4;
    f.lightingMode = 3;
    f.textureMode = 1;
    f.corners = std::move(corners);
    f.ComputeFaceNormal();
    return f;
}

// A textured sphere of quads (triangles at the poles) wrapped once around by the texture:
// the meridian where u runs out at 64 and starts again at 0 is a texture seam.
CMesh Sphere(const std::string& name, int rings, int segments, float radius, const Vec3& centre = {})
{
    CMesh mesh;
    mesh.name = name;
    auto place = [&](int i, int j) {
        // The poles and the seam are computed once, so that their corners meet exactly.
        if (i == 0)
            return centre + Vec3(0, 0, radius);
        if (i == rings)
            return centre + Vec3(0, 0, -radius);
        const float theta = kPi * static_cast<float>(i) / static_cast<float>(rings);
        const float phi = 2.0f * kPi * static_cast<float>(j % segments) / static_cast<float>(segments);
        return centre +
               radius * Vec3(std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), std::cos(theta));
    };
    auto corner = [&](int i, int j) {
        return Corner(place(i, j), kTexels * static_cast<float>(j) / static_cast<float>(segments),
                      kTexels * static_cast<float>(i) / static_cast<float>(rings));
    };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            std::vector<VertexRecord> c;
            if (i == 0)
                c = {corner(i, j), corner(i + 1, j), corner(i + 1, j + 1)};
            else if (i == rings - 1)
                c = {corner(i, j), corner(i + 1, j), corner(i, j + 1)};
            else
                c = {corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1)};
            mesh.faces.push_back(Face(std::move(c), 0));
        }
    return mesh;
}

// A gently curved grid of quads, open all around; the half x >= width / 2 is of material
// 1 and of another surface (extra light, type), the other half of material 0.
CMesh TwoMaterialGrid(int nx, int ny)
{
    CMesh mesh;
    mesh.name = "grid";
    auto corner = [&](int i, int j) {
        const float x = 0.1f * static_cast<float>(i), y = 0.1f * static_cast<float>(j);
        return Corner({x, y, 0.05f * std::sin(x) * std::cos(y)}, 4.0f * static_cast<float>(i),
                      4.0f * static_cast<float>(j));
    };
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const bool right = 2 * i >= nx;
            auto f = Face({corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1)}, right ? 1 : 0);
            if (right) {
                f.extraLight = 0.5f;
                f.type = 2;
            }
            mesh.faces.push_back(std::move(f));
        }
    return mesh;
}

// A box of six quads, each of its own texels.
CMesh Box(const std::string& name, const Vec3& at)
{
    CMesh mesh;
    mesh.name = name;
    const auto& cube = UnitCubeCorners();
    const int quads[6][4] = {{0, 1, 2, 3}, {7, 6, 5, 4}, {0, 4, 5, 1}, {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}};
    for (const auto& q : quads) {
        std::vector<VertexRecord> c;
        for (int k = 0; k < 4; ++k)
            c.push_back(Corner(at + 0.01f * cube[static_cast<std::size_t>(q[k])].Position(),
                               k == 1 || k == 2 ? 16.0f : 0, k >= 2 ? 16.0f : 0));
        mesh.faces.push_back(Face(std::move(c), 0));
    }
    return mesh;
}

// A model of the meshes, each placed by a node of its own, with the lists built.
std::unique_ptr<CModel> ModelOf(std::vector<CMesh> meshes)
{
    auto model = std::make_unique<CModel>();
    model->formatTag = "JK1";
    model->materials = {"first.mat", "second.mat"};
    model->geosets.push_back(CGeometry());
    const auto count = static_cast<int32_t>(meshes.size());
    for (int32_t k = 0; k < count; ++k) {
        C3doNode node;
        node.name = meshes[static_cast<std::size_t>(k)].name;
        node.mesh = k;
        node.sibling = k + 1 < count ? k + 1 : -1;
        model->nodes.push_back(std::move(node));
        model->geosets[0].meshes.push_back(std::move(meshes[static_cast<std::size_t>(k)]));
    }
    model->RebuildHierarchy();
    for (auto& mesh : model->geosets[0].meshes)
        mesh.RebuildMeshLists();
    UpdateRadii(*model);
    return model;
}

std::pair<Vec3, Vec3> Bounds(const CMesh& mesh)
{
    Vec3 lo = Vec3::All(1e30f), hi = Vec3::All(-1e30f);
    for (const auto& f : mesh.faces)
        for (const auto& c : f.corners) {
            lo = Minimize(lo, c.Position());
            hi = Maximize(hi, c.Position());
        }
    return {lo, hi};
}

using orvtest::Point;
Point At(const VertexRecord& r) { return {r.x, r.y, r.z}; }
std::map<std::pair<Point, Point>, int> DirectedEdges(const CMesh& m) { return orvtest::DirectedEdges(m, false, 0); }

std::string Breaches(const CModel& model)
{
    std::string out;
    for (const auto& b : CheckEngineLimits(model))
        out += b.text + "\n";
    return out;
}

// Each lower set stays closed, wound one way, within the allowed deformation and limits.
TEST(LevelsOfDetail, ASphereFallsSetBySetAndKeepsItsShape)
{
    auto model = ModelOf({Sphere("ball", 16, 24, 1.0f)});
    const CMesh& full = model->geosets[0].meshes[0];
    const std::size_t fullFaces = full.faces.size();
    const float fullVolume = orvtest::SignedVolume(full);
    std::set<Point> fullPlaces;
    for (const auto& f : full.faces)
        for (const auto& c : f.corners)
            fullPlaces.insert(At(c));

    LevelsReport report;
    ASSERT_TRUE(orvtest::Into(MakeLevelsOfDetail(*model, 4), report));
    ASSERT_EQ(model->geosets.size(), 4u);
    ASSERT_EQ(report.facesPerSet.size(), 4u);
    EXPECT_EQ(report.facesPerSet[0], fullFaces);
    EXPECT_EQ(Breaches(*model), "");
    const auto [lo0, hi0] = Bounds(full);
    for (std::size_t g = 1; g < 4; ++g) {
        SCOPED_TRACE("geometry set " + std::to_string(g));
        ASSERT_EQ(model->geosets[g].meshes.size(), 1u);
        const CMesh& mesh = model->geosets[g].meshes[0];
        EXPECT_EQ(mesh.faces.size(), report.facesPerSet[g]);
        EXPECT_LT(report.facesPerSet[g], report.facesPerSet[g - 1]) << "a set is no lighter than the one above";
        if (g == 1) {
            EXPECT_LE(5 * report.facesPerSet[g], 4 * fullFaces) << "the first lower set lost under a fifth";
        }
        EXPECT_EQ(mesh.name, "ball");
        CMesh rebuilt = mesh;
        rebuilt.RebuildMeshLists();
        EXPECT_EQ(rebuilt.vertices.size(), mesh.vertices.size()) << "the set's lists were not built";
        EXPECT_LE(mesh.vertices.size(), full.vertices.size());
        // A set that shrinks or swells beyond its allowance pops as the game switches to it.
        const auto [lo, hi] = Bounds(mesh);
        const float allowed = LevelErrorBound(g) * 2.0f;  // of the sphere's extent
        for (const Vec3& d : {lo - lo0, hi - hi0})
            EXPECT_LE(std::max({std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)}), allowed);
        EXPECT_NEAR(orvtest::SignedVolume(mesh), fullVolume, 0.25f * std::fabs(fullVolume))
            << "winding turned or shape lost";
        // Closed: each edge is met once each way, so no crack opened (at the seam either).
        const auto edges = DirectedEdges(mesh);
        for (const auto& [edge, count] : edges) {
            const auto back = edges.find({edge.second, edge.first});
            ASSERT_TRUE(back != edges.end() && back->second == count) << "an edge without its twin: a crack";
        }
        for (const auto& f : mesh.faces) {
            ASSERT_EQ(f.corners.size(), 3u);
            for (const auto& c : f.corners)
                ASSERT_TRUE(fullPlaces.count(At(c))) << "a corner moved off the full set's vertices";
            EXPECT_GT(Length(f.normal), 0.9f) << "face normal not computed";
            EXPECT_EQ(std::tuple(f.material, f.geometryMode, f.lightingMode, f.textureMode), std::tuple(0, 4, 3, 1));
        }
        EXPECT_GT(mesh.radius, 0.9f);
        EXPECT_LE(mesh.radius, 1.0001f);
        // Where u runs out at 64 and starts again at 0, each side keeps its own texels.
        std::map<Point, std::set<float>> seamTexels;
        for (const auto& f : mesh.faces) {
            float lo = 1e9f, hi = -1e9f;
            for (const auto& c : f.corners) {
                lo = std::min(lo, c.u);
                hi = std::max(hi, c.u);
                // The seam meridian: y = 0 on the side of positive x, poles left out.
                if (c.y == 0.0f && c.x > 0.0f && (c.u == 0.0f || c.u == kTexels))
                    seamTexels[At(c)].insert(c.u);
            }
            EXPECT_LE(hi - lo, kTexels / 2) << "a face spans the picture: the seam was welded";
        }
        ASSERT_GE(seamTexels.size(), 2u);
        for (const auto& [place, texels] : seamTexels)
            EXPECT_EQ(texels.size(), 2u) << "a place on the seam lost one side's texel";
    }
}

// Faces stay on their material's half; the open border keeps its outline (a vertex inside
// a straight run of it may go).
TEST(LevelsOfDetail, MaterialBordersAndTheOpenBorderStayPut)
{
    constexpr int kX = 20, kY = 20;
    auto model = ModelOf({TwoMaterialGrid(kX, kY)});
    const CMesh& full = model->geosets[0].meshes[0];
    const float right = 0.1f * kX, top = 0.1f * kY;
    std::set<Point> border;
    for (const auto& f : full.faces)
        for (const auto& c : f.corners)
            if (c.x == 0.0f || c.y == 0.0f || c.x == right || c.y == top)
                border.insert(At(c));
    ASSERT_EQ(border.size(), 4u * kX);

    LevelsReport report;
    ASSERT_TRUE(orvtest::Into(MakeLevelsOfDetail(*model, 3), report));
    ASSERT_EQ(model->geosets.size(), 3u);
    EXPECT_LE(report.facesPerSet[1], full.faces.size() / kLevelFaceDivisor) << "the first lower set missed its aim";
    const float middle = 0.1f * static_cast<float>(kX / 2);
    for (std::size_t g = 1; g < model->geosets.size(); ++g) {
        SCOPED_TRACE("geometry set " + std::to_string(g));
        const CMesh& mesh = model->geosets[g].meshes[0];
        EXPECT_LT(mesh.faces.size(), model->geosets[g - 1].meshes[0].faces.size());
        for (const auto& f : mesh.faces) {
            // Along a straight border the simplifier may leave a triangle folded flat.
            EXPECT_NEAR(Length(f.normal), 1.0f, 1e-3f) << "a face without area";
            const bool second = f.material == 1;
            EXPECT_EQ(std::tuple(f.extraLight, f.type), second ? std::tuple(0.5f, 2u) : std::tuple(0.0f, 0u))
                << "a face lost its source face's surface";
            for (const auto& c : f.corners) {
                if (second) {
                    EXPECT_GE(c.x, middle - 1e-6f) << "material 1 crossed the material border";
                } else {
                    EXPECT_LE(c.x, middle + 1e-6f) << "material 0 crossed the material border";
                }
                // Corners keep their own texels: this grid's texel follows its place.
                EXPECT_NEAR(c.u, 40.0f * c.x, 1e-3f);
                EXPECT_NEAR(c.v, 40.0f * c.y, 1e-3f);
            }
        }
        // The open edges: those without a twin run the other way.
        const auto edges = DirectedEdges(mesh);
        std::vector<std::pair<Point, Point>> open;
        for (const auto& [edge, count] : edges)
            if (!edges.count({edge.second, edge.first}))
                open.push_back(edge);
        for (const auto& [a, b] : open)
            EXPECT_TRUE(border.count(a) && border.count(b)) << "an open edge left the border: a hole or a moved border";
        for (const Point& p : border) {
            const Vec3 q(std::get<0>(p), std::get<1>(p), std::get<2>(p));
            const bool passed = std::any_of(open.begin(), open.end(), [&](const auto& e) {
                const Vec3 a(std::get<0>(e.first), std::get<1>(e.first), std::get<2>(e.first));
                const Vec3 b(std::get<0>(e.second), std::get<1>(e.second), std::get<2>(e.second));
                const float t = std::clamp(Dot(q - a, b - a) / LengthSquared(b - a), 0.0f, 1.0f);
                return Length(a + t * (b - a) - q) < 1e-5f;
            });
            EXPECT_TRUE(passed) << "the border moved away from " << q.x << ", " << q.y;
        }
    }
}

// A model of small meshes alone gets no lower set, and says so.
TEST(LevelsOfDetail, SmallMeshesStayAsTheyAreAndNoSetDuplicatesTheOneAbove)
{
    auto model = ModelOf({Box("box", {3, 0, 0}), Sphere("ball", 12, 16, 1.0f)});
    ASSERT_TRUE(orvtest::Ok(MakeLevelsOfDetail(*model, 4)));
    ASSERT_GE(model->geosets.size(), 3u);
    const CMesh& box = model->geosets[0].meshes[0];
    for (std::size_t g = 1; g < model->geosets.size(); ++g) {
        const CMesh& lower = model->geosets[g].meshes[0];
        ASSERT_EQ(lower.faces.size(), box.faces.size()) << "set " << g;
        for (std::size_t f = 0; f < box.faces.size(); ++f)
            EXPECT_EQ(lower.faces[f].corners.size(), box.faces[f].corners.size()) << "set " << g << " face " << f;
        EXPECT_EQ(lower.vertices.size(), box.vertices.size());
        EXPECT_EQ(lower.textureVertices.size(), box.textureVertices.size());
        EXPECT_LT(model->geosets[g].meshes[1].faces.size(), model->geosets[g - 1].meshes[1].faces.size());
    }

    auto boxes = ModelOf({Box("box", {})});
    LevelsReport report;
    ASSERT_TRUE(orvtest::Into(MakeLevelsOfDetail(*boxes, 4), report));
    EXPECT_EQ(boxes->geosets.size(), 1u) << "a set equal to the one above was made";
    EXPECT_EQ(report.facesPerSet, std::vector<std::size_t>{6});
    ASSERT_EQ(report.notes.size(), 3u);
    EXPECT_NE(report.notes[0].find("same as geometry set 0"), std::string::npos) << report.notes[0];
}

// The sets made replace those there were.
TEST(LevelsOfDetail, ReplacesTheLowerSets)
{
    auto model = ModelOf({Sphere("head", 10, 16, 0.5f, {0, 0, 2}), TwoMaterialGrid(12, 12)});
    for (int k = 0; k < 3; ++k)  // stale sets of the same mesh count
        model->geosets.push_back(model->geosets[0]);
    model->currentGeoset = 3;

    LevelsReport report;
    ASSERT_TRUE(orvtest::Into(MakeLevelsOfDetail(*model, 2), report));
    ASSERT_EQ(model->geosets.size(), 2u);
    EXPECT_EQ(model->currentGeoset, 0) << "the current set no longer exists";
    EXPECT_NE(report.notes.back().find("3 geometry sets"), std::string::npos) << report.notes.back();

    // One set asked for: the lower ones go.
    ASSERT_TRUE(orvtest::Into(MakeLevelsOfDetail(*model, 1), report));
    EXPECT_EQ(model->geosets.size(), 1u);
    EXPECT_EQ(report.facesPerSet.size(), 1u);
}

// Refusals leave the model exactly as it was.
TEST(LevelsOfDetail, RefusesBadRequestsAndChangesNothing)
{
    auto model = ModelOf({Sphere("ball", 8, 8, 1.0f)});
    model->geosets.push_back(model->geosets[0]);
    for (auto& mesh : model->geosets[1].meshes)
        mesh.RebuildMeshLists();
    const auto before = orvtest::Saved(*model);
    for (std::size_t sets : {std::size_t{0}, std::size_t{5}}) {
        const auto r = MakeLevelsOfDetail(*model, sets);
        ASSERT_FALSE(r.ok()) << sets << " sets accepted";
        EXPECT_NE(r.error().find("not " + std::to_string(sets)), std::string::npos) << r.error();
        EXPECT_EQ(orvtest::Saved(*model), before);
    }

    // Set 0 over the limits: its faces cannot be held to them below.
    auto large = ModelOf({Sphere("large", 24, 24, 1.0f)});  // 576 faces
    const auto r = MakeLevelsOfDetail(*large, 3);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().find("geometry set 0, mesh 0 (large): 554 vertices (at most 512)"), std::string::npos)
        << r.error();
    EXPECT_EQ(large->geosets.size(), 1u);

    CModel empty;
    EXPECT_FALSE(MakeLevelsOfDetail(empty, 2).ok());
    auto bare = ModelOf({CMesh()});
    const auto none = MakeLevelsOfDetail(*bare, 2);
    ASSERT_FALSE(none.ok());
    EXPECT_NE(none.error().find("no faces"), std::string::npos) << none.error();
}

// A sphere too large for one mesh, fitted with four sets: the parts the fit cut it into
// are simplified as one, so each set has about half the faces of the one above, keeps to
// the engine's limits, draws flat convex faces and stays within its allowed change of
// shape (the simplifier's measure is a mean: its faces sink by no more on average).
TEST(LevelsOfDetail, AFittedSphereHalvesSetBySet)
{
    auto model = ModelOf({Sphere("ball", 64, 32, 1.0f)});
    FitOptions options;
    options.levels = 4;
    const FitReport report = FitToEngineLimits(*model, options);
    ASSERT_TRUE(report.problems.empty()) << report.problems[0];
    ASSERT_GE(model->geosets[0].meshes.size(), 3u) << "the sphere was not split";
    ASSERT_EQ(model->geosets.size(), 4u);
    EXPECT_EQ(Breaches(*model), "");
    EXPECT_TRUE(CheckFaceShapes(*model).empty());
    for (std::size_t g = 1; g < 4; ++g) {
        SCOPED_TRACE("geometry set " + std::to_string(g));
        std::size_t faces = 0, above = 0;
        float sunk = 0.0f;
        CMesh whole;
        for (std::size_t m = 0; m < model->geosets[g].meshes.size(); ++m) {
            const auto& part = model->geosets[g].meshes[m].faces;
            faces += part.size();
            above += model->geosets[g - 1].meshes[m].faces.size();
            for (const auto& f : part)
                sunk += 1.0f - Length(f.Centroid());
            whole.faces.insert(whole.faces.end(), part.begin(), part.end());
        }
        EXPECT_LE(faces, (above + 1) / 2);
        EXPECT_LE(sunk / static_cast<float>(faces), 2.0f * LevelErrorBound(g));
        const auto edges = DirectedEdges(whole);
        EXPECT_TRUE(std::all_of(edges.begin(), edges.end(), [&edges](const auto& e) {
            const auto back = edges.find({e.first.second, e.first.first});
            return back != edges.end() && back->second == e.second;
        })) << "a crack where the parts meet";
    }
}

// A part of a split mesh that cannot lose a face (its quads all have the same four
// texels, so every edge is a seam) would hold more triangles than a mesh may: what it
// cannot hold goes to the other parts, and none is lost.
TEST(LevelsOfDetail, WhatAPartCannotHoldGoesToTheOtherParts)
{
    constexpr int kSide = 21;  // 441 quads and 484 places a part
    std::vector<CMesh> meshes(4);
    for (int k = 0; k < 4; ++k) {
        meshes[k].name = "wall_" + std::to_string(k + 1);
        for (int j = 0; j < kSide; ++j)
            for (int i = 0; i < kSide; ++i) {
                std::vector<VertexRecord> c;
                for (const auto& [di, dj] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
                    const Vec3 at(0.1f * static_cast<float>(kSide * k + i + di), 0.1f * static_cast<float>(j + dj), 0);
                    const float u = static_cast<float>(k == 1 ? di : i + di), v = static_cast<float>(k == 1 ? dj : j + dj);
                    c.push_back(Corner(at, 4.0f * u, 4.0f * v));
                }
                meshes[k].faces.push_back(Face(std::move(c), 0));
            }
    }
    auto model = ModelOf(std::move(meshes));
    model->nodes[0].sibling = -1;  // the parts hang on the first, as the fit hangs them
    model->nodes[0].child = 1;
    model->RebuildHierarchy();
    ASSERT_TRUE(orvtest::Ok(MakeLevelsOfDetail(*model, 2)));
    ASSERT_EQ(model->geosets.size(), 2u);
    EXPECT_EQ(Breaches(*model), "");
    float area = 0.0f;
    std::size_t seamed = 0;
    for (const auto& mesh : model->geosets[1].meshes)
        for (const auto& f : mesh.faces) {
            area += 0.5f * Length(Cross(f.corners[1].Position() - f.corners[0].Position(),
                                        f.corners[2].Position() - f.corners[0].Position()));
            seamed += f.Centroid().x > 0.1f * kSide && f.Centroid().x < 0.2f * kSide;
        }
    EXPECT_GT(seamed, kMaxMeshFaces) << "no part overflowed";
    EXPECT_NEAR(area, 0.01f * 4 * kSide * kSide, 1e-3f) << "faces lost";
}

}  // namespace
