// The limits the game's engine puts on a model: a file that breaks one does not load in
// the game (or loses part of its names), so the editor checks before a 3DO is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"

namespace orv {

inline constexpr std::size_t kMaxMeshVertices = 512;
inline constexpr std::size_t kMaxMeshTextureVertices = 768;
inline constexpr std::size_t kMaxMeshFaces = 512;
inline constexpr std::size_t kMinFaceCorners = 3;
inline constexpr std::size_t kMaxFaceCorners = 24;
inline constexpr std::size_t kMaxGeometrySets = 4;
inline constexpr std::size_t kMaxNameLength = 31;
// The largest coordinate (of a vertex, a node's place or its pivot) a model may hold:
// far beyond any level of the game, so one past it is a mistake of units or scale, or
// damage; and not a number is never a place.
inline constexpr float kMaxCoordinate = 10000.0f;

// Whether value is a finite number within ±kMaxCoordinate.
bool CoordinateFits(float value);
// Why it is not, for a breach line: "coordinate 1e+20 lies beyond ±10,000 units" or
// "coordinate nan is not a number".
std::string CoordinateFault(float value);

// One breach, with where it is: "geometry set 0, mesh 3 (torso): 600 vertices (at most 512)".
struct LimitBreach {
    int32_t geoset = -1;  // -1: not in a geometry set (model, node or material)
    int32_t mesh = -1;
    int32_t face = -1;
    std::string text;       // where, then what: the whole line
    std::string what;       // the text without where it is ("600 vertices (at most 512)")
    int32_t node = -1;      // the node it is about, or -1
    int32_t material = -1;  // the material of the model's list it is about, or -1
};

// Every breach of the engine's limits, in the order of the model: geometry sets, then per
// set each mesh (its name, vertices, texture vertices, faces, its vertices' coordinates,
// each face's corners and material index), then the materials' names, then each node
// (its name, its place and pivot, its mesh index).
// Counts come from the mesh lists: the model must be as read from a file or have had its
// lists rebuilt (the 3DO writer rebuilds them first).
std::vector<LimitBreach> CheckEngineLimits(const CModel& model);

// Faces the engine loads but does not draw as meant, since it draws flat convex
// polygons: those whose corners lie off one plane by more than kPlanarTolerance ("bent")
// and flat ones that are not convex ("concave"), in the order of the model. Warnings, not
// breaches: the game takes the file, and models made with the game's own tools hold
// slightly bent faces, so a save never asks about them. From the face corners.
std::vector<LimitBreach> CheckFaceShapes(const CModel& model);

}  // namespace orv
