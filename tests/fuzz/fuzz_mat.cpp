// MAT and CMP files from untrusted bytes: parsing, conversion and the round trips a
// converted image goes through (MAT and BMP).
#include <cstdint>
#include <span>

#include "fuzz_check.h"
#include "resources/bitmap.h"
#include "resources/material.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    (void)ParseColormap(bytes);
    Palette palette{};
    for (int i = 0; i < 768; ++i)
        palette[i] = static_cast<uint8_t>(i * 7);

    (void)ParseMat(bytes);
    const auto texels = MaterialTextureSize(bytes);

    // Paletted pictures hold one byte a pixel, true-colour (16-bit) ones four, never both.
    auto wellFormed = [&](const MaterialImage& image) {
        const size_t count = static_cast<size_t>(image.width) * image.height * image.celCount;
        if (image.celCount < 1)
            return false;
        if (image.TrueColor())
            return image.pixels.empty() && image.rgba.size() == count * 4;
        return image.pixels.size() == count;
    };
    if (const auto image = ConvertMat(bytes, palette)) {
        Require(wellFormed(*image));
        Require(texels && image->width == texels->width && image->height == texels->height);
    }
    // Without a colormap only 16-bit textures convert, to the same picture.
    if (const auto image = ConvertMat(bytes, nullptr)) {
        const auto withPalette = ConvertMat(bytes, palette);
        Require(image->TrueColor() && !MatNeedsColormap(bytes) && withPalette && withPalette->rgba == image->rgba);
        if (static_cast<int64_t>(image->width) * image->height <= (1 << 20)) {
            const auto bmp = WriteBmp(*image);
            const size_t row = (static_cast<size_t>(image->width) * 3 + 3) / 4 * 4;
            Require(bmp.size() == 54 + row * image->height);
        }
    }
    if (const auto image = ConvertMatFirstCel(bytes, palette); image && !image->TrueColor()) {
        const auto back = ConvertMat(MakeMat(*image), palette);
        Require(back && back->pixels == image->pixels);
        if (static_cast<int64_t>(image->width) * image->height <= (1 << 20)) {
            const auto bmp = ReadBmp(WriteBmp(*image));
            Require(bmp && bmp->pixels == image->pixels);
        }
    }
    return 0;
}
