#include <QtTest>

#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

#include "app/materialpreview.h"
#include "app/materials_dlg.h"
#include "dialog_fixture.h"
#include "edit/materials.h"
#include "resources/filemanager.h"

using namespace orv;
using namespace dlgtest;

namespace {

using Dlg = CMaterialsDlg;

// A document over the test resources whose model has three materials and four faces:
// on 0, 1, 2 and 1.
struct Mats {
    Resources res;
    Script s;
    QTemporaryDir dir;
    CDocument doc{res.services};
    const FaceIndex third{0, 2};  // on material 2

    Mats()
    {
        M().materials = {"Dflt.mat", "metal.mat", "WOOD.mat"};
        CGeometry geo;
        CMesh mesh;
        for (int material : {0, 1, 2, 1}) {
            mesh.faces.push_back(CFace());
            mesh.faces.back().material = material;
        }
        geo.meshes.push_back(std::move(mesh));
        M().geosets.push_back(std::move(geo));
    }

    CModel& M() { return doc.Model(); }

    std::unique_ptr<Dlg> Open(Dlg::Mode mode = Dlg::Mode::InModel, std::optional<FaceIndex> face = std::nullopt)
    {
        return std::make_unique<Dlg>(doc, mode, face, nullptr, s.Make());
    }

    std::vector<int32_t> FaceMaterials()
    {
        std::vector<int32_t> out;
        for (const auto& f : M().geosets[0].meshes[0].faces)
            out.push_back(f.material);
        return out;
    }
};

}  // namespace

class MaterialsDlgTest : public QObject {
    Q_OBJECT
private slots:
    void okGivesTheFaceTheMaterialChosen()
    {
        Mats t;
        QSignalSpy changed(&t.doc, &CDocument::materialsChanged);
        auto dlg = t.Open(Dlg::Mode::InModel, t.third);
        QCOMPARE(dlg->CurrentName(), u"wood.mat"_s);
        QCOMPARE(dlg->windowTitle(), u"Materials in 3DO - x= 64, y= 64"_s);

        QVERIFY(dlg->SelectName(u"metal.mat"_s));
        dlg->Button(Dlg::Ok)->click();
        QCOMPARE(dlg->result(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(t.FaceMaterials(), (std::vector<int32_t>{0, 1, 1, 1}));
        QCOMPARE(changed.count(), 1);

        // A name found nowhere (and no fallback) has no picture.
        t.res.catalog.materials.Clear();
        QVERIFY(dlg->SelectName(u"dflt.mat"_s));
        QCOMPARE(dlg->windowTitle(), u"Materials in 3DO"_s);
        QVERIFY(!dlg->Image());
    }

    void deleteAsksOnlyWithWarningAndForAUsedMaterial()
    {
        Mats t;
        t.M().materials.push_back("unused.mat");
        PutCustomMaterial(t.M().customMaterials, "metal.mat", MakeColorMat(3));
        QSignalSpy changed(&t.doc, &CDocument::materialsChanged);
        auto dlg = t.Open(Dlg::Mode::InModel, t.third);
        QVERIFY(dlg->SelectName(u"metal.mat"_s));
        t.s.yesNo = {false, true};
        dlg->Button(Dlg::Delete)->click();
        dlg->DeleteMaterial();
        // (How the faces are renumbered is tested with the model's material list.)
        QCOMPARE(t.M().materials, (std::vector<std::string>{"Dflt.mat", "WOOD.mat", "unused.mat"}));
        QCOMPARE(apptest::Texts(dlg->List()), (QStringList{"dflt.mat", "unused.mat", "wood.mat"}));
        QCOMPARE(dlg->CurrentName(), u"dflt.mat"_s);  // the entry before it
        QCOMPARE(changed.count(), 1);
        QVERIFY(dlg->SelectName(u"unused.mat"_s));
        dlg->DeleteMaterial();
        t.res.settings.warning = 0;
        QVERIFY(dlg->SelectName(u"dflt.mat"_s));
        dlg->DeleteMaterial();
        QCOMPARE(t.M().materials, std::vector<std::string>{"WOOD.mat"});
        // Both about metal: none on the unused material, none with Warning off.
        apptest::CompareRecorded(u"materials_delete_asked.txt"_s, t.s.questions.join(QLatin1Char('\n')));
    }

    // Everything done in the dialog (the stock list's Add too) is one undo step; Cancel takes
    // it back and leaves nothing to redo.
    void cancelTakesBackWhatTheDialogDid()
    {
        Mats t;
        QSignalSpy told(&t.doc, &CDocument::modifiedChanged);
        QString stockShown;
        t.s.exec = [&stockShown](QDialog& d) {
            auto& stock = dynamic_cast<Dlg&>(d);
            if (stock.GetMode() != Dlg::Mode::AddToModel || !stock.SelectName(u"bricks.mat"_s))
                return static_cast<int>(QDialog::Rejected);
            stockShown = apptest::Shown(stock) + apptest::Texts(stock.List()).join(u", "_s);
            stock.OnOk();
            return stock.result();
        };
        for (auto close : {Dlg::Cancel, Dlg::Ok}) {
            auto dlg = t.Open(Dlg::Mode::InModel, t.third);
            QVERIFY(dlg->SelectName(u"wood.mat"_s));
            t.s.yesNo = {true};
            dlg->DeleteMaterial();
            dlg->Button(Dlg::Add)->click();
            QCOMPARE(t.M().materials, (std::vector<std::string>{"Dflt.mat", "metal.mat", "bricks.mat"}));
            QCOMPARE(apptest::Texts(dlg->List()), (QStringList{"bricks.mat", "dflt.mat", "metal.mat"}));
            QCOMPARE(dlg->CurrentName(), u"bricks.mat"_s);
            QCOMPARE(t.doc.Doc().history.UndoList().size(), std::size_t{1});
            dlg->Button(close)->click();
            if (close == Dlg::Ok)
                break;
            QCOMPARE(t.M().materials, (std::vector<std::string>{"Dflt.mat", "metal.mat", "WOOD.mat"}));
            QVERIFY(!t.doc.Doc().IsModified());
            QVERIFY(!t.doc.Doc().CanUndo() && !t.doc.Doc().CanRedo());
            QCOMPARE(told.count(), 2);  // the title's mark came and went
        }
        QCOMPARE(t.FaceMaterials(), (std::vector<int32_t>{0, 1, 2, 1}));  // Ok gave the face bricks
        apptest::CompareRecorded(u"materials_delete_one_asked.txt"_s, t.s.questions.join(QLatin1Char('\n')));
        QCOMPARE(t.doc.Doc().history.UndoList().size(), std::size_t{1});
        // The game's materials to add from, with no button that would change the model.
        apptest::CompareRecorded(u"materials_stock_shown.txt"_s, stockShown);
    }

    void loadingCrateTwiceAsksBeforeReplacingAndSeveralLoadInOrder()
    {
        Mats t;
        t.res.settings.colorMap = "dflt.cmp";
        const QString crate = t.dir.filePath(u"Crate.bmp"_s);
        QVERIFY(WriteBmpFile(P(crate), TestPicture()));
        auto dlg = t.Open();
        t.s.openAnswers.push_back({{crate}});
        dlg->Button(Dlg::Load)->click();
        QVERIFY(t.s.openRequests[0].filters == (FileFilters{{"Material Files (*.mat, *.bmp)", {"*.mat", "*.bmp"}}}));
        QVERIFY(t.s.openRequests[0].multiple);
        const SortedEntryList& custom = t.M().customMaterials;
        MaterialImage expected = TestPicture();
        RemapToPalette(expected, PaletteOf(GreyColormap()));  // the ColorMap setting's palette
        const std::vector<uint8_t> first = MakeMat(expected);
        QCOMPARE(custom.At(0).data, first);
        QCOMPARE(t.M().materials.back(), std::string("crate.mat"));
        QCOMPARE(dlg->CurrentName(), u"crate.mat"_s);

        MaterialImage other = TestPicture();
        other.pixels.assign(other.pixels.size(), 3);
        QVERIFY(WriteBmpFile(P(crate), other));
        t.s.yesNo = {false, true};
        dlg->LoadMaterialFiles({crate});
        QCOMPARE(custom.At(0).data, first);
        dlg->LoadMaterialFiles({crate});
        QVERIFY(custom.At(0).data != first);
        QCOMPARE(dlg->List()->findItems(u"crate.mat"_s, Qt::MatchExactly).size(), 1);

        const QString b = t.dir.filePath(u"b.bmp"_s);
        const QString a = t.dir.filePath(u"a.mat"_s);
        const QString junk = t.dir.filePath(u"junk.mat"_s);
        QVERIFY(WriteBmpFile(P(b), TestPicture()));
        QVERIFY(WriteAll(a, MakeColorMat(9)));
        QVERIFY(WriteAll(junk, Bytes("not a material")));
        dlg->LoadMaterialFiles({b, junk, a});
        QCOMPARE(custom.Count(), std::size_t{3});
        // Asked about crate.mat at each load of it, not about new names; then why junk.mat is no material.
        apptest::CompareRecorded(u"materials_load_said.txt"_s, (t.s.questions + t.s.messages).join(QLatin1Char('\n')),
                                 t.dir.path());
    }

    void saveAsBitmapAndAsMatAndConvert()
    {
        Mats t;
        PutCustomMaterial(t.M().customMaterials, "mine.mat", MakeColorMat(5));
        t.M().materials.push_back("mine.mat");
        auto dlg = t.Open();
        auto path = [&](const char* name) { return t.dir.filePath(QLatin1String(name)); };
        QVERIFY(dlg->SelectName(u"wood.mat"_s));
        t.s.saveAnswers.push_back({{path("wood.bmp")}, 0});
        dlg->Button(Dlg::Save)->click();
        QCOMPARE(t.s.saveRequests[0].fileName, u"wood"_s);
        QVERIFY(t.s.saveRequests[0].filters ==
                (FileFilters{{"BMP Files (*.bmp)", {"*.bmp"}}, {"MAT Files (*.mat)", {"*.mat"}}}));
        const auto image = ConvertMat(t.res.Entry("3do\\mat\\wood.mat"), SamplePalette());
        QVERIFY(image);
        QCOMPARE(ReadAll(path("wood.bmp")), WriteBmp(*image));
        t.s.saveAnswers.push_back({{path("wood.mat")}, 1});
        dlg->SaveMaterial();
        QCOMPARE(ReadAll(path("wood.mat")), t.res.Entry("3do\\mat\\wood.mat"));
        QVERIFY(dlg->SelectName(u"mine.mat"_s));
        t.s.saveAnswers.push_back({{path("mine.mat")}, 1});
        dlg->SaveMaterial();
        QCOMPARE(ReadAll(path("mine.mat")), MakeColorMat(5));

        // Convert asks even with Warning off; the stock materials used become custom ones.
        t.res.settings.warning = 0;
        PutCustomMaterial(t.M().customMaterials, "metal.mat", MakeColorMat(1));
        t.s.yesNo = {false, true};
        dlg->Button(Dlg::Convert)->click();
        // No word on the saves, then Convert's question.
        apptest::CompareRecorded(u"materials_convert_asked.txt"_s,
                                 (t.s.messages + t.s.questions).join(QLatin1Char('\n')));
        const SortedEntryList& custom = t.M().customMaterials;
        QCOMPARE(custom.Count(), std::size_t{2});  // mine and metal
        dlg->ConvertMaterials();
        QCOMPARE(custom.Count(), std::size_t{4});  // dflt and wood too
        QVERIFY(t.doc.Doc().IsModified());
    }

    void previewFillsTheFrameWithTheFirstRowAtTheTop()
    {
        Mats t;
        t.res.settings.colorBackground = 0x00336699;  // red 0x99, green 0x66, blue 0x33
        // A 2 x 2 picture: top row palette colour 1, bottom row colour 2.
        MaterialImage pic;
        pic.width = pic.height = 2;
        pic.stride = 4;
        pic.celCount = 1;
        pic.pixels = {1, 1, 2, 2};
        PutCustomMaterial(t.M().customMaterials, "twotone.mat", MakeMat(pic));
        t.M().materials.push_back("twotone.mat");
        auto dlg = t.Open();
        dlg->resize(640, 400);
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        QVERIFY(dlg->SelectName(u"twotone.mat"_s));
        const QImage shot = dlg->Preview()->grab().toImage();
        const QRect r = dlg->Preview()->contentsRect();
        const Palette pal = SamplePalette();
        const QColor top(pal[3], pal[4], pal[5]), bottom(pal[6], pal[7], pal[8]);
        QCOMPARE(QColor(shot.pixel(r.left() + 2, r.top() + 2)), top);
        QCOMPARE(QColor(shot.pixel(r.right() - 2, r.top() + r.height() / 4)), top);
        QCOMPARE(QColor(shot.pixel(r.left() + 2, r.bottom() - 2)), bottom);
        dlg->Preview()->ClearImage();
        QCOMPARE(QColor(dlg->Preview()->grab().toImage().pixel(r.center())), QColor(0x99, 0x66, 0x33));
    }
};

QTEST_MAIN(MaterialsDlgTest)
#include "materials_dlg_test.moc"
