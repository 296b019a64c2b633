#include <gtest/gtest.h>

#include "resources/archivetree.h"

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

TEST(ArchiveTree, OneNodePerDirectoryWhateverTheRecordOrder)
{
    const auto recs = Records({"3do\\a.3do", "3do\\mat\\a.mat", "3do\\mat\\b.mat", "3do\\key\\k.key", "cog\\x.cog"});
    const auto nodes = BuildArchiveTree("g.gob", recs);
    // The root stands for the archive.
    EXPECT_EQ(std::tie(nodes[0].label, nodes[0].parent, nodes[0].entry.offset, nodes[0].entry.size),
              std::make_tuple(std::string("g.gob"), -1, 16u, 0u));
    EXPECT_EQ(Shape(nodes), (std::vector<std::string>{"3do<g.gob", "mat<3do", "key<3do", "cog<g.gob"}));
    // Each node owns the first record of its directory: name, position and depth.
    EXPECT_EQ(nodes[2].entry.name, "3do\\mat\\a.mat");
    EXPECT_EQ(nodes[2].entry.shortName, "a.mat");
    EXPECT_EQ(std::tie(nodes[2].entry.offset, nodes[2].entry.size), std::make_tuple(16u + 136u, 2u));
    EXPECT_EQ(std::tie(nodes[4].entry.offset, nodes[4].entry.size), std::make_tuple(16u + 4 * 136u, 1u));

    struct Case {
        std::vector<ArchiveRecord> records;
        std::vector<std::string> shape;
    };
    for (const Case& c : {
             // Interleaved directories: one node each, nested by their names.
             Case{Records({"a\\x", "b\\y", "a\\z", "a\\b\\w", "b\\v"}), {"a<g.gob", "b<g.gob", "b<a"}},
             Case{Records({"cog\\a.cog", "mat\\b.mat", "cog\\c.cog"}), {"cog<g.gob", "mat<g.gob"}},
             // Down two levels at once: the directory between gets a node of its own; back
             // up two levels, "d" goes under the root.
             Case{Records({"a\\b\\c\\x.txt", "d\\y.txt", "d\\e\\z.txt"}), {"a<g.gob", "b<a", "c<b", "d<g.gob", "e<d"}},
             // A top-level record between directories changes nothing.
             Case{Records({"x\\a", "t.txt", "y\\b"}), {"x<g.gob", "y<g.gob"}},
         })
        EXPECT_EQ(Shape(BuildArchiveTree("g.gob", c.records)), c.shape);

    // A directory that holds only directories: its own path, and the first record below it.
    const auto deep = BuildArchiveTree("g.gob", Records({"a\\b\\c\\x.txt", "a\\y.txt"}));
    EXPECT_EQ(deep[2].directory, "a\\b");
    EXPECT_EQ(std::tie(deep[2].entry.name, deep[2].entry.offset, deep[2].entry.size),
              std::make_tuple(std::string("a\\b\\"), 16u, 2u));
    // A directory's record that comes later becomes its entry.
    EXPECT_EQ(std::tie(deep[1].entry.name, deep[1].entry.offset, deep[1].entry.size),
              std::make_tuple(std::string("a\\y.txt"), 16u + 136u, 1u));
}

TEST(ArchiveTree, ANodeListsAllRecordsOfItsDirectoryInArchiveOrder)
{
    const auto recs = Records({"a\\x", "b\\y", "a\\z", "a\\b\\w", "b\\v", "top.txt", "a\\q"});
    const auto nodes = BuildArchiveTree("g.gob", recs);
    ASSERT_EQ(nodes.size(), 4u);
    const auto a = ListArchiveNode(recs, nodes[1]);
    EXPECT_EQ(Names(a), (std::vector<std::string>{"x", "z", "q"}));
    EXPECT_EQ(std::tie(a[1].offset, a[1].size, a[1].position, a[1].index),
              std::make_tuple(1020u, 10u, uint64_t{16 + 2 * 136}, std::size_t{2}));
    EXPECT_EQ(Names(ListArchiveNode(recs, nodes[2])), (std::vector<std::string>{"y", "v"}));
    EXPECT_EQ(Names(ListArchiveNode(recs, nodes[3])), std::vector<std::string>{"w"});
    EXPECT_EQ(Names(ListArchiveNode(recs, nodes[0])), std::vector<std::string>{"top.txt"});
    // Each record's node, and each directory's.
    std::vector<std::string> owners;
    for (std::size_t i = 0; i < 8; ++i)
        owners.push_back(nodes[static_cast<std::size_t>(ArchiveNodeOfRecord(nodes, recs, i))].directory);
    EXPECT_EQ(owners, (std::vector<std::string>{"a", "b", "a", "a\\b", "b", "", "a", ""}));
    EXPECT_EQ(ArchiveNodeOfDirectory(nodes, "a\\b"), 3);
    EXPECT_EQ(ArchiveNodeOfDirectory(nodes, "nowhere"), 0);
}

TEST(ArchiveTree, RootListsEveryTopLevelRecord)
{
    // Record 0 never moves, so top-level items may follow a directory.
    const auto recs = Records({"cog\\door.cog", "readme.txt", "misc\\x.uni", "z.txt"});
    const auto nodes = BuildArchiveTree("g.gob", recs);
    EXPECT_EQ(Names(ListArchiveNode(recs, nodes[0])), (std::vector<std::string>{"readme.txt", "z.txt"}));
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
    EXPECT_EQ(all.front(), (FileFilter{"JK Files (*.jk)", {"*.jk"}}));
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
