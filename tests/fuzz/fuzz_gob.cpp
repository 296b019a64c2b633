// Archive directories from untrusted bytes: reading, the damage check, item reads, the
// catalogue, the file manager's tree, extraction targets, and a rewrite of the same
// bytes as a file.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>

#include "fuzz_check.h"
#include "model/fileio.h"
#include "resources/archive.h"
#include "resources/archivetree.h"
#include "resources/catalog.h"
#include "resources/filemanager.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream in(bytes);
    const auto read = ReadArchiveDirectory(in, size);
    if (!read)
        return 0;
    const ArchiveDirectory& dir = *read;
    Require(dir.records.size() <= dir.header.recordCount);
    const bool intact = CheckArchiveIntact(dir).ok();
    for (const auto& r : dir.records) {
        const auto item = ReadArchiveEntry(in, size, r);
        Require(!intact || item);
        Require(!item || item->size() == r.size);
        (void)ArchiveInsertPosition(dir.records, r.name);
    }
    ResourceCatalog catalog;
    BuildCatalog(dir.records, catalog);

    // Every record is listed by exactly one node; parents come before their children.
    const auto nodes = BuildArchiveTree("fuzz.gob", dir.records);
    std::size_t listed = 0;
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        Require(n == 0 || (nodes[n].parent >= 0 && static_cast<std::size_t>(nodes[n].parent) < n));
        listed += ListArchiveNode(dir.records, nodes[n]).size();
    }
    Require(listed == dir.records.size());
    // An extraction target, when there is one, lies inside the folder.
    const std::filesystem::path folder = "/fuzz/out";
    for (const auto& r : dir.records) {
        const auto target = ExtractionTargetInFolders(folder, r.name, false);
        if (!target)
            continue;
        const auto rel = target->lexically_normal().lexically_relative(folder);
        Require(!rel.empty() && *rel.begin() != "..");
    }

    // A rewrite must either refuse or give an intact archive with contiguous offsets.
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("orvane-fuzz-gob-" + std::to_string(getpid()) + ".gob");
    if (!WriteFileAtomic(path, bytes))
        return 0;
    ArchiveEdit edit;
    if (!dir.records.empty())
        edit.removals.push_back(dir.records.front().name);
    edit.insertions.push_back({"cog\\fuzz.cog", {'x'}});
    if (const auto rewritten = RewriteArchive(path, edit)) {
        const auto after = ReadArchiveDirectory(path);
        Require(intact && after && CheckArchiveIntact(*after));
        uint64_t expected = ArchiveRecordPosition(after->records.size());
        for (const auto& r : after->records) {
            Require(r.offset == expected);
            expected += r.size;
        }
    } else {
        Require(!intact || rewritten.error().find("4 GB") != std::string::npos);
    }
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return 0;
}
