#include <gtest/gtest.h>

#include "model/undo.h"

using namespace orv;

namespace {

// A one-quad model whose state is told by the smallest corner x (corners are rebuilt
// from the sorted list on restore).
std::unique_ptr<CModel> MakeModel()
{
    auto m = std::make_unique<CModel>();
    auto f = std::make_unique<CFace>();
    for (auto [x, y] : {std::pair{0.f, 0.f}, {1.f, 0.f}, {1.f, 1.f}, {0.f, 1.f}})
        f->corners.emplace_back().SetPosition({x, y, 0});
    m->geosets.push_back(std::make_unique<CGeometry>());
    m->geosets[0]->meshes.push_back(std::make_unique<CMesh>());
    m->geosets[0]->meshes[0]->faces.push_back(std::move(f));
    return m;
}

std::vector<VertexRecord>& Corners(const CModel& m) { return m.geosets[0]->meshes[0]->faces[0]->corners; }

float State(const CModel& m)
{
    float x = 1e9f;
    for (const auto& c : Corners(m))
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
    EXPECT_TRUE(h.CanUndo());
    EXPECT_FALSE(h.Redo(*redone, v));

    // The lists keep fifty: the state before the first of 51 edits is gone, every other
    // comes back in turn.
    for (int i = 1; i <= 51; ++i)
        Edit(h, redone, v, static_cast<float>(i));
    ASSERT_EQ(h.UndoList().size(), 50u);
    for (int i = 50; i >= 1; --i) {
        redone = Taken(h.Undo(*redone, v));
        ASSERT_TRUE(redone) << i;
        EXPECT_EQ(State(*redone), static_cast<float>(i));
    }
    EXPECT_FALSE(h.CanUndo());
    EXPECT_EQ(h.RedoList().size(), 50u);
    // Redo brings back what the last Undo replaced, even after a new edit.
    Edit(h, redone, v, 70.0f);
    redone = Taken(h.Redo(*redone, v));
    ASSERT_TRUE(redone);
    EXPECT_EQ(State(*redone), 2.0f);
}

TEST(Undo, RoundTripIsExactAndKeepsWhatSnapshotsDoNotHold)
{
    auto m = MakeModel();
    m->materials = {"wall.mat"};
    m->geosets[0]->meshes[0]->faces[0]->material = 0;
    m->keyframe = std::make_unique<CKeyframe>();
    m->keyframe->name = "walk.key";
    m->keyframe->nodes.push_back(std::make_unique<CKeyframeNode>());
    m->frameCount = 12;
    m->puppetJoints = {"0 1"};
    ViewState v;
    const TextureSizeFn sizes = [](const std::string&) { return TextureSize{64, 32}; };
    // The first restore gives the corners their drawing colour and the texture tool its
    // default scales; from then on snapshot and restore reproduce the same bytes.
    auto restored = RestoreSnapshot(*TakeSnapshot(*m, v), *m, v, sizes);
    ASSERT_TRUE(restored) << restored.error();
    const auto first = std::move(*restored);
    auto snap = TakeSnapshot(*first, v);
    restored = RestoreSnapshot(*snap, *m, v, sizes);
    ASSERT_TRUE(restored) << restored.error();
    const auto back = std::move(*restored);
    EXPECT_EQ(TakeSnapshot(*back, v)->data, snap->data);
    ASSERT_TRUE(back->keyframe);
    EXPECT_EQ(back->keyframe->name, "walk.key");
    EXPECT_EQ(back->keyframe->nodes.size(), 1u);
    EXPECT_NE(back->keyframe.get(), m->keyframe.get());
    EXPECT_EQ(back->frameCount, 12);
    EXPECT_EQ(back->puppetJoints, m->puppetJoints);
    EXPECT_EQ(back->geosets[0]->meshes[0]->faces[0]->uScale, 32.0f);  // half the size found

    // A damaged snapshot is refused and the lists stay as they were.
    UndoHistory h;
    h.Snapshot(*m, v);
    const_cast<UndoSnapshot&>(*h.UndoList().back()).data.resize(10);
    EXPECT_FALSE(h.Undo(*m, v));
    EXPECT_EQ(h.UndoList().size(), 1u);
    EXPECT_TRUE(h.RedoList().empty());
}
