// MAT and CMP files from untrusted bytes: parsing, conversion and the round trips a
// converted image goes through (MAT and BMP).
#include <cstdint>
#include <span>

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

    if (const auto image = ConvertMat(bytes, palette)) {
        if (image->celCount < 1 ||
            image->pixels.size() != static_cast<size_t>(image->width) * image->height * image->celCount)
            __builtin_trap();
        if (!texels || image->width != texels->width || image->height != texels->height)
            __builtin_trap();
    }
    if (const auto image = ConvertMatFirstCel(bytes, palette)) {
        const auto back = ConvertMat(MakeMat(*image), palette);
        if (!back || back->pixels != image->pixels)
            __builtin_trap();
        if (static_cast<int64_t>(image->width) * image->height <= (1 << 20)) {
            const auto bmp = ReadBmp(WriteBmp(*image));
            if (!bmp || bmp->pixels != image->pixels)
                __builtin_trap();
        }
    }
    return 0;
}
