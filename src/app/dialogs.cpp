#include "app/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>

#include "app/settingsstore.h"
#include "model/tips.h"
#include "model/version.h"

namespace orv {

QIcon AppIcon()
{
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QPolygonF top({QPointF(32, 6), QPointF(58, 19), QPointF(32, 32), QPointF(6, 19)});
    const QPolygonF left({QPointF(6, 19), QPointF(32, 32), QPointF(32, 60), QPointF(6, 46)});
    const QPolygonF right({QPointF(32, 32), QPointF(58, 19), QPointF(58, 46), QPointF(32, 60)});
    p.setPen(QPen(QColor(30, 30, 40), 2));
    p.setBrush(QColor(245, 121, 0));
    p.drawPolygon(top);
    p.setBrush(QColor(52, 101, 164));
    p.drawPolygon(left);
    p.setBrush(QColor(32, 74, 135));
    p.drawPolygon(right);
    return QIcon(pm);
}

// ---- About ---------------------------------------------------------------------

CAboutDlg::CAboutDlg(bool splash, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Orvane"));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(64, 64));
    auto* text = new QLabel(QString::fromLatin1(kVersionString), this);
    text->setObjectName(QStringLiteral("version"));
    QFont f = text->font();
    f.setPointSizeF(f.pointSizeF() * 1.4);
    f.setBold(true);
    text->setFont(f);
    auto* sub = new QLabel(QStringLiteral("Editor for Jedi Knight and Mysteries of the Sith 3DO models"), this);
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* textCol = new QVBoxLayout;
    textCol->addWidget(text);
    textCol->addWidget(sub);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addLayout(textCol, 1);
    row->addWidget(ok, 0, Qt::AlignTop);
    setLayout(row);
    if (splash) {
        ok->hide();
        setWindowFlag(Qt::SplashScreen);
        QTimer::singleShot(3000, this, &QDialog::accept);
    }
}

void CAboutDlg::paintEvent(QPaintEvent* e)
{
    QDialog::paintEvent(e);
    if (!painted_) {
        painted_ = true;
        // Posted, so the box is on screen while the work runs.
        QTimer::singleShot(0, this, &CAboutDlg::firstPainted);
    }
}

// ---- Tip of the Day --------------------------------------------------------------

CTipDlg::CTipDlg(const QString& tipsPath, QSettings& store, QWidget* parent) : QDialog(parent), store_(store)
{
    setWindowTitle(QStringLiteral("Tip of the Day"));
    store_.beginGroup(QLatin1String(kTipGroup));
    const bool show = store_.value(QStringLiteral("StartUp"), 0).toInt() == 0;
    pos_ = store_.value(QStringLiteral("FilePos"), 0).toLongLong();
    store_.endGroup();

    auto* bulb = new QLabel(this);
    {
        QPixmap pm(40, 40);
        pm.fill(Qt::white);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(252, 233, 79));
        p.setPen(QPen(QColor(80, 80, 80), 2));
        p.drawEllipse(QRectF(8, 3, 24, 24));
        p.setBrush(QColor(160, 160, 160));
        p.drawRect(QRectF(14, 27, 12, 8));
        bulb->setPixmap(pm);
    }
    auto* heading = new QLabel(QStringLiteral("Did you know..."), this);
    QFont hf = heading->font();
    hf.setPointSizeF(hf.pointSizeF() * 1.6);
    hf.setBold(true);
    heading->setFont(hf);
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("tip"));
    text_->setWordWrap(true);
    text_->setMinimumSize(320, 90);
    text_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* panel = new QWidget(this);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::white);
    panel->setPalette(pal);
    auto* grid = new QGridLayout(panel);
    grid->addWidget(bulb, 0, 0, Qt::AlignTop);
    grid->addWidget(heading, 0, 1);
    grid->addWidget(text_, 1, 1);

    startup_ = new QCheckBox(QStringLiteral("&Show Tips on StartUp"), this);
    startup_->setChecked(show);
    next_ = new QPushButton(QStringLiteral("&Next Tip"), this);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setDefault(true);
    connect(next_, &QPushButton::clicked, this, &CTipDlg::NextTip);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(startup_);
    buttons->addStretch(1);
    buttons->addWidget(next_);
    buttons->addWidget(close);
    auto* col = new QVBoxLayout(this);
    col->addWidget(panel, 1);
    col->addLayout(buttons);

    QFile f(tipsPath);
    if (!f.open(QIODevice::ReadOnly)) {
        text_->setText(QStringLiteral("Tips file does not exist in the prescribed directory"));
        next_->setEnabled(false);
        return;
    }
    file_ = f.readAll();
    fileOk_ = true;
    // A tips file changed since the last run starts again at its first tip.
    const QString stamp = QFileInfo(tipsPath).lastModified().toString(Qt::TextDate);
    store_.beginGroup(QLatin1String(kTipGroup));
    if (store_.value(QStringLiteral("TimeStamp")).toString() != stamp) {
        pos_ = 0;
        store_.setValue(QStringLiteral("TimeStamp"), stamp);
    }
    store_.endGroup();
    if (pos_ > file_.size()) {
        text_->setText(QStringLiteral("Trouble reading the tips file"));
        pos_ = 0;
        return;
    }
    NextTip();
}

CTipDlg::~CTipDlg()
{
    store_.beginGroup(QLatin1String(kTipGroup));
    store_.setValue(QStringLiteral("StartUp"), startup_->isChecked() ? 0 : 1);
    if (fileOk_)
        store_.setValue(QStringLiteral("FilePos"), pos_);
    store_.endGroup();
}

void CTipDlg::NextTip()
{
    int64_t pos = pos_;
    text_->setText(
        QString::fromLocal8Bit(orv::NextTip(std::string_view(file_.constData(), std::size_t(file_.size())), pos)));
    pos_ = pos;
}

QString CTipDlg::CurrentTip() const { return text_->text(); }

bool CTipDlg::ShowAtStartup(QSettings& store)
{
    return store.value(QLatin1String(kTipGroup) + QStringLiteral("/StartUp"), 0).toInt() == 0;
}

// ---- Select Product ------------------------------------------------------------

CSelectProductDlg::CSelectProductDlg(int product, const QString& jkFolder, const QString& motsFolder, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Select Product"));
    jk_ = new QRadioButton(QStringLiteral("Jedi Knight"), this);
    mots_ = new QRadioButton(QStringLiteral("Mysteries of the Sith"), this);
    (product == 1 ? mots_ : jk_)->setChecked(true);

    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    const QString folders[2] = {jkFolder, motsFolder};
    QRadioButton* radios[2] = {jk_, mots_};
    for (int i = 0; i < 2; ++i) {
        folders_[i] = new QLineEdit(folders[i], box);
        folders_[i]->setPlaceholderText(QStringLiteral("found through the game's install (Wine) when empty"));
        folders_[i]->setToolTip(
            QStringLiteral("Folder of the installed game (the one that holds its resource folder)"));
        auto* browse = new QPushButton(QStringLiteral("Browse..."), box);
        QLineEdit* edit = folders_[i];
        edit->setAccessibleName(radios[i]->text() + QStringLiteral(" folder"));
        connect(browse, &QPushButton::clicked, this, [this, edit] {
            const QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("Game Folder"), edit->text());
            if (!dir.isEmpty())
                edit->setText(dir);
        });
        grid->addWidget(radios[i], i * 2, 0, 1, 2);
        grid->addWidget(folders_[i], i * 2 + 1, 0);
        grid->addWidget(browse, i * 2 + 1, 1);
    }
    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* col = new QVBoxLayout(this);
    col->addWidget(box);
    col->addLayout(buttons);
}

int CSelectProductDlg::Product() const { return mots_->isChecked() ? 1 : 0; }

QString CSelectProductDlg::Folder(int product) const { return folders_[product == 1 ? 1 : 0]->text().trimmed(); }

CImportDlg::CImportDlg(const QString& fileName, double scale, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Import"));
    scale_ = new QDoubleSpinBox(this);
    scale_->setObjectName(QStringLiteral("scale"));
    scale_->setDecimals(6);
    scale_->setRange(0.000001, 1000000.0);
    scale_->setSingleStep(0.1);
    scale_->setValue(scale);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("File:"), new QLabel(fileName, this));
    form->addRow(QStringLiteral("&Scale:"), scale_);
    form->addRow(new QLabel(QStringLiteral("Every length in the file is multiplied by the scale."), this));
    up_ = new QComboBox(this);
    up_->setObjectName(QStringLiteral("up"));
    up_->addItem(QStringLiteral("Y"), static_cast<int>(UpAxis::Y));
    up_->addItem(QStringLiteral("Z"), static_cast<int>(UpAxis::Z));
    form->addRow(QStringLiteral("&Up Axis:"), up_);
    form->addRow(new QLabel(QStringLiteral("The file's axis that points up, for formats that do not say (OBJ, PLY, "
                                           "STL...).\nglTF, FBX, Collada and 3DS files are taken as they say."),
                            this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

double CImportDlg::Scale() const { return scale_->value(); }

void CImportDlg::SetUp(UpAxis up) { up_->setCurrentIndex(up_->findData(static_cast<int>(up))); }

UpAxis CImportDlg::Up() const { return static_cast<UpAxis>(up_->currentData().toInt()); }

}  // namespace orv
