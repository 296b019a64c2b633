// MAT materials and CMP colormaps, and the 8-bit paletted image a material becomes
// through a colormap (for drawing, previews and export to a bitmap).
//
// Rows run top-down everywhere in memory: row 0 of a cel is the top of the picture,
// as in the MAT file, where the game's v axis points down. Only BMP files store rows
// bottom-up; the bitmap reader and writer turn them.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "model/corners.h"
#include "model/tree.h"

namespace orv {

struct ResourceCatalog;

// 256 entries of red, green, blue, as a CMP file holds them.
using Palette = std::array<uint8_t, 768>;

inline constexpr std::size_t kColormapHeadSize = 64;
inline constexpr std::size_t kLightTableSize = 16384;
inline constexpr std::size_t kColormapDataSize = kColormapHeadSize + 768 + kLightTableSize;  // 17216
inline constexpr std::size_t kTransparencyTableSize = 65536;

inline constexpr std::size_t kMatHeadSize = 76;
inline constexpr std::size_t kMatColorRecordSize = 24;
inline constexpr std::size_t kMatTextureRecordSize = 40;
inline constexpr std::size_t kMatTextureHeadSize = 24;

inline constexpr const char* kFallbackMaterial = "00cab02.mat";
inline constexpr const char* kFallbackColormap = "01redmap.cmp";

// The first 17216 bytes of a CMP file: head, palette and light table.
struct ColormapData {
    std::array<uint8_t, kColormapHeadSize> head{};
    Palette palette{};
    std::vector<uint8_t> lightTable;  // 64 rows of 256 indices, row 0 the darkest
    // 256 rows of 256 indices: row s, column d is what source index s drawn through over
    // destination index d gives. Empty when the file has none.
    std::vector<uint8_t> transparencyTable;

    bool HasTransparency() const;  // the word at offset 8 of the head
};

// Needs at least the 17216 bytes of ColormapData; the transparency table is read when
// the head says there is one and the bytes hold it all.
Result<ColormapData> ParseColormap(std::span<const uint8_t> bytes);

struct MaterialImage {
    int32_t width = 0;   // pixels per row of one cel
    int32_t height = 0;  // rows of one cel
    int32_t stride = 0;  // width rounded up to a multiple of 4 (the bitmap row length)
    int32_t celCount = 0;
    std::array<uint8_t, 1024> palette{};  // 256 entries of blue, green, red, 0
    // celCount cels of width × height bytes, cel 0 first, rows top-down without padding.
    std::vector<uint8_t> pixels;
    // A true-colour material (16 bits per pixel) has no palette: celCount cels of
    // width × height pixels of red, green, blue and alpha bytes, in the layout of pixels,
    // which stays empty. Empty for paletted images.
    std::vector<uint8_t> rgba;
    // The texture's transparency flag: index 0 of a paletted picture, or alpha under half
    // of a true-colour one, is not drawn.
    bool transparent = false;
    // The palette index the game fills the material's faces with where it draws them
    // untextured: a colour material's colour, a texture's first record's colour word.
    uint8_t solidColor = 0;

    bool TrueColor() const { return !rgba.empty(); }
    const uint8_t* Cel(int index) const { return pixels.data() + static_cast<std::size_t>(index) * width * height; }
    const uint8_t* RgbaCel(int index) const
    {
        return rgba.data() + static_cast<std::size_t>(index) * width * height * 4;
    }
    // The palette entry of index i as red, green, blue.
    std::array<uint8_t, 3> Rgb(int i) const { return {palette[i * 4 + 2], palette[i * 4 + 1], palette[i * 4]}; }
};

int32_t StrideOf(int32_t width);
void SetImagePalette(MaterialImage& image, const Palette& palette);

struct MatTexture {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t transparent = 0;
    uint32_t mipmapCount = 0;
    std::size_t pixelOffset = 0;  // first level; meaningful when mipmapCount > 0
};

// How the texels of a 16-bit material hold their colour: bits and position (shift) of
// red, green, blue and alpha, as the MAT's head gives them (no alpha: 0 bits).
struct MatColorFormat {
    uint32_t mode = 0;  // 0 indexed, 1 RGB, 2 RGBA
    std::array<uint32_t, 4> bits{};
    std::array<uint32_t, 4> shifts{};
};

struct MatInfo {
    uint32_t type = 0;  // 0 colour material, anything else a texture material
    uint32_t recordCount = 0;
    uint32_t textureCount = 0;
    uint32_t bitsPerPixel = 0;
    bool trueColor = false;  // 16-bit texels of colorFormat, not palette indices
    MatColorFormat colorFormat;
    std::vector<uint32_t> colorIndices;  // colour materials: the index of each record
    uint32_t firstRecordColor = 0;       // the colour word of the first record
    std::vector<MatTexture> textures;    // texture materials: every texture head
    // Why this valid MAT cannot be converted (texels of another size than 8 or 16 bits,
    // a 16-bit colour format that cannot be read); "" when it can.
    std::string unsupported;

    bool IsColor() const { return type == 0; }
};

// Reads the head, the records and every texture head, skipping the smaller mipmap
// levels behind each texture's first level. Fails on what is not a MAT or is truncated.
Result<MatInfo> ParseMat(std::span<const uint8_t> bytes);

// The red, green, blue and alpha bytes of one 16-bit texel: each channel's bits scaled
// to 0..255; without alpha bits the texel is opaque (255).
std::array<uint8_t, 4> DecodeTexel(uint32_t texel, const MatColorFormat& format);

// The image a material becomes: a colour material gives one 256 × 256 cel filled with
// the colour index of its last record; a texture material gives one cel per texture
// with a first level (cels of another size than the first are left out), palette
// indices of an 8-bit material or the colours (rgba) of a 16-bit one. Fails also on a
// MAT that cannot be converted (MatInfo::unsupported).
Result<MaterialImage> ConvertMat(std::span<const uint8_t> bytes, const Palette& palette);
// The same with the palette only when there is a colormap: without one, only materials
// that need none (16-bit textures) convert.
Result<MaterialImage> ConvertMat(std::span<const uint8_t> bytes, const Palette* palette);

// Only the first cel: types 2 and 3 are textures, 0 colour; other types give no image.
Result<MaterialImage> ConvertMatFirstCel(std::span<const uint8_t> bytes, const Palette& palette);
Result<MaterialImage> ConvertMatFirstCel(std::span<const uint8_t> bytes, const Palette* palette);

// Whether the material's picture is made through a colormap (everything but 16-bit
// textures); true for bytes that are no MAT.
bool MatNeedsColormap(std::span<const uint8_t> bytes);

// Texture size in texels of a material (what faces scale their texture coordinates
// by): cel 0 of a texture material, 256 × 256 for a colour material.
Result<TextureSize> MaterialTextureSize(std::span<const uint8_t> bytes);

// A texture MAT of one cel (the image's first) and one level:
// 76 + 40 + 24 + width × height bytes. Paletted images only (16-bit MATs are not written).
// A transparent one has the texture's transparency flag set: its index 0 is not drawn.
std::vector<uint8_t> MakeMat(const MaterialImage& image, bool transparent = false);

// A colour material of one record: 76 + 24 bytes.
std::vector<uint8_t> MakeColorMat(uint8_t colorIndex);

// Moves every pixel onto the nearest colour of palette (squared distance, the lower
// index on ties; one search per distinct source colour) and gives the image that
// palette; a true-colour image becomes an 8-bit one (alpha is not kept).
void RemapToPalette(MaterialImage& image, const Palette& palette);
// The palette index nearest to a colour (squared distance, the lower index on ties), from
// first on: the one rule every picture, colour and table is matched to the palette by.
uint8_t NearestPaletteIndex(const Palette& palette, uint8_t r, uint8_t g, uint8_t b, int first = 0);

// ---- resolving names through the catalogue ------------------------------------

// A colormap by name, else "01redmap.cmp", from the catalogue; fails when neither is there.
Result<ColormapData> LoadColormap(const ResourceCatalog& catalog, const std::filesystem::path& resourceFile,
                                  std::string_view name);

// A material's MAT bytes: the catalogue's stock material, else the custom material of
// that name (case-insensitive, in list order), else the catalogue's "00cab02.mat";
// fails when none is there.
Result<std::vector<uint8_t>> FindMaterialBytes(const ResourceCatalog& catalog,
                                               const std::filesystem::path& resourceFile,
                                               const SortedEntryList* customMaterials, std::string_view name);

// Resolves and converts a material; fails when the material or the colormap cannot be
// found or converted (the face is then drawn untextured).
Result<MaterialImage> ResolveMaterialImage(const ResourceCatalog& catalog, const std::filesystem::path& resourceFile,
                                           const SortedEntryList* customMaterials, std::string_view materialName,
                                           std::string_view colormapName);

// Texture sizes as drawing uses them: the size of the image the material resolves to
// through the colormap, nothing when it resolves to no image. Results are remembered per
// name; the catalogue and custom materials must outlive the function.
TextureSizeFn MaterialSizeFunction(const ResourceCatalog& catalog, const std::filesystem::path& resourceFile,
                                   const SortedEntryList* customMaterials, std::string colormapName);

}  // namespace orv
