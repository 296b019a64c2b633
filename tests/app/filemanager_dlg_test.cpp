#include <QtTest>

#include <QComboBox>
#include <QFileDialog>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/filemanager_dlg.h"
#include "app/materialpreview.h"
#include "dialog_fixture.h"
#include "resources/archivetree.h"
#include "resources/filemanager.h"

using namespace orv;
using namespace dlgtest;

namespace {

const char* kAll17 =
    "JK Files (*.jk)|*.jk|COG Files (*.cog)|*.cog|JKL Files (*.jkl)|*.jkl|UNI Files (*.uni)|*.uni|"
    "3DO Files (*.3do)|*.3do|MAT Files (*.mat)|*.mat|KEY Files (*.key)|*.key|DAT Files (*.dat)|*.dat|"
    "AI Files (*.ai*)|*.ai*|CMP Files (*.cmp)|*.cmp|PAR Files (*.par)|*.par|PER Files (*.per)|*.per|"
    "PUP Files (*.pup)|*.pup|SND Files (*.snd)|*.snd|SPR Files (*.spr)|*.spr|WAV Files (*.wav)|*.wav|"
    "BMP Files (*.bmp)|*.bmp||";

ArchiveDirectory Dir(const QString& path)
{
    ArchiveDirectory d;
    ReadArchiveDirectory(P(path), d);
    return d;
}

std::vector<uint8_t> Item(const QString& archive, const std::string& name)
{
    const auto d = Dir(archive);
    for (const auto& r : d.records)
        if (r.name == name) {
            std::vector<uint8_t> out;
            ReadArchiveEntry(P(archive), r, out);
            return out;
        }
    return {};
}

QStringList RowNames(const CFileManagerDlg& dlg)
{
    QStringList out;
    for (int i = 0; i < dlg.List()->topLevelItemCount(); ++i)
        out << dlg.List()->topLevelItem(i)->text(0);
    return out;
}

// The node of the tree labelled label, or -1.
int NodeLabelled(const CFileManagerDlg& dlg, const std::string& label)
{
    for (std::size_t i = 0; i < dlg.Nodes().size(); ++i)
        if (dlg.Nodes()[i].label == label)
            return static_cast<int>(i);
    return -1;
}

}  // namespace

class FileManagerDlgTest : public QObject {
    Q_OBJECT

    // Makes a new archive through "&New" and returns its path.
    QString MakeNew(CFileManagerDlg& dlg, Script& s, const QTemporaryDir& dir, const QString& name = "New.gob")
    {
        const QString path = dir.filePath(name);
        s.saveAnswers.push_back(Answer({path}));
        dlg.Button(CFileManagerDlg::New)->click();
        return path;
    }

private slots:
    void startsClosedWithTheButtonsOfNoArchive()
    {
        Resources res;
        Script s;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("File Manager"));
        QVERIFY(dlg.Button(CFileManagerDlg::New)->isVisible());
        QVERIFY(!dlg.Button(CFileManagerDlg::Add)->isVisible());
        QVERIFY(!dlg.Button(CFileManagerDlg::Delete)->isVisible());
        QVERIFY(!dlg.Button(CFileManagerDlg::Add)->isEnabled());
        QVERIFY(!dlg.Button(CFileManagerDlg::Delete)->isEnabled());
        QVERIFY(!dlg.Button(CFileManagerDlg::SaveAs)->isEnabled());
        QCOMPARE(dlg.Button(CFileManagerDlg::Open)->text(), QStringLiteral("&Open"));
        QCOMPARE(dlg.Button(CFileManagerDlg::SaveAs)->text(), QStringLiteral("&Save As"));
        QCOMPARE(dlg.Button(CFileManagerDlg::Close)->text(), QStringLiteral("&Close"));
        QCOMPARE(dlg.Button(CFileManagerDlg::Help)->text(), QStringLiteral("&Help"));
        // The list's columns.
        auto* header = dlg.List()->headerItem();
        QCOMPARE(header->text(0), QStringLiteral("Name"));
        QCOMPARE(header->text(1), QStringLiteral("Offset"));
        QCOMPARE(header->text(2), QStringLiteral("Size"));
        QCOMPARE(dlg.List()->columnWidth(0), 160);
        QCOMPARE(dlg.List()->columnWidth(1), 63);
        QCOMPARE(dlg.List()->columnWidth(2), 79);
        QVERIFY(header->textAlignment(1) & Qt::AlignRight);
        QVERIFY(header->textAlignment(2) & Qt::AlignRight);
        // Nothing to do without an archive.
        dlg.AddFiles();
        QVERIFY(s.openRequests.empty());
    }

    void newThenAddDoorCog()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        dlg.show();
        const QString gob = MakeNew(dlg, s, dir);
        QCOMPARE(s.saveRequests.size(), std::size_t{1});
        QCOMPARE(s.saveRequests[0].filter, QStringLiteral("GOB Files (*.gob)|*.gob|GOO Files (*.goo)|*.goo||"));
        QCOMPARE(s.saveRequests[0].fileName, QStringLiteral("New"));
        QCOMPARE(s.saveRequests[0].defaultSuffix, QStringLiteral("GOB"));
        QCOMPARE(ReadAll(gob), Bytes(std::string("GOB \x14\0\0\0\x0c\0\0\0\0\0\0\0", 16)));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("File Manager - ") + QDir::toNativeSeparators(gob));
        QVERIFY(!dlg.Button(CFileManagerDlg::New)->isVisible());
        QVERIFY(dlg.Button(CFileManagerDlg::Add)->isVisible());
        QVERIFY(dlg.Button(CFileManagerDlg::Delete)->isVisible());
        QVERIFY(dlg.Button(CFileManagerDlg::Add)->isEnabled());
        QVERIFY(!dlg.Button(CFileManagerDlg::Delete)->isEnabled());
        QVERIFY(!dlg.Button(CFileManagerDlg::SaveAs)->isEnabled());
        QCOMPARE(dlg.Tree()->topLevelItem(0)->text(0), QStringLiteral("New.gob"));

        const QString door = dir.filePath(QStringLiteral("door.cog"));
        QVERIFY(WriteAll(door, Bytes("# door\r\nsymbols\r\nend\r\n")));
        s.openAnswers.push_back(Answer({door}));
        dlg.Button(CFileManagerDlg::Add)->click();
        // The root is listed: all seventeen types are offered.
        QCOMPARE(s.openRequests.size(), std::size_t{1});
        QCOMPARE(s.openRequests[0].filter, QLatin1String(kAll17));
        QVERIFY(s.openRequests[0].multiple);
        QVERIFY(s.messages.isEmpty());

        const auto d = Dir(gob);
        QCOMPARE(d.header.recordCount, 1u);
        QCOMPARE(d.records.size(), std::size_t{1});
        QCOMPARE(d.records[0].name, std::string("cog\\door.cog"));
        QCOMPARE(d.records[0].offset, 152u);
        QCOMPARE(d.records[0].size, 22u);
        QCOMPARE(Item(gob, "cog\\door.cog"), Bytes("# door\r\nsymbols\r\nend\r\n"));
        // The tree shows the new directory and lists it.
        QCOMPARE(dlg.Nodes().size(), std::size_t{2});
        QCOMPARE(dlg.Nodes()[1].label, std::string("cog"));
        QCOMPARE(dlg.ListedNode(), 1);
        QCOMPARE(RowNames(dlg), QStringList{QStringLiteral("door.cog")});
        QCOMPARE(dlg.List()->topLevelItem(0)->text(1), QStringLiteral("152"));
        QCOMPARE(dlg.List()->topLevelItem(0)->text(2), QStringLiteral("22"));
        // The listed node's first record decides the filter of the next Add.
        dlg.Button(CFileManagerDlg::Add)->click();
        QCOMPARE(s.openRequests.back().filter, QStringLiteral("COG Files (*.cog)|*.cog||"));
    }

    void gooArchiveStartsWithGob()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        const QString goo = MakeNew(dlg, s, dir, QStringLiteral("x.goo"));
        QCOMPARE(ReadAll(goo).size(), std::size_t{16});
        QCOMPARE(ReadAll(goo)[0], uint8_t('G'));
        QCOMPARE(ReadAll(goo)[3], uint8_t(' '));
    }

    void addBitmapStoresMaterialInDefaultColours()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        const QString gob = MakeNew(dlg, s, dir);
        const QString crate = dir.filePath(QStringLiteral("crate.bmp"));
        const MaterialImage picture = TestPicture();
        QVERIFY(WriteBmpFile(P(crate), picture));
        QVERIFY(dlg.AddFile(crate));
        const auto d = Dir(gob);
        QCOMPARE(d.records.size(), std::size_t{1});
        QCOMPARE(d.records[0].name, std::string("mat\\crate.mat"));
        // The material holds the picture remapped onto dflt.cmp (the grey ramp here).
        MaterialImage expected = picture;
        RemapToPalette(expected, PaletteOf(GreyColormap()));
        QCOMPARE(Item(gob, "mat\\crate.mat"), MakeMat(expected));
        QCOMPARE(Item(gob, "mat\\crate.mat").size(), std::size_t{76 + 40 + 24 + 15});
    }

    void deleteOfTheOnlyRecordLeavesTheHead()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        dlg.show();
        const QString gob = MakeNew(dlg, s, dir);
        const QString door = dir.filePath(QStringLiteral("door.cog"));
        QVERIFY(WriteAll(door, Bytes("x")));
        QVERIFY(dlg.AddFile(door));
        dlg.SelectRows({QStringLiteral("door.cog")});
        QVERIFY(dlg.Button(CFileManagerDlg::Delete)->isEnabled());
        QVERIFY(dlg.Button(CFileManagerDlg::SaveAs)->isEnabled());
        QVERIFY(!dlg.Button(CFileManagerDlg::Add)->isEnabled());
        dlg.Button(CFileManagerDlg::Delete)->click();
        const auto bytes = ReadAll(gob);
        QCOMPARE(bytes.size(), std::size_t{16});
        QCOMPARE(Dir(gob).header.recordCount, 0u);
        QCOMPARE(dlg.Nodes().size(), std::size_t{1});
        QCOMPARE(dlg.List()->topLevelItemCount(), 0);
        QVERIFY(dlg.Button(CFileManagerDlg::Add)->isEnabled());
        QVERIFY(!dlg.Button(CFileManagerDlg::Delete)->isEnabled());
    }

    void deleteOfSeveralKeepsTheOthersContiguous()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        const QString gob = dir.filePath(QStringLiteral("three.gob"));
        QVERIFY(WriteArchive(P(gob), {{"cog\\a.cog", Bytes("AAAA")}, {"cog\\b.cog", Bytes("BB")}, {"cog\\c.cog", Bytes("C")}}));
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        QVERIFY(dlg.OpenArchiveFile(gob));
        QVERIFY(dlg.SelectItem(QStringLiteral("cog\\a.cog")));
        dlg.SelectRows({QStringLiteral("c.cog"), QStringLiteral("a.cog")});
        dlg.DeleteSelected();
        const auto d = Dir(gob);
        QCOMPARE(d.records.size(), std::size_t{1});
        QCOMPARE(d.records[0].name, std::string("cog\\b.cog"));
        QCOMPARE(d.records[0].offset, 16u + 136u);
        QCOMPARE(Item(gob, "cog\\b.cog"), Bytes("BB"));
        // The same directory is listed again.
        QCOMPARE(RowNames(dlg), QStringList{QStringLiteral("b.cog")});
    }

    void itemsChangedByAnotherProgramAreNotTouched()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        const QString gob = dir.filePath(QStringLiteral("two.gob"));
        QVERIFY(WriteArchive(P(gob), {{"cog\\a.cog", Bytes("A")}, {"cog\\b.cog", Bytes("B")}}));
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        QVERIFY(dlg.OpenArchiveFile(gob));
        QVERIFY(dlg.SelectItem(QStringLiteral("cog\\b.cog")));
        dlg.SelectRows({QStringLiteral("b.cog")});
        // Meanwhile another program puts another item where b was.
        QVERIFY(WriteArchive(P(gob), {{"cog\\a.cog", Bytes("A")}, {"cog\\keep.cog", Bytes("K")}}));
        const auto before = ReadAll(gob);
        dlg.DeleteSelected();
        QCOMPARE(s.messages.size(), 1);
        QVERIFY(s.messages[0].contains(QStringLiteral("changed by another program")));
        QCOMPARE(ReadAll(gob), before);
        QVERIFY(!dlg.DragData(dlg.SelectionOrder()));
        QCOMPARE(s.messages.size(), 2);
        // The listing is read again.
        QTRY_COMPARE(RowNames(dlg), (QStringList{"a.cog", "keep.cog"}));
    }

    void saveAsOfSeveralAsksOnce()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        const QString gob = dir.filePath(QStringLiteral("three.gob"));
        QVERIFY(WriteArchive(P(gob), {{"cog\\a.cog", Bytes("AAAA")}, {"cog\\b.cog", Bytes("BB")}, {"cog\\c.cog", Bytes("C")}}));
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        QVERIFY(dlg.OpenArchiveFile(gob));
        QVERIFY(dlg.SelectNode(NodeLabelled(dlg, "cog")));
        QCOMPARE(RowNames(dlg), (QStringList{"a.cog", "b.cog", "c.cog"}));
        // Selected b first, then c and a: the dialog is asked for b.
        dlg.SelectRows({QStringLiteral("b.cog"), QStringLiteral("c.cog"), QStringLiteral("a.cog")});
        QCOMPARE(dlg.SelectionOrder().size(), 3);
        QTemporaryDir out;
        s.saveAnswers.push_back(Answer({out.filePath(QStringLiteral("renamed.cog"))}));
        dlg.Button(CFileManagerDlg::SaveAs)->click();
        QCOMPARE(s.saveRequests.size(), std::size_t{1});
        QCOMPARE(s.saveRequests[0].fileName, QStringLiteral("b.cog"));
        QCOMPARE(s.saveRequests[0].filter, QStringLiteral("COG Files (*.cog)|*.cog||"));
        QVERIFY(s.messages.isEmpty());
        // The first under the chosen name, the others under their own in that folder.
        QCOMPARE(ReadAll(out.filePath(QStringLiteral("renamed.cog"))), Bytes("BB"));
        QCOMPARE(ReadAll(out.filePath(QStringLiteral("a.cog"))), Bytes("AAAA"));
        QCOMPARE(ReadAll(out.filePath(QStringLiteral("c.cog"))), Bytes("C"));
        QVERIFY(!QFileInfo::exists(out.filePath(QStringLiteral("b.cog"))));
    }

    void saveAsCancelledEndsTheCommand()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        const QString gob = dir.filePath(QStringLiteral("two.gob"));
        QVERIFY(WriteArchive(P(gob), {{"alpha", Bytes("A")}, {"beta", Bytes("B")}}));
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        QVERIFY(dlg.OpenArchiveFile(gob));
        dlg.SelectRows({QStringLiteral("alpha"), QStringLiteral("beta")});
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        dlg.SaveSelectedAs();  // no answer: cancelled
        QDir::setCurrent(cwd);
        QCOMPARE(s.saveRequests.size(), std::size_t{1});
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("beta"))));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("alpha"))));
        // A name without an extension offers all files.
        QCOMPARE(s.saveRequests[0].filter, QStringLiteral("All Files (*)|*||"));
    }

    void saveAsBitmapUsesTheFirstColormap()
    {
        Resources res;
        Script s;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        QVERIFY(dlg.OpenArchiveFile(res.archive));
        QVERIFY(dlg.SelectItem(QStringLiteral("3do\\mat\\wood.mat")));
        dlg.SelectRows({QStringLiteral("wood.mat"), QStringLiteral("metal.mat")});
        QTemporaryDir out;
        s.saveAnswers.push_back(Answer({out.filePath(QStringLiteral("wood.mat"))}, 1));
        dlg.SaveSelectedAs();
        QCOMPARE(s.saveRequests[0].filter, QStringLiteral("MAT Files (*.mat)|*.mat|BMP Files (*.bmp)|*.bmp||"));
        QVERIFY2(s.messages.isEmpty(), qPrintable(s.messages.join('\n')));
        // 01redmap.cmp comes first in the catalogue: the sample palette, not dflt's grey.
        const Palette first = SamplePalette();
        for (const char* name : {"wood", "metal"}) {
            MaterialImage image;
            QCOMPARE(ConvertMatFirstCel(res.Entry(std::string("3do\\mat\\") + name + ".mat"), first, image), MatStatus::Ok);
            QCOMPARE(ReadAll(out.filePath(QString::fromLatin1(name) + ".bmp")), WriteBmp(image));
            QVERIFY(!QFileInfo::exists(out.filePath(QString::fromLatin1(name) + ".mat")));
        }
    }

    void saveAsBitmapWithoutColormapIsRefused()
    {
        Resources res(false);
        Script s;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        QVERIFY(dlg.OpenArchiveFile(res.archive));
        QVERIFY(dlg.SelectItem(QStringLiteral("3do\\mat\\wood.mat")));
        dlg.SelectRows({QStringLiteral("wood.mat")});
        QTemporaryDir out;
        s.saveAnswers.push_back(Answer({out.filePath(QStringLiteral("wood.bmp"))}, 1));
        dlg.SaveSelectedAs();
        QCOMPARE(s.messages.size(), 1);
        QVERIFY(s.messages[0].contains(QStringLiteral("no colormap")));
        QVERIFY(QDir(out.path()).entryList(QDir::Files).isEmpty());
    }

    void duplicateQuestionOnlyWithWarning()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        const QString gob = MakeNew(dlg, s, dir);
        const QString door = dir.filePath(QStringLiteral("door.cog"));
        QVERIFY(WriteAll(door, Bytes("one")));
        QVERIFY(dlg.AddFile(door));
        QVERIFY(s.questions.isEmpty());

        // Warning on, answer No: the existing item stays and the file is added beside it.
        QVERIFY(WriteAll(door, Bytes("two")));
        s.yesNo.push_back(false);
        QVERIFY(dlg.AddFile(door));
        QCOMPARE(s.questions.size(), 1);
        QCOMPARE(s.questions[0],
                 QStringLiteral("The item \"cog\\door.cog\" already exist. Do you want to overwrite the existing item?"));
        QCOMPARE(Dir(gob).records.size(), std::size_t{2});

        // Warning on, answer Yes: replaced.
        const QString other = dir.filePath(QStringLiteral("gate.cog"));
        QVERIFY(WriteAll(other, Bytes("gate")));
        QVERIFY(dlg.AddFile(other));
        QVERIFY(WriteAll(other, Bytes("gate2")));
        s.yesNo.push_back(true);
        QVERIFY(dlg.AddFile(other));
        QCOMPARE(s.questions.size(), 2);
        QCOMPARE(Item(gob, "cog\\gate.cog"), Bytes("gate2"));
        QCOMPARE(Dir(gob).records.size(), std::size_t{3});

        // Warning off: replaced without a question.
        res.settings.warning = 0;
        QVERIFY(WriteAll(other, Bytes("gate3")));
        QVERIFY(dlg.AddFile(other));
        QCOMPARE(s.questions.size(), 2);
        QCOMPARE(Item(gob, "cog\\gate.cog"), Bytes("gate3"));
        QCOMPARE(Dir(gob).records.size(), std::size_t{3});
    }

    void filesDroppedOnTheTreeAreAdded()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        dlg.show();
        const QString gob = MakeNew(dlg, s, dir);
        const QString a = dir.filePath(QStringLiteral("ky.pup"));
        const QString b = dir.filePath(QStringLiteral("readme.txt"));
        QVERIFY(WriteAll(a, Bytes("pup")));
        QVERIFY(WriteAll(b, Bytes("read me")));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
        const QPoint at = dlg.Tree()->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dlg.Tree()->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dlg.Tree()->viewport(), &drop);
        QVERIFY(drop.isAccepted());
        QTRY_COMPARE(Dir(gob).records.size(), std::size_t{2});
        QCOMPARE(Item(gob, "misc\\pup\\ky.pup"), Bytes("pup"));
        QCOMPARE(Item(gob, "readme.txt"), Bytes("read me"));
        // The top-level item is listed by the root, though record 0 lies in a directory.
        QVERIFY(dlg.SelectNode(0));
        QCOMPARE(RowNames(dlg), QStringList{QStringLiteral("readme.txt")});
    }

    void dropsAreRefusedWithoutAnArchive()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        dlg.show();
        const QString a = dir.filePath(QStringLiteral("door.cog"));
        QVERIFY(WriteAll(a, Bytes("x")));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(a)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dlg.Tree()->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
    }

    void rowsDraggedOutBecomeFiles()
    {
        Resources res;
        Script s;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        QVERIFY(dlg.OpenArchiveFile(res.archive));
        QVERIFY(dlg.SelectItem(QStringLiteral("misc\\cmp\\dflt.cmp")));
        QList<qulonglong> positions;
        for (int i = 0; i < dlg.List()->topLevelItemCount(); ++i)
            positions << dlg.List()->topLevelItem(i)->data(0, Qt::UserRole).toULongLong();
        QCOMPARE(positions.size(), 2);
        std::unique_ptr<QMimeData> data(dlg.DragData(positions));
        QVERIFY(data);
        const QList<QUrl> urls = data->urls();
        QCOMPARE(urls.size(), 2);
        QCOMPARE(QFileInfo(urls[0].toLocalFile()).fileName(), QStringLiteral("01redmap.cmp"));
        QCOMPARE(QFileInfo(urls[1].toLocalFile()).fileName(), QStringLiteral("dflt.cmp"));
        QCOMPARE(ReadAll(urls[1].toLocalFile()), GreyColormap());
        QCOMPARE(ReadAll(urls[0].toLocalFile()), MakeSampleColormap());
    }

    void treeFollowsTheRunsOfRecords()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        const QString gob = dir.filePath(QStringLiteral("runs.gob"));
        QVERIFY(WriteArchive(P(gob), {{"3do\\a.3do", Bytes("1")},
                                      {"3do\\mat\\a.mat", Bytes("2")},
                                      {"3do\\mat\\b.mat", Bytes("3")},
                                      {"3do\\key\\a.key", Bytes("4")},
                                      {"cog\\x.cog", Bytes("5")},
                                      {"top.txt", Bytes("6")}}));
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        QVERIFY(dlg.OpenArchiveFile(gob));
        auto* root = dlg.Tree()->topLevelItem(0);
        QCOMPARE(dlg.Tree()->topLevelItemCount(), 1);
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
        QCOMPARE(dlg.ListedNode(), 0);
        QCOMPARE(RowNames(dlg), QStringList{QStringLiteral("top.txt")});
        dlg.Tree()->setCurrentItem(root->child(0)->child(0));
        QCOMPARE(RowNames(dlg), (QStringList{"a.mat", "b.mat"}));
        QCOMPARE(dlg.List()->topLevelItem(1)->text(1), QString::number(16 + 6 * 136 + 2));
        // The nodes own entries: the first record's name, its position, the depth.
        const auto& mat = dlg.Nodes()[static_cast<std::size_t>(NodeLabelled(dlg, "mat"))].entry;
        QCOMPARE(mat.name, std::string("3do\\mat\\a.mat"));
        QCOMPARE(mat.offset, 16u + 136u);
        QCOMPARE(mat.size, 2u);
        // Materials get thumbnails through the colormap.
        dlg.MakeAllThumbnails();
        QCOMPARE(dlg.PendingThumbnails(), 0);
    }

    void thumbnailsAndPreviewOfMaterials()
    {
        Resources res;
        Script s;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        QVERIFY(dlg.OpenArchiveFile(res.archive));
        QVERIFY(dlg.SelectItem(QStringLiteral("3do\\mat\\dflt.mat")));
        QVERIFY(dlg.PendingThumbnails() > 0);
        dlg.MakeAllThumbnails();
        for (int i = 0; i < dlg.List()->topLevelItemCount(); ++i)
            QVERIFY2(!dlg.List()->topLevelItem(i)->icon(0).isNull(), qPrintable(dlg.List()->topLevelItem(i)->text(0)));
        // The current row's material is previewed, first row at the top.
        QTreeWidgetItem* wood = dlg.List()->findItems(QStringLiteral("wood.mat"), Qt::MatchExactly).value(0);
        QVERIFY(wood);
        dlg.List()->setCurrentItem(wood);
        MaterialImage image;
        QCOMPARE(ConvertMatFirstCel(res.Entry("3do\\mat\\wood.mat"), SamplePalette(), image), MatStatus::Ok);
        QCOMPARE(dlg.Preview()->Image().size(), QSize(image.width, image.height));
        QCOMPARE(dlg.Preview()->Image().pixel(0, 0), CelImage(image).pixel(0, 0));
        // A row of another type shows nothing.
        QVERIFY(dlg.SelectItem(QStringLiteral("misc\\cmp\\dflt.cmp")));
        dlg.List()->setCurrentItem(dlg.List()->topLevelItem(0));
        QVERIFY(dlg.Preview()->Image().isNull());
    }

    void failedRewriteIsReportedAndChangesNothing()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        const QString gob = dir.filePath(QStringLiteral("damaged.gob"));
        QVERIFY(WriteArchive(P(gob), {{"cog\\a.cog", Bytes("AAAA")}}));
        // The item's size now reaches past the end of the file.
        std::vector<uint8_t> bytes = ReadAll(gob);
        bytes[16 + 4] = 200;
        QVERIFY(WriteAll(gob, bytes));
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        QVERIFY(dlg.OpenArchiveFile(gob));
        QCOMPARE(s.messages.size(), 1);  // the damage is named when opening
        const QString door = dir.filePath(QStringLiteral("door.cog"));
        QVERIFY(WriteAll(door, Bytes("x")));
        QVERIFY(!dlg.AddFile(door));
        QCOMPARE(s.messages.size(), 2);
        QVERIFY(s.messages[1].contains(QStringLiteral("unchanged")));
        QCOMPARE(ReadAll(gob), bytes);
        // A file that cannot be read is reported as well.
        QVERIFY(!dlg.AddFile(dir.filePath(QStringLiteral("missing.cog"))));
        QCOMPARE(s.messages.size(), 3);
        QCOMPARE(ReadAll(gob), bytes);
    }

    void cancelledRewriteLeavesTheArchive()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        const QString gob = dir.filePath(QStringLiteral("big.gob"));
        // Large enough to be copied in several chunks.
        QVERIFY(WriteArchive(P(gob), {{"big.dat", std::vector<uint8_t>(3u << 20, 7)}}));
        const auto before = ReadAll(gob);
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        QVERIFY(dlg.OpenArchiveFile(gob));
        const QString door = dir.filePath(QStringLiteral("door.cog"));
        QVERIFY(WriteAll(door, Bytes("x")));
        s.progressAnswer = [](uint64_t done, uint64_t) { return done < (1u << 20); };
        QVERIFY(!dlg.AddFile(door));
        QVERIFY(s.progressCalls >= 2);
        QVERIFY(s.messages.isEmpty());  // a cancel is no failure
        QCOMPARE(ReadAll(gob), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);  // no temporary file left
        // Not cancelled, it goes through.
        s.progressAnswer = nullptr;
        QVERIFY(dlg.AddFile(door));
        QCOMPARE(Dir(gob).records.size(), std::size_t{2});
    }

    void progressDialogShowsAndCancels()
    {
        QWidget parent;
        parent.show();
        ArchiveProgress progress = MakeProgressDialogCallback(&parent, QStringLiteral("Adding"), 0);
        QVERIFY(progress(0, 100));
        auto* shown = parent.findChild<QProgressDialog*>();
        QVERIFY(shown);
        QVERIFY(shown->isVisible());
        QCOMPARE(shown->labelText(), QStringLiteral("Adding"));
        QVERIFY(progress(50, 100));
        QCOMPARE(shown->value(), 500);
        shown->cancel();
        QVERIFY(!progress(60, 100));
        progress = nullptr;
        QVERIFY(!parent.findChild<QProgressDialog*>());
        // Short rewrites show nothing.
        ArchiveProgress quick = MakeProgressDialogCallback(&parent, QStringLiteral("Quick"), 60000);
        QVERIFY(quick(0, 10));
        QVERIFY(quick(10, 10));
        QVERIFY(!parent.findChild<QProgressDialog*>());
    }

    void openFilterAndFailures()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        const QString shortFile = dir.filePath(QStringLiteral("short.gob"));
        QVERIFY(WriteAll(shortFile, Bytes("GOB")));
        s.openAnswers.push_back(Answer({shortFile}));
        dlg.Button(CFileManagerDlg::Open)->click();
        QCOMPARE(s.openRequests[0].filter, QStringLiteral("GOB/GOO Files (*.gob, *goo)|*.gob;*.goo||"));
        QCOMPARE(s.messages.size(), 1);
        QVERIFY(dlg.ArchivePath().isEmpty());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("File Manager"));
    }

    void resizingLaysTheControlsOut()
    {
        Resources res;
        Script s;
        CFileManagerDlg dlg(res.services, nullptr, s.Make());
        QVERIFY(dlg.OpenArchiveFile(res.archive));
        dlg.resize(600, 400);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const int small = dlg.List()->width();
        dlg.resize(1000, 700);
        QTRY_VERIFY(dlg.List()->width() > small);
        QVERIFY(dlg.List()->geometry().bottom() > 500);
        QVERIFY(dlg.Button(CFileManagerDlg::Help)->geometry().right() > 900);
    }

    void standardSaveDialogFollowsTheChosenType()
    {
        QTemporaryDir dir;
        Prompts p = StandardPrompts();
        QStringList shownFilters;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!d)
                return;
            shownFilters = d->nameFilters();
            // The type chosen as a user does, in the dialog's type box.
            auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            if (!types)
                return;
            QTest::keyClick(types, Qt::Key_Down);
            d->selectFile(QStringLiteral("New"));
            static_cast<QDialog*>(d)->accept();
        });
        FileRequest r;
        r.caption = QStringLiteral("New");
        r.filter = QStringLiteral("GOB Files (*.gob)|*.gob|GOO Files (*.goo)|*.goo||");
        r.fileName = QStringLiteral("New");
        r.directory = dir.path();
        r.defaultSuffix = QStringLiteral("GOB");
        const FileAnswer a = p.saveFile(nullptr, r);
        QCOMPARE(shownFilters, (QStringList{"GOB Files (*.gob)", "GOO Files (*.goo)"}));
        QCOMPARE(a.filterIndex, 1);
        QCOMPARE(a.files.size(), 1);
        QCOMPARE(QFileInfo(a.files[0]).fileName(), QStringLiteral("New.goo"));
        // Cancelled.
        QTimer::singleShot(0, [] {
            if (auto* d = QApplication::activeModalWidget())
                static_cast<QDialog*>(d)->reject();
        });
        QVERIFY(p.saveFile(nullptr, r).Cancelled());
    }

    void filtersInTheFileDialogsSyntax()
    {
        QCOMPARE(QtFileFilters(QStringLiteral("GOB Files (*.gob)|*.gob|GOO Files (*.goo)|*.goo||")),
                 (QStringList{"GOB Files (*.gob)", "GOO Files (*.goo)"}));
        QCOMPARE(QtFileFilters(QStringLiteral("GOB/GOO Files (*.gob, *goo)|*.gob;*.goo||")),
                 QStringList{"GOB/GOO Files (*.gob *.goo)"});
        QCOMPARE(QtFileFilters(QLatin1String(kAll17)).size(), 17);
        QCOMPARE(QtFileFilters(QLatin1String(kAll17))[8], QStringLiteral("AI Files (*.ai*)"));
        QCOMPARE(CompleteSuffix(QStringLiteral("/t/New"), QStringLiteral("GOB Files (*.gob)|*.gob|GOO Files (*.goo)|*.goo||"), 1,
                                QStringLiteral("GOB")),
                 QStringLiteral("/t/New.goo"));
        QCOMPARE(CompleteSuffix(QStringLiteral("/t/x.dat"), QStringLiteral("BMP Files (*.bmp)|*.bmp||"), 0, QStringLiteral("BMP")),
                 QStringLiteral("/t/x.dat"));
        QCOMPARE(CompleteSuffix(QStringLiteral("/t/x"), QStringLiteral("All Files (*)|*||"), 0, QStringLiteral("MAT")),
                 QStringLiteral("/t/x.mat"));
    }
};

QTEST_MAIN(FileManagerDlgTest)
#include "filemanager_dlg_test.moc"
