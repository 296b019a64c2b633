#include <gtest/gtest.h>

#include "document/undo.h"

using namespace orv;

namespace {

// A model whose state is its one mesh's name, which snapshots hold like any stored field.
std::unique_ptr<CModel> MakeModel(const std::string& state)
{
    auto m = std::make_unique<CModel>();
    m->geosets.push_back(std::make_unique<CGeometry>());
    m->geosets[0]->meshes.push_back(std::make_unique<CMesh>());
    m->geosets[0]->meshes[0]->name = state;
    return m;
}

std::string& State(CModel& m) { return m.geosets[0]->meshes[0]->name; }

}  // namespace

// The redo list keeps the fifty newest entries too: after 50 undos two more edits are
// undone, so two entries go past the depth and the two oldest (states 50 and 49) drop
// out. Redo then gives back the newest first and the rest in order.
TEST(UndoHistory, RedoListPastItsDepthDropsTheOldest)
{
    UndoHistory h;
    ViewState v;
    auto m = MakeModel("0");
    for (int i = 1; i <= 50; ++i) {
        h.Snapshot(*m, v);
        State(*m) = std::to_string(i);
    }
    for (int i = 0; i < 50; ++i) {
        auto undone = h.Undo(*m, v);
        ASSERT_TRUE(undone) << undone.error();
        m = std::move(*undone);
    }
    ASSERT_EQ(State(*m), "0");
    for (const char* s : {"a", "b"}) {
        h.Snapshot(*m, v);
        State(*m) = s;
    }
    for (int i = 0; i < 2; ++i) {
        auto undone = h.Undo(*m, v);
        ASSERT_TRUE(undone) << undone.error();
        m = std::move(*undone);
    }
    ASSERT_EQ(State(*m), "0");
    EXPECT_EQ(h.RedoList().size(), UndoHistory::kDepth);

    std::vector<std::string> redone;
    while (h.CanRedo()) {
        auto next = h.Redo(*m, v);
        ASSERT_TRUE(next) << next.error();
        m = std::move(*next);
        redone.push_back(State(*m));
    }
    std::vector<std::string> expected{"a", "b"};
    for (int i = 1; i <= 48; ++i)
        expected.push_back(std::to_string(i));
    EXPECT_EQ(redone, expected);
    // Every redo pushed onto the undo list, which is trimmed in its turn.
    EXPECT_EQ(h.UndoList().size(), UndoHistory::kDepth);
}
