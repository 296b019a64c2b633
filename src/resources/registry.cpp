#include "resources/registry.h"

#include <cstdlib>
#include <vector>

#include "base/text.h"
#include "formats/textformat.h"
#include "model/fileio.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Reads an escaped string from text[pos] up to the unescaped terminator; pos ends
// behind the terminator. Wine writes "\\" for a backslash, C escapes for control
// characters, \xNNNN for characters above 127 and octal for other small codes.
bool ParseEscaped(std::string_view text, std::size_t& pos, char terminator, std::string& out)
{
    out.clear();
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == terminator)
            return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= text.size())
            return false;
        const char e = text[pos++];
        switch (e) {
        case 'a': out += '\a'; break;
        case 'b': out += '\b'; break;
        case 'e': out += '\x1b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'v': out += '\v'; break;
        case 'x': {
            uint32_t cp = 0;
            int digits = 0;
            while (digits < 4 && pos < text.size() && HexDigitValue(text[pos]) >= 0) {
                cp = cp * 16 + static_cast<uint32_t>(HexDigitValue(text[pos++]));
                ++digits;
            }
            if (digits == 0)
                out += 'x';
            else
                AppendUtf8(out, cp);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                uint32_t cp = static_cast<uint32_t>(e - '0');
                for (int digits = 1; digits < 3 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7'; ++digits)
                    cp = cp * 8 + static_cast<uint32_t>(text[pos++] - '0');
                AppendUtf8(out, cp);
            } else {
                out += e;
            }
        }
    }
    return false;
}

std::vector<std::string> SplitComponents(std::string_view s)
{
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (c == '\\' || c == '/') {
            if (!cur.empty())
                parts.push_back(std::move(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        parts.push_back(std::move(cur));
    return parts;
}

}  // namespace

// ---- MemoryRegistry ----------------------------------------------------------

void MemoryRegistry::SetString(std::string_view key, std::string_view valueName, std::string value)
{
    keys_[ToLowerAscii(key)][ToLowerAscii(valueName)] = std::move(value);
}

void MemoryRegistry::AddKey(std::string_view key) { keys_[ToLowerAscii(key)]; }

bool MemoryRegistry::HasKey(std::string_view key) const { return keys_.count(ToLowerAscii(key)) != 0; }

std::optional<std::string> MemoryRegistry::ReadString(std::string_view key, std::string_view valueName) const
{
    const auto k = keys_.find(ToLowerAscii(key));
    if (k == keys_.end())
        return std::nullopt;
    const auto v = k->second.find(ToLowerAscii(valueName));
    if (v == k->second.end())
        return std::nullopt;
    return v->second;
}

// ---- WineRegistry ------------------------------------------------------------

WineRegistry WineRegistry::Parse(std::string_view text)
{
    WineRegistry reg;
    std::string section;
    bool inSection = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.empty())
            continue;

        std::size_t pos = 0;
        if (line[0] == '[') {
            pos = 1;
            std::string name;
            inSection = ParseEscaped(line, pos, ']', name);
            if (inSection) {
                section = std::move(name);
                reg.keys_.AddKey(section);
            }
            continue;
        }
        if (!inSection || (line[0] != '"' && line[0] != '@'))
            continue;

        std::string valueName;
        if (line[0] == '"') {
            pos = 1;
            if (!ParseEscaped(line, pos, '"', valueName))
                continue;
        } else {
            pos = 1;  // @ is the key's default value, which has no name
        }
        if (pos >= line.size() || line[pos] != '=')
            continue;
        ++pos;
        std::string_view rest = line.substr(pos);
        if (rest.rfind("str(2):", 0) == 0)  // REG_EXPAND_SZ, kept unexpanded
            rest.remove_prefix(7);
        if (rest.empty() || rest[0] != '"')
            continue;  // dword, hex and other types carry no path
        std::size_t vpos = 1;
        std::string value;
        if (ParseEscaped(rest, vpos, '"', value))
            reg.keys_.SetString(section, valueName, std::move(value));
    }
    return reg;
}

WineRegistry WineRegistry::Load(const fs::path& prefix)
{
    if (prefix.empty())
        return WineRegistry{};
    const auto text = ReadWholeTextFile(prefix / "system.reg");
    return text ? Parse(*text) : WineRegistry{};
}

std::string WineRegistry::Resolve(std::string_view key) const
{
    if (keys_.HasKey(key))
        return std::string(key);
    constexpr std::string_view software = "software\\";
    if (key.size() > software.size() && EqualNoCase(key.substr(0, software.size()), software)) {
        std::string alt = "Software\\Wow6432Node\\" + std::string(key.substr(software.size()));
        if (keys_.HasKey(alt))
            return alt;
    }
    return std::string(key);
}

bool WineRegistry::HasKey(std::string_view key) const { return keys_.HasKey(Resolve(key)); }

std::optional<std::string> WineRegistry::ReadString(std::string_view key, std::string_view valueName) const
{
    return keys_.ReadString(Resolve(key), valueName);
}

// ---- ChainedRegistry ---------------------------------------------------------

bool ChainedRegistry::HasKey(std::string_view key) const { return first_.HasKey(key) || second_.HasKey(key); }

std::optional<std::string> ChainedRegistry::ReadString(std::string_view key, std::string_view valueName) const
{
    if (first_.HasKey(key))
        return first_.ReadString(key, valueName);
    return second_.ReadString(key, valueName);
}

// ---- environment and paths ---------------------------------------------------

EnvironmentLookup SystemEnvironment()
{
    return [](const std::string& name) -> std::optional<std::string> {
        const char* v = std::getenv(name.c_str());
        if (!v)
            return std::nullopt;
        return std::string(v);
    };
}

fs::path DefaultWinePrefix(const EnvironmentLookup& env)
{
    if (!env)
        return {};
    if (auto p = env("WINEPREFIX"); p && !p->empty())
        return fs::path(*p);
    if (auto home = env("HOME"); home && !home->empty())
        return fs::path(*home) / ".wine";
    return {};
}

fs::path ResolvePathNoCase(const fs::path& path)
{
    std::error_code ec;
    if (path.empty() || fs::exists(path, ec))
        return path;
    fs::path current = path.root_path();
    bool lost = false;  // once a component is missing, the rest is appended as it is
    for (const auto& comp : path.relative_path()) {
        if (lost) {
            current /= comp;
            continue;
        }
        fs::path exact = current / comp;
        if (fs::exists(exact, ec)) {
            current = std::move(exact);
            continue;
        }
        const std::string want = ToLowerAscii(comp.string());
        bool found = false;
        const fs::path dir = current.empty() ? fs::path(".") : current;
        for (fs::directory_iterator it(dir, ec), endIt; !ec && it != endIt; it.increment(ec)) {
            if (ToLowerAscii(it->path().filename().string()) == want) {
                current /= it->path().filename();
                found = true;
                break;
            }
        }
        if (!found) {
            current = std::move(exact);
            lost = true;
        }
    }
    return current;
}

fs::path MapGamePath(std::string_view path, const fs::path& winePrefix)
{
    fs::path native;
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (drive && !winePrefix.empty()) {
        const char letter = static_cast<char>(ToLowerAscii(path.substr(0, 1))[0]);
        native = winePrefix / "dosdevices" / (std::string(1, letter) + ":");
        std::error_code ec;
        if (letter == 'c' && !fs::exists(native, ec))
            native = winePrefix / "drive_c";
        for (const auto& part : SplitComponents(path.substr(2)))
            native /= part;
    } else {
        std::string s(path);
        for (char& c : s)
            if (c == '\\')
                c = '/';
        native = fs::path(s);
    }
    return ResolvePathNoCase(native);
}

}  // namespace orv
