#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "model/model.h"

using namespace orv;

namespace {

VertexRecord Corner(float x, float y, float z, float u = 0, float v = 0, uint32_t color = 0)
{
    VertexRecord r;
    r.x = x;
    r.y = y;
    r.z = z;
    r.u = u;
    r.v = v;
    r.color = color;
    return r;
}

CFace& AddFace(CMesh& m, std::vector<VertexRecord> corners, int w = 1, int h = 1)
{
    auto f = std::make_unique<CFace>();
    f->corners = std::move(corners);
    f->textureWidth = w;
    f->textureHeight = h;
    m.faces.push_back(std::move(f));
    return *m.faces.back();
}

bool SameBits(const VertexRecord& a, const VertexRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The rebuild exactly as the described algorithm does it: insertion into sorted lists
// by binary search, corner by corner, and the O(vertices x corners) normal pass.
struct Reference {
    std::vector<VertexRecord> vertices, texVertices, normals;
    std::vector<std::vector<int32_t>> vidx, tidx;

    static bool Less3(const VertexRecord& a, const VertexRecord& b)
    {
        if (a.x != b.x)
            return a.x < b.x;
        if (a.y != b.y)
            return a.y < b.y;
        return a.z < b.z;
    }
    static bool LessUV(const VertexRecord& a, const VertexRecord& b)
    {
        if (a.u != b.u)
            return a.u < b.u;
        return a.v < b.v;
    }
    template <typename Less>
    static std::size_t Search(std::vector<VertexRecord>& list, const VertexRecord& r, Less less, bool insert)
    {
        std::size_t lo = 0, hi = list.size();
        while (lo < hi) {
            std::size_t mid = (lo + hi) / 2;
            if (less(list[mid], r))
                lo = mid + 1;
            else if (less(r, list[mid]))
                hi = mid;
            else
                return mid;
        }
        if (insert)
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(lo), r);
        return lo;
    }

    explicit Reference(CMesh& m)
    {
        auto posOf = [&](const VertexRecord& c) {
            VertexRecord r = c;
            r.x -= m.placementOffset.x;
            r.y -= m.placementOffset.y;
            r.z -= m.placementOffset.z;
            return r;
        };
        auto uvOf = [](const CFace& f, const VertexRecord& c) {
            VertexRecord r = c;
            CleanTexCoords(r.u, r.v);
            r.u *= static_cast<float>(f.textureWidth);
            r.v *= static_cast<float>(f.textureHeight);
            return r;
        };
        for (auto& f : m.faces)
            for (std::size_t c = f->corners.size(); c-- > 0;)
                Search(vertices, posOf(f->corners[c]), Less3, true);
        for (auto& f : m.faces) {
            const std::size_t n = f->corners.size();
            vidx.emplace_back(n);
            for (std::size_t k = 0; k < n; ++k)
                vidx.back()[k] = static_cast<int32_t>(Search(vertices, posOf(f->corners[n - 1 - k]), Less3, false));
        }
        for (auto& f : m.faces)
            for (std::size_t c = f->corners.size(); c-- > 0;)
                Search(texVertices, uvOf(*f, f->corners[c]), LessUV, true);
        for (auto& f : m.faces) {
            const std::size_t n = f->corners.size();
            tidx.emplace_back(n);
            for (std::size_t k = 0; k < n; ++k)
                tidx.back()[k] = static_cast<int32_t>(Search(texVertices, uvOf(*f, f->corners[n - 1 - k]), LessUV, false));
        }
        std::vector<Vec3> faceNormals;
        for (auto& f : m.faces) {
            CFace copy = *CopyFace(*f, true);
            copy.ComputeFaceNormal();
            faceNormals.push_back(copy.normal);
        }
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            Vec3 sum;
            for (std::size_t fi = 0; fi < m.faces.size(); ++fi)
                for (int32_t idx : vidx[fi])
                    if (idx == static_cast<int32_t>(i))
                        sum += faceNormals[fi];
            VertexRecord r;
            // Vertices of degenerate faces only sum to zero: keep zero instead of NaN.
            const float len = Length(sum);
            r.SetPosition(len == 0.0f ? sum : sum / len);
            normals.push_back(r);
        }
    }
};

}  // namespace

TEST(RebuildMeshLists, CollapsesOnlyExactlyEqualPositions)
{
    CMesh m;
    const float x1 = 1.0f, x1next = std::nextafter(1.0f, 2.0f);
    AddFace(m, {Corner(0, 0, 0), Corner(x1, 0, 0), Corner(x1, 1, 0), Corner(0, 1, 0)});
    AddFace(m, {Corner(x1, 0, 0), Corner(2, 0, 0), Corner(2, 1, 0), Corner(x1next, 1, 0)});
    m.RebuildMeshLists();
    // (1,0,0) is shared; (1,1,0) and its neighbour one bit away are two vertices.
    ASSERT_EQ(m.vertices.size(), 7u);
    for (std::size_t i = 1; i < m.vertices.size(); ++i)
        EXPECT_TRUE(Reference::Less3(m.vertices[i - 1], m.vertices[i])) << "list not sorted at " << i;
    EXPECT_EQ(m.vertexNormals.size(), m.vertices.size());
}

TEST(RebuildMeshLists, ReversedIndexOrderAndPlacementOffset)
{
    CMesh m;
    m.placementOffset = {10, 0, 0};
    // Corners given so that sorted order differs from corner order.
    CFace& f = AddFace(m, {Corner(12, 0, 0), Corner(11, 0, 0), Corner(10, 1, 0)});
    m.RebuildMeshLists();
    ASSERT_EQ(m.vertices.size(), 3u);
    EXPECT_EQ(m.vertices[0].Position(), Vec3(0, 1, 0));
    EXPECT_EQ(m.vertices[1].Position(), Vec3(1, 0, 0));
    EXPECT_EQ(m.vertices[2].Position(), Vec3(2, 0, 0));
    // Index list = (c2, c1, c0).
    EXPECT_EQ(f.vertexIndices, (std::vector<int32_t>{0, 1, 2}));
    // The corners run clockwise seen from +z, so the normal is -z.
    EXPECT_EQ(f.normal, Vec3(0, 0, -1));
}

TEST(RebuildMeshLists, TextureCoordinatesRoundedBeforeScaling)
{
    CMesh m;
    // u values equal after rounding to five decimals collapse; |u| < 0.001 becomes 0.
    AddFace(m, {Corner(0, 0, 0, 0.1234561f, 0.0004f), Corner(1, 0, 0, 0.1234559f, 0.0f), Corner(0, 1, 0, 0.5f, 0.5f)},
            64, 32);
    m.RebuildMeshLists();
    ASSERT_EQ(m.textureVertices.size(), 2u);
    EXPECT_FLOAT_EQ(m.textureVertices[0].u, 0.12346f * 64);
    EXPECT_EQ(m.textureVertices[0].v, 0.0f);
    EXPECT_FLOAT_EQ(m.textureVertices[1].u, 32.0f);
    EXPECT_FLOAT_EQ(m.textureVertices[1].v, 16.0f);
    EXPECT_EQ(m.faces[0]->textureVertexIndices, (std::vector<int32_t>{1, 0, 0}));
}

TEST(RebuildMeshLists, KeepsFirstRecordMetAmongDuplicates)
{
    CMesh m;
    // Walk order is face 0 corners 2,1,0 then face 1 corners 2,1,0: the first record met
    // for (1,0,0) is face 0 corner 1 (colour 0xB).
    AddFace(m, {Corner(0, 0, 0, 0, 0, 0xA), Corner(1, 0, 0, 0, 0, 0xB), Corner(0, 1, 0, 0, 0, 0xC)});
    AddFace(m, {Corner(1, 0, 0, 0, 0, 0xD), Corner(1, 1, 0, 0, 0, 0xE), Corner(0, 1, 0, 0, 0, 0xF)});
    m.faces[0]->corners[1].SetIntensity(0.5f);
    m.RebuildMeshLists();
    ASSERT_EQ(m.vertices.size(), 4u);
    EXPECT_EQ(m.vertices[2].Position(), Vec3(1, 0, 0));
    EXPECT_EQ(m.vertices[2].color, 0xBu);
    EXPECT_EQ(m.vertices[2].Intensity(), 0.5f);
    EXPECT_EQ(m.vertices[1].Position(), Vec3(0, 1, 0));
    EXPECT_EQ(m.vertices[1].color, 0xCu);
}

TEST(RebuildMeshLists, MatchesTheIncrementalAlgorithmBitForBit)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 20; ++round) {
        CMesh m;
        m.placementOffset = {0.25f, -1.5f, 0.0f};
        std::uniform_int_distribution<int> coord(0, 4), corners(0, 6), dims(1, 64);
        std::uniform_real_distribution<float> tex(-1.0f, 2.0f);
        const int faces = 1 + round * 5;
        for (int f = 0; f < faces; ++f) {
            std::vector<VertexRecord> cs;
            const int n = corners(rng);  // includes empty and degenerate faces
            for (int c = 0; c < n; ++c) {
                // Few distinct positions so that many collapse; quarter steps stay exact.
                VertexRecord r = Corner(coord(rng) * 0.25f, coord(rng) * 0.5f, static_cast<float>(coord(rng)),
                                        std::round(tex(rng) * 8) / 8, tex(rng), static_cast<uint32_t>(rng()));
                cs.push_back(r);
            }
            AddFace(m, cs, dims(rng), dims(rng));
        }
        Reference ref(m);
        m.RebuildMeshLists();
        ASSERT_EQ(m.vertices.size(), ref.vertices.size());
        for (std::size_t i = 0; i < ref.vertices.size(); ++i)
            EXPECT_TRUE(SameBits(m.vertices[i], ref.vertices[i])) << "vertex " << i;
        ASSERT_EQ(m.textureVertices.size(), ref.texVertices.size());
        for (std::size_t i = 0; i < ref.texVertices.size(); ++i)
            EXPECT_TRUE(SameBits(m.textureVertices[i], ref.texVertices[i])) << "texture vertex " << i;
        ASSERT_EQ(m.vertexNormals.size(), ref.normals.size());
        for (std::size_t i = 0; i < ref.normals.size(); ++i) {
            const Vec3 a = m.vertexNormals[i].Position(), b = ref.normals[i].Position();
            // NaN == NaN never holds; compare bit patterns.
            EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "normal " << i;
        }
        for (std::size_t f = 0; f < m.faces.size(); ++f) {
            EXPECT_EQ(m.faces[f]->vertexIndices, ref.vidx[f]);
            EXPECT_EQ(m.faces[f]->textureVertexIndices, ref.tidx[f]);
        }
    }
}

TEST(RebuildMeshLists, SurvivesNaNCoordinates)
{
    CMesh m;
    const float nan = std::nanf("");
    AddFace(m, {Corner(nan, 0, 0), Corner(1, nan, 0), Corner(0, 1, 0), Corner(nan, 0, 0)});
    AddFace(m, {Corner(1, 1, 1), Corner(nan, nan, nan), Corner(0, 1, 0)});
    m.RebuildMeshLists();
    for (const auto& f : m.faces)
        for (int32_t i : f->vertexIndices)
            EXPECT_LT(static_cast<std::size_t>(i), m.vertices.size());
}

TEST(FaceNormal, PlanarityToleranceAndOrientation)
{
    // The test measures each corner against the mean plane of Newell's normal. For a unit
    // square whose fourth corner is lifted by h, every corner lies h/4 off that plane, so
    // a lift of 0.008 puts corners twice the tolerance (0.002) off and fails, while 0.002
    // puts them half the tolerance (0.0005) off and passes.
    for (auto [lift, planar] : {std::pair{0.008f, 0}, std::pair{0.002f, 1}, std::pair{0.0f, 1}}) {
        CFace f;
        f.corners = {Corner(0, 0, 0), Corner(1, 0, 0), Corner(1, 1, lift), Corner(0, 1, 0)};
        EXPECT_EQ(f.ComputeFaceNormal(), planar) << lift;
    }
    // Corners counter-clockwise seen from +z: the sum as written points to -z and the
    // negation turns it to +z.
    CFace flat;
    flat.corners = {Corner(0, 0, 0), Corner(1, 0, 0), Corner(1, 1, 0), Corner(0, 1, 0)};
    flat.ComputeFaceNormal();
    EXPECT_EQ(flat.normal, Vec3(0, 0, 1));

    // A degenerate face (collinear corners) gets a zero normal, not NaN.
    CFace line;
    line.corners = {Corner(0, 0, 0), Corner(1, 0, 0), Corner(2, 0, 0)};
    EXPECT_EQ(line.ComputeFaceNormal(), 1);
    EXPECT_FALSE(std::isnan(line.normal.x));
}

TEST(FaceOps, CentroidCornerColoursAndCopies)
{
    CFace f;
    // An L-shaped hexagon would not be convex; use a trapezoid whose fan triangles differ
    // in area so that the weights matter.
    f.corners = {Corner(0, 0, 0), Corner(4, 0, 0), Corner(3, 1, 0), Corner(1, 1, 0)};
    const Vec3 c = f.Centroid();
    // Fan triangles (c0,c1,c2) and (c0,c2,c3) weigh 4 and 2 (cross-product lengths),
    // with centres (7/3, 1/3) and (4/3, 2/3); the plain corner mean would be (2, 0.5).
    EXPECT_NEAR(c.x, (4 * (7.0f / 3) + 2 * (4.0f / 3)) / 6, 1e-5);
    EXPECT_NEAR(c.y, (4 * (1.0f / 3) + 2 * (2.0f / 3)) / 6, 1e-5);

    CFace degenerate;
    degenerate.corners = {Corner(0, 0, 0), Corner(2, 0, 0), Corner(4, 0, 0)};
    EXPECT_EQ(degenerate.Centroid(), Vec3(2, 0, 0));

    f.SetCornerColors(0xFF00FF00);
    for (const auto& r : f.corners)
        EXPECT_EQ(r.color, 0xFF00FF00u);

    f.name = "lid";
    f.material = 3;
    f.type = 0x4;
    f.uScale = 2;
    f.vertexIndices = {1, 2, 3, 0};
    f.textureWidth = 64;
    auto bare = CopyFace(f, false);
    EXPECT_EQ(bare->name, "lid");
    EXPECT_EQ(bare->material, 3);
    EXPECT_EQ(bare->uScale, 2.0f);
    EXPECT_EQ(bare->textureWidth, 64);
    EXPECT_TRUE(bare->corners.empty());
    EXPECT_TRUE(bare->vertexIndices.empty());
    EXPECT_EQ(CopyFace(f, true)->corners.size(), 4u);

    CMesh mesh;
    mesh.name = "torso";
    mesh.placementOffset = {1, 2, 3};
    mesh.vertices.resize(4);
    mesh.faces.push_back(CopyFace(f, true));
    auto mc = CopyMesh(mesh, true);
    EXPECT_EQ(mc->name, "torso");
    EXPECT_EQ(mc->placementOffset, Vec3(1, 2, 3));
    EXPECT_TRUE(mc->vertices.empty());
    ASSERT_EQ(mc->faces.size(), 1u);
    EXPECT_EQ(mc->faces[0]->corners.size(), 4u);
    EXPECT_TRUE(CopyMesh(mesh, false)->faces.empty());

    CGeometry g;
    g.meshes.push_back(CopyMesh(mesh, true));
    auto gc = CopyGeometry(g);
    ASSERT_EQ(gc->meshes.size(), 1u);
    EXPECT_EQ(gc->meshes[0]->faces.size(), 1u);
    EXPECT_NE(gc->meshes[0]->faces[0].get(), g.meshes[0]->faces[0].get());
}

TEST(Hierarchy, SiblingChainAndPoses)
{
    CModel model;
    for (int i = 0; i < 8; ++i)
        model.nodes.push_back(std::make_unique<C3doNode>());
    model.nodes[0]->child = 3;
    model.nodes[3]->sibling = 5;
    model.nodes[5]->sibling = 7;
    model.nodes[0]->position = {1, 2, 3};
    model.nodes[3]->parent = 6;  // wrong link, repaired
    model.currentFrame = 9;
    model.RebuildHierarchy();
    EXPECT_EQ(model.nodes[0]->numChildren, 3);
    for (int i : {3, 5, 7})
        EXPECT_EQ(model.nodes[static_cast<std::size_t>(i)]->parent, 0);
    EXPECT_EQ(model.currentFrame, 0);
    ASSERT_EQ(model.nodes[0]->poses.size(), 1u);
    Matrix4 expected = Matrix4::Identity();
    expected(3, 0) = 1;
    expected(3, 1) = 2;
    expected(3, 2) = 3;
    EXPECT_EQ(model.nodes[0]->poses[0], expected);
    EXPECT_EQ(model.nodes[1]->numChildren, 0);
}

TEST(Hierarchy, PoseMatrixAngles)
{
    // Internal rotation (pitch, roll, yaw). Pitch 90 alone: m(1,2) = -sp... compare the
    // whole matrix with the product of single rotations it stands for.
    const Matrix4 pitch = PoseMatrix({90, 0, 0}, {});
    EXPECT_NEAR(pitch(2, 1), 1.0f, 1e-6);
    EXPECT_NEAR(pitch(1, 2), -1.0f, 1e-6);
    const Matrix4 yaw = PoseMatrix({0, 0, 90}, {});
    EXPECT_NEAR(yaw(0, 2), 1.0f, 1e-6);
    EXPECT_NEAR(yaw(2, 0), -1.0f, 1e-6);
    const Matrix4 roll = PoseMatrix({0, 90, 0}, {});
    EXPECT_NEAR(roll(0, 1), -1.0f, 1e-6);
    EXPECT_NEAR(roll(1, 0), 1.0f, 1e-6);
    // Combined angles stay a rotation.
    const Matrix4 all = PoseMatrix({30, -45, 120}, {4, 5, 6});
    Matrix4 rot = all;
    rot(3, 0) = rot(3, 1) = rot(3, 2) = 0;
    const Matrix4 id = rot * InvertRigid(rot);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(id(i, j), i == j ? 1.0f : 0.0f, 1e-5);
}

TEST(Hierarchy, DamagedLinksNeitherHangNorOverrun)
{
    CModel model;
    for (int i = 0; i < 3; ++i)
        model.nodes.push_back(std::make_unique<C3doNode>());
    model.nodes[0]->child = 1;
    model.nodes[1]->sibling = 2;
    model.nodes[2]->sibling = 1;  // loop
    model.nodes[2]->child = 99;   // out of range
    model.RebuildHierarchy();
    EXPECT_EQ(model.nodes[1]->parent, 0);
    EXPECT_EQ(model.nodes[2]->parent, 0);
    EXPECT_EQ(model.nodes[2]->numChildren, 0);
}

TEST(Model, ConstructionValues)
{
    CModel model;
    EXPECT_TRUE(model.formatTag.empty());
    EXPECT_EQ(model.currentGeoset, 0);
    EXPECT_EQ(model.modelMatrix, Matrix4::Identity());
    EXPECT_EQ(model.MeshAt(0), nullptr);
    C3doNode node;
    EXPECT_EQ(node.mesh, -1);
    EXPECT_EQ(node.parent, -1);
    EXPECT_EQ(node.child, -1);
    EXPECT_EQ(node.sibling, -1);
    CFace face;
    EXPECT_EQ(face.material, -1);
    CMesh mesh;
    EXPECT_EQ(mesh.markerMesh, -1);
    EXPECT_EQ(mesh.nodeMatrix, Matrix4::Identity());
    CPuppetMode mode;
    EXPECT_EQ(mode.basedOn, -1);
}
