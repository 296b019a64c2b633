// Making levels of detail for a model of 100,000 triangles spread over 200 meshes within
// the engine's limits (as a model fitted to the engine has them): three lower sets.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

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

}  // namespace
