#include "app/mainframe.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>

#include "app/childframe.h"
#include "app/commands.h"
#include "app/iconfactory.h"
#include "model/settings.h"

namespace orv {

namespace {

constexpr int kSep = -1;  // a separator in the menu and toolbar layouts

}  // namespace

CMainFrame::CMainFrame(Settings& settings, QWidget* parent) : QMainWindow(parent), settings_(settings)
{
    setWindowTitle(QStringLiteral("Orvane"));
    setObjectName(QStringLiteral("MainFrame"));
    setAcceptDrops(true);
    setDockNestingEnabled(true);

    mdi_ = new QMdiArea(this);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);

    const char* names[3] = {"Main Toolbar", "Map Toolbar", "Tool Toolbar"};
    const char* objects[3] = {"MainToolbar", "MapToolbar", "ToolToolbar"};
    for (int i = 0; i < 3; ++i) {
        auto* bar = new QToolBar(QString::fromLatin1(names[i]), this);
        bar->setObjectName(QString::fromLatin1(objects[i]));
        bar->setAllowedAreas(Qt::AllToolBarAreas);
        bar->setIconSize(QSize(20, 20));
        toolbars_[static_cast<std::size_t>(i)] = bar;
    }
    addToolBar(Qt::TopToolBarArea, toolbars_[0]);
    addToolBar(Qt::TopToolBarArea, toolbars_[1]);
    addToolBar(Qt::LeftToolBarArea, toolbars_[2]);

    // Status bar: the message pane, then grid, two status panes, x, y, z and rate.
    const int widths[8] = {0, 55, 50, 50, 50, 50, 50, 50};
    for (int i = 0; i < 8; ++i) {
        auto* label = new QLabel(QStringLiteral(" "), this);
        label->setObjectName(QStringLiteral("pane%1").arg(i));
        if (i == 0) {
            statusBar()->addWidget(label, 1);
        } else {
            label->setMinimumWidth(widths[i]);
            label->setFrameShape(QFrame::Panel);
            label->setFrameShadow(QFrame::Sunken);
            statusBar()->addPermanentWidget(label);
        }
        panes_[static_cast<std::size_t>(i)] = label;
    }

    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    editMenu_ = menuBar()->addMenu(QStringLiteral("&Edit"));
    viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    toolsMenu_ = menuBar()->addMenu(QStringLiteral("&Tools"));
    windowMenu_ = menuBar()->addMenu(QStringLiteral("&Window"));
    connect(windowMenu_, &QMenu::aboutToShow, this, &CMainFrame::FillWindowList);
    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    for (QMenu* m : {fileMenu_, editMenu_, viewMenu_, toolsMenu_, windowMenu_, helpMenu_})
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);

    // The toolbar and status bar switches belong to the frame itself.
    DefineCommand(cmd::ViewToolBar, QStringLiteral("&Main Toolbar"), QStringLiteral("Show or hide the toolbar\nToggle ToolBar"));
    DefineCommand(cmd::ViewMapToolBar, QStringLiteral("M&ap Toolbar"), QStringLiteral("Show or hide the Map toolbar\nToggle Map Toolbar"));
    DefineCommand(cmd::ViewToolToolBar, QStringLiteral("&Tool Toolbar"), QStringLiteral("Show or hide the Tool toolbar\nToggle Tool Toolbar"));
    DefineCommand(cmd::ViewStatusBar, QStringLiteral("&Status Bar"), QStringLiteral("Show or hide the status bar\nToggle StatusBar"));
    const std::pair<int, int> barCommands[] = {{cmd::ViewToolBar, 0}, {cmd::ViewMapToolBar, 1}, {cmd::ViewToolToolBar, 2}};
    for (auto [id, index] : barCommands) {
        QToolBar* bar = toolbars_[static_cast<std::size_t>(index)];
        SetHandler(id, [bar] { bar->setVisible(bar->isHidden()); }, {}, [bar] { return !bar->isHidden(); });
    }
    SetHandler(cmd::ViewStatusBar, [this] { statusBar()->setVisible(statusBar()->isHidden()); }, {},
               [this] { return !statusBar()->isHidden(); });

    DefineCommand(cmd::WindowCascade, QStringLiteral("&Cascade"), QStringLiteral("Arrange windows so they overlap\nCascade Windows"));
    DefineCommand(cmd::WindowTile, QStringLiteral("&Tile"), QStringLiteral("Arrange windows as non-overlapping tiles\nTile Windows"));
    SetHandler(cmd::WindowCascade, [this] { mdi_->cascadeSubWindows(); }, [this] { return !mdi_->subWindowList().isEmpty(); });
    SetHandler(cmd::WindowTile, [this] { mdi_->tileSubWindows(); }, [this] { return !mdi_->subWindowList().isEmpty(); });

    connect(mdi_, &QMdiArea::subWindowActivated, this, &CMainFrame::UpdateCommandUI);
}

CMainFrame::~CMainFrame()
{
    // The document area outlives this object's members while QWidget tears it down;
    // its signals must not reach them any more.
    disconnect(mdi_, nullptr, this, nullptr);
    for (QMenu* m : {fileMenu_, editMenu_, viewMenu_, toolsMenu_, windowMenu_, helpMenu_})
        disconnect(m, nullptr, this, nullptr);
}

QAction* CMainFrame::DefineCommand(int id, const QString& text, const QString& prompt, const QList<QKeySequence>& keys)
{
    Command& c = commands_[id];
    if (!c.action) {
        c.action = new QAction(text, this);
        c.action->setData(id);
        connect(c.action, &QAction::triggered, this, [this, id] { Execute(id); });
    }
    c.action->setText(text);
    const int nl = static_cast<int>(prompt.indexOf(QLatin1Char('\n')));
    c.action->setStatusTip(nl < 0 ? prompt : prompt.left(nl));
    c.action->setToolTip(nl < 0 ? QString(text).remove(QLatin1Char('&')) : prompt.mid(nl + 1));
    c.action->setIcon(CommandIcon(id));
    c.action->setIconVisibleInMenu(false);
    if (!keys.isEmpty())
        c.action->setShortcuts(keys);
    return c.action;
}

void CMainFrame::SetHandler(int id, std::function<void()> run, std::function<bool()> enabled, std::function<bool()> checked)
{
    Command& c = commands_[id];
    c.run = std::move(run);
    c.enabled = std::move(enabled);
    c.checked = std::move(checked);
    if (c.action)
        c.action->setCheckable(static_cast<bool>(c.checked));
}

QAction* CMainFrame::Action(int id) const
{
    auto it = commands_.constFind(id);
    return it == commands_.constEnd() ? nullptr : it->action;
}

bool CMainFrame::HasHandler(int id) const
{
    auto it = commands_.constFind(id);
    return it != commands_.constEnd() && it->action && it->run;
}

bool CMainFrame::Execute(int id)
{
    auto it = commands_.find(id);
    if (it == commands_.end() || !it->run)
        return false;
    if (it->enabled && !it->enabled()) {
        UpdateCommandUI();
        return false;
    }
    // Copy: the handler may redefine commands.
    auto run = it->run;
    run();
    UpdateCommandUI();
    return true;
}

void CMainFrame::UpdateCommandUI()
{
    for (auto it = commands_.begin(); it != commands_.end(); ++it) {
        if (!it->action)
            continue;
        it->action->setEnabled(it->run && (!it->enabled || it->enabled()));
        if (it->checked) {
            it->action->setCheckable(true);
            it->action->setChecked(it->checked());
        }
    }
}

void CMainFrame::SetPaneText(int pane, const QString& text)
{
    if (pane < 0 || pane > 7)
        return;
    panes_[static_cast<std::size_t>(pane)]->setText(text.isEmpty() ? QStringLiteral(" ") : text);
}

QString CMainFrame::PaneText(int pane) const
{
    if (pane < 0 || pane > 7)
        return {};
    return panes_[static_cast<std::size_t>(pane)]->text();
}

void CMainFrame::SetMessagePaneText(const QString& text) { SetPaneText(0, text); }

CChildFrame* CMainFrame::ActiveChild() const
{
    QMdiSubWindow* sub = mdi_->activeSubWindow();
    if (!sub) {
        // While the main window is not active (a dialog is up) keep the last one.
        sub = mdi_->currentSubWindow();
    }
    return sub ? qobject_cast<CChildFrame*>(sub->widget()) : nullptr;
}

QList<CChildFrame*> CMainFrame::Children() const
{
    QList<CChildFrame*> out;
    for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::CreationOrder))
        if (auto* c = qobject_cast<CChildFrame*>(sub->widget()))
            out.append(c);
    return out;
}

void CMainFrame::AddButtons(QToolBar* bar, std::initializer_list<int> ids)
{
    bool pendingSeparator = false;
    for (int id : ids) {
        if (id == kSep) {
            pendingSeparator = !bar->actions().isEmpty();
            continue;
        }
        if (!HasHandler(id))
            continue;
        if (pendingSeparator)
            bar->addSeparator();
        pendingSeparator = false;
        bar->addAction(Action(id));
    }
}

void CMainFrame::BuildMenusAndToolbars()
{
    using namespace cmd;
    for (QToolBar* bar : toolbars_)
        bar->clear();
    AddButtons(toolbars_[0], {FileNew, FileOpen, FileSave, kSep, EditCut, EditCopy, EditPaste, kSep, ContextHelp, kSep,
                              EditUndo, EditRedo, kSep, RenderAll, WireAll, MeshRenderedWire, MeshRendered, MeshWire, kSep,
                              MeshMode, FaceMode, TexturingMode, CoordinateMode, AnimateMode, kSep, ViewFront, ViewBack,
                              ViewLeft, ViewRight, ViewTop, ViewBottom, ViewRotate, ViewAnimating});
    AddButtons(toolbars_[1], {MoveForward, MoveBackward, Middle, kSep, ScaleUp, ScaleDown, kSep, GridSmaller, GridLarger,
                              GridOnOff, GridFacesOnly, GridEdgesOnly, kSep, VertexLarger, VertexSmaller, kSep, 2019, Enlarge,
                              kSep, 2020, 2021, 2022, 2023, 2025, 2024, kSep, 2013, 2014, 2015, 2012, 2016, 2017});
    AddButtons(toolbars_[2], {5641, 5643, kSep, 5653, 2063, 5651, kSep, PrevFrame, NextFrame});
    // A toolbar none of whose commands exist yet is neither shown nor offered.
    const int toggles[3] = {ViewToolBar, ViewMapToolBar, ViewToolToolBar};
    for (int i = 0; i < 3; ++i) {
        QToolBar* bar = toolbars_[static_cast<std::size_t>(i)];
        if (bar->actions().isEmpty()) {
            bar->hide();
            bar->toggleViewAction()->setVisible(false);
            commands_[toggles[i]].run = nullptr;
        }
    }

    auto fill = [this](QMenu* menu, std::initializer_list<int> ids) {
        menu->clear();
        bool pendingSeparator = false;
        for (int id : ids) {
            if (id == kSep) {
                pendingSeparator = !menu->actions().isEmpty();
                continue;
            }
            if (!HasHandler(id))
                continue;
            if (pendingSeparator)
                menu->addSeparator();
            pendingSeparator = false;
            menu->addAction(Action(id));
        }
    };
    fill(fileMenu_, {FileNew, FileOpen, FileClose, FileSave, FileSaveAs});
    recentSeparator_ = fileMenu_->addSeparator();
    recentActions_.clear();
    for (int i = 0; i < 4; ++i) {
        auto* a = fileMenu_->addAction(QString());
        a->setVisible(false);
        connect(a, &QAction::triggered, this, [this, a] { emit recentFileChosen(a->data().toString()); });
        recentActions_.append(a);
    }
    recentSeparator_->setVisible(false);
    fileMenu_->addSeparator();
    if (HasHandler(AppExit))
        fileMenu_->addAction(Action(AppExit));

    fill(editMenu_, {EditUndo, EditRedo, kSep, EditCut, EditCopy, EditPaste});
    fill(viewMenu_, {ViewToolBar, ViewMapToolBar, ViewToolToolBar, ViewStatusBar, kSep, RenderAll, WireAll, MeshRenderedWire,
                     MeshRendered, MeshWire, kSep, ViewFront, ViewBack, ViewLeft, ViewRight, ViewTop, ViewBottom, ViewRotate,
                     ViewAnimating, kSep, MoveForward, MoveBackward, Middle, Enlarge, ScaleUp, ScaleDown, kSep, MeshMode,
                     FaceMode, TexturingMode, CoordinateMode, AnimateMode, kSep, GridOnOff, GridSmaller, GridLarger,
                     GridFacesOnly, GridEdgesOnly, VertexLarger, VertexSmaller, kSep, PrevFrame, NextFrame});
    fill(toolsMenu_, {SelectProduct, ManageFiles, Materials, Options, kSep, AnimationSequence, AnimationFrames, HierarchyNodes});
    fill(windowMenu_, {WindowCascade, WindowTile});
    windowActions_.clear();
    fill(helpMenu_, {HelpIndex, HelpTutorials, HelpFaqs, kSep, AppAbout});
    // The tip of the day heads the Help menu, followed by a separator.
    if (HasHandler(TipOfTheDay)) {
        QAction* first = helpMenu_->actions().isEmpty() ? nullptr : helpMenu_->actions().first();
        helpMenu_->insertAction(first, Action(TipOfTheDay));
        helpMenu_->insertSeparator(first);
    }
    for (QMenu* m : {editMenu_, toolsMenu_})
        m->menuAction()->setVisible(!m->actions().isEmpty());
    UpdateCommandUI();
}

QStringList RecentFileLabels(const QStringList& paths)
{
    QList<QStringList> parts;
    for (const QString& p : paths)
        parts.append(QDir::toNativeSeparators(QDir::cleanPath(p)).split(QDir::separator(), Qt::SkipEmptyParts));
    QList<int> depth(paths.size(), 1);
    auto label = [&](int i) {
        const QStringList& c = parts[i];
        const int n = std::min<int>(depth[i], static_cast<int>(c.size()));
        QString text = c.mid(c.size() - n).join(QDir::separator());
        if (n > 1 && n < c.size())
            text = QStringLiteral("...") + QDir::separator() + text;
        return text;
    };
    // Lengthen every label that another one equals, until none do (or a path runs out).
    for (bool clash = true; clash;) {
        clash = false;
        for (int i = 0; i < paths.size(); ++i)
            for (int j = i + 1; j < paths.size(); ++j)
                if (label(i) == label(j) && (depth[i] < parts[i].size() || depth[j] < parts[j].size())) {
                    ++depth[i];
                    ++depth[j];
                    clash = true;
                }
    }
    QStringList out;
    for (int i = 0; i < paths.size(); ++i)
        out.append(label(i));
    return out;
}

void CMainFrame::SetRecentFiles(const QStringList& files)
{
    const QStringList labels = RecentFileLabels(files);
    for (int i = 0; i < recentActions_.size(); ++i) {
        QAction* a = recentActions_[i];
        if (i < files.size()) {
            a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(labels[i]));
            a->setStatusTip(files[i]);
            a->setData(files[i]);
            a->setVisible(true);
        } else {
            a->setVisible(false);
        }
    }
    if (recentSeparator_)
        recentSeparator_->setVisible(!files.isEmpty());
}

void CMainFrame::FillWindowList()
{
    for (QAction* a : windowActions_) {
        windowMenu_->removeAction(a);
        a->deleteLater();
    }
    windowActions_.clear();
    const QList<QMdiSubWindow*> subs = mdi_->subWindowList(QMdiArea::CreationOrder);
    if (subs.isEmpty())
        return;
    windowActions_.append(windowMenu_->addSeparator());
    QMdiSubWindow* active = mdi_->activeSubWindow() ? mdi_->activeSubWindow() : mdi_->currentSubWindow();
    for (int i = 0; i < subs.size(); ++i) {
        QMdiSubWindow* sub = subs[i];
        // Numbers 1-9 get a keyboard accelerator, as in a Windows menu.
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QString::number(i + 1);
        QAction* a = windowMenu_->addAction(number + QLatin1Char(' ') + sub->windowTitle().remove(QStringLiteral("[*]")));
        a->setCheckable(true);
        a->setChecked(sub == active);
        connect(a, &QAction::triggered, this, [this, sub] { mdi_->setActiveSubWindow(sub); });
        windowActions_.append(a);
    }
}

void CMainFrame::RestoreBarState(const QByteArray& state)
{
    if (!state.isEmpty())
        restoreState(state);
    for (QToolBar* bar : toolbars_)
        if (bar->actions().isEmpty())
            bar->hide();
}

QByteArray CMainFrame::SaveBarState() const { return saveState(); }

void CMainFrame::KeepPlacement()
{
    settings_.maximized = isMaximized() ? 1 : 0;
    if (!isMaximized() && !isMinimized() && !isFullScreen()) {
        const QRect r = geometry();
        settings_.left = r.left();
        settings_.top = r.top();
        settings_.right = r.right() + 1;
        settings_.bottom = r.bottom() + 1;
    }
}

void CMainFrame::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    if (isVisible())
        KeepPlacement();
}

void CMainFrame::moveEvent(QMoveEvent* e)
{
    QMainWindow::moveEvent(e);
    if (isVisible())
        KeepPlacement();
}

void CMainFrame::changeEvent(QEvent* e)
{
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && isVisible())
        settings_.maximized = isMaximized() ? 1 : 0;
}

void CMainFrame::closeEvent(QCloseEvent* e)
{
    emit closing();
    // Documents may refuse (their save prompt answered with Cancel).
    mdi_->closeAllSubWindows();
    if (!mdi_->subWindowList().isEmpty()) {
        e->ignore();
        return;
    }
    QMainWindow::closeEvent(e);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* e)
{
    QStringList paths;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    if (!paths.isEmpty()) {
        e->acceptProposedAction();
        emit filesDropped(paths);
    }
}

}  // namespace orv
