#include "anim/puppet_edit.h"

#include <algorithm>

#include "anim/anim_files.h"
#include "formats/keyfile.h"
#include "model/fileio.h"

namespace orv {

namespace {

std::unique_ptr<CPuppetMode> CopyMode(const CPuppetMode& m)
{
    auto c = std::make_unique<CPuppetMode>();
    c->mode = m.mode;
    c->basedOn = m.basedOn;
    c->comment = m.comment;
    for (const auto& it : m.items)
        c->items.push_back(std::make_unique<CPuppetItem>(*it));
    return c;
}

template <class T>
bool InRange(const std::vector<T>& v, int32_t i)
{
    return i >= 0 && static_cast<std::size_t>(i) < v.size();
}

void Store(CPuppetItem& item, const SubModeFields& f)
{
    item.name = f.name;
    item.keyFile = f.keyFile + ".key";
    item.flags = f.flags;
    item.lowPriority = f.lowPriority;
    item.highPriority = f.highPriority;
    item.description = f.description;
}

// An empty keyframe (flags 0, type 0xFFFF, no frames, 15 frames per second), as a new
// sub-mode starts with.
std::unique_ptr<CKeyframe> EmptyKeyframe(const std::string& name)
{
    auto k = std::make_unique<CKeyframe>();
    k->type = 0xFFFF;
    k->fps = 15.0f;
    k->name = name;
    return k;
}

}  // namespace

std::string DescriptionAfterEquals(const std::string& description)
{
    const auto eq = description.find('=');
    if (eq == std::string::npos)
        return {};
    const auto first = description.find_first_not_of(" \t", eq + 1);
    return first == std::string::npos ? std::string() : description.substr(first);
}

std::string KeyFileStem(const std::string& keyFile) { return keyFile.substr(0, keyFile.find('.')); }

PuppetEditor::PuppetEditor(const COrvaneDoc& doc) : doc_(doc)
{
    const CModel& model = *doc.model;
    for (const auto& m : model.puppetModes)
        modes_.push_back(CopyMode(*m));
    currentMode = model.currentMode;
    currentSubMode = model.currentSubMode;
}

const CPuppetMode* PuppetEditor::Mode(int32_t mode) const
{
    return InRange(modes_, mode) ? modes_[static_cast<std::size_t>(mode)].get() : nullptr;
}

const CPuppetItem* PuppetEditor::SubMode(int32_t mode, int32_t sub) const
{
    const CPuppetMode* m = Mode(mode);
    return m && InRange(m->items, sub) ? m->items[static_cast<std::size_t>(sub)].get() : nullptr;
}

std::string PuppetEditor::PuppetFile() const { return PuppetNameFor(doc_.Title()); }

bool PuppetEditor::StockSubMode(int32_t mode, int32_t sub) const
{
    const CPuppetItem* item = SubMode(mode, sub);
    return item && IsStockKeyframe(doc_, item->keyFile);
}

bool PuppetEditor::ModeEditable(int32_t mode) const
{
    const CPuppetMode* m = Mode(mode);
    if (!m)
        return false;
    if (m->items.empty())
        return !IsStockPuppet(doc_, PuppetFile());
    return !IsStockKeyframe(doc_, m->items.back()->keyFile);
}

void PuppetEditor::AddMode(int32_t basedOn, const std::string& description)
{
    auto m = std::make_unique<CPuppetMode>();
    m->mode = static_cast<int32_t>(modes_.size());
    m->basedOn = basedOn;
    m->comment = description;
    modes_.push_back(std::move(m));
    currentMode = static_cast<int32_t>(modes_.size()) - 1;
    currentSubMode = -1;
}

void PuppetEditor::EditMode(int32_t mode, int32_t basedOn, const std::string& description)
{
    if (!Mode(mode))
        return;
    CPuppetMode& m = *modes_[static_cast<std::size_t>(mode)];
    m.basedOn = basedOn;
    m.comment = description;
}

Status PuppetEditor::DeleteMode(int32_t mode)
{
    if (!Mode(mode))
        return Fail("there is no such mode");
    for (std::size_t i = 0; i < modes_.size(); ++i)
        if (modes_[i]->basedOn == mode)
            return Fail("Cannot delete puppet mode, since mode " + std::to_string(i) + " is based on this mode.");
    modes_.erase(modes_.begin() + mode);
    if (currentMode == mode) {
        currentMode = -1;
        currentSubMode = -1;
    } else if (currentMode > mode) {
        --currentMode;
    }
    return {};
}

Status PuppetEditor::AddSubMode(int32_t mode, const SubModeFields& fields)
{
    if (!Mode(mode))
        return Fail("there is no such mode");
    if (IsStockKeyframe(doc_, fields.keyFile + ".key"))
        return Fail("Cannot create key data, since the specified name\nalready exist in the Jk/Mots resource file.");
    CPuppetMode& m = *modes_[static_cast<std::size_t>(mode)];
    auto item = std::make_unique<CPuppetItem>();
    Store(*item, fields);
    newKeyFiles_.push_back(item->keyFile);
    m.items.push_back(std::move(item));
    currentMode = mode;
    currentSubMode = static_cast<int32_t>(m.items.size()) - 1;
    return {};
}

SubModeFields PuppetEditor::FieldsOf(int32_t mode, int32_t sub) const
{
    SubModeFields f;
    if (const CPuppetItem* item = SubMode(mode, sub)) {
        f.name = item->name;
        f.keyFile = KeyFileStem(item->keyFile);
        f.flags = item->flags;
        f.lowPriority = item->lowPriority;
        f.highPriority = item->highPriority;
        f.description = item->description;
    }
    return f;
}

void PuppetEditor::EditSubMode(int32_t mode, int32_t sub, const SubModeFields& fields)
{
    if (!SubMode(mode, sub))
        return;
    CPuppetItem& item = *modes_[static_cast<std::size_t>(mode)]->items[static_cast<std::size_t>(sub)];
    Store(item, fields);
    if (!AnimationFileExists(doc_, item.keyFile) && !IsStockKeyframe(doc_, item.keyFile))
        newKeyFiles_.push_back(item.keyFile);
}

void PuppetEditor::DeleteSubMode(int32_t mode, int32_t sub)
{
    if (!SubMode(mode, sub))
        return;
    auto& items = modes_[static_cast<std::size_t>(mode)]->items;
    items.erase(items.begin() + sub);
    if (currentMode == mode) {
        if (currentSubMode == sub)
            currentSubMode = -1;
        else if (currentSubMode > sub)
            --currentSubMode;
    }
}

Status PuppetEditor::Commit(COrvaneDoc& doc)
{
    doc.TakeSnapshot();
    CModel& model = *doc.model;
    model.puppetModes.clear();
    for (const auto& m : modes_)
        model.puppetModes.push_back(CopyMode(*m));
    model.currentMode = currentMode;
    model.currentSubMode = currentSubMode;

    std::string failures;
    auto note = [&failures](const std::string& what) { failures += (failures.empty() ? "" : "\n") + what; };

    // New keyframes still named by a sub-mode, each once, and never over an existing file.
    std::vector<std::string> made;
    for (const std::string& key : newKeyFiles_) {
        const bool used = std::any_of(model.puppetModes.begin(), model.puppetModes.end(), [&](const auto& m) {
            return std::any_of(m->items.begin(), m->items.end(), [&](const auto& it) { return it->keyFile == key; });
        });
        if (!used || std::find(made.begin(), made.end(), key) != made.end() || AnimationFileExists(doc, key) ||
            IsStockKeyframe(doc, key))
            continue;
        made.push_back(key);
        auto path = AnimationFilePath(doc, key);
        if (!path) {
            note(path.error());
            continue;
        }
        if (Status w = WriteFileAtomic(
                *path, FormatKey(*EmptyKeyframe(key), static_cast<int32_t>(model.nodes.size()), path->string()));
            !w)
            note(w.error());
    }
    if (Status w = WriteDocumentPuppet(doc); !w)
        note(w.error());

    if (!doc.LoadCurrentKeyframe()) {
        // The chosen sub-mode's keyframe is nowhere to be read: a new one is kept empty
        // in memory (it is written with the document's first keyframe save), anything else
        // leaves no keyframe rather than the previous sub-mode's.
        const CPuppetItem* item = SubMode(currentMode, currentSubMode);
        if (item && std::find(newKeyFiles_.begin(), newKeyFiles_.end(), item->keyFile) != newKeyFiles_.end()) {
            model.keyframe = EmptyKeyframe(item->keyFile);
            model.frameCount = 0;
            model.frameTime = 1.0f / 15.0f;
        } else {
            model.keyframe.reset();
        }
    }
    newKeyFiles_.clear();
    if (!failures.empty())
        return Fail(failures);
    return {};
}

}  // namespace orv
