// The radii the files store: the spheres the game culls with.
//
// The engine tests each mesh against a sphere of the mesh radius around the mesh's
// origin (the point its vertices are measured from, placed by its node), and the whole
// object against the model radius around the model's origin. A radius read from a file
// or typed by the user belongs to the geometry it was given with: it is kept while that
// geometry stays as it is, and measured again only once the geometry changed (or, for the
// model, where the nodes place it at rest), so that saving an untouched model writes its
// radii as they were read.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/model.h"

namespace orv {

// Distance from the mesh's origin to its farthest vertex; 0 for a mesh without vertices.
float MeshRadius(const CMesh& mesh);
// Distance from the model's origin to the farthest vertex of any geometry set at rest
// (every node in its base pose).
float ModelRadius(const CModel& model);

// The radii as they stand belong to the geometry as it stands: what a reader calls once
// a model's lists are read (from a file or an undo step).
void MarkRadiiCurrent(CModel& model);
// The model's radius, or that of mesh `mesh` of geometry set `geoset`, belongs to no
// geometry any more (a radius that was no number): the next update measures it.
void ForgetRadius(CModel& model);
void ForgetRadius(CModel& model, std::size_t geoset, std::size_t mesh);

// Measures again each radius whose geometry changed since it was marked current (a mesh
// never marked, such as a new one, counts as changed), and marks it current. Writers
// call it first, so that what they store never depends on when it last ran. Geometry
// whose fingerprint (FacesFingerprint; for the model, those with the nodes that place
// the meshes at rest) is what it was at the last check is not compared again.
void UpdateRadii(CModel& model);
// The same with each mesh's FacesFingerprint given, by geometry set and mesh (as an undo
// step has them at hand).
void UpdateRadii(CModel& model, const std::vector<std::vector<uint64_t>>& facesFingerprints);

// The faces' fingerprint (FacesFingerprint) mesh `mesh` of geometry set `geoset` had when
// its radius was last checked; none when it never was (or the meshes changed in number).
std::optional<uint64_t> CheckedFacesFingerprint(const CModel& model, std::size_t geoset, std::size_t mesh);

// The geometry a mesh radius belongs to: every face's corners relative to the mesh's
// origin, from the corners when they are built and from the lists otherwise.
std::vector<Vec3> MeshPoints(const CMesh& mesh);

}  // namespace orv
