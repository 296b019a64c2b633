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

// Parses a KEY text. Sets the model's frame count and frame time (1 / FPS) from the
// header. Besides the header and the nodes it keeps the rows of a "SECTION: MARKERS"
// (the animation's event markers). A missing keyword ends the read and returns what was
// read. Never returns nullptr. The caller makes the result the model's keyframe.
// The status is complete when the text held a KEYFRAME NODES section with as many nodes
// and entries as counted; otherwise missing names the first shortfall ("2 of 25 nodes
// read; node 2 (torso) has 3 of 9 entries").
std::unique_ptr<CKeyframe> ReadKey(CModel& model, TextBuffer& buffer, ReadStatus* status = nullptr);

// Reads the file; nullptr with a reason when it cannot be read or holds no KEY section.
// A file that ends early gives what could be read, and status says what is missing.
std::unique_ptr<CKeyframe> LoadKeyFile(const std::filesystem::path& path, CModel& model, std::string* error = nullptr,
                                       ReadStatus* status = nullptr);

// The KEY text of the keyframe, CR LF line ends, headed with headerPath. JOINTS is
// given by the caller: the model's node count when a model is open.
std::string FormatKey(const CKeyframe& keyframe, int32_t joints, const std::string& headerPath);

// Writes the model's current keyframe with JOINTS = the model's node count. False with a
// reason when the model has no keyframe or the file cannot be written.
bool WriteKey(const CModel& model, const std::filesystem::path& path, std::string* error = nullptr);

// Recomputes every entry's per-frame deltas towards the next entry of its node (the last
// entry pairs with the first), with the 180-degree wrap rules.
void ComputeKeyDeltas(CKeyframe& keyframe);
void ComputeKeyDeltas(CModel& model);

// The message that stops a save ("Cannot save keyfile, since node ..."), or "" when the
// keyframe may be saved. Whether it is a stock keyframe is the caller's question.
std::string KeyframeSaveProblem(const CKeyframe& keyframe);

enum class KeySaveResult { Saved, Refused, Failed };

// The save rule: refuses (message = the text to show) when KeyframeSaveProblem finds one,
// otherwise computes the deltas and writes the model's keyframe to path (Failed with the
// reason in message when writing fails).
KeySaveResult SaveKeyframe(CModel& model, const std::filesystem::path& path, std::string* message);

// Replaces the model's keyframe with an empty one (flags 0, type 0xFFFF, 0 frames,
// 15 fps, the given name) and writes it to path.
bool CreateEmptyKeyframe(CModel& model, const std::string& name, const std::filesystem::path& path,
                         std::string* error = nullptr);

}  // namespace orv
