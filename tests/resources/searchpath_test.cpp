#include <gtest/gtest.h>

#include "resources/catalog.h"
#include "resources/helpers.h"
#include "resources/searchpath.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;
namespace fs = std::filesystem;

namespace {

void Put(const fs::path& file, const std::vector<uint8_t>& bytes)
{
    fs::create_directories(file.parent_path());
    ASSERT_TRUE(WriteFileAtomic(file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
}

std::vector<uint8_t> Cmp(uint8_t firstRed)
{
    std::vector<uint8_t> c(17216, 0);
    c[64] = firstRed;
    return c;
}

}  // namespace

// Each place is asked in turn: the catalogue, the custom materials, the mod's folders
// around the model (nearest first), the search path's entries in their order, and
// last the catalogue's fallback. Names and the mod's folder names ignore case.
TEST(SearchPath, PlacesAreAskedInOrderAndNamesIgnoreCase)
{
    TempDir dir;
    const fs::path gob = dir / "res.gob";
    ASSERT_TRUE(WriteArchive(gob, {{"3do\\mat\\stock.mat", MakeColorMat(1)},
                                   {"3do\\mat\\00cab02.mat", MakeColorMat(2)},
                                   {"misc\\cmp\\01redmap.cmp", Cmp(30)}}));
    ResourceCatalog catalog;
    ASSERT_TRUE(LoadCatalog(gob, catalog));
    CTree custom;
    for (auto [name, index] : {std::pair{"custom.mat", 3}, std::pair{"stock.mat", 4}}) {
        auto e = std::make_unique<CTreeObject>(name, 0, 0);
        e->data = MakeColorMat(static_cast<uint8_t>(index));
        custom.Add(std::move(e));
    }
    const fs::path mod = dir / "mymod";
    Put(mod / "3do" / "BESIDE.MAT", MakeColorMat(5));
    Put(mod / "Mat" / "mod.mat", MakeColorMat(6));
    Put(mod / "Mat" / "custom.mat", MakeColorMat(6));
    Put(mod / "3do" / "mat" / "mod.mat", MakeColorMat(7));
    Put(mod / "Misc" / "CMP" / "modmap.cmp", Cmp(40));
    const fs::path extra = dir / "extra.gob";
    ASSERT_TRUE(WriteArchive(extra, {{"mat\\mod.mat", MakeColorMat(8)}, {"mat\\extra.mat", MakeColorMat(9)}}));
    Put(dir / "pack" / "mat" / "extra.mat", MakeColorMat(10));
    Put(dir / "pack" / "late.mat", MakeColorMat(11));

    ResourceSearchPath path;
    EXPECT_TRUE(path.Set({extra.string(), (dir / "pack").string(), (dir / "missing.gob").string()}).size() == 1);
    ResourceSources sources;
    sources.catalog = &catalog;
    sources.resourceFile = gob;
    sources.customMaterials = &custom;
    sources.modFolders = IndexModFolders(mod / "3do" / "ship.3do");
    sources.searchPath = &path;

    auto from = [&](std::string_view name) -> int {
        const auto found = FindMaterial(sources, name);
        if (!found)
            return -1;
        for (int i = 0; i < 16; ++i)
            if (found->bytes == MakeColorMat(static_cast<uint8_t>(i)))
                return found->fallback ? -i : i;
        return -100;
    };
    EXPECT_EQ(from("STOCK.MAT"), 1);   // the catalogue hides a custom material of its name
    EXPECT_EQ(from("custom.mat"), 3);  // a custom material hides the mod's
    EXPECT_EQ(from("beside.mat"), 5);
    EXPECT_EQ(from("Mod.Mat"), 7);       // 3do/mat beside the model before ../Mat
    EXPECT_EQ(from("extra.mat"), 9);     // the first entry of the search path wins
    EXPECT_EQ(from("late.mat"), 11);     // a folder entry is a mod's root
    EXPECT_EQ(from("nowhere.mat"), -2);  // the fallback, said to be one
    EXPECT_NE(FindMaterial(sources, "Mod.mat")->origin.find((mod / "3do" / "mat").string()), std::string::npos);

    const auto cmp = FindColormap(sources, "MODMAP.CMP");
    ASSERT_TRUE(cmp);
    EXPECT_EQ(cmp->bytes[64], 40);
    EXPECT_EQ(FindColormap(sources, "01redmap.cmp")->bytes[64], 30);
    EXPECT_TRUE(FindColormap(sources, "other.cmp")->fallback);
}
