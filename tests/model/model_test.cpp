#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <tuple>

#include "model/model.h"

using namespace orv;

namespace {

VertexRecord Corner(float x, float y, float z, float u = 0, float v = 0, uint32_t color = 0)
{
    VertexRecord r;
    r.SetPosition({x, y, z});
    r.u = u;
    r.v = v;
    r.color = color;
    return r;
}

CFace& AddFace(CMesh& m, std::vector<VertexRecord> corners)
{
    CFace f;
    f.corners = std::move(corners);
    m.faces.push_back(std::move(f));
    return m.faces.back();
}

bool SameBits(const VertexRecord& a, const VertexRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// What a value printed with the given decimals reads back as, through the text.
float Printed(float x, int decimals)
{
    char text[400];
    const auto end =
        std::to_chars(text, text + sizeof text, static_cast<double>(x), std::chars_format::fixed, decimals);
    float back = 0.0f;
    std::from_chars(text, end.ptr, back);
    return back;
}

// The rebuild as first described: insertion into sorted lists by binary search, corner by
// corner (each face's corners last to first), of the values as the file will hold them,
// and the O(vertices x corners) normal pass over the corners as the file gives them back.
struct Reference {
    std::vector<VertexRecord> vertices, texVertices, normals;
    std::vector<std::vector<int32_t>> vidx, tidx;

    static bool Less3(const VertexRecord& a, const VertexRecord& b)
    {
        return a.x != b.x ? a.x < b.x : a.y != b.y ? a.y < b.y : a.z < b.z;
    }
    static bool LessUV(const VertexRecord& a, const VertexRecord& b) { return a.u != b.u ? a.u < b.u : a.v < b.v; }
    template <typename Less>
    static int32_t Search(std::vector<VertexRecord>& list, const VertexRecord& r, Less less, bool insert)
    {
        std::size_t lo = 0, hi = list.size();
        while (lo < hi) {
            const std::size_t mid = (lo + hi) / 2;
            if (less(list[mid], r))
                lo = mid + 1;
            else if (less(r, list[mid]))
                hi = mid;
            else
                return static_cast<int32_t>(mid);
        }
        if (insert)
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(lo), r);
        return static_cast<int32_t>(lo);
    }
    // Inserts every corner's key, then finds each face's indices, last corner first.
    template <typename Key, typename Less>
    static void Pass(CMesh& m, std::vector<VertexRecord>& list, std::vector<std::vector<int32_t>>& idx, Key key,
                     Less less)
    {
        for (auto& f : m.faces)
            for (std::size_t c = f.corners.size(); c-- > 0;)
                Search(list, key(f, f.corners[c]), less, true);
        for (auto& f : m.faces) {
            idx.emplace_back();
            for (std::size_t c = f.corners.size(); c-- > 0;)
                idx.back().push_back(Search(list, key(f, f.corners[c]), less, false));
        }
    }

    explicit Reference(CMesh& m)
    {
        // The offset's values are printed exactly.
        auto written = [&](const VertexRecord& r) {
            const Vec3 p = r.Position() - m.placementOffset;
            return Vec3(Printed(p.x, 6), Printed(p.y, 6), Printed(p.z, 6));
        };
        Pass(
            m, vertices, vidx,
            [&](const CFace&, VertexRecord r) {
                r.SetPosition(written(r));
                return r;
            },
            Less3);
        Pass(
            m, texVertices, tidx,
            [](const CFace&, VertexRecord r) {
                CleanTexCoords(r.u, r.v);
                r.u = Printed(r.u, 3);
                r.v = Printed(r.v, 3);
                CleanTexCoords(r.u, r.v);
                return r;
            },
            LessUV);
        std::vector<Vec3> faceNormals;
        for (auto& f : m.faces) {
            CFace copy = f;
            for (auto& c : copy.corners)
                c.SetPosition(written(c) + m.placementOffset);
            copy.ComputeFaceNormal();
            faceNormals.push_back(copy.normal);
        }
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            Vec3 sum;
            for (std::size_t fi = 0; fi < m.faces.size(); ++fi)
                for (int32_t idx : vidx[fi])
                    if (idx == static_cast<int32_t>(i))
                        sum += faceNormals[fi];
            // Vertices of degenerate faces only sum to zero: keep zero instead of NaN.
            const float len = Length(sum);
            normals.emplace_back().SetPosition(len == 0.0f ? sum : sum / len);
        }
    }
};

}  // namespace

TEST(RebuildMeshLists, MatchesTheIncrementalAlgorithmBitForBit)
{
    // Few distinct values so that many corners collapse, with neighbours one bit apart
    // and a millionth apart (only what prints alike collapses) and texture coordinates
    // that only the printing to three decimals and the |t| < 0.001 rule make equal. Random
    // colours tell which record of a set of equals is kept.
    const float positions[] = {0.0f, 0.25f, -0.5f, 1.0f, std::nextafter(1.0f, 2.0f), 1.000001f};
    const float texCoords[] = {0.0f, 0.0004f, -0.0009f, 0.000996f, 0.1234561f, 0.1234559f, 0.5f, 1.25f, -0.75f};
    std::mt19937 rng(12345);
    auto pick = [&](const auto& pool) { return pool[rng() % std::size(pool)]; };
    for (int round = 0; round < 20; ++round) {
        CMesh m;
        m.placementOffset = {0.25f, -1.5f, 0.0f};
        for (int f = 0; f < 1 + round * 5; ++f) {
            std::vector<VertexRecord> cs;
            for (int c = static_cast<int>(rng() % 7); c > 0; --c)  // includes empty and degenerate faces
                cs.push_back(Corner(pick(positions), pick(positions), pick(positions), pick(texCoords), pick(texCoords),
                                    static_cast<uint32_t>(rng())));
            AddFace(m, cs);
        }
        Reference ref(m);
        m.RebuildMeshLists();
        for (auto [got, want, what] : {std::tuple{&m.vertices, &ref.vertices, "vertex"},
                                       std::tuple{&m.textureVertices, &ref.texVertices, "texture vertex"},
                                       std::tuple{&m.vertexNormals, &ref.normals, "normal"}}) {
            ASSERT_EQ(got->size(), want->size()) << what;
            for (std::size_t i = 0; i < want->size(); ++i)  // bit patterns: NaN == NaN never holds
                EXPECT_TRUE(SameBits((*got)[i], (*want)[i])) << what << " " << i;
        }
        for (std::size_t f = 0; f < m.faces.size(); ++f) {
            EXPECT_EQ(m.faces[f].vertexIndices, ref.vidx[f]);
            EXPECT_EQ(m.faces[f].textureVertexIndices, ref.tidx[f]);
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
        for (int32_t i : f.vertexIndices)
            EXPECT_LT(static_cast<std::size_t>(i), m.vertices.size());
}

TEST(FaceOps, NormalPlanarityAndCentroid)
{
    // Each corner is measured against the mean plane of Newell's normal. For a unit square
    // whose fourth corner is lifted by h, every corner lies h/4 off that plane: a lift of
    // 0.008 puts corners twice the tolerance (0.002) off and fails, 0.002 passes.
    for (auto [lift, planar] : {std::pair{0.008f, 0}, std::pair{0.002f, 1}, std::pair{0.0f, 1}}) {
        CFace f;
        f.corners = {Corner(0, 0, 0), Corner(1, 0, 0), Corner(1, 1, lift), Corner(0, 1, 0)};
        EXPECT_EQ(f.ComputeFaceNormal(), planar) << lift;
        // Counter-clockwise seen from +z: the sum as written points to -z, negated to +z.
        if (lift == 0.0f) {
            EXPECT_EQ(f.normal, Vec3(0, 0, 1));
        }
    }
    // Collinear corners: a zero normal and the mean of the corners, not NaN.
    CFace line;
    line.corners = {Corner(0, 0, 0), Corner(2, 0, 0), Corner(4, 0, 0)};
    EXPECT_EQ(line.ComputeFaceNormal(), 1);
    EXPECT_EQ(line.normal, Vec3(0, 0, 0));
    EXPECT_EQ(line.Centroid(), Vec3(2, 0, 0));
    // Fan triangles (c0,c1,c2) and (c0,c2,c3) of this trapezoid weigh 4 and 2, with centres
    // (7/3, 1/3) and (4/3, 2/3); the plain corner mean would be (2, 0.5).
    CFace f;
    f.corners = {Corner(0, 0, 0), Corner(4, 0, 0), Corner(3, 1, 0), Corner(1, 1, 0)};
    EXPECT_NEAR(f.Centroid().x, 2.0f, 1e-5);
    EXPECT_NEAR(f.Centroid().y, 4.0f / 9.0f, 1e-5);
}

TEST(Hierarchy, SiblingChainsPosesAndDamagedLinks)
{
    CModel model;
    for (int i = 0; i < 11; ++i)
        model.nodes.push_back(C3doNode());
    model.nodes[0].child = 3;
    model.nodes[3].sibling = 5;
    model.nodes[5].sibling = 7;
    model.nodes[0].position = {1, 2, 3};
    model.nodes[3].parent = 6;  // wrong link, repaired
    // A damaged chain: a sibling loop and a child out of range neither hang nor overrun.
    model.nodes[8].child = 9;
    model.nodes[9].sibling = 10;
    model.nodes[10].sibling = 9;
    model.nodes[10].child = 99;
    model.currentFrame = 9;
    model.RebuildHierarchy();
    EXPECT_EQ(model.nodes[0].numChildren, 3);
    for (int i : {3, 5, 7})
        EXPECT_EQ(model.nodes[static_cast<std::size_t>(i)].parent, 0);
    EXPECT_EQ(model.nodes[1].numChildren, 0);
    EXPECT_EQ(model.nodes[9].parent, 8);
    EXPECT_EQ(model.nodes[10].parent, 8);
    EXPECT_EQ(model.nodes[10].numChildren, 0);
    EXPECT_EQ(model.currentFrame, 0);
    ASSERT_EQ(model.nodes[0].poses.size(), 1u);
    EXPECT_EQ(model.nodes[0].poses[0], Matrix4::Translation({1, 2, 3}));
}

// Points are rows multiplied from the left, so the pose turns a point by roll about z
// first, then by pitch about x, then by yaw about y. Any other order gives other entries
// for angles like these, where no two of the turns commute.
TEST(Hierarchy, PoseMatrixTurnsByRollThenPitchThenYaw)
{
    const float pitch = 30, yaw = 50, roll = -70;
    const float rad = 3.1415927f / 180;
    const Matrix4 m = PoseMatrix({pitch, roll, yaw}, {4, 5, 6});
    Matrix4 want = Matrix4::RotationZ(roll * rad) * Matrix4::RotationX(pitch * rad) * Matrix4::RotationY(yaw * rad);
    want(3, 0) = 4, want(3, 1) = 5, want(3, 2) = 6;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(m(i, j), want(i, j), 1e-6f) << "(" << i << ", " << j << ")";
}
