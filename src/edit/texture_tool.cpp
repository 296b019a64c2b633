#include "edit/texture_tool.h"

#include <bit>
#include <cmath>
#include <optional>
#include <tuple>
#include <vector>

#include "edit/selection.h"
#include "edit/view_commands.h"

namespace orv {

namespace {

constexpr double kPiD = 3.1415927;  // as the tool has always used it

struct D3 {
    double x = 0, y = 0, z = 0;
};
D3 ToD(const Vec3& v) { return {v.x, v.y, v.z}; }
D3 operator-(const D3& a, const D3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(const D3& a, const D3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double Length(const D3& a) { return std::sqrt(Dot(a, a)); }

int32_t Count(const CFace& face) { return static_cast<int32_t>(face.corners.size()); }
const VertexRecord& Vertex(const CFace& face, int32_t k) { return *FaceVertex(face, k); }
VertexRecord& Vertex(CFace& face, int32_t k) { return *FaceVertex(face, k); }

// Twice the face's area (the length of its Newell normal).
double DoubleArea(const CFace& face)
{
    D3 n;
    const std::size_t count = face.corners.size();
    for (std::size_t i = 0; i < count; ++i) {
        const D3 a = ToD(face.corners[i].Position()), b = ToD(face.corners[(i + 1) % count].Position());
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return Length(n);
}

}  // namespace

TextureLayout TextureLayoutOf(const CFace& face)
{
    return {face.startVertex, face.angle, face.uOffset, face.vOffset, face.uScale, face.vScale, face.mirror != 0};
}

void StoreTextureLayout(CFace& face, const TextureLayout& layout)
{
    face.startVertex = layout.startVertex;
    face.angle = layout.angle;
    face.uOffset = layout.uOffset;
    face.vOffset = layout.vOffset;
    face.uScale = layout.uScale;
    face.vScale = layout.vScale;
    face.mirror = layout.mirror ? 1u : 0u;
}

std::string TextureLayoutProblem(const CFace& face, int32_t startVertex)
{
    const int32_t n = Count(face);
    if (n < 3)
        return "The face has fewer than three corners: its texture cannot be laid out.";
    if (!(DoubleArea(face) > 1e-12))
        return "The face has no area: its texture cannot be laid out.";
    if (startVertex < 0 || startVertex >= n)
        return "The start vertex must be one of the face's vertices (0 to " + std::to_string(n - 1) + ").";
    const Vec3 s = Vertex(face, startVertex).Position();
    const Vec3 p = Vertex(face, startVertex == 0 ? n - 1 : startVertex - 1).Position();
    if (s == p)
        return "The start vertex lies on the vertex before it: choose another start vertex.";
    return {};
}

bool ApplyTextureLayout(CFace& face, const TextureLayout& layout, const TextureSize& size)
{
    if (!TextureLayoutProblem(face, layout.startVertex).empty())
        return false;
    const int32_t n = Count(face);
    const int32_t s = layout.startVertex;
    const D3 start = ToD(Vertex(face, s).Position());
    const D3 along = ToD(Vertex(face, s == 0 ? n - 1 : s - 1).Position()) - start;
    const double alongLength = Length(along);

    // Unfold: each vertex's flat point, from its distance to the start vertex and the
    // angle its direction makes with the edge to the start's predecessor.
    std::vector<std::pair<double, double>> flat(static_cast<std::size_t>(n));
    for (int32_t k = 0; k < n; ++k) {
        const D3 to = ToD(Vertex(face, k).Position()) - start;
        const double d = Length(to);
        if (d == 0.0)
            continue;
        double c = Dot(along, to) / (alongLength * d);
        if (layout.mirror)
            c = -c;
        if (std::fabs(c) < 1.0e-6)
            c = 0.0;
        const double x = c * d;
        const double y = std::fabs(d - x) < 1.0e-9 ? 0.0 : std::sqrt(std::max(0.0, d * d - x * x));
        flat[static_cast<std::size_t>(k)] = {layout.uScale * y, layout.vScale * x};
    }

    // Turn about the start vertex and offset; nothing is stored unless every value is
    // a number.
    const double theta = layout.angle * kPiD / 180.0;
    std::vector<std::pair<float, float>> uv(static_cast<std::size_t>(n));
    for (int32_t k = 0; k < n; ++k) {
        const auto [a, b] = flat[static_cast<std::size_t>(k)];
        const double phi = std::atan2(b, a), r = std::sqrt(a * a + b * b);
        float u = static_cast<float>(std::cos(phi + theta) * r + layout.uOffset);
        float v = static_cast<float>(std::sin(phi + theta) * r + layout.vOffset);
        CleanTexCoords(u, v);
        if (!std::isfinite(u) || !std::isfinite(v))
            return false;
        uv[static_cast<std::size_t>(k)] = {u, v};
    }
    for (int32_t k = 0; k < n; ++k) {
        Vertex(face, k).u = uv[static_cast<std::size_t>(k)].first * static_cast<float>(size.width);
        Vertex(face, k).v = uv[static_cast<std::size_t>(k)].second * static_cast<float>(size.height);
    }
    return true;
}

int32_t RelayStoredTextures(CMesh& mesh, const CFace* current, bool faceMode, bool meshMode,
                            const std::function<TextureSize(const CFace&)>& sizeOf)
{
    int32_t count = 0;
    for (auto& f : mesh.faces) {
        const bool chosen = meshMode || &f == current || (faceMode && current && InFaceGroup(f, *current));
        const TextureLayout stored = TextureLayoutOf(f);
        if (!chosen || stored.uScale == 0.0f || stored.vScale == 0.0f)
            continue;
        if (ApplyTextureLayout(f, stored, sizeOf(f)))
            ++count;
    }
    return count;
}

// ---- the commands ------------------------------------------------------------------------

const char* WhyNotRelayTextures(const EditContext& c)
{
    if (HasCurrentMesh(c) && (c.modes().meshMode || HasCurrentFace(c)))
        return nullptr;
    return "Update Vertices needs a current face, or a current mesh in Mesh Mode";
}

EditOutcome RelayTextures(EditContext& c)
{
    if (WhyNotRelayTextures(c))
        return {};
    CMesh& mesh = *c.selection->CurrentMesh(c.model());
    const CFace* face = c.modes().meshMode ? nullptr : c.selection->CurrentFace(c.model());
    const CModel& model = c.model();
    const TextureSizeFn sizes = c.TextureSizes();
    if (RelayStoredTextures(mesh, face, c.modes().faceMode, c.modes().meshMode,
                            [&](const CFace& f) { return FaceTextureSize(model, f, sizes); }) == 0)
        return {};
    return EditOutcome::Changed(kModelChanged);
}

EditOutcome LayOutTexture(EditContext& c, const TextureLayoutParams& p)
{
    CFace* face = c.selection ? c.selection->CurrentFace(c.model()) : nullptr;
    if (!face)
        return {};
    if (std::string problem = TextureLayoutProblem(*face, p.layout.startVertex); !problem.empty())
        return EditOutcome::Refused(std::move(problem));
    if (!ApplyTextureLayout(*face, p.layout, FaceTextureSize(c.model(), *face, c.TextureSizes())))
        return {};
    if (p.store)
        StoreTextureLayout(*face, p.layout);
    return EditOutcome::Changed(kModelChanged);
}

// ---- texture transfer ------------------------------------------------------------------

namespace {

constexpr double kOnLine = 1.0e-5;

// Distance of x from the infinite line through a and b, and the foot of its perpendicular.
struct LinePoint {
    double distance = 0;
    D3 foot;
};
LinePoint OnLine(const D3& a, const D3& b, const D3& x)
{
    const D3 d = b - a;
    const double len2 = Dot(d, d);
    const double t = len2 > 0 ? Dot(x - a, d) / len2 : 0.0;
    const D3 foot{a.x + d.x * t, a.y + d.y * t, a.z + d.z * t};
    return {Length(x - foot), foot};
}

// The first edge (i, i+1) of the target lying on one line with an edge (j-1, j) of the
// source, which runs the other way round (as neighbouring faces list a shared edge).
struct SharedEdge {
    int32_t i = -1;
    int32_t a = -1;  // source vertex j-1
    int32_t b = -1;  // source vertex j
};
std::optional<SharedEdge> FindSharedEdge(const CFace& target, const CFace& source)
{
    const int32_t n = Count(target), m = Count(source);
    for (int32_t i = 0; i < n; ++i) {
        const D3 t0 = ToD(Vertex(target, i).Position()), t1 = ToD(Vertex(target, (i + 1) % n).Position());
        if (Length(t1 - t0) == 0.0)
            continue;
        for (int32_t j = 0; j < m; ++j) {
            const int32_t jp = j == 0 ? m - 1 : j - 1;
            const D3 s0 = ToD(Vertex(source, jp).Position()), s1 = ToD(Vertex(source, j).Position());
            if (Length(s1 - s0) == 0.0 || Dot(s0 - s1, t1 - t0) <= 0.0)
                continue;
            const bool sourceOnTarget = OnLine(t0, t1, s0).distance < kOnLine && OnLine(t0, t1, s1).distance < kOnLine;
            const bool targetOnSource = OnLine(s0, s1, t0).distance < kOnLine && OnLine(s0, s1, t1).distance < kOnLine;
            if (sourceOnTarget || targetOnSource)
                return SharedEdge{i, jp, j};
        }
    }
    return std::nullopt;
}

float Tiny(float x) { return std::fabs(x) < 1.0e-5f ? 0.0f : x; }

// The tool's parameters that describe the transferred coordinates.
void SetParametersFrom(CFace& target, const CFace& source)
{
    const int32_t n = Count(target);
    int32_t start = 0;
    double smallest = 1.0e11;
    for (int32_t k = 0; k < n; ++k) {
        const VertexRecord& v = Vertex(target, k);
        const double d = double(v.u) * v.u + double(v.v) * v.v;
        if (d < smallest) {
            smallest = d;
            start = k;
        }
    }
    const VertexRecord& s = Vertex(target, start);
    const VertexRecord& next = Vertex(target, (start + 1) % n);
    const double du = next.u - s.u, dv = next.v - s.v;
    double a = std::atan2(dv, du);
    if (du > 0 && dv > 0)
        a += kPiD / 2;
    else if (du > 0 && dv < 0)
        a = -a;
    else if (du < 0 && dv > 0)
        a = 2 * kPiD - a;
    else if (du < 0 && dv < 0)
        a = kPiD - a;
    else if (du == 0 && dv > 0)
        a -= kPiD / 2;
    else if (du == 0 && dv < 0)
        a += kPiD / 2;
    if (std::fabs(a) < 0.0001)
        a = 0;
    target.startVertex = start;
    target.uOffset = s.u;
    target.vOffset = s.v;
    target.uScale = source.uScale;
    target.vScale = source.vScale;
    target.angle = static_cast<float>(a * 180.0 / kPiD);
}

// The face with its corners' u and v in texture units.
CFace InTextureUnits(const CFace& face, const TextureSize& size)
{
    CFace units = face;
    for (auto& c : units.corners) {
        c.u /= static_cast<float>(size.width);
        c.v /= static_cast<float>(size.height);
    }
    return units;
}

// The transfer itself, on coordinates in texture units.
bool TransferInUnits(CFace& target, const CFace& source)
{
    if (Count(target) < 2 || Count(source) < 2)
        return false;
    const auto edge = FindSharedEdge(target, source);
    if (!edge)
        return false;
    const int32_t n = Count(target);
    const VertexRecord& ra = Vertex(source, edge->a);
    const VertexRecord& rb = Vertex(source, edge->b);
    const D3 a = ToD(ra.Position()), b = ToD(rb.Position());
    const Vec3 af = ra.Position(), bf = rb.Position();
    auto uvAt = [&](const Vec3& p) {
        const float t = LineParameter(af, bf, p);
        return std::pair(ra.u + (rb.u - ra.u) * t, ra.v + (rb.v - ra.v) * t);
    };

    // The edge's own two vertices.
    for (const int32_t k : {edge->i, (edge->i + 1) % n}) {
        VertexRecord& v = Vertex(target, k);
        const auto [u, w] = uvAt(v.Position());
        if (std::isfinite(u) && std::isfinite(w)) {
            v.u = Tiny(u);
            v.v = Tiny(w);
        }
    }

    // The source's vertex farthest from the edge's line gives the texture's spread.
    const VertexRecord* farthest = nullptr;
    double maxd = 0;
    LinePoint farOnLine;
    for (int32_t k = 0; k < Count(source); ++k) {
        const VertexRecord& v = Vertex(source, k);
        const LinePoint p = OnLine(a, b, ToD(v.Position()));
        if (p.distance > maxd) {
            maxd = p.distance;
            farthest = &v;
            farOnLine = p;
        }
    }

    for (int32_t step = 2; step < n; ++step) {
        VertexRecord& v = Vertex(target, (edge->i + step) % n);
        const D3 pk = ToD(v.Position());
        const LinePoint hk = OnLine(a, b, pk);
        float u = 0, w = 0;
        if (!farthest) {
            // A source without extent away from the edge: the vertex takes the
            // coordinates of its place along the edge.
            std::tie(u, w) = uvAt(v.Position());
        } else {
            const double t = maxd / (hk.distance + maxd);
            const D3 q{farOnLine.foot.x + (hk.foot.x - farOnLine.foot.x) * t,
                       farOnLine.foot.y + (hk.foot.y - farOnLine.foot.y) * t,
                       farOnLine.foot.z + (hk.foot.z - farOnLine.foot.z) * t};
            const auto [uq, vq] = uvAt(Vec3(static_cast<float>(q.x), static_cast<float>(q.y), static_cast<float>(q.z)));
            const double fq = Length(ToD(farthest->Position()) - q);
            const double whole = Length(pk - q) + fq;
            // The mapping runs from the far vertex through Q on to the vertex; with Q on
            // the far vertex itself there is no such line and the vertex takes Q's.
            const double r = whole > 0 && fq > 0 ? fq / whole : 1.0;
            u = static_cast<float>(farthest->u + (uq - farthest->u) / r);
            w = static_cast<float>(farthest->v + (vq - farthest->v) / r);
        }
        CleanTexCoords(u, w);
        if (std::isfinite(u) && std::isfinite(w)) {
            v.u = u;
            v.v = w;
        }
    }
    SetParametersFrom(target, source);
    return true;
}

}  // namespace

bool TransferTexture(CFace& target, const CFace& source, const TextureSize& targetSize, const TextureSize& sourceSize)
{
    const CFace before = InTextureUnits(target, targetSize);
    CFace after = before;
    if (!TransferInUnits(after, InTextureUnits(source, sourceSize)))
        return false;
    // Only what the transfer set goes back, so a coordinate it left keeps its exact texels.
    const auto w = static_cast<float>(targetSize.width), h = static_cast<float>(targetSize.height);
    for (std::size_t k = 0; k < target.corners.size(); ++k) {
        const VertexRecord &was = before.corners[k], &now = after.corners[k];
        if (std::bit_cast<uint32_t>(now.u) != std::bit_cast<uint32_t>(was.u))
            target.corners[k].u = now.u * w;
        if (std::bit_cast<uint32_t>(now.v) != std::bit_cast<uint32_t>(was.v))
            target.corners[k].v = now.v * h;
    }
    // The parameters that describe the coordinates (the mirror flag stays).
    const uint32_t mirror = target.mirror;
    StoreTextureLayout(target, TextureLayoutOf(after));
    target.mirror = mirror;
    return true;
}

}  // namespace orv
