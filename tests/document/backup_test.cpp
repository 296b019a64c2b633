#include <gtest/gtest.h>

#include "document/backup.h"
#include "formats/projectfile.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;
namespace fs = std::filesystem;

namespace {
constexpr int64_t kMinute = 60 * 1000;
}

// The clock is the test's: a backup comes an interval after the first unsaved change,
// then an interval after the last backup, and only for changes not written yet.
TEST(Backup, ScheduleFollowsTheIntervalAndTheChanges)
{
    BackupSchedule s;
    EXPECT_FALSE(s.Due(0, 10, true, 1));  // the changes begin
    EXPECT_FALSE(s.Due(9 * kMinute, 10, true, 1));
    EXPECT_TRUE(s.Due(10 * kMinute, 10, true, 1));
    s.Written(10 * kMinute, 1);
    EXPECT_FALSE(s.Due(30 * kMinute, 10, true, 1));  // nothing new since
    EXPECT_FALSE(s.Due(31 * kMinute, 10, true, 2));  // a new change starts the interval
    EXPECT_FALSE(s.Due(40 * kMinute, 10, true, 3));
    EXPECT_TRUE(s.Due(41 * kMinute, 10, true, 3));

    // Saved (no longer modified): the interval starts again with the next change.
    EXPECT_FALSE(s.Due(45 * kMinute, 10, false, 3));
    EXPECT_FALSE(s.Due(46 * kMinute, 10, true, 4));
    EXPECT_TRUE(s.Due(56 * kMinute, 10, true, 4));
    EXPECT_FALSE(BackupSchedule().Due(0, 0, true, 1) || BackupSchedule().Due(99 * kMinute, 0, true, 1));
}

// A backup left behind reads back as the project it was, knows the document it stands
// for, and never goes beside or over the document's own file.
TEST(Backup, BackupsReadBackAndKeepAwayFromTheUsersFile)
{
    TempDir dir;
    const fs::path user = dir / "ship.3do";
    const std::string original = "the user's own file";
    ASSERT_TRUE(WriteFileAtomic(user, original));
    CModel model;
    model.materials = {"hull.mat"};
    const auto bytes = SaveProject(model, CameraState{});
    const fs::path folder = dir / "backup" / "session-1";

    ASSERT_TRUE(Ok(WriteBackup(folder, "doc1", bytes, {user.string(), "ship.3do"})));
    ASSERT_TRUE(Ok(WriteBackup(folder, "doc2", bytes, {"", "Orvane2"})));
    EXPECT_FALSE(WriteBackup(dir.path, "doc3", bytes, {user.string(), "ship.3do"}));
    EXPECT_EQ(ReadWholeTextFile(user).value_or(""), original);

    const auto left = ListBackups(folder);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].note.originalPath, user.string());
    EXPECT_EQ(left[0].note.title, "ship.3do");
    EXPECT_EQ(left[1].note.originalPath, "");
    EXPECT_EQ(left[1].note.title, "Orvane2");
    const auto project = ReadProjectFile(left[0].file.string());
    ASSERT_TRUE(project);
    EXPECT_EQ(project->model->materials, model.materials);

    RemoveBackup(folder, "doc1");
    EXPECT_EQ(ListBackups(folder).size(), 1u);
}
