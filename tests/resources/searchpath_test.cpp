#include <gtest/gtest.h>

#include "model/model.h"
#include "resources/catalog.h"
#include "resources/searchpath.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;
namespace fs = std::filesystem;

namespace {

// tests/fixtures/searchpath: a mod laid out as modders keep it around mymod/3do/ship.3do,
// its archive mymod/mod.gob, the game's archive res.gob; custom materials, and a search
// path of an archive, a mod folder and an archive that is not there. Each material is a
// colour material whose index says where it lies; each keyframe and puppet file says so
// in words.
class SearchPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadCatalog(dir / "res.gob", catalog));
        AddItem(custom, "custom.mat", MakeColorMat(3));
        AddItem(custom, "other.mat", MakeColorMat(4));
        EXPECT_EQ(
            path.Set({(dir / "extra.gob").string(), (dir / "pack").string(), (dir / "missing.gob").string()}).size(),
            1u);
        sources.catalog = &catalog;
        sources.resourceFile = dir / "res.gob";
        sources.customMaterials = &custom;
        sources.modFolders = IndexMod(mod / "3do" / "ship.3do");
        sources.searchPath = &path;
    }

    // The index of the colour material found (negative for the fallback), the words of
    // another kind's file, "-" when there is none.
    std::string From(ResourceKind kind, std::string_view name) const
    {
        const auto found =
            kind == ResourceKind::Material ? FindMaterial(sources, name) : FindResource(sources, kind, name);
        if (!found)
            return "-";
        for (int i = 0; i < 16 && kind == ResourceKind::Material; ++i)
            if (found->bytes == MakeColorMat(static_cast<uint8_t>(i)))
                return std::to_string(found->fallback ? -i : i);
        return std::string(found->bytes.begin(), found->bytes.end());
    }

    const fs::path dir = Fixture("searchpath", "mymod").parent_path(), mod = dir / "mymod";
    ResourceCatalog catalog;
    SortedEntryList custom;
    ResourceSearchPath path;
    ResourceSources sources;
};

}  // namespace

// One order for every kind: the custom materials, the mod's folders (beside the model,
// then nearest first), the mod's archives, the search path's entries in their order, the
// game's archive, and last the game's fallback. Names and folder names ignore case.
TEST_F(SearchPathTest, EveryKindIsLookedForInTheModThenTheSearchPathThenTheGame)
{
    const struct {
        ResourceKind kind;
        const char* name;
        const char* from;
    } cases[] = {
        {ResourceKind::Material, "CUSTOM.MAT", "3"},  // the custom material hides the mod's and the game's
        {ResourceKind::Material, "beside.mat", "5"},
        {ResourceKind::Material, "Mod.Mat", "7"},            // 3do/mat beside the model before ../Mat and the archives
        {ResourceKind::Material, "gob.mat", "12"},           // the mod's archive before the game
        {ResourceKind::Material, "extra.mat", "9"},          // the first entry of the search path wins
        {ResourceKind::Material, "late.mat", "11"},          // a folder entry is a mod's root
        {ResourceKind::Material, "stock.mat", "15"},         // the game has what nothing else has
        {ResourceKind::Material, "nowhere.mat", "-2"},       // the fallback, said to be one
        {ResourceKind::Keyframe, "WALK.KEY", "mod folder"},  // 3do/key of the mod's root
        {ResourceKind::Keyframe, "stock.key", "mod archive"},
        {ResourceKind::Keyframe, "game.key", "game"},
        {ResourceKind::Keyframe, "none.key", "-"},
        {ResourceKind::Puppet, "ship.pup", "mod folder"},  // misc/pup of the mod's root
    };
    for (const auto& c : cases)
        EXPECT_EQ(From(c.kind, c.name), c.from) << c.name;
    // Where it was found; not found, the places are named in their order.
    ExpectSameAsFixture("expected", "searchpath_origin_and_places.txt",
                        FindMaterial(sources, "Mod.mat")->origin + "\n" +
                            FindResource(sources, ResourceKind::Keyframe, "none.key").error() + "\n",
                        dir);

    // A mod's archives are those of the model's folder, and of the mod's root above a
    // 3do/ folder only: the folder above another may hold other mods'.
    EXPECT_EQ(ModArchives(mod / "3do" / "ship.3do"), std::vector<fs::path>{mod / "mod.gob"});
    EXPECT_TRUE(ModArchives(dir / "pack" / "x.3do").empty());
}

// A colormap is a name or a file; one named nowhere gives way to the mod's own (dflt.cmp
// first, wherever in the mod it lies), and only without any to the game's default.
TEST_F(SearchPathTest, AColormapFoundNowhereGivesWayToTheModsOwn)
{
    auto red = [&](std::string_view name) {
        const auto found = FindColormap(sources, name);
        return found ? found->bytes[64] * (found->fallback ? -1 : 1) : 0;
    };
    EXPECT_EQ(red("MODMAP.CMP"), 40);
    EXPECT_EQ(red("01redmap.cmp"), 30);
    EXPECT_EQ(red((mod / "Misc" / "CMP" / "modmap.cmp").string()), 40);  // a file by its path
    EXPECT_EQ(red("no/such/folder/dflt.cmp"), 41);                       // no such file: by its name
    EXPECT_EQ(red("other.cmp"), -41);
    EXPECT_NE(FindColormap(sources, "other.cmp")->origin.find("the mod's dflt.cmp"), std::string::npos);
    sources.modFolders = IndexMod(mod / "Misc" / "CMP" / "x.3do");
    EXPECT_EQ(red("other.cmp"), -40);  // no dflt.cmp here: the mod's first
    sources.modFolders = nullptr;
    sources.searchPath = nullptr;
    EXPECT_EQ(red("other.cmp"), -30);
    sources.catalog = nullptr;
    EXPECT_EQ(red("other.cmp"), 0);
}

// What a model names and nothing holds is listed once each, with where it was looked for.
TEST_F(SearchPathTest, WhatAModelNamesAndNothingHoldsIsListed)
{
    CModel model;
    model.materials = {"custom.mat", "nowhere.mat", "Mod.mat", "NOWHERE.MAT"};
    CPuppetMode mode;
    for (const char* key : {"walk.key", "lost.key", "LOST.KEY"}) {
        mode.items.push_back(CPuppetItem());
        mode.items.back().keyFile = key;
    }
    model.puppetModes.push_back(std::move(mode));
    const MissingResources missing = FindMissingResources(model, sources);
    std::string text = missing.Summary() + "\n";
    for (const auto& line : missing.Lines())
        text += line + "\n";
    ExpectSameAsFixture("expected", "searchpath_missing.txt", text, dir);
}
