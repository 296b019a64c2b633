// Everything the resource dialogs ask the user: file choosers, yes/no questions,
// messages, progress of long rewrites and nested dialogs. The dialogs call these hooks
// only, so tests replace them and run without anyone at the keyboard.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "model/file_filter.h"
#include "resources/archive.h"

class QDialog;
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

enum class MessageKind { Information, Warning };

struct Prompts {
    std::function<FileAnswer(QWidget* parent, const FileRequest&)> openFiles;
    std::function<FileAnswer(QWidget* parent, const FileRequest&)> saveFile;
    // A question with Yes and No; true for Yes.
    std::function<bool(QWidget* parent, const QString& question)> askYesNo;
    std::function<void(QWidget* parent, const QString& text, MessageKind)> showMessage;
    // A callback for a long archive rewrite, shown as a progress dialog over parent; it
    // returns false once the user cancels. The dialog goes when the callback does.
    std::function<ArchiveProgress(QWidget* parent, const QString& label)> progress;
    // Runs a nested dialog to its end (QDialog::exec).
    std::function<int(QDialog&)> exec;
};

// Real file dialogs, message boxes and progress dialogs.
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
