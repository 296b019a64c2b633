// Keyframe playback: building the per-frame poses of a 64-node model for a 1,000-frame
// keyframe, as entering the animating view or animate mode does (aim: under 20 ms).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "anim/playback.h"
#include "model/model.h"

using namespace orv;

namespace {

// 64 nodes in one chain of children, each animated by a key node with an entry every
// ten frames.
std::unique_ptr<CModel> AnimatedModel(int nodes, int frames)
{
    auto model = std::make_unique<CModel>();
    model->keyframe = CKeyframe();
    model->keyframe->name = "bench.key";
    model->keyframe->frames = frames;
    model->frameCount = frames;
    model->frameTime = 1.0f / 15.0f;
    for (int n = 0; n < nodes; ++n) {
        C3doNode node;
        node.name = "node" + std::to_string(n);
        node.child = n + 1 < nodes ? n + 1 : -1;
        model->nodes.push_back(std::move(node));
        CKeyframeNode key;
        key.meshName = "NODE" + std::to_string(n);  // names match without regard to case
        for (int f = 0; f < frames; f += 10) {
            CKeyframeEntry e;
            e.num = f / 10;
            e.frame = f;
            e.position = {0.01f * static_cast<float>(n), 0.02f, 0.0f};
            e.rotation = {static_cast<float>(f % 90), 0.0f, static_cast<float>(n)};
            e.deltaPosition = {0.0001f, 0.0f, 0.0f};
            e.deltaRotation = {0.5f, 0.25f, 0.0f};
            key.entries.push_back(std::move(e));
        }
        model->keyframe->nodes.push_back(std::move(key));
    }
    model->RebuildHierarchy();
    return model;
}

void BM_BuildAnimationPoses64Nodes1000Frames(benchmark::State& state)
{
    auto model = AnimatedModel(64, 1000);
    for (auto _ : state) {
        if (!BuildAnimationPoses(*model))
            state.SkipWithError("the poses were refused");
        benchmark::DoNotOptimize(model->nodes.back().poses.data());
    }
    state.counters["poses"] = static_cast<double>(AnimationPoseCount(*model));
}
BENCHMARK(BM_BuildAnimationPoses64Nodes1000Frames)->Unit(benchmark::kMillisecond);

}  // namespace
