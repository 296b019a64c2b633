// How the file manager shows an archive: a tree with one node per directory, whatever
// order the records come in, and the rows a node lists. Also the file types its
// commands' file dialogs offer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/file_filter.h"
#include "model/tree.h"
#include "resources/archive.h"

namespace orv {

struct ArchiveTreeNode {
    // Index of the parent node (always lower than the node's own); -1 for the root.
    int parent = -1;
    std::string label;      // the last component of the directory; the root: the archive's file name
    std::string directory;  // the directory's full name, backslash separated; "" for the root
    // name = the full name of the directory's first record, offset = that record's
    // position, size = the depth (the backslashes in the directory's records' names). A
    // directory that holds only subdirectories: name = the directory and a backslash,
    // offset = the position of the first record below it. The root: no name, offset 16,
    // depth 0.
    CTreeObject entry;
};

// Node 0 is the root, labelled rootLabel (the archive's file name). Every directory the
// records' names run through has one node under its parent directory's node, also when
// its records are spread over the archive or it holds only subdirectories. Nodes come in
// the order their directories first appear in the records, parents before children.
std::vector<ArchiveTreeNode> BuildArchiveTree(std::string_view rootLabel, const std::vector<ArchiveRecord>& records);

struct ArchiveListRow {
    std::string name;  // the part of the record's name after its last backslash
    uint32_t offset = 0;
    uint32_t size = 0;
    uint64_t position = 0;  // the record's position, which identifies it
    std::size_t index = 0;  // the record's index
};

// The records of a node's directory, in archive order (the root: the top-level records).
std::vector<ArchiveListRow> ListArchiveNode(const std::vector<ArchiveRecord>& records, const ArchiveTreeNode& node);

// Index of the record at a position, when it is one.
std::optional<std::size_t> ArchiveRecordIndexAt(uint64_t position, std::size_t recordCount);

// The node of a directory ("" for the root); the root when there is none.
int ArchiveNodeOfDirectory(const std::vector<ArchiveTreeNode>& nodes, std::string_view directory);

// The node that lists record index (the root for top-level records).
int ArchiveNodeOfRecord(const std::vector<ArchiveTreeNode>& nodes, const std::vector<ArchiveRecord>& records,
                        std::size_t index);

// The directory of an item's name: up to (not including) its last backslash; "" for a
// top-level item.
std::string_view ArchiveDirectoryOf(std::string_view name);

// The filter of "&Add": when the short name of the listed node's first record contains
// one of the known extensions, only that type's entry; otherwise all seventeen.
FileFilters AddFilesFilter(std::string_view nodeShortName);

// The filter of "&Save As" for an item: its own type, and bitmaps for a material.
FileFilters SaveItemFilter(std::string_view shortName);

}  // namespace orv
