#include <gtest/gtest.h>

#include "resources/archivetree.h"

using namespace orv;

namespace {

std::vector<ArchiveRecord> Records(std::initializer_list<const char*> names)
{
    std::vector<ArchiveRecord> out;
    uint32_t offset = 1000;
    for (const char* n : names) {
        ArchiveRecord r;
        r.name = n;
        r.offset = offset;
        r.size = 10;
        offset += 10;
        out.push_back(r);
    }
    return out;
}

// "label<parent label" for every node but the root, "label<" for a top-level node.
std::vector<std::string> Shape(const std::vector<ArchiveTreeNode>& nodes)
{
    std::vector<std::string> out;
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        const int p = nodes[i].parent;
        out.push_back(nodes[i].label + "<" + (p < 0 ? std::string() : nodes[static_cast<std::size_t>(p)].label));
    }
    return out;
}

std::vector<std::string> Names(const std::vector<ArchiveListRow>& rows)
{
    std::vector<std::string> out;
    for (const auto& r : rows)
        out.push_back(r.name);
    return out;
}

}  // namespace

TEST(ArchiveTree, RootStandsForTheArchive)
{
    const auto nodes = BuildArchiveTree("res2.gob", {});
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].label, "res2.gob");
    EXPECT_EQ(nodes[0].parent, -1);
    EXPECT_EQ(nodes[0].entry.offset, 16u);
    EXPECT_EQ(nodes[0].entry.size, 0u);
    EXPECT_EQ(nodes[0].entry.name, "");
}

TEST(ArchiveTree, NodesComeFromRunsOfRecords)
{
    const auto recs = Records({"3do\\a.3do", "3do\\mat\\a.mat", "3do\\mat\\b.mat", "3do\\key\\k.key", "cog\\x.cog"});
    const auto nodes = BuildArchiveTree("g.gob", recs);
    EXPECT_EQ(Shape(nodes), (std::vector<std::string>{"3do<g.gob", "mat<3do", "key<3do", "cog<g.gob"}));
    // Each node owns the first record of its run: name, position and depth.
    EXPECT_EQ(nodes[2].entry.name, "3do\\mat\\a.mat");
    EXPECT_EQ(nodes[2].entry.shortName, "a.mat");
    EXPECT_EQ(nodes[2].entry.offset, 16u + 136u);
    EXPECT_EQ(nodes[2].entry.size, 2u);
    EXPECT_EQ(nodes[4].entry.offset, 16u + 4 * 136u);
    EXPECT_EQ(nodes[4].entry.size, 1u);
}

TEST(ArchiveTree, UngroupedDirectoriesShowMoreThanOnce)
{
    const auto nodes = BuildArchiveTree("g.gob", Records({"cog\\a.cog", "mat\\b.mat", "cog\\c.cog"}));
    EXPECT_EQ(Shape(nodes), (std::vector<std::string>{"cog<g.gob", "mat<g.gob", "cog<g.gob"}));
}

TEST(ArchiveTree, JumpsOfSeveralLevelsAttachOneLevelOff)
{
    // Down two levels at once: "c" hangs under the root, not under an "a\b" that has no
    // node; back up two levels, "d" goes to the grandparent of the root: the top.
    const auto nodes = BuildArchiveTree("g.gob", Records({"a\\b\\c\\x.txt", "d\\y.txt", "d\\e\\z.txt"}));
    EXPECT_EQ(Shape(nodes), (std::vector<std::string>{"c<g.gob", "d<", "e<d"}));
    EXPECT_EQ(nodes[2].parent, -1);
    // After a top-level record, a directory goes under the last node.
    const auto after = BuildArchiveTree("g.gob", Records({"x\\a", "t.txt", "y\\b"}));
    EXPECT_EQ(Shape(after), (std::vector<std::string>{"x<g.gob", "y<x"}));
}

TEST(ArchiveTree, ListingANodeStopsWhereItsRunEnds)
{
    const auto recs = Records({"3do\\mat\\a.mat", "3do\\mat\\b.mat", "3do\\mat\\sub\\c.mat", "3do\\mat\\d.mat"});
    const auto nodes = BuildArchiveTree("g.gob", recs);
    ASSERT_EQ(nodes.size(), 4u);
    const auto rows = ListArchiveNode(recs, nodes[1].entry);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"a.mat", "b.mat"}));
    EXPECT_EQ(rows[1].offset, 1010u);
    EXPECT_EQ(rows[1].size, 10u);
    EXPECT_EQ(rows[1].position, 16u + 136u);
    EXPECT_EQ(rows[1].index, 1u);
    EXPECT_EQ(Names(ListArchiveNode(recs, nodes[2].entry)), std::vector<std::string>{"c.mat"});
    // The same directory again makes a node of its own, which lists the rest.
    EXPECT_EQ(nodes[3].label, "mat");
    EXPECT_EQ(Names(ListArchiveNode(recs, nodes[3].entry)), std::vector<std::string>{"d.mat"});
}

TEST(ArchiveTree, RootListsEveryTopLevelRecord)
{
    // Record 0 never moves, so top-level items may follow a directory.
    const auto recs = Records({"cog\\door.cog", "readme.txt", "misc\\x.uni", "z.txt"});
    const auto nodes = BuildArchiveTree("g.gob", recs);
    EXPECT_EQ(Names(ListArchiveNode(recs, nodes[0].entry)), (std::vector<std::string>{"readme.txt", "z.txt"}));
    EXPECT_EQ(ArchiveNodeOfRecord(nodes, recs, 1), 0);
    EXPECT_EQ(ArchiveNodeOfRecord(nodes, recs, 3), 0);
    EXPECT_EQ(nodes[static_cast<std::size_t>(ArchiveNodeOfRecord(nodes, recs, 2))].label, "misc");
    EXPECT_EQ(nodes[static_cast<std::size_t>(ArchiveNodeOfRecord(nodes, recs, 0))].label, "cog");
    EXPECT_EQ(ArchiveNodeOfRecord(nodes, recs, 4), 0);
}

TEST(ArchiveTree, PositionsMapToRecords)
{
    EXPECT_EQ(ArchiveRecordIndexAt(16, 2), 0u);
    EXPECT_EQ(ArchiveRecordIndexAt(16 + 136, 2), 1u);
    EXPECT_FALSE(ArchiveRecordIndexAt(16 + 2 * 136, 2));
    EXPECT_FALSE(ArchiveRecordIndexAt(17, 2));
    EXPECT_FALSE(ArchiveRecordIndexAt(0, 2));
    CTreeObject stale("cog\\a.cog", 16 + 5 * 136, 1);
    EXPECT_TRUE(ListArchiveNode(Records({"cog\\a.cog"}), stale).empty());
}

TEST(ArchiveTree, AddFilterFollowsTheListedNode)
{
    const std::string all = AddFilesFilter("");
    EXPECT_EQ(all.rfind("JK Files (*.jk)|*.jk|COG Files (*.cog)|*.cog|", 0), 0u);
    EXPECT_NE(all.find("|AI Files (*.ai*)|*.ai*|"), std::string::npos);
    EXPECT_TRUE(all.ends_with("|BMP Files (*.bmp)|*.bmp||"));
    EXPECT_EQ(std::count(all.begin(), all.end(), '|'), 35);
    EXPECT_EQ(AddFilesFilter("door.cog"), "COG Files (*.cog)|*.cog||");
    EXPECT_EQ(AddFilesFilter("level.jkl"), "JKL Files (*.jkl)|*.jkl||");
    EXPECT_EQ(AddFilesFilter("level.jk"), "JK Files (*.jk)|*.jk||");
    EXPECT_EQ(AddFilesFilter("bot.ai2"), "AI Files (*.ai*)|*.ai*||");
    EXPECT_EQ(AddFilesFilter("CRATE.MAT"), "MAT Files (*.mat)|*.mat||");
    // Tested in order: ".mat" before ".key".
    EXPECT_EQ(AddFilesFilter("a.mat.key"), "MAT Files (*.mat)|*.mat||");
    EXPECT_EQ(AddFilesFilter("readme.txt"), all);
}

TEST(ArchiveTree, SaveFilterOffersTheItemsTypeAndBitmapsForMaterials)
{
    EXPECT_EQ(SaveItemFilter("door.cog"), "COG Files (*.cog)|*.cog||");
    EXPECT_EQ(SaveItemFilter("wood.mat"), "MAT Files (*.mat)|*.mat|BMP Files (*.bmp)|*.bmp||");
    EXPECT_EQ(SaveItemFilter("Wood.MAT"), "MAT Files (*.MAT)|*.MAT|BMP Files (*.bmp)|*.bmp||");
    EXPECT_EQ(SaveItemFilter("a.b.c"), "B.C Files (*.b.c)|*.b.c||");
    EXPECT_EQ(SaveItemFilter("README"), "All Files (*)|*||");
}
