// Helpers shared by the format tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace orvtest {

// The text with every LF turned into CR LF (expected writer output is written with LF
// in raw strings for legibility).
inline std::string CrLf(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// True when every LF of the text is preceded by CR.
inline bool OnlyCrLf(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            return false;
    return true;
}

// A fresh folder under the system's temporary folder, removed again afterwards.
struct TempDir {
    std::filesystem::path path;
    TempDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path = std::filesystem::temp_directory_path() /
               ("orvane-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
};

}  // namespace orvtest
