#include <gtest/gtest.h>

#include "resources/archive.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;
namespace fs = std::filesystem;

namespace {

void ExpectContiguous(const fs::path& archive)
{
    const auto d = ReadDir(archive);
    uint64_t expected = 16 + 136 * d.records.size();
    for (const auto& r : d.records) {
        EXPECT_EQ(r.offset, expected) << r.name;
        expected += r.size;
    }
    EXPECT_EQ(d.fileSize, expected);
}

}  // namespace

TEST(Archive, RewriteKeepsHeadWordsMakesOffsetsContiguousAndKeepsData)
{
    TempDir dir;
    // Another tool's head ("XYZ!", version 7); the data out of order, with gaps.
    const fs::path gob = dir / "gappy.gob";
    fs::copy_file(Fixture("gob", "foreign_head_gaps_out_of_order.gob"), gob);
    const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(gob, perms);

    ASSERT_TRUE(InsertArchiveEntry(gob, "jkl\\x.jkl", Bytes("JKL")));
    EXPECT_EQ(fs::status(gob).permissions(), perms);
    const auto d = ReadDir(gob);
    EXPECT_EQ(std::make_tuple(std::string(d.header.magic.data(), 4), d.header.version, d.header.directoryOffset),
              std::make_tuple(std::string("XYZ!"), 7u, 12u));
    EXPECT_EQ(ArchiveNames(gob), (std::vector<std::string>{"misc\\b.txt", "cog\\a.cog", "empty.dat", "jkl\\x.jkl"}));
    ExpectContiguous(gob);
    for (auto [name, data] : {std::pair{"misc\\b.txt", "BBB"}, {"cog\\a.cog", "AAAA"}, {"empty.dat", ""}})
        EXPECT_EQ(ArchiveItem(gob, name), data) << name;

    ASSERT_TRUE(DeleteArchiveEntry(gob, "cog\\a.cog"));
    EXPECT_EQ(ArchiveNames(gob), (std::vector<std::string>{"misc\\b.txt", "empty.dat", "jkl\\x.jkl"}));
    ExpectContiguous(gob);
    EXPECT_EQ(ArchiveItem(gob, "jkl\\x.jkl"), "JKL");

    // A name that differs in case only is no match: the file stays as it is.
    const auto before = Slurp(gob);
    const auto deleted = DeleteArchiveEntry(gob, "MISC\\B.TXT");
    ASSERT_TRUE(deleted);
    EXPECT_TRUE(deleted->removed.empty());
    EXPECT_EQ(Slurp(gob), before);
}

TEST(Archive, InsertOrderKeepsRecordZeroAndGroupsDirectoriesAndNamesStayUnder128)
{
    std::vector<ArchiveRecord> recs;
    for (const char* n : {"readme.txt", "cog\\door.cog", "3do\\key\\kyrun.key", "3do\\crate.3do", "3do\\mat\\a.mat",
                          "about.txt", "zz.txt", "3do\\key\\a.key", "B.txt"}) {
        recs.insert(recs.begin() + static_cast<std::ptrdiff_t>(ArchiveInsertPosition(recs, n)), {0, 0, n});
    }
    std::vector<std::string> names;
    for (const auto& r : recs)
        names.push_back(r.name);
    // Record 0 stays first; files come before the subdirectories of their directory;
    // comparisons are byte-wise, so "B.txt" sorts before "about.txt".
    EXPECT_EQ(names,
              (std::vector<std::string>{"readme.txt", "B.txt", "about.txt", "zz.txt", "3do\\crate.3do",
                                        "3do\\key\\a.key", "3do\\key\\kyrun.key", "3do\\mat\\a.mat", "cog\\door.cog"}));

    TempDir dir;
    const fs::path gob = dir / "n.gob";
    ASSERT_TRUE(CreateArchive(gob));
    const std::string longest = "mat\\" + std::string(123, 'a');  // 127 characters
    ASSERT_TRUE(InsertArchiveEntry(gob, longest, Bytes("x")));
    EXPECT_EQ(ArchiveNames(gob), std::vector<std::string>{longest});
    const auto before = Slurp(gob);
    const Status tooLong = InsertArchiveEntry(gob, longest + "b", Bytes("y"));
    EXPECT_FALSE(tooLong);
    EXPECT_NE(tooLong.error().find("127"), std::string::npos) << tooLong.error();
    EXPECT_FALSE(InsertArchiveEntry(gob, "", Bytes("y")));
    EXPECT_EQ(Slurp(gob), before);
}

TEST(Archive, TheDirectoryIsReadWhereTheHeadSaysAndRewrittenBehindIt)
{
    TempDir dir;
    // Data between head and directory, and data before a directory at the end.
    for (auto [file, offset] : {std::pair{"directory_at_offset_40.gob", 40u}, {"directory_at_end.gob", 17u}}) {
        const fs::path gob = dir / file;
        fs::copy_file(Fixture("gob", file), gob);
        const auto d = ReadDir(gob);
        EXPECT_EQ(d.header.directoryOffset, offset) << file;
        EXPECT_TRUE(orvtest::Ok(CheckArchiveIntact(d))) << file;
    }
    const fs::path at40 = dir / "directory_at_offset_40.gob";
    EXPECT_EQ(ArchiveNames(at40), (std::vector<std::string>{"cog\\door.cog", "misc\\notes.txt"}));
    EXPECT_EQ(ArchiveItem(at40, "cog\\door.cog"), "# door\r\n");
    EXPECT_EQ(ArchiveItem(at40, "misc\\notes.txt"), "twenty bytes of text");
    EXPECT_EQ(ArchiveItem(dir / "directory_at_end.gob", "readme.txt"), "hello");

    // A change writes the directory behind the head, as every archive made here has it.
    ASSERT_TRUE(InsertArchiveEntry(at40, "cog\\new.cog", Bytes("n")));
    const auto after = ReadDir(at40);
    EXPECT_EQ(after.header.directoryOffset, 12u);
    EXPECT_EQ(ArchiveNames(at40), (std::vector<std::string>{"cog\\door.cog", "cog\\new.cog", "misc\\notes.txt"}));
    ExpectContiguous(at40);
    EXPECT_EQ(ArchiveItem(at40, "misc\\notes.txt"), "twenty bytes of text");

    // An offset into the head or past the end gives no directory, is named, and blocks
    // every change.
    for (auto [file, why] :
         {std::pair{"directory_offset_inside_head.gob", "directory offset 4 points into the 12-byte head"},
          {"directory_offset_past_end.gob", "directory offset 1000 points past the end of the file (16 bytes)"}}) {
        const fs::path gob = dir / file;
        fs::copy_file(Fixture("gob", file), gob);
        const auto d = ReadDir(gob);
        EXPECT_TRUE(d.records.empty()) << file;
        EXPECT_NE(CheckArchiveIntact(d).error().find(why), std::string::npos) << CheckArchiveIntact(d).error();
        const Status inserted = InsertArchiveEntry(gob, "cog\\x.cog", Bytes("x"));
        EXPECT_FALSE(inserted);
        EXPECT_NE(inserted.error().find(why), std::string::npos) << inserted.error();
        EXPECT_EQ(Slurp(gob), Slurp(Fixture("gob", file)));
    }
}

TEST(Archive, LyingHeadStopsAtEndOfFileAndDamagedArchivesAreNotRewritten)
{
    TempDir dir;
    const fs::path gob = dir / "short.gob";
    fs::copy_file(Fixture("gob", "record_count_past_end.gob"), gob);  // five promised, two and a part there
    const auto b = Slurp(gob);
    auto d = ReadDir(gob);
    EXPECT_EQ(d.records.size(), 2u);
    EXPECT_TRUE(d.Truncated());
    EXPECT_NE(CheckArchiveIntact(d).error().find("promises 5 records"), std::string::npos);
    EXPECT_FALSE(InsertArchiveEntry(gob, "c.txt", Bytes("c")));
    EXPECT_EQ(Slurp(gob), b);

    // An item reaching past the end is refused when read, and blocks rewrites.
    const fs::path past = dir / "past.gob";
    fs::copy_file(Fixture("gob", "record_size_past_eof.gob"), past);
    const auto p = Slurp(past);
    d = ReadDir(past);
    ASSERT_EQ(d.records.size(), 2u);
    EXPECT_TRUE(ReadArchiveEntry(past, d.records[0]));
    const auto huge = ReadArchiveEntry(past, d.records[1]);
    EXPECT_FALSE(huge);
    EXPECT_NE(huge.error().find("huge.txt (offset 290, size 4294967280) reaches past the end"), std::string::npos)
        << huge.error();
    EXPECT_FALSE(DeleteArchiveEntry(past, "ok.txt"));
    EXPECT_EQ(Slurp(past), p);

    EXPECT_FALSE(ReadArchiveDirectory(Fixture("gob", "head_cut_short.gob")));
    EXPECT_FALSE(ReadArchiveDirectory(dir / "missing.gob"));
}

TEST(Archive, CancelledRewriteLeavesTheOldArchiveAndNoTemporaryFile)
{
    TempDir dir;
    const fs::path gob = dir / "big.gob";
    ASSERT_TRUE(WriteArchive(gob, {{"a.bin", std::vector<uint8_t>(3 << 20, 1)}, {"b.bin", Bytes("bbb")}}));
    const auto before = Slurp(gob);
    int calls = 0;
    uint64_t lastTotal = 0;
    auto cancelMidway = [&](uint64_t done, uint64_t total) {
        ++calls;
        lastTotal = total;
        return done < (1u << 20);
    };
    ArchiveEdit edit;
    edit.insertions.push_back({"c.bin", Bytes("new")});
    EXPECT_EQ(RewriteArchive(gob, edit, cancelMidway).error(), "cancelled");
    EXPECT_GT(calls, 1);
    EXPECT_EQ(lastTotal, (3u << 20) + 3u + 3u);
    EXPECT_EQ(Slurp(gob), before);
    EXPECT_EQ(CountFiles(dir.path), 1u);

    // Removal and insertion in one rewrite, as a replacing Add does.
    edit.removals.push_back("b.bin");
    edit.insertions[0].name = "b.bin";
    ASSERT_TRUE(orvtest::Ok(RewriteArchive(gob, edit)));
    EXPECT_EQ(ArchiveNames(gob), (std::vector<std::string>{"a.bin", "b.bin"}));
    EXPECT_EQ(ArchiveItem(gob, "b.bin"), "new");
}

TEST(Archive, CorpusArchivesReadAndTheCorruptOneIsRefused)
{
    const fs::path corpus = CorpusDir("gob");
    if (corpus.empty())
        GTEST_SKIP() << "no corpus";
    EXPECT_EQ(ArchiveNames(corpus / "threefiles.gob"),
              (std::vector<std::string>{"first.txt", "second.txt", "third.txt"}));
    EXPECT_TRUE(orvtest::Ok(CheckArchiveIntact(ReadDir(corpus / "threefiles.gob"))));
    EXPECT_EQ(ArchiveItem(corpus / "threefiles.gob", "third.txt"), "3");
    EXPECT_EQ(ArchiveNames(corpus / "structured.gob"), std::vector<std::string>{"dir\\test.txt"});
    EXPECT_TRUE(ArchiveNames(corpus / "empty.gob").empty());
    const auto junk = ReadDir(corpus / "junk.gob");
    EXPECT_TRUE(junk.records.empty());
    EXPECT_FALSE(CheckArchiveIntact(junk));
}
