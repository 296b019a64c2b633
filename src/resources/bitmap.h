// BMP files of paletted images. Rows are bottom-up in the file (top-down when the
// height is negative) and top-down in a MaterialImage, so a picture keeps its
// orientation through every conversion.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "base/result.h"
#include "resources/material.h"

namespace orv {

inline constexpr uint32_t kBmpPixelOffset = 14 + 40 + 1024;  // 1078

// Reads an uncompressed bitmap (a 40-byte or larger header, or the old 12-byte one) into
// an image of one cel: 1, 4 or 8 bits into an 8-bit image; 24 bits, and 32 bits of blue,
// green, red and a byte left unused or of colour masks (BI_BITFIELDS, alpha among them
// in a header of 56 bytes or more), into a true-colour image. Refuses anything else with
// a reason.
Result<MaterialImage> ReadBmp(std::span<const uint8_t> bytes);
Result<MaterialImage> ReadBmpFile(const std::filesystem::path& path);

// A bitmap's image made ready to become an 8-bit material: moved onto the palette when
// there is one; a true-colour image without one goes onto the sample palette, as it has
// no palette of its own.
void ToMaterialPalette(MaterialImage& image, const Palette* palette);

// The image's first cel as an 8-bit bitmap: file head, 40-byte header, 1024-byte
// palette, rows bottom-up and padded to the stride. A true-colour image becomes a
// 24-bit bitmap (no palette; blue, green, red per pixel; alpha left out).
std::vector<uint8_t> WriteBmp(const MaterialImage& image);
Status WriteBmpFile(const std::filesystem::path& path, const MaterialImage& image);

}  // namespace orv
