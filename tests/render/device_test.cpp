#include <cmath>

#include "render/render_test_util.h"

using namespace orv;
using namespace orvtest;

namespace {

constexpr uint32_t kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu, kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu;
const std::string kNoMemory = "There was not enough video memory available to use the\n";

TEST(DisplayModes, ListAndParse)
{
    // Common depths other than the desktop's are left out; unusual ones are kept.
    const std::vector<DisplayModeInfo> modes = {{640, 480, 16},  {640, 480, 32}, {800, 600, 16},
                                                {1024, 768, 15}, {320, 200, 8},  {1280, 1024, 24}};
    EXPECT_EQ(BuildDisplayModeList(modes, 16), (std::vector<std::string>{"None", "640x480", "800x600", "1024x768"}));

    int32_t w = 7, h = 9;
    for (const char* bad : {"None", "x480", "640x", "0x480", "-640x480"})
        EXPECT_FALSE(ParseDisplayMode(bad, w, h)) << bad;
    EXPECT_EQ(std::pair(w, h), std::pair(7, 9));  // nothing written
    EXPECT_TRUE(ParseDisplayMode("640x480", w, h));
    EXPECT_EQ(std::pair(w, h), std::pair(640, 480));
}

TEST(NoContext, InitializeFailsWithAReasonAndDrawingDoesNothing)
{
    Settings settings;
    GlDevice device(settings);
    std::string error;
    EXPECT_FALSE(device.Initialize([](const char*) -> GlProc { return nullptr; }, &error));
    EXPECT_NE(error.find("glGetString"), std::string::npos);
    EXPECT_FALSE(device.CreateDevice(100, 100, false).ok);
    EXPECT_FALSE(device.BeginFrame());
    device.Present(0);
    EXPECT_TRUE(device.ReadPixels().pixels.empty());

    SceneRenderer scene(device, settings);
    auto model = MakeModel(1);
    model->materials = {"a.mat"};
    AddFace(model->geosets[0].meshes[0], FacingSquare(0, 0, 1, 2), 0);
    scene.SetMaterialResolver(
        [](const std::string&, const std::string&) { return std::optional(SolidCels(2, 2, {0xFF0000})); });
    scene.PrepareScene(*model);
    // The picture cannot become a texture.
    EXPECT_EQ(scene.TextureOfFace(*model, model->geosets[0].meshes[0].faces[0]).handle, 0u);
    scene.Draw(*model, NodeOrder(*model), {});
}

using DeviceTest = GlTest;

TEST_F(DeviceTest, ListsTheContextsRenderer)
{
    ASSERT_EQ(device_->Devices().size(), 1u);
    const auto* renderer = reinterpret_cast<const char*>(device_->Api().GetString(GL_RENDERER));
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(device_->Devices()[0]->name, renderer);
    EXPECT_TRUE(IsSoftwareRenderer("Mesa Software Rasterizer (swrast)"));
    EXPECT_FALSE(IsSoftwareRenderer("AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49)"));
}

TEST_F(DeviceTest, TriesTheChosenDeviceFirstThenTheOthers)
{
    for (const char* name : {"Second Device", "Third Device"}) {
        device_->Devices().push_back(std::make_unique<DeviceRecord>());
        device_->Devices().back()->name = name;
    }
    const std::string first = device_->Devices()[0]->name;
    settings_.device = 1;
    device_->SetSurfaceFailureForTest([](int32_t i) { return i != 0; });
    DeviceResult r = device_->CreateDevice(32, 32, false);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.messages,
              std::vector<std::string>{kNoMemory + "Second Device device. Restoring to Software Emulation."});
    EXPECT_EQ(settings_.device, 0);
    EXPECT_EQ(device_->CurrentDeviceName(), first);

    // An index beyond the list starts the trial at 0; all failing leaves no device and
    // names each of them in trial order.
    settings_.device = 7;
    device_->SetSurfaceFailureForTest([](int32_t) { return true; });
    r = device_->CreateDevice(32, 32, false);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(device_->HasDevice());
    EXPECT_FALSE(device_->BeginFrame());
    ASSERT_EQ(r.messages.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_NE(r.messages[i].find(device_->Devices()[i]->name), std::string::npos) << i;
}

TEST_F(DeviceTest, SurfaceSizesAndTheirLimits)
{
    // A stretch mode fixes the surface whatever the window; an index beyond the list
    // means the window's size; a zero-sized resize changes nothing.
    auto surface = [&] { return std::pair(device_->SurfaceWidth(), device_->SurfaceHeight()); };
    device_->SetDisplayModes({"None", "64x48"});
    settings_.stretchMode = 1;
    ASSERT_TRUE(MakeDevice(300, 200));
    EXPECT_TRUE(device_->ResizeDevice(500, 100, false).ok);
    EXPECT_EQ(surface(), std::pair(64, 48));
    settings_.stretchMode = 5;
    ASSERT_TRUE(MakeDevice(40, 30));
    for (auto [cx, cy] : {std::pair{0, 30}, std::pair{40, 0}}) {
        EXPECT_TRUE(device_->ResizeDevice(cx, cy, true).ok);
        EXPECT_EQ(surface(), std::pair(40, 30));
        EXPECT_EQ(device_->Client().Width(), 40);
    }
    EXPECT_TRUE(device_->ResizeDevice(50, 20, false).ok);
    EXPECT_EQ(surface(), std::pair(50, 20));

    // A surface beyond the driver's limit fails with the message, and leaves no error.
    GLint limit = 0;
    device_->Api().GetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limit);
    device_->SetDisplayModes({"None", std::to_string(limit + 1) + "x16"});
    settings_.stretchMode = 1;
    const DeviceResult r = device_->CreateDevice(32, 32, false);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.messages, std::vector<std::string>{kNoMemory + device_->Devices()[0]->name +
                                                   " device. Restoring to Software Emulation."});
    EXPECT_EQ(device_->Api().GetError(), static_cast<GLenum>(GL_NO_ERROR));
    settings_.stretchMode = 0;
    EXPECT_TRUE(device_->CreateDevice(32, 32, false).ok);
}

// A square seen straight on is drawn square in the window, whatever the window's shape and
// the surface's size: the aspect is the window's h / w. "Enlarge View" narrows the field
// of view from π/3 to π/8: the square grows tan(π/6) / tan(π/16) times.
TEST_F(DeviceTest, SquaresAreDrawnSquareAndEnlarged)
{
    auto model = MakeModel(1);
    AddFace(model->geosets[0].meshes[0], FacingSquare(0, 0, 0.1f, 2));
    auto measure = [&](const RgbaImage& image, bool across) {
        int count = 0;
        for (int32_t i = 0; i < (across ? image.width : image.height); ++i)
            count += (across ? image.At(i, image.height / 2) : image.At(image.width / 2, i)) == kWhite;
        return count;
    };
    device_->SetDisplayModes({"None", "320x320"});
    for (const auto& [w, h, stretch] : {std::tuple{400, 200, 0}, {200, 400, 0}, {300, 300, 1}, {400, 200, 1}}) {
        settings_.stretchMode = stretch;
        ASSERT_TRUE(MakeDevice(w, h, true));
        const RgbaImage image = Render(*model);
        const double expected = static_cast<double>(h) / w * image.width / image.height;
        const double ratio = static_cast<double>(measure(image, true)) / measure(image, false);
        EXPECT_NEAR(ratio, expected, 0.03 * expected) << w << "x" << h << " stretch " << stretch;
    }
    ASSERT_TRUE(MakeDevice(256, 256, false));
    const int normal = measure(Render(*model), true);
    ASSERT_TRUE(MakeDevice(256, 256, true));
    EXPECT_NEAR(static_cast<double>(measure(Render(*model), true)) / normal, 2.9026, 0.29);
}

// The z-buffer keeps the nearer face whatever the order of drawing, and Direct3D's clip
// range survives: nothing nearer than 0.05 or farther than 100 is drawn.
TEST_F(DeviceTest, DepthFollowsTheProjectionRange)
{
    ASSERT_TRUE(MakeDevice(64, 64));
    settings_.colorBackground = 0;
    auto model = MakeModel(1);
    CMesh& mesh = model->geosets[0].meshes[0];
    model->materials = {"near.mat", "far.mat"};
    scene_->SetMaterialResolver([](const std::string& m, const std::string&) {
        return std::optional(SolidCels(2, 2, {m == "near.mat" ? 0xFF0000u : 0x0000FFu}));
    });
    AddFace(mesh, FacingSquare(0, 0, 9.0f, 9.0f), 1);  // far, drawn first
    AddFace(mesh, FacingSquare(0, 0, 0.2f, 1.0f), 0);  // near, small
    scene_->PrepareScene(*model);
    for (int order = 0; order < 2; ++order) {
        const RgbaImage image = Render(*model);
        EXPECT_EQ(image.At(32, 32), kRed) << order;
        EXPECT_EQ(image.At(2, 32), kBlue) << order;
        std::swap(mesh.faces[0], mesh.faces[1]);
        scene_->ModelChanged();
    }

    // Just inside and just outside the near and far planes.
    for (const auto& [z, drawn] : {std::pair{0.06f, true}, {0.04f, false}, {99.0f, true}, {101.0f, false}}) {
        auto m = MakeModel(1);
        AddFace(m->geosets[0].meshes[0], FacingSquare(0, 0, z, z));
        scene_->ModelChanged();
        EXPECT_EQ(Render(*m).At(32, 32), drawn ? kWhite : kBlack) << z;
    }
}

// The view's framebuffer receives the surface stretched to the client rectangle; with a
// clip rectangle only that part, from the matching part of the surface.
TEST_F(DeviceTest, PresentCopiesAndStretchesIntoTheTarget)
{
    const GlApi& gl = device_->Api();
    GLuint target = 0, color = 0;
    gl.GenRenderbuffers(1, &color);
    gl.BindRenderbuffer(GL_RENDERBUFFER, color);
    gl.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 80, 60);
    gl.GenFramebuffers(1, &target);
    gl.BindFramebuffer(GL_FRAMEBUFFER, target);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    ASSERT_EQ(gl.CheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    // Clears the target, presents into it and gives the colour at (x right, y down).
    auto present = [&](const ClientRect* clip) {
        gl.BindFramebuffer(GL_FRAMEBUFFER, target);
        gl.ClearColor(0, 0, 0, 1);
        gl.Clear(GL_COLOR_BUFFER_BIT);
        device_->Present(target, clip);
        GLint bound = -1;
        gl.GetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), target);  // the view's own binding is left as it was
        gl.BindFramebuffer(GL_READ_FRAMEBUFFER, target);
        return [&](int32_t x, int32_t y) {
            uint8_t p[4];
            gl.ReadPixels(x, 59 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
            return (uint32_t{p[3]} << 24) | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
        };
    };

    // A 40 × 30 surface for an 80 × 60 window; a white square in its top left quarter
    // (under the identity projection x and y are the device coordinates).
    device_->SetDisplayModes({"None", "40x30"});
    settings_.stretchMode = 1;
    settings_.colorBackground = 0x00336699;  // blue 0x33, green 0x66, red 0x99
    const uint32_t back = 0xFF996633u;
    ASSERT_TRUE(MakeDevice(80, 60));
    device_->SetProjection(Matrix4::Identity());
    auto model = MakeModel(1);
    AddFace(model->geosets[0].meshes[0], {{-1, 0, 0.5f}, {0, 0, 0.5f}, {0, 1, 0.5f}, {-1, 1, 0.5f}});
    const RgbaImage surface = Render(*model);
    ASSERT_EQ(surface.width, 40);
    EXPECT_EQ(surface.At(5, 5), kWhite);

    auto shown = present(nullptr);
    for (const auto& [x, y, c] :
         {std::tuple{10, 10, kWhite}, {38, 28, kWhite}, {42, 10, back}, {10, 32, back}, {79, 59, back}})
        EXPECT_EQ(shown(x, y), c) << x << "," << y;

    // Only the clip rectangle (client pixels 30..50 × 20..40) changes.
    const ClientRect clip{30, 20, 50, 40};
    auto clipped = present(&clip);
    for (const auto& [x, y, c] : {std::tuple{10, 10, kBlack},
                                  {60, 50, kBlack},
                                  {35, 25, kWhite},
                                  {45, 35, back},
                                  {29, 25, kBlack},
                                  {50, 25, kBlack}})
        EXPECT_EQ(clipped(x, y), c) << x << "," << y;
    gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
    gl.DeleteFramebuffers(1, &target);
    gl.DeleteRenderbuffers(1, &color);
}

}  // namespace
