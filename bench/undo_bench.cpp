// Undo snapshots: taking one and restoring it, for a 100,000-face model and for the
// sample walker, and the memory that a full undo list of the large model holds.
#include <benchmark/benchmark.h>

#include "document/undo.h"
#include "formats/samplemodel.h"
#include "large_model.h"

using namespace orv;
using orv::bench::MakeLargeModel;

namespace {

// One undoable edit's worth of work: the snapshot taken before the edit, and the
// restore that an Undo performs. editedMeshes meshes change between snapshots (every
// mesh for a negative count); the others are as the previous snapshot left them.
void SnapshotAndRestore(benchmark::State& state, std::unique_ptr<CModel> model, int editedMeshes)
{
    ViewState view;
    const TextureSizeFn sizes = [](const std::string&) { return TextureSize{64, 64}; };
    // The model as an undo leaves it: restored once, corners built from its lists.
    model = RestoreSnapshot(*TakeSnapshot(*model, view), *model, view, sizes).value();
    // The snapshot of the edit before this one.
    std::shared_ptr<const ContentImage> before = TakeSnapshot(*model, view)->content;
    auto& meshes = model->geosets[0].meshes;
    const std::size_t edited = editedMeshes < 0 ? meshes.size() : static_cast<std::size_t>(editedMeshes);
    for (auto _ : state) {
        state.PauseTiming();
        for (std::size_t k = 0; k < edited && k < meshes.size(); ++k)
            for (auto& c : meshes[k].faces.front().corners)
                c.x += 0.5f;
        state.ResumeTiming();
        // As the runner does: what the step holds brought up to date, then the step, which
        // shares what did not change with the step before.
        const FacePrints prints = FindFacePrints(*model, before.get());
        PrepareForStep(*model, prints, before.get());
        auto snap = TakeSnapshot(*model, view, before.get(), &prints);
        auto back = RestoreSnapshot(*snap, *model, view, sizes);
        before = snap->content;
        benchmark::DoNotOptimize(back.ok());
    }
    state.counters["faces"] = static_cast<double>(CountFaces(*model));
    state.counters["snapshot_bytes"] = static_cast<double>(ContentBytes(*TakeSnapshot(*model, view)).size());
}

// Arguments: meshes edited since the last snapshot (-1: all; the large model has ten).
void BM_SnapshotRestoreLarge(benchmark::State& state)
{
    SnapshotAndRestore(state, MakeLargeModel(), static_cast<int>(state.range(0)));
}
BENCHMARK(BM_SnapshotRestoreLarge)->Arg(0)->Arg(1)->Arg(-1)->Unit(benchmark::kMillisecond);

void BM_SnapshotRestoreSample(benchmark::State& state)
{
    SnapshotAndRestore(state, MakeSampleModel(), static_cast<int>(state.range(0)));
}
BENCHMARK(BM_SnapshotRestoreSample)->Arg(0)->Arg(1)->Arg(-1)->Unit(benchmark::kMicrosecond);

// A full undo list of the large model: fifty snapshots, each after a small edit.
void BM_FiftySnapshotsLarge(benchmark::State& state)
{
    auto model = MakeLargeModel();
    ViewState view;
    std::size_t held = 0;
    for (auto _ : state) {
        UndoHistory history;
        for (std::size_t i = 0; i < UndoHistory::kDepth; ++i) {
            const FacePrints prints = history.PrepareForStep(*model);
            history.Push(history.Take(*model, view, &prints));
            model->geosets[0].meshes[i % 10].faces.front().corners.front().y += 0.25f;
        }
        held = history.MemoryHeld();
        benchmark::DoNotOptimize(held);
    }
    state.counters["held_MB"] = static_cast<double>(held) / (1024.0 * 1024.0);
    state.counters["per_snapshot_MB"] = static_cast<double>(held) / (1024.0 * 1024.0 * UndoHistory::kDepth);
}
BENCHMARK(BM_FiftySnapshotsLarge)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
