// Writing an 8-bit RGBA picture as a PNG file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/result.h"

namespace orv {

// The PNG bytes of width × height pixels, 4 bytes each (R, G, B, A), top row first.
// Empty when the sizes do not match the pixel count.
std::vector<uint8_t> EncodePng(int32_t width, int32_t height, const std::vector<uint8_t>& rgba);

// Encodes and writes the file.
Status WritePng(const std::filesystem::path& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgba);

}  // namespace orv
