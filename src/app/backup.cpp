#include "app/backup.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QLockFile>
#include <QTimer>

#include "app/document.h"
#include "formats/projectfile.h"
#include "model/settings.h"
#include "render/renderer.h"

namespace orv {

namespace {

constexpr const char* kLockName = "lock";

std::filesystem::path PathOf(const QString& s) { return std::filesystem::path(s.toStdString()); }

}  // namespace

CBackupManager::CBackupManager(const Settings& settings, QString folder, QObject* parent)
    : QObject(parent), settings_(settings), folder_(std::move(folder)), clock_(SteadyClockMs)
{
    // One writer: a removal asked for after a write always comes after it.
    writer_.setMaxThreadCount(1);
}

CBackupManager::~CBackupManager()
{
    WaitForWrites();
    if (session_.isEmpty())
        return;
    if (ListBackups(PathOf(session_)).empty()) {
        lock_.reset();
        QDir(session_).removeRecursively();
    }
}

bool CBackupManager::Start(int checkMs)
{
    const QString name = QStringLiteral("session-%1-%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(QDateTime::currentMSecsSinceEpoch());
    session_ = QDir(folder_).filePath(name);
    if (!QDir().mkpath(session_))
        return false;
    lock_ = std::make_unique<QLockFile>(QDir(session_).filePath(QLatin1String(kLockName)));
    // Held for the whole run: never taken for stale while this program lives.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0))
        return false;
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] { Tick(clock_()); });
    timer_->start(checkMs);
    return true;
}

std::vector<CBackupManager::Orphan> CBackupManager::FindOrphans()
{
    std::vector<Orphan> out;
    const QDir root(folder_);
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString dir = root.filePath(name);
        if (QDir(dir) == QDir(session_))
            continue;
        auto lock = std::make_shared<QLockFile>(QDir(dir).filePath(QLatin1String(kLockName)));
        // Only a lock whose program is gone is free; its age says nothing.
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0))
            continue;  // another Orvane running now
        Orphan orphan{dir, ListBackups(PathOf(dir)), lock};
        if (orphan.backups.empty()) {
            lock->unlock();
            QDir(dir).removeRecursively();
            continue;
        }
        out.push_back(std::move(orphan));
    }
    return out;
}

void CBackupManager::Discard(const Orphan& orphan)
{
    if (orphan.lock)
        orphan.lock->unlock();
    QDir(orphan.folder).removeRecursively();
}

void CBackupManager::Watch(CDocument* doc)
{
    Watched& w = watched_[doc];
    w.doc = doc;
    w.id = "doc" + std::to_string(nextId_++);
    connect(doc, &QObject::destroyed, this, [this, doc] {
        const auto it = watched_.find(doc);
        if (it == watched_.end())
            return;
        Remove(it->second);
        watched_.erase(it);
    });
    connect(doc, &CDocument::modifiedChanged, this, [this, doc](bool modified) {
        const auto it = watched_.find(doc);
        if (!modified && it != watched_.end())
            Remove(it->second);
    });
}

void CBackupManager::Tick(int64_t now)
{
    for (auto& [key, w] : watched_) {
        if (!w.doc)
            continue;
        const COrvaneDoc& d = w.doc->Doc();
        // Saved without the window hearing of it: the backup is out of date.
        if (!d.IsModified() && w.written)
            Remove(w);
        if (w.schedule.Due(now, settings_.backup, d.IsModified(), d.ChangeCount()))
            Write(w, now);
    }
}

void CBackupManager::BackupNow(CDocument* doc, int64_t now)
{
    const auto it = watched_.find(doc);
    if (it != watched_.end() && it->second.doc)
        Write(it->second, now);
}

void CBackupManager::Write(Watched& w, int64_t now)
{
    COrvaneDoc& d = w.doc->Doc();
    if (session_.isEmpty() || !d.model)
        return;
    // The snapshot: the project file's bytes, made here while nothing can change the
    // model; the disk is the writer's.
    auto bytes = std::make_shared<std::vector<uint8_t>>(SaveProject(*d.model, d.CameraForSave()));
    BackupNote note;
    note.originalPath = d.PathName();
    note.title = w.doc->DisplayName().toStdString();
    const auto folder = PathOf(session_);
    const std::string id = w.id;
    QPointer<CBackupManager> self(this);
    writer_.start([self, folder, id, bytes, note] {
        const Status written = WriteBackup(folder, id, *bytes, note);
        if (!written && self)
            QMetaObject::invokeMethod(
                self.data(),
                [self, message = QString::fromStdString(written.error())] {
                    if (self)
                        emit self->backupFailed(QStringLiteral("The automatic backup failed: ") + message);
                },
                Qt::QueuedConnection);
    });
    w.schedule.Written(now, d.ChangeCount());
    w.written = true;
}

void CBackupManager::Remove(Watched& w)
{
    w.schedule.Reset();
    if (!w.written)
        return;
    w.written = false;
    const auto folder = PathOf(session_);
    const std::string id = w.id;
    writer_.start([folder, id] { RemoveBackup(folder, id); });
}

void CBackupManager::WaitForWrites() { writer_.waitForDone(); }

QString CBackupManager::BackupFileOf(CDocument* doc) const
{
    const auto it = watched_.find(doc);
    if (it == watched_.end() || session_.isEmpty())
        return {};
    return QDir(session_).filePath(QString::fromStdString(it->second.id) + QStringLiteral(".orv"));
}

}  // namespace orv
