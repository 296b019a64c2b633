// The model's axes against those of the interchange formats. glTF (and OBJ as tools use
// it) is right-handed with y up, the front of a model facing +z and its right side -x; the
// game's files are right-handed with z up, a model facing +y with its right side +x, and
// the model holds them with y and z exchanged. A game point (x, y, z) becomes (-x, z, y)
// in the y-up convention, so that front stays front and right stays right; for the
// model's own axes that is (-x, y, z).
#pragma once

#include <array>

#include "model/geometry.h"

namespace orv {

// A rotation as a unit quaternion (x, y, z, w), the glTF order.
using Quaternion = std::array<double, 4>;

// A node's local transform in the y-up convention: translation, then rotation.
struct YUpTransform {
    Vec3 translation;
    Quaternion rotation{0.0, 0.0, 0.0, 1.0};
};

// Points and directions between the model's axes and the y-up convention (the same
// mirror both ways).
// (Adding 0 keeps -0 out of the files.)
constexpr Vec3 ToYUp(const Vec3& v) { return {-v.x + 0.0f, v.y, v.z}; }
constexpr Vec3 FromYUp(const Vec3& v) { return {-v.x + 0.0f, v.y, v.z}; }

// A 3 × 3 rotation (or any linear map) in column-vector form, m[row][column], in double.
using Matrix3d = std::array<std::array<double, 3>, 3>;

// The node pose of rotation (pitch, roll, yaw in degrees) and position as a y-up
// transform: the quaternion of the pose's rotation turned into the y-up axes.
YUpTransform PoseToYUp(const Vec3& rotation, const Vec3& position);

// The rotation of a pose as a y-up column-vector matrix.
Matrix3d PoseRotationToYUp(const Vec3& rotation);

// The (pitch, roll, yaw) in degrees whose pose rotation is the given y-up rotation (a
// proper rotation; the nearest one is taken of anything else). At pitch ±90 the roll
// is 0 and the yaw takes the whole turn about the vertical.
Vec3 AnglesFromYUp(const Matrix3d& rotation);

// Unit quaternion of a proper rotation matrix, and back.
Quaternion QuaternionOf(const Matrix3d& rotation);
Matrix3d MatrixOf(const Quaternion& q);

}  // namespace orv
