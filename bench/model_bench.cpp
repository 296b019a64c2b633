#include <benchmark/benchmark.h>

#include "model/model.h"

using namespace orv;

namespace {

// A grid of quads sharing their corners, as a large real mesh does.
CMesh MakeGrid(int quadsX, int quadsY)
{
    CMesh m;
    for (int j = 0; j < quadsY; ++j)
        for (int i = 0; i < quadsX; ++i) {
            CFace f;
            auto corner = [&](int x, int y) {
                VertexRecord r;
                r.x = static_cast<float>(x) * 0.01f;
                r.y = static_cast<float>(y) * 0.01f;
                r.z = 0.001f * static_cast<float>((x * 7 + y * 3) % 5);
                r.u = static_cast<float>(x % 8) * 8.0f;  // texels of a 64 x 64 texture
                r.v = static_cast<float>(y % 8) * 8.0f;
                return r;
            };
            f.corners = {corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1)};
            m.faces.push_back(std::move(f));
        }
    return m;
}

void BM_RebuildMeshLists100kQuads(benchmark::State& state)
{
    CMesh m = MakeGrid(400, 250);
    for (auto _ : state) {
        m.RebuildMeshLists();
        benchmark::DoNotOptimize(m.vertices.data());
    }
    state.counters["faces"] = static_cast<double>(m.faces.size());
    state.counters["vertices"] = static_cast<double>(m.vertices.size());
}
BENCHMARK(BM_RebuildMeshLists100kQuads)->Unit(benchmark::kMillisecond);

// The same mesh with nothing changed since its last rebuild: the fingerprint alone.
void BM_RebuildMeshLists100kQuadsUnchanged(benchmark::State& state)
{
    CMesh m = MakeGrid(400, 250);
    ModelCaches caches;
    RebuildListsIfChanged(caches, m);
    for (auto _ : state) {
        RebuildListsIfChanged(caches, m);
        benchmark::DoNotOptimize(m.vertices.data());
    }
    state.counters["faces"] = static_cast<double>(m.faces.size());
}
BENCHMARK(BM_RebuildMeshLists100kQuadsUnchanged)->Unit(benchmark::kMillisecond);

}  // namespace
