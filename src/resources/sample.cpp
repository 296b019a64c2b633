#include "resources/sample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "resources/bytes.h"

namespace orv {

namespace {

struct Rgb {
    int r, g, b;
};

// Each ramp runs from a dark to a bright end in sixteen steps.
constexpr Rgb kRamps[16][2] = {
    {{0, 0, 0}, {255, 255, 255}},     // grey
    {{40, 8, 4}, {230, 120, 90}},     // brick red
    {{40, 30, 15}, {240, 220, 170}},  // sand
    {{30, 18, 8}, {200, 140, 80}},    // wood brown
    {{20, 25, 5}, {190, 200, 110}},   // olive
    {{5, 30, 10}, {140, 230, 140}},   // green
    {{5, 30, 30}, {120, 230, 220}},   // teal
    {{10, 20, 45}, {160, 200, 255}},  // sky blue
    {{5, 5, 40}, {110, 120, 250}},    // deep blue
    {{25, 5, 40}, {200, 140, 250}},   // purple
    {{40, 5, 30}, {250, 140, 210}},   // magenta
    {{50, 20, 0}, {255, 200, 90}},    // orange
    {{45, 40, 0}, {255, 250, 150}},   // yellow
    {{15, 18, 25}, {190, 200, 220}},  // steel
    {{35, 12, 5}, {210, 110, 60}},    // rust
    {{50, 30, 25}, {255, 225, 200}},  // warm
};

enum Ramp : int {
    Grey,
    Brick,
    Sand,
    Wood,
    Olive,
    Green,
    Teal,
    Sky,
    Blue,
    Purple,
    Magenta,
    Orange,
    Yellow,
    Steel,
    Rust,
    Warm
};

uint8_t Shade(int ramp, int level) { return static_cast<uint8_t>(ramp * 16 + std::clamp(level, 0, 15)); }

constexpr int kSize = 64;

// Deterministic hash noise in [0, 1).
double Hash(int x, int y, uint32_t seed)
{
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<double>(h & 0xFFFFFF) / static_cast<double>(0x1000000);
}

// Smooth value noise that tiles with the given period.
double ValueNoise(double x, double y, int period, uint32_t seed)
{
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    auto at = [&](int xi, int yi) {
        return Hash(((xi % period) + period) % period, ((yi % period) + period) % period, seed);
    };
    auto smooth = [](double t) { return t * t * (3 - 2 * t); };
    const double sx = smooth(fx), sy = smooth(fy);
    const double top = at(x0, y0) * (1 - sx) + at(x0 + 1, y0) * sx;
    const double bottom = at(x0, y0 + 1) * (1 - sx) + at(x0 + 1, y0 + 1) * sx;
    return top * (1 - sy) + bottom * sy;
}

double Fractal(int x, int y, uint32_t seed)
{
    double sum = 0, amp = 0.5;
    for (int octave = 0, cells = 4; octave < 4; ++octave, cells *= 2, amp *= 0.5)
        sum += amp * ValueNoise(x * cells / static_cast<double>(kSize), y * cells / static_cast<double>(kSize), cells,
                                seed + octave);
    return sum / 0.9375;
}

std::vector<uint8_t> Texture(const std::function<uint8_t(int x, int y)>& pixel)
{
    MaterialImage image;
    image.width = image.height = kSize;
    image.stride = kSize;
    image.celCount = 1;
    image.pixels.resize(kSize * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            image.pixels[y * kSize + x] = pixel(x, y);
    std::vector<uint8_t> mat = MakeMat(image);
    // The texture's own colour, which faces drawn solid take (geometry mode 3): its most
    // common texel.
    std::array<int, 256> count{};
    for (uint8_t texel : image.pixels)
        ++count[texel];
    const auto colour = static_cast<uint32_t>(std::max_element(count.begin(), count.end()) - count.begin());
    for (int k = 0; k < 4; ++k)
        mat[kMatHeadSize + 4 + k] = static_cast<uint8_t>(colour >> (8 * k));
    return mat;
}

}  // namespace

Palette SamplePalette()
{
    Palette p{};
    for (int ramp = 0; ramp < 16; ++ramp) {
        const Rgb a = kRamps[ramp][0], b = kRamps[ramp][1];
        for (int level = 0; level < 16; ++level) {
            const int i = ramp * 16 + level;
            p[i * 3 + 0] = static_cast<uint8_t>(a.r + (b.r - a.r) * level / 15);
            p[i * 3 + 1] = static_cast<uint8_t>(a.g + (b.g - a.g) * level / 15);
            p[i * 3 + 2] = static_cast<uint8_t>(a.b + (b.b - a.b) * level / 15);
        }
    }
    return p;
}

namespace {

// The palette entry nearest a colour.
uint8_t Nearest(const Palette& pal, double r, double g, double b)
{
    int best = 0;
    double bestDist = 1e30;
    for (int j = 0; j < 256; ++j) {
        const double dr = pal[j * 3] - r, dg = pal[j * 3 + 1] - g, db = pal[j * 3 + 2] - b;
        const double d = dr * dr + dg * dg + db * db;
        if (d < bestDist) {
            bestDist = d;
            best = j;
        }
    }
    return static_cast<uint8_t>(best);
}

}  // namespace

std::vector<uint8_t> MakeSampleColormap()
{
    const Palette pal = SamplePalette();
    std::vector<uint8_t> out;
    out.reserve(kColormapDataSize + kTransparencyTableSize);
    AppendBytes(out, "CMP ", 4);
    AppendU32(out, 30);  // version
    AppendU32(out, 1);   // a transparency table follows the light tables
    out.resize(kColormapHeadSize, 0);
    out.insert(out.end(), pal.begin(), pal.end());
    for (int light = 0; light < 64; ++light) {
        for (int i = 0; i < 256; ++i) {
            if (light == 63 || i == 0) {
                out.push_back(static_cast<uint8_t>(i));
                continue;
            }
            const double f = (light + 1) / 64.0;
            out.push_back(Nearest(pal, pal[i * 3] * f, pal[i * 3 + 1] * f, pal[i * 3 + 2] * f));
        }
    }
    // A translucent face's texel over what is drawn: their even mix, as the game's own
    // colormaps hold it (row: the face's colour, column: the one under it).
    for (int source = 0; source < 256; ++source)
        for (int dest = 0; dest < 256; ++dest)
            out.push_back(Nearest(pal, (pal[source * 3] + pal[dest * 3]) / 2.0,
                                  (pal[source * 3 + 1] + pal[dest * 3 + 1]) / 2.0,
                                  (pal[source * 3 + 2] + pal[dest * 3 + 2]) / 2.0));
    return out;
}

std::vector<SampleMaterial> MakeSampleMaterials()
{
    std::vector<SampleMaterial> out;

    // A neutral stone tile with a bevelled edge: what a face shows by default.
    out.push_back({"dflt.mat", Texture([](int x, int y) {
                       const int edge = std::min({x, y, kSize - 1 - x, kSize - 1 - y});
                       const int grain = static_cast<int>(Fractal(x, y, 11) * 4);
                       if (edge == 0)
                           return Shade(Grey, 5);
                       if (edge == 1)
                           return Shade(Grey, 12);
                       return Shade(Grey, 7 + grain);
                   })});

    // The fallback for materials found nowhere: a loud two-colour checker.
    out.push_back({"00cab02.mat",
                   Texture([](int x, int y) { return ((x / 8 + y / 8) % 2) ? Shade(Magenta, 12) : Shade(Grey, 2); })});

    out.push_back({"checker.mat",
                   Texture([](int x, int y) { return ((x / 16 + y / 16) % 2) ? Shade(Sky, 14) : Shade(Blue, 5); })});

    out.push_back({"bricks.mat", Texture([](int x, int y) {
                       const int row = y / 16;
                       const int bx = (x + (row % 2) * 16) % 32;
                       if (y % 16 < 2 || bx < 2)
                           return Shade(Sand, 9);  // mortar
                       const int brick = ((x + (row % 2) * 16) / 32) * 7 + row * 3;
                       return Shade(Brick, 6 + (brick % 3) + static_cast<int>(Fractal(x, y, 23) * 5));
                   })});

    // Bright at the top, dark at the bottom: shows at a glance which way up a texture is.
    out.push_back({"gradient.mat", Texture([](int, int y) { return Shade(Orange, 15 - y / 4); })});

    out.push_back({"noise.mat",
                   Texture([](int x, int y) { return Shade(Green, 3 + static_cast<int>(Fractal(x, y, 37) * 11)); })});

    out.push_back({"wood.mat", Texture([](int x, int y) {
                       const double dx = x - 20.5, dy = (y - 70.0) * 0.35;
                       const double rings = std::sqrt(dx * dx + dy * dy) * 0.45 + Fractal(x, y, 53) * 2.5;
                       const double f = rings - std::floor(rings);
                       return Shade(Wood, 5 + static_cast<int>(f * 8));
                   })});

    out.push_back({"metal.mat", Texture([](int x, int y) {
                       const int cx = x % 32, cy = y % 32;
                       const int d2 = (cx - 4) * (cx - 4) + (cy - 4) * (cy - 4);
                       if (d2 <= 4)
                           return Shade(Steel, d2 <= 1 ? 14 : 6);  // rivet
                       return Shade(Steel, 8 + static_cast<int>(Hash(x, y / 3, 71) * 3));
                   })});

    out.push_back({"flatred.mat", MakeColorMat(Shade(Brick, 10))});
    return out;
}

std::vector<ArchiveEntryData> SampleResourceEntries()
{
    const auto cmp = MakeSampleColormap();
    std::vector<ArchiveEntryData> out = {{"misc\\cmp\\01redmap.cmp", cmp}, {"misc\\cmp\\dflt.cmp", cmp}};
    for (auto& m : MakeSampleMaterials())
        out.push_back({"3do\\mat\\" + m.name, std::move(m.bytes)});
    return out;
}

}  // namespace orv
