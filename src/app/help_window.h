// The help window: the pages of the help folder in a browser of the program's own, with
// the contents, the index and a full-text search beside them, and Back, Forward and Home.
// Links outside the help folder go to the desktop.
#pragma once

#include <QList>
#include <QWidget>
#include <functional>

#include "app/help_book.h"

class QLineEdit;
class QListWidget;
class QTabWidget;
class QToolBar;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;
class QAction;

namespace orv {

class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    // folder: the help folder; openExternal: how a link outside it is opened.
    CHelpWindow(const QString& folder, std::function<bool(const QUrl&)> openExternal, QWidget* parent = nullptr);

    // A page of the folder, with or without an anchor: "dialogs.html#materials".
    void ShowPage(const QString& link);
    void Home();
    void Search(const QString& query);
    const QString& Folder() const { return folder_; }

    // The parts, for tests and the accessibility tree.
    QTextBrowser* Browser() const { return browser_; }
    QTabWidget* Tabs() const { return tabs_; }
    QTreeWidget* Contents() const { return contents_; }
    QTreeWidget* Index() const { return index_; }
    QLineEdit* IndexFilter() const { return indexFilter_; }
    QLineEdit* SearchLine() const { return searchLine_; }
    QListWidget* SearchResults() const { return results_; }
    QAction* BackAction() const { return back_; }
    QAction* ForwardAction() const { return forward_; }
    QAction* HomeAction() const { return home_; }

private:
    // The parts of the window, made once by the constructor.
    QToolBar* MakeToolBar();
    void MakeBrowser();
    QWidget* MakeContentsTab();
    QWidget* MakeIndexTab();
    QWidget* MakeSearchTab();
    void FillContents();
    void FillIndex();
    void FilterIndex(const QString& text);
    void OpenIndexItem(QTreeWidgetItem* item);
    void OpenLink(const QUrl& url);
    void MarkCurrentInContents(const QUrl& url);

    QString folder_;
    std::function<bool(const QUrl&)> openExternal_;
    QList<HelpPage> pages_;
    QTextBrowser* browser_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTreeWidget* contents_ = nullptr;
    QTreeWidget* index_ = nullptr;
    QLineEdit* indexFilter_ = nullptr;
    QLineEdit* searchLine_ = nullptr;
    QListWidget* results_ = nullptr;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
    QAction* home_ = nullptr;
    QString searchWord_;  // the first word of the last search, found again on the page opened
};

// The Help button of a dialog: its page in the help window, through the handler the
// application sets; false when none is set (a dialog shown on its own).
bool ShowDialogHelp(QWidget* dialog);
void SetDialogHelpHandler(std::function<void(QWidget*)> handler);

// F1 in a dialog: the help page of that dialog ("dialogs.html#materials"), or empty for a
// dialog the table does not know.
QString DialogHelpPage(const QWidget* dialog);
// Every page of that table, for checking that each anchor exists.
QStringList DialogHelpPages();

}  // namespace orv
