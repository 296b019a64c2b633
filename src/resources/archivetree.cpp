#include "resources/archivetree.h"

#include <algorithm>
#include <unordered_map>

#include "base/text.h"
#include "model/file_kind.h"

namespace orv {

namespace {

std::size_t Depth(std::string_view name)
{
    return static_cast<std::size_t>(std::count(name.begin(), name.end(), '\\'));
}

// The seventeen types of "&Add", in the order the filter lists them.
const FileFilters& AddFilterEntries()
{
    static const FileFilters entries = {
        {"JK Files (*.jk)", {"*.jk"}},    {"COG Files (*.cog)", {"*.cog"}}, {"JKL Files (*.jkl)", {"*.jkl"}},
        {"UNI Files (*.uni)", {"*.uni"}}, {"3DO Files (*.3do)", {"*.3do"}}, {"MAT Files (*.mat)", {"*.mat"}},
        {"KEY Files (*.key)", {"*.key"}}, {"DAT Files (*.dat)", {"*.dat"}}, {"AI Files (*.ai*)", {"*.ai*"}},
        {"CMP Files (*.cmp)", {"*.cmp"}}, {"PAR Files (*.par)", {"*.par"}}, {"PER Files (*.per)", {"*.per"}},
        {"PUP Files (*.pup)", {"*.pup"}}, {"SND Files (*.snd)", {"*.snd"}}, {"SPR Files (*.spr)", {"*.spr"}},
        {"WAV Files (*.wav)", {"*.wav"}}, {"BMP Files (*.bmp)", {"*.bmp"}},
    };
    return entries;
}

}  // namespace

std::string_view ArchiveDirectoryOf(std::string_view name)
{
    const auto p = name.rfind('\\');
    return p == std::string_view::npos ? std::string_view{} : name.substr(0, p);
}

std::vector<ArchiveTreeNode> BuildArchiveTree(std::string_view rootLabel, const std::vector<ArchiveRecord>& records)
{
    std::vector<ArchiveTreeNode> nodes;
    ArchiveTreeNode root;
    root.label = std::string(rootLabel);
    root.entry.offset = static_cast<uint32_t>(kArchiveHeaderSize);
    nodes.push_back(std::move(root));

    // Directory -> node; a node whose own first record has not come yet is marked, so
    // that record can still become its entry.
    std::unordered_map<std::string, int> byDirectory;
    std::vector<bool> hasOwnRecord{true};
    // The node of a directory, made (with those of its parents) when it is new.
    auto nodeOf = [&](auto& self, std::string_view directory, uint64_t position) -> int {
        if (directory.empty())
            return 0;
        if (auto it = byDirectory.find(std::string(directory)); it != byDirectory.end())
            return it->second;
        const int parent = self(self, ArchiveDirectoryOf(directory), position);
        ArchiveTreeNode node;
        node.parent = parent;
        node.label = ShortNameOf(directory);
        node.directory = std::string(directory);
        node.entry = CTreeObject(node.directory + "\\", static_cast<uint32_t>(position),
                                 static_cast<uint32_t>(Depth(directory) + 1));
        nodes.push_back(std::move(node));
        hasOwnRecord.push_back(false);
        const int index = static_cast<int>(nodes.size() - 1);
        byDirectory.emplace(std::string(directory), index);
        return index;
    };
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string& name = records[i].name;
        const uint64_t position = ArchiveRecordPosition(i);
        const int n = nodeOf(nodeOf, ArchiveDirectoryOf(name), position);
        if (!hasOwnRecord[static_cast<std::size_t>(n)]) {
            hasOwnRecord[static_cast<std::size_t>(n)] = true;
            nodes[static_cast<std::size_t>(n)].entry =
                CTreeObject(name, static_cast<uint32_t>(position), static_cast<uint32_t>(Depth(name)));
        }
    }
    return nodes;
}

std::optional<std::size_t> ArchiveRecordIndexAt(uint64_t position, std::size_t recordCount)
{
    if (position < kArchiveHeaderSize || (position - kArchiveHeaderSize) % kArchiveRecordSize != 0)
        return std::nullopt;
    const uint64_t index = (position - kArchiveHeaderSize) / kArchiveRecordSize;
    if (index >= recordCount)
        return std::nullopt;
    return static_cast<std::size_t>(index);
}

std::vector<ArchiveListRow> ListArchiveNode(const std::vector<ArchiveRecord>& records, const ArchiveTreeNode& node)
{
    std::vector<ArchiveListRow> rows;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const ArchiveRecord& r = records[i];
        if (ArchiveDirectoryOf(r.name) == node.directory)
            rows.push_back(ArchiveListRow{ShortNameOf(r.name), r.offset, r.size, ArchiveRecordPosition(i), i});
    }
    return rows;
}

int ArchiveNodeOfDirectory(const std::vector<ArchiveTreeNode>& nodes, std::string_view directory)
{
    for (std::size_t n = 1; n < nodes.size(); ++n)
        if (nodes[n].directory == directory)
            return static_cast<int>(n);
    return 0;
}

int ArchiveNodeOfRecord(const std::vector<ArchiveTreeNode>& nodes, const std::vector<ArchiveRecord>& records,
                        std::size_t index)
{
    if (index >= records.size())
        return 0;
    return ArchiveNodeOfDirectory(nodes, ArchiveDirectoryOf(records[index].name));
}

FileFilters AddFilesFilter(std::string_view nodeShortName)
{
    static const std::pair<const char*, std::size_t> byExtension[] = {
        {".cog", 1},  {".jkl", 2},  {".uni", 3},  {".3do", 4},  {".mat", 5},  {".key", 6},
        {".dat", 7},  {".ai", 8},   {".cmp", 9},  {".par", 10}, {".per", 11}, {".pup", 12},
        {".snd", 13}, {".spr", 14}, {".wav", 15}, {".bmp", 16}, {".jk", 0},
    };
    const std::string ext = FileExtension(nodeShortName);
    for (const auto& [e, entry] : byExtension)
        if (ext == e || (std::string_view(e) == ".ai" && ext.starts_with(e)))  // .ai0, .ai2 ... are AI files too
            return {AddFilterEntries()[entry]};
    return AddFilterEntries();
}

FileFilters SaveItemFilter(std::string_view shortName)
{
    // The pattern is the name's own ending after its first dot; whether bitmaps are
    // offered too goes by its kind.
    const auto dot = shortName.find('.');
    const std::string ext = dot == std::string_view::npos ? std::string() : std::string(shortName.substr(dot + 1));
    // A name without an extension has no type of its own to offer.
    if (ext.empty())
        return {{"All Files (*)", {"*"}}};
    FileFilters filters = {{ToUpperAscii(ext) + " Files (*." + ext + ")", {"*." + ext}}};
    if (FileKindOf(shortName) == FileKind::Material)
        filters.push_back({"BMP Files (*.bmp)", {"*.bmp"}});
    return filters;
}

}  // namespace orv
