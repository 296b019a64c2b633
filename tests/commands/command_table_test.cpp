#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <utility>

#include "anim/playback.h"
#include "edit/properties.h"
#include "edit/transform.h"
#include "formats/model3do.h"
#include "support/opened_sample.h"

using namespace orv;

// A mistake in the table would show as a missing or shadowed menu item. A row whose id
// an earlier row has too is never found.
TEST(CommandTable, RowsAreUniqueAndComplete)
{
    std::map<std::pair<Menu, int>, int> menuPlaces;
    std::map<std::pair<Bar, int>, int> barPlaces;
    for (const CommandRow& row : CommandTable()) {
        EXPECT_EQ(FindCommand(row.id), &row);
        if (row.menu.menu != Menu::None) {
            EXPECT_NE(*row.text, '\0') << row.id << " is in a menu without a text";
            EXPECT_NE(*row.prompt, '\0') << row.id;
            const auto [at, fresh] = menuPlaces.emplace(std::pair(row.menu.menu, row.menu.order), row.id);
            EXPECT_TRUE(fresh) << row.id << " and " << at->second << " share a menu place";
        }
        if (row.bar.bar != Bar::None) {
            const auto [at, fresh] = barPlaces.emplace(std::pair(row.bar.bar, row.bar.order), row.id);
            EXPECT_TRUE(fresh) << row.id << " and " << at->second << " share a toolbar place";
        }
        // A command with neither menu nor toolbar place is reached by its keys.
        const bool heldKey = row.id == cmd::KeyMoveForward || row.id == cmd::KeyMoveBackward ||
                             row.id == cmd::KeyTurnLeft || row.id == cmd::KeyTurnRight || row.id == cmd::KeyTiltUp ||
                             row.id == cmd::KeyTiltDown;
        if (row.menu.menu == Menu::None && row.bar.bar == Bar::None && row.core.run && !heldKey) {
            EXPECT_NE(*row.keys, '\0') << row.id << " can be reached by nothing";
        }
    }
    EXPECT_EQ(FindCommand(-1), nullptr);
}

using Opened = orvtest::OpenedSample;

// The commands run without a window; what each asks the window to refresh is in the sweep's
// record below.
TEST(CommandTable, CommandsRunThroughTheTableWithoutAWindow)
{
    Opened t;
    t.selection.currentMesh = 0;
    EXPECT_TRUE(t.Run(cmd::MeshMode).ran);
    EXPECT_TRUE(t.Checked(cmd::MeshMode));
    EXPECT_FALSE(t.Checked(cmd::FaceMode));
    EXPECT_TRUE(t.Run(cmd::ViewTop).ran);
    EXPECT_TRUE(t.Checked(cmd::ViewTop));
    EXPECT_FALSE(t.Checked(cmd::ViewFront));
    EXPECT_TRUE(t.Run(cmd::Enlarge).ran);
    EXPECT_TRUE(t.doc.modes.enlarge);
    // A bookmark row stores and recalls its own slot.
    ASSERT_TRUE(t.Run(cmd::BookmarkStore0 + 3).ran);
    const Vec3 marked = t.camera.eye;
    t.Run(cmd::MoveForward);
    ASSERT_TRUE(t.Run(cmd::BookmarkRecall0 + 3).ran);
    EXPECT_EQ(t.camera.eye, marked);

    // Commands the window supplies have no core function to run.
    EXPECT_FALSE(t.Run(cmd::FileOpen).ran);
}

namespace {

// The selections and modes the edit commands act in.
enum class Scene { Face, FaceGroup, Mesh, LeafMesh, Carve, Animate, AnimateAfterLastEntry, GeometrySet };

void Arrange(Opened& o, Scene scene)
{
    EditModes& m = o.doc.modes;
    Selection& s = o.selection;
    s.currentMesh = 2;
    s.currentFace = 1;
    EditContext c = o.Context();
    switch (scene) {
    case Scene::Face:
        s.currentFace = 0;
        ASSERT_TRUE(orvtest::Ran(Copy(c)) || o.clip.face);
        s.currentFace = 1;
        break;
    case Scene::FaceGroup:
        m.faceMode = true;
        o.doc.model->MeshAt(2)->faces[0].name = o.doc.model->MeshAt(2)->faces[1].name = "pair";
        (void)Copy(c);
        ASSERT_TRUE(o.clip.mesh);
        break;
    case Scene::Mesh:
    case Scene::LeafMesh:
        m.meshMode = true;
        s.currentFace = -1;
        if (scene == Scene::LeafMesh)
            s.currentMesh = static_cast<int32_t>(o.doc.model->CurrentGeoset()->meshes.size()) - 1;
        (void)Copy(c);
        ASSERT_TRUE(o.clip.mesh);
        break;
    case Scene::Carve: {
        m.meshMode = true;
        m.grid = true;
        s.currentFace = -1;
        // A plane x = const through the middle of the mesh as drawn.
        const CMesh& mesh = *o.doc.model->MeshAt(2);
        Vec3 mid;
        float n = 0;
        for (const auto& f : mesh.faces)
            for (const auto& corner : f.corners) {
                mid += TransformPoint(corner.Position(), o.doc.model->MeshMatrix(2));
                ++n;
            }
        mid = mid / n;
        s.selectedPositions = {mid + Vec3(0, -1, -1), mid + Vec3(0, 1, -1), mid + Vec3(0, 1, 1)};
        break;
    }
    case Scene::Animate:
    case Scene::AnimateAfterLastEntry:
        o.doc.model->currentMode = 0;
        o.doc.model->currentSubMode = 1;  // the walk
        ASSERT_TRUE(o.doc.LoadCurrentKeyframe());
        m.meshMode = true;
        s.currentFace = -1;
        ASSERT_TRUE(orvtest::Ran(SwitchAnimateMode(c)));
        o.doc.model->currentFrame = scene == Scene::Animate ? 5 : 13;
        break;
    case Scene::GeometrySet:
        // A second level of detail, a face copied, and then no current mesh or face: what
        // Cut and Delete remove is the current geometry set.
        ASSERT_TRUE(o.doc.Run(c, AddGeometry).changed);
        s.currentMesh = 2;
        s.currentFace = 0;
        (void)Copy(c);
        ASSERT_TRUE(o.clip.face);
        s.currentMesh = s.currentFace = -1;
        break;
    }
}

}  // namespace

// Every command, in each scene and on the real models, leaves one undo step exactly when it
// changed what a save keeps; Undo gives the 3DO file back byte for byte, Redo the change.
// Delete's lines match Cut's but for the clipboard, which Delete leaves as it was.
TEST(CommandTable, EveryCommandLeavesOneUndoStepExactlyWhenItChangedTheModel)
{
    struct Setup {
        std::string name;
        std::filesystem::path file;
        std::function<void(Opened&)> arrange;
    };
    std::vector<Setup> setups;
    for (Scene scene : {Scene::Face, Scene::FaceGroup, Scene::Mesh, Scene::LeafMesh, Scene::Carve, Scene::Animate,
                        Scene::AnimateAfterLastEntry})
        setups.push_back({"scene " + std::to_string(int(scene)), {}, [scene](Opened& o) { Arrange(o, scene); }});
    for (const std::filesystem::path& file : orvtest::CorpusFiles("3do", ".3do"))
        for (const bool meshMode : {false, true})
            setups.push_back({file.filename().string() + (meshMode ? ", mesh mode" : ""), file, [meshMode](Opened& o) {
                                  o.selection.currentMesh = 0;
                                  o.selection.currentFace = meshMode ? -1 : 0;
                                  o.doc.modes.meshMode = meshMode;
                                  EditContext c = o.Context();
                                  (void)Copy(c);
                              }});
    std::string outcomes;  // what each command made of each scene, against the recorded outcomes
    for (const Setup& setup : setups) {
        for (const CommandRow& row : CommandTable()) {
            if (!row.core.run || row.scope == CommandScope::Application || row.id == cmd::EditUndo ||
                row.id == cmd::EditRedo)
                continue;
            Opened o(setup.file);
            setup.arrange(o);
            if (::testing::Test::HasFatalFailure())
                return;
            EditContext c = o.Context();
            if (!CommandEnabled(row, c))
                continue;
            SCOPED_TRACE(setup.name + ", command " + std::to_string(row.id));
            const std::string before = o.Stored(), fileBefore = Format3do(*o.doc.model, "x.3do");
            const std::size_t steps = o.doc.history.UndoList().size();
            const auto viewBefore = std::tuple(o.selection.currentMesh, o.selection.currentFace, o.camera.eye);
            const CommandResult r = RunCommand(row, c);
            if (setup.file.empty()) {
                ASSERT_TRUE(r.ran);
            }
            EXPECT_TRUE(orvtest::NodesInPlace(*o.doc.model)) << "the nodes stand where they stood before the command";
            const std::string stored = o.Stored();
            const bool changed = stored != before;
            const std::string fileAfter = Format3do(*o.doc.model, "x.3do");
            if (setup.file.empty()) {
                uint64_t hash = 14695981039346656037ull;  // FNV-1a of what a save keeps
                for (unsigned char ch : stored)
                    hash = (hash ^ ch) * 1099511628211ull;
                const Vec3 eye = o.camera.eye, dir = o.camera.direction;
                // The copied face shows by its centre: a Delete that copied would change it.
                const Vec3 copied = o.clip.face ? o.clip.face->Centroid() : Vec3();
                char line[360];
                std::snprintf(line, sizeof line,
                              "%s, command %d: selection %d %d %d, eye %.4f %.4f %.4f to %.4f %.4f %.4f, "
                              "copied %d (%.3f %.3f %.3f) %zu, effects %x, %016llx",
                              setup.name.c_str(), row.id, o.selection.currentMesh, o.selection.currentFace,
                              o.selection.currentNode, eye.x, eye.y, eye.z, dir.x, dir.y, dir.z, o.clip.face ? 1 : 0,
                              copied.x, copied.y, copied.z, o.clip.mesh ? o.clip.mesh->faces.size() : 0,
                              static_cast<unsigned>(r.effects), static_cast<unsigned long long>(hash));
                outcomes += line + (r.message.empty() ? "" : ", \"" + r.message + "\"") + "\n";
            }
            EXPECT_EQ(o.doc.history.UndoList().size(), steps + (changed ? 1 : 0))
                << (changed ? "the model changed without an undo step" : "an undo step for no change");
            EXPECT_EQ(r.changed, changed) << "the command misreports whether it changed the model";
            if (changed) {
                // Undo and Redo as the table runs them, the camera moved in between: Undo
                // brings back the selection and the camera of its step too.
                o.camera.MoveCamera(0.5f);
                const CommandResult undo = RunCommand(cmd::EditUndo, c);
                EXPECT_EQ(undo.effects, kModelReplaced | kViewStateChanged | kSelectionChanged);
                EXPECT_TRUE(o.Stored() == before) << "Undo did not give back the model as it was";
                EXPECT_TRUE(Format3do(*o.doc.model, "x.3do") == fileBefore) << "Undo did not give the file back";
                EXPECT_EQ(std::tuple(o.selection.currentMesh, o.selection.currentFace, o.camera.eye), viewBefore);
                ASSERT_TRUE(RunCommand(cmd::EditRedo, c).ran);
                EXPECT_TRUE(Format3do(*o.doc.model, "x.3do") == fileAfter) << "Redo did not give back the change";
            }
        }
    }
    // The recorded hashes show each command's change of the model (a command that stopped
    // changing it would leave the scene's own hash).
    orvtest::ExpectSameAsFixture("expected", "command_outcomes.txt", outcomes);
}

// A cancelled dialog, or no hook for the parameters, changes nothing.
TEST(CommandTable, ACancelledDialogLeavesTheModelAndTheUndoListAlone)
{
    for (const bool withHooks : {true, false}) {
        Opened o;
        Arrange(o, Scene::Face);
        o.hooks.extrude = [](const EditContext&) { return std::optional<ExtrudeParams>(); };
        o.hooks.primitive = [](const EditContext&, PrimitiveShape) { return std::optional<PrimitiveParams>(); };
        o.hooks.confirmCarve = [](const EditContext&) { return false; };
        EditContext c = o.Context();
        if (!withHooks)
            c.hooks = nullptr;
        const std::string before = o.Stored();
        for (int id : {cmd::ExtrudeFace, cmd::CreateRectangle, cmd::CreateCylinder, cmd::CreateDome}) {
            const CommandResult r = RunCommand(id, c);
            EXPECT_TRUE(r.ran) << id;
            EXPECT_FALSE(r.changed) << id;
        }
        o.doc.modes.meshMode = o.doc.modes.grid = true;
        o.selection.selectedPositions = {{0, -1, -1}, {0, 1, -1}, {0, 1, 1}};
        const CommandResult carve = RunCommand(cmd::CarveMesh, c);
        ASSERT_TRUE(carve.ran);
        // Without hooks nothing asks: the carve goes ahead (and is undone below).
        EXPECT_EQ(carve.changed, !withHooks);
        if (!withHooks) {
            ViewState view;
            ASSERT_TRUE(orvtest::Ok(o.doc.Undo(view)));
        }
        EXPECT_EQ(o.Stored(), before);
        EXPECT_FALSE(o.doc.CanUndo());
    }
}

// Where Cut falls back to the whole geometry set Delete does not: a second press deletes
// nothing more.
TEST(CommandTable, DeleteWithNothingSelectedIsDisabled)
{
    const CommandRow& row = *FindCommand(cmd::EditDelete);
    for (Scene scene : {Scene::Mesh, Scene::GeometrySet, Scene::FaceGroup}) {
        SCOPED_TRACE("scene " + std::to_string(int(scene)));
        Opened o;
        Arrange(o, scene);
        EditContext c = o.Context();
        const char* expected = "No face is selected: click a face first";
        if (scene == Scene::Mesh) {
            o.selection.currentMesh = -1;
            expected = "No mesh is selected: click a mesh first";
        } else if (scene == Scene::FaceGroup) {
            ASSERT_TRUE(RunCommand(row, c).changed);  // the first press deletes the group
        }
        EXPECT_STREQ(WhyDisabled(row, c), expected);
        const std::string before = o.Stored();
        EXPECT_FALSE(orvtest::Ran(DeleteSelection(c))) << "the operation's own guard let it through";
        EXPECT_TRUE(o.Stored() == before);
    }
    // Delete sits in the Edit menu after Paste; Shift+Del stays Cut's.
    EXPECT_EQ(row.menu.menu, Menu::Edit);
    EXPECT_EQ(row.menu.order, FindCommand(cmd::EditPaste)->menu.order + 1);
    EXPECT_STREQ(row.keys, "Del");
}

// With no current mesh a render mode showing it alone would show nothing, and a click
// there would never choose another mesh; all meshes wireframed stays so.
TEST(CommandTable, NoCurrentMeshLeavesNoRenderModeShowingItAlone)
{
    for (const int id : {int(cmd::EditDelete), int(cmd::EditCut), int(cmd::AddGeometry)}) {
        for (const RenderMode mode :
             {RenderMode::Mesh, RenderMode::MeshWireframe, RenderMode::MeshAndWireframe, RenderMode::AllWireframe}) {
            SCOPED_TRACE("command " + std::to_string(id) + ", render mode " + std::to_string(int(mode)));
            Opened o;
            Arrange(o, Scene::LeafMesh);
            EditContext c = o.Context();
            ASSERT_TRUE(SetRenderMode(c, mode).effects);
            ASSERT_TRUE(RunCommand(id, c).changed);
            ASSERT_EQ(o.selection.currentMesh, -1);
            const RenderMode expected = mode == RenderMode::AllWireframe ? mode : RenderMode::All;
            EXPECT_EQ(o.doc.modes.renderMode, expected) << "the view shows a mesh that is no longer there";
        }
    }
}

// The reason decides the enabled state, so the two cannot disagree; every reason given in
// each state is recorded.
TEST(CommandTable, EveryDisabledCommandSaysWhy)
{
    std::set<int> seenDisabled;
    std::string reasons;
    auto sweep = [&](const EditContext& c, const std::string& where) {
        std::map<std::string, std::string> idsByReason;
        for (const CommandRow& row : CommandTable()) {
            const char* why = WhyDisabled(row, c);
            EXPECT_EQ(CommandEnabled(row, c), why == nullptr) << where << ", command " << row.id;
            if (!why)
                continue;
            seenDisabled.insert(row.id);
            idsByReason[why] += " " + std::to_string(row.id);
            EditContext run = c;
            EXPECT_FALSE(RunCommand(row, run).ran) << where << ", a disabled command " << row.id << " ran";
        }
        reasons += where + ":\n";
        for (const auto& [why, ids] : idsByReason)
            reasons += "  \"" + why + "\":" + ids + "\n";
    };

    EditContext none;
    sweep(none, "no document");
    {
        Opened o;  // nothing selected, nothing copied
        EditContext c = o.Context();
        sweep(c, "nothing selected");
        c.drawing = false;
        sweep(c, "no drawing device");
        c.clipboard = nullptr;
        sweep(c, "no clipboard");
    }
    for (Scene scene : {Scene::Face, Scene::FaceGroup, Scene::Mesh, Scene::LeafMesh, Scene::Carve, Scene::Animate,
                        Scene::AnimateAfterLastEntry, Scene::GeometrySet}) {
        Opened o;
        Arrange(o, scene);
        if (::testing::Test::HasFatalFailure())
            return;
        EditContext c = o.Context();
        sweep(c, "scene " + std::to_string(int(scene)));
    }
    {
        Opened o;  // carve, step by step
        Arrange(o, Scene::Carve);
        EditContext c = o.Context();
        o.selection.selectedPositions.pop_back();
        sweep(c, "two grid nodes");
        o.doc.modes.grid = false;
        sweep(c, "grid hidden");
        o.settings.grid = 0.02f;
        o.doc.modes.grid = true;
        sweep(c, "grid at its smallest");
    }
    {
        Opened o;  // the last frame, the first, then Animate Mode left, then the keyframe gone
        Arrange(o, Scene::Animate);
        EditContext c = o.Context();
        o.doc.model->currentFrame = o.doc.model->frameCount - 1;
        sweep(c, "last frame");
        o.doc.model->currentFrame = 0;
        sweep(c, "first frame");
        ASSERT_TRUE(RunCommand(cmd::AnimateMode, c).ran);
        o.doc.modes.meshMode = false;
        ASSERT_TRUE(RunCommand(cmd::ViewAnimating, c).ran);
        sweep(c, "animating view");
        // The puppet's keyframe not found: choosing another may help, and Check Model says
        // which are missing. Without a puppet, choosing one is all there is to say.
        o.doc.model->keyframe.reset();
        sweep(c, "no keyframe");
        o.doc.model->puppetModes.clear();
        sweep(c, "no puppet");
    }
    orvtest::ExpectSameAsFixture("expected", "why_disabled.txt", reasons);
    // Every row that can be disabled was seen disabled, with its reason.
    for (const CommandRow& row : CommandTable())
        if (row.scope != CommandScope::Application || row.core.unmet) {
            EXPECT_TRUE(seenDisabled.count(row.id)) << "command " << row.id << " was never seen disabled";
        }
}

// An undo step shares every mesh the command did not say it changed with the step before.
TEST(CommandTable, StepsReadAgainWhatTheCommandBeforeChanged)
{
    for (Scene scene : {Scene::Face, Scene::FaceGroup, Scene::Mesh, Scene::Animate}) {
        for (const CommandRow& row : CommandTable()) {
            if (!row.core.run || row.scope == CommandScope::Application)
                continue;
            Opened o;
            Arrange(o, scene);
            if (::testing::Test::HasFatalFailure())
                return;
            o.doc.history.VerifySharing(true);
            EditContext c = o.Context();
            SCOPED_TRACE("scene " + std::to_string(int(scene)) + ", command " + std::to_string(row.id));
            // A change of the mesh and one back, then the command (a disabled one runs nothing).
            for (const int step : {int(cmd::MoveRightX), int(cmd::MoveLeftX), row.id})
                (void)RunCommand(step, c);
            (void)o.doc.history.Take(*o.doc.model, o.doc.CurrentView());
            ASSERT_EQ(o.doc.history.SharingFaults(), 0u) << "a step shared a mesh the command had changed";
        }
    }
    Opened o;
    Arrange(o, Scene::Face);
    o.doc.history.VerifySharing(true);
    EditContext c = o.Context();
    ASSERT_TRUE(o.doc.Run(c, MoveSelection, NudgeParams{0, 0.001f}).changed);
    o.doc.model->geosets[0].meshes.back().faces[0].corners[0].x += 1.0f;
    (void)o.doc.history.Take(*o.doc.model, o.doc.CurrentView());
    EXPECT_EQ(o.doc.history.SharingFaults(), 1u) << "the check missed a change behind the runner's back";
}
