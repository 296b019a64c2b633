#include <gtest/gtest.h>

#include "resources/catalog.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const SortedEntryList& t)
{
    std::vector<std::string> out;
    for (const auto& e : t.Entries())
        out.push_back(e->name);
    return out;
}

// A game folder with its archive, as an installer leaves it.
void MakeGame(const fs::path& root, const std::string& archive, const std::vector<ArchiveEntryData>& entries)
{
    fs::create_directories(root / "Resource");
    ASSERT_TRUE(WriteArchive(root / "Resource" / archive, entries));
}

}  // namespace

TEST(Catalog, ClassificationTable)
{
    // The first passing test wins: a material whose name mentions "pup", a colormap too.
    using K = ResourceKind;
    for (auto [name, kind] : {std::pair{"3do\\mat\\dflt.mat", K::Material},
                              {"3do\\key\\kyrun.key", K::Keyframe},
                              {"misc\\cmp\\01redmap.cmp", K::Colormap},
                              {"3do\\cmp\\x.cmp", K::None},
                              {"misc\\pup\\ky.pup", K::Puppet},
                              {"3do\\mat\\readme.txt", K::None},
                              {"mat\\crate.mat", K::None},
                              {"3do\\mat\\pup.mat", K::Material},
                              {"misc\\pupcmp.cmp", K::Colormap},
                              // Only the last extension tells the kind.
                              {"cog\\puppet.cog", K::None},
                              {"misc\\pup\\ky.pup.bak", K::None},
                              {"3do\\mat\\a.mat.txt", K::None},
                              {"3do\\key\\RUN.KEY", K::Keyframe}})
        EXPECT_EQ(ClassifyResource(name), kind) << name;
}

TEST(Catalog, BuildLowerCasesSortsLikeRepeatedAddAndReadsInsideTheArchive)
{
    const std::vector<ArchiveRecord> recs = {{1, 0, "3DO\\MAT\\A.MAT"},      {2, 0, "3do\\mat\\c.mat"},
                                             {3, 0, "3do\\mat\\sub\\b.mat"}, {4, 0, "misc\\cmp\\dflt.cmp"},
                                             {5, 0, "3do\\mat\\b.mat"},      {6, 0, "cog\\x.cog"},
                                             {7, 0, "misc\\pup\\ky.pup"}};
    ResourceCatalog cat;
    cat.puppets.Add(std::make_unique<CTreeObject>("stale.pup", 0, 0));
    BuildCatalog(recs, cat);
    // Sorted by short name as repeated SortedEntryList::Add would: the newer namesake first.
    EXPECT_EQ(Names(cat.materials), (std::vector<std::string>{"3do\\mat\\a.mat", "3do\\mat\\b.mat",
                                                              "3do\\mat\\sub\\b.mat", "3do\\mat\\c.mat"}));
    const CTreeObject* a = cat.materials.Lookup("A.mat");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->offset, 1u);
    EXPECT_EQ(Names(cat.colormaps), std::vector<std::string>{"misc\\cmp\\dflt.cmp"});
    EXPECT_EQ(Names(cat.puppets), std::vector<std::string>{"misc\\pup\\ky.pup"});

    TempDir dir;
    ASSERT_TRUE(WriteArchive(dir / "r.gob", {{"3do\\mat\\a.mat", Bytes("MATDATA")}}));
    ASSERT_TRUE(LoadCatalog(dir / "r.gob", cat));
    ASSERT_EQ(cat.materials.Count(), 1u);
    const auto data = ReadEntryData(dir / "r.gob", cat.materials.At(0));
    ASSERT_TRUE(data);
    EXPECT_EQ(*data, Bytes("MATDATA"));
    const auto past = ReadEntryData(dir / "r.gob", CTreeObject("3do\\mat\\bad.mat", 150, 100));
    EXPECT_FALSE(past);
    EXPECT_NE(past.error().find("past the end"), std::string::npos);
}

// Where the directory lies is the archive reader's (Archive tests); a catalogue of an
// archive whose directory points nowhere is empty and says why.
TEST(Catalog, WarnsWhenTheDirectoryPointsNowhere)
{
    ResourceCatalog cat;
    cat.materials.Add(std::make_unique<CTreeObject>("stale.mat", 0, 0));
    const auto load = LoadCatalog(Fixture("gob", "directory_offset_past_end.gob"), cat);
    ASSERT_TRUE(load);
    EXPECT_TRUE(cat.Empty());
    EXPECT_NE(load->warning.find("directory offset 1000 points past the end"), std::string::npos) << load->warning;
}

TEST(Locate, InstallPathThenSourceDirThenSampleThenMessage)
{
    TempDir dir;
    const fs::path prefix = dir / "wine";
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");  // made with the game below
    fs::create_directory_symlink(dir / "cdrom", prefix / "dosdevices" / "d:");
    const fs::path install = prefix / "drive_c" / "Games" / "Jedi Knight";
    MakeGame(install, "Res2.gob", {{"3do\\mat\\dflt.mat", Bytes("m")}, {"misc\\cmp\\01redmap.cmp", Bytes("c")}});

    MemoryRegistry reg;
    reg.SetString(kJediKnightKey, kInstallPathValue, "C:\\Games\\Jedi Knight");
    reg.SetString(kJediKnightKey, kSourceDirValue, "D:\\");
    LocateOptions opts;
    opts.registry = &reg;
    opts.winePrefix = prefix;
    ResourceCatalog cat;
    cat.keyframes.Add(std::make_unique<CTreeObject>("old.key", 0, 0));

    LocateResult r = LocateResources(0, opts, cat);
    EXPECT_EQ(std::tie(r.windowText, r.installPath, r.episodeDirectory, r.message),
              std::make_tuple(std::string("Orvane - Jedi Knight mode"), std::string("C:\\Games\\Jedi Knight"),
                              std::string("C:\\Games\\Jedi Knight\\episode\\"), std::string()));
    // Found without regard to case, through the prefix's C: drive.
    EXPECT_EQ(r.resourceFile.filename(), "Res2.gob");
    EXPECT_TRUE(fs::equivalent(r.resourceFile, install / "Resource" / "Res2.gob"));
    EXPECT_FALSE(r.usingSample);
    EXPECT_EQ(std::make_tuple(cat.materials.Count(), cat.colormaps.Count(), cat.keyframes.Count()),
              std::make_tuple(std::size_t{1}, std::size_t{1}, std::size_t{0}));

    // The archive is gone from the install folder: "Source Dir" + gamedata\resource\res2.gob.
    fs::remove(install / "Resource" / "Res2.gob");
    MakeGame(dir / "cdrom" / "gamedata", "res2.gob", {{"misc\\pup\\ky.pup", Bytes("p")}});
    r = LocateResources(0, opts, cat);
    EXPECT_EQ(r.resourceFile, prefix / "dosdevices" / "d:" / "gamedata" / "Resource" / "res2.gob");
    EXPECT_EQ(std::make_pair(cat.materials.Count(), cat.puppets.Count()),
              std::make_pair(std::size_t{0}, std::size_t{1}));

    // Nothing of the game: the sample archive stands in and says so.
    fs::remove_all(dir / "cdrom" / "gamedata");
    ASSERT_TRUE(WriteArchive(dir / "res2.gob", {{"3do\\mat\\00cab02.mat", Bytes("s")}}));
    opts.sampleArchive = dir / "res2.gob";
    r = LocateResources(0, opts, cat);
    EXPECT_TRUE(r.usingSample);
    EXPECT_NE(r.statusText, "");
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(r.resourceFile, dir / "res2.gob");
    EXPECT_EQ(cat.materials.Count(), 1u);

    // Without the sample too: the message, and an empty catalogue.
    opts.sampleArchive = dir / "missing.gob";
    r = LocateResources(0, opts, cat);
    EXPECT_EQ(r.message, "Cannot find Jedi Knight/Mots resource files.");
    EXPECT_TRUE(r.resourceFile.empty());
    EXPECT_TRUE(cat.Empty());
}

TEST(Locate, MotsKeyAndAKeyThatDoesNotOpenKeepsThePreviousInstallPath)
{
    TempDir dir;
    MakeGame(dir / "mots", "jkmres.goo", {{"3do\\key\\a.key", Bytes("k")}});
    MemoryRegistry reg;
    reg.SetString(kMotsKey, kInstallPathValue, (dir / "mots").string());
    // A Jedi Knight key without values: the key opens, nothing is read.
    reg.AddKey(kJediKnightKey);
    LocateOptions opts;
    opts.registry = &reg;
    ResourceCatalog cat;
    LocateResult r = LocateResources(1, opts, cat);
    EXPECT_EQ(r.windowText, "Orvane - Mysteries of the Sith mode");
    EXPECT_EQ(r.resourceFile, dir / "mots" / "Resource" / "jkmres.goo");
    EXPECT_EQ(cat.keyframes.Count(), 1u);

    // Jedi Knight with no "Install Path": the previous value is kept for the paths.
    opts.previousInstallPath = "/nowhere";
    r = LocateResources(0, opts, cat);
    EXPECT_EQ(std::tie(r.installPath, r.episodeDirectory),
              std::make_tuple(std::string("/nowhere"), std::string("/nowhere\\episode\\")));
    EXPECT_EQ(r.episodePath, fs::path("/nowhere/episode/"));
    EXPECT_EQ(r.message, "Cannot find Jedi Knight/Mots resource files.");
    EXPECT_TRUE(cat.Empty());
}
