// The renderer's textures: one per (material, colormap) pair, made from the material's
// 8-bit picture and kept sorted by the two lower-case names.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "render/gl_api.h"

namespace orv {

// A material converted through a colormap: cels of width × height palette indices,
// one after the other, each top row first (row 0 is v = 0), and the 256 colours as
// R, G, B bytes. A 16-bit material has its colours instead: rgba holds the cels as
// R, G, B, A bytes per pixel, and pixels stays empty.
struct TextureImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t cels = 0;
    std::vector<uint8_t> pixels;
    std::array<uint8_t, 768> palette{};
    std::vector<uint8_t> rgba;
    bool transparent = false;  // index 0 (alpha under half) is not drawn
    uint8_t solidColor = 0;    // the palette index of the material's untextured faces
};

// Finds and converts a material; nothing when it cannot be had. Names are lower case.
using MaterialResolver =
    std::function<std::optional<TextureImage>(const std::string& material, const std::string& colormap)>;

struct TextureRecord {
    std::string material;  // lower case
    std::string colormap;  // lower case
    int32_t width = 0;     // of one cel
    int32_t height = 0;
    int32_t currentCel = 0;
    int32_t firstCel = 0;
    std::unique_ptr<TextureImage> image;  // null when the material could not be had
    GLuint texture = 0;                   // 0 when there is no picture
    // The handle faces carry; never reused, so a face holding the handle of a deleted
    // texture finds nothing rather than another texture.
    uint32_t handle = 0;
};

// The cel a new texture shows: one cel gives cel 0, several give the last one. Below
// one cel there is nothing to show (-1).
int32_t InitialCel(int32_t cels);

// Converts one cel to 16-bit 5-6-5 texels (red in the top bits), rows as stored. Empty
// when the image does not hold that cel.
std::vector<uint16_t> ConvertCelTo565(const TextureImage& image, int32_t cel);
// The same for a transparent image, as 5-5-5-1 texels (alpha in the lowest bit): index 0
// of a paletted picture, or alpha under half, is clear and the view does not draw it.
std::vector<uint16_t> ConvertCelTo5551(const TextureImage& image, int32_t cel);

class TextureCache {
public:
    TextureCache() = default;
    ~TextureCache();
    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;

    // The GL functions to make textures with; until they are loaded records keep no
    // texture.
    void SetApi(const GlApi* gl) { gl_ = gl; }
    void SetResolver(MaterialResolver resolver) { resolver_ = std::move(resolver); }
    bool HasResolver() const { return static_cast<bool>(resolver_); }

    // The texture of a material through a colormap, made on first use. Null for an
    // empty material name and for a material that has no picture (that answer is
    // remembered too, so a missing material is looked up once).
    const TextureRecord* GetTexture(const std::string& material, const std::string& colormap);
    // The record behind GetTexture, also when it holds no texture: its picture (and so
    // its size) may be known though the texture could not be made. Null for an empty
    // material name.
    const TextureRecord* Record(const std::string& material, const std::string& colormap);
    // The texture a face handle names, null when it names none (or a deleted one).
    const TextureRecord* Find(uint32_t handle) const;

    // Deletes every texture.
    void Clear();
    const std::vector<std::unique_ptr<TextureRecord>>& Records() const { return records_; }

private:
    void Upload(TextureRecord& record);

    const GlApi* gl_ = nullptr;
    MaterialResolver resolver_;
    std::vector<std::unique_ptr<TextureRecord>> records_;
    std::unordered_map<uint32_t, TextureRecord*> byHandle_;
    uint32_t nextHandle_ = 1;
};

}  // namespace orv
