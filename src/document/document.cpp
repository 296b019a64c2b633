#include "document/document.h"

#include <string_view>
#include <system_error>
#include <utility>

#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "formats/puppet.h"
#include "formats/textbuffer.h"
#include "model/file_kind.h"
#include "model/fileio.h"
#include "model/radius.h"
#include "resources/catalog.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

fs::path FolderOf(const std::string& path)
{
    const fs::path p(path);
    return p.has_parent_path() ? p.parent_path() : fs::path(".");
}

// Whether two names lead to the same file (the file need not exist yet).
bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    if (fs::equivalent(a, b, ec))
        return true;
    const fs::path pa = fs::weakly_canonical(fs::absolute(a, ec), ec);
    const fs::path pb = fs::weakly_canonical(fs::absolute(b, ec), ec);
    return !pa.empty() && pa == pb;
}

}  // namespace

std::string PuppetNameFor(const std::string& modelPath)
{
    std::string name = fs::path(modelPath).filename().string();
    const auto dot = name.find('.');
    if (dot != std::string::npos)
        name.resize(dot + 1);
    else
        name += '.';
    return name + "pup";
}

COrvaneDoc::COrvaneDoc(const Settings& settings, DocumentEnvironment env)
    : model(std::make_unique<CModel>()), env_(std::move(env))
{
    modes.renderMode = settings.renderMode;
}

COrvaneDoc::~COrvaneDoc() = default;

void COrvaneDoc::SetEnvironment(DocumentEnvironment env)
{
    env_ = std::move(env);
    if (model)
        FillDefaultTextureScales(*model, env_.textureSize);
}

void COrvaneDoc::SetPathName(const std::string& path)
{
    pathName_ = path;
    title_ = fs::path(path).filename().string();
}

void COrvaneDoc::AdoptImportedModel(std::unique_ptr<CModel> imported)
{
    NewDocument();
    model = std::move(imported);
    savedCamera = {};
    SetModified();
}

bool COrvaneDoc::NewDocument()
{
    const fs::path tmpl = env_.programDir / "New.orv";
    std::error_code ec;
    LoadedProject project;
    if (!env_.programDir.empty() && fs::is_regular_file(tmpl, ec))
        if (auto read = ReadProjectFile(tmpl.string()))
            project = std::move(*read);
    const bool fromTemplate = project.model != nullptr;
    savedCamera = fromTemplate ? project.camera : CameraState{};
    model = fromTemplate ? std::move(project.model) : std::make_unique<CModel>();
    // Built once the model is the document's: sizes of custom materials come from the
    // document's own model.
    if (fromTemplate)
        BuildFaceCorners(*model, env_.textureSize);
    pathName_.clear();
    title_.clear();
    history.Clear();
    modified_ = false;
    readInPart_.clear();
    puppetFile_.clear();
    puppetProblem_.clear();
    replaceAgreed_ = false;
    return true;
}

Status COrvaneDoc::OpenDocument(const std::string& path)
{
    const bool model3do = HasExtension(path, ".3do");
    std::string readInPart, puppetFile, puppetProblem;
    if (model3do) {
        auto m = std::make_unique<CModel>();
        // The corners are built with the material sizes once the model is the document's
        // (below): custom materials are looked up in the document's model.
        const auto status = Load3doFile(path, *m);
        // A file that cannot be read must not open as an empty model that a later save
        // would write over it.
        if (!status)
            return Fail(status.error());
        // A file that ended early opens with what was read; saving over it asks first.
        if (!status->complete)
            readInPart = status->missing;
        m->formatTag = "JK1";
        std::string text, gamePuppet;
        const std::string pup = PuppetNameFor(path);
        // Only the catalogue's puppet list counts here, not its keyframes.
        bool found = false;
        if (env_.catalog) {
            if (const CTreeObject* entry = env_.catalog->puppets.Lookup(pup)) {
                if (const auto bytes = ReadEntryData(env_.resourceFile, *entry)) {
                    text.assign(bytes->begin(), bytes->end());
                    gamePuppet = text;
                    found = true;
                }
            }
        }
        const fs::path beside = FindFileNoCase(FolderOf(path), pup);
        if (!beside.empty())
            puppetFile = beside.filename().string();
        bool fromBeside = false;
        if (!found && !beside.empty())
            if (auto b = LoadTextBuffer(beside)) {
                text = std::string(b->Text());
                found = fromBeside = true;
            }
        if (found) {
            TextBuffer buffer(std::move(text));
            const ReadStatus read = ReadPup(*m, buffer);
            if (fromBeside && !read.recognised)
                puppetProblem = puppetFile + " holds no puppet modes";
            else if (fromBeside && !read.complete)
                puppetProblem = puppetFile + " ended early: " + read.missing;
        }
        // A file beside that was not read is still the one the puppet is written to; it
        // matters only when it differs from the game's.
        if (!beside.empty() && !fromBeside) {
            const auto own = ReadWholeFile(beside);
            if (!own || std::string_view(reinterpret_cast<const char*>(own->data()), own->size()) != gamePuppet)
                puppetProblem = puppetFile + " was not read: the game's puppet of the same name comes first";
        }
        model = std::move(m);
        // Named first: material sizes may come from the mod's folders around the file.
        SetPathName(path);
        BuildFaceCorners(*model, env_.textureSize);
        savedCamera = {};
    } else {
        auto project = ReadProjectFile(path);
        if (!project)
            return Fail(project.error());
        model = std::move(project->model);
        SetPathName(path);
        BuildFaceCorners(*model, env_.textureSize);
        savedCamera = project->camera;
    }
    history.Clear();
    modified_ = false;
    readInPart_ = std::move(readInPart);
    replaceAgreed_ = false;
    puppetFile_ = std::move(puppetFile);
    puppetProblem_ = std::move(puppetProblem);
    puppetReplaceAgreed_ = false;
    if (!model3do)
        LoadCurrentKeyframe();
    return {};
}

bool COrvaneDoc::LoadCurrentKeyframe()
{
    const int32_t mode = model->currentMode, sub = model->currentSubMode;
    if (mode < 0 || static_cast<std::size_t>(mode) >= model->puppetModes.size())
        return false;
    const CPuppetMode& pm = *model->puppetModes[static_cast<std::size_t>(mode)];
    if (sub < 0 || static_cast<std::size_t>(sub) >= pm.items.size())
        return false;
    const std::string& keyFile = pm.items[static_cast<std::size_t>(sub)]->keyFile;
    std::string text;
    std::string name;
    bool found = false;
    if (env_.catalog) {
        if (const CTreeObject* entry = env_.catalog->keyframes.Lookup(keyFile)) {
            if (const auto bytes = ReadEntryData(env_.resourceFile, *entry)) {
                text.assign(bytes->begin(), bytes->end());
                name = entry->shortName;
                found = true;
            }
        }
    }
    if (!found) {
        const fs::path beside =
            FindFileNoCase(pathName_.empty() ? fs::path(".") : FolderOf(pathName_), SafeFileName(keyFile));
        if (beside.empty())
            return false;
        const auto b = LoadTextBuffer(beside);
        if (!b)
            return false;
        text = std::string(b->Text());
        name = keyFile;
    }
    TextBuffer buffer(std::move(text));
    auto key = ReadKey(*model, buffer).keyframe;
    key->name = name;
    model->keyframe = std::move(key);
    return true;
}

bool COrvaneDoc::SaveReplacesPartialFile(const std::string& path) const
{
    return !readInPart_.empty() && SameFile(path, pathName_);
}

Status COrvaneDoc::SaveDocument(const std::string& path)
{
    const bool replacesPartial = SaveReplacesPartialFile(path);
    const bool agreed = std::exchange(replaceAgreed_, false);
    // The file holds more than the document: only the user may decide to lose it.
    if (replacesPartial && !agreed)
        return Fail(title_ + " was read only in part (" + readInPart_ + "); it is not replaced without asking");
    Status saved;
    if (HasExtension(path, ".brp")) {
        std::string title = title_.empty() ? fs::path(path).stem().string() : title_;
        const auto dot = title.find('.');
        if (dot != std::string::npos)
            title.resize(dot);
        // The puppet file and keyframes are copied from where the document's own were
        // looked for: beside it (the program folder for a document without a file).
        const fs::path sources = pathName_.empty() ? env_.programDir : FolderOf(pathName_);
        saved = ExportBrindleProject(*model, title, path, sources);
    } else if (HasExtension(path, ".3do")) {
        saved = Write3do(*model, path);
    } else {
        saved = WriteProjectFile(path, *model, CameraForSave());
    }
    if (saved && path == pathName_)
        modified_ = false;
    if (saved && replacesPartial)
        readInPart_.clear();
    return saved;
}

Status COrvaneDoc::SaveAs(const std::string& path)
{
    // The save is atomic: on failure the file at path (if any) is left as it was.
    if (Status saved = SaveDocument(path); !saved)
        return saved;
    if (HasExtension(path, ".orv")) {
        SetPathName(path);
        modified_ = false;
        // The document's file is now the one just written whole.
        readInPart_.clear();
    }
    return {};
}

Result<PuppetImport> ReadPuppetImport(const std::string& path)
{
    // Read aside: a file that is no puppet file must not touch the model.
    CModel read;
    const auto status = LoadPupFile(path, read);
    if (!status)
        return Fail(status.error());
    if (!status->recognised)
        return Fail(fs::path(path).filename().string() + " holds no puppet modes");
    PuppetImport out;
    out.modes = std::move(read.puppetModes);
    out.joints = std::move(read.puppetJoints);
    out.missing = status->complete ? std::string() : status->missing;
    return out;
}

void ApplyPuppetImport(CModel& model, PuppetImport&& import)
{
    model.puppetModes = std::move(import.modes);
    model.puppetJoints = std::move(import.joints);
}

Status COrvaneDoc::ImportPuppet(const std::string& path)
{
    auto import = ReadPuppetImport(path);
    if (!import)
        return Fail(import.error());
    TakePuppet(std::move(*import));
    return {};
}

void COrvaneDoc::TakePuppet(PuppetImport&& import)
{
    // One undo step, which also marks the document modified: the puppet data now
    // differs from the document's file, and closing must not drop it without asking.
    TakeSnapshot();
    ApplyPuppetImport(*model, std::move(import));
}

ViewState COrvaneDoc::CurrentView() const
{
    if (currentView)
        return currentView();
    ViewState v;
    v.camera = savedCamera;
    return v;
}

void COrvaneDoc::TakeSnapshot(const ViewState& view)
{
    history.Snapshot(*model, view);
    SetModified(true);
}

bool COrvaneDoc::Change(const std::function<bool()>& change)
{
    auto before = history.Take(*model, CurrentView());
    if (!change())
        return false;
    UpdateRadii(*model);
    history.Push(std::move(before));
    SetModified(true);
    return true;
}

Status COrvaneDoc::Undo(ViewState& view) { return TakeRestored(history.Undo(*model, view, env_.textureSize)); }

Status COrvaneDoc::Redo(ViewState& view) { return TakeRestored(history.Redo(*model, view, env_.textureSize)); }

Status COrvaneDoc::TakeRestored(Result<std::unique_ptr<CModel>> restored)
{
    if (!restored)
        return Fail(restored.error());
    model = std::move(*restored);
    SetModified(true);
    return {};
}

}  // namespace orv
