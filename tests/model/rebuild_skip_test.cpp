// A mesh whose lists are already what a rebuild would give skips the rebuild; every
// change to what the rebuild reads or writes must still lead to exactly the lists a
// full rebuild gives.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "model/model.h"

using namespace orv;

namespace {

// Everything a rebuild writes, as bytes.
std::vector<uint8_t> Results(const CMesh& m)
{
    std::vector<uint8_t> out;
    auto add = [&](const void* p, std::size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        out.insert(out.end(), b, b + n);
        out.push_back(0xEE);  // keeps neighbouring lists apart
    };
    add(m.vertices.data(), m.vertices.size() * sizeof(VertexRecord));
    add(m.textureVertices.data(), m.textureVertices.size() * sizeof(VertexRecord));
    add(m.vertexNormals.data(), m.vertexNormals.size() * sizeof(VertexRecord));
    for (const auto& f : m.faces) {
        add(f.vertexIndices.data(), f.vertexIndices.size() * 4);
        add(f.textureVertexIndices.data(), f.textureVertexIndices.size() * 4);
        add(&f.normal, sizeof f.normal);
    }
    return out;
}

// What a full rebuild of a copy with the same corners, sizes and offset gives.
std::vector<uint8_t> Expected(const CMesh& m)
{
    CMesh copy = m;
    ClearLists(copy);
    copy.RebuildMeshLists();
    return Results(copy);
}

// Few distinct values, so that corners share list entries.
VertexRecord Corner(std::mt19937& rng)
{
    auto d = [&] { return static_cast<float>(rng() % 4); };
    VertexRecord r;
    r.SetPosition({d(), d() * 0.5f, d() * 0.25f});
    r.u = d() / 4.0f;
    r.v = d() / 4.0f;
    r.color = 0x00FFFFFF;
    return r;
}

CFace RandomFace(std::mt19937& rng)
{
    CFace f;
    for (int i = 3 + static_cast<int>(rng() % 3); i > 0; --i)
        f.corners.push_back(Corner(rng));
    return f;
}

}  // namespace

TEST(RebuildSkip, EveryKindOfChangeGivesTheFullRebuildsLists)
{
    std::mt19937 rng(11);
    CMesh mesh;
    ModelCaches caches;
    for (int i = 0; i < 12; ++i)
        mesh.faces.push_back(RandomFace(rng));
    RebuildListsIfChanged(caches, mesh);

    using Change = std::function<void(CMesh&)>;
    auto face = [&](CMesh& m) -> CFace& { return m.faces[rng() % m.faces.size()]; };
    auto corner = [&](CMesh& m) -> VertexRecord& {
        CFace& f = face(m);
        return f.corners[rng() % f.corners.size()];
    };
    // One corner change stands for all: the fingerprint test below sees every bit of them.
    const std::vector<std::pair<const char*, Change>> changes = {
        {"nothing", [](CMesh&) {}},
        {"corner position", [&](CMesh& m) { corner(m).x += 0.5f; }},
        {"placement offset", [&](CMesh& m) { m.placementOffset.y += 1.0f; }},
        {"face added", [&](CMesh& m) { m.faces.push_back(RandomFace(rng)); }},
        {"faces swapped", [&](CMesh& m) { std::swap(m.faces.front(), m.faces.back()); }},
        {"corner added", [&](CMesh& m) { face(m).corners.push_back(Corner(rng)); }},
        {"corners reversed",
         [&](CMesh& m) {
             auto& c = face(m).corners;
             std::reverse(c.begin(), c.end());
         }},
        {"vertex list edited", [&](CMesh& m) { m.vertices[0].x += 9.0f; }},
        {"texture list edited", [&](CMesh& m) { m.textureVertices.back().u = -1.0f; }},
        {"normal list edited", [&](CMesh& m) { m.vertexNormals.push_back({}); }},
        {"index list edited", [&](CMesh& m) { face(m).vertexIndices[0] = 0x7FFF; }},
        {"texture index list edited", [&](CMesh& m) { face(m).textureVertexIndices.pop_back(); }},
        {"face normal edited", [&](CMesh& m) { face(m).normal = Vec3(9, 9, 9); }},
        {"changed and changed back",
         [&](CMesh& m) {
             VertexRecord& c = corner(m);
             const VertexRecord old = c;
             c.z += 1.0f;
             RebuildListsIfChanged(caches, m);
             c = old;
         }},
    };
    for (const auto& [name, change] : changes) {
        change(mesh);
        const auto want = Expected(mesh);
        RebuildListsIfChanged(caches, mesh);
        EXPECT_EQ(Results(mesh), want) << name;
        EXPECT_TRUE(caches.currentLists.contains(mesh.ListsFingerprint())) << name;
    }
}

TEST(RebuildSkip, FingerprintSeesEveryByteOfTheCorners)
{
    std::mt19937 rng(5);
    CMesh mesh;
    mesh.faces.push_back(RandomFace(rng));
    const uint64_t base = mesh.ListsFingerprint();
    // Any single bit of any corner word changes the fingerprint.
    VertexRecord& c = mesh.faces[0].corners[1];
    for (std::size_t byte = 0; byte < sizeof(VertexRecord); ++byte)
        for (int bit = 0; bit < 8; ++bit) {
            auto* raw = reinterpret_cast<uint8_t*>(&c);
            raw[byte] ^= static_cast<uint8_t>(1u << bit);
            EXPECT_NE(mesh.ListsFingerprint(), base) << "byte " << byte << " bit " << bit;
            raw[byte] ^= static_cast<uint8_t>(1u << bit);
        }
    EXPECT_EQ(mesh.ListsFingerprint(), base);
    // Moving a corner from one face to the next is a change even though the bytes of all
    // corners, taken together, are the same.
    mesh.faces.push_back(RandomFace(rng));
    const uint64_t two = mesh.ListsFingerprint();
    mesh.faces[1].corners.insert(mesh.faces[1].corners.begin(), mesh.faces[0].corners.back());
    mesh.faces[0].corners.pop_back();
    EXPECT_NE(mesh.ListsFingerprint(), two);
}
