#include "resources/material.h"

#include <algorithm>
#include <limits>
#include <map>
#include <memory>

#include "resources/bytes.h"
#include "resources/catalog.h"
#include "resources/util.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

constexpr int kColorImageSize = 256;

// Bytes per texel of a texture material; 16-bit and true-colour materials occupy more.
uint64_t TexelBytes(uint32_t bitsPerPixel)
{
    return bitsPerPixel > 8 ? (bitsPerPixel + 7) / 8 : 1;
}

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
    return std::to_string(bits) + "-bit materials are not supported (only 8-bit ones)";
}

}  // namespace

bool ColormapData::HasTransparency() const
{
    return LoadU32(head.data() + 8) != 0;
}

bool ParseColormap(std::span<const uint8_t> bytes, ColormapData& out, std::string* error)
{
    if (bytes.size() < kColormapDataSize) {
        SetError(error, "too short for a colormap (" + std::to_string(bytes.size()) + " bytes, at least 17216 expected)");
        return false;
    }
    std::copy_n(bytes.begin(), kColormapHeadSize, out.head.begin());
    std::copy_n(bytes.begin() + kColormapHeadSize, 768, out.palette.begin());
    out.lightTable.assign(bytes.begin() + kColormapHeadSize + 768, bytes.begin() + kColormapDataSize);
    return true;
}

int32_t StrideOf(int32_t width)
{
    return (width + 3) / 4 * 4;
}

void SetImagePalette(MaterialImage& image, const Palette& palette)
{
    for (int i = 0; i < 256; ++i) {
        image.palette[i * 4 + 0] = palette[i * 3 + 2];
        image.palette[i * 4 + 1] = palette[i * 3 + 1];
        image.palette[i * 4 + 2] = palette[i * 3 + 0];
        image.palette[i * 4 + 3] = 0;
    }
}

MatStatus ParseMat(std::span<const uint8_t> bytes, MatInfo& out, std::string* error)
{
    out = MatInfo{};
    const uint64_t size = bytes.size();
    if (size < kMatHeadSize) {
        SetError(error, "too short for a MAT (" + std::to_string(size) + " bytes, the head alone is 76)");
        return MatStatus::Invalid;
    }
    const uint8_t* p = bytes.data();
    out.type = LoadU32(p + 8);
    out.recordCount = LoadU32(p + 12);
    out.textureCount = LoadU32(p + 16);
    out.bitsPerPixel = LoadU32(p + 24);

    if (out.IsColor()) {
        if (out.recordCount == 0) {
            SetError(error, "colour material without colour records");
            return MatStatus::Invalid;
        }
        if (out.recordCount > (size - kMatHeadSize) / kMatColorRecordSize) {
            SetError(error, "the MAT's " + std::to_string(out.recordCount) + " colour records are truncated");
            return MatStatus::Invalid;
        }
        for (uint32_t i = 0; i < out.recordCount; ++i)
            out.colorIndices.push_back(LoadU32(p + kMatHeadSize + i * kMatColorRecordSize + 4));
        return MatStatus::Ok;
    }

    if (out.recordCount > (size - kMatHeadSize) / kMatTextureRecordSize) {
        SetError(error, "the MAT's " + std::to_string(out.recordCount) + " texture records are truncated");
        return MatStatus::Invalid;
    }
    const uint64_t texel = TexelBytes(out.bitsPerPixel);
    uint64_t pos = kMatHeadSize + static_cast<uint64_t>(out.recordCount) * kMatTextureRecordSize;
    for (uint32_t t = 0; t < out.recordCount; ++t) {
        if (pos > size || size - pos < kMatTextureHeadSize) {
            SetError(error, "texture " + std::to_string(t) + " of the MAT is truncated");
            return MatStatus::Invalid;
        }
        MatTexture tex;
        tex.width = LoadU32(p + pos);
        tex.height = LoadU32(p + pos + 4);
        tex.transparent = LoadU32(p + pos + 8);
        tex.mipmapCount = LoadU32(p + pos + 20);
        pos += kMatTextureHeadSize;
        if (tex.mipmapCount > 0) {
            const uint64_t level0 = static_cast<uint64_t>(tex.width) * tex.height * texel;
            if (level0 > size - pos) {
                SetError(error, "the pixels of texture " + std::to_string(t) + " (" + std::to_string(tex.width) + " x " +
                                    std::to_string(tex.height) + ") are truncated");
                return MatStatus::Invalid;
            }
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
    if (out.bitsPerPixel > 8) {
        SetError(error, UnsupportedText(out.bitsPerPixel));
        return MatStatus::Unsupported;
    }
    return MatStatus::Ok;
}

namespace {

// A colour material's one cel, or a texture material's cels: every texture with a first
// level of the first one's size, or only the first of them (where types other than
// colour and texture give no picture).
MatStatus MaterialCels(std::span<const uint8_t> bytes, const Palette& palette, MaterialImage& out,
                       std::string* error, bool firstCelOnly)
{
    out = MaterialImage{};
    MatInfo info;
    const MatStatus st = ParseMat(bytes, info, error);
    if (st != MatStatus::Ok)
        return st;
    if (info.IsColor()) {
        FillColorImage(info.colorIndices.back(), palette, out);
        return MatStatus::Ok;
    }
    if (firstCelOnly) {
        if (info.type != 2 && info.type != 3) {
            SetError(error, "material type " + std::to_string(info.type) + " holds no picture");
            return MatStatus::Invalid;
        }
        if (info.textures.empty() || info.textures[0].mipmapCount == 0) {
            SetError(error, "the material holds no picture");
            return MatStatus::Invalid;
        }
    }
    const MatTexture* first = FirstPicture(info);
    if (!first || first->width == 0 || first->height == 0) {
        SetError(error, "the material holds no picture");
        return MatStatus::Invalid;
    }
    const std::size_t celBytes = static_cast<std::size_t>(first->width) * first->height;
    if (first->width > static_cast<uint32_t>(std::numeric_limits<int32_t>::max() - 3) ||
        first->height > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
        SetError(error, "the material's texture is too large");
        return MatStatus::Invalid;
    }
    out.width = static_cast<int32_t>(first->width);
    out.height = static_cast<int32_t>(first->height);
    out.stride = StrideOf(out.width);
    for (const auto& t : info.textures) {
        if (t.mipmapCount == 0 || t.width != first->width || t.height != first->height)
            continue;
        out.pixels.insert(out.pixels.end(), bytes.begin() + static_cast<std::ptrdiff_t>(t.pixelOffset),
                          bytes.begin() + static_cast<std::ptrdiff_t>(t.pixelOffset + celBytes));
        ++out.celCount;
        if (firstCelOnly)
            break;
    }
    SetImagePalette(out, palette);
    return MatStatus::Ok;
}

}  // namespace

MatStatus ConvertMat(std::span<const uint8_t> bytes, const Palette& palette, MaterialImage& out, std::string* error)
{
    return MaterialCels(bytes, palette, out, error, false);
}

MatStatus ConvertMatFirstCel(std::span<const uint8_t> bytes, const Palette& palette, MaterialImage& out,
                             std::string* error)
{
    return MaterialCels(bytes, palette, out, error, true);
}

MatStatus MaterialTextureSize(std::span<const uint8_t> bytes, int32_t& width, int32_t& height, std::string* error)
{
    MatInfo info;
    const MatStatus st = ParseMat(bytes, info, error);
    if (st == MatStatus::Invalid)
        return st;
    if (info.IsColor()) {
        width = height = kColorImageSize;
        return MatStatus::Ok;
    }
    const MatTexture* first = FirstPicture(info);
    if (!first || first->width == 0 || first->height == 0 ||
        first->width > static_cast<uint32_t>(std::numeric_limits<int32_t>::max() - 3) ||
        first->height > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
        SetError(error, "the material holds no picture");
        return MatStatus::Invalid;
    }
    width = static_cast<int32_t>(first->width);
    height = static_cast<int32_t>(first->height);
    return MatStatus::Ok;  // the size is known also for materials that cannot be converted
}

std::vector<uint8_t> MakeMat(const MaterialImage& image)
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
    AppendU32(out, 0);
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

void RemapToPalette(MaterialImage& image, const Palette& palette)
{
    std::array<int, 256> memo;
    memo.fill(-1);
    for (auto& px : image.pixels) {
        int& m = memo[px];
        if (m < 0) {
            const auto src = image.Rgb(px);
            int best = 0;
            long bestDist = std::numeric_limits<long>::max();
            for (int i = 0; i < 256; ++i) {
                const long dr = static_cast<long>(palette[i * 3]) - src[0];
                const long dg = static_cast<long>(palette[i * 3 + 1]) - src[1];
                const long db = static_cast<long>(palette[i * 3 + 2]) - src[2];
                const long d = dr * dr + dg * dg + db * db;
                if (d < bestDist) {  // strictly smaller: the lower index wins a tie
                    bestDist = d;
                    best = i;
                }
            }
            m = best;
        }
        px = static_cast<uint8_t>(m);
    }
    SetImagePalette(image, palette);
}

bool LoadColormap(const ResourceCatalog& catalog, const fs::path& resourceFile, std::string_view name, ColormapData& out,
                  std::string* error)
{
    const CTreeObject* entry = catalog.colormaps.Lookup(name);
    if (!entry)
        entry = catalog.colormaps.Lookup(kFallbackColormap);
    if (!entry) {
        SetError(error, "neither the colormap " + std::string(name) + " nor " + kFallbackColormap + " is in the catalogue");
        return false;
    }
    if (entry->size < kColormapDataSize) {
        SetError(error, "colormap " + entry->name + " is too short (" + std::to_string(entry->size) + " bytes)");
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!ReadFileRange(resourceFile, entry->offset, kColormapDataSize, bytes, error))
        return false;
    return ParseColormap(bytes, out, error);
}

bool FindMaterialBytes(const ResourceCatalog& catalog, const fs::path& resourceFile, const CTree* customMaterials,
                       std::string_view name, std::vector<uint8_t>& out, std::string* error)
{
    if (const CTreeObject* stock = catalog.materials.Lookup(name))
        return ReadEntryData(resourceFile, *stock, out, error);
    if (customMaterials)
        for (const auto& e : customMaterials->Entries())
            if (CompareNoCase(e->shortName, name) == 0) {
                out = e->data;
                return true;
            }
    if (const CTreeObject* fallback = catalog.materials.Lookup(kFallbackMaterial))
        return ReadEntryData(resourceFile, *fallback, out, error);
    SetError(error, "neither the material " + std::string(name) + " nor " + kFallbackMaterial + " is available");
    return false;
}

std::optional<MaterialImage> ResolveMaterialImage(const ResourceCatalog& catalog, const fs::path& resourceFile,
                                                  const CTree* customMaterials, std::string_view materialName,
                                                  std::string_view colormapName, std::string* error)
{
    ColormapData cmp;
    if (!LoadColormap(catalog, resourceFile, colormapName, cmp, error))
        return std::nullopt;
    std::vector<uint8_t> mat;
    if (!FindMaterialBytes(catalog, resourceFile, customMaterials, materialName, mat, error))
        return std::nullopt;
    MaterialImage image;
    if (ConvertMat(mat, cmp.palette, image, error) != MatStatus::Ok)
        return std::nullopt;
    return image;
}

TextureSizeFn MaterialSizeFunction(const ResourceCatalog& catalog, const std::filesystem::path& resourceFile,
                                   const CTree* customMaterials, std::string colormapName)
{
    auto cache = std::make_shared<std::map<std::string, std::optional<TextureSize>>>();
    return [&catalog, resourceFile, customMaterials, colormapName = std::move(colormapName),
            cache](const std::string& material) -> std::optional<TextureSize> {
        auto it = cache->find(material);
        if (it != cache->end())
            return it->second;
        std::optional<TextureSize> size;
        if (auto image = ResolveMaterialImage(catalog, resourceFile, customMaterials, material, colormapName))
            size = TextureSize{image->width, image->height};
        cache->emplace(material, size);
        return size;
    };
}

}  // namespace orv
