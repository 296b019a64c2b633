#include <gtest/gtest.h>

#include <fstream>
#include <ranges>

#include "anim/anim_fields.h"
#include "anim/anim_files.h"
#include "anim/hierarchy_edit.h"
#include "anim/keyframe_edit.h"
#include "anim/playback.h"
#include "anim/puppet_edit.h"
#include "edit/transform.h"
#include "edit/view_commands.h"
#include "support/model_compare.h"
#include "support/opened_sample.h"

using namespace orv;
namespace fs = std::filesystem;

using Walker = orvtest::OpenedSample;

namespace {

const CKeyframeEntry& Thigh(const CKeyframe& k, int entry) { return k.nodes[1].entries[entry]; }

std::vector<int32_t> Numbers(const PuppetEditor& e)
{
    const auto numbers = e.Modes() | std::views::transform(&CPuppetMode::mode);
    return {numbers.begin(), numbers.end()};
}

}  // namespace

TEST(AnimateStep, TheEntryInEffectTakesTheStepAndTheFileFollows)
{
    Walker w;
    w.Walk();
    w.doc.modes.meshMode = w.doc.modes.animateMode = true;
    ASSERT_TRUE(orvtest::Ok(BuildAnimationPoses(w.Model())));
    w.Model().currentFrame = 5;  // lthigh's entry 1 (frames 4 .. 7)
    w.selection.currentMesh = 2;
    const Vec3 before = Thigh(*w.Model().keyframe, 1).position;

    w.Run(cmd::MoveUp);
    w.Run(cmd::RotateLeftY);
    // The file takes the entry (moved up, its roll turned) and the deltas computed again.
    orvtest::ExpectSameAsFixture("expected", "animate_step.key", orvtest::SlurpText(w.dir / "wkwalk.key"));

    w.Run(cmd::EditUndo);
    orvtest::ExpectClose(Thigh(w.ReadBack("wkwalk.key"), 1).rotation, {0, 0, 0});
    EXPECT_EQ(w.Model().currentFrame, 5);

    w.Model().currentFrame = 13;  // past the last entry (12)
    fs::remove(w.dir / "wkwalk.key");
    w.Run(cmd::MoveUp);
    EXPECT_TRUE(fs::exists(w.dir / "wkwalk.key"));

    // A stock keyframe is not changed, and nothing is written.
    w.Stock();
    w.Model().currentFrame = 5;
    fs::remove(w.dir / "wkwalk.key");
    const CommandResult r = w.Run(cmd::MoveUp);
    EXPECT_NE(r.message.find("stock keyframe"), std::string::npos) << r.message;
    orvtest::ExpectClose(Thigh(*w.Model().keyframe, 1).position, before + Vec3(0, 0.005f, 0));
    EXPECT_FALSE(fs::exists(w.dir / "wkwalk.key"));
}

TEST(PuppetEditor, ChangesReachTheModelOnlyOnCommitAsOneUndoStep)
{
    Walker w;
    fs::copy_file(w.dir / "wkwalk.key", w.dir / "mine.key");
    PuppetEditor e(w.doc);
    ASSERT_TRUE(orvtest::Ok(e.AddMode(0, "# mode 1")));
    ASSERT_TRUE(orvtest::Ok(e.AddSubMode(1, {"walk", "mywalk", 0x40, 1, 2, "# submode 1 = walk"})));
    EXPECT_EQ(std::pair(e.currentMode, e.currentSubMode), std::pair(1, 0));
    ASSERT_TRUE(orvtest::Ok(e.AddSubMode(1, {"run", "mine", 0, 0, 0, "# submode 2 = run"})));
    ASSERT_TRUE(orvtest::Ok(e.AddSubMode(0, {"fire", "gone", 0, 0, 0, "# submode 8 = fire"})));
    e.DeleteSubMode(0, 2);  // "&Delete" on a sub-mode row takes that sub-mode
    e.currentMode = 1;
    e.currentSubMode = 1;
    // Until "&OK" the dialog's changes are its own: a cancel just drops them.
    EXPECT_EQ(std::pair(w.Model().puppetModes.size(), w.doc.history.CanUndo()), std::pair(std::size_t{1}, false));
    ASSERT_EQ(w.Commit(e).message, "");

    EXPECT_EQ(w.doc.history.UndoList().size(), 1u);
    orvtest::ExpectSameAsFixture("expected", "puppet_commit.pup", orvtest::SlurpText(w.dir / "walker.pup"));
    // The new keyframe is made empty; an existing file of the name is never replaced.
    EXPECT_EQ(w.ReadBack("mywalk.key").type, 0xFFFFu);
    EXPECT_EQ(w.ReadBack("mine.key").nodes.size(), 5u);
    EXPECT_FALSE(fs::exists(w.dir / "gone.key"));
    EXPECT_EQ(w.Model().keyframe.value_or(CKeyframe()).name, "mine.key");

    ViewState v;
    ASSERT_TRUE(orvtest::Ok(w.doc.Undo(v)));
    EXPECT_EQ(w.Model().puppetModes.size(), 1u);
    EXPECT_FALSE(w.Model().keyframe);
}

// Modes are listed by place but named by number, in the file and in based-on links; once
// a mode is gone the two differ, and deleting and adding go by the numbers.
TEST(PuppetEditor, DeleteAndAddGoByModeNumbersNotPlaces)
{
    Walker w;
    PuppetEditor e(w.doc);
    ASSERT_TRUE(orvtest::Ok(e.AddMode(0, "# mode 1")));
    ASSERT_TRUE(orvtest::Ok(e.AddMode(0, "# mode 2")));
    ASSERT_TRUE(orvtest::Ok(e.AddMode(2, "# mode 3")));
    ASSERT_TRUE(orvtest::Ok(e.DeleteMode(1)));  // mode 1: the list is now modes 0, 2, 3
    EXPECT_EQ(Numbers(e), (std::vector<int32_t>{0, 2, 3}));

    // Mode 2, at place 1, has mode 3 based on it.
    EXPECT_EQ(e.DeleteMode(1).error(), "Cannot delete puppet mode, since mode 3 is based on this mode.");
    // The next mode takes the free number 1, not the count 3 that mode 3 has.
    EXPECT_EQ(e.NextModeNumber(), 1);
    ASSERT_TRUE(orvtest::Ok(e.AddMode(0, "# mode 1")));
    EXPECT_EQ(Numbers(e), (std::vector<int32_t>{0, 2, 3, 1}));
    EXPECT_EQ(e.NextModeNumber(), 4);
    EXPECT_EQ(e.DeleteMode(0).error(), "Cannot delete puppet mode, since modes 2 and 1 are based on this mode.");

    // A new mode may be based on any mode, an edited one on those listed before it.
    EXPECT_EQ(e.BaseChoices(-1), (std::vector<int32_t>{0, 2, 3, 1}));
    EXPECT_EQ(e.BaseChoices(2), (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(e.AddMode(7, "# mode 4").error(), "There is no mode 7 to base the puppet mode on.");
    EXPECT_EQ(e.EditMode(2, 3, "# x").error(), "A puppet mode cannot be based on itself.");
    EXPECT_EQ(e.EditMode(2, 7, "# x").error(), "There is no mode 7 to base the puppet mode on.");
    EXPECT_EQ(e.EditMode(1, 1, "# x").error(), "Cannot base this mode on mode 1, which is listed after it.");
    EXPECT_EQ(std::pair(e.Modes()[1].basedOn, e.Modes()[1].comment), std::pair(0, std::string("# mode 2")));
    ASSERT_TRUE(orvtest::Ok(e.EditMode(2, 0, "# mode 3 = on 0")));
    ASSERT_TRUE(orvtest::Ok(e.DeleteMode(1)));  // mode 2 no longer has modes based on it
    EXPECT_EQ(Numbers(e), (std::vector<int32_t>{0, 3, 1}));
    EXPECT_EQ(std::pair(e.Modes()[1].basedOn, e.Modes()[2].basedOn), std::pair(0, 0));
}

// What the file cannot keep is not taken: a key file name with a blank would split its
// line, and a description is a comment only behind a "#".
TEST(PuppetEditor, SubModeLinesAndCommentsStayWhatTheFileKeeps)
{
    Walker w;
    PuppetEditor e(w.doc);
    for (const char* bad : {"my key", "k#1", ""}) {
        EXPECT_FALSE(e.AddSubMode(0, {"walk", bad, 0, 0, 0, ""})) << bad;
        EXPECT_FALSE(e.EditSubMode(0, 0, {"walk", bad, 0, 0, 0, ""})) << bad;
    }
    EXPECT_EQ(e.AddSubMode(0, {"walk", "my key", 0, 0, 0, ""}).error(), "A key file name cannot hold blanks or \"#\".");
    EXPECT_EQ(e.Modes()[0].items.size(), 2u);

    ASSERT_TRUE(orvtest::Ok(e.AddMode(0, "aimed\nweapon")));
    EXPECT_EQ(e.Modes()[1].comment, "# aimed weapon");
    ASSERT_TRUE(orvtest::Ok(e.EditMode(1, 0, "  # swimming")));
    EXPECT_EQ(e.Modes()[1].comment, "# swimming");
    ASSERT_TRUE(orvtest::Ok(e.EditSubMode(0, 1, {"walk", "wkwalk", 0, 1, 1, "walk slowly"})));
    EXPECT_EQ(e.Modes()[0].items[1].description, "# walk slowly");
}

// Links as a file gives them are kept until changed: one to a missing mode or to a mode
// listed later, and numbers a file repeats; no edit closes a loop of links.
TEST(PuppetEditor, LinksReadFromAFileAreKeptUntilChanged)
{
    Walker w;
    // Mode 1 based on a mode listed after it, mode 4 on no mode, a second mode 0.
    for (const auto& [number, basedOn] : {std::pair{1, 2}, {2, -1}, {4, 9}, {0, -1}, {3, 0}})
        w.Model().puppetModes.push_back({number, basedOn, "", {}});
    PuppetEditor e(w.doc);
    ASSERT_TRUE(orvtest::Ok(e.EditMode(3, 9, "# kept")));
    EXPECT_EQ(e.Modes()[3].basedOn, 9);
    EXPECT_EQ(e.EditMode(2, 1, "# loop").error(),
              "Cannot base this mode on mode 1, since mode 1 is based on this mode.");
    EXPECT_EQ(e.Modes()[2].basedOn, -1);
    // One of two modes 0 may go (mode 3 is based on the number, which stays); not both.
    ASSERT_TRUE(orvtest::Ok(e.DeleteMode(4)));
    EXPECT_EQ(e.DeleteMode(0).error(), "Cannot delete puppet mode, since mode 3 is based on this mode.");
}

TEST(PuppetEditor, StockKeyframesAndTheGamesFoldersAreLeftAlone)
{
    Walker w;
    w.Stock();
    PuppetEditor e(w.doc);
    EXPECT_TRUE(e.StockSubMode(0, 1));
    EXPECT_FALSE(e.StockSubMode(0, 0));
    EXPECT_FALSE(e.ModeEditable(0));  // its last sub-mode plays a stock keyframe
    EXPECT_EQ(e.AddSubMode(0, {"walk", "wkwalk", 0, 0, 0, ""}).error(),
              "Cannot create key data, since the specified name\nalready exists in the Jk/Mots resource file.");
    EXPECT_EQ(e.Modes()[0].items.size(), 2u);

    // A model opened from the game's folders writes nothing there.
    fs::copy_file(w.dir / "walker.3do", w.dir / "game" / "walker.3do");
    ASSERT_TRUE(orvtest::Ok(w.doc.OpenDocument((w.dir / "game" / "walker.3do").string())));
    const Status written = WriteDocumentPuppet(w.doc);
    EXPECT_NE(written.error().find("belongs to the game's resources"), std::string::npos) << written.error();
    EXPECT_FALSE(fs::exists(w.dir / "game" / "walker.pup"));
    // A model without a file has no folder for them.
    w.doc.NewDocument();
    EXPECT_FALSE(AnimationFolder(w.doc));
}

TEST(KeyframeEditor, NodesEntriesHeaderAndTheSaveRule)
{
    Walker w;
    w.Walk();
    KeyframeEditor e(w.doc);
    e.AddNode("head");
    EXPECT_EQ(e.currentNode, 5);
    for (int32_t frame : {0, 4, 8})
        e.AddEntry(5, {frame, 0x10, {0, 0, 0}, {0, 0, 20}});
    e.currentEntry = 1;
    e.DeleteCurrent();  // the file below keeps entries 0 and 2
    EXPECT_EQ(e.currentEntry, 1);

    e.EditHeader(0, 0xFFFF, 6, 30.0f);
    const Status refused = e.Savable();
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), "Cannot save keyfile, since node \"torso\" has wrong frame.");
    EXPECT_EQ(w.Commit(e).message, refused.error());
    EXPECT_FALSE(w.doc.CanUndo());
    e.EditHeader(0, 0xFFFF, 16, 30.0f);
    EXPECT_EQ(w.Commit(e).message, "");
    EXPECT_EQ(std::tuple(w.doc.history.UndoList().size(), w.Model().keyframe->nodes.size()), std::tuple(1u, 6u));
    EXPECT_FLOAT_EQ(w.Model().frameTime, 1.0f / 30.0f);
    orvtest::ExpectSameAsFixture("expected", "keyframe_editor.key", orvtest::SlurpText(w.dir / "wkwalk.key"));
    ViewState v;
    ASSERT_TRUE(orvtest::Ok(w.doc.Undo(v)));
    EXPECT_EQ(w.Model().keyframe->nodes.size(), 5u);

    // A stock keyframe is shown, not changed, and closes without a save.
    w.Stock();
    fs::remove(w.dir / "wkwalk.key");
    KeyframeEditor stock(w.doc);
    EXPECT_TRUE(stock.Stock());
    stock.AddNode("head");
    EXPECT_EQ(stock.Keyframe().nodes.size(), 5u);
    EXPECT_FALSE(w.Commit(stock).changed);
    EXPECT_FALSE(fs::exists(w.dir / "wkwalk.key"));
}

// Reading the fields is the text rules'; here what the dialogs say about them.
TEST(AnimFields, RangeMessagesAndSubModeNames)
{
    EXPECT_EQ(RangeMessage(0xFF), "Enter a value between 0x0 and 0xff\n");
    EXPECT_EQ(SubModeDescription(SubModeNumber("fire2")), "# submode 9 = fire2");
    EXPECT_EQ(DescriptionAfterEquals("# submode 1 =   walk"), "walk");
}

// A node the walk cannot reach still shows; Apply rebuilds the pose.
TEST(HierarchyEdit, TreeAndApply)
{
    Settings settings;
    COrvaneDoc doc(settings, {});
    for (int i = 0; i < 4; ++i)
        orvtest::AddMesh(*doc.model);
    CModel& m = *doc.model;
    m.nodes[0].sibling = -1;
    m.nodes[0].child = 1;  // nodes 1 and 2 siblings under it
    m.nodes[2].sibling = -1;
    m.nodes[3].parent = 9;
    m.RebuildHierarchy();
    const auto tree = HierarchyTree(m);
    ASSERT_EQ(tree.size(), 4u);
    EXPECT_EQ(std::pair(tree[0].node, tree[0].under), std::pair(0, HierarchyTreeItem::kUnderRoot));
    EXPECT_EQ(std::pair(tree[2].node, tree[2].under), std::pair(2, 0));
    EXPECT_EQ(std::pair(tree[3].node, tree[3].under), std::pair(3, HierarchyTreeItem::kTopLevel));
    // A chain deeper than the tree nests: the nodes past its last level stand on it beside
    // their forebear there (the window's tree overflowed the stack on an 80,000-deep chain).
    CModel chain;
    const auto deep = static_cast<int32_t>(kMaxTreeDepth + 2);
    chain.nodes.resize(static_cast<std::size_t>(deep));
    for (int32_t i = 0; i + 1 < deep; ++i)
        chain.nodes[static_cast<std::size_t>(i)].child = i + 1;
    chain.RebuildHierarchy();
    const auto nested = HierarchyTree(chain);
    ASSERT_EQ(nested.size(), static_cast<std::size_t>(deep));
    for (const int32_t i : {1, deep - 3})
        EXPECT_EQ(nested[static_cast<std::size_t>(i)].under, i - 1) << i;
    for (const int32_t i : {deep - 2, deep - 1})
        EXPECT_EQ(nested[static_cast<std::size_t>(i)].under, deep - 4) << i;

    orvtest::AddSquare(*m.MeshAt(1), 0, 0, 0, 0.5f);
    NodeFields f = FieldsOfNode(m.nodes[1]);
    f.position = {1, 2, 3};
    f.pivot = {0, 0, 1};
    EditContext c(doc, settings);
    EXPECT_TRUE(doc.Run(c, ApplyNodeFields, NodeEdit{1, f}).changed);
    orvtest::ExpectClose(Vec3(m.nodes[1].poses[0](3, 0), m.nodes[1].poses[0](3, 1), m.nodes[1].poses[0](3, 2)),
                         {1, 2, 3});
    EXPECT_NEAR(m.MeshAt(1)->faces[0].corners[0].z, 1.0f, 1e-6f);  // the pivot moved the corners
    EXPECT_FALSE(doc.Run(c, ApplyNodeFields, NodeEdit{1, f}).changed);
}

// The first sub-mode whose keyframe reads is chosen, without a change to the document or
// to what a save writes; a project keeps the choice it stored.
TEST(ReadyToPlay, TheFirstSubModeWhoseKeyframeReads)
{
    Walker w;
    const auto choice = MakeReadyToPlay(w.doc);
    ASSERT_TRUE(choice);
    EXPECT_EQ(ReadyToPlayText(*choice), "Ready to play: mode 0, stand (wkstand.key)");
    EXPECT_EQ(std::pair(w.doc.IsModified(), w.doc.history.CanUndo()), std::pair(false, false));
    // A plain save writes what it would without.
    Walker plain;
    ASSERT_TRUE(orvtest::Ok(w.doc.SaveDocument((w.dir / "a.3do").string())));
    ASSERT_TRUE(orvtest::Ok(plain.doc.SaveDocument((plain.dir / "a.3do").string())));
    EXPECT_TRUE(orvtest::SlurpText(w.dir / "a.3do") == orvtest::SlurpText(plain.dir / "a.3do"));
    // Nothing is selected yet: Animate Mode starts, the nudges wait for a clicked mesh.
    EditContext c(w.doc, w.settings, &w.selection);
    ASSERT_NE(SwitchAnimateMode(c).effects, 0u);
    EXPECT_NE(WhyNotMove(c), nullptr);

    // The first sub-modes' keyframes are missing or are no keyframes: the next mode's
    // first one that reads is taken.
    Walker v;
    std::ofstream(v.dir / "notkey.key") << "this is no keyframe\n";
    auto& modes = v.Model().puppetModes;
    modes[0].items = {{"stand", "gone.key", 0, 0, 0, ""}, {"walk", "notkey.key", 0, 0, 0, ""}};
    modes.push_back({4, -1, "", {{"run", "gone2.key", 0, 0, 0, ""}, {"walk", "WKWALK.KEY", 0, 0, 0, ""}}});
    const auto later = MakeReadyToPlay(v.doc);
    ASSERT_TRUE(later);
    EXPECT_EQ(std::pair(later->mode, later->subMode), std::pair(1, 1));
    EXPECT_EQ(ReadyToPlayText(*later), "Ready to play: mode 4, walk (WKWALK.KEY)");
    EXPECT_EQ(v.Model().frameCount, 16);

    // None reads: not ready, and the model is as it was.
    Walker n;
    n.Model().puppetModes[0].items[0].keyFile = "gone.key";
    n.Model().puppetModes[0].items[1].keyFile = "notkey.key";
    std::ofstream(n.dir / "notkey.key") << "no keyframe here\n";
    const std::string before = n.Stored();
    EXPECT_FALSE(MakeReadyToPlay(n.doc));
    EXPECT_FALSE(n.Model().keyframe);
    EXPECT_EQ(n.Stored(), before);

    const fs::path project = n.dir / "walker.orv";
    fs::copy_file(orvtest::Fixture("orv", "walker.orv"), project);
    const std::vector<uint8_t> bytes = orvtest::Slurp(project);
    COrvaneDoc doc(n.settings, {});
    ASSERT_TRUE(orvtest::Ok(doc.OpenDocument(project.string())));
    (void)MakeReadyToPlay(doc);
    const fs::path out = n.dir / "saved.orv";
    ASSERT_TRUE(orvtest::Ok(doc.SaveDocument(out.string())));
    EXPECT_TRUE(orvtest::Slurp(out) == bytes) << "the saved project differs from the one read";
}

// "&OK" without a change leaves the document unmodified and writes no file.
TEST(PuppetEditor, OkWithoutAChangeChangesNothing)
{
    Walker w;
    ASSERT_TRUE(MakeReadyToPlay(w.doc));
    const std::string pup = orvtest::SlurpText(w.dir / "walker.pup");
    {
        PuppetEditor e(w.doc);
        EXPECT_FALSE(e.ChangesModel());
        EXPECT_EQ(w.Commit(e).message, "");
    }
    EXPECT_EQ(std::pair(w.doc.IsModified(), w.doc.history.CanUndo()), std::pair(false, false));
    EXPECT_EQ(orvtest::SlurpText(w.dir / "walker.pup"), pup);

    // An edit made and undone in the dialog is no change either.
    {
        PuppetEditor e(w.doc);
        ASSERT_TRUE(orvtest::Ok(e.EditMode(0, -1, "# other")));
        EXPECT_TRUE(e.ChangesModel());
        ASSERT_TRUE(orvtest::Ok(e.EditMode(0, -1, w.Model().puppetModes[0].comment)));
        EXPECT_FALSE(e.ChangesModel());
    }

    // Another sub-mode is a change: one undo step, its keyframe loaded.
    PuppetEditor walk(w.doc);
    walk.currentSubMode = 1;
    EXPECT_TRUE(walk.ChangesModel());
    (void)w.Commit(walk);
    EXPECT_EQ(w.doc.history.UndoList().size(), 1u);
    EXPECT_EQ(w.Model().keyframe->name, "wkwalk.key");

    // The same choice whose keyframe the model does not hold yet loads it, as before.
    Walker fresh;
    ASSERT_FALSE(fresh.Model().keyframe);
    PuppetEditor same(fresh.doc);
    EXPECT_TRUE(same.ChangesModel());
    EXPECT_TRUE(fresh.Commit(same).changed);
    EXPECT_EQ(fresh.Model().keyframe.value_or(CKeyframe()).name, "wkstand.key");
}
