#include "app/prompts.h"

#include "app/help_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <memory>

namespace orv {

namespace {

// "*.gob" gives "gob"; patterns with wildcards after the dot ("*.ai*") give nothing.
QString PlainExtension(const std::vector<std::string>& patterns)
{
    static const QRegularExpression plain(QStringLiteral("^\\*\\.([A-Za-z0-9_]+)$"));
    for (const std::string& p : patterns) {
        const auto m = plain.match(QString::fromStdString(p).trimmed());
        if (m.hasMatch())
            return m.captured(1);
    }
    return {};
}

FileAnswer RunFileDialog(QWidget* parent, const FileRequest& r, bool save)
{
    const FileFilters& entries = r.filters;
    const QStringList filters = QtFileFilters(r.filters);
    QFileDialog dlg(parent, r.caption, r.directory);
    dlg.setNameFilters(filters);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile
                         : (r.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile));
    auto suffixFor = [&](int index) {
        const QString ext = index >= 0 && index < static_cast<int>(entries.size())
                                ? PlainExtension(entries[static_cast<std::size_t>(index)].patterns)
                                : QString();
        return ext.isEmpty() ? r.defaultSuffix.toLower() : ext;
    };
    if (save) {
        // The suffix follows the chosen type, so the overwrite check sees the real name.
        dlg.setDefaultSuffix(suffixFor(0));
        QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&](const QString& f) {
            dlg.setDefaultSuffix(suffixFor(static_cast<int>(filters.indexOf(f))));
        });
    }
    if (!r.fileName.isEmpty())
        dlg.selectFile(r.fileName);
    if (dlg.exec() != QDialog::Accepted)
        return {};
    FileAnswer a;
    a.files = dlg.selectedFiles();
    a.filterIndex = std::max<int>(0, static_cast<int>(filters.indexOf(dlg.selectedNameFilter())));
    if (save)
        for (QString& f : a.files)
            f = CompleteSuffix(f, r.filters, a.filterIndex, r.defaultSuffix);
    return a;
}

}  // namespace

QString MessageCaption() { return QStringLiteral("Orvane"); }

QStringList QtFileFilters(const FileFilters& filters)
{
    QStringList out;
    for (const FileFilter& f : filters) {
        QString text = QString::fromStdString(f.description);
        // The text's own parenthesised part is replaced by the real patterns, which the
        // file dialog takes from the parentheses.
        const int open = static_cast<int>(text.lastIndexOf(QLatin1Char('(')));
        if (open >= 0 && text.endsWith(QLatin1Char(')')))
            text = text.left(open).trimmed();
        QStringList patterns;
        for (const std::string& p : f.patterns)
            patterns << QString::fromStdString(p);
        out << text + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

QString CompleteSuffix(const QString& path, const FileFilters& filters, int filterIndex, const QString& defaultSuffix)
{
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    QString ext;
    if (filterIndex >= 0 && filterIndex < static_cast<int>(filters.size()))
        ext = PlainExtension(filters[static_cast<std::size_t>(filterIndex)].patterns);
    if (ext.isEmpty())
        ext = defaultSuffix.toLower();
    return ext.isEmpty() ? path : path + QLatin1Char('.') + ext;
}

ArchiveProgress MakeProgressDialogCallback(QWidget* parent, const QString& label, int delayMs)
{
    struct State {
        QPointer<QWidget> parent;
        QString label;
        int delayMs = 0;
        QElapsedTimer clock;
        QPointer<QProgressDialog> dialog;
        ~State() { delete dialog.data(); }
    };
    auto state = std::make_shared<State>();
    state->parent = parent;
    state->label = label;
    state->delayMs = delayMs;
    return [state](uint64_t done, uint64_t total) {
        // The time counts from the first report: questions asked before it do not.
        if (!state->clock.isValid())
            state->clock.start();
        if (!state->dialog && state->clock.elapsed() >= state->delayMs) {
            auto* d = new QProgressDialog(state->label, QStringLiteral("Cancel"), 0, 1000, state->parent);
            d->setWindowTitle(MessageCaption());
            d->setWindowModality(Qt::WindowModal);
            d->setMinimumDuration(0);
            d->setAutoClose(false);
            d->setAutoReset(false);
            d->show();
            state->dialog = d;
        }
        if (!state->dialog) {
            // Until the progress dialog is up nothing may reach the windows behind it.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return true;
        }
        const int value = total == 0 ? 1000 : static_cast<int>(done * 1000 / total);
        state->dialog->setValue(value);
        QCoreApplication::processEvents();
        return !state->dialog->wasCanceled();
    };
}

Prompts StandardPrompts()
{
    Prompts p;
    p.openFiles = [](QWidget* parent, const FileRequest& r) { return RunFileDialog(parent, r, false); };
    p.saveFile = [](QWidget* parent, const FileRequest& r) { return RunFileDialog(parent, r, true); };
    p.message = [](QWidget* parent, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons b) {
        QMessageBox box(icon, MessageCaption(), text, b, parent);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    };
    p.choose = [](QWidget* parent, const QString& text, const QStringList& buttons) {
        QMessageBox box(QMessageBox::Question, MessageCaption(), text, QMessageBox::NoButton, parent);
        QList<QAbstractButton*> made;
        for (const QString& b : buttons)
            made.append(box.addButton(b, QMessageBox::AcceptRole));
        // Return takes the first choice, Escape the last (the one that changes nothing).
        if (!made.isEmpty()) {
            box.setDefaultButton(static_cast<QPushButton*>(made.first()));
            box.setEscapeButton(made.last());
        }
        box.exec();
        return static_cast<int>(made.indexOf(box.clickedButton()));
    };
    p.progress = [](QWidget* parent, const QString& label) { return MakeProgressDialogCallback(parent, label); };
    p.exec = [](QDialog& d) { return d.exec(); };
    p.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return p;
}

void Tell(const Prompts& p, QWidget* parent, const QString& text, QMessageBox::Icon icon)
{
    if (p.message)
        p.message(parent, icon, text, QMessageBox::Ok);
}

bool AskYesNo(const Prompts& p, QWidget* parent, const QString& question)
{
    return p.message &&
           p.message(parent, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::function<void(const QString&)> Teller(const Prompts& p, QWidget* parent)
{
    return [message = p.message, parent](const QString& text) {
        if (message)
            message(parent, QMessageBox::Warning, text, QMessageBox::Ok);
    };
}

int Exec(const Prompts& p, QDialog& d) { return p.exec ? p.exec(d) : d.exec(); }

void ShowHelpOr(const Prompts& p, QWidget* dialog, const QString& shortWord)
{
    if (!ShowDialogHelp(dialog))
        Tell(p, dialog, shortWord, QMessageBox::Information);
}

}  // namespace orv
