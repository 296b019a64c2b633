#include "edit/primitives.h"

#include <cmath>
#include <vector>

#include "edit/materials.h"
#include "edit/texture_tool.h"
#include "view/camera.h"
#include "view/hierarchy.h"

namespace orv {

namespace {

constexpr float kPiF = 3.1415927f;

std::string RangeMessage(const char* field, double lo, double hi)
{
    auto number = [](double v) {
        std::string s = std::to_string(v);
        s.erase(s.find_last_not_of('0') + 1);
        if (!s.empty() && s.back() == '.')
            s.pop_back();
        return s;
    };
    return std::string(field) + " must lie between " + number(lo) + " and " + number(hi) + ".";
}

// The dialogs hold 32-bit floats: 0.01 typed is the float nearest 0.01, which must pass.
bool In(double v, double lo, double hi)
{
    const auto f = static_cast<float>(v);
    return f >= static_cast<float>(lo) && f <= static_cast<float>(hi);
}

// A corner record at world point p: colour word with all bits set, brought into the
// mesh's coordinates, its texture coordinates u, v (in texture units) counted in the
// texels of size.
VertexRecord Corner(const Vec3& p, float u, float v, const Matrix4& toMesh, const TextureSize& size)
{
    VertexRecord r;
    r.SetPosition(TransformPoint(p, toMesh));
    r.color = 0xFFFFFFFFu;
    r.u = u * static_cast<float>(size.width);
    r.v = v * static_cast<float>(size.height);
    return r;
}

// The size of the style's material: what the new faces' texture coordinates and the
// tool's scales are measured against (1 x 1 without a material or when unknown).
TextureSize StyleTextureSize(const CModel& model, const NewFaceStyle& style, const TextureSizeFn& textureSize)
{
    const auto index = style.material.empty() ? std::nullopt : FindModelMaterial(model, style.material);
    if (!index || !textureSize)
        return {};
    const auto size = textureSize(model.materials[*index]);
    return size && size->width > 0 && size->height > 0 ? *size : TextureSize{};
}

// A new face as every builder makes it: the style's name and material (its texture size
// for the tool's scales), flags 0, textured, Gouraud lit, perspective-corrected.
CFace NewFace(const CModel& model, const NewFaceStyle& style, const TextureSize& size)
{
    CFace f;
    f.name = style.faceName;
    f.geometryMode = 4;
    f.lightingMode = 3;
    f.textureMode = 2;
    f.uScale = f.vScale = 1.0f;
    if (const auto index = style.material.empty() ? std::nullopt : FindModelMaterial(model, style.material)) {
        f.material = static_cast<int32_t>(*index);
        f.uScale = static_cast<float>(size.width) / 2.0f;
        f.vScale = static_cast<float>(size.height) / 2.0f;
    }
    return f;
}

// The prism shared by the box and the cylinder: two end faces from the corner records of
// each end (corner j of one end opposite corner j of the other), then a side face per
// edge whose texture continues the first end's.
void BuildPrism(CModel& model, CMesh& mesh, const std::vector<VertexRecord>& first,
                const std::vector<VertexRecord>& second, const NewFaceStyle& style, const TextureSize& size)
{
    const auto n = static_cast<int32_t>(first.size());
    auto endA = NewFace(model, style, size);
    auto endB = NewFace(model, style, size);
    for (int32_t j = 0; j < n; ++j) {
        endA.corners.insert(endA.corners.begin(), first[static_cast<std::size_t>(j)]);
        endB.corners.push_back(second[static_cast<std::size_t>(j)]);
    }
    endA.ComputeFaceNormal();
    endB.ComputeFaceNormal();
    const CFace& base = endA;
    std::vector<CFace> sides;
    for (int32_t k = 0; k < n; ++k) {
        const int32_t c = n - 1 - k, cp = (c - 1 + n) % n;
        auto side = base;
        ClearLists(side);
        side.corners.clear();
        side.corners = {second[static_cast<std::size_t>(c)], second[static_cast<std::size_t>(cp)],
                        first[static_cast<std::size_t>(cp)], first[static_cast<std::size_t>(c)]};
        side.ComputeFaceNormal();
        TransferTexture(side, base, size, size);
        sides.push_back(std::move(side));
    }
    mesh.faces.push_back(std::move(endA));
    mesh.faces.push_back(std::move(endB));
    for (auto& s : sides)
        mesh.faces.push_back(std::move(s));
}

Matrix4 MeshWorld(const CModel& model, int32_t mesh) { return MeshModelMatrix(model, mesh) * model.modelMatrix; }

CameraFrame FrameOf(Camera& camera)
{
    camera.UpdateViewInfo();
    return {camera.lookPoint, camera.direction, camera.up};
}

}  // namespace

std::string CheckBoxSize(const BoxSize& s)
{
    if (!In(s.width, 0.01, 100))
        return RangeMessage("The width", 0.01, 100);
    if (!In(s.depth, 0.01, 100))
        return RangeMessage("The depth", 0.01, 100);
    if (!In(s.height, 0.01, 100))
        return RangeMessage("The height", 0.01, 100);
    return {};
}

std::string CheckCylinderSize(const CylinderSize& s)
{
    if (!In(s.sides, 3, 24))
        return RangeMessage("The number of sides", 3, 24);
    if (!In(s.radius, 0.01, 1))
        return RangeMessage("The radius", 0.01, 1);
    if (!In(s.length, 0.01, 1))
        return RangeMessage("The length", 0.01, 1);
    return {};
}

std::string CheckDomeSize(const DomeSize& s)
{
    if (!In(s.height, 0.01, 100))
        return RangeMessage("The height", 0.01, 100);
    if (!In(s.radius, 0.01, 1))
        return RangeMessage("The radius", 0.01, 1);
    if (!In(s.sides, 3, 50))
        return RangeMessage("The number of sides", 3, 50);
    if (!In(s.rings, 1, 100))
        return RangeMessage("The number of rings", 1, 100);
    if (!In(s.textureScale, 1, 16))
        return RangeMessage("The texture scale", 1, 16);
    return {};
}

std::string DefaultPrimitiveMaterial(const EditContext& c)
{
    if (const CFace* face = c.selection ? c.selection->CurrentFace(c.model()) : nullptr) {
        if (face->material >= 0 && static_cast<std::size_t>(face->material) < c.model().materials.size())
            return c.model().materials[static_cast<std::size_t>(face->material)];
        return {};
    }
    return c.model().materials.empty() ? std::string() : c.model().materials.front();
}

void BuildBox(CModel& model, CMesh& mesh, const Matrix4& meshWorld, const CameraFrame& frame, const BoxSize& size,
              const NewFaceStyle& style, const TextureSizeFn& textureSize)
{
    const Matrix4 toMesh = InvertMatrix(meshWorld);
    const TextureSize texels = StyleTextureSize(model, style, textureSize);
    const Vec3& w = frame.direction;
    const Vec3& u = frame.up;
    const Vec3 p0 = frame.look + size.width * w;
    const Vec3 cross[4] = {
        p0 - 0.5f * size.depth * w - 0.5f * size.height * u, p0 - 0.5f * size.depth * w + 0.5f * size.height * u,
        p0 + 0.5f * size.depth * w + 0.5f * size.height * u, p0 + 0.5f * size.depth * w - 0.5f * size.height * u};
    std::vector<VertexRecord> first, second;
    for (int j = 0; j < 4; ++j) {
        const float a = static_cast<float>(j) * kPiF / 2.0f + kPiF / 4.0f;
        const Vec3& c = cross[j];
        first.push_back(Corner({c.x - size.width / 2.0f, c.y, c.z}, std::cos(a), std::sin(a), toMesh, texels));
        second.push_back(Corner({c.x + size.width / 2.0f, c.y, c.z}, std::cos(a), std::sin(a), toMesh, texels));
    }
    BuildPrism(model, mesh, first, second, style, texels);
}

void BuildCylinder(CModel& model, CMesh& mesh, const Matrix4& meshWorld, const CameraFrame& frame,
                   const CylinderSize& size, const NewFaceStyle& style, const TextureSizeFn& textureSize)
{
    const Matrix4 toMesh = InvertMatrix(meshWorld);
    const TextureSize texels = StyleTextureSize(model, style, textureSize);
    const int32_t n = size.sides;
    const Vec3& w = frame.direction;
    const Vec3& u = frame.up;
    const Vec3 r = Cross(w, u);
    const Vec3 p0 = frame.look + size.radius * w;
    const float s = 2.0f * kPiF / static_cast<float>(n);
    // The radius is the width across flats: the middle of each side lies r/2 off the axis.
    const float d = size.radius * 0.5f / std::cos(s / 2.0f);
    std::vector<VertexRecord> first, second;
    for (int32_t j = 0; j < n; ++j) {
        const float a = s / 2.0f + static_cast<float>(j) * s;
        const Vec3 o = u * (std::sin(a) * d) + r * (std::cos(a) * d);
        // The axis runs along the model's x axis; the offset's x goes into z.
        first.push_back(
            Corner({p0.x - size.length / 2.0f, p0.y - o.y, p0.z - o.x}, std::cos(a), std::sin(a), toMesh, texels));
        second.push_back(
            Corner({p0.x + size.length / 2.0f, p0.y - o.y, p0.z - o.x}, std::cos(a), std::sin(a), toMesh, texels));
    }
    BuildPrism(model, mesh, first, second, style, texels);
}

void BuildDome(CModel& model, CMesh& mesh, const Matrix4& meshWorld, const CameraFrame& frame, const DomeSize& size,
               const NewFaceStyle& style, const TextureSizeFn& textureSize)
{
    const Matrix4 toMesh = InvertMatrix(meshWorld);
    const TextureSize texels = StyleTextureSize(model, style, textureSize);
    const int32_t n = size.sides, m = size.rings;
    const Vec3& w = frame.direction;
    const Vec3& u = frame.up;
    const Vec3 rv = Cross(w, u);
    const Vec3 p0 = frame.look + size.radius * w;
    const float s = 2.0f * kPiF / static_cast<float>(n);
    const float ts = size.textureScale;
    auto dir = [&](float x) { return u * std::sin(x) + rv * std::cos(x); };
    // Only the faces are pushed here: nothing is read back from the mesh meanwhile.
    mesh.faces.reserve(mesh.faces.size() + static_cast<std::size_t>(n) * static_cast<std::size_t>(m));
    float lowerY = p0.y - size.height / 2.0f;
    for (int32_t j = 0; j < m; ++j) {
        const float phi = static_cast<float>(j) * (kPiF / 2.0f) / static_cast<float>(m);
        const float phiUp = static_cast<float>(j + 1) * (kPiF / 2.0f) / static_cast<float>(m);
        const float rl = size.radius * std::cos(phi), ru = size.radius * std::cos(phiUp);
        const float upperY = lowerY + (size.height / static_cast<float>(m)) * std::cos(phi);
        const float vl = ts * std::cos(phi), vu = ts * std::cos(phiUp);
        const bool top = j == m - 1;
        for (int32_t k = 0; k < n; ++k) {
            const float a = s / 2.0f + static_cast<float>(k) * s;
            const float a2 = s / 2.0f + static_cast<float>((k + 1) % n) * s;
            const float ua = static_cast<float>(k) * ts / static_cast<float>(n);
            const float ua2 = static_cast<float>(k + 1) * ts / static_cast<float>(n);
            // The rings lie in the model's x-z plane: z takes the direction's y.
            auto ring = [&](float radius, float y, float angle) {
                const Vec3 dv = dir(angle);
                return Vec3{p0.x - radius * dv.x, y, p0.z - radius * dv.y};
            };
            const VertexRecord lowerA = Corner(ring(rl, lowerY, a), ua, vl, toMesh, texels);
            const VertexRecord lowerA2 = Corner(ring(rl, lowerY, a2), ua2, vl, toMesh, texels);
            const VertexRecord upperA =
                Corner(top ? Vec3{p0.x, upperY, p0.z} : ring(ru, upperY, a), ua, vu, toMesh, texels);
            auto face = NewFace(model, style, texels);
            face.corners.push_back(lowerA2);
            if (!top)
                face.corners.push_back(Corner(ring(ru, upperY, a2), ua2, vu, toMesh, texels));
            face.corners.push_back(upperA);
            face.corners.push_back(lowerA);
            face.ComputeFaceNormal();
            mesh.faces.push_back(std::move(face));
        }
        lowerY = upperY;
    }
}

const char* WhyNotCreatePrimitive(const EditContext& c)
{
    if (c.modes().meshMode)
        return "Shapes are added to the current mesh outside Mesh Mode: leave Mesh Mode first";
    return HasCurrentMesh(c) ? nullptr : "A shape is added to the current mesh: click a face of the mesh first";
}

namespace {

template <typename Size, typename Build>
void Create(EditContext& c, const Size& size, const NewFaceStyle& style, Build build)
{
    const int32_t index = c.selection->currentMesh;
    CMesh& mesh = *c.selection->CurrentMesh(c.model());
    build(c.model(), mesh, MeshWorld(c.model(), index), FrameOf(*c.camera), size, style, c.TextureSizes());
}

}  // namespace

EditOutcome CreatePrimitive(EditContext& c, const PrimitiveParams& p)
{
    if (WhyNotCreatePrimitive(c) || !c.camera)
        return {};
    std::string problem;
    switch (p.shape) {
    case PrimitiveShape::Box: problem = CheckBoxSize(p.box); break;
    case PrimitiveShape::Cylinder: problem = CheckCylinderSize(p.cylinder); break;
    case PrimitiveShape::Dome: problem = CheckDomeSize(p.dome); break;
    }
    if (!problem.empty())
        return EditOutcome::Refused(std::move(problem));
    switch (p.shape) {
    case PrimitiveShape::Box: Create(c, p.box, p.style, BuildBox); break;
    case PrimitiveShape::Cylinder: Create(c, p.cylinder, p.style, BuildCylinder); break;
    case PrimitiveShape::Dome: Create(c, p.dome, p.style, BuildDome); break;
    }
    return EditOutcome::Changed(kModelChanged | kTexturesChanged);
}

}  // namespace orv
