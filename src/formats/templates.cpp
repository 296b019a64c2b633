#include "formats/templates.h"

#include <algorithm>
#include <unordered_set>

#include "base/text.h"

namespace orv {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && Blank(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !Blank(line[i]))
            ++i;
        if (i > start)
            out.push_back(line.substr(start, i - start));
    }
    return out;
}

bool StartsNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

std::string_view ThingTemplate::Param(std::string_view key) const
{
    for (const auto& p : params)
        if (p.key == key)
            return p.value;
    return {};
}

std::vector<ThingTemplate> ReadTemplates(std::string_view text, bool levelFile)
{
    std::vector<ThingTemplate> out;
    bool inSection = !levelFile;
    int32_t lineNo = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lf = text.find('\n', pos);
        std::string_view line = text.substr(pos, lf == std::string_view::npos ? std::string_view::npos : lf - pos);
        pos = lf == std::string_view::npos ? text.size() : lf + 1;
        ++lineNo;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        const auto words = Words(line);
        if (words.empty())
            continue;
        if (StartsNoCase(words[0], "section:")) {
            // The section's name may follow the colon with or without a blank.
            std::string_view name = words[0].substr(8);
            if (name.empty() && words.size() > 1)
                name = words[1];
            const bool templates = EqualNoCase(name, "templates");
            if (levelFile && inSection && !templates)
                break;
            if (levelFile)
                inSection = templates;
            continue;
        }
        if (!inSection)
            continue;
        if (EqualNoCase(words[0], "end")) {
            if (levelFile)
                break;
            continue;
        }
        if (EqualNoCase(words[0], "world") || words.size() < 2)
            continue;
        ThingTemplate t;
        t.name = ToLowerAscii(words[0]);
        t.basedOn = ToLowerAscii(words[1]);
        t.line = lineNo;
        for (std::size_t i = 2; i < words.size(); ++i) {
            const std::size_t eq = words[i].find('=');
            if (eq == std::string_view::npos)
                continue;
            t.params.push_back({ToLowerAscii(words[i].substr(0, eq)), ToLowerAscii(words[i].substr(eq + 1))});
        }
        out.push_back(std::move(t));
    }
    return out;
}

std::vector<std::string> WordsEndingIn(std::string_view text, std::string_view ext)
{
    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    auto separator = [](char c) { return Blank(c) || c == '=' || c == '"' || c == ',' || c == '(' || c == ')'; };
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && separator(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !separator(text[i]))
            ++i;
        const std::string_view word = text.substr(start, i - start);
        if (word.size() > ext.size() && EqualNoCase(word.substr(word.size() - ext.size()), ext))
            if (std::string lower = ToLowerAscii(word); seen.insert(lower).second)
                out.push_back(std::move(lower));
    }
    return out;
}

int32_t LineOfWord(std::string_view text, std::string_view word)
{
    if (word.empty())
        return 0;
    // Searched in place: the names a file lists stand near its top, and a large file is
    // not copied for each.
    const auto at = std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
        return EqualNoCase(std::string_view(&a, 1), std::string_view(&b, 1));
    });
    if (at == text.end())
        return 0;
    return 1 + static_cast<int32_t>(std::count(text.begin(), at, '\n'));
}

}  // namespace orv
