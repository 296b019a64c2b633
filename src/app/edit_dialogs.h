// The dialogs of the edit commands: the Texture Coordinates tool and the three
// primitive shapes. They collect values and call the core; every change they make to
// the model is one undo step.
#pragma once

#include <QDialog>
#include <functional>

#include "document/document.h"
#include "edit/carve.h"
#include "edit/primitives.h"
#include "edit/texture_tool.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class QDoubleSpinBox;
class QFormLayout;
class QLineEdit;
class QSpinBox;

namespace orv {

class CDocument;

// "Texture Coordinates": the seven parameters of the current face. Apply, the Mirror
// box and every spin click lay the texture out at once without storing the parameters;
// OK stores them and lays it out; Cancel keeps what was applied. The first change made
// takes the dialog's one undo snapshot.
class CTextureDlg : public QDialog {
    Q_OBJECT
public:
    // Works on the current face of the context's selection, which must have one.
    CTextureDlg(CDocument& doc, const EditContext& context, QWidget* parent = nullptr);

    TextureLayout Layout() const;
    // Lays the fields' layout out on the face; false, after telling why, when the face
    // cannot take it.
    bool Apply();
    void SetMessageHandler(std::function<void(const QString&)> show) { showMessage_ = std::move(show); }

private:
    void Accept();
    bool LayOut(bool store);

    CDocument& doc_;
    EditContext context_;
    // Every Apply of one opening of the dialog is one undo step.
    COrvaneDoc::OpenStep step_;
    bool loading_ = true;
    QSpinBox* start_ = nullptr;
    QDoubleSpinBox* uOffset_ = nullptr;
    QDoubleSpinBox* vOffset_ = nullptr;
    QDoubleSpinBox* uScale_ = nullptr;
    QDoubleSpinBox* vScale_ = nullptr;
    QDoubleSpinBox* angle_ = nullptr;
    QCheckBox* mirror_ = nullptr;
    std::function<void(const QString&)> showMessage_;
};

// "Extrude Face": angles and shape with exactly two grid nodes selected, otherwise the
// three vertices whose depths span the end face; depths and indent; out of the mesh or
// into it (outward: the choice it opens with). OK is refused, with the reason, for values
// out of range or three vertices that are not all different.
class CExtrudeDlg : public QDialog {
    Q_OBJECT
public:
    CExtrudeDlg(int vertexCount, bool twoGridNodes, bool outward = false, QWidget* parent = nullptr);
    ExtrudeParams Params() const;
    void SetMessageHandler(std::function<void(const QString&)> show) { showMessage_ = std::move(show); }

private:
    int vertexCount_;
    QDoubleSpinBox* upDown_ = nullptr;
    QDoubleSpinBox* leftRight_ = nullptr;
    QDoubleSpinBox* indent_ = nullptr;
    QComboBox* vertex_[3] = {nullptr, nullptr, nullptr};
    QDoubleSpinBox* depth_[3] = {nullptr, nullptr, nullptr};
    QRadioButton* rotated_ = nullptr;
    QRadioButton* out_ = nullptr;
    std::function<void(const QString&)> showMessage_;
};

// "Create Rectangle", "Create Cylinder" and "Create Dome": sizes, a face name and the
// texture, which "&Texture" chooses in the Materials dialog. OK is refused, with the
// reason, while a size lies outside its range.
class CPrimitiveDlg : public QDialog {
    Q_OBJECT
public:
    enum class Shape { Rectangle, Cylinder, Dome };
    CPrimitiveDlg(Shape shape, const QString& texture, QWidget* parent = nullptr);

    Shape GetShape() const { return shape_; }
    BoxSize Box() const;
    CylinderSize Cylinder() const;
    DomeSize Dome() const;
    NewFaceStyle Style() const;
    // Why the values cannot be built ("" when they can).
    QString Problem() const;

    // Opens the material chooser; returns the name chosen, or an empty string.
    void SetTextureChooser(std::function<QString()> choose) { chooseTexture_ = std::move(choose); }
    void SetMessageHandler(std::function<void(const QString&)> show) { showMessage_ = std::move(show); }

private:
    QDoubleSpinBox* AddNumber(QFormLayout* form, const char* label, const char* id, double value, int decimals);
    QSpinBox* AddCount(QFormLayout* form, const char* label, const char* id, int value);

    Shape shape_;
    QDoubleSpinBox* width_ = nullptr;
    QDoubleSpinBox* depth_ = nullptr;
    QDoubleSpinBox* height_ = nullptr;
    QDoubleSpinBox* radius_ = nullptr;
    QDoubleSpinBox* length_ = nullptr;
    QDoubleSpinBox* textureScale_ = nullptr;
    QSpinBox* sides_ = nullptr;
    QSpinBox* rings_ = nullptr;
    QLineEdit* faceName_ = nullptr;
    QLineEdit* texture_ = nullptr;
    std::function<QString()> chooseTexture_;
    std::function<void(const QString&)> showMessage_;
};

}  // namespace orv
