#include "model/geometry.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>

namespace orv {

float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float LengthSquared(const Vec3& v) { return v.x * v.x + v.y * v.y + v.z * v.z; }
float Length(const Vec3& v) { return std::sqrt(LengthSquared(v)); }

Vec3 Normalize(const Vec3& v)
{
    const float len = Length(v);
    if (len == 0.0f)
        return v;
    return v / len;
}

Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 Minimize(const Vec3& a, const Vec3& b) { return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)}; }

Vec3 Maximize(const Vec3& a, const Vec3& b) { return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)}; }

Matrix4 Matrix4::Identity()
{
    Matrix4 r;
    r(0, 0) = r(1, 1) = r(2, 2) = r(3, 3) = 1.0f;
    return r;
}

Matrix4 Matrix4::Zero() { return Matrix4{}; }

Matrix4 Matrix4::Translation(const Vec3& t)
{
    Matrix4 r = Identity();
    r(3, 0) = t.x;
    r(3, 1) = t.y;
    r(3, 2) = t.z;
    return r;
}

Matrix4 Matrix4::Scaling(float sx, float sy, float sz)
{
    Matrix4 r = Identity();
    r(0, 0) = sx;
    r(1, 1) = sy;
    r(2, 2) = sz;
    return r;
}

Matrix4 Matrix4::RotationX(float a)
{
    Matrix4 r = Identity();
    const float c = std::cos(a), s = std::sin(a);
    r(1, 1) = c;
    r(1, 2) = -s;
    r(2, 1) = s;
    r(2, 2) = c;
    return r;
}

Matrix4 Matrix4::RotationY(float a)
{
    Matrix4 r = Identity();
    const float c = std::cos(a), s = std::sin(a);
    r(0, 0) = c;
    r(0, 2) = s;
    r(2, 0) = -s;
    r(2, 2) = c;
    return r;
}

Matrix4 Matrix4::RotationZ(float a)
{
    Matrix4 r = Identity();
    const float c = std::cos(a), s = std::sin(a);
    r(0, 0) = c;
    r(0, 1) = -s;
    r(1, 0) = s;
    r(1, 1) = c;
    return r;
}

Matrix4 Matrix4::RotationAngles(float a, float b, float c)
{
    const float ca = std::cos(a), sa = std::sin(a);
    const float cb = std::cos(b), sb = std::sin(b);
    const float cc = std::cos(c), sc = std::sin(c);
    Matrix4 r = Identity();
    r(0, 0) = cb * ca;
    r(1, 0) = cb * sa;
    r(2, 0) = -sb;
    r(0, 1) = -cc * sa + sc * sb * ca;
    r(1, 1) = cc * ca + sc * sb * sa;
    r(2, 1) = sc * cb;
    r(0, 2) = sc * sa + cc * sb * ca;
    r(1, 2) = -sc * ca + cc * sb * sa;
    r(2, 2) = cc * cb;
    return r;
}

Matrix4 Matrix4::Perspective(float fov, float aspect, float nearPlane, float farPlane)
{
    Matrix4 r = Zero();
    const float cot = 1.0f / std::tan(fov / 2.0f);
    const float q = farPlane / (farPlane - nearPlane);
    r(0, 0) = cot * aspect;
    r(1, 1) = cot;
    r(2, 2) = q;
    r(2, 3) = 1.0f;
    r(3, 2) = -q * nearPlane;
    return r;
}

Matrix4 operator*(const Matrix4& a, const Matrix4& b)
{
    Matrix4 c;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k)
                s += a(i, k) * b(k, j);
            c(i, j) = s;
        }
    return c;
}

Vec3 TransformPoint(const Vec3& p, const Matrix4& m)
{
    return {p.x * m(0, 0) + p.y * m(1, 0) + p.z * m(2, 0) + m(3, 0),
            p.x * m(0, 1) + p.y * m(1, 1) + p.z * m(2, 1) + m(3, 1),
            p.x * m(0, 2) + p.y * m(1, 2) + p.z * m(2, 2) + m(3, 2)};
}

Vec3 TransformDirection(const Vec3& v, const Matrix4& m)
{
    return {v.x * m(0, 0) + v.y * m(1, 0) + v.z * m(2, 0), v.x * m(0, 1) + v.y * m(1, 1) + v.z * m(2, 1),
            v.x * m(0, 2) + v.y * m(1, 2) + v.z * m(2, 2)};
}

std::array<float, 4> Transform4(const std::array<float, 4>& v, const Matrix4& m)
{
    std::array<float, 4> r{};
    for (int j = 0; j < 4; ++j)
        r[static_cast<std::size_t>(j)] = v[0] * m(0, j) + v[1] * m(1, j) + v[2] * m(2, j) + v[3] * m(3, j);
    return r;
}

Matrix4 InvertRigid(const Matrix4& m)
{
    Matrix4 r = Matrix4::Identity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r(j, i) = m(i, j);
    for (int j = 0; j < 3; ++j)
        r(3, j) = -(m(j, 0) * m(3, 0) + m(j, 1) * m(3, 1) + m(j, 2) * m(3, 2));
    r(3, 3) = 1.0f;
    return r;
}

namespace {

using Work = double[4][4];

// Crout's LU decomposition with partial pivoting and implicit row scaling.
void LuDecompose(Work a, int index[4])
{
    double scale[4];
    for (int i = 0; i < 4; ++i) {
        double big = 0.0;
        for (int j = 0; j < 4; ++j) {
            const double t = std::fabs(a[i][j]);
            if (t > big)
                big = t;
        }
        // A row of zeros makes the matrix singular; the zero pivot below is replaced,
        // so give the row a neutral scale instead of dividing by zero.
        scale[i] = big == 0.0 ? 1.0 : 1.0 / big;
    }
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < j; ++i) {
            double sum = a[i][j];
            for (int k = 0; k < i; ++k)
                sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
        }
        double big = 0.0;
        int imax = j;
        for (int i = j; i < 4; ++i) {
            double sum = a[i][j];
            for (int k = 0; k < j; ++k)
                sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
            const double merit = scale[i] * std::fabs(sum);
            if (merit >= big) {
                big = merit;
                imax = i;
            }
        }
        if (j != imax) {
            for (int k = 0; k < 4; ++k)
                std::swap(a[imax][k], a[j][k]);
            scale[imax] = scale[j];
        }
        index[j] = imax;
        if (a[j][j] == 0.0)
            a[j][j] = 1.0e-20;
        if (j != 3) {
            const double inv = 1.0 / a[j][j];
            for (int i = j + 1; i < 4; ++i)
                a[i][j] *= inv;
        }
    }
}

void LuBackSubstitute(const Work a, const int index[4], double b[4])
{
    int first = -1;
    for (int i = 0; i < 4; ++i) {
        const int ip = index[i];
        double sum = b[ip];
        b[ip] = b[i];
        if (first >= 0) {
            for (int k = first; k < i; ++k)
                sum -= a[i][k] * b[k];
        } else if (sum != 0.0) {
            first = i;
        }
        b[i] = sum;
    }
    for (int i = 3; i >= 0; --i) {
        double sum = b[i];
        for (int k = i + 1; k < 4; ++k)
            sum -= a[i][k] * b[k];
        b[i] = sum / a[i][i];
    }
}

}  // namespace

Matrix4 InvertMatrix(const Matrix4& m)
{
    Work a;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            a[i][j] = m(i, j);
    int index[4];
    LuDecompose(a, index);
    Matrix4 r;
    for (int c = 0; c < 4; ++c) {
        double b[4] = {0.0, 0.0, 0.0, 0.0};
        b[c] = 1.0;
        LuBackSubstitute(a, index, b);
        for (int row = 0; row < 4; ++row)
            r(row, c) = static_cast<float>(b[row]);
    }
    return r;
}

float RoundToStep(float v, float k) { return static_cast<float>(std::round(static_cast<double>(v) * k) / k); }

void CleanTexCoords(float& u, float& v)
{
    auto clean = [](float x) {
        float r = static_cast<float>(std::round(static_cast<double>(x) * 100000.0) / 100000.0);
        return std::fabs(r) < 0.001f ? 0.0f : r;
    };
    u = clean(u);
    v = clean(v);
}

float PrintedValue(float x, int decimals, int steps)
{
    if (!std::isfinite(x))
        return x;
    static constexpr double kScales[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    const double scale = kScales[std::clamp(decimals, 0, 9)];
    // A float times a power of ten up to 1e9 is exact in a double, so the rounding (to the
    // even neighbour on a tie, as the printing does) is the printed decimal's.
    double units = static_cast<double>(x) * scale;
    // To the nearest whole number, halves to the even one (nearbyint's rounding, inline:
    // the sum's last place is the units' place).
    if (std::fabs(units) < 0x1p51)
        units = std::copysign(units + 0x1.8p52 - 0x1.8p52, units);
    if (steps != 0)  // (adding 0 would turn "-0" into 0)
        units += steps;
    // The float nearest to units / scale, ties to the even one, as a reader finds it. The
    // double quotient rounds to that float unless it lies within a hair of halfway between
    // two floats (its 29 bits below a float's precision near 1000...0); only then, and for
    // values out of the normal floats' range, may the double rounding land one float off,
    // and the neighbours are weighed.
    const double quotient = units / scale;
    const float first = static_cast<float>(quotient);
    const uint64_t below = std::bit_cast<uint64_t>(quotient) & ((uint64_t{1} << 29) - 1);
    constexpr uint64_t kHalf = uint64_t{1} << 28;
    const double magnitude = std::fabs(quotient);
    if ((below + 8 < kHalf || below > kHalf + 8) && magnitude >= 2.0 * FLT_MIN && magnitude < 0.5 * FLT_MAX)
        return first;
    float best = first;
    double bestDistance = std::fabs(static_cast<double>(first) * scale - units);
    for (const float c : {std::nextafter(first, -HUGE_VALF), std::nextafter(first, HUGE_VALF)}) {
        const double d = std::fabs(static_cast<double>(c) * scale - units);
        if (d < bestDistance || (d == bestDistance && (std::bit_cast<uint32_t>(c) & 1u) == 0)) {
            best = c;
            bestDistance = d;
        }
    }
    return best;
}

float LineParameter(const Vec3& p0, const Vec3& p1, const Vec3& q)
{
    const Vec3 d = p1 - p0;
    const float ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
    if (ay < ax && az < ax)
        return (q.x - p0.x) / d.x;
    if (ax < ay && az < ay)
        return (q.y - p0.y) / d.y;
    if (az > 0.0f)
        return (q.z - p0.z) / d.z;
    return 0.0f;
}

uint32_t ToDeviceColor(uint32_t bgr)
{
    const uint32_t r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

}  // namespace orv
