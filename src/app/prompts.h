// What the window asks the user: file choosers, messages and questions, progress of long
// rewrites, nested dialogs and links.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "model/file_filter.h"
#include "resources/archive.h"

class QDialog;
class QUrl;
class QWidget;

namespace orv {

struct FileRequest {
    QString caption;
    // The types offered; QtFileFilters turns them into the file dialog's own syntax.
    FileFilters filters;
    QString fileName;       // the name the dialog starts with
    QString directory;      // the folder it starts in; empty: the current one
    QString defaultSuffix;  // added when a typed name has no extension of its own
    bool multiple = false;  // open several files
};

struct FileAnswer {
    QStringList files;    // empty when the user cancelled
    int filterIndex = 0;  // the filter entry chosen, from 0

    bool Cancelled() const { return files.isEmpty(); }
};

// Everything the window asks the user, in one place: the application, its dialogs and
// the dialogs they open take these, so tests replace them and run without anyone at the
// keyboard. An empty member asks nothing: no file is chosen, a question is answered No.
struct Prompts {
    std::function<FileAnswer(QWidget* parent, const FileRequest&)> openFiles;
    std::function<FileAnswer(QWidget* parent, const FileRequest&)> saveFile;
    // A message box with the given buttons; the button chosen.
    std::function<QMessageBox::StandardButton(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                              QMessageBox::StandardButtons buttons)>
        message;
    // A question with buttons of its own; the index of the button chosen (-1: none). The
    // first is the default, the last the answer to Escape.
    std::function<int(QWidget* parent, const QString& text, const QStringList& buttons)> choose;
    // A callback for a long archive rewrite, shown as a progress dialog over parent; it
    // returns false once the user cancels. The dialog goes when the callback does.
    std::function<ArchiveProgress(QWidget* parent, const QString& label)> progress;
    // Runs a nested dialog to its end (QDialog::exec).
    std::function<int(QDialog&)> exec;
    // Opens a link outside the help folder on the desktop; false when the desktop cannot.
    std::function<bool(const QUrl& url)> openUrl;
};

// A message with an OK button.
void Tell(const Prompts& p, QWidget* parent, const QString& text, QMessageBox::Icon icon = QMessageBox::Warning);
// A question with Yes and No; true for Yes.
bool AskYesNo(const Prompts& p, QWidget* parent, const QString& question);
// Tell as a function of the text alone, for the small dialogs' message handlers.
std::function<void(const QString&)> Teller(const Prompts& p, QWidget* parent);
// Runs a dialog through the prompts (QDialog::exec without an exec hook).
int Exec(const Prompts& p, QDialog& d);
// A dialog's Help button: its page in the help window (ShowDialogHelp), else the short
// word given, as a message.
void ShowHelpOr(const Prompts& p, QWidget* dialog, const QString& shortWord);

// Real file dialogs, message boxes, progress dialogs and the desktop's browser.
Prompts StandardPrompts();

// The types as the file dialog takes them: it reads the patterns from the parentheses,
// so each entry shows its text with its real patterns in them ("GOB/GOO Files (*.gob,
// *goo)" for {"*.gob", "*.goo"} becomes "GOB/GOO Files (*.gob *.goo)").
QStringList QtFileFilters(const FileFilters& filters);

// The path with the extension of the chosen filter entry (else defaultSuffix) added
// when its file name has none.
QString CompleteSuffix(const QString& path, const FileFilters& filters, int filterIndex, const QString& defaultSuffix);

// A progress callback that shows a progress dialog over parent once a rewrite takes
// longer than delayMs, keeps the application responsive meanwhile and reports the
// dialog's Cancel.
ArchiveProgress MakeProgressDialogCallback(QWidget* parent, const QString& label, int delayMs = 400);

// The caption of the program's message boxes.
QString MessageCaption();

}  // namespace orv
