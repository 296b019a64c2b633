// The per-view renderer: ties one document's model, the view's camera and selection to
// an OpenGL drawing device and the scene code, and draws and presents frames with the
// pacing, the continuous views and the status pass that follows a frame.
//
// No window toolkit here: the owner (the Qt view, or orvane-tool's headless context)
// makes its context current before every call, hands in the framebuffer a finished
// frame goes to, and listens for the status texts. The camera and the selection belong
// to the owner and outlive the renderer, so that panes can read the selection before
// any context exists. The renderer only reads the model: the document places its nodes
// and moves it on for each frame of a continuous view (SetFrameStep).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/document.h"
#include "edit/selection.h"
#include "model/settings.h"
#include "render/gl_device.h"
#include "render/scene_renderer.h"
#include "view/camera.h"

namespace orv {

struct ResourceCatalog;
class ResourceSearchPath;
struct ResourceSources;

// The frame pacing all renderers of the program share: one last frame time, so that
// two views together stay within "FrameRate".
FramePacer& SharedFramePacer();

// Milliseconds of a steady clock.
int64_t SteadyClockMs();

// Converts a material resolved through the catalogue into the picture a texture is
// made from (palette as red, green, blue).
struct MaterialImage;
TextureImage ToTextureImage(const MaterialImage& image);

// The model's custom materials, then those of the game's catalogue, through the
// colormap: what the scene's textures are made from. The model is looked up at each
// call (undo replaces it); an empty function when there is no catalogue.
MaterialResolver CatalogMaterialResolver(const ResourceCatalog* catalog, std::filesystem::path resourceFile,
                                         std::function<const CModel*()> model);
// The same through every place of the sources in their one order (FindResource); the
// sources' custom materials are replaced by those of the model at each call. Colormaps
// are read once per resolver.
MaterialResolver SourcesMaterialResolver(ResourceSources sources, std::function<const CModel*()> model);

class CRenderer {
public:
    // Present() skips the copy to a window (headless drawing reads the surface instead).
    static constexpr uint32_t kNoPresent = ~0u;

    CRenderer(COrvaneDoc& doc, Settings& settings, Camera& camera, Selection& selection,
              FramePacer& pacer = SharedFramePacer());
    ~CRenderer();
    CRenderer(const CRenderer&) = delete;
    CRenderer& operator=(const CRenderer&) = delete;

    // Loads the functions of the context current now and builds the device list. The
    // display modes ("WxH" texts) are what "StretchMode" indexes; "None" is put first.
    // False with a reason when the context cannot draw; the view then stays empty.
    bool Initialize(const GlGetProcAddress& getProc, std::vector<std::string> displayModes,
                    std::string* error = nullptr);
    bool Initialized() const { return device_.Initialized(); }

    // (Re)creates the surfaces for a client area of w x h pixels, sets the projection of
    // camera and device alike (the document's enlarge flag chooses the field of view) and
    // the client rectangle. The messages name each device that could not be used.
    DeviceResult CreateDevice(int32_t w, int32_t h);
    // The window's new size: nothing while busy or for an empty size.
    DeviceResult ResizeDevice(int32_t cx, int32_t cy);
    bool HasDevice() const { return device_.HasDevice(); }
    // The name of the device the settings choose (status pane 0).
    std::string DeviceName() const { return device_.CurrentDeviceName(); }
    std::vector<std::string> DeviceNames() const;
    const std::vector<std::string>& DisplayModes() const { return device_.DisplayModes(); }
    ViewSize Size() const;

    // Where the catalogue's materials come from, and the user's extra archives and
    // folders (none: only the catalogue and the mod's folders around the document's
    // file); takes effect at the next PrepareScene, which looks at those folders anew.
    void SetResources(const ResourceCatalog* catalog, std::filesystem::path resourceFile,
                      const ResourceSearchPath* searchPath = nullptr);
    // A fresh texture cache (the model itself is only read); the node markers are
    // cleared (grid off, no current node) and both scroll positions return to 0.
    void PrepareScene();
    // Textures for the faces of one mesh (added or pasted faces).
    void AssignFaceTextures(const CMesh& mesh);
    // The game view: meshes drawn solid are drawn as the game draws them, through the
    // colormap the materials are drawn with ("ColorMap", read by PrepareScene), in the
    // ambient light of options.ambient, with or without the light at the camera, the
    // materials of several cels at their cel for options.seconds. None: the editor's own
    // drawing. Takes effect at the next frame.
    void SetGameView(std::optional<GameViewOptions> options) { gameView_ = options; }
    const std::optional<GameViewOptions>& GameViewSettings() const { return gameView_; }
    // Whether the last game-view frame showed a material of several cels: the view then
    // wants frames with a moving time.
    bool GameViewAnimates() const { return (gameView_ || doc_.modes.gameView) && scene_->Game().Animated(); }

    // The faces or corners changed: the drawing buffers are made again.
    void ModelChanged();
    void MeshChanged(const CMesh& mesh);

    // Measures the model's box where its nodes now stand (the status pass), so that a
    // camera placement right after starts from where the model now is.
    void Measure();

    // The framebuffer a finished frame is copied into (the window's own), or kNoPresent.
    void SetPresentTarget(uint32_t framebuffer) { target_ = framebuffer; }
    // Draws and presents one frame. Returns whether more idle time is wanted (true in
    // the rotating and animating views, while busy and when the frame was not yet due).
    // Without force nothing is drawn outside the continuous views; with or without it,
    // a frame comes at most every 1000 / "FrameRate" ms (a rate below 1 counts as 1).
    bool RenderFrame(bool force, const ClientRect* clip = nullptr);
    // Whether the last RenderFrame drew, and how long until the next frame is due.
    bool LastFrameDrawn() const { return lastDrawn_; }
    int64_t MsUntilDue() const;
    // Copies the last frame drawn into the present target again (a paint that came
    // before the next frame was due).
    void PresentLast(const ClientRect* clip = nullptr);
    // The surface as last drawn (tests, orvane-tool).
    RgbaImage ReadPixels() { return device_.ReadPixels(); }

    // What a left-button click of the view at client pixel (x, y) looks at: the ray the
    // selection picks along (PickAt, through the document's runner).
    PickRequest PickRequestAt(int32_t x, int32_t y, Modifiers mods) const;

    // After every status pass: the pane texts and the scroll bars.
    void SetStatusListener(std::function<void(const ViewStatus&)> listener) { statusListener_ = std::move(listener); }
    // Called once per drawn frame of the continuous views, before drawing, with the real
    // time in seconds since the previous frame of the animating view (0 for the first,
    // and in the rotating view): the document steps the model and places its nodes
    // (COrvaneDoc::StepContinuousView unless replaced). The renderer itself only reads
    // the model.
    void SetFrameStep(std::function<void(float seconds)> step) { frameStep_ = std::move(step); }
    // Milliseconds until the animating view's next frame changes the pose: the frame
    // pacing's wait, or longer while the keyframe's next frame is not yet due (at most a
    // second); the pacing's wait outside the animating view.
    int64_t MsUntilAnimationStep() const;
    void SetClock(std::function<int64_t()> clock) { clock_ = std::move(clock); }

    bool Busy() const { return busy_; }
    const ViewStatus& LastStatus() const { return lastStatus_; }
    GlDevice& Device() { return device_; }
    SceneRenderer& Scene() { return *scene_; }
    Camera& GetCamera() { return camera_; }
    Selection& GetSelection() { return selection_; }

private:
    // The model, read only: what moves it (a frame of a continuous view) the document does.
    const CModel& Model() const { return *doc_.model; }
    void EnsurePrepared();
    void StatusPass();
    void Present(const ClientRect* clip);

    COrvaneDoc& doc_;
    Settings& settings_;
    Camera& camera_;
    Selection& selection_;
    FramePacer& pacer_;
    GlDevice device_;
    std::unique_ptr<SceneRenderer> scene_;
    const ResourceCatalog* catalog_ = nullptr;
    std::filesystem::path resourceFile_;
    const ResourceSearchPath* searchPath_ = nullptr;
    const CModel* preparedModel_ = nullptr;
    uint32_t target_ = kNoPresent;
    bool busy_ = true;
    bool lastDrawn_ = false;
    bool framed_ = false;  // a frame has been drawn into the surface
    std::function<void(const ViewStatus&)> statusListener_;
    std::function<void(float)> frameStep_;
    std::optional<int64_t> lastAnimationMs_;  // the animating view's last frame
    std::optional<GameViewOptions> gameView_;
    std::function<int64_t()> clock_;
    ViewStatus lastStatus_;
};

}  // namespace orv
