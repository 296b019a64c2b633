#include <QtTest>

#include <QTemporaryDir>
#include <QToolBar>
#include <tuple>

#include "app/dialogs.h"
#include "app/mainframe.h"
#include "app/settingsstore.h"
#include "model/settings.h"

using namespace orv;

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void settingsRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Orvane.ini"));
        // Every field away from its default: whatever is not stored, or stored under one
        // key and read under another, comes back as the default.
        Settings changed;
        changed.left = 11, changed.top = 12, changed.right = 13, changed.bottom = 14, changed.maximized = 1;
        changed.stretchMode = 1, changed.frameRate = 25, changed.textureMapping = 0, changed.device = 2;
        changed.textureDithering = 0, changed.vertexScaling = 0.05f, changed.grid = 0.25f, changed.renderMode = 2;
        changed.warning = 0, changed.colorMap = "02bluemap.cmp";
        changed.colorBackground = 0x010203, changed.colorWireframe = 0x040506, changed.colorSelect = 0x070809;
        changed.colorLink = 0x0A0B0C, changed.colorUnlink = 0x0D0E0F, changed.colorGrid = 0x101112;
        changed.colorCoorX = 0x131415, changed.colorCoorY = 0x161718, changed.colorCoorZ = 0x191A1B;
        changed.resources = {"/mods/b", "/mods/a.gob"}, changed.shaded = 1, changed.backup = 3;
        changed.extrudeOut = 1;
        {
            // First run: nothing stored, the defaults stand.
            QSettings store(path, QSettings::IniFormat);
            Settings s;
            LoadSettings(store, s);
            QCOMPARE(s.frameRate, 33);
            QCOMPARE(s.colorMap, std::string("01redmap.cmp"));
            SaveSettings(store, changed);
        }
        {
            QSettings store(path, QSettings::IniFormat);
            Settings s;
            LoadSettings(store, s);
            QCOMPARE(std::tie(s.left, s.top, s.right, s.bottom, s.maximized, s.stretchMode, s.frameRate),
                     std::tie(changed.left, changed.top, changed.right, changed.bottom, changed.maximized,
                              changed.stretchMode, changed.frameRate));
            QCOMPARE(std::tie(s.textureMapping, s.device, s.textureDithering, s.renderMode, s.warning),
                     std::tie(changed.textureMapping, changed.device, changed.textureDithering, changed.renderMode,
                              changed.warning));
            QCOMPARE(std::tie(s.vertexScaling, s.grid, s.colorMap),
                     std::tie(changed.vertexScaling, changed.grid, changed.colorMap));
            QCOMPARE(std::tie(s.colorBackground, s.colorWireframe, s.colorSelect, s.colorLink, s.colorUnlink),
                     std::tie(changed.colorBackground, changed.colorWireframe, changed.colorSelect, changed.colorLink,
                              changed.colorUnlink));
            QCOMPARE(std::tie(s.colorGrid, s.colorCoorX, s.colorCoorY, s.colorCoorZ),
                     std::tie(changed.colorGrid, changed.colorCoorX, changed.colorCoorY, changed.colorCoorZ));
            QCOMPARE(std::tie(s.resources, s.shaded, s.backup, s.extrudeOut),
                     std::tie(changed.resources, changed.shaded, changed.backup, changed.extrudeOut));

            // The names and text form users' stored files already have.
            store.beginGroup(QLatin1String(kSettingsGroup));
            for (const char* k : {"ColorCoorX", "Texture Mapping", "Texture Dithering", "VertexScaling", "Bottom"})
                QVERIFY2(store.contains(QLatin1String(k)), k);
            QCOMPARE(store.value(QStringLiteral("Grid")).toString(), QStringLiteral("0.250000"));
            store.setValue(QStringLiteral("FrameRate"), 60);
            store.setValue(QStringLiteral("VertexScaling"), QStringLiteral("not a number"));
            store.endGroup();
        }
        QSettings store(path, QSettings::IniFormat);
        Settings s;
        LoadSettings(store, s);
        QCOMPARE(s.frameRate, 60);
        QCOMPARE(s.vertexScaling, 0.01f);  // unreadable text keeps the default
    }

    void maximizedKeepsTheNormalRectangle()
    {
        Settings s;
        CMainFrame frame(s);
        frame.BuildMenusAndToolbars();
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.setGeometry(40, 50, 700, 500);  // the user's own placement
        QTRY_COMPARE(s.right - s.left, 700);
        QCOMPARE(s.bottom - s.top, 500);
        const auto normal = std::tuple(s.left, s.top, s.right, s.bottom);
        frame.showMaximized();
        QTRY_COMPARE(s.maximized, 1);
        QTRY_VERIFY(frame.width() != 700);
        // The stored rectangle stays the one to come back to.
        QCOMPARE(std::tuple(s.left, s.top, s.right, s.bottom), normal);
        frame.showNormal();
        QTRY_COMPARE(s.maximized, 0);
    }

    void tipsComeOneAtATime()
    {
        const QByteArray file = "; comment\r\n tip with blank\r\nFirst tip\r\n\r\n\tindented\r\nSecond tip\r\n";
        qint64 pos = 0;
        QCOMPARE(TipReader::Next(file, pos), QStringLiteral("First tip"));
        QCOMPARE(TipReader::Next(file, pos), QStringLiteral("Second tip"));
        QCOMPARE(TipReader::Next(file, pos), QStringLiteral("First tip"));  // the end wraps to the start
        // A file without a tip line stops after one pass.
        pos = 0;
        QCOMPARE(TipReader::Next(QByteArray("; only\n  comments\n\n"), pos), QString());
        pos = 5;
        QCOMPARE(TipReader::Next(QByteArray(), pos), QString());
        // Long lines come in pieces of at most 1000 characters.
        pos = 0;
        const QByteArray longLine = QByteArray(1500, 'x') + "\n";
        QCOMPARE(TipReader::Next(longLine, pos).size(), 1000);
        QCOMPARE(TipReader::Next(longLine, pos).size(), 500);

        // The dialog goes on where the last one stopped.
        QTemporaryDir dir;
        const QString tips = dir.filePath(QStringLiteral("tips.txt"));
        QFile f(tips);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.write("One\nTwo\nThree\n") > 0);
        f.close();
        QSettings store(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        QCOMPARE(CTipDlg(tips, store).CurrentTip(), QStringLiteral("One"));
        QCOMPARE(CTipDlg(tips, store).CurrentTip(), QStringLiteral("Two"));
        QVERIFY(CTipDlg::ShowAtStartup(store));
        QCOMPARE(CTipDlg(dir.filePath(QStringLiteral("none.txt")), store).CurrentTip(),
                 QStringLiteral("Tips file does not exist in the prescribed directory"));
    }

    void toolbarStateAndPanes()
    {
        Settings s;
        QByteArray state;
        // New on the main toolbar; the map toolbar's camera commands come with the table.
        auto define = [](CMainFrame& f) { f.Bind(57600, [] {}); };
        {
            CMainFrame frame(s);
            define(frame);
            frame.BuildMenusAndToolbars();
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            // The tool toolbar carries the frame steps: shown, and it can be hidden.
            QVERIFY(!frame.ToolBar(2)->isHidden());
            QVERIFY(frame.Execute(5645));
            QVERIFY(frame.ToolBar(2)->isHidden());
            QVERIFY(frame.Execute(5607));  // hide the map toolbar
            QVERIFY(frame.ToolBar(1)->isHidden());
            QVERIFY(!frame.Action(5607)->isChecked());
            state = frame.SaveBarState();
            frame.SetPaneText(1, QString());
            QCOMPARE(frame.PaneText(1), QStringLiteral(" "));  // an empty pane shows a blank
        }
        CMainFrame again(s);
        define(again);
        again.BuildMenusAndToolbars();
        again.RestoreBarState(state);
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QVERIFY(again.ToolBar(1)->isHidden());
        QVERIFY(!again.ToolBar(0)->isHidden());
        QVERIFY(again.ToolBar(2)->isHidden());
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
