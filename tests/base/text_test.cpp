#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <set>
#include <string>
#include <vector>

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
        EXPECT_EQ(f.value, c.value) << c.text;
        EXPECT_EQ(f.inRange, c.inRange) << c.text;
        EXPECT_EQ(f.empty, c.empty) << c.text;
        EXPECT_EQ(f.whole, c.whole) << c.text;
    }
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
