// orvane-tool render, run as a user runs it: the picture it writes is read back and
// looked at.
#include <gtest/gtest.h>
#include <zlib.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "model/fileio.h"

namespace {

namespace fs = std::filesystem;

const std::string kTool = ORVANE_TOOL_PATH;
const std::string kSample = std::string(ORVANE_BINARY_DIR) + "/share/orvane/sample";

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;

    uint32_t At(uint32_t x, uint32_t y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 4;
        return (uint32_t{rgba[i]} << 16) | (uint32_t{rgba[i + 1]} << 8) | rgba[i + 2];
    }
};

uint32_t Get32(const std::vector<uint8_t>& b, std::size_t at)
{
    return (uint32_t{b.at(at)} << 24) | (uint32_t{b.at(at + 1)} << 16) | (uint32_t{b.at(at + 2)} << 8) | b.at(at + 3);
}

// An 8-bit RGBA PNG without interlacing, every row filter undone.
bool ReadPng(const fs::path& path, Picture& out)
{
    std::vector<uint8_t> png;
    if (!orv::ReadWholeFile(path, png) || png.size() < 8)
        return false;
    std::vector<uint8_t> packed;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = Get32(png, at);
        const std::string type(png.begin() + static_cast<long>(at) + 4, png.begin() + static_cast<long>(at) + 8);
        const auto data = png.begin() + static_cast<long>(at) + 8;
        if (type == "IHDR") {
            out.width = Get32(png, at + 8);
            out.height = Get32(png, at + 12);
            if (png[at + 16] != 8 || png[at + 17] != 6 || png[at + 20] != 0)
                return false;
        } else if (type == "IDAT") {
            packed.insert(packed.end(), data, data + length);
        }
        at += 12 + length;
    }
    const std::size_t row = std::size_t{out.width} * 4;
    std::vector<uint8_t> raw((row + 1) * out.height);
    uLongf size = raw.size();
    if (uncompress(raw.data(), &size, packed.data(), packed.size()) != Z_OK || size != raw.size())
        return false;
    out.rgba.assign(row * out.height, 0);
    for (std::size_t y = 0; y < out.height; ++y) {
        const uint8_t filter = raw[y * (row + 1)];
        const uint8_t* in = &raw[y * (row + 1) + 1];
        uint8_t* cur = &out.rgba[y * row];
        const uint8_t* prev = y ? &out.rgba[(y - 1) * row] : nullptr;
        for (std::size_t i = 0; i < row; ++i) {
            const int a = i >= 4 ? cur[i - 4] : 0, b = prev ? prev[i] : 0, c = (prev && i >= 4) ? prev[i - 4] : 0;
            int p = 0;
            switch (filter) {
            case 0: p = 0; break;
            case 1: p = a; break;
            case 2: p = b; break;
            case 3: p = (a + b) / 2; break;
            case 4: {
                const int e = a + b - c, pa = std::abs(e - a), pb = std::abs(e - b), pc = std::abs(e - c);
                p = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
                break;
            }
            default: return false;
            }
            cur[i] = static_cast<uint8_t>(in[i] + p);
        }
    }
    return true;
}

class RenderCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("orvane-render-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    int Run(const std::string& args)
    {
        const std::string line = "'" + kTool + "' render " + args + " 2>'" + (dir_ / "err.txt").string() + "'";
        const int status = std::system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Errors() const
    {
        std::vector<uint8_t> bytes;
        orv::ReadWholeFile(dir_ / "err.txt", bytes);
        return std::string(bytes.begin(), bytes.end());
    }

    fs::path dir_;
};

constexpr uint32_t kBackground = 0xC0C0C0;

TEST_F(RenderCommand, TexturedWalkerWithoutAnyDisplay)
{
    const fs::path out = dir_ / "walker.png";
    // No display needed: the same picture with DISPLAY unset.
    const std::string env = "env -u DISPLAY -u WAYLAND_DISPLAY ";
    const std::string line = env + "'" + kTool + "' render '" + kSample + "/walker.3do' -o '" + out.string() +
                             "' --resources '" + kSample + "/res2.gob' --size 320x240";
    ASSERT_EQ(std::system(line.c_str()), 0);
    Picture p;
    ASSERT_TRUE(ReadPng(out, p));
    EXPECT_EQ(p.width, 320u);
    EXPECT_EQ(p.height, 240u);
    std::set<uint32_t> colours;
    uint32_t model = 0;
    for (uint32_t y = 0; y < p.height; ++y)
        for (uint32_t x = 0; x < p.width; ++x) {
            const uint32_t c = p.At(x, y);
            colours.insert(c);
            model += c != kBackground;
        }
    // The corners are background; the model fills a good part of the middle in the
    // many colours of its textures.
    EXPECT_EQ(p.At(0, 0), kBackground);
    EXPECT_EQ(p.At(319, 239), kBackground);
    EXPECT_GT(model, 320u * 240u / 20u);
    EXPECT_GT(colours.size(), 10u);
    EXPECT_EQ(colours.count(0xFFFFFF), 0u);  // every face has its texture
    EXPECT_NE(p.At(160, 120), kBackground);
}

TEST_F(RenderCommand, ModesAndViews)
{
    const std::string walker = "'" + kSample + "/walker.3do' ";
    ASSERT_EQ(Run(walker + "-o '" + (dir_ / "wire.png").string() + "' --mode 1 --size 200x150"), 0) << Errors();
    Picture wire;
    ASSERT_TRUE(ReadPng(dir_ / "wire.png", wire));
    std::size_t grey = 0, white = 0;
    for (uint32_t y = 0; y < wire.height; ++y)
        for (uint32_t x = 0; x < wire.width; ++x) {
            grey += wire.At(x, y) == 0x808080;
            white += wire.At(x, y) == 0xFFFFFF;
        }
    EXPECT_GT(grey, 100u);  // outlines in the wireframe colour
    EXPECT_EQ(white, 0u);   // and no solid face

    ASSERT_EQ(Run(walker + "-o '" + (dir_ / "front.png").string() + "' --size 200x150"), 0) << Errors();
    ASSERT_EQ(Run(walker + "-o '" + (dir_ / "left.png").string() + "' --size 200x150 --view left"), 0) << Errors();
    Picture front, left;
    ASSERT_TRUE(ReadPng(dir_ / "front.png", front));
    ASSERT_TRUE(ReadPng(dir_ / "left.png", left));
    auto width = [](const Picture& p) {
        uint32_t lo = p.width, hi = 0;
        for (uint32_t y = 0; y < p.height; ++y)
            for (uint32_t x = 0; x < p.width; ++x)
                if (p.At(x, y) != kBackground) {
                    lo = std::min(lo, x);
                    hi = std::max(hi, x);
                }
        return hi > lo ? hi - lo : 0u;
    };
    // The walker is wider than it is deep.
    EXPECT_GT(width(front), width(left) + 10);
}

TEST_F(RenderCommand, ExitStatuses)
{
    const std::string model = "'" + kSample + "/walker.3do' ";
    EXPECT_EQ(Run(model), 2);
    EXPECT_EQ(Run(model + "-o x.png --size 0x10"), 2);
    EXPECT_EQ(Run(model + "-o x.png --view sideways"), 2);
    EXPECT_EQ(Run(model + "-o x.png --mode 5"), 2);
    EXPECT_EQ(Run(model + "-o x.png --bogus"), 2);
    EXPECT_EQ(Run("'" + (dir_ / "missing.3do").string() + "' -o '" + (dir_ / "x.png").string() + "'"), 1);
    EXPECT_NE(Errors().find("missing.3do"), std::string::npos);
    EXPECT_EQ(Run(model + "-o '" + (dir_ / "no" / "such" / "x.png").string() + "'"), 1);
    EXPECT_NE(Errors().find("x.png"), std::string::npos);
    EXPECT_EQ(Run(model + "-o x.png --resources '" + (dir_ / "none.gob").string() + "'"), 1);
    EXPECT_FALSE(fs::exists(dir_ / "x.png"));
}

}  // namespace
