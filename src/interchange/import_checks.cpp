#include "interchange/import_checks.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace orv {

namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;
constexpr uint64_t kHuge = std::numeric_limits<uint64_t>::max();

bool StartsWith(std::string_view s, std::string_view start) { return s.substr(0, start.size()) == start; }

bool Contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

// a + b and a * b, stuck at the largest value instead of wrapping round.
uint64_t Add(uint64_t a, uint64_t b) { return a > kHuge - b ? kHuge : a + b; }
uint64_t Times(uint64_t a, uint64_t b) { return b != 0 && a > kHuge / b ? kHuge : a * b; }

// The count a word begins with in decimal digits, read as the readers read it: up to the
// first other character (a larger one than 64 bits hold is as good as endless); none
// when the word does not begin with a digit.
std::optional<uint64_t> Count(std::string_view word)
{
    if (word.empty() || word[0] < '0' || word[0] > '9')
        return std::nullopt;
    uint64_t n = 0;
    for (const char c : word) {
        if (c < '0' || c > '9')
            break;
        n = Add(Times(n, 10), static_cast<uint64_t>(c - '0'));
    }
    return n;
}

std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at])))
            ++at;
        std::size_t end = at;
        while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end])))
            ++end;
        if (end > at)
            out.push_back(line.substr(at, end - at));
        at = end;
    }
    return out;
}

Failure TooMany(uint64_t count, const std::string& what, uint64_t size, const std::string& extension)
{
    return Fail("the file announces " + std::to_string(count) + " " + what + ", more than its " + std::to_string(size) +
                " bytes can hold; it is damaged or " + NotAFileOf(extension));
}

// The bytes one value of a PLY property type takes in a binary file; 1 for a type no
// reader knows (the reader refuses it by itself).
uint64_t PlyTypeBytes(std::string_view type)
{
    static const std::map<std::string_view, uint64_t> sizes = {
        {"char", 1},  {"uchar", 1},   {"int8", 1},   {"uint8", 1},  {"short", 2}, {"ushort", 2},
        {"int16", 2}, {"uint16", 2},  {"int", 4},    {"uint", 4},   {"int32", 4}, {"uint32", 4},
        {"float", 4}, {"float32", 4}, {"double", 8}, {"float64", 8}};
    const auto it = sizes.find(type);
    return it == sizes.end() ? 1 : it->second;
}

std::string PlyElementWords(std::string_view name)
{
    if (name == "vertex")
        return "vertices";
    if (name == "face")
        return "faces";
    if (name == "edge")
        return "edges";
    return "elements '" + std::string(name) + "'";
}

Status CheckPly(std::string_view text, uint64_t size)
{
    struct Element {
        std::string name;
        uint64_t count = 0;
        uint64_t bytes = 0;  // the least one of them takes
    };
    std::vector<Element> elements;
    bool ascii = true;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            return {};  // the header goes on past what is looked at: the reader decides
        const std::vector<std::string_view> words = Words(text.substr(at, end - at));
        at = end + 1;
        if (words.empty())
            continue;
        if (words[0] == "end_header")
            break;
        if (words[0] == "format" && words.size() >= 2) {
            ascii = words[1] == "ascii";
        } else if (words[0] == "element" && words.size() >= 3) {
            const std::optional<uint64_t> count = Count(words[2]);
            if (!count)
                return {};
            elements.push_back({std::string(words[1]), *count, 0});
        } else if (words[0] == "property" && !elements.empty()) {
            // A scalar, or a list: its length (the corners come on top).
            const bool list = words.size() >= 2 && words[1] == "list";
            if (words.size() < (list ? 3u : 2u))
                continue;
            elements.back().bytes += ascii ? 2 : PlyTypeBytes(words[1 + (list ? 1 : 0)]);
        }
    }
    const uint64_t body = size - std::min<uint64_t>(size, at);
    // A text file's last value needs no separator after it.
    const uint64_t room = ascii ? body + 1 : body;
    uint64_t need = 0;
    for (const Element& e : elements) {
        need = Add(need, Times(e.count, e.bytes));
        if (need > room)
            return TooMany(e.count, PlyElementWords(e.name), size, "ply");
    }
    return {};
}

Status CheckStl(std::span<const uint8_t> head, uint64_t size)
{
    if (size < 84 || head.size() < 84)
        return {};
    const uint64_t count =
        uint64_t{head[80]} | uint64_t{head[81]} << 8 | uint64_t{head[82]} << 16 | uint64_t{head[83]} << 24;
    const uint64_t need = 84 + count * 50;
    if (need <= size)
        return {};
    // A text STL begins with "solid"; a binary one may too, and is then told by its count
    // fitting the size, which a count that only fits after 32-bit wrapping must not pass.
    std::size_t at = 0;
    while (at < head.size() && std::isspace(head[at]))
        ++at;
    const std::string_view start(reinterpret_cast<const char*>(head.data()) + at,
                                 std::min<std::size_t>(5, head.size() - at));
    if (ToLowerAscii(start) == "solid" && static_cast<uint32_t>(need) != size)
        return {};
    return TooMany(count, "triangles", size, "stl");
}

Status CheckOff(std::string_view text, uint64_t size)
{
    // "OFF", then the numbers of vertices, faces and edges, each vertex at least three
    // values and each face at least its corner count, two bytes a value.
    std::size_t at = 0;
    std::vector<std::string_view> words;
    while (words.size() < 3 && at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line[0] == '#')
            continue;
        for (const std::string_view w : Words(line))
            if (words.size() < 3)
                words.push_back(w);
        if (words.size() == 3) {
            // Where the face count ends.
            const char* last = words[2].data() + words[2].size();
            at = static_cast<std::size_t>(last - text.data());
        }
    }
    if (words.size() < 3 || ToLowerAscii(words[0]) != "off")
        return {};
    const std::optional<uint64_t> vertices = Count(words[1]), faces = Count(words[2]);
    if (!vertices || !faces)
        return {};
    const uint64_t room = size - std::min<uint64_t>(size, at) + 1;
    if (Times(*vertices, 6) > room)
        return TooMany(*vertices, "vertices", size, "off");
    if (Add(Times(*vertices, 6), Times(*faces, 2)) > room)
        return TooMany(*faces, "faces", size, "off");
    return {};
}

// The library's text without its format tag ("GLTF: ", "FBX-Parser "), its first letter
// small and without a closing full stop; empty when it speaks of the library's own parts.
std::string ShortReason(std::string text)
{
    for (const char* internal : {"::", "aiScene", "aiMesh", "aiNode", "aiMaterial", "mNum", "nullptr", "NULL"})
        if (Contains(text, internal))
            return {};
    // A short tag before a colon ("GLTF: ", "Invalid .ply file: ") says only what the
    // sentence around the reason says already.
    if (const std::size_t colon = text.find(": "); colon != std::string::npos && colon <= 24)
        text.erase(0, colon + 2);
    if (const std::size_t space = text.find(' '); space != std::string::npos && space <= 16) {
        const std::string_view first(text.data(), space);
        if (StartsWith(first, "FBX-"))
            text.erase(0, space + 1);
        else if (first.size() > 5 && first.substr(first.size() - 5) == "-file")
            text.replace(0, space, "the file");
    }
    while (!text.empty() && (text.back() == '.' || std::isspace(static_cast<unsigned char>(text.back()))))
        text.pop_back();
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.erase(0, 1);
    // "Accessor ..." but not "STL ...".
    if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
        std::islower(static_cast<unsigned char>(text[1])))
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    constexpr std::size_t kLongest = 200;
    if (text.size() > kLongest)
        text = text.substr(0, kLongest) + "...";
    return text;
}

// The checks Assimp makes of the scene a reader built, in words about the file.
std::string ValidationReason(const std::string& text)
{
    if (Contains(text, "contains no faces"))
        return "a mesh holds no faces";
    if (Contains(text, "contains no vertices"))
        return "a mesh holds no vertices";
    if (Contains(text, "mIndices") && Contains(text, "out of range"))
        return "a face names a vertex the mesh does not have";
    if (Contains(text, "too many"))
        return ShortReason(text);
    return "its parts do not fit together";
}

}  // namespace

std::string FormatName(const std::string& extension)
{
    static const std::map<std::string, std::string> names = {
        {"gltf", "glTF"},   {"glb", "glTF"},      {"dae", "Collada"},   {"blend", "Blender"},
        {"x", "DirectX"},   {"lwo", "LightWave"}, {"lws", "LightWave"}, {"ms3d", "Milkshape 3D"},
        {"ac", "AC3D"},     {"ac3d", "AC3D"},     {"ase", "ASE"},       {"ask", "ASE"},
        {"b3d", "Blitz3D"}, {"ogex", "OpenGEX"},  {"irr", "Irrlicht"},  {"irrmesh", "Irrlicht"},
        {"q3o", "Quick3D"}, {"q3s", "Quick3D"},   {"cob", "TrueSpace"}, {"scn", "TrueSpace"},
        {"3mf", "3MF"},     {"usd", "USD"},       {"xgl", "XGL"},       {"zgl", "XGL"}};
    const std::string lower = ToLowerAscii(extension);
    if (const auto it = names.find(lower); it != names.end())
        return it->second;
    return ToUpperAscii(lower);
}

std::string NotAFileOf(const std::string& extension)
{
    if (extension.empty())
        return "not a model file";
    const std::string name = FormatName(extension);
    // An acronym is read letter by letter ("an STL"), a word as it is spelt ("a Collada").
    const bool acronym = std::none_of(name.begin(), name.end(), [](unsigned char c) { return std::islower(c); });
    const char first = name[0];
    const bool an = name != "glTF" && (acronym ? std::strchr("AEFHILMNORSX8", first) != nullptr
                                               : std::strchr("AEIOUaeiou", first) != nullptr);
    return std::string("not ") + (an ? "an " : "a ") + name + " file";
}

Status CheckAnnouncedCounts(std::span<const uint8_t> head, uint64_t size, const std::string& extension)
{
    head = head.subspan(0, std::min(head.size(), kHeaderBytes));
    const std::string_view text(reinterpret_cast<const char*>(head.data()), head.size());
    const std::string ext = ToLowerAscii(extension);
    // PLY and OFF files say what they are; a binary STL file only by its name.
    if (text.size() >= 4 && ToLowerAscii(text.substr(0, 3)) == "ply" && (text[3] == '\n' || text[3] == '\r'))
        return CheckPly(text, size);
    if (ext == "off" || ToLowerAscii(text.substr(0, 3)) == "off")
        return CheckOff(text, size);
    if (ext == "stl")
        return CheckStl(head, size);
    return {};
}

std::string ReaderFailure(const std::string& error, const std::string& extension, bool known)
{
    const std::string damaged = "the file is damaged or " + NotAFileOf(extension);
    if (Contains(error, "bad_alloc") || StartsWith(error, "vector::") || Contains(error, "max_size()"))
        return "reading the file needs far more memory than a file of its size can call for; it is damaged or " +
               NotAFileOf(extension);
    if (StartsWith(error, "No suitable reader found")) {
        if (known)
            return damaged;
        return extension.empty()
                   ? std::string("the file is not of a kind the import reads")
                   : "files of type ." + ToLowerAscii(extension) + " are not among those the import reads";
    }
    if (StartsWith(error, "Unable to open file"))
        return "the file cannot be opened";
    // Nothing but vertices, points or lines.
    if (StartsWith(error, "No meshes remaining") || Contains(error, "mNumMeshes is 0"))
        return "the file holds no faces";
    // Assimp names the versions it takes in its own terms and blames the file; the file is
    // sound, only older than the reader.
    if (Contains(error, "old format version"))
        return "the file is an older FBX version (before FBX 2011) that this reader does not take: save it "
               "again from the tool that made it as FBX 2011 or newer, or as glTF";
    if (StartsWith(error, "Failed to determine STL storage representation"))
        return damaged + ": it is neither a text nor a binary STL file";
    std::string reason;
    if (StartsWith(error, "Validation failed: "))
        reason = ValidationReason(error.substr(std::strlen("Validation failed: ")));
    else
        reason = ShortReason(error);
    return reason.empty() ? damaged : damaged + ": " + reason;
}

uint64_t ReadMemoryBudget(uint64_t size)
{
    uint64_t ceiling = 4096 * kMiB;
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        ceiling = std::min(ceiling, Times(static_cast<uint64_t>(pages), static_cast<uint64_t>(pageSize)) / 2);
    const uint64_t floor = std::min<uint64_t>(512 * kMiB, ceiling);
    return std::clamp(Times(size, 64), floor, ceiling);
}

std::chrono::milliseconds ReadTimeLimit(uint64_t size, std::chrono::milliseconds ceiling)
{
    const auto bySize = std::chrono::seconds(30) +
                        std::chrono::seconds(static_cast<int64_t>(std::min<uint64_t>(size / kMiB, 24 * 3600)));
    return std::min<std::chrono::milliseconds>(bySize, ceiling);
}

}  // namespace orv
