// What the game reads and glTF has no field for, through glTF and back; files of other
// tools with extras of their own or of a wrong shape; the export's flat normals.
#include <gtest/gtest.h>


#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "edit/fit.h"
#include "formats/model3do.h"
#include "formats/projectfile.h"
#include "interchange/interchange.h"
#include "scene_builder.h"
#include "test_util.h"
#include "view/hierarchy.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<CModel> RoundTrip(const CModel& model, const fs::path& glb)
{
    EXPECT_TRUE(orvtest::Ok(ExportModel(model, glb, {})));
    auto back = ImportModel(glb, {});
    EXPECT_TRUE(orvtest::Ok(back));
    return back ? std::move(back->model) : std::make_unique<CModel>();
}

// The model's node (in the import's list) of the given name, the first of several.
const C3doNode* NodeNamed(const CModel& model, const std::string& name)
{
    for (const auto& n : model.nodes)
        if (n.name == name)
            return &n;
    return nullptr;
}

}  // namespace

// A concave face comes back cut into flat convex pieces; each piece's corners keep the
// intensities their places had.
TEST(GltfRoundTrip, PiecesOfACutFaceKeepTheirCornersIntensities)
{
    orvtest::TempDir dir;
    CModel model;
    CMesh& mesh = orvtest::AddMesh(model);
    mesh.name = "ell";
    model.nodes[0].name = "ell";
    CFace& ell = orvtest::AddFace(mesh, {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}});
    for (std::size_t c = 0; c < ell.corners.size(); ++c)
        ell.corners[c].SetIntensity(0.1f * static_cast<float>(c + 1));
    model.RebuildHierarchy();
    auto intensityAt = [&ell](const Vec3& p) {
        for (const auto& corner : ell.corners)
            if (corner.Position() == p)
                return corner.Intensity();
        return -1.0f;
    };
    const auto back = RoundTrip(model, dir / "ell.glb");
    const CMesh& got = back->geosets[0].meshes[0];
    ASSERT_EQ(got.faces.size(), 2u) << "the L is cut into two quads";
    for (const auto& face : got.faces)
        for (const auto& corner : face.corners)
            EXPECT_EQ(corner.Intensity(), intensityAt(corner.Position()))
                << corner.Position().x << " " << corner.Position().y;
}

// The faces of one mesh go out in several primitives (one per run of a material), and a
// face without an area is left out on the way in: the fields still land on their faces.
TEST(GltfRoundTrip, FieldsFollowTheirFacesAcrossMaterialsAndLeftOutFaces)
{
    orvtest::TempDir dir;
    CModel model;
    model.materials = {"a.mat", "b.mat"};
    CMesh& mesh = orvtest::AddMesh(model);
    mesh.name = "strip";
    const int32_t materials[] = {0, 1, 1, 0, 1, 0};
    for (int i = 0; i < 6; ++i) {
        const auto x = static_cast<float>(i);
        CFace& f = i == 2 ? orvtest::AddFace(mesh, {{x, 0, 0}, {x + 0.5f, 0, 0}, {x + 1, 0, 0}})  // no area
                          : orvtest::AddSquare(mesh, x, 0, 0, 0.25f);
        f.material = materials[i];
        f.type = static_cast<uint32_t>(i) << 1;
        f.geometryMode = i % 6;
        f.lightingMode = i % 4;
        f.textureMode = (i + 1) % 4;
        f.extraLight = 0.5f + static_cast<float>(i);
    }
    model.nodes[0].name = "strip";
    model.RebuildHierarchy();
    const auto back = RoundTrip(model, dir / "strip.glb");
    ASSERT_EQ(back->geosets[0].meshes.size(), 1u);
    const CMesh& got = back->geosets[0].meshes[0];
    ASSERT_EQ(got.faces.size(), 5u);
    for (std::size_t f = 0, i = 0; f < got.faces.size(); ++f, ++i) {
        if (i == 2)
            ++i;
        SCOPED_TRACE("face " + std::to_string(i));
        const CFace& want = mesh.faces[i];
        EXPECT_EQ(back->materials[static_cast<std::size_t>(got.faces[f].material)],
                  model.materials[static_cast<std::size_t>(want.material)]);
        EXPECT_EQ(got.faces[f].type, want.type);
        EXPECT_EQ(got.faces[f].geometryMode, want.geometryMode);
        EXPECT_EQ(got.faces[f].lightingMode, want.lightingMode);
        EXPECT_EQ(got.faces[f].textureMode, want.textureMode);
        EXPECT_EQ(got.faces[f].extraLight, want.extraLight);
    }
}

TEST(GltfImport, NodeNamesStayAsTheFileHasThemSeveralOfOneNameIncluded)
{
    const auto report = ImportModel(orvtest::Fixture("import", "duplicate_node_names.gltf"), {});
    ASSERT_TRUE(orvtest::Ok(report));
    std::vector<std::string> names;
    for (const auto& n : report->model->nodes)
        names.push_back(n.name);
    // Cleaned for a 3DO line and cut to 31 characters, never numbered.
    const std::vector<std::string> expected = {"body", "$$$dummy", "$$$dummy", "$$$dummy",
                                               "a_name_with_blanks_that_is_far_"};
    EXPECT_EQ(names, expected);
    // Without extras: the usual node type and modes.
    for (const auto& n : report->model->nodes)
        EXPECT_EQ(n.type, 1u) << n.name;
    for (const auto& m : report->model->geosets[0].meshes) {
        EXPECT_EQ(std::tuple(m.geometryMode, m.lightingMode, m.textureMode), std::tuple(4, 3, 3));
        for (const auto& f : m.faces)
            EXPECT_EQ(std::tuple(f.type, f.geometryMode, f.lightingMode, f.textureMode, f.extraLight),
                      std::tuple(0u, 4, 3, 3, 0.0f));
    }
}

// A node's extras are taken where they are sound; lists that do not match the faces and
// values of the wrong kind are left out with a note, and the extras of other tools
// (arrays and objects at any depth) neither matter nor stop the import.
TEST(GltfImport, ExtrasThatDoNotMatchAreLeftOutWithANote)
{
    const auto report = ImportModel(orvtest::Fixture("import", "game_extras_not_matching.gltf"), {});
    ASSERT_TRUE(orvtest::Ok(report));
    const CModel& model = *report->model;
    auto meshOf = [&model](const C3doNode* n) -> const CMesh& { return model.geosets[0].meshes[n->mesh]; };
    auto faceFields = [](const CMesh& m) {
        const CFace& f = m.faces.at(0);
        return std::tuple(f.type, f.geometryMode, f.lightingMode, f.textureMode, f.extraLight);
    };
    auto meshModes = [](const CMesh& m) { return std::tuple(m.geometryMode, m.lightingMode, m.textureMode); };
    const auto usualFace = std::tuple(0u, 4, 3, 3, 0.0f);

    const C3doNode* right = NodeNamed(model, "listed_right");
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(std::pair(right->type, right->flags), std::pair(16u, 4u));
    ASSERT_EQ(meshOf(right).faces.size(), 1u);  // the square, its two triangles joined
    EXPECT_EQ(meshModes(meshOf(right)), std::tuple(3, 2, 1));
    EXPECT_EQ(faceFields(meshOf(right)), std::tuple(2u, 3, 2, 1, 0.5f));
    std::vector<float> intensities;
    for (const VertexRecord& c : meshOf(right).faces[0].corners)
        intensities.push_back(c.Intensity());
    EXPECT_EQ(intensities, (std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f}));

    // Intensities of the wrong kind are left out, the face's other fields taken.
    const C3doNode* badIntensity = NodeNamed(model, "bad_intensity");
    ASSERT_NE(badIntensity, nullptr);
    EXPECT_EQ(faceFields(meshOf(badIntensity)), std::tuple(2u, 3, 2, 1, 0.5f));
    for (const VertexRecord& c : meshOf(badIntensity).faces[0].corners)
        EXPECT_EQ(c.Intensity(), 0.0f);
    EXPECT_TRUE(
        orvtest::SomeLineHas(report->notes, "'bad_intensity': extras left out (the faces' intensities are not"));

    const C3doNode* twice = NodeNamed(model, "listed_twice");
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(twice->type, 32u);
    EXPECT_EQ(meshModes(meshOf(twice)), std::tuple(0, 0, 0));
    EXPECT_EQ(faceFields(meshOf(twice)), usualFace);
    EXPECT_TRUE(orvtest::SomeLineHas(report->notes, "'listed_twice': the extras list 2 faces, the file has 1"));

    const C3doNode* garbage = NodeNamed(model, "garbage");
    ASSERT_NE(garbage, nullptr);
    EXPECT_EQ(std::pair(garbage->type, garbage->flags), std::pair(1u, 0u));
    EXPECT_EQ(meshModes(meshOf(garbage)), std::tuple(4, 3, 3));
    EXPECT_EQ(faceFields(meshOf(garbage)), usualFace);
    orvtest::ExpectClose(model.insertOffset, Vec3());
    EXPECT_TRUE(orvtest::SomeLineHas(report->notes, "'garbage': extras left out (the node type is not a number"));
    EXPECT_TRUE(orvtest::SomeLineHas(report->notes, "the insertion offset is not three numbers within"));
    EXPECT_TRUE(orvtest::SomeLineHas(report->notes, "'not_an_object': extras left out (they are not an object)"));

    const C3doNode* other = NodeNamed(model, "other_tool");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(faceFields(meshOf(other)), usualFace);
    EXPECT_FALSE(orvtest::SomeLineHas(report->notes, "other_tool"));
}

// Every corner has the unit normal of its polygon, on the side the corners turn
// counter-clockwise; the model's fields ride in the nodes' extras; OBJ gets normals too.
TEST(GltfExport, FlatUnitNormalsAndTheGameFieldsInExtras)
{
    orvtest::TempDir dir;
    CModel walker;
    ASSERT_TRUE(orvtest::Ok(Load3doFile(fs::path(ORVANE_BINARY_DIR) / "share/orvane/sample/walker.3do", walker)));
    ASSERT_TRUE(orvtest::Ok(ExportModel(walker, dir / "w.gltf", {})));
    std::ifstream in(dir / "w.gltf");
    const auto gltf = nlohmann::json::parse(in);
    const auto bin = orvtest::Slurp(dir / "w.bin");
    auto floats = [&](int accessor) {
        const auto& a = gltf["accessors"][accessor];
        const auto& view = gltf["bufferViews"][a["bufferView"].get<int>()];
        std::vector<float> out(a["count"].get<std::size_t>() * 3);
        std::memcpy(out.data(), bin.data() + view["byteOffset"].get<std::size_t>(), out.size() * sizeof(float));
        return out;
    };
    std::size_t checked = 0;
    for (const auto& mesh : gltf["meshes"])
        for (const auto& primitive : mesh["primitives"]) {
            ASSERT_TRUE(primitive["attributes"].contains("NORMAL"));
            const auto p = floats(primitive["attributes"]["POSITION"].get<int>());
            const auto n = floats(primitive["attributes"]["NORMAL"].get<int>());
            ASSERT_EQ(p.size(), n.size());
            auto at = [](const std::vector<float>& v, std::size_t i) {
                return Vec3(v[i * 3], v[i * 3 + 1], v[i * 3 + 2]);
            };
            for (std::size_t i = 0; i < n.size() / 3; ++i)
                EXPECT_NEAR(Length(at(n, i)), 1.0f, 1e-5f) << "corner " << i;
            // Each fan triangle (every polygon starts at its own first corner, three at
            // least) faces where its corners' normal points.
            for (std::size_t i = 0; i + 2 < p.size() / 3; ++i) {
                const Vec3 side = Cross(at(p, i + 1) - at(p, i), at(p, i + 2) - at(p, i));
                if (Length(side) > 1e-4f && at(n, i) == at(n, i + 1) && at(n, i) == at(n, i + 2)) {
                    EXPECT_GT(Dot(side, at(n, i)), 0.0f) << "corner " << i;
                    ++checked;
                }
            }
        }
    EXPECT_GT(checked, 50u);
    std::size_t withFaces = 0;
    for (const auto& node : gltf["nodes"])
        if (node.contains("mesh")) {
            const auto& extras = node["extras"]["orvane"];
            ASSERT_TRUE(extras["faces"]["type"].is_array()) << node["name"];
            ++withFaces;
        }
    EXPECT_GT(withFaces, 0u);

    ASSERT_TRUE(orvtest::Ok(ExportModel(walker, dir / "w.obj", {})));
    std::istringstream obj(orvtest::SlurpText(dir / "w.obj"));
    std::size_t normals = 0, facesWithNormals = 0;
    for (std::string line; std::getline(obj, line);) {
        normals += line.rfind("vn ", 0) == 0;
        facesWithNormals += line.rfind("f ", 0) == 0 && std::count(line.begin(), line.end(), '/') >= 6;
    }
    EXPECT_GT(normals, 0u);
    EXPECT_GT(facesWithNormals, 0u);
}
