#include "render/png_writer.h"

#include <zlib.h>

#include <string_view>

#include "model/fileio.h"

namespace orv {

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

void Chunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data)
{
    Put32(out, static_cast<uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    // The CRC covers the type and the data.
    const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    Put32(out, static_cast<uint32_t>(crc));
}

}  // namespace

std::vector<uint8_t> EncodePng(int32_t width, int32_t height, const std::vector<uint8_t>& rgba)
{
    if (width <= 0 || height <= 0 ||
        rgba.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4)
        return {};
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    // Every row starts with its filter type, 0 (none).
    std::vector<uint8_t> raw;
    raw.reserve((row + 1) * static_cast<std::size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        raw.push_back(0);
        const auto* p = rgba.data() + static_cast<std::size_t>(y) * row;
        raw.insert(raw.end(), p, p + row);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_DEFAULT_COMPRESSION) !=
        Z_OK)
        return {};
    packed.resize(packedSize);

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    Put32(header, static_cast<uint32_t>(width));
    Put32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter set, no interlace
    Chunk(out, "IHDR", header);
    Chunk(out, "IDAT", packed);
    Chunk(out, "IEND", {});
    return out;
}

Status WritePng(const std::filesystem::path& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgba)
{
    const std::vector<uint8_t> bytes = EncodePng(width, height, rgba);
    if (bytes.empty())
        return Fail("The picture cannot be encoded.");
    return WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace orv
