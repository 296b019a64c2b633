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
#include "base/text.h"
#include "edit/properties.h"
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

template <class Params>
bool CPane::Edit(EditOutcome (*op)(EditContext&, const Params&), const Params& params)
{
    EditContext c = ctx_.doc->Context(Sel());
    return ctx_.doc->Doc().Run(c, op, params).changed;
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
        offset_[i] =
            AddSpin(form, QString::fromLatin1(labels[i]), QString::fromLatin1(ids[i]), -1.0e6, 1.0e6, 0.0001, 6);
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
    // The offset as the 3DO file gives it (x, y, z), not in the model's exchanged axes.
    const Vec3 offset = SwapFileAxes(m.insertOffset);
    const float v[3] = {offset.x, offset.y, offset.z};
    for (int i = 0; i < 3; ++i)
        offset_[i]->setValue(v[i]);
    loading_ = false;
}

void CGeoView::WriteBack()
{
    const auto radius = ReadRanged(this, radius_, 0, 1000);
    if (!radius) {
        Refresh();
        return;
    }
    CModel& m = ctx_.doc->Model();
    const int32_t before = m.currentGeoset;
    GeosetFields fields;
    fields.geoset = geoset_->currentIndex() >= 0 ? geoset_->currentIndex() : before;
    fields.radius = *radius;
    fields.insertOffset =
        SwapFileAxes(Vec3(static_cast<float>(offset_[0]->value()), static_cast<float>(offset_[1]->value()),
                          static_cast<float>(offset_[2]->value())));
    if (!Edit(SetGeosetFields, fields))
        return;
    if (ctx_.doc->Model().currentGeoset != before)
        // The current mesh and face belong to the set that is no longer shown.
        if (Selection* s = Sel()) {
            s->currentMesh = -1;
            s->currentFace = -1;
            s->ClearNodes(ctx_.doc->Doc().modes);
        }
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
    MeshFields fields = MeshFieldsOf(*mesh);
    fields.name = name_->text().toStdString();
    fields.radius = *radius;
    int32_t* modes[3] = {&fields.geometryMode, &fields.lightingMode, &fields.textureMode};
    for (int i = 0; i < 3; ++i)
        if (modes_[i]->currentIndex() >= 0)
            *modes[i] = modes_[i]->currentIndex();
    if (Edit(SetMeshFields, MeshEdit{Sel()->currentMesh, fields}))
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
        if (CurrentFace() && ctx_.chooseMaterial)
            ctx_.chooseMaterial();
    });
    idealHeight_ = 178;
}

std::optional<uint32_t> CFaceView::ParseFlags(const QString& text)
{
    const HexField f = ParseHexField(text.toStdString(), 0xFFFFFFFFu);
    if (f.empty || !f.whole || !f.inRange)
        return std::nullopt;
    return f.value;
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
    FaceFields fields = FaceFieldsOf(*face);
    fields.name = name_->text().toStdString();
    fields.type = *flags;
    fields.extraLight = *light;
    int32_t* modes[3] = {&fields.geometryMode, &fields.lightingMode, &fields.textureMode};
    for (int i = 0; i < 3; ++i)
        if (modes_[i]->currentIndex() >= 0)
            *modes[i] = modes_[i]->currentIndex();
    flags_->setText(FormatFlags(*flags));
    const Selection* sel = Sel();
    if (Edit(SetFaceFields, FaceEdit{sel->currentMesh, sel->currentFace, fields, ctx_.doc->Doc().modes.faceMode}))
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

// The current node of the selection and, for a vertex node, the vertex it stands for.
struct VertexTarget {
    const NodeMarker* marker = nullptr;
    std::optional<VertexFields> fields;
};

VertexTarget CurrentVertex(CDocument& doc, Selection* sel)
{
    VertexTarget t;
    if (!sel || sel->currentNode < 0 || static_cast<std::size_t>(sel->currentNode) >= sel->nodes.size())
        return t;
    t.marker = &sel->nodes[static_cast<std::size_t>(sel->currentNode)];
    if (!t.marker->IsGridNode())
        t.fields = VertexFieldsOf(doc.Model(), t.marker->mesh, t.marker->face, t.marker->vertex,
                                  doc.Doc().Environment().textureSize);
    return t;
}

QString Shown(float x) { return QString::number(static_cast<double>(x), 'f', 6); }

}  // namespace

void CVertexView::Refresh()
{
    loading_ = true;
    const VertexTarget t = CurrentVertex(*ctx_.doc, Sel());
    const bool editable = t.fields.has_value();
    number_->setEnabled(editable);
    for (auto* f : fields_) {
        f->setEnabled(editable);
        f->setSpecialValueText(QString());
    }
    if (editable) {
        number_->setText(QString::number(t.marker->vertex));
        const Vec3& p = t.fields->filePosition;
        const float v[5] = {p.x, p.y, p.z, t.fields->u, t.fields->v};
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
            // Nodes lie where the view shows them; the pane gives the model's own space,
            // in the file's axes, as for vertices.
            const Vec3 p =
                SwapFileAxes(TransformPoint(t.marker->position, InvertMatrix(ctx_.doc->Model().modelMatrix)));
            const float v[3] = {p.x, p.y, p.z};
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
    if (!t.fields)
        return;
    VertexFields typed;
    typed.filePosition = Vec3(static_cast<float>(fields_[0]->value()), static_cast<float>(fields_[1]->value()),
                              static_cast<float>(fields_[2]->value()));
    typed.u = static_cast<float>(fields_[3]->value());
    typed.v = static_cast<float>(fields_[4]->value());
    // Compare what is shown, so that a focus change without an edit changes nothing;
    // a field left as shown keeps its exact value.
    const VertexFields& now = *t.fields;
    const float shownNow[5] = {now.filePosition.x, now.filePosition.y, now.filePosition.z, now.u, now.v};
    float* typedField[5] = {&typed.filePosition.x, &typed.filePosition.y, &typed.filePosition.z, &typed.u, &typed.v};
    bool edited = false;
    for (int i = 0; i < 5; ++i) {
        if (Shown(*typedField[i]) == Shown(shownNow[i]))
            *typedField[i] = shownNow[i];
        else
            edited = true;
    }
    if (!edited)
        return;
    if (!Edit(SetVertexFields, VertexEdit{t.marker->mesh, t.marker->face, t.marker->vertex, typed}))
        return;
    // The nodes follow the moved vertex; it stays the current one.
    Sel()->RefreshNodes(ctx_.doc->Model(), ctx_.doc->Doc().modes, *ctx_.doc->Services().settings);
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
