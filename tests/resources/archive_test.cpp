#include <gtest/gtest.h>

#include "resources/archive.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;
namespace fs = std::filesystem;

TEST(Archive, RewriteKeepsHeadWordsMakesOffsetsContiguousAndKeepsData)
{
    TempDir dir;
    // Another tool's head ("XYZ!", version 7); the data out of order, with gaps.
    const fs::path gob = dir / "gappy.gob";
    fs::copy_file(Fixture("gob", "foreign_head_gaps_out_of_order.gob"), gob);
    const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(gob, perms);

    // Written over: the head's words stay, the items lie back to back behind the directory.
    ASSERT_TRUE(InsertArchiveEntry(gob, "jkl\\x.jkl", Bytes("JKL")));
    EXPECT_EQ(fs::status(gob).permissions(), perms);
    std::string text = ArchiveText(gob);
    ASSERT_TRUE(DeleteArchiveEntry(gob, "cog\\a.cog"));
    ExpectSameAsFixture("expected", "archive_rewrite_foreign.txt", text + ArchiveText(gob));

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
    EXPECT_EQ(ArchiveItem(gob, longest), "x");
    const auto before = Slurp(gob);
    const Status tooLong = InsertArchiveEntry(gob, longest + "b", Bytes("y"));
    EXPECT_NE(tooLong.error().find("127"), std::string::npos) << tooLong.error();
    EXPECT_FALSE(InsertArchiveEntry(gob, "", Bytes("y")));
    EXPECT_EQ(Slurp(gob), before);
}

TEST(Archive, TheDirectoryIsReadWhereTheHeadSaysAndRewrittenBehindIt)
{
    TempDir dir;
    // Data between head and directory, and data before a directory at the end; a change
    // writes the directory behind the head, as every archive made here has it.
    std::string text;
    for (const char* file : {"directory_at_offset_40.gob", "directory_at_end.gob"}) {
        fs::copy_file(Fixture("gob", file), dir / file);
        EXPECT_TRUE(orvtest::Ok(CheckArchiveIntact(ReadDir(dir / file)))) << file;
        text += ArchiveText(dir / file);
    }
    ASSERT_TRUE(InsertArchiveEntry(dir / "directory_at_offset_40.gob", "cog\\new.cog", Bytes("n")));
    text += ArchiveText(dir / "directory_at_offset_40.gob");

    // An offset into the head or past the end gives no directory, is named, and blocks
    // every change.
    for (const char* file : {"directory_offset_inside_head.gob", "directory_offset_past_end.gob"}) {
        const fs::path gob = dir / file;
        fs::copy_file(Fixture("gob", file), gob);
        text += ArchiveText(gob) + CheckArchiveIntact(ReadDir(gob)).error() + "\n" +
                InsertArchiveEntry(gob, "cog\\x.cog", Bytes("x")).error() + "\n";
        EXPECT_EQ(Slurp(gob), Slurp(Fixture("gob", file)));
    }
    ExpectSameAsFixture("expected", "archive_directory_elsewhere.txt", text);
}

TEST(Archive, LyingHeadStopsAtEndOfFileAndDamagedArchivesAreNotRewritten)
{
    TempDir dir;
    const fs::path gob = dir / "short.gob";
    fs::copy_file(Fixture("gob", "record_count_past_end.gob"), gob);  // five promised, two and a part there
    const auto b = Slurp(gob);
    EXPECT_TRUE(ReadDir(gob).Truncated());
    EXPECT_FALSE(InsertArchiveEntry(gob, "c.txt", Bytes("c")));
    EXPECT_EQ(Slurp(gob), b);

    // An item reaching past the end is refused when read, and blocks rewrites.
    const fs::path past = dir / "past.gob";
    fs::copy_file(Fixture("gob", "record_size_past_eof.gob"), past);
    const auto p = Slurp(past);
    ExpectSameAsFixture("expected", "archive_lying_head.txt",
                        ArchiveText(gob) + CheckArchiveIntact(ReadDir(gob)).error() + "\n" + ArchiveText(past));
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
    ExpectSameAsFixture("expected", "archive_replace_in_one_rewrite.txt", ArchiveText(gob));
}

TEST(Archive, CorpusArchivesReadAndTheCorruptOneIsRefused)
{
    const fs::path corpus = CorpusDir("gob");
    if (corpus.empty())
        GTEST_SKIP() << "no corpus";
    std::string text;
    for (const char* file : {"threefiles.gob", "structured.gob", "empty.gob", "junk.gob"})
        text += std::string(file) + ": " + ArchiveText(corpus / file) +
                CheckArchiveIntact(ReadDir(corpus / file)).error() + "\n";
    ExpectSameAsFixture("expected", "archive_corpus.txt", text);
}
