// Pictures of other tools' materials on their way into 8-bit materials.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "resources/material.h"
#include "resources/png.h"

namespace orv {

// The longest side of an imported texture: the original engine's hardware path takes
// textures of at most 256 texels a side, in powers of two.
inline constexpr int32_t kMaxTextureSide = 256;

// A picture file's bytes as RGBA: PNG and JPEG of any kind, BMP of 1, 4, 8, 24 or 32
// bits, and through the image library TGA, GIF, PSD, PNM and HDR. Fails with the reason
// for anything else.
Result<RgbaPicture> DecodePicture(std::span<const uint8_t> bytes);

// The size a texture is made: each side the power of two nearest to it (halves up), at
// most kMaxTextureSide.
int32_t TextureSide(int32_t side);

// The picture resampled (by area averaging down, bilinear up) to width × height.
RgbaPicture Resample(const RgbaPicture& picture, int32_t width, int32_t height);

// Every pixel moved onto the palette's nearest colour as RemapToPalette chooses it
// (squared distance, the lower index on ties), once per distinct colour; alpha is not
// kept. One cel.
MaterialImage RemapRgba(const RgbaPicture& picture, const Palette& palette);

// Pixels of less alpha than this (under half) are see-through; the palette has no
// degrees of it.
inline constexpr uint8_t kOpaqueAlpha = 128;

// Whether some pixel of the picture is see-through.
bool HasSeeThroughPixels(const RgbaPicture& picture);

// RemapRgba for a transparent material: see-through pixels take index 0, the colour such
// a material leaves undrawn, and the others the nearest of indices 1 to 255.
MaterialImage RemapRgbaTransparent(const RgbaPicture& picture, const Palette& palette);

}  // namespace orv
