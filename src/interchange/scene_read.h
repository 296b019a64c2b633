// A file read by Assimp in a child process and taken over into this one, for the
// importers of this folder (models, animations). Internal to the interchange layer.
#pragma once

#include <assimp/scene.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/result.h"
#include "interchange/file_frame.h"
#include "interchange/gltf_curves.h"
#include "interchange/interchange.h"

namespace orv {

struct SceneRead {
    std::unique_ptr<aiScene> scene;  // never null on success, with a root node
    std::string generator;           // the tool that wrote the file, where it says
    FileFrame frame;                 // its unit and axes, where the reader left them out
    // The animations (by number) that key morph weights or mesh vertices, which the
    // hand-over leaves out.
    std::vector<std::string> morphKeyed;
    // A glTF file's steps and splines, which the scene holds as straight lines.
    std::vector<KeyCurve> curves;
};

// Reads the file (its size checked against what it announces first) with the import's
// validation steps, within options.readLimit; the failure says why in words about the file.
Result<SceneRead> ReadSceneInChild(const std::filesystem::path& path, const ImportOptions& options);

// The same from bytes in memory; hint is the file's extension without its dot.
Result<SceneRead> ReadSceneFromMemoryInChild(std::span<const uint8_t> bytes, const std::string& hint,
                                             const ImportOptions& options);

}  // namespace orv
