#include <gtest/gtest.h>

#include "model/fileio.h"
#include "test_util.h"

using namespace orv;
namespace fs = std::filesystem;

TEST(FileIo, ReplacingKeepsPermissionsAndLeavesNoTemporaries)
{
    orvtest::TempDir dir;
    const fs::path f = dir / "private.orv";
    ASSERT_TRUE(WriteFileAtomic(f, "old\r\n"));
    for (const auto perms : {fs::perms::owner_read | fs::perms::owner_write,
                             fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read}) {
        fs::permissions(f, perms);
        const Status written = WriteFileAtomic(f, "new");
        ASSERT_TRUE(written) << written.error();
        EXPECT_EQ(fs::status(f).permissions() & fs::perms::all, perms);
        const auto back = ReadWholeTextFile(f);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, "new");
    }
    // A writer destroyed without Commit (a failure midway) keeps the old file.
    {
        AtomicFileWriter w(f);
        ASSERT_TRUE(w.IsOpen());
        w.Stream() << "half of the new";
    }
    EXPECT_EQ(orvtest::Slurp(f), orvtest::Bytes("new"));
    EXPECT_EQ(orvtest::CountFiles(dir.path), 1u);
}

TEST(FileIo, FailuresAreReported)
{
    orvtest::TempDir dir;
    const Status written = WriteFileAtomic(dir / "missing-folder" / "x.orv", "data");
    EXPECT_FALSE(written);
    EXPECT_NE(written.error().find("x.orv"), std::string::npos);
    const auto missing = ReadWholeFile(dir / "nope.3do");
    EXPECT_FALSE(missing);
    EXPECT_FALSE(missing.error().empty());
    EXPECT_FALSE(ReadWholeFile(dir.path));  // a folder is no file
}

// Files written as one set: one that cannot be written (a folder stands in its place)
// leaves the others as they were, with no temporary and no folder made for them left
// behind; a set without a failure puts every file in place.
TEST(FileIo, ASetOfFilesIsWrittenWholeOrNotAtAll)
{
    orvtest::TempDir dir;
    const fs::path library = dir / "a.mtl";
    ASSERT_TRUE(WriteFileAtomic(library, "old"));
    fs::create_directories(dir / "a.obj");
    {
        AtomicFileSet set;
        EXPECT_TRUE(set.MakeFolders(dir / "new" / "deeper"));
        EXPECT_TRUE(set.Add(library, "new"));
        EXPECT_TRUE(set.Add(dir / "new" / "deeper" / "a.png", "png"));
        EXPECT_FALSE(set.Add(dir / "a.obj", "obj"));
        const Status committed = set.Commit();
        ASSERT_FALSE(committed);
        EXPECT_NE(committed.error().find("a.obj"), std::string::npos);
    }
    EXPECT_EQ(orvtest::Slurp(library), orvtest::Bytes("old"));
    EXPECT_FALSE(fs::exists(dir / "new"));
    EXPECT_EQ(orvtest::CountFiles(dir.path), 2u);

    AtomicFileSet set;
    EXPECT_TRUE(set.MakeFolders(dir / "new"));
    EXPECT_TRUE(set.Add(library, "new"));
    EXPECT_TRUE(set.Add(dir / "new" / "b.obj", "obj"));
    ASSERT_TRUE(set.Commit());
    EXPECT_EQ(orvtest::Slurp(library), orvtest::Bytes("new"));
    EXPECT_EQ(orvtest::Slurp(dir / "new" / "b.obj"), orvtest::Bytes("obj"));
}
