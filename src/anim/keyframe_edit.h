// Changes to the current keyframe: the animate-mode nudge of move and rotate, and what
// the Animation Frames dialog does, without a window. The dialog works on a copy of the
// keyframe that only "&OK" gives to the model, as one undo step.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/result.h"
#include "document/document.h"
#include "edit/view_commands.h"
#include "model/keyframe.h"

namespace orv {

// The key node that animates a name (without regard to case), or nullptr.
CKeyframeNode* KeyNodeNamed(CKeyframe& keyframe, const std::string& name);
// The entry in effect at a frame: entry k with frame(k) <= frame < frame(k + 1). Only an
// entry that has a successor can be in effect; -1 when none is.
int32_t EntryInEffect(const CKeyframeNode& node, int32_t frame);

// Move (rotate false, step in model units) or rotate (degrees) in animate mode: the entry
// in effect at the current frame of the key node that animates the current mesh (named
// like the node that places it, else like the mesh) takes the step -- a move on x, y or z
// by the axis, a rotation on pitch (X), roll (Y) or yaw (Z). Then the deltas are computed
// again, the keyframe is written back beside the document (also when no entry was in
// effect) and the animation is restored at the same frame. A stock keyframe is not
// changed. Changed when an entry took the step; the message says why nothing was
// changed or written.
struct AnimateNudge {
    int axis = 0;
    float step = 0.0f;
    bool rotate = false;
};
EditOutcome AnimateStep(EditContext& c, const AnimateNudge& p);

// The fields of the Add Entry dialog.
struct EntryFields {
    int32_t frame = 0;
    uint32_t flags = 0;
    Vec3 position;
    Vec3 rotation;
};

class KeyframeEditor {
public:
    // Works on a copy of the model's keyframe (an empty one when it has none).
    explicit KeyframeEditor(const COrvaneDoc& doc);

    const CKeyframe& Keyframe() const { return keyframe_; }
    // A stock keyframe is shown but not changed: every change below does nothing.
    bool Stock() const { return stock_; }

    int32_t currentNode = -1;
    int32_t currentEntry = -1;

    void AddNode(const std::string& meshName);
    // Appends to the node an entry numbered by the node's entry count before it (deltas
    // zero); it becomes the current entry.
    void AddEntry(int32_t node, const EntryFields& fields);
    void EditEntry(int32_t node, int32_t entry, const EntryFields& fields);
    EntryFields FieldsOf(int32_t node, int32_t entry) const;
    void EditHeader(uint32_t flags, uint32_t type, int32_t frames, float fps);
    // Deletes the current entry (the node's last entry becomes current) or, without one,
    // the current node (the last node becomes current). The other entries keep their
    // numbers.
    void DeleteCurrent();

    // The save rule for "&OK": its refusal keeps the dialog open (a stock keyframe, which
    // closes without a save, passes).
    Status Savable() const;
    // "&OK", run through the document as one undo step: a stock keyframe changes nothing.
    // Otherwise the model takes the keyframe with the frame count and frame time of its
    // header, the deltas are computed and the KEY file is written beside the document (a
    // failed write is the message; the model keeps the edits). Changed when the keyframe
    // differs from the model's.
    EditOutcome Commit(EditContext& c);

private:
    CKeyframeNode* Node(int32_t node);
    CKeyframeEntry* Entry(int32_t node, int32_t entry);

    CKeyframe keyframe_;
    bool stock_ = false;
    bool changed_ = false;
};

}  // namespace orv
