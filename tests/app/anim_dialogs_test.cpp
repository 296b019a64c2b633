#include <QtTest>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "anim/playback.h"
#include "app/anim_dialogs.h"
#include "dialog_fixture.h"
#include "formats/keyfile.h"
#include "formats/puppet.h"
#include "formats/samplemodel.h"
#include "model/fileio.h"
#include "model/pose.h"

using namespace orv;
using namespace dlgtest;

namespace {

// The sample walker opened from a folder of its own, its puppet file and keyframes beside
// it; the small dialogs a dialog opens are answered from the script's queue.
struct Anim {
    Resources res;
    QTemporaryDir dir;
    CDocument doc{res.services};
    Script s;

    Anim()
    {
        for (const SampleFile& f : MakeSampleModelFiles())
            WriteAll(dir.filePath(QString::fromStdString(f.fileName)), Bytes(f.text));
        const Status opened = doc.Doc().OpenDocument(dir.filePath(u"walker.3do"_s).toStdString());
        if (!opened)
            qFatal("%s", opened.error().c_str());
    }
    CModel& M() { return doc.Model(); }
    std::filesystem::path File(const char* name) { return P(dir.filePath(QLatin1String(name))); }
};

template <class T>
T* Child(QObject& parent, const char* id)
{
    T* c = parent.findChild<T*>(QLatin1String(id));
    if (!c)
        qFatal("no control %s", id);
    return c;
}

}  // namespace

class AnimDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void sequenceDialogEditsACopyUntilOk()
    {
        Anim t;
        QString shown;  // sub-mode 0 chosen, the mode again, then the sub-mode added and chosen
        {
            CAnimSequenceDlg dlg(t.doc, t.s.Make());
            auto* tree = Child<QTreeWidget>(dlg, "1020");
            shown = apptest::Shown(dlg);

            // "&Add" on the mode: the sub-mode dialog with its names, descriptions and ranges.
            emit tree->itemClicked(tree->topLevelItem(0)->child(0), 0);
            shown += apptest::Shown(dlg);
            t.s.dialogs.push_back([&t](QDialog& d) {
                auto* name = Child<QComboBox>(d, "1034");
                auto* flags = Child<QLineEdit>(d, "1023");
                if (name->count() != 34 || Child<QLineEdit>(d, "1035")->text() != QLatin1String("walker"))
                    return 0;
                name->setCurrentIndex(9);
                emit name->activated(9);
                flags->setText(u"0x100"_s);
                if (apptest::ClickOk(d) || flags->text() != QLatin1String("0xFF"))
                    return 0;
                flags->setText(u"64"_s);
                Child<QLineEdit>(d, "1035")->setText(u"wkfire"_s);
                return apptest::ClickOk(d);
            });
            Child<QPushButton>(dlg, "7")->click();
            QCOMPARE(t.s.messages, QStringList{u"Enter a value between 0x0 and 0xff\n"_s});
            shown += apptest::Shown(dlg);
            dlg.reject();
        }
        QCOMPARE(t.M().puppetModes[0].items.size(), std::size_t{2});  // "&Cancel" gave it back
        QVERIFY(!t.doc.Doc().history.CanUndo());

        CAnimSequenceDlg dlg(t.doc, t.s.Make());
        auto* list = Child<QTreeWidget>(dlg, "1022");
        list->setCurrentItem(list->topLevelItem(0));
        Child<QPushButton>(dlg, "9")->click();
        QCOMPARE(list->topLevelItemCount(), 1);
        list->setCurrentItem(list->topLevelItem(0));
        Child<QPushButton>(dlg, "1")->click();
        QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(t.M().puppetModes[0].items.size(), std::size_t{1});
        QVERIFY(t.M().keyframe && t.M().keyframe->name == "wkwalk.key");
        apptest::CompareRecorded(u"sequence_walk_left.pup"_s,
                                 QString::fromUtf8(apptest::Read(t.dir.filePath(u"walker.pup"_s))));

        t.res.catalog.keyframes.Add(std::make_unique<CTreeObject>("3do\\key\\wkwalk.key", 0, 0));
        CAnimSequenceDlg stock(t.doc, t.s.Make());
        // Last, the stock sub-mode: neither deleted nor edited.
        apptest::CompareRecorded(u"sequence_dialog_shown.txt"_s, shown + apptest::Shown(stock));
    }

    // Modes are offered, added and refused by their numbers, which differ from their
    // places once the puppet skips one: here modes 0 and 2 (the rules are the core's).
    void sequenceDialogGoesByModeNumbers()
    {
        Anim t;
        CPuppetMode two;
        two.mode = 2;
        two.basedOn = 0;
        two.comment = "# armed";
        t.M().puppetModes.push_back(std::move(two));
        CAnimSequenceDlg dlg(t.doc, t.s.Make());
        auto* tree = Child<QTreeWidget>(dlg, "1020");
        auto root = [tree] { return tree->topLevelItem(0); };  // every change fills the tree anew
        // The free number 1, based on the last mode listed unless another is chosen.
        QStringList offered;
        for (int choose : {-1, 0}) {
            offered.clear();
            tree->setCurrentItem(root());
            t.s.dialogs.push_back([&offered, choose](QDialog& d) {
                auto* based = Child<QComboBox>(d, "1012");
                for (int i = 0; i < based->count(); ++i)
                    offered << based->itemText(i);
                if (choose >= 0)
                    based->setCurrentIndex(choose);
                return apptest::ClickOk(d);
            });
            Child<QPushButton>(dlg, "7")->click();
        }
        QCOMPARE(offered, (QStringList{"Mode 0", "Mode 2", "Mode 1"}));
        QCOMPARE(root()->child(2)->text(0), u"1 - # mode 1"_s);
        tree->setCurrentItem(root()->child(1));
        Child<QPushButton>(dlg, "9")->click();
        QCOMPARE(t.s.messages, QStringList{u"Cannot delete puppet mode, since mode 1 is based on this mode."_s});

        tree->setCurrentItem(root()->child(0));
        auto* list = Child<QTreeWidget>(dlg, "1022");
        list->setCurrentItem(list->topLevelItem(0));
        Child<QPushButton>(dlg, "1")->click();
        // Modes 0 and 2, then 1 based on 2 and 3 based on 0 (the file written: the test above).
        apptest::CompareRecorded(u"sequence_by_mode_numbers.pup"_s,
                                 QString::fromStdString(FormatPup(t.M(), "walker.pup")));
    }

    void sequenceDialogAsksBeforeReplacingAPartReadPuppet()
    {
        Anim t;
        const auto pup = t.File("walker.pup");
        auto bytes = ReadWholeFile(pup).value_or(std::vector<uint8_t>{});
        QVERIFY(bytes.size() > 2);
        bytes.resize(bytes.size() - 2);  // the last sub-mode line loses its line end
        QVERIFY(WriteFileAtomic(pup, std::string(bytes.begin(), bytes.end())).ok());
        QVERIFY(t.doc.Doc().OpenDocument(t.File("walker.3do").string()).ok());

        t.s.yesNo = {false, true};
        CAnimSequenceDlg refused(t.doc, t.s.Make());
        Child<QPushButton>(refused, "1")->click();
        QVERIFY(refused.result() != QDialog::Accepted);
        QCOMPARE(ReadWholeFile(pup).value_or(std::vector<uint8_t>{}), bytes);

        CAnimSequenceDlg agreed(t.doc, t.s.Make());
        Child<QPushButton>(agreed, "1")->click();
        QCOMPARE(agreed.result(), static_cast<int>(QDialog::Accepted));
        // The question at each OK, no other word; the one sub-mode read written.
        apptest::CompareRecorded(u"sequence_part_read_asked.txt"_s,
                                 (t.s.questions + t.s.messages).join(QLatin1Char('\n')));
        apptest::CompareRecorded(u"sequence_part_read_written.pup"_s,
                                 QString::fromUtf8(apptest::Read(t.dir.filePath(u"walker.pup"_s))));
    }

    void framesDialogEditsEntriesAndSavesOnOk()
    {
        Anim t;
        t.M().currentMode = 0;
        t.M().currentSubMode = 1;
        QVERIFY(t.doc.Doc().LoadCurrentKeyframe());
        CAnimFramesDlg dlg(t.doc, t.s.Make());
        auto* tree = Child<QTreeWidget>(dlg, "1025");
        auto* list = Child<QTreeWidget>(dlg, "1026");
        tree->setCurrentItem(tree->topLevelItem(0)->child(1));
        list->setCurrentItem(list->topLevelItem(1));
        // The Yaw field edits the yaw (held third), not the roll.
        t.s.dialogs.push_back([](QDialog& d) {
            Child<QLineEdit>(d, "1048")->setText(u"12.5"_s);
            return apptest::ClickOk(d);
        });
        Child<QPushButton>(dlg, "10")->click();
        // Node 1's entries, the second one's yaw edited.
        apptest::CompareRecorded(u"frames_dialog_yaw_edited.txt"_s, apptest::Shown(dlg));
        QCOMPARE(t.M().keyframe->nodes[1].entries[1].rotation.z, 0.0f);  // not before "&OK"
        Child<QPushButton>(dlg, "1")->click();
        QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));
        CModel m;
        auto file = LoadKeyFile(t.File("wkwalk.key"), m);
        QVERIFY(file.ok());
        QCOMPARE(file->keyframe.nodes[1].entries[1].rotation.z, 12.5f);

        // Posed by the dialog itself (animate mode), the views draw the nodes in the new pose.
        QVERIFY(RestoreAnimationAt(t.M(), 3));
        t.doc.UpdateAllViews();
        CModel placed = t.M();
        PlaceNodes(placed);
        QVERIFY(placed.nodeMatrices == t.M().nodeMatrices);
    }

    void hierarchyDialogShowsTheTreeAndApplies()
    {
        Anim t;
        // The left arm moved under the head: a node with a child and a sibling both.
        t.M().nodes[1].child = 4;
        t.M().nodes[3].sibling = 5;
        t.M().nodes[4].sibling = -1;
        t.M().RebuildHierarchy();
        CHierarchyDlg dlg(t.doc, t.s.Make());
        auto* tree = Child<QTreeWidget>(dlg, "5102");
        QCOMPARE(apptest::Outline(tree),
                 u"Hierarchy Nodes(0 - torso(1 - head(4 - larm), 2 - lthigh, 3 - rthigh, 5 - rarm))"_s);
        tree->setCurrentItem(tree->topLevelItem(0)->child(0)->child(1));
        QCOMPARE(Child<QLineEdit>(dlg, "2113")->text(), u"2"_s);
        auto* apply = Child<QPushButton>(dlg, "4001");
        QVERIFY(!apply->isEnabled());

        apptest::Type(Child<QLineEdit>(dlg, "2114"), u"0x10000"_s);
        apply->click();  // (a disabled button takes no click)
        QCOMPARE(t.s.messages.size(), 1);
        QCOMPARE(Child<QLineEdit>(dlg, "2114")->text(), u"0xFFFF"_s);
        QCOMPARE(t.M().nodes[2].flags, 0u);

        apptest::Type(Child<QLineEdit>(dlg, "2114"), u"0x1"_s);
        apptest::Type(Child<QLineEdit>(dlg, "2119"), u"30"_s);  // Yaw
        apply->click();
        QVERIFY(!apply->isEnabled());
        QCOMPARE(t.M().nodes[2].flags, 1u);
        QCOMPARE(t.M().nodes[2].rotation.z, 30.0f);  // held as (pitch, roll, yaw)
        QCOMPARE(t.doc.Doc().history.UndoList().size(), std::size_t{1});
    }
};

QTEST_MAIN(AnimDialogsTest)
#include "anim_dialogs_test.moc"
