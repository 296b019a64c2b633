// File access shared by every reader and writer: whole-file reads, and writes that
// replace the target only once the new content is complete.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
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
    Status Commit();

private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    std::ofstream stream_;
    std::string error_;
    std::optional<std::filesystem::perms> keepPermissions_;  // of the file replaced
    bool committed_ = false;
};

// "reason" text for the last failed standard I/O call on path.
std::string DescribeIoError(const std::filesystem::path& path, const char* action);

}  // namespace orv
