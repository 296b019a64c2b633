#include <QtTest>


#include "app/app.h"
#include "app/childframe.h"
#include "app/filemanager_dlg.h"
#include "app/mainframe.h"
#include "app_harness.h"
#include "commands/command_ids.h"
#include "document/file_formats.h"

using namespace orv;

namespace {

using apptest::Harness;
using apptest::kSampleDir;
using apptest::Read;

}  // namespace

class OpenFilesTest : public QObject {
    Q_OBJECT
private slots:
    void aModelThatEndsEarlyOpensWithAWordAndIsSavedOverOnlyWhenTheUserAgrees()
    {
        Harness h;
        const QByteArray whole = Read(kSampleDir + u"/walker.3do"_s);
        const QString path = h.Copy(u"walker.3do"_s, u"ky.3do"_s, whole.indexOf("MESH 3"));
        const QByteArray cut = Read(path);
        CChildFrame* f = h.app->OpenFile(path);
        QVERIFY(f);
        QCOMPARE(h.messages.size(), 1);
        QVERIFY2(h.messages.last().startsWith(u"ky.3do ended early: 3 of 6 meshes read."_s),
                 qPrintable(h.messages.last()));

        f->Document()->SetModified(true);
        QVERIFY(!h.app->SaveDocument(f));
        QCOMPARE(h.messages.last(),
                 u"ky.3do was read only in part. Saving will replace it with what was read. Save anyway?"_s);
        QCOMPARE(Read(path), cut);
        QVERIFY(f->Document()->Doc().IsModified());
        h.answer = QMessageBox::Yes;
        QVERIFY(h.app->SaveDocument(f));
        QVERIFY(Read(path) != cut);
    }

    void savingAs3doAsksTheCoresQuestionsInTurnAndWritesByTheAnswers()
    {
        apptest::WalkerHarness h;
        CChildFrame* f = h.f;
        CModel& m = f->Document()->Model();
        auto entry = std::make_unique<CTreeObject>("mine.mat", 0u, 4u);
        entry->data = {'M', 'A', 'T', '1'};
        m.customMaterials.Add(std::move(entry));
        const QString ship = h.dir.filePath(u"ship.3do"_s);
        const QString mine = h.dir.filePath(u"mine.mat"_s);
        auto save = [&](QList<QMessageBox::StandardButton> answers) {
            QFile::remove(ship);
            QFile out(mine);
            out.open(QIODevice::WriteOnly);
            out.write("old");
            out.close();
            h.messages.clear();
            h.answers = answers;
            h.nextSavePath = ship;
            return h.app->SaveDocumentAs(f);
        };
        const QString write = QStringLiteral(
            "This model holds 1 custom material(s), which a 3DO file cannot carry.\n\nWrite them as MAT files beside "
            "it?");
        const QString replace = u"These files exist already:\nmine.mat\n\nReplace them?"_s;

        QVERIFY(!save({QMessageBox::Cancel}));
        QCOMPARE(h.messages, QStringList{write});
        QVERIFY(!QFileInfo::exists(ship));
        QVERIFY(save({QMessageBox::No}));
        QCOMPARE(h.messages, QStringList{write});
        QVERIFY(QFileInfo::exists(ship));
        QCOMPARE(Read(mine), QByteArray("old"));
        QVERIFY(save({QMessageBox::Yes, QMessageBox::Yes}));
        QCOMPARE(h.messages, (QStringList{write, replace}));
        QCOMPARE(Read(mine), QByteArray("MAT1"));
        QVERIFY(QFileInfo::exists(ship));
        const QString pup = h.Copy(u"walker.pup"_s, u"keep.pup"_s);
        const QByteArray before = Read(pup);
        h.messages.clear();
        h.nextSavePath = pup;
        QVERIFY(!h.app->SaveDocumentAs(f));
        QCOMPARE(h.messages.size(), 1);
        QVERIFY2(h.messages[0].startsWith(u"Failed to save document."_s), qPrintable(h.messages[0]));
        QCOMPARE(Read(pup), before);
    }

    void aFileWithoutPuppetModesChangesNothing()
    {
        apptest::WalkerHarness h;
        CChildFrame* f = h.f;
        CModel& m = f->Document()->Model();
        QCOMPARE(m.puppetModes.size(), std::size_t{1});
        const QString random = h.Copy(u"bricks.mat"_s, u"random.pup"_s);
        QCOMPARE(h.app->OpenFile(random), f);
        QCOMPARE(h.messages.last(), u"random.pup holds no puppet modes"_s);
        QCOMPARE(m.puppetModes.size(), std::size_t{1});
        QVERIFY(!f->Document()->Doc().IsModified());

        const QString cut = h.Copy(u"walker.pup"_s, u"cut.pup"_s, Read(kSampleDir + u"/walker.pup"_s).size() - 3);
        QCOMPARE(h.app->OpenFile(cut), f);
        QVERIFY(h.messages.last().startsWith(u"cut.pup ended early: "_s));
        QCOMPARE(m.puppetModes[0].items.size(), std::size_t{2});
        QVERIFY(!f->Document()->Doc().IsModified());
        h.answer = QMessageBox::Yes;
        h.app->OpenFile(cut);
        QCOMPARE(m.puppetModes[0].items.size(), std::size_t{1});
        QVERIFY(f->Document()->Doc().IsModified());
    }

    void filesThatAreNoDocumentsSayWhereTheyAreUsed()
    {
        Harness h;
        QVERIFY(h.app->Frame()->Execute(cmd::FileOpen));
        QVERIFY(h.openFilter == OpenFilters());
        QStringList archivesShown;  // the File Manager's archive each time it runs
        h.dialog = [&](QDialog& d) {
            if (auto* files = qobject_cast<CFileManagerDlg*>(&d))
                archivesShown.append(files->ArchivePath());
            return int(QDialog::Rejected);
        };
        const int windows = h.app->Frame()->Children().size();
        const std::pair<QString, QString> kinds[] = {
            {u"wkwalk.key"_s, QStringLiteral("wkwalk.key is a keyframe animation (KEY). Keyframes are chosen "
                                             "through a model's puppet file in the Animation Sequence dialog")},
            {u"bricks.mat"_s, u"bricks.mat is a material (MAT)."_s},
            {u"dflt.cmp"_s, u"dflt.cmp is a colormap (CMP)."_s},
        };
        for (const auto& [file, text] : kinds) {
            QCOMPARE(h.app->OpenFile(kSampleDir + QLatin1Char('/') + file), nullptr);
            QVERIFY2(h.messages.last().startsWith(text), qPrintable(h.messages.last()));
        }
        QCOMPARE(h.app->OpenFile(kSampleDir + u"/res2.gob"_s), nullptr);
        QCOMPARE(archivesShown, QStringList{QFileInfo(kSampleDir + u"/res2.gob"_s).absoluteFilePath()});
        QCOMPARE(h.app->Frame()->Children().size(), windows);
    }
};

QTEST_MAIN(OpenFilesTest)
#include "open_files_test.moc"
