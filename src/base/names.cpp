#include "base/names.h"

#include <cstdint>
#include <unordered_map>

#include "base/text.h"

namespace orv {

namespace {

// Base letters of U+00C0 to U+017F; '*' marks the few written with two letters, '_' the
// signs that are no letters.
constexpr std::string_view kLatinBase =
    "AAAAAA*CEEEEIIIIDNOOOOO_OUUUUY**aaaaaa*ceeeeiiiidnooooo_ouuuuy*y"  // U+00C0
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi**JjKkkLlLlLlLlLlNnNnNnnNnOoOoOo**"
    "RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";  // to U+017F
static_assert(kLatinBase.size() == 0x180 - 0xC0);

std::string_view TwoLetters(uint32_t code)
{
    switch (code) {
    case 0xC6: return "AE";
    case 0xDE: return "TH";
    case 0xDF: return "ss";
    case 0xE6: return "ae";
    case 0xFE: return "th";
    case 0x132: return "IJ";
    case 0x133: return "ij";
    case 0x152: return "OE";
    case 0x153: return "oe";
    default: return "_";
    }
}

// The length of the UTF-8 character that starts at text[at], and its code; 0 when the
// bytes there are no well-formed character.
std::size_t DecodeUtf8(std::string_view text, std::size_t at, uint32_t& code)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead >= 0xF5 || at + length > text.size())
        return 0;
    code = lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    const uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    return code >= least && code <= 0x10FFFF ? length : 0;
}

}  // namespace

std::string GameName(std::string_view source, std::size_t maxLength)
{
    std::string name;
    for (std::size_t at = 0; at < source.size() && name.size() < maxLength;) {
        const auto c = static_cast<unsigned char>(source[at]);
        if (c > ' ' && c < 127) {
            name += static_cast<char>(c);
            ++at;
            continue;
        }
        uint32_t code = 0;
        const std::size_t length = c >= 0x80 ? DecodeUtf8(source, at, code) : 0;
        if (length == 0) {
            name += '_';
            ++at;
            continue;
        }
        at += length;
        const char base = code >= 0xC0 && code < 0x180 ? kLatinBase[code - 0xC0] : '_';
        if (base == '*')
            name += TwoLetters(code);
        else
            name += base;
    }
    if (name.size() > maxLength)
        name.resize(maxLength);
    return name;
}

std::vector<std::string> GameNames(const std::vector<std::string>& sources, std::size_t maxLength)
{
    std::vector<std::string> names;
    names.reserve(sources.size());
    std::unordered_map<std::string, std::string> given;  // by source name
    UniqueNames taken(maxLength);
    for (const std::string& source : sources) {
        auto it = given.find(source);
        if (it == given.end()) {
            const std::string name = GameName(source, maxLength);
            it = given.emplace(source, name.empty() ? name : taken.Take(name)).first;
        }
        names.push_back(it->second);
    }
    return names;
}

}  // namespace orv
