// The thing templates of the game's level files: the "Templates" section of a .jkl and
// the lines of a .tpl file. A template is one line, "name basedon key=value ...", and
// names the model (model3d=), puppet (puppet=), materials and keyframes a thing uses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

struct TemplateParam {
    std::string key;    // lower-cased
    std::string value;  // lower-cased, as the game looks names up
};

struct ThingTemplate {
    std::string name;     // lower-cased
    std::string basedOn;  // lower-cased; "none" for a template of its own
    std::vector<TemplateParam> params;
    int32_t line = 0;  // 1-based line of the text

    // The value of the first parameter of that key; "" when there is none.
    std::string_view Param(std::string_view key) const;
};

// The templates of a level's text (levelFile: those of its "SECTION: TEMPLATES", up to its
// "end") or of a template file (every template line; a "World templates N" line and
// section lines are passed over). Comments ('#' to the end of the line) and blank lines
// are skipped; a line of fewer than two words is no template. Accepts CR LF and LF.
std::vector<ThingTemplate> ReadTemplates(std::string_view text, bool levelFile);

// The words of the text that end in ext (".mat", without regard to case), lower-cased,
// each once, in the order they first occur; a word is a run of characters other than
// blanks, TABs, line ends, '=' and the quote, comma and parenthesis characters.
std::vector<std::string> WordsEndingIn(std::string_view text, std::string_view ext);

// The 1-based line of the first occurrence of word in the text, without regard to case;
// 0 when it does not occur.
int32_t LineOfWord(std::string_view text, std::string_view word);

}  // namespace orv
