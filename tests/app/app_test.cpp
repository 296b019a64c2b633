#include <QtTest>

#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextBrowser>

#include "app/anim_dialogs.h"
#include "app/app.h"
#include "app/childframe.h"
#include "app/dialogs.h"
#include "app/edit_dialogs.h"
#include "app/field_names.h"
#include "app/filemanager_dlg.h"
#include "app/mainframe.h"
#include "app/materials_dlg.h"
#include "app/options_dlg.h"
#include "app/orvaneview.h"
#include "app/panes.h"
#include "app_harness.h"
#include "commands/command_ids.h"
#include "commands/command_table.h"
#include "edit/materials.h"
#include "edit/properties.h"
#include "edit/selection.h"
#include "interchange/interchange.h"
#include "model/fileio.h"

using namespace orv;
using apptest::Harness;
using apptest::kSampleDir;

namespace {

void Type(QLineEdit* e, const QString& text)
{
    e->setText(text);
    emit e->editingFinished();
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
        // Without a document the commands say why; every command is enabled or says why not.
        CMainFrame* frame = h.app->Frame();
        QVERIFY(frame->Action(cmd::FileSave)->isEnabled());
        frame->MdiArea()->closeAllSubWindows();
        frame->UpdateCommandUI();
        for (int id : {int(cmd::FileSave), int(cmd::Materials), int(cmd::ViewFront), int(cmd::EditDelete)}) {
            QVERIFY(!frame->Action(id)->isEnabled());
            QCOMPARE(frame->DisabledReason(id), QString::fromUtf8(kOpenModelFirst));
        }
        QCOMPARE(frame->DisabledReason(cmd::WindowTile), u"No model window is open"_s);
        QVERIFY(frame->Action(cmd::ManageFiles)->isEnabled());
        for (const CommandRow& row : CommandTable())
            if (QAction* a = frame->Action(row.id); a && frame->Available(row.id))
                QCOMPARE(a->isEnabled(), frame->DisabledReason(row.id).isEmpty());
        QCOMPARE(h.app->OpenFile(kSampleDir + u"/walker.pup"_s), nullptr);
        QVERIFY(h.messages.isEmpty());

        QVERIFY(h.OpenWalker());
        QCOMPARE(h.app->RecentFiles().first(), QFileInfo(kSampleDir + u"/walker.3do"_s).absoluteFilePath());
        QCOMPARE(h.app->OpenFile(h.dir.filePath(u"gone.3do"_s)), nullptr);
        QCOMPARE(h.messages.size(), 1);
        QVERIFY(h.messages.first().startsWith(u"Failed to open document."_s));
    }

    // A key name Qt does not read would leave a command without its shortcut; a row without
    // a core function left unbound would silently drop its menu item and button.
    void everyTableRowBecomesABoundAction()
    {
        Harness h;
        CMainFrame* frame = h.app->Frame();
        for (const CommandRow& row : CommandTable()) {
            QAction* a = frame->Action(row.id);
            QVERIFY2(a, qPrintable(QString::number(row.id)));
            QCOMPARE(a->text(), QString::fromUtf8(row.text));
            const QStringList keys = QString::fromUtf8(row.keys).split(QLatin1Char(';'), Qt::SkipEmptyParts);
            QCOMPARE(a->shortcuts().size(), keys.size());
            for (int i = 0; i < keys.size(); ++i)
                QCOMPARE(a->shortcuts()[i].toString(QKeySequence::PortableText), keys[i]);
            const bool wholeWindow = row.id == cmd::EditUndo || row.id == cmd::EditRedo;
            QCOMPARE(a->shortcutContext(), wholeWindow                              ? Qt::WidgetWithChildrenShortcut
                                           : row.scope == CommandScope::Application ? Qt::WindowShortcut
                                                                                    : Qt::WidgetShortcut);
            if (!row.core.run)
                QVERIFY2(frame->Available(row.id), qPrintable(u"command %1 is not bound"_s.arg(row.id)));
        }
    }

    void editCommandsThroughTheWindow()
    {
        apptest::WalkerHarness h;
        CChildFrame* f = h.f;
        CMainFrame* frame = h.Frame();
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
        QCOMPARE(h.app->AppSettings().extrudeOut, 1);
        sel->currentFace = 0;
        QVERIFY(frame->Execute(cmd::ExtrudeFace));
        QVERIFY(openedOut);
    }

    void viewCommandsFollowTheSelection()
    {
        apptest::WalkerHarness h;
        CChildFrame* f = h.f;
        CMainFrame* frame = h.Frame();
        f->CurrentSelection()->currentMesh = 0;
        frame->UpdateCommandUI();
        QVERIFY(frame->Action(cmd::RenderAll)->isChecked());
        QVERIFY(frame->Execute(cmd::MeshMode));
        QVERIFY(frame->Execute(cmd::MeshRendered));
        QCOMPARE(f->Document()->Doc().modes.renderMode, RenderMode::Mesh);
        QVERIFY(frame->Action(cmd::MeshMode)->isChecked());
        QVERIFY(frame->Action(cmd::MeshRendered)->isChecked());
        QVERIFY(!frame->Action(cmd::RenderAll)->isChecked());
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
        QCOMPARE(faces(), before + 4);
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

    void saveAsGivesABareNameTheChosenTypesExtension()
    {
        apptest::WalkerHarness h;
        auto saveAs = [&](const QString& name, int filter) {
            h.nextSavePath = h.dir.filePath(name);
            h.nextSaveFilter = filter;
            return h.app->SaveDocumentAs(h.f);
        };
        auto startOf = [&](const QString& name) {
            QFile file(h.dir.filePath(name));
            return file.open(QIODevice::ReadOnly) ? file.read(200) : QByteArray("<missing>");
        };
        QVERIFY(saveAs(u"ship"_s, 2));  // "3DO Files"
        QVERIFY(startOf(u"ship.3do"_s).contains("SECTION: HEADER"));
        QVERIFY(!QFileInfo::exists(h.dir.filePath(u"ship"_s)));

        QVERIFY(saveAs(u"hull.orv"_s, 2));
        QVERIFY(!QFileInfo::exists(h.dir.filePath(u"hull.orv.3do"_s)));
        QVERIFY(saveAs(u"plain"_s, 0));  // "Orvane Files"
        QVERIFY(startOf(u"plain.orv"_s).startsWith(QByteArray("\x03JK1", 4)));
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

            QVERIFY(QDir().mkpath(models));
            QVERIFY(QFile::copy(kSampleDir + u"/walker.3do"_s, models + u"/ship.3do"_s));
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
        QVERIFY(game.mkpath(u"Resource"_s));
        QVERIFY(QFile::copy(kSampleDir + u"/res2.gob"_s, game.filePath(u"Resource/Res2.gob"_s)));
        h.app->ApplyProductChoice(0, game.absolutePath(), QString());
        QVERIFY(!h.app->LastLocate().usingSample);
        QCOMPARE(QString::fromStdString(h.app->LastLocate().resourceFile.string()),
                 game.filePath(u"Resource/Res2.gob"_s));
        QVERIFY(h.app->Frame()->windowTitle().startsWith(u"Orvane - Jedi Knight mode"_s));
        QVERIFY(h.app->Services().catalog->puppets.Lookup("walker.pup") != nullptr);
        h.app->ApplyProductChoice(1, game.absolutePath(), QString());
        QVERIFY(h.app->LastLocate().usingSample);
        QVERIFY(h.app->Frame()->windowTitle().startsWith(u"Orvane - Mysteries of the Sith mode"_s));
        // Kept under the game's key and value names.
        h.app->Store().sync();
        QFile ini(h.dir.filePath(u"Orvane.ini"_s));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray text = ini.readAll();
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
        Type(faceFlags, u"0x05"_s);
        CFace& face = m.geosets[0].meshes[2].faces[1];
        QCOMPARE(face.type, 5u);
        QCOMPARE(faceFlags->text(), u"0x05"_s);
        QVERIFY(f->Document()->Doc().IsModified());
        Type(faceFlags, u"12"_s);
        QCOMPARE(face.type, 12u);
        QCOMPARE(faceFlags->text(), u"0x0C"_s);

        Type(f->Pane(1)->findChild<QLineEdit*>(u"1002"_s), u"leftleg"_s);
        QCOMPARE(m.geosets[0].meshes[2].name, std::string("leftleg"));

        // The vertex pane shows and takes the file's coordinates whatever the view's scale.
        m.modelMatrix = Matrix4::Scaling(2, 2, 2);
        sel->nodes.clear();
        NodeMarker marker;
        marker.mesh = 2, marker.face = 1, marker.vertex = 0;
        sel->nodes.push_back(marker);
        sel->currentNode = 0;
        f->RefreshPanes();
        auto* vx = f->Pane(3)->findChild<QDoubleSpinBox*>(u"231"_s);
        QVERIFY(vx && vx->isEnabled());
        const auto shown = VertexFieldsOf(m, 2, 1, 0, f->Document()->Doc().Environment().textureSize);
        QVERIFY(shown);
        QVERIFY(qAbs(vx->value() - static_cast<double>(shown->filePosition.x)) < 1e-6);
        vx->setValue(-0.08);
        emit vx->editingFinished();
        const auto typed = VertexFieldsOf(m, 2, 1, 0, f->Document()->Doc().Environment().textureSize);
        QVERIFY(typed);
        QCOMPARE(typed->filePosition.x, -0.08f);
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

    void helpMaterialsRecentFilesAndWindows()
    {
        Harness h;
        h.browser = false;
        QVERIFY(h.app->Frame()->Execute(cmd::HelpFaqs));
        QVERIFY(h.app->HelpViewer() && h.app->HelpViewer()->isVisible());
        auto* page = h.app->HelpViewer()->findChild<QTextBrowser*>(u"HelpBrowser"_s);
        QVERIFY(page);
        QVERIFY(page->source().toLocalFile().endsWith(u"help/OrvaneFaq.htm"_s));
        QVERIFY(!page->toPlainText().isEmpty());

        const QString sep = QDir::separator();
        QCOMPARE(RecentFileLabels({u"/m/a/x/walker.3do"_s, u"/m/b/x/walker.3do"_s, u"/m/ship.3do"_s}),
                 QStringList({u"..."_s + sep + "a" + sep + "x" + sep + "walker.3do",
                              u"..."_s + sep + "b" + sep + "x" + sep + "walker.3do", u"ship.3do"_s}));

        QVERIFY(h.OpenWalker());
        CMainFrame* frame = h.app->Frame();
        auto listed = [frame] {  // the list is made again at each opening, not added to
            emit frame->WindowMenu()->aboutToShow();
            QStringList out;
            for (QAction* a : frame->WindowMenu()->actions())
                if (a->isCheckable())
                    out << a->text();
            return out;
        };
        QVERIFY(listed().last().startsWith(u"&2 walker.3do"_s));
        QCOMPARE(listed().size(), frame->MdiArea()->subWindowList().size());
    }

    // An imported model is a document without a name, so a save never writes over the file
    // read. The scale and up axis given are applied (a z-up post, 2 high along its z, stands
    // 2.5 times as high along y) and offered again the next time.
    void importAsksScaleAndUpAxisAndExportWrites()
    {
        Harness h;
        const QDir dir(h.dir.path());
        QVERIFY(WriteFileAtomic(dir.filePath(u"post.ply"_s).toStdString(),
                                "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
                                "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n"
                                "0 0 0\n1 0 0\n1 0 2\n0 0 2\n4 0 1 2 3\n")
                    .ok());
        const int before = static_cast<int>(h.app->Frame()->Children().size());
        h.nextOpenPath = dir.filePath(u"post.ply"_s);
        double offeredScale = 0.0;
        QString offeredUp, name;
        h.dialog = [&](QDialog& d) {
            auto* scale = d.findChild<QDoubleSpinBox*>(u"scale"_s);
            auto* up = d.findChild<QComboBox*>(u"up"_s);
            if (!scale || !up)
                return int(QDialog::Rejected);
            NameFieldsByLabels(&d);
            name = up->accessibleName();
            offeredScale = scale->value();
            offeredUp = up->currentText();
            scale->setValue(2.5);
            up->setCurrentIndex(up->findText(u"Z"_s));
            return int(QDialog::Accepted);
        };
        h.app->Frame()->Action(cmd::FileImport)->trigger();
        QCOMPARE(name, u"Up Axis"_s);
        QCOMPARE(std::pair(offeredScale, offeredUp), std::pair(1.0, u"Y"_s));
        QCOMPARE(static_cast<int>(h.app->Frame()->Children().size()), before + 1);
        const COrvaneDoc& doc = h.app->ActiveFrame()->Document()->Doc();
        float top = 0.0f, deepest = 0.0f;
        for (const auto& v : doc.model->MeshAt(0)->vertices) {
            top = std::max(top, v.y);
            deepest = std::max(deepest, std::fabs(v.z));
        }
        QCOMPARE(std::pair(top, deepest), std::pair(5.0f, 0.0f));
        QVERIFY(doc.PathName().empty());
        QVERIFY(doc.IsModified());
        QCOMPARE(h.messages.size(), 1);  // the import's note
        QVERIFY2(h.messages[0].contains(u"+z taken as up"_s), qPrintable(h.messages[0]));

        h.nextSavePath = dir.filePath(u"out"_s);
        h.app->Frame()->Action(cmd::FileExport)->trigger();
        const auto back = ImportModel(dir.filePath(u"out.glb"_s).toStdString(), {});
        QVERIFY(back.ok());
        QCOMPARE(back->model->MeshAt(0)->faces[0].corners.size(), std::size_t{4});

        // Opened by name (the command line, a dropped file), it is imported too.
        QVERIFY(h.app->OpenFile(dir.filePath(u"post.ply"_s)));
        QCOMPARE(static_cast<int>(h.app->Frame()->Children().size()), before + 2);
        QVERIFY(h.app->ActiveFrame()->Document()->Doc().PathName().empty());

        h.messages.clear();
        QVERIFY(WriteFileAtomic(dir.filePath(u"box.mtl"_s).toStdString(), "newmtl crate\n").ok());
        h.nextOpenPath = dir.filePath(u"box.mtl"_s);
        h.app->Frame()->Action(cmd::FileImport)->trigger();
        QCOMPARE(std::pair(offeredScale, offeredUp), std::pair(2.5, u"Z"_s));
        QCOMPARE(static_cast<int>(h.app->Frame()->Children().size()), before + 2);
        QCOMPARE(h.messages.size(), 1);
        QVERIFY(h.messages.first().startsWith(u"Failed to import box.mtl."_s));
    }
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
