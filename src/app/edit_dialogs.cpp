#include "app/edit_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/document.h"

namespace orv {

namespace {

QDoubleSpinBox* Number(QWidget* parent, const char* id, double lo, double hi, double step, int decimals)
{
    auto* s = new QDoubleSpinBox(parent);
    s->setObjectName(QString::fromLatin1(id));
    s->setRange(lo, hi);
    s->setSingleStep(step);
    s->setDecimals(decimals);
    s->setKeyboardTracking(false);
    return s;
}

void ShowOr(const std::function<void(const QString&)>& show, QWidget* parent, const QString& text)
{
    if (show)
        show(text);
    else
        QMessageBox::warning(parent, QStringLiteral("Orvane"), text);
}

}  // namespace

// ---- Texture Coordinates ------------------------------------------------------------

CTextureDlg::CTextureDlg(CDocument& doc, const EditContext& context, QWidget* parent)
    : QDialog(parent), doc_(doc), context_(context)
{
    const CFace& face = *context_.selection->CurrentFace(context_.model());
    setWindowTitle(QStringLiteral("Texture Coordinates"));
    auto* form = new QFormLayout;
    start_ = new QSpinBox(this);
    start_->setObjectName(QStringLiteral("266"));
    // One step a click, wrapping from the last vertex to the first and back.
    start_->setRange(0, std::max<int>(0, static_cast<int>(face.corners.size()) - 1));
    start_->setWrapping(true);
    start_->setKeyboardTracking(false);
    form->addRow(QStringLiteral("Start Vertex:"), start_);
    // The stored values may lie outside the spin ranges (a transferred texture's
    // offsets are negative): the boxes must show them as they are.
    uOffset_ = Number(this, "245", -1000, 1000, 0.01, 5);
    vOffset_ = Number(this, "246", -1000, 1000, 0.01, 5);
    uScale_ = Number(this, "247", -1000, 1000, 0.1, 5);
    vScale_ = Number(this, "249", -1000, 1000, 0.1, 5);
    angle_ = Number(this, "243", -360, 360, 1, 4);
    form->addRow(QStringLiteral("U Offset:"), uOffset_);
    form->addRow(QStringLiteral("V Offset:"), vOffset_);
    form->addRow(QStringLiteral("U Scale:"), uScale_);
    form->addRow(QStringLiteral("V Scale:"), vScale_);
    form->addRow(QStringLiteral("Angle:"), angle_);
    mirror_ = new QCheckBox(QStringLiteral("Mirror:"), this);
    mirror_->setObjectName(QStringLiteral("1011"));
    form->addRow(mirror_);

    const TextureLayout stored = TextureLayoutOf(face);
    start_->setValue(stored.startVertex);
    uOffset_->setValue(stored.uOffset);
    vOffset_->setValue(stored.vOffset);
    uScale_->setValue(stored.uScale);
    vScale_->setValue(stored.vScale);
    angle_->setValue(stored.angle);
    mirror_->setChecked(stored.mirror);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    QPushButton* apply = buttons->addButton(QStringLiteral("&Apply"), QDialogButtonBox::ApplyRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("1"));
    apply->setObjectName(QStringLiteral("4001"));
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CTextureDlg::Accept);
    connect(apply, &QPushButton::clicked, this, &CTextureDlg::Apply);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(mirror_, &QCheckBox::clicked, this, &CTextureDlg::Apply);
    // A spin click shows its value and lays the texture out at once.
    for (QDoubleSpinBox* box : {uOffset_, vOffset_, uScale_, vScale_, angle_})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] {
            if (!loading_)
                Apply();
        });
    connect(start_, &QSpinBox::valueChanged, this, [this] {
        if (!loading_)
            Apply();
    });

    auto* col = new QVBoxLayout(this);
    col->addLayout(form);
    col->addWidget(buttons);
    loading_ = false;
}

TextureLayout CTextureDlg::Layout() const
{
    TextureLayout l;
    l.startVertex = start_->value();
    l.uOffset = static_cast<float>(uOffset_->value());
    l.vOffset = static_cast<float>(vOffset_->value());
    l.uScale = static_cast<float>(uScale_->value());
    l.vScale = static_cast<float>(vScale_->value());
    l.angle = static_cast<float>(angle_->value());
    l.mirror = mirror_->isChecked();
    return l;
}

bool CTextureDlg::Apply() { return LayOut(false); }

bool CTextureDlg::LayOut(bool store)
{
    const EditOutcome o = doc_.Doc().Run(context_, LayOutTexture, TextureLayoutParams{Layout(), store}, &step_);
    if (!o.message.empty()) {
        ShowOr(showMessage_, this, QString::fromStdString(o.message));
        return false;
    }
    doc_.UpdateAllViews();
    return true;
}

void CTextureDlg::Accept()
{
    // The layout laid out once more, and its parameters kept for the next opening.
    if (LayOut(true))
        accept();
}

// ---- Extrude Face ----------------------------------------------------------------------

CExtrudeDlg::CExtrudeDlg(int vertexCount, bool twoGridNodes, bool outward, QWidget* parent)
    : QDialog(parent), vertexCount_(vertexCount)
{
    setWindowTitle(QStringLiteral("Extrude Face"));
    auto* directions = new QGroupBox(QStringLiteral("Directions"), this);
    auto* dirForm = new QFormLayout(directions);
    upDown_ = Number(this, "4082", -1000, 1000, 1, 3);
    leftRight_ = Number(this, "4083", -1000, 1000, 1, 3);
    dirForm->addRow(QStringLiteral("Up/Down Angle:"), upDown_);
    dirForm->addRow(QStringLiteral("Left/Right Angle:"), leftRight_);
    const char* combos[3] = {"5070", "5071", "5072"};
    for (int i = 0; i < 3; ++i) {
        vertex_[i] = new QComboBox(this);
        vertex_[i]->setObjectName(QString::fromLatin1(combos[i]));
        if (i == 0)
            vertex_[i]->addItem(QStringLiteral("All Vertices"));
        for (int v = 0; v < vertexCount; ++v)
            vertex_[i]->addItem(QStringLiteral("Vertex %1").arg(v));
        // Rows without a label of their own: named for screen readers.
        vertex_[i]->setAccessibleName(QStringLiteral("Vertex %1").arg(i + 1));
        dirForm->addRow(vertex_[i]);
    }
    auto* depths = new QGroupBox(QStringLiteral("Depths:"), this);
    auto* depthForm = new QFormLayout(depths);
    const char* depthIds[3] = {"4000", "5039", "5040"};
    for (int i = 0; i < 3; ++i) {
        depth_[i] = Number(this, depthIds[i], -1000, 1000, 0.01, 4);
        depth_[i]->setValue(0.1);
        depth_[i]->setAccessibleName(QStringLiteral("Depth %1").arg(i + 1));
        depthForm->addRow(depth_[i]);
    }
    indent_ = Number(this, "4099", -1000, 1000, 0.01, 4);
    auto* shape = new QGroupBox(QStringLiteral("Shape"), this);
    auto* shapeCol = new QVBoxLayout(shape);
    auto* parallel = new QRadioButton(QStringLiteral("Parallelogram"), this);
    parallel->setObjectName(QStringLiteral("5197"));
    parallel->setChecked(true);
    rotated_ = new QRadioButton(QStringLiteral("Rotated End Face"), this);
    rotated_->setObjectName(QStringLiteral("5198"));
    shapeCol->addWidget(parallel);
    shapeCol->addWidget(rotated_);
    // Angles and shapes need the direction two grid nodes give; without them the end
    // face is spanned by three chosen vertices.
    for (QWidget* w : std::initializer_list<QWidget*>{upDown_, leftRight_, parallel, rotated_})
        w->setEnabled(twoGridNodes);
    vertex_[0]->setEnabled(!twoGridNodes);
    // Which way the face goes: out of the mesh makes a boss, into it a recess.
    auto* way = new QGroupBox(QStringLiteral("Extrude"), this);
    auto* wayCol = new QVBoxLayout(way);
    out_ = new QRadioButton(QStringLiteral("O&ut of the mesh"), way);
    out_->setObjectName(QStringLiteral("out"));
    auto* in = new QRadioButton(QStringLiteral("&Into the mesh"), way);
    in->setObjectName(QStringLiteral("in"));
    (outward ? out_ : in)->setChecked(true);
    wayCol->addWidget(out_);
    wayCol->addWidget(in);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    cancel->setObjectName(QStringLiteral("2"));
    connect(ok, &QPushButton::clicked, this, [this] {
        const std::string problem = CheckExtrudeParams(Params(), vertexCount_);
        if (problem.empty())
            accept();
        else
            ShowOr(showMessage_, this, QString::fromStdString(problem));
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* col = new QVBoxLayout(this);
    auto* indentForm = new QFormLayout;
    indentForm->addRow(QStringLiteral("Indent:"), indent_);
    col->addWidget(directions);
    col->addWidget(depths);
    col->addWidget(way);
    col->addLayout(indentForm);
    col->addWidget(shape);
    col->addWidget(buttons);
}

ExtrudeParams CExtrudeDlg::Params() const
{
    ExtrudeParams p;
    p.upDownAngle = static_cast<float>(upDown_->value());
    p.leftRightAngle = static_cast<float>(leftRight_->value());
    p.indent = static_cast<float>(indent_->value());
    p.firstVertex = vertex_[0]->currentIndex() - 1;
    p.secondVertex = vertex_[1]->currentIndex();
    p.thirdVertex = vertex_[2]->currentIndex();
    p.depth1 = static_cast<float>(depth_[0]->value());
    p.depth2 = static_cast<float>(depth_[1]->value());
    p.depth3 = static_cast<float>(depth_[2]->value());
    p.rotatedEndFace = rotated_->isChecked();
    p.outward = out_->isChecked();
    return p;
}

// ---- the primitive shapes --------------------------------------------------------------

CPrimitiveDlg::CPrimitiveDlg(Shape shape, const QString& texture, QWidget* parent) : QDialog(parent), shape_(shape)
{
    auto* form = new QFormLayout;
    QString faceName;
    switch (shape) {
    case Shape::Cylinder:
        setWindowTitle(QStringLiteral("Create Cylinder"));
        sides_ = AddCount(form, "Sides:", "4091", CylinderSize{}.sides);
        radius_ = AddNumber(form, "Radius:", "4092", CylinderSize{}.radius, 4);
        length_ = AddNumber(form, "Length:", "4090", CylinderSize{}.length, 4);
        faceName = QStringLiteral("Cylinder");
        break;
    case Shape::Dome:
        setWindowTitle(QStringLiteral("Create Dome"));
        height_ = AddNumber(form, "Height:", "5020", DomeSize{}.height, 4);
        radius_ = AddNumber(form, "Radius:", "1015", DomeSize{}.radius, 4);
        sides_ = AddCount(form, "Sides:", "1017", DomeSize{}.sides);
        rings_ = AddCount(form, "Rings:", "5021", DomeSize{}.rings);
        faceName = QStringLiteral("Dome");
        break;
    case Shape::Rectangle:
        setWindowTitle(QStringLiteral("Create Rectangle"));
        width_ = AddNumber(form, "Width:", "5078", BoxSize{}.width, 4);
        depth_ = AddNumber(form, "Depth:", "5079", BoxSize{}.depth, 4);
        height_ = AddNumber(form, "Height:", "5073", BoxSize{}.height, 4);
        faceName = QStringLiteral("Rectangle");
        break;
    }
    const char* nameId = shape == Shape::Cylinder ? "4093" : (shape == Shape::Dome ? "1018" : "1019");
    faceName_ = new QLineEdit(faceName, this);
    faceName_->setObjectName(QString::fromLatin1(nameId));
    form->addRow(QStringLiteral("Face Name:"), faceName_);
    if (shape == Shape::Dome)
        textureScale_ = AddNumber(form, "Texture Scale:", "1021", DomeSize{}.textureScale, 2);
    texture_ = new QLineEdit(texture, this);
    texture_->setReadOnly(true);
    texture_->setObjectName(
        QString::fromLatin1(shape == Shape::Cylinder ? "4096" : (shape == Shape::Dome ? "5022" : "5077")));
    form->addRow(QStringLiteral("Texture:"), texture_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* choose = buttons->addButton(QStringLiteral("&Texture"), QDialogButtonBox::ActionRole);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    cancel->setObjectName(QStringLiteral("2"));
    choose->setObjectName(QStringLiteral("Texture"));
    connect(ok, &QPushButton::clicked, this, [this] {
        const QString problem = Problem();
        if (problem.isEmpty())
            accept();
        else
            ShowOr(showMessage_, this, problem);
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(choose, &QPushButton::clicked, this, [this] {
        if (!chooseTexture_)
            return;
        const QString name = chooseTexture_();
        if (!name.isEmpty())
            texture_->setText(name);
    });
    auto* col = new QVBoxLayout(this);
    col->addLayout(form);
    col->addWidget(buttons);
}

QDoubleSpinBox* CPrimitiveDlg::AddNumber(QFormLayout* form, const char* label, const char* id, double value,
                                         int decimals)
{
    // Wide ranges: a value outside the accepted one is refused on OK with the reason,
    // rather than silently pulled into range.
    QDoubleSpinBox* s = Number(this, id, 0, 1000, 0.01, decimals);
    s->setValue(value);
    form->addRow(QString::fromLatin1(label), s);
    return s;
}

QSpinBox* CPrimitiveDlg::AddCount(QFormLayout* form, const char* label, const char* id, int value)
{
    auto* s = new QSpinBox(this);
    s->setObjectName(QString::fromLatin1(id));
    s->setRange(0, 1000);
    s->setValue(value);
    form->addRow(QString::fromLatin1(label), s);
    return s;
}

BoxSize CPrimitiveDlg::Box() const
{
    BoxSize b;
    if (width_)
        b = {static_cast<float>(width_->value()), static_cast<float>(depth_->value()),
             static_cast<float>(height_->value())};
    return b;
}

CylinderSize CPrimitiveDlg::Cylinder() const
{
    CylinderSize c;
    if (length_)
        c = {sides_->value(), static_cast<float>(radius_->value()), static_cast<float>(length_->value())};
    return c;
}

DomeSize CPrimitiveDlg::Dome() const
{
    DomeSize d;
    if (rings_)
        d = {static_cast<float>(height_->value()), static_cast<float>(radius_->value()), sides_->value(),
             rings_->value(), static_cast<float>(textureScale_->value())};
    return d;
}

NewFaceStyle CPrimitiveDlg::Style() const { return {faceName_->text().toStdString(), texture_->text().toStdString()}; }

QString CPrimitiveDlg::Problem() const
{
    switch (shape_) {
    case Shape::Cylinder: return QString::fromStdString(CheckCylinderSize(Cylinder()));
    case Shape::Dome: return QString::fromStdString(CheckDomeSize(Dome()));
    default: return QString::fromStdString(CheckBoxSize(Box()));
    }
}

}  // namespace orv
