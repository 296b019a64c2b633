// Fit to Engine Limits: a model made elsewhere brought within what the game's engine
// takes, in every geometry set, without changing how it looks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/edit_context.h"
#include "model/model.h"

namespace orv {

struct FitOptions {
    // The geometry sets to have, the full model first and each lower set a level of
    // detail simplified from it (1..4, see MakeLevelsOfDetail); 0: the sets stay as they
    // are.
    int32_t levels = 0;
    // Coplanar triangles joined back into convex polygons where that saves faces.
    bool joinTriangles = true;
};

// What the fit changed: one line per kind of change with its count ("faces that are not
// flat and convex cut into flat convex pieces: 3"); empty when the model was within the
// limits and nothing changed.
struct FitReport {
    std::vector<std::string> lines;
    // What was asked and could not be done (levels of detail of a model that still breaks
    // a limit no fit mends), one line each; the model is changed no further for it.
    std::vector<std::string> problems;
    bool Changed() const { return !lines.empty(); }
};

// Brings every geometry set within the engine's limits:
// - faces that are bent, concave or of more than 24 corners are cut into flat convex
//   faces (each piece keeps every field of its face); faces without an area and with
//   fewer than 3 or more than 24 corners are left out;
// - coplanar triangles of the same look (every face field alike, the shared edge with the
//   same texture coordinates and intensities on both sides) are joined into convex
//   polygons of at most 24 corners;
// - a mesh over 512 vertices, 768 texture vertices or 512 faces keeps what fits and the
//   rest goes into new meshes, each placed by a new node under every node that places the
//   mesh, with no move or turn of its own. Node mesh indices hold for every geometry set,
//   so every set gets the new mesh slots (empty where its own mesh needed no split);
// - mesh names are made unique (ignoring case) within 31 characters in each set; node
//   names are left alone (keyframes address nodes by name);
// - the radii of what changed are measured again;
// - with levels, the lower geometry sets are made again from the fitted full set, their
//   coplanar triangles joined.
// A model already within the limits (and, with levels, whose lower sets come out as they
// were) is left exactly as it is.
FitReport FitToEngineLimits(CModel& model, const FitOptions& options = {});

// The editor's command: why it cannot run (nullptr: it can), and the fit of the
// context's model as one edit, its report in `report`. Nothing changed: no change told.
const char* WhyNotFitToLimits(const EditContext& c);
EditOutcome FitToLimits(EditContext& c, const FitOptions& options, FitReport& report);

}  // namespace orv
