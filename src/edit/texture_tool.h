// The texture coordinates tool: a face's texture laid out anew by unfolding the face
// flat from a start vertex, then scaling, turning, offsetting and optionally mirroring
// the flat points. Its seven parameters are kept in the face so that the tool reopens
// with them. Also the texture transfer that continues a neighbour's texture across a
// shared edge (new primitive faces, extruded sides, pasted faces).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "document/edit_context.h"
#include "model/corners.h"
#include "model/model.h"

namespace orv {

struct TextureLayout {
    int32_t startVertex = 0;
    float angle = 0.0f;  // degrees
    float uOffset = 0.0f;
    float vOffset = 0.0f;
    float uScale = 0.0f;
    float vScale = 0.0f;
    bool mirror = false;
};

// The parameters stored in a face, and storing them.
TextureLayout TextureLayoutOf(const CFace& face);
void StoreTextureLayout(CFace& face, const TextureLayout& layout);

// Why a face's texture cannot be laid out ("" when it can): fewer than three corners, no
// area, or a start vertex on top of its predecessor (no direction to unfold along).
std::string TextureLayoutProblem(const CFace& face, int32_t startVertex);

// Lays the texture out: vertex k (position k of the index list) gets u, v from the
// unfolded face. The layout works in texture units, which the face's texture size (see
// FaceTextureSize) turns into the texels its corners hold. Nothing happens for a start
// vertex out of range or a face that TextureLayoutProblem refuses; returns whether the
// coordinates were set.
bool ApplyTextureLayout(CFace& face, const TextureLayout& layout, const TextureSize& size);

// "Update Vertices": the texture laid out again with the parameters stored in the face,
// after its vertices moved -- for the current face, in face mode its group, in mesh mode
// every face of the mesh. Faces whose parameters were never set (scales 0) or that the
// tool refuses are left alone. sizeOf gives each face's texture size. Returns how many
// faces were laid out.
int32_t RelayStoredTextures(CMesh& mesh, const CFace* current, bool faceMode, bool meshMode,
                            const std::function<TextureSize(const CFace&)>& sizeOf);

// The command "Update Vertices": RelayStoredTextures on the view's current mesh and face;
// enabled with a current mesh and, outside mesh mode, a current face. Changed when a
// face was laid out. WhyNotRelayTextures says why it is disabled.
const char* WhyNotRelayTextures(const EditContext& c);
EditOutcome RelayTextures(EditContext& c);

// The texture tool's Apply and OK on the view's current face: the layout laid out
// (TextureLayoutProblem's sentence, changing nothing, when the face cannot take it) and,
// with store, its parameters kept in the face for the tool's next opening.
struct TextureLayoutParams {
    TextureLayout layout;
    bool store = false;
};
EditOutcome LayOutTexture(EditContext& c, const TextureLayoutParams& p);

// Continues the source face's texture onto the target across their first shared edge
// (edges on one line, within 1.0e-5): the edge's two vertices take the source's
// coordinates at their places along its edge, the others follow by the source's spread
// away from the edge, and the target's tool parameters are set to match. Coordinates
// carry over in texture units, each face's measured by its own texture size. A target
// with no edge on one of the source's keeps its coordinates; returns whether it changed.
bool TransferTexture(CFace& target, const CFace& source, const TextureSize& targetSize, const TextureSize& sourceSize);

}  // namespace orv
