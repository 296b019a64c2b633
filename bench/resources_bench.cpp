// Archive rewrites against a plain file copy, and building the resource catalogue.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "resources/archive.h"
#include "resources/catalog.h"
#include "resources/filemanager.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

const fs::path kBenchDir = fs::temp_directory_path() / ("orvane-bench-" + std::to_string(getpid()));

// Removes the folder when the program ends (destroyed before kBenchDir).
struct Cleanup {
    Cleanup() { fs::create_directories(kBenchDir); }
    ~Cleanup()
    {
        std::error_code ec;
        fs::remove_all(kBenchDir, ec);
    }
} cleanup;

const fs::path& BenchDir() { return kBenchDir; }

// 5,000 records holding 100 MB, spread over directories as a game archive is.
const fs::path& BigArchive()
{
    static const fs::path path = [] {
        const fs::path p = BenchDir() / "big.gob";
        const std::size_t count = 5000, each = (100u << 20) / count;
        const char* dirs[] = {"3do\\", "3do\\mat\\", "3do\\key\\", "cog\\", "jkl\\", "misc\\snd\\", "voiceuu\\"};
        std::vector<ArchiveEntryData> entries(count);
        for (std::size_t i = 0; i < count; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "%sitem%04zu.dat", dirs[i * 7 / count], i);
            entries[i].name = name;
            entries[i].data.assign(each, static_cast<uint8_t>(i));
        }
        // The benchmarks that read it then fail on the missing file.
        if (const Status written = WriteArchive(p, entries); !written)
            std::fprintf(stderr, "cannot make %s: %s\n", p.string().c_str(), written.error().c_str());
        return p;
    }();
    return path;
}

void BM_AddOneFileTo100MBArchive(benchmark::State& state)
{
    const fs::path src = BigArchive();
    const fs::path work = BenchDir() / "work.gob";
    fs::copy_file(src, work, fs::copy_options::overwrite_existing);
    const fs::path file = BenchDir() / "door.cog";
    std::ofstream(file) << std::string(20000, 'c');
    AddFileOptions opts;
    opts.onDuplicate = DuplicatePolicy::Replace;  // every round leaves the archive the same size
    for (auto _ : state) {
        if (const auto added = AddFileToArchive(work, file, opts); !added)
            state.SkipWithError(added.error().c_str());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(work)));
    fs::remove(work);
}

// What `gob add ARCHIVE F1 ... F1000` does: read 1,000 small files, then one rewrite of
// the 100 MB archive. Compare with BM_CopyFile100MB (one copy of the archive).
void BM_AddThousandFilesTo100MBArchive(benchmark::State& state)
{
    const fs::path src = BigArchive();
    const fs::path work = BenchDir() / "work1000.gob";
    const fs::path files = BenchDir() / "files";
    fs::create_directories(files);
    const char* extensions[] = {".cog", ".mat", ".3do", ".key", ".wav", ".txt"};
    std::vector<fs::path> paths;
    for (int i = 0; i < 1000; ++i) {
        paths.push_back(files / ("f" + std::to_string(i) + extensions[i % 6]));
        std::ofstream(paths.back(), std::ios::binary) << std::string(2000 + i, 'x');
    }
    AddFileOptions opts;
    opts.onDuplicate = DuplicatePolicy::Replace;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(src, work, fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        std::vector<ArchiveEntryData> entries;
        entries.reserve(paths.size());
        for (const auto& path : paths) {
            auto entry = PrepareArchiveFile(path, nullptr);
            if (!entry)
                state.SkipWithError(entry.error().c_str());
            else
                entries.push_back(std::move(*entry));
        }
        if (const auto added = AddEntriesToArchive(work, std::move(entries), opts); !added)
            state.SkipWithError(added.error().c_str());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(work)));
    fs::remove(work);
    fs::remove_all(files);
}

void BM_CopyFile100MB(benchmark::State& state)
{
    const fs::path src = BigArchive();
    const fs::path dst = BenchDir() / "copy.gob";
    for (auto _ : state)
        fs::copy_file(src, dst, fs::copy_options::overwrite_existing);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(src)));
    fs::remove(dst);
}

// The same copy through the streams a rewrite uses.
void BM_StreamCopy100MB(benchmark::State& state)
{
    const fs::path src = BigArchive();
    const fs::path dst = BenchDir() / "copy2.gob";
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        std::ifstream in(src, std::ios::binary);
        std::ofstream out(dst, std::ios::binary | std::ios::trunc);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
            out.write(buffer.data(), in.gcount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(src)));
    fs::remove(dst);
}

void BM_LoadCatalog10000Records(benchmark::State& state)
{
    const fs::path p = BenchDir() / "catalog.gob";
    {
        const char* kinds[] = {"3do\\mat\\m%05u.mat", "3do\\key\\k%05u.key", "misc\\cmp\\c%05u.cmp",
                               "misc\\pup\\p%05u.pup", "cog\\x%05u.cog"};
        std::vector<ArchiveEntryData> entries(10000);
        for (unsigned i = 0; i < entries.size(); ++i) {
            char name[64];
            // Names out of order, as an archive's directory order is not the short-name order.
            std::snprintf(name, sizeof name, kinds[i % 5], (i * 7919u) % 100000u);
            entries[i].name = name;
            entries[i].data = {1};
        }
        if (const Status written = WriteArchive(p, entries); !written)
            state.SkipWithError(written.error().c_str());
    }
    ResourceCatalog catalog;
    for (auto _ : state) {
        if (const auto load = LoadCatalog(p, catalog); !load)
            state.SkipWithError(load.error().c_str());
        benchmark::DoNotOptimize(catalog.materials.Count());
    }
    state.counters["materials"] = static_cast<double>(catalog.materials.Count());
}

}  // namespace

BENCHMARK(BM_AddOneFileTo100MBArchive)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_AddThousandFilesTo100MBArchive)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_CopyFile100MB)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_StreamCopy100MB)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_LoadCatalog10000Records)->Unit(benchmark::kMillisecond);
