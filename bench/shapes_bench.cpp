// Models of the shapes hostile files take, at the sizes users tried: a chain 80,000 nodes
// deep exported to OBJ, 8,000 nodes sharing one mesh imported from glTF, 8,000 meshes of
// one name fitted, 50,000 sibling nodes each placing a mesh of its own read from a 3DO.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "edit/fit.h"
#include "formats/model3do.h"
#include "interchange/interchange.h"
#include "large_model.h"
#include "model/corners.h"
#include "model/radius.h"

using namespace orv;
using namespace orv::bench;
namespace fs = std::filesystem;

namespace {

fs::path TempFile(const std::string& name)
{
    return fs::temp_directory_path() / ("orvane-bench-" + std::to_string(::getpid()) + "-" + name);
}

void BM_ExportObjChain80k(benchmark::State& state)
{
    const auto model = MakeChainModel(80000);
    BuildFaceCorners(*model);
    const fs::path out = TempFile("chain.obj");
    for (auto _ : state)
        if (const auto exported = ExportModel(*model, out, {}); !exported) {
            state.SkipWithError(exported.error().c_str());
            break;
        }
    fs::remove(out);
    fs::remove(TempFile("chain.mtl"));
}
BENCHMARK(BM_ExportObjChain80k)->Unit(benchmark::kMillisecond);

void BM_ImportGlbSharedMesh8k(benchmark::State& state)
{
    const fs::path glb = TempFile("shared.glb");
    const auto model = MakeWideModel(8000, true);
    BuildFaceCorners(*model);  // as reading a file does: the export writes the corners
    if (!ExportModel(*model, glb, {})) {
        state.SkipWithError("cannot export the model");
        return;
    }
    std::size_t meshes = 0;
    for (auto _ : state) {
        const auto imported = ImportModel(glb, {});
        if (!imported) {
            state.SkipWithError(imported.error().c_str());
            break;
        }
        meshes = imported->model->geosets[0].meshes.size();
    }
    state.counters["meshes"] = static_cast<double>(meshes);
    fs::remove(glb);
}
// Assimp reads in a child process: only the wall clock sees its time.
BENCHMARK(BM_ImportGlbSharedMesh8k)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FitNamesakes8k(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto model = MakeWideModel(8000, false);
        state.ResumeTiming();
        benchmark::DoNotOptimize(FitToEngineLimits(*model).Changed());
    }
}
BENCHMARK(BM_FitNamesakes8k)->Unit(benchmark::kMillisecond);

// Reading builds every face's corners and measures the radii, as opening does.
void BM_Read3doWide50k(benchmark::State& state)
{
    const fs::path path = TempFile("wide.3do");
    if (!Write3do(*MakeWideModel(50000, false), path)) {
        state.SkipWithError("cannot write the model");
        return;
    }
    for (auto _ : state) {
        CModel model;
        if (!Load3doFile(path, model)) {
            state.SkipWithError("cannot read the model");
            break;
        }
        UpdateRadii(model);
    }
    fs::remove(path);
}
BENCHMARK(BM_Read3doWide50k)->Unit(benchmark::kMillisecond);

}  // namespace
