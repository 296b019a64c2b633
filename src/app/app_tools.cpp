// The tool commands that need a dialog: the model check, the texture tool, the questions
// Carve, Extrude and the shapes ask, and the material chooser.
#include "app/app.h"

#include <QFileDialog>
#include <QInputDialog>

#include "app/checkmod_dlg.h"
#include "app/childframe.h"
#include "app/edit_dialogs.h"
#include "app/limits_dlg.h"
#include "app/mainframe.h"
#include "app/materials_dlg.h"
#include "app/orvaneview.h"
#include "base/text.h"

namespace orv {

void COrvaneApp::CheckModel(CChildFrame* frame)
{
    if (!frame)
        return;
    CModel& model = frame->Document()->Model();
    for (auto& geoset : model.geosets)
        for (auto& mesh : geoset.meshes)
            mesh.RebuildMeshLists();
    CLimitsDlg dlg(CheckEngineLimits(model), CLimitsDlg::Purpose::Check, frame->Document()->DisplayName(), frame_,
                   CheckFaceShapes(model), FindMissingResources(model, frame->Document()->Sources()).Lines());
    prompts_.exec(dlg);
}

Result<ModCheckReport> COrvaneApp::CheckModWithGame(const std::filesystem::path& mod) const
{
    ModCheckOptions options;
    options.mod = {mod};
    if (!services_.resourceFile.empty())
        options.game.push_back(services_.resourceFile);
    for (const std::string& entry : searchPath_.Entries())
        options.game.push_back(entry);
    return CheckMod(options);
}

void COrvaneApp::CheckModAround(CChildFrame* frame)
{
    namespace fs = std::filesystem;
    CCheckModDlg dlg([this](const fs::path& mod) { return CheckModWithGame(mod); },
                     [this](const fs::path& model, const FindingPlace& place) {
                         CChildFrame* opened = OpenFile(QString::fromStdString(model.string()));
                         if (!opened || place.mesh < 0)
                             return;
                         // The mesh and face the finding names, current in the model's window.
                         Selection* sel = opened->CurrentSelection();
                         sel->currentMesh = place.mesh;
                         sel->currentFace = place.face;
                         opened->RefreshPanes();
                         opened->View()->RequestFrame();
                     },
                     frame_);
    QObject::connect(&dlg, &CCheckModDlg::folderWanted, &dlg, [&dlg] {
        const QString folder = QFileDialog::getExistingDirectory(&dlg, QStringLiteral("Check Mod: Folder"));
        if (!folder.isEmpty())
            dlg.Check(folder.toStdString());
    });
    QObject::connect(&dlg, &CCheckModDlg::archiveWanted, &dlg, [this, &dlg] {
        FileRequest request;
        request.caption = QStringLiteral("Check Mod: Archive");
        request.filters = {{"Archives (*.gob *.goo)", {"*.gob", "*.goo"}}, {"All Files (*)", {"*"}}};
        const FileAnswer answer = prompts_.openFiles(&dlg, request);
        if (!answer.Cancelled())
            dlg.Check(answer.files.first().toStdString());
    });
    // The mod around the open model: its folder, or the mod's root above a 3do/ folder.
    const std::string path = frame ? frame->Document()->Doc().PathName() : std::string();
    if (!path.empty()) {
        fs::path folder = fs::absolute(fs::path(path)).parent_path();
        if (EqualNoCase(folder.filename().string(), "3do"))
            folder = folder.parent_path();
        dlg.Check(folder);
    }
    prompts_.exec(dlg);
}

void COrvaneApp::RunTextureTool(CChildFrame* frame)
{
    if (!frame)
        return;
    const EditContext c = frame->View()->Context();
    if (!c.selection || !c.selection->CurrentFace(c.model()))
        return;
    CTextureDlg dlg(*frame->Document(), c, frame_);
    dlg.SetMessageHandler([this](const QString& text) { Message(QMessageBox::Warning, text); });
    prompts_.exec(dlg);
}

bool COrvaneApp::ConfirmCarve()
{
    return settings_.warning == 0 ||
           prompts_.message(frame_, QMessageBox::Question, QStringLiteral("Do you want to carve the current mesh?"),
                          QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<FitOptions> COrvaneApp::AskFitOptions()
{
    QInputDialog dlg(frame_);
    dlg.setWindowTitle(QStringLiteral("Fit to Engine Limits"));
    dlg.setInputMode(QInputDialog::IntInput);
    dlg.setLabelText(
        QStringLiteral("Geometry sets, the full model first and then its levels of detail\n"
                       "(1 to 4; 0 keeps the model's sets as they are):"));
    dlg.setIntRange(0, static_cast<int>(kMaxGeometrySets));
    dlg.setIntValue(0);
    if (prompts_.exec(dlg) != QDialog::Accepted)
        return std::nullopt;
    FitOptions options;
    options.levels = dlg.intValue();
    return options;
}

void COrvaneApp::ShowFitReport(const FitReport& report)
{
    QString text = QStringLiteral("The model is within the engine's limits.");
    if (report.Changed()) {
        text = QStringLiteral("The model was fitted to the engine's limits:\n");
        for (const std::string& line : report.lines)
            text += QStringLiteral("\n") + QString::fromStdString(line);
    }
    for (const std::string& line : report.problems)
        text += QStringLiteral("\n\n") + QString::fromStdString(line);
    Message(report.problems.empty() ? QMessageBox::Information : QMessageBox::Warning, text);
}

std::optional<ExtrudeParams> COrvaneApp::AskExtrude(const EditContext& c)
{
    const CFace* face = c.selection ? c.selection->CurrentFace(c.model()) : nullptr;
    if (!face)
        return std::nullopt;
    CExtrudeDlg dlg(static_cast<int>(face->corners.size()), c.selection->selectedPositions.size() == 2,
                    settings_.extrudeOut != 0, frame_);
    dlg.SetMessageHandler([this](const QString& text) { Message(QMessageBox::Warning, text); });
    if (prompts_.exec(dlg) != QDialog::Accepted)
        return std::nullopt;
    const ExtrudeParams params = dlg.Params();
    settings_.extrudeOut = params.outward ? 1 : 0;  // the way the next extrusion starts from
    return params;
}

std::optional<PrimitiveParams> COrvaneApp::AskPrimitive(const EditContext& c, PrimitiveShape shape)
{
    CChildFrame* frame = FrameOf(c.doc);
    if (!frame)
        return std::nullopt;
    const CPrimitiveDlg::Shape kind = shape == PrimitiveShape::Cylinder ? CPrimitiveDlg::Shape::Cylinder
                                      : shape == PrimitiveShape::Dome   ? CPrimitiveDlg::Shape::Dome
                                                                        : CPrimitiveDlg::Shape::Rectangle;
    CPrimitiveDlg dlg(kind, QString::fromStdString(DefaultPrimitiveMaterial(c)), frame_);
    dlg.SetMessageHandler([this](const QString& text) { Message(QMessageBox::Warning, text); });
    dlg.SetTextureChooser([this, frame, &dlg] {
        CMaterialsDlg choose(*frame->Document(), CMaterialsDlg::Mode::InModel, std::nullopt, &dlg, prompts_);
        return prompts_.exec(choose) == QDialog::Accepted ? choose.SelectedName() : QString();
    });
    if (prompts_.exec(dlg) != QDialog::Accepted)
        return std::nullopt;
    PrimitiveParams p;
    p.shape = shape;
    p.box = dlg.Box();
    p.cylinder = dlg.Cylinder();
    p.dome = dlg.Dome();
    p.style = dlg.Style();
    return p;
}

bool COrvaneApp::ChooseMaterial(CChildFrame* frame)
{
    CDocument* doc = frame->Document();
    // The face by its place: what the dialog does may give the document a new model.
    std::optional<FaceIndex> face;
    if (const Selection* sel = frame->CurrentSelection();
        sel && !doc->Doc().modes.meshMode && sel->CurrentFace(doc->Model()))
        face = FaceIndex{sel->currentMesh, sel->currentFace};
    // The dialog refreshes the views after what it changed or took back.
    CMaterialsDlg dlg(*doc, CMaterialsDlg::Mode::InModel, face, frame_, prompts_);
    return prompts_.exec(dlg) == QDialog::Accepted;
}

}  // namespace orv
