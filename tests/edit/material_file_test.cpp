// A file loaded as a custom material is a bitmap or a MAT by its kind, as every file is.
#include <gtest/gtest.h>

#include <filesystem>

#include "edit/materials.h"
#include "test_util.h"

using namespace orv;

TEST(MaterialFile, AMaterialWhoseNameHoldsBmpIsStillAMaterial)
{
    orvtest::TempDir tmp;
    const auto mat = orvtest::Slurp(orvtest::Fixture("mat", "small.mat"));
    ASSERT_FALSE(mat.empty());
    orvtest::Spit(tmp / "Crate.BMP.mat", mat);
    const auto read = ReadMaterialFile(tmp / "Crate.BMP.mat", nullptr);
    ASSERT_TRUE(orvtest::Ok(read));
    EXPECT_EQ(read->name, "crate.bmp.mat");
    EXPECT_EQ(read->bytes, mat) << "the material was not taken whole";

    // And a bitmap whose name holds ".mat" is a bitmap.
    orvtest::Spit(tmp / "wall.mat.bmp", mat);
    const auto bitmap = ReadMaterialFile(tmp / "wall.mat.bmp", nullptr);
    EXPECT_FALSE(bitmap) << "wall.mat.bmp was read as a MAT, not as a bitmap";
}
