// The tips file of Tip of the Day, read one tip at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

// The next tip at or after pos (a pos outside the file starts at its beginning), pos
// moved past it. Lines starting with a blank, a tab, a line end or ';' are skipped; lines
// are read in pieces of at most 1000 characters; at the end of the file reading goes on
// from its start. A file without any tip line gives an empty tip after one full pass.
std::string NextTip(std::string_view file, int64_t& pos);

}  // namespace orv
