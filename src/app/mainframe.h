#pragma once

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <array>
#include <functional>

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

// One command: the action that menus, toolbars and keys share, and what it does.
struct Command {
    QAction* action = nullptr;
    std::function<void()> run;
    std::function<bool()> enabled;  // empty: always enabled
    std::function<bool()> checked;  // empty: not checkable
};

// The program's main window: the document area, three toolbars, the status bar with
// its eight panes, the menus, and the window placement kept in the settings.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(Settings& settings, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Defines a command's action. prompt is "status text\ntool tip" as in the string table.
    QAction* DefineCommand(int id, const QString& text, const QString& prompt, const QList<QKeySequence>& keys = {});
    void SetHandler(int id, std::function<void()> run, std::function<bool()> enabled = {},
                    std::function<bool()> checked = {});
    QAction* Action(int id) const;
    bool HasHandler(int id) const;
    // Runs a command as its menu item would (only when enabled).
    bool Execute(int id);
    // Refreshes every action's enabled and checked state from its handlers.
    void UpdateCommandUI();

    // Panes 1-7: grid, status 1, status 2, x, y, z, rate. An empty text shows as a blank.
    void SetPaneText(int pane, const QString& text);
    QString PaneText(int pane) const;
    // Pane 0, the message pane's resting text (the display device's name).
    void SetMessagePaneText(const QString& text);

    QMdiArea* MdiArea() const { return mdi_; }
    CChildFrame* ActiveChild() const;
    QList<CChildFrame*> Children() const;
    QToolBar* ToolBar(int index) const { return toolbars_[static_cast<std::size_t>(index)]; }

    // Menus that other parts of the program fill.
    QMenu* FileMenu() const { return fileMenu_; }
    QMenu* EditMenu() const { return editMenu_; }
    QMenu* ViewMenu() const { return viewMenu_; }
    QMenu* ToolsMenu() const { return toolsMenu_; }
    QMenu* HelpMenu() const { return helpMenu_; }
    QMenu* WindowMenu() const { return windowMenu_; }

    // Builds the menus and toolbars from the defined commands (ids absent are skipped).
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

private:
    void KeepPlacement();
    void AddButtons(QToolBar* bar, std::initializer_list<int> ids);
    // The Window menu's list of open windows, made again each time the menu opens.
    void FillWindowList();

    Settings& settings_;
    QMdiArea* mdi_ = nullptr;
    std::array<QToolBar*, 3> toolbars_{};
    std::array<QLabel*, 8> panes_{};
    QHash<int, Command> commands_;
    QMenu* fileMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QList<QAction*> recentActions_;
    QList<QAction*> windowActions_;
    QAction* recentSeparator_ = nullptr;
};

}  // namespace orv
