// Text rules every layer shares: the game's names are ASCII and compared without regard
// to case, and numbers typed into fields may be hexadecimal.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

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

// Names unique in one list, compared without regard to case, each at most maxLength
// characters: a name the list holds already becomes "name_2", "name_3", ... (the first
// number free), its start cut to leave room for the number. Each start remembers the
// number it reached, so that n names alike take n tries, not n squared.
class UniqueNames {
public:
    explicit UniqueNames(std::size_t maxLength) : maxLength_(maxLength) {}

    // Puts name in the list as it is.
    void Add(std::string_view name) { names_.insert(ToLowerAscii(name)); }
    bool Has(std::string_view name) const { return names_.count(ToLowerAscii(name)) != 0; }
    // wanted (cut to fit), or the first numbered form of it that neither the list nor
    // taken holds; the list then holds it. ending stays after the number ("wood_2.mat").
    // A name taken holds must stay held: the number a start reached is not tried again.
    std::string Take(std::string_view wanted, std::string_view ending = {},
                     const std::function<bool(const std::string&)>& taken = {});
    // Names Take has tried so far.
    std::size_t Tries() const { return tries_; }

private:
    std::size_t maxLength_;
    std::unordered_set<std::string> names_;      // lower case
    std::unordered_map<std::string, int> next_;  // by a start and ending in lower case: the number to try next
    std::size_t tries_ = 0;
};

}  // namespace orv
