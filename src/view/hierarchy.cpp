#include "view/hierarchy.h"

namespace orv {

MeshDrawStyle MeshDrawMode(RenderMode renderMode, int32_t mesh, int32_t currentMesh)
{
    const bool current = mesh >= 0 && mesh == currentMesh;
    switch (renderMode) {
    case RenderMode::AllWireframe: return {true, false};
    case RenderMode::MeshAndWireframe: return {true, current};
    case RenderMode::Mesh: return {current, current};
    case RenderMode::MeshWireframe: return {current, false};
    case RenderMode::All: break;
    }
    return {true, true};
}

}  // namespace orv
