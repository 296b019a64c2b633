// The automatic backup of the editor's documents: every "Backup" minutes a modified
// document is written as a project file into this session's folder under the backup
// folder (the user's data directory), never over or beside its own file. The model is
// serialised on the window's thread (a snapshot) and written by a thread of its own, so
// the window does not wait for the disk. A backup goes when its document is saved or
// closed; a session that ends without removing its backups (a crash) leaves them for
// the next start, which offers them for recovery.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThreadPool>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "document/backup.h"

class QLockFile;
class QTimer;

namespace orv {

class CDocument;
struct Settings;

class CBackupManager : public QObject {
    Q_OBJECT
public:
    // folder: where every session keeps its backups ("<data directory>/backup").
    CBackupManager(const Settings& settings, QString folder, QObject* parent = nullptr);
    // Waits for the writes under way; removes this session's folder when it holds no
    // backup any more.
    ~CBackupManager() override;

    // Makes this session's folder and locks it for as long as the program runs, so that
    // a second program running at the same time does not take its backups for a crash's.
    // Starts the timer that looks at the documents (every checkMs).
    bool Start(int checkMs = 15000);
    QString SessionFolder() const { return session_; }

    // What an earlier session left: its folder (locked now by this program) and backups.
    struct Orphan {
        QString folder;
        std::vector<BackupEntry> backups;
        std::shared_ptr<QLockFile> lock;
    };
    // The sessions that ended without cleaning up (their lock is free); empty ones are
    // removed on the way.
    std::vector<Orphan> FindOrphans();
    // Removes an earlier session's backups and folder.
    static void Discard(const Orphan& orphan);

    // The document is backed up from now on while it is modified; its backup goes when
    // it is saved (no longer modified) or closed.
    void Watch(CDocument* doc);
    // Looks at every document: writes the backups that are due at now (steady-clock ms).
    void Tick(int64_t now);
    // Writes the document's backup now, whatever the schedule (a recovered document).
    void BackupNow(CDocument* doc, int64_t now);
    // Waits until every write and removal asked for so far is done.
    void WaitForWrites();
    void SetClock(std::function<int64_t()> clock) { clock_ = std::move(clock); }

    // The backup file a document has (or will have) in this session's folder.
    QString BackupFileOf(CDocument* doc) const;

signals:
    // A backup could not be written: why (shown in the status bar).
    void backupFailed(const QString& message);

private:
    struct Watched {
        QPointer<CDocument> doc;
        std::string id;
        BackupSchedule schedule;
        bool written = false;
    };
    void Write(Watched& w, int64_t now);
    void Remove(Watched& w);

    const Settings& settings_;
    QString folder_;
    QString session_;
    std::unique_ptr<QLockFile> lock_;
    QTimer* timer_ = nullptr;
    QThreadPool writer_;
    std::map<CDocument*, Watched> watched_;
    int nextId_ = 1;
    std::function<int64_t()> clock_;
};

}  // namespace orv
