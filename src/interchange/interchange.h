// Models to and from the formats other 3D tools read and write. Export writes glTF 2.0
// (".glb", ".gltf") and Wavefront OBJ (".obj"); import reads whatever Assimp reads (OBJ,
// glTF, FBX, Collada, 3DS, PLY and more) into a model that fits the game's engine.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/result.h"
#include "model/corners.h"
#include "model/limits.h"
#include "model/model.h"
#include "resources/material.h"
#include "resources/searchpath.h"

namespace orv {

struct ResourceCatalog;

// ---- export -------------------------------------------------------------------------

struct ExportOptions {
    int32_t geoset = 0;
    // The animation to export with the nodes (glTF only); none: the model as it stands.
    const CKeyframe* keyframe = nullptr;
    // A material's picture (through the colormap), or a failure when the model's material
    // cannot be found or converted; the faces then get a plain colour. Empty: every
    // material exports as a plain colour.
    std::function<Result<MaterialImage>(const std::string& material)> materialImage;
    // Whether a material that gave no picture is found at all: it is then listed as
    // undrawn, with the reason, rather than as missing. Empty: every such one is missing.
    std::function<bool(const std::string& material)> materialFound;
    // The name of the top node above the model's own (a glTF scene has one root): the
    // model's title.
    std::string title = "model";
    // Texture coordinates are the faces' texels over the size of the picture exported
    // with their material; a material without one uses the size the document measures it
    // by (its environment's sizes; empty: 1 x 1).
    TextureSizeFn textureSize;
};

struct ExportReport {
    std::vector<std::string> missingMaterials;  // found nowhere: exported as plain colours
    // Found but not drawn (an 8-bit material without its colormap, a damaged file): each
    // with why; exported as plain colours too.
    std::vector<std::pair<std::string, std::string>> undrawnMaterials;
    std::vector<std::filesystem::path> files;   // every file written, the model first
    std::size_t faces = 0;
    std::size_t nodes = 0;
    std::size_t animatedNodes = 0;  // nodes the keyframe moves
};

// The pictures of a model's materials as the editor draws them (the options'
// materialImage and materialFound), looked up where the editor looks (FindResource)
// through the colormap. A material found nowhere fails (and exports as a plain colour)
// instead of showing the fallback material. What the sources point to must outlive the
// options.
void UseMaterialSources(ExportOptions& options, ResourceSources sources, std::string colormap);

// Writes the model's geometry set under path, the format by its lower-cased extension:
// ".glb" (one file), ".gltf" (with a ".bin" beside it) or ".obj" (with a ".mtl" and a
// PNG per textured material beside it). Each file is written whole or not at all.
Result<ExportReport> ExportModel(const CModel& model, const std::filesystem::path& path, const ExportOptions& options);

// ---- import -------------------------------------------------------------------------

inline constexpr float kDefaultImportScale = 1.0f;

// Which of a file's axes points up, for formats that do not say (OBJ, PLY, STL, OFF...);
// glTF, Collada, FBX and 3DS (z up) state their own and are taken as they say.
enum class UpAxis { Y, Z };

struct ImportOptions {
    // Every length is multiplied by it (unit conversion): 1 takes the file's units as the
    // game's.
    float scale = kDefaultImportScale;
    // Z: the file's +z is up and its -y the front (as z-up tools write), turned into the
    // y-up convention before the scale.
    UpAxis up = UpAxis::Y;
    // The colormap's palette that textures are remapped onto; none: the sample palette.
    const Palette* palette = nullptr;
    // Where the game's and the mod's materials are looked for: a material of the file
    // named like one found there stays a reference to it. Both may be empty.
    ResourceSources resources;
    TextureSizeFn textureSize;  // sizes of those materials
    // Assimp reads the file in a child process (its readers can crash or loop on a
    // damaged file) with memory in proportion to the file's size; one that takes longer
    // than 30 seconds and one more per MB of the file, or than this, is stopped.
    std::chrono::milliseconds readLimit{std::chrono::minutes(2)};
};

struct ImportReport {
    std::unique_ptr<CModel> model;
    // What was changed to make the file fit (polygons split, meshes split, names cut,
    // textures resized or left out), one line each.
    std::vector<std::string> notes;
    // What still breaks the engine's limits after the import.
    std::vector<LimitBreach> breaches;
};

// Reads the file with Assimp (its validation on) and builds the model: nodes from the
// file's hierarchy (scale and shear applied to the vertices), polygons of up to 24
// corners kept, meshes split under the engine's limits, texture coordinates in texels,
// each image texture a custom 8-bit material. Lengths of a file that states its unit
// (FBX, Collada) arrive in metres before the scale, and a file stating its up axis is
// turned to y up; the notes say which unit was applied. Fails with the reason, in words about the
// file, when it cannot be read, announces more than its size holds, holds no faces, or
// has a vertex or node whose coordinate (times the scale) is not a number or lies beyond
// ±kMaxCoordinate.
Result<ImportReport> ImportModel(const std::filesystem::path& path, const ImportOptions& options);

// The same from bytes in memory; hint is the file's extension without its dot ("obj").
// Files the model refers to (textures, a material library) are not read.
Result<ImportReport> ImportModelFromMemory(std::span<const uint8_t> bytes, const std::string& hint,
                                           const ImportOptions& options);

// The file types the import reads, as "*.obj;*.glb;..." patterns from Assimp's list.
std::vector<std::string> ImportPatterns();

}  // namespace orv
