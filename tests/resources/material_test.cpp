#include <gtest/gtest.h>

#include <sstream>

#include "resources/bitmap.h"
#include "resources/catalog.h"
#include "resources/material.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Mat(const std::string& name) { return Slurp(Fixture("mat", name)); }

Palette Greys()
{
    Palette p{};
    for (int i = 0; i < 256; ++i)
        p[i * 3] = p[i * 3 + 1] = p[i * 3 + 2] = static_cast<uint8_t>(i);
    return p;
}

// Runs of equal units (a pixel, or the four bytes of a texel) in hex, "*n" for n > 1.
std::string Runs(const std::vector<uint8_t>& bytes, std::size_t unit)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0, n; i < bytes.size(); i += n * unit) {
        for (n = 1; i + (n + 1) * unit <= bytes.size() &&
                    std::equal(bytes.begin() + i, bytes.begin() + i + unit, bytes.begin() + i + n * unit);)
            ++n;
        out += ' ';
        for (std::size_t k = i; k < i + unit; ++k)
            out += {hex[bytes[k] >> 4], hex[bytes[k] & 15]};
        out += n > 1 ? "*" + std::to_string(n) : "";
    }
    return out;
}

// A conversion as text: the picture's size, cels, flag and every pixel or texel.
std::string ImageText(const Result<MaterialImage>& img)
{
    if (!img)
        return img.error();
    return std::to_string(img->width) + "x" + std::to_string(img->height) + " stride " + std::to_string(img->stride) +
           ", " + std::to_string(img->celCount) + " cels" + (img->transparent ? ", transparent" : "") +
           (img->pixels.empty() ? "" : ", pixels" + Runs(img->pixels, 1)) +
           (img->rgba.empty() ? "" : ", rgba" + Runs(img->rgba, 4));
}

}  // namespace

// Level 0 of texture t of the texture MATs holds 0x10 + t, their smaller levels 0xEE:
// cels follow each other and smaller levels are skipped, 16-bit ones two bytes a texel;
// a colour material fills a 256 square; damaged ones are refused, valid ones that cannot
// be converted say why.
TEST(Material, EachFixtureConvertsAsRecorded)
{
    std::string text;
    std::istringstream files(
        "colour.mat textures_3_of_32x32.mat textures_2_of_8x6_four_levels.mat type3_textures_3_of_5x3.mat "
        "type7_texture_4x4.mat texture_4x4.mat last_levels_missing.mat texture_3x2_pixels_1_to_6.mat small.mat "
        "twocels.mat wide.mat rgb565_primaries.mat rgb565_format_fields_zero.mat argb1555_primaries.mat "
        "argb4444_primaries.mat rgb565_two_cels_two_levels.mat rgb565_red_of_9_bits.mat "
        "texture_16x8_24_bits_two_levels.mat last_texel_missing.mat rgb565_last_texel_missing.mat "
        "header_cut_after_magic.mat no_records.mat record_count_past_end.mat");
    for (std::string file; files >> file;) {
        const auto bytes = Mat(file);
        const auto head = ParseMat(bytes);
        const auto size = MaterialTextureSize(bytes);
        text += file + (MatNeedsColormap(bytes) ? ", needs a colormap" : "") +
                "\n  head: " + (head ? "read " + head->unsupported : head.error()) + "\n  size: " +
                (size ? std::to_string(size->width) + "x" + std::to_string(size->height) : size.error()) +
                "\n  all: " + ImageText(ConvertMat(bytes, Greys())) +
                "\n  first: " + ImageText(ConvertMatFirstCel(bytes, Greys())) +
                "\n  all without a colormap: " + ImageText(ConvertMat(bytes, nullptr)) +
                "\n  first without a colormap: " + ImageText(ConvertMatFirstCel(bytes, nullptr)) + "\n";
    }
    ExpectSameAsFixture("expected", "material_conversions.txt", text);
}

TEST(Material, MadeMaterialsAreTheGamesAndAColoursLastRecordCounts)
{
    MaterialImage img;
    img.width = 3;
    img.height = 2;
    img.pixels = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(MakeMat(img), Mat("texture_3x2_pixels_1_to_6.mat"));
    const auto mat = MakeColorMat(26);
    EXPECT_EQ(mat, Mat("colour.mat"));
    auto two = mat;
    two[12] = 2;
    two.insert(two.end(), mat.end() - 24, mat.end());
    two[two.size() - 20] = 40;
    ASSERT_TRUE(Into(ConvertMat(two, Greys()), img));
    EXPECT_EQ(img.pixels[1234], 40);

    // As a 24-bit bitmap: rows padded to 8 bytes, the bottom row first (blue, white), then
    // red, green; blue-green-red each.
    ASSERT_TRUE(Into(ConvertMatFirstCel(Mat("rgb565_primaries.mat"), nullptr), img));
    EXPECT_EQ(WriteBmp(img), Slurp(Fixture("expected", "rgb565_primaries_first_cel_24_bits.bmp")));
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
    EXPECT_NE(ResolveMaterialImage(cat, gob, &custom, "dflt.mat", "nosuch.cmp").error().find("01redmap.cmp"),
              std::string::npos);
    EXPECT_NE(ResolveMaterialImage(cat, gob, nullptr, "unknown.mat", "x.cmp").error().find("00cab02.mat"),
              std::string::npos);
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
