// Model files of other 3D tools from untrusted bytes, read by Assimp and turned into a
// model: never a crash, and a model that comes out fits the engine.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "fuzz_check.h"
#include "interchange/interchange.h"

using namespace orv;

// Assimp reads in a child process, where its own crashes and hangs become errors; what
// is fuzzed here is that and everything this program does with the scene handed back.
// Some of Assimp's readers leave arrays behind when they give up on a file; those leaks
// are Assimp's to mend, and the fuzzer still finds any of this program's own.
extern "C" const char* __lsan_default_suppressions() { return "leak:libassimp.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The reader a file's extension would choose, by what the bytes begin with (the
    // header checks of PLY, OFF and STL run before any reader).
    const std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 4));
    const char* hint = text == "glTF"                                                        ? "glb"
                       : text == "; FB" || text == "Kayd"                                    ? "fbx"
                       : text == "<?xm" || text == "<COL"                                    ? "dae"
                       : (!text.empty() && (text[0] == '{' || text[0] == ' '))               ? "gltf"
                       : text.rfind("ply", 0) == 0                                           ? "ply"
                       : text.rfind("OFF", 0) == 0                                           ? "off"
                       : text == "soli" || text == "bina" || (size >= 84 && text[0] == '\0') ? "stl"
                                                                                             : "obj";
    ImportOptions options;
    options.readLimit = std::chrono::seconds(5);  // well inside the fuzzer's own limit
    options.up = size % 2 == 0 ? UpAxis::Y : UpAxis::Z;
    auto imported = ImportModelFromMemory(std::span<const uint8_t>(data, size), hint, options);
    if (!imported) {
        Require(!imported.error().empty());
        return 0;
    }
    Require(imported->model && imported->model->geosets.size() == 1 && imported->breaches.empty());
    for (const auto& mesh : imported->model->geosets[0].meshes)
        for (const auto& face : mesh.faces)
            Require(face.corners.size() == face.vertexIndices.size());
    return 0;
}
