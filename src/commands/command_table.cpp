#include "commands/command_table.h"

#include <algorithm>
#include <vector>

#include "anim/anim_files.h"
#include "anim/keyframe_edit.h"
#include "anim/playback.h"
#include "document/document.h"
#include "edit/carve.h"
#include "edit/clipboard.h"
#include "edit/primitives.h"
#include "edit/selection.h"
#include "edit/texture_tool.h"
#include "edit/transform.h"
#include "edit/view_commands.h"
#include "model/settings.h"
#include "view/camera.h"

namespace orv {

ViewContext ViewContextOf(const CommandContext& c)
{
    return ViewContext{*c.doc->model, c.doc->modes, *c.settings, c.selection, c.camera};
}

namespace {

// ---- context helpers ---------------------------------------------------------------

CommandResult Done(uint32_t effects) { return CommandResult{true, effects, {}}; }
CommandResult NotRun() { return CommandResult{}; }
CommandResult DoneIf(bool ran, uint32_t effects) { return ran ? Done(effects) : NotRun(); }

bool Drawing(const CommandContext& c) { return c.drawing && c.camera; }

int RenderModeOf(int id)
{
    switch (id) {
    case cmd::RenderAll: return kRenderAll;
    case cmd::WireAll: return kRenderAllWireframe;
    case cmd::MeshRenderedWire: return kRenderMeshAndWireframe;
    case cmd::MeshRendered: return kRenderMesh;
    case cmd::MeshWire: return kRenderMeshWireframe;
    default: return -1;
    }
}

int ViewKindOf(int id)
{
    switch (id) {
    case cmd::ViewFront: return kViewFront;
    case cmd::ViewLeft: return kViewLeft;
    case cmd::ViewRight: return kViewRight;
    case cmd::ViewBack: return kViewBack;
    case cmd::ViewTop: return kViewTop;
    case cmd::ViewBottom: return kViewBottom;
    default: return -1;
    }
}

// ---- render modes, views, scale ------------------------------------------------------

bool CanRenderMode(const CommandContext& c) { return CanSetRenderMode(ViewContextOf(c), RenderModeOf(c.id)); }
bool IsRenderMode(const CommandContext& c) { return c.doc->modes.renderMode == RenderModeOf(c.id); }
CommandResult RenderMode(CommandContext& c)
{
    ViewContext v = ViewContextOf(c);
    return DoneIf(SetRenderMode(v, RenderModeOf(c.id)), kViewStateChanged);
}

bool IsViewKind(const CommandContext& c) { return c.doc->modes.viewKind == ViewKindOf(c.id); }
CommandResult StandardView(CommandContext& c)
{
    ViewContext v = ViewContextOf(c);
    return DoneIf(ShowStandardView(v, ViewKindOf(c.id)), kViewStateChanged);
}

bool IsRotating(const CommandContext& c) { return c.doc->modes.viewKind == kViewRotating; }
CommandResult RotateView(CommandContext& c)
{
    ViewContext v = ViewContextOf(c);
    return DoneIf(StartRotateView(v), kViewStateChanged);
}

// A display setting shared by every view: each redraws with it.
bool IsShaded(const CommandContext& c) { return c.settings && c.settings->shaded != 0; }
CommandResult ToggleShaded(CommandContext& c)
{
    c.settings->shaded = c.settings->shaded != 0 ? 0 : 1;
    return Done(kViewStateChanged | kSettingsChanged);
}

bool IsEnlarged(const CommandContext& c) { return c.doc->modes.enlarge; }
CommandResult EnlargeView(CommandContext& c)
{
    c.doc->modes.enlarge = !c.doc->modes.enlarge;
    return Done(kViewStateChanged | kRecreateDevice);
}

bool CanUp(const CommandContext& c) { return CanScaleUp(ViewContextOf(c)); }
bool CanDown(const CommandContext& c) { return CanScaleDown(ViewContextOf(c)); }
CommandResult Up(CommandContext& c)
{
    ViewContext v = ViewContextOf(c);
    return DoneIf(ScaleUp(v), kViewStateChanged);
}
CommandResult Down(CommandContext& c)
{
    ViewContext v = ViewContextOf(c);
    return DoneIf(ScaleDown(v), kViewStateChanged);
}

// ---- grid, nodes and edit modes --------------------------------------------------------

// A document switch: its rule, its check mark and its toggle, as view_commands gives them.
template <bool (*Can)(const ViewContext&), bool (*Toggle)(ViewContext&)>
bool CanSwitch(const CommandContext& c)
{
    return Can(ViewContextOf(c));
}
template <bool (*Can)(const ViewContext&), bool (*Toggle)(ViewContext&)>
CommandResult Switch(CommandContext& c)
{
    ViewContext v = ViewContextOf(c);
    return DoneIf(Toggle(v), kViewStateChanged);
}

bool GridIsOn(const CommandContext& c) { return c.doc->modes.grid; }
bool FaceOnlyIsOn(const CommandContext& c) { return c.doc->modes.gridFaceOnly; }
bool EdgesOnlyIsOn(const CommandContext& c) { return c.doc->modes.gridEdgesOnly; }
bool MeshModeIsOn(const CommandContext& c) { return c.doc->modes.meshMode; }
bool FaceModeIsOn(const CommandContext& c) { return c.doc->modes.faceMode; }
bool TexturingModeIsOn(const CommandContext& c) { return c.doc->modes.texturingMode; }
bool CoordinateModeIsOn(const CommandContext& c) { return c.doc->modes.coordinateMode; }

// ---- camera --------------------------------------------------------------------------

CommandResult MoveForwardStep(CommandContext& c)
{
    c.camera->MoveCamera(c.id == cmd::MoveForward ? 0.005f : -0.005f, c.mods);
    return Done(kRedrawView);
}

CommandResult MiddleStep(CommandContext& c)
{
    c.camera->CenterView(*c.doc->model, c.doc->modes.scaleMatrix, c.mods);
    return Done(kViewStateChanged | kMeasure);
}

CommandResult PanStep(CommandContext& c)
{
    const bool enlarge = c.doc->modes.enlarge;
    switch (c.id) {
    case cmd::PanUp: c.camera->PanVertical(kScrollLineUp, 0, enlarge, c.mods); break;
    case cmd::PanDown: c.camera->PanVertical(kScrollLineDown, 0, enlarge, c.mods); break;
    case cmd::PanLeft: c.camera->PanHorizontal(kScrollLineUp, 0, enlarge, c.mods); break;
    default: c.camera->PanHorizontal(kScrollLineDown, 0, enlarge, c.mods); break;
    }
    return Done(kRedrawView);
}

// The held-key movements, run as a command: one step each.
CommandResult HeldKeyStep(CommandContext& c)
{
    switch (c.id) {
    case cmd::KeyMoveForward:
    case cmd::KeyMoveBackward:
        c.camera->KeyMoveLoop(c.id == cmd::KeyMoveForward, c.id == cmd::KeyMoveBackward, c.mods,
                              c.doc->modes.scaleExponent);
        break;
    case cmd::KeyTurnLeft:
    case cmd::KeyTurnRight: c.camera->KeyTurnLoop(c.id == cmd::KeyTurnLeft, c.id == cmd::KeyTurnRight, c.mods); break;
    default: c.camera->KeyTiltLoop(c.id == cmd::KeyTiltUp, c.id == cmd::KeyTiltDown, c.mods); break;
    }
    return Done(kRedrawView);
}

CommandResult StoreMark(CommandContext& c)
{
    c.camera->StoreBookmark(*c.doc->model, c.id - cmd::BookmarkStore0);
    return Done(0);
}

CommandResult RecallMark(CommandContext& c)
{
    const bool recalled = c.camera->RecallBookmark(*c.doc->model, c.id - cmd::BookmarkRecall0, c.mods);
    return Done(recalled ? uint32_t{kRedrawView} : 0u);
}

// ---- move and rotate ------------------------------------------------------------------

// Axis and direction of the twelve nudges: 0 X, 1 Y, 2 Z.
std::pair<int, float> NudgeOf(int id)
{
    switch (id) {
    case cmd::MoveUp: return {1, 1.0f};
    case cmd::MoveDown: return {1, -1.0f};
    case cmd::MoveLeftX: return {0, 1.0f};
    case cmd::MoveRightX: return {0, -1.0f};
    case cmd::MoveLeftZ: return {2, 1.0f};
    case cmd::MoveRightZ: return {2, -1.0f};
    case cmd::RotateLeftY: return {1, 1.0f};
    case cmd::RotateRightY: return {1, -1.0f};
    case cmd::RotateLeftX: return {0, 1.0f};
    case cmd::RotateRightX: return {0, -1.0f};
    case cmd::RotateLeftZ: return {2, 1.0f};
    default: return {2, -1.0f};
    }
}

bool CanMoveRule(const CommandContext& c) { return CanMove(ViewContextOf(c)); }
bool CanRotateRule(const CommandContext& c) { return CanRotate(ViewContextOf(c)); }

// In animate mode a nudge changes the keyframe entry in effect, not the mesh's node; an
// undo step only when an entry changed.
CommandResult AnimateNudge(CommandContext& c, bool rotate)
{
    ViewContext v = ViewContextOf(c);
    const auto [axis, sign] = NudgeOf(c.id);
    const AnimateStepResult r =
        AnimateStep(*c.doc, v, axis, sign * (rotate ? RotateStep(c.mods) : MoveStep(c.mods)), rotate);
    return CommandResult{true, kViewStateChanged, r.message};
}

bool Animating(const CommandContext& c) { return c.doc->modes.meshMode && c.doc->modes.animateMode; }

// Every nudge is one undo step, also one taken back (Undo then gives the same state).
CommandResult Move(CommandContext& c)
{
    if (Animating(c))
        return AnimateNudge(c, false);
    c.doc->TakeSnapshot();
    ViewContext v = ViewContextOf(c);
    const auto [axis, sign] = NudgeOf(c.id);
    MoveSelection(v, axis, sign * MoveStep(c.mods));
    return Done(kModelChanged);
}

CommandResult Rotate(CommandContext& c)
{
    if (Animating(c))
        return AnimateNudge(c, true);
    c.doc->TakeSnapshot();
    ViewContext v = ViewContextOf(c);
    const auto [axis, sign] = NudgeOf(c.id);
    RotateSelection(v, axis, sign * RotateStep(c.mods));
    return Done(kModelChanged);
}

// ---- animation ---------------------------------------------------------------------------

CommandResult Failed(const Status& s) { return CommandResult{false, 0, s.error()}; }

bool CanAnimatingView(const CommandContext& c) { return CanStartAnimatingView(ViewContextOf(c)); }
bool IsAnimatingView(const CommandContext& c) { return c.doc->modes.viewKind == kViewAnimating; }
CommandResult AnimatingView(CommandContext& c)
{
    ViewContext v = ViewContextOf(c);
    const Status started = StartAnimatingView(v);
    return started ? Done(kViewStateChanged | kSelectionChanged) : Failed(started);
}

bool CanAnimateMode(const CommandContext& c) { return CanToggleAnimateMode(ViewContextOf(c)); }
bool AnimateModeIsOn(const CommandContext& c) { return c.doc->modes.animateMode; }
CommandResult AnimateModeSwitch(CommandContext& c)
{
    ViewContext v = ViewContextOf(c);
    const Status switched = SwitchAnimateMode(v);
    return switched ? Done(kViewStateChanged) : Failed(switched);
}

bool CanNext(const CommandContext& c) { return CanNextFrame(ViewContextOf(c)); }
bool CanPrevious(const CommandContext& c) { return CanPreviousFrame(ViewContextOf(c)); }
CommandResult FrameStep(CommandContext& c)
{
    ViewContext v = ViewContextOf(c);
    return DoneIf(c.id == cmd::NextFrame ? NextFrame(v) : PreviousFrame(v), kViewStateChanged);
}

bool AnimateModeOff(const CommandContext& c) { return !c.doc->modes.animateMode; }
bool HasKeyframe(const CommandContext& c) { return c.doc->model->keyframe != nullptr; }
bool CanShowHierarchy(const CommandContext& c)
{
    return c.doc->modes.viewKind != kViewAnimating && !c.doc->modes.animateMode;
}

// ---- texture coordinates and primitives -------------------------------------------------

bool HasFace(const CommandContext& c) { return ViewContextOf(c).HasCurrentFace(); }

bool CanRelay(const CommandContext& c)
{
    const ViewContext v = ViewContextOf(c);
    return v.HasCurrentMesh() && (c.doc->modes.meshMode || v.HasCurrentFace());
}

CommandResult Relay(CommandContext& c)
{
    ViewContext v = ViewContextOf(c);
    CMesh& mesh = *v.selection->CurrentMesh(v.model);
    const CFace* face = c.doc->modes.meshMode ? nullptr : v.selection->CurrentFace(v.model);
    const CModel& model = *c.doc->model;
    const TextureSizeFn& sizes = c.doc->Environment().textureSize;
    const bool changed = c.doc->Change([&] {
        return RelayStoredTextures(mesh, face, c.doc->modes.faceMode, c.doc->modes.meshMode,
                                   [&](const CFace& f) { return FaceTextureSize(model, f, sizes); }) > 0;
    });
    return Done(changed ? uint32_t{kModelChanged} : 0u);
}

bool CanPrimitive(const CommandContext& c) { return CanCreatePrimitive(ViewContextOf(c)); }

// ---- clipboard, add and delete, carve and extrude -----------------------------------

constexpr uint32_t kStructureChanged = kModelChanged | kTexturesChanged | kSelectionChanged;

CommandResult Outcome(const EditOutcome& o)
{
    // Cut has taken its snapshot even when its deletion is refused.
    return CommandResult{true, o.changed ? kStructureChanged : uint32_t{kModelChanged}, o.message};
}

bool CanCopyRule(const CommandContext& c) { return c.clipboard && CanCopy(ViewContextOf(c)); }
bool CanPasteRule(const CommandContext& c) { return c.clipboard && CanPaste(ViewContextOf(c), *c.clipboard); }
bool CanAddMeshRule(const CommandContext& c) { return CanAddMesh(ViewContextOf(c)); }
bool CanAddFaceRule(const CommandContext& c) { return CanAddFace(ViewContextOf(c)); }
bool CanCarveRule(const CommandContext& c) { return CanCarve(ViewContextOf(c)); }
bool CanExtrudeRule(const CommandContext& c) { return CanExtrude(ViewContextOf(c)); }

CommandResult CopyCommand(CommandContext& c)
{
    Copy(ViewContextOf(c), *c.clipboard);
    return Done(0);
}

CommandResult CutCommand(CommandContext& c)
{
    ViewContext v = ViewContextOf(c);
    return Outcome(Cut(*c.doc, v, *c.clipboard));
}

CommandResult PasteCommand(CommandContext& c)
{
    ViewContext v = ViewContextOf(c);
    return Outcome(Paste(*c.doc, v, *c.clipboard));
}

CommandResult AddCommand(CommandContext& c)
{
    ViewContext v = ViewContextOf(c);
    switch (c.id) {
    case cmd::AddGeometry: return Outcome(AddGeometry(*c.doc, v));
    case cmd::AddMesh: return Outcome(AddMesh(*c.doc, v));
    default: return Outcome(AddFace(*c.doc, v));
    }
}

// ---- undo and redo ------------------------------------------------------------------

bool CanUndo(const CommandContext& c) { return c.doc->history.CanUndo(); }
bool CanRedo(const CommandContext& c) { return c.doc->history.CanRedo(); }

CommandResult UndoRedo(CommandContext& c)
{
    ViewState state = c.doc->CurrentView();
    const CKeyframe* had = c.doc->model->keyframe.get();
    const std::unique_ptr<CKeyframe> before = had ? CopyKeyframe(*had) : nullptr;
    const int32_t frame = c.doc->model->currentFrame;
    const Status restored = c.id == cmd::EditRedo ? c.doc->Redo(state) : c.doc->Undo(state);
    if (!restored)
        return CommandResult{false, 0, restored.error()};
    CModel& model = *c.doc->model;
    std::string message;
    // A keyframe edit taken back is taken back in its file too, which the edit wrote.
    if (before && model.keyframe && before->name == model.keyframe->name && !SameKeyframe(*before, *model.keyframe))
        if (Status written = WriteDocumentKeyframe(*c.doc); !written)
            message = written.error();
    // The restored model holds base poses: an animation goes on where it was.
    if (c.doc->modes.animateMode || c.doc->modes.viewKind == kViewAnimating)
        if (BuildAnimationPoses(model))
            model.currentFrame = std::clamp(frame, 0, std::max(0, model.frameCount - 1));
    if (c.selection) {
        c.selection->currentMesh = state.mesh;
        c.selection->currentFace = state.face;
        c.selection->currentNode = -1;
    }
    if (c.camera) {
        c.camera->SetCameraOrientation(state.camera.direction, state.camera.up);
        c.camera->SetCameraPosition(state.camera.eye);
    }
    return CommandResult{true, kModelReplaced | kViewStateChanged | kSelectionChanged, message};
}

// ---- the table --------------------------------------------------------------------------

constexpr auto App = CommandScope::Application;
constexpr auto Doc = CommandScope::Document;
constexpr auto View = CommandScope::View;

std::vector<CommandRow> MakeTable()
{
    const MenuPlace noMenu{};
    const BarPlace noBar{};
    auto m = [](Menu menu, int order) { return MenuPlace{menu, order}; };
    auto b = [](Bar bar, int order) { return BarPlace{bar, order}; };
    std::vector<CommandRow> t = {
        // File
        {cmd::FileNew, "&New", "Create a new document\nNew", "Ctrl+N", App, m(Menu::File, 100), b(Bar::Main, 100)},
        {cmd::FileOpen, "&Open...", "Open an existing document\nOpen", "Ctrl+O", App, m(Menu::File, 101),
         b(Bar::Main, 101)},
        {cmd::FileClose, "&Close", "Close the active document\nClose", "", App, m(Menu::File, 102), noBar},
        {cmd::FileSave, "&Save", "Save the active document\nSave", "Ctrl+S", App, m(Menu::File, 103),
         b(Bar::Main, 102)},
        {cmd::FileSaveAs, "Save &As...", "Save the active document with a new name\nSave As", "", App,
         m(Menu::File, 104), noBar},
        {cmd::FileImport, "&Import...",
         "Open a model of another 3D tool (OBJ, glTF, FBX, ...) as a new document\nImport", "", App, m(Menu::File, 200),
         noBar},
        {cmd::FileExport, "&Export...", "Export the active document for other 3D tools (glTF, OBJ)\nExport", "", App,
         m(Menu::File, 201), noBar},
        {cmd::AppExit, "E&xit", "Quit the application; prompts to save documents\nExit", "", App, m(Menu::File, 900),
         noBar},

        // Edit
        {cmd::EditUndo, "&Undo", "Undo the last action\nUndo", "Ctrl+Z;Alt+Backspace", View, m(Menu::Edit, 100),
         b(Bar::Main, 400), UndoRedo, CanUndo, nullptr, true},
        {cmd::EditRedo, "&Redo", "Redo the previously undone action\nRedo", "", View, m(Menu::Edit, 101),
         b(Bar::Main, 401), UndoRedo, CanRedo, nullptr, true},

        // View: toolbars and status bar (the frame's own)
        {cmd::ViewToolBar, "&Main Toolbar", "Show or hide the toolbar\nToggle ToolBar", "", App, m(Menu::View, 100),
         noBar},
        {cmd::ViewMapToolBar, "M&ap Toolbar", "Show or hide the Map toolbar\nToggle Map Toolbar", "", App,
         m(Menu::View, 101), noBar},
        {cmd::ViewToolToolBar, "&Tool Toolbar", "Show or hide the Tool toolbar\nToggle Tool Toolbar", "", App,
         m(Menu::View, 102), noBar},
        {cmd::ViewStatusBar, "&Status Bar", "Show or hide the status bar\nToggle StatusBar", "", App,
         m(Menu::View, 103), noBar},

        // View: render modes
        {cmd::RenderAll, "All Meshes &Rendered", "Show all meshes rendered\nAll meshes rendered", "", Doc,
         m(Menu::View, 200), b(Bar::Main, 500), RenderMode, CanRenderMode, IsRenderMode},
        {cmd::WireAll, "All Meshes as &Wireframes", "Show all meshes as wireframes\nAll meshes as wireframes", "", Doc,
         m(Menu::View, 201), b(Bar::Main, 501), RenderMode, CanRenderMode, IsRenderMode},
        {cmd::MeshRenderedWire, "Mesh Rendered && Wireframes",
         "Show mesh rendered & wireframes\nMesh rendered & wireframes", "", Doc, m(Menu::View, 202), b(Bar::Main, 502),
         RenderMode, CanRenderMode, IsRenderMode},
        {cmd::MeshRendered, "Mesh Rendered", "Show mesh rendered\nMesh rendered", "", Doc, m(Menu::View, 203),
         b(Bar::Main, 503), RenderMode, CanRenderMode, IsRenderMode},
        {cmd::MeshWire, "Mesh as Wireframes", "Show mesh as wireframes\nMesh as wireframes", "", Doc,
         m(Menu::View, 204), b(Bar::Main, 504), RenderMode, CanRenderMode, IsRenderMode},
        {cmd::ShadedView, "S&haded", "Light the faces by a light at the camera\nShaded", "", Doc, m(Menu::View, 205),
         noBar, ToggleShaded, nullptr, IsShaded},

        // View: standard views
        {cmd::ViewFront, "&Front View", "View object from front\nFront View", "", Doc, m(Menu::View, 300),
         b(Bar::Main, 700), StandardView, nullptr, IsViewKind},
        {cmd::ViewBack, "&Back View", "View object from back\nBack View", "", Doc, m(Menu::View, 301),
         b(Bar::Main, 701), StandardView, nullptr, IsViewKind},
        {cmd::ViewLeft, "&Left View", "View object from left\nLeft View", "", Doc, m(Menu::View, 302),
         b(Bar::Main, 702), StandardView, nullptr, IsViewKind},
        {cmd::ViewRight, "&Right View", "View object from right\nRight View", "", Doc, m(Menu::View, 303),
         b(Bar::Main, 703), StandardView, nullptr, IsViewKind},
        {cmd::ViewTop, "&Top View", "View object from top\nTop View", "", Doc, m(Menu::View, 304), b(Bar::Main, 704),
         StandardView, nullptr, IsViewKind},
        {cmd::ViewBottom, "Botto&m View", "View object from bottom\nBottom View", "", Doc, m(Menu::View, 305),
         b(Bar::Main, 705), StandardView, nullptr, IsViewKind},
        {cmd::ViewRotate, "R&otate View", "Rotate View\nRotate View", "", Doc, m(Menu::View, 306), b(Bar::Main, 706),
         RotateView, nullptr, IsRotating},
        {cmd::ViewAnimating, "A&nimating View", "Animating View\nAnimating View", "", Doc, m(Menu::View, 307),
         b(Bar::Main, 707), AnimatingView, CanAnimatingView, IsAnimatingView},

        // View: camera and scale
        {cmd::MoveForward, "Move Fore&ward", "Move Foreward\nMove Foreward", "", View, m(Menu::View, 400),
         b(Bar::Map, 100), MoveForwardStep, Drawing},
        {cmd::MoveBackward, "Move Back&ward", "Move Backward\nMove Backward", "", View, m(Menu::View, 401),
         b(Bar::Map, 101), MoveForwardStep, Drawing},
        {cmd::Middle, "&Middle", "Middle\nMiddle", "", View, m(Menu::View, 402), b(Bar::Map, 102), MiddleStep, Drawing},
        {cmd::Enlarge, "&Enlarge View (W)", "Enlarge view 10 times\nEnlarge View (W)", "W", Doc, m(Menu::View, 403),
         b(Bar::Map, 501), EnlargeView, nullptr, IsEnlarged},
        {cmd::ScaleUp, "Scale &Up", "Scale Up\nScale Up", "", Doc, m(Menu::View, 404), b(Bar::Map, 200), Up, CanUp},
        {cmd::ScaleDown, "Scale &Down", "Scale Down\nScale Down", "", Doc, m(Menu::View, 405), b(Bar::Map, 201), Down,
         CanDown},

        // View: edit modes
        {cmd::MeshMode, "&Mesh Mode", "Select Mesh Mode\nMesh Mode", "M", Doc, m(Menu::View, 500), b(Bar::Main, 600),
         Switch<CanToggleMeshMode, ToggleMeshMode>, CanSwitch<CanToggleMeshMode, ToggleMeshMode>, MeshModeIsOn},
        {cmd::FaceMode, "&Face Mode", "Select Face Mode\nFace Mode", "F", Doc, m(Menu::View, 501), b(Bar::Main, 601),
         Switch<CanToggleFaceMode, ToggleFaceMode>, CanSwitch<CanToggleFaceMode, ToggleFaceMode>, FaceModeIsOn},
        {cmd::TexturingMode, "&Texturing Mode", "Select Texturing Mode\nTexturing Mode", "", Doc, m(Menu::View, 502),
         b(Bar::Main, 602), Switch<CanToggleTexturingMode, ToggleTexturingMode>,
         CanSwitch<CanToggleTexturingMode, ToggleTexturingMode>, TexturingModeIsOn},
        {cmd::CoordinateMode, "&Coordinate Mode", "Select Coordinate Mode\nCoordinate Mode", "", Doc,
         m(Menu::View, 503), b(Bar::Main, 603), Switch<CanToggleCoordinateMode, ToggleCoordinateMode>,
         CanSwitch<CanToggleCoordinateMode, ToggleCoordinateMode>, CoordinateModeIsOn},
        {cmd::AnimateMode, "&Animate Mode", "Select Animate Mode\nAnimate Mode", "", Doc, m(Menu::View, 504),
         b(Bar::Main, 604), AnimateModeSwitch, CanAnimateMode, AnimateModeIsOn},

        // View: stepping the animation
        {cmd::PrevFrame, "&Previous Frame", "Move to previous frame\nPrevious Frame (P)", "P", Doc, m(Menu::View, 700),
         b(Bar::Tool, 300), FrameStep, CanPrevious},
        {cmd::NextFrame, "&Next Frame", "Move to next frame\nNext Frame (N)", "N", Doc, m(Menu::View, 701),
         b(Bar::Tool, 301), FrameStep, CanNext},

        // View: grid and nodes
        {cmd::GridOnOff, "&Grid on/off (G)", "Show/Hide Grid\nGrid on/off (G)", "G", Doc, m(Menu::View, 600),
         b(Bar::Map, 302), Switch<CanToggleGrid, ToggleGrid>, CanSwitch<CanToggleGrid, ToggleGrid>, GridIsOn, true},
        {cmd::GridSmaller, "Grid Smaller", "Make grid smaller\nGrid smaller", "Num++", Doc, m(Menu::View, 601),
         b(Bar::Map, 300), Switch<CanGridSmaller, GridSmaller>, CanSwitch<CanGridSmaller, GridSmaller>},
        {cmd::GridLarger, "Grid Larger", "Make grid larger\nGrid larger", "Num+-", Doc, m(Menu::View, 602),
         b(Bar::Map, 301), Switch<CanGridLarger, GridLarger>, CanSwitch<CanGridLarger, GridLarger>},
        {cmd::GridFacesOnly, "Face Only", "Show grid nodes only on faces\nFace Only", "", Doc, m(Menu::View, 603),
         b(Bar::Map, 303), Switch<CanToggleFaceOnly, ToggleFaceOnly>, CanSwitch<CanToggleFaceOnly, ToggleFaceOnly>,
         FaceOnlyIsOn},
        {cmd::GridEdgesOnly, "Edges Only", "Show grid nodes only on edges\nEdges Only", "", Doc, m(Menu::View, 604),
         b(Bar::Map, 304), Switch<CanToggleEdgesOnly, ToggleEdgesOnly>, CanSwitch<CanToggleEdgesOnly, ToggleEdgesOnly>,
         EdgesOnlyIsOn},
        {cmd::VertexLarger, "Nodes/Vertices Larger", "Make grid nodes & vertices larger\nNodes/Vertices larger",
         "Ctrl+Num++", Doc, m(Menu::View, 605), b(Bar::Map, 400), Switch<CanNodesLarger, NodesLarger>,
         CanSwitch<CanNodesLarger, NodesLarger>},
        {cmd::VertexSmaller, "Nodes/Vertices Smaller", "Make grid nodes & vertices smaller\nNodes/Vertices smaller",
         "Ctrl+Num+-", Doc, m(Menu::View, 606), b(Bar::Map, 401), Switch<CanNodesSmaller, NodesSmaller>,
         CanSwitch<CanNodesSmaller, NodesSmaller>},

        // Edit: move and rotate (map toolbar)
        {cmd::MoveUp, "Move &Up", "Move up along  the y-axis\nMove Up", "", View, m(Menu::Edit, 300), b(Bar::Map, 600),
         Move, CanMoveRule},
        {cmd::MoveDown, "Move &Down", "Move down along  the y-axis\nMove Down", "", View, m(Menu::Edit, 301),
         b(Bar::Map, 601), Move, CanMoveRule},
        {cmd::MoveLeftX, "Move &Left (X)", "Move left along  the x-axis\nMove Left", "", View, m(Menu::Edit, 302),
         b(Bar::Map, 602), Move, CanMoveRule},
        {cmd::MoveRightX, "Move &Right (X)", "Move right along  the x-axis\nMove Right", "", View, m(Menu::Edit, 303),
         b(Bar::Map, 603), Move, CanMoveRule},
        {cmd::MoveLeftZ, "Move Left (&Z)", "Move left along  the z-axis\nMove Left", "", View, m(Menu::Edit, 304),
         b(Bar::Map, 604), Move, CanMoveRule},
        {cmd::MoveRightZ, "Move Right (Z)", "Move right along  the z-axis\nMove Right", "", View, m(Menu::Edit, 305),
         b(Bar::Map, 605), Move, CanMoveRule},
        {cmd::RotateLeftY, "Rotate Left Around Y", "Rotate left aound the y-axis\nRotate Left Around Y", "", View,
         m(Menu::Edit, 400), b(Bar::Map, 700), Rotate, CanRotateRule},
        {cmd::RotateRightY, "Rotate Right Around Y", "Rotate right aound the y-axis\nRotate Right Around Y", "", View,
         m(Menu::Edit, 401), b(Bar::Map, 701), Rotate, CanRotateRule},
        {cmd::RotateLeftX, "Rotate Left Around X", "Rotate left aound the x-axis\nRotate Left Around X", "", View,
         m(Menu::Edit, 402), b(Bar::Map, 702), Rotate, CanRotateRule},
        {cmd::RotateRightX, "Rotate Right Around X", "Rotate right aound the x-axis\nRotate Right Around X", "", View,
         m(Menu::Edit, 403), b(Bar::Map, 703), Rotate, CanRotateRule},
        {cmd::RotateLeftZ, "Rotate Left Around Z", "Rotate left aound the z-axis\nRotate Left Around Z", "", View,
         m(Menu::Edit, 404), b(Bar::Map, 704), Rotate, CanRotateRule},
        {cmd::RotateRightZ, "Rotate Right Around Z", "Rotate right aound the z-axis\nRotate Right Around Z", "", View,
         m(Menu::Edit, 405), b(Bar::Map, 705), Rotate, CanRotateRule},

        // Edit: shapes and texture coordinates; their dialogs are the window's
        {cmd::CreateRectangle, "Create &Rectangle...", "Create Rectangle\nCreate Rectangle", "", View,
         m(Menu::Edit, 500), b(Bar::Tool, 200), nullptr, CanPrimitive},
        {cmd::CreateCylinder, "Create C&ylinder...", "Create Cylinder\nCreate Cylinder", "", View, m(Menu::Edit, 501),
         b(Bar::Tool, 201), nullptr, CanPrimitive},
        {cmd::CreateDome, "Create D&ome...", "Create Dome\nCreate Dome", "", View, m(Menu::Edit, 502),
         b(Bar::Tool, 202), nullptr, CanPrimitive},
        {cmd::TextureTool, "Change &Texture Coordinates...",
         "Change Texture Coordinates\nChange Texture Coordinates (T)", "T;Ctrl+T", View, m(Menu::Edit, 600),
         b(Bar::Map, 500), nullptr, HasFace},
        {cmd::UpdateVertices, "Update &Vertices",
         "Lay the texture out again with the face's stored parameters\nUpdate Vertices", "", View, m(Menu::Edit, 601),
         b(Bar::Map, 502), Relay, CanRelay},

        // Edit: clipboard, add, carve and extrude
        {cmd::EditCut, "Cu&t", "Cut the selection and put it on the Clipboard\nCut", "Ctrl+X;Shift+Del", View,
         m(Menu::Edit, 200), b(Bar::Main, 200), CutCommand, CanCopyRule},
        {cmd::EditCopy, "&Copy", "Copy the selection and put it on the Clipboard\nCopy", "C;Ctrl+C;Ctrl+Ins", View,
         m(Menu::Edit, 201), b(Bar::Main, 201), CopyCommand, CanCopyRule},
        {cmd::EditPaste, "&Paste", "Insert Clipboard contents\nPaste", "V;Ctrl+V;Shift+Ins", View, m(Menu::Edit, 202),
         b(Bar::Main, 202), PasteCommand, CanPasteRule},
        {cmd::AddGeometry, "Add &Geometry", "Add new geometry to 3do\nAdd Geometry", "", View, m(Menu::Edit, 700),
         noBar, AddCommand},
        {cmd::AddMesh, "Add &Mesh", "Add new mesh to current geometry\nAdd Mesh", "", View, m(Menu::Edit, 701), noBar,
         AddCommand, CanAddMeshRule},
        {cmd::AddFace, "Add &Face", "Add new face to current mesh\nAdd Face", "", View, m(Menu::Edit, 702), noBar,
         AddCommand, CanAddFaceRule},
        {cmd::CarveMesh, "C&arve Mesh", "Carve Current Mesh\nCarve Mesh", "A;Ctrl+A", View, m(Menu::Edit, 800),
         b(Bar::Tool, 100), nullptr, CanCarveRule},
        {cmd::ExtrudeFace, "E&xtrude Face...", "Extrude Current Face\nExtrude Face", "E;Ctrl+E", View,
         m(Menu::Edit, 801), b(Bar::Tool, 101), nullptr, CanExtrudeRule},

        // Keys of the 3D view without a menu item
        {cmd::PanUp, "", "Pan up\nPan Up (U)", "U", View, noMenu, noBar, PanStep, Drawing},
        {cmd::PanDown, "", "Pan down\nPan Down (D)", "D", View, noMenu, noBar, PanStep, Drawing},
        {cmd::PanLeft, "", "Pan left\nPan Left (L)", "L", View, noMenu, noBar, PanStep, Drawing},
        {cmd::PanRight, "", "Pan right\nPan Right (R)", "R", View, noMenu, noBar, PanStep, Drawing},
        // The arrow and page keys are held-key loops of the view; run as commands, one step.
        {cmd::KeyMoveForward, "", "", "", View, noMenu, noBar, HeldKeyStep, Drawing},
        {cmd::KeyMoveBackward, "", "", "", View, noMenu, noBar, HeldKeyStep, Drawing},
        {cmd::KeyTurnLeft, "", "", "", View, noMenu, noBar, HeldKeyStep, Drawing},
        {cmd::KeyTurnRight, "", "", "", View, noMenu, noBar, HeldKeyStep, Drawing},
        {cmd::KeyTiltUp, "", "", "", View, noMenu, noBar, HeldKeyStep, Drawing},
        {cmd::KeyTiltDown, "", "", "", View, noMenu, noBar, HeldKeyStep, Drawing},

        // Tools
        {cmd::SelectProduct, "Select &Product...", "Select product to edit", "", App, m(Menu::Tools, 100), noBar},
        // Ctrl+F belongs to the 3D view's keys; elsewhere it is free for the fields.
        {cmd::ManageFiles, "&Manage Files...", "Manage Files", "Ctrl+F", View, m(Menu::Tools, 101), noBar},
        {cmd::Materials, "Mat&erials...", "Show and edit the model's materials\nMaterials", "", Doc,
         m(Menu::Tools, 102), noBar},
        {cmd::Options, "&Options...", "Change Options\nOptions", "", View, m(Menu::Tools, 103), noBar},
        // Tools: the animation dialogs are the window's
        {cmd::AnimationSequence, "Animation &Sequence...", "Select Animation Sequence\nAnimation Sequence", "", Doc,
         m(Menu::Tools, 200), noBar, nullptr, AnimateModeOff},
        {cmd::AnimationFrames, "Animation &Frames...", "Select Animation Frames\nAnimation Frames", "", Doc,
         m(Menu::Tools, 201), noBar, nullptr, HasKeyframe},
        {cmd::HierarchyNodes, "&Hierarchy Nodes...", "Display Hierarchy Nodes\nHierarchy Nodes", "", Doc,
         m(Menu::Tools, 202), noBar, nullptr, CanShowHierarchy},
        {cmd::CheckModel, "&Check Model...", "List what the game's engine would refuse in the model\nCheck Model", "",
         Doc, m(Menu::Tools, 300), noBar},

        // Window
        {cmd::WindowCascade, "&Cascade", "Arrange windows so they overlap\nCascade Windows", "", App,
         m(Menu::Window, 100), noBar},
        {cmd::WindowTile, "&Tile", "Arrange windows as non-overlapping tiles\nTile Windows", "", App,
         m(Menu::Window, 101), noBar},

        // Help
        {cmd::TipOfTheDay, "Ti&p of the Day...", "Displays a Tip of the Day.", "", App, m(Menu::Help, 0), noBar},
        {cmd::HelpIndex, "&Help Topics", "Opens Help\nHelp Topics", "", App, m(Menu::Help, 100), noBar},
        {cmd::HelpTutorials, "Help &Tutorial's", "Opens Help Tutorial's on Web\nHelp Tutorial's", "", App,
         m(Menu::Help, 101), noBar},
        {cmd::HelpFaqs, "Help &FAQ's", "Opens Help FAQ's on Web\nHelp FAQ's", "", App, m(Menu::Help, 102), noBar},
        {cmd::AppAbout, "&About Orvane...", "Display program information, version number and copyright\nAbout", "", App,
         m(Menu::Help, 200), noBar},
    };
    for (int i = 0; i <= 9; ++i) {
        static const char* const storeKeys[10] = {"Ctrl+0", "Ctrl+1", "Ctrl+2", "Ctrl+3", "Ctrl+4",
                                                  "Ctrl+5", "Ctrl+6", "Ctrl+7", "Ctrl+8", "Ctrl+9"};
        static const char* const recallKeys[10] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
        t.push_back({cmd::BookmarkStore0 + i, "", "Store the camera in a bookmark\nStore Bookmark", storeKeys[i], View,
                     noMenu, noBar, StoreMark, Drawing});
        t.push_back({cmd::BookmarkRecall0 + i, "", "Bring back the camera of a bookmark\nRecall Bookmark",
                     recallKeys[i], View, noMenu, noBar, RecallMark, Drawing});
    }
    return t;
}

}  // namespace

std::span<const CommandRow> CommandTable()
{
    static const std::vector<CommandRow> table = MakeTable();
    return table;
}

const CommandRow* FindCommand(int id)
{
    const auto table = CommandTable();
    const auto it = std::find_if(table.begin(), table.end(), [id](const CommandRow& r) { return r.id == id; });
    return it == table.end() ? nullptr : &*it;
}

bool CommandEnabled(const CommandRow& row, const CommandContext& c)
{
    if (row.scope != CommandScope::Application && (!c.doc || !c.settings))
        return false;
    CommandContext asked = c;
    asked.id = row.id;
    return !row.enabled || row.enabled(asked);
}

bool CommandChecked(const CommandRow& row, const CommandContext& c)
{
    if (!row.checked || (row.scope != CommandScope::Application && !c.doc))
        return false;
    CommandContext asked = c;
    asked.id = row.id;
    return row.checked(asked);
}

CommandResult RunCommand(const CommandRow& row, CommandContext& c)
{
    if (!row.run || !CommandEnabled(row, c))
        return {};
    c.id = row.id;
    return row.run(c);
}

CommandResult RunCommand(int id, CommandContext& c)
{
    const CommandRow* row = FindCommand(id);
    return row ? RunCommand(*row, c) : CommandResult{};
}

}  // namespace orv
