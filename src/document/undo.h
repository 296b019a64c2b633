// Undo and redo: each list holds steps of the model's content (ModelContent: what the
// files store) with the selection and camera of the moment. A step is made of immutable
// pieces -- the content's head, each mesh's own fields, its faces in blocks -- and every
// piece that did not change since the step before is shared with it, so a list of fifty
// steps holds what the steps changed, not fifty models.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/edit_context.h"
#include "formats/projectfile.h"
#include "model/corners.h"
#include "model/model.h"

namespace orv {

// The view state that travels with a snapshot.
struct ViewState {
    int32_t mesh = -1;
    int32_t face = -1;
    int32_t node = -1;
    CameraState camera;
};

// One immutable piece of a step's content and the fingerprint of what it was made from.
struct ContentPiece {
    std::vector<uint8_t> bytes;
    uint64_t fingerprint = 0;
};
using SharedPiece = std::shared_ptr<const ContentPiece>;

// A mesh of a step: its own fields (with its face count), then its faces in blocks of
// kFaceBlock.
struct MeshImage {
    SharedPiece fields;
    std::vector<SharedPiece> blocks;
};

// The model's content as a step holds it: everything but the geometry sets in the head,
// then the meshes of each geometry set.
struct ContentImage {
    SharedPiece head;
    std::vector<std::vector<MeshImage>> geosets;
};

// A step of the undo and redo lists.
struct UndoSnapshot {
    std::shared_ptr<const ContentImage> content;
    uint64_t state = 0;  // the state it holds (UndoHistory::State)
    int32_t mesh = -1;
    int32_t face = -1;
    int32_t node = -1;
    Vec3 eye;
    Vec3 direction;
    Vec3 up;
};

// What a step reads of a model's faces: the fingerprint of each block of kFaceBlock
// faces, by geometry set, mesh and block.
using FacePrints = std::vector<std::vector<std::vector<uint64_t>>>;
// Whether mesh k of geometry set g is as the step before holds it.
using MeshFilter = std::function<bool(std::size_t g, std::size_t k)>;

// The fingerprints of the model's face blocks. A mesh that unchanged(g, k) says is as
// previous holds it (in as many blocks) takes previous's: its faces are not read.
FacePrints FindFacePrints(const CModel& model, const ContentImage* previous = nullptr,
                          const MeshFilter& unchanged = {});

// Brings up to date what a step of the model holds and what follows from its faces, as
// a save leaves them: the format tag becomes "JK1" (an edited model is one of the
// editor's own), the lists of every mesh whose faces changed since previous are rebuilt
// from its corners, and the radii are measured again where their geometry changed
// (UpdateRadii). prints: FindFacePrints of the model as it stands.
void PrepareForStep(CModel& model, const FacePrints& prints, const ContentImage* previous = nullptr);

// Takes the model's content and the view state as they stand: a step reads the model,
// never writes it (PrepareForStep comes first). prints: FindFacePrints of the model, or
// none to find them here. Pieces whose fingerprints match those of previous (a step
// taken before, if any) are shared with it.
std::unique_ptr<UndoSnapshot> TakeSnapshot(const CModel& model, const ViewState& view,
                                           const ContentImage* previous = nullptr, const FacePrints* prints = nullptr);

// A model with the step's content: its lists rebuilt from the corners, its radii marked
// current, the texture tool's unset scales filled from textureSize. What a step does not
// hold comes from current as it stands: the pose (ModelPose) and the camera bookmarks.
// Gives back the step's view state in view. Fails on a damaged step.
Result<std::unique_ptr<CModel>> RestoreSnapshot(const UndoSnapshot& snap, const CModel& current, ViewState& view,
                                                const TextureSizeFn& textureSize);

// The step's content as one run of bytes: equal for equal content.
std::vector<uint8_t> ContentBytes(const UndoSnapshot& snap);

class UndoHistory {
public:
    static constexpr std::size_t kDepth = 50;

    // Brings the model up to date for the step Take makes next (PrepareForStep), reading
    // again only the faces the runner said changed since the last step; gives back the
    // faces' fingerprints for that Take.
    FacePrints PrepareForStep(CModel& model);
    // Appends a snapshot of the present state to the undo list: a change follows.
    void Snapshot(const CModel& model, const ViewState& view);
    // Appends a snapshot taken earlier (before a change that turned out to change
    // something). A new change ends the redo list: what was undone cannot come back over
    // it. The present is a new state.
    void Push(std::unique_ptr<UndoSnapshot> snapshot);
    // A snapshot of the present state, sharing what did not change with the last one
    // taken or restored, not yet in a list. prints: what PrepareForStep gave back for the
    // model as it stands, or none to read the faces here.
    std::unique_ptr<UndoSnapshot> Take(const CModel& model, const ViewState& view, const FacePrints* prints = nullptr);
    // The document's runner vouches, after each operation it ran, for which faces changed
    // since the last Take (EditOutcome::Touched). The next Take then reads only the
    // meshes named. Without it (a model changed some other way, a restore, Clear,
    // another model) every mesh is read again.
    void NoteChange(const CModel& model, const MeshScope& scope);
    // A check for tests: while on, each reading of the faces reads the meshes it was told
    // are unchanged all the same, and counts in SharingFaults those that had changed.
    void VerifySharing(bool on) { verifySharing_ = on; }
    std::size_t SharingFaults() const { return sharingFaults_; }

    // The state the model is in. Every state has a number of its own and a step keeps the
    // number of the state it holds, so an undo or redo comes back to the number the state
    // had: the document compares it with the state it saved. Push, Undo, Redo, TakeBack
    // and MarkChanged move it.
    uint64_t State() const { return state_; }
    // The present changed without a step of its own (a run going on with the step it
    // opened, a change made outside the runner): it is a new state.
    void MarkChanged() { state_ = ++lastState_; }

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }

    // Exchange the present state with the newest entry of one list, pushing the present
    // onto the other. On success returns the restored model and updates view; the caller
    // replaces its model with it. Fails when the list is empty (see CanUndo, CanRedo) or
    // its snapshot cannot be read; both lists are then as before.
    Result<std::unique_ptr<CModel>> Undo(const CModel& current, ViewState& view, const TextureSizeFn& textureSize = {});
    Result<std::unique_ptr<CModel>> Redo(const CModel& current, ViewState& view, const TextureSizeFn& textureSize = {});
    // Undo without a redo: the newest step comes back and the present is dropped, as if
    // the change had never been made (a dialog's Cancel).
    Result<std::unique_ptr<CModel>> TakeBack(const CModel& current, ViewState& view,
                                             const TextureSizeFn& textureSize = {});

    const std::vector<std::unique_ptr<UndoSnapshot>>& UndoList() const { return undo_; }
    const std::vector<std::unique_ptr<UndoSnapshot>>& RedoList() const { return redo_; }
    // The memory both lists hold, every shared piece counted once.
    std::size_t MemoryHeld() const;
    void Clear();

private:
    using SnapshotList = std::vector<std::unique_ptr<UndoSnapshot>>;
    // Undo and Redo: the newest entry of `from` comes back, the present goes onto `to`
    // (nowhere without one).
    Result<std::unique_ptr<CModel>> Exchange(SnapshotList& from, SnapshotList* to, const CModel& current,
                                             ViewState& view, const TextureSizeFn& textureSize, const char* empty);
    // The fingerprints of the model's faces, those the runner vouched for unread.
    FacePrints Prints(const CModel& model);

    SnapshotList undo_;
    SnapshotList redo_;
    uint64_t state_ = 0;
    uint64_t lastState_ = 0;
    // The content last taken or restored: what the next step shares its pieces with.
    std::shared_ptr<const ContentImage> latest_;
    // The model latest_ was taken from; whether the runner vouched for what changed since
    // (vouched_), and if so which of its meshes (changed_); whether it may still start to.
    const CModel* latestModel_ = nullptr;
    bool vouched_ = false;
    bool mayVouch_ = false;
    std::vector<std::pair<int32_t, int32_t>> changed_;
    bool verifySharing_ = false;
    std::size_t sharingFaults_ = 0;
};

}  // namespace orv
