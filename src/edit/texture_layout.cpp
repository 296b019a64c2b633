#include "edit/texture_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "model/model.h"
#include "resources/material.h"

namespace orv {

namespace {

using Rgb = std::array<uint8_t, 3>;

constexpr Rgb kBackground{64, 64, 64};
constexpr Rgb kOtherEdges{80, 160, 255};
constexpr Rgb kFaceEdges{255, 230, 0};
// Repeats of the image shown beyond it on each side, at most: a coordinate far away
// would otherwise shrink the image to nothing.
constexpr int kMaxRepeats = 4;

struct Canvas {
    LayoutPicture& picture;
    void Put(int x, int y, Rgb c)
    {
        if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
            return;
        uint8_t* p = &picture.rgba[(static_cast<std::size_t>(y) * picture.width + x) * 4];
        p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
    }
    void Square(double x, double y, int size, Rgb c)
    {
        const int x0 = static_cast<int>(std::floor(x)) - size / 2, y0 = static_cast<int>(std::floor(y)) - size / 2;
        for (int dy = 0; dy < size; ++dy)
            for (int dx = 0; dx < size; ++dx)
                Put(x0 + dx, y0 + dy, c);
    }
    void Line(double x0, double y0, double x1, double y1, int thickness, Rgb c)
    {
        // Only the part on the picture is stepped along: a corner may lie far outside it.
        double t0 = 0.0, t1 = 1.0;
        const double margin = thickness + 1.0;
        const auto clip = [&](double p, double q) {  // keeps the t where p * t <= q
            if (p == 0.0)
                return q >= 0.0;
            const double t = q / p;
            if (p < 0.0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
            return t0 <= t1;
        };
        const double dx = x1 - x0, dy = y1 - y0;
        if (!clip(-dx, x0 + margin) || !clip(dx, picture.width + margin - x0) || !clip(-dy, y0 + margin) ||
            !clip(dy, picture.height + margin - y0))
            return;
        const double steps = std::ceil(std::max(std::abs(dx), std::abs(dy)) * (t1 - t0));
        const int n = static_cast<int>(std::min(steps, 1e6));
        for (int i = 0; i <= n; ++i) {
            const double t = t0 + (n == 0 ? 0.0 : (t1 - t0) * i / n);
            Square(x0 + dx * t, y0 + dy * t, thickness, c);
        }
    }
};

Rgb Texel(const MaterialImage& image, int x, int y)
{
    const std::size_t at = static_cast<std::size_t>(y) * image.width + x;
    if (image.TrueColor()) {
        const uint8_t* p = image.RgbaCel(0) + at * 4;
        return {p[0], p[1], p[2]};
    }
    return image.Rgb(image.Cel(0)[at]);
}

bool Finite(const VertexRecord& c) { return std::isfinite(c.u) && std::isfinite(c.v); }

}  // namespace

Result<LayoutPicture> DrawTextureLayout(const CMesh& mesh, int32_t face, const MaterialImage& image, int32_t width,
                                        int32_t height)
{
    if (face < 0 || static_cast<std::size_t>(face) >= mesh.faces.size())
        return Fail("the mesh has no face " + std::to_string(face));
    const std::size_t texels = static_cast<std::size_t>(std::max(image.width, 0)) * std::max(image.height, 0);
    if (image.width <= 0 || image.height <= 0 ||
        (image.TrueColor() ? image.rgba.size() < texels * 4 : image.pixels.size() < texels))
        return Fail("the material has no picture");
    if (width <= 0 || height <= 0)
        return Fail("no picture of that size");
    const CFace& chosen = mesh.faces[static_cast<std::size_t>(face)];
    std::vector<const CFace*> sharing;
    for (const auto& f : mesh.faces)
        if (f.material == chosen.material && &f != &chosen)
            sharing.push_back(&f);
    sharing.push_back(&chosen);  // drawn last, over the others

    // The span of the picture in texels: the image and every corner, in whole repeats.
    const double w = image.width, h = image.height;
    double umin = 0, umax = w, vmin = 0, vmax = h;
    for (const CFace* f : sharing)
        for (const VertexRecord& c : f->corners)
            if (Finite(c)) {
                umin = std::min(umin, static_cast<double>(c.u)), umax = std::max(umax, static_cast<double>(c.u));
                vmin = std::min(vmin, static_cast<double>(c.v)), vmax = std::max(vmax, static_cast<double>(c.v));
            }
    const auto repeats = [](double lo, double hi, double size, int& first, int& last) {
        first = static_cast<int>(std::clamp(std::floor(lo / size), double(-kMaxRepeats), 0.0));
        last = static_cast<int>(std::clamp(std::ceil(hi / size), 1.0, double(kMaxRepeats + 1)));
    };
    int tx0, tx1, ty0, ty1;
    repeats(umin, umax, w, tx0, tx1);
    repeats(vmin, vmax, h, ty0, ty1);
    const double spanW = (tx1 - tx0) * w, spanH = (ty1 - ty0) * h;
    // A margin, so that edges along the image's border and their corner marks show whole.
    const double margin = std::min(width, height) / 20;
    const double scale = std::max(std::min((width - 2 * margin) / spanW, (height - 2 * margin) / spanH), 1e-9);
    const double ox = (width - spanW * scale) / 2, oy = (height - spanH * scale) / 2;
    const auto X = [&](double u) { return ox + (u - tx0 * w) * scale; };
    const auto Y = [&](double v) { return oy + (v - ty0 * h) * scale; };

    LayoutPicture picture;
    picture.width = width;
    picture.height = height;
    picture.rgba.resize(static_cast<std::size_t>(width) * height * 4);
    Canvas canvas{picture};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = tx0 * w + (x + 0.5 - ox) / scale, v = ty0 * h + (y + 0.5 - oy) / scale;
            if (u < tx0 * w || v < ty0 * h || u >= tx1 * w || v >= ty1 * h) {
                canvas.Put(x, y, kBackground);
                continue;
            }
            const double tileU = std::floor(u / w), tileV = std::floor(v / h);
            const int iu = std::clamp(static_cast<int>(u - tileU * w), 0, image.width - 1);
            const int iv = std::clamp(static_cast<int>(v - tileV * h), 0, image.height - 1);
            Rgb c = Texel(image, iu, iv);
            if (tileU != 0 || tileV != 0)
                for (uint8_t& k : c)
                    k = static_cast<uint8_t>((k + kBackground[0]) / 2);
            canvas.Put(x, y, c);
        }

    for (const CFace* f : sharing) {
        const bool own = f == &chosen;
        const std::size_t n = f->corners.size();
        for (std::size_t i = 0; i < n; ++i) {
            const VertexRecord& a = f->corners[i];
            const VertexRecord& b = f->corners[(i + 1) % n];
            if (Finite(a) && Finite(b))
                canvas.Line(X(a.u), Y(a.v), X(b.u), Y(b.v), own ? 2 : 1, own ? kFaceEdges : kOtherEdges);
        }
        if (own)
            for (const VertexRecord& c : f->corners)
                if (Finite(c))
                    canvas.Square(X(c.u), Y(c.v), 5, kFaceEdges);
    }
    return picture;
}

}  // namespace orv
