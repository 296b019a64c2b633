// The help window over a folder of pages, F1, What's This, the program's own guide, and
// the status bar's word on a disabled command.
#include <QtTest>

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

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

// A program folder whose help holds three pages that link to each other, a start page
// and a page of dialogs.
const QString kBookProgram = QStringLiteral(ORVANE_SOURCE_DIR "/tests/fixtures/help_book");
const QString kBook = kBookProgram + u"/help"_s;

// Whether the program's guide has the page ("menus.html#grid") with its anchor.
bool InGuide(const QString& link)
{
    QFile page(QStringLiteral(ORVANE_BINARY_DIR "/share/orvane/help/") + link.section(QLatin1Char('#'), 0, 0));
    if (!page.open(QIODevice::ReadOnly))
        return false;
    const QString html = QString::fromUtf8(page.readAll());
    const QString id = link.section(QLatin1Char('#'), 1);
    return !id.isEmpty() && (html.contains(u"id=\"%1\""_s.arg(id)) || html.contains(u"id='%1'"_s.arg(id)));
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
    // The book of the folder in the window: its history, contents, index and search (the
    // pages' words read without their tags, with their entities).
    void theWindowGoesBackAndForwardAndOffersTheContentsIndexAndSearch()
    {
        QList<QUrl> external;
        CHelpWindow w(kBook, [&](const QUrl& u) {
            external << u;
            return true;
        });
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.Home();
        QCOMPARE(ShownFile(&w), u"index.html"_s);
        QCOMPARE(w.windowTitle(), u"Orvane Help - Start"_s);
        QVERIFY(!w.BackAction()->isEnabled());

        emit w.Browser()->anchorClicked(QUrl(u"a.html"_s));
        emit w.Browser()->anchorClicked(QUrl(u"b.html"_s));
        QCOMPARE(ShownFile(&w), u"b.html"_s);
        QTest::keyClick(&w, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(ShownFile(&w), u"a.html"_s);
        w.BackAction()->trigger();
        QCOMPARE(ShownFile(&w), u"index.html"_s);
        QTest::keyClick(&w, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(ShownFile(&w), u"a.html"_s);

        emit w.Browser()->anchorClicked(QUrl(u"https://example.org/x"_s));
        emit w.Browser()->anchorClicked(QUrl::fromLocalFile(u"/etc/hostname"_s));
        QCOMPARE(external, (QList<QUrl>{QUrl(u"https://example.org/x"_s), QUrl::fromLocalFile(u"/etc/hostname"_s)}));
        QCOMPARE(ShownFile(&w), u"a.html"_s);

        // The contents are the start page's nested lists, an item named by its link's text.
        QCOMPARE(apptest::Outline(w.Contents()), u"Getting started(Carving, Shapes and more), Odds(One)"_s);
        QTreeWidgetItem* shapes = w.Contents()->topLevelItem(0)->child(1);
        emit w.Contents()->itemClicked(shapes, 0);
        QCOMPARE(ShownFile(&w), u"b.html#shapes"_s);
        QCOMPARE(w.Contents()->currentItem(), shapes);

        // "Carve" and "carve" are one term of two pages; case does not sort.
        QCOMPARE(apptest::Outline(w.Index()),
                 u"Carve(Carve a mesh, Shapes), grid nodes, Mesh Mode, Rotate & move, shapes"_s);
        w.IndexFilter()->setText(u"ca"_s);
        int shown = 0;
        for (int i = 0; i < w.Index()->topLevelItemCount(); ++i)
            shown += w.Index()->topLevelItem(i)->isHidden() ? 0 : 1;
        QCOMPARE(shown, 1);
        QTreeWidgetItem* carve = w.Index()->currentItem();
        QVERIFY(carve);
        QCOMPARE(carve->text(0), u"Carve"_s);
        emit w.IndexFilter()->returnPressed();
        QVERIFY(carve->isExpanded());
        QCOMPARE(ShownFile(&w), u"b.html#shapes"_s);  // nothing opened yet
        emit w.Index()->itemActivated(carve->child(0), 0);
        QCOMPARE(ShownFile(&w), u"a.html"_s);
        w.IndexFilter()->setText(u"grid"_s);
        emit w.IndexFilter()->returnPressed();
        QCOMPARE(w.Index()->currentItem()->text(0), u"grid nodes"_s);

        // The pages with every word, most hits first ("carved" counts), as many by title.
        auto found = [&w](const QString& query) {
            w.Search(query);
            return apptest::Texts(w.SearchResults());
        };
        QCOMPARE(found(u"carve MESH"_s), QStringList({"Carve a mesh (7)", "Shapes (3)"}));
        QCOMPARE(found(u"mesh cutting"_s), QStringList({"Odds and ends (2)"}));
        QCOMPARE(found(u"   "_s), QStringList());
        QCOMPARE(found(u"mesh"_s), QStringList({"Carve a mesh (3)", "Odds and ends (1)", "Shapes (1)"}));
        emit w.SearchResults()->itemActivated(w.SearchResults()->item(1));
        QCOMPARE(ShownFile(&w), u"c.htm"_s);
        QCOMPARE(found(u"href"_s), QStringList({"No page holds all these words."}));
        QCOMPARE(w.SearchResults()->item(0)->flags(), Qt::NoItemFlags);

        const HelpPage gone = ReadHelpPage(kBook, u"gone.html"_s);
        QCOMPARE(gone.title, u"gone.html"_s);
        QVERIFY(gone.keywords.isEmpty() && gone.text.isEmpty());
    }

    // The help window takes input while a modal dialog is open, and stays after it.
    void f1InAModalDialogShowsItsPageBesideItAndHelpButtonsTheirs()
    {
        apptest::Harness h;
        h.app->SetProgramDir(kBookProgram);
        h.app->Frame()->show();
        CImportDlg dialog(u"cube.obj"_s, 1.0, h.app->Frame());
        dialog.setModal(true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(dialog.focusWidget() ? dialog.focusWidget() : &dialog, Qt::Key_F1);
        CHelpWindow* help = h.app->HelpViewer();
        QVERIFY(help);
        QCOMPARE(ShownFile(help), u"dialogs.html#import"_s);
        QVERIFY(QTest::qWaitForWindowExposed(help));

        // A click on Home goes through the window system, which drops input to windows
        // that a modal dialog blocks.
        auto* homeButton = qobject_cast<QToolButton*>(
            help->findChild<QToolBar*>(u"HelpToolBar"_s)->widgetForAction(help->HomeAction()));
        QVERIFY(homeButton);
        const QPoint at = homeButton->mapTo(help, homeButton->rect().center());
        QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {}, at);
        QTRY_COMPARE(ShownFile(help), u"index.html"_s);

        dialog.accept();
        QVERIFY(h.app->HelpViewer() == help);
        QCOMPARE(help->parentWidget(), h.app->Frame());
        QVERIFY(help->isVisible());

        // A modal dialog destroyed without closing gives the help window back alive.
        {
            CImportDlg second(u"cone.obj"_s, 2.0, h.app->Frame());
            second.setModal(true);
            second.show();
            QVERIFY(QTest::qWaitForWindowExposed(&second));
            QCOMPARE(help->parentWidget(), &second);
            help->ShowPage(u"a.html"_s);
            QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {}, at);
            QTRY_COMPARE(ShownFile(help), u"index.html"_s);
        }
        QVERIFY(h.app->HelpViewer() == help);
        QCOMPARE(help->parentWidget(), h.app->Frame());
        QVERIFY(help->isVisible());

        help->ShowPage(u"a.html"_s);
        QDialog plain(h.app->Frame());
        plain.show();
        QTest::keyClick(&plain, Qt::Key_F1);
        QCOMPARE(ShownFile(help), u"index.html"_s);
        plain.close();
        help->ShowPage(u"a.html"_s);
        h.app->Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(h.app->Frame()));
        QTest::keyClick(h.app->Frame(), Qt::Key_F1);
        QCOMPARE(ShownFile(help), u"index.html"_s);

        // The dialogs' Help buttons open their pages.
        QVERIFY(h.OpenWalker());
        QStringList shown;
        h.dialog = [&](QDialog& d) {
            if (auto* button = d.findChild<QPushButton*>(u"help"_s)) {
                button->click();
                shown << ShownFile(h.app->HelpViewer());
            }
            return int(QDialog::Rejected);
        };
        QVERIFY(h.app->Frame()->Execute(cmd::Materials));
        QVERIFY(h.app->Frame()->Execute(cmd::ManageFiles));
        QCOMPARE(shown, QStringList({"dialogs.html#materials", "dialogs.html#file-manager"}));
        QVERIFY(h.messages.isEmpty());
        QVERIFY(h.app->Frame()->Execute(cmd::HelpFaqs));  // a page the book lacks
        QCOMPARE(h.messages, QStringList{u"The help page %1 is not installed."_s.arg(kBook + u"/OrvaneFaq.htm"_s)});
    }

    void everyDialogAndCommandHasItsPlaceInTheGuide()
    {
        {
            CAboutDlg about(false);  // (the Import dialog's page and a dialog without one: F1's test)
            QCOMPARE(DialogHelpPage(&about), u"dialogs.html#about"_s);
        }
        if (!QFileInfo::exists(QStringLiteral(ORVANE_BINARY_DIR "/share/orvane/help/menus.html")))
            QSKIP("the guide is not in the build yet");
        QStringList missing;
        for (const QString& link : DialogHelpPages())
            if (!link.startsWith(u"dialogs.html#"_s) || !InGuide(link))
                missing << link;
        for (const CommandRow& row : CommandTable())
            if (!InGuide(CommandHelpPage(row.id)))
                missing << u"%1 (command %2)"_s.arg(CommandHelpPage(row.id)).arg(row.id);
        QVERIFY2(missing.isEmpty(), qPrintable(u"not in the guide: "_s + missing.join(", ")));
        QCOMPARE(CommandHelpPage(cmd::GridLarger), u"menus.html#grid"_s);
        QCOMPARE(CommandHelpPage(cmd::NextPane), u"keys.html#window-keys"_s);
    }

    void whatsThisOpensThePageOfWhatIsClickedNext()
    {
        apptest::WalkerHarness h;  // the program's own guide
        CChildFrame* f = h.f;
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
            {f->Pane(2)->findChild<QPushButton*>(u"1050"_s), "panes.html#face-pane"},
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
        QWidget* back = viewer->findChild<QToolBar*>(u"HelpToolBar"_s)->widgetForAction(viewer->BackAction());
        QCOMPARE(ClickedHelpPage(back, {}), u"index.html"_s);  // help on the help window: its start page

        frame->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), frame);
        QTest::keyClick(frame, Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(what->Active());
        QTest::keyClick(frame, Qt::Key_Escape);
        QVERIFY(!what->Active());
        QVERIFY(!QApplication::overrideCursor());

        // A menu item: its command's page, the menu closed, the command not run.
        h.app->HelpViewer()->ShowPage(u"index.html"_s);
        QTest::keyClick(frame, Qt::Key_F1, Qt::ShiftModifier);
        QMenu* view = frame->ViewMenu();
        view->popup(frame->mapToGlobal(QPoint(20, 20)));
        QTRY_VERIFY(view->isVisible());
        const QPoint item = view->actionGeometry(frame->Action(cmd::ScaleDown)).center();
        QTest::mouseClick(view, Qt::LeftButton, {}, item);
        QTRY_VERIFY(!view->isVisible());
        QVERIFY(!what->Active());
        QCOMPARE(f->Document()->Doc().modes.scaleExponent, 0);
        QTRY_COMPARE(ShownFile(h.app->HelpViewer()), u"menus.html#camera"_s);
    }

    void aDisabledMenuItemOrButtonSaysWhy()
    {
        apptest::WalkerHarness h;
        CMainFrame* frame = h.app->Frame();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        // What the status bar says with the pointer rested there, as a user moving the mouse.
        auto said = [frame](QWidget* w, QPoint at) {
            QTest::mouseMove(w, at);
            QCoreApplication::processEvents();
            return frame->statusBar()->currentMessage();
        };
        QMenu* edit = frame->EditMenu();
        auto item = [frame, edit](int id) { return edit->actionGeometry(frame->Action(id)).center(); };
        edit->popup(frame->mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(edit));
        QCOMPARE(said(edit, item(cmd::CarveMesh)), frame->DisabledReason(cmd::CarveMesh));  // (its words: the core's)
        QCOMPARE(said(edit, item(cmd::EditCopy)), frame->Action(cmd::EditCopy)->statusTip());
        QCOMPARE(said(edit, item(cmd::ExtrudeFace)), u"Extrude needs a current face: click a face first"_s);
        edit->hide();
        QCoreApplication::processEvents();
        QVERIFY(frame->statusBar()->currentMessage().isEmpty());

        QWidget* button = frame->ToolBar(2)->widgetForAction(frame->Action(cmd::NextFrame));
        QVERIFY(button);
        QCOMPARE(said(button, button->rect().center()), u"Next Frame needs Animate Mode with a keyframe"_s);
        QCOMPARE(said(frame->MdiArea(), frame->MdiArea()->rect().center()), QString());
    }
};

QTEST_MAIN(HelpWindowTest)
#include "help_window_test.moc"
