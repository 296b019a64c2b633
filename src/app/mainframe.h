#pragma once

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <array>
#include <functional>

#include "commands/command_table.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QAction;

namespace orv {

struct Settings;
class CChildFrame;

// The texts of the recent-file list: each file's name, with as many of its folders
// in front as it takes to tell files of one name apart.
QStringList RecentFileLabels(const QStringList& paths);

// A command the window layer supplies itself (files, dialogs, toolbars): what it does
// and, when it has them, its rules.
struct CommandBinding {
    std::function<void()> run;
    std::function<bool()> enabled;  // empty: enabled
    std::function<bool()> checked;  // empty: the table's rule, or no check mark
    QString unmet;                  // why it is disabled when `enabled` is false
};

// The program's main window: the document area, three toolbars, the status bar with
// its eight panes, the menus, and the window placement kept in the settings.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(Settings& settings, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Supplies a command of the table that has no core function (or replaces it). unmet
    // is what the status bar says while `enabled` is false: the condition it tests.
    void Bind(int id, std::function<void()> run, std::function<bool()> enabled = {}, std::function<bool()> checked = {},
              QString unmet = {});
    // The action of a command of the table (every row has one).
    QAction* Action(int id) const;
    // Whether the command can be run here: it has a core function or a binding.
    bool Available(int id) const;
    // Runs a command as its menu item would (only when enabled).
    bool Execute(int id);
    // Refreshes every action's enabled and checked state from the table's rules, asked
    // of the active document window, and from the bindings.
    void UpdateCommandUI();
    // Why a command is disabled here, "" when it is enabled: the table's reason asked of
    // the active document window, or the binding's. The status bar shows it while the
    // pointer rests on the command's disabled menu item or toolbar button.
    QString DisabledReason(int id) const;
    // The actions whose keys belong to a 3D view (document and view commands); each view
    // adds them to itself, so they act while it has the focus.
    QList<QAction*> ViewKeyActions() const;
    // The actions whose keys act wherever the keyboard is in a model's window (Undo,
    // Redo); each document window adds them to itself.
    QList<QAction*> ModelWindowKeyActions() const;

    // Panes 1-7: grid, status 1, status 2, x, y, z, rate. An empty text shows as a blank.
    void SetPaneText(int pane, const QString& text);
    QString PaneText(int pane) const;
    // Pane 0, the message pane's resting text (the display device's name).
    void SetMessagePaneText(const QString& text);
    // The fields of their own that the frames do not write over: the resources in use
    // (shown only while the sample's placeholders stand in for the game's) and the
    // colormap the active document draws through. tip: the longer story, as a tool tip.
    void SetResourceStatus(const QString& text, const QString& tip);
    void SetColormapStatus(const QString& text, const QString& tip);
    QLabel* ResourceStatus() const { return resourceStatus_; }
    QLabel* ColormapStatus() const { return colormapStatus_; }

    QMdiArea* MdiArea() const { return mdi_; }
    CChildFrame* ActiveChild() const;
    // Gives the keyboard focus to the active document window's 3D view, so that its keys
    // act without a click into it; a click into a pane's field that brought the window to
    // the front keeps the focus there.
    void FocusActiveView();
    QList<CChildFrame*> Children() const;
    QToolBar* ToolBar(int index) const { return toolbars_[static_cast<std::size_t>(index)]; }

    // Menus that other parts of the program fill.
    QMenu* FileMenu() const { return fileMenu_; }
    QMenu* EditMenu() const { return editMenu_; }
    QMenu* ViewMenu() const { return viewMenu_; }
    QMenu* ToolsMenu() const { return toolsMenu_; }
    QMenu* HelpMenu() const { return helpMenu_; }
    QMenu* WindowMenu() const { return windowMenu_; }

    // Builds the menus and toolbars from the table's places (commands that cannot run
    // here are left out; a toolbar none of whose commands can is hidden).
    void BuildMenusAndToolbars();
    // Restores the toolbars' positions and visibility saved under "ToolBar".
    void RestoreBarState(const QByteArray& state);
    QByteArray SaveBarState() const;

    void SetRecentFiles(const QStringList& files);

signals:
    void filesDropped(const QStringList& paths);
    void recentFileChosen(const QString& path);
    void closing();

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void changeEvent(QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    bool event(QEvent* e) override;

private:
    // The parts the constructor builds, in its order: the three toolbars (empty), the
    // status bar's panes, the menu bar's menus (empty; BuildMenusAndToolbars fills them),
    // an action for every command of the table, and the frame's own commands.
    void BuildToolbars();
    void BuildStatusBar();
    void AddMenus();
    void BuildCommandActions();
    void BindFrameCommands();
    void KeepPlacement();
    // The Window menu's list of open windows, made again each time the menu opens.
    void FillWindowList();
    class COrvaneView* ActiveView() const;
    // The active document window's view context (none without one), and whether a
    // command is enabled in it: a binding's own rule, else the table's.
    EditContext ActiveContext() const;
    bool Enabled(const CommandRow& row, const EditContext& c) const;
    QString DisabledReason(const CommandRow& row, const EditContext& c) const;
    // Puts the reason of a disabled action in the status bar (Qt gives disabled items no
    // status tip); clears a reason shown before when the pointer left it.
    void ShowWhyDisabled(QAction* a);

    Settings& settings_;
    QMdiArea* mdi_ = nullptr;
    std::array<QToolBar*, 3> toolbars_{};
    std::array<QLabel*, 8> panes_{};
    QLabel* resourceStatus_ = nullptr;
    QLabel* colormapStatus_ = nullptr;
    QHash<int, QAction*> actions_;
    QHash<int, CommandBinding> bindings_;
    QMenu* fileMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QList<QAction*> recentActions_;
    QList<QAction*> windowActions_;
    QAction* recentSeparator_ = nullptr;
    bool showingReason_ = false;
};

}  // namespace orv
