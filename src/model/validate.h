// The consistency a model must keep through every edit: indices that point into their
// lists, a hierarchy whose links lead somewhere and never round in a circle, faces of at
// least three corners, finite positions and normals.
#pragma once

#include <string>
#include <vector>

#include "model/model.h"

namespace orv {

// Every fault found, each a sentence naming where it is; empty for a sound model. The
// face index lists are checked against the mesh lists when they match the corners (the
// lists are rebuilt from the corners before a model is written).
//
// withLimitChecks false leaves out what CheckEngineLimits reports already (faces of fewer
// than three corners, material and node mesh indices out of range, positions that are not
// numbers), for a report of both.
std::vector<std::string> ValidateModel(const CModel& model, bool withLimitChecks = true);

}  // namespace orv
