// The application: settings, the chosen game and its resources, the main window, the
// documents and the application-wide commands.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "app/document.h"
#include "app/help_window.h"
#include "app/prompts.h"
#include "commands/command_table.h"
#include "document/backup.h"
#include "document/save_plan.h"
#include "interchange/interchange.h"
#include "model/settings.h"
#include "resources/catalog.h"
#include "resources/modcheck.h"
#include "resources/searchpath.h"

class QDialog;
class QSettings;
class QTextBrowser;
class QUrl;

namespace orv {

class CMainFrame;
class CChildFrame;
class CBackupManager;
class CContextHelp;

class COrvaneApp : public QObject {
    Q_OBJECT
public:
    explicit COrvaneApp(std::unique_ptr<QSettings> store, Prompts prompts = {}, QObject* parent = nullptr);
    ~COrvaneApp() override;

    struct StartOptions {
        bool splash = true;  // the About box while the resources are located
        bool tips = true;    // the tip of the day, when the settings ask for it
    };
    // Where the automatic backups go (before Start); by default "backup" in the user's
    // data directory.
    void SetBackupFolder(const QString& folder) { backupFolder_ = folder; }
    // Reads the settings, makes the main window, opens the file named on the command
    // line (or a new document), places and shows the window, locates the resources.
    bool Start(const QStringList& args, const StartOptions& options);
    // Writes the settings and the toolbar state.
    void Shutdown();

    CMainFrame* Frame() const { return frame_; }
    Settings& AppSettings() { return settings_; }
    DocumentEnvironment& Services() { return services_; }
    QSettings& Store() { return *store_; }
    int Product() const { return product_; }
    const LocateResult& LastLocate() const { return lastLocate_; }
    const QString& ProgramDir() const { return programDir_; }
    void SetProgramDir(const QString& dir);

    // Commands.
    CChildFrame* NewDocument();
    // Opens a file as a document; a ".pup" file is read into the active document.
    CChildFrame* OpenFile(const QString& path);
    // The files a later start of the program handed over: the main window comes to the
    // front and opens them.
    void OpenHandedFiles(const QStringList& files);
    bool SaveDocument(CChildFrame* frame);
    bool SaveDocumentAs(CChildFrame* frame);
    // File > Import: a model of another 3D tool as a new, untitled document; what had to
    // change to fit the engine is shown.
    CChildFrame* ImportModelFile(const QString& path, float scale = kDefaultImportScale, UpAxis up = UpAxis::Y);
    // File > Import of a file with animations while a model is open: asks whether its
    // animation becomes a keyframe of that model (written beside it and played). False
    // when the file is to be imported as a model after all.
    bool ImportAsKeyframe(const QString& path);
    // File > Export: the frame's model, its current geometry set and keyframe, for other
    // 3D tools; materials that cannot be found are named.
    bool ExportDocument(CChildFrame* frame, const QString& path);
    // Finds the game's resources for the chosen product and rebuilds the catalogue.
    void LocateGameResources();
    void SelectProduct();
    // What "&Ok" of Select Product does: keeps the game folders set by hand (empty: none),
    // takes the product and locates its resources.
    void ApplyProductChoice(int product, const QString& jkFolder, const QString& motsFolder);
    CChildFrame* ActiveFrame() const;
    QStringList RecentFiles() const;
    // Tools > Check Model: the breaches of the engine's limits in the active document.
    void CheckModel(CChildFrame* frame);
    // Tools > Check Mod: the mod around the active model (its folder, or the mod's root
    // above a 3do/ folder), or one the user picks when no model file is open.
    void CheckModAround(CChildFrame* frame);
    // The check of a mod as Check Mod runs it: against the game's archive and the
    // Resources list when they are set.
    Result<ModCheckReport> CheckModWithGame(const std::filesystem::path& mod) const;
    // The backups a crashed session left: offered with "Recover", "Discard" and "Later".
    void OfferRecovery();
    CBackupManager* Backups() const { return backup_.get(); }
    const ResourceSearchPath& SearchPath() const { return searchPath_; }
    // The help window, once a page was shown in it (tests).
    CHelpWindow* HelpViewer() const { return helpViewer_; }
    // What's This (Shift+F1, the Help button): help on the thing clicked next.
    CContextHelp* ContextHelp() const { return contextHelp_; }
    // A page of the help folder ("dialogs.html#materials") in the help window; a page that
    // is not there is named in a message. Over a modal dialog the window belongs to the
    // dialog while it is open, so that it can be read and used beside it.
    void ShowHelpPage(const QString& page);
    // The page of a dialog (its Help button, F1), else the start page.
    void ShowDialogHelpPage(const QWidget* dialog);
    // F1: the page of the dialog the key was pressed in.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void documentOpened(CChildFrame* frame);

private:
    void DefineCommands();
    void DefineFileCommands();
    void DefineToolCommands();
    void DefineHelpCommands();
    // File > Open, Import and Export with their file dialogs.
    void ChooseAndOpen();
    void ChooseAndImport();
    void ChooseAndExport(CChildFrame* frame);
    CChildFrame* AddFrame(std::unique_ptr<CDocument> doc);
    // File > Open of a ".pup": its puppet data into the active document.
    CChildFrame* ImportPuppetFile(const QString& path);
    // File > Open of a file that is no document (a keyframe, material, colormap or
    // archive): says where such files are used, or opens an archive in the File Manager.
    // False when the file is of none of these kinds.
    bool OpenOtherKind(const QString& path);
    // Where a file dialog starts that names no folder: the active model's folder, else
    // the folder last chosen in a file dialog, else that of the file opened last; empty
    // (the current folder) when there is none.
    QString StartFolder() const;
    FileRequest InStartFolder(FileRequest request) const;
    FileAnswer NoteFolder(FileAnswer answer);
    bool PromptSave(CChildFrame* frame);
    bool ChooseMaterial(CChildFrame* frame);
    // The dialogs of the edit commands, on the active document window.
    void RunTextureTool(CChildFrame* frame);
    // The command table's dialogs (CommandHooks): they give a command its parameters
    // before anything changes; none when cancelled.
    CChildFrame* FrameOf(const COrvaneDoc* doc) const;
    bool ConfirmCarve();
    std::optional<ExtrudeParams> AskExtrude(const EditContext& c);
    std::optional<PrimitiveParams> AskPrimitive(const EditContext& c, PrimitiveShape shape);
    // What Fit to Engine Limits changed, one line each.
    std::optional<FitOptions> AskFitOptions();
    void ShowFitReport(const FitReport& report);
    void AddRecentFile(const QString& path);
    // Gives the help window to owner, else to the modal window on top, else back to the
    // main window.
    void PlaceHelpWindow(QWidget* owner);
    // The notice above a document just opened: the materials and keyframes it names that
    // are found nowhere, where they were looked for, and why textures look wrong while the
    // sample's placeholders stand in for the game's.
    void ShowWhatIsMissing(CChildFrame* frame);
    // The status bar's field of the colormap the active document draws through.
    void UpdateColormapStatus();
    // The status bar's message after the keyframe played changed: "Ready to play: ..."
    // of the sub-mode playing, or none.
    void ShowPlayChoice(CChildFrame* frame);
    // Opens a backup as a modified document standing for the file it was made of.
    CChildFrame* RecoverBackup(const BackupEntry& backup);
    void Message(QMessageBox::Icon icon, const QString& text);
    // Saves the document of frame to path: asks the questions of the core's save plan
    // (a file read only in part, the engine's limits, custom materials a 3DO cannot
    // carry) and saves by the answers under the wait cursor; a failure is reported here.
    // False when nothing was saved.
    bool SaveByPlan(CChildFrame* frame, const QString& path, SaveMode mode);
    QString GameFolder(int product) const;
    void SetGameFolder(int product, const QString& folder);

    std::unique_ptr<QSettings> store_;
    Prompts prompts_;  // every question to the user, the dialogs' too
    CommandHooks commandHooks_;
    Settings settings_;
    int product_ = 0;
    ResourceCatalog catalog_;
    ResourceSearchPath searchPath_;
    DocumentEnvironment services_;
    std::unique_ptr<CBackupManager> backup_;
    QString backupFolder_;
    LocateResult lastLocate_;
    QString programDir_;
    CMainFrame* frame_ = nullptr;
    QPointer<CHelpWindow> helpViewer_;
    CContextHelp* contextHelp_ = nullptr;
    int untitledCount_ = 0;
    QString playingText_;          // what the status last said the model plays
    QString lastFolder_;           // the folder of the file last chosen in a file dialog
    double importScale_ = 1.0;     // File > Import offers the last scale chosen
    UpAxis importUp_ = UpAxis::Y;  // and the last up axis
};

}  // namespace orv
