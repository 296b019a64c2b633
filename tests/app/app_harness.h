// The application over a folder of its own (settings, backups, no game: the sample stands
// in), every file dialog, question and dialog answered by the test and recorded.
#pragma once

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <functional>
#include <memory>

#include "app/app.h"
#include "app/childframe.h"
#include "app/mainframe.h"
#include "app/settingsstore.h"
#include "edit/selection.h"
#include "support/recorded.h"

using namespace Qt::Literals::StringLiterals;

namespace apptest {

inline const QString kSampleDir = QStringLiteral(ORVANE_BINARY_DIR "/share/orvane/sample");

// Writes the bytes to the file, making its folders; false when it cannot.
inline bool Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return QDir().mkpath(QFileInfo(f).absolutePath()) && f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The bytes of the file; empty when it cannot be read.
inline QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The labels below item (the whole tree without one) as "a(b, c(d)), e".
inline QString Outline(const QTreeWidget* tree, const QTreeWidgetItem* item = nullptr)
{
    QStringList labels;
    for (int i = 0, n = item ? item->childCount() : tree->topLevelItemCount(); i < n; ++i) {
        const QTreeWidgetItem* c = item ? item->child(i) : tree->topLevelItem(i);
        labels << c->text(0) + (c->childCount() ? '(' + Outline(tree, c) + ')' : QString());
    }
    return labels.join(u", "_s);
}

inline QStringList Texts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// A dialog as its user sees it: the title, each list's rows in order, parents first
// (columns split by " | ", the current row starred) and the buttons shown, a disabled one in [].
inline QString Shown(const QWidget& dialog)
{
    QString text = dialog.windowTitle() + u'\n';
    for (const QTreeWidget* tree : dialog.findChildren<QTreeWidget*>())
        for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it) {
            QStringList columns;
            for (int c = 0; c < tree->columnCount(); ++c)
                columns << (*it)->text(c);
            text +=
                tree->objectName() + (*it == tree->currentItem() ? u": *"_s : u": "_s) + columns.join(u" | "_s) + u'\n';
        }
    QStringList buttons;
    for (const QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->isVisibleTo(&dialog))
            buttons << (b->isEnabled() ? u"%1"_s : u"[%1]"_s).arg(b->text()).remove(u'&');
    return text + buttons.join(u' ') + u'\n';
}

// Clicks the dialog's OK button (id 1) as the user does: how the dialog ended.
inline int ClickOk(QDialog& d)
{
    auto* ok = d.findChild<QPushButton*>(u"1"_s);
    if (!ok)
        return QDialog::Rejected;
    ok->click();
    return d.result();
}

// Types into a field as the user does: its text replaced key by key, then the field left.
inline void Type(QLineEdit* e, const QString& text)
{
    e->selectAll();
    QTest::keyClicks(e, text);
    emit e->editingFinished();
}

// Makes the mesh and face current in the window's view.
inline void Pick(orv::CChildFrame* f, int mesh, int face)
{
    f->CurrentSelection()->currentMesh = mesh;
    f->CurrentSelection()->currentFace = face;
}

// Compares the text, as recorded (see orvtest::AsRecorded), line by line with the file
// tests/fixtures/expected/<name>; while recording, the file is written instead.
inline void CompareRecorded(const QString& name, const QString& text, const QString& dir = {})
{
    const QString recorded = QString::fromStdString(orvtest::AsRecorded(text.toStdString(), dir.toStdString()));
    const QString file = QString::fromStdString(orvtest::Fixture("expected", name.toStdString()).string());
    if (orvtest::RecordingExpected())
        QVERIFY(Write(file, recorded.toUtf8()));
    else
        QCOMPARE(recorded.split(QLatin1Char('\n')), QString::fromUtf8(Read(file)).split(QLatin1Char('\n')));
}

// The settings as the program stores them: its INI file's text.
inline QString SettingsText(const orv::Settings& s)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"settings.ini"_s);
    {
        QSettings store(path, QSettings::IniFormat);
        orv::SaveSettings(store, s);
    }
    return QString::fromUtf8(Read(path));
}

inline QMdiSubWindow* SubWindow(orv::CChildFrame* f) { return qobject_cast<QMdiSubWindow*>(f->parentWidget()); }

inline QByteArray Sample(const QString& name) { return Read(kSampleDir + QLatin1Char('/') + name); }

struct Harness {
    QTemporaryDir ownDir;
    QTemporaryDir& dir;
    QString nextSavePath;         // what the save dialog answers; none: cancelled
    int nextSaveFilter = 0;       // the entry of the Save As types chosen with it
    QString nextOpenPath;         // what the open dialog answers; none: cancelled
    orv::FileFilters openFilter;  // the types the open dialog offered last
    QStringList dialogFolders;    // the folder each file dialog started in
    QStringList messages;
    QList<QMessageBox::StandardButton> answers;  // given in turn, then answer
    QMessageBox::StandardButton answer = QMessageBox::No;
    QStringList choices;  // questions with buttons of their own: "text [a|b|c]"
    int choose;           // the button chosen for them
    // How the application's own dialogs end (QDialog::exec); rejected unless replaced.
    std::function<int(QDialog&)> dialog = [](QDialog&) { return int(QDialog::Rejected); };
    std::unique_ptr<orv::COrvaneApp> app;

    // shared: a folder the harness shares with others (a session after a crash);
    // choose: the answer to the recovery question at the start (2: "Later").
    explicit Harness(QTemporaryDir* shared = nullptr, int chosen = 2) : dir(shared ? *shared : ownDir), choose(chosen)
    {
        qputenv("WINEPREFIX", dir.filePath(u"no-wine"_s).toLocal8Bit());
        orv::Prompts hooks;
        hooks.saveFile = [this](QWidget*, const orv::FileRequest& r) {
            dialogFolders << r.directory;
            orv::FileAnswer a;
            if (!nextSavePath.isEmpty())
                a.files = QStringList{nextSavePath};
            a.filterIndex = nextSaveFilter;
            return a;
        };
        hooks.openFiles = [this](QWidget*, const orv::FileRequest& r) {
            openFilter = r.filters;
            dialogFolders << r.directory;
            orv::FileAnswer a;
            if (!nextOpenPath.isEmpty())
                a.files = QStringList{nextOpenPath};
            return a;
        };
        hooks.message = [this](QWidget*, QMessageBox::Icon, const QString& text, QMessageBox::StandardButtons) {
            messages.append(text);
            return answers.isEmpty() ? answer : answers.takeFirst();
        };
        hooks.openUrl = [](const QUrl&) { return true; };
        hooks.exec = [this](QDialog& d) { return dialog(d); };
        hooks.choose = [this](QWidget*, const QString& text, const QStringList& buttons) {
            choices << text + u" ["_s + buttons.join(QLatin1Char('|')) + QLatin1Char(']');
            return choose;
        };
        app = std::make_unique<orv::COrvaneApp>(
            std::make_unique<QSettings>(dir.filePath(u"Orvane.ini"_s), QSettings::IniFormat), hooks);
        app->SetProgramDir(QStringLiteral(ORVANE_BINARY_DIR "/share/orvane"));
        app->SetBackupFolder(dir.filePath(u"backup"_s));
        app->Start({}, {false, false});
    }

    orv::CChildFrame* OpenWalker() { return app->OpenFile(kSampleDir + u"/walker.3do"_s); }

    // A copy of the sample's file in the folder, whole or cut after keep bytes.
    QString Copy(const QString& sample, const QString& name, qint64 keep = -1)
    {
        const QByteArray bytes = Sample(sample);
        const QString path = dir.filePath(name);
        return Write(path, keep < 0 ? bytes : bytes.left(keep)) ? path : QString();
    }
};

// The harness with the sample walker open in the front window (f).
struct WalkerHarness : Harness {
    orv::CChildFrame* f = OpenWalker();
    WalkerHarness()
    {
        if (!f)
            qFatal("the sample walker does not open");
    }
};

}  // namespace apptest
