#include <QtTest>

#include <QLineEdit>
#include <QTreeWidget>

#include "app/anim_dialogs.h"
#include "dialog_fixture.h"
#include "formats/samplemodel.h"

using namespace orv;
using namespace dlgtest;

namespace {

// The tree below item as text: "label(child child)".
QString Shape(const QTreeWidgetItem* item)
{
    QString s = item->text(0);
    if (item->childCount() == 0)
        return s;
    QStringList children;
    for (int i = 0; i < item->childCount(); ++i)
        children << Shape(item->child(i));
    return s + QLatin1Char('(') + children.join(QLatin1Char(' ')) + QLatin1Char(')');
}

}  // namespace

class HierarchyDlgTest : public QObject {
    Q_OBJECT
private slots:
    // The walker's six nodes relinked so that two have a child and a sibling both, and
    // the sibling chain under node 0 runs against the node numbers: 0 > {3 > 5, 2 > 4, 1}.
    // Every node hangs under its parent in the order of the chain, and each item opens
    // the node it names.
    void aNodeWithAChildAndASiblingHangsBoth()
    {
        Resources res;
        QTemporaryDir dir;
        for (const SampleFile& f : MakeSampleModelFiles())
            QVERIFY(WriteAll(dir.filePath(QString::fromStdString(f.fileName)), Bytes(f.text)));
        CDocument doc(res.services);
        const Status opened = doc.Doc().OpenDocument(dir.filePath(QStringLiteral("walker.3do")).toStdString());
        QVERIFY2(opened.ok(), opened ? "" : opened.error().c_str());
        CModel& m = doc.Model();
        QCOMPARE(m.nodes.size(), std::size_t{6});
        const int32_t links[6][2] = {{3, -1}, {-1, -1}, {4, 1}, {5, 2}, {-1, -1}, {-1, -1}};  // child, sibling
        for (std::size_t i = 0; i < 6; ++i) {
            m.nodes[i]->name = "n" + std::to_string(i);
            m.nodes[i]->child = links[i][0];
            m.nodes[i]->sibling = links[i][1];
        }
        m.RebuildHierarchy();

        CHierarchyDlg dlg(doc, {});
        auto* tree = dlg.findChild<QTreeWidget*>(QStringLiteral("5102"));
        QVERIFY(tree);
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(Shape(tree->topLevelItem(0)),
                 QStringLiteral("Hierarchy Nodes(0 - n0(3 - n3(5 - n5) 2 - n2(4 - n4) 1 - n1))"));

        auto* index = dlg.findChild<QLineEdit*>(QStringLiteral("2113"));
        QVERIFY(index);
        const QTreeWidgetItem* n0 = tree->topLevelItem(0)->child(0);
        for (auto [item, node] :
             {std::pair{n0->child(0)->child(0), "5"}, {n0->child(1)->child(0), "4"}, {n0->child(2), "1"}}) {
            tree->setCurrentItem(const_cast<QTreeWidgetItem*>(item));
            QCOMPARE(index->text(), QString::fromLatin1(node));
        }
    }
};

QTEST_MAIN(HierarchyDlgTest)
#include "hierarchy_dlg_test.moc"
