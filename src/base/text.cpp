#include "base/text.h"

namespace orv {

std::string ToLowerAscii(std::string_view text)
{
    std::string s(text);
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string ToUpperAscii(std::string_view text)
{
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

HexField ParseHexField(std::string_view text, uint32_t max)
{
    while (!text.empty() && (text.front() == ' ' || (text.front() >= '\t' && text.front() <= '\r')))
        text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t x = text.find_first_of("xX");
    const bool hex = x != std::string_view::npos;
    if (hex)
        text.remove_prefix(x + 1);  // the digits after the x
    // Digits only, in 64 bits with a ceiling: a long run of digits stays out of range
    // instead of wrapping round into it.
    uint64_t v = 0;
    bool any = false;
    std::size_t used = 0;
    for (char ch : text) {
        const int d = hex ? HexDigitValue(ch) : (ch >= '0' && ch <= '9' ? ch - '0' : -1);
        if (d < 0)
            break;
        any = true;
        ++used;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFull)
            v = 0x100000000ull;
    }
    HexField f;
    f.empty = !any;
    for (char ch : text.substr(used))
        if (!(ch == ' ' || (ch >= '\t' && ch <= '\r')))
            f.whole = false;
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

namespace {

bool Printable(unsigned char c) { return c >= 0x20 && c < 0x7F; }

void AppendHex(std::string& out, unsigned char c)
{
    static const char digits[] = "0123456789abcdef";
    out += "\\x";
    out += digits[c >> 4];
    out += digits[c & 15];
}

}  // namespace

std::string ShownName(std::string_view name)
{
    bool plain = name.empty() || name.front() != '"';
    for (const char c : name)
        plain = plain && Printable(static_cast<unsigned char>(c));
    if (plain)
        return std::string(name);
    std::string out = "\"";
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\')
            out += {'\\', ch};
        else if (Printable(c))
            out += ch;
        else
            AppendHex(out, c);
    }
    return out + '"';
}

std::optional<std::string> NameFromShown(std::string_view text)
{
    if (text.size() < 2 || text.front() != '"' || text.back() != '"')
        return std::string(text);
    text = text.substr(1, text.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            out += text[++i];
            continue;
        }
        if (i + 3 < text.size() && text[i + 1] == 'x' && HexDigitValue(text[i + 2]) >= 0 &&
            HexDigitValue(text[i + 3]) >= 0) {
            out += static_cast<char>(HexDigitValue(text[i + 2]) * 16 + HexDigitValue(text[i + 3]));
            i += 3;
            continue;
        }
        return std::nullopt;
    }
    return out;
}

std::string TerminalSafe(std::string_view text)
{
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F)
            AppendHex(out, c);
        else
            out += ch;
    }
    return out;
}

std::string SafeFileNamePart(std::string_view name)
{
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (Printable(c))
            out += ch;
        else
            AppendHex(out, c);
    }
    return out;
}

std::string UniqueNames::Take(std::string_view wanted, std::string_view ending,
                              const std::function<bool(const std::string&)>& taken)
{
    const std::size_t room = maxLength_ > ending.size() ? maxLength_ - ending.size() : 0;
    const std::string start(wanted.substr(0, room));
    auto held = [&](const std::string& name) {
        ++tries_;
        return names_.count(ToLowerAscii(name)) != 0 || (taken && taken(name));
    };
    std::string name = start + std::string(ending);
    if (held(name)) {
        // Every number below the one reached was held when tried, and still is.
        int& k = next_.try_emplace(ToLowerAscii(name), 2).first->second;
        for (;; ++k) {
            const std::string number = "_" + std::to_string(k);
            name = start.substr(0, room > number.size() ? room - number.size() : 0) + number + std::string(ending);
            if (!held(name))
                break;
        }
        ++k;
    }
    names_.insert(ToLowerAscii(name));
    return name;
}

}  // namespace orv
