// Files, folders, archives and bitmaps for the tests: a temporary folder per test, whole
// files read and written, the fixtures, the corpus of real files, archives read back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "model/fileio.h"
#include "model/tree.h"
#include "resources/archive.h"
#include "support/recorded.h"

namespace orvtest {

// The folder of real game files, or an empty path when this machine has none: the test
// then skips, unless ORVANE_REQUIRE_CORPUS is set (CI sets it), where a missing corpus
// fails the test, so that a run cannot pass by skipping what it was meant to check.
inline std::filesystem::path CorpusDir(const std::string& sub = {})
{
    std::filesystem::path p = ORVANE_CORPUS_DIR;
    if (!sub.empty())
        p /= sub;
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec))
        return p;
    const char* required = std::getenv("ORVANE_REQUIRE_CORPUS");
    if (required && *required && std::string_view(required) != "0")
        ADD_FAILURE() << "the corpus of real files is required here but " << p << " is not there";
    return {};
}

// The corpus's files of one kind (its folder and extension), sorted; none without a corpus.
inline std::vector<std::filesystem::path> CorpusFiles(const std::string& sub, const std::string& ext)
{
    std::vector<std::filesystem::path> out;
    if (const auto dir = CorpusDir(sub); !dir.empty())
        for (const auto& e : std::filesystem::directory_iterator(dir))
            if (e.path().extension() == ext)
                out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

inline std::string FixtureText(const std::string& kind, const std::string& name)
{
    std::ifstream in(Fixture(kind, name), std::ios::binary);
    EXPECT_TRUE(in) << kind << "/" << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The text a test made, as recorded (see AsRecorded), against the one kept in
// tests/fixtures/<kind>/<name>; while recording, the file is written instead.
inline void ExpectSameAsFixture(const std::string& kind, const std::string& name, std::string text,
                                const std::filesystem::path& dir = {})
{
    text = AsRecorded(std::move(text), dir.string());
    if (RecordingExpected()) {
        std::ofstream(Fixture(kind, name), std::ios::binary) << text;
        return;
    }
    EXPECT_EQ(text, FixtureText(kind, name)) << "differs from tests/fixtures/" << kind << "/" << name;
}

// A fresh folder per test under the system's temporary folder, removed afterwards.
struct TempDir {
    std::filesystem::path path;
    TempDir()
    {
        const auto* test = ::testing::UnitTest::GetInstance();
        const auto* info = test->current_test_info();
        path = std::filesystem::temp_directory_path() / ("orvane-" + std::string(info->test_suite_name()) + "-" +
                                                         info->name() + "-" + std::to_string(test->random_seed()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
};

// EXPECT_TRUE(SomeLineHas(report.notes, "unit")): passes when a line holds the part, and
// otherwise shows every line.
inline ::testing::AssertionResult SomeLineHas(const std::vector<std::string>& lines, std::string_view part)
{
    std::string all;
    for (const auto& l : lines)
        if (l.find(part) != std::string::npos)
            return ::testing::AssertionSuccess() << "\"" << l << "\" holds \"" << part << "\"";
        else
            all += "\n  " + l;
    return ::testing::AssertionFailure() << "no line holds \"" << part << "\":" << all;
}

// The text with its first "from" made "to"; a failure when it has none.
inline std::string Replaced(std::string text, std::string_view from, std::string_view to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// A named item of data put in a list, as custom materials are.
inline void AddItem(orv::SortedEntryList& list, const std::string& name, std::vector<uint8_t> data, uint32_t offset = 0)
{
    auto e = std::make_unique<orv::CTreeObject>(name, offset, static_cast<uint32_t>(data.size()));
    e->data = std::move(data);
    list.Add(std::move(e));
}

// The text's bytes, for the readers of memory.
inline std::span<const uint8_t> ByteSpan(std::string_view s)
{
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

inline std::vector<uint8_t> Bytes(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }

inline std::vector<uint8_t> Slurp(const std::filesystem::path& p)
{
    auto out = orv::ReadWholeFile(p);
    EXPECT_TRUE(out) << p << ": " << out.error();
    return std::move(out).value_or({});
}

inline std::string SlurpText(const std::filesystem::path& p)
{
    auto s = orv::ReadWholeTextFile(p);
    EXPECT_TRUE(s) << p << ": " << s.error();
    return std::move(s).value_or({});
}

// Writes the bytes, making the file's folders first.
inline void Spit(const std::filesystem::path& p, const std::vector<uint8_t>& bytes)
{
    std::error_code ec;
    if (p.has_parent_path())
        std::filesystem::create_directories(p.parent_path(), ec);
    const orv::Status written =
        orv::WriteFileAtomic(p, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    ASSERT_TRUE(written) << written.error();
}

inline void Spit(const std::filesystem::path& p, std::string_view text) { Spit(p, Bytes(text)); }

inline std::size_t CountFiles(const std::filesystem::path& dir)
{
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()));
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

// A colormap whose palette starts with the red given, black otherwise.
inline std::vector<uint8_t> Cmp(uint8_t firstRed)
{
    std::vector<uint8_t> c = {'C', 'M', 'P', ' ', 30, 0, 0, 0};
    c.resize(17216, 0);
    c[64] = firstRed;
    return c;
}

inline orv::ArchiveDirectory ReadDir(const std::filesystem::path& archive)
{
    auto d = orv::ReadArchiveDirectory(archive);
    EXPECT_TRUE(d) << d.error();
    return std::move(d).value_or({});
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

// The archive as text, to compare whole with a recorded file: its head, then each record's
// offset, size, name and first 40 bytes (shown as the File Manager shows names), or why
// they cannot be read.
inline std::string ArchiveText(const std::filesystem::path& archive)
{
    const auto d = ReadDir(archive);
    std::string out = std::string(d.header.magic.data(), 4) + " version " + std::to_string(d.header.version) +
                      ", directory at " + std::to_string(d.header.directoryOffset) + ", " +
                      std::to_string(d.header.recordCount) + " records, " + std::to_string(d.fileSize) + " bytes\n";
    for (const auto& r : d.records) {
        const auto data = orv::ReadArchiveEntry(archive, r);
        out += std::to_string(r.offset) + " " + std::to_string(r.size) + " " + r.name + ": " +
               (data ? "" : "<" + data.error() + ">");
        if (data)
            out +=
                orv::ShownName({reinterpret_cast<const char*>(data->data()), std::min<std::size_t>(data->size(), 40)});
        out += data && data->size() > 40 ? "...\n" : "\n";
    }
    return out;
}

}  // namespace orvtest
