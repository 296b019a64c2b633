#include <gtest/gtest.h>

#include <filesystem>

#include "model/fileio.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir()
    {
        path = fs::temp_directory_path() / ("orvane-fileio-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
};

std::size_t CountEntries(const fs::path& dir)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

}  // namespace

TEST(FileIo, AtomicWriteReplacesAndLeavesNoTemporaries)
{
    TempDir dir;
    const fs::path f = dir.path / "model.3do";
    ASSERT_TRUE(WriteFileAtomic(f, "first\r\n"));
    ASSERT_TRUE(WriteFileAtomic(f, "second"));
    std::string back;
    ASSERT_TRUE(ReadWholeFile(f, back));
    EXPECT_EQ(back, "second");
    EXPECT_EQ(CountEntries(dir.path), 1u);
}

TEST(FileIo, AbandonedWriterKeepsTheOldFile)
{
    TempDir dir;
    const fs::path f = dir.path / "archive.gob";
    ASSERT_TRUE(WriteFileAtomic(f, "old content"));
    {
        AtomicFileWriter w(f);
        ASSERT_TRUE(w.IsOpen());
        w.Stream() << "half of the new";
        // destroyed without Commit: a failure midway
    }
    std::string back;
    ASSERT_TRUE(ReadWholeFile(f, back));
    EXPECT_EQ(back, "old content");
    EXPECT_EQ(CountEntries(dir.path), 1u);
}

TEST(FileIo, FailuresAreReported)
{
    TempDir dir;
    std::string err;
    EXPECT_FALSE(WriteFileAtomic(dir.path / "missing-folder" / "x.orv", "data", &err));
    EXPECT_NE(err.find("x.orv"), std::string::npos);
    std::vector<uint8_t> bytes;
    err.clear();
    EXPECT_FALSE(ReadWholeFile(dir.path / "nope.3do", bytes, &err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(ReadWholeFile(dir.path, bytes, &err));  // a folder is no file
}

TEST(FileIo, ReplacedFileKeepsItsPermissions)
{
    TempDir dir;
    const fs::path f = dir.path / "private.orv";
    ASSERT_TRUE(WriteFileAtomic(f, "old"));
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
    EXPECT_EQ(CountEntries(dir.path), 1u);
}
