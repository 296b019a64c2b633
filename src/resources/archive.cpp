#include "resources/archive.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <limits>

#include "model/fileio.h"
#include "resources/bytes.h"
#include "base/text.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kCopyChunk = 1 << 20;

// Opens path into in; the value is the file's size.
Result<uint64_t> OpenForReading(const fs::path& path, std::ifstream& in)
{
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return Fail("cannot read " + path.string() + ": it is a folder");
    errno = 0;
    in.open(path, std::ios::binary);
    if (!in)
        return Fail(DescribeIoError(path, "open"));
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    in.seekg(0, std::ios::beg);
    if (end < 0)
        return Fail(DescribeIoError(path, "read"));
    return static_cast<uint64_t>(end);
}

std::string PastEndText(const ArchiveRecord& r, uint64_t fileSize)
{
    return "item " + ShownName(r.name) + " (offset " + std::to_string(r.offset) + ", size " + std::to_string(r.size) +
           ") reaches past the end of the file (" + std::to_string(fileSize) + " bytes)";
}

bool FitsInFile(uint64_t offset, uint64_t size, uint64_t fileSize)
{
    return offset <= fileSize && size <= fileSize - offset;
}

void EncodeHeader(uint8_t* p, const ArchiveHeader& h)
{
    std::copy(h.magic.begin(), h.magic.end(), p);
    StoreU32(p + 4, h.version);
    StoreU32(p + 8, h.directoryOffset);
    StoreU32(p + 12, h.recordCount);
}

void EncodeRecord(uint8_t* p, uint32_t offset, uint32_t size, std::string_view name)
{
    StoreU32(p, offset);
    StoreU32(p + 4, size);
    std::fill(p + 8, p + kArchiveRecordSize, uint8_t{0});
    // Records read from an existing archive may fill all 128 bytes without a terminator;
    // they go back exactly as they were.
    const std::size_t n = std::min(name.size(), kArchiveNameFieldSize);
    std::copy(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(n), p + 8);
}

std::size_t CountBackslashes(std::string_view s)
{
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\\'));
}

std::size_t LastBackslash(std::string_view s)
{
    const auto p = s.rfind('\\');
    return p == std::string_view::npos ? 0 : p;
}

// What the insert order looks at in a name, worked out once per name.
struct NameShape {
    std::size_t depth = 0;  // backslashes
    std::size_t last = 0;   // index of the last backslash, 0 when none

    explicit NameShape(std::string_view name) : depth(CountBackslashes(name)), last(LastBackslash(name)) {}
};

// The insert order over any list of names: nameAt(i) and shapeAt(i) give record i's.
template <class NameAt, class ShapeAt>
std::size_t InsertPositionIn(std::size_t count, std::string_view name, NameAt nameAt, ShapeAt shapeAt)
{
    // Byte-wise, case-sensitive comparisons (char_traits<char> compares as unsigned char).
    const NameShape n(name);
    for (std::size_t i = 1; i < count; ++i) {
        const std::string_view e = nameAt(i);
        const NameShape& se = shapeAt(i);
        const std::size_t len = std::min(n.last, se.last);
        const int c = name.substr(0, len).compare(e.substr(0, len));
        if (c < 0)
            return i;
        if (c == 0 && n.depth < se.depth)
            return i;
        if (n.depth > se.depth)
            continue;
        if (name.compare(e) <= 0)
            return i;
    }
    return count;
}

// One item of the rewritten archive: from the old file, or new data.
struct PlannedItem {
    std::string name;
    uint32_t size = 0;
    uint32_t oldOffset = 0;
    const std::vector<uint8_t>* data = nullptr;  // set for inserted items
    NameShape shape{std::string_view{}};
    const std::filesystem::path* file = nullptr;  // set for items read from a file of their own
};

}  // namespace

Result<ArchiveDirectory> ReadArchiveDirectory(std::istream& in, uint64_t fileSize)
{
    ArchiveDirectory out;
    out.fileSize = fileSize;
    if (fileSize < kArchiveHeaderSize)
        return Fail("too short for a GOB/GOO archive (" + std::to_string(fileSize) +
                    " bytes, the head and the record count alone are 16)");
    uint8_t head[kArchiveHeadSize];
    in.clear();
    in.seekg(0, std::ios::beg);
    if (!in.read(reinterpret_cast<char*>(head), kArchiveHeadSize))
        return Fail("cannot read the archive's head");
    std::copy(head, head + 4, out.header.magic.begin());
    out.header.version = LoadU32(head + 4);
    out.header.directoryOffset = LoadU32(head + 8);
    // An offset that points nowhere leaves the directory empty; CheckArchiveIntact
    // names it.
    if (out.BadDirectoryOffset())
        return out;

    uint8_t count[4];
    in.seekg(static_cast<std::streamoff>(out.header.directoryOffset), std::ios::beg);
    if (!in.read(reinterpret_cast<char*>(count), 4))
        return Fail("cannot read the archive's record count");
    out.header.recordCount = LoadU32(count);

    // Only whole records that the file actually holds are read.
    const uint64_t recordsAt = uint64_t{out.header.directoryOffset} + 4;
    const uint64_t available = (fileSize - recordsAt) / kArchiveRecordSize;
    const uint64_t n = std::min<uint64_t>(out.header.recordCount, available);
    std::vector<uint8_t> dir(static_cast<std::size_t>(n * kArchiveRecordSize));
    if (!dir.empty() && !in.read(reinterpret_cast<char*>(dir.data()), static_cast<std::streamsize>(dir.size())))
        return Fail("cannot read the archive's directory");
    out.records.resize(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < out.records.size(); ++i) {
        const uint8_t* p = dir.data() + i * kArchiveRecordSize;
        ArchiveRecord& r = out.records[i];
        r.offset = LoadU32(p);
        r.size = LoadU32(p + 4);
        const char* name = reinterpret_cast<const char*>(p + 8);
        const auto* nul = std::find(name, name + kArchiveNameFieldSize, '\0');
        r.name.assign(name, nul);
    }
    return out;
}

Result<ArchiveDirectory> ReadArchiveDirectory(const fs::path& path)
{
    std::ifstream in;
    const auto size = OpenForReading(path, in);
    if (!size)
        return Fail(size.error());
    return ReadArchiveDirectory(in, *size);
}

Status CheckArchiveIntact(const ArchiveDirectory& dir)
{
    if (dir.header.directoryOffset < kArchiveHeadSize)
        return Fail("damaged or not a GOB/GOO archive: its directory offset " +
                    std::to_string(dir.header.directoryOffset) + " points into the 12-byte head");
    if (dir.BadDirectoryOffset())
        return Fail("damaged or not a GOB/GOO archive: its directory offset " +
                    std::to_string(dir.header.directoryOffset) + " points past the end of the file (" +
                    std::to_string(dir.fileSize) + " bytes)");
    if (dir.Truncated())
        return Fail("damaged or not a GOB/GOO archive: its head promises " + std::to_string(dir.header.recordCount) +
                    " records but the file holds " + std::to_string(dir.records.size()));
    for (const auto& r : dir.records)
        if (!FitsInFile(r.offset, r.size, dir.fileSize))
            return Fail("damaged archive: " + PastEndText(r, dir.fileSize));
    return {};
}

Result<std::vector<uint8_t>> ReadArchiveEntry(std::istream& in, uint64_t fileSize, const ArchiveRecord& record)
{
    if (!FitsInFile(record.offset, record.size, fileSize))
        return Fail(PastEndText(record, fileSize));
    std::vector<uint8_t> out(record.size);
    in.clear();
    in.seekg(static_cast<std::streamoff>(record.offset), std::ios::beg);
    if (record.size > 0 && !in.read(reinterpret_cast<char*>(out.data()), record.size))
        return Fail("cannot read item " + ShownName(record.name));
    return out;
}

Result<std::vector<uint8_t>> ReadArchiveEntry(const fs::path& path, const ArchiveRecord& record)
{
    std::ifstream in;
    const auto size = OpenForReading(path, in);
    if (!size)
        return Fail(size.error());
    return ReadArchiveEntry(in, *size, record);
}

Result<std::vector<uint8_t>> ReadFileRange(const fs::path& path, uint64_t offset, uint64_t size)
{
    std::ifstream in;
    const auto fileSize = OpenForReading(path, in);
    if (!fileSize)
        return Fail(fileSize.error());
    if (!FitsInFile(offset, size, *fileSize))
        return Fail("bytes " + std::to_string(offset) + " to " + std::to_string(offset + size) +
                    " lie past the end of " + path.string() + " (" + std::to_string(*fileSize) + " bytes)");
    std::vector<uint8_t> out(static_cast<std::size_t>(size));
    in.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
    if (size > 0 && !in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size)))
        return Fail(DescribeIoError(path, "read"));
    return out;
}

Status CheckArchiveName(std::string_view name)
{
    if (name.empty())
        return Fail("an archive item needs a name");
    if (name.find('\0') != std::string_view::npos)
        return Fail("an archive item's name cannot hold a NUL character");
    if (name.size() > kArchiveMaxNameLength)
        return Fail("the name " + ShownName(name) + " has " + std::to_string(name.size()) +
                    " characters; archive names hold at most 127");
    if (std::any_of(name.begin(), name.end(), [](char c) { return c < 0x20 || c > 0x7E; }))
        return Fail("the name " + ShownName(name) +
                    " holds characters other than printable ASCII, which the game cannot look up");
    return {};
}

std::size_t ArchiveInsertPosition(const std::vector<ArchiveRecord>& records, std::string_view name)
{
    NameShape shape{std::string_view{}};
    return InsertPositionIn(
        records.size(), name, [&](std::size_t i) -> std::string_view { return records[i].name; },
        [&](std::size_t i) -> const NameShape& { return shape = NameShape(records[i].name); });
}

std::optional<std::size_t> FindArchiveRecord(const std::vector<ArchiveRecord>& records, std::string_view name)
{
    for (std::size_t i = 0; i < records.size(); ++i)
        if (records[i].name == name)
            return i;
    return std::nullopt;
}

Status CreateArchive(const fs::path& path)
{
    uint8_t head[kArchiveHeaderSize];
    EncodeHeader(head, ArchiveHeader{});
    return WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(head), sizeof head));
}

namespace {

// Writes head, directory and data blocks; items come from the old file (in) or memory.
Status WriteArchiveStream(AtomicFileWriter& w, const ArchiveHeader& head, const std::vector<PlannedItem>& items,
                          std::istream* in, const ArchiveProgress& progress)
{
    const uint64_t dataStart = ArchiveRecordPosition(items.size());
    uint64_t total = 0;
    for (const auto& it : items)
        total += it.size;
    if (dataStart + total > std::numeric_limits<uint32_t>::max())
        return Fail("the archive would exceed 4 GB, more than its 32-bit offsets can address");

    std::vector<uint8_t> block(kArchiveHeaderSize + kArchiveRecordSize * items.size());
    ArchiveHeader h = head;
    // The directory goes behind the head, wherever the old file had it.
    h.directoryOffset = static_cast<uint32_t>(kArchiveHeadSize);
    h.recordCount = static_cast<uint32_t>(items.size());
    EncodeHeader(block.data(), h);
    uint64_t offset = dataStart;
    for (std::size_t i = 0; i < items.size(); ++i) {
        EncodeRecord(block.data() + ArchiveRecordPosition(i), static_cast<uint32_t>(offset), items[i].size,
                     items[i].name);
        offset += items[i].size;
    }
    auto& os = w.Stream();
    os.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));

    uint64_t done = 0;
    if (progress && !progress(0, total))
        return Fail("cancelled");
    std::vector<char> buffer(kCopyChunk);
    for (std::size_t i = 0; i < items.size();) {
        if (items[i].file) {
            std::ifstream file(*items[i].file, std::ios::binary);
            if (!file)
                return Fail(DescribeIoError(*items[i].file, "open"));
            uint64_t left = items[i].size;
            while (left > 0) {
                const auto n = static_cast<std::streamsize>(std::min<uint64_t>(left, buffer.size()));
                if (!file.read(buffer.data(), n))
                    return Fail(items[i].file->string() + " became shorter while the archive was written");
                os.write(buffer.data(), n);
                left -= static_cast<uint64_t>(n);
                done += static_cast<uint64_t>(n);
            }
            if (file.peek() != std::char_traits<char>::eof())
                return Fail(items[i].file->string() + " grew while the archive was written");
            ++i;
        } else if (items[i].data) {
            os.write(reinterpret_cast<const char*>(items[i].data->data()), static_cast<std::streamsize>(items[i].size));
            done += items[i].size;
            ++i;
        } else {
            // Items that lie back to back in the old file (the usual case) are copied as
            // one run, in large chunks.
            const uint64_t start = items[i].oldOffset;
            uint64_t left = items[i].size;
            std::size_t next = i + 1;
            while (next < items.size() && !items[next].data && items[next].oldOffset == start + left)
                left += items[next++].size;
            in->clear();
            in->seekg(static_cast<std::streamoff>(start), std::ios::beg);
            while (left > 0) {
                const auto n = static_cast<std::streamsize>(std::min<uint64_t>(left, buffer.size()));
                if (!in->read(buffer.data(), n))
                    return Fail("cannot read item " + ShownName(items[i].name) + " from the archive");
                os.write(buffer.data(), n);
                left -= static_cast<uint64_t>(n);
                done += static_cast<uint64_t>(n);
                if (progress && left > 0 && !progress(done, total))
                    return Fail("cancelled");
            }
            i = next;
        }
        if (!os)
            return Fail(w.Error().empty() ? "cannot write the new archive" : w.Error());
        if (progress && !progress(done, total))
            return Fail("cancelled");
    }
    return {};
}

}  // namespace

Result<ArchiveEditResult> RewriteArchive(const fs::path& path, const ArchiveEdit& edit, const ArchiveProgress& progress)
{
    ArchiveEditResult res;
    for (const auto& ins : edit.insertions) {
        if (Status name = CheckArchiveName(ins.name); !name)
            return Fail(name.error());
        if (ins.data.size() > std::numeric_limits<uint32_t>::max())
            return Fail("item " + ShownName(ins.name) + " is larger than an archive can hold (4 GB)");
    }

    std::ifstream in;
    const auto fileSize = OpenForReading(path, in);
    if (!fileSize)
        return Fail(fileSize.error());
    const auto read = ReadArchiveDirectory(in, *fileSize);
    if (!read)
        return Fail(read.error());
    const ArchiveDirectory& dir = *read;
    if (Status intact = CheckArchiveIntact(dir); !intact)
        return Fail(intact.error() + "; it is left unchanged");

    // The plan: each item's name (with its shape, worked out once, as many insertions
    // walk the list) and where its data comes from.
    std::vector<PlannedItem> items;
    items.reserve(dir.records.size() + edit.insertions.size());
    for (const auto& r : dir.records)
        items.push_back(PlannedItem{r.name, r.size, r.offset, nullptr, NameShape(r.name)});

    for (const auto& name : edit.removals) {
        const auto it = std::find_if(items.begin(), items.end(), [&](const PlannedItem& p) { return p.name == name; });
        if (it != items.end()) {
            items.erase(it);
            res.removed.push_back(name);
        } else {
            res.notFound.push_back(name);
        }
    }
    for (const auto& ins : edit.insertions) {
        const std::size_t at = InsertPositionIn(
            items.size(), ins.name, [&](std::size_t i) -> std::string_view { return items[i].name; },
            [&](std::size_t i) -> const NameShape& { return items[i].shape; });
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(at),
                     PlannedItem{ins.name, static_cast<uint32_t>(ins.data.size()), 0, &ins.data, NameShape(ins.name)});
    }
    if (res.removed.empty() && edit.insertions.empty())
        return res;

    // The new archive replaces the old one by a rename, which a read-only file would not
    // stop; so its write permission is asked first, and its permissions carried over.
    errno = 0;
    if (!std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).is_open())
        return Fail(DescribeIoError(path, "write"));
    std::error_code ec;
    const auto perms = fs::status(path, ec).permissions();
    AtomicFileWriter w(path);
    if (!w.IsOpen())
        return Fail(w.Error());
    if (Status written = WriteArchiveStream(w, dir.header, items, &in, progress); !written)
        return Fail(written.error());
    in.close();
    if (Status committed = w.Commit(); !committed)
        return Fail(committed.error());
    if (!ec)
        fs::permissions(path, perms, ec);
    res.rewritten = true;
    return res;
}

Status InsertArchiveEntry(const fs::path& path, std::string name, std::vector<uint8_t> data,
                          const ArchiveProgress& progress)
{
    ArchiveEdit edit;
    edit.insertions.push_back(ArchiveEntryData{std::move(name), std::move(data)});
    if (auto rewritten = RewriteArchive(path, edit, progress); !rewritten)
        return Fail(rewritten.error());
    return {};
}

Result<ArchiveEditResult> DeleteArchiveEntry(const fs::path& path, const std::string& name,
                                             const ArchiveProgress& progress)
{
    ArchiveEdit edit;
    edit.removals.push_back(name);
    return RewriteArchive(path, edit, progress);
}

Status WriteArchive(const fs::path& path, const std::vector<ArchiveEntryData>& entries)
{
    AtomicFileSet files;
    if (Status staged = WriteArchive(files, path, entries); !staged)
        return staged;
    return files.Commit();
}

Status WriteArchive(AtomicFileSet& files, const fs::path& path, const std::vector<ArchiveEntryData>& entries)
{
    std::vector<PlannedItem> items;
    items.reserve(entries.size());
    for (const auto& e : entries) {
        if (Status name = CheckArchiveName(e.name); !name)
            return name;
        if (e.data.size() > std::numeric_limits<uint32_t>::max())
            return Fail("item " + ShownName(e.name) + " is larger than an archive can hold (4 GB)");
        items.push_back(PlannedItem{e.name, static_cast<uint32_t>(e.data.size()), 0, &e.data, NameShape(e.name)});
    }
    AtomicFileWriter* w = files.Open(path);
    if (!w)
        return files.Commit();  // the reason it could not be opened
    if (Status written = WriteArchiveStream(*w, ArchiveHeader{}, items, nullptr, {}); !written)
        return files.Abort(std::move(written));
    return {};
}

Status WriteArchiveFromSources(const fs::path& path, const std::vector<ArchiveSourceItem>& items,
                               const ArchiveProgress& progress)
{
    std::vector<PlannedItem> planned;
    planned.reserve(items.size());
    for (const auto& item : items) {
        if (Status name = CheckArchiveName(item.name); !name)
            return Fail((item.file.empty() ? item.name : item.file.string()) + ": " + name.error());
        const uint64_t size = item.file.empty() ? item.data.size() : item.size;
        if (size > std::numeric_limits<uint32_t>::max())
            return Fail("item " + ShownName(item.name) + " is larger than an archive can hold (4 GB)");
        PlannedItem p{item.name, static_cast<uint32_t>(size), 0, &item.data, NameShape(item.name)};
        if (!item.file.empty())
            p.file = &item.file;
        planned.push_back(std::move(p));
    }
    AtomicFileWriter w(path);
    if (!w.IsOpen())
        return Fail(w.Error());
    if (Status written = WriteArchiveStream(w, ArchiveHeader{}, planned, nullptr, progress); !written)
        return written;
    return w.Commit();
}

}  // namespace orv
