// File access shared by every reader and writer: whole-file reads, and writes that
// replace the target only once the new content is complete.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace orv {

// Reads the whole file: its bytes, or as text.
Result<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path);
Result<std::string> ReadWholeTextFile(const std::filesystem::path& path);

// Writes bytes to a temporary file beside path and renames it over path when complete,
// so a failed or interrupted write leaves the previous file as it was. A file that may
// not be written is not replaced; a replaced file keeps its permissions.
Status WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// Streaming form of WriteFileAtomic: write through Stream(), then Commit(). A writer
// destroyed without a successful Commit() removes its temporary file.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::filesystem::path target);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool IsOpen() const { return stream_.is_open() && stream_.good(); }
    std::ofstream& Stream() { return stream_; }
    const std::string& Error() const { return error_; }
    // The temporary file closed and checked, the target not yet touched; Commit() does
    // this first when it has not been done.
    Status Finish();
    Status Commit();

private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    std::ofstream stream_;
    std::string error_;
    std::optional<std::filesystem::perms> keepPermissions_;  // of the file replaced
    bool finished_ = false;
    bool committed_ = false;
};

// Several files written as one: each to a temporary beside its target, and only once
// every one is complete are they renamed over their targets, so that a failure leaves
// every target as it was (or absent), and no folder made for them. The first failure is
// kept; Commit() returns it.
class AtomicFileSet {
public:
    AtomicFileSet() = default;
    ~AtomicFileSet();
    AtomicFileSet(const AtomicFileSet&) = delete;
    AtomicFileSet& operator=(const AtomicFileSet&) = delete;

    // Makes folder and the parents it lacks; the ones made go again, when empty, unless
    // the set is committed.
    Status MakeFolders(const std::filesystem::path& folder);
    // The writer of a further file, to fill through its Stream(); nullptr, the failure
    // kept, when it cannot be opened.
    AtomicFileWriter* Open(const std::filesystem::path& target);
    // Open() and the bytes written; the first failure so far.
    Status Add(const std::filesystem::path& target, std::string_view bytes);
    // A failure of the caller's while filling a file: kept, so that nothing is committed.
    Status Abort(Status why);
    // Renames every temporary over its target, in the order they were opened.
    Status Commit();

private:
    std::vector<std::unique_ptr<AtomicFileWriter>> writers_;
    std::vector<std::filesystem::path> madeFolders_;  // outermost first
    std::string error_;
    bool committed_ = false;
};

// "reason" text for the last failed standard I/O call on path.
std::string DescribeIoError(const std::filesystem::path& path, const char* action);

}  // namespace orv
