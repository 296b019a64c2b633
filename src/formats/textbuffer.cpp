#include "formats/textbuffer.h"

#include "formats/textformat.h"
#include "model/fileio.h"

namespace orv {

Result<TextBuffer> LoadTextBuffer(const std::filesystem::path& path)
{
    auto text = ReadWholeTextFile(path);
    if (!text)
        return Fail(text.error());
    return TextBuffer(std::move(*text));
}

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

bool ReadLine(TextBuffer& buffer, TextLine& line)
{
    const std::string_view text = buffer.Text();
    const std::size_t p = buffer.Cursor();
    if (p >= text.size())
        return false;
    std::size_t end = text.find_first_of("\r\n", p);
    if (end == std::string_view::npos) {
        line = {text.substr(p), false};
        buffer.SetCursor(text.size());
        return true;
    }
    line = {text.substr(p, end - p), true};
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
        ++end;
    buffer.SetCursor(end + 1);
    return true;
}

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

bool RunsToEnd(const TextBuffer& buffer, std::string_view token)
{
    const std::string_view text = buffer.Text();
    return token.data() != nullptr && token.data() + token.size() == text.data() + text.size();
}

namespace {

// The number at the start of text after leading blanks, or 0 when there is none.
template <class T>
T ScanAfterBlanks(std::string_view text, bool (*scan)(std::string_view, std::size_t&, T&))
{
    std::size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    T v{};
    return scan(text, pos, v) ? v : T{};
}

}  // namespace

void DamageNotes::AddTo(ReadStatus& status) const
{
    if (!Any())
        return;
    std::string text = first_;
    if (count_ > 1)
        text += " (and " + std::to_string(count_ - 1) + " more damaged place" + (count_ > 2 ? "s)" : ")");
    status.missing = status.missing.empty() ? text : status.missing + "; " + text;
    status.damaged = true;
    status.complete = false;
}

int32_t ToInt(std::string_view text) { return ScanAfterBlanks<int32_t>(text, ScanInt); }

uint32_t ToHex(std::string_view text) { return ScanAfterBlanks<uint32_t>(text, ScanHex); }

float ToFloat(std::string_view text) { return ScanAfterBlanks<float>(text, ScanFloat); }

}  // namespace orv
