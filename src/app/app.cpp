#include "app/app.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>

#include "anim/puppet_edit.h"
#include "app/anim_dialogs.h"
#include "app/backup.h"
#include "app/childframe.h"
#include "app/context_help.h"
#include "app/dialogs.h"
#include "app/field_names.h"
#include "app/filemanager_dlg.h"
#include "app/mainframe.h"
#include "app/orvaneview.h"
#include "app/settingsstore.h"
#include "app/wait_cursor.h"
#include "document/file_formats.h"

namespace orv {

namespace {

const FileFilters kExportFilter = {{"glTF Binary Files (*.glb)", {"*.glb"}},
                                   {"glTF Files (*.gltf)", {"*.gltf"}},
                                   {"Wavefront OBJ Files (*.obj)", {"*.obj"}}};

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

COrvaneApp::COrvaneApp(std::unique_ptr<QSettings> store, Prompts prompts, QObject* parent)
    : QObject(parent), store_(std::move(store)), prompts_(std::move(prompts))
{
    // Every window's fields are named by their labels, for screen readers and automation.
    NameFieldsOfEveryWindow(this);
    // What the caller leaves out is asked of the user in the usual way.
    const Prompts standard = StandardPrompts();
    auto orStandard = [](auto& member, const auto& fallback) {
        if (!member)
            member = fallback;
    };
    orStandard(prompts_.openFiles, standard.openFiles);
    orStandard(prompts_.saveFile, standard.saveFile);
    orStandard(prompts_.message, standard.message);
    orStandard(prompts_.choose, standard.choose);
    orStandard(prompts_.progress, standard.progress);
    orStandard(prompts_.exec, standard.exec);
    orStandard(prompts_.openUrl, standard.openUrl);
    // A file dialog that names no folder of its own starts where the user works, not in
    // the folder the program was started from; the folder chosen is remembered.
    prompts_.openFiles = [this, open = prompts_.openFiles](QWidget* parent, const FileRequest& request) {
        return NoteFolder(open(parent, InStartFolder(request)));
    };
    prompts_.saveFile = [this, save = prompts_.saveFile](QWidget* parent, const FileRequest& request) {
        return NoteFolder(save(parent, InStartFolder(request)));
    };
    services_.settings = &settings_;
    services_.catalog = &catalog_;
    services_.searchPath = &searchPath_;
    services_.commandHooks = &commandHooks_;
    commandHooks_.confirmCarve = [this](const EditContext&) { return ConfirmCarve(); };
    commandHooks_.extrude = [this](const EditContext& c) { return AskExtrude(c); };
    commandHooks_.primitive = [this](const EditContext& c, PrimitiveShape shape) { return AskPrimitive(c, shape); };
    commandHooks_.fitOptions = [this](const EditContext&) { return AskFitOptions(); };
    commandHooks_.fitReport = [this](const EditContext&, const FitReport& report) { ShowFitReport(report); };
    SetProgramDir(DefaultProgramDir());
}

COrvaneApp::~COrvaneApp()
{
    if (qApp)
        qApp->removeEventFilter(this);
    SetDialogHelpHandler({});
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
    qApp->installEventFilter(this);  // F1 in the dialogs
    SetDialogHelpHandler([this](QWidget* dialog) { ShowDialogHelpPage(dialog); });
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
    // Each document draws through the colormap found for it (its mod may hold its own).
    connect(frame_->MdiArea(), &QMdiArea::subWindowActivated, this, &COrvaneApp::UpdateColormapStatus);

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
    prompts_.message(frame_, icon, text, QMessageBox::Ok);
}

// ---- commands ------------------------------------------------------------------

void COrvaneApp::DefineCommands()
{
    // The commands that need the application's windows and questions; everything else
    // runs from the command table through the active document's view.
    DefineFileCommands();
    DefineToolCommands();
    DefineHelpCommands();
}

void COrvaneApp::ChooseAndOpen()
{
    FileRequest request;
    request.caption = QStringLiteral("Open");
    request.filters = OpenFilters();
    const FileAnswer answer = prompts_.openFiles(frame_, request);
    if (!answer.Cancelled())
        OpenFile(answer.files.first());
}

void COrvaneApp::ChooseAndImport()
{
    FileRequest request;
    request.caption = QStringLiteral("Import");
    request.filters = {{"3D Models", ImportPatterns()}, {"All Files (*)", {"*"}}};
    const FileAnswer answer = prompts_.openFiles(frame_, request);
    if (answer.Cancelled())
        return;
    // An animated file while a model is open may be a keyframe for that model.
    if (ImportAsKeyframe(answer.files.first()))
        return;
    CImportDlg scale(QFileInfo(answer.files.first()).fileName(), importScale_, frame_);
    scale.SetUp(importUp_);
    if (prompts_.exec(scale) != QDialog::Accepted)
        return;
    importScale_ = scale.Scale();
    importUp_ = scale.Up();
    ImportModelFile(answer.files.first(), static_cast<float>(importScale_), importUp_);
}

void COrvaneApp::ChooseAndExport(CChildFrame* frame)
{
    FileRequest request;
    request.caption = QStringLiteral("Export");
    request.filters = kExportFilter;
    request.fileName = QFileInfo(frame->Document()->DisplayName()).completeBaseName();
    request.defaultSuffix = QStringLiteral("glb");
    const FileAnswer answer = prompts_.saveFile(frame_, request);
    if (!answer.Cancelled())
        ExportDocument(
            frame, CompleteSuffix(answer.files.first(), request.filters, answer.filterIndex, request.defaultSuffix));
}

void COrvaneApp::DefineFileCommands()
{
    CMainFrame& f = *frame_;
    auto active = [this] { return ActiveFrame() != nullptr; };
    const QString noModel = QString::fromUtf8(kOpenModelFirst);
    f.Bind(cmd::FileNew, [this] { NewDocument(); });
    f.Bind(cmd::FileOpen, [this] { ChooseAndOpen(); });
    f.Bind(
        cmd::FileClose,
        [this] {
            if (QMdiSubWindow* sub = frame_->MdiArea()->activeSubWindow())
                sub->close();
        },
        active, {}, noModel);
    f.Bind(
        cmd::FileSave, [this] { SaveDocument(ActiveFrame()); }, active, {}, noModel);
    f.Bind(
        cmd::FileSaveAs, [this] { SaveDocumentAs(ActiveFrame()); }, active, {}, noModel);
    f.Bind(cmd::FileImport, [this] { ChooseAndImport(); });
    f.Bind(
        cmd::FileExport, [this] { ChooseAndExport(ActiveFrame()); }, active, {}, noModel);
    f.Bind(cmd::AppExit, [this] { frame_->close(); });
    f.Bind(cmd::SelectProduct, [this] { SelectProduct(); });
}

void COrvaneApp::DefineToolCommands()
{
    CMainFrame& f = *frame_;
    auto active = [this] { return ActiveFrame() != nullptr; };
    const QString noModel = QString::fromUtf8(kOpenModelFirst);
    // The File Manager works on archives, not on a model: it needs no document (its row's
    // scope is the view's only so that Ctrl+F stays free for the fields).
    f.Bind(
        cmd::ManageFiles,
        [this] {
            CFileManagerDlg dlg(services_, frame_, prompts_);
            prompts_.exec(dlg);
        },
        [] { return true; });
    f.Bind(
        cmd::Materials,
        [this] {
            if (CChildFrame* child = ActiveFrame())
                ChooseMaterial(child);
        },
        active, {}, noModel);
    f.Bind(
        cmd::Options,
        [this] {
            if (CChildFrame* child = ActiveFrame())
                child->View()->RunOptions();
        },
        active, {}, noModel);
    f.Bind(
        cmd::CheckModel, [this] { CheckModel(ActiveFrame()); }, active, {}, noModel);
    f.Bind(cmd::CheckMod, [this] { CheckModAround(ActiveFrame()); });
    f.Bind(cmd::TextureTool, [this] { RunTextureTool(ActiveFrame()); });
    for (int id : {int(cmd::AnimationSequence), int(cmd::AnimationFrames), int(cmd::HierarchyNodes)})
        f.Bind(id, [this, id] {
            CChildFrame* child = ActiveFrame();
            if (!child)
                return;
            RunAnimationDialog(id, *child, prompts_);
            // The status follows the sub-mode now playing.
            if (id == cmd::AnimationSequence)
                ShowPlayChoice(child);
        });
}

void COrvaneApp::DefineHelpCommands()
{
    CMainFrame& f = *frame_;
    f.Bind(cmd::AppAbout, [this] {
        CAboutDlg about(false, frame_);
        about.exec();
    });
    f.Bind(cmd::TipOfTheDay, [this] {
        CTipDlg tips(QDir(programDir_).filePath(QStringLiteral("tips.txt")), *store_, frame_);
        tips.exec();
    });
    f.Bind(cmd::HelpIndex, [this] { ShowHelpPage(QStringLiteral("index.html")); });
    if (!contextHelp_)
        contextHelp_ = new CContextHelp([this](const QString& page) { ShowHelpPage(page); }, this);
    f.Bind(cmd::ContextHelp, [this] { contextHelp_->Start(); });
    f.Bind(cmd::HelpTutorials, [this] { ShowHelpPage(QStringLiteral("OrvaneTutorial.htm")); });
    f.Bind(cmd::HelpFaqs, [this] { ShowHelpPage(QStringLiteral("OrvaneFaq.htm")); });
}

void COrvaneApp::ShowHelpPage(const QString& page)
{
    const QString folder = QDir(programDir_).filePath(QStringLiteral("help"));
    const QString path = QDir(folder).filePath(page.section(QLatin1Char('#'), 0, 0));
    if (!QFileInfo::exists(path)) {
        Message(QMessageBox::Warning, QStringLiteral("The help page %1 is not installed.").arg(path));
        return;
    }
    if (!helpViewer_ || helpViewer_->Folder() != QDir(folder).absolutePath()) {
        delete helpViewer_.data();
        helpViewer_ = new CHelpWindow(folder, prompts_.openUrl, frame_);
    }
    PlaceHelpWindow(nullptr);
    helpViewer_->ShowPage(page);
    helpViewer_->show();
    helpViewer_->raise();
    helpViewer_->activateWindow();
}

void COrvaneApp::ShowDialogHelpPage(const QWidget* dialog)
{
    const QString page = dialog ? DialogHelpPage(dialog) : QString();
    ShowHelpPage(page.isEmpty() ? QStringLiteral("index.html") : page);
}

void COrvaneApp::PlaceHelpWindow(QWidget* owner)
{
    // A window outside a modal dialog takes no input while the dialog is open: the help
    // belongs to the modal window on top as long as it is open.
    if (!owner) {
        owner = QApplication::activeModalWidget();
        if (!owner || owner == helpViewer_ || !owner->isVisible())
            owner = frame_;
    }
    if (helpViewer_->parentWidget() == owner)
        return;
    const bool open = !helpViewer_->isHidden();
    const QRect placed = helpViewer_->geometry();
    helpViewer_->setParent(owner, helpViewer_->windowFlags());
    helpViewer_->setGeometry(placed);
    if (open)
        helpViewer_->show();
}

bool COrvaneApp::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && !event->spontaneous() && helpViewer_ &&
        frame_ && watched->isWidgetType() && watched != helpViewer_) {
        auto* window = static_cast<QWidget*>(watched);
        // A modal window opens while the help is open: the help goes with it, so that it
        // can still be read and used.
        if (event->type() == QEvent::Show && window->isWindow() && window->isModal() && !helpViewer_->isHidden())
            PlaceHelpWindow(window);
        // The window that holds the help closes (or is destroyed, which hides it first):
        // the help goes back, open as it was, before it could go with the window.
        else if (event->type() == QEvent::Hide && window == helpViewer_->parentWidget() && window != frame_)
            PlaceHelpWindow(nullptr);
        return false;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    // The keypad's keys (Num+, Ctrl+Num-, ...): on X11 and Wayland the toolkit matches
    // shortcuts without the keypad flag, so these never fire as shortcuts and come here as
    // plain key presses to the widget whose actions they are (the 3D view).
    if (event->type() == QEvent::KeyPress && (key->modifiers() & Qt::KeypadModifier) && watched->isWidgetType()) {
        const QKeySequence pressed(key->keyCombination());
        for (QAction* a : static_cast<QWidget*>(watched)->actions())
            if (a->isEnabled() && a->shortcuts().contains(pressed)) {
                a->trigger();
                return true;
            }
    }
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier || !watched->isWidgetType())
        return false;
    auto* dialog = qobject_cast<QDialog*>(static_cast<QWidget*>(watched)->window());
    if (!dialog || !frame_)
        return false;
    // The key is the dialog's: nothing else takes it for a shortcut.
    event->accept();
    if (event->type() == QEvent::KeyPress)
        ShowDialogHelpPage(dialog);
    return true;
}

CChildFrame* COrvaneApp::ActiveFrame() const { return frame_ ? frame_->ActiveChild() : nullptr; }

CChildFrame* COrvaneApp::AddFrame(std::unique_ptr<CDocument> doc)
{
    CDocument* d = doc.release();
    auto* child = new CChildFrame(d, nullptr);
    d->setParent(child);  // the document lives as long as its window
    child->canClose = [this](CChildFrame* f) { return PromptSave(f); };
    child->chooseMaterial = [this](CChildFrame* f) { return ChooseMaterial(f); };
    // The view's own keys act while it has the focus.
    child->View()->GlWidget()->addActions(frame_->ViewKeyActions());
    child->addActions(frame_->ModelWindowKeyActions());
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
    connect(view, &COrvaneView::drawingChanged, frame_, &CMainFrame::UpdateCommandUI);
    connect(d, &CDocument::updated, frame_, &CMainFrame::UpdateCommandUI);
    // A keyframe imported, or one taken back by Undo: the status names the one now playing.
    connect(d, &CDocument::updated, this, [this, child] {
        if (ActiveFrame() == child && QString::fromStdString(PlayingText(child->Document()->Model())) != playingText_)
            ShowPlayChoice(child);
    });
    connect(d, &CDocument::materialsChanged, this, [this, child] {
        if (ActiveFrame() == child)
            UpdateColormapStatus();
    });
    connect(view, &COrvaneView::optionsApplied, this, [this, child](bool colormapChanged) {
        UpdateColormapStatus();
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
    // The new window's view takes the keys at once, without a click into it.
    frame_->MdiArea()->setActiveSubWindow(sub);
    frame_->FocusActiveView();
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

CChildFrame* COrvaneApp::FrameOf(const COrvaneDoc* doc) const
{
    if (!frame_)
        return nullptr;
    for (CChildFrame* f : frame_->Children())
        if (&f->Document()->Doc() == doc)
            return f;
    return nullptr;
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
    // A field of its own, which the frames do not write over, while the game is missing.
    const QString fix = QStringLiteral("set the game's folder in Tools > Select Product");
    if (lastLocate_.usingSample)
        frame_->SetResourceStatus(QStringLiteral("Sample resources: Tools > Select Product"),
                                  QString::fromStdString(lastLocate_.statusText) +
                                      QStringLiteral(".\nTextures the sample does not have are placeholders; ") + fix +
                                      QLatin1Char('.'));
    else if (lastLocate_.resourceFile.empty())
        frame_->SetResourceStatus(QStringLiteral("No game resources: Tools > Select Product"),
                                  QString::fromStdString(lastLocate_.message) +
                                      QStringLiteral("\nTextures are not drawn; ") + fix + QLatin1Char('.'));
    else
        frame_->SetResourceStatus({}, {});
    // Open documents draw with the new resources.
    for (CChildFrame* f : frame_->Children()) {
        f->Document()->RefreshEnvironment();
        emit f->Document()->materialsChanged();
        f->Document()->UpdateAllViews();
    }
    UpdateColormapStatus();
    if (!lastLocate_.message.empty())
        Message(QMessageBox::NoIcon, QString::fromStdString(lastLocate_.message));
    else if (!lastLocate_.warning.empty())
        Message(QMessageBox::Warning, QString::fromStdString(lastLocate_.warning));
}

void COrvaneApp::UpdateColormapStatus()
{
    if (!frame_)
        return;
    CChildFrame* f = ActiveFrame();
    if (!f) {
        frame_->SetColormapStatus({}, {});
        return;
    }
    const auto found = FindColormap(f->Document()->Doc().Sources(), settings_.colorMap);
    if (!found)
        frame_->SetColormapStatus(QStringLiteral("No colormap"),
                                  QString::fromStdString(found.error()) +
                                      QStringLiteral(": 8-bit materials are drawn without their pictures."));
    else
        frame_->SetColormapStatus(
            QStringLiteral("Colormap: %1%2")
                .arg(QString::fromStdString(found->name), found->fallback ? QStringLiteral(" (stands in)") : QString()),
            found->fallback ? QString::fromStdString(found->origin)
                            : QStringLiteral("From ") + QString::fromStdString(found->origin));
}

void COrvaneApp::ShowPlayChoice(CChildFrame* frame)
{
    if (!frame)
        return;
    const QString text = QString::fromStdString(PlayingText(frame->Document()->Model()));
    playingText_ = text;
    if (text.isEmpty())
        frame_->statusBar()->clearMessage();
    else
        frame_->statusBar()->showMessage(text);
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
