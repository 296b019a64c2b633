// The "Materials" dialog: the model's materials with a preview, to assign one to the
// current face, add stock materials, delete materials, load bitmaps and MAT files as
// custom materials, save a material as a bitmap or MAT, and turn the stock materials
// the model uses into custom ones. Opened a second time, over the first, it lists the
// game's stock materials to add one. Everything done in the dialog is one undo step,
// which Cancel takes back.
#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

#include "app/document.h"
#include "app/prompts.h"
#include "edit/materials.h"
#include "resources/material.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace orv {

class CMaterialPreview;

class CMaterialsDlg : public QDialog {
    Q_OBJECT
public:
    enum class Mode {
        InModel,     // "Materials in 3DO": the model's materials
        AddToModel,  // "Add Material to 3DO": the catalogue's stock materials
    };
    // Control ids of the buttons, for Button().
    enum Control { Ok = 1, Cancel = 2, Save = 5, Load = 6, Add = 7, Convert = 8, Delete = 9, Help = 57670 };

    // currentFace: the face "&Ok" gives the selected material (InModel only), if any.
    // The settings ("Warning", "ColorMap", "ColorBackground") and the game's resources
    // come from the document's services.
    CMaterialsDlg(CDocument& document, Mode mode, std::optional<FaceIndex> currentFace = std::nullopt,
                  QWidget* parent = nullptr, Prompts prompts = StandardPrompts());
    ~CMaterialsDlg() override;

    // The dialog's result: the name selected when "&Ok" closed it.
    const QString& SelectedName() const { return result_; }
    // The name selected in the list now.
    QString CurrentName() const;
    bool SelectName(const QString& name);

    // The buttons' commands. Cancel (and Esc, and closing the window) takes back every
    // change made in the dialog.
    void OnOk();
    void reject() override;
    void AddMaterial();
    void DeleteMaterial();
    void LoadMaterials();
    void SaveMaterial();
    void ConvertMaterials();
    // Loads files as "&Load" does after its file dialog.
    void LoadMaterialFiles(const QStringList& paths);

    Mode GetMode() const { return mode_; }
    QListWidget* List() const { return list_; }
    CMaterialPreview* Preview() const { return preview_; }
    QPushButton* Button(Control id) const;
    // The picture of the selected material, when it has one.
    const std::optional<MaterialImage>& Image() const { return image_; }
    // Where the selected material was found ("From: ...").
    QLabel* Origin() const { return origin_; }

private:
    QString ModeText() const;
    void ShowSelected();
    enum class LoadResult { Loaded, Failed, Stop };  // Stop: the user declined to replace
    // Reads one file of a Load into `file`; `taken` are the files this Load took before.
    LoadResult LoadMaterialFile(const QString& path, const std::vector<MaterialFile>& taken,
                                std::optional<MaterialFile>& file);
    // Runs a change of the dialog as part of its one undo step.
    template <class Params>
    bool Change(EditOutcome (*op)(EditContext&, const Params&), const Params& params, EditOutcome* outcome = nullptr);
    // Cancel: the model as it was when the dialog opened.
    void TakeBackChanges();
    void Report(const QString& text);
    // Views load their textures again and every pane refreshes.
    void NotifyMaterialsChanged();
    bool Warn() const;

    CDocument& document_;
    Mode mode_;
    std::optional<FaceIndex> face_;
    // The undo step of the dialog's changes: its own, or, for the stock list opened over
    // the model's, the one of the dialog below it (whose Cancel takes both back).
    COrvaneDoc::OpenStep ownStep_;
    COrvaneDoc::OpenStep* step_ = &ownStep_;
    Prompts prompts_;
    std::string colormap_;
    QString result_;
    std::optional<MaterialImage> image_;

    QListWidget* list_ = nullptr;
    CMaterialPreview* preview_ = nullptr;
    QLabel* origin_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* help_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* convert_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* save_ = nullptr;
};

}  // namespace orv
