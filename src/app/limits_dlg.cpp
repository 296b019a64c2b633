#include "app/limits_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

CLimitsDlg::CLimitsDlg(const std::vector<LimitBreach>& breaches, Purpose purpose, const QString& modelName,
                       QWidget* parent, const std::vector<LimitBreach>& warnings,
                       const std::vector<std::string>& missing)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Check Model"));
    setObjectName(QStringLiteral("LimitsDialog"));
    setSizeGripEnabled(true);
    QString text;
    if (breaches.empty() && !warnings.empty())
        text = QStringLiteral(
                   "%1 is within the limits of the game's engine, but the engine draws %2 face(s) "
                   "other than meant:")
                   .arg(modelName)
                   .arg(warnings.size());
    else if (breaches.empty())
        text = QStringLiteral("%1 is within the limits of the game's engine.").arg(modelName);
    else if (purpose == Purpose::BeforeSave)
        text = QStringLiteral("The game's engine will not load %1 as it is (%2 problem(s)):")
                   .arg(modelName)
                   .arg(breaches.size());
    else
        text = QStringLiteral("The game's engine would not load %1 as it is (%2 problem(s)):")
                   .arg(modelName)
                   .arg(breaches.size());
    if (!missing.empty())
        text += QStringLiteral(" Not all it names was found (listed last).");
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("breaches"));
    // Long lines (the places a missing file was looked for) wrap rather than scroll.
    list_->setWordWrap(true);
    list_->setTextElideMode(Qt::ElideNone);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const LimitBreach& b : breaches)
        list_->addItem(QString::fromStdString(b.text));
    for (const LimitBreach& w : warnings)
        list_->addItem(QStringLiteral("warning: ") + QString::fromStdString(w.text));
    for (const std::string& m : missing)
        list_->addItem(QString::fromStdString(m));
    const bool listed = !breaches.empty() || !warnings.empty() || !missing.empty();
    list_->setVisible(listed);

    auto* buttons = new QDialogButtonBox(this);
    if (purpose == Purpose::BeforeSave) {
        accept_ = buttons->addButton(QStringLiteral("Save anyway"), QDialogButtonBox::AcceptRole);
        QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
        // Writing a file the game refuses is the choice that needs a deliberate click.
        cancel->setDefault(true);
    } else {
        accept_ = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::AcceptRole);
        accept_->setDefault(true);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
    resize(listed ? QSize(640, 360) : QSize(420, 120));
}

}  // namespace orv
