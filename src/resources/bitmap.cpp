#include "resources/bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "model/fileio.h"
#include "resources/bytes.h"
#include "resources/sample.h"

namespace orv {

namespace {

constexpr int64_t kMaxDimension = 65535;
constexpr int64_t kMaxPixels = int64_t{1} << 26;

int32_t LoadI32(const uint8_t* p) { return static_cast<int32_t>(LoadU32(p)); }

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

// One channel of a 32-bit pixel as BI_BITFIELDS marks it: a run of set bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;  // the run's largest value

    uint8_t Of(uint32_t pixel) const
    {
        if (max == 0)
            return 0;
        return static_cast<uint8_t>((uint64_t{(pixel & mask) >> shift} * 255 + max / 2) / max);
    }
};

// The channel of a mask; nothing when its bits are not one run.
std::optional<Channel> ChannelOf(uint32_t mask)
{
    Channel c;
    c.mask = mask;
    if (mask == 0)
        return c;
    while (((mask >> c.shift) & 1u) == 0)
        ++c.shift;
    const uint32_t run = mask >> c.shift;
    if ((run & (run + 1)) != 0)
        return std::nullopt;
    c.max = run;
    return c;
}

Result<MaterialImage> ReadTrueColorBmp(std::span<const uint8_t> bytes, uint32_t headerSize, int64_t width,
                                       int64_t height, bool topDown, uint32_t bits, uint32_t compression)
{
    const uint64_t size = bytes.size();
    const uint8_t* p = bytes.data();
    const uint32_t pixelOffset = LoadU32(p + 10);
    // Blue, green, red (and a byte left unused) unless masks say otherwise.
    Channel red{0x00FF0000u, 16, 255}, green{0x0000FF00u, 8, 255}, blue{0x000000FFu, 0, 255}, alpha;
    if (compression == kBiBitfields) {
        // The masks of red, green and blue follow a 40-byte header or lie inside a
        // larger one, which may add alpha's.
        const uint64_t at = 14 + 40;
        if (at + 12 > size)
            return Fail("the bitmap's colour masks are truncated");
        const auto r = ChannelOf(LoadU32(p + at)), g = ChannelOf(LoadU32(p + at + 4)),
                   b = ChannelOf(LoadU32(p + at + 8));
        std::optional<Channel> a = Channel{};
        if (headerSize >= 56)
            a = ChannelOf(LoadU32(p + at + 12));
        if (!r || !g || !b || !a || r->mask == 0 || g->mask == 0 || b->mask == 0 ||
            ((r->mask & g->mask) | (r->mask & b->mask) | (g->mask & b->mask) |
             (a->mask & (r->mask | g->mask | b->mask))) != 0)
            return Fail("the bitmap's colour masks are not separate runs of bits");
        red = *r;
        green = *g;
        blue = *b;
        alpha = *a;
    }
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t lastRowBytes = static_cast<uint64_t>(width) * (bits / 8);
    const uint64_t need = rowBytes * static_cast<uint64_t>(height - 1) + lastRowBytes;
    if (pixelOffset < 14 + uint64_t{headerSize} || pixelOffset > size || size - pixelOffset < need)
        return Fail("the bitmap's pixels are truncated");

    MaterialImage out;
    out.width = static_cast<int32_t>(width);
    out.height = static_cast<int32_t>(height);
    out.stride = StrideOf(out.width);
    out.celCount = 1;
    out.rgba.resize(static_cast<std::size_t>(width * height) * 4);
    bool anyAlpha = false;
    for (int64_t y = 0; y < height; ++y) {
        const int64_t fileRow = topDown ? y : height - 1 - y;
        const uint8_t* src = p + pixelOffset + static_cast<uint64_t>(fileRow) * rowBytes;
        uint8_t* dst = out.rgba.data() + y * width * 4;
        for (int64_t x = 0; x < width; ++x, dst += 4) {
            if (bits == 24) {
                const uint8_t* px = src + x * 3;
                dst[0] = px[2];
                dst[1] = px[1];
                dst[2] = px[0];
                dst[3] = 255;
            } else {
                const uint32_t px = LoadU32(src + x * 4);
                dst[0] = red.Of(px);
                dst[1] = green.Of(px);
                dst[2] = blue.Of(px);
                dst[3] = alpha.max != 0 ? alpha.Of(px) : 255;
                anyAlpha = anyAlpha || dst[3] != 0;
            }
        }
    }
    // Tools that do not keep alpha write an alpha mask over zeros: such a picture is
    // opaque, not invisible.
    if (alpha.max != 0 && !anyAlpha)
        for (std::size_t i = 3; i < out.rgba.size(); i += 4)
            out.rgba[i] = 255;
    return out;
}

}  // namespace

Result<MaterialImage> ReadBmp(std::span<const uint8_t> bytes)
{
    const uint64_t size = bytes.size();
    const uint8_t* p = bytes.data();
    if (size < 2 || p[0] != 'B' || p[1] != 'M')
        return Fail("not a bitmap (it does not begin with \"BM\")");
    if (size < 18)
        return Fail("the bitmap's header is truncated");
    const uint32_t pixelOffset = LoadU32(p + 10);
    const uint32_t headerSize = LoadU32(p + 14);
    int64_t width = 0, height = 0;
    uint32_t bits = 0, compression = 0, colorsUsed = 0, entrySize = 0;
    if (headerSize == 12) {  // the old-style header: 16-bit sizes, 3-byte palette entries
        if (size < 26)
            return Fail("the bitmap's header is truncated");
        width = LoadU16(p + 18);
        height = LoadU16(p + 20);
        bits = LoadU16(p + 24);
        entrySize = 3;
    } else if (headerSize >= 40) {  // 40 bytes, or a later header that begins the same way
        if (size < 14 + static_cast<uint64_t>(headerSize))
            return Fail("the bitmap's header is truncated");
        width = LoadI32(p + 18);
        height = LoadI32(p + 22);
        bits = LoadU16(p + 28);
        compression = LoadU32(p + 30);
        colorsUsed = LoadU32(p + 46);
        entrySize = 4;
    } else {
        return Fail("unknown bitmap header of " + std::to_string(headerSize) + " bytes");
    }
    // Palette indices, or true colour that becomes them on its way into a material.
    const bool trueColor = bits == 24 || bits == 32;
    if (bits != 1 && bits != 4 && bits != 8 && !trueColor)
        return Fail("bitmaps of " + std::to_string(bits) +
                    " bits per pixel are not read; save it with 8 bits (a palette of 256 colours), 24 or 32 bits");
    if (compression != kBiRgb && !(bits == 32 && compression == kBiBitfields))
        return Fail("compressed bitmaps are not supported; save it uncompressed");
    const bool topDown = height < 0;
    height = std::llabs(height);
    if (width <= 0 || height == 0 || width > kMaxDimension || height > kMaxDimension || width * height > kMaxPixels)
        return Fail("a bitmap of " + std::to_string(width) + " x " + std::to_string(height) + " pixels cannot be used");
    if (trueColor)
        return ReadTrueColorBmp(bytes, headerSize, width, height, topDown, bits, compression);
    const uint32_t colors = colorsUsed != 0 ? colorsUsed : (1u << bits);
    if (colors > 256)
        return Fail("the bitmap's palette of " + std::to_string(colors) + " colours is too large");
    const uint64_t paletteStart = 14 + static_cast<uint64_t>(headerSize);
    if (paletteStart + uint64_t{colors} * entrySize > size)
        return Fail("the bitmap's palette is truncated");
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t lastRowBytes = (static_cast<uint64_t>(width) * bits + 7) / 8;
    const uint64_t need = rowBytes * static_cast<uint64_t>(height - 1) + lastRowBytes;
    if (pixelOffset > size || size - pixelOffset < need)
        return Fail("the bitmap's pixels are truncated");

    MaterialImage out;
    out.width = static_cast<int32_t>(width);
    out.height = static_cast<int32_t>(height);
    out.stride = StrideOf(out.width);
    out.celCount = 1;
    for (uint32_t i = 0; i < colors; ++i) {
        const uint8_t* e = p + paletteStart + static_cast<uint64_t>(i) * entrySize;
        out.palette[i * 4 + 0] = e[0];
        out.palette[i * 4 + 1] = e[1];
        out.palette[i * 4 + 2] = e[2];
        out.palette[i * 4 + 3] = 0;
    }
    out.pixels.resize(static_cast<std::size_t>(width * height));
    for (int64_t y = 0; y < height; ++y) {
        const int64_t fileRow = topDown ? y : height - 1 - y;
        const uint8_t* src = p + pixelOffset + static_cast<uint64_t>(fileRow) * rowBytes;
        uint8_t* dst = out.pixels.data() + y * width;
        if (bits == 8) {
            std::copy_n(src, width, dst);
        } else {
            const int perByte = 8 / static_cast<int>(bits);
            const int mask = (1 << bits) - 1;
            for (int64_t x = 0; x < width; ++x) {
                const int shift = 8 - static_cast<int>(bits) * (static_cast<int>(x % perByte) + 1);
                dst[x] = static_cast<uint8_t>((src[x / perByte] >> shift) & mask);
            }
        }
    }
    return out;
}

void ToMaterialPalette(MaterialImage& image, const Palette* palette)
{
    if (palette)
        RemapToPalette(image, *palette);
    else if (image.TrueColor())
        RemapToPalette(image, SamplePalette());
}

Result<MaterialImage> ReadBmpFile(const std::filesystem::path& path)
{
    const auto bytes = ReadWholeFile(path);
    if (!bytes)
        return Fail(bytes.error());
    return ReadBmp(*bytes);
}

namespace {

constexpr uint32_t kTrueColorPixelOffset = 14 + 40;

// The file header and the 40-byte information header of an uncompressed picture whose
// pixels start at pixelOffset.
void AppendBmpHeaders(std::vector<uint8_t>& out, int32_t w, int32_t h, uint16_t bitsPerPixel, uint32_t pixelOffset,
                      uint32_t pixelBytes)
{
    AppendBytes(out, "BM", 2);
    AppendU32(out, pixelBytes + pixelOffset);
    AppendU16(out, 0);
    AppendU16(out, 0);
    AppendU32(out, pixelOffset);
    AppendU32(out, 40);
    AppendU32(out, static_cast<uint32_t>(w));
    AppendU32(out, static_cast<uint32_t>(h));
    AppendU16(out, 1);  // planes
    AppendU16(out, bitsPerPixel);
    for (int i = 0; i < 6; ++i)  // no compression; image size, resolution and colour counts 0
        AppendU32(out, 0);
}

std::vector<uint8_t> WriteTrueColorBmp(const MaterialImage& image)
{
    const int32_t w = image.width, h = image.height;
    const uint32_t rowBytes = (static_cast<uint32_t>(w) * 3 + 3) / 4 * 4;
    const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(h);
    std::vector<uint8_t> out;
    out.reserve(kTrueColorPixelOffset + pixelBytes);
    AppendBmpHeaders(out, w, h, 24, kTrueColorPixelOffset, pixelBytes);
    out.resize(kTrueColorPixelOffset + pixelBytes, 0);
    const std::size_t cel = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4;
    if (image.rgba.size() < cel)
        return out;
    for (int32_t r = 0; r < h; ++r) {
        const uint8_t* src = image.rgba.data() + static_cast<std::size_t>(h - 1 - r) * static_cast<std::size_t>(w) * 4;
        uint8_t* dst = out.data() + kTrueColorPixelOffset + static_cast<std::size_t>(r) * rowBytes;
        for (int32_t x = 0; x < w; ++x, src += 4, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return out;
}

}  // namespace

std::vector<uint8_t> WriteBmp(const MaterialImage& image)
{
    if (image.TrueColor())
        return WriteTrueColorBmp(image);
    const int32_t w = image.width, h = image.height;
    const int32_t stride = StrideOf(w);
    const uint32_t pixelBytes = static_cast<uint32_t>(stride) * static_cast<uint32_t>(h);
    std::vector<uint8_t> out;
    out.reserve(kBmpPixelOffset + pixelBytes);
    AppendBmpHeaders(out, w, h, 8, kBmpPixelOffset, pixelBytes);
    AppendBytes(out, image.palette.data(), image.palette.size());
    out.resize(kBmpPixelOffset + pixelBytes, 0);
    // File row 0 is the picture's bottom row.
    for (int32_t r = 0; r < h; ++r) {
        const std::size_t src = static_cast<std::size_t>(h - 1 - r) * static_cast<std::size_t>(w);
        if (src + static_cast<std::size_t>(w) > image.pixels.size())
            continue;
        std::copy_n(image.pixels.begin() + static_cast<std::ptrdiff_t>(src), w,
                    out.begin() + kBmpPixelOffset + static_cast<std::ptrdiff_t>(r) * stride);
    }
    return out;
}

Status WriteBmpFile(const std::filesystem::path& path, const MaterialImage& image)
{
    const auto bytes = WriteBmp(image);
    return WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace orv
