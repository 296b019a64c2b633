// The document: one model with its view and edit switches, its undo and redo lists,
// and the rules that open and save it by file name.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "document/edit_context.h"
#include "document/modes.h"
#include "document/undo.h"
#include "formats/projectfile.h"
#include "model/corners.h"
#include "model/model.h"
#include "model/pose.h"
#include "model/settings.h"
#include "resources/searchpath.h"

namespace orv {

// Where a document lives: the program's settings, the game's catalogue and archive (which
// "Select Product" may replace at any time), the archives and folders the user lists
// (the "Resources" setting, indexed again when it changes), the program's own folder (the
// "New.orv" template; the export's puppet and keyframe sources for a document without a
// file), the sizes of materials for building face corners and the window's dialogs that
// give the command table's commands their parameters. The window keeps one for every
// document and gives each document a copy with sizes of its own; the command line fills
// what it has.
struct DocumentEnvironment {
    const ResourceCatalog* catalog = nullptr;
    std::filesystem::path resourceFile;
    std::filesystem::path programDir;
    TextureSizeFn textureSize;
    ResourceSearchPath* searchPath = nullptr;
    Settings* settings = nullptr;
    const CommandHooks* commandHooks = nullptr;
};

// A puppet file read for importing, not yet in any model.
struct PuppetImport {
    std::vector<CPuppetMode> modes;
    std::vector<std::string> joints;
    std::string missing;  // what the file lacked when it ended early; "" when whole
};

class COrvaneDoc {
public:
    COrvaneDoc(const Settings& settings, DocumentEnvironment env);
    ~COrvaneDoc();
    COrvaneDoc(const COrvaneDoc&) = delete;
    COrvaneDoc& operator=(const COrvaneDoc&) = delete;

    std::unique_ptr<CModel> model;
    EditModes modes;
    UndoHistory history;
    CameraState savedCamera;  // read from a project; applied when the view is made

    // The selection and camera of the document's view, when it has one; no selection
    // and the saved camera otherwise. Snapshots record it.
    std::function<ViewState()> currentView;
    ViewState CurrentView() const;

    const std::string& PathName() const { return pathName_; }
    const std::string& Title() const { return title_; }
    // Sets the path; the title becomes its file name.
    void SetPathName(const std::string& path);
    // Whether the model is in another state than the one last saved (or opened): an undo
    // or redo back to that state makes the document unmodified again.
    bool IsModified() const { return history.State() != savedState_; }
    // true: the model changed (a new state, which no undo or redo comes back to as the
    // saved one); false: the present state is the one the file holds.
    void SetModified(bool on = true)
    {
        if (!on) {
            savedState_ = history.State();
            return;
        }
        history.MarkChanged();
        ++changes_;
    }
    // Grows with every change of the model (each undo step, undo, redo, or a change
    // marked by SetModified): the automatic backup writes only a state not written yet.
    uint64_t ChangeCount() const { return changes_; }
    const DocumentEnvironment& Environment() const { return env_; }
    // New resources, colormap or custom materials: faces whose texture tool scales were
    // never set take them from the sizes now known (see FillDefaultTextureScales).
    void SetEnvironment(DocumentEnvironment env);

    // A new document, without a file name: the template "New.orv" of the program folder
    // when it loads, the empty model otherwise. Always succeeds.
    bool NewDocument();
    // A model read from another tool's file: a new document without a name (a save asks
    // for one, so the file read is never written over), modified, and without a camera of
    // its own so that it is framed like a model file.
    void AdoptImportedModel(std::unique_ptr<CModel> imported);
    // Opens by the file's kind (FileKindOf, through the table of DocumentFormats): ".3do"
    // reads a 3DO model and its puppet file (a file that ends early opens with what it
    // holds, see ReadInPart); anything else loads a project file and its current
    // keyframe. On failure the document keeps what it had.
    Status OpenDocument(const std::string& path);
    // Saves by the file's kind: ".brp" exports the resource tree, ".3do" writes the 3DO
    // file, ".orv" and a name of no kind the editor knows write the project file; a name
    // of another kind (a puppet file, an archive, a material...) is refused, so no such
    // file is written over with a model. Every save is written whole or not at all;
    // failures are reported. A save over a file read only in part is refused unless the
    // user agreed (below).
    Status SaveDocument(const std::string& path);
    // Save As: saves, and a project (".orv") name becomes the document's name.
    Status SaveAs(const std::string& path);

    // A model file that ended before what it announced, or that holds what cannot stand,
    // opens with what could be read; this says what was missing ("3 of 12 meshes read"),
    // "" for a file read whole.
    const std::string& ReadInPart() const { return readInPart_; }
    // The file was read in part because it holds what cannot stand (an index past its
    // list, a number that is not finite), not (only) because it ended early.
    bool ReadDamaged() const { return readDamaged_; }
    // True when a save to path would replace the file that was read only in part. Such a
    // save is refused until the user agrees (AgreeToReplacePartialFile, good for the next
    // save only); once it is replaced the document holds its whole content again.
    bool SaveReplacesPartialFile(const std::string& path) const;
    void AgreeToReplacePartialFile() { replaceAgreed_ = true; }
    // The puppet file beside a 3DO when the document does not hold it as it is (it ended
    // early, is no puppet file, or the game's puppet of the name came first): its
    // name and a sentence saying so; "" otherwise. Writing the puppet over it is refused
    // until the user agrees; once written the file holds what the document holds.
    const std::string& PuppetFileName() const { return puppetFile_; }
    const std::string& PuppetFileProblem() const { return puppetProblem_; }
    bool PuppetReplaceRefused() const { return !puppetProblem_.empty() && !puppetReplaceAgreed_; }
    void AgreeToReplacePuppetFile() { puppetReplaceAgreed_ = true; }
    void PuppetWritten()
    {
        puppetProblem_.clear();
        puppetReplaceAgreed_ = false;
    }

    // Reads a ".pup" file into the model's puppet data and marks the document modified.
    // A file with neither a mode nor a joints section is refused and changes nothing; one
    // with only joints is a puppet without modes.
    Status ImportPuppet(const std::string& path);
    // Puppet data read already (ReadPuppetImport) replaces the model's, as one undo step.
    void TakePuppet(PuppetImport&& import);
    // Loads the keyframe of the current puppet mode and sub-mode, found as every resource
    // is (Sources); fails with the reason when there is none (not found, with where it was
    // looked for, or the file of its name is no keyframe), and the model's keyframe is
    // then left as it was.
    Status LoadCurrentKeyframe();

    // Where the document's resources are looked for, in the one order of FindResource:
    // its custom materials, the mod around its file, the search path and the game. The
    // mod is indexed when a file opens and when the document's file moves to another
    // folder; RescanResources indexes it again, so that files put into it since are seen.
    ResourceSources Sources() const;
    void RescanResources() const;

    // The camera a save stores.
    CameraState CameraForSave() const { return CurrentView().camera; }

    // The one way the model changes: runs op as one undo step. The state before is kept
    // and becomes the undo step only when op reports a change (the radii are then
    // brought up to date and the document is modified); an op that changes nothing
    // leaves no step. With `step`, an operation that goes on changing what an earlier one
    // began (a drag, a dialog that applies as it goes) joins the undo step that run
    // opened, as long as no other step, undo or redo came between; the first run opens it.
    struct OpenStep {
        uint64_t id = 0;
    };
    EditOutcome Run(EditContext& c, const std::function<EditOutcome(EditContext&)>& op, OpenStep* step = nullptr);
    // An operation with its parameters.
    template <class Params>
    EditOutcome Run(EditContext& c, EditOutcome (*op)(EditContext&, const Params&), const Params& params,
                    OpenStep* step = nullptr)
    {
        return Run(
            c, [&](EditContext& e) { return op(e, params); }, step);
    }
    // The same for a change that needs no context: a step when change returns true.
    bool Change(const std::function<bool()>& change);

    // Places every node and mesh for the model's frame and model matrix as they stand
    // (the pose's world matrices, which drawing, picking and editing read). The runner
    // does it after each operation, and so does each undo, redo and open; a change made
    // some other way calls it.
    void PlaceNodes();
    // A frame of a continuous view is due: the animating view's keyframe plays on by
    // `seconds` (the real time since its previous frame), the rotating view turns one
    // step; then the nodes are placed for the frame. The renderer asks for it before it
    // draws such a frame.
    void StepContinuousView(float seconds);

    bool CanUndo() const { return history.CanUndo(); }
    bool CanRedo() const { return history.CanRedo(); }
    // Fail when there is nothing to undo or redo (see history) or the step cannot be read.
    Status Undo(ViewState& view);
    Status Redo(ViewState& view);
    // Takes back what the runs of an open step changed, leaving no redo of it (a
    // dialog's Cancel): the model is as before the step's first run. Nothing to do when
    // the step never opened; fails when another step, an undo or a redo came after it.
    Status TakeBack(const OpenStep& step, ViewState& view);

private:
    // Tells the undo history what the operation just run touched.
    void NoteOutcome(const EditOutcome& o);
    // Sources for a file at path, without custom materials.
    ResourceSources SourcesAt(const std::string& path, bool fresh) const;
    // The radii after an operation changed the model, reading only what it touched.
    void UpdateRadiiAfter(const EditOutcome& o);
    // An undo or redo result: the model put in place (modified unless it is the state
    // saved).
    Status TakeRestored(Result<std::unique_ptr<CModel>> restored);

    DocumentEnvironment env_;
    std::string pathName_;
    std::string title_;
    uint64_t savedState_ = 0;  // history.State() when the document was last saved or opened
    uint64_t changes_ = 0;
    std::string readInPart_;
    bool readDamaged_ = false;
    bool replaceAgreed_ = false;
    std::string puppetFile_;
    std::string puppetProblem_;
    bool puppetReplaceAgreed_ = false;
    mutable std::filesystem::path modFolder_;  // the folder modIndex_ was made for
    mutable std::shared_ptr<const ResourceIndex> modIndex_;
    // Counts undo steps pushed, undone and redone: an open step is the newest only while
    // this has not moved since it was opened.
    uint64_t steps_ = 0;
    bool running_ = false;  // an operation of Run is under way: one run inside it joins its step
};

// Reads a ".pup" file; fails when it cannot be read or has neither a mode nor a joints
// section ("walk.pup holds no puppet modes"). A joints section alone is a puppet file.
Result<PuppetImport> ReadPuppetImport(const std::string& path);
// Gives the model the imported puppet modes and joint lines in place of its own.
void ApplyPuppetImport(CModel& model, PuppetImport&& import);

// The name of the puppet file that belongs to a 3DO file: its file name cut after the
// first "." with "pup" appended (my.ship.3do gives my.pup).
std::string PuppetNameFor(const std::string& modelPath);

}  // namespace orv
