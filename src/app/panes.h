// The four property panes beside the 3D view: the current geometry set, mesh, face and
// vertex. Each reloads on every update of its document and writes a field back when
// the field loses the focus or a combo box changes.
#pragma once

#include <QDialog>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "document/edit_context.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLineEdit;
class QPushButton;

namespace orv {

class CDocument;
class Selection;
struct CFace;
struct CMesh;

// What the panes work on: the document and the selection of its 3D view.
struct PaneContext {
    CDocument* doc = nullptr;
    std::function<Selection*()> selection;
    // Opens the Materials dialog for the current face, which refreshes the views after
    // what it changed; returns whether it was closed with Ok.
    std::function<bool()> chooseMaterial;
};

class CPane : public QWidget {
    Q_OBJECT
public:
    CPane(PaneContext ctx, QWidget* parent);
    virtual void Refresh() = 0;
    // Minimum height the splitter should give the pane for its layout.
    int IdealHeight() const { return idealHeight_; }

protected:
    // Stores the fields into the model (a field lost the focus or a combo changed).
    virtual void WriteBack() = 0;
    Selection* Sel() const;
    CMesh* CurrentMesh() const;
    CFace* CurrentFace() const;
    // After a write-back: mark the document modified and update every other view.
    void Changed();
    // Runs a change of the fields as one undo step of the document; whether it changed
    // the model.
    template <class Params>
    bool Edit(EditOutcome (*op)(EditContext&, const Params&), const Params& params);
    QLineEdit* AddEdit(QFormLayout* form, const QString& label, const QString& id, bool readOnly = false);
    QComboBox* AddCombo(QFormLayout* form, const QString& label, const QString& id, const QStringList& items);
    QDoubleSpinBox* AddSpin(QFormLayout* form, const QString& label, const QString& id, double lo, double hi,
                            double step, int decimals);

    PaneContext ctx_;
    bool loading_ = false;
    int idealHeight_ = 0;
};

class CGeoView : public CPane {
    Q_OBJECT
public:
    CGeoView(PaneContext ctx, QWidget* parent = nullptr);
    void Refresh() override;

private:
    void WriteBack() override;
    QComboBox* geoset_;
    QLineEdit* radius_;
    QDoubleSpinBox* offset_[3];
};

class CMeshView : public CPane {
    Q_OBJECT
public:
    CMeshView(PaneContext ctx, QWidget* parent = nullptr);
    void Refresh() override;

private:
    void WriteBack() override;
    QLineEdit* number_;
    QLineEdit* name_;
    QLineEdit* radius_;
    QComboBox* modes_[3];
};

class CFaceView : public CPane {
    Q_OBJECT
public:
    CFaceView(PaneContext ctx, QWidget* parent = nullptr);
    void Refresh() override;

    // The flags field: decimal, or hexadecimal when the text holds x or X; nullopt when
    // it is no number.
    static std::optional<uint32_t> ParseFlags(const QString& text);
    static QString FormatFlags(uint32_t flags);

private:
    void WriteBack() override;
    void EditFlags();
    QLineEdit* number_;
    QLineEdit* name_;
    QPushButton* materialButton_;
    QLineEdit* material_;
    QPushButton* flagsButton_;
    QLineEdit* flags_;
    QComboBox* modes_[3];
    QLineEdit* extraLight_;
};

class CVertexView : public CPane {
    Q_OBJECT
public:
    CVertexView(PaneContext ctx, QWidget* parent = nullptr);
    void Refresh() override;

private:
    void WriteBack() override;
    QLineEdit* number_;
    QDoubleSpinBox* fields_[5];  // X, Y, Z (world), U, V
};

// The "Face Flags" dialog: the three flag bits as check boxes.
class CFaceFlagsDlg : public QDialog {
    Q_OBJECT
public:
    CFaceFlagsDlg(uint32_t flags, QWidget* parent = nullptr);
    uint32_t Flags() const;

private:
    uint32_t flags_;
    QCheckBox* boxes_[3];
};

}  // namespace orv
