// Frames per second of drawing a 100,000-face model at 1024 × 768: from the per-mesh
// buffers, and with one draw call per face as the faces were first drawn; and in the
// game view, every texel through the colormap's tables. Each frame
// is cleared, drawn, copied into a window-sized framebuffer and finished.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>

#include "model/model.h"
#include "render/gl_device.h"
#include "render/headless_context.h"
#include "render/scene_renderer.h"
#include "view/hierarchy.h"

using namespace orv;

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;

// A sphere of 400 × 250 quads (100,000 faces) cut into ten meshes of 25 rings, one
// node each; eight materials in runs of 50 columns, as a modelling tool groups them.
std::unique_ptr<CModel> MakeSphereModel()
{
    constexpr int columns = 400, rings = 250, meshes = 10;
    auto model = std::make_unique<CModel>();
    for (int m = 0; m < 8; ++m)
        model->materials.push_back("mat" + std::to_string(m) + ".mat");
    model->geosets.push_back(CGeometry());
    auto point = [&](int c, int r) {
        const float theta = 2.0f * kPi * static_cast<float>(c) / columns;
        const float phi = kPi * static_cast<float>(r) / rings;
        VertexRecord v;
        v.x = std::sin(phi) * std::cos(theta);
        v.y = std::cos(phi);
        v.z = std::sin(phi) * std::sin(theta);
        v.u = static_cast<float>(c % 8) * 8.0f;  // texels of the 64 x 64 checker
        v.v = static_cast<float>(r % 8) * 8.0f;
        return v;
    };
    for (int m = 0; m < meshes; ++m) {
        CMesh mesh;
        for (int r = m * rings / meshes; r < (m + 1) * rings / meshes; ++r)
            for (int c = 0; c < columns; ++c) {
                CFace f;
                f.material = (c / 50) % 8;
                // Textured and Gouraud-lit, as the game's models mostly are (the game view).
                f.geometryMode = 4;
                f.lightingMode = 3;
                f.textureMode = 1;
                // Index list counter-clockwise seen from outside; corners the reverse.
                f.corners = {point(c + 1, r), point(c + 1, r + 1), point(c, r + 1), point(c, r)};
                f.ComputeFaceNormal();
                mesh.faces.push_back(std::move(f));
            }
        mesh.geometryMode = 4;
        mesh.lightingMode = 3;
        mesh.textureMode = 1;
        model->geosets[0].meshes.push_back(std::move(mesh));
        C3doNode node;
        node.mesh = m;
        node.sibling = m + 1 < meshes ? m + 1 : -1;
        model->nodes.push_back(std::move(node));
        model->nodeMatrices.push_back(Matrix4::RotationY(0.3f) * Matrix4::Translation({0, 0, 2.6f}));
    }
    return model;
}

std::optional<TextureImage> Checker(const std::string& material, const std::string&)
{
    TextureImage image;
    image.width = image.height = 64;
    image.cels = 1;
    image.pixels.resize(64 * 64);
    for (int i = 0; i < 64 * 64; ++i)
        image.pixels[static_cast<std::size_t>(i)] =
            static_cast<uint8_t>(((i / 64 / 8 + i % 64 / 8) % 2) + material[3] * 2);
    for (int i = 0; i < 256; ++i) {
        image.palette[static_cast<std::size_t>(i) * 3] = static_cast<uint8_t>(i * 40);
        image.palette[static_cast<std::size_t>(i) * 3 + 1] = static_cast<uint8_t>(i * 90);
        image.palette[static_cast<std::size_t>(i) * 3 + 2] = static_cast<uint8_t>(255 - i * 20);
    }
    return image;
}

// A colormap whose light rows darken the palette index by index and whose transparency
// table mixes two indices, as the game's tables do (what they hold does not change the cost).
ColormapData GameColormap()
{
    ColormapData cmp;
    cmp.head[8] = 1;
    for (int i = 0; i < 768; ++i)
        cmp.palette[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i / 3);
    for (int r = 0; r < 64; ++r)
        for (int i = 0; i < 256; ++i)
            cmp.lightTable.push_back(static_cast<uint8_t>(i * r / 63));
    for (int s = 0; s < 256; ++s)
        for (int d = 0; d < 256; ++d)
            cmp.transparencyTable.push_back(static_cast<uint8_t>((s + d) / 2));
    return cmp;
}

struct Scene {
    std::unique_ptr<HeadlessGlContext> context;
    Settings settings;
    std::unique_ptr<GlDevice> device;
    std::unique_ptr<SceneRenderer> renderer;
    std::unique_ptr<CModel> model;
    GLuint window = 0;
    GLuint windowColor = 0;
    std::string error;

    Scene()
    {
        context = HeadlessGlContext::Create(&error);
        if (!context)
            return;
        device = std::make_unique<GlDevice>(settings);
        if (!device->Initialize(HeadlessGlContext::ProcAddress(), &error))
            return;
        device->SetClientRect({0, 0, kWidth, kHeight});
        if (!device->CreateDevice(kWidth, kHeight, false).ok)
            return;
        renderer = std::make_unique<SceneRenderer>(*device, settings);
        renderer->SetMaterialResolver(Checker);
        renderer->SetColormap(GameColormap());
        model = MakeSphereModel();
        renderer->PrepareScene(*model);
        const GlApi& gl = device->Api();
        gl.GenRenderbuffers(1, &windowColor);
        gl.BindRenderbuffer(GL_RENDERBUFFER, windowColor);
        gl.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kWidth, kHeight);
        gl.GenFramebuffers(1, &window);
        gl.BindFramebuffer(GL_FRAMEBUFFER, window);
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, windowColor);
    }

    void Frame(const SceneDrawOptions& options)
    {
        device->BeginFrame();
        renderer->Draw(*model, NodeOrder(*model), options);
        device->Present(window);
        device->Api().Finish();
    }
};

Scene& TheScene()
{
    static Scene scene;
    return scene;
}

void DrawModel(benchmark::State& state, bool onePerFace, RenderMode renderMode, bool game = false)
{
    Scene& s = TheScene();
    if (!s.renderer) {
        state.SkipWithError(("no OpenGL drawing here: " + s.error).c_str());
        return;
    }
    SceneDrawOptions options;
    options.onePerFace = onePerFace;
    options.renderMode = renderMode;
    const GameViewOptions light;
    options.game = game ? &light : nullptr;
    s.Frame(options);  // buffers and textures made before timing
    // The fastest frame too: on a shared machine it is the best estimate of the speed
    // without the neighbours.
    double fastest = 1e9;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        s.Frame(options);
        fastest = std::min(fastest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["best_fps"] = 1.0 / fastest;
    state.SetLabel(s.device->Devices().front()->name);
}

void BM_Draw100kFacesMeshBuffers(benchmark::State& state) { DrawModel(state, false, RenderMode::All); }
void BM_Draw100kFacesOneCallPerFace(benchmark::State& state) { DrawModel(state, true, RenderMode::All); }
void BM_Draw100kFacesWireMeshBuffers(benchmark::State& state) { DrawModel(state, false, RenderMode::AllWireframe); }
void BM_Draw100kFacesWireOneCallPerFace(benchmark::State& state) { DrawModel(state, true, RenderMode::AllWireframe); }
// Every face through the colormap as the game draws it: at most 1.5 times a textured frame.
void BM_Draw100kFacesGameView(benchmark::State& state) { DrawModel(state, false, RenderMode::All, true); }
BENCHMARK(BM_Draw100kFacesMeshBuffers)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Draw100kFacesGameView)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Draw100kFacesOneCallPerFace)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Draw100kFacesWireMeshBuffers)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Draw100kFacesWireOneCallPerFace)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// ---- a frame of the 3D view -------------------------------------------------------
// The view's whole frame through its renderer: the hierarchy walk, the scene, the copy
// into the window and the status pass (box, radii, pane texts) that follows each frame
// outside the rotating view, with the camera moving a little every frame.
#include "document/document.h"
#include "render/renderer.h"

namespace {

void BM_ViewFrame100kFaces(benchmark::State& state)
{
    Scene& s = TheScene();
    if (!s.renderer) {
        state.SkipWithError(("no OpenGL drawing here: " + s.error).c_str());
        return;
    }
    Settings settings = s.settings;
    settings.frameRate = 1000000;  // no pacing: as fast as it draws
    COrvaneDoc doc(settings, DocumentEnvironment{});
    doc.model = MakeSphereModel();
    doc.model->formatTag = "JK1";
    doc.PlaceNodes();  // as the document places a model it takes
    Camera camera;
    Selection selection;
    FramePacer pacer;
    CRenderer view(doc, settings, camera, selection, pacer);
    std::string error;
    if (!view.Initialize(HeadlessGlContext::ProcAddress(), {"None"}, &error) ||
        !view.CreateDevice(kWidth, kHeight).ok) {
        state.SkipWithError(("no view renderer: " + error).c_str());
        return;
    }
    view.PrepareScene();
    view.Scene().SetMaterialResolver(Checker);
    view.Scene().PrepareScene(*doc.model);
    camera.SetCameraOrientation({0, 0, 1}, {0, 1, 0});
    camera.SetCameraPosition({0, 0, -2.6f});  // the sphere fills the picture as in the benchmarks above
    view.SetPresentTarget(s.window);
    view.RenderFrame(true);
    double fastest = 1e9;
    float step = 0.001f;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        camera.MoveCamera(step);
        step = -step;
        view.RenderFrame(true);
        s.device->Api().Finish();
        fastest = std::min(fastest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["best_fps"] = 1.0 / fastest;
}
BENCHMARK(BM_ViewFrame100kFaces)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
