#include "model/polygon.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace orv {

namespace {

Vec3d D(const Vec3& v) { return {v.x, v.y, v.z}; }
Vec3d Sub(const Vec3d& a, const Vec3d& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3d Add(const Vec3d& a, const Vec3d& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
double Dot(const Vec3d& a, const Vec3d& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3d Cross(const Vec3d& a, const Vec3d& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Norm(const Vec3d& a) { return std::sqrt(Dot(a, a)); }

// Below this a normal is no direction: the polygon has no area.
constexpr double kNoArea = 1e-12;

bool HasArea(const Vec3d& n) { return Norm(n) >= kNoArea && std::isfinite(Norm(n)); }

uint64_t EdgeKey(uint32_t a, uint32_t b) { return (uint64_t{a} << 32) | b; }

}  // namespace

Vec3d NewellNormal(std::span<const Vec3> p)
{
    Vec3d n = {0, 0, 0};
    for (std::size_t i = 0; i < p.size(); ++i) {
        const Vec3d a = D(p[i]), b = D(p[(i + 1) % p.size()]);
        n[0] += (a[1] - b[1]) * (a[2] + b[2]);
        n[1] += (a[2] - b[2]) * (a[0] + b[0]);
        n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    return n;
}

bool IsPlanar(std::span<const Vec3> p, const Vec3d& normal)
{
    const double len = Norm(normal);
    if (len == 0.0 || p.empty())
        return false;
    const Vec3d n = {normal[0] / len, normal[1] / len, normal[2] / len};
    double d = 0.0;
    for (const Vec3& c : p)
        d += Dot(n, D(c));
    d /= static_cast<double>(p.size());
    return std::all_of(p.begin(), p.end(),
                       [&](const Vec3& c) { return std::fabs(Dot(n, D(c)) - d) <= kPlanarTolerance; });
}

bool IsConvex(std::span<const Vec3> p, const Vec3d& normal)
{
    const std::size_t n = p.size();
    double turned = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3d a = Sub(D(p[(i + 1) % n]), D(p[i]));
        const Vec3d b = Sub(D(p[(i + 2) % n]), D(p[(i + 1) % n]));
        const double s = Dot(Cross(a, b), normal), c = Dot(a, b) * Norm(normal);
        // A corner turning back counts only when it lies off the line through its
        // neighbours by more than kStraightTolerance: a corner on an edge, written with the
        // file's six decimals, comes back a hair off it either way.
        const Vec3d chord = Add(a, b);
        if (s < 0.0 && -s > kStraightTolerance * Norm(normal) * Norm(chord))
            return false;
        turned += std::atan2(s, c);
    }
    return turned < 2.0 * 3.14159265358979 + 1e-3;
}

std::vector<std::array<std::size_t, 3>> EarClip(std::span<const Vec3> p, const Vec3d& normal)
{
    // The two axes of the plane the normal is least along, turned so that the polygon
    // runs counter-clockwise in them.
    int drop = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(normal[static_cast<std::size_t>(k)]) > std::fabs(normal[static_cast<std::size_t>(drop)]))
            drop = k;
    const int ax = (drop + 1) % 3, ay = (drop + 2) % 3;
    const double sign = normal[static_cast<std::size_t>(drop)] < 0 ? -1.0 : 1.0;
    auto pt = [&](std::size_t i) {
        const Vec3d v = D(p[i]);
        return std::array<double, 2>{v[static_cast<std::size_t>(ax)], sign * v[static_cast<std::size_t>(ay)]};
    };
    auto cross = [](const std::array<double, 2>& o, const std::array<double, 2>& a, const std::array<double, 2>& b) {
        return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
    };
    std::vector<std::size_t> left(p.size());
    for (std::size_t i = 0; i < p.size(); ++i)
        left[i] = i;
    std::vector<std::array<std::size_t, 3>> out;
    if (p.size() < 3)
        return out;
    while (left.size() > 3) {
        const std::size_t n = left.size();
        bool cut = false;
        for (std::size_t i = 0; i < n && !cut; ++i) {
            const std::size_t a = left[(i + n - 1) % n], b = left[i], c = left[(i + 1) % n];
            if (cross(pt(a), pt(b), pt(c)) <= 0.0)
                continue;
            bool empty = true;
            for (const std::size_t q : left) {
                if (q == a || q == b || q == c)
                    continue;
                if (cross(pt(a), pt(b), pt(q)) >= 0 && cross(pt(b), pt(c), pt(q)) >= 0 &&
                    cross(pt(c), pt(a), pt(q)) >= 0) {
                    empty = false;
                    break;
                }
            }
            if (empty) {
                out.push_back({a, b, c});
                left.erase(left.begin() + static_cast<std::ptrdiff_t>(i));
                cut = true;
            }
        }
        if (!cut) {
            // Nothing is an ear of a polygon that crosses itself: a fan of what is left.
            for (std::size_t i = 1; i + 1 < left.size(); ++i)
                out.push_back({left[0], left[i], left[i + 1]});
            return out;
        }
    }
    out.push_back({left[0], left[1], left[2]});
    return out;
}

PolygonShape ShapeOf(std::span<const Vec3> p)
{
    if (p.size() < 3)
        return PolygonShape::Degenerate;
    for (const Vec3& c : p)
        if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z))
            return PolygonShape::Degenerate;
    const Vec3d n = NewellNormal(p);
    if (!HasArea(n))
        return PolygonShape::Degenerate;
    if (p.size() == 3)
        return PolygonShape::Good;
    if (!IsPlanar(p, n))
        return PolygonShape::Bent;
    if (!IsConvex(p, n))
        return PolygonShape::Concave;
    return p.size() > 24 ? PolygonShape::TooManyCorners : PolygonShape::Good;
}

std::vector<std::vector<std::size_t>> SplitPolygon(std::span<const Vec3> p, std::size_t maxCorners)
{
    maxCorners = std::max<std::size_t>(maxCorners, 3);
    std::vector<std::vector<std::size_t>> out;
    const PolygonShape shape = ShapeOf(p);
    if (shape == PolygonShape::Degenerate)
        return out;
    if (shape == PolygonShape::Good && p.size() <= maxCorners) {
        out.emplace_back(p.size());
        for (std::size_t i = 0; i < p.size(); ++i)
            out.back()[i] = i;
        return out;
    }
    if (shape == PolygonShape::Good || shape == PolygonShape::TooManyCorners) {
        // Flat and convex: runs of corners closed by corner 0 are flat and convex too.
        for (std::size_t start = 1; start + 1 < p.size(); start += maxCorners - 2) {
            std::vector<std::size_t> part = {0};
            for (std::size_t k = start; k < p.size() && part.size() < maxCorners; ++k)
                part.push_back(k);
            out.push_back(std::move(part));
        }
        return out;
    }
    const Vec3d normal = NewellNormal(p);
    std::vector<std::vector<uint32_t>> triangles;
    for (const auto& t : EarClip(p, normal))
        triangles.push_back({static_cast<uint32_t>(t[0]), static_cast<uint32_t>(t[1]), static_cast<uint32_t>(t[2])});
    const std::vector<JoinedPiece> joined =
        JoinConvexPieces(triangles, p, maxCorners, std::vector<bool>(triangles.size(), true),
                         std::vector<uint32_t>(triangles.size(), 0));
    std::vector<Vec3> corners;
    for (const JoinedPiece& piece : joined) {
        corners.clear();
        for (const uint32_t i : piece.cycle)
            corners.push_back(p[i]);
        // A sliver of three corners in a row draws nothing.
        if (!HasArea(NewellNormal(corners)))
            continue;
        out.emplace_back(piece.cycle.begin(), piece.cycle.end());
    }
    return out;
}

std::vector<JoinedPiece> JoinConvexPieces(const std::vector<std::vector<uint32_t>>& pieces,
                                          std::span<const Vec3> points, std::size_t maxCorners,
                                          const std::vector<bool>& joinable, const std::vector<uint32_t>& group)
{
    const std::size_t n = pieces.size();
    std::vector<std::vector<uint32_t>> cycle = pieces;
    std::vector<bool> alive(n, true);
    std::vector<Vec3d> normal(n);
    // Directed edge a -> b of a joinable piece: the piece.
    std::unordered_map<uint64_t, uint32_t> edges;
    edges.reserve(n * 4);
    auto addEdges = [&](std::size_t k) {
        const auto& c = cycle[k];
        for (std::size_t i = 0; i < c.size(); ++i)
            edges[EdgeKey(c[i], c[(i + 1) % c.size()])] = static_cast<uint32_t>(k);
    };
    auto removeEdges = [&](std::size_t k) {
        const auto& c = cycle[k];
        for (std::size_t i = 0; i < c.size(); ++i)
            if (const auto it = edges.find(EdgeKey(c[i], c[(i + 1) % c.size()])); it != edges.end() && it->second == k)
                edges.erase(it);
    };
    std::vector<Vec3> corners;
    auto normalOf = [&](const std::vector<uint32_t>& c) {
        corners.clear();
        for (const uint32_t i : c)
            corners.push_back(points[i]);
        return NewellNormal(corners);
    };
    for (std::size_t k = 0; k < n; ++k)
        if (joinable[k]) {
            normal[k] = normalOf(cycle[k]);
            addEdges(k);
        }
    std::vector<uint32_t> merged, sorted;
    for (std::size_t p = 0; p < n; ++p) {
        if (!joinable[p] || !alive[p])
            continue;
        bool grew = true;
        while (grew) {
            grew = false;
            const std::vector<uint32_t>& a = cycle[p];
            for (std::size_t i = 0; i < a.size() && !grew; ++i) {
                const uint32_t u = a[i], v = a[(i + 1) % a.size()];
                const auto it = edges.find(EdgeKey(v, u));
                if (it == edges.end())
                    continue;
                const std::size_t q = it->second;
                if (q == p || !alive[q] || group[q] != group[p])
                    continue;
                const std::vector<uint32_t>& b = cycle[q];
                if (a.size() + b.size() - 2 > maxCorners)
                    continue;
                const std::size_t j = static_cast<std::size_t>(std::find(b.begin(), b.end(), v) - b.begin());
                if (j == b.size() || b[(j + 1) % b.size()] != u)
                    continue;
                // a from v round to u, then b after u up to before v.
                merged.clear();
                for (std::size_t k = 0; k < a.size(); ++k)
                    merged.push_back(a[(i + 1 + k) % a.size()]);
                for (std::size_t k = 2; k < b.size(); ++k)
                    merged.push_back(b[(j + k) % b.size()]);
                sorted = merged;
                std::sort(sorted.begin(), sorted.end());
                if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
                    continue;  // the two touch elsewhere too: the join would not be simple
                const bool facesA = HasArea(normal[p]), facesB = HasArea(normal[q]);
                if (facesA && facesB && Dot(normal[p], normal[q]) <= 0.0)
                    continue;
                const Vec3d n2 = normalOf(merged);
                if (!HasArea(n2) || !IsPlanar(corners, n2) || !IsConvex(corners, n2))
                    continue;
                if ((facesA && Dot(n2, normal[p]) <= 0.0) || (facesB && Dot(n2, normal[q]) <= 0.0))
                    continue;
                removeEdges(p);
                removeEdges(q);
                alive[q] = false;
                cycle[p] = merged;
                normal[p] = n2;
                cycle[q].clear();
                addEdges(p);
                grew = true;
            }
        }
    }
    std::vector<JoinedPiece> out;
    for (std::size_t k = 0; k < n; ++k)
        if (alive[k])
            out.push_back({std::move(cycle[k]), k});
    return out;
}

}  // namespace orv
