#include "app/app.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "app/anim_dialogs.h"
#include "app/backup.h"
#include "app/childframe.h"
#include "app/dialogs.h"
#include "app/edit_dialogs.h"
#include "app/filemanager_dlg.h"
#include "app/limits_dlg.h"
#include "app/mainframe.h"
#include "app/materials_dlg.h"
#include "app/orvaneview.h"
#include "app/settingsstore.h"
#include "commands/command_table.h"
#include "document/file_formats.h"
#include "document/save_plan.h"
#include "edit/materials.h"
#include "edit/selection.h"
#include "formats/textbuffer.h"
#include "interchange/interchange.h"
#include "model/file_kind.h"
#include "model/limits.h"
#include "render/renderer.h"
#include "resources/registry.h"

namespace orv {

namespace {

const FileFilters kExportFilter = {{"glTF Binary Files (*.glb)", {"*.glb"}},
                                   {"glTF Files (*.gltf)", {"*.gltf"}},
                                   {"Wavefront OBJ Files (*.obj)", {"*.obj"}}};

// Keeps the wait cursor up for a long file operation.
struct WaitCursor {
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

QString DefaultProgramDir()
{
    const QDir exe(QCoreApplication::applicationDirPath());
    const QString installed = exe.absoluteFilePath(QStringLiteral("../share/orvane"));
    if (QFileInfo(installed).isDir())
        return QDir(installed).absolutePath();
    return exe.absolutePath();
}

const char* GameKey(int product) { return product == 1 ? kMotsKey : kJediKnightKey; }

}  // namespace

COrvaneApp::COrvaneApp(std::unique_ptr<QSettings> store, UserInterfaceHooks hooks, QObject* parent)
    : QObject(parent), store_(std::move(store)), hooks_(std::move(hooks))
{
    if (!hooks_.openFile)
        hooks_.openFile = StandardPrompts().openFiles;
    if (!hooks_.saveFile)
        hooks_.saveFile = StandardPrompts().saveFile;
    if (!hooks_.openUrl)
        hooks_.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    if (!hooks_.message)
        hooks_.message = [](QWidget* parent, QMessageBox::Icon icon, const QString& text,
                            QMessageBox::StandardButtons b) {
            QMessageBox box(icon, QStringLiteral("Orvane"), text, b, parent);
            return static_cast<QMessageBox::StandardButton>(box.exec());
        };
    if (!hooks_.exec)
        hooks_.exec = [](QDialog& d) { return d.exec(); };
    if (!hooks_.choose)
        hooks_.choose = [](QWidget* parent, const QString& text, const QStringList& buttons) {
            QMessageBox box(QMessageBox::Question, QStringLiteral("Orvane"), text, QMessageBox::NoButton, parent);
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
    services_.settings = &settings_;
    services_.catalog = &catalog_;
    services_.searchPath = &searchPath_;
    services_.commandHooks = &commandHooks_;
    commandHooks_.confirmCarve = [this](const EditContext&) { return ConfirmCarve(); };
    commandHooks_.extrude = [this](const EditContext& c) { return AskExtrude(c); };
    commandHooks_.primitive = [this](const EditContext& c, PrimitiveShape shape) { return AskPrimitive(c, shape); };
    SetProgramDir(DefaultProgramDir());
}

COrvaneApp::~COrvaneApp()
{
    if (frame_) {
        // Windows closing with the application ask nothing.
        for (CChildFrame* f : frame_->Children())
            f->canClose = nullptr;
        delete frame_;
    }
}

void COrvaneApp::SetProgramDir(const QString& dir)
{
    programDir_ = dir;
    services_.programDir = dir.toStdString();
}

bool COrvaneApp::Start(const QStringList& args, const StartOptions& options)
{
    LoadSettings(*store_, settings_);
    const auto resourceProblems = searchPath_.Set(settings_.resources);
    const QString backupFolder = !backupFolder_.isEmpty()
                                     ? backupFolder_
                                     : QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                                           .filePath(QStringLiteral("backup"));
    backup_ = std::make_unique<CBackupManager>(settings_, backupFolder);
    if (!backup_->Start())
        backup_.reset();

    frame_ = new CMainFrame(settings_);
    frame_->setWindowIcon(AppIcon());
    DefineCommands();
    frame_->BuildMenusAndToolbars();
    frame_->RestoreBarState(store_->value(QLatin1String(kBarStateKey)).toByteArray());
    frame_->SetRecentFiles(RecentFiles());
    connect(frame_, &CMainFrame::filesDropped, this, [this](const QStringList& paths) {
        for (const QString& p : paths)
            OpenFile(p);
    });
    connect(frame_, &CMainFrame::recentFileChosen, this, [this](const QString& p) { OpenFile(p); });

    // The command line: a file to open, or a new document.
    QString file;
    for (const QString& a : args)
        if (!a.startsWith(QLatin1Char('-'))) {
            file = a;
            break;
        }

    // Placement: the work area on the first run; the maximized flag survives the move.
    const int maximized = settings_.maximized;
    QRect r(settings_.left, settings_.top, settings_.right - settings_.left, settings_.bottom - settings_.top);
    if (settings_.right == 0 || settings_.bottom == 0 || r.width() <= 0 || r.height() <= 0) {
        QScreen* screen = QGuiApplication::primaryScreen();
        r = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    }
    frame_->setGeometry(r);
    settings_.maximized = maximized;
    if (maximized)
        frame_->showMaximized();
    else
        frame_->show();

    // The resources are located while the splash box is up (its first paint starts it).
    if (options.splash) {
        CAboutDlg splash(true, frame_);
        connect(&splash, &CAboutDlg::firstPainted, this, &COrvaneApp::LocateGameResources);
        splash.exec();
    } else {
        LocateGameResources();
    }

    if (!file.isEmpty()) {
        if (!OpenFile(file))
            NewDocument();
    } else {
        NewDocument();
    }

    if (backup_) {
        connect(backup_.get(), &CBackupManager::backupFailed, frame_, &CMainFrame::SetMessagePaneText);
        OfferRecovery();
    }
    if (!resourceProblems.empty()) {
        QStringList lines;
        for (const auto& p : resourceProblems)
            lines << QString::fromStdString(p);
        frame_->SetMessagePaneText(QStringLiteral("Resources left out: ") + lines.join(QStringLiteral("; ")));
    }

    if (options.tips && CTipDlg::ShowAtStartup(*store_)) {
        CTipDlg tips(QDir(programDir_).filePath(QStringLiteral("tips.txt")), *store_, frame_);
        tips.exec();
    }
    return true;
}

void COrvaneApp::Shutdown()
{
    if (frame_)
        store_->setValue(QLatin1String(kBarStateKey), frame_->SaveBarState());
    SaveSettings(*store_, settings_);
}

void COrvaneApp::Message(QMessageBox::Icon icon, const QString& text)
{
    hooks_.message(frame_, icon, text, QMessageBox::Ok);
}

// ---- commands ------------------------------------------------------------------

void COrvaneApp::DefineCommands()
{
    // The commands that need the application's windows and questions; everything else
    // runs from the command table through the active document's view.
    CMainFrame& f = *frame_;
    auto active = [this] { return ActiveFrame() != nullptr; };
    f.Bind(cmd::FileNew, [this] { NewDocument(); });
    f.Bind(cmd::FileOpen, [this] {
        FileRequest request;
        request.caption = QStringLiteral("Open");
        request.filters = OpenFilters();
        const FileAnswer answer = hooks_.openFile(frame_, request);
        if (!answer.Cancelled())
            OpenFile(answer.files.first());
    });
    f.Bind(
        cmd::FileClose,
        [this] {
            if (QMdiSubWindow* sub = frame_->MdiArea()->activeSubWindow())
                sub->close();
        },
        active);
    f.Bind(
        cmd::FileSave, [this] { SaveDocument(ActiveFrame()); }, active);
    f.Bind(
        cmd::FileSaveAs, [this] { SaveDocumentAs(ActiveFrame()); }, active);
    f.Bind(cmd::FileImport, [this] {
        FileRequest request;
        request.caption = QStringLiteral("Import");
        request.filters = {{"3D Models", ImportPatterns()}, {"All Files (*)", {"*"}}};
        const FileAnswer answer = hooks_.openFile(frame_, request);
        if (answer.Cancelled())
            return;
        CImportDlg scale(QFileInfo(answer.files.first()).fileName(), importScale_, frame_);
        if (hooks_.exec(scale) != QDialog::Accepted)
            return;
        importScale_ = scale.Scale();
        ImportModelFile(answer.files.first(), static_cast<float>(importScale_));
    });
    f.Bind(
        cmd::FileExport,
        [this] {
            CChildFrame* frame = ActiveFrame();
            FileRequest request;
            request.caption = QStringLiteral("Export");
            request.filters = kExportFilter;
            request.fileName = QFileInfo(frame->Document()->DisplayName()).completeBaseName();
            request.defaultSuffix = QStringLiteral("glb");
            const FileAnswer answer = hooks_.saveFile(frame_, request);
            if (!answer.Cancelled())
                ExportDocument(frame, CompleteSuffix(answer.files.first(), request.filters, answer.filterIndex,
                                                     request.defaultSuffix));
        },
        active);
    f.Bind(cmd::AppExit, [this] { frame_->close(); });
    f.Bind(cmd::SelectProduct, [this] { SelectProduct(); });
    f.Bind(cmd::ManageFiles, [this] {
        CFileManagerDlg dlg(services_, frame_, FileManagerPrompts());
        hooks_.exec(dlg);
    });
    f.Bind(
        cmd::Materials,
        [this] {
            CChildFrame* child = ActiveFrame();
            if (!child)
                return;
            CFace* face = nullptr;
            if (Selection* sel = child->CurrentSelection(); sel && !child->Document()->Doc().modes.meshMode)
                face = sel->CurrentFace(child->Document()->Model());
            ChooseMaterial(child, face);
        },
        active);
    f.Bind(
        cmd::Options,
        [this] {
            if (CChildFrame* child = ActiveFrame())
                child->View()->RunOptions();
        },
        active);
    f.Bind(
        cmd::CheckModel, [this] { CheckModel(ActiveFrame()); }, active);
    f.Bind(cmd::TextureTool, [this] { RunTextureTool(ActiveFrame()); });
    for (int id : {int(cmd::AnimationSequence), int(cmd::AnimationFrames), int(cmd::HierarchyNodes)})
        f.Bind(id, [this, id] {
            if (CChildFrame* child = ActiveFrame())
                RunAnimationDialog(id, *child, hooks_.exec,
                                   {[this](const QString& text) { Message(QMessageBox::Warning, text); }, hooks_.exec,
                                    [this] { ShowHelpPage(QStringLiteral("index.html")); },
                                    [this](const QString& question) {
                                        return hooks_.message(frame_, QMessageBox::Question, question,
                                                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
                                    }});
        });
    f.Bind(cmd::AppAbout, [this] {
        CAboutDlg about(false, frame_);
        about.exec();
    });
    f.Bind(cmd::TipOfTheDay, [this] {
        CTipDlg tips(QDir(programDir_).filePath(QStringLiteral("tips.txt")), *store_, frame_);
        tips.exec();
    });
    f.Bind(cmd::HelpIndex, [this] { ShowHelpPage(QStringLiteral("index.html")); });
    f.Bind(cmd::HelpTutorials, [this] { ShowHelpPage(QStringLiteral("OrvaneTutorial.htm")); });
    f.Bind(cmd::HelpFaqs, [this] { ShowHelpPage(QStringLiteral("OrvaneFaq.htm")); });
}

void COrvaneApp::ShowHelpPage(const QString& page)
{
    const QString path = QDir(programDir_).filePath(QStringLiteral("help/") + page);
    if (!QFileInfo::exists(path)) {
        Message(QMessageBox::Warning, QStringLiteral("The help page %1 is not installed.").arg(path));
        return;
    }
    if (!hooks_.openUrl(QUrl::fromLocalFile(path)))
        ShowHelpViewer(path);
}

void COrvaneApp::ShowHelpViewer(const QString& path)
{
    if (!helpViewer_) {
        auto* window = new QDialog(frame_);
        window->setObjectName(QStringLiteral("HelpViewer"));
        window->setWindowTitle(QStringLiteral("Orvane Help"));
        window->resize(720, 560);
        auto* browser = new QTextBrowser(window);
        browser->setObjectName(QStringLiteral("HelpBrowser"));
        // Pages of the help folder open here; anything else goes to the desktop.
        browser->setOpenExternalLinks(false);
        browser->setOpenLinks(false);
        connect(browser, &QTextBrowser::anchorClicked, browser, [this, browser](const QUrl& url) {
            if (url.isLocalFile() || url.isRelative())
                browser->setSource(url.isRelative() ? browser->source().resolved(url) : url);
            else
                hooks_.openUrl(url);
        });
        connect(browser, &QTextBrowser::sourceChanged, window, [window, browser] {
            window->setWindowTitle(QStringLiteral("Orvane Help - ") + browser->documentTitle());
        });
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(browser);
        helpViewer_ = window;
    }
    auto* browser = helpViewer_->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
    browser->setSource(QUrl::fromLocalFile(path));
    helpViewer_->show();
    helpViewer_->raise();
    helpViewer_->activateWindow();
}

CChildFrame* COrvaneApp::ActiveFrame() const { return frame_ ? frame_->ActiveChild() : nullptr; }

CChildFrame* COrvaneApp::AddFrame(std::unique_ptr<CDocument> doc)
{
    CDocument* d = doc.release();
    auto* child = new CChildFrame(d, nullptr);
    d->setParent(child);  // the document lives as long as its window
    child->canClose = [this](CChildFrame* f) { return PromptSave(f); };
    child->chooseMaterial = [this](CChildFrame* f, CFace& face) { return ChooseMaterial(f, &face); };
    // The view's own keys act while it has the focus.
    child->View()->GlWidget()->addActions(frame_->ViewKeyActions());
    COrvaneView* view = child->View();
    connect(view, &COrvaneView::paneTexts, this, [this, child](const QStringList& texts) {
        if (ActiveFrame() != child)
            return;
        for (int i = 0; i < texts.size() && i < 8; ++i) {
            if (i == 0)
                frame_->SetMessagePaneText(texts[0]);
            else
                frame_->SetPaneText(i, texts[i]);
        }
    });
    connect(view, &COrvaneView::selectionChanged, frame_, &CMainFrame::UpdateCommandUI);
    connect(d, &CDocument::updated, frame_, &CMainFrame::UpdateCommandUI);
    connect(view, &COrvaneView::optionsApplied, this, [this, child](bool colormapChanged) {
        // The other windows follow the new settings; with a new colormap they load
        // their textures again.
        for (CChildFrame* f : frame_->Children()) {
            if (f == child)
                continue;
            if (colormapChanged) {
                f->Document()->RefreshEnvironment();
                emit f->Document()->materialsChanged();
            }
            f->Document()->UpdateAllViews();
        }
    });
    if (backup_)
        backup_->Watch(d);
    QMdiSubWindow* sub = frame_->MdiArea()->addSubWindow(child);
    sub->setWindowIcon(AppIcon());
    sub->resize(frame_->MdiArea()->size() * 0.9);
    sub->showMaximized();
    child->setFocus();
    frame_->UpdateCommandUI();
    emit documentOpened(child);
    return child;
}

CChildFrame* COrvaneApp::NewDocument()
{
    auto doc = std::make_unique<CDocument>(services_);
    doc->SetUntitledNumber(++untitledCount_);
    doc->Doc().NewDocument();
    return AddFrame(std::move(doc));
}

Prompts COrvaneApp::FileManagerPrompts()
{
    Prompts p = StandardPrompts();
    p.showMessage = [this](QWidget* parent, const QString& text, MessageKind kind) {
        hooks_.message(parent, kind == MessageKind::Warning ? QMessageBox::Warning : QMessageBox::Information, text,
                       QMessageBox::Ok);
    };
    p.askYesNo = [this](QWidget* parent, const QString& question) {
        return hooks_.message(parent, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    p.exec = hooks_.exec;
    return p;
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
        if (hooks_.message(frame_, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No) !=
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
        CFileManagerDlg dlg(services_, frame_, FileManagerPrompts());
        if (dlg.OpenArchiveFile(path))
            hooks_.exec(dlg);
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
    {
        WaitCursor wait;
        opened = doc->Doc().OpenDocument(canonical.toStdString());
    }
    if (!opened) {
        Message(QMessageBox::Warning,
                QStringLiteral("Failed to open document.\n\n%1").arg(QString::fromStdString(opened.error())));
        return nullptr;
    }
    AddRecentFile(canonical);
    const std::string partial = doc->Doc().ReadInPart();
    const std::string puppetProblem = doc->Doc().PuppetFileProblem();
    const QString puppet = QString::fromStdString(doc->Doc().PuppetFileName());
    CChildFrame* child = AddFrame(std::move(doc));
    if (!partial.empty()) {
        const QString name = QFileInfo(canonical).fileName();
        Message(QMessageBox::Warning,
                QStringLiteral("%1 ended early: %2.\n\nWhat could be read is open. Saving over %1 will ask first.")
                    .arg(name, QString::fromStdString(partial)));
    }
    if (!puppetProblem.empty())
        Message(QMessageBox::Warning,
                QStringLiteral("%1.\n\nThe Animation Sequence dialog will ask before replacing %2.")
                    .arg(QString::fromStdString(puppetProblem), puppet));
    return child;
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
            answer = hooks_.exec(dlg) == QDialog::Accepted ? SaveAnswer::Yes : SaveAnswer::Cancel;
        } else {
            QMessageBox::StandardButtons buttons;
            for (const SaveChoice& c : q.choices)
                buttons |= c.answer == SaveAnswer::Yes  ? QMessageBox::Yes
                           : c.answer == SaveAnswer::No ? QMessageBox::No
                                                        : QMessageBox::Cancel;
            const auto shown = hooks_.message(frame_, q.warning ? QMessageBox::Warning : QMessageBox::Question,
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
    const FileAnswer answer = hooks_.saveFile(frame_, request);
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

CChildFrame* COrvaneApp::ImportModelFile(const QString& path, float scale)
{
    ImportOptions options;
    options.scale = scale;
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

bool COrvaneApp::ExportDocument(CChildFrame* frame, const QString& path)
{
    if (!frame)
        return false;
    const CModel& model = frame->Document()->Model();
    ExportOptions options;
    options.geoset = std::max(0, model.currentGeoset);
    const bool gltf = FileKindOf(path.toStdString()) != FileKind::Obj;
    if (gltf && model.keyframe)
        options.keyframe = model.keyframe.get();
    // Found where the view finds them: the archive, the custom materials, the mod's
    // folders around the document's file and the Resources list.
    options.materialImage = MaterialPictures(frame->Document()->Sources(), settings_.colorMap);
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
    return true;
}

void COrvaneApp::CheckModel(CChildFrame* frame)
{
    if (!frame)
        return;
    CModel& model = frame->Document()->Model();
    for (auto& geoset : model.geosets)
        for (auto& mesh : geoset->meshes)
            mesh->RebuildMeshLists();
    CLimitsDlg dlg(CheckEngineLimits(model), CLimitsDlg::Purpose::Check, frame->Document()->DisplayName(), frame_);
    hooks_.exec(dlg);
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
        hooks_.choose(frame_,
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
    d.LoadCurrentKeyframe();
    doc->SetModified(true);
    CDocument* recovered = doc.get();
    CChildFrame* child = AddFrame(std::move(doc));
    child->UpdateTitle();
    // Backed up again at once in this session, before the old backup goes.
    if (backup_)
        backup_->BackupNow(recovered, SteadyClockMs());
    return child;
}

void COrvaneApp::RunTextureTool(CChildFrame* frame)
{
    if (!frame)
        return;
    const EditContext c = frame->View()->Context();
    if (!c.selection || !c.selection->CurrentFace(c.model()))
        return;
    CTextureDlg dlg(*frame->Document(), c, frame_);
    dlg.SetMessageHandler([this](const QString& text) { Message(QMessageBox::Warning, text); });
    hooks_.exec(dlg);
}

CChildFrame* COrvaneApp::FrameOf(const COrvaneDoc* doc) const
{
    if (!frame_)
        return nullptr;
    for (CChildFrame* f : frame_->Children())
        if (&f->Document()->Doc() == doc)
            return f;
    return nullptr;
}

bool COrvaneApp::ConfirmCarve()
{
    return settings_.warning == 0 ||
           hooks_.message(frame_, QMessageBox::Question, QStringLiteral("Do you want to carve the current mesh?"),
                          QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<ExtrudeParams> COrvaneApp::AskExtrude(const EditContext& c)
{
    const CFace* face = c.selection ? c.selection->CurrentFace(c.model()) : nullptr;
    if (!face)
        return std::nullopt;
    CExtrudeDlg dlg(static_cast<int>(face->corners.size()), c.selection->selectedPositions.size() == 2, frame_);
    dlg.SetMessageHandler([this](const QString& text) { Message(QMessageBox::Warning, text); });
    if (hooks_.exec(dlg) != QDialog::Accepted)
        return std::nullopt;
    return dlg.Params();
}

std::optional<PrimitiveParams> COrvaneApp::AskPrimitive(const EditContext& c, PrimitiveShape shape)
{
    CChildFrame* frame = FrameOf(c.doc);
    if (!frame)
        return std::nullopt;
    const CPrimitiveDlg::Shape kind = shape == PrimitiveShape::Cylinder ? CPrimitiveDlg::Shape::Cylinder
                                      : shape == PrimitiveShape::Dome   ? CPrimitiveDlg::Shape::Dome
                                                                        : CPrimitiveDlg::Shape::Rectangle;
    CPrimitiveDlg dlg(kind, QString::fromStdString(DefaultPrimitiveMaterial(c)), frame_);
    dlg.SetMessageHandler([this](const QString& text) { Message(QMessageBox::Warning, text); });
    dlg.SetTextureChooser([this, frame, &dlg] {
        CMaterialsDlg choose(*frame->Document(), CMaterialsDlg::Mode::InModel, nullptr, &dlg);
        return hooks_.exec(choose) == QDialog::Accepted ? choose.SelectedName() : QString();
    });
    if (hooks_.exec(dlg) != QDialog::Accepted)
        return std::nullopt;
    PrimitiveParams p;
    p.shape = shape;
    p.box = dlg.Box();
    p.cylinder = dlg.Cylinder();
    p.dome = dlg.Dome();
    p.style = dlg.Style();
    return p;
}

bool COrvaneApp::ChooseMaterial(CChildFrame* frame, CFace* face)
{
    CDocument* doc = frame->Document();
    const int32_t before = face ? face->material : -1;
    CMaterialsDlg dlg(*doc, CMaterialsDlg::Mode::InModel, face, frame_);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    if (face && face->material != before) {
        // The face draws with its new material's texture.
        emit doc->materialsChanged();
        doc->UpdateAllViews();
    }
    return true;
}

bool COrvaneApp::PromptSave(CChildFrame* frame)
{
    const auto answer = hooks_.message(frame_, QMessageBox::Question,
                                       QStringLiteral("Save changes to %1?").arg(frame->Document()->DisplayName()),
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes)
        return SaveDocument(frame);
    return true;
}

// ---- recent files ----------------------------------------------------------------

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

// ---- product and resources ---------------------------------------------------------

QString COrvaneApp::GameFolder(int product) const
{
    return store_
        ->value(QLatin1String(kGameGroup) + QLatin1Char('/') + QString::fromLatin1(GameKey(product)) +
                QStringLiteral("/") + QString::fromLatin1(kInstallPathValue))
        .toString();
}

void COrvaneApp::SetGameFolder(int product, const QString& folder)
{
    const QString key = QLatin1String(kGameGroup) + QLatin1Char('/') + QString::fromLatin1(GameKey(product)) +
                        QStringLiteral("/") + QString::fromLatin1(kInstallPathValue);
    if (folder.isEmpty())
        store_->remove(key);
    else
        store_->setValue(key, folder);
}

void COrvaneApp::LocateGameResources()
{
    // The game's keys: first as the settings hold them (a folder set by hand), then
    // from the Wine prefix the game was installed into.
    MemoryRegistry own;
    for (int p = 0; p < 2; ++p) {
        const QString base =
            QLatin1String(kGameGroup) + QLatin1Char('/') + QString::fromLatin1(GameKey(p)) + QLatin1Char('/');
        for (const char* value : {kInstallPathValue, kSourceDirValue}) {
            const QString v = store_->value(base + QString::fromLatin1(value)).toString();
            if (!v.isEmpty())
                own.SetString(GameKey(p), value, v.toStdString());
        }
    }
    const auto prefix = DefaultWinePrefix(SystemEnvironment());
    const WineRegistry wine = WineRegistry::Load(prefix);
    ChainedRegistry registry(own, wine);
    LocateOptions opts;
    opts.registry = &registry;
    opts.winePrefix = prefix;
    opts.previousInstallPath = lastLocate_.installPath;
    opts.sampleArchive = QDir(programDir_).filePath(QStringLiteral("sample/res2.gob")).toStdString();
    {
        WaitCursor wait;
        lastLocate_ = LocateResources(product_, opts, catalog_);
    }
    services_.resourceFile = lastLocate_.resourceFile;
    frame_->setWindowTitle(QString::fromStdString(lastLocate_.windowText));
    if (!lastLocate_.statusText.empty())
        frame_->SetMessagePaneText(QString::fromStdString(lastLocate_.statusText));
    // Open documents draw with the new resources.
    for (CChildFrame* f : frame_->Children()) {
        f->Document()->RefreshEnvironment();
        emit f->Document()->materialsChanged();
        f->Document()->UpdateAllViews();
    }
    if (!lastLocate_.message.empty())
        Message(QMessageBox::NoIcon, QString::fromStdString(lastLocate_.message));
    else if (!lastLocate_.warning.empty())
        Message(QMessageBox::Warning, QString::fromStdString(lastLocate_.warning));
}

void COrvaneApp::SelectProduct()
{
    CSelectProductDlg dlg(product_, GameFolder(0), GameFolder(1), frame_);
    if (dlg.exec() != QDialog::Accepted)
        return;
    ApplyProductChoice(dlg.Product(), dlg.Folder(0), dlg.Folder(1));
}

void COrvaneApp::ApplyProductChoice(int product, const QString& jkFolder, const QString& motsFolder)
{
    SetGameFolder(0, jkFolder);
    SetGameFolder(1, motsFolder);
    product_ = product == 1 ? 1 : 0;
    LocateGameResources();
}

}  // namespace orv
