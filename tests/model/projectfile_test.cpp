#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "model/corners.h"
#include "model/projectfile.h"

using namespace orv;

namespace {

using Bytes = std::vector<uint8_t>;

void Append(Bytes& b, std::initializer_list<int> v)
{
    for (int x : v)
        b.push_back(static_cast<uint8_t>(x));
}

void AppendFloat(Bytes& b, float f)
{
    uint8_t raw[4];
    std::memcpy(raw, &f, 4);
    b.insert(b.end(), raw, raw + 4);
}

Bytes Zeros(std::size_t n) { return Bytes(n, 0); }

Bytes& operator+=(Bytes& a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The identity matrix as 64 little-endian bytes.
Bytes IdentityBytes()
{
    Bytes b;
    for (int i = 0; i < 16; ++i)
        AppendFloat(b, (i % 5 == 0) ? 1.0f : 0.0f);
    return b;
}

std::unique_ptr<CMesh> Quad(const std::string& name, float x0)
{
    auto m = std::make_unique<CMesh>();
    m->name = name;
    auto f = std::make_unique<CFace>();
    f->textureWidth = f->textureHeight = 1;
    f->material = 0;
    auto c = [&](float x, float y, float u, float v) {
        VertexRecord r;
        r.x = x;
        r.y = y;
        r.u = u;
        r.v = v;
        return r;
    };
    // Corners unsorted so that the save's rebuild has something to sort.
    f->corners = {c(x0 + 1, 1, 1, 1), c(x0, 1, 0, 1), c(x0, 0, 0, 0), c(x0 + 1, 0, 1, 0)};
    m->faces.push_back(std::move(f));
    return m;
}

CModel& Populate(CModel& m)
{
    m.version3do = "2.1";
    m.radius = 1.5f;
    m.insertOffset = {1, 2, 3};
    m.materials = {"a.mat", "b.mat"};
    auto g = std::make_unique<CGeometry>();
    g->meshes.push_back(Quad("body", 0));
    g->meshes.push_back(Quad("head", 5));
    m.geosets.push_back(std::move(g));
    for (int i = 0; i < 2; ++i) {
        auto n = std::make_unique<C3doNode>();
        n->name = "node" + std::to_string(i);
        n->mesh = i;
        n->rotation = {10.0f * static_cast<float>(i), 0, 5};
        m.nodes.push_back(std::move(n));
    }
    m.nodes[0]->child = 1;
    m.RebuildHierarchy();
    auto mode = std::make_unique<CPuppetMode>();
    mode->comment = "# default";
    auto item = std::make_unique<CPuppetItem>();
    item->name = "stand";
    item->keyFile = "kyrun.key";
    item->flags = 0x28;
    item->highPriority = 2;
    mode->items.push_back(std::move(item));
    m.puppetModes.push_back(std::move(mode));
    m.bookmarks.push_back(std::make_unique<UndoSnapshot>());
    auto mat = std::make_unique<CTreeObject>("crate.mat", 0, 3);
    mat->data = {1, 2, 3};
    m.customMaterials.Add(std::move(mat));
    m.currentMode = 0;
    m.currentSubMode = 0;
    return m;
}

}  // namespace

TEST(ProjectFile, EmptyModelIs145Bytes)
{
    CModel m;
    CameraState cam;
    cam.direction = {0, 0, 1};
    const Bytes got = SaveProject(m, cam);
    Bytes want;
    Append(want, {3, 'J', 'K', '1', 0});
    AppendFloat(want, 0);                // radius
    want += Zeros(12);                   // insertion offset
    want += Zeros(12);                   // geometry set, puppet mode, sub-mode
    want += IdentityBytes();             // model matrix
    want += Zeros(12);                   // six empty counts
    want += Zeros(12);                   // eye
    Append(want, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x3F});  // direction (0,0,1)
    want += Zeros(12);                   // up
    ASSERT_EQ(got.size(), 145u);
    EXPECT_EQ(got, want);
    EXPECT_EQ(m.formatTag, "JK1");
}

TEST(ProjectFile, StringAndCountLengthForms)
{
    ArchiveWriter w;
    w.String(std::string(254, 'a'));
    w.String(std::string(255, 'b'));
    w.String(std::string(65533, 'c'));
    w.String(std::string(65534, 'd'));
    const Bytes& b = w.Bytes();
    std::size_t p = 0;
    EXPECT_EQ(b[p], 254);
    p += 1 + 254;
    EXPECT_EQ((Bytes{b[p], b[p + 1], b[p + 2]}), (Bytes{0xFF, 0xFF, 0x00}));
    p += 3 + 255;
    EXPECT_EQ((Bytes{b[p], b[p + 1], b[p + 2]}), (Bytes{0xFF, 0xFD, 0xFF}));
    p += 3 + 65533;
    EXPECT_EQ((Bytes{b[p], b[p + 1], b[p + 2], b[p + 3], b[p + 4], b[p + 5], b[p + 6]}),
              (Bytes{0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
    p += 7 + 65534;
    EXPECT_EQ(p, b.size());

    ArchiveReader r(b.data(), b.size());
    EXPECT_EQ(r.String(), std::string(254, 'a'));
    EXPECT_EQ(r.String(), std::string(255, 'b'));
    EXPECT_EQ(r.String().size(), 65533u);
    EXPECT_EQ(r.String().size(), 65534u);

    // Counts: 65534 fits the short form; 65535 takes the escape and a 32-bit count.
    CModel m;
    m.materials.assign(65534, "");
    Bytes small = SaveProject(m, {});
    EXPECT_EQ(small[97], 0xFE);
    EXPECT_EQ(small[98], 0xFF);
    m.materials.assign(65535, "");
    Bytes large = SaveProject(m, {});
    EXPECT_EQ((Bytes(large.begin() + 97, large.begin() + 103)), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
    auto back = LoadProject(large.data(), large.size(), nullptr, nullptr);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->materials.size(), 65535u);
}

TEST(ProjectFile, CustomMaterialsAsObjectReferences)
{
    CModel m;
    for (const char* name : {"one.mat", "two.mat"}) {
        auto e = std::make_unique<CTreeObject>(name, 0, 2);
        e->data = {0xAB, 0xCD};
        m.customMaterials.Add(std::move(e));
    }
    m.customMaterials.At(1).offset = 2;
    const Bytes b = SaveProject(m, {});
    // Custom materials start after the five empty counts that follow the matrix.
    std::size_t p = 4 + 1 + 4 + 12 + 12 + 64 + 2 * 5;
    Bytes want;
    Append(want, {0x02, 0x00});                            // count
    Append(want, {0xFF, 0xFF, 0x01, 0x00, 0x0B, 0x00});    // new class, schema 1, name length 11
    for (char c : std::string("CTreeObject"))
        want.push_back(static_cast<uint8_t>(c));
    Append(want, {7, 'o', 'n', 'e', '.', 'm', 'a', 't', 2, 0, 0, 0, 0, 0, 0, 0, 0xAB, 0xCD});
    Append(want, {0x01, 0x80});                            // the class again: 0x8001
    Append(want, {7, 't', 'w', 'o', '.', 'm', 'a', 't', 2, 0, 0, 0, 2, 0, 0, 0, 0xAB, 0xCD});
    ASSERT_GE(b.size(), p + want.size());
    EXPECT_EQ(Bytes(b.begin() + static_cast<std::ptrdiff_t>(p), b.begin() + static_cast<std::ptrdiff_t>(p + want.size())), want);

    CameraState cam;
    auto back = LoadProject(b.data(), b.size(), &cam, nullptr);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->customMaterials.Count(), 2u);
    EXPECT_EQ(back->customMaterials.At(1).shortName, "two.mat");
    EXPECT_EQ(back->customMaterials.At(1).offset, 2u);
    EXPECT_EQ(back->customMaterials.At(0).data, (std::vector<uint8_t>{0xAB, 0xCD}));
}

TEST(ProjectFile, RoundTripKeepsEveryStoredField)
{
    CModel m;
    Populate(m);
    CameraState cam{{1, 2, 3}, {0, 0, 1}, {0, 1, 0}};
    const Bytes first = SaveProject(m, cam);
    CameraState cam2;
    std::string err;
    auto back = LoadProject(first.data(), first.size(), &cam2, &err);
    ASSERT_TRUE(back) << err;
    EXPECT_EQ(cam2.eye, cam.eye);
    EXPECT_EQ(cam2.up, cam.up);
    EXPECT_EQ(back->materials, m.materials);
    EXPECT_EQ(back->version3do, "2.1");
    EXPECT_EQ(back->insertOffset, Vec3(1, 2, 3));
    ASSERT_EQ(back->geosets.size(), 1u);
    const CMesh& body = *back->geosets[0]->meshes[0];
    EXPECT_EQ(body.name, "body");
    // Saved lists are sorted and de-duplicated, and the faces point into them.
    ASSERT_EQ(body.vertices.size(), 4u);
    EXPECT_EQ(body.vertices[0].Position(), Vec3(0, 0, 0));
    EXPECT_EQ(body.vertices[3].Position(), Vec3(1, 1, 0));
    EXPECT_EQ(body.faces[0]->vertexIndices, (std::vector<int32_t>{2, 0, 1, 3}));
    EXPECT_EQ(body.textureVertices.size(), 4u);
    ASSERT_EQ(back->nodes.size(), 2u);
    EXPECT_EQ(back->nodes[1]->name, "node1");
    EXPECT_EQ(back->nodes[1]->poses.size(), 1u);
    EXPECT_EQ(back->nodes[1]->poses[0], m.nodes[1]->poses[0]);
    ASSERT_EQ(back->puppetModes.size(), 1u);
    EXPECT_EQ(back->puppetModes[0]->items[0]->keyFile, "kyrun.key");
    EXPECT_EQ(back->puppetModes[0]->items[0]->flags, 0x28u);
    EXPECT_EQ(back->bookmarks.size(), 1u);
    EXPECT_EQ(back->customMaterials.At(0).data, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(ProjectFile, TruncatedOrCorruptFilesAreRefusedCleanly)
{
    CModel m;
    Populate(m);
    const Bytes good = SaveProject(m, {});
    // Every truncation fails with a reason; none crashes or half-loads.
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::string err;
        auto r = LoadProject(good.data(), n, nullptr, &err);
        EXPECT_FALSE(r) << "loaded from the first " << n << " bytes";
        EXPECT_FALSE(err.empty());
    }
    // Flipped bytes anywhere: loads or refuses, never crashes, never over-allocates.
    std::mt19937 rng(3);
    for (std::size_t i = 0; i < good.size(); ++i) {
        Bytes bad = good;
        bad[i] ^= static_cast<uint8_t>(1 + rng() % 255);
        std::string err;
        auto r = LoadProject(bad.data(), bad.size(), nullptr, &err);
        EXPECT_TRUE(r || !err.empty());
    }
    // A wrong class name is refused.
    Bytes wrong = good;
    const auto pos = std::search(wrong.begin(), wrong.end(), std::begin("CTreeObject"), std::end("CTreeObject") - 1);
    ASSERT_NE(pos, wrong.end());
    *pos = 'X';
    std::string err;
    EXPECT_FALSE(LoadProject(wrong.data(), wrong.size(), nullptr, &err));
    EXPECT_NE(err.find("XTreeObject"), std::string::npos);
    // A count that promises billions of vertices is refused before allocating.
    Bytes huge;
    Append(huge, {3, 'J', 'K', '1', 0});
    huge += Zeros(4 + 12 + 12);
    huge += IdentityBytes();
    Append(huge, {0, 0, 1, 0, 0, 0, 0, 0});  // no materials; one geoset, placeholder
    Append(huge, {1, 0, 0, 0, 0, 0});        // one mesh, placeholder
    Append(huge, {0});                        // name
    huge += Zeros(16);                        // radius and modes
    Append(huge, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
    EXPECT_FALSE(LoadProject(huge.data(), huge.size(), nullptr, &err));
    EXPECT_NE(err.find("larger than the rest"), std::string::npos);
}

TEST(ProjectFile, PuppetJointLinesTravelInATrailerOnlyWhenPresent)
{
    CModel plain;
    Populate(plain);
    const CameraState cam{{1, 2, 3}, {0, 0, 1}, {0, 1, 0}};
    const Bytes without = SaveProject(plain, cam);
    // A model without joint lines ends with the camera.
    CameraState camBack;
    auto back = LoadProject(without.data(), without.size(), &camBack, nullptr);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->puppetJoints.empty());

    CModel withJoints;
    Populate(withJoints);
    withJoints.puppetJoints = {"0\t4", std::string(300, 'j')};
    const Bytes with = SaveProject(withJoints, cam);
    // The same bytes, then the magic, version 1, the count and the lines as strings.
    ASSERT_GT(with.size(), without.size());
    EXPECT_TRUE(std::equal(without.begin(), without.end(), with.begin()));
    Bytes trailer;
    Append(trailer, {'O', 'R', 'V', 'X', 1, 0, 0, 0, 2, 0, 3, '0', '\t', '4', 0xFF, 0x2C, 0x01});
    trailer.insert(trailer.end(), 300, 'j');
    EXPECT_EQ(Bytes(with.begin() + static_cast<std::ptrdiff_t>(without.size()), with.end()), trailer);

    back = LoadProject(with.data(), with.size(), &camBack, nullptr);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->puppetJoints, withJoints.puppetJoints);
    EXPECT_EQ(camBack.up, cam.up);
    // Saved again, the lines come out the same.
    BuildFaceCorners(*back);
    const Bytes again = SaveProject(*back, camBack);
    ASSERT_GT(again.size(), trailer.size());
    EXPECT_EQ(Bytes(again.end() - static_cast<std::ptrdiff_t>(trailer.size()), again.end()), trailer);

    // A later version's additions after the joint lines are passed over.
    Bytes later = with;
    later[without.size() + 4] = 2;
    Append(later, {9, 9, 9});
    back = LoadProject(later.data(), later.size(), nullptr, nullptr);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->puppetJoints, withJoints.puppetJoints);
    // Bytes after the camera that are not a trailer are ignored.
    Bytes foreign = without;
    Append(foreign, {'X', 'Y', 'Z', 'W', 1, 2});
    back = LoadProject(foreign.data(), foreign.size(), nullptr, nullptr);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->puppetJoints.empty());
    // A trailer cut anywhere, even inside its magic, is a truncated file.
    for (std::size_t n = without.size() + 1; n < with.size(); ++n) {
        std::string err;
        EXPECT_FALSE(LoadProject(with.data(), n, nullptr, &err)) << "loaded from the first " << n << " bytes";
        EXPECT_FALSE(err.empty());
    }
    // Version 0 is no version.
    Bytes zero = with;
    zero[without.size() + 4] = 0;
    EXPECT_FALSE(LoadProject(zero.data(), zero.size(), nullptr, nullptr));

    // Snapshots hold the model part alone.
    ArchiveWriter a, b;
    StoreModel(a, plain);
    StoreModel(b, withJoints);
    EXPECT_EQ(a.Bytes(), b.Bytes());
}
