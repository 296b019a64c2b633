#include <algorithm>
#include <map>

#include "render/gl/texture_cache.h"
#include "render/render_test_util.h"

using namespace orv;
using namespace orvtest;

namespace {

TEST(TextureCels, OneCelShowsItsOnlyCelSeveralShowTheLast)
{
    EXPECT_EQ(InitialCel(1), 0);
    EXPECT_EQ(InitialCel(2), 1);
    EXPECT_EQ(InitialCel(5), 4);
    EXPECT_EQ(InitialCel(0), -1);
    EXPECT_EQ(InitialCel(-3), -1);
}

TEST(TextureCels, ConvertTo565FromTheRightCel)
{
    TextureImage image = SolidCels(3, 2, {0x000000, 0xC86432});
    image.pixels[6 + 4] = 0;  // one pixel of cel 1 uses colour 0
    const auto texels = ConvertCelTo565(image, 1);
    ASSERT_EQ(texels.size(), 6u);
    const uint16_t expected = static_cast<uint16_t>(((0xC8 >> 3) << 11) | ((0x64 >> 2) << 5) | (0x32 >> 3));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(texels[static_cast<std::size_t>(i)], i == 4 ? 0 : expected) << i;
    EXPECT_TRUE(ConvertCelTo565(image, 2).empty());
    EXPECT_TRUE(ConvertCelTo565(image, -1).empty());
    image.pixels.resize(11);  // cel 1 is one pixel short
    EXPECT_TRUE(ConvertCelTo565(image, 1).empty());
    EXPECT_TRUE(ConvertCelTo565(image, 0).empty());
}

using TextureTest = GlTest;

TEST_F(TextureTest, CacheIsSortedLowerCaseAndAsksOncePerPair)
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
    EXPECT_EQ(a->material, "wall.mat");
    EXPECT_EQ(a->colormap, "01redmap.cmp");
    EXPECT_EQ(a->width, 4);
    EXPECT_EQ(a->height, 2);
    EXPECT_NE(a->texture, 0u);
    EXPECT_EQ(cache.GetTexture("wall.mat", "01redmap.cmp"), a);
    EXPECT_NE(cache.GetTexture("wall.mat", "other.cmp"), a);
    EXPECT_NE(cache.GetTexture("abc.mat", "01redmap.cmp"), nullptr);
    EXPECT_EQ(cache.GetTexture("missing.mat", "01redmap.cmp"), nullptr);
    EXPECT_EQ(cache.GetTexture("MISSING.mat", "01redmap.cmp"), nullptr);
    EXPECT_EQ(cache.GetTexture("", "01redmap.cmp"), nullptr);
    EXPECT_EQ(asked.size(), 4u);
    for (const auto& [key, n] : asked)
        EXPECT_EQ(n, 1) << key.first << " " << key.second;

    const auto& records = cache.Records();
    EXPECT_TRUE(std::is_sorted(records.begin(), records.end(), [](const auto& x, const auto& y) {
        return std::tie(x->material, x->colormap) < std::tie(y->material, y->colormap);
    }));
    const uint32_t handle = a->handle;
    EXPECT_EQ(cache.Find(handle), a);
    cache.Clear();
    EXPECT_EQ(cache.Find(handle), nullptr);
    const TextureRecord* again = cache.GetTexture("wall.mat", "01redmap.cmp");
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again->handle, handle);
}

// Faces show their texture's colours modulated by white; the texture's row 0 is the
// top of the picture (v = 0).
TEST_F(TextureTest, TexturedFaceShowsItsTextureRowZeroOnTop)
{
    ASSERT_TRUE(MakeDevice(64, 64));
    auto model = MakeModel(1);
    model->materials = {"Stripes.mat"};
    const uint32_t top = 0xC86432, bottom = 0x00FFFF;
    scene_->SetMaterialResolver([&](const std::string& m, const std::string&) -> std::optional<TextureImage> {
        if (m != "stripes.mat")
            return std::nullopt;
        TextureImage image = SolidCels(4, 2, {top, bottom});
        image.cels = 1;
        image.pixels.resize(8);
        std::fill(image.pixels.begin() + 4, image.pixels.end(), 1);  // row 1 uses colour 1
        return image;
    });
    scene_->SetCornerBuilder(TestCornerBuilder());
    // Texels: the face's top edge at v = 0, its bottom edge at v = 2 (the height).
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 1.0f, 2.0f), 0, {{0, 2}, {4, 2}, {4, 0}, {0, 0}});
    scene_->PrepareScene(*model);
    const CFace& face = *model->geosets[0]->meshes[0]->faces[0];
    EXPECT_NE(face.texture, 0u);
    EXPECT_EQ(face.textureWidth, 4);
    EXPECT_EQ(face.textureHeight, 2);
    EXPECT_FLOAT_EQ(face.corners[0].v, 0.0f);  // corners run backwards: top left first

    const RgbaImage image = Render(*model);
    const auto [x0, y0] = PixelOf({-1.0f, 1.0f, 2.0f});
    const auto [x1, y1] = PixelOf({1.0f, -1.0f, 2.0f});
    const int32_t cx = (x0 + x1) / 2;
    EXPECT_TRUE(Near(image.At(cx, y0 + (y1 - y0) / 4), Through565(top), 1));
    EXPECT_TRUE(Near(image.At(cx, y0 + 3 * (y1 - y0) / 4), Through565(bottom), 1));
}

TEST_F(TextureTest, SeveralCelsShowTheLast)
{
    ASSERT_TRUE(MakeDevice(32, 32));
    auto model = MakeModel(1);
    model->materials = {"anim.mat", "still.mat"};
    scene_->SetMaterialResolver([](const std::string& m, const std::string&) -> std::optional<TextureImage> {
        if (m == "anim.mat")
            return SolidCels(2, 2, {0xFF0000, 0x00FF00, 0x0000FF});
        return SolidCels(2, 2, {0xFFFF00});
    });
    CMesh& mesh = *model->geosets[0]->meshes[0];
    AddFace(mesh, FacingSquare(-0.5f, 0, 0.4f, 2.0f), 0, {{0, 0}, {2, 0}, {2, 2}, {0, 2}}, 2, 2);
    AddFace(mesh, FacingSquare(0.5f, 0, 0.4f, 2.0f), 1, {{0, 0}, {2, 0}, {2, 2}, {0, 2}}, 2, 2);
    scene_->PrepareScene(*model);
    const RgbaImage image = Render(*model);
    const auto [lx, ly] = PixelOf({-0.5f, 0, 2.0f});
    const auto [rx, ry] = PixelOf({0.5f, 0, 2.0f});
    EXPECT_EQ(image.At(lx, ly), 0xFF0000FFu);
    EXPECT_EQ(image.At(rx, ry), 0xFFFFFF00u);
}

// No picture, a damaged picture, a material index beyond the list, or no material at
// all: the face is drawn white and carries no texture.
TEST_F(TextureTest, FacesWithoutAPictureAreWhite)
{
    settings_.colorBackground = 0;
    ASSERT_TRUE(MakeDevice(64, 64));
    auto model = MakeModel(1);
    model->materials = {"missing.mat", "damaged.mat", "good.mat"};
    scene_->SetMaterialResolver([](const std::string& m, const std::string&) -> std::optional<TextureImage> {
        if (m == "damaged.mat") {
            TextureImage bad = SolidCels(8, 8, {0xFF0000, 0xFF0000});
            bad.pixels.resize(100);  // fewer pixels than two cels need
            return bad;
        }
        if (m == "good.mat")
            return SolidCels(2, 2, {0x00FF00});
        return std::nullopt;
    });
    scene_->SetCornerBuilder(TestCornerBuilder());
    CMesh& mesh = *model->geosets[0]->meshes[0];
    const float xs[] = {-0.75f, -0.25f, 0.25f, 0.75f};
    const int32_t materials[] = {0, 1, 9, -1};
    for (int i = 0; i < 4; ++i)
        AddFace(mesh, FacingSquare(xs[i], 0, 0.2f, 2.0f), materials[i]);
    AddFace(mesh, FacingSquare(0, 0.6f, 0.2f, 2.0f), 2);
    // A picture wider than the driver's textures can be: known size, no texture.
    GLint maxSize = 0;
    device_->Api().GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    model->materials.push_back("huge.mat");
    scene_->SetMaterialResolver([maxSize](const std::string& m, const std::string&) -> std::optional<TextureImage> {
        if (m == "damaged.mat") {
            TextureImage bad = SolidCels(8, 8, {0xFF0000, 0xFF0000});
            bad.pixels.resize(100);  // fewer pixels than two cels need
            return bad;
        }
        if (m == "good.mat")
            return SolidCels(2, 2, {0x00FF00});
        if (m == "huge.mat")
            return SolidCels(maxSize + 1, 1, {0xFF0000});
        return std::nullopt;
    });
    AddFace(mesh, FacingSquare(0, -0.6f, 0.2f, 2.0f), 3);
    scene_->PrepareScene(*model);
    const RgbaImage image = Render(*model);
    EXPECT_EQ(mesh.faces[5]->texture, 0u);
    EXPECT_EQ(mesh.faces[5]->textureWidth, maxSize + 1);
    const auto [hx, hy] = PixelOf({0, -0.6f, 2.0f});
    EXPECT_EQ(image.At(hx, hy), 0xFFFFFFFFu);
    EXPECT_EQ(device_->Api().GetError(), static_cast<GLenum>(GL_NO_ERROR));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mesh.faces[static_cast<std::size_t>(i)]->texture, 0u) << i;
        EXPECT_EQ(mesh.faces[static_cast<std::size_t>(i)]->textureWidth, 1) << i;
        const auto [x, y] = PixelOf({xs[i], 0, 2.0f});
        EXPECT_EQ(image.At(x, y), 0xFFFFFFFFu) << i;
    }
    const auto [gx, gy] = PixelOf({0, 0.6f, 2.0f});
    EXPECT_EQ(image.At(gx, gy), 0xFF00FF00u);
}

// "Nearest" keeps the texels' own colours; "Linear" blends neighbours.
TEST_F(TextureTest, TextureMappingChoosesTheFilter)
{
    auto model = MakeModel(1);
    model->materials = {"two.mat"};
    scene_->SetMaterialResolver([](const std::string&, const std::string&) -> std::optional<TextureImage> {
        TextureImage image = SolidCels(2, 1, {0xFF0000, 0x0000FF});
        image.cels = 1;
        image.pixels = {0, 1};
        return image;
    });
    AddFace(*model->geosets[0]->meshes[0], FacingSquare(0, 0, 1.0f, 2.0f), 0, {{0, 1}, {2, 1}, {2, 0}, {0, 0}}, 2, 1);
    auto distinctColours = [&](int32_t mapping) {
        settings_.textureMapping = mapping;
        EXPECT_TRUE(MakeDevice(64, 64));
        scene_->PrepareScene(*model);
        const RgbaImage image = Render(*model);
        const auto [x0, y] = PixelOf({-0.9f, 0, 2.0f});
        const auto [x1, unused] = PixelOf({0.9f, 0, 2.0f});
        std::vector<uint32_t> seen;
        for (int32_t x = x0; x <= x1; ++x)
            if (std::find(seen.begin(), seen.end(), image.At(x, y)) == seen.end())
                seen.push_back(image.At(x, y));
        return seen;
    };
    const auto nearest = distinctColours(1);
    EXPECT_EQ(nearest.size(), 2u);
    const auto linear = distinctColours(0);
    EXPECT_GT(linear.size(), 4u);
}

TEST_F(TextureTest, WithoutResourcesFacesKeepCornersAndLoseTextures)
{
    auto model = MakeModel(1);
    model->materials = {"a.mat"};
    scene_->SetMaterialResolver([](const std::string& m, const std::string&) -> std::optional<TextureImage> {
        if (m != "a.mat")
            return std::nullopt;
        return SolidCels(8, 4, {0x00FF00});
    });
    int built = 0;
    scene_->SetCornerBuilder([&](CModel& m, const TextureSizeLookup& size) {
        ++built;
        const auto s = size("A.MAT");
        ASSERT_TRUE(s.has_value());
        EXPECT_EQ(s->first, 8);
        EXPECT_EQ(s->second, 4);
        EXPECT_FALSE(size("nothing.mat").has_value());
        TestCornerBuilder()(m, size);
    });
    CMesh& mesh = *model->geosets[0]->meshes[0];
    AddFace(mesh, FacingSquare(0, 0, 1, 2), 0, {{8, 4}, {0, 4}, {0, 0}, {8, 0}});
    scene_->PrepareScene(*model);
    EXPECT_EQ(built, 1);
    const uint32_t oldHandle = mesh.faces[0]->texture;
    ASSERT_NE(oldHandle, 0u);
    const auto corners = mesh.faces[0]->corners;
    EXPECT_FLOAT_EQ(corners[3].u, 1.0f);  // 8 texels of 8

    scene_->SetMaterialResolver({});
    scene_->PrepareScene(*model);
    EXPECT_EQ(built, 1);
    EXPECT_EQ(mesh.faces[0]->texture, 0u);
    EXPECT_EQ(scene_->Textures().Find(oldHandle), nullptr);
    ASSERT_EQ(mesh.faces[0]->corners.size(), corners.size());
    for (std::size_t i = 0; i < corners.size(); ++i)
        EXPECT_EQ(mesh.faces[0]->corners[i].u, corners[i].u);
}

// A face still holding the handle of a texture from before the cache was rebuilt is
// drawn white, never with whatever texture took that texture's place.
TEST_F(TextureTest, StaleHandlesDrawUntextured)
{
    ASSERT_TRUE(MakeDevice(32, 32));
    auto model = MakeModel(1);
    model->materials = {"red.mat", "blue.mat"};
    scene_->SetMaterialResolver([](const std::string& m, const std::string&) -> std::optional<TextureImage> {
        return SolidCels(2, 2, {m == "red.mat" ? 0xFF0000u : 0x0000FFu});
    });
    CMesh& mesh = *model->geosets[0]->meshes[0];
    AddFace(mesh, FacingSquare(0, 0, 1, 2), 0, {{0, 0}, {2, 0}, {2, 2}, {0, 2}}, 2, 2);
    scene_->PrepareScene(*model);
    const uint32_t stale = mesh.faces[0]->texture;
    scene_->Textures().Clear();
    ASSERT_NE(scene_->GetTexture("blue.mat", settings_.colorMap), nullptr);
    mesh.faces[0]->texture = stale;
    scene_->ModelChanged();
    EXPECT_EQ(Render(*model).At(16, 16), 0xFFFFFFFFu);

    // AssignFaceTextures gives it the current texture of its material again.
    mesh.faces[0]->material = 1;
    scene_->AssignFaceTextures(*model, mesh);
    EXPECT_EQ(Render(*model).At(16, 16), 0xFF0000FFu);
}

}  // namespace
