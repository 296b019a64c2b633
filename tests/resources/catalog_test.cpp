#include <gtest/gtest.h>

#include "resources/catalog.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;
namespace fs = std::filesystem;

namespace {

// A game folder with its archive, as an installer leaves it.
void MakeGame(const fs::path& root, const std::string& archive, const std::vector<ArchiveEntryData>& entries)
{
    fs::create_directories(root / "Resource");
    ASSERT_TRUE(WriteArchive(root / "Resource" / archive, entries));
}

// What a search found and the catalogue it built.
std::string Found(const LocateResult& r, const ResourceCatalog& cat)
{
    return r.windowText + "\n  install path " + r.installPath + ", episodes " + r.episodeDirectory + " (" +
           r.episodePath.string() + ")\n  archive " + r.resourceFile.string() +
           (r.usingSample ? ", the sample: " + r.statusText : "") + "\n  message " + r.message + "\n  " +
           std::to_string(cat.materials.Count()) + " materials, " + std::to_string(cat.colormaps.Count()) +
           " colormaps, " + std::to_string(cat.keyframes.Count()) + " keyframes, " +
           std::to_string(cat.puppets.Count()) + " puppets\n";
}

}  // namespace

TEST(Catalog, ClassificationTable)
{
    // The first passing test wins: a material whose name mentions "pup", a colormap too;
    // only the last extension tells the kind.
    static const char* const kKinds[] = {"none", "material", "keyframe", "colormap", "puppet"};
    std::string text;
    for (const char* name :
         {"3do\\mat\\dflt.mat", "3do\\key\\kyrun.key", "misc\\cmp\\01redmap.cmp", "3do\\cmp\\x.cmp",
          "misc\\pup\\ky.pup", "3do\\mat\\readme.txt", "mat\\crate.mat", "3do\\mat\\pup.mat", "misc\\pupcmp.cmp",
          "cog\\puppet.cog", "misc\\pup\\ky.pup.bak", "3do\\mat\\a.mat.txt", "3do\\key\\RUN.KEY"})
        text += std::string(name) + ": " + kKinds[static_cast<int>(ClassifyResource(name))] + "\n";
    ExpectSameAsFixture("expected", "catalog_kinds.txt", text);
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
    std::string listed;
    for (const SortedEntryList* list : {&cat.materials, &cat.keyframes, &cat.colormaps, &cat.puppets})
        for (const auto& e : list->Entries())
            listed += e->name + " at " + std::to_string(e->offset) + "\n";
    EXPECT_EQ(listed,
              "3do\\mat\\a.mat at 1\n3do\\mat\\b.mat at 5\n3do\\mat\\sub\\b.mat at 3\n3do\\mat\\c.mat at 2\n"
              "misc\\cmp\\dflt.cmp at 4\nmisc\\pup\\ky.pup at 7\n");

    TempDir dir;
    ASSERT_TRUE(WriteArchive(dir / "r.gob", {{"3do\\mat\\a.mat", Bytes("MATDATA")}}));
    ASSERT_TRUE(LoadCatalog(dir / "r.gob", cat));
    ASSERT_EQ(cat.materials.Count(), 1u);
    EXPECT_EQ(ReadEntryData(dir / "r.gob", cat.materials.At(0)).value_or({}), Bytes("MATDATA"));
    const auto past = ReadEntryData(dir / "r.gob", CTreeObject("3do\\mat\\bad.mat", 150, 100));
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

    // Found without regard to case, through the prefix's C: drive; then, the archive gone
    // from the install folder, through "Source Dir" + gamedata\resource\res2.gob; then,
    // nothing of the game there, the sample archive stands in and says so; without the
    // sample too, the message and an empty catalogue.
    std::string text = Found(LocateResources(0, opts, cat), cat);
    fs::remove(install / "Resource" / "Res2.gob");
    MakeGame(dir / "cdrom" / "gamedata", "res2.gob", {{"misc\\pup\\ky.pup", Bytes("p")}});
    text += Found(LocateResources(0, opts, cat), cat);
    fs::remove_all(dir / "cdrom" / "gamedata");
    ASSERT_TRUE(WriteArchive(dir / "res2.gob", {{"3do\\mat\\00cab02.mat", Bytes("s")}}));
    opts.sampleArchive = dir / "res2.gob";
    text += Found(LocateResources(0, opts, cat), cat);
    opts.sampleArchive = dir / "missing.gob";
    ExpectSameAsFixture("expected", "locate_jedi_knight.txt", text + Found(LocateResources(0, opts, cat), cat),
                        dir.path);
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
    std::string text = Found(LocateResources(1, opts, cat), cat);
    // Jedi Knight with no "Install Path": the previous value is kept for the paths.
    opts.previousInstallPath = "/nowhere";
    ExpectSameAsFixture("expected", "locate_mots.txt", text + Found(LocateResources(0, opts, cat), cat), dir.path);
}
