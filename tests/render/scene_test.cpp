#include <algorithm>

#include "render/render_test_util.h"

using namespace orv;
using namespace orvtest;

namespace {

constexpr uint32_t kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu;

class SceneTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        settings_.colorBackground = 0;
    }
};

// Corners run opposite to the index list and counter-clockwise triangles are culled: a
// face shows on the side from which its index list runs counter-clockwise.
TEST_F(SceneTest, FaceIsVisibleFromItsCounterClockwiseSideOnly)
{
    ASSERT_TRUE(MakeDevice(64, 64));
    auto model = MakeModel(1);
    CMesh& mesh = model->geosets[0].meshes[0];
    AddFace(mesh, FacingSquare(0, 0, 0.5f, 2.0f));
    EXPECT_EQ(Render(*model).At(32, 32), kWhite);

    auto reversed = FacingSquare(0, 0, 0.5f, 2.0f);
    std::reverse(reversed.begin(), reversed.end());
    mesh.faces.clear();
    AddFace(mesh, reversed);
    scene_->ModelChanged();
    EXPECT_EQ(Render(*model).At(32, 32), kBlack);
}

// The faces a command acts on are outlined in the selection colour, exactly those, and
// also where another face hides them.
TEST_F(SceneTest, MarkedFacesAreOutlinedInTheSelectionColourOverEverything)
{
    settings_.colorSelect = 0x0000FF;  // red
    const uint32_t red = 0xFFFF0000u;
    ASSERT_TRUE(MakeDevice(96, 64));
    auto model = MakeModel(2);
    AddFace(model->geosets[0].meshes[0], FacingSquare(-0.5f, 0, 0.3f, 2.0f));
    AddFace(model->geosets[0].meshes[0], FacingSquare(0.5f, 0, 0.3f, 2.0f));
    AddFace(model->geosets[0].meshes[1], FacingSquare(-0.5f, 0, 0.5f, 1.5f));  // in front of face 0
    SceneDrawOptions options;
    options.currentMesh = 0;
    EXPECT_EQ(CountColor(Render(*model, options), red), 0);

    const std::vector<std::size_t> marked = {0};
    options.markedFaces = marked;
    const RgbaImage image = Render(*model, options);
    const auto [left, top] = PixelOf({-0.8f, 0.3f, 2.0f});
    const auto [right, bottom] = PixelOf({-0.2f, -0.3f, 2.0f});
    EXPECT_TRUE(ColorNear(image, left, (top + bottom) / 2, red)) << "the marked face's outline is hidden";
    EXPECT_TRUE(ColorNear(image, (left + right) / 2, top, red));
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            if (image.At(x, y) == red) {
                ASSERT_LE(x, right + 1) << "a face that is not marked is outlined";
            }
    // The marked faces are the current mesh's: without one, nothing is outlined.
    options.currentMesh = -1;
    EXPECT_EQ(CountColor(Render(*model, options), red), 0);
}

TEST_F(SceneTest, NodeMatricesPlaceTheMeshesAndBuffersFollowChanges)
{
    ASSERT_TRUE(MakeDevice(64, 64));
    auto model = MakeModel(1);
    CFace& face = AddFace(model->geosets[0].meshes[0], FacingSquare(0, 0, 0.2f, 2.0f));
    model->nodeMatrices.resize(model->nodes.size(), Matrix4::Identity());
    model->nodeMatrices[0] = Matrix4::Translation({0.6f, 0, 0});
    EXPECT_EQ(ColorAt(Render(*model), {0.6f, 0, 2.0f}), kWhite);

    // The request's world comes after the node's own matrix.
    SceneDrawOptions options;
    options.world = Matrix4::Translation({-1.2f, 0, 0});
    RgbaImage image = Render(*model, options);
    EXPECT_EQ(ColorAt(image, {-0.6f, 0, 2.0f}), kWhite);
    EXPECT_EQ(ColorAt(image, {0.6f, 0, 2.0f}), kBlack);

    // Corners moved in place are drawn where they are once the model is said to have changed.
    for (auto& c : face.corners)
        c.x -= 0.6f;
    scene_->ModelChanged();
    image = Render(*model);
    EXPECT_EQ(image.At(32, 32), kWhite);
    EXPECT_EQ(ColorAt(image, {0.6f, 0, 2.0f}), kBlack);
}

// Wireframes in the wireframe colour, solid faces white, and the current mesh alone in
// render modes 3 and 4.
TEST_F(SceneTest, RenderModesDrawMeshesSolidOrAsOutlines)
{
    settings_.colorWireframe = 0x00FF8040;  // blue 0xFF, green 0x80, red 0x40
    const uint32_t wire = 0xFF4080FFu;
    ASSERT_TRUE(MakeDevice(96, 64));
    auto model = MakeModel(2);
    AddFace(model->geosets[0].meshes[0], FacingSquare(-0.5f, 0, 0.3f, 2.0f));
    AddFace(model->geosets[0].meshes[1], FacingSquare(0.5f, 0, 0.3f, 2.0f));
    const Vec3 centre0{-0.5f, 0, 2.0f}, centre1{0.5f, 0, 2.0f};
    // Mesh 0's outline, the closing (left) edge included, and nothing inside.
    auto outlined = [&](const RgbaImage& image) {
        const auto [l, t] = PixelOf({-0.8f, 0.3f, 2.0f});
        const auto [r, b] = PixelOf({-0.2f, -0.3f, 2.0f});
        return ColorNear(image, l, (t + b) / 2, wire) && ColorNear(image, (l + r) / 2, b, wire) &&
               ColorAt(image, centre0) == kBlack;
    };
    // Mode, current mesh, what shows at mesh 1's middle, whether mesh 0 is outlined, and
    // every colour drawn; mesh 0's middle stays empty throughout.
    const std::tuple<RenderMode, int32_t, uint32_t, bool, std::set<uint32_t>> cases[] = {
        {RenderMode::AllWireframe, -1, kBlack, true, {wire, kBlack}},
        {RenderMode::MeshAndWireframe, 1, kWhite, true, {wire, kBlack, kWhite}},
        {RenderMode::Mesh, 1, kWhite, false, {kWhite, kBlack}},
        {RenderMode::MeshWireframe, -1, kBlack, false, {kBlack}},  // no current mesh: nothing
        {RenderMode::MeshWireframe, 0, kBlack, true, {wire, kBlack}},
    };
    for (const auto& [mode, current, middle1, outline, colours] : cases) {
        SCOPED_TRACE(static_cast<int>(mode));
        SceneDrawOptions options;
        options.renderMode = mode;
        options.currentMesh = current;
        const RgbaImage image = Render(*model, options);
        EXPECT_EQ(ColorAt(image, centre1), middle1);
        EXPECT_EQ(ColorAt(image, centre0), kBlack);
        EXPECT_EQ(outlined(image), outline);
        EXPECT_EQ(Colours(image), colours);
    }
}

TEST_F(SceneTest, AxesInCoordinateModeHaveTheirColoursAndIgnoreTheModelMatrix)
{
    settings_.colorCoorX = 0x0000FF;
    settings_.colorCoorY = 0x00FF00;
    settings_.colorCoorZ = 0xFF0000;
    ASSERT_TRUE(MakeDevice(128, 128));
    // World origin 3 units ahead, a little right of and above the view's centre.
    device_->SetView(Matrix4::Translation({0.3f, 0.2f, 3.0f}));
    auto model = MakeModel(1);
    model->nodeMatrices.resize(model->nodes.size(), Matrix4::Identity());
    model->nodeMatrices[0] = Matrix4::Translation({5, 5, 5});
    SceneDrawOptions options;
    options.world = Matrix4::RotationZ(1.0f);
    EXPECT_EQ(CountColor(Render(*model, options), kBlack), 128 * 128);

    options.coordinateMode = true;
    const RgbaImage image = Render(*model, options);
    const auto [xx, xy] = PixelOf({-1.0f, 0.2f, 3.0f});  // on the X axis
    const auto [yx, yy] = PixelOf({0.3f, 1.0f, 3.0f});   // on the Y axis
    const auto [zx, zy] = PixelOf({0.3f, 0.2f, 1.0f});   // on the Z axis, nearer
    EXPECT_TRUE(ColorNear(image, xx, xy, 0xFFFF0000u));
    EXPECT_TRUE(ColorNear(image, yx, yy, 0xFF00FF00u));
    EXPECT_TRUE(ColorNear(image, zx, zy, 0xFF0000FFu));
    EXPECT_FALSE(ColorNear(image, xx, xy, 0xFF00FF00u, 4));
}

// Markers: small cubes in their own colours, where the selection put them whatever the
// node matrices.
TEST_F(SceneTest, MarkersUseTheirColoursAndNoWorldMatrix)
{
    ASSERT_TRUE(MakeDevice(64, 64));
    std::vector<NodeMarker> markers(2);
    for (std::size_t i = 0; i < 2; ++i) {
        markers[i].position = {i == 0 ? 0.0f : 0.6f, 0, 2};
        markers[i].halfSize = 0.2f;
        markers[i].color = i == 0 ? 0xFF00FF00u : 0xFFFF00FFu;
    }
    auto model = MakeModel(1);  // an empty mesh whose node moves it away
    model->nodeMatrices.resize(model->nodes.size(), Matrix4::Identity());
    model->nodeMatrices[0] = Matrix4::Translation({3, 3, 0});
    SceneDrawOptions options;
    options.markers = markers;
    const RgbaImage image = Render(*model, options);
    EXPECT_EQ(image.At(32, 32), 0xFF00FF00u);
    EXPECT_EQ(ColorAt(image, {0.6f, 0, 1.8f}), 0xFFFF00FFu);
}

// Indices that point nowhere are skipped: meshes, hierarchy links, materials, the
// current geometry set.
TEST_F(SceneTest, OutOfRangeIndicesAreSkipped)
{
    ASSERT_TRUE(MakeDevice(64, 64));
    auto model = MakeModel(2);
    model->materials = {"one.mat"};
    scene_->SetMaterialResolver(
        [](const std::string&, const std::string&) { return std::optional(SolidCels(1, 1, {0xFF0000})); });
    AddFace(model->geosets[0].meshes[0], FacingSquare(0, 0, 0.3f, 2.0f), 42);
    AddFace(model->geosets[0].meshes[1], FacingSquare(0.7f, 0, 0.1f, 2.0f), -5);
    model->geosets[0].meshes[1].faces.push_back(CFace());  // no corners at all
    model->nodes[0].child = 99;
    model->nodes[1].sibling = -3;
    model->nodes[1].child = 2;
    model->nodes.push_back(C3doNode());
    model->nodes[2].mesh = 1234;
    scene_->PrepareScene(*model);
    for (int32_t mode = 0; mode <= 4; ++mode) {
        SceneDrawOptions options;
        options.renderMode = static_cast<RenderMode>(mode);
        options.currentMesh = 1234;
        Render(*model, options);
    }
    EXPECT_EQ(Render(*model).At(32, 32), kWhite);
    model->currentGeoset = 3;
    EXPECT_EQ(CountColor(Render(*model), kBlack), 64 * 64);
}

// Several meshes, textures changing from face to face, overlapping faces, faces of one
// and two corners: the mesh buffers give the same pixels as one call per face in every
// render mode.
TEST_F(SceneTest, MeshBuffersDrawTheSamePixelsAsOneCallPerFace)
{
    settings_.colorBackground = 0x404040;
    settings_.colorWireframe = 0x00C0FF;
    ASSERT_TRUE(MakeDevice(160, 120));
    auto model = MakeModel(3);
    model->materials = {"a.mat", "b.mat", "c.mat"};
    scene_->SetMaterialResolver([](const std::string& m, const std::string&) {
        TextureImage image = SolidCels(4, 4, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00});
        image.cels = 1;
        image.pixels.resize(16);
        for (int i = 0; i < 16; ++i)
            image.pixels[static_cast<std::size_t>(i)] = static_cast<uint8_t>((i + m[0]) % 4);
        return std::optional(image);
    });
    model->nodeMatrices.resize(model->nodes.size(), Matrix4::Identity());
    model->nodeMatrices[1] = Matrix4::RotationY(0.4f) * Matrix4::Translation({0.2f, 0.1f, 0.5f});
    model->nodeMatrices[2] = Matrix4::RotationX(-0.3f);
    int k = 0;
    for (int m = 0; m < 3; ++m)
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 6; ++i, ++k) {
                const float x = -1.2f + 0.4f * static_cast<float>(i) + 0.05f * static_cast<float>(m);
                const float y = -0.8f + 0.4f * static_cast<float>(j);
                // Overlapping and coplanar with the neighbours: ties in depth.
                auto points = FacingSquare(x, y, 0.3f, 3.0f);
                if (k % 7 == 3)
                    points.push_back({x - 0.35f, y, 3.0f});  // a fifth corner
                if (k % 11 == 5)
                    points.resize(k % 2 ? 1 : 2);
                AddFace(model->geosets[0].meshes[static_cast<std::size_t>(m)], points, k % 4 - 1,
                        {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {2, 2}});
            }
    scene_->PrepareScene(*model);
    for (int32_t mode = 0; mode <= 4; ++mode) {
        SceneDrawOptions options;
        options.renderMode = static_cast<RenderMode>(mode);
        options.currentMesh = 1;
        options.coordinateMode = true;
        const RgbaImage buffered = Render(*model, options);
        options.onePerFace = true;
        EXPECT_EQ(buffered.pixels, Render(*model, options).pixels) << "render mode " << mode;
    }
}

}  // namespace

// The shaded display lights each face by its angle to a light at the camera: the faces
// of a turned cube differ in brightness only when shaded; outlines keep their colour.
TEST_F(SceneTest, ShadedFacesDifferByTheirAngleToTheCamera)
{
    ASSERT_TRUE(MakeDevice(96, 96));
    auto model = MakeModel(1);
    CMesh& mesh = model->geosets[0].meshes[0];
    // The face towards the camera, turned into the six sides (their outsides keep the
    // counter-clockwise index list), the cube then turned and set before the camera.
    const Matrix4 place = Matrix4::RotationY(0.5f) * Matrix4::RotationX(0.4f) * Matrix4::Translation({0, 0, 3});
    for (const Matrix4& side :
         {Matrix4::Identity(), Matrix4::RotationY(kPi / 2), Matrix4::RotationY(kPi), Matrix4::RotationY(-kPi / 2),
          Matrix4::RotationX(kPi / 2), Matrix4::RotationX(-kPi / 2)}) {
        std::vector<Vec3> points;
        for (const Vec3& p : FacingSquare(0, 0, 0.5f, -0.5f))
            points.push_back(TransformPoint(p, side * place));
        AddFace(mesh, points);
    }
    auto shades = [](const RgbaImage& image) {
        std::set<uint32_t> out = Colours(image);
        out.erase(kBlack);
        return out;
    };
    EXPECT_EQ(shades(Render(*model)), std::set<uint32_t>{kWhite});

    SceneDrawOptions options;
    options.shaded = true;
    const auto lit = shades(Render(*model, options));
    ASSERT_GE(lit.size(), 3u);  // three sides in sight, each its own brightness
    uint32_t darkest = 255, brightest = 0;
    for (uint32_t c : lit) {
        const uint32_t r = (c >> 16) & 0xFF;
        EXPECT_EQ(r, c & 0xFF) << std::hex << c;  // grey: the light is white
        darkest = std::min(darkest, r);
        brightest = std::max(brightest, r);
    }
    EXPECT_GT(brightest, darkest + 40);
    EXPECT_GE(darkest, static_cast<uint32_t>(0.3 * 255) - 1);  // never below the ambient light

    // Outlines are not lit.
    settings_.colorWireframe = 0x0000FF00;
    options.renderMode = RenderMode::AllWireframe;
    EXPECT_EQ(shades(Render(*model, options)), std::set<uint32_t>{0xFF00FF00u});
}
