#include <gtest/gtest.h>

#include <limits>

#include "model/limits.h"
#include "support/files.h"
#include "support/model_builder.h"

using namespace orv;

namespace {

// A model of one mesh with the given list sizes and faces of the given corner counts.
std::unique_ptr<CModel> Sized(std::size_t vertices, std::size_t textureVertices, std::size_t faces,
                              std::size_t corners = 3)
{
    auto m = std::make_unique<CModel>();
    CMesh& mesh = orvtest::AddMesh(*m);
    mesh.name = "body";
    mesh.vertices.resize(vertices);
    mesh.textureVertices.resize(textureVertices);
    mesh.faces.resize(faces);
    for (auto& face : mesh.faces)
        face.vertexIndices.resize(corners);
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
    m->geosets.resize(4);
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

// Each breach with where it is (geometry set, mesh, face): a coordinate that is not a
// number or lies beyond ±10,000 units gives one line per mesh (its first such vertex,
// and how many more) and one per node's place and pivot.
TEST(EngineLimits, BreachesSayWhereTheyAre)
{
    auto wrong = Sized(600, 3, 2);
    wrong->geosets[0].meshes[0].faces[1].material = 2;
    wrong->nodes[0].mesh = 5;
    auto far = Sized(4, 3, 1);
    auto& vertices = far->geosets[0].meshes[0].vertices;
    vertices[0].x = 10000.0f;
    vertices[1].y = -10000.0f;
    EXPECT_EQ(Breaches(*far), 0u) << "the range includes its ends";
    vertices[1].z = 10000.01f;
    vertices[2].y = std::numeric_limits<float>::quiet_NaN();
    vertices[3].x = -std::numeric_limits<float>::infinity();
    far->nodes[0].position.y = 1e20f;
    far->nodes[0].pivot.x = std::numeric_limits<float>::quiet_NaN();
    std::string text;
    auto print = [&text](const CModel& m) {
        for (const auto& b : CheckEngineLimits(m))
            text += std::to_string(b.geoset) + " " + std::to_string(b.mesh) + " " + std::to_string(b.face) + ": " +
                    b.text + "\n";
        text += "\n";
    };
    print(*wrong);
    print(*far);
    vertices[1].z = vertices[3].x = 0.0f;
    print(*far);
    orvtest::ExpectSameAsFixture("expected", "limit_breaches.txt", text);
}
