// Helpers shared by the core tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "model/fileio.h"

namespace orvtest {

// ASSERT_TRUE(orvtest::Ok(result)) passes when the operation succeeded and otherwise reports
// the result's message.
template <typename R>
::testing::AssertionResult Ok(const R& result)
{
    if (result.ok())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "failed: " << result.error();
}

// ASSERT_TRUE(Into(result, out)): as Ok, and out takes the value on success.
template <typename T>
::testing::AssertionResult Into(orv::Result<T> result, T& out)
{
    if (!result.ok())
        return ::testing::AssertionFailure() << "failed: " << result.error();
    out = std::move(*result);
    return ::testing::AssertionSuccess();
}

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

// A file of tests/fixtures/<kind>/: the inputs named for their defect that the tests
// read and the fuzzers start from.
inline std::filesystem::path Fixture(const std::string& kind, const std::string& name)
{
    return std::filesystem::path(ORVANE_SOURCE_DIR) / "tests" / "fixtures" / kind / name;
}

inline std::string FixtureText(const std::string& kind, const std::string& name)
{
    std::ifstream in(Fixture(kind, name), std::ios::binary);
    EXPECT_TRUE(in) << kind << "/" << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
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

inline void Spit(const std::filesystem::path& p, const std::vector<uint8_t>& bytes)
{
    const orv::Status written =
        orv::WriteFileAtomic(p, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    ASSERT_TRUE(written) << written.error();
}

inline std::size_t CountFiles(const std::filesystem::path& dir)
{
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()));
}

}  // namespace orvtest
