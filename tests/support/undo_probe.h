// The model as a project file holds it, byte for byte: what an undo must give back.
// (Every command's undo step is checked by the command table's sweep.)
#pragma once

#include <cstdint>
#include <vector>

#include "formats/projectfile.h"

namespace orvtest {

inline std::vector<uint8_t> Saved(orv::CModel& m) { return orv::SaveProject(m, {}); }

}  // namespace orvtest
