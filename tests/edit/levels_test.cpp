#include "edit/levels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "edit/fit.h"
#include "formats/projectfile.h"
#include "model/limits.h"
#include "model/model.h"
#include "model/radius.h"
#include "support/files.h"
#include "support/model_compare.h"
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

// A closed box of six quads, too few faces to simplify.
CMesh Box()
{
    CMesh mesh;
    mesh.name = "box";
    orvtest::AddCube(mesh, 0.01f);
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

std::string Breaches(const CModel& model)
{
    std::string out;
    for (const auto& b : CheckEngineLimits(model))
        out += b.text + "\n";
    return out;
}

// Each lower set is lighter than the one above, closed (no crack, at the seam either),
// wound one way, within its allowed change of shape and the limits, on the full set's
// vertices, and keeps each side's texels where u runs out at 64 and starts again at 0.
TEST(LevelsOfDetail, ASphereFallsSetBySetAndKeepsItsShape)
{
    auto model = ModelOf({Sphere("ball", 16, 24, 1.0f)});
    LevelsReport report;
    ASSERT_TRUE(orvtest::Into(MakeLevelsOfDetail(*model, 4), report));
    EXPECT_EQ(Breaches(*model), "");
    std::vector<std::size_t> faces;
    for (const auto& set : model->geosets)
        faces.push_back(set.meshes[0].faces.size());
    EXPECT_EQ(report.facesPerSet, faces);
    // The lists as written are the sets' own, so a set whose lists were not built shows.
    orvtest::ExpectModelAsFixture("levels_sphere", *model);
}

// A model of small meshes alone gets no lower set, and says so.
TEST(LevelsOfDetail, SmallMeshesStayAsTheyAreAndNoSetDuplicatesTheOneAbove)
{
    auto model = ModelOf({Box(), Sphere("ball", 12, 16, 1.0f)});
    ASSERT_TRUE(orvtest::Ok(MakeLevelsOfDetail(*model, 4)));
    orvtest::ExpectModelAsFixture("levels_small_meshes", *model);  // the box whole in every set

    auto boxes = ModelOf({Box()});
    LevelsReport report;
    ASSERT_TRUE(orvtest::Into(MakeLevelsOfDetail(*boxes, 4), report));
    EXPECT_EQ(report.facesPerSet, std::vector<std::size_t>{6}) << "a set equal to the one above was made";
    ASSERT_EQ(report.notes.size(), 3u);
    EXPECT_NE(report.notes[0].find("same as geometry set 0"), std::string::npos) << report.notes[0];
}

// The new sets replace the old; on the grid, faces stay on their material's half with
// their surface and texels, and the open border keeps its outline (a vertex inside a
// straight run of it may go).
TEST(LevelsOfDetail, ReplacesTheLowerSetsKeepingMaterialBordersAndTheOpenBorder)
{
    auto model = ModelOf({Sphere("head", 10, 16, 0.5f, {0, 0, 2}), TwoMaterialGrid(20, 20)});
    for (int k = 0; k < 3; ++k)  // stale sets of the same mesh count
        model->geosets.push_back(model->geosets[0]);
    model->currentGeoset = 3;

    LevelsReport report;
    ASSERT_TRUE(orvtest::Into(MakeLevelsOfDetail(*model, 3), report));
    EXPECT_EQ(model->currentGeoset, 0) << "the current set no longer exists";
    EXPECT_NE(report.notes.back().find("3 geometry sets"), std::string::npos) << report.notes.back();
    orvtest::ExpectModelAsFixture("levels_two_materials", *model);

    // One set asked for: the lower ones go.
    ASSERT_TRUE(orvtest::Into(MakeLevelsOfDetail(*model, 1), report));
    EXPECT_EQ(model->geosets.size(), 1u);
}

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
    // Nor through the fit, which cannot mend a vertex out of the engine's range: it says why.
    large->geosets[0].meshes[0].faces[0].corners[0].x = 20000.0f;
    const FitReport refused = FitToEngineLimits(*large, FitOptions{.levels = 3});
    ASSERT_EQ(refused.problems.size(), 1u);
    EXPECT_EQ(refused.problems[0].rfind("levels of detail not made: ", 0), 0u) << refused.problems[0];
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
// shape (the simplifier's measure is a mean: its faces sink by no more on average). The
// sets are made once: fitted again, the model stays as it is.
TEST(LevelsOfDetail, AFittedSphereHalvesSetBySet)
{
    auto model = ModelOf({Sphere("ball", 64, 32, 1.0f)});
    const FitOptions options{.levels = 4};
    const FitReport report = FitToEngineLimits(*model, options);
    ASSERT_TRUE(report.problems.empty()) << report.problems[0];
    ASSERT_GE(model->geosets[0].meshes.size(), 3u) << "the sphere was not split";
    ASSERT_EQ(model->geosets.size(), 4u);
    EXPECT_EQ(Breaches(*model), "");
    EXPECT_TRUE(CheckFaceShapes(*model).empty());
    std::string lines;
    for (const std::string& line : report.lines)
        lines += line + "\n";
    orvtest::ExpectSameAsFixture("expected", "fit_levels_report.txt", lines);
    // The project file keeps every float whole: a radius measured again would show.
    const std::vector<uint8_t> fitted = SaveProject(*model, CameraState{});
    EXPECT_FALSE(FitToEngineLimits(*model, options).Changed());
    EXPECT_EQ(SaveProject(*model, CameraState{}), fitted);
    for (std::size_t g = 1; g < 4; ++g) {
        SCOPED_TRACE("geometry set " + std::to_string(g));
        std::size_t faces = 0;
        float sunk = 0.0f;
        CMesh whole;
        for (std::size_t m = 0; m < model->geosets[g].meshes.size(); ++m) {
            const auto& part = model->geosets[g].meshes[m].faces;
            faces += part.size();
            for (const auto& f : part)
                sunk += 1.0f - Length(f.Centroid());
            whole.faces.insert(whole.faces.end(), part.begin(), part.end());
        }
        EXPECT_LE(sunk / static_cast<float>(faces), 2.0f * LevelErrorBound(g));
        const auto edges = orvtest::DirectedEdges(whole, false, 0);
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
