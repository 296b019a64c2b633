#include <gtest/gtest.h>

#include <set>

#include "resources/catalog.h"
#include "resources/helpers.h"
#include "resources/sample.h"

using namespace orv;

TEST(Sample, ColormapIsACompleteCmpWithAUsableLightTable)
{
    const auto cmp = MakeSampleColormap();
    ASSERT_EQ(cmp.size(), 17216u);
    EXPECT_EQ(std::vector<uint8_t>(cmp.begin(), cmp.begin() + 12),
              (std::vector<uint8_t>{'C', 'M', 'P', ' ', 30, 0, 0, 0, 0, 0, 0, 0}));
    ColormapData data;
    ASSERT_TRUE(ParseColormap(cmp, data));
    EXPECT_FALSE(data.HasTransparency());
    EXPECT_EQ(data.palette, SamplePalette());
    EXPECT_EQ((std::array<uint8_t, 3>{data.palette[0], data.palette[1], data.palette[2]}), (std::array<uint8_t, 3>{0, 0, 0}));
    std::set<std::array<uint8_t, 3>> distinct;
    for (int i = 0; i < 256; ++i)
        distinct.insert({data.palette[i * 3], data.palette[i * 3 + 1], data.palette[i * 3 + 2]});
    EXPECT_GT(distinct.size(), 240u);

    auto brightness = [&](int index) {
        return data.palette[index * 3] + data.palette[index * 3 + 1] + data.palette[index * 3 + 2];
    };
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(data.lightTable[63 * 256 + i], i);  // full light
        // Less light never makes a colour brighter.
        for (int row = 1; row < 64; ++row)
            EXPECT_LE(brightness(data.lightTable[(row - 1) * 256 + i]), brightness(data.lightTable[row * 256 + i]) + 12)
                << i << " row " << row;
    }
    EXPECT_LT(brightness(data.lightTable[255]), brightness(255) / 8);  // row 0 is nearly dark
}

TEST(Sample, MaterialsAreValid64SquareTexturesWithDetail)
{
    const auto mats = MakeSampleMaterials();
    std::set<std::string> names;
    for (const auto& m : mats) {
        names.insert(m.name);
        MaterialImage img;
        std::string err;
        ASSERT_EQ(ConvertMat(m.bytes, SamplePalette(), img, &err), MatStatus::Ok) << m.name << ": " << err;
        if (m.name == "flatred.mat") {
            EXPECT_EQ(m.bytes.size(), 100u);
            continue;
        }
        EXPECT_EQ(m.bytes.size(), 76u + 40 + 24 + 64 * 64) << m.name;
        EXPECT_EQ(img.width, 64);
        EXPECT_EQ(img.height, 64);
        const std::set<uint8_t> used(img.pixels.begin(), img.pixels.end());
        EXPECT_GE(used.size(), 2u) << m.name;
        if (m.name == "gradient.mat") {  // bright at the top
            EXPECT_GT(img.pixels[0], img.pixels[63 * 64]);
        }
    }
    for (const char* n : {"dflt.mat", "00cab02.mat", "checker.mat", "bricks.mat", "gradient.mat", "noise.mat"})
        EXPECT_EQ(names.count(n), 1u) << n;
    EXPECT_EQ(names.size(), mats.size());
    // Deterministic: the build makes the same archive every time.
    EXPECT_EQ(MakeSampleMaterials()[3].bytes, mats[3].bytes);
}

TEST(Sample, ArchiveOfTheSamplesServesAsTheGameResources)
{
    orvtest::TempDir dir;
    ASSERT_TRUE(WriteArchive(dir / "res2.gob", SampleResourceEntries()));
    LocateOptions opts;
    opts.sampleArchive = dir / "res2.gob";
    ResourceCatalog cat;
    const LocateResult r = LocateResources(0, opts, cat);
    EXPECT_TRUE(r.usingSample);
    EXPECT_EQ(cat.colormaps.Count(), 2u);
    EXPECT_EQ(cat.materials.Count(), MakeSampleMaterials().size());
    // A model's unknown material shows the fallback texture through the default colormap.
    const auto img = ResolveMaterialImage(cat, r.resourceFile, nullptr, "crate.mat", "dflt.cmp");
    ASSERT_TRUE(img);
    EXPECT_EQ(img->width, 64);
    EXPECT_EQ(img->Rgb(img->pixels[0]), (std::array<uint8_t, 3>{SamplePalette()[img->pixels[0] * 3],
                                                                 SamplePalette()[img->pixels[0] * 3 + 1],
                                                                 SamplePalette()[img->pixels[0] * 3 + 2]}));
}
