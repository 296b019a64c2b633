// Small helpers shared by the resource code.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// Lower case for ASCII letters only, as the game's names are compared.
inline std::string LowerAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace orv
