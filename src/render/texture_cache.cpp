#include "render/texture_cache.h"

#include <algorithm>
#include <cctype>
#include <tuple>

#include "base/text.h"

namespace orv {

namespace {

// The picture must hold every cel it claims, or it is not used at all.
bool Usable(const TextureImage& image)
{
    if (image.width <= 0 || image.height <= 0 || image.cels <= 0)
        return false;
    const uint64_t need =
        static_cast<uint64_t>(image.width) * static_cast<uint64_t>(image.height) * static_cast<uint64_t>(image.cels);
    if (!image.rgba.empty())
        return image.rgba.size() / 4 >= need;
    return image.pixels.size() >= need;
}

}  // namespace

int32_t InitialCel(int32_t cels)
{
    if (cels < 1)
        return -1;
    // Start one before the last cel and advance once, wrapping to the first.
    int32_t cel = cels - 2;
    cel += 1;
    if (cel >= cels)
        cel = 0;
    return cel;
}

namespace {

// Each texel of the cel from its red, green and blue bytes and whether it is drawn.
template <typename Pack>
std::vector<uint16_t> ConvertCel(const TextureImage& image, int32_t cel, Pack pack)
{
    if (!Usable(image) || cel < 0 || cel >= image.cels)
        return {};
    const std::size_t count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    const std::size_t offset = count * static_cast<std::size_t>(cel);
    std::vector<uint16_t> texels(count);
    const bool trueColor = !image.rgba.empty();
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t index = trueColor ? 0 : image.pixels[offset + i];
        const uint8_t* rgb = trueColor ? &image.rgba[(offset + i) * 4] : &image.palette[std::size_t{index} * 3];
        const bool drawn = trueColor ? rgb[3] >= 128 : index != 0;
        texels[i] = pack(rgb, drawn);
    }
    return texels;
}

}  // namespace

std::vector<uint16_t> ConvertCelTo565(const TextureImage& image, int32_t cel)
{
    return ConvertCel(image, cel, [](const uint8_t* rgb, bool) {
        return static_cast<uint16_t>(((rgb[0] >> 3) << 11) | ((rgb[1] >> 2) << 5) | (rgb[2] >> 3));
    });
}

std::vector<uint16_t> ConvertCelTo5551(const TextureImage& image, int32_t cel)
{
    return ConvertCel(image, cel, [](const uint8_t* rgb, bool drawn) {
        return static_cast<uint16_t>(((rgb[0] >> 3) << 11) | ((rgb[1] >> 3) << 6) | ((rgb[2] >> 3) << 1) |
                                     (drawn ? 1 : 0));
    });
}

TextureCache::~TextureCache() { Clear(); }

void TextureCache::Clear()
{
    for (auto& r : records_)
        if (r->texture && gl_ && gl_->loaded)
            gl_->DeleteTextures(1, &r->texture);
    records_.clear();
    byHandle_.clear();
}

const TextureRecord* TextureCache::Find(uint32_t handle) const
{
    if (handle == 0)
        return nullptr;
    const auto it = byHandle_.find(handle);
    return it == byHandle_.end() ? nullptr : it->second;
}

const TextureRecord* TextureCache::GetTexture(const std::string& material, const std::string& colormap)
{
    const TextureRecord* r = Record(material, colormap);
    return r && r->texture ? r : nullptr;
}

const TextureRecord* TextureCache::Record(const std::string& material, const std::string& colormap)
{
    const std::string m = ToLowerAscii(material);
    const std::string c = ToLowerAscii(colormap);
    const auto it =
        std::lower_bound(records_.begin(), records_.end(), std::pair(m, c),
                         [](const std::unique_ptr<TextureRecord>& r, const std::pair<std::string, std::string>& key) {
                             return std::tie(r->material, r->colormap) < std::tie(key.first, key.second);
                         });
    if (it != records_.end() && (*it)->material == m && (*it)->colormap == c)
        return it->get();
    if (m.empty())
        return nullptr;

    auto record = std::make_unique<TextureRecord>();
    record->material = m;
    record->colormap = c;
    record->handle = nextHandle_++;
    if (resolver_) {
        if (auto image = resolver_(m, c); image && Usable(*image)) {
            record->width = image->width;
            record->height = image->height;
            record->currentCel = InitialCel(image->cels);
            record->image = std::make_unique<TextureImage>(std::move(*image));
            Upload(*record);
        }
    }
    TextureRecord* r = record.get();
    byHandle_[r->handle] = r;
    records_.insert(it, std::move(record));
    return r;
}

void TextureCache::Upload(TextureRecord& r)
{
    if (!gl_ || !gl_->loaded || !r.image)
        return;
    GLint maxSize = 0;
    gl_->GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (r.width > maxSize || r.height > maxSize)
        return;
    const bool clear = r.image->transparent;
    const std::vector<uint16_t> texels =
        clear ? ConvertCelTo5551(*r.image, r.currentCel) : ConvertCelTo565(*r.image, r.currentCel);
    if (texels.empty())
        return;
    gl_->DrainErrors();
    GLint oldTexture = 0;
    gl_->GetIntegerv(GL_TEXTURE_BINDING_2D, &oldTexture);
    gl_->GenTextures(1, &r.texture);
    gl_->BindTexture(GL_TEXTURE_2D, r.texture);
    // Rows of an odd width are not 4-byte aligned.
    gl_->PixelStorei(GL_UNPACK_ALIGNMENT, 2);
    if (clear)
        gl_->TexImage2D(GL_TEXTURE_2D, 0, GL_RGB5_A1, r.width, r.height, 0, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1,
                        texels.data());
    else
        gl_->TexImage2D(GL_TEXTURE_2D, 0, GL_RGB565, r.width, r.height, 0, GL_RGB, GL_UNSIGNED_SHORT_5_6_5,
                        texels.data());
    gl_->PixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // One level only: filtering is set on the device's sampler.
    gl_->TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl_->BindTexture(GL_TEXTURE_2D, static_cast<GLuint>(oldTexture));
    if (gl_->GetError() != GL_NO_ERROR) {
        gl_->DeleteTextures(1, &r.texture);
        r.texture = 0;
    }
}

}  // namespace orv
