// The render-mode table that says which meshes are drawn and how. Where the nodes stand,
// and the order in which drawing meets them, is the pose's (model/pose.h).
#pragma once

#include <cstdint>
#include <vector>

#include "document/modes.h"
#include "model/model.h"
#include "model/nodes.h"
#include "model/pose.h"

namespace orv {

struct MeshDrawStyle {
    bool drawn = false;
    bool solid = false;
};

// Whether a mesh is drawn in the render mode, and whether solid or as wireframes.
MeshDrawStyle MeshDrawMode(RenderMode renderMode, int32_t mesh, int32_t currentMesh);

}  // namespace orv
