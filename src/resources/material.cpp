#include "resources/material.h"

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <unordered_map>

#include "base/text.h"
#include "resources/bytes.h"
#include "resources/catalog.h"
#include "resources/searchpath.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

constexpr int kColorImageSize = 256;

// Bytes per texel of a texture material; 16-bit and true-colour materials occupy more.
uint64_t TexelBytes(uint32_t bitsPerPixel) { return bitsPerPixel > 8 ? (bitsPerPixel + 7) / 8 : 1; }

void FillColorImage(uint32_t colorIndex, const Palette& palette, MaterialImage& out)
{
    out = MaterialImage{};
    out.width = out.height = kColorImageSize;
    out.stride = kColorImageSize;
    out.celCount = 1;
    out.pixels.assign(static_cast<std::size_t>(kColorImageSize) * kColorImageSize, static_cast<uint8_t>(colorIndex));
    SetImagePalette(out, palette);
}

// The texture whose size the cels have: the first with a first level.
const MatTexture* FirstPicture(const MatInfo& info)
{
    for (const auto& t : info.textures)
        if (t.mipmapCount > 0)
            return &t;
    return nullptr;
}

std::string UnsupportedText(uint32_t bits)
{
    return std::to_string(bits) + "-bit materials are not supported (only 8- and 16-bit ones)";
}

constexpr uint32_t kTrueColorBits = 16;

// The 16-bit colour format of the head (offset 20: mode; 28..48: red, green, blue bits
// and shifts; 64, 68: alpha bits and shift). Heads that leave the channels at 0 (the
// game reads them by mode alone) get its two layouts: RGB 5-6-5, and 1-5-5-5 with alpha
// on top for mode 2.
MatColorFormat ReadColorFormat(const uint8_t* head)
{
    MatColorFormat f;
    f.mode = LoadU32(head + 20);
    f.bits = {LoadU32(head + 28), LoadU32(head + 32), LoadU32(head + 36), LoadU32(head + 64)};
    f.shifts = {LoadU32(head + 40), LoadU32(head + 44), LoadU32(head + 48), LoadU32(head + 68)};
    if (f.bits[0] == 0 && f.bits[1] == 0 && f.bits[2] == 0) {
        if (f.mode == 2) {
            f.bits = {5, 5, 5, 1};
            f.shifts = {10, 5, 0, 15};
        } else {
            f.bits = {5, 6, 5, 0};
            f.shifts = {11, 5, 0, 0};
        }
    }
    return f;
}

// Why the texels cannot be read in this format, "" when they can: every colour channel
// holds 1 to 8 bits, alpha up to 8, and all lie inside the 16 bits.
std::string CheckColorFormat(const MatColorFormat& f)
{
    static const char* const names[4] = {"red", "green", "blue", "alpha"};
    for (int c = 0; c < 4; ++c) {
        const uint32_t bits = f.bits[static_cast<std::size_t>(c)];
        const uint32_t shift = f.shifts[static_cast<std::size_t>(c)];
        const bool none = c == 3 && bits == 0;
        if (none)
            continue;
        if (bits < 1 || bits > 8 || shift >= kTrueColorBits || bits > kTrueColorBits - shift)
            return std::string("the 16-bit colour format cannot be read: ") + names[c] + " has " +
                   std::to_string(bits) + " bits at bit " + std::to_string(shift);
    }
    return {};
}

}  // namespace

bool ColormapData::HasTransparency() const { return LoadU32(head.data() + 8) != 0; }

Result<ColormapData> ParseColormap(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kColormapDataSize)
        return Fail("too short for a colormap (" + std::to_string(bytes.size()) + " bytes, at least 17216 expected)");
    ColormapData out;
    std::copy_n(bytes.begin(), kColormapHeadSize, out.head.begin());
    std::copy_n(bytes.begin() + kColormapHeadSize, 768, out.palette.begin());
    out.lightTable.assign(bytes.begin() + kColormapHeadSize + 768, bytes.begin() + kColormapDataSize);
    if (out.HasTransparency() && bytes.size() >= kColormapDataSize + kTransparencyTableSize)
        out.transparencyTable.assign(bytes.begin() + kColormapDataSize,
                                     bytes.begin() + kColormapDataSize + kTransparencyTableSize);
    return out;
}

int32_t StrideOf(int32_t width) { return (width + 3) / 4 * 4; }

void SetImagePalette(MaterialImage& image, const Palette& palette)
{
    for (int i = 0; i < 256; ++i) {
        image.palette[i * 4 + 0] = palette[i * 3 + 2];
        image.palette[i * 4 + 1] = palette[i * 3 + 1];
        image.palette[i * 4 + 2] = palette[i * 3 + 0];
        image.palette[i * 4 + 3] = 0;
    }
}

Result<MatInfo> ParseMat(std::span<const uint8_t> bytes)
{
    MatInfo out;
    const uint64_t size = bytes.size();
    if (size < kMatHeadSize)
        return Fail("too short for a MAT (" + std::to_string(size) + " bytes, the head alone is 76)");
    const uint8_t* p = bytes.data();
    out.type = LoadU32(p + 8);
    out.recordCount = LoadU32(p + 12);
    out.textureCount = LoadU32(p + 16);
    out.bitsPerPixel = LoadU32(p + 24);
    out.trueColor = out.bitsPerPixel == kTrueColorBits;
    if (out.trueColor)
        out.colorFormat = ReadColorFormat(p);

    if (out.IsColor()) {
        if (out.recordCount == 0)
            return Fail("colour material without colour records");
        if (out.recordCount > (size - kMatHeadSize) / kMatColorRecordSize)
            return Fail("the MAT's " + std::to_string(out.recordCount) + " colour records are truncated");
        for (uint32_t i = 0; i < out.recordCount; ++i)
            out.colorIndices.push_back(LoadU32(p + kMatHeadSize + i * kMatColorRecordSize + 4));
        out.firstRecordColor = out.colorIndices.front();
        return out;
    }

    if (out.recordCount > (size - kMatHeadSize) / kMatTextureRecordSize)
        return Fail("the MAT's " + std::to_string(out.recordCount) + " texture records are truncated");
    if (out.recordCount > 0)
        out.firstRecordColor = LoadU32(p + kMatHeadSize + 4);
    const uint64_t texel = TexelBytes(out.bitsPerPixel);
    uint64_t pos = kMatHeadSize + static_cast<uint64_t>(out.recordCount) * kMatTextureRecordSize;
    for (uint32_t t = 0; t < out.recordCount; ++t) {
        if (pos > size || size - pos < kMatTextureHeadSize)
            return Fail("texture " + std::to_string(t) + " of the MAT is truncated");
        MatTexture tex;
        tex.width = LoadU32(p + pos);
        tex.height = LoadU32(p + pos + 4);
        tex.transparent = LoadU32(p + pos + 8);
        tex.mipmapCount = LoadU32(p + pos + 20);
        pos += kMatTextureHeadSize;
        if (tex.mipmapCount > 0) {
            const uint64_t level0 = static_cast<uint64_t>(tex.width) * tex.height * texel;
            if (level0 > size - pos)
                return Fail("the pixels of texture " + std::to_string(t) + " (" + std::to_string(tex.width) + " x " +
                            std::to_string(tex.height) + ") are truncated");
            tex.pixelOffset = static_cast<std::size_t>(pos);
            pos += level0;
            // The smaller levels, each half the width and height of the one before. Only
            // a following texture needs them to be present (its head is checked above).
            const uint32_t levels = std::min<uint32_t>(tex.mipmapCount, 32);
            for (uint32_t k = 1; k < levels; ++k)
                pos += static_cast<uint64_t>(tex.width >> k) * (tex.height >> k) * texel;
        }
        out.textures.push_back(tex);
    }
    if (out.trueColor)
        out.unsupported = CheckColorFormat(out.colorFormat);
    else if (out.bitsPerPixel > 8)
        out.unsupported = UnsupportedText(out.bitsPerPixel);
    return out;
}

std::array<uint8_t, 4> DecodeTexel(uint32_t texel, const MatColorFormat& format)
{
    std::array<uint8_t, 4> out{0, 0, 0, 255};
    for (std::size_t c = 0; c < 4; ++c) {
        const uint32_t bits = format.bits[c];
        if (bits == 0 || bits > 16 || format.shifts[c] >= 32)
            continue;
        const uint32_t max = (1u << bits) - 1;
        const uint32_t value = (texel >> format.shifts[c]) & max;
        // Scaled, not shifted: the brightest value of any width becomes 255.
        out[c] = static_cast<uint8_t>((value * 255 + max / 2) / max);
    }
    return out;
}

namespace {

// A colour material's one cel, or a texture material's cels: every texture with a first
// level of the first one's size, or only the first of them (where types other than
// colour and texture give no picture). Paletted pictures need the palette.
Result<MaterialImage> MaterialCels(std::span<const uint8_t> bytes, const Palette* palette, bool firstCelOnly)
{
    const auto parsed = ParseMat(bytes);
    if (!parsed)
        return Fail(parsed.error());
    const MatInfo& info = *parsed;
    if (!info.unsupported.empty())
        return Fail(info.unsupported);
    const bool trueColor = info.trueColor && !info.IsColor();
    if (!trueColor && !palette)
        return Fail("no colormap to show the material's colours with");
    MaterialImage out;
    if (info.IsColor()) {
        FillColorImage(info.colorIndices.back(), *palette, out);
        out.solidColor = static_cast<uint8_t>(info.colorIndices.back());
        return out;
    }
    if (firstCelOnly) {
        if (info.type != 2 && info.type != 3)
            return Fail("material type " + std::to_string(info.type) + " holds no picture");
        if (info.textures.empty() || info.textures[0].mipmapCount == 0)
            return Fail("the material holds no picture");
    }
    const MatTexture* first = FirstPicture(info);
    if (!first || first->width == 0 || first->height == 0)
        return Fail("the material holds no picture");
    const std::size_t celTexels = static_cast<std::size_t>(first->width) * first->height;
    if (first->width > static_cast<uint32_t>(std::numeric_limits<int32_t>::max() - 3) ||
        first->height > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()))
        return Fail("the material's texture is too large");
    out.width = static_cast<int32_t>(first->width);
    out.height = static_cast<int32_t>(first->height);
    out.stride = StrideOf(out.width);
    out.transparent = first->transparent != 0;
    out.solidColor = static_cast<uint8_t>(info.firstRecordColor);
    for (const auto& t : info.textures) {
        if (t.mipmapCount == 0 || t.width != first->width || t.height != first->height)
            continue;
        const uint8_t* src = bytes.data() + t.pixelOffset;
        if (trueColor) {
            const std::size_t at = out.rgba.size();
            out.rgba.resize(at + celTexels * 4);
            uint8_t* dst = out.rgba.data() + at;
            for (std::size_t i = 0; i < celTexels; ++i, dst += 4) {
                const auto c = DecodeTexel(LoadU16(src + i * 2), info.colorFormat);
                std::copy(c.begin(), c.end(), dst);
            }
        } else {
            out.pixels.insert(out.pixels.end(), src, src + celTexels);
        }
        ++out.celCount;
        if (firstCelOnly)
            break;
    }
    if (palette)
        SetImagePalette(out, *palette);
    return out;
}

}  // namespace

Result<MaterialImage> ConvertMat(std::span<const uint8_t> bytes, const Palette& palette)
{
    return MaterialCels(bytes, &palette, false);
}

Result<MaterialImage> ConvertMat(std::span<const uint8_t> bytes, const Palette* palette)
{
    return MaterialCels(bytes, palette, false);
}

Result<MaterialImage> ConvertMatFirstCel(std::span<const uint8_t> bytes, const Palette& palette)
{
    return MaterialCels(bytes, &palette, true);
}

Result<MaterialImage> ConvertMatFirstCel(std::span<const uint8_t> bytes, const Palette* palette)
{
    return MaterialCels(bytes, palette, true);
}

bool MatNeedsColormap(std::span<const uint8_t> bytes)
{
    const auto parsed = ParseMat(bytes);
    return !parsed || !parsed->trueColor || parsed->IsColor();
}

Result<TextureSize> MaterialTextureSize(std::span<const uint8_t> bytes)
{
    // The size is known also for materials that cannot be converted.
    const auto parsed = ParseMat(bytes);
    if (!parsed)
        return Fail(parsed.error());
    const MatInfo& info = *parsed;
    if (info.IsColor())
        return TextureSize{kColorImageSize, kColorImageSize};
    const MatTexture* first = FirstPicture(info);
    if (!first || first->width == 0 || first->height == 0 ||
        first->width > static_cast<uint32_t>(std::numeric_limits<int32_t>::max() - 3) ||
        first->height > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()))
        return Fail("the material holds no picture");
    return TextureSize{static_cast<int32_t>(first->width), static_cast<int32_t>(first->height)};
}

std::vector<uint8_t> MakeMat(const MaterialImage& image, bool transparent)
{
    const std::size_t celBytes = static_cast<std::size_t>(image.width) * image.height;
    std::vector<uint8_t> out;
    out.reserve(kMatHeadSize + kMatTextureRecordSize + kMatTextureHeadSize + celBytes);
    AppendBytes(out, "MAT ", 4);
    AppendU32(out, 50);  // version
    AppendU32(out, 2);   // texture material
    AppendU32(out, 1);   // records
    AppendU32(out, 1);   // textures
    AppendU32(out, 0);
    AppendU32(out, 8);  // bits per pixel
    out.resize(kMatHeadSize, 0);
    // The texture record.
    AppendU32(out, 8);
    AppendU32(out, 0);  // transparent colour
    for (int i = 0; i < 4; ++i)
        AppendU32(out, 0x3F800000);  // 1.0f
    AppendU32(out, 0);
    AppendU32(out, 0);
    AppendU32(out, 0xBFF78482);
    AppendU32(out, 0);  // texture index
    // The texture head: one level.
    AppendU32(out, static_cast<uint32_t>(image.width));
    AppendU32(out, static_cast<uint32_t>(image.height));
    AppendU32(out, transparent ? 1 : 0);  // transparency flag
    AppendU32(out, 0);
    AppendU32(out, 0);
    AppendU32(out, 1);
    const std::size_t have = std::min(celBytes, image.pixels.size());
    out.insert(out.end(), image.pixels.begin(), image.pixels.begin() + static_cast<std::ptrdiff_t>(have));
    out.resize(kMatHeadSize + kMatTextureRecordSize + kMatTextureHeadSize + celBytes, 0);
    return out;
}

std::vector<uint8_t> MakeColorMat(uint8_t colorIndex)
{
    std::vector<uint8_t> out;
    AppendBytes(out, "MAT ", 4);
    AppendU32(out, 50);
    AppendU32(out, 0);  // colour material
    AppendU32(out, 1);  // records
    AppendU32(out, 0);  // textures
    AppendU32(out, 0);
    AppendU32(out, 8);
    out.resize(kMatHeadSize, 0);
    AppendU32(out, 0);
    AppendU32(out, colorIndex);
    for (int i = 0; i < 4; ++i)
        AppendU32(out, 0x3F800000);
    return out;
}

uint8_t NearestPaletteIndex(const Palette& palette, uint8_t r, uint8_t g, uint8_t b, int first)
{
    int best = std::clamp(first, 0, 255);
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = best; i < 256; ++i) {
        const int dr = palette[i * 3] - r, dg = palette[i * 3 + 1] - g, db = palette[i * 3 + 2] - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {  // strictly smaller: the lower index wins a tie
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

void RemapToPalette(MaterialImage& image, const Palette& palette)
{
    if (image.TrueColor()) {
        const std::size_t count = image.rgba.size() / 4;
        image.pixels.resize(count);
        std::unordered_map<uint32_t, uint8_t> memo;
        for (std::size_t i = 0; i < count; ++i) {
            const uint8_t* p = &image.rgba[i * 4];
            const uint32_t key = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
            auto it = memo.find(key);
            if (it == memo.end())
                it = memo.emplace(key, NearestPaletteIndex(palette, p[0], p[1], p[2])).first;
            image.pixels[i] = it->second;
        }
        image.rgba.clear();
        SetImagePalette(image, palette);
        return;
    }
    std::array<int, 256> memo;
    memo.fill(-1);
    for (auto& px : image.pixels) {
        int& m = memo[px];
        if (m < 0) {
            const auto src = image.Rgb(px);
            m = NearestPaletteIndex(palette, src[0], src[1], src[2]);
        }
        px = static_cast<uint8_t>(m);
    }
    SetImagePalette(image, palette);
}

// The catalogue-only look-ups are the search path without its other places.
namespace {

ResourceSources CatalogSources(const ResourceCatalog& catalog, const fs::path& resourceFile,
                               const SortedEntryList* customMaterials)
{
    ResourceSources sources;
    sources.catalog = &catalog;
    sources.resourceFile = resourceFile;
    sources.customMaterials = customMaterials;
    return sources;
}

}  // namespace

Result<ColormapData> LoadColormap(const ResourceCatalog& catalog, const fs::path& resourceFile, std::string_view name)
{
    const auto found = FindColormap(CatalogSources(catalog, resourceFile, nullptr), name);
    if (!found)
        return Fail(found.error());
    return ParseColormap(found->bytes);
}

Result<std::vector<uint8_t>> FindMaterialBytes(const ResourceCatalog& catalog, const fs::path& resourceFile,
                                               const SortedEntryList* customMaterials, std::string_view name)
{
    auto found = FindMaterial(CatalogSources(catalog, resourceFile, customMaterials), name);
    if (!found)
        return Fail(found.error());
    return std::move(found->bytes);
}

Result<MaterialImage> ResolveMaterialImage(const ResourceCatalog& catalog, const fs::path& resourceFile,
                                           const SortedEntryList* customMaterials, std::string_view materialName,
                                           std::string_view colormapName)
{
    return ResolveMaterialImage(CatalogSources(catalog, resourceFile, customMaterials), materialName, colormapName);
}

TextureSizeFn MaterialSizeFunction(const ResourceCatalog& catalog, const std::filesystem::path& resourceFile,
                                   const SortedEntryList* customMaterials, std::string colormapName)
{
    return MaterialSizeFunction(CatalogSources(catalog, resourceFile, customMaterials), std::move(colormapName));
}

}  // namespace orv
