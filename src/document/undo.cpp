#include "document/undo.h"

#include "model/keyframe.h"

namespace orv {

namespace {

void Trim(std::vector<std::unique_ptr<UndoSnapshot>>& list)
{
    if (list.size() > UndoHistory::kDepth)
        list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(list.size() - UndoHistory::kDepth));
}

}  // namespace

std::unique_ptr<UndoSnapshot> TakeSnapshot(CModel& model, const ViewState& view, std::size_t sizeHint)
{
    ArchiveWriter out;
    if (sizeHint > 0)
        out.Reserve(sizeHint + sizeHint / 64 + 4096);
    StoreModel(out, model);
    auto s = std::make_unique<UndoSnapshot>();
    s->data = out.Take();
    // Up to fifty of these are kept: a buffer that grew far past its content gives the
    // spare room back.
    if (s->data.capacity() - s->data.size() > s->data.size() / 16 + 4096)
        s->data.shrink_to_fit();
    s->geoset = model.currentGeoset;
    s->mesh = view.mesh;
    s->face = view.face;
    s->node = view.node;
    s->eye = view.camera.eye;
    s->direction = view.camera.direction;
    s->up = view.camera.up;
    s->modelMatrix = model.modelMatrix;
    if (model.keyframe)
        s->keyframe = CopyKeyframe(*model.keyframe);
    s->frameCount = model.frameCount;
    s->frameTime = model.frameTime;
    return s;
}

Result<std::unique_ptr<CModel>> RestoreSnapshot(const UndoSnapshot& snap, const CModel& current, ViewState& view,
                                                const TextureSizeFn& textureSize)
{
    ArchiveReader in(snap.data.data(), snap.data.size());
    auto loaded = LoadModel(in);
    if (!loaded)
        return loaded;
    std::unique_ptr<CModel> model = std::move(*loaded);
    model->currentGeoset = snap.geoset;
    model->modelMatrix = snap.modelMatrix;
    // Snapshots hold the lists only; the corners are the working geometry.
    BuildFaceCorners(*model, textureSize);
    if (snap.keyframe)
        model->keyframe = CopyKeyframe(*snap.keyframe);
    model->frameCount = snap.frameCount;
    model->frameTime = snap.frameTime;
    model->timeAccumulator = current.timeAccumulator;
    model->puppetJoints = current.puppetJoints;
    view.mesh = snap.mesh;
    view.face = snap.face;
    view.node = snap.node;
    view.camera = {snap.eye, snap.direction, snap.up};
    return model;
}

std::size_t UndoHistory::SizeHint() const
{
    // Consecutive snapshots of one model differ little in size.
    if (!undo_.empty())
        return undo_.back()->data.size();
    return redo_.empty() ? 0 : redo_.back()->data.size();
}

void UndoHistory::Snapshot(CModel& model, const ViewState& view) { Push(Take(model, view)); }

std::unique_ptr<UndoSnapshot> UndoHistory::Take(CModel& model, const ViewState& view) const
{
    return TakeSnapshot(model, view, SizeHint());
}

void UndoHistory::Push(std::unique_ptr<UndoSnapshot> snapshot)
{
    undo_.push_back(std::move(snapshot));
    Trim(undo_);
}

Result<std::unique_ptr<CModel>> UndoHistory::Exchange(SnapshotList& from, SnapshotList& to, CModel& current,
                                                      ViewState& view, const TextureSizeFn& textureSize,
                                                      const char* empty)
{
    if (from.empty())
        return Fail(empty);
    auto present = TakeSnapshot(current, view, SizeHint());
    ViewState restored = view;
    auto model = RestoreSnapshot(*from.back(), current, restored, textureSize);
    if (!model)
        return model;  // both lists stay as they were
    from.pop_back();
    to.push_back(std::move(present));
    Trim(to);
    view = restored;
    return model;
}

Result<std::unique_ptr<CModel>> UndoHistory::Undo(CModel& current, ViewState& view, const TextureSizeFn& textureSize)
{
    return Exchange(undo_, redo_, current, view, textureSize, "there is nothing to undo");
}

Result<std::unique_ptr<CModel>> UndoHistory::Redo(CModel& current, ViewState& view, const TextureSizeFn& textureSize)
{
    return Exchange(redo_, undo_, current, view, textureSize, "there is nothing to redo");
}

std::size_t UndoHistory::MemoryHeld() const
{
    std::size_t n = 0;
    for (const auto* list : {&undo_, &redo_})
        for (const auto& s : *list)
            n += s->data.capacity() + sizeof(UndoSnapshot);
    return n;
}

void UndoHistory::Clear()
{
    undo_.clear();
    redo_.clear();
}

}  // namespace orv
