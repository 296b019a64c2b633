#include "app/context_help.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/help_window.h"
#include "app/orvaneview.h"
#include "app/panes.h"
#include "commands/command_table.h"

namespace orv {

namespace {

// The sections of the menus page, by menu and group of the command table (group -1: the
// whole menu).
struct MenuSection {
    Menu menu;
    int group;
    const char* page;
};
constexpr MenuSection kMenuSections[] = {
    {Menu::File, -1, "menus.html#file"},          {Menu::Edit, 1, "menus.html#edit-undo"},
    {Menu::Edit, 2, "menus.html#edit-clipboard"}, {Menu::Edit, 3, "menus.html#edit-move"},
    {Menu::Edit, 4, "menus.html#edit-move"},      {Menu::Edit, 5, "menus.html#edit-shapes"},
    {Menu::Edit, 6, "menus.html#edit-shapes"},    {Menu::Edit, 7, "menus.html#edit-add"},
    {Menu::Edit, 8, "menus.html#edit-add"},       {Menu::View, 1, "menus.html#view-bars"},
    {Menu::View, 2, "menus.html#render-modes"},   {Menu::View, 3, "menus.html#standard-views"},
    {Menu::View, 4, "menus.html#camera"},         {Menu::View, 5, "menus.html#edit-modes"},
    {Menu::View, 6, "menus.html#grid"},           {Menu::View, 7, "menus.html#frames"},
    {Menu::Tools, -1, "menus.html#tools"},        {Menu::Window, -1, "menus.html#window"},
    {Menu::Help, -1, "menus.html#help"},
};

QString ActionHelpPage(const QAction* a)
{
    if (a && a->data().typeId() == QMetaType::Int)
        return CommandHelpPage(a->data().toInt());
    return QStringLiteral("menus.html");  // a recent file or a window of the Window menu
}

}  // namespace

QString CommandHelpPage(int id)
{
    const CommandRow* row = FindCommand(id);
    if (!row)
        return QStringLiteral("menus.html");
    if (row->menu.menu == Menu::None)
        return QString::fromLatin1(row->scope == CommandScope::Application ? "keys.html#window-keys"
                                                                           : "keys.html#view-keys");
    for (const MenuSection& s : kMenuSections)
        if (s.menu == row->menu.menu && (s.group < 0 || s.group == row->menu.order / 100))
            return QString::fromLatin1(s.page);
    return QStringLiteral("menus.html");
}

QString ClickedHelpPage(QWidget* widget, QPoint pos)
{
    // Help on the help window is its start page.
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (qobject_cast<CHelpWindow*>(w))
            return QStringLiteral("index.html");
    if (auto* button = qobject_cast<QToolButton*>(widget); button && button->defaultAction())
        return ActionHelpPage(button->defaultAction());
    if (auto* bar = qobject_cast<QToolBar*>(widget); bar && bar->actionAt(pos))
        return ActionHelpPage(bar->actionAt(pos));
    if (auto* menu = qobject_cast<QMenu*>(widget); menu && menu->actionAt(pos))
        return ActionHelpPage(menu->actionAt(pos));
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<QToolBar*>(w))
            return QStringLiteral("panes.html#toolbars");
        if (qobject_cast<QStatusBar*>(w))
            return QStringLiteral("panes.html#status-bar");
        if (qobject_cast<QMenuBar*>(w) || qobject_cast<QMenu*>(w))
            return QStringLiteral("menus.html");
        if (qobject_cast<CGeoView*>(w))
            return QStringLiteral("panes.html#geometry-pane");
        if (qobject_cast<CMeshView*>(w))
            return QStringLiteral("panes.html#mesh-pane");
        if (qobject_cast<CFaceView*>(w))
            return QStringLiteral("panes.html#face-pane");
        if (qobject_cast<CVertexView*>(w))
            return QStringLiteral("panes.html#vertex-pane");
        if (qobject_cast<COrvaneView*>(w))
            return QStringLiteral("panes.html#view");
        if (const QString page = DialogHelpPage(w); !page.isEmpty())
            return page;
    }
    return QStringLiteral("index.html");
}

CContextHelp::CContextHelp(std::function<void(const QString&)> show, QObject* parent)
    : QObject(parent), show_(std::move(show))
{}

CContextHelp::~CContextHelp()
{
    if (active_)
        QApplication::restoreOverrideCursor();
}

void CContextHelp::Start()
{
    if (active_)
        return;
    active_ = true;
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
    qApp->installEventFilter(this);
}

void CContextHelp::Stop()
{
    if (!active_)
        return;
    active_ = false;
    QApplication::restoreOverrideCursor();
    if (!swallowRelease_)
        qApp->removeEventFilter(this);
}

void CContextHelp::Finish(const QString& page)
{
    Stop();
    // Opened after the click is delivered: a window made inside a mouse event's delivery
    // would take the release.
    QTimer::singleShot(0, this, [this, page] { show_(page); });
}

bool CContextHelp::eventFilter(QObject* watched, QEvent* event)
{
    // Only the widgets' own events: the window's copy of a mouse event reaches them next.
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::KeyPress:
        if (active_ && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            Stop();
            return true;
        }
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (!active_)
            return false;
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        // The menu bar opens its menu; the item is chosen in the menu, on the release.
        if (qobject_cast<QMenuBar*>(widget))
            return false;
        if (auto* menu = qobject_cast<QMenu*>(widget))
            return menu->rect().contains(pos);  // outside it, the press closes the menu
        swallowRelease_ = true;
        Finish(ClickedHelpPage(widget, pos));
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (swallowRelease_) {
            swallowRelease_ = false;
            if (!active_)
                qApp->removeEventFilter(this);
            return true;
        }
        auto* menu = qobject_cast<QMenu*>(widget);
        if (!active_ || !menu)
            return false;
        QAction* a = menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (!a || a->isSeparator())
            return true;
        if (a->menu())
            return false;  // a sub-menu opens
        while (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        Finish(ActionHelpPage(a));
        return true;
    }
    default: return false;
    }
}

}  // namespace orv
