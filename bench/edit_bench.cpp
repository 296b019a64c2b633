// Edit commands as the view runs them, each with its undo snapshot: a nudge of a face on
// a 100,000-face model (one mesh, or the same spread over 200 meshes) and on the sample
// walker, and building a 50-sided, 100-ring dome.
#include <benchmark/benchmark.h>

#include "document/document.h"
#include "edit/primitives.h"
#include "edit/transform.h"
#include "formats/samplemodel.h"

using namespace orv;

namespace {

constexpr int kQuads = 100000;

// A flat grid of quads sharing their corners, cut into the given number of meshes, each
// placed by a node of its own.
std::unique_ptr<CModel> MakeGrid(int meshes)
{
    auto model = std::make_unique<CModel>();
    model->geosets.push_back(std::make_unique<CGeometry>());
    const int perMesh = kQuads / meshes;
    constexpr int kRow = 250;
    for (int k = 0; k < meshes; ++k) {
        auto mesh = std::make_unique<CMesh>();
        for (int q = 0; q < perMesh; ++q) {
            const int i = q % kRow, j = q / kRow;
            auto f = std::make_unique<CFace>();
            f->textureWidth = f->textureHeight = 1;
            auto corner = [k](int x, int y) {
                VertexRecord r;
                r.x = static_cast<float>(x) * 0.01f;
                r.z = static_cast<float>(y) * 0.01f;
                r.y = static_cast<float>(k);
                return r;
            };
            f->corners = {corner(i, j), corner(i, j + 1), corner(i + 1, j + 1), corner(i + 1, j)};
            f->ComputeFaceNormal();
            mesh->faces.push_back(std::move(f));
        }
        model->geosets[0]->meshes.push_back(std::move(mesh));
        auto node = std::make_unique<C3doNode>();
        node->mesh = k;
        node->sibling = k + 1 < meshes ? k + 1 : -1;
        model->nodes.push_back(std::move(node));
    }
    model->RebuildHierarchy();
    return model;
}

// One move step of a face in the middle of the first mesh, snapshot first, as the
// command runs it; the steps go up and down so the model stays the same size.
void Nudge(benchmark::State& state, std::unique_ptr<CModel> model, bool rotate)
{
    Settings settings;
    COrvaneDoc doc(settings, {});
    doc.model = std::move(model);
    Selection selection;
    selection.currentMesh = 0;
    selection.currentFace = static_cast<int32_t>(doc.model->MeshAt(0)->faces.size() / 2);
    float sign = 1.0f;
    for (auto _ : state) {
        doc.TakeSnapshot();
        ViewContext c{*doc.model, doc.modes, settings, &selection, nullptr};
        benchmark::DoNotOptimize(rotate ? RotateSelection(c, 1, sign * 6.0f) : MoveSelection(c, 1, sign * 0.005f));
        sign = -sign;
    }
}

void BM_MoveFaceLargeOneMesh(benchmark::State& state) { Nudge(state, MakeGrid(1), false); }
void BM_MoveFaceLarge200Meshes(benchmark::State& state) { Nudge(state, MakeGrid(200), false); }
void BM_RotateFaceLargeOneMesh(benchmark::State& state) { Nudge(state, MakeGrid(1), true); }
void BM_MoveFaceWalker(benchmark::State& state) { Nudge(state, MakeSampleModel(), false); }
void BM_RotateFaceWalker(benchmark::State& state) { Nudge(state, MakeSampleModel(), true); }

void BM_CreateDome50x100(benchmark::State& state)
{
    CModel model;
    model.geosets.push_back(std::make_unique<CGeometry>());
    model.geosets[0]->meshes.push_back(std::make_unique<CMesh>());
    CMesh& mesh = *model.geosets[0]->meshes[0];
    DomeSize size;
    size.sides = 50;
    size.rings = 100;
    const CameraFrame frame{{0, 0, 0}, {0, 0, 1}, {0, 1, 0}};
    for (auto _ : state) {
        mesh.faces.clear();
        BuildDome(model, mesh, Matrix4::Identity(), frame, size, {"Dome", ""});
        benchmark::DoNotOptimize(mesh.faces.size());
    }
}

}  // namespace

BENCHMARK(BM_MoveFaceLargeOneMesh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveFaceLarge200Meshes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateFaceLargeOneMesh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveFaceWalker)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RotateFaceWalker)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CreateDome50x100)->Unit(benchmark::kMillisecond);
