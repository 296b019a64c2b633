// Texture pictures (PNG, JPEG, BMP) from untrusted bytes, on their way into a material.
#include <cstdint>
#include <span>

#include "fuzz_check.h"
#include "interchange/textures.h"
#include "resources/sample.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto picture = DecodePicture(std::span<const uint8_t>(data, size));
    if (!picture)
        return 0;
    Require(picture->width > 0 && picture->height > 0 &&
            picture->rgba.size() == static_cast<size_t>(picture->width) * static_cast<size_t>(picture->height) * 4);
    const RgbaPicture fitted = Resample(*picture, TextureSide(picture->width), TextureSide(picture->height));
    const MaterialImage image = RemapRgba(fitted, SamplePalette());
    Require(image.pixels.size() == static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
    return 0;
}
