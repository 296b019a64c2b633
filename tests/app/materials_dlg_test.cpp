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

// A model with three materials and four faces: on 0, 1, 2 and 1.
CFace* FillModel(CModel& m)
{
    m.materials = {"Dflt.mat", "metal.mat", "WOOD.mat"};
    auto geo = std::make_unique<CGeometry>();
    auto mesh = std::make_unique<CMesh>();
    for (int material : {0, 1, 2, 1}) {
        auto f = std::make_unique<CFace>();
        f->material = material;
        mesh->faces.push_back(std::move(f));
    }
    CFace* third = mesh->faces[2].get();
    geo->meshes.push_back(std::move(mesh));
    m.geosets.push_back(std::move(geo));
    return third;
}

std::vector<int32_t> FaceMaterials(const CModel& m)
{
    std::vector<int32_t> out;
    for (const auto& g : m.geosets)
        for (const auto& mesh : g->meshes)
            for (const auto& f : mesh->faces)
                out.push_back(f->material);
    return out;
}

QStringList Items(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

}  // namespace

class MaterialsDlgTest : public QObject {
    Q_OBJECT
private slots:
    void listsTheModelsMaterialsWithTheFacesSelected()
    {
        Resources res;
        Script s;
        CDocument doc(res.services);
        CFace* face = FillModel(doc.Model());
        doc.Model().materials.push_back("aaa.mat");
        CMaterialsDlg dlg(doc, CMaterialsDlg::Mode::InModel, face, nullptr, s.Make());
        QCOMPARE(Items(dlg.List()), (QStringList{"aaa.mat", "dflt.mat", "metal.mat", "wood.mat"}));
        QCOMPARE(dlg.CurrentName(), QStringLiteral("wood.mat"));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Materials in 3DO - x= 64, y= 64"));
        for (auto id : {CMaterialsDlg::Ok, CMaterialsDlg::Cancel, CMaterialsDlg::Help, CMaterialsDlg::Add,
                        CMaterialsDlg::Delete, CMaterialsDlg::Convert, CMaterialsDlg::Load, CMaterialsDlg::Save})
            QVERIFY(!dlg.Button(id)->isHidden());
        QCOMPARE(dlg.Button(CMaterialsDlg::Convert)->text(), QStringLiteral("Con&vert"));
        // A name found nowhere (and no fallback) has no picture.
        res.catalog.materials.Clear();
        dlg.SelectName(QStringLiteral("dflt.mat"));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Materials in 3DO"));
        QVERIFY(!dlg.Image());
    }

    void addModeListsTheStockMaterials()
    {
        Resources res;
        Script s;
        CDocument doc(res.services);
        FillModel(doc.Model());
        CMaterialsDlg dlg(doc, CMaterialsDlg::Mode::AddToModel, nullptr, nullptr, s.Make());
        QStringList stock;
        for (const auto& e : res.catalog.materials.Entries())
            stock << QString::fromStdString(e->shortName);
        QCOMPARE(Items(dlg.List()), stock);
        QCOMPARE(dlg.CurrentName(), stock.first());
        QVERIFY(dlg.windowTitle().startsWith(QStringLiteral("Add Material to 3DO - x= ")));
        for (auto id : {CMaterialsDlg::Add, CMaterialsDlg::Delete, CMaterialsDlg::Load, CMaterialsDlg::Convert})
            QVERIFY(dlg.Button(id)->isHidden());
        QVERIFY(!dlg.Button(CMaterialsDlg::Save)->isHidden());
        // Ok appends the name once, whatever its case in the model.
        QVERIFY(dlg.SelectName(QStringLiteral("checker.mat")));
        dlg.OnOk();
        QCOMPARE(dlg.SelectedName(), QStringLiteral("checker.mat"));
        QCOMPARE(doc.Model().materials.size(), std::size_t{4});
        QCOMPARE(doc.Model().materials[3], std::string("checker.mat"));
        QVERIFY(doc.Doc().IsModified());
        CMaterialsDlg again(doc, CMaterialsDlg::Mode::AddToModel, nullptr, nullptr, s.Make());
        QVERIFY(again.SelectName(QStringLiteral("wood.mat")));
        again.OnOk();
        QCOMPARE(doc.Model().materials.size(), std::size_t{4});
    }

    void addThroughTheNestedDialog()
    {
        Resources res;
        Script s;
        CDocument doc(res.services);
        FillModel(doc.Model());
        s.exec = [](QDialog& d) {
            auto& stock = dynamic_cast<CMaterialsDlg&>(d);
            if (stock.GetMode() != CMaterialsDlg::Mode::AddToModel || !stock.SelectName(QStringLiteral("bricks.mat")))
                return static_cast<int>(QDialog::Rejected);
            stock.OnOk();
            return stock.result();
        };
        CMaterialsDlg dlg(doc, CMaterialsDlg::Mode::InModel, nullptr, nullptr, s.Make());
        dlg.Button(CMaterialsDlg::Add)->click();
        QCOMPARE(Items(dlg.List()), (QStringList{"bricks.mat", "dflt.mat", "metal.mat", "wood.mat"}));
        QCOMPARE(dlg.CurrentName(), QStringLiteral("bricks.mat"));
        QCOMPARE(doc.Model().materials.back(), std::string("bricks.mat"));
        // Cancelled: nothing changes.
        s.exec = [](QDialog&) { return static_cast<int>(QDialog::Rejected); };
        dlg.AddMaterial();
        QCOMPARE(dlg.List()->count(), 4);
    }

    void okGivesTheCurrentFaceTheMaterial()
    {
        Resources res;
        Script s;
        CDocument doc(res.services);
        CFace* face = FillModel(doc.Model());
        QSignalSpy changed(&doc, &CDocument::materialsChanged);
        CMaterialsDlg dlg(doc, CMaterialsDlg::Mode::InModel, face, nullptr, s.Make());
        QVERIFY(dlg.SelectName(QStringLiteral("metal.mat")));
        dlg.Button(CMaterialsDlg::Ok)->click();
        QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(dlg.SelectedName(), QStringLiteral("metal.mat"));
        QCOMPARE(face->material, 1);
        QCOMPARE(FaceMaterials(doc.Model()), (std::vector<int32_t>{0, 1, 1, 1}));
        QVERIFY(doc.Doc().IsModified());
        QCOMPARE(changed.count(), 1);
    }

    void deleteWithWarningOffKeepsTheOtherFacesOnTheirs()
    {
        Resources res;
        res.settings.warning = 0;
        Script s;
        CDocument doc(res.services);
        CFace* face = FillModel(doc.Model());
        PutCustomMaterial(doc.Model().customMaterials, "metal.mat", MakeColorMat(3));
        PutCustomMaterial(doc.Model().customMaterials, "zeta.mat", MakeColorMat(4));
        QSignalSpy changed(&doc, &CDocument::materialsChanged);
        CMaterialsDlg dlg(doc, CMaterialsDlg::Mode::InModel, face, nullptr, s.Make());
        QVERIFY(dlg.SelectName(QStringLiteral("metal.mat")));
        dlg.Button(CMaterialsDlg::Delete)->click();
        QVERIFY(s.questions.isEmpty());
        // Faces on metal lose it; the wood face moves from 2 to 1 and stays on wood.
        QCOMPARE(FaceMaterials(doc.Model()), (std::vector<int32_t>{0, -1, 1, -1}));
        QCOMPARE(doc.Model().materials, (std::vector<std::string>{"Dflt.mat", "WOOD.mat"}));
        QCOMPARE(doc.Model().materials[static_cast<std::size_t>(face->material)], std::string("WOOD.mat"));
        // Its custom material went with it; the other's offset is recomputed.
        QCOMPARE(doc.Model().customMaterials.Count(), std::size_t{1});
        QCOMPARE(doc.Model().customMaterials.At(0).name, std::string("zeta.mat"));
        QCOMPARE(doc.Model().customMaterials.At(0).offset, 0u);
        QCOMPARE(Items(dlg.List()), (QStringList{"dflt.mat", "wood.mat"}));
        QCOMPARE(dlg.CurrentName(), QStringLiteral("dflt.mat"));  // the entry before it
        QVERIFY(doc.Doc().IsModified());
        QCOMPARE(changed.count(), 1);
    }

    void deleteWithWarningOnAsksFirst()
    {
        Resources res;
        Script s;
        CDocument doc(res.services);
        FillModel(doc.Model());
        doc.Model().materials.push_back("unused.mat");
        CMaterialsDlg dlg(doc, CMaterialsDlg::Mode::InModel, nullptr, nullptr, s.Make());
        QVERIFY(dlg.SelectName(QStringLiteral("dflt.mat")));
        s.yesNo.push_back(false);
        dlg.DeleteMaterial();
        QCOMPARE(s.questions, QStringList{QStringLiteral(
                                  "The selected material is used at several faces.\n\n"
                                  "Are you sure that you want to continue deletion?")});
        QCOMPARE(doc.Model().materials.size(), std::size_t{4});
        QCOMPARE(FaceMaterials(doc.Model()), (std::vector<int32_t>{0, 1, 2, 1}));
        QVERIFY(!doc.Doc().IsModified());
        s.yesNo.push_back(true);
        dlg.DeleteMaterial();
        QCOMPARE(FaceMaterials(doc.Model()), (std::vector<int32_t>{-1, 0, 1, 0}));
        // A material no face uses goes without a question.
        QVERIFY(dlg.SelectName(QStringLiteral("unused.mat")));
        dlg.DeleteMaterial();
        QCOMPARE(s.questions.size(), 2);
        QCOMPARE(doc.Model().materials, (std::vector<std::string>{"metal.mat", "WOOD.mat"}));
    }

    void loadingCrateTwiceAsksBeforeReplacing()
    {
        Resources res;
        res.settings.colorMap = "dflt.cmp";
        Script s;
        QTemporaryDir dir;
        CDocument doc(res.services);
        FillModel(doc.Model());
        const QString crate = dir.filePath(QStringLiteral("Crate.bmp"));
        QVERIFY(WriteBmpFile(P(crate), TestPicture()));
        CMaterialsDlg dlg(doc, CMaterialsDlg::Mode::InModel, nullptr, nullptr, s.Make());
        s.openAnswers.push_back(Answer({crate}));
        dlg.Button(CMaterialsDlg::Load)->click();
        QCOMPARE(s.openRequests[0].filter, QStringLiteral("Material Files (*.mat, *.bmp)|*.mat;*.bmp||"));
        QCOMPARE(s.openRequests[0].fileName, QStringLiteral("Load"));
        QCOMPARE(s.openRequests[0].defaultSuffix, QStringLiteral("MAT"));
        QVERIFY(s.openRequests[0].multiple);
        QVERIFY(s.questions.isEmpty());
        CModel& m = doc.Model();
        QCOMPARE(m.customMaterials.Count(), std::size_t{1});
        QCOMPARE(m.customMaterials.At(0).name, std::string("crate.mat"));
        MaterialImage expected = TestPicture();
        RemapToPalette(expected, PaletteOf(GreyColormap()));  // the ColorMap setting's palette
        QCOMPARE(m.customMaterials.At(0).data, MakeMat(expected));
        QCOMPARE(m.customMaterials.At(0).size, static_cast<uint32_t>(MakeMat(expected).size()));
        QCOMPARE(m.materials.back(), std::string("crate.mat"));
        QCOMPARE(dlg.CurrentName(), QStringLiteral("crate.mat"));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Materials in 3DO - x= 5, y= 3"));
        QVERIFY(doc.Doc().IsModified());

        // Again, with Warning on: asked; No keeps the first.
        MaterialImage other = TestPicture();
        other.pixels.assign(other.pixels.size(), 3);
        QVERIFY(WriteBmpFile(P(crate), other));
        s.yesNo.push_back(false);
        dlg.LoadMaterialFiles({crate});
        QCOMPARE(s.questions,
                 QStringList{QStringLiteral("The item \"crate.mat\" already exist. Do you want to overwrite the existing item?")});
        QCOMPARE(m.customMaterials.Count(), std::size_t{1});
        QCOMPARE(m.customMaterials.At(0).data, MakeMat(expected));
        // Yes replaces it; the name is listed once.
        s.yesNo.push_back(true);
        dlg.LoadMaterialFiles({crate});
        QCOMPARE(m.customMaterials.Count(), std::size_t{1});
        QVERIFY(m.customMaterials.At(0).data != MakeMat(expected));
        QCOMPARE(std::count(m.materials.begin(), m.materials.end(), std::string("crate.mat")), 1);
        QCOMPARE(dlg.List()->findItems(QStringLiteral("crate.mat"), Qt::MatchExactly).size(), 1);
    }

    void loadKeepsOffsetsAsRunningSums()
    {
        Resources res;
        res.settings.warning = 0;
        Script s;
        QTemporaryDir dir;
        CDocument doc(res.services);
        FillModel(doc.Model());
        const QString a = dir.filePath(QStringLiteral("b.bmp"));
        const QString b = dir.filePath(QStringLiteral("a.mat"));
        const QString junk = dir.filePath(QStringLiteral("junk.mat"));
        QVERIFY(WriteBmpFile(P(a), TestPicture()));
        QVERIFY(WriteAll(b, MakeColorMat(9)));
        QVERIFY(WriteAll(junk, Bytes("not a material")));
        CMaterialsDlg dlg(doc, CMaterialsDlg::Mode::InModel, nullptr, nullptr, s.Make());
        dlg.LoadMaterialFiles({a, junk, b});
        // The junk is refused with a message; the others are loaded.
        QCOMPARE(s.messages.size(), 1);
        const CTree& custom = doc.Model().customMaterials;
        QCOMPARE(custom.Count(), std::size_t{2});
        QCOMPARE(custom.At(0).name, std::string("a.mat"));
        QCOMPARE(custom.At(0).offset, 0u);
        QCOMPARE(custom.At(1).name, std::string("b.mat"));
        QCOMPARE(custom.At(1).offset, custom.At(0).size);
        QCOMPARE(custom.At(0).data, MakeColorMat(9));
    }

    void saveAsBitmapAndAsMat()
    {
        Resources res;
        Script s;
        QTemporaryDir dir;
        CDocument doc(res.services);
        FillModel(doc.Model());
        CMaterialsDlg dlg(doc, CMaterialsDlg::Mode::InModel, nullptr, nullptr, s.Make());
        QVERIFY(dlg.SelectName(QStringLiteral("wood.mat")));
        s.saveAnswers.push_back(Answer({dir.filePath(QStringLiteral("wood.bmp"))}, 0));
        dlg.Button(CMaterialsDlg::Save)->click();
        QCOMPARE(s.saveRequests[0].fileName, QStringLiteral("wood"));
        QCOMPARE(s.saveRequests[0].filter, QStringLiteral("BMP Files (*.bmp)|*.bmp|MAT Files (*.mat)|*.mat||"));
        QCOMPARE(s.saveRequests[0].defaultSuffix, QStringLiteral("BMP"));
        MaterialImage image;
        QCOMPARE(ConvertMat(res.Entry("3do\\mat\\wood.mat"), SamplePalette(), image), MatStatus::Ok);
        QCOMPARE(ReadAll(dir.filePath(QStringLiteral("wood.bmp"))), WriteBmp(image));
        s.saveAnswers.push_back(Answer({dir.filePath(QStringLiteral("wood.mat"))}, 1));
        dlg.SaveMaterial();
        QCOMPARE(ReadAll(dir.filePath(QStringLiteral("wood.mat"))), res.Entry("3do\\mat\\wood.mat"));
        // A custom material is saved from the document.
        PutCustomMaterial(doc.Model().customMaterials, "mine.mat", MakeColorMat(5));
        doc.Model().materials.push_back("mine.mat");
        CMaterialsDlg again(doc, CMaterialsDlg::Mode::InModel, nullptr, nullptr, s.Make());
        QVERIFY(again.SelectName(QStringLiteral("mine.mat")));
        s.saveAnswers.push_back(Answer({dir.filePath(QStringLiteral("mine.mat"))}, 1));
        again.SaveMaterial();
        QCOMPARE(ReadAll(dir.filePath(QStringLiteral("mine.mat"))), MakeColorMat(5));
        QVERIFY(s.messages.isEmpty());
    }

    void convertAsksAlwaysAndCopiesStockMaterials()
    {
        Resources res;
        res.settings.warning = 0;
        Script s;
        CDocument doc(res.services);
        FillModel(doc.Model());
        doc.Model().materials.push_back("nowhere.mat");
        PutCustomMaterial(doc.Model().customMaterials, "metal.mat", MakeColorMat(1));
        CMaterialsDlg dlg(doc, CMaterialsDlg::Mode::InModel, nullptr, nullptr, s.Make());
        s.yesNo.push_back(false);
        dlg.Button(CMaterialsDlg::Convert)->click();
        QCOMPARE(s.questions,
                 QStringList{QStringLiteral("Do you want to convert all used JK/Mots materials into custom materials?")});
        QCOMPARE(doc.Model().customMaterials.Count(), std::size_t{1});
        s.yesNo.push_back(true);
        dlg.ConvertMaterials();
        const CTree& custom = doc.Model().customMaterials;
        QCOMPARE(custom.Count(), std::size_t{3});
        QCOMPARE(custom.At(0).name, std::string("dflt.mat"));
        QCOMPARE(custom.At(0).data, res.Entry("3do\\mat\\dflt.mat"));
        QCOMPARE(custom.At(1).data, MakeColorMat(1));  // an existing custom material stays
        QCOMPARE(custom.At(2).name, std::string("wood.mat"));
        uint32_t offset = 0;
        for (std::size_t i = 0; i < custom.Count(); ++i) {
            QCOMPARE(custom.At(i).offset, offset);
            offset += custom.At(i).size;
        }
        QVERIFY(doc.Doc().IsModified());
    }

    void previewFillsTheFrameWithTheFirstRowAtTheTop()
    {
        Resources res;
        res.settings.colorBackground = 0x00336699;  // red 0x99, green 0x66, blue 0x33
        Script s;
        CDocument doc(res.services);
        FillModel(doc.Model());
        // A 2 × 2 picture: top row palette colour 1, bottom row colour 2.
        MaterialImage pic;
        pic.width = 2;
        pic.height = 2;
        pic.stride = 4;
        pic.celCount = 1;
        pic.pixels = {1, 1, 2, 2};
        PutCustomMaterial(doc.Model().customMaterials, "twotone.mat", MakeMat(pic));
        doc.Model().materials.push_back("twotone.mat");
        CMaterialsDlg dlg(doc, CMaterialsDlg::Mode::InModel, nullptr, nullptr, s.Make());
        dlg.resize(640, 400);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(dlg.SelectName(QStringLiteral("twotone.mat")));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Materials in 3DO - x= 2, y= 2"));
        const QImage shot = dlg.Preview()->grab().toImage();
        const QRect r = dlg.Preview()->contentsRect();
        const Palette pal = SamplePalette();
        const QColor top(pal[3], pal[4], pal[5]);
        const QColor bottom(pal[6], pal[7], pal[8]);
        QCOMPARE(QColor(shot.pixel(r.left() + 2, r.top() + 2)), top);
        QCOMPARE(QColor(shot.pixel(r.right() - 2, r.top() + r.height() / 4)), top);
        QCOMPARE(QColor(shot.pixel(r.left() + 2, r.bottom() - 2)), bottom);
        // Without a picture the frame shows the background colour.
        dlg.Preview()->ClearImage();
        const QImage empty = dlg.Preview()->grab().toImage();
        QCOMPARE(QColor(empty.pixel(r.center())), QColor(0x99, 0x66, 0x33));
    }
};

QTEST_MAIN(MaterialsDlgTest)
#include "materials_dlg_test.moc"
