// What every edit operation works on and what it gives back. An operation of the model
// or the view has one shape, EditOutcome Op(EditContext&[, const Params&]); the document's
// runner (COrvaneDoc::Run) wraps the ones that change the model into one undo step each.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "document/modes.h"
#include "model/corners.h"
#include "model/model.h"
#include "model/settings.h"

namespace orv {

class COrvaneDoc;
class Selection;
class Camera;
struct Clipboard;
struct CommandHooks;

// What the window must do after an operation: each bit one kind of refresh.
enum CommandEffect : uint32_t {
    kRedrawView = 1u << 0,        // this view draws again (the camera moved)
    kViewStateChanged = 1u << 1,  // views and panes refresh; no face changed
    kModelChanged = 1u << 2,      // faces changed: every view makes its drawing data again
    kModelReplaced = 1u << 3,     // a new model object (undo, redo): views prepare again
    kSelectionChanged = 1u << 4,  // panes and command states follow the selection
    kRecreateDevice = 1u << 5,    // the projection changed (enlarge)
    kMeasure = 1u << 6,           // measure the model as now placed ("Middle")
    kTexturesChanged = 1u << 7,   // faces with new materials: views load their textures again
    kSettingsChanged = 1u << 8,   // a setting of the program: the views of every document redraw
};

// Which faces of the model a change touched: none (nodes, names, switches...), those of
// one mesh, or any. The next undo step reads again only the faces named.
struct MeshScope {
    enum class Kind { None, OneMesh, Any };
    Kind kind = Kind::Any;
    int32_t geoset = -1;  // with OneMesh: the mesh's geometry set and its index there
    int32_t mesh = -1;

    static MeshScope None() { return {Kind::None}; }
    static MeshScope Any() { return {Kind::Any}; }
    static MeshScope OneMesh(int32_t geoset, int32_t mesh) { return {Kind::OneMesh, geoset, mesh}; }
    bool operator==(const MeshScope&) const = default;
};

// What an operation did. changed: the model (what a save writes) changed, so the runner
// keeps the state before as an undo step; an operation that changes only the view or the
// switches leaves it false. effects: the CommandEffect bits the window acts on (also
// without a change: a refusal may still move the selection). message: a refusal or a
// failure to show the user, "" when all went well.
struct EditOutcome {
    bool changed = false;
    uint32_t effects = 0;
    std::string message;
    // Which faces the operation touched, when it knows: the next undo step then reads
    // only those again. Unset, a change may have touched any face, and an operation that
    // changed nothing none. An operation may touch faces without an undo step of its own
    // (a click marks a vertex selected): it says which.
    std::optional<MeshScope> faces;

    MeshScope Touched() const { return faces ? *faces : changed ? MeshScope::Any() : MeshScope::None(); }

    // Carried out, with these refreshes, without changing the model.
    static EditOutcome Done(uint32_t effects) { return EditOutcome{false, effects, {}, {}}; }
    // The model changed.
    static EditOutcome Changed(uint32_t effects) { return EditOutcome{true, effects, {}, {}}; }
    // Nothing done, and why.
    static EditOutcome Refused(std::string message) { return EditOutcome{false, 0, std::move(message), {}}; }
};

// The document's model, switches and settings with a view's selection, camera and
// clipboard, the modifier keys held and the window's dialog hooks. The selection, camera
// and clipboard belong to the view and are absent until it has them; the switches change
// without them. A context without a document works on a model of its own (the command
// line, tests): it has no undo.
struct EditContext {
    EditContext() = default;
    EditContext(COrvaneDoc& document, Settings& settings, Selection* selection = nullptr, Camera* camera = nullptr);
    EditContext(CModel& model, EditModes& modes, Settings& settings, Selection* selection = nullptr,
                Camera* camera = nullptr);

    int id = 0;                 // the command being run or asked about
    COrvaneDoc* doc = nullptr;  // none when no document is open (or for a bare model)
    Settings* settings = nullptr;
    Selection* selection = nullptr;
    Camera* camera = nullptr;
    Clipboard* clipboard = nullptr;
    const CommandHooks* hooks = nullptr;  // the window's dialogs that give commands their parameters
    Modifiers mods;                       // held when the command runs
    bool drawing = false;                 // the view has a drawing device

    // Whether there is a model to work on.
    bool HasModel() const { return doc != nullptr || model_ != nullptr; }
    // The document's model, asked each time: an undo puts a new one in place.
    CModel& model() const;
    EditModes& modes() const;
    // The sizes of materials for the texture fields of new faces: the document's
    // environment, none without a document.
    TextureSizeFn TextureSizes() const;

private:
    CModel* model_ = nullptr;
    EditModes* modes_ = nullptr;
};

}  // namespace orv
