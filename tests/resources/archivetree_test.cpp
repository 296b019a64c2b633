#include <gtest/gtest.h>

#include "resources/archivetree.h"
#include "test_util.h"

using namespace orv;

namespace {

std::vector<ArchiveRecord> Records(std::initializer_list<const char*> names)
{
    std::vector<ArchiveRecord> out;
    uint32_t offset = 990;
    for (const char* n : names)
        out.push_back({offset += 10, 10, n});
    return out;
}

// The tree of the records as text: each node under its parent, its directory and the
// entry it owns (name, short name, position, depth); below it the rows it lists (name,
// offset, size, position, index) and the node each row's record belongs to.
std::string TreeText(const std::vector<ArchiveRecord>& recs)
{
    const auto nodes = BuildArchiveTree("g.gob", recs);
    std::string text;
    for (const ArchiveTreeNode& n : nodes) {
        const std::string parent = n.parent < 0 ? "-" : nodes[static_cast<std::size_t>(n.parent)].label;
        text += n.label + " < " + parent + " [" + n.directory + "] " + n.entry.name + " (" + n.entry.shortName +
                ") at " + std::to_string(n.entry.offset) + " depth " + std::to_string(n.entry.size) + "\n";
        for (const ArchiveListRow& r : ListArchiveNode(recs, n))
            text += "  " + r.name + " " + std::to_string(r.offset) + " " + std::to_string(r.size) + " at " +
                    std::to_string(r.position) + " #" + std::to_string(r.index) + " in [" +
                    nodes[static_cast<std::size_t>(ArchiveNodeOfRecord(nodes, recs, r.index))].directory + "]\n";
    }
    return text + "\n";
}

}  // namespace

// One node per directory, nested by the names, whatever the record order; each owns the
// first record of its directory, or (holding only directories) its own path and the
// first record below it, until one of its own comes. Record 0 never moves, so top-level
// items may follow a directory.
TEST(ArchiveTree, OneNodePerDirectoryListingItsRecordsInArchiveOrder)
{
    std::string text;
    for (const auto& recs : {
             Records({"3do\\a.3do", "3do\\mat\\a.mat", "3do\\mat\\b.mat", "3do\\key\\k.key", "cog\\x.cog"}),
             Records({"a\\x", "b\\y", "a\\z", "a\\b\\w", "b\\v", "top.txt", "a\\q"}),
             // Down two levels at once, then back up two.
             Records({"a\\b\\c\\x.txt", "d\\y.txt", "d\\e\\z.txt"}),
             Records({"a\\b\\c\\x.txt", "a\\y.txt"}),
             Records({"cog\\door.cog", "readme.txt", "misc\\x.uni", "z.txt"}),
         })
        text += TreeText(recs);
    orvtest::ExpectSameAsFixture("expected", "archive_tree.txt", text);

    const auto recs = Records({"a\\x", "b\\y"});
    const auto nodes = BuildArchiveTree("g.gob", recs);
    EXPECT_EQ(ArchiveNodeOfRecord(nodes, recs, 2), 0);
    EXPECT_EQ(ArchiveNodeOfDirectory(nodes, "b"), 2);
    EXPECT_EQ(ArchiveNodeOfDirectory(nodes, "nowhere"), 0);
    // Positions map to records.
    EXPECT_EQ(ArchiveRecordIndexAt(16, 2), 0u);
    EXPECT_EQ(ArchiveRecordIndexAt(16 + 136, 2), 1u);
    for (uint64_t bad : {uint64_t{16 + 2 * 136}, uint64_t{17}, uint64_t{0}})
        EXPECT_FALSE(ArchiveRecordIndexAt(bad, 2)) << bad;
}
TEST(ArchiveTree, FiltersFollowTheListedNodeAndTheItemsType)
{
    const FileFilters all = AddFilesFilter("readme.txt");
    ASSERT_EQ(all.size(), 17u);
    EXPECT_EQ(all[1], (FileFilter{"COG Files (*.cog)", {"*.cog"}}));
    EXPECT_EQ(all.back(), (FileFilter{"BMP Files (*.bmp)", {"*.bmp"}}));
    // By the last extension alone: "a.mat.key" is a keyframe.
    for (auto [name, filter] : {std::pair{"level.jkl", FileFilter{"JKL Files (*.jkl)", {"*.jkl"}}},
                                {"level.jk", FileFilter{"JK Files (*.jk)", {"*.jk"}}},
                                {"bot.ai2", FileFilter{"AI Files (*.ai*)", {"*.ai*"}}},
                                {"a.mat.key", FileFilter{"KEY Files (*.key)", {"*.key"}}}})
        EXPECT_EQ(AddFilesFilter(name), FileFilters{filter}) << name;
    EXPECT_EQ(AddFilesFilter("notes.jkl.txt").size(), 17u) << "a text file took the type named inside its name";
    // Saving offers the item's own type, and bitmaps for materials.
    EXPECT_EQ(SaveItemFilter("Wood.MAT"),
              (FileFilters{{"MAT Files (*.MAT)", {"*.MAT"}}, {"BMP Files (*.bmp)", {"*.bmp"}}}));
    EXPECT_EQ(SaveItemFilter("a.b.c"), (FileFilters{{"B.C Files (*.b.c)", {"*.b.c"}}}));
    EXPECT_EQ(SaveItemFilter("README"), (FileFilters{{"All Files (*)", {"*"}}}));
}
