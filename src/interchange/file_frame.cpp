#include "interchange/file_frame.h"

#include <assimp/scene.h>

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace orv {

namespace {

// FBX states lengths in centimetres per unit.
constexpr double kMetresPerCentimetre = 0.01;

const char* AxisName(int index, int sign)
{
    static const char* const kNames[2][3] = {{"-x", "-y", "-z"}, {"+x", "+y", "+z"}};
    return kNames[sign > 0 ? 1 : 0][index];
}

template <typename T>
std::optional<T> Meta(const aiScene& scene, const char* key)
{
    T value{};
    if (scene.mMetaData && scene.mMetaData->Get(key, value))
        return value;
    return std::nullopt;
}

std::optional<double> MetaNumber(const aiScene& scene, const char* key)
{
    if (const auto f = Meta<float>(scene, key))
        return *f;
    if (const auto d = Meta<double>(scene, key))
        return *d;
    if (const auto i = Meta<int32_t>(scene, key))
        return *i;
    return std::nullopt;
}

// The file's axis (index and sign) that a y-up rotation takes to +y: its row 1.
std::string UpOf(const Matrix3d& axes)
{
    for (int i = 0; i < 3; ++i)
        if (std::fabs(axes[1][i]) > 0.5)
            return AxisName(i, axes[1][i] > 0 ? 1 : -1);
    return "?";
}

bool IsIdentity(const Matrix3d& m, double tolerance)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (std::fabs(m[r][c] - (r == c ? 1.0 : 0.0)) > tolerance)
                return false;
    return true;
}

void NoteUnit(FileFrame& frame, double metres)
{
    if (std::fabs(metres - 1.0) < 1e-9)
        return;
    frame.notes.push_back("the file's unit, " + UnitName(metres) + ", converted to metres");
}

void FbxFrame(const aiScene& scene, FileFrame& frame)
{
    // UnitScaleFactor: centimetres per unit; 1 when the file leaves it out.
    if (const auto factor = MetaNumber(scene, "UnitScaleFactor")) {
        if (std::isfinite(*factor) && *factor > 0.0) {
            frame.toMetres = *factor * kMetresPerCentimetre;
            NoteUnit(frame, frame.toMetres);
        } else {
            frame.notes.push_back("the file's unit is not a length: its numbers are taken as metres");
        }
    } else {
        frame.toMetres = kMetresPerCentimetre;
        NoteUnit(frame, frame.toMetres);
    }
    AxisSystem axes;
    auto read = [&scene](const char* key, int& value, bool index) {
        if (const auto v = Meta<int32_t>(scene, key)) {
            if (index ? (*v >= 0 && *v <= 2) : (*v == 1 || *v == -1))
                value = *v;
            else
                value = -9;  // marks the system as unusable
        }
    };
    read("UpAxis", axes.up, true);
    read("UpAxisSign", axes.upSign, false);
    read("FrontAxis", axes.front, true);
    read("FrontAxisSign", axes.frontSign, false);
    read("CoordAxis", axes.right, true);
    read("CoordAxisSign", axes.rightSign, false);
    const auto rotation = AxesToYUp(axes);
    if (!rotation) {
        frame.notes.push_back("the file's axis system is not a right-handed one: its axes are taken as y up");
        return;
    }
    frame.axes = *rotation;
    if (!IsIdentity(frame.axes, 1e-12))
        frame.notes.push_back(std::string("the file's up axis, ") + AxisName(axes.up, axes.upSign) +
                              ", turned to stand upright");
}

void RootFrame(const aiScene& scene, FileFrame& frame)
{
    // The reader puts the unit and the up axis into the root's transform, and into
    // nothing else: the root is the file's scene (Collada) or a node of the reader's own
    // (3DS, always z up), which has no transform of its own.
    if (!scene.mRootNode)
        return;
    const aiMatrix4x4& t = scene.mRootNode->mTransformation;
    const Matrix3d m{{{t.a1, t.a2, t.a3}, {t.b1, t.b2, t.b3}, {t.c1, t.c2, t.c3}}};
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (!(det > 0.0) || !std::isfinite(det))
        return;
    const double metres = std::cbrt(det);
    Matrix3d rotation{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            rotation[r][c] = m[r][c] / metres;
    // A unit and a turn between the axes, nothing else: otherwise left where it is.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const double dot =
                rotation[r][0] * rotation[c][0] + rotation[r][1] * rotation[c][1] + rotation[r][2] * rotation[c][2];
            if (std::fabs(dot - (r == c ? 1.0 : 0.0)) > 1e-6)
                return;
        }
    if (t.a4 != 0 || t.b4 != 0 || t.c4 != 0)
        return;
    frame.toMetres = metres;
    frame.axes = rotation;
    frame.rootIsFrame = true;
    NoteUnit(frame, metres);
    if (!IsIdentity(rotation, 1e-6))
        frame.notes.push_back("the file's up axis, " + UpOf(rotation) + ", turned to stand upright");
}

}  // namespace

std::optional<Matrix3d> AxesToYUp(const AxisSystem& a)
{
    const int index[3] = {a.right, a.up, a.front};
    const int sign[3] = {a.rightSign, a.upSign, a.frontSign};
    Matrix3d m{};
    for (int row = 0; row < 3; ++row) {
        if (index[row] < 0 || index[row] > 2 || (sign[row] != 1 && sign[row] != -1))
            return std::nullopt;
        m[row][index[row]] = sign[row];
    }
    // Rows of a signed permutation: a rotation when its determinant is +1.
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (det != 1.0)
        return std::nullopt;
    return m;
}

std::string UnitName(double metres)
{
    static const struct {
        double metres;
        const char* name;
    } kUnits[] = {{0.001, "millimetres"}, {0.01, "centimetres"}, {0.0254, "inches"}, {0.1, "decimetres"},
                  {0.3048, "feet"},       {0.9144, "yards"},     {1.0, "metres"},    {1000.0, "kilometres"}};
    for (const auto& unit : kUnits)
        if (std::fabs(metres - unit.metres) <= 1e-6 * unit.metres)
            return unit.name;
    char text[48];
    std::snprintf(text, sizeof text, "units of %g m", metres);
    return text;
}

bool StatesUpAxis(const std::string& extension)
{
    return extension == "gltf" || extension == "glb" || extension == "dae" || extension == "zae" ||
           extension == "fbx" || extension == "3ds";
}

FileFrame FrameOf(const aiScene& scene, const std::string& extension, UpAxis up)
{
    FileFrame frame;
    if (extension == "fbx")
        FbxFrame(scene, frame);
    else if (extension == "dae" || extension == "zae" || extension == "3ds")
        RootFrame(scene, frame);
    if (up == UpAxis::Z) {
        if (StatesUpAxis(extension)) {
            frame.notes.push_back("the file states its own up axis: the choice of z up is not applied");
        } else {
            // +z up, -y to the front: (x, y, z) becomes (x, z, -y).
            frame.axes = {{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}};
            frame.notes.push_back("the file's +z taken as up");
        }
    }
    return frame;
}

}  // namespace orv
