// Frames per second of the animating view at 1024 x 768 (llvmpipe in CI; aim: at least
// 30): the whole frame through the view's renderer -- the playing clock, the pose of the
// frame for every node, the hierarchy walk, the scene and the copy into the window -- for
// the sample walker's walk and for a 10,000-face model whose ten meshes all move.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>

#include "anim/playback.h"
#include "document/document.h"
#include "edit/view_commands.h"
#include "formats/keyfile.h"
#include "formats/samplemodel.h"
#include "render/headless_context.h"
#include "render/renderer.h"

using namespace orv;

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;

std::optional<TextureImage> Checker(const std::string& material, const std::string&)
{
    TextureImage image;
    image.width = image.height = 64;
    image.cels = 1;
    image.pixels.resize(64 * 64);
    for (int i = 0; i < 64 * 64; ++i)
        image.pixels[static_cast<std::size_t>(i)] =
            static_cast<uint8_t>(((i / 64 / 8 + i % 64 / 8) % 2) + material.size() * 2);
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c)
            image.palette[static_cast<std::size_t>(i * 3 + c)] = static_cast<uint8_t>(i * (40 + 50 * c));
    return image;
}

// The sample walker playing its walk.
std::unique_ptr<CModel> Walker()
{
    auto model = MakeSampleModel();
    for (const SampleFile& f : MakeSampleModelFiles())
        if (f.fileName == "wkwalk.key") {
            TextBuffer text(f.text);
            model->keyframe = ReadKey(*model, text).keyframe;
            model->keyframe->name = f.fileName;
        }
    return model;
}

// A sphere of 100 x 100 quads (10,000 faces) in ten bands, each a mesh with its node;
// a 60-frame keyframe turns every band.
std::unique_ptr<CModel> Sphere()
{
    constexpr int columns = 100, rings = 100, meshes = 10;
    auto model = std::make_unique<CModel>();
    model->formatTag = "JK1";
    model->materials = {"a.mat", "bb.mat"};
    model->geosets.push_back(CGeometry());
    auto point = [&](int c, int r) {
        const float theta = 2.0f * kPi * static_cast<float>(c) / columns;
        const float phi = kPi * static_cast<float>(r) / rings;
        VertexRecord v;
        v.x = 0.1f * std::sin(phi) * std::cos(theta);
        v.y = 0.1f * std::cos(phi);
        v.z = 0.1f * std::sin(phi) * std::sin(theta);
        v.u = static_cast<float>(c % 8) * 8.0f;  // texels of the 64 x 64 checker
        v.v = static_cast<float>(r % 8) * 8.0f;
        return v;
    };
    model->keyframe = CKeyframe();
    model->keyframe->name = "bands.key";
    model->keyframe->frames = 60;
    model->keyframe->fps = 30.0f;
    model->frameCount = 60;
    model->frameTime = 1.0f / 30.0f;
    for (int m = 0; m < meshes; ++m) {
        CMesh mesh;
        for (int r = m * rings / meshes; r < (m + 1) * rings / meshes; ++r)
            for (int c = 0; c < columns; ++c) {
                CFace f;
                f.material = c / 50;
                f.corners = {point(c + 1, r), point(c + 1, r + 1), point(c, r + 1), point(c, r)};
                mesh.faces.push_back(std::move(f));
            }
        model->geosets[0].meshes.push_back(std::move(mesh));
        C3doNode node;
        node.name = "band" + std::to_string(m);
        node.mesh = m;
        node.sibling = m + 1 < meshes ? m + 1 : -1;
        CKeyframeNode key;
        key.meshName = node.name;
        model->nodes.push_back(std::move(node));
        for (int f : {0, 30}) {
            CKeyframeEntry e;
            e.frame = f;
            e.rotation = {0.0f, 0.0f, f == 0 ? 0.0f : 180.0f};
            key.entries.push_back(std::move(e));
        }
        model->keyframe->nodes.push_back(std::move(key));
    }
    ComputeKeyDeltas(*model->keyframe);
    model->RebuildHierarchy();
    return model;
}

void AnimatingView(benchmark::State& state, std::unique_ptr<CModel> model)
{
    std::string error;
    static std::unique_ptr<HeadlessGlContext> context = HeadlessGlContext::Create(&error);
    if (!context) {
        state.SkipWithError(("no OpenGL drawing here: " + error).c_str());
        return;
    }
    Settings settings;
    settings.frameRate = 1000000;  // no pacing: as fast as it draws
    COrvaneDoc doc(settings, DocumentEnvironment{});
    doc.model = std::move(model);
    doc.model->formatTag = "JK1";
    Camera camera;
    Selection selection;
    FramePacer pacer;
    CRenderer view(doc, settings, camera, selection, pacer);
    if (!view.Initialize(HeadlessGlContext::ProcAddress(), {"None"}, &error) ||
        !view.CreateDevice(kWidth, kHeight).ok) {
        state.SkipWithError(("no view renderer: " + error).c_str());
        return;
    }
    view.Scene().SetMaterialResolver(Checker);
    view.PrepareScene();
    EditContext c(doc, settings, &selection, &camera);
    PlaceInitialCamera(c);
    if (!StartAnimatingView(c).message.empty()) {
        state.SkipWithError("the poses were refused");
        return;
    }
    // A window-sized framebuffer stands for the window each frame is copied into.
    const GlApi& gl = view.Device().Api();
    GLuint window = 0, color = 0;
    gl.GenRenderbuffers(1, &color);
    gl.BindRenderbuffer(GL_RENDERBUFFER, color);
    gl.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kWidth, kHeight);
    gl.GenFramebuffers(1, &window);
    gl.BindFramebuffer(GL_FRAMEBUFFER, window);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    view.SetPresentTarget(window);
    view.RenderFrame(true);
    double fastest = 1e9;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        view.RenderFrame(false);
        view.Device().Api().Finish();
        fastest = std::min(fastest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["best_fps"] = 1.0 / fastest;
    state.counters["frame"] = doc.model->currentFrame;
    view.SetPresentTarget(CRenderer::kNoPresent);
    gl.DeleteFramebuffers(1, &window);
    gl.DeleteRenderbuffers(1, &color);
}

void BM_AnimatingViewWalker(benchmark::State& state) { AnimatingView(state, Walker()); }
void BM_AnimatingView10kFaces(benchmark::State& state) { AnimatingView(state, Sphere()); }
BENCHMARK(BM_AnimatingViewWalker)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AnimatingView10kFaces)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
