// The file commands of the application: open, import, save by the core's plan, export,
// recovery from backups and the recent-file list.
#include "app/app.h"

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>

#include "anim/puppet_edit.h"
#include "app/backup.h"
#include "app/childframe.h"
#include "app/filemanager_dlg.h"
#include "app/limits_dlg.h"
#include "app/mainframe.h"
#include "app/orvaneview.h"
#include "app/settingsstore.h"
#include "app/wait_cursor.h"
#include "commands/command_ids.h"
#include "document/file_formats.h"
#include "interchange/anim_import.h"
#include "render/renderer.h"

namespace orv {

QString COrvaneApp::StartFolder() const
{
    if (const CChildFrame* f = ActiveFrame()) {
        const std::string& path = f->Document()->Doc().PathName();
        if (!path.empty())
            return QFileInfo(QString::fromStdString(path)).absolutePath();
    }
    if (!lastFolder_.isEmpty())
        return lastFolder_;
    const QStringList recent = RecentFiles();
    if (!recent.isEmpty() && QFileInfo(recent.first()).absoluteDir().exists())
        return QFileInfo(recent.first()).absolutePath();
    return {};
}

FileRequest COrvaneApp::InStartFolder(FileRequest request) const
{
    if (request.directory.isEmpty())
        request.directory = StartFolder();
    return request;
}

FileAnswer COrvaneApp::NoteFolder(FileAnswer answer)
{
    if (!answer.Cancelled())
        lastFolder_ = QFileInfo(answer.files.first()).absolutePath();
    return answer;
}

CChildFrame* COrvaneApp::ImportPuppetFile(const QString& path)
{
    // A puppet file goes into the active document's model.
    CChildFrame* f = ActiveFrame();
    if (!f)
        return nullptr;
    auto import = ReadPuppetImport(path.toStdString());
    if (!import) {
        // Not a puppet file (or unreadable): the model keeps its own.
        Message(QMessageBox::Warning, QString::fromStdString(import.error()));
        return f;
    }
    if (!import->missing.empty()) {
        const QString question =
            QStringLiteral("%1 ended early: %2.\n\nUse what was read in place of the model's puppet data?")
                .arg(QFileInfo(path).fileName(), QString::fromStdString(import->missing));
        if (prompts_.message(frame_, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No) !=
            QMessageBox::Yes)
            return f;
    }
    f->Document()->Doc().TakePuppet(std::move(*import));
    f->Document()->SetModified(true);
    f->Document()->UpdateAllViews();
    return f;
}

bool COrvaneApp::OpenOtherKind(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const FileKind kind = FileKindOf(path.toStdString());
    QString text;
    if (kind == FileKind::Keyframe) {
        text = QStringLiteral(
            "%1 is a keyframe animation (KEY). Keyframes are chosen through a model's puppet file in "
            "the Animation Sequence dialog; open the model (.3do or .orv) instead.");
    } else if (kind == FileKind::Material) {
        text = QStringLiteral(
            "%1 is a material (MAT). A model's faces are given materials in the Materials dialog "
            "(Tools > Materials...), and the File Manager shows the materials of an archive; open "
            "the model (.3do or .orv) instead.");
    } else if (kind == FileKind::Colormap) {
        text = QStringLiteral(
            "%1 is a colormap (CMP). Materials are shown through one of the game's colormaps, chosen "
            "as the Color Map on the General page of Tools > Options...; a colormap is not opened "
            "as a document.");
    } else if (kind == FileKind::Archive) {
        // An archive is what the File Manager is for.
        CFileManagerDlg dlg(services_, frame_, prompts_);
        if (dlg.OpenArchiveFile(path))
            prompts_.exec(dlg);
        return true;
    } else {
        return false;
    }
    Message(QMessageBox::Information, text.arg(name));
    return true;
}

CChildFrame* COrvaneApp::OpenFile(const QString& path)
{
    const FileKind kind = FileKindOf(path.toStdString());
    if (kind == FileKind::Puppet)
        return ImportPuppetFile(path);
    // The common formats of other 3D tools open as imports (a new document).
    if (IsImportedModel(kind))
        return ImportModelFile(path);
    if (OpenOtherKind(path))
        return nullptr;
    const QString canonical = QFileInfo(path).absoluteFilePath();
    // A document already open comes to the front instead of opening twice.
    for (CChildFrame* f : frame_->Children())
        if (QFileInfo(QString::fromStdString(f->Document()->Doc().PathName())).absoluteFilePath() == canonical) {
            frame_->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(f->parentWidget()));
            return f;
        }
    auto doc = std::make_unique<CDocument>(services_);
    Status opened;
    std::optional<PlayChoice> ready;
    {
        WaitCursor wait;
        opened = doc->Doc().OpenDocument(canonical.toStdString());
        // A model with its puppet and keyframes beside it opens ready to play.
        if (opened)
            ready = MakeReadyToPlay(doc->Doc());
    }
    if (!opened) {
        Message(QMessageBox::Warning,
                QStringLiteral("Failed to open document.\n\n%1").arg(QString::fromStdString(opened.error())));
        return nullptr;
    }
    AddRecentFile(canonical);
    const std::string partial = doc->Doc().ReadInPart();
    const bool damaged = doc->Doc().ReadDamaged();
    const std::string puppetProblem = doc->Doc().PuppetFileProblem();
    const QString puppet = QString::fromStdString(doc->Doc().PuppetFileName());
    CChildFrame* child = AddFrame(std::move(doc));
    ShowWhatIsMissing(child);
    if (ready)
        ShowPlayChoice(child);
    if (!partial.empty()) {
        const QString name = QFileInfo(canonical).fileName();
        const QString what = damaged ? QStringLiteral("%1 is damaged: %2.") : QStringLiteral("%1 ended early: %2.");
        Message(QMessageBox::Warning,
                (what + QStringLiteral("\n\nWhat could be read is open. Saving over %1 will ask first."))
                    .arg(name, QString::fromStdString(partial)));
    }
    if (!puppetProblem.empty())
        Message(QMessageBox::Warning,
                QStringLiteral("%1.\n\nThe Animation Sequence dialog will ask before replacing %2.")
                    .arg(QString::fromStdString(puppetProblem), puppet));
    return child;
}

void COrvaneApp::ShowWhatIsMissing(CChildFrame* frame)
{
    const MissingResources missing =
        FindMissingResources(frame->Document()->Model(), frame->Document()->Doc().Sources());
    QString text = QString::fromStdString(missing.Summary());
    if (!missing.materials.empty() && lastLocate_.usingSample)
        text += QStringLiteral(
            " Textures are placeholders: the game's resource files were not found and the sample archive stands in; "
            "set the game's folder in Tools > Select Product.");
    frame->ShowNotice(text);
}

void COrvaneApp::OpenHandedFiles(const QStringList& files)
{
    if (!frame_)
        return;
    frame_->setWindowState((frame_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    frame_->show();
    frame_->raise();
    frame_->activateWindow();
    // A window manager that keeps the focus where it is marks the window instead.
    QApplication::alert(frame_);
    for (const QString& f : files)
        OpenFile(f);
}

bool COrvaneApp::SaveByPlan(CChildFrame* frame, const QString& path, SaveMode mode)
{
    COrvaneDoc& doc = frame->Document()->Doc();
    const SavePlan plan = PlanSave(doc, path.toStdString(), settings_.warning != 0);
    // The core's questions, each as it gives it; the first answer that stops ends here.
    std::vector<SaveAnswer> answers;
    for (std::size_t i = 0; i < plan.questions.size(); ++i) {
        const SaveQuestion& q = plan.questions[i];
        if (!IsAsked(plan, answers, i)) {
            answers.push_back(SaveAnswer::NotAsked);
            continue;
        }
        SaveAnswer answer = SaveAnswer::Cancel;
        if (q.kind == SaveQuestionKind::EngineLimits) {
            CLimitsDlg dlg(q.breaches, CLimitsDlg::Purpose::BeforeSave, QString::fromStdString(q.text), frame_);
            answer = prompts_.exec(dlg) == QDialog::Accepted ? SaveAnswer::Yes : SaveAnswer::Cancel;
        } else {
            QMessageBox::StandardButtons buttons;
            for (const SaveChoice& c : q.choices)
                buttons |= c.answer == SaveAnswer::Yes  ? QMessageBox::Yes
                           : c.answer == SaveAnswer::No ? QMessageBox::No
                                                        : QMessageBox::Cancel;
            const auto shown = prompts_.message(frame_, q.warning ? QMessageBox::Warning : QMessageBox::Question,
                                              QString::fromStdString(q.text), buttons);
            answer = shown == QMessageBox::Yes  ? SaveAnswer::Yes
                     : shown == QMessageBox::No ? SaveAnswer::No
                                                : SaveAnswer::Cancel;
        }
        answers.push_back(answer);
        if (Stops(q, answer))
            return false;
    }
    SaveResult result;
    {
        WaitCursor wait;
        result = SaveWithAnswers(doc, plan, answers, mode);
    }
    switch (result.outcome) {
    case SaveOutcome::Saved: return true;
    case SaveOutcome::Declined: return false;
    case SaveOutcome::MaterialsNotWritten:
        Message(QMessageBox::Warning, QStringLiteral("The custom materials could not be written.\n\n%1")
                                          .arg(QString::fromStdString(result.error)));
        return false;
    case SaveOutcome::Failed:
        Message(QMessageBox::Warning,
                QStringLiteral("Failed to save document.\n\n%1").arg(QString::fromStdString(result.error)));
        return false;
    }
    return false;
}

bool COrvaneApp::SaveDocument(CChildFrame* frame)
{
    if (!frame)
        return false;
    COrvaneDoc& doc = frame->Document()->Doc();
    if (doc.PathName().empty())
        return SaveDocumentAs(frame);
    if (!SaveByPlan(frame, QString::fromStdString(doc.PathName()), SaveMode::Save))
        return false;
    frame->Document()->SetModified(false);
    frame->UpdateTitle();
    return true;
}

bool COrvaneApp::SaveDocumentAs(CChildFrame* frame)
{
    if (!frame)
        return false;
    CDocument* d = frame->Document();
    COrvaneDoc& doc = d->Doc();
    QString name = QString::fromStdString(doc.Title());
    if (name.isEmpty())
        name = d->DisplayName();
    FileRequest request;
    request.caption = QStringLiteral("Save As");
    request.filters = SaveFilters();
    request.fileName = name;
    request.defaultSuffix = QStringLiteral("orv");
    const FileAnswer answer = prompts_.saveFile(frame_, request);
    if (answer.Cancelled())
        return false;
    // A name given without an extension takes the chosen type's: "ship" with "3DO Files"
    // chosen is a model, not a project.
    const QString path =
        CompleteSuffix(answer.files.first(), request.filters, answer.filterIndex, request.defaultSuffix);
    if (!SaveByPlan(frame, path, SaveMode::SaveAs))
        return false;
    if (FileKindOf(path.toStdString()) == FileKind::Project) {
        AddRecentFile(path);
        d->SetModified(false);
    }
    frame->UpdateTitle();
    return true;
}

CChildFrame* COrvaneApp::ImportModelFile(const QString& path, float scale, UpAxis up)
{
    ImportOptions options;
    options.scale = scale;
    options.up = up;
    Palette palette{};
    // Materials named like those of the game's archive or of the Resources list stay
    // references; the new document has no folder of its own yet.
    ResourceSources sources;
    sources.searchPath = services_.searchPath;
    if (services_.catalog && !services_.catalog->Empty()) {
        sources.catalog = services_.catalog;
        sources.resourceFile = services_.resourceFile;
        if (const auto cmp = LoadColormap(*services_.catalog, services_.resourceFile, settings_.colorMap)) {
            palette = cmp->palette;
            options.palette = &palette;
        }
    }
    options.resources = sources;
    options.textureSize = MaterialSizeFunction(std::move(sources), settings_.colorMap);
    auto imported = [&] {
        WaitCursor wait;
        return ImportModel(path.toStdString(), options);
    }();
    const QString name = QFileInfo(path).fileName();
    if (!imported) {
        Message(QMessageBox::Warning,
                QStringLiteral("Failed to import %1.\n\n%2").arg(name, QString::fromStdString(imported.error())));
        return nullptr;
    }
    auto doc = std::make_unique<CDocument>(services_);
    doc->SetUntitledNumber(++untitledCount_);
    doc->Doc().AdoptImportedModel(std::move(imported->model));
    doc->SetModified(true);
    CChildFrame* child = AddFrame(std::move(doc));
    QStringList lines;
    for (const auto& note : imported->notes)
        lines << QString::fromStdString(note);
    for (const auto& breach : imported->breaches)
        lines << QStringLiteral("Does not fit the engine: ") + QString::fromStdString(breach.text);
    if (!lines.isEmpty()) {
        constexpr int kShown = 20;
        const int more = static_cast<int>(lines.size()) - kShown;
        if (more > 0) {
            lines = lines.mid(0, kShown);
            lines << QStringLiteral("... and %1 more").arg(more);
        }
        Message(
            imported->breaches.empty() ? QMessageBox::Information : QMessageBox::Warning,
            QStringLiteral("%1 was imported with these changes:\n\n%2").arg(name, lines.join(QStringLiteral("\n"))));
    }
    return child;
}

bool COrvaneApp::ImportAsKeyframe(const QString& path)
{
    CChildFrame* frame = ActiveFrame();
    if (!frame || !frame->Document())
        return false;
    // Formats that never hold an animation are not read twice.
    if (NeverAnimated(FileKindOf(path.toStdString())))
        return false;
    CDocument& doc = *frame->Document();
    const auto names = [&] {
        WaitCursor wait;
        return AnimationNames(path.toStdString(), {});
    }();
    // A file that cannot be read, or holds no animation, goes to the model import, which
    // says why it fails.
    if (!names || names->empty())
        return false;
    const QString name = QFileInfo(path).fileName();
    const QString title = doc.DisplayName();
    const auto answer = prompts_.message(
        frame_, QMessageBox::Question,
        QStringLiteral("%1 holds the animation \"%2\"%3.\n\nImport it as a keyframe for %4?\n\n"
                       "No imports the file as a new model.")
            .arg(name, QString::fromStdString(names->front()),
                 names->size() > 1 ? QStringLiteral(" and %1 more").arg(names->size() - 1) : QString(), title),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::No)
        return false;
    if (answer != QMessageBox::Yes)
        return true;
    auto imported = [&] {
        WaitCursor wait;
        return ImportAnimation(doc.Model(), path.toStdString(), {});
    }();
    if (!imported) {
        Message(QMessageBox::Warning, QStringLiteral("Failed to import %1 as a keyframe.\n\n%2")
                                          .arg(name, QString::fromStdString(imported.error())));
        return true;
    }
    const std::string keyName = ImportedKeyframeName(doc.Doc(), path.toStdString());
    EditContext c = doc.Context();
    const EditOutcome r =
        doc.Doc().Run(c, [&](EditContext& e) { return PlayImportedKeyframe(e, imported->keyframe, keyName); });
    if (!r.changed) {
        Message(
            QMessageBox::Warning,
            QStringLiteral("Failed to import %1 as a keyframe.\n\n%2").arg(name, QString::fromStdString(r.message)));
        return true;
    }
    // The animating view plays the new keyframe from its start.
    if (doc.Doc().modes.viewKind == ViewKind::Animating && frame->View())
        frame->View()->RunCommand(cmd::ViewAnimating);
    doc.UpdateAllViews();
    QStringList lines;
    lines << QStringLiteral("%1 now plays %2: %3 frames at %4 frames per second, %5 nodes moved.")
                 .arg(title, QString::fromStdString(keyName))
                 .arg(imported->keyframe.frames)
                 .arg(static_cast<double>(imported->keyframe.fps))
                 .arg(imported->animatedNodes);
    for (const auto& missing : imported->unmatched)
        lines << QStringLiteral("The model has no node \"%1\"; its motion is left out.")
                     .arg(QString::fromStdString(missing));
    for (const auto& note : imported->notes)
        lines << QString::fromStdString(note);
    lines << QStringLiteral("Tools > Animation Sequence assigns it to a sub-mode (key file %1).")
                 .arg(QString::fromStdString(KeyFileStem(keyName)));
    Message(QMessageBox::Information, lines.join(QStringLiteral("\n")));
    return true;
}

bool COrvaneApp::ExportDocument(CChildFrame* frame, const QString& path)
{
    if (!frame)
        return false;
    const CModel& model = frame->Document()->Model();
    ExportOptions options;
    options.geoset = std::max(0, model.currentGeoset);
    const bool gltf = FileKindOf(path.toStdString()) != FileKind::Obj;
    if (gltf && model.keyframe)
        options.keyframe = &*model.keyframe;
    // Found where the view finds them: the archive, the custom materials, the mod's
    // folders around the document's file and the Resources list.
    UseMaterialSources(options, frame->Document()->Sources(), settings_.colorMap);
    options.textureSize = frame->Document()->Doc().Environment().textureSize;
    options.title = QFileInfo(frame->Document()->DisplayName()).completeBaseName().toStdString();
    auto report = [&] {
        WaitCursor wait;
        return ExportModel(model, path.toStdString(), options);
    }();
    if (!report) {
        Message(QMessageBox::Warning,
                QStringLiteral("Failed to export.\n\n%1").arg(QString::fromStdString(report.error())));
        return false;
    }
    if (!report->missingMaterials.empty()) {
        QStringList names;
        for (const auto& m : report->missingMaterials)
            names << QString::fromStdString(m);
        Message(QMessageBox::Information,
                QStringLiteral("These materials were not found and are exported as plain colours:\n%1")
                    .arg(names.join(QStringLiteral("\n"))));
    }
    if (!report->undrawnMaterials.empty()) {
        QStringList lines;
        for (const auto& [name, why] : report->undrawnMaterials)
            lines << QString::fromStdString(name + ": " + why);
        Message(QMessageBox::Information,
                QStringLiteral("These materials were found but not drawn, and are exported as plain colours:\n%1")
                    .arg(lines.join(QStringLiteral("\n"))));
    }
    return true;
}

void COrvaneApp::OfferRecovery()
{
    if (!backup_)
        return;
    auto orphans = backup_->FindOrphans();
    std::size_t count = 0;
    QStringList names;
    for (const auto& o : orphans)
        for (const auto& b : o.backups) {
            ++count;
            const std::string& shown = !b.note.originalPath.empty() ? b.note.originalPath : b.note.title;
            names << QDir::toNativeSeparators(QString::fromStdString(shown.empty() ? b.id : shown));
        }
    if (count == 0)
        return;
    const int answer =
        prompts_.choose(frame_,
                      QStringLiteral("Orvane did not end normally last time. Automatic backups of %1 document(s) with "
                                     "changes that were not saved are left:\n\n%2\n\nRecover them now? The files "
                                     "themselves are not changed until you save.")
                          .arg(count)
                          .arg(names.join(QLatin1Char('\n'))),
                      {QStringLiteral("Recover"), QStringLiteral("Discard"), QStringLiteral("Later")});
    if (answer == 0) {
        for (const auto& o : orphans) {
            bool all = true;
            for (const auto& b : o.backups)
                all = RecoverBackup(b) != nullptr && all;
            // What could not be opened stays for another try.
            if (all)
                CBackupManager::Discard(o);
        }
    } else if (answer == 1) {
        for (const auto& o : orphans)
            CBackupManager::Discard(o);
    }
    // "Later" (or no answer): the backups stay for the next start.
}

CChildFrame* COrvaneApp::RecoverBackup(const BackupEntry& backup)
{
    auto doc = std::make_unique<CDocument>(services_);
    Status opened;
    {
        WaitCursor wait;
        opened = doc->Doc().OpenDocument(backup.file.string());
    }
    if (!opened) {
        Message(QMessageBox::Warning,
                QStringLiteral("The backup %1 cannot be opened.\n\n%2")
                    .arg(QString::fromStdString(backup.file.string()), QString::fromStdString(opened.error())));
        return nullptr;
    }
    // The document stands for its own file again (or for none), with the backup's changes.
    COrvaneDoc& d = doc->Doc();
    d.SetPathName(backup.note.originalPath);
    if (backup.note.originalPath.empty())
        doc->SetUntitledNumber(++untitledCount_);
    (void)d.LoadCurrentKeyframe();
    doc->SetModified(true);
    CDocument* recovered = doc.get();
    CChildFrame* child = AddFrame(std::move(doc));
    child->UpdateTitle();
    // Backed up again at once in this session, before the old backup goes.
    if (backup_)
        backup_->BackupNow(recovered, SteadyClockMs());
    return child;
}

bool COrvaneApp::PromptSave(CChildFrame* frame)
{
    const auto answer = prompts_.message(frame_, QMessageBox::Question,
                                       QStringLiteral("Save changes to %1?").arg(frame->Document()->DisplayName()),
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes)
        return SaveDocument(frame);
    return true;
}

QStringList COrvaneApp::RecentFiles() const
{
    QStringList files;
    for (int i = 1; i <= 4; ++i) {
        const QString f = store_->value(QLatin1String(kRecentGroup) + QStringLiteral("/File%1").arg(i)).toString();
        if (!f.isEmpty())
            files.append(f);
    }
    return files;
}

void COrvaneApp::AddRecentFile(const QString& path)
{
    QStringList files = RecentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > 4)
        files.removeLast();
    for (int i = 1; i <= 4; ++i) {
        const QString key = QLatin1String(kRecentGroup) + QStringLiteral("/File%1").arg(i);
        if (i <= files.size())
            store_->setValue(key, files[i - 1]);
        else
            store_->remove(key);
    }
    if (frame_)
        frame_->SetRecentFiles(files);
}

}  // namespace orv
