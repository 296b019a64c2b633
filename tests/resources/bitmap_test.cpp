#include <gtest/gtest.h>

#include "resources/bitmap.h"
#include "resources/sample.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;

namespace {

MaterialImage Read(const std::vector<uint8_t>& bytes)
{
    auto img = ReadBmp(bytes);
    EXPECT_TRUE(orvtest::Ok(img));
    return std::move(img).value_or({});
}

}  // namespace

TEST(Bitmap, WriterLayoutPutsTheTopRowLast)
{
    MaterialImage img;
    img.width = 3;
    img.height = 2;
    img.pixels = {1, 2, 3, 4, 5, 6};  // top row 1 2 3
    img.palette[4 * 1 + 2] = 0xAA;    // index 1: red 0xAA
    EXPECT_EQ(WriteBmp(img), Slurp(Fixture("bmp", "paletted_3x2_top_row_last.bmp")));
}

TEST(Bitmap, ReadsTopDownOldStyleAndSmallPalettes)
{
    const std::vector<uint8_t> pal2 = {0, 0, 255, 0, 255, 0, 0, 0};  // red, blue
    // Bottom-up and top-down files of the same picture: top row 0 1, bottom row 1 1.
    const auto up = Read(Bmp(2, 2, 8, pal2, {1, 1, 0, 0, 0, 1, 0, 0}, 2));
    const auto down = Read(Bmp(2, -2, 8, pal2, {0, 1, 0, 0, 1, 1, 0, 0}, 2));
    EXPECT_EQ(up.pixels, (std::vector<uint8_t>{0, 1, 1, 1}));
    EXPECT_EQ(down.pixels, up.pixels);
    EXPECT_EQ(up.Rgb(0), (std::array<uint8_t, 3>{255, 0, 0}));
    EXPECT_EQ(up.Rgb(1), (std::array<uint8_t, 3>{0, 0, 255}));
    EXPECT_EQ(up.Rgb(2), (std::array<uint8_t, 3>{0, 0, 0}));

    // 4 bits: 16 palette entries, high nibble first. 1 bit: 2 entries, high bit first.
    const auto four = Read(Bmp(3, 1, 4, std::vector<uint8_t>(64, 9), {0x1F, 0x20, 0, 0}));
    EXPECT_EQ(four.pixels, (std::vector<uint8_t>{1, 15, 2}));
    const auto one = Read(Bmp(10, 1, 1, std::vector<uint8_t>(8, 9), {0xA0, 0x40, 0, 0}));
    EXPECT_EQ(one.pixels, (std::vector<uint8_t>{1, 0, 1, 0, 0, 0, 0, 0, 0, 1}));

    // The old 12-byte header with 16-bit sizes and 3-byte palette entries.
    const auto o = Read(Slurp(Fixture("bmp", "oldstyle.bmp")));
    EXPECT_EQ(std::tie(o.width, o.height), std::make_tuple(3, 1));
    EXPECT_EQ(o.pixels, (std::vector<uint8_t>{1, 0, 1}));
    EXPECT_EQ(o.Rgb(1), (std::array<uint8_t, 3>{60, 50, 40}));

    // A later, larger header (as image editors write) is read by its first 40 bytes.
    const auto v5 = Read(Bmp(1, 1, 8, std::vector<uint8_t>(1024, 3), {7, 0, 0, 0}, 0, 124));
    EXPECT_EQ(v5.pixels, std::vector<uint8_t>{7});
}

TEST(Bitmap, BadFilesAreRefusedWithAReason)
{
    std::string text;
    for (const char* file :
         {"magic_not_bm.bmp", "rle_compressed.bmp", "width_zero.bmp", "height_zero.bmp", "width_70000.bmp",
          "rows_past_end.bmp", "colours_300.bmp", "palette_past_end.bmp", "header_20_bytes.bmp", "head_cut_short.bmp",
          "true_colour_rows_past_end.bmp", "bitfields_masks_overlap.bmp", "bitfields_mask_not_a_run.bmp",
          "bitfields_masks_past_end.bmp", "sixteen_bits.bmp", "bitfields_on_24_bits.bmp"}) {
        const auto img = ReadBmp(Slurp(Fixture("bmp", file)));
        text += std::string(file) + ": " + (img ? "read" : img.error()) + "\n";
    }
    ExpectSameAsFixture("expected", "bitmap_refusals.txt", text);
    // A missing padding after the last row is tolerated.
    EXPECT_TRUE(orvtest::Ok(ReadBmp(Slurp(Fixture("bmp", "last_row_padding_missing.bmp")))));
}

// True colour, as image editors save pictures: 24 bits bottom-up with rows padded to four
// bytes, 32 bits top-down with the fourth byte unused, and 32 bits of colour masks.
TEST(Bitmap, TrueColourPicturesKeepTheirColoursRowsAndAlpha)
{
    auto rgba = [](const std::string& file) {
        const auto img = ReadBmp(Slurp(Fixture("bmp", file)));
        EXPECT_TRUE(orvtest::Ok(img)) << file;
        EXPECT_TRUE(!img || (img->TrueColor() && img->pixels.empty())) << file;
        return img ? img->rgba : std::vector<uint8_t>{};
    };
    // Top row white, black, grey; bottom row red, green, blue.
    EXPECT_EQ(rgba("rgb24_bottom_up_odd_width.bmp"),
              (std::vector<uint8_t>{255, 255, 255, 255, 0, 0,   0, 255, 128, 128, 128, 255,  //
                                    255, 0,   0,   255, 0, 255, 0, 255, 0,   0,   255, 255}));
    EXPECT_EQ(rgba("true_colour_24_bits.bmp"), (std::vector<uint8_t>{3, 2, 1, 255}));
    EXPECT_EQ(rgba("rgb32_top_down.bmp"), (std::vector<uint8_t>{0x30, 0x20, 0x10, 255, 0x60, 0x50, 0x40, 255,  //
                                                                0x90, 0x80, 0x70, 255, 0xC0, 0xB0, 0xA0, 255}));
    EXPECT_EQ(rgba("bitfields32_alpha.bmp"), (std::vector<uint8_t>{0x33, 0x22, 0x11, 255, 0x66, 0x55, 0x44, 0}));
    // An alpha mask over nothing but zeros: a tool that does not keep alpha.
    EXPECT_EQ(rgba("bitfields32_alpha_all_zero.bmp"), (std::vector<uint8_t>{0x33, 0x22, 0x11, 255}));
    // 5-6-5 masks: each channel's bits stretched over 0..255.
    EXPECT_EQ(rgba("bitfields32_rgb565.bmp"), (std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 255, 0, 130, 132, 255}));

    // Into a material: onto the palette given, else the sample one; the same bytes as
    // the 8-bit picture of those colours.
    auto image = ReadBmp(Slurp(Fixture("bmp", "rgb24_bottom_up_odd_width.bmp")));
    ASSERT_TRUE(orvtest::Ok(image));
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[static_cast<std::size_t>(i) * 3] = static_cast<uint8_t>(i);  // reds only
    MaterialImage onto = *image;
    ToMaterialPalette(onto, &palette);
    EXPECT_FALSE(onto.TrueColor());
    EXPECT_EQ(onto.pixels, (std::vector<uint8_t>{255, 0, 128, 255, 0, 0}));
    EXPECT_EQ(onto.Rgb(128), (std::array<uint8_t, 3>{128, 0, 0}));
    ToMaterialPalette(*image, nullptr);
    ASSERT_EQ(image->pixels.size(), 6u);
    const Palette sample = SamplePalette();
    MaterialImage samplePalette;
    SetImagePalette(samplePalette, sample);
    EXPECT_EQ(image->palette, samplePalette.palette);
    const auto mat = ConvertMat(MakeMat(*image), sample);
    ASSERT_TRUE(orvtest::Ok(mat));
    EXPECT_EQ(mat->pixels, image->pixels);
}
