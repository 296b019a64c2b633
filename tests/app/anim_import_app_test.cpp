#include <QtTest>

#include <QDir>
#include <QFile>
#include <QStatusBar>

#include "app/app.h"
#include "app/childframe.h"
#include "app/mainframe.h"
#include "app_harness.h"
#include "commands/command_ids.h"
#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "interchange/interchange.h"

using namespace orv;
using apptest::Harness;
using apptest::kSampleDir;

class AnimImportAppTest : public QObject {
    Q_OBJECT
private slots:
    void animatedFileBecomesThePlayingKeyframeOfTheOpenModel()
    {
        Harness h;
        const QDir dir(h.dir.path());
        for (const char* name : {"walker.3do", "walker.pup", "wkstand.key", "wkwalk.key"})
            QVERIFY(QFile::copy(kSampleDir + "/" + name, dir.filePath(QString::fromLatin1(name))));
        // The walk for another tool, as a modder would bring it back.
        {
            CModel walker;
            QVERIFY(Load3doFile(dir.filePath("walker.3do").toStdString(), walker).ok());
            auto key = LoadKeyFile(dir.filePath("wkwalk.key").toStdString(), walker);
            QVERIFY(key.ok());
            ExportOptions out;
            out.keyframe = &key->keyframe;
            QVERIFY(ExportModel(walker, dir.filePath("Moves.glb").toStdString(), out).ok());
        }
        CChildFrame* frame = h.app->OpenFile(dir.filePath("walker.3do"));
        QVERIFY(frame);
        COrvaneDoc& doc = frame->Document()->Doc();
        QCOMPARE(QString::fromStdString(doc.model->keyframe->name), u"wkstand.key"_s);
        const int windows = static_cast<int>(h.app->Frame()->Children().size());

        h.nextOpenPath = dir.filePath("Moves.glb");
        h.answers = {QMessageBox::Yes, QMessageBox::Ok};
        h.app->Frame()->Action(cmd::FileImport)->trigger();
        QCOMPARE(static_cast<int>(h.app->Frame()->Children().size()), windows);
        QCOMPARE(h.messages.size(), 2);
        QVERIFY2(h.messages[0].startsWith(u"Moves.glb holds the animation"_s), qPrintable(h.messages[0]));
        QVERIFY2(h.messages[1].startsWith(u"walker.3do now plays moves.key: 16 frames"_s), qPrintable(h.messages[1]));
        QVERIFY(QFileInfo::exists(dir.filePath("moves.key")));
        QCOMPARE(QString::fromStdString(doc.model->keyframe->name), u"moves.key"_s);
        QCOMPARE(doc.model->frameCount, 16);
        QCOMPARE(h.app->Frame()->statusBar()->currentMessage(), u"Ready to play: moves.key"_s);
        h.app->Frame()->Action(cmd::EditUndo)->trigger();
        QCOMPARE(QString::fromStdString(doc.model->keyframe->name), u"wkstand.key"_s);
        QCOMPARE(h.app->Frame()->statusBar()->currentMessage(), u"Ready to play: mode 0, stand (wkstand.key)"_s);

        // No: a model after all (its scale question cancelled: nothing opens).
        h.messages.clear();
        h.answers = {QMessageBox::No};
        h.app->Frame()->Action(cmd::FileImport)->trigger();
        h.answers = {QMessageBox::Cancel};
        h.app->Frame()->Action(cmd::FileImport)->trigger();
        QCOMPARE(h.messages.size(), 2);
        QCOMPARE(static_cast<int>(h.app->Frame()->Children().size()), windows);
        QCOMPARE(QString::fromStdString(doc.model->keyframe->name), u"wkstand.key"_s);

        h.answers = {QMessageBox::Yes, QMessageBox::Ok};
        h.app->Frame()->Action(cmd::FileImport)->trigger();
        QVERIFY(QFileInfo::exists(dir.filePath("moves_2.key")));
        QCOMPARE(QString::fromStdString(doc.model->keyframe->name), u"moves_2.key"_s);
    }
};

QTEST_MAIN(AnimImportAppTest)
#include "anim_import_app_test.moc"
