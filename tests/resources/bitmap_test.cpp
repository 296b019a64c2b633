#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <tuple>

#include "resources/bitmap.h"
#include "resources/sample.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;

namespace {

// A picture as read, in hex: its size, its pixels and first three palette entries (red,
// green, blue each) or its texels (red, green, blue, alpha); or why it was refused.
std::string Picture(const Result<MaterialImage>& img)
{
    if (!img)
        return img.error();
    std::vector<uint8_t> palette;
    for (int i = 0; i < 3 && !img->pixels.empty(); ++i) {
        const auto rgb = img->Rgb(i);
        palette.insert(palette.end(), rgb.begin(), rgb.end());
    }
    using Part = std::tuple<const char*, const std::vector<uint8_t>*, std::size_t>;
    std::string out = std::to_string(img->width) + "x" + std::to_string(img->height);
    char hex[4];
    for (const auto& [name, bytes, unit] :
         {Part{", pixels", &img->pixels, 1}, {", palette", &palette, 3}, {", rgba", &img->rgba, 4}}) {
        if (!bytes->empty())
            out += name;
        for (std::size_t i = 0; i < bytes->size(); ++i) {
            std::snprintf(hex, sizeof hex, i % unit ? "%02x" : " %02x", (*bytes)[i]);
            out += hex;
        }
    }
    return out;
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

// Paletted: the same picture bottom-up and top-down, of 4 bits and 1 bit (high bits
// first), with the old 12-byte header (3-byte palette entries) and a later 124-byte one
// (read by its first 40 bytes). True colour: 24 bits with rows padded to four bytes, 32
// bits top-down with the fourth byte unused, colour masks (an alpha mask over nothing but
// zeros is a tool that keeps no alpha). A missing padding after the last row is tolerated.
TEST(Bitmap, EachPictureReadsAsRecorded)
{
    const std::vector<uint8_t> pal2 = {0, 0, 255, 0, 255, 0, 0, 0};
    const std::pair<const char*, std::vector<uint8_t>> made[] = {
        {"bottom-up", Bmp(2, 2, 8, pal2, {1, 1, 0, 0, 0, 1, 0, 0}, 2)},
        {"top-down", Bmp(2, -2, 8, pal2, {0, 1, 0, 0, 1, 1, 0, 0}, 2)},
        {"4 bits", Bmp(3, 1, 4, std::vector<uint8_t>(64, 9), {0x1F, 0x20, 0, 0})},
        {"1 bit", Bmp(10, 1, 1, std::vector<uint8_t>(8, 9), {0xA0, 0x40, 0, 0})},
        {"124-byte header", Bmp(1, 1, 8, std::vector<uint8_t>(1024, 3), {7, 0, 0, 0}, 0, 124)},
    };
    std::string text;
    for (const auto& [name, bytes] : made)
        text += std::string(name) + ": " + Picture(ReadBmp(bytes)) + "\n";
    std::istringstream files(
        "oldstyle.bmp rgb24_bottom_up_odd_width.bmp true_colour_24_bits.bmp rgb32_top_down.bmp bitfields32_alpha.bmp "
        "bitfields32_alpha_all_zero.bmp bitfields32_rgb565.bmp last_row_padding_missing.bmp magic_not_bm.bmp "
        "rle_compressed.bmp width_zero.bmp height_zero.bmp width_70000.bmp rows_past_end.bmp colours_300.bmp "
        "palette_past_end.bmp header_20_bytes.bmp head_cut_short.bmp true_colour_rows_past_end.bmp "
        "bitfields_masks_overlap.bmp bitfields_mask_not_a_run.bmp bitfields_masks_past_end.bmp sixteen_bits.bmp "
        "bitfields_on_24_bits.bmp");
    for (std::string file; files >> file;)
        text += std::string(file) + ": " + Picture(ReadBmp(Slurp(Fixture("bmp", file)))) + "\n";
    ExpectSameAsFixture("expected", "bitmap_reads.txt", text);
}

// A true-colour picture goes into a material onto the palette given (reds only here),
// else the sample one (its first ramp grey); the same bytes as the 8-bit picture of those
// colours.
TEST(Bitmap, TrueColourPicturesBecomeMaterialsOnAPalette)
{
    auto image = ReadBmp(Slurp(Fixture("bmp", "rgb24_bottom_up_odd_width.bmp")));
    ASSERT_TRUE(orvtest::Ok(image));
    Palette reds{};
    for (int i = 0; i < 256; ++i)
        reds[static_cast<std::size_t>(i) * 3] = static_cast<uint8_t>(i);
    MaterialImage onto = *image;
    ToMaterialPalette(onto, &reds);
    ToMaterialPalette(*image, nullptr);
    EXPECT_EQ(Picture(onto) + "\n" + Picture(image),
              "3x2, pixels ff 00 80 ff 00 00, palette 000000 010000 020000\n"
              "3x2, pixels 0f 00 08 ed 59 8a, palette 000000 111111 222222");
    const auto mat = ConvertMat(MakeMat(*image), SamplePalette());
    ASSERT_TRUE(orvtest::Ok(mat));
    EXPECT_EQ(mat->pixels, image->pixels);
}
