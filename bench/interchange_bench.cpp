// Export of a 100,000-face model to .glb, and import of a 100,000-triangle OBJ.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "interchange/interchange.h"
#include "large_model.h"
#include "model/fileio.h"
#include "resources/sample.h"

using namespace orv;
using orv::bench::MakeLargeModel;
namespace fs = std::filesystem;

namespace {

fs::path TempFile(const std::string& name)
{
    return fs::temp_directory_path() / ("orvane-bench-" + std::to_string(::getpid()) + "-" + name);
}

void BM_ExportGlbLarge(benchmark::State& state)
{
    const auto model = MakeLargeModel();
    MaterialImage image;
    image.width = image.height = 64;
    image.celCount = 1;
    SetImagePalette(image, SamplePalette());
    image.pixels.assign(64 * 64, 0);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = static_cast<uint8_t>(i * 7);
    ExportOptions options;
    options.materialImage = [&image](const std::string&) -> Result<MaterialImage> { return image; };
    const fs::path out = TempFile("large.glb");
    for (auto _ : state)
        benchmark::DoNotOptimize(ExportModel(*model, out, options).ok());
    state.counters["bytes"] = static_cast<double>(fs::file_size(out));
    fs::remove(out);
}
BENCHMARK(BM_ExportGlbLarge)->Unit(benchmark::kMillisecond);

void BM_ImportObjLarge(benchmark::State& state)
{
    // 250 x 200 quads of two triangles each, with texture coordinates.
    constexpr int kX = 250, kY = 200;
    std::ostringstream obj;
    for (int y = 0; y <= kY; ++y)
        for (int x = 0; x <= kX; ++x)
            obj << "v " << x * 0.01 << " " << 0.001 * ((x * 7 + y * 3) % 11) << " " << y * 0.01 << "\n"
                << "vt " << (x % 16) / 16.0 << " " << (y % 16) / 16.0 << "\n";
    for (int y = 0; y < kY; ++y)
        for (int x = 0; x < kX; ++x) {
            const int a = y * (kX + 1) + x + 1, b = a + 1, c = a + kX + 2, d = a + kX + 1;
            obj << "f " << a << "/" << a << " " << d << "/" << d << " " << c << "/" << c << "\n"
                << "f " << a << "/" << a << " " << c << "/" << c << " " << b << "/" << b << "\n";
        }
    const fs::path in = TempFile("large.obj");
    if (!WriteFileAtomic(in, obj.str())) {
        state.SkipWithError("cannot write the OBJ");
        return;
    }
    std::size_t faces = 0;
    for (auto _ : state) {
        auto imported = ImportModel(in, {});
        faces = 0;
        if (imported)
            for (const auto& mesh : imported->model->geosets[0].meshes)
                faces += mesh.faces.size();
    }
    state.counters["faces"] = static_cast<double>(faces);
    fs::remove(in);
}

// Assimp reads in a child process: only the wall clock sees its time.
BENCHMARK(BM_ImportObjLarge)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
