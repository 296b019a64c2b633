#include <gtest/gtest.h>

#include <set>

#include "resources/catalog.h"
#include "resources/sample.h"
#include "test_util.h"

using namespace orv;

TEST(Sample, ColormapIsACompleteCmpWithAUsableLightTable)
{
    ColormapData data;
    ASSERT_TRUE(orvtest::Into(ParseColormap(MakeSampleColormap()), data));
    ASSERT_EQ(data.transparencyTable.size(), kTransparencyTableSize);
    EXPECT_EQ(data.palette, SamplePalette());
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
    // A colour over itself stays itself (near enough); over black it is darker.
    for (int i : {17, 128, 255}) {
        EXPECT_NEAR(brightness(data.transparencyTable[i * 256 + i]), brightness(i), 12) << i;
        EXPECT_LT(brightness(data.transparencyTable[i * 256 + 0]), brightness(i) * 3 / 4 + 12) << i;
    }
}

TEST(Sample, MaterialsAreValidTextures)
{
    const auto mats = MakeSampleMaterials();
    std::set<std::string> names;
    for (const auto& m : mats) {
        names.insert(m.name);
        const auto converted = ConvertMat(m.bytes, SamplePalette());
        ASSERT_TRUE(orvtest::Ok(converted)) << m.name;
        const MaterialImage& img = *converted;
        if (m.name != "flatred.mat") {
            EXPECT_EQ(std::tie(img.width, img.height), std::make_tuple(64, 64)) << m.name;
            EXPECT_GE(std::set<uint8_t>(img.pixels.begin(), img.pixels.end()).size(), 2u) << m.name;
        }
    }
    for (const char* n : {"dflt.mat", "00cab02.mat"})
        EXPECT_EQ(names.count(n), 1u) << n;
    EXPECT_EQ(names.size(), mats.size());
    EXPECT_EQ(MakeSampleMaterials()[3].bytes, mats[3].bytes);  // the same archive at every build
}
