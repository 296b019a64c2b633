// Animations of other 3D tools (glTF, FBX, Collada and whatever else Assimp reads) as a
// KEY keyframe of a model: the file's animated nodes matched to the model's nodes by
// name, sampled at the keyframe's rate and kept only where the game's interpolation
// needs an entry.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/result.h"
#include "document/document.h"
#include "document/edit_context.h"
#include "interchange/interchange.h"
#include "model/keyframe.h"
#include "model/model.h"

namespace orv {

// The game's own keyframes run at 15 frames per second.
inline constexpr float kDefaultKeyFps = 15.0f;
inline constexpr float kMinKeyFps = 1.0f;
inline constexpr float kMaxKeyFps = 240.0f;
// An entry is left out where the interpolation from its neighbours reproduces the motion
// this closely (model units; degrees between the rotations).
inline constexpr double kKeyPositionTolerance = 0.0001;
inline constexpr double kKeyAngleTolerance = 0.01;

struct AnimationImportOptions {
    std::string animation;  // the animation's name; empty: the file's first
    float fps = kDefaultKeyFps;
    // How the file is read (time limit, scale of its lengths).
    ImportOptions read;
};

struct AnimationImportReport {
    // Flags 0, type 0xFFFF, the frames and rate sampled, joints = the model's node
    // count, one key node per animated model node in the model's order; deltas computed.
    CKeyframe keyframe;
    std::string animation;               // the name of the animation taken
    std::vector<std::string> unmatched;  // animated names of the file no model node has
    std::vector<std::string> notes;      // what else was decided, one line each
    std::size_t animatedNodes = 0;
    std::size_t entries = 0;  // entries written, over all key nodes
};

// The names of the file's animations in its order (empty: it has none).
Result<std::vector<std::string>> AnimationNames(const std::filesystem::path& path, const ImportOptions& options);

// Reads the file in a child process and builds the keyframe for model (which is not
// changed). Fails, in words about the file, when it holds no animation, has none of the
// name asked for (the names it has are listed), animates no node of the model, has a key
// that is not a number or a time span that would need more poses than playback keeps,
// or when the rate is outside kMinKeyFps .. kMaxKeyFps.
Result<AnimationImportReport> ImportAnimation(const CModel& model, const std::filesystem::path& path,
                                              const AnimationImportOptions& options);

// The same from bytes; hint is the file's extension without its dot ("gltf").
Result<AnimationImportReport> ImportAnimationFromMemory(const CModel& model, std::span<const uint8_t> bytes,
                                                        const std::string& hint, const AnimationImportOptions& options);

// The KEY text of an imported keyframe written to path (whole or not at all, CR LF),
// with JOINTS the model's node count.
Status WriteImportedKeyframe(const CModel& model, const CKeyframe& keyframe, const std::filesystem::path& path);

// ---- into an open document -------------------------------------------------------------

// The name an imported keyframe gets beside the document: the animated file's name in
// lower case with ".key" for its extension, "_2", "_3", ... put before it while a file of
// that name is there already or the catalogue has a stock keyframe of it.
std::string ImportedKeyframeName(const COrvaneDoc& doc, const std::filesystem::path& animated);

// Writes the keyframe beside the document under name and makes it the model's current
// keyframe (frame count and frame time from it; in animate mode and the animating view
// its poses are built at frame 0): one undo step through COrvaneDoc::Run. Refused, with nothing written and
// nothing changed, for a document without a folder of its own or a write that fails.
// A sub-mode of the puppet is not changed: Tools > Animation Sequence assigns the file.
EditOutcome PlayImportedKeyframe(EditContext& c, const CKeyframe& keyframe, const std::string& name);

}  // namespace orv
