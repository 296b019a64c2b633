#include "app/options_dlg.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "model/options_input.h"
#include "model/settings.h"

namespace orv {

namespace {

struct ColorField {
    const char* label;
    uint32_t Settings::*member;
};

// In the order of the page's buttons.
const std::array<ColorField, CSheetDlg::kColorCount> kColorFields = {{
    {"Selected Vertex:", &Settings::colorSelect},
    {"Linked Vertex:", &Settings::colorLink},
    {"Un-Linked Vertex:", &Settings::colorUnlink},
    {"Grid Node:", &Settings::colorGrid},
    {"Background:", &Settings::colorBackground},
    {"Wireframes:", &Settings::colorWireframe},
    {"X Axis:", &Settings::colorCoorX},
    {"Y Axis:", &Settings::colorCoorY},
    {"Z Axis:", &Settings::colorCoorZ},
}};

QColor FromBgr(uint32_t bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

uint32_t ToBgr(const QColor& c)
{
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
           (static_cast<uint32_t>(c.blue()) << 16);
}

// The stored index if the list has it, else the first entry.
void SelectIndex(QComboBox* box, int index) { box->setCurrentIndex(index >= 0 && index < box->count() ? index : 0); }

}  // namespace

CSheetDlg::CSheetDlg(Settings& settings, OptionsSources sources, QWidget* parent) : QDialog(parent), settings_(settings)
{
    setWindowTitle(QStringLiteral("Options"));
    setObjectName(QStringLiteral("OptionsSheet"));
    for (int i = 0; i < kColorCount; ++i)
        colors_[static_cast<std::size_t>(i)] = settings_.*kColorFields[static_cast<std::size_t>(i)].member;

    pages_ = new QTabWidget(this);
    pages_->addTab(MakeGeneralPage(sources), QStringLiteral("General"));
    pages_->addTab(MakeColorsPage(), QStringLiteral("Colors"));
    pages_->addTab(MakeBackupPage(), QStringLiteral("Backup"));
    pages_->addTab(MakeResourcesPage(), QStringLiteral("Resources"));

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &CSheetDlg::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &CSheetDlg::reject);
    connect(ApplyButton(), &QPushButton::clicked, this, [this] { Apply(); });
    ApplyButton()->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons_);

    showMessage_ = [this](const QString& text) { QMessageBox::warning(this, QStringLiteral("Options"), text); };
    choosePath_ = [this](bool folder) {
        if (folder)
            return QFileDialog::getExistingDirectory(this, QStringLiteral("Add Folder"));
        return QFileDialog::getOpenFileName(this, QStringLiteral("Add Archive"), QString(),
                                            QStringLiteral("GOB/GOO Files (*.gob *.goo);;All Files (*)"));
    };
}

QPushButton* CSheetDlg::ApplyButton() const { return buttons_->button(QDialogButtonBox::Apply); }

QWidget* CSheetDlg::MakeGeneralPage(const OptionsSources& sources)
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);

    stretch_ = new QComboBox(page);
    stretch_->addItems(sources.stretchFactors.isEmpty() ? QStringList{QStringLiteral("None")} : sources.stretchFactors);
    SelectIndex(stretch_, settings_.stretchMode);
    form->addRow(QStringLiteral("Stretch Factor:"), stretch_);

    device_ = new QComboBox(page);
    device_->addItems(sources.devices);
    SelectIndex(device_, settings_.device);
    form->addRow(QStringLiteral("DirectX Device:"), device_);

    // A stored value out of range (a settings file edited by hand, or written before the
    // steps kept to the range) is shown within it, so that OK does not refuse a field the
    // user never touched.
    frameRate_ = new QLineEdit(QString::number(kFrameRateRange.Clamp(settings_.frameRate)), page);
    form->addRow(QStringLiteral("Frame Rate (desired):"), frameRate_);

    vertexSize_ = new QLineEdit(
        QString::number(static_cast<double>(kVertexScalingRange.Clamp(settings_.vertexScaling)), 'g', 6), page);
    form->addRow(QStringLiteral("Vertex Size:"), vertexSize_);

    mapping_ = new QComboBox(page);
    mapping_->addItems({QStringLiteral("Nearest"), QStringLiteral("Linear")});
    mapping_->setCurrentIndex(settings_.textureMapping == 1 ? 0 : 1);
    form->addRow(QStringLiteral("Texture Mapping:"), mapping_);

    dithered_ = new QComboBox(page);
    dithered_->addItems({QStringLiteral("No"), QStringLiteral("Yes")});
    dithered_->setCurrentIndex(settings_.textureDithering == 1 ? 1 : 0);
    form->addRow(QStringLiteral("Dithered:"), dithered_);

    warnings_ = new QComboBox(page);
    warnings_->addItems({QStringLiteral("No"), QStringLiteral("Yes")});
    warnings_->setCurrentIndex(settings_.warning == 1 ? 1 : 0);
    form->addRow(QStringLiteral("Warnings:"), warnings_);

    colorMap_ = new QComboBox(page);
    colorMap_->addItems(sources.colormaps);
    colorMap_->setMaxVisibleItems(std::max<int>(10, static_cast<int>(sources.colormaps.size())));
    const int current = colorMap_->findText(QString::fromStdString(settings_.colorMap), Qt::MatchFixedString);
    colorMap_->setCurrentIndex(current);
    form->addRow(QStringLiteral("Color Map:"), colorMap_);

    shaded_ = new QCheckBox(QStringLiteral("Light the faces by a light at the camera"), page);
    shaded_->setChecked(settings_.shaded != 0);
    form->addRow(QStringLiteral("Shaded:"), shaded_);
    connect(shaded_, &QCheckBox::toggled, this, &CSheetDlg::MarkModified);

    for (QComboBox* box : {stretch_, device_, mapping_, dithered_, warnings_, colorMap_})
        connect(box, &QComboBox::currentIndexChanged, this, &CSheetDlg::MarkModified);
    for (QLineEdit* edit : {frameRate_, vertexSize_})
        connect(edit, &QLineEdit::textEdited, this, &CSheetDlg::MarkModified);
    return page;
}

QWidget* CSheetDlg::MakeColorsPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    for (int i = 0; i < kColorCount; ++i) {
        auto* button = new QPushButton(page);
        button->setObjectName(QString::fromLatin1(kColorFields[static_cast<std::size_t>(i)].label));
        button->setAccessibleName(QString::fromLatin1(kColorFields[static_cast<std::size_t>(i)].label));
        button->setMinimumSize(64, 22);
        colorButtons_[static_cast<std::size_t>(i)] = button;
        PaintButton(i);
        connect(button, &QPushButton::clicked, this, [this, i] { ChooseColor(i); });
        form->addRow(QString::fromLatin1(kColorFields[static_cast<std::size_t>(i)].label), button);
    }
    return page;
}

QWidget* CSheetDlg::MakeBackupPage()
{
    auto* page = new QWidget;
    auto* row = new QHBoxLayout;
    backupCheck_ = new QCheckBox(QStringLiteral("Automatic backup every:"), page);
    backupMinutes_ = new QSpinBox(page);
    backupMinutes_->setRange(0, 120);
    backupMinutes_->setValue(std::clamp(settings_.backup, 0, 120));
    backupMinutes_->setAccessibleName(QStringLiteral("Backup minutes"));
    backupCheck_->setChecked(backupMinutes_->value() != 0);
    row->addWidget(backupCheck_);
    row->addWidget(backupMinutes_);
    row->addWidget(new QLabel(QStringLiteral("Minutes"), page));
    row->addStretch(1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(row);
    layout->addStretch(1);
    connect(backupCheck_, &QCheckBox::toggled, this, [this](bool on) {
        backupMinutes_->setValue(BackupMinutesWhenToggled(on, backupMinutes_->value()));
        MarkModified();
    });
    connect(backupMinutes_, &QSpinBox::valueChanged, this, &CSheetDlg::MarkModified);
    return page;
}

QWidget* CSheetDlg::MakeResourcesPage()
{
    auto* page = new QWidget;
    auto* text = new QLabel(QStringLiteral("Materials and colormaps that the game's archive does not have are looked "
                                           "for beside the model, in the mod's folders around it, and then in these "
                                           "archives and folders, from the top:"),
                            page);
    text->setWordWrap(true);
    resources_ = new QListWidget(page);
    resources_->setObjectName(QStringLiteral("resources"));
    for (const std::string& entry : settings_.resources)
        resources_->addItem(QString::fromStdString(entry));
    auto makeButton = [page](const QString& caption) {
        auto* b = new QPushButton(caption, page);
        b->setAutoDefault(false);
        return b;
    };
    auto* addArchive = makeButton(QStringLiteral("Add &Archive..."));
    auto* addFolder = makeButton(QStringLiteral("Add &Folder..."));
    auto* remove = makeButton(QStringLiteral("&Remove"));
    auto* up = makeButton(QStringLiteral("Move &Up"));
    auto* down = makeButton(QStringLiteral("Move &Down"));
    connect(addArchive, &QPushButton::clicked, this, [this] { AddResource(false); });
    connect(addFolder, &QPushButton::clicked, this, [this] { AddResource(true); });
    connect(remove, &QPushButton::clicked, this, &CSheetDlg::RemoveResource);
    connect(up, &QPushButton::clicked, this, [this] { MoveResource(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveResource(1); });
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {addArchive, addFolder, remove, up, down})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(resources_, 1);
    row->addLayout(buttons);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(text);
    layout->addLayout(row, 1);
    return page;
}

void CSheetDlg::AddResource(bool folder)
{
    const QString path = choosePath_ ? choosePath_(folder) : QString();
    if (path.isEmpty() || !resources_->findItems(path, Qt::MatchExactly).isEmpty())
        return;
    resources_->addItem(path);
    resources_->setCurrentRow(resources_->count() - 1);
    MarkModified();
}

void CSheetDlg::RemoveResource()
{
    const int row = resources_->currentRow();
    if (row < 0)
        return;
    delete resources_->takeItem(row);
    MarkModified();
}

void CSheetDlg::MoveResource(int step)
{
    const int row = resources_->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= resources_->count())
        return;
    resources_->insertItem(to, resources_->takeItem(row));
    resources_->setCurrentRow(to);
    MarkModified();
}

void CSheetDlg::MarkModified()
{
    modified_ = true;
    ApplyButton()->setEnabled(true);
}

void CSheetDlg::PaintButton(int i)
{
    QPixmap swatch(48, 14);
    swatch.fill(FromBgr(colors_[static_cast<std::size_t>(i)]));
    QPushButton* button = colorButtons_[static_cast<std::size_t>(i)];
    button->setIcon(QIcon(swatch));
    button->setIconSize(swatch.size());
}

void CSheetDlg::SetPageColor(int i, uint32_t bgr)
{
    if (i < 0 || i >= kColorCount)
        return;
    colors_[static_cast<std::size_t>(i)] = bgr & 0xFFFFFF;
    PaintButton(i);
    MarkModified();
}

void CSheetDlg::ChooseColor(int i)
{
    const QColor chosen = QColorDialog::getColor(FromBgr(colors_[static_cast<std::size_t>(i)]), this,
                                                 QString::fromLatin1(kColorFields[static_cast<std::size_t>(i)].label));
    if (chosen.isValid())
        SetPageColor(i, ToBgr(chosen));
}

void CSheetDlg::Refuse(const QString& message, QWidget* field)
{
    lastError_ = message;
    pages_->setCurrentIndex(0);
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
    if (showMessage_)
        showMessage_(message);
}

bool CSheetDlg::Apply()
{
    const auto numbers = ReadOptionsNumbers(frameRate_->text().toStdString(), vertexSize_->text().toStdString());
    if (const auto* refused = std::get_if<OptionsRefusal>(&numbers)) {
        Refuse(QString::fromStdString(refused->message),
               refused->field == OptionsRefusal::Field::FrameRate ? frameRate_ : vertexSize_);
        return false;
    }
    lastError_.clear();

    settings_.frameRate = std::get<OptionsNumbers>(numbers).frameRate;
    settings_.vertexScaling = std::get<OptionsNumbers>(numbers).vertexScaling;
    settings_.textureMapping = mapping_->currentText() == QLatin1String("Nearest") ? 1 : 0;
    settings_.textureDithering = dithered_->currentText() == QLatin1String("Yes") ? 1 : 0;
    settings_.warning = warnings_->currentText() == QLatin1String("Yes") ? 1 : 0;
    settings_.stretchMode = std::max(0, stretch_->currentIndex());
    // Without a device list (no drawing context yet) the stored choice stays.
    if (device_->count() > 0)
        settings_.device = std::max(0, device_->currentIndex());
    for (int i = 0; i < kColorCount; ++i)
        settings_.*kColorFields[static_cast<std::size_t>(i)].member = colors_[static_cast<std::size_t>(i)];
    settings_.shaded = shaded_->isChecked() ? 1 : 0;
    settings_.backup = backupMinutes_->value();
    std::vector<std::string> resources;
    for (int i = 0; i < resources_->count(); ++i)
        resources.push_back(resources_->item(i)->text().toStdString());
    const bool texturesChanged = TakeColorMapAndResources(
        settings_, colorMap_->currentIndex() >= 0 ? colorMap_->currentText().toStdString() : std::string(),
        std::move(resources));

    modified_ = false;
    ApplyButton()->setEnabled(false);
    emit applied(texturesChanged);
    return true;
}

void CSheetDlg::accept()
{
    if (!Apply())
        return;  // the sheet stays open on the refused field
    QDialog::accept();
}

}  // namespace orv
