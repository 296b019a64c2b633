#include "resources/png.h"

#include <png.h>

#include <string>
#include <string_view>

#include "model/fileio.h"

namespace orv {

std::vector<uint8_t> EncodePng(int32_t width, int32_t height, const std::vector<uint8_t>& rgba)
{
    if (width <= 0 || height <= 0 ||
        rgba.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4)
        return {};
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    // The first call measures, the second writes.
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr))
        return {};
    std::vector<uint8_t> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr))
        return {};
    out.resize(size);
    return out;
}

Status WritePng(const std::filesystem::path& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgba)
{
    const std::vector<uint8_t> bytes = EncodePng(width, height, rgba);
    if (bytes.empty())
        return Fail("The picture cannot be encoded.");
    return WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Result<RgbaPicture> DecodePng(std::span<const uint8_t> bytes)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return Fail(std::string("not a readable PNG (") + image.message + ")");
    if (image.width == 0 || image.height == 0 ||
        static_cast<std::size_t>(image.width) * image.height > kMaxPicturePixels) {
        png_image_free(&image);
        return Fail("the PNG is " + std::to_string(image.width) + " x " + std::to_string(image.height) +
                    " pixels, more than can be taken");
    }
    image.format = PNG_FORMAT_RGBA;
    RgbaPicture out;
    out.width = static_cast<int32_t>(image.width);
    out.height = static_cast<int32_t>(image.height);
    out.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr))
        return Fail(std::string("a damaged PNG (") + image.message + ")");
    return out;
}

}  // namespace orv
