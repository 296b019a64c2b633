// The changes the property panes make: the current geometry set, a mesh's and a face's
// fields, and a vertex. Each changes the model only when the fields differ from what is
// there (run through the document, one undo step then, none otherwise).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "document/edit_context.h"
#include "model/model.h"

namespace orv {

struct GeosetFields {
    int32_t geoset = 0;
    float radius = 0.0f;
    Vec3 insertOffset;  // in the model's axes
};

struct MeshFields {
    std::string name;
    float radius = 0.0f;
    int32_t geometryMode = 0;
    int32_t lightingMode = 0;
    int32_t textureMode = 0;
};

struct FaceFields {
    std::string name;
    uint32_t type = 0;
    int32_t geometryMode = 0;
    int32_t lightingMode = 0;
    int32_t textureMode = 0;
    float extraLight = 0.0f;
};

GeosetFields GeosetFieldsOf(const CModel& model);
MeshFields MeshFieldsOf(const CMesh& mesh);
FaceFields FaceFieldsOf(const CFace& face);

// Nothing changes when the fields equal what is there or the mesh or face does not
// resolve.
struct MeshEdit {
    int32_t mesh = -1;
    MeshFields fields;
};
struct FaceEdit {
    int32_t mesh = -1;
    int32_t face = -1;
    FaceFields fields;
    // In face mode a face stands for its group (InFaceGroup): renaming it renames every
    // face of the mesh that had its old name; a face without a name is renamed alone.
    bool renameGroup = false;
};
EditOutcome SetGeosetFields(EditContext& c, const GeosetFields& fields);
EditOutcome SetMeshFields(EditContext& c, const MeshEdit& edit);
EditOutcome SetFaceFields(EditContext& c, const FaceEdit& edit);

// Vertex i of a face (position i of its vertex index list) as the vertex pane shows it:
// its position in the model's own space (placed by its hierarchy node's base pose, never
// through the view's scale and rotation) in the axis order of the 3DO file, and its u, v
// in texture units (its texels over the face's texture size from textureSize).
struct VertexFields {
    Vec3 filePosition;
    float u = 0.0f;
    float v = 0.0f;
};
std::optional<VertexFields> VertexFieldsOf(const CModel& model, int32_t mesh, int32_t face, int32_t vertex,
                                           const TextureSizeFn& textureSize);

// Squared distance within which corners count as one vertex when a vertex moves.
inline constexpr float kSharedVertexDistanceSq = 1.0e-5f;

// Moves vertex i of the face to the new position (as VertexFieldsOf gives it) together
// with every corner of the mesh within kSharedVertexDistanceSq of its old position, so
// the mesh stays closed; u and v belong to this corner alone.
struct VertexEdit {
    int32_t mesh = -1;
    int32_t face = -1;
    int32_t vertex = -1;
    VertexFields fields;
};
EditOutcome SetVertexFields(EditContext& c, const VertexEdit& edit);

}  // namespace orv
