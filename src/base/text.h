// Text rules every layer shares: the game's names are ASCII and compared without regard
// to case, and numbers typed into fields may be hexadecimal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

// ASCII lower case; other bytes are kept, so names with other characters compare as
// they are.
std::string ToLowerAscii(std::string_view text);
// ASCII upper case, the same way.
std::string ToUpperAscii(std::string_view text);
// Whether a and b are equal after ToLowerAscii.
bool EqualNoCase(std::string_view a, std::string_view b);

// The value of a hexadecimal digit, or -1 for any other character.
int HexDigitValue(char c);

// A number as typed into a field: read as hexadecimal when the text holds an "x" or "X"
// ("0x1f", "x1f"), otherwise as decimal, after leading blanks and an optional sign, up to
// the first character that is not a digit. A value outside 0 .. max is set to the nearer
// bound and marked out of range; text without a digit reads as 0 and is marked empty;
// whole tells whether nothing but blanks follows the digits.
struct HexField {
    uint32_t value = 0;
    bool inRange = true;
    bool empty = false;
    bool whole = true;
};
HexField ParseHexField(std::string_view text, uint32_t max);

}  // namespace orv
