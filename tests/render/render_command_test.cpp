// orvane-tool render, run as a user runs it: the picture it writes is read back and
// looked at.
#include <sys/wait.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "model/fileio.h"
#include "render/render_test_util.h"
#include "resources/png.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;

const std::string kSample = std::string(ORVANE_BINARY_DIR) + "/share/orvane/sample";
constexpr uint32_t kBackground = 0xFFC0C0C0;

class RenderCommand : public ::testing::Test {
protected:
    // Renders the sample walker with the options given; the exit status.
    int Run(const std::string& args, const std::string& model = kSample + "/walker.3do")
    {
        const std::string line = "env -u DISPLAY -u WAYLAND_DISPLAY '" + std::string(ORVANE_TOOL_PATH) + "' render '" +
                                 model + "' " + args + " 2>'" + (dir_ / "err.txt").string() + "'";
        const int status = std::system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    orv::RgbaImage Picture(const std::string& name, const std::string& args,
                           const std::string& model = kSample + "/walker.3do")
    {
        EXPECT_EQ(Run("-o '" + (dir_ / name).string() + "' " + args, model), 0) << Errors();
        auto png = orv::DecodePng(orvtest::Slurp(dir_ / name));
        return png ? orv::RgbaImage{png->width, png->height, std::move(png->rgba)} : orv::RgbaImage{};
    }

    std::string Errors() const { return orv::ReadWholeTextFile(dir_ / "err.txt").value_or({}); }

    orvtest::TempDir tmp_;
    const fs::path& dir_ = tmp_.path;
};

// The box of the pixels that are not background: left, top, right, bottom.
std::array<int32_t, 4> Bounds(const orv::RgbaImage& p)
{
    std::array<int32_t, 4> b = {p.width, p.height, -1, -1};
    for (int32_t y = 0; y < p.height; ++y)
        for (int32_t x = 0; x < p.width; ++x)
            if (p.At(x, y) != kBackground)
                b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x), std::max(b[3], y)};
    return b;
}

// Whether the model lies wholly inside the picture (its border is background) and spans
// most of its width or height.
bool Framed(const orv::RgbaImage& p)
{
    const auto [left, top, right, bottom] = Bounds(p);
    const bool inside = left > 0 && top > 0 && right < p.width - 1 && bottom < p.height - 1;
    return inside && (right - left > p.width * 3 / 4 || bottom - top > p.height * 3 / 4);
}

// A square of the mod's material y.mat, facing the front and the back, of half-size
// `half` around (off, off) in its plane.
std::string Square3do(float half, float off)
{
    auto at = [&](float x, float z) {
        return std::to_string(x * half + off) + " 0 " + std::to_string(z * half + off) + " 0";
    };
    return "SECTION: HEADER\n\n3DO 2.1\n\nSECTION: MODELRESOURCE\n\nMATERIALS 1\n0: y.mat\n\n"
           "SECTION: GEOMETRYDEF\n\nRADIUS 1\nINSERT OFFSET 0 0 0\nGEOSETS 1\nGEOSET 0\nMESHES 1\nMESH 0\n"
           "NAME square\nRADIUS 1\nGEOMETRYMODE 4\nLIGHTINGMODE 3\nTEXTUREMODE 0\n\nVERTICES 4\n0: " +
           at(-1, -1) + "\n1: " + at(1, -1) + "\n2: " + at(1, 1) + "\n3: " + at(-1, 1) +
           "\n\nTEXTURE VERTICES 4\n0: 0 0\n1: 2 0\n2: 2 2\n"
           "3: 0 2\n\nVERTEX NORMALS\n0: 0 1 0\n1: 0 1 0\n2: 0 1 0\n3: 0 1 0\n\nFACES 2\n"
           "0: 0 0x0 4 3 0 0 4 0, 0 1, 1 2, 2 3, 3\n1: 0 0x0 4 3 0 0 4 3, 3 2, 2 1, 1 0, 0\n\n"
           "FACE NORMALS\n0: 0 -1 0\n1: 0 1 0\n\nSECTION: HIERARCHYDEF\n\nHIERARCHY NODES 1\n"
           "0: 0x0 0x1 0 -1 -1 -1 0 0 0 0 0 0 0 0 0 0 square\n";
}

// Every view shows the whole model, of whatever size and wherever it lies: the walker
// from every side, and models far larger and far smaller than it, off their origin.
TEST_F(RenderCommand, EveryViewFramesTheWholeModel)
{
    std::map<std::string, int32_t> width;
    for (const char* view : {"front", "left", "right", "back", "top", "bottom"}) {
        const auto p = Picture(std::string(view) + ".png", std::string("--size 200x150 --view ") + view);
        EXPECT_TRUE(Framed(p)) << view;
        width[view] = Bounds(p)[2] - Bounds(p)[0];
    }
    EXPECT_GT(width["front"], width["left"] + 10) << "the walker is wider than it is deep";
    for (const auto& [half, off] : {std::pair{383.0f, 900.0f}, {0.004f, -0.01f}}) {
        const std::string model = (dir_ / "square.3do").string();
        ASSERT_TRUE(orv::WriteFileAtomic(model, Square3do(half, off)));
        EXPECT_TRUE(Framed(Picture("square.png", "--size 160x120", model))) << half;
    }
}

TEST_F(RenderCommand, WireframeMode)
{
    const auto wire = Picture("wire.png", "--mode 1 --size 200x150");
    EXPECT_GT(orvtest::CountColor(wire, 0xFF808080), 100);  // outlines in the wireframe colour
    EXPECT_EQ(orvtest::CountColor(wire, 0xFFFFFFFF), 0);    // and no solid face
}

TEST_F(RenderCommand, ExitStatuses)
{
    for (const char* usage :
         {"", "-o x.png --size 0x10", "-o x.png --view sideways", "-o x.png --mode 5", "-o x.png --bogus"})
        EXPECT_EQ(Run(usage), 2) << usage;
    const std::string out = "-o '" + (dir_ / "x.png").string() + "'";
    EXPECT_EQ(Run(out, (dir_ / "missing.3do").string()), 1);
    EXPECT_NE(Errors().find("missing.3do"), std::string::npos);
    EXPECT_EQ(Run("-o '" + (dir_ / "no" / "such" / "x.png").string() + "'"), 1);
    EXPECT_NE(Errors().find("x.png"), std::string::npos);
    EXPECT_EQ(Run(out + " --resources '" + (dir_ / "none.gob").string() + "'"), 1);
    EXPECT_FALSE(fs::exists(dir_ / "x.png"));
}

// A keyframe poses the walker: frames 0 and 8 of the walk swing the legs (and arms) the
// other way while the head, which the walk does not move, stays where it was. A stock
// keyframe is found by name in the resources; a frame past the last is refused.
TEST_F(RenderCommand, KeyframeFramePosesTheLegs)
{
    const std::string key = "--size 200x300 --key '" + kSample + "/wkwalk.key'";
    const auto first = Picture("f0.png", key + " --frame 0");
    const auto eighth = Picture("f8.png", key + " --frame 8");
    const auto [left, top, right, bottom] = Bounds(first);
    ASSERT_LT(top, bottom);
    auto differing = [&](int32_t from, int32_t to) {
        int n = 0;
        for (int32_t y = from; y < to; ++y)
            for (int32_t x = 0; x < first.width; ++x)
                n += first.At(x, y) != eighth.At(x, y) ? 1 : 0;
        return n;
    };
    const int32_t h = bottom - top;
    EXPECT_EQ(differing(top, top + h / 6), 0);              // the head
    EXPECT_GT(differing(bottom - h / 3, bottom + 1), 100);  // the legs

    EXPECT_EQ(Picture("stock.png", "--frame 8 --key wkwalk.key --size 200x300 --resources '" + kSample + "/res2.gob'")
                  .At(0, 0),
              kBackground);
    EXPECT_EQ(Run("-o '" + (dir_ / "x.png").string() + "' " + key + " --frame 16"), 1);
    EXPECT_NE(Errors().find("there is no frame 16"), std::string::npos) << Errors();
    EXPECT_EQ(Run("-o '" + (dir_ / "x.png").string() + "' --key nosuch.key"), 1);
    EXPECT_EQ(Run("-o '" + (dir_ / "x.png").string() + "' --frame 3"), 2);
}

// A mod's own 16-bit material (red, green, blue, white texels), found in mymod/mat/
// for mymod/3do/x.3do without any game resources. The square is there twice, facing
// both ways.
TEST_F(RenderCommand, ModMaterialsFromTheModsFolders)
{
    const fs::path mod = dir_ / "mymod";
    fs::create_directories(mod / "3do");
    fs::create_directories(mod / "mat");
    fs::copy_file(fs::path(ORVANE_SOURCE_DIR) / "tests/fixtures/mat/rgb565_primaries.mat", mod / "mat" / "Y.MAT");
    ASSERT_TRUE(orv::WriteFileAtomic(mod / "3do" / "x.3do", Square3do(1, 0)));
    const std::string x = (mod / "3do" / "x.3do").string();

    const auto p = Picture("mod.png", "--size 160x120", x);
    for (const uint32_t texel : {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu})
        EXPECT_GT(orvtest::CountColor(p, texel), 160 * 120 / 40) << std::hex << texel;
    // Lit by a light at the camera, the square faces it: dimmer only towards the edges.
    const auto lit = Picture("lit.png", "--size 160x120 --shaded", x);
    EXPECT_LT(orvtest::CountColor(lit, 0xFFFF0000u), orvtest::CountColor(p, 0xFFFF0000u));
}

// The pictures above are read back through the writer; it refuses sizes that do not
// match the pixels and then writes nothing.
TEST(Png, RefusesMismatchedSizes)
{
    EXPECT_TRUE(orv::EncodePng(2, 2, std::vector<uint8_t>(15)).empty());
    EXPECT_TRUE(orv::EncodePng(-1, -1, std::vector<uint8_t>(4)).empty());
    orvtest::TempDir dir;
    const auto path = dir / "x.png";
    const orv::Status written = orv::WritePng(path, 2, 2, std::vector<uint8_t>(3));
    EXPECT_FALSE(written);
    EXPECT_FALSE(written.error().empty());
    EXPECT_FALSE(fs::exists(path));
}

}  // namespace

// --texture-layout: the head's material (the sample's checker) with the face's corners
// in yellow; faces and meshes that are not there are named.
TEST_F(RenderCommand, TextureLayoutOfAFace)
{
    const std::string gob = " --resources '" + kSample + "/res2.gob'";
    const auto p = Picture("layout.png", "--size 240x180 --texture-layout 1:0" + gob);
    ASSERT_EQ(std::pair(p.width, p.height), std::pair(240, 180));
    EXPECT_GT(orvtest::CountColor(p, 0xFFFFE600), 200) << "the face's edges and corners";
    EXPECT_GE(orvtest::Colours(p).size(), 4u) << "the checker's two colours, the margin and the edges";
    EXPECT_EQ(p.At(0, 0), 0xFF404040u);

    const std::string out = "-o '" + (dir_ / "x.png").string() + "'";
    EXPECT_EQ(Run(out + " --texture-layout 9:0" + gob), 1);
    EXPECT_NE(Errors().find("has no mesh 9"), std::string::npos) << Errors();
    EXPECT_EQ(Run(out + " --texture-layout 1:99" + gob), 1);
    EXPECT_NE(Errors().find("mesh 1 has no face 99"), std::string::npos) << Errors();
    for (const char* bad : {"1", "1:", ":0", "-1:0", "1:x", "1:0:2"})
        EXPECT_EQ(Run(out + " --texture-layout " + bad), 2) << bad;
    EXPECT_FALSE(fs::exists(dir_ / "x.png"));
}

// Without any display: the walker in its textures' many colours. --game draws through the
// colormap's light table: the walker in less ambient light is darker, and not the textured
// picture. --light belongs to --game and takes 0 to 1.
TEST_F(RenderCommand, TexturedAndGameViewDarkensWithTheAmbientLight)
{
    const std::string args = "--resources '" + kSample + "/res2.gob' --size 200x150 ";
    auto brightness = [](const orv::RgbaImage& p) {
        int64_t sum = 0;
        for (std::size_t i = 0; i + 3 < p.pixels.size(); i += 4)
            sum += p.pixels[i] + p.pixels[i + 1] + p.pixels[i + 2];
        return sum;
    };
    const auto textured = Picture("textured.png", args);
    ASSERT_EQ(std::pair(textured.width, textured.height), std::pair(200, 150));
    EXPECT_GT(orvtest::Colours(textured).size(), 10u);
    EXPECT_EQ(orvtest::CountColor(textured, 0xFFFFFFFF), 0);  // every face has its texture
    const auto dim = Picture("dim.png", args + "--game --light 0.05");
    const auto bright = Picture("bright.png", args + "--game --light 0.9");
    EXPECT_EQ(dim.At(0, 0), kBackground);
    EXPECT_LT(brightness(dim), brightness(bright));
    EXPECT_NE(bright.pixels, textured.pixels);
    for (const char* usage : {"-o x.png --light 0.5", "-o x.png --game --light 2", "-o x.png --game --light dark"})
        EXPECT_EQ(Run(usage), 2) << usage;
}
