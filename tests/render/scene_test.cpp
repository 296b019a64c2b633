#include <algorithm>

#include "render/hierarchy.h"
#include "render/render_test_util.h"

using namespace orv;
using namespace orvtest;

namespace {

constexpr uint32_t kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu;

// The scene renderer keeps its own render-mode table and walk order; both must match
// the hierarchy's, which picking and the status pass use.
TEST(SceneOrder, MatchesTheHierarchy)
{
    for (int32_t mode = -1; mode <= 9; ++mode)
        for (const bool current : {true, false}) {
            const MeshDrawing d = MeshDrawingFor(mode, current);
            const MeshDrawStyle h = MeshDrawMode(mode, current ? 2 : 1, 2);
            EXPECT_EQ(d.drawn, h.drawn) << mode << " " << current;
            EXPECT_EQ(d.solid, h.solid) << mode << " " << current;
        }

    auto model = MakeModel(5);
    auto link = [&](int n, int child, int sibling) {
        model->nodes[static_cast<std::size_t>(n)]->child = child;
        model->nodes[static_cast<std::size_t>(n)]->sibling = sibling;
    };
    auto walked = [&] {
        std::vector<int32_t> order;
        for (const NodeVisit& v : WalkHierarchy(*model))
            order.push_back(v.node);
        return order;
    };
    link(0, 1, 2);
    link(1, 4, 3);
    link(2, -1, -1);
    EXPECT_EQ(NodeDrawOrder(*model), (std::vector<int32_t>{0, 1, 4, 3, 2}));
    EXPECT_EQ(NodeDrawOrder(*model), walked());
    // Links out of range end the chain; a circle is walked once; node 2 is unreachable.
    link(0, 1, -1);
    link(1, 0, 50);
    link(4, -7, -1);
    EXPECT_EQ(NodeDrawOrder(*model), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(NodeDrawOrder(*model), walked());
    EXPECT_TRUE(NodeDrawOrder(*MakeModel(0)).empty());
}

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
    CMesh& mesh = *model->geosets[0]->meshes[0];
    AddFace(mesh, FacingSquare(0, 0, 0.5f, 2.0f));
    EXPECT_EQ(Render(*model).At(32, 32), kWhite);

    // The same face seen from behind: turned half round about its centre.
    C3doNode& node = *model->nodes[0];
    node.matrix = Matrix4::Translation({0, 0, -2}) * Matrix4::RotationY(kPi) * Matrix4::Translation({0, 0, 2});
    EXPECT_EQ(Render(*model).At(32, 32), kBlack);

    // The index list running clockwise as seen from the camera hides the face.
    node.matrix = Matrix4::Identity();
    auto reversed = FacingSquare(0, 0, 0.5f, 2.0f);
    std::reverse(reversed.begin(), reversed.end());
    mesh.faces.clear();
    AddFace(mesh, reversed);
    scene_->ModelChanged();
    EXPECT_EQ(Render(*model).At(32, 32), kBlack);
}

TEST_F(SceneTest, NodeMatricesPlaceTheMeshesAndBuffersFollowChanges)
{
    ASSERT_TRUE(MakeDevice(64, 64));
    auto model = MakeModel(1);
    CFace& face = AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 0.2f, 2.0f));
    model->nodes[0]->matrix = Matrix4::Translation({0.6f, 0, 0});
    RgbaImage image = Render(*model);
    EXPECT_EQ(ColorAt(image, {0.6f, 0, 2.0f}), kWhite);
    EXPECT_EQ(image.At(32, 32), kBlack);

    // The request's world comes after the node's own matrix.
    SceneDrawOptions options;
    options.world = Matrix4::Translation({-1.2f, 0, 0});
    image = Render(*model, options);
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
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(-0.5f, 0, 0.3f, 2.0f));
    AddFace(*model->geosets[0]->meshes[1], FacingSquare(0.5f, 0, 0.3f, 2.0f));
    const Vec3 centre0{-0.5f, 0, 2.0f}, centre1{0.5f, 0, 2.0f};
    auto draw = [&](int32_t mode, int32_t current) {
        SceneDrawOptions options;
        options.renderMode = mode;
        options.currentMesh = current;
        return Render(*model, options);
    };
    // Every edge of mesh 0's outline, the closing one included, and nothing inside.
    auto outlined = [&](const RgbaImage& image) {
        const auto [l, t] = PixelOf({-0.8f, 0.3f, 2.0f});
        const auto [r, b] = PixelOf({-0.2f, -0.3f, 2.0f});
        return ColorNear(image, l, (t + b) / 2, wire) && ColorNear(image, r, (t + b) / 2, wire) &&
               ColorNear(image, (l + r) / 2, t, wire) && ColorNear(image, (l + r) / 2, b, wire) &&
               ColorAt(image, centre0) == kBlack;
    };
    RgbaImage image = draw(kRenderAllWire, -1);
    EXPECT_TRUE(outlined(image));
    EXPECT_EQ(CountColor(image, wire) + CountColor(image, kBlack), 96 * 64);

    image = draw(kRenderCurrentSolidOthersWire, 1);
    EXPECT_EQ(ColorAt(image, centre1), kWhite);
    EXPECT_TRUE(outlined(image));

    image = draw(kRenderCurrentSolid, 1);
    EXPECT_EQ(ColorAt(image, centre1), kWhite);
    EXPECT_EQ(ColorAt(image, centre0), kBlack);
    EXPECT_EQ(CountColor(image, wire), 0);
    EXPECT_EQ(CountColor(image, kWhite) + CountColor(image, kBlack), 96 * 64);

    // "Mesh as wireframes" without a current mesh draws nothing.
    EXPECT_EQ(CountColor(draw(kRenderCurrentWire, -1), kBlack), 96 * 64);
    image = draw(kRenderCurrentWire, 0);
    EXPECT_TRUE(outlined(image));
    EXPECT_EQ(CountColor(image, wire) + CountColor(image, kBlack), 96 * 64);  // mesh 1 not drawn
}

TEST_F(SceneTest, AxesInCoordinateModeHaveTheirColours)
{
    settings_.colorCoorX = 0x0000FF;
    settings_.colorCoorY = 0x00FF00;
    settings_.colorCoorZ = 0xFF0000;
    ASSERT_TRUE(MakeDevice(128, 128));
    // World origin 3 units ahead, a little right of and above the view's centre.
    device_->SetView(Matrix4::Translation({0.3f, 0.2f, 3.0f}));
    auto model = MakeModel(0);
    SceneDrawOptions options;
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

    // The model matrix does not move the axes.
    model = MakeModel(1);
    model->nodes[0]->matrix = Matrix4::Translation({5, 5, 5});
    options.world = Matrix4::RotationZ(1.0f);
    EXPECT_EQ(Render(*model, options).pixels, image.pixels);
}

// "Enlarge View" narrows the field of view from π/3 to π/8: the same face appears
// tan(π/6) / tan(π/16) times as large.
TEST_F(SceneTest, EnlargeMagnifiesTheView)
{
    auto model = MakeModel(1);
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 0.1f, 2.0f));
    auto width = [&](bool enlarge) {
        EXPECT_TRUE(MakeDevice(256, 256, enlarge));
        const RgbaImage image = Render(*model);
        int n = 0;
        for (int32_t x = 0; x < image.width; ++x)
            n += image.At(x, 128) == kWhite;
        return n;
    };
    const int normal = width(false);
    ASSERT_GT(normal, 5);
    EXPECT_NEAR(static_cast<double>(width(true)) / normal, 2.9026, 0.29);
}

TEST_F(SceneTest, MarkersUseTheirColoursAndNoWorldMatrix)
{
    ASSERT_TRUE(MakeDevice(64, 64));
    auto model = MakeModel(1);
    model->nodes[0]->matrix = Matrix4::Translation({3, 3, 0});
    auto marker = std::make_unique<CMesh>();
    for (const VertexRecord& corner : UnitCubeCorners()) {
        marker->vertices.push_back(TransformVertex(corner, Matrix4::Scaling(0.2f, 0.2f, 0.2f) * Matrix4::Translation({0, 0, 2})));
        marker->vertices.back().color = 0xFF00FF00u;
    }
    // Each face of the cube from both windings, so that culling leaves one of each.
    const uint16_t faces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 3, 7, 4}, {1, 2, 6, 5}};
    for (const auto& q : faces)
        marker->markerIndices.insert(marker->markerIndices.end(),
                                     {q[0], q[1], q[2], q[0], q[2], q[3], q[0], q[2], q[1], q[0], q[3], q[2]});
    // A second marker naming vertices it does not have: its bad triangles are skipped.
    auto broken = std::make_unique<CMesh>();
    broken->vertices = marker->vertices;
    broken->markerIndices = marker->markerIndices;
    for (auto& v : broken->vertices)
        v.x += 0.6f, v.color = 0xFFFF00FFu;
    broken->markerIndices.insert(broken->markerIndices.begin(), {0, 1, 200});
    broken->markerIndices.push_back(3);  // an incomplete triangle
    std::vector<std::unique_ptr<CMesh>> markers;
    markers.push_back(std::move(marker));
    markers.push_back(std::move(broken));
    markers.push_back(nullptr);

    SceneDrawOptions options;
    options.markers = &markers;
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
    scene_->SetMaterialResolver([](const std::string&, const std::string&) { return std::optional(SolidCels(1, 1, {0xFF0000})); });
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 0.3f, 2.0f), 42);
    AddFace(*model->geosets[0]->meshes[1], FacingSquare(0.7f, 0, 0.1f, 2.0f), -5);
    model->geosets[0]->meshes[1]->faces.push_back(std::make_unique<CFace>());  // no corners at all
    model->nodes[0]->child = 99;
    model->nodes[1]->sibling = -3;
    model->nodes[1]->child = 2;
    model->nodes.push_back(std::make_unique<C3doNode>());
    model->nodes[2]->mesh = 1234;
    scene_->PrepareScene(*model);
    EXPECT_EQ(model->geosets[0]->meshes[0]->faces[0]->texture, 0u);

    for (int32_t mode = 0; mode <= 4; ++mode) {
        SceneDrawOptions options;
        options.renderMode = mode;
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
    model->nodes[1]->matrix = Matrix4::RotationY(0.4f) * Matrix4::Translation({0.2f, 0.1f, 0.5f});
    model->nodes[2]->matrix = Matrix4::RotationX(-0.3f);
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
                AddFace(*model->geosets[0]->meshes[static_cast<std::size_t>(m)], points, k % 4 - 1,
                        {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {2, 2}}, 4, 4);
            }
    scene_->PrepareScene(*model);
    for (int32_t mode = 0; mode <= 4; ++mode) {
        SceneDrawOptions options;
        options.renderMode = mode;
        options.currentMesh = 1;
        options.coordinateMode = true;
        const RgbaImage buffered = Render(*model, options);
        options.onePerFace = true;
        EXPECT_EQ(buffered.pixels, Render(*model, options).pixels) << "render mode " << mode;
        EXPECT_GT(CountColor(buffered, 0xFF404040u), 0);
    }
}

}  // namespace
