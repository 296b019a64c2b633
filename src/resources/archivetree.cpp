#include "resources/archivetree.h"

#include <algorithm>

#include "resources/util.h"

namespace orv {

namespace {

std::size_t Depth(std::string_view name)
{
    return static_cast<std::size_t>(std::count(name.begin(), name.end(), '\\'));
}

// The name up to (not including) its last backslash; "" at the top level.
std::string_view DirectoryOf(std::string_view name)
{
    const auto p = name.rfind('\\');
    return p == std::string_view::npos ? std::string_view{} : name.substr(0, p);
}

std::string UpperAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// The seventeen types of "&Add", in the order the filter lists them.
constexpr const char* kAddFilterEntries[] = {
    "JK Files (*.jk)|*.jk|",    "COG Files (*.cog)|*.cog|", "JKL Files (*.jkl)|*.jkl|", "UNI Files (*.uni)|*.uni|",
    "3DO Files (*.3do)|*.3do|", "MAT Files (*.mat)|*.mat|", "KEY Files (*.key)|*.key|", "DAT Files (*.dat)|*.dat|",
    "AI Files (*.ai*)|*.ai*|",  "CMP Files (*.cmp)|*.cmp|", "PAR Files (*.par)|*.par|", "PER Files (*.per)|*.per|",
    "PUP Files (*.pup)|*.pup|", "SND Files (*.snd)|*.snd|", "SPR Files (*.spr)|*.spr|", "WAV Files (*.wav)|*.wav|",
    "BMP Files (*.bmp)|*.bmp|",
};

}  // namespace

std::vector<ArchiveTreeNode> BuildArchiveTree(std::string_view rootLabel, const std::vector<ArchiveRecord>& records)
{
    std::vector<ArchiveTreeNode> nodes;
    ArchiveTreeNode root;
    root.label = std::string(rootLabel);
    root.entry.offset = static_cast<uint32_t>(kArchiveHeaderSize);
    nodes.push_back(std::move(root));

    std::size_t previousDepth = 1;
    std::string previousDirectory;
    int parent = 0;
    int last = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string& name = records[i].name;
        const std::size_t depth = Depth(name);
        const std::string_view directory = DirectoryOf(name);
        if (depth > 0 && directory != previousDirectory) {
            if (previousDepth < depth)
                parent = last;
            else if (depth < previousDepth)
                parent = parent < 0 ? -1 : nodes[static_cast<std::size_t>(parent)].parent;
            ArchiveTreeNode node;
            node.parent = parent;
            node.label = ShortNameOf(directory);
            node.entry = CTreeObject(name, static_cast<uint32_t>(ArchiveRecordPosition(i)), static_cast<uint32_t>(depth));
            nodes.push_back(std::move(node));
            last = static_cast<int>(nodes.size() - 1);
        }
        previousDepth = depth;
        previousDirectory = std::string(directory);
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

std::vector<ArchiveListRow> ListArchiveNode(const std::vector<ArchiveRecord>& records, const CTreeObject& node)
{
    std::vector<ArchiveListRow> rows;
    const auto first = ArchiveRecordIndexAt(node.offset, records.size());
    if (!first)
        return rows;
    const std::size_t depth = node.size;
    if (depth == 0) {
        // The root lists every top-level record: they make no nodes of their own, and
        // record 0, which never moves, may lie in a directory ahead of them.
        for (std::size_t i = 0; i < records.size(); ++i)
            if (Depth(records[i].name) == 0)
                rows.push_back(ArchiveListRow{records[i].name, records[i].offset, records[i].size, ArchiveRecordPosition(i), i});
        return rows;
    }
    const std::string_view directory = DirectoryOf(node.name);
    for (std::size_t i = *first; i < records.size(); ++i) {
        const ArchiveRecord& r = records[i];
        if (Depth(r.name) != depth || DirectoryOf(r.name) != directory)
            break;
        rows.push_back(ArchiveListRow{ShortNameOf(r.name), r.offset, r.size, ArchiveRecordPosition(i), i});
    }
    return rows;
}

int ArchiveNodeOfRecord(const std::vector<ArchiveTreeNode>& nodes, const std::vector<ArchiveRecord>& records,
                        std::size_t index)
{
    if (index >= records.size() || Depth(records[index].name) == 0)
        return 0;
    // Nodes start runs in record order, and a run ends at every top-level record, so a
    // record below the top level belongs to the last node that starts at or before it.
    int found = 0;
    const uint64_t position = ArchiveRecordPosition(index);
    for (std::size_t n = 1; n < nodes.size(); ++n)
        if (nodes[n].entry.offset <= position)
            found = static_cast<int>(n);
    return found;
}

std::string AddFilesFilter(std::string_view nodeShortName)
{
    static const std::pair<const char*, std::size_t> byExtension[] = {
        {".cog", 1},  {".jkl", 2},  {".uni", 3},  {".3do", 4},  {".mat", 5},  {".key", 6},
        {".dat", 7},  {".ai", 8},   {".cmp", 9},  {".par", 10}, {".per", 11}, {".pup", 12},
        {".snd", 13}, {".spr", 14}, {".wav", 15}, {".bmp", 16}, {".jk", 0},
    };
    const std::string lower = LowerAscii(nodeShortName);
    for (const auto& [ext, entry] : byExtension)
        if (lower.find(ext) != std::string::npos)
            return std::string(kAddFilterEntries[entry]) + "|";
    std::string all;
    for (const char* e : kAddFilterEntries)
        all += e;
    return all + "|";
}

std::string SaveItemFilter(std::string_view shortName)
{
    const auto dot = shortName.find('.');
    const std::string ext = dot == std::string_view::npos ? std::string() : std::string(shortName.substr(dot + 1));
    // A name without an extension has no type of its own to offer.
    if (ext.empty())
        return "All Files (*)|*||";
    const std::string upper = UpperAscii(ext);
    std::string filter = upper + " Files (*." + ext + ")|*." + ext + "|";
    if (LowerAscii(ext) == "mat")
        filter += "BMP Files (*.bmp)|*.bmp|";
    return filter + "|";
}

}  // namespace orv
