#include <cmath>

#include "render/gl/offscreen_render.h"
#include "render/render_test_util.h"

using namespace orv;
using namespace orvtest;

namespace {

TEST(RenderModes, DecideWhichMeshesAreDrawnAndHow)
{
    struct Row {
        int32_t mode;
        MeshDrawing current, other;
    };
    const Row table[] = {
        {0, {true, true}, {true, true}},   {1, {true, false}, {true, false}}, {2, {true, true}, {true, false}},
        {3, {true, true}, {false, false}}, {4, {true, false}, {false, false}},
    };
    for (const Row& r : table) {
        const MeshDrawing c = MeshDrawingFor(r.mode, true);
        const MeshDrawing o = MeshDrawingFor(r.mode, false);
        EXPECT_EQ(c.drawn, r.current.drawn) << r.mode;
        EXPECT_EQ(c.solid, r.current.solid) << r.mode;
        EXPECT_EQ(o.drawn, r.other.drawn) << r.mode;
        EXPECT_EQ(o.solid, r.other.solid) << r.mode;
    }
    const MeshDrawing unknown = MeshDrawingFor(9, false);
    EXPECT_TRUE(unknown.drawn && unknown.solid);
}

TEST(NodeOrder, NodeThenChildrenThenSiblings)
{
    auto model = MakeModel(0);
    for (int i = 0; i < 5; ++i)
        model->nodes.push_back(std::make_unique<C3doNode>());
    auto link = [&](int n, int child, int sibling) {
        model->nodes[static_cast<std::size_t>(n)]->child = child;
        model->nodes[static_cast<std::size_t>(n)]->sibling = sibling;
    };
    link(0, 1, 2);
    link(1, 4, 3);
    EXPECT_EQ(NodeDrawOrder(*model), (std::vector<int32_t>{0, 1, 4, 3, 2}));

    // Links out of range end the chain; a circle is walked once; node 2 is unreachable.
    link(0, 1, -1);
    link(1, 0, 50);
    link(4, -7, -1);
    EXPECT_EQ(NodeDrawOrder(*model), (std::vector<int32_t>{0, 1}));
    EXPECT_TRUE(NodeDrawOrder(*MakeModel(0)).empty());
}

using SceneTest = GlTest;

// Corners run opposite to the index list and counter-clockwise triangles are culled:
// a face shows on the side from which its index list runs counter-clockwise.
TEST_F(SceneTest, FaceIsVisibleFromItsCounterClockwiseSideOnly)
{
    settings_.colorBackground = 0;
    ASSERT_TRUE(MakeDevice(64, 64));
    auto model = MakeModel(1);
    CMesh& mesh = *model->geosets[0]->meshes[0];
    AddFace(mesh, FacingSquare(0, 0, 0.5f, 2.0f));
    EXPECT_EQ(Render(*model).At(32, 32), 0xFFFFFFFFu);

    // The same face seen from behind: turned half round about its centre.
    C3doNode& node = *model->nodes[0];
    node.matrix = Matrix4::Translation({0, 0, -2}) * Matrix4::RotationY(kPi) * Matrix4::Translation({0, 0, 2});
    EXPECT_EQ(Render(*model).At(32, 32), 0xFF000000u);

    // The index list running clockwise as seen from the camera hides the face.
    node.matrix = Matrix4::Identity();
    auto reversed = FacingSquare(0, 0, 0.5f, 2.0f);
    std::reverse(reversed.begin(), reversed.end());
    mesh.faces.clear();
    AddFace(mesh, reversed);
    scene_->ModelChanged();
    EXPECT_EQ(Render(*model).At(32, 32), 0xFF000000u);
}

TEST_F(SceneTest, NodeMatricesPlaceTheMeshes)
{
    settings_.colorBackground = 0;
    ASSERT_TRUE(MakeDevice(64, 64));
    auto model = MakeModel(1);
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 0.2f, 2.0f));
    model->nodes[0]->matrix = Matrix4::Translation({0.6f, 0, 0});
    const RgbaImage image = Render(*model);
    const auto [x, y] = PixelOf({0.6f, 0, 2.0f});
    EXPECT_EQ(image.At(x, y), 0xFFFFFFFFu);
    EXPECT_EQ(image.At(32, 32), 0xFF000000u);

    // The request's world comes after the node's own matrix.
    SceneDrawOptions options;
    options.world = Matrix4::Translation({-1.2f, 0, 0});
    const RgbaImage moved = Render(*model, options);
    const auto [mx, my] = PixelOf({-0.6f, 0, 2.0f});
    EXPECT_EQ(moved.At(mx, my), 0xFFFFFFFFu);
    EXPECT_EQ(moved.At(x, y), 0xFF000000u);
}

TEST_F(SceneTest, WireframesOutlineFacesInTheWireframeColour)
{
    settings_.colorBackground = 0;
    settings_.colorWireframe = 0x00FF8040;  // blue 0xFF, green 0x80, red 0x40
    const uint32_t wire = ToDeviceColor(settings_.colorWireframe);
    ASSERT_TRUE(MakeDevice(96, 96));
    auto model = MakeModel(1);
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 0.5f, 2.0f));
    SceneDrawOptions options;
    options.renderMode = kRenderAllWire;
    const RgbaImage image = Render(*model, options);
    const auto [l, t] = PixelOf({-0.5f, 0.5f, 2.0f});
    const auto [r, b] = PixelOf({0.5f, -0.5f, 2.0f});
    const int32_t cx = (l + r) / 2, cy = (t + b) / 2;
    EXPECT_TRUE(ColorNear(image, l, cy, wire));
    EXPECT_TRUE(ColorNear(image, r, cy, wire));
    EXPECT_TRUE(ColorNear(image, cx, t, wire));
    EXPECT_TRUE(ColorNear(image, cx, b, wire));  // the closing edge
    EXPECT_EQ(image.At(cx, cy), 0xFF000000u);
    EXPECT_EQ(CountColor(image, wire) + CountColor(image, 0xFF000000u), 96 * 96);
}

TEST_F(SceneTest, RenderModesPickTheCurrentMesh)
{
    settings_.colorBackground = 0;
    settings_.colorWireframe = 0x0000FF;
    const uint32_t wire = 0xFFFF0000u;
    ASSERT_TRUE(MakeDevice(96, 64));
    auto model = MakeModel(2);
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(-0.5f, 0, 0.3f, 2.0f));
    AddFace(*model->geosets[0]->meshes[1], FacingSquare(0.5f, 0, 0.3f, 2.0f));
    const auto [x0, y0] = PixelOf({-0.5f, 0, 2.0f});
    const auto [x1, y1] = PixelOf({0.5f, 0, 2.0f});
    const auto [e0, f0] = PixelOf({-0.8f, 0, 2.0f});  // left edge of mesh 0
    auto draw = [&](int32_t mode, int32_t current) {
        SceneDrawOptions options;
        options.renderMode = mode;
        options.currentMesh = current;
        return Render(*model, options);
    };
    RgbaImage image = draw(kRenderCurrentSolidOthersWire, 1);
    EXPECT_EQ(image.At(x1, y1), 0xFFFFFFFFu);
    EXPECT_EQ(image.At(x0, y0), 0xFF000000u);
    EXPECT_TRUE(ColorNear(image, e0, f0, wire));

    image = draw(kRenderCurrentSolid, 1);
    EXPECT_EQ(image.At(x1, y1), 0xFFFFFFFFu);
    EXPECT_EQ(CountColor(image, wire), 0);
    EXPECT_EQ(image.At(x0, y0), 0xFF000000u);
    EXPECT_FALSE(ColorNear(image, e0, f0, 0xFFFFFFFFu));

    // "Mesh as wireframes" without a current mesh draws nothing.
    image = draw(kRenderCurrentWire, -1);
    EXPECT_EQ(CountColor(image, 0xFF000000u), 96 * 64);
    image = draw(kRenderCurrentWire, 0);
    EXPECT_TRUE(ColorNear(image, e0, f0, wire));
    EXPECT_EQ(image.At(x0, y0), 0xFF000000u);
}

TEST_F(SceneTest, AxesInCoordinateModeHaveTheirColours)
{
    settings_.colorBackground = 0;
    settings_.colorCoorX = 0x0000FF;
    settings_.colorCoorY = 0x00FF00;
    settings_.colorCoorZ = 0xFF0000;
    ASSERT_TRUE(MakeDevice(128, 128));
    // World origin 3 units ahead, a little right of and above the view's centre.
    device_->SetView(Matrix4::Translation({0.3f, 0.2f, 3.0f}));
    auto model = MakeModel(0);
    SceneDrawOptions options;
    RgbaImage image = Render(*model, options);
    EXPECT_EQ(CountColor(image, 0xFF000000u), 128 * 128);

    options.coordinateMode = true;
    image = Render(*model, options);
    const auto [xx, xy] = PixelOf({-1.0f, 0.2f, 3.0f});  // on the X axis
    const auto [yx, yy] = PixelOf({0.3f, 1.0f, 3.0f});   // on the Y axis
    const auto [zx, zy] = PixelOf({0.3f, 0.2f, 1.0f});   // on the Z axis, nearer
    EXPECT_TRUE(ColorNear(image, xx, xy, 0xFFFF0000u));
    EXPECT_TRUE(ColorNear(image, yx, yy, 0xFF00FF00u));
    EXPECT_TRUE(ColorNear(image, zx, zy, 0xFF0000FFu));
    EXPECT_FALSE(ColorNear(image, xx, xy, 0xFF00FF00u, 4));

    // The model matrix does not move the axes.
    model = MakeModel(1);
    model->nodes[0]->matrix = Matrix4::Translation({5, 5, 5});
    options.world = Matrix4::RotationZ(1.0f);
    const RgbaImage same = Render(*model, options);
    EXPECT_EQ(same.pixels, image.pixels);
}

// "Enlarge View" narrows the field of view from π/3 to π/8: the same face appears
// tan(π/6) / tan(π/16) times as large.
TEST_F(SceneTest, EnlargeMagnifiesTheView)
{
    settings_.colorBackground = 0;
    auto model = MakeModel(1);
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 0.1f, 2.0f));
    auto width = [&](bool enlarge) {
        EXPECT_TRUE(MakeDevice(256, 256, enlarge));
        const RgbaImage image = Render(*model);
        int n = 0;
        for (int32_t x = 0; x < image.width; ++x)
            n += image.At(x, 128) == 0xFFFFFFFFu;
        return n;
    };
    const int normal = width(false);
    const int enlarged = width(true);
    ASSERT_GT(normal, 5);
    const double expected = std::tan(kPi / 6.0) / std::tan(kPi / 16.0);
    EXPECT_NEAR(static_cast<double>(enlarged) / normal, expected, 0.1 * expected);
}

TEST_F(SceneTest, MarkersUseTheirColoursAndNoWorldMatrix)
{
    settings_.colorBackground = 0;
    ASSERT_TRUE(MakeDevice(64, 64));
    auto model = MakeModel(1);
    model->nodes[0]->matrix = Matrix4::Translation({3, 3, 0});
    std::vector<std::unique_ptr<CMesh>> markers;
    auto marker = std::make_unique<CMesh>();
    for (const VertexRecord& corner : UnitCubeCorners()) {
        VertexRecord v = TransformVertex(corner, Matrix4::Scaling(0.2f, 0.2f, 0.2f) * Matrix4::Translation({0, 0, 2}));
        v.color = 0xFF00FF00u;
        marker->vertices.push_back(v);
    }
    // Each face of the cube from both windings, so that culling leaves one of each.
    const uint16_t faces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 3, 7, 4}, {1, 2, 6, 5}};
    for (const auto& q : faces)
        for (const uint16_t i : {q[0], q[1], q[2], q[0], q[2], q[3], q[0], q[2], q[1], q[0], q[3], q[2]})
            marker->markerIndices.push_back(i);
    markers.push_back(std::move(marker));
    // A second marker naming vertices it does not have: its bad triangles are skipped.
    auto broken = std::make_unique<CMesh>();
    broken->vertices = markers[0]->vertices;
    for (auto& v : broken->vertices)
        v.x += 0.6f, v.color = 0xFFFF00FFu;
    broken->markerIndices = markers[0]->markerIndices;
    broken->markerIndices.insert(broken->markerIndices.begin(), {0, 1, 200});
    broken->markerIndices.push_back(3);  // an incomplete triangle
    markers.push_back(std::move(broken));
    markers.push_back(nullptr);

    SceneDrawOptions options;
    options.markers = &markers;
    const RgbaImage image = Render(*model, options);
    EXPECT_EQ(image.At(32, 32), 0xFF00FF00u);
    const auto [bx, by] = PixelOf({0.6f, 0, 1.8f});
    EXPECT_EQ(image.At(bx, by), 0xFFFF00FFu);
}

// Indices that point nowhere are skipped: meshes, hierarchy links, materials, the
// current geometry set.
TEST_F(SceneTest, OutOfRangeIndicesAreSkipped)
{
    settings_.colorBackground = 0;
    ASSERT_TRUE(MakeDevice(64, 64));
    auto model = MakeModel(2);
    model->materials = {"one.mat"};
    scene_->SetMaterialResolver([](const std::string&, const std::string&) -> std::optional<TextureImage> {
        return SolidCels(1, 1, {0xFF0000});
    });
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 0.3f, 2.0f), 42);
    AddFace(*model->geosets[0]->meshes[1], FacingSquare(0.7f, 0, 0.1f, 2.0f), -5);
    model->geosets[0]->meshes[1]->faces.push_back(std::make_unique<CFace>());  // no corners at all
    model->nodes[0]->child = 99;
    model->nodes[1]->sibling = -3;
    auto stray = std::make_unique<C3doNode>();
    stray->mesh = 1234;
    model->nodes.push_back(std::move(stray));
    model->nodes[1]->child = 2;
    scene_->PrepareScene(*model);
    EXPECT_EQ(model->geosets[0]->meshes[0]->faces[0]->texture, 0u);

    for (int32_t mode = 0; mode <= 4; ++mode) {
        SceneDrawOptions options;
        options.renderMode = mode;
        options.currentMesh = 1234;
        Render(*model, options);
    }
    const RgbaImage image = Render(*model);
    EXPECT_EQ(image.At(32, 32), 0xFFFFFFFFu);
    model->currentGeoset = 3;
    EXPECT_EQ(CountColor(Render(*model), 0xFF000000u), 64 * 64);
}

// A model of several meshes, textures changing from face to face, overlapping faces,
// faces of one and two corners: the mesh buffers give the same pixels as one call per
// face in every render mode.
TEST_F(SceneTest, MeshBuffersDrawTheSamePixelsAsOneCallPerFace)
{
    settings_.colorBackground = 0x404040;
    settings_.colorWireframe = 0x00C0FF;
    ASSERT_TRUE(MakeDevice(160, 120));
    auto model = MakeModel(3);
    model->materials = {"a.mat", "b.mat", "c.mat"};
    scene_->SetMaterialResolver([](const std::string& m, const std::string&) -> std::optional<TextureImage> {
        TextureImage image = SolidCels(4, 4, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00});
        image.cels = 1;
        image.pixels.resize(16);
        for (int i = 0; i < 16; ++i)
            image.pixels[static_cast<std::size_t>(i)] = static_cast<uint8_t>((i + m[0]) % 4);
        return image;
    });
    model->nodes[1]->matrix = Matrix4::RotationY(0.4f) * Matrix4::Translation({0.2f, 0.1f, 0.5f});
    model->nodes[2]->matrix = Matrix4::RotationX(-0.3f);
    int k = 0;
    for (int m = 0; m < 3; ++m) {
        CMesh& mesh = *model->geosets[0]->meshes[static_cast<std::size_t>(m)];
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
                AddFace(mesh, points, k % 4 - 1, {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {2, 2}}, 4, 4);
            }
    }
    scene_->PrepareScene(*model);
    for (int32_t mode = 0; mode <= 4; ++mode) {
        SceneDrawOptions options;
        options.renderMode = mode;
        options.currentMesh = 1;
        options.coordinateMode = true;
        const RgbaImage buffered = Render(*model, options);
        options.onePerFace = true;
        const RgbaImage perFace = Render(*model, options);
        EXPECT_EQ(buffered.pixels, perFace.pixels) << "render mode " << mode;
        EXPECT_GT(CountColor(buffered, 0xFF404040u), 0);
    }
}

TEST_F(SceneTest, BuffersFollowTheModelWhenToldItChanged)
{
    settings_.colorBackground = 0;
    ASSERT_TRUE(MakeDevice(64, 64));
    auto model = MakeModel(1);
    CFace& face = AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 0.2f, 2.0f));
    EXPECT_EQ(Render(*model).At(32, 32), 0xFFFFFFFFu);
    for (auto& c : face.corners)
        c.x += 0.7f;
    scene_->ModelChanged();
    const RgbaImage image = Render(*model);
    EXPECT_EQ(image.At(32, 32), 0xFF000000u);
    const auto [x, y] = PixelOf({0.7f, 0, 2.0f});
    EXPECT_EQ(image.At(x, y), 0xFFFFFFFFu);
}

TEST(OffscreenRender, DrawsAModelToAPicture)
{
    if (!HeadlessGlContext::Create())
        GTEST_SKIP() << "No OpenGL context can be made here.";
    auto model = MakeModel(1);
    model->materials = {"green.mat"};
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 0.5f, 2.0f), 0);
    OffscreenRenderRequest request;
    request.width = 80;
    request.height = 60;
    request.settings.colorBackground = 0x000000;
    request.resolver = [](const std::string&, const std::string&) -> std::optional<TextureImage> {
        return SolidCels(2, 2, {0x00FF00});
    };
    request.corners = TestCornerBuilder();
    std::string error;
    const auto image = RenderModelImage(*model, request, &error);
    ASSERT_TRUE(image.has_value()) << error;
    EXPECT_EQ(image->width, 80);
    EXPECT_EQ(image->height, 60);
    EXPECT_EQ(image->At(40, 30), 0xFF00FF00u);
    EXPECT_EQ(image->At(1, 1), 0xFF000000u);
    EXPECT_NE(model->geosets[0]->meshes[0]->faces[0]->texture, 0u);
}

}  // namespace
