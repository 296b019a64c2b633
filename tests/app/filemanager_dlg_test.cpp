#include <QtTest>

#include <QComboBox>
#include <QFileDialog>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>

#include "app/filemanager_dlg.h"
#include "app/materialpreview.h"
#include "dialog_fixture.h"
#include "resources/archivetree.h"
#include "resources/filemanager.h"

using namespace orv;
using namespace dlgtest;

namespace {

using Dlg = CFileManagerDlg;

const FileFilters kCogFilter = {{"COG Files (*.cog)", {"*.cog"}}};
const FileFilters kGobFilter = {{"GOB Files (*.gob)", {"*.gob"}}, {"GOO Files (*.goo)", {"*.goo"}}};

// A File Manager over the test resources, with a folder for the files it works on.
struct Fm {
    Resources res;
    Script s;
    QTemporaryDir dir;
    Dlg dlg;

    explicit Fm(bool withColormaps = true) : res(withColormaps), dlg(res.services, nullptr, s.Make()) {}

    QString Path(const QString& name) const { return dir.filePath(name); }

    QString File(const QString& name, const std::string& bytes)
    {
        if (!QDir().mkpath(QFileInfo(Path(name)).absolutePath()) || !WriteAll(Path(name), Bytes(bytes)))
            qFatal("cannot write %s", qPrintable(name));
        return Path(name);
    }

    bool Open(const QString& archive, const std::vector<ArchiveEntryData>& entries)
    {
        return WriteArchive(P(archive), entries) && dlg.OpenArchiveFile(archive);
    }

    QString Rows() const { return apptest::Outline(dlg.List()); }

    bool Pick(const QString& item, const QStringList& rows)
    {
        if (!dlg.SelectItem(item))
            return false;
        dlg.SelectRows(rows);
        return true;
    }

    // Drags the files onto the tree; true when the drop was taken.
    bool Drop(const QStringList& files)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& f : files)
            urls << QUrl::fromLocalFile(f);
        data.setUrls(urls);
        QWidget* target = dlg.Tree()->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }
};

}  // namespace

class FileManagerDlgTest : public QObject {
    Q_OBJECT
private slots:
    void withoutAnArchiveOnlyNewAndOpenWork()
    {
        Fm f;
        f.dlg.show();
        f.dlg.AddFiles();  // asks nothing: the one request below is Open's
        QVERIFY(!f.Drop({f.File(u"door.cog"_s, "x")}));
        f.s.openAnswers.push_back({{QStringLiteral(ORVANE_SOURCE_DIR "/tests/fixtures/gob/head_cut_short.gob")}});
        f.dlg.Button(Dlg::Open)->click();
        QVERIFY(f.s.openRequests[0].filters == (FileFilters{{"GOB/GOO Files (*.gob, *goo)", {"*.gob", "*.goo"}}}));
        QCOMPARE(f.s.messages.size(), 1);
        // Still without an archive: New and Open only.
        apptest::CompareRecorded(u"filemanager_no_archive.txt"_s, apptest::Shown(f.dlg));
        // Names of control characters or bytes beyond ASCII are shown escaped.
        QVERIFY(f.dlg.OpenArchiveFile(
            QStringLiteral(ORVANE_SOURCE_DIR "/tests/fixtures/gob/names_with_control_characters.gob")));
        f.dlg.Tree()->setCurrentItem(f.dlg.Tree()->topLevelItem(0)->child(1));
        QCOMPARE(f.Rows(), u"\"caf\\xe9.txt\""_s);
    }

    void newThenAddFilesBitmapsAndDuplicates()
    {
        Fm f;
        f.dlg.show();
        const QString gob = f.Path(u"New.gob"_s);
        f.s.saveAnswers.push_back({{gob}});
        f.dlg.Button(Dlg::New)->click();
        QCOMPARE(f.s.saveRequests.size(), std::size_t{1});
        QVERIFY(f.s.saveRequests[0].filters == kGobFilter);
        QCOMPARE(f.s.saveRequests[0].fileName, u"New"_s);
        QString shown = apptest::Shown(f.dlg);

        f.s.openAnswers.push_back({{f.File(u"door.cog"_s, "# door\r\nsymbols\r\nend\r\n")}});
        f.dlg.Button(Dlg::Add)->click();
        // The root is listed: every type is offered.
        QVERIFY(f.s.openRequests[0].filters == AddFilesFilter(""));
        QVERIFY(f.s.openRequests[0].multiple);
        QCOMPARE(Item(gob, "cog\\door.cog"), Bytes("# door\r\nsymbols\r\nend\r\n"));
        // The new archive, empty, then its cog directory listed with the file's offset and size.
        apptest::CompareRecorded(u"filemanager_new_then_add.txt"_s, shown + apptest::Shown(f.dlg), f.dir.path());
        // The listed node's first record decides the filter of the next Add.
        f.dlg.Button(Dlg::Add)->click();
        QVERIFY(f.s.openRequests.back().filters == kCogFilter);

        QVERIFY(f.Drop({f.File(u"ky.pup"_s, "pup"), f.File(u"readme.txt"_s, "read me")}));
        QTRY_COMPARE(Dir(gob).records.size(), std::size_t{3});  // (their names are the core's)

        // A bitmap becomes a material through dflt.cmp (the grey ramp here).
        const QString crate = f.Path(u"crate.bmp"_s);
        QVERIFY(WriteBmpFile(P(crate), TestPicture()));
        QVERIFY(f.dlg.AddFile(crate));
        MaterialImage expected = TestPicture();
        RemapToPalette(expected, PaletteOf(GreyColormap()));
        QCOMPARE(Item(gob, "mat\\crate.mat"), MakeMat(expected));
        // A duplicate is asked about (No adds it beside), with Warning off replaced unasked.
        f.s.yesNo.push_back(false);
        QVERIFY(f.dlg.AddFile(f.File(u"door.cog"_s, "two")));
        QCOMPARE(Dir(gob).records.size(), std::size_t{5});
        f.res.settings.warning = 0;
        QVERIFY(f.dlg.AddFile(f.File(u"ky.pup"_s, "pup2")));
        QCOMPARE(Item(gob, "misc\\pup\\ky.pup"), Bytes("pup2"));

        orv::FileAnswer many;
        many.files = QStringList{f.File(u"b.pup"_s, "pup"), f.Path(u"missing.key"_s)};
        f.s.openAnswers.push_back(many);
        f.dlg.Button(Dlg::Add)->click();
        QCOMPARE(Dir(gob).records.size(), std::size_t{6});
        // The one question, on the duplicate with Warning on; then the one word, on the file
        // that could not be added.
        apptest::CompareRecorded(u"filemanager_dialog_add_said.txt"_s,
                                 (f.s.questions + f.s.messages).join(QLatin1Char('\n')), f.dir.path());
    }

    void deleteAndDragTouchNoChangedItem()
    {
        Fm f;
        const QString gob = f.Path(u"three.gob"_s);
        QVERIFY(f.Open(gob, {{"cog\\a.cog", Bytes("AAAA")}, {"cog\\b.cog", Bytes("BB")}, {"cog\\c.cog", Bytes("C")}}));
        QVERIFY(f.Pick(u"cog\\a.cog"_s, {u"c.cog"_s, u"a.cog"_s}));
        QString shown = apptest::Shown(f.dlg);
        f.dlg.Button(Dlg::Delete)->click();
        // Before and after: the same directory listed again.
        apptest::CompareRecorded(u"filemanager_delete.txt"_s, shown + apptest::Shown(f.dlg), f.dir.path());

        // Meanwhile another program puts another item where b is.
        f.dlg.SelectRows({u"b.cog"_s});
        QVERIFY(WriteArchive(P(gob), {{"cog\\a.cog", Bytes("A")}, {"cog\\keep.cog", Bytes("K")}}));
        const auto before = ReadAll(gob);
        f.dlg.DeleteSelected();
        QCOMPARE(ReadAll(gob), before);
        QVERIFY(!f.dlg.DragData(f.dlg.SelectionOrder()));
        apptest::CompareRecorded(u"filemanager_changed_said.txt"_s, f.s.messages.join(QLatin1Char('\n')), f.dir.path());
        QTRY_COMPARE(f.Rows(), u"a.cog, keep.cog"_s);  // the listing is read again

        f.dlg.SelectRows({u"a.cog"_s, u"keep.cog"_s});
        std::unique_ptr<QMimeData> data(f.dlg.DragData(f.dlg.SelectionOrder()));
        QVERIFY(data);
        QStringList dragged;  // each file's name and contents
        for (const QUrl& url : data->urls())
            dragged << QFileInfo(url.toLocalFile()).fileName() + u'=' +
                           QString::fromLatin1(apptest::Read(url.toLocalFile()));
        QCOMPARE(dragged, (QStringList{"a.cog=A", "keep.cog=K"}));
    }

    void saveAsOfSeveralAsksOnceAndACancelEndsIt()
    {
        Fm f;
        QVERIFY(f.Open(f.Path(u"four.gob"_s), {{"cog\\a.cog", Bytes("AAAA")},
                                               {"cog\\b.cog", Bytes("BB")},
                                               {"cog\\c.cog", Bytes("C")},
                                               {"alpha", Bytes("A")},
                                               {"beta", Bytes("B")}}));
        // Cancelled: not even written beside the program.
        f.dlg.SelectRows({u"alpha"_s, u"beta"_s});
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(f.dir.path());
        f.dlg.SaveSelectedAs();
        QDir::setCurrent(cwd);
        QVERIFY(!QFileInfo::exists(f.Path(u"alpha"_s)));
        QVERIFY(!QFileInfo::exists(f.Path(u"beta"_s)));

        // Selected b first, then c and a: the dialog is asked for b.
        QVERIFY(f.Pick(u"cog\\a.cog"_s, {u"b.cog"_s, u"c.cog"_s, u"a.cog"_s}));
        QTemporaryDir out;
        f.s.saveAnswers.push_back({{out.filePath(u"renamed.cog"_s)}});
        f.dlg.Button(Dlg::SaveAs)->click();
        QCOMPARE(f.s.saveRequests.size(), std::size_t{2});
        QCOMPARE(f.s.saveRequests[1].fileName, u"b.cog"_s);
        QVERIFY(f.s.saveRequests[1].filters == kCogFilter);
        QVERIFY(f.s.messages.isEmpty());
        QCOMPARE(ReadAll(out.filePath(u"renamed.cog"_s)), Bytes("BB"));
        QCOMPARE(ReadAll(out.filePath(u"a.cog"_s)), Bytes("AAAA"));
        QCOMPARE(ReadAll(out.filePath(u"c.cog"_s)), Bytes("C"));
    }

    // A dropped folder goes in whole: without an archive open as a new one (its name asked).
    void aDroppedFolderBecomesAnArchiveOrGoesIntoTheOpenOne()
    {
        Fm f;
        f.File(u"mymod/3do/x.3do"_s, "model");
        f.File(u"mymod/mat/y.mat"_s, "mat");
        const QString gob = f.Path(u"mymod.gob"_s);
        f.s.saveAnswers.push_back({{gob}});
        QVERIFY(f.Drop({f.Path(u"mymod"_s)}));
        QTRY_COMPARE(f.dlg.ArchivePath(), QFileInfo(gob).absoluteFilePath());
        QCOMPARE(f.s.saveRequests.back().fileName, u"mymod.gob"_s);
        QCOMPARE(apptest::Outline(f.dlg.Tree()), u"mymod.gob(3do, mat)"_s);  // (the names are the core's)

        f.File(u"more/mat/y.mat"_s, "newer");
        QVERIFY(WriteAll(f.Path(u"more/mat/crate.bmp"_s), WriteBmp(TestPicture())));
        f.s.yesNo = {true, true};  // bitmaps as materials; replace mat\y.mat
        QVERIFY(f.Drop({f.Path(u"more"_s)}));
        QTRY_COMPARE(Dir(gob).records.size(), std::size_t{3});
        QCOMPARE(f.s.questions.size(), 2);
        QCOMPARE(Item(gob, "mat\\y.mat"), Bytes("newer"));
        QVERIFY(ConvertMat(Item(gob, "mat\\crate.mat"), SamplePalette()));
    }

    void saveAsAsksBeforeReplacingAFile()
    {
        Fm f;
        QVERIFY(f.Open(f.Path(u"two.gob"_s), {{"cog\\a.cog", Bytes("A")}, {"cog\\b.cog", Bytes("B")}}));
        QTemporaryDir out;
        const QString b = out.filePath(u"b.cog"_s);
        QVERIFY(WriteAll(b, Bytes("mine")));
        auto save = [&] {
            QVERIFY(f.Pick(u"cog\\a.cog"_s, {u"a.cog"_s, u"b.cog"_s}));
            // The file dialog itself asks about the name chosen in it (a.cog).
            f.s.saveAnswers.push_back({{out.filePath(u"a.cog"_s)}});
            f.dlg.SaveSelectedAs();
        };
        f.s.yesNo = {false};
        save();
        QCOMPARE(ReadAll(out.filePath(u"a.cog"_s)), Bytes("A"));
        QCOMPARE(ReadAll(b), Bytes("mine"));
        f.s.yesNo = {true};
        save();
        QCOMPARE(ReadAll(b), Bytes("B"));
        QVERIFY(WriteAll(b, Bytes("mine")));
        f.res.settings.warning = 0;
        save();
        QCOMPARE(ReadAll(b), Bytes("B"));

        // Two items of one name: the second would replace the first one's file.
        f.res.settings.warning = 1;
        QVERIFY(f.Open(f.Path(u"twins.gob"_s), {{"cog\\a.cog", Bytes("1")}, {"cog\\a.cog", Bytes("2")}}));
        QVERIFY(f.Pick(u"cog\\a.cog"_s, {u"a.cog"_s}));
        QCOMPARE(f.dlg.SelectionOrder().size(), 2);
        const QString twin = out.filePath(u"twins/a.cog"_s);
        QVERIFY(QDir().mkpath(QFileInfo(twin).path()));
        f.s.saveAnswers.push_back({{twin}});
        f.s.yesNo = {false};
        f.dlg.SaveSelectedAs();
        QCOMPARE(ReadAll(twin), Bytes("1"));
        // Asked about b.cog with Warning on (twice), not with it off, then about the twin.
        apptest::CompareRecorded(u"filemanager_replace_asked.txt"_s, f.s.questions.join(QLatin1Char('\n')), out.path());
    }

    // Bitmaps, thumbnails and preview through the game's first colormap (the sample palette,
    // not dflt's grey), for an archive without one too.
    void materialsAreShownAndSavedAsBitmapsThroughTheGamesColormap()
    {
        Fm f;
        QVERIFY(f.dlg.OpenArchiveFile(f.res.archive));
        QVERIFY(f.dlg.SelectItem(u"3do\\mat\\dflt.mat"_s));
        QVERIFY(f.dlg.PendingThumbnails() > 0);
        f.dlg.MakeAllThumbnails();
        for (int i = 0; i < f.dlg.List()->topLevelItemCount(); ++i)
            QVERIFY2(!f.dlg.List()->topLevelItem(i)->icon(0).isNull(),
                     qPrintable(f.dlg.List()->topLevelItem(i)->text(0)));
        // First row at the top.
        f.dlg.List()->setCurrentItem(f.dlg.List()->findItems(u"wood.mat"_s, Qt::MatchExactly).value(0));
        const auto image = ConvertMatFirstCel(f.res.Entry("3do\\mat\\wood.mat"), SamplePalette());
        QVERIFY(image);
        QCOMPARE(f.dlg.Preview()->Image().size(), QSize(image->width, image->height));
        QCOMPARE(f.dlg.Preview()->Image().pixel(0, 0), CelImage(*image).pixel(0, 0));
        QVERIFY(f.dlg.SelectItem(u"misc\\cmp\\dflt.cmp"_s));
        f.dlg.List()->setCurrentItem(f.dlg.List()->topLevelItem(0));
        QVERIFY(f.dlg.Preview()->Image().isNull());

        QTemporaryDir out;
        for (const bool withColormaps : {false, true}) {
            Fm mod(withColormaps);
            QVERIFY(mod.Open(mod.Path(u"mod.gob"_s), {{"3do\\mat\\wood.mat", f.res.Entry("3do\\mat\\wood.mat")}}));
            QVERIFY(mod.Pick(u"3do\\mat\\wood.mat"_s, {u"wood.mat"_s}));
            mod.s.saveAnswers.push_back({{out.filePath(u"wood.mat"_s)}, 1});
            mod.dlg.SaveSelectedAs();
            const QString said =
                u"These items could not be saved:\n3do\\mat\\wood.mat: 8-bit materials cannot be "
                u"saved as bitmaps: the game's resources hold no colormap."_s;
            QCOMPARE(mod.s.messages, withColormaps ? QStringList() : QStringList{said});
        }
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{u"wood.bmp"_s});
        QCOMPARE(ReadAll(out.filePath(u"wood.bmp"_s)), WriteBmp(*image));
    }

    void aFailedOrCancelledRewriteChangesNothing()
    {
        Fm f;
        const QString door = f.File(u"door.cog"_s, "x");
        // Large enough to be copied in several chunks.
        const QString big = f.Path(u"big.gob"_s);
        QVERIFY(f.Open(big, {{"big.dat", std::vector<uint8_t>(3u << 20, 7)}}));
        f.s.progressAnswer = [](uint64_t done, uint64_t) { return done < (1u << 20); };
        QVERIFY(!f.dlg.AddFile(door));
        QVERIFY(f.s.progressCalls >= 2);

        const QString gob = f.Path(u"damaged.gob"_s);
        QVERIFY(WriteArchive(P(gob), {{"cog\\a.cog", Bytes("AAAA")}}));
        // The item's size now reaches past the end of the file.
        std::vector<uint8_t> bytes = ReadAll(gob);
        bytes[16 + 4] = 200;
        QVERIFY(WriteAll(gob, bytes));
        QVERIFY(f.dlg.OpenArchiveFile(gob));
        QVERIFY(!f.dlg.AddFile(door));
        // Nothing on the cancel, which is no failure (what stays is the archive's rule); the
        // damage named when opening, then the failed add.
        apptest::CompareRecorded(u"filemanager_damaged_said.txt"_s, f.s.messages.join(QLatin1Char('\n')), f.dir.path());
    }

    void theProgramsPromptsShowProgressAndFileDialogs()
    {
        QWidget parent;
        parent.show();
        ArchiveProgress progress = MakeProgressDialogCallback(&parent, u"Adding"_s, 0);
        QVERIFY(progress(0, 100));
        auto* shown = parent.findChild<QProgressDialog*>();
        QVERIFY(shown);
        QVERIFY(shown->isVisible());
        QVERIFY(progress(50, 100));
        QCOMPARE(shown->value(), 500);
        shown->cancel();
        QVERIFY(!progress(60, 100));
        progress = nullptr;
        QVERIFY(!parent.findChild<QProgressDialog*>());
        ArchiveProgress quick = MakeProgressDialogCallback(&parent, u"Quick"_s, 60000);
        QVERIFY(quick(0, 10));
        QVERIFY(quick(10, 10));
        QVERIFY(!parent.findChild<QProgressDialog*>());

        // File dialogs take the filters and the type chosen.
        QCOMPARE(QtFileFilters({{"GOB/GOO Files (*.gob, *goo)", {"*.gob", "*.goo"}}}),
                 QStringList{"GOB/GOO Files (*.gob *.goo)"});
        QCOMPARE(CompleteSuffix(u"/t/x"_s, {{"All Files (*)", {"*"}}}, 0, "MAT"), u"/t/x.mat"_s);
        QCOMPARE(CompleteSuffix(u"/t/x.orv"_s, kCogFilter, 0, "MAT"), u"/t/x.orv"_s);  // a name's own stays

        // The real save dialog, its second type chosen as a user does in its type box.
        QTemporaryDir dir;
        Prompts p = StandardPrompts();
        QStringList shownFilters;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!d)
                return;
            shownFilters = d->nameFilters();
            if (auto* types = d->findChild<QComboBox*>(u"fileTypeCombo"_s))
                QTest::keyClick(types, Qt::Key_Down);
            d->selectFile(u"New"_s);
            static_cast<QDialog*>(d)->accept();
        });
        FileRequest r;
        r.caption = r.fileName = u"New"_s;
        r.filters = kGobFilter;
        r.directory = dir.path();
        r.defaultSuffix = u"GOB"_s;
        const FileAnswer a = p.saveFile(nullptr, r);
        QCOMPARE(shownFilters, (QStringList{"GOB Files (*.gob)", "GOO Files (*.goo)"}));
        QCOMPARE(a.filterIndex, 1);
        QCOMPARE(a.files, QStringList{dir.filePath(u"New.goo"_s)});
        QTimer::singleShot(0, [] {
            if (auto* d = QApplication::activeModalWidget())
                static_cast<QDialog*>(d)->reject();
        });
        QVERIFY(p.saveFile(nullptr, r).Cancelled());
    }
};

QTEST_MAIN(FileManagerDlgTest)
#include "filemanager_dlg_test.moc"
