#pragma once

#include <filesystem>
#include <string>

namespace orvtest {

// The folder of real game files, or an empty path when this machine has none.
inline std::filesystem::path CorpusDir(const std::string& sub = {})
{
    std::filesystem::path p = ORVANE_CORPUS_DIR;
    if (!sub.empty())
        p /= sub;
    std::error_code ec;
    return std::filesystem::is_directory(p, ec) ? p : std::filesystem::path{};
}

}  // namespace orvtest
