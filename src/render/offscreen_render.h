// One picture of a model drawn by the same device and scene code as the 3D view, in a
// context of its own that needs no display (orvane-tool render, tests).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/model.h"
#include "model/settings.h"
#include "render/gl_device.h"
#include "render/scene_renderer.h"

namespace orv {

struct OffscreenRenderRequest {
    int32_t width = 1024;
    int32_t height = 768;
    // Colours, texture filtering, dithering and the colormap name.
    Settings settings;
    bool enlarge = false;
    Matrix4 view = Matrix4::Identity();
    // The view's projection for width × height when not given.
    std::optional<Matrix4> projection;
    // Render mode, current mesh, axes, markers and the world put after node matrices.
    SceneDrawOptions draw;
    MaterialResolver resolver;
    CornerBuilder corners;
};

// Prepares the scene (textures and corners) and draws one frame. Nothing, with a
// reason, when no OpenGL context or no surface of that size can be made.
std::optional<RgbaImage> RenderModelImage(CModel& model, const OffscreenRenderRequest& request,
                                          std::string* error = nullptr);

}  // namespace orv
