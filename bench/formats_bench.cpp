// Reading and writing a large 3DO: 100,000 textured quads on one mesh.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "formats/model3do.h"
#include "model/fileio.h"
#include "model/model.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

constexpr int kQuadsX = 400;
constexpr int kQuadsY = 250;

// A gently curved grid; neighbouring quads share their corners, as in a real mesh.
std::unique_ptr<CModel> MakeModel()
{
    auto model = std::make_unique<CModel>();
    model->materials = {"grid.mat"};
    model->geosets.push_back(CGeometry());
    CMesh mesh;
    mesh.name = "grid";
    for (int j = 0; j < kQuadsY; ++j)
        for (int i = 0; i < kQuadsX; ++i) {
            CFace f;
            f.material = 0;
            f.geometryMode = 4;
            f.lightingMode = 3;
            auto corner = [](int x, int y) {
                VertexRecord r;
                r.x = static_cast<float>(x) * 0.01f;
                r.z = static_cast<float>(y) * 0.01f;
                r.y = 0.001f * static_cast<float>((x * 7 + y * 3) % 11);
                r.u = static_cast<float>(x % 16) * 4.0f;
                r.v = static_cast<float>(y % 16) * 4.0f;
                r.SetIntensity(static_cast<float>((x + y) % 4) * 0.25f);
                return r;
            };
            f.corners = {corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1)};
            mesh.faces.push_back(std::move(f));
        }
    model->geosets[0].meshes.push_back(std::move(mesh));
    C3doNode node;
    node.mesh = 0;
    node.name = "grid";
    model->nodes.push_back(std::move(node));
    return model;
}

fs::path BenchFile(const char* name) { return fs::temp_directory_path() / name; }

void BM_Write3do100kFaces(benchmark::State& state)
{
    auto model = MakeModel();
    const fs::path path = BenchFile("orvane-bench-write.3do");
    for (auto _ : state) {
        if (const Status written = Write3do(*model, path); !written)
            state.SkipWithError(written.error().c_str());
    }
    state.counters["faces"] = kQuadsX * kQuadsY;
    state.counters["bytes"] = static_cast<double>(fs::file_size(path));
    fs::remove(path);
}
BENCHMARK(BM_Write3do100kFaces)->Unit(benchmark::kMillisecond);

void BM_Read3do100kFaces(benchmark::State& state)
{
    const fs::path path = BenchFile("orvane-bench-read.3do");
    {
        auto model = MakeModel();
        if (const Status written = Write3do(*model, path); !written) {
            state.SkipWithError(written.error().c_str());
            return;
        }
    }
    std::size_t faces = 0;
    for (auto _ : state) {
        CModel model;
        if (const auto read = Load3doFile(path, model); !read)
            state.SkipWithError(read.error().c_str());
        faces = model.geosets[0].meshes[0].faces.size();
        benchmark::DoNotOptimize(faces);
    }
    state.counters["faces"] = static_cast<double>(faces);
    fs::remove(path);
}
BENCHMARK(BM_Read3do100kFaces)->Unit(benchmark::kMillisecond);

}  // namespace
