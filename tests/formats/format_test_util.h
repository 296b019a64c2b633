// Helpers shared by the format tests.
#pragma once

#include <string>
#include <string_view>

#include "model/version.h"
#include "test_util.h"

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

// The text with @VERSION@ as the program's version string, as writers put it in file heads.
inline std::string WithVersion(std::string text)
{
    const std::string mark = "@VERSION@";
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at))
        text.replace(at, mark.size(), orv::kVersionString);
    return text;
}

}  // namespace orvtest
