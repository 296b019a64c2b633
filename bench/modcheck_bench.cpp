// The check of a whole mod: 1,000 models made from the sample walker, each with its
// puppet and a 256 x 256 material of four mipmap levels, the walker's keyframes and a
// level whose templates pair each model with its puppet, all in one archive of about
// 100 MB. The check reads the archive's items on demand on every core; the peak resident
// memory of the process is reported beside the time.
// ORVANE_BENCH_KEEP=1 keeps the mod (its path goes to standard error), for timing the
// command line on it.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "formats/samplemodel.h"
#include "model/fileio.h"
#include "resources/archive.h"
#include "resources/material.h"
#include "resources/modcheck.h"
#include "resources/sample.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

constexpr int kModels = 1000;

const fs::path kDir = fs::temp_directory_path() / ("orvane-modcheck-bench-" + std::to_string(getpid()));

// A 256 x 256 texture MAT with its three smaller levels.
std::vector<uint8_t> MipmappedMat(uint8_t index)
{
    MaterialImage image;
    image.width = image.height = image.stride = 256;
    image.celCount = 1;
    image.pixels.assign(256 * 256, index);
    std::vector<uint8_t> mat = MakeMat(image);
    mat[kMatHeadSize + kMatTextureRecordSize + 20] = 4;  // the texture head's mipmap count
    for (int size = 128; size >= 32; size /= 2)
        mat.insert(mat.end(), static_cast<std::size_t>(size * size), index);
    return mat;
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    if (const std::size_t at = text.find(from); at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

struct Mod {
    fs::path archive = kDir / "mod.gob";
    uint64_t bytes = 0;

    Mod()
    {
        const fs::path src = kDir / "src";
        fs::create_directories(src);
        std::vector<ArchiveSourceItem> items;
        auto add = [&](const std::string& name, const std::string& folder, std::string_view data) {
            const fs::path file = src / name;
            if (!WriteFileAtomic(file, data))
                std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
            items.push_back({folder + name, file, data.size(), {}});
            bytes += data.size();
        };
        std::string walker, pup, level = "SECTION: TEMPLATES\r\nWorld templates 1000\r\n";
        for (const SampleFile& f : MakeSampleModelFiles()) {
            if (f.fileName == "walker.3do")
                walker = f.text;
            else if (f.fileName == "walker.pup")
                pup = f.text;
            else
                add(f.fileName, "3do\\key\\", f.text);
        }
        for (const SampleMaterial& m : MakeSampleMaterials())
            if (walker.find(m.name) != std::string::npos)
                add(m.name, "3do\\mat\\",
                    std::string_view(reinterpret_cast<const char*>(m.bytes.data()), m.bytes.size()));
        const auto cmp = MakeSampleColormap();
        add("dflt.cmp", "misc\\cmp\\", std::string_view(reinterpret_cast<const char*>(cmp.data()), cmp.size()));
        for (int i = 0; i < kModels; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "w%04d", i);
            const std::string n = name;
            add(n + ".3do", "3do\\", Replace(walker, "bricks.mat", n + ".mat"));
            add(n + ".pup", "misc\\pup\\", pup);
            const auto mat = MipmappedMat(static_cast<uint8_t>(i));
            add(n + ".mat", "3do\\mat\\", std::string_view(reinterpret_cast<const char*>(mat.data()), mat.size()));
            level += n + " none type=actor model3d=" + n + ".3do puppet=" + n + ".pup\r\n";
        }
        add("level.jkl", "jkl\\", level + "end\r\n");
        if (!WriteArchiveFromSources(archive, items))
            std::fprintf(stderr, "cannot write %s\n", archive.string().c_str());
        fs::remove_all(src);
    }
    ~Mod()
    {
        const char* keep = std::getenv("ORVANE_BENCH_KEEP");
        if (keep && *keep && std::string(keep) != "0") {
            std::fprintf(stderr, "the mod is kept: %s\n", archive.string().c_str());
            return;
        }
        std::error_code ec;
        fs::remove_all(kDir, ec);
    }
};

Mod& TheMod()
{
    static Mod mod;
    return mod;
}

void BM_CheckModOf1000ModelsIn100MBArchive(benchmark::State& state)
{
    const Mod& mod = TheMod();
    ModCheckOptions options;
    options.mod = {mod.archive};
    std::size_t findings = 0, files = 0;
    for (auto _ : state) {
        const auto report = CheckMod(options);
        if (!report) {
            state.SkipWithError(report.error().c_str());
            return;
        }
        findings = report->findings.size();
        files = report->files;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["files"] = static_cast<double>(files);
    state.counters["findings"] = static_cast<double>(findings);
    state.counters["archive_MB"] = static_cast<double>(mod.bytes) / 1e6;
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_CheckModOf1000ModelsIn100MBArchive)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
