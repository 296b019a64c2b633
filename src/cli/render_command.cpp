// orvane-tool render: a picture of a model as the 3D view shows it when the model is
// opened, drawn by the view's own renderer in an OpenGL context that needs no display.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "anim/playback.h"
#include "cli/tool.h"
#include "document/document.h"
#include "edit/texture_layout.h"
#include "edit/view_commands.h"
#include "formats/keyfile.h"
#include "render/headless_context.h"
#include "render/renderer.h"
#include "resources/catalog.h"
#include "resources/material.h"
#include "resources/png.h"
#include "resources/searchpath.h"

namespace orv::cli {

namespace {

constexpr int32_t kMaxSide = 8192;

bool ParseSize(const std::string& text, int32_t& w, int32_t& h)
{
    const auto x = text.find('x');
    if (x == std::string::npos || x == 0 || x + 1 >= text.size())
        return false;
    char* end = nullptr;
    const long pw = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() + x)
        return false;
    const long ph = std::strtol(text.c_str() + x + 1, &end, 10);
    if (*end != '\0' || pw < 1 || ph < 1 || pw > kMaxSide || ph > kMaxSide)
        return false;
    w = static_cast<int32_t>(pw);
    h = static_cast<int32_t>(ph);
    return true;
}

std::optional<ViewKind> ViewKindByName(const std::string& name)
{
    const char* names[] = {"front", "left", "right", "back", "top", "bottom"};
    for (int i = 0; i < 6; ++i)
        if (name == names[i])
            return static_cast<ViewKind>(i);
    return std::nullopt;
}

// "MESH:FACE": two numbers from 0.
bool ParseMeshFace(const std::string& text, long& mesh, long& face)
{
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size())
        return false;
    char* end = nullptr;
    mesh = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() + colon || mesh < 0 || mesh > 0x7FFFFFFF)
        return false;
    face = std::strtol(text.c_str() + colon + 1, &end, 10);
    return *end == '\0' && face >= 0 && face <= 0x7FFFFFFF && std::isdigit(static_cast<unsigned char>(text[0])) &&
           std::isdigit(static_cast<unsigned char>(text[colon + 1]));
}

// --texture-layout: the face's material with the texture coordinates of the faces of its
// mesh that share it drawn over it. Needs no OpenGL.
int WriteTextureLayout(const COrvaneDoc& doc, const ResourceHandle& resources, const Settings& settings,
                       const std::string& model, long meshIndex, long faceIndex, int32_t width, int32_t height,
                       const std::string& out)
{
    const CMesh* mesh = doc.model->MeshAt(static_cast<int32_t>(meshIndex));
    if (!mesh)
        return Fail(model, "has no mesh " + std::to_string(meshIndex));
    if (static_cast<std::size_t>(faceIndex) >= mesh->faces.size())
        return Fail(model, "mesh " + std::to_string(meshIndex) + " has no face " + std::to_string(faceIndex));
    const int32_t material = mesh->faces[static_cast<std::size_t>(faceIndex)].material;
    if (material < 0 || static_cast<std::size_t>(material) >= doc.model->materials.size())
        return Fail(model,
                    "face " + std::to_string(faceIndex) + " of mesh " + std::to_string(meshIndex) + " has no material");
    const std::string& name = doc.model->materials[static_cast<std::size_t>(material)];
    ResourceSources sources = resources.sources;
    sources.customMaterials = &doc.model->customMaterials;
    const auto image = ResolveMaterialImage(sources, name, settings.colorMap);
    if (!image)
        return Fail(name, image.error());
    const auto picture = DrawTextureLayout(*mesh, static_cast<int32_t>(faceIndex), *image, width, height);
    if (!picture)
        return Fail(out, picture.error());
    if (Status written = WritePng(out, picture->width, picture->height, picture->rgba); !written)
        return Fail(out, written.error());
    return 0;
}

// The keyframe to pose the model with: a KEY file by its path, else a keyframe of that
// name found as the model's resources are (the mod around it, --resources).
Status LoadKeyframe(const std::string& key, COrvaneDoc& doc)
{
    CModel& model = *doc.model;
    std::error_code ec;
    if (std::filesystem::is_regular_file(key, ec)) {
        auto read = LoadKeyFile(key, model);
        if (!read)
            return orv::Fail(read.error());
        model.keyframe = std::move(read->keyframe);
        return {};
    }
    const auto found = FindResource(doc.Sources(), ResourceKind::Keyframe, key);
    if (!found)
        return orv::Fail("no such file, and " + found.error());
    TextBuffer buffer(std::string(found->bytes.begin(), found->bytes.end()));
    model.keyframe = ReadKey(model, buffer).keyframe;
    model.keyframe->name = found->name;
    return {};
}

// What the render command was asked for.
struct RenderRequest {
    std::string model, out, key;
    long frame = -1;
    long layoutMesh = -1, layoutFace = -1;
    int32_t width = 800, height = 600;
    std::optional<ViewKind> viewKind;
    RenderMode mode = RenderMode::All;
    bool shaded = false;
    bool game = false;
    std::optional<float> light;
};

// The value of one of render's options into r; the exit status of a usage error, or none.
std::optional<int> TakeRenderOption(const std::string& a, const std::string& v, RenderRequest& r)
{
    if (a == "-o") {
        r.out = v;
    } else if (a == "--size") {
        if (!ParseSize(v, r.width, r.height))
            return Usage("render: --size takes WIDTHxHEIGHT, each 1 to " + std::to_string(kMaxSide));
    } else if (a == "--texture-layout") {
        if (!ParseMeshFace(v, r.layoutMesh, r.layoutFace))
            return Usage("render: --texture-layout takes MESH:FACE, two numbers from 0");
    } else if (a == "--key") {
        r.key = v;
    } else if (a == "--frame") {
        char* end = nullptr;
        r.frame = std::strtol(v.c_str(), &end, 10);
        if (v.empty() || *end != '\0' || r.frame < 0 || r.frame > 0x7FFFFFFF)
            return Usage("render: --frame takes a frame number from 0");
    } else if (a == "--light") {
        char* end = nullptr;
        const float l = std::strtof(v.c_str(), &end);
        if (v.empty() || *end != '\0' || !(l >= 0.0f && l <= 1.0f))
            return Usage("render: --light takes a light level from 0 to 1");
        r.light = l;
    } else if (a == "--view") {
        r.viewKind = ViewKindByName(v);
        if (!r.viewKind)
            return Usage("render: --view takes front, left, right, back, top or bottom");
    } else {
        if (v.size() != 1 || v[0] < '0' || v[0] > '4')
            return Usage("render: --mode takes a render mode from 0 to 4");
        r.mode = RenderModeFromSetting(v[0] - '0');
    }
    return std::nullopt;
}

// The command's arguments; the exit status of a usage error, or none.
std::optional<int> ParseRenderArgs(const std::vector<std::string>& args, RenderRequest& r)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--shaded") {
            r.shaded = true;
        } else if (a == "--game") {
            r.game = true;
        } else if (a == "-o" || a == "--size" || a == "--view" || a == "--mode" || a == "--key" || a == "--frame" ||
                   a == "--texture-layout" || a == "--light") {
            if (i + 1 >= args.size())
                return Usage("render: " + a + " needs a value");
            if (const auto failed = TakeRenderOption(a, args[++i], r))
                return failed;
        } else if (!a.empty() && a[0] == '-') {
            return Usage("render: unknown option '" + a + "'");
        } else if (r.model.empty()) {
            r.model = a;
        } else {
            return Usage("render takes one model");
        }
    }
    if (r.model.empty() || r.out.empty())
        return Usage("render takes a model and -o OUT.png");
    if (r.light && !r.game)
        return Usage("render: --light is the game view's light; it needs --game");
    return std::nullopt;
}

// What the picture lacks is said: a colormap standing in or missing, materials found
// nowhere.
void NoteWhatIsMissing(const std::string& model, const COrvaneDoc& doc, const Settings& settings)
{
    NoteColormap(model, doc.Sources(), settings.colorMap);
    if (const auto colormap = FindColormap(doc.Sources(), settings.colorMap);
        !colormap && !doc.model->materials.empty())
        Warn(model, colormap.error() + "; 8-bit materials are drawn without their pictures");
    if (const MissingResources missing = FindMissingResources(*doc.model, doc.Sources()); !missing.materials.empty()) {
        std::string list;
        for (const auto& m : missing.materials)
            list += (list.empty() ? "" : ", ") + m;
        Warn(model, "materials not found, drawn without their pictures: " + list + " (looked in " +
                        missing.materialPlaces + ")");
    }
}

// Draws the opened document as asked, off screen, and writes the picture.
int DrawPicture(COrvaneDoc& doc, Settings& settings, const ResourceHandle& resources, const RenderRequest& r)
{
    std::string error;
    auto context = HeadlessGlContext::Create(&error);
    if (!context)
        return Fail(r.out, "no OpenGL context for drawing: " + error);
    Camera camera;
    Selection selection;
    FramePacer pacer;
    std::optional<RgbaImage> image;
    {
        CRenderer renderer(doc, settings, camera, selection, pacer);
        if (!renderer.Initialize(HeadlessGlContext::ProcAddress(), {"None"}, &error))
            return Fail(r.out, "no OpenGL drawing: " + error);
        const DeviceResult made = renderer.CreateDevice(r.width, r.height);
        if (!made.ok)
            return Fail(r.out,
                        made.messages.empty() ? std::string("no drawing surface of that size") : made.messages.front());
        renderer.SetResources(doc.Environment().catalog, doc.Environment().resourceFile, resources.searchPath);
        renderer.PrepareScene();

        EditContext view(doc, settings, &selection, &camera);
        PlaceInitialCamera(view);
        if (r.viewKind)
            ShowStandardView(view, *r.viewKind);
        // The modes of one mesh show the first mesh, as if it had been clicked.
        if (r.mode >= RenderMode::MeshAndWireframe && doc.model->MeshAt(0))
            selection.currentMesh = 0;
        if (SetRenderMode(view, r.mode).effects == 0)
            doc.modes.renderMode = r.mode;
        // The pose of the frame asked for (a keyframe given alone poses frame 0).
        if (!r.key.empty() || r.frame >= 0) {
            if (Status posed = BuildAnimationPoses(*doc.model); !posed)
                return Fail(doc.model->keyframe->name, posed.error());
            doc.model->currentFrame = static_cast<int32_t>(std::max(r.frame, 0L));
            doc.PlaceNodes();
        }
        if (r.game) {
            GameViewOptions game;
            if (r.light)
                game.ambient = *r.light;
            renderer.SetGameView(game);
        }
        renderer.SetPresentTarget(CRenderer::kNoPresent);
        if (!renderer.RenderFrame(true) || !renderer.LastFrameDrawn())
            return Fail(r.out, "the frame could not be drawn");
        image = renderer.ReadPixels();
    }
    if (Status written = WritePng(r.out, image->width, image->height, image->pixels); !written)
        return Fail(r.out, written.error());
    return 0;
}

int Render(const std::vector<std::string>& args, const Options& opts)
{
    RenderRequest r;
    if (const auto failed = ParseRenderArgs(args, r))
        return *failed;
    Settings settings;
    if (!opts.colormap.empty())
        settings.colorMap = opts.colormap;
    settings.shaded = r.shaded ? 1 : 0;
    // Drawing looks in the mod's folders around the model even without --resources: a
    // mod's own materials are what the picture is for.
    COrvaneDoc doc(settings, {});
    const auto resources = OpenResourcesFor(opts, r.model, doc);
    if (!resources)
        return Fail(ResourcesName(opts), resources.error());
    if (Status opened = doc.OpenDocument(r.model); !opened)
        return Fail(r.model, opened.error());
    NoteWhatIsMissing(r.model, doc, settings);
    if (r.layoutMesh >= 0)
        return WriteTextureLayout(doc, *resources, settings, r.model, r.layoutMesh, r.layoutFace, r.width, r.height,
                                  r.out);
    if (!r.key.empty())
        if (Status loaded = LoadKeyframe(r.key, doc); !loaded)
            return Fail(r.key, loaded.error());
    if (r.frame >= 0 && !doc.model->keyframe)
        return Usage("render: --frame needs a keyframe (--key KEYFILE)");
    if (doc.model->keyframe && r.frame >= doc.model->frameCount)
        return Fail(doc.model->keyframe->name, "has frames 0 to " + std::to_string(doc.model->frameCount - 1) +
                                                   "; there is no frame " + std::to_string(r.frame));
    return DrawPicture(doc, settings, *resources, r);
}

}  // namespace

void RegisterRenderCommand(Registry& registry)
{
    registry.subcommands.push_back(
        {"render",
         "  render MODEL -o OUT.png [--size WxH] [--view front|left|right|back|top|bottom] [--mode 0-4]\n"
         "                [--key KEYFILE] [--frame N] [--shaded] [--game [--light L]]\n"
         "                [--texture-layout MESH:FACE]\n"
         "                         draw a model (.3do, or a project with its saved camera) as\n"
         "                         the 3D view shows it when opened, into a PNG (default 800x600,\n"
         "                         textured from the mod around the model and --resources\n"
         "                         through --colormap; modes 2-4 show the first mesh as the\n"
         "                         current one; --shaded lights the faces by a light at the\n"
         "                         camera; --game draws as the game does, every texel through\n"
         "                         the colormap's light table by the faces' geometry, lighting\n"
         "                         and texture modes, extra light and flags, in the ambient light\n"
         "                         L (0 to 1, default 0.5) and a light at the camera); needs no\n"
         "                         display. With a keyframe (a KEY file, or\n"
         "                         one by name from the mod or --resources) the model is posed at\n"
         "                         frame N (default 0). --texture-layout MESH:FACE draws instead\n"
         "                         the face's material with the texture coordinates of that face\n"
         "                         (yellow) and of the mesh's other faces of that material (blue)\n",
         Render});
}

}  // namespace orv::cli
