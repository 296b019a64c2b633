#include <gtest/gtest.h>

#include <limits>

#include "model/limits.h"

using namespace orv;

namespace {

// A model of one mesh with the given list sizes and faces of the given corner counts.
std::unique_ptr<CModel> Sized(std::size_t vertices, std::size_t textureVertices, std::size_t faces,
                              std::size_t corners = 3)
{
    auto m = std::make_unique<CModel>();
    m->geosets.push_back(CGeometry());
    CMesh mesh;
    mesh.name = "body";
    mesh.vertices.resize(vertices);
    mesh.textureVertices.resize(textureVertices);
    for (std::size_t f = 0; f < faces; ++f) {
        CFace face;
        face.vertexIndices.resize(corners);
        mesh.faces.push_back(std::move(face));
    }
    m->geosets[0].meshes.push_back(std::move(mesh));
    C3doNode node;
    node.mesh = 0;
    m->nodes.push_back(std::move(node));
    return m;
}

std::size_t Breaches(const CModel& m) { return CheckEngineLimits(m).size(); }

}  // namespace

TEST(EngineLimits, EachLimitAtAndOnePast)
{
    EXPECT_EQ(Breaches(*Sized(512, 768, 512)), 0u);
    EXPECT_EQ(Breaches(*Sized(513, 768, 512)), 1u);
    EXPECT_EQ(Breaches(*Sized(512, 769, 512)), 1u);
    EXPECT_EQ(Breaches(*Sized(512, 768, 513)), 1u);
    EXPECT_EQ(Breaches(*Sized(3, 3, 1, 24)), 0u);
    EXPECT_EQ(Breaches(*Sized(3, 3, 1, 25)), 1u);
    EXPECT_EQ(Breaches(*Sized(3, 3, 1, 2)), 1u);

    auto m = Sized(3, 3, 1);
    for (int i = 0; i < 3; ++i)
        m->geosets.push_back(CGeometry());
    m->materials = {std::string(31, 'm')};
    m->nodes[0].name = std::string(31, 'n');
    m->geosets[0].meshes[0].name = std::string(31, 'b');
    // Four sets, but the node's mesh 0 is missing from the three empty ones.
    EXPECT_EQ(Breaches(*m), 3u);
    for (int i = 1; i < 4; ++i)
        m->geosets[static_cast<std::size_t>(i)].meshes.push_back(CMesh());
    EXPECT_EQ(Breaches(*m), 0u);
    m->geosets.push_back(CGeometry());
    m->geosets.back().meshes.push_back(CMesh());
    m->materials[0] += "x";
    m->nodes[0].name += "x";
    m->geosets[0].meshes[0].name += "x";
    EXPECT_EQ(Breaches(*m), 4u);
}

TEST(EngineLimits, BreachesSayWhereTheyAre)
{
    auto m = Sized(600, 3, 2);
    m->geosets[0].meshes[0].faces[1].material = 2;
    m->nodes[0].mesh = 5;
    const auto breaches = CheckEngineLimits(*m);
    ASSERT_EQ(breaches.size(), 3u);
    EXPECT_EQ(breaches[0].text, "geometry set 0, mesh 0 (body): 600 vertices (at most 512)");
    EXPECT_EQ(std::tuple(breaches[1].geoset, breaches[1].mesh, breaches[1].face), std::tuple(0, 0, 1));
    EXPECT_NE(breaches[1].text.find("material 2 is not in the list of 0 materials"), std::string::npos);
    EXPECT_NE(breaches[2].text.find("node 0 (): mesh 5 is not among"), std::string::npos) << breaches[2].text;
}

// A coordinate that is not a number or lies beyond ±10,000 units: one line per mesh
// (its first such vertex, and how many more), one per node's place and pivot.
TEST(EngineLimits, CoordinatesBeyondTheRangeOrNotNumbers)
{
    auto m = Sized(4, 3, 1);
    auto& vertices = m->geosets[0].meshes[0].vertices;
    vertices[0].x = 10000.0f;
    vertices[1].y = -10000.0f;
    EXPECT_EQ(Breaches(*m), 0u) << "the range includes its ends";

    vertices[1].z = 10000.01f;
    vertices[2].y = std::numeric_limits<float>::quiet_NaN();
    vertices[3].x = -std::numeric_limits<float>::infinity();
    m->nodes[0].position.y = 1e20f;
    m->nodes[0].pivot.x = std::numeric_limits<float>::quiet_NaN();
    const auto breaches = CheckEngineLimits(*m);
    ASSERT_EQ(breaches.size(), 3u);
    EXPECT_EQ(breaches[0].text,
              "geometry set 0, mesh 0 (body), vertex 1: coordinate 10000.01 lies beyond "
              "\u00b110,000 units (and 2 more vertices)");
    EXPECT_EQ(std::tuple(breaches[0].geoset, breaches[0].mesh, breaches[0].face), std::tuple(0, 0, -1));
    EXPECT_EQ(breaches[1].text, "node 0 (), position: coordinate 1e+20 lies beyond \u00b110,000 units");
    EXPECT_EQ(breaches[2].text, "node 0 (), pivot: coordinate nan is not a number");

    vertices[1].z = 0.0f;
    vertices[3].x = 0.0f;
    const auto one = CheckEngineLimits(*m);
    ASSERT_FALSE(one.empty());
    EXPECT_EQ(one[0].text, "geometry set 0, mesh 0 (body), vertex 2: coordinate nan is not a number");
}
