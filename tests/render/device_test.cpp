#include <cmath>

#include "render/render_test_util.h"

using namespace orv;
using namespace orvtest;

namespace {

TEST(DisplayModes, KeepTheDesktopDepthAndUnusualDepths)
{
    const std::vector<DisplayModeInfo> modes = {
        {640, 480, 16}, {640, 480, 32}, {800, 600, 16}, {1024, 768, 15}, {320, 200, 8}, {1280, 1024, 24}};
    const auto list = BuildDisplayModeList(modes, 16);
    const std::vector<std::string> expected = {"None", "640x480", "800x600", "1024x768"};
    EXPECT_EQ(list, expected);
    EXPECT_EQ(BuildDisplayModeList({}, 32), std::vector<std::string>{"None"});
}

TEST(DisplayModes, ParseOnlyPositiveSizes)
{
    int32_t w = 7, h = 9;
    EXPECT_TRUE(ParseDisplayMode("640x480", w, h));
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    for (const char* bad : {"None", "x480", "640x", "0x480", "-640x480", ""}) {
        w = 7;
        h = 9;
        EXPECT_FALSE(ParseDisplayMode(bad, w, h)) << bad;
        EXPECT_EQ(w, 7);
        EXPECT_EQ(h, 9);
    }
}

TEST(Devices, SoftwareRenderersAreRecognised)
{
    EXPECT_TRUE(IsSoftwareRenderer("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_TRUE(IsSoftwareRenderer("softpipe"));
    EXPECT_TRUE(IsSoftwareRenderer("Mesa Software Rasterizer (swrast)"));
    EXPECT_FALSE(IsSoftwareRenderer("AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49)"));
    EXPECT_FALSE(IsSoftwareRenderer("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
}

TEST(TextureFiltering, FollowsMappingAndAnisotropy)
{
    TextureFilter f = ChooseTextureFilter(1, 1);
    EXPECT_EQ(f.magFilter, static_cast<GLenum>(GL_NEAREST));
    EXPECT_EQ(f.minFilter, static_cast<GLenum>(GL_NEAREST));
    EXPECT_EQ(f.anisotropy, 1.0f);
    f = ChooseTextureFilter(0, 1);
    EXPECT_EQ(f.magFilter, static_cast<GLenum>(GL_LINEAR));
    EXPECT_EQ(f.minFilter, static_cast<GLenum>(GL_LINEAR));
    EXPECT_EQ(f.anisotropy, 1.0f);
    f = ChooseTextureFilter(1, 16);
    EXPECT_EQ(f.magFilter, static_cast<GLenum>(GL_NEAREST));
    EXPECT_EQ(f.minFilter, static_cast<GLenum>(GL_NEAREST));
    EXPECT_EQ(f.anisotropy, 1.0f);
    f = ChooseTextureFilter(0, 16);
    EXPECT_EQ(f.magFilter, static_cast<GLenum>(GL_LINEAR));
    EXPECT_EQ(f.minFilter, static_cast<GLenum>(GL_LINEAR));
    EXPECT_EQ(f.anisotropy, 16.0f);
}

// No OpenGL at all: the caller learns why, and nothing that draws does anything.
TEST(NoContext, InitializeFailsWithAReasonAndDrawingDoesNothing)
{
    Settings settings;
    GlDevice device(settings);
    std::string error;
    EXPECT_FALSE(device.Initialize([](const char*) -> GlProc { return nullptr; }, &error));
    EXPECT_NE(error.find("glGetString"), std::string::npos);
    EXPECT_FALSE(device.Initialize({}, &error));
    EXPECT_FALSE(device.Initialized());
    const DeviceResult r = device.CreateDevice(100, 100, false);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_FALSE(device.BeginFrame());
    device.Present(0);
    EXPECT_TRUE(device.ReadPixels().pixels.empty());
    EXPECT_EQ(device.CurrentDeviceName(), "");

    SceneRenderer scene(device, settings);
    auto model = MakeModel(1);
    model->materials = {"a.mat"};
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 1, 2), 0);
    scene.SetMaterialResolver([](const std::string&, const std::string&) -> std::optional<TextureImage> {
        return SolidCels(2, 2, {0xFF0000});
    });
    scene.PrepareScene(*model);
    // The picture is known, the texture cannot be made: white, at the picture's size.
    EXPECT_EQ(model->geosets[0]->meshes[0]->faces[0]->texture, 0u);
    EXPECT_EQ(model->geosets[0]->meshes[0]->faces[0]->textureWidth, 2);
    scene.Draw(*model, {});
    scene.ModelChanged();
}

using DeviceTest = GlTest;

TEST_F(DeviceTest, ListsTheContextsRenderer)
{
    ASSERT_EQ(device_->Devices().size(), 1u);
    const auto* renderer = reinterpret_cast<const char*>(device_->Api().GetString(GL_RENDERER));
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(device_->Devices()[0]->name, renderer);
    EXPECT_EQ(device_->Devices()[0]->hardware, !IsSoftwareRenderer(renderer));
    EXPECT_GE(device_->Devices()[0]->maxAnisotropy, 1u);
}

TEST_F(DeviceTest, ClearsToTheBackgroundColour)
{
    settings_.colorBackground = 0x00336699;  // blue 0x33, green 0x66, red 0x99
    ASSERT_TRUE(MakeDevice(64, 48));
    auto model = MakeModel(0);
    const RgbaImage image = Render(*model);
    ASSERT_EQ(image.width, 64);
    ASSERT_EQ(image.height, 48);
    EXPECT_EQ(CountColor(image, 0xFF996633u), 64 * 48);
}

TEST_F(DeviceTest, TriesTheChosenDeviceFirstThenTheOthers)
{
    for (const char* name : {"Second Device", "Third Device"}) {
        auto d = std::make_unique<DeviceRecord>();
        d->name = name;
        device_->Devices().push_back(std::move(d));
    }
    const std::string first = device_->Devices()[0]->name;
    settings_.device = 1;
    device_->SetSurfaceFailureForTest([](int32_t i) { return i != 0; });
    device_->SetClientRect({0, 0, 32, 32});
    const DeviceResult r = device_->CreateDevice(32, 32, false);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(device_->HasDevice());
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0],
              "There was not enough video memory available to use the\nSecond Device device. Restoring to Software Emulation.");
    EXPECT_EQ(settings_.device, 0);
    EXPECT_EQ(device_->CurrentDeviceName(), first);

    // A stored index beyond the list starts the trial at 0; every device failing
    // leaves no device and names each of them in trial order.
    settings_.device = 7;
    device_->SetSurfaceFailureForTest([](int32_t) { return true; });
    const DeviceResult none = device_->CreateDevice(32, 32, false);
    EXPECT_FALSE(none.ok);
    EXPECT_FALSE(device_->HasDevice());
    ASSERT_EQ(none.messages.size(), 3u);
    EXPECT_NE(none.messages[0].find(first), std::string::npos);
    EXPECT_NE(none.messages[1].find("Second Device"), std::string::npos);
    EXPECT_NE(none.messages[2].find("Third Device"), std::string::npos);
    EXPECT_EQ(settings_.device, 2);
    EXPECT_FALSE(device_->BeginFrame());
    auto model = MakeModel(1);
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 0.5f, 2));
    scene_->Draw(*model, {});  // nothing to draw into, and no crash
}

TEST_F(DeviceTest, ASurfaceBeyondTheDriversLimitFailsWithTheMessage)
{
    GLint limit = 0;
    device_->Api().GetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limit);
    device_->SetDisplayModes({"None", std::to_string(limit + 1) + "x16"});
    settings_.stretchMode = 1;
    device_->SetClientRect({0, 0, 32, 32});
    const DeviceResult r = device_->CreateDevice(32, 32, false);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0], "There was not enough video memory available to use the\n" + device_->Devices()[0]->name +
                                 " device. Restoring to Software Emulation.");
    EXPECT_EQ(device_->Api().GetError(), static_cast<GLenum>(GL_NO_ERROR));

    // Back to the window size, the device can be made again.
    settings_.stretchMode = 0;
    EXPECT_TRUE(device_->CreateDevice(32, 32, false).ok);
}

TEST_F(DeviceTest, AZeroSizedResizeChangesNothing)
{
    ASSERT_TRUE(MakeDevice(40, 30));
    const Matrix4 projection = device_->Projection();
    for (auto [cx, cy] : {std::pair{0, 30}, std::pair{40, 0}, std::pair{0, 0}}) {
        const DeviceResult r = device_->ResizeDevice(cx, cy, true);
        EXPECT_TRUE(r.ok);
        EXPECT_TRUE(r.messages.empty());
        EXPECT_EQ(device_->SurfaceWidth(), 40);
        EXPECT_EQ(device_->SurfaceHeight(), 30);
        EXPECT_EQ(device_->Client().Width(), 40);
        EXPECT_EQ(device_->Projection(), projection);
    }
    EXPECT_TRUE(device_->ResizeDevice(50, 20, false).ok);
    EXPECT_EQ(device_->SurfaceWidth(), 50);
    EXPECT_EQ(device_->SurfaceHeight(), 20);
    EXPECT_EQ(device_->Client().Width(), 50);
    EXPECT_EQ(device_->Client().Height(), 20);
}

// A square seen straight on is 0.8 as wide as high on the surface, whatever the
// window's shape and the surface's size: the aspect is h · 0.8 / w of the window.
TEST_F(DeviceTest, SquaresAreDrawnAtTheFixedAspect)
{
    auto model = MakeModel(1);
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 0.5f, 2));
    auto measure = [&](const RgbaImage& image, bool across) {
        const int32_t n = across ? image.width : image.height;
        int count = 0;
        for (int32_t i = 0; i < n; ++i)
            count += (across ? image.At(i, image.height / 2) : image.At(image.width / 2, i)) == 0xFFFFFFFFu;
        return count;
    };
    struct Case {
        int32_t w, h;
        int32_t stretch;
    };
    device_->SetDisplayModes({"None", "320x320"});
    for (const Case c : {Case{400, 200, 0}, Case{200, 400, 0}, Case{300, 300, 1}, Case{400, 200, 1}}) {
        settings_.stretchMode = c.stretch;
        ASSERT_TRUE(MakeDevice(c.w, c.h));
        const RgbaImage image = Render(*model);
        // On the surface the square spans width ∝ 0.8 · h / w · surface width and
        // height ∝ surface height.
        const double expected = 0.8 * c.h / c.w * image.width / image.height;
        const double ratio = static_cast<double>(measure(image, true)) / measure(image, false);
        EXPECT_NEAR(ratio, expected, 0.03 * expected) << c.w << "x" << c.h << " stretch " << c.stretch;
    }
}

TEST_F(DeviceTest, StretchModeFixesTheSurfaceSize)
{
    device_->SetDisplayModes({"None", "64x48"});
    settings_.stretchMode = 1;
    ASSERT_TRUE(MakeDevice(300, 200));
    EXPECT_EQ(device_->SurfaceWidth(), 64);
    EXPECT_EQ(device_->SurfaceHeight(), 48);
    EXPECT_TRUE(device_->ResizeDevice(500, 100, false).ok);
    EXPECT_EQ(device_->SurfaceWidth(), 64);
    EXPECT_EQ(device_->SurfaceHeight(), 48);
    // An index beyond the list means the window's size.
    settings_.stretchMode = 5;
    ASSERT_TRUE(MakeDevice(30, 20));
    EXPECT_EQ(device_->SurfaceWidth(), 30);
    EXPECT_EQ(device_->SurfaceHeight(), 20);
}

// The z-buffer keeps the nearer face whatever the order of drawing, and Direct3D's
// clip range survives: nothing nearer than 0.05 or farther than 100 is drawn.
TEST_F(DeviceTest, DepthFollowsTheProjectionRange)
{
    ASSERT_TRUE(MakeDevice(64, 64));
    settings_.colorBackground = 0;
    auto model = MakeModel(1);
    CMesh& mesh = *model->geosets[0]->meshes[0];
    model->materials = {"near.mat", "far.mat"};
    scene_->SetMaterialResolver([](const std::string& m, const std::string&) -> std::optional<TextureImage> {
        return SolidCels(2, 2, {m == "near.mat" ? 0xFF0000u : 0x0000FFu});
    });
    AddFace(mesh, FacingSquare(0, 0, 9.0f, 9.0f), 1);  // far, drawn first
    AddFace(mesh, FacingSquare(0, 0, 0.2f, 1.0f), 0);  // near, small
    scene_->PrepareScene(*model);
    RgbaImage image = Render(*model);
    EXPECT_EQ(image.At(32, 32), 0xFFFF0000u);
    EXPECT_EQ(image.At(2, 32), 0xFF0000FFu);
    std::swap(mesh.faces[0], mesh.faces[1]);
    scene_->ModelChanged();
    image = Render(*model);
    EXPECT_EQ(image.At(32, 32), 0xFFFF0000u);
    EXPECT_EQ(image.At(2, 32), 0xFF0000FFu);

    // Just inside and just outside the near and far planes.
    auto single = [&](float z) {
        auto m = MakeModel(1);
        AddFace(*m->geosets[0]->meshes[0], FacingSquare(0, 0, z, z));
        scene_->ModelChanged();
        return Render(*m).At(32, 32);
    };
    EXPECT_EQ(single(0.06f), 0xFFFFFFFFu);
    EXPECT_EQ(single(0.04f), 0xFF000000u);
    EXPECT_EQ(single(99.0f), 0xFFFFFFFFu);
    EXPECT_EQ(single(101.0f), 0xFF000000u);
}

// The view's framebuffer receives the surface stretched to the client rectangle; with
// a clip rectangle only that part, from the matching part of the surface.
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
    auto readTarget = [&] {
        std::vector<uint8_t> raw(80 * 60 * 4);
        gl.BindFramebuffer(GL_READ_FRAMEBUFFER, target);
        gl.ReadPixels(0, 0, 80, 60, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
        RgbaImage image;
        image.width = 80;
        image.height = 60;
        image.pixels.resize(raw.size());
        for (int y = 0; y < 60; ++y)
            std::copy_n(raw.begin() + (59 - y) * 320, 320, image.pixels.begin() + y * 320);
        return image;
    };
    auto clearTarget = [&] {
        gl.BindFramebuffer(GL_FRAMEBUFFER, target);
        gl.ClearColor(0, 0, 0, 1);
        gl.Clear(GL_COLOR_BUFFER_BIT);
    };

    // A 40 × 30 surface for an 80 × 60 window; a white square in its top left quarter.
    device_->SetDisplayModes({"None", "40x30"});
    settings_.stretchMode = 1;
    settings_.colorBackground = 0x0000FF;  // red
    ASSERT_TRUE(MakeDevice(80, 60));
    ASSERT_EQ(device_->SurfaceWidth(), 40);
    device_->SetProjection(Matrix4::Identity());
    auto model = MakeModel(1);
    // Identity projection: x, y are the normalised device coordinates.
    AddFace(*model->geosets[0]->meshes[0], {{-1, 0, 0.5f}, {0, 0, 0.5f}, {0, 1, 0.5f}, {-1, 1, 0.5f}});
    const RgbaImage surface = Render(*model);
    EXPECT_EQ(surface.At(5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(surface.At(35, 25), 0xFFFF0000u);

    clearTarget();
    device_->Present(target);
    RgbaImage shown = readTarget();
    EXPECT_EQ(shown.At(10, 10), 0xFFFFFFFFu);
    EXPECT_EQ(shown.At(38, 28), 0xFFFFFFFFu);
    EXPECT_EQ(shown.At(42, 10), 0xFFFF0000u);
    EXPECT_EQ(shown.At(10, 32), 0xFFFF0000u);
    EXPECT_EQ(shown.At(79, 59), 0xFFFF0000u);

    // Only the clip rectangle (client pixels 30..50 × 20..40) changes.
    clearTarget();
    const ClientRect clip{30, 20, 50, 40};
    device_->Present(target, &clip);
    shown = readTarget();
    EXPECT_EQ(shown.At(10, 10), 0xFF000000u);
    EXPECT_EQ(shown.At(60, 50), 0xFF000000u);
    EXPECT_EQ(shown.At(35, 25), 0xFFFFFFFFu);
    EXPECT_EQ(shown.At(45, 35), 0xFFFF0000u);
    EXPECT_EQ(shown.At(29, 25), 0xFF000000u);
    EXPECT_EQ(shown.At(50, 25), 0xFF000000u);

    GLint bound = -1;
    gl.GetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), target);
    gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
    gl.DeleteFramebuffers(1, &target);
    gl.DeleteRenderbuffers(1, &color);
}

}  // namespace
