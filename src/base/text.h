// Text rules every layer shares: the game's names are ASCII and compared without regard
// to case, and numbers typed into fields may be hexadecimal.
#pragma once

#include <cstdint>
#include <optional>
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

// A name read from a file, as shown to the user (a listing, a message, a window): as it
// is when it is printable ASCII; otherwise, and when it starts with a double quote, in
// double quotes with \" and \\ for those two and \xHH for control characters and bytes
// beyond ASCII, so that it can neither steer a terminal nor pass for another name.
std::string ShownName(std::string_view name);
// A name typed as ShownName shows it: text in double quotes is read back through those
// escapes (nullopt when one is bad); any other text is the name itself.
std::optional<std::string> NameFromShown(std::string_view text);
// Text for a terminal: control characters as \xHH, every other byte as it is (so the
// UTF-8 of a user's file names stays readable), for messages that carry names from files.
std::string TerminalSafe(std::string_view text);
// A part of a file name for a name from a file: control characters and bytes beyond
// ASCII as \xHH, so that no such file name is made.
std::string SafeFileNamePart(std::string_view name);

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
