#include <gtest/gtest.h>

#include <set>

#include "resources/bitmap.h"
#include "resources/catalog.h"
#include "resources/filemanager.h"
#include "resources/sample.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;
namespace fs = std::filesystem;

namespace {

// A 3 x 2 bitmap, bottom-up, two palette entries (red 0, green 1). Top row 0 1 0,
// bottom row 1 1 0.
const std::vector<uint8_t> kCrateBmp = Bmp(3, 2, 8, {0, 0, 255, 0, 0, 255, 0, 0}, {1, 1, 0, 0, 0, 1, 0, 0}, 2);

}  // namespace

TEST(FileManager, ItemNamesFollowTheExtensionTable)
{
    // The last extension alone decides, as for every file: a name that holds another
    // kind's extension before its own is of its own kind. A folder named like a bitmap
    // does not make its files bitmaps.
    for (auto [file, item] : {std::pair{"/x/door.cog", "cog\\door.cog"},
                              {"/x/ky.pup", "misc\\pup\\ky.pup"},
                              {"/x/readme.txt", "readme.txt"},
                              {"/x/Crate.Final.BMP", "mat\\crate.mat"},
                              {"/x/KYRUN.KEY", "3do\\key\\kyrun.key"},
                              {"/x/bot.ai2", "misc\\ai\\bot.ai2"},
                              {"/x/x.wav", "voiceuu\\x.wav"},
                              {"/x/a.mat.key", "3do\\key\\a.mat.key"},
                              {"/x/readme.jkl.txt", "readme.jkl.txt"},
                              {"/x/tools.cogs", "tools.cogs"},
                              {"/x/level.JKL", "jkl\\level.jkl"},
                              {"/x/ep.jk", "ep.jk"},
                              {"/x/pics.bmp/notes.txt", "notes.txt"}})
        EXPECT_EQ(ArchiveItemNameFor(file), item) << file;
    EXPECT_EQ(DuplicateItemQuestion("cog\\door.cog"),
              "The item \"cog\\door.cog\" already exists. Do you want to overwrite the existing item?");
}

TEST(FileManager, BitmapIsStoredAsMaterialRemappedOntoTheGivenPalette)
{
    TempDir dir;
    const fs::path gob = dir / "a.gob";
    ASSERT_TRUE(CreateArchive(gob));
    Spit(dir / "crate.bmp", kCrateBmp);
    auto pixels = [&] {
        const auto mat = Bytes(ArchiveItem(gob, "mat\\crate.mat"));
        if (mat.size() != 76u + 40 + 24 + 6)
            return std::vector<uint8_t>{};
        EXPECT_EQ(std::string(mat.begin(), mat.begin() + 4), "MAT ");
        EXPECT_EQ(std::make_pair(Word(mat, 116), Word(mat, 120)), std::make_pair(3u, 2u));  // width, height
        return std::vector<uint8_t>(mat.end() - 6, mat.end());
    };
    auto res = AddFileToArchive(gob, dir / "crate.bmp", {});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->itemName, "mat\\crate.mat");
    // Without a palette the bitmap's own indices, top row first.
    EXPECT_EQ(pixels(), (std::vector<uint8_t>{0, 1, 0, 1, 1, 0}));

    Palette pal{};
    pal[5 * 3 + 0] = 255;  // red at 5
    pal[9 * 3 + 1] = 255;  // green at 9
    AddFileOptions opts;
    opts.bitmapPalette = &pal;
    opts.onDuplicate = DuplicatePolicy::Replace;
    res = AddFileToArchive(gob, dir / "crate.bmp", opts);
    ASSERT_TRUE(res);
    EXPECT_TRUE(res->replaced);
    EXPECT_EQ(ArchiveNames(gob), std::vector<std::string>{"mat\\crate.mat"});
    EXPECT_EQ(pixels(), (std::vector<uint8_t>{5, 9, 5, 9, 9, 5}));
}

TEST(FileManager, FileThatCannotBeReadOrConvertedCostsNothing)
{
    TempDir dir;
    const fs::path gob = dir / "a.gob";
    ASSERT_TRUE(WriteArchive(gob, {{"mat\\crate.mat", Bytes("precious")}, {"cog\\door.cog", Bytes("d")}}));
    const auto before = Slurp(gob);
    AddFileOptions replace;
    replace.onDuplicate = DuplicatePolicy::Replace;
    EXPECT_FALSE(AddFileToArchive(gob, dir / "door.cog", replace));  // no such file
    fs::copy_file(Fixture("bmp", "magic_not_bm.bmp"), dir / "crate.bmp");
    const auto notBitmap = AddFileToArchive(gob, dir / "crate.bmp", replace);
    EXPECT_FALSE(notBitmap);
    EXPECT_NE(notBitmap.error().find("BM"), std::string::npos) << notBitmap.error();
    Spit(dir / (std::string(130, 'n') + ".cog"), Bytes("long"));
    EXPECT_FALSE(AddFileToArchive(gob, dir / (std::string(130, 'n') + ".cog"), replace));
    EXPECT_EQ(Slurp(gob), before);
}

TEST(FileManager, SeveralItemsGoInWithOneRewriteAndDuplicatesAreAskedFirst)
{
    TempDir dir;
    const fs::path gob = dir / "a.gob";
    ASSERT_TRUE(WriteArchive(gob, {{"COG\\DOOR.COG", Bytes("old")}}));
    std::vector<ArchiveEntryData> entries = {
        {"cog\\door.cog", Bytes("first")}, {"readme.txt", Bytes("r")}, {"cog\\door.cog", Bytes("second")}};
    std::vector<std::string> asked;
    std::vector<bool> answers = {false, true};
    std::set<uint64_t> totals;
    AddFileOptions opts;
    opts.askReplace = [&](const std::string& name) {
        asked.push_back(name);
        // Every question comes before the archive is touched.
        EXPECT_TRUE(totals.empty());
        const bool a = answers.front();
        answers.erase(answers.begin());
        return a;
    };
    opts.progress = [&](uint64_t, uint64_t total) {
        totals.insert(total);
        return true;
    };
    const auto added = AddEntriesToArchive(gob, entries, opts);
    ASSERT_TRUE(orvtest::Ok(added));
    const std::vector<AddFileResult>& results = *added;
    // The first door.cog finds the archive's item (No: kept beside it); the second finds
    // the first (Yes: it replaces that one).
    EXPECT_EQ(asked, (std::vector<std::string>{"COG\\DOOR.COG", "cog\\door.cog"}));
    EXPECT_EQ(ArchiveNames(gob), (std::vector<std::string>{"COG\\DOOR.COG", "readme.txt", "cog\\door.cog"}));
    EXPECT_EQ(ArchiveItem(gob, "cog\\door.cog"), "second");
    EXPECT_EQ(ArchiveItem(gob, "COG\\DOOR.COG"), "old");
    std::vector<bool> replaced;
    for (const auto& r : results)
        replaced.push_back(r.replaced);
    EXPECT_EQ(replaced, (std::vector<bool>{false, false, true}));
    // One rewrite: every progress report counts the same whole.
    EXPECT_EQ(totals, (std::set<uint64_t>{3 + 1 + 6}));

    // Replace without asking: the archive's first item of the name and the earlier new
    // one both give way.
    opts.onDuplicate = DuplicatePolicy::Replace;
    ASSERT_TRUE(AddEntriesToArchive(gob, {{"cog\\door.cog", Bytes("3")}, {"Cog\\Door.cog", Bytes("4")}}, opts));
    EXPECT_EQ(ArchiveNames(gob), (std::vector<std::string>{"readme.txt", "Cog\\Door.cog", "cog\\door.cog"}));
    EXPECT_EQ(ArchiveItem(gob, "Cog\\Door.cog"), "4");
    EXPECT_EQ(ArchiveItem(gob, "cog\\door.cog"), "second");
    EXPECT_EQ(asked.size(), 2u);

    // Keep never asks; Ask without a callback keeps too. A single file goes the same way.
    opts.onDuplicate = DuplicatePolicy::Keep;
    ASSERT_TRUE(AddEntriesToArchive(gob, {{"readme.txt", Bytes("k")}}, opts));
    EXPECT_EQ(asked.size(), 2u);
    Spit(dir / "readme.txt", Bytes("a"));
    ASSERT_TRUE(AddFileToArchive(gob, dir / "readme.txt", AddFileOptions{}));
    EXPECT_EQ(ArchiveNames(gob).size(), 5u);
}

// Saved flat, an item takes its last name alone; saved in its folders, a name that would
// lead out of the target folder is refused, saying why.
TEST(FileManager, ExtractionStaysInsideTheFolder)
{
    TempDir dir;
    EXPECT_EQ(ExtractionTarget(dir.path, "cog\\door.cog", false).value_or(fs::path()), dir / "door.cog");
    EXPECT_EQ(ExtractionTarget(dir.path, "mat\\crate.v2.mat", true).value_or(fs::path()), dir / "crate.bmp");
    EXPECT_EQ(ExtractionTargetInFolders(dir.path, "3do\\mat\\a.mat", false).value_or(fs::path()),
              dir / "3do" / "mat" / "a.mat");
    EXPECT_EQ(ExtractionTargetInFolders(dir.path, "mat/crate.v2.mat", true).value_or(fs::path()),
              dir / "mat" / "crate.bmp");
    for (auto [evil, flat, why] : {std::tuple{"..\\..\\evil.txt", "evil.txt", "\"..\" component"},
                                   {"cog\\..\\..\\evil.txt", "evil.txt", "\"..\" component"},
                                   {"a/b/../../../evil.txt", "evil.txt", "\"..\" component"},
                                   {"\\evil.txt", "evil.txt", "absolute path"},
                                   {"/etc/evil", "evil", "absolute path"},
                                   {"C:\\Windows\\evil.txt", "evil.txt", "drive letter"},
                                   {"D:evil.txt", "evil.txt", "drive letter"},
                                   {"a\\\\b", "b", "empty"},
                                   {"a\\.\\b", "b", "empty"},
                                   {"cog\\", "", "no file name"},
                                   {"misc\\..", "", "\"..\" component"}}) {
        EXPECT_EQ(ExtractionTarget(dir.path, evil, false).value_or(fs::path()), *flat ? dir / flat : fs::path())
            << evil;
        const auto t = ExtractionTargetInFolders(dir.path, evil, false);
        EXPECT_FALSE(t) << evil;
        EXPECT_NE(t.error().find(why), std::string::npos) << evil << ": " << t.error();
    }

    // Two items on one path, or a file where another item needs a folder.
    EXPECT_TRUE(orvtest::Ok(
        CheckExtractionTargets({{"3do\\mat\\a.mat", dir / "3do/mat/a.mat"}, {"mat\\a.mat", dir / "mat/a.mat"}})));
    EXPECT_NE(CheckExtractionTargets({{"3do\\mat\\a.mat", dir / "a.mat"}, {"mat\\a.mat", dir / "a.mat"}})
                  .error()
                  .find("items 3do\\mat\\a.mat and mat\\a.mat would both be saved as"),
              std::string::npos);
    EXPECT_NE(CheckExtractionTargets({{"a\\b", dir / "a/b"}, {"a", dir / "a"}}).error().find("needs as a folder"),
              std::string::npos);
}

TEST(FileManager, ExtractWritesRawBytesOrTheFirstCelAsBitmap)
{
    TempDir dir;
    const fs::path gob = dir / "a.gob";
    ASSERT_TRUE(CreateArchive(gob));
    Spit(dir / "crate.bmp", kCrateBmp);
    ASSERT_TRUE(AddFileToArchive(gob, dir / "crate.bmp", {}));
    ASSERT_TRUE(InsertArchiveEntry(gob, "cog\\x.cog", Bytes("cog text")));

    const auto read = ReadArchiveDirectory(gob);
    ASSERT_TRUE(read);
    const ArchiveDirectory& d = *read;
    // The folders the target needs are made.
    ASSERT_TRUE(ExtractArchiveItem(gob, d.records[1], dir / "out" / "cog" / "x.cog", nullptr));
    EXPECT_EQ(Slurp(dir / "out" / "cog" / "x.cog"), Bytes("cog text"));

    Palette pal{};
    pal[3] = 255;  // index 1 red
    ASSERT_TRUE(ExtractArchiveItem(gob, d.records[0], dir / "crate.bmp", &pal));
    // The same picture as the bitmap that went in, over the given palette.
    const auto back = ReadBmp(Slurp(dir / "crate.bmp"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels, (std::vector<uint8_t>{0, 1, 0, 1, 1, 0}));
    EXPECT_EQ(back->Rgb(1), (std::array<uint8_t, 3>{255, 0, 0}));

    // A non-material cannot be converted.
    EXPECT_FALSE(ExtractArchiveItem(gob, d.records[1], dir / "x.bmp", &pal));
}

TEST(FileManager, ExtractionTakesTheGamesFirstColormapElseTheArchivesOwn)
{
    TempDir dir;
    std::vector<uint8_t> grey = MakeSampleColormap();
    for (std::size_t i = 0; i < 256 * 3; ++i)
        grey[kColormapHeadSize + i] = static_cast<uint8_t>(i / 3);
    const fs::path game = dir / "res2.gob", mod = dir / "mod.gob", bare = dir / "bare.gob";
    ASSERT_TRUE(WriteArchive(game, {{"misc\\cmp\\01redmap.cmp", MakeSampleColormap()}}));
    ASSERT_TRUE(WriteArchive(mod, {{"misc\\cmp\\grey.cmp", grey}, {"3do\\mat\\a.mat", Bytes("x")}}));
    ASSERT_TRUE(WriteArchive(bare, {{"3do\\mat\\a.mat", Bytes("x")}}));
    ResourceCatalog catalog, none;
    ASSERT_TRUE(LoadCatalog(game, catalog));
    const Palette sample = ParseColormap(MakeSampleColormap())->palette;
    const Palette own = ParseColormap(grey)->palette;

    auto chosen = ExtractionPalette(&catalog, game, mod);
    ASSERT_TRUE(Ok(chosen));
    ASSERT_TRUE(chosen->has_value());
    EXPECT_TRUE(**chosen == sample) << "the game's colormap comes first";
    for (const ResourceCatalog* c : std::initializer_list<const ResourceCatalog*>{&none, nullptr}) {
        chosen = ExtractionPalette(c, game, mod);
        ASSERT_TRUE(Ok(chosen));
        ASSERT_TRUE(chosen->has_value()) << "the archive's own colormap was not taken";
        EXPECT_TRUE(**chosen == own);
    }
    chosen = ExtractionPalette(&none, game, bare);
    ASSERT_TRUE(Ok(chosen));
    EXPECT_FALSE(chosen->has_value());
    // A colormap that cannot be read is named.
    ASSERT_TRUE(WriteArchive(mod, {{"misc\\cmp\\bad.cmp", Bytes("short")}}));
    chosen = ExtractionPalette(&none, game, mod);
    ASSERT_FALSE(chosen);
    EXPECT_NE(chosen.error().find("bad.cmp"), std::string::npos) << chosen.error();
}

TEST(FileManager, OnlyMaterialsBecomeBitmapsAndEightBitOnesNeedAColormap)
{
    TempDir dir;
    const fs::path gob = dir / "a.gob";
    const auto rgb565 = Slurp(Fixture("mat", "rgb565_primaries.mat"));
    const auto eight = Slurp(Fixture("mat", "small.mat"));
    ASSERT_TRUE(WriteArchive(gob, {{"3do\\mat\\rgb.mat", rgb565},
                                   {"3do\\mat\\small.MAT", eight},
                                   {"mat\\small.mat.txt", eight},
                                   {"cog\\a.cog", Bytes("x")}}));
    const ArchiveDirectory d = ReadDir(gob);
    ASSERT_EQ(d.records.size(), 4u);
    const Palette palette{};
    auto form = [&](std::size_t i, bool asBitmap, const Palette* p) {
        const auto f = ExtractionFormOf(gob, d.records[i], asBitmap, p);
        EXPECT_TRUE(Ok(f));
        return f ? *f : ExtractionForm::AsItIs;
    };
    EXPECT_EQ(form(0, false, nullptr), ExtractionForm::AsItIs);
    EXPECT_EQ(form(0, true, nullptr), ExtractionForm::Bitmap);
    EXPECT_EQ(form(1, true, nullptr), ExtractionForm::NeedsColormap);
    EXPECT_EQ(form(1, true, &palette), ExtractionForm::Bitmap);
    EXPECT_EQ(form(2, true, &palette), ExtractionForm::AsItIs);
    EXPECT_EQ(form(3, true, &palette), ExtractionForm::AsItIs);
}
