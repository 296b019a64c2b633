// The game's KEY keyframe animation files: reader, writer, per-frame deltas and the rule
// that decides whether a keyframe may be saved.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "formats/textbuffer.h"
#include "model/keyframe.h"

namespace orv {

class CModel;

// A keyframe as read, and what its text lacked.
struct KeyframeRead {
    CKeyframe keyframe;
    ReadStatus status;
};

// Parses a KEY text. Sets the model's frame count and frame time (1 / FPS) from the
// header. Besides the header and the nodes it keeps the rows of a "SECTION: MARKERS"
// (the animation's event markers). A missing keyword ends the read and gives what was
// read. The caller makes the keyframe the model's.
// The status is complete when the text held a KEYFRAME NODES section with as many nodes
// and entries as counted; otherwise missing names the first shortfall ("2 of 25 nodes
// read; node 2 (torso) has 3 of 9 entries").
KeyframeRead ReadKey(CModel& model, TextBuffer& buffer);

// Reads the file, naming the keyframe after it; fails when the file cannot be read or
// holds no KEY section. A file that ends early gives what could be read, and the status
// says what is missing.
Result<KeyframeRead> LoadKeyFile(const std::filesystem::path& path, CModel& model);

// The KEY text of the keyframe, CR LF line ends, headed with headerPath. JOINTS is
// given by the caller: the model's node count when a model is open.
std::string FormatKey(const CKeyframe& keyframe, int32_t joints, const std::string& headerPath);

// Writes the model's current keyframe with JOINTS = the model's node count. Fails when
// the model has no keyframe or the file cannot be written.
Status WriteKey(const CModel& model, const std::filesystem::path& path);

// Recomputes every entry's per-frame deltas towards the next entry of its node (the last
// entry pairs with the first), with the 180-degree wrap rules.
void ComputeKeyDeltas(CKeyframe& keyframe);
void ComputeKeyDeltas(CModel& model);

// Whether the keyframe may be saved; the failure is the message that stops the save
// ("Cannot save keyfile, since node ..."). Whether it is a stock keyframe is the
// caller's question.
Status CheckKeyframeSavable(const CKeyframe& keyframe);

// The save rule: refused with CheckKeyframeSavable's message when the keyframe may not be
// saved, otherwise computes the deltas and writes the model's keyframe to path.
Status SaveKeyframe(CModel& model, const std::filesystem::path& path);

// Replaces the model's keyframe with an empty one (flags 0, type 0xFFFF, 0 frames,
// 15 fps, the given name) and writes it to path.
Status CreateEmptyKeyframe(CModel& model, const std::string& name, const std::filesystem::path& path);

}  // namespace orv
