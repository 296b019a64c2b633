#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

#include "commands/command_table.h"
#include "document/document.h"
#include "edit/properties.h"
#include "edit/selection.h"
#include "formats/samplemodel.h"
#include "scene_builder.h"
#include "view/camera.h"

using namespace orv;

// A mistake in the table (an id twice, two commands on one place, a menu item without a
// prompt) would show as a missing or shadowed menu item, so the table checks itself.
TEST(CommandTable, RowsAreUniqueAndComplete)
{
    std::set<int> ids;
    std::map<std::pair<Menu, int>, int> menuPlaces;
    std::map<std::pair<Bar, int>, int> barPlaces;
    for (const CommandRow& row : CommandTable()) {
        EXPECT_TRUE(ids.insert(row.id).second) << "id " << row.id << " twice";
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
        if (row.menu.menu == Menu::None && row.bar.bar == Bar::None && row.run && !heldKey) {
            EXPECT_NE(*row.keys, '\0') << row.id << " can be reached by nothing";
        }
    }
    EXPECT_EQ(FindCommand(-1), nullptr);
}

namespace {

// A document with the sample walker and a view's selection and camera, no window.
struct Commands {
    Settings settings;
    COrvaneDoc doc{settings, {}};
    Selection selection;
    Camera camera = orvtest::CameraAt({0, 0, -1});

    Commands()
    {
        doc.model = MakeSampleModel();
        orvtest::Place(*doc.model);
    }
    EditContext Context(bool drawing = true)
    {
        EditContext c(doc, settings, &selection, &camera);
        c.drawing = drawing;
        return c;
    }
    CommandResult Run(int id, bool drawing = true)
    {
        EditContext c = Context(drawing);
        return RunCommand(id, c);
    }
    bool Enabled(int id) { return CommandEnabled(*FindCommand(id), Context()); }
    bool Checked(int id) { return CommandChecked(*FindCommand(id), Context()); }
};

}  // namespace

// The commands run without a window: each says what the window must refresh.
TEST(CommandTable, CommandsRunThroughTheTableWithoutAWindow)
{
    Commands t;
    // Mesh mode needs a current mesh: refused until there is one.
    EXPECT_FALSE(t.Enabled(cmd::MeshMode));
    EXPECT_FALSE(t.Run(cmd::MeshMode).ran);
    t.selection.currentMesh = 0;
    const CommandResult mesh = t.Run(cmd::MeshMode);
    EXPECT_TRUE(mesh.ran);
    EXPECT_EQ(mesh.effects, kViewStateChanged);
    EXPECT_TRUE(t.Checked(cmd::MeshMode));
    EXPECT_FALSE(t.Checked(cmd::FaceMode));

    // A standard view checks itself; "Middle" asks for a new measurement.
    EXPECT_TRUE(t.Run(cmd::ViewTop).ran);
    EXPECT_TRUE(t.Checked(cmd::ViewTop));
    EXPECT_FALSE(t.Checked(cmd::ViewFront));
    EXPECT_EQ(t.Run(cmd::Middle).effects, kViewStateChanged | kMeasure);
    // Camera commands need a drawing view.
    EXPECT_FALSE(t.Run(cmd::MoveForward, /*drawing=*/false).ran);
    const float z = t.camera.eye.z;
    EXPECT_EQ(t.Run(cmd::MoveForward).effects, kRedrawView);
    EXPECT_NEAR(t.camera.eye.z, z + 0.005f, 1e-6f);
    EXPECT_EQ(t.Run(cmd::Enlarge).effects, kViewStateChanged | kRecreateDevice);
    EXPECT_TRUE(t.doc.modes.enlarge);
    // A bookmark row stores and recalls its own slot.
    ASSERT_TRUE(t.Run(cmd::BookmarkStore0 + 3).ran);
    const Vec3 marked = t.camera.eye;
    t.Run(cmd::MoveForward);
    ASSERT_TRUE(t.Run(cmd::BookmarkRecall0 + 3).ran);
    EXPECT_EQ(t.camera.eye, marked);

    // Each row's enable rule follows the selection (a row pointing at another command's
    // rule shows here).
    Commands s;
    auto enabled = [&](std::initializer_list<int> ids, bool on) {
        for (int id : ids)
            EXPECT_EQ(s.Enabled(id), on) << id;
    };
    enabled({cmd::MeshRendered, cmd::MeshMode, cmd::FaceMode, cmd::GridOnOff, cmd::TexturingMode, cmd::VertexLarger},
            false);
    enabled({cmd::RenderAll, cmd::ViewTop, cmd::Middle, cmd::ScaleUp, cmd::CoordinateMode}, true);
    s.selection.currentMesh = s.selection.currentFace = 0;
    enabled({cmd::MeshRendered, cmd::MeshMode, cmd::FaceMode, cmd::GridOnOff, cmd::TexturingMode}, true);
    ASSERT_TRUE(s.Run(cmd::MeshMode).ran);
    EXPECT_FALSE(s.Enabled(cmd::TexturingMode));

    // Document and view commands without a document are never enabled.
    EditContext none;
    EXPECT_FALSE(CommandEnabled(*FindCommand(cmd::ViewFront), none));
    EXPECT_FALSE(RunCommand(cmd::ViewFront, none).ran);
    // Commands the window supplies have no core function to run.
    EXPECT_FALSE(t.Run(cmd::FileOpen).ran);
}

TEST(CommandTable, UndoThroughTheTableBringsBackModelSelectionAndCamera)
{
    Commands t;
    EXPECT_FALSE(t.Enabled(cmd::EditUndo));
    t.selection.currentMesh = 2;
    const Vec3 eye = t.camera.eye;
    t.doc.currentView = [&t] {
        return ViewState{t.selection.currentMesh, t.selection.currentFace, t.selection.currentNode,
                         CameraState{t.camera.eye, t.camera.direction, t.camera.up}};
    };
    MeshFields fields = MeshFieldsOf(*t.doc.model->MeshAt(2));
    fields.name = "renamed";
    EditContext c = t.Context();
    ASSERT_TRUE(t.doc.Run(c, SetMeshFields, MeshEdit{2, fields}).changed);
    t.selection.currentMesh = -1;
    t.camera.MoveCamera(0.5f);
    ASSERT_TRUE(t.Enabled(cmd::EditUndo));
    const CommandResult undo = t.Run(cmd::EditUndo);
    ASSERT_TRUE(undo.ran);
    EXPECT_EQ(undo.effects, kModelReplaced | kViewStateChanged | kSelectionChanged);
    EXPECT_NE(t.doc.model->MeshAt(2)->name, "renamed");
    EXPECT_EQ(t.selection.currentMesh, 2);
    EXPECT_EQ(t.camera.eye, eye);
    EXPECT_TRUE(t.Run(cmd::EditRedo).ran);
    EXPECT_EQ(t.doc.model->MeshAt(2)->name, "renamed");
}
