// The file types a file dialog offers, as data: each entry's text as the program shows it
// ("GOB Files (*.gob)") and the patterns it stands for. The window turns them into its
// toolkit's own syntax.
#pragma once

#include <string>
#include <vector>

namespace orv {

struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;
    bool operator==(const FileFilter&) const = default;
};

using FileFilters = std::vector<FileFilter>;

}  // namespace orv
