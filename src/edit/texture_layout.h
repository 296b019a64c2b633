// A picture of a face's texture layout: its material's image with the edges of the faces
// that use it drawn where their corners' texture coordinates put them, for a user who
// paints the material or checks how a face is mapped.
#pragma once

#include <cstdint>
#include <vector>

#include "base/result.h"

namespace orv {

struct CMesh;
struct MaterialImage;

struct LayoutPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;  // rows top-down, red, green, blue, alpha
};

// Face `face` of `mesh` over `image` (cel 0 of the face's material), scaled to fit
// width × height less a margin of a twentieth of the smaller side. The picture spans the image and every corner of the faces of the mesh
// that share the face's material, in whole repeats of the image (at most 4 each way
// beyond it, as far as the texture repeats are of use to see); the repeats are dimmed.
// The other faces' edges are drawn in blue, the face's own in yellow with its corners
// marked. v counts rows from the top of the image, as the files do.
Result<LayoutPicture> DrawTextureLayout(const CMesh& mesh, int32_t face, const MaterialImage& image, int32_t width,
                                        int32_t height);

}  // namespace orv
