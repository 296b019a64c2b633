// Carve Mesh and Extrude Face: the current mesh cut by the plane through three selected
// grid nodes, the cut-away side removed and the opening closed by a cap; the current face
// pushed into the mesh or pulled out of it, a side face along each edge. Both work in world
// coordinates (the mesh's vertices through the matrix it is drawn with) and store their
// results back in the mesh's own coordinates.
#pragma once

#include <cstdint>
#include <string>

#include "edit/view_commands.h"
#include "model/corners.h"

namespace orv {

// Why each cannot run now, for the status bar (nullptr: it can).
const char* WhyNotCarve(const EditContext& c);
const char* WhyNotExtrude(const EditContext& c);

// Carves the current mesh with the plane through the first three selected grid nodes (in
// click order): the side the plane's normal (P2 - P1) x (P3 - P2) points to goes. A
// refusal changes nothing and names itself ("Cannot carve mesh. You must select 3 grid
// nodes ...").
EditOutcome CarveMesh(EditContext& c);

struct ExtrudeParams {
    float upDownAngle = 0.0f;     // degrees, with exactly two grid nodes selected
    float leftRightAngle = 0.0f;  // degrees, with exactly two grid nodes selected
    float indent = 0.0f;
    int32_t firstVertex = -1;  // -1: "All Vertices" take the first depth
    int32_t secondVertex = 0;
    int32_t thirdVertex = 0;
    float depth1 = 0.1f;
    float depth2 = 0.1f;
    float depth3 = 0.1f;
    bool rotatedEndFace = false;  // shape 1: the end face turned towards the centroid
    // Out of the mesh: the face moves along its normal (a boss); else against it, into
    // the mesh (a recess).
    bool outward = false;
};

// Why the dialog's values cannot be used ("" when they can): the ranges it checks on OK
// and three chosen vertices that must differ.
std::string CheckExtrudeParams(const ExtrudeParams& p, int32_t vertexCount);

// Extrudes the current face: it moves by its depths against its normal (along it when
// outward) and a side face joins each of its edges to where the edge was, wound so that a
// closed mesh stays closed with every face showing outward, textured on from the face beyond the
// edge when there is one (each face's texture coordinates measured by its material's
// size from the context's texture sizes). Values CheckExtrudeParams refuses change
// nothing; its sentence is the message.
EditOutcome ExtrudeFace(EditContext& c, const ExtrudeParams& p);

}  // namespace orv
