// Small helpers shared by the resource tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "model/fileio.h"
#include "resources/archive.h"

namespace orvtest {

// A fresh folder per test, removed afterwards.
struct TempDir {
    std::filesystem::path path;
    TempDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path = std::filesystem::temp_directory_path() /
               ("orvane-res-" + std::string(info->test_suite_name()) + "-" + info->name());
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
};

inline std::vector<uint8_t> Bytes(std::string_view s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

inline std::vector<uint8_t> Slurp(const std::filesystem::path& p)
{
    std::vector<uint8_t> out;
    EXPECT_TRUE(orv::ReadWholeFile(p, out)) << p;
    return out;
}

inline void Spit(const std::filesystem::path& p, const std::vector<uint8_t>& bytes)
{
    ASSERT_TRUE(orv::WriteFileAtomic(p, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
}

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

inline orv::ArchiveDirectory ReadDir(const std::filesystem::path& archive)
{
    orv::ArchiveDirectory d;
    std::string err;
    EXPECT_TRUE(orv::ReadArchiveDirectory(archive, d, &err)) << err;
    return d;
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
    std::vector<uint8_t> data;
    if (!i || !orv::ReadArchiveEntry(archive, d.records[*i], data))
        return "<missing>";
    return std::string(data.begin(), data.end());
}

inline std::size_t CountFiles(const std::filesystem::path& dir)
{
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()));
}

}  // namespace orvtest
