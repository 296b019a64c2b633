#include <gtest/gtest.h>

#include "model/tree.h"

using namespace orv;

TEST(SortedEntryList, OrderIgnoresCaseAndKeepsNamesakesTogetherNewestFirst)
{
    SortedEntryList t;
    uint32_t offset = 0;
    for (const char* name :
         {"3do\\mat\\Zeta.mat", "3do\\mat\\alpha.mat", "mat\\Beta.MAT", "other\\beta.mat", "x\\BETA.mat", "_under.mat"})
        t.Add(std::make_unique<CTreeObject>(name, ++offset, 10));
    // Sorted by short name; '_' (0x5F) sorts before lower-case letters but after upper-case
    // ones: the order compares lower-cased bytes, so "_under" comes before "alpha".
    std::vector<std::string> names;
    for (std::size_t i = 0; i < t.Count(); ++i)
        names.push_back(t.At(i).name);
    EXPECT_EQ(names, (std::vector<std::string>{"_under.mat", "3do\\mat\\alpha.mat", "x\\BETA.mat", "other\\beta.mat",
                                               "mat\\Beta.MAT", "3do\\mat\\Zeta.mat"}));

    // Find gives the first match, or where the name would go.
    for (auto [name, found, position] : {std::tuple{"BETA.MAT", true, 2u},
                                         {"gamma.mat", false, 5u},
                                         {"zz", false, 6u},
                                         {"_under.mat", true, 0u},
                                         {"0", false, 0u}}) {
        const auto r = t.Find(name);
        EXPECT_EQ(r.found, found) << name;
        EXPECT_EQ(r.position, position) << name;
    }
    const CTreeObject* zeta = t.Lookup("zeta.mat");
    ASSERT_NE(zeta, nullptr);
    EXPECT_EQ(zeta->offset, 1u);
    EXPECT_EQ(t.Lookup("nope"), nullptr);
    EXPECT_EQ(ShortNameOf("dir\\"), "");
    EXPECT_LT(CompareNoCase("ab", "abc"), 0);

    t.RemoveAt(0);
    EXPECT_EQ(t.Count(), 5u);
    EXPECT_FALSE(t.Find("_under.mat").found);
    t.Clear();
    EXPECT_EQ(t.Count(), 0u);
}
