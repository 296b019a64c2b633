// Automatic backups of modified documents: when one is due, and the backup files. A
// backup is a project file of the document as it was, written into a folder of its own
// (never beside or over the document's file), with a note of the document it stands
// for; what a session that ended without removing its backups left there is offered
// for recovery at the next start.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/result.h"

namespace orv {

// When a document's next backup is due: once it has been modified and unsaved for the
// interval, and then every interval while it keeps changing. Times are milliseconds of
// any steady clock; change counts come from the document (COrvaneDoc::ChangeCount).
class BackupSchedule {
public:
    // Whether a backup is due at now; the caller writes it and calls Written.
    bool Due(int64_t now, int32_t intervalMinutes, bool modified, uint64_t changes);
    // A backup of the state with this change count was written at now.
    void Written(int64_t now, uint64_t changes);
    // The document was saved or its backup removed: nothing is pending.
    void Reset();

private:
    std::optional<int64_t> since_;  // when the changes not yet backed up began
    std::optional<uint64_t> backedUp_;
};

// What a backup stands for, kept beside it as "<id>.txt".
struct BackupNote {
    std::string originalPath;  // the document's own file; "" for a document never saved
    std::string title;         // what its window was called
};

struct BackupEntry {
    std::string id;
    std::filesystem::path file;  // the project file "<id>.orv"
    BackupNote note;
};

// Writes a backup into folder (made if need be): the project bytes as "<id>.orv", then
// the note; each replaced only once complete. Refuses a folder that is the folder of the
// document's own file, so a backup never lands beside or over it.
Status WriteBackup(const std::filesystem::path& folder, const std::string& id, std::span<const uint8_t> project,
                   const BackupNote& note);
// The backups in folder, in the order of their ids; a project file without its note is
// listed with an empty note.
std::vector<BackupEntry> ListBackups(const std::filesystem::path& folder);
// Removes a backup's files; nothing happens when there are none.
void RemoveBackup(const std::filesystem::path& folder, const std::string& id);

}  // namespace orv
