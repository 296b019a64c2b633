#include <QtTest>

#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolBar>
#include <list>
#include <tuple>

#include "app/app.h"
#include "app/childframe.h"
#include "app/dialogs.h"
#include "app/mainframe.h"
#include "app/settingsstore.h"
#include "app/single_instance.h"
#include "app_harness.h"
#include "model/settings.h"

using namespace orv;

namespace {

// Starts of the real program on the offscreen platform, in a session of their own (its
// runtime folder, settings and data); killed at the end.
struct Starts {
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString socket;
    std::list<QProcess> processes;

    Starts()
    {
        for (const char* sub : {"run", "config", "data"})
            QDir(home.path()).mkdir(QLatin1String(sub));
        QFile::setPermissions(home.filePath(u"run"_s),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(u"HOME"_s, home.path());
        env.insert(u"XDG_RUNTIME_DIR"_s, home.filePath(u"run"_s));
        env.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
        env.insert(u"XDG_DATA_HOME"_s, home.filePath(u"data"_s));
        env.insert(u"WINEPREFIX"_s, home.filePath(u"no-wine"_s));
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        // This process finds the same socket as the programs it starts.
        qputenv("XDG_RUNTIME_DIR", home.filePath(u"run"_s).toLocal8Bit());
        socket = InstanceSocketPath();
    }
    ~Starts()
    {
        for (QProcess& p : processes)
            if (p.state() != QProcess::NotRunning) {
                p.kill();
                p.waitForFinished();
            }
    }
    QProcess& Start(const QStringList& args, const QString& folder = {})
    {
        QProcess& p = processes.emplace_back();
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(folder.isEmpty() ? home.path() : folder);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral(ORVANE_BINARY_DIR "/bin/orvane"), QStringList{u"--no-splash"_s} + args);
        return p;
    }
};

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void settingsAndTheTipShownAreKept()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Orvane.ini"_s);
        // Every field away from its default: one not stored, or read under another key, fails.
        const Settings changed{.left = 11, .top = 12, .right = 13, .bottom = 14, .maximized = 1,
                               .stretchMode = 1, .frameRate = 25, .textureMapping = 0, .device = 2,
                               .textureDithering = 0, .vertexScaling = 0.05f, .grid = 0.25f, .renderMode = 2,
                               .warning = 0, .colorMap = "02bluemap.cmp",
                               .colorBackground = 0x010203, .colorWireframe = 0x040506, .colorSelect = 0x070809,
                               .colorLink = 0x0A0B0C, .colorUnlink = 0x0D0E0F, .colorGrid = 0x101112,
                               .colorCoorX = 0x131415, .colorCoorY = 0x161718, .colorCoorZ = 0x191A1B,
                               .shaded = 1, .backup = 3, .resources = {"/mods/b", "/mods/a.gob"}, .extrudeOut = 1};
        {
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
            // Stored again as read back: every value, under the names and in the text form
            // users' stored files already have.
            apptest::CompareRecorded(u"settings_every_field.ini"_s, apptest::SettingsText(s));
            store.beginGroup(QLatin1String(kSettingsGroup));
            store.setValue(u"VertexScaling"_s, u"not a number"_s);
            store.endGroup();
        }
        QSettings store(path, QSettings::IniFormat);
        Settings s;
        LoadSettings(store, s);
        QCOMPARE(s.vertexScaling, 0.01f);  // unreadable text keeps the default

        // The tip shown is stored: tips come one at a time.
        const QString tips = dir.filePath(u"tips.txt"_s);
        QVERIFY(apptest::Write(tips, "One\nTwo\nThree\n"));
        QCOMPARE(CTipDlg(tips, store).CurrentTip(), u"One"_s);
        QCOMPARE(CTipDlg(tips, store).CurrentTip(), u"Two"_s);
        QVERIFY(CTipDlg::ShowAtStartup(store));
        QCOMPARE(CTipDlg(dir.filePath(u"none.txt"_s), store).CurrentTip(),
                 u"Tips file does not exist in the prescribed directory"_s);
    }

    void placeToolbarStateAndPanes()
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
            frame.setGeometry(40, 50, 700, 500);  // the user's own placement
            QTRY_COMPARE(s.right - s.left, 700);
            QCOMPARE(s.bottom - s.top, 500);
            const auto normal = std::tuple(s.left, s.top, s.right, s.bottom);
            frame.showMaximized();
            QTRY_COMPARE(s.maximized, 1);
            QTRY_VERIFY(frame.width() != 700);
            QCOMPARE(std::tuple(s.left, s.top, s.right, s.bottom), normal);
            frame.showNormal();
            QTRY_COMPARE(s.maximized, 0);

            QVERIFY(!frame.ToolBar(2)->isHidden());
            QVERIFY(frame.Execute(5645));
            QVERIFY(frame.ToolBar(2)->isHidden());
            QVERIFY(frame.Execute(5607));  // hide the map toolbar
            QVERIFY(frame.ToolBar(1)->isHidden());
            QVERIFY(!frame.Action(5607)->isChecked());
            state = frame.SaveBarState();
            frame.SetPaneText(1, QString());
            QCOMPARE(frame.PaneText(1), u" "_s);  // an empty pane shows a blank
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

    void aSecondStartHandsItsFileToTheRunningEditor()
    {
        Starts starts;
        apptest::Harness h;
        CInstanceServer running;
        QCOMPARE(running.Claim(starts.socket, {}), CInstanceServer::Role::First);
        QStringList handed;
        running.SetHandler([&](const QStringList& files) {
            handed += files;
            h.app->OpenHandedFiles(files);
        });
        // A name relative to the folder the second start runs in.
        QProcess& second = starts.Start({u"walker.3do"_s}, apptest::kSampleDir);
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 30000);
        QCOMPARE(second.exitCode(), 0);
        QTRY_COMPARE(handed, QStringList{apptest::kSampleDir + u"/walker.3do"_s});
        QTRY_VERIFY(h.app->Frame()->ActiveChild());
        QCOMPARE(QString::fromStdString(h.app->Frame()->ActiveChild()->Document()->Doc().PathName()), handed.first());

        // A start that gave up waiting runs an editor of its own: its file is not opened here.
        for (const QByteArray& request :
             {QByteArray("ORVANE-OPEN 1\nfile:///tmp/gave-up.3do\n\n"), QByteArray("GET / HTTP/1.0\n\n")}) {
            QLocalSocket client;
            client.connectToServer(starts.socket);
            QVERIFY(client.waitForConnected());
            client.write(request);
            QVERIFY(client.waitForBytesWritten());
            if (request.startsWith("ORVANE"))
                client.abort();
            QTest::qWait(300);
        }
        QCOMPARE(handed.size(), 1);

        QProcess& another = starts.Start({u"--new-instance"_s});
        QTest::qWait(1500);
        QCOMPARE(another.state(), QProcess::Running);
        QCOMPARE(handed.size(), 1);
    }

    // An editor killed leaves its socket behind: two starts after it still make one.
    void twoStartsAtOnceMakeOneEditorEvenAfterOneWasKilled()
    {
        Starts starts;
        auto twoAtOnce = [&starts]() -> QProcess* {
            QProcess& a = starts.Start({});
            QProcess& b = starts.Start({});
            if (!QTest::qWaitFor([&] { return a.state() == QProcess::NotRunning || b.state() == QProcess::NotRunning; },
                                 30000))
                return nullptr;
            QProcess& ended = a.state() == QProcess::NotRunning ? a : b;
            QProcess& running = &ended == &a ? b : a;
            QTest::qWait(500);
            return ended.exitCode() == 0 && running.state() == QProcess::Running ? &running : nullptr;
        };
        QProcess* first = twoAtOnce();
        QVERIFY(first);
        first->kill();
        QVERIFY(first->waitForFinished());
        QVERIFY(QFileInfo::exists(starts.socket));
        QVERIFY(twoAtOnce());
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
