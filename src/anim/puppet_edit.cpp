#include "anim/puppet_edit.h"

#include <algorithm>

#include "anim/anim_files.h"
#include "base/text.h"
#include "formats/keyfile.h"
#include "model/file_kind.h"
#include "model/fileio.h"

namespace orv {

namespace {

CPuppetMode CopyMode(const CPuppetMode& m)
{
    CPuppetMode c;
    c.mode = m.mode;
    c.basedOn = m.basedOn;
    c.comment = m.comment;
    for (const auto& it : m.items)
        c.items.push_back(CPuppetItem(it));
    return c;
}

template <class T>
bool InRange(const std::vector<T>& v, int32_t i)
{
    return i >= 0 && static_cast<std::size_t>(i) < v.size();
}

// A description as the file keeps it: one line, and behind a "#" (the reader keeps only
// the text from the "#" on).
std::string AsComment(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    text.erase(0, first);
    return text[0] == '#' ? text : "# " + text;
}

// A key file name is one field of its sub-mode's line.
Status CheckKeyFileName(const std::string& keyFile)
{
    if (keyFile.empty())
        return Fail("Enter the name of the key file.");
    if (keyFile.find_first_of(" \t\r\n#") != std::string::npos)
        return Fail("A key file name cannot hold blanks or \"#\".");
    return {};
}

void Store(CPuppetItem& item, const SubModeFields& f)
{
    item.name = f.name;
    item.keyFile = f.keyFile + ".key";
    item.flags = f.flags;
    item.lowPriority = f.lowPriority;
    item.highPriority = f.highPriority;
    item.description = AsComment(f.description);
}

// An empty keyframe (flags 0, type 0xFFFF, no frames, 15 frames per second), as a new
// sub-mode starts with.
CKeyframe EmptyKeyframe(const std::string& name)
{
    CKeyframe k;
    k.type = 0xFFFF;
    k.fps = 15.0f;
    k.name = name;
    return k;
}

bool HasModeNumber(const std::vector<CPuppetMode>& modes, int32_t number)
{
    return std::any_of(modes.begin(), modes.end(), [number](const auto& m) { return m.mode == number; });
}

std::string NoSuchBase(int32_t basedOn)
{
    return "There is no mode " + std::to_string(basedOn) + " to base the puppet mode on.";
}

// "mode 2 is", "modes 2 and 3 are", "modes 1, 2 and 3 are".
std::string ModeList(const std::vector<int32_t>& numbers)
{
    if (numbers.size() == 1)
        return "mode " + std::to_string(numbers[0]) + " is";
    std::string text = "modes ";
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0)
            text += i + 1 == numbers.size() ? " and " : ", ";
        text += std::to_string(numbers[i]);
    }
    return text + " are";
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

std::optional<PlayChoice> PlayingChoice(const CModel& model)
{
    if (!model.keyframe || model.currentMode < 0 ||
        static_cast<std::size_t>(model.currentMode) >= model.puppetModes.size())
        return std::nullopt;
    const CPuppetMode& m = model.puppetModes[static_cast<std::size_t>(model.currentMode)];
    if (model.currentSubMode < 0 || static_cast<std::size_t>(model.currentSubMode) >= m.items.size())
        return std::nullopt;
    const CPuppetItem& item = m.items[static_cast<std::size_t>(model.currentSubMode)];
    // A keyframe loaded otherwise (a file opened by itself) is not the sub-mode's.
    if (CompareNoCase(model.keyframe->name, item.keyFile) != 0)
        return std::nullopt;
    return PlayChoice{model.currentMode, model.currentSubMode, m.mode, item.name, item.keyFile};
}

std::optional<PlayChoice> MakeReadyToPlay(COrvaneDoc& doc)
{
    CModel& model = *doc.model;
    if (FileKindOf(doc.PathName()) == FileKind::Project)
        return PlayingChoice(model);

    const int32_t modeBefore = model.currentMode, subBefore = model.currentSubMode;
    const int32_t framesBefore = model.frameCount;
    const float frameTimeBefore = model.frameTime;
    for (std::size_t mi = 0; mi < model.puppetModes.size(); ++mi) {
        for (std::size_t si = 0; si < model.puppetModes[mi].items.size(); ++si) {
            model.currentMode = static_cast<int32_t>(mi);
            model.currentSubMode = static_cast<int32_t>(si);
            if (doc.LoadCurrentKeyframe())
                return PlayingChoice(model);
        }
    }
    model.currentMode = modeBefore;
    model.currentSubMode = subBefore;
    model.frameCount = framesBefore;
    model.frameTime = frameTimeBefore;
    return std::nullopt;
}

std::string ReadyToPlayText(const PlayChoice& choice)
{
    return "Ready to play: mode " + std::to_string(choice.modeNumber) + ", " + choice.subModeName + " (" +
           choice.keyFile + ")";
}

std::string PlayingText(const CModel& model)
{
    if (const auto choice = PlayingChoice(model))
        return ReadyToPlayText(*choice);
    return model.keyframe ? "Ready to play: " + model.keyframe->name : std::string();
}

PuppetEditor::PuppetEditor(const COrvaneDoc& doc) : doc_(doc)
{
    const CModel& model = *doc.model;
    for (const auto& m : model.puppetModes)
        modes_.push_back(CopyMode(m));
    currentMode = model.currentMode;
    currentSubMode = model.currentSubMode;
}

const CPuppetMode* PuppetEditor::Mode(int32_t mode) const
{
    return InRange(modes_, mode) ? &modes_[static_cast<std::size_t>(mode)] : nullptr;
}

const CPuppetItem* PuppetEditor::SubMode(int32_t mode, int32_t sub) const
{
    const CPuppetMode* m = Mode(mode);
    return m && InRange(m->items, sub) ? &m->items[static_cast<std::size_t>(sub)] : nullptr;
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
    return !IsStockKeyframe(doc_, m->items.back().keyFile);
}

int32_t PuppetEditor::NextModeNumber() const
{
    int32_t number = 0;
    while (HasModeNumber(modes_, number))
        ++number;
    return number;
}

std::vector<int32_t> PuppetEditor::BaseChoices(int32_t mode) const
{
    const std::size_t before = Mode(mode) ? static_cast<std::size_t>(mode) : modes_.size();
    const int32_t own = Mode(mode) ? modes_[before].mode : -1;
    std::vector<int32_t> choices;
    for (std::size_t i = 0; i < before; ++i) {
        const int32_t number = modes_[i].mode;
        if (number != own && std::find(choices.begin(), choices.end(), number) == choices.end())
            choices.push_back(number);
    }
    return choices;
}

Status PuppetEditor::AddMode(int32_t basedOn, const std::string& description)
{
    if (basedOn != -1 && !HasModeNumber(modes_, basedOn))
        return Fail(NoSuchBase(basedOn));
    CPuppetMode m;
    m.mode = NextModeNumber();
    m.basedOn = basedOn;
    m.comment = AsComment(description);
    modes_.push_back(std::move(m));
    currentMode = static_cast<int32_t>(modes_.size()) - 1;
    currentSubMode = -1;
    return {};
}

Status PuppetEditor::EditMode(int32_t mode, int32_t basedOn, const std::string& description)
{
    if (!Mode(mode))
        return Fail("there is no such mode");
    CPuppetMode& m = modes_[static_cast<std::size_t>(mode)];
    if (basedOn != m.basedOn && basedOn != -1) {
        if (basedOn == m.mode)
            return Fail("A puppet mode cannot be based on itself.");
        if (!HasModeNumber(modes_, basedOn))
            return Fail(NoSuchBase(basedOn));
        const auto choices = BaseChoices(mode);
        if (std::find(choices.begin(), choices.end(), basedOn) == choices.end())
            return Fail("Cannot base this mode on mode " + std::to_string(basedOn) + ", which is listed after it.");
        // A file may link a mode to one listed after it: following the links from the new
        // base must still not lead back here.
        int32_t next = basedOn;
        for (std::size_t steps = 0; next != -1 && steps <= modes_.size(); ++steps) {
            if (next == m.mode)
                return Fail("Cannot base this mode on mode " + std::to_string(basedOn) + ", since mode " +
                            std::to_string(basedOn) + " is based on this mode.");
            const auto base =
                std::find_if(modes_.begin(), modes_.end(), [next](const auto& o) { return o.mode == next; });
            next = base == modes_.end() ? -1 : (*base).basedOn;
        }
    }
    m.basedOn = basedOn;
    m.comment = AsComment(description);
    return {};
}

Status PuppetEditor::DeleteMode(int32_t mode)
{
    if (!Mode(mode))
        return Fail("there is no such mode");
    const int32_t number = modes_[static_cast<std::size_t>(mode)].mode;
    // Another mode of the same number (a file may repeat one) still serves the links.
    int32_t sharing = 0;
    for (const auto& m : modes_)
        sharing += m.mode == number;
    std::vector<int32_t> dependents;
    for (std::size_t i = 0; i < modes_.size() && sharing == 1; ++i)
        if (static_cast<int32_t>(i) != mode && modes_[i].basedOn == number)
            dependents.push_back(modes_[i].mode);
    if (!dependents.empty())
        return Fail("Cannot delete puppet mode, since " + ModeList(dependents) + " based on this mode.");
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
    if (Status name = CheckKeyFileName(fields.keyFile); !name)
        return name;
    if (IsStockKeyframe(doc_, fields.keyFile + ".key"))
        return Fail("Cannot create key data, since the specified name\nalready exists in the Jk/Mots resource file.");
    CPuppetMode& m = modes_[static_cast<std::size_t>(mode)];
    CPuppetItem item;
    Store(item, fields);
    newKeyFiles_.push_back(item.keyFile);
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

Status PuppetEditor::EditSubMode(int32_t mode, int32_t sub, const SubModeFields& fields)
{
    if (!SubMode(mode, sub))
        return Fail("there is no such sub-mode");
    if (Status name = CheckKeyFileName(fields.keyFile); !name)
        return name;
    CPuppetItem& item = modes_[static_cast<std::size_t>(mode)].items[static_cast<std::size_t>(sub)];
    Store(item, fields);
    if (!AnimationFileExists(doc_, item.keyFile) && !IsStockKeyframe(doc_, item.keyFile))
        newKeyFiles_.push_back(item.keyFile);
    return {};
}

void PuppetEditor::DeleteSubMode(int32_t mode, int32_t sub)
{
    if (!SubMode(mode, sub))
        return;
    auto& items = modes_[static_cast<std::size_t>(mode)].items;
    items.erase(items.begin() + sub);
    if (currentMode == mode) {
        if (currentSubMode == sub)
            currentSubMode = -1;
        else if (currentSubMode > sub)
            --currentSubMode;
    }
}

bool PuppetEditor::ChangesModel() const
{
    const CModel& model = *doc_.model;
    if (!newKeyFiles_.empty() || currentMode != model.currentMode || currentSubMode != model.currentSubMode)
        return true;
    const auto sameItem = [](const CPuppetItem& a, const CPuppetItem& b) {
        return a.name == b.name && a.keyFile == b.keyFile && a.flags == b.flags && a.lowPriority == b.lowPriority &&
               a.highPriority == b.highPriority && a.description == b.description;
    };
    const auto sameMode = [&sameItem](const CPuppetMode& a, const CPuppetMode& b) {
        return a.mode == b.mode && a.basedOn == b.basedOn && a.comment == b.comment &&
               std::equal(a.items.begin(), a.items.end(), b.items.begin(), b.items.end(),
                          [&sameItem](const auto& x, const auto& y) { return sameItem(x, y); });
    };
    if (!std::equal(modes_.begin(), modes_.end(), model.puppetModes.begin(), model.puppetModes.end(),
                    [&sameMode](const auto& a, const auto& b) { return sameMode(a, b); }))
        return true;
    // The same choice, but its keyframe is still to be loaded.
    const CPuppetItem* item = SubMode(currentMode, currentSubMode);
    return item && (!model.keyframe || !EqualNoCase(model.keyframe->name, item->keyFile));
}

EditOutcome PuppetEditor::Commit(EditContext& c)
{
    if (!c.doc || !ChangesModel())
        return {};
    COrvaneDoc& doc = *c.doc;
    CModel& model = *doc.model;
    model.puppetModes.clear();
    for (const auto& m : modes_)
        model.puppetModes.push_back(CopyMode(m));
    model.currentMode = currentMode;
    model.currentSubMode = currentSubMode;

    std::string failures;
    auto note = [&failures](const std::string& what) { failures += (failures.empty() ? "" : "\n") + what; };

    // New keyframes still named by a sub-mode, each once, and never over an existing file.
    std::vector<std::string> made;
    for (const std::string& key : newKeyFiles_) {
        const bool used = std::any_of(model.puppetModes.begin(), model.puppetModes.end(), [&](const auto& m) {
            return std::any_of(m.items.begin(), m.items.end(), [&](const auto& it) { return it.keyFile == key; });
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
        if (Status w = WriteFileAtomic(*path, FormatKey(EmptyKeyframe(key), static_cast<int32_t>(model.nodes.size()),
                                                        path->filename().string()));
            !w)
            note(w.error());
    }
    if (Status w = WriteDocumentPuppet(doc); !w)
        note(w.error());

    // The keyframes just written, and any put into the mod since, are found.
    doc.RescanResources();
    if (Status loaded = doc.LoadCurrentKeyframe(); !loaded) {
        // The chosen sub-mode's keyframe is nowhere to be read: a new one is kept empty
        // in memory (it is written with the document's first keyframe save), anything else
        // leaves no keyframe rather than the previous sub-mode's, and says why.
        const CPuppetItem* item = SubMode(currentMode, currentSubMode);
        if (item && std::find(newKeyFiles_.begin(), newKeyFiles_.end(), item->keyFile) != newKeyFiles_.end()) {
            model.keyframe = EmptyKeyframe(item->keyFile);
            model.frameCount = 0;
            model.frameTime = 1.0f / 15.0f;
        } else {
            model.keyframe.reset();
            if (item)
                note("Nothing plays: " + loaded.error() + ".");
        }
    }
    newKeyFiles_.clear();
    EditOutcome r = EditOutcome::Changed(kModelChanged | kViewStateChanged);
    r.message = failures;
    return r;
}

}  // namespace orv
