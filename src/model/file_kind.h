// A file's kind is told by its name's last extension alone, without regard to case:
// "my.ship.3do" is a model, "ship.3do.orv" a project, and a folder "models.3do" holds
// files of any kind. FileKindOf is the one place that decides it; everything that acts
// by a file's kind (opening, saving, the command line, the archive's folders) asks it.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace orv {

enum class FileKind {
    Unknown,
    Model3do,      // .3do: the game's model
    Project,       // .orv: the editor's own project
    ResourceTree,  // .brp: a model exported as the game's resource folders
    Puppet,        // .pup
    Keyframe,      // .key
    Material,      // .mat
    Colormap,      // .cmp
    Bitmap,        // .bmp
    Archive,       // .gob, .goo
    Picture,       // .png
    GltfBinary,    // .glb
    Gltf,          // .gltf
    Obj,           // .obj
    OtherModel,    // models of other 3D tools that are only imported: .fbx, .dae, .3ds
    MeshOnly,      // other tools' models that hold meshes and nothing else: .ply, .stl, .off
};

// One kind and the extensions (lower-case, with the dot) that name it; the first is the
// one a file of the kind is written with.
struct FileKindExtensions {
    FileKind kind;
    std::span<const std::string_view> extensions;
};

// Every kind with a name of its own, in a fixed order.
std::span<const FileKindExtensions> KnownFileKinds();

// The kind of the file at path, by its last extension; Unknown when it has none or one
// that names no kind.
FileKind FileKindOf(std::string_view path);

// The extension a file of the kind is written with (".3do"); "" for Unknown.
std::string_view ExtensionOf(FileKind kind);

// Whether files of the kind are other 3D tools' models, which the editor imports.
bool IsImportedModel(FileKind kind);
// Whether files of the kind never hold an animation (OBJ and the mesh-only formats), so
// they are not read for one.
bool NeverAnimated(FileKind kind);

// The last extension of the file name, lower-cased, with its dot (".3do"); "" when the
// name has none. For messages that name what was given; decisions use FileKindOf.
std::string FileExtension(std::string_view path);

}  // namespace orv
