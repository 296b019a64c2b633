// Building the faces' corner records from the mesh lists: the geometry that drawing and
// the 3DO writer work from. Runs after every 3DO read (with or without a window). Corners
// hold u and v in texels, as the file does; what measures them against a texture's size
// (drawing, the texture tool, the texture drag, the vertex pane) asks for the size itself.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orv {

class CModel;
struct CFace;

struct TextureSize {
    int32_t width = 1;
    int32_t height = 1;
    bool operator==(const TextureSize&) const = default;
};

// Size in texels of a material's image, looked up by its (lower-case) name; nullopt
// when it is not known. An empty function knows no sizes.
using TextureSizeFn = std::function<std::optional<TextureSize>(const std::string& material)>;

// The size a face's texture coordinates are measured against: its material's picture
// when textureSize knows it, else 1 x 1 (a face without a material, with a material
// index that points nowhere or one whose size is unknown): its u and v then count as
// they stand.
TextureSize FaceTextureSize(const CModel& model, const CFace& face, const TextureSizeFn& textureSize);

// The texture tool's scales of faces that never had them set: a U or V scale of 0
// becomes width / 2, height / 2 for a known size and 1.0 for a face without material; it
// stays 0 while a material's size is unknown, so that a later pass with the real size
// still sets it.
void FillDefaultTextureScales(CModel& model, const TextureSizeFn& textureSize);

// For every geometry set and mesh k: the placement offset becomes the pivot of the first
// node whose mesh index is k (zero when there is none). For every face: the default
// scales (FillDefaultTextureScales); the corners are rebuilt from the index lists:
// position = vertex + placement offset, u, v = the texture vertex's, colour 0x00FFFFFF,
// reserved 0, specular = the vertex's specular word (its intensity), each inserted at the
// front (corners run opposite to the index lists); then the face normal is recomputed.
//
// Indices come from files and are not trusted: a corner whose vertex index is out of
// range is left out (its position is unknown); a corner whose texture-vertex index alone
// is out of range keeps its position with u = v = 0.
void BuildFaceCorners(CModel& model, const TextureSizeFn& textureSize = {});

// The corners again from the lists (the node pivots that place the meshes changed)
// without losing an edit: corners are the truth between saves, so every mesh's lists are
// first rebuilt from its corners, then the corners from the lists. A mesh whose corners
// were never built keeps its lists.
void RebuildFaceCorners(CModel& model, const TextureSizeFn& textureSize = {});

}  // namespace orv
