// GOB/GOO resource archives: a head ("GOB ", version, directory offset), a directory
// (a record count, then 136-byte records) where the head's offset says, and the items'
// data. Archives written here put the directory at 12, so the count is at 12 and the
// records follow the count at 16; other tools may put it elsewhere (often at the end).
// Every change rewrites the whole archive into a temporary file beside it and renames
// that over the old one only once it is complete.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace orv {

class AtomicFileSet;

// The head and the count of an archive written here; its records start at this offset.
inline constexpr std::size_t kArchiveHeaderSize = 16;
// Magic, version and directory offset; a directory may not begin inside them.
inline constexpr std::size_t kArchiveHeadSize = 12;
inline constexpr std::size_t kArchiveRecordSize = 136;
inline constexpr std::size_t kArchiveNameFieldSize = 128;
// The name field holds the name and its terminating NUL.
inline constexpr std::size_t kArchiveMaxNameLength = 127;

struct ArchiveHeader {
    std::array<char, 4> magic{'G', 'O', 'B', ' '};
    uint32_t version = 20;
    uint32_t directoryOffset = 12;
    uint32_t recordCount = 0;  // the first word of the directory
};

struct ArchiveRecord {
    uint32_t offset = 0;
    uint32_t size = 0;
    std::string name;  // backslash separated, as stored
};

struct ArchiveDirectory {
    ArchiveHeader header;
    std::vector<ArchiveRecord> records;  // the complete records, in file order
    uint64_t fileSize = 0;

    // The head's directory offset points into the head or leaves no room for the count
    // in the file: no directory could be read.
    bool BadDirectoryOffset() const
    {
        return header.directoryOffset < kArchiveHeadSize || uint64_t{header.directoryOffset} + 4 > fileSize;
    }
    // The directory promised more records than the file holds.
    bool Truncated() const { return records.size() < header.recordCount; }
};

// Position of record i as archives written here hold it (directory at 12). The file
// manager identifies records by it, whatever offset the directory has in the file.
inline uint64_t ArchiveRecordPosition(std::size_t index)
{
    return kArchiveHeaderSize + kArchiveRecordSize * static_cast<uint64_t>(index);
}

// Called while an archive is rewritten with the bytes of item data copied so far and
// in all; returning false abandons the rewrite and leaves the archive as it was.
using ArchiveProgress = std::function<bool(uint64_t done, uint64_t total)>;

// Reads the head and the directory: the record count at the head's directory offset,
// the records behind it. Magic and version are not checked. A directory offset inside
// the head or past the end of the file gives no records (see BadDirectoryOffset());
// when the count promises more records than the file holds, reading stops at the end of
// the file (see Truncated()). Fails only when the file cannot be read or is too short
// for a head and a count.
Result<ArchiveDirectory> ReadArchiveDirectory(const std::filesystem::path& path);
Result<ArchiveDirectory> ReadArchiveDirectory(std::istream& in, uint64_t fileSize);

// Whether the archive can be rewritten without losing data; the failure names the
// damage (a directory offset that points nowhere, a truncated directory, an item
// reaching past the end of the file).
Status CheckArchiveIntact(const ArchiveDirectory& dir);

// Reads an item's bytes; refuses an item whose offset and size reach past the end.
Result<std::vector<uint8_t>> ReadArchiveEntry(const std::filesystem::path& path, const ArchiveRecord& record);
Result<std::vector<uint8_t>> ReadArchiveEntry(std::istream& in, uint64_t fileSize, const ArchiveRecord& record);
// Any byte range of a file, with the same check.
Result<std::vector<uint8_t>> ReadFileRange(const std::filesystem::path& path, uint64_t offset, uint64_t size);

// Whether name can be stored in an archive; the failure says why not (empty, too long,
// a NUL, a character other than printable ASCII, which the game could not look up).
Status CheckArchiveName(std::string_view name);

// Index at which a record named name is inserted: the first i >= 1 where the name
// belongs by the directory-then-name order, else the end. Record 0 never moves.
std::size_t ArchiveInsertPosition(const std::vector<ArchiveRecord>& records, std::string_view name);

// Index of the first record whose name equals name exactly.
std::optional<std::size_t> FindArchiveRecord(const std::vector<ArchiveRecord>& records, std::string_view name);

// A new, empty archive: "GOB ", 20, 12, 0 (also for a .goo name).
Status CreateArchive(const std::filesystem::path& path);

struct ArchiveEntryData {
    std::string name;
    std::vector<uint8_t> data;
};

// One rewrite: first each removal takes away the first record of exactly that name,
// then each insertion goes where ArchiveInsertPosition puts it.
struct ArchiveEdit {
    std::vector<std::string> removals;
    std::vector<ArchiveEntryData> insertions;
};

struct ArchiveEditResult {
    std::vector<std::string> removed;   // removals that found their record
    std::vector<std::string> notFound;  // removals that did not
    bool rewritten = false;             // false when nothing changed: the file is untouched
};

// Rewrites the archive with the edit applied: the head's magic and version as they
// were, the directory at 12 (wherever it was before) with the new count, the records
// with contiguous offsets from the end of the directory, the data blocks in record
// order (copied from the old file in chunks).
// Refuses a damaged archive and names that cannot be stored. A rewrite that progress
// abandons fails with "cancelled".
Result<ArchiveEditResult> RewriteArchive(const std::filesystem::path& path, const ArchiveEdit& edit,
                                         const ArchiveProgress& progress = {});

Status InsertArchiveEntry(const std::filesystem::path& path, std::string name, std::vector<uint8_t> data,
                          const ArchiveProgress& progress = {});
// A name no record has leaves the file untouched (nothing in the result's removed).
Result<ArchiveEditResult> DeleteArchiveEntry(const std::filesystem::path& path, const std::string& name,
                                             const ArchiveProgress& progress = {});

// Writes a complete archive holding entries in the given order (head "GOB ", 20, 12).
Status WriteArchive(const std::filesystem::path& path, const std::vector<ArchiveEntryData>& entries);
// The same as one of a set of files written together: in place at files.Commit().
Status WriteArchive(AtomicFileSet& files, const std::filesystem::path& path,
                    const std::vector<ArchiveEntryData>& entries);

// An item of a new archive whose bytes are read from a file while the archive is
// written, or given in memory when there is no file.
struct ArchiveSourceItem {
    std::string name;
    std::filesystem::path file;  // read while writing; empty: data holds the bytes
    uint64_t size = 0;           // the file's size when it was chosen
    std::vector<uint8_t> data;
};

// Writes a complete archive of these items, in the given order, in one pass: head and
// directory, then each item's bytes as they are read (so a large folder never sits in
// memory). Refuses names that cannot be stored and an archive past 4 GB before writing;
// a file whose size changed meanwhile fails the write, which then leaves nothing.
Status WriteArchiveFromSources(const std::filesystem::path& path, const std::vector<ArchiveSourceItem>& items,
                               const ArchiveProgress& progress = {});

}  // namespace orv
