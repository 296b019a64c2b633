#include "model/tips.h"

#include <algorithm>

namespace orv {

std::string NextTip(std::string_view file, int64_t& pos)
{
    const auto size = static_cast<int64_t>(file.size());
    if (pos < 0 || pos > size)
        pos = 0;
    // At most one full pass over the file: a file with no tip gives an empty tip.
    int64_t scanned = 0;
    while (scanned <= size && size > 0) {
        if (pos >= size)
            pos = 0;
        const auto end = file.find('\n', static_cast<std::size_t>(pos));
        const int64_t lineEnd = end == std::string_view::npos ? size : static_cast<int64_t>(end);
        const int64_t next = end == std::string_view::npos ? size : lineEnd + 1;
        const int64_t take = std::min<int64_t>(lineEnd - pos, 1000);
        std::string_view line = file.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(take));
        const int64_t consumed = take < lineEnd - pos ? take : next - pos;
        scanned += consumed;
        pos += consumed;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line[0] == ' ' || line[0] == '\t' || line[0] == ';')
            continue;
        return std::string(line);
    }
    return {};
}

}  // namespace orv
