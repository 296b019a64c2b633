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
    ColormapData cmp;
    (void)ParseColormap(bytes, cmp);
    Palette palette{};
    for (int i = 0; i < 768; ++i)
        palette[i] = static_cast<uint8_t>(i * 7);

    MatInfo info;
    (void)ParseMat(bytes, info);
    int32_t w = 0, h = 0;
    (void)MaterialTextureSize(bytes, w, h);

    MaterialImage image;
    if (ConvertMat(bytes, palette, image) == MatStatus::Ok) {
        if (image.celCount < 1 || image.pixels.size() != static_cast<size_t>(image.width) * image.height * image.celCount)
            __builtin_trap();
        if (image.width != w || image.height != h)
            __builtin_trap();
    }
    if (ConvertMatFirstCel(bytes, palette, image) == MatStatus::Ok) {
        MaterialImage back;
        if (ConvertMat(MakeMat(image), palette, back) != MatStatus::Ok || back.pixels != image.pixels)
            __builtin_trap();
        if (static_cast<int64_t>(image.width) * image.height <= (1 << 20)) {
            const auto bmp = WriteBmp(image);
            if (!ReadBmp(bmp, back) || back.pixels != image.pixels)
                __builtin_trap();
        }
    }
    return 0;
}
