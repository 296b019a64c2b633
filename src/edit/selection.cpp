#include "edit/selection.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace orv {

const std::array<uint16_t, 36> kMarkerIndices = {0, 3, 2, 0, 2, 1, 3, 7, 6, 3, 6, 2, 4, 5, 6, 4, 6, 7,
                                                 0, 1, 5, 0, 5, 4, 0, 4, 7, 0, 7, 3, 2, 6, 5, 2, 5, 1};

std::array<VertexRecord, 8> NodeMarker::Vertices() const
{
    std::array<VertexRecord, 8> v = UnitCubeCorners();
    for (auto& r : v) {
        r.SetPosition(r.Position() * halfSize + position);
        r.color = color;
    }
    return v;
}

VertexRecord* FaceVertex(CFace& face, int32_t i)
{
    const auto n = static_cast<int32_t>(face.corners.size());
    if (i < 0 || i >= n)
        return nullptr;
    return &face.corners[static_cast<std::size_t>(n - 1 - i)];
}

const VertexRecord* FaceVertex(const CFace& face, int32_t i) { return FaceVertex(const_cast<CFace&>(face), i); }

bool InFaceGroup(const CFace& face, const CFace& current)
{
    return &face == &current || (!current.name.empty() && face.name == current.name);
}

std::vector<std::size_t> FaceGroup(const CMesh& mesh, int32_t current)
{
    std::vector<std::size_t> out;
    if (current < 0 || static_cast<std::size_t>(current) >= mesh.faces.size())
        return out;
    const CFace& face = mesh.faces[static_cast<std::size_t>(current)];
    for (std::size_t i = 0; i < mesh.faces.size(); ++i)
        if (InFaceGroup(mesh.faces[i], face))
            out.push_back(i);
    return out;
}

// ---- rays --------------------------------------------------------------------------

std::optional<Ray> PickRay(int32_t x, int32_t y, int32_t surfaceWidth, int32_t surfaceHeight, const Matrix4& world,
                           const Matrix4& view, const Matrix4& projection)
{
    if (surfaceWidth <= 0 || surfaceHeight <= 0)
        return std::nullopt;
    const Matrix4 inv = InvertMatrix(world * view * projection);
    const float nx = 2.0f * static_cast<float>(x) / static_cast<float>(surfaceWidth) - 1.0f;
    const float ny = 1.0f - 2.0f * static_cast<float>(y) / static_cast<float>(surfaceHeight);
    const auto nearPoint = Transform4({nx, ny, 0.0f, 1.0f}, inv);
    const auto farPoint = Transform4({nx, ny, 1.0f, 1.0f}, inv);
    if (nearPoint[3] == 0.0f || farPoint[3] == 0.0f)
        return std::nullopt;
    const Vec3 o = Vec3{nearPoint[0], nearPoint[1], nearPoint[2]} / nearPoint[3];
    const Vec3 f = Vec3{farPoint[0], farPoint[1], farPoint[2]} / farPoint[3];
    const Vec3 d = Normalize(f - o);
    if (!std::isfinite(o.x) || !std::isfinite(o.y) || !std::isfinite(o.z) || !std::isfinite(d.x) ||
        !std::isfinite(d.y) || !std::isfinite(d.z) || LengthSquared(d) == 0.0f)
        return std::nullopt;
    return Ray{o, d, Length(f - o)};
}

namespace {

// Where the segment o -> o + s meets the plane through p0 with normal n, written as
// (-n).X + n.p0 = 0. No hit when o lies on the plane or the segment runs along it.
bool SegmentPlane(const Vec3& o, const Vec3& s, const Vec3& n, const Vec3& p0, Vec3& hit)
{
    const float f = Dot(-n, o) + Dot(n, p0);
    const float den = Dot(-n, s);
    if (std::fabs(f) <= 1.0e-5f || std::fabs(den) <= 1.0e-5f)
        return false;
    const float t = -f / den;
    if (!(t >= 0.0f && t <= 1.0f))
        return false;
    hit = o + t * s;
    return true;
}

// Whether the segment from o in direction s passes through the convex polygon.
template <typename Points>
bool PassesThrough(const Vec3& o, const Vec3& s, const Points& v)
{
    const std::size_t n = v.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3 c = Cross(o - v[i], o - v[(i + 1) % n]);
        if (Dot(c, s) > 0.0f)
            return false;
    }
    return true;
}

bool Finite(const Vec3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

bool LessPosition(const Vec3& a, const Vec3& b)
{
    if (a.x != b.x)
        return a.x < b.x;
    if (a.y != b.y)
        return a.y < b.y;
    return a.z < b.z;
}

float DistanceToSegment(const Vec3& p, const Vec3& a, const Vec3& b)
{
    const Vec3 ab = b - a;
    const float len2 = LengthSquared(ab);
    float t = len2 > 0.0f ? Dot(p - a, ab) / len2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    return Length(p - (a + t * ab));
}

float Component(const Vec3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

void SetComponent(Vec3& v, int axis, float value)
{
    if (axis == 0)
        v.x = value;
    else if (axis == 1)
        v.y = value;
    else
        v.z = value;
}

}  // namespace

RayHit Selection::RayCast(const CModel& model, const EditModes& modes, const Vec3& origin, const Vec3& dir,
                          float reach) const
{
    RayHit result;
    const Vec3 s = reach * dir;
    float best = 1.0e11f;
    std::vector<Vec3> polygon;
    // The nearest hit so far wins.
    auto keep = [&](const Vec3& hit, const Vec3& normal, int32_t mesh, int32_t face, int32_t node) {
        const float dist = LengthSquared(origin - hit);
        if (dist < best) {
            best = dist;
            result = RayHit{true, hit, normal, mesh, face, node};
        }
    };

    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        const C3doNode& node = model.nodes[i];
        if (node.mesh < 0 || (modes.CurrentMeshOnly() && node.mesh != currentMesh))
            continue;
        const CMesh* mesh = model.MeshAt(node.mesh);
        if (!mesh)
            continue;
        const Matrix4& w = model.NodeMatrix(i);
        for (std::size_t fi = 0; fi < mesh->faces.size(); ++fi) {
            const CFace& face = mesh->faces[fi];
            if (face.corners.size() < 3)
                continue;
            const Vec3 p0 = TransformPoint(FaceVertex(face, 0)->Position(), w);
            const Vec3 n = TransformDirection(face.normal, w);
            if (Dot(origin - p0, n) < 0.0f)
                continue;  // the eye is behind the face
            Vec3 hit;
            if (!SegmentPlane(origin, s, n, p0, hit))
                continue;
            polygon.clear();
            for (const auto& c : face.corners)
                polygon.push_back(TransformPoint(c.Position(), w));
            if (!PassesThrough(origin, s, polygon))
                continue;
            keep(hit, face.normal, node.mesh, static_cast<int32_t>(fi), -1);
        }
    }

    // With the grid shown, a grid node on the ray wins over every face, even one in front.
    if (modes.grid)
        best = 1.0e11f;

    for (std::size_t k = 0; k < nodes.size(); ++k) {
        const NodeMarker& marker = nodes[k];
        const auto v = marker.Vertices();
        for (std::size_t t = 0; t < kMarkerIndices.size(); t += 3) {
            const Vec3 a = v[kMarkerIndices[t]].Position();
            const Vec3 b = v[kMarkerIndices[t + 1]].Position();
            const Vec3 c = v[kMarkerIndices[t + 2]].Position();
            const Vec3 n = Cross(Normalize(b - a), Normalize(c - b));
            if (Dot(n, dir) > 0.0f)
                continue;
            Vec3 hit;
            if (!SegmentPlane(origin, s, n, a, hit))
                continue;
            const std::array<Vec3, 3> tri{a, b, c};
            if (!PassesThrough(origin, s, tri))
                continue;
            keep(hit, n, marker.mesh, marker.face, static_cast<int32_t>(k));
        }
    }
    return result;
}

// ---- current items -------------------------------------------------------------------

const CMesh* Selection::CurrentMesh(const CModel& model) const { return model.MeshAt(currentMesh); }

CMesh* Selection::CurrentMesh(CModel& model) const { return model.MeshAt(currentMesh); }

CFace* Selection::CurrentFace(CModel& model) const { return const_cast<CFace*>(CurrentFace(std::as_const(model))); }

const CFace* Selection::CurrentFace(const CModel& model) const
{
    const CMesh* mesh = CurrentMesh(model);
    if (!mesh || currentFace < 0 || static_cast<std::size_t>(currentFace) >= mesh->faces.size())
        return nullptr;
    return &mesh->faces[static_cast<std::size_t>(currentFace)];
}

std::vector<std::size_t> Selection::MarkedFaces(const CModel& model, const EditModes& modes) const
{
    const CMesh* mesh = CurrentMesh(model);
    if (!modes.faceMode || !mesh)
        return {};
    return FaceGroup(*mesh, currentFace);
}

// ---- node list ---------------------------------------------------------------------------

namespace {

struct NodeOrder {
    using is_transparent = void;
    bool operator()(const NodeMarker& a, const NodeMarker& b) const { return LessPosition(a.position, b.position); }
    bool operator()(const NodeMarker& a, const Vec3& b) const { return LessPosition(a.position, b); }
    bool operator()(const Vec3& a, const NodeMarker& b) const { return LessPosition(a, b.position); }
};

// The nodes of one rebuild, kept in a tree while they are added: a grid adds up to
// millions of nodes in any order, and inserting each into the sorted vector would take
// time that grows with the square of their count.
using NodeTree = std::set<NodeMarker, NodeOrder>;

// Rounds p to 1/10000 and says where a node at it would go, or that none may: not a
// number, the list full, or a node at or within spacing / 2 of it beside it in the order.
template <class List, class Locate>
std::optional<typename List::const_iterator> PlaceFor(const List& list, Vec3& q, float spacing, Locate locate)
{
    q = {RoundToStep(q.x, 10000.0f), RoundToStep(q.y, 10000.0f), RoundToStep(q.z, 10000.0f)};
    // A position that is not a number would break the sorted order, and cannot be drawn.
    if (!Finite(q) || list.size() >= Selection::kMaxNodes)
        return std::nullopt;
    const auto at = locate(q);
    if (at != list.end() && at->position == q)
        return std::nullopt;
    const float minDistance = spacing / 2.0f;
    if (at != list.begin() && Length(std::prev(at)->position - q) < minDistance)
        return std::nullopt;
    if (at != list.end() && Length(at->position - q) < minDistance)
        return std::nullopt;
    return at;
}

NodeMarker MakeMarker(const Vec3& q, uint32_t bgrColor, int32_t mesh, int32_t face, int32_t vertex, float halfSize)
{
    NodeMarker marker;
    marker.position = q;
    marker.halfSize = halfSize;
    marker.color = ToDeviceColor(bgrColor);
    marker.mesh = mesh;
    marker.face = face;
    marker.vertex = vertex;
    return marker;
}

}  // namespace

// One rebuild of the node list: the nodes go into a tree and back into the list when the
// rebuild ends, however it ends.
struct Selection::Build {
    explicit Build(std::vector<NodeMarker>& list) : out(list), tree(list.begin(), list.end()) {}
    ~Build() { out.assign(tree.begin(), tree.end()); }
    Build(const Build&) = delete;
    Build& operator=(const Build&) = delete;

    std::vector<NodeMarker>& out;
    NodeTree tree;
    float spacing = 0.0f;
    float halfSize = 0.0f;
    uint32_t color = 0;
    std::size_t candidates = 0;

    bool Spend() { return candidates++ < kMaxCandidates; }
    bool Add(Vec3 p, uint32_t bgrColor, int32_t mesh, int32_t face, int32_t vertex, float step)
    {
        const auto at = PlaceFor(tree, p, step, [this](const Vec3& q) { return tree.lower_bound(q); });
        if (!at)
            return false;
        tree.insert(*at, MakeMarker(p, bgrColor, mesh, face, vertex, halfSize));
        return true;
    }
};

void Selection::ClearNodes(EditModes& modes)
{
    nodes.clear();
    selectedPositions.clear();
    modes.grid = false;
    currentNode = -1;
}

bool Selection::AddNode(const Vec3& p, uint32_t bgrColor, int32_t mesh, int32_t face, int32_t vertex, float spacing,
                        float halfSize)
{
    Vec3 q = p;
    const auto at = PlaceFor(nodes, q, spacing, [this](const Vec3& v) {
        return std::lower_bound(nodes.cbegin(), nodes.cend(), v,
                                [](const NodeMarker& m, const Vec3& w) { return LessPosition(m.position, w); });
    });
    if (!at)
        return false;
    nodes.insert(*at, MakeMarker(q, bgrColor, mesh, face, vertex, halfSize));
    return true;
}

bool Selection::AddCandidate(const Vec3& p, uint32_t bgrColor, int32_t mesh, int32_t face, int32_t vertex, Build& b)
{
    if (!b.Spend())
        return false;
    return b.Add(p, bgrColor, mesh, face, vertex, b.spacing);
}

void Selection::RebuildNodes(const CModel& model, EditModes& modes, const Settings& settings)
{
    if (!modes.grid) {
        if (!modes.meshMode && CurrentFace(model))
            BuildVertexNodes(model, modes, settings);
        else
            ClearNodes(modes);
        return;
    }
    if (modes.meshMode) {
        BuildMeshGrid(model, modes, settings);
        return;
    }
    const CFace* face = CurrentFace(model);
    if (!face)
        return;  // nothing to lay a grid on: the nodes stay as they are
    nodes.clear();
    selectedPositions.clear();
    currentNode = -1;
    Build b(nodes);
    b.spacing = settings.grid * modes.ScaleFactor();
    b.halfSize = settings.vertexScaling * 0.2f * modes.ScaleFactor();
    b.color = settings.colorGrid;
    BuildFaceGrid(model.MeshMatrix(static_cast<std::size_t>(currentMesh)), *face, modes, b);
}

void Selection::RefreshNodes(const CModel& model, EditModes& modes, const Settings& settings)
{
    std::optional<NodeMarker> current;
    if (currentNode >= 0 && static_cast<std::size_t>(currentNode) < nodes.size())
        current = nodes[static_cast<std::size_t>(currentNode)];
    RebuildNodes(model, modes, settings);
    if (!current || current->IsGridNode())
        return;
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].mesh == current->mesh && nodes[i].face == current->face && nodes[i].vertex == current->vertex) {
            currentNode = static_cast<int32_t>(i);
            return;
        }
}

void Selection::BuildVertexNodes(const CModel& model, EditModes& modes, const Settings& settings)
{
    ClearNodes(modes);
    const CMesh* mesh = CurrentMesh(model);
    const CFace* face = CurrentFace(model);
    if (!mesh || !face)
        return;
    Build b(nodes);
    b.spacing = settings.grid * modes.ScaleFactor();
    b.halfSize = settings.vertexScaling * 0.2f * modes.ScaleFactor();
    const auto n = static_cast<int32_t>(face->corners.size());
    for (int32_t i = 0; i < n; ++i) {
        const VertexRecord& v = *FaceVertex(*face, i);
        const Vec3 p = v.Position();
        // How many vertex records of the mesh share this position (itself included).
        int links = 0;
        for (const auto& f : mesh->faces)
            for (const auto& c : f.corners)
                if (LengthSquared(c.Position() - p) < 0.0001f)
                    ++links;
        const uint32_t color =
            v.Selected() ? settings.colorSelect : (links > 1 ? settings.colorLink : settings.colorUnlink);
        AddCandidate(TransformPoint(p, model.MeshMatrix(static_cast<std::size_t>(currentMesh))), color, currentMesh,
                     currentFace, i, b);
    }
}

void Selection::BuildFaceGrid(const Matrix4& world, const CFace& face, const EditModes& modes, Build& b)
{
    const float g = b.spacing;
    const auto n = static_cast<int32_t>(face.corners.size());
    if (n == 0 || !(g > 0.0f))
        return;
    std::vector<Vec3> v(static_cast<std::size_t>(n));
    Vec3 boxMin = Vec3::All(1e30f), boxMax = Vec3::All(-1e30f);
    for (int32_t i = 0; i < n; ++i) {
        v[static_cast<std::size_t>(i)] = TransformPoint(FaceVertex(face, i)->Position(), world);
        boxMin = Minimize(boxMin, v[static_cast<std::size_t>(i)]);
        boxMax = Maximize(boxMax, v[static_cast<std::size_t>(i)]);
    }
    const Vec3 normal = TransformDirection(face.normal, world);
    float sum = 0.0f;
    for (const Vec3& p : v)
        sum += Dot(normal, p);
    const float d = -sum / static_cast<float>(n);
    const std::size_t un = v.size();

    // Edge nodes, both ends of every edge included.
    for (std::size_t i = 0; i < un; ++i) {
        const Vec3 a = v[i], e = v[(i + 1) % un] - a;
        const double steps = std::trunc((static_cast<double>(Length(e)) + g) / g);
        for (double k = 0; k <= steps; ++k)
            if (!AddCandidate(a + e * static_cast<float>(k / steps), b.color, currentMesh, currentFace, -1, b) &&
                b.candidates > kMaxCandidates)
                return;
    }
    if (modes.gridEdgesOnly)
        return;

    // Interior nodes: a lattice over the box on the two minor axes of the normal, lifted
    // onto the face's plane along the dominant one.
    const float ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    int major = 0;
    if (ax <= az && ay <= az)
        major = 2;
    else if (ax <= ay && az <= ay)
        major = 1;
    const float nMajor = Component(normal, major);
    if (nMajor == 0.0f)
        return;
    const int first = major == 0 ? 1 : 0;
    const int second = major == 2 ? 1 : 2;
    const Vec3 lo = boxMin - Vec3::All(g), hi = boxMax + Vec3::All(g);

    auto inside = [&](const Vec3& p) {
        bool allInside = true;
        for (std::size_t i = 0; i < un && allInside; ++i) {
            const Vec3 c = Cross(v[(i + 1) % un] - v[i], p - v[i]);
            if (Dot(normal, Normalize(c)) > 0.0f)
                allInside = false;
        }
        if (allInside)
            return true;
        // On the outline within rounding counts as inside as well.
        for (std::size_t i = 0; i < un; ++i)
            if (DistanceToSegment(p, v[i], v[(i + 1) % un]) < 0.0001f)
                return true;
        return false;
    };

    for (int64_t i = 0;; ++i) {
        const float a = Component(lo, first) + static_cast<float>(i) * g;
        if (!(a < Component(hi, first)) || !b.Spend())
            break;
        for (int64_t j = 0;; ++j) {
            const float c = Component(lo, second) + static_cast<float>(j) * g;
            if (!(c < Component(hi, second)))
                break;
            if (!b.Spend())
                return;
            Vec3 p;
            SetComponent(p, first, a);
            SetComponent(p, second, c);
            const float rest = Component(normal, first) * a + Component(normal, second) * c + d;
            SetComponent(p, major, -rest / nMajor);
            if (inside(p))
                b.Add(p, b.color, currentMesh, currentFace, -1, g);
        }
    }
}

void Selection::BuildMeshGrid(const CModel& model, EditModes& modes, const Settings& settings)
{
    ClearNodes(modes);
    modes.grid = true;
    const CMesh* mesh = CurrentMesh(model);
    Build b(nodes);
    b.spacing = settings.grid * modes.ScaleFactor();
    b.halfSize = settings.vertexScaling * 0.2f * modes.ScaleFactor();
    b.color = settings.colorGrid;
    if (!mesh || !(b.spacing > 0.0f))
        return;
    if (modes.gridFaceOnly || modes.gridEdgesOnly) {
        for (const auto& f : mesh->faces)
            BuildFaceGrid(model.MeshMatrix(static_cast<std::size_t>(currentMesh)), f, modes, b);
        return;
    }
    // The lattice fills the box of the mesh widened by half a step on every side.
    Vec3 lo = Vec3::All(1e30f), hi = Vec3::All(-1e30f);
    bool any = false;
    for (const auto& f : mesh->faces)
        for (const auto& c : f.corners) {
            const Vec3 p = TransformPoint(c.Position(), model.MeshMatrix(static_cast<std::size_t>(currentMesh)));
            lo = Minimize(lo, p);
            hi = Maximize(hi, p);
            any = true;
        }
    if (!any)
        return;
    const float g = b.spacing;
    lo -= Vec3::All(g / 2.0f);
    hi += Vec3::All(g / 2.0f);
    // x outermost: the lattice comes out in the list's sorted order, so every node is
    // appended rather than inserted.
    for (int64_t i = 0;; ++i) {
        const float x = lo.x + static_cast<float>(i) * g;
        if (!(x <= hi.x) || !b.Spend())
            return;
        for (int64_t j = 0;; ++j) {
            const float y = lo.y + static_cast<float>(j) * g;
            if (!(y <= hi.y) || !b.Spend())
                break;
            for (int64_t k = 0;; ++k) {
                const float z = lo.z + static_cast<float>(k) * g;
                if (!(z <= hi.z))
                    break;
                if (!AddCandidate({x, y, z}, b.color, currentMesh, -1, -1, b) && b.candidates > kMaxCandidates)
                    return;
            }
        }
    }
}

// ---- mouse -------------------------------------------------------------------------------

PickResult Selection::Pick(CModel& model, EditModes& modes, const Settings& settings, const PickRequest& request)
{
    if (modes.ContinuousView())
        return PickResult::Ignored;
    int32_t x = request.x, y = request.y;
    request.size.ToSurface(x, y);
    const auto ray = PickRay(x, y, request.size.surfaceWidth, request.size.surfaceHeight, request.world, request.view,
                             request.projection);
    if (!ray)
        return PickResult::Missed;
    const bool ctrl = request.mods.ctrl;
    const RayHit hit = RayCast(model, modes, ray->origin, ray->direction, ray->length);
    if (!hit.hit)
        return PickResult::Missed;

    // Render modes 3 and 4 show only the current mesh, so a click never changes it.
    if (!modes.CurrentMeshOnly())
        currentMesh = hit.mesh;
    currentFace = hit.face;
    currentNode = hit.node;

    if (CMesh* mesh = CurrentMesh(model); mesh && !ctrl)
        for (auto& f : mesh->faces)
            for (auto& c : f.corners)
                c.SetSelected(false);

    if (hit.node >= 0 && static_cast<std::size_t>(hit.node) < nodes.size()) {
        NodeMarker& marker = nodes[static_cast<std::size_t>(hit.node)];
        if (marker.IsGridNode()) {
            if (!ctrl) {
                selectedPositions.clear();
                const uint32_t grid = ToDeviceColor(settings.colorGrid);
                for (auto& m : nodes)
                    m.color = grid;
            }
            marker.color = ToDeviceColor(settings.colorSelect);
            selectedPositions.push_back(marker.position);
            return PickResult::GridNode;
        }
        if (CFace* face = CurrentFace(model))
            if (VertexRecord* v = FaceVertex(*face, marker.vertex))
                v->SetSelected(true);
    }

    const int32_t keep = currentNode;
    RebuildNodes(model, modes, settings);
    currentNode = keep >= 0 && static_cast<std::size_t>(keep) < nodes.size() ? keep : -1;
    return PickResult::Selected;
}

bool Selection::TextureDrag(CModel& model, const EditModes& modes, bool leftButton, int32_t x, int32_t y,
                            Modifiers mods, const TextureSizeFn& textureSize, const std::function<void()>& onDragStart)
{
    CFace* face = CurrentFace(model);
    // Each move slides by the motion since the previous one, not since the button went
    // down, so the texture follows the mouse at a steady rate.
    const auto step = drag_.Move(leftButton && modes.texturingMode && face, x, y);
    if (!step)
        return false;
    if (step->started && onDragStart)
        onDragStart();
    const float s = ModifierStep(mods, 0.4f, 0.1f, 0.2f);
    // The steps are in texture units, whatever the texture's size.
    const TextureSize size = FaceTextureSize(model, *face, textureSize);
    const auto w = static_cast<float>(size.width), h = static_cast<float>(size.height);
    for (auto& c : face->corners) {
        float u = c.u / w - step->dx * s * 0.01f;
        float v = c.v / h - step->dy * s * 0.01f;
        CleanTexCoords(u, v);
        c.u = u * w;
        c.v = v * h;
    }
    return true;
}

EditOutcome DragTexture(EditContext& c, const TextureDragParams& p)
{
    if (!c.selection)
        return {};
    if (!c.selection->TextureDrag(c.model(), c.modes(), p.leftButton, p.x, p.y, p.mods, c.TextureSizes()))
        return {};
    return EditOutcome::Changed(kModelChanged);
}

EditOutcome PickAt(EditContext& c, const PickRequest& request)
{
    if (!c.selection || !c.settings)
        return {};
    EditOutcome o;
    switch (c.selection->Pick(c.model(), c.modes(), *c.settings, request)) {
    case PickResult::Ignored: return o;
    case PickResult::Missed: o.effects = kRedrawView | kSelectionChanged; return o;
    case PickResult::GridNode: o.effects = kRedrawView | kSelectionChanged; break;
    case PickResult::Selected: o.effects = kViewStateChanged | kSelectionChanged; break;
    }
    // The vertex marks of the mesh now current (cleared, and one set).
    if (c.selection->CurrentMesh(c.model()))
        o.faces = MeshScope::OneMesh(c.model().currentGeoset, c.selection->currentMesh);
    return o;
}

}  // namespace orv
