#include "interchange/textures.h"

#include <jpeglib.h>
#include <stb_image.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "resources/bitmap.h"

namespace orv {

namespace {

// libjpeg reports a damaged file by calling error_exit, which must not return: it jumps
// back to the decoder with the message.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

void OnJpegMessage(j_common_ptr, int) {}

Result<RgbaPicture> DecodeJpeg(std::span<const uint8_t> bytes)
{
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnJpegError;
    error.manager.emit_message = OnJpegMessage;
    // Made before the jump point: nothing whose destructor a jump would skip is made
    // after it.
    auto picture = std::make_unique<RgbaPicture>();
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return Fail(std::string("a damaged JPEG (") + error.message + ")");
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (static_cast<std::size_t>(info.image_width) * info.image_height > kMaxPicturePixels) {
        jpeg_destroy_decompress(&info);
        return Fail("the JPEG has more pixels than can be taken");
    }
    info.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    picture->width = static_cast<int32_t>(info.output_width);
    picture->height = static_cast<int32_t>(info.output_height);
    picture->rgba.resize(static_cast<std::size_t>(info.output_width) * info.output_height * 4);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture->rgba.data() + static_cast<std::size_t>(info.output_scanline) * info.output_width * 4;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return std::move(*picture);
}

// TGA, GIF (its first frame), PSD (its composite), PNM and HDR: the formats the image
// library reads that have no reader of their own here. The size is asked first, so that
// a header announcing more pixels than can be taken costs nothing.
Result<RgbaPicture> DecodeOther(std::span<const uint8_t> bytes)
{
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX))
        return Fail("the picture is too large");
    const int length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    auto fits = [&] {
        return width > 0 && height > 0 &&
               static_cast<std::size_t>(width) * static_cast<std::size_t>(height) <= kMaxPicturePixels;
    };
    if (!stbi_info_from_memory(bytes.data(), length, &width, &height, &channels))
        return Fail("not a picture this program reads (PNG, JPEG, BMP, TGA, GIF, PSD, PNM or HDR)");
    if (!fits())
        return Fail("the picture has more pixels than can be taken");
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 4), stbi_image_free);
    if (!pixels)
        return Fail(std::string("a damaged picture (") + stbi_failure_reason() + ")");
    if (!fits())  // the decoder's own size, should it differ from what the head said
        return Fail("the picture has more pixels than can be taken");
    RgbaPicture out;
    out.width = width;
    out.height = height;
    out.rgba.assign(pixels.get(), pixels.get() + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    return out;
}

}  // namespace

Result<RgbaPicture> DecodePicture(std::span<const uint8_t> bytes)
{
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() >= 8 && std::equal(kPng, kPng + 8, bytes.begin()))
        return DecodePng(bytes);
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        auto bmp = ReadBmp(bytes);
        if (!bmp)
            return Fail(bmp.error());
        RgbaPicture out;
        out.width = bmp->width;
        out.height = bmp->height;
        if (bmp->TrueColor()) {
            out.rgba = std::move(bmp->rgba);
            return out;
        }
        out.rgba.reserve(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) * 4);
        const uint8_t* cel = bmp->Cel(0);
        for (std::size_t i = 0; i < static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height); ++i) {
            const auto rgb = bmp->Rgb(cel[i]);
            out.rgba.insert(out.rgba.end(), {rgb[0], rgb[1], rgb[2], 255});
        }
        return out;
    }
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        return DecodeJpeg(bytes);
    return DecodeOther(bytes);
}

int32_t TextureSide(int32_t side)
{
    int32_t p = 1;
    while (p < kMaxTextureSide && p * 2 <= side)
        p *= 2;
    // The nearer of p and 2p: 2p when side is at least halfway (p * 1.5).
    if (p < kMaxTextureSide && side * 2 >= p * 3)
        p *= 2;
    return p;
}

RgbaPicture Resample(const RgbaPicture& picture, int32_t width, int32_t height)
{
    RgbaPicture out;
    out.width = width;
    out.height = height;
    out.rgba.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    const int32_t sw = picture.width, sh = picture.height;
    auto src = [&](int32_t x, int32_t y, int c) {
        return static_cast<double>(
            picture
                .rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(sw) + static_cast<std::size_t>(x)) * 4 +
                      static_cast<std::size_t>(c)]);
    };
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c) {
                double value = 0.0;
                if (sw >= width && sh >= height) {
                    // The average of the source pixels the target pixel covers.
                    const int32_t x0 = static_cast<int32_t>(int64_t{x} * sw / width);
                    const int32_t x1 = std::max(x0 + 1, static_cast<int32_t>(int64_t{x + 1} * sw / width));
                    const int32_t y0 = static_cast<int32_t>(int64_t{y} * sh / height);
                    const int32_t y1 = std::max(y0 + 1, static_cast<int32_t>(int64_t{y + 1} * sh / height));
                    for (int32_t yy = y0; yy < y1; ++yy)
                        for (int32_t xx = x0; xx < x1; ++xx)
                            value += src(xx, yy, c);
                    value /= static_cast<double>((x1 - x0) * (y1 - y0));
                } else {
                    // Between the four nearest source pixels, their centres lined up.
                    const double fx = std::clamp((x + 0.5) * sw / width - 0.5, 0.0, sw - 1.0);
                    const double fy = std::clamp((y + 0.5) * sh / height - 0.5, 0.0, sh - 1.0);
                    const auto ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
                    const int32_t jx = std::min(ix + 1, sw - 1), jy = std::min(iy + 1, sh - 1);
                    const double ax = fx - ix, ay = fy - iy;
                    value = (src(ix, iy, c) * (1 - ax) + src(jx, iy, c) * ax) * (1 - ay) +
                            (src(ix, jy, c) * (1 - ax) + src(jx, jy, c) * ax) * ay;
                }
                out.rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) *
                             4 +
                         static_cast<std::size_t>(c)] = static_cast<uint8_t>(std::lround(value));
            }
    return out;
}

namespace {

MaterialImage Remap(const RgbaPicture& picture, const Palette& palette, bool keyed)
{
    MaterialImage image;
    image.width = picture.width;
    image.height = picture.height;
    image.stride = StrideOf(picture.width);
    image.celCount = 1;
    SetImagePalette(image, palette);
    const std::size_t count = static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
    image.pixels.resize(count);
    std::unordered_map<uint32_t, uint8_t> nearest;
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* p = &picture.rgba[i * 4];
        if (keyed && p[3] < kOpaqueAlpha) {
            image.pixels[i] = 0;
            continue;
        }
        const uint32_t key = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
        auto it = nearest.find(key);
        if (it == nearest.end())
            it = nearest.emplace(key, NearestPaletteIndex(palette, p[0], p[1], p[2], keyed ? 1 : 0)).first;
        image.pixels[i] = it->second;
    }
    return image;
}

}  // namespace

MaterialImage RemapRgba(const RgbaPicture& picture, const Palette& palette) { return Remap(picture, palette, false); }

MaterialImage RemapRgbaTransparent(const RgbaPicture& picture, const Palette& palette)
{
    return Remap(picture, palette, true);
}

bool HasSeeThroughPixels(const RgbaPicture& picture)
{
    for (std::size_t i = 3; i < picture.rgba.size(); i += 4)
        if (picture.rgba[i] < kOpaqueAlpha)
            return true;
    return false;
}

}  // namespace orv
