// The document's 3D view: an OpenGL drawing area with its two scroll bars. It makes its
// renderer on the first paint of a model, turns mouse, keyboard and scroll-bar input
// into camera moves and picks, runs the view and mode commands, and reports the status
// texts after each frame.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "document/document.h"
#include "document/modes.h"
#include "edit/clipboard.h"
#include "edit/selection.h"
#include "view/camera.h"

class QScrollBar;
class QSlider;
class QMouseEvent;
class QWheelEvent;
class QKeyEvent;

namespace orv {

class CDocument;
class CRenderer;
struct DeviceResult;
struct Settings;
class ViewArea;
class ViewGlSurface;

class COrvaneView : public QWidget {
    Q_OBJECT
public:
    COrvaneView(CDocument& doc, QWidget* parent = nullptr);
    ~COrvaneView() override;

    CDocument& Document() { return doc_; }

    // The drawing area, which takes the keyboard focus: the shell adds the view's own
    // shortcuts (plain letters, digits, W, the numeric pad) to it with
    // Qt::WidgetShortcut, so that they act only while the view has the focus.
    QWidget* GlWidget() const;

    // Commands of the command table, in this view's context: RunCommand runs one when it
    // has a core function and is enabled (true when it ran) and carries out the refreshes
    // it asks for; CommandEnabled and CommandChecked give its state (no check mark for
    // commands without one).
    bool RunCommand(int id);
    bool CommandEnabled(int id) const;
    std::optional<bool> CommandChecked(int id) const;
    // What the commands work on: this view's document, selection and camera, and the
    // modifier keys held now.
    EditContext Context() const;
    // The options sheet (command 5606).
    void RunOptions();
    // What the window does after a command, by the effects it reported (CommandEffect).
    void AfterCommand(uint32_t effects);

    // Draws this view again (at the next paint).
    void RequestFrame();
    // Makes textures and corners again (the materials or the resources changed).
    void PrepareScene();

    // Whether this view draws continuously now (the rotating or animating view): of all
    // views in such a view, only the first made does.
    bool Continuous() const { return continuous_.isActive(); }

    // Whether the view can draw at all; when it cannot, why (also shown in the window).
    bool CanDraw() const { return reason_.isEmpty(); }
    QString UnavailableReason() const { return reason_; }

    // The renderer (null until the first paint of a model, and when nothing can be
    // drawn), the camera and the selection (always there: panes read them).
    CRenderer* Renderer() const { return renderer_.get(); }
    Camera& GetCamera() { return camera_; }
    Selection& GetSelection() { return selection_; }
    const Selection& GetSelection() const { return selection_; }
    // The last pane texts sent.
    QStringList PaneTexts() const { return panes_; }
    QScrollBar* HorizontalBar() const { return hBar_; }
    QScrollBar* VerticalBar() const { return vBar_; }
    // The game view's "Sector Light" slider (0..100), shown while the game view is on.
    QSlider* SectorLight() const { return sectorLight_; }

    // Draws a frame now and returns the window's picture (tests and screenshots); a
    // null image when nothing can be drawn.
    QImage GrabFrame();

    // Where messages go (the video-memory messages, undo failures); a message box
    // unless replaced.
    void SetMessageHandler(std::function<void(const QString&)> show) { showMessage_ = std::move(show); }
    // Runs the options sheet for command 5606; the default shows it modally.
    void SetOptionsRunner(std::function<void(class CSheetDlg&)> run) { runOptions_ = std::move(run); }

    // Whether a context of OpenGL 3.3 core can be made here; when not, why.
    static bool OpenGlAvailable(QString* why = nullptr);

signals:
    // Panes 0..7 of the status bar after each status pass; pane 0 is the device's name.
    void paneTexts(const QStringList& texts);
    // A pick (or undo, redo) changed the selection: panes and command states refresh.
    void selectionChanged();
    // The view became able to draw (its first frame of a model) or stopped being able to:
    // the commands that need a drawing view follow.
    void drawingChanged();
    // The options were applied; colormapChanged: other views must make their textures
    // again.
    void optionsApplied(bool colormapChanged);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    friend class ViewArea;
    friend class ViewGlSurface;

    // Calls from the drawing area and its OpenGL surface.
    void InitializeGl();
    void PaintGl();
    void ResizeGl();
    void ContextLost();
    void PaintWithoutGl(QPainter& p);
    void MousePress(QMouseEvent* e);
    void MouseRelease(QMouseEvent* e);
    void MouseMove(QMouseEvent* e);
    void Wheel(QWheelEvent* e);
    bool KeyPress(QKeyEvent* e);
    bool KeyRelease(QKeyEvent* e);
    void FocusLost();

    void CreateRenderer();
    void GiveUp(const QString& reason);
    void NoteDrawingChanged();
    void ShowDeviceResult(const DeviceResult& r);
    void OnStatus(const ViewStatus& status);
    // The game view's light bar follows the document's switches.
    void SyncGameBar();
    void OnDocumentUpdated();
    void OnModelReplaced();
    void OnScroll(bool horizontal, int action);
    bool WantsContinuous() const;
    // Starts or stops the continuous drawing of every view (only the first that wants it).
    void UpdateContinuous();
    void ContinuousTick();
    void HeldKeysTick();
    void TakeHeldStep(int loop, Modifiers mods);
    void ApplyOptions(bool colormapChanged);
    void Message(const QString& text);
    QSize PixelSize() const;
    QPoint ToPixels(const QPointF& p) const;
    std::vector<std::string> DisplayModes() const;
    Settings& AppSettings() const;
    bool MakeCurrent();
    void DoneCurrent();

    CDocument& doc_;
    Camera camera_;
    Selection selection_;
    Clipboard clipboard_;               // the view's own: copying here does not enable Paste elsewhere
    COrvaneDoc::OpenStep textureStep_;  // the undo step of the texture drag under way
    std::unique_ptr<CRenderer> renderer_;
    ViewArea* area_ = nullptr;
    ViewGlSurface* gl_ = nullptr;
    QScrollBar* hBar_ = nullptr;
    QScrollBar* vBar_ = nullptr;
    QString reason_;
    QStringList panes_;
    bool initializing_ = false;
    bool cameraPlaced_ = false;
    bool selfUpdate_ = false;
    bool grabbing_ = false;
    QWidget* gameBar_ = nullptr;
    QSlider* sectorLight_ = nullptr;
    QTimer cels_;  // the game view's next cel of an animated material
    QTimer continuous_;
    QTimer retry_;
    QTimer heldKeys_;
    QElapsedTimer clock_;

    // The held-key loops: move (Up, Down), turn (Left, Right), tilt (Page Up, Page Down).
    struct HeldLoop {
        bool first = false;   // Up, Left, Page Up
        bool second = false;  // Down, Right, Page Down
        bool active = false;
        qint64 lastStep = 0;
    };
    std::array<HeldLoop, 3> held_{};

    std::function<void(const QString&)> showMessage_;
    std::function<void(class CSheetDlg&)> runOptions_;
};

}  // namespace orv
