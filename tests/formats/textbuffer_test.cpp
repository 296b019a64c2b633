#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "formats/textbuffer.h"
#include "formats/textformat.h"

using namespace orv;

TEST(GetToken, FindsKeywordsSkipsCommentsAndStopsAtTheEnd)
{
    TextBuffer b("junk before RADIUS \t 1.5 trailing\r\nNAME  my mesh\tafter\r\n");
    std::string_view t;
    ASSERT_TRUE(GetToken(b, "RADIUS ", t, " "));
    EXPECT_EQ(t, "1.5");
    ASSERT_TRUE(GetToken(b, "NAME ", t, ""));  // "" runs to the line end, but a TAB ends it
    EXPECT_EQ(t, "my mesh");
    ASSERT_TRUE(GetToken(b, "", t, ""));
    EXPECT_EQ(t, "after");
    EXPECT_FALSE(GetToken(b, "", t, ""));
    EXPECT_FALSE(GetToken(b, "RADIUS ", t, " "));

    // With LF-only line ends the comment skip must not eat the next line's first character.
    for (const std::string eol : {"\r\n", "\n"}) {
        TextBuffer c("# first" + eol + "#" + eol + "0: 1 2" + eol + "# x" + eol + "1: 3 4");
        std::vector<std::string> lines;
        while (GetToken(c, "", t, ""))
            lines.emplace_back(t);
        EXPECT_EQ(lines, (std::vector<std::string>{"0: 1 2", "1: 3 4"})) << eol.size();
        EXPECT_TRUE(c.AtEnd());
    }
    TextBuffer d("# a comment without a line end");
    EXPECT_FALSE(GetToken(d, "", t, ""));
}

TEST(NumberConversions, FollowTheStandardDecimalRules)
{
    for (auto [text, value] : {std::pair{"0x4", 0},
                               {"  -12abc", -12},
                               {"99999999999999999999", INT32_MAX},
                               {"-99999999999999999999", INT32_MIN}})
        EXPECT_EQ(ToInt(text), value) << text;
    for (auto [text, value] : {std::pair{"0x1F", 0x1Fu}, {"0X1f", 0x1Fu}, {"40", 0x40u}, {"123456789abc", 0xFFFFFFFFu}})
        EXPECT_EQ(ToHex(text), value) << text;
    for (auto [text, value] : {std::pair{".665", 0.665f}, {"-.1", -0.1f}, {"1.5e2x", 150.0f}, {"2e", 2.0f}})
        EXPECT_FLOAT_EQ(ToFloat(text), value) << text;
    EXPECT_TRUE(std::isinf(ToFloat("1e999")));
    EXPECT_EQ(ToFloat("1e-999"), 0.0f);
}

TEST(Scan, BehavesLikeSscanf)
{
    int32_t a = -1, b = -1;
    uint32_t h = 7;
    float f = -1.0f;
    std::string s;
    EXPECT_EQ(Scan("5:0x1f\t\t-3  2.5 name rest", "%d: %x %d %f %s", {&a, &h, &b, &f, &s}), 5);
    EXPECT_EQ(std::tie(a, h, b, f, s), std::make_tuple(5, 0x1Fu, -3, 2.5f, std::string("name")));
    // A mismatch stops the scan; later targets keep their values.
    a = b = -1;
    EXPECT_EQ(Scan("mode=3\t\t# comment", "mode=%d, basedon=%d", {&a, &b}), 1);
    EXPECT_EQ(std::tie(a, b), std::make_tuple(3, -1));
    // A width limits a string; the rest of the word is left for the next directive.
    std::string first, second;
    EXPECT_EQ(Scan("abcdefgh", "%3s%s", {&first, &second}), 2);
    EXPECT_EQ(first + "|" + second, "abc|defgh");
}

TEST(Appendf, FormatsLikePrintfWithCrLf)
{
    std::string o;
    Appendf(o, "%5d:|%-6s|%04x|0x%05x|%x|0x%02x\n", {7, "ab", 0x2Au, 1, -1, 0xE});
    Appendf(o, "%10.6f|%5.2f|%9.7f|%f|%6.3f|%10.3f\n", {-0.1f, 0.005, 1.0f / 3.0f, 0.451664f, 15.0f, -490.58f});
    Appendf(o, "%13d|%3d,%3d |100%%", {-5, 12, 1234});
    EXPECT_EQ(o,
              "    7:|ab    |002a|0x00001|ffffffff|0x0e\r\n"
              " -0.100000| 0.01|0.3333333|0.451664|15.000|  -490.580\r\n"
              "           -5| 12,1234 |100%");
}

// The line reader of the formats read line by line: every kind of line end, and the text
// after the last one, which is a line of its own but not a terminated one.
TEST(TextBuffer, ReadLineTakesEveryLineEnd)
{
    TextBuffer b(std::string("one\r\ntwo\nthree\rfour\r\n\r\nlast"));
    std::vector<std::pair<std::string, bool>> lines;
    TextLine l;
    while (ReadLine(b, l))
        lines.emplace_back(std::string(l.text), l.terminated);
    EXPECT_EQ(lines, (std::vector<std::pair<std::string, bool>>{
                         {"one", true}, {"two", true}, {"three", true}, {"four", true}, {"", true}, {"last", false}}));
    EXPECT_TRUE(b.AtEnd());
    TextBuffer empty;
    EXPECT_FALSE(ReadLine(empty, l));
}
