#include <gtest/gtest.h>

#include "model/tree.h"

using namespace orv;

namespace {

std::vector<std::string> Names(const CTree& t)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < t.Count(); ++i)
        out.push_back(t.At(i).name);
    return out;
}

}  // namespace

TEST(CTree, OrderIgnoresCaseAndKeepsNamesakesTogetherNewestFirst)
{
    CTree t;
    t.Add(std::make_unique<CTreeObject>("3do\\mat\\Zeta.mat", 1, 10));
    t.Add(std::make_unique<CTreeObject>("3do\\mat\\alpha.mat", 2, 10));
    t.Add(std::make_unique<CTreeObject>("mat\\Beta.MAT", 3, 10));
    t.Add(std::make_unique<CTreeObject>("other\\beta.mat", 4, 10));
    t.Add(std::make_unique<CTreeObject>("x\\BETA.mat", 5, 10));
    t.Add(std::make_unique<CTreeObject>("_under.mat", 6, 10));
    // '_' (0x5F) sorts before lower-case letters but after upper-case ones: the order
    // compares lower-cased bytes, so "_under" comes before "alpha".
    EXPECT_EQ(Names(t), (std::vector<std::string>{"_under.mat", "3do\\mat\\alpha.mat", "x\\BETA.mat",
                                                  "other\\beta.mat", "mat\\Beta.MAT", "3do\\mat\\Zeta.mat"}));

    auto r = t.Find("BETA.MAT");
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.position, 2u);
    r = t.Find("gamma.mat");
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.position, 5u);
    r = t.Find("zz");
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.position, 6u);
    EXPECT_EQ(t.Lookup("zeta.mat")->offset, 1u);
    EXPECT_EQ(t.Lookup("nope"), nullptr);

    t.RemoveAt(0);
    EXPECT_EQ(t.Count(), 5u);
    t.Clear();
    EXPECT_EQ(t.Count(), 0u);
    EXPECT_FALSE(t.Find("a").found);
}

TEST(CTree, ShortNames)
{
    EXPECT_EQ(ShortNameOf("3do\\mat\\dflt.mat"), "dflt.mat");
    EXPECT_EQ(ShortNameOf("dflt.mat"), "dflt.mat");
    EXPECT_EQ(ShortNameOf("dir\\"), "");
    CTreeObject o("misc\\pup\\ky.pup", 100, 20);
    EXPECT_EQ(o.shortName, "ky.pup");
    EXPECT_EQ(o.offset, 100u);
    EXPECT_EQ(o.size, 20u);
    EXPECT_TRUE(o.data.empty());
    EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
    EXPECT_EQ(CompareNoCase("ABC", "abc"), 0);
    EXPECT_LT(CompareNoCase("ab", "abc"), 0);
}
