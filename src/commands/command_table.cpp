#include "commands/command_table.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "anim/anim_files.h"
#include "anim/keyframe_edit.h"
#include "anim/playback.h"
#include "document/document.h"
#include "edit/carve.h"
#include "edit/clipboard.h"
#include "edit/fit.h"
#include "edit/primitives.h"
#include "edit/selection.h"
#include "edit/texture_tool.h"
#include "edit/transform.h"
#include "edit/view_commands.h"
#include "model/settings.h"
#include "view/camera.h"

namespace orv {

namespace {

// ---- the generic wrappers ------------------------------------------------------------

const char* WhyNotDraw(const EditContext& c)
{
    return c.drawing && c.camera ? nullptr : "The 3D view has no drawing device";
}

// An operation whose parameter follows from the command id (a render mode, a view kind).
template <auto Op, auto ParamOf>
EditOutcome ById(EditContext& c)
{
    const auto param = ParamOf(c.id);
    return param ? Op(c, *param) : EditOutcome{};
}

// Runs an operation that changes the model through the document's runner (one undo step
// when it changed something); a bare model without a document has no undo.
EditOutcome Edit(EditContext& c, const std::function<EditOutcome(EditContext&)>& op)
{
    return c.doc ? c.doc->Run(c, op) : op(c);
}

// A command whose parameters come from the window's dialog (CommandHooks), asked before
// anything changes: a cancelled dialog (or no hook) leaves the model and the undo list
// as they were.
template <class Params, std::optional<Params> (*Ask)(EditContext&), EditOutcome (*Op)(EditContext&, const Params&)>
EditOutcome WithParams(EditContext& c)
{
    const std::optional<Params> params = Ask(c);
    if (!params)
        return {};
    return Edit(c, [&](EditContext& e) { return Op(e, *params); });
}

std::optional<RenderMode> RenderModeOf(int id)
{
    switch (id) {
    case cmd::RenderAll: return RenderMode::All;
    case cmd::WireAll: return RenderMode::AllWireframe;
    case cmd::MeshRenderedWire: return RenderMode::MeshAndWireframe;
    case cmd::MeshRendered: return RenderMode::Mesh;
    case cmd::MeshWire: return RenderMode::MeshWireframe;
    default: return std::nullopt;
    }
}

std::optional<ViewKind> ViewKindOf(int id)
{
    switch (id) {
    case cmd::ViewFront: return ViewKind::Front;
    case cmd::ViewLeft: return ViewKind::Left;
    case cmd::ViewRight: return ViewKind::Right;
    case cmd::ViewBack: return ViewKind::Back;
    case cmd::ViewTop: return ViewKind::Top;
    case cmd::ViewBottom: return ViewKind::Bottom;
    default: return std::nullopt;
    }
}

// ---- render modes, views, scale ------------------------------------------------------

const char* WhyNotRenderMode(const EditContext& c)
{
    const auto mode = RenderModeOf(c.id);
    return mode ? WhyNotSetRenderMode(c, *mode) : "Not a render mode";
}
bool IsRenderMode(const EditContext& c) { return c.modes().renderMode == RenderModeOf(c.id); }
bool IsViewKind(const EditContext& c) { return c.modes().viewKind == ViewKindOf(c.id); }
bool IsRotating(const EditContext& c) { return c.modes().viewKind == ViewKind::Rotating; }

// A display setting shared by every view: each redraws with it.
bool IsShaded(const EditContext& c) { return c.settings && c.settings->shaded != 0; }
EditOutcome ToggleShaded(EditContext& c)
{
    c.settings->shaded = c.settings->shaded != 0 ? 0 : 1;
    return EditOutcome::Done(kViewStateChanged | kSettingsChanged);
}

bool IsGameView(const EditContext& c) { return c.modes().gameView; }
bool IsGameCameraLight(const EditContext& c) { return c.modes().gameView && c.modes().gameCameraLight; }

bool IsEnlarged(const EditContext& c) { return c.modes().enlarge; }
EditOutcome EnlargeView(EditContext& c)
{
    c.modes().enlarge = !c.modes().enlarge;
    return EditOutcome::Done(kViewStateChanged | kRecreateDevice);
}

bool GridIsOn(const EditContext& c) { return c.modes().grid; }
bool FaceOnlyIsOn(const EditContext& c) { return c.modes().gridFaceOnly; }
bool EdgesOnlyIsOn(const EditContext& c) { return c.modes().gridEdgesOnly; }
bool MeshModeIsOn(const EditContext& c) { return c.modes().meshMode; }
bool FaceModeIsOn(const EditContext& c) { return c.modes().faceMode; }
bool TexturingModeIsOn(const EditContext& c) { return c.modes().texturingMode; }
bool CoordinateModeIsOn(const EditContext& c) { return c.modes().coordinateMode; }

// ---- camera --------------------------------------------------------------------------

EditOutcome MoveForwardStep(EditContext& c)
{
    c.camera->MoveCamera(c.id == cmd::MoveForward ? 0.005f : -0.005f, c.mods);
    return EditOutcome::Done(kRedrawView);
}

EditOutcome PanStep(EditContext& c)
{
    const bool enlarge = c.modes().enlarge;
    switch (c.id) {
    case cmd::PanUp: c.camera->PanVertical(kScrollLineUp, 0, enlarge, c.mods); break;
    case cmd::PanDown: c.camera->PanVertical(kScrollLineDown, 0, enlarge, c.mods); break;
    case cmd::PanLeft: c.camera->PanHorizontal(kScrollLineUp, 0, enlarge, c.mods); break;
    default: c.camera->PanHorizontal(kScrollLineDown, 0, enlarge, c.mods); break;
    }
    return EditOutcome::Done(kRedrawView);
}

// The held-key movements, run as a command: one step each.
EditOutcome HeldKeyStep(EditContext& c)
{
    switch (c.id) {
    case cmd::KeyMoveForward:
    case cmd::KeyMoveBackward:
        c.camera->KeyMoveLoop(c.id == cmd::KeyMoveForward, c.id == cmd::KeyMoveBackward, c.mods,
                              c.modes().scaleExponent);
        break;
    case cmd::KeyTurnLeft:
    case cmd::KeyTurnRight: c.camera->KeyTurnLoop(c.id == cmd::KeyTurnLeft, c.id == cmd::KeyTurnRight, c.mods); break;
    default: c.camera->KeyTiltLoop(c.id == cmd::KeyTiltUp, c.id == cmd::KeyTiltDown, c.mods); break;
    }
    return EditOutcome::Done(kRedrawView);
}

EditOutcome StoreMark(EditContext& c)
{
    c.camera->StoreBookmark(c.model(), c.id - cmd::BookmarkStore0);
    return EditOutcome::Done(0);
}

EditOutcome RecallMark(EditContext& c)
{
    const bool recalled = c.camera->RecallBookmark(c.model(), c.id - cmd::BookmarkRecall0, c.mods);
    return EditOutcome::Done(recalled ? uint32_t{kRedrawView} : 0u);
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

// A nudge by the command's axis and the modifier keys' step. In animate mode it changes
// the keyframe entry in effect, not the mesh's node.
template <bool Rotate>
EditOutcome Nudge(EditContext& c)
{
    const auto [axis, sign] = NudgeOf(c.id);
    const float step = sign * (Rotate ? RotateStep(c.mods) : MoveStep(c.mods));
    if (c.modes().meshMode && c.modes().animateMode)
        return AnimateStep(c, AnimateNudge{axis, step, Rotate});
    return Rotate ? RotateSelection(c, NudgeParams{axis, step}) : MoveSelection(c, NudgeParams{axis, step});
}

// ---- animation ---------------------------------------------------------------------------

bool IsAnimatingView(const EditContext& c) { return c.modes().viewKind == ViewKind::Animating; }
bool AnimateModeIsOn(const EditContext& c) { return c.modes().animateMode; }

const char* WhyNotChooseSequence(const EditContext& c)
{
    return c.modes().animateMode ? "Leave Animate Mode to choose another animation" : nullptr;
}
const char* WhyNotShowFrames(const EditContext& c)
{
    if (c.model().keyframe)
        return nullptr;
    return PuppetKeyframesMissing(c.model())
               ? "Animation Frames needs a keyframe: choose one that is found in Tools > Animation Sequence "
                 "(Tools > Check Model lists those that are not)"
               : "Animation Frames needs a keyframe: choose one in Tools > Animation Sequence";
}
const char* WhyNotShowHierarchy(const EditContext& c)
{
    if (c.modes().viewKind == ViewKind::Animating)
        return "Hierarchy Nodes is not available in the Animating View";
    return c.modes().animateMode ? "Hierarchy Nodes is not available in Animate Mode" : nullptr;
}

// ---- the window's dialogs ----------------------------------------------------------------

std::optional<bool> AskCarve(EditContext& c)
{
    if (c.hooks && c.hooks->confirmCarve && !c.hooks->confirmCarve(c))
        return std::nullopt;
    return true;
}

EditOutcome Carve(EditContext& c, const bool&) { return CarveMesh(c); }

std::optional<ExtrudeParams> AskExtrude(EditContext& c)
{
    if (!c.hooks || !c.hooks->extrude)
        return std::nullopt;
    return c.hooks->extrude(c);
}

PrimitiveShape ShapeOf(int id)
{
    switch (id) {
    case cmd::CreateCylinder: return PrimitiveShape::Cylinder;
    case cmd::CreateDome: return PrimitiveShape::Dome;
    default: return PrimitiveShape::Box;
    }
}

std::optional<PrimitiveParams> AskPrimitive(EditContext& c)
{
    if (!c.hooks || !c.hooks->primitive)
        return std::nullopt;
    std::optional<PrimitiveParams> p = c.hooks->primitive(c, ShapeOf(c.id));
    if (p)
        p->shape = ShapeOf(c.id);
    return p;
}

// The fit is one edit; its report follows it, also when nothing needed changing.
EditOutcome FitModel(EditContext& c)
{
    FitOptions options;
    if (c.hooks && c.hooks->fitOptions) {
        const std::optional<FitOptions> asked = c.hooks->fitOptions(c);
        if (!asked)
            return EditOutcome::Done(0);
        options = *asked;
    }
    FitReport report;
    const EditOutcome r = Edit(c, [&](EditContext& e) { return FitToLimits(e, options, report); });
    if (r.message.empty() && c.hooks && c.hooks->fitReport)
        c.hooks->fitReport(c, report);
    return r;
}

// ---- texture coordinates ----------------------------------------------------------------

const char* WhyNotChangeTextures(const EditContext& c)
{
    return HasCurrentFace(c) ? nullptr : "Change Texture Coordinates needs a current face: click a face first";
}

// ---- undo and redo ------------------------------------------------------------------

const char* WhyNotUndo(const EditContext& c) { return c.doc && c.doc->CanUndo() ? nullptr : "Nothing to undo"; }
const char* WhyNotRedo(const EditContext& c) { return c.doc && c.doc->CanRedo() ? nullptr : "Nothing to redo"; }

EditOutcome UndoRedo(EditContext& c)
{
    ViewState state = c.doc->CurrentView();
    const std::optional<CKeyframe> before = c.doc->model->keyframe;
    const int32_t frame = c.doc->model->currentFrame;
    const Status restored = c.id == cmd::EditRedo ? c.doc->Redo(state) : c.doc->Undo(state);
    if (!restored)
        return EditOutcome::Refused(restored.error());
    CModel& model = *c.doc->model;
    EditOutcome r = EditOutcome::Done(kModelReplaced | kViewStateChanged | kSelectionChanged);
    // A keyframe edit taken back is taken back in its file too, which the edit wrote.
    if (before && model.keyframe && before->name == model.keyframe->name && before != model.keyframe)
        if (Status written = WriteDocumentKeyframe(*c.doc); !written)
            r.message = written.error();
    // The restored model holds base poses: an animation goes on where it was.
    if (c.doc->modes.animateMode || c.doc->modes.viewKind == ViewKind::Animating)
        (void)RestoreAnimationAt(model, frame);
    if (c.selection) {
        c.selection->currentMesh = state.mesh;
        c.selection->currentFace = state.face;
        c.selection->currentNode = -1;
    }
    if (c.camera) {
        c.camera->SetCameraOrientation(state.camera.direction, state.camera.up);
        c.camera->SetCameraPosition(state.camera.eye);
    }
    return r;
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
    // One row a command, its core named field by field.
    // clang-format off
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
         b(Bar::Main, 400), {.run = UndoRedo, .unmet = WhyNotUndo, .busy = true}},
        {cmd::EditRedo, "&Redo", "Redo the previously undone action\nRedo", "Ctrl+Y;Ctrl+Shift+Z", View,
         m(Menu::Edit, 101), b(Bar::Main, 401), {.run = UndoRedo, .unmet = WhyNotRedo, .busy = true}},

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
         m(Menu::View, 200), b(Bar::Main, 500),
         {.run = ById<SetRenderMode, RenderModeOf>, .unmet = WhyNotRenderMode, .checked = IsRenderMode}},
        {cmd::WireAll, "All Meshes as &Wireframes", "Show all meshes as wireframes\nAll meshes as wireframes", "", Doc,
         m(Menu::View, 201), b(Bar::Main, 501),
         {.run = ById<SetRenderMode, RenderModeOf>, .unmet = WhyNotRenderMode, .checked = IsRenderMode}},
        {cmd::MeshRenderedWire, "Mesh Rendered && Wireframes",
         "Show mesh rendered & wireframes\nMesh rendered & wireframes", "", Doc, m(Menu::View, 202), b(Bar::Main, 502),
         {.run = ById<SetRenderMode, RenderModeOf>, .unmet = WhyNotRenderMode, .checked = IsRenderMode}},
        {cmd::MeshRendered, "Mesh Rendered", "Show mesh rendered\nMesh rendered", "", Doc, m(Menu::View, 203),
         b(Bar::Main, 503),
         {.run = ById<SetRenderMode, RenderModeOf>, .unmet = WhyNotRenderMode, .checked = IsRenderMode}},
        {cmd::MeshWire, "Mesh as Wireframes", "Show mesh as wireframes\nMesh as wireframes", "", Doc,
         m(Menu::View, 204), b(Bar::Main, 504),
         {.run = ById<SetRenderMode, RenderModeOf>, .unmet = WhyNotRenderMode, .checked = IsRenderMode}},
        {cmd::ShadedView, "S&haded", "Light the faces by a light at the camera\nShaded", "", Doc, m(Menu::View, 205),
         noBar, {.run = ToggleShaded, .checked = IsShaded}},
        {cmd::GameView, "&Game View", "Draw the model as the game draws it, through its colormap\nGame View", "Ctrl+G",
         Doc, m(Menu::View, 206), b(Bar::Main, 505), {.run = ToggleGameView, .checked = IsGameView}},
        {cmd::GameCameraLight, "Game View &Light at Camera",
         "Light the Game View by a light at the camera as well as the sector's light\nLight at Camera", "", Doc,
         m(Menu::View, 207), noBar,
         {.run = ToggleGameCameraLight, .unmet = WhyNotToggleGameCameraLight, .checked = IsGameCameraLight}},

        // View: standard views
        {cmd::ViewFront, "&Front View", "View object from front\nFront View", "", Doc, m(Menu::View, 300),
         b(Bar::Main, 700), {.run = ById<ShowStandardView, ViewKindOf>, .checked = IsViewKind}},
        {cmd::ViewBack, "&Back View", "View object from back\nBack View", "", Doc, m(Menu::View, 301),
         b(Bar::Main, 701), {.run = ById<ShowStandardView, ViewKindOf>, .checked = IsViewKind}},
        {cmd::ViewLeft, "&Left View", "View object from left\nLeft View", "", Doc, m(Menu::View, 302),
         b(Bar::Main, 702), {.run = ById<ShowStandardView, ViewKindOf>, .checked = IsViewKind}},
        {cmd::ViewRight, "&Right View", "View object from right\nRight View", "", Doc, m(Menu::View, 303),
         b(Bar::Main, 703), {.run = ById<ShowStandardView, ViewKindOf>, .checked = IsViewKind}},
        {cmd::ViewTop, "&Top View", "View object from top\nTop View", "", Doc, m(Menu::View, 304), b(Bar::Main, 704),
         {.run = ById<ShowStandardView, ViewKindOf>, .checked = IsViewKind}},
        {cmd::ViewBottom, "Botto&m View", "View object from bottom\nBottom View", "", Doc, m(Menu::View, 305),
         b(Bar::Main, 705), {.run = ById<ShowStandardView, ViewKindOf>, .checked = IsViewKind}},
        {cmd::ViewRotate, "R&otate View", "Rotate View\nRotate View", "", Doc, m(Menu::View, 306), b(Bar::Main, 706),
         {.run = StartRotateView, .checked = IsRotating}},
        {cmd::ViewAnimating, "A&nimating View", "Animating View\nAnimating View", "", Doc, m(Menu::View, 307),
         b(Bar::Main, 707), {.run = StartAnimatingView, .unmet = WhyNotStartAnimatingView, .checked = IsAnimatingView}},

        // View: camera and scale
        {cmd::MoveForward, "Move For&ward", "Move Forward\nMove Forward", "", View, m(Menu::View, 400),
         b(Bar::Map, 100), {.run = MoveForwardStep, .unmet = WhyNotDraw}},
        {cmd::MoveBackward, "Move Back&ward", "Move Backward\nMove Backward", "", View, m(Menu::View, 401),
         b(Bar::Map, 101), {.run = MoveForwardStep, .unmet = WhyNotDraw}},
        {cmd::Middle, "&Middle", "Middle\nMiddle", "", View, m(Menu::View, 402), b(Bar::Map, 102),
         {.run = CenterView, .unmet = WhyNotDraw}},
        {cmd::Enlarge, "&Enlarge View (W)", "Enlarge view 10 times\nEnlarge View (W)", "W", Doc, m(Menu::View, 403),
         b(Bar::Map, 501), {.run = EnlargeView, .checked = IsEnlarged}},
        {cmd::ScaleUp, "Scale &Up", "Scale Up\nScale Up", "", Doc, m(Menu::View, 404), b(Bar::Map, 200),
         {.run = ScaleUp, .unmet = WhyNotScaleUp}},
        {cmd::ScaleDown, "Scale &Down", "Scale Down\nScale Down", "", Doc, m(Menu::View, 405), b(Bar::Map, 201),
         {.run = ScaleDown, .unmet = WhyNotScaleDown}},

        // View: edit modes
        {cmd::MeshMode, "&Mesh Mode", "Select Mesh Mode\nMesh Mode", "M", Doc, m(Menu::View, 500), b(Bar::Main, 600),
         {.run = ToggleMeshMode, .unmet = WhyNotToggleMeshMode, .checked = MeshModeIsOn}},
        {cmd::FaceMode, "&Face Mode", "Select Face Mode\nFace Mode", "F", Doc, m(Menu::View, 501), b(Bar::Main, 601),
         {.run = ToggleFaceMode, .unmet = WhyNotToggleFaceMode, .checked = FaceModeIsOn}},
        {cmd::TexturingMode, "&Texturing Mode", "Select Texturing Mode\nTexturing Mode", "", Doc, m(Menu::View, 502),
         b(Bar::Main, 602),
         {.run = ToggleTexturingMode, .unmet = WhyNotToggleTexturingMode, .checked = TexturingModeIsOn}},
        {cmd::CoordinateMode, "&Coordinate Mode", "Select Coordinate Mode\nCoordinate Mode", "", Doc,
         m(Menu::View, 503), b(Bar::Main, 603),
         {.run = ToggleCoordinateMode, .unmet = WhyNotToggleCoordinateMode, .checked = CoordinateModeIsOn}},
        {cmd::AnimateMode, "&Animate Mode", "Select Animate Mode\nAnimate Mode", "", Doc, m(Menu::View, 504),
         b(Bar::Main, 604), {.run = SwitchAnimateMode, .unmet = WhyNotToggleAnimateMode, .checked = AnimateModeIsOn}},

        // View: stepping the animation
        {cmd::PrevFrame, "&Previous Frame", "Move to previous frame\nPrevious Frame (P)", "P", Doc, m(Menu::View, 700),
         b(Bar::Tool, 300), {.run = PreviousFrame, .unmet = WhyNotPreviousFrame}},
        {cmd::NextFrame, "&Next Frame", "Move to next frame\nNext Frame (N)", "N", Doc, m(Menu::View, 701),
         b(Bar::Tool, 301), {.run = NextFrame, .unmet = WhyNotNextFrame}},

        // View: grid and nodes
        {cmd::GridOnOff, "&Grid on/off (G)", "Show/Hide Grid\nGrid on/off (G)", "G", Doc, m(Menu::View, 600),
         b(Bar::Map, 302), {.run = ToggleGrid, .unmet = WhyNotToggleGrid, .checked = GridIsOn, .busy = true}},
        {cmd::GridSmaller, "Grid Smaller", "Make grid smaller\nGrid smaller", "Num++", Doc, m(Menu::View, 601),
         b(Bar::Map, 300), {.run = GridSmaller, .unmet = WhyNotGridSmaller}},
        {cmd::GridLarger, "Grid Larger", "Make grid larger\nGrid larger", "Num+-", Doc, m(Menu::View, 602),
         b(Bar::Map, 301), {.run = GridLarger, .unmet = WhyNotGridLarger}},
        {cmd::GridFacesOnly, "Face Only", "Show grid nodes only on faces\nFace Only", "", Doc, m(Menu::View, 603),
         b(Bar::Map, 303), {.run = ToggleFaceOnly, .unmet = WhyNotToggleFaceOnly, .checked = FaceOnlyIsOn}},
        {cmd::GridEdgesOnly, "Edges Only", "Show grid nodes only on edges\nEdges Only", "", Doc, m(Menu::View, 604),
         b(Bar::Map, 304), {.run = ToggleEdgesOnly, .unmet = WhyNotToggleEdgesOnly, .checked = EdgesOnlyIsOn}},
        {cmd::VertexLarger, "Nodes/Vertices Larger", "Make grid nodes & vertices larger\nNodes/Vertices larger",
         "Ctrl+Num++", Doc, m(Menu::View, 605), b(Bar::Map, 400), {.run = NodesLarger, .unmet = WhyNotNodesLarger}},
        {cmd::VertexSmaller, "Nodes/Vertices Smaller", "Make grid nodes & vertices smaller\nNodes/Vertices smaller",
         "Ctrl+Num+-", Doc, m(Menu::View, 606), b(Bar::Map, 401), {.run = NodesSmaller, .unmet = WhyNotNodesSmaller}},

        // Edit: move and rotate (map toolbar)
        {cmd::MoveUp, "Move &Up", "Move up along  the y-axis\nMove Up", "", View, m(Menu::Edit, 300), b(Bar::Map, 600),
         {.run = Nudge<false>, .unmet = WhyNotMove, .edits = true}},
        {cmd::MoveDown, "Move &Down", "Move down along  the y-axis\nMove Down", "", View, m(Menu::Edit, 301),
         b(Bar::Map, 601), {.run = Nudge<false>, .unmet = WhyNotMove, .edits = true}},
        {cmd::MoveLeftX, "Move &Left (X)", "Move left along  the x-axis\nMove Left", "", View, m(Menu::Edit, 302),
         b(Bar::Map, 602), {.run = Nudge<false>, .unmet = WhyNotMove, .edits = true}},
        {cmd::MoveRightX, "Move &Right (X)", "Move right along  the x-axis\nMove Right", "", View, m(Menu::Edit, 303),
         b(Bar::Map, 603), {.run = Nudge<false>, .unmet = WhyNotMove, .edits = true}},
        {cmd::MoveLeftZ, "Move Left (&Z)", "Move left along  the z-axis\nMove Left", "", View, m(Menu::Edit, 304),
         b(Bar::Map, 604), {.run = Nudge<false>, .unmet = WhyNotMove, .edits = true}},
        {cmd::MoveRightZ, "Move Right (Z)", "Move right along  the z-axis\nMove Right", "", View, m(Menu::Edit, 305),
         b(Bar::Map, 605), {.run = Nudge<false>, .unmet = WhyNotMove, .edits = true}},
        {cmd::RotateLeftY, "Rotate Left Around Y", "Rotate left around the y-axis\nRotate Left Around Y", "", View,
         m(Menu::Edit, 400), b(Bar::Map, 700), {.run = Nudge<true>, .unmet = WhyNotRotate, .edits = true}},
        {cmd::RotateRightY, "Rotate Right Around Y", "Rotate right around the y-axis\nRotate Right Around Y", "", View,
         m(Menu::Edit, 401), b(Bar::Map, 701), {.run = Nudge<true>, .unmet = WhyNotRotate, .edits = true}},
        {cmd::RotateLeftX, "Rotate Left Around X", "Rotate left around the x-axis\nRotate Left Around X", "", View,
         m(Menu::Edit, 402), b(Bar::Map, 702), {.run = Nudge<true>, .unmet = WhyNotRotate, .edits = true}},
        {cmd::RotateRightX, "Rotate Right Around X", "Rotate right around the x-axis\nRotate Right Around X", "", View,
         m(Menu::Edit, 403), b(Bar::Map, 703), {.run = Nudge<true>, .unmet = WhyNotRotate, .edits = true}},
        {cmd::RotateLeftZ, "Rotate Left Around Z", "Rotate left around the z-axis\nRotate Left Around Z", "", View,
         m(Menu::Edit, 404), b(Bar::Map, 704), {.run = Nudge<true>, .unmet = WhyNotRotate, .edits = true}},
        {cmd::RotateRightZ, "Rotate Right Around Z", "Rotate right around the z-axis\nRotate Right Around Z", "", View,
         m(Menu::Edit, 405), b(Bar::Map, 705), {.run = Nudge<true>, .unmet = WhyNotRotate, .edits = true}},

        // Edit: shapes and texture coordinates; their dialogs are the window's
        {cmd::CreateRectangle, "Create &Rectangle...", "Create Rectangle\nCreate Rectangle", "", View,
         m(Menu::Edit, 500), b(Bar::Tool, 200),
         {.run = WithParams<PrimitiveParams, AskPrimitive, CreatePrimitive>, .unmet = WhyNotCreatePrimitive}},
        {cmd::CreateCylinder, "Create C&ylinder...", "Create Cylinder\nCreate Cylinder", "", View, m(Menu::Edit, 501),
         b(Bar::Tool, 201),
         {.run = WithParams<PrimitiveParams, AskPrimitive, CreatePrimitive>, .unmet = WhyNotCreatePrimitive}},
        {cmd::CreateDome, "Create D&ome...", "Create Dome\nCreate Dome", "", View, m(Menu::Edit, 502),
         b(Bar::Tool, 202),
         {.run = WithParams<PrimitiveParams, AskPrimitive, CreatePrimitive>, .unmet = WhyNotCreatePrimitive}},
        {cmd::TextureTool, "Change &Texture Coordinates...",
         "Change Texture Coordinates\nChange Texture Coordinates (T)", "T;Ctrl+T", View, m(Menu::Edit, 600),
         b(Bar::Map, 500), {.unmet = WhyNotChangeTextures}},
        {cmd::UpdateVertices, "Update &Vertices",
         "Lay the texture out again with the face's stored parameters\nUpdate Vertices", "", View, m(Menu::Edit, 601),
         b(Bar::Map, 502), {.run = RelayTextures, .unmet = WhyNotRelayTextures, .edits = true}},

        // Edit: clipboard, add, carve and extrude
        {cmd::EditCut, "Cu&t", "Cut the selection and put it on the Clipboard\nCut", "Ctrl+X;Shift+Del", View,
         m(Menu::Edit, 200), b(Bar::Main, 200), {.run = Cut, .unmet = WhyNotCopy, .edits = true}},
        {cmd::EditCopy, "&Copy", "Copy the selection and put it on the Clipboard\nCopy", "C;Ctrl+C;Ctrl+Ins", View,
         m(Menu::Edit, 201), b(Bar::Main, 201), {.run = Copy, .unmet = WhyNotCopy}},
        {cmd::EditPaste, "&Paste", "Insert Clipboard contents\nPaste", "V;Ctrl+V;Shift+Ins", View, m(Menu::Edit, 202),
         b(Bar::Main, 202), {.run = Paste, .unmet = WhyNotPaste, .edits = true}},
        // Deletes what Cut would, without touching the clipboard; only a selection.
        {cmd::EditDelete, "&Delete", "Delete the selection\nDelete", "Del", View, m(Menu::Edit, 203), noBar,
         {.run = DeleteSelection, .unmet = WhyNotDelete, .edits = true}},
        {cmd::AddGeometry, "Add &Geometry", "Add new geometry to 3do\nAdd Geometry", "", View, m(Menu::Edit, 700),
         noBar, {.run = AddGeometry, .edits = true}},
        {cmd::AddMesh, "Add &Mesh", "Add new mesh to current geometry\nAdd Mesh", "", View, m(Menu::Edit, 701), noBar,
         {.run = AddMesh, .unmet = WhyNotAddMesh, .edits = true}},
        {cmd::AddFace, "Add &Face", "Add new face to current mesh\nAdd Face", "", View, m(Menu::Edit, 702), noBar,
         {.run = AddFace, .unmet = WhyNotAddFace, .edits = true}},
        {cmd::CarveMesh, "C&arve Mesh", "Carve Current Mesh\nCarve Mesh", "A;Ctrl+A", View, m(Menu::Edit, 800),
         b(Bar::Tool, 100), {.run = WithParams<bool, AskCarve, Carve>, .unmet = WhyNotCarve}},
        {cmd::ExtrudeFace, "E&xtrude Face...", "Extrude Current Face\nExtrude Face", "E;Ctrl+E", View,
         m(Menu::Edit, 801), b(Bar::Tool, 101),
         {.run = WithParams<ExtrudeParams, AskExtrude, ExtrudeFace>, .unmet = WhyNotExtrude}},

        // Keys of the 3D view without a menu item
        {cmd::PanUp, "", "Pan up\nPan Up (U)", "U", View, noMenu, noBar, {.run = PanStep, .unmet = WhyNotDraw}},
        {cmd::PanDown, "", "Pan down\nPan Down (D)", "D", View, noMenu, noBar, {.run = PanStep, .unmet = WhyNotDraw}},
        {cmd::PanLeft, "", "Pan left\nPan Left (L)", "L", View, noMenu, noBar, {.run = PanStep, .unmet = WhyNotDraw}},
        {cmd::PanRight, "", "Pan right\nPan Right (R)", "R", View, noMenu, noBar,
         {.run = PanStep, .unmet = WhyNotDraw}},
        // The arrow and page keys are held-key loops of the view; run as commands, one step.
        {cmd::KeyMoveForward, "", "", "", View, noMenu, noBar, {.run = HeldKeyStep, .unmet = WhyNotDraw}},
        {cmd::KeyMoveBackward, "", "", "", View, noMenu, noBar, {.run = HeldKeyStep, .unmet = WhyNotDraw}},
        {cmd::KeyTurnLeft, "", "", "", View, noMenu, noBar, {.run = HeldKeyStep, .unmet = WhyNotDraw}},
        {cmd::KeyTurnRight, "", "", "", View, noMenu, noBar, {.run = HeldKeyStep, .unmet = WhyNotDraw}},
        {cmd::KeyTiltUp, "", "", "", View, noMenu, noBar, {.run = HeldKeyStep, .unmet = WhyNotDraw}},
        {cmd::KeyTiltDown, "", "", "", View, noMenu, noBar, {.run = HeldKeyStep, .unmet = WhyNotDraw}},

        // Tools
        {cmd::SelectProduct, "Select &Product...", "Select product to edit", "", App, m(Menu::Tools, 100), noBar},
        // Ctrl+F belongs to the 3D view's keys; elsewhere it is free for the fields.
        {cmd::ManageFiles, "&Manage Files...", "Manage Files", "Ctrl+F", View, m(Menu::Tools, 101), noBar},
        {cmd::Materials, "Mat&erials...", "Show and edit the model's materials\nMaterials", "", Doc,
         m(Menu::Tools, 102), noBar},
        {cmd::Options, "&Options...", "Change Options\nOptions", "", View, m(Menu::Tools, 103), noBar},
        // Tools: the animation dialogs are the window's
        {cmd::AnimationSequence, "Animation &Sequence...", "Select Animation Sequence\nAnimation Sequence", "", Doc,
         m(Menu::Tools, 200), noBar, {.unmet = WhyNotChooseSequence}},
        {cmd::AnimationFrames, "Animation &Frames...", "Select Animation Frames\nAnimation Frames", "", Doc,
         m(Menu::Tools, 201), noBar, {.unmet = WhyNotShowFrames}},
        {cmd::HierarchyNodes, "&Hierarchy Nodes...", "Display Hierarchy Nodes\nHierarchy Nodes", "", Doc,
         m(Menu::Tools, 202), noBar, {.unmet = WhyNotShowHierarchy}},
        {cmd::CheckModel, "&Check Model...", "List what the game's engine would refuse in the model\nCheck Model", "",
         Doc, m(Menu::Tools, 300), noBar},
        {cmd::FitToLimits, "&Fit to Engine Limits",
         "Cut faces, split meshes and rename meshes so that the game's engine takes the model\nFit to Engine Limits",
         "", View, m(Menu::Tools, 301), noBar, {.run = FitModel, .unmet = WhyNotFitToLimits, .busy = true}},
        {cmd::CheckMod, "Check M&od...",
         "Check every model, keyframe, puppet and material of a mod and the links between them\nCheck Mod", "", App,
         m(Menu::Tools, 302), noBar},

        // Window
        {cmd::WindowCascade, "&Cascade", "Arrange windows so they overlap\nCascade Windows", "", App,
         m(Menu::Window, 100), noBar},
        {cmd::WindowTile, "&Tile", "Arrange windows as non-overlapping tiles\nTile Windows", "", App,
         m(Menu::Window, 101), noBar},

        // Help
        {cmd::TipOfTheDay, "Ti&p of the Day...", "Displays a Tip of the Day.", "", App, m(Menu::Help, 0), noBar},
        {cmd::HelpIndex, "&Help Topics", "Opens Help\nHelp Topics", "F1", App, m(Menu::Help, 100), noBar},
        {cmd::HelpTutorials, "Help &Tutorials", "Opens the tutorials in the help window\nHelp Tutorials", "", App,
         m(Menu::Help, 101), noBar},
        {cmd::HelpFaqs, "Help &FAQ", "Opens the questions and answers in the help window\nHelp FAQ", "", App,
         m(Menu::Help, 102), noBar},
        {cmd::ContextHelp, "&What's This?", "Display help for clicked on buttons, menus and windows\nHelp", "Shift+F1",
         App, m(Menu::Help, 103), b(Bar::Main, 300)},
        // The keyboard between the 3D view and the property panes of the model's window.
        {cmd::NextPane, "", "Switch to the next window pane\nNext Pane", "F6", App, noMenu, noBar},
        {cmd::PrevPane, "", "Switch back to the previous window pane\nPrevious Pane", "Shift+F6", App, noMenu, noBar},
        {cmd::AppAbout, "&About Orvane...", "Display program information, version number and copyright\nAbout", "", App,
         m(Menu::Help, 200), noBar},
    };
    // clang-format on
    for (int i = 0; i <= 9; ++i) {
        static const char* const storeKeys[10] = {"Ctrl+0", "Ctrl+1", "Ctrl+2", "Ctrl+3", "Ctrl+4",
                                                  "Ctrl+5", "Ctrl+6", "Ctrl+7", "Ctrl+8", "Ctrl+9"};
        static const char* const recallKeys[10] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
        t.push_back({cmd::BookmarkStore0 + i, "", "Store the camera in a bookmark\nStore Bookmark", storeKeys[i], View,
                     noMenu, noBar, StoreMark, WhyNotDraw});
        t.push_back({cmd::BookmarkRecall0 + i, "", "Bring back the camera of a bookmark\nRecall Bookmark",
                     recallKeys[i], View, noMenu, noBar, RecallMark, WhyNotDraw});
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

const char* WhyDisabled(const CommandRow& row, const EditContext& c)
{
    if (row.scope != CommandScope::Application && (!c.HasModel() || !c.settings))
        return kOpenModelFirst;
    if (!row.core.unmet)
        return nullptr;
    EditContext asked = c;
    asked.id = row.id;
    return row.core.unmet(asked);
}

bool CommandEnabled(const CommandRow& row, const EditContext& c) { return WhyDisabled(row, c) == nullptr; }

bool CommandChecked(const CommandRow& row, const EditContext& c)
{
    if (!row.core.checked || (row.scope != CommandScope::Application && !c.HasModel()))
        return false;
    EditContext asked = c;
    asked.id = row.id;
    return row.core.checked(asked);
}

CommandResult RunCommand(const CommandRow& row, EditContext& c)
{
    if (!row.core.run || !CommandEnabled(row, c))
        return {};
    c.id = row.id;
    CommandResult r;
    static_cast<EditOutcome&>(r) = row.core.edits ? Edit(c, row.core.run) : row.core.run(c);
    // Whatever the command moved (the model matrix, the frame, the nodes), the next
    // frame, measure or pick finds the nodes where they now stand.
    if (c.doc)
        c.doc->PlaceNodes();
    r.ran = true;
    return r;
}

CommandResult RunCommand(int id, EditContext& c)
{
    const CommandRow* row = FindCommand(id);
    return row ? RunCommand(*row, c) : CommandResult{};
}

}  // namespace orv
