// Building the faces' corner records from the mesh lists: the geometry that drawing and
// the 3DO writer work from. Runs after every 3DO read (with or without a window) and in
// the renderer when it knows the real texture sizes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orv {

class CModel;

struct TextureSize {
    int32_t width = 1;
    int32_t height = 1;
};

// Size in texels of a material's image, looked up by its (lower-case) name; nullopt
// when it is not known. An empty function knows no sizes.
using TextureSizeFn = std::function<std::optional<TextureSize>(const std::string& material)>;

// For every geometry set and mesh k: the placement offset becomes the pivot of the first
// node whose mesh index is k (zero when there is none). For every face: texture width and
// height from textureSize (1 x 1 without material or when the size is unknown); a U or V
// scale of 0 becomes width / 2, height / 2 for a known size and 1.0 for a face without
// material (left at 0 when a material's size is not known, so that a later pass with the
// real size still sets it); the corners are rebuilt from the index lists: position =
// vertex + placement offset, u, v = texture vertex / texture size, colour 0x00FFFFFF,
// reserved 0, specular = the vertex's specular word (its intensity), each inserted at the
// front (corners run opposite to the index lists); then the face normal is recomputed.
//
// Indices come from files and are not trusted: a corner whose vertex index is out of
// range is left out (its position is unknown); a corner whose texture-vertex index alone
// is out of range keeps its position with u = v = 0.
void BuildFaceCorners(CModel& model, const TextureSizeFn& textureSize = {});

// The corners again for new texture sizes (the resources or the colormap changed) without
// losing an edit: corners are the truth between saves, so every mesh's lists are first
// rebuilt from its corners, then the corners from the lists with the new sizes. A mesh
// whose corners were never built keeps its lists.
void RebuildFaceCorners(CModel& model, const TextureSizeFn& textureSize = {});

}  // namespace orv
