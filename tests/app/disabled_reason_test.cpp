#include <QtTest>

#include <QMdiArea>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>

#include "app/mainframe.h"
#include "app_harness.h"
#include "commands/command_ids.h"

using namespace orv;
using apptest::Harness;

namespace {

// Rests the pointer on a widget's point, as a user moving the mouse there.
void Rest(QWidget* w, QPoint at)
{
    QTest::mouseMove(w, at);
    QCoreApplication::processEvents();
}

}  // namespace

class DisabledReasonTest : public QObject {
    Q_OBJECT
private slots:
    void aDisabledMenuItemOrButtonSaysWhy()
    {
        Harness h;
        QVERIFY(h.OpenWalker());
        CMainFrame* frame = h.app->Frame();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        QMenu* edit = frame->EditMenu();
        edit->popup(frame->mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(edit));
        QAction* carve = frame->Action(cmd::CarveMesh);
        QVERIFY(!carve->isEnabled());
        Rest(edit, edit->actionGeometry(carve).center());
        QCOMPARE(frame->statusBar()->currentMessage(),
                 u"Carve needs three grid nodes selected in Mesh Mode with the grid shown"_s);
        QCOMPARE(frame->statusBar()->currentMessage(), frame->DisabledReason(cmd::CarveMesh));

        QAction* copy = frame->Action(cmd::EditCopy);
        QVERIFY(copy->isEnabled());
        Rest(edit, edit->actionGeometry(copy).center());
        QCOMPARE(frame->statusBar()->currentMessage(), copy->statusTip());
        QAction* extrude = frame->Action(cmd::ExtrudeFace);
        QVERIFY(!extrude->isEnabled());
        Rest(edit, edit->actionGeometry(extrude).center());
        QCOMPARE(frame->statusBar()->currentMessage(), u"Extrude needs a current face: click a face first"_s);
        edit->hide();
        QCoreApplication::processEvents();
        QVERIFY(frame->statusBar()->currentMessage().isEmpty());

        QWidget* button = frame->ToolBar(2)->widgetForAction(frame->Action(cmd::NextFrame));
        QVERIFY(button && !button->isEnabled());
        Rest(button, button->rect().center());
        QCOMPARE(frame->statusBar()->currentMessage(), u"Next Frame needs Animate Mode with a keyframe"_s);
        Rest(frame->MdiArea(), frame->MdiArea()->rect().center());
        QVERIFY(frame->statusBar()->currentMessage().isEmpty());
    }
};

QTEST_MAIN(DisabledReasonTest)
#include "disabled_reason_test.moc"
