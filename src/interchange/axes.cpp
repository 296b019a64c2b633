#include "interchange/axes.h"

#include <algorithm>
#include <cmath>

namespace orv {

namespace {

// The radians of the model's poses (PoseMatrix converts with the same constant).
constexpr double kDegToRad = 3.1415927 / 180.0;
constexpr double kMirror[3] = {-1.0, 1.0, 1.0};

}  // namespace

Matrix3d PoseRotationToYUp(const Vec3& rotation)
{
    // PoseMatrix's rotation in double: row vectors in the model's axes.
    const double p = rotation.x * kDegToRad, r = rotation.y * kDegToRad, y = rotation.z * kDegToRad;
    const double cp = std::cos(p), sp = std::sin(p), cy = std::cos(y), sy = std::sin(y), cr = std::cos(r),
                 sr = std::sin(r);
    const double m[3][3] = {{cy * cr - sy * sp * sr, -cp * sr, sy * cr + cy * sp * sr},
                            {cy * sr + sy * sp * cr, cp * cr, sy * sr - cy * sp * cr},
                            {-sy * cp, sp, cy * cp}};
    // Column vectors are the transpose; the mirror on both sides turns the axes.
    Matrix3d out{};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            out[row][col] = kMirror[row] * m[col][row] * kMirror[col];
    return out;
}

YUpTransform PoseToYUp(const Vec3& rotation, const Vec3& position)
{
    return {ToYUp(position), QuaternionOf(PoseRotationToYUp(rotation))};
}

Vec3 AnglesFromYUp(const Matrix3d& a)
{
    // Back into the model's row-vector matrix: m(row, col).
    auto m = [&a](int row, int col) { return kMirror[col] * a[col][row] * kMirror[row]; };
    const double sp = std::clamp(m(2, 1), -1.0, 1.0);
    const double pitch = std::asin(sp);
    double yaw = 0.0, roll = 0.0;
    if (std::sqrt(m(2, 0) * m(2, 0) + m(2, 2) * m(2, 2)) > 1e-6) {
        yaw = std::atan2(-m(2, 0), m(2, 2));
        roll = std::atan2(-m(0, 1), m(1, 1));
    } else {
        yaw = std::atan2(m(0, 2), m(0, 0));
    }
    auto deg = [](double v) { return static_cast<float>(v / kDegToRad); };
    return {deg(pitch), deg(roll), deg(yaw)};
}

Quaternion QuaternionOf(const Matrix3d& m)
{
    double x = 0, y = 0, z = 0, w = 1;
    const double trace = m[0][0] + m[1][1] + m[2][2];
    if (trace > 0.0) {
        const double s = std::sqrt(trace + 1.0) * 2.0;
        w = 0.25 * s;
        x = (m[2][1] - m[1][2]) / s;
        y = (m[0][2] - m[2][0]) / s;
        z = (m[1][0] - m[0][1]) / s;
    } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
        const double s = std::sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]) * 2.0;
        w = (m[2][1] - m[1][2]) / s;
        x = 0.25 * s;
        y = (m[0][1] + m[1][0]) / s;
        z = (m[0][2] + m[2][0]) / s;
    } else if (m[1][1] > m[2][2]) {
        const double s = std::sqrt(1.0 + m[1][1] - m[0][0] - m[2][2]) * 2.0;
        w = (m[0][2] - m[2][0]) / s;
        x = (m[0][1] + m[1][0]) / s;
        y = 0.25 * s;
        z = (m[1][2] + m[2][1]) / s;
    } else {
        const double s = std::sqrt(1.0 + m[2][2] - m[0][0] - m[1][1]) * 2.0;
        w = (m[1][0] - m[0][1]) / s;
        x = (m[0][2] + m[2][0]) / s;
        y = (m[1][2] + m[2][1]) / s;
        z = 0.25 * s;
    }
    const double n = std::sqrt(x * x + y * y + z * z + w * w);
    // One of the two signs, the one with w >= 0, so that equal rotations give equal numbers.
    const double sign = w < 0.0 ? -1.0 : 1.0;
    return {sign * x / n, sign * y / n, sign * z / n, sign * w / n};
}

Matrix3d MatrixOf(const Quaternion& q)
{
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    return {{{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
             {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
             {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}}};
}

}  // namespace orv
