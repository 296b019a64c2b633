// Small helpers shared by the resource tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/archive.h"
#include "test_util.h"

namespace orvtest {

// A little-endian word read back from test output.
inline uint32_t Word(const std::vector<uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

inline void PutWord(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A bitmap with a 40-byte (or larger) header: given height (negative = top-down), bits,
// palette entries and the rows exactly as they lie in the file.
inline std::vector<uint8_t> Bmp(int32_t w, int32_t h, uint16_t bits, const std::vector<uint8_t>& palette,
                                const std::vector<uint8_t>& rows, uint32_t colorsUsed = 0, uint32_t headerSize = 40)
{
    std::vector<uint8_t> b = {'B', 'M'};
    const uint32_t off = 14 + headerSize + static_cast<uint32_t>(palette.size());
    for (uint32_t v : {off + static_cast<uint32_t>(rows.size()), 0u, off, headerSize, static_cast<uint32_t>(w),
                       static_cast<uint32_t>(h), 1u | (uint32_t{bits} << 16), 0u, 0u, 0u, 0u, colorsUsed, 0u})
        PutWord(b, v);
    b.resize(14 + headerSize, 0);
    b.insert(b.end(), palette.begin(), palette.end());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

inline orv::ArchiveDirectory ReadDir(const std::filesystem::path& archive)
{
    auto d = orv::ReadArchiveDirectory(archive);
    EXPECT_TRUE(d) << d.error();
    return std::move(d).value_or({});
}

inline std::vector<std::string> ArchiveNames(const std::filesystem::path& archive)
{
    std::vector<std::string> out;
    for (const auto& r : ReadDir(archive).records)
        out.push_back(r.name);
    return out;
}

// The data of the first item named name, or "<missing>".
inline std::string ArchiveItem(const std::filesystem::path& archive, const std::string& name)
{
    const auto d = ReadDir(archive);
    const auto i = orv::FindArchiveRecord(d.records, name);
    if (!i)
        return "<missing>";
    const auto data = orv::ReadArchiveEntry(archive, d.records[*i]);
    if (!data)
        return "<missing>";
    return std::string(data->begin(), data->end());
}

}  // namespace orvtest
