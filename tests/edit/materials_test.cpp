#include <gtest/gtest.h>

#include "edit/materials.h"
#include "resources/bitmap.h"
#include "resources/catalog.h"
#include "resources/sample.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;

namespace {

std::vector<int32_t> FaceMaterials(const CModel& m)
{
    std::vector<int32_t> out;
    for (const auto& g : m.geosets)
        for (const auto& mesh : g.meshes)
            for (const auto& f : mesh.faces)
                out.push_back(f.material);
    return out;
}

}  // namespace

TEST(Materials, NamesAreAddedOnceAndDeletingRenumbersTheFaces)
{
    CModel m;
    m.materials = {"a.mat", "B.mat", "c.mat"};
    EXPECT_EQ(AddModelMaterialName(m, "b.MAT"), 1u);
    EXPECT_EQ(AddModelMaterialName(m, "d.mat"), 3u);

    // Two geometry sets whose faces use the materials given.
    for (const auto& faces : {std::vector<int>{0, 1, 2, 3, -1}, std::vector<int>{3, 1, 2}}) {
        CMesh& mesh = m.geosets.emplace_back().meshes.emplace_back();
        for (const int material : faces) {
            mesh.faces.emplace_back().material = material;
        }
    }
    EXPECT_EQ(CountFacesWithMaterial(m, 3), 2u);
    PutCustomMaterial(m.customMaterials, "b.mat", MakeColorMat(1));
    ASSERT_TRUE(DeleteModelMaterial(m, 1));
    EXPECT_EQ(m.materials, (std::vector<std::string>{"a.mat", "c.mat", "d.mat"}));
    // Every face still names the material it named before; the custom material went too.
    EXPECT_EQ(FaceMaterials(m), (std::vector<int32_t>{0, -1, 1, 2, -1, 2, -1, 1}));
    EXPECT_EQ(m.customMaterials.Count(), 0u);
    EXPECT_FALSE(DeleteModelMaterial(m, 3));
}

TEST(Materials, CustomMaterialOffsetsAreRunningSums)
{
    SortedEntryList t;
    PutCustomMaterial(t, "b.mat", std::vector<uint8_t>(10));
    PutCustomMaterial(t, "a.mat", std::vector<uint8_t>(7));
    PutCustomMaterial(t, "c.mat", std::vector<uint8_t>(3));
    EXPECT_EQ(std::tuple(t.At(0).name, t.At(1).offset, t.At(2).offset), std::tuple(std::string("a.mat"), 7u, 17u));
    // Replacing (whatever the case) keeps one entry and moves the offsets behind it.
    PutCustomMaterial(t, "A.MAT", std::vector<uint8_t>(1));
    ASSERT_EQ(t.Count(), 3u);
    EXPECT_EQ(t.At(0).name, "A.MAT");
    EXPECT_EQ(std::tuple(t.At(0).size, t.At(1).offset, t.At(2).offset), std::tuple(1u, 1u, 11u));
    EXPECT_TRUE(RemoveCustomMaterial(t, "b.mat"));
    EXPECT_EQ(t.At(1).offset, 1u);
}

TEST(Materials, FilesBecomeCustomMaterials)
{
    TempDir dir;
    // 3 x 2 pixels, index 1 (the first pixel) a red.
    const auto bmp = Fixture("bmp", "paletted_3x2_top_row_last.bmp");
    std::filesystem::copy_file(bmp, dir / "Crate.Final.BMP");
    MaterialImage img;
    ASSERT_TRUE(Into(ReadBmp(Slurp(bmp)), img));
    Palette target{};
    target[3 * 7] = 255;  // entry 7: pure red, the nearest
    MaterialFile read;
    ASSERT_TRUE(Into(ReadMaterialFile(dir / "Crate.Final.BMP", &target), read));
    const auto& [name, bytes] = read;
    EXPECT_EQ(name, "crate.mat");
    MaterialImage expected = img;
    RemapToPalette(expected, target);
    ASSERT_EQ(expected.pixels[0], 7);
    EXPECT_EQ(bytes, MakeMat(expected));
    // Without a palette the bitmap keeps its indices.
    ASSERT_TRUE(Into(ReadMaterialFile(dir / "Crate.Final.BMP", nullptr), read));
    EXPECT_EQ(bytes, MakeMat(img));

    // The last extension tells the kind: a material whose name holds ".bmp" is taken whole.
    Spit(dir / "Flat.BMP.MAT", MakeColorMat(4));
    ASSERT_TRUE(Into(ReadMaterialFile(dir / "Flat.BMP.MAT", nullptr), read));
    EXPECT_EQ(std::pair(name, bytes), std::pair(std::string("flat.bmp.mat"), MakeColorMat(4)));

    // Files that are not what their names say are refused with a reason.
    Spit(dir / "junk.mat", Bytes("junk"));
    Spit(dir / "bad.bmp", Bytes("XX not a bitmap"));
    Spit(dir / "flat.mat.bmp", MakeColorMat(4));
    for (const char* bad : {"junk.mat", "bad.bmp", "flat.mat.bmp", "missing.mat"}) {
        const auto refused = ReadMaterialFile(dir / bad, nullptr);
        EXPECT_FALSE(refused) << bad;
        EXPECT_FALSE(refused.error().empty()) << bad;
    }
}

TEST(Materials, ConvertCopiesTheUsedStockMaterials)
{
    TempDir dir;
    ASSERT_TRUE(WriteArchive(dir / "res2.gob", SampleResourceEntries()));
    ResourceCatalog catalog;
    ASSERT_TRUE(LoadCatalog(dir / "res2.gob", catalog));
    CModel m;
    m.materials = {"WOOD.mat", "metal.mat", "custom.mat", "nowhere.mat", "wood.mat"};
    PutCustomMaterial(m.customMaterials, "custom.mat", MakeColorMat(2));
    PutCustomMaterial(m.customMaterials, "Metal.mat", MakeColorMat(3));
    std::size_t converted = 0;
    ASSERT_TRUE(Into(ConvertStockMaterials(m, catalog, dir / "res2.gob"), converted));
    EXPECT_EQ(converted, 1u);  // wood once; metal is custom already
    ASSERT_EQ(m.customMaterials.Count(), 3u);
    EXPECT_EQ(m.customMaterials.At(2).name, "wood.mat");
    EXPECT_EQ(m.customMaterials.At(2).data, Bytes(ArchiveItem(dir / "res2.gob", "3do\\mat\\wood.mat")));
    EXPECT_EQ(m.customMaterials.At(1).data, MakeColorMat(3));
    EXPECT_EQ(m.customMaterials.At(2).offset, m.customMaterials.At(0).size + m.customMaterials.At(1).size);

    // A resource file that cannot be read changes nothing.
    CModel m2;
    m2.materials = {"wood.mat"};
    EXPECT_FALSE(ConvertStockMaterials(m2, catalog, dir / "gone.gob"));
    EXPECT_EQ(m2.customMaterials.Count(), 0u);
}
