#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "formats/textbuffer.h"
#include "formats/textformat.h"

using namespace orv;

namespace {

std::vector<std::string> Tokens(TextBuffer& b, std::string_view keyword, std::string_view delimiters, int n)
{
    std::vector<std::string> out;
    std::string_view t;
    for (int i = 0; i < n && GetToken(b, keyword, t, delimiters); ++i)
        out.emplace_back(t);
    return out;
}

}  // namespace

TEST(GetToken, FindsKeywordAnywhereAndStopsAtDelimiters)
{
    TextBuffer b("junk before RADIUS \t 1.5 trailing\r\nNAME  my mesh\tafter\r\n");
    std::string_view t;
    ASSERT_TRUE(GetToken(b, "RADIUS ", t, " "));
    EXPECT_EQ(t, "1.5");
    // The extra delimiter set "" runs to the line end, but a TAB always ends a token.
    ASSERT_TRUE(GetToken(b, "NAME ", t, ""));
    EXPECT_EQ(t, "my mesh");
    ASSERT_TRUE(GetToken(b, "", t, ""));
    EXPECT_EQ(t, "after");
    EXPECT_TRUE(b.AtEnd());
    EXPECT_FALSE(GetToken(b, "", t, ""));
}

TEST(GetToken, SkipsCommentLinesWithEitherLineEnd)
{
    // With LF-only line ends the comment skip must not eat the first character of the
    // next line.
    for (const std::string eol : {"\r\n", "\n"}) {
        TextBuffer b("# first comment" + eol + "# second" + eol + "0: 1 2" + eol + "#x" + eol + "1: 3 4" + eol);
        EXPECT_EQ(Tokens(b, "", "", 5), (std::vector<std::string>{"0: 1 2", "1: 3 4"})) << "eol size " << eol.size();
    }
}

TEST(GetToken, MissingKeywordEndsAtTheEndWithoutReadingPastIt)
{
    TextBuffer b("SECTION: HEADER\r\n3DO 2.1");
    std::string_view t;
    ASSERT_TRUE(GetToken(b, "3DO ", t, " "));
    EXPECT_EQ(t, "2.1");  // last token without a terminator
    EXPECT_TRUE(b.AtEnd());
    EXPECT_FALSE(GetToken(b, "SECTION: ", t, " "));
    EXPECT_TRUE(t.empty());

    TextBuffer c("abc");
    EXPECT_FALSE(GetToken(c, "abcd", t, " "));
    EXPECT_TRUE(c.AtEnd());
    TextBuffer d("# only a comment without line end");
    EXPECT_FALSE(GetToken(d, "", t, ""));
}

TEST(GetToken, EmptyKeywordAlwaysAdvances)
{
    // Each call consumes at least the terminator, so a loop over a count cannot spin.
    TextBuffer b("\t\t\r\n  \r\n x");
    std::string_view t;
    int calls = 0;
    while (GetToken(b, "", t, " ") && calls < 10)
        ++calls;
    EXPECT_LT(calls, 10);
    EXPECT_TRUE(b.AtEnd());
}

TEST(NumberConversions, FollowTheStandardDecimalRules)
{
    EXPECT_EQ(ToInt("0x4"), 0);
    EXPECT_EQ(ToInt("  -12abc"), -12);
    EXPECT_EQ(ToInt("+7"), 7);
    EXPECT_EQ(ToInt("abc"), 0);
    EXPECT_EQ(ToInt("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(ToInt("-99999999999999999999"), INT32_MIN);

    EXPECT_EQ(ToHex("0x1F"), 0x1Fu);
    EXPECT_EQ(ToHex("0X1f"), 0x1Fu);
    EXPECT_EQ(ToHex("40"), 0x40u);
    EXPECT_EQ(ToHex("0x"), 0u);
    EXPECT_EQ(ToHex("zz"), 0u);
    EXPECT_EQ(ToHex("123456789abc"), 0xFFFFFFFFu);

    EXPECT_FLOAT_EQ(ToFloat(".665"), 0.665f);
    EXPECT_FLOAT_EQ(ToFloat("-.1"), -0.1f);
    EXPECT_FLOAT_EQ(ToFloat("1.5e2x"), 150.0f);
    EXPECT_FLOAT_EQ(ToFloat("2e"), 2.0f);
    EXPECT_EQ(ToFloat("abc"), 0.0f);
    EXPECT_TRUE(std::isinf(ToFloat("1e999")));
    EXPECT_EQ(ToFloat("1e-999"), 0.0f);
}

TEST(Scan, BehavesLikeSscanf)
{
    int32_t a = -1, b = -1;
    uint32_t h = 7;
    float f = -1.0f;
    std::string s;
    // White space in the format matches any amount, including none.
    EXPECT_EQ(Scan("5:0x1f\t\t-3  2.5 name rest", "%d: %x %d %f %s", {&a, &h, &b, &f, &s}), 5);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(h, 0x1Fu);
    EXPECT_EQ(b, -3);
    EXPECT_FLOAT_EQ(f, 2.5f);
    EXPECT_EQ(s, "name");

    // A mismatch stops the scan; later targets keep their values.
    a = b = -1;
    EXPECT_EQ(Scan("mode=3\t\t# comment", "mode=%d, basedon=%d", {&a, &b}), 1);
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, -1);

    // A width limits a string; the rest of the word is left for the next directive.
    std::string first, second;
    EXPECT_EQ(Scan("abcdefgh", "%3s%s", {&first, &second}), 2);
    EXPECT_EQ(first, "abc");
    EXPECT_EQ(second, "defgh");
}

TEST(Appendf, FormatsLikePrintfWithCrLf)
{
    std::string o;
    Appendf(o, "%5d:|%-6s|%04x|0x%05x|%x|0x%02x\n", {7, "ab", 0x2Au, 1, -1, 0xE});
    EXPECT_EQ(o, "    7:|ab    |002a|0x00001|ffffffff|0x0e\r\n");
    o.clear();
    Appendf(o, "%10.6f|%5.2f|%9.7f|%f|%6.3f|%10.3f", {-0.1f, 0.005, 1.0f / 3.0f, 0.451664f, 15.0f, -490.58f});
    EXPECT_EQ(o, " -0.100000| 0.01|0.3333333|0.451664|15.000|  -490.580");
    o.clear();
    Appendf(o, "%13d|%3d,%3d |100%%", {-5, 12, 1234});
    EXPECT_EQ(o, "           -5| 12,1234 |100%");
}
