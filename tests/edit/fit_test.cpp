#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "document/document.h"
#include "edit/fit.h"
#include "edit/selection.h"
#include "formats/model3do.h"
#include "formats/samplemodel.h"
#include "model/limits.h"
#include "model/polygon.h"
#include "support/model_compare.h"
#include "support/opened_sample.h"
#include "test_util.h"

using namespace orv;

namespace {

double Area(std::span<const Vec3> p)
{
    const Vec3d n = NewellNormal(p);
    return 0.5 * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
}

// Every piece flat, convex and within the engine's corner limit, and the pieces of the
// flat polygon cover its area exactly once.
void ExpectGoodPieces(std::span<const Vec3> polygon, const std::vector<std::vector<std::size_t>>& pieces)
{
    double area = 0.0;
    for (const auto& piece : pieces) {
        std::vector<Vec3> p;
        for (const std::size_t i : piece)
            p.push_back(polygon[i]);
        EXPECT_EQ(ShapeOf(p), PolygonShape::Good) << "a piece of " << p.size() << " corners is not flat and convex";
        area += Area(p);
    }
    EXPECT_NEAR(area, Area(polygon), 1e-4) << "the pieces do not cover the polygon once";
}

// Faces as drawn (world corners, or the mesh's own when not placed, texture coordinates,
// material), sorted.
std::vector<std::string> WorldFaces(CModel& model, std::size_t geoset = 0, bool placed = true)
{
    orvtest::Place(model);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        const C3doNode& node = model.nodes[i];
        if (node.mesh < 0 || static_cast<std::size_t>(node.mesh) >= model.geosets[geoset].meshes.size())
            continue;
        for (const auto& f : model.geosets[geoset].meshes[static_cast<std::size_t>(node.mesh)].faces) {
            std::string s = "material " + std::to_string(f.material) + ":";
            for (const auto& c : f.corners) {
                const Vec3 p = placed ? TransformVertex(c, model.NodeMatrix(i)).Position() : c.Position();
                char text[96];
                std::snprintf(text, sizeof text, " (%.4f %.4f %.4f | %.2f %.2f)", p.x, p.y, p.z, c.u, c.v);
                s += text;
            }
            out.push_back(s);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<LimitBreach> Breaches(CModel& model)
{
    for (auto& g : model.geosets)
        for (auto& m : g.meshes)
            m.RebuildMeshLists();
    return CheckEngineLimits(model);
}

VertexRecord Corner(float x, float y, float z, float u = 0, float v = 0)
{
    VertexRecord r = orvtest::At({x, y, z});
    r.u = u;
    r.v = v;
    return r;
}

CFace& AddTriangle(CMesh& mesh, const VertexRecord& a, const VertexRecord& b, const VertexRecord& c,
                   int32_t material = 0)
{
    CFace f;
    f.corners = {a, b, c};
    f.material = material;
    f.ComputeFaceNormal();
    mesh.faces.push_back(std::move(f));
    return mesh.faces.back();
}

// nx by ny cells of two triangles; uneven heights unless flat, so no two share a plane.
void AddGrid(CMesh& mesh, int nx, int ny, bool flat, float uStep = 4.0f)
{
    auto at = [&](int i, int j) {
        const float z = flat ? 0.0f : 0.3f * std::sin(1.7f * i + 2.3f * j) + 0.2f * std::cos(0.7f * i * j);
        return Corner(static_cast<float>(i), static_cast<float>(j), z, static_cast<float>(i) * uStep,
                      static_cast<float>(j) * uStep);
    };
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            AddTriangle(mesh, at(i, j), at(i + 1, j), at(i + 1, j + 1));
            AddTriangle(mesh, at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
}

// A one-mesh model whose node stands away from the origin, turned, with a pivot.
std::unique_ptr<CModel> PlacedModel()
{
    auto model = std::make_unique<CModel>();
    model->materials = {"a.mat", "b.mat"};
    orvtest::AddMesh(*model).name = "body";
    C3doNode& node = model->nodes[0];
    node.name = "body";
    node.position = {1, 2, 3};
    node.rotation = {10, 20, 30};
    node.pivot = {0.5f, 0, 0};
    model->geosets[0].meshes[0].placementOffset = node.pivot;
    model->RebuildHierarchy();
    return model;
}

}  // namespace

// The fit below counts the pieces of the L, the bent quad and the 30-gon; here that the
// flat ones are covered once, and what the fit does not meet.
TEST(PolygonRule, ConcaveBentAndLargePolygonsBecomeFewConvexFlatPieces)
{
    for (const std::vector<Vec3>& flat : {orvtest::LShape(), orvtest::RoundPolygon(30)})
        ExpectGoodPieces(flat, SplitPolygon(flat));

    // Within the tolerance a bent quad is flat enough and stays whole.
    const std::vector<Vec3> nearlyFlat = orvtest::BentQuad({}, 0.0005f);
    EXPECT_EQ(ShapeOf(nearlyFlat), PolygonShape::Good);
    EXPECT_EQ(SplitPolygon(nearlyFlat).size(), 1u);

    // A concave star of 40 corners comes out in convex pieces that cover it once.
    std::vector<Vec3> star;
    for (int i = 0; i < 40; ++i) {
        const float r = i % 2 ? 0.4f : 1.0f;
        star.push_back({r * std::cos(i * 6.2831853f / 40), r * std::sin(i * 6.2831853f / 40), 0});
    }
    const auto starPieces = SplitPolygon(star);
    EXPECT_LT(starPieces.size(), 38u) << "the star's triangles were not joined again";
    ExpectGoodPieces(star, starPieces);

    // Nothing to draw: no pieces.
    EXPECT_TRUE(SplitPolygon(std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}).empty());
}

// Also meshes of clashing or overlong names get unique ones of at most 31 characters.
TEST(Fit, CutsConcaveBentAndLargeFacesKeepingEachFacesFieldsAndRenamesMeshes)
{
    auto model = PlacedModel();
    CMesh& mesh = model->geosets[0].meshes[0];
    CFace& l = orvtest::AddFace(mesh, orvtest::LShape());
    l.material = 1;
    l.type = 2;
    l.extraLight = 0.5f;
    l.lightingMode = 1;
    orvtest::AddFace(mesh, orvtest::BentQuad({5, 0, 0}));
    mesh.faces.push_back(CFace());
    for (const Vec3& p : orvtest::RoundPolygon(30, {10, 0, 0}))
        mesh.faces.back().corners.push_back(orvtest::At(p));
    // The check tells the concave and the bent face apart from breaches, which a save asks
    // about: only the face of 30 corners is one.
    const auto shapes = CheckFaceShapes(*model);
    ASSERT_EQ(shapes.size(), 2u);
    EXPECT_EQ(shapes[0].text, "geometry set 0, mesh 0 (body), face 0: concave (the engine draws convex faces)");
    EXPECT_EQ(shapes[1].text, "geometry set 0, mesh 0 (body), face 1: bent (its corners are not in one plane)");
    EXPECT_EQ(shapes[1].face, 1);

    model->geosets[0].meshes[0].name = std::string(40, 'm');
    for (int k = 0; k < 2; ++k) {
        CMesh& m = orvtest::AddMesh(*model);
        m.name = k == 0 ? std::string(40, 'M') : "Body";
        orvtest::AddFace(m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    }
    model->nodes[1].name = "$$$dummy";
    model->nodes[2].name = "$$$dummy";
    model->RebuildHierarchy();
    EXPECT_EQ(FitToEngineLimits(*model).lines,
              (std::vector<std::string>{"faces that are not flat and convex cut into flat convex pieces: 2",
                                        "faces of more than 24 corners cut into smaller ones: 1",
                                        "meshes renamed to unique names of at most 31 characters: 2"}));
    // Two pieces each of the L (keeping its material, type and light), the bent quad and
    // the 30-gon; meshes of 31 m, 29 M and "_2", "Body" ("body" is a node's name, not a
    // mesh's).
    orvtest::ExpectModelAsFixture("fit_cut_faces", *model);
}

TEST(Fit, JoinsCoplanarTrianglesOfTheSameLookOnly)
{
    auto model = PlacedModel();
    CMesh& mesh = model->geosets[0].meshes[0];
    AddGrid(mesh, 6, 6, true);
    ASSERT_TRUE(FitToEngineLimits(*model).Changed());
    // The 72 triangles of the 6 x 6 square as a few convex faces of at most 24 corners that
    // cover it once, texture coordinates still u = 4 x, v = 4 y.
    std::string joined;
    for (const std::string& face : WorldFaces(*model, 0, false))
        joined += face + "\n";
    orvtest::ExpectSameAsFixture("expected", "fit_joined_grid.txt", joined);

    // A texture seam (the same edge with other texture coordinates on each side), another
    // material or an uneven surface keeps triangles apart.
    auto other = PlacedModel();
    CMesh& m2 = other->geosets[0].meshes[0];
    AddTriangle(m2, Corner(0, 0, 0, 0, 0), Corner(1, 0, 0, 4, 0), Corner(1, 1, 0, 4, 4));
    AddTriangle(m2, Corner(0, 0, 0, 9, 9), Corner(1, 1, 0, 4, 4), Corner(0, 1, 0, 0, 4));
    AddTriangle(m2, Corner(5, 0, 0), Corner(6, 0, 0), Corner(6, 1, 0));
    AddTriangle(m2, Corner(5, 0, 0), Corner(6, 1, 0), Corner(5, 1, 0), 1);
    AddTriangle(m2, Corner(9, 0, 0), Corner(10, 0, 0), Corner(10, 1, 0));
    AddTriangle(m2, Corner(9, 0, 0), Corner(10, 1, 0), Corner(9, 1, 0.1f));
    EXPECT_FALSE(FitToEngineLimits(*other).Changed());
}

TEST(Fit, SplitsMeshesOverEachLimitUnderNodesThatDoNotMove)
{
    struct Case {
        const char* limit;
        void (*build)(CMesh&);
    };
    const Case cases[] = {
        {"faces", [](CMesh& m) { AddGrid(m, 20, 14, false); }},  // 560 faces, 315 vertices
        {"vertices",
         [](CMesh& m) {  // 200 loose triangles: 600 vertices
             for (int k = 0; k < 200; ++k) {
                 const float x = static_cast<float>(k % 20) * 2, y = static_cast<float>(k / 20) * 2;
                 AddTriangle(m, Corner(x, y, 0, 0, 0), Corner(x + 1, y, 0, 1, 0), Corner(x, y + 1, 1, 0, 1));
             }
         }},
        {"texture vertices",
         [](CMesh& m) {  // 300 faces on 121 vertices, 900 texture vertices
             for (int k = 0; k < 300; ++k) {
                 const float i = static_cast<float>(k % 10), j = static_cast<float>((k / 10) % 10);
                 const float u = static_cast<float>(k * 3);
                 AddTriangle(m, Corner(i, j, 0, u, 0), Corner(i + 1, j, 0.5f, u + 1, 0),
                             Corner(i, j + 1, 0.25f, u + 2, 0));
             }
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        auto model = PlacedModel();
        c.build(model->geosets[0].meshes[0]);
        const std::vector<std::string> before = WorldFaces(*model);
        ASSERT_FALSE(Breaches(*model).empty());

        // Triangles that happen to lie in one plane are not joined here, so that the faces
        // can be compared one by one.
        const FitOptions splitOnly{.joinTriangles = false};
        EXPECT_EQ(FitToEngineLimits(*model, splitOnly).lines.at(0), "meshes over the engine's limits split: 1");
        ASSERT_GT(model->geosets[0].meshes.size(), 1u);
        EXPECT_EQ(model->geosets[0].meshes[1].name, model->geosets[0].meshes[0].name + "_2") << "parts count from 1";
        EXPECT_TRUE(Breaches(*model).empty()) << Breaches(*model).front().text;
        // The same faces where they were, with the same texture coordinates and materials:
        // each new mesh hangs on a node of its own under the mesh's node, not moved.
        EXPECT_EQ(WorldFaces(*model), before);
        for (const auto& mesh : model->geosets[0].meshes)
            EXPECT_GT(mesh.radius, 0.0f) << mesh.name;
    }
}

// Nodes address meshes by index in every geometry set: the other sets get the new slots.
// Run as the command, which reports what it did and, run again, finds nothing to do.
TEST(Fit, OtherGeometrySetsKeepTheirMeshesAtTheSameIndices)
{
    auto model = PlacedModel();
    AddGrid(model->geosets[0].meshes[0], 20, 14, false);
    // A second mesh on a second node, and a small second set with the same two meshes.
    CMesh& second = orvtest::AddMesh(*model);
    second.name = "arm";
    orvtest::AddCube(second);
    model->nodes[1].name = "arm";
    model->geosets.push_back(CGeometry());
    for (const auto& m : model->geosets[0].meshes) {
        CMesh copy = m;
        copy.faces.clear();
        ClearLists(copy);
        orvtest::AddCube(copy, 0.25f);
        model->geosets[1].meshes.push_back(std::move(copy));
    }
    model->RebuildHierarchy();
    const std::vector<std::string> low = WorldFaces(*model, 1);

    orvtest::ModelDoc d(std::move(model));
    d.selection.currentMesh = 0;
    d.selection.currentFace = 540;
    std::vector<std::vector<std::string>> reports;
    CommandHooks hooks;
    hooks.fitReport = [&reports](const EditContext&, const FitReport& report) { reports.push_back(report.lines); };
    EditContext c = d.Ctx();
    c.hooks = &hooks;
    ASSERT_TRUE(RunCommand(cmd::FitToLimits, c).changed);
    EXPECT_EQ(d.selection.currentFace, -1) << "the current face may be gone";
    CModel& fitted = *d.doc.model;
    ASSERT_EQ(fitted.geosets[0].meshes.size(), fitted.geosets[1].meshes.size());
    EXPECT_EQ(fitted.geosets[0].meshes[1].name, "arm");
    // The other set's meshes placed as before, its new slots empty.
    EXPECT_EQ(WorldFaces(fitted, 1), low);

    EXPECT_FALSE(RunCommand(cmd::FitToLimits, c).changed);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_FALSE(reports[0].empty());
    EXPECT_TRUE(reports[1].empty());
}

TEST(Fit, AModelWithinTheLimitsIsWrittenAsItWas)
{
    auto walker = MakeSampleModel();
    const std::string before = Format3do(*walker, "walker.3do");
    EXPECT_FALSE(FitToEngineLimits(*walker).Changed());
    EXPECT_EQ(Format3do(*walker, "walker.3do"), before);

    const auto files = orvtest::CorpusFiles("3do", ".3do");
    if (files.empty())
        GTEST_SKIP() << "no corpus";
    int untouched = 0;
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        CModel model;
        ASSERT_TRUE(Load3doFile(file, model));
        const std::string text = Format3do(model, "x.3do");
        const bool within = Breaches(model).empty() && CheckFaceShapes(model).empty();
        const FitReport report = FitToEngineLimits(model);
        if (within) {
            ++untouched;
            EXPECT_FALSE(report.Changed()) << report.lines.front();
            EXPECT_EQ(Format3do(model, "x.3do"), text);
        } else {
            // What was not within the limits is now.
            EXPECT_TRUE(report.Changed());
            EXPECT_TRUE(Breaches(model).empty());
            EXPECT_TRUE(CheckFaceShapes(model).empty());
        }
    }
    EXPECT_GT(untouched, 0);
}
