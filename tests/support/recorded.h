// Recorded results, shared by the GoogleTest and the Qt Test programs (no test framework here).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "model/version.h"

namespace orvtest {

// A file of tests/fixtures/<kind>/: the inputs named for their defect that the tests
// read and the fuzzers start from.
inline std::filesystem::path Fixture(const std::string& kind, const std::string& name)
{
    return std::filesystem::path(ORVANE_SOURCE_DIR) / "tests" / "fixtures" / kind / name;
}

// A text as recorded: the program's version in file heads stands as @VERSION@ and the
// folder dir, which differs by machine, as @DIR@.
inline std::string AsRecorded(std::string text, const std::string& dir = {})
{
    for (auto [from, to] : {std::pair{std::string(orv::kVersionString), "@VERSION@"}, {dir, "@DIR@"}})
        for (std::size_t at = text.find(from); !from.empty() && at != std::string::npos; at = text.find(from, at))
            text.replace(at, from.size(), to);
    return text;
}

// ORVANE_WRITE_EXPECTED=1: the tests write their recorded files instead of comparing;
// read the diff before committing them.
inline bool RecordingExpected()
{
    const char* write = std::getenv("ORVANE_WRITE_EXPECTED");
    return write && std::string_view(write) == "1";
}

}  // namespace orvtest
