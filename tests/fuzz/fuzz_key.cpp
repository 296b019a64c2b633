// libFuzzer target: the KEY reader, delta computation, writer and playback on arbitrary
// bytes. What the writer produces must read back with the same nodes, entries and
// markers when it was read whole (a damaged file, FPS 0 say, is written as it was read and
// reads back as damaged again); the poses are built within their bound (or refused) and
// played a while.
#include <cstdint>
#include <string>

#include "anim/playback.h"
#include "formats/keyfile.h"
#include "fuzz_check.h"
#include "model/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    orv::CModel model;
    orv::TextBuffer buffer(Text(data, size));
    auto [keyframe, read] = orv::ReadKey(model, buffer);
    (void)orv::CheckKeyframeSavable(keyframe);
    orv::ComputeKeyDeltas(keyframe);
    const std::string text = orv::FormatKey(keyframe, keyframe.joints, "fuzz.key");

    orv::CModel again;
    orv::TextBuffer written(text);
    auto [back, status] = orv::ReadKey(again, written);
    Require((!read.complete || status.complete) && back.nodes.size() == keyframe.nodes.size() &&
            back.markers.size() == keyframe.markers.size() && back.joints == keyframe.joints);
    for (std::size_t n = 0; n < keyframe.nodes.size(); ++n)
        Require(back.nodes[n].entries.size() == keyframe.nodes[n].entries.size());

    // A model with a node for each of the first key nodes plays the keyframe.
    for (std::size_t n = 0; n < keyframe.nodes.size() && n < 8; ++n) {
        model.nodes.push_back(orv::C3doNode());
        model.nodes.back().name = keyframe.nodes[n].meshName;
    }
    model.keyframe = std::move(keyframe);
    if (orv::BuildAnimationPoses(model)) {
        std::size_t poses = 0;
        for (const auto& n : model.nodes)
            poses += n.poses.size();
        Require(poses <= static_cast<std::size_t>(orv::kMaxAnimationPoses) + model.nodes.size());
        for (int i = 0; i < 64; ++i)
            orv::AdvanceAnimation(model, 0.05f);
    } else {
        Require(orv::AnimationPoseCount(model) > orv::kMaxAnimationPoses);
    }
    return 0;
}
