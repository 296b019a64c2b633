// The document: one model with its view and edit switches, its undo and redo lists,
// and the rules that open and save it by file name.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "edit/modes.h"
#include "model/corners.h"
#include "model/model.h"
#include "model/projectfile.h"
#include "model/settings.h"
#include "model/undo.h"

namespace orv {

struct ResourceCatalog;

// What a document needs from the application: the game's catalogue and archive, the
// program's own folder (the "New.orv" template; the export's puppet and keyframe sources
// for a document without a file) and the sizes of materials for building face corners.
struct DocumentEnvironment {
    const ResourceCatalog* catalog = nullptr;
    std::filesystem::path resourceFile;
    std::filesystem::path programDir;
    TextureSizeFn textureSize;
};

class COrvaneDoc {
public:
    COrvaneDoc(const Settings& settings, DocumentEnvironment env);
    ~COrvaneDoc();
    COrvaneDoc(const COrvaneDoc&) = delete;
    COrvaneDoc& operator=(const COrvaneDoc&) = delete;

    CRenderer* renderer = nullptr;  // the view's, not owned; null until the view makes one
    uint32_t runtimeWord = 0;
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
    bool IsModified() const { return modified_; }
    void SetModified(bool on = true) { modified_ = on; }
    const DocumentEnvironment& Environment() const { return env_; }
    void SetEnvironment(DocumentEnvironment env) { env_ = std::move(env); }

    // A new document, without a file name: the template "New.orv" of the program folder
    // when it loads, the empty model otherwise. Always succeeds.
    bool NewDocument();
    // Opens by the lower-cased name: ".3do" reads a 3DO model and its puppet file;
    // anything else loads a project file and its current keyframe. On failure the
    // document keeps what it had and error says why.
    bool OpenDocument(const std::string& path, std::string* error = nullptr);
    // Saves by the lower-cased name: ".brp" exports the resource tree, ".3do" writes the
    // 3DO file, anything else writes the project file. Every save is written whole or
    // not at all; failures are reported.
    bool SaveDocument(const std::string& path, std::string* error = nullptr);
    // Save As: saves, and a project (".orv") name becomes the document's name.
    bool SaveAs(const std::string& path, std::string* error = nullptr);
    // Reads a ".pup" file into the model's puppet data and marks the document modified.
    bool ImportPuppet(const std::string& path, std::string* error = nullptr);
    // Loads the keyframe of the current puppet mode and sub-mode from the catalogue or
    // from beside the document; false when there is none.
    bool LoadCurrentKeyframe();

    // The camera a save stores.
    CameraState CameraForSave() const { return CurrentView().camera; }

    // Undo and redo of whole-model snapshots; every snapshot and restore marks the
    // document modified.
    void TakeSnapshot(const ViewState& view);
    // A snapshot with the view's present state: what every model change takes first.
    void TakeSnapshot() { TakeSnapshot(CurrentView()); }
    // One change of the model as one undo step, for changes that know only afterwards
    // whether they changed anything: the present state is kept before change runs and
    // becomes the undo step only when change returns true (the document is then
    // modified). Returns what change returned.
    bool Change(const std::function<bool()>& change);
    bool Undo(ViewState& view, std::string* error = nullptr);
    bool Redo(ViewState& view, std::string* error = nullptr);

private:
    void ResetModel(std::unique_ptr<CModel> m);
    // An undo or redo result: the model put in place and the document modified.
    bool TakeRestored(std::unique_ptr<CModel> restored);

    DocumentEnvironment env_;
    std::string pathName_;
    std::string title_;
    bool modified_ = false;
};

// The name of the puppet file that belongs to a 3DO file: its file name cut after the
// first "." with "pup" appended (my.ship.3do gives my.pup).
std::string PuppetNameFor(const std::string& modelPath);

}  // namespace orv
