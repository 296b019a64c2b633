#include "app/viewcommands.h"

#include <QAction>

#include "app/childframe.h"
#include "app/commands.h"
#include "app/mainframe.h"

namespace orv {

namespace {

struct ViewCommand {
    int id;
    const char* text;
    const char* prompt;
    QList<QKeySequence> keys;
    bool menu = true;  // shown in menus and toolbars; keys-only commands are not
};

QList<ViewCommand> Table()
{
    using namespace cmd;
    auto k = [](QKeyCombination key) { return QKeySequence(key); };
    QList<ViewCommand> t = {
        {EditUndo, "&Undo", "Undo the last action\nUndo", {k(Qt::CTRL | Qt::Key_Z), k(Qt::ALT | Qt::Key_Backspace)}},
        {EditRedo, "&Redo", "Redo the previously undone action\nRedo", {}},
        {RenderAll, "All Meshes &Rendered", "Show all meshes rendered\nAll meshes rendered", {}},
        {WireAll, "All Meshes as &Wireframes", "Show all meshes as wireframes\nAll meshes as wireframes", {}},
        {MeshRenderedWire, "Mesh Rendered && Wireframes", "Show mesh rendered & wireframes\nMesh rendered & wireframes", {}},
        {MeshRendered, "Mesh Rendered", "Show mesh rendered\nMesh rendered", {}},
        {MeshWire, "Mesh as Wireframes", "Show mesh as wireframes\nMesh as wireframes", {}},
        {ViewFront, "&Front View", "View object from front\nFront View", {}},
        {ViewBack, "&Back View", "View object from back\nBack View", {}},
        {ViewLeft, "&Left View", "View object from left\nLeft View", {}},
        {ViewRight, "&Right View", "View object from right\nRight View", {}},
        {ViewTop, "&Top View", "View object from top\nTop View", {}},
        {ViewBottom, "Botto&m View", "View object from bottom\nBottom View", {}},
        {ViewRotate, "R&otate View", "Rotate View\nRotate View", {}},
        {Enlarge, "&Enlarge View (W)", "Enlarge view 10 times\nEnlarge View (W)", {k(Qt::Key_W)}},
        {ScaleUp, "Scale &Up", "Scale Up\nScale Up", {}},
        {ScaleDown, "Scale &Down", "Scale Down\nScale Down", {}},
        {GridOnOff, "&Grid on/off (G)", "Show/Hide Grid\nGrid on/off (G)", {k(Qt::Key_G)}},
        {GridSmaller, "Grid Smaller", "Make grid smaller\nGrid smaller", {k(Qt::KeypadModifier | Qt::Key_Plus)}},
        {GridLarger, "Grid Larger", "Make grid larger\nGrid larger", {k(Qt::KeypadModifier | Qt::Key_Minus)}},
        {GridFacesOnly, "Face Only", "Show grid nodes only on faces\nFace Only", {}},
        {GridEdgesOnly, "Edges Only", "Show grid nodes only on edges\nEdges Only", {}},
        {VertexLarger, "Nodes/Vertices Larger", "Make grid nodes & vertices larger\nNodes/Vertices larger",
         {k(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus)}},
        {VertexSmaller, "Nodes/Vertices Smaller", "Make grid nodes & vertices smaller\nNodes/Vertices smaller",
         {k(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus)}},
        {MeshMode, "&Mesh Mode", "Select Mesh Mode\nMesh Mode", {k(Qt::Key_M)}},
        {FaceMode, "&Face Mode", "Select Face Mode\nFace Mode", {k(Qt::Key_F)}},
        {TexturingMode, "&Texturing Mode", "Select Texturing Mode\nTexturing Mode", {}},
        {CoordinateMode, "&Coordinate Mode", "Select Coordinate Mode\nCoordinate Mode", {}},
        {MoveForward, "Move Fore&ward", "Move Foreward\nMove Foreward", {}},
        {MoveBackward, "Move Back&ward", "Move Backward\nMove Backward", {}},
        {Middle, "&Middle", "Middle\nMiddle", {}},
        {PanUp, "Pan Up", "Pan up\nPan Up (U)", {k(Qt::Key_U)}, false},
        {PanDown, "Pan Down", "Pan down\nPan Down (D)", {k(Qt::Key_D)}, false},
        {PanLeft, "Pan Left", "Pan left\nPan Left (L)", {k(Qt::Key_L)}, false},
        {PanRight, "Pan Right", "Pan right\nPan Right (R)", {k(Qt::Key_R)}, false},
        {Options, "&Options...", "Change Options\nOptions", {}},
    };
    for (int i = 0; i <= 9; ++i) {
        t.append({BookmarkStore0 + i, "Store Bookmark", "Store the camera in a bookmark\nStore Bookmark",
                  {k(Qt::CTRL | Qt::Key(Qt::Key_0 + i))}, false});
        t.append({BookmarkRecall0 + i, "Recall Bookmark", "Bring back the camera of a bookmark\nRecall Bookmark",
                  {k(Qt::Key(Qt::Key_0 + i))}, false});
    }
    return t;
}

}  // namespace

void DefineViewCommands(CMainFrame& frame, const std::function<CChildFrame*()>& activeFrame)
{
    for (const ViewCommand& c : Table()) {
        QAction* a = frame.DefineCommand(c.id, QString::fromLatin1(c.text), QString::fromLatin1(c.prompt), c.keys);
        // These keys belong to the 3D view: a pane with the focus types the letter instead.
        a->setShortcutContext(Qt::WidgetShortcut);
        a->setProperty("viewKeysOnly", !c.menu);
        const int id = c.id;
        frame.SetHandler(
            id,
            [activeFrame, id] {
                if (CChildFrame* f = activeFrame(); f && f->viewCommands.run)
                    f->viewCommands.run(id);
            },
            [activeFrame, id] {
                CChildFrame* f = activeFrame();
                return f && f->viewCommands.enabled && f->viewCommands.enabled(id);
            },
            ViewCommandCheckable(id) ? std::function<bool()>([activeFrame, id] {
                CChildFrame* f = activeFrame();
                if (!f || !f->viewCommands.checked)
                    return false;
                const auto c = f->viewCommands.checked(id);
                return c.value_or(false);
            })
                                     : std::function<bool()>());
    }
}

QList<int> ViewCommandIds()
{
    QList<int> ids;
    for (const ViewCommand& c : Table())
        ids.append(c.id);
    return ids;
}

bool ViewCommandCheckable(int id)
{
    using namespace cmd;
    switch (id) {
    case RenderAll: case WireAll: case MeshRenderedWire: case MeshRendered: case MeshWire:
    case ViewFront: case ViewBack: case ViewLeft: case ViewRight: case ViewTop: case ViewBottom: case ViewRotate:
    case Enlarge: case GridOnOff: case GridFacesOnly: case GridEdgesOnly:
    case MeshMode: case FaceMode: case TexturingMode: case CoordinateMode:
        return true;
    default:
        return false;
    }
}

}  // namespace orv
