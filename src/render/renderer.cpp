#include "render/renderer.h"

#include <algorithm>
#include <cctype>
#include <chrono>

#include "model/pose.h"
#include "model/corners.h"
#include "model/file_kind.h"
#include "resources/catalog.h"
#include "resources/material.h"
#include "resources/searchpath.h"
#include "view/hierarchy.h"

namespace orv {

FramePacer& SharedFramePacer()
{
    static FramePacer pacer;
    return pacer;
}

int64_t SteadyClockMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

TextureImage ToTextureImage(const MaterialImage& image)
{
    TextureImage t;
    t.width = image.width;
    t.height = image.height;
    t.cels = image.celCount;
    t.pixels = image.pixels;
    t.rgba = image.rgba;
    t.transparent = image.transparent;
    t.solidColor = image.solidColor;
    for (int i = 0; i < 256; ++i) {
        const auto rgb = image.Rgb(i);
        for (int k = 0; k < 3; ++k)
            t.palette[static_cast<std::size_t>(i * 3 + k)] = rgb[static_cast<std::size_t>(k)];
    }
    return t;
}

MaterialResolver CatalogMaterialResolver(const ResourceCatalog* catalog, std::filesystem::path resourceFile,
                                         std::function<const CModel*()> model)
{
    if (!catalog)
        return {};
    ResourceSources sources;
    sources.catalog = catalog;
    sources.resourceFile = std::move(resourceFile);
    return SourcesMaterialResolver(std::move(sources), std::move(model));
}

MaterialResolver SourcesMaterialResolver(ResourceSources sources, std::function<const CModel*()> model)
{
    auto colormaps = std::make_shared<ColormapCache>();
    return [sources = std::move(sources), model = std::move(model), colormaps](
               const std::string& material, const std::string& colormap) -> std::optional<TextureImage> {
        ResourceSources now = sources;
        const CModel* m = model ? model() : nullptr;
        now.customMaterials = m ? &m->customMaterials : nullptr;
        auto image = ResolveMaterialImage(now, material, colormap, colormaps.get());
        if (!image)
            return std::nullopt;
        return ToTextureImage(*image);
    };
}

CRenderer::CRenderer(COrvaneDoc& doc, Settings& settings, Camera& camera, Selection& selection, FramePacer& pacer)
    : doc_(doc),
      settings_(settings),
      camera_(camera),
      selection_(selection),
      pacer_(pacer),
      device_(settings),
      frameStep_([&doc](float seconds) { doc.StepContinuousView(seconds); }),
      clock_(SteadyClockMs)
{
    scene_ = std::make_unique<SceneRenderer>(device_, settings_);
}

CRenderer::~CRenderer()
{
    // Textures and buffers go before the device whose functions delete them.
    scene_.reset();
}

bool CRenderer::Initialize(const GlGetProcAddress& getProc, std::vector<std::string> displayModes, std::string* error)
{
    busy_ = true;
    device_.SetDisplayModes(std::move(displayModes));
    if (!device_.Initialize(getProc, error))
        return false;
    busy_ = false;
    return true;
}

std::vector<std::string> CRenderer::DeviceNames() const
{
    std::vector<std::string> names;
    for (const auto& d : device_.Devices())
        names.push_back(d->name);
    return names;
}

ViewSize CRenderer::Size() const
{
    ViewSize s;
    s.clientWidth = device_.Client().Width();
    s.clientHeight = device_.Client().Height();
    s.surfaceWidth = device_.SurfaceWidth();
    s.surfaceHeight = device_.SurfaceHeight();
    s.stretched = settings_.stretchMode != 0;
    return s;
}

DeviceResult CRenderer::CreateDevice(int32_t w, int32_t h)
{
    w = std::max(w, 1);
    h = std::max(h, 1);
    device_.SetClientRect({0, 0, w, h});
    DeviceResult result = device_.CreateDevice(w, h, doc_.modes.enlarge);
    // Camera and device share one projection: picking inverts exactly what is drawn.
    camera_.SetProjection(w, h, doc_.modes.enlarge);
    device_.SetProjection(camera_.projection);
    device_.SetView(camera_.view);
    framed_ = false;
    return result;
}

DeviceResult CRenderer::ResizeDevice(int32_t cx, int32_t cy)
{
    if (busy_ || cx <= 0 || cy <= 0) {
        DeviceResult unchanged;
        unchanged.ok = device_.HasDevice();
        return unchanged;
    }
    return CreateDevice(cx, cy);
}

void CRenderer::SetResources(const ResourceCatalog* catalog, std::filesystem::path resourceFile,
                             const ResourceSearchPath* searchPath)
{
    catalog_ = catalog;
    resourceFile_ = std::move(resourceFile);
    searchPath_ = searchPath;
}

void CRenderer::PrepareScene()
{
    if (!device_.Initialized())
        return;
    selection_.ClearNodes(doc_.modes);
    // The mod is read afresh at each preparation, so materials put into it since are seen.
    doc_.RescanResources();
    ResourceSources sources = doc_.Sources();
    sources.catalog = catalog_;
    sources.resourceFile = resourceFile_;
    sources.searchPath = searchPath_;
    // The game view's tables come from the colormap the materials are drawn with.
    std::optional<ColormapData> colormap;
    if (const auto found = FindColormap(sources, settings_.colorMap))
        if (auto parsed = ParseColormap(found->bytes))
            colormap = std::move(*parsed);
    scene_->SetColormap(std::move(colormap));
    scene_->SetMaterialResolver(SourcesMaterialResolver(std::move(sources), [this] { return doc_.model.get(); }));
    scene_->PrepareScene(Model());
    preparedModel_ = doc_.model.get();
    Measure();
    camera_.hScrollPos = camera_.vScrollPos = 0;
}

void CRenderer::EnsurePrepared()
{
    // A model replaced behind the renderer's back (open, undo) must not be drawn from
    // buffers and textures made for the one before.
    if (preparedModel_ != doc_.model.get())
        PrepareScene();
}

void CRenderer::AssignFaceTextures(const CMesh& mesh)
{
    if (device_.Initialized())
        scene_->AssignFaceTextures(Model(), mesh);
}

void CRenderer::ModelChanged()
{
    if (device_.Initialized())
        scene_->ModelChanged();
}

void CRenderer::MeshChanged(const CMesh& mesh)
{
    if (device_.Initialized())
        scene_->MeshChanged(mesh);
}

void CRenderer::Measure()
{
    if (!doc_.model)
        return;
    camera_.UpdateViewInfo();
    const bool wasBusy = busy_;
    busy_ = true;
    StatusPass();
    busy_ = wasBusy;
}

void CRenderer::StatusPass()
{
    lastStatus_ = camera_.UpdateViewStatus(Model(), doc_.modes, selection_.currentMesh, settings_, DeviceName());
    if (statusListener_)
        statusListener_(lastStatus_);
}

int64_t CRenderer::MsUntilDue() const
{
    if (!pacer_.lastFrameMs)
        return 0;
    const int64_t period = settings_.FramePeriodMs();
    const int64_t elapsed = clock_() - *pacer_.lastFrameMs;
    return std::max<int64_t>(0, period - elapsed);
}

int64_t CRenderer::MsUntilAnimationStep() const
{
    const int64_t due = MsUntilDue();
    if (doc_.modes.viewKind != ViewKind::Animating || !lastAnimationMs_ || !doc_.model)
        return due;
    const int64_t since = clock_() - *lastAnimationMs_;
    const int64_t step = MsUntilFrameStep(Model(), static_cast<double>(since) / 1000.0);
    // A keyframe that never steps still draws now and then (its view may be uncovered).
    return std::max(due, step < 0 ? int64_t{1000} : std::min<int64_t>(step, 1000));
}

void CRenderer::Present(const ClientRect* clip)
{
    if (target_ != kNoPresent)
        device_.Present(target_, clip);
}

bool CRenderer::RenderFrame(bool force, const ClientRect* clip)
{
    lastDrawn_ = false;
    if (busy_)
        return true;
    const EditModes& modes = doc_.modes;
    const bool continuous = modes.ContinuousView();
    if (!force && !continuous)
        return false;
    if (!device_.HasDevice() || !doc_.model)
        return false;
    EnsurePrepared();

    const int64_t now = clock_();
    if (!pacer_.Due(now, settings_.frameRate))
        return true;

    const CModel& model = Model();
    device_.SetView(camera_.view);
    device_.SetProjection(camera_.projection);
    device_.BeginFrame();
    camera_.UpdateViewInfo();
    float seconds = 0.0f;
    if (modes.viewKind == ViewKind::Animating) {
        // The real time since the last frame of the animation: the keyframe plays at its
        // own speed whatever the drawing rate.
        seconds = lastAnimationMs_ ? static_cast<float>(now - *lastAnimationMs_) / 1000.0f : 0.0f;
        lastAnimationMs_ = now;
    } else {
        lastAnimationMs_.reset();
    }
    // The document moves the model on (the keyframe plays, the rotating view turns) and
    // places its nodes; the frame draws them where they stand.
    if (continuous && frameStep_)
        frameStep_(seconds);

    const std::vector<NodeVisit> nodes = NodeOrder(model);
    SceneDrawOptions options;
    options.renderMode = modes.renderMode;
    options.currentMesh = selection_.currentMesh;
    options.coordinateMode = modes.coordinateMode;
    options.markers = selection_.nodes;
    const std::vector<std::size_t> marked = selection_.MarkedFaces(model, modes);
    options.markedFaces = marked;
    options.shaded = settings_.shaded != 0;
    // The command line sets the game view's light itself; the editor's view takes it from
    // the document's switches, its cels turning with the clock.
    std::optional<GameViewOptions> game = gameView_;
    if (!game && modes.gameView)
        game = GameViewOptions{modes.gameAmbient, modes.gameCameraLight, static_cast<double>(now) / 1000.0};
    options.game = game ? &*game : nullptr;
    scene_->Draw(model, nodes, options);
    framed_ = true;
    Present(clip);

    if (!continuous) {
        busy_ = true;
        StatusPass();
        busy_ = false;
    }
    pacer_.FrameDone(now, clock_());
    camera_.measuredFrameRate = pacer_.measuredFrameRate;
    lastDrawn_ = true;
    return true;
}

void CRenderer::PresentLast(const ClientRect* clip)
{
    if (!device_.HasDevice())
        return;
    if (!framed_) {
        // Nothing drawn into this surface yet: show the background, not stale memory.
        device_.BeginFrame();
        framed_ = true;
    }
    Present(clip);
}

PickRequest CRenderer::PickRequestAt(int32_t x, int32_t y, Modifiers mods) const
{
    PickRequest request;
    request.x = x;
    request.y = y;
    request.size = Size();
    // The world transform left by a frame is the identity.
    request.world = Matrix4::Identity();
    request.view = camera_.view;
    request.projection = camera_.projection;
    request.mods = mods;
    return request;
}

}  // namespace orv
