// Working with mods: resolving a model's materials through the search path, the
// engine-limit check, packaging a folder tree into an archive (against cp -r of the
// tree) and the part of an automatic backup the window waits for (the snapshot).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "formats/projectfile.h"
#include "model/limits.h"
#include "resources/archive.h"
#include "resources/catalog.h"
#include "resources/filemanager.h"
#include "resources/searchpath.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

const fs::path kDir = fs::temp_directory_path() / ("orvane-mods-bench-" + std::to_string(getpid()));

struct Cleanup {
    Cleanup() { fs::create_directories(kDir); }
    ~Cleanup()
    {
        std::error_code ec;
        fs::remove_all(kDir, ec);
    }
} cleanup;

// A 64 x 64 texture MAT of one cel filled with index.
std::vector<uint8_t> Mat(uint8_t index)
{
    MaterialImage image;
    image.width = image.height = 64;
    image.stride = 64;
    image.celCount = 1;
    image.pixels.assign(64 * 64, index);
    return MakeMat(image);
}

// The game's archive (colormap, a few stock materials) and ten extra archives of 5,000
// records each, a fifth of them materials; the model's 200 materials lie in the extras,
// the last ones in the last archive, so every lookup passes the earlier ones.
struct SearchSetup {
    fs::path game = kDir / "res2.gob";
    std::vector<std::string> extras;
    std::vector<std::string> materials;

    SearchSetup()
    {
        std::vector<uint8_t> cmp(kColormapDataSize, 0);
        if (!WriteArchive(game, {{"misc\\cmp\\01redmap.cmp", cmp}, {"3do\\mat\\dflt.mat", Mat(1)}}))
            std::fprintf(stderr, "cannot write %s\n", game.string().c_str());
        for (int a = 0; a < 10; ++a) {
            std::vector<ArchiveEntryData> entries(5000);
            for (int i = 0; i < 5000; ++i) {
                char name[64];
                if (i % 5 == 0)
                    std::snprintf(name, sizeof name, "mat\\a%02dm%04d.mat", a, i);
                else
                    std::snprintf(name, sizeof name, "cog\\a%02dx%04d.cog", a, i);
                entries[static_cast<std::size_t>(i)].name = name;
                entries[static_cast<std::size_t>(i)].data =
                    i % 5 == 0 && i < 100 ? Mat(static_cast<uint8_t>(i)) : std::vector<uint8_t>{1, 2, 3};
            }
            const fs::path p = kDir / ("extra" + std::to_string(a) + ".gob");
            if (!WriteArchive(p, entries))
                std::fprintf(stderr, "cannot write %s\n", p.string().c_str());
            extras.push_back(p.string());
            // 20 materials of this archive are the model's.
            for (int i = 0; i < 100; i += 5) {
                char name[32];
                std::snprintf(name, sizeof name, "A%02dM%04d.MAT", a, i);
                materials.push_back(name);
            }
        }
    }
};

SearchSetup& Search()
{
    static SearchSetup setup;
    return setup;
}

void BM_IndexTenArchivesOf5000Records(benchmark::State& state)
{
    SearchSetup& s = Search();
    for (auto _ : state) {
        ResourceSearchPath path;
        benchmark::DoNotOptimize(path.Set(s.extras));
    }
}

// What a view's preparation does per material: find it and convert it through the
// colormap (read once), for the 200 materials of a model.
void BM_Resolve200MaterialsThroughTheSearchPath(benchmark::State& state)
{
    SearchSetup& s = Search();
    ResourceCatalog catalog;
    if (!LoadCatalog(s.game, catalog))
        state.SkipWithError("no catalogue");
    ResourceSearchPath path;
    if (!path.Set(s.extras).empty())
        state.SkipWithError("extras not indexed");
    ResourceSources sources;
    sources.catalog = &catalog;
    sources.resourceFile = s.game;
    sources.searchPath = &path;
    sources.modFolders = IndexMod(kDir / "mod" / "3do" / "x.3do");
    for (auto _ : state) {
        ColormapCache colormaps;
        int found = 0;
        for (const std::string& m : s.materials)
            found += ResolveMaterialImage(sources, m, "01redmap.cmp", &colormaps).ok();
        if (found != 200)
            state.SkipWithError("a material was not found");
    }
    state.counters["materials"] = 200;
}

// 100,000 faces in ten meshes, each mesh past every per-mesh limit.
void BM_CheckEngineLimits100kFaces(benchmark::State& state)
{
    CModel model;
    model.geosets.push_back(CGeometry());
    model.materials = {"a.mat"};
    for (int k = 0; k < 10; ++k) {
        CMesh mesh;
        mesh.name = "mesh" + std::to_string(k);
        mesh.vertices.resize(10201);
        mesh.textureVertices.resize(10201);
        for (int f = 0; f < 10000; ++f) {
            CFace face;
            face.material = 0;
            face.vertexIndices = {f, f + 1, f + 102, f + 101};
            mesh.faces.push_back(std::move(face));
        }
        model.geosets[0].meshes.push_back(std::move(mesh));
        C3doNode node;
        node.mesh = k;
        model.nodes.push_back(std::move(node));
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(CheckEngineLimits(model));
    state.counters["breaches"] = static_cast<double>(CheckEngineLimits(model).size());
}

// A mod's folder tree: 3,500 files, 110 MB, in 35 folders.
const fs::path& ModTree()
{
    static const fs::path tree = [] {
        const fs::path root = kDir / "tree";
        const std::size_t each = (110u << 20) / 3500;
        const std::string bytes(each, 'x');
        for (int d = 0; d < 35; ++d) {
            const fs::path folder = root / (d % 2 ? "3do" : "mat") / ("set" + std::to_string(d));
            fs::create_directories(folder);
            for (int i = 0; i < 100; ++i)
                std::ofstream(folder / ("f" + std::to_string(i) + ".dat"), std::ios::binary) << bytes;
        }
        return root;
    }();
    return tree;
}

void BM_GobCreateFrom3500Files110MB(benchmark::State& state)
{
    const fs::path tree = ModTree();
    const fs::path out = kDir / "mod.gob";
    for (auto _ : state) {
        const auto items = CollectFolderTree(tree, false);
        if (!items || !WriteArchiveFromSources(out, *items))
            state.SkipWithError("gob create failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(out)));
    fs::remove(out);
}

void BM_CpROf3500Files110MB(benchmark::State& state)
{
    const fs::path tree = ModTree();
    const fs::path copy = kDir / "copy";
    const std::string command = "cp -r '" + tree.string() + "' '" + copy.string() + "'";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(copy);
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cp -r failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (110 << 20));
    fs::remove_all(copy);
}

// The window's part of a backup of a 100,000-face model: the project file's bytes.
// Writing them is the backup thread's.
void BM_BackupSnapshot100kFaces(benchmark::State& state)
{
    CModel model;
    model.materials = {"grid.mat"};
    model.geosets.push_back(CGeometry());
    for (int k = 0; k < 10; ++k) {
        CMesh mesh;
        for (int j = k * 25; j < (k + 1) * 25; ++j)
            for (int i = 0; i < 400; ++i) {
                CFace f;
                f.material = 0;
                auto corner = [](int x, int y) {
                    VertexRecord r;
                    r.x = static_cast<float>(x) * 0.01f;
                    r.z = static_cast<float>(y) * 0.01f;
                    r.u = static_cast<float>(x % 16) * 4.0f;  // texels of a 64 x 64 texture
                    r.v = static_cast<float>(y % 16) * 4.0f;
                    return r;
                };
                f.corners = {corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1)};
                mesh.faces.push_back(std::move(f));
            }
        model.geosets[0].meshes.push_back(std::move(mesh));
        C3doNode node;
        node.mesh = k;
        model.nodes.push_back(std::move(node));
    }
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = SaveProject(model, CameraState{}).size();
    state.counters["MB"] = static_cast<double>(bytes) / (1 << 20);
}

}  // namespace

BENCHMARK(BM_IndexTenArchivesOf5000Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resolve200MaterialsThroughTheSearchPath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckEngineLimits100kFaces)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GobCreateFrom3500Files110MB)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_CpROf3500Files110MB)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_BackupSnapshot100kFaces)->Unit(benchmark::kMillisecond);
