#include "app/prompts.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
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
    p.askYesNo = [](QWidget* parent, const QString& q) {
        return QMessageBox::question(parent, MessageCaption(), q, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Yes) == QMessageBox::Yes;
    };
    p.showMessage = [](QWidget* parent, const QString& text, MessageKind kind) {
        if (kind == MessageKind::Warning)
            QMessageBox::warning(parent, MessageCaption(), text);
        else
            QMessageBox::information(parent, MessageCaption(), text);
    };
    p.progress = [](QWidget* parent, const QString& label) { return MakeProgressDialogCallback(parent, label); };
    p.exec = [](QDialog& d) { return d.exec(); };
    return p;
}

}  // namespace orv
