#include "model/file_kind.h"

#include <array>

#include "base/text.h"

namespace orv {

namespace {

using namespace std::string_view_literals;

constexpr std::array k3do{".3do"sv};
constexpr std::array kOrv{".orv"sv};
constexpr std::array kBrp{".brp"sv};
constexpr std::array kPup{".pup"sv};
constexpr std::array kKey{".key"sv};
constexpr std::array kMat{".mat"sv};
constexpr std::array kCmp{".cmp"sv};
constexpr std::array kBmp{".bmp"sv};
constexpr std::array kGob{".gob"sv, ".goo"sv};
constexpr std::array kPng{".png"sv};
constexpr std::array kGlb{".glb"sv};
constexpr std::array kGltf{".gltf"sv};
constexpr std::array kObj{".obj"sv};
constexpr std::array kOther{".fbx"sv, ".dae"sv, ".3ds"sv};
constexpr std::array kMeshOnly{".ply"sv, ".stl"sv, ".off"sv};

const std::array<FileKindExtensions, 15> kKinds{{
    {FileKind::Model3do, k3do},
    {FileKind::Project, kOrv},
    {FileKind::ResourceTree, kBrp},
    {FileKind::Puppet, kPup},
    {FileKind::Keyframe, kKey},
    {FileKind::Material, kMat},
    {FileKind::Colormap, kCmp},
    {FileKind::Bitmap, kBmp},
    {FileKind::Archive, kGob},
    {FileKind::Picture, kPng},
    {FileKind::GltfBinary, kGlb},
    {FileKind::Gltf, kGltf},
    {FileKind::Obj, kObj},
    {FileKind::OtherModel, kOther},
    {FileKind::MeshOnly, kMeshOnly},
}};

}  // namespace

std::span<const FileKindExtensions> KnownFileKinds() { return kKinds; }

std::string FileExtension(std::string_view path)
{
    const auto slash = path.find_last_of("/\\");
    const auto dot = path.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return ToLowerAscii(path.substr(dot));
}

FileKind FileKindOf(std::string_view path)
{
    const std::string ext = FileExtension(path);
    if (ext.size() < 2)
        return FileKind::Unknown;
    for (const auto& k : kKinds)
        for (std::string_view e : k.extensions)
            if (e == ext)
                return k.kind;
    return FileKind::Unknown;
}

std::string_view ExtensionOf(FileKind kind)
{
    for (const auto& k : kKinds)
        if (k.kind == kind)
            return k.extensions.front();
    return {};
}

bool IsImportedModel(FileKind kind)
{
    return kind == FileKind::GltfBinary || kind == FileKind::Gltf || kind == FileKind::Obj ||
           kind == FileKind::OtherModel || kind == FileKind::MeshOnly;
}

bool NeverAnimated(FileKind kind) { return kind == FileKind::Obj || kind == FileKind::MeshOnly; }

}  // namespace orv
