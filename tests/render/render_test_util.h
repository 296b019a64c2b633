#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/model.h"
#include "model/settings.h"
#include "render/gl/gl_device.h"
#include "render/gl/headless_context.h"
#include "render/gl/scene_renderer.h"

namespace orvtest {

// One headless context for the whole test program; each test gets a fresh device and
// scene renderer on it.
class GlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    bool MakeDevice(int32_t w, int32_t h, bool enlarge = false);
    orv::RgbaImage Render(const orv::CModel& model, const orv::SceneDrawOptions& options = {});

    // Pixel (x right, y down) where a point given in view space lands.
    std::pair<int32_t, int32_t> PixelOf(const orv::Vec3& viewPoint) const;

    orv::Settings settings_;
    std::unique_ptr<orv::GlDevice> device_;
    std::unique_ptr<orv::SceneRenderer> scene_;

    static std::unique_ptr<orv::HeadlessGlContext> context_;
    static std::string why_;
};

// A model of one geometry set whose meshes are each carried by one node (node i
// carries mesh i, the nodes are siblings), with identity node matrices.
std::unique_ptr<orv::CModel> MakeModel(int meshes);

// Adds a face whose vertex index list runs through the given points in order, with
// texture vertices in texels; its corners are built the way the model builds them
// (reverse order, u and v divided by the texture size).
orv::CFace& AddFace(orv::CMesh& mesh, const std::vector<orv::Vec3>& points, int32_t material = -1,
                    const std::vector<std::pair<float, float>>& texels = {}, int32_t texW = 1, int32_t texH = 1);

// An axis-aligned square at depth z, its index list counter-clockwise as seen from the
// origin looking along +z (so it faces the default camera).
std::vector<orv::Vec3> FacingSquare(float cx, float cy, float half, float z);

// The corner builder the tests plug in: corners from the index lists, u and v divided
// by the texture size the renderer reports.
orv::CornerBuilder TestCornerBuilder();

// A picture of cels × h rows × w columns where every pixel of cel c has palette index
// c, and palette entry c has the colour given.
orv::TextureImage SolidCels(int32_t w, int32_t h, const std::vector<uint32_t>& celColorsRgb);

// 0xFFRRGGBB that a 5-6-5 texel of this 0xRRGGBB colour reads back as, to within one
// step of rounding.
uint32_t Through565(uint32_t rgb);
bool Near(uint32_t a, uint32_t b, int tolerance);

// Whether a pixel of the colour lies within radius of (x, y).
bool ColorNear(const orv::RgbaImage& image, int32_t x, int32_t y, uint32_t argb, int radius = 2);
int CountColor(const orv::RgbaImage& image, uint32_t argb);

}  // namespace orvtest
