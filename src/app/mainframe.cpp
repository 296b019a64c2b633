#include "app/mainframe.h"

#include <QAction>
#include <QApplication>
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
#include <QMouseEvent>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <climits>
#include <optional>
#include <vector>

#include "app/childframe.h"
#include "app/iconfactory.h"
#include "app/orvaneview.h"
#include "commands/command_table.h"
#include "model/settings.h"

namespace orv {

namespace {

// Keys that act wherever the keyboard is in a model's window, panes included: a pane's
// field that takes them for itself (Ctrl+Z in a text field) still comes first.
bool ActsInTheWholeWindow(int id) { return id == cmd::EditUndo || id == cmd::EditRedo; }

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

    BuildToolbars();
    BuildStatusBar();
    AddMenus();
    BuildCommandActions();
    BindFrameCommands();

    // A window that comes to the front (Window menu, a click on its frame, Cascade, Tile,
    // another one closing) has its view take the keys at once.
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] {
        FocusActiveView();
        UpdateCommandUI();
    });
}

void CMainFrame::BuildToolbars()
{
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
}

void CMainFrame::BuildStatusBar()
{
    // Status bar: the message pane, the resources and the colormap, then grid, two
    // status panes, x, y, z and rate.
    const int widths[8] = {0, 55, 50, 50, 50, 50, 50, 50};
    for (int i = 0; i < 8; ++i) {
        if (i == 1) {
            resourceStatus_ = new QLabel(this);
            resourceStatus_->setObjectName(QStringLiteral("resourceStatus"));
            resourceStatus_->setStyleSheet(
                QStringLiteral("QLabel { background: #fff4c2; color: black; border: 1px solid #c8b560; padding: 0 4px; }"));
            resourceStatus_->hide();
            statusBar()->addPermanentWidget(resourceStatus_);
            colormapStatus_ = new QLabel(this);
            colormapStatus_->setObjectName(QStringLiteral("colormapStatus"));
            colormapStatus_->setFrameShape(QFrame::Panel);
            colormapStatus_->setFrameShadow(QFrame::Sunken);
            colormapStatus_->hide();
            statusBar()->addPermanentWidget(colormapStatus_);
        }
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
}

void CMainFrame::AddMenus()
{
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    editMenu_ = menuBar()->addMenu(QStringLiteral("&Edit"));
    viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    toolsMenu_ = menuBar()->addMenu(QStringLiteral("&Tools"));
    windowMenu_ = menuBar()->addMenu(QStringLiteral("&Window"));
    connect(windowMenu_, &QMenu::aboutToShow, this, &CMainFrame::FillWindowList);
    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    for (QMenu* m : {fileMenu_, editMenu_, viewMenu_, toolsMenu_, windowMenu_, helpMenu_}) {
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
        m->installEventFilter(this);
    }
}

void CMainFrame::BuildCommandActions()
{
    // Every command of the table gets its action: text, prompts, keys and icon.
    for (const CommandRow& row : CommandTable()) {
        auto* a = new QAction(QString::fromUtf8(row.text), this);
        a->setData(row.id);
        const QString prompt = QString::fromUtf8(row.prompt);
        const int nl = static_cast<int>(prompt.indexOf(QLatin1Char('\n')));
        a->setStatusTip(nl < 0 ? prompt : prompt.left(nl));
        a->setToolTip(nl < 0 ? QString(a->text()).remove(QLatin1Char('&')) : prompt.mid(nl + 1));
        a->setIcon(CommandIcon(row.id));
        a->setIconVisibleInMenu(false);
        a->setCheckable(row.core.checked != nullptr);
        QList<QKeySequence> keys;
        for (const QString& k : QString::fromUtf8(row.keys).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            keys.append(QKeySequence::fromString(k, QKeySequence::PortableText));
        a->setShortcuts(keys);
        // Keys of document and view commands belong to the 3D view: a pane with the focus
        // types the letter instead. The application's keys act anywhere in this window,
        // those without a menu item too.
        if (ActsInTheWholeWindow(row.id))
            a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        else if (row.scope != CommandScope::Application)
            a->setShortcutContext(Qt::WidgetShortcut);
        else
            addAction(a);
        const int id = row.id;
        connect(a, &QAction::triggered, this, [this, id] { Execute(id); });
        actions_.insert(id, a);
    }
}

void CMainFrame::BindFrameCommands()
{
    // The toolbar and status bar switches and the window arrangement are the frame's own.
    const std::pair<int, int> barCommands[] = {
        {cmd::ViewToolBar, 0}, {cmd::ViewMapToolBar, 1}, {cmd::ViewToolToolBar, 2}};
    for (auto [id, index] : barCommands) {
        QToolBar* bar = toolbars_[static_cast<std::size_t>(index)];
        Bind(
            id, [bar] { bar->setVisible(bar->isHidden()); }, {}, [bar] { return !bar->isHidden(); });
    }
    Bind(
        cmd::ViewStatusBar, [this] { statusBar()->setVisible(statusBar()->isHidden()); }, {},
        [this] { return !statusBar()->isHidden(); });
    const QString noWindow = QStringLiteral("No model window is open");
    Bind(
        cmd::NextPane, [this] { ActiveChild()->FocusNextPane(true); }, [this] { return ActiveChild() != nullptr; }, {},
        noWindow);
    Bind(
        cmd::PrevPane, [this] { ActiveChild()->FocusNextPane(false); }, [this] { return ActiveChild() != nullptr; }, {},
        noWindow);
    Bind(
        cmd::WindowCascade, [this] { mdi_->cascadeSubWindows(); }, [this] { return !mdi_->subWindowList().isEmpty(); },
        {}, noWindow);
    Bind(
        cmd::WindowTile, [this] { mdi_->tileSubWindows(); }, [this] { return !mdi_->subWindowList().isEmpty(); }, {},
        noWindow);
}

CMainFrame::~CMainFrame()
{
    // The document area outlives this object's members while QWidget tears it down;
    // its signals must not reach them any more.
    disconnect(mdi_, nullptr, this, nullptr);
    for (QMenu* m : {fileMenu_, editMenu_, viewMenu_, toolsMenu_, windowMenu_, helpMenu_})
        disconnect(m, nullptr, this, nullptr);
}

void CMainFrame::Bind(int id, std::function<void()> run, std::function<bool()> enabled, std::function<bool()> checked,
                      QString unmet)
{
    CommandBinding& b = bindings_[id];
    b.run = std::move(run);
    b.enabled = std::move(enabled);
    b.checked = std::move(checked);
    b.unmet = std::move(unmet);
    if (QAction* a = Action(id); a && b.checked)
        a->setCheckable(true);
}

QAction* CMainFrame::Action(int id) const { return actions_.value(id, nullptr); }

bool CMainFrame::Available(int id) const
{
    if (bindings_.contains(id))
        return static_cast<bool>(bindings_.value(id).run);
    const CommandRow* row = FindCommand(id);
    return row && row->core.run;
}

COrvaneView* CMainFrame::ActiveView() const
{
    CChildFrame* child = ActiveChild();
    return child ? child->View() : nullptr;
}

EditContext CMainFrame::ActiveContext() const
{
    const COrvaneView* view = ActiveView();
    return view ? view->Context() : EditContext{};
}

bool CMainFrame::Enabled(const CommandRow& row, const EditContext& c) const { return DisabledReason(row, c).isEmpty(); }

QString CMainFrame::DisabledReason(const CommandRow& row, const EditContext& c) const
{
    static const QString kUnavailable = QStringLiteral("Not available in this program");
    if (auto it = bindings_.constFind(row.id); it != bindings_.constEnd()) {
        if (!it->run)
            return kUnavailable;
        // A binding's own rule, else the table's (asked of the active document window).
        if (it->enabled) {
            if (it->enabled())
                return {};
            return it->unmet.isEmpty() ? QStringLiteral("Not available now") : it->unmet;
        }
    } else if (!row.core.run) {
        return kUnavailable;
    }
    const char* why = WhyDisabled(row, c);
    return why ? QString::fromUtf8(why) : QString();
}

QString CMainFrame::DisabledReason(int id) const
{
    const CommandRow* row = FindCommand(id);
    return row ? DisabledReason(*row, ActiveContext()) : QString();
}

void CMainFrame::ShowWhyDisabled(QAction* a)
{
    const QVariant id = a && !a->isEnabled() && !a->isSeparator() ? a->data() : QVariant();
    const QString why = id.typeId() == QMetaType::Int ? DisabledReason(id.toInt()) : QString();
    if (!why.isEmpty()) {
        statusBar()->showMessage(why);
        showingReason_ = true;
    } else if (showingReason_) {
        statusBar()->clearMessage();
        showingReason_ = false;
    }
}

bool CMainFrame::event(QEvent* e)
{
    // A menu that loses its current item to a disabled one clears the status tip after the
    // reason went up: the reason stays while the pointer rests there.
    if (e->type() == QEvent::StatusTip && showingReason_ && static_cast<QStatusTipEvent*>(e)->tip().isEmpty())
        return true;
    return QMainWindow::event(e);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* e)
{
    // Qt gives a disabled menu item or toolbar button no status tip: the pointer resting
    // on one shows why it is disabled instead.
    if (auto* menu = qobject_cast<QMenu*>(watched)) {
        if (e->type() == QEvent::MouseMove)
            ShowWhyDisabled(menu->actionAt(static_cast<QMouseEvent*>(e)->position().toPoint()));
        else if (e->type() == QEvent::Leave || e->type() == QEvent::Hide)
            ShowWhyDisabled(nullptr);
    } else if (auto* button = qobject_cast<QToolButton*>(watched)) {
        if (e->type() == QEvent::Enter || e->type() == QEvent::HoverEnter || e->type() == QEvent::MouseMove)
            ShowWhyDisabled(button->defaultAction());
        else if (e->type() == QEvent::Leave || e->type() == QEvent::HoverLeave)
            ShowWhyDisabled(nullptr);
    }
    return QMainWindow::eventFilter(watched, e);
}

bool CMainFrame::Execute(int id)
{
    const CommandRow* row = FindCommand(id);
    bool ran = false;
    if (row && Enabled(*row, ActiveContext())) {
        if (auto it = bindings_.constFind(id); it != bindings_.constEnd()) {
            // Copy: the handler may change the bindings.
            const CommandBinding b = *it;
            b.run();
            ran = true;
        } else if (COrvaneView* view = ActiveView()) {
            ran = view->RunCommand(id);
        } else {
            EditContext none;
            ran = RunCommand(*row, none).ran;
        }
    }
    UpdateCommandUI();
    return ran;
}

void CMainFrame::UpdateCommandUI()
{
    const EditContext c = ActiveContext();
    for (const CommandRow& row : CommandTable()) {
        QAction* a = Action(row.id);
        if (!a)
            continue;
        a->setEnabled(Enabled(row, c));
        if (!a->isCheckable())
            continue;
        auto it = bindings_.constFind(row.id);
        a->setChecked(it != bindings_.constEnd() && it->checked ? it->checked() : CommandChecked(row, c));
    }
}

QList<QAction*> CMainFrame::ViewKeyActions() const
{
    QList<QAction*> out;
    for (const CommandRow& row : CommandTable())
        if (row.scope != CommandScope::Application && *row.keys && Available(row.id) && !ActsInTheWholeWindow(row.id))
            out.append(Action(row.id));
    return out;
}

QList<QAction*> CMainFrame::ModelWindowKeyActions() const
{
    QList<QAction*> out;
    for (const CommandRow& row : CommandTable())
        if (ActsInTheWholeWindow(row.id) && Available(row.id))
            out.append(Action(row.id));
    return out;
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

void CMainFrame::SetResourceStatus(const QString& text, const QString& tip)
{
    resourceStatus_->setText(text);
    resourceStatus_->setToolTip(tip);
    resourceStatus_->setVisible(!text.isEmpty());
}

void CMainFrame::SetColormapStatus(const QString& text, const QString& tip)
{
    colormapStatus_->setText(text);
    colormapStatus_->setToolTip(tip);
    colormapStatus_->setVisible(!text.isEmpty());
}

CChildFrame* CMainFrame::ActiveChild() const
{
    QMdiSubWindow* sub = mdi_->activeSubWindow();
    if (!sub) {
        // While the main window is not active (a dialog is up) keep the last one.
        sub = mdi_->currentSubWindow();
    }
    return sub ? qobject_cast<CChildFrame*>(sub->widget()) : nullptr;
}

void CMainFrame::FocusActiveView()
{
    CChildFrame* child = ActiveChild();
    if (!child)
        return;
    QWidget* area = child->View()->GlWidget();
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus != area && child->isAncestorOf(focus) && QApplication::mouseButtons() != Qt::NoButton)
        return;
    area->setFocus(Qt::OtherFocusReason);
}

QList<CChildFrame*> CMainFrame::Children() const
{
    QList<CChildFrame*> out;
    for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::CreationOrder))
        if (auto* c = qobject_cast<CChildFrame*>(sub->widget()))
            out.append(c);
    return out;
}

void CMainFrame::BuildMenusAndToolbars()
{
    // The rows of one menu or toolbar in their order, a separator where the group changes.
    auto fill = [this](QWidget* target, auto placeOf, auto where, int below = INT_MAX) {
        std::vector<std::pair<int, int>> items;  // order, id
        for (const CommandRow& row : CommandTable()) {
            const auto place = placeOf(row);
            if (place.first == where && place.second < below && Available(row.id))
                items.emplace_back(place.second, row.id);
        }
        std::stable_sort(items.begin(), items.end());
        int group = items.empty() ? 0 : items.front().first / 100;
        for (const auto& [order, id] : items) {
            if (order / 100 != group) {
                auto* separator = new QAction(target);
                separator->setSeparator(true);
                target->addAction(separator);
            }
            group = order / 100;
            target->addAction(Action(id));
        }
    };
    auto menuPlace = [](const CommandRow& r) { return std::pair(r.menu.menu, r.menu.order); };
    auto barPlace = [](const CommandRow& r) { return std::pair(r.bar.bar, r.bar.order); };

    const Bar bars[3] = {Bar::Main, Bar::Map, Bar::Tool};
    const int toggles[3] = {cmd::ViewToolBar, cmd::ViewMapToolBar, cmd::ViewToolToolBar};
    for (int i = 0; i < 3; ++i) {
        QToolBar* bar = toolbars_[static_cast<std::size_t>(i)];
        bar->clear();
        fill(bar, barPlace, bars[i]);
        for (QAction* a : bar->actions())
            if (QWidget* button = bar->widgetForAction(a))
                button->installEventFilter(this);
        // A toolbar none of whose commands exist yet is neither shown nor offered.
        if (bar->actions().isEmpty()) {
            bar->hide();
            bar->toggleViewAction()->setVisible(false);
            bindings_.remove(toggles[i]);
            bindings_[toggles[i]];  // bound to nothing: not available
        }
    }

    for (QMenu* menu : {fileMenu_, editMenu_, viewMenu_, toolsMenu_, windowMenu_, helpMenu_})
        menu->clear();
    // File: the commands, the recent files, then Exit.
    fill(fileMenu_, menuPlace, Menu::File, 900);
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
    if (Available(cmd::AppExit))
        fileMenu_->addAction(Action(cmd::AppExit));
    fill(editMenu_, menuPlace, Menu::Edit);
    fill(viewMenu_, menuPlace, Menu::View);
    fill(toolsMenu_, menuPlace, Menu::Tools);
    fill(windowMenu_, menuPlace, Menu::Window);
    windowActions_.clear();
    fill(helpMenu_, menuPlace, Menu::Help);
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
        QAction* a =
            windowMenu_->addAction(number + QLatin1Char(' ') + sub->windowTitle().remove(QStringLiteral("[*]")));
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
