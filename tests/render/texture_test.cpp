#include <algorithm>
#include <map>
#include <set>

#include "render/render_test_util.h"
#include "render/renderer.h"
#include "render/texture_cache.h"

using namespace orv;
using namespace orvtest;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;

using TextureTest = GlTest;

TEST_F(TextureTest, CacheIsLowerCaseAndAsksOncePerPair)
{
    std::map<std::pair<std::string, std::string>, int> asked;
    TextureCache& cache = scene_->Textures();
    scene_->SetMaterialResolver([&](const std::string& m, const std::string& c) -> std::optional<TextureImage> {
        ++asked[{m, c}];
        if (m == "missing.mat")
            return std::nullopt;
        return SolidCels(4, 2, {0x102030});
    });
    const TextureRecord* a = cache.GetTexture("Wall.MAT", "01REDMAP.cmp");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(std::tuple(a->material, a->width, a->height), std::tuple(std::string("wall.mat"), 4, 2));
    EXPECT_EQ(cache.GetTexture("wall.mat", "01redmap.cmp"), a);
    EXPECT_NE(cache.GetTexture("wall.mat", "other.cmp"), a);
    for (const char* none : {"missing.mat", "MISSING.mat"})  // a miss is remembered too
        EXPECT_EQ(cache.GetTexture(none, "01redmap.cmp"), nullptr) << none;
    EXPECT_EQ(asked.size(), 3u);
    for (const auto& [key, n] : asked)
        EXPECT_EQ(n, 1) << key.first << " " << key.second;
}

// Faces show their texture's colours modulated by white; the texture's row 0 is the top
// of the picture (v = 0). A transparent material leaves its colour 0 undrawn.
TEST_F(TextureTest, TexturedFaceShowsItsTextureRowZeroOnTop)
{
    ASSERT_TRUE(MakeDevice(64, 64));
    auto model = MakeModel(1);
    model->materials = {"Stripes.mat", "Clear.mat"};
    // Each channel all or nothing, so that 16-bit texels read back exactly.
    const uint32_t top = 0xFF0000, bottom = 0x00FFFF;
    scene_->SetMaterialResolver([&](const std::string& m, const std::string&) -> std::optional<TextureImage> {
        if (m != "stripes.mat" && m != "clear.mat")
            return std::nullopt;
        TextureImage image = SolidCels(4, 2, {top, bottom});
        image.cels = 1;
        image.pixels = {0, 0, 0, 0, 1, 1, 1, 1};  // row 1 uses colour 1
        image.transparent = m == "clear.mat";
        return image;
    });
    // Texels: the face's top edge at v = 0, its bottom edge at v = 2 (the height).
    AddFace(model->geosets[0].meshes[0], FacingSquare(0, 0, 1.0f, 2.0f), 0, {{0, 2}, {4, 2}, {4, 0}, {0, 0}});
    scene_->PrepareScene(*model);
    const CFace& face = model->geosets[0].meshes[0].faces[0];
    const auto texture = scene_->TextureOfFace(*model, face);
    EXPECT_EQ(std::pair(texture.width, texture.height), std::pair(4, 2));

    const RgbaImage image = Render(*model);
    EXPECT_EQ(ColorAt(image, {0, 0.5f, 2.0f}), 0xFF000000u | top);
    EXPECT_EQ(ColorAt(image, {0, -0.5f, 2.0f}), 0xFF000000u | bottom);

    model->geosets[0].meshes[0].faces[0].material = 1;
    scene_->PrepareScene(*model);
    const RgbaImage clear = Render(*model);
    EXPECT_EQ(ColorAt(clear, {0, 0.5f, 2.0f}), clear.At(0, 0));  // the background
    EXPECT_EQ(ColorAt(clear, {0, -0.5f, 2.0f}), 0xFF000000u | bottom);
}

// The colour each face shows. No picture, a damaged picture, a picture too wide for the
// driver, a material index beyond the list, or no material at all: white, no texture.
// Several cels: the last one.
TEST_F(TextureTest, FacesShowTheirPictureOrWhite)
{
    ASSERT_TRUE(MakeDevice(64, 64));
    GLint maxSize = 0;
    device_->Api().GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    auto model = MakeModel(1);
    model->materials = {"missing.mat", "damaged.mat", "huge.mat", "good.mat", "anim.mat"};
    scene_->SetMaterialResolver([maxSize](const std::string& m, const std::string&) -> std::optional<TextureImage> {
        if (m == "damaged.mat") {
            TextureImage bad = SolidCels(8, 8, {0xFF0000, 0xFF0000});
            bad.pixels.resize(100);  // fewer pixels than two cels need
            return bad;
        }
        if (m == "huge.mat")
            return SolidCels(maxSize + 1, 1, {0xFF0000});
        if (m == "good.mat")
            return SolidCels(2, 2, {0x00FF00});
        if (m == "anim.mat")
            return SolidCels(2, 2, {0xFF0000, 0x00FF00, 0x0000FF});
        return std::nullopt;
    });
    const struct {
        int32_t material;
        uint32_t colour;
        int32_t width;  // of the texture the face takes
    } faces[] = {{0, kWhite, 1},  {1, kWhite, 1},      {2, kWhite, maxSize + 1}, {9, kWhite, 1},
                 {-1, kWhite, 1}, {3, 0xFF00FF00u, 2}, {4, 0xFF0000FFu, 2}};
    CMesh& mesh = model->geosets[0].meshes[0];
    for (int i = 0; i < 7; ++i)
        AddFace(mesh, FacingSquare(-0.9f + 0.3f * static_cast<float>(i), 0, 0.1f, 2.0f), faces[i].material,
                {{0, 0}, {2, 0}, {2, 2}, {0, 2}});
    scene_->PrepareScene(*model);
    const RgbaImage image = Render(*model);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(ColorAt(image, {-0.9f + 0.3f * static_cast<float>(i), 0, 2.0f}), faces[i].colour) << i;
        const auto texture = scene_->TextureOfFace(*model, mesh.faces[static_cast<std::size_t>(i)]);
        EXPECT_EQ(texture.handle != 0, faces[i].colour != kWhite) << i;
        EXPECT_EQ(texture.width, faces[i].width) << i;
    }
    EXPECT_EQ(device_->Api().GetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// "Nearest" keeps the texels' own colours; "Linear" blends neighbours.
TEST_F(TextureTest, TextureMappingChoosesTheFilter)
{
    auto model = MakeModel(1);
    model->materials = {"two.mat"};
    scene_->SetMaterialResolver([](const std::string&, const std::string&) {
        TextureImage image = SolidCels(2, 1, {0xFF0000, 0x0000FF});
        image.cels = 1;
        image.pixels = {0, 1};
        return std::optional(image);
    });
    AddFace(model->geosets[0].meshes[0], FacingSquare(0, 0, 1.0f, 2.0f), 0, {{0, 1}, {2, 1}, {2, 0}, {0, 0}});
    auto distinctColours = [&](int32_t mapping) {
        settings_.textureMapping = mapping;
        EXPECT_TRUE(MakeDevice(64, 64));
        scene_->PrepareScene(*model);
        const RgbaImage image = Render(*model);
        const auto [x0, y] = PixelOf({-0.9f, 0, 2.0f});
        const int32_t x1 = PixelOf({0.9f, 0, 2.0f}).first;
        std::set<uint32_t> seen;
        for (int32_t x = x0; x <= x1; ++x)
            seen.insert(image.At(x, y));
        return seen.size();
    };
    EXPECT_EQ(distinctColours(1), 2u);
    EXPECT_GT(distinctColours(0), 4u);
}

// A material still holding the handle of a texture from before the cache was rebuilt
// draws white, never with whatever texture took that texture's place; without a
// resolver no face has a texture.
TEST_F(TextureTest, StaleHandlesDrawUntextured)
{
    ASSERT_TRUE(MakeDevice(32, 32));
    auto model = MakeModel(1);
    model->materials = {"red.mat", "blue.mat"};
    scene_->SetMaterialResolver([](const std::string& m, const std::string&) {
        return std::optional(SolidCels(2, 2, {m == "red.mat" ? 0xFF0000u : 0x0000FFu}));
    });
    CMesh& mesh = model->geosets[0].meshes[0];
    AddFace(mesh, FacingSquare(0, 0, 1, 2), 0, {{0, 0}, {2, 0}, {2, 2}, {0, 2}});
    scene_->PrepareScene(*model);
    ASSERT_NE(scene_->TextureOfFace(*model, mesh.faces[0]).handle, 0u);
    scene_->Textures().Clear();
    ASSERT_NE(scene_->GetTexture("blue.mat", settings_.colorMap), nullptr);
    scene_->ModelChanged();
    EXPECT_EQ(Render(*model).At(16, 16), kWhite);

    // AssignFaceTextures draws it with the current texture of its new material.
    mesh.faces[0].material = 1;
    scene_->AssignFaceTextures(*model, mesh);
    EXPECT_EQ(Render(*model).At(16, 16), 0xFF0000FFu);

    // Without a resolver no face has a texture, and the old ones are gone.
    const uint32_t handle = scene_->TextureOfFace(*model, mesh.faces[0]).handle;
    scene_->SetMaterialResolver({});
    scene_->PrepareScene(*model);
    const auto none = scene_->TextureOfFace(*model, mesh.faces[0]);
    EXPECT_EQ(std::tuple(none.handle, none.width, none.height), std::tuple(0u, 1, 1));
    EXPECT_EQ(scene_->Textures().Find(handle), nullptr);
}

}  // namespace
