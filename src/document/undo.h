// Undo and redo: each list holds snapshots of the whole model (in the project-file
// layout) with the selection and camera of the moment.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

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

// Serialises the model and records the view state and model matrix. sizeHint (the size
// of a recent snapshot) lets the bytes be written without regrowing.
std::unique_ptr<UndoSnapshot> TakeSnapshot(CModel& model, const ViewState& view, std::size_t sizeHint = 0);

// Rebuilds a model from a snapshot (its face corners built with textureSize) and gives
// back the recorded view state with the keyframe of the moment. Fields that snapshots do
// not hold (the playing time, the puppet joint lines, the back-pointers) are carried over
// from `current`, so an undo never drops them.
Result<std::unique_ptr<CModel>> RestoreSnapshot(const UndoSnapshot& snap, const CModel& current, ViewState& view,
                                                const TextureSizeFn& textureSize);

class UndoHistory {
public:
    static constexpr std::size_t kDepth = 50;

    // Appends a snapshot of the present state to the undo list (the redo list stays).
    void Snapshot(CModel& model, const ViewState& view);
    // Appends a snapshot taken earlier (before a change that turned out to change
    // something); the redo list stays.
    void Push(std::unique_ptr<UndoSnapshot> snapshot);
    // A snapshot of the present state, sized like the recent ones, not yet in a list.
    std::unique_ptr<UndoSnapshot> Take(CModel& model, const ViewState& view) const;

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }

    // Exchange the present state with the newest entry of one list, pushing the present
    // onto the other. On success returns the restored model and updates view; the caller
    // replaces its model with it. Fails when the list is empty (see CanUndo, CanRedo) or
    // its snapshot cannot be read; both lists are then as before.
    Result<std::unique_ptr<CModel>> Undo(CModel& current, ViewState& view, const TextureSizeFn& textureSize = {});
    Result<std::unique_ptr<CModel>> Redo(CModel& current, ViewState& view, const TextureSizeFn& textureSize = {});

    const std::vector<std::unique_ptr<UndoSnapshot>>& UndoList() const { return undo_; }
    const std::vector<std::unique_ptr<UndoSnapshot>>& RedoList() const { return redo_; }
    std::size_t MemoryHeld() const;
    void Clear();

private:
    using SnapshotList = std::vector<std::unique_ptr<UndoSnapshot>>;
    std::size_t SizeHint() const;
    // Undo and Redo: the newest entry of `from` comes back, the present goes onto `to`.
    Result<std::unique_ptr<CModel>> Exchange(SnapshotList& from, SnapshotList& to, CModel& current, ViewState& view,
                                             const TextureSizeFn& textureSize, const char* empty);

    SnapshotList undo_;
    SnapshotList redo_;
};

}  // namespace orv
