#include "document/document.h"

#include <string_view>
#include <system_error>
#include <utility>

#include "base/paths.h"
#include "document/file_formats.h"
#include "formats/keyfile.h"
#include "formats/puppet.h"
#include "formats/textbuffer.h"
#include "model/content.h"
#include "model/file_kind.h"
#include "model/fileio.h"
#include "model/radius.h"
#include "resources/catalog.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

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

EditContext::EditContext(COrvaneDoc& document, Settings& s, Selection* sel, Camera* cam)
    : doc(&document), settings(&s), selection(sel), camera(cam)
{}

EditContext::EditContext(CModel& model, EditModes& modes, Settings& s, Selection* sel, Camera* cam)
    : settings(&s), selection(sel), camera(cam), model_(&model), modes_(&modes)
{}

CModel& EditContext::model() const { return doc ? *doc->model : *model_; }

EditModes& EditContext::modes() const { return doc ? doc->modes : *modes_; }

TextureSizeFn EditContext::TextureSizes() const { return doc ? doc->Environment().textureSize : TextureSizeFn{}; }

COrvaneDoc::COrvaneDoc(const Settings& settings, DocumentEnvironment env)
    : model(std::make_unique<CModel>()), env_(std::move(env))
{
    modes.renderMode = RenderModeFromSetting(settings.renderMode);
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
    PlaceNodes();
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
    savedState_ = history.State();
    readInPart_.clear();
    readDamaged_ = false;
    puppetFile_.clear();
    puppetProblem_.clear();
    replaceAgreed_ = false;
    PlaceNodes();
    return true;
}

Status COrvaneDoc::OpenDocument(const std::string& path)
{
    const DocumentFormat& format = OpenFormatFor(path);
    // The mod around the file is indexed afresh: what was put into it since is seen.
    ResourceSources sources = SourcesAt(path, true);
    sources.customMaterials = nullptr;  // the model's own are not read yet
    auto opened = format.read(path, sources);
    if (!opened)
        return Fail(opened.error());
    model = std::move(opened->model);
    // Named first: material sizes may come from the mod's folders around the file.
    SetPathName(path);
    BuildFaceCorners(*model, env_.textureSize);
    // A project file's lists hold words the corners do not (those of files whose texture
    // coordinates were stored measured by the picture's size): untouched meshes keep them.
    if (format.kind == FileKind::Project)
        MarkListsCurrent(*model);
    PlaceNodes();
    savedCamera = opened->camera;
    history.Clear();
    savedState_ = history.State();
    readInPart_ = std::move(opened->readInPart);
    readDamaged_ = opened->readDamaged;
    replaceAgreed_ = false;
    puppetFile_ = std::move(opened->puppetFile);
    puppetProblem_ = std::move(opened->puppetProblem);
    puppetReplaceAgreed_ = false;
    // A project plays the keyframe it stored; one not found leaves none, which the
    // window names among what is missing.
    if (opened->savedCamera)
        (void)LoadCurrentKeyframe();
    return {};
}

Status COrvaneDoc::LoadCurrentKeyframe()
{
    const int32_t mode = model->currentMode, sub = model->currentSubMode;
    if (mode < 0 || static_cast<std::size_t>(mode) >= model->puppetModes.size())
        return Fail("no puppet mode is chosen");
    const CPuppetMode& pm = model->puppetModes[static_cast<std::size_t>(mode)];
    if (sub < 0 || static_cast<std::size_t>(sub) >= pm.items.size())
        return Fail("no sub-mode is chosen");
    const std::string& keyFile = pm.items[static_cast<std::size_t>(sub)].keyFile;
    const auto found = FindResource(Sources(), ResourceKind::Keyframe, keyFile);
    if (!found)
        return Fail(found.error());
    TextBuffer buffer(std::string(found->bytes.begin(), found->bytes.end()));
    KeyframeRead read = ReadKey(*model, buffer);
    // A file of the name that is no keyframe is none to play.
    if (!read.status.recognised)
        return Fail(found->origin + " is no keyframe");
    // A file of the mod keeps the name the puppet gives it, whatever its case on disk.
    read.keyframe.name = found->stock ? found->name : keyFile;
    model->keyframe = std::move(read.keyframe);
    return {};
}

void COrvaneDoc::RescanResources() const { (void)SourcesAt(pathName_, true); }

ResourceSources COrvaneDoc::Sources() const
{
    ResourceSources sources = SourcesAt(pathName_, false);
    sources.customMaterials = model ? &model->customMaterials : nullptr;
    return sources;
}

ResourceSources COrvaneDoc::SourcesAt(const std::string& path, bool fresh) const
{
    std::error_code ec;
    const fs::path folder = path.empty() ? fs::path() : fs::absolute(FolderOf(path), ec);
    if (fresh || !modIndex_ || folder != modFolder_) {
        modIndex_ = IndexMod(path);
        modFolder_ = folder;
    }
    ResourceSources sources;
    sources.catalog = env_.catalog;
    sources.resourceFile = env_.resourceFile;
    sources.modFolders = modIndex_;
    sources.searchPath = env_.searchPath;
    return sources;
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
    const DocumentFormat* format = SaveFormatFor(path);
    // A puppet file, an archive or a material named by mistake keeps what it holds.
    if (!format)
        return Fail(fs::path(path).filename().string() + ": a model is not saved as a " + FileExtension(path) +
                    " file; choose .orv, .3do or .brp");
    Status saved = format->write(*this, path);
    if (saved && path == pathName_)
        savedState_ = history.State();
    if (saved && replacesPartial) {
        readInPart_.clear();
        readDamaged_ = false;
    }
    return saved;
}

Status COrvaneDoc::SaveAs(const std::string& path)
{
    // The save is atomic: on failure the file at path (if any) is left as it was.
    if (Status saved = SaveDocument(path); !saved)
        return saved;
    if (FileKindOf(path) == FileKind::Project) {
        SetPathName(path);
        savedState_ = history.State();
        // The document's file is now the one just written whole.
        readInPart_.clear();
        readDamaged_ = false;
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
    EditContext c;
    c.doc = this;
    (void)Run(c, [&](EditContext& e) {
        ApplyPuppetImport(e.model(), std::move(import));
        return EditOutcome::Changed(kModelChanged);
    });
}

ViewState COrvaneDoc::CurrentView() const
{
    if (currentView)
        return currentView();
    ViewState v;
    v.camera = savedCamera;
    return v;
}

EditOutcome COrvaneDoc::Run(EditContext& c, const std::function<EditOutcome(EditContext&)>& op, OpenStep* step)
{
    // An operation made of operations is one step: the outer run keeps the state before.
    if (running_)
        return op(c);
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(running_);
    if (step && step->id != 0 && step->id == steps_) {
        // The step this run continues is still the newest: it already holds the state
        // from before the first run.
        EditOutcome o = op(c);
        NoteOutcome(o);
        PlaceNodes();
        if (o.changed) {
            UpdateRadiiAfter(o);
            SetModified(true);
        }
        return o;
    }
    // What the step holds is brought up to date first (radii, lists): the step itself
    // only reads.
    const FacePrints prints = history.PrepareForStep(*model);
    auto before = history.Take(*model, CurrentView(), &prints);
    EditOutcome o = op(c);
    NoteOutcome(o);
    // Whatever the operation moved, what reads the nodes next finds them in place.
    PlaceNodes();
    if (!o.changed)
        return o;
    UpdateRadiiAfter(o);
    history.Push(std::move(before));  // a new state, and the end of the redo list
    ++steps_;
    ++changes_;
    if (step)
        step->id = steps_;
    return o;
}

void COrvaneDoc::NoteOutcome(const EditOutcome& o)
{
    // Nothing but the operation changed the model since the step was taken: a run that
    // touched no face left them as the step holds them, and one that says it kept to one
    // mesh narrows what the next step reads.
    history.NoteChange(*model, o.Touched());
}

void COrvaneDoc::UpdateRadiiAfter(const EditOutcome& o)
{
    const MeshScope touched = o.Touched();
    if (touched.kind == MeshScope::Kind::Any) {
        UpdateRadii(*model);
        return;
    }
    // Every other mesh is as the last check found it: only the one touched is read.
    std::vector<std::vector<uint64_t>> prints(model->geosets.size());
    for (std::size_t g = 0; g < model->geosets.size(); ++g)
        for (std::size_t k = 0; k < model->geosets[g].meshes.size(); ++k) {
            const CMesh& mesh = model->geosets[g].meshes[k];
            const bool isTouched = touched == MeshScope::OneMesh(static_cast<int32_t>(g), static_cast<int32_t>(k));
            const std::optional<uint64_t> checked = CheckedFacesFingerprint(*model, g, k);
            if (!isTouched && !checked) {
                UpdateRadii(*model);  // a mesh never checked: read them all
                return;
            }
            prints[g].push_back(isTouched ? FacesFingerprint(mesh) : *checked);
        }
    UpdateRadii(*model, prints);
}

void COrvaneDoc::PlaceNodes()
{
    if (model)
        orv::PlaceNodes(*model);
}

void COrvaneDoc::StepContinuousView(float seconds)
{
    if (!model)
        return;
    if (modes.viewKind == ViewKind::Animating)
        AdvanceAnimation(*model, seconds);
    else if (modes.viewKind == ViewKind::Rotating)
        model->modelMatrix = model->rotationStep * model->modelMatrix;
    PlaceNodes();
}

bool COrvaneDoc::Change(const std::function<bool()>& change)
{
    EditContext c;
    c.doc = this;
    return Run(c, [&](EditContext&) { return EditOutcome{change(), 0, {}, {}}; }).changed;
}

Status COrvaneDoc::Undo(ViewState& view) { return TakeRestored(history.Undo(*model, view, env_.textureSize)); }

Status COrvaneDoc::Redo(ViewState& view) { return TakeRestored(history.Redo(*model, view, env_.textureSize)); }

Status COrvaneDoc::TakeBack(const OpenStep& step, ViewState& view)
{
    if (step.id == 0)
        return {};
    if (step.id != steps_)
        return Fail("the change was followed by another and cannot be taken back alone");
    return TakeRestored(history.TakeBack(*model, view, env_.textureSize));
}

Status COrvaneDoc::TakeRestored(Result<std::unique_ptr<CModel>> restored)
{
    if (!restored)
        return Fail(restored.error());
    model = std::move(*restored);
    PlaceNodes();
    ++steps_;
    ++changes_;
    return {};
}

}  // namespace orv
