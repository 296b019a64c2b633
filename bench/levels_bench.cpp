// Making levels of detail for a model of 100,000 triangles spread over 200 meshes within
// the engine's limits (as a model fitted to the engine has them): three lower sets. And
// the fit of a 19,800-triangle sphere in one mesh with four sets, as an import with
// --fit --levels 4 does it: the faces of each set are the counters.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <string>

#include "edit/fit.h"
#include "edit/levels.h"
#include "model/model.h"

using namespace orv;

namespace {

constexpr int kMeshes = 200;
constexpr int kColumns = 25;  // quads a row, each cut into two triangles
constexpr int kRows = 10;     // 25 x 10 x 2 = 500 triangles a mesh

// Wavy textured patches side by side, one mesh and node each.
std::unique_ptr<CModel> MakePatches()
{
    auto model = std::make_unique<CModel>();
    model->materials = {"patch.mat"};
    model->geosets.push_back(CGeometry());
    for (int k = 0; k < kMeshes; ++k) {
        CMesh mesh;
        mesh.name = "patch" + std::to_string(k);
        auto corner = [k](int i, int j) {
            VertexRecord r;
            const float x = 0.02f * static_cast<float>(i), y = 0.02f * static_cast<float>(j);
            r.SetPosition({x, y + 0.25f * static_cast<float>(k), 0.03f * std::sin(9.0f * x) * std::cos(7.0f * y)});
            r.u = 2.0f * static_cast<float>(i);
            r.v = 2.0f * static_cast<float>(j);
            r.color = 0x00FFFFFF;
            return r;
        };
        for (int j = 0; j < kRows; ++j)
            for (int i = 0; i < kColumns; ++i)
                for (int half = 0; half < 2; ++half) {
                    CFace f;
                    f.material = 0;
                    f.geometryMode = 4;
                    f.lightingMode = 3;
                    f.textureMode = 1;
                    f.corners = half == 0 ? std::vector{corner(i, j), corner(i + 1, j), corner(i + 1, j + 1)}
                                          : std::vector{corner(i, j), corner(i + 1, j + 1), corner(i, j + 1)};
                    mesh.faces.push_back(std::move(f));
                }
        mesh.RebuildMeshLists();
        model->geosets[0].meshes.push_back(std::move(mesh));
        C3doNode node;
        node.mesh = k;
        node.name = "patch" + std::to_string(k);
        node.sibling = k + 1 < kMeshes ? k + 1 : -1;
        model->nodes.push_back(std::move(node));
    }
    model->RebuildHierarchy();
    return model;
}

void BM_LevelsOfDetail100kTriangles(benchmark::State& state)
{
    const auto source = MakePatches();
    for (auto _ : state) {
        state.PauseTiming();
        CModel model;
        model.materials = source->materials;
        model.geosets.push_back(source->geosets[0]);
        for (const auto& node : source->nodes)
            model.nodes.push_back(C3doNode(node));
        state.ResumeTiming();
        auto report = MakeLevelsOfDetail(model, 4);
        if (!report) {
            state.SkipWithError(report.error().c_str());
            break;
        }
        for (std::size_t g = 0; g < report->facesPerSet.size(); ++g)
            state.counters["faces" + std::to_string(g)] = static_cast<double>(report->facesPerSet[g]);
    }
}
BENCHMARK(BM_LevelsOfDetail100kTriangles)->Unit(benchmark::kMillisecond);

// A textured sphere of 100 rings and 100 segments in triangles, one mesh on one node.
std::unique_ptr<CModel> MakeSphere()
{
    constexpr int kRings = 100, kSegments = 100;
    auto model = std::make_unique<CModel>();
    model->materials = {"ball.mat"};
    model->geosets.emplace_back();
    CMesh& mesh = model->geosets[0].meshes.emplace_back();
    mesh.name = "ball";
    auto corner = [](int i, int j) {
        const double theta = std::numbers::pi * i / kRings, phi = 2.0 * std::numbers::pi * (j % kSegments) / kSegments;
        VertexRecord r;
        r.SetPosition(Vec3(static_cast<float>(std::sin(theta) * std::cos(phi)),
                           static_cast<float>(std::sin(theta) * std::sin(phi)), static_cast<float>(std::cos(theta))));
        r.u = 64.0f * static_cast<float>(j) / kSegments;
        r.v = 64.0f * static_cast<float>(i) / kRings;
        r.color = 0x00FFFFFF;
        return r;
    };
    auto add = [&mesh](std::vector<VertexRecord> corners) {
        CFace& f = mesh.faces.emplace_back();
        f.geometryMode = 4;
        f.lightingMode = 3;
        f.textureMode = 1;
        f.corners = std::move(corners);
        f.ComputeFaceNormal();
    };
    for (int i = 0; i < kRings; ++i)
        for (int j = 0; j < kSegments; ++j) {
            if (i > 0)
                add({corner(i, j), corner(i + 1, j + 1), corner(i, j + 1)});
            if (i + 1 < kRings)
                add({corner(i, j), corner(i + 1, j), corner(i + 1, j + 1)});
        }
    mesh.RebuildMeshLists();
    C3doNode& node = model->nodes.emplace_back();
    node.name = "ball";
    node.mesh = 0;
    model->RebuildHierarchy();
    return model;
}

void BM_FitSphere20kTrianglesWithLevels(benchmark::State& state)
{
    const auto source = MakeSphere();
    std::vector<std::size_t> faces;
    for (auto _ : state) {
        state.PauseTiming();
        CModel model;
        model.materials = source->materials;
        model.geosets = source->geosets;
        model.nodes = source->nodes;
        state.ResumeTiming();
        FitOptions options;
        options.levels = 4;
        const FitReport report = FitToEngineLimits(model, options);
        if (!report.problems.empty()) {
            state.SkipWithError(report.problems[0].c_str());
            break;
        }
        faces.clear();
        for (const auto& set : model.geosets) {
            std::size_t n = 0;
            for (const auto& mesh : set.meshes)
                n += mesh.faces.size();
            faces.push_back(n);
        }
    }
    for (std::size_t g = 0; g < faces.size(); ++g)
        state.counters["faces" + std::to_string(g)] = static_cast<double>(faces[g]);
}
BENCHMARK(BM_FitSphere20kTrianglesWithLevels)->Unit(benchmark::kMillisecond);

}  // namespace
