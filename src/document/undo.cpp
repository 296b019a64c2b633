#include "document/undo.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <type_traits>
#include <unordered_set>
#include <utility>

#include "document/edit_context.h"
#include "model/content.h"
#include "model/radius.h"

namespace orv {

namespace {

// ---- the bytes of a piece ------------------------------------------------------------
//
// Plain values as they lie in memory (a step never leaves the program), lists and texts
// after their length.

class PieceWriter {
public:
    explicit PieceWriter(std::vector<uint8_t>& out) : out_(out) {}

    void operator()(const std::string& s)
    {
        Size(s.size());
        Bytes(s.data(), s.size());
    }
    void operator()(const std::vector<std::string>& list)
    {
        Size(list.size());
        for (const auto& s : list)
            (*this)(s);
    }
    template <typename T>
    void operator()(const std::vector<T>& list)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        Size(list.size());
        Bytes(list.data(), list.size() * sizeof(T));
    }
    template <typename T>
    void operator()(const T& value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        Bytes(&value, sizeof(T));
    }
    void Span(const void* first, std::size_t bytes) { Bytes(first, bytes); }
    template <typename T, typename F>
    void Owned(const std::vector<T>& list, F visitItem)
    {
        Size(list.size());
        for (const auto& item : list)
            visitItem(Deref(item));
    }
    template <typename T, typename F>
    void Optional(const std::optional<T>& record, F visitRecord)
    {
        (*this)(static_cast<uint8_t>(record ? 1 : 0));
        if (record)
            visitRecord(*record);
    }
    void Size(std::size_t n) { (*this)(static_cast<uint64_t>(n)); }

private:
    void Bytes(const void* data, std::size_t n)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        if (n > 0)
            out_.insert(out_.end(), p, p + n);
    }

    std::vector<uint8_t>& out_;
};

// A step's piece that does not read back as it was written: only a fault of the program
// (or of memory) makes one, and the step is then refused rather than half restored.
struct DamagedPiece : std::exception {
    const char* what() const noexcept override { return "the undo step is damaged"; }
};

class PieceReader {
public:
    explicit PieceReader(const ContentPiece& piece) : p_(piece.bytes.data()), end_(p_ + piece.bytes.size()) {}

    void operator()(std::string& s)
    {
        const std::size_t n = Size(1);
        s.assign(reinterpret_cast<const char*>(Take(n)), n);
    }
    void operator()(std::vector<std::string>& list)
    {
        list.resize(Size(8));
        for (auto& s : list)
            (*this)(s);
    }
    template <typename T>
    void operator()(std::vector<T>& list)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        list.resize(Size(sizeof(T)));
        const std::size_t bytes = list.size() * sizeof(T);
        if (bytes > 0)
            std::memcpy(list.data(), Take(bytes), bytes);
    }
    template <typename T>
    void operator()(T& value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        std::memcpy(&value, Take(sizeof(T)), sizeof(T));
    }
    void Span(void* first, std::size_t bytes) { std::memcpy(first, Take(bytes), bytes); }
    template <typename T, typename F>
    void Owned(std::vector<T>& list, F visitItem)
    {
        const std::size_t n = Size(1);
        list.clear();
        list.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            if constexpr (requires { typename T::element_type; })
                list.push_back(std::make_unique<typename T::element_type>());
            else
                list.emplace_back();
            visitItem(Deref(list.back()));
        }
    }
    template <typename T, typename F>
    void Optional(std::optional<T>& record, F visitRecord)
    {
        uint8_t present = 0;
        (*this)(present);
        record.reset();
        if (present)
            visitRecord(record.emplace());
    }
    // A count whose elements take at least elementSize bytes each.
    std::size_t Size(std::size_t elementSize)
    {
        uint64_t n = 0;
        (*this)(n);
        if (n > static_cast<uint64_t>(end_ - p_) / elementSize)
            throw DamagedPiece();
        return static_cast<std::size_t>(n);
    }
    bool AtEnd() const { return p_ == end_; }

private:
    const uint8_t* Take(std::size_t n)
    {
        if (n > static_cast<std::size_t>(end_ - p_))
            throw DamagedPiece();
        const uint8_t* at = p_;
        p_ += n;
        return at;
    }

    const uint8_t* p_;
    const uint8_t* end_;
};

SharedPiece MakePiece(std::vector<uint8_t> bytes, uint64_t fingerprint)
{
    auto piece = std::make_shared<ContentPiece>();
    piece->bytes = std::move(bytes);
    piece->fingerprint = fingerprint;
    return piece;
}

// A piece of small, seldom-changing content (the head, a mesh's own fields): written out
// whole each time, then shared when its bytes are those of the piece before.
template <typename Write>
SharedPiece SmallPiece(const SharedPiece& before, Write write)
{
    std::vector<uint8_t> bytes;
    PieceWriter w(bytes);
    write(w);
    Fingerprint fp;
    fp.Add(bytes.data(), bytes.size());
    const uint64_t fingerprint = fp.Finish();
    if (before && before->fingerprint == fingerprint && before->bytes == bytes)
        return before;
    return MakePiece(std::move(bytes), fingerprint);
}

std::size_t FaceCount(std::size_t blocks, std::size_t block, std::size_t faces)
{
    return block + 1 < blocks ? kFaceBlock : faces - block * kFaceBlock;
}

void Trim(std::vector<std::unique_ptr<UndoSnapshot>>& list)
{
    if (list.size() > UndoHistory::kDepth)
        list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(list.size() - UndoHistory::kDepth));
}

// Mesh k of geometry set g as the step previous holds it, if it does.
const MeshImage* MeshBefore(const ContentImage* previous, std::size_t g, std::size_t k)
{
    if (!previous || g >= previous->geosets.size() || k >= previous->geosets[g].size())
        return nullptr;
    return &previous->geosets[g][k];
}

std::size_t BlockCount(const CMesh& mesh) { return (mesh.faces.size() + kFaceBlock - 1) / kFaceBlock; }

// Whether the prints have a mesh for every mesh of the model and a block for every
// block of its faces: prints of another model, or of this one before faces came or
// went, are not used.
bool Fit(const FacePrints& prints, const CModel& model)
{
    if (prints.size() != model.geosets.size())
        return false;
    for (std::size_t g = 0; g < prints.size(); ++g) {
        const auto& meshes = model.geosets[g].meshes;
        if (prints[g].size() != meshes.size())
            return false;
        for (std::size_t k = 0; k < meshes.size(); ++k)
            if (prints[g][k].size() != BlockCount(meshes[k]))
                return false;
    }
    return true;
}

// Whether a mesh's faces differ from those of the step before.
bool FacesChanged(const MeshImage* was, const std::vector<uint64_t>& blocks)
{
    if (!was || was->blocks.size() != blocks.size())
        return true;
    for (std::size_t b = 0; b < blocks.size(); ++b)
        if (was->blocks[b]->fingerprint != blocks[b])
            return true;
    return false;
}

std::unique_ptr<CModel> ReadContent(const ContentImage& image)
{
    auto model = std::make_unique<CModel>();
    PieceReader head(*image.head);
    VisitContentHead(head, static_cast<ModelContent&>(*model));
    for (const auto& meshes : image.geosets) {
        CGeometry geoset;
        for (const MeshImage& m : meshes) {
            CMesh mesh;
            PieceReader fields(*m.fields);
            VisitMeshFields(fields, mesh);
            // The faces lie in the blocks, not after their count.
            uint64_t faces = 0;
            fields(faces);
            if (!fields.AtEnd() || (faces + kFaceBlock - 1) / kFaceBlock != m.blocks.size())
                throw DamagedPiece();
            mesh.faces.reserve(faces);
            for (std::size_t b = 0; b < m.blocks.size(); ++b) {
                PieceReader block(*m.blocks[b]);
                for (std::size_t i = FaceCount(m.blocks.size(), b, faces); i-- > 0;) {
                    CFace face;
                    VisitFaceFields(block, face);
                    mesh.faces.push_back(std::move(face));
                }
                if (!block.AtEnd())
                    throw DamagedPiece();
            }
            geoset.meshes.push_back(std::move(mesh));
        }
        model->geosets.push_back(std::move(geoset));
    }
    if (!head.AtEnd())
        throw DamagedPiece();
    return model;
}

}  // namespace

FacePrints FindFacePrints(const CModel& model, const ContentImage* previous, const MeshFilter& unchanged)
{
    FacePrints prints(model.geosets.size());
    for (std::size_t g = 0; g < model.geosets.size(); ++g) {
        const auto& meshes = model.geosets[g].meshes;
        for (std::size_t k = 0; k < meshes.size(); ++k) {
            const CMesh& mesh = meshes[k];
            const MeshImage* was = MeshBefore(previous, g, k);
            std::vector<uint64_t> blocks;
            if (was && unchanged && was->blocks.size() == BlockCount(mesh) && unchanged(g, k)) {
                for (const auto& b : was->blocks)
                    blocks.push_back(b->fingerprint);
            } else {
                for (std::size_t first = 0; first < mesh.faces.size(); first += kFaceBlock)
                    blocks.push_back(FaceBlockFingerprint(mesh, first, kFaceBlock));
            }
            prints[g].push_back(std::move(blocks));
        }
    }
    return prints;
}

void PrepareForStep(CModel& model, const FacePrints& prints, const ContentImage* previous)
{
    const FacePrints found = Fit(prints, model) ? FacePrints{} : FindFacePrints(model);
    const FacePrints& faces = Fit(prints, model) ? prints : found;
    // As a project write leaves the model: an edited model is one of the editor's own.
    model.formatTag = "JK1";
    std::vector<std::vector<uint64_t>> facesPrints(model.geosets.size());
    for (std::size_t g = 0; g < model.geosets.size(); ++g)
        for (std::size_t k = 0; k < model.geosets[g].meshes.size(); ++k) {
            CMesh& mesh = model.geosets[g].meshes[k];
            // Lists and normals follow the corners at every step, as a save leaves them.
            if (FacesChanged(MeshBefore(previous, g, k), faces[g][k]))
                RebuildListsIfChanged(model.caches, mesh);
            facesPrints[g].push_back(CombineFacesFingerprint(mesh, faces[g][k]));
        }
    UpdateRadii(model, facesPrints);
}

std::unique_ptr<UndoSnapshot> TakeSnapshot(const CModel& model, const ViewState& view, const ContentImage* previous,
                                           const FacePrints* prints)
{
    const FacePrints found = prints && Fit(*prints, model) ? FacePrints{} : FindFacePrints(model, previous);
    const FacePrints& faces = prints && Fit(*prints, model) ? *prints : found;

    auto image = std::make_shared<ContentImage>();
    image->head =
        SmallPiece(previous ? previous->head : nullptr, [&](PieceWriter& w) { VisitContentHead(w, model); });
    image->geosets.resize(model.geosets.size());
    for (std::size_t g = 0; g < model.geosets.size(); ++g) {
        const auto& meshes = model.geosets[g].meshes;
        for (std::size_t k = 0; k < meshes.size(); ++k) {
            const CMesh& mesh = meshes[k];
            const MeshImage* was = MeshBefore(previous, g, k);
            MeshImage m;
            m.fields = SmallPiece(was ? was->fields : nullptr, [&](PieceWriter& w) {
                VisitMeshFields(w, mesh);
                w.Size(mesh.faces.size());
            });
            const auto& blocks = faces[g][k];
            for (std::size_t b = 0; b < blocks.size(); ++b) {
                if (was && b < was->blocks.size() && was->blocks[b]->fingerprint == blocks[b]) {
                    m.blocks.push_back(was->blocks[b]);
                    continue;
                }
                std::vector<uint8_t> bytes;
                PieceWriter w(bytes);
                const std::size_t end = std::min(mesh.faces.size(), (b + 1) * kFaceBlock);
                for (std::size_t i = b * kFaceBlock; i < end; ++i)
                    VisitFaceFields(w, mesh.faces[i]);
                m.blocks.push_back(MakePiece(std::move(bytes), blocks[b]));
            }
            image->geosets[g].push_back(std::move(m));
        }
    }

    auto s = std::make_unique<UndoSnapshot>();
    s->content = std::move(image);
    s->mesh = view.mesh;
    s->face = view.face;
    s->node = view.node;
    s->eye = view.camera.eye;
    s->direction = view.camera.direction;
    s->up = view.camera.up;
    return s;
}

Result<std::unique_ptr<CModel>> RestoreSnapshot(const UndoSnapshot& snap, const CModel& current, ViewState& view,
                                                const TextureSizeFn& textureSize)
{
    if (!snap.content || !snap.content->head)
        return Fail("the undo step holds no model");
    std::unique_ptr<CModel> model;
    try {
        model = ReadContent(*snap.content);
    } catch (const DamagedPiece& e) {
        return Fail(e.what());
    } catch (const std::bad_alloc&) {
        return Fail("not enough memory to undo");
    }
    // What a step does not hold stays as it stands.
    static_cast<ModelPose&>(*model) = current;
    model->bookmarks = current.bookmarks;

    for (auto& geoset : model->geosets)
        for (auto& mesh : geoset.meshes)
            RebuildListsIfChanged(model->caches, mesh);
    // The step was taken with its radii brought up to date.
    MarkRadiiCurrent(*model);
    FillDefaultTextureScales(*model, textureSize);
    view.mesh = snap.mesh;
    view.face = snap.face;
    view.node = snap.node;
    view.camera = {snap.eye, snap.direction, snap.up};
    return model;
}

std::vector<uint8_t> ContentBytes(const UndoSnapshot& snap)
{
    std::vector<uint8_t> out;
    if (!snap.content)
        return out;
    auto add = [&out](const SharedPiece& p) {
        if (p)
            out.insert(out.end(), p->bytes.begin(), p->bytes.end());
    };
    add(snap.content->head);
    for (const auto& meshes : snap.content->geosets)
        for (const auto& m : meshes) {
            add(m.fields);
            for (const auto& b : m.blocks)
                add(b);
        }
    return out;
}

FacePrints UndoHistory::Prints(const CModel& model)
{
    MeshFilter unchanged;
    if (latestModel_ == &model && vouched_)
        unchanged = [this](std::size_t g, std::size_t k) {
            return std::find(changed_.begin(), changed_.end(),
                             std::pair(static_cast<int32_t>(g), static_cast<int32_t>(k))) == changed_.end();
        };
    FacePrints prints = FindFacePrints(model, latest_.get(), unchanged);
    if (verifySharing_ && unchanged) {
        const FacePrints read = FindFacePrints(model);
        for (std::size_t g = 0; g < read.size(); ++g)
            for (std::size_t k = 0; k < read[g].size(); ++k)
                if (prints[g][k] != read[g][k])
                    ++sharingFaults_;
    }
    return prints;
}

FacePrints UndoHistory::PrepareForStep(CModel& model)
{
    FacePrints prints = Prints(model);
    orv::PrepareForStep(model, prints, latest_.get());
    return prints;
}

void UndoHistory::Snapshot(const CModel& model, const ViewState& view) { Push(Take(model, view)); }

std::unique_ptr<UndoSnapshot> UndoHistory::Take(const CModel& model, const ViewState& view, const FacePrints* prints)
{
    const FacePrints found = prints ? FacePrints{} : Prints(model);
    auto snap = TakeSnapshot(model, view, latest_.get(), prints ? prints : &found);
    snap->state = state_;
    latest_ = snap->content;
    latestModel_ = &model;
    vouched_ = false;
    mayVouch_ = true;
    changed_.clear();
    return snap;
}

void UndoHistory::NoteChange(const CModel& model, const MeshScope& scope)
{
    const bool known = &model == latestModel_ && (vouched_ || mayVouch_);
    mayVouch_ = false;
    if (!known || scope.kind == MeshScope::Kind::Any ||
        (scope.kind == MeshScope::Kind::OneMesh && (scope.geoset < 0 || scope.mesh < 0))) {
        vouched_ = false;
        return;
    }
    vouched_ = true;
    if (scope.kind == MeshScope::Kind::OneMesh)
        changed_.emplace_back(scope.geoset, scope.mesh);
}

void UndoHistory::Push(std::unique_ptr<UndoSnapshot> snapshot)
{
    undo_.push_back(std::move(snapshot));
    Trim(undo_);
    redo_.clear();
    MarkChanged();
}

Result<std::unique_ptr<CModel>> UndoHistory::Exchange(SnapshotList& from, SnapshotList* to, const CModel& current,
                                                      ViewState& view, const TextureSizeFn& textureSize,
                                                      const char* empty)
{
    if (from.empty())
        return Fail(empty);
    std::unique_ptr<UndoSnapshot> present = to ? Take(current, view) : nullptr;
    ViewState restored = view;
    auto model = RestoreSnapshot(*from.back(), current, restored, textureSize);
    if (!model)
        return model;  // both lists stay as they were
    // The model given back holds this content: the next step shares from it, and reads
    // every mesh, as the restore may fill in what the step left unset.
    latest_ = from.back()->content;
    latestModel_ = nullptr;
    vouched_ = mayVouch_ = false;
    state_ = from.back()->state;
    from.pop_back();
    // Both lists together hold no more than the depth (a push ends the redo list), so
    // the list the present joins needs no trimming.
    if (to)
        to->push_back(std::move(present));
    view = restored;
    return model;
}

Result<std::unique_ptr<CModel>> UndoHistory::Undo(const CModel& current, ViewState& view, const TextureSizeFn& textureSize)
{
    return Exchange(undo_, &redo_, current, view, textureSize, "there is nothing to undo");
}

Result<std::unique_ptr<CModel>> UndoHistory::TakeBack(const CModel& current, ViewState& view,
                                                      const TextureSizeFn& textureSize)
{
    return Exchange(undo_, nullptr, current, view, textureSize, "there is nothing to take back");
}

Result<std::unique_ptr<CModel>> UndoHistory::Redo(const CModel& current, ViewState& view, const TextureSizeFn& textureSize)
{
    return Exchange(redo_, &undo_, current, view, textureSize, "there is nothing to redo");
}

std::size_t UndoHistory::MemoryHeld() const
{
    std::unordered_set<const void*> seen;
    std::size_t n = 0;
    auto piece = [&](const SharedPiece& p) {
        if (p && seen.insert(p.get()).second)
            n += sizeof(ContentPiece) + p->bytes.capacity();
    };
    for (const auto* list : {&undo_, &redo_})
        for (const auto& s : *list) {
            n += sizeof(UndoSnapshot);
            const ContentImage* image = s->content.get();
            if (!image || !seen.insert(image).second)
                continue;
            n += sizeof(ContentImage);
            piece(image->head);
            for (const auto& meshes : image->geosets) {
                n += meshes.capacity() * sizeof(MeshImage);
                for (const auto& m : meshes) {
                    n += m.blocks.capacity() * sizeof(SharedPiece);
                    piece(m.fields);
                    for (const auto& b : m.blocks)
                        piece(b);
                }
            }
        }
    return n;
}

void UndoHistory::Clear()
{
    undo_.clear();
    redo_.clear();
    MarkChanged();
    latest_.reset();
    latestModel_ = nullptr;
    vouched_ = mayVouch_ = false;
    changed_.clear();
}

}  // namespace orv
