// BMP files from untrusted bytes: reading, remapping, and the round trips into a MAT
// and back into a bitmap.
#include <cstdint>
#include <span>

#include "fuzz_check.h"
#include "resources/bitmap.h"
#include "resources/material.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto read = ReadBmp(std::span<const uint8_t>(data, size));
    if (!read)
        return 0;
    MaterialImage& image = *read;
    const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    Require(
        image.width > 0 && image.height > 0 &&
        (image.TrueColor() ? image.rgba.size() == count * 4 && image.pixels.empty() : image.pixels.size() == count));
    const auto back = ReadBmp(WriteBmp(image));
    Require(back && back->pixels == image.pixels && back->palette == image.palette &&
            back->TrueColor() == image.TrueColor());
    // A true-colour bitmap is written with 24 bits: its colours come back, not its alpha.
    for (size_t i = 0; i < back->rgba.size(); ++i)
        Require(i % 4 == 3 || back->rgba[i] == image.rgba[i]);
    Palette palette{};
    for (int i = 0; i < 768; ++i)
        palette[i] = static_cast<uint8_t>(255 - i);
    RemapToPalette(image, palette);
    Require(!image.TrueColor() && image.pixels.size() == count);
    const auto mat = ConvertMat(MakeMat(image), palette);
    Require(mat && mat->pixels == image.pixels);
    return 0;
}
