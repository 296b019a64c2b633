#include "app/checkmod_dlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/wait_cursor.h"
#include "base/text.h"

namespace orv {

namespace {

enum Column { kFile, kSeverity, kText, kPlace };

// Sorts severity by weight (errors first), the rest by text; a row keeps its finding's
// index for the double-click.
class FindingItem : public QTreeWidgetItem {
public:
    FindingItem(const Finding& f, int index)
        : QTreeWidgetItem(QStringList{QString::fromStdString(f.file), QString::fromLatin1(SeverityName(f.severity)),
                                      QString::fromStdString(f.text), QString::fromStdString(f.place.Describe())})
    {
        setData(kFile, Qt::UserRole, index);
        setData(kSeverity, Qt::UserRole, static_cast<int>(f.severity));
        // The whole line, for a finding longer than its column.
        const QString line = QString::fromStdString(f.Line());
        for (int c = kFile; c <= kPlace; ++c)
            setToolTip(c, line);
    }
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : kFile;
        if (column == kSeverity)
            return data(kSeverity, Qt::UserRole).toInt() < other.data(kSeverity, Qt::UserRole).toInt();
        return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
};

}  // namespace

std::filesystem::path ModelOfFinding(const Finding& finding)
{
    // Items of archives are told as "a.gob (3do\x.3do)": only loose files open.
    if (finding.file.empty() || finding.file.back() == ')')
        return {};
    std::filesystem::path path(finding.file);
    return EqualNoCase(path.extension().string(), ".3do") ? path : std::filesystem::path();
}

CCheckModDlg::CCheckModDlg(Checker check, Opener open, QWidget* parent)
    : QDialog(parent), check_(std::move(check)), open_(std::move(open))
{
    setWindowTitle(QStringLiteral("Check Mod"));
    resize(820, 420);
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("findings"));
    list_->setAccessibleName(QStringLiteral("Findings"));
    list_->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Severity"), QStringLiteral("Finding"),
                            QStringLiteral("Where")});
    list_->setRootIsDecorated(false);
    list_->setSortingEnabled(true);
    list_->header()->setSectionResizeMode(kText, QHeaderView::Stretch);
    layout->addWidget(list_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    folder_ = buttons->addButton(QStringLiteral("&Folder..."), QDialogButtonBox::ActionRole);
    archive_ = buttons->addButton(QStringLiteral("&Archive..."), QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(folder_, &QPushButton::clicked, this, &CCheckModDlg::folderWanted);
    connect(archive_, &QPushButton::clicked, this, &CCheckModDlg::archiveWanted);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { Open(item); });
}

void CCheckModDlg::Check(const std::filesystem::path& mod)
{
    list_->clear();
    report_ = {};
    Result<ModCheckReport> checked = [&] {
        WaitCursor wait;
        return check_(mod);
    }();
    const QString where = QString::fromStdString(mod.string());
    if (!checked) {
        summary_->setText(QStringLiteral("%1 could not be checked: %2").arg(where, QString::fromStdString(checked.error())));
        return;
    }
    report_ = std::move(*checked);
    summary_->setText(QStringLiteral("%1: %2").arg(where, QString::fromStdString(report_.Summary())));
    list_->setSortingEnabled(false);
    for (std::size_t i = 0; i < report_.findings.size(); ++i)
        list_->addTopLevelItem(new FindingItem(report_.findings[i], static_cast<int>(i)));
    list_->setSortingEnabled(true);
    list_->sortByColumn(kFile, Qt::AscendingOrder);
    for (int c : {kFile, kSeverity, kPlace})
        list_->resizeColumnToContents(c);
}

const Finding* CCheckModDlg::FindingOf(const QTreeWidgetItem* item) const
{
    if (!item)
        return nullptr;
    const int index = item->data(kFile, Qt::UserRole).toInt();
    return index >= 0 && static_cast<std::size_t>(index) < report_.findings.size() ? &report_.findings[index] : nullptr;
}

void CCheckModDlg::Open(QTreeWidgetItem* item)
{
    const Finding* finding = FindingOf(item);
    if (!finding || !open_)
        return;
    const std::filesystem::path model = ModelOfFinding(*finding);
    if (!model.empty())
        open_(model, finding->place);
}

}  // namespace orv
