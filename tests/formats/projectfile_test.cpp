#include <gtest/gtest.h>

#include <algorithm>

#include "formats/projectfile.h"
#include "formats/samplemodel.h"
#include "model/corners.h"
#include "test_util.h"

using namespace orv;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Slice(const Bytes& b, std::size_t from, std::size_t n)
{
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(from + n));
}

// The sample walker (64 x 64 textures) with a value other than the default in every part
// of the layout.
std::unique_ptr<CModel> Populated()
{
    auto m = MakeSampleModel();
    for (auto& mesh : m->geosets[0].meshes)
        for (auto& f : mesh.faces)
            std::tie(f.uScale, f.vScale) = std::make_tuple(2.0f, 3.0f);
    m->insertOffset = {1, 2, 3};
    m->nodes[1].rotation = {10, 0, 5};
    m->RebuildHierarchy();
    m->puppetModes[0].items[0].flags = 0x28;
    m->bookmarks.push_back(CameraBookmark());
    // The second object of a class is stored as a reference to the class.
    orvtest::AddItem(m->customMaterials, "crate.mat", {1, 2, 3});
    orvtest::AddItem(m->customMaterials, "two.mat", {0xAB, 0xCD}, 2);
    m->currentSubMode = 1;
    return m;
}

const CameraState kCamera{{1, 2, 3}, {0, 0, 1}, {0, 1, 0}};

}  // namespace

TEST(ProjectFile, StringAndCountLengthForms)
{
    ArchiveWriter w;
    for (auto [n, c] : {std::pair{254, 'a'}, {255, 'b'}, {65533, 'c'}, {65534, 'd'}})
        w.String(std::string(static_cast<std::size_t>(n), c));
    const Bytes& b = w.Bytes();
    EXPECT_EQ(b[0], 254);
    EXPECT_EQ(Slice(b, 255, 3), (Bytes{0xFF, 0xFF, 0x00}));
    EXPECT_EQ(Slice(b, 513, 3), (Bytes{0xFF, 0xFD, 0xFF}));
    EXPECT_EQ(Slice(b, 66049, 7), (Bytes{0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(b.size(), 66049u + 7 + 65534);
    ArchiveReader r(b.data(), b.size());
    EXPECT_EQ(r.String(), std::string(254, 'a'));
    EXPECT_EQ(r.String(), std::string(255, 'b'));
    EXPECT_EQ(r.String().size(), 65533u);
    EXPECT_EQ(r.String().size(), 65534u);

    // Counts: 65534 fits the short form; 65535 takes the escape and a 32-bit count.
    CModel m;
    m.materials.assign(65534, "");
    EXPECT_EQ(Slice(SaveProject(m, {}), 97, 2), (Bytes{0xFE, 0xFF}));
    m.materials.assign(65535, "");
    const Bytes large = SaveProject(m, {});
    EXPECT_EQ(Slice(large, 97, 6), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
    auto back = LoadProject(large.data(), large.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->model->materials.size(), 65535u);
}

TEST(ProjectFile, LoadingKeepsEveryStoredField)
{
    auto m = Populated();
    const Bytes first = SaveProject(*m, kCamera);
    auto loaded = LoadProject(first.data(), first.size());
    ASSERT_TRUE(loaded) << loaded.error();
    const CameraState cam = loaded->camera;
    auto back = std::move(loaded->model);
    // Saved again, the loaded model gives the same bytes: the load lost nothing.
    BuildFaceCorners(*back, [](const std::string&) { return TextureSize{64, 64}; });
    EXPECT_EQ(SaveProject(*back, cam), first);
    // What was put in came out (the line above alone would pass a writer that drops a field).
    EXPECT_EQ(std::tie(cam.eye, cam.up, back->insertOffset, back->currentSubMode),
              std::tie(kCamera.eye, kCamera.up, m->insertOffset, m->currentSubMode));
    EXPECT_EQ(std::tie(back->version3do, back->materials, back->nodes[1].name, back->puppetModes[0].items[1].keyFile),
              std::tie(m->version3do, m->materials, m->nodes[1].name, m->puppetModes[0].items[1].keyFile));
    EXPECT_EQ(back->nodes[1].poses[0], m->nodes[1].poses[0]);
    EXPECT_EQ(back->puppetModes[0].items[0].flags, 0x28u);
    EXPECT_EQ(back->bookmarks.size(), 1u);
    ASSERT_EQ(back->customMaterials.Count(), 2u);
    EXPECT_EQ(back->customMaterials.At(0).data, (Bytes{1, 2, 3}));
    EXPECT_EQ(std::tie(back->customMaterials.At(1).shortName, back->customMaterials.At(1).offset,
                       back->customMaterials.At(1).data),
              std::make_tuple(std::string("two.mat"), 2u, Bytes{0xAB, 0xCD}));
    EXPECT_EQ(back->geosets[0].meshes[1].faces[0].uScale, 2.0f);
    // Saved lists are sorted and de-duplicated.
    const CMesh& head = back->geosets[0].meshes[1];
    ASSERT_EQ(head.vertices.size(), 8u);
    EXPECT_EQ(head.vertices[0].Position(), Vec3(-0.0175f, 0.0f, -0.0175f));
    EXPECT_EQ(head.vertices[7].Position(), Vec3(0.0175f, 0.035f, 0.0175f));
}

TEST(ProjectFile, CorruptFilesAreRefusedCleanly)
{
    auto m = Populated();
    const Bytes good = SaveProject(*m, {});
    // A wrong class name is refused.
    Bytes wrong = good;
    const auto pos = std::search(wrong.begin(), wrong.end(), std::begin("CTreeObject"), std::end("CTreeObject") - 1);
    ASSERT_NE(pos, wrong.end());
    *pos = 'X';
    const auto misnamed = LoadProject(wrong.data(), wrong.size());
    EXPECT_FALSE(misnamed);
    EXPECT_NE(misnamed.error().find("XTreeObject"), std::string::npos);
    // A count that promises billions of vertices is refused before allocating.
    const Bytes huge = orvtest::Slurp(orvtest::Fixture("orv", "vertex_count_past_end.orv"));
    const auto overlong = LoadProject(huge.data(), huge.size());
    EXPECT_FALSE(overlong);
    EXPECT_NE(overlong.error().find("larger than the rest"), std::string::npos);
}

TEST(ProjectFile, JointLinesTravelInATrailerOnlyWhenPresentAndEveryCutFails)
{
    auto plain = Populated(), withJoints = Populated();
    withJoints->puppetJoints = {"0\t4", std::string(300, 'j')};
    const Bytes without = SaveProject(*plain, kCamera), with = SaveProject(*withJoints, kCamera);
    auto joints = [](const Bytes& b) {
        auto loaded = LoadProject(b.data(), b.size());
        EXPECT_TRUE(loaded);
        if (!loaded)
            return std::vector<std::string>{"<refused>"};
        return loaded->model->puppetJoints;
    };
    EXPECT_TRUE(joints(without).empty());
    // The same bytes, then the trailer.
    EXPECT_EQ(Slice(with, 0, without.size()), without);
    EXPECT_EQ(Slice(with, without.size(), 4), Bytes({'O', 'R', 'V', 'X'}));
    EXPECT_EQ(joints(with), withJoints->puppetJoints);

    // A later version's additions after the joint lines are passed over.
    Bytes later = with;
    later[without.size() + 4] = 2;
    later.insert(later.end(), {9, 9, 9});
    EXPECT_EQ(joints(later), withJoints->puppetJoints);
    // Bytes after the camera that are not a trailer are ignored.
    Bytes foreign = without;
    foreign.insert(foreign.end(), {'X', 'Y', 'Z', 'W', 1, 2});
    EXPECT_TRUE(joints(foreign).empty());
    // Every cut but the one at the trailer, even one inside its magic, fails with a reason;
    // none crashes or half-loads.
    for (std::size_t n = 0; n < with.size(); ++n) {
        if (n == without.size())
            continue;
        const auto cut = LoadProject(with.data(), n);
        EXPECT_FALSE(cut) << "loaded from the first " << n << " bytes";
        EXPECT_FALSE(cut.error().empty());
    }
    // Version 0 is no version.
    Bytes zero = with;
    zero[without.size() + 4] = 0;
    EXPECT_FALSE(LoadProject(zero.data(), zero.size()));

    // Snapshots hold the model part alone.
    ArchiveWriter a, b;
    StoreModel(a, *plain);
    StoreModel(b, *withJoints);
    EXPECT_EQ(a.Bytes(), b.Bytes());
}
