// Vector and matrix library of the editor: 32-bit float values, row-vector convention
// (p' = p * M, translation in row 3), the element order of a Direct3D 7 matrix.
#pragma once

#include <array>
#include <cstdint>

namespace orv {

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr Vec3() = default;
    constexpr Vec3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}
    static constexpr Vec3 All(float s) { return {s, s, s}; }

    void Set(float ax, float ay, float az)
    {
        x = ax;
        y = ay;
        z = az;
    }
    Vec3& operator+=(const Vec3& b)
    {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    Vec3& operator-=(const Vec3& b)
    {
        x -= b.x;
        y -= b.y;
        z -= b.z;
        return *this;
    }
    Vec3& operator*=(float s)
    {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    bool operator==(const Vec3& b) const = default;
};

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(const Vec3& v, float s) { return {v.x * s, v.y * s, v.z * s}; }
inline Vec3 operator*(float s, const Vec3& v) { return {v.x * s, v.y * s, v.z * s}; }
inline Vec3 operator/(const Vec3& v, float s) { return {v.x / s, v.y / s, v.z / s}; }

// The model holds y and z exchanged against the game's files; the exchange is its own
// inverse, so this turns file axes into the model's and back.
constexpr Vec3 SwapFileAxes(const Vec3& v) { return {v.x, v.z, v.y}; }

float Dot(const Vec3& a, const Vec3& b);
float LengthSquared(const Vec3& v);
float Length(const Vec3& v);
// v / |v|. The caller passes a non-zero vector; a zero vector is returned unchanged
// rather than turned into NaNs.
Vec3 Normalize(const Vec3& v);
Vec3 Cross(const Vec3& a, const Vec3& b);
Vec3 Minimize(const Vec3& a, const Vec3& b);
Vec3 Maximize(const Vec3& a, const Vec3& b);

struct Matrix4 {
    // m[4 * row + column]
    std::array<float, 16> m{};

    float& operator()(int row, int col) { return m[static_cast<std::size_t>(4 * row + col)]; }
    float operator()(int row, int col) const { return m[static_cast<std::size_t>(4 * row + col)]; }
    bool operator==(const Matrix4& b) const = default;

    static Matrix4 Identity();
    static Matrix4 Zero();
    static Matrix4 Translation(const Vec3& t);
    static Matrix4 Scaling(float sx, float sy, float sz);
    static Matrix4 RotationX(float a);
    static Matrix4 RotationY(float a);
    static Matrix4 RotationZ(float a);
    // The camera's rotation from three angles (a, b, c).
    static Matrix4 RotationAngles(float a, float b, float c);
    static Matrix4 Perspective(float fov, float aspect, float nearPlane, float farPlane);
};

// A * B: with row vectors, p * (A * B) applies A first, then B.
Matrix4 operator*(const Matrix4& a, const Matrix4& b);

Vec3 TransformPoint(const Vec3& p, const Matrix4& m);
Vec3 TransformDirection(const Vec3& v, const Matrix4& m);
std::array<float, 4> Transform4(const std::array<float, 4>& v, const Matrix4& m);

// Inverse of a matrix built only from rotations and a translation.
Matrix4 InvertRigid(const Matrix4& m);
// General inverse by Crout's LU decomposition with implicit scaling.
Matrix4 InvertMatrix(const Matrix4& m);

// v * k rounded to a whole number (halves away from zero), divided by k.
float RoundToStep(float v, float k);
// Five decimals, and |x| < 0.001 becomes 0.
void CleanTexCoords(float& u, float& v);
// What x reads back as once written with the given number of decimals (0 to 9) as the
// game's text files are ("%.6f") and read again: the float nearest to the decimal printed,
// moved by steps units of its last decimal. Non-finite values stay as they are.
float PrintedValue(float x, int decimals, int steps = 0);
// Parameter of q along p0 -> p1, measured on the dominant axis of the segment.
float LineParameter(const Vec3& p0, const Vec3& p1, const Vec3& q);
// 0x00BBGGRR -> 0xFFRRGGBB.
uint32_t ToDeviceColor(uint32_t bgr);

inline constexpr float kPi = 3.1415927f;
inline float DegToRad(float deg) { return deg * 3.1415927f / 180.0f; }

}  // namespace orv
