#include "edit/clipboard.h"

#include <algorithm>
#include <tuple>
#include <vector>

#include "edit/materials.h"
#include "edit/primitives.h"
#include "edit/selection.h"
#include "edit/texture_tool.h"
#include "view/camera.h"
#include "view/hierarchy.h"

namespace orv {

namespace {

// A structural change: faces, meshes or sets come and go, the selection moves.
constexpr uint32_t kStructureChanged = kModelChanged | kTexturesChanged | kSelectionChanged;

constexpr const char* kOnlyGeometrySet = "Cannot delete current geometry set, since this is the only one.";
constexpr const char* kMeshHasChild = "Cannot delete current mesh, since this contains a child mesh.";
constexpr const char* kNoClipboard = "This view has no clipboard";
constexpr const char* kNothingCopied = "Nothing has been copied in this mode";
constexpr const char* kNoMesh = "No mesh is selected: click a mesh first";

// The camera's look point, direction and up vector as the frame was last drawn; the
// model's origin looking along +z without a camera.
CameraFrame FrameOf(const EditContext& c)
{
    if (!c.camera)
        return {{}, {0, 0, 1}, {0, 1, 0}};
    c.camera->UpdateViewInfo();
    return {c.camera->lookPoint, c.camera->direction, c.camera->up};
}

// The view has no current mesh (nor face) any more. A render mode that shows the current
// mesh alone would show nothing and, since a click there never changes the current mesh,
// leave no way to choose another: every mesh is shown again, as entering a continuous
// view does.
void DropCurrentMesh(EditContext& c)
{
    if (c.selection) {
        c.selection->currentMesh = -1;
        c.selection->currentFace = -1;
    }
    if (c.modes().renderMode != RenderMode::All && c.modes().renderMode != RenderMode::AllWireframe)
        c.modes().renderMode = RenderMode::All;
}

// Appends a node placing mesh, named after it, of type 1, linked to nothing yet.
int32_t AppendNode(CModel& model, int32_t mesh, const std::string& name)
{
    C3doNode node;
    node.name = name;
    node.mesh = mesh;
    node.type = 1;
    model.nodes.push_back(std::move(node));
    return static_cast<int32_t>(model.nodes.size() - 1);
}

// Makes node the next sibling of the last node of the chain that starts at first; a
// circle in damaged links ends the search.
void LinkAsLastSibling(CModel& model, int32_t first, int32_t node)
{
    if (first < 0 || first == node)
        return;
    int32_t last = first;
    for (std::size_t guard = 0; guard < model.nodes.size(); ++guard) {
        const int32_t next = model.nodes[static_cast<std::size_t>(last)].sibling;
        if (next < 0 || next == node || static_cast<std::size_t>(next) >= model.nodes.size())
            break;
        last = next;
    }
    model.nodes[static_cast<std::size_t>(last)].sibling = node;
}

// A new mesh, a copy of source, at one index in every geometry set: after the meshes
// that every set has (the fewest any set holds), so that the new node's mesh index means
// it in every set. Meshes at or above that index move up by one in the sets that have
// them, and so do the nodes' mesh indices, which then still name the same mesh in every
// set (or, as before, none). Named "Mesh%d" after its index; returns the index.
int32_t AddMeshToSets(CModel& model, const CMesh& source)
{
    std::size_t at = model.geosets.empty() ? 0 : model.geosets.front().meshes.size();
    for (const auto& g : model.geosets)
        at = std::min(at, g.meshes.size());
    const std::string name = "Mesh" + std::to_string(at);
    for (auto& g : model.geosets) {
        CMesh copy = source;
        ClearLists(copy);
        copy.name = name;
        g.meshes.insert(g.meshes.begin() + static_cast<std::ptrdiff_t>(at), std::move(copy));
    }
    const auto index = static_cast<int32_t>(at);
    for (auto& node : model.nodes)
        if (node.mesh >= index)
            ++node.mesh;
    return index;
}

// Material `index` of the list as it was at Copy, in the model's list now: the same
// place while it still holds that name, else the name's place now; a name the list has
// lost since is appended again (the paste looks as what was copied, and no other face
// changes its material). An index that named nothing at Copy names nothing.
int32_t MaterialNow(CModel& model, const std::vector<std::string>& copied, int32_t index)
{
    if (index < 0)
        return index;
    const auto i = static_cast<std::size_t>(index);
    if (i >= copied.size())
        return -1;
    if (i < model.materials.size() && model.materials[i] == copied[i])
        return index;
    return static_cast<int32_t>(AddModelMaterialName(model, copied[i]));
}

// What Paste gives a face: its attributes and where its texture lies.
auto PastedFields(const CFace& f)
{
    std::vector<float> uv;
    for (const auto& r : f.corners) {
        uv.push_back(r.u);
        uv.push_back(r.v);
    }
    const TextureLayout l = TextureLayoutOf(f);
    return std::tuple(f.material, f.type, f.geometryMode, f.lightingMode, f.textureMode, f.extraLight, l.startVertex,
                      l.angle, l.uOffset, l.vOffset, l.uScale, l.vScale, l.mirror, uv);
}

}  // namespace

const char* WhyNotCopy(const EditContext& c)
{
    if (!c.clipboard)
        return kNoClipboard;
    if (c.modes().meshMode)
        return HasCurrentMesh(c) ? nullptr : kNoMesh;
    if ((HasCurrentMesh(c) && HasCurrentFace(c)) || c.model().CurrentGeoset() != nullptr)
        return nullptr;
    return "The model has no geometry set";
}

const char* WhyNotDelete(const EditContext& c)
{
    if (c.modes().meshMode)
        return HasCurrentMesh(c) ? nullptr : kNoMesh;
    return HasCurrentMesh(c) && HasCurrentFace(c) ? nullptr : "No face is selected: click a face first";
}

const char* WhyNotPaste(const EditContext& c)
{
    if (!c.clipboard)
        return kNoClipboard;
    const Clipboard& clip = *c.clipboard;
    if (c.modes().meshMode || c.modes().faceMode) {
        if (!clip.mesh)
            return kNothingCopied;
        return HasCurrentMesh(c) ? nullptr : "Paste needs a current mesh: click a mesh first";
    }
    if (!clip.face)
        return kNothingCopied;
    return HasCurrentMesh(c) && HasCurrentFace(c) ? nullptr
                                                  : "Paste needs a current face to paste onto: click a face first";
}

const char* WhyNotAddMesh(const EditContext& c)
{
    return HasCurrentMesh(c) ? nullptr : "Add Mesh needs a current mesh to add beside: click a mesh first";
}

const char* WhyNotAddFace(const EditContext& c)
{
    return HasCurrentMesh(c) && HasCurrentFace(c) ? nullptr
                                                  : "Add Face needs a current face to copy: click a face first";
}


EditOutcome Copy(EditContext& c)
{
    if (WhyNotCopy(c))
        return {};
    Clipboard& clip = *c.clipboard;
    clip = {};
    const CMesh* mesh = c.selection ? c.selection->CurrentMesh(c.model()) : nullptr;
    const CFace* face = c.selection ? c.selection->CurrentFace(c.model()) : nullptr;
    if (c.modes().meshMode) {
        if (mesh)
            clip.mesh = *mesh;
    } else if (c.modes().faceMode) {
        if (mesh && face) {
            clip.mesh = CMesh();
            for (const auto& f : mesh->faces)
                if (InFaceGroup(f, *face))
                    clip.mesh->faces.push_back(f);
        }
    } else if (face) {
        clip.face = *face;
    }
    if (!clip.Empty())
        clip.materials = c.model().materials;
    // The clipboard is the view's: the model and the views stay as they are.
    return EditOutcome::Done(0);
}

EditOutcome DeleteGeometrySet(EditContext& c)
{
    if (c.model().geosets.size() <= 1)
        return EditOutcome::Refused(kOnlyGeometrySet);
    const auto current = static_cast<std::size_t>(c.model().currentGeoset);
    if (current >= c.model().geosets.size())
        return {};
    c.model().geosets.erase(c.model().geosets.begin() + static_cast<std::ptrdiff_t>(current));
    c.model().currentGeoset = 0;
    DropCurrentMesh(c);
    ClearNodes(c);
    return EditOutcome::Changed(kStructureChanged);
}

EditOutcome DeleteMesh(EditContext& c, int32_t k)
{
    CModel& model = c.model();
    const CGeometry* current = model.CurrentGeoset();
    if (!current || k < 0 || static_cast<std::size_t>(k) >= current->meshes.size())
        return {};
    const int32_t n = NodeOfMesh(model, k);
    if (n >= 0 && model.nodes[static_cast<std::size_t>(n)].child >= 0)
        return EditOutcome::Refused(kMeshHasChild);

    // Mesh k goes from every set that has it; in a set of fewer meshes the nodes' indices
    // from k on named nothing and, moved down, still name nothing.
    for (auto& g : model.geosets)
        if (static_cast<std::size_t>(k) < g.meshes.size())
            g.meshes.erase(g.meshes.begin() + k);

    if (n == 0 && model.nodes[0].sibling >= 0) {
        // The root of a hierarchy with siblings stays, empty: the walk starts there.
        model.nodes[0].mesh = -1;
    } else if (n >= 0) {
        const int32_t next = model.nodes[static_cast<std::size_t>(n)].sibling;
        for (auto& node : model.nodes) {
            if (node.child == n)
                node.child = next;
            if (node.sibling == n)
                node.sibling = next;
        }
        model.nodes.erase(model.nodes.begin() + n);
        auto shift = [n](int32_t& link) {
            if (link == n)
                link = -1;
            else if (link > n)
                --link;
        };
        for (auto& node : model.nodes) {
            shift(node.parent);
            shift(node.child);
            shift(node.sibling);
        }
    }
    // Mesh indices above the removed mesh move down; other nodes that named it lose it.
    for (auto& node : model.nodes) {
        if (node.mesh == k)
            node.mesh = -1;
        else if (node.mesh > k)
            --node.mesh;
    }
    model.RebuildHierarchy();
    DropCurrentMesh(c);
    ClearNodes(c);
    return EditOutcome::Changed(kStructureChanged);
}

namespace {

// What Cut deletes after its copy, by the first rule that applies: the current mesh in
// mesh mode, the current face's group in face mode, the current face, else the current
// geometry set.
EditOutcome DeleteByCutsRules(EditContext& c)
{
    CMesh* mesh = c.selection ? c.selection->CurrentMesh(c.model()) : nullptr;
    CFace* face = c.selection ? c.selection->CurrentFace(c.model()) : nullptr;
    if (c.modes().meshMode && mesh)
        return DeleteMesh(c, c.selection->currentMesh);
    if (mesh && face) {
        if (c.modes().faceMode) {
            const std::vector<std::size_t> group = FaceGroup(*mesh, c.selection->currentFace);
            for (auto i = group.rbegin(); i != group.rend(); ++i)
                mesh->faces.erase(mesh->faces.begin() + static_cast<std::ptrdiff_t>(*i));
        } else {
            mesh->faces.erase(mesh->faces.begin() + c.selection->currentFace);
        }
        c.selection->currentFace = -1;
        ClearNodes(c);
        return EditOutcome::Changed(kStructureChanged);
    }
    if (c.model().CurrentGeoset())
        return DeleteGeometrySet(c);
    return {};
}

}  // namespace

EditOutcome Cut(EditContext& c)
{
    if (WhyNotCopy(c))
        return {};
    Copy(c);
    return DeleteByCutsRules(c);
}

EditOutcome DeleteSelection(EditContext& c)
{
    // With a mesh (mesh mode) or a face selected, Cut's rules delete exactly that.
    if (WhyNotDelete(c))
        return {};
    return DeleteByCutsRules(c);
}

EditOutcome Paste(EditContext& c)
{
    if (WhyNotPaste(c))
        return {};
    const Clipboard& clip = *c.clipboard;
    CModel& model = c.model();
    if (c.modes().meshMode) {
        const int32_t after = NodeOfMesh(model, c.selection->currentMesh);
        // The lists follow the corners, rebuilt once the mesh is in the model.
        CMesh source = *clip.mesh;
        ClearLists(source);
        for (auto& f : source.faces)
            f.material = MaterialNow(model, clip.materials, f.material);
        const int32_t index = AddMeshToSets(model, source);
        c.selection->currentMesh = index;
        c.selection->currentFace = -1;
        const int32_t node =
            AppendNode(model, index, model.CurrentGeoset()->meshes[static_cast<std::size_t>(index)].name);
        // Beside the current mesh's node; without one at the top level, after node 0.
        LinkAsLastSibling(model, after >= 0 ? after : 0, node);
        model.nodes[static_cast<std::size_t>(node)].position = 0.5f * FrameOf(c).look;
        model.RebuildHierarchy();
        ClearNodes(c);
        return EditOutcome::Changed(kStructureChanged);
    }
    CMesh& mesh = *c.selection->CurrentMesh(model);
    if (c.modes().faceMode) {
        for (const auto& f : clip.mesh->faces) {
            mesh.faces.push_back(f);
            ClearLists(mesh.faces.back());
            mesh.faces.back().material = MaterialNow(model, clip.materials, f.material);
        }
        c.selection->currentFace = -1;
        ClearNodes(c);
        return EditOutcome::Changed(kStructureChanged);
    }
    CFace& face = *c.selection->CurrentFace(model);
    const CFace& from = *clip.face;
    // Pasting onto a face that has all of it already changes nothing (unless the
    // material's name had to come back to the list).
    const auto before = PastedFields(face);
    const std::vector<std::string> materials = model.materials;
    face.material = MaterialNow(model, clip.materials, from.material);
    face.type = from.type;
    face.geometryMode = from.geometryMode;
    face.lightingMode = from.lightingMode;
    face.textureMode = from.textureMode;
    face.extraLight = from.extraLight;
    // The face now has the copied face's material: one texture size measures both.
    const TextureSize size = FaceTextureSize(model, face, c.TextureSizes());
    TransferTexture(face, from, size, size);
    if (PastedFields(face) == before && model.materials == materials)
        return {};
    return EditOutcome::Changed(kStructureChanged);
}

EditOutcome AddGeometry(EditContext& c)
{
    CModel& model = c.model();
    const CGeometry* current = model.CurrentGeoset();
    CGeometry copy = current ? *current : CGeometry();
    for (CMesh& mesh : copy.meshes)
        ClearLists(mesh);
    model.geosets.push_back(std::move(copy));
    model.currentGeoset = static_cast<int32_t>(model.geosets.size() - 1);
    DropCurrentMesh(c);
    ClearNodes(c);
    return EditOutcome::Changed(kStructureChanged);
}

EditOutcome AddMesh(EditContext& c)
{
    if (WhyNotAddMesh(c))
        return {};
    CModel& model = c.model();
    const int32_t parent = NodeOfMesh(model, c.selection->currentMesh);
    CMesh empty;
    empty.geometryMode = 4;
    empty.lightingMode = 3;
    empty.textureMode = 1;
    const int32_t index = AddMeshToSets(model, empty);

    // The node: the current mesh node's first child, or the last of its children.
    const int32_t node = AppendNode(model, index, model.CurrentGeoset()->meshes[static_cast<std::size_t>(index)].name);
    if (parent < 0) {
        LinkAsLastSibling(model, 0, node);
    } else if (C3doNode& p = model.nodes[static_cast<std::size_t>(parent)]; p.child < 0) {
        p.child = node;
        ++p.numChildren;
    } else {
        LinkAsLastSibling(model, p.child, node);
    }

    // A four-sided cylinder of radius 0.05 and length 0.1 around the mesh's origin, in the
    // model's first material, built as the camera looks.
    CameraFrame frame = FrameOf(c);
    const Vec3 look = frame.look;
    frame.look = -0.05f * frame.direction;
    const NewFaceStyle style{"", model.materials.empty() ? std::string() : model.materials.front()};
    for (auto& g : model.geosets)
        BuildCylinder(model, g.meshes[static_cast<std::size_t>(index)], Matrix4::Identity(), frame, CylinderSize{},
                      style, c.TextureSizes());
    model.nodes[static_cast<std::size_t>(node)].position = -0.05f * frame.direction - look;
    model.RebuildHierarchy();
    c.selection->currentMesh = index;
    c.selection->currentFace = -1;
    ClearNodes(c);
    return EditOutcome::Changed(kStructureChanged);
}

EditOutcome AddFace(EditContext& c)
{
    if (WhyNotAddFace(c))
        return {};
    CMesh& mesh = *c.selection->CurrentMesh(c.model());
    auto copy = *c.selection->CurrentFace(c.model());
    ClearLists(copy);
    const CameraFrame frame = FrameOf(c);
    const Vec3 offset = copy.Centroid() + frame.look + 0.01f * frame.direction;
    for (auto& corner : copy.corners)
        corner.SetPosition(corner.Position() - offset);
    copy.ComputeFaceNormal();
    mesh.faces.push_back(std::move(copy));
    c.selection->currentFace = static_cast<int32_t>(mesh.faces.size() - 1);
    ClearNodes(c);
    return EditOutcome::Changed(kStructureChanged);
}

}  // namespace orv
