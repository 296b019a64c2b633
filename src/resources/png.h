// PNG pictures through libpng: 8-bit RGBA in memory, any kind of PNG read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "base/result.h"

namespace orv {

// width × height pixels of 4 bytes (R, G, B, A), top row first.
struct RgbaPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;
};

// Pictures larger than this many pixels are refused on reading: a few bytes of a file
// may announce gigabytes.
inline constexpr std::size_t kMaxPicturePixels = std::size_t{1} << 26;

// The PNG bytes of width × height pixels, 4 bytes each (R, G, B, A), top row first.
// Empty when the sizes do not match the pixel count.
std::vector<uint8_t> EncodePng(int32_t width, int32_t height, const std::vector<uint8_t>& rgba);

// Encodes and writes the file.
Status WritePng(const std::filesystem::path& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgba);

// Any PNG (paletted, grey, 16-bit, interlaced, with or without alpha) as 8-bit RGBA;
// fails with libpng's reason on what is not one or is damaged.
Result<RgbaPicture> DecodePng(std::span<const uint8_t> bytes);

}  // namespace orv
