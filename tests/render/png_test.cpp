#include <gtest/gtest.h>
#include <zlib.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "model/fileio.h"
#include "render/gl/png_writer.h"

using namespace orv;

namespace {

uint32_t Get32(const std::vector<uint8_t>& b, std::size_t at)
{
    return (static_cast<uint32_t>(b.at(at)) << 24) | (static_cast<uint32_t>(b.at(at + 1)) << 16) |
           (static_cast<uint32_t>(b.at(at + 2)) << 8) | b.at(at + 3);
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
};

// Splits a PNG into chunks, checking each CRC.
std::vector<Chunk> Chunks(const std::vector<uint8_t>& png)
{
    std::vector<Chunk> chunks;
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(png.size() >= 8 && std::equal(signature, signature + 8, png.begin()));
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = Get32(png, at);
        Chunk c;
        c.type.assign(png.begin() + static_cast<long>(at) + 4, png.begin() + static_cast<long>(at) + 8);
        c.data.assign(png.begin() + static_cast<long>(at) + 8, png.begin() + static_cast<long>(at + 8 + length));
        const uLong crc = crc32(0L, png.data() + at + 4, static_cast<uInt>(length + 4));
        EXPECT_EQ(Get32(png, at + 8 + length), static_cast<uint32_t>(crc)) << c.type;
        chunks.push_back(std::move(c));
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    return chunks;
}

TEST(Png, EncodesRgbaRowsTopFirst)
{
    const int32_t w = 3, h = 2;
    std::vector<uint8_t> rgba;
    for (int i = 0; i < w * h * 4; ++i)
        rgba.push_back(static_cast<uint8_t>(i * 37 + 11));
    const auto png = EncodePng(w, h, rgba);
    const auto chunks = Chunks(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    ASSERT_EQ(chunks[0].data.size(), 13u);
    EXPECT_EQ(Get32(chunks[0].data, 0), 3u);
    EXPECT_EQ(Get32(chunks[0].data, 4), 2u);
    EXPECT_EQ(chunks[0].data[8], 8);  // bits per channel
    EXPECT_EQ(chunks[0].data[9], 6);  // RGBA

    std::vector<uint8_t> raw(static_cast<std::size_t>(h * (1 + w * 4)));
    uLongf size = static_cast<uLongf>(raw.size());
    ASSERT_EQ(uncompress(raw.data(), &size, chunks[1].data.data(), static_cast<uLong>(chunks[1].data.size())), Z_OK);
    ASSERT_EQ(size, raw.size());
    for (int y = 0; y < h; ++y) {
        const std::size_t row = static_cast<std::size_t>(y * (1 + w * 4));
        EXPECT_EQ(raw[row], 0);  // no filter
        for (int x = 0; x < w * 4; ++x)
            EXPECT_EQ(raw[row + 1 + static_cast<std::size_t>(x)], rgba[static_cast<std::size_t>(y * w * 4 + x)]);
    }
}

TEST(Png, RefusesMismatchedSizes)
{
    EXPECT_TRUE(EncodePng(2, 2, std::vector<uint8_t>(15)).empty());
    EXPECT_TRUE(EncodePng(0, 2, {}).empty());
    EXPECT_TRUE(EncodePng(-1, -1, std::vector<uint8_t>(4)).empty());
    std::string error;
    const auto path = std::filesystem::temp_directory_path() / "orvane_png_refused.png";
    EXPECT_FALSE(WritePng(path, 2, 2, std::vector<uint8_t>(3), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(Png, WritesTheFile)
{
    const auto path = std::filesystem::temp_directory_path() / ("orvane_png_test_" + std::to_string(::getpid()) + ".png");
    const std::vector<uint8_t> rgba(4 * 5 * 4, 200);
    ASSERT_TRUE(WritePng(path, 4, 5, rgba));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, EncodePng(4, 5, rgba));
    std::filesystem::remove(path);
}

}  // namespace
