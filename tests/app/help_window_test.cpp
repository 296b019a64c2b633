// The help: the book read from a folder of pages (index, search, contents), the help
// window's history and tabs, F1 in dialogs, and the help window over a modal dialog.
#include <QtTest>

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>

#include "app/app.h"
#include "app/childframe.h"
#include "app/context_help.h"
#include "app/dialogs.h"
#include "app/help_book.h"
#include "app/help_window.h"
#include "app/mainframe.h"
#include "app/orvaneview.h"
#include "app/panes.h"
#include "app_harness.h"
#include "commands/command_ids.h"
#include "commands/command_table.h"

using namespace orv;

namespace {

// A small help folder: three pages that link to each other, and a start page.
void WriteBook(const QString& folder)
{
    QVERIFY(apptest::Write(folder + "/index.html",
          "<html><head><title>Start</title></head><body><h1>Start</h1>\n"
          "<ul><li>Getting started<ul><li><a href=\"a.html\">Carving</a></li>\n"
          "<li><a href='b.html#shapes'>Shapes <b>and</b> more</a> (new)</li></ul></li>\n"
          "<li><a href=\"c.htm\">Odds</a><ol><li><a href=\"c.htm#one\">One</a></li></ol></li></ul>\n"
          "<p>After the lists: <a href=\"a.html\">not contents</a></p></body></html>"));
    QVERIFY(apptest::Write(folder + "/a.html",
          "<html><head><title>Carve a mesh</title>\n"
          "<meta name=\"keywords\" content=\"Carve, grid nodes, Mesh Mode\"></head><body><h1>Carve</h1>\n"
          "<p>Carve cuts the mesh. Carve needs three grid nodes. The mesh must be current.</p>\n"
          "<p><a href=\"b.html\">Shapes</a> <a href=\"https://example.org/x\">away</a></p></body></html>"));
    QVERIFY(apptest::Write(folder + "/b.html",
          "<html><head><meta content=\"shapes, carve, Rotate &amp; move\" name='keywords'>"
          "<title>Shapes</title></head><body><h1 id=\"shapes\">Shapes</h1>\n"
          "<p>A cylinder is a mesh. It is carved with carve.</p><p><a href=\"c.htm\">Odds</a></p>"
          "</body></html>"));
    QVERIFY(apptest::Write(folder + "/c.htm",
          "<html><head><title>Odds and ends</title></head><body><h1>Odds</h1>\n"
          "<p>Nothing about cutting here, only the MESH word once.</p></body></html>"));
}

QStringList Titles(const QList<HelpTarget>& targets)
{
    QStringList t;
    for (const HelpTarget& x : targets)
        t << x.title;
    return t;
}

// The help folder of an application whose program folder is dir.
struct BookHarness : apptest::Harness {
    BookHarness()
    {
        WriteBook(dir.filePath(QStringLiteral("prog/help")));
        QVERIFY(apptest::Write(dir.filePath(QStringLiteral("prog/help/dialogs.html")),
              "<html><head><title>Dialogs</title></head><body><h1>Dialogs</h1>"
              "<h2 id=\"import\">Import</h2><p>The import scale.</p></body></html>"));
        app->SetProgramDir(dir.filePath(QStringLiteral("prog")));
    }
};

// Whether the program's guide has the page ("menus.html#grid") with its anchor.
bool InGuide(const QString& link)
{
    QFile page(QStringLiteral(ORVANE_BINARY_DIR "/share/orvane/help/") + link.section(QLatin1Char('#'), 0, 0));
    if (!page.open(QIODevice::ReadOnly))
        return false;
    const QString html = QString::fromUtf8(page.readAll());
    const QString id = link.section(QLatin1Char('#'), 1);
    return !id.isEmpty() &&
           (html.contains(QStringLiteral("id=\"%1\"").arg(id)) || html.contains(QStringLiteral("id='%1'").arg(id)));
}

QString ShownFile(const CHelpWindow* w)
{
    const QUrl url = w->Browser()->source();
    return QFileInfo(url.toLocalFile()).fileName() + (url.hasFragment() ? "#" + url.fragment() : QString());
}

}  // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT
private slots:
    void theBooksIndexSearchAndContents()
    {
        QTemporaryDir dir;
        WriteBook(dir.path());
        const QList<HelpPage> pages = ReadHelpFolder(dir.path());
        QCOMPARE(pages.size(), 4);
        QVERIFY(!pages[0].text.contains(QStringLiteral("<p>")));

        // "Carve" and "carve" are one term (the window shows its pages); entities are
        // read; case does not sort.
        const QList<HelpIndexEntry> index = BuildHelpIndex(pages);
        QStringList terms;
        for (const HelpIndexEntry& e : index)
            terms << e.term;
        QCOMPARE(terms, QStringList({"Carve", "grid nodes", "Mesh Mode", "Rotate & move", "shapes"}));
        QCOMPARE(Titles(index[4].pages), QStringList({"Shapes"}));

        // A page that cannot be read is named by its file and holds nothing.
        const HelpPage gone = ReadHelpPage(dir.path(), QStringLiteral("gone.html"));
        QCOMPARE(gone.title, QStringLiteral("gone.html"));
        QVERIFY(gone.keywords.isEmpty() && gone.text.isEmpty());

        // Search finds the pages with every word, most hits first.
        auto found = [&](const QString& q) {
            QStringList r;
            for (const HelpSearchHit& h : SearchHelp(pages, q))
                r << QStringLiteral("%1 %2").arg(h.page.link).arg(h.hits);
            return r;
        };
        // a.html: "carve" 4 times (title, heading, twice in text) and "mesh" 3 times;
        // b.html: "carve" twice (inside "carved" too), "mesh" once. (Pages of as many
        // hits go by title: in the window's test.)
        QCOMPARE(found(QStringLiteral("carve MESH")), QStringList({"a.html 7", "b.html 3"}));
        // Every word must be on the page.
        QCOMPARE(found(QStringLiteral("mesh cutting")), QStringList({"c.htm 2"}));
        QCOMPARE(found(QStringLiteral("carve nowhere")), QStringList());
        QCOMPARE(found(QStringLiteral("   ")), QStringList());

        // The contents are the nested lists of the start page.
        QFile f(dir.filePath(QStringLiteral("index.html")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        // Each item as "title|link", its children in brackets. The link's own text names
        // the item; words after the link do not.
        std::function<QString(const std::vector<HelpContentsNode>&)> outline = [&](const auto& nodes) {
            QStringList items;
            for (const HelpContentsNode& n : nodes)
                items << n.title + '|' + n.link + (n.children.empty() ? QString() : '[' + outline(n.children) + ']');
            return items.join(QStringLiteral(", "));
        };
        QCOMPARE(outline(ReadHelpContents(QString::fromUtf8(f.readAll()))),
                 QStringLiteral("Getting started|[Carving|a.html, Shapes and more|b.html#shapes], "
                                "Odds|c.htm[One|c.htm#one]"));
    }

    void theWindowGoesBackAndForwardAndOffersTheIndexAndSearch()
    {
        QTemporaryDir dir;
        WriteBook(dir.path());
        QList<QUrl> external;
        CHelpWindow w(dir.path(), [&](const QUrl& u) {
            external << u;
            return true;
        });
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.Home();
        QCOMPARE(ShownFile(&w), QStringLiteral("index.html"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Orvane Help - Start"));
        QVERIFY(!w.BackAction()->isEnabled());

        // Two links followed.
        emit w.Browser()->anchorClicked(QUrl(QStringLiteral("a.html")));
        emit w.Browser()->anchorClicked(QUrl(QStringLiteral("b.html")));
        QCOMPARE(ShownFile(&w), QStringLiteral("b.html"));
        QVERIFY(w.BackAction()->isEnabled());
        QTest::keyClick(&w, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(ShownFile(&w), QStringLiteral("a.html"));
        w.BackAction()->trigger();
        QCOMPARE(ShownFile(&w), QStringLiteral("index.html"));
        QVERIFY(!w.BackAction()->isEnabled());
        QVERIFY(w.ForwardAction()->isEnabled());
        QTest::keyClick(&w, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(ShownFile(&w), QStringLiteral("a.html"));

        // A link away from the folder goes to the desktop and the page stays.
        emit w.Browser()->anchorClicked(QUrl(QStringLiteral("https://example.org/x")));
        emit w.Browser()->anchorClicked(QUrl::fromLocalFile(QStringLiteral("/etc/hostname")));
        QCOMPARE(external.size(), 2);
        QCOMPARE(external[0].host(), QStringLiteral("example.org"));
        QCOMPARE(ShownFile(&w), QStringLiteral("a.html"));

        // The contents tree, and choosing in it.
        QCOMPARE(w.Contents()->topLevelItemCount(), 2);
        QTreeWidgetItem* shapes = w.Contents()->topLevelItem(0)->child(1);
        emit w.Contents()->itemClicked(shapes, 0);
        QCOMPARE(ShownFile(&w), QStringLiteral("b.html#shapes"));
        QCOMPARE(w.Contents()->currentItem(), shapes);

        // The index: a filter, a term of one page opens it, a term of two offers both.
        w.IndexFilter()->setText(QStringLiteral("ca"));
        int shown = 0;
        for (int i = 0; i < w.Index()->topLevelItemCount(); ++i)
            shown += w.Index()->topLevelItem(i)->isHidden() ? 0 : 1;
        QCOMPARE(shown, 1);
        QTreeWidgetItem* carve = w.Index()->currentItem();
        QVERIFY(carve);
        QCOMPARE(carve->text(0), QStringLiteral("Carve"));
        emit w.IndexFilter()->returnPressed();
        QVERIFY(carve->isExpanded());
        QCOMPARE(carve->childCount(), 2);
        QCOMPARE(ShownFile(&w), QStringLiteral("b.html#shapes"));  // nothing opened yet
        emit w.Index()->itemActivated(carve->child(0), 0);
        QCOMPARE(ShownFile(&w), QStringLiteral("a.html"));
        w.IndexFilter()->setText(QStringLiteral("grid"));
        emit w.IndexFilter()->returnPressed();
        QCOMPARE(w.Index()->currentItem()->text(0), QStringLiteral("grid nodes"));

        // Search: the pages found, the best first; opening one shows it.
        // Pages of as many hits go by title: "Odds and ends" before "Shapes".
        w.Search(QStringLiteral("mesh"));
        QCOMPARE(w.SearchResults()->count(), 3);
        QCOMPARE(w.SearchResults()->item(0)->text(), QStringLiteral("Carve a mesh (3)"));
        emit w.SearchResults()->itemActivated(w.SearchResults()->item(1));
        QCOMPARE(ShownFile(&w), QStringLiteral("c.htm"));
        w.Search(QStringLiteral("nowhere"));
        QCOMPARE(w.SearchResults()->count(), 1);
        QCOMPARE(w.SearchResults()->item(0)->flags(), Qt::NoItemFlags);
    }

    // Help Topics opens the start page in the help window, even with a browser; a page
    // that is not installed is named.
    void helpTopicsOpensTheStartPageInTheHelpWindowEvenWithABrowser()
    {
        BookHarness h;
        h.browser = true;
        h.app->SetProgramDir(h.dir.filePath(QStringLiteral("nothing-here")));
        QVERIFY(h.app->Frame()->Execute(cmd::HelpIndex));
        QVERIFY(!h.app->HelpViewer());
        QCOMPARE(h.messages, QStringList{QStringLiteral("The help page %1 is not installed.")
                                             .arg(h.dir.filePath(QStringLiteral("nothing-here/help/index.html")))});

        h.app->SetProgramDir(h.dir.filePath(QStringLiteral("prog")));
        QVERIFY(h.app->Frame()->Execute(cmd::HelpIndex));
        QVERIFY(h.app->HelpViewer() && h.app->HelpViewer()->isVisible());
        QCOMPARE(ShownFile(h.app->HelpViewer()), QStringLiteral("index.html"));
        QCOMPARE(h.messages.size(), 1);
    }

    // F1 in a modal dialog shows its page in a help window that takes input while the
    // dialog is open, and the window stays open after it.
    void f1InAModalDialogShowsItsPageBesideIt()
    {
        BookHarness h;
        h.app->Frame()->show();
        CImportDlg dialog(QStringLiteral("cube.obj"), 1.0, h.app->Frame());
        dialog.setModal(true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(QApplication::activeModalWidget(), &dialog);
        QTest::keyClick(dialog.focusWidget() ? dialog.focusWidget() : &dialog, Qt::Key_F1);
        CHelpWindow* help = h.app->HelpViewer();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QCOMPARE(ShownFile(help), QStringLiteral("dialogs.html#import"));
        QVERIFY(QTest::qWaitForWindowExposed(help));

        // A click on Home goes through the window system, which drops input to windows
        // that a modal dialog blocks.
        auto* homeButton = qobject_cast<QToolButton*>(
            help->findChild<QToolBar*>(QStringLiteral("HelpToolBar"))->widgetForAction(help->HomeAction()));
        QVERIFY(homeButton);
        const QPoint at = homeButton->mapTo(help, homeButton->rect().center());
        QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {}, at);
        QTRY_COMPARE(ShownFile(help), QStringLiteral("index.html"));

        dialog.accept();
        QVERIFY(h.app->HelpViewer() == help);
        QCOMPARE(help->parentWidget(), h.app->Frame());
        QVERIFY(help->isVisible());

        // A modal dialog that opens while the help is open takes it along, and one that
        // is destroyed without closing gives it back alive.
        {
            CImportDlg second(QStringLiteral("cone.obj"), 2.0, h.app->Frame());
            second.setModal(true);
            second.show();
            QVERIFY(QTest::qWaitForWindowExposed(&second));
            QCOMPARE(help->parentWidget(), &second);
            QVERIFY(help->isVisible());
            help->ShowPage(QStringLiteral("a.html"));
            QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {}, at);
            QTRY_COMPARE(ShownFile(help), QStringLiteral("index.html"));
        }
        QVERIFY(h.app->HelpViewer() == help);
        QCOMPARE(help->parentWidget(), h.app->Frame());
        QVERIFY(help->isVisible());

        // F1 in a dialog the table does not know opens the start page; in the main window
        // too (Help Topics).
        help->ShowPage(QStringLiteral("a.html"));
        QDialog plain(h.app->Frame());
        plain.show();
        QTest::keyClick(&plain, Qt::Key_F1);
        QCOMPARE(ShownFile(help), QStringLiteral("index.html"));
        plain.close();
        help->ShowPage(QStringLiteral("a.html"));
        h.app->Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(h.app->Frame()));
        QTest::keyClick(h.app->Frame(), Qt::Key_F1);
        QCOMPARE(ShownFile(help), QStringLiteral("index.html"));
        QVERIFY(h.app->Frame()->Execute(cmd::HelpFaqs));
        QVERIFY(h.messages.last().contains(QStringLiteral("OrvaneFaq.htm")));
    }

    // The Help buttons of the Materials dialog and the File Manager open their pages.
    void helpButtonsOpenTheDialogsPages()
    {
        BookHarness h;
        QVERIFY(h.OpenWalker());
        QStringList shown;
        h.dialog = [&](QDialog& d) {
            auto* help = d.findChild<QPushButton*>(QStringLiteral("help"));
            if (help) {
                help->click();
                if (h.app->HelpViewer())
                    shown << ShownFile(h.app->HelpViewer());
            }
            return int(QDialog::Rejected);
        };
        QVERIFY(h.app->Frame()->Execute(cmd::Materials));
        QVERIFY(h.app->Frame()->Execute(cmd::ManageFiles));
        QCOMPARE(shown, QStringList({"dialogs.html#materials", "dialogs.html#file-manager"}));
        QVERIFY(h.messages.isEmpty());
    }

    // Every dialog and every command has its place in the guide, and What's This finds it.
    void everyDialogAndCommandHasItsPlaceInTheGuide()
    {
        {
            CImportDlg import(QStringLiteral("x.obj"), 1.0);
            QCOMPARE(DialogHelpPage(&import), QStringLiteral("dialogs.html#import"));
            CAboutDlg about(false);
            QCOMPARE(DialogHelpPage(&about), QStringLiteral("dialogs.html#about"));
            QDialog plain;
            QVERIFY(DialogHelpPage(&plain).isEmpty());
        }
        if (!QFileInfo::exists(QStringLiteral(ORVANE_BINARY_DIR "/share/orvane/help/menus.html")))
            QSKIP("the guide is not in the build yet");
        QStringList missing;
        for (const QString& link : DialogHelpPages())
            if (!link.startsWith(QStringLiteral("dialogs.html#")) || !InGuide(link))
                missing << link;
        for (const CommandRow& row : CommandTable())
            if (!InGuide(CommandHelpPage(row.id)))
                missing << QStringLiteral("%1 (command %2)").arg(CommandHelpPage(row.id)).arg(row.id);
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not in the guide: ") + missing.join(", ")));
        QCOMPARE(CommandHelpPage(cmd::GridLarger), QStringLiteral("menus.html#grid"));
        QCOMPARE(CommandHelpPage(cmd::NextPane), QStringLiteral("keys.html#window-keys"));
    }

    // What's This (the Help button of the main toolbar, Shift+F1): the next click opens
    // the page of what it lands on instead of acting on it; Escape ends it without one.
    void whatsThisOpensThePageOfWhatIsClickedNext()
    {
        apptest::Harness h;  // the program's own guide
        CChildFrame* f = h.OpenWalker();
        QVERIFY(f);
        CMainFrame* frame = h.app->Frame();
        frame->show();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        CContextHelp* what = h.app->ContextHelp();
        auto button = [frame](int bar, int id) { return frame->ToolBar(bar)->widgetForAction(frame->Action(id)); };
        QWidget* help = button(0, cmd::ContextHelp);
        QVERIFY(help);
        const struct {
            QWidget* target;
            const char* page;
        } clicks[] = {
            {button(1, cmd::ScaleUp), "menus.html#camera"},
            {f->Pane(0), "panes.html#geometry-pane"},
            {f->Pane(2)->findChild<QPushButton*>(QStringLiteral("1050")), "panes.html#face-pane"},
            {f->View()->GlWidget(), "panes.html#view"},
            {frame->statusBar(), "panes.html#status-bar"},
        };
        bool byKey = false;
        for (const auto& c : clicks) {
            QVERIFY2(c.target && InGuide(QLatin1String(c.page)), c.page);
            frame->activateWindow();  // back from the help window
            QTRY_COMPARE(QApplication::activeWindow(), frame);
            if (byKey)
                QTest::keyClick(frame, Qt::Key_F1, Qt::ShiftModifier);
            else
                QTest::mouseClick(help, Qt::LeftButton);
            byKey = !byKey;
            QVERIFY(what->Active());
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WhatsThisCursor);
            QTest::mouseClick(c.target, Qt::LeftButton);
            QVERIFY(!what->Active());
            QVERIFY(!QApplication::overrideCursor());
            QTRY_VERIFY(h.app->HelpViewer());
            QTRY_COMPARE(ShownFile(h.app->HelpViewer()), QLatin1String(c.page));
        }
        QCOMPARE(f->Document()->Doc().modes.scaleExponent, 0);  // Scale Up did not run
        QVERIFY(h.messages.isEmpty());
        CHelpWindow* viewer = h.app->HelpViewer();
        QWidget* back =
            viewer->findChild<QToolBar*>(QStringLiteral("HelpToolBar"))->widgetForAction(viewer->BackAction());
        QCOMPARE(ClickedHelpPage(back, {}), QStringLiteral("index.html"));  // help on the help window: its start page

        frame->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), frame);
        QTest::keyClick(frame, Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(what->Active());
        QTest::keyClick(frame, Qt::Key_Escape);
        QVERIFY(!what->Active());
        QVERIFY(!QApplication::overrideCursor());

        // A menu item: its command's page, the menu closed, the command not run.
        h.app->HelpViewer()->ShowPage(QStringLiteral("index.html"));
        QTest::keyClick(frame, Qt::Key_F1, Qt::ShiftModifier);
        QMenu* view = frame->ViewMenu();
        view->popup(frame->mapToGlobal(QPoint(20, 20)));
        QTRY_VERIFY(view->isVisible());
        const QPoint item = view->actionGeometry(frame->Action(cmd::ScaleDown)).center();
        QTest::mouseClick(view, Qt::LeftButton, {}, item);
        QTRY_VERIFY(!view->isVisible());
        QVERIFY(!what->Active());
        QCOMPARE(f->Document()->Doc().modes.scaleExponent, 0);
        QTRY_COMPARE(ShownFile(h.app->HelpViewer()), QStringLiteral("menus.html#camera"));
    }
};

QTEST_MAIN(HelpWindowTest)
#include "help_window_test.moc"
