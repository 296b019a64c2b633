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

const char* kAll17 =
    "JK Files (*.jk)|*.jk|COG Files (*.cog)|*.cog|JKL Files (*.jkl)|*.jkl|UNI Files (*.uni)|*.uni|"
    "3DO Files (*.3do)|*.3do|MAT Files (*.mat)|*.mat|KEY Files (*.key)|*.key|DAT Files (*.dat)|*.dat|"
    "AI Files (*.ai*)|*.ai*|CMP Files (*.cmp)|*.cmp|PAR Files (*.par)|*.par|PER Files (*.per)|*.per|"
    "PUP Files (*.pup)|*.pup|SND Files (*.snd)|*.snd|SPR Files (*.spr)|*.spr|WAV Files (*.wav)|*.wav|"
    "BMP Files (*.bmp)|*.bmp||";
const QString kCogFilter = QStringLiteral("COG Files (*.cog)|*.cog||");
const QString kGobFilter = QStringLiteral("GOB Files (*.gob)|*.gob|GOO Files (*.goo)|*.goo||");

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
        WriteAll(Path(name), Bytes(bytes));
        return Path(name);
    }

    // A new archive made through "&New".
    QString New()
    {
        s.saveAnswers.push_back(Answer(Path(QStringLiteral("New.gob"))));
        dlg.Button(Dlg::New)->click();
        return Path(QStringLiteral("New.gob"));
    }

    bool Open(const QString& archive, const std::vector<ArchiveEntryData>& entries)
    {
        return WriteArchive(P(archive), entries) && dlg.OpenArchiveFile(archive);
    }

    QStringList Rows() const
    {
        QStringList out;
        for (int i = 0; i < dlg.List()->topLevelItemCount(); ++i)
            out << dlg.List()->topLevelItem(i)->text(0);
        return out;
    }

    int NodeLabelled(const std::string& label) const
    {
        for (std::size_t i = 0; i < dlg.Nodes().size(); ++i)
            if (dlg.Nodes()[i].label == label)
                return static_cast<int>(i);
        return -1;
    }

    bool Enabled(Dlg::Control id) const { return dlg.Button(id)->isEnabled(); }
    bool Visible(Dlg::Control id) const { return dlg.Button(id)->isVisible(); }

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
        QCOMPARE(f.dlg.windowTitle(), QStringLiteral("File Manager"));
        QVERIFY(f.Visible(Dlg::New));
        QVERIFY(!f.Visible(Dlg::Add) && !f.Visible(Dlg::Delete));
        QVERIFY(!f.Enabled(Dlg::Add) && !f.Enabled(Dlg::Delete) && !f.Enabled(Dlg::SaveAs));
        f.dlg.AddFiles();
        QVERIFY(f.s.openRequests.empty());
        QVERIFY(!f.Drop({f.File(QStringLiteral("door.cog"), "x")}));
        // An archive that cannot be read is reported and leaves the dialog as it was.
        f.s.openAnswers.push_back(Answer(f.File(QStringLiteral("short.gob"), "GOB")));
        f.dlg.Button(Dlg::Open)->click();
        QCOMPARE(f.s.openRequests[0].filter, QStringLiteral("GOB/GOO Files (*.gob, *goo)|*.gob;*.goo||"));
        QCOMPARE(f.s.messages.size(), 1);
        QVERIFY(f.dlg.ArchivePath().isEmpty());
        QCOMPARE(f.dlg.windowTitle(), QStringLiteral("File Manager"));
    }

    void newThenAddDoorCogAndDroppedFiles()
    {
        Fm f;
        f.dlg.show();
        const QString gob = f.New();
        QCOMPARE(f.s.saveRequests.size(), std::size_t{1});
        QCOMPARE(f.s.saveRequests[0].filter, kGobFilter);
        QCOMPARE(f.s.saveRequests[0].fileName, QStringLiteral("New"));
        QCOMPARE(f.s.saveRequests[0].defaultSuffix, QStringLiteral("GOB"));
        QCOMPARE(ReadAll(gob), Bytes(std::string("GOB \x14\0\0\0\x0c\0\0\0\0\0\0\0", 16)));
        QCOMPARE(f.dlg.windowTitle(), QStringLiteral("File Manager - ") + QDir::toNativeSeparators(gob));
        QVERIFY(!f.Visible(Dlg::New) && f.Visible(Dlg::Add) && f.Visible(Dlg::Delete));
        QVERIFY(f.Enabled(Dlg::Add) && !f.Enabled(Dlg::Delete) && !f.Enabled(Dlg::SaveAs));
        QCOMPARE(f.dlg.Tree()->topLevelItem(0)->text(0), QStringLiteral("New.gob"));

        f.s.openAnswers.push_back(Answer(f.File(QStringLiteral("door.cog"), "# door\r\nsymbols\r\nend\r\n")));
        f.dlg.Button(Dlg::Add)->click();
        // The root is listed: all seventeen types are offered.
        QCOMPARE(f.s.openRequests.size(), std::size_t{1});
        QCOMPARE(f.s.openRequests[0].filter, QLatin1String(kAll17));
        QVERIFY(f.s.openRequests[0].multiple);
        QVERIFY(f.s.messages.isEmpty());
        auto d = Dir(gob);
        QCOMPARE(d.header.recordCount, 1u);
        QCOMPARE(d.records.size(), std::size_t{1});
        QCOMPARE(d.records[0].name, std::string("cog\\door.cog"));
        QCOMPARE(d.records[0].offset, 152u);
        QCOMPARE(d.records[0].size, 22u);
        QCOMPARE(Item(gob, "cog\\door.cog"), Bytes("# door\r\nsymbols\r\nend\r\n"));
        // The tree shows the new directory and lists it.
        QCOMPARE(f.dlg.Nodes().size(), std::size_t{2});
        QCOMPARE(f.dlg.Nodes()[1].label, std::string("cog"));
        QCOMPARE(f.dlg.ListedNode(), 1);
        QCOMPARE(f.Rows(), QStringList{QStringLiteral("door.cog")});
        QCOMPARE(f.dlg.List()->topLevelItem(0)->text(1), QStringLiteral("152"));
        QCOMPARE(f.dlg.List()->topLevelItem(0)->text(2), QStringLiteral("22"));
        // The listed node's first record decides the filter of the next Add.
        f.dlg.Button(Dlg::Add)->click();
        QCOMPARE(f.s.openRequests.back().filter, kCogFilter);

        // Files dropped on the tree are added too.
        QVERIFY(f.Drop({f.File(QStringLiteral("ky.pup"), "pup"), f.File(QStringLiteral("readme.txt"), "read me")}));
        QTRY_COMPARE(Dir(gob).records.size(), std::size_t{3});
        QCOMPARE(Item(gob, "misc\\pup\\ky.pup"), Bytes("pup"));
        QCOMPARE(Item(gob, "readme.txt"), Bytes("read me"));
        // The top-level item is listed by the root, though record 0 lies in a directory.
        QVERIFY(f.dlg.SelectNode(0));
        QCOMPARE(f.Rows(), QStringList{QStringLiteral("readme.txt")});
    }

    void addBitmapThenDeleteTheOnlyRecord()
    {
        Fm f;
        f.dlg.show();
        const QString gob = f.New();
        const QString crate = f.Path(QStringLiteral("crate.bmp"));
        QVERIFY(WriteBmpFile(P(crate), TestPicture()));
        QVERIFY(f.dlg.AddFile(crate));
        QCOMPARE(Dir(gob).records.size(), std::size_t{1});
        QCOMPARE(Dir(gob).records[0].name, std::string("mat\\crate.mat"));
        // The material holds the picture remapped onto dflt.cmp (the grey ramp here).
        MaterialImage expected = TestPicture();
        RemapToPalette(expected, PaletteOf(GreyColormap()));
        QCOMPARE(Item(gob, "mat\\crate.mat"), MakeMat(expected));
        QCOMPARE(Item(gob, "mat\\crate.mat").size(), std::size_t{76 + 40 + 24 + 15});

        f.dlg.SelectRows({QStringLiteral("crate.mat")});
        QVERIFY(f.Enabled(Dlg::Delete) && f.Enabled(Dlg::SaveAs) && !f.Enabled(Dlg::Add));
        f.dlg.Button(Dlg::Delete)->click();
        QCOMPARE(ReadAll(gob).size(), std::size_t{16});
        QCOMPARE(Dir(gob).header.recordCount, 0u);
        QCOMPARE(f.dlg.Nodes().size(), std::size_t{1});
        QCOMPARE(f.dlg.List()->topLevelItemCount(), 0);
        QVERIFY(f.Enabled(Dlg::Add) && !f.Enabled(Dlg::Delete));
    }

    void deleteOfSeveralKeepsTheRestContiguousAndTouchesNoChangedItem()
    {
        Fm f;
        const QString gob = f.Path(QStringLiteral("three.gob"));
        QVERIFY(f.Open(gob, {{"cog\\a.cog", Bytes("AAAA")}, {"cog\\b.cog", Bytes("BB")}, {"cog\\c.cog", Bytes("C")}}));
        QVERIFY(f.dlg.SelectItem(QStringLiteral("cog\\a.cog")));
        f.dlg.SelectRows({QStringLiteral("c.cog"), QStringLiteral("a.cog")});
        f.dlg.DeleteSelected();
        const auto d = Dir(gob);
        QCOMPARE(d.records.size(), std::size_t{1});
        QCOMPARE(d.records[0].name, std::string("cog\\b.cog"));
        QCOMPARE(d.records[0].offset, 16u + 136u);
        QCOMPARE(Item(gob, "cog\\b.cog"), Bytes("BB"));
        QCOMPARE(f.Rows(), QStringList{QStringLiteral("b.cog")});  // the same directory listed again

        // Meanwhile another program puts another item where b is.
        f.dlg.SelectRows({QStringLiteral("b.cog")});
        QVERIFY(WriteArchive(P(gob), {{"cog\\a.cog", Bytes("A")}, {"cog\\keep.cog", Bytes("K")}}));
        const auto before = ReadAll(gob);
        f.dlg.DeleteSelected();
        QCOMPARE(f.s.messages.size(), 1);
        QVERIFY(f.s.messages[0].contains(QStringLiteral("changed by another program")));
        QCOMPARE(ReadAll(gob), before);
        QVERIFY(!f.dlg.DragData(f.dlg.SelectionOrder()));
        QCOMPARE(f.s.messages.size(), 2);
        QTRY_COMPARE(f.Rows(), (QStringList{"a.cog", "keep.cog"}));  // the listing is read again
    }

    void saveAsOfSeveralAsksOnceAndACancelEndsIt()
    {
        Fm f;
        QVERIFY(f.Open(f.Path(QStringLiteral("four.gob")), {{"cog\\a.cog", Bytes("AAAA")},
                                                            {"cog\\b.cog", Bytes("BB")},
                                                            {"cog\\c.cog", Bytes("C")},
                                                            {"alpha", Bytes("A")},
                                                            {"beta", Bytes("B")}}));
        // Cancelled: neither is written (not even beside the program); a name without an
        // extension offers all files.
        f.dlg.SelectRows({QStringLiteral("alpha"), QStringLiteral("beta")});
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(f.dir.path());
        f.dlg.SaveSelectedAs();
        QDir::setCurrent(cwd);
        QCOMPARE(f.s.saveRequests.size(), std::size_t{1});
        QCOMPARE(f.s.saveRequests[0].filter, QStringLiteral("All Files (*)|*||"));
        QVERIFY(!QFileInfo::exists(f.Path(QStringLiteral("alpha"))) && !QFileInfo::exists(f.Path(QStringLiteral("beta"))));

        QVERIFY(f.dlg.SelectNode(f.NodeLabelled("cog")));
        QCOMPARE(f.Rows(), (QStringList{"a.cog", "b.cog", "c.cog"}));
        // Selected b first, then c and a: the dialog is asked for b.
        f.dlg.SelectRows({QStringLiteral("b.cog"), QStringLiteral("c.cog"), QStringLiteral("a.cog")});
        QCOMPARE(f.dlg.SelectionOrder().size(), 3);
        QTemporaryDir out;
        f.s.saveAnswers.push_back(Answer(out.filePath(QStringLiteral("renamed.cog"))));
        f.dlg.Button(Dlg::SaveAs)->click();
        QCOMPARE(f.s.saveRequests.size(), std::size_t{2});
        QCOMPARE(f.s.saveRequests[1].fileName, QStringLiteral("b.cog"));
        QCOMPARE(f.s.saveRequests[1].filter, kCogFilter);
        QVERIFY(f.s.messages.isEmpty());
        // The first under the chosen name, the others under their own in that folder.
        QCOMPARE(ReadAll(out.filePath(QStringLiteral("renamed.cog"))), Bytes("BB"));
        QCOMPARE(ReadAll(out.filePath(QStringLiteral("a.cog"))), Bytes("AAAA"));
        QCOMPARE(ReadAll(out.filePath(QStringLiteral("c.cog"))), Bytes("C"));
        QVERIFY(!QFileInfo::exists(out.filePath(QStringLiteral("b.cog"))));
    }

    void saveAsBitmapUsesTheFirstColormapAndNeedsOne()
    {
        for (const bool withColormaps : {true, false}) {
            Fm f(withColormaps);
            QVERIFY(f.dlg.OpenArchiveFile(f.res.archive));
            QVERIFY(f.dlg.SelectItem(QStringLiteral("3do\\mat\\wood.mat")));
            f.dlg.SelectRows({QStringLiteral("wood.mat"), QStringLiteral("metal.mat")});
            f.s.saveAnswers.push_back(Answer(f.Path(QStringLiteral("wood.mat")), 1));
            f.dlg.SaveSelectedAs();
            QCOMPARE(f.s.saveRequests[0].filter, QStringLiteral("MAT Files (*.mat)|*.mat|BMP Files (*.bmp)|*.bmp||"));
            if (!withColormaps) {
                QCOMPARE(f.s.messages.size(), 1);
                QVERIFY(f.s.messages[0].contains(QStringLiteral("no colormap")));
                QVERIFY(QDir(f.dir.path()).entryList(QDir::Files).isEmpty());
                continue;
            }
            QVERIFY2(f.s.messages.isEmpty(), qPrintable(f.s.messages.join('\n')));
            // 01redmap.cmp comes first in the catalogue: the sample palette, not dflt's grey.
            for (const char* name : {"wood", "metal"}) {
                MaterialImage image;
                QCOMPARE(ConvertMatFirstCel(f.res.Entry(std::string("3do\\mat\\") + name + ".mat"), SamplePalette(), image),
                         MatStatus::Ok);
                QCOMPARE(ReadAll(f.Path(QString::fromLatin1(name) + ".bmp")), WriteBmp(image));
                QVERIFY(!QFileInfo::exists(f.Path(QString::fromLatin1(name) + ".mat")));
            }
        }
    }

    void duplicateQuestionOnlyWithWarning()
    {
        Fm f;
        const QString gob = f.New();
        QVERIFY(f.dlg.AddFile(f.File(QStringLiteral("door.cog"), "one")));
        QVERIFY(f.s.questions.isEmpty());
        // Warning on, answer No: the existing item stays and the file is added beside it.
        f.s.yesNo.push_back(false);
        QVERIFY(f.dlg.AddFile(f.File(QStringLiteral("door.cog"), "two")));
        QCOMPARE(f.s.questions,
                 QStringList{"The item \"cog\\door.cog\" already exist. Do you want to overwrite the existing item?"});
        QCOMPARE(Dir(gob).records.size(), std::size_t{2});
        // Warning on, answer Yes: replaced.
        QVERIFY(f.dlg.AddFile(f.File(QStringLiteral("gate.cog"), "gate")));
        f.s.yesNo.push_back(true);
        QVERIFY(f.dlg.AddFile(f.File(QStringLiteral("gate.cog"), "gate2")));
        QCOMPARE(f.s.questions.size(), 2);
        QCOMPARE(Item(gob, "cog\\gate.cog"), Bytes("gate2"));
        QCOMPARE(Dir(gob).records.size(), std::size_t{3});
        // Warning off: replaced without a question.
        f.res.settings.warning = 0;
        QVERIFY(f.dlg.AddFile(f.File(QStringLiteral("gate.cog"), "gate3")));
        QCOMPARE(f.s.questions.size(), 2);
        QCOMPARE(Item(gob, "cog\\gate.cog"), Bytes("gate3"));
        QCOMPARE(Dir(gob).records.size(), std::size_t{3});
    }

    void rowsDraggedOutBecomeFiles()
    {
        Fm f;
        QVERIFY(f.dlg.OpenArchiveFile(f.res.archive));
        QVERIFY(f.dlg.SelectItem(QStringLiteral("misc\\cmp\\dflt.cmp")));
        QList<qulonglong> positions;
        for (int i = 0; i < f.dlg.List()->topLevelItemCount(); ++i)
            positions << f.dlg.List()->topLevelItem(i)->data(0, Qt::UserRole).toULongLong();
        QCOMPARE(positions.size(), 2);
        std::unique_ptr<QMimeData> data(f.dlg.DragData(positions));
        QVERIFY(data);
        const QList<QUrl> urls = data->urls();
        QCOMPARE(urls.size(), 2);
        QCOMPARE(QFileInfo(urls[0].toLocalFile()).fileName(), QStringLiteral("01redmap.cmp"));
        QCOMPARE(QFileInfo(urls[1].toLocalFile()).fileName(), QStringLiteral("dflt.cmp"));
        QCOMPARE(ReadAll(urls[0].toLocalFile()), MakeSampleColormap());
        QCOMPARE(ReadAll(urls[1].toLocalFile()), GreyColormap());
    }

    void treeFollowsTheRunsOfRecords()
    {
        Fm f;
        QVERIFY(f.Open(f.Path(QStringLiteral("runs.gob")), {{"3do\\a.3do", Bytes("1")},
                                                            {"3do\\mat\\a.mat", Bytes("2")},
                                                            {"3do\\mat\\b.mat", Bytes("3")},
                                                            {"3do\\key\\a.key", Bytes("4")},
                                                            {"cog\\x.cog", Bytes("5")},
                                                            {"top.txt", Bytes("6")}}));
        QCOMPARE(f.dlg.Tree()->topLevelItemCount(), 1);
        auto* root = f.dlg.Tree()->topLevelItem(0);
        QCOMPARE(root->text(0), QStringLiteral("runs.gob"));
        QVERIFY(root->isExpanded());
        // 3do under the root, mat and key under 3do, cog back under the root.
        QCOMPARE(root->childCount(), 2);
        QCOMPARE(root->child(0)->text(0), QStringLiteral("3do"));
        QCOMPARE(root->child(0)->childCount(), 2);
        QCOMPARE(root->child(0)->child(0)->text(0), QStringLiteral("mat"));
        QCOMPARE(root->child(0)->child(1)->text(0), QStringLiteral("key"));
        QCOMPARE(root->child(1)->text(0), QStringLiteral("cog"));
        // The root lists the top-level item; mat lists its two.
        QCOMPARE(f.dlg.ListedNode(), 0);
        QCOMPARE(f.Rows(), QStringList{QStringLiteral("top.txt")});
        f.dlg.Tree()->setCurrentItem(root->child(0)->child(0));
        QCOMPARE(f.Rows(), (QStringList{"a.mat", "b.mat"}));
        QCOMPARE(f.dlg.List()->topLevelItem(1)->text(1), QString::number(16 + 6 * 136 + 2));
    }

    void thumbnailsAndPreviewOfMaterials()
    {
        Fm f;
        QVERIFY(f.dlg.OpenArchiveFile(f.res.archive));
        QVERIFY(f.dlg.SelectItem(QStringLiteral("3do\\mat\\dflt.mat")));
        QVERIFY(f.dlg.PendingThumbnails() > 0);
        f.dlg.MakeAllThumbnails();
        for (int i = 0; i < f.dlg.List()->topLevelItemCount(); ++i)
            QVERIFY2(!f.dlg.List()->topLevelItem(i)->icon(0).isNull(), qPrintable(f.dlg.List()->topLevelItem(i)->text(0)));
        // The current row's material is previewed, first row at the top.
        QTreeWidgetItem* wood = f.dlg.List()->findItems(QStringLiteral("wood.mat"), Qt::MatchExactly).value(0);
        QVERIFY(wood);
        f.dlg.List()->setCurrentItem(wood);
        MaterialImage image;
        QCOMPARE(ConvertMatFirstCel(f.res.Entry("3do\\mat\\wood.mat"), SamplePalette(), image), MatStatus::Ok);
        QCOMPARE(f.dlg.Preview()->Image().size(), QSize(image.width, image.height));
        QCOMPARE(f.dlg.Preview()->Image().pixel(0, 0), CelImage(image).pixel(0, 0));
        // A row of another type shows nothing.
        QVERIFY(f.dlg.SelectItem(QStringLiteral("misc\\cmp\\dflt.cmp")));
        f.dlg.List()->setCurrentItem(f.dlg.List()->topLevelItem(0));
        QVERIFY(f.dlg.Preview()->Image().isNull());
    }

    void aFailedOrCancelledRewriteChangesNothing()
    {
        Fm f;
        const QString door = f.File(QStringLiteral("door.cog"), "x");
        // Large enough to be copied in several chunks.
        const QString big = f.Path(QStringLiteral("big.gob"));
        QVERIFY(f.Open(big, {{"big.dat", std::vector<uint8_t>(3u << 20, 7)}}));
        const auto before = ReadAll(big);
        f.s.progressAnswer = [](uint64_t done, uint64_t) { return done < (1u << 20); };
        QVERIFY(!f.dlg.AddFile(door));
        QVERIFY(f.s.progressCalls >= 2);
        QVERIFY(f.s.messages.isEmpty());  // a cancel is no failure
        QCOMPARE(ReadAll(big), before);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files).size(), 2);  // no temporary file left
        f.s.progressAnswer = nullptr;
        QVERIFY(f.dlg.AddFile(door));
        QCOMPARE(Dir(big).records.size(), std::size_t{2});

        const QString gob = f.Path(QStringLiteral("damaged.gob"));
        QVERIFY(WriteArchive(P(gob), {{"cog\\a.cog", Bytes("AAAA")}}));
        // The item's size now reaches past the end of the file.
        std::vector<uint8_t> bytes = ReadAll(gob);
        bytes[16 + 4] = 200;
        QVERIFY(WriteAll(gob, bytes));
        QVERIFY(f.dlg.OpenArchiveFile(gob));
        QCOMPARE(f.s.messages.size(), 1);  // the damage is named when opening
        QVERIFY(!f.dlg.AddFile(door));
        QCOMPARE(f.s.messages.size(), 2);
        QVERIFY(f.s.messages[1].contains(QStringLiteral("unchanged")));
        QCOMPARE(ReadAll(gob), bytes);
        // A file that cannot be read is reported as well.
        QVERIFY(!f.dlg.AddFile(f.Path(QStringLiteral("missing.cog"))));
        QCOMPARE(f.s.messages.size(), 3);
        QCOMPARE(ReadAll(gob), bytes);
    }

    void progressDialogShowsAndCancels()
    {
        QWidget parent;
        parent.show();
        ArchiveProgress progress = MakeProgressDialogCallback(&parent, QStringLiteral("Adding"), 0);
        QVERIFY(progress(0, 100));
        auto* shown = parent.findChild<QProgressDialog*>();
        QVERIFY(shown && shown->isVisible());
        QCOMPARE(shown->labelText(), QStringLiteral("Adding"));
        QVERIFY(progress(50, 100));
        QCOMPARE(shown->value(), 500);
        shown->cancel();
        QVERIFY(!progress(60, 100));
        progress = nullptr;
        QVERIFY(!parent.findChild<QProgressDialog*>());
        // Short rewrites show nothing.
        ArchiveProgress quick = MakeProgressDialogCallback(&parent, QStringLiteral("Quick"), 60000);
        QVERIFY(quick(0, 10) && quick(10, 10));
        QVERIFY(!parent.findChild<QProgressDialog*>());
    }

    void fileDialogsTakeTheFiltersAndTheChosenType()
    {
        QCOMPARE(QtFileFilters(QStringLiteral("GOB/GOO Files (*.gob, *goo)|*.gob;*.goo||")),
                 QStringList{"GOB/GOO Files (*.gob *.goo)"});
        QCOMPARE(QtFileFilters(QLatin1String(kAll17)).size(), 17);
        QCOMPARE(QtFileFilters(QLatin1String(kAll17))[8], QStringLiteral("AI Files (*.ai*)"));
        QCOMPARE(CompleteSuffix(QStringLiteral("/t/x.dat"), QStringLiteral("BMP Files (*.bmp)|*.bmp||"), 0, "BMP"),
                 QStringLiteral("/t/x.dat"));
        QCOMPARE(CompleteSuffix(QStringLiteral("/t/x"), QStringLiteral("All Files (*)|*||"), 0, "MAT"),
                 QStringLiteral("/t/x.mat"));

        // The real save dialog, its second type chosen as a user does in its type box.
        QTemporaryDir dir;
        Prompts p = StandardPrompts();
        QStringList shownFilters;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!d)
                return;
            shownFilters = d->nameFilters();
            if (auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
                QTest::keyClick(types, Qt::Key_Down);
            d->selectFile(QStringLiteral("New"));
            static_cast<QDialog*>(d)->accept();
        });
        FileRequest r;
        r.caption = r.fileName = QStringLiteral("New");
        r.filter = kGobFilter;
        r.directory = dir.path();
        r.defaultSuffix = QStringLiteral("GOB");
        const FileAnswer a = p.saveFile(nullptr, r);
        QCOMPARE(shownFilters, (QStringList{"GOB Files (*.gob)", "GOO Files (*.goo)"}));
        QCOMPARE(a.filterIndex, 1);
        QCOMPARE(a.files.size(), 1);
        QCOMPARE(QFileInfo(a.files[0]).fileName(), QStringLiteral("New.goo"));
        QTimer::singleShot(0, [] {
            if (auto* d = QApplication::activeModalWidget())
                static_cast<QDialog*>(d)->reject();
        });
        QVERIFY(p.saveFile(nullptr, r).Cancelled());
    }
};

QTEST_MAIN(FileManagerDlgTest)
#include "filemanager_dlg_test.moc"
