#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <tuple>

#include "interchange/file_frame.h"
#include "interchange/interchange.h"
#include "interchange/textures.h"
#include "model/fileio.h"
#include "resources/material.h"
#include "resources/png.h"
#include "support/model_builder.h"
#include "test_util.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

struct Box {
    Vec3 lo = Vec3(1, 1, 1) * std::numeric_limits<float>::max(), hi = lo * -1.0f;
};

// Every vertex placed by its node and the nodes above it, in the model's axes (y up).
Box WorldBox(const CModel& model)
{
    Box box;
    for (const auto& node : model.nodes) {
        if (node.mesh < 0)
            continue;
        for (const auto& v : model.geosets[0].meshes[static_cast<std::size_t>(node.mesh)].vertices) {
            Vec3 p = v.Position();
            for (int32_t n = static_cast<int32_t>(&node - model.nodes.data()); n >= 0;) {
                const C3doNode& at = model.nodes[static_cast<std::size_t>(n)];
                p = TransformPoint(p, PoseMatrix(at.rotation, at.position));
                n = at.parent;
            }
            box.lo = Minimize(box.lo, p);
            box.hi = Maximize(box.hi, p);
        }
    }
    return box;
}

// The import of a file as its box in the model's axes (y up) to a ten-thousandth, the
// nodes it turned and its notes.
std::string Frame(const std::string& label, const Result<ImportReport>& imported)
{
    if (!imported)
        return label + ": " + imported.error() + "\n";
    const Box box = WorldBox(*imported->model);
    const auto& nodes = imported->model->nodes;
    const auto turned =
        std::count_if(nodes.begin(), nodes.end(), [](const C3doNode& n) { return Length(n.rotation) > 1e-4f; });
    // Rounded, and -0 made 0.
    auto at = [](float v) { return std::round(double(v) * 1e4) / 1e4 + 0.0; };
    char line[200];
    std::snprintf(line, sizeof line, ": from (%.4f %.4f %.4f) to (%.4f %.4f %.4f), %d nodes turned\n", at(box.lo.x),
                  at(box.lo.y), at(box.lo.z), at(box.hi.x), at(box.hi.y), at(box.hi.z), int(turned));
    std::string text = label + line;
    for (const std::string& note : imported->notes)
        text += "  " + note + "\n";
    return text;
}

}  // namespace

// A 2 m cube and a post 2 m tall on the ground, written as Blender, a z-up FBX tool,
// Collada and 3DS write them, all arrive 2 m across or tall, the post along the model's
// y; the unit is no node's scale of its own, the axes no node's turn. Blender's FBX holds
// numbers in metres, the unit centimetres, the object scaled 100. A scale asked for is
// applied after the unit. A file that states its axes ignores the user's choice of z up,
// and says so; a PLY file, which states none, lies on its side unless z up is chosen, and
// then its -y (a z-up tool's front) is the model's +z, as a y-up tool's front is.
TEST(ImportFrame, StatedUnitsAndAxesStandUpInMetresAndOnlyFilesStatingNoneTakeTheUpAxisChoice)
{
    ImportOptions half;
    half.scale = 0.5f;
    ImportOptions zUp;
    zUp.up = UpAxis::Z;
    std::string text;
    for (const auto& [file, options, label] : {std::tuple{"cube_2m_blender_centimetres.fbx", ImportOptions{}, ""},
                                               {"cube_2m_blender_centimetres.fbx", half, ", scale 0.5"},
                                               {"cube_2m_unit_metres.fbx", ImportOptions{}, ""},
                                               {"post_2m_zup_centimetres.fbx", ImportOptions{}, ""},
                                               {"post_2m_zup_centimetres.fbx", zUp, ", z up"},
                                               {"post_2m_zup_centimetres.dae", ImportOptions{}, ""},
                                               {"post_2m_zup_centimetres.dae", zUp, ", z up"},
                                               {"post_2m_zup.3ds", ImportOptions{}, ""},
                                               {"post_2m_zup.3ds", zUp, ", z up"},
                                               {"post_2m_zup.ply", ImportOptions{}, ""},
                                               {"post_2m_zup.ply", zUp, ", z up"}})
        text += Frame(std::string(file) + label, ImportModel(orvtest::Fixture("import", file), options));
    const auto shifted =
        orvtest::Replaced(orvtest::FixtureText("import", "post_2m_zup.ply"), "-0.1 -0.1 0\n", "-0.1 -0.3 0\n");
    text += Frame("post_2m_zup.ply, its corner at y -0.3, z up",
                  ImportModelFromMemory(orvtest::ByteSpan(shifted), "ply", zUp));
    orvtest::ExpectSameAsFixture("expected", "import_frames.txt", text);

    // Turned to stand, the post's faces still face out.
    const auto standing = ImportModel(orvtest::Fixture("import", "post_2m_zup.ply"), zUp);
    ASSERT_TRUE(orvtest::Ok(standing));
    for (const auto& mesh : standing->model->geosets[0].meshes)
        for (const auto& face : mesh.faces)
            EXPECT_GT(Dot(face.normal, face.Centroid() - Vec3(0.0f, 1.0f, 0.0f)), 0.0f);
}

TEST(ImportFrame, AxisSystemsAndUnitNames)
{
    // Axes as (up, its sign, front, its sign, right, its sign). Up z, front -y: (x, y, z)
    // becomes (x, z, -y).
    EXPECT_EQ(AxesToYUp({2, 1, 1, -1, 0, 1}), (Matrix3d{{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}}));
    EXPECT_EQ(*AxesToYUp({}), (Matrix3d{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}));
    // A left-handed set would mirror the model; two axes alike are no set.
    EXPECT_FALSE(AxesToYUp({1, 1, 2, -1, 0, 1}).has_value());
    EXPECT_FALSE(AxesToYUp({1, 1, 1, 1, 0, 1}).has_value());

    EXPECT_EQ(UnitName(0.0254), "inches");
    EXPECT_EQ(UnitName(0.5), "units of 0.5 m");
}

class ImportTextureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Index 0 is pure red, index 1 nearly so: an opaque red pixel must not take 0.
        palette_.fill(128);
        palette_[0] = 255, palette_[1] = 0, palette_[2] = 0;
        palette_[3] = 250, palette_[4] = 0, palette_[5] = 0;
        palette_[6] = 0, palette_[7] = 0, palette_[8] = 255;
    }
    // A quad textured with the picture file; its one custom material.
    std::vector<uint8_t> ImportQuad(const std::string& picture, std::vector<std::string>* notes = nullptr)
    {
        EXPECT_TRUE(orvtest::Ok(WriteFileAtomic(dir_ / "quad.mtl", "newmtl Leaf\nmap_Kd " + picture + "\n")));
        EXPECT_TRUE(orvtest::Ok(
            WriteFileAtomic(dir_ / "quad.obj",
                            "mtllib quad.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                            "usemtl Leaf\nf 1/1 2/2 3/3 4/4\n")));
        ImportOptions options;
        options.palette = &palette_;
        auto imported = ImportModel(dir_ / "quad.obj", options);
        EXPECT_TRUE(orvtest::Ok(imported));
        if (!imported || imported->model->customMaterials.Count() != 1)
            return {};
        if (notes)
            *notes = imported->notes;
        quad_ = std::move(imported->model);
        return quad_->customMaterials.At(0).data;
    }
    std::unique_ptr<CModel> quad_;  // the quad imported last

    orvtest::TempDir tmp_;
    const fs::path& dir_ = tmp_.path;
    Palette palette_{};
};

// Pictures of every kind (PNG, TGA stored bottom row first, bitmaps of 24 and 32 bits)
// become materials: sides made powers of two, pixels under half alpha the transparent
// colour 0, the rest off it, and the notes say which have see-through pixels.
TEST_F(ImportTextureTest, PicturesBecomeMaterialsTheirSeeThroughPixelsTheTransparentColour)
{
    std::string text;
    for (const auto& [kind, name] : {std::pair{"picture", "red_left_see_through_right.png"},
                                     {"picture", "red_top_see_through_right_bottom_up.tga"},
                                     {"bmp", "rgb24_bottom_up_odd_width.bmp"},
                                     {"bmp", "bitfields32_alpha.bmp"}}) {
        std::vector<std::string> notes;
        const auto image = ConvertMat(ImportQuad(orvtest::Fixture(kind, name).string(), &notes), palette_);
        ASSERT_TRUE(orvtest::Ok(image)) << name;
        text += std::string(name) + ": " + std::to_string(image->width) + " x " + std::to_string(image->height) +
                (image->transparent ? ", transparent:" : ":");
        for (const uint8_t p : image->pixels)
            text += " " + std::to_string(p);
        for (const std::string& note : notes)
            text += "\n  " + note;
        text += "\n";
    }
    orvtest::ExpectSameAsFixture("expected", "import_pictures.txt", text);

    // Opaque: no flag, and red is index 0 again, byte for byte the old material.
    std::vector<uint8_t> rgba;
    for (int i = 0; i < 8; ++i)
        rgba.insert(rgba.end(), {255, 0, 0, uint8_t(i < 4 ? 255 : 128)});
    ASSERT_TRUE(orvtest::Ok(WritePng(dir_ / "opaque.png", 4, 2, rgba)));
    const auto opaque = ImportQuad("opaque.png");
    EXPECT_EQ(opaque, MakeMat(RemapRgba(RgbaPicture{4, 2, rgba}, palette_)));
}

// A TGA's see-through pixels go out to glTF as holes (alpha 0, mode MASK), so that they
// come back transparent.
TEST_F(ImportTextureTest, SeeThroughTgaGoesOutMaskedAndComesBack)
{
    const auto mat = ImportQuad(orvtest::Fixture("picture", "red_top_see_through_right_bottom_up.tga").string());
    const auto image = ConvertMat(mat, palette_);
    ASSERT_TRUE(orvtest::Ok(image));
    ExportOptions out;
    out.materialImage = [&](const std::string&) { return ConvertMat(mat, palette_); };
    ASSERT_TRUE(orvtest::Ok(ExportModel(*quad_, dir_ / "quad.glb", out)));
    EXPECT_NE(orvtest::SlurpText(dir_ / "quad.glb").find("\"alphaMode\":\"MASK\""), std::string::npos);
    ImportOptions options;
    options.palette = &palette_;
    const auto back = ImportModel(dir_ / "quad.glb", options);
    ASSERT_TRUE(orvtest::Ok(back));
    ASSERT_EQ(back->model->customMaterials.Count(), 1u);
    const auto again = ConvertMat(back->model->customMaterials.At(0).data, palette_);
    ASSERT_TRUE(orvtest::Ok(again));
    EXPECT_TRUE(again->transparent);
    EXPECT_EQ(again->pixels, image->pixels);
}
