#include "anim/anim_fields.h"

#include <cctype>
#include <cstdio>

namespace orv {

HexField ParseHexField(std::string_view text, uint32_t max)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const bool hex = text.find_first_of("xX") != std::string_view::npos;
    if (hex) {
        // "0x1f", "x1f": the digits after the x.
        text.remove_prefix(text.find_first_of("xX") + 1);
    }
    // Digits only, in 64 bits with a ceiling: a long run of digits stays out of range
    // instead of wrapping round into it.
    uint64_t v = 0;
    bool any = false;
    for (char ch : text) {
        int d = -1;
        if (ch >= '0' && ch <= '9')
            d = ch - '0';
        else if (hex && ch >= 'a' && ch <= 'f')
            d = ch - 'a' + 10;
        else if (hex && ch >= 'A' && ch <= 'F')
            d = ch - 'A' + 10;
        if (d < 0)
            break;
        any = true;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFull)
            v = 0x100000000ull;
    }
    HexField f;
    if (negative && any && v > 0) {
        f.value = 0;
        f.inRange = false;
    } else if (v > max) {
        f.value = max;
        f.inRange = false;
    } else {
        f.value = static_cast<uint32_t>(v);
    }
    return f;
}

std::string RangeMessage(uint32_t max)
{
    char text[64];
    std::snprintf(text, sizeof text, "Enter a value between 0x%x and 0x%x\n", 0u, max);
    return text;
}

std::string HexText(uint32_t value, int digits)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

int SubModeNumber(std::string_view name)
{
    for (std::size_t i = 0; i < kSubModeNames.size(); ++i)
        if (name == kSubModeNames[i])
            return static_cast<int>(i);
    return -1;
}

std::string SubModeDescription(int number)
{
    if (number < 0 || static_cast<std::size_t>(number) >= kSubModeNames.size())
        return {};
    return "# submode " + std::to_string(number) + " = " + kSubModeNames[static_cast<std::size_t>(number)];
}

}  // namespace orv
