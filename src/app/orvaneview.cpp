#include "app/orvaneview.h"

// The renderer's OpenGL declarations come before Qt's, which would hide some of them.
#include "render/renderer.h"

#include <QCursor>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QThread>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/document.h"
#include "app/options_dlg.h"
#include "app/wait_cursor.h"
#include "commands/command_table.h"
#include "edit/view_commands.h"
#include "model/settings.h"
#include "resources/catalog.h"
#include "resources/searchpath.h"

namespace orv {

namespace {

QSurfaceFormat ViewFormat()
{
    QSurfaceFormat f;
    f.setRenderableType(QSurfaceFormat::OpenGL);
    f.setVersion(3, 3);
    f.setProfile(QSurfaceFormat::CoreProfile);
    return f;
}

Modifiers FromQt(Qt::KeyboardModifiers m)
{
    Modifiers mods;
    mods.shift = m.testFlag(Qt::ShiftModifier);
    mods.ctrl = m.testFlag(Qt::ControlModifier);
    mods.alt = m.testFlag(Qt::AltModifier);
    return mods;
}

// The modifier keys held right now (not as the last event reported them).
Modifiers HeldModifiers() { return FromQt(QGuiApplication::queryKeyboardModifiers()); }

QColor FromBgr(uint32_t bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

// Which held-key loop a key belongs to (0 move, 1 turn, 2 tilt) and whether it is the
// loop's first key (Up, Left, Page Up) or its second; -1 for other keys.
int LoopOfKey(int key, bool& first)
{
    switch (key) {
    case Qt::Key_Up: first = true; return 0;
    case Qt::Key_Down: first = false; return 0;
    case Qt::Key_Left: first = true; return 1;
    case Qt::Key_Right: first = false; return 1;
    case Qt::Key_PageUp: first = true; return 2;
    case Qt::Key_PageDown: first = false; return 2;
    default: return -1;
    }
}

// Every view, in the order they were made (the order of their documents): of those
// that draw continuously, only the first animates, as the idle loop of old drew only the
// first view it found.
std::vector<COrvaneView*>& AllViews()
{
    static std::vector<COrvaneView*> views;
    return views;
}

}  // namespace

// ---- the drawing area and its OpenGL surface ---------------------------------------

// Takes the focus and the mouse; paints the background (and why nothing is drawn) when
// there is no OpenGL surface.
class ViewArea : public QWidget {
public:
    explicit ViewArea(COrvaneView* view) : QWidget(view), view_(view)
    {
        setObjectName(QStringLiteral("ViewArea"));
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(16, 16);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        view_->PaintWithoutGl(p);
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        setFocus(Qt::MouseFocusReason);
        view_->MousePress(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override { view_->MouseRelease(e); }
    void mouseMoveEvent(QMouseEvent* e) override { view_->MouseMove(e); }
    void wheelEvent(QWheelEvent* e) override { view_->Wheel(e); }
    void keyPressEvent(QKeyEvent* e) override
    {
        if (!view_->KeyPress(e))
            QWidget::keyPressEvent(e);
    }
    void keyReleaseEvent(QKeyEvent* e) override
    {
        if (!view_->KeyRelease(e))
            QWidget::keyReleaseEvent(e);
    }
    void focusOutEvent(QFocusEvent* e) override
    {
        view_->FocusLost();
        QWidget::focusOutEvent(e);
    }

private:
    COrvaneView* view_;
};

// The OpenGL surface inside the area; input passes through it to the area.
class ViewGlSurface : public QOpenGLWidget {
public:
    ViewGlSurface(COrvaneView* view, QWidget* parent) : QOpenGLWidget(parent), view_(view)
    {
        setObjectName(QStringLiteral("ViewGlSurface"));
        setFormat(ViewFormat());
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void initializeGL() override { view_->InitializeGl(); }
    void resizeGL(int, int) override { view_->ResizeGl(); }
    void paintGL() override { view_->PaintGl(); }

private:
    COrvaneView* view_;
};

// ---- construction --------------------------------------------------------------

bool COrvaneView::OpenGlAvailable(QString* why)
{
    static int known = -1;
    static QString reason;
    if (known < 0) {
        known = 0;
        const QString platform = QGuiApplication::platformName();
        // These platforms draw into memory only; OpenGL widgets cannot work there.
        if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal") ||
            platform == QLatin1String("vnc")) {
            reason = QStringLiteral("The window system \"%1\" offers no OpenGL.").arg(platform);
        } else {
            QOpenGLContext context;
            context.setFormat(ViewFormat());
            QOffscreenSurface surface;
            if (!context.create()) {
                reason = QStringLiteral("No OpenGL context can be made.");
            } else {
                surface.setFormat(context.format());
                surface.create();
                if (!context.makeCurrent(&surface)) {
                    reason = QStringLiteral("The OpenGL context cannot be used.");
                } else {
                    const auto version = context.format().version();
                    if (version < qMakePair(3, 3))
                        reason = QStringLiteral("OpenGL %1.%2 is too old; 3.3 is needed.")
                                     .arg(version.first)
                                     .arg(version.second);
                    else
                        known = 1;
                    context.doneCurrent();
                }
            }
        }
    }
    if (why)
        *why = reason;
    return known == 1;
}

COrvaneView::COrvaneView(CDocument& doc, QWidget* parent) : QWidget(parent), doc_(doc)
{
    setObjectName(QStringLiteral("OrvaneView"));
    clock_.start();
    panes_ = QStringList(8, QString());

    area_ = new ViewArea(this);
    hBar_ = new QScrollBar(Qt::Horizontal, this);
    vBar_ = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* bar : {hBar_, vBar_}) {
        bar->setRange(0, 0);
        bar->setSingleStep(1);
        bar->setEnabled(false);
        bar->setFocusPolicy(Qt::NoFocus);
    }
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(area_, 0, 0);
    grid->addWidget(vBar_, 0, 1);
    grid->addWidget(hBar_, 1, 0);
    // The game view's sector light, under the picture while that view is on.
    gameBar_ = new QWidget(this);
    auto* bar = new QHBoxLayout(gameBar_);
    bar->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel(QStringLiteral("Sector Light:"), gameBar_);
    sectorLight_ = new QSlider(Qt::Horizontal, gameBar_);
    sectorLight_->setObjectName(QStringLiteral("sectorLight"));
    sectorLight_->setAccessibleName(QStringLiteral("Sector Light"));
    sectorLight_->setRange(0, 100);
    sectorLight_->setFocusPolicy(Qt::NoFocus);
    label->setBuddy(sectorLight_);
    bar->addWidget(label);
    bar->addWidget(sectorLight_, 1);
    grid->addWidget(gameBar_, 2, 0, 1, 2);
    grid->setRowStretch(0, 1);  // the picture takes the height; the bar only its own
    gameBar_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    gameBar_->hide();
    connect(sectorLight_, &QSlider::valueChanged, this, [this](int value) {
        EditContext c = Context();
        AfterCommand(SetGameAmbient(c, static_cast<float>(value) / 100.0f).effects);
    });
    cels_.setSingleShot(true);
    connect(&cels_, &QTimer::timeout, this, &COrvaneView::RequestFrame);
    setFocusProxy(area_);

    QString why;
    if (OpenGlAvailable(&why)) {
        gl_ = new ViewGlSurface(this, area_);
        area_->layout()->addWidget(gl_);
    } else {
        reason_ = QStringLiteral("The 3D view cannot be drawn here. ") + why;
    }

    connect(hBar_, &QScrollBar::actionTriggered, this, [this](int action) { OnScroll(true, action); });
    connect(vBar_, &QScrollBar::actionTriggered, this, [this](int action) { OnScroll(false, action); });
    connect(&doc_, &CDocument::updated, this, &COrvaneView::OnDocumentUpdated);
    connect(&doc_, &CDocument::modelReplaced, this, &COrvaneView::OnModelReplaced);
    connect(&doc_, &CDocument::materialsChanged, this, &COrvaneView::OnModelReplaced);

    continuous_.setTimerType(Qt::PreciseTimer);
    connect(&continuous_, &QTimer::timeout, this, &COrvaneView::ContinuousTick);
    retry_.setSingleShot(true);
    retry_.setTimerType(Qt::PreciseTimer);
    connect(&retry_, &QTimer::timeout, this, &COrvaneView::RequestFrame);
    heldKeys_.setTimerType(Qt::PreciseTimer);
    connect(&heldKeys_, &QTimer::timeout, this, &COrvaneView::HeldKeysTick);

    showMessage_ = [this](const QString& text) { QMessageBox::warning(this, QStringLiteral("Orvane"), text); };
    AllViews().push_back(this);

    // A save stores the camera as the view shows it once the view has placed it.
    doc_.Doc().currentView = [this] {
        ViewState v;
        v.mesh = selection_.currentMesh;
        v.face = selection_.currentFace;
        v.node = selection_.currentNode;
        v.camera = cameraPlaced_ ? CameraState{camera_.eye, camera_.direction, camera_.up} : doc_.Doc().savedCamera;
        return v;
    };
}

COrvaneView::~COrvaneView()
{
    doc_.Doc().currentView = nullptr;
    continuous_.stop();
    auto& views = AllViews();
    views.erase(std::remove(views.begin(), views.end(), this), views.end());
    // The next view in a continuous mode takes over.
    if (!views.empty())
        views.front()->UpdateContinuous();
    heldKeys_.stop();
    retry_.stop();
    if (renderer_) {
        // The renderer's textures and buffers belong to the surface's context.
        const bool current = MakeCurrent();
        renderer_.reset();
        if (current)
            DoneCurrent();
    }
}

QWidget* COrvaneView::GlWidget() const { return area_; }

Settings& COrvaneView::AppSettings() const { return *doc_.Services().settings; }

bool COrvaneView::MakeCurrent()
{
    if (!gl_ || !gl_->isValid())
        return false;
    gl_->makeCurrent();
    return QOpenGLContext::currentContext() != nullptr;
}

void COrvaneView::DoneCurrent()
{
    if (gl_)
        gl_->doneCurrent();
}

QSize COrvaneView::PixelSize() const
{
    const QWidget* w = gl_ ? static_cast<const QWidget*>(gl_) : area_;
    const qreal dpr = w->devicePixelRatioF();
    return {std::max(1, qRound(w->width() * dpr)), std::max(1, qRound(w->height() * dpr))};
}

QPoint COrvaneView::ToPixels(const QPointF& p) const
{
    const qreal dpr = area_->devicePixelRatioF();
    return {static_cast<int>(p.x() * dpr), static_cast<int>(p.y() * dpr)};
}

std::vector<std::string> COrvaneView::DisplayModes() const
{
    std::vector<DisplayModeInfo> modes;
    for (QScreen* s : QGuiApplication::screens()) {
        const QSize size = s->size() * s->devicePixelRatio();
        const DisplayModeInfo m{size.width(), size.height(), s->depth()};
        const bool known = std::any_of(modes.begin(), modes.end(), [&](const DisplayModeInfo& o) {
            return o.width == m.width && o.height == m.height && o.bitsPerPixel == m.bitsPerPixel;
        });
        if (!known)
            modes.push_back(m);
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    return BuildDisplayModeList(modes, primary ? primary->depth() : 32);
}

void COrvaneView::Message(const QString& text)
{
    // Never from inside a paint: the box runs its own event loop.
    QTimer::singleShot(0, this, [this, text] {
        if (showMessage_)
            showMessage_(text);
    });
}

void COrvaneView::ShowDeviceResult(const DeviceResult& r)
{
    for (const std::string& m : r.messages)
        Message(QString::fromStdString(m));
}

// ---- OpenGL life cycle ------------------------------------------------------------

void COrvaneView::InitializeGl()
{
    // A context that goes (the window moved to another screen or top level) takes the
    // renderer's textures and buffers with it; a new renderer is made at the next paint.
    if (QOpenGLContext* context = QOpenGLContext::currentContext())
        connect(context, &QOpenGLContext::aboutToBeDestroyed, this, &COrvaneView::ContextLost, Qt::UniqueConnection);
}

void COrvaneView::ContextLost()
{
    if (!renderer_)
        return;
    const bool current = MakeCurrent();
    renderer_.reset();
    if (current)
        DoneCurrent();
    continuous_.stop();
    NoteDrawingChanged();
}

void COrvaneView::GiveUp(const QString& reason)
{
    renderer_.reset();
    reason_ = reason;
    continuous_.stop();
    NoteDrawingChanged();
    // Not from inside the surface's own paint.
    QTimer::singleShot(0, this, [this] {
        if (gl_) {
            gl_->hide();
            gl_->deleteLater();
            gl_ = nullptr;
        }
        area_->update();
    });
}

void COrvaneView::CreateRenderer()
{
    initializing_ = true;
    Settings& settings = AppSettings();
    auto renderer = std::make_unique<CRenderer>(doc_.Doc(), settings, camera_, selection_);
    std::string error;
    const GlGetProcAddress getProc = [](const char* name) -> GlProc {
        QOpenGLContext* c = QOpenGLContext::currentContext();
        return c ? reinterpret_cast<GlProc>(c->getProcAddress(name)) : nullptr;
    };
    if (!renderer->Initialize(getProc, DisplayModes(), &error)) {
        renderer.reset();
        GiveUp(QStringLiteral("The 3D view cannot be drawn here. ") + QString::fromStdString(error));
        initializing_ = false;
        return;
    }
    renderer->SetStatusListener([this](const ViewStatus& s) { OnStatus(s); });
    renderer->SetResources(doc_.Services().catalog, doc_.Services().resourceFile, doc_.Services().searchPath);
    renderer_ = std::move(renderer);

    const QSize px = PixelSize();
    const DeviceResult made = renderer_->CreateDevice(px.width(), px.height());
    ShowDeviceResult(made);
    if (!made.ok) {
        GiveUp(QStringLiteral("The 3D view cannot be drawn here: no drawing surface of %1 x %2 pixels can be made.")
                   .arg(px.width())
                   .arg(px.height()));
        initializing_ = false;
        return;
    }
    renderer_->PrepareScene();
    if (!cameraPlaced_) {
        EditContext c = Context();
        PlaceInitialCamera(c);
        renderer_->Measure();
        cameraPlaced_ = true;
    }
    UpdateContinuous();
    NoteDrawingChanged();
}

void COrvaneView::NoteDrawingChanged()
{
    // Told after the paint that made or lost the renderer, not from inside it.
    QMetaObject::invokeMethod(this, &COrvaneView::drawingChanged, Qt::QueuedConnection);
}

void COrvaneView::PaintGl()
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context)
        return;
    if (!renderer_ && reason_.isEmpty() && !doc_.Model().formatTag.empty())
        CreateRenderer();
    if (!renderer_ || !renderer_->HasDevice()) {
        // Nothing to draw yet (a new document has no model): the background colour.
        const QColor bg = FromBgr(AppSettings().colorBackground);
        QOpenGLFunctions* f = context->functions();
        f->glClearColor(float(bg.redF()), float(bg.greenF()), float(bg.blueF()), 1.0f);
        f->glClear(GL_COLOR_BUFFER_BIT);
        initializing_ = false;
        return;
    }
    renderer_->SetPresentTarget(gl_->defaultFramebufferObject());
    renderer_->RenderFrame(true);
    // A material of several cels in the game view turns on by itself.
    if (renderer_->LastFrameDrawn() && renderer_->GameViewAnimates() && !cels_.isActive())
        cels_.start(static_cast<int>(1000.0 / kGameCelsPerSecond));
    if (!renderer_->LastFrameDrawn()) {
        // Asked for sooner than the frame rate allows: show the last frame now and the
        // new one as soon as it is due, so the window never stays behind the model.
        renderer_->PresentLast();
        if (!retry_.isActive())
            retry_.start(static_cast<int>(std::max<int64_t>(1, renderer_->MsUntilDue())));
    }
    initializing_ = false;
}

void COrvaneView::ResizeGl()
{
    if (!renderer_ || initializing_)
        return;
    const QSize px = PixelSize();
    ShowDeviceResult(renderer_->ResizeDevice(px.width(), px.height()));
}

void COrvaneView::PaintWithoutGl(QPainter& p)
{
    // The OpenGL surface covers the whole area.
    if (gl_ && gl_->isVisible())
        return;
    p.fillRect(area_->rect(), FromBgr(AppSettings().colorBackground));
    if (!reason_.isEmpty()) {
        p.setPen(Qt::black);
        p.drawText(area_->rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, reason_);
    }
}

void COrvaneView::RequestFrame()
{
    if (gl_)
        gl_->update();
    else
        area_->update();
}

void COrvaneView::PrepareScene()
{
    if (!renderer_ || !MakeCurrent())
        return;
    renderer_->SetResources(doc_.Services().catalog, doc_.Services().resourceFile, doc_.Services().searchPath);
    renderer_->PrepareScene();
    DoneCurrent();
    RequestFrame();
}

QImage COrvaneView::GrabFrame()
{
    if (!gl_ || !gl_->isValid())
        return {};
    if (renderer_) {
        // Wait for the frame rate to allow a new frame, so the picture is current.
        const int64_t wait = renderer_->MsUntilDue();
        if (wait > 0)
            QThread::msleep(static_cast<unsigned long>(std::min<int64_t>(wait, 1000)));
    }
    return gl_->grabFramebuffer();
}

// ---- status, document notifications, continuous drawing ----------------------------

void COrvaneView::OnStatus(const ViewStatus& status)
{
    auto set = [](QScrollBar* bar, const ScrollBarState& s) {
        const QSignalBlocker block(bar);
        bar->setRange(s.min, s.max);
        bar->setPageStep(std::max(1, s.page));
        bar->setValue(s.pos);
        // Shown disabled rather than hidden when there is nothing to scroll.
        bar->setEnabled(s.max > s.min);
    };
    set(hBar_, status.horizontal);
    set(vBar_, status.vertical);
    QStringList texts;
    for (const std::string& t : status.panes)
        texts.append(QString::fromStdString(t));
    panes_ = texts;
    emit paneTexts(texts);
}

void COrvaneView::OnDocumentUpdated()
{
    // Edits elsewhere may have changed any face: the drawing buffers are made again.
    // The view's own picks and drags have already said what they changed.
    if (renderer_ && !selfUpdate_ && MakeCurrent()) {
        renderer_->ModelChanged();
        DoneCurrent();
    }
    SyncGameBar();
    RequestFrame();
    UpdateContinuous();
}

void COrvaneView::SyncGameBar()
{
    const EditModes& modes = doc_.Doc().modes;
    gameBar_->setVisible(modes.gameView);
    const int value = static_cast<int>(std::lround(modes.gameAmbient * 100.0f));
    if (sectorLight_->value() != value) {
        const QSignalBlocker quiet(sectorLight_);
        sectorLight_->setValue(value);
    }
}

void COrvaneView::OnModelReplaced()
{
    PrepareScene();
    UpdateContinuous();
}

bool COrvaneView::WantsContinuous() const
{
    return renderer_ && renderer_->HasDevice() && doc_.Doc().modes.ContinuousView() && isVisible();
}

void COrvaneView::UpdateContinuous()
{
    const std::vector<COrvaneView*> views = AllViews();
    bool taken = false;
    for (COrvaneView* v : views) {
        const bool want = !taken && v->WantsContinuous();
        taken = taken || want;
        if (want && !v->continuous_.isActive())
            v->continuous_.start(0);
        else if (!want)
            v->continuous_.stop();
    }
}

void COrvaneView::ContinuousTick()
{
    if (!renderer_ || !doc_.Doc().modes.ContinuousView()) {
        continuous_.stop();
        return;
    }
    // Wake when the next frame is due -- in the animating view, when the keyframe's next
    // frame is -- instead of spinning until then. A due frame is drawn at once: the
    // playback drops what time a late frame collected past the frame time, so every
    // millisecond between the wake and the frame would slow the animation down.
    int64_t wait = renderer_->MsUntilAnimationStep();
    if (wait == 0) {
        if (gl_)
            gl_->repaint();
        else
            RequestFrame();
        wait = renderer_->LastFrameDrawn() ? renderer_->MsUntilAnimationStep() : AppSettings().FramePeriodMs();
    }
    continuous_.setInterval(static_cast<int>(std::max<int64_t>(1, wait)));
}

void COrvaneView::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    UpdateContinuous();
}

void COrvaneView::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    continuous_.stop();
    UpdateContinuous();
    FocusLost();
}

// ---- scroll bars, mouse and keys ----------------------------------------------------

void COrvaneView::OnScroll(bool horizontal, int action)
{
    if (!renderer_)
        return;
    int32_t code = -1;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = kScrollLineUp; break;
    case QAbstractSlider::SliderSingleStepAdd: code = kScrollLineDown; break;
    case QAbstractSlider::SliderPageStepSub: code = kScrollPageUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = kScrollPageDown; break;
    case QAbstractSlider::SliderMove: code = kScrollThumbTrack; break;
    default: return;
    }
    QScrollBar* bar = horizontal ? hBar_ : vBar_;
    const bool enlarge = doc_.Doc().modes.enlarge;
    if (horizontal)
        camera_.PanHorizontal(code, bar->sliderPosition(), enlarge, HeldModifiers());
    else
        camera_.PanVertical(code, bar->sliderPosition(), enlarge, HeldModifiers());
    RequestFrame();
}

void COrvaneView::MousePress(QMouseEvent* e)
{
    if (!renderer_)
        return;
    const QPoint p = ToPixels(e->position());
    const Modifiers mods = FromQt(e->modifiers());
    if (e->button() == Qt::RightButton) {
        area_->setCursor(Qt::BlankCursor);
        camera_.MouseCamera(false, p.x(), p.y(), renderer_->Size(), mods, doc_.Doc().modes.scaleExponent);
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    if (doc_.Doc().modes.texturingMode)
        area_->setCursor(Qt::SizeAllCursor);
    // Through the runner: the vertex marks a click sets are part of the faces. Selection
    // flags are not drawn, so the views keep their buffers (kViewStateChanged).
    EditContext c = Context();
    c.mods = mods;
    AfterCommand(doc_.Doc().Run(c, PickAt, renderer_->PickRequestAt(p.x(), p.y(), mods)).effects);
}

void COrvaneView::MouseRelease(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton) {
        // The cursor comes back in the middle of the view.
        const QPoint centre(area_->width() / 2, area_->height() / 2);
        QCursor::setPos(area_->mapToGlobal(centre));
        area_->unsetCursor();
        if (renderer_)
            camera_.MouseCamera(false, 0, 0, renderer_->Size(), {}, 0);
    } else if (e->button() == Qt::LeftButton) {
        area_->unsetCursor();
        textureStep_ = {};
        if (renderer_)
            selection_.TextureDrag(doc_.Model(), doc_.Doc().modes, false, 0, 0, {}, {});
    }
}

void COrvaneView::MouseMove(QMouseEvent* e)
{
    if (!renderer_)
        return;
    const QPoint p = ToPixels(e->position());
    const Modifiers mods = FromQt(e->modifiers());
    EditModes& modes = doc_.Doc().modes;
    const bool right = e->buttons().testFlag(Qt::RightButton);
    const bool left = e->buttons().testFlag(Qt::LeftButton);
    if (camera_.MouseCamera(right, p.x(), p.y(), renderer_->Size(), mods, modes.scaleExponent))
        RequestFrame();
    CModel& model = doc_.Model();
    // A drag is one undo step, opened by its first move; moves without the button (or
    // without a face to slide) change nothing and stay clear of the undo list.
    EditContext c = Context();
    const TextureDragParams drag{left, p.x(), p.y(), mods};
    const bool sliding = left && modes.texturingMode && selection_.CurrentFace(model);
    if (!left)
        textureStep_ = {};
    const EditOutcome slid = sliding ? doc_.Doc().Run(c, DragTexture, drag, &textureStep_) : DragTexture(c, drag);
    if (slid.changed) {
        if (const CMesh* mesh = selection_.CurrentMesh(model); mesh && MakeCurrent()) {
            renderer_->MeshChanged(*mesh);
            DoneCurrent();
        }
        selfUpdate_ = true;
        doc_.UpdateAllViews();
        selfUpdate_ = false;
    }
}

void COrvaneView::Wheel(QWheelEvent* e)
{
    e->accept();
    if (renderer_ && camera_.WheelZoom(e->angleDelta().y(), FromQt(e->modifiers())))
        RequestFrame();
}

bool COrvaneView::KeyPress(QKeyEvent* e)
{
    bool first = false;
    const int loop = LoopOfKey(e->key(), first);
    if (loop < 0 || e->modifiers().testFlag(Qt::AltModifier))
        return false;
    if (!renderer_ || e->isAutoRepeat())
        return true;
    HeldLoop& h = held_[static_cast<std::size_t>(loop)];
    (first ? h.first : h.second) = true;
    if (!h.active) {
        // The loop starts now; its first step comes when a frame period has passed.
        h.active = true;
        h.lastStep = clock_.elapsed();
    }
    if (!heldKeys_.isActive())
        heldKeys_.start(std::max(1, AppSettings().FramePeriodMs()));
    return true;
}

bool COrvaneView::KeyRelease(QKeyEvent* e)
{
    bool first = false;
    const int loop = LoopOfKey(e->key(), first);
    if (loop < 0)
        return false;
    if (e->isAutoRepeat())
        return true;
    HeldLoop& h = held_[static_cast<std::size_t>(loop)];
    (first ? h.first : h.second) = false;
    return true;
}

void COrvaneView::FocusLost()
{
    // A key released while another window has the focus is never reported here.
    for (HeldLoop& h : held_)
        h = HeldLoop{};
    heldKeys_.stop();
}

void COrvaneView::TakeHeldStep(int loop, Modifiers mods)
{
    const HeldLoop& h = held_[static_cast<std::size_t>(loop)];
    switch (loop) {
    case 0: camera_.KeyMoveLoop(h.first, h.second, mods, doc_.Doc().modes.scaleExponent); break;
    case 1: camera_.KeyTurnLoop(h.first, h.second, mods); break;
    default: camera_.KeyTiltLoop(h.first, h.second, mods); break;
    }
}

void COrvaneView::HeldKeysTick()
{
    if (!renderer_) {
        FocusLost();
        return;
    }
    const qint64 now = clock_.elapsed();
    const int32_t rate = AppSettings().frameRate;
    const qint64 period = AppSettings().FramePeriodMs();
    const Modifiers mods = HeldModifiers();
    bool stepped = false, anyActive = false;
    qint64 wait = period;
    for (int i = 0; i < 3; ++i) {
        HeldLoop& h = held_[static_cast<std::size_t>(i)];
        if (!h.active)
            continue;
        if (!h.first && !h.second) {
            h.active = false;
            continue;
        }
        anyActive = true;
        if (StepDue(now, h.lastStep, rate)) {
            TakeHeldStep(i, mods);
            h.lastStep = now;
            stepped = true;
        } else {
            wait = std::min(wait, period - (now - h.lastStep));
        }
    }
    if (stepped)
        RequestFrame();
    if (!anyActive)
        heldKeys_.stop();
    else
        heldKeys_.setInterval(static_cast<int>(std::max<qint64>(1, wait)));
}

// ---- commands ------------------------------------------------------------------------

EditContext COrvaneView::Context() const
{
    auto* self = const_cast<COrvaneView*>(this);
    EditContext c = self->doc_.Context(&self->selection_);
    c.settings = &AppSettings();
    c.camera = &self->camera_;
    c.clipboard = &self->clipboard_;
    c.mods = HeldModifiers();
    c.drawing = renderer_ && renderer_->HasDevice();
    return c;
}

bool COrvaneView::CommandEnabled(int id) const
{
    const CommandRow* row = FindCommand(id);
    return row && row->core.run && orv::CommandEnabled(*row, Context());
}

std::optional<bool> COrvaneView::CommandChecked(int id) const
{
    const CommandRow* row = FindCommand(id);
    if (!row || !row->core.checked)
        return std::nullopt;
    return orv::CommandChecked(*row, Context());
}

bool COrvaneView::RunCommand(int id)
{
    const CommandRow* row = FindCommand(id);
    if (!row || !row->core.run)
        return false;
    EditContext c = Context();
    CommandResult r;
    {
        std::optional<WaitCursor> wait;
        if (row->core.busy)
            wait.emplace();
        r = orv::RunCommand(*row, c);
    }
    if (!r.message.empty())
        Message(QString::fromStdString(r.message));
    if (r.ran)
        AfterCommand(r.effects);
    return r.ran;
}

void COrvaneView::AfterCommand(uint32_t effects)
{
    if (effects & kModelReplaced)
        // Views of the document drop what they made for the model before.
        emit doc_.modelReplaced();
    else if (effects & kTexturesChanged)
        emit doc_.materialsChanged();
    if ((effects & kRecreateDevice) && renderer_ && MakeCurrent()) {
        const QSize px = PixelSize();
        ShowDeviceResult(renderer_->CreateDevice(px.width(), px.height()));
        DoneCurrent();
    }
    if ((effects & kMeasure) && renderer_)
        renderer_->Measure();
    if (effects & kModelChanged) {
        // Faces changed: every view makes its drawing data again.
        doc_.SetModified(true);
        doc_.UpdateAllViews();
    } else if (effects & kViewStateChanged) {
        // The view and mode switches change no face: the drawing buffers stay.
        selfUpdate_ = true;
        doc_.UpdateAllViews();
        selfUpdate_ = false;
    }
    if (effects & kSettingsChanged)
        emit optionsApplied(false);  // the other documents' windows follow
    if (effects & kRedrawView)
        RequestFrame();
    UpdateContinuous();
    if (effects & kSelectionChanged)
        emit selectionChanged();
}

void COrvaneView::RunOptions()
{
    OptionsSources sources;
    std::vector<std::string> modes = renderer_ ? renderer_->DisplayModes() : DisplayModes();
    for (const auto& m : modes)
        sources.stretchFactors.append(QString::fromStdString(m));
    if (renderer_)
        for (const auto& d : renderer_->DeviceNames())
            sources.devices.append(QString::fromStdString(d));
    if (const ResourceCatalog* catalog = doc_.Services().catalog)
        for (const auto& entry : catalog->colormaps.Entries())
            sources.colormaps.append(QString::fromStdString(entry->shortName));
    CSheetDlg sheet(AppSettings(), sources, this);
    sheet.SetMessageHandler(showMessage_);
    connect(&sheet, &CSheetDlg::applied, this, &COrvaneView::ApplyOptions);
    if (runOptions_)
        runOptions_(sheet);
    else
        sheet.exec();
    RequestFrame();
}

void COrvaneView::ApplyOptions(bool colormapChanged)
{
    // A new "Resources" list is indexed once, here, for every document of the program.
    if (ResourceSearchPath* path = doc_.Services().searchPath; path && path->Entries() != AppSettings().resources) {
        const auto problems = path->Set(AppSettings().resources);
        if (!problems.empty() && showMessage_) {
            QStringList lines;
            for (const auto& p : problems)
                lines << QString::fromStdString(p);
            showMessage_(QStringLiteral("These resources cannot be read and are left out:\n") +
                         lines.join(QLatin1Char('\n')));
        }
    }
    if (colormapChanged)
        doc_.RefreshEnvironment();
    if (renderer_ && MakeCurrent()) {
        const QSize px = PixelSize();
        ShowDeviceResult(renderer_->CreateDevice(px.width(), px.height()));
        if (colormapChanged) {
            renderer_->SetResources(doc_.Services().catalog, doc_.Services().resourceFile, doc_.Services().searchPath);
            renderer_->PrepareScene();
        }
        DoneCurrent();
    }
    emit optionsApplied(colormapChanged);
    doc_.UpdateAllViews();
}

}  // namespace orv
