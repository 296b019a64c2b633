// Keyframe playback: the poses of the hierarchy nodes built from the current keyframe's
// entries, the playing clock, and the commands that enter the animation (the animating
// view, animate mode) and step it frame by frame.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "edit/view_commands.h"
#include "model/model.h"
#include "model/pose.h"

namespace orv {

// The most node poses one keyframe may ask for (its frames times the nodes it animates):
// 2^20 matrices, 64 MiB. A real keyframe needs far fewer (64 nodes for 16,384 frames);
// a damaged or hostile file ("FRAMES 2000000000", entries at frames in the billions) is
// refused before anything is made, instead of exhausting memory or time.
inline constexpr int64_t kMaxAnimationPoses = int64_t{1} << 20;

// How many poses BuildAnimationPoses would make, counted without making them. Counts
// past kMaxAnimationPoses may stop early (the result is then only known to be larger).
int64_t AnimationPoseCount(const CModel& model);

// Puts every node back to its base pose (RebuildHierarchy), then gives every node named
// like a key node of the current keyframe (without regard to case; several nodes of one
// name alike) one pose per frame: each entry's own pose, then its values stepped by its
// deltas until the next entry's frame (the model's frame count after the last entry).
// The current frame becomes 0. A keyframe that needs more than kMaxAnimationPoses poses
// is refused with a message; the nodes then keep their base poses.
Status BuildAnimationPoses(CModel& model);

// The poses built again (BuildAnimationPoses) with the animation at `frame`, kept within
// 0 .. frame count - 1: what an undo, a keyframe edit or an animation dialog leaves, so
// that an animation goes on where it was. A keyframe that cannot be played leaves the
// base poses at frame 0, and says why.
Status RestoreAnimationAt(CModel& model, int32_t frame);

// "Animating View": needs a keyframe. Shows the model from the front in render mode 0 or
// 1 with no current mesh, face or node, builds the poses and plays them; refused (nothing
// changes) when the poses cannot be built.
const char* WhyNotStartAnimatingView(const EditContext& c);  // why not, for the status bar
EditOutcome StartAnimatingView(EditContext& c);

// "Animate Mode" (mesh mode with a keyframe): toggles the mode, the grid off, the model
// from the front, the poses built again at frame 0. Switching on is refused when the
// poses cannot be built.
EditOutcome SwitchAnimateMode(EditContext& c);

// "Next Frame" and "Previous Frame" in animate mode, within 0 .. frame count - 1. The
// WhyNot functions say why one is disabled (nullptr: it is enabled).
const char* WhyNotNextFrame(const EditContext& c);
const char* WhyNotPreviousFrame(const EditContext& c);
EditOutcome NextFrame(EditContext& c);
EditOutcome PreviousFrame(EditContext& c);

}  // namespace orv
