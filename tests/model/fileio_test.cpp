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
        std::string err;
        ASSERT_TRUE(WriteFileAtomic(f, "new", &err)) << err;
        EXPECT_EQ(fs::status(f).permissions() & fs::perms::all, perms);
        std::string back;
        ASSERT_TRUE(ReadWholeFile(f, back));
        EXPECT_EQ(back, "new");
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
    std::string err;
    EXPECT_FALSE(WriteFileAtomic(dir / "missing-folder" / "x.orv", "data", &err));
    EXPECT_NE(err.find("x.orv"), std::string::npos);
    std::vector<uint8_t> bytes;
    err.clear();
    EXPECT_FALSE(ReadWholeFile(dir / "nope.3do", bytes, &err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(ReadWholeFile(dir.path, bytes, &err));  // a folder is no file
}
