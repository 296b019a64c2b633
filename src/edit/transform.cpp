#include "edit/transform.h"

#include <vector>

#include "edit/properties.h"
#include "edit/selection.h"
#include "view/hierarchy.h"

namespace orv {

namespace {

enum class TransformOutcome {
    Unchanged,  // nothing to move
    Done,
    TakenBack,  // the step would have bent a face out of its plane: everything is as before
};

EditOutcome OutcomeOf(TransformOutcome t)
{
    switch (t) {
    case TransformOutcome::Done: return EditOutcome::Changed(kModelChanged);
    // The model is as before, but the node markers were made again.
    case TransformOutcome::TakenBack: return EditOutcome::Done(kViewStateChanged);
    default: return {};
    }
}

float& Coordinate(VertexRecord& r, int axis) { return axis == 0 ? r.x : (axis == 1 ? r.y : r.z); }

// The corners one step moves, with where they were, so that a step taken back puts
// every one of them exactly where it was (adding and subtracting a step again need not).
struct Moved {
    CFace* face;
    VertexRecord* corner;
    Vec3 before;
};

// Every corner of the mesh within the shared-vertex distance of one of the positions,
// each once.
std::vector<Moved> CornersAt(CMesh& mesh, const std::vector<Vec3>& positions)
{
    std::vector<Moved> out;
    for (auto& f : mesh.faces)
        for (auto& c : f.corners)
            for (const Vec3& p : positions)
                if (LengthSquared(c.Position() - p) < kSharedVertexDistanceSq) {
                    out.push_back({&f, &c, c.Position()});
                    break;
                }
    return out;
}

// The corners of every face of the current face's group (face mode).
std::vector<Moved> GroupCorners(CMesh& mesh, const CFace& current)
{
    std::vector<Moved> out;
    for (auto& f : mesh.faces)
        if (InFaceGroup(f, current))
            for (auto& c : f.corners)
                out.push_back({&f, &c, c.Position()});
    return out;
}

// The faces a step touches (each once, in the order met) and whether each was planar
// before it. Only they can change: the check need not look at the rest of a large mesh.
struct Touched {
    std::vector<CFace*> faces;
    std::vector<char> planar;
};

Touched TouchedFaces(const std::vector<Moved>& moved)
{
    // The corners were gathered face by face: a face's corners stand together.
    Touched t;
    for (const Moved& m : moved)
        if (t.faces.empty() || t.faces.back() != m.face)
            t.faces.push_back(m.face);
    for (CFace* f : t.faces)
        t.planar.push_back(static_cast<char>(f->ComputeFaceNormal()));
    return t;
}

// After a step: the touched faces' normals are computed again, and the step is taken
// back when it bent a face that was planar before it out of its plane. (A face that was
// bent already does not block every edit of its mesh.)
TransformOutcome KeepOrTakeBack(const Touched& touched, const std::vector<Moved>& moved)
{
    bool broken = false;
    for (std::size_t i = 0; i < touched.faces.size(); ++i)
        if (!touched.faces[i]->ComputeFaceNormal() && touched.planar[i])
            broken = true;
    if (!broken)
        return TransformOutcome::Done;
    for (const Moved& m : moved)
        m.corner->SetPosition(m.before);
    for (CFace* f : touched.faces)
        f->ComputeFaceNormal();
    return TransformOutcome::TakenBack;
}

// The positions of the current face's vertices before the step.
std::vector<Vec3> FacePositions(const CFace& face)
{
    std::vector<Vec3> out;
    out.reserve(face.corners.size());
    for (const auto& c : face.corners)
        out.push_back(c.Position());
    return out;
}

// The positions of the selected vertices among the node list.
std::vector<Vec3> SelectedPositions(const EditContext& c, const CMesh& mesh)
{
    std::vector<Vec3> out;
    if (!c.selection)
        return out;
    for (const NodeMarker& n : c.selection->nodes) {
        if (n.IsGridNode() || n.mesh != c.selection->currentMesh || n.face < 0 ||
            static_cast<std::size_t>(n.face) >= mesh.faces.size())
            continue;
        const VertexRecord* v = FaceVertex(mesh.faces[static_cast<std::size_t>(n.face)], n.vertex);
        if (v && v->Selected())
            out.push_back(v->Position());
    }
    return out;
}

void RefreshNodes(EditContext& c)
{
    if (c.selection)
        c.selection->RefreshNodes(c.model(), c.modes(), *c.settings);
}

C3doNode* NodeOf(EditContext& c)
{
    const int32_t node = NodeOfMesh(c.model(), c.selection ? c.selection->currentMesh : -1);
    return node < 0 ? nullptr : &c.model().nodes[static_cast<std::size_t>(node)];
}

// Mesh mode: the step goes to one value of the mesh's hierarchy node, and the hierarchy
// follows.
template <typename Pick>
TransformOutcome StepNode(EditContext& c, Pick pick, float step)
{
    C3doNode* node = NodeOf(c);
    if (!node)
        return TransformOutcome::Unchanged;
    pick(*node) += step;
    c.model().RebuildHierarchy();
    return TransformOutcome::Done;
}

}  // namespace

float MoveStep(Modifiers mods) { return ModifierStep(mods, 0.01f, 0.001f, 0.005f); }
float RotateStep(Modifiers mods) { return ModifierStep(mods, 45.0f, 1.0f, 6.0f); }

const char* WhyNotMove(const EditContext& c)
{
    if (c.modes().grid)
        return "Moving is off while the grid is shown: hide it (G)";
    if (!HasCurrentMesh(c) || (!c.modes().meshMode && !HasCurrentFace(c)))
        return "Move needs a current face, or a current mesh in Mesh Mode";
    return nullptr;
}

const char* WhyNotRotate(const EditContext& c)
{
    if (c.modes().grid)
        return "Rotating is off while the grid is shown: hide it (G)";
    if (!HasCurrentMesh(c) || (!c.modes().meshMode && !HasCurrentFace(c)))
        return "Rotate needs a current face, or a current mesh in Mesh Mode";
    if (!c.modes().meshMode && c.selection->currentNode >= 0)
        return "A single vertex cannot be rotated: click the face away from its vertices";
    return nullptr;
}


namespace {

TransformOutcome Move(EditContext& c, int axis, float step)
{
    if (WhyNotMove(c) || axis < 0 || axis > 2)
        return TransformOutcome::Unchanged;
    CMesh& mesh = *c.selection->CurrentMesh(c.model());
    if (c.modes().meshMode)
        return StepNode(
            c,
            [axis](C3doNode& n) -> float& {
                return axis == 0 ? n.position.x : (axis == 1 ? n.position.y : n.position.z);
            },
            step);
    const CFace& face = *c.selection->CurrentFace(c.model());
    std::vector<Moved> moved;
    if (c.selection->currentNode >= 0)
        moved = CornersAt(mesh, SelectedPositions(c, mesh));
    else if (c.modes().faceMode)
        moved = GroupCorners(mesh, face);
    else
        moved = CornersAt(mesh, FacePositions(face));
    if (moved.empty())
        return TransformOutcome::Unchanged;
    const Touched touched = TouchedFaces(moved);
    for (const Moved& m : moved)
        Coordinate(*m.corner, axis) += step;
    const TransformOutcome outcome = KeepOrTakeBack(touched, moved);
    RefreshNodes(c);
    return outcome;
}

TransformOutcome Rotate(EditContext& c, int axis, float degrees)
{
    if (WhyNotRotate(c) || axis < 0 || axis > 2)
        return TransformOutcome::Unchanged;
    CMesh& mesh = *c.selection->CurrentMesh(c.model());
    // The model holds (pitch, roll, yaw): X turns the pitch, Y the yaw, Z the roll.
    if (c.modes().meshMode)
        return StepNode(
            c,
            [axis](C3doNode& n) -> float& {
                return axis == 0 ? n.rotation.x : (axis == 1 ? n.rotation.z : n.rotation.y);
            },
            degrees);
    const CFace& face = *c.selection->CurrentFace(c.model());
    Vec3 pivot;
    std::vector<Moved> moved;
    if (c.modes().faceMode) {
        int groups = 0;
        for (const auto& f : mesh.faces)
            if (InFaceGroup(f, face) && !f.corners.empty()) {
                pivot += f.Centroid();
                ++groups;
            }
        pivot = groups > 0 ? pivot / static_cast<float>(groups) : pivot;
        moved = GroupCorners(mesh, face);
    } else {
        pivot = face.Centroid();
        moved = CornersAt(mesh, FacePositions(face));
    }
    if (moved.empty())
        return TransformOutcome::Unchanged;
    const float angle = degrees * 3.1415927f / 180.0f;
    const Matrix4 r =
        axis == 0 ? Matrix4::RotationX(angle) : (axis == 1 ? Matrix4::RotationY(angle) : Matrix4::RotationZ(angle));
    const Touched touched = TouchedFaces(moved);
    for (const Moved& m : moved)
        m.corner->SetPosition(TransformPoint(m.before - pivot, r) + pivot);
    const TransformOutcome outcome = KeepOrTakeBack(touched, moved);
    RefreshNodes(c);
    return outcome;
}

}  // namespace

namespace {

// A nudge changes the current mesh's corners, or in mesh mode only its node.
EditOutcome NudgeOutcome(const EditContext& c, TransformOutcome t)
{
    EditOutcome o = OutcomeOf(t);
    if (o.changed)
        o.faces = c.modes().meshMode ? MeshScope::None() : MeshScope::OneMesh(c.model().currentGeoset, c.selection->currentMesh);
    return o;
}

}  // namespace

EditOutcome MoveSelection(EditContext& c, const NudgeParams& p) { return NudgeOutcome(c, Move(c, p.axis, p.step)); }

EditOutcome RotateSelection(EditContext& c, const NudgeParams& p) { return NudgeOutcome(c, Rotate(c, p.axis, p.step)); }

}  // namespace orv
