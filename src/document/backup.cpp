#include "document/backup.h"

#include <algorithm>
#include <system_error>

#include "model/file_kind.h"
#include "model/fileio.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

constexpr int64_t kMsPerMinute = 60 * 1000;

fs::path Normal(const fs::path& p)
{
    std::error_code ec;
    fs::path out = fs::weakly_canonical(fs::absolute(p, ec), ec);
    return ec ? p.lexically_normal() : out;
}

// The note: the original path on the first line, the title on the second. Paths hold
// no line breaks on the systems this runs on; a title that does loses them.
std::string FormatNote(const BackupNote& note)
{
    std::string title = note.title;
    std::replace(title.begin(), title.end(), '\n', ' ');
    return note.originalPath + "\n" + title + "\n";
}

BackupNote ParseNote(const std::string& text)
{
    BackupNote note;
    const auto first = text.find('\n');
    note.originalPath = text.substr(0, first);
    if (first != std::string::npos) {
        const auto second = text.find('\n', first + 1);
        note.title = text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    }
    return note;
}

}  // namespace

bool BackupSchedule::Due(int64_t now, int32_t intervalMinutes, bool modified, uint64_t changes)
{
    if (intervalMinutes <= 0 || !modified || (backedUp_ && *backedUp_ == changes)) {
        if (!modified)
            Reset();
        since_.reset();
        return false;
    }
    if (!since_) {
        since_ = now;
        return false;
    }
    return now - *since_ >= int64_t{intervalMinutes} * kMsPerMinute;
}

void BackupSchedule::Written(int64_t now, uint64_t changes)
{
    backedUp_ = changes;
    since_ = now;
}

void BackupSchedule::Reset()
{
    since_.reset();
    backedUp_.reset();
}

Status WriteBackup(const fs::path& folder, const std::string& id, std::span<const uint8_t> project,
                   const BackupNote& note)
{
    if (!note.originalPath.empty() && Normal(fs::path(note.originalPath).parent_path()) == Normal(folder))
        return Fail("a backup does not go into the folder of the document's own file");
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        return Fail("cannot make the backup folder " + folder.string() + ": " + ec.message());
    if (Status written = WriteFileAtomic(
            folder / (id + ".orv"), std::string_view(reinterpret_cast<const char*>(project.data()), project.size()));
        !written)
        return written;
    return WriteFileAtomic(folder / (id + ".txt"), FormatNote(note));
}

std::vector<BackupEntry> ListBackups(const fs::path& folder)
{
    std::vector<BackupEntry> out;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileError;
        if (FileKindOf(it->path().string()) != FileKind::Project || !it->is_regular_file(fileError))
            continue;
        BackupEntry entry;
        entry.id = it->path().stem().string();
        entry.file = it->path();
        if (auto text = ReadWholeTextFile(folder / (entry.id + ".txt")))
            entry.note = ParseNote(*text);
        out.push_back(std::move(entry));
    }
    std::sort(out.begin(), out.end(), [](const BackupEntry& a, const BackupEntry& b) { return a.id < b.id; });
    return out;
}

void RemoveBackup(const fs::path& folder, const std::string& id)
{
    std::error_code ec;
    fs::remove(folder / (id + ".orv"), ec);
    fs::remove(folder / (id + ".txt"), ec);
}

}  // namespace orv
