// The scanner shared by the readers of the game's text formats: the whole file in memory
// with a cursor, and GetToken, which finds a keyword and takes the token after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/result.h"

namespace orv {

// What a reader made of a text: whether the text was one of its format at all (a known
// section was found) and whether everything the text announces was there. A text that
// ends early (a cut-off file) still gives what could be read; missing then says what the
// text announced and did not hold ("3 of 12 meshes read"). A text that holds what cannot
// stand (an index past its list, a number that is not finite) is damaged: it is read as
// far as it is sound, incomplete, and missing also names the first such place and what
// was made of it.
struct ReadStatus {
    bool recognised = false;
    bool complete = false;
    bool damaged = false;
    std::string missing;
};

// The damaged places a reader met: the first is told in full, the others counted.
class DamageNotes {
public:
    void Add(std::string note)
    {
        if (first_.empty())
            first_ = std::move(note);
        ++count_;
    }
    bool Any() const { return count_ > 0; }
    // The notes joined to what the status already misses; the status is then damaged and
    // incomplete. Nothing changes without a note.
    void AddTo(ReadStatus& status) const;

private:
    std::string first_;
    std::size_t count_ = 0;
};

class TextBuffer {
public:
    TextBuffer() = default;
    explicit TextBuffer(std::string text) : data_(std::move(text)) {}

    std::string_view Text() const { return data_; }
    std::size_t Size() const { return data_.size(); }
    std::size_t Cursor() const { return cursor_; }
    void SetCursor(std::size_t c) { cursor_ = c < data_.size() ? c : data_.size(); }
    bool AtEnd() const { return cursor_ >= data_.size(); }

private:
    std::string data_;
    std::size_t cursor_ = 0;
};

// The whole file, cursor at the start.
Result<TextBuffer> LoadTextBuffer(const std::filesystem::path& path);

// Skips comment lines ('#' at the cursor), finds the first occurrence of keyword at or
// after the cursor (an empty keyword matches at the cursor), skips blanks and TABs, and
// returns as token the run up to the first of delimiters, CR, LF or TAB. The cursor then
// stands after that terminator and any TABs, CRs and LFs that follow it.
// Returns false, with the cursor at the end, when the keyword does not occur or the
// text is used up; the token then is empty. Never reads past the end of the text.
bool GetToken(TextBuffer& buffer, std::string_view keyword, std::string_view& token, std::string_view delimiters);

// One line of the text, without its line end (LF, CR LF, or a lone CR).
struct TextLine {
    std::string_view text;
    bool terminated = false;  // false for text after the last line end
};
// The line at the cursor; the cursor moves past its line end. False at the end of the
// text. The line reader of the formats that read line by line (KEY markers, PUP).
bool ReadLine(TextBuffer& buffer, TextLine& line);

// True when token, taken from buffer's text, runs up to the end of the text: the text
// ended inside that line, so the token may have been cut short.
bool RunsToEnd(const TextBuffer& buffer, std::string_view token);

// Standard decimal conversions, locale-independent: optional leading white space and
// sign, then as many characters as form a number; 0 when there is none.
// ToInt stops at the first non-digit ("0x4" gives 0) and saturates at the int32 range.
int32_t ToInt(std::string_view text);
// Hexadecimal with or without a "0x" / "0X" prefix.
uint32_t ToHex(std::string_view text);
float ToFloat(std::string_view text);

}  // namespace orv
