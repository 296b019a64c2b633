#include "edit/texture_layout.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "model/model.h"
#include "resources/material.h"

using namespace orv;

namespace {

using Rgb = std::array<uint8_t, 3>;

// 4 × 4 texels, texel (x, y) of palette index y * 4 + x, each index a colour of its own.
MaterialImage Checker()
{
    MaterialImage image;
    image.width = image.height = 4;
    image.stride = 4;
    image.celCount = 1;
    for (int i = 0; i < 16; ++i) {
        image.pixels.push_back(static_cast<uint8_t>(i));
        image.palette[static_cast<std::size_t>(i * 4 + 2)] = static_cast<uint8_t>(i * 10);  // red
        image.palette[static_cast<std::size_t>(i * 4 + 1)] = 100;                           // green
        image.palette[static_cast<std::size_t>(i * 4)] = static_cast<uint8_t>(200 - i);     // blue
    }
    return image;
}

Rgb IndexColour(int i) { return {static_cast<uint8_t>(i * 10), 100, static_cast<uint8_t>(200 - i)}; }
Rgb Dimmed(Rgb c)
{
    for (uint8_t& k : c)
        k = static_cast<uint8_t>((k + 64) / 2);
    return c;
}

CFace& AddFace(CMesh& mesh, int material, std::initializer_list<std::pair<float, float>> uvs)
{
    CFace f;
    f.material = material;
    for (auto [u, v] : uvs) {
        VertexRecord c;
        c.u = u;
        c.v = v;
        f.corners.push_back(c);
    }
    mesh.faces.push_back(std::move(f));
    return mesh.faces.back();
}

Rgb At(const LayoutPicture& p, int x, int y)
{
    const uint8_t* q = &p.rgba[(static_cast<std::size_t>(y) * p.width + x) * 4];
    return {q[0], q[1], q[2]};
}

constexpr Rgb kYellow{255, 230, 0};
constexpr Rgb kBlue{80, 160, 255};
constexpr Rgb kBackground{64, 64, 64};

}  // namespace

// 45 pixels a texel after a margin of 10; a face of another material is not drawn.
TEST(TextureLayout, TheFaceAndItsMaterialsOtherFacesOverTheImage)
{
    CMesh mesh;
    AddFace(mesh, 0, {{0.5f, 0.5f}, {3.5f, 0.5f}, {0.5f, 3.5f}});
    AddFace(mesh, 0, {{3.5f, 3.5f}, {3.5f, 1.5f}, {1.5f, 3.5f}});
    AddFace(mesh, 1, {{2.5f, 0.2f}, {2.5f, 3.8f}, {2.6f, 3.8f}});
    const auto p = DrawTextureLayout(mesh, 0, Checker(), 200, 200);
    ASSERT_TRUE(p) << p.error();
    ASSERT_EQ(p->rgba.size(), std::size_t(200 * 200 * 4));
    EXPECT_EQ(At(*p, 64, 109), IndexColour(9)) << "texel (1, 2)";
    EXPECT_EQ(At(*p, 100, 32), kYellow) << "the face's top edge";
    EXPECT_EQ(At(*p, 32, 32), kYellow) << "its corner mark";
    EXPECT_EQ(At(*p, 167, 122), kBlue) << "the other face's right edge";
    EXPECT_EQ(At(*p, 109, 64), IndexColour(6)) << "a face of another material is not drawn";
    EXPECT_EQ(p->rgba[3], 255);

    // Choosing the other face swaps the colours.
    const auto other = DrawTextureLayout(mesh, 1, Checker(), 200, 200);
    ASSERT_TRUE(other);
    EXPECT_EQ(At(*other, 167, 122), kYellow);
    EXPECT_EQ(At(*other, 100, 32), kBlue);
}

// 8 × 4 texels in 180 × 180 leave bands of background above and below.
TEST(TextureLayout, RepeatsAreDimmedAndFarCornersDoNotShrinkTheImageAway)
{
    CMesh mesh;
    AddFace(mesh, 0, {{-2.0f, 1.0f}, {3.0f, 1.0f}, {3.0f, 3.0f}});
    const auto p = DrawTextureLayout(mesh, 0, Checker(), 200, 200);
    ASSERT_TRUE(p);
    EXPECT_EQ(At(*p, 100, 10), kBackground);
    EXPECT_EQ(At(*p, 129, 118), IndexColour(9)) << "texel (1, 2) of the image itself";
    EXPECT_EQ(At(*p, 39, 118), Dimmed(IndexColour(9))) << "texel (1, 2) of the repeat to its left";

    // A corner a billion texels away and one that is no number: the image keeps a size
    // worth seeing (at most four repeats on each side), and nothing is drawn for NaN.
    CMesh far;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    AddFace(far, 0, {{0.5f, 0.5f}, {1e9f, 0.5f}, {nan, 2.0f}});
    const auto q = DrawTextureLayout(far, 0, Checker(), 200, 200);
    ASSERT_TRUE(q);
    // Five images across (the image and four repeats): 9 pixels a texel, 36 high, from
    // row 82. The face's top edge runs along the whole picture, at v 0.5.
    EXPECT_EQ(At(*q, 23, 95), IndexColour(5)) << "texel (1, 1)";
    EXPECT_EQ(At(*q, 150, 86), kYellow);
    EXPECT_EQ(At(*q, 199, 86), kYellow);
}

TEST(TextureLayout, RefusesWhatItCannotDraw)
{
    CMesh mesh;
    AddFace(mesh, 0, {{0, 0}, {1, 0}, {1, 1}});
    EXPECT_FALSE(DrawTextureLayout(mesh, 1, Checker(), 100, 100));
    EXPECT_FALSE(DrawTextureLayout(mesh, -1, Checker(), 100, 100));
    EXPECT_FALSE(DrawTextureLayout(mesh, 0, MaterialImage{}, 100, 100));
    MaterialImage cut = Checker();
    cut.pixels.resize(10);
    EXPECT_FALSE(DrawTextureLayout(mesh, 0, cut, 100, 100));

    // A true-colour material is drawn from its own colours.
    MaterialImage rgba;
    rgba.width = rgba.height = 2;
    rgba.celCount = 1;
    rgba.rgba = {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 255};
    const auto p = DrawTextureLayout(mesh, 0, rgba, 100, 100);
    ASSERT_TRUE(p);
    EXPECT_EQ(At(*p, 75, 75), Rgb({10, 11, 12}));
}
