// The one rule for the shape of a face: what the game's engine draws is a flat, convex
// polygon of 3 to 24 corners. The import, the fit to the engine's limits and the model
// check all measure polygons with these functions, so that they never disagree.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/geometry.h"

namespace orv {

// How far (in model units) a corner may lie off the plane of its face and the face still
// count as flat: what the editor has always used (CFace::ComputeFaceNormal).
inline constexpr double kPlanarTolerance = 0.001;

using Vec3d = std::array<double, 3>;

// Newell's normal of a polygon (not normalised; zero for one without an area).
Vec3d NewellNormal(std::span<const Vec3> p);
// Whether every corner lies within kPlanarTolerance of the mean plane square to normal.
bool IsPlanar(std::span<const Vec3> p, const Vec3d& normal);
// How far (in model units) a corner may lie inside the line through its neighbours and
// still count as on it: far above what writing a coordinate with six decimals moves it.
inline constexpr double kStraightTolerance = 1e-5;
// Whether every turn goes the same way round normal, once round in all (a star turns
// twice); a corner within kStraightTolerance of the line through its neighbours turns
// neither way.
bool IsConvex(std::span<const Vec3> p, const Vec3d& normal);
// Triangles of a simple polygon (corner indices, in the polygon's own turning), ears cut
// off one by one in the plane of normal; a polygon that crosses itself ends as a fan.
std::vector<std::array<std::size_t, 3>> EarClip(std::span<const Vec3> p, const Vec3d& normal);

enum class PolygonShape : uint8_t {
    Good,            // flat, convex, 3 to 24 corners
    Degenerate,      // fewer than 3 corners, no area, or a coordinate that is no number
    Bent,            // not flat within kPlanarTolerance
    Concave,         // flat but not convex
    TooManyCorners,  // flat and convex, more than 24 corners
};
PolygonShape ShapeOf(std::span<const Vec3> p);

// The pieces of a polygon the engine draws as it is meant: flat convex polygons of at
// most maxCorners corners, as lists of the polygon's corner indices in its own turning.
// A good polygon is one piece (all of it); a degenerate one none. Others are cut into
// triangles and the triangles joined again, greedily, while the joined piece stays flat
// and convex, so that a concave L gives two pieces rather than four triangles.
std::vector<std::vector<std::size_t>> SplitPolygon(std::span<const Vec3> p, std::size_t maxCorners = 24);

// Pieces (cycles of point ids, all turning the same way) joined greedily across the edges
// they share while the joined piece stays flat (within kPlanarTolerance), convex, within
// maxCorners and facing the way its parts faced. Only pieces marked joinable take part,
// and only pieces of the same group join. Each result lists the ids of its cycle and the
// first piece it grew from; pieces that joined nothing come back as they were, in order
// of their first piece. Near-linear in the pieces: shared edges are found by hashing.
struct JoinedPiece {
    std::vector<uint32_t> cycle;
    std::size_t first = 0;
};
std::vector<JoinedPiece> JoinConvexPieces(const std::vector<std::vector<uint32_t>>& pieces,
                                          std::span<const Vec3> points, std::size_t maxCorners,
                                          const std::vector<bool>& joinable, const std::vector<uint32_t>& group);

}  // namespace orv
