// Helpers shared by the format tests.
#pragma once

#include <string>
#include <string_view>

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

}  // namespace orvtest
