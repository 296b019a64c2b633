#include "interchange/affine.h"

#include <assimp/matrix4x4.inl>

#include <cmath>

namespace orv {

namespace {

double Dot(const Vec3d& a, const Vec3d& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3d Cross(const Vec3d& a, const Vec3d& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Norm(const Vec3d& a) { return std::sqrt(Dot(a, a)); }

}  // namespace

Affine Compose(const Affine& a, const Affine& b)  // a after b
{
    Affine out;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c];
        out.t[r] = a.m[r][0] * b.t[0] + a.m[r][1] * b.t[1] + a.m[r][2] * b.t[2] + a.t[r];
    }
    return out;
}

Affine FromAssimp(const aiMatrix4x4& a)
{
    Affine out;
    for (unsigned r = 0; r < 3; ++r)
        for (unsigned c = 0; c < 3; ++c)
            out.m[r][c] = a[r][c];
    out.t = {a.a4, a.b4, a.c4};
    return out;
}

Matrix3d RotationOf(const Matrix3d& m)
{
    Vec3d x = {m[0][0], m[1][0], m[2][0]}, y = {m[0][1], m[1][1], m[2][1]};
    const double nx = Norm(x);
    if (nx < 1e-12)
        return {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    x = {x[0] / nx, x[1] / nx, x[2] / nx};
    const double d = Dot(x, y);
    y = {y[0] - d * x[0], y[1] - d * x[1], y[2] - d * x[2]};
    double ny = Norm(y);
    if (ny < 1e-12) {
        // y along x: any square direction will do.
        y = std::fabs(x[0]) < 0.9 ? Cross(x, Vec3d{1, 0, 0}) : Cross(x, Vec3d{0, 1, 0});
        ny = Norm(y);
    }
    y = {y[0] / ny, y[1] / ny, y[2] / ny};
    const Vec3d z = Cross(x, y);
    return {{{x[0], y[0], z[0]}, {x[1], y[1], z[1]}, {x[2], y[2], z[2]}}};
}

Matrix3d Multiply(const Matrix3d& a, const Matrix3d& b)
{
    Matrix3d out{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c];
    return out;
}

Matrix3d Transpose(const Matrix3d& m)
{
    Matrix3d out{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out[r][c] = m[c][r];
    return out;
}

Matrix3d ChainTurn(const Matrix3d& parentChain, const Affine& own) { return Multiply(parentChain, RotationOf(own.m)); }

}  // namespace orv
