#include "anim/keyframe_edit.h"

#include "anim/anim_files.h"
#include "anim/playback.h"
#include "base/text.h"
#include "formats/keyfile.h"
#include "formats/textbuffer.h"
#include "view/hierarchy.h"

namespace orv {

namespace {

float& Component(Vec3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

}  // namespace

CKeyframeNode* KeyNodeNamed(CKeyframe& keyframe, const std::string& name)
{
    const std::string lower = ToLowerAscii(name);
    for (auto& n : keyframe.nodes)
        if (ToLowerAscii(n.meshName) == lower)
            return &n;
    return nullptr;
}

int32_t EntryInEffect(const CKeyframeNode& node, int32_t frame)
{
    for (std::size_t k = 0; k + 1 < node.entries.size(); ++k)
        if (node.entries[k].frame <= frame && frame < node.entries[k + 1].frame)
            return static_cast<int32_t>(k);
    return -1;
}

EditOutcome AnimateStep(EditContext& c, const AnimateNudge& p)
{
    CModel& model = c.model();
    const CMesh* mesh = c.selection ? c.selection->CurrentMesh(model) : nullptr;
    if (!c.doc || !model.keyframe || !mesh || p.axis < 0 || p.axis > 2)
        return {};
    if (IsStockKeyframe(*c.doc, model.keyframe->name))
        return EditOutcome::Refused(model.keyframe->name + " is a stock keyframe of the game and is not changed.");
    // Playback poses the nodes by name: the node that places the mesh names its key node.
    const int32_t placing = NodeOfMesh(model, c.selection->currentMesh);
    CKeyframeNode* key =
        placing >= 0 ? KeyNodeNamed(*model.keyframe, model.nodes[static_cast<std::size_t>(placing)].name) : nullptr;
    if (!key)
        key = KeyNodeNamed(*model.keyframe, mesh->name);
    const int32_t frame = model.currentFrame;
    const int32_t entry = key ? EntryInEffect(*key, frame) : -1;
    EditOutcome r = EditOutcome::Done(kViewStateChanged);
    if (entry >= 0) {
        CKeyframeEntry& e = key->entries[static_cast<std::size_t>(entry)];
        // The model holds rotations as (pitch, roll, yaw): X pitch, Y roll, Z yaw.
        Component(p.rotate ? e.rotation : e.position, p.axis) += p.step;
        r.changed = true;
    }
    ComputeKeyDeltas(*model.keyframe);
    if (Status written = WriteDocumentKeyframe(*c.doc); !written)
        r.message = written.error();
    if (Status built = RestoreAnimationAt(model, frame); !built && r.message.empty())
        r.message = built.error();
    return r;
}

// ---- the Animation Frames dialog ------------------------------------------------------

KeyframeEditor::KeyframeEditor(const COrvaneDoc& doc)
    : keyframe_(doc.model->keyframe ? *doc.model->keyframe : CKeyframe()),
      stock_(doc.model->keyframe && IsStockKeyframe(doc, doc.model->keyframe->name))
{}

CKeyframeNode* KeyframeEditor::Node(int32_t node)
{
    if (node < 0 || static_cast<std::size_t>(node) >= keyframe_.nodes.size())
        return nullptr;
    return &keyframe_.nodes[static_cast<std::size_t>(node)];
}

CKeyframeEntry* KeyframeEditor::Entry(int32_t node, int32_t entry)
{
    CKeyframeNode* n = Node(node);
    if (!n || entry < 0 || static_cast<std::size_t>(entry) >= n->entries.size())
        return nullptr;
    return &n->entries[static_cast<std::size_t>(entry)];
}

void KeyframeEditor::AddNode(const std::string& meshName)
{
    if (stock_)
        return;
    CKeyframeNode n;
    n.meshName = meshName;
    keyframe_.nodes.push_back(std::move(n));
    currentNode = static_cast<int32_t>(keyframe_.nodes.size()) - 1;
    currentEntry = -1;
}

void KeyframeEditor::AddEntry(int32_t node, const EntryFields& f)
{
    CKeyframeNode* n = Node(node);
    if (stock_ || !n)
        return;
    CKeyframeEntry e;
    e.num = static_cast<int32_t>(n->entries.size());
    n->entries.push_back(std::move(e));
    currentNode = node;
    currentEntry = static_cast<int32_t>(n->entries.size()) - 1;
    EditEntry(node, currentEntry, f);
}

void KeyframeEditor::EditEntry(int32_t node, int32_t entry, const EntryFields& f)
{
    CKeyframeEntry* e = Entry(node, entry);
    if (stock_ || !e)
        return;
    e->frame = f.frame;
    e->flags = f.flags;
    e->position = f.position;
    e->rotation = f.rotation;
}

EntryFields KeyframeEditor::FieldsOf(int32_t node, int32_t entry) const
{
    EntryFields f;
    if (const CKeyframeEntry* e = const_cast<KeyframeEditor*>(this)->Entry(node, entry)) {
        f.frame = e->frame;
        f.flags = e->flags;
        f.position = e->position;
        f.rotation = e->rotation;
    }
    return f;
}

void KeyframeEditor::EditHeader(uint32_t flags, uint32_t type, int32_t frames, float fps)
{
    if (stock_)
        return;
    keyframe_.flags = flags;
    keyframe_.type = type;
    keyframe_.frames = frames;
    keyframe_.fps = fps;
}

void KeyframeEditor::DeleteCurrent()
{
    if (stock_)
        return;
    if (CKeyframeNode* n = Node(currentNode)) {
        if (Entry(currentNode, currentEntry)) {
            n->entries.erase(n->entries.begin() + currentEntry);
            currentEntry = static_cast<int32_t>(n->entries.size()) - 1;
        } else {
            keyframe_.nodes.erase(keyframe_.nodes.begin() + currentNode);
            currentNode = static_cast<int32_t>(keyframe_.nodes.size()) - 1;
            currentEntry = -1;
        }
    }
}

Status KeyframeEditor::Savable() const
{
    if (stock_)
        return {};
    return CheckKeyframeSavable(keyframe_);
}

EditOutcome KeyframeEditor::Commit(EditContext& c)
{
    if (stock_ || !c.doc)
        return {};
    if (Status savable = CheckKeyframeSavable(keyframe_); !savable)
        return EditOutcome::Refused(savable.error());
    ComputeKeyDeltas(keyframe_);
    CModel& model = c.model();
    EditOutcome r = EditOutcome::Done(kViewStateChanged);
    r.changed = model.keyframe != keyframe_;
    model.keyframe = keyframe_;
    // Playback follows the header as edited, as it would after reading the file.
    model.frameCount = keyframe_.frames;
    model.frameTime = 1.0f / keyframe_.fps;
    if (Status written = WriteDocumentKeyframe(*c.doc); !written)
        r.message = written.error();
    return r;
}

}  // namespace orv
