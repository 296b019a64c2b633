#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

#include "document/undo.h"
#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "formats/projectfile.h"
#include "formats/puppet.h"
#include "model/radius.h"
#include "support/model_builder.h"

using namespace orv;

namespace {

// A one-quad model whose state is told by the smallest corner x (corners are rebuilt
// from the sorted list on restore).
std::unique_ptr<CModel> MakeModel()
{
    auto m = std::make_unique<CModel>();
    orvtest::AddSquare(orvtest::AddMesh(*m), 0.5f, 0.5f, 0, 0.5f);
    return m;
}

std::vector<VertexRecord>& Corners(CModel& m) { return m.geosets[0].meshes[0].faces[0].corners; }

float State(const CModel& m)
{
    float x = 1e9f;
    for (const auto& c : m.geosets[0].meshes[0].faces[0].corners)
        x = std::min(x, c.x);
    return x;
}

// An edit: the present state goes on the undo list, then the quad moves to x0 = to.
void Edit(UndoHistory& h, std::unique_ptr<CModel>& m, const ViewState& v, float to)
{
    h.Snapshot(*m, v);
    const float d = to - State(*m);
    for (auto& c : Corners(*m))
        c.x += d;
}

// The model an undo or redo gives back; null when it failed.
std::unique_ptr<CModel> Taken(Result<std::unique_ptr<CModel>> restored)
{
    return restored ? std::move(*restored) : nullptr;
}

}  // namespace

TEST(Undo, UndoAndRedoExchangeThePresentWithItsView)
{
    UndoHistory h;
    auto m = MakeModel();
    ViewState v;
    v.face = 0;
    v.camera = {{0, 0, -5}, {0, 0, 1}, {0, 1, 0}};
    Edit(h, m, v, 3.0f);
    // The view after the edit differs from the one recorded with the snapshot.
    v.face = -1;
    v.camera.eye = {1, 1, 1};
    m->modelMatrix = Matrix4::Scaling(2, 2, 2);

    auto undone = Taken(h.Undo(*m, v));
    ASSERT_TRUE(undone);
    EXPECT_EQ(std::tie(v.face, v.camera.eye), std::make_tuple(0, Vec3(0, 0, -5)));
    EXPECT_EQ(std::make_pair(State(*undone), undone->modelMatrix), std::make_pair(0.0f, Matrix4::Identity()));
    EXPECT_FALSE(h.CanUndo());
    auto redone = Taken(h.Redo(*undone, v));
    ASSERT_TRUE(redone);
    EXPECT_EQ(std::tie(v.face, v.camera.eye), std::make_tuple(-1, Vec3(1, 1, 1)));
    EXPECT_EQ(std::make_pair(State(*redone), redone->modelMatrix), std::make_pair(3.0f, Matrix4::Scaling(2, 2, 2)));
    EXPECT_FALSE(h.Redo(*redone, v));

    // The lists keep fifty: of the 51 states before the redone edit and fifty more, the
    // oldest is gone, every other comes back in turn.
    for (int i = 1; i <= 50; ++i)
        Edit(h, redone, v, static_cast<float>(i));
    ASSERT_EQ(h.UndoList().size(), 50u);
    for (int i = 49; i >= 0; --i) {
        redone = Taken(h.Undo(*redone, v));
        ASSERT_TRUE(redone) << i;
        EXPECT_EQ(State(*redone), i > 0 ? static_cast<float>(i) : 3.0f);
    }
    EXPECT_EQ(h.RedoList().size(), 50u);
}

TEST(Undo, ARestoreSetsDefaultScalesAndADamagedStepIsRefused)
{
    auto m = MakeModel();
    m->materials = {"wall.mat"};
    m->geosets[0].meshes[0].faces[0].material = 0;
    ViewState v;
    const TextureSizeFn sizes = [](const std::string&) { return TextureSize{64, 32}; };
    // A restore gives the texture tool its default scales.
    auto restored = RestoreSnapshot(*TakeSnapshot(*m, v), *m, v, sizes);
    ASSERT_TRUE(restored) << restored.error();
    EXPECT_EQ((*restored)->geosets[0].meshes[0].faces[0].uScale, 32.0f);  // half the size found

    // A damaged snapshot is refused and the lists stay as they were.
    UndoHistory h;
    h.Snapshot(*m, v);
    const_cast<ContentPiece&>(*h.UndoList().back()->content->geosets[0][0].blocks[0]).bytes.resize(10);
    EXPECT_FALSE(h.Undo(*m, v));
    EXPECT_EQ(h.UndoList().size(), 1u);
    EXPECT_TRUE(h.RedoList().empty());
}

namespace {

// Every stored field drawn at random, so that a field a step drops, or takes from its
// neighbour, shows; mesh 1 of set 0 has faces enough for several blocks of a step.
class RandomModel {
public:
    explicit RandomModel(uint32_t seed) : rng_(seed) {}

    std::unique_ptr<CModel> Make()
    {
        auto m = std::make_unique<CModel>();
        m->version3do = Text();
        m->materials = {Text() + ".mat", Text() + ".mat", Text() + ".mat"};
        m->insertOffset = V3();
        for (int g = 0, geosets = Int(1, 2); g < geosets; ++g) {
            m->geosets.push_back(CGeometry());
            for (int k = 0; k < 3; ++k)
                m->geosets.back().meshes.push_back(Mesh(g == 0 && k == 1 ? 600 : Int(0, 6)));
        }
        for (int n = 0; n < 3; ++n) {
            // Braced, the fields' values are drawn in the order written.
            m->nodes.push_back(
                C3doNode{.num = n,
                         .flags = U32(),
                         .type = U32(),
                         .mesh = n,
                         .parent = n - 1,
                         .child = n < 2 ? n + 1 : -1,
                         .sibling = -1,
                         .numChildren = n < 2,
                         .position = V3(),
                         .rotation = V3(),
                         .pivot = V3(),
                         .name = Text(),
                         .poses = {Matrix4::Translation(V3()), Matrix4::Scaling(Real(), Real(), Real())}});
        }
        for (int i = 0; i < 2; ++i) {
            CPuppetMode mode;
            mode.mode = Int(0, 9);
            mode.basedOn = Int(-1, 9);
            mode.comment = Text();
            for (int j = Int(0, 3); j > 0; --j) {
                mode.items.push_back(CPuppetItem{.name = Text(),
                                                 .keyFile = Text() + ".key",
                                                 .flags = U32(),
                                                 .lowPriority = Int(0, 9),
                                                 .highPriority = Int(0, 9),
                                                 .description = Text()});
            }
            m->puppetModes.push_back(std::move(mode));
        }
        m->puppetJoints = {Text(), Text()};
        m->keyframe = CKeyframe();
        CKeyframe& key = *m->keyframe;
        key.flags = U32();
        key.type = U32();
        key.frames = Int(1, 99);
        key.fps = Real();
        key.joints = Int(0, 9);
        key.name = Text() + ".key";
        key.markers = {{Real(), Int(0, 9)}, {Real(), Int(0, 9)}};
        for (int n = 0; n < 2; ++n) {
            key.nodes.push_back(CKeyframeNode());
            key.nodes.back().meshName = Text();
            for (int e = Int(1, 3); e > 0; --e) {
                CKeyframeEntry entry;
                entry.num = Int(0, 9);
                entry.frame = Int(0, 99);
                entry.flags = U32();
                entry.position = V3();
                entry.rotation = V3();
                entry.deltaPosition = V3();
                entry.deltaRotation = V3();
                key.nodes.back().entries.push_back(std::move(entry));
            }
        }
        m->frameCount = Int(1, 99);
        m->frameTime = Real();
        m->currentGeoset = Int(0, 1);
        m->currentMode = Int(0, 9);
        m->currentSubMode = Int(0, 9);
        auto custom = std::make_unique<CTreeObject>(Text() + ".mat", U32(), 3);
        custom->data = {static_cast<uint8_t>(U32()), 7, 9};
        m->customMaterials.Add(std::move(custom));
        m->modelMatrix = Matrix4::Translation(V3());
        // Radii as a file gives them, which a step keeps while the geometry stays.
        MarkRadiiCurrent(*m);
        m->radius = Real();
        for (auto& g : m->geosets)
            for (auto& mesh : g.meshes)
                mesh.radius = Real();
        return m;
    }

private:
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    uint32_t U32() { return static_cast<uint32_t>(rng_()); }
    float Real() { return std::uniform_real_distribution<float>(-100.0f, 100.0f)(rng_); }
    Vec3 V3() { return {Real(), Real(), Real()}; }
    std::string Text() { return "t" + std::to_string(rng_() % 100000); }

    CMesh Mesh(int faces)
    {
        CMesh mesh;
        mesh.name = Text();
        mesh.geometryMode = Int(0, 4);
        mesh.lightingMode = Int(0, 3);
        mesh.textureMode = Int(0, 3);
        mesh.placementOffset = V3();
        for (int i = 0; i < faces; ++i) {
            CFace f;
            f.name = Int(0, 1) ? Text() : "";
            f.material = Int(-1, 2);
            f.type = U32();
            f.geometryMode = Int(0, 4);
            f.lightingMode = Int(0, 3);
            f.textureMode = Int(0, 3);
            f.extraLight = Real();
            f.startVertex = Int(0, 3);
            f.angle = Real();
            f.uOffset = Real();
            f.vOffset = Real();
            f.uScale = Real() + 200.0f;
            f.vScale = Real() + 200.0f;
            f.mirror = U32();
            for (int c = Int(3, 5); c > 0; --c) {
                VertexRecord r;
                r.SetPosition(V3());
                r.reserved = U32() & 1;
                r.color = U32();
                r.specular = U32();
                r.u = Real();
                r.v = Real();
                f.corners.push_back(r);
            }
            mesh.faces.push_back(std::move(f));
        }
        return mesh;
    }

    std::mt19937 rng_;
};

// What the files hold of a model: project, 3DO, puppet and keyframe.
std::vector<std::string> Files(CModel& m)
{
    const auto project = SaveProject(m, {});
    return {std::string(project.begin(), project.end()), Format3do(m, "m.3do"), FormatPup(m, "m.pup"),
            m.keyframe ? FormatKey(*m.keyframe, m.keyframe->joints, "m.key") : ""};
}

}  // namespace

// Nothing comes from the model the step replaces but its pose and camera bookmarks.
TEST(Undo, EveryStoredFieldOfARandomModelComesBack)
{
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        auto original = RandomModel(seed).Make();
        // As many camera bookmarks as the model of the moment has (a project keeps their number).
        original->bookmarks.emplace_back();
        ViewState view;
        PrepareForStep(*original, FindFacePrints(*original));  // as the runner does
        auto step = TakeSnapshot(*original, view);
        // The model of the moment: another one altogether, in another pose.
        auto current = RandomModel(seed + 100).Make();
        current->currentFrame = 7;
        current->timeAccumulator = 0.5f;
        current->bookmarks.push_back(CameraBookmark());
        current->bookmarks.back()->eye = {1, 2, 3};
        auto restored = RestoreSnapshot(*step, *current, view, {});
        ASSERT_TRUE(restored) << restored.error();
        CModel& back = **restored;
        EXPECT_EQ(std::tie(back.currentFrame, back.timeAccumulator),
                  std::tie(current->currentFrame, current->timeAccumulator));
        ASSERT_EQ(back.bookmarks.size(), 1u);
        EXPECT_EQ(back.bookmarks[0]->eye, Vec3(1, 2, 3));
        EXPECT_EQ(Files(back), Files(*original));
        EXPECT_EQ(ContentBytes(*TakeSnapshot(back, view)), ContentBytes(*step));
    }
}

// A face edited in the wide mesh's second block makes one new block of faces.
TEST(Undo, AStepHoldsOnlyWhatChanged)
{
    auto m = RandomModel(3).Make();
    ViewState view;
    UndoHistory h;
    h.Snapshot(*m, view);
    const std::size_t first = h.MemoryHeld();
    CFace& edited = m->geosets[0].meshes[1].faces[300];
    edited.corners[0].x += 1.0f;
    h.Snapshot(*m, view);
    const ContentImage& was = *h.UndoList()[0]->content;
    const ContentImage& now = *h.UndoList()[1]->content;
    for (std::size_t g = 0; g < was.geosets.size(); ++g)
        for (std::size_t k = 0; k < was.geosets[g].size(); ++k) {
            const MeshImage& x = was.geosets[g][k];
            const MeshImage& y = now.geosets[g][k];
            for (std::size_t b = 0; b < x.blocks.size(); ++b)
                EXPECT_EQ(x.blocks[b] == y.blocks[b], !(g == 0 && k == 1 && b == 1)) << g << " " << k << " " << b;
        }
    // At most the head and the mesh's own fields are new too (a few lists of pointers are).
    const std::size_t fresh =
        now.head->bytes.size() + now.geosets[0][1].fields->bytes.size() + now.geosets[0][1].blocks[1]->bytes.size();
    EXPECT_LT(h.MemoryHeld() - first, fresh + 8192);
}
