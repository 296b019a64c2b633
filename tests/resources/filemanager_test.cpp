#include <gtest/gtest.h>

#include <set>

#include "resources/bitmap.h"
#include "resources/catalog.h"
#include "resources/filemanager.h"
#include "resources/material.h"
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
    std::string text;
    for (const char* file :
         {"/x/door.cog", "/x/ky.pup", "/x/readme.txt", "/x/Crate.Final.BMP", "/x/KYRUN.KEY", "/x/bot.ai2", "/x/x.wav",
          "/x/a.mat.key", "/x/readme.jkl.txt", "/x/tools.cogs", "/x/level.JKL", "/x/ep.jk", "/x/pics.bmp/notes.txt"})
        text += std::string(file) + " -> " + ArchiveItemNameFor(file) + "\n";
    ExpectSameAsFixture("expected", "filemanager_item_names.txt", text);
    EXPECT_EQ(DuplicateItemQuestion("cog\\door.cog"),
              "The item \"cog\\door.cog\" already exists. Do you want to overwrite the existing item?");
}

// A bitmap goes in as a material, over its own indices or remapped onto a given palette;
// extracted, an item comes out raw or, a material, as a bitmap of its first cel.
TEST(FileManager, BitmapGoesInAsMaterialAndComesOutRawOrAsBitmap)
{
    TempDir dir;
    const fs::path gob = dir / "a.gob";
    ASSERT_TRUE(CreateArchive(gob));
    Spit(dir / "crate.bmp", kCrateBmp);
    // The material as read back: its size and indices.
    auto pixels = [&] {
        const auto mat = ConvertMat(Bytes(ArchiveItem(gob, "mat\\crate.mat")), Palette{});
        return mat && mat->width == 3 && mat->height == 2 ? mat->pixels : std::vector<uint8_t>{};
    };
    auto res = AddFileToArchive(gob, dir / "crate.bmp", {});
    ASSERT_TRUE(res);
    // Without a palette the bitmap's own indices, top row first.
    EXPECT_EQ(pixels(), (std::vector<uint8_t>{0, 1, 0, 1, 1, 0}));
    ASSERT_TRUE(InsertArchiveEntry(gob, "cog\\x.cog", Bytes("cog text")));

    const ArchiveDirectory d = ReadDir(gob);
    ASSERT_EQ(d.records.size(), 2u);
    // The folders the target needs are made.
    ASSERT_TRUE(ExtractArchiveItem(gob, d.records[1], dir / "out" / "cog" / "x.cog", nullptr));
    EXPECT_EQ(Slurp(dir / "out" / "cog" / "x.cog"), Bytes("cog text"));

    Palette red{};
    red[3] = 255;  // index 1 red
    ASSERT_TRUE(ExtractArchiveItem(gob, d.records[0], dir / "out.bmp", &red));
    // The same picture as the bitmap that went in, over the given palette.
    const auto back = ReadBmp(Slurp(dir / "out.bmp"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels, (std::vector<uint8_t>{0, 1, 0, 1, 1, 0}));
    EXPECT_EQ(back->Rgb(1), (std::array<uint8_t, 3>{255, 0, 0}));

    // A non-material cannot be converted.
    EXPECT_FALSE(ExtractArchiveItem(gob, d.records[1], dir / "x.bmp", &red));

    Palette pal{};
    pal[5 * 3 + 0] = 255;  // red at 5
    pal[9 * 3 + 1] = 255;  // green at 9
    AddFileOptions opts;
    opts.bitmapPalette = &pal;
    opts.onDuplicate = DuplicatePolicy::Replace;
    res = AddFileToArchive(gob, dir / "crate.bmp", opts);
    ASSERT_TRUE(res);
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
    std::set<uint64_t> totals;
    AddFileOptions opts;
    opts.askReplace = [&](const std::string& name) {
        asked.push_back(name);
        // Every question comes before the archive is touched.
        EXPECT_TRUE(totals.empty());
        return asked.size() == 2;  // No to the first question, Yes to the second
    };
    opts.progress = [&](uint64_t, uint64_t total) {
        totals.insert(total);
        return true;
    };
    const auto added = AddEntriesToArchive(gob, entries, opts);
    ASSERT_TRUE(orvtest::Ok(added));
    // The first door.cog finds the archive's item (No: kept beside it); the second finds
    // the first (Yes: it replaces that one).
    EXPECT_EQ(asked, (std::vector<std::string>{"COG\\DOOR.COG", "cog\\door.cog"}));
    std::string text;
    for (const auto& r : *added)
        text += r.itemName + (r.replaced ? " replaced\n" : " added\n");
    text += ArchiveText(gob);
    // One rewrite: every progress report counts the same whole.
    EXPECT_EQ(totals, (std::set<uint64_t>{3 + 1 + 6}));

    // Replace without asking: the archive's first item of the name and the earlier new
    // one both give way.
    opts.onDuplicate = DuplicatePolicy::Replace;
    ASSERT_TRUE(AddEntriesToArchive(gob, {{"cog\\door.cog", Bytes("3")}, {"Cog\\Door.cog", Bytes("4")}}, opts));
    text += ArchiveText(gob);
    EXPECT_EQ(asked.size(), 2u);

    // Keep never asks; Ask without a callback keeps too. A single file goes the same way.
    opts.onDuplicate = DuplicatePolicy::Keep;
    ASSERT_TRUE(AddEntriesToArchive(gob, {{"readme.txt", Bytes("k")}}, opts));
    EXPECT_EQ(asked.size(), 2u);
    Spit(dir / "readme.txt", Bytes("a"));
    ASSERT_TRUE(AddFileToArchive(gob, dir / "readme.txt", AddFileOptions{}));
    ExpectSameAsFixture("expected", "filemanager_add_duplicates.txt", text + ArchiveText(gob));
}

// Saved flat, an item takes its last name alone; saved in its folders, a name that would
// lead out of the target folder is refused, saying why.
TEST(FileManager, ExtractionStaysInsideTheFolder)
{
    const fs::path dir = "/x";
    std::string text;
    const auto targets = [&](const std::string& item, bool asBitmap) {
        const auto flat = ExtractionTarget(dir, item, asBitmap);
        const auto inFolders = ExtractionTargetInFolders(dir, item, asBitmap);
        text += item + (asBitmap ? " as a bitmap" : "") + "\n  flat: " + (flat ? flat->string() : flat.error()) +
                "\n  in folders: " + (inFolders ? inFolders->string() : inFolders.error()) + "\n";
    };
    for (const char* item : {"mat\\crate.v2.mat", "mat/crate.v2.mat"})
        targets(item, true);
    for (const char* item :
         {"cog\\door.cog", "3do\\mat\\a.mat", "..\\..\\evil.txt", "cog\\..\\..\\evil.txt", "a/b/../../../evil.txt",
          "\\evil.txt", "/etc/evil", "C:\\Windows\\evil.txt", "D:evil.txt", "a\\\\b", "a\\.\\b", "cog\\", "misc\\.."})
        targets(item, false);
    // Two items on one path, or a file where another item needs a folder.
    for (const auto& pairs : std::vector<std::vector<std::pair<std::string, fs::path>>>{
             {{"3do\\mat\\a.mat", "3do/mat/a.mat"}, {"mat\\a.mat", "mat/a.mat"}},
             {{"3do\\mat\\a.mat", "a.mat"}, {"mat\\a.mat", "a.mat"}},
             {{"a\\b", "a/b"}, {"a", "a"}}})
        text += "targets: " + CheckExtractionTargets(pairs).error() + "\n";
    ExpectSameAsFixture("expected", "filemanager_extraction_targets.txt", text);
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

    auto chosen = [&](const ResourceCatalog* c, const fs::path& archive) -> std::string {
        const auto p = ExtractionPalette(c, game, archive);
        return !p ? p.error() : !*p ? "none" : **p == sample ? "the game's" : **p == own ? "the archive's" : "another";
    };
    EXPECT_EQ(chosen(&catalog, mod), "the game's");
    EXPECT_EQ(chosen(&none, mod), "the archive's");
    EXPECT_EQ(chosen(nullptr, mod), "the archive's");
    EXPECT_EQ(chosen(&none, bare), "none");
    // A colormap that cannot be read is named.
    ASSERT_TRUE(WriteArchive(mod, {{"misc\\cmp\\bad.cmp", Bytes("short")}}));
    EXPECT_NE(chosen(&none, mod).find("bad.cmp"), std::string::npos) << chosen(&none, mod);
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
    std::vector<ExtractionForm> forms;
    for (auto [i, asBitmap, p] : {std::tuple{0, false, (const Palette*)nullptr},
                                  {0, true, nullptr},
                                  {1, true, nullptr},
                                  {1, true, &palette},
                                  {2, true, &palette},
                                  {3, true, &palette}})
        forms.push_back(ExtractionFormOf(gob, d.records[i], asBitmap, p).value_or(ExtractionForm::AsItIs));
    using enum ExtractionForm;
    EXPECT_EQ(forms, (std::vector{AsItIs, Bitmap, NeedsColormap, Bitmap, AsItIs, AsItIs}));
}
