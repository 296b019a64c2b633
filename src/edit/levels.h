// Levels of detail: the lower geometry sets the game switches to as a model moves away,
// made from the full set by simplifying each mesh.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/result.h"

namespace orv {

class CModel;

struct LevelsReport {
    // What was done, a line each: every set made (its faces, how many meshes were
    // simplified and how many kept as in the set above), every set left out because it
    // would have been the same as the one above, the sets that were replaced.
    std::vector<std::string> notes;
    // The faces of each geometry set of the result, set 0 first: one entry a set made.
    std::vector<std::size_t> facesPerSet;
};

// The faces each lower set aims at: set k has about the faces of set k - 1 / this, mesh by
// mesh (the parts of a mesh split to fit the limits counting as one). The game picks a set
// by distance; halving the polygons at each step keeps the drawn density roughly even as
// the model shrinks on screen.
inline constexpr std::size_t kLevelFaceDivisor = 2;
// The largest deformation set k may show from set 0, relative to the size of each mesh:
// kLevelErrorBase * 2^(k-1), so 2%, 4%, 8% for sets 1, 2, 3 (what a set drawn at a
// tenth of the screen or less does not show). A mesh that cannot reach its aim within
// it stops short; one that cannot lose a face at all is kept as in the set above.
inline constexpr float kLevelErrorBase = 0.02f;
inline float LevelErrorBound(std::size_t level)
{
    return level == 0 ? 0.0f : kLevelErrorBase * static_cast<float>(std::size_t{1} << (level - 1));
}
// A mesh of fewer faces than this has nothing to lose: it is kept as it is in every set.
inline constexpr std::size_t kMinFacesToSimplify = 8;

struct CMesh;

// What is done to each simplified mesh once it is kept (the fit joins coplanar triangles
// into polygons), so that the next set aims at half the faces of this one as they will be
// drawn.
using LevelMeshFinish = std::function<void(CMesh&)>;

// Replaces geometry sets 1.. with up to sets - 1 simplified copies of set 0 (sets: 1..4).
// Every lower set holds set 0's meshes in the same order (same names, modes, placement);
// a simplified mesh is made of triangles (then finished, when finish is given), each taking
// its face attributes from a face of set 0 and its corners' texture coordinates from their
// own corners. Texture seams, edges between faces of different material or surface, and
// the mesh's open border stay where they are; the edges where the fit cut a mesh into
// parts do not hold, and each triangle goes back to one of the parts. A set that would
// equal the set above is not made (the notes say so), so the result may have fewer sets
// than asked. Every set made passes CheckEngineLimits, with its lists rebuilt and radii
// measured again.
//
// Refused, with the model unchanged: sets outside 1..4, no face in set 0, and a set 0
// that breaks the engine's limits (the lower sets could not be held to them).
Result<LevelsReport> MakeLevelsOfDetail(CModel& model, std::size_t sets, const LevelMeshFinish& finish = {});

}  // namespace orv
