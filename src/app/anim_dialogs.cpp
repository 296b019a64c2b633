#include "app/anim_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <map>

#include "anim/anim_fields.h"
#include "anim/playback.h"
#include "app/childframe.h"
#include "app/document.h"
#include "app/help_window.h"
#include "app/orvaneview.h"
#include "base/text.h"
#include "commands/command_ids.h"

namespace orv {

namespace {

QPushButton* Button(QWidget* parent, const char* text, const char* id)
{
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(id));
    b->setAutoDefault(false);
    return b;
}

QLineEdit* Field(QWidget* parent, const char* id, const QString& text = {})
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(id));
    return e;
}

QString Hex(uint32_t value, int digits) { return QString::fromStdString(HexText(value, digits)); }

// Float fields show eight decimals and read back what parses; anything else keeps the
// value the field had.
QString FloatText(float v) { return QString::asprintf("%.8f", static_cast<double>(v)); }
float FloatOf(const QLineEdit* e, float otherwise)
{
    bool ok = false;
    const float v = e->text().trimmed().toFloat(&ok);
    return ok ? v : otherwise;
}

// The OK and Cancel of the small dialogs.
QDialogButtonBox* OkCancel(QDialog* d)
{
    auto* buttons = new QDialogButtonBox(d);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    cancel->setObjectName(QStringLiteral("2"));
    QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
    return buttons;
}

void Show(const std::function<void(const QString&)>& show, QWidget* parent, const QString& text)
{
    if (show)
        show(text);
    else
        QMessageBox::warning(parent, QStringLiteral("Orvane"), text);
}

// A hexadecimal field on OK: out of range it shows the range message and the nearer
// bound, and the dialog stays open.
bool ReadHex(QLineEdit* e, uint32_t max, int digits, uint32_t& value, const std::function<void(const QString&)>& show,
             QWidget* parent)
{
    const HexField f = ParseHexField(e->text().toStdString(), max);
    value = f.value;
    if (f.inRange)
        return true;
    Show(show, parent, QString::fromStdString(RangeMessage(max)));
    e->setText(Hex(f.value, digits));
    e->setFocus();
    return false;
}

QTreeWidget* ReportList(QWidget* parent, const char* id, const QStringList& columns, const QList<int>& widths)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(id));
    list->setRootIsDecorated(false);
    list->setColumnCount(static_cast<int>(columns.size()));
    list->setHeaderLabels(columns);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAllColumnsShowFocus(true);
    for (int i = 0; i < widths.size(); ++i)
        list->setColumnWidth(i, widths[i]);
    return list;
}

QTreeWidget* Tree(QWidget* parent, const char* id)
{
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(QString::fromLatin1(id));
    tree->setHeaderHidden(true);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    return tree;
}

// The columns' widths are the least they get: each widens to what it shows.
void FitColumns(QTreeWidget* list, const QList<int>& widths)
{
    for (int c = 0; c < widths.size(); ++c) {
        list->resizeColumnToContents(c);
        list->setColumnWidth(c, std::max(list->columnWidth(c), widths[c]));
    }
}

int32_t IndexOf(const QTreeWidgetItem* item) { return item ? item->data(0, Qt::UserRole).toInt() : -1; }

// The dialogs' buttons in a column beside their lists.
QVBoxLayout* ButtonColumn(std::initializer_list<QPushButton*> buttons)
{
    auto* col = new QVBoxLayout;
    for (QPushButton* b : buttons)
        col->addWidget(b);
    col->addStretch(1);
    return col;
}

}  // namespace

// ---- Add Mode ------------------------------------------------------------------------

CAddModeDlg::CAddModeDlg(bool edit, const QString& description, int32_t basedOn, const std::vector<int32_t>& offered,
                         QWidget* parent)
    : QDialog(parent), basedOnBefore_(basedOn)
{
    setWindowTitle(edit ? QStringLiteral("Edit Mode") : QStringLiteral("Add Mode"));
    setObjectName(QStringLiteral("3517"));
    basedOn_ = new QComboBox(this);
    basedOn_->setObjectName(QStringLiteral("1012"));
    for (const int32_t number : offered)
        basedOn_->addItem(QStringLiteral("Mode %1").arg(number), number);
    basedOn_->setCurrentIndex(basedOn_->findData(basedOn));
    basedOn_->setEnabled(basedOn >= 0);
    description_ = Field(this, "1024", description);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Based On:"), basedOn_);
    form->addRow(QStringLiteral("&Description:"), description_);
    auto* col = new QVBoxLayout(this);
    col->addLayout(form);
    col->addWidget(OkCancel(this));
}

int32_t CAddModeDlg::BasedOn() const
{
    if (!basedOn_->isEnabled())
        return -1;
    // Nothing chosen: a link to a mode that is not offered stays as it was.
    return basedOn_->currentIndex() < 0 ? basedOnBefore_ : basedOn_->currentData().toInt();
}
QString CAddModeDlg::Description() const { return description_->text(); }

// ---- Add Sub Mode ----------------------------------------------------------------------

CAddSubModeDlg::CAddSubModeDlg(bool edit, const SubModeFields& f, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(edit ? QStringLiteral("Edit Sub Mode") : QStringLiteral("Add Sub Mode"));
    setObjectName(QStringLiteral("1052"));
    name_ = new QComboBox(this);
    name_->setObjectName(QStringLiteral("1034"));
    for (const char* n : kSubModeNames)
        name_->addItem(QString::fromLatin1(n));
    const QString current = QString::fromStdString(f.name);
    int at = name_->findText(current);
    if (at < 0 && !current.isEmpty()) {
        // A name of the file's own stays as it is.
        name_->addItem(current);
        at = name_->count() - 1;
    }
    name_->setCurrentIndex(at);
    keyFile_ = Field(this, "1035", QString::fromStdString(f.keyFile));
    keyFile_->setMaxLength(8);
    flags_ = Field(this, "1023", Hex(f.flags, 2));
    low_ = new QSpinBox(this);
    low_->setObjectName(QStringLiteral("1054"));
    low_->setRange(0, 5);
    low_->setValue(f.lowPriority);
    high_ = new QSpinBox(this);
    high_->setObjectName(QStringLiteral("1041"));
    high_->setRange(0, 5);
    high_->setValue(f.highPriority);
    description_ = Field(this, "1042", QString::fromStdString(f.description));
    connect(name_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < kSubModeNames.size())
            description_->setText(QString::fromStdString(SubModeDescription(index)));
    });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Sub Mode:"), name_);
    form->addRow(QStringLiteral("&Key File:"), keyFile_);
    form->addRow(QStringLiteral("&Flags:"), flags_);
    form->addRow(QStringLiteral("&Low Priority:"), low_);
    form->addRow(QStringLiteral("&High Priority:"), high_);
    form->addRow(QStringLiteral("&Description:"), description_);
    auto* col = new QVBoxLayout(this);
    col->addLayout(form);
    col->addWidget(OkCancel(this));
}

SubModeFields CAddSubModeDlg::Fields() const
{
    SubModeFields f;
    f.name = name_->currentText().toStdString();
    f.keyFile = keyFile_->text().trimmed().toStdString();
    f.flags = ParseHexField(flags_->text().toStdString(), 0xFF).value;
    f.lowPriority = low_->value();
    f.highPriority = high_->value();
    f.description = description_->text().toStdString();
    return f;
}

void CAddSubModeDlg::accept()
{
    uint32_t flags = 0;
    if (!ReadHex(flags_, 0xFF, 2, flags, showMessage_, this))
        return;
    if (keyFile_->text().trimmed().isEmpty()) {
        Show(showMessage_, this, QStringLiteral("Enter the name of the key file."));
        keyFile_->setFocus();
        return;
    }
    QDialog::accept();
}

// ---- Animation Sequence ----------------------------------------------------------------

CTreeListDlg::CTreeListDlg(Prompts prompts, const char* treeId, const char* listId, const QStringList& columns,
                           const QList<int>& widths, int listStretch, QWidget* parent)
    : QDialog(parent), prompts_(std::move(prompts))
{
    tree_ = Tree(this, treeId);
    list_ = ReportList(this, listId, columns, widths);
    ok_ = Button(this, "&OK", "1");
    ok_->setDefault(true);
    QPushButton* cancel = Button(this, "&Cancel", "2");
    QPushButton* help = Button(this, "&Help", "Help");
    add_ = Button(this, "&Add", "7");
    delete_ = Button(this, "&Delete", "9");
    edit_ = Button(this, "&Edit", "10");
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        ShowDialogHelp(this);
    });
    connect(add_, &QPushButton::clicked, this, [this] { Add(); });
    connect(delete_, &QPushButton::clicked, this, [this] { Delete(); });
    connect(edit_, &QPushButton::clicked, this, [this] { Edit(); });
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!busy_)
            TreeSelected(item);
    });
    // A click on the branch already chosen chooses it again, not its row.
    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (!busy_)
            TreeSelected(item);
    });
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] {
        if (!busy_)
            RowSelected();
    });
    connect(list_, &QTreeWidget::itemClicked, this, [this] {
        if (!busy_)
            RowSelected();
    });

    auto* lists = new QHBoxLayout;
    lists->addWidget(tree_, 2);
    lists->addWidget(list_, listStretch);
    auto* row = new QHBoxLayout(this);
    row->addLayout(lists, 1);
    row->addLayout(ButtonColumn({ok_, cancel, help, add_, delete_, edit_}));
}

int CTreeListDlg::Exec(QDialog& d) { return orv::Exec(prompts_, d); }
void CTreeListDlg::Message(const QString& text) { Tell(prompts_, this, text); }

CAnimSequenceDlg::CAnimSequenceDlg(CDocument& doc, Prompts prompts, QWidget* parent)
    : CTreeListDlg(std::move(prompts), "1020", "1022",
                   {QStringLiteral("Sub Mode"), QStringLiteral("Key File"), QStringLiteral("Flags"),
                    QStringLiteral("Lo Pri"), QStringLiteral("Hi Pri"), QStringLiteral("Description")},
                   {75, 60, 40, 40, 40, 160}, 5, parent),
      doc_(doc),
      editor_(doc.Doc())
{
    setWindowTitle(QStringLiteral("Animation Sequence"));
    setObjectName(QStringLiteral("AnimationSequence"));
    resize(720, 320);
    Fill();
}

CAnimSequenceDlg::~CAnimSequenceDlg() = default;

int32_t CAnimSequenceDlg::SelectedMode() const { return IndexOf(tree_->currentItem()); }

void CAnimSequenceDlg::Fill()
{
    busy_ = true;
    tree_->clear();
    list_->clear();
    auto* root = new QTreeWidgetItem(tree_, {QStringLiteral("Puppet Modes")});
    root->setData(0, Qt::UserRole, -1);
    const auto& modes = editor_.Modes();
    for (std::size_t i = 0; i < modes.size(); ++i) {
        auto* item = new QTreeWidgetItem(
            root, {QStringLiteral("%1 - %2").arg(modes[i].mode).arg(QString::fromStdString(modes[i].comment))});
        item->setData(0, Qt::UserRole, static_cast<int>(i));
    }
    root->setExpanded(true);
    busy_ = false;
    const int32_t mode = editor_.currentMode;
    QTreeWidgetItem* chosen = editor_.Mode(mode) ? root->child(mode) : root;
    tree_->setCurrentItem(chosen);
    tree_->scrollToItem(chosen);
    tree_->setFocus();
    if (chosen != root && editor_.SubMode(mode, editor_.currentSubMode))
        list_->setCurrentItem(list_->topLevelItem(editor_.currentSubMode));
}

void CAnimSequenceDlg::TreeSelected(QTreeWidgetItem* item)
{
    const int32_t mode = IndexOf(item);
    busy_ = true;
    list_->clear();
    if (const CPuppetMode* m = editor_.Mode(mode)) {
        for (const auto& it : m->items) {
            auto* row = new QTreeWidgetItem(
                list_,
                {QString::fromStdString(it.name), QString::fromStdString(KeyFileStem(it.keyFile)),
                 QString::asprintf("0x%02x", it.flags), QString::number(it.lowPriority),
                 QString::number(it.highPriority), QString::fromStdString(DescriptionAfterEquals(it.description))});
            row->setData(0, Qt::UserRole, mode);
            for (int c = 1; c < 6; ++c)
                row->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    FitColumns(list_, {75, 60, 40, 40, 40, 160});
    busy_ = false;
    const bool editable = editor_.ModeEditable(mode);
    edit_->setEnabled(editable);
    delete_->setEnabled(editable);
    add_->setEnabled(true);
    ok_->setEnabled(false);
}

void CAnimSequenceDlg::RowSelected()
{
    QTreeWidgetItem* row = list_->currentItem();
    if (!row)
        return;
    const int32_t mode = IndexOf(row);
    const auto sub = static_cast<int32_t>(list_->indexOfTopLevelItem(row));
    const bool stock = editor_.StockSubMode(mode, sub);
    add_->setEnabled(!stock);
    delete_->setEnabled(!stock);
    edit_->setEnabled(!stock);
    editor_.currentMode = mode;
    editor_.currentSubMode = sub;
    ok_->setEnabled(true);
}

void CAnimSequenceDlg::Add()
{
    const int32_t mode = SelectedMode();
    if (mode >= 0) {
        SubModeFields f;
        f.keyFile = KeyFileStem(doc_.Doc().Title());
        if (f.keyFile.empty())
            f.keyFile = "mykey";
        CAddSubModeDlg dlg(false, f, this);
        dlg.SetMessageHandler(Teller(prompts_, &dlg));
        if (Exec(dlg) != QDialog::Accepted)
            return;
        if (Status added = editor_.AddSubMode(mode, dlg.Fields()); !added) {
            Message(QString::fromStdString(added.error()));
            return;
        }
    } else {
        // Based on the last mode listed by default (none for the first).
        const auto& modes = editor_.Modes();
        CAddModeDlg dlg(false, QStringLiteral("# mode %1").arg(editor_.NextModeNumber()),
                        modes.empty() ? -1 : modes.back().mode, editor_.BaseChoices(-1), this);
        if (Exec(dlg) != QDialog::Accepted)
            return;
        if (Status added = editor_.AddMode(dlg.BasedOn(), dlg.Description().toStdString()); !added) {
            Message(QString::fromStdString(added.error()));
            return;
        }
    }
    Fill();
}

void CAnimSequenceDlg::Delete()
{
    const int32_t mode = SelectedMode();
    if (mode < 0)
        return;
    if (!ok_->isEnabled()) {
        if (Status deleted = editor_.DeleteMode(mode); !deleted)
            Message(QString::fromStdString(deleted.error()));
    } else {
        // A sub-mode row is chosen: that sub-mode goes.
        editor_.DeleteSubMode(editor_.currentMode, editor_.currentSubMode);
    }
    Fill();
}

void CAnimSequenceDlg::Edit()
{
    const int32_t mode = SelectedMode();
    const CPuppetMode* m = editor_.Mode(mode);
    if (!m)
        return;
    if (!ok_->isEnabled()) {
        CAddModeDlg dlg(true, QString::fromStdString(m->comment), m->basedOn, editor_.BaseChoices(mode), this);
        if (Exec(dlg) != QDialog::Accepted)
            return;
        if (Status edited = editor_.EditMode(mode, dlg.BasedOn(), dlg.Description().toStdString()); !edited) {
            Message(QString::fromStdString(edited.error()));
            return;
        }
    } else {
        CAddSubModeDlg dlg(true, editor_.FieldsOf(editor_.currentMode, editor_.currentSubMode), this);
        dlg.SetMessageHandler(Teller(prompts_, &dlg));
        if (Exec(dlg) != QDialog::Accepted)
            return;
        if (Status edited = editor_.EditSubMode(editor_.currentMode, editor_.currentSubMode, dlg.Fields()); !edited) {
            Message(QString::fromStdString(edited.error()));
            return;
        }
    }
    Fill();
}

void CAnimSequenceDlg::accept()
{
    if (!ok_->isEnabled())
        return;
    // Nothing to take: the document stays as it is, and no file is written.
    if (!editor_.ChangesModel()) {
        QDialog::accept();
        return;
    }
    // The puppet file beside the model is not held as it is (ended early, or not read):
    // replacing it needs a Yes; without one the dialog stays open.
    if (COrvaneDoc& d = doc_.Doc(); d.PuppetReplaceRefused()) {
        if (!AskYesNo(prompts_, this, QStringLiteral("%1.\n\nSaving will replace %2 with the puppet modes shown "
                                                      "here. Save anyway?")
                                           .arg(QString::fromStdString(d.PuppetFileProblem()),
                                                QString::fromStdString(d.PuppetFileName()))))
            return;
        d.AgreeToReplacePuppetFile();
    }
    EditContext c = doc_.Context();
    if (const EditOutcome committed = doc_.Doc().Run(c, [this](EditContext& e) { return editor_.Commit(e); });
        !committed.message.empty())
        Message(QString::fromStdString(committed.message));
    QDialog::accept();
}

// ---- Edit Frame, Add Entry, Add Node -------------------------------------------------------

CEditFrameDlg::CEditFrameDlg(const CKeyframe& k, QWidget* parent) : QDialog(parent), fpsBefore_(k.fps)
{
    setWindowTitle(QStringLiteral("Edit Frame"));
    setObjectName(QStringLiteral("5076"));
    flags_ = Field(this, "1027", Hex(k.flags, 4));
    type_ = Field(this, "1028", Hex(k.type, 4));
    frames_ = new QSpinBox(this);
    frames_->setObjectName(QStringLiteral("1030"));
    frames_->setRange(0, std::numeric_limits<int>::max());
    frames_->setValue(k.frames);
    fps_ = Field(this, "1044", QString::asprintf("%.3f", static_cast<double>(k.fps)));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Flags:"), flags_);
    form->addRow(QStringLiteral("&Type:"), type_);
    form->addRow(QStringLiteral("F&rames:"), frames_);
    form->addRow(QStringLiteral("F&ps:"), fps_);
    auto* col = new QVBoxLayout(this);
    col->addLayout(form);
    col->addWidget(OkCancel(this));
}

uint32_t CEditFrameDlg::Flags() const { return ParseHexField(flags_->text().toStdString(), 0xFFFF).value; }
uint32_t CEditFrameDlg::Type() const { return ParseHexField(type_->text().toStdString(), 0xFFFF).value; }
int32_t CEditFrameDlg::Frames() const { return frames_->value(); }
float CEditFrameDlg::Fps() const { return FloatOf(fps_, fpsBefore_); }

void CEditFrameDlg::accept()
{
    uint32_t v = 0;
    if (!ReadHex(flags_, 0xFFFF, 4, v, showMessage_, this) || !ReadHex(type_, 0xFFFF, 4, v, showMessage_, this))
        return;
    QDialog::accept();
}

CAddEntryDlg::CAddEntryDlg(bool edit, const EntryFields& f, QWidget* parent) : QDialog(parent), before_(f)
{
    setWindowTitle(edit ? QStringLiteral("Edit Entry") : QStringLiteral("Add Entry"));
    setObjectName(QStringLiteral("5100"));
    frame_ = new QSpinBox(this);
    frame_->setObjectName(QStringLiteral("1029"));
    frame_->setRange(0, std::numeric_limits<int>::max());
    frame_->setValue(f.frame);
    flags_ = Field(this, "1031", Hex(f.flags, 4));
    // The rotation is held as (pitch, roll, yaw): each field edits the angle it names.
    const float shown[6] = {f.position.x, f.position.y, f.position.z, f.rotation.x, f.rotation.z, f.rotation.y};
    const char* ids[6] = {"1033", "1045", "1046", "1047", "1048", "1049"};
    const char* labels[6] = {"&X:", "&Y:", "&Z:", "&Pitch:", "Y&aw:", "&Roll:"};
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Fra&me:"), frame_);
    form->addRow(QStringLiteral("&Flags:"), flags_);
    for (int i = 0; i < 6; ++i) {
        values_[i] = Field(this, ids[i], FloatText(shown[i]));
        form->addRow(QString::fromLatin1(labels[i]), values_[i]);
    }
    auto* col = new QVBoxLayout(this);
    col->addLayout(form);
    col->addWidget(OkCancel(this));
}

EntryFields CAddEntryDlg::Fields() const
{
    EntryFields f;
    f.frame = frame_->value();
    f.flags = ParseHexField(flags_->text().toStdString(), 0xFFFF).value;
    f.position = {FloatOf(values_[0], before_.position.x), FloatOf(values_[1], before_.position.y),
                  FloatOf(values_[2], before_.position.z)};
    f.rotation = {FloatOf(values_[3], before_.rotation.x), FloatOf(values_[5], before_.rotation.y),
                  FloatOf(values_[4], before_.rotation.z)};
    return f;
}

void CAddEntryDlg::accept()
{
    uint32_t v = 0;
    if (!ReadHex(flags_, 0xFFFF, 4, v, showMessage_, this))
        return;
    QDialog::accept();
}

CAddNodeDlg::CAddNodeDlg(const CModel& model, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Add Node"));
    setObjectName(QStringLiteral("5088"));
    names_ = new QComboBox(this);
    names_->setObjectName(QStringLiteral("1036"));
    for (const auto& n : model.nodes)
        names_->addItem(QString::fromStdString(n.name));
    names_->setCurrentIndex(names_->count() > 0 ? 0 : -1);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Mesh Name:"), names_);
    auto* col = new QVBoxLayout(this);
    col->addLayout(form);
    col->addWidget(OkCancel(this));
}

QString CAddNodeDlg::MeshName() const { return names_->currentText(); }

// ---- Animation Frames ----------------------------------------------------------------

CAnimFramesDlg::CAnimFramesDlg(CDocument& doc, Prompts prompts, QWidget* parent)
    : CTreeListDlg(std::move(prompts), "1025", "1026",
                   {QStringLiteral("Number"), QStringLiteral("Frame"), QStringLiteral("Flags"), QStringLiteral("X"),
                    QStringLiteral("Y"), QStringLiteral("Z"), QStringLiteral("Pitch"), QStringLiteral("Yaw"),
                    QStringLiteral("Roll")},
                   {50, 45, 45, 50, 50, 50, 50, 50, 50}, 6, parent),
      doc_(doc),
      editor_(doc.Doc())
{
    setObjectName(QStringLiteral("AnimationFrames"));
    resize(820, 340);
    setWindowTitle(QStringLiteral("Animation Frames - ") + QString::fromStdString(editor_.Keyframe().name));
    add_->setEnabled(!editor_.Stock());
    Fill();
}

CAnimFramesDlg::~CAnimFramesDlg() = default;

bool CAnimFramesDlg::RootSelected() const { return IndexOf(tree_->currentItem()) < 0; }

void CAnimFramesDlg::Fill()
{
    busy_ = true;
    tree_->clear();
    list_->clear();
    auto* root = new QTreeWidgetItem(tree_, {QStringLiteral("Frame Nodes")});
    root->setData(0, Qt::UserRole, -1);
    const auto& nodes = editor_.Keyframe().nodes;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        auto* item = new QTreeWidgetItem(
            root, {QStringLiteral("%1 - %2").arg(i).arg(QString::fromStdString(nodes[i].meshName))});
        item->setData(0, Qt::UserRole, static_cast<int>(i));
    }
    root->setExpanded(true);
    busy_ = false;
    const int32_t node = editor_.currentNode, entry = editor_.currentEntry;
    QTreeWidgetItem* chosen = node >= 0 && static_cast<std::size_t>(node) < nodes.size() ? root->child(node) : root;
    tree_->setCurrentItem(chosen);
    tree_->scrollToItem(chosen);
    tree_->setFocus();
    if (chosen != root && entry >= 0 && entry < list_->topLevelItemCount())
        list_->setCurrentItem(list_->topLevelItem(entry));
}

void CAnimFramesDlg::FillList()
{
    busy_ = true;
    list_->clear();
    const auto& nodes = editor_.Keyframe().nodes;
    const int32_t node = editor_.currentNode;
    if (node >= 0 && static_cast<std::size_t>(node) < nodes.size()) {
        for (const auto& e : nodes[static_cast<std::size_t>(node)].entries) {
            auto f = [](float v, const char* format) { return QString::asprintf(format, static_cast<double>(v)); };
            auto* row = new QTreeWidgetItem(
                list_, {QString::number(e.num), QString::number(e.frame), QString::asprintf("0x%04x", e.flags),
                        f(e.position.x, "%7.5f"), f(e.position.y, "%7.5f"), f(e.position.z, "%7.5f"),
                        // Held as (pitch, roll, yaw): each column shows the angle it names.
                        f(e.rotation.x, "%7.3f"), f(e.rotation.z, "%7.3f"), f(e.rotation.y, "%7.3f")});
            row->setData(0, Qt::UserRole, node);
            for (int c = 1; c < 9; ++c)
                row->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    FitColumns(list_, {50, 45, 45, 50, 50, 50, 50, 50, 50});
    busy_ = false;
}

void CAnimFramesDlg::TreeSelected(QTreeWidgetItem* item)
{
    const bool stock = editor_.Stock();
    const int32_t node = IndexOf(item);
    editor_.currentNode = node;
    editor_.currentEntry = -1;
    FillList();
    if (node < 0) {
        edit_->setEnabled(!stock);
        delete_->setEnabled(false);
    } else {
        edit_->setEnabled(false);
        delete_->setEnabled(!stock);
    }
}

void CAnimFramesDlg::RowSelected()
{
    QTreeWidgetItem* row = list_->currentItem();
    if (!row)
        return;
    const bool stock = editor_.Stock();
    delete_->setEnabled(!stock);
    edit_->setEnabled(!stock);
    editor_.currentNode = IndexOf(row);
    editor_.currentEntry = static_cast<int32_t>(list_->indexOfTopLevelItem(row));
}

void CAnimFramesDlg::Add()
{
    if (editor_.Stock())
        return;
    if (RootSelected()) {
        CAddNodeDlg dlg(doc_.Model(), this);
        if (Exec(dlg) != QDialog::Accepted || dlg.MeshName().isEmpty())
            return;
        editor_.AddNode(dlg.MeshName().toStdString());
    } else {
        CAddEntryDlg dlg(false, EntryFields{}, this);
        dlg.SetMessageHandler(Teller(prompts_, &dlg));
        if (Exec(dlg) != QDialog::Accepted)
            return;
        editor_.AddEntry(editor_.currentNode, dlg.Fields());
    }
    Fill();
}

void CAnimFramesDlg::Delete()
{
    editor_.DeleteCurrent();
    Fill();
}

void CAnimFramesDlg::Edit()
{
    if (editor_.Stock())
        return;
    if (RootSelected()) {
        CEditFrameDlg dlg(editor_.Keyframe(), this);
        dlg.SetMessageHandler(Teller(prompts_, &dlg));
        if (Exec(dlg) != QDialog::Accepted)
            return;
        editor_.EditHeader(dlg.Flags(), dlg.Type(), dlg.Frames(), dlg.Fps());
    } else if (editor_.currentEntry >= 0) {
        CAddEntryDlg dlg(true, editor_.FieldsOf(editor_.currentNode, editor_.currentEntry), this);
        dlg.SetMessageHandler(Teller(prompts_, &dlg));
        if (Exec(dlg) != QDialog::Accepted)
            return;
        editor_.EditEntry(editor_.currentNode, editor_.currentEntry, dlg.Fields());
    } else {
        return;
    }
    Fill();
}

void CAnimFramesDlg::accept()
{
    // The save rule's refusal keeps the dialog open.
    if (Status savable = editor_.Savable(); !savable) {
        Message(QString::fromStdString(savable.error()));
        return;
    }
    EditContext c = doc_.Context();
    const EditOutcome r = doc_.Doc().Run(c, [this](EditContext& e) { return editor_.Commit(e); });
    if (!r.message.empty())
        Message(QString::fromStdString(r.message));
    QDialog::accept();
}

// ---- Hierarchy Nodes -------------------------------------------------------------------

CHierarchyDlg::CHierarchyDlg(CDocument& doc, Prompts prompts, QWidget* parent)
    : QDialog(parent), doc_(doc), prompts_(std::move(prompts))
{
    setWindowTitle(QStringLiteral("Hierarchy Nodes"));
    setObjectName(QStringLiteral("5101"));
    tree_ = Tree(this, "5102");
    index_ = Field(this, "2113");
    index_->setReadOnly(true);
    flags_ = Field(this, "2114");
    type_ = Field(this, "2112");
    const char* ids[9] = {"2115", "2116", "2117", "2118", "2119", "2120", "2121", "2122", "2123"};
    const char* labels[9] = {"&X:", "&Y:", "&Z:", "&Pitch:", "Y&aw:", "&Roll:", "Pivot X:", "Pivot Y:", "Pivot Z:"};
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Node:"), index_);
    form->addRow(QStringLiteral("&Flags:"), flags_);
    form->addRow(QStringLiteral("&Type:"), type_);
    for (int i = 0; i < 9; ++i) {
        values_[i] = Field(this, ids[i]);
        form->addRow(QString::fromLatin1(labels[i]), values_[i]);
    }
    for (QLineEdit* e : {flags_, type_})
        connect(e, &QLineEdit::textEdited, this, &CHierarchyDlg::Edited);
    for (QLineEdit* e : values_)
        connect(e, &QLineEdit::textEdited, this, &CHierarchyDlg::Edited);

    QPushButton* ok = Button(this, "&OK", "1");
    ok->setDefault(true);
    QPushButton* cancel = Button(this, "&Cancel", "2");
    apply_ = Button(this, "&Apply", "4001");
    QPushButton* help = Button(this, "&Help", "57670");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply_, &QPushButton::clicked, this, &CHierarchyDlg::Apply);
    connect(help, &QPushButton::clicked, this, [this] {
        ShowDialogHelp(this);
    });

    // The tree: node 0 and its family under "Hierarchy Nodes".
    auto* root = new QTreeWidgetItem(tree_, {QStringLiteral("Hierarchy Nodes")});
    root->setData(0, Qt::UserRole, -1);
    const CModel& model = doc.Model();
    std::map<int32_t, QTreeWidgetItem*> items;
    for (const HierarchyTreeItem& t : HierarchyTree(model)) {
        const QString label = QStringLiteral("%1 - %2").arg(t.node).arg(
            QString::fromStdString(model.nodes[static_cast<std::size_t>(t.node)].name));
        QTreeWidgetItem* item = nullptr;
        if (t.under == HierarchyTreeItem::kTopLevel) {
            item = new QTreeWidgetItem(tree_, {label});
        } else {
            QTreeWidgetItem* parentItem = t.under == HierarchyTreeItem::kUnderRoot ? root : items.at(t.under);
            item = new QTreeWidgetItem(parentItem, {label});
            parentItem->setExpanded(true);
        }
        item->setData(0, Qt::UserRole, t.node);
        items[t.node] = item;
    }
    root->setExpanded(true);
    tree_->setCurrentItem(root);
    tree_->scrollToItem(root);
    tree_->setFocus();
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        const int32_t node = IndexOf(item);
        if (node >= 0)
            Load(node);
    });
    apply_->setEnabled(false);

    auto* right = new QVBoxLayout;
    right->addLayout(form);
    right->addStretch(1);
    auto* row = new QHBoxLayout(this);
    row->addWidget(tree_, 1);
    row->addLayout(right, 1);
    row->addLayout(ButtonColumn({ok, cancel, apply_, help}));
    resize(640, 420);
}

void CHierarchyDlg::Message(const QString& text) { Tell(prompts_, this, text); }

void CHierarchyDlg::Load(int32_t node)
{
    const CModel& model = doc_.Model();
    if (node < 0 || static_cast<std::size_t>(node) >= model.nodes.size())
        return;
    node_ = node;
    const NodeFields f = FieldsOfNode(model.nodes[static_cast<std::size_t>(node)]);
    loading_ = true;
    index_->setText(QString::number(node));
    flags_->setText(Hex(f.flags, 4));
    type_->setText(Hex(f.type, 4));
    // Held as (pitch, roll, yaw): each field edits the angle it names.
    const float shown[9] = {f.position.x, f.position.y, f.position.z, f.rotation.x, f.rotation.z,
                            f.rotation.y, f.pivot.x,    f.pivot.y,    f.pivot.z};
    for (int i = 0; i < 9; ++i)
        values_[i]->setText(FloatText(shown[i]));
    loading_ = false;
    apply_->setEnabled(false);
}

void CHierarchyDlg::Edited()
{
    if (!loading_ && node_ >= 0)
        apply_->setEnabled(true);
}

bool CHierarchyDlg::Apply()
{
    if (node_ < 0)
        return true;
    NodeFields f = FieldsOfNode(doc_.Model().nodes[static_cast<std::size_t>(node_)]);
    const auto show = Teller(prompts_, this);
    if (!ReadHex(flags_, 0xFFFF, 4, f.flags, show, this) || !ReadHex(type_, 0xFFFF, 4, f.type, show, this))
        return false;
    f.position = {FloatOf(values_[0], f.position.x), FloatOf(values_[1], f.position.y),
                  FloatOf(values_[2], f.position.z)};
    f.rotation = {FloatOf(values_[3], f.rotation.x), FloatOf(values_[5], f.rotation.y),
                  FloatOf(values_[4], f.rotation.z)};
    f.pivot = {FloatOf(values_[6], f.pivot.x), FloatOf(values_[7], f.pivot.y), FloatOf(values_[8], f.pivot.z)};
    apply_->setEnabled(false);
    EditContext c = doc_.Context();
    (void)doc_.Doc().Run(c, ApplyNodeFields, NodeEdit{node_, f});
    doc_.UpdateAllViews();
    return true;
}

void CHierarchyDlg::accept()
{
    if (Apply())
        QDialog::accept();
}

// ---- running them ----------------------------------------------------------------------

void RunAnimationDialog(int command, CChildFrame& frame, const Prompts& prompts)
{
    CDocument& doc = *frame.Document();
    COrvaneView* view = frame.View();
    auto run = [&prompts](QDialog& d) { return Exec(prompts, d); };
    QWidget* parent = frame.window();
    bool accepted = false;
    switch (command) {
    case cmd::AnimationSequence: {
        CAnimSequenceDlg dlg(doc, prompts, parent);
        accepted = run(dlg) == QDialog::Accepted;
        break;
    }
    case cmd::AnimationFrames: {
        CAnimFramesDlg dlg(doc, prompts, parent);
        accepted = run(dlg) == QDialog::Accepted;
        break;
    }
    case cmd::HierarchyNodes: {
        CHierarchyDlg dlg(doc, prompts, parent);
        run(dlg);
        doc.UpdateAllViews();
        return;
    }
    default: return;
    }
    if (!accepted)
        return;
    // The animating view plays what was chosen; without a keyframe to play it leaves.
    const EditModes& modes = doc.Doc().modes;
    if (modes.viewKind == ViewKind::Animating && view && !view->RunCommand(cmd::ViewAnimating))
        view->RunCommand(cmd::ViewFront);
    // Animate mode shows the edited keyframe at the frame it was at.
    if (modes.animateMode && modes.viewKind != ViewKind::Animating)
        (void)RestoreAnimationAt(doc.Model(), doc.Model().currentFrame);
    doc.UpdateAllViews();
}

}  // namespace orv
