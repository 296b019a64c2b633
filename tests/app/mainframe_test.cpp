#include <QtTest>

#include "app/mainframe.h"
#include "model/settings.h"

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void titleIsOrvane()
    {
        orv::Settings settings;
        orv::CMainFrame frame(settings);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.windowTitle(), QStringLiteral("Orvane"));
    }
};

QTEST_MAIN(MainFrameTest)
#include "mainframe_test.moc"
