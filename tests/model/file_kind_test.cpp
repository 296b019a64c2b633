#include <gtest/gtest.h>

#include "model/file_kind.h"
#include "support/files.h"

using namespace orv;

// A folder's dot is not the file's; names that hold another kind's extension before their
// own are of their own kind. Each name's extension, and its kind by the kind's own extension.
TEST(FileKind, OnlyTheFileNamesLastExtensionCountsWithoutRegardToCase)
{
    std::string text;
    for (const char* name : {"my.ship.3do", "/mods/b.3do.ORV", "C:\\mods\\SHIP.3DO", "models.3do/ship",
                             "models.3do\\ship", "ship", "ship.", "a.orv.3do", "A.3DO.BRP", "a.3dox", ".3do",
                             "puppet.cog", "3do\\mat\\wood.mat.bak", "cog\\crate.bmp.mat"})
        text += std::string(name) + ": '" + FileExtension(name) + "' is '" +
                std::string(ExtensionOf(FileKindOf(name))) + "'\n";
    orvtest::ExpectSameAsFixture("expected", "file_kinds.txt", text);
}

TEST(FileKind, EveryKnownExtensionNamesOneKindAndComesBackAsIt)
{
    std::size_t extensions = 0;
    for (const auto& k : KnownFileKinds()) {
        ASSERT_FALSE(k.extensions.empty());
        EXPECT_EQ(FileKindOf(std::string("x") + std::string(ExtensionOf(k.kind))), k.kind);
        for (std::string_view e : k.extensions) {
            ++extensions;
            EXPECT_EQ(FileKindOf("Dir.x/NAME" + std::string(e)), k.kind) << e;
            std::string upper(e);
            for (char& c : upper)
                c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
            EXPECT_EQ(FileKindOf("name" + upper), k.kind) << upper;
        }
    }
    EXPECT_EQ(ExtensionOf(FileKind::Unknown), "");
    EXPECT_EQ(ExtensionOf(FileKind::Archive), ".gob");  // its first name, which new files take
    EXPECT_EQ(FileKindOf("a.goo"), FileKind::Archive);
    EXPECT_GE(extensions, KnownFileKinds().size() + 5);
    EXPECT_FALSE(IsImportedModel(FileKindOf("a.3do")));
    // Only formats that cannot hold an animation are spared the search for one.
    for (const char* never : {"a.obj", "a.PLY", "a.STL", "a.off"})
        EXPECT_TRUE(NeverAnimated(FileKindOf(never)) && IsImportedModel(FileKindOf(never))) << never;
    for (const char* may : {"a.glb", "a.gltf", "a.fbx", "a.dae", "a.3ds", "a.anim"})
        EXPECT_FALSE(NeverAnimated(FileKindOf(may))) << may;
}
