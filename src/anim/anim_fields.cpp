#include "anim/anim_fields.h"

#include <cstdio>

namespace orv {

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
