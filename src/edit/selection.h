// What the user is working on: the current mesh, face and node of a view, the node
// markers shown in it (vertex nodes of the current face, or grid nodes), the grid-node
// positions selected in click order, and how a click or a left-button drag changes them.
//
// "Vertex i" of a face is position i of its vertex index list. Its record -- position,
// selection flag, u and v -- is the corner that drawing uses, corner n-1-i (corners run
// in the reverse order of the index list). Vertex nodes carry that i, and grid nodes walk
// a face's edges in that order, which is the order in which the inside test of the grid
// agrees with the face normal. The pick's polygon test runs over the corners as drawn
// (stored order), the order in which it agrees with the front-side test.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "document/edit_context.h"
#include "document/modes.h"
#include "model/corners.h"
#include "model/model.h"
#include "model/settings.h"
#include "view/camera.h"

namespace orv {

// A small cube marking a vertex or a grid node: drawn as an indexed triangle list of its
// 8 vertices with kMarkerIndices, and hit by the pick triangle by triangle.
struct NodeMarker {
    Vec3 position;  // world coordinates, rounded to 1/10000
    float halfSize = 0.0f;
    uint32_t color = 0;  // device colour 0xAARRGGBB
    int32_t mesh = -1;
    int32_t face = -1;    // -1 for a node of a mesh lattice
    int32_t vertex = -1;  // position in the face's vertex index list; -1 for a grid node

    bool IsGridNode() const { return mesh < 0 || face < 0 || vertex < 0; }
    // UnitCubeCorners scaled by the half-size, moved to the position, in the marker's
    // colour.
    std::array<VertexRecord, 8> Vertices() const;
};

// The 12 triangles of a marker, outward-facing.
extern const std::array<uint16_t, 36> kMarkerIndices;

// The record of vertex i of a face (corner n-1-i), or nullptr when i is out of range.
VertexRecord* FaceVertex(CFace& face, int32_t i);
const VertexRecord* FaceVertex(const CFace& face, int32_t i);

// Face mode works on a face group: the faces of the mesh that carry the current face's
// name. 3DO files store no face names, so a face without a name is a group of its own
// (else one click would take in every face read from a file).
bool InFaceGroup(const CFace& face, const CFace& current);
// Indices of the faces of mesh in the group of face `current`, ascending; empty when
// current is out of range.
std::vector<std::size_t> FaceGroup(const CMesh& mesh, int32_t current);

struct Ray {
    Vec3 origin;     // on the near plane
    Vec3 direction;  // unit length
    float length;    // to the far plane
};

// The ray through surface pixel (x, y): the near and far points of the pixel through the
// inverse of world * view * projection. None when the surface is empty or the matrices
// give no finite ray.
std::optional<Ray> PickRay(int32_t x, int32_t y, int32_t surfaceWidth, int32_t surfaceHeight, const Matrix4& world,
                           const Matrix4& view, const Matrix4& projection);

struct RayHit {
    bool hit = false;
    Vec3 point;
    Vec3 normal;  // the face's stored normal, or the marker triangle's normal
    int32_t mesh = -1;
    int32_t face = -1;
    int32_t node = -1;  // index in the node list when a marker was hit
};

struct PickRequest {
    int32_t x = 0;  // client pixels
    int32_t y = 0;
    ViewSize size;
    Matrix4 world = Matrix4::Identity();
    Matrix4 view = Matrix4::Identity();
    Matrix4 projection = Matrix4::Identity();
    Modifiers mods;
};

enum class PickResult {
    Ignored,   // the rotating or animating view: nothing happens
    Missed,    // nothing hit: only redraw this view
    GridNode,  // a grid node was (de)selected; the node list is kept: redraw this view
    Selected,  // the selection changed and the nodes were rebuilt: redraw all views
};

class Selection {
public:
    // Node lists beyond this size are cut short, and a single rebuild stops after this
    // many candidate positions: a damaged model with huge or infinite coordinates would
    // otherwise exhaust memory or never finish.
    static constexpr std::size_t kMaxNodes = std::size_t{1} << 22;
    static constexpr std::size_t kMaxCandidates = std::size_t{1} << 24;

    int32_t currentMesh = -1;  // in the model's current geometry set
    int32_t currentFace = -1;
    int32_t currentNode = -1;             // in the node list
    std::vector<NodeMarker> nodes;        // sorted by position: x, then y, then z
    std::vector<Vec3> selectedPositions;  // grid nodes, in click order

    // The current mesh and face when their indices resolve, else nullptr.
    const CMesh* CurrentMesh(const CModel& model) const;
    const CFace* CurrentFace(const CModel& model) const;
    CMesh* CurrentMesh(CModel& model) const;
    CFace* CurrentFace(CModel& model) const;

    // Empties the node list and the selected positions, turns the grid off, no current node.
    void ClearNodes(EditModes& modes);
    // The nodes for the current modes: vertex nodes of the current face, the grid of the
    // current face, or in mesh mode the grid of the current mesh.
    void RebuildNodes(const CModel& model, EditModes& modes, const Settings& settings);
    // RebuildNodes after the model changed under the nodes: a current vertex node stays
    // current when its vertex gets a node again.
    void RefreshNodes(const CModel& model, EditModes& modes, const Settings& settings);
    // Adds a node at p (rounded to 1/10000) unless one is there already or a neighbour in
    // the sorted list lies closer than spacing / 2; returns whether it was added.
    bool AddNode(const Vec3& p, uint32_t bgrColor, int32_t mesh, int32_t face, int32_t vertex, float spacing,
                 float halfSize);

    // The nearest front-facing face, or with grid on any grid node on the ray, within reach
    // of the origin (a click reaches as far as the view draws: to the far plane).
    RayHit RayCast(const CModel& model, const EditModes& modes, const Vec3& origin, const Vec3& dir, float reach) const;
    // The left-button click.
    PickResult Pick(CModel& model, EditModes& modes, const Settings& settings, const PickRequest& request);
    // A mouse move: with the left button held in texturing mode it slides the current
    // face's texture coordinates, in steps of its texture's units (its size from
    // textureSize); returns whether they changed (the document is then modified).
    // onDragStart runs once as a drag begins, before anything changes: the whole drag is
    // one undo step.
    bool TextureDrag(CModel& model, const EditModes& modes, bool leftButton, int32_t x, int32_t y, Modifiers mods,
                     const TextureSizeFn& textureSize, const std::function<void()>& onDragStart = {});

    // The faces of the current mesh the view marks as what a command will act on: in
    // face mode the current face's group, otherwise none (the vertex nodes show the
    // current face).
    std::vector<std::size_t> MarkedFaces(const CModel& model, const EditModes& modes) const;

private:
    struct Build;
    void BuildVertexNodes(const CModel& model, EditModes& modes, const Settings& settings);
    void BuildFaceGrid(const Matrix4& world, const CFace& face, const EditModes& modes, Build& b);
    void BuildMeshGrid(const CModel& model, EditModes& modes, const Settings& settings);
    bool AddCandidate(const Vec3& p, uint32_t bgrColor, int32_t mesh, int32_t face, int32_t vertex, Build& b);

    DragTracker drag_;
};

// The texture drag as an operation of the view's selection (Selection::TextureDrag with
// the document's model and switches): changed when the current face's texture
// coordinates slid. The view runs it with an open undo step, so that a whole drag is one.
struct TextureDragParams {
    bool leftButton = false;
    int32_t x = 0;
    int32_t y = 0;
    Modifiers mods;
};
EditOutcome DragTexture(EditContext& c, const TextureDragParams& p);

// The left-button click as an operation of the view's selection (Selection::Pick with
// the document's model and switches), run through the document's runner: the vertex
// marks it sets and clears are a change of the current mesh's faces that makes no undo
// step, and the next step reads that mesh again. The effects say what to refresh:
// nothing in the continuous views, this view after a miss or a grid node (kRedrawView),
// every view once the selection moved (kViewStateChanged); kSelectionChanged but for
// the continuous views.
EditOutcome PickAt(EditContext& c, const PickRequest& request);

}  // namespace orv
