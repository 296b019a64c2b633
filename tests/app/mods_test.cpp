// Working with mods in the editor: their folders, the engine's limits, backups.
#include <QtTest>

#include <QLabel>
#include <QStatusBar>
#include <QTreeWidget>

#include "app/app.h"
#include "app/backup.h"
#include "app/checkmod_dlg.h"
#include "app/childframe.h"
#include "app/limits_dlg.h"
#include "app/mainframe.h"
#include "app/materials_dlg.h"
#include "app/orvaneview.h"
#include "app_harness.h"
#include "commands/command_ids.h"
#include "edit/materials.h"
#include "model/fileio.h"
#include "resources/archive.h"

using namespace orv;
using apptest::Harness;
using apptest::kSampleDir;
using apptest::Sample;

namespace {

const QString kFixtures = QStringLiteral(ORVANE_SOURCE_DIR "/tests/fixtures");
constexpr int64_t kMinute = 60 * 1000;

QString UserModel(QTemporaryDir& dir)
{
    const QString path = QFileInfo(dir.filePath(u"mine/walker.3do"_s)).absoluteFilePath();
    return apptest::Write(path, Sample(u"walker.3do"_s)) ? path : QString();
}

// A mod laid out as modders keep it (mymod/3do/, mymod/mat/); the model's path.
QString LayOutMod(QTemporaryDir& dir, const QString& modelSource, const QString& modelName, const QString& matSource,
                  const QString& matName)
{
    const QString model = dir.filePath(u"mymod/3do/"_s + modelName);
    return apptest::Write(model, apptest::Read(modelSource)) &&
                   apptest::Write(dir.filePath(u"mymod/mat/"_s + matName), apptest::Read(matSource))
               ? model
               : QString();
}

// What a killed program leaves: a backup of the user's model with one change (a
// material "recovered.mat"), in a session folder without a live lock.
QString LeaveCrashedSession(QTemporaryDir& dir, const QString& model)
{
    const QString crashed = dir.filePath(u"backup/session-crashed"_s);
    Harness h(&dir);
    CChildFrame* f = h.app->OpenFile(model);
    if (!f)
        return {};
    f->Document()->Doc().Change([f] {
        f->Document()->Model().materials.push_back("recovered.mat");
        return true;
    });
    h.app->Backups()->BackupNow(f->Document(), 0);
    h.app->Backups()->WaitForWrites();
    if (!QDir().rename(h.app->Backups()->SessionFolder(), crashed))
        return {};
    QFile::remove(crashed + u"/lock"_s);
    return crashed;
}

}  // namespace

class ModsTest : public QObject {
    Q_OBJECT
private slots:
    void checkModListsTheModAroundTheModelAndOpensAFindingsFace()
    {
        Harness h;
        QTemporaryDir& dir = h.dir;
        QVERIFY(h.app->OpenFile(LayOutMod(dir, kFixtures + u"/3do/shapes_bent_concave.3do"_s, u"shapes.3do"_s,
                                          kFixtures + u"/mat/colour.mat"_s, u"spare.mat"_s)));
        QString summary;
        QStringList severities;
        FindingPlace place;
        h.dialog = [&](QDialog& d) {
            auto* check = qobject_cast<CCheckModDlg*>(&d);
            if (!check)
                return 0;
            summary = check->Summary()->text();
            QTreeWidget* list = check->List();
            list->sortByColumn(1, Qt::AscendingOrder);
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                severities << list->topLevelItem(i)->text(1);
            QTreeWidgetItem* bent = list->topLevelItem(2);  // the second warning: face 1
            place = check->FindingOf(bent)->place;
            emit list->itemDoubleClicked(bent, 0);
            return 0;
        };
        QVERIFY(h.app->Frame()->Execute(cmd::CheckMod));
        QVERIFY2(summary.startsWith(dir.filePath(u"mymod:"_s)), qPrintable(summary));  // the mod's root
        // The material found nowhere, two faces drawn other than meant, the unused material.
        QCOMPARE(severities, QStringList({"error", "warning", "warning", "note"}));
        CChildFrame* shown = h.app->ActiveFrame();
        QVERIFY(shown && place.face >= 0);
        QCOMPARE(std::pair(shown->CurrentSelection()->currentMesh, shown->CurrentSelection()->currentFace),
                 std::pair(place.mesh, place.face));
    }

    void materialsDialogShowsAModsSixteenBitMaterialAndItsPlace()
    {
        Harness h;
        CChildFrame* f = h.app->OpenFile(LayOutMod(h.dir, kSampleDir + u"/walker.3do"_s, u"x.3do"_s,
                                                   kFixtures + u"/mat/rgb565_primaries.mat"_s, u"red16.mat"_s));
        QVERIFY(f);
        AddModelMaterialName(f->Document()->Model(), "RED16.MAT");
        CMaterialsDlg dlg(*f->Document(), CMaterialsDlg::Mode::InModel);
        QVERIFY(dlg.SelectName(u"red16.mat"_s));
        QVERIFY(dlg.Image() && dlg.Image()->TrueColor());
        QCOMPARE(dlg.windowTitle(), u"Materials in 3DO - x= 2, y= 2"_s);
        QVERIFY2(dlg.Origin()->text().contains(QDir::toNativeSeparators(QFileInfo(h.dir.filePath(u"mymod/mat"_s)).absoluteFilePath())),
                 qPrintable(dlg.Origin()->text()));
    }

    // Export finds the materials the view draws; only floor.mat, found nowhere, is named.
    void fileExportTakesTheModsOwnMaterials()
    {
        Harness h;
        QVERIFY(h.app->OpenFile(LayOutMod(h.dir, kFixtures + u"/3do/tiny_lf.3do"_s, u"tiny.3do"_s,
                                          kFixtures + u"/mat/rgb565_primaries.mat"_s, u"crate.mat"_s)));
        h.messages.clear();
        h.nextSavePath = h.dir.filePath(u"out.obj"_s);
        h.app->Frame()->Action(cmd::FileExport)->trigger();
        QVERIFY(QFileInfo::exists(h.nextSavePath));
        QCOMPARE(h.messages.size(), 1);
        QVERIFY2(h.messages[0].endsWith(u":\nfloor.mat"_s), qPrintable(h.messages[0]));
        QCOMPARE(QDir(h.dir.path()).entryList({u"*.png"_s}).size(), 1);
    }

    // A mod's puppet, keyframes, archive and colormap are found; what nothing holds is said
    // over the view, in Check Model and when its sub-mode is chosen.
    void aModsOwnFilesAreFoundAndWhatIsMissingIsNamed()
    {
        Harness h;
        QTemporaryDir& dir = h.dir;
        QByteArray model = Sample(u"walker.3do"_s);
        model.replace("checker.mat", "crate.mat").replace("wood.mat", "lost.mat");
        const auto crate = Sample(u"gradient.mat"_s);
        auto write = [&dir](const char* name, const QByteArray& bytes) {
            return apptest::Write(dir.filePath(QLatin1String(name)), bytes);
        };
        QVERIFY(
            write("mymod/3do/robot.3do", model) && write("mymod/3do/key/robstand.key", Sample(u"wkstand.key"_s)) &&
            write("mymod/misc/pup/robot.pup", "Mode=0\r\nstand robstand.key 0x00 1 1\r\nwalk lost.key 0x00 1 1\r\n") &&
            write("mymod/misc/cmp/dflt.cmp", Sample(u"dflt.cmp"_s)));
        QVERIFY(WriteArchive(dir.filePath(u"mymod/mod.gob"_s).toStdString(),
                             {{"mat\\crate.mat", std::vector<uint8_t>(crate.begin(), crate.end())}}));
        h.app->AppSettings().colorMap = "mymap.cmp";  // nowhere: the mod's gives way

        CChildFrame* f = h.app->OpenFile(dir.filePath(u"mymod/3do/robot.3do"_s));
        QVERIFY(f);
        CMainFrame* frame = h.app->Frame();
        QCOMPARE(frame->statusBar()->currentMessage(), u"Ready to play: mode 0, stand (robstand.key)"_s);
        const QString notice = f->Notice()->text();
        QVERIFY2(notice.startsWith(QStringLiteral("Not found: 1 of 4 materials (lost.mat) and the keyframe lost.key; "
                                                  "looked for in ")) &&
                     notice.contains(u"mod.gob"_s) && notice.contains(u"Select Product"_s),
                 qPrintable(notice));
        QVERIFY(f->Notice()->isVisibleTo(f));
        QCOMPARE(frame->ColormapStatus()->text(), u"Colormap: dflt.cmp (stands in)"_s);
        QCOMPARE(frame->ResourceStatus()->text(), u"Sample resources: Tools > Select Product"_s);

        QStringList checked;
        h.dialog = [&](QDialog& d) {
            if (auto* limits = qobject_cast<CLimitsDlg*>(&d))
                checked = apptest::Texts(limits->List());
            if (auto* list = d.findChild<QTreeWidget*>(u"1022"_s))
                list->setCurrentItem(list->topLevelItem(1));
            return apptest::ClickOk(d);
        };
        frame->Action(cmd::CheckModel)->trigger();
        QVERIFY2(checked.contains(u"material lost.mat was not found"_s) &&
                     checked.contains(u"keyframe lost.key was not found"_s),
                 qPrintable(checked.join(QLatin1Char('\n'))));

        h.messages.clear();
        QVERIFY(frame->Execute(cmd::AnimationSequence));
        QCOMPARE(h.messages.size(), 1);
        QVERIFY2(h.messages[0].contains(u"Nothing plays: keyframe lost.key was not found (looked in "_s),
                 qPrintable(h.messages[0]));
        QCOMPARE(frame->statusBar()->currentMessage(), QString());
        // Put into the mod since, it is found the next time it is chosen, and plays.
        QVERIFY(write("mymod/3do/key/lost.key", Sample(u"wkwalk.key"_s)));
        QVERIFY(frame->Execute(cmd::AnimationSequence));
        QCOMPARE(frame->statusBar()->currentMessage(), u"Ready to play: mode 0, walk (lost.key)"_s);
    }

    // Shaded is the program's: every document redraws with it, not only the active one.
    void shadedRedrawsEveryDocument()
    {
        Harness h;
        CChildFrame* first = h.app->NewDocument();
        CChildFrame* second = h.app->NewDocument();
        QVERIFY(first && second && first != second);
        QSignalSpy firstUpdated(first->Document(), &CDocument::updated);
        second->View()->RunCommand(cmd::ShadedView);
        QCOMPARE(h.app->AppSettings().shaded, 1);
        QVERIFY(!firstUpdated.isEmpty());
    }

    void engineLimitsAreShownBeforeA3doIsWritten()
    {
        Harness h;
        QTemporaryDir& dir = h.dir;
        // Each dialog's lines, then its accepting button's caption.
        QList<QStringList> shown;
        int result = QDialog::Rejected;
        h.dialog = [&](QDialog& d) {
            QStringList lines;
            if (auto* limits = qobject_cast<CLimitsDlg*>(&d))
                lines = apptest::Texts(limits->List()) << limits->AcceptButton()->text();
            shown << lines;
            return result;
        };
        const QString path = UserModel(dir);
        CChildFrame* f = h.app->OpenFile(path);
        QVERIFY(f);
        const QByteArray before = apptest::Read(path);
        f->Document()->Model().materials[0] = std::string(40, 'm') + ".mat";
        f->Document()->SetModified(true);
        QVERIFY(!h.app->SaveDocument(f));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().size(), 2);
        QVERIFY2(shown.first().first().contains(u"44 characters"_s), qPrintable(shown.first().first()));
        QCOMPARE(shown.first().last(), u"Save anyway"_s);
        QCOMPARE(apptest::Read(path), before);

        result = QDialog::Accepted;
        QVERIFY(h.app->SaveDocument(f));
        QVERIFY(apptest::Read(path).contains(QByteArray(40, 'm')));

        // (The long name is no material anywhere: two lines say so and where it was looked for.)
        shown.clear();
        h.app->Frame()->Action(cmd::CheckModel)->trigger();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().size(), 4);
        QCOMPARE(shown.first().last(), u"Close"_s);
    }

    // The timer's clock is the test's.
    void aModifiedDocumentIsBackedUpAndItsBackupGoesWhenSaved()
    {
        Harness h;
        h.app->AppSettings().backup = 10;
        const QString path = UserModel(h.dir);
        const auto original = apptest::Read(path);
        CChildFrame* f = h.app->OpenFile(path);
        QVERIFY(f);
        CBackupManager* backups = h.app->Backups();
        const QString backup = backups->BackupFileOf(f->Document());

        f->Document()->Doc().Change([f] {  // a change, as the window makes it
            f->Document()->Model().materials.push_back("added.mat");
            return true;
        });
        f->Document()->UpdateAllViews();
        backups->Tick(0);
        backups->Tick(9 * kMinute);
        backups->WaitForWrites();
        QVERIFY(!QFile::exists(backup));
        backups->Tick(10 * kMinute);
        backups->WaitForWrites();
        QVERIFY(QFile::exists(backup));
        QCOMPARE(apptest::Read(path), original);

        QVERIFY(h.app->SaveDocument(f));
        backups->WaitForWrites();
        QVERIFY(!QFile::exists(backup));
    }

    // A crashed session's backups are offered at the next start: "Later" keeps them,
    // "Recover" opens each as a modified document of its own file, left as it was.
    void backupsOfACrashedSessionAreOfferedAndRecovered()
    {
        QTemporaryDir dir;
        const QString path = UserModel(dir);
        const auto original = apptest::Read(path);
        const QString crashed = LeaveCrashedSession(dir, path);
        QVERIFY(!crashed.isEmpty());
        {
            Harness later(&dir, 2);
            QCOMPARE(later.choices.size(), 1);
            QVERIFY(later.choices.first().contains(QDir::toNativeSeparators(path)));
            QVERIFY(later.choices.first().endsWith(u"[Recover|Discard|Later]"_s));
            QCOMPARE(later.app->Frame()->Children().size(), 1);  // only the new document
        }
        QVERIFY(QDir(crashed).exists());

        Harness h(&dir, 0);
        QCOMPARE(h.choices.size(), 1);
        CChildFrame* recovered = h.app->Frame()->Children().last();
        const COrvaneDoc& doc = recovered->Document()->Doc();
        QCOMPARE(QString::fromStdString(doc.PathName()), path);
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.model->materials.back(), std::string("recovered.mat"));
        QCOMPARE(apptest::Read(path), original);
        QVERIFY(!QDir(crashed).exists());
        h.app->Backups()->WaitForWrites();
        QVERIFY(QFile::exists(h.app->Backups()->BackupFileOf(recovered->Document())));
    }
};

QTEST_MAIN(ModsTest)
#include "mods_test.moc"
