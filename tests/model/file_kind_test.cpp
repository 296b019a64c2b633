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

    EXPECT_EQ(FileKindOf("a.orv.3do"), FileKind::Model3do);
    EXPECT_EQ(FileKindOf("a.3do.orv"), FileKind::Project);
    EXPECT_EQ(FileKindOf("A.3DO.BRP"), FileKind::ResourceTree);
    EXPECT_EQ(FileKindOf("a.3dox"), FileKind::Unknown);
    EXPECT_EQ(FileKindOf("models.3do/a"), FileKind::Unknown);
    EXPECT_EQ(FileKindOf("ship."), FileKind::Unknown);
    EXPECT_EQ(FileKindOf(".3do"), FileKind::Model3do);
    // Names that hold another kind's extension before their own are of their own.
    EXPECT_EQ(FileKindOf("puppet.cog"), FileKind::Unknown);
    EXPECT_EQ(FileKindOf("3do\\mat\\wood.mat.bak"), FileKind::Unknown);
    EXPECT_EQ(FileKindOf("cog\\crate.bmp.mat"), FileKind::Material);
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
