#include "render/offscreen_render.h"

#include "render/headless_context.h"

namespace orv {

std::optional<RgbaImage> RenderModelImage(CModel& model, const OffscreenRenderRequest& request, std::string* error)
{
    auto context = HeadlessGlContext::Create(error);
    if (!context)
        return std::nullopt;
    Settings settings = request.settings;
    // Without a window there is no screen resolution to stretch to.
    settings.stretchMode = 0;
    std::optional<RgbaImage> image;
    {
        GlDevice device(settings);
        if (!device.Initialize(HeadlessGlContext::ProcAddress(), error))
            return std::nullopt;
        device.SetClientRect({0, 0, request.width, request.height});
        const DeviceResult made = device.CreateDevice(request.width, request.height, request.enlarge);
        if (!made.ok) {
            if (error)
                *error = made.messages.empty() ? "No drawing surface can be made." : made.messages.front();
            return std::nullopt;
        }
        if (request.projection)
            device.SetProjection(*request.projection);
        device.SetView(request.view);

        SceneRenderer scene(device, settings);
        scene.SetMaterialResolver(request.resolver);
        scene.SetCornerBuilder(request.corners);
        scene.PrepareScene(model);
        device.BeginFrame();
        scene.Draw(model, request.draw);
        image = device.ReadPixels();
    }
    return image;
}

}  // namespace orv
