// What a model keeps that the interchange formats have no field for (face types, extra
// light, the drawing modes, node types and flags, the insertion offset), carried in the
// extras of a glTF node under one key, so that exporting a model and importing it back
// gives it back. Files of other tools have none, and their faces get the defaults.
#pragma once

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/geometry.h"

struct aiNode;

namespace orv {

// The key of a node's extras that holds this program's values.
inline constexpr const char* kGameExtrasKey = "orvane";

struct FaceGameFields {
    uint32_t type = 0;
    int32_t geometryMode = 0;
    int32_t lightingMode = 0;
    int32_t textureMode = 0;
    float extraLight = 0.0f;
    // The vertex intensity at each corner, in the model's corner order; empty: 0 at all.
    std::vector<float> intensities;
    bool operator==(const FaceGameFields&) const = default;
};

// A material name longer than this is not one a model holds.
inline constexpr std::size_t kMaxExtrasMaterialName = 256;

// The drawing modes of a mesh: geometry, lighting, texture.
using MeshModes = std::array<int32_t, 3>;

// One node's values; the mesh and faces are those of the mesh the node places, the
// faces in the order they are written.
struct NodeGameFields {
    std::optional<uint32_t> type;
    std::optional<uint32_t> flags;
    std::optional<MeshModes> meshModes;
    std::optional<std::vector<FaceGameFields>> faces;
    // The model's own, on the node above all others.
    std::optional<Vec3> insertOffset;  // the model's axes
    // The model's list of materials in its order, those no face uses included (a glTF
    // reader lists only the used ones, in the order the meshes meet them).
    std::optional<std::vector<std::string>> materials;
};

nlohmann::json GameExtrasJson(const NodeGameFields& fields);

// The values found in the extras' object; a part of another shape (edited by hand or by
// another tool) is left out and said in why (empty when all was taken).
NodeGameFields ReadGameExtras(const nlohmann::json& extras, std::string& why);

// Assimp's glTF reader turns a node's extras into its metadata, arrays and objects into
// nested metadata, which Assimp cannot copy (it stops the program). This takes this
// program's extras of every node, in the order of a walk from the root (each node
// before its children, children in order; empty for a node without), as JSON text, and
// drops the nested metadata of every node so that the scene can be handed over.
std::vector<std::string> TakeNodeExtras(aiNode* root);

// The nodes of the tree in the order TakeNodeExtras lists them.
std::vector<const aiNode*> NodesInWalkOrder(const aiNode* root);

// Each node of the tree with its game name (GameNames over NodesInWalkOrder): the model
// import and the animation import name a file's nodes through this one list, so that they
// agree. An empty name is left for the caller to fill.
std::vector<std::pair<const aiNode*, std::string>> NodeGameNames(const aiNode* root);

}  // namespace orv
