// Fit to the engine's limits of a model imported from a 1,000,000-triangle OBJ: a finely
// divided, slightly uneven grid whose neighbouring triangles are often flat enough to be
// joined, so that every step of the fit has work to do.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "edit/fit.h"
#include "interchange/interchange.h"
#include "model/limits.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

// The largest resident size of this process, or of the largest child it waited for (the
// reader runs in one), in megabytes.
double PeakMegabytes(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void BM_ImportAndFitObj1M(benchmark::State& state)
{
    // 1000 x 500 quads of two triangles each, with texture coordinates.
    constexpr int kX = 1000, kY = 500;
    const fs::path in = fs::temp_directory_path() / ("orvane-bench-" + std::to_string(::getpid()) + "-1m.obj");
    {
        std::ofstream obj(in);
        for (int y = 0; y <= kY; ++y)
            for (int x = 0; x <= kX; ++x)
                obj << "v " << x * 0.01 << " " << 0.0004 * ((x * 7 + y * 3) % 5) << " " << y * 0.01 << "\n"
                    << "vt " << (x % 16) / 16.0 << " " << (y % 16) / 16.0 << "\n";
        for (int y = 0; y < kY; ++y)
            for (int x = 0; x < kX; ++x) {
                const int a = y * (kX + 1) + x + 1, b = a + 1, c = a + kX + 2, d = a + kX + 1;
                obj << "f " << a << "/" << a << " " << d << "/" << d << " " << c << "/" << c << "\n"
                    << "f " << c << "/" << c << " " << b << "/" << b << " " << a << "/" << a << "\n";
            }
        if (!obj) {
            state.SkipWithError("cannot write the OBJ");
            return;
        }
    }
    double fitSeconds = 0.0, fitCpuSeconds = 0.0;
    std::size_t facesIn = 0, facesOut = 0, meshes = 0, breaches = 0;
    for (auto _ : state) {
        ImportOptions options;
        options.readLimit = std::chrono::minutes(10);
        auto imported = ImportModel(in, options);
        if (!imported) {
            state.SkipWithError(imported.error().c_str());
            break;
        }
        CModel& model = *imported->model;
        facesIn = CountFaces(model);
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpuStart = std::clock();
        const FitReport report = FitToEngineLimits(model);
        fitCpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        fitSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(report.lines.data());
        facesOut = CountFaces(model);
        meshes = model.geosets[0].meshes.size();
        breaches = CheckEngineLimits(model).size();
    }
    state.counters["fit_s"] = fitSeconds;
    state.counters["faces_in"] = static_cast<double>(facesIn);
    state.counters["faces_out"] = static_cast<double>(facesOut);
    state.counters["meshes"] = static_cast<double>(meshes);
    state.counters["breaches"] = static_cast<double>(breaches);
    state.counters["fit_cpu_s"] = fitCpuSeconds;
    state.counters["peak_MB"] = PeakMegabytes(RUSAGE_SELF);
    state.counters["reader_peak_MB"] = PeakMegabytes(RUSAGE_CHILDREN);
    fs::remove(in);
}

// Assimp reads in a child process: only the wall clock sees its time.
BENCHMARK(BM_ImportAndFitObj1M)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
