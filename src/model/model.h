// The in-memory model of one 3DO object: materials, geometry sets of meshes and faces,
// the hierarchy of nodes, puppet data, custom materials and a little saved view state.
//
// Axes: the model holds y and z exchanged against the game's files, and node rotations
// as (pitch, roll, yaw); only the file readers and writers translate.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "model/geometry.h"
#include "model/keyframe.h"
#include "model/tree.h"
#include "model/vertex.h"

namespace orv {

struct CFace {
    // What a step of the undo list reads of every face comes first, in as few cache
    // lines as can hold it: on a model of a hundred thousand faces, a step's cost is
    // the memory it reads.
    std::string name;
    int32_t material = -1;
    uint32_t type = 0;
    int32_t geometryMode = 0;
    int32_t lightingMode = 0;
    int32_t textureMode = 0;
    float extraLight = 0.0f;
    // Texture-coordinate tool parameters.
    int32_t startVertex = 0;
    float angle = 0.0f;
    float uOffset = 0.0f;
    float vOffset = 0.0f;
    float uScale = 0.0f;
    float vScale = 0.0f;
    uint32_t mirror = 0;
    // Working copy of the corners, in the reverse order of the index lists: corner c of
    // an n-cornered face is index position n - 1 - c. Their u and v count texels, as the
    // file's texture vertices do, whatever size the material's picture turns out to have.
    // Not saved: the lists are rebuilt from them.
    std::vector<VertexRecord> corners;
    Vec3 normal;
    std::vector<int32_t> vertexIndices;
    std::vector<int32_t> textureVertexIndices;

    // Newell's normal from the corners; returns 1 when all corners lie in one plane
    // (within 0.001), 0 otherwise.
    int ComputeFaceNormal();
    void SetCornerColors(uint32_t color);
    // Area-weighted centre of the corner polygon (a fan from corner 0).
    Vec3 Centroid() const;

    bool operator==(const CFace&) const = default;
};

// Everything of a mesh but its faces: what a copy of the mesh takes over as it is.
struct MeshAttributes {
    std::string name;
    float radius = 0.0f;
    int32_t geometryMode = 0;
    int32_t lightingMode = 0;
    int32_t textureMode = 0;
    std::vector<VertexRecord> vertices;
    std::vector<VertexRecord> textureVertices;  // u, v in texels
    std::vector<VertexRecord> vertexNormals;
    // Subtracted from the corners to give the listed vertices (the pivot of the node that
    // places the mesh when the corners were built).
    Vec3 placementOffset;

    bool operator==(const MeshAttributes&) const = default;
};

struct CMesh : MeshAttributes {
    std::vector<CFace> faces;

    // Rebuilds the vertex, texture-vertex and vertex-normal lists and every face's two
    // index lists from the faces' corner records. (RebuildListsIfChanged skips a rebuild
    // that would give back what is there.)
    void RebuildMeshLists();

    // A 64-bit fingerprint of everything RebuildMeshLists reads and writes.
    uint64_t ListsFingerprint() const;

    bool operator==(const CMesh&) const = default;
};

struct CGeometry {
    std::vector<CMesh> meshes;

    bool operator==(const CGeometry&) const = default;
};

struct C3doNode {
    int32_t num = 0;
    uint32_t flags = 0;
    uint32_t type = 0;
    int32_t mesh = -1;
    int32_t parent = -1;
    int32_t child = -1;
    int32_t sibling = -1;
    int32_t numChildren = 0;
    Vec3 position;
    Vec3 rotation;  // pitch, roll, yaw in degrees
    Vec3 pivot;
    std::string name;
    // The node's pose at each frame of the keyframe playing (pose 0 alone without one):
    // the project file keeps them.
    std::vector<Matrix4> poses;

    bool operator==(const C3doNode&) const = default;
};

struct CPuppetItem {
    std::string name;
    std::string keyFile;
    uint32_t flags = 0;
    int32_t lowPriority = 0;
    int32_t highPriority = 0;
    std::string description;

    bool operator==(const CPuppetItem&) const = default;
};

struct CPuppetMode {
    int32_t mode = 0;
    int32_t basedOn = -1;
    std::string comment;
    std::vector<CPuppetItem> items;

    bool operator==(const CPuppetMode&) const = default;
};

// Pose matrix of a node: rotation from pitch, yaw and roll in degrees, translation row
// = position.
Matrix4 PoseMatrix(const Vec3& rotation, const Vec3& position);

// What the files store of a model: the 3DO file (materials, geometry sets, hierarchy),
// its puppet and keyframe files, and the project file's own fields. An undo step holds
// this part whole, and a file read fills nothing else.
struct ModelContent {
    std::string formatTag;
    std::string version3do;
    std::vector<std::string> materials;
    float radius = 0.0f;
    Vec3 insertOffset;
    std::vector<CGeometry> geosets;
    std::vector<C3doNode> nodes;
    std::vector<CPuppetMode> puppetModes;
    // Lines of the PUP file's "joints" section (body part = node), kept so that a puppet
    // file is written back with them; the project file keeps them in its trailer.
    std::vector<std::string> puppetJoints;
    // The keyframe of the current puppet sub-mode, with the frame count and the time per
    // frame read from it.
    std::optional<CKeyframe> keyframe;
    int32_t frameCount = 0;
    float frameTime = 0.0f;
    int32_t currentGeoset = 0;
    SortedEntryList customMaterials;
    // The world transform the model is drawn with (the project file keeps it).
    Matrix4 modelMatrix = Matrix4::Identity();
    int32_t currentMode = 0;
    int32_t currentSubMode = 0;

    bool operator==(const ModelContent&) const = default;
};

// Where keyframe playback and the continuous views stand, and where the last walk of the
// hierarchy placed each node: never stored, and an undo step leaves it as it is.
struct ModelPose {
    int32_t currentFrame = 0;
    float timeAccumulator = 0.0f;
    Matrix4 rotationStep = Matrix4::Identity();
    Matrix4 baseMatrix = Matrix4::Identity();
    // The world matrix of each node, by node index, as the last walk of the hierarchy
    // left it; and that of the node placing each mesh of the current geometry set, by
    // mesh index (identity for a mesh no node places). Empty until the first walk.
    std::vector<Matrix4> nodeMatrices;
    std::vector<Matrix4> meshMatrices;

    // The world matrix of node i, and of mesh k, as the last walk placed them (identity
    // before one).
    const Matrix4& NodeMatrix(std::size_t i) const { return i < nodeMatrices.size() ? nodeMatrices[i] : kIdentity; }
    const Matrix4& MeshMatrix(std::size_t k) const { return k < meshMatrices.size() ? meshMatrices[k] : kIdentity; }

private:
    static inline const Matrix4 kIdentity = Matrix4::Identity();
};

// What the radii of the meshes and of the model were last found to belong to (see
// model/radius.h): bookkeeping derived from the content, never stored.
struct MeshRadiusBasis {
    // The geometry the radius belongs to, and its exact fingerprint (which finds the
    // basis again when the mesh moved to another index).
    std::optional<std::vector<Vec3>> points;
    uint64_t pointsPrint = 0;
    // The faces' fingerprint (FacesFingerprint) when the radius was last found to belong
    // to them: while it holds, the radius needs no measuring again.
    std::optional<uint64_t> checked;
};
struct RadiusCaches {
    // By geometry set and mesh index; empty until the radii are read or measured.
    std::vector<std::vector<MeshRadiusBasis>> meshes;
    // The model radius: each mesh's vertices at rest when it was last found to belong to
    // them (by geometry set and mesh), the farthest of each, and the fingerprints of what
    // placed them at the last check (the nodes; every mesh's faces).
    std::optional<std::vector<std::vector<std::vector<Vec3>>>> rest;
    std::vector<std::vector<float>> restFarthest;
    std::optional<uint64_t> restNodesChecked;
    std::vector<std::vector<uint64_t>> restFacesChecked;
};
struct ModelCaches {
    RadiusCaches radii;
    // The ListsFingerprint of meshes whose lists are as a rebuild would leave them (or
    // were marked current as read): a rebuild of such a mesh would change nothing.
    std::unordered_set<uint64_t> currentLists;
};

// A camera bookmark of the view: where the camera stood and the model matrix of the
// moment.
struct CameraBookmark {
    Vec3 eye;
    Vec3 direction;
    Vec3 up;
    Matrix4 modelMatrix = Matrix4::Identity();
};

// A model: what its files store (ModelContent, a plain value), where playback stands
// (ModelPose) and what is derived from the content to spare measuring it again (caches).
class CModel : public ModelContent, public ModelPose {
public:
    ModelCaches caches;
    // The view's camera bookmarks 0..9 (a slot may be empty). The project file keeps only
    // their number; an undo step leaves them as they are.
    std::vector<std::optional<CameraBookmark>> bookmarks;

    // Recounts children, repairs parent links along the sibling chains and rebuilds
    // every node's pose 0; sets the current frame to 0.
    void RebuildHierarchy();

    // The mesh at index in the current geometry set, or nullptr.
    CMesh* MeshAt(int32_t index);
    const CMesh* MeshAt(int32_t index) const;
    CGeometry* CurrentGeoset();
    const CGeometry* CurrentGeoset() const;
};

// The faces of every mesh of every geometry set.
std::size_t CountFaces(const CModel& model);

// Every mesh's lists stand as they are: rebuilding them leaves them alone until the
// corners change (a project file's lists written back as they were read).
void MarkListsCurrent(CModel& model);
// Rebuilds the mesh's lists (RebuildMeshLists) unless they are as the last rebuild, or
// MarkListsCurrent, left a mesh of this content: a rebuild would give back what is there.
void RebuildListsIfChanged(ModelCaches& caches, CMesh& mesh);
// The same for every mesh of every geometry set.
void RebuildAllListsIfChanged(CModel& model);

// Empties the lists a rebuild makes again from the corners: a mesh's vertex lists, and
// its faces' index lists.
void ClearLists(CMesh& mesh);
void ClearLists(CFace& face);

}  // namespace orv
