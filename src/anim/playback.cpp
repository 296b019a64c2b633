#include "anim/playback.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/text.h"
#include "formats/textbuffer.h"

namespace orv {

namespace {

// The frame the poses of entry e run up to (not included): the next entry's frame, or the
// model's frame count after the last entry. 64-bit, as frame numbers come from files.
int64_t NextFrameOf(const CKeyframeNode& k, std::size_t e, int32_t frameCount)
{
    return e + 1 < k.entries.size() ? int64_t{k.entries[e + 1].frame} : int64_t{frameCount};
}

// Poses of one key node: every entry gives at least its own. Stops counting once past
// the bound.
int64_t PosesOf(const CKeyframeNode& k, int32_t frameCount)
{
    int64_t n = 0;
    for (std::size_t e = 0; e < k.entries.size() && n <= kMaxAnimationPoses; ++e)
        n += std::max<int64_t>(1, NextFrameOf(k, e, frameCount) - k.entries[e].frame);
    return n;
}

std::size_t MatchingNodes(const CModel& model, const CKeyframeNode& k)
{
    return static_cast<std::size_t>(std::count_if(model.nodes.begin(), model.nodes.end(),
                                                  [&](const auto& n) { return EqualNoCase(n.name, k.meshName); }));
}

std::vector<Matrix4> BuildPoses(const CKeyframeNode& k, int32_t frameCount, int64_t count)
{
    std::vector<Matrix4> poses;
    poses.reserve(static_cast<std::size_t>(count));
    for (std::size_t e = 0; e < k.entries.size(); ++e) {
        const CKeyframeEntry& entry = k.entries[e];
        Vec3 p = entry.position, r = entry.rotation;
        poses.push_back(PoseMatrix(r, p));
        const int64_t next = NextFrameOf(k, e, frameCount);
        for (int64_t f = int64_t{entry.frame} + 1; f < next; ++f) {
            p += entry.deltaPosition;
            r += entry.deltaRotation;
            poses.push_back(PoseMatrix(r, p));
        }
    }
    return poses;
}

}  // namespace

int64_t AnimationPoseCount(const CModel& model)
{
    if (!model.keyframe)
        return 0;
    int64_t total = 0;
    for (const auto& k : model.keyframe->nodes) {
        const std::size_t matches = MatchingNodes(model, k);
        if (matches == 0)
            continue;
        // Each count is at most the bound plus one entry's span (below 2^33), times a
        // node count: no overflow before the bound is seen to be passed.
        total += static_cast<int64_t>(matches) * PosesOf(k, model.frameCount);
        if (total > kMaxAnimationPoses)
            break;
    }
    return total;
}

Status BuildAnimationPoses(CModel& model)
{
    model.RebuildHierarchy();
    if (!model.keyframe)
        return {};
    if (AnimationPoseCount(model) > kMaxAnimationPoses)
        return Fail("The keyframe " + model.keyframe->name +
                    " cannot be played: its frames times the nodes it animates come to more than " +
                    std::to_string(kMaxAnimationPoses) + " poses, the most the editor keeps (FRAMES " +
                    std::to_string(model.frameCount) + ").");
    for (const auto& k : model.keyframe->nodes) {
        if (MatchingNodes(model, k) == 0)
            continue;
        std::vector<Matrix4> poses = BuildPoses(k, model.frameCount, PosesOf(k, model.frameCount));
        for (auto& n : model.nodes)
            if (EqualNoCase(n.name, k.meshName))
                n.poses = poses;
    }
    model.currentFrame = 0;
    return {};
}

Status RestoreAnimationAt(CModel& model, int32_t frame)
{
    if (Status built = BuildAnimationPoses(model); !built)
        return built;
    model.currentFrame = std::clamp(frame, 0, std::max(0, model.frameCount - 1));
    return {};
}

const char* WhyNotStartAnimatingView(const EditContext& c)
{
    if (c.model().keyframe)
        return nullptr;
    return PuppetKeyframesMissing(c.model())
               ? "Animating View needs a keyframe: choose one that is found in Tools > Animation Sequence "
                 "(Tools > Check Model lists those that are not)"
               : "Animating View needs a keyframe: choose one in Tools > Animation Sequence";
}

EditOutcome StartAnimatingView(EditContext& c)
{
    if (WhyNotStartAnimatingView(c))
        return EditOutcome::Refused("there is no keyframe to play");
    if (Status built = BuildAnimationPoses(c.model()); !built)
        return EditOutcome::Refused(built.error());
    EnterContinuousView(c, ViewKind::Animating);
    return EditOutcome::Done(kViewStateChanged | kSelectionChanged);
}

EditOutcome SwitchAnimateMode(EditContext& c)
{
    if (WhyNotToggleAnimateMode(c))
        return EditOutcome::Refused("animate mode needs a keyframe");
    const bool on = !c.modes().animateMode;
    Status built = BuildAnimationPoses(c.model());
    if (!built && on)
        return EditOutcome::Refused(built.error());
    return ToggleAnimateMode(c);
}

const char* WhyNotNextFrame(const EditContext& c)
{
    if (!c.modes().animateMode)
        return "Next Frame needs Animate Mode with a keyframe";
    return int64_t{c.model().currentFrame} < int64_t{c.model().frameCount} - 1 ? nullptr : "This is the last frame";
}

const char* WhyNotPreviousFrame(const EditContext& c)
{
    if (!c.modes().animateMode)
        return "Previous Frame needs Animate Mode with a keyframe";
    return c.model().currentFrame >= 1 ? nullptr : "This is the first frame";
}


EditOutcome NextFrame(EditContext& c)
{
    if (WhyNotNextFrame(c))
        return {};
    ++c.model().currentFrame;
    return EditOutcome::Done(kViewStateChanged);
}

EditOutcome PreviousFrame(EditContext& c)
{
    if (WhyNotPreviousFrame(c))
        return {};
    --c.model().currentFrame;
    return EditOutcome::Done(kViewStateChanged);
}

}  // namespace orv
