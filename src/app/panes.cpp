#include "app/panes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/document.h"
#include "edit/selection.h"

namespace orv {

namespace {

const QStringList kGeometryModes = {QStringLiteral("0 - Not Rendered"), QStringLiteral("1 - Draw Vertices"),
                                    QStringLiteral("2 - Draw Wireframe"), QStringLiteral("3 - Draw Solid Color"),
                                    QStringLiteral("4 - Draw Textured")};
const QStringList kLightModes = {QStringLiteral("0 - Fully Lit"), QStringLiteral("1 - Not Lit"),
                                 QStringLiteral("2 - Diffuse"), QStringLiteral("3 - Gouraud")};
const QStringList kTextureModes = {QStringLiteral("0 - Affine"), QStringLiteral("1 - Linear"),
                                   QStringLiteral("2 - Perspective")};

QString Num(double v) { return QString::number(v, 'f', 6); }

// A float field with a range: nullopt (after telling the user) when the text is no
// number in the range.
std::optional<float> ReadRanged(QWidget* parent, QLineEdit* edit, double lo, double hi)
{
    bool ok = false;
    const double v = edit->text().trimmed().toDouble(&ok);
    if (!ok || v < lo || v > hi) {
        QMessageBox::warning(parent, QStringLiteral("Orvane"),
                             QStringLiteral("Please enter a number between %1 and %2.").arg(lo).arg(hi));
        return std::nullopt;
    }
    return static_cast<float>(v);
}

void SetCombo(QComboBox* c, int index) { c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1); }

// A spin box whose arrow clicks can be told apart from typing.
class StepSpinBox : public QDoubleSpinBox {
public:
    using QDoubleSpinBox::QDoubleSpinBox;
    std::function<void()> onStep;
    void stepBy(int steps) override
    {
        QDoubleSpinBox::stepBy(steps);
        if (onStep)
            onStep();
    }
};

}  // namespace

// ---- CPane -------------------------------------------------------------------------

CPane::CPane(PaneContext ctx, QWidget* parent) : QWidget(parent), ctx_(std::move(ctx)) {}

Selection* CPane::Sel() const { return ctx_.selection ? ctx_.selection() : nullptr; }

CMesh* CPane::CurrentMesh() const
{
    Selection* s = Sel();
    return s ? s->CurrentMesh(ctx_.doc->Model()) : nullptr;
}

CFace* CPane::CurrentFace() const
{
    Selection* s = Sel();
    return s ? s->CurrentFace(ctx_.doc->Model()) : nullptr;
}

void CPane::Changed()
{
    ctx_.doc->SetModified(true);
    ctx_.doc->UpdateAllViews();
}

QLineEdit* CPane::AddEdit(QFormLayout* form, const QString& label, const QString& id, bool readOnly)
{
    auto* e = new QLineEdit(this);
    e->setObjectName(id);
    e->setReadOnly(readOnly);
    form->addRow(label, e);
    if (!readOnly)
        connect(e, &QLineEdit::editingFinished, this, [this] {
            if (!loading_)
                WriteBack();
        });
    return e;
}

QComboBox* CPane::AddCombo(QFormLayout* form, const QString& label, const QString& id, const QStringList& items)
{
    auto* c = new QComboBox(this);
    c->setObjectName(id);
    // Narrow panes: the labels keep their room and the combo shows what fits.
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c->setMinimumContentsLength(6);
    c->addItems(items);
    form->addRow(label, c);
    connect(c, &QComboBox::activated, this, [this] {
        if (!loading_)
            WriteBack();
    });
    return c;
}

QDoubleSpinBox* CPane::AddSpin(QFormLayout* form, const QString& label, const QString& id, double lo, double hi,
                               double step, int decimals)
{
    auto* s = new StepSpinBox(this);
    s->setObjectName(id);
    s->setRange(lo, hi);
    s->setSingleStep(step);
    s->setDecimals(decimals);
    s->setKeyboardTracking(false);
    form->addRow(label, s);
    connect(s, &QDoubleSpinBox::editingFinished, this, [this] {
        if (!loading_)
            WriteBack();
    });
    return s;
}

// ---- CGeoView ------------------------------------------------------------------------

CGeoView::CGeoView(PaneContext ctx, QWidget* parent) : CPane(std::move(ctx), parent)
{
    auto* form = new QFormLayout(this);
    geoset_ = AddCombo(form, QStringLiteral("Geo Number:"), QStringLiteral("1008"), {});
    radius_ = AddEdit(form, QStringLiteral("Radius:"), QStringLiteral("1009"));
    const char* labels[3] = {"Offset X:", "Offset Y:", "Offset Z:"};
    const char* ids[3] = {"231", "233", "235"};
    for (int i = 0; i < 3; ++i)
        offset_[i] = AddSpin(form, QString::fromLatin1(labels[i]), QString::fromLatin1(ids[i]), -1.0e6, 1.0e6, 0.0001, 6);
    idealHeight_ = 112;
}

void CGeoView::Refresh()
{
    loading_ = true;
    const CModel& m = ctx_.doc->Model();
    geoset_->clear();
    for (std::size_t i = 0; i < m.geosets.size(); ++i)
        geoset_->addItem(QString::number(i + 1));
    SetCombo(geoset_, m.currentGeoset);
    radius_->setText(Num(m.radius));
    const float v[3] = {m.insertOffset.x, m.insertOffset.y, m.insertOffset.z};
    for (int i = 0; i < 3; ++i)
        offset_[i]->setValue(v[i]);
    loading_ = false;
}

void CGeoView::WriteBack()
{
    CModel& m = ctx_.doc->Model();
    const auto radius = ReadRanged(this, radius_, 0, 1000);
    if (!radius) {
        Refresh();
        return;
    }
    const int geoset = geoset_->currentIndex();
    const Vec3 offset(static_cast<float>(offset_[0]->value()), static_cast<float>(offset_[1]->value()),
                      static_cast<float>(offset_[2]->value()));
    if (geoset == m.currentGeoset && *radius == m.radius && offset == m.insertOffset)
        return;
    if (geoset >= 0 && geoset != m.currentGeoset) {
        m.currentGeoset = geoset;
        // The current mesh and face belong to the set that is no longer shown.
        if (Selection* s = Sel()) {
            s->currentMesh = -1;
            s->currentFace = -1;
            s->ClearNodes(ctx_.doc->Doc().modes);
        }
    }
    m.radius = *radius;
    m.insertOffset = offset;
    Changed();
}

// ---- CMeshView ---------------------------------------------------------------------

CMeshView::CMeshView(PaneContext ctx, QWidget* parent) : CPane(std::move(ctx), parent)
{
    auto* form = new QFormLayout(this);
    number_ = AddEdit(form, QStringLiteral("Mesh Number:"), QStringLiteral("1001"), true);
    name_ = AddEdit(form, QStringLiteral("Mesh Name:"), QStringLiteral("1002"));
    radius_ = AddEdit(form, QStringLiteral("Radius:"), QStringLiteral("1000"));
    modes_[0] = AddCombo(form, QStringLiteral("Geometry Mode:"), QStringLiteral("1003"), kGeometryModes);
    modes_[1] = AddCombo(form, QStringLiteral("Light Mode:"), QStringLiteral("1004"), kLightModes);
    modes_[2] = AddCombo(form, QStringLiteral("Texture Mode:"), QStringLiteral("1005"), kTextureModes);
    idealHeight_ = 132;
}

void CMeshView::Refresh()
{
    loading_ = true;
    const CMesh* mesh = CurrentMesh();
    for (QWidget* w : std::initializer_list<QWidget*>{number_, name_, radius_, modes_[0], modes_[1], modes_[2]})
        w->setEnabled(mesh != nullptr);
    if (mesh) {
        number_->setText(QString::number(Sel()->currentMesh));
        name_->setText(QString::fromStdString(mesh->name));
        radius_->setText(Num(mesh->radius));
        SetCombo(modes_[0], mesh->geometryMode);
        SetCombo(modes_[1], mesh->lightingMode);
        SetCombo(modes_[2], mesh->textureMode);
    } else {
        number_->clear();
        name_->clear();
        radius_->clear();
        for (QComboBox* c : modes_)
            c->setCurrentIndex(-1);
    }
    loading_ = false;
}

void CMeshView::WriteBack()
{
    CMesh* mesh = CurrentMesh();
    if (!mesh)
        return;
    const auto radius = ReadRanged(this, radius_, 0, 100);
    if (!radius) {
        Refresh();
        return;
    }
    const std::string name = name_->text().toStdString();
    int32_t modes[3] = {mesh->geometryMode, mesh->lightingMode, mesh->textureMode};
    for (int i = 0; i < 3; ++i)
        if (modes_[i]->currentIndex() >= 0)
            modes[i] = modes_[i]->currentIndex();
    if (name == mesh->name && *radius == mesh->radius && modes[0] == mesh->geometryMode &&
        modes[1] == mesh->lightingMode && modes[2] == mesh->textureMode)
        return;
    mesh->name = name;
    mesh->radius = *radius;
    mesh->geometryMode = modes[0];
    mesh->lightingMode = modes[1];
    mesh->textureMode = modes[2];
    Changed();
}

// ---- CFaceView ---------------------------------------------------------------------

CFaceView::CFaceView(PaneContext ctx, QWidget* parent) : CPane(std::move(ctx), parent)
{
    auto* form = new QFormLayout(this);
    number_ = AddEdit(form, QStringLiteral("Face Number:"), QStringLiteral("513"), true);
    name_ = AddEdit(form, QStringLiteral("Face Name:"), QStringLiteral("1013"));
    materialButton_ = new QPushButton(QStringLiteral("Material:"), this);
    materialButton_->setObjectName(QStringLiteral("1050"));
    material_ = new QLineEdit(this);
    material_->setObjectName(QStringLiteral("135"));
    material_->setReadOnly(true);
    form->addRow(materialButton_, material_);
    flagsButton_ = new QPushButton(QStringLiteral("Face Flags:"), this);
    flagsButton_->setObjectName(QStringLiteral("1057"));
    flags_ = new QLineEdit(this);
    flags_->setObjectName(QStringLiteral("1059"));
    form->addRow(flagsButton_, flags_);
    connect(flags_, &QLineEdit::editingFinished, this, [this] {
        if (!loading_)
            WriteBack();
    });
    modes_[0] = AddCombo(form, QStringLiteral("Geometry Mode:"), QStringLiteral("1062"), kGeometryModes);
    modes_[1] = AddCombo(form, QStringLiteral("Light Mode:"), QStringLiteral("1065"), kLightModes);
    modes_[2] = AddCombo(form, QStringLiteral("Texture Mode:"), QStringLiteral("1068"), kTextureModes);
    extraLight_ = AddEdit(form, QStringLiteral("Extra Light:"), QStringLiteral("1075"));
    connect(flagsButton_, &QPushButton::clicked, this, &CFaceView::EditFlags);
    connect(materialButton_, &QPushButton::clicked, this, [this] {
        CFace* face = CurrentFace();
        if (face && ctx_.chooseMaterial && ctx_.chooseMaterial(*face))
            Changed();
    });
    idealHeight_ = 178;
}

std::optional<uint32_t> CFaceView::ParseFlags(const QString& text)
{
    const QString t = text.trimmed();
    const auto x = t.lastIndexOf(QLatin1Char('x'), -1, Qt::CaseInsensitive);
    bool ok = false;
    uint32_t v = 0;
    if (x >= 0) {
        v = t.mid(x + 1).toUInt(&ok, 16);
    } else {
        v = t.toUInt(&ok, 10);
    }
    if (!ok)
        return std::nullopt;
    return v;
}

QString CFaceView::FormatFlags(uint32_t flags)
{
    return QStringLiteral("0x") + QString::number(flags, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

void CFaceView::Refresh()
{
    loading_ = true;
    const CFace* face = ctx_.doc->Doc().modes.meshMode ? nullptr : CurrentFace();
    for (QWidget* w : std::initializer_list<QWidget*>{number_, name_, materialButton_, material_, flagsButton_, flags_,
                                                      modes_[0], modes_[1], modes_[2], extraLight_})
        w->setEnabled(face != nullptr);
    materialButton_->setEnabled(face != nullptr && static_cast<bool>(ctx_.chooseMaterial));
    if (face) {
        const CModel& m = ctx_.doc->Model();
        number_->setText(QString::number(Sel()->currentFace));
        name_->setText(QString::fromStdString(face->name));
        const bool hasMaterial = face->material >= 0 && static_cast<std::size_t>(face->material) < m.materials.size();
        material_->setText(hasMaterial ? QString::fromStdString(m.materials[static_cast<std::size_t>(face->material)])
                                       : QString());
        flags_->setText(FormatFlags(face->type));
        SetCombo(modes_[0], face->geometryMode);
        SetCombo(modes_[1], face->lightingMode);
        SetCombo(modes_[2], face->textureMode);
        extraLight_->setText(Num(face->extraLight));
    } else {
        for (QLineEdit* e : {number_, name_, material_, flags_, extraLight_})
            e->clear();
        for (QComboBox* c : modes_)
            c->setCurrentIndex(-1);
    }
    loading_ = false;
}

void CFaceView::WriteBack()
{
    CFace* face = ctx_.doc->Doc().modes.meshMode ? nullptr : CurrentFace();
    if (!face)
        return;
    const auto flags = ParseFlags(flags_->text());
    const auto light = ReadRanged(this, extraLight_, 0, 1);
    if (!flags || !light) {
        Refresh();
        return;
    }
    const std::string oldName = face->name;
    const std::string name = name_->text().toStdString();
    int32_t modes[3] = {face->geometryMode, face->lightingMode, face->textureMode};
    for (int i = 0; i < 3; ++i)
        if (modes_[i]->currentIndex() >= 0)
            modes[i] = modes_[i]->currentIndex();
    const bool same = name == oldName && *flags == face->type && modes[0] == face->geometryMode &&
                      modes[1] == face->lightingMode && modes[2] == face->textureMode && *light == face->extraLight;
    flags_->setText(FormatFlags(*flags));
    if (same)
        return;
    if (name != oldName && ctx_.doc->Doc().modes.faceMode) {
        // In face mode a face stands for its group: rename every face that shared the name.
        if (CMesh* mesh = CurrentMesh())
            for (auto& f : mesh->faces)
                if (f->name == oldName)
                    f->name = name;
    }
    face->name = name;
    face->type = *flags;
    face->geometryMode = modes[0];
    face->lightingMode = modes[1];
    face->textureMode = modes[2];
    face->extraLight = *light;
    Changed();
}

void CFaceView::EditFlags()
{
    CFace* face = CurrentFace();
    if (!face)
        return;
    CFaceFlagsDlg dlg(face->type, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    flags_->setText(FormatFlags(dlg.Flags()));
    WriteBack();
}

// ---- CVertexView -------------------------------------------------------------------

CVertexView::CVertexView(PaneContext ctx, QWidget* parent) : CPane(std::move(ctx), parent)
{
    auto* form = new QFormLayout(this);
    number_ = AddEdit(form, QStringLiteral("Vertex Number:"), QStringLiteral("513"), true);
    const char* labels[5] = {"Vertex X:", "Vertex Y:", "Vertex Z:", "Texture U:", "Texture V:"};
    const char* ids[5] = {"231", "233", "235", "237", "238"};
    for (int i = 0; i < 5; ++i) {
        fields_[i] = AddSpin(form, QString::fromLatin1(labels[i]), QString::fromLatin1(ids[i]), -1.0e6, 1.0e6, 0.01, 6);
        // An arrow click writes back at once.
        static_cast<StepSpinBox*>(fields_[i])->onStep = [this] {
            if (!loading_)
                WriteBack();
        };
    }
    idealHeight_ = 50;
}

namespace {

struct VertexTarget {
    CMesh* mesh = nullptr;
    VertexRecord* record = nullptr;
    int32_t index = -1;
    const NodeMarker* marker = nullptr;
};

VertexTarget CurrentVertex(CDocument& doc, Selection* sel)
{
    VertexTarget t;
    if (!sel || sel->currentNode < 0 || static_cast<std::size_t>(sel->currentNode) >= sel->nodes.size())
        return t;
    t.marker = &sel->nodes[static_cast<std::size_t>(sel->currentNode)];
    if (t.marker->IsGridNode())
        return t;
    t.mesh = doc.Model().MeshAt(t.marker->mesh);
    if (!t.mesh || t.marker->face < 0 || static_cast<std::size_t>(t.marker->face) >= t.mesh->faces.size())
        return t;
    t.record = FaceVertex(*t.mesh->faces[static_cast<std::size_t>(t.marker->face)], t.marker->vertex);
    t.index = t.marker->vertex;
    return t;
}

}  // namespace

void CVertexView::Refresh()
{
    loading_ = true;
    const VertexTarget t = CurrentVertex(*ctx_.doc, Sel());
    const bool editable = t.record != nullptr;
    number_->setEnabled(editable);
    for (auto* f : fields_) {
        f->setEnabled(editable);
        f->setSpecialValueText(QString());
    }
    if (editable) {
        number_->setText(QString::number(t.index));
        const Vec3 w = TransformPoint(t.record->Position(), t.mesh->nodeMatrix);
        const float v[5] = {w.x, w.y, w.z, t.record->u, t.record->v};
        for (int i = 0; i < 5; ++i)
            fields_[i]->setValue(v[i]);
    } else {
        number_->clear();
        // A grid node shows where it is; nothing about it can be edited here.
        for (int i = 0; i < 5; ++i) {
            fields_[i]->setSpecialValueText(QStringLiteral(" "));
            fields_[i]->setValue(fields_[i]->minimum());
        }
        if (t.marker) {
            const float v[3] = {t.marker->position.x, t.marker->position.y, t.marker->position.z};
            for (int i = 0; i < 3; ++i) {
                fields_[i]->setSpecialValueText(QString());
                fields_[i]->setValue(v[i]);
            }
        }
    }
    loading_ = false;
}

void CVertexView::WriteBack()
{
    const VertexTarget t = CurrentVertex(*ctx_.doc, Sel());
    if (!t.record)
        return;
    const Vec3 world(static_cast<float>(fields_[0]->value()), static_cast<float>(fields_[1]->value()),
                     static_cast<float>(fields_[2]->value()));
    const Vec3 current = TransformPoint(t.record->Position(), t.mesh->nodeMatrix);
    const float u = static_cast<float>(fields_[3]->value()), v = static_cast<float>(fields_[4]->value());
    // Compare what is shown, so that a focus change without an edit changes nothing.
    auto shown = [](float x) { return QString::number(static_cast<double>(x), 'f', 6); };
    if (shown(world.x) == shown(current.x) && shown(world.y) == shown(current.y) && shown(world.z) == shown(current.z) &&
        shown(u) == shown(t.record->u) && shown(v) == shown(t.record->v))
        return;
    // Only this record changes: the same position on other faces does not follow.
    t.record->SetPosition(TransformPoint(world, InvertMatrix(t.mesh->nodeMatrix)));
    t.record->u = u;
    t.record->v = v;
    Changed();
}

// ---- Face Flags dialog -------------------------------------------------------------

CFaceFlagsDlg::CFaceFlagsDlg(uint32_t flags, QWidget* parent) : QDialog(parent), flags_(flags)
{
    setWindowTitle(QStringLiteral("Face Flags"));
    const char* labels[3] = {"Two Sided", "Transparent", "Collide Allowed"};
    const char* ids[3] = {"1108", "1077", "1078"};
    auto* col = new QVBoxLayout(this);
    for (int i = 0; i < 3; ++i) {
        boxes_[i] = new QCheckBox(QString::fromLatin1(labels[i]), this);
        boxes_[i]->setObjectName(QString::fromLatin1(ids[i]));
        boxes_[i]->setChecked((flags & (1u << i)) != 0);
        col->addWidget(boxes_[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    col->addWidget(buttons);
}

uint32_t CFaceFlagsDlg::Flags() const
{
    uint32_t f = flags_ & ~0x7u;
    for (int i = 0; i < 3; ++i)
        if (boxes_[i]->isChecked())
            f |= 1u << i;
    return f;
}

}  // namespace orv
