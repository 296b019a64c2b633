#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "base/names.h"
#include "base/text.h"

using namespace orv;

// Names compare by ASCII letters only, whatever the process locale says: a window sets
// the locale from the environment, and a Latin-1 locale would fold bytes of UTF-8 names.
TEST(Text, CaseFoldsAsciiOnlyWhateverTheLocale)
{
    const char* old = std::setlocale(LC_CTYPE, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_CTYPE, "C.UTF-8");
    EXPECT_EQ(ToLowerAscii("Walker\xC3\x89.3DO"), "walker\xC3\x89.3do");
    EXPECT_TRUE(EqualNoCase("TORSO", "torso"));
    EXPECT_FALSE(EqualNoCase("\xC3\x89", "\xC3\xA9"));
    EXPECT_FALSE(EqualNoCase("torso", "torso2"));
    std::setlocale(LC_CTYPE, saved.c_str());
}

// Names from other tools, as the model and its keyframes both name them: ASCII, accents
// to their letters, other characters to '_', 31 at most, different names kept apart
// (whatever their case) while one name given twice stays one.
TEST(Text, GameNamesAreAsciiShortAndToldApart)
{
    const std::pair<std::string, std::string> cases[] = {
        {"W\xC3\xBCrfel", "Wurfel"},    {"Stra\xC3\x9F" "e", "Strasse"}, {"\xC5\x81\xC3\xB3" "d\xC5\xBA", "Lodz"},
        {"two words", "two_words"},    {"\xE6\x97\xA5\xE6\x9C\xAC", "__"}, {"bad\xFF\xC3", "bad__"},
        {"\xC0\xAF", "__"},            {std::string(40, 'a'), std::string(31, 'a')},
    };
    for (const auto& [from, to] : cases)
        EXPECT_EQ(GameName(from, 31), to) << from;
    const std::string x(31, 'x');
    EXPECT_EQ(GameNames({x + "A", "arm", x + "B", "Arm", "arm", ""}, 31),
              (std::vector<std::string>{x, "arm", std::string(29, 'x') + "_2", "Arm_2", "arm", ""}));
}

// A typed number: hexadecimal after an x, decimal otherwise; what a field can hold, what
// lies beyond it, and what is not a number at all.
TEST(Text, TypedNumbers)
{
    struct Case {
        const char* text;
        uint32_t max, value;
        bool inRange, empty, whole;
    };
    const Case cases[] = {
        {"  0X1f ", 0xFF, 31, true, false, true}, {"x1F", 0xFF, 31, true, false, true},
        {"31", 0xFF, 31, true, false, true},      {"0x100", 0xFF, 0xFF, false, false, true},
        {"-3", 0xFF, 0, false, false, true},      {"99999999999999999999", 0xFFFFFFFF, 0xFFFFFFFF, false, false, true},
        {"12abc", 0xFF, 12, true, false, false},  {"abc", 0xFF, 0, true, true, false},
        {"0x", 0xFF, 0, true, true, true},        {"", 0xFF, 0, true, true, true},
    };
    for (const Case& c : cases) {
        const HexField f = ParseHexField(c.text, c.max);
        EXPECT_EQ(std::tie(f.value, f.inRange, f.empty, f.whole), std::tie(c.value, c.inRange, c.empty, c.whole))
            << c.text;
    }
}

// Names from files, shown: printable ASCII as it is; anything else in quotes, escaped so
// that it cannot reach a terminal raw nor read as another name (a real backslash before
// an x is doubled), and typed back in that form it is the same bytes.
TEST(Text, NamesFromFilesAreShownEscapedAndReadBack)
{
    const std::pair<std::string, std::string> cases[] = {
        {"mat\\crate.mat", "mat\\crate.mat"},
        {"a\x1b[2Jb", "\"a\\x1b[2Jb\""},
        {"cog\\x\ny", "\"cog\\\\x\\x0ay\""},
        {"caf\xe9.mat", "\"caf\\xe9.mat\""},
        {"\"quoted\"", "\"\\\"quoted\\\"\""},
        {"", ""},
    };
    for (const auto& [name, shown] : cases) {
        EXPECT_EQ(ShownName(name), shown);
        EXPECT_EQ(NameFromShown(shown), name) << shown;
    }
    EXPECT_EQ(NameFromShown("\"a\\q\""), std::nullopt);
    EXPECT_EQ(NameFromShown("\"a\\x1\""), std::nullopt);
    EXPECT_EQ(SafeFileNamePart("a\x1b" "b\x7f\xe9.mat"), "a\\x1bb\\x7f\\xe9.mat");
    // In messages, the UTF-8 of a user's own file names stays readable.
    EXPECT_EQ(TerminalSafe("caf\xc3\xa9\x1b[2J\n"), "caf\xc3\xa9\\x1b[2J\\x0a");
}

// Names made unique in a list: the first number free, cut to fit with its number, in any
// case; names held elsewhere count as taken. Many names alike take a few tries each, not
// one per namesake before them (a wide model has thousands).
TEST(Text, UniqueNames)
{
    UniqueNames list(8);
    list.Add("Body_2");
    const std::vector<std::string> taken = {"bo_3.mat"};
    auto elsewhere = [&](const std::string& name) {
        return std::find(taken.begin(), taken.end(), ToLowerAscii(name)) != taken.end();
    };
    const std::pair<const char*, const char*> cases[] = {
        {"body", "body"}, {"BODY", "BODY_3"}, {"body", "body_4"}, {"longer_name", "longer_n"}, {"longer_n", "longer_2"},
    };
    for (const auto& [wanted, made] : cases)
        EXPECT_EQ(list.Take(wanted), made) << wanted;
    EXPECT_TRUE(list.Has("LONGER_2"));
    EXPECT_EQ(list.Take("body", ".mat", elsewhere), "body.mat");
    EXPECT_EQ(list.Take("body", ".mat", elsewhere), "bo_2.mat");
    EXPECT_EQ(list.Take("body", ".mat", elsewhere), "bo_4.mat");

    UniqueNames wide(31);
    const std::size_t n = 20000;
    std::set<std::string> made;
    for (std::size_t i = 0; i < n; ++i)
        made.insert(ToLowerAscii(wide.Take(i % 2 ? "mesh" : "MESH")));
    EXPECT_EQ(made.size(), n);
    EXPECT_TRUE(made.count("mesh_20000"));
    EXPECT_LE(wide.Tries(), 2 * n);
}
