// What an export writes, in the y-up convention of the interchange formats, built once
// from the model and handed to the writer of each format.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "interchange/axes.h"
#include "interchange/game_extras.h"
#include "interchange/interchange.h"

namespace orv {

// The material of faces that have none; the import gives them none again.
inline constexpr const char* kNoMaterialName = "(no material)";

// Polygons of one material. Every polygon has vertices of its own, one per corner, in
// the order that faces the viewer counter-clockwise; the polygons follow one another.
struct ExportPrimitive {
    int32_t material = 0;
    std::vector<Vec3> positions;
    std::vector<std::array<float, 2>> uvs;  // v grows downwards, as in the images
    std::vector<Vec3> normals;              // the polygon's own, unit length, at each corner
    std::vector<uint32_t> polygonSizes;
};

struct ExportMesh {
    std::string name;
    std::vector<ExportPrimitive> primitives;  // in the order of the faces
    MeshModes modes{};
    std::vector<FaceGameFields> faces;  // in the order the polygons are written
};

struct ExportMaterial {
    std::string name;
    std::vector<uint8_t> png;      // the picture; empty: a plain colour
    std::array<float, 4> color{};  // linear RGBA, used without a picture
    bool masked = false;           // the picture's clear pixels are holes (alpha 0)
};

struct ExportNode {
    std::string name;
    int32_t mesh = -1;
    YUpTransform transform;
    std::vector<int32_t> children;
    // The node's type and flags (the top node: the model's insertion offset); the
    // writer adds those of the node's mesh.
    NodeGameFields game;
};

// One node's keys: frame times in seconds, the node's translation and rotation at each.
struct ExportChannel {
    int32_t node = 0;
    std::vector<float> times;
    std::vector<Vec3> translations;
    std::vector<Quaternion> rotations;
};

struct ExportAnimation {
    std::string name;
    std::vector<ExportChannel> channels;
};

struct ExportScene {
    std::vector<ExportNode> nodes;  // node 0 is the root above the model's own
    std::vector<ExportMesh> meshes;
    std::vector<ExportMaterial> materials;
    std::optional<ExportAnimation> animation;
};

// One file of an export: where it goes and its bytes.
using ExportFile = std::pair<std::filesystem::path, std::vector<uint8_t>>;

// The glTF files of the scene: path alone (".glb") or path and its ".bin" (".gltf").
std::vector<ExportFile> WriteGltf(const ExportScene& scene, const std::filesystem::path& path, bool binary);

}  // namespace orv
