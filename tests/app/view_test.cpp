// The 3D view in a real window, what it draws read back from its OpenGL surface. OpenGL
// needs an X server (Xvfb); without it the drawing tests skip and the fallback is tested.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include "app/document.h"
#include "app/options_dlg.h"
#include "app/orvaneview.h"
#include "app_harness.h"
#include "commands/command_ids.h"
#include "edit/properties.h"
#include "gl_required.h"
#include "model/corners.h"
#include "model/options_input.h"
#include "model/settings.h"
#include "render/renderer.h"
#include "resources/catalog.h"
#include "resources/material.h"
#include "support/model_builder.h"

using namespace orv;
using orvtest::AddMesh;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kSide = 400;
const QPoint kCentre(kSide / 2, kSide / 2);
const QRgb kWhite = qRgb(255, 255, 255);  // a face without a material
const std::string kSampleDir = ORVANE_BINARY_DIR "/share/orvane/sample/";

// A square of half-size h around (cx, cy) at depth z, with texture vertices at the
// corners of a 256 x 256 picture; its front faces a camera on the -z side.
void AddSquare(CMesh& mesh, float cx, float cy, float z, float h, int32_t material = -1)
{
    CFace face;
    face.material = material;
    const int corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& [x, y] : corners) {
        face.vertexIndices.push_back(static_cast<int32_t>(mesh.vertices.size()));
        mesh.vertices.emplace_back().SetPosition({cx + float(x) * h, cy + float(y) * h, z});
        face.textureVertexIndices.push_back(static_cast<int32_t>(mesh.textureVertices.size()));
        VertexRecord& t = mesh.textureVertices.emplace_back();
        t.u = float(x + 1) * 128.0f;
        t.v = float(y + 1) * 128.0f;
    }
    mesh.faces.push_back(std::move(face));
}

QRgb Rgb(uint32_t bgr) { return qRgb(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

bool Near(QRgb a, QRgb b, int tolerance = 6)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

bool Near(const Vec3& a, const Vec3& b, float tolerance = 1e-4f)
{
    return LengthSquared(a - b) < tolerance * tolerance;
}

int Count(const QImage& image, QRgb colour, int tolerance = 6)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += Near(image.pixel(x, y), colour, tolerance) ? 1 : 0;
    return n;
}

// One document with one view in a window of its own.
struct Fixture {
    Settings settings;
    ResourceCatalog catalog;
    DocumentEnvironment services;
    std::unique_ptr<CDocument> doc;
    std::unique_ptr<QWidget> window;
    COrvaneView* view = nullptr;

    Fixture()
    {
        settings.frameRate = 1000;  // no frame waits for the pacing in these tests
        settings.colorBackground = 0x563412;
        services.settings = &settings;
        const std::string archive = kSampleDir + "res2.gob";
        if (const auto load = LoadCatalog(archive, catalog)) {
            services.catalog = &catalog;
            services.resourceFile = archive;
        } else {
            qWarning("sample archive missing: %s", load.error().c_str());
        }
        doc = std::make_unique<CDocument>(services);
    }

    // A model of its own: camera at (0, 0, -3) looking along +z (the saved camera of an
    // unnamed document).
    CModel& NewModel()
    {
        doc->Doc().model = std::make_unique<CModel>();
        CModel& model = *doc->Doc().model;
        model.formatTag = "JK1";
        model.materials = {"flatred.mat", "checker.mat"};
        doc->Doc().savedCamera = CameraState{{0, 0, -3}, {0, 0, 1}, {0, 1, 0}};
        return model;
    }

    bool OpenWalker()
    {
        const Status opened = doc->Doc().OpenDocument(kSampleDir + "walker.3do");
        return opened || (qWarning("%s", opened.error().c_str()), false);
    }

    // made: called with the view before it is shown.
    void Show(const std::function<void(COrvaneView*)>& made = {})
    {
        CModel& model = doc->Model();
        model.RebuildHierarchy();
        BuildFaceCorners(model);
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        view = new COrvaneView(*doc, window.get());
        layout->addWidget(view);
        view->SetMessageHandler([](const QString& text) { qWarning("message: %s", qPrintable(text)); });
        if (made)
            made(view);
        window->show();
        // The drawing area gets exactly kSide x kSide pixels.
        window->resize(kSide + view->VerticalBar()->sizeHint().width(),
                       kSide + view->HorizontalBar()->sizeHint().height());
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTRY_COMPARE(view->GlWidget()->size(), QSize(kSide, kSide));
    }

    // One square facing the camera, shown and drawn once.
    void ShowSquare(float cx = 0, float cy = 0, float h = 1, int32_t material = -1)
    {
        AddSquare(AddMesh(NewModel()), cx, cy, 0, h, material);
        Show();
        Frame();
    }

    QImage Frame() { return view->GrabFrame().convertToFormat(QImage::Format_RGB32); }

    // The window pixel of a world point, through the view's camera.
    QPoint PixelOf(const Vec3& p) const
    {
        const auto [x, y] = orvtest::ToPixel(view->GetCamera(), p, kSide, kSide);
        return {x, y};
    }

    void Click(const QPoint& at, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::mouseClick(view->GlWidget(), Qt::LeftButton, mods, at);
    }

    // Mouse moves along the row y with the button held.
    void Moves(Qt::MouseButton button, std::initializer_list<int> xs, int y)
    {
        QWidget* area = view->GlWidget();
        for (int x : xs) {
            QMouseEvent move(QEvent::MouseMove, QPointF(x, y), area->mapToGlobal(QPointF(x, y)), Qt::NoButton, button,
                             Qt::NoModifier);
            QApplication::sendEvent(area, &move);
        }
    }

    QRgb Background() const { return Rgb(settings.colorBackground); }
};

}  // namespace

class ViewTest : public QObject {
    Q_OBJECT
private slots:
    // Every test but these two draws: skipped where OpenGL is missing.
    void init()
    {
        const QByteArray test = QTest::currentTestFunction();
        if (test == "optionsSheetRefusesOutOfRangeAndStoresEveryPage")
            return;
        const bool fallback = test == "withoutOpenGlTheViewSaysSo";
        if (COrvaneView::OpenGlAvailable() == fallback) {
            if (!fallback && orv::test::OpenGlRequired())
                QFAIL("no OpenGL here, and this machine must have it");
            QSKIP(fallback ? "OpenGL is available here" : "no OpenGL here");
        }
    }

    void backgroundWithoutAModel()
    {
        Fixture f;
        f.settings.colorBackground = 0x203040;
        f.Show();  // a new document: no format tag, no renderer
        const QImage image = f.Frame();
        QVERIFY(!f.view->Renderer());
        QCOMPARE(Count(image, Rgb(0x203040), 1), image.width() * image.height());
    }

    void aProjectKeepsTheViewsCamera()
    {
        QTemporaryDir dir;
        const std::string project = dir.filePath(u"walker.orv"_s).toStdString();
        Vec3 eye;
        {
            Fixture f;
            QVERIFY(f.OpenWalker());
            f.Show();
            QVERIFY(Count(f.Frame(), f.Background(), 2) < kSide * kSide - 1000);
            QVERIFY(f.view->RunCommand(cmd::MoveBackward));
            QVERIFY(f.view->RunCommand(cmd::PanLeft));
            eye = f.view->GetCamera().eye;
            const Status saved = f.doc->Doc().SaveAs(project);
            QVERIFY2(saved, saved.error().c_str());
        }
        Fixture g;
        const Status opened = g.doc->Doc().OpenDocument(project);
        QVERIFY2(opened, opened.error().c_str());
        g.Show();
        g.Frame();
        QVERIFY(Near(g.view->GetCamera().eye, eye));
    }

    void heldArrowKeyMovesInPacedSteps()
    {
        Fixture f;
        f.ShowSquare();
        f.settings.frameRate = 10;  // a step every 100 ms
        QWidget* area = f.view->GlWidget();
        QApplication::setActiveWindow(f.window.get());
        area->setFocus();
        QTRY_VERIFY(area->hasFocus());
        auto z = [&] { return f.view->GetCamera().eye.z; };
        const float start = z();
        QTest::keyPress(area, Qt::Key_Up);
        QTest::qWait(350);
        QTest::keyRelease(area, Qt::Key_Up);
        const float steps = (z() - start) / 0.01f;
        QVERIFY2(steps > 0.5f && steps < 4.5f, qPrintable(QString::number(steps)));
        const float after = z();
        QTest::qWait(250);
        QCOMPARE(z(), after);
        // A held key that loses the focus stops.
        QTest::keyPress(area, Qt::Key_Down);
        QTest::qWait(150);
        QVERIFY(z() < after);
        area->clearFocus();
        const float stopped = z();
        QTest::qWait(250);
        QCOMPARE(z(), stopped);
    }

    // Of two continuous views only the first made draws on; when it leaves, the other does.
    void onlyTheFirstContinuousViewAnimatesAndTheWalkerWalks()
    {
        auto first = std::make_unique<Fixture>();
        Fixture second;
        QVERIFY(first->OpenWalker());
        first->Show();
        second.ShowSquare();
        QVERIFY(second.view->RunCommand(cmd::ViewRotate));
        QVERIFY(second.view->Continuous());
        CModel& walker = first->doc->Model();
        walker.currentSubMode = 1;
        QVERIFY(first->doc->Doc().LoadCurrentKeyframe());
        QVERIFY(first->view->RunCommand(cmd::ViewAnimating));
        QVERIFY(first->view->Continuous());
        QVERIFY(!second.view->Continuous());
        QTRY_VERIFY_WITH_TIMEOUT(walker.currentFrame > 1, 2000);

        QVERIFY(first->view->RunCommand(cmd::ViewFront));
        QVERIFY(second.view->Continuous());
        QCOMPARE(walker.currentFrame, 0);
        first->view->GetSelection().currentMesh = 2;
        for (int id :
             {int(cmd::MeshMode), int(cmd::AnimateMode), int(cmd::NextFrame), int(cmd::NextFrame), int(cmd::PrevFrame)})
            QVERIFY(first->view->RunCommand(id));
        QCOMPARE(walker.currentFrame, 1);
        QVERIFY(first->view->RunCommand(cmd::ViewRotate));
        QVERIFY(!second.view->Continuous());
        first.reset();
        QVERIFY(second.view->Continuous());
    }

    void ctrlClickExtendsTheSelection()
    {
        Fixture f;
        f.settings.grid = 0.2f;
        f.settings.vertexScaling = 0.1f;
        f.ShowSquare();
        f.Click(f.PixelOf({-0.5f, -0.5f, 0}));
        QVERIFY(f.view->RunCommand(cmd::GridOnOff));
        f.Frame();
        const Selection& s = f.view->GetSelection();
        f.Click(f.PixelOf({0.4f, 0.4f, 0}));
        QCOMPARE(s.selectedPositions.size(), std::size_t{1});
        const Vec3 more{0.8f, -0.8f, 0};
        f.Click(f.PixelOf(more), Qt::ControlModifier);
        QCOMPARE(s.selectedPositions.size(), std::size_t{2});
        QVERIFY(Near(s.selectedPositions[1], more, 1e-3f));
        f.Click(f.PixelOf({-0.6f, 0.2f, 0}));
        QCOMPARE(s.selectedPositions.size(), std::size_t{1});
    }

    // Told at the first frame, the commands that need a drawing view come on at once.
    void theFirstFrameTellsTheWindowTheViewDrawsAndPreparingAgainKeepsEdits()
    {
        Fixture f;
        QVERIFY(f.OpenWalker());
        int told = 0;
        bool drawingWhenTold = false;
        f.Show([&](COrvaneView* view) {
            QVERIFY(!view->CommandEnabled(cmd::MoveForward));
            QObject::connect(view, &COrvaneView::drawingChanged, view, [&told, &drawingWhenTold, view] {
                ++told;
                drawingWhenTold = view->CommandEnabled(cmd::MoveForward);
            });
        });
        f.Frame();
        QTRY_COMPARE(told, 1);
        QVERIFY(drawingWhenTold);

        // Prepared again (Select Product, a new colormap), the scene keeps an edit.
        auto fields = [&] {
            return VertexFieldsOf(f.doc->Model(), 2, 1, 0, f.doc->Doc().Environment().textureSize).value();
        };
        VertexFields moved = fields();
        moved.filePosition.x -= 0.01f;
        EditContext c = f.doc->Context();
        QVERIFY(f.doc->Doc().Run(c, SetVertexFields, VertexEdit{2, 1, 0, moved}).changed);
        f.view->PrepareScene();
        QCOMPARE(fields().filePosition.x, moved.filePosition.x);
    }

    // The panes' texts and the bars' steps are the core's; here they reach the window.
    void statusPanesScrollBarsAndWheel()
    {
        Fixture f;
        f.ShowSquare();
        QSignalSpy panes(f.view, &COrvaneView::paneTexts);
        f.Frame();
        QVERIFY(panes.count() >= 1);
        QCOMPARE(panes.last().at(0).toStringList().value(6),
                 QString::asprintf("Z: %8.2f", double(f.view->GetCamera().lookPoint.z)));
        QScrollBar* h = f.view->HorizontalBar();
        QCOMPARE(h->maximum(), 1000);  // the square spans -1..1
        h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        f.view->VerticalBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        f.Frame();
        QCOMPARE(h->value(), 1);
        QCOMPARE(f.view->VerticalBar()->value(), 5);

        auto wheel = [&](int notches) {
            QWidget* area = f.view->GlWidget();
            const QPointF at(kSide / 2, kSide / 2);
            QWheelEvent e(at, area->mapToGlobal(at), {}, {0, notches * 120}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
            QApplication::sendEvent(area, &e);
            return f.view->GetCamera().eye.z;
        };
        const float z = f.view->GetCamera().eye.z;
        QVERIFY(wheel(1) > z);                      // forward: nearer the square
        QVERIFY(std::fabs(wheel(-1) - z) < 1e-4f);  // back: where it was
    }

    void dragsSlideTheTextureOrTurnTheCamera()
    {
        Fixture f;
        f.ShowSquare(0, 0, 1, 1);  // checker.mat
        QWidget* area = f.view->GlWidget();
        f.Click(kCentre);
        QVERIFY(f.view->RunCommand(cmd::TexturingMode));
        auto u = [&] { return f.doc->Model().geosets[0].meshes[0].faces[0].corners[0].u; };
        const float before = u();
        f.doc->SetModified(false);
        const QImage drawn = f.Frame();
        // The first move takes the point, the second slides (by how much is the core's).
        QCursor held;
        auto drag = [&] {
            QTest::mousePress(area, Qt::LeftButton, {}, kCentre);
            held = area->cursor();
            f.Moves(Qt::LeftButton, {210, 240}, 200);
            QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(230, 200));
        };
        drag();
        QCOMPARE(std::pair(held.shape(), area->cursor().shape()), std::pair(Qt::SizeAllCursor, Qt::ArrowCursor));
        QVERIFY(u() > before);
        QVERIFY(f.doc->Doc().IsModified());
        QVERIFY(f.Frame() != drawn);  // the drawing follows the corners
        QSignalSpy replaced(f.doc.get(), &CDocument::modelReplaced);  // the other views drop theirs
        QVERIFY(f.view->RunCommand(cmd::EditUndo));
        QCOMPARE(u(), before);
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(f.Frame(), drawn);
        QVERIFY(f.view->RunCommand(cmd::EditRedo));
        QVERIFY(f.Frame() != drawn);
        // Each drag is a step of its own.
        drag();
        drag();
        QCOMPARE(f.doc->Doc().history.UndoList().size(), std::size_t{3});

        // A right drag turns the camera with the cursor hidden, then puts it in the middle.
        const Vec3 dir = f.view->GetCamera().direction;
        QTest::mousePress(area, Qt::RightButton, {}, QPoint(100, 200));
        QCOMPARE(area->cursor().shape(), Qt::BlankCursor);
        f.Moves(Qt::RightButton, {110, 120, 130}, 200);
        QVERIFY(!Near(f.view->GetCamera().direction, dir, 0.1f));
        QTest::mouseRelease(area, Qt::RightButton, {}, QPoint(160, 200));
        QCOMPARE(area->cursor().shape(), Qt::ArrowCursor);
        QTRY_COMPARE(QCursor::pos(), area->mapToGlobal(kCentre));
    }

    void optionsSheetRefusesOutOfRangeAndStoresEveryPage()
    {
        Settings settings;
        settings.device = 7;  // beyond the list: the first device is shown
        settings.colorMap = "DFLT.CMP";
        // Stored past their ranges (by hand, an older version): shown at the ends, so that
        // OK takes the fields the user did not touch.
        settings.vertexScaling = 0.10125f;
        settings.frameRate = 500;
        CSheetDlg sheet(settings, {{u"None"_s, u"640x480"_s}, {u"dev"_s}, {u"01redmap.cmp"_s, u"dflt.cmp"_s}});
        QStringList shown;
        sheet.SetMessageHandler([&](const QString& m) { shown.append(m); });
        QCOMPARE(sheet.Device()->currentIndex(), 0);
        QCOMPARE(sheet.ColorMap()->currentText(), u"dflt.cmp"_s);
        QSignalSpy applied(&sheet, &CSheetDlg::applied);
        QVERIFY(sheet.Apply());
        QCOMPARE(applied.last().at(0).toBool(), false);  // the same colormap, whatever its case

        // Which numbers are taken is the core's; a refusal names its field, which is kept.
        for (QLineEdit* field : {sheet.FrameRate(), sheet.VertexSize()}) {
            const QString before = field->text();
            field->setText(u"0"_s);
            QVERIFY(!sheet.Apply());
            QCOMPARE(sheet.LastError(), shown.last());
            field->setText(before);
        }
        QCOMPARE(shown, QStringList({QString::fromStdString(FrameRateRangeMessage()),
                                     QString::fromStdString(VertexSizeRangeMessage())}));
        QVERIFY(!sheet.ApplyButton()->isEnabled());
        sheet.StretchFactor()->setCurrentIndex(1);
        QVERIFY(sheet.ApplyButton()->isEnabled());
        sheet.TextureMapping()->setCurrentIndex(1);
        sheet.Dithered()->setCurrentIndex(0);
        sheet.Warnings()->setCurrentIndex(0);
        sheet.ColorMap()->setCurrentIndex(0);
        sheet.SetPageColor(4, 0x112233);
        QVERIFY(sheet.Apply());
        QCOMPARE(applied.last().at(0).toBool(), true);
        QVERIFY(!sheet.ApplyButton()->isEnabled());
        // Another Resources list asks for new textures too.
        QStringList chosen = {u"/mods/a.gob"_s, u"/mods/b"_s};
        sheet.SetPathChooser([&](bool) { return chosen.takeFirst(); });
        sheet.AddResource(false);
        sheet.AddResource(true);
        sheet.MoveResource(-1);
        sheet.Shaded()->setChecked(true);
        sheet.BackupMinutes()->setValue(3);
        QVERIFY(sheet.Apply());
        QCOMPARE(applied.last().at(0).toBool(), true);
        // Every page's fields as stored, the untouched ones at the ends of their ranges.
        apptest::CompareRecorded(u"options_sheet_applied.ini"_s, apptest::SettingsText(settings));

        // (It starts checked with the stored minutes; the minutes either way are the core's.)
        sheet.BackupEnabled()->setChecked(false);
        sheet.BackupEnabled()->setChecked(true);
        QCOMPARE(sheet.BackupMinutes()->value(), 10);

        sheet.FrameRate()->setText(u"0"_s);
        sheet.show();
        sheet.accept();
        QVERIFY(sheet.isVisible());
        sheet.FrameRate()->setText(u"1"_s);
        sheet.accept();
        QVERIFY(!sheet.isVisible());
        QCOMPARE(settings.frameRate, 1);
    }

    void aClickPicksAndTextureColourAndOptionsReachTheView()
    {
        Fixture f;
        QVERIFY(f.services.catalog);
        f.ShowSquare(0, 0, 1, 0);
        // flatred.mat drawn (how its texels look is the texture cache's concern).
        const QRgb drawn = f.Frame().pixel(kCentre);
        QVERIFY(!Near(drawn, kWhite, 20) && !Near(drawn, f.Background(), 20));

        QSignalSpy picked(f.view, &COrvaneView::selectionChanged);
        f.Click(kCentre);
        QCOMPARE(std::pair(f.view->GetSelection().currentFace, f.view->GetSelection().nodes.size()),
                 std::pair(0, std::size_t{4}));
        QCOMPARE(picked.count(), 1);
        f.settings.frameRate = 100;  // the sheet refuses more

        // The same colormap: the device is made again, the textures (and the nodes) stay.
        f.view->SetOptionsRunner([](CSheetDlg& sheet) {
            sheet.Dithered()->setCurrentIndex(0);
            sheet.accept();
        });
        QSignalSpy applied(f.view, &COrvaneView::optionsApplied);
        f.view->RunOptions();
        QCOMPARE(applied.count(), 1);
        QCOMPARE(applied.last().at(0).toBool(), false);
        QCOMPARE(f.view->GetSelection().nodes.size(), std::size_t{4});

        // Another colormap: the textures are made again through it.
        f.view->SetOptionsRunner([](CSheetDlg& sheet) {
            sheet.ColorMap()->setCurrentIndex(sheet.ColorMap()->findText(u"dflt.cmp"_s));
            sheet.accept();
        });
        f.view->RunOptions();
        QCOMPARE(applied.last().at(0).toBool(), true);
        QCOMPARE(f.settings.colorMap, std::string("dflt.cmp"));
        QCOMPARE(f.view->GetSelection().nodes.size(), std::size_t{0});
        // (The sample's two colormaps hold the same palette: the colour stays.)
        QVERIFY(Near(f.Frame().pixel(kCentre), drawn, 1));
        QVERIFY(f.view->RunCommand(cmd::WireAll));  // a command redraws
        QVERIFY(Near(f.Frame().pixel(kCentre), f.Background(), 1));
    }

    void withoutOpenGlTheViewSaysSo()
    {
        Fixture f;
        QVERIFY(f.OpenWalker());
        f.Show();
        QTest::qWait(50);
        QVERIFY(!f.view->CanDraw());
        QVERIFY(f.view->UnavailableReason().contains(u"cannot be drawn"_s));
        QVERIFY(!f.view->Renderer());
        QVERIFY(f.view->GrabFrame().isNull());
        const QImage shown = f.view->GlWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(Near(shown.pixel(1, 1), f.Background(), 1));
        // The text: pixels that are not the background.
        QVERIFY(Count(shown, f.Background(), 1) < shown.width() * shown.height());
        QVERIFY(!f.view->RunCommand(cmd::MoveForward));
        QVERIFY(f.view->RunCommand(cmd::WireAll));
        QTest::mouseClick(f.view->GlWidget(), Qt::LeftButton, {}, QPoint(100, 100));
        QTest::keyClick(f.view->GlWidget(), Qt::Key_Up);
        QCOMPARE(f.view->GetSelection().currentFace, -1);
    }
};

int main(int argc, char** argv)
{
    // Without any display the drawing tests cannot run; the fallback tests still do.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "view_test.moc"
