// How the file manager shows an archive: a tree of directory nodes made from runs of
// consecutive records that share a directory, and the rows a node lists. Also the
// file-dialog filters of its commands, as "Text|patterns|...|" strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/tree.h"
#include "resources/archive.h"

namespace orv {

struct ArchiveTreeNode {
    // Index of the parent node; -1 for a node at the top of the tree (the root, and
    // the nodes a jump up past the root leaves there).
    int parent = -1;
    std::string label;
    // name = the full name of the first record of the run, offset = that record's
    // position, size = the run's depth (the backslashes in its names). The root: no
    // name, offset 16, depth 0.
    CTreeObject entry;
};

// Node 0 is the root, labelled rootLabel (the archive's file name); the others follow
// in record order. A new node starts wherever a record below the top level has another
// directory than the record before it; it goes under the last node when its depth is
// greater than the previous record's, under the grandparent when smaller, beside the
// previous node when equal. An archive not grouped by directory therefore shows a
// directory more than once, and a jump of several levels is attached one level off.
std::vector<ArchiveTreeNode> BuildArchiveTree(std::string_view rootLabel, const std::vector<ArchiveRecord>& records);

struct ArchiveListRow {
    std::string name;  // the part of the record's name after its last backslash
    uint32_t offset = 0;
    uint32_t size = 0;
    uint64_t position = 0;  // the record's position, which identifies it
    std::size_t index = 0;  // the record's index
};

// The records of a node's run: from the node's record on, as long as the records have
// the node's depth and directory. The root (depth 0) lists every top-level record.
std::vector<ArchiveListRow> ListArchiveNode(const std::vector<ArchiveRecord>& records, const CTreeObject& node);

// Index of the record at a position, when it is one.
std::optional<std::size_t> ArchiveRecordIndexAt(uint64_t position, std::size_t recordCount);

// The node that lists record index (the root for top-level records).
int ArchiveNodeOfRecord(const std::vector<ArchiveTreeNode>& nodes, const std::vector<ArchiveRecord>& records,
                        std::size_t index);

// The filter of "&Add": when the short name of the listed node's first record contains
// one of the known extensions, only that type's entry; otherwise all seventeen.
std::string AddFilesFilter(std::string_view nodeShortName);

// The filter of "&Save As" for an item: its own type, and bitmaps for a material.
std::string SaveItemFilter(std::string_view shortName);

}  // namespace orv
