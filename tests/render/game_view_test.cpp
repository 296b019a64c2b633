// The game view's pixels against the colormap's own tables, read back from a CMP file:
// each pixel is palette[light table[row][texel]] for the row the light gives, a
// translucent face's is table[source][destination].
#include <array>
#include <cmath>
#include <map>

#include "render/game_view.h"
#include "render/render_test_util.h"
#include "support/files.h"

using namespace orv;
using namespace orvtest;

namespace {

constexpr uint32_t kBackground = 0xFF000000u;
constexpr uint8_t kTexels[4] = {17, 60, 133, 250};  // top left, top right, bottom left, bottom right

// A CMP file laid out as the game's (head with the transparency flag, palette, 64 light
// rows, the 256 x 256 transparency table), tables that tell every row and both
// arguments of the transparency table apart.
std::vector<uint8_t> ColormapFile()
{
    std::vector<uint8_t> f(kColormapDataSize + kTransparencyTableSize);
    std::copy_n("CMP ", 4, f.begin());
    f[4] = 30;
    f[8] = 1;
    for (int i = 0; i < 256; ++i) {
        f[kColormapHeadSize + i * 3] = static_cast<uint8_t>(i);
        f[kColormapHeadSize + i * 3 + 1] = static_cast<uint8_t>(i * 37);
        f[kColormapHeadSize + i * 3 + 2] = static_cast<uint8_t>(i * 101);
    }
    for (int r = 0; r < 64; ++r)
        for (int i = 0; i < 256; ++i)
            f[kColormapHeadSize + 768 + r * 256 + i] = static_cast<uint8_t>(i + 3 * r + 1);
    for (int s = 0; s < 256; ++s)
        for (int d = 0; d < 256; ++d)
            f[kColormapDataSize + s * 256 + d] = static_cast<uint8_t>(s * 3 + d * 5);
    return f;
}

class GameViewTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        settings_.colorBackground = 0;
        ASSERT_TRUE(MakeDevice(96, 96));
        UseColormap(ColormapFile());
        scene_->SetMaterialResolver([this](const std::string& name, const std::string&) {
            const auto it = materials_.find(name);
            return it == materials_.end() ? std::nullopt : std::optional<TextureImage>(it->second);
        });
    }

    void UseColormap(const std::vector<uint8_t>& bytes)
    {
        auto cmp = ParseColormap(bytes);
        ASSERT_TRUE(cmp) << cmp.error();
        cmp_ = *cmp;
        scene_->SetColormap(cmp_);
    }

    // A 2 x 2 material of kTexels (or given indices), per cel.
    int32_t AddMaterial(CModel& model, const std::string& name, std::vector<std::array<uint8_t, 4>> cels,
                        bool transparent = false)
    {
        TextureImage image;
        image.width = image.height = 2;
        image.cels = static_cast<int32_t>(cels.size());
        for (const auto& c : cels)
            image.pixels.insert(image.pixels.end(), c.begin(), c.end());
        image.transparent = transparent;
        image.solidColor = 150;
        materials_[name] = image;
        model.materials.push_back(name);
        return static_cast<int32_t>(model.materials.size() - 1);
    }

    // A square facing the camera at depth z over the whole material, in the given modes.
    CFace& AddQuad(CMesh& mesh, int32_t material, float z, float half = 0.5f, bool reversed = false)
    {
        auto points = FacingSquare(0, 0, half, z);
        std::vector<std::pair<float, float>> texels = {{0, 2}, {2, 2}, {2, 0}, {0, 0}};
        if (reversed) {
            std::reverse(points.begin(), points.end());
            std::reverse(texels.begin(), texels.end());
        }
        CFace& f = AddFace(mesh, points, material, texels);
        f.ComputeFaceNormal();
        f.geometryMode = 4;
        f.lightingMode = 0;
        f.textureMode = 1;
        return f;
    }

    std::unique_ptr<CModel> Model()
    {
        auto model = MakeModel(1);
        CMesh& mesh = model->geosets[0].meshes[0];
        mesh.geometryMode = 4;
        mesh.lightingMode = 3;
        mesh.textureMode = 1;
        return model;
    }

    RgbaImage Draw(const CModel& model, const GameViewOptions& game)
    {
        scene_->PrepareScene(model);
        SceneDrawOptions options;
        options.game = &game;
        return Render(model, options);
    }

    uint32_t Palette(int index) const
    {
        const auto* p = &cmp_.palette[static_cast<std::size_t>(index) * 3];
        return 0xFF000000u | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    }
    uint32_t Lit(int texel, int row) const { return Palette(cmp_.lightTable[static_cast<std::size_t>(row * 256 + texel)]); }
    // The pixels at the middle of the four quarters of a square of half size h at depth z.
    std::array<uint32_t, 4> Quarters(const RgbaImage& image, float z, float h = 0.5f) const
    {
        const float q = h / 2;
        return {ColorAt(image, {-q, q, z}), ColorAt(image, {q, q, z}), ColorAt(image, {-q, -q, z}),
                ColorAt(image, {q, -q, z})};
    }

    ColormapData cmp_;
    std::map<std::string, TextureImage> materials_;
};

struct LightCase {
    int32_t faceLighting, meshLighting;
    float ambient, extra, intensity;
    bool cameraLight;
    int32_t row;  // -1: the texel as it is, -2: not drawn
    bool fromBehind = false;
    int32_t type = 0;
};

// The light at the camera seen from a corner of the test square (all four alike): the
// cosine between the face's normal and the direction to the camera.
const float kCosine = 2.0f / std::sqrt(0.25f + 0.25f + 4.0f);
int32_t Row(float level) { return std::min(63, static_cast<int32_t>(std::clamp(level, 0.0f, 1.0f) * 63.0f)); }

TEST_F(GameViewTest, EachLightingModeAmbientLevelAndSideDrawsTheLightTablesRow)
{
    const LightCase cases[] = {
        {0, 3, 0.3f, 0.0f, 0.0f, true, -1},                       // fully lit: the texel as it is
        {1, 3, 0.0f, 0.0f, 0.4f, true, 0},                        // not lit: the darkest row
        {1, 3, 0.3f, 0.0f, 0.0f, true, Row(0.3f)},                // ... but not below the ambient light
        {1, 3, 0.0f, 0.5f, 0.0f, true, Row(0.5f)},                // ... with its extra light
        {2, 3, 0.0f, 0.0f, 0.4f, true, Row(kCosine)},             // diffuse: the light on the face
        {2, 3, 0.97f, 0.0f, 0.0f, true, Row(0.97f)},              // the ambient light above it
        {2, 3, 0.0f, 0.5f, 0.0f, true, 63},                       // clamped to 1
        {2, 3, 0.3f, 0.0f, 0.0f, false, Row(0.3f)},               // no light at the camera
        {3, 3, 0.0f, 0.0f, 0.0f, true, Row(kCosine)},             // Gouraud: the light at each corner
        {3, 3, 0.0f, 0.1f, 0.4f, false, Row(0.5f)},               // the corners' own intensity
        {3, 3, 0.6f, 0.0f, 0.0f, false, Row(0.6f)},               // the ambient light
        {3, 1, 0.0f, 0.0f, 0.0f, true, 0},                        // the mesh's lower mode wins
        {2, 3, 0.0f, 0.0f, 0.0f, true, Row(kCosine), true, 0x1},  // double-sided, from behind: its back lit
        {2, 3, 0.0f, 0.0f, 0.0f, true, -2, true, 0x0},            // ... any other face not seen
    };
    for (const LightCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "face lighting " << c.faceLighting << ", mesh " << c.meshLighting
                                        << ", ambient " << c.ambient << ", extra " << c.extra);
        auto model = Model();
        CMesh& mesh = model->geosets[0].meshes[0];
        mesh.lightingMode = c.meshLighting;
        CFace& face = AddQuad(mesh, AddMaterial(*model, "a.mat", {{17, 60, 133, 250}}), 2.0f, 0.5f, c.fromBehind);
        face.type = c.type;
        face.lightingMode = c.faceLighting;
        face.extraLight = c.extra;
        for (VertexRecord& corner : face.corners)
            corner.SetIntensity(c.intensity);
        const auto got = Quarters(Draw(*model, {c.ambient, c.cameraLight, 0.0}), 2.0f);
        for (int q = 0; q < 4; ++q) {
            const uint32_t texel = c.row == -1 ? Palette(kTexels[q]) : Lit(kTexels[q], std::max(c.row, 0));
            EXPECT_EQ(got[q], c.row == -2 ? kBackground : texel) << "quarter " << q;
        }
    }
}

// Faces flagged translucent come after the opaque ones whatever their order, the
// farthest first, each pixel table[source][what is under it].
TEST_F(GameViewTest, TranslucentFacesBlendThroughTheTransparencyTableBackToFront)
{
    std::vector<std::vector<uint8_t>> colormaps = {ColormapFile()};
    // A real colormap, where present: its transparency table gives back the destination.
    if (const auto dir = CorpusDir("cmp"); !dir.empty())
        colormaps.push_back(Slurp(dir / "input.cmp"));
    for (const auto& bytes : colormaps) {
        UseColormap(bytes);
        auto model = Model();
        CMesh& mesh = model->geosets[0].meshes[0];
        const int32_t near = AddMaterial(*model, "near.mat", {{90, 90, 90, 90}});
        const int32_t far = AddMaterial(*model, "far.mat", {{5, 5, 5, 5}});
        const int32_t back = AddMaterial(*model, "back.mat", {{200, 200, 200, 200}});
        AddQuad(mesh, near, 2.0f, 0.5f).type = 0x2;
        AddQuad(mesh, far, 2.5f, 0.5f).type = 0x2;
        AddQuad(mesh, back, 3.0f, 1.0f);
        const RgbaImage image = Draw(*model, {0.0f, false, 0.0});
        const auto& blend = cmp_.transparencyTable;  // [source][destination]
        EXPECT_EQ(ColorAt(image, {0, 0, 2.0f}), Palette(blend[90 * 256 + blend[5 * 256 + 200]]));
        EXPECT_EQ(ColorAt(image, {0.8f, 0.8f, 3.0f}), Palette(200)) << "the opaque face around them";
    }
}

// 0 not drawn, 1 the corners as points, 2 the edges, 3 solid in the material's colour
// (all through the light table like texels), 4 textured.
TEST_F(GameViewTest, GeometryModesDrawNothingPointsEdgesOrTheSolidColour)
{
    struct Case {
        int32_t geometry;
        int minPixels, maxPixels;
        bool centre;
    };
    const Case cases[] = {{0, 0, 0, false}, {1, 1, 4, false}, {2, 40, 400, false}, {3, 900, 5000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.geometry);
        auto model = Model();
        CFace& face = AddQuad(model->geosets[0].meshes[0], AddMaterial(*model, "a.mat", {{17, 60, 133, 250}}), 2.0f);
        face.geometryMode = c.geometry;
        face.lightingMode = 1;
        const RgbaImage image = Draw(*model, {0.3f, true, 0.0});
        const uint32_t solid = Lit(150, Row(0.3f));
        const int n = CountColor(image, solid);
        EXPECT_GE(n, c.minPixels);
        EXPECT_LE(n, c.maxPixels);
        EXPECT_EQ(ColorAt(image, {0, 0, 2.0f}), c.centre ? solid : kBackground);
        EXPECT_EQ(CountColor(image, kBackground) + n, image.width * image.height) << "another colour drawn";
    }
}

// A transparent material's colour 0 leaves what is behind; a material of several cels
// shows them in turn.
TEST_F(GameViewTest, ColourZeroOfATransparentMaterialIsNotDrawnAndCelsTurn)
{
    auto model = Model();
    CMesh& mesh = model->geosets[0].meshes[0];
    AddQuad(mesh, AddMaterial(*model, "front.mat", {{0, 60, 0, 250}, {0, 61, 0, 251}}, true), 2.0f);
    AddQuad(mesh, AddMaterial(*model, "back.mat", {{9, 9, 9, 9}}), 3.0f, 1.0f);
    EXPECT_EQ(Quarters(Draw(*model, {0.0f, true, 0.0}), 2.0f),
              (std::array{Palette(9), Palette(60), Palette(9), Palette(250)}));
    EXPECT_EQ(Quarters(Draw(*model, {0.0f, true, 1.0 / kGameCelsPerSecond * 1.5}), 2.0f),
              (std::array{Palette(9), Palette(61), Palette(9), Palette(251)}));
}

}  // namespace
