#include <gtest/gtest.h>

#include "resources/bitmap.h"
#include "resources/catalog.h"
#include "resources/material.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;
namespace fs = std::filesystem;

namespace {

// Level 0 of texture t of the texture MATs (named for their textures) holds 0x10 + t,
// the smaller levels 0xEE.
std::vector<uint8_t> Mat(const char* name) { return Slurp(Fixture("mat", name)); }

Palette Greys()
{
    Palette p{};
    for (int i = 0; i < 256; ++i)
        p[i * 3] = p[i * 3 + 1] = p[i * 3 + 2] = static_cast<uint8_t>(i);
    return p;
}

}  // namespace

TEST(Material, ColourMaterialFillsA256SquareWithTheLastRecordsIndex)
{
    const auto mat = MakeColorMat(26);
    EXPECT_EQ(mat, Mat("colour.mat"));
    MaterialImage img;
    ASSERT_TRUE(Into(ConvertMat(mat, Greys()), img));
    EXPECT_EQ(std::tie(img.width, img.height, img.celCount), std::make_tuple(256, 256, 1));
    EXPECT_EQ(img.pixels, std::vector<uint8_t>(65536, 26));
    const auto size = MaterialTextureSize(mat);
    ASSERT_TRUE(size);
    EXPECT_EQ(std::tie(size->width, size->height), std::make_tuple(256, 256));

    // Two records: the last one counts.
    auto two = mat;
    two[12] = 2;
    two.insert(two.end(), mat.end() - 24, mat.end());
    two[two.size() - 20] = 40;
    ASSERT_TRUE(Into(ConvertMat(two, Greys()), img));
    EXPECT_EQ(img.pixels[1234], 40);
}

TEST(Material, CelsFollowEachOtherAndSmallerLevelsAreSkipped)
{
    MaterialImage img;
    ASSERT_TRUE(Into(ConvertMat(Mat("textures_3_of_32x32.mat"), Greys()), img));
    EXPECT_EQ(std::tie(img.width, img.height, img.stride, img.celCount), std::make_tuple(32, 32, 32, 3));
    ASSERT_EQ(img.pixels.size(), 3072u);
    EXPECT_EQ(std::tie(img.Cel(0)[0], img.Cel(1)[1023], img.Cel(2)[0]), std::make_tuple(0x10, 0x11, 0x12));

    // Four levels per texture: the second texture head lies behind all of the first's.
    ASSERT_TRUE(Into(ConvertMat(Mat("textures_2_of_8x6_four_levels.mat"), Greys()), img));
    EXPECT_EQ(std::tie(img.stride, img.celCount), std::make_tuple(8, 2));
    ASSERT_EQ(img.pixels.size(), 96u);
    EXPECT_TRUE(std::all_of(img.pixels.begin() + 48, img.pixels.end(), [](uint8_t p) { return p == 0x11; }));

    // The first cel only, with rows padded to four; a texture type other than 2 or 3 holds
    // no picture.
    ASSERT_TRUE(Into(ConvertMatFirstCel(Mat("type3_textures_3_of_5x3.mat"), Greys()), img));
    EXPECT_EQ(std::tie(img.stride, img.celCount), std::make_tuple(8, 1));
    EXPECT_EQ(img.pixels, std::vector<uint8_t>(15, 0x10));
    EXPECT_FALSE(ConvertMatFirstCel(Mat("type7_texture_4x4.mat"), Greys()));
    EXPECT_TRUE(ConvertMat(Mat("type7_texture_4x4.mat"), Greys()));
}

TEST(Material, SixteenBitLayoutsGiveTheirColoursWithoutAColormap)
{
    using Texels = std::vector<std::array<uint8_t, 4>>;
    const Texels primaries565 = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};
    for (const auto& [file, expected] : {
             std::pair{"rgb565_primaries.mat", primaries565},
             // Heads that leave the channels at 0 mean 5-6-5.
             std::pair{"rgb565_format_fields_zero.mat", primaries565},
             std::pair{"argb1555_primaries.mat",
                       Texels{{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {0, 0, 0, 0}}},
             std::pair{"argb4444_primaries.mat",
                       Texels{{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 136}, {255, 255, 255, 0}}},
         }) {
        SCOPED_TRACE(file);
        const auto bytes = Mat(file);
        EXPECT_FALSE(MatNeedsColormap(bytes));
        MaterialImage img;
        ASSERT_TRUE(Into(ConvertMat(bytes, nullptr), img));
        EXPECT_EQ(std::tie(img.width, img.height, img.celCount), std::make_tuple(2, 2, 1));
        EXPECT_TRUE(img.pixels.empty());
        ASSERT_EQ(img.rgba.size(), 16u);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_TRUE(std::equal(expected[i].begin(), expected[i].end(), img.rgba.begin() + 4 * i)) << "texel " << i;
    }

    // Smaller levels and further cels are skipped two bytes a texel: cel 1 is all blue.
    MaterialImage two;
    ASSERT_TRUE(Into(ConvertMat(Mat("rgb565_two_cels_two_levels.mat"), nullptr), two));
    EXPECT_EQ(std::tie(two.width, two.height, two.celCount), std::make_tuple(4, 2, 2));
    ASSERT_EQ(two.rgba.size(), 64u);
    for (std::size_t i = 8; i < 16; ++i)
        EXPECT_EQ((std::array{two.rgba[4 * i], two.rgba[4 * i + 1], two.rgba[4 * i + 2]}),
                  (std::array<uint8_t, 3>{0, 0, 255}));

    // As a 24-bit bitmap: the bottom row first (blue, white), blue-green-red each.
    MaterialImage img;
    ASSERT_TRUE(Into(ConvertMatFirstCel(Mat("rgb565_primaries.mat"), nullptr), img));
    const auto bmp = WriteBmp(img);
    ASSERT_EQ(bmp.size(), 54u + 2 * 8);
    EXPECT_EQ(Word(bmp, 10), 54u);
    EXPECT_EQ(bmp[28], 24);
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 54, bmp.begin() + 60),
              (std::vector<uint8_t>{255, 0, 0, 255, 255, 255}));
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 62, bmp.begin() + 68), (std::vector<uint8_t>{0, 0, 255, 0, 255, 0}));
}

TEST(Material, DamagedAndUnreadableMaterialsAreRefused)
{
    // Cut inside the last texel: not a MAT any more, 8 or 16 bits alike.
    for (const char* bad : {"last_texel_missing.mat", "rgb565_last_texel_missing.mat", "header_cut_after_magic.mat",
                            "no_records.mat", "record_count_past_end.mat"}) {
        const auto bytes = Mat(bad);
        EXPECT_FALSE(ParseMat(bytes)) << bad;
        EXPECT_FALSE(ConvertMat(bytes, Greys())) << bad;
    }
    // Valid MATs that cannot be converted: their heads read, the conversion says why not.
    const auto nine = Mat("rgb565_red_of_9_bits.mat");
    const auto info = ParseMat(nine);
    ASSERT_TRUE(info);
    EXPECT_NE(info->unsupported.find("red has 9 bits"), std::string::npos) << info->unsupported;
    EXPECT_EQ(ConvertMat(nine, nullptr).error(), info->unsupported);
    const auto m24 = Mat("texture_16x8_24_bits_two_levels.mat");
    EXPECT_NE(ConvertMat(m24, Greys()).error().find("24-bit"), std::string::npos);
    const auto size = MaterialTextureSize(m24);
    ASSERT_TRUE(size);
    EXPECT_EQ(std::tie(size->width, size->height), std::make_tuple(16, 8));
    // An 8-bit material has no colours of its own.
    EXPECT_TRUE(MatNeedsColormap(Mat("texture_4x4.mat")));
    EXPECT_FALSE(ConvertMat(Mat("texture_4x4.mat"), nullptr));
    // Only what is needed must be there: the last texture's smaller levels may be missing.
    EXPECT_TRUE(ConvertMat(Mat("last_levels_missing.mat"), Greys()));
}

TEST(Material, MakeMatLayout)
{
    MaterialImage img;
    img.width = 3;
    img.height = 2;
    img.pixels = {1, 2, 3, 4, 5, 6};
    const auto mat = MakeMat(img);
    EXPECT_EQ(mat, Mat("texture_3x2_pixels_1_to_6.mat"));
    MaterialImage back;
    ASSERT_TRUE(Into(ConvertMat(mat, Greys()), back));
    EXPECT_EQ(back.pixels, img.pixels);
}

TEST(Material, RemapPicksNearestAndTheLowerIndexOnTies)
{
    Palette target{};
    target[5 * 3] = 255;  // 5 and 9 both pure red
    target[9 * 3] = 255;
    target[7 * 3 + 2] = 200;  // 7 blue
    MaterialImage img;
    img.width = 4;
    img.height = 1;
    img.pixels = {0, 1, 2, 1};
    img.palette[0 * 4 + 2] = 255;  // pure red
    img.palette[1 * 4 + 0] = 250;  // almost pure blue
    img.palette[1 * 4 + 1] = 10;
    img.palette[2 * 4 + 2] = 120;  // dark red: nearer black (index 0) than red
    RemapToPalette(img, target);
    EXPECT_EQ(img.pixels, (std::vector<uint8_t>{5, 7, 0, 7}));
    EXPECT_EQ(img.Rgb(9), (std::array<uint8_t, 3>{255, 0, 0}));
}

TEST(Material, ResolvingFallsBackToFallbacksAndThenToNothing)
{
    TempDir dir;
    const fs::path gob = dir / "res.gob";
    ASSERT_TRUE(WriteArchive(gob, {{"3do\\mat\\dflt.mat", MakeColorMat(1)},
                                   {"3do\\mat\\00cab02.mat", MakeColorMat(2)},
                                   {"misc\\cmp\\01redmap.cmp", Cmp(11)},
                                   {"misc\\cmp\\other.cmp", Cmp(22)}}));
    ResourceCatalog cat;
    ASSERT_TRUE(LoadCatalog(gob, cat));
    SortedEntryList custom;
    AddItem(custom, "Mine.MAT", MakeColorMat(3));
    AddItem(custom, "dflt.mat", MakeColorMat(4));

    auto pixelAndRed = [&](std::string_view m, std::string_view c) -> std::pair<int, int> {
        auto img = ResolveMaterialImage(cat, gob, &custom, m, c);
        if (!img)
            return {-1, -1};
        return {img->pixels[0], img->Rgb(0)[0]};
    };
    EXPECT_EQ(pixelAndRed("DFLT.MAT", "other.cmp"), std::make_pair(4, 22));  // custom hides stock
    EXPECT_EQ(pixelAndRed("mine.mat", "nosuch.cmp"), std::make_pair(3, 11));
    EXPECT_EQ(pixelAndRed("unknown.mat", "01redmap.cmp"), std::make_pair(2, 11));
    EXPECT_EQ(pixelAndRed("3do\\mat\\dflt.mat", "01redmap.cmp"), std::make_pair(2, 11));  // names are short names

    ASSERT_TRUE(WriteArchive(gob, {{"3do\\mat\\dflt.mat", MakeColorMat(1)}, {"misc\\cmp\\x.cmp", Cmp(5)}}));
    ASSERT_TRUE(LoadCatalog(gob, cat));
    const auto noColormap = ResolveMaterialImage(cat, gob, &custom, "dflt.mat", "nosuch.cmp");
    EXPECT_FALSE(noColormap);
    EXPECT_NE(noColormap.error().find("01redmap.cmp"), std::string::npos);
    const auto noMaterial = ResolveMaterialImage(cat, gob, nullptr, "unknown.mat", "x.cmp");
    EXPECT_FALSE(noMaterial);
    EXPECT_NE(noMaterial.error().find("00cab02.mat"), std::string::npos);
    EXPECT_TRUE(ResolveMaterialImage(cat, gob, nullptr, "dflt.mat", "x.cmp"));
}

TEST(Material, CorpusMaterialsAndColormap)
{
    const fs::path corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no corpus";
    ColormapData cmp;
    const auto cmpBytes = Slurp(corpus / "cmp" / "input.cmp");
    ASSERT_TRUE(Into(ParseColormap(cmpBytes), cmp));
    EXPECT_TRUE(cmp.HasTransparency());
    EXPECT_EQ(cmp.lightTable.size(), 16384u);
    EXPECT_FALSE(ParseColormap(std::span(cmpBytes).first(17215)));

    for (auto [file, width, height, cels] : {std::tuple{"00ladder1.mat", 32, 32, 1},
                                             {"00map3.mat", 128, 128, 1},
                                             {"bry0side1.mat", 256, 256, 1},
                                             {"brypport1.mat", 16, 32, 1},
                                             {"enemys.mat", 128, 32, 2},
                                             {"phaser.mat", 32, 32, 8}}) {
        SCOPED_TRACE(file);
        const auto bytes = Slurp(corpus / "mat" / file);
        MaterialImage img;
        ASSERT_TRUE(Into(ConvertMat(bytes, cmp.palette), img));
        EXPECT_EQ(std::tie(img.width, img.height, img.celCount), std::tie(width, height, cels));
        ASSERT_EQ(img.pixels.size(), static_cast<std::size_t>(width * height * cels));
        EXPECT_TRUE(std::string(file) != "bry0side1.mat" || img.pixels[0] == 12);
        // One cel made back into a MAT reads back unchanged.
        MaterialImage first, again;
        ASSERT_TRUE(Into(ConvertMatFirstCel(bytes, cmp.palette), first));
        ASSERT_TRUE(Into(ConvertMat(MakeMat(first), cmp.palette), again));
        EXPECT_TRUE(std::equal(again.pixels.begin(), again.pixels.end(), img.pixels.begin()));
    }
}
