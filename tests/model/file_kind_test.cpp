// A file's kind by its last extension.
#include <gtest/gtest.h>

#include "model/file_kind.h"

using namespace orv;

TEST(FileKind, OnlyTheFileNamesLastExtensionCountsWithoutRegardToCase)
{
    EXPECT_EQ(FileExtension("my.ship.3do"), ".3do");
    EXPECT_EQ(FileExtension("/mods/b.3do.ORV"), ".orv");
    EXPECT_EQ(FileExtension("C:\\mods\\SHIP.3DO"), ".3do");
    // A folder's dot is not the file's.
    EXPECT_EQ(FileExtension("models.3do/ship"), "");
    EXPECT_EQ(FileExtension("models.3do\\ship"), "");
    EXPECT_EQ(FileExtension("ship"), "");
    EXPECT_EQ(FileExtension("ship."), ".");

    EXPECT_TRUE(HasExtension("a.orv.3do", ".3do"));
    EXPECT_FALSE(HasExtension("a.3do.orv", ".3do"));
    EXPECT_FALSE(HasExtension("a.3dox", ".3do"));
    EXPECT_FALSE(HasExtension("models.3do/a", ".3do"));
}
