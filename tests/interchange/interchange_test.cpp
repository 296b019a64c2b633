#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "edit/fit.h"
#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "formats/projectfile.h"
#include "interchange/axes.h"
#include "interchange/child_run.h"
#include "interchange/import_checks.h"
#include "interchange/interchange.h"
#include "interchange/textures.h"
#include "model/limits.h"
#include "resources/archive.h"
#include "resources/catalog.h"
#include "resources/png.h"
#include "resources/sample.h"
#include "support/model_builder.h"
#include "test_util.h"
#include "view/hierarchy.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

class InterchangeTest : public ::testing::Test {
protected:
    void Write(const std::string& name, const std::string& text) { orvtest::Spit(dir_ / name, text); }

    // Exported to .glb and imported back.
    std::unique_ptr<CModel> RoundTrip(const CModel& model, const ExportOptions& out = {}, const ImportOptions& in = {})
    {
        const fs::path glb = dir_ / "round.glb";
        EXPECT_TRUE(orvtest::Ok(ExportModel(model, glb, out)));
        auto back = ImportModel(glb, in);
        EXPECT_TRUE(orvtest::Ok(back));
        return back ? std::move(back->model) : std::make_unique<CModel>();
    }

    orvtest::TempDir tmp_;
    const fs::path& dir_ = tmp_.path;
};

// The glTF JSON and binary chunks of a .glb.
std::pair<nlohmann::json, std::vector<uint8_t>> ReadGlb(const fs::path& path)
{
    const auto bytes = orvtest::Slurp(path);
    const uint32_t jsonLength = orvtest::Word(bytes, 12);
    auto json = nlohmann::json::parse(bytes.begin() + 20, bytes.begin() + 20 + jsonLength);
    const std::size_t binAt = 20 + jsonLength + 8;
    return {json, std::vector<uint8_t>(bytes.begin() + static_cast<long>(binAt), bytes.end())};
}

template <typename T>
std::vector<T> AccessorData(const nlohmann::json& gltf, const std::vector<uint8_t>& bin, int accessor)
{
    const auto& a = gltf["accessors"][accessor];
    const auto& view = gltf["bufferViews"][a["bufferView"].get<int>()];
    const std::size_t per = a["type"] == "SCALAR" ? 1 : a["type"] == "VEC2" ? 2 : a["type"] == "VEC3" ? 3 : 4;
    std::vector<T> out(a["count"].get<std::size_t>() * per);
    std::memcpy(out.data(), bin.data() + view["byteOffset"].get<std::size_t>(), out.size() * sizeof(T));
    return out;
}

// The imported model as its 3DO file holds it, then the import's notes, against the
// expected file of that name.
void ExpectImported(const ImportReport& r, const std::string& name)
{
    std::string text = Format3do(*r.model, name);
    for (const std::string& note : r.notes)
        text += "# " + note + "\r\n";
    orvtest::ExpectSameAsFixture("expected", name, text);
}

// Values unlike the import's own (type 1 nodes, modes 4, 3, 3, no type, no extra light,
// no intensity, no turn), different from face to face, and two nodes of one name.
void GiveEveryFieldItsOwnValue(CModel& model)
{
    const uint32_t types[] = {0x0, 0x1, 0x2, 0x10, 0x20};
    for (std::size_t g = 0; g < model.geosets.size(); ++g)
        for (std::size_t m = 0; m < model.geosets[g].meshes.size(); ++m) {
            CMesh& mesh = model.geosets[g].meshes[m];
            mesh.geometryMode = static_cast<int32_t>(m % 6);
            mesh.lightingMode = static_cast<int32_t>((m + 1) % 4);
            mesh.textureMode = static_cast<int32_t>((m + 2) % 4);
            for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
                CFace& f = mesh.faces[i];
                f.type = types[(i + m) % 5];
                f.geometryMode = static_cast<int32_t>(i % 6);
                f.lightingMode = static_cast<int32_t>((i + 1) % 4);
                f.textureMode = static_cast<int32_t>((i + 2) % 4);
                f.extraLight = static_cast<float>(i % 7) * 0.125f;
                // One intensity for each place, as the mesh's vertex list holds it.
                for (VertexRecord& c : f.corners)
                    c.SetIntensity(std::fmod(std::fabs(c.x * 3.0f + c.y * 5.0f + c.z * 7.0f), 1.0f));
            }
        }
    // Turns about each axis alone, straight up and down among them, and beyond a half turn.
    const Vec3 turns[] = {{30, -20, 45}, {90, 0, 10}, {-90, 15, 0}, {10, 200, 350}, {-135, 60, -170}};
    for (std::size_t n = 0; n < model.nodes.size(); ++n) {
        model.nodes[n].type = 1u << (n % 17);
        model.nodes[n].flags = static_cast<uint32_t>(n % 3);
        model.nodes[n].rotation = turns[n % 5];
    }
    if (model.nodes.size() >= 3) {
        model.nodes[1].name = "$$$dummy";
        model.nodes.back().name = "$$$dummy";
    }
    model.insertOffset = {0.25f, -0.5f, 1.0f};
}

// The same materials, the same hierarchy in the walk's order (names, parents, places and
// turns, types, flags, mesh names and modes), and under each node the same faces with the
// same fields and corners (places, texels, intensities) in the same order.
void ExpectSameAfterRoundTrip(const CModel& a, const CModel& b, bool sameMaterialOrder = true)
{
    orvtest::ExpectClose(a.insertOffset, b.insertOffset);
    EXPECT_EQ(std::multiset(a.materials.begin(), a.materials.end()),
              std::multiset(b.materials.begin(), b.materials.end()));
    if (sameMaterialOrder) {
        EXPECT_EQ(a.materials, b.materials);
    }
    const auto orderA = NodeOrder(a), orderB = NodeOrder(b);
    ASSERT_EQ(orderA.size(), orderB.size());
    for (std::size_t i = 0; i < orderA.size(); ++i) {
        const C3doNode& na = a.nodes[static_cast<std::size_t>(orderA[i].node)];
        const C3doNode& nb = b.nodes[static_cast<std::size_t>(orderB[i].node)];
        SCOPED_TRACE("node " + std::to_string(i) + " " + na.name);
        auto parent = [](const CModel& m, const C3doNode& n) {
            return n.parent < 0 ? "(top)" : m.nodes[static_cast<std::size_t>(n.parent)].name;
        };
        EXPECT_EQ(std::tuple(na.name, na.type, na.flags, parent(a, na)),
                  std::tuple(nb.name, nb.type, nb.flags, parent(b, nb)));
        orvtest::ExpectClose(PoseMatrix(na.rotation, na.position), PoseMatrix(nb.rotation, nb.position), 1e-5f);
        ASSERT_EQ(orderA[i].mesh < 0, orderB[i].mesh < 0);
        if (orderA[i].mesh < 0)
            continue;
        const CMesh& ma = *a.MeshAt(orderA[i].mesh);
        const CMesh& mb = *b.MeshAt(orderB[i].mesh);
        EXPECT_EQ(std::tuple(ma.name, ma.geometryMode, ma.lightingMode, ma.textureMode),
                  std::tuple(mb.name, mb.geometryMode, mb.lightingMode, mb.textureMode));
        ASSERT_EQ(ma.faces.size(), mb.faces.size());
        for (std::size_t f = 0; f < ma.faces.size(); ++f) {
            const CFace& fa = ma.faces[f];
            const CFace& fb = mb.faces[f];
            SCOPED_TRACE("face " + std::to_string(f));
            EXPECT_EQ(std::tuple(fa.type, fa.geometryMode, fa.lightingMode, fa.textureMode, fa.extraLight),
                      std::tuple(fb.type, fb.geometryMode, fb.lightingMode, fb.textureMode, fb.extraLight));
            ASSERT_EQ(fa.corners.size(), fb.corners.size());
            EXPECT_EQ(fa.material < 0 ? std::string() : a.materials[static_cast<std::size_t>(fa.material)],
                      fb.material < 0 ? std::string() : b.materials[static_cast<std::size_t>(fb.material)]);
            for (std::size_t c = 0; c < fa.corners.size(); ++c) {
                orvtest::ExpectClose(fa.corners[c].Position(), fb.corners[c].Position(), 1e-5f);
                EXPECT_NEAR(fa.corners[c].u, fb.corners[c].u, 1e-3);  // in texels, as the file keeps them
                EXPECT_NEAR(fa.corners[c].v, fb.corners[c].v, 1e-3);
                EXPECT_EQ(fa.corners[c].Intensity(), fb.corners[c].Intensity()) << "corner " << c;
            }
        }
    }
}

}  // namespace

// Every corpus model and the walker through glTF and back, as read and with every game
// field given a value of its own (two nodes of one name among them).
TEST_F(InterchangeTest, CorpusModelsAndTheWalkerSurviveGltfAndBack)
{
    std::vector<fs::path> files = orvtest::CorpusFiles("3do", ".3do");
    files.push_back(fs::path(ORVANE_BINARY_DIR) / "share/orvane/sample/walker.3do");
    // And the walker with a face over the engine's 24 corners, which comes back cut too.
    CModel big;
    ASSERT_TRUE(orvtest::Ok(Load3doFile(files.back(), big)));
    orvtest::AddFace(big.geosets[0].meshes[0], orvtest::RoundPolygon(30, {0, 0, 2})).material = 0;
    big.geosets[0].meshes[0].RebuildMeshLists();
    Write("big.3do", Format3do(big, "big.3do"));
    files.push_back(dir_ / "big.3do");
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        CModel model;
        ASSERT_TRUE(orvtest::Ok(Load3doFile(file, model)));
        // Faces the engine cannot draw as they are (a few concave ones) come back cut by
        // the one rule for faces, each piece with its face's fields.
        auto expected = [](CModel& m) {
            const std::vector<uint8_t> bytes = SaveProject(m, {});
            auto loaded = LoadProject(bytes.data(), bytes.size());
            EXPECT_TRUE(orvtest::Ok(loaded));
            auto cut = std::move(loaded->model);
            BuildFaceCorners(*cut);
            FitOptions cutOnly;
            cutOnly.joinTriangles = false;
            FitToEngineLimits(*cut, cutOnly);
            return cut;
        };
        ExpectSameAfterRoundTrip(*expected(model), *RoundTrip(model));
        GiveEveryFieldItsOwnValue(model);
        ExpectSameAfterRoundTrip(*expected(model), *RoundTrip(model));
    }
    // The walker with its textures: the sizes of the stock materials on both sides.
    const fs::path sample = fs::path(ORVANE_BINARY_DIR) / "share/orvane/sample";
    ResourceCatalog catalog;
    ASSERT_TRUE(orvtest::Ok(LoadCatalog(sample / "res2.gob", catalog)));
    const TextureSizeFn sizes = MaterialSizeFunction(catalog, sample / "res2.gob", nullptr, "01redmap.cmp");
    CModel walker;
    ASSERT_TRUE(orvtest::Ok(Load3doFile(sample / "walker.3do", walker, sizes)));
    ExportOptions out;
    ResourceSources sources;
    sources.catalog = &catalog;
    sources.resourceFile = sample / "res2.gob";
    ImportOptions in;
    in.resources = sources;
    sources.customMaterials = &walker.customMaterials;
    UseMaterialSources(out, sources, "01redmap.cmp");
    in.textureSize = sizes;
    const auto back = RoundTrip(walker, out, in);
    // Stock materials stay references (Assimp does not keep the file's order of them).
    ExpectSameAfterRoundTrip(walker, *back, false);
    EXPECT_EQ(back->customMaterials.Count(), 0u);
}

// A mod's materials are exported from where drawing finds them (its mat/ folder beside
// the model, a further archive of the search path) with texture coordinates over their
// own sizes, and 16-bit ones keep their own colours.
TEST_F(InterchangeTest, ModMaterialsExportTexturedFromTheModsFoldersAndTheSearchPath)
{
    const fs::path model = dir_ / "mod" / "3do" / "tiny.3do";
    fs::create_directories(model.parent_path());
    fs::create_directories(dir_ / "mod" / "mat");
    fs::copy_file(orvtest::Fixture("3do", "tiny_lf.3do"), model);
    // crate.mat: 2 x 2 texels of red, green, blue and white; floor.mat: 4 x 2.
    fs::copy_file(orvtest::Fixture("mat", "rgb565_primaries.mat"), dir_ / "mod" / "mat" / "crate.mat");
    const auto floor = ReadWholeFile(orvtest::Fixture("mat", "rgb565_two_cels_two_levels.mat"));
    ASSERT_TRUE(orvtest::Ok(floor));
    ASSERT_TRUE(orvtest::Ok(WriteArchive(dir_ / "extra.gob", {{"mat\\floor.mat", *floor}})));

    ResourceSearchPath searchPath;
    ASSERT_TRUE(searchPath.Set({(dir_ / "extra.gob").string()}).empty());
    ResourceSources sources;
    sources.modFolders = IndexMod(model);
    sources.searchPath = &searchPath;
    CModel tiny;
    ASSERT_TRUE(orvtest::Ok(Load3doFile(model, tiny, MaterialSizeFunction(sources, "01redmap.cmp"))));
    ExportOptions out;
    UseMaterialSources(out, sources, "01redmap.cmp");
    const auto report = ExportModel(tiny, dir_ / "t.glb", out);
    ASSERT_TRUE(orvtest::Ok(report));
    EXPECT_TRUE(report->missingMaterials.empty()) << "not found: " << report->missingMaterials.front();

    const auto [gltf, bin] = ReadGlb(dir_ / "t.glb");
    ASSERT_EQ(gltf["images"].size(), 2u);
    // The crate's picture in its own colours, not through a palette it does not have.
    const auto& view = gltf["bufferViews"][gltf["images"][0]["bufferView"].get<int>()];
    const auto png = DecodePng(std::span<const uint8_t>(bin.data() + view["byteOffset"].get<std::size_t>(),
                                                        view["byteLength"].get<std::size_t>()));
    ASSERT_TRUE(orvtest::Ok(png));
    EXPECT_EQ(png->rgba, (std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255}));

    // Texture coordinates over each material's size: the crate's 64 texels over 2, the
    // floor's over 4 and 2; in texels they would reach 64.
    std::map<std::string, float> largest;
    for (const auto& mesh : gltf["meshes"])
        for (const auto& primitive : mesh["primitives"]) {
            const std::string name = gltf["materials"][primitive["material"].get<int>()]["name"];
            for (const float c : AccessorData<float>(gltf, bin, primitive["attributes"]["TEXCOORD_0"].get<int>()))
                largest[name] = std::max(largest[name], c);
        }
    EXPECT_EQ(largest["crate.mat"], 32.0f);
    EXPECT_EQ(largest["floor.mat"], 32.0f);
}

// Pitch, yaw and roll become the quaternions of turns about glTF's -x, y and z (the
// game's x, z and y), positions turn with the axes, and faces keep facing outwards.
TEST_F(InterchangeTest, GameAxesAndTurnsBecomeYUp)
{
    for (const auto& [angles, q] : {std::pair{Vec3(90, 0, 0), Quaternion{-std::sqrt(0.5), 0, 0, std::sqrt(0.5)}},
                                    std::pair{Vec3(0, 0, 90), Quaternion{0, std::sqrt(0.5), 0, std::sqrt(0.5)}},
                                    std::pair{Vec3(0, 90, 0), Quaternion{0, 0, std::sqrt(0.5), std::sqrt(0.5)}}}) {
        const YUpTransform t = PoseToYUp(angles, SwapFileAxes({1, 2, 3}));
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(t.rotation[static_cast<std::size_t>(i)], q[static_cast<std::size_t>(i)], 1e-6);
        orvtest::ExpectClose(t.translation, {-1, 3, 2});  // file (x, y, z) -> (-x, z, y)
    }
    // One quad facing the game's forward (+y), in front of the origin: glTF's front, its
    // material not found anywhere; lopsided, so that each corner counts in its normal.
    CModel model;
    model.materials = {"gone.mat"};
    CMesh& mesh = orvtest::AddMesh(model);
    orvtest::AddFace(
        mesh, {SwapFileAxes({1, 5, 0.5f}), SwapFileAxes({0, 5, 1}), SwapFileAxes({-1, 5, 0}), SwapFileAxes({0, 5, -1})})
        .material = 0;
    ASSERT_GT(Dot(mesh.faces[0].normal, SwapFileAxes({0, 1, 0})), 0.99f);
    model.RebuildHierarchy();
    const auto report = ExportModel(model, dir_ / "t.glb", {});
    ASSERT_TRUE(orvtest::Ok(report));
    EXPECT_EQ(report->missingMaterials, std::vector<std::string>{"gone.mat"});
    const auto [gltf, bin] = ReadGlb(dir_ / "t.glb");
    const auto& prim = gltf["meshes"][0]["primitives"][0];
    const auto p = AccessorData<float>(gltf, bin, prim["attributes"]["POSITION"].get<int>());
    const auto normals = AccessorData<float>(gltf, bin, prim["attributes"]["NORMAL"].get<int>());
    const auto idx = AccessorData<uint16_t>(gltf, bin, prim["indices"].get<int>());
    ASSERT_EQ(idx.size(), 6u);
    auto at = [](const std::vector<float>& v, uint16_t i) { return Vec3(v[i * 3u], v[i * 3u + 1], v[i * 3u + 2]); };
    for (uint16_t i : idx) {
        EXPECT_FLOAT_EQ(at(p, i).z, 5.0f);  // the game's +y is glTF's +z
        orvtest::ExpectClose(at(normals, i), {0, 0, 1});
    }
    // Counter-clockwise seen from the side it faces (+z).
    EXPECT_GT(Cross(at(p, idx[1]) - at(p, idx[0]), at(p, idx[2]) - at(p, idx[0])).z, 0.0f);
    // OBJ gets normals too.
    ASSERT_TRUE(orvtest::Ok(ExportModel(model, dir_ / "t.obj", {})));
    EXPECT_NE(orvtest::SlurpText(dir_ / "t.obj").find("vn 0 0 1"), std::string::npos);
}

// An OBJ file has no hierarchy: each mesh lands where every node above it puts it, however
// deep the chain (the OBJ writer's own walk down the tree overflowed the stack).
TEST_F(InterchangeTest, ObjPlacesMeshesUnderAChainOfAnyDepth)
{
    CModel model;
    orvtest::AddSquare(orvtest::AddMesh(model), 0, 0, 0, 1);
    const int depth = 100000;
    for (int i = 1; i < depth; ++i) {
        model.nodes.back().child = i;
        model.nodes.push_back(C3doNode());
        model.nodes.back().position = {1, 0, 0};
    }
    model.nodes.back().mesh = 0;
    model.RebuildHierarchy();
    ASSERT_TRUE(orvtest::Ok(ExportModel(model, dir_ / "deep.obj", {})));
    std::istringstream obj(orvtest::SlurpText(dir_ / "deep.obj"));
    std::set<float> xs;
    for (std::string line; std::getline(obj, line);)
        if (line.rfind("v ", 0) == 0) {
            float x = 0;
            std::istringstream(line.substr(2)) >> x;
            xs.insert(std::fabs(x));
        }
    EXPECT_EQ(xs, (std::set<float>{1, depth - 2, depth}));
}

// A node that two of the keyframe's nodes name is animated once, as the last of them
// moves it; a pose that is no number is left out, and a model holding such a value is not
// exported at all: no file carries what a reader must refuse.
TEST_F(InterchangeTest, AKeyframeNamingANodeTwiceOrPosesThatAreNoNumbersExportSound)
{
    CModel walker;
    ASSERT_TRUE(orvtest::Ok(Load3doFile(fs::path(ORVANE_BINARY_DIR) / "share/orvane/sample/walker.3do", walker)));
    auto key = LoadKeyFile(fs::path(ORVANE_SOURCE_DIR) / "tests/fixtures/key/fps_frames_zero_values_nan.key", walker);
    ASSERT_TRUE(orvtest::Ok(key));
    CKeyframe& k = key->keyframe;  // torso, head, torso again
    k.nodes[2].entries[1].position.x = std::numeric_limits<float>::quiet_NaN();
    ExportOptions out;
    out.keyframe = &k;
    const auto report = ExportModel(walker, dir_ / "k.glb", out);
    ASSERT_TRUE(orvtest::Ok(report));
    EXPECT_EQ(report->animatedNodes, 2u);
    const auto [gltf, bin] = ReadGlb(dir_ / "k.glb");
    const auto& anim = gltf["animations"][0];
    EXPECT_EQ(anim["channels"].size(), 4u);
    for (const auto& sampler : anim["samplers"])
        for (const float v : AccessorData<float>(gltf, bin, sampler["output"].get<int>()))
            EXPECT_TRUE(std::isfinite(v));
    // The second torso's keys up to its entry at frame 11, which is no number, from time 0
    // at the 15 frames a second a keyframe without a rate plays at.
    const auto times = AccessorData<float>(gltf, bin, anim["samplers"][0]["input"].get<int>());
    ASSERT_EQ(times.size(), 11u);
    EXPECT_EQ(times[0], 0.0f);
    EXPECT_FLOAT_EQ(times[1], 1.0f / 15.0f);

    walker.geosets[0].meshes[0].faces[0].corners[0].x = std::numeric_limits<float>::infinity();
    const auto refused = ExportModel(walker, dir_ / "m.glb", {});
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("no finite number"), std::string::npos) << refused.error();
    EXPECT_FALSE(fs::exists(dir_ / "m.glb"));
}

TEST_F(InterchangeTest, ObjCubeWithOneTextureBecomesSixFacesAndACustomMaterial)
{
    // 100 x 60 pixels, left half red, right half blue: made 128 x 64.
    const Palette palette = SamplePalette();
    ImportOptions in;
    in.palette = &palette;
    in.scale = 0.5f;
    auto imported = ImportModel(orvtest::Fixture("import", "cube_textured.obj"), in);
    ASSERT_TRUE(orvtest::Ok(imported));
    const CModel& m = *imported->model;
    ASSERT_EQ(m.materials, std::vector<std::string>{"crate_wood.mat"});
    ASSERT_EQ(m.customMaterials.Count(), 1u);
    const auto image = ConvertMat(m.customMaterials.At(0).data, palette);
    ASSERT_TRUE(orvtest::Ok(image));
    EXPECT_EQ(std::pair(image->width, image->height), std::pair(128, 64));
    EXPECT_EQ(image->Cel(0)[0], NearestPaletteIndex(palette, 255, 0, 0));
    EXPECT_EQ(image->Cel(0)[127], NearestPaletteIndex(palette, 0, 0, 255));
    // Radii measured, or the game culls what it cannot see the extent of (before the text,
    // whose writer measures them too).
    EXPECT_EQ(std::pair(m.radius, m.MeshAt(0)->radius), std::pair(std::sqrt(0.75f), std::sqrt(0.75f)));
    // Six faces facing out, texture corners in texels of the 128 x 64 picture (OBJ's v
    // grows upwards, the game's downwards).
    ExpectImported(*imported, "obj_cube_textured.3do");
}

TEST_F(InterchangeTest, LargeMeshIsSplitUnderTheEngineLimits)
{
    std::ostringstream obj;
    constexpr int kSide = 45;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            obj << "v " << x * 0.01 << " 0 " << y * 0.01 << "\nvt " << x / 44.0 << " " << y / 44.0 << "\n";
    for (int y = 0; y + 1 < kSide; ++y)
        for (int x = 0; x + 1 < kSide; ++x) {
            const int a = y * kSide + x + 1, b = a + 1, c = a + kSide + 1, d = a + kSide;
            obj << "f " << a << "/" << a << " " << d << "/" << d << " " << c << "/" << c << " " << b << "/" << b
                << "\n";
        }
    const std::string text = obj.str();
    auto imported = ImportModelFromMemory(orvtest::ByteSpan(text), "obj", {});
    ASSERT_TRUE(orvtest::Ok(imported));
    const CModel& m = *imported->model;
    EXPECT_EQ(CountFaces(m), 44u * 44u);
    EXPECT_GE(m.geosets[0].meshes.size(), 4u);
    for (const auto& mesh : m.geosets[0].meshes) {
        EXPECT_LE(mesh.vertices.size(), kMaxMeshVertices);
        EXPECT_LE(mesh.faces.size(), kMaxMeshFaces);
        for (const auto& f : mesh.faces)
            EXPECT_EQ(f.corners.size(), 4u);
    }
    for (const auto& node : m.nodes)
        EXPECT_EQ(std::pair(node.position, node.rotation), std::pair(Vec3(), Vec3()));
}

// One rule for every format: the same polygons written as OBJ n-gons and as this
// program's glTF fans come back as the same faces; flat convex ones whole, a concave and a
// bent one in flat convex pieces (the glTF import once kept them as they were), whose
// corners keep their intensities; a face without area is left out, and the game's fields
// of the faces after it (through runs of materials) stay with their faces.
TEST_F(InterchangeTest, ObjAndGltfPolygonsComeBackAsTheSameFaces)
{
    CModel model;
    model.materials = {"a.mat", "b.mat"};
    CMesh& mesh = orvtest::AddMesh(model);
    mesh.name = "shapes";
    model.nodes[0].name = "shapes";
    const std::vector<Vec3> shapes[] = {orvtest::LShape(),
                                        {{30, 0, 0}, {31, 0, 0}, {32, 0, 0}},  // no area
                                        orvtest::BentQuad({5, 0, 0}, 0.3f),
                                        {{8, 0, 0}, {9, 0, 0}, {9.5f, 1, 0}, {8.5f, 2, 0}, {7.5f, 1, 0}}};  // convex
    for (int i = 0; i < 4; ++i) {
        CFace& f = orvtest::AddFace(mesh, shapes[i]);
        f.material = i % 2;
        std::tie(f.type, f.geometryMode, f.lightingMode, f.textureMode) =
            std::tuple((i + 1u) << 1, i, i % 4, 3 - i % 4);
        f.extraLight = 0.5f + static_cast<float>(i);
    }
    for (std::size_t c = 0; c < mesh.faces[0].corners.size(); ++c)
        mesh.faces[0].corners[c].SetIntensity(0.1f * static_cast<float>(c + 1));
    model.RebuildHierarchy();
    ASSERT_TRUE(orvtest::Ok(ExportModel(model, dir_ / "s.glb", {})));
    ASSERT_TRUE(orvtest::Ok(ExportModel(model, dir_ / "s.obj", {})));
    auto gltf = ImportModel(dir_ / "s.glb", {});
    auto obj = ImportModel(dir_ / "s.obj", {});
    ASSERT_TRUE(orvtest::Ok(gltf));
    ASSERT_TRUE(orvtest::Ok(obj));
    // The same pieces; from glTF with their faces' fields and intensities.
    ExpectImported(*obj, "polygons_from_obj.3do");
    ExpectImported(*gltf, "polygons_from_gltf.3do");
}

// What each file's import gives, told in words about the file, never in the library's
// names for its parts; a header announcing more than the file can hold is refused before
// any reader runs (the last three hold what they announce). A count is read as far as its
// digits go, as the readers read it; a count that fits only when 32 bits wrap round (84 +
// 50 x count = 184 modulo 2^32) is no count that fits. A coordinate out of range is named
// where it is, a node's with its parent's scale included, and is checked at the scale
// applied, as the model would hold it. Then what cut files, deep hierarchies (a few
// thousand levels overflowed the stack) and exports that cannot be made give.
TEST_F(InterchangeTest, ImportsAndExportsTellWhatIsWrongInWordsOfTheFileAndRefuseAnnouncedCountsAtOnce)
{
    Write("noise.obj", std::string("\x01\x02 not a model at all \xff", 26));
    Write("points.obj", "v 0 0 0\nv 1 0 0\np 1\n");
    Write("noise.glb", "hello, not a model");
    Write("empty.dae", "<?xml version=\"1.0\"?><COLLADA version=\"1.4.1\"><asset/><scene/></COLLADA>");
    Write("nothing.off", "OFF\n0 0 0\n");
    Write("notes.xyzq", "nothing a reader knows");
    Write("glued.off", "OFF\n3 100000000\0040 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");  // \004 then 0
    std::string stl = "solid" + std::string(84 + 2 * 50 - 5, '\0');
    stl[80] = 2;  // a count of 2 + 2^31
    stl[83] = '\x80';
    Write("wrapping.stl", stl);
    auto gltf = nlohmann::json::parse(orvtest::FixtureText("import", "pentagon_fan_scaled_node.gltf"));
    gltf["nodes"][1]["translation"] = {6000, 0, 0};
    Write("far_node.gltf", gltf.dump());
    std::string text;
    auto said = [&text](const std::string& name, const Result<ImportReport>& imported) {
        text += name + ": " + (imported ? std::to_string(CountFaces(*imported->model)) + " faces" : imported.error()) +
                "\n";
    };
    auto in = [](const char* name) { return orvtest::Fixture("import", name); };
    // Refusals told in words, then the announced counts.
    for (const auto& files :
         {std::vector<fs::path>{dir_ / "missing.obj", dir_ / "noise.obj", dir_ / "points.obj", in("vertices_only.obj"),
                                dir_ / "noise.glb", dir_ / "empty.dae", dir_ / "nothing.off", dir_ / "notes.xyzq",
                                in("accessor_past_buffer.gltf"), in("fbx_version_6100.fbx"), in("vertex_far_away.obj"),
                                in("vertex_not_a_number.obj"), dir_ / "far_node.gltf"},
          std::vector<fs::path>{in("ply_announces_billion_vertices.ply"), in("ply_binary_faces_past_end.ply"),
                                in("stl_announces_million_triangles.stl"), in("off_announces_billion_faces.off"),
                                dir_ / "glued.off", dir_ / "wrapping.stl", in("ply_ascii_triangle.ply"),
                                in("ply_binary_triangle.ply"), in("stl_binary_triangle.stl")}})
        for (const fs::path& file : files) {
            const auto start = std::chrono::steady_clock::now();
            said(file.filename().string(), ImportModel(file, {}));
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1))
                << file << " went to the reader";
        }
    // The far vertex lies at 20000, the cube's corners a unit from its centre.
    for (const auto& [file, scale, label] : {std::tuple{"vertex_far_away.obj", 0.5f, "at half scale"},
                                             {"cube.obj", 10000.0f, "at a scale of 10000"},
                                             {"cube.obj", 12000.0f, "at a scale of 12000"}}) {
        ImportOptions options;
        options.scale = scale;
        said(std::string(file) + " " + label, ImportModel(in(file), options));
    }

    CModel square;
    orvtest::AddSquare(orvtest::AddMesh(square), 0, 0, 0, 1);
    square.RebuildHierarchy();
    ASSERT_TRUE(orvtest::Ok(ExportModel(square, dir_ / "s.glb", {})));
    const auto bytes = orvtest::Slurp(dir_ / "s.glb");
    said("s.glb cut to half", ImportModelFromMemory(std::span(bytes.data(), bytes.size() / 2), "glb", {}));
    said("s.glb without its last 5 bytes", ImportModelFromMemory(std::span(bytes.data(), bytes.size() - 5), "glb", {}));
    for (const int depth : {999, 1000}) {
        CModel chain = square;
        for (int i = 1; i < depth; ++i) {
            chain.nodes.back().child = i;
            chain.nodes.push_back(C3doNode());
        }
        chain.RebuildHierarchy();
        ASSERT_TRUE(orvtest::Ok(ExportModel(chain, dir_ / "chain.glb", {})));
        said("a chain of " + std::to_string(depth) + " nodes", ImportModel(dir_ / "chain.glb", {}));
    }
    for (const auto& [file, geoset] : {std::pair{"x.fbx", 0}, {"x.glb", 3}}) {
        ExportOptions out;
        out.geoset = geoset;
        const auto exported = ExportModel(square, dir_ / file, out);
        text += "export of geoset " + std::to_string(geoset) + " to " + file + ": " +
                (exported ? "done" : exported.error()) + "\n";
    }
    EXPECT_FALSE(fs::exists(dir_ / "x.glb"));
    orvtest::ExpectSameAsFixture("expected", "import_failures.txt", text, dir_);
    EXPECT_EQ(NotAFileOf("GLB"), "not a glTF file");
    EXPECT_EQ(NotAFileOf(""), "not a model file");
}

// A good reader's bytes arrive whole, more than a pipe holds at once.
TEST(ChildRun, CrashHangAndFailureBecomeErrorsAndResultsArriveWhole)
{
    using namespace std::chrono_literals;
    EXPECT_NE(RunInChild([]() -> Result<std::string> { std::abort(); }, 10s).error().find("stopped on this file"),
              std::string::npos);

    const auto start = std::chrono::steady_clock::now();
    const auto hung = RunInChild(
        []() -> Result<std::string> {
            for (;;)
                ::pause();
        },
        300ms);
    ASSERT_FALSE(hung);
    EXPECT_NE(hung.error().find("was stopped"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

    EXPECT_EQ(RunInChild([]() -> Result<std::string> { return Fail("no faces"); }, 10s).error(), "no faces");

    std::string big(1 << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    EXPECT_EQ(RunInChild([&]() -> Result<std::string> { return big; }, 10s).value_or(""), big);
}

TEST(ChildRun, MemoryBeyondTheCapStopsTheChild)
{
    ChildLimits limits;
    limits.time = std::chrono::seconds(20);
    limits.memory = 64 << 20;
    limits.kind = "not a PLY file";
    auto allocate = [](std::size_t mb) {
        return [mb]() -> Result<std::string> {
            std::vector<std::unique_ptr<char[]>> blocks;
            for (std::size_t i = 0; i < mb; ++i) {
                blocks.push_back(std::make_unique<char[]>(1 << 20));
                std::memset(blocks.back().get(), 1, 1 << 20);
            }
            return std::to_string(blocks.size());
        };
    };
    EXPECT_EQ(RunInChild(allocate(16), limits).value_or(""), "16");
    const auto greedy = RunInChild(allocate(1024), limits);
    ASSERT_FALSE(greedy);
    EXPECT_EQ(greedy.error(),
              "reading the file took more than 64 MB of memory, far more than a file of its size "
              "needs, and was stopped; it is damaged or not a PLY file");
    limits.memory = 0;
    EXPECT_TRUE(orvtest::Ok(RunInChild(allocate(256), limits)));
    EXPECT_EQ(ReadMemoryBudget(1000), uint64_t{512} << 20);
    EXPECT_EQ(ReadMemoryBudget(uint64_t{20} << 20), uint64_t{1280} << 20);
    EXPECT_LE(ReadMemoryBudget(uint64_t{1} << 40), uint64_t{4} << 30);
}

// Textures come as PNG (any kind), JPEG, BMP or what the image library reads (its TGA,
// stored bottom row first, is the see-through texture test's), and are made powers of two.
TEST_F(InterchangeTest, TexturePicturesAreReadWhateverTheirKind)
{
    auto read = [](const std::string& name) {
        return DecodePicture(orvtest::Slurp(orvtest::Fixture("picture", name)));
    };
    const auto jpeg = read("red_left_blue_right.jpg");
    ASSERT_TRUE(orvtest::Ok(jpeg));
    ASSERT_EQ(std::pair(jpeg->width, jpeg->height), std::pair(16, 8));
    auto pixel = [&jpeg](int x, int c) { return jpeg->rgba[static_cast<std::size_t>((4 * 16 + x) * 4 + c)]; };
    EXPECT_TRUE(pixel(1, 0) > 200 && pixel(1, 2) < 60 && pixel(14, 0) < 60 && pixel(14, 2) > 200);
    const auto png = read("green_paletted.png");
    ASSERT_TRUE(orvtest::Ok(png));
    EXPECT_EQ(std::vector<uint8_t>(png->rgba.begin(), png->rgba.begin() + 4), (std::vector<uint8_t>{0, 255, 0, 255}));
    EXPECT_NE(read("jpeg_head_then_text.jpg").error().find("JPEG"), std::string::npos);
    const auto text = DecodePicture(orvtest::Bytes("a few words, no picture"));
    ASSERT_FALSE(text);
    EXPECT_NE(text.error().find("TGA"), std::string::npos) << text.error();
    EXPECT_EQ(
        (std::vector<int32_t>{TextureSide(1), TextureSide(40), TextureSide(48), TextureSide(100), TextureSide(3000)}),
        (std::vector<int32_t>{1, 32, 64, 128, 256}));
}

// Files imported as the game holds them, each against its recorded 3DO text and notes:
// polygons the engine cannot draw are cut (a 30-gon into two fans, an L-shaped hexagon
// into two convex quads, a twisted quad into triangles; a face without area and a line
// are left out); node names stay as the file has them, cleaned for a 3DO line and cut to
// 31 characters, never numbered, several of one name included; the extras of other tools
// (arrays and objects at any depth) neither matter nor stop the import: listed_right and
// bad_intensity keep their fields (the latter without its intensities of the wrong kind),
// listed_twice, garbage and other_tool the import's own, and the notes name each extra
// left out, none other_tool's.
TEST(Import, FilesComeInAsTheGameHoldsThem)
{
    for (const auto& [file, expected] : {std::pair{"polygons_30gon_l_twisted_flat_line.obj", "polygons_cut.3do"},
                                         {"duplicate_node_names.gltf", "gltf_duplicate_node_names.3do"},
                                         {"game_extras_not_matching.gltf", "gltf_extras_not_matching.3do"}}) {
        const auto imported = ImportModel(orvtest::Fixture("import", file), {});
        ASSERT_TRUE(orvtest::Ok(imported));
        ExpectImported(*imported, expected);
        EXPECT_TRUE(CheckFaceShapes(*imported->model).empty()) << file;
    }
}
