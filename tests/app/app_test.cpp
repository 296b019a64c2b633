#include <QtTest>

#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "app/anim_dialogs.h"
#include "app/app.h"
#include "app/backup.h"
#include "app/checkmod_dlg.h"
#include "app/childframe.h"
#include "app/dialogs.h"
#include "app/edit_dialogs.h"
#include "app/field_names.h"
#include "app/filemanager_dlg.h"
#include "app/limits_dlg.h"
#include "app/mainframe.h"
#include "app/materials_dlg.h"
#include "app/options_dlg.h"
#include "app/orvaneview.h"
#include "app/panes.h"
#include "app_harness.h"
#include "commands/command_ids.h"
#include "commands/command_table.h"
#include "document/file_formats.h"
#include "edit/materials.h"
#include "edit/properties.h"
#include "edit/selection.h"
#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "interchange/interchange.h"
#include "model/fileio.h"
#include "resources/archive.h"

using namespace orv;
using apptest::Harness;
using apptest::kSampleDir;
using apptest::Read;
using apptest::Sample;
using apptest::Type;

namespace {

const QString kFixtures = QStringLiteral(ORVANE_SOURCE_DIR "/tests/fixtures");
const QString kImports = kFixtures + u"/import"_s;
constexpr int64_t kMinute = 60 * 1000;

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

}  // namespace

class AppTest : public QObject {
    Q_OBJECT
private slots:
    void startsWithANewDocumentAndOpensModels()
    {
        Harness h;
        QCOMPARE(h.app->Frame()->Children().size(), 1);
        QVERIFY(h.app->Frame()->windowTitle().startsWith(u"Orvane - Jedi Knight mode"_s));
        // Files that are no documents say where they are used.
        QVERIFY(h.app->Frame()->Execute(cmd::FileOpen));
        QVERIFY(h.openFilter == OpenFilters());
        QStringList archivesShown;  // the File Manager's archive each time it runs
        h.dialog = [&](QDialog& d) {
            if (auto* files = qobject_cast<CFileManagerDlg*>(&d))
                archivesShown.append(files->ArchivePath());
            return int(QDialog::Rejected);
        };
        for (const char* file : {"wkwalk.key", "bricks.mat", "dflt.cmp"})
            QCOMPARE(h.app->OpenFile(kSampleDir + QLatin1Char('/') + QLatin1String(file)), nullptr);
        apptest::CompareRecorded(u"other_kinds_said.txt"_s, h.messages.join(QLatin1Char('\n')));
        QCOMPARE(h.app->OpenFile(kSampleDir + u"/res2.gob"_s), nullptr);
        QCOMPARE(archivesShown, QStringList{QFileInfo(kSampleDir + u"/res2.gob"_s).absoluteFilePath()});
        h.messages.clear();

        // Without a document, each table row as its action shows it: id, menu text, keys and
        // where they act, then on or off and why. A key name Qt does not read would leave a
        // command without its key; a row left unbound would silently drop its item and button.
        CMainFrame* frame = h.app->Frame();
        QVERIFY(frame->Action(cmd::FileSave)->isEnabled());
        frame->MdiArea()->closeAllSubWindows();
        frame->UpdateCommandUI();
        const QMap<Qt::ShortcutContext, QString> acts = {{Qt::WidgetShortcut, u"view"_s},
                                                         {Qt::WidgetWithChildrenShortcut, u"window"_s},
                                                         {Qt::WindowShortcut, u"app"_s}};
        QStringList commands;
        for (const CommandRow& row : CommandTable()) {
            const QAction* a = frame->Action(row.id);
            const QString state = !frame->Available(row.id) ? u"unbound"_s : a->isEnabled() ? u"on"_s : u"off"_s;
            commands << u"%1 %2 [%3] %4: %5 %6"_s.arg(row.id)
                            .arg(a->text(), QKeySequence::listToString(a->shortcuts(), QKeySequence::PortableText),
                                 acts.value(a->shortcutContext()), state, frame->DisabledReason(row.id))
                            .trimmed();
        }
        apptest::CompareRecorded(u"commands_without_a_model.txt"_s, commands.join(QLatin1Char('\n')));
        QCOMPARE(h.app->OpenFile(kSampleDir + u"/walker.pup"_s), nullptr);

        QVERIFY(h.OpenWalker());
        QCOMPARE(h.app->RecentFiles().first(), QFileInfo(kSampleDir + u"/walker.3do"_s).absoluteFilePath());
        const QString sep = QDir::separator();
        QCOMPARE(RecentFileLabels({u"/m/a/x/walker.3do"_s, u"/m/b/x/walker.3do"_s, u"/m/ship.3do"_s}),
                 QStringList({u"..."_s + sep + "a" + sep + "x" + sep + "walker.3do",
                              u"..."_s + sep + "b" + sep + "x" + sep + "walker.3do", u"ship.3do"_s}));
        QCOMPARE(h.app->OpenFile(h.dir.filePath(u"gone.3do"_s)), nullptr);
        // Nothing on the puppet file without a model; why the missing file did not open.
        apptest::CompareRecorded(u"open_failed_said.txt"_s, h.messages.join(QLatin1Char('\n')), h.dir.path());
    }

    void editCommandsThroughTheWindow()
    {
        apptest::WalkerHarness h;
        CChildFrame* f = h.f;
        CMainFrame* frame = h.app->Frame();
        Selection* sel = f->CurrentSelection();
        apptest::Pick(f, 2, 1);
        auto faces = [&] { return f->Document()->Model().geosets[0].meshes[2].faces.size(); };
        const std::size_t before = faces();
        QString title;
        h.dialog = [&title](QDialog& d) {
            title = d.windowTitle();
            return int(QDialog::Accepted);
        };
        QVERIFY(frame->Execute(cmd::CreateCylinder));
        QCOMPARE(title, u"Create Cylinder"_s);
        QCOMPARE(faces(), before + 2 + 4);  // the default four sides
        frame->Action(cmd::EditUndo)->trigger();
        QCOMPARE(faces(), before);

        apptest::Pick(f, 2, 1);
        h.dialog = [](QDialog& d) {
            if (auto* scale = d.findChild<QDoubleSpinBox*>(u"247"_s))
                scale->setValue(2.0);
            return apptest::ClickOk(d);
        };
        QVERIFY(frame->Execute(cmd::TextureTool));
        const CFace& face = f->Document()->Model().geosets[0].meshes[2].faces[1];
        QCOMPARE(face.uScale, 2.0f);

        sel->currentFace = 1;
        QVERIFY(frame->Execute(cmd::EditCut));
        QCOMPARE(faces(), before - 1);
        frame->UpdateCommandUI();
        QVERIFY(!frame->Action(cmd::EditPaste)->isEnabled());  // no current face to paste onto
        sel->currentFace = 0;
        frame->UpdateCommandUI();
        QVERIFY(frame->Action(cmd::EditPaste)->isEnabled());

        // Another document's view has a clipboard of its own.
        CChildFrame* other = h.app->OpenFile(h.Copy(u"walker.3do"_s, u"second.3do"_s));
        QVERIFY(other && other != f);
        apptest::Pick(other, 2, 0);
        frame->UpdateCommandUI();
        QVERIFY(frame->Action(cmd::EditCut)->isEnabled());
        QVERIFY(!frame->Action(cmd::EditPaste)->isEnabled());

        // Extrude opens on "Into the mesh"; the way chosen is kept for the next opening.
        frame->MdiArea()->setActiveSubWindow(apptest::SubWindow(f));
        sel->currentFace = 0;
        bool openedOut = true;
        h.dialog = [&openedOut](QDialog& d) {
            auto* out = d.findChild<QRadioButton*>(u"out"_s);
            if (d.windowTitle() != u"Extrude Face"_s || !out)
                return 0;
            openedOut = out->isChecked();
            out->setChecked(true);
            return int(QDialog::Accepted);
        };
        const CFace& extruded = f->Document()->Model().geosets[0].meshes[2].faces[0];
        const Vec3 normal = extruded.normal, centre = extruded.Centroid();
        QVERIFY(frame->Execute(cmd::ExtrudeFace));
        QVERIFY(!openedOut);
        const CFace& moved = f->Document()->Model().geosets[0].meshes[2].faces[0];
        QVERIFY(Dot(moved.Centroid() - centre, normal) > 0.05f);  // pulled out along its normal
        sel->currentFace = 0;
        QVERIFY(frame->Execute(cmd::ExtrudeFace));
        QVERIFY(openedOut);
    }

    void viewCommandsFollowTheSelection()
    {
        apptest::WalkerHarness h;
        CChildFrame* f = h.f;
        CMainFrame* frame = h.app->Frame();
        f->CurrentSelection()->currentMesh = 0;
        frame->UpdateCommandUI();
        QVERIFY(frame->Action(cmd::RenderAll)->isChecked());
        QVERIFY(frame->Execute(cmd::MeshMode));
        QVERIFY(frame->Execute(cmd::MeshRendered));
        QCOMPARE(f->Document()->Doc().modes.renderMode, RenderMode::Mesh);
        QVERIFY(frame->Action(cmd::MeshRendered)->isChecked());
        // The view's letters act in the view only: the actions are the view's shortcuts.
        QVERIFY(f->View()->GlWidget()->actions().contains(frame->Action(cmd::MeshMode)));
        QSlider* light = f->View()->SectorLight();
        QVERIFY(light->parentWidget()->isHidden());
        QVERIFY(frame->Execute(cmd::GameView));
        QVERIFY(frame->Action(cmd::GameView)->isChecked() && !light->parentWidget()->isHidden());
        light->setValue(30);
        QCOMPARE(f->Document()->Doc().modes.gameAmbient, 0.3f);
        QVERIFY(frame->Execute(cmd::GameView));
        QVERIFY(light->parentWidget()->isHidden());
        // Shaded is the program's: every document redraws with it, not only the active one.
        QSignalSpy otherUpdated(h.app->NewDocument()->Document(), &CDocument::updated);
        f->View()->RunCommand(cmd::ShadedView);
        QCOMPARE(h.app->AppSettings().shaded, 1);
        QVERIFY(!otherUpdated.isEmpty());
    }

    // The view of a window that opens or comes to the front takes the keys at once.
    void theFrontWindowsViewTakesTheKeys()
    {
        Harness h;
        CMainFrame* frame = h.app->Frame();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        CChildFrame* first = h.OpenWalker();
        QVERIFY(first);
        auto viewHasFocus = [](CChildFrame* f) { return QApplication::focusWidget() == f->View()->GlWidget(); };
        QTRY_VERIFY(viewHasFocus(first));
        // A key of the view works without a click into it.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_W);
        QVERIFY(first->Document()->Doc().modes.enlarge);
        first->CurrentSelection()->currentMesh = 0;
        frame->UpdateCommandUI();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_M);
        QVERIFY(first->Document()->Doc().modes.meshMode);

        CChildFrame* second = h.app->OpenFile(h.Copy(u"walker.3do"_s, u"second.3do"_s));
        QVERIFY(second && second != first);
        QTRY_VERIFY(viewHasFocus(second));
        QVERIFY(!frame->Action(cmd::MeshMode)->isEnabled());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_W);
        QVERIFY(second->Document()->Doc().modes.enlarge);
        auto listed = [frame] {  // the Window menu is made again at each opening, not added to
            emit frame->WindowMenu()->aboutToShow();
            QStringList out;
            for (QAction* a : frame->WindowMenu()->actions())
                if (a->isCheckable())
                    out << a->text();
            return out;
        };
        QVERIFY(listed().last().startsWith(u"&3 second.3do"_s));
        QCOMPARE(listed().size(), frame->MdiArea()->subWindowList().size());

        // Brought back to the front the Window menu's way.
        using apptest::SubWindow;
        frame->MdiArea()->setActiveSubWindow(SubWindow(first));
        QTRY_VERIFY(viewHasFocus(first));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_M);
        QVERIFY(!first->Document()->Doc().modes.meshMode);
        QVERIFY(!second->Document()->Doc().modes.meshMode);

        // Activated again after its pane's field had the keyboard.
        frame->MdiArea()->tileSubWindows();
        second->Pane(0)->findChild<QComboBox*>(u"1008"_s)->setFocus();
        frame->MdiArea()->setActiveSubWindow(SubWindow(second));
        QTRY_VERIFY(viewHasFocus(second));

        frame->MdiArea()->setActiveSubWindow(SubWindow(first));
        QTRY_VERIFY(viewHasFocus(first));
        auto* radius = second->Pane(0)->findChild<QLineEdit*>(u"1009"_s);
        QTest::mouseClick(radius, Qt::LeftButton);
        QTRY_COMPARE(frame->ActiveChild(), second);
        QCOMPARE(QApplication::focusWidget(), radius);

        SubWindow(second)->close();
        QTRY_VERIFY(frame->ActiveChild() && frame->ActiveChild() != second);
        QTRY_VERIFY(viewHasFocus(frame->ActiveChild()));

        // F6 goes round the view and the panes with a field (none in the vertex pane here).
        frame->MdiArea()->setActiveSubWindow(SubWindow(first));
        QTRY_VERIFY(viewHasFocus(first));
        apptest::Pick(first, 2, 1);
        first->RefreshPanes();
        auto place = [first] {
            for (int i = 0; i < 4; ++i)
                if (first->Pane(i)->isAncestorOf(QApplication::focusWidget()))
                    return i;
            return QApplication::focusWidget() == first->View()->GlWidget() ? -1 : -2;
        };
        QList<int> round;  // five F6, then five Shift+F6
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, i < 5 ? Qt::NoModifier : Qt::ShiftModifier);
            round << place();
        }
        QCOMPARE(round, QList<int>({0, 1, 2, -1, 0, -1, 2, 1, 0, -1}));

        // A keypad key as X11 and Wayland deliver it: a plain key press, since the toolkit
        // matches shortcuts there without the keypad flag.
        frame->UpdateCommandUI();
        const float size = h.app->AppSettings().vertexScaling;
        QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier, u"+"_s);
        QApplication::sendEvent(first->View()->GlWidget(), &plus);
        QCOMPARE(h.app->AppSettings().vertexScaling, size + 0.00125f);

        // Undo and Redo keys work with the keyboard in a pane (a button after its dialog).
        auto faces = [first] { return first->Document()->Model().geosets[0].meshes[2].faces.size(); };
        const std::size_t before = faces();
        h.dialog = [](QDialog& d) { return int(d.windowTitle() == u"Extrude Face"_s); };
        QVERIFY(frame->Execute(cmd::ExtrudeFace));
        auto* material = first->Pane(2)->findChild<QPushButton*>(u"1050"_s);
        QVERIFY(material && material->isEnabled());
        QTest::mouseClick(material, Qt::LeftButton);  // the Materials dialog, cancelled
        QCOMPARE(QApplication::focusWidget(), material);
        QTest::keyClick(material, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(faces(), before);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(faces(), before + 4);
    }

    // Screen readers and automation reach a field by its label as its accessible name.
    void everyFieldHasAnAccessibleName()
    {
        apptest::WalkerHarness h;
        CChildFrame* f = h.f;
        auto unnamed = [](QWidget* root) {
            QStringList out;
            for (QWidget* w : root->findChildren<QWidget*>()) {
                const bool input =
                    qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w) ||
                    (qobject_cast<QAbstractButton*>(w) && qobject_cast<QAbstractButton*>(w)->text().isEmpty() &&
                     qobject_cast<QAbstractButton*>(w)->isCheckable());
                // The line edit inside a spin box or combo box is that field's own.
                const bool inner =
                    qobject_cast<QAbstractSpinBox*>(w->parentWidget()) || qobject_cast<QComboBox*>(w->parentWidget());
                if (input && !inner && w->accessibleName().isEmpty())
                    out << u"%1 %2 \"%3\""_s.arg(QString::fromLatin1(w->metaObject()->className()),
                                                 QString::fromLatin1(root->metaObject()->className()), w->objectName());
            }
            return out;
        };
        QStringList missing = unnamed(f);

        CDocument& doc = *f->Document();
        apptest::Pick(f, 2, 1);
        EditContext c = f->View()->Context();
        std::vector<std::unique_ptr<QDialog>> dialogs;
        dialogs.push_back(std::make_unique<CSelectProductDlg>(0, QString(), QString()));
        dialogs.push_back(std::make_unique<CImportDlg>(u"box.obj"_s, 1.0));
        dialogs.push_back(std::make_unique<CTextureDlg>(doc, c));
        dialogs.push_back(std::make_unique<CExtrudeDlg>(4, false));
        dialogs.push_back(std::make_unique<CPrimitiveDlg>(CPrimitiveDlg::Shape::Cylinder, u"dflt.mat"_s));
        dialogs.push_back(std::make_unique<CFileManagerDlg>(h.app->Services()));
        dialogs.push_back(std::make_unique<CMaterialsDlg>(doc, CMaterialsDlg::Mode::InModel));
        dialogs.push_back(std::make_unique<CSheetDlg>(h.app->AppSettings(), OptionsSources{}));
        dialogs.push_back(std::make_unique<CFaceFlagsDlg>(0u));
        dialogs.push_back(std::make_unique<CAddModeDlg>(false, u"# mode 1"_s, 0, std::vector<int32_t>{0}));
        dialogs.push_back(std::make_unique<CAddSubModeDlg>(false, SubModeFields{}));
        dialogs.push_back(std::make_unique<CAnimSequenceDlg>(doc, Prompts{}));
        dialogs.push_back(std::make_unique<CAddEntryDlg>(false, EntryFields{}));
        dialogs.push_back(std::make_unique<CAddNodeDlg>(doc.Model()));
        dialogs.push_back(std::make_unique<CHierarchyDlg>(doc, Prompts{}));
        CKeyframe key;
        dialogs.push_back(std::make_unique<CEditFrameDlg>(key));
        for (auto& d : dialogs) {
            d->show();
            missing << unnamed(d.get());
            d->hide();
        }
        QVERIFY2(missing.isEmpty(), qPrintable(u"fields without a name: "_s + missing.join(u"; "_s)));
    }

    // File dialogs start in the active model's folder (its puppet and keyframes lie there),
    // else in the folder chosen last, at a start in that of the file opened last.
    void fileDialogsStartInTheModelsFolder()
    {
        QTemporaryDir shared;
        const QString models = QDir(shared.path()).filePath(u"models"_s);
        {
            Harness h(&shared);
            QVERIFY(h.OpenWalker());
            CMainFrame* frame = h.app->Frame();
            h.dialog = [](QDialog& d) {
                if (auto* files = dynamic_cast<CFileManagerDlg*>(&d))
                    files->OpenArchive();
                if (auto* materials = dynamic_cast<CMaterialsDlg*>(&d))
                    materials->LoadMaterials();
                return int(QDialog::Rejected);
            };
            for (int id : {int(cmd::FileOpen), int(cmd::FileSaveAs), int(cmd::ManageFiles), int(cmd::Materials)})
                QVERIFY(frame->Execute(id));
            QCOMPARE(h.dialogFolders, QStringList(4, QFileInfo(kSampleDir).absoluteFilePath()));

            QVERIFY(apptest::Write(models + u"/ship.3do"_s, Sample(u"walker.3do"_s)));
            h.nextOpenPath = models + u"/ship.3do"_s;
            QVERIFY(frame->Execute(cmd::FileOpen));
            h.nextOpenPath.clear();
            h.app->NewDocument();
            h.dialogFolders.clear();
            QVERIFY(frame->Execute(cmd::FileSaveAs));
            QCOMPARE(h.dialogFolders, QStringList{models});
        }
        Harness again(&shared);
        QVERIFY(again.app->Frame()->Execute(cmd::FileOpen));
        QCOMPARE(again.dialogFolders, QStringList{models});
    }

    void productChoiceFindsAGameFolderSetByHand()
    {
        Harness h;
        // A game folder whose names differ in case from what the game's keys imply.
        QDir game(h.dir.filePath(u"Jedi Knight"_s));
        QVERIFY(apptest::Write(game.filePath(u"Resource/Res2.gob"_s), Sample(u"res2.gob"_s)));
        h.app->ApplyProductChoice(0, game.absolutePath(), QString());
        QVERIFY(!h.app->LastLocate().usingSample);
        QVERIFY(h.app->Services().catalog->puppets.Lookup("walker.pup") != nullptr);
        h.app->ApplyProductChoice(1, game.absolutePath(), QString());
        QVERIFY(h.app->LastLocate().usingSample);
        QVERIFY(h.app->Frame()->windowTitle().startsWith(u"Orvane - Mysteries of the Sith mode"_s));
        // Kept under the game's key and value names.
        h.app->Store().sync();
        const QByteArray text = Read(h.dir.filePath(u"Orvane.ini"_s));
        QVERIFY2(text.contains("JediKnight"), text.constData());
        QVERIFY(text.contains("Install%20Path"));
    }

    void panesWriteBack()
    {
        apptest::WalkerHarness h;
        CChildFrame* f = h.f;
        CModel& m = f->Document()->Model();
        Selection* sel = f->CurrentSelection();
        apptest::Pick(f, 2, 1);
        f->RefreshPanes();

        auto* faceFlags = f->Pane(2)->findChild<QLineEdit*>(u"1059"_s);
        QVERIFY(faceFlags && faceFlags->isEnabled());
        Type(faceFlags, u"12"_s);
        QCOMPARE(m.geosets[0].meshes[2].faces[1].type, 12u);
        QVERIFY(f->Document()->Doc().IsModified());
        QCOMPARE(faceFlags->text(), u"0x0C"_s);

        Type(f->Pane(1)->findChild<QLineEdit*>(u"1002"_s), u"leftleg"_s);
        QCOMPARE(m.geosets[0].meshes[2].name, std::string("leftleg"));

        // The vertex pane shows and takes the file's coordinates whatever the view's scale.
        m.modelMatrix = Matrix4::Scaling(2, 2, 2);
        sel->nodes = {NodeMarker{.mesh = 2, .face = 1, .vertex = 0}};
        sel->currentNode = 0;
        f->RefreshPanes();
        auto* vx = f->Pane(3)->findChild<QDoubleSpinBox*>(u"231"_s);
        QVERIFY(vx && vx->isEnabled());
        auto fileX = [&] {
            return VertexFieldsOf(m, 2, 1, 0, f->Document()->Doc().Environment().textureSize).value().filePosition.x;
        };
        QVERIFY(qAbs(vx->value() - static_cast<double>(fileX())) < 1e-6);
        vx->setValue(-0.08);
        emit vx->editingFinished();
        QCOMPARE(fileX(), -0.08f);
        QVERIFY(sel->currentNode >= 0);
        QCOMPARE(sel->nodes[static_cast<std::size_t>(sel->currentNode)].vertex, 0);

        sel->currentMesh = 2;
        m.geosets.push_back(CGeometry());
        f->RefreshPanes();
        auto* geo = f->Pane(0)->findChild<QComboBox*>(u"1008"_s);
        QCOMPARE(geo->count(), 2);
        geo->setCurrentIndex(1);
        emit geo->activated(1);
        QCOMPARE(std::tuple(m.currentGeoset, sel->currentMesh, sel->currentFace), std::tuple(1, -1, -1));
        QVERIFY(!f->Pane(1)->findChild<QLineEdit*>(u"1002"_s)->isEnabled());
    }

    // An imported model is a document without a name, so a save never writes over the file
    // read. The scale and up axis given are applied (a z-up post, 2 high along its z, stands
    // 2.5 times as high along y) and offered again the next time.
    void importAsksScaleAndUpAxisAndExportWrites()
    {
        Harness h;
        const QDir dir(h.dir.path());
        const QString post = kImports + u"/post_2m_zup.ply"_s;
        h.nextOpenPath = post;
        // Between the messages: what the import dialog offers, then the windows and the front
        // document after each import.
        h.dialog = [&](QDialog& d) {
            auto* scale = d.findChild<QDoubleSpinBox*>(u"scale"_s);
            auto* up = d.findChild<QComboBox*>(u"up"_s);
            if (!scale || !up)
                return int(QDialog::Rejected);
            NameFieldsByLabels(&d);
            h.messages
                << u"> offered: scale %1, %2 %3"_s.arg(scale->value()).arg(up->accessibleName(), up->currentText());
            scale->setValue(2.5);
            up->setCurrentIndex(up->findText(u"Z"_s));
            return int(QDialog::Accepted);
        };
        auto shown = [&] {
            const COrvaneDoc& doc = h.app->ActiveFrame()->Document()->Doc();
            h.messages << u"> %1 windows; the front one named \"%2\", modified: %3"_s
                              .arg(h.app->Frame()->Children().size())
                              .arg(QString::fromStdString(doc.PathName()), doc.IsModified() ? u"yes"_s : u"no"_s);
        };
        h.app->Frame()->Action(cmd::FileImport)->trigger();
        shown();
        float top = 0.0f;  // 2 along its z, 5 along y
        for (const auto& v : h.app->ActiveFrame()->Document()->Model().MeshAt(0)->vertices)
            top = std::max(top, v.y);
        QCOMPARE(top, 5.0f);

        h.nextSavePath = dir.filePath(u"out"_s);
        h.app->Frame()->Action(cmd::FileExport)->trigger();
        QVERIFY(QFileInfo::exists(dir.filePath(u"out.glb"_s)));

        // Opened by name (the command line, a dropped file), it is imported too.
        QVERIFY(h.app->OpenFile(post));
        shown();

        h.nextOpenPath = kImports + u"/cube.mtl"_s;
        h.app->Frame()->Action(cmd::FileImport)->trigger();
        shown();
        // The first import's note (the second has none), then the word on the file that is no model.
        apptest::CompareRecorded(u"import_said.txt"_s, h.messages.join(QLatin1Char('\n')), dir.path());
    }

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
        const COrvaneDoc& doc = frame->Document()->Doc();
        // After each step, between the messages: the windows, the keyframe that plays, the
        // status bar and the key files in the folder.
        auto shown = [&] {
            h.messages << u"> %1 windows; %2 (%3 frames) plays; status: %4; %5"_s.arg(h.app->Frame()->Children().size())
                              .arg(QString::fromStdString(doc.model->keyframe->name))
                              .arg(doc.model->frameCount)
                              .arg(h.app->Frame()->statusBar()->currentMessage(),
                                   dir.entryList({u"*.key"_s}).join(u' '));
        };
        shown();
        h.nextOpenPath = dir.filePath("Moves.glb");
        h.answers = {QMessageBox::Yes, QMessageBox::Ok};
        h.app->Frame()->Action(cmd::FileImport)->trigger();
        shown();
        h.app->Frame()->Action(cmd::EditUndo)->trigger();
        shown();

        // No: a model after all (its scale question cancelled: nothing opens).
        h.answers = {QMessageBox::No};
        h.app->Frame()->Action(cmd::FileImport)->trigger();
        h.answers = {QMessageBox::Cancel};
        h.app->Frame()->Action(cmd::FileImport)->trigger();
        shown();

        h.answers = {QMessageBox::Yes, QMessageBox::Ok};
        h.app->Frame()->Action(cmd::FileImport)->trigger();
        shown();
        // Each import's question, and what plays after each Yes.
        apptest::CompareRecorded(u"animation_import_said.txt"_s, h.messages.join(QLatin1Char('\n')), dir.path());
    }

    void aModelThatEndsEarlyOpensWithAWordAndIsSavedOverOnlyWhenTheUserAgrees()
    {
        Harness h;
        const QByteArray whole = Read(kSampleDir + u"/walker.3do"_s);
        const QString path = h.Copy(u"walker.3do"_s, u"ky.3do"_s, whole.indexOf("MESH 3"));
        const QByteArray cut = Read(path);
        CChildFrame* f = h.app->OpenFile(path);
        QVERIFY(f);
        f->Document()->SetModified(true);
        QVERIFY(!h.app->SaveDocument(f));
        QCOMPARE(Read(path), cut);
        QVERIFY(f->Document()->Doc().IsModified());
        h.answer = QMessageBox::Yes;
        QVERIFY(h.app->SaveDocument(f));
        QVERIFY(Read(path) != cut);
        // The word at the opening, then the question at each save.
        apptest::CompareRecorded(u"read_in_part_said.txt"_s, h.messages.join(QLatin1Char('\n')));
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
            apptest::Write(mine, "old");
            h.answers = answers;
            h.nextSavePath = h.dir.filePath(u"ship"_s);  // "3DO Files" gives it its extension
            h.nextSaveFilter = 2;
            const bool saved = h.app->SaveDocumentAs(f);
            h.messages << u"> saved: %1; ship.3do there: %2; mine.mat holds %3"_s.arg(
                saved ? u"yes"_s : u"no"_s, QFileInfo::exists(ship) ? u"yes"_s : u"no"_s,
                QString::fromLatin1(Read(mine)));
        };
        save({QMessageBox::Cancel});
        save({QMessageBox::No});
        save({QMessageBox::Yes, QMessageBox::Yes});
        const QString pup = h.Copy(u"walker.pup"_s, u"keep.pup"_s);
        h.nextSavePath = pup;
        QVERIFY(!h.app->SaveDocumentAs(f));
        // At each save whether to write the custom material, after the Yes whether to replace
        // mine.mat, then what the save did; then why the model cannot be saved as a puppet file.
        apptest::CompareRecorded(u"save_as_3do_asked.txt"_s, h.messages.join(QLatin1Char('\n')), h.dir.path());
    }

    void aFileWithoutPuppetModesChangesNothing()
    {
        apptest::WalkerHarness h;
        CChildFrame* f = h.f;
        CModel& m = f->Document()->Model();
        const QString random = h.Copy(u"bricks.mat"_s, u"random.pup"_s);
        QCOMPARE(h.app->OpenFile(random), f);
        QCOMPARE(m.puppetModes.size(), std::size_t{1});
        QVERIFY(!f->Document()->Doc().IsModified());

        const QString cut = h.Copy(u"walker.pup"_s, u"cut.pup"_s, Read(kSampleDir + u"/walker.pup"_s).size() - 3);
        QCOMPARE(h.app->OpenFile(cut), f);
        QCOMPARE(m.puppetModes[0].items.size(), std::size_t{2});
        h.answer = QMessageBox::Yes;
        h.app->OpenFile(cut);
        QCOMPARE(m.puppetModes[0].items.size(), std::size_t{1});
        QVERIFY(f->Document()->Doc().IsModified());
        // The word on the file without modes, then the question at each opening of the cut one.
        apptest::CompareRecorded(u"puppet_files_said.txt"_s, h.messages.join(QLatin1Char('\n')));
    }

    // Working with mods in the editor: their folders, the engine's limits, backups.
    void checkModListsTheModAroundTheModelAndOpensAFindingsFace()
    {
        Harness h;
        QTemporaryDir& dir = h.dir;
        QVERIFY(h.app->OpenFile(LayOutMod(dir, kFixtures + u"/3do/shapes_bent_concave.3do"_s, u"shapes.3do"_s,
                                          kFixtures + u"/mat/colour.mat"_s, u"spare.mat"_s)));
        QString listed;
        FindingPlace place;
        h.dialog = [&](QDialog& d) {
            auto* check = qobject_cast<CCheckModDlg*>(&d);
            if (!check)
                return 0;
            QTreeWidget* list = check->List();
            list->sortByColumn(1, Qt::AscendingOrder);
            listed = check->Summary()->text() + u'\n' + apptest::Shown(d);
            QTreeWidgetItem* bent = list->topLevelItem(2);  // the second warning: face 1
            place = check->FindingOf(bent)->place;
            emit list->itemDoubleClicked(bent, 0);
            return 0;
        };
        QVERIFY(h.app->Frame()->Execute(cmd::CheckMod));
        // The mod's root; the material found nowhere, two faces drawn other than meant, the
        // unused material.
        apptest::CompareRecorded(u"check_mod_shown.txt"_s, listed, dir.path());
        CChildFrame* shown = h.app->ActiveFrame();
        QVERIFY(shown && place.face >= 0);
        QCOMPARE(std::pair(shown->CurrentSelection()->currentMesh, shown->CurrentSelection()->currentFace),
                 std::pair(place.mesh, place.face));
    }

    void theMaterialsDialogAndExportFindAModsOwnMaterials()
    {
        Harness h;
        CChildFrame* f = h.app->OpenFile(LayOutMod(h.dir, kSampleDir + u"/walker.3do"_s, u"x.3do"_s,
                                                   kFixtures + u"/mat/rgb565_primaries.mat"_s, u"red16.mat"_s));
        QVERIFY(f);
        AddModelMaterialName(f->Document()->Model(), "RED16.MAT");
        CMaterialsDlg dlg(*f->Document(), CMaterialsDlg::Mode::InModel);
        QVERIFY(dlg.SelectName(u"red16.mat"_s));
        QVERIFY(dlg.Image() && dlg.Image()->TrueColor());

        // Export finds the materials the view draws; only floor.mat, found nowhere, is named.
        QVERIFY(h.app->OpenFile(LayOutMod(h.dir, kFixtures + u"/3do/tiny_lf.3do"_s, u"tiny.3do"_s,
                                          kFixtures + u"/mat/rgb565_primaries.mat"_s, u"crate.mat"_s)));
        h.messages = QStringList{dlg.Origin()->text()};
        h.nextSavePath = h.dir.filePath(u"out.obj"_s);
        h.app->Frame()->Action(cmd::FileExport)->trigger();
        QVERIFY(QFileInfo::exists(h.nextSavePath));
        // Where the dialog found red16.mat, then what export said.
        apptest::CompareRecorded(u"export_said.txt"_s, h.messages.join(QLatin1Char('\n')), h.dir.path());
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
        QVERIFY(f->Notice()->isVisibleTo(f));
        // What the window says, in turn: the status bar, the notice over the view, the colormap
        // and resource panes; the lines of Check Model; when the walk is chosen and when, put
        // into the mod since, it is chosen again.
        QStringList said = {u"status: "_s + frame->statusBar()->currentMessage(), u"notice: "_s + f->Notice()->text(),
                            frame->ColormapStatus()->text(), frame->ResourceStatus()->text()};
        h.dialog = [&](QDialog& d) {
            if (auto* limits = qobject_cast<CLimitsDlg*>(&d))
                said << apptest::Texts(limits->List());
            if (auto* list = d.findChild<QTreeWidget*>(u"1022"_s))
                list->setCurrentItem(list->topLevelItem(1));
            return apptest::ClickOk(d);
        };
        frame->Action(cmd::CheckModel)->trigger();
        QVERIFY(frame->Execute(cmd::AnimationSequence));
        said << h.messages << u"status: "_s + frame->statusBar()->currentMessage();
        QVERIFY(write("mymod/3do/key/lost.key", Sample(u"wkwalk.key"_s)));
        QVERIFY(frame->Execute(cmd::AnimationSequence));
        said << u"status: "_s + frame->statusBar()->currentMessage();
        apptest::CompareRecorded(u"mod_files_said.txt"_s,
                                 said.join(QLatin1Char('\n')).replace(QStringLiteral(ORVANE_BINARY_DIR), u"@BUILD@"_s),
                                 dir.path());
    }

    void engineLimitsAreShownBeforeA3doIsWritten()
    {
        Harness h;
        // Each dialog's lines, then its accepting button's caption, then a blank line.
        QStringList shown;
        int result = QDialog::Rejected;
        h.dialog = [&](QDialog& d) {
            if (auto* limits = qobject_cast<CLimitsDlg*>(&d))
                shown << apptest::Texts(limits->List()) << limits->AcceptButton()->text();
            shown << QString();
            return result;
        };
        const QString path = h.Copy(u"walker.3do"_s, u"mine/walker.3do"_s);
        CChildFrame* f = h.app->OpenFile(path);
        QVERIFY(f);
        const QByteArray before = apptest::Read(path);
        f->Document()->Model().materials[0] = std::string(40, 'm') + ".mat";
        f->Document()->SetModified(true);
        QVERIFY(!h.app->SaveDocument(f));
        QCOMPARE(apptest::Read(path), before);

        result = QDialog::Accepted;
        QVERIFY(h.app->SaveDocument(f));
        QVERIFY(apptest::Read(path).contains(QByteArray(40, 'm')));

        h.app->Frame()->Action(cmd::CheckModel)->trigger();
        // At each save the name of 44 characters; in Check Model also two lines that say it is
        // no material anywhere and where it was looked for.
        apptest::CompareRecorded(u"limits_shown.txt"_s, shown.join(QLatin1Char('\n')), h.dir.path());
    }

    // The timer's clock is the test's.
    void aModifiedDocumentIsBackedUpAndItsBackupGoesWhenSaved()
    {
        Harness h;
        h.app->AppSettings().backup = 10;
        const QString path = h.Copy(u"walker.3do"_s, u"mine/walker.3do"_s);
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
        const QString path = dir.filePath(u"mine/walker.3do"_s);
        const QString crashed = dir.filePath(u"backup/session-crashed"_s);
        // What a killed program leaves: a backup of the user's model with one change (a
        // material "recovered.mat"), in a session folder without a live lock.
        {
            Harness h(&dir);
            CChildFrame* f = h.app->OpenFile(h.Copy(u"walker.3do"_s, u"mine/walker.3do"_s));
            QVERIFY(f);
            f->Document()->Doc().Change([f] {
                f->Document()->Model().materials.push_back("recovered.mat");
                return true;
            });
            h.app->Backups()->BackupNow(f->Document(), 0);
            h.app->Backups()->WaitForWrites();
            QVERIFY(QDir().rename(h.app->Backups()->SessionFolder(), crashed));
            QFile::remove(crashed + u"/lock"_s);
        }
        {
            Harness later(&dir, 2);
            apptest::CompareRecorded(u"recovery_offered.txt"_s, later.choices.join(QLatin1Char('\n')), dir.path());
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
        QCOMPARE(apptest::Read(path), Sample(u"walker.3do"_s));
        QVERIFY(!QDir(crashed).exists());
        h.app->Backups()->WaitForWrites();
        QVERIFY(QFile::exists(h.app->Backups()->BackupFileOf(recovered->Document())));
    }
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
