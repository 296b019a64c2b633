#include "formats/textbuffer.h"

#include "formats/textformat.h"
#include "model/fileio.h"

namespace orv {

bool LoadTextBuffer(const std::filesystem::path& path, TextBuffer& buffer, std::string* error)
{
    std::string text;
    if (!ReadWholeFile(path, text, error))
        return false;
    buffer = TextBuffer(std::move(text));
    return true;
}

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

bool GetToken(TextBuffer& buffer, std::string_view keyword, std::string_view& token, std::string_view delimiters)
{
    const std::string_view text = buffer.Text();
    const std::size_t size = text.size();
    std::size_t p = buffer.Cursor();
    token = {};

    // Comment lines. A line ends with CR LF, LF or a lone CR, so LF-only files read
    // exactly like CR LF files.
    while (p < size && text[p] == '#') {
        while (p < size && !IsLineEnd(text[p]))
            ++p;
        if (p < size && text[p] == '\r')
            ++p;
        if (p < size && text[p] == '\n')
            ++p;
    }

    if (keyword.empty()) {
        if (p >= size) {
            buffer.SetCursor(size);
            return false;
        }
    } else {
        const std::size_t at = text.find(keyword, p);
        if (at == std::string_view::npos) {
            buffer.SetCursor(size);
            return false;
        }
        p = at + keyword.size();
    }

    while (p < size && (text[p] == ' ' || text[p] == '\t'))
        ++p;

    const std::size_t start = p;
    while (p < size && !IsLineEnd(text[p]) && text[p] != '\t' && delimiters.find(text[p]) == std::string_view::npos)
        ++p;
    token = text.substr(start, p - start);
    if (p < size)
        ++p;  // past the terminator

    while (p < size && (text[p] == '\t' || IsLineEnd(text[p])))
        ++p;
    buffer.SetCursor(p);
    return true;
}

int32_t ToInt(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    int32_t v = 0;
    return ScanInt(text, pos, v) ? v : 0;
}

uint32_t ToHex(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    uint32_t v = 0;
    return ScanHex(text, pos, v) ? v : 0;
}

float ToFloat(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    float v = 0.0f;
    return ScanFloat(text, pos, v) ? v : 0.0f;
}

std::string ToLowerAscii(std::string_view text)
{
    std::string s(text);
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace orv
