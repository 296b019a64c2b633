#include "edit/carve.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "edit/selection.h"
#include "edit/texture_tool.h"

namespace orv {

namespace {

constexpr const char* kSameFace = "Cannot carve mesh. You must select 3 grid nodes not on the same face.";
constexpr const char* kOnALine = "Cannot carve mesh. You must select 3 grid nodes not on a line.";

// A face's vertices in index-list order (vertex k is corner n-1-k), and back.
std::vector<VertexRecord> VerticesOf(const CFace& f) { return {f.corners.rbegin(), f.corners.rend()}; }
void SetVertices(CFace& f, const std::vector<VertexRecord>& v) { f.corners.assign(v.rbegin(), v.rend()); }

VertexRecord ToWorld(const VertexRecord& r, const Matrix4& t)
{
    VertexRecord w = r;
    w.SetPosition(TransformPoint(r.Position(), t));
    return w;
}

// The cap face closing the cut: its vertices kept in world coordinates while it grows,
// with the records to store.
struct Cap {
    std::optional<CFace> face;  // attributes; corners set at the end
    std::vector<Vec3> world;
    std::vector<VertexRecord> records;
};

// Adds the crossing point h (record r) to the cap so that the cap's outline stays convex
// around the plane's normal n.
void AddToCap(Cap& cap, const Vec3& h, const VertexRecord& r, const Vec3& n)
{
    for (const Vec3& w : cap.world)
        if (Length(w - h) < 0.0001f)
            return;
    const std::size_t count = cap.world.size();
    std::size_t at = count;
    for (std::size_t k = 0; k + 1 < count; ++k) {
        const Vec3 a = cap.world[k], b = cap.world[k + 1];
        const Vec3 c = Cross(b - a, h - b);
        if (Length(c) < 0.0001f) {
            // On the line of this edge: beyond its end it belongs further on.
            if (Dot(b - a, h - b) > 0)
                continue;
            at = Dot(a - b, h - a) > 0 ? k : k + 1;
            break;
        }
        if (Dot(c, n) < 0) {
            at = k + 1;
            break;
        }
    }
    cap.world.insert(cap.world.begin() + static_cast<std::ptrdiff_t>(at), h);
    cap.records.insert(cap.records.begin() + static_cast<std::ptrdiff_t>(at), r);
    const std::size_t n2 = cap.world.size();
    if (n2 < 3)
        return;
    std::size_t i1 = (at + 1) % n2, i2 = (at + 2) % n2;
    const Vec3 w1 = cap.world[i1], w2 = cap.world[i2];
    if (!(Dot(Cross(w2 - w1, h - w1), n) < -0.0001f))
        return;
    // The new point made the outline turn the wrong way: the rest of the list goes in
    // before the point that follows it.
    for (std::size_t idx = i2; idx < n2 && i1 < idx; ++idx) {
        const Vec3 w = cap.world[idx];
        const VertexRecord rec = cap.records[idx];
        cap.world.erase(cap.world.begin() + static_cast<std::ptrdiff_t>(idx));
        cap.records.erase(cap.records.begin() + static_cast<std::ptrdiff_t>(idx));
        cap.world.insert(cap.world.begin() + static_cast<std::ptrdiff_t>(i1), w);
        cap.records.insert(cap.records.begin() + static_cast<std::ptrdiff_t>(i1), rec);
    }
}

// The segment from o to e against the plane (-n)·X + n·p = 0: the parameter of the
// crossing, when there is one within the segment.
std::optional<float> Crossing(const Vec3& o, const Vec3& e, const Vec3& n, const Vec3& p)
{
    const Vec3 s = e - o;
    const float f = Dot(-n, o) + Dot(n, p);
    const float den = Dot(-n, s);
    if (std::fabs(f) <= 1.0e-5f || std::fabs(den) <= 1.0e-5f)
        return std::nullopt;
    const float t = -f / den;
    if (t < 0.0f || t > 1.0f)
        return std::nullopt;
    return t;
}

}  // namespace

const char* WhyNotCarve(const EditContext& c)
{
    if (!HasCurrentMesh(c) || !c.modes().meshMode)
        return "Carve needs three grid nodes selected in Mesh Mode with the grid shown";
    if (!c.modes().grid)
        return "Carve needs the grid shown (G) and three of its nodes selected";
    if (c.selection->selectedPositions.size() != 3)
        return "Carve needs three grid nodes selected: click one, then Ctrl+click two more";
    return nullptr;
}

const char* WhyNotExtrude(const EditContext& c)
{
    if (c.modes().meshMode)
        return "Extrude works on a face: leave Mesh Mode first";
    return HasCurrentMesh(c) && HasCurrentFace(c) ? nullptr : "Extrude needs a current face: click a face first";
}

EditOutcome CarveMesh(EditContext& c)
{
    if (WhyNotCarve(c))
        return {};
    CMesh& mesh = *c.selection->CurrentMesh(c.model());
    const Matrix4 t = c.model().MeshMatrix(static_cast<std::size_t>(c.selection->currentMesh));
    const Matrix4 back = InvertMatrix(t);
    const Vec3 p1 = c.selection->selectedPositions[0];
    const Vec3 p2 = c.selection->selectedPositions[1];
    const Vec3 p3 = c.selection->selectedPositions[2];

    // 1. Three nodes on the plane of one face cut nothing off.
    for (const auto& f : mesh.faces) {
        const VertexRecord* first = FaceVertex(f, 0);
        if (!first)
            continue;
        const Vec3 normal = TransformDirection(f.normal, t);
        const Vec3 n = -normal;
        const float e = Dot(normal, TransformPoint(first->Position(), t));
        auto distance = [&](const Vec3& p) {
            const float side = Dot(n, p) + e;
            const float n2 = LengthSquared(n);
            if (std::fabs(side) > 1.0e-5f && n2 > 1.0e-5f)
                return Length(n * (side / n2));
            return 0.0f;
        };
        if (distance(p1) < 0.001f && distance(p2) < 0.001f && distance(p3) < 0.001f)
            return EditOutcome::Refused(kSameFace);
    }
    // 2. The cutting plane.
    // Measured against the lengths of the two sides (the sine of their angle): models are
    // small, and three grid nodes a grid step apart span a cross product far below any
    // fixed tolerance.
    const Vec3 k = Cross(p2 - p1, p3 - p2);
    const float sides = Length(p2 - p1) * Length(p3 - p2);
    if (!(sides > 0.0f) || Length(k) < 0.001f * sides)
        return EditOutcome::Refused(kOnALine);
    const Vec3 n = Normalize(k);

    // 3. Every edge the plane crosses gets a new vertex there, which the cap takes too.
    Cap cap;
    for (std::size_t fi = mesh.faces.size(); fi-- > 0;) {
        CFace& f = mesh.faces[fi];
        std::vector<VertexRecord> v = VerticesOf(f);
        for (std::size_t j = v.size(); j-- > 0;) {
            const std::size_t p = j == 0 ? v.size() - 1 : j - 1;
            const VertexRecord vj = ToWorld(v[j], t), vp = ToWorld(v[p], t);
            const auto hit = Crossing(vj.Position(), vp.Position(), n, p1);
            if (!hit)
                continue;
            const float s = *hit;
            const Vec3 h = vj.Position() + (vp.Position() - vj.Position()) * s;
            VertexRecord r = v[j];
            r.SetPosition(TransformPoint(h, back));
            r.u = vj.u + (vp.u - vj.u) * s;
            r.v = vj.v + (vp.v - vj.v) * s;
            if (s > 0.0f && s < 1.0f)
                v.insert(v.begin() + static_cast<std::ptrdiff_t>(j), r);
            if (!cap.face) {
                cap.face = f;
                ClearLists(*cap.face);
                cap.face->corners.clear();
                cap.face->normal = n;
            }
            AddToCap(cap, h, r, n);
        }
        SetVertices(f, v);
    }

    // 4. What lies on the side the normal points to goes; faces left too small go too.
    for (CFace& f : mesh.faces) {
        for (std::size_t ci = f.corners.size(); ci-- > 0;) {
            const Vec3 w = TransformPoint(f.corners[ci].Position(), t);
            if (Dot(-n, w) + Dot(n, p1) < -1.0e-5f)
                f.corners.erase(f.corners.begin() + static_cast<std::ptrdiff_t>(ci));
        }
        if (f.corners.size() >= 3)
            f.ComputeFaceNormal();
    }
    // In one pass: a face taken out one at a time would move every face after it.
    std::erase_if(mesh.faces, [](const CFace& f) { return f.corners.size() < 3; });

    // 5. The cap closes the opening.
    if (cap.face && cap.records.size() >= 3) {
        SetVertices(*cap.face, cap.records);
        cap.face->ComputeFaceNormal();
        // The cap is seen from the side that went, as the faces it closes are seen from
        // outside.
        if (Dot(TransformDirection(cap.face->normal, t), n) < 0.0f) {
            std::reverse(cap.face->corners.begin(), cap.face->corners.end());
            cap.face->ComputeFaceNormal();
        }
        mesh.faces.push_back(std::move(*cap.face));
    }
    c.selection->currentFace = -1;
    c.selection->ClearNodes(c.modes());
    return EditOutcome::Changed(kModelChanged | kSelectionChanged);
}

// ---- extrude -------------------------------------------------------------------------

std::string CheckExtrudeParams(const ExtrudeParams& p, int32_t vertexCount)
{
    auto outside = [](float v, float lo, float hi) { return !(v >= lo && v <= hi); };
    if (outside(p.upDownAngle, -45, 45))
        return "The up/down angle must lie between -45 and 45.";
    if (outside(p.leftRightAngle, -45, 45))
        return "The left/right angle must lie between -45 and 45.";
    if (outside(p.indent, -1, 1))
        return "The indent must lie between -1 and 1.";
    if (outside(p.depth1, 0.01f, 100))
        return "The depth must lie between 0.01 and 100.";
    if (p.firstVertex >= 0) {
        for (const int32_t v : {p.firstVertex, p.secondVertex, p.thirdVertex})
            if (v >= vertexCount)
                return "The face has no vertex " + std::to_string(v) + ".";
        if (p.firstVertex == p.secondVertex || p.firstVertex == p.thirdVertex || p.secondVertex == p.thirdVertex)
            return "You must select three different vertices.";
    }
    return {};
}

namespace {

// Whether the edge a-b lies on the line of c-d within the parameters of c-d.
bool OnEdge(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d)
{
    const Vec3 dir = d - c;
    const float len2 = LengthSquared(dir);
    if (len2 == 0.0f)
        return false;
    for (const Vec3& p : {a, b}) {
        const float s = Dot(p - c, dir) / len2;
        if (s < -0.00001f || s > 1.00001f)
            return false;
        if (Length(c + dir * s - p) > 1.0e-5f)
            return false;
    }
    return true;
}

// The face beyond each edge of f (vertices k and k+1 in world coordinates): the first face
// of the current geometry set with an edge on the same line, shared the other way round.
std::vector<const CFace*> Neighbours(const CModel& model, const CFace& f, const std::vector<Vec3>& fw)
{
    const std::size_t n = fw.size();
    std::vector<const CFace*> out(n, nullptr);
    Vec3 lo = fw[0], hi = fw[0];
    for (const Vec3& p : fw) {
        lo = Minimize(lo, p);
        hi = Maximize(hi, p);
    }
    lo -= Vec3::All(1.0e-4f);
    hi += Vec3::All(1.0e-4f);
    const CGeometry* set = model.CurrentGeoset();
    if (!set)
        return out;
    std::size_t found = 0;
    std::vector<Vec3> gw;
    for (std::size_t k = 0; k < set->meshes.size(); ++k) {
        const Matrix4& world = model.MeshMatrix(k);
        for (const auto& g : set->meshes[k].faces) {
            if (&g == &f || g.corners.empty())
                continue;
            // Only faces whose box meets this face's box can share an edge with it.
            gw.clear();
            bool near = false;
            for (auto it = g.corners.rbegin(); it != g.corners.rend(); ++it) {
                const Vec3 p = TransformPoint(it->Position(), world);
                gw.push_back(p);
                near = near || (p.x >= lo.x && p.x <= hi.x && p.y >= lo.y && p.y <= hi.y && p.z >= lo.z && p.z <= hi.z);
            }
            if (!near)
                continue;
            const std::size_t m = gw.size();
            for (std::size_t k = 0; k < n; ++k) {
                if (out[k])
                    continue;
                const Vec3 fa = fw[k], fb = fw[(k + 1) % n];
                for (std::size_t j = 0; j < m; ++j) {
                    const Vec3 gPrev = gw[j == 0 ? m - 1 : j - 1], gj = gw[j];
                    if (Dot(gPrev - gj, fb - fa) <= 0)
                        continue;
                    if (OnEdge(fa, fb, gPrev, gj) || OnEdge(gPrev, gj, fa, fb)) {
                        out[k] = &g;
                        ++found;
                        break;
                    }
                }
            }
            if (found == n)
                return out;
        }
    }
    return out;
}

// How deep each corner of the face goes (bw: the corners in world coordinates): one
// depth for all, or a plane through three chosen end points.
std::vector<float> ExtrudeDepths(const ExtrudeParams& p, const std::vector<Vec3>& bw, const Vec3& along)
{
    const std::size_t n = bw.size();
    std::vector<float> depth(n, p.depth1);
    if (p.firstVertex < 0)
        return depth;
    const auto i1 = static_cast<std::size_t>(p.firstVertex), i2 = static_cast<std::size_t>(p.secondVertex),
               i3 = static_cast<std::size_t>(p.thirdVertex);
    const Vec3 q1 = bw[i1] + along * p.depth1, q2 = bw[i2] + along * p.depth2, q3 = bw[i3] + along * p.depth3;
    const Vec3 qn = Normalize(Cross(q2 - q1, q3 - q1));
    for (std::size_t k = 0; k < n; ++k) {
        if (k == i1 || k == i2 || k == i3) {
            depth[k] = k == i1 ? p.depth1 : (k == i2 ? p.depth2 : p.depth3);
            continue;
        }
        // Where the line from the vertex the way the face goes meets the plane; a
        // vertex whose line misses it (the plane along the normal) takes the first depth.
        const float den = Dot(qn, along);
        const float s = std::fabs(den) > 1.0e-6f ? Dot(qn, q1 - bw[k]) / den : -1.0f;
        depth[k] = s >= 0.0f && s <= 1000.0f && std::isfinite(s) ? s : p.depth1;
    }
    return depth;
}

// The end positions: each corner moved by its depth, drawn in towards the centre, and
// angled when two grid nodes give the line to angle about.
std::vector<Vec3> ExtrudeEnds(const ExtrudeParams& p, const std::vector<Vec3>& bw, const std::vector<float>& depth,
                              const Vec3& along, const Vec3& normal, const Vec3& centre,
                              const std::vector<Vec3>& chosenNodes)
{
    std::vector<Vec3> end(bw.size());
    const bool angled = chosenNodes.size() == 2;
    for (std::size_t k = 0; k < bw.size(); ++k) {
        Vec3 e = bw[k] + along * depth[k];
        if (Length(centre - bw[k]) > p.indent)
            e += Normalize(centre - bw[k]) * p.indent;
        if (angled) {
            const Vec3 d = Normalize(chosenNodes[1] - chosenNodes[0]);
            const Vec3 s = Cross(normal, d);
            e += d * (depth[k] * std::tan(p.upDownAngle * 3.1415927f / 180.0f));
            e -= s * (depth[k] * std::tan(p.leftRightAngle * 3.1415927f / 180.0f));
        }
        end[k] = e;
    }
    return end;
}

// The rotated end face: each end point mirrored about the line towards the centre.
void RotateEndFace(std::vector<Vec3>& end, const std::vector<Vec3>& bw, const Vec3& centre)
{
    const std::size_t n = end.size();
    std::size_t farthest = 0;
    for (std::size_t k = 1; k < n; ++k)
        if (Length(end[k] - centre) > Length(end[farthest] - centre))
            farthest = k;
    const Vec3 mid = (bw[farthest] + end[farthest]) * 0.5f;
    for (std::size_t k = 0; k < n; ++k) {
        const Vec3 x = end[k] + (end[k] - bw[k]) * 100.0f;
        const Vec3 seg = bw[k] - x;
        const float len2 = LengthSquared(seg);
        const float s = len2 > 0 ? std::clamp(Dot(mid - x, seg) / len2, 0.0f, 1.0f) : 0.0f;
        const Vec3 q = x + seg * s;
        end[k] = q * 2.0f - bw[k];
    }
}

// A side face along each edge, from where the edge was (base) to where it is now
// (moved), textured like the neighbour beyond the edge. Its vertices run base k, base
// k+1, end k+1, end k: the edge to the neighbour the way the face ran it, the edge to the
// moved face the other way, so the side is wound like the faces around it and shows on
// the same side, whichever way the face went.
std::vector<CFace> SideFaces(EditContext& c, const CFace& moved, const std::vector<VertexRecord>& base,
                            const std::vector<const CFace*>& neighbours)
{
    const std::size_t n = base.size();
    const std::vector<VertexRecord> ends = VerticesOf(moved);
    CFace attributes = moved;
    ClearLists(attributes);
    attributes.corners.clear();
    const TextureSizeFn textureSize = c.TextureSizes();
    std::vector<CFace> sides;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t k1 = (k + 1) % n;
        CFace& side = sides.emplace_back(attributes);
        SetVertices(side, {base[k], base[k1], ends[k1], ends[k]});
        side.ComputeFaceNormal();
        if (neighbours[k])
            TransferTexture(side, *neighbours[k], FaceTextureSize(c.model(), side, textureSize),
                            FaceTextureSize(c.model(), *neighbours[k], textureSize));
    }
    return sides;
}

}  // namespace

EditOutcome ExtrudeFace(EditContext& c, const ExtrudeParams& p)
{
    if (WhyNotExtrude(c))
        return {};
    CMesh& mesh = *c.selection->CurrentMesh(c.model());
    CFace& f = *c.selection->CurrentFace(c.model());
    const std::size_t n = f.corners.size();
    if (n < 3)
        return {};
    if (std::string problem = CheckExtrudeParams(p, static_cast<int32_t>(n)); !problem.empty())
        return EditOutcome::Refused(std::move(problem));
    const Matrix4 t = c.model().MeshMatrix(static_cast<std::size_t>(c.selection->currentMesh));
    const Matrix4 back = InvertMatrix(t);

    // The base: the face as it is, in world coordinates.
    const std::vector<VertexRecord> base = VerticesOf(f);
    std::vector<Vec3> bw;
    for (const auto& r : base)
        bw.push_back(TransformPoint(r.Position(), t));
    const Vec3 normal = Normalize(TransformDirection(f.normal, t));
    // Where the face goes: a face shows outward, so against its normal is into the mesh.
    const Vec3 along = p.outward ? normal : -normal;
    CFace worldFace;
    for (auto it = bw.rbegin(); it != bw.rend(); ++it) {
        VertexRecord r;
        r.SetPosition(*it);
        worldFace.corners.push_back(r);
    }
    const Vec3 centre = worldFace.Centroid();
    // The faces beyond the edges, found before the face moves.
    const std::vector<const CFace*> neighbours = Neighbours(c.model(), f, bw);

    std::vector<Vec3> end =
        ExtrudeEnds(p, bw, ExtrudeDepths(p, bw, along), along, normal, centre, c.selection->selectedPositions);
    if (p.rotatedEndFace)
        RotateEndFace(end, bw, centre);
    std::vector<VertexRecord> moved = base;
    for (std::size_t k = 0; k < n; ++k)
        moved[k].SetPosition(TransformPoint(end[k], back));
    SetVertices(f, moved);
    // The sides join the mesh once made: f and the neighbours lie in its list.
    std::vector<CFace> sides = SideFaces(c, f, base, neighbours);
    f.ComputeFaceNormal();
    mesh.faces.insert(mesh.faces.end(), std::make_move_iterator(sides.begin()), std::make_move_iterator(sides.end()));
    c.selection->ClearNodes(c.modes());
    return EditOutcome::Changed(kModelChanged | kTexturesChanged | kSelectionChanged);
}

}  // namespace orv
