#include "model/model.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <utility>

#include "model/fingerprint.h"

namespace orv {

VertexRecord TransformVertex(const VertexRecord& r, const Matrix4& m)
{
    VertexRecord out = r;
    out.SetPosition(TransformPoint(r.Position(), m));
    return out;
}

const std::array<VertexRecord, 8>& UnitCubeCorners()
{
    static const std::array<VertexRecord, 8> corners = [] {
        const float p[8][3] = {{-1, -1, -1}, {-1, -1, 1}, {1, -1, 1}, {1, -1, -1},
                               {-1, 1, -1},  {-1, 1, 1},  {1, 1, 1},  {1, 1, -1}};
        std::array<VertexRecord, 8> c{};
        for (std::size_t i = 0; i < 8; ++i) {
            c[i].x = p[i][0];
            c[i].y = p[i][1];
            c[i].z = p[i][2];
        }
        return c;
    }();
    return corners;
}

// ---- CFace -----------------------------------------------------------------

int CFace::ComputeFaceNormal()
{
    const std::size_t n = corners.size();
    Vec3 sum;
    for (std::size_t i = 0; i < n; ++i) {
        const VertexRecord& a = corners[i];
        const VertexRecord& b = corners[(i + 1) % n];
        sum.x += (a.z + b.z) * (b.y - a.y);
        sum.y += (a.x + b.x) * (b.z - a.z);
        sum.z += (a.y + b.y) * (b.x - a.x);
    }
    normal = -Normalize(sum);
    if (n == 0)
        return 1;
    float d = 0.0f;
    for (const auto& c : corners)
        d += Dot(normal, c.Position());
    d /= static_cast<float>(n);
    for (const auto& c : corners) {
        const float off = Dot(normal, c.Position()) - d;
        if (off < -0.001f || off > 0.001f)
            return 0;
    }
    return 1;
}

void CFace::SetCornerColors(uint32_t color)
{
    for (auto& c : corners)
        c.color = color;
}

Vec3 CFace::Centroid() const
{
    Vec3 sum;
    float weights = 0.0f;
    if (corners.empty())
        return sum;
    const Vec3 c0 = corners[0].Position();
    for (std::size_t i = 1; i + 1 < corners.size(); ++i) {
        const Vec3 ci = corners[i].Position(), cj = corners[i + 1].Position();
        const float w = Length(Cross(ci - c0, cj - c0));
        sum += w * (c0 + ci + cj);
        weights += w;
    }
    if (weights == 0.0f) {
        // A degenerate polygon has no area to weigh: use the mean of its corners.
        Vec3 mean;
        for (const auto& c : corners)
            mean += c.Position();
        return mean / static_cast<float>(corners.size());
    }
    return sum / (3.0f * weights);
}

// ---- CMesh::RebuildMeshLists -------------------------------------------------
//
// The lists are the sorted, de-duplicated values met while walking every face's
// corners from the last to the first, each represented by the first record met.
// Gathering the distinct values in walk order and sorting only those gives exactly the
// result of inserting corner by corner into a sorted list, in O(n + m log m) for n
// corners with m distinct values.

namespace {

// Maps a float onto an unsigned key with the same order as '<': equal floats (0.0 and
// -0.0 included) get equal keys, and every NaN gets the largest key, so that a corrupt
// file cannot break the strict ordering the sort relies on.
inline uint32_t OrderKey(float f)
{
    if (std::isnan(f))
        return 0xFFFFFFFFu;
    if (f == 0.0f)
        f = 0.0f;
    const uint32_t bits = std::bit_cast<uint32_t>(f);
    return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}

struct WalkItem {
    uint64_t hi;  // keys 0 and 1
    uint32_t lo;  // key 2
    uint32_t face;
    uint32_t corner;
};

inline WalkItem MakeItem(float a, float b, float c, std::size_t face, std::size_t corner)
{
    return {(uint64_t{OrderKey(a)} << 32) | OrderKey(b), OrderKey(c), static_cast<uint32_t>(face),
            static_cast<uint32_t>(corner)};
}

inline bool SameKey(const WalkItem& a, const WalkItem& b) { return a.hi == b.hi && a.lo == b.lo; }

// Open-addressing table of the distinct keys met so far, by the walk position of the
// first item with each key.
class DistinctKeys {
public:
    explicit DistinctKeys(const std::vector<WalkItem>& walk) : walk_(walk) { Resize(1024); }

    // The number of the item's key (in order of first appearance).
    uint32_t Insert(uint32_t pos)
    {
        const WalkItem& w = walk_[pos];
        for (std::size_t h = Hash(w) & mask_;; h = (h + 1) & mask_) {
            const uint32_t slot = table_[h];
            if (slot == kEmpty) {
                const auto id = static_cast<uint32_t>(first_.size());
                table_[h] = id;
                first_.push_back(pos);
                if (2 * first_.size() > table_.size())
                    Resize(2 * table_.size());
                return id;
            }
            if (SameKey(walk_[first_[slot]], w))
                return slot;
        }
    }

    // Walk position of the first item of each distinct key, by key number.
    const std::vector<uint32_t>& First() const { return first_; }

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;

    static std::size_t Hash(const WalkItem& w)
    {
        uint64_t h = w.hi * 0x9E3779B97F4A7C15ull ^ (uint64_t{w.lo} + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
        h ^= h >> 31;
        h *= 0x94D049BB133111EBull;
        h ^= h >> 29;
        return static_cast<std::size_t>(h);
    }

    void Resize(std::size_t size)
    {
        table_.assign(size, kEmpty);
        mask_ = size - 1;
        for (uint32_t id = 0; id < first_.size(); ++id) {
            std::size_t h = Hash(walk_[first_[id]]) & mask_;
            while (table_[h] != kEmpty)
                h = (h + 1) & mask_;
            table_[h] = id;
        }
    }

    const std::vector<WalkItem>& walk_;
    std::vector<uint32_t> table_;
    std::vector<uint32_t> first_;
    std::size_t mask_ = 0;
};

// The walk is in walk order. Fills `list` with the first record of each distinct key, in
// key order, and returns for every walk position the list index of its key.
template <typename MakeRecord>
std::vector<int32_t> BuildSortedList(const std::vector<WalkItem>& walk, std::vector<VertexRecord>& list,
                                     MakeRecord makeRecord)
{
    DistinctKeys keys(walk);
    std::vector<int32_t> listIndex(walk.size());
    for (std::size_t i = 0; i < walk.size(); ++i)
        listIndex[i] = static_cast<int32_t>(keys.Insert(static_cast<uint32_t>(i)));

    // Distinct keys never tie, so any sort gives the one order.
    const std::vector<uint32_t>& first = keys.First();
    std::vector<uint32_t> order(first.size());
    for (uint32_t id = 0; id < order.size(); ++id)
        order[id] = id;
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const WalkItem& x = walk[first[a]];
        const WalkItem& y = walk[first[b]];
        return x.hi != y.hi ? x.hi < y.hi : x.lo < y.lo;
    });
    std::vector<int32_t> rankOf(order.size());
    list.clear();
    list.reserve(order.size());
    for (std::size_t r = 0; r < order.size(); ++r) {
        rankOf[order[r]] = static_cast<int32_t>(r);
        list.push_back(makeRecord(walk[first[order[r]]]));
    }
    for (auto& index : listIndex)
        index = rankOf[static_cast<std::size_t>(index)];
    return listIndex;
}

}  // namespace

uint64_t CMesh::ListsFingerprint() const
{
    Fingerprint fp;
    // What the rebuild reads...
    fp.Value(placementOffset);
    fp.Value(static_cast<uint64_t>(faces.size()));
    for (const auto& f : faces) {
        fp.List(f.corners);
        // ...and what it writes.
        fp.Value(f.normal);
        fp.List(f.vertexIndices);
        fp.List(f.textureVertexIndices);
    }
    fp.List(vertices);
    fp.List(textureVertices);
    fp.List(vertexNormals);
    return fp.Finish();
}

void RebuildListsIfChanged(ModelCaches& caches, CMesh& mesh)
{
    // The rebuild is a function of the corners and placement offset alone; when they and
    // its results are as a rebuild left them, it would change nothing.
    if (caches.currentLists.contains(mesh.ListsFingerprint()))
        return;
    mesh.RebuildMeshLists();
    caches.currentLists.insert(mesh.ListsFingerprint());
}

void RebuildAllListsIfChanged(CModel& model)
{
    for (auto& g : model.geosets)
        for (auto& mesh : g.meshes)
            RebuildListsIfChanged(model.caches, mesh);
}

namespace {

// Decimals of the 3DO file's vertices and texture vertices.
constexpr int kVertexDecimals = 6;
constexpr int kTexDecimals = 3;

// The coordinate a corner coordinate c, placed at offset (as written), is listed as: a
// value of six decimals whose corner, once read back and placed again, lists as the same
// value, so that a saved file saved again changes nothing. The plain difference rounded
// is that value nearly always; where the floats' rounding on the way back moves it, a
// value a few millionths off is taken, one that gives back c itself when there is one.
// placed is the corner the value gives back.
float ListedCoordinate(float c, float offset, float& placed)
{
    // (Without an offset every printed value stays.)
    auto stays = [offset](float w) { return offset == 0.0f || PrintedValue(w + offset - offset, kVertexDecimals) == w; };
    auto zeroSigned = [](float w) { return w == 0.0f ? 0.0f : w; };  // "-0.000000" reads back as 0
    const float plain = zeroSigned(PrintedValue(c - offset, kVertexDecimals));
    if (stays(plain)) {
        placed = plain + offset;
        return plain;
    }
    constexpr int kSteps = 4;
    for (const bool exact : {true, false})
        for (int k = 1; k <= kSteps; ++k)
            for (const int step : {-k, k}) {
                const float w = zeroSigned(PrintedValue(c - offset, kVertexDecimals, step));
                if ((!exact || w + offset == c) && stays(w)) {
                    placed = w + offset;
                    return w;
                }
            }
    placed = plain + offset;
    return plain;
}

// The texture coordinates a corner's are listed as: what the file gives back once they
// are written.
void ListedTexCoords(float& u, float& v)
{
    CleanTexCoords(u, v);
    u = PrintedValue(u, kTexDecimals);
    v = PrintedValue(v, kTexDecimals);
    CleanTexCoords(u, v);
}

}  // namespace

void CMesh::RebuildMeshLists()
{
    std::size_t total = 0;
    for (const auto& f : faces)
        total += f.corners.size();

    // The lists hold what the file will hold, and vertices that will read back alike are
    // one: the corners as the file gives them back (placed) decide the normals too.
    const Vec3 offset(PrintedValue(placementOffset.x, kVertexDecimals),
                      PrintedValue(placementOffset.y, kVertexDecimals),
                      PrintedValue(placementOffset.z, kVertexDecimals));
    std::vector<Vec3> listed(total), placed(total);

    // Walk order: faces in order, corners from the last to the first.
    std::vector<WalkItem> walk;
    walk.reserve(total);
    std::vector<std::size_t> faceStart(faces.size());

    // 1. Vertex list.
    for (std::size_t fi = 0; fi < faces.size(); ++fi) {
        faceStart[fi] = walk.size();
        const auto& cs = faces[fi].corners;
        for (std::size_t c = cs.size(); c-- > 0;) {
            const std::size_t at = walk.size();
            Vec3& l = listed[at];
            Vec3& p = placed[at];
            l.x = ListedCoordinate(cs[c].x, offset.x, p.x);
            l.y = ListedCoordinate(cs[c].y, offset.y, p.y);
            l.z = ListedCoordinate(cs[c].z, offset.z, p.z);
            walk.push_back(MakeItem(l.x, l.y, l.z, fi, c));
        }
    }
    const auto vertexIndex = BuildSortedList(walk, vertices, [&](const WalkItem& w) {
        VertexRecord r = faces[w.face].corners[w.corner];
        r.SetPosition(listed[faceStart[w.face] + faces[w.face].corners.size() - 1 - w.corner]);
        return r;
    });
    // Walk item j of a face is corner n-1-j, which is exactly index position j.
    for (std::size_t fi = 0; fi < faces.size(); ++fi) {
        CFace& f = faces[fi];
        const std::size_t n = f.corners.size();
        f.vertexIndices.resize(n);
        for (std::size_t k = 0; k < n; ++k)
            f.vertexIndices[k] = vertexIndex[faceStart[fi] + k];
    }

    // 2. Texture-vertex list.
    walk.clear();
    for (std::size_t fi = 0; fi < faces.size(); ++fi) {
        const CFace& f = faces[fi];
        for (std::size_t c = f.corners.size(); c-- > 0;) {
            float u = f.corners[c].u, v = f.corners[c].v;
            ListedTexCoords(u, v);
            walk.push_back(MakeItem(u, v, 0.0f, fi, c));
        }
    }
    const auto texIndex = BuildSortedList(walk, textureVertices, [&](const WalkItem& w) {
        VertexRecord r = faces[w.face].corners[w.corner];
        ListedTexCoords(r.u, r.v);
        return r;
    });
    for (std::size_t fi = 0; fi < faces.size(); ++fi) {
        CFace& f = faces[fi];
        const std::size_t n = f.corners.size();
        f.textureVertexIndices.resize(n);
        for (std::size_t k = 0; k < n; ++k)
            f.textureVertexIndices[k] = texIndex[faceStart[fi] + k];
    }

    // 3. Normals: each face's from its corners as the file gives them back; each vertex
    // sums the normals of the faces listing it, in face order.
    CFace shape;
    for (std::size_t fi = 0; fi < faces.size(); ++fi) {
        CFace& f = faces[fi];
        const std::size_t n = f.corners.size();
        shape.corners.resize(n);
        for (std::size_t c = 0; c < n; ++c)
            shape.corners[c].SetPosition(placed[faceStart[fi] + n - 1 - c]);
        shape.ComputeFaceNormal();
        f.normal = shape.normal;
    }
    std::vector<Vec3> sums(vertices.size());
    for (const auto& f : faces)
        for (int32_t idx : f.vertexIndices)
            sums[static_cast<std::size_t>(idx)] += f.normal;
    vertexNormals.assign(vertices.size(), VertexRecord{});
    for (std::size_t i = 0; i < sums.size(); ++i)
        vertexNormals[i].SetPosition(Normalize(sums[i]));
}

// ---- hierarchy -------------------------------------------------------------

Matrix4 PoseMatrix(const Vec3& rotation, const Vec3& position)
{
    // Internal rotation order is (pitch, roll, yaw).
    const float p = DegToRad(rotation.x), r = DegToRad(rotation.y), y = DegToRad(rotation.z);
    const float cp = std::cos(p), sp = std::sin(p);
    const float cy = std::cos(y), sy = std::sin(y);
    const float cr = std::cos(r), sr = std::sin(r);
    Matrix4 m = Matrix4::Identity();
    m(0, 0) = cy * cr - sy * sp * sr;
    m(0, 1) = -cp * sr;
    m(0, 2) = sy * cr + cy * sp * sr;
    m(1, 0) = cy * sr + sy * sp * cr;
    m(1, 1) = cp * cr;
    m(1, 2) = sy * sr - cy * sp * cr;
    m(2, 0) = -sy * cp;
    m(2, 1) = sp;
    m(2, 2) = cy * cp;
    m(3, 0) = position.x;
    m(3, 1) = position.y;
    m(3, 2) = position.z;
    return m;
}

void CModel::RebuildHierarchy()
{
    const auto count = static_cast<int32_t>(nodes.size());
    auto valid = [count](int32_t i) { return i >= 0 && i < count; };
    for (int32_t i = 0; i < count; ++i) {
        C3doNode& node = nodes[static_cast<std::size_t>(i)];
        node.numChildren = 0;
        if (node.child > -1 && valid(node.child)) {
            C3doNode* c = &nodes[static_cast<std::size_t>(node.child)];
            c->parent = i;
            // A damaged file may link siblings into a loop: a chain never has more
            // members than there are nodes.
            int32_t steps = 0;
            while (c->sibling > -1 && valid(c->sibling) && steps < count) {
                c = &nodes[static_cast<std::size_t>(c->sibling)];
                c->parent = i;
                ++node.numChildren;
                ++steps;
            }
            ++node.numChildren;
        }
        node.poses.clear();
        node.poses.push_back(PoseMatrix(node.rotation, node.position));
    }
    currentFrame = 0;
}

const CGeometry* CModel::CurrentGeoset() const
{
    if (currentGeoset < 0 || static_cast<std::size_t>(currentGeoset) >= geosets.size())
        return nullptr;
    return &geosets[static_cast<std::size_t>(currentGeoset)];
}

CGeometry* CModel::CurrentGeoset() { return const_cast<CGeometry*>(std::as_const(*this).CurrentGeoset()); }

const CMesh* CModel::MeshAt(int32_t index) const
{
    const CGeometry* g = CurrentGeoset();
    if (!g || index < 0 || static_cast<std::size_t>(index) >= g->meshes.size())
        return nullptr;
    return &g->meshes[static_cast<std::size_t>(index)];
}

CMesh* CModel::MeshAt(int32_t index) { return const_cast<CMesh*>(std::as_const(*this).MeshAt(index)); }

// ---- lists -------------------------------------------------------------------

std::size_t CountFaces(const CModel& model)
{
    std::size_t n = 0;
    for (const auto& g : model.geosets)
        for (const auto& mesh : g.meshes)
            n += mesh.faces.size();
    return n;
}

void MarkListsCurrent(CModel& model)
{
    for (const auto& g : model.geosets)
        for (const auto& mesh : g.meshes)
            model.caches.currentLists.insert(mesh.ListsFingerprint());
}

void ClearLists(CFace& f)
{
    f.vertexIndices.clear();
    f.textureVertexIndices.clear();
}

void ClearLists(CMesh& m)
{
    m.vertices.clear();
    m.textureVertices.clear();
    m.vertexNormals.clear();
    for (auto& f : m.faces)
        ClearLists(f);
}

}  // namespace orv
